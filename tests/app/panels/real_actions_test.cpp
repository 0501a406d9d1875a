// The bars and panels with the program's own action list: every name of the tool bar, the
// navigation bar and the pop-up menu is an action of the table, and the two-state actions show
// their state on the buttons and boxes bound to them.

#include "app/panels/action_layout.h"
#include "app/panels/icons.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/sources_frame.h"
#include "app/panels/tool_bar.h"
#include "settings/action_table.h"

#include "support/widget_application.h"

#include <QCheckBox>
#include <QMenu>
#include <QToolButton>

using namespace sp;

namespace {

ActionLookup lookupIn(const TActionList& list) {
    return [&list](const QString& name) -> QAction* { return list.Find(name); };
}

int countActions(const QMenu& menu) {
    int n = 0;
    for (QAction* item : menu.actions())
        n += item->menu() ? countActions(*item->menu()) : !item->isSeparator();
    return n;
}

} // namespace

TEST(RealActions, EveryPlacedNameIsAnActionOfTheTable) {
    TActionList list;
    const ActionLookup find = lookupIn(list);
    const QList<QAction*> items = toolBarItems(find);
    EXPECT_EQ(items.size(), 25);
    EXPECT_EQ(items.count(nullptr), 4);
    for (QAction* action : navigationActions(find))
        EXPECT_NE(action, nullptr);
    QMenu menu;
    fillVideoMenu(menu, find);
    EXPECT_EQ(countActions(menu), 20);
    for (std::string_view name : videoMenuOrder()) {
        if (name.size() < 2 || name.front() == '>') continue; // separators and sub-menu marks
        EXPECT_NE(list.Find(QString::fromLatin1(name.data(), qsizetype(name.size()))), nullptr)
            << name;
    }
}

TEST(RealActions, TwoStateActionsShowTheirStateOnButtonsAndBoxes) {
    QWidget owner;
    TActionList list;
    TtoggleAction* mute = list.Toggle("taMute");
    int turnedOn = 0, turnedOff = 0;
    list.OnSwitch(
        "taMute", [&](QObject*) { ++turnedOn, mute->SetChecked(true); },
        [&](QObject*) { ++turnedOff, mute->SetChecked(false); });
    mute->setIcon(actionIcon("taMute"));
    TToolBar bar(&owner);
    bar.setItems(toolBarItems(lookupIn(list)));
    QToolButton* button = bar.buttonFor(mute);
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(turnedOn, 1);
    EXPECT_TRUE(button->isChecked());
    button->click();
    EXPECT_EQ(turnedOff, 1);
    EXPECT_FALSE(button->isChecked());

    // "Maximum speed" on the Sources panel runs taVitesseMaxi's handlers, one per click.
    TtoggleAction* maxSpeed = list.Toggle("taVitesseMaxi");
    int runs = 0;
    list.OnSwitch(
        "taVitesseMaxi", [&](QObject*) { ++runs, maxSpeed->SetChecked(true); },
        [&](QObject*) { ++runs, maxSpeed->SetChecked(false); });
    TSourcesFrame sources(&owner);
    sources.bindMaxSpeedAction(*maxSpeed);
    auto* box = sources.findChild<QCheckBox*>();
    box->click();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(sources.maxSpeedChecked());
    maxSpeed->SetEnabled(false); // no video loaded
    EXPECT_FALSE(box->isEnabled());
    box->click(); // a disabled box does nothing
    EXPECT_EQ(runs, 1);
}
