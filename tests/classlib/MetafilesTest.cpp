// Recorded pictures: a metafile canvas records what is drawn, the metafile plays it into any
// rectangle, travels through streams and the clipboard, and refuses data that are not a picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/classlib/Metafiles.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GdiGlyph.h"
#include "platform/winapi/GdiText.h"
#include "tests/support/TestSupport.h"

namespace {

// Red frame, blue disc.
void DrawScene(TCanvas* canvas) {
    canvas->GetPen()->SetColor(clRed);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->Rectangle(2, 2, 38, 28);
    canvas->GetBrush()->SetColor(clBlue);
    canvas->GetPen()->SetColor(clBlue);
    canvas->Ellipse(10, 6, 30, 24);
}

// A 40 x 30 mm picture of the scene (at 96 dpi the frame is 40 x 30 pixels wide: 1058 x 794).
void Record(TMetafile& metafile, const String& createdBy = "", const String& description = "") {
    metafile.SetWidth(40);
    metafile.SetHeight(30);
    TMetafileCanvas canvas(&metafile, nullptr, createdBy, description);
    DrawScene(&canvas);
}

std::unique_ptr<TBitmap> White(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    bitmap->GetCanvas()->GetBrush()->SetColor(clWhite);
    bitmap->GetCanvas()->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

std::string Bytes(TMetafile& metafile) {
    TMemoryStream stream;
    metafile.SaveToStream(&stream);
    return std::string(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

} // namespace

TEST(MetafileTest, PlaysBackWhatWasDrawnPixelForPixel) {
    TMetafile metafile;
    Record(metafile, "KOV-571", "Scene");
    ASSERT_FALSE(metafile.GetEmpty());
    EXPECT_EQ(40, metafile.GetWidth());
    EXPECT_EQ(30, metafile.GetHeight());
    EXPECT_EQ("KOV-571", metafile.GetCreatedBy());
    EXPECT_EQ("Scene", metafile.GetDescription());

    auto direct = White(40, 30);
    DrawScene(direct->GetCanvas());
    auto played = White(40, 30);
    played->GetCanvas()->Draw(0, 0, &metafile);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(direct->GetCanvas()->GetPixels(x, y), played->GetCanvas()->GetPixels(x, y))
                << "at " << x << "," << y;
    // Stretched to twice the size, the disc's centre is still blue and the corner white.
    auto big = White(80, 60);
    big->GetCanvas()->StretchDraw(TRect{0, 0, 80, 60}, &metafile);
    EXPECT_EQ(clBlue, big->GetCanvas()->GetPixels(40, 30));
    EXPECT_EQ(clWhite, big->GetCanvas()->GetPixels(1, 1));
}

TEST(MetafileTest, StreamsFilesAndClipboardKeepThePicture) {
    testsupport::TempDir dir;
    TMetafile metafile;
    Record(metafile);
    const std::string bits = Bytes(metafile);
    ASSERT_GT(bits.size(), 108u);

    TMemoryStream stream;
    stream.WriteBuffer("xy", 2);
    metafile.SaveToStream(&stream);
    stream.WriteBuffer("tail", 4);
    stream.SetPosition(2);
    TMetafile back;
    back.LoadFromStream(&stream);
    EXPECT_EQ(bits, Bytes(back));
    EXPECT_EQ(Int64(2 + bits.size()), stream.GetPosition()) << "left right after the picture";
    EXPECT_EQ(40, back.GetWidth());

    metafile.SaveToFile(dir.File("scene.emf"));
    TPicture picture;
    picture.LoadFromFile(dir.File("scene.emf"));
    ASSERT_NE(nullptr, dynamic_cast<TMetafile*>(picture.GetGraphic()));
    EXPECT_EQ(bits, Bytes(*static_cast<TMetafile*>(picture.GetGraphic())));
    // And by its first bytes.
    TMemoryStream again;
    metafile.SaveToStream(&again);
    again.SetPosition(0);
    TPicture byHeader;
    byHeader.LoadFromStream(&again);
    ASSERT_NE(nullptr, dynamic_cast<TMetafile*>(byHeader.GetGraphic()));

    Word format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    metafile.SaveToClipboardFormat(format, data, palette);
    EXPECT_EQ(CF_ENHMETAFILE, format);
    TMetafile fromClipboard;
    fromClipboard.LoadFromClipboardFormat(format, data, palette);
    EXPECT_EQ(bits, Bytes(fromClipboard));
    METAFILEPICT pict{MM_ANISOTROPIC, 2000, 1000, MetaFileOfEnhMetaFile(static_cast<HENHMETAFILE>(data))};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(pict));
    std::memcpy(GlobalLock(block), &pict, sizeof(pict));
    GlobalUnlock(block);
    TMetafile old;
    old.LoadFromClipboardFormat(CF_METAFILEPICT, block, nullptr);
    EXPECT_EQ(2000, old.GetMMWidth());
    EXPECT_EQ(1000, old.GetMMHeight());
    DeleteMetaFile(pict.hMF);
    GlobalFree(block);
    DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));

