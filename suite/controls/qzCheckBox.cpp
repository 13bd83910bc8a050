#include "suite/controls/qzCheckBox.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/qzVariants.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

using namespace qzGraphics;

namespace {

constexpr int kCheckBoxPart = 3;

bool PointIn(const TRect& r, const TPoint& p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsEmptyRect(const TRect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Sets a flag for a scope.
class TFlagScope {
public:
    TFlagScope(bool& flag, bool value) : FFlag(flag), FOld(flag) { flag = value; }
    ~TFlagScope() { FFlag = FOld; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FOld;
};
constexpr UINT kBrushWhereMaskBlack = 0x00B8074A;

// Grayed rows of the theme state by null style, indexed by glyph state.
constexpr Integer kGrayedThemeStates[3][4] = {{1, 2, 3, 4}, {4, 4, 4, 4}, {9, 10, 11, 12}};

struct TCheckGlyphMetrics {
    TSize Size{13, 13};
    std::unique_ptr<TBitmap> Mask;
};

TCheckGlyphMetrics& GlyphMetrics() {
    static TCheckGlyphMetrics metrics = [] {
        TCheckGlyphMetrics m;
        TBitmap boxes;
        boxes.SetHandle(LoadBitmapA(nullptr, OBM_CHECKBOXES));
        const Integer cellWidth = boxes.GetWidth() / 4;
        const Integer cellHeight = boxes.GetHeight() / 3;
        if (cellWidth <= 0 || cellHeight <= 0) return m;
        m.Size = TSize{cellWidth, cellHeight};
        m.Mask = std::make_unique<TBitmap>();
        m.Mask->SetSize(cellWidth, cellHeight);
        HDC boxesDc = boxes.GetCanvas()->GetHandle();
        TCanvas* mask = m.Mask->GetCanvas();
        for (Integer y = 0; y < cellHeight; ++y)
            for (Integer x = 0; x < cellWidth; ++x) {
                const COLORREF unchecked = GetPixel(boxesDc, x, y);
                const COLORREF checked = GetPixel(boxesDc, cellWidth + x, y);
                mask->SetPixels(x, y, unchecked == checked ? clWhite : clBlack);
            }
        return m;
    }();
    return metrics;
}

bool IsButtonThemeUsable(bool nativeStyle) { return IsNativeStyleUsable(nativeStyle, ttButton); }

Integer FrameWidthOf(TqzEditBorderStyle style) { return GetContainerBorderWidth(TqzContainerBorderStyle(style)); }

struct TClipScope {
    explicit TClipScope(HDC dc) : Dc(dc) { Saved = SaveDC(dc); }
    ~TClipScope() { RestoreDC(Dc, Saved); }
    HDC Dc;
    int Saved;
};

} // namespace

TSize SystemCheckGlyphSize() { return GlyphMetrics().Size; }

TBitmap* CheckMarkMask() { return GlyphMetrics().Mask.get(); }

Integer CheckGlyphImageIndex(TqzCheckBoxState state, TqzCheckGlyphState glyphState, Integer glyphCount) {
    Integer index = Integer(state);
    if (glyphState == cgsPressed) index += 3;
    if (index >= glyphCount && index > 2) index %= 3;
    // A strip too short for the state's image shows its first image.
    if (index >= glyphCount) index = 0;
    return index;
}

Integer CheckBoxThemeState(TqzCheckBoxState state, TqzCheckGlyphState glyphState) {
    static constexpr Integer kByGlyph[4] = {1, 2, 3, 4}; // normal, hot, pressed, disabled
    return Integer(state) * 4 + kByGlyph[glyphState];
}

// ---- Properties --------------------------------------------------------------------------------

TqzCustomCheckBoxProperties::TqzCustomCheckBoxProperties(TPersistent* owner) : TqzCustomEditProperties(owner) {
    FDisplayChecked = StringToWide(LocalizeSuiteText("True"));
    FDisplayGrayed = StringToWide(LocalizeSuiteText(""));
    FDisplayUnchecked = StringToWide(LocalizeSuiteText("False"));
    FValueChecked = Variant(true);
    FValueUnchecked = Variant(false);
    FValueGrayed = Null();
}

TqzCustomCheckBoxProperties::~TqzCustomCheckBoxProperties() = default;

void TqzCustomCheckBoxProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomCheckBoxProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        FAllowGrayed = other->FAllowGrayed;
        FDisplayChecked = other->FDisplayChecked;
        FDisplayGrayed = other->FDisplayGrayed;
        FDisplayUnchecked = other->FDisplayUnchecked;
        SetFullFocusRect(other->FFullFocusRect);
        SetGlyph(other->FGlyph.get());
        SetGlyphCount(other->FGlyphCount);
        SetMultiLine(other->FMultiLine);
        SetNullStyle(other->FNullStyle);
        SetUseAlignmentWhenInplace(other->FUseAlignmentWhenInplace);
        // Through the setters, which refuse a value the others hold: cleared first.
        FValueChecked = Unassigned();
        FValueUnchecked = Unassigned();
        FValueGrayed = Unassigned();
        SetValueChecked(other->FValueChecked);
        SetValueUnchecked(other->FValueUnchecked);
        SetValueGrayed(other->FValueGrayed);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomCheckBoxProperties::ReadCaption(TReader* reader) { SetCaption(reader->ReadString()); }

void TqzCustomCheckBoxProperties::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineProperty("Caption", [this](TReader* reader) { ReadCaption(reader); }, nullptr, false);
}

TqzCustomEditViewDataClass TqzCustomCheckBoxProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzCustomCheckBoxViewData>;
}

TqzCustomEditViewInfoClass TqzCustomCheckBoxProperties::GetViewInfoClass() const {
    return &TqzCustomCheckBoxViewInfo::CreateInstance;
}

TClass TqzCustomCheckBoxProperties::GetContainerClass() const { return TqzCheckBox::StaticClass(); }

TqzContainerStyleClass TqzCustomCheckBoxProperties::GetStyleClass() const {
    return &TqzCheckBoxStyle::CreateInstance;
}

TqzCheckBoxState TqzCustomCheckBoxProperties::GetEditValueState(const Variant& editValue) {
    if (VariantValuesEqualBoolAsText(editValue, FValueChecked)) return cbsChecked;
    if (VariantValuesEqualBoolAsText(editValue, FValueUnchecked)) return cbsUnchecked;
    return cbsGrayed;
}

void TqzCustomCheckBoxProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool) {
    displayValue = Variant(Integer(GetEditValueState(editValue)));
}

