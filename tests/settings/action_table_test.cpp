#include "settings/action_table.h"

#include "support/gui_suite.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QSet>

#include <set>
#include <stdexcept>

using namespace sp;

namespace {

class MainActionTable : public sptest::GuiSuite {};
class ActionBinding : public sptest::GuiSuite {};

std::string S(const QString& text) {
    return text.toStdString();
}

TEST_F(MainActionTable, HoldsTheEightySixActionsInListOrder) {
    TActionList al;
    ASSERT_EQ(al.Count(), 86);
    EXPECT_EQ(S(al.Items(0)->objectName()), "saGrab");
    EXPECT_EQ(S(al.Items(1)->objectName()), "tafullscreen");
    EXPECT_EQ(S(al.Items(55)->objectName()), "saAbort");
    EXPECT_EQ(S(al.Items(85)->objectName()), "saPerso1");
    std::set<std::string> names;
    for (int i = 0; i < al.Count(); ++i) {
        EXPECT_EQ(S(al.Items(i)->objectName()), ActionTable()[size_t(i)].Name);
        names.insert(S(al.Items(i)->objectName()));
        EXPECT_EQ(al.Find(al.Items(i)->objectName()), al.Items(i));
    }
    EXPECT_EQ(names.size(), 86u);
}

TEST_F(MainActionTable, KindsCaptionsAndScriptNamesAsDefined) {
    TActionList al;
    EXPECT_NE(al.Plain("taFontsize"), nullptr); // a one-state action despite its name
    EXPECT_NE(al.Plain("acQuitter"), nullptr);
    ASSERT_NE(al.Toggle("taBold"), nullptr);
    EXPECT_EQ(al.Toggle("saGrab"), nullptr);
    EXPECT_EQ(al.Plain("taMute"), nullptr);

    EXPECT_EQ(S(al.Find("saGrab")->Caption()), "Grab!\u00A9");
    EXPECT_EQ(S(al.Toggle("taForcerDecodeur")->TrueCaption),
              "Ne pas forcer le d\u00E9codeur\u00A9");
    EXPECT_EQ(S(al.Toggle("taHorzFlip")->Caption()), "Flip horizontally");
    EXPECT_EQ(S(al.Toggle("taConfirmerImages")->Caption()), "Ask for a confirmation");
    EXPECT_TRUE(al.Toggle("taBold")->TrueCaption.isEmpty());
    EXPECT_EQ(S(al.Find("saGrab")->Category()), "action");

    // Script names are lower-cased whatever case the definitions give.
    EXPECT_EQ(S(al.Find("acQuitter")->Token()), "quitter");
    EXPECT_EQ(S(al.Find("taraccourcis")->Token()), "shortcuts");
    EXPECT_EQ(S(al.Find("saAbort")->Token()), "interrompre");
    EXPECT_EQ(S(al.Find("saBorderSize")->Token()), "border size");
    EXPECT_EQ(S(al.Find("saBouclerScript")->Switch()), "+");
    EXPECT_TRUE(al.Find("taUnderlined")->Switch().isEmpty());
    EXPECT_TRUE(al.Find("taUnderlined")->Token().isEmpty());
    for (TCustomSuperAction* action : al.Actions()) {
        EXPECT_EQ(action->Switch(), action->Switch().toLower());
        EXPECT_EQ(action->Token(), action->Token().toLower());
        EXPECT_FALSE(action->Hint().isEmpty()) << S(action->objectName());
    }
}

TEST_F(MainActionTable, AutoCheckIsSetOnExactlyTheEighteenStateSettings) {
    const QSet<QString> expected = {"taDecalage",
                                    "taMute",
                                    "taImagesDeinterlacer",
                                    "taConfirmerImages",
                                    "taIntervalloShow",
                                    "taIntervalloGo",
                                    "taVitesseMaxi",
                                    "taModePrecision",
                                    "taSliders",
                                    "taReduire",
                                    "taTraiterErreurs",
                                    "taSauverQuandClic",
                                    "taMTSVitesseMaxi",
                                    "taParametrerFiltres",
                                    "taForcerDecodeur",
                                    "taBold",
                                    "taItalic",
                                    "taUnderlined"};
    TActionList al;
    QSet<QString> autoChecked;
    for (TCustomSuperAction* action : al.Actions())
        if (action->AutoCheck()) autoChecked.insert(action->objectName());
    EXPECT_EQ(autoChecked, expected);
}

TEST_F(MainActionTable, ShortcutsAreUnderstoodAndNeverShared) {
    for (const TActionRow& row : ActionTable()) {
        if (*row.ShortCut) {
            EXPECT_NE(TextToShortCut(QString::fromUtf8(row.ShortCut)), scNone) << row.Name;
        }
        if (*row.Secondary) {
            EXPECT_NE(TextToShortCut(QString::fromUtf8(row.Secondary)), scNone) << row.Name;
        }
    }
    TActionList al;
    EXPECT_EQ(al.Find("saGrab")->ShortCut(), 0x74);
    EXPECT_EQ(al.Find("saGrab")->SecondaryShortcuts(), QStringList{"Ctrl+G"});
    EXPECT_EQ(al.Find("saIncVolume")->ShortCut(), scNone);
    AssignStartupShortcuts(al);
    EXPECT_EQ(S(ShortCutToText(al.Find("saIncVolume")->ShortCut())), "Num +");
    EXPECT_EQ(al.Find("saIncVolume")->SecondaryShortcuts(), QStringList{"Alt+P"});
    EXPECT_EQ(S(ShortCutToText(al.Find("saDecVolume")->ShortCut())), "Num -");
    EXPECT_EQ(al.Find("saDecVolume")->SecondaryShortcuts(), QStringList{"Alt+M"});

    // Qt fires neither of two actions sharing a key in one window.
    std::map<QString, QString> owner;
    for (TCustomSuperAction* action : al.Actions())
        for (const QKeySequence& key : action->shortcuts()) {
            const auto [it, fresh] = owner.emplace(key.toString(), action->objectName());
            EXPECT_TRUE(fresh) << S(key.toString()) << " on " << S(it->second) << " and "
                               << S(action->objectName());
        }
    EXPECT_EQ(owner.size(), 68u);
}

TEST_F(ActionBinding, HandlersAttachByName) {
    TActionList al;
    EXPECT_EQ(al.Unbound().size(), 86);
    int grabs = 0;
    al.OnExecute("saGrab", [&](QObject*) { ++grabs; });
    std::vector<std::string> muteCalls;
    al.OnSwitch(
        "taMute",
        [&](QObject*) {
            muteCalls.push_back("on");
            al.Toggle("taMute")->SetChecked(true);
        },
        [&](QObject*) {
            muteCalls.push_back("off");
            al.Toggle("taMute")->SetChecked(false);
        });
    al.OnPrepare("saGrab", [&](QObject*) { ArgumentList.append("prepared"); });

    EXPECT_TRUE(al.Find("saGrab")->Execute());
    EXPECT_EQ(grabs, 1);
    al.Find("taMute")->Execute();
    al.Find("taMute")->Execute();
    EXPECT_EQ(muteCalls, (std::vector<std::string>{"on", "off"}));
    EXPECT_EQ(al.Unbound().size(), 84);
    EXPECT_FALSE(al.Unbound().contains("saGrab"));

    // Not attached yet: does nothing and says so.
    EXPECT_FALSE(al.Find("saCopier")->Execute());
    EXPECT_FALSE(al.Find("taIncruster")->Execute());
}

TEST_F(ActionBinding, MisspeltNamesAndWrongKindsAreRefused) {
    TActionList al;
    EXPECT_THROW(al.OnExecute("saGrabb", [](QObject*) {}), std::invalid_argument);
    EXPECT_THROW(al.OnExecute("taMute", [](QObject*) {}), std::invalid_argument);
    EXPECT_THROW(al.OnSwitch(
                     "saGrab", [](QObject*) {}, [](QObject*) {}),
                 std::invalid_argument);
    EXPECT_THROW(al.OnPrepare("", [](QObject*) {}), std::invalid_argument);
    EXPECT_EQ(al.Find("nothing"), nullptr);
    EXPECT_EQ(al.Unbound().size(), 86);
}

TEST_F(ActionBinding, ImageHandlerReachesEveryActionAndTheListOwnsThem) {
    QPointer<TCustomSuperAction> grab;
    std::vector<std::pair<std::string, int>> changes;
    {
        TActionList al;
        al.OnImageChanged(
            [&](TCustomSuperAction& a, int i) { changes.emplace_back(S(a.objectName()), i); });
        al.Find("saGrab")->Setimageindex(3);
        al.Toggle("taMute")->TrueImageIndex = 5;
        al.Toggle("taMute")->SetChecked(true);
        grab = al.Find("saGrab");
        EXPECT_EQ(al.QActions().size(), 86);
    }
    EXPECT_EQ(changes, (std::vector<std::pair<std::string, int>>{{"saGrab", 3}, {"taMute", 5}}));
    EXPECT_TRUE(grab.isNull());
}

} // namespace
