#include "settings/settings_catalogue.h"
#include "support/file_size_limit.h"

#include "settings_test_support.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>

#include <fstream>

using namespace sp;
using sptest::kSection;

namespace {

class Catalogue : public sptest::SettingsWorld {
protected:
    void storeExeNameInRegistry(const QString& path) {
        RegistryKey::open(RegRoot::CurrentUser, kKeyPath, true)->writeString("ExeName", path);
    }
};

using sptest::FileSizeLimit;

// The entries of a first save with every default, after the three header entries.
QStringList defaultEntries() {
    const QString pictures = DefaultPicturesFolder();
    return {"mainheight=522",
            "mainwidth=708",
            "Top=123",
            "Left=158",
            "iVolume=5000",
            "Forcer Aspect Ratio=0",
            "iNomFichierImage=1",
            "iImageAjouter=1",
            "iFirstImageNum=1",
            "Avertir si Filtres Absents=1",
            "Sauver quand clic=1",
            "Force the decoder=1",
            "Traiter Erreurs=1",
            "iRacineLength=8",
            "iImageRatio=0",
            "iImageExtension=1",
            "Vitesse Maxi=0",
            "IncrustRec\\Incrust1=realized on %R",
            "IncrustRec\\Incrust2=with Stillpick by Orvane",
            "IncrustRec\\FormatDate1=dddddd",
            "IncrustRec\\FormatDate2=tt",
            "IncrustRec\\Decalage Horaire=0",
            "IncrustRec\\FontRec\\FontName=Arial",
            "IncrustRec\\FontRec\\FontSize=21",
            "IncrustRec\\FontRec\\FontColor=15780518",
            "IncrustRec\\FontRec\\FontBold=0",
            "IncrustRec\\FontRec\\FontItalic=0",
            "IncrustRec\\FontRec\\FontUnderline=0",
            "IncrustRec\\FontRec\\FontStrikeOut=0",
            "IncrustRec\\Autofontsize=1",
            "IncrustRec\\BorderSize=2",
            "IncrustRec\\What Incrust=5",
            "IncrustRec\\Alignement=2",
            "IncrustRec\\BorderColor=0",
            "IncrustRec\\Xpos=914",
            "IncrustRec\\Ypos=914",
            "Durée Incruster=5",
            "Extension des images=0",
            "digits=4",
            "JpegQuality=50",
            "Valeur Intervallomètre=1",
            "Unités Intervallomètre=1",
            "Max Width=736",
            "Max Height=576",
            "Panneau Actif=0",
            "Decodeur MpegVideo=ffdshow Video Decoder",
            "Decodeur MpegAudio=ffdshow Audio Decoder",
            "Internal Deinterlacer=1",
            "EcranGauche=1",
            "Want Incrust=0",
            "Want vert Flip=0",
            "Want Horz flip=0",
            "Want Deinter=0",
            "Raccourcis Sort=0",
            "Limiter Longueur=0",
            "DefaultRacine=Stillpick",
            "DossierSave=" + pictures,
            "Fullscreen On=0",
            "Reduced on=0",
            "Mute On=0",
            "Sauver préférences en quittant=1",
            "Confirmer Image=1",
            "MTS en vitesse Maxi=1",
            "Mode Precision=1",
            "Parametrer Filtres=1",
            "iImageFormat=-1",
            "WebpQuality=75",
            "JxlQuality=90",
            "AvifQuality=60",
            "Filmstrip=0"};
}

TEST_F(Catalogue, FirstStartHasNoModeAndAllDefaults) {
    TparameterList list("Stillpick 1.0 - English - Orvane");
    const auto settings = DefineSettings(list);
    EXPECT_EQ(SaveMode, pmNone);
    EXPECT_EQ(list.Count(), 47 + 5); // + the format and three qualities of the stills, the strip
    EXPECT_EQ(settings->IncrustRec.Value, TincrustRec{});
    EXPECT_EQ(settings->Top.Value, (768 - 522) / 2);
    EXPECT_EQ(settings->Left.Value, (1024 - 708) / 2);
    EXPECT_EQ(settings->DossierSave.Value, DefaultPicturesFolder());
    EXPECT_FALSE(DefaultPicturesFolder().isEmpty());
}

// The image folder defaults to the pictures folder, else the documents folder, else home.
TEST_F(Catalogue, ImageFolderDefaultFallsBackToDocumentsThenHome) {
    const std::string home = (std::filesystem::temp_directory_path() / "sp-cat-home").string();
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home + "/.config");
    std::ofstream(home + "/.config/user-dirs.dirs")
        << "XDG_PICTURES_DIR=\"$HOME/Photos\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n";
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(home));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home + "/.config"));
    auto defaultFolder = [] {
        TparameterList list("Stillpick 1.0 - English - Orvane");
        return DefineSettings(list)->DossierSave.Value;
    };
    const QString inHome = QString::fromStdString(home);
    EXPECT_EQ(defaultFolder(), inHome);
    std::filesystem::create_directory(home + "/Docs");
    EXPECT_EQ(defaultFolder(), inHome + "/Docs");
    std::filesystem::create_directory(home + "/Photos");
    EXPECT_EQ(defaultFolder(), inHome + "/Photos");
    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", savedConfig);
    if (savedConfig.isEmpty()) qunsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(home);
}

