#pragma once
// The navigation bar under the video: the position slider `tb` (0..1024, 1024 standing for the
// duration) over a row of nine buttons bound to the controller's actions, from the left:
// previous scene, minute back, second back, frame back, play, frame forward, second forward,
// minute forward, next scene.
//
// The slider reports the mouse: sliderPressed() when a button goes down anywhere on it (a press
// beside the thumb first moves the thumb there), sliderMoved(value) while it is dragged, and
// sliderReleased(value) when the button comes up. The wheel and the keyboard do not move it, so
// every change of position passes through a release. setSliderPosition() never emits and leaves
// the thumb alone while the mouse holds it. User-interface thread only.

#include <QIcon>
#include <QWidget>

#include <array>

class QAction;
class QSlider;
class QToolButton;

namespace sp {

class Tnav_fileframe : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtonCount = 9;
    static constexpr int kPlayButton = 4;
    static constexpr int kSliderMaximum = 1024;
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 54;

    explicit Tnav_fileframe(QWidget* parent = nullptr);

    // Binds the nine buttons, in the order above; a null entry leaves its button hidden. The
    // actions belong to the controller and must outlive the bar.
    void setActions(const std::array<QAction*, kButtonCount>& actions);
    QToolButton* button(int i) const { return buttons_.at(i); }

    // The picture of the play button instead of its action's own; a null icon goes back to the
    // action's (which follows the action's state).
    void setPlayButtonIcon(const QIcon& icon);

    void setSliderPosition(int value); // clamped to 0..1024
    int sliderPosition() const;
    bool sliderHeld() const { return held_; }

signals:
    void sliderPressed();
    void sliderMoved(int value);
    void sliderReleased(int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPlayIcon();
    bool handleSliderMouse(QEvent* event);

    QSlider* slider_;
    std::array<QToolButton*, kButtonCount> buttons_{};
    QIcon playIcon_;
    bool held_ = false;
};

} // namespace sp
