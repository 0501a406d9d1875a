#include "ui/raccourcis_form.h"

#include "settings/action_table.h"

#include "support/widget_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCollator>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTableWidget>
#include <QToolTip>

#include <memory>

using namespace sp;

namespace {

void Click(QWidget* target, QPoint at, bool twice = false) {
    const QPointF local(at);
    const QPointF global(target->mapToGlobal(at));
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    if (!twice) return;
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
}

class ShortcutsWindow : public ::testing::Test {
protected:
    ShortcutsWindow()
        : list(QStringLiteral("test")), sort(QStringLiteral("Raccourcis Sort"), 0, list) {
        form.SetSortSetting(&sort);
        form.FillTable(al);
        form.show();
    }

    QTableWidget& Grid() { return *form.StringGrid1(); }
    QString Cell(int row, int column) { return Grid().item(row, column)->text(); }
    QPoint RowCentre(int row) {
        return {20, Grid().rowViewportPosition(row) + Grid().rowHeight(row) / 2};
    }
    QPoint HeaderCentre(int column) {
        QHeaderView* header = Grid().horizontalHeader();
        return {header->sectionViewportPosition(column) + 10, header->height() / 2};
    }
    // Every pair of neighbouring rows is in order on `column`, then caption, then name.
    void ExpectSortedBy(int column) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (int row = 1; row < Grid().rowCount(); ++row) {
            const QStringList a = {Cell(row - 1, column), Cell(row - 1, 0),
                                   form.RowAction(row - 1)->objectName()};
            const QStringList b = {Cell(row, column), Cell(row, 0),
                                   form.RowAction(row)->objectName()};
            int order = 0;
            for (int i = 0; i < 3 && order == 0; ++i)
                order = collator.compare(a[i], b[i]);
            EXPECT_LT(order, 0) << "rows " << row - 1 << " and " << row << " by column " << column;
        }
    }

    TActionList al;
    TparameterList list;
    TRaccourcisSortParameter sort;
    TRaccourcisForm form;
};

TEST_F(ShortcutsWindow, ListsEveryCaptionedActionInFourColumns) {
    EXPECT_EQ(form.windowTitle().toStdString(), "The commands of Stillpick 5.0.6 En");
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::Tool));
    ASSERT_EQ(Grid().columnCount(), 4);
    const char* headers[] = {"Functions", "Keys", "Switches", "Script"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Grid().horizontalHeaderItem(c)->text().toStdString(), headers[c]);
        EXPECT_EQ(Grid().columnWidth(c), TRaccourcisForm::kColumnWidths[c]);
    }
    EXPECT_EQ(Grid().rowHeight(0), 18);
    EXPECT_EQ(Grid().selectionBehavior(), QAbstractItemView::SelectRows);

    ASSERT_EQ(Grid().rowCount(), kActionCount); // with the actions added after the described ones
    int grab = 0;
    while (form.RowAction(grab) != al.Find("saGrab"))
        ++grab;
    EXPECT_EQ(QStringList({Cell(grab, 0), Cell(grab, 1), Cell(grab, 2), Cell(grab, 3)}),
              QStringList({"Grab!\u00A9", "F5", "g", "grab"}));
    // The checked caption of taBold is empty: checked, it leaves the table.
    al.Toggle("taBold")->SetChecked(true);
    form.FillTable(al);
    EXPECT_EQ(Grid().rowCount(), kActionCount - 1);
}

TEST_F(ShortcutsWindow, SortsByEachColumnWithEmptyCellsFirst) {
    ExpectSortedBy(0);
    for (int column : {1, 2, 3, 0}) {
        form.SortBy(column);
        EXPECT_EQ(sort.Value, column);
        ExpectSortedBy(column);
    }
    form.SortBy(1);
    EXPECT_TRUE(Cell(0, 1).isEmpty());
    int firstKey = 0;
    while (Cell(firstKey, 1).isEmpty())
        ++firstKey;
    EXPECT_EQ(firstKey, kActionCount - 58); // the 58 actions with a stored primary shortcut follow
    form.SortBy(2);
    EXPECT_EQ(form.RowAction(0), al.Find("taUnderlined")); // its switch is empty
    // A stored column out of range sorts as the caption column.
    sort.Value = 9;
    form.FillTable(al);
    ExpectSortedBy(0);
}

