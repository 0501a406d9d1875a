#include "app/panels/dossiers_frame.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace sp {

namespace {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

void CheckInGroup(QButtonGroup* group, int id) {
    // A checked button of an exclusive group cannot be unchecked alone.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(group->id(b) == id);
    group->setExclusive(true);
}

} // namespace

TDossiersFrame::TDossiersFrame(QWidget* parent)
    : TSidePanel("Folders", parent), folder_(Named(new QLineEdit(this), "deDossierSave")),
      browse_(new QToolButton(this)), rootGroup_(new QButtonGroup(this)),
      useRoot_(Named(new QRadioButton("Use the root:", this), "rbUtiliserRacine")),
      useVideoName_(
          Named(new QRadioButton("Use the names of video files", this), "rbUtiliserNomVideo")),
      root_(Named(new QLineEdit(this), "NomRacineEdit")),
      limit_(Named(new QCheckBox("Set a maximum for the root name", this), "cbLimiterLongueur")),
      maxLength_(Named(new QLineEdit(this), "RacineLengthEdit")),
      suffixGroup_(new QButtonGroup(this)),
      timestamp_(Named(new QRadioButton("Add timestamp", this), "rbTimestamp")),
      number_(Named(new QRadioButton("Number from", this), "rbNumero")),
      numberEdit_(Named(new QLineEdit("0000", this), "numEdit")),
      digits_(Named(new QSpinBox(this), "DigitsEdit")), extensionGroup_(new QButtonGroup(this)),
      quality_(Named(new QSlider(Qt::Horizontal, this), "TrackBar1")),
      qualityLabel_(Named(new QLabel(this), "labQuality")), qualityCaption_(new QLabel(this)) {
    // Image folder.
    auto* folderBox = new QGroupBox("Image folder", this);
    auto* folderRow = new QHBoxLayout(folderBox);
    browse_->setText("...");
    browse_->setToolTip("Choose the folder of the images");
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    body()->addWidget(folderBox);

    // Root of the names.
    auto* rootBox = new QGroupBox("Root", this);
    auto* rootGrid = new QGridLayout(rootBox);
    rootGroup_->addButton(useRoot_, 0);
    rootGroup_->addButton(useVideoName_, 1);
    rootGrid->addWidget(useRoot_, 0, 0);
    rootGrid->addWidget(root_, 0, 1);
    rootGrid->addWidget(useVideoName_, 1, 0, 1, 2);
    rootGrid->addWidget(limit_, 2, 0, 1, 2);
    rootGrid->addWidget(new QLabel("Maximum length:", this), 3, 0);
    maxLength_->setMaximumWidth(60);
    rootGrid->addWidget(maxLength_, 3, 1, Qt::AlignLeft);
    body()->addWidget(rootBox);

    // Suffix: the timestamp or a number.
    auto* suffixBox = new QGroupBox("Suffix", this);
    auto* suffixGrid = new QGridLayout(suffixBox);
    suffixGroup_->addButton(number_, 0);
    suffixGroup_->addButton(timestamp_, 1);
    suffixGrid->addWidget(timestamp_, 0, 0, 1, 2);
    suffixGrid->addWidget(number_, 1, 0);
    numberEdit_->setMaximumWidth(110);
    suffixGrid->addWidget(numberEdit_, 1, 1, Qt::AlignLeft);
    suffixGrid->addWidget(new QLabel("Number of digits:", this), 2, 0);
    digits_->setRange(0, 20);
    digits_->setValue(4);
    suffixGrid->addWidget(digits_, 2, 1, Qt::AlignLeft);
    body()->addWidget(suffixBox);

    // Format and quality.
    auto* formatBox = Named(new QGroupBox("Format", this), "rgExtension");
    auto* formatGrid = new QGridLayout(formatBox);
    // Items 0 and 1 as described, then the formats beyond, three a row.
    const char* const formats[] = {"bmp", "jpeg", "png", "webp", "jxl", "avif"};
    for (int item = 0; item < int(std::size(formats)); ++item) {
        auto* button = new QRadioButton(formats[item], this);
        extensionGroup_->addButton(button, item);
        formatGrid->addWidget(button, item / 3, item % 3);
    }
    qualityCaption_->setText("Quality of jpeg");
    formatGrid->addWidget(qualityCaption_, 2, 0, 1, 2);
    quality_->setRange(1, 100);
    quality_->setValue(50);
    qualityLabel_->setNum(50);
    formatGrid->addWidget(qualityLabel_, 2, 2, Qt::AlignRight);
    formatGrid->addWidget(quality_, 3, 0, 1, 3);
    body()->addWidget(formatBox);

    connect(browse_, &QToolButton::clicked, this, &TDossiersFrame::browse);
    connect(folder_, &QLineEdit::editingFinished, this, [this] {
        if (folder_->isModified()) {
            folder_->setModified(false);
            emit folderChosen(folder_->text());
        }
    });
    connect(rootGroup_, &QButtonGroup::idClicked, this, &TDossiersFrame::rootModeChosen);
    connect(root_, &QLineEdit::textEdited, this, &TDossiersFrame::rootTextChanged);
    connect(limit_, &QCheckBox::clicked, this, &TDossiersFrame::limitLengthClicked);
    connect(maxLength_, &QLineEdit::textEdited, this, &TDossiersFrame::maxLengthChanged);
    connect(suffixGroup_, &QButtonGroup::idClicked, this, &TDossiersFrame::suffixModeChosen);
    connect(numberEdit_, &QLineEdit::textEdited, this, &TDossiersFrame::numberTextChanged);
    connect(digits_, &QSpinBox::valueChanged, this, &TDossiersFrame::digitsChanged);
    connect(extensionGroup_, &QButtonGroup::idClicked, this, &TDossiersFrame::extensionChosen);
    connect(quality_, &QSlider::valueChanged, this, [this](int value) {
        qualityLabel_->setNum(value);
        emit qualityChanged(value);
    });
}

