// Colours and their names, fonts, pens and brushes (their values, handles, change events and
// published properties as stored definitions set them), and the picture with the registry of
// graphic classes.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Clipboard.h"
#include "tests/support/TestSupport.h"

namespace {

// A component publishing the drawing objects, as controls do.
class TGraphicsHolder : public TComponent {
    KOV_CLASS(TGraphicsHolder, TComponent)
public:
    explicit TGraphicsHolder(TComponent* owner) : TComponent(owner) {}
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    TPen* GetPen() const { return FPen.get(); }
    void SetPen(TPen* value) { FPen->Assign(value); }
    TBrush* GetBrush() const { return FBrush.get(); }
    void SetBrush(TBrush* value) { FBrush->Assign(value); }
    TPicture* GetPicture() const { return FPicture.get(); }
    void SetPicture(TPicture* value) { FPicture->Assign(value); }
    TBitmap* GetGlyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }

private:
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TPen> FPen = std::make_unique<TPen>();
    std::unique_ptr<TBrush> FBrush = std::make_unique<TBrush>();
    std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
    std::unique_ptr<TBitmap> FGlyph = std::make_unique<TBitmap>();
};

} // namespace

KOV_PUBLISHED(TGraphicsHolder) {
    Property("Font", &TGraphicsHolder::GetFont, &TGraphicsHolder::SetFont);
    Property("Pen", &TGraphicsHolder::GetPen, &TGraphicsHolder::SetPen);
    Property("Brush", &TGraphicsHolder::GetBrush, &TGraphicsHolder::SetBrush);
    Property("Picture", &TGraphicsHolder::GetPicture, &TGraphicsHolder::SetPicture);
    Property("Glyph", &TGraphicsHolder::GetGlyph, &TGraphicsHolder::SetGlyph);
}

namespace {

struct TCounter {
    int Count = 0;
    void Bump(TObject*) { ++Count; }
};

String WriteDefinition(TComponent* root) {
    TMemoryStream binary;
    {
        TWriter writer(&binary);
        writer.WriteRootComponent(root);
    }
    binary.SetPosition(0);
    TStringStream text("");
    ObjectBinaryToText(&binary, &text);
    return text.GetDataString();
}

// ---- Colours -------------------------------------------------------------------------------

TEST(GraphicsColors, ConstantsNamesAndText) {
    EXPECT_EQ(clRed, 255);
    EXPECT_EQ(clBtnFace, TColor(0xFF00000F));
    EXPECT_EQ(clWindowText, TColor(0xFF000000 | COLOR_WINDOWTEXT));
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_EQ(clDefault, 0x20000000);

    struct Case {
        TColor Color;
        const char* Text;
    };
    const std::vector<Case> cases = {
        {clBlack, "clBlack"},
        {clRed, "clRed"},
        {clGray, "clGray"},
        {clBtnFace, "clBtnFace"},
        {clWindow, "clWindow"},
        {cl3DDkShadow, "cl3DDkShadow"},
        {clNone, "clNone"},
        {clDefault, "clDefault"},
        {clMedGray, "clMedGray"},
        {0x00123456, "$00123456"},
        {TColor(0xFF000063), "$FF000063"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ColorToString(c.Color), c.Text);
        EXPECT_EQ(StringToColor(c.Text), c.Color);
    }
    EXPECT_EQ(StringToColor("CLRED"), clRed);
    EXPECT_EQ(StringToColor("16711680"), clBlue);
    EXPECT_EQ(StringToColor("0x00FF00"), clLime);
    try {
        StringToColor("clNoSuchColour");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'clNoSuchColour' is not a valid integer value");
    }

    String ident;
    EXPECT_FALSE(ColorToIdent(0x00123456, ident));
    Integer value = 0;
    EXPECT_FALSE(IdentToColor("Red", value));
    std::vector<String> names;
    GetColorValues([&](const String& name) { names.push_back(name); });
    ASSERT_EQ(names.size(), 52u);
    EXPECT_EQ(names.front(), "clBlack");
    EXPECT_EQ(names[29], "clDefault");
    EXPECT_EQ(names[45], "clNone");
    EXPECT_EQ(names.back(), "clWindowText");
}

TEST(GraphicsColors, SystemColorsFollowTheColorTable) {
    const COLORREF before = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(ColorToRGB(clBtnFace), Integer(before));
    const INT element = COLOR_BTNFACE;
    const COLORREF changed = RGB(1, 2, 3);
    SetSysColors(1, &element, &changed);
    EXPECT_EQ(ColorToRGB(clBtnFace), Integer(changed));
    SetSysColors(1, &element, &before);
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEF);
}

