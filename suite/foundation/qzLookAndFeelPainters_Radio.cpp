// The radio-button images of the painters: the system glyph measured and classified pixel by
// pixel once, then painted in the colours of every look, state and flag combination.
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "platform/classlib/ImgList.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiFrame.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybOffice11.h"

namespace {

constexpr Byte kOutside = 0, kOuterUpper = 1, kOuterLower = 2, kInnerUpper = 3, kInnerLower = 4, kInside = 5,
               kDot = 6;
[[maybe_unused]] constexpr Integer kImageCount = 128;

std::unique_ptr<TBitmap> NewBitmap(Integer width, Integer height, TColor fill) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    TCanvas* c = bitmap->GetCanvas();
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(fill);
    c->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

bool IsBlack(TCanvas* canvas, Integer x, Integer y) { return ColorToRGB(canvas->GetPixels(x, y)) == 0; }

TqzRadioButtonImageList* Shared = nullptr;

} // namespace

TqzRadioButtonImageList::TqzRadioButtonImageList() {
    MeasureRadioButton();
    FImages = std::make_unique<TCustomImageList>(nullptr, std::max(FWidth, 1), std::max(FHeight, 1));
    FImages->SetMasked(true);
    FImages->SetImageType(itImage);
    FMask = std::make_unique<TBitmap>();
    FMask->SetMonochrome(true);
    FMask->SetSize(FWidth, FHeight);
    BuildButtonMask();
    BuildRadioPattern();
}

TqzRadioButtonImageList::~TqzRadioButtonImageList() = default;

