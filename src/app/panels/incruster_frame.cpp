#include "app/panels/incruster_frame.h"

#include <QAction>
#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace sp {

namespace {

const QStringList kSizes{"auto©", "8",  "9",  "10", "11", "12", "14", "16", "18",
                         "20",    "22", "24", "26", "28", "36", "48", "72"};
const std::array<QStringList, 2> kDateFormats{
    QStringList{"ddddd", "tt", "dddddd", "ddddd tt", "dddddd tt", "d mmm yyyy"},
    QStringList{"tt", "ddddd", "dddddd", "ddddd t", "dddddd tt", "d mmm yyyy"}};
const char* const kBorderItems[] = {"No border", "1 pixel",  "2 pixels",
                                    "3 pixels",  "4 pixels", "5 pixels"};

QToolButton* toolButton(const QString& text, const QString& hint, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::TabFocus);
    b->setFixedHeight(24);
    return b;
}

QToolButton* styleButton(const QString& letter, const QString& hint, QWidget* parent,
                         void (*style)(QFont&)) {
    auto* b = toolButton(letter, hint, parent);
    b->setCheckable(true);
    b->setFixedWidth(26);
    QFont f = b->font();
    style(f);
    b->setFont(f);
    return b;
}

// Four short lines drawn as `alignment` places text; the subtitle picture has them low in a box.
QIcon alignIcon(int alignment) {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(0x2e, 0x34, 0x36), 2));
    const int widths[] = {14, 9, 12, 7};
    if (alignment == 3) {
        p.setPen(QPen(QColor(0x55, 0x57, 0x53), 1));
        p.drawRect(1, 1, 16, 16);
        p.setPen(QPen(QColor(0x34, 0x65, 0xa4), 2));
        p.drawLine(5, 11, 13, 11);
        p.drawLine(4, 14, 14, 14);
        return QIcon(pixmap);
    }
    for (int i = 0; i < 4; ++i) {
        const int w = widths[i];
        const int y = 3 + i * 4;
        const int x = alignment == 0 ? 2 : alignment == 1 ? (18 - w) / 2 : 16 - w;
        p.drawLine(x, y, x + w, y);
    }
    return QIcon(pixmap);
}

// Hours, minutes and seconds read as a clock does: "07", not "7".
class TwoDigitBox final : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int value) const override {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    }
};

QSpinBox* numberBox(int maximum, const QString& name, QWidget* parent) {
    auto* box = new TwoDigitBox(parent);
    box->setObjectName(name);
    box->setRange(0, maximum);
    box->setWrapping(true);
    box->setFixedWidth(48);
    return box;
}

bool ignoredFocusReason(Qt::FocusReason reason) {
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

} // namespace

TIncrusterFrame::TIncrusterFrame(QWidget* parent) : TSidePanel("Inlay", parent) {
    body()->addWidget(makeKindButtons());
    body()->addWidget(makeStyleRow());
    body()->addWidget(makeFontRow());
    body()->addWidget(makeAlignRow());
    makeFormatFields();
    makeDecalagePanel();
}

QWidget* TIncrusterFrame::makeKindButtons() {
    auto* group = new QGroupBox("What to inlay", this);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setSpacing(4);
    const char* const names[] = {"INcrustDatecodeBtn", "IncrustTimecodeBtn",  "IncrustPersoBtn",
                                 "IncrustReelBtn",     "IncrusterNumerosBtn", "INcrustNeantBtn"};
    for (int i = 0; i < KindCount; ++i) {
        kinds_[i] = toolButton({}, {}, group);
        kinds_[i]->setObjectName(names[i]);
        kinds_[i]->setToolButtonStyle(Qt::ToolButtonTextOnly);
        kinds_[i]->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        grid->addWidget(kinds_[i], i / 3, i % 3);
    }
    return group;
}

