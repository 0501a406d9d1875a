// The bars of the main window: tool bar, navigation bar, top bar, title and bottom strips.

#include "app/panels/action_layout.h"
#include "app/panels/bottom_strip.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/title_strip.h"
#include "app/panels/tool_bar.h"
#include "app/panels/top_bar.h"

#include "support/widget_application.h"

#include <QAction>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>

using namespace sp;

namespace {

void click(QWidget& widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF local(at), global(widget.mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QCoreApplication::sendEvent(&widget, &release);
}

void mouse(QWidget& widget, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

} // namespace

TEST(ToolBar, NullEntriesBecomeSeparatorsThatTakeTheGivenWidth) {
    QWidget owner;
    QAction a("a", &owner), b("b", &owner), c("c", &owner);
    TToolBar bar(&owner);
    bar.setItems({&a, nullptr, &b, nullptr, &c});
    EXPECT_EQ(bar.buttonCount(), 3);
    EXPECT_EQ(bar.separatorCount(), 2);
    EXPECT_EQ(bar.itemCount(), 5);
    EXPECT_EQ(bar.buttonFor(&b), bar.button(1));
    EXPECT_EQ(bar.button(1)->width(), TToolBar::kButtonWidth);

    bar.setSeparatorWidth(24);
    bar.resize(400, TToolBar::kHeight);
    owner.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.button(1)->x() - (bar.button(0)->x() + TToolBar::kButtonWidth), 24);
    bar.setSeparatorWidth(-3); // a window narrower than its buttons
    EXPECT_EQ(bar.separatorWidth(), 0);

    // Replacing the contents drops the old buttons.
    bar.setItems({&c});
    EXPECT_EQ(bar.itemCount(), 1);
    EXPECT_EQ(bar.buttonFor(&a), nullptr);
}

TEST(ToolBar, AButtonExecutesItsActionAndFollowsItsStateAndVisibility) {
    QWidget owner;
    QAction action("Mute", &owner);
    action.setCheckable(true);
    TToolBar bar(&owner);
    bar.setItems({&action});
    QSignalSpy triggered(&action, &QAction::triggered);
    bar.button(0)->click();
    EXPECT_EQ(triggered.count(), 1);
    EXPECT_TRUE(bar.button(0)->isChecked());
    action.setEnabled(false);
    EXPECT_FALSE(bar.button(0)->isEnabled());
    action.setVisible(false);
    EXPECT_TRUE(bar.button(0)->isHidden());
    action.setVisible(true);
    EXPECT_FALSE(bar.button(0)->isHidden());
}

TEST(NavigationBar, TheNineButtonsShowTheirActionsAndTheScenesHideWithTheirs) {
    QWidget owner;
    std::array<QAction*, 9> actions{};
    for (int i = 0; i < 9; ++i)
        actions[i] = i == 8 ? nullptr : new QAction(QString::number(i), &owner);
    Tnav_fileframe nav(&owner);
    nav.setActions(actions);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(nav.button(i)->defaultAction(), actions[i]);
    EXPECT_TRUE(nav.button(8)->isHidden()); // no action given
    actions[0]->setVisible(false);          // no scene file
    EXPECT_TRUE(nav.button(0)->isHidden());

    // The play button's own picture wins over its action's until it is given back.
    QPixmap red(16, 16), blue(16, 16);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    QAction* play = actions[Tnav_fileframe::kPlayButton];
    play->setIcon(QIcon(red));
    nav.setPlayButtonIcon(QIcon(blue));
    play->setText("Stop"); // the action changes: the override stays
    const auto colour = [&] {
        return nav.button(Tnav_fileframe::kPlayButton)
            ->icon()
            .pixmap(16)
            .toImage()
            .pixelColor(8, 8);
    };
    EXPECT_EQ(colour(), QColor(Qt::blue));
    nav.setPlayButtonIcon(QIcon());
    EXPECT_EQ(colour(), QColor(Qt::red));
}

TEST(NavigationBar, TheSliderReportsPressDragAndReleaseAndIsLeftAloneWhileHeld) {
    Tnav_fileframe nav;
    nav.show();
    QCoreApplication::processEvents();
    auto* slider = nav.findChild<QSlider*>("tb");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->maximum(), Tnav_fileframe::kSliderMaximum);
    QSignalSpy pressed(&nav, &Tnav_fileframe::sliderPressed);
    QSignalSpy moved(&nav, &Tnav_fileframe::sliderMoved);
    QSignalSpy released(&nav, &Tnav_fileframe::sliderReleased);

    nav.setSliderPosition(0);
    const int y = slider->height() / 2;
    // A press at three quarters, away from the thumb, brings the thumb there.
    mouse(*slider, QEvent::MouseButtonPress, QPoint(slider->width() * 3 / 4, y));
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_TRUE(nav.sliderHeld());
    EXPECT_NEAR(nav.sliderPosition(), 768, 40);
    EXPECT_GE(moved.count(), 1);

