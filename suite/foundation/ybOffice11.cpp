#include "suite/foundation/ybOffice11.h"

#include <algorithm>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

TColor SchemeColor19 = 0;
TColor SchemeColor20 = 0;
TColor SchemeColor21 = 0;
TColor SchemeColor22 = 0;
TColor SchemeColor33 = 0;
TColor SchemeColor34 = 0;
TColor SchemeColor35 = 0;
TColor SchemeColor37 = 0;
TColor SchemeColor40 = 0;
TColor SchemeColor41 = 0;
TColor SchemeColor42 = 0;
TColor SchemeColor43 = 0;
TColor SchemeColor44 = 0;
TColor SchemeColor49 = 0;
TColor SchemeColor50 = 0;
TColor SchemeColor51 = 0;
TColor SchemeColor52 = 0;
TColor SchemeColor53 = 0;
TColor SchemeColor54 = 0;
TColor SchemeHighlightColor = 0;
TColor SchemeMidShadowColor = 0;

TBitmap* ExpandMinusBitmap = nullptr;
TBitmap* ExpandPlusBitmap = nullptr;

namespace {

Byte CurrentScheme = 0;
bool SchemeColors = false;
int Users = 0;

COLORREF Rgb(TColor color) { return COLORREF(ColorToRGB(color)) & 0x00FFFFFF; }

// A colour of the scheme table: its value in the blue, olive and silver schemes.
struct TSchemeEntry {
    TColor* Target;
    COLORREF Scheme[3];
};

// The colours that are plain table values in every scheme; the classic formulas follow in
// BuildColors.
const TSchemeEntry SchemeTable[] = {
    {&SchemeColor19, {0xFEECDD, 0xDEF7F4, 0xFAF4F3}}, {&SchemeColor20, {0xE2A981, 0x91C6B7, 0xB59799}},
    {&SchemeColor21, {0xF5BE9E, 0xA7D9D9, 0xE5D7D7}}, {&SchemeColor22, {0xF9DAC3, 0xE4F0F2, 0xF7F3F3}},
    {&SchemeColor33, {0xCB8C6A, 0x588060, 0x8F6D6E}}, {&SchemeColor34, {0xFFF9F1, 0xDEF7F4, 0xFFFFFF}},
    {&SchemeColor35, {0xC9662A, 0x5E8674, 0x99797A}}, {&SchemeColor37, {0x962D00, 0x5E8D75, 0x947C7C}},
    {&SchemeColor40, {0x800000, 0x385D3F, 0x6F4B4B}}, {&SchemeColor41, {0xCCF4FF, 0xCCF4FF, 0xCCF4FF}},
    {&SchemeColor42, {0x91D0FF, 0x91D0FF, 0x91D0FF}}, {&SchemeColor43, {0x8ED3FF, 0x8ED3FF, 0x8ED3FF}},
    {&SchemeColor44, {0x4E91FE, 0x4E91FE, 0x4E91FE}}, {&SchemeColor49, {0x000000, 0x000000, 0x000000}},
    {&SchemeColor50, {0x8D8D8D, 0x8D8D8D, 0x8D8D8D}}, {&SchemeColor51, {0xFBDABE, 0x91BAAF, 0xEBE5E5}},
    {&SchemeColor52, {0x94E6FB, 0x94E6FB, 0x94E6FB}}, {&SchemeColor53, {0xFADAC4, 0xE4F1F2, 0xF7F3F3}},
    {&SchemeColor54, {0x962D00, 0x588060, 0x947C7C}}, {&SchemeHighlightColor, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
};

// The two colours the mid shadow mixes half and half, per scheme.
const COLORREF MidShadowPairs[3][2] = {{0x913500, 0xE0A47B}, {0x6B7760, 0x8FC4B5}, {0x927476, 0xB09193}};

void BuildColors() {
    CurrentScheme = DetectOffice11Scheme();
    SchemeColors = AreThemesActiveForTypes(0) && CurrentScheme != 0;
    if (SchemeColors) {
        const int column = CurrentScheme - 1;
        for (const TSchemeEntry& entry : SchemeTable)
            *entry.Target = TColor(entry.Scheme[column]);
        SchemeMidShadowColor =
            Blend(TColor(MidShadowPairs[column][0]), TColor(MidShadowPairs[column][1]), 50);
        return;
    }
    SchemeColor19 = Blend(clBtnFace, clWindow, 22);
    SchemeColor20 = Blend(clBtnFace, clWindow, 96);
    SchemeColor21 = TColor(Rgb(clBtnFace));
    SchemeColor22 = Blend(clBtnFace, clWindow, 20);
    SchemeColor33 = Blend(clBtnShadow, clWindow, 70);
    SchemeColor34 = clWhite;
    SchemeColor35 = TColor(Rgb(clBtnShadow));
    SchemeColor37 = TColor(Rgb(clBtnShadow));
    SchemeColor40 = TColor(Rgb(clHighlight));
    SchemeColor41 = NearestScreenColor(BlendSystemColors(-2, 30, 72));
    SchemeColor42 = SchemeColor41;
    SchemeColor43 = NearestScreenColor(BlendSystemColors(14, 44, 40));
    SchemeColor44 = SchemeColor43;
    SchemeColor49 = TColor(Rgb(clBtnText));
    SchemeColor50 = TColor(Rgb(clGrayText));
    SchemeColor51 = TColor(Rgb(clBtnFace));
    SchemeColor52 = BlendSystemColors(41, 11, 48);
    SchemeColor53 = TColor(Rgb(clBtnFace));
    SchemeColor54 = TColor(Rgb(clBtnShadow));
    SchemeHighlightColor = TColor(Rgb(clBtnHighlight));
    SchemeMidShadowColor = Blend(clBtnShadow, clBtnFace, 50);
}

// A bitmap resource of the program; an empty bitmap when the program does not have it, so that
// the look still works, only without the picture.
TBitmap* LoadBitmapResource(const char* name) {
    auto* bitmap = new TBitmap();
    try {
        bitmap->LoadFromResourceName(HInstance, name);
    } catch (const EResNotFound&) {
    } catch (const EInvalidGraphic&) {
    }
    return bitmap;
}

void FreeExpandBitmaps() {
    delete ExpandMinusBitmap;
    delete ExpandPlusBitmap;
    ExpandMinusBitmap = nullptr;
    ExpandPlusBitmap = nullptr;
}

void CreateExpandBitmaps() {
    FreeExpandBitmaps();
    ExpandMinusBitmap = LoadBitmapResource("JVEXPANDBUTTON_MINUS");
    ExpandPlusBitmap = LoadBitmapResource("JVEXPANDBUTTON_PLUS");
}

// The last component of a path, either separator.
WideString FileNamePart(const WideString& path) {
    const auto slash = path.find_last_of(u"\\/");
    return slash == WideString::npos ? path : path.substr(slash + 1);
}

String UpperAscii(const WideString& text) { return UpperCase(WideToString(text)); }

} // namespace

Byte GetOfficeScheme() { return CurrentScheme; }

bool OfficeSchemeColorsActive() { return SchemeColors; }

Byte DetectOffice11Scheme() {
    if (!AreThemesActiveForTypes(0)) return 0;
    constexpr int size = 1024;
    char16_t fileName[size] = {}, colorName[size] = {}, sizeName[size] = {};
    if (UxGetCurrentThemeName(fileName, size, colorName, size, sizeName, size) < 0) return 0;
    fileName[size - 1] = colorName[size - 1] = 0;
    if (UpperAscii(FileNamePart(WideString(fileName))) != "LUNA.MSSTYLES") return 0;
    const String color = UpperAscii(WideString(colorName));
    if (color == "NORMALCOLOR") return 1;
    if (color == "HOMESTEAD") return 2;
    if (color == "METALLIC") return 3;
    return 0;
}

TColor Blend(TColor first, TColor second, Integer percentOfFirst) {
    const COLORREF a = Rgb(first), b = Rgb(second);
    auto channel = [&](int shift) {
        const Integer v = MulDiv(Integer((b >> shift) & 0xFF), 100 - percentOfFirst, 100) +
                          MulDiv(Integer((a >> shift) & 0xFF), percentOfFirst, 100);
        // Percentages outside 0..100 must not carry into the neighbouring channel.
        return BYTE(std::clamp<Integer>(v, 0, 255));
    };
    return NearestScreenColor(TColor(RGB(channel(0), channel(8), channel(16))));
}

void FillSolidRect(HDC dc, const TRect& rect, TColor color) {
    HBRUSH brush = CreateSolidBrush(Rgb(color));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void FillGradientRect(HDC dc, const TRect& rect, TColor first, bool horizontal, TColor second) {
    const COLORREF c1 = Rgb(first), c2 = Rgb(second);
    if (c1 == c2) {
        FillSolidRect(dc, rect, TColor(c1));
        return;
    }
    const Integer start = horizontal ? rect.left : rect.top;
    const Integer n = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    if (n <= 0) return;
    const Integer bands = std::min<Integer>(n, 256);
    auto channel = [&](int shift, Integer band) {
        const Integer from = Integer((c1 >> shift) & 0xFF), to = Integer((c2 >> shift) & 0xFF);
        if (bands == 1) return BYTE(from);
        return BYTE(from + MulDiv(band, to - from, bands - 1));
    };
    Integer bandStart = start;
    for (Integer i = 0; i < bands; ++i) {
        const Integer bandEnd = start + MulDiv(i + 1, n, bands);
        if (bandEnd > bandStart) {
            TRect band = rect;
            if (horizontal) {
                band.left = bandStart;
                band.right = bandEnd;
            } else {
                band.top = bandStart;
                band.bottom = bandEnd;
            }
            HBRUSH brush = CreateSolidBrush(RGB(channel(0, i), channel(8, i), channel(16, i)));
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
        bandStart = bandEnd;
        if (bandEnd >= start + n) break;
    }
}

void AcquireOfficeSchemeColors() {
    if (Users++ == 0) {
        BuildColors();
        CreateExpandBitmaps();
    }
}

void RebuildOfficeSchemeColors() {
    BuildColors();
    if (Users > 0) CreateExpandBitmaps();
}

void ReleaseOfficeSchemeColors() {
    // A release without an acquire must not free what others still use.
    if (Users == 0) return;
    if (--Users == 0) FreeExpandBitmaps();
}
