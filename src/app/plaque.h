#pragma once
// Tplaque: the full-screen backdrop. A borderless black window covering one screen, with a
// silver frame drawn around the place of the picture. The controller puts the video window on it
// (re-parenting) and takes it back when full screen ends.
//
// Keys: the backdrop carries the main window's actions, so their shortcuts work while it has the
// focus; any other key press or release is handed on to the main window. Closing the backdrop
// (a window manager's close) only hides it and tells the controller, which leaves full screen.
//
// User-interface thread only. The main window owns it (Qt parent kept as a top-level window).

#include <QRect>
#include <QWidget>

#include <functional>

class QScreen;

namespace sp {

class Tplaque : public QWidget {
    Q_OBJECT
public:
    // `keysTo` receives the keys no shortcut took; its actions work on the backdrop too.
    explicit Tplaque(QWidget* keysTo);

    // Shows the backdrop over the whole of `screen`.
    void showOn(QScreen* screen);
    // The silver frame's rectangle (backdrop coordinates); empty draws none.
    void setFrameRect(const QRect& rect);
    QRect frameRect() const { return frame_; }

    // Called after the user closed the backdrop.
    std::function<void()> Closed;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* keysTo_;
    QRect frame_;
};

} // namespace sp
