// The image writer: a background write gives the same file as a write on the caller's thread,
// the picture in flight is not touched by the caller's later changes, a failure comes back
// with its reason and leaves nothing, the end of each image written is reported before its
// outcome is there, an image in flight when the writer goes is still written whole, a job of
// another size is written stretched, and prepared images are written only as submitted.

#include "app/image_writer.h"
#include "platform/system/picture_stretch.h"
#include "support/temp_dir.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace sp {
namespace {

QImage Noise(int width, int height, uint32_t seed) {
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t x = seed;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int i = 0; i < width; ++i) {
            x = x * 1664525u + 1013904223u;
            row[i] = 0xFF000000u | (x >> 8);
        }
    }
    return image;
}

QByteArray Contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TImageWriter::Job JobFor(const QImage& picture, const std::string& path, bool jpeg) {
    TImageWriter::Job job;
    job.picture = picture;
    job.path = path;
    job.format = jpeg ? ImageFormat::Jpeg : ImageFormat::Bmp;
    job.quality = 80;
    job.metadata.software = "Stillpick";
    job.metadata.description = "0:00:01:00";
    return job;
}

TEST(ImageWriter, ABackgroundWriteIsTheSameFileAsAWriteNowAndReportsItsEnd) {
    sptest::TempDir dir;
    std::atomic<uint64_t> reported{0};
    // A write not yet begun when it is collected runs on the collecting thread (Qt takes the
    // task back), so the report may come from either thread.
    TImageWriter writer([&](uint64_t sequence) { reported = sequence; });
    const QImage picture = Noise(203, 97, 1);
    for (const bool jpeg : {true, false}) {
        const std::string now = dir.path().string() + (jpeg ? "/now.jpg" : "/now.bmp");
        const std::string later = dir.path().string() + (jpeg ? "/later.jpg" : "/later.bmp");
        const TImageWriter::Outcome direct = writer.Write(JobFor(picture, now, jpeg));
        ASSERT_TRUE(direct.ok) << direct.error;
        const uint64_t sequence = writer.Submit(JobFor(picture, later, jpeg));
        EXPECT_TRUE(writer.Pending());
        EXPECT_EQ(writer.PendingSequence(), sequence);
        const std::optional<TImageWriter::Outcome> outcome = writer.Collect();
        ASSERT_TRUE(outcome && outcome->ok) << (outcome ? outcome->error : "no outcome");
        EXPECT_EQ(outcome->path, later);
        EXPECT_FALSE(writer.Pending());
        EXPECT_FALSE(writer.Collect()); // collected once
        EXPECT_FALSE(Contents(later).isEmpty());
        EXPECT_EQ(Contents(later), Contents(now));
        EXPECT_EQ(reported, sequence); // reported before the outcome is there
    }
}

TEST(ImageWriter, ThePictureInFlightIsNotChangedByTheCallersNextFrame) {
    sptest::TempDir dir;
    TImageWriter writer(nullptr);
    // Large enough that the write is still going on when the caller writes into its copy.
    QImage frame = Noise(1920, 1080, 2);
    const QImage original = frame.copy();
    writer.Submit(JobFor(frame, dir.path().string() + "/a.bmp", false));
    frame.fill(Qt::red); // the caller's next frame, in the buffer it holds
    const auto outcome = writer.Collect();
    ASSERT_TRUE(outcome && outcome->ok) << (outcome ? outcome->error : "");
    const QImage saved(QString::fromStdString(dir.path().string() + "/a.bmp"));
    ASSERT_EQ(saved.size(), original.size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), original);
}

TEST(ImageWriter, AFailedBackgroundWriteGivesItsReasonAndLeavesNothing) {
    sptest::TempDir dir;
    TImageWriter writer(nullptr);
    const std::string missing = dir.path().string() + "/gone/a.jpg";
    writer.Submit(JobFor(Noise(64, 48, 3), missing, true));
    const auto outcome = writer.Collect();
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->ok);
    EXPECT_EQ(outcome->path, missing);
    EXPECT_NE(outcome->error.find("No such file"), std::string::npos) << outcome->error;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    // The writer goes on working after a failure.
    writer.Submit(JobFor(Noise(64, 48, 3), dir.path().string() + "/b.jpg", true));
    const auto next = writer.Collect();
    EXPECT_TRUE(next && next->ok);
}

