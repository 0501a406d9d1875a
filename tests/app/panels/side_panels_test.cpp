// The panel column, the Sources and Settings panels, the check box bound to an action, the
// action orders and the icons.

#include "app/panels/action_binding.h"
#include "app/panels/action_layout.h"
#include "app/panels/icons.h"
#include "app/panels/options_frame.h"
#include "app/panels/panel_column.h"
#include "app/panels/sources_frame.h"

#include "support/widget_application.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>

#include <map>

using namespace sp;

namespace {

// A two-state action: checkable, counting its runs.
struct ToggleAction {
    explicit ToggleAction(QObject* owner) : action("Maximum speed", owner) {
        action.setCheckable(true);
        QObject::connect(&action, &QAction::triggered, [this] { ++runs; });
    }
    QAction action;
    int runs = 0;
};

QStringList menuNames(const QMenu& menu) {
    QStringList names;
    for (QAction* item : menu.actions()) {
        if (item->isSeparator())
            names << "-";
        else if (item->menu())
            names << ">" + item->text() << menuNames(*item->menu()) << "<";
        else
            names << item->text();
    }
    return names;
}

} // namespace

TEST(PanelColumn, ShowsOnePanelAtATimeAndNoneOutsideTheSevenNumbers) {
    TPanelColumn column;
    column.resize(TPanelColumn::kPanelCount * 10, 400);
    EXPECT_EQ(column.shownPanel(), -1);
    for (int n : {4, 0, 6}) {
        column.showOnly(n);
        EXPECT_EQ(column.shownPanel(), n);
        for (int i = 0; i < TPanelColumn::kPanelCount; ++i)
            EXPECT_EQ(column.panel(i)->isHidden(), i != n) << "panel " << i << " after " << n;
    }
    for (int n : {7, 8, -1, 99}) {
        column.showOnly(6);
        column.showOnly(n);
        EXPECT_EQ(column.shownPanel(), -1) << n;
    }
    EXPECT_EQ(column.panel(7), nullptr);
    EXPECT_EQ(column.panel(4), column.options());
    const QStringList titles{"Sources", "Folders", "Grab", "Inlay", "Settings", "Help", "About"};
    for (int i = 0; i < TPanelColumn::kPanelCount; ++i)
        EXPECT_EQ(column.panel(i)->title(), titles[i]);
}

TEST(ActionBinding, TheBoxRunsTheActionOnceAndShowsTheStateTheActionChose) {
    QWidget owner;
    ToggleAction toggle(&owner);
    QCheckBox box(&owner);
    bindCheckBoxToAction(box, toggle.action);
    box.click();
    EXPECT_EQ(toggle.runs, 1);
    EXPECT_TRUE(box.isChecked());
    box.click();
    EXPECT_EQ(toggle.runs, 2);
    EXPECT_FALSE(box.isChecked());
    // A script turns the action on: the box follows without running it again.
    toggle.action.setChecked(true);
    EXPECT_TRUE(box.isChecked());
    toggle.action.setEnabled(false);
    EXPECT_FALSE(box.isEnabled());
    EXPECT_EQ(toggle.runs, 2);

    // An action whose handler refuses the change (it puts the state back) keeps the box as it was.
    QAction refusing("refuses", &owner);
    refusing.setCheckable(true);
    QObject::connect(&refusing, &QAction::triggered, [&] { refusing.setChecked(false); });
    QCheckBox other(&owner);
    bindCheckBoxToAction(other, refusing);
    other.click();
    EXPECT_FALSE(other.isChecked());
}

TEST(SourcesFrame, OnlyTheUsersChoiceIsReported) {
    TSourcesFrame frame;
    QSignalSpy video(&frame, &TSourcesFrame::videoChosen);
    QSignalSpy audio(&frame, &TSourcesFrame::audioChosen);
    frame.setVideoStreams({"Stream 1", "Stream 2", "No Video"}, 1);
    frame.setAudioStreams({"Track 1", "No Audio"}, 0);
    frame.selectVideoStream(2);
    EXPECT_EQ(video.count() + audio.count(), 0);
    EXPECT_EQ(frame.videoStream(), 2);
    EXPECT_EQ(frame.videoStreamText(), "No Video");

    auto* list = frame.findChild<QComboBox*>("cboxAudio");
    ASSERT_NE(list, nullptr);
    emit list->activated(1); // as the list does when the user picks a row
    ASSERT_EQ(audio.count(), 1);
    EXPECT_EQ(audio.at(0).at(0).toInt(), 1);

    frame.setAudioGroupVisible(false);
    EXPECT_FALSE(frame.audioGroupVisible());
    frame.setVideoDescription("MPEG-2 - 720x576 - 25 fps");
    EXPECT_EQ(frame.videoDescription(), "MPEG-2 - 720x576 - 25 fps");
}

TEST(SourcesFrame, TheMaximumSpeedBoxIsTheActions) {
    TSourcesFrame frame;
    ToggleAction toggle(&frame);
    frame.bindMaxSpeedAction(toggle.action);
    frame.findChild<QCheckBox*>()->click();
    EXPECT_EQ(toggle.runs, 1);
    EXPECT_TRUE(frame.maxSpeedChecked());
    toggle.action.setChecked(false);
    EXPECT_FALSE(frame.maxSpeedChecked());
}

