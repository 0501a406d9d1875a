#include "app/panels/options_frame.h"

#include "app/panels/choice_list.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace sp {

namespace {

struct OptionRow {
    const char* name;
    const char* caption;
};

constexpr std::array<OptionRow, TOptionsFrame::kOptionCount> kOptions{{
    {"cbConfirmerImage", "Confirm before replacing an existing image"},
    {"cbSauverQuandClic", "Save the picture when click on the video"},
    {"cbMTSVitessemaxi", "Play MTS and m2ts with maximum speed"},
    {"cbParametrerFiltres", "Customize filters when start"},
    {"cbImagesDeInterlacer", "Deinterlace the pictures"},
    {"cbForcerDecodeur", "Force the decoder"},
    {"cbTraiterErreurs", "Display errors"},
}};

// What is left of the panel's width beside a check box's indicator.
constexpr int kCaptionWidth = kSidePanelWidth - 20 - 28;

constexpr std::array<const char*, 3> kSaveModes{
    "Normal Mode (registry)", "Portable Mode ( USB key)", "Do not save when quit"};

// The caption broken into lines at blanks so that each fits `width` (a check box does not wrap).
QString wrapped(const QString& caption, const QFontMetrics& metrics, int width) {
    QString out, line;
    for (const QString& word : caption.split(' ')) {
        const QString longer = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            out += line + '\n';
            line = word;
        } else {
            line = longer;
        }
    }
    return out + line;
}

} // namespace

QString TOptionsFrame::caption(Option option) {
    return kOptions.at(option).caption;
}
QString TOptionsFrame::boxName(Option option) {
    return kOptions.at(option).name;
}

TOptionsFrame::TOptionsFrame(QWidget* parent) : TSidePanel("Settings", parent) {
    for (int i = 0; i < kOptionCount; ++i) {
        auto* box = new QCheckBox(this);
        box->setText(wrapped(kOptions[i].caption, box->fontMetrics(), kCaptionWidth));
        box->setObjectName(kOptions[i].name);
        body()->addWidget(box);
        boxes_[i] = box;
        connect(box, &QCheckBox::clicked, this,
                [this, i](bool checked) { emit optionClicked(Option(i), checked); });
    }

    auto* group = new QGroupBox("Save the preferences when quit", this);
    group->setObjectName("rgPrefs");
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(8, 4, 8, 4);
    groupLayout->setSpacing(2);
    prefs_ = new QButtonGroup(group);
    for (int i = 0; i < int(kSaveModes.size()); ++i) {
        auto* item = new QRadioButton(kSaveModes[i], group);
        prefs_->addButton(item, i);
        groupLayout->addWidget(item);
    }
    body()->addWidget(group);
    connect(prefs_, &QButtonGroup::idClicked, this, &TOptionsFrame::saveModeChosen);

    addDecoderList("decoders mpeg video", "cbDecodeursMpegVideo", videoDecoderLabel_,
                   videoDecoders_);
    addDecoderList("decoders mpeg audio", "cbDecodeursMpegAudio", audioDecoderLabel_,
                   audioDecoders_);
    connect(videoDecoders_, &QComboBox::activated, this, &TOptionsFrame::videoDecoderChosen);
    connect(audioDecoders_, &QComboBox::activated, this, &TOptionsFrame::audioDecoderChosen);
}

void TOptionsFrame::addDecoderList(const QString& caption, const QString& name, QLabel*& label,
                                   TChoiceList*& list) {
    label = new QLabel(caption, this);
    list = new TChoiceList(this);
    list->setObjectName(name);
    label->setBuddy(list);
    body()->addWidget(label);
    body()->addWidget(list);
}

void TOptionsFrame::setOption(Option option, bool checked) {
    QCheckBox* box = boxes_.at(option);
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

bool TOptionsFrame::option(Option option) const {
    return boxes_.at(option)->isChecked();
}

void TOptionsFrame::setSaveMode(int mode) {
    if (QAbstractButton* item = prefs_->button(mode)) {
        item->setChecked(true);
        return;
    }
    // No item: clear the choice (an exclusive group refuses to uncheck its last button).
    prefs_->setExclusive(false);
    for (QAbstractButton* item : prefs_->buttons())
        item->setChecked(false);
    prefs_->setExclusive(true);
}

int TOptionsFrame::saveMode() const {
    return prefs_->checkedId();
}

void TOptionsFrame::setVideoDecoders(const QStringList& names, int current) {
    videoDecoders_->setChoices(names, current);
}

void TOptionsFrame::setAudioDecoders(const QStringList& names, int current) {
    audioDecoders_->setChoices(names, current);
}

void TOptionsFrame::selectVideoDecoder(int row) {
    videoDecoders_->choose(row);
}

void TOptionsFrame::selectAudioDecoder(int row) {
    audioDecoders_->choose(row);
}

int TOptionsFrame::videoDecoder() const {
    return videoDecoders_->currentIndex();
}
int TOptionsFrame::audioDecoder() const {
    return audioDecoders_->currentIndex();
}
QString TOptionsFrame::videoDecoderText() const {
    return videoDecoders_->currentText();
}
QString TOptionsFrame::audioDecoderText() const {
    return audioDecoders_->currentText();
}

void TOptionsFrame::setVideoDecoderListVisible(bool visible) {
    videoDecoderLabel_->setVisible(visible);
    videoDecoders_->setVisible(visible);
}

void TOptionsFrame::setAudioDecoderListVisible(bool visible) {
    audioDecoderLabel_->setVisible(visible);
    audioDecoders_->setVisible(visible);
}

bool TOptionsFrame::videoDecoderListVisible() const {
    return !videoDecoders_->isHidden();
}
bool TOptionsFrame::audioDecoderListVisible() const {
    return !audioDecoders_->isHidden();
}

} // namespace sp
