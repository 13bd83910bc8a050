// The painters: every frame, button, arrow, check mark, header, footer and scroll-bar part a
// suite control draws goes through one. A painter holds no state; a control asks its look and
// feel for the painter in use and calls the operations on it. Each painter class has exactly one
// instance, reached through PainterClass<T>() (a TqzLookAndFeelPainterClass), so the operations
// behave as class-level virtuals: an operation of the base that calls another operation reaches
// the override of the painter it was called on.
//
// Beside the classes the unit owns a few shared pictures: the indicator images, the pin glyphs
// and the scroll bar's page patterns.
#pragma once

#include "platform/classlib/Alignment.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "suite/foundation/qzGraphics.h"

class TCustomImageList;

// ---- Shared types ----------------------------------------------------------------------------

enum TqzButtonState : Byte { qzbsDefault, qzbsNormal, qzbsHot, qzbsPressed, qzbsDisabled };

// The drawing styles a look and feel chooses from.
enum TqzLookAndFeelKind : Byte { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };

// Arrow directions.
constexpr Byte qzadUp = 0;
constexpr Byte qzadDown = 1;
constexpr Byte qzadLeft = 2;
constexpr Byte qzadRight = 3;

// Scroll-bar parts.
constexpr Byte qzsbpNone = 0;
constexpr Byte qzsbpFirstButton = 1;
constexpr Byte qzsbpSecondButton = 2;
constexpr Byte qzsbpThumb = 3;
constexpr Byte qzsbpPageBefore = 4;
constexpr Byte qzsbpPageAfter = 5;

// Vertical text placement of the cell operations (the horizontal one is a TAlignment).
constexpr Byte qzvaTop = 0;
constexpr Byte qzvaBottom = 1;
constexpr Byte qzvaCenter = 2;

// Side sets (TqzSides of qzGraphics): 1 left, 2 top, 4 right, 8 bottom.
constexpr TqzSides qzsLeft = 1;
constexpr TqzSides qzsTop = 2;
constexpr TqzSides qzsRight = 4;
constexpr TqzSides qzsBottom = 8;
constexpr TqzSides qzsAll = 15;

// Custom drawing of a cell's background: answers true when it painted the background itself.
using TqzCustomDrawCellEvent = TClosure<bool(TqzCanvas* canvas, const TRect& bounds)>;

// The colours and font of an arrow header cell.
struct TqzCellStyleRecord {
    TColor BackColor = clBtnFace;
    TFont* Font = nullptr;
    TColor TextColor = clBtnText;
};

// Four frame widths, one per side.
struct TqzFrameWidths {
    Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TqzCustomLookAndFeelPainter;
// A painter class: the one instance of that class.
using TqzLookAndFeelPainterClass = const TqzCustomLookAndFeelPainter*;

template <class T> TqzLookAndFeelPainterClass PainterClass() {
    static const T instance;
    return &instance;
}

// ---- The base painter ------------------------------------------------------------------------

class TqzCustomLookAndFeelPainter : public TObject {
    KOV_CLASS(TqzCustomLookAndFeelPainter, TObject)
public:
    TqzCustomLookAndFeelPainter() = default;

    virtual void PaintDropArrow(TqzCanvas* canvas, const TRect& bounds, TColor color) const;
    // An empty text only fills the background (unless customDraw painted it).
    virtual void PaintTextCell(TqzCanvas* canvas, const TRect& bounds,
                               const TqzCustomDrawCellEvent& customDraw, TColor backColor, TColor textColor,
                               TFont* font, const String& text, TAlignment hAlign, Byte vAlign,
                               bool multiLine, bool endEllipsis, TqzButtonState state, bool plainFill,
                               const TRect& textBounds) const;
    virtual TRect CalcFooterCellContentBounds(const TRect& bounds) const;
    virtual TRect CalcFooterCellTextBounds(const TRect& bounds) const;
    // 0 flat, 1 standard, 2 ultra-flat, 3 native, 4 office.
    virtual Byte PainterStyleCode() const;

