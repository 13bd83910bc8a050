// The native painter: the system's visual styles through the theme wrappers. Each themed
// operation asks for its theme type's handle; without one it draws as the standard painter.
#include <memory>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/Theme.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

using TNative = TqzWinXPLookAndFeelPainter;
using TStandard = TqzStandardLookAndFeelPainter;
using TBase = TqzCustomLookAndFeelPainter;

TRect Shrunk(const TRect& r, Integer by) {
    return TRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

bool Ok(HRESULT result) { return result >= 0; }

HTHEME Theme(TybThemeType type) { return OpenThemeForType(type); }

void DrawPart(HTHEME theme, TqzCanvas* canvas, int part, int state, const TRect& rect,
              const TRect* clip = nullptr) {
    UxDrawThemeBackground(theme, canvas->DeviceContext(), part, state, &rect, clip);
}

// The measuring queries run against the screen's context.
class TScreenDC {
public:
    TScreenDC() : FDC(GetDC(nullptr)) {}
    ~TScreenDC() { ReleaseDC(nullptr, FDC); }
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    operator HDC() const { return FDC; }

private:
    HDC FDC;
};

// The content rectangle of a part in a 100 x 100 box; false when the theme cannot tell.
bool ContentIn100(HTHEME theme, int part, int state, TRect& content) {
    const TRect box{0, 0, 100, 100};
    TScreenDC dc;
    return Ok(UxGetThemeBackgroundContentRect(theme, dc, part, state, &box, &content));
}

bool TrueSize(HTHEME theme, int part, int state, SIZE& size) {
    TScreenDC dc;
    return Ok(UxGetThemePartSize(theme, dc, part, state, nullptr, TS_TRUE, &size));
}

bool ThemeColor(HTHEME theme, int part, int state, int property, TColor& color) {
    COLORREF value = 0;
    if (!Ok(UxGetThemeColor(theme, part, state, property, &value))) return false;
    color = TColor(value);
    return true;
}

// State tables, indexed by TqzButtonState (default, normal, hot, pressed, disabled).
constexpr int kPushButtonStates[5] = {5, 1, 2, 3, 4};
constexpr int kHeaderItemStates[5] = {1, 1, 2, 3, 1};
constexpr int kCloseButtonStates[5] = {1, 1, 2, 3, 4};
constexpr int kDropDownStates[5] = {1, 1, 2, 3, 4};
constexpr int kToolBarStates[5] = {2, 2, 5, 3, 4};
constexpr int kExplorerBarStates[5] = {1, 1, 2, 3, 1};
constexpr int kScrollBarStates[5] = {1, 1, 2, 3, 4};

int PushState(TqzButtonState s) { return kPushButtonStates[s]; }

// Check boxes and radio buttons: 1..4 unchecked (default counting as normal), 5..8 checked.
int CheckState(TqzButtonState s, bool checked) {
    const int unchecked = s == qzbsDefault ? 1 : int(s);
    return checked ? unchecked + 4 : unchecked;
}

int ScrollArrowState(Byte direction, TqzButtonState s) {
    int state = direction * 4 + 1;
    if (s == qzbsHot) state += 1;
    if (s == qzbsPressed) state += 2;
    if (s == qzbsDisabled) state += 3;
    return state;
}

Byte ScrollArrowDirection(bool horizontal, Byte part) {
    if (horizontal) return part == qzsbpFirstButton ? qzadLeft : qzadRight;
    return part == qzsbpFirstButton ? qzadUp : qzadDown;
}

DWORD ThemedTextFlags(bool showPrefix, bool endEllipsis, bool multiLine, Byte vAlign, TAlignment hAlign) {
    DWORD flags = hAlign == taRightJustify ? DT_RIGHT : hAlign == taCenter ? DT_CENTER : DT_LEFT;
    flags |= vAlign == qzvaBottom ? DT_BOTTOM : vAlign == qzvaCenter ? DT_VCENTER : DT_TOP;
    flags |= multiLine ? DT_WORDBREAK : DT_SINGLELINE;
    if (endEllipsis) flags |= DT_END_ELLIPSIS;
    if (!showPrefix) flags |= DT_NOPREFIX;
    return flags | DT_EDITCONTROL;
}

} // namespace