TEST_F(ShortcutsWindow, HeaderClickChoosesTheSortColumn) {
    Click(Grid().horizontalHeader()->viewport(), HeaderCentre(3));
    EXPECT_EQ(sort.Value, 3);
    ExpectSortedBy(3);
    Click(Grid().horizontalHeader()->viewport(), HeaderCentre(1));
    EXPECT_EQ(sort.Value, 1);
    ExpectSortedBy(1);
}

TEST_F(ShortcutsWindow, DoubleClickRunsTheRowsActionInteractively) {
    std::vector<std::string> ran;
    al.OnPrepare("saGrab", [&](QObject*) { ran.push_back("prepare"); });
    al.OnExecute("saGrab", [&](QObject* sender) {
        ran.push_back("grab");
        EXPECT_EQ(sender, al.Find("saGrab"));
    });
    al.OnExecute("saCopier", [&](QObject*) { ran.push_back("copy"); });
    al.Find("saCopier")->SetEnabled(false);
    int grabRow = -1, copyRow = -1;
    for (int row = 0; row < Grid().rowCount(); ++row) {
        if (form.RowAction(row) == al.Find("saGrab")) grabRow = row;
        if (form.RowAction(row) == al.Find("saCopier")) copyRow = row;
    }
    Grid().scrollToItem(Grid().item(grabRow, 0));
    Click(Grid().viewport(), RowCentre(grabRow), true);
    Grid().scrollToItem(Grid().item(copyRow, 0));
    Click(Grid().viewport(), RowCentre(copyRow), true);
    Click(Grid().viewport(), RowCentre(grabRow)); // a single click runs nothing
    EXPECT_EQ(ran, (std::vector<std::string>{"prepare", "grab"}));
}

TEST_F(ShortcutsWindow, RowsShowTheirHintAndTheHeaderNone) {
    auto tipAt = [](QWidget* target, QPoint at) {
        // Qt hides a tooltip after a short delay; wait for it so that only a new one counts.
        QToolTip::hideText();
        QElapsedTimer clock;
        clock.start();
        while (QToolTip::isVisible() && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        QHelpEvent event(QEvent::ToolTip, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    Grid().scrollToTop();
    EXPECT_EQ(tipAt(Grid().viewport(), RowCentre(2)), form.RowAction(2)->Hint());
    EXPECT_FALSE(form.RowAction(2)->Hint().isEmpty());
    const int last = Grid().rowCount() - 1;
    const int belowRows = Grid().rowViewportPosition(last) + Grid().rowHeight(last) + 5;
    EXPECT_EQ(tipAt(Grid().viewport(), {20, belowRows}), QString());
    EXPECT_EQ(tipAt(Grid().horizontalHeader()->viewport(), HeaderCentre(0)), QString());
    // Moving on to the next row waits the full delay again (no short re-show pause).
    auto fallAsleep = [](QWidget* w) {
        return w->style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay, nullptr, w);
    };
    EXPECT_EQ(fallAsleep(Grid().viewport()), 0);
    EXPECT_GT(fallAsleep(Grid().horizontalHeader()->viewport()), 0);
}

TEST_F(ShortcutsWindow, TheToggleShowsAndHidesAndTheCloseBoxGoesThroughIt) {
    form.hide();
    TtoggleAction& toggle = *al.Toggle("taraccourcis");
    form.BindToggle(toggle);
    form.move(-300, 40);
    EXPECT_TRUE(toggle.Execute());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(toggle.Checked());
    EXPECT_GE(form.x(), 0);
    EXPECT_EQ(toggle.Caption().toStdString(), "Hide the shortcuts");

    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(toggle.Checked());
    EXPECT_EQ(toggle.Caption().toStdString(), "Display the shortcuts");

    // Hidden some other way, F11 shows it again instead of trying to hide it.
    toggle.Execute();
    form.hide();
    toggle.Execute();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(toggle.Checked());
}

} // namespace