    virtual TColor PaletteColor05() const;
    virtual TColor PaletteColor06() const;
    virtual TColor PaletteColor07() const;
    virtual TColor PaletteColor08() const;
    virtual TColor PaletteColor09() const;
    virtual TColor PaletteColor10() const;
    virtual TColor PaletteColor11() const;
    virtual TColor PaletteColor12() const;
    virtual TColor PaletteColor13() const;
    virtual TColor PaletteColor14() const;
    virtual TColor PaletteColor15() const;
    virtual TColor PaletteColor16() const;
    virtual TColor PaletteColor17() const;
    virtual TColor PaletteColor18() const;
    virtual TColor PaletteColor19() const;
    virtual TColor PaletteColor20() const;
    virtual TColor PaletteColor21() const;
    virtual TColor PaletteColor22() const;
    virtual TColor PaletteColor23() const;
    virtual TColor PaletteColor24() const;
    virtual TColor PaletteColor25() const;
    virtual TColor PaletteColor26() const;
    virtual TColor PaletteColor27(TqzButtonState state, TColor color) const;
    virtual TColor PaletteColor28(TqzButtonState state, TColor color) const;
    virtual TColor PaletteColor29() const;
    virtual TColor PaletteColor30() const;
    virtual TColor PaletteColor31() const;
    virtual TColor PaletteColor32() const;
    virtual TColor PaletteColor33() const;
    virtual TColor HeaderBackColor() const;
    virtual TColor HeaderTextColor() const;
    virtual TColor PaletteColor36(TqzButtonState state, TColor color) const;
    virtual TColor PaletteColor37() const;
    virtual TColor PaletteColor38() const;
    virtual TColor PaletteColor39() const;
    virtual TColor PaletteColor40() const;
    virtual TColor PaletteColor41(TqzButtonState state, TColor color) const;
    virtual TColor PaletteColor42() const;
    virtual TColor AccentColor() const;
    virtual TColor AccentTextColor() const;
    virtual TColor PaletteColor45() const;
    virtual TColor PaletteColor46() const;
    virtual TColor BorderLineColor() const;
    virtual TColor PaletteColor48() const;
    virtual TColor PaletteColor49() const;
    virtual TColor PaletteColor50() const;
    virtual TColor SelectionBackColor() const;
    virtual TColor SelectionTextColor() const;
    virtual TColor PaletteColor53() const;
    virtual TColor PaletteColor54() const;
    virtual TColor PaletteColor55() const;
    virtual TColor PaletteColor56(TqzButtonState state, TColor color) const;
    virtual TColor PaletteColor57() const;
    virtual TColor PaletteColor58() const;
    virtual TColor PaletteColor59() const;
    virtual TColor PaletteColor60() const;
    virtual TColor PaletteColor61(TqzButtonState state, TColor color) const;