void TNative::PaintThemedText(TqzCanvas* canvas, HANDLE theme, TColor textColor, TFont* font,
                              const String& text, bool showPrefix, bool endEllipsis, bool multiLine,
                              Byte vAlign, TAlignment hAlign, const TRect& textBounds, const TRect&,
                              int state, int part) const {
    if (text.empty()) return;
    if (font) canvas->SelectFont(font);
    canvas->CurrentFont()->SetColor(textColor);
    TRect r = textBounds;
    if (multiLine) canvas->PlaceTextVertically(r, text, false, true, showPrefix, true, vAlign);
    UxDrawThemeTextAnsi(theme, canvas->DeviceContext(), part, state, text, -1,
                        ThemedTextFlags(showPrefix, endEllipsis, multiLine, vAlign, hAlign), 0, &r);
}

// ---- Answers ---------------------------------------------------------------------------------

Byte TNative::PainterStyleCode() const { return 3; }
TColor TNative::PaletteColor16() const { return 0x800000; }

TColor TNative::BorderLineColor() const {
    TColor color = clBtnShadow;
    if (HTHEME theme = Theme(ttComboBox)) ThemeColor(theme, 1, 1, TMT_BORDERCOLOR, color);
    return color;
}

TColor TNative::PaletteColor49() const { return 0xD5FFFF; }
Integer TNative::ControlBorderWidth() const { return Theme(ttListView) ? 1 : 2; }

Integer TNative::ButtonBorderWidth(TqzButtonState state) const {
    TRect content{};
    if (HTHEME theme = Theme(ttButton); theme && ContentIn100(theme, 1, PushState(state), content))
        return content.left;
    return 2;
}

TColor TNative::ButtonFaceColor(TqzButtonState state) const {
    TColor color = clBtnFace;
    if (HTHEME theme = Theme(ttButton)) ThemeColor(theme, 1, PushState(state), TMT_FILLCOLOR, color);
    return color;
}

TRect TNative::CalcButtonFocusBounds(TqzCanvas* canvas, const TRect& bounds) const {
    if (HTHEME theme = Theme(ttButton)) {
        TRect content{};
        HDC dc = canvas->DeviceContext();
        if (Ok(UxGetThemeBackgroundContentRect(theme, dc, 1, 1, &bounds, &content))) return content;
    }
    return Shrunk(bounds, 4);
}

TqzFrameWidths TNative::ButtonGroupBorderWidths(Integer buttonCount, Integer buttonIndex) const {
    TRect content{};
    HTHEME theme = Theme(ttButton);
    if (!theme || !ContentIn100(theme, 1, 1, content))
        return TStandard::ButtonGroupBorderWidths(buttonCount, buttonIndex);
    const Integer extra = UxIsThemeBackgroundPartiallyTransparent(theme, 1, 1) ? 1 : 0;
    return TqzFrameWidths{content.left + extra, content.top + extra, 100 - content.right + extra,
                          100 - content.bottom + extra};
}

TRect TNative::AdjustGroupedButtonBounds(const TRect& bounds, Integer, Integer) const {
    HTHEME theme = Theme(ttButton);
    if (theme && UxIsThemeBackgroundPartiallyTransparent(theme, 1, 1)) return Shrunk(bounds, -1);
    return bounds;
}

TColor TNative::ButtonGlyphColor(TqzButtonState state, TColor color) const {
    TColor themed = clNone;
    if (HTHEME theme = Theme(ttButton);
        theme && ThemeColor(theme, 1, PushState(state), TMT_TEXTCOLOR, themed))
        return themed;
    return TBase::ButtonGlyphColor(state, color);
}

Integer TNative::ButtonCaptionInset() const { return 2; }
Integer TNative::ButtonCaptionPressShift() const { return 0; }
bool TNative::ExpandButtonBeforeLines() const { return false; }

Integer TNative::TreeExpandButtonExtent() const {
    SIZE size{};
    if (HTHEME theme = Theme(ttTreeView); theme && TrueSize(theme, 2, 2, size)) return size.cx;
    return 12;
}

