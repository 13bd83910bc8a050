// Colours and their names, fonts, pens and brushes, and the registration of their
// enumerations and published properties.
#include <cstring>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

// ---- Colours -----------------------------------------------------------------------------------

namespace {

struct TColorName {
    Integer Value;
    const char* Name;
};

// The colour-name table, in its published order.
constexpr TColorName ColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

} // namespace

Integer ColorToRGB(TColor color) {
    if (color < 0) return Integer(GetSysColor(color & 0xFF));
    return color;
}

bool ColorToIdent(Integer color, String& ident) {
    for (const TColorName& entry : ColorNames)
        if (entry.Value == color) {
            ident = entry.Name;
            return true;
        }
    return false;
}

bool IdentToColor(const String& ident, Integer& color) {
    for (const TColorName& entry : ColorNames)
        if (SameText(ident, entry.Name)) {
            color = entry.Value;
            return true;
        }
    return false;
}

String ColorToString(TColor color) {
    String ident;
    if (ColorToIdent(color, ident)) return ident;
    return "$" + IntToHex(color, 8);
}

TColor StringToColor(const String& text) {
    Integer color = 0;
    if (IdentToColor(text, color)) return color;
    return StrToInt(text);
}

void GetColorValues(const std::function<void(const String&)>& proc) {
    for (const TColorName& entry : ColorNames)
        proc(entry.Name);
}

namespace {

// The COLORREF a GDI object is made with: system colours stay as they are (the drawing layer
// resolves them when it draws, so they follow the colour table); clNone and clDefault, which
// are no colour at all, become their low 24 bits.
COLORREF ObjectColor(TColor color) {
    if (color < 0) return COLORREF(0xFF000000u | (unsigned(color) & 0xFF));
    return COLORREF(color) & 0x00FFFFFF;
}

} // namespace

// ---- Graphics objects --------------------------------------------------------------------------

void TGraphicsObject::Changing() { OnChanging(this); }

void TGraphicsObject::Changed() { OnChange(this); }

// ---- Fonts -------------------------------------------------------------------------------------

TFont::TFont() = default;

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TFont::Changed() {
    // Whoever selected the old object takes it out on the change event; only then can it go.
    HFONT old = FHandle;
    FHandle = nullptr;
    inherited::Changed();
    if (old) DeleteObject(old);
}

void TFont::Assign(TPersistent* source) {
    if (auto* font = dynamic_cast<TFont*>(source)) {
        if (font == this) return;
        Changing();
        FName = font->FName;
        FHeight = font->FPixelsPerInch == FPixelsPerInch || font->FPixelsPerInch <= 0
                      ? font->FHeight
                      : MulDiv(font->FHeight, FPixelsPerInch, font->FPixelsPerInch);
        FStyle = font->FStyle;
        FColor = font->FColor;
        FCharset = font->FCharset;
        FPitch = font->FPitch;
        Changed();
        return;
    }
    inherited::Assign(source);
}