    const int held = nav.sliderPosition();
    nav.setSliderPosition(10); // the position timer while held: ignored
    EXPECT_EQ(nav.sliderPosition(), held);

    mouse(*slider, QEvent::MouseMove, QPoint(slider->width() / 4, y));
    mouse(*slider, QEvent::MouseButtonRelease, QPoint(slider->width() / 4, y));
    ASSERT_EQ(released.count(), 1);
    EXPECT_FALSE(nav.sliderHeld());
    EXPECT_EQ(released.at(0).at(0).toInt(), nav.sliderPosition());
    EXPECT_NEAR(nav.sliderPosition(), 256, 40);

    nav.setSliderPosition(5000); // clamped
    EXPECT_EQ(nav.sliderPosition(), 1024);
    nav.setSliderPosition(-1);
    EXPECT_EQ(nav.sliderPosition(), 0);
    EXPECT_EQ(pressed.count(), 1); // setters emit nothing

    // The wheel would move the thumb without a release: it is not taken.
    QWheelEvent wheel(QPointF(10, y), QPointF(10, y), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(slider, &wheel);
    EXPECT_EQ(nav.sliderPosition(), 0);
}

TEST(TopBar, TheTimecodeBoxReportsEnteringEnterAndLeaving) {
    TTopBar bar;
    auto* edit = bar.findChild<QLineEdit*>("CurrentEdit");
    ASSERT_NE(edit, nullptr);
    QSignalSpy entered(&bar, &TTopBar::timecodeEditEntered);
    QSignalSpy enter(&bar, &TTopBar::timecodeEntered);
    QSignalSpy left(&bar, &TTopBar::timecodeEditLeft);

    bar.setTimecode("0:00:01:00");
    EXPECT_EQ(entered.count() + enter.count() + left.count(), 0);

    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(edit, &in);
    EXPECT_EQ(entered.count(), 1);
    edit->setText("1:30");
    QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &returnKey);
    ASSERT_EQ(enter.count(), 1);
    EXPECT_EQ(enter.at(0).at(0).toString(), "1:30");

    // A pop-up menu or another window taking the focus is not leaving the box.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QFocusEvent otherWindow(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(edit, &popup);
    QCoreApplication::sendEvent(edit, &otherWindow);
    EXPECT_EQ(left.count(), 0);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    ASSERT_EQ(left.count(), 1);
    EXPECT_EQ(left.at(0).at(0).toString(), "1:30");
}

TEST(TopBar, TheVolumeIsClampedAndTheLabelsHideAlone) {
    TTopBar bar;
    bar.setVolumePercent(150);
    EXPECT_EQ(bar.volumePercent(), 100);
    bar.setVolumePercent(-5);
    EXPECT_EQ(bar.volumePercent(), 0);
    bar.setVolumeVisible(false);
    bar.setSizeText("720 x 576  =>  720 x 405 [16x9]");
    EXPECT_FALSE(bar.volumeVisible());
    EXPECT_TRUE(bar.sizeVisible());
    EXPECT_EQ(bar.sizeText(), "720 x 576  =>  720 x 405 [16x9]");
}

TEST(Strips, ClicksAreReportedAndTheNameColourTellsWhetherTheFileExists) {
    TTitleStrip title;
    title.resize(708, TTitleStrip::kHeight);
    QSignalSpy titleClicked(&title, &TTitleStrip::clicked);
    click(title, QPoint(20, 10));
    click(title, QPoint(20, 10), Qt::RightButton);
    EXPECT_EQ(titleClicked.count(), 1);

    title.setSideFileShown(TTitleStrip::Modd, true);
    EXPECT_TRUE(title.sideFileShown(TTitleStrip::Modd));
    EXPECT_FALSE(title.sideFileShown(TTitleStrip::Scn));
    title.hideSideFiles();
    EXPECT_FALSE(title.sideFileShown(TTitleStrip::Modd));
    title.setFileText("Loading clip.avi", QColor("navy"));
    EXPECT_EQ(title.fileColor(), QColor("navy"));

    TBottomStrip bottom;
    bottom.resize(708, TBottomStrip::kHeight);
    QSignalSpy bottomClicked(&bottom, &TBottomStrip::clicked);
    click(bottom, QPoint(300, 12));
    EXPECT_EQ(bottomClicked.count(), 1);
    bottom.setNextImageName("/tmp/a_0001.jpg", true);
    EXPECT_EQ(bottom.nextImageNameColor(), QColor(0x00, 0x80, 0x00));
    bottom.setNextImageName("/tmp/a_0002.jpg", false);
    EXPECT_EQ(bottom.nextImageNameColor(), QColor(0x80, 0x00, 0x00));
    EXPECT_EQ(bottom.nextImageName(), "/tmp/a_0002.jpg");
}
