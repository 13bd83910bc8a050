// The image editor: picture values (headers, every graphic class, damaged bytes), the graphic
// class registry and its stored name, clipboard commands through the menu and the keys, the
// painting of stretched and centred pictures, scroll bars, the context menu and file dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Clipbrd.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Jpeg.h"
#include "platform/classlib/Metafiles.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "suite/controls/qzImage.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

std::unique_ptr<TBitmap> SolidBitmap(int w, int h, TColor color) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->GetCanvas()->GetBrush()->SetColor(color);
    b->GetCanvas()->FillRect(TRect{0, 0, w, h});
    return b;
}

String BytesOf(TGraphic* graphic) {
    TMemoryStream stream;
    graphic->SaveToStream(&stream);
    return String(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

String BitmapBytes(int w = 6, int h = 4, TColor color = clRed) { return BytesOf(SolidBitmap(w, h, color).get()); }

// A 2 x 2 icon of 32-bit pixels.
String IconBytes() {
    String s;
    auto u16 = [&](int v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(int(v & 0xFFFF)), u16(int(v >> 16)); };
    u16(0), u16(1), u16(1);                                     // icon directory
    s += char(2), s += char(2), s += char(0), s += char(0);     // 2 x 2, no palette
    u16(1), u16(32), u32(40 + 16 + 8), u32(22);                 // planes, bits, size, offset
    u32(40), u32(2), u32(4), u16(1), u16(32), u32(0), u32(16 + 8), u32(0), u32(0), u32(0), u32(0);
    for (int i = 0; i < 4; ++i) u32(0xFF0000FFu);               // blue, opaque
    for (int i = 0; i < 2; ++i) u32(0);                         // AND mask rows
    return s;
}

String MetafileBytes() {
    TMetafile metafile;
    {
        TMetafileCanvas canvas(&metafile, nullptr);
        canvas.GetBrush()->SetColor(clBlue);
        canvas.FillRect(TRect{0, 0, 30, 20});
    }
    return BytesOf(&metafile);
}

String JpegBytes() {
    TJPEGImage jpeg;
    auto bitmap = SolidBitmap(16, 8, clGreen);
    jpeg.Assign(bitmap.get());
    jpeg.Compress();
    return BytesOf(&jpeg);
}

String WithHeader(const String& bytes, std::uint32_t length) {
    String s("\x01\x00\x00\x01", 4);
    for (int i = 0; i < 4; ++i) s += char((length >> (8 * i)) & 0xFF);
    return s + bytes;
}

// The image editor with its menu's popup and the close-popup event recorded.
class TRecordingImage : public TqzImage {
public:
    using TqzImage::TqzImage;
    bool PopupContextMenu(TComponent* menu, Integer x, Integer y) override {
        PoppedMenu = menu;
        PoppedAt = TPoint{x, y};
        return true;
    }
    using TqzCustomImage::HandleContextPopup;
    TComponent* PoppedMenu = nullptr;
    TPoint PoppedAt{-100, -100};
};

struct EventLog {
    std::vector<Integer> CloseReasons;
    Integer AssignFromOwn = 0;
    Integer AssignFromUsed = 0;
    Integer Changes = 0;
    void Closed(TObject*, TqzEditCloseUpReason reason) { CloseReasons.push_back(reason); }
    void AssignedOwn(TObject*, TPicture*) { ++AssignFromOwn; }
    void AssignedUsed(TObject*, TPicture*) { ++AssignFromUsed; }
    void Changed(TObject*) { ++Changes; }
};

class ImageTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        FOldStore = SetClipboardStore(&Store);
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldStore);
    }
    TRecordingImage* Shown(int w = 150, int h = 150) {
        auto* image = new TRecordingImage(Form);
        image->SetParent(Form);
        image->SetBounds(10, 10, w, h);
        Form->Show();
        App->ProcessMessages();
        return image;
    }
    static bool ItemEnabled(TqzCustomImage* image, int index) {
        return image->GetImageMenu()->GetItems()->GetItem(index)->GetEnabled();
    }
    static bool ItemVisible(TqzCustomImage* image, int index) {
        return image->GetImageMenu()->GetItems()->GetItem(index)->GetVisible();
    }
    void PutBitmapOnClipboard(int w = 5, int h = 3) { Clipboard()->Assign(SolidBitmap(w, h, clLime).get()); }

    TMemoryClipboardStore Store;