TEST(ImageWriter, SubmittingAgainCollectsTheLastImageAndAnImageInFlightAtTheEndIsWrittenWhole) {
    sptest::TempDir dir;
    const QImage big = Noise(1920, 1080, 4);
    const std::string last = dir.path().string() + "/last.bmp";
    {
        TImageWriter writer(nullptr);
        writer.Submit(JobFor(big, dir.path().string() + "/first.bmp", false));
        writer.Submit(JobFor(big, last, false)); // waits for the first
        EXPECT_TRUE(std::filesystem::exists(dir.path().string() + "/first.bmp"));
    } // goes with the second in flight
    EXPECT_EQ(std::filesystem::file_size(last), 54u + 1920u * 3u * 1080u);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2u); // no temporary file left behind
}

// A job asking for another size is written as the picture stretched beforehand would be, at
// once or in the background, as JPEG (stretched band by band) and as BMP.
TEST(ImageWriter, AJobWithAnotherSizeIsWrittenStretched) {
    sptest::TempDir dir;
    TImageWriter writer(nullptr);
    const QImage picture = Noise(120, 96, 5);
    const OwnedPicture stretched =
        StretchPicture({picture.constBits(), 120, 96, int(picture.bytesPerLine())}, 120, 90);
    const QImage expected(stretched.pixels.data(), 120, 90, 120 * 4, QImage::Format_RGB32);
    for (const bool jpeg : {true, false}) {
        const std::string ext = jpeg ? ".jpg" : ".bmp";
        const std::string before = dir.path().string() + "/before" + ext;
        ASSERT_TRUE(writer.Write(JobFor(expected, before, jpeg)).ok);
        TImageWriter::Job job = JobFor(picture, dir.path().string() + "/now" + ext, jpeg);
        job.size = QSize(120, 90);
        ASSERT_TRUE(writer.Write(job).ok);
        job.path = dir.path().string() + "/later" + ext;
        writer.Submit(job);
        const auto outcome = writer.Collect();
        ASSERT_TRUE(outcome && outcome->ok) << (outcome ? outcome->error : "");
        EXPECT_EQ(Contents(dir.path().string() + "/now" + ext), Contents(before));
        EXPECT_EQ(Contents(job.path), Contents(before));
    }
}

// An image is made before its name is known; only the one submitted is written, under the
// name given then, and a run of them (each made while the last is collected) writes each
// picture under its own name.
TEST(ImageWriter, PreparedImagesAreWrittenOnlyWhenSubmittedUnderTheNameGivenThen) {
    sptest::TempDir dir;
    std::atomic<int> written{0};
    TImageWriter writer([&](uint64_t) { ++written; });
    EXPECT_FALSE(writer.Submit(dir.path().string() + "/nothing.bmp")); // nothing prepared
    const uint64_t dropped = writer.Prepare(JobFor(Noise(64, 48, 6), "unused", false));
    const uint64_t kept = writer.Prepare(JobFor(Noise(64, 48, 7), "unused", false));
    EXPECT_NE(dropped, kept);
    EXPECT_EQ(writer.PreparedSequence(), kept);
    ASSERT_TRUE(writer.Submit(dir.path().string() + "/kept.bmp"));
    EXPECT_EQ(writer.PreparedSequence(), 0u);
    EXPECT_EQ(writer.PendingSequence(), kept);
    auto outcome = writer.Collect();
    ASSERT_TRUE(outcome && outcome->ok);
    EXPECT_EQ(QImage(QString::fromStdString(outcome->path)).convertToFormat(QImage::Format_RGB32),
              Noise(64, 48, 7));
    for (uint32_t i = 0; i < 40; ++i) { // as a run does: prepare the next, collect the last
        const std::string name = dir.path().string() + "/run" + std::to_string(i) + ".bmp";
        writer.Prepare(JobFor(Noise(32, 24, 100 + i), "unused", false));
        if (i > 0) {
            ASSERT_TRUE(writer.Collect().value().ok);
        }
        ASSERT_TRUE(writer.Submit(name));
    }
    ASSERT_TRUE(writer.Collect().value().ok);
    for (uint32_t i = 0; i < 40; ++i) {
        const QString name =
            QString::fromStdString(dir.path().string() + "/run" + std::to_string(i) + ".bmp");
        ASSERT_EQ(QImage(name).convertToFormat(QImage::Format_RGB32), Noise(32, 24, 100 + i)) << i;
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 41u);  // the dropped image and the unused name were never written
    EXPECT_EQ(written, 41); // each image written is reported, the dropped one not
}

} // namespace
} // namespace sp
