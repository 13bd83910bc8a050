#include "suite/controls/qzRadioGroup.h"

#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinButton.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/foundation/qzVariants.h"

// ---- Glyph size ----------------------------------------------------------------------------------

namespace {

TSize MeasureRadioGlyph() {
    TBitmap boxes;
    boxes.SetHandle(LoadBitmapA(nullptr, OBM_CHECKBOXES));
    const Integer cellWidth = boxes.GetWidth() / 4;
    const Integer cellHeight = boxes.GetHeight() / 3;
    if (cellWidth <= 0 || cellHeight <= 0) return TSize{0, 0};
    TBitmap cell;
    cell.SetWidth(cellWidth);
    cell.SetHeight(cellHeight);
    TCanvas* canvas = cell.GetCanvas();
    canvas->GetBrush()->SetColor(clBlack);
    canvas->FillRect(TRect{0, 0, cellWidth, cellHeight});
    RECT r{0, 0, cellWidth, cellHeight};
    DrawFrameControl(canvas->GetHandle(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT | DFCS_CHECKED);
    Integer columns = 0;
    for (Integer x = 0; x < cellWidth; ++x)
        for (Integer y = 0; y < cellHeight; ++y)
            if ((GetPixel(canvas->GetHandle(), x, y) & 0xFFFFFF) == 0) {
                ++columns;
                break;
            }
    Integer rows = 0;
    for (Integer y = 0; y < cellHeight; ++y)
        for (Integer x = 0; x < cellWidth; ++x)
            if ((GetPixel(canvas->GetHandle(), x, y) & 0xFFFFFF) == 0) {
                ++rows;
                break;
            }
    return TSize{columns, rows};
}

constexpr TqzButtonState kPainterStates[] = {qzbsDisabled, qzbsHot, qzbsNormal, qzbsPressed};
// Radio-button part state ids by ButtonState, unchecked then checked.
constexpr int kNativeStates[2][4] = {{4, 2, 1, 3}, {8, 6, 5, 7}};
constexpr int kRadioButtonPart = 2;

bool Contains(const TRect& r, const TPoint& p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace

TSize RadioGlyphSize() {
    static const TSize size = MeasureRadioGlyph();
    return size;
}

// ---- Radio button --------------------------------------------------------------------------------

TqzRadioButton::TqzRadioButton(TComponent* owner) : TRadioButton(owner) {
    TControlStyle style = GetControlStyle();
    style.Include(csDoubleClicks);
    SetControlStyle(style);
    FControlCanvas = std::make_unique<TControlCanvas>();
    FControlCanvas->SetControl(this);
    FCanvas = std::make_unique<TqzCanvas>(FControlCanvas.get());
    FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
    FLookAndFeel->OnChanged = TqzLookAndFeelChangedEvent(this, &TqzRadioButton::LookAndFeelChangedHandler);
    SetParentBackground(true);
    SharedRadioButtonImages();
}

TqzRadioButton::~TqzRadioButton() {
    Destroying();
    EndMouseTracking(this);
    FLookAndFeel->OnChanged = nullptr;
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    if (HandleAllocated()) DestroyHandle();
    FLookAndFeel.reset();
    FCanvas.reset();
    FControlCanvas.reset();
}

void TqzRadioButton::LookAndFeelChangedHandler(TqzLookAndFeel*, TqzLookAndFeelValues) {
    LookAndFeelChanged();
}

void TqzRadioButton::LookAndFeelChanged() { Invalidate(); }

void TqzRadioButton::Invalidate() {
    if (HandleAllocated()) InvalidateRect(GetHandle(), nullptr, FALSE);
}

bool TqzRadioButton::Focused() const {
    return !GetComponentState().Contains(csDesigning) && TRadioButton::Focused();
}

void TqzRadioButton::SetPopupMenu(TComponent* value) {
    TComponent* menu = value;
    if (dynamic_cast<TPopupMenu*>(value) == nullptr) menu = nullptr;
    if (menu == FPopupMenu) return;
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (menu != nullptr) menu->FreeNotification(this);
}

void TqzRadioButton::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Invalidate();
}

void TqzRadioButton::Notification(TComponent* component, TOperation operation) {
    TRadioButton::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == FPopupMenu) FPopupMenu = nullptr;
}

bool TqzRadioButton::IsNativeStyle() const {
    return IsNativeStyleUsable(FLookAndFeel->GetNativeStyle(), ttButton);
}

bool TqzRadioButton::HasOwnBackground() const {
    return IsNativeStyle() && GetParentBackground() && !IsInplace() && !FTransparent;
}

bool TqzRadioButton::UsesTransparentProperty() const { return FTransparent && !IsInplace(); }

bool TqzRadioButton::IsTransparent() const { return HasOwnBackground() || UsesTransparentProperty(); }

bool TqzRadioButton::ShowPopupMenu(TComponent* menu, Integer x, Integer y) {
    return ShowPopupMenuAt(this, menu, x, y);
}

void TqzRadioButton::AdjustCaptionRect(TRect& rect, bool native) {
    Integer left, top, right, bottom;
    if (IsInplace()) {
        left = native ? 3 : 5;
        top = 0;
        right = native ? 0 : 1;
        bottom = 0;
    } else {
        const bool glyphLeft = GetAlignment() == taRightJustify;
        const bool wrap = GetWordWrap();
        top = -1;
        bottom = 0;
        if (!native) {
            left = glyphLeft ? 5 : 2;
            right = glyphLeft ? (wrap ? 2 : 0) : (wrap ? 6 : 1);
        } else {
            left = glyphLeft ? 3 : 0;
            right = glyphLeft ? 0 : (wrap ? 3 : 1);
        }
    }
    rect.left += left;
    rect.top += top;
    rect.right -= right;
    rect.bottom -= bottom;
}

// ---- State ----

void TqzRadioButton::InvalidateButtonRect() {
    if (!HandleAllocated()) return;
    RECT r{FButtonRect.left - 1, FButtonRect.top - 1, FButtonRect.right + 1, FButtonRect.bottom + 1};
    InvalidateRect(GetHandle(), &r, FALSE);
}

void TqzRadioButton::UpdateState(Integer button, TShiftState shift, const TPoint& point) {
    TqzRadioButtonState state;
    const TRect bounds{0, 0, GetWidth(), GetHeight()};
    const bool inside = Contains(bounds, point);
    if (!IsShownEnabled())
        state = rbsDisabled;
    else if (GetComponentState().Contains(csDesigning))
        state = rbsNormal;
    else if (HandleAllocated() && GetCapture() == GetHandle())
        state = inside ? rbsPressed : rbsHot;
    else if (inside)
        state = button == 0 && shift.empty() ? rbsHot : rbsNormal;
    else
        state = rbsNormal;
    if (state == FButtonState) return;
    FButtonState = state;
    InvalidateButtonRect();
}

void TqzRadioButton::RefreshStateAtCursor() {
    if (!HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    UpdateState(0, GetShiftState(), TPoint{p.x, p.y});
}

void TqzRadioButton::CreateHandle() {
    TRadioButton::CreateHandle();
    RefreshStateAtCursor();
}

void TqzRadioButton::CreateParams(TCreateParams& params) {
    TRadioButton::CreateParams(params);
    params.Style = (params.Style & ~DWORD(BS_RADIOBUTTON)) | BS_OWNERDRAW;
}

void TqzRadioButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TRadioButton::MouseDown(button, shift, x, y);
    UpdateState(Integer(button) + 1, shift, TPoint{x, y});
}

void TqzRadioButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TRadioButton::MouseUp(button, shift, x, y);
    UpdateState(Integer(button) + 1, shift, TPoint{x, y});
}