private:
    TClipboardStore* FOldStore = nullptr;
};

TEST_F(ImageTest, ValuesLoadByTheirHeaderAndDamagedBytesGiveAnEmptyPicture) {
    const String bmp = BitmapBytes();
    struct Case {
        const char* Name;
        TGraphicClass Class;
        String Value;
        TClass Expected; // nullptr: an empty picture
    };
    std::vector<Case> cases = {
        {"bitmap, no header", TBitmap::StaticClass(), bmp, TBitmap::StaticClass()},
        {"bitmap behind a header", TBitmap::StaticClass(), WithHeader(bmp, std::uint32_t(bmp.size())),
         TBitmap::StaticClass()},
        {"header with a wrong length: read from byte 0", TBitmap::StaticClass(),
         WithHeader(bmp, std::uint32_t(bmp.size() + 1)), nullptr},
        {"under 8 bytes", TBitmap::StaticClass(), String("BM\x01\x02", 4), nullptr},
        {"header alone", TBitmap::StaticClass(), WithHeader(String(), 0), nullptr},
        {"icon", TIcon::StaticClass(), IconBytes(), TIcon::StaticClass()},
        {"metafile", TMetafile::StaticClass(), MetafileBytes(), TMetafile::StaticClass()},
        {"jpeg", TJPEGImage::StaticClass(), JpegBytes(), TJPEGImage::StaticClass()},
        {"no class: the picture's bitmap", nullptr, bmp, TBitmap::StaticClass()},
        {"bitmap bytes read as an icon", TIcon::StaticClass(), bmp, nullptr},
        {"icon bytes read as a bitmap", TBitmap::StaticClass(), IconBytes(), nullptr},
    };
    // Every class's bytes cut short and with their middle overwritten.
    const std::pair<TGraphicClass, String> whole[] = {{TBitmap::StaticClass(), bmp},
                                                       {TIcon::StaticClass(), IconBytes()},
                                                       {TMetafile::StaticClass(), MetafileBytes()},
                                                       {TJPEGImage::StaticClass(), JpegBytes()}};
    for (const auto& [cls, bytes] : whole) {
        for (std::size_t cut : {std::size_t(9), bytes.size() / 2, bytes.size() - 1})
            cases.push_back({"truncated", cls, bytes.substr(0, cut), nullptr});
        String corrupt = bytes;
        for (std::size_t i = 2; i < std::min<std::size_t>(corrupt.size(), 60); ++i) corrupt[i] = char(0xFF);
        cases.push_back({"corrupted", cls, corrupt, nullptr});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.Name) + " " + (c.Class ? c.Class->ClassName() : "none") + " " +
                     std::to_string(c.Value.size()));
        TPicture picture;
        picture.SetGraphic(SolidBitmap(2, 2, clRed).get());
        EXPECT_NO_THROW(LoadPictureFromValue(&picture, c.Class, Variant(c.Value)));
        if (!c.Expected) {
            EXPECT_TRUE(PictureHasNoGraphic(&picture));
            continue;
        }
        ASSERT_NE(nullptr, picture.GetGraphic());
        EXPECT_EQ(c.Expected, picture.GetGraphic()->ClassType());
        EXPECT_FALSE(PictureHasNoGraphic(&picture));
    }
    // A value that is not a string clears the picture.
    TPicture picture;
    picture.SetGraphic(SolidBitmap(2, 2, clRed).get());
    LoadPictureFromValue(&picture, nullptr, Variant(Integer(5)));
    EXPECT_EQ(nullptr, picture.GetGraphic());
}

