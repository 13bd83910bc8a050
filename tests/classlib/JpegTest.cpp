// JPEG images: round trips through streams, files and pictures, the decoding settings
// (grayscale, scale, speed, 256 colours), progressive and quality settings, the stored form,
// and damaged data that raises and changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/Jpeg.h"
#include "platform/runtime/Streams.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// Four solid blocks of 16 x 16 (aligned with the coder's blocks, so colours come back close)
// and a grey ramp in the bottom strip.
constexpr int W = 32, H = 40;
const TColor Blocks[4] = {TColor(RGB(220, 30, 30)), TColor(RGB(30, 200, 40)), TColor(RGB(20, 40, 210)),
                          TColor(RGB(240, 240, 240))};

TColor Expected(int x, int y) {
    if (y < 32) return Blocks[(y / 16) * 2 + x / 16];
    int v = x * 8;
    return TColor(RGB(v, v, v));
}

std::unique_ptr<TBitmap> TestBitmap() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            bitmap->GetCanvas()->SetPixels(x, y, Expected(x, y));
    return bitmap;
}

int Diff(TColor a, TColor b) {
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

// The largest colour difference from the test picture, at a scale (every pixel of the result
// compared with the source pixel at the middle of the area it stands for), inside the blocks.
int WorstBlockError(TBitmap* bitmap, int denom = 1) {
    int worst = 0;
    for (int y = 0; y < bitmap->GetHeight(); ++y)
        for (int x = 0; x < bitmap->GetWidth(); ++x) {
            int sx = x * denom + denom / 2, sy = y * denom + denom / 2;
            if (sy >= 32) continue;
            // Pixels at a block edge blur with the neighbour; the middles must be close.
            if (sx % 16 < 2 || sx % 16 > 13 || sy % 16 < 2 || sy % 16 > 13) continue;
            worst = std::max(worst, Diff(bitmap->GetCanvas()->GetPixels(x, y), Expected(sx, sy)));
        }
    return worst;
}

std::string Bytes(TJPEGImage& image) {
    TStringStream stream;
    image.SaveToStream(&stream);
    return stream.GetDataString();
}

// Saved four times enlarged, for a person to look at.
void SavePng(const std::string& name, TBitmap* bitmap) {
    const int scale = 4;
    int w = bitmap->GetWidth() * scale, h = bitmap->GetHeight() * scale;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            TColor c = bitmap->GetCanvas()->GetPixels(x / scale, y / scale);
            pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                             GetBValue(c));
        }
    testsupport::WritePng(testsupport::ArtifactPath(name + ".png"), w, h, pixels);
}

std::string Compressed(bool grayscale = false, bool progressive = false, int quality = 95) {
    auto bitmap = TestBitmap();
    TJPEGImage image;
    image.Assign(bitmap.get());
    image.SetGrayscale(grayscale);
    image.SetProgressiveEncoding(progressive);
    image.SetCompressionQuality(quality);
    image.Compress();
    return Bytes(image);
}

