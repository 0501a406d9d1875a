#include "settings/script.h"

#include "support/action_recorder.h"
#include "support/gui_suite.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <random>

using namespace sp;
using sptest::ActionRecorder;

namespace {

using Names = std::vector<std::string>;

// The real action list with recording handlers, a script runner over it and a folder for files.
class ScriptRun : public sptest::GuiSuite {
protected:
    ScriptRun() : recorder(al) {
        script.actionlist = &al;
        script.OnQuit = [this](QObject* sender) {
            EXPECT_EQ(sender, &script);
            EXPECT_FALSE(script.Executing());
            ++quits;
        };
        CommandBusy = false;
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    void RunText(const QByteArray& text) { script.RunFile(Write("script.txt", text)); }

    TActionList al;
    ActionRecorder recorder;
    TScript script;
    QTemporaryDir dir;
    int quits = 0;
};

TEST_F(ScriptRun, CommandsRunInOrderWithOneArgumentEach) {
    RunText("open \"/videos/a b.mts\"\n; remark\n\ngrab\njpeg=85\n");
    ASSERT_EQ(recorder.Names(), (Names{"saOpenFile", "saGrab", "saJpgOption"}));
    EXPECT_EQ(recorder.calls[0].arguments, QStringList{"/videos/a b.mts"});
    EXPECT_EQ(recorder.calls[1].arguments, QStringList{""}); // always one item
    EXPECT_EQ(recorder.calls[2].arguments, QStringList{"85"});
    EXPECT_EQ(recorder.calls[1].sender, &script);
    EXPECT_TRUE(script.Commands.empty()); // cleared after the run
    EXPECT_FALSE(script.Executing());
    EXPECT_EQ(quits, 0);
}

TEST_F(ScriptRun, ScriptsNeverRunThePreparation) {
    int prepares = 0;
    al.OnPrepare("saPosition", [&](QObject*) {
        PrepareOk = false;
        ++prepares;
    });
    RunText("position 0:00:01:00\n");
    EXPECT_EQ(prepares, 0);
    EXPECT_EQ(recorder.Names(), Names{"saPosition"});
    // The interactive path refuses it and still reports true.
    EXPECT_TRUE(al.Find("saPosition")->Execute());
    EXPECT_EQ(prepares, 1);
    EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST_F(ScriptRun, SwitchKindsPickTheHandlerOfATwoStateAction) {
    TtoggleAction& mute = *al.Toggle("taMute");
    RunText("mute=true\n+m\n-mute\nmute false\n/m\nm toggle\nmute\n");
    EXPECT_EQ(recorder.Names(), (Names{"taMute:on", "taMute:on", "taMute:off", "taMute:off",
                                       "taMute:on", "taMute:off", "taMute:on"}));
    // The flag flipped before each handler, as an interactive run does, and the handler left it
    // in its own state: the sound is off and the caption offers to turn it on.
    EXPECT_TRUE(recorder.calls[0].checkedAtCall);
    EXPECT_TRUE(mute.Checked());
    EXPECT_EQ(mute.Caption().toStdString(), "Turn sound on");
}

TEST_F(ScriptRun, AutoCheckFlipOfAFlagReadingToggle) {
    recorder.flagReaders = {"taBold"};
    TtoggleAction& bold = *al.Toggle("taBold");
    RunText("ib\n");
    ASSERT_EQ(recorder.Names(), Names{"taBold:on"});
    EXPECT_TRUE(recorder.calls[0].checkedAtCall);
    EXPECT_TRUE(bold.Checked());
    EXPECT_EQ(bold.Caption().toStdString(), "Bold"); // the new caption comes with the next run
    RunText("ib\n");
    EXPECT_EQ(recorder.Names(), (Names{"taBold:on", "taBold:off"}));
    EXPECT_FALSE(bold.Checked());
    EXPECT_EQ(bold.Caption().toStdString(), ""); // the checked caption of taBold is empty
}

TEST_F(ScriptRun, DisabledActionsAreSkipped) {
    al.Find("saGrab")->SetEnabled(false);
    RunText("grab\ncopy\n");
    EXPECT_EQ(recorder.Names(), Names{"saCopier"});
}

TEST_F(ScriptRun, QuitClosesAfterTheRunAlsoWithNothingElseToRun) {
    RunText("quit\ngrab\ncopy\n");
    EXPECT_EQ(recorder.Names(), (Names{"saGrab", "saCopier"}));
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(script.QuitRequested);

    RunText("quit\nno such command\n"); // a script of only "quit" must not leave us running
    EXPECT_EQ(quits, 2);
    EXPECT_FALSE(script.QuitRequested);
    RunText("");
    RunText("grab\n"); // a quit honoured does not linger
    EXPECT_EQ(quits, 2);
}

TEST_F(ScriptRun, AbortStopsBeforeTheNextCommandAndStillQuits) {
    al.OnExecute("saAbort", [&](QObject*) { script.Abort(); });
    RunText("grab\na\ncopy\nquit\n"); // "a": the switch of saAbort
    EXPECT_EQ(recorder.Names(), Names{"saGrab"});
    EXPECT_EQ(quits, 1);
}

TEST_F(ScriptRun, HandlersMoveThePosition) {
    // "next" jumps back to the command after "open" twice, then lets the run go on.
    int loops = 0;
    al.OnExecute("saBouclerScript", [&](QObject*) {
        if (loops++ < 2) script.Position = 0;
    });
    RunText("open x\ngrab\nnext\ncopy\n");
    EXPECT_EQ(recorder.Names(), (Names{"saOpenFile", "saGrab", "saGrab", "saGrab", "saCopier"}));
    // A position below the first command restarts from the first; one past the end ends it.
    recorder.calls.clear();
    loops = 0;
    al.OnExecute("saBouclerScript", [&](QObject*) { script.Position = loops++ ? 99 : -50; });
    RunText("grab\nnext\ncopy\n");
    EXPECT_EQ(recorder.Names(), (Names{"saGrab", "saGrab"}));
}

TEST_F(ScriptRun, TheNextCommandWaitsWhileBusy) {
    QElapsedTimer clock;
    qint64 copyAt = 0;
    al.OnExecute("saOpenFile", [&](QObject*) {
        CommandBusy = true;
        QTimer::singleShot(60, [] { CommandBusy = false; });
    });
    al.OnExecute("saCopier", [&](QObject*) { copyAt = clock.elapsed(); });
    clock.start();
    RunText("open x\ncopy\n");
    EXPECT_GE(copyAt, 55);

    // Esc while busy ends the run at once.
    al.OnExecute("saOpenFile", [&](QObject*) {
        CommandBusy = true;
        QTimer::singleShot(20, [&] { script.Abort(); });
    });
    copyAt = -1;
    RunText("open x\ncopy\n");
    EXPECT_EQ(copyAt, -1);
    CommandBusy = false;
}

TEST_F(ScriptRun, WaitBlocksTheThreadForItsMilliseconds) {
    bool timerFired = false;
    std::vector<bool> firedDuringWait;
    std::vector<qint64> waited;
    QObject timers; // the last timer must not fire into a later test
    al.OnExecute("saWait", [&](QObject* sender) {
        timerFired = false;
        QTimer::singleShot(1, &timers, [&] { timerFired = true; });
        QElapsedTimer clock;
        clock.start();
        WaitHandler(sender);
        waited.push_back(clock.elapsed());
        firedDuringWait.push_back(timerFired);
    });
    RunText("wait=40\nwait 40\nwt     40\nwait\nwait=abc\nwait=-5\n");
    ASSERT_EQ(waited.size(), 6u);
    for (int i = 0; i < 3; ++i)
        EXPECT_GE(waited[size_t(i)], 40) << i;
    for (int i = 3; i < 6; ++i)
        EXPECT_LT(waited[size_t(i)], 30) << i;
    EXPECT_EQ(firedDuringWait, std::vector<bool>(6, false)); // no event was processed
}

TEST_F(ScriptRun, FilesThatCannotBeReadRunNothingAndSaySo) {
    script.ParseLine(u"grab");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(script.LoadFile(dir.filePath("missing.txt")));
    EXPECT_FALSE(script.LoadFile(dir.path()));
    const QString big = Write("big.txt", "grab\n");
    QFile(big).resize(kMaxScriptBytes + 1);
    EXPECT_FALSE(script.LoadFile(big));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("missing.txt not run"), std::string::npos) << said;
    EXPECT_NE(said.find("big.txt not run: larger than"), std::string::npos) << said;
    EXPECT_EQ(script.Commands.size(), 1u); // untouched
    script.Commands.clear();
    ::testing::internal::CaptureStderr();
    script.RunFile(dir.filePath("missing.txt"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(ScriptRun, InnerScriptReplacesTheCommands) {
    const QString inner = Write("inner.txt", "copy\n");
    al.OnExecute("saScript", [&](QObject*) { script.RunFile(ArgumentList.value(0)); });
    RunText("grab\nscript \"" + inner.toUtf8() + "\"\ngrab\n");
    EXPECT_EQ(recorder.Names(), (Names{"saGrab", "saCopier"}));
    // A missing inner script leaves the outer one running.
    recorder.calls.clear();
    ::testing::internal::CaptureStderr();
    RunText("grab\nscript nothing.txt\ncopy\n");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorder.Names(), (Names{"saGrab", "saCopier"}));
}

TEST_F(ScriptRun, AScriptRunningItselfStopsAtTheDepthBound) {
    al.OnExecute("saScript", [&](QObject*) { script.RunFile(ArgumentList.value(0)); });
    const QString self = dir.filePath("self.txt");
    Write("self.txt", "grab\nscript \"" + self.toUtf8() + "\"\ncopy\nquit\n");
    ::testing::internal::CaptureStderr();
    script.RunFile(self);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("nested deeper than"), std::string::npos) << said;
    // Each level grabs; the deepest, refused its inner run, goes on to copy; then all end.
    EXPECT_EQ(recorder.Names().size(), size_t(kMaxRunDepth) + 1);
    EXPECT_EQ(recorder.Names().back(), "saCopier");
    EXPECT_EQ(quits, 1); // once, when the outermost run ends
    EXPECT_FALSE(script.Executing());
}

TEST_F(ScriptRun, AFailureEndsTheRunAndReachesTheCaller) {
    al.OnExecute("saGrab", [](QObject*) { throw std::runtime_error("disk full"); });
    EXPECT_THROW(RunText("quit\ngrab\ncopy\n"), std::runtime_error);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(script.Executing());
    EXPECT_TRUE(script.Commands.empty());
}

// Random files through LoadFile and Run: whatever they hold, the run ends.
TEST_F(ScriptRun, RandomFilesLoadAndRun) {
    std::mt19937 random(4242);
    std::uniform_int_distribution<int> anyByte(0, 255);
    const QByteArray words[] = {
        "grab", "mute",   "+m",   "=",        "\"",   " ",    "\n",
        "\r\n", "wait=1", "open", "\xFF\xFE", "true", "next", QByteArray(1, '\0')};
    int ran = 0;
    for (int round = 0; round < 120; ++round) {
        QByteArray bytes;
        const int pieces = int(random() % 200);
        for (int i = 0; i < pieces; ++i)
            bytes += random() % 2 ? words[random() % std::size(words)]
                                  : QByteArray(1, char(anyByte(random)));
        recorder.calls.clear();
        RunText(bytes);
        ran += int(recorder.calls.size());
        ASSERT_FALSE(script.Executing());
    }
    EXPECT_GT(ran, 40);
}

class CommandLine : public sptest::GuiSuite {
protected:
    CommandLine() : recorder(al) {}

    std::unique_ptr<TSwitch> Runner(const QStringList& arguments) {
        auto runner = std::make_unique<TSwitch>(arguments);
        runner->actionlist = &al;
        runner->OnActivate = [this](QObject*) { ++activations; };
        runner->OnNoCommandLine = [this](QObject*) { ++noCommandLine; };
        runner->OnQuit = [this](QObject*) { ++quits; };
        return runner;
    }

    TActionList al;
    ActionRecorder recorder;
    int activations = 0;
    int noCommandLine = 0;
    int quits = 0;
};

TEST_F(CommandLine, RunsOnceOnTheFirstActivation) {
    auto runner = Runner({"/videos/a.mts", "+open=/videos/a b.mts", "+g", "-fs", "+quit"});
    EXPECT_FALSE(runner->Activated());
    runner->Activate();
    EXPECT_TRUE(runner->Activated());
    ASSERT_EQ(recorder.Names(), (Names{"saOpenFile", "saGrab", "tafullscreen:off"}));
    EXPECT_EQ(recorder.calls[0].arguments, QStringList{"/videos/a b.mts"});
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(activations, 1);
    EXPECT_TRUE(runner->Commands.empty());

    runner->Activate(); // later activations only call the handler
    EXPECT_EQ(recorder.calls.size(), 3u);
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(noCommandLine, 0);
}

TEST_F(CommandLine, NothingToRunCallsTheNoCommandLineHandler) {
    auto runner = Runner({"/videos/a.mts", "video.avi", "+nothing"});
    runner->Activate();
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(noCommandLine, 1);
    EXPECT_EQ(quits, 0);
    // "+quit" with nothing else closes the program rather than leaving it open.
    auto quitting = Runner({"video.avi", "+quit"});
    quitting->Activate();
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(noCommandLine, 1);
    EXPECT_EQ(quits, 1);
}

} // namespace
