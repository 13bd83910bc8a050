// The clipboard: text, Unicode text, bitmaps, registered formats and metafile pictures going to
// and coming from the system's clipboard (an in-memory store here, which also plays the other
// programs), the opening rules, and the memory blocks the data travels in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/GdiTestImage.h"

namespace {

// Each test has a system clipboard of its own.
class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { FOld = SetClipboardStore(&Store); }
    void TearDown() override {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        SetClipboardStore(FOld);
    }

    static HGLOBAL Block(const void* bytes, std::size_t size) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        return block;
    }
    static HGLOBAL Text(const std::string& text) { return Block(text.c_str(), text.size() + 1); }
    static std::string Bytes(HANDLE block) {
        const char* p = static_cast<const char*>(GlobalLock(block));
        std::string bytes(p, GlobalSize(block));
        GlobalUnlock(block);
        return bytes;
    }
    void Put(UINT format, HANDLE data) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        ASSERT_TRUE(EmptyClipboard());
        ASSERT_EQ(data, SetClipboardData(format, data));
        ASSERT_TRUE(CloseClipboard());
    }

    TMemoryClipboardStore Store;

private:
    TClipboardStore* FOld = nullptr;
};

TEST_F(ClipboardTest, TextRoundTripsInBothForms) {
    const std::string utf8 = "Channel 1 \xE4\xBF\xA1\xE9\x81\x93"; // "信道"
    Put(CF_TEXT, Text(utf8));
    TClipboardContents system = Store.Read();
    ASSERT_TRUE(system.HasText);
    EXPECT_EQ(u"Channel 1 \u4FE1\u9053", system.Text);
    EXPECT_FALSE(system.HasImage);

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(2, CountClipboardFormats());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(CF_TEXT, EnumClipboardFormats(0));
    EXPECT_EQ(CF_UNICODETEXT, EnumClipboardFormats(CF_TEXT));
    EXPECT_EQ(0u, EnumClipboardFormats(CF_UNICODETEXT));
    EXPECT_EQ(utf8 + '\0', Bytes(GetClipboardData(CF_TEXT)));
    HANDLE wide = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(wide, GetClipboardData(CF_UNICODETEXT)) << "made once, kept by the clipboard";
    std::u16string back(reinterpret_cast<const char16_t*>(GlobalLock(wide)));
    GlobalUnlock(wide);
    EXPECT_EQ(u"Channel 1 \u4FE1\u9053", back);
    EXPECT_EQ(nullptr, GetClipboardData(CF_BITMAP));
    ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, TextFromAnotherProgram) {
    TClipboardContents outside;
    outside.HasText = true;
    outside.Text = u"433.02500";
    Store.Replace(outside);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(std::string("433.02500") + '\0', Bytes(GetClipboardData(CF_TEXT)));
    EXPECT_EQ(nullptr, GetClipboardOwner());
    ASSERT_TRUE(CloseClipboard());
    // Unicode text put by the program reaches the system as it is.
    std::u16string text = u"\u00C4nderung";
    Put(CF_UNICODETEXT, Block(text.c_str(), (text.size() + 1) * 2));
    EXPECT_EQ(text, Store.Read().Text);
}

