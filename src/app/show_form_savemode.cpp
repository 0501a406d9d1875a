// Where the settings are kept between runs: the Settings panel's choice, the "save_prefs"
// command, and saving the window state at closing.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/panels/dossiers_frame.h"

#include <QAction>
#include <QFileInfo>
#include <QTemporaryFile>

namespace sp {

namespace {

// Whether a file can be made in the program's folder, tried for real: permission bits say
// nothing for root, a read-only mount or a folder that is gone.
bool ProgramFolderTakesFiles() {
    QTemporaryFile probe(ProgramFolder() + QStringLiteral("/.stillpick-XXXXXX"));
    return probe.open();
}

} // namespace

bool TShowForm::PortableModeRefused() {
    if (ProgramFolderTakesFiles()) return false;
    Widgets().SetPrefsItem(int(SaveMode));
    const QString outcome = SaveMode == pmRegistry
                                ? QStringLiteral("The settings stay in your settings folder.")
                                : QStringLiteral("The settings are not saved.");
    if (ShowWarning)
        ShowWarning("Portable mode keeps the settings in the file Stillpick.ini beside the "
                    "program, but the folder " +
                    ProgramFolder() + " cannot be written to. " + outcome +
                    " Choose \"registry\" to keep them for you, or copy the program to a folder "
                    "you can write to for portable use.");
    return true;
}

void TShowForm::SetModeSelection(TPrefsMode mode) {
    const int before = Widgets().PrefsItem();
    Widgets().SetPrefsItem(int(mode));
    // Selecting the item that is already shown changes nothing, as a click on it would.
    if (before != int(mode)) PrefsModeChanged(int(mode));
}

void TShowForm::PrefsModeChanged(int mode) {
    if (mode < pmRegistry || mode > pmNone) return;
    // Checked before anything is deleted: refusing must leave the current settings in place.
    if (mode == pmPortable && PortableModeRefused()) return;
    SaveMode = TPrefsMode(mode);
    if (SaveMode != pmPortable) DeleteIniFile();
    if (SaveMode != pmRegistry) DeleteRegistrySettings();
    if (SaveMode == pmPortable && S) {
        const QString folder = ProgramFolder() + "/";
        if (!S->DossierSave.Value.startsWith(folder, Qt::CaseInsensitive)) {
            S->DossierSave.Value = folder;
            Widgets().Dossiers()->setFolder(folder);
            UpdateNextImageName();
        }
    }
}

void TShowForm::SavePreferencesCommand(const QString& argument) {
    const QString given = argument.trimmed();
    static const char* const kModes[] = {"registry", "Portable", "none"};
    for (int mode = 0; mode < 3; ++mode) {
        // The argument matches when it begins the mode's name (an empty one matches "registry").
        const QString name = QString::fromLatin1(kModes[mode]);
        if (given.size() <= name.size() && name.startsWith(given, Qt::CaseInsensitive)) {
            if (mode == pmPortable && PortableModeRefused()) return;
            noneChosen_ = mode == pmNone;
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
