// Report views: the base view with its frame, fill and shadow, the memo, line, picture and shape
// views, and the text layout object that lays out and draws memo texts. Part of the pvrClass
// unit: include report/pvrClass.h.

#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "report/pvrClass.h"
#include "report/pvrUnicodeUtils.h"

// ---- Text layout -------------------------------------------------------------------------------

// The style of one character of a laid-out line.
class TpvrHTMLTag {
public:
    // 1-based position of the character in the whole text (tags and line breaks counted).
    Integer Position = 0;
    // Points.
    Integer Size = 0;
    // 1: lowered by its size (subscript); 0 otherwise.
    Integer BaselineShift = 0;
    TFontStyles Style;
    TColor Color = 0;
    // The same style as the character before.
    bool Default = true;
    // The size differs from the default size.
    bool Small = false;
};

// The styles of the characters of one output line.
class TpvrHTMLTags {
public:
    Integer Count() const { return Integer(Items.size()); }
    std::vector<TpvrHTMLTag> Items;
};

// Turns the inline tags of a paragraph into one style per character, line by line.
class TpvrHTMLTagsList {
public:
    // Starts over: no lines, current values the defaults, Position 1.
    void Init(TColor color, Integer size, TFontStyles style);
    // A new, empty line of tags.
    TpvrHTMLTags& NewLine();
    // Removes the recognised tags from `text` and gives each remaining character a tag on the
    // last line; a text left empty gets one blank.
    void ExpandTags(WideString& text);
    Integer Count() const { return Integer(FLines.size()); }
    TpvrHTMLTags& Items(Integer index) { return FLines[std::size_t(index)]; }
    const TpvrHTMLTags& Items(Integer index) const { return FLines[std::size_t(index)]; }
    std::vector<TpvrHTMLTags>& Lines() { return FLines; }

    bool TagsEnabled = true;
    TColor DefaultColor = 0;
    Integer DefaultSize = 10;
    TFontStyles DefaultStyle;
    Integer CurrentBaselineShift = 0;
    TColor CurrentColor = 0;
    Integer CurrentSize = 10;
    TFontStyles CurrentStyle;
    Integer Position = 1;

private:
    void AddTag(TpvrHTMLTags& line);
    std::vector<TpvrHTMLTags> FLines;
};

enum TpvrHAlign { haLeft, haRight, haCenter, haBlock };
enum TpvrVAlign { vaTop, vaBottom, vaCenter };

// Lays memo texts out at a fixed measuring resolution (600 pixels per inch) so that they break
// into the same lines on every device, measures them, splits them for pages and draws them.
class TpvrDrawText {
public:
    TpvrDrawText();
    ~TpvrDrawText();
    TpvrDrawText(const TpvrDrawText&) = delete;
    TpvrDrawText& operator=(const TpvrDrawText&) = delete;

    // Waits while another memo uses the object (processing window messages), then takes it.
    void Lock();
    void Unlock();
    bool GetBusy() const { return FBusy; }

    void SetFont(TFont* font);
    void SetOptions(bool wordWrap, bool htmlTags, Integer rotation, bool clipped, bool wordBreak,
                    bool rtlReading);
    void SetGaps(Extended lineSpacing, Extended charSpacing, Extended paragraphGap);
    // The text rectangle in report units at scale 1, and on the device with its scales.
    void SetDimensions(const TRect& unscaledRect, const TRect& scaledRect, Extended scaleX, Extended scaleY);
    // Lays the text out.
    void SetText(TWideStrings* text);

    // In report units.
    Extended GetLineHeight() const;
    Extended CalcHeight() const;
    Extended CalcWidth() const;
    // The height below the last line that fits (0 when none fits, 0.0001 when none is left).
    Extended UnusedSpace() const;
    // The text of the lines that do not fit, with the style of its first character in front
    // when tags are allowed; the whole text is cut to what fits.
    WideString GetRemainedText();
    // The text of the lines that fit (after GetRemainedText).
    const WideString& GetInBoundsText() const { return FText; }

    // Draws the lines into the scaled rectangle.
    void DrawText(TCanvas* canvas, TpvrHAlign hAlign, TpvrVAlign vAlign);

    // The laid-out lines, each with its paragraph flags (1 first line, 2 last line).
    TWideStrings* GetLines() const { return FLines.get(); }
    Integer GetLineFlags(Integer index) const { return FLineFlags[std::size_t(index)]; }
    TpvrHTMLTagsList* GetTags() const { return FTags.get(); }
    // The height of the measuring font in measuring pixels.
    Integer GetMeasuringHeight() const;
    // The advances of a laid-out line in measuring pixels (character spacing included).
    std::vector<Integer> MeasureLine(Integer index);

