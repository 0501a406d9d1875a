#include "app/panels/drop_area.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace sp {

TDropArea::TDropArea(const QString& text, const QColor& color, QWidget* parent)
    : QLabel(text, parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setFrameShape(QFrame::Box);
    setMinimumHeight(48);
    setAcceptDrops(true);
}

QStringList TDropArea::LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

void TDropArea::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TDropArea::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    emit FilesDropped(paths);
}

} // namespace sp
