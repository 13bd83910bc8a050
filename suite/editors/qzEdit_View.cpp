// Editor view data and view info.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr Integer UnboundedCoordinate = 0x7FFFFFFF;
// The edit text part of the edit theme and its fill colour property.
constexpr int EditTextPart = 1;
constexpr int ThemeFillColorProperty = 3802;

Integer RectWidth(const TRect& r) { return r.right - r.left; }
Integer RectHeight(const TRect& r) { return r.bottom - r.top; }

bool RectEmpty(const TRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool RectsEqual(const TRect& a, const TRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool PointIn(const TRect& r, const TPoint& p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

void OffsetBy(TRect& r, Integer dx, Integer dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

// r less the extent on each side.
TRect Deflated(const TRect& r, const TRect& extent) {
    return TRect{r.left + extent.left, r.top + extent.top, r.right - extent.right, r.bottom - extent.bottom};
}

TRect AllSides(Integer width) { return TRect{width, width, width, width}; }

TShiftState MousePart(TShiftState shift) {
    TShiftState result;
    for (TShiftStateItem item : {ssLeft, ssRight, ssMiddle, ssDouble})
        if (shift.Contains(item)) result.Include(item);
    return result;
}

bool AnyMouseButtonHeld(TShiftState shift) {
    return shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
}

} // namespace

// ---- TqzCustomEditViewData -------------------------------------------------------------------

TqzCustomEditViewData::TqzCustomEditViewData(TqzCustomEditProperties* properties, TqzCustomEditStyle* style,
                                             bool isInplace)
    : FProperties(properties), FStyle(style), IsInplace(isInplace) {}

TqzCustomEditViewData::~TqzCustomEditViewData() = default;

void TqzCustomEditViewData::AfterCreate() {
    InitializeState();
    SelTextColor = TColor(0x20000000);
    SelBackgroundColor = TColor(0x20000000);
    InitializeFromProperties();
}

TqzCustomEditViewData* TqzCustomEditViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                             TqzCustomEditStyle* style, bool isInplace) {
    return CreateEditViewData<TqzCustomEditViewData>(properties, style, isInplace);
}

TqzEditButtons* TqzCustomEditViewData::GetButtons() const { return FProperties->GetButtons(); }

TqzCustomEditStyle* TqzCustomEditViewData::NormalStyle() {
    return static_cast<TqzCustomEditStyle*>(FStyle->GetBaseStyle());
}

void TqzCustomEditViewData::CalculateButtonNativeInfo(TqzEditButtonViewInfo* buttonViewInfo) {
    CalcButtonThemeInfo(buttonViewInfo);
}

Integer TqzCustomEditViewData::GetContainerState(const TRect& bounds, const TPoint& p, Integer button,
                                                 TShiftState shift, bool isMouseEvent) {
    if (!Enabled) return qzcsDisabled;
    if (IsDesigning) return qzcsNormal;
    Integer state = IsEditFocused() ? qzcsFocused : qzcsNormal;
    if (PointIn(GetHotZone(bounds), p) && (!AnyMouseButtonHeld(shift) || HoldsMouseCapture())) state |= qzcsHot;
    return state;
}

void TqzCustomEditViewData::GetContentOffsets(TRect& offsets) { offsets = qzEditContentOffsets[IsInplace ? 1 : 0]; }

void TqzCustomEditViewData::InitializeFromProperties() {
    ButtonVisibleCount = FProperties->GetButtons()->GetVisibleCount();
    EditValueSourceIsValue = FProperties->GetEditValueSource(false) == 0;
    TqzEditAlignment* alignment = FProperties->GetAlignment();
    HorzAlignment = alignment->GetHorz();
    VertAlignment = alignment->GetVert();
    NativeStyle = UsesNativeStyle(FStyle->GetLookAndFeel());
    GetContentParams(ContentParams);
}

bool TqzCustomEditViewData::GetContentParams(TqzEditContentParams& params) {
    params.ExternalBorderBounds = TRect{};
    GetContentOffsets(params.Offsets);
    params.Options = 0;
    params.ExtraHorzMargin = 3 - params.Offsets.left - params.Offsets.right;
    params.HeightCorrection = NativeStyle ? NativeInnerEditHeightCorrection(FProperties, IsInplace) : 0;
    return false;
}

void TqzCustomEditViewData::InitializeState() {
    InplaceEditOffsets = TRect{};
    Enabled = true;
}

void TqzCustomEditViewData::CalculateConstantPartSize(TqzCanvas* canvas, bool isInplace, TSize& size,
                                                      TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    size.cx = RectWidth(viewInfo->Bounds) - RectWidth(viewInfo->ClientRect);
    size.cy = RectHeight(viewInfo->Bounds) - RectHeight(viewInfo->ClientRect);
    minContentSize = TSize{0, 0};
    Integer tallest = -1;
    bool fontSelected = false;
    for (Integer i = 0; i < viewInfo->GetButtonCount(); ++i) {
        TqzEditButtonViewInfo* button = viewInfo->GetButtonInfo(i);
        if (button->Data.Kind == bkGlyph && IsBitmapUsable(button->Glyph)) {
            tallest = std::max(tallest, Integer(button->Glyph->GetHeight()));
        } else if (isInplace && canvas && button->Data.Kind == bkText && !button->Data.Caption.empty()) {
            if (!fontSelected) {
                canvas->SelectFont(FStyle->GetEffectiveFont());
                viewInfo->AdjustPaintFont(canvas->CurrentFont());
                fontSelected = true;
            }
            tallest = std::max(tallest, canvas->TextHeightOf(button->Data.VisibleCaption));
        }
    }
    if (tallest < 0) return;
    TRect extent;
    GetButtonsOnlyBorderExtent(canvas, extent);
    minContentSize.cy =
        std::max<Integer>(0, tallest + extent.top + extent.bottom + EditButtonVerticalFrame(canvas, viewInfo) - size.cy);
}

void TqzCustomEditViewData::CalculateContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                                 const TqzEditSizeParameters& sizeParameters) {
    size = TSize{0, 0};
}

void TqzCustomEditViewData::CalculateStateAndBorder(const TRect& bounds, const TPoint& p, Integer button,
                                                    TShiftState shift, TqzCustomEditViewInfo* viewInfo,
                                                    bool isMouseEvent) {
    viewInfo->ContainerState = GetContainerState(bounds, p, button, shift, isMouseEvent);
    EditFocusedOrHot = (viewInfo->ContainerState & (qzcsFocused | qzcsHot)) != 0;
    if (IsDesigning || !NormalStyle()->GetHotTrack() || IsInplace)
        viewInfo->HotTrackState = qzhsNone;
    else
        viewInfo->HotTrackState = EditFocusedOrHot ? qzhsHighlighted : qzhsNormal;
    viewInfo->HotState = viewInfo->HotTrackState;
    UseActiveStyle();
    if (NativeStyle && !IsInplace)
        viewInfo->EditBorderStyle = NormalStyle()->GetEditBorderStyle();
    else
        viewInfo->EditBorderStyle = GetEffectiveBorderStyle();
}

void TqzCustomEditViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                      TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    shift = MousePart(shift);
    const Integer oldBorderWidth = GetContainerBorderWidth(TqzContainerBorderStyle(viewInfo->EditBorderStyle));
    CalculateStateAndBorder(bounds, p, button, shift, viewInfo, isMouseEvent);
    if (!IsInplace && !NativeStyle &&
        GetContainerBorderWidth(TqzContainerBorderStyle(viewInfo->EditBorderStyle)) < oldBorderWidth)
        CalculateStateAndBorder(bounds, p, button, shift, viewInfo, isMouseEvent);

    viewInfo->BorderStyle = TqzContainerBorderStyle(viewInfo->EditBorderStyle);
    ContainerState = viewInfo->ContainerState;
    viewInfo->Properties = FProperties;

    const Byte layout = FProperties->GetButtonsLayout();
    ButtonsFill = IsInplace ? layout != 0 && bounds.right != UnboundedCoordinate : layout == 1;

    Bounds = bounds;
    viewInfo->Bounds = bounds;
    viewInfo->Enabled = Enabled;
    viewInfo->Focused = Focused;
    CalculateEditorFlags(viewInfo);
    viewInfo->IsDesigning = IsDesigning;
    viewInfo->IsInplace = IsInplace;
    viewInfo->HasInplaceOffsets = !RectsEqual(InplaceEditOffsets, TRect{});
    viewInfo->DrawTextFlags = 0;
    if (!RectEmpty(ContentParams.ExternalBorderBounds)) viewInfo->DrawTextFlags |= qzedfContentBounds;
    if (ContentParams.Options & 1) viewInfo->DrawTextFlags |= qzedfContentFrame;

    viewInfo->Edges = FStyle->GetEdges();
    viewInfo->Font = FStyle->IsDirectAccess() ? FStyle->GetFont() : FStyle->GetEffectiveFont();
    viewInfo->Shadow = !IsInplace && HasShadow();
    viewInfo->WindowHandle = WindowHandle;

    CalculateViewInfoBorders(viewInfo);
    CalculateButtons(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);

    TRect extent;
    GetClientExtent(canvas, viewInfo, extent);
    viewInfo->ClientRect = Deflated(bounds, extent);
    viewInfo->InnerEditRect = GetInnerEditBounds(viewInfo->ClientRect);

    TqzEditPopupBorderStyle popupBorder = FStyle->GetPopupBorderStyle();
    if (popupBorder == epbsDefault) {
        if (IsInplace) {
            switch (FStyle->GetLookAndFeel()->GetKind()) {
            case lfFlat:
                popupBorder = epbsFlat;
                break;
            case lfStandard:
                popupBorder = epbsFrame3D;
                break;
            default:
                popupBorder = epbsSingle;
                break;
            }
        } else {
            const TqzEditBorderStyle bs = viewInfo->EditBorderStyle;
            popupBorder = bs == ebsNone || bs == ebsFlat ? epbsFlat : epbsSingle;
        }
    }
    viewInfo->PopupBorderStyle = popupBorder;
}

