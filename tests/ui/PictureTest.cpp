// The pictures decode from the program's resources; damaged or truncated
// data gives no picture and one log line, never a crash.
#include "base/window/Picture.h"

#include "base/settings/Globals.h"
#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(Picture, TheSplashAndInfoPicturesDecodeAtTheirSizes)
{
    std::string failure = "not yet";
    const TPicture splash = LoadPictureResource(IDR_SPLASH_PICTURE, failure);
    EXPECT_EQ(splash.Width, 400);
    EXPECT_EQ(splash.Height, 303);
    EXPECT_EQ(splash.Pixels.size(), 400u * 303u * 4u);
    EXPECT_EQ(failure, "");
    const TPicture large = LoadPictureResource(IDR_SPLASH_PICTURE_2X, failure);
    EXPECT_EQ(large.Width, 800);
    EXPECT_EQ(large.Height, 606);
    const TPicture info = LoadPictureResource(IDR_INFO_PICTURE, failure);
    EXPECT_FALSE(info.Empty());
    EXPECT_EQ(failure, "");
    // The top band is dark blue (blue above red), the bottom nearly white.
    EXPECT_GT(splash.Pixels[0], splash.Pixels[2]);
    const size_t last = splash.Pixels.size() - 4;
    EXPECT_GT(splash.Pixels[last + 1], 200);
}

TEST(Picture, TruncatedDataGivesNoPicture)
{
    const std::vector<uint8_t> data = LoadResourceBytes(IDR_INFO_PICTURE);
    ASSERT_GT(data.size(), 1000u);
    for (size_t length : {size_t(0), size_t(1), size_t(2), size_t(100), data.size() / 2, data.size() - 2}) {
        TPicture picture;
        std::string error;
        EXPECT_FALSE(DecodeJpeg(data.data(), length, picture, error)) << length;
        EXPECT_TRUE(picture.Empty()) << length;
        EXPECT_FALSE(error.empty()) << length;
    }
}

TEST(Picture, DamagedDataGivesNoPictureAndOneFailureLine)
{
    const std::vector<uint8_t> data = LoadResourceBytes(IDR_INFO_PICTURE);
    std::mt19937 random(7);
    int refused = 0;
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> damaged = data;
        // Damage past the headers, where libjpeg would otherwise paint over
        // what it cannot read.
        for (int i = 0; i < 20; ++i)
            damaged[700 + random() % (damaged.size() - 700)] = static_cast<uint8_t>(random());
        std::string failure;
        const TPicture picture = DecodePicture(damaged, IDR_INFO_PICTURE, failure);
        if (picture.Empty()) {
            ++refused;
            EXPECT_EQ(failure.rfind("Picture 242 cannot be shown: ", 0), 0u) << failure;
            EXPECT_EQ(failure.find('\n'), std::string::npos) << "one line";
        } else {
            EXPECT_EQ(failure, "") << "a picture that decodes reports nothing";
        }
    }
    EXPECT_GT(refused, 20);
    const std::string text = "not a picture at all";
    std::string failure;
    EXPECT_TRUE(DecodePicture(std::vector<uint8_t>(text.begin(), text.end()), 7, failure).Empty());
    EXPECT_EQ(failure.rfind("Picture 7 cannot be shown: ", 0), 0u);
    EXPECT_TRUE(LoadPictureResource(9999, failure).Empty());
    EXPECT_EQ(failure, "Picture 9999 cannot be shown: no data");
}

TEST(Picture, AHeaderClaimingAHugePictureIsRefusedBeforeAllocating)
{
    std::vector<uint8_t> data = LoadResourceBytes(IDR_INFO_PICTURE);
    // The baseline frame header (FF C0): height and width follow its length
    // and precision.
    for (size_t i = 0; i + 8 < data.size(); ++i) {
        if (data[i] == 0xFF && data[i + 1] == 0xC0) {
            // 8192 by 8192: well inside what libjpeg accepts, 256 MB of pixels.
            data[i + 5] = 0x20;
            data[i + 6] = 0x00;
            data[i + 7] = 0x20;
            data[i + 8] = 0x00;
            break;
        }
    }
    TPicture picture;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(data.data(), data.size(), picture, error));
    EXPECT_EQ(error, "picture too large or empty");
}

} // namespace
