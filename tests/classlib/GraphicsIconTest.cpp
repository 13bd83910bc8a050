// Icons: ICO files with several images (palette with an AND mask, 32 bits with alpha), the
// image drawn for each size, round trips through streams, files and handles, and input that
// is not an icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Cursor.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::string;

using testsupport::Put16;
using testsupport::Put32;

// One image: a square of `color` with a transparent border of 2 pixels.
struct TIconSpec {
    int Size;
    int Bits; // 4, 24 or 32 (32: the border is transparent by its alpha, the AND mask is empty)
    TColor Color;
};

bool Border(int size, int x, int y) { return x < 2 || y < 2 || x >= size - 2 || y >= size - 2; }

Bytes IconImage(const TIconSpec& s) {
    Bytes b;
    Put32(b, 40);
    Put32(b, unsigned(s.Size));
    Put32(b, unsigned(s.Size * 2));
    Put16(b, 1);
    Put16(b, unsigned(s.Bits));
    for (int i = 0; i < 6; ++i)
        Put32(b, 0);
    const unsigned r = s.Color & 0xFF, g = (s.Color >> 8) & 0xFF, bl = (s.Color >> 16) & 0xFF;
    if (s.Bits == 4) {
        // Entry 0 black, entry 1 the colour.
        Put32(b, 0);
        b += char(bl);
        b += char(g);
        b += char(r);
        b += char(0);
        for (int i = 2; i < 16; ++i)
            Put32(b, 0);
    }
    const int stride = (s.Size * s.Bits + 31) / 32 * 4;
    for (int y = s.Size - 1; y >= 0; --y) {
        Bytes row;
        for (int x = 0; x < s.Size; ++x) {
            const bool border = Border(s.Size, x, y);
            if (s.Bits == 4) {
                const int index = border ? 0 : 1;
                if (x % 2 == 0)
                    row += char(index << 4);
                else
                    row.back() = char(row.back() | index);
            } else {
                row += char(border ? 0 : bl);
                row += char(border ? 0 : g);
                row += char(border ? 0 : r);
                if (s.Bits == 32) row += char(border ? 0 : 0xFF);
            }
        }
        row.resize(stride, '\0');
        b += row;
    }
    const int maskStride = (s.Size + 31) / 32 * 4;
    for (int y = s.Size - 1; y >= 0; --y) {
        Bytes row(maskStride, '\0');
        if (s.Bits != 32)
            for (int x = 0; x < s.Size; ++x)
                if (Border(s.Size, x, y)) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b += row;
    }
    return b;
}

Bytes BuildIco(const std::vector<TIconSpec>& specs) {
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, unsigned(specs.size()));
    std::vector<Bytes> images;
    for (const TIconSpec& s : specs)
        images.push_back(IconImage(s));
    unsigned offset = unsigned(6 + 16 * specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i) {
        out += char(specs[i].Size);
        out += char(specs[i].Size);
        out += char(specs[i].Bits == 4 ? 16 : 0);
        out += char(0);
        Put16(out, 1);
        Put16(out, unsigned(specs[i].Bits));
        Put32(out, unsigned(images[i].size()));
        Put32(out, offset);
        offset += unsigned(images[i].size());
    }
    for (const Bytes& image : images)
        out += image;
    return out;
}

const std::vector<TIconSpec> Specs = {{16, 4, clRed}, {32, 32, clBlue}, {8, 24, clYellow}};

void LoadIcon(TIcon& icon, const Bytes& bytes) {
    TStringStream stream(bytes);
    icon.LoadFromStream(&stream);
}

// Draws the icon into dest on a lime background; the colour at the centre and at a border
// pixel.
struct TDrawn {
    TColor Centre, Border;
};
TDrawn DrawOnLime(TGraphic* graphic, const TRect& dest) {
    TBitmap target;
    target.SetSize(40, 40);
    target.GetCanvas()->GetBrush()->SetColor(clLime);
    target.GetCanvas()->FillRect(TRect{0, 0, 40, 40});
    target.GetCanvas()->StretchDraw(dest, graphic);
    return {target.GetCanvas()->GetPixels((dest.left + dest.right) / 2, (dest.top + dest.bottom) / 2),
            target.GetCanvas()->GetPixels(dest.left, dest.top)};
}

