#pragma once
// TImageWriter: writes grabbed images as JPEG or BMP files, either at once on the calling
// thread or one at a time on a thread of its own, so that an intervalometer run can fetch and
// prepare the next frame while the last one is being compressed and written.
//
// At most one image is in flight. Its outcome is not applied by the writer: the window collects
// it (Collect) and only then advances its number and its next name, so that a failed write
// changes nothing. When a background write ends, the writer calls `finished` on its own thread
// with the image's sequence number; the window passes that on as a posted message to itself,
// and collects the outcome when the message arrives, or earlier (Collect waits) when it needs
// the outcome before its next save.
//
// Threads: everything but `finished` is called on the user-interface thread. A background write
// is a task on a one-thread pool of Qt's own; the job goes in by value and the outcome comes
// back through the task's future, so the writer shares no state of its own with that thread.
// A write not yet begun when it is collected runs on the collecting thread instead.
// The picture of a job is an implicitly shared QImage that the worker only reads; the window
// writing into its own copy detaches it, so the picture in flight never changes.

#include "platform/system/image_files.h"

#include <QFuture>
#include <QImage>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sp {

class JpegEncoder;

class TImageWriter {
public:
    struct Job {
        QImage picture; // RGB32, read only
        std::string path;
        bool jpeg = true; // false: 24-bit BMP
        int quality = 75;
        ImageMetadata metadata; // JPEG only
    };
    struct Outcome {
        bool ok = false;
        std::string path;  // the job's
        std::string error; // the system's reason when !ok
    };

    // `finished(sequence)` runs on the writer's thread after each background write.
    explicit TImageWriter(std::function<void(uint64_t sequence)> finished);
    // Lets the image in flight be written to its end, then stops the thread.
    ~TImageWriter();
    TImageWriter(const TImageWriter&) = delete;
    TImageWriter& operator=(const TImageWriter&) = delete;

    // Writes `job` now, on the calling thread.
    Outcome Write(const Job& job);
    // Starts writing `job` in the background and returns its sequence number. Any image still
    // pending is collected first (its outcome is then lost: collect it before).
    uint64_t Submit(Job job);
    // An image was submitted and its outcome not yet collected.
    bool Pending() const { return pending_ != 0; }
    uint64_t PendingSequence() const { return pending_; }
    // The outcome of the pending image, waiting for its write to end; none when nothing is
    // pending.
    std::optional<Outcome> Collect();

private:
    static Outcome WriteWith(JpegEncoder& encoder, const Job& job);

    std::function<void(uint64_t)> finished_;
    std::unique_ptr<JpegEncoder> nowEncoder_; // Write, on the calling thread
    // Used by one background task at a time: a task is submitted only after the previous one
    // was collected, and its future's end orders the two.
    std::unique_ptr<JpegEncoder> backgroundEncoder_;
    uint64_t pending_ = 0;      // user-interface thread only
    uint64_t lastSequence_ = 0; // user-interface thread only
    QFuture<Outcome> future_;   // the task of the pending image
    QThreadPool pool_;          // one thread; declared last, so it is waited for first
};

} // namespace sp