TColor TqzCustomEditViewData::CalculateBorderColor() {
    const TqzEditBorderStyle style = FStyle->GetEditBorderStyle();
    if (style != ebsUltraFlat && style != ebsOffice11) return FStyle->GetBorderColor();
    const bool highlighted = (ContainerState & qzcsFocused) != 0 ||
                             ((ContainerState & qzcsHot) != 0 && NormalStyle()->GetHotTrack()) ||
                             (IsDesigning && Enabled);
    return highlighted ? GetHighlightBorderColor(style == ebsOffice11) : clBtnShadow;
}

void TqzCustomEditViewData::CalculateViewInfoBorders(TqzCustomEditViewInfo* viewInfo) {
    viewInfo->NativeStyle = NativeStyle;
    if (!NativeStyle)
        viewInfo->NativeState = 0;
    else if (!Enabled)
        viewInfo->NativeState = qzensDisabled;
    else if (FProperties->GetReadOnly())
        viewInfo->NativeState = qzensReadOnly;
    else if (ContainerState & qzcsFocused)
        viewInfo->NativeState = qzensFocused;
    else if (ContainerState & qzcsHot)
        viewInfo->NativeState = qzensHot;
    else
        viewInfo->NativeState = qzensNormal;
    viewInfo->ThemeState = viewInfo->NativeState;
    viewInfo->ThemePart = EditTextPart;

    TRect extent;
    GetBorderExtent(extent);
    viewInfo->BorderWidth = GetContainerBorderWidth(TqzContainerBorderStyle(viewInfo->EditBorderStyle));
    viewInfo->BorderRect = Deflated(viewInfo->Bounds, extent);
    viewInfo->BorderRectCopy = viewInfo->BorderRect;
    if (!IsInplace) viewInfo->BorderColor = CalculateBorderColor();
    viewInfo->TextColor = FStyle->GetTextColor();

    TColor background = FStyle->GetColor();
    if (!DefaultsToParentColor() && NativeStyle && !Enabled && !FStyle->IsValueAssigned(svColor)) {
        COLORREF fill = 0;
        if (HTHEME theme = OpenThemeForType(ttEdit))
            if (UxGetThemeColor(theme, EditTextPart, viewInfo->NativeState, ThemeFillColorProperty, &fill) == S_OK)
                background = TColor(fill);
    }
    viewInfo->SetBackgroundColor(background);
}

