#include "app/image_writer.h"

#include "platform/system/jpeg_encoder.h"
#include "platform/system/picture_image.h"

#include <QtConcurrent/QtConcurrentRun>

namespace sp {

TImageWriter::TImageWriter(std::function<void(uint64_t)> written)
    : written_(std::move(written)), now_(std::make_unique<Tools>()),
      background_(std::make_unique<Tools>()) {
    now_->encoder = std::make_unique<JpegEncoder>();
    background_->encoder = std::make_unique<JpegEncoder>(JpegEncoder::HuffmanTables::Carried);
    for (QThreadPool* pool : {&pool_, &disk_}) {
        pool->setMaxThreadCount(1);
        pool->setExpiryTimeout(-1); // the thread stays for the next image
    }
}

TImageWriter::~TImageWriter() {
    Collect(); // never a lost image: the one submitted is written
    pool_.waitForDone();
    disk_.waitForDone();
}

namespace {

PictureView ViewOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height(), int(image.bytesPerLine())};
}

} // namespace

ImageEncoder& TImageWriter::EncoderFor(Tools& tools, ImageFormat format) {
    std::unique_ptr<ImageEncoder>& encoder = tools.others[size_t(ImageFormatOrJpeg(int(format)))];
    if (!encoder) encoder = MakeImageEncoder(format);
    return *encoder;
}

TImageWriter::Made TImageWriter::MakeFile(Tools& tools, const Job& job) {
    if (job.format == ImageFormat::Jpeg) return MakeJpeg(tools, job);
    if (job.format == ImageFormat::Png && !job.deep.isNull()) return MakeDeepPng(tools, job);
    const PictureView view = ViewOf(job.picture);
    const bool stretch = !job.size.isEmpty() && job.size != job.picture.size();
    const int width = job.size.width(), height = job.size.height();
    Made made;
    QImage stretched; // null when there is no memory for it
    if (stretch) {
        stretched = NewPictureImage(width, height);
        if (stretched.isNull() || !tools.stretcher.Stretch(view, stretched.bits(), width, height,
                                                           int(stretched.bytesPerLine()))) {
            made.error = "the picture could not be stretched";
            return made;
        }
    }
    ImageEncoder& encoder = EncoderFor(tools, job.format);
    const std::vector<uint8_t> exif =
        job.format == ImageFormat::Bmp ? std::vector<uint8_t>{} : BuildExifBlock(job.metadata);
    if (!encoder.Encode(stretch ? ViewOf(stretched) : view, job.quality, exif, made.bytes,
                        &made.error))
        made.bytes.clear();
    return made;
}

// The 16-bit picture, stretched by Qt's smooth scaling (which keeps 16 bits a channel) when
// the image has another size.
TImageWriter::Made TImageWriter::MakeDeepPng(Tools& tools, const Job& job) {
    const bool stretch = !job.size.isEmpty() && job.size != job.deep.size();
    const QImage deep =
        stretch ? job.deep.scaled(job.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                : job.deep;
    Made made;
    if (deep.isNull() || deep.format() != QImage::Format_RGBX64) {
        made.error = "the picture could not be stretched";
        return made;
    }
    ImageEncoder& encoder = EncoderFor(tools, ImageFormat::Png);
    const PictureView view{deep.constBits(), deep.width(), deep.height(), int(deep.bytesPerLine()),
                           16};
    if (!encoder.Encode(view, job.quality, BuildExifBlock(job.metadata), made.bytes, &made.error))
        made.bytes.clear();
    return made;
}

TImageWriter::Made TImageWriter::MakeJpeg(Tools& tools, const Job& job) {
    const PictureView view = ViewOf(job.picture);
    const bool stretch = !job.size.isEmpty() && job.size != job.picture.size();
    const int width = job.size.width(), height = job.size.height();
    Made made;
    const std::vector<uint8_t> exif = BuildExifBlock(job.metadata);
    JpegEncoder& encoder = *tools.encoder;
    bool ok = false;
    if (stretch) {
        auto band = [&](int first, int count, uint8_t* rows) {
            return tools.stretcher.StretchRows(view, width, height, first, count, rows, width * 4);
        };
        ok = encoder.Encode(width, height, band, job.quality, exif, &made.error);
    } else {
        ok = encoder.Encode(view, job.quality, exif, &made.error);
    }
    if (ok) made.bytes.assign(encoder.Bytes().begin(), encoder.Bytes().end());
    return made;
}

TImageWriter::Outcome TImageWriter::WriteMade(const Made& made, const std::string& path) {
    Outcome outcome;
    outcome.path = path;
    outcome.error = made.error;
    if (!made.bytes.empty()) outcome.ok = WriteImageFile(path, made.bytes, &outcome.error);
    if (!outcome.ok && outcome.error.empty()) outcome.error = "the image could not be made";
    return outcome;
}

TImageWriter::Outcome TImageWriter::Write(const Job& job) {
    return WriteMade(MakeFile(*now_, job), job.path);
}

uint64_t TImageWriter::Prepare(Job job) {
    const uint64_t sequence = ++lastSequence_;
    Tools* tools = background_.get();
    prepared_ = {sequence, QtConcurrent::run(&pool_, [tools, job = std::move(job)] {
                     // A task waited for before it began runs on the waiting thread, maybe
                     // beside one still running here (an image prepared and dropped).
                     std::lock_guard lock(tools->busy);
                     return MakeFile(*tools, job);
                 })};
    return sequence;
}

bool TImageWriter::Submit(std::string path) {
    if (prepared_.sequence == 0) return false;
    if (Pending()) Collect();
    const uint64_t sequence = prepared_.sequence;
    auto write = [made = std::move(prepared_.future), path = std::move(path), sequence,
                  written = written_] {
        Outcome outcome = WriteMade(made.result(), path); // waits for the file to be made
        if (written) written(sequence);
        return outcome;
    };
    pending_ = {sequence, QtConcurrent::run(&disk_, std::move(write))};
    prepared_ = {};
    return true;
}

uint64_t TImageWriter::Submit(Job job) {
    std::string path = job.path;
    const uint64_t sequence = Prepare(std::move(job));
    Submit(std::move(path));
    return sequence;
}

std::optional<TImageWriter::Outcome> TImageWriter::Collect() {
    if (!Pending()) return std::nullopt;
    Outcome outcome = pending_.outcome.result(); // waits for the file to be written
    pending_ = {};
    return outcome;
}

} // namespace sp
