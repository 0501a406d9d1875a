// The filters' notifications (0x401 grab time, 0x403 stream description, 0x404 reconnection,
// 0x405 end of stream), files dropped on the window, the clipboard check on activation, and
// the abort command.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "filters/stream_info.h"
#include "platform/graph/message_target.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

#include <utility>

namespace sp {

using namespace mf;

static_assert(sizeof(uintptr_t) >= sizeof(int64_t), "a grab time travels whole in wParam");

intptr_t TShowForm::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!Media) return 0;
    switch (msg) {
    case WM_GRAB_FRAME:
        if (AbortRequested) return 0;
        Seeking = true;
        // The whole grab time: 32 bits of it would wrap after 7 min 9 s.
        Widgets().SetTimecodeText(Timecode(int64_t(wParam)));
        emit GrabTimeReached(int64_t(wParam), lParam);
        // A run's shot goes on after the reply: the stream need not wait for it.
        if (!std::exchange(grabShotQueued_, false)) QCoreApplication::processEvents();
        Seeking = false;
        return 0;
    case WM_STREAM_INFO:
        if (Seeking) return 0;
        if (wParam == 1) {
            Media->VideoInfo = CopyTvData();
            ShowVideoDescription();
        } else if (wParam == 2) {
            Media->AudioInfo = CopyTaData();
            ShowAudioDescription();
        }
        return 0;
    case WM_RECONNECT:
        Media->ReconnectSuperposer(lParam != 0);
        return 0;
    case kImageWritten:
        ImageWritten(uint64_t(wParam));
        return 0;
    case WM_END_OF_MEDIA:
        // The media system has gone back to the start: pause there and show "Play".
        PlayPause(false);
        return 0;
    }
    return 0;
}

void TShowForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TShowForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    DropFiles(urls);
}

void TShowForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        SetEnabled("saPaste", data && data->hasUrls());
    }
}

void TShowForm::Abort() {
    AbortRequested = true;
    StopRunners();
    if (Checked("tafullscreen")) Execute("tafullscreen");
    if (Checked("taReduire")) Execute("taReduire");
    if (Checked("taIntervalloGo")) Execute("taIntervalloGo");
}

} // namespace sp
