#include "platform/classlib/Buttons.h"

#include <algorithm>

#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), FGlyph(std::make_unique<TBitmap>()) {
    // The button clicks itself on the release over it; no click from the base's mouse handling.
    FControlStyle = {csCaptureMouse, csDoubleClicks};
    SetBounds(0, 0, 23, 22);
    FParentFont = true;
    FGlyph->OnChange = MakeEvent(this, &TSpeedButton::GlyphChanged);
}

TSpeedButton::~TSpeedButton() { FGlyph->OnChange = nullptr; }

void TSpeedButton::GlyphChanged(TObject* sender) {
    if (!FGlyph->GetEmpty() && FGlyph->GetHeight() > 0) {
        // Glyphs as wide as a multiple of their height say how many images they hold.
        const Integer count = FGlyph->GetWidth() / FGlyph->GetHeight();
        if (count >= 1 && count <= 4 && FGlyph->GetWidth() % FGlyph->GetHeight() == 0) FNumGlyphs = count;
    }
    Invalidate();
}

void TSpeedButton::SetGroupIndex(Integer value) {
    if (FGroupIndex == value) return;
    FGroupIndex = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    if (FDown && !value && !FAllowAllUp) return;
    FDown = value;
    if (value) {
        if (FState == bsUp) Invalidate();
        FState = bsExclusive;
    } else {
        FState = bsUp;
        Repaint();
    }
    if (value) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
    if (FAllowAllUp == value) return;
    FAllowAllUp = value;
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool value) {
    if (FFlat == value) return;
    FFlat = value;
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs value) {
    value = std::clamp(value, 1, 4);
    if (FNumGlyphs == value) return;
    FNumGlyphs = value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    if (FLayout == value) return;
    FLayout = value;
    Invalidate();
}

void TSpeedButton::SetMargin(Integer value) {
    if (value < -1 || FMargin == value) return;
    FMargin = value;
    Invalidate();
}

void TSpeedButton::SetSpacing(Integer value) {
    if (FSpacing == value) return;
    FSpacing = value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || GetParent() == nullptr) return;
    TMessage message{CM_BUTTONPRESSED, WPARAM(FGroupIndex), LPARAM(this), 0};
    GetParent()->Broadcast(message);
}

void TSpeedButton::CMButtonPressed(TMessage& message) {
    auto* sender = reinterpret_cast<TSpeedButton*>(message.LParam);
    if (Integer(message.WParam) != FGroupIndex || sender == this || sender == nullptr) return;
    if (sender->GetDown() && FDown) {
        FDown = false;
        FState = bsUp;
        Invalidate();
    }
    FAllowAllUp = sender->GetAllowAllUp();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

Integer TSpeedButton::GlyphIndex(TButtonState state) const {
    Integer index = Integer(state);
    // Without its own image a state shows the up image (exclusive falls back to down first).
    if (state == bsExclusive && index >= FNumGlyphs) index = Integer(bsDown);
    if (index >= FNumGlyphs) index = 0;
    return index;
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !GetEnabled()) return;
    if (!FDown) {
        FState = bsDown;
        Invalidate();
    }
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, Integer x, Integer y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FDragging) return;
    const bool inside = x >= 0 && x < GetClientWidth() && y >= 0 && y < GetClientHeight();
    TButtonState state = FDown ? bsExclusive : bsUp;
    if (inside) state = bsDown;
    if (state != FState) {
        FState = state;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!alive || !FDragging || button != mbLeft) return;
    FDragging = false;
    const bool inside = x >= 0 && x < GetClientWidth() && y >= 0 && y < GetClientHeight();
    if (FGroupIndex == 0) {
        FState = bsUp;
        Invalidate();
    } else if (inside) {
        SetDown(!FDown);
        if (FDown) Repaint();
    } else {
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    }
    if (inside) Click();
}

