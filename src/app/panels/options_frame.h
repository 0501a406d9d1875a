#pragma once
// Side panel 4, Settings: seven check boxes that mirror boolean settings, the save-mode choice
// `rgPrefs` and the two MPEG decoder lists with their labels.
//
// Setters never emit. A click on a check box emits optionClicked (the controller copies the state
// into the setting only); a click on a save-mode item emits saveModeChosen; a decoder chosen by
// the user emits videoDecoderChosen / audioDecoderChosen. User-interface thread only; owned by
// the panel column.

#include "app/panels/side_panel.h"

#include <QStringList>

#include <array>

class QButtonGroup;
class QCheckBox;
class QLabel;

namespace sp {

class TChoiceList;

class TOptionsFrame : public TSidePanel {
    Q_OBJECT
public:
    // The check boxes, in the order they are shown.
    enum Option {
        ConfirmerImage,
        SauverQuandClic,
        MTSVitessemaxi,
        ParametrerFiltres,
        ImagesDeInterlacer,
        ForcerDecodeur,
        TraiterErreurs,
    };
    Q_ENUM(Option)
    static constexpr int kOptionCount = 7;
    // Caption and object name (cbConfirmerImage, ...) of each check box.
    static QString caption(Option option);
    static QString boxName(Option option);

    explicit TOptionsFrame(QWidget* parent = nullptr);

    void setOption(Option option, bool checked);
    bool option(Option option) const;

    // Save-mode item: 0 registry, 1 portable, 2 none; -1 when none is selected.
    void setSaveMode(int mode);
    int saveMode() const;

    // Replaces the rows and selects `current` (-1: none).
    void setVideoDecoders(const QStringList& names, int current);
    void setAudioDecoders(const QStringList& names, int current);
    void selectVideoDecoder(int row);
    void selectAudioDecoder(int row);
    int videoDecoder() const;
    int audioDecoder() const;
    QString videoDecoderText() const;
    QString audioDecoderText() const;
    // Each list with its label.
    void setVideoDecoderListVisible(bool visible);
    void setAudioDecoderListVisible(bool visible);
    bool videoDecoderListVisible() const;
    bool audioDecoderListVisible() const;

signals:
    void optionClicked(sp::TOptionsFrame::Option option, bool checked);
    void saveModeChosen(int mode);
    void videoDecoderChosen(int row);
    void audioDecoderChosen(int row);

private:
    void addDecoderList(const QString& caption, const QString& name, QLabel*& label,
                        TChoiceList*& list);

    std::array<QCheckBox*, kOptionCount> boxes_{};
    QButtonGroup* prefs_;
    QLabel* videoDecoderLabel_;
    TChoiceList* videoDecoders_;
    QLabel* audioDecoderLabel_;
    TChoiceList* audioDecoders_;
};

} // namespace sp