TEST_F(ImageTest, TheEditValueIsNullForAnEmptyPictureAndShowsTheCaption) {
    auto* image = new TqzImage(Form);
    EXPECT_TRUE(VarIsNull(image->GetEditValue()));
    image->GetImageEditProperties()->SetCaption("(no photo)");
    const String bmp = BitmapBytes(6, 4);
    image->SetEditValue(Variant(WithHeader(bmp, std::uint32_t(bmp.size()))));
    EXPECT_EQ(6, image->GetPicture()->GetWidth());
    // The value written back is the graphic's own bytes, without the header.
    EXPECT_EQ(bmp, VarToStr(image->GetEditValue()));
    EXPECT_FALSE(image->GetModified());
    TqzImageProperties* p = image->GetImageEditProperties();
    EXPECT_EQ(u"(no photo)", p->GetDisplayTextWide(Variant(bmp)));
    EXPECT_EQ(u"(no photo)", p->GetDisplayTextWide(Variant(String("junk"))));
    EXPECT_EQ(u"", p->GetDisplayTextWide(Null()));
    image->SetEditValue(Null());
    EXPECT_EQ(nullptr, image->GetPicture()->GetGraphic());
    EXPECT_TRUE(VarIsNull(image->GetEditValue()));
}

TEST_F(ImageTest, GraphicClassNamesAreLookedUpAndAnEmptyOneIsStored) {
    auto* image = new TqzImage(Form);
    image->SetName("Photo");
    TqzImageProperties* p = image->GetImageEditProperties();
    EXPECT_EQ("TBitmap", p->GetGraphicClassName());
    struct Case {
        const char* Name;
        const char* Expected;
    };
    const Case cases[] = {{"tjpegimage", "TJPEGImage"},
                          {"TNoSuchGraphic", "TJPEGImage"},
                          {"ticon", "TIcon"},
                          {"", ""},
                          {"TMETAFILE", "TMetafile"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        p->SetGraphicClassName(c.Name);
        EXPECT_EQ(c.Expected, p->GetGraphicClassName());
    }
    // Stored: a class other than the default by name, none by the empty-name flag.
    image->SetParent(Form);
    String written = WriteComponentText(Form);
    EXPECT_NE(String::npos, written.find("Properties.GraphicClassName = 'TMetafile'")) << written;
    p->SetGraphicClassName("");
    written = WriteComponentText(Form);
    EXPECT_NE(String::npos, written.find("Properties.IsGraphicClassNameEmpty = True")) << written;
    EXPECT_EQ(String::npos, written.find("GraphicClassName =")) << written;
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzImage*>(copy->FindComponent("Photo"));
    ASSERT_NE(nullptr, read) << written;
    EXPECT_EQ(nullptr, read->GetImageEditProperties()->GetGraphicClass());
    // The default class is not stored at all.
    p->SetGraphicClassName("TBitmap");
    written = WriteComponentText(Form);
    EXPECT_EQ(String::npos, written.find("GraphicClass")) << written;
}

TEST_F(ImageTest, PastingABitmapGivesTheClassAskedFor) {
    struct Case {
        const char* ClassName;
        TClass Expected;
    };
    const Case cases[] = {{"", TBitmap::StaticClass()},
                          {"TBitmap", TBitmap::StaticClass()},
                          {"TJPEGImage", TJPEGImage::StaticClass()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ClassName);
        TRecordingImage* image = Shown();
        image->GetImageEditProperties()->SetGraphicClassName(c.ClassName);
        PutBitmapOnClipboard(7, 5);
        image->RunMenuCommand(2);
        ASSERT_NE(nullptr, image->GetPicture()->GetGraphic());
        EXPECT_EQ(c.Expected, image->GetPicture()->GetGraphic()->ClassType());
        EXPECT_EQ(7, image->GetPicture()->GetWidth());
        EXPECT_TRUE(image->GetModifiedAfterEnter());
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(image->GetPicture()->GetGraphic())) {
            // Compressed: its bytes are a JPEG stream.
            const String bytes = BytesOf(jpeg);
            ASSERT_GE(bytes.size(), 2u);
            EXPECT_EQ('\xFF', bytes[0]);
            EXPECT_EQ('\xD8', bytes[1]);
        }
        delete image;
    }
}

