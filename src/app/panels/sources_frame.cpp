#include "app/panels/sources_frame.h"

#include "app/panels/action_binding.h"
#include "app/panels/choice_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace sp {

namespace {

QGroupBox* streamGroup(const QString& title, TChoiceList*& list, QLabel*& label, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(group);
    list = new TChoiceList(group);
    label = new QLabel(group);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(list);
    layout->addWidget(label);
    return group;
}

} // namespace

TSourcesFrame::TSourcesFrame(QWidget* parent) : TSidePanel("Sources", parent) {
    videoGroup_ = streamGroup("Video", videoList_, videoLabel_, this);
    videoList_->setObjectName("cboxvideo");
    audioGroup_ = streamGroup("Audio", audioList_, audioLabel_, this);
    audioList_->setObjectName("cboxAudio");
    maxSpeed_ = new QCheckBox("Maximum speed", this);
    scenes_ = new QLabel(this);
    scenes_->setObjectName("labScenes");
    scenes_->setWordWrap(true);
    body()->addWidget(videoGroup_);
    body()->addWidget(audioGroup_);
    body()->addWidget(maxSpeed_);
    body()->addWidget(scenes_);
    connect(videoList_, &QComboBox::activated, this, &TSourcesFrame::videoChosen);
    connect(audioList_, &QComboBox::activated, this, &TSourcesFrame::audioChosen);
}

void TSourcesFrame::setVideoStreams(const QStringList& names, int current) {
    videoList_->setChoices(names, current);
}

void TSourcesFrame::setAudioStreams(const QStringList& names, int current) {
    audioList_->setChoices(names, current);
}

void TSourcesFrame::selectVideoStream(int row) {
    videoList_->choose(row);
}

void TSourcesFrame::selectAudioStream(int row) {
    audioList_->choose(row);
}

int TSourcesFrame::videoStream() const {
    return videoList_->currentIndex();
}
int TSourcesFrame::audioStream() const {
    return audioList_->currentIndex();
}
QString TSourcesFrame::videoStreamText() const {
    return videoList_->currentText();
}

void TSourcesFrame::setVideoDescription(const QString& text) {
    videoLabel_->setText(text);
}
void TSourcesFrame::setAudioDescription(const QString& text) {
    audioLabel_->setText(text);
}
QString TSourcesFrame::videoDescription() const {
    return videoLabel_->text();
}
QString TSourcesFrame::audioDescription() const {
    return audioLabel_->text();
}
void TSourcesFrame::setVideoDescriptionVisible(bool visible) {
    videoLabel_->setVisible(visible);
}
void TSourcesFrame::setAudioDescriptionVisible(bool visible) {
    audioLabel_->setVisible(visible);
}
void TSourcesFrame::setAudioGroupVisible(bool visible) {
    audioGroup_->setVisible(visible);
}
bool TSourcesFrame::audioGroupVisible() const {
    return !audioGroup_->isHidden();
}

void TSourcesFrame::bindMaxSpeedAction(QAction& action) {
    bindCheckBoxToAction(*maxSpeed_, action);
}
void TSourcesFrame::setScenesText(const QString& text) {
    scenes_->setText(text);
}
QString TSourcesFrame::scenesText() const {
    return scenes_->text();
}

bool TSourcesFrame::maxSpeedChecked() const {
    return maxSpeed_->isChecked();
}

} // namespace sp
