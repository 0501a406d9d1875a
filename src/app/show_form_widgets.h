#pragma once
// The widgets of the main window, composed from the panels: the tool bar, the title strip, the
// top bar, the video panel with the video view, the navigation bar, the panel column and the
// bottom strip, placed at the rectangles of the layout rules on one client widget. This is the
// only place of the controller that knows the panels' classes; the controller's theme files
// speak to the window through the few operations below.
//
// Ownership: the client widget owns every panel (Qt parents); TShowForm owns this object and
// the client widget. User-interface thread only.

#include "platform/graph/interfaces.h"

#include <QString>
#include <QStringList>

class QFrame;
class QMenu;
class QTextEdit;
class QWidget;

namespace sp {

class TBottomStrip;
class TDossiersFrame;
class TExtraireFrame;
class Tintervalloframe;
class TOptionsFrame;
class TPanelColumn;
class TSourcesFrame;
class TTitleStrip;
class TToolBar;
class TTopBar;
class TVideoPanel;
class TVideoView;
class Tnav_fileframe;

class TShowFormWidgets {
public:
    explicit TShowFormWidgets(QWidget* client);

    // The pieces, for the layout and the connections.
    QWidget* Client;
    TToolBar* ToolBar;
    QFrame* HorizontalLine;
    QFrame* VerticalLine;
    TTitleStrip* TitleStrip;
    TTopBar* TopBar;
    TVideoPanel* VideoPanel;
    Tnav_fileframe* Navigation;
    TPanelColumn* Panels;
    TBottomStrip* BottomStrip;
    QMenu* VideoMenu;
    // The list of installed filters, shown on the Help panel.
    QTextEdit* Diagnostics;
    // Grabbing: the intervalometer bar (over the navigation bar, hidden until asked for) and the
    // Folders and Grab panels.
    Tintervalloframe* Intervallo;
    TDossiersFrame* Dossiers() const;
    TExtraireFrame* Extraire() const;

    TSourcesFrame* Sources() const;
    TOptionsFrame* Options() const;
    TVideoView* View() const;
    mf::IPresentationSurface* VideoSurface() const;

    // Title strip.
    void SetFileLabel(const QString& text, bool loaded); // navy while loading, maroon after
    void SetFileLabelLoaded(const QString& hint);
    void ShowIndicators(bool scn, bool srt, bool modd);
    // Top bar.
    void SetDurationText(const QString& text);
    void SetTimecodeText(const QString& text);
    QString TimecodeText() const;
    void SetVolumeGauge(int percent);
    void SetTopBarVisible(bool visible);
    // Navigation bar.
    void SetSliderValue(int value);
    void SetNavigationVisible(bool visible);
    enum class PlayImage { Normal, MaxSpeed, NoVideo };
    void SetPlayImage(PlayImage image);
    // Video panel and the controls that go with a video stream / an audio stream.
    void SetVideoShown(bool shown);
    void SetAudioShown(bool shown);
    void FocusVideo();
    // Sources panel.
    void SetStreamLists(const QStringList& video, const QStringList& audio);
    void SelectStreams(int video, int audio);
    void SetVideoLabel(const QString& text);
    void SetAudioLabel(const QString& text);
    void SetAudioGroupVisible(bool visible);
    bool MaxSpeedBox() const;
    // Settings panel.
    int PrefsItem() const;
    void SetPrefsItem(int item);
    void SetDecoderListsVisible(bool video, bool audio);

private:
    bool hasVideo_ = false;
    bool hasAudio_ = false;
};

} // namespace sp