bool TqzCustomCheckBoxProperties::AreDisplayValuesEqual(const Variant& v1, const Variant& v2) {
    return GetEditValueState(v1) == GetEditValueState(v2);
}

WideString TqzCustomCheckBoxProperties::GetDisplayTextWide(const Variant& editValue) {
    switch (GetEditValueState(editValue)) {
    case cbsUnchecked:
        return FDisplayUnchecked;
    case cbsChecked:
        return FDisplayChecked;
    default:
        return FDisplayGrayed;
    }
}

bool TqzCustomCheckBoxProperties::IsEditValueValid(Variant& value, bool editing) {
    return inherited::IsEditValueValid(value, editing) &&
           (VariantsEqualSameType(value, FValueChecked) || VariantsEqualSameType(value, FValueUnchecked) ||
            VariantsEqualSameType(value, FValueGrayed));
}

bool TqzCustomCheckBoxProperties::IsForeignValue(const Variant& value) {
    return !VariantsEqualSameType(value, FValueChecked) && !VariantsEqualSameType(value, FValueUnchecked) &&
           !VariantsEqualSameType(value, FValueGrayed);
}

TBitmap* TqzCustomCheckBoxProperties::GetGlyph() {
    if (!FGlyph) {
        FGlyph = std::make_unique<TBitmap>();
        FGlyph->OnChange = MakeEvent(this, &TqzCustomCheckBoxProperties::GlyphChanged);
    }
    return FGlyph.get();
}

void TqzCustomCheckBoxProperties::SetGlyph(TBitmap* value) {
    if (value == nullptr) {
        if (!FGlyph) return;
        FGlyph.reset();
        Changed();
        return;
    }
    GetGlyph()->Assign(value);
}

void TqzCustomCheckBoxProperties::GlyphChanged(TObject*) { Changed(); }

bool TqzCustomCheckBoxProperties::IsGlyphStored() const { return FGlyph && !FGlyph->GetEmpty(); }

