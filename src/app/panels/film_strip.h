#pragma once
// TFilmStrip: small pictures of the frames around the current one, in a row under the video,
// the current frame in the middle and marked. As many frames on each side as the width allows,
// never fewer than kMinSide. A frame whose picture is not there yet shows as an empty frame.
//
// A dumb widget: the controller gives the pictures (setCells) and the picture shape; clicks,
// double clicks and the wheel are signalled as offsets from the current frame. Flips are
// applied to the pictures when they are painted, as they are to the video.
// User-interface thread only; owned by the video panel.

#include <QImage>
#include <QWidget>

#include <vector>

namespace sp {

class TFilmStrip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 70;
    static constexpr int kMinSide = 3;

    explicit TFilmStrip(QWidget* parent = nullptr);

    // Frames shown on each side of the current one at the present width.
    int sideCount() const;
    // The pictures from the first frame shown to the last (2 × sideCount() + 1; a null picture
    // is an empty frame). Fewer cells leave the rest empty.
    void setCells(std::vector<QImage> pictures);
    const std::vector<QImage>& cells() const { return cells_; }
    // Width over height of the pictures as shown (the video's display aspect).
    void setPictureAspect(double aspect);
    void setFlips(bool horizontal, bool vertical);
    // The rectangle of the frame at `offset` from the current one (-side..side).
    QRect cellRect(int offset) const;

signals:
    void frameClicked(int offset);
    void frameDoubleClicked(int offset);
    // Notches of the wheel: positive forward (wheel turned down), negative back.
    void wheelSteps(int steps);
    // The width changed how many frames fit on each side.
    void sideCountChanged(int side);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int cellWidth() const;
    int offsetAt(QPoint point) const; // INT_MIN outside every frame

    std::vector<QImage> cells_;
    double aspect_ = 4.0 / 3.0;
    bool flipHorizontal_ = false;
    bool flipVertical_ = false;
    int side_ = kMinSide;
    int wheelRemainder_ = 0;
};

} // namespace sp