void TqzCustomEditViewData::CalculateButtons(TqzCanvas* canvas, const TRect& bounds, const TPoint& p,
                                             Integer button, TShiftState shift, TqzCustomEditViewInfo* viewInfo,
                                             bool isMouseEvent) {
    const TqzEditButtonTransparency transparency = FStyle->GetButtonTransparency();
    const Integer state = viewInfo->ContainerState;
    viewInfo->HasTextButton = false;
    if (ButtonVisibleCount == 0 || (transparency == ebtHideInactive && !(state & qzcsFocused)) ||
        (transparency == ebtHideUnselected && !(state & (qzcsFocused | qzcsHot)))) {
        viewInfo->SetButtonCount(0);
        return;
    }

    viewInfo->SetButtonCount(ButtonVisibleCount);
    viewInfo->IsButtonReallyPressed = false;
    const Integer oldPressed = isMouseEvent ? viewInfo->PressedButton : -1;
    viewInfo->PressedButton = -1;
    viewInfo->HotButton = -1;
    LeftSideLeftmostButtonIndex = -1;
    LeftSideRightmostButtonIndex = -1;
    RightSideLeftmostButtonIndex = -1;
    RightSideRightmostButtonIndex = -1;

    TqzEditButtonStyle buttonStyle = FStyle->GetButtonStyle();
    if (buttonStyle == btsDefault) {
        if (IsInplace) {
            switch (FStyle->GetLookAndFeel()->GetKind()) {
            case lfFlat:
                buttonStyle = btsFlat;
                break;
            case lfStandard:
                buttonStyle = bts3D;
                break;
            case lfOffice11:
                buttonStyle = btsOffice11;
                break;
            default:
                buttonStyle = btsUltraFlat;
                break;
            }
        } else {
            static constexpr TqzEditButtonStyle ByBorder[7] = {btsSimple, btsHotFlat, bts3D,      btsFlat,
                                                               bts3D,     btsUltraFlat, btsOffice11};
            buttonStyle = ByBorder[std::min<Integer>(FStyle->GetEditBorderStyle(), 6)];
        }
    }

    TRect extent;
    GetButtonsOnlyBorderExtent(canvas, extent);
    TRect r = Deflated(bounds, extent);
    TqzEditButtons* buttons = GetButtons();
    Integer index = ButtonVisibleCount - 1;
    for (Integer i = buttons->GetCount() - 1; i >= 0 && index >= 0; --i) {
        TqzEditButton* item = buttons->GetItem(i);
        if (!item->GetVisible()) continue;
        if (item->GetKind() == bkText && !viewInfo->HasTextButton) {
            if (canvas) {
                canvas->SelectFont(FStyle->GetEffectiveFont());
                viewInfo->AdjustPaintFont(canvas->CurrentFont());
            }
            viewInfo->HasTextButton = true;
        }
        TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(index);
        info->ButtonIndex = i;
        info->Data.Style = buttonStyle;
        CalculateButtonViewInfo(canvas, viewInfo, r, index);
        --index;
    }

    StretchButtons(viewInfo, r);
    CalculateButtonStates(viewInfo, p, button, shift, oldPressed);
    CalculateButtonEdges(viewInfo);
}