TEST(JpegTest, RoundTripThroughStreamsFilesAndPictures) {
    std::string data = Compressed();
    ASSERT_GE(data.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(data[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(data[1]), 0xD8);

    // A stream: read from its position to the end.
    TStringStream stream("lead" + data);
    stream.SetPosition(4);
    TJPEGImage image;
    image.LoadFromStream(&stream);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    EXPECT_EQ(image.GetWidth(), W);
    EXPECT_EQ(image.GetHeight(), H);
    EXPECT_FALSE(image.GetEmpty());
    EXPECT_EQ(image.GetWarningCount(), 0);
    TBitmap* decoded = image.GetBitmap();
    ASSERT_NE(decoded, nullptr);
    EXPECT_LE(WorstBlockError(decoded), 6);
    for (int x = 0; x < W; x += 8) // the ramp too, a little looser
        EXPECT_LE(Diff(decoded->GetCanvas()->GetPixels(x + 4, 36), Expected(x + 4, 36)), 12) << x;
    SavePng("Jpeg_RoundTrip", decoded);
    // Saved again without a change: the same bytes.
    EXPECT_EQ(Bytes(image), data);

    // Files, by extension, through the picture; and the picture finds it by its first bytes.
    testsupport::TempDir dir;
    for (const char* name : {"a.jpg", "b.JPEG"}) {
        SCOPED_TRACE(name);
        image.SaveToFile(dir.File(name));
        EXPECT_EQ(testsupport::ReadFileBytes(dir.File(name)), data);
        TPicture picture;
        picture.LoadFromFile(dir.File(name));
        auto* loaded = dynamic_cast<TJPEGImage*>(picture.GetGraphic());
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(picture.GetWidth(), W);
        EXPECT_LE(WorstBlockError(loaded->GetBitmap()), 6);
    }
    TPicture picture;
    TStringStream raw(data);
    picture.LoadFromStream(&raw);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.GetGraphic()), nullptr);

    // Drawn through a canvas, stretched into a rectangle.
    TBitmap target;
    target.SetSize(W / 2, H / 2);
    target.GetCanvas()->StretchDraw(TRect{0, 0, W / 2, H / 2}, &image);
    EXPECT_LE(Diff(target.GetCanvas()->GetPixels(4, 4), Blocks[0]), 10);
    EXPECT_LE(Diff(target.GetCanvas()->GetPixels(12, 12), Blocks[3]), 10);

    // A bitmap can be had back from the image, and the image from a picture's copy.
    TBitmap back;
    back.Assign(&image);
    EXPECT_EQ(back.GetWidth(), W);
    EXPECT_LE(WorstBlockError(&back), 6);
    TJPEGImage copy;
    copy.Assign(&image);
    EXPECT_EQ(Bytes(copy), data);
}

TEST(JpegTest, DecodingSettings) {
    std::string data = Compressed();
    struct Case {
        const char* Name;
        TJPEGScale Scale;
        bool Grayscale;
        TJPEGPerformance Performance;
        TJPEGPixelFormat Format;
        int Width, Height, Denom, Tolerance;
    };
    std::vector<Case> cases{
        {"full size", jsFullSize, false, jpBestQuality, jf24Bit, 32, 40, 1, 6},
        {"half", jsHalf, false, jpBestQuality, jf24Bit, 16, 20, 2, 8},
        {"quarter", jsQuarter, false, jpBestQuality, jf24Bit, 8, 10, 4, 10},
        {"eighth", jsEighth, false, jpBestQuality, jf24Bit, 4, 5, 8, 12},
        {"fast", jsFullSize, false, jpBestSpeed, jf24Bit, 32, 40, 1, 10},
        {"256 colours", jsFullSize, false, jpBestQuality, jf8Bit, 32, 40, 1, 40},
        {"grayscale", jsFullSize, true, jpBestQuality, jf24Bit, 32, 40, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TJPEGImage image;
        image.SetScale(c.Scale);
        image.SetGrayscale(c.Grayscale);
        image.SetPerformance(c.Performance);
        image.SetPixelFormat(c.Format);
        TStringStream stream(data);
        image.LoadFromStream(&stream);
        EXPECT_EQ(image.GetWidth(), c.Width);
        EXPECT_EQ(image.GetHeight(), c.Height);
        TBitmap* bitmap = image.GetBitmap();
        ASSERT_EQ(bitmap->GetWidth(), c.Width);
        if (c.Tolerance >= 0) {
            EXPECT_LE(WorstBlockError(bitmap, c.Denom), c.Tolerance);
        } else {
            for (int y = 0; y < c.Height; y += 3)
                for (int x = 0; x < c.Width; x += 3) {
                    TColor p = bitmap->GetCanvas()->GetPixels(x, y);
                    ASSERT_TRUE(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p))
                        << x << "," << y;
                }
        }
        if (c.Format == jf8Bit) {
            std::set<TColor> colours;
            for (int y = 0; y < c.Height; ++y)
                for (int x = 0; x < c.Width; ++x)
                    colours.insert(bitmap->GetCanvas()->GetPixels(x, y));
            EXPECT_LE(colours.size(), 256u);
        }
    }

    // Changing a setting after loading decodes again, from the same bytes.
    TJPEGImage image;
    TStringStream stream(data);
    image.LoadFromStream(&stream);
    image.SetScale(jsQuarter);
    EXPECT_EQ(image.GetWidth(), 8);
    EXPECT_EQ(image.GetBitmap()->GetHeight(), 10);
    image.SetScale(jsFullSize);
    EXPECT_EQ(image.GetBitmap()->GetWidth(), W);
    EXPECT_EQ(Bytes(image), data);
    EXPECT_THROW(image.SetWidth(10), EInvalidGraphicOperation);
}

