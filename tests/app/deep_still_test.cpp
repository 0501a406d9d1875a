// Stills of 10-bit video saved as PNG: 16 bits a channel carrying real extra precision, of the
// same frame as the 8-bit still, turned and flipped like it, with the same EXIF; 8-bit where the
// picture is more than the frame (inlay). The frame reader that feeds them reads on or seeks.

#include "grab_fixture.h"

#include "app/deep_frames.h"
#include "app/panels/extraire_frame.h"
#include "support/still_readback.h"

#include <QDir>
#include <QFile>

namespace apptest {
namespace {

using namespace sp;

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The 16-bit picture reduced to 8 bits the way any viewer would.
sptest::RgbPicture To8(const sptest::Rgb16Picture& deep) {
    sptest::RgbPicture p{deep.width, deep.height, {}};
    p.rgb.reserve(deep.rgb.size());
    for (uint16_t v : deep.rgb)
        p.rgb.push_back(uint8_t((uint32_t(v) * 255 + 32767) / 65535));
    return p;
}

// Share of the samples between black and full scale that an 8-bit picture widened to 16 bits
// (v * 257) could not hold.
double FinerThan8Bits(const sptest::Rgb16Picture& deep) {
    size_t inside = 0, finer = 0;
    for (uint16_t v : deep.rgb)
        if (v != 0 && v != 65535) {
            ++inside;
            finer += v % 257 != 0;
        }
    return inside == 0 ? 0 : double(finer) / double(inside);
}

class DeepStills : public GrabTest {
protected:
    QString Grab(const char* format, const QString& number) {
        W().ExecuteToken(format);
        W().ExecuteToken("add_num", number);
        W().ExecuteToken("grab");
        return Image(W().Widgets().Extraire()->nameText());
    }
};

// The 8-bit still and the 16-bit one of the same frame agree to rounding (51 dB here; the frame
// before is 18 dB away); the PNG has precision an 8-bit picture lacks and
// the same EXIF as the JPEG.
TEST_F(DeepStills, TenBitVideoGivesASixteenBitPngOfTheSameFrame) {
    Load("sdr10.mp4", "deep.mp4");
    GoTo(31 * kFrame);
    const sptest::RgbPicture bmp = sptest::decodeStill(Native(Grab("bmp", "0001")));
    const QString jpeg = Grab("jpeg", "0002");
    const QString png = Grab("png", "0003");
    ASSERT_TRUE(png.endsWith(".png"));
    EXPECT_EQ(sptest::stillBitDepth(Native(png)), 16);
    const sptest::Rgb16Picture deep = sptest::decodeStill16(Native(png));
    ASSERT_EQ(deep.width, bmp.width);
    ASSERT_EQ(deep.height, bmp.height);
    EXPECT_GT(sptest::rgbPsnr(To8(deep), bmp), 40.0);
    EXPECT_GT(FinerThan8Bits(deep), 0.5);
    const std::vector<std::string> tags = {"Software", "ImageDescription"};
    EXPECT_EQ(sptest::exifToolTags(Native(png), tags), sptest::exifToolTags(Native(jpeg), tags));

    // The frame before is another picture: the comparison above tells frames apart.
    GoTo(30 * kFrame);
    const sptest::RgbPicture before = sptest::decodeStill(Native(Grab("bmp", "0004")));
    EXPECT_LT(sptest::rgbPsnr(To8(deep), before), 30.0) << sptest::rgbPsnr(To8(deep), before);
}

// Flipped both ways the 16-bit still is the unflipped one turned half round, sample for sample;
// a phone's quarter-turned video gives an upright 16-bit still like its 8-bit one.
TEST_F(DeepStills, FlipsAndTurnsApplyAsToTheEightBitStill) {
    Load("sdr10.mp4", "deep.mp4");
    GoTo(12 * kFrame);
    const sptest::Rgb16Picture plain = sptest::decodeStill16(Native(Grab("png", "0001")));
    W().SetHorizontalFlip(true);
    W().SetVerticalFlip(true);
    const sptest::Rgb16Picture flipped = sptest::decodeStill16(Native(Grab("png", "0002")));
    W().SetHorizontalFlip(false);
    W().SetVerticalFlip(false);
    ASSERT_EQ(flipped.rgb.size(), plain.rgb.size());
    ASSERT_FALSE(plain.rgb.empty());
    const size_t pixels = plain.rgb.size() / 3;
    bool mirrored = true;
    for (size_t i = 0; i < pixels && mirrored; ++i)
        for (size_t c = 0; c < 3; ++c)
            mirrored &= flipped.rgb[i * 3 + c] == plain.rgb[(pixels - 1 - i) * 3 + c];
    EXPECT_TRUE(mirrored);

    Load("sdr10_90.mp4", "turned.mp4");
    GoTo(12 * kFrame);
    const sptest::RgbPicture bmp = sptest::decodeStill(Native(Grab("bmp", "0003")));
    const sptest::Rgb16Picture turned = sptest::decodeStill16(Native(Grab("png", "0004")));
    ASSERT_GT(bmp.width, 0);
    EXPECT_LT(bmp.width, bmp.height) << "the quarter-turned clip stands upright";
    EXPECT_EQ(turned.width, bmp.width);
    EXPECT_GT(sptest::rgbPsnr(To8(turned), bmp), 40.0);
}

// What is drawn on the picture exists at 8 bits only: with the inlay the PNG is 8-bit, and so
// is a PNG of 8-bit video.
TEST_F(DeepStills, InlaidStillsAndEightBitVideoStayEightBit) {
    Load("sdr10.mp4", "deep.mp4");
    GoTo(5 * kFrame);
    W().SetInlay(true);
    EXPECT_EQ(sptest::stillBitDepth(Native(Grab("png", "0001"))), 8);
    W().SetInlay(false);
    EXPECT_EQ(sptest::stillBitDepth(Native(Grab("png", "0002"))), 16);
    Load("h264.mp4", "plain.mp4");
    GoTo(5 * kFrame);
    EXPECT_EQ(sptest::stillBitDepth(Native(Grab("png", "0003"))), 8);
}

// Reading on from a frame to a later one gives the frame a seek gives; going back seeks.
TEST(DeepFrames, ReadingOnAndSeekingGiveTheSameFrames) {
    const std::string clip = MediaPath("sdr10.mp4");
    TDeepFrames reader, seeker;
    ASSERT_TRUE(reader.Deep(clip));
    ASSERT_FALSE(reader.FrameAt(clip, 3 * kFrame).isNull());
    for (int64_t frame : {7, 8, 20, 49, 2}) {
        SCOPED_TRACE(frame);
        const QImage on = reader.FrameAt(clip, frame * kFrame);
        const QImage sought = seeker.FrameAt(clip, frame * kFrame);
        seeker.Close();
        ASSERT_FALSE(on.isNull());
        EXPECT_EQ(on, sought);
    }
    TDeepFrames shallow;
    const std::string eightBit = MediaPath("h264.mp4");
    EXPECT_FALSE(shallow.Deep(eightBit));
    EXPECT_TRUE(shallow.FrameAt(eightBit, 0).isNull());
    EXPECT_FALSE(shallow.Deep(MediaPath("hlg.mp4"))) << "HDR stills are tone-mapped";
}

} // namespace
} // namespace apptest