void TqzCustomCheckBoxProperties::SetCaption(const String& value) {
    FIsCaptionAssigned = true;
    if (value == FCaption) return;
    FCaption = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetFullFocusRect(bool value) {
    if (value == FFullFocusRect) return;
    FFullFocusRect = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetGlyphCount(Integer value) {
    if (value == FGlyphCount) return;
    FGlyphCount = value;
    if (FGlyph && !FGlyph->GetEmpty()) Changed();
}

void TqzCustomCheckBoxProperties::SetMultiLine(bool value) {
    if (value == FMultiLine) return;
    FMultiLine = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetNullStyle(TqzCheckBoxNullValueShowingStyle value) {
    if (value == FNullStyle) return;
    FNullStyle = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetUseAlignmentWhenInplace(bool value) {
    if (value == FUseAlignmentWhenInplace) return;
    FUseAlignmentWhenInplace = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetValueChecked(const Variant& value) {
    if (VarIsNull(value) || !IsForeignValue(value)) return;
    FValueChecked = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetValueUnchecked(const Variant& value) {
    if (VarIsNull(value) || !IsForeignValue(value)) return;
    FValueUnchecked = value;
    Changed();
}

void TqzCustomCheckBoxProperties::SetValueGrayed(const Variant& value) {
    if (!IsForeignValue(value)) return;
    FValueGrayed = value;
    Changed();
}

bool TqzCustomCheckBoxProperties::IsValueCheckedStored() const {
    return !VariantsEqualSameType(FValueChecked, Variant(true));
}

bool TqzCustomCheckBoxProperties::IsValueUncheckedStored() const {
    return !VariantsEqualSameType(FValueUnchecked, Variant(false));
}

bool TqzCustomCheckBoxProperties::IsValueGrayedStored() const { return !VarIsNull(FValueGrayed); }

bool TqzCustomCheckBoxProperties::IsDisplayCheckedStored() const {
    return FDisplayChecked != StringToWide(LocalizeSuiteText("True"));
}

bool TqzCustomCheckBoxProperties::IsDisplayGrayedStored() const {
    return FDisplayGrayed != StringToWide(LocalizeSuiteText(""));
}

bool TqzCustomCheckBoxProperties::IsDisplayUncheckedStored() const {
    return FDisplayUnchecked != StringToWide(LocalizeSuiteText("False"));
}

TAlignment TqzCustomCheckBoxProperties::GetHorzAlignment() { return GetAlignment()->GetHorz(); }

void TqzCustomCheckBoxProperties::SetHorzAlignment(TAlignment value) { GetAlignment()->SetHorz(value); }

bool TqzCustomCheckBoxProperties::IsHorzAlignmentStored() { return GetAlignment()->IsHorzStored(); }

// ---- Style -------------------------------------------------------------------------------------

TqzContainerStyle* TqzCheckBoxStyle::CreateInstance(TPersistent* owner, Integer state,
                                                    TqzContainerStyle* normalStyle, bool directAccess) {
    if (state == csNormal) return new TqzCheckBoxStyle(owner, state, normalStyle, directAccess);
    return new TqzEditStyle(owner, state, normalStyle, directAccess);
}

// ---- View data ---------------------------------------------------------------------------------

TqzCustomCheckBoxProperties* TqzCustomCheckBoxViewData::GetCheckProperties() const {
    return static_cast<TqzCustomCheckBoxProperties*>(FProperties);
}

bool TqzCustomCheckBoxViewData::IsNativeButtonUsable() {
    return IsButtonThemeUsable(FStyle->GetLookAndFeel()->GetNativeStyle());
}

TqzTextFlags TqzCustomCheckBoxViewData::GetCaptionTextFlags() {
    TqzTextFlags flags = tfShowPrefix;
    const TAlignment alignment = GetCheckProperties()->GetHorzAlignment();
    flags |= alignment == taCenter ? tfAlignHCenter : tfAlignLeft;
    if (GetCheckProperties()->GetMultiLine())
        flags |= qzGraphics::tfWordBreak | qzGraphics::tfNoClip;
    else
        flags |= qzGraphics::tfSingleLine;
    flags |= (IsInplace || !GetCheckProperties()->GetMultiLine()) ? tfAlignVCenter : tfAlignTop;
    return flags;
}

TqzCheckGlyphState TqzCustomCheckBoxViewData::CalculateGlyphState(const TPoint& p, Integer button, TShiftState shift,
                                                                  TqzCustomCheckBoxViewInfo* viewInfo) {
    if (!Enabled) return cgsDisabled;
    auto* checkBox = dynamic_cast<TqzCustomCheckBox*>(Edit);
    if (checkBox && checkBox->IsKeyPressed()) return cgsPressed;
    if (!IsDesigning && PointIn(viewInfo->Bounds, p)) {
        TShiftState held = shift;
        if (held.empty()) return cgsHot;
        TShiftState onlyLeft;
        onlyLeft.Include(ssLeft);
        if (held == onlyLeft && (button == 1 || viewInfo->CheckGlyphState == cgsPressed)) return cgsPressed;
        return cgsNormal;
    }
    return cgsNormal;
}

void TqzCustomCheckBoxViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                          TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    const TqzCheckGlyphState previousGlyphState =
        static_cast<TqzCustomCheckBoxViewInfo*>(viewInfo)->CheckGlyphState;
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = static_cast<TqzCustomCheckBoxViewInfo*>(viewInfo);
    info->CheckGlyphState = previousGlyphState;
    TqzCustomCheckBoxProperties* properties = GetCheckProperties();
    info->Highlighted = false;
    const bool native = IsNativeButtonUsable();

    // 1. Caption and its alignment.
    if (Edit) info->Text = Edit->GetCaption();
    if (IsInplace && !properties->ShowsCaptionInplace() && !properties->GetUseAlignmentWhenInplace() &&
        info->Text.empty())
        info->CaptionAlignment = taCenter;
    else
        info->CaptionAlignment = properties->GetHorzAlignment();

    // 2. The frame of the glyph, raised while hot tracking applies.
    TqzEditBorderStyle border = FStyle->GetEditBorderStyle();
    if (FStyle->GetHotTrack() && !IsDesigning && !IsInplace && (Focused || (ContainerState & qzcsHot) != 0)) {
        if (border == ebsNone)
            border = ebsFlat;
        else if (border == ebsSingle)
            border = ebsThick;
        else if (border == ebsFlat)
            border = ebs3D;
    }
    info->GlyphBorderStyle = border;

    // 3. The user glyph.
    info->UserGlyph = properties->HasGlyphBitmap() ? properties->GetGlyph() : nullptr;
    info->UserGlyphCount = properties->GetGlyphCount();
    info->NullValueShowingStyle = properties->GetNullStyle();
    info->HasUserGlyph = info->UserGlyph && !info->UserGlyph->GetEmpty() && info->UserGlyphCount > 0;
    info->GlyphInset = (info->HasUserGlyph || native) ? 0 : 2 - FrameWidthOf(border);

    // 4. The glyph size.
    TSize glyphSize;
    if (info->HasUserGlyph) {
        glyphSize = TSize{info->UserGlyph->GetWidth() / info->UserGlyphCount, info->UserGlyph->GetHeight()};
    } else if (native) {
        SIZE size{13, 13};
        HTHEME theme = OpenThemeForType(ttButton);
        UxGetThemePartSizeNoRect(theme, canvas->DeviceContext(), kCheckBoxPart, 5, TS_TRUE, &size);
        glyphSize = TSize{size.cx, size.cy};
    } else {
        glyphSize = SystemCheckGlyphSize();
    }

    // 5, 6. The rectangles.
    TRect client = info->ClientRect;
    TRect textRect = client;
    TRect glyphRect = client;
    if (IsInplace) {
        if (info->CaptionAlignment == taLeftJustify) {
            textRect.right -= 2;
            glyphRect.left += 2;
        } else if (info->CaptionAlignment == taRightJustify) {
            textRect.left += 2;
            glyphRect.right -= 2;
        }
        textRect.top += InplaceEditOffsets.top;
        textRect.bottom -= InplaceEditOffsets.bottom;
    } else {
        InflateRect(&textRect, -2, -2);
        textRect.top -= 1;
        if (!native) InflateRect(&glyphRect, -2, -2);
    }

    // 7. Vertical centring.
    const Integer rectHeight = glyphRect.bottom - glyphRect.top;
    if (glyphSize.cy < rectHeight) {
        glyphRect.top += (rectHeight - glyphSize.cy) / 2;
        glyphRect.bottom = glyphRect.top + glyphSize.cy;
    }
    // 8. Horizontal placement and the caption beside it.
    const Integer rectWidth = glyphRect.right - glyphRect.left;
    if (glyphSize.cx < rectWidth) {
        if (info->CaptionAlignment == taCenter) {
            glyphRect.left += (rectWidth - glyphSize.cx) / 2;
            glyphRect.right = glyphRect.left + glyphSize.cx;
        } else if (info->CaptionAlignment == taLeftJustify) {
            glyphRect.right = glyphRect.left + glyphSize.cx;
            textRect.left = glyphRect.right + 3;
        } else {
            glyphRect.left = glyphRect.right - glyphSize.cx;
            textRect.right = glyphRect.left - 3;
        }
    } else {
        textRect.right = textRect.left;
    }
    // 9. Room for the embossed text.
    if (!Enabled) {
        textRect.right += 1;
        textRect.bottom += 1;
    }
    info->TextRect = textRect;
    info->CheckGlyphRect = glyphRect;

    // 10. The glyph state.
    info->CheckGlyphState = CalculateGlyphState(p, button, shift, info);

    // 12. Background colour.
    info->BackgroundColor = FStyle->GetColor();
    info->CaptionFlags = GetCaptionTextFlags();
    info->TextOutFlags = info->CaptionFlags;
    info->NativeStyle = native;

    // 11, 13.
    CalculateStateParts(canvas, info);

    // 14. In place, the single frame follows the glyph.
    if (IsInplace && border == ebsSingle)
        info->BorderColor = (info->CheckGlyphState == cgsHot || (IsDesigning && info->CheckGlyphState != cgsDisabled))
                                ? clHighlight
                                : clBtnShadow;

    // 15.
    info->TextColorAssigned = FStyle->IsValueAssigned(svTextColor);
    info->EditControl = Edit;
}

void TqzCustomCheckBoxViewData::CalculateStateParts(TqzCanvas* canvas, TqzCustomCheckBoxViewInfo* info) {
    TqzCustomCheckBoxProperties* properties = GetCheckProperties();
    // 11. The theme state.
    if (info->NativeStyle) {
        if (info->CheckState == cbsGrayed)
            info->ThemeStateId = kGrayedThemeStates[info->NullValueShowingStyle][info->CheckGlyphState];
        else
            info->ThemeStateId = CheckBoxThemeState(info->CheckState, info->CheckGlyphState);
    } else {
        info->ThemeStateId = 0;
    }
    // 13. The focus rectangle.
    info->FocusRect = TRect{};
    const bool centred = info->CaptionAlignment == taCenter;
    bool wanted = false;
    if (info->Focused) {
        if ((!IsInplace || properties->ShowsCaptionInplace()) && !centred) wanted = true;
        // A host asks for a focus frame of an in-place editor through its paint flags; none here.
    }
    if (!wanted) return;
    if (centred) {
        info->FocusRect = info->ClientRect;
        InflateRect(&info->FocusRect, -1, -1);
    } else if (!info->Text.empty()) {
        TRect r = info->TextRect;
        if (!properties->GetFullFocusRect()) {
            canvas->SelectFont(info->Font);
            canvas->CalcTextBounds(info->Text, r, info->CaptionFlags);
        }
        InflateRect(&r, 1, 1);
        info->FocusRect = r;
    }
    if (IsEmptyRect(info->FocusRect)) return;
    if (centred) {
        info->FocusRect.top = std::max(info->FocusRect.top, info->ClientRect.top);
        info->FocusRect.bottom = std::min(info->FocusRect.bottom, info->ClientRect.bottom);
    } else {
        TRect limit = info->TextRect;
        if (IsInplace) {
            InflateRect(&limit, 1, -1);
        } else {
            InflateRect(&limit, 1, 1);
        }
        IntersectRect(&info->FocusRect, &info->FocusRect, &limit);
        info->FocusRect.right = std::min(info->FocusRect.right, info->BorderRect.right - 1);
    }
}

void TqzCustomCheckBoxViewData::EditValueToViewInfo(TqzCanvas* canvas, const Variant& editValue,
                                                    TqzCustomEditViewInfo* viewInfo) {
    auto* info = static_cast<TqzCustomCheckBoxViewInfo*>(viewInfo);
    info->CheckState = IsPreview ? cbsChecked : GetCheckProperties()->GetEditValueState(editValue);
    if (IsInplace && !GetCheckProperties()->ShowsCaptionInplace()) info->Text.clear();
    CalculateStateParts(canvas, info);
}

void TqzCustomCheckBoxViewData::CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                                          TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    inherited::CalculateConstantPartSize(canvas, isInplace, size, viewInfo, minContentSize);
    auto* info = dynamic_cast<TqzCustomCheckBoxViewInfo*>(viewInfo);
    if (!info) return;
    const TRect& glyph = info->CheckGlyphRect;
    const bool native = info->NativeStyle;
    const bool centred = info->CaptionAlignment == taCenter;
    Integer width = glyph.right - glyph.left;
    if (isInplace) {
        if (!centred && !info->Text.empty()) {
            canvas->SelectFont(FStyle->GetEffectiveFont());
            width = canvas->TextWidthOf(RemoveAcceleratorPrefixes(info->Text)) +
                    (info->TextRect.left - info->Bounds.left) + (info->Bounds.right - info->TextRect.right);
        } else {
            width = glyph.right - glyph.left + 4;
        }
    }
    Integer height = glyph.bottom - glyph.top;
    if (isInplace)
        height += 2 * (1 - info->GlyphInset);
    else if (!native)
        height += 4;
    TqzEditSizeParameters parameters;
    if (Edit) Edit->GetSizeParameters(parameters);
    const String text = (centred || isInplace) ? String("Gg") : RemoveAcceleratorPrefixes(info->Text);
    TSize textSize{0, 0};
    CalculateEditTextSize(canvas, this, text.empty() ? String("Gg") : text, textSize, false,
                          parameters.MaxLineCount, parameters,
                          Integer(TextFlagsToDrawTextFlags(GetCaptionTextFlags())));
    height = std::max(height, textSize.cy);
    size.cx += width;
    size.cy += height;
}

// ---- View info ---------------------------------------------------------------------------------

void TqzCustomCheckBoxViewInfo::CopyFrom(TqzContainerViewInfo* source) {
    inherited::CopyFrom(source);
    if (auto* other = dynamic_cast<TqzCustomCheckBoxViewInfo*>(source)) {
        CheckGlyphState = other->CheckGlyphState;
        ThemeStateId = other->ThemeStateId;
    }
}

std::unique_ptr<TqzRegion> TqzCustomCheckBoxViewInfo::GetChangedRegion(TqzContainerViewInfo* oldInfo) {
    std::unique_ptr<TqzRegion> region = inherited::GetChangedRegion(oldInfo);
    auto* old = dynamic_cast<TqzCustomCheckBoxViewInfo*>(oldInfo);
    if (old && (old->CheckGlyphState != CheckGlyphState || old->ThemeStateId != ThemeStateId)) {
        if (!region) region = std::make_unique<TqzRegion>();
        region->Combine(std::make_unique<TqzRegion>(CheckGlyphRect), roUnion);
    }
    return region;
}

void TqzCustomCheckBoxViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    OffsetRect(&CheckGlyphRect, dx, dy);
    OffsetRect(&FocusRect, dx, dy);
}

bool TqzCustomCheckBoxViewInfo::InvalidateChangesInRect(TWinControl* control, const TRect& innerRect,
                                                        TqzCustomEditViewInfo* old) {
    bool changed = inherited::InvalidateChangesInRect(control, innerRect, old);
    auto* previous = dynamic_cast<TqzCustomCheckBoxViewInfo*>(old);
    if (!previous || previous->CheckGlyphState != CheckGlyphState || previous->ThemeStateId != ThemeStateId) {
        if (control && control->HandleAllocated()) {
            TRect r = CheckGlyphRect;
            OffsetRect(&r, Origin.x, Origin.y);
            InvalidateFrameBetween(control->GetHandle(), r, TRect{}, false);
        }
        changed = true;
    }
    return changed;
}

void TqzCustomCheckBoxViewInfo::PaintBackground(TqzCanvas* canvas) {
    auto* edit = dynamic_cast<TqzCustomEdit*>(EditControl);
    // 1. See-through background.
    const bool transparent =
        NoBackground || (!IsInplace && edit && (edit->HasOwnBackground() || edit->UsesTransparentProperty()));
    TransparentBackground = transparent;
    // 2.
    canvas->SetBrushColor(BackgroundColor);
    HDC dc = canvas->DeviceContext();
    {
        TClipScope clip(dc);
        // 3. The glyph is cut out unless the background must show through it.
        bool partlySeeThrough = HasUserGlyph;
        if (!partlySeeThrough && ThemeStateId != 0)
            partlySeeThrough =
                UxIsThemeBackgroundPartiallyTransparent(OpenThemeForType(ttButton), kCheckBoxPart, ThemeStateId);
        if (!NoBackground && !(transparent && partlySeeThrough)) {
            TRect cut = CheckGlyphRect;
            InflateRect(&cut, -GlyphInset, -GlyphInset);
            canvas->ExcludeClipArea(cut);
        }
        // 4. Background.
        if (!IsInplace && edit && edit->HasOwnBackground()) {
            RECT r = Bounds;
            UxDrawThemeParentBackground(edit->GetHandle(), dc, &r);
        } else if (!IsInplace && edit && edit->UsesTransparentProperty()) {
            PaintParentImageBehind(edit, canvas, Bounds);
        } else if (!IsInplace) {
            if (!NativeStyle)
                DrawEditBackgroundAndButtons(canvas, this, true, 0);
            else
                FillRectWithColor(canvas, Bounds, BackgroundColor);
        } else if (!NoBackground) {
            FillRectWithColor(canvas, Bounds, BackgroundColor);
        }
    }
    // 5. The glyph.
    DrawCheckGlyph(canvas, CheckGlyphRect, CheckState, NullValueShowingStyle, Focused, IsDesigning, true,
                   transparent ? clNone : BackgroundColor, BorderColor, NativeStyle, GlyphBorderStyle,
                   UserGlyphCount, HasUserGlyph ? UserGlyph : nullptr, CheckGlyphState);
    // 6. The caption and the focus frame.
    if (CaptionAlignment != taCenter) PaintContent(canvas);
    if (!IsEmptyRect(FocusRect)) canvas->DrawFocusFrame(FocusRect);
}

void TqzCustomCheckBoxViewInfo::PaintContent(TqzCanvas* canvas) {
    if (Text.empty()) return;
    canvas->SelectFont(Font);
    canvas->CurrentFont()->SetColor(TextColor);
    canvas->CurrentBrush()->SetStyle(bsClear);
    const bool plain = IsContainerInnerControl || Enabled || TextColorAssigned || NativeStyle;
    canvas->OutputText(Text, TextRect, plain, CaptionFlags);
    canvas->CurrentBrush()->SetStyle(bsSolid);
}

// ---- Glyph drawing -----------------------------------------------------------------------------

void DrawCheckGlyph(TqzCanvas* canvas, const TRect& rect, TqzCheckBoxState state,
                    TqzCheckBoxNullValueShowingStyle nullStyle, bool focused, bool designing, bool opaque,
                    TColor backgroundColor, TColor borderColor, bool native, TqzEditBorderStyle borderStyle,
                    Integer glyphCount, TBitmap* glyph, TqzCheckGlyphState glyphState) {
    // 1.
    if (state == cbsGrayed && nullStyle == nssUnchecked) state = cbsUnchecked;
    HDC dc = canvas->DeviceContext();
    // 2. The user's strip.
    if (glyph && !glyph->GetEmpty() && glyphCount > 0) {
        const Integer index = CheckGlyphImageIndex(state, glyphState, glyphCount);
        const Integer imageWidth = glyph->GetWidth() / glyphCount;
        const Integer width = std::min<Integer>(imageWidth, rect.right - rect.left);
        const Integer height = std::min<Integer>(glyph->GetHeight(), rect.bottom - rect.top);
        if (width <= 0 || height <= 0) return;
        TBitmap image;
        image.SetSize(width, height);
        const Integer top = (glyph->GetHeight() - height) / 2;
        image.GetCanvas()->CopyRect(TRect{0, 0, width, height}, glyph->GetCanvas(),
                                    TRect{index * imageWidth, top, index * imageWidth + width, top + height});
        image.SetTransparent(true);
        image.SetTransparentColor(glyph->GetCanvas()->GetPixels(0, glyph->GetHeight() - 1));
        DrawTransparentGlyph(canvas, rect.left, rect.top, nullptr, backgroundColor, glyphState != cgsDisabled,
                             &image);
        return;
    }
    // 3. Native.
    if (native) {
        RECT r = rect;
        UxDrawThemePart(OpenThemeForType(ttButton), dc, kCheckBoxPart, CheckBoxThemeState(state, glyphState), &r,
                        nullptr);
        return;
    }
    // 4. The classic frame.
    TRect r = rect;
    const Integer inset = 2 - FrameWidthOf(borderStyle);
    if (opaque && inset > 0 && backgroundColor != clNone) canvas->FrameSides(r, backgroundColor, 15, inset);
    if (inset > 0) InflateRect(&r, -inset, -inset);
    const bool lit = glyphState == cgsHot || glyphState == cgsPressed || (designing && glyphState != cgsDisabled) ||
                     (glyphState == cgsNormal && focused);
    switch (borderStyle) {
    case ebsNone:
        break;
    case ebsSingle:
        canvas->FrameSides(r, borderColor, 15, 1);
        break;
    case ebsThick:
        canvas->FrameSides(r, borderColor, 15, 2);
        break;
    case ebsFlat:
    case ebs3D: {
        canvas->DrawTwoColorFrame(r, clBtnShadow, 1, 15, clBtnHighlight);
        TRect inner = r;
        InflateRect(&inner, -1, -1);
        if (borderStyle == ebsFlat)
            canvas->FrameSides(inner, clBtnFace, 15, 1);
        else
            canvas->DrawTwoColorFrame(inner, cl3DDkShadow, 1, 15, cl3DLight);
        break;
    }
    case ebsUltraFlat:
    case ebsOffice11: {
        const bool office = borderStyle == ebsOffice11;
        TColor color = clBtnShadow;
        if (lit)
            color = GetHighlightBorderColor(office);
        else if (office && glyphState == cgsNormal && !focused && !designing)
            color = clBtnText;
        canvas->FrameSides(r, color, 15, 1);
        break;
    }
    }
    // 5. The mark.
    TRect markRect = r;
    InflateRect(&markRect, -2, -2);
    if (borderStyle == ebsUltraFlat || borderStyle == ebsOffice11) {
        const bool office = borderStyle == ebsOffice11;
        TColor face = clWindow;
        if (glyphState == cgsHot || glyphState == cgsPressed)
            face = GetFlatButtonStateColor(glyphState == cgsPressed, office);
        else if (glyphState == cgsDisabled || (state == cbsGrayed && nullStyle == nssInactive))
            face = clBtnFace;
        FillRectWithColor(canvas, markRect, face);
        const bool marked = state == cbsChecked || (state == cbsGrayed && nullStyle == nssGrayedChecked);
        TBitmap* mask = CheckMarkMask();
        if (marked && mask) {
            TClipScope clip(dc);
            canvas->IntersectClipArea(markRect);
            const TColor markColor = (glyphState == cgsDisabled || state == cbsGrayed) ? clBtnShadow : clBtnText;
            HBRUSH brush = CreateSolidBrush(ColorToRGB(markColor));
            HGDIOBJ oldBrush = SelectObject(dc, brush);
            const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
            const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
            BitBlt(dc, r.left, r.top, mask->GetWidth(), mask->GetHeight(), mask->GetCanvas()->GetHandle(), 0, 0,
                   kBrushWhereMaskBlack);
            SetTextColor(dc, oldText);
            SetBkColor(dc, oldBack);
            SelectObject(dc, oldBrush);
            DeleteObject(brush);
        }
        return;
    }
    UINT flags = DFCS_BUTTONCHECK;
    if (borderStyle != ebs3D) flags |= DFCS_FLAT;
    if (glyphState != cgsDisabled) {
        if (state == cbsChecked) flags |= DFCS_CHECKED;
        if (state == cbsGrayed) {
            flags |= DFCS_BUTTON3STATE;
            if (nullStyle == nssInactive) flags |= DFCS_INACTIVE;
            if (nullStyle == nssGrayedChecked) flags |= DFCS_CHECKED;
        }
        if (glyphState == cgsPressed) flags |= DFCS_PUSHED;
    } else {
        flags |= DFCS_BUTTON3STATE | DFCS_PUSHED;
        if (state == cbsUnchecked || (state == cbsGrayed && nullStyle != nssGrayedChecked))
            flags |= DFCS_INACTIVE;
        else
            flags |= DFCS_CHECKED;
    }
    TClipScope clip(dc);
    canvas->IntersectClipArea(markRect);
    RECT whole = rect;
    DrawFrameControl(dc, &whole, DFC_BUTTON, flags);
}

// ---- Action link -------------------------------------------------------------------------------

bool TqzCheckBoxActionLink::IsCheckedLinked() {
    auto* box = dynamic_cast<TqzCustomCheckBox*>(FClient);
    auto* action = dynamic_cast<TCustomAction*>(GetAction());
    return TControlActionLink::IsCheckedLinked() && box && action && box->GetState() != cbsGrayed &&
           box->GetChecked() == action->GetChecked();
}

void TqzCheckBoxActionLink::SetChecked(bool value) {
    if (!IsCheckedLinked()) return;
    auto* box = static_cast<TqzCustomCheckBox*>(FClient);
    box->LockClick(true);
    box->LockChangeEvents(true);
    try {
        box->SetChecked(value);
    } catch (...) {
        box->LockChangeEvents(false, false);
        box->LockClick(false);
        throw;
    }
    box->LockChangeEvents(false, false);
    box->LockClick(false);
}

// ---- The check box -----------------------------------------------------------------------------

TqzCustomCheckBox::TqzCustomCheckBox(TComponent* owner, bool isInplace) : TqzCustomEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomCheckBox::TqzCustomCheckBox(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomEdit(owner, isInplace, deferInitialization) {}

void TqzCustomCheckBox::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csDoubleClicks);
    SetControlStyle(style);
    SetWidth(121);
    FEditValue = GetCheckProperties()->GetValueUnchecked();
    SetParentBackground(true);
}

TqzContainerStyleValues TqzCustomCheckBox::GetHiddenStyleValues() {
    TqzContainerStyleValues values = inherited::GetHiddenStyleValues();
    values.Include(svEdges);
    return values;
}

bool TqzCustomCheckBox::HasOwnBackground() {
    return IsNativeStyle() && GetParentBackground() && !IsInplace() && !GetTransparent();
}

TqzCheckBoxState TqzCustomCheckBox::GetState() {
    return GetActiveCheckProperties()->GetEditValueState(GetEditValue());
}

void TqzCustomCheckBox::SetState(TqzCheckBoxState value) {
    if (GetComponentState().Contains(csLoading) || FIsLoadingState) {
        FPendingState = value;
        FHasPendingState = true;
        return;
    }
    if (value == GetState()) return;
    Variant editValue;
    bool valid = true;
    DisplayToEditValue(Variant(Integer(value)), editValue, valid);
    SetEditValueAsUser(editValue);
}

void TqzCustomCheckBox::SetChecked(bool value) { SetState(value ? cbsChecked : cbsUnchecked); }

bool TqzCustomCheckBox::IsStateStored() {
    TBasicAction* action = GetAction();
    const TqzCheckBoxState state = GetState();
    if (!action) return state != cbsUnchecked;
    if (auto* custom = dynamic_cast<TCustomAction*>(action))
        return state == cbsGrayed || GetChecked() != custom->GetChecked();
    return false;
}

void TqzCustomCheckBox::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) {
    isValid = true;
    TqzCustomCheckBoxProperties* properties = GetActiveCheckProperties();
    const Integer state = VarIsOrdinal(displayValue) ? Integer(displayValue.AsInt64()) : -1;
    switch (state) {
    case 0:
        editValue = properties->GetValueUnchecked();
        break;
    case 1:
        editValue = properties->GetValueChecked();
        break;
    case 2:
        editValue = properties->GetValueGrayed();
        break;
    default:
        editValue = Unassigned();
    }
}

void TqzCustomCheckBox::ApplyEditValue(const Variant& value, bool prepare) {
    const TqzCheckBoxState before = GetState();
    const TLivenessToken alive = LivenessToken();
    inherited::ApplyEditValue(value, prepare);
    if (!alive) return;
    const TqzCheckBoxState after = GetState();
    if (after != before) {
        GetCheckViewInfo()->CheckState = after;
        Click();
        if (!alive) return;
        NotifyChange();
        if (!alive) return;
    }
    UpdateViewAtCursor();
}

void TqzCustomCheckBox::Toggle() {
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true);
    try {
        TFlagScope user(FUserChange, true);
        switch (GetState()) {
        case cbsUnchecked:
            SetState(GetActiveCheckProperties()->GetAllowGrayed() ? cbsGrayed : cbsChecked);
            break;
        case cbsChecked:
            SetState(cbsUnchecked);
            break;
        case cbsGrayed:
            SetState(cbsChecked);
            break;
        }
    } catch (...) {
        if (alive) LockChangeEvents(false);
        throw;
    }
    if (!alive) return;
    LockChangeEvents(false);
    if (!alive) return;
    if (GetPropertiesInUse()->ImmediatePost && HasPendingModification() && ValidateEditing())
        PostEditValue(false);
}

