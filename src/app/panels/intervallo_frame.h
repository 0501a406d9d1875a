#pragma once
// The intervalometer bar (group "Intervalometer"), shown over the navigation bar: the interval
// value (`RxSpinEdit7`, 1..999,999), the unit list (`cboxIntervallo`: "Frames", "Seconds",
// "Minutes"; no empty fourth entry, so no undefined unit can be chosen), the "Precise" check box
// (`cbModePrecision`), the "Sharpest" check box (`cbSharpest`: each shot takes the sharpest
// frame near its time; locked during a run, which reads it at its start), the on/off switch
// (`RxSwitch1`) and the counter of pictures still to grab
// (`chronolab`, large purple digits).
//
// A dumb widget: user changes are emitted as signals; the setters change the display without
// emitting anything. The switch does not turn itself on: a click emits switchClicked() and the
// controller answers with setRunning(). User-interface thread only; owned by its parent.

#include <QColor>
#include <QGroupBox>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace sp {

class Tintervalloframe : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kMinValue = 1;
    static constexpr int kMaxValue = 999'999;
    static constexpr QColor kCounterColor{0x80, 0x00, 0x80};

    explicit Tintervalloframe(QWidget* parent = nullptr);

    void setIntervalValue(int value); // clamped to 1..999,999
    int intervalValue() const;
    void setUnitIndex(int index); // 0..2; any other index is ignored
    int unitIndex() const;
    void setPrecise(bool precise);
    bool precise() const;
    void setSharpest(bool sharpest);
    bool sharpest() const;
    // Running: the switch shows on, the value, the unit and "Sharpest" cannot be edited.
    void setRunning(bool running);
    bool running() const;
    void setRemainingShots(int64_t shots);
    QString counterText() const;

signals:
    void intervalValueChanged(int value);
    void unitIndexChanged(int index);
    void preciseToggled(bool precise);
    void sharpestToggled(bool sharpest);
    void switchClicked();

private:
    QSpinBox* value_;
    QComboBox* unit_;
    QCheckBox* precise_;
    QCheckBox* sharpest_;
    QPushButton* switch_;
    QLabel* counter_;
    bool running_ = false;
};

} // namespace sp