void TqzRadioButton::MouseMove(TShiftState shift, Integer x, Integer y) {
    TRadioButton::MouseMove(shift, x, y);
    UpdateState(0, shift, TPoint{x, y});
    BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
}

void TqzRadioButton::MouseEnter(TControl*) {
    RefreshStateAtCursor();
    BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
}

void TqzRadioButton::MouseLeave(TControl*) {
    UpdateState(0, TShiftState{}, TPoint{-1, -1});
    EndMouseTracking(this);
}

void TqzRadioButton::EnabledChanged() {
    RefreshStateAtCursor();
    Invalidate();
}

void TqzRadioButton::DoEnter() {
    TRadioButton::DoEnter();
    if (GetChecked()) return;
    const bool saved = GetClicksDisabled();
    SetClicksDisabled(true);
    SetChecked(true);
    SetClicksDisabled(saved);
    if (!GetComponentState().Contains(csLoading)) Click();
}

// ---- Painting ----

void TqzRadioButton::PlaceGlyph(const TSize& size, bool leftAtZero) {
    const Integer top = (GetHeight() - size.cy) / 2;
    if (GetAlignment() == taRightJustify) {
        const Integer left = leftAtZero ? 0 : 1;
        FButtonRect = TRect{left, top, left + size.cx, top + size.cy};
    } else {
        FButtonRect = TRect{GetWidth() - size.cx, top, GetWidth(), top + size.cy};
    }
}

void TqzRadioButton::Paint() {
    const TRect bounds{0, 0, GetWidth(), GetHeight()};
    if (UsesTransparentProperty())
        PaintParentImageBehind(this, FCanvas.get(), bounds);
    else if (HasOwnBackground()) {
        RECT r{bounds.left, bounds.top, bounds.right, bounds.bottom};
        UxDrawThemeParentBackground(GetHandle(), FCanvas->DeviceContext(), &r);
    }
    if (IsNativeStyle()) {
        if (!IsTransparent()) {
            FControlCanvas->GetBrush()->SetStyle(bsSolid);
            FCanvas->SetBrushColor(GetColor());
            FCanvas->FillRectOrTile(bounds);
        }
        const int stateId = kNativeStates[GetChecked() ? 1 : 0][FButtonState];
        HTHEME theme = OpenThemeForType(ttButton);
        SIZE size{0, 0};
        UxGetThemePartSize(theme, FCanvas->DeviceContext(), kRadioButtonPart, stateId, nullptr, TS_TRUE,
                           &size);
        PlaceGlyph(TSize{size.cx, size.cy}, true);
        RECT r{FButtonRect.left, FButtonRect.top, FButtonRect.right, FButtonRect.bottom};
        UxDrawThemePart(theme, FCanvas->DeviceContext(), kRadioButtonPart, stateId, &r, nullptr);
        PaintCaption(true);
    } else {
        PlaceGlyph(RadioGlyphSize(), IsInplace());
        TqzLookAndFeelPainterClass painter = FLookAndFeel->PainterForThemeType(ttButton);
        painter->PaintRadioButton(
            FCanvas.get(), FButtonRect.left, FButtonRect.top, kPainterStates[FButtonState], GetChecked(),
            Focused(), GetComponentState().Contains(csDesigning), IsTransparent() ? clDefault : GetColor());
        FCanvas->ExcludeClipArea(FButtonRect);
        if (!IsTransparent()) {
            FControlCanvas->GetBrush()->SetStyle(bsSolid);
            FCanvas->SetBrushColor(GetColor());
            FCanvas->FillRectOrTile(bounds);
        }
        PaintCaption(false);
    }
}