QWidget* TIncrusterFrame::makeStyleRow() {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(3);
    bold_ = styleButton("B", "Inlay in Bold ", row, [](QFont& f) { f.setBold(true); });
    italic_ = styleButton("I", "Inlay in Italic", row, [](QFont& f) { f.setItalic(true); });
    underline_ =
        styleButton("U", "Inlay in Underlined", row, [](QFont& f) { f.setUnderline(true); });
    bold_->setObjectName("tbBold");
    italic_->setObjectName("tbItalic");
    underline_->setObjectName("tbUnderline");
    connect(bold_, &QToolButton::clicked, this, &TIncrusterFrame::boldClicked);
    connect(italic_, &QToolButton::clicked, this, &TIncrusterFrame::italicClicked);
    connect(underline_, &QToolButton::clicked, this, &TIncrusterFrame::underlineClicked);

    colorButton_ = toolButton({}, "Choose the color of inlay", row);
    colorButton_->setObjectName("ColorButton");
    colorButton_->setFixedWidth(30);
    connect(colorButton_, &QToolButton::clicked, this, &TIncrusterFrame::chooseColor);
    setColor(0);

    border_ = toolButton({},
                         "Define the size of border around the inlayed text\n"
                         "to get a better contrast on most backgrounds.",
                         row);
    border_->setObjectName("tbBorder");
    border_->setFixedWidth(36);
    border_->setPopupMode(QToolButton::InstantPopup);
    borderMenu_ = new QMenu(border_);
    borderMenu_->setObjectName("pmBorder");
    for (int n = 0; n < 6; ++n) {
        QAction* item = borderMenu_->addAction(kBorderItems[n]);
        connect(item, &QAction::triggered, this, [this, n] { emit borderChosen(n); });
    }
    border_->setMenu(borderMenu_);

    sliders_ = toolButton({}, {}, row);
    sliders_->setObjectName("tbSliders");
    decalage_ = toolButton("±", {}, row);
    decalage_->setObjectName("tbDecalage");

    for (QWidget* w : {static_cast<QWidget*>(bold_), static_cast<QWidget*>(italic_),
                       static_cast<QWidget*>(underline_), static_cast<QWidget*>(colorButton_),
                       static_cast<QWidget*>(border_)})
        h->addWidget(w);
    h->addStretch(1);
    h->addWidget(sliders_);
    h->addWidget(decalage_);
    return row;
}

QWidget* TIncrusterFrame::makeFontRow() {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    fonts_ = new QFontComboBox(row);
    fonts_->setObjectName("FontComboBox");
    fonts_->setToolTip("Font of inlay");
    fonts_->setEditable(false);
    fonts_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fonts_->setMinimumContentsLength(8);
    connect(fonts_, &QComboBox::activated, this, [this] { emit fontChosen(fontName()); });

    size_ = new QComboBox(row);
    size_->setObjectName("cbSize");
    size_->setEditable(true);
    size_->setInsertPolicy(QComboBox::NoInsert);
    size_->addItems(kSizes);
    size_->setFixedWidth(70);
    connect(size_, &QComboBox::currentTextChanged, this, &TIncrusterFrame::sizeEdited);
    h->addWidget(fonts_, 1);
    h->addWidget(size_);
    return row;
}

QWidget* TIncrusterFrame::makeAlignRow() {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(3);
    aligns_ = new QButtonGroup(this);
    aligns_->setExclusive(true);
    const char* const names[] = {"tbLeftAlign", "tbCenter", "tbRightAlign", "tbSousTitre"};
    const char* const hints[] = {"Align the 2 lines at left", "Center the two lines together",
                                 "Align the two lines at right",
                                 "Center the inlayed text in the video\nas if it was a subtitle"};
    for (int i = 0; i < 4; ++i) {
        auto* b = toolButton({}, hints[i], row);
        b->setObjectName(names[i]);
        b->setIcon(alignIcon(i));
        b->setCheckable(true);
        b->setFixedWidth(28);
        aligns_->addButton(b, i);
        h->addWidget(b);
    }
    connect(aligns_, &QButtonGroup::idClicked, this, &TIncrusterFrame::alignmentClicked);
    difference_ = new QLabel(row);
    difference_->setObjectName("labDecalage");
    difference_->setToolTip("Time difference applied to the video");
    difference_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    difference_->setStyleSheet("color: #800000;");
    h->addStretch(1);
    h->addWidget(difference_);
    return row;
}

void TIncrusterFrame::makeFormatFields() {
    formatsLabel_ = new QLabel("format of datecode %D per line", this);
    body()->addSpacing(4);
    body()->addWidget(formatsLabel_);
    const char* const formatNames[] = {"cbDatecode1", "cbDatecode2"};
    const char* const templateNames[] = {"edPerso1", "edPerso2"};
    const char* const templateHints[] = {"Define the template for inlaying the first line",
                                         "Define the template to inlay the second line"};
    for (int line = 0; line < 2; ++line) {
        auto* box = new QComboBox(this);
        box->setObjectName(formatNames[line]);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItems(kDateFormats[line]);
        box->lineEdit()->installEventFilter(this);
        connect(box, &QComboBox::currentTextChanged, this,
                [this, line](const QString& text) { emit dateFormatEdited(line + 1, text); });
        dateFormats_[line] = box;
        body()->addWidget(box);
    }
    body()->addSpacing(4);
    body()->addWidget(new QLabel("templates of personalized inlay", this));
    for (int line = 0; line < 2; ++line) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(templateNames[line]);
        edit->setToolTip(templateHints[line]);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this,
                [this, line](const QString& text) { emit templateEdited(line + 1, text); });
        templates_[line] = edit;
        body()->addWidget(edit);
    }
}

