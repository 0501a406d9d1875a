#pragma once
// TStripFiller: the small pictures of the filmstrip, decoded on a worker thread by a reader of
// its own (platform/outside/picture_reader.h), never on the path of a step.
//
// The owner says which span of times it wants (Want); a worker job reads forward through it,
// going on from where the previous job stopped when the span moved forward (steps forward cost
// one picture each), seeking only when the span lies behind the reader or far ahead. Pictures
// come back to the owner's thread one by one through the job's future and are kept by the
// start time of their frame, a bounded number of them, the farthest from the span going first.
//
// Threads: every member runs on the owner's (user-interface) thread. The job shares with it
// only the span wanted and its cancel flag (atomics); the reader belongs to the job while one
// runs and to no one else.
//
// Lifetime: Close (and the destructor) call the job off and wait for it: at most the decoding
// of one picture. A file the reader cannot open gives no pictures (the strip stays empty).

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

namespace sp {

class TStripFiller final : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kMaxPictures = 160;

    explicit TStripFiller(QObject* parent = nullptr);
    ~TStripFiller() override;

    // Forgets the pictures of the previous file; pictures of `path` will be `pictureSize`.
    void Open(const QString& path, QSize pictureSize);
    void Close();
    bool IsOpen() const { return !path_.isEmpty(); }
    // The frames starting from firstHns to lastHns are wanted (a job starts when some are
    // missing and none runs).
    void Want(int64_t firstHns, int64_t lastHns);
    // The picture of the frame on screen at positionHns, when it is made: the frame starting
    // within half a frame (frameHns) of it. Null otherwise.
    QImage PictureAt(int64_t positionHns, int64_t frameHns) const;
    // The frame duration the reader found (0 before the first picture or when unknown).
    int64_t FrameHns() const;

    struct Picture {
        int64_t startHns = 0;
        QImage image;
    };
    struct Job; // the reader and the span wanted, shared with the worker

signals:
    void picturesChanged();

private:
    void StartJob();
    void Received(int index);
    void JobFinished();
    bool Missing(int64_t firstHns, int64_t lastHns) const;
    void Trim();

    QString path_;
    QSize size_;
    std::shared_ptr<Job> job_;
    QFutureWatcher<Picture> watcher_;
    std::map<int64_t, QImage> pictures_; // by frame start
    int64_t wantFirst_ = 0;
    int64_t wantLast_ = -1;
    int64_t jobFirst_ = 0; // the span wanted when the job in progress started
    int64_t jobLast_ = -1;
};

} // namespace sp
