#pragma once
// The program's settings: the catalogue of its 47 parameters and the
// four of the still formats beyond JPEG and BMP (appended, see still_format.h), the choice of the
// save mode at start-up, loading, saving, and removing the stores. User-interface thread only.

#include "settings/parameters.h"

#include <QSize>

#include <memory>

namespace sp {

// Every setting of the program, created (and so loaded and saved) in member order. The members
// register themselves in the list given to the constructor; the list must not be asked to load
// or save after this object is gone (the parameters leave it when destroyed).
struct TSettings {
    explicit TSettings(TparameterList& list);

    TIntegerParameter MainHeight;                  // "mainheight"
    TIntegerParameter MainWidth;                   // "mainwidth"
    TIntegerParameter Top;                         // "Top"
    TIntegerParameter Left;                        // "Left"
    TIntegerParameter IVolume;                     // "iVolume"
    TIntegerParameter ForcerAspectRatio;           // "Forcer Aspect Ratio"
    TIntegerParameter INomFichierImage;            // "iNomFichierImage"
    TIntegerParameter IImageAjouter;               // "iImageAjouter"
    TIntegerParameter IFirstImageNum;              // "iFirstImageNum"
    TBooleanParameter AvertirSiFiltresAbsents;     // "Avertir si Filtres Absents"
    TBooleanParameter SauverQuandClic;             // "Sauver quand clic"
    TBooleanParameter ForceTheDecoder;             // "Force the decoder"
    TBooleanParameter TraiterErreurs;              // "Traiter Erreurs"
    TIntegerParameter IRacineLength;               // "iRacineLength"
    TIntegerParameter IImageRatio;                 // "iImageRatio"
    TIntegerParameter IImageExtension;             // "iImageExtension"
    TBooleanParameter VitesseMaxi;                 // "Vitesse Maxi"
    TincrustRecParameter IncrustRec;               // "IncrustRec"
    TIntegerParameter DureeIncruster;              // "Durée Incruster"
    TIntegerParameter ExtensionDesImages;          // "Extension des images"
    TIntegerParameter Digits;                      // "digits"
    TIntegerParameter JpegQuality;                 // "JpegQuality"
    TIntegerParameter ValeurIntervallometre;       // "Valeur Intervallomètre"
    TIntegerParameter UnitesIntervallometre;       // "Unités Intervallomètre"
    TIntegerParameter MaxWidth;                    // "Max Width"
    TIntegerParameter MaxHeight;                   // "Max Height"
    TframeNumberParameter PanneauActif;            // "Panneau Actif"
    TWideStringParameter DecodeurMpegVideo;        // "Decodeur MpegVideo"
    TWideStringParameter DecodeurMpegAudio;        // "Decodeur MpegAudio"
    TBooleanParameter InternalDeinterlacer;        // "Internal Deinterlacer"
    TBooleanParameter EcranGauche;                 // "EcranGauche"
    TBooleanParameter WantIncrust;                 // "Want Incrust"
    TBooleanParameter WantVertFlip;                // "Want vert Flip"
    TBooleanParameter WantHorzFlip;                // "Want Horz flip"
    TBooleanParameter WantDeinter;                 // "Want Deinter"
    TRaccourcisSortParameter RaccourcisSort;       // "Raccourcis Sort"
    TBooleanParameter LimiterLongueur;             // "Limiter Longueur"
    TWideStringParameter DefaultRacine;            // "DefaultRacine"
    TWideStringParameter DossierSave;              // "DossierSave"
    TBooleanParameter FullscreenOn;                // "Fullscreen On"
    TBooleanParameter ReducedOn;                   // "Reduced on"
    TBooleanParameter MuteOn;                      // "Mute On"
    TBooleanParameter SauverPreferencesEnQuittant; // "Sauver préférences en quittant"
    TBooleanParameter ConfirmerImage;              // "Confirmer Image"
    TBooleanParameter MtsEnVitesseMaxi;            // "MTS en vitesse Maxi"
    TBooleanParameter ModePrecision;               // "Mode Precision"
    TBooleanParameter ParametrerFiltres;           // "Parametrer Filtres"
    TIntegerParameter IImageFormat;                // "iImageFormat"
    TIntegerParameter WebpQuality;                 // "WebpQuality"
    TIntegerParameter JxlQuality;                  // "JxlQuality"
    TIntegerParameter AvifQuality;                 // "AvifQuality"
    TBooleanParameter Filmstrip;                   // "Filmstrip": the strip under the video
};

// Size of the primary screen when a GUI application with a screen exists, else 1024 x 768.
QSize DefaultScreenSize();
// The default of "DossierSave": PicturesFolder() (platform/system/shell_folders.h), that is the
// pictures folder, else the documents folder, else the home folder.
QString DefaultPicturesFolder();

// Portable when IniFileName() exists; else registry when the stored "Exename" equals the program
// file's path without regard to case; else none.
TPrefsMode ChooseSaveMode();

// Chooses SaveMode, creates every setting into `list` and loads them. Never fails: on a store
// failure the settings not loaded keep their defaults.
std::unique_ptr<TSettings> DefineSettings(TparameterList& list);

// Saves every setting of `list` in the current SaveMode. Failures are swallowed; the result says
// whether the save reached the disk (true in pmNone).
bool SaveSettings(TparameterList& list);

// Removes the registry settings, then the company key when nothing else is left below it.
void DeleteRegistrySettings();
// Removes the portable settings file when it exists.
void DeleteIniFile();

} // namespace sp