// ---- Fonts, pens, brushes --------------------------------------------------------------------

TEST(GraphicsFont, DefaultsSizeHeightAndPixelsPerInch) {
    TFont font;
    EXPECT_EQ(font.GetName(), "MS Sans Serif");
    EXPECT_EQ(font.GetSize(), 8);
    EXPECT_EQ(font.GetHeight(), -11);
    EXPECT_EQ(font.GetColor(), clWindowText);
    EXPECT_EQ(font.GetCharset(), DEFAULT_CHARSET);
    EXPECT_EQ(font.GetPitch(), fpDefault);
    EXPECT_TRUE(font.GetStyle().empty());
    EXPECT_EQ(font.GetPixelsPerInch(), 96);

    struct Case {
        Integer Size, Height;
    };
    for (const Case& c : std::vector<Case>{{8, -11}, {9, -12}, {10, -13}, {12, -16}, {72, -96}}) {
        SCOPED_TRACE(c.Size);
        font.SetSize(c.Size);
        EXPECT_EQ(font.GetHeight(), c.Height);
        EXPECT_EQ(font.GetSize(), c.Size);
    }
    // A positive height is a cell height: the size comes out negative.
    font.SetHeight(16);
    EXPECT_EQ(font.GetSize(), -12);

    // A printer's font: the same points are more pixels.
    TFont printer;
    printer.SetPixelsPerInch(600);
    printer.SetSize(10);
    EXPECT_EQ(printer.GetHeight(), -83);
    // Assign keeps the size in points across resolutions.
    TFont screen;
    screen.Assign(&printer);
    EXPECT_EQ(screen.GetHeight(), -13);
    EXPECT_EQ(screen.GetSize(), 10);
}