    virtual void PaintArrowGlyph(TqzCanvas* canvas, const TRect& bounds, TColor color, Byte direction) const;
    virtual void PaintScrollArrowButton(TqzCanvas* canvas, const TRect& bounds, bool withBackground,
                                        Byte direction, TqzButtonState state) const;
    virtual void PaintButtonBackground(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    virtual void PaintStateArrow(TqzCanvas* canvas, const TRect& bounds, Byte direction,
                                 TqzButtonState state) const;
    virtual Integer ControlBorderWidth() const;
    virtual void PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const;
    virtual TRect AdjustGroupedButtonBounds(const TRect& bounds, Integer buttonCount,
                                            Integer buttonIndex) const;
    virtual Integer ButtonBorderWidth(TqzButtonState state) const;
    virtual TColor ButtonFaceColor(TqzButtonState state) const;
    // The bounds shrunk by 4 on every side, or the bounds themselves when that leaves nothing.
    virtual TRect CalcButtonFocusBounds(TqzCanvas* canvas, const TRect& bounds) const;
    virtual TqzFrameWidths ButtonGroupBorderWidths(Integer buttonCount, Integer buttonIndex) const;
    virtual Integer ButtonCaptionInset() const;
    virtual Integer ButtonCaptionPressShift() const;
    virtual TColor ButtonGlyphColor(TqzButtonState state, TColor color) const;
    virtual TqzButtonState ButtonGlyphState(TqzButtonState state) const;
    virtual void PaintButton(TqzCanvas* canvas, const TRect& bounds, TColor textColor, TColor backColor,
                             bool framed, TqzButtonState state, const String& caption) const;
    virtual void PaintPlainButton(TqzCanvas* canvas, const TRect& bounds, TColor frameColor,
                                  Integer buttonIndex, Integer buttonCount, TqzButtonState state) const;
    virtual void PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    virtual void PaintHotFrame(TqzCanvas* canvas, const TRect& bounds, bool highlighted, bool hot) const;
    virtual void PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                                       bool expanded) const;
    virtual bool ExpandButtonBeforeLines() const;
    virtual void PaintGroupToggleButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state,
                                        bool expanded) const;
    virtual void PaintSmallExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor backColor,
                                        TColor frameColor, bool expanded) const;
    virtual Integer TreeExpandButtonExtent() const;
    virtual Integer GroupToggleButtonExtent() const;
    virtual bool HotTracksButtons() const;
    virtual bool HitTestGroupToggleButton(const TRect& bounds, const TPoint& point) const;
    virtual Integer SmallExpandButtonExtent() const;
    virtual Integer CheckBoxBorderWidth() const;
    virtual TColor CheckBoxFillColor(TqzButtonState state) const;
    virtual void PaintCheckMark(TqzCanvas* canvas, const TRect& bounds, TColor markColor, bool checked,
                                TqzButtonState state) const;
    virtual void PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    virtual void PaintCheckBox(TqzCanvas* canvas, const TRect& bounds, bool checked,
                               TqzButtonState state) const;
    // Draws through the shared radio-button image list, which is not part of this unit yet:
    // until it is, nothing is drawn.
    virtual void PaintRadioButton(TqzCanvas* canvas, Integer left, Integer top, TqzButtonState state,
                                  bool checked, bool focused, bool designTime, TColor backColor) const;
    virtual void PaintHeaderCell(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                 TqzSides neighbours, TqzSides borders, TqzButtonState state,
                                 TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                 const String& text, TFont* font, TColor textColor, TColor backColor,
                                 const TqzCustomDrawCellEvent& customDraw, bool rightmost) const;
    virtual void PaintHeaderCellVariant(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                        TqzSides neighbours, TqzSides borders, TqzButtonState state,
                                        TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                        const String& text, TFont* font, TColor textColor, TColor backColor,
                                        const TqzCustomDrawCellEvent& customDraw) const;
    virtual void PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                                  TqzSides borders) const;
    virtual void InvertArea(TqzCanvas* canvas, const TRect& bounds) const;
    virtual void PaintHeaderSection(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                    TqzSides neighbours, TqzSides sides, TqzButtonState state,
                                    TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                    const String& text, TFont* font, TColor textColor,
                                    TColor backColor) const;
    virtual void PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides sides,
                                         TqzButtonState state) const;
    virtual void PaintHeaderSectionContent(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                           TqzButtonState state, TAlignment hAlign, Byte vAlign,
                                           bool multiLine, bool endEllipsis, const String& text, TFont* font,
                                           TColor textColor, TColor backColor) const;
    virtual void PaintHeaderSectionText(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state,
                                        TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                        const String& text, TFont* font, TColor textColor) const;
    virtual void PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const;
    virtual TqzSides HeaderEdgesFor(TqzSides neighbours) const;
    virtual Integer HeaderFrameWidth() const;
    virtual TRect CalcHeaderOuterBounds(const TRect& bounds, TqzSides neighbours, TqzSides borders) const;
    virtual TRect CalcHeaderContentBounds(const TRect& bounds, TqzSides borders) const;
    virtual bool StyleFlag109() const;
    virtual Integer HeaderHeightFor(Integer fontHeight) const;
    virtual Integer HeaderSectionFrameWidth(TqzButtonState state) const;
    virtual TRect CalcHeaderSectionTextBounds(const TRect& bounds, TqzButtonState state) const;
    virtual TRect CalcHeaderSectionContentBounds(const TRect& bounds, TqzButtonState state) const;
    virtual Integer HeaderWidthFor(TqzCanvas* canvas, TqzSides sides, TFont* font, const String& text) const;
    virtual bool StyleFlag115() const;
    virtual TSize SortArrowAreaExtent() const;
    virtual TSize SortArrowExtent() const;
    virtual void PaintFooterCell(TqzCanvas* canvas, const TRect& bounds, TAlignment hAlign, Byte vAlign,
                                 bool multiLine, const String& text, TFont* font, TColor textColor,
                                 TColor backColor, const TqzCustomDrawCellEvent& customDraw) const;
    virtual Integer StyleMetric119() const;
    virtual Integer FooterFrameWidth() const;
    virtual Integer FooterCellFrameWidth() const;
    virtual Integer FooterCellInset() const;
    virtual bool StyleFlag123() const;
    virtual TColor FooterLineColor() const;
    virtual Integer StyleMetric125() const;
    virtual void PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const;
    virtual void PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const;
    virtual void PaintFooterSeparator(TqzCanvas* canvas, const TRect& bounds) const;
    virtual void PaintCheckBoxInBounds(TqzCanvas* canvas, const TRect& bounds, bool checked,
                                       TqzButtonState state) const;
    virtual void PaintCloseButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    virtual void PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                                     TqzButtonState state) const;
    virtual TSize CheckBoxExtent() const;
    virtual TSize CloseButtonExtent() const;
    virtual TSize FilterButtonExtent() const;
    virtual bool StyleFlag135() const;
    virtual TSize ElementExtent136() const;
    virtual TSize ElementExtent137() const;
    virtual TSize MarkButtonExtent() const;
    virtual TSize PinButtonExtent() const;
    virtual TSize ElementExtent140() const;
    virtual void PaintPlusMarkButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    virtual void PaintPlusMark(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    // glyphIndex 0 is the pin that is in, 1 the pin that is out; other indices draw no glyph.
    virtual void PaintGlyphButton(TqzCanvas* canvas, const TRect& bounds, Integer glyphIndex,
                                  TqzButtonState state) const;
    // The tab's data come from the tab control that asks; no painter here draws tabs.
    virtual void PaintTab(TqzCanvas* canvas, const TRect& bounds, TObject* tabData) const;
    // side: 0 left, 1 top, 2 right, 3 bottom.
    virtual void PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides,
                               Byte side) const;
    virtual void PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const;
    virtual Integer TabMetric147(bool vertical) const;
    virtual Integer TabMetric148(bool vertical) const;
    virtual Integer TabFrameWidth(bool vertical) const;
    // indicator: 0 none; otherwise (indicator and 0x7F) - 1 is the image drawn.
    virtual void PaintIndicatorHeader(TqzCanvas* canvas, const TRect& bounds,
                                      const TqzCustomDrawCellEvent& customDraw, TColor backColor,
                                      Byte indicator) const;
    virtual void PaintIndicatorCell(TqzCanvas* canvas, const TRect& bounds,
                                    const TqzCustomDrawCellEvent& customDraw, TColor backColor,
                                    Byte indicator) const;
    virtual bool StyleFlag152() const;
    virtual void PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                                       const TRect& bounds) const;
    // arrows: 1 left, 2 right, 3 both.
    virtual void PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds,
                                  const TqzCustomDrawCellEvent& customDraw, Byte arrows, Integer arrowOffset,
                                  const TqzCellStyleRecord& style, TqzSides neighbours,
                                  const String& text) const;
    virtual void PaintBorderFrame(TqzCanvas* canvas, const TRect& bounds) const;
    virtual void PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const;
    virtual void PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                                    const TqzBrushPair& fill) const;

    // ---- Shared geometry, for the painters ----
    // The three corners of an arrow in the bounds (made square first when asked).
    static void CalcArrowPoints(const TRect& bounds, bool square, Byte direction, TPoint points[3]);
    // The plus sign (minus when expanded) of the expand buttons, in the colour.
    static void PaintExpandSign(TqzCanvas* canvas, const TRect& bounds, TColor color, bool expanded);
    // The outline of a sort arrow of SortArrowExtent, in two colours.
    void PaintSortArrowOutline(TqzCanvas* canvas, const TRect& bounds, bool ascending, TColor firstColor,
                               TColor secondColor) const;
    // A triangle filled with brush and pen in the colour.
    static void FillTriangle(TqzCanvas* canvas, const TPoint points[3], TColor color);

