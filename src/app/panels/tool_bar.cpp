#include "app/panels/tool_bar.h"

#include "app/panels/action_binding.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace sp {

namespace {

// A gap between two groups with a thin etched line in its middle.
class GroupSeparator : public QWidget {
public:
    explicit GroupSeparator(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (width() < 3) return;
        QPainter painter(this);
        const int x = width() / 2;
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(x, 5, x, height() - 6);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(x + 1, 5, x + 1, height() - 6);
    }
};

} // namespace

TToolBar::TToolBar(QWidget* parent) : QWidget(parent) {
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(0);
    row_->addStretch(1);
    setFixedHeight(kHeight);
}

void TToolBar::setItems(const QList<QAction*>& items) {
    qDeleteAll(buttons_);
    qDeleteAll(separators_);
    buttons_.clear();
    separators_.clear();
    for (QAction* action : items) {
        QWidget* item = nullptr;
        if (action) {
            auto* button = new QToolButton(this);
            showActionOnButton(*button, *action);
            button->setAutoRaise(true);
            button->setFixedSize(kButtonWidth, kHeight);
            button->setIconSize(QSize(20, 20));
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            buttons_.append(button);
            item = button;
        } else {
            auto* separator = new GroupSeparator(this);
            separator->setFixedSize(separatorWidth_, kHeight);
            separators_.append(separator);
            item = separator;
        }
        row_->insertWidget(row_->count() - 1, item); // before the closing stretch
    }
}

void TToolBar::setSeparatorWidth(int pixels) {
    separatorWidth_ = std::max(0, pixels);
    for (QWidget* separator : separators_)
        separator->setFixedWidth(separatorWidth_);
}

QToolButton* TToolBar::buttonFor(const QAction* action) const {
    for (QToolButton* button : buttons_)
        if (button->defaultAction() == action) return button;
    return nullptr;
}

} // namespace sp