    // Pixels per inch of layout and of report units.
    static constexpr Integer MeasuringResolution = 600;
    static constexpr Integer UnitResolution = 96;

private:
    struct TDeviceState;
    void WrapParagraph(const WideString& paragraph, Integer width, Integer charSpacing, Integer firstWidth);
    void AddLine(const WideString& text, std::vector<TpvrHTMLTag> tags, Integer flags);
    void MeasureAdvances(const WideString& text, const std::vector<TpvrHTMLTag>& tags, Integer charSpacing,
                         std::vector<Integer>& advances);
    void ApplyMeasuringStyle(const TpvrHTMLTag& tag);
    Integer LinesThatFit() const;
    void DrawLine(TDeviceState& state, Integer index, Integer x, Integer y, Integer available, TpvrHAlign hAlign);

    std::unique_ptr<TBitmap> FBitmap;
    bool FBusy = false;
    TCanvas* FCanvas = nullptr;
    Integer FFontSize = 10;
    TFontStyles FFontStyle;
    TColor FFontColor = 0;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TpvrHTMLTagsList> FTags;
    Extended FCharSpacing = 0;
    Extended FLineSpacing = 2;
    UINT FOptions = 0;
    TRect FUnscaledRect{};
    Extended FParagraphGap = 0;
    WideString FText;
    Integer FRotation = 0;
    bool FRTLReading = false;
    bool FClipped = true;
    TRect FScaledRect{};
    Extended FScaleX = 1;
    Extended FScaleY = 1;
    bool FWordBreak = false;
    bool FWordWrap = true;
    std::unique_ptr<TWideStrings> FLines;
    std::vector<Integer> FLineFlags;
    std::vector<Integer> FLineExtents;
};

// Finds the hyphenation points of a word: the lengths of the first parts that may end with "-".
std::vector<Integer> HyphenationPoints(const WideString& word);

// Spreads `units` pixels (either sign) over the elements of `values` as evenly as whole pixels
// allow, halving the range for the remainder.
void SpreadPixels(std::vector<Integer>& values, Integer units);

// The layout object of memos without a report.
TpvrDrawText* GlobalDrawText();

// ---- Views -------------------------------------------------------------------------------------

enum TpvrAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
enum TpvrShiftMode { smDontShift, smAlways, smWhenOverlapped };
enum TpvrStretchMode { smDontStretch, smActualHeight, smMaxHeight };
enum TpvrShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };

// A printable report object placed on a band: data binding, frame, background, drop shadow,
// units to pixels, and bracketed expressions in its tag and link texts.
class TpvrView : public TpvrReportComponent {
    KOV_CLASS(TpvrView, TpvrReportComponent)
public:
    explicit TpvrView(TComponent* owner);
    ~TpvrView() override;

    // BeginDraw, DrawBackground, DrawFrame.
    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    virtual void BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
    virtual void DrawBackground();
    virtual void DrawFrame();

    // Besides the bounds, save and restore TagStr and URL.
    void BeforePrint() override;
    void AfterPrint() override;
    // Expands bracketed expressions in TagStr and URL.
    void GetData() override;
    String DiffAttributes(TpvrComponent* source) override;
    void Notification(TComponent* component, TOperation operation) override;
    Integer GetAlignCode() const override { return Integer(Align); }

    TpvrFrame* GetFrame() const { return FFrame.get(); }
    void SetFrame(TpvrFrame* value) { FFrame->Assign(value); }
    TpvrDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TpvrDataSet* value);
    String GetDataSetName() const;
    void SetDataSetName(const String& value);
    // DataSet set and DataField not empty.
    bool IsDataBound() const { return FDataSet != nullptr && !DataField.empty(); }
    // The text with every bracketed expression replaced by its value.
    String ExpandBrackets(const String& text);

    TpvrAlign Align = baNone;
    TBrushStyle BrushStyle = bsSolid;
    TColor Color = clTransparent;
    TCursor Cursor = 0;
    String DataField;
    bool Printable = true;
    TpvrShiftMode ShiftMode = smAlways;
    String TagStr;
    String URL;

    // Drawing state, valid from BeginDraw to the end of the same Draw.
    Integer FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
    Extended FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
    TCanvas* FCanvas = nullptr;

protected:
    // A line of `width` one-pixel lines across its direction, with the canvas's pen.
    void DrawWideLine(Integer x1, Integer y1, Integer x2, Integer y2, Integer width);