TEST(GraphicsFont, ChangeEventsHandleAndAssign) {
    TFont font;
    TCounter changes, changing;
    font.OnChange = MakeEvent(&changes, &TCounter::Bump);
    font.OnChanging = MakeEvent(&changing, &TCounter::Bump);
    font.SetName("Arial");
    font.SetName("Arial"); // no change
    font.SetStyle(TFontStyles{fsBold, fsUnderline});
    font.SetColor(clRed);
    font.SetPitch(fpFixed);
    EXPECT_EQ(changes.Count, 4);
    EXPECT_EQ(changing.Count, 4);

    HFONT handle = font.GetHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(font.GetHandle(), handle);
    LOGFONTA log{};
    ASSERT_GT(GetObjectA(handle, sizeof(log), &log), 0);
    EXPECT_EQ(log.lfHeight, -11);
    EXPECT_EQ(log.lfWeight, FW_BOLD);
    EXPECT_EQ(log.lfUnderline, 1);
    EXPECT_EQ(log.lfItalic, 0);
    EXPECT_EQ(log.lfPitchAndFamily & 3, FIXED_PITCH);

    // A change makes a new object; the old one is gone.
    font.SetSize(20);
    EXPECT_EQ(GetObjectType(handle), 0u);
    HFONT second = font.GetHandle();
    ASSERT_GT(GetObjectA(second, sizeof(log), &log), 0);
    EXPECT_EQ(log.lfHeight, -27);

    TFont copy;
    copy.SetHandle(second);
    EXPECT_EQ(copy.GetName(), "Arial");
    EXPECT_EQ(copy.GetHeight(), -27);
    EXPECT_EQ(copy.GetStyle(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(copy.GetPitch(), fpFixed);

    TFont assigned;
    TCounter assignChanges;
    assigned.OnChange = MakeEvent(&assignChanges, &TCounter::Bump);
    assigned.Assign(&font);
    EXPECT_EQ(assignChanges.Count, 1);
    EXPECT_EQ(assigned.GetName(), "Arial");
    EXPECT_EQ(assigned.GetColor(), clRed);
    EXPECT_EQ(assigned.GetSize(), 20);
    TPen pen;
    EXPECT_THROW(assigned.Assign(&pen), EConvertError);
}

TEST(GraphicsPenBrush, ValuesHandlesAndEvents) {
    TPen pen;
    EXPECT_EQ(pen.GetColor(), clBlack);
    EXPECT_EQ(pen.GetStyle(), psSolid);
    EXPECT_EQ(pen.GetMode(), pmCopy);
    EXPECT_EQ(pen.GetWidth(), 1);
    TCounter penChanges;
    pen.OnChange = MakeEvent(&penChanges, &TCounter::Bump);
    pen.SetColor(clRed);
    pen.SetWidth(3);
    pen.SetStyle(psDot);
    pen.SetWidth(3);
    EXPECT_EQ(penChanges.Count, 3);
    LOGPEN logPen{};
    ASSERT_GT(GetObjectA(pen.GetHandle(), sizeof(logPen), &logPen), 0);
    EXPECT_EQ(logPen.lopnStyle & PS_STYLE_MASK, UINT(PS_DOT));
    EXPECT_EQ(logPen.lopnWidth.x, 3);
    EXPECT_EQ(logPen.lopnColor, COLORREF(clRed));

    TBrush brush;
    EXPECT_EQ(brush.GetColor(), clWhite);
    EXPECT_EQ(brush.GetStyle(), bsSolid);
    brush.SetStyle(bsClear);
    EXPECT_EQ(brush.GetHandle(), GetStockObject(NULL_BRUSH));
    // A colour makes a clear brush solid again.
    brush.SetColor(clBlue);
    EXPECT_EQ(brush.GetStyle(), bsSolid);
    LOGBRUSH logBrush{};
    ASSERT_GT(GetObjectA(brush.GetHandle(), sizeof(logBrush), &logBrush), 0);
    EXPECT_EQ(logBrush.lbStyle, BS_SOLID);
    EXPECT_EQ(logBrush.lbColor, COLORREF(clBlue));
    brush.SetStyle(bsDiagCross);
    ASSERT_GT(GetObjectA(brush.GetHandle(), sizeof(logBrush), &logBrush), 0);
    EXPECT_EQ(logBrush.lbStyle, BS_HATCHED);
    EXPECT_EQ(logBrush.lbHatch, ULONG_PTR(HS_DIAGCROSS));
    // System colours stay system colours in the object, so they follow the colour table.
    brush.SetStyle(bsSolid);
    brush.SetColor(clBtnFace);
    ASSERT_GT(GetObjectA(brush.GetHandle(), sizeof(logBrush), &logBrush), 0);
    EXPECT_EQ(logBrush.lbColor, COLORREF(0xFF00000F));

    TBrush copy;
    copy.Assign(&brush);
    EXPECT_EQ(copy.GetColor(), clBtnFace);
    TPen penCopy;
    penCopy.Assign(&pen);
    EXPECT_EQ(penCopy.GetWidth(), 3);
    EXPECT_EQ(penCopy.GetStyle(), psDot);
}

TEST(GraphicsPublished, PropertiesAndEnumerationsForDefinitions) {
    struct Case {
        TClass Class;
        const char* Name;
        const char* Type;
    };
    const std::vector<Case> cases = {
        {TFont::StaticClass(), "Charset", "TFontCharset"}, {TFont::StaticClass(), "Color", "TColor"},
        {TFont::StaticClass(), "Height", "Integer"},       {TFont::StaticClass(), "Name", "TFontName"},
        {TFont::StaticClass(), "Pitch", "TFontPitch"},     {TFont::StaticClass(), "Size", "Integer"},
        {TFont::StaticClass(), "Style", "TFontStyles"},    {TPen::StaticClass(), "Color", "TColor"},
        {TPen::StaticClass(), "Mode", "TPenMode"},         {TPen::StaticClass(), "Style", "TPenStyle"},
        {TPen::StaticClass(), "Width", "Integer"},         {TBrush::StaticClass(), "Color", "TColor"},
        {TBrush::StaticClass(), "Style", "TBrushStyle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.Class->ClassName()) + "." + c.Name);
        PPropInfo prop = GetPropInfo(c.Class, c.Name);
        ASSERT_NE(prop, nullptr);
        EXPECT_EQ(prop->PropType->Name, c.Type);
    }
    EXPECT_EQ(GetEnumName(TypeInfo<TPenMode>(), pmNotXor), "pmNotXor");
    EXPECT_EQ(GetEnumValue(TypeInfo<TBrushStyle>(), "bsDiagCross"), Integer(bsDiagCross));
    EXPECT_EQ(SetToString(TypeInfo<TFontStyles>(), (TFontStyles{fsBold, fsUnderline}).Mask()),
              "[fsBold,fsUnderline]");
    EXPECT_EQ((TFontStyles{fsBold, fsUnderline}).Mask(), 5u);
    EXPECT_FALSE(IsStoredProp(std::make_unique<TFont>().get(), "Size"));
}

TEST(GraphicsPublished, DefinitionSetsFontPenAndBrush) {
    TGraphicsHolder holder(nullptr);
    ReadComponentText(R"(object Holder: TGraphicsHolder
  Font.Charset = 134
  Font.Color = 255
  Font.Height = -16
  Font.Name = 'Courier New'
  Font.Style = [fsBold, fsItalic]
  Pen.Mode = pmXor
  Pen.Style = psDash
  Pen.Width = 2
  Brush.Color = 16711680
  Brush.Style = bsCross
end
)",
                      &holder);
    EXPECT_EQ(holder.GetFont()->GetName(), "Courier New");
    EXPECT_EQ(holder.GetFont()->GetSize(), 12);
    EXPECT_EQ(holder.GetFont()->GetColor(), clRed);
    EXPECT_EQ(holder.GetFont()->GetCharset(), GB2312_CHARSET);
    EXPECT_EQ(holder.GetFont()->GetStyle(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(holder.GetPen()->GetMode(), pmXor);
    EXPECT_EQ(holder.GetPen()->GetStyle(), psDash);
    EXPECT_EQ(holder.GetPen()->GetWidth(), 2);
    EXPECT_EQ(holder.GetBrush()->GetColor(), clBlue);
    EXPECT_EQ(holder.GetBrush()->GetStyle(), bsCross);

    // Written back: the height, not the size; defaults left out.
    const String text = WriteDefinition(&holder);
    EXPECT_NE(text.find("Font.Height = -16"), String::npos) << text;
    EXPECT_EQ(text.find("Font.Size"), String::npos) << text;
    EXPECT_NE(text.find("Font.Style = [fsBold, fsItalic]"), String::npos) << text;
    EXPECT_NE(text.find("Pen.Style = psDash"), String::npos) << text;
    EXPECT_EQ(text.find("Pen.Color"), String::npos) << text;
}

// ---- Pictures in definitions ---------------------------------------------------------------

TBitmap* SmallBitmap(TBitmap* bitmap) {
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(3, 2);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(TRect{0, 0, 3, 2});
    canvas->SetPixels(0, 0, clRed);
    canvas->SetPixels(2, 1, clBlue);
    return bitmap;
}

TEST(GraphicsPublished, PictureAndBitmapDataRoundTripThroughDefinitions) {
    TGraphicsHolder holder(nullptr);
    TBitmap bitmap;
    SmallBitmap(&bitmap);
    holder.GetPicture()->SetGraphic(&bitmap);
    holder.GetGlyph()->Assign(&bitmap);

    const String text = WriteDefinition(&holder);
    // The picture's data: "TBitmap" as a short string, then the bitmap's own data (a 4-byte
    // size, then the BMP file: "BM").
    EXPECT_NE(text.find("Picture.Data = {\n    07544269746D6170"), String::npos) << text;
    const std::size_t at = text.find("07544269746D6170");
    ASSERT_NE(at, String::npos);
    EXPECT_EQ(text.substr(at + 16, 12), "4E000000424D") << text; // 78 bytes: 54 + 2 rows of 12
    EXPECT_NE(text.find("Glyph.Data = {\n    4E000000424D"), String::npos) << text;

    TGraphicsHolder copy(nullptr);
    ReadComponentText(text, &copy);
    auto* read = dynamic_cast<TBitmap*>(copy.GetPicture()->GetGraphic());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetWidth(), 3);
    EXPECT_EQ(read->GetHeight(), 2);
    EXPECT_EQ(read->GetCanvas()->GetPixels(0, 0), clRed);
    EXPECT_EQ(read->GetCanvas()->GetPixels(2, 1), clBlue);
    EXPECT_EQ(read->GetCanvas()->GetPixels(1, 0), clWhite);
    EXPECT_EQ(copy.GetGlyph()->GetCanvas()->GetPixels(0, 0), clRed);
    EXPECT_EQ(copy.GetGlyph()->GetPixelFormat(), pf24bit);

    // Nothing is stored for an empty picture or bitmap.
    TGraphicsHolder empty(nullptr);
    const String emptyText = WriteDefinition(&empty);
    EXPECT_EQ(emptyText.find("Picture.Data"), String::npos) << emptyText;
    EXPECT_EQ(emptyText.find("Glyph.Data"), String::npos) << emptyText;
}

// ---- The registry and the picture ----------------------------------------------------------

TEST(GraphicsPicture, RegistryFilterAndExtensions) {
    const String filter = GraphicFilter(nullptr);
    EXPECT_EQ(filter.rfind("All (*.bmp;*.ico", 0), 0u) << filter;
    EXPECT_NE(filter.find("|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico"), String::npos) << filter;
    EXPECT_EQ(GraphicFilter(TBitmap::StaticClass()), "All (*.bmp)|*.bmp|Bitmaps (*.bmp)|*.bmp");
    EXPECT_EQ(GraphicExtension(TBitmap::StaticClass()), "bmp");
    EXPECT_EQ(GraphicExtension(TIcon::StaticClass()), "ico");
    EXPECT_EQ(GraphicFileMask(TIcon::StaticClass()), "*.ico");
    EXPECT_EQ(GraphicClassOfExtension(".BMP"), TBitmap::StaticClass());
    EXPECT_EQ(GraphicClassOfExtension("xyz"), nullptr);
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_DIB));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(CF_TEXT));
}