Integer TNative::GroupToggleButtonExtent() const {
    SIZE size{};
    if (HTHEME theme = Theme(ttExplorerBar); theme && TrueSize(theme, 7, 1, size)) return size.cx;
    return 15;
}

Integer TNative::SmallExpandButtonExtent() const { return Theme(ttTreeView) ? TreeExpandButtonExtent() : 9; }
bool TNative::HotTracksButtons() const { return true; }

bool TNative::HitTestGroupToggleButton(const TRect& bounds, const TPoint& point) const {
    if (HTHEME theme = Theme(ttExplorerBar)) {
        HRGN region = nullptr;
        TScreenDC dc;
        if (Ok(UxGetThemeBackgroundRegion(theme, dc, 7, 1, &bounds, &region)) && region) {
            const bool inside = PtInRegion(region, point.x, point.y);
            DeleteObject(region);
            return inside;
        }
    }
    return PtInRect(&bounds, point);
}

Integer TNative::CheckBoxBorderWidth() const { return Theme(ttButton) ? 0 : 2; }

Integer TNative::HeaderFrameWidth() const {
    TRect content{};
    if (HTHEME theme = Theme(ttHeader); theme && ContentIn100(theme, 1, 1, content))
        return (content.left + content.top) / 2;
    return 1;
}

Integer TNative::HeaderSectionFrameWidth(TqzButtonState) const { return HeaderFrameWidth(); }

TRect TNative::CalcHeaderSectionContentBounds(const TRect& bounds, TqzButtonState state) const {
    if (Theme(ttHeader)) return Shrunk(bounds, HeaderFrameWidth());
    return TBase::CalcHeaderSectionContentBounds(bounds, state);
}

bool TNative::StyleFlag109() const { return false; }
bool TNative::StyleFlag115() const { return true; }
TSize TNative::SortArrowExtent() const { return TSize{7, 8}; }
Integer TNative::FooterFrameWidth() const { return 1; }

Integer TNative::FooterCellFrameWidth() const {
    TRect content{};
    if (HTHEME theme = Theme(ttTrackBar); theme && ContentIn100(theme, 1, 1, content)) return content.left;
    return 1;
}

Integer TNative::FooterCellInset() const { return 1; }
bool TNative::StyleFlag123() const { return false; }

TSize TNative::CheckBoxExtent() const {
    SIZE size{};
    if (HTHEME theme = Theme(ttButton); theme && TrueSize(theme, 3, 5, size)) return size;
    return TSize{13, 13};
}

TSize TNative::CloseButtonExtent() const {
    SIZE size{};
    if (HTHEME theme = Theme(ttWindow); theme && TrueSize(theme, 19, 1, size))
        return TSize{size.cx + 4, size.cy + 4};
    return TSize{16, 14};
}

TSize TNative::MarkButtonExtent() const { return TSize{15, 15}; }

TSize TNative::PinButtonExtent() const {
    SIZE size{};
    if (HTHEME theme = Theme(ttExplorerBar); theme && TrueSize(theme, 3, 1, size)) return size;
    return TSize{16, 14};
}

Integer TNative::TabMetric147(bool) const { return Theme(ttTab) ? 1 : 0; }
Integer TNative::TabMetric148(bool) const { return Theme(ttTab) ? 1 : 0; }
Integer TNative::TabFrameWidth(bool) const { return 1; }

// ---- Drawing ---------------------------------------------------------------------------------

void TNative::PaintScrollArrowButton(TqzCanvas* canvas, const TRect& bounds, bool withBackground,
                                     Byte direction, TqzButtonState state) const {
    if (HTHEME theme = Theme(ttScrollBar))
        DrawPart(theme, canvas, 1, ScrollArrowState(direction, state), bounds);
    else
        TBase::PaintScrollArrowButton(canvas, bounds, withBackground, direction, state);
}

void TNative::PaintButtonBackground(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    if (HTHEME theme = Theme(ttButton))
        DrawPart(theme, canvas, 1, PushState(state), bounds);
    else
        TBase::PaintButtonBackground(canvas, bounds, state);
}

