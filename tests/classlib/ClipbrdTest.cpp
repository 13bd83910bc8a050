// The class library's clipboard object: text, the format test (the picture format answering for
// every format a picture takes), and pictures and graphics on and off the clipboard.
#include <gtest/gtest.h>

#include "platform/classlib/Clipbrd.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Jpeg.h"
#include "platform/classlib/Metafiles.h"

namespace {

class ClipbrdTest : public ::testing::Test {
protected:
    void SetUp() override { FOld = SetClipboardStore(&Store); }
    void TearDown() override {
        Clipboard()->Clear();
        SetClipboardStore(FOld);
    }

    static std::unique_ptr<TBitmap> Bitmap(int w, int h, TColor color) {
        auto b = std::make_unique<TBitmap>();
        b->SetPixelFormat(pf24bit);
        b->SetSize(w, h);
        b->GetCanvas()->GetBrush()->SetColor(color);
        b->GetCanvas()->FillRect(TRect{0, 0, w, h});
        return b;
    }

    TMemoryClipboardStore Store;

private:
    TClipboardStore* FOld = nullptr;
};

TEST_F(ClipbrdTest, TextGoesOnAndComesBack) {
    Clipboard()->SetAsText("Channel 1 \xE4\xBF\xA1\xE9\x81\x93");
    EXPECT_EQ("Channel 1 \xE4\xBF\xA1\xE9\x81\x93", Clipboard()->GetAsText());
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_PICTURE));
    // Text another program put on the system's clipboard.
    TClipboardContents other;
    other.HasText = true;
    other.Text = u"other";
    Store.Replace(other);
    EXPECT_EQ("other", Clipboard()->GetAsText());
    Clipboard()->Clear();
    EXPECT_EQ("", Clipboard()->GetAsText());
    EXPECT_EQ(0, Clipboard()->GetFormatCount());
}

TEST_F(ClipbrdTest, PictureFormatAnswersForEveryFormatAPictureTakes) {
    EXPECT_NE(0u, CF_PICTURE);
    EXPECT_FALSE(Clipboard()->HasFormat(CF_PICTURE));
    auto bitmap = Bitmap(4, 3, clRed);
    Clipboard()->Assign(bitmap.get());
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_PICTURE));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_METAFILEPICT));

    TMetafile metafile;
    {
        TMetafileCanvas canvas(&metafile, nullptr);
        canvas.GetBrush()->SetColor(clBlue);
        canvas.FillRect(TRect{0, 0, 10, 10});
    }
    Clipboard()->Assign(&metafile);
    EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_METAFILEPICT));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_PICTURE));

    // A format no graphic class takes is not a picture.
    const UINT own = RegisterClipboardFormatA("KOV test bytes");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    SetClipboardData(own, block);
    CloseClipboard();
    EXPECT_TRUE(Clipboard()->HasFormat(own));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_PICTURE));
    EXPECT_EQ(own, Clipboard()->GetFormats(0));
    EXPECT_EQ(0u, Clipboard()->GetFormats(5));
}

TEST_F(ClipbrdTest, PicturesAndGraphicsComeBackThroughTheirFormats) {
    auto bitmap = Bitmap(5, 4, clLime);
    TPicture source;
    source.SetGraphic(bitmap.get());
    Clipboard()->Assign(&source);

    TPicture picture;
    picture.Assign(Clipboard());
    ASSERT_NE(nullptr, dynamic_cast<TBitmap*>(picture.GetGraphic()));
    EXPECT_EQ(5, picture.GetWidth());
    EXPECT_EQ(4, picture.GetHeight());
    EXPECT_EQ(ColorToRGB(clLime), picture.GetBitmap()->GetCanvas()->GetPixels(2, 2));

    TBitmap into;
    into.Assign(Clipboard());
    EXPECT_EQ(5, into.GetWidth());

    // A JPEG image takes the bitmap through its own bitmap.
    TJPEGImage jpeg;
    jpeg.Assign(Clipboard());
    EXPECT_EQ(5, jpeg.GetWidth());
    EXPECT_EQ(4, jpeg.GetHeight());

    // An icon takes no clipboard format: the clipboard refuses it.
    TIcon icon;
    EXPECT_THROW(icon.Assign(Clipboard()), EInvalidGraphic);

    // An empty picture empties the clipboard; then there is nothing to take.
    TPicture empty;
    Clipboard()->Assign(&empty);
    EXPECT_EQ(0, Clipboard()->GetFormatCount());
    EXPECT_THROW(picture.Assign(Clipboard()), EInvalidGraphic);
    EXPECT_EQ(5, picture.GetWidth()) << "a failed paste keeps the picture";
}

TEST_F(ClipbrdTest, OpeningIsCountedAndAnInstalledClipboardServes) {
    Clipboard()->Open();
    Clipboard()->Open();
    Clipboard()->SetAsText("a");
    Clipboard()->Close();
    // Still open: the clipboard stays this thread's, and the store has not been written yet.
    EXPECT_FALSE(Store.Read().HasText);
    Clipboard()->Close();
    EXPECT_TRUE(Store.Read().HasText);
    Clipboard()->Close(); // one too many does nothing

    TClipboard own;
    TClipboard* old = SetClipboard(&own);
    EXPECT_EQ(&own, Clipboard());
    SetClipboard(old);
    EXPECT_NE(&own, Clipboard());
}

} // namespace
