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
// Threads: everything but `finished` is called on the user-interface thread. The picture of a
// job is an implicitly shared QImage that the worker only reads; the window writing into its
// own copy detaches it, so the picture in flight never changes.

#include "platform/system/image_files.h"

#include <QImage>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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
    void Work();
    static Outcome WriteWith(JpegEncoder& encoder, const Job& job);

    std::function<void(uint64_t)> finished_;
    std::unique_ptr<JpegEncoder> nowEncoder_;        // Write, on the calling thread
    std::unique_ptr<JpegEncoder> backgroundEncoder_; // the writer's thread only
    uint64_t pending_ = 0;                           // user-interface thread only
    uint64_t lastSequence_ = 0;                      // user-interface thread only

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> job_;         // guarded by mutex_: waiting for the thread
    uint64_t jobSequence_ = 0;       // guarded by mutex_
    std::optional<Outcome> outcome_; // guarded by mutex_: the finished image's outcome
    uint64_t doneSequence_ = 0;      // guarded by mutex_
    bool quit_ = false;              // guarded by mutex_
    std::thread thread_;             // started last, joined first
};

} // namespace sp