TEST(JpegTest, EncodingSettings) {
    // Grayscale writes one channel: decoded in colour it is still grey.
    std::string gray = Compressed(true);
    TJPEGImage image;
    TStringStream grayStream(gray);
    image.LoadFromStream(&grayStream);
    TColor red = image.GetBitmap()->GetCanvas()->GetPixels(8, 8);
    EXPECT_EQ(GetRValue(red), GetGValue(red));
    EXPECT_EQ(GetGValue(red), GetBValue(red));

    // Progressive data has its own frame marker (FF C2) and decodes the same.
    std::string progressive = Compressed(false, true);
    EXPECT_NE(progressive.find("\xFF\xC2"), std::string::npos);
    EXPECT_EQ(Compressed().find("\xFF\xC2"), std::string::npos);
    TStringStream progressiveStream(progressive);
    image.LoadFromStream(&progressiveStream);
    EXPECT_LE(WorstBlockError(image.GetBitmap()), 6);

    // Lower quality, fewer bytes; the range is 1..100.
    EXPECT_LT(Compressed(false, false, 10).size(), Compressed(false, false, 95).size());
    image.SetCompressionQuality(0);
    EXPECT_EQ(image.GetCompressionQuality(), 1);
    image.SetCompressionQuality(500);
    EXPECT_EQ(image.GetCompressionQuality(), 100);

    // An empty image saves nothing; a bitmap is compressed when its bytes are first needed.
    TJPEGImage empty;
    EXPECT_TRUE(empty.GetEmpty());
    EXPECT_EQ(Bytes(empty), "");
    auto bitmap = TestBitmap();
    TJPEGImage fromBitmap;
    fromBitmap.Assign(bitmap.get());
    EXPECT_EQ(fromBitmap.GetWidth(), W);
    std::string bytes = Bytes(fromBitmap);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
}

TEST(JpegTest, StoredFormIsSizeThenData) {
    std::string data = Compressed();
    TJPEGImage image;
    TStringStream in(data);
    image.LoadFromStream(&in);
    TStringStream stored;
    image.WriteData(&stored);
    const std::string& s = stored.GetDataString();
    ASSERT_EQ(s.size(), data.size() + 4);
    std::int32_t size = 0;
    std::memcpy(&size, s.data(), 4);
    EXPECT_EQ(std::size_t(size), data.size());
    EXPECT_EQ(s.substr(4), data);
    TJPEGImage back;
    stored.SetPosition(0);
    back.ReadData(&stored);
    EXPECT_EQ(back.GetWidth(), W);
    EXPECT_EQ(Bytes(back), data);
}