void TqzRadioButton::PaintCaption(bool native) {
    IqzContainerInnerControl* inner = nullptr;
    const bool isInner = Supports(this, inner);
    TFont* font = FControlCanvas->GetFont();
    font->Assign(GetFont());
    if (!IsShownEnabled() && !isInner) font->SetColor(clBtnShadow);

    TRect r{0, 0, GetWidth(), GetHeight()};
    if (GetAlignment() == taRightJustify)
        r.left = FButtonRect.right;
    else
        r.right = FButtonRect.left;
    AdjustCaptionRect(r, native);

    namespace g = qzGraphics;
    TqzTextFlags flags = g::tfAlignLeft | g::tfAlignVCenter | g::tfShowPrefix;
    flags |= GetWordWrap() ? TqzTextFlags(g::tfWordBreak | g::tfNoClip) : g::tfSingleLine;
    if (HasOwnBackground()) {
        FControlCanvas->Refresh();
        font->Assign(GetFont());
        if (!IsShownEnabled() && !isInner) font->SetColor(clBtnShadow);
    }
    FControlCanvas->GetBrush()->SetStyle(bsClear);
    FCanvas->OutputText(GetCaption(), r, isInner || native || IsShownEnabled(), flags);

    if (!Focused() || GetCaption().empty()) return;
    TRect frame = r;
    FCanvas->CalcTextBounds(GetCaption(), frame, flags);
    frame = TRect{frame.left - 1, frame.top - 1, frame.right + 1, frame.bottom + 2};
    if (IsInplace()) {
        frame.top = std::max(frame.top, Integer(1));
        frame.bottom = std::min(frame.bottom, GetHeight() - 1);
        frame.right = std::min(frame.right, GetWidth());
    } else {
        frame.left = std::max(frame.left, Integer(0));
        frame.top = std::max(frame.top, Integer(0));
        frame.right = std::min(frame.right, GetWidth());
        frame.bottom = std::min(frame.bottom, GetHeight());
        if (GetAlignment() == taLeftJustify) frame.right = std::min(frame.right, FButtonRect.left);
    }
    FControlCanvas->GetBrush()->SetStyle(bsSolid);
    FControlCanvas->GetBrush()->SetColor(GetColor());
    font->SetColor(GetFont()->GetColor());
    FControlCanvas->DrawFocusRect(frame);
}

// ---- Messages ----

void TqzRadioButton::WMEraseBkgnd(TMessage& message) { message.Result = 1; }

void TqzRadioButton::WMWindowPosChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (!IsDestroying() && IsTransparent()) Invalidate();
}

void TqzRadioButton::BMSetCheck(TMessage& message) {
    KOV_INHERITED(message);
    InvalidateButtonRect();
}

void TqzRadioButton::CMEnabledChanged(TMessage& message) {
    KOV_INHERITED(message);
    EnabledChanged();
}

void TqzRadioButton::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    auto* control = reinterpret_cast<TControl*>(message.LParam);
    MouseEnter(control != nullptr ? control : this);
}

void TqzRadioButton::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    auto* control = reinterpret_cast<TControl*>(message.LParam);
    MouseLeave(control != nullptr ? control : this);
}

void TqzRadioButton::CMSysColorChange(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

void TqzRadioButton::CNDrawItem(TWMDrawItem& message) {
    if (IsDestroying() || message.DrawItemStruct == nullptr) return;
    FControlCanvas->SetHandle(message.DrawItemStruct->hDC);
    try {
        Paint();
    } catch (...) {
        FControlCanvas->SetHandle(nullptr);
        throw;
    }
    FControlCanvas->SetHandle(nullptr);
    message.Result = 1;
}

void TqzRadioButton::CNMeasureItem(TWMMeasureItem& message) {
    if (message.MeasureItemStruct == nullptr) return;
    message.MeasureItemStruct->itemWidth = UINT(GetWidth());
    message.MeasureItemStruct->itemHeight = UINT(GetHeight());
}

void TqzRadioButton::CNKeyDown(TWMKey& message) {
    if (IsPopupMenuShortCut(FPopupMenu, message)) {
        message.Result = 1;
        return;
    }
    TMessage m{message.Msg, message.CharCode, LPARAM(message.KeyData), 0};
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TqzRadioButton::DoContextPopup(POINT mousePos, bool& handled) {
    const TLivenessToken alive = LivenessToken();
    TRadioButton::DoContextPopup(mousePos, handled);
    if (!alive || handled) return;
    const POINT p = ContextPopupScreenPoint(this, mousePos);
    handled = ShowPopupMenu(FPopupMenu, p.x, p.y);
}

void TqzRadioButton::WMContextMenu(TWMContextMenu& message) {
    HandleContextMenuMessage(this, message, [this](POINT p, bool& handled) { DoContextPopup(p, handled); });
}

KOV_MESSAGE_MAP(TqzRadioButton) {
    map.Message(WM_ERASEBKGND, &TqzRadioButton::WMEraseBkgnd);
    map.Message(WM_WINDOWPOSCHANGED, &TqzRadioButton::WMWindowPosChanged);
    map.Message(BM_SETCHECK, &TqzRadioButton::BMSetCheck);
    map.Message(CM_ENABLEDCHANGED, &TqzRadioButton::CMEnabledChanged);
    map.Message(CM_MOUSEENTER, &TqzRadioButton::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzRadioButton::CMMouseLeave);
    map.Message(CM_SYSCOLORCHANGE, &TqzRadioButton::CMSysColorChange);
    map.Message(CN_DRAWITEM, &TqzRadioButton::CNDrawItem);
    map.Message(CN_MEASUREITEM, &TqzRadioButton::CNMeasureItem);
    map.Message(CN_KEYDOWN, &TqzRadioButton::CNKeyDown);
    map.Message(CN_SYSKEYDOWN, &TqzRadioButton::CNKeyDown);
    map.Message(WM_CONTEXTMENU, &TqzRadioButton::WMContextMenu);
}

// ---- Published properties ----------------------------------------------------------------------------

KOV_PUBLISHED(TqzRadioButton) {
    Property("LookAndFeel", &TqzRadioButton::GetLookAndFeel, &TqzRadioButton::SetLookAndFeel);
    Property("PopupMenu", &TqzRadioButton::GetPopupMenu, &TqzRadioButton::SetPopupMenu)
        .TypeName("TComponent");
    Property("ParentBackground", &TqzRadioButton::GetParentBackground, &TqzRadioButton::SetParentBackground)
        .Default(true);
    Property("Transparent", &TqzRadioButton::GetTransparent, &TqzRadioButton::SetTransparent).Default(false);
}

namespace {
const bool kRadioGroupRegistered = [] {
    RegisterClasses({TqzRadioButton::StaticClass()});
    return true;
}();
} // namespace

// ---- Radio group items and properties -------------------------------------------------------------------

TqzRadioGroupItem::TqzRadioGroupItem(TCollection* collection) : TqzButtonGroupItem(collection, false) {
    FValue = Null();
    NotifyItem(0);
}

TqzRadioGroupItem::~TqzRadioGroupItem() {
    // Told while the value still exists.
    if (!FDeletionTold) NotifyItem(1);
}

void TqzRadioGroupItem::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzRadioGroupItem*>(source)) FValue = other->FValue;
    inherited::Assign(source);
}

