#include "settings/super_action.h"

#include "support/gui_suite.h"

#include <gtest/gtest.h>

#include <memory>

using namespace sp;

namespace {

class ActionProperties : public sptest::GuiSuite {};

// Readable QString values in failure messages.
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
    ArgumentList = {QStringLiteral("left over")};
    EXPECT_FALSE(plain.Execute());
    EXPECT_EQ(prepares, 0);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(ArgumentList, QStringList{QStringLiteral("left over")}); // not even cleared
}

TEST_F(ActionProtocol, PrepareFillsTheArgumentsOrCancelsTheRun) {
    ArgumentList = {QStringLiteral("stale")};
    plain.Onprepare = [](QObject* sender) {
        EXPECT_TRUE(ArgumentList.isEmpty()); // cleared before the preparation
        EXPECT_NE(qobject_cast<TSuperAction*>(sender), nullptr);
        ArgumentList.append(QStringLiteral("/videos/a.mts"));
    };
    EXPECT_TRUE(plain.Execute());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(lastSender, &plain);
    EXPECT_EQ(seenArguments, QStringList{QStringLiteral("/videos/a.mts")});

    // A dismissed dialog: no handler runs, yet the run reports true.
    plain.Onprepare = [](QObject*) { PrepareOk = false; };
    EXPECT_TRUE(plain.Execute());
    EXPECT_EQ(runs, 1);
}

TEST_F(ActionProtocol, UnattachedHandlerDoesNothingAndReportsFalse) {
    TSuperAction bare;
    EXPECT_FALSE(bare.HasHandler());
    EXPECT_FALSE(bare.Execute());
    TtoggleAction toggle;
    EXPECT_FALSE(toggle.Execute());
    EXPECT_FALSE(toggle.Checked());
}

TEST_F(ActionProtocol, QtTriggerGoesThroughExecuteWithoutFlippingAPlainAction) {
    int prepares = 0;
    plain.Onprepare = [&](QObject*) { ++prepares; };
    plain.trigger(); // a menu item, a tool button or a key
    EXPECT_EQ(prepares, 1);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(plain.Checked());

    plain.SetAutoCheck(true);
    plain.trigger();
    EXPECT_TRUE(plain.Checked()); // flipped once, by the auto-check step only
}

TEST_F(ActionProtocol, EnabledDoesNotFollowVisible) {
    plain.SetVisible(false);
    EXPECT_TRUE(plain.Enabled());
    EXPECT_TRUE(plain.Execute());
    EXPECT_EQ(runs, 1);
}

TEST_F(ActionProperties, ScriptNamesAreStoredLowerCased) {
    TSuperAction action;
    action.SetToken(QStringLiteral("Full_Screen"));
    action.SetSwitch(QStringLiteral("FS"));
    EXPECT_EQ(S(action.Token()), "full_screen");
    EXPECT_EQ(S(action.Switch()), "fs");
    action.SetToken(QStringLiteral("D\u00C9CODEUR"));
    EXPECT_EQ(action.Token(), QStringLiteral("d\u00E9codeur"));
}

TEST_F(ActionProperties, ImageChangeIsReportedOnlyWhenTheIndexChanges) {
    TSuperAction action;
    std::vector<int> reported;
    action.OnImageChanged = [&](TCustomSuperAction& sender, int index) {
        EXPECT_EQ(&sender, &action);
        reported.push_back(index);
    };
    EXPECT_EQ(action.imageindex(), -1);
    action.Setimageindex(-1);
    action.Setimageindex(4);
    action.Setimageindex(4);
    action.Setimageindex(2);
    EXPECT_EQ(reported, (std::vector<int>{4, 2}));
}

TEST_F(ActionProperties, ShortcutsReachQtPrimaryFirst) {
    TSuperAction action;
    action.SetSecondaryShortcuts({QStringLiteral("Ctrl+G"), QStringLiteral("no such key")});
    action.SetShortCut(TextToShortCut(u"F5"));
    EXPECT_EQ(action.shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_G)}));
    EXPECT_EQ(action.SecondaryShortcuts().size(), 2); // the unknown text is kept
    action.SetShortCut(scNone);
    EXPECT_EQ(action.shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_G)});
}

// A toggle like the main window's: each handler sets the state it leaves.
class ToggleAction : public sptest::GuiSuite {
protected:
    void SetUp() override {
        toggle.FalseCaption = QStringLiteral("Turn sound off");
        toggle.TrueCaption = QStringLiteral("Turn sound on");
        toggle.FalseHint = QStringLiteral("off hint");
        toggle.TrueHint = QStringLiteral("on hint");
        toggle.FalseImageIndex = 7;
        toggle.TrueImageIndex = 8;
        toggle.SetCaption(QStringLiteral("Turn sound off"));
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
    EXPECT_EQ(S(toggle.Hint()), "on hint");
    EXPECT_EQ(S(toggle.toolTip()), "on hint");
    EXPECT_EQ(toggle.imageindex(), 8);
    EXPECT_TRUE(toggle.RunHandler(&toggle));
    EXPECT_EQ(switchedOff, 1);
    EXPECT_EQ(S(toggle.Caption()), "Turn sound off");
    EXPECT_EQ(toggle.imageindex(), 7);
}

TEST_F(ToggleAction, ExecuteAlternatesTheTwoHandlers) {
    EXPECT_TRUE(toggle.Execute());
    EXPECT_TRUE(toggle.Execute());
    EXPECT_TRUE(toggle.Execute());
    EXPECT_EQ(switchedOn, 2);
    EXPECT_EQ(switchedOff, 1);
    EXPECT_TRUE(toggle.Checked());
}

TEST_F(ToggleAction, AutoCheckFlipShowsTheNewCaptionOnlyAfterTheNextRun) {
    // A handler that reads the state instead of setting it (as the inlay bold does).
    bool featureOn = false;
    toggle.OnfalseExecute = toggle.OnTrueExecute = [&](QObject*) { featureOn = toggle.Checked(); };
    toggle.SetAutoCheck(true);
    toggle.SetChecked(false);

    EXPECT_TRUE(toggle.Execute());
    EXPECT_TRUE(toggle.Checked());
    EXPECT_TRUE(featureOn);
    EXPECT_EQ(S(toggle.Caption()), "Turn sound off"); // still the unchecked caption

    EXPECT_TRUE(toggle.Execute()); // re-applies the checked state first, then flips again
    EXPECT_FALSE(toggle.Checked());
    EXPECT_FALSE(featureOn);
    EXPECT_EQ(S(toggle.Caption()), "Turn sound on");
}

TEST_F(ToggleAction, QtTriggerRunsTheHandlerOfTheStateBeforeTheClick) {
    toggle.trigger(); // unchecked: the switch-on handler, which checks it
    EXPECT_EQ(switchedOn, 1);
    EXPECT_TRUE(toggle.Checked());
    toggle.trigger();
    EXPECT_EQ(switchedOff, 1);
    EXPECT_FALSE(toggle.Checked());
}

} // namespace