protected:
    void PaintIndicatorImage(TqzCanvas* canvas, const TRect& bounds, Byte indicator) const;
    void PaintHeaderArrows(TqzCanvas* canvas, const TRect& bounds, Byte arrows, Integer arrowOffset) const;
};

// ---- Standard and flat -----------------------------------------------------------------------

// Double 3D frames.
class TqzStandardLookAndFeelPainter : public TqzCustomLookAndFeelPainter {
    KOV_CLASS(TqzStandardLookAndFeelPainter, TqzCustomLookAndFeelPainter)
public:
    TqzStandardLookAndFeelPainter() = default;

    Byte PainterStyleCode() const override;
    TColor PaletteColor49() const override;
    Integer ControlBorderWidth() const override;
    void PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const override;
    Integer ButtonBorderWidth(TqzButtonState state) const override;
    Integer ButtonCaptionInset() const override;
    Integer ButtonCaptionPressShift() const override;
    void PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                               bool expanded) const override;
    void PaintGroupToggleButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state,
                                bool expanded) const override;
    Integer TreeExpandButtonExtent() const override;
    bool HotTracksButtons() const override;
    void PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                          TqzSides borders) const override;
    void PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides sides,
                                 TqzButtonState state) const override;
    void PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const override;
    Integer HeaderFrameWidth() const override;
    Integer HeaderSectionFrameWidth(TqzButtonState state) const override;
    TSize SortArrowExtent() const override;
    Integer FooterFrameWidth() const override;
    Integer FooterCellFrameWidth() const override;
    Integer FooterCellInset() const override;
    void PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                             TqzButtonState state) const override;
    void PaintPlusMark(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides,
                       Byte side) const override;
    void PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const override;
    Integer TabFrameWidth(bool vertical) const override;
    void PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                               const TRect& bounds) const override;
    void PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds, const TqzCustomDrawCellEvent& customDraw,
                          Byte arrows, Integer arrowOffset, const TqzCellStyleRecord& style,
                          TqzSides neighbours, const String& text) const override;
    void PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                            const TqzBrushPair& fill) const override;
};

// Single 3D lines.
class TqzFlatLookAndFeelPainter : public TqzCustomLookAndFeelPainter {
    KOV_CLASS(TqzFlatLookAndFeelPainter, TqzCustomLookAndFeelPainter)
public:
    TqzFlatLookAndFeelPainter() = default;