TEST(GraphicsIcon, ReadsEveryImageAndDrawsTheNearestSize) {
    TIcon icon;
    EXPECT_TRUE(icon.GetEmpty());
    LoadIcon(icon, BuildIco(Specs));
    ASSERT_EQ(icon.GetImageCount(), 3);
    EXPECT_EQ(icon.GetImageSize(0).cx, 16);
    EXPECT_EQ(icon.GetImageSize(2).cy, 8);
    // The system's icon size decides the icon object and the natural size.
    EXPECT_EQ(icon.GetWidth(), 32);
    EXPECT_EQ(icon.GetHeight(), 32);
    EXPECT_TRUE(icon.GetTransparent());
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon.GetHandle(), &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    struct Case {
        TRect Dest;
        TColor Centre;
    };
    const std::vector<Case> cases = {
        {TRect{4, 4, 36, 36}, clBlue},   // 32: transparent by alpha
        {TRect{4, 4, 20, 20}, clRed},    // 16: 4 bits with an AND mask
        {TRect{4, 4, 12, 12}, clYellow}, // 8: 24 bits with an AND mask
        {TRect{4, 4, 18, 18}, clRed},    // 14: the nearest is 16
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Dest.right - c.Dest.left);
        const TDrawn drawn = DrawOnLime(&icon, c.Dest);
        EXPECT_EQ(drawn.Centre, c.Centre);
        EXPECT_EQ(drawn.Border, clLime);
    }
    EXPECT_THROW(icon.SetWidth(10), EInvalidGraphicOperation);
    EXPECT_THROW(icon.SetHeight(10), EInvalidGraphicOperation);
}

TEST(GraphicsIcon, RoundTripsThroughStreamsFilesAndHandles) {
    const Bytes file = BuildIco(Specs);
    TIcon icon;
    LoadIcon(icon, file);
    TStringStream saved("");
    icon.SaveToStream(&saved);
    EXPECT_EQ(saved.GetDataString(), file);

    testsupport::TempDir dir;
    TPicture picture;
    picture.SetGraphic(&icon);
    picture.SaveToFile(dir.File("three.ico"));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.File("three.ico")), file);
    TPicture read;
    read.LoadFromFile(dir.File("three.ico"));
    ASSERT_NE(dynamic_cast<TIcon*>(read.GetGraphic()), nullptr);
    EXPECT_EQ(read.GetIcon()->GetImageCount(), 3);
    TStringStream byHeader(file);
    TPicture fromStream;
    fromStream.LoadFromStream(&byHeader);
    EXPECT_NE(dynamic_cast<TIcon*>(fromStream.GetGraphic()), nullptr);

    // An icon made from a handle is written as 32 bits with its mask, and reads back the same.
    TIcon fromHandle;
    fromHandle.SetHandle(CopyIcon(icon.GetHandle()));
    EXPECT_EQ(fromHandle.GetImageCount(), 1);
    TStringStream encoded("");
    fromHandle.SaveToStream(&encoded);
    TIcon again;
    LoadIcon(again, encoded.GetDataString());
    EXPECT_EQ(again.GetWidth(), 32);
    const TDrawn drawn = DrawOnLime(&again, TRect{4, 4, 36, 36});
    EXPECT_EQ(drawn.Centre, clBlue);
    EXPECT_EQ(drawn.Border, clLime);

    // Copies share nothing that one of them frees.
    TIcon copy;
    copy.Assign(&again);
    again.Assign(nullptr);
    EXPECT_TRUE(again.GetEmpty());
    EXPECT_EQ(DrawOnLime(&copy, TRect{4, 4, 36, 36}).Centre, clBlue);
}