void TqzRadioGroupItem::SetValue(const Variant& value) {
    if (value.VType() == FValue.VType() && VariantValuesEqualBoolAsText(value, FValue)) return;
    FValue = value;
    NotifyItem(2);
}

TqzCustomRadioGroupProperties::TqzCustomRadioGroupProperties(TPersistent* owner)
    : TqzCustomButtonGroupProperties(owner) {
    FDefaultValue = Null();
}

TClass TqzCustomRadioGroupProperties::GetContainerClass() const { return TqzRadioGroup::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomRadioGroupProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzCustomRadioGroupViewData>;
}

TqzCustomEditViewInfoClass TqzCustomRadioGroupProperties::GetViewInfoClass() const {
    return &TqzCustomRadioGroupViewInfo::CreateInstance;
}

TqzButtonGroupItems* TqzCustomRadioGroupProperties::CreateItems() {
    return new TqzRadioGroupItems(this, TCollectionItemClass::Of<TqzRadioGroupItem>());
}

Integer TqzCustomRadioGroupProperties::GetColumnCount() {
    return std::max<Integer>(1, std::min(GetColumns(), GetItems()->GetCount()));
}

void TqzCustomRadioGroupProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomRadioGroupProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetDefaultCaption(other->FDefaultCaption);
        SetDefaultValue(other->FDefaultValue);
        SetWordWrap(other->GetWordWrap());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzCustomRadioGroupProperties::SetDefaultCaption(const WideString& value) {
    if (value == FDefaultCaption) return;
    FDefaultCaption = value;
    Changed();
}

void TqzCustomRadioGroupProperties::SetDefaultValue(const Variant& value) {
    if (value.VType() == FDefaultValue.VType() && VariantValuesEqualBoolAsText(value, FDefaultValue)) return;
    FDefaultValue = value;
    Changed();
}

Integer TqzCustomRadioGroupProperties::GetItemIndexOfValue(const Variant& value) {
    TqzRadioGroupItems* items = GetRadioItems();
    for (Integer i = 0; i < items->GetCount(); ++i) {
        TqzRadioGroupItem* item = items->GetItem(i);
        if (VarIsNull(item->GetValue())) {
            if (!VarIsNull(value) && !VarIsEmpty(value) && item->GetCaption() == VarToStr(value)) return i;
        } else if (VariantValuesEqualBoolAsText(value, item->GetValue())) {
            return i;
        }
    }
    return -1;
}

bool TqzCustomRadioGroupProperties::AreDisplayValuesEqual(const Variant& v1, const Variant& v2) {
    return GetItemIndexOfValue(v1) == GetItemIndexOfValue(v2);
}

WideString TqzCustomRadioGroupProperties::GetDisplayTextWide(const Variant& editValue) {
    const Integer index = GetItemIndexOfValue(editValue);
    if (index < 0) return FDefaultCaption;
    return StringToWide(GetRadioItems()->GetItem(index)->GetCaption());
}

void TqzCustomRadioGroupProperties::PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool) {
    displayValue = Variant(GetItemIndexOfValue(editValue));
}

// ---- Radio group view ---------------------------------------------------------------------------------------

void TqzCustomRadioGroupViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                            TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    auto* info = static_cast<TqzCustomRadioGroupViewInfo*>(viewInfo);
    auto* group = dynamic_cast<TqzCustomRadioGroup*>(Edit);
    // A copy shows the value it was given (the stored one), not the editor's own; the native
    // states below need the checked item.
    if (group && !group->IsPaintingCopy()) info->ItemIndexDrawn = group->GetItemIndex();
    info->PaintsItemBackground =
        !group || IsInplace || !(group->HasOwnBackground() || group->UsesTransparentProperty());
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    viewInfo->BackgroundColor = FStyle->GetColor();
    for (Integer i = 0; i < info->GetButtonCount(); ++i) info->GetItemInfo(i)->Data.BackgroundColor = info->BackgroundColor;
}

void TqzCustomRadioGroupViewData::EditValueToViewInfo(TqzCanvas*, const Variant& editValue,
                                                      TqzCustomEditViewInfo* viewInfo) {
    auto* info = static_cast<TqzCustomRadioGroupViewInfo*>(viewInfo);
    info->ItemIndexDrawn =
        IsPreview ? 0 : static_cast<TqzCustomRadioGroupProperties*>(FProperties)->GetItemIndexOfValue(editValue);
    info->MeasuringWordWrap = MeasuringForWidth;
}

