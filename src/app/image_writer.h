#pragma once
// TImageWriter: writes grabbed images in any of the still formats (image_encoder.h), either at once
// on the calling thread or in steps during an intervalometer run: the file is made in memory
// (stretched, compressed) on a thread of its own, then written to the disk on another. So the next
// frame is fetched and prepared while the last one is being compressed, the compressing thread
// never waits for the disk, and the calling thread neither.
//
// At most one image is submitted and not yet collected. Its outcome is not applied by the
// writer: the window collects it (Collect) and only then advances its number and its next
// name, so that a failed write changes nothing. An image can be prepared before its name is
// known (Prepare, then Submit with the name): the window starts compressing a frame before it
// has collected the outcome of the one before, which decides the name. When a submitted image
// has been written (or has failed), the writer calls `written` with the image's sequence
// number, on its disk thread (or on a thread that collects it, if Qt runs the write there); the
// window passes that on as a posted message to itself, and collects the outcome when the message
// arrives, or earlier (Collect waits) when it needs the outcome before its next save.
//
// Threads: everything but `written` is called on the user-interface thread. Making and writing
// are tasks on two one-thread pools of Qt's own; the job goes in by value, the file's bytes go
// from one task to the next through the making task's future (the writing task waits for it)
// and the outcome comes back through the writing task's future. A task not yet begun when it
// is waited for runs on the waiting thread instead; the tools the making tasks share are locked
// while one of them uses them. Qt's future continuations are not used: under ThreadSanitizer
// one of Qt 6.4 crashed here, started without its promise.
// The picture of a job is an implicitly shared QImage that the worker only reads; the window
// writing into its own copy detaches it, so the picture in flight never changes.
//
// A job may ask for its picture stretched to another size: the writer stretches it while it
// makes the file, for a JPEG a band of rows at a time as the encoder takes them, so the
// stretched picture never exists whole; the other formats take it stretched whole.

#include "platform/system/image_encoder.h"
#include "platform/system/image_files.h"
#include "platform/system/picture_stretch.h"

#include <QFuture>
#include <QImage>
#include <QThreadPool>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sp {

class JpegEncoder;

class TImageWriter {
public:
    struct Job {
        QImage picture; // RGB32, read only
        QSize size;     // of the image written, the picture stretched over it; empty: as it is
        std::string path;
        ImageFormat format = ImageFormat::Jpeg;
        int quality = 75;       // where the format has one
        ImageMetadata metadata; // every format but BMP
        // For a PNG: the same frame at 16 bits a channel (RGBX64, the size of `picture`), saved
        // in its place as a 16-bit PNG; null: none.
        QImage deep;
    };
    struct Outcome {
        bool ok = false;
        std::string path;  // the job's
        std::string error; // the system's reason when !ok
    };

    // `written(sequence)` runs after each image submitted has been written or has failed.
    explicit TImageWriter(std::function<void(uint64_t sequence)> written);
    // An image submitted and not collected is written first, then the thread stops.
    ~TImageWriter();
    TImageWriter(const TImageWriter&) = delete;
    TImageWriter& operator=(const TImageWriter&) = delete;

    // Writes `job` now, on the calling thread.
    Outcome Write(const Job& job);

    // Starts making the file of `job` in the background (its path is not used) and returns its
    // sequence number. An image prepared and not submitted is dropped.
    uint64_t Prepare(Job job);
    uint64_t PreparedSequence() const { return prepared_.sequence; } // 0: none
    // The prepared image is to be written under `path`, as soon as it is made. Any image still
    // pending is collected first (its outcome is then lost: collect it before). False when
    // nothing is prepared.
    bool Submit(std::string path);
    // Prepare and Submit in one.
    uint64_t Submit(Job job);

    // An image was submitted and its outcome not yet collected.
    bool Pending() const { return pending_.sequence != 0; }
    uint64_t PendingSequence() const { return pending_.sequence; }
    // The pending image is written (or failed): collecting it waits for nothing.
    bool PendingWritten() const { return Pending() && pending_.outcome.isFinished(); }
    // The outcome of the pending image, once written. None when nothing is pending.
    std::optional<Outcome> Collect();

private:
    // What making a file works with, kept from one image to the next.
    struct Tools {
        std::unique_ptr<JpegEncoder> encoder;
        std::array<std::unique_ptr<ImageEncoder>, kImageFormatCount> others; // made when first used
        PictureStretcher stretcher;
        std::mutex busy; // held while an image is made with them
    };
    struct Made {
        std::vector<uint8_t> bytes; // the whole file; empty on failure
        std::string error;
    };
    struct Prepared {
        uint64_t sequence = 0; // 0: none
        QFuture<Made> future;
    };
    struct Submitted {
        uint64_t sequence = 0; // 0: none
        QFuture<Outcome> outcome;
    };
    static Made MakeFile(Tools& tools, const Job& job);
    static Made MakeJpeg(Tools& tools, const Job& job);
    static Made MakeDeepPng(Tools& tools, const Job& job);
    // The tools' encoder of `format` (not JPEG's), made when first used.
    static ImageEncoder& EncoderFor(Tools& tools, ImageFormat format);
    static Outcome WriteMade(const Made& made, const std::string& path);

    std::function<void(uint64_t)> written_;
    std::unique_ptr<Tools> now_;        // Write, on the calling thread
    std::unique_ptr<Tools> background_; // Prepare's tasks, one at a time
    Prepared prepared_;                 // user-interface thread only
    Submitted pending_;                 // user-interface thread only
    uint64_t lastSequence_ = 0;         // user-interface thread only
    // One thread each; declared last, so they are waited for first.
    QThreadPool pool_; // making
    QThreadPool disk_; // writing
};

} // namespace sp
