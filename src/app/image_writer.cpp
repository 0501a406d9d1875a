#include "app/image_writer.h"

#include "platform/system/jpeg_encoder.h"

#include <QtConcurrent/QtConcurrentRun>

namespace sp {

TImageWriter::TImageWriter(std::function<void(uint64_t)> finished)
    : finished_(std::move(finished)), nowEncoder_(std::make_unique<JpegEncoder>()),
      backgroundEncoder_(std::make_unique<JpegEncoder>(JpegEncoder::HuffmanTables::Carried)) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(-1); // the thread stays for the next image
}

TImageWriter::~TImageWriter() {
    pool_.waitForDone(); // the image in flight is written to its end
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
    JpegEncoder* encoder = backgroundEncoder_.get();
    future_ =
        QtConcurrent::run(&pool_, [encoder, job = std::move(job), sequence, finished = finished_] {
            Outcome outcome = WriteWith(*encoder, job);
            if (finished) finished(sequence);
            return outcome;
        });
    pending_ = sequence;
    return sequence;
}

std::optional<TImageWriter::Outcome> TImageWriter::Collect() {
    if (!Pending()) return std::nullopt;
    Outcome outcome = future_.result(); // waits for the write to end
    future_ = {};
    pending_ = 0;
    return outcome;
}

} // namespace sp
