// Images over picture memory: black until written, shared by copies, detached on a shared write.

#include "platform/system/picture_image.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PictureImage, StartsBlackHoldsItsPixelsAndDetachesLikeAnyImage) {
    for (const auto& [w, h] : {std::pair{720, 576}, std::pair{1920, 1080}, std::pair{3, 2}}) {
        QImage image = sp::NewPictureImage(w, h);
        ASSERT_FALSE(image.isNull()) << w;
        EXPECT_EQ(image.size(), QSize(w, h));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        const uchar* bits = image.constBits();
        EXPECT_TRUE(std::all_of(bits, bits + image.sizeInBytes(), [](uchar b) { return b == 0; }));
        image.fill(QColor(10, 20, 30));
        EXPECT_EQ(image.pixel(w - 1, h - 1), qRgb(10, 20, 30));

        // A copy shares the pixels until one of them is written; the other keeps its own.
        QImage copy = image;
        EXPECT_EQ(copy.constBits(), image.constBits());
        copy.setPixel(0, 0, qRgb(1, 2, 3));
        EXPECT_NE(copy.constBits(), image.constBits());
        EXPECT_EQ(image.pixel(0, 0), qRgb(10, 20, 30));
        EXPECT_EQ(copy.pixel(0, 0), qRgb(1, 2, 3));
        image = QImage(); // the block goes with its last image; the copy lives on
        EXPECT_EQ(copy.pixel(w - 1, h - 1), qRgb(10, 20, 30));
    }
    EXPECT_TRUE(sp::NewPictureImage(0, 5).isNull());
    EXPECT_TRUE(sp::NewPictureImage(5, -1).isNull());
}

} // namespace