void TqzCustomRadioGroupViewData::GetButtonMetrics(TqzCanvas* canvas, TqzButtonGroupMetrics& m) {
    const Integer i = IsInplace ? 1 : 0;
    const bool native = IsNativeStyleFor(FStyle->GetLookAndFeel());
    m.LeftOffset = 6 - 5 * i;
    m.WidthAdjustment2 = 4 * i - 6;
    m.ColumnSpacing = 0;
    if (!canvas) return;
    m.TextOffset = native ? 1 : 3;
    m.RightAdjustment = i - 6;
    m.GlyphToTextWidth = native ? 5 : 7;
    m.WidthAdjustment = 6 - 5 * i;
    TSize glyph = RadioGlyphSize();
    if (native) {
        if (HTHEME theme = OpenThemeForType(ttButton)) {
            SIZE size{};
            if (UxGetThemePartSize(theme, canvas->DeviceContext(), kRadioButtonPart, 1, nullptr, TS_TRUE, &size) == S_OK)
                glyph = TSize{size.cx, size.cy};
        }
    }
    m.GlyphWidth = glyph.cx;
    m.GlyphHeight = glyph.cy;
}

void TqzCustomRadioGroupViewData::CalculateButtonNativeState(TqzCustomEditViewInfo* viewInfo,
                                                             TqzGroupBoxButtonViewInfo* button) {
    button->Native = IsNativeStyleFor(FStyle->GetLookAndFeel());
    if (!button->Native) return;
    auto* info = static_cast<TqzCustomRadioGroupViewInfo*>(viewInfo);
    const bool checked = button->ItemIndex == info->ItemIndexDrawn;
    // By item state (disabled, normal, pressed, hot).
    constexpr int kStates[2][4] = {{4, 1, 3, 2}, {8, 5, 7, 6}};
    button->ThemePart = kRadioButtonPart;
    button->ThemeStateId = kStates[checked ? 1 : 0][std::clamp<Integer>(button->Data.State, 0, 3)];
    HTHEME theme = OpenThemeForType(ttButton);
    button->PartiallyTransparent =
        theme && UxIsThemeBackgroundPartiallyTransparent(theme, kRadioButtonPart, button->ThemeStateId);
}

void TqzCustomRadioGroupViewInfo::PaintItems(TqzCanvas* canvas) {
    if (!PaintingCopy) return;
    for (Integer i = 0; i < GetButtonCount(); ++i) PaintButton(canvas, i);
}

void TqzCustomRadioGroupViewInfo::PaintButton(TqzCanvas* canvas, Integer index) {
    auto* item = GetItemInfo(index);
    const TRect r = item->Bounds;
    TSize glyph = RadioGlyphSize();
    HTHEME theme = item->Native ? OpenThemeForType(ttButton) : nullptr;
    if (theme) {
        SIZE size{};
        if (UxGetThemePartSize(theme, canvas->DeviceContext(), kRadioButtonPart, item->ThemeStateId, nullptr, TS_TRUE,
                               &size) == S_OK)
            glyph = TSize{size.cx, size.cy};
    }
    TRect g{r.left, r.top + (r.bottom - r.top - glyph.cy) / 2, 0, 0};
    if (!theme && PaintingCopy) ++g.left;
    g.right = g.left + glyph.cx;
    g.bottom = g.top + glyph.cy;
    std::unique_ptr<TqzRegion> clip = canvas->CopyClipRegion();
    canvas->IntersectClipArea(r);
    if (theme) {
        const RECT gr = g;
        if (item->PartiallyTransparent) {
            if (PaintsItemBackground) FillRectWithColor(canvas, r, BackgroundColor);
            UxDrawThemeBackground(theme, canvas->DeviceContext(), kRadioButtonPart, item->ThemeStateId, &gr, nullptr);
        } else {
            UxDrawThemeBackground(theme, canvas->DeviceContext(), kRadioButtonPart, item->ThemeStateId, &gr, nullptr);
            canvas->ExcludeClipArea(g);
            if (PaintsItemBackground) FillRectWithColor(canvas, r, BackgroundColor);
        }
    } else {
        TqzLookAndFeelKind kind = lfStandard;
        switch (item->ButtonStyle) {
        case btsFlat: kind = lfFlat; break;
        case btsUltraFlat: kind = lfUltraFlat; break;
        case btsOffice11: kind = lfOffice11; break;
        default: break;
        }
        constexpr TqzButtonState kStates[] = {qzbsDisabled, qzbsNormal, qzbsPressed, qzbsHot};
        LookAndFeelPainterClassOf(kind)->PaintRadioButton(canvas, g.left, g.top,
                                                          kStates[std::clamp<Integer>(item->Data.State, 0, 3)],
                                                          index == ItemIndexDrawn, false, item->IsDesigning,
                                                          PaintsItemBackground ? BackgroundColor : clDefault);
        canvas->ExcludeClipArea(g);
        if (PaintsItemBackground) FillRectWithColor(canvas, r, BackgroundColor);
    }
    canvas->ApplyClipRegion(std::move(clip));
    // The caption.
    if (Font) canvas->SelectFont(Font);
    canvas->CurrentFont()->SetColor(TextColor);
    canvas->CurrentBrush()->SetStyle(bsClear);
    // The caption rectangle of the item's own button: the top one pixel higher, so the copy's
    // text lies where the window draws it.
    TRect text{g.right, r.top - 1, r.right, r.bottom};
    if (theme)
        text.left += 3;
    else
        text = TRect{text.left + 5, text.top, text.right - 1, text.bottom};
    const TqzTextFlags flags =
        qzGraphics::tfAlignLeft | qzGraphics::tfAlignVCenter | qzGraphics::tfShowPrefix | qzGraphics::tfSingleLine;
    canvas->OutputText(item->Caption, text, true, flags);
    canvas->CurrentBrush()->SetStyle(bsSolid);
    if (Focused && !IsInplace) {
        TRect bounds = text;
        canvas->CalcTextBounds(item->Caption, bounds, flags);
        InflateRect(&bounds, 1, 1);
        ++bounds.bottom;
        canvas->SetBrushColor(BackgroundColor);
        canvas->DrawFocusFrame(bounds);
    }
}

// ---- Group buttons ------------------------------------------------------------------------------------------