private:
    std::unique_ptr<TpvrFrame> FFrame;
    TpvrDataSet* FDataSet = nullptr;
    String FDataSetName;
    String FSavedTagStr;
    String FSavedURL;
    [[maybe_unused]] bool FFlag = false;
};

// A view the engine may let grow to its content and split across pages.
class TpvrStretcheable : public TpvrView {
    KOV_CLASS(TpvrStretcheable, TpvrView)
public:
    using TpvrView::TpvrView;
    virtual Extended CalcHeight() { return GetHeight(); }
    virtual Extended DrawPart() { return 0; }
    virtual void InitPart() {}

    TpvrStretchMode StretchMode = smDontStretch;
};

// Rectangles, rounded rectangles, ellipses, triangles, diamonds and diagonals.
class TpvrShapeView : public TpvrView {
    KOV_CLASS(TpvrShapeView, TpvrView)
public:
    explicit TpvrShapeView(TComponent* owner);
    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    String DiffAttributes(TpvrComponent* source) override;
    String GetDescription() override;

    // Corner size of a rounded rectangle in tenths of a unit; 0 chooses it from the size.
    Integer Curve = 0;
    TpvrShapeKind Shape = skRectangle;
};

// ---- Memo --------------------------------------------------------------------------------------

// The font and colour a memo takes while its condition holds.
class TpvrHighlight : public TPersistent {
    KOV_CLASS(TpvrHighlight, TPersistent)
public:
    TpvrHighlight();
    ~TpvrHighlight() override;
    // Copies Font, Color and Condition.
    void Assign(TPersistent* source) override;
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }

    bool Active = false;
    TColor Color = clTransparent;
    String Condition;

private:
    std::unique_ptr<TFont> FFont;
};

enum TpvrFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };

// How a memo shows a value.
class TpvrFormat : public TPersistent {
    KOV_CLASS(TpvrFormat, TPersistent)
public:
    TpvrFormat() = default;
    void Assign(TPersistent* source) override;

    String DecimalSeparator;
    String FormatStr;
    TpvrFormatKind Kind = fkText;
};

// The text of a value by a format; Null gives an empty text, a failure the value's plain text.
WideString FormatValue(const Variant& value, TpvrFormat* format);

// The text object of reports.
class TpvrCustomMemoView : public TpvrStretcheable {
    KOV_CLASS(TpvrCustomMemoView, TpvrStretcheable)
public:
    explicit TpvrCustomMemoView(TComponent* owner);
    ~TpvrCustomMemoView() override;

    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    String GetComponentText() override;
    String DiffAttributes(TpvrComponent* source) override;
    String GetDescription() override;
    void Notification(TComponent* component, TOperation operation) override;
    bool IsAutoWidth() const override { return AutoWidth; }

    Extended CalcHeight() override;
    virtual Extended CalcWidth();
    Extended DrawPart() override;
    void InitPart() override;

    TWideStrings* GetMemo() const { return FMemo.get(); }
    void SetMemo(TWideStrings* value) { FMemo->Assign(value); }
    TpvrFormat* GetDisplayFormat() const { return FDisplayFormat.get(); }
    void SetDisplayFormat(TpvrFormat* value) { FDisplayFormat->Assign(value); }
    TpvrHighlight* GetHighlight() const { return FHighlight.get(); }
    void SetHighlight(TpvrHighlight* value) { FHighlight->Assign(value); }
    bool IsHighlightStored() const;
    TpvrCustomMemoView* GetFlowTo() const { return FFlowTo; }
    void SetFlowTo(TpvrCustomMemoView* value);
    Integer GetRotation() const { return FRotation; }
    void SetRotation(Integer value);
    const String& GetStyle() const { return FStyle; }
    // Applies the report style of that name (colour, font, frame).
    void SetStyle(const String& value);
    // The text of one expression between delimiters, with its value in Value.
    WideString ExpressionText(const String& expression);
    // The text rectangle in pixels, computed by BeginDraw.
    const TRect& GetTextRect() const { return FTextRect; }
    // Forgets the last shown value (a new run of SuppressRepeated).
    void ClearRepeatedValue() { FLastValue = Null(); }
    const WideString& GetRemainder() const { return FPartText; }

    bool IsCharSpacingStored() const { return CharSpacing != 0; }
    bool IsDelimitersStored() const { return ExpressionDelimiters != "[,]"; }
    bool IsGapXStored() const { return GapX != 2; }
    bool IsGapYStored() const { return GapY != 1; }
    bool IsLineSpacingStored() const { return LineSpacing != 2; }
    bool IsParagraphGapStored() const { return ParagraphGap != 0; }