    Byte PainterStyleCode() const override;
    Integer ControlBorderWidth() const override;
    void PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const override;
    Integer ButtonBorderWidth(TqzButtonState state) const override;
    Integer ButtonCaptionInset() const override;
    Integer ButtonCaptionPressShift() const override;
    void PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                               bool expanded) const override;
    Integer TreeExpandButtonExtent() const override;
    bool HotTracksButtons() const override;
    void PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                          TqzSides borders) const override;
    void PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides sides,
                                 TqzButtonState state) const override;
    void PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const override;
    Integer HeaderFrameWidth() const override;
    Integer HeaderSectionFrameWidth(TqzButtonState state) const override;
    TSize SortArrowExtent() const override;
    Integer FooterFrameWidth() const override;
    Integer FooterCellFrameWidth() const override;
    Integer FooterCellInset() const override;
    void PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                             TqzButtonState state) const override;
    void PaintPlusMark(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides,
                       Byte side) const override;
    void PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const override;
    Integer TabFrameWidth(bool vertical) const override;
    void PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                               const TRect& bounds) const override;
    void PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                            const TqzBrushPair& fill) const override;
};

// ---- Functions of the unit -------------------------------------------------------------------

// 0 lfFlat, 2 lfUltraFlat, 4 lfOffice11, any other code lfStandard.
TqzLookAndFeelKind StyleCodeToKind(Byte styleCode);

// The unit's shared pictures. They are made on first use (or by the first acquire) and freed by
// the last release, counted, so nested users share one set.
void AcquireLookAndFeelPainterResources();
void ReleaseLookAndFeelPainterResources();
// Five 5 x 9 images masked with white: arrow, edit, insert, multi-dot, multi-arrow.
TCustomImageList* IndicatorImages();
// 12 x 12 transparent glyphs: 0 the pin that is in, 1 the pin that is out; nullptr otherwise.
TBitmap* PinGlyph(Integer index);
// 8 x 8 page patterns of the scroll bar: 0 normal, 1 pressed; nullptr otherwise.
TBitmap* ScrollBarPattern(Integer index);
// Paints both page patterns again in the current system colours (making them when missing).
void UpdateScrollBarPatterns();

// ---- Native ----------------------------------------------------------------------------------

// Draws with the system's visual styles. Every operation it overrides asks for the theme of one
// theme type first and, where that theme does not open, draws as the standard painter (or the
// base painter where the standard one has nothing of its own).
class TqzWinXPLookAndFeelPainter : public TqzStandardLookAndFeelPainter {
    KOV_CLASS(TqzWinXPLookAndFeelPainter, TqzStandardLookAndFeelPainter)
public:
    TqzWinXPLookAndFeelPainter() = default;

    // Theme text (theme: an HTHEME) of the part and state in textBounds; nothing for an empty
    // text. A multi-line text is first placed vertically (vAlign as placement).
    virtual void PaintThemedText(TqzCanvas* canvas, HANDLE theme, TColor textColor, TFont* font,
                                 const String& text, bool showPrefix, bool endEllipsis, bool multiLine,
                                 Byte vAlign, TAlignment hAlign, const TRect& textBounds,
                                 const TRect& outerBounds, int state, int part) const;

    Byte PainterStyleCode() const override;
    TColor PaletteColor16() const override;
    TColor BorderLineColor() const override;
    TColor PaletteColor49() const override;
    Integer ControlBorderWidth() const override;
    Integer ButtonBorderWidth(TqzButtonState state) const override;
    TColor ButtonFaceColor(TqzButtonState state) const override;
    TRect CalcButtonFocusBounds(TqzCanvas* canvas, const TRect& bounds) const override;
    TqzFrameWidths ButtonGroupBorderWidths(Integer buttonCount, Integer buttonIndex) const override;
    TRect AdjustGroupedButtonBounds(const TRect& bounds, Integer buttonCount,
                                    Integer buttonIndex) const override;
    TColor ButtonGlyphColor(TqzButtonState state, TColor color) const override;
    Integer ButtonCaptionInset() const override;
    Integer ButtonCaptionPressShift() const override;
    bool ExpandButtonBeforeLines() const override;
    Integer TreeExpandButtonExtent() const override;
    Integer GroupToggleButtonExtent() const override;
    Integer SmallExpandButtonExtent() const override;
    bool HotTracksButtons() const override;
    bool HitTestGroupToggleButton(const TRect& bounds, const TPoint& point) const override;
    Integer CheckBoxBorderWidth() const override;
    Integer HeaderFrameWidth() const override;
    Integer HeaderSectionFrameWidth(TqzButtonState state) const override;
    TRect CalcHeaderSectionContentBounds(const TRect& bounds, TqzButtonState state) const override;
    bool StyleFlag109() const override;
    bool StyleFlag115() const override;
    TSize SortArrowExtent() const override;
    Integer FooterFrameWidth() const override;
    Integer FooterCellFrameWidth() const override;
    Integer FooterCellInset() const override;
    bool StyleFlag123() const override;
    TSize CheckBoxExtent() const override;
    TSize CloseButtonExtent() const override;
    TSize MarkButtonExtent() const override;
    TSize PinButtonExtent() const override;
    Integer TabMetric147(bool vertical) const override;
    Integer TabMetric148(bool vertical) const override;
    Integer TabFrameWidth(bool vertical) const override;

