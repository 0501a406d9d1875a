// The names of the saved images: the root, the number or timestamp suffix, the next image name
// and its label, the Folders panel's controls and the naming and format commands.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/image_naming.h"
#include "app/interval_count.h"
#include "app/panels/bottom_strip.h"
#include "app/panels/dossiers_frame.h"
#include "app/panels/intervallo_frame.h"
#include "platform/system/atomic_file.h"
#include "settings/action_table.h"
#include "settings/still_format.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace sp {

namespace {

// The command's argument; empty when none was given.
QString Argument() {
    return ArgumentList.isEmpty() ? QString() : ArgumentList.front();
}

int IntegerOrZero(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

} // namespace

// ---- Names ----

void TShowForm::UpdateNextImageName() {
    if (!S) return;
    ShowImageFolderSpace(); // the Help panel's free space follows the image folder
    if (S->IImageAjouter.Value == 0)
        BuildNumberedName();
    else if (S->IImageAjouter.Value == 1)
        BuildTimestampName();
}

void TShowForm::BuildNumberedName() {
    const QString number = Widgets().Dossiers()->numberText();
    ImageNumber = naming::ParseImageNumber(number);
    NextImageName =
        naming::BuildNumberedName(S->DossierSave.Value, ImageRoot, number, StillExtension());
    Widgets().BottomStrip->setNextImageName(NextImageName, QFileInfo::exists(NextImageName));
}

void TShowForm::BuildTimestampName() {
    NextImageName = naming::BuildTimestampName(S->DossierSave.Value, ImageRoot,
                                               Widgets().TimecodeText(), StillExtension());
    Widgets().BottomStrip->setNextImageName(NextImageName, QFileInfo::exists(NextImageName));
}

void TShowForm::UpdateRoot() {
    if (!S) return;
    naming::RootInputs in;
    in.fileLoaded = CurrentBuilder && CurrentBuilder != EmptyBuilder.get();
    in.filePath = in.fileLoaded ? QString::fromStdString(CurrentBuilder->FileName) : QString();
    in.iNomFichierImage = S->INomFichierImage.Value;
    in.defaultRacine = S->DefaultRacine.Value;
    in.limiterLongueur = S->LimiterLongueur.Value;
    in.iRacineLength = S->IRacineLength.Value;
    ImageRoot = naming::UpdateRoot(in);
}

void TShowForm::NamingChanged() {
    UpdateRoot();
    UpdateNextImageName();
}

void TShowForm::ChooseTimestampNames() {
    S->IImageAjouter.Value = 1;
    Widgets().Dossiers()->setSuffixMode(1);
    Widgets().Dossiers()->setNumberEditsEnabled(false);
    BuildTimestampName();
}

void TShowForm::ChooseNumberedNames() {
    S->IImageAjouter.Value = 0;
    Widgets().Dossiers()->setSuffixMode(0);
    Widgets().Dossiers()->setNumberEditsEnabled(true);
    BuildNumberedName();
    if (Media) Media->SetImageNumber(ImageNumber, S->Digits.Value);
}

// ---- Settings into the panels ----

void TShowForm::ApplyGrabSettings() {
    TDossiersFrame* d = Widgets().Dossiers();
    d->setFolder(S->DossierSave.Value);
    d->setMaxLengthText(QString::number(S->IRacineLength.Value));
    d->setLimitLength(S->LimiterLongueur.Value);
    d->setRootText(S->DefaultRacine.Value);
    d->setRootMode(S->INomFichierImage.Value);
    d->setExtension(int(StillFormat(*S)));
    ShowFormatQuality();
    S->Digits.Value = std::clamp(S->Digits.Value, 0, naming::kMaxDigits);
    d->setDigits(S->Digits.Value);
    ImageNumber = S->IFirstImageNum.Value;
    d->setNumberText(naming::PadImageNumber(ImageNumber, S->Digits.Value));
    // A suffix mode that is neither a number (0) nor a timestamp (1) would name no image.
    if (S->IImageAjouter.Value != 0 && S->IImageAjouter.Value != 1)
        S->IImageAjouter.Value = S->IImageAjouter.Default;
    d->setSuffixMode(S->IImageAjouter.Value);
    d->setNumberEditsEnabled(S->IImageAjouter.Value != 1);
    // The intervalometer bar; a stored unit without an entry counts as seconds.
    S->ValeurIntervallometre.Value =
        std::clamp(S->ValeurIntervallometre.Value, interval::kMinValue, interval::kMaxValue);
    S->UnitesIntervallometre.Value = int(interval::UnitOrDefault(S->UnitesIntervallometre.Value));
    Widgets().Intervallo->setIntervalValue(S->ValeurIntervallometre.Value);
    Widgets().Intervallo->setUnitIndex(S->UnitesIntervallometre.Value);
    Widgets().Intervallo->setPrecise(S->ModePrecision.Value);
    NamingChanged();
    if (Media) Media->SetImageNumber(ImageNumber, S->Digits.Value);
}

// ---- Folders panel ----

void TShowForm::ConnectFolderPanel() {
    TDossiersFrame* d = Widgets().Dossiers();
    connect(d, &TDossiersFrame::folderChosen, this, [this](const QString& folder) {
        S->DossierSave.Value = naming::FolderPrefix(folder);
        UpdateNextImageName();
    });
    connect(d, &TDossiersFrame::rootModeChosen, this, [this](int mode) {
        S->INomFichierImage.Value = mode;
        NamingChanged();
    });
    connect(d, &TDossiersFrame::rootTextChanged, this, [this](const QString& text) {
        S->DefaultRacine.Value = text;
        NamingChanged();
    });
    connect(d, &TDossiersFrame::limitLengthClicked, this, [this](bool on) {
        S->LimiterLongueur.Value = on;
        NamingChanged();
    });
    connect(d, &TDossiersFrame::maxLengthChanged, this, [this](const QString& text) {
        S->IRacineLength.Value = IntegerOrZero(text);
        NamingChanged();
    });
    connect(d, &TDossiersFrame::suffixModeChosen, this, [this](int mode) {
        if (mode == 1)
            ChooseTimestampNames();
        else
            ChooseNumberedNames();
    });
    connect(d, &TDossiersFrame::numberTextChanged, this, [this](const QString& text) {
        ImageNumber = naming::ParseImageNumber(text);
        S->Digits.Value = std::min(int(text.size()), naming::kMaxDigits);
        Widgets().Dossiers()->setDigits(S->Digits.Value);
        UpdateNextImageName();
        if (Media) Media->SetImageNumber(ImageNumber, S->Digits.Value);
    });
    connect(d, &TDossiersFrame::digitsChanged, this, [this](int digits) {
        S->Digits.Value = digits;
        Widgets().Dossiers()->setNumberText(naming::PadImageNumber(ImageNumber, digits));
        UpdateNextImageName();
        if (Media) Media->SetImageNumber(ImageNumber, digits);
    });
    connect(d, &TDossiersFrame::extensionChosen, this, [this](int item) {
        if (item >= 0 && item < kImageFormatCount) ChooseStillFormat(ImageFormat(item));
    });
    connect(d, &TDossiersFrame::qualityChanged, this,
            [this](int quality) { QualitySetting(*S, StillFormat(*S)).Value = quality; });
}

// ---- Commands ----

void TShowForm::BindNamingCommands() {
    TActionList& al = *actions_;
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    al.OnPrepare("saJpgOption",
                 on([this] { ArgumentList = QStringList{QString::number(S->JpegQuality.Value)}; }));
    al.OnExecute("saJpgOption", on([this] { ChooseStillFormat(ImageFormat::Jpeg, Argument()); }));
    al.OnExecute("saBmpOption", on([this] { ChooseStillFormat(ImageFormat::Bmp); }));
    al.OnPrepare("saDossierDest", on([this] { ArgumentList = QStringList{S->DossierSave.Value}; }));
    al.OnExecute("saDossierDest", on([this] {
                     const QString folder = Argument();
                     std::string error;
                     if (folder.isEmpty() ||
                         !makeFolders(QFile::encodeName(folder).toStdString(), 0755, error)) {
                         if (ShowWarning)
                             ShowWarning(folder.isEmpty()
                                             ? QString("Unable to create directory")
                                             : QString("Unable to create directory %1: %2")
                                                   .arg(folder, QString::fromStdString(error)));
                         return;
                     }
                     S->DossierSave.Value = folder;
                     Widgets().Dossiers()->setFolder(folder);
                     UpdateNextImageName();
                 }));
    al.OnExecute("saRacine", on([this] {
                     if (!Argument().isEmpty()) {
                         Widgets().Dossiers()->setRootText(Argument());
                         S->DefaultRacine.Value = Argument();
                         NamingChanged();
                     }
                     S->INomFichierImage.Value = 0;
                     Widgets().Dossiers()->setRootMode(0);
                     NamingChanged();
                 }));
    al.OnExecute("saNomFichier", on([this] {
                     if (!Argument().trimmed().isEmpty()) {
                         const int n = IntegerOrZero(Argument());
                         S->LimiterLongueur.Value = n >= 1;
                         Widgets().Dossiers()->setLimitLength(n >= 1);
                         if (n >= 1) {
                             Widgets().Dossiers()->setMaxLengthText(QString::number(n));
                             S->IRacineLength.Value = n;
                         }
                     }
                     S->INomFichierImage.Value = 1;
                     Widgets().Dossiers()->setRootMode(1);
                     NamingChanged();
                 }));
    al.OnExecute("saTimestamp", on([this] { ChooseTimestampNames(); }));
    al.OnExecute("saNumeroter", on([this] {
                     if (const auto digits = naming::ParseNumberingArgument(Argument())) {
                         S->Digits.Value = std::min(int(digits->size()), naming::kMaxDigits);
                         Widgets().Dossiers()->setDigits(S->Digits.Value);
                         Widgets().Dossiers()->setNumberText(*digits);
                         ImageNumber = naming::ParseImageNumber(*digits);
                     }
                     ChooseNumberedNames();
                 }));
    BindFormatCommands();
}

// ---- Still formats ----

void TShowForm::BindFormatCommands() {
    TActionList& al = *actions_;
    al.OnExecute("saPngOption", [this](QObject*) { ChooseStillFormat(ImageFormat::Png); });
    const std::pair<const char*, ImageFormat> withQuality[] = {{"saWebpOption", ImageFormat::Webp},
                                                               {"saJxlOption", ImageFormat::Jxl},
                                                               {"saAvifOption", ImageFormat::Avif}};
    for (const auto& [name, format] : withQuality) {
        al.OnPrepare(name, [this, format](QObject*) {
            ArgumentList = QStringList{QString::number(QualitySetting(*S, format).Value)};
        });
        al.OnExecute(name, [this, format](QObject*) { ChooseStillFormat(format, Argument()); });
    }
}

void TShowForm::ChooseStillFormat(ImageFormat format, const QString& quality) {
    SetStillFormat(*S, format);
    Widgets().Dossiers()->setExtension(int(format));
    // No argument keeps the quality; a word that is not a number reads as 0, which the encoders
    // take as 1.
    if (ImageFormatHasQuality(format) && !quality.trimmed().isEmpty())
        QualitySetting(*S, format).Value = std::clamp(IntegerOrZero(quality), 0, 100);
    ShowFormatQuality();
    UpdateNextImageName();
}

void TShowForm::ShowFormatQuality() {
    const ImageFormat format = StillFormat(*S);
    const ImageFormat shown = ImageFormatHasQuality(format) ? format : ImageFormat::Jpeg;
    Widgets().Dossiers()->setQualityCaption(QString::fromUtf8(ImageFormatName(shown)));
    Widgets().Dossiers()->setQuality(QualitySetting(*S, shown).Value);
}

QString TShowForm::StillExtension() const {
    return QString::fromUtf8(ImageFormatExtension(StillFormat(*S)));
}

} // namespace sp