void TqzCustomCheckBox::InvalidateGlyph() {
    if (!HandleAllocated()) return;
    InvalidateFrameBetween(GetHandle(), GetCheckViewInfo()->CheckGlyphRect, TRect{}, false);
}

void TqzCustomCheckBox::HandleButtonStateChange(TqzCustomEditViewInfo* oldViewInfo) {
    auto* old = dynamic_cast<TqzCustomCheckBoxViewInfo*>(oldViewInfo);
    if (old && old->CheckGlyphState == cgsPressed && GetCheckViewInfo()->CheckGlyphState == cgsHot) Toggle();
}

void TqzCustomCheckBox::HandleEditKeyDown(Word& key, TShiftState shift) {
    const TqzCheckGlyphState glyph = GetCheckViewInfo()->CheckGlyphState;
    if (key == VK_SPACE && (glyph == cgsNormal || glyph == cgsHot)) {
        FKeyPressed = true;
        GetCheckViewInfo()->CheckGlyphState = cgsPressed;
        UpdateViewAtCursor();
        key = 0;
        return;
    }
    inherited::HandleEditKeyDown(key, shift);
}

void TqzCustomCheckBox::HandleEditKeyUp(Word& key, TShiftState shift) {
    if (key == VK_SPACE && GetCheckViewInfo()->CheckGlyphState == cgsPressed) {
        FKeyPressed = false;
        GetCheckViewInfo()->CheckGlyphState = cgsNormal;
        InvalidateGlyph();
        UpdateViewAtCursor();
        Toggle();
        return;
    }
    inherited::HandleEditKeyUp(key, shift);
}