void TqzCustomEditViewData::CalculateButtonViewInfo(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r,
                                                    Integer index) {
    TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(index);
    TqzEditButton* item = GetButtons()->GetItem(info->ButtonIndex);
    TqzEditButtonViewInfoData& data = info->Data;
    data.Kind = item->GetKind();
    if (data.Kind == bkText) {
        data.Caption = item->GetCaption();
        data.TextColor = item->GetTextColor();
        data.VisibleCaption = item->GetVisibleCaption();
    }
    data.Default = item->GetDefault();
    info->Glyph = item->HasGlyph() ? item->GetGlyph() : nullptr;
    data.ComboBoxStyle = ButtonVisibleCount == 1 && data.Kind == bkDown;
    info->EraseBackground = viewInfo->EraseBackground;
    data.Gradient = FStyle->GetGradientButtons();
    data.IsInplace = IsInplace;
    data.LeftAlignment = item->GetLeftAlignment();
    data.Leftmost = false;
    data.Rightmost = false;
    data.NativeStyle = viewInfo->NativeStyle;
    info->Stretchable = item->GetStretchable();
    Integer width = item->GetWidth();
    if (width == 0 && OnDefaultButtonWidth) OnDefaultButtonWidth(this, info->ButtonIndex, width);
    info->Width = width;
    const TqzEditButtonTransparency transparency = FStyle->GetButtonTransparency();
    data.Transparent = transparency == ebtAlways || (transparency == ebtInactive && !EditFocusedOrHot);
    data.BackgroundColor = viewInfo->BackgroundColor;
    CalculateButtonBounds(canvas, viewInfo, r, index);
}

void TqzCustomEditViewData::CalculateButtonBounds(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& r,
                                                  Integer index) {
    TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(index);
    if (RectEmpty(r)) {
        info->Bounds = TRect{};
        info->VisibleBounds = TRect{};
        return;
    }
    const Integer width = GetEditButtonWidth(canvas, info);
    const Integer visible = std::min(width, RectWidth(r));
    if (info->Data.LeftAlignment) {
        info->Bounds = TRect{r.left, r.top, r.left + width, r.bottom};
        info->VisibleBounds = TRect{r.left, r.top, r.left + visible, r.bottom};
        r.left += visible;
        if (LeftSideLeftmostButtonIndex < 0) LeftSideLeftmostButtonIndex = index;
        LeftSideRightmostButtonIndex = index;
    } else {
        info->Bounds = TRect{r.right - width, r.top, r.right, r.bottom};
        info->VisibleBounds = TRect{r.right - visible, r.top, r.right, r.bottom};
        r.right -= visible;
        if (RightSideRightmostButtonIndex < 0) RightSideRightmostButtonIndex = index;
        RightSideLeftmostButtonIndex = index;
    }
}

void TqzCustomEditViewData::StretchButtons(TqzCustomEditViewInfo* viewInfo, const TRect& r) {
    const Integer extra = RectWidth(r);
    if (!ButtonsFill || extra <= 0) return;
    const Integer count = viewInfo->GetButtonCount();
    bool anyStretchable = false;
    for (Integer i = 0; i < count; ++i) anyStretchable = anyStretchable || viewInfo->GetButtonInfo(i)->Stretchable;
    std::vector<Integer> participants;
    Integer total = 0;
    for (Integer i = count - 1; i >= 0; --i) {
        TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(i);
        if (anyStretchable && !info->Stretchable) continue;
        participants.push_back(i);
        total += RectWidth(info->Bounds);
    }
    if (participants.empty() || total <= 0) return;
    Integer left = extra;
    for (size_t n = 0; n < participants.size(); ++n) {
        const Integer i = participants[n];
        TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(i);
        // 64 bits: a measuring calculation leaves nearly 2^31 pixels to share out.
        const Integer grow = n + 1 == participants.size()
                                 ? left
                                 : Integer(std::int64_t(extra) * RectWidth(info->Bounds) / total);
        left -= grow;
        const bool leftAligned = info->Data.LeftAlignment;
        if (leftAligned) {
            info->Bounds.right += grow;
            info->VisibleBounds.right += grow;
        } else {
            info->Bounds.left -= grow;
            info->VisibleBounds.left -= grow;
        }
        for (Integer j = 0; j < i; ++j) {
            TqzEditButtonViewInfo* inner = viewInfo->GetButtonInfo(j);
            if (inner->Data.LeftAlignment != leftAligned) continue;
            const Integer dx = leftAligned ? grow : -grow;
            OffsetBy(inner->Bounds, dx, 0);
            OffsetBy(inner->VisibleBounds, dx, 0);
        }
    }
}

