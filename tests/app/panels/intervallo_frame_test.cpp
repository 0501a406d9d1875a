// The intervalometer bar: its limits, its silence under the controller's setters, and a switch
// that waits for the controller.

#include "app/panels/intervallo_frame.h"
#include "support/widget_application.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace sp {
namespace {

struct Bar {
    Tintervalloframe frame;
    QSpinBox* value = frame.findChild<QSpinBox*>("RxSpinEdit7");
    QComboBox* unit = frame.findChild<QComboBox*>("cboxIntervallo");
    QCheckBox* precise = frame.findChild<QCheckBox*>("cbModePrecision");
    QCheckBox* sharpest = frame.findChild<QCheckBox*>("cbSharpest");
    QPushButton* toggle = frame.findChild<QPushButton*>("RxSwitch1");
};

TEST(IntervalloFrame, ValuesStayWithinTheirRangesAndOnlyThreeUnitsExist) {
    Bar bar;
    ASSERT_TRUE(bar.value && bar.unit && bar.precise && bar.toggle);
    EXPECT_EQ(bar.frame.intervalValue(), 1);
    EXPECT_EQ(bar.frame.unitIndex(), 1); // Seconds
    EXPECT_TRUE(bar.frame.precise());
    bar.frame.setIntervalValue(5'000'000);
    EXPECT_EQ(bar.frame.intervalValue(), 999'999);
    bar.frame.setIntervalValue(0);
    EXPECT_EQ(bar.frame.intervalValue(), 1);
    ASSERT_EQ(bar.unit->count(), 3);
    EXPECT_EQ(bar.unit->itemText(0), "Frames");
    EXPECT_EQ(bar.unit->itemText(2), "Minutes");
    bar.frame.setUnitIndex(3); // a stored value with no entry: ignored
    EXPECT_EQ(bar.frame.unitIndex(), 1);
    bar.frame.setUnitIndex(-1);
    EXPECT_EQ(bar.frame.unitIndex(), 1);
    bar.frame.setUnitIndex(2);
    EXPECT_EQ(bar.frame.unitIndex(), 2);
    bar.frame.setRemainingShots(6'000'000'001);
    EXPECT_EQ(bar.frame.counterText(), "6000000001"); // a 64-bit count
}

TEST(IntervalloFrame, SettersAreSilentUserChangesAreSignalled) {
    Bar bar;
    QSignalSpy values(&bar.frame, &Tintervalloframe::intervalValueChanged);
    QSignalSpy units(&bar.frame, &Tintervalloframe::unitIndexChanged);
    QSignalSpy precise(&bar.frame, &Tintervalloframe::preciseToggled);
    QSignalSpy sharpest(&bar.frame, &Tintervalloframe::sharpestToggled);
    bar.frame.setIntervalValue(10);
    bar.frame.setUnitIndex(0);
    bar.frame.setPrecise(false);
    bar.frame.setSharpest(true);
    EXPECT_EQ(values.count() + units.count() + precise.count() + sharpest.count(), 0);
    EXPECT_TRUE(bar.frame.sharpest());

    bar.value->setValue(25); // as the user would
    bar.unit->setCurrentIndex(2);
    bar.precise->click();
    ASSERT_EQ(values.count(), 1);
    EXPECT_EQ(values.at(0).at(0).toInt(), 25);
    ASSERT_EQ(units.count(), 1);
    EXPECT_EQ(units.at(0).at(0).toInt(), 2);
    ASSERT_EQ(precise.count(), 1);
    EXPECT_TRUE(precise.at(0).at(0).toBool());
    bar.sharpest->click();
    ASSERT_EQ(sharpest.count(), 1);
    EXPECT_FALSE(sharpest.at(0).at(0).toBool());
}

TEST(IntervalloFrame, SwitchAsksTheControllerAndARunLocksTheInterval) {
    Bar bar;
    QSignalSpy clicks(&bar.frame, &Tintervalloframe::switchClicked);
    bar.toggle->click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(bar.frame.running()); // not until the controller says so
    EXPECT_TRUE(bar.value->isEnabled());

    bar.frame.setRunning(true);
    EXPECT_TRUE(bar.frame.running());
    EXPECT_FALSE(bar.value->isEnabled());
    EXPECT_FALSE(bar.unit->isEnabled());
    EXPECT_FALSE(bar.sharpest->isEnabled()); // read when the run starts
    EXPECT_TRUE(bar.toggle->isEnabled());    // the run can always be stopped
    EXPECT_TRUE(bar.precise->isEnabled());
    bar.toggle->click();
    EXPECT_EQ(clicks.count(), 2);
    bar.frame.setRunning(false);
    EXPECT_TRUE(bar.value->isEnabled());
    EXPECT_TRUE(bar.unit->isEnabled());
    EXPECT_TRUE(bar.sharpest->isEnabled());
}

} // namespace
} // namespace sp