void TqzCustomCheckBox::HandleEditKeyPress(char32_t& ch) {
    if (IsInplace() && ch == U' ' && GetCheckViewInfo()->CheckGlyphState == cgsNormal) {
        Toggle();
        ch = 0;
        return;
    }
    inherited::HandleEditKeyPress(ch);
}

void TqzCustomCheckBox::DoExit() {
    FKeyPressed = false;
    inherited::DoExit();
}

void TqzCustomCheckBox::GetSizeParameters(TqzEditSizeParameters& parameters) {
    parameters.MaxLineCount = GetActiveCheckProperties()->GetMultiLine() ? 0 : 1;
    const TRect& r = GetCheckViewInfo()->TextRect;
    parameters.Width = r.right - r.left;
}

void TqzCustomCheckBox::Loaded() {
    FIsLoadingState = true;
    LockChangeEvents(true);
    LockClick(true);
    try {
        inherited::Loaded();
        FIsLoadingState = false;
        if (FHasPendingState) {
            FHasPendingState = false;
            SetState(FPendingState);
        } else if (!IsDataBound()) {
            SetState(cbsUnchecked);
        }
    } catch (...) {
        FIsLoadingState = false;
        LockClick(false);
        LockChangeEvents(false, false);
        throw;
    }
    LockClick(false);
    LockChangeEvents(false, false);
}