void TNative::PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const {
    HTHEME theme = Theme(ttListView);
    if (!theme) {
        TStandard::PaintControlBorder(canvas, bounds);
        return;
    }
    HDC dc = canvas->DeviceContext();
    const int saved = SaveDC(dc);
    canvas->ExcludeClipArea(Shrunk(bounds, 1));
    DrawPart(theme, canvas, 5, 0, bounds);
    RestoreDC(dc, saved);
}

void TNative::PaintButton(TqzCanvas* canvas, const TRect& bounds, TColor textColor, TColor backColor,
                          bool framed, TqzButtonState state, const String& caption) const {
    HTHEME theme = Theme(ttButton);
    if (!theme) {
        TBase::PaintButton(canvas, bounds, textColor, backColor, framed, state, caption);
        return;
    }
    DrawPart(theme, canvas, 1, PushState(state), bounds);
    if (!caption.empty())
        UxDrawThemeTextAnsi(theme, canvas->DeviceContext(), 1, PushState(state), caption, -1,
                            DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &bounds);
}

void TNative::PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                                    bool expanded) const {
    HTHEME theme = Theme(ttTreeView);
    if (!theme) {
        TStandard::PaintTreeExpandButton(canvas, bounds, color, expanded);
        return;
    }
    DrawPart(theme, canvas, 2, expanded ? 2 : 1, bounds);
    canvas->ExcludeClipArea(bounds);
}

void TNative::PaintGroupToggleButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state,
                                     bool expanded) const {
    if (HTHEME theme = Theme(ttExplorerBar))
        DrawPart(theme, canvas, expanded ? 6 : 7, kExplorerBarStates[state], bounds);
    else
        TStandard::PaintGroupToggleButton(canvas, bounds, state, expanded);
}

void TNative::PaintSmallExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor, TColor frameColor,
                                     bool expanded) const {
    if (Theme(ttTreeView))
        PaintTreeExpandButton(canvas, bounds, clDefault, expanded);
    else
        TBase::PaintSmallExpandButton(canvas, bounds, clDefault, frameColor, expanded);
}

void TNative::PaintCheckMark(TqzCanvas* canvas, const TRect& bounds, TColor markColor, bool checked,
                             TqzButtonState state) const {
    if (HTHEME theme = Theme(ttButton))
        DrawPart(theme, canvas, 3, CheckState(state, checked), bounds);
    else
        TBase::PaintCheckMark(canvas, bounds, markColor, checked, state);
}

void TNative::PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    if (!Theme(ttButton)) TStandard::PaintCheckFrame(canvas, bounds, state);
}

void TNative::PaintRadioButton(TqzCanvas* canvas, Integer left, Integer top, TqzButtonState state,
                               bool checked, bool focused, bool designTime, TColor backColor) const {
    HTHEME theme = Theme(ttButton);
    if (!theme) {
        TStandard::PaintRadioButton(canvas, left, top, state, checked, focused, designTime, backColor);
        return;
    }
    const int themeState = CheckState(state, checked);
    SIZE size{};
    HDC dc = canvas->DeviceContext();
    if (!Ok(UxGetThemePartSize(theme, dc, 2, themeState, nullptr, TS_TRUE, &size))) return;
    DrawPart(theme, canvas, 2, themeState, TRect{left, top, left + size.cx, top + size.cy});
}

void TNative::PaintHeaderCell(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                              TqzSides neighbours, TqzSides borders, TqzButtonState state, TAlignment hAlign,
                              Byte vAlign, bool multiLine, bool endEllipsis, const String& text, TFont* font,
                              TColor textColor, TColor backColor, const TqzCustomDrawCellEvent& customDraw,
                              bool rightmost) const {
    HTHEME theme = Theme(ttHeader);
    if (!theme) {
        TBase::PaintHeaderCell(canvas, bounds, textBounds, neighbours, borders, state, hAlign, vAlign,
                               multiLine, endEllipsis, text, font, textColor, backColor, customDraw,
                               rightmost);
        return;
    }
    const int themeState = kHeaderItemStates[state];
    const Byte scheme = GetOfficeScheme();
    const int part = rightmost && themeState == 1 && (scheme == 1 || scheme == 2) ? 3 : 1;
    DrawPart(theme, canvas, part, themeState, bounds);
    TRect r = textBounds;
    if (state == qzbsPressed) OffsetRect(&r, 1, 1);
    PaintThemedText(canvas, theme, textColor, font, text, false, endEllipsis, multiLine, vAlign, hAlign, r,
                    bounds, themeState, part);
}