TqzCustomRadioGroupButton::TqzCustomRadioGroupButton(TqzCustomRadioGroup* group)
    : TqzRadioButton(group), FGroup(group) {
    GetLookAndFeel()->SetMaster(group->GetStyle()->GetLookAndFeel());
}

TqzCustomRadioGroupButton::~TqzCustomRadioGroupButton() {
    if (FGroup) FGroup->ForgetButton(this);
}

Integer TqzCustomRadioGroupButton::GetIndexInGroup() const {
    const auto& buttons = FGroup->GetButtons();
    const auto it = std::find(buttons.begin(), buttons.end(), static_cast<const TWinControl*>(this));
    return it == buttons.end() ? -1 : Integer(it - buttons.begin());
}

bool TqzCustomRadioGroupButton::IsInplace() const { return FGroup->IsInplace(); }
bool TqzCustomRadioGroupButton::HasOwnBackground() const { return FGroup->HasOwnBackground(); }
bool TqzCustomRadioGroupButton::UsesTransparentProperty() const { return FGroup->UsesTransparentProperty(); }
bool TqzCustomRadioGroupButton::IsNativeStyle() const {
    return TqzButtonGroupViewData::IsNativeStyleFor(FGroup->GetStyle()->GetLookAndFeel());
}

TqzContainer* TqzCustomRadioGroupButton::GetControlContainer() { return FGroup; }

bool TqzCustomRadioGroupButton::CanFocus() const { return FGroup->CanReceiveFocus() && TqzRadioButton::CanFocus(); }

bool TqzCustomRadioGroupButton::ExecuteAction(TBasicAction* action) {
    return TqzRadioButton::ExecuteAction(action) || FGroup->ExecuteAction(action);
}

bool TqzCustomRadioGroupButton::UpdateAction(TBasicAction* action) {
    return TqzRadioButton::UpdateAction(action) || FGroup->UpdateAction(action);
}

void TqzCustomRadioGroupButton::Click() {
    const TLivenessToken alive = LivenessToken();
    TqzRadioButton::Click();
    if (alive && !FGroup->GetComponentState().Contains(csLoading)) FGroup->Click();
}

void TqzCustomRadioGroupButton::DoEnter() {
    // The group decides whether entering checks the button.
    TRadioButton::DoEnter();
    FGroup->UpdateViewAtCursor();
    if (GetChecked()) return;
    TqzCustomRadioGroup* group = FGroup;
    const bool focused = Focused();
    group->LockChangeEvents(true);
    try {
        if (!focused || group->RequestEditing()) group->SelectFromButton(GetIndexInGroup(), focused);
        if (focused && group->GetPropertiesInUse()->ImmediatePost && group->HasPendingModification() &&
            group->ValidateEditing())
            group->PostEditValue();
    } catch (...) {
        group->LockChangeEvents(false);
        throw;
    }
    group->LockChangeEvents(false);
}

void TqzCustomRadioGroupButton::DoExit() {
    TqzRadioButton::DoExit();
    FGroup->UpdateViewAtCursor();
}

void TqzCustomRadioGroupButton::KeyPress(char32_t& key) {
    if ((key == 8 || key == U' ') && !FGroup->CanModify()) key = 0;
    TqzRadioButton::KeyPress(key);
}

void TqzCustomRadioGroupButton::CNCommand(TWMCommand& message) {
    if (message.NotifyCode != BN_CLICKED && message.NotifyCode != BN_DOUBLECLICKED) {
        TMessage m{message.Msg, WPARAM(MAKEWPARAM(message.ItemID, message.NotifyCode)), LPARAM(message.Ctl), 0};
        KOV_INHERITED(m);
        return;
    }
    if (FInClickNotification) return;
    FInClickNotification = true;
    const TLivenessToken alive = LivenessToken();
    try {
        if (GetChecked() || (FGroup->CanModify() && FGroup->RequestEditing())) {
            TMessage m{message.Msg, WPARAM(MAKEWPARAM(message.ItemID, message.NotifyCode)), LPARAM(message.Ctl), 0};
            KOV_INHERITED(m);
        }
    } catch (...) {
        Application->HandleException(this, std::current_exception());
    }
    if (alive) FInClickNotification = false;
}

void TqzCustomRadioGroupButton::WndProc(TMessage& message) {
    if (FGroup->InnerWindowProc(message)) return;
    if ((message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) && FGroup->GetDragMode() == dmAutomatic &&
        !FGroup->GetComponentState().Contains(csDesigning)) {
        FGroup->BeginDrag(false);
        return;
    }
    TqzRadioButton::WndProc(message);
}

void TqzCustomRadioGroupButton::DefaultHandler(void* message) {
    if (FGroup->InnerDefaultHandler(*static_cast<TMessage*>(message))) return;
    TqzRadioButton::DefaultHandler(message);
}

void TqzCustomRadioGroupButton::WMGetDlgCode(TMessage& message) {
    KOV_INHERITED(message);
    if (IsInplace()) message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB;
}

void TqzCustomRadioGroupButton::WMSetFocus(TMessage& message) {
    KOV_INHERITED(message);
    if (!GetComponentState().Contains(csDestroying) && !IsControlWindow(FGroup, HWND(message.WParam)))
        FGroup->HandleFocusChange();
}

void TqzCustomRadioGroupButton::WMKillFocus(TMessage& message) {
    KOV_INHERITED(message);
    if (!GetComponentState().Contains(csDestroying) && !IsControlWindow(FGroup, HWND(message.WParam)))
        FGroup->HandleFocusChange();
}

KOV_MESSAGE_MAP(TqzCustomRadioGroupButton) {
    map.Message(CN_COMMAND, &TqzCustomRadioGroupButton::CNCommand);
    map.Message(WM_GETDLGCODE, &TqzCustomRadioGroupButton::WMGetDlgCode);
    map.Message(WM_SETFOCUS, &TqzCustomRadioGroupButton::WMSetFocus);
    map.Message(WM_KILLFOCUS, &TqzCustomRadioGroupButton::WMKillFocus);
}

