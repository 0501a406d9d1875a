// Portable mode where the program's folder takes no file (installed for all users): choosing it
// says so at once and keeps the settings where they are, instead of losing them at closing.

#include "app_fixture.h"

namespace apptest {
namespace {

using namespace sp;

class PortableMode : public AppTest {
protected:
    // The program's "folder" is a plain file: nothing can be created in it, even by root.
    void SetUp() override {
        AppTest::SetUp();
        QFile blocker(Path("installed"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        SetProgramFilePath(Path("installed/stillpick"));
    }
    bool WarnedAboutTheFolder() const {
        return !warnings.isEmpty() && warnings.back().contains(ProgramFolder()) &&
               warnings.back().contains("cannot be written to");
    }
};

TEST_F(PortableMode, RefusedWithAMessageAndTheRegistrySettingsKept) {
    Open();
    W().ExecuteToken("save_prefs", "registry");
    W().S->IVolume.Value = 1234;
    ASSERT_TRUE(Close());
    Open();
    ASSERT_EQ(W().S->IVolume.Value, 1234);

    W().ExecuteToken("save_prefs", "portable"); // from a script
    EXPECT_EQ(SaveMode, pmRegistry);
    EXPECT_EQ(W().Widgets().PrefsItem(), int(pmRegistry));
    EXPECT_TRUE(WarnedAboutTheFolder()) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings.back().contains("The settings stay in your settings folder."));
    W().PrefsModeChanged(pmPortable); // a click on the Settings panel's item
    EXPECT_EQ(SaveMode, pmRegistry);
    EXPECT_EQ(W().Widgets().PrefsItem(), int(pmRegistry));
    EXPECT_EQ(warnings.size(), 2);
    EXPECT_NE(W().S->DossierSave.Value, ProgramFolder() + "/");

    ASSERT_TRUE(Close());
    Open();
    EXPECT_EQ(SaveMode, pmRegistry);
    EXPECT_EQ(W().S->IVolume.Value, 1234);
}

TEST_F(PortableMode, AnsweredAtClosingTheWindowClosesAndSaysNothingWasKept) {
    Open();
    W().ExecuteToken("save_prefs", "none");
    answer = pmPortable;
    EXPECT_TRUE(Close());
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(WarnedAboutTheFolder()) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings.back().contains("The settings are not saved."));
    EXPECT_FALSE(QFileInfo::exists(IniFileName()));
}

// Where the folder does take files, the choice goes through as before.
TEST_F(AppTest, PortableModeChosenInAWritableFolderWarnsOfNothing) {
    Open();
    W().ExecuteToken("save_prefs", "portable");
    EXPECT_EQ(SaveMode, pmPortable);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    EXPECT_TRUE(QDir(ProgramFolder()).entryList(QDir::Hidden | QDir::Files).isEmpty())
        << "the probe file was left behind";
}

} // namespace
} // namespace apptest