void TNative::InvertArea(TqzCanvas*, const TRect&) const {}

void TNative::PaintHeaderSection(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                 TqzSides neighbours, TqzSides sides, TqzButtonState state, TAlignment hAlign,
                                 Byte vAlign, bool multiLine, bool endEllipsis, const String& text,
                                 TFont* font, TColor textColor, TColor backColor) const {
    canvas->SetBrushColor(clBtnFace);
    canvas->CurrentBrush()->SetStyle(bsSolid);
    canvas->Canvas->FillRect(bounds);
    PaintHeaderCell(canvas, bounds, textBounds, neighbours, sides, state, hAlign, vAlign, multiLine,
                    endEllipsis, text, font, textColor, backColor, TqzCustomDrawCellEvent(), false);
}

void TNative::PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const {
    PaintSortArrowOutline(canvas, bounds, ascending, clBtnShadow, clBtnShadow);
}

void TNative::PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const {
    if (HTHEME theme = Theme(ttEdit))
        UxDrawThemeEdge(theme, canvas->DeviceContext(), 0, 0, &bounds, BDR_RAISEDINNER, BF_RECT, nullptr);
    else
        TStandard::PaintFooterFrame(canvas, bounds);
}

void TNative::PaintFooterCell(TqzCanvas* canvas, const TRect& bounds, TAlignment hAlign, Byte vAlign,
                              bool multiLine, const String& text, TFont* font, TColor textColor,
                              TColor backColor, const TqzCustomDrawCellEvent& customDraw) const {
    HTHEME theme = Theme(ttTrackBar);
    if (!theme) {
        TBase::PaintFooterCell(canvas, bounds, hAlign, vAlign, multiLine, text, font, textColor, backColor,
                               customDraw);
        return;
    }
    DrawPart(theme, canvas, 1, 1, bounds);
    PaintThemedText(canvas, theme, textColor, font, text, false, false, multiLine, vAlign, hAlign,
                    CalcFooterCellTextBounds(bounds), bounds, 1, 1);
}

void TNative::PaintCloseButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    if (HTHEME theme = Theme(ttWindow))
        DrawPart(theme, canvas, 19, kCloseButtonStates[state], bounds);
    else
        TBase::PaintCloseButton(canvas, bounds, state);
}

void TNative::PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                                  TqzButtonState state) const {
    if (HTHEME theme = Theme(ttComboBox))
        DrawPart(theme, canvas, 1, kDropDownStates[state], bounds);
    else
        TStandard::PaintDropDownButton(canvas, bounds, active, state);
}

void TNative::PaintPlusMarkButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    HTHEME theme = Theme(ttButton);
    if (!theme) {
        TBase::PaintPlusMarkButton(canvas, bounds, state);
        return;
    }
    DrawPart(theme, canvas, 1, PushState(state), bounds);
    TRect r = Shrunk(bounds, 2);
    if (state == qzbsDisabled) OffsetRect(&r, 1, 1);
    PaintPlusMark(canvas, r, state);
}

void TNative::PaintGlyphButton(TqzCanvas* canvas, const TRect& bounds, Integer glyphIndex,
                               TqzButtonState state) const {
    HTHEME theme = Theme(ttExplorerBar);
    if (!theme) {
        TBase::PaintGlyphButton(canvas, bounds, glyphIndex, state);
        return;
    }
    const Integer w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    if (w <= 0 || h <= 0) return;
    // The operation gets no background colour: the pin is drawn over what the canvas shows.
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(w, h);
    bitmap->GetCanvas()->CopyRect(TRect{0, 0, w, h}, canvas->Canvas, bounds);
    const TRect whole{0, 0, w, h};
    UxDrawThemeBackground(theme, bitmap->GetCanvas()->GetHandle(), 3, kExplorerBarStates[state], &whole,
                          nullptr);
    if (glyphIndex == 0) canvas->RotateBitmap(bitmap.get(), 1, false);
    canvas->DrawGraphic(bounds.left, bounds.top, bitmap.get());
}

