#pragma once
// TImageWriter: writes grabbed images as JPEG or BMP files, either at once on the calling
// thread or in two steps during an intervalometer run: the file is made in memory (stretched,
// compressed) on a thread of its own, and written to the disk by the calling thread when it
// collects the outcome. So the next frame is fetched and prepared while the last one is being
// compressed, and the compressing thread never waits for the disk.
//
// At most one image is submitted and not yet collected. Its outcome is not applied by the
// writer: the window collects it (Collect) and only then advances its number and its next
// name, so that a failed write changes nothing. An image can be prepared before its name is
// known (Prepare, then Submit with the name): the window starts compressing a frame before it
// has collected the outcome of the one before, which decides the name. When an image has been
// made, the writer calls `made` on its own thread with the image's sequence number; the window
// passes that on as a posted message to itself, and collects the outcome when the message
// arrives, or earlier (Collect waits) when it needs the outcome before its next save.
//
// Threads: everything but `made` is called on the user-interface thread. The making is a task
// on a one-thread pool of Qt's own; the job goes in by value and the file's bytes come back
// through the task's future, so the writer shares no state of its own with that thread. A task
// not yet begun when it is waited for runs on the waiting thread instead.
// The picture of a job is an implicitly shared QImage that the worker only reads; the window
// writing into its own copy detaches it, so the picture in flight never changes.
//
// A job may ask for its picture stretched to another size: the writer stretches it while it
// makes the file, for a JPEG a band of rows at a time as the encoder takes them, so the
// stretched picture never exists whole.

#include "platform/system/image_files.h"
#include "platform/system/picture_stretch.h"

#include <QFuture>
#include <QImage>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <memory>
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
        bool jpeg = true; // false: 24-bit BMP
        int quality = 75;
        ImageMetadata metadata; // JPEG only
    };
    struct Outcome {
        bool ok = false;
        std::string path;  // the job's
        std::string error; // the system's reason when !ok
    };

    // `made(sequence)` runs on the writer's thread after each image made in the background.
    explicit TImageWriter(std::function<void(uint64_t sequence)> made);
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
    // The prepared image is to be written under `path`. Any image still pending is collected
    // first (its outcome is then lost: collect it before). False when nothing is prepared.
    bool Submit(std::string path);
    // Prepare and Submit in one.
    uint64_t Submit(Job job);

    // An image was submitted and its outcome not yet collected.
    bool Pending() const { return pending_.sequence != 0; }
    uint64_t PendingSequence() const { return pending_.sequence; }
    // The pending image's file is made: collecting it waits for nothing but the disk.
    bool PendingMade() const { return Pending() && pending_.future.isFinished(); }
    // The outcome of the pending image: waits for its file to be made, then writes it on the
    // calling thread. None when nothing is pending.
    std::optional<Outcome> Collect();

private:
    // What making a file works with, kept from one image to the next.
    struct Tools {
        std::unique_ptr<JpegEncoder> encoder;
        PictureStretcher stretcher;
    };
    struct Made {
        std::vector<uint8_t> bytes; // the whole file; empty on failure
        std::string error;
    };
    struct Slot {
        uint64_t sequence = 0; // 0: none
        std::string path;
        QFuture<Made> future;
    };
    static Made MakeFile(Tools& tools, const Job& job);
    static Outcome WriteMade(const Made& made, const std::string& path);

    std::function<void(uint64_t)> made_;
    std::unique_ptr<Tools> now_; // Write, on the calling thread
    // Used by one background task at a time: each task is a continuation of the one before.
    std::unique_ptr<Tools> background_;
    QFuture<Made> last_;        // the task started last
    Slot prepared_;             // user-interface thread only
    Slot pending_;              // user-interface thread only
    uint64_t lastSequence_ = 0; // user-interface thread only
    QThreadPool pool_;          // one thread; declared last, so it is waited for first
};

} // namespace sp
