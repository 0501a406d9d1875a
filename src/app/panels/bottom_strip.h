#pragma once
// The strip at the bottom of the window with the next image name (`ImageLab`): green (#008000)
// when a file of that name exists already, maroon (#800000) when it does not. A left click on
// the strip emits clicked() (the controller opens the image folder). User-interface thread only.

#include <QColor>
#include <QWidget>

class QLabel;

namespace sp {

class TBottomStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 24;
    static constexpr QColor kExistsColor{0x00, 0x80, 0x00};
    static constexpr QColor kNewColor{0x80, 0x00, 0x00};

    explicit TBottomStrip(QWidget* parent = nullptr);

    void setNextImageName(const QString& name, bool exists);
    QString nextImageName() const;
    QColor nextImageNameColor() const;
    void setNextImageNameVisible(bool visible);
    bool nextImageNameVisible() const;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* name_;
};

} // namespace sp