void TqzCustomEditViewData::CalculateButtonStates(TqzCustomEditViewInfo* viewInfo, const TPoint& p, Integer button,
                                                  TShiftState shift, Integer oldPressed) {
    TqzEditButtons* buttons = GetButtons();
    const bool leftHeld = shift.Contains(ssLeft);
    TShiftState leftOnlySet;
    leftOnlySet.Include(ssLeft);
    TShiftState leftDoubleSet = leftOnlySet;
    leftDoubleSet.Include(ssDouble);
    const bool leftOnly = shift == leftOnlySet || shift == leftDoubleSet;
    for (Integer i = 0; i < viewInfo->GetButtonCount(); ++i) {
        TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(i);
        const Integer oldState = info->Data.State;
        Integer state;
        if (!Enabled || !buttons->GetItem(info->ButtonIndex)->GetEnabled()) {
            state = qzebsDisabled;
        } else {
            const bool forced = IsButtonPressed(viewInfo, i);
            if (!forced && (IsDesigning || !PointIn(info->VisibleBounds, p))) {
                state = qzebsNormal;
            } else {
                const bool hover =
                    button == 0 && leftHeld && oldState == qzebsNormal && i == GetCapturedButtonIndex();
                const bool stillPressed = oldState == qzebsPressed && leftHeld;
                if (forced || (button == 1 && leftOnly) || stillPressed || hover)
                    viewInfo->IsButtonReallyPressed = true;
                if (forced)
                    state = qzebsPressed;
                else if (AnyMouseButtonHeld(shift))
                    state = (hover && CanPressButton(viewInfo, i)) ||
                                    (leftOnly && ((button == 1 && CanPressButton(viewInfo, i)) || i == oldPressed)) ||
                                    stillPressed
                                ? qzebsPressed
                                : qzebsNormal;
                else
                    state = qzebsHot;
            }
        }
        if (state == qzebsPressed) viewInfo->PressedButton = i;
        if (state == qzebsHot) viewInfo->HotButton = i;
        if (viewInfo->OnButtonState) viewInfo->OnButtonState(viewInfo, i, state);
        info->Data.State = state;
        CalculateButtonNativeInfo(info);
    }
}

void TqzCustomEditViewData::CalculateButtonEdges(TqzCustomEditViewInfo* viewInfo) {
    if (LeftSideLeftmostButtonIndex >= 0) viewInfo->GetButtonInfo(LeftSideLeftmostButtonIndex)->Data.Leftmost = true;
    if (RightSideRightmostButtonIndex >= 0)
        viewInfo->GetButtonInfo(RightSideRightmostButtonIndex)->Data.Rightmost = true;
    if (LeftSideRightmostButtonIndex >= 0 && (!ButtonsFill || RightSideRightmostButtonIndex < 0))
        viewInfo->GetButtonInfo(LeftSideRightmostButtonIndex)->Data.Rightmost = true;
    if (RightSideLeftmostButtonIndex >= 0 && (!ButtonsFill || LeftSideLeftmostButtonIndex < 0))
        viewInfo->GetButtonInfo(RightSideLeftmostButtonIndex)->Data.Leftmost = true;
    if (ButtonsFill)
        for (Integer i = 0; i < viewInfo->GetButtonCount(); ++i) viewInfo->GetButtonInfo(i)->Data.LeftAlignment = false;
}

TqzEditBorderStyle TqzCustomEditViewData::GetEffectiveBorderStyle() {
    if (IsInplace) return ebsNone;
    const TqzEditBorderStyle style = FStyle->GetEditBorderStyle();
    return style == ebsUltraFlat || style == ebsOffice11 ? ebsSingle : style;
}

void TqzCustomEditViewData::GetBorderExtent(TRect& rect) {
    if (IsInplace) {
        rect = InplaceEditOffsets;
        return;
    }
    TqzCustomEditStyle* normal = NormalStyle();
    if (normal->GetTransparentBorder()) {
        rect = AllSides(2);
    } else if (!FStyle->SupportsBorder() || (NativeStyle && normal->GetEditBorderStyle() == ebsNone)) {
        rect = AllSides(0);
    } else if (NativeStyle) {
        rect = AllSides(2);
    } else {
        const Integer width = GetContainerBorderWidth(TqzContainerBorderStyle(GetEffectiveBorderStyle()));
        const TqzBorders edges = FStyle->GetEdges();
        rect = TRect{edges.Contains(bLeft) ? width : 0, edges.Contains(bTop) ? width : 0,
                     edges.Contains(bRight) ? width : 0, edges.Contains(bBottom) ? width : 0};
    }
    if (HasShadow()) {
        rect.right += 3;
        rect.bottom += 3;
    }
}