TEST_F(Catalogue, FreshPortableSaveIsExactlyTheDescribedFile) {
    TparameterList list("Stillpick 1.0 - English - Orvane");
    const auto settings = DefineSettings(list);
    SaveMode = pmPortable;
    ASSERT_TRUE(SaveSettings(list));

    const QByteArray bytes = readBytes(iniPath());
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    ASSERT_TRUE(bytes.endsWith(QByteArray("\r\0\n\0", 4)));
    const QStringList lines = DecodeIniText(bytes);
    EXPECT_EQ(bytes, EncodeIniText(lines)); // nothing but UTF-16LE lines ending in CR LF

    ASSERT_EQ(lines.size(), 4 + defaultEntries().size());
    EXPECT_EQ(lines[0], kSection);
    EXPECT_EQ(lines[1], "Signature=Stillpick 1.0 - English - Orvane");
    EXPECT_TRUE(
        QRegularExpression(R"(^DerniereSauvegarde=\d{4}\D\d\d\D\d\d \d\d\D\d\d\D\d\d (am|pm)$)")
            .match(lines[2])
            .hasMatch())
        << lines[2].toStdString();
    EXPECT_EQ(lines[3], "ExeName=" + programFile_);
    EXPECT_EQ(lines.mid(4), defaultEntries());
}

TEST_F(Catalogue, EverySettingSurvivesARestartInBothStores) {
    for (const TPrefsMode mode : {pmRegistry, pmPortable}) {
        SCOPED_TRACE(int(mode));
        DeleteIniFile();
        DeleteRegistrySettings();
        TparameterList list("sig");
        auto settings = DefineSettings(list);
        for (TParameter* p : list.Items()) {
            if (auto* i = dynamic_cast<TIntegerParameter*>(p))
                i->Value = -7;
            else if (auto* b = dynamic_cast<TBooleanParameter*>(p))
                b->Value = !b->Default;
            else if (auto* s = dynamic_cast<TWideStringParameter*>(p))
                s->Value = "v:" + s->Key;
            else if (auto* y = dynamic_cast<TByteParameter*>(p))
                y->Value = 201;
        }
        settings->IncrustRec.Value.Ypos = 5;
        settings->IncrustRec.Value.DecalageHoraire = 0.25;
        SaveMode = mode;
        ASSERT_TRUE(SaveSettings(list));
        const TincrustRec savedRec = settings->IncrustRec.Value;

        TparameterList again("sig");
        const auto loaded = DefineSettings(again);
        EXPECT_EQ(SaveMode, mode);
        for (TParameter* p : again.Items()) {
            if (auto* i = dynamic_cast<TIntegerParameter*>(p)) {
                EXPECT_EQ(i->Value, -7) << i->Key.toStdString();
            } else if (auto* b = dynamic_cast<TBooleanParameter*>(p)) {
                EXPECT_NE(b->Value, b->Default) << b->Key.toStdString();
            } else if (auto* s = dynamic_cast<TWideStringParameter*>(p)) {
                EXPECT_EQ(s->Value, "v:" + s->Key);
            } else if (auto* y = dynamic_cast<TByteParameter*>(p)) {
                EXPECT_EQ(y->Value, 201);
            }
        }
        EXPECT_EQ(loaded->IncrustRec.Value, savedRec);
    }
}