// ---- Radio group ----------------------------------------------------------------------------------------------

TqzCustomRadioGroup::TqzCustomRadioGroup(TComponent* owner, bool isInplace)
    : TqzCustomButtonGroup(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomRadioGroup::TqzCustomRadioGroup(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomButtonGroup(owner, isInplace, deferInitialization) {}

void TqzCustomRadioGroup::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Exclude(csAcceptsControls);
    style.Include(csCaptureMouse);
    style.Include(csClickEvents);
    style.Include(csSetCaption);
    style.Include(csDoubleClicks);
    style.Include(csReplicatable);
    SetControlStyle(style);
    FLoadedItemIndex = -1;
    SetAutoSize(false);
    SetWidth(185);
    SetHeight(105);
}

TWinControl* TqzCustomRadioGroup::CreateButton() {
    auto* button = new TqzCustomRadioGroupButton(this);
    FButtons.push_back(button);
    return button;
}

Integer TqzCustomRadioGroup::GetItemIndex() const {
    for (size_t i = 0; i < FButtons.size(); ++i)
        if (static_cast<TqzCustomRadioGroupButton*>(FButtons[i])->GetChecked()) return Integer(i);
    return -1;
}

void TqzCustomRadioGroup::SetItemIndex(Integer value) {
    if (GetComponentState().Contains(csReading)) {
        FLoadedItemIndex = value;
        return;
    }
    const Integer index = std::clamp<Integer>(value, -1, GetButtonCount() - 1);
    Variant editValue;
    bool valid = true;
    DisplayToEditValue(Variant(index), editValue, valid);
    ApplyValueAndIndex(editValue, index, false);
}

void TqzCustomRadioGroup::SelectFromButton(Integer index, bool userEdit) {
    const bool old = FUserChange;
    FUserChange = userEdit;
    try {
        SetItemIndex(index);
    } catch (...) {
        FUserChange = old;
        throw;
    }
    FUserChange = old;
}

void TqzCustomRadioGroup::DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) {
    isValid = true;
    const Integer index = VarIsOrdinal(displayValue) ? displayValue.AsInteger() : -1;
    TqzCustomRadioGroupProperties* p = GetActiveRadioProperties();
    if (index < 0 || index >= p->GetItems()->GetCount()) {
        editValue = p->GetDefaultValue();
        return;
    }
    TqzRadioGroupItem* item = p->GetRadioItems()->GetItem(index);
    editValue = VarIsNull(item->GetValue()) ? Variant(item->GetCaption()) : item->GetValue();
}

void TqzCustomRadioGroup::ApplyEditValue(const Variant& value, bool prepare) {
    ApplyValueAndIndex(value, GetActiveRadioProperties()->GetItemIndexOfValue(value), prepare);
}

void TqzCustomRadioGroup::ApplyValueAndIndex(const Variant& value, Integer index, bool prepare) {
    const TLivenessToken alive = LivenessToken();
    TqzCustomEdit::ApplyEditValue(value, prepare);
    if (!alive) return;
    if (index >= GetButtonCount()) index = -1;
    if (index != GetItemIndex()) {
        if (index == -1) {
            const Integer checked = GetItemIndex();
            if (checked >= 0) GetRadioButton(checked)->SetChecked(false);
        } else {
            TqzCustomRadioGroupButton* button = GetRadioButton(index);
            button->SetClicksDisabled(false);
            button->SetChecked(true);
        }
        if (!alive) return;
        if (GetComponentState().Contains(csLoading)) FLoadedItemIndex = GetItemIndex();
        NotifyChange();
        if (!alive) return;
    } else if (!FUserChange) {
        SetModifiedFlag(false);
    }
    UpdateViewAtCursor();
}

void TqzCustomRadioGroup::ClearValue() { SetItemIndex(-1); }

void TqzCustomRadioGroup::Activate(TqzCustomEditData*& editData) {
    inherited::Activate(editData);
    if (GetButtonCount() == 0) return;
    const Integer index = std::max<Integer>(0, GetItemIndex());
    TWinControl* button = GetButton(index);
    if (button->CanFocus()) button->SetFocus();
}

bool TqzCustomRadioGroup::HasFocusWithin() {
    if (GetFocusedButtonIndex() >= 0) return false;
    return Focused();
}

bool TqzCustomRadioGroup::IsOwnScrollBar(TControl* control) {
    if (!control) return false;
    if (inherited::IsOwnScrollBar(control)) return true;
    return std::find(FButtons.begin(), FButtons.end(), control) != FButtons.end();
}

void TqzCustomRadioGroup::GetTabOrderList(std::vector<TWinControl*>& list) const {
    inherited::GetTabOrderList(list);
    if (!GetTabStop()) list.erase(std::remove(list.begin(), list.end(), this), list.end());
    const Integer checked = GetItemIndex();
    if (checked >= 0 && std::find(list.begin(), list.end(), FButtons[size_t(checked)]) == list.end())
        list.push_back(FButtons[size_t(checked)]);
}

void TqzCustomRadioGroup::Loaded() {
    inherited::Loaded();
    if (!IsDataBound()) SetEditValue(GetActiveRadioProperties()->GetDefaultValue());
    const TLivenessToken alive = LivenessToken();
    LockChangeEvents(true, false);
    LockClick(true);
    try {
        SetItemIndex(FLoadedItemIndex);
    } catch (...) {
        if (alive) {
            LockClick(false);
            LockChangeEvents(false, false);
        }
        throw;
    }
    if (!alive) return;
    LockClick(false);
    LockChangeEvents(false, false);
}

void TqzCustomRadioGroup::SetDragMode(TDragMode value) {
    inherited::SetDragMode(value);
    for (TWinControl* button : FButtons) button->SetDragMode(value);
}

void TqzCustomRadioGroup::SetDragKind(TDragKind value) {
    inherited::SetDragKind(value);
    for (TWinControl* button : FButtons) button->SetDragKind(value);
}

