#pragma once
// The video panel: the area of the window where the video shows. It holds the video window
// (TVideoView) at the rectangle the layout rules give, a dark frame 12 pixels wider on each side
// around it, the small inlay corner square at the video's lower right corner, and the placeholder
// picture, centred, shown instead of the video while no video is loaded. User-interface thread
// only; the panel owns its children.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

class QLabel;
class QToolButton;

namespace sp {

class TVideoView;

class TVideoPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameMargin = 12;
    static constexpr int kCornerSize = 12;

    explicit TVideoPanel(QWidget* parent = nullptr);

    TVideoView* view() const { return view_; }

    // Places the video window at `rect` (panel coordinates), its frame and the inlay corner.
    void setVideoRect(const QRect& rect);
    QRect videoRect() const { return videoRect_; }

    // true: the video window, its frame and the corner; false: the placeholder and its frame.
    void setVideoShown(bool shown);
    bool videoShown() const { return videoShown_; }
    void setCornerVisible(bool visible);
    QRect placeholderRect() const;
    QRect frameRect() const;

signals:
    // A click on the inlay corner square.
    void cornerClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePlaceholder();

    TVideoView* view_;
    QLabel* placeholder_;
    QToolButton* corner_;
    QRect videoRect_;
    // The frame as last drawn (panel size, background round it), copied by each repaint.
    QImage frameDrawn_;
    QRect frameDrawnFor_;
    QColor frameBackground_;
    bool videoShown_ = false;
    bool cornerWanted_ = true;
};

} // namespace sp