TEST_F(Catalogue, ModeChoiceAtStart) {
    EXPECT_EQ(ChooseSaveMode(), pmNone);
    storeExeNameInRegistry(programFile_.toUpper()); // compared without regard to case
    EXPECT_EQ(ChooseSaveMode(), pmRegistry);
    storeExeNameInRegistry("/elsewhere/stillpick"); // the program was moved or copied
    EXPECT_EQ(ChooseSaveMode(), pmNone);
    storeExeNameInRegistry("");
    EXPECT_EQ(ChooseSaveMode(), pmNone);
    writeIni({kSection});
    EXPECT_EQ(ChooseSaveMode(), pmPortable);
}

TEST_F(Catalogue, RegistrySettingsOfAnotherProgramPathAreNotLoaded) {
    {
        auto key = RegistryKey::open(RegRoot::CurrentUser, kKeyPath, true);
        key->writeString("ExeName", "/elsewhere/stillpick");
        key->writeDWord("JpegQuality", 90);
    }
    TparameterList list("sig");
    const auto settings = DefineSettings(list);
    EXPECT_EQ(SaveMode, pmNone);
    EXPECT_EQ(settings->JpegQuality.Value, 50);
}

TEST_F(Catalogue, UnreadablePortableFileGivesDefaultsAndStaysPortable) {
    std::filesystem::create_directory(iniPath().toStdString()); // exists, cannot be read
    TparameterList list("sig");
    const auto settings = DefineSettings(list);
    EXPECT_EQ(SaveMode, pmPortable);
    EXPECT_EQ(settings->JpegQuality.Value, 50);
    EXPECT_FALSE(SaveSettings(list)); // and a save does not replace what it could not read
    EXPECT_TRUE(std::filesystem::is_directory(iniPath().toStdString()));
}

TEST_F(Catalogue, FailedPortableSaveKeepsThePreviousFile) {
    TparameterList list("sig");
    const auto settings = DefineSettings(list);
    SaveMode = pmPortable;
    ASSERT_TRUE(SaveSettings(list));
    const QByteArray before = readBytes(iniPath());

    settings->DefaultRacine.Value = QString(50000, u'r');
    {
        FileSizeLimit full(static_cast<rlim_t>(before.size()) + 64);
        EXPECT_FALSE(SaveSettings(list));
    }
    EXPECT_EQ(readBytes(iniPath()), before);
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/program"))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);

    // A program folder that cannot exist: the save fails without harm.
    writeBytes(QString::fromStdString(root_ + "/plain"), "x");
    SetProgramFilePath(QString::fromStdString(root_ + "/plain/stillpick"));
    EXPECT_FALSE(SaveSettings(list));
}

TEST_F(Catalogue, DeletingTheStores) {
    DeleteRegistrySettings(); // nothing there: nothing happens
    DeleteIniFile();
    RegistryKey::open(RegRoot::CurrentUser, kKeyPath, true)->writeDWord("a", 1);
    RegistryKey::open(RegRoot::CurrentUser, "Software\\Orvane\\Other", true);
    DeleteRegistrySettings();
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, kKeyPath, false));
    EXPECT_TRUE(RegistryKey::open(RegRoot::CurrentUser, "Software\\Orvane", false));

    RegistryKey::open(RegRoot::CurrentUser, kKeyPath, true)->writeDWord("a", 1);
    RegistryKey::deleteTree(RegRoot::CurrentUser, "Software\\Orvane\\Other");
    DeleteRegistrySettings();
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, "Software\\Orvane", false));
    EXPECT_TRUE(RegistryKey::open(RegRoot::CurrentUser, "Software", false));
    EXPECT_EQ(std::filesystem::exists(root_ + "/registry/HKEY_CURRENT_USER.json"), true);

    writeIni({kSection});
    ::chmod(iniPath().toLocal8Bit().constData(), 0444);
    DeleteIniFile();
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(Catalogue, WindowPositionDefaultsCentreOnThePrimaryScreen) {
    int argc = 1;
    char name[] = "test_settings";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(DefaultScreenSize(), screen);
    TparameterList list("sig");
    TSettings settings(list);
    EXPECT_EQ(settings.Top.Default, (screen.height() - 522) / 2);
    EXPECT_EQ(settings.Left.Default, (screen.width() - 708) / 2);
}

} // namespace