void TqzCustomCheckBox::ApplyActiveProperties(TObject* properties) {
    TqzCustomCheckBoxProperties* active = GetActiveCheckProperties();
    if (active && !IsEditorDestroying()) {
        if (active->GetIsCaptionAssigned()) {
            SetCaption(active->GetCaption());
            active->SetIsCaptionAssigned(false);
        }
        const TqzCheckBoxState state = GetState();
        if (GetCheckViewInfo()->CheckState != state) {
            GetCheckViewInfo()->CheckState = state;
            InvalidateGlyph();
            if (!GetChangeEventsCatcher()->IsLocked()) {
                const TLivenessToken alive = LivenessToken();
                Click();
                if (!alive) return;
                NotifyChange();
                if (!alive) return;
            }
        }
    }
    inherited::ApplyActiveProperties(properties);
}

void TqzCustomCheckBox::ActionChange(TObject* sender, bool checkDefaults) {
    inherited::ActionChange(sender, checkDefaults);
    if (FHasPendingState && (GetComponentState().Contains(csLoading) || FIsLoadingState)) return;
    if (auto* action = dynamic_cast<TCustomAction*>(sender)) {
        if (!checkDefaults || GetState() == cbsUnchecked) {
            if (auto* link = dynamic_cast<TqzCheckBoxActionLink*>(GetActionLink()))
                link->SetChecked(action->GetChecked());
        }
    }
}