TEST(GraphicsIcon, InputThatIsNotAnIconLeavesItAsItWas) {
    const Bytes good = BuildIco(Specs);
    Bytes noCount = good;
    noCount[4] = 0;
    Bytes cursor = good;
    cursor[2] = 2;
    Bytes farOffset = good;
    farOffset[6 + 12 + 2] = 0x7F; // the first image's offset far past the end
    Bytes badHeader = good;
    badHeader[6 + 16 * 3] = 41; // the first image's header size
    Bytes png = good;
    for (int i = 0; i < 3; ++i) {
        const std::size_t at = std::size_t((unsigned char)good[6 + 16 * i + 12]) |
                               (std::size_t((unsigned char)good[6 + 16 * i + 13]) << 8);
        png.replace(at, 4, "\x89PNG");
    }
    Bytes random;
    unsigned seed = 99;
    for (int i = 0; i < 200; ++i) {
        seed = seed * 1103515245 + 12345;
        random += char(seed >> 16);
    }
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"random", random},
        {"icon header then random", Bytes("\0\0\1\0\2\0", 6) + random},
        {"no images", noCount},
        {"a cursor file", cursor},
        {"truncated directory", good.substr(0, 20)},
        {"truncated image", good.substr(0, good.size() - 10)},
        {"offset past the end", farOffset},
        {"bad image header in every image",
         [&] {
             Bytes b = good;
             for (int i = 0; i < 3; ++i) {
                 const std::size_t at = std::size_t((unsigned char)good[6 + 16 * i + 12]) |
                                        (std::size_t((unsigned char)good[6 + 16 * i + 13]) << 8);
                 b[at] = 41;
             }
             return b;
         }()},
        {"only compressed images", png},
    };
    TIcon icon;
    LoadIcon(icon, good);
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        try {
            LoadIcon(icon, bytes);
            FAIL() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, "Icon image is not valid");
        }
        EXPECT_EQ(icon.GetImageCount(), 3);
        EXPECT_EQ(DrawOnLime(&icon, TRect{4, 4, 36, 36}).Centre, clBlue);
    }
    // An image that cannot be read is left out when others can.
    TIcon partial;
    LoadIcon(partial, badHeader);
    EXPECT_EQ(partial.GetImageCount(), 2);
}

} // namespace

namespace {

// An icon file of `count` entries that all point at one image.
Bytes SharedImageIco(int count, const TIconSpec& spec) {
    const Bytes image = IconImage(spec);
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, unsigned(count));
    const unsigned offset = unsigned(6 + 16 * count);
    for (int i = 0; i < count; ++i) {
        out += char(spec.Size);
        out += char(spec.Size);
        out += char(16);
        out += char(0);
        Put16(out, 1);
        Put16(out, unsigned(spec.Bits));
        Put32(out, unsigned(image.size()));
        Put32(out, offset);
    }
    return out + image;
}

} // namespace

TEST(GraphicsIcon, ImagesDeclaringFarMorePixelsThanTheFileHoldsAreRefused) {
    const TIconSpec big{250, 4, clRed};
    // A few entries sharing their image load; a thousand of them would unpack 62 million
    // pixels from 56 KB.
    TIcon icon;
    LoadIcon(icon, SharedImageIco(8, big));
    EXPECT_EQ(icon.GetWidth(), 250);
    for (int count : {1000, 65535}) {
        SCOPED_TRACE(count);
        try {
            LoadIcon(icon, SharedImageIco(count, big));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, "Icon image is not valid");
        }
        EXPECT_EQ(icon.GetWidth(), 250); // left as it was
    }
    // One image whose header declares a huge picture in a few bytes.
    Bytes huge = BuildIco({{16, 4, clRed}});
    const std::size_t header = 6 + 16;
    for (std::size_t i = 0; i < 4; ++i) {
        huge[header + 4 + i] = char(i == 2 ? 1 : 0);  // width 65536
        huge[header + 8 + i] = char(i == 2 ? 2 : 0);  // height 2 x 65536
    }
    EXPECT_THROW(LoadIcon(icon, huge), EInvalidGraphic);
}

TEST(GraphicsIcon, HostileFileFromTheFixturesIsRefused) {
    const Bytes file = testsupport::ReadFileBytes(testsupport::FixturePath("fuzz/icon-400-entries-share-one-image.ico"));
    ASSERT_FALSE(file.empty());
    TIcon icon;
    try {
        LoadIcon(icon, file);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "Icon image is not valid");
    }
    EXPECT_TRUE(icon.GetEmpty());
}