void TDossiersFrame::browse() {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, "Image folder", folder_->text(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    if (chosen.isEmpty()) return;
    folder_->setText(chosen);
    emit folderChosen(chosen);
}

void TDossiersFrame::setFolder(const QString& folder) {
    folder_->setText(folder);
    folder_->setModified(false);
}
QString TDossiersFrame::folder() const {
    return folder_->text();
}
void TDossiersFrame::setRootText(const QString& text) {
    root_->setText(text);
}
QString TDossiersFrame::rootText() const {
    return root_->text();
}
void TDossiersFrame::setRootMode(int mode) {
    CheckInGroup(rootGroup_, mode);
}
int TDossiersFrame::rootMode() const {
    return rootGroup_->checkedId();
}
void TDossiersFrame::setLimitLength(bool on) {
    limit_->setChecked(on);
}
bool TDossiersFrame::limitLength() const {
    return limit_->isChecked();
}
void TDossiersFrame::setMaxLengthText(const QString& text) {
    maxLength_->setText(text);
}
QString TDossiersFrame::maxLengthText() const {
    return maxLength_->text();
}
void TDossiersFrame::setSuffixMode(int mode) {
    CheckInGroup(suffixGroup_, mode);
}
int TDossiersFrame::suffixMode() const {
    return suffixGroup_->checkedId();
}
void TDossiersFrame::setNumberText(const QString& text) {
    numberEdit_->setText(text);
}
QString TDossiersFrame::numberText() const {
    return numberEdit_->text();
}
void TDossiersFrame::setDigits(int digits) {
    const QSignalBlocker quiet(digits_);
    digits_->setValue(std::clamp(digits, 0, 20));
}
int TDossiersFrame::digits() const {
    return digits_->value();
}
void TDossiersFrame::setNumberEditsEnabled(bool enabled) {
    numberEdit_->setEnabled(enabled);
    digits_->setEnabled(enabled);
}
void TDossiersFrame::setExtension(int item) {
    CheckInGroup(extensionGroup_, item);
}
int TDossiersFrame::extension() const {
    return extensionGroup_->checkedId();
}
void TDossiersFrame::setQuality(int quality) {
    const QSignalBlocker quiet(quality_);
    quality_->setValue(std::clamp(quality, 1, 100));
    qualityLabel_->setNum(quality_->value());
}
int TDossiersFrame::quality() const {
    return quality_->value();
}
QString TDossiersFrame::qualityText() const {
    return qualityLabel_->text();
}
void TDossiersFrame::setQualityCaption(const QString& format) {
    qualityCaption_->setText("Quality of " + format);
}
QString TDossiersFrame::qualityCaption() const {
    return qualityCaption_->text();
}

} // namespace sp