TControlActionLink* TqzCustomCheckBox::CreateActionLink() { return new TqzCheckBoxActionLink(this); }

void TqzCustomCheckBox::WMLButtonUp(TMessage& message) {
    TControlState state = GetControlState();
    state.Exclude(csClicked);
    SetControlState(state);
    KOV_INHERITED(message);
}

void TqzCustomCheckBox::CMDialogChar(TMessage& message) {
    const TWMKey key = TWMKey::From(message);
    if (IsAccel(key.CharCode, GetCaption()) && CanFocus()) {
        SetFocus();
        if (Focused()) Toggle();
        message.Result = 1;
        return;
    }
    KOV_INHERITED(message);
}

void TqzCustomCheckBox::CMParentColorChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (GetCheckViewInfo()->NativeStyle && GetParentBackground()) Invalidate();
}

void TqzCustomCheckBox::CMTextChanged(TMessage& message) {
    KOV_INHERITED(message);
    GetCheckViewInfo()->Text = GetCaption();
    UpdateViewAtCursor();
    Invalidate();
}

KOV_MESSAGE_MAP(TqzCustomCheckBox) {
    map.Message(WM_LBUTTONUP, &TqzCustomCheckBox::WMLButtonUp);
    map.Message(CM_DIALOGCHAR, &TqzCustomCheckBox::CMDialogChar);
    map.Message(CM_PARENTCOLORCHANGED, &TqzCustomCheckBox::CMParentColorChanged);
    map.Message(CM_TEXTCHANGED, &TqzCustomCheckBox::CMTextChanged);
}

