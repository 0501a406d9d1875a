#include "settings/super_action.h"

#include "support/gui_suite.h"

#include <gtest/gtest.h>

using namespace sp;

namespace {

std::string S(const QString& text) {
    return text.toStdString();
}

class ActionProtocol : public sptest::GuiSuite {
protected:
    void SetUp() override {
        ArgumentList.clear();
        plain.Onexecute = [this](QObject* sender) {
            ++runs;
            lastSender = sender;
            seenArguments = ArgumentList;
        };
    }

    TSuperAction plain;
    int runs = 0;
    QObject* lastSender = nullptr;
    QStringList seenArguments;
};

TEST_F(ActionProtocol, DisabledActionRunsNothingAndReportsFalse) {
    int prepares = 0;
    plain.Onprepare = [&](QObject*) { ++prepares; };
    plain.SetEnabled(false);
    ArgumentList = {"left over"};
    EXPECT_FALSE(plain.Execute());
    EXPECT_EQ(prepares + runs, 0);
    EXPECT_EQ(ArgumentList, QStringList{"left over"}); // not even cleared
    // Hidden is not disabled (QAction disables what it hides).
    plain.SetEnabled(true);
    plain.SetVisible(false);
    EXPECT_TRUE(plain.Execute());
}

TEST_F(ActionProtocol, PrepareFillsTheArgumentsOrCancelsTheRun) {
    ArgumentList = {"stale"};
    plain.Onprepare = [](QObject* sender) {
        EXPECT_TRUE(ArgumentList.isEmpty()); // cleared before the preparation
        EXPECT_NE(qobject_cast<TSuperAction*>(sender), nullptr);
        ArgumentList.append("/videos/a.mts");
    };
    EXPECT_TRUE(plain.Execute());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(lastSender, &plain);
    EXPECT_EQ(seenArguments, QStringList{"/videos/a.mts"});
    // A dismissed dialog: no handler runs, yet the run reports true.
    plain.Onprepare = [](QObject*) { PrepareOk = false; };
    EXPECT_TRUE(plain.Execute());
    EXPECT_EQ(runs, 1);
    // Without a handler nothing runs and the run reports false.
    TSuperAction bare;
    TtoggleAction toggle;
    EXPECT_FALSE(bare.Execute());
    EXPECT_FALSE(toggle.Execute());
}

TEST_F(ActionProtocol, QtTriggerGoesThroughExecuteAndFlipsOnlyByAutoCheck) {
    int prepares = 0;
    plain.Onprepare = [&](QObject*) { ++prepares; };
    plain.trigger(); // a menu item, a tool button or a key
    EXPECT_EQ(prepares, 1);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(plain.Checked());
    plain.SetAutoCheck(true);
    plain.trigger();
    EXPECT_TRUE(plain.Checked()); // flipped once
}

TEST_F(ActionProtocol, PropertiesReachQt) {
    std::vector<int> images;
    plain.OnImageChanged = [&](TCustomSuperAction&, int index) { images.push_back(index); };
    for (int index : {-1, 4, 4, 2})
        plain.Setimageindex(index);
    EXPECT_EQ(images, (std::vector<int>{4, 2})); // only real changes
    plain.SetSecondaryShortcuts({"Ctrl+G", "no such key"});
    plain.SetShortCut(TextToShortCut(u"F5"));
    EXPECT_EQ(plain.shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_G)}));
    plain.SetHint("a hint");
    EXPECT_EQ(S(plain.toolTip()), "a hint");
    plain.SetToken("D\u00C9CODEUR");
    EXPECT_EQ(plain.Token(), "d\u00E9codeur");
}

// A toggle like the main window's: each handler sets the state it leaves.
class ToggleAction : public sptest::GuiSuite {
protected:
    void SetUp() override {
        toggle.FalseCaption = toggle.FalseHint = "Turn sound off";
        toggle.TrueCaption = toggle.TrueHint = "Turn sound on";
        toggle.FalseImageIndex = 7;
        toggle.TrueImageIndex = 8;
        toggle.SetCaption("Turn sound off");
        toggle.OnfalseExecute = [this](QObject*) {
            ++switchedOn;
            toggle.SetChecked(true);
        };
        toggle.OnTrueExecute = [this](QObject*) {
            ++switchedOff;
            toggle.SetChecked(false);
        };
    }

    TtoggleAction toggle;
    int switchedOn = 0;
    int switchedOff = 0;
};

TEST_F(ToggleAction, SetCheckedInstallsTheStateAndItsHandler) {
    toggle.SetChecked(true);
    EXPECT_TRUE(toggle.Checked());
    EXPECT_EQ(S(toggle.Caption()), "Turn sound on");
    EXPECT_EQ(S(toggle.Hint()), "Turn sound on");
    EXPECT_EQ(toggle.imageindex(), 8);
    EXPECT_TRUE(toggle.RunHandler(&toggle));
    EXPECT_EQ(switchedOff, 1);
    EXPECT_EQ(S(toggle.Caption()), "Turn sound off");
    EXPECT_EQ(toggle.imageindex(), 7);
    // Qt's trigger runs the handler of the state before the click.
    toggle.trigger();
    toggle.trigger();
    toggle.trigger();
    EXPECT_EQ(switchedOn, 2);
    EXPECT_EQ(switchedOff, 2);
    EXPECT_TRUE(toggle.Checked());
}

TEST_F(ToggleAction, AutoCheckFlipShowsTheNewCaptionOnlyAfterTheNextRun) {
    // Handlers that read the state instead of setting it (as the inlay bold does).
    bool featureOn = false;
    toggle.OnfalseExecute = toggle.OnTrueExecute = [&](QObject*) { featureOn = toggle.Checked(); };
    toggle.SetAutoCheck(true);
    EXPECT_TRUE(toggle.Execute());
    EXPECT_TRUE(toggle.Checked());
    EXPECT_TRUE(featureOn);
    EXPECT_EQ(S(toggle.Caption()), "Turn sound off"); // still the unchecked caption
    EXPECT_TRUE(toggle.Execute()); // re-applies the checked state first, then flips again
    EXPECT_FALSE(toggle.Checked());
    EXPECT_FALSE(featureOn);
    EXPECT_EQ(S(toggle.Caption()), "Turn sound on");
}

} // namespace
