// The stillpick program as a user starts it: a command line that opens a file, goes to a
// position and quits, with the settings in a portable file beside the program. And a picture
// of the window with a video loaded, written into the build tree.

#include "app_fixture.h"
#include "portable_program.h"

#include "app/video_view.h"
#include "settings/ini_file.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>

namespace apptest {
namespace {

using namespace sp;

TEST(Program, RunsACommandLineAndSavesItsPortableSettings) {
    PortableProgram program;
    const QString clip = program.CopyMedia("avi_mjpeg.avi", "my clip.avi");
    QProcess run;
    program.Start(run, {"+open=" + clip, "+position=0:00:01:00", "+op", "+q"});
    ASSERT_TRUE(run.waitForFinished(60000)) << "the program did not end by itself";
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    const QByteArray errors = run.readAllStandardError();
    EXPECT_EQ(run.exitCode(), 0) << errors.toStdString();
    EXPECT_FALSE(errors.contains("XDG_RUNTIME_DIR")) << errors.toStdString();

    const QString text = program.IniText();
    EXPECT_TRUE(text.contains("Panneau Actif=4")) << text.toStdString(); // "+op": Settings panel
    EXPECT_TRUE(text.contains("Signature=Stillpick 5.0.6 En by Orvane")) << text.toStdString();
    EXPECT_FALSE(QFile::exists(program.Path("registry/HKCU.json")));
}

TEST(Program, AnswersVersionWithoutAWindow) {
    QProcess run;
    run.start(SP_STILLPICK_PROGRAM, {"--version"});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(run.readAllStandardOutput().startsWith("Stillpick 5.0.6 En by Orvane"));
}

class Screenshot : public AppTest {};

// Writes screenshots/main_window.png (and the smallest size) into the build tree.
TEST_F(Screenshot, TheWindowWithAVideoLoaded) {
    Open();
    W().resize(1000, 700);
    W().LoadVideoFile(Copy("mpeg2_16x9.mpg", "holiday.mpg"));
    ASSERT_TRUE(W().Media->HasVideo());
    W().ExecuteToken("second_forward");
    W().PositionTimerStep();
    QElapsedTimer clock;
    clock.start();
    while (!W().Widgets().View()->hasPicture() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(W().Widgets().View()->hasPicture());
    QDir().mkpath(SP_SCREENSHOT_DIR);
    QCoreApplication::processEvents();
    EXPECT_TRUE(W().grab().save(QString(SP_SCREENSHOT_DIR) + "/main_window.png"));
    W().resize(708, 522);
    QCoreApplication::processEvents();
    EXPECT_TRUE(W().grab().save(QString(SP_SCREENSHOT_DIR) + "/main_window_minimum.png"));
    EXPECT_GT(W().Widgets().View()->width(), 100);
}

} // namespace
} // namespace apptest
