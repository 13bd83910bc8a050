// Speed buttons: buttons without a window, painted by their parent, with a glyph, grouping
// (one button of a group down at a time) and a flat look that lights up under the mouse.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = Integer;

class TSpeedButton : public TGraphicControl {
    KOV_CLASS(TSpeedButton, TGraphicControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    // Buttons of the same parent and the same non-zero GroupIndex: pressing one puts the others
    // up. With GroupIndex 0 the button never stays down.
    Integer GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer value);
    bool GetDown() const { return FDown; }
    // Setting Down puts the other buttons of the group up; a down button can only be put up
    // when AllowAllUp (of the group) lets every button be up.
    void SetDown(bool value);
    bool GetAllowAllUp() const { return FAllowAllUp; }
    // Applies to the whole group.
    void SetAllowAllUp(bool value);
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool value);
    // NumGlyphs images side by side: up, disabled, down, down while exclusive. The colour of the
    // bottom-left pixel is transparent.
    TBitmap* GetGlyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }
    TNumGlyphs GetNumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs value);
    TButtonLayout GetLayout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    // The distance of the glyph from the edge (-1: the glyph and caption centred together).
    Integer GetMargin() const { return FMargin; }
    void SetMargin(Integer value);
    // The distance between glyph and caption (-1: centred in the room left).
    Integer GetSpacing() const { return FSpacing; }
    void SetSpacing(Integer value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // How the button shows now.
    TButtonState GetState() const { return FState; }
    // Whether the mouse is over it (the flat look lights up).
    bool GetMouseInControl() const { return FMouseInControl; }

    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    // The index of the glyph image shown for a state.
    Integer GlyphIndex(TButtonState state) const;

    void CMButtonPressed(TMessage& message);
    void CMDialogChar(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMTextChanged(TMessage& message);

private:
    void GlyphChanged(TObject* sender);
    void UpdateExclusive();

    Integer FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    bool FFlat = false;
    bool FTransparent = true;
    bool FDragging = false;
    std::unique_ptr<TBitmap> FGlyph;
    TNumGlyphs FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    Integer FMargin = -1;
    Integer FSpacing = 4;
    TButtonState FState = bsUp;
};