void TqzRadioButtonImageList::MeasureRadioButton() {
    Integer cellWidth = 13, cellHeight = 13;
    if (HBITMAP boxes = LoadBitmapA(nullptr, OBM_CHECKBOXES)) {
        BITMAP info{};
        if (GetObject(boxes, sizeof(info), &info)) {
            cellWidth = info.bmWidth / 4;
            cellHeight = info.bmHeight / 3;
        }
        DeleteObject(boxes);
    }
    auto cell = NewBitmap(cellWidth, cellHeight, clBlack);
    TCanvas* c = cell->GetCanvas();
    TRect r{0, 0, cellWidth, cellHeight};
    DrawFrameControl(c->GetHandle(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
    FWidth = FHeight = 0;
    FMaskLeft = FMaskTop = 0;
    for (Integer x = 0; x < cellWidth; ++x)
        for (Integer y = 0; y < cellHeight; ++y)
            if (IsBlack(c, x, y)) {
                if (FWidth++ == 0) FMaskLeft = x;
                break;
            }
    for (Integer y = 0; y < cellHeight; ++y)
        for (Integer x = 0; x < cellWidth; ++x)
            if (IsBlack(c, x, y)) {
                if (FHeight++ == 0) FMaskTop = y;
                break;
            }

    c->GetBrush()->SetColor(clBlack);
    c->FillRect(TRect{0, 0, cellWidth, cellHeight});
    r = TRect{0, 0, cellWidth, cellHeight};
    DrawFrameControl(c->GetHandle(), &r, DFC_BUTTON, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
    // The scans stay inside the cell, whatever the glyph looks like.
    const Integer dot = ColorToRGB(clWindowText);
    auto isDot = [&](Integer x, Integer y) {
        return x >= 0 && y >= 0 && x < cellWidth && y < cellHeight && ColorToRGB(c->GetPixels(x, y)) == dot;
    };
    const Integer column = FMaskLeft + FWidth / 2 - 1, row = FMaskTop + FHeight / 2 - 1;
    Integer y = FMaskTop + FHeight / 2 - 2;
    while (isDot(column, y))
        --y;
    FDot.top = y + 1;
    y = FDot.top + 1;
    while (isDot(column, y))
        ++y;
    FDot.bottom = y;
    Integer x = FMaskLeft + FWidth / 2 - 2;
    while (isDot(x, row))
        --x;
    FDot.left = x + 1;
    x = FDot.left + 1;
    while (isDot(x, row))
        ++x;
    FDot.right = x;
}

void TqzRadioButtonImageList::BuildButtonMask() {
    if (FWidth <= 0 || FHeight <= 0) return;
    TCanvas* c = FMask->GetCanvas();
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(clWhite);
    c->FillRect(TRect{0, 0, FWidth, FHeight});
    c->GetPen()->SetColor(clBlack);
    c->GetBrush()->SetColor(clBlack);
    c->RoundRect(0, 0, FWidth, FHeight, FWidth - 1, FHeight - 1);
}

void TqzRadioButtonImageList::BuildRadioPattern() {
    const Integer w = FWidth, h = FHeight;
    FPattern.assign(std::size_t(std::max(w, 0) * std::max(h, 0)), kOutside);
    if (w <= 0 || h <= 0) return;
    auto at = [&](Integer x, Integer y) -> Byte& { return FPattern[std::size_t(y * w + x)]; };
    auto lowerRight = [&](Integer x, Integer y) { return (h - 1) * (w - 1 - x) < (w - 1) * y; };
    auto innerCode = [&](Integer x, Integer y) {
        const bool onLine = (h - 1) * (w - 1 - x) == (w - 1) * y;
        const bool lower = onLine ? x > w / 2 - 1 : lowerRight(x, y);
        return lower ? kInnerLower : kInnerUpper;
    };
    auto isOuter = [&](Integer x, Integer y) { return at(x, y) == kOuterUpper || at(x, y) == kOuterLower; };

    // Outer ring: the outline of the rounded rectangle.
    {
        auto bitmap = NewBitmap(w, h, clWhite);
        TCanvas* c = bitmap->GetCanvas();
        c->GetPen()->SetColor(clBlack);
        c->GetBrush()->SetColor(clWhite);
        c->RoundRect(0, 0, w, h, w - 1, h - 1);
        for (Integer y = 0; y < h; ++y)
            for (Integer x = 0; x < w; ++x)
                if (IsBlack(c, x, y)) at(x, y) = lowerRight(x, y) ? kOuterLower : kOuterUpper;
    }

    // Inside, from the middle outwards in every row.
    const Integer m = w / 2;
    for (Integer y = 1; y <= h - 2; ++y) {
        for (Integer x = m - 1; x >= 0 && at(x, y) == kOutside; --x)
            at(x, y) = kInside;
        for (Integer x = m; x < w && at(x, y) == kOutside; ++x)
            at(x, y) = kInside;
    }
    // Inner ring: the pixels just inside the outer ring, and the whole first and last inner
    // row and column.
    auto walk = [&](Integer start, Integer end, Integer step, bool whole, auto pixel) {
        Integer last = -1;
        for (Integer i = start; i != end; i += step) {
            auto [x, y] = pixel(i);
            if (isOuter(x, y)) break;
            if (whole) at(x, y) = innerCode(x, y);
            last = i;
        }
        if (last >= 0) {
            auto [x, y] = pixel(last);
            at(x, y) = innerCode(x, y);
        }
    };
    for (Integer y = 1; y <= h - 2; ++y) {
        const bool whole = y == 1 || y == h - 2;
        auto pixel = [y](Integer i) { return std::pair<Integer, Integer>{i, y}; };
        if (m - 1 >= 0) walk(m - 1, -1, -1, whole, pixel);
        walk(m, w, 1, whole, pixel);
    }
    const Integer mid = h / 2;
    for (Integer x = 1; x <= w - 2; ++x) {
        const bool whole = x == 1 || x == w - 2;
        auto pixel = [x](Integer i) { return std::pair<Integer, Integer>{x, i}; };
        if (mid - 1 >= 0) walk(mid - 1, -1, -1, whole, pixel);
        walk(mid, h, 1, whole, pixel);
    }

    // Check dot.
    TRect dot = FDot;
    OffsetRect(&dot, -FMaskLeft, -FMaskTop);
    if (dot.right > dot.left && dot.bottom > dot.top) {
        auto bitmap = NewBitmap(w, h, clWhite);
        TCanvas* c = bitmap->GetCanvas();
        c->GetPen()->SetColor(clBlack);
        c->GetBrush()->SetColor(clBlack);
        c->RoundRect(dot.left, dot.top, dot.right, dot.bottom, dot.right - dot.left - 1,
                     dot.bottom - dot.top - 1);
        for (Integer y = 0; y < h; ++y)
            for (Integer x = 0; x < w; ++x)
                if (IsBlack(c, x, y)) at(x, y) = kDot;
    }
}

Byte TqzRadioButtonImageList::PatternCode(Integer x, Integer y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return kOutside;
    return FPattern[std::size_t(y * FWidth + x)];
}

Integer TqzRadioButtonImageList::MapIndexFor(TqzLookAndFeelKind kind, TqzButtonState state, bool designTime,
                                             bool focused, bool checked) {
    const Integer s = state == qzbsDefault ? Integer(qzbsNormal) : Integer(state);
    return s + 8 * Integer(kind) + 32 * Integer(designTime) + 64 * Integer(focused) + 4 * Integer(checked) -
           1;
}

Integer TqzRadioButtonImageList::ImageIndexFor(TqzLookAndFeelKind kind, TqzButtonState state, bool designTime,
                                               bool focused, bool checked) const {
    const Integer index = MapIndexFor(kind, state, designTime, focused, checked);
    return index >= 0 && index < Integer(FIndexTable.size()) ? FIndexTable[std::size_t(index)] : -1;
}

namespace {

// The colours of the seven pattern codes for one combination.
std::array<TColor, 7> RadioColorMap(TqzLookAndFeelKind kind, TqzButtonState state, bool checked,
                                    bool designTime, bool focused) {
    const bool disabled = state == qzbsDisabled;
    const bool framed = focused || state == qzbsHot || state == qzbsPressed || (designTime && !disabled);
    TColor body;
    if (kind == lfOffice11)
        body = state == qzbsNormal ? TColor(clWindow)
                                   : PainterClass<TqzOffice11LookAndFeelPainter>()->ButtonFaceColor(state);
    else if (disabled)
        body = clBtnFace;
    else if (kind == lfUltraFlat)
        body = state == qzbsHot       ? HotTrackLightColor()
               : state == qzbsPressed ? PressedLightColor()
                                      : TColor(clWindow);
    else
        body = state == qzbsPressed ? clBtnFace : clWindow;

    std::array<TColor, 7> map{};
    map[kOutside] = clBlack;
    switch (kind) {
    case lfFlat:
    case lfStandard:
        map[kOuterUpper] = clBtnShadow;
        map[kOuterLower] = clBtnHighlight;
        map[kInnerUpper] = kind == lfFlat ? cl3DLight : cl3DDkShadow;
        map[kInnerLower] = cl3DLight;
        break;
    case lfUltraFlat:
        map[kOuterUpper] = map[kOuterLower] = framed ? clHighlight : clBtnShadow;
        map[kInnerUpper] = map[kInnerLower] = body;
        break;
    case lfOffice11:
        map[kOuterUpper] = map[kOuterLower] = disabled ? SchemeColor50
                                              : framed ? SchemeColor40
                                                       : TColor(clBtnText);
        map[kInnerUpper] = map[kInnerLower] = body;
        break;
    }
    map[kInside] = body;
    if (!checked)
        map[kDot] = body;
    else if (disabled)
        map[kDot] = kind == lfOffice11 ? SchemeColor50 : TColor(clBtnShadow);
    else
        map[kDot] = clWindowText;
    for (TColor& color : map)
        color = TColor(ColorToRGB(color));
    return map;
}

} // namespace

void TqzRadioButtonImageList::BuildImages() {
    if (FImages->GetCount() > 0 || FWidth <= 0 || FHeight <= 0) return;
    auto image = NewBitmap(FWidth, FHeight, clBlack);
    std::vector<DWORD> pixels(std::size_t(FWidth * FHeight));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = FWidth;
    info.bmiHeader.biHeight = -FHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    for (bool focused : {false, true})
        for (bool designTime : {false, true})
            for (TqzLookAndFeelKind kind : {lfFlat, lfStandard, lfUltraFlat, lfOffice11})
                for (bool checked : {false, true})
                    for (TqzButtonState state : {qzbsNormal, qzbsHot, qzbsPressed, qzbsDisabled}) {
                        const auto map = RadioColorMap(kind, state, checked, designTime, focused);
                        for (std::size_t i = 0; i < pixels.size(); ++i) {
                            const COLORREF c = COLORREF(map[FPattern[i]]);
                            // 32-bit pixel order: blue in the low byte.
                            pixels[i] =
                                DWORD(GetBValue(c)) | DWORD(GetGValue(c)) << 8 | DWORD(GetRValue(c)) << 16;
                        }
                        SetDIBits(image->GetCanvas()->GetHandle(), image->GetHandle(), 0, UINT(FHeight),
                                  pixels.data(), &info, DIB_RGB_COLORS);
                        FImages->Add(image.get(), FMask.get());
                        const Integer index = MapIndexFor(kind, state, designTime, focused, checked);
                        if (Integer(FIndexTable.size()) <= index)
                            FIndexTable.resize(std::size_t(index) + 1, -1);
                        FIndexTable[std::size_t(index)] = FImages->GetCount() - 1;
                    }
}

void TqzRadioButtonImageList::Rebuild() {
    FImages->Clear();
    FIndexTable.clear();
    BuildImages();
}

void TqzRadioButtonImageList::DrawImage(TqzCanvas* canvas, Integer left, Integer top, TqzLookAndFeelKind kind,
                                        TqzButtonState state, bool checked, bool designTime, bool focused,
                                        TColor backColor) {
    BuildImages();
    const Integer index = ImageIndexFor(kind, state, designTime, focused, checked);
    if (index < 0) return;
    if (backColor == clDefault) {
        FImages->Draw(canvas->Canvas, left, top, index);
        return;
    }
    auto bitmap = NewBitmap(FWidth, FHeight, backColor);
    FImages->Draw(bitmap->GetCanvas(), 0, 0, index);
    canvas->DrawGraphic(left, top, bitmap.get());
}

TqzRadioButtonImageList* SharedRadioButtonImages() {
    if (!Shared) {
        Shared = new TqzRadioButtonImageList();
        Shared->BuildImages();
    }
    return Shared;
}

void RebuildSharedRadioButtonImages() {
    if (Shared) Shared->Rebuild();
}

void FreeSharedRadioButtonImages() {
    delete Shared;
    Shared = nullptr;
}