void TSpeedButton::Paint() {
    TCanvas* canvas = TGraphicControl::GetCanvas();
    if (!IsShownEnabled()) {
        FState = bsDisabled;
        FDragging = false;
    } else if (FState == bsDisabled) {
        FState = FDown && FGroupIndex != 0 ? bsExclusive : bsUp;
    }
    TRect rect = GetClientRect();
    HDC dc = canvas->GetHandle();
    const bool pressed = FState == bsDown || FState == bsExclusive;
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    if (!FFlat) {
        canvas->FillRect(rect);
        TRect face = rect;
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    } else {
        if (!FTransparent || pressed) canvas->FillRect(rect);
        TRect edge = rect;
        if (pressed)
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
        else if (FMouseInControl && GetEnabled())
            DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
    }
    // Glyph and caption laid out together.
    const String caption = GetCaption();
    canvas->GetFont()->Assign(GetFont());
    TRect textBounds{0, 0, 0, 0};
    if (!caption.empty()) {
        textBounds = TRect{0, 0, rect.right - rect.left, 0};
        canvas->TextRect(textBounds, caption, TTextFormat{tfCalcRect, tfSingleLine});
    }
    const bool hasGlyph = !FGlyph->GetEmpty();
    const Integer glyphW = hasGlyph ? FGlyph->GetWidth() / FNumGlyphs : 0;
    const Integer glyphH = hasGlyph ? FGlyph->GetHeight() : 0;
    const Integer textW = textBounds.right - textBounds.left;
    const Integer textH = textBounds.bottom - textBounds.top;
    const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    const Integer clientW = rect.right - rect.left;
    const Integer clientH = rect.bottom - rect.top;
    POINT glyphPos{(clientW - glyphW) / 2, (clientH - glyphH) / 2};
    POINT textPos{(clientW - textW) / 2, (clientH - textH) / 2};
    if (hasGlyph && !caption.empty()) {
        const Integer total = horizontal ? clientW : clientH;
        const Integer glyphSize = horizontal ? glyphW : glyphH;
        const Integer textSize = horizontal ? textW : textH;
        Integer margin = FMargin;
        Integer spacing = FSpacing;
        if (margin == -1) {
            if (spacing == -1) {
                const Integer space = (total - glyphSize - textSize) / 3;
                margin = space;
                spacing = space;
            } else {
                margin = (total - glyphSize - textSize - spacing) / 2;
            }
        } else if (spacing == -1) {
            spacing = (total - margin - glyphSize - textSize) / 2;
        }
        const Integer glyphAt = margin;
        const Integer textAt = margin + glyphSize + spacing;
        switch (FLayout) {
        case blGlyphLeft:
            glyphPos.x = glyphAt;
            textPos.x = textAt;
            break;
        case blGlyphRight:
            glyphPos.x = clientW - glyphAt - glyphW;
            textPos.x = clientW - textAt - textW;
            break;
        case blGlyphTop:
            glyphPos.y = glyphAt;
            textPos.y = textAt;
            break;
        case blGlyphBottom:
            glyphPos.y = clientH - glyphAt - glyphH;
            textPos.y = clientH - textAt - textH;
            break;
        }
    }
    const Integer shift = pressed ? 1 : 0;
    if (hasGlyph) {
        const Integer index = GlyphIndex(FState);
        const TRect source{index * glyphW, 0, (index + 1) * glyphW, glyphH};
        const TRect dest{glyphPos.x + shift, glyphPos.y + shift, glyphPos.x + shift + glyphW,
                         glyphPos.y + shift + glyphH};
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->GetBrush()->SetColor(GetColor());
        canvas->BrushCopy(dest, FGlyph.get(), source, FGlyph->GetTransparentColor());
    }
    if (!caption.empty()) {
        canvas->GetBrush()->SetStyle(bsClear);
        TRect textRect{textPos.x + shift, textPos.y + shift, textPos.x + shift + textW, textPos.y + shift + textH};
        if (FState == bsDisabled) {
            TRect light = textRect;
            OffsetRect(&light, 1, 1);
            canvas->GetFont()->SetColor(clBtnHighlight);
            canvas->TextRect(light, caption, TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter});
            canvas->GetFont()->SetColor(clBtnShadow);
        }
        canvas->TextRect(textRect, caption, TTextFormat{tfSingleLine, tfCenter, tfVerticalCenter});
    }
}

void TSpeedButton::CMDialogChar(TMessage& message) {
    if (IsAccel(UINT(message.WParam), GetCaption()) && GetEnabled() && IsShowing()) {
        Click();
        message.Result = 1;
    }
}

void TSpeedButton::CMEnabledChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

void TSpeedButton::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    if (FFlat && FMouseInControl && GetEnabled()) Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    if (FFlat && GetEnabled()) Invalidate();
}

void TSpeedButton::CMTextChanged(TMessage& message) { Invalidate(); }

KOV_MESSAGE_MAP(TSpeedButton) {
    map.Message(CM_BUTTONPRESSED, &TSpeedButton::CMButtonPressed);
    map.Message(CM_DIALOGCHAR, &TSpeedButton::CMDialogChar);
    map.Message(CM_ENABLEDCHANGED, &TSpeedButton::CMEnabledChanged);
    map.Message(CM_MOUSEENTER, &TSpeedButton::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TSpeedButton::CMMouseLeave);
    map.Message(CM_TEXTCHANGED, &TSpeedButton::CMTextChanged);
}

namespace {
struct TButtonsTypes {
    TButtonsTypes() {
        RegisterEnum<TButtonLayout>("TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
        RegisterEnum<TButtonState>("TButtonState", {"bsUp", "bsDisabled", "bsDown", "bsExclusive"});
    }
};
const TButtonsTypes kButtonsTypes;

const bool kButtonsRegistered = [] {
    RegisterClasses({TSpeedButton::StaticClass()});
    return true;
}();
} // namespace

KOV_PUBLISHED(TSpeedButton) {
    Property("AllowAllUp", &TSpeedButton::GetAllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
    Property("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
    Property("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown).Default(false);
    Property("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat).Default(false);
    Property("Glyph", &TSpeedButton::GetGlyph, &TSpeedButton::SetGlyph);
    Property("Layout", &TSpeedButton::GetLayout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
    Property("Margin", &TSpeedButton::GetMargin, &TSpeedButton::SetMargin).Default(-1);
    Property("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs)
        .TypeName("TNumGlyphs")
        .Default(1);
    Property("Spacing", &TSpeedButton::GetSpacing, &TSpeedButton::SetSpacing).Default(4);
    Property("Transparent", &TSpeedButton::GetTransparent, &TSpeedButton::SetTransparent).Default(true);
}
