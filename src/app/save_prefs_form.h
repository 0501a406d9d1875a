#pragma once
// The question asked at closing while no save mode is chosen: where should the preferences be
// kept? Three buttons (registry, portable file, nothing); the close box leaves `Chosen` false,
// which makes the main window refuse to close. On a platform without a screen (offscreen)
// nobody can answer: Ask() takes "Normal" (the registry) and says so on stderr.
// User-interface thread only.

#include "settings/preferences.h"

#include <QDialog>

namespace sp {

class TSavePrefsForm : public QDialog {
    Q_OBJECT
public:
    explicit TSavePrefsForm(QWidget* parent = nullptr);

    // Shows the dialog modally (or answers "Normal" offscreen); true when a button was pressed.
    bool Ask();

    TPrefsMode Choice = pmRegistry;
    bool Chosen = false;

    // The mark-up of the text at the top.
    static const char* const kMessage;

private:
    void Choose(TPrefsMode mode);
};

// True when windows cannot be seen nor answered (Qt's offscreen and minimal platforms).
bool NoOneCanAnswer();

} // namespace sp
