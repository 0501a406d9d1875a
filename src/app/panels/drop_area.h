#pragma once
// TDropArea: a coloured box with a word in it that takes files dropped from the file manager
// and reports them as local paths. Anything but local files is refused at the door. User-
// interface thread only; owned by its panel.

#include <QLabel>
#include <QStringList>

class QMimeData;

namespace sp {

class TDropArea : public QLabel {
    Q_OBJECT
public:
    TDropArea(const QString& text, const QColor& color, QWidget* parent = nullptr);

    // The local file paths among the URLs of a drop, in order.
    static QStringList LocalFiles(const QMimeData* data);

signals:
    void FilesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace sp
