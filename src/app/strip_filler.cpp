#include "app/strip_filler.h"

#include "platform/outside/picture_reader.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdlib>
#include <limits>

namespace sp {

namespace {

// A span further ahead than this is reached by a seek rather than by reading on.
constexpr int64_t kReadOnLimitHns = 20'000'000;
constexpr int64_t kNotRead = std::numeric_limits<int64_t>::min();

} // namespace

struct TStripFiller::Job {
    std::unique_ptr<outside::PictureReader> reader; // the worker's while a job runs
    bool openTried = false;
    int64_t readerAt = kNotRead; // start of the last picture read
    std::atomic<int64_t> frameHns{0};
    std::atomic<int64_t> first{0};
    std::atomic<int64_t> last{-1};
    std::atomic<bool> cancel{false};
    std::string path;
    QSize size;
};

namespace {

// The worker: reads the span wanted (which may move forward meanwhile) and hands each picture
// on as it is made.
void ReadSpan(QPromise<TStripFiller::Picture>& promise, std::shared_ptr<TStripFiller::Job> job) {
    if (!job->openTried) {
        job->openTried = true;
        job->reader = outside::PictureReader::open(job->path, nullptr, 1);
        if (job->reader) job->frameHns = job->reader->frameHns();
    }
    auto& reader = job->reader;
    if (!reader) return;
    const int64_t first = job->first.load();
    if (job->readerAt == kNotRead || job->readerAt >= first ||
        first - job->readerAt > kReadOnLimitHns) {
        job->readerAt = kNotRead;
        if (!reader->seek(first)) return;
    }
    const int w = job->size.width(), h = job->size.height();
    while (!job->cancel.load() && !promise.isCanceled()) {
        const auto frame = reader->next();
        if (!frame) {
            job->readerAt = kNotRead; // at the end: the next job seeks
            return;
        }
        job->readerAt = frame->startHns;
        const int64_t wanted = job->first.load();
        if (wanted - frame->startHns > kReadOnLimitHns) return; // jumped ahead: seek instead
        if (frame->startHns < wanted) continue;
        QImage image(w, h, QImage::Format_RGB32);
        if (reader->copyScaled({image.bits(), size_t(image.sizeInBytes())}, w, h))
            promise.addResult(TStripFiller::Picture{frame->startHns, image});
        if (frame->startHns >= job->last.load()) return;
    }
}

} // namespace

TStripFiller::TStripFiller(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcherBase::resultReadyAt, this, &TStripFiller::Received);
    connect(&watcher_, &QFutureWatcherBase::finished, this, &TStripFiller::JobFinished);
}

TStripFiller::~TStripFiller() {
    Close();
}

void TStripFiller::Open(const QString& path, QSize pictureSize) {
    Close();
    path_ = path;
    size_ = pictureSize;
    job_ = std::make_shared<Job>();
    job_->path = path.toStdString();
    job_->size = pictureSize;
}

void TStripFiller::Close() {
    if (job_) {
        job_->cancel = true;
        watcher_.waitForFinished();
        watcher_.setFuture(QFuture<Picture>()); // pictures still queued are not this file's
    }
    job_.reset();
    path_.clear();
    pictures_.clear();
    wantLast_ = -1;
}

void TStripFiller::Want(int64_t firstHns, int64_t lastHns) {
    wantFirst_ = firstHns;
    wantLast_ = lastHns;
    if (!job_) return;
    job_->first = firstHns;
    job_->last = lastHns;
    if (!watcher_.isRunning() && Missing(firstHns, lastHns)) StartJob();
}

QImage TStripFiller::PictureAt(int64_t positionHns, int64_t frameHns) const {
    const int64_t half = std::max<int64_t>(frameHns / 2, 1);
    auto it = pictures_.lower_bound(positionHns - half + 1);
    if (it == pictures_.end() || it->first >= positionHns + half) return {};
    return it->second;
}

int64_t TStripFiller::FrameHns() const {
    return job_ ? job_->frameHns.load() : 0;
}

bool TStripFiller::Missing(int64_t firstHns, int64_t lastHns) const {
    const int64_t frame = FrameHns() > 0 ? FrameHns() : 400000;
    for (int64_t t = firstHns; t <= lastHns; t += frame)
        if (PictureAt(t, frame).isNull()) return true;
    return false;
}

void TStripFiller::StartJob() {
    jobFirst_ = wantFirst_;
    jobLast_ = wantLast_;
    watcher_.setFuture(QtConcurrent::run(ReadSpan, job_));
}

void TStripFiller::Received(int index) {
    if (!job_) return; // a job called off
    const Picture picture = watcher_.resultAt(index);
    pictures_[picture.startHns] = picture.image;
    Trim();
    emit picturesChanged();
}

void TStripFiller::JobFinished() {
    if (!job_ || job_->cancel.load()) return;
    // The span moved while the job read: another job for what is still missing. (A span the
    // file cannot fill, past its end, is not asked for again until it moves.)
    const bool moved = wantFirst_ != jobFirst_ || wantLast_ != jobLast_;
    if (moved && job_->reader && Missing(wantFirst_, wantLast_)) StartJob();
}

void TStripFiller::Trim() {
    const int64_t centre = wantFirst_ / 2 + wantLast_ / 2;
    while (pictures_.size() > kMaxPictures) {
        const auto front = pictures_.begin();
        const auto back = std::prev(pictures_.end());
        pictures_.erase(
            std::llabs(front->first - centre) > std::llabs(back->first - centre) ? front : back);
    }
}

} // namespace sp