void TqzCustomRadioGroup::HandleParentBackgroundChange() {
    inherited::HandleParentBackgroundChange();
    for (TWinControl* button : FButtons) button->SetParentBackground(GetParentBackground());
}

void TqzCustomRadioGroup::HandleCursorChange() {
    inherited::HandleCursorChange();
    for (TWinControl* button : FButtons) button->SetCursor(GetCursor());
}

void TqzCustomRadioGroup::Resize() {
    inherited::Resize();
    if (GetComponentState().Contains(csDesigning) && HasOwnBackground() && HandleAllocated())
        InvalidateRect(GetHandle(), nullptr, TRUE);
}

void TqzCustomRadioGroup::UpdateButtons() {
    const Integer before = GetItemIndex();
    inherited::UpdateButtons();
    if (!GetComponentState().Contains(csReading)) SetItemIndex(before);
    TqzButtonGroupItems* items = GetActiveRadioProperties()->GetItems();
    for (Integer i = 0; i < GetButtonCount() && i < items->GetCount(); ++i) {
        GetRadioButton(i)->SetCaption(items->GetItem(i)->GetCaption());
        GetRadioButton(i)->SetWordWrap(GetActiveRadioProperties()->GetWordWrap());
    }
}

void TqzCustomRadioGroup::UpdateButtonAppearance() {
    inherited::UpdateButtonAppearance();
    TqzCustomRadioGroupViewInfo* info = GetRadioViewInfo();
    for (Integer i = 0; i < GetButtonCount(); ++i) {
        TqzCustomRadioGroupButton* button = GetRadioButton(i);
        if (info && info->GetButtonCount() > 0) {
            TqzLookAndFeelKind kind = lfStandard;
            switch (info->GetItemInfo(0)->ButtonStyle) {
            case btsFlat: kind = lfFlat; break;
            case btsUltraFlat: kind = lfUltraFlat; break;
            case btsOffice11: kind = lfOffice11; break;
            default: break;
            }
            button->GetLookAndFeel()->SetKind(kind);
        }
        if (!button->GetEnabled()) button->GetFont()->SetColor(GetStyleDisabled()->GetTextColor());
        button->SetTransparent(GetTransparent());
    }
}

bool TqzCustomRadioGroup::IsButtonDeviceContext(HDC dc) {
    for (TWinControl* button : FButtons)
        if (auto* radio = dynamic_cast<TqzCustomRadioGroupButton*>(button))
            if (radio->HandleAllocated() && dc != nullptr && dc == radio->GetCanvasHandle()) return true;
    return false;
}

bool TqzCustomRadioGroup::HandleDialogChar(char32_t ch) {
    if (IsAccel(UINT(ch), GetCaption()) && CanReceiveFocus()) {
        FocusFirstChild();
        return true;
    }
    return inherited::HandleDialogChar(ch);
}

void TqzCustomRadioGroup::HandleWindowMessage(TMessage& message) {
    if (message.Msg == QZM_FOCUSRADIOITEM) {
        const Integer index = Integer(message.WParam);
        if (index >= 0 && index < GetButtonCount() && GetButton(index)->CanFocus()) GetButton(index)->SetFocus();
        return;
    }
    if (message.Msg == CM_CTL3DCHANGED) {
        inherited::HandleWindowMessage(message);
        UpdateViewAtCursor();
        return;
    }
    inherited::HandleWindowMessage(message);
}

TqzRadioGroup::TqzRadioGroup(TComponent* owner) : TqzCustomRadioGroup(owner, false, true) { InitializeEditor(); }

TqzRadioGroup::TqzRadioGroup(TComponent* owner, bool isInplace) : TqzCustomRadioGroup(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzRadioGroupItem) {
    Property("Value", &TqzRadioGroupItem::GetValue, &TqzRadioGroupItem::SetValue).Stored(&TqzRadioGroupItem::IsValueStored);
}

KOV_PUBLISHED(TqzCustomRadioGroupProperties) {}

KOV_PUBLISHED(TqzRadioGroupProperties) {
    using P = TqzRadioGroupProperties;
    Property("Columns", &P::GetColumns, &P::SetColumns).Default(Integer(1));
    Property("DefaultCaption", &P::GetDefaultCaption, &P::SetDefaultCaption).Stored(&P::IsDefaultCaptionStored);
    Property("DefaultValue", &P::GetDefaultValue, &P::SetDefaultValue).Stored(&P::IsDefaultValueStored);
    Property("Items", &P::GetItems, &P::SetItems);
    Property("WordWrap", &P::GetWordWrap, &P::SetWordWrap).Default(false);
}

KOV_PUBLISHED(TqzCustomRadioGroup) {}

KOV_PUBLISHED(TqzRadioGroup) {
    Property("Alignment", &TqzRadioGroup::GetAlignment, &TqzRadioGroup::SetAlignment).Default(alTopLeft);
    Property("ItemIndex", &TqzRadioGroup::GetItemIndex, &TqzRadioGroup::SetItemIndex)
        .Stored(&TqzRadioGroup::IsItemIndexStored);
    Property("Properties", &TqzRadioGroup::GetProperties, &TqzRadioGroup::SetRadioProperties);
    Property("Transparent", &TqzRadioGroup::GetTransparent, &TqzRadioGroup::SetTransparent).Default(false);
}

namespace {
const bool kRadioGroupEditorRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomRadioGroupProperties>();
    RegisterInterfacedPersistentClass<TqzRadioGroupProperties>();
    RegisterClasses({TqzRadioGroup::StaticClass()});
    // RadioGlyphSize measures on first use: the screen does not exist yet while units start.
    GetEditPropertiesRegistry()->Register(TqzRadioGroupProperties::StaticClass(),
                                          "RadioGroup|Represents a group of radio buttons");
    return true;
}();
} // namespace
