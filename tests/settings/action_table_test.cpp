#include "settings/action_table.h"

#include "support/gui_suite.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QSet>

#include <map>
#include <stdexcept>

using namespace sp;

namespace {

class MainActionTable : public sptest::GuiSuite {};
class ActionBinding : public sptest::GuiSuite {};

std::string S(const QString& text) {
    return text.toStdString();
}

TEST_F(MainActionTable, BuildsTheEightySixActionsInListOrder) {
    TActionList al;
    ASSERT_EQ(al.Count(), kActionCount); // the added actions after the described ones
    QSet<QString> names;
    for (int i = 0; i < al.Count(); ++i) {
        EXPECT_EQ(S(al.Items(i)->objectName()), ActionTable()[size_t(i)].Name);
        EXPECT_EQ(al.Find(al.Items(i)->objectName()), al.Items(i));
        EXPECT_FALSE(al.Items(i)->Hint().isEmpty()) << S(al.Items(i)->objectName());
        names.insert(al.Items(i)->objectName());
    }
    EXPECT_EQ(names.size(), kActionCount);
    EXPECT_EQ(S(al.Items(85)->objectName()), "saPerso1");
    EXPECT_EQ(S(al.Items(86)->objectName()), "saPngOption");
    EXPECT_EQ(S(al.Items(55)->objectName()), "saAbort");
    EXPECT_NE(al.Plain("taFontsize"), nullptr); // a one-state action despite its name
    EXPECT_EQ(al.Plain("taMute"), nullptr);
    EXPECT_TRUE(al.Toggle("taBold")->TrueCaption.isEmpty());
    EXPECT_EQ(S(al.Toggle("taForcerDecodeur")->TrueCaption),
              "Ne pas forcer le d\u00E9codeur\u00A9");

    // Script names are lower-cased whatever case the definitions give.
    EXPECT_EQ(S(al.Find("acQuitter")->Token()), "quitter");
    EXPECT_EQ(S(al.Find("saBorderSize")->Token()), "border size");
    EXPECT_TRUE(al.Find("taUnderlined")->Switch().isEmpty() &&
                al.Find("taUnderlined")->Token().isEmpty());
    al.Find("tafullscreen")->SetToken("Full_Screen");
    EXPECT_EQ(S(al.Find("tafullscreen")->Token()), "full_screen");

    QSet<QString> autoChecked;
    for (TCustomSuperAction* action : al.Actions())
        if (action->AutoCheck()) autoChecked.insert(action->objectName());
    EXPECT_EQ(autoChecked,
              (QSet<QString>{"taDecalage", "taMute", "taImagesDeinterlacer", "taConfirmerImages",
                             "taIntervalloShow", "taIntervalloGo", "taVitesseMaxi",
                             "taModePrecision", "taSliders", "taReduire", "taTraiterErreurs",
                             "taSauverQuandClic", "taMTSVitesseMaxi", "taParametrerFiltres",
                             "taForcerDecodeur", "taBold", "taItalic", "taUnderlined"}));
}

TEST_F(MainActionTable, ShortcutsAreUnderstoodAndNeverShared) {
    for (const TActionRow& row : ActionTable()) {
        for (const char* text : {row.ShortCut, row.Secondary})
            EXPECT_TRUE(!*text || TextToShortCut(QString::fromUtf8(text)) != scNone) << row.Name;
    }
    TActionList al;
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
    EXPECT_EQ(owner.size(), 68u + 2); // + Shift+F5 (grab_sharpest) and Ctrl+L (filmstrip)
}

// The actions added after the described ones (still formats, the best frame) reach scripts by
// names no other action holds, since the first match of a switch or token wins.
TEST_F(MainActionTable, AddedActionsHaveSwitchesAndTokensOfTheirOwn) {
    TActionList al;
    const std::map<std::string, std::pair<std::string, std::string>> formats = {
        {"saPngOption", {"pn", "png"}},
        {"saWebpOption", {"wp", "webp"}},
        {"saJxlOption", {"jx", "jxl"}},
        {"saAvifOption", {"av", "avif"}},
        {"saGrabSharpest", {"gs", "grab_sharpest"}},
        {"taFilmstrip", {"st", "filmstrip"}}};
    for (const auto& [name, names] : formats) {
        ASSERT_NE(al.Find(QString::fromStdString(name)), nullptr) << name;
        EXPECT_EQ(S(al.Find(QString::fromStdString(name))->Switch()), names.first);
        EXPECT_EQ(S(al.Find(QString::fromStdString(name))->Token()), names.second);
        EXPECT_FALSE(al.Find(QString::fromStdString(name))->Caption().isEmpty());
    }
    std::map<QString, int> uses;
    for (TCustomSuperAction* action : al.Actions())
        for (const QString& word : {action->Switch(), action->Token()})
            if (!word.isEmpty()) ++uses[word];
    for (const auto& [name, names] : formats)
        for (const std::string& word : {names.first, names.second})
            EXPECT_EQ(uses[QString::fromStdString(word)], 1) << word;
}

TEST_F(ActionBinding, HandlersAttachByNameAndUnattachedOnesDoNothing) {
    QPointer<TCustomSuperAction> grab;
    {
        TActionList al;
        EXPECT_EQ(al.Unbound().size(), size_t(kActionCount));
        std::vector<std::string> calls;
        al.OnExecute("saGrab", [&](QObject*) { calls.push_back("grab"); });
        al.OnSwitch(
            "taMute",
            [&](QObject*) {
                calls.push_back("on");
                al.Toggle("taMute")->SetChecked(true);
            },
            [&](QObject*) {
                calls.push_back("off");
                al.Toggle("taMute")->SetChecked(false);
            });
        al.OnPrepare("saGrab", [&](QObject*) { calls.push_back("prepare"); });
        std::vector<int> images;
        al.OnImageChanged([&](TCustomSuperAction&, int i) { images.push_back(i); });

        EXPECT_TRUE(al.Find("saGrab")->Execute());
        al.Find("taMute")->Execute();
        al.Find("taMute")->Execute();
        EXPECT_EQ(calls, (std::vector<std::string>{"prepare", "grab", "on", "off"}));
        EXPECT_EQ(al.Unbound().size(), size_t(kActionCount - 2));
        EXPECT_FALSE(al.Find("saCopier")->Execute()); // not attached yet
        EXPECT_FALSE(al.Find("taIncruster")->Execute());
        al.Find("saCopier")->Setimageindex(3);
        EXPECT_EQ(images, std::vector<int>{3});
        grab = al.Find("saGrab");

        EXPECT_THROW(al.OnExecute("saGrabb", [](QObject*) {}), std::invalid_argument);
        EXPECT_THROW(al.OnExecute("taMute", [](QObject*) {}), std::invalid_argument);
        EXPECT_THROW(al.OnSwitch("saGrab", {}, {}), std::invalid_argument);
        EXPECT_THROW(al.OnPrepare("", [](QObject*) {}), std::invalid_argument);
    }
    EXPECT_TRUE(grab.isNull()); // the list owns its actions
}

} // namespace