void TNative::PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides,
                            Byte side) const {
    if (!Theme(ttTab)) TStandard::PaintTabFrame(canvas, bounds, vertical, sides, side);
}

void TNative::PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const {
    HTHEME theme = Theme(ttTab);
    if (!theme) {
        TStandard::PaintTabStrip(canvas, bounds, vertical, sides);
        return;
    }
    const TRect& r = bounds;
    TRect c = r;
    UxGetThemeBackgroundContentRect(theme, canvas->DeviceContext(), 9, 0, &r, &c);
    TRect pane = r;
    if (vertical) {
        pane.right = r.right + 10;
        pane.bottom = r.bottom - (c.top - r.top) + (r.bottom - c.bottom);
    } else {
        pane.right = r.right - (c.left - r.left) + (r.right - c.right);
        pane.bottom = r.bottom + 10;
    }
    DrawPart(theme, canvas, 9, 0, pane, &r);
}

void TNative::PaintIndicatorHeader(TqzCanvas* canvas, const TRect& bounds,
                                   const TqzCustomDrawCellEvent& customDraw, TColor backColor,
                                   Byte indicator) const {
    PainterClass<TqzFlatLookAndFeelPainter>()->PaintIndicatorHeader(canvas, bounds, customDraw, backColor,
                                                                    indicator);
}

void TNative::PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                                    const TRect& bounds) const {
    HTHEME theme = Theme(ttScrollBar);
    if (!theme) {
        TStandard::PaintScrollBarElement(canvas, horizontal, state, part, bounds);
        return;
    }
    if (IsRectEmpty(&bounds)) return;
    switch (part) {
    case qzsbpFirstButton:
    case qzsbpSecondButton:
        PaintScrollArrowButton(canvas, bounds, true, ScrollArrowDirection(horizontal, part), state);
        break;
    case qzsbpThumb:
        DrawPart(theme, canvas, horizontal ? 2 : 3, kScrollBarStates[state], bounds);
        DrawPart(theme, canvas, horizontal ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, 0, bounds);
        break;
    case qzsbpPageBefore:
    case qzsbpPageAfter: {
        const bool before = part == qzsbpPageBefore;
        DrawPart(theme, canvas, horizontal ? (before ? 4 : 5) : (before ? 6 : 7), kScrollBarStates[state],
                 bounds);
        break;
    }
    default:
        break;
    }
}

void TNative::PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds,
                               const TqzCustomDrawCellEvent& customDraw, Byte arrows, Integer arrowOffset,
                               const TqzCellStyleRecord& style, TqzSides neighbours,
                               const String& text) const {
    PaintHeaderCell(canvas, bounds, bounds, neighbours, qzsAll, qzbsNormal, taCenter, qzvaCenter, false,
                    false, text, style.Font, style.TextColor, style.BackColor, customDraw,
                    !(neighbours & qzsRight));
    PaintHeaderArrows(canvas, bounds, arrows, arrowOffset);
}

void TNative::PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const {
    if (HTHEME theme = Theme(ttToolBar))
        DrawPart(theme, canvas, 1, kToolBarStates[state], bounds);
    else
        TBase::PaintToolButton(canvas, bounds, state);
}

void TNative::PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                                 const TqzBrushPair& fill) const {
    HTHEME theme = Theme(ttComboBox);
    if (!theme || !Theme(ttListView)) {
        TStandard::PaintSplitterFrame(canvas, bounds, horizontal, fill);
        return;
    }
    TColor line = clBtnShadow;
    ThemeColor(theme, 1, 1, TMT_BORDERCOLOR, line);
    TRect r = bounds;
    canvas->FrameSides(r, line, horizontal ? qzsTop | qzsBottom : qzsLeft | qzsRight, 1);
    if (horizontal) {
        --r.left;
        ++r.right;
        ++r.top;
        --r.bottom;
    } else {
        ++r.left;
        --r.right;
        --r.top;
        ++r.bottom;
    }
    canvas->FillWithFrame(r, fill, 1, clDefault, 0);
}