    void PaintScrollArrowButton(TqzCanvas* canvas, const TRect& bounds, bool withBackground, Byte direction,
                                TqzButtonState state) const override;
    void PaintButtonBackground(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintButton(TqzCanvas* canvas, const TRect& bounds, TColor textColor, TColor backColor, bool framed,
                     TqzButtonState state, const String& caption) const override;
    void PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                               bool expanded) const override;
    void PaintGroupToggleButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state,
                                bool expanded) const override;
    void PaintSmallExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor backColor, TColor frameColor,
                                bool expanded) const override;
    void PaintCheckMark(TqzCanvas* canvas, const TRect& bounds, TColor markColor, bool checked,
                        TqzButtonState state) const override;
    void PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintRadioButton(TqzCanvas* canvas, Integer left, Integer top, TqzButtonState state, bool checked,
                          bool focused, bool designTime, TColor backColor) const override;
    void PaintHeaderCell(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds, TqzSides neighbours,
                         TqzSides borders, TqzButtonState state, TAlignment hAlign, Byte vAlign,
                         bool multiLine, bool endEllipsis, const String& text, TFont* font, TColor textColor,
                         TColor backColor, const TqzCustomDrawCellEvent& customDraw,
                         bool rightmost) const override;
    void InvertArea(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintHeaderSection(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                            TqzSides neighbours, TqzSides sides, TqzButtonState state, TAlignment hAlign,
                            Byte vAlign, bool multiLine, bool endEllipsis, const String& text, TFont* font,
                            TColor textColor, TColor backColor) const override;
    void PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const override;
    void PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintFooterCell(TqzCanvas* canvas, const TRect& bounds, TAlignment hAlign, Byte vAlign,
                         bool multiLine, const String& text, TFont* font, TColor textColor, TColor backColor,
                         const TqzCustomDrawCellEvent& customDraw) const override;
    void PaintCloseButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                             TqzButtonState state) const override;
    void PaintPlusMarkButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintGlyphButton(TqzCanvas* canvas, const TRect& bounds, Integer glyphIndex,
                          TqzButtonState state) const override;
    void PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides,
                       Byte side) const override;
    void PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const override;
    void PaintIndicatorHeader(TqzCanvas* canvas, const TRect& bounds,
                              const TqzCustomDrawCellEvent& customDraw, TColor backColor,
                              Byte indicator) const override;
    void PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                               const TRect& bounds) const override;
    void PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds, const TqzCustomDrawCellEvent& customDraw,
                          Byte arrows, Integer arrowOffset, const TqzCellStyleRecord& style,
                          TqzSides neighbours, const String& text) const override;
    void PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                            const TqzBrushPair& fill) const override;
};

// ---- Ultra-flat and Office11 ------------------------------------------------------------------

// One-pixel frames in system colours, lightened faces for hot and pressed buttons.
class TqzUltraFlatLookAndFeelPainter : public TqzCustomLookAndFeelPainter {
    KOV_CLASS(TqzUltraFlatLookAndFeelPainter, TqzCustomLookAndFeelPainter)
public:
    TqzUltraFlatLookAndFeelPainter() = default;

    virtual TColor StateFrameColor(TqzButtonState state) const;
    virtual TColor PaletteColor159() const;
    virtual TColor PaletteColor160() const;
    virtual TColor HotFrameColor() const;

    TColor PaletteColor16() const override;
    TColor BorderLineColor() const override;
    Byte PainterStyleCode() const override;
    Integer ControlBorderWidth() const override;
    Integer ButtonBorderWidth(TqzButtonState state) const override;
    TColor ButtonFaceColor(TqzButtonState state) const override;
    TRect CalcButtonFocusBounds(TqzCanvas* canvas, const TRect& bounds) const override;
    TqzFrameWidths ButtonGroupBorderWidths(Integer buttonCount, Integer buttonIndex) const override;
    Integer ButtonCaptionInset() const override;
    Integer ButtonCaptionPressShift() const override;
    TColor ButtonGlyphColor(TqzButtonState state, TColor color) const override;
    TqzButtonState ButtonGlyphState(TqzButtonState state) const override;
    Integer TreeExpandButtonExtent() const override;
    bool HotTracksButtons() const override;
    TqzSides HeaderEdgesFor(TqzSides neighbours) const override;
    Integer HeaderFrameWidth() const override;
    TSize SortArrowExtent() const override;
    TSize MarkButtonExtent() const override;
    TSize CloseButtonExtent() const override;
    Integer StyleMetric119() const override;
    Integer FooterFrameWidth() const override;
    Integer FooterCellFrameWidth() const override;
    Integer FooterCellInset() const override;
    Integer TabFrameWidth(bool vertical) const override;