void TqzCustomEditViewData::GetButtonsOnlyBorderExtent(TqzCanvas* canvas, TRect& rect) {
    if (IsInplace) {
        rect = InplaceEditOffsets;
        return;
    }
    if (!NativeStyle) {
        GetBorderExtent(rect);
        return;
    }
    TqzCustomEditStyle* normal = NormalStyle();
    if (!normal->GetTransparentBorder() && normal->GetEditBorderStyle() == ebsNone) {
        rect = AllSides(0);
    } else if (normal->GetEditBorderStyle() != ebsNone) {
        const TRect box{0, 0, 100, 100};
        TRect content = box;
        if (HTHEME theme = OpenThemeForType(ttEdit))
            UxGetThemeBackgroundContentRect(theme, canvas ? canvas->DeviceContext() : nullptr, EditTextPart,
                                            qzensNormal, &box, &content);
        rect = TRect{content.left - box.left, content.top - box.top, box.right - content.right,
                     box.bottom - content.bottom};
    } else {
        rect = AllSides(2);
    }
}

void TqzCustomEditViewData::GetClientExtent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& rect) {
    GetBorderExtent(rect);
    if (FProperties->GetButtonsLayout() != 0 && viewInfo->GetButtonCount() > 0) {
        TRect buttonsExtent;
        GetButtonsOnlyBorderExtent(canvas, buttonsExtent);
        rect.left = buttonsExtent.left;
        rect.right = buttonsExtent.right;
    }
    if (HScrollBarVisible) rect.bottom += GetSystemMetrics(SM_CYHSCROLL);
    if (VScrollBarVisible) rect.right += GetSystemMetrics(SM_CXVSCROLL);
    for (Integer i = 0; i < viewInfo->GetButtonCount(); ++i) {
        TqzEditButtonViewInfo* info = viewInfo->GetButtonInfo(i);
        if (info->Data.LeftAlignment)
            rect.left = std::max<Integer>(rect.left, info->Bounds.right - viewInfo->Bounds.left);
        else
            rect.right = std::max<Integer>(rect.right, viewInfo->Bounds.right - info->Bounds.left);
    }
}

void TqzCustomEditViewData::GetConstantPartSize(TqzCanvas* canvas, const TqzEditSizeParameters& sizeParameters,
                                                TSize& size, TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    if (viewInfo) {
        CalculateConstantPartSize(canvas, IsInplace, size, viewInfo, minContentSize);
        return;
    }
    std::unique_ptr<TqzContainerViewInfo> made(FProperties->GetViewInfoClass()());
    auto* temporary = static_cast<TqzCustomEditViewInfo*>(made.get());
    Calculate(canvas, TRect{0, 0, UnboundedCoordinate, UnboundedCoordinate}, TPoint{-1, -1}, 0, TShiftState(),
              temporary, false);
    CalculateConstantPartSize(canvas, IsInplace, size, temporary, minContentSize);
}

void TqzCustomEditViewData::GetContentSize(TqzCanvas* canvas, const Variant& editValue, TSize& size,
                                           const TqzEditSizeParameters& sizeParameters) {
    if (FProperties->GetButtonsLayout() == 0) {
        CalculateContentSize(canvas, editValue, size, sizeParameters);
        return;
    }
    TSize margins;
    GetContentMargins(margins);
    canvas->SelectFont(FStyle->GetEffectiveFont());
    size = TSize{0, margins.cy + canvas->TextHeightOf("Zg")};
}

void TqzCustomEditViewData::GetContentMargins(TSize& size) {
    const TRect& offsets = ContentParams.Offsets;
    size.cx = offsets.left + offsets.right + ContentParams.ExtraHorzMargin;
    size.cy = offsets.top + offsets.bottom + ContentParams.HeightCorrection;
}

bool TqzCustomEditViewData::HasShadow() { return EditHasShadow(this); }

bool TqzCustomEditViewData::UsesNativeStyle(TqzLookAndFeel* lookAndFeel) {
    return lookAndFeel && lookAndFeel->GetNativeStyle() && OpenThemeForType(ttEdit) != nullptr;
}

void TqzCustomEditViewData::GetEditSize(TqzCanvas* canvas, const Variant& editValue,
                                        const TqzEditSizeParameters& sizeParameters, TSize& size) {
    TSize minContentSize{0, 0};
    size = TSize{0, 0};
    GetConstantPartSize(canvas, sizeParameters, size, nullptr, minContentSize);
    TqzEditSizeParameters contentParameters = sizeParameters;
    bool widthExceeded = false;
    if (sizeParameters.Width >= 0) {
        contentParameters.Width = sizeParameters.Width - size.cx;
        if (contentParameters.Width < 0) {
            contentParameters.Width = 0;
            widthExceeded = true;
        }
    }
    TSize content{0, 0};
    GetContentSize(canvas, editValue, content, contentParameters);
    content.cx = std::max(content.cx, minContentSize.cx);
    content.cy = std::max(content.cy, minContentSize.cy);
    if (widthExceeded)
        size.cx = sizeParameters.Width;
    else
        size.cx += content.cx;
    size.cy += content.cy;
    ApplySizeConstraints(size);
}

void TqzCustomEditViewData::BuildDisplayText(const Variant& editValue, String& text) {
    EditValueToDisplayText(editValue, text);
    FireGetDisplayTextEvent(text);
}

void TqzCustomEditViewData::FireGetDisplayTextEvent(String& text) {
    if (OnDisplayText) OnDisplayText(this, text);
}