TEST_F(ClipboardTest, BitmapRoundTrip) {
    gditest::Canvas source(3, 2);
    SetPixelV(source.Dc(), 0, 0, RGB(255, 0, 0));
    SetPixelV(source.Dc(), 1, 0, RGB(0, 255, 0));
    SetPixelV(source.Dc(), 2, 1, RGB(0, 0, 255));
    // The clipboard takes a bitmap of its own (the canvas keeps its one).
    HBITMAP copy = CreateBitmap(3, 2, 1, 32, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, 3, 2, source.Dc(), 0, 0, SRCCOPY);
    SelectObject(dc, old);
    Put(CF_BITMAP, copy);
    TClipboardContents system = Store.Read();
    ASSERT_TRUE(system.HasImage);
    EXPECT_EQ(3, system.ImageWidth);
    EXPECT_EQ(2, system.ImageHeight);
    EXPECT_EQ((std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x0000FF}),
              system.ImagePixels);
    EXPECT_FALSE(system.HasText);

    // Another program's picture comes back as a bitmap.
    TClipboardContents outside;
    outside.HasImage = true;
    outside.ImageWidth = 2;
    outside.ImageHeight = 1;
    outside.ImagePixels = {0x123456, 0xABCDEF};
    Store.Replace(outside);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HBITMAP got = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(nullptr, got);
    BITMAP bm{};
    ASSERT_TRUE(GetObject(got, sizeof bm, &bm));
    EXPECT_EQ(2, bm.bmWidth);
    EXPECT_EQ(1, bm.bmHeight);
    old = SelectObject(dc, got);
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), GetPixel(dc, 0, 0));
    EXPECT_EQ(RGB(0xAB, 0xCD, 0xEF), GetPixel(dc, 1, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, RegisteredFormatsTravelAsBytes) {
    UINT picture = RegisterClipboardFormatA("KOV Test Picture");
    EXPECT_GE(picture, 0xC000u);
    EXPECT_EQ(picture, RegisterClipboardFormatA("kov test PICTURE"));
    UINT other = RegisterClipboardFormatA("KOV Test Other");
    EXPECT_NE(picture, other);
    EXPECT_EQ(0u, RegisterClipboardFormatA(""));

    const char bytes[] = {'B', 'M', 0, 1, 2};
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(SetClipboardData(picture, Block(bytes, sizeof bytes)));
    ASSERT_TRUE(SetClipboardData(CF_TEXT, Text("caption")));
    ASSERT_TRUE(CloseClipboard());
    TClipboardContents system = Store.Read();
    ASSERT_EQ(1u, system.Blocks.size());
    EXPECT_EQ("KOV Test Picture", system.Blocks[0].first);
    EXPECT_EQ(std::string(bytes, sizeof bytes), system.Blocks[0].second);
    EXPECT_TRUE(system.HasText);

    TClipboardContents outside;
    outside.Blocks = {{"kov test other", "xyz"}};
    Store.Replace(outside);
    EXPECT_TRUE(IsClipboardFormatAvailable(other));
    EXPECT_FALSE(IsClipboardFormatAvailable(picture));
    EXPECT_EQ(1, CountClipboardFormats());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ("xyz", Bytes(GetClipboardData(other)));
    ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, MetafilePicturesStayWithTheProgram) {
    METAFILEPICT mfp;
    mfp.mm = 8; // MM_ANISOTROPIC
    mfp.xExt = 1000;
    mfp.yExt = 500;
    HGLOBAL block = Block(&mfp, sizeof mfp);
    Put(CF_METAFILEPICT, block);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_METAFILEPICT));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE got = GetClipboardData(CF_METAFILEPICT);
    EXPECT_EQ(block, got);
    METAFILEPICT back;
    std::memcpy(&back, GlobalLock(got), sizeof back);
    GlobalUnlock(got);
    EXPECT_EQ(1000, back.xExt);
    ASSERT_TRUE(CloseClipboard());
    // Until another program puts something on the clipboard.
    TClipboardContents outside;
    outside.HasText = true;
    outside.Text = u"x";
    Store.Replace(outside);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_METAFILEPICT));
    EXPECT_EQ(0u, GlobalSize(block)) << "the clipboard freed it";
}

