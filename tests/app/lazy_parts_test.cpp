// Parts of the window made when first needed: the error report window at the first report, the
// save-mode question when the first closing asks it (offscreen it takes "Normal"), and
// a command line or script that ends the program opening its files without pictures kept for
// steps back (while one that leaves the window to the user keeps them) and looking for a file's
// scenes in its pictures only when a scene step needs them.

#include "app_fixture.h"

#include "app/panels/sources_frame.h"
#include "app/save_prefs_form.h"
#include "app/show_form_widgets.h"
#include "media/media_system.h"
#include "ui/erreur_form.h"

namespace apptest {
namespace {

using namespace sp;

using LazyParts = AppTest;

TEST_F(LazyParts, TheErrorReportWindowIsMadeByTheFirstReportAndKept) {
    StartWith({}, false);
    EXPECT_EQ(W().findChild<TErreurForm*>(), nullptr);
    W().ShowErrorReport("<b>first</b> fault");
    auto* report = W().findChild<TErreurForm*>();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->ReportText.contains("first")) << report->ReportText.toStdString();
    W().ShowErrorReport("second fault");
    EXPECT_EQ(W().findChildren<TErreurForm*>().size(), 1);
    EXPECT_TRUE(report->ReportText.contains("second")) << report->ReportText.toStdString();
}

TEST_F(LazyParts, TheSaveModeQuestionIsMadeByTheFirstClosingThatAsksIt) {
    window_ = std::make_unique<TShowForm>(); // the question as the program asks it
    window_->show();
    EXPECT_EQ(W().findChild<TSavePrefsForm*>(), nullptr);
    ASSERT_TRUE(W().close());
    auto* question = W().findChild<TSavePrefsForm*>();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->Choice, pmRegistry);
}

TEST_F(LazyParts, OnlyACommandLineThatEndsTheProgramGivesUpStepsBack) {
    const QString clip = QString::fromStdString(MediaPath("avi_mjpeg.avi"));
    StartWith({"+open=" + clip, "+second_forward"});
    ASSERT_TRUE(W().Media->HasVideo());
    EXPECT_TRUE(W().Media->StepsBack);
    StartWith({"+open=" + clip, "+quit"});
    EXPECT_FALSE(W().Media->StepsBack);
    EXPECT_FALSE(W().isVisible());
    // A later activation (the window brought to the front) runs nothing again.
    StartWith({});
    EXPECT_TRUE(W().Media->StepsBack);
    W().RunCommandLine();
    EXPECT_TRUE(W().Media->StepsBack);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

TEST_F(LazyParts, AScriptThatEndsTheProgramGivesUpStepsBackBeforeItOpens) {
    const QString clip = QString::fromStdString(MediaPath("avi_mjpeg.avi"));
    auto script = [&](const QString& name, const QString& text) {
        const QString path = Path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    };
    StartWith({"+script=" + script("stay.txt", "open \"" + clip + "\"\n")});
    ASSERT_TRUE(W().Media->HasVideo());
    EXPECT_TRUE(W().Media->StepsBack);
    StartWith({"+script=" + script("grab.txt", "open \"" + clip + "\"\nquit\n")});
    EXPECT_FALSE(W().Media->StepsBack);
    EXPECT_FALSE(W().isVisible());
}

// scene_cuts.mp4 cuts at frames 40, 80 and 120 and has no scene file beside it.
TEST_F(LazyParts, ARunThatEndsTheProgramLooksForScenesOnlyWhenAStepNeedsThem) {
    constexpr int64_t kFrameHns = 400'000;
    const QString clip = Copy("scene_cuts.mp4", "cuts.mp4");
    Open().Media->StepsBack = false; // as a run that ends the program sets it
    W().LoadVideoFile(clip);
    ASSERT_TRUE(W().Media->HasVideo());
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::Deferred);
    EXPECT_EQ(W().Widgets().Sources()->scenesText(), "");
    // The first scene step finds them, waits for them and steps on them.
    W().Media->SetPosition(10 * kFrameHns);
    W().ExecuteToken("track_forward");
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::Pictures);
    ASSERT_EQ(W().Scenes.Count(), 4);
    EXPECT_NEAR(double(W().Media->LastPosition) / kFrameHns, 40, 1);
    EXPECT_EQ(W().Widgets().Sources()->scenesText(), "Scenes: 4 found in the picture");

    // From the command line, as a file manager's "Open with" would run it.
    StartWith({"+open=" + clip, "+track_forward", "+quit"});
    EXPECT_FALSE(W().isVisible());
    EXPECT_EQ(W().Scenes.Count(), 4); // the list outlives the file

    // A window left to the user looks for them at once, in the background.
    StartWith({"+open=" + clip});
    EXPECT_NE(W().SceneSource(), TShowForm::SceneOrigin::Deferred);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

} // namespace
} // namespace apptest
