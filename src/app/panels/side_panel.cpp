#include "app/panels/side_panel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace sp {

TSidePanel::TSidePanel(const QString& title, QWidget* parent) : QFrame(parent) {
    setObjectName(title);
    setFrameShape(QFrame::NoFrame);
    setFixedWidth(kSidePanelWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 6, 10, 8);
    outer->setSpacing(6);
    title_ = new QLabel(title, this);
    title_->setObjectName("title");
    QFont font = title_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    title_->setFont(font);
    outer->addWidget(title_);
    body_ = new QVBoxLayout;
    body_->setSpacing(4);
    outer->addLayout(body_);
    outer->addStretch(1);
}

QString TSidePanel::title() const {
    return title_->text();
}

} // namespace sp