namespace {

// A recorded picture 20 x 10 mm with one rectangle.
HENHMETAFILE SmallPicture() {
    RECT frame{0, 0, 2000, 1000};
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    Rectangle(dc, 1, 2, 30, 20);
    return CloseEnhMetaFile(dc);
}

std::string PictureBits(HENHMETAFILE picture) {
    std::string bits(GetEnhMetaFileBits(picture, 0, nullptr), '\0');
    GetEnhMetaFileBits(picture, UINT(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
    return bits;
}

} // namespace

TEST_F(ClipboardTest, EnhancedAndOldStylePicturesStandInForEachOther) {
    HENHMETAFILE picture = SmallPicture();
    const std::string bits = PictureBits(picture);
    Put(CF_ENHMETAFILE, picture);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_METAFILEPICT));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(picture, GetClipboardData(CF_ENHMETAFILE));
    HANDLE block = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(nullptr, block);
    METAFILEPICT pict;
    std::memcpy(&pict, GlobalLock(block), sizeof pict);
    GlobalUnlock(block);
    EXPECT_EQ(MM_ANISOTROPIC, pict.mm);
    EXPECT_EQ(2000, pict.xExt);
    EXPECT_EQ(1000, pict.yExt);
    HENHMETAFILE copy = EnhMetaFileOfMetaFile(pict.hMF);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(bits, PictureBits(copy));
    DeleteEnhMetaFile(copy);
    // Emptying frees the picture, the block and the picture the block held.
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(0u, GlobalSize(block));
    EXPECT_EQ(nullptr, EnhMetaFileOfMetaFile(pict.hMF));
    EXPECT_EQ(0u, GetEnhMetaFileHeader(picture, 0, nullptr));
    // And the other way round.
    HENHMETAFILE second = SmallPicture();
    METAFILEPICT old;
    old.mm = MM_ANISOTROPIC;
    old.hMF = MetaFileOfEnhMetaFile(second);
    DeleteEnhMetaFile(second);
    SetClipboardData(CF_METAFILEPICT, Block(&old, sizeof old));
    auto made = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(bits, PictureBits(made));
    ASSERT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, OpeningRulesAndOwnership) {
    SetLastError(0);
    EXPECT_EQ(nullptr, SetClipboardData(CF_TEXT, Text("x")));
    EXPECT_EQ(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(nullptr, GetClipboardData(CF_TEXT));

    HWND owner = reinterpret_cast<HWND>(std::uintptr_t(0x1234));
    ASSERT_TRUE(OpenClipboard(owner));
    EXPECT_TRUE(OpenClipboard(owner)) << "the same thread may open it again";
    bool otherOpened = true;
    std::thread([&] { otherOpened = OpenClipboard(nullptr); }).join();
    EXPECT_FALSE(otherOpened);
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(owner, GetClipboardOwner());
    HGLOBAL first = Text("first"), second = Text("second");
    ASSERT_EQ(first, SetClipboardData(CF_TEXT, first));
    EXPECT_EQ(second, SetClipboardData(CF_TEXT, second));
    EXPECT_EQ(0u, GlobalSize(first)) << "replaced data is freed";
    EXPECT_EQ(nullptr, SetClipboardData(CF_TEXT, nullptr));
    EXPECT_EQ(nullptr, SetClipboardData(CF_BITMAP, Text("not a bitmap")));
    EXPECT_EQ(2, CountClipboardFormats()) << "CF_TEXT and the Unicode form standing in";
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(0u, GlobalSize(second)) << "emptying frees the data";
    EXPECT_EQ(0, CountClipboardFormats());
    ASSERT_TRUE(CloseClipboard());
    std::thread([&] {
        otherOpened = OpenClipboard(nullptr);
        if (otherOpened) CloseClipboard();
    }).join();
    EXPECT_TRUE(otherOpened);
}

TEST(GlobalMemory, BlocksAndLocks) {
    HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(16u, GlobalSize(block));
    auto* p = static_cast<std::uint8_t*>(GlobalLock(block));
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(std::vector<std::uint8_t>(16, 0), std::vector<std::uint8_t>(p, p + 16));
    p[15] = 7;
    EXPECT_EQ(p, GlobalLock(block)) << "the bytes stay in place";
    EXPECT_TRUE(GlobalUnlock(block)) << "one lock left";
    SetLastError(99);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(7, static_cast<std::uint8_t*>(GlobalLock(block))[15]);
    GlobalUnlock(block);
    EXPECT_EQ(nullptr, GlobalFree(block));
    EXPECT_EQ(block, GlobalFree(block));
    EXPECT_EQ(nullptr, GlobalLock(block));
    EXPECT_EQ(0u, GlobalSize(block));
    EXPECT_EQ(nullptr, GlobalAlloc(GMEM_MOVEABLE, 0));
}

} // namespace