TEST(JpegTest, DamagedDataRaisesAndChangesNothing) {
    std::string good = Compressed();
    std::string other = Compressed(true);
    struct Case {
        const char* Name;
        std::string Bytes;
    };
    std::string garbage;
    std::srand(7);
    for (int i = 0; i < 600; ++i)
        garbage += char(std::rand() & 0xFF);
    std::string huge = good;
    std::size_t frame = huge.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    for (std::size_t i = frame + 5; i < frame + 9; ++i) // height and width: 60000 each
        huge[i] = (i - frame) % 2 ? '\xEA' : '\x60';
    std::vector<Case> cases{
        {"empty", ""},
        {"announces a huge picture", huge},
        {"random bytes", garbage},
        {"a bitmap header", "BM" + garbage},
        {"only the start marker", good.substr(0, 2)},
        {"cut in the headers", good.substr(0, 100)},
        {"cut in the scan", good.substr(0, good.size() / 2)},
        {"cut before the end marker's last byte", good.substr(0, good.size() - 40)},
        {"start marker then garbage", good.substr(0, 2) + garbage},
    };
    const std::regex message("JPEG error #[0-9]+");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TJPEGImage image;
        TStringStream before(other);
        image.LoadFromStream(&before);
        TStringStream stream("ab" + c.Bytes);
        stream.SetPosition(2);
        try {
            image.LoadFromStream(&stream);
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(std::regex_match(e.Message, message)) << e.Message;
            EXPECT_STREQ(e.ClassName(), "EJPEG");
        }
        EXPECT_EQ(stream.GetPosition(), 2);
        EXPECT_EQ(Bytes(image), other);
        EXPECT_EQ(image.GetWidth(), W);
        TColor p = image.GetBitmap()->GetCanvas()->GetPixels(8, 8);
        EXPECT_EQ(GetRValue(p), GetBValue(p)); // still the grey picture
    }

    // Through a picture and a file: the picture keeps what it had.
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.File("good.jpg"), good);
    testsupport::WriteFileBytes(dir.File("cut.jpg"), good.substr(0, good.size() / 3));
    testsupport::WriteFileBytes(dir.File("noise.jpeg"), garbage);
    TPicture picture;
    picture.LoadFromFile(dir.File("good.jpg"));
    TGraphic* held = picture.GetGraphic();
    EXPECT_THROW(picture.LoadFromFile(dir.File("cut.jpg")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir.File("noise.jpeg")), EInvalidGraphic);
    EXPECT_EQ(picture.GetGraphic(), held);
    EXPECT_EQ(Bytes(*dynamic_cast<TJPEGImage*>(held)), good);

    // The stored form with a size beyond its data.
    TJPEGImage image;
    TStringStream shortStored(std::string("\x10\x27\x00\x00", 4) + good.substr(0, 50));
    EXPECT_ANY_THROW(image.ReadData(&shortStored));
    EXPECT_TRUE(image.GetEmpty());
}

} // namespace

TEST(JpegTest, APictureFarLargerThanTheFileCanHoldIsRefusedBeforeDecoding) {
    auto sized = [](std::string bytes, unsigned width, unsigned height) {
        const std::size_t frame = bytes.find("\xFF\xC0");
        EXPECT_NE(frame, std::string::npos);
        bytes[frame + 5] = char(height >> 8);
        bytes[frame + 6] = char(height & 0xFF);
        bytes[frame + 7] = char(width >> 8);
        bytes[frame + 8] = char(width & 0xFF);
        return bytes;
    };
    auto errorOf = [](const std::string& bytes) -> std::string {
        TJPEGImage image;
        TStringStream stream(bytes);
        try {
            image.LoadFromStream(&stream);
            image.GetWidth();
            TBitmap bitmap;
            bitmap.Assign(&image);
        } catch (const EInvalidGraphic& e) {
            return e.Message;
        }
        return "";
    };
    const std::string good = Compressed();
    // The limit on every picture, and the one on a picture of this file's length.
    const std::string tooBig = errorOf(sized(good, 60000, 60000));
    EXPECT_NE(tooBig, "");
    EXPECT_EQ(errorOf(sized(good, 8000, 8000)), tooBig);
    const long long limit = std::max(1LL << 20, 4096LL * (long long)good.size());
    EXPECT_EQ(errorOf(sized(good, 4000, unsigned(limit / 4000 + 1))), tooBig);
    EXPECT_NE(errorOf(sized(good, 4000, unsigned(limit / 4000 - 1))), tooBig); // decoded, found short

    // A real picture of a few megapixels, plain enough to compress far, still loads.
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(2400, 1600);
    bitmap->GetCanvas()->GetBrush()->SetColor(clNavy);
    bitmap->GetCanvas()->FillRect(TRect(0, 0, 2400, 1600));
    TJPEGImage plain;
    plain.Assign(bitmap.get());
    plain.SetCompressionQuality(75);
    plain.Compress();
    const std::string plainBytes = Bytes(plain);
    EXPECT_EQ(errorOf(plainBytes), "");
}

TEST(JpegTest, HostileFileFromTheFixturesIsRefused) {
    const std::string file = testsupport::ReadFileBytes(testsupport::FixturePath("fuzz/jpeg-declares-64-megapixels.jpg"));
    ASSERT_FALSE(file.empty());
    TJPEGImage image;
    TStringStream stream(file);
    try {
        image.LoadFromStream(&stream);
        TBitmap bitmap;
        bitmap.Assign(&image);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.ClassName(), "EJPEG");
        EXPECT_TRUE(std::regex_match(e.Message, std::regex("JPEG error #[0-9]+"))) << e.Message;
    }
}