TEST(OptionsFrame, AClickReportsItsBoxAndSettersStayQuiet) {
    TOptionsFrame frame;
    QSignalSpy clicked(&frame, &TOptionsFrame::optionClicked);
    QSignalSpy saveMode(&frame, &TOptionsFrame::saveModeChosen);
    for (int i = 0; i < TOptionsFrame::kOptionCount; ++i) {
        const auto option = TOptionsFrame::Option(i);
        frame.setOption(option, true);
        EXPECT_TRUE(frame.option(option));
        auto* box = frame.findChild<QCheckBox*>(TOptionsFrame::boxName(option));
        ASSERT_NE(box, nullptr) << i;
        // Wrapping the caption to the panel keeps every word.
        EXPECT_EQ(box->text().replace('\n', ' '), TOptionsFrame::caption(option));
    }
    frame.setSaveMode(1);
    EXPECT_EQ(clicked.count() + saveMode.count(), 0);
    EXPECT_EQ(frame.saveMode(), 1);

    frame.findChild<QCheckBox*>("cbTraiterErreurs")->click();
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).value<TOptionsFrame::Option>(), TOptionsFrame::TraiterErreurs);
    EXPECT_FALSE(clicked.at(0).at(1).toBool());

    frame.findChildren<QRadioButton*>().at(2)->click();
    ASSERT_EQ(saveMode.count(), 1);
    EXPECT_EQ(saveMode.at(0).at(0).toInt(), 2);
    frame.setSaveMode(-1); // no mode chosen yet
    EXPECT_EQ(frame.saveMode(), -1);
    frame.setSaveMode(0);
    EXPECT_EQ(frame.saveMode(), 0);
}

TEST(OptionsFrame, DecoderListsFillQuietlyAndHideWithTheirLabels) {
    TOptionsFrame frame;
    QSignalSpy chosen(&frame, &TOptionsFrame::videoDecoderChosen);
    frame.setVideoDecoders({"decoder A", "decoder B"}, 1);
    EXPECT_EQ(frame.videoDecoderText(), "decoder B");
    frame.selectVideoDecoder(0);
    EXPECT_EQ(chosen.count(), 0);
    emit frame.findChild<QComboBox*>("cbDecodeursMpegVideo")->activated(1);
    EXPECT_EQ(chosen.count(), 1);
    frame.setVideoDecoderListVisible(false);
    EXPECT_FALSE(frame.videoDecoderListVisible());
    EXPECT_TRUE(frame.audioDecoderListVisible());
}

TEST(ActionLayout, TheToolBarHasItsFourGroupsAndTheMenuItsOrder) {
    QWidget owner;
    std::map<QString, QAction*> actions;
    const ActionLookup find = [&](const QString& name) -> QAction* {
        if (name == "taSliders") return nullptr; // an action the program lacks is left out
        auto& slot = actions[name];
        if (!slot) slot = new QAction(name, &owner);
        return slot;
    };
    const QList<QAction*> items = toolBarItems(find);
    ASSERT_EQ(items.size(), 25);
    EXPECT_EQ(items.count(nullptr), 4);
    QStringList groups{""};
    for (QAction* item : items)
        if (item)
            groups.back() += item->text() + " ";
        else
            groups += QString();
    EXPECT_EQ(groups, QStringList({"saOpenFile saPaste saScript saVider ",
                                   "saGrab saCopier taIntervalloShow ",
                                   "tafullscreen taMute taIncruster taVertFlip taHorzFlip ",
                                   "saExtraireFrame saSourcesFrame saDossiersFrame "
                                   "saIncrusterFrame saOptionsFrame saHelp saApropos ",
                                   "taraccourcis acQuitter "}));

    QMenu menu;
    fillVideoMenu(menu, find);
    EXPECT_EQ(menuNames(menu).join(' '),
              "saGrab - tafullscreen taReduire - saForcerNone saForcerNative saForcer4x3 "
              "saForcer16x9 - taMute taIncruster taVertFlip taHorzFlip - - "
              ">Settings panel saSourcesFrame saDossiersFrame saExtraireFrame "
              "saIncrusterFrame saOptionsFrame saHelp saApropos < - acQuitter");

    const std::array<QAction*, 9> nav = navigationActions(find);
    EXPECT_EQ(nav[4]->text(), "taPlayPause");
    EXPECT_EQ(nav[0]->text(), "saReculeTrack");
    EXPECT_EQ(nav[8]->text(), "saAvanceTrack");
}

TEST(Icons, EveryButtonHasABuiltInPictureWithBothStatesWhereTheActionHasTwo) {
    QStringList names;
    for (auto list : {toolBarOrder(), navigationOrder()})
        for (std::string_view name : list)
            if (!name.empty()) names << QString::fromLatin1(name.data(), qsizetype(name.size()));
    for (const QString& name : names) {
        EXPECT_TRUE(hasBuiltInIcon(name)) << name.toStdString();
        const QIcon icon = actionIcon(name);
        EXPECT_FALSE(icon.pixmap(24).isNull()) << name.toStdString();
    }
    const QImage off = actionIcon("taMute").pixmap(24, QIcon::Normal, QIcon::Off).toImage();
    const QImage on = actionIcon("taMute").pixmap(24, QIcon::Normal, QIcon::On).toImage();
    EXPECT_NE(off, on);
    EXPECT_TRUE(actionIcon("saForcer4x3").isNull());
    EXPECT_FALSE(maxSpeedPlayIcon().pixmap(24).isNull());
    EXPECT_FALSE(noVideoPlayIcon().pixmap(24).isNull());
    EXPECT_EQ(placeholderPicture().size(), QSize(160, 120));
}