    bool AllowExpressions = true;
    bool AllowHTMLTags = false;
    bool AutoWidth = false;
    Extended CharSpacing = 0;
    bool Clipped = true;
    String ExpressionDelimiters = "[,]";
    Extended GapX = 2;
    Extended GapY = 1;
    TpvrHAlign HAlign = haLeft;
    bool HideZeros = false;
    Extended LineSpacing = 2;
    Extended ParagraphGap = 0;
    bool RTLReading = false;
    bool SuppressRepeated = false;
    bool Underlines = false;
    TpvrVAlign VAlign = vaTop;
    Variant Value;
    bool WordBreak = false;
    bool WordWrap = true;
    Integer TotalPages = 0;

protected:
    // Extra sizes around the text, in report units.
    Extended VerticalExtra() const;
    Extended HorizontalExtra() const;

private:
    TpvrDrawText* DrawTextObject() const;
    // Fonts, options and rectangles into the layout object, then the text laid out.
    void SetupLayout(TpvrDrawText* layout, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                     Extended offsetY, bool autoWidthBox);
    void ExpandExpressions();
    // Whether passing the rest of the text on to FlowTo would close a ring of memos flowing
    // into each other: the link into the ring's first memo to get its data is never followed.
    bool FlowClosesRing() const;

    std::unique_ptr<TpvrFormat> FDisplayFormat;
    // When this memo got its data in the current preparation (0: not yet), in the order of all.
    UInt64 FDataOrder = 0;
    TpvrCustomMemoView* FFlowTo = nullptr;
    std::unique_ptr<TpvrHighlight> FHighlight;
    std::unique_ptr<TWideStrings> FMemo;
    WideString FPartText;
    Integer FRotation = 0;
    String FStyle;
    WideString FSavedText;
    Variant FLastValue;
    TRect FTextRect{};
    [[maybe_unused]] TColor FSavedColor = clTransparent;
};

class TpvrMemoView : public TpvrCustomMemoView {
    KOV_CLASS(TpvrMemoView, TpvrCustomMemoView)
public:
    using TpvrCustomMemoView::TpvrCustomMemoView;
    String GetDescription() override;
};

class TpvrSysMemoView : public TpvrCustomMemoView {
    KOV_CLASS(TpvrSysMemoView, TpvrCustomMemoView)
public:
    using TpvrCustomMemoView::TpvrCustomMemoView;
    String GetDescription() override;
};

// ---- Line and picture --------------------------------------------------------------------------

class TpvrCustomLineView : public TpvrStretcheable {
    KOV_CLASS(TpvrCustomLineView, TpvrStretcheable)
public:
    explicit TpvrCustomLineView(TComponent* owner);
    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    String GetDescription() override;

    bool Diagonal = false;
};

class TpvrLineView : public TpvrCustomLineView {
    KOV_CLASS(TpvrLineView, TpvrCustomLineView)
public:
    using TpvrCustomLineView::TpvrCustomLineView;
};

// The COM code of a picture stream whose format is not recognised.
constexpr Integer pvrE_INVALIDARG = Integer(0x80070057);

class TpvrPictureView : public TpvrView {
    KOV_CLASS(TpvrPictureView, TpvrView)
public:
    explicit TpvrPictureView(TComponent* owner);
    ~TpvrPictureView() override;

    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void GetData() override;
    String DiffAttributes(TpvrComponent* source) override;
    String GetDescription() override;

    // 0, or pvrE_INVALIDARG when the stream holds no known picture (the picture is cleared).
    Integer LoadPicture(TStream* stream);

    TPicture* GetPicture() const { return FPicture.get(); }
    void SetPicture(TPicture* value) { FPicture->Assign(value); }
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    bool Center = false;
    bool KeepAspectRatio = true;
    // The picture changed since the report's last script set-up.
    bool PictureChanged = false;
    bool Stretched = true;

private:
    void PictureChange(TObject* sender);
    void ApplyAutoSize();

    bool FAutoSize = false;
    std::unique_ptr<TPicture> FPicture;
};

// ---- Subreport ---------------------------------------------------------------------------------

// A place on a band where another report page is printed.
class TpvrSubreport : public TpvrView {
    KOV_CLASS(TpvrSubreport, TpvrView)
public:
    explicit TpvrSubreport(TComponent* owner);
    ~TpvrSubreport() override;

    // Background and frame, then the subreport's name.
    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    String GetDescription() override;
    void Notification(TComponent* component, TOperation operation) override;

    TpvrReportPage* GetPage() const { return FPage; }
    // Links the page back to this subreport.
    void SetPage(TpvrReportPage* value);

    bool PrintOnParent = false;

private:
    TpvrReportPage* FPage = nullptr;
};