TEST_F(ImageTest, TheMenuEnablesItsCommandsByState) {
    struct Case {
        const char* Name;
        bool ReadOnly;
        bool Picture;
        const char* ClassName;
        bool ClipboardBitmap;
        bool Cut, Copy, Paste, Delete, Load, Save;
    };
    const Case cases[] = {
        {"empty, editable", false, false, "TBitmap", false, false, false, false, false, true, false},
        {"picture, editable, bitmap on the clipboard", false, true, "TBitmap", true, true, true, true, true, true,
         true},
        {"picture, read-only", true, true, "TBitmap", true, false, true, false, false, false, true},
        {"icon class: no cut, copy or paste", false, true, "TIcon", true, false, false, false, true, true, true},
        {"metafile class, bitmap on the clipboard", false, false, "TMetafile", true, false, false, false, false,
         true, false},
        {"no class, bitmap on the clipboard", false, false, "", true, false, false, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TRecordingImage* image = Shown();
        TqzImageProperties* p = image->GetImageEditProperties();
        p->SetReadOnly(c.ReadOnly);
        if (c.Picture) image->GetPicture()->SetGraphic(SolidBitmap(4, 4, clRed).get());
        p->SetGraphicClassName(c.ClassName);
        if (c.ClipboardBitmap) PutBitmapOnClipboard();
        else Clipboard()->Clear();
        image->PrepareMenu();
        EXPECT_EQ(c.Cut, ItemEnabled(image, 0));
        EXPECT_EQ(c.Copy, ItemEnabled(image, 1));
        EXPECT_EQ(c.Paste, ItemEnabled(image, 2));
        EXPECT_EQ(c.Delete, ItemEnabled(image, 3));
        EXPECT_EQ(c.Load, ItemEnabled(image, 5));
        EXPECT_EQ(c.Save, ItemEnabled(image, 6));
        EXPECT_TRUE(ItemEnabled(image, 8));
        delete image;
    }
}

TEST_F(ImageTest, TheMenuShowsTheItemsOfItsLayout) {
    TRecordingImage* image = Shown();
    TqzPopupMenuLayout* layout = image->GetImageEditProperties()->GetPopupMenuLayout();
    image->PrepareMenu();
    const char* captions[] = {"Cu&t", "&Copy", "&Paste", "&Delete", "-", "&Load...", "Save &As...", "-", ""};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(captions[i], image->GetImageMenu()->GetItems()->GetItem(i)->GetCaption());
        EXPECT_EQ(i < 7, ItemVisible(image, i));
    }
    EXPECT_EQ(TqzPopupMenuItems({pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave}), layout->GetMenuItems());
    layout->SetMenuItems(TqzPopupMenuItems{pmiCopy, pmiCustom});
    layout->SetCustomMenuItemCaption("Rotate");
    image->PrepareMenu();
    const bool visible[] = {false, true, false, false, false, false, false, true, true};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(visible[i], ItemVisible(image, i)) << i;
    EXPECT_EQ("Rotate", image->GetImageMenu()->GetItems()->GetItem(8)->GetCaption());
    // The custom item fires the editor's event.
    EventLog log;
    image->GetImageEditProperties()->OnCustomClick = TNotifyEvent(&log, &EventLog::Changed);
    image->RunMenuCommand(6);
    EXPECT_EQ(1, log.Changes);
}

