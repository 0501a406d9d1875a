#include "app/image_writer.h"

#include "platform/system/jpeg_encoder.h"

namespace sp {

TImageWriter::TImageWriter(std::function<void(uint64_t)> finished)
    : finished_(std::move(finished)), nowEncoder_(std::make_unique<JpegEncoder>()),
      backgroundEncoder_(std::make_unique<JpegEncoder>()), thread_([this] { Work(); }) {}

TImageWriter::~TImageWriter() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

TImageWriter::Outcome TImageWriter::WriteWith(JpegEncoder& encoder, const Job& job) {
    const QImage& image = job.picture;
    const PictureView view{image.constBits(), image.width(), image.height(),
                           int(image.bytesPerLine())};
    Outcome outcome;
    outcome.path = job.path;
    outcome.ok = job.jpeg
                     ? WriteJpeg(encoder, job.path, view, job.quality, job.metadata, &outcome.error)
                     : WriteBmp24(job.path, view, &outcome.error);
    return outcome;
}

TImageWriter::Outcome TImageWriter::Write(const Job& job) {
    return WriteWith(*nowEncoder_, job);
}

uint64_t TImageWriter::Submit(Job job) {
    if (Pending()) Collect();
    const uint64_t sequence = ++lastSequence_;
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        jobSequence_ = sequence;
    }
    pending_ = sequence;
    changed_.notify_all();
    return sequence;
}

std::optional<TImageWriter::Outcome> TImageWriter::Collect() {
    if (!Pending()) return std::nullopt;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return doneSequence_ == pending_; });
    std::optional<Outcome> outcome = std::move(outcome_);
    outcome_.reset();
    pending_ = 0;
    return outcome;
}

void TImageWriter::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || job_; });
        if (!job_) return; // quitting with nothing in flight
        const Job job = std::move(*job_);
        job_.reset();
        const uint64_t sequence = jobSequence_;
        lock.unlock();
        Outcome outcome = WriteWith(*backgroundEncoder_, job);
        lock.lock();
        outcome_ = std::move(outcome);
        doneSequence_ = sequence;
        changed_.notify_all();
        if (finished_) {
            lock.unlock();
            finished_(sequence);
            lock.lock();
        }
    }
}

} // namespace sp