    void PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintPlainButton(TqzCanvas* canvas, const TRect& bounds, TColor frameColor, Integer buttonIndex,
                          Integer buttonCount, TqzButtonState state) const override;
    void PaintHotFrame(TqzCanvas* canvas, const TRect& bounds, bool highlighted, bool hot) const override;
    void PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                               bool expanded) const override;
    void PaintCheckFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintHeaderCellVariant(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                TqzSides neighbours, TqzSides borders, TqzButtonState state,
                                TAlignment hAlign, Byte vAlign, bool multiLine, bool endEllipsis,
                                const String& text, TFont* font, TColor textColor, TColor backColor,
                                const TqzCustomDrawCellEvent& customDraw) const override;
    void PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                          TqzSides borders) const override;
    void PaintHeaderSectionFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides sides,
                                 TqzButtonState state) const override;
    void PaintHeaderSectionContent(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                                   TqzButtonState state, TAlignment hAlign, Byte vAlign, bool multiLine,
                                   bool endEllipsis, const String& text, TFont* font, TColor textColor,
                                   TColor backColor) const override;
    void PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const override;
    void PaintFooterFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintFooterCellFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintDropDownButton(TqzCanvas* canvas, const TRect& bounds, bool active,
                             TqzButtonState state) const override;
    void PaintTabFrame(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides,
                       Byte side) const override;
    void PaintTabStrip(TqzCanvas* canvas, const TRect& bounds, bool vertical, TqzSides sides) const override;
    void PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                               const TRect& bounds) const override;
    void PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    void PaintSplitterFrame(TqzCanvas* canvas, const TRect& bounds, bool horizontal,
                            const TqzBrushPair& fill) const override;
};

// The office look: colours of the office colour scheme (ybOffice11), gradient bands on header
// and cell backgrounds, bitmap expand buttons; scroll bars and tool buttons come from the native
// painter. The scheme colours are read as they are: the look and feel that chooses this painter
// holds the colour set (AcquireOfficeSchemeColors).
class TqzOffice11LookAndFeelPainter : public TqzUltraFlatLookAndFeelPainter {
    KOV_CLASS(TqzOffice11LookAndFeelPainter, TqzUltraFlatLookAndFeelPainter)
public:
    TqzOffice11LookAndFeelPainter() = default;

    virtual TColor PaletteColor162() const;
    virtual TColor PaletteColor163() const;
    virtual TColor PaletteColor164() const;
    virtual TColor BlendedColor165() const;

    TColor StateFrameColor(TqzButtonState state) const override;
    TColor PaletteColor159() const override;
    TColor HotFrameColor() const override;

    TColor PaletteColor14() const override;
    TColor PaletteColor24() const override;
    TColor PaletteColor25() const override;
    TColor PaletteColor27(TqzButtonState state, TColor color) const override;
    TColor PaletteColor28(TqzButtonState state, TColor color) const override;
    TColor PaletteColor30() const override;
    TColor PaletteColor32() const override;
    TColor PaletteColor33() const override;
    TColor HeaderBackColor() const override;
    TColor PaletteColor36(TqzButtonState state, TColor color) const override;
    TColor PaletteColor42() const override;
    TColor AccentColor() const override;
    TColor AccentTextColor() const override;
    TColor BorderLineColor() const override;
    TColor PaletteColor48() const override;
    TColor PaletteColor54() const override;
    TColor PaletteColor56(TqzButtonState state, TColor color) const override;
    TColor PaletteColor59() const override;
    TColor PaletteColor61(TqzButtonState state, TColor color) const override;
    TColor FooterLineColor() const override;

    Byte PainterStyleCode() const override;
    TColor ButtonFaceColor(TqzButtonState state) const override;
    TColor ButtonGlyphColor(TqzButtonState state, TColor color) const override;
    Integer TreeExpandButtonExtent() const override;
    Integer SmallExpandButtonExtent() const override;
    bool ExpandButtonBeforeLines() const override;
    TColor CheckBoxFillColor(TqzButtonState state) const override;
    TqzSides HeaderEdgesFor(TqzSides neighbours) const override;
    Integer HeaderFrameWidth() const override;
    bool StyleFlag115() const override;

