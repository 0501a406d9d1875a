#pragma once
// Side panel 0, Sources: the choice of the video and the audio stream of the loaded file, a
// description label under each list, and the "Maximum speed" check box bound to its action.
//
// The lists hold names only; the controller keeps which source each row stands for (the file's
// sources followed by the "No Video" / "No Audio" sentinel). Filling a list or selecting a row
// from code emits nothing; only a choice made by the user emits videoChosen / audioChosen.
// User-interface thread only; owned by the panel column.

#include "app/panels/side_panel.h"

#include <QStringList>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;

namespace sp {

class TChoiceList;

class TSourcesFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TSourcesFrame(QWidget* parent = nullptr);

    // Replaces the rows and selects `current` (-1: none).
    void setVideoStreams(const QStringList& names, int current);
    void setAudioStreams(const QStringList& names, int current);
    void selectVideoStream(int row);
    void selectAudioStream(int row);
    int videoStream() const;
    int audioStream() const;
    // The text of the video list: the name of the selected video stream.
    QString videoStreamText() const;

    void setVideoDescription(const QString& text);
    void setAudioDescription(const QString& text);
    QString videoDescription() const;
    QString audioDescription() const;
    void setVideoDescriptionVisible(bool visible);
    void setAudioDescriptionVisible(bool visible);
    // The audio list with its label (hidden while maximum speed is on).
    void setAudioGroupVisible(bool visible);
    // Where the scenes of the file come from and how many there are (under the check box).
    void setScenesText(const QString& text);
    QString scenesText() const;
    bool audioGroupVisible() const;

    // Binds the "Maximum speed" box to its two-state action (see action_binding.h).
    void bindMaxSpeedAction(QAction& action);
    bool maxSpeedChecked() const;

signals:
    void videoChosen(int row);
    void audioChosen(int row);

private:
    QGroupBox* videoGroup_;
    TChoiceList* videoList_;
    QLabel* videoLabel_;
    QGroupBox* audioGroup_;
    TChoiceList* audioList_;
    QLabel* audioLabel_;
    QCheckBox* maxSpeed_;
    QLabel* scenes_;
};

} // namespace sp
