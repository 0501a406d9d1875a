#include "app/panels/extraire_frame.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace sp {

namespace {

constexpr int kLabelHeight = 16;
constexpr int kLabelGap = 2;
constexpr int kSizeHeight = 12;
constexpr int kBevelHeight = 28;
constexpr int kButtonHeight = 26;

} // namespace

TExtraireFrame::TExtraireFrame(QWidget* parent)
    : TSidePanel("Grab", parent), image_(new QWidget(this)), highlight_(new QFrame(this)),
      timecodeBevel_(new QFrame(this)), timecode_(new QLabel(this)), size_(new QLabel(this)),
      name_(new QLabel(this)), sharpest_(new QPushButton("Sharpest nearby", this)) {
    image_->setObjectName("Image");
    image_->setCursor(Qt::PointingHandCursor);
    // The picture (or the dark fill) covers the whole widget: nothing under it is repainted
    // when a run changes the picture at every shot.
    image_->setAttribute(Qt::WA_OpaquePaintEvent);
    highlight_->setObjectName("Bevel3");
    highlight_->setFrameShape(QFrame::Box);
    highlight_->setLineWidth(2);
    highlight_->setAttribute(Qt::WA_TransparentForMouseEvents);
    highlight_->hide();
    timecodeBevel_->setObjectName("SnapLabBevel");
    timecodeBevel_->setFrameShape(QFrame::StyledPanel);
    timecodeBevel_->setFrameShadow(QFrame::Sunken);
    timecode_->setObjectName("SnapLab");
    timecode_->setToolTip("Timecode of image below.");
    timecode_->setAlignment(Qt::AlignCenter);
    QFont bold = timecode_->font();
    bold.setBold(true);
    timecode_->setFont(bold);
    size_->setObjectName("labImagetteTaille");
    QFont small = size_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    size_->setFont(small);
    name_->setObjectName("labsnapname");
    name_->setAlignment(Qt::AlignCenter);
    name_->setAutoFillBackground(true);
    name_->setTextFormat(Qt::PlainText);
    image_->installEventFilter(this);
    name_->installEventFilter(this);
    sharpest_->setObjectName("SharpestBtn");
    sharpest_->setToolTip("Go to the sharpest of the frames around the current one and grab it.");
    connect(sharpest_, &QPushButton::clicked, this, &TExtraireFrame::sharpestClicked);
    placePicture(QRect(12, 80, 252, 189));
}

bool TExtraireFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == image_ && event->type() == QEvent::Paint) {
        QPainter painter(image_);
        if (picture_.isNull()) {
            painter.fillRect(image_->rect(), palette().color(QPalette::Dark));
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(image_->rect(), picture_);
        }
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == image_) emit pictureClicked();
        if (watched == name_) emit nameClicked();
    }
    return QWidget::eventFilter(watched, event);
}

void TExtraireFrame::setPicture(const QImage& picture) {
    picture_ = picture;
    image_->update();
}

QImage TExtraireFrame::picture() const {
    return picture_;
}

void TExtraireFrame::setPictureHint(const QString& hint) {
    image_->setToolTip(hint);
}
QString TExtraireFrame::pictureHint() const {
    return image_->toolTip();
}

void TExtraireFrame::placePicture(const QRect& rect) {
    image_->setGeometry(rect);
    highlight_->setGeometry(rect.adjusted(-2, -2, 2, 2));
    name_->setGeometry(rect.left(), rect.top() + rect.height() + kLabelGap, rect.width(),
                       kLabelHeight + 4);
    sharpest_->setGeometry(rect.left(), name_->geometry().bottom() + 1 + 3 * kLabelGap,
                           rect.width(), kButtonHeight);
    // From the top: the timecode in its bevel, the size label, the picture, the name label,
    // each kLabelGap apart (the highlight frame takes the gap around the picture).
    const int sizeTop = rect.top() - kLabelGap - kSizeHeight;
    const int bevelTop = sizeTop - kLabelGap - kBevelHeight;
    timecodeBevel_->setGeometry(rect.left(), bevelTop, rect.width(), kBevelHeight);
    timecode_->setGeometry(rect.left() + 4, bevelTop + (kBevelHeight - kLabelHeight) / 2,
                           rect.width() - 8, kLabelHeight);
    size_->setGeometry(rect.left(), sizeTop, rect.width(), kSizeHeight);
    timecodeBevel_->lower();
    highlight_->raise();
}

QRect TExtraireFrame::pictureRect() const {
    return image_->geometry();
}

void TExtraireFrame::setTimecodeText(const QString& text) {
    timecode_->setText(text);
}
QString TExtraireFrame::timecodeText() const {
    return timecode_->text();
}
void TExtraireFrame::setSizeText(const QString& text) {
    size_->setText(text);
}
QString TExtraireFrame::sizeText() const {
    return size_->text();
}

void TExtraireFrame::setNameLabel(const QString& text, const QString& hint, const QColor& colour,
                                  bool hand) {
    name_->setText(text);
    name_->setToolTip(hint);
    nameColour_ = colour;
    QPalette p = name_->palette();
    p.setColor(QPalette::Window, colour);
    name_->setPalette(p);
    name_->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
QString TExtraireFrame::nameText() const {
    return name_->text();
}
QString TExtraireFrame::nameHint() const {
    return name_->toolTip();
}
QColor TExtraireFrame::nameColour() const {
    return nameColour_;
}
bool TExtraireFrame::nameHandCursor() const {
    return name_->cursor().shape() == Qt::PointingHandCursor;
}
void TExtraireFrame::setHighlightVisible(bool visible) {
    highlight_->setVisible(visible);
}
bool TExtraireFrame::highlightVisible() const {
    return !highlight_->isHidden();
}

} // namespace sp