KOV_PUBLISHED(TqzCustomCheckBox) {}

TqzCheckBox::TqzCheckBox(TComponent* owner) : TqzCustomCheckBox(owner, false, true) { InitializeEditor(); }

TqzCheckBox::TqzCheckBox(TComponent* owner, bool isInplace) : TqzCustomCheckBox(owner, isInplace, true) {
    InitializeEditor();
}

// ---- Streaming ---------------------------------------------------------------------------------

KOV_PUBLISHED(TqzCustomCheckBoxProperties) {}

KOV_PUBLISHED(TqzCheckBoxProperties) {
    Property("Alignment", &TqzCheckBoxProperties::GetHorzAlignment, &TqzCheckBoxProperties::SetHorzAlignment)
        .Stored(&TqzCheckBoxProperties::IsHorzAlignmentStored);
    Property("AllowGrayed", &TqzCheckBoxProperties::GetAllowGrayed, &TqzCheckBoxProperties::SetAllowGrayed)
        .Default(false);
    Property("DisplayChecked", &TqzCheckBoxProperties::GetDisplayChecked, &TqzCheckBoxProperties::SetDisplayChecked)
        .Stored(&TqzCheckBoxProperties::IsDisplayCheckedStored);
    Property("DisplayGrayed", &TqzCheckBoxProperties::GetDisplayGrayed, &TqzCheckBoxProperties::SetDisplayGrayed)
        .Stored(&TqzCheckBoxProperties::IsDisplayGrayedStored);
    Property("DisplayUnchecked", &TqzCheckBoxProperties::GetDisplayUnchecked,
             &TqzCheckBoxProperties::SetDisplayUnchecked)
        .Stored(&TqzCheckBoxProperties::IsDisplayUncheckedStored);
    Property("FullFocusRect", &TqzCheckBoxProperties::GetFullFocusRect, &TqzCheckBoxProperties::SetFullFocusRect)
        .Default(false);
    Property("Glyph", &TqzCheckBoxProperties::GetGlyph, &TqzCheckBoxProperties::SetGlyph)
        .Stored(&TqzCheckBoxProperties::IsGlyphStored);
    Property("GlyphCount", &TqzCheckBoxProperties::GetGlyphCount, &TqzCheckBoxProperties::SetGlyphCount)
        .Default(Integer(6));
    Property("MultiLine", &TqzCheckBoxProperties::GetMultiLine, &TqzCheckBoxProperties::SetMultiLine)
        .Default(false);
    Property("NullStyle", &TqzCheckBoxProperties::GetNullStyle, &TqzCheckBoxProperties::SetNullStyle)
        .Default(nssGrayedChecked);
    Property("UseAlignmentWhenInplace", &TqzCheckBoxProperties::GetUseAlignmentWhenInplace,
             &TqzCheckBoxProperties::SetUseAlignmentWhenInplace)
        .Default(false);
    Property("ValueChecked", &TqzCheckBoxProperties::GetValueChecked, &TqzCheckBoxProperties::SetValueChecked)
        .Stored(&TqzCheckBoxProperties::IsValueCheckedStored);
    Property("ValueGrayed", &TqzCheckBoxProperties::GetValueGrayed, &TqzCheckBoxProperties::SetValueGrayed)
        .Stored(&TqzCheckBoxProperties::IsValueGrayedStored);
    Property("ValueUnchecked", &TqzCheckBoxProperties::GetValueUnchecked, &TqzCheckBoxProperties::SetValueUnchecked)
        .Stored(&TqzCheckBoxProperties::IsValueUncheckedStored);
}

KOV_PUBLISHED(TqzCheckBox) {
    Property("Checked", &TqzCheckBox::GetChecked, &TqzCheckBox::SetChecked).Stored(false);
    Property("State", &TqzCheckBox::GetState, &TqzCheckBox::SetState).Stored(&TqzCheckBox::IsStateStored);
    Property("Properties", &TqzCheckBox::GetCheckBoxProperties, &TqzCheckBox::SetCheckBoxProperties);
    Property("Transparent", &TqzCheckBox::GetTransparent, &TqzCheckBox::SetTransparent).Default(false);
    Property("ParentBackground", &TqzCheckBox::GetParentBackground, &TqzCheckBox::SetParentBackground)
        .Default(true);
}

namespace {
void RegisterCheckBoxProperties() {
    GetEditPropertiesRegistry()->Register(TqzCheckBoxProperties::StaticClass(),
                                          "CheckBox|Represents a check box control that allows selecting an option");
}
const bool kCheckBoxRegistered = [] {
    RegisterEnum<TqzCheckBoxState>("TqzCheckBoxState", {"cbsUnchecked", "cbsChecked", "cbsGrayed"});
    RegisterEnum<TqzCheckBoxNullValueShowingStyle>("TqzCheckBoxNullValueShowingStyle",
                                                   {"nssUnchecked", "nssInactive", "nssGrayedChecked"});
    RegisterInterfacedPersistentClass<TqzCustomCheckBoxProperties>();
    RegisterInterfacedPersistentClass<TqzCheckBoxProperties>();
    RegisterClasses({TqzCheckBox::StaticClass()});
    RegisterCheckBoxProperties();
    return true;
}();
} // namespace