    TMetafile copy;
    copy.Assign(&metafile);
    EXPECT_EQ(bits, Bytes(copy));
}

TEST(MetafileTest, DataThatIsNotAPictureChangesNothing) {
    TMetafile metafile;
    Record(metafile);
    const std::string bits = Bytes(metafile);
    std::string truncated = bits.substr(0, bits.size() - 10);
    std::string badSignature = bits;
    badSignature[40] = 'X';
    std::string hugeLength = bits;
    hugeLength[51] = '\x7f';
    // An old-style placeable metafile is not read.
    std::string placeable("\xd7\xcd\xc6\x9a\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
    // A frame whose width or height does not fit 32 bits (its left at 24, its top at 28).
    auto framed = [&](std::size_t at, std::int32_t value) {
        std::string data = bits;
        std::memcpy(data.data() + at, &value, 4);
        return data;
    };
    for (const std::string& data : {std::string(), std::string("random bytes, not a picture at all"), truncated,
                                    badSignature, hugeLength, placeable + std::string(100, '\0'),
                                    framed(24, INT32_MIN), framed(28, INT32_MIN)}) {
        SCOPED_TRACE(data.size());
        TMemoryStream stream;
        if (!data.empty()) stream.WriteBuffer(data.data(), Integer(data.size()));
        stream.SetPosition(0);
        EXPECT_THROW(metafile.LoadFromStream(&stream), EInvalidGraphic);
        EXPECT_EQ(bits, Bytes(metafile));
        EXPECT_EQ(40, metafile.GetWidth());
    }
    // The widest frame that fits is taken.
    TMemoryStream stream;
    const std::string wide = framed(24, -2000000000);
    stream.WriteBuffer(wide.data(), Integer(wide.size()));
    stream.SetPosition(0);
    metafile.LoadFromStream(&stream);
    EXPECT_EQ(metafile.GetMMWidth(), 1058 + 2000000000);
}

// A small picture whose font is 2,000 pixels high (or 8,000 wide): drawing it renders no more of
// the glyphs than the picture shows, and what it shows does not depend on how much of it is drawn.
TEST(MetafileTest, AHugeFontRendersOnlyWhatThePictureShows) {
    struct Case {
        const char* name;
        int height, width;
        int left, baseline; // an edge of the H's stem and its cap reach into the picture
    } cases[] = {{"high", 2000, 0, -400, 600}, {"wide", 60, 8000, -500, 60}, {"high and wide", 2000, 8000, -500, 600}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Text drawn at (x + left, y + baseline) of the canvas in the huge font (baseline).
        auto draw = [&](TCanvas* canvas, int x, int y) {
            HFONT font = CreateFontA(-c.height, c.width, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
            HGDIOBJ old = SelectObject(canvas->GetHandle(), font);
            SetTextAlign(canvas->GetHandle(), TA_BASELINE);
            SetBkMode(canvas->GetHandle(), TRANSPARENT);
            SetTextColor(canvas->GetHandle(), RGB(0, 0, 0));
            TextOutA(canvas->GetHandle(), x + c.left, y + c.baseline, "HWo", 3);
            SelectObject(canvas->GetHandle(), old);
            DeleteObject(font);
        };
        TMetafile metafile;
        metafile.SetWidth(120);
        metafile.SetHeight(90);
        {
            TMetafileCanvas canvas(&metafile, nullptr);
            draw(&canvas, 0, 0);
        }
        EXPECT_LT(Bytes(metafile).size(), 2000u);
        const unsigned long long before = GdiGlyphPixelsRendered();
        auto played = White(120, 90);
        played->GetCanvas()->Draw(0, 0, &metafile);
        // Three glyphs, none rendered beyond the picture (bold adds a column).
        EXPECT_LE(GdiGlyphPixelsRendered() - before, 3ull * 121 * 90);
        bool ink = false, paper = false;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x)
                (played->GetCanvas()->GetPixels(x, y) == clWhite ? paper : ink) = true;
        EXPECT_TRUE(ink);
        EXPECT_TRUE(paper);

        // The same text drawn straight into a picture four times as large, and into each of its
        // quarters on its own, gives the same pixels.
        auto whole = White(240, 180);
        draw(whole->GetCanvas(), 0, 0);
        for (int qx : {0, 120})
            for (int qy : {0, 90}) {
                auto quarter = White(120, 90);
                draw(quarter->GetCanvas(), -qx, -qy);
                for (int y = 0; y < 90; ++y) {
                    for (int x = 0; x < 120; ++x) {
                        ASSERT_EQ(quarter->GetCanvas()->GetPixels(x, y), whole->GetCanvas()->GetPixels(qx + x, qy + y))
                            << "at " << qx + x << "," << qy + y;
                    }
                }
                if (qx == 0 && qy == 0) {
                    for (int y = 0; y < 90; ++y) {
                        for (int x = 0; x < 120; ++x) {
                            ASSERT_EQ(quarter->GetCanvas()->GetPixels(x, y), played->GetCanvas()->GetPixels(x, y))
                                << "played at " << x << "," << y;
                        }
                    }
                }
            }
    }
}
