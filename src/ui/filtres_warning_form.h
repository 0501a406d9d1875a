#pragma once
// TFiltresWarningForm: the warning shown at the main window's first paint when the outside
// splitter or decoders the program is built around are missing. It says what is missing, points
// to the page about installing them, and lets the user quit or continue, and stop the warning.
//
// The dialog changes one setting: its check box "Don't warn me again" sets "Avertir si Filtres
// Absents" to the opposite of the box, and when that turns the warning off while the settings
// are saved nowhere (pmNone), the save mode becomes pmRegistry so the choice is kept.
//
// Owned by the main window (Qt parent). User-interface thread only.

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace sp {

class TBooleanParameter;
class TLinkEdit;

class TFiltresWarningForm : public QDialog {
    Q_OBJECT
public:
    // `warnIfMissing` is the setting "Avertir si Filtres Absents" (may be null: no setting is
    // changed); it must outlive the dialog.
    explicit TFiltresWarningForm(TBooleanParameter* warnIfMissing, QWidget* parent = nullptr);

    // The first paragraph for what is missing (at least one of the two), then the closing text.
    static QString WarningMarkup(bool haaliMissing, bool ffdshowMissing);

    // Clears the quit flag, sets the text for what is missing and centres the dialog on its
    // parent; done by Ask, public for tests that show the dialog themselves.
    void Prepare(bool haaliMissing, bool ffdshowMissing);
    // Prepares, shows the dialog modally and returns the quit flag. On the offscreen platform,
    // where no one can answer, it takes the default "continue" (says so on stderr) unless
    // RunOffscreen is set.
    bool Ask(bool haaliMissing, bool ffdshowMissing);

    bool QuitFlag = false;     // set when the dialog was left with "Quit"
    bool RunOffscreen = false; // tests: run modally on the offscreen platform too

    TLinkEdit* Text() const { return text_; }
    QPushButton* ContinueButton() const { return continue_; }
    QPushButton* QuitButton() const { return quit_; }
    QCheckBox* DontWarnBox() const { return dontWarn_; }

protected:
    // Esc answers like the cancel button "Quit"; closing the window only continues.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onDontWarnToggled(bool checked);

    TBooleanParameter* warnIfMissing_;
    TLinkEdit* text_;
    QCheckBox* dontWarn_;
    QPushButton* continue_;
    QPushButton* quit_;
};

// The first-paint rule: when `warnIfMissing` is set and any of the three filters was not found,
// asks `form`; when it is left with "Quit", closes `mainWindow` through its normal close query.
// Returns whether the warning was shown.
bool WarnAboutMissingFilters(TFiltresWarningForm& form, QWidget* mainWindow, bool warnIfMissing,
                             bool haaliFound, bool ffdshowVideoFound, bool ffdshowAudioFound);

} // namespace sp