TEST(GraphicsPicture, LoadsByExtensionAndHeaderAndKeepsItselfOnErrors) {
    testsupport::TempDir dir;
    TBitmap bitmap;
    SmallBitmap(&bitmap);
    bitmap.SaveToFile(dir.File("small.bmp"));

    TPicture picture;
    TCounter changes;
    picture.OnChange = MakeEvent(&changes, &TCounter::Bump);
    picture.LoadFromFile(dir.File("small.bmp"));
    EXPECT_EQ(changes.Count, 1);
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.GetGraphic()), nullptr);
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(picture.GetHeight(), 2);

    // A change of the graphic is a change of the picture.
    picture.GetBitmap()->GetCanvas()->SetPixels(1, 1, clLime);
    EXPECT_GE(changes.Count, 2);

    const std::vector<std::pair<String, String>> failures = {
        {"picture.xyz", "Unknown picture file extension (.xyz)"},
        {"noext", "Unknown picture file extension (.)"},
        {"random.bmp", "Bitmap image is not valid"},
        {"random.ico", "Icon image is not valid"},
    };
    testsupport::WriteFileBytes(dir.File("random.bmp"), "BM\x13\x37 not a bitmap at all, really");
    testsupport::WriteFileBytes(dir.File("random.ico"), std::string("\0\0\1\0\1\0junk", 10));
    testsupport::WriteFileBytes(dir.File("picture.xyz"), "whatever");
    testsupport::WriteFileBytes(dir.File("noext"), "whatever");
    TGraphic* before = picture.GetGraphic();
    const int changesBefore = changes.Count;
    for (const auto& [name, message] : failures) {
        SCOPED_TRACE(name);
        try {
            picture.LoadFromFile(dir.File(name));
            FAIL() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, message);
        }
        EXPECT_EQ(picture.GetGraphic(), before);
        EXPECT_EQ(picture.GetBitmap()->GetCanvas()->GetPixels(0, 0), clRed);
    }
    EXPECT_EQ(changes.Count, changesBefore);

    // By the first bytes of a stream.
    TMemoryStream stream;
    bitmap.SaveToStream(&stream);
    stream.SetPosition(0);
    TPicture fromStream;
    fromStream.LoadFromStream(&stream);
    EXPECT_NE(dynamic_cast<TBitmap*>(fromStream.GetGraphic()), nullptr);
    TStringStream unknown("GIF89a...");
    EXPECT_THROW(fromStream.LoadFromStream(&unknown), EInvalidGraphic);
    EXPECT_NE(dynamic_cast<TBitmap*>(fromStream.GetGraphic()), nullptr);

    // Saving by the graphic, and copies.
    picture.SaveToFile(dir.File("again.bmp"));
    TPicture again;
    again.LoadFromFile(dir.File("again.bmp"));
    EXPECT_EQ(again.GetBitmap()->GetCanvas()->GetPixels(1, 1), clLime);
    TPicture copy;
    copy.Assign(&again);
    EXPECT_NE(copy.GetGraphic(), again.GetGraphic());
    EXPECT_EQ(copy.GetBitmap()->GetCanvas()->GetPixels(1, 1), clLime);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.GetGraphic(), nullptr);
    EXPECT_EQ(copy.GetWidth(), 0);
    // Asking for an icon replaces the bitmap with an empty icon.
    EXPECT_TRUE(again.GetIcon()->GetEmpty());
    EXPECT_EQ(dynamic_cast<TBitmap*>(again.GetGraphic()), nullptr);
}

TEST(GraphicsPicture, ClipboardFormats) {
    TBitmap bitmap;
    SmallBitmap(&bitmap);
    Word format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    bitmap.SaveToClipboardFormat(format, data, palette);
    EXPECT_EQ(format, CF_BITMAP);
    ASSERT_NE(data, nullptr);
    TPicture picture;
    picture.LoadFromClipboardFormat(format, data, palette);
    auto* pasted = dynamic_cast<TBitmap*>(picture.GetGraphic());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->GetCanvas()->GetPixels(2, 1), clBlue);
    DeleteObject(data);
    EXPECT_THROW(picture.LoadFromClipboardFormat(CF_TEXT, nullptr, nullptr), EInvalidGraphic);
    EXPECT_NE(dynamic_cast<TBitmap*>(picture.GetGraphic()), nullptr);

    TIcon icon;
    EXPECT_THROW(icon.SaveToClipboardFormat(format, data, palette), EInvalidGraphic);
}

} // namespace
