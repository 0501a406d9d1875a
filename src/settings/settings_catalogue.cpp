#include "settings/settings_catalogue.h"

#include "settings/still_format.h"

#include "platform/system/shell_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace sp {

QSize DefaultScreenSize() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->geometry().size();
    return {1024, 768};
}

QString DefaultPicturesFolder() {
    return PicturesFolder();
}

// The window position defaults centre the default window size, since nothing is loaded yet.
TSettings::TSettings(TparameterList& list)
    : MainHeight("mainheight", 522, list), MainWidth("mainwidth", 708, list),
      Top("Top", (DefaultScreenSize().height() - 522) / 2, list),
      Left("Left", (DefaultScreenSize().width() - 708) / 2, list), IVolume("iVolume", 5000, list),
      ForcerAspectRatio("Forcer Aspect Ratio", 0, list),
      INomFichierImage("iNomFichierImage", 1, list), IImageAjouter("iImageAjouter", 1, list),
      IFirstImageNum("iFirstImageNum", 1, list),
      AvertirSiFiltresAbsents("Avertir si Filtres Absents", true, list),
      SauverQuandClic("Sauver quand clic", true, list),
      ForceTheDecoder("Force the decoder", true, list),
      TraiterErreurs("Traiter Erreurs", true, list), IRacineLength("iRacineLength", 8, list),
      IImageRatio("iImageRatio", 0, list), IImageExtension("iImageExtension", 1, list),
      VitesseMaxi("Vitesse Maxi", false, list), IncrustRec("IncrustRec", TincrustRec{}, list),
      DureeIncruster(QStringLiteral("Durée Incruster"), 5, list),
      ExtensionDesImages("Extension des images", 0, list), Digits("digits", 4, list),
      JpegQuality("JpegQuality", 50, list),
      ValeurIntervallometre(QStringLiteral("Valeur Intervallomètre"), 1, list),
      UnitesIntervallometre(QStringLiteral("Unités Intervallomètre"), 1, list),
      MaxWidth("Max Width", 736, list), MaxHeight("Max Height", 576, list),
      PanneauActif("Panneau Actif", 0, list),
      DecodeurMpegVideo("Decodeur MpegVideo", "ffdshow Video Decoder", list),
      DecodeurMpegAudio("Decodeur MpegAudio", "ffdshow Audio Decoder", list),
      InternalDeinterlacer("Internal Deinterlacer", true, list),
      EcranGauche("EcranGauche", true, list), WantIncrust("Want Incrust", false, list),
      WantVertFlip("Want vert Flip", false, list), WantHorzFlip("Want Horz flip", false, list),
      WantDeinter("Want Deinter", false, list), RaccourcisSort("Raccourcis Sort", 0, list),
      LimiterLongueur("Limiter Longueur", false, list),
      DefaultRacine("DefaultRacine", "Stillpick", list),
      DossierSave("DossierSave", DefaultPicturesFolder(), list),
      FullscreenOn("Fullscreen On", false, list), ReducedOn("Reduced on", false, list),
      MuteOn("Mute On", false, list),
      SauverPreferencesEnQuittant(QStringLiteral("Sauver préférences en quittant"), true, list),
      ConfirmerImage("Confirmer Image", true, list),
      MtsEnVitesseMaxi("MTS en vitesse Maxi", true, list),
      ModePrecision("Mode Precision", true, list),
      ParametrerFiltres("Parametrer Filtres", true, list),
      IImageFormat("iImageFormat", kFormatFollowsExtension, list),
      WebpQuality("WebpQuality", 75, list), JxlQuality("JxlQuality", 90, list),
      AvifQuality("AvifQuality", 60, list), Filmstrip("Filmstrip", false, list) {}

TPrefsMode ChooseSaveMode() {
    if (QFileInfo::exists(IniFileName())) return pmPortable;
    QString stored;
    if (const auto key = RegistryKey::open(RegRoot::CurrentUser, kKeyPath, false))
        stored = key->readString("Exename").value_or(QString());
    const QString program = ProgramFilePath();
    return !stored.isEmpty() && stored.toLower() == program.toLower() ? pmRegistry : pmNone;
}

std::unique_ptr<TSettings> DefineSettings(TparameterList& list) {
    SaveMode = ChooseSaveMode();
    auto settings = std::make_unique<TSettings>(list);
    try {
        list.LoadAll();
    } catch (...) {
        // A store that cannot be read: every setting keeps its default.
    }
    return settings;
}

bool SaveSettings(TparameterList& list) {
    try {
        list.SaveAll();
        return true;
    } catch (...) {
        return false;
    }
}

void DeleteRegistrySettings() {
    auto company = RegistryKey::open(RegRoot::CurrentUser, kCompanyKeyPath, false);
    if (!company) return;
    company->deleteSubKeyTree("Stillpick");
    if (!company->hasSubKeys()) RegistryKey::deleteTree(RegRoot::CurrentUser, kCompanyKeyPath);
    company->flush();
}

void DeleteIniFile() {
    const QString path = IniFileName();
    if (!QFileInfo::exists(path)) return;
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    QFile::remove(path);
}

} // namespace sp