// ---- TqzCustomEditViewInfo -------------------------------------------------------------------

TqzCustomEditViewInfo::TqzCustomEditViewInfo() = default;

TqzCustomEditViewInfo::~TqzCustomEditViewInfo() = default;

TqzContainerViewInfo* TqzCustomEditViewInfo::CreateInstance() { return new TqzCustomEditViewInfo; }

TqzContainerBorderStyle TqzCustomEditViewInfo::GetBorderStyle() { return TqzContainerBorderStyle(EditBorderStyle); }

void TqzCustomEditViewInfo::PaintBackground(TqzCanvas* canvas) { DrawEditBackgroundAndButtons(canvas, this, true, 0); }

void TqzCustomEditViewInfo::CopyFrom(TqzContainerViewInfo* source) {
    if (auto* other = dynamic_cast<TqzCustomEditViewInfo*>(source)) {
        BackgroundColor = other->BackgroundColor;
        BorderColor = other->BorderColor;
        EditBorderStyle = other->EditBorderStyle;
        ContainerState = other->ContainerState;
        NativeState = other->NativeState;
        SetButtonCount(other->GetButtonCount());
        for (Integer i = 0; i < GetButtonCount(); ++i) GetButtonInfo(i)->Assign(other->GetButtonInfo(i));
        PressedButton = other->PressedButton;
        HotButton = other->HotButton;
    }
    inherited::CopyFrom(source);
}

bool TqzCustomEditViewInfo::BordersEqual(TqzCustomEditViewInfo* old) {
    return EditBorderStyle == old->EditBorderStyle && (EditBorderStyle == ebsNone || BorderColor == old->BorderColor);
}

std::unique_ptr<TqzRegion> TqzCustomEditViewInfo::GetChangedRegion(TqzContainerViewInfo* oldInfo) {
    std::unique_ptr<TqzRegion> region = inherited::GetChangedRegion(oldInfo);
    auto* old = dynamic_cast<TqzCustomEditViewInfo*>(oldInfo);
    if (old && BordersEqual(old) && GetButtonCount() == old->GetButtonCount() && NativeState == old->NativeState) {
        for (Integer i = 0; i < GetButtonCount(); ++i) {
            std::unique_ptr<TqzRegion> buttonRegion = GetButtonInfo(i)->GetChangedRegion(old->GetButtonInfo(i));
            if (buttonRegion) region->Combine(std::move(buttonRegion), roUnion);
        }
    } else if (!RectEmpty(Bounds)) {
        region->Combine(TqzRegion::CreateFromRect(Bounds), roUnion);
    }
    return region;
}

void TqzCustomEditViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    OffsetBy(InnerEditRect, dx, dy);
    OffsetBy(BorderRectCopy, dx, dy);
    for (auto& info : ButtonsInfo) {
        OffsetBy(info->Bounds, dx, dy);
        OffsetBy(info->VisibleBounds, dx, dy);
    }
}

TqzEditButtonViewInfoClass TqzCustomEditViewInfo::GetButtonViewInfoClass() {
    return []() -> TqzEditButtonViewInfo* { return new TqzEditButtonViewInfo; };
}

void TqzCustomEditViewInfo::SetButtonCount(Integer count) {
    count = std::max<Integer>(count, 0);
    if (Integer(ButtonsInfo.size()) > count) ButtonsInfo.resize(size_t(count));
    const TqzEditButtonViewInfoClass buttonClass = GetButtonViewInfoClass();
    while (Integer(ButtonsInfo.size()) < count) ButtonsInfo.emplace_back(buttonClass());
}

void TqzCustomEditViewInfo::PaintButton(TqzCanvas* canvas, Integer index) {
    bool handled = false;
    if (OnDrawButton) OnDrawButton(this, canvas, index, handled);
    if (!handled) DrawEditButtonFrameByState(canvas, this, index);
}

void TqzCustomEditViewInfo::DrawButtonFrame(TqzCanvas* canvas, Integer index, const TRect& rect,
                                            TqzEditButtonStyle style) {
    DrawEditButtonFrame(canvas, this, index, rect, style);
}

void TqzCustomEditViewInfo::DrawButtonContent(TqzCanvas* canvas, Integer index, TColor faceColor,
                                              TColor contentColor, const TRect& content, const TRect& outer) {
    DrawEditButtonContent(canvas, this, index, faceColor, contentColor, content, outer);
}

bool TqzCustomEditViewInfo::HasHotButton() {
    for (auto& info : ButtonsInfo)
        if (info->Data.State == qzebsHot) return true;
    return false;
}

bool TqzCustomEditViewInfo::IsPointOverButton(const TPoint& p) {
    const TPoint local{p.x - Origin.x, p.y - Origin.y};
    for (auto& info : ButtonsInfo)
        if (PointIn(info->Bounds, local)) return true;
    return false;
}

bool TqzCustomEditViewInfo::IsTextHintNeeded(const TPoint& p, String& text, bool& isMultiLine, TRect& textRect) {
    text = String();
    return IsTextHintNeededInRect(TRect{}, text, isMultiLine, textRect);
}