    void PaintTextCell(TqzCanvas* canvas, const TRect& bounds, const TqzCustomDrawCellEvent& customDraw,
                       TColor backColor, TColor textColor, TFont* font, const String& text, TAlignment hAlign,
                       Byte vAlign, bool multiLine, bool endEllipsis, TqzButtonState state, bool plainFill,
                       const TRect& textBounds) const override;
    void PaintControlBorder(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintBorderFrame(TqzCanvas* canvas, const TRect& bounds) const override;
    void PaintButtonFrame(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
    // The colour is not used. The corner pixels of the shared bitmap are tinted towards what the
    // canvas shows under them, and stay so until the next call.
    void PaintTreeExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor color,
                               bool expanded) const override;
    void PaintSmallExpandButton(TqzCanvas* canvas, const TRect& bounds, TColor backColor, TColor frameColor,
                                bool expanded) const override;
    void PaintHeaderCell(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds, TqzSides neighbours,
                         TqzSides borders, TqzButtonState state, TAlignment hAlign, Byte vAlign,
                         bool multiLine, bool endEllipsis, const String& text, TFont* font, TColor textColor,
                         TColor backColor, const TqzCustomDrawCellEvent& customDraw,
                         bool rightmost) const override;
    void PaintHeaderFrame(TqzCanvas* canvas, const TRect& bounds, TqzSides neighbours,
                          TqzSides borders) const override;
    void PaintHeaderSection(TqzCanvas* canvas, const TRect& bounds, const TRect& textBounds,
                            TqzSides neighbours, TqzSides sides, TqzButtonState state, TAlignment hAlign,
                            Byte vAlign, bool multiLine, bool endEllipsis, const String& text, TFont* font,
                            TColor textColor, TColor backColor) const override;
    void PaintSortArrow(TqzCanvas* canvas, const TRect& bounds, bool ascending) const override;
    void PaintScrollBarElement(TqzCanvas* canvas, bool horizontal, TqzButtonState state, Byte part,
                               const TRect& bounds) const override;
    void PaintArrowHeader(TqzCanvas* canvas, const TRect& bounds, const TqzCustomDrawCellEvent& customDraw,
                          Byte arrows, Integer arrowOffset, const TqzCellStyleRecord& style,
                          TqzSides neighbours, const String& text) const override;
    void PaintToolButton(TqzCanvas* canvas, const TRect& bounds, TqzButtonState state) const override;
};

// ---- Radio-button images ---------------------------------------------------------------------

// Radio buttons are copied from pre-rendered images: the system's radio glyph is measured once,
// its shape turned into a pattern of pixel classes (0 outside, 1/2 outer ring upper-left and
// lower-right, 3/4 inner ring, 5 inside, 6 check dot), and the pattern painted into 128 images,
// one per kind, state (normal .. disabled), checked, design time and focus, in that combination's
// colours. The default state draws as normal.
class TqzRadioButtonImageList : public TObject {
    KOV_CLASS(TqzRadioButtonImageList, TObject)
public:
    // Measures the radio button and builds the pattern; the images come with BuildImages.
    TqzRadioButtonImageList();
    ~TqzRadioButtonImageList() override;
    TqzRadioButtonImageList(const TqzRadioButtonImageList&) = delete;
    TqzRadioButtonImageList& operator=(const TqzRadioButtonImageList&) = delete;

    // All 128 images, when the list is empty.
    void BuildImages();
    // Again, in the current system colours.
    void Rebuild();
    // backColor clDefault: transparent outside the circle; otherwise that colour there.
    void DrawImage(TqzCanvas* canvas, Integer left, Integer top, TqzLookAndFeelKind kind,
                   TqzButtonState state, bool checked, bool designTime, bool focused, TColor backColor);

    // state + 8 kind + 32 designTime + 64 focused + 4 checked - 1 (0..127).
    static Integer MapIndexFor(TqzLookAndFeelKind kind, TqzButtonState state, bool designTime, bool focused,
                               bool checked);
    // The image of the combination; -1 before the images are built.
    Integer ImageIndexFor(TqzLookAndFeelKind kind, TqzButtonState state, bool designTime, bool focused,
                          bool checked) const;

    TCustomImageList* Images() const { return FImages.get(); }
    Integer RadioWidth() const { return FWidth; }
    Integer RadioHeight() const { return FHeight; }
    // The pattern code of a pixel of the radio (0 outside the radio's size).
    Byte PatternCode(Integer x, Integer y) const;
    // The check dot's rectangle in the system cell's coordinates.
    TRect DotBounds() const { return FDot; }

private:
    void MeasureRadioButton();
    void BuildButtonMask();
    void BuildRadioPattern();

    std::unique_ptr<TCustomImageList> FImages;
    std::unique_ptr<TBitmap> FMask;
    Integer FWidth = 0, FHeight = 0, FMaskLeft = 0, FMaskTop = 0;
    TRect FDot{};
    std::vector<Byte> FPattern; // FHeight rows of FWidth codes
    std::vector<Integer> FIndexTable;
};

// The process's radio-button images, made (with their images) on first call.
TqzRadioButtonImageList* SharedRadioButtonImages();
// Builds their images again in the current system colours; nothing when they were not made.
void RebuildSharedRadioButtonImages();
// Frees them (the painters unit's shut-down); the next call makes them anew.
void FreeSharedRadioButtonImages();
