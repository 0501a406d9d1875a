#pragma once
// The title strip under the tool bar: the file label (`EnCoursLab`) at the left and the three
// side-file indicators "modd", "srt" and "scn" at the right end, 80, 48 and 30 pixels from it.
// A left click anywhere on the strip emits clicked() (the controller shows the file in the file
// browser). User-interface thread only.

#include <QColor>
#include <QWidget>

class QLabel;

namespace sp {

class TElidingLabel;

class TTitleStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 24;
    enum SideFile { Scn, Srt, Modd };

    explicit TTitleStrip(QWidget* parent = nullptr);

    void setFileText(const QString& text, const QColor& color);
    QString fileText() const;
    QColor fileColor() const;
    void setFileHint(const QString& hint);

    void setSideFileShown(SideFile which, bool shown);
    bool sideFileShown(SideFile which) const;
    void hideSideFiles();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* indicator(SideFile which) const;

    TElidingLabel* file_;
    QLabel* scn_;
    QLabel* srt_;
    QLabel* modd_;
};

} // namespace sp