bool TqzCustomEditViewInfo::InvalidateChanges(TWinControl* control, TqzCustomEditViewInfo* old) {
    return InvalidateChangesInRect(control, TRect{}, old);
}

bool TqzCustomEditViewInfo::InvalidateChangesInRect(TWinControl* control, const TRect& innerRect,
                                                    TqzCustomEditViewInfo* old) {
    if (!control || !control->HandleAllocated()) return false;
    const HWND window = control->GetHandle();
    TRect r = Bounds;
    OffsetBy(r, Origin.x, Origin.y);
    auto clampedInner = [&]() {
        TRect inner = innerRect;
        inner.left = std::max(inner.left, ClientRect.left + Origin.x);
        inner.top = std::max(inner.top, ClientRect.top + Origin.y);
        inner.right = std::min(inner.right, ClientRect.right + Origin.x);
        inner.bottom = std::min(inner.bottom, ClientRect.bottom + Origin.y);
        if (RectEmpty(inner)) inner = TRect{};
        return inner;
    };
    auto invalidateBetween = [&](const TRect& inner, bool erase) {
        if (!RectEmpty(r) && !RectsEqual(r, inner)) InvalidateFrameBetween(window, r, inner, erase);
    };
    if (!old) {
        invalidateBetween(clampedInner(), EraseBackground);
        return false;
    }
    bool changed = false;
    if (NativeState != old->NativeState || BackgroundColor != old->BackgroundColor ||
        GetButtonCount() != old->GetButtonCount() ||
        (ContainerState != old->ContainerState && IsRepaintOnStateChangeNeeded())) {
        changed = true;
        invalidateBetween(clampedInner(), old->EraseBackground);
    } else if ((EditBorderStyle != ebsNone && BorderColor != old->BorderColor) ||
               EditBorderStyle != old->EditBorderStyle) {
        TRect border = BorderRect;
        OffsetBy(border, Origin.x, Origin.y);
        invalidateBetween(border, old->EraseBackground);
        changed = true;
    }
    if (GetButtonCount() == old->GetButtonCount())
        for (Integer i = 0; i < GetButtonCount(); ++i)
            if (GetButtonInfo(i)->InvalidateIfChanged(control, old->GetButtonInfo(i), Origin)) changed = true;
    return changed;
}

bool TqzCustomEditViewInfo::TryCustomDraw(TqzCanvas* canvas) {
    bool handled = false;
    if (IsInplace && OnDrawCustom) OnDrawCustom(this, canvas, handled);
    return handled;
}

void TqzCustomEditViewInfo::DrawButtonBackground(TqzCanvas* canvas, Integer index, TColor color,
                                                 const TRect& rect) {
    bool handled = false;
    if (OnDrawButtonBackground) OnDrawButtonBackground(this, canvas, handled, index, rect);
    if (handled) return;
    TqzEditButtonViewInfo* button = GetButtonInfo(index);
    const TqzEditButtonViewInfoData& data = button->Data;
    if (data.Style == btsOffice11 && data.Gradient && !data.Transparent && data.State != qzebsDisabled) {
        // The office scheme's pair for the state, top to bottom over the button's width and the
        // border rectangle's height (one pixel less at top and bottom when normal).
        TColor first = SchemeColor22;
        TColor second = SchemeColor21;
        if (data.State == qzebsHot) {
            first = SchemeColor41;
            second = SchemeColor42;
        } else if (data.State == qzebsPressed) {
            first = SchemeColor43;
            second = SchemeColor44;
        }
        TRect band{button->Bounds.left, BorderRect.top, button->Bounds.right, BorderRect.bottom};
        if (data.State == qzebsNormal) {
            band.top += 1;
            band.bottom -= 1;
        }
        HDC dc = canvas->DeviceContext();
        const int saved = SaveDC(dc);
        canvas->IntersectClipArea(rect);
        FillGradientRect(dc, band, first, false, second);
        RestoreDC(dc, saved);
        return;
    }
    FillRectWithColor(canvas, rect, color);
}

// ---- Properties operations that need the view classes ----------------------------------------

TqzCustomEditViewDataClass TqzCustomEditProperties::GetViewDataClass() const {
    return &TqzCustomEditViewData::CreateInstance;
}

TqzCustomEditViewInfoClass TqzCustomEditProperties::GetViewInfoClass() const {
    return &TqzCustomEditViewInfo::CreateInstance;
}

TqzCustomEditViewData* TqzCustomEditProperties::CreateViewData(TqzCustomEditStyle* style, bool isInplace,
                                                               bool isPreview) {
    TqzCustomEditViewData* viewData = GetViewDataClass()(this, style, isInplace);
    viewData->IsPreview = isPreview;
    return viewData;
}

void TqzCustomEditProperties::GetEditSize(TqzCanvas* canvas, TqzCustomEditStyle* style, bool isInplace,
                                          const Variant& editValue, const TqzEditSizeParameters& sizeParameters,
                                          TSize& size) {
    std::unique_ptr<TqzCustomEditViewData> viewData(CreateViewData(style, isInplace));
    viewData->GetEditSize(canvas, editValue, sizeParameters, size);
}
