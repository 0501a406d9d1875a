#pragma once
// The video window: the presentation surface of the preview renderer, painting the latest
// picture scaled smoothly to the whole widget (the controller gives the widget the video window
// rectangle of the layout rules). A picture more than twice the widget's size is first halved
// (averaging 2 x 2 pixels, as often as needed, into buffers kept from one picture to the next),
// then drawn with bilinear filtering, so a full-HD stream in a small window does not shimmer.
//
// Threads: present() runs on the renderer's streaming thread. It copies the picture into a
// buffer of its own under pictureMutex_ and asks the user-interface thread for one repaint (many
// pictures arriving before it runs make one repaint, of the latest). Everything else runs on the
// user-interface thread; a repaint (an expose, a resize) draws the last picture again at once.
// Three buffers take turns (being written, ready, shown), so neither thread waits for the other
// longer than a swap and no buffer is allocated while the picture size stays the same; while the
// painting keeps up (a ready picture already painted when the next comes), two do.
//
// Ownership: the controller attaches the view to each new renderer (put_Owner) and must detach
// it (put_Owner(nullptr)) before the view is destroyed; after that no present() is running.

#include "app/paint_trace.h"
#include "platform/graph/interfaces.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sp {

class TVideoView : public QWidget, public mf::IPresentationSurface {
    Q_OBJECT
public:
    // What became of the pictures presented since the last reset.
    struct Statistics {
        uint64_t presented = 0;    // pictures handed to present()
        uint64_t painted = 0;      // of those, pictures painted at least once
        uint64_t replaced = 0;     // replaced by a newer one before they were painted
        uint64_t late = 0;         // painted more than the lateness limit after present()
        uint64_t skipped = 0;      // not taken at all: within the picture interval of the last
        int64_t firstPaintMs = -1; // from the reset to the first picture painted, -1: none yet
    };

    explicit TVideoView(QWidget* parent = nullptr);
    ~TVideoView() override;

    // IPresentationSurface; streaming thread. A picture of 0 x 0 or without pixels is ignored.
    void present(const uint8_t* pixels, int width, int height, int strideBytes) override;

    // Forgets every picture: the view paints black until the next present().
    void clearPicture();
    bool hasPicture() const;
    // The picture painted last (null before the first); a copy.
    QImage shownPicture() const;

    Statistics statistics() const;
    // Counts from zero again and restarts the clock of firstPaintMs.
    void resetStatistics();
    // A picture painted later than this after it arrived counts as late (default 40 ms).
    void setLatenessLimitMs(int ms) { latenessLimitMs_ = ms; }

    // Takes at most one picture per `ms` milliseconds (0, the default: every picture). For runs
    // at maximum speed, where pictures come far faster than anyone can watch: a picture not
    // taken costs neither a copy nor a repaint. Any thread; the next picture after setting 0 is
    // taken whatever its time.
    void setPictureIntervalMs(int ms) { pictureIntervalNs_ = int64_t(std::max(ms, 0)) * 1'000'000; }

signals:
    // A left click on the picture.
    void clicked();
    // A right click, at a position on the screen (the controller opens its pop-up menu).
    void menuRequested(const QPoint& globalPos);
    // The first picture after a reset has been painted.
    void firstPicturePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void pictureArrived();
    // The picture to draw at the widget's size: shown_ or its last halving.
    const QImage& drawable();

    QImage writing_;                  // streaming thread only
    int64_t lastTakenNs_ = INT64_MIN; // streaming thread only
    std::atomic<int64_t> pictureIntervalNs_{0};

    mutable std::mutex pictureMutex_;
    QImage ready_;               // guarded by pictureMutex_
    bool readyIsNew_ = false;    // guarded by pictureMutex_
    int64_t readyArrivalNs_ = 0; // guarded by pictureMutex_
    QElapsedTimer clock_;        // started in the constructor, then only read (both threads)
    Statistics stats_;           // guarded by pictureMutex_
    int64_t resetNs_ = 0;        // guarded by pictureMutex_

    std::atomic<bool> repaintAsked_{false};

    // user-interface thread only
    QImage shown_;
    std::array<QImage, 4> halves_; // shown_ halved once, twice, ...
    int halvings_ = 0;             // how many of halves_ hold the current picture
    QSize halvedFor_;              // the widget size the halvings were made for
    bool halvesStale_ = true;
    int latenessLimitMs_ = 40;
    std::unique_ptr<TPaintTrace> trace_ = TPaintTrace::FromEnvironment(); // usually none
};

} // namespace sp