HFONT TFont::GetHandle() {
    if (!FHandle) {
        LOGFONTA log{};
        log.lfHeight = FHeight;
        log.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        log.lfItalic = FStyle.Contains(fsItalic);
        log.lfUnderline = FStyle.Contains(fsUnderline);
        log.lfStrikeOut = FStyle.Contains(fsStrikeOut);
        log.lfCharSet = FCharset;
        log.lfOutPrecision = OUT_DEFAULT_PRECIS;
        log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        log.lfQuality = DEFAULT_QUALITY;
        log.lfPitchAndFamily = FPitch == fpFixed      ? FIXED_PITCH
                               : FPitch == fpVariable ? VARIABLE_PITCH
                                                      : DEFAULT_PITCH;
        std::strncpy(log.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
        FHandle = CreateFontIndirectA(&log);
    }
    return FHandle;
}

void TFont::SetHandle(HFONT value) {
    LOGFONTA log{};
    if (!value || GetObjectA(value, sizeof(log), &log) <= 0) return;
    Changing();
    FName = log.lfFaceName;
    FHeight = log.lfHeight;
    TFontStyles style;
    if (log.lfWeight >= FW_SEMIBOLD) style.Include(fsBold);
    if (log.lfItalic) style.Include(fsItalic);
    if (log.lfUnderline) style.Include(fsUnderline);
    if (log.lfStrikeOut) style.Include(fsStrikeOut);
    FStyle = style;
    FCharset = log.lfCharSet;
    const int pitch = log.lfPitchAndFamily & 0x03;
    FPitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Changed();
}

void TFont::SetName(const TFontName& value) {
    if (value.empty() || value == FName) return;
    Changing();
    FName = value;
    Changed();
}

Integer TFont::GetSize() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(Integer value) { SetHeight(-MulDiv(value, FPixelsPerInch, 72)); }

void TFont::SetHeight(Integer value) {
    if (value == FHeight) return;
    Changing();
    FHeight = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value) {
    if (value == FStyle) return;
    Changing();
    FStyle = value;
    Changed();
}

void TFont::SetColor(TColor value) {
    if (value == FColor) return;
    Changing();
    FColor = value;
    Changed();
}

void TFont::SetCharset(TFontCharset value) {
    if (value == FCharset) return;
    Changing();
    FCharset = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value) {
    if (value == FPitch) return;
    Changing();
    FPitch = value;
    Changed();
}

void TFont::SetPixelsPerInch(Integer value) {
    if (value > 0) FPixelsPerInch = value;
}

// ---- Pens --------------------------------------------------------------------------------------

TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
    if (FHandle) {
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TPen::Changed() {
    HPEN old = FHandle;
    FHandle = nullptr;
    inherited::Changed();
    if (old) DeleteObject(old);
}

void TPen::Assign(TPersistent* source) {
    if (auto* pen = dynamic_cast<TPen*>(source)) {
        if (pen == this) return;
        Changing();
        FColor = pen->FColor;
        FMode = pen->FMode;
        FStyle = pen->FStyle;
        FWidth = pen->FWidth;
        Changed();
        return;
    }
    inherited::Assign(source);
}

namespace {

constexpr int PenStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};

} // namespace

HPEN TPen::GetHandle() {
    if (!FHandle) FHandle = CreatePen(PenStyles[FStyle], FWidth, ObjectColor(FColor));
    return FHandle;
}

void TPen::SetHandle(HPEN value) {
    LOGPEN log{};
    if (!value || GetObjectA(value, sizeof(log), &log) <= 0) return;
    Changing();
    FStyle = psSolid;
    for (int i = 0; i < int(std::size(PenStyles)); ++i)
        if (PenStyles[i] == int(log.lopnStyle & PS_STYLE_MASK)) FStyle = TPenStyle(i);
    FWidth = log.lopnWidth.x;
    FColor = TColor(log.lopnColor);
    Changed();
}

void TPen::SetColor(TColor value) {
    if (value == FColor) return;
    Changing();
    FColor = value;
    Changed();
}

void TPen::SetMode(TPenMode value) {
    if (value == FMode) return;
    Changing();
    FMode = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value) {
    if (value == FStyle) return;
    Changing();
    FStyle = value;
    Changed();
}

void TPen::SetWidth(Integer value) {
    if (value < 0 || value == FWidth) return;
    Changing();
    FWidth = value;
    Changed();
}

// ---- Brushes -----------------------------------------------------------------------------------

TBrush::~TBrush() { FreeHandle(); }

void TBrush::FreeHandle() {
    if (FHandle && FOwnsHandle) DeleteObject(FHandle);
    FHandle = nullptr;
    FOwnsHandle = false;
}

void TBrush::Changed() {
    HBRUSH old = FOwnsHandle ? FHandle : nullptr;
    FHandle = nullptr;
    FOwnsHandle = false;
    inherited::Changed();
    if (old) DeleteObject(old);
}

void TBrush::Assign(TPersistent* source) {
    if (auto* brush = dynamic_cast<TBrush*>(source)) {
        if (brush == this) return;
        Changing();
        FColor = brush->FColor;
        FStyle = brush->FStyle;
        FBitmap = brush->FBitmap;
        Changed();
        return;
    }
    inherited::Assign(source);
}

HBRUSH TBrush::GetHandle() {
    if (FHandle) return FHandle;
    if (FBitmap && !FBitmap->GetEmpty()) {
        FHandle = CreatePatternBrush(FBitmap->GetHandle());
        FOwnsHandle = true;
    } else if (FStyle == bsClear) {
        FHandle = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        FOwnsHandle = false;
    } else if (FStyle == bsSolid) {
        FHandle = CreateSolidBrush(ObjectColor(FColor));
        FOwnsHandle = true;
    } else {
        static constexpr int Hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                                          HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
        FHandle = CreateHatchBrush(Hatches[FStyle - bsHorizontal], ObjectColor(FColor));
        FOwnsHandle = true;
    }
    return FHandle;
}

void TBrush::SetHandle(HBRUSH value) {
    LOGBRUSH log{};
    if (!value || GetObjectA(value, sizeof(log), &log) <= 0) return;
    Changing();
    FBitmap = nullptr;
    FColor = TColor(log.lbColor);
    if (log.lbStyle == BS_NULL)
        FStyle = bsClear;
    else if (log.lbStyle == BS_HATCHED && log.lbHatch <= ULONG_PTR(HS_DIAGCROSS))
        FStyle = TBrushStyle(bsHorizontal + int(log.lbHatch));
    else
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetColor(TColor value) {
    if (value == FColor && FStyle != bsClear) return;
    Changing();
    FColor = value;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
    if (value == FStyle) return;
    Changing();
    FStyle = value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value) {
    if (value == FBitmap) return;
    Changing();
    FBitmap = value;
    Changed();
}

// ---- Registration ------------------------------------------------------------------------------

namespace {

struct TGraphicsTypesRegistration {
    TGraphicsTypesRegistration() {
        RegisterEnum<TFontStyle>("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
        RegisterTypeName<TFontStyles>("TFontStyles");
        RegisterEnum<TFontPitch>("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
        RegisterEnum<TPenStyle>("TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot",
                                              "psClear", "psInsideFrame"});
        RegisterEnum<TPenMode>("TPenMode",
                               {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                                "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge",
                                "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"});
        RegisterEnum<TBrushStyle>("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                                  "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"});
        RegisterEnum<TFillStyle>("TFillStyle", {"fsSurface", "fsBorder"});
        RegisterEnum<TTextFormats>(
            "TTextFormats", {"tfBottom",         "tfCalcRect",     "tfCenter",       "tfEditControl",
                             "tfEndEllipsis",    "tfPathEllipsis", "tfExpandTabs",   "tfExternalLeading",
                             "tfLeft",           "tfModifyString", "tfNoClip",       "tfNoPrefix",
                             "tfRight",          "tfRtlReading",   "tfSingleLine",   "tfTop",
                             "tfVerticalCenter", "tfWordBreak",    "tfWordEllipsis", "tfNoFullWidthCharBreak",
                             "tfHidePrefix",     "tfPrefixOnly"});
        RegisterTypeName<TTextFormat>("TTextFormat");
        RegisterEnum<TPixelFormat>("TPixelFormat", {"pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit",
                                                    "pf16bit", "pf24bit", "pf32bit", "pfCustom"});
        RegisterEnum<TTransparentMode>("TTransparentMode", {"tmAuto", "tmFixed"});
        RegisterEnum<TBitmapHandleType>("TBitmapHandleType", {"bmDIB", "bmDDB"});
        RegisterClasses({TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass()});
        // Definitions name colours ("Color = clBtnFace") as well as giving numbers.
        RegisterIntegerIdents("TColor", IdentToColor, ColorToIdent);
    }
};
const TGraphicsTypesRegistration GraphicsTypesRegistration;

} // namespace

KOV_PUBLISHED(TGraphicsObject) {}

KOV_PUBLISHED(TFont) {
    Property("Charset", &TFont::GetCharset, &TFont::SetCharset).TypeName("TFontCharset");
    Property("Color", &TFont::GetColor, &TFont::SetColor).TypeName("TColor");
    Property("Height", &TFont::GetHeight, &TFont::SetHeight);
    Property("Name", &TFont::GetName, &TFont::SetName).TypeName("TFontName");
    Property("Pitch", &TFont::GetPitch, &TFont::SetPitch).Default(fpDefault);
    Property("Size", &TFont::GetSize, &TFont::SetSize).Stored(false);
    Property("Style", &TFont::GetStyle, &TFont::SetStyle).Default(TFontStyles());
}

KOV_PUBLISHED(TPen) {
    Property("Color", &TPen::GetColor, &TPen::SetColor).TypeName("TColor").Default(clBlack);
    Property("Mode", &TPen::GetMode, &TPen::SetMode).Default(pmCopy);
    Property("Style", &TPen::GetStyle, &TPen::SetStyle).Default(psSolid);
    Property("Width", &TPen::GetWidth, &TPen::SetWidth).Default(1);
}

KOV_PUBLISHED(TBrush) {
    Property("Color", &TBrush::GetColor, &TBrush::SetColor).TypeName("TColor").Default(clWhite);
    Property("Style", &TBrush::GetStyle, &TBrush::SetStyle).Default(bsSolid);
}

KOV_PUBLISHED(TCanvas) {
    Property("Brush", &TCanvas::GetBrush, &TCanvas::SetBrush);
    Property("Font", &TCanvas::GetFont, &TCanvas::SetFont);
    Property("Pen", &TCanvas::GetPen, &TCanvas::SetPen);
}