TEST_F(ImageTest, AKeyboardMenuRequestOpensAtTenTenAndAPopupMenuOrNoItemsOpenNone) {
    TRecordingImage* image = Shown();
    bool handled = false;
    image->HandleContextPopup(POINT{-1, -1}, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(image->GetImageMenu(), image->PoppedMenu);
    const TPoint origin = image->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(origin.x + 10, image->PoppedAt.x);
    EXPECT_EQ(origin.y + 10, image->PoppedAt.y);
    // A mouse request opens where the mouse is.
    image->HandleContextPopup(POINT{30, 40}, handled);
    EXPECT_EQ(origin.x + 30, image->PoppedAt.x);
    EXPECT_EQ(origin.y + 40, image->PoppedAt.y);

    image->PoppedMenu = nullptr;
    image->GetImageEditProperties()->GetPopupMenuLayout()->SetMenuItems(TqzPopupMenuItems{});
    handled = false;
    image->HandleContextPopup(POINT{-1, -1}, handled);
    EXPECT_NE(image->GetImageMenu(), image->PoppedMenu);

    image->GetImageEditProperties()->GetPopupMenuLayout()->SetMenuItems(TqzPopupMenuItems{pmiCopy});
    auto* own = new TPopupMenu(Form);
    image->SetPopupMenu(own);
    image->PoppedMenu = nullptr;
    image->HandleContextPopup(POINT{-1, -1}, handled);
    EXPECT_NE(image->GetImageMenu(), image->PoppedMenu);
}

TEST_F(ImageTest, ClipboardKeysCutCopyAndPaste) {
    TRecordingImage* image = Shown();
    image->SetFocus();
    App->ProcessMessages();
    const String bmp = BitmapBytes(6, 4, clBlue);
    struct Case {
        const char* Name;
        Word Key;      // 0: a typed character instead
        TShiftState Shift;
        char32_t Char;
        bool PictureBefore;
        bool ClipboardBefore;
        bool PictureAfter;
        bool ClipboardAfter;
    };
    const Case cases[] = {
        {"Ctrl+Insert copies", VK_INSERT, TShiftState{ssCtrl}, 0, true, false, true, true},
        {"Shift+Delete cuts", VK_DELETE, TShiftState{ssShift}, 0, true, false, false, true},
        {"Shift+Insert pastes", VK_INSERT, TShiftState{ssShift}, 0, false, true, true, true},
        {"3 copies", 0, TShiftState{}, 3, true, false, true, true},
        {"24 cuts", 0, TShiftState{}, 24, true, false, false, true},
        {"22 pastes", 0, TShiftState{}, 22, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Clipboard()->Clear();
        image->SetEditValue(c.PictureBefore ? Variant(bmp) : Null());
        if (c.ClipboardBefore) PutBitmapOnClipboard();
        if (c.Key) {
            Word key = c.Key;
            image->HandleKeyDown(key, c.Shift);
        } else {
            char32_t ch = c.Char;
            image->HandleKeyPress(ch);
        }
        EXPECT_EQ(c.PictureAfter, !PictureHasNoGraphic(image->GetPicture()));
        EXPECT_EQ(c.ClipboardAfter, Clipboard()->HasFormat(CF_BITMAP));
    }
}

TEST_F(ImageTest, AStretchedCentredPictureIsDrawnFittedAndCentred) {
    struct Case {
        TRect R;
        Integer W, H;
        TRect Expected;
    };
    const Case cases[] = {
        {TRect{0, 0, 150, 150}, 300, 200, TRect{0, 0, 150, 100}},
        {TRect{10, 10, 110, 60}, 20, 40, TRect{10, 10, 35, 60}},
        {TRect{0, 0, 150, 150}, 0, 200, TRect{0, 0, 150, 150}},
        {TRect{0, 0, 150, 150}, 300, 0, TRect{0, 0, 150, 150}},
        {TRect{5, 5, 5, 50}, 300, 200, TRect{5, 5, 5, 50}},
        // Products beyond 32 bits.
        {TRect{0, 0, 2000000000, 100000}, 100000, 2000000000, TRect{0, 0, 5, 100000}},
    };
    for (const Case& c : cases) {
        TRect r;
        FitProportionally(c.R, c.W, c.H, r);
        EXPECT_TRUE(EqualRect(&c.Expected, &r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }

    // 300 x 200 in a 150 x 150 client area: 150 x 100, 25 lower.
    TRecordingImage* image = Shown(152, 152);
    TqzImageProperties* p = image->GetImageEditProperties();
    p->SetStretch(true);
    p->SetCenter(true);
    p->SetShowFocusRect(false);
    image->GetStyle()->SetEditBorderStyle(ebsSingle);
    image->GetStyle()->SetColor(clWhite);
    image->GetPicture()->SetGraphic(SolidBitmap(300, 200, clRed).get());
    App->ProcessMessages();
    {
        const TRect c = image->GetImageViewInfo()->ClientRect;
        image->SetBounds(10, 10, 152 + 150 - (c.right - c.left), 152 + 150 - (c.bottom - c.top));
        App->ProcessMessages();
    }
    const TRect client = image->GetImageViewInfo()->ClientRect;
    ASSERT_EQ(150, client.right - client.left);
    ASSERT_EQ(150, client.bottom - client.top);
    TBitmap shot;
    shot.SetSize(image->GetWidth(), image->GetHeight());
    image->PaintTo(shot.GetCanvas()->GetHandle(), 0, 0);
    auto at = [&](int x, int y) { return ColorToRGB(shot.GetCanvas()->GetPixels(client.left + x, client.top + y)); };
    EXPECT_EQ(ColorToRGB(clWhite), at(75, 24));
    EXPECT_EQ(ColorToRGB(clRed), at(75, 25));
    EXPECT_EQ(ColorToRGB(clRed), at(0, 25));
    EXPECT_EQ(ColorToRGB(clRed), at(149, 124));
    EXPECT_EQ(ColorToRGB(clWhite), at(75, 125));

    // A picture of width 0 paints as none.
    image->GetPicture()->SetGraphic(SolidBitmap(0, 10, clRed).get());
    EXPECT_NO_THROW(image->PaintTo(shot.GetCanvas()->GetHandle(), 0, 0));
}

TEST_F(ImageTest, APictureLargerThanTheClientAreaScrollsByEight) {
    TRecordingImage* image = Shown(100, 80);
    TqzImageProperties* p = image->GetImageEditProperties();
    p->SetCenter(false);
    p->SetStretch(false);
    image->GetPicture()->SetGraphic(SolidBitmap(300, 200, clRed).get());
    App->ProcessMessages();
    ASSERT_TRUE(image->IsHScrollBarVisible());
    ASSERT_TRUE(image->IsVScrollBarVisible());
    EXPECT_EQ(8, image->GetHScrollBar()->GetSmallChange());
    EXPECT_EQ(299, image->GetHScrollBar()->GetMax());
    EXPECT_EQ(199, image->GetVScrollBar()->GetMax());
    image->GetHScrollBar()->Scroll(scLineDown);
    image->GetVScrollBar()->Scroll(scLineDown);
    image->GetVScrollBar()->Scroll(scLineDown);
    EXPECT_EQ(8, image->GetImageViewInfo()->TopLeft.x);
    EXPECT_EQ(16, image->GetImageViewInfo()->TopLeft.y);
    // Centring resets the offset and takes the bars away.
    p->SetCenter(true);
    App->ProcessMessages();
    EXPECT_EQ(0, image->GetImageViewInfo()->TopLeft.x);
    EXPECT_EQ(0, image->GetImageViewInfo()->TopLeft.y);
}

TEST_F(ImageTest, APictureGivenBeforeTheWindowExistsGetsItsBarsWhenShown) {
    auto* image = new TqzImage(Form);
    image->SetParent(Form);
    image->SetBounds(10, 10, 150, 80);
    image->GetImageEditProperties()->SetCenter(false);
    image->SetEditValue(Variant(BytesOf(SolidBitmap(160, 110, clRed).get())));
    EXPECT_FALSE(image->HandleAllocated());
    Form->Show();
    App->ProcessMessages();
    ASSERT_TRUE(image->IsHScrollBarVisible());
    ASSERT_TRUE(image->IsVScrollBarVisible());
    EXPECT_EQ(159, image->GetHScrollBar()->GetMax());
    EXPECT_EQ(109, image->GetVScrollBar()->GetMax());
    // And the copy of the window shows them: the bottom right corner is the bars', not the picture's.
    TBitmap shot;
    shot.SetSize(image->GetWidth(), image->GetHeight());
    image->PaintTo(shot.GetCanvas()->GetHandle(), 0, 0);
    const TRect bar = image->GetHScrollBar()->GetBoundsRect();
    EXPECT_NE(ColorToRGB(clRed), ColorToRGB(shot.GetCanvas()->GetPixels(bar.left + 1, (bar.top + bar.bottom) / 2)));
    EXPECT_EQ(ColorToRGB(clRed), ColorToRGB(shot.GetCanvas()->GetPixels(bar.left + 1, bar.top - 3)));
}

TEST_F(ImageTest, ATransparentPictureGoesThroughABufferOrStraightOnWhenNoBufferFits) {
    TRecordingImage* image = Shown(100, 80);
    TqzImageProperties* p = image->GetImageEditProperties();
    p->SetCenter(false);
    p->SetGraphicTransparency(gtTransparent);
    image->GetStyle()->SetColor(clYellow);
    TBitmap shot;
    shot.SetSize(image->GetWidth(), image->GetHeight());
    auto centre = [&] {
        image->PaintTo(shot.GetCanvas()->GetHandle(), 0, 0);
        return ColorToRGB(shot.GetCanvas()->GetPixels(image->GetWidth() / 2, image->GetHeight() / 2));
    };
    struct TCase {
        const char* Name;
        Integer Size; // the metafile's width and height in pixels
        Integer BufferedDraws;
    };
    const TCase cases[] = {
        {"a buffer the picture's size", 300, 1},
        // 40000 x 40000 pixels is more than a bitmap may hold.
        {"too large for a buffer", 40000, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMetafile metafile;
        {
            TMetafileCanvas canvas(&metafile, nullptr);
            canvas.GetBrush()->SetColor(clBlue);
            canvas.FillRect(TRect{0, 0, 30, 20});
        }
        metafile.SetWidth(c.Size);
        metafile.SetHeight(c.Size);
        image->GetPicture()->SetGraphic(&metafile);
        App->ProcessMessages();
        ASSERT_TRUE(image->GetPicture()->GetGraphic()->GetTransparent());
        const Integer before = image->GetImageViewInfo()->BufferedDraws;
        Integer colour = 0;
        ASSERT_NO_THROW(colour = centre());
        EXPECT_EQ(ColorToRGB(clBlue), colour);
        EXPECT_EQ(c.BufferedDraws, image->GetImageViewInfo()->BufferedDraws - before);
    }
}

TEST_F(ImageTest, LoadAndSaveGoThroughTheFileDialogs) {
    TRecordingImage* image = Shown();
    EventLog log;
    image->GetImageEditProperties()->OnClosePopup = TqzEditClosePopupEvent(&log, &EventLog::Closed);
    testsupport::TempDir dir;
    const String file = dir.Path() + "/photo.bmp";
    {
        auto bitmap = SolidBitmap(9, 7, clYellow);
        bitmap->SaveToFile(file);
    }
    {
        TScopedDialogScript script;
        script.Cancel();
        image->RunMenuCommand(4);
        script.ChooseFiles({file});
        image->RunMenuCommand(4);
        ASSERT_EQ(2u, script.FileRequests().size());
        EXPECT_NE(String::npos, script.FileRequests()[0].Filters[0].second.find("*.bmp"));
        EXPECT_TRUE(script.Errors().empty());
    }
    EXPECT_EQ((std::vector<Integer>{3, 4}), log.CloseReasons);
    EXPECT_EQ(9, image->GetPicture()->GetWidth());
    EXPECT_TRUE(image->GetModifiedAfterEnter());

    const String saved = dir.Path() + "/copy.bmp";
    {
        TScopedDialogScript script;
        script.ChooseFiles({saved});
        image->RunMenuCommand(5);
        ASSERT_EQ(1u, script.FileRequests().size());
        EXPECT_TRUE(script.FileRequests()[0].Save);
        EXPECT_EQ("bmp", script.FileRequests()[0].DefaultExt);
    }
    TPicture back;
    back.LoadFromFile(saved);
    EXPECT_EQ(9, back.GetWidth());
    // A custom filter is offered as it stands.
    image->GetImageEditProperties()->SetCustomFilter("Photos|*.bmp");
    TScopedDialogScript script;
    script.Cancel();
    image->RunMenuCommand(4);
    ASSERT_EQ(1u, script.FileRequests().size());
    EXPECT_EQ("Photos", script.FileRequests()[0].Filters[0].first);
}

TEST_F(ImageTest, ValidationFiresAssignPictureOnBothProperties) {
    class TImageItem : public TqzEditRepositoryItem {
    public:
        using TqzEditRepositoryItem::TqzEditRepositoryItem;
        TClass GetPropertiesClass() const override { return TqzImageProperties::StaticClass(); }
    };
    TRecordingImage* image = Shown();
    EventLog log;
    image->GetImageEditProperties()->OnAssignPicture = TqzImageAssignPictureEvent(&log, &EventLog::AssignedOwn);
    Variant display;
    String errorText;
    bool error = false;
    image->GetImageEditProperties()->ValidateDisplayValue(display, errorText, error, image);
    EXPECT_EQ(1, log.AssignFromOwn);
    EXPECT_EQ(0, log.AssignFromUsed);

    auto* item = new TImageItem(Form);
    static_cast<TqzImageProperties*>(item->GetProperties())->OnAssignPicture =
        TqzImageAssignPictureEvent(&log, &EventLog::AssignedUsed);
    image->SetRepositoryItem(item);
    image->GetActiveImageProperties()->ValidateDisplayValue(display, errorText, error, image);
    EXPECT_EQ(2, log.AssignFromOwn);
    EXPECT_EQ(1, log.AssignFromUsed);
    EXPECT_FALSE(image->GetModified());
    image->SetRepositoryItem(nullptr);
}

TEST_F(ImageTest, ThePropertiesAreRegisteredAndCopied) {
    EXPECT_NE(nullptr, GetClass("TqzImage"));
    TqzImageProperties a(nullptr);
    a.SetCaption("x");
    a.SetCenter(false);
    a.SetGraphicClassName("TIcon");
    a.SetStretch(true);
    a.SetGraphicTransparency(gtOpaque);
    a.GetPopupMenuLayout()->SetMenuItems(TqzPopupMenuItems{pmiSave});
    TqzImageProperties b(nullptr);
    b.Assign(&a);
    EXPECT_EQ("x", b.GetCaption());
    EXPECT_FALSE(b.GetCenter());
    EXPECT_EQ(TIcon::StaticClass(), b.GetGraphicClass());
    EXPECT_TRUE(b.GetStretch());
    EXPECT_EQ(gtOpaque, b.GetGraphicTransparency());
    EXPECT_EQ(TqzPopupMenuItems{pmiSave}, b.GetPopupMenuLayout()->GetMenuItems());
    EXPECT_EQ(6, GetImageMenuGlyphs()->GetCount());
    EXPECT_EQ(16, GetImageMenuGlyphs()->GetWidth());
}

} // namespace