void TIncrusterFrame::makeDecalagePanel() {
    decalagePanel_ = new QFrame(this);
    decalagePanel_->setObjectName("PanelDecalage");
    decalagePanel_->setFrameShape(QFrame::StyledPanel);
    decalagePanel_->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(decalagePanel_);
    v->setContentsMargins(8, 6, 8, 8);
    oldDate_ = new QLabel(decalagePanel_);
    oldDate_->setObjectName("labOldDate");
    oldDate_->setToolTip("Old date, before correction.");
    v->addWidget(oldDate_);
    auto* group = new QGroupBox("New date", decalagePanel_);
    auto* g = new QGridLayout(group);
    dateEdit_ = new QDateEdit(group);
    dateEdit_->setObjectName("DateEdit2");
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    hour_ = numberBox(23, "seHeure", group);
    minute_ = numberBox(59, "seMinute", group);
    second_ = numberBox(59, "seSeconde", group);
    auto* reset = new QPushButton("Reset", group);
    reset->setObjectName("resetBtn");
    g->addWidget(dateEdit_, 0, 0, 1, 3);
    g->addWidget(reset, 0, 3);
    g->addWidget(hour_, 1, 0);
    g->addWidget(minute_, 1, 1);
    g->addWidget(second_, 1, 2);
    v->addWidget(group);
    connect(dateEdit_, &QDateEdit::dateChanged, this, &TIncrusterFrame::newDateEdited);
    for (QSpinBox* box : {hour_, minute_, second_})
        connect(box, &QSpinBox::valueChanged, this, &TIncrusterFrame::newDateEdited);
    connect(reset, &QPushButton::clicked, this, &TIncrusterFrame::resetClicked);
    decalagePanel_->hide();
}

void TIncrusterFrame::placeDecalagePanel() {
    // Over the formats and templates, which it hides while shown.
    const int top = formatsLabel_->geometry().top();
    const int bottom = templates_[1]->geometry().bottom() + 4;
    const int height = std::max(decalagePanel_->sizeHint().height(), bottom - top);
    decalagePanel_->setGeometry(6, top, width() - 12, height);
}

void TIncrusterFrame::resizeEvent(QResizeEvent* event) {
    TSidePanel::resizeEvent(event);
    placeDecalagePanel();
}

void TIncrusterFrame::showEvent(QShowEvent* event) {
    TSidePanel::showEvent(event);
    placeDecalagePanel();
}

// Qt's colour dialog; with no screen nobody could answer it, so the colour stays.
void TIncrusterFrame::chooseColor() {
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal") {
        std::fprintf(stderr, "stillpick: the colour of inlay cannot be chosen without a screen; "
                             "it stays as it is\n");
        return;
    }
    const uint32_t v = uint32_t(color_);
    const QColor current(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(current, this, "Choose the color of inlay");
    if (!chosen.isValid()) return;
    const int32_t bgr = (chosen.blue() << 16) | (chosen.green() << 8) | chosen.red();
    setColor(bgr);
    emit colorChosen(bgr);
}

bool TIncrusterFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (!ignoredFocusReason(focus->reason())) {
            if (event->type() == QEvent::FocusIn)
                emit textFieldEntered();
            else
                emit textFieldLeft();
        }
    }
    return TSidePanel::eventFilter(watched, event);
}

// ---- Buttons running actions ----

void TIncrusterFrame::setKindActions(const std::array<QAction*, KindCount>& actions) {
    for (int i = 0; i < KindCount; ++i)
        if (actions[i]) kinds_[i]->setDefaultAction(actions[i]);
}

void TIncrusterFrame::setSlidersAction(QAction* action) {
    if (!action) return;
    sliders_->setDefaultAction(action);
    sliders_->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TIncrusterFrame::setDecalageAction(QAction* action) {
    if (!action) return;
    decalage_->setToolTip(action->toolTip());
    connect(decalage_, &QToolButton::clicked, action, &QAction::trigger);
}

void TIncrusterFrame::setDecalageEnabled(bool enabled) {
    decalage_->setEnabled(enabled);
}
bool TIncrusterFrame::decalageEnabled() const {
    return decalage_->isEnabled();
}

// ---- Styles, colour, border ----

void TIncrusterFrame::setBold(bool on) {
    bold_->setChecked(on);
}
void TIncrusterFrame::setItalic(bool on) {
    italic_->setChecked(on);
}
void TIncrusterFrame::setUnderline(bool on) {
    underline_->setChecked(on);
}
bool TIncrusterFrame::bold() const {
    return bold_->isChecked();
}
bool TIncrusterFrame::italic() const {
    return italic_->isChecked();
}
bool TIncrusterFrame::underline() const {
    return underline_->isChecked();
}

void TIncrusterFrame::setColor(int32_t bgr) {
    color_ = bgr;
    const uint32_t v = uint32_t(bgr);
    QPixmap swatch(18, 14);
    swatch.fill(QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF));
    QPainter(&swatch).drawRect(0, 0, 17, 13);
    colorButton_->setIcon(QIcon(swatch));
}

