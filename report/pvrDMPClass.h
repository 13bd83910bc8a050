// Report objects for character printers: a text, a line, a raw printer command and a page, all
// laid out on a fixed grid of character cells (a tenth of an inch wide, 17 pixels high), with a
// fixed-pitch font and the printer's font styles as a set.
#pragma once

#include "platform/runtime/Sets.h"
#include "report/pvrClass.h"
#include "report/pvrClass_Views.h"

enum TpvrDMPFontStyle {
    fsxBold,
    fsxItalic,
    fsxUnderline,
    fsxSuperScript,
    fsxSubScript,
    fsxCondensed,
    fsxWide,
    fsx12cpi,
    fsx15cpi
};
using TpvrDMPFontStyles = TSet<TpvrDMPFontStyle, fsx15cpi>;

// One character cell in report pixels.
constexpr Extended pvrCharWidth = 9.6L;
constexpr Extended pvrCharHeight = 17;

// The styles as written in attribute texts: the set's value, nine bits.
String DMPFontStylesText(const TpvrDMPFontStyles& styles);

class TpvrDMPPage;

// 17 for a dot-matrix text with a bottom frame line (the line takes a line of the grid below the
// text), 0 for any other object or none.
Extended DMPBottomLineExtra(const TpvrComponent* view);

class TpvrDMPMemoView : public TpvrCustomMemoView {
    KOV_CLASS(TpvrDMPMemoView, TpvrCustomMemoView)
public:
    explicit TpvrDMPMemoView(TComponent* owner);

    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetHeight(Extended value) override;
    Extended CalcHeight() override;
    Extended CalcWidth() override;
    // The drawing rectangle reaches half a cell beyond the object on every side.
    void BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                   Extended offsetY) override;
    void SetParentFont(bool value) override;
    String DiffAttributes(TpvrComponent* source) override;
    String GetDescription() override;

    const TpvrDMPFontStyles& GetFontStyle() const { return FFontStyle; }
    // Stores the styles, leaves the parent's font and resets the fixed font.
    void SetFontStyle(const TpvrDMPFontStyles& value);
    bool IsFontStyleStored() const { return !GetParentFont(); }
    // The page's styles for an object that follows its parent's font.
    void TakePageFontStyle(const TpvrDMPFontStyles& value);

protected:
    void FontChanged() override;

private:
    void ResetFont();
    TpvrDMPFontStyles FFontStyle;
    bool FResettingFont = false;
};

class TpvrDMPLineView : public TpvrCustomLineView {
    KOV_CLASS(TpvrDMPLineView, TpvrCustomLineView)
public:
    explicit TpvrDMPLineView(TComponent* owner);

    // Lines run through the middle of cells.
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetParentFont(bool value) override;
    String DiffAttributes(TpvrComponent* source) override;
    String GetDescription() override;

    const TpvrDMPFontStyles& GetFontStyle() const { return FFontStyle; }
    void SetFontStyle(const TpvrDMPFontStyles& value);
    bool IsFontStyleStored() const { return !GetParentFont(); }
    void TakePageFontStyle(const TpvrDMPFontStyles& value) { FFontStyle = value; }

private:
    TpvrDMPFontStyles FFontStyle;
};

// Raw printer codes sent at the object's place.
class TpvrDMPCommand : public TpvrView {
    KOV_CLASS(TpvrDMPCommand, TpvrView)
public:
    explicit TpvrDMPCommand(TComponent* owner);

    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    String DiffAttributes(TpvrComponent* source) override;
    String GetDescription() override;

    String Command;
};

class TpvrDMPPage : public TpvrReportPage {
    KOV_CLASS(TpvrDMPPage, TpvrReportPage)
public:
    explicit TpvrDMPPage(TComponent* owner);

    void SetPaperHeight(Extended value) override;
    void SetPaperWidth(Extended value) override;
    void SetPaperSize(Integer value) override;
    // The report page's defaults, margins of one cell and one line, the paper cut to whole
    // cells and lines.
    void SetDefaults() override;
    // Also the styles of another dot-matrix page.
    void Assign(TPersistent* source) override;
    Extended AlignBandLeft(Extended value) const override;
    Extended AlignBandVertical(Extended value) const override;

    const TpvrDMPFontStyles& GetFontStyle() const { return FFontStyle; }
    // Also the styles of every object on the page that follows its parent's font.
    void SetFontStyle(const TpvrDMPFontStyles& value);

private:
    void ResetFont();
    // The paper rounded to whole cells and lines, the page's size recomputed.
    void SnapPaper();
    TpvrDMPFontStyles FFontStyle;
    bool FInDefaults = false;
};
