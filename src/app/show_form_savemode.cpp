// Where the settings are kept between runs: the Settings panel's choice, the "save_prefs"
// command, and saving the window state at closing.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include <QAction>
#include <QFileInfo>

namespace sp {

void TShowForm::SetModeSelection(TPrefsMode mode) {
    const int before = Widgets().PrefsItem();
    Widgets().SetPrefsItem(int(mode));
    // Selecting the item that is already shown changes nothing, as a click on it would.
    if (before != int(mode)) PrefsModeChanged(int(mode));
}

void TShowForm::PrefsModeChanged(int mode) {
    if (mode < pmRegistry || mode > pmNone) return;
    SaveMode = TPrefsMode(mode);
    if (SaveMode != pmPortable) DeleteIniFile();
    if (SaveMode != pmRegistry) DeleteRegistrySettings();
    if (SaveMode == pmPortable && S) {
        const QString folder = ProgramFolder() + "/";
        if (!S->DossierSave.Value.startsWith(folder, Qt::CaseInsensitive))
            S->DossierSave.Value = folder;
    }
}

void TShowForm::SavePreferencesCommand(const QString& argument) {
    const QString given = argument.trimmed();
    static const char* const kModes[] = {"registry", "Portable", "none"};
    for (int mode = 0; mode < 3; ++mode) {
        // The argument matches when it begins the mode's name (an empty one matches "registry").
        const QString name = QString::fromLatin1(kModes[mode]);
        if (given.size() <= name.size() && name.startsWith(given, Qt::CaseInsensitive)) {
            SaveMode = TPrefsMode(mode);
            SetModeSelection(TPrefsMode(mode));
            return;
        }
    }
}

void TShowForm::StoreWindowSettings() {
    if (SaveMode == pmNone || !S) return;
    try {
        const QRect frame = geometry();
        S->Top.Value = frame.top();
        S->Left.Value = frame.left();
        if (!S->ReducedOn.Value) {
            S->MainHeight.Value = frame.height();
            S->MainWidth.Value = frame.width();
        }
        S->EcranGauche.Value = VideoAreaLeft == 0;
        S->FullscreenOn.Value = Checked("tafullscreen");
        S->ReducedOn.Value = Checked("taReduire");
        S->WantDeinter.Value = Checked("taImagesDeinterlacer");
        S->WantIncrust.Value = Checked("taIncruster");
        S->WantVertFlip.Value = Checked("taVertFlip");
        S->WantHorzFlip.Value = Checked("taHorzFlip");
        try {
            S->VitesseMaxi.Value = Widgets().MaxSpeedBox();
            const int item = Widgets().PrefsItem();
            if (item >= pmRegistry && item <= pmNone) SaveMode = TPrefsMode(item);
        } catch (const std::exception&) {
        }
    } catch (const std::exception&) {
    }
    SaveSettings(*Parameters);
}

} // namespace sp