void TIncrusterFrame::setBorderCaption(const QString& caption) {
    border_->setText(caption);
}
QString TIncrusterFrame::borderCaption() const {
    return border_->text();
}

// ---- Font and size ----

QStringList TIncrusterFrame::fontNames() const {
    QStringList names;
    for (int i = 0; i < fonts_->count(); ++i)
        names << fonts_->itemText(i);
    return names;
}

bool TIncrusterFrame::selectFont(const QString& name) {
    const int index = fonts_->findText(name, Qt::MatchFixedString);
    if (index < 0) return false;
    const QSignalBlocker quiet(fonts_);
    fonts_->setCurrentIndex(index);
    return true;
}

void TIncrusterFrame::selectFirstFont() {
    const QSignalBlocker quiet(fonts_);
    fonts_->setCurrentIndex(fonts_->count() > 0 ? 0 : -1);
}

QString TIncrusterFrame::fontName() const {
    return fonts_->currentText();
}

QStringList TIncrusterFrame::sizeItems() const {
    return kSizes;
}

void TIncrusterFrame::setSizeText(const QString& text) {
    const QSignalBlocker quiet(size_);
    size_->setCurrentText(text);
}
QString TIncrusterFrame::sizeText() const {
    return size_->currentText();
}

// ---- Alignment, formats, templates ----

void TIncrusterFrame::setAlignment(int alignment) {
    if (QAbstractButton* b = aligns_->button(alignment)) {
        b->setChecked(true);
        return;
    }
    aligns_->setExclusive(false);
    for (QAbstractButton* b : aligns_->buttons())
        b->setChecked(false);
    aligns_->setExclusive(true);
}

int TIncrusterFrame::alignment() const {
    return aligns_->checkedId();
}

QStringList TIncrusterFrame::dateFormatItems(int line) const {
    return line == 1 || line == 2 ? kDateFormats[line - 1] : QStringList();
}

void TIncrusterFrame::setDateFormat(int line, const QString& format) {
    if (line != 1 && line != 2) return;
    const QSignalBlocker quiet(dateFormats_[line - 1]);
    dateFormats_[line - 1]->setCurrentText(format);
}

QString TIncrusterFrame::dateFormat(int line) const {
    return line == 1 || line == 2 ? dateFormats_[line - 1]->currentText() : QString();
}

void TIncrusterFrame::setTemplate(int line, const QString& text) {
    if (line == 1 || line == 2) templates_[line - 1]->setText(text);
}

QString TIncrusterFrame::templateText(int line) const {
    return line == 1 || line == 2 ? templates_[line - 1]->text() : QString();
}

void TIncrusterFrame::setDifferenceText(const QString& text) {
    difference_->setText(text);
}
QString TIncrusterFrame::differenceText() const {
    return difference_->text();
}

// ---- Time-difference panel ----

void TIncrusterFrame::setDecalagePanelShown(bool shown) {
    placeDecalagePanel();
    decalagePanel_->setVisible(shown);
    if (shown) decalagePanel_->raise();
}

bool TIncrusterFrame::decalagePanelShown() const {
    return !decalagePanel_->isHidden();
}

void TIncrusterFrame::setOldDateText(const QString& text) {
    oldDate_->setText(text);
}
QString TIncrusterFrame::oldDateText() const {
    return oldDate_->text();
}

void TIncrusterFrame::setNewDate(const QDate& date, int hour, int minute, int second) {
    const QSignalBlocker a(dateEdit_), b(hour_), c(minute_), d(second_);
    dateEdit_->setDate(date);
    hour_->setValue(hour);
    minute_->setValue(minute);
    second_->setValue(second);
}

QDate TIncrusterFrame::newDate() const {
    return dateEdit_->date();
}
int TIncrusterFrame::newHour() const {
    return hour_->value();
}
int TIncrusterFrame::newMinute() const {
    return minute_->value();
}
int TIncrusterFrame::newSecond() const {
    return second_->value();
}

} // namespace sp
