#include "platform/classlib/CommonCtrls.h"

#include <algorithm>

#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinError.h"

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kRepeatDelay = 400;
constexpr UINT kRepeatInterval = 100;

void FillSolid(TCanvas* canvas, const TRect& rect, TColor color) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(color);
    canvas->FillRect(rect);
}

} // namespace

// ---- TCustomUpDown ------------------------------------------------------------------------------

TCustomUpDown::TCustomUpDown(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = {csCaptureMouse, csOpaque, csFixedWidth};
    SetBounds(0, 0, 17, 25);
}

TCustomUpDown::~TCustomUpDown() { SetAssociate(nullptr); }

void TCustomUpDown::SetAssociate(TWinControl* value) {
    if (FAssociate == value) return;
    if (FAssociate != nullptr) {
        FAssociate->WindowProc = FAssociateWndProc;
        FAssociate->RemoveFreeNotification(this);
    }
    FAssociate = value;
    if (value == nullptr) return;
    value->FreeNotification(this);
    FAssociateWndProc = value->WindowProc;
    value->WindowProc = TWndMethod(this, &TCustomUpDown::AssociateWndProc);
    PlaceBesideAssociate();
    UpdateAssociate();
}

void TCustomUpDown::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == FAssociate) FAssociate = nullptr;
}

void TCustomUpDown::SetAlignButton(TUDAlignButton value) {
    if (FAlignButton == value) return;
    FAlignButton = value;
    PlaceBesideAssociate();
}

void TCustomUpDown::PlaceBesideAssociate() {
    if (FAssociate == nullptr || FAssociate->GetParent() == nullptr) return;
    if (GetParent() != FAssociate->GetParent()) SetParent(FAssociate->GetParent());
    const Integer width = GetWidth();
    if (FAlignButton == udRight)
        SetBounds(FAssociate->GetLeft() + FAssociate->GetWidth(), FAssociate->GetTop(), width, FAssociate->GetHeight());
    else
        SetBounds(FAssociate->GetLeft() - width, FAssociate->GetTop(), width, FAssociate->GetHeight());
}

void TCustomUpDown::UpdateAssociate() {
    if (FAssociate == nullptr) return;
    String text = IntToStr(FPosition);
    if (FThousands) {
        String digits = IntToStr(FPosition < 0 ? -Integer(FPosition) : Integer(FPosition));
        for (Integer i = Integer(digits.size()) - 3; i > 0; i -= 3) digits.insert(std::size_t(i), 1, FormatSettings.ThousandSeparator);
        text = (FPosition < 0 ? "-" : "") + digits;
    }
    FAssociate->SetText(text);
}

void TCustomUpDown::AssociateWndProc(TMessage& message) {
    if (FArrowKeys && message.Msg == WM_KEYDOWN && (message.WParam == VK_UP || message.WParam == VK_DOWN)) {
        Step(message.WParam == VK_UP ? btNext : btPrev);
        message.Result = 0;
        return;
    }
    if (message.Msg == WM_GETDLGCODE && FArrowKeys) {
        FAssociateWndProc(message);
        message.Result |= DLGC_WANTARROWS;
        return;
    }
    FAssociateWndProc(message);
}

void TCustomUpDown::SetMin(SmallInt value) {
    if (FMin == value) return;
    FMin = value;
    SetPosition(FPosition);
    Invalidate();
}

void TCustomUpDown::SetMax(SmallInt value) {
    if (FMax == value) return;
    FMax = value;
    SetPosition(FPosition);
    Invalidate();
}

void TCustomUpDown::SetPosition(SmallInt value) {
    value = std::clamp(value, std::min(FMin, FMax), std::max(FMin, FMax));
    if (FPosition == value) return;
    FPosition = value;
    UpdateAssociate();
}

void TCustomUpDown::SetOrientation(TUDOrientation value) {
    if (FOrientation == value) return;
    FOrientation = value;
    if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    Invalidate();
}

void TCustomUpDown::SetThousands(bool value) {
    if (FThousands == value) return;
    FThousands = value;
    UpdateAssociate();
}

bool TCustomUpDown::CanChange() {
    bool allow = true;
    OnChanging(this, allow);
    return allow;
}

void TCustomUpDown::DoClick(TUDBtnType button) { OnClick(this, button); }

void TCustomUpDown::Step(TUDBtnType button) {
    const Integer lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    // Next goes towards Max whichever way round the range is.
    const Integer direction = (button == btNext) == (FMax >= FMin) ? 1 : -1;
    Integer next = Integer(FPosition) + direction * FIncrement;
    if (next > hi) next = FWrap ? lo : hi;
    if (next < lo) next = FWrap ? hi : lo;
    const TLivenessToken alive = LivenessToken();
    if (next != FPosition) {
        if (!CanChange() || !alive) return;
        FPosition = SmallInt(next);
        UpdateAssociate();
    }
    DoClick(button);
}

TUDBtnType TCustomUpDown::ButtonAt(Integer x, Integer y) const {
    if (FOrientation == udVertical) return y < GetClientHeight() / 2 ? btNext : btPrev;
    return x >= GetClientWidth() / 2 ? btNext : btPrev;
}

void TCustomUpDown::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !GetEnabled()) return;
    if (FAssociate != nullptr && FAssociate->CanFocus()) FAssociate->SetFocus();
    FPressed = true;
    FPressedButton = ButtonAt(x, y);
    Invalidate();
    const TLivenessToken alive = LivenessToken();
    Step(FPressedButton);
    if (!alive || !FPressed) return;
    FRepeating = false;
    CheckWindowThreadCall(SetTimer(GetHandle(), kRepeatTimer, kRepeatDelay, nullptr) != 0, "SetTimer");
}

void TCustomUpDown::StopRepeat() {
    if (HandleAllocated()) {
        SetLastError(0); // the timer may have stopped already
        CheckWindowThreadCall(KillTimer(GetHandle(), kRepeatTimer) != FALSE, "KillTimer");
    }
    FRepeating = false;
}

void TCustomUpDown::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft && FPressed) {
        FPressed = false;
        StopRepeat();
        Invalidate();
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

void TCustomUpDown::WMTimer(TMessage& message) {
    if (message.WParam != kRepeatTimer) return;
    if (!FPressed || GetCaptureControl() != this) {
        FPressed = false;
        StopRepeat();
        Invalidate();
        return;
    }
    if (!FRepeating) {
        FRepeating = true;
        CheckWindowThreadCall(SetTimer(GetHandle(), kRepeatTimer, kRepeatInterval, nullptr) != 0, "SetTimer");
    }
    // Only while the pointer stays on the button pressed.
    POINT p;
    GetCursorPos(&p);
    p = ScreenToClient(p);
    const RECT client = GetClientRect();
    if (PtInRect(&client, p) && ButtonAt(p.x, p.y) == FPressedButton) Step(FPressedButton);
}

void TCustomUpDown::KeyDown(Word& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (!FArrowKeys) return;
    if (key == VK_UP || key == VK_RIGHT) {
        Step(btNext);
        key = 0;
    } else if (key == VK_DOWN || key == VK_LEFT) {
        Step(btPrev);
        key = 0;
    }
}

void TCustomUpDown::WMGetDlgCode(TMessage& message) { message.Result = FArrowKeys ? DLGC_WANTARROWS : 0; }

void TCustomUpDown::WMSize(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

void TCustomUpDown::Paint() {
    TCanvas* canvas = GetCanvas();
    const TRect client = GetClientRect();
    HDC dc = canvas->GetHandle();
    TRect first = client, second = client;
    UINT firstKind, secondKind;
    if (FOrientation == udVertical) {
        first.bottom = client.top + (client.bottom - client.top) / 2;
        second.top = first.bottom;
        firstKind = DFCS_SCROLLUP;
        secondKind = DFCS_SCROLLDOWN;
    } else {
        first.right = client.left + (client.right - client.left) / 2;
        second.left = first.right;
        firstKind = DFCS_SCROLLLEFT;
        secondKind = DFCS_SCROLLRIGHT;
    }
    // The first half is Next for a vertical control (up), Prev for a horizontal one (left).
    const TUDBtnType firstButton = FOrientation == udVertical ? btNext : btPrev;
    const UINT disabled = IsShownEnabled() ? 0 : DFCS_INACTIVE;
    const UINT firstPushed = FPressed && FPressedButton == firstButton ? DFCS_PUSHED : 0;
    const UINT secondPushed = FPressed && FPressedButton != firstButton ? DFCS_PUSHED : 0;
    DrawFrameControl(dc, &first, DFC_SCROLL, firstKind | disabled | firstPushed);
    DrawFrameControl(dc, &second, DFC_SCROLL, secondKind | disabled | secondPushed);
}

KOV_MESSAGE_MAP(TCustomUpDown) {
    map.Message(WM_TIMER, &TCustomUpDown::WMTimer);
    map.Message(WM_GETDLGCODE, &TCustomUpDown::WMGetDlgCode);
    map.Message(WM_SIZE, &TCustomUpDown::WMSize);
}

// ---- TProgressBar -------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = {csOpaque};
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetMin(Integer value) {
    if (FMin == value) return;
    FMin = value;
    if (FMax < FMin) FMax = FMin;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Invalidate();
}

void TProgressBar::SetMax(Integer value) {
    if (FMax == value) return;
    FMax = value;
    if (FMin > FMax) FMin = FMax;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Invalidate();
}

void TProgressBar::SetPosition(Integer value) {
    value = std::clamp(value, FMin, FMax);
    if (FPosition == value) return;
    FPosition = value;
    Invalidate();
}

void TProgressBar::SetSmooth(bool value) {
    if (FSmooth == value) return;
    FSmooth = value;
    Invalidate();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
    if (FOrientation == value) return;
    FOrientation = value;
    if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    Invalidate();
}

void TProgressBar::StepIt() {
    Integer next = FPosition + FStep;
    if (next > FMax) next = FMin + (next - FMax);
    if (next < FMin) next = FMax - (FMin - next);
    FPosition = std::clamp(next, FMin, FMax);
    Invalidate();
}

void TProgressBar::StepBy(Integer delta) { SetPosition(FPosition + delta); }

void TProgressBar::Paint() {
    TCanvas* canvas = GetCanvas();
    TRect client = GetClientRect();
    FillSolid(canvas, client, clBtnFace);
    DrawEdge(canvas->GetHandle(), &client, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    InflateRect(&client, -1, -1);
    if (FMax <= FMin || FPosition <= FMin) return;
    const bool horizontal = FOrientation == pbHorizontal;
    const Integer length = horizontal ? client.right - client.left : client.bottom - client.top;
    const Integer filled = Integer(Int64(length) * (FPosition - FMin) / (FMax - FMin));
    TRect bar = client;
    if (horizontal)
        bar.right = bar.left + filled;
    else
        bar.top = bar.bottom - filled;
    if (FSmooth) {
        FillSolid(canvas, bar, clHighlight);
        return;
    }
    // Blocks two-thirds as long as the bar is thick, two pixels apart.
    const Integer thickness = horizontal ? client.bottom - client.top : client.right - client.left;
    const Integer block = std::max<Integer>(thickness * 2 / 3, 2);
    for (Integer at = 0; at < filled; at += block + 2) {
        TRect b = bar;
        if (horizontal) {
            b.left = client.left + at;
            b.right = std::min(b.left + block, bar.right);
        } else {
            b.bottom = client.bottom - at;
            b.top = std::max(b.bottom - block, bar.top);
        }
        FillSolid(canvas, b, clHighlight);
    }
}

// ---- TTrackBar ----------------------------------------------------------------------------------

namespace {
constexpr Integer kThumbLength = 11;  // along the channel
constexpr Integer kThumbThickness = 21;
constexpr Integer kChannelMargin = 8;
} // namespace

TTrackBar::TTrackBar(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = {csCaptureMouse, csClickEvents, csOpaque};
    SetBounds(0, 0, 150, 45);
    FTabStop = true;
}

void TTrackBar::SetMin(Integer value) {
    if (FMin == value) return;
    FMin = value;
    if (FMax < FMin) FMax = FMin;
    SetPosition(FPosition);
    Invalidate();
}

void TTrackBar::SetMax(Integer value) {
    if (FMax == value) return;
    FMax = value;
    if (FMin > FMax) FMin = FMax;
    SetPosition(FPosition);
    Invalidate();
}

void TTrackBar::SetPosition(Integer value) {
    value = std::clamp(value, FMin, FMax);
    if (FPosition == value) return;
    FPosition = value;
    Invalidate();
    Changed();
}

void TTrackBar::SetFrequency(Integer value) {
    if (FFrequency == value) return;
    FFrequency = value;
    Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
    if (FOrientation == value) return;
    FOrientation = value;
    if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    Invalidate();
}

void TTrackBar::SetTickMarks(TTickMark value) {
    if (FTickMarks == value) return;
    FTickMarks = value;
    Invalidate();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
    if (FTickStyle == value) return;
    FTickStyle = value;
    Invalidate();
}

void TTrackBar::SetTick(Integer value) {
    if (value <= FMin || value >= FMax) return;
    FTicks.push_back(value);
    Invalidate();
}

void TTrackBar::Changed() { OnChange(this); }

Integer TTrackBar::ChannelStart() const { return kChannelMargin + kThumbLength / 2; }

Integer TTrackBar::ChannelLength() const {
    const Integer along = FOrientation == trHorizontal ? GetClientWidth() : GetClientHeight();
    return std::max<Integer>(along - 2 * ChannelStart(), 1);
}

Integer TTrackBar::PositionToPixel(Integer position) const {
    if (FMax == FMin) return ChannelStart();
    return ChannelStart() + Integer(Int64(ChannelLength()) * (position - FMin) / (FMax - FMin));
}

Integer TTrackBar::PixelToPosition(Integer pixel) const {
    if (FMax == FMin) return FMin;
    const Int64 offset = Int64(pixel - ChannelStart()) * (FMax - FMin);
    // Rounds to the nearest position.
    const Int64 len = ChannelLength();
    const Int64 pos = offset >= 0 ? (offset + len / 2) / len : -((-offset + len / 2) / len);
    return std::clamp(Integer(FMin + pos), FMin, FMax);
}

TRect TTrackBar::ThumbRect() const {
    const Integer centre = PositionToPixel(FPosition);
    const Integer cross = FOrientation == trHorizontal ? GetClientHeight() : GetClientWidth();
    Integer top = (cross - kThumbThickness) / 2;
    if (FTickStyle != tsNone && FTickMarks == tmBottomRight) top = std::min<Integer>(top, 8);
    if (FTickStyle != tsNone && FTickMarks == tmTopLeft) top = std::max<Integer>(cross - kThumbThickness - 8, top);
    if (FOrientation == trHorizontal)
        return TRect{centre - kThumbLength / 2, top, centre - kThumbLength / 2 + kThumbLength, top + kThumbThickness};
    return TRect{top, centre - kThumbLength / 2, top + kThumbThickness, centre - kThumbLength / 2 + kThumbLength};
}

void TTrackBar::Paint() {
    TCanvas* canvas = GetCanvas();
    const TRect client = GetClientRect();
    FillSolid(canvas, client, GetColor());
    HDC dc = canvas->GetHandle();
    const bool horizontal = FOrientation == trHorizontal;
    const TRect thumb = ThumbRect();
    const Integer mid = horizontal ? (thumb.top + thumb.bottom) / 2 : (thumb.left + thumb.right) / 2;
    const Integer start = ChannelStart(), end = ChannelStart() + ChannelLength();
    TRect channel = horizontal ? TRect{start - 2, mid - 2, end + 2, mid + 2} : TRect{mid - 2, start - 2, mid + 2, end + 2};
    DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT);
    if (FTickStyle != tsNone) {
        std::vector<Integer> ticks{FMin, FMax};
        if (FTickStyle == tsAuto && FFrequency > 0)
            for (Integer p = FMin + FFrequency; p < FMax; p += FFrequency) ticks.push_back(p);
        ticks.insert(ticks.end(), FTicks.begin(), FTicks.end());
        canvas->GetPen()->SetColor(clWindowText);
        canvas->GetPen()->SetStyle(psSolid);
        const Integer thick = horizontal ? thumb.bottom : thumb.right;
        const Integer thin = horizontal ? thumb.top : thumb.left;
        for (Integer p : ticks) {
            const Integer at = PositionToPixel(p);
            const Integer len = (p == FMin || p == FMax) ? 4 : 3;
            if (FTickMarks != tmTopLeft) {
                if (horizontal) {
                    canvas->MoveTo(at, thick + 2);
                    canvas->LineTo(at, thick + 2 + len);
                } else {
                    canvas->MoveTo(thick + 2, at);
                    canvas->LineTo(thick + 2 + len, at);
                }
            }
            if (FTickMarks != tmBottomRight) {
                if (horizontal) {
                    canvas->MoveTo(at, thin - 2 - len);
                    canvas->LineTo(at, thin - 2);
                } else {
                    canvas->MoveTo(thin - 2 - len, at);
                    canvas->LineTo(thin - 2, at);
                }
            }
        }
    }
    TRect face = thumb;
    FillSolid(canvas, face, clBtnFace);
    DrawEdge(dc, &face, EDGE_RAISED, BF_RECT);
    if (Focused()) {
        TRect focus = client;
        canvas->DrawFocusRect(focus);
    }
}

void TTrackBar::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    if (CanFocus() && !Focused()) SetFocus();
    const TRect thumb = ThumbRect();
    const POINT p{x, y};
    const Integer along = FOrientation == trHorizontal ? x : y;
    if (PtInRect(&thumb, p)) {
        FDragging = true;
        FDragOffset = along - PositionToPixel(FPosition);
        return;
    }
    // Beside the thumb: a page towards the click.
    const Integer thumbAt = PositionToPixel(FPosition);
    SetPosition(along < thumbAt ? FPosition - FPageSize : FPosition + FPageSize);
}

void TTrackBar::MouseMove(TShiftState shift, Integer x, Integer y) {
    TCustomControl::MouseMove(shift, x, y);
    if (!FDragging) return;
    const Integer along = FOrientation == trHorizontal ? x : y;
    SetPosition(PixelToPosition(along - FDragOffset));
}

void TTrackBar::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft) FDragging = false;
    TCustomControl::MouseUp(button, shift, x, y);
}

void TTrackBar::KeyDown(Word& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    switch (key) {
    case VK_LEFT:
    case VK_UP: SetPosition(FPosition - FLineSize); break;
    case VK_RIGHT:
    case VK_DOWN: SetPosition(FPosition + FLineSize); break;
    case VK_PRIOR: SetPosition(FPosition - FPageSize); break;
    case VK_NEXT: SetPosition(FPosition + FPageSize); break;
    case VK_HOME: SetPosition(FMin); break;
    case VK_END: SetPosition(FMax); break;
    default: return;
    }
    key = 0;
}

void TTrackBar::WMGetDlgCode(TMessage& message) { message.Result = DLGC_WANTARROWS; }

KOV_MESSAGE_MAP(TTrackBar) { map.Message(WM_GETDLGCODE, &TTrackBar::WMGetDlgCode); }

// ---- TTreeNode ----------------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* owner) : FOwner(owner) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::GetTreeView() const { return FOwner != nullptr ? FOwner->GetTreeView() : nullptr; }

namespace {
void Repaint(TTreeNodes* nodes) {
    if (nodes != nullptr && nodes->GetTreeView() != nullptr) nodes->GetTreeView()->Invalidate();
}
} // namespace

void TTreeNode::SetText(const String& value) {
    if (FText == value) return;
    FText = value;
    Repaint(FOwner);
}

void TTreeNode::SetImageIndex(Integer value) {
    FImageIndex = value;
    Repaint(FOwner);
}

void TTreeNode::SetSelectedIndex(Integer value) {
    FSelectedIndex = value;
    Repaint(FOwner);
}

void TTreeNode::SetExpanded(bool value) {
    if (value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::SetHasChildren(bool value) {
    FHasChildren = value;
    Repaint(FOwner);
}

TTreeNode* TTreeNode::GetItem(Integer index) const {
    if (index < 0 || index >= GetCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return FChildren[std::size_t(index)].get();
}

Integer TTreeNode::GetLevel() const {
    Integer level = 0;
    for (TTreeNode* p = FParent; p != nullptr; p = p->FParent) ++level;
    return level;
}

std::vector<std::unique_ptr<TTreeNode>>& TTreeNode::Siblings() const {
    return FParent != nullptr ? FParent->FChildren : FOwner->FRoots;
}

Integer TTreeNode::GetIndex() const {
    const auto& siblings = Siblings();
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return Integer(i);
    return -1;
}

Integer TTreeNode::GetAbsoluteIndex() const {
    Integer index = 0;
    for (const TTreeNode* n = GetPrev(); n != nullptr; n = n->GetPrev()) ++index;
    return index;
}

bool TTreeNode::GetSelected() const {
    const TCustomTreeView* view = GetTreeView();
    return view != nullptr && view->GetSelected() == this;
}

void TTreeNode::SetSelected(bool value) {
    TCustomTreeView* view = GetTreeView();
    if (view == nullptr) return;
    if (value)
        view->SetSelected(this);
    else if (view->GetSelected() == this)
        view->SetSelected(nullptr);
}

bool TTreeNode::IsVisible() const {
    for (TTreeNode* p = FParent; p != nullptr; p = p->FParent)
        if (!p->FExpanded) return false;
    return true;
}

TTreeNode* TTreeNode::getNextSibling() const {
    const auto& siblings = Siblings();
    const Integer index = GetIndex();
    return std::size_t(index + 1) < siblings.size() ? siblings[std::size_t(index + 1)].get() : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const {
    const Integer index = GetIndex();
    return index > 0 ? Siblings()[std::size_t(index - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!FChildren.empty()) return FChildren.front().get();
    for (const TTreeNode* n = this; n != nullptr; n = n->FParent)
        if (TTreeNode* sibling = n->getNextSibling()) return sibling;
    return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
    TTreeNode* prev = getPrevSibling();
    if (prev == nullptr) return FParent;
    while (!prev->FChildren.empty()) prev = prev->FChildren.back().get();
    return prev;
}

TTreeNode* TTreeNode::GetNextVisible() const {
    if (FExpanded && !FChildren.empty()) return FChildren.front().get();
    for (const TTreeNode* n = this; n != nullptr; n = n->FParent)
        if (TTreeNode* sibling = n->getNextSibling()) return sibling;
    return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
    TTreeNode* prev = getPrevSibling();
    if (prev == nullptr) return FParent;
    while (prev->FExpanded && !prev->FChildren.empty()) prev = prev->FChildren.back().get();
    return prev;
}

bool TTreeNode::HasAsParent(const TTreeNode* node) const {
    for (TTreeNode* p = FParent; p != nullptr; p = p->FParent)
        if (p == node) return true;
    return false;
}

void TTreeNode::Expand(bool recursive) {
    TCustomTreeView* view = GetTreeView();
    if (!FExpanded && GetHasChildren()) {
        if (view == nullptr || view->CanExpand(this)) {
            FExpanded = true;
            if (view != nullptr) view->Expand(this);
        }
    }
    if (recursive)
        for (auto& child : FChildren) child->Expand(true);
}

void TTreeNode::Collapse(bool recursive) {
    TCustomTreeView* view = GetTreeView();
    if (recursive)
        for (auto& child : FChildren) child->Collapse(true);
    if (!FExpanded) return;
    if (view != nullptr && !view->CanCollapse(this)) return;
    FExpanded = false;
    if (view != nullptr) view->Collapse(this);
}

void TTreeNode::DeleteChildren() {
    while (!FChildren.empty()) FChildren.back()->Delete();
}

void TTreeNode::Delete() {
    if (FOwner != nullptr) FOwner->Delete(this);
}

// ---- TTreeNodes ---------------------------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView* owner) : FOwner(owner) {}

TTreeNodes::~TTreeNodes() = default;

Integer TTreeNodes::GetCount() const {
    Integer count = 0;
    for (const TTreeNode* n = GetFirstNode(); n != nullptr; n = n->GetNext()) ++count;
    return count;
}

TTreeNode* TTreeNodes::GetItem(Integer index) const {
    TTreeNode* n = GetFirstNode();
    for (Integer i = 0; n != nullptr && i < index; ++i) n = n->GetNext();
    if (index < 0 || n == nullptr) throw EListError(Format("List index out of bounds (%d)", {index}));
    return n;
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, std::size_t position, const String& text, void* data) {
    auto node = std::make_unique<TTreeNode>(this);
    node->FParent = parent;
    node->FText = text;
    node->FData = data;
    auto& list = parent != nullptr ? parent->FChildren : FRoots;
    position = std::min(position, list.size());
    TTreeNode* result = node.get();
    list.insert(list.begin() + std::ptrdiff_t(position), std::move(node));
    Changed();
    return result;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const String& text) { return AddObject(sibling, text, nullptr); }

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& text, void* data) {
    TTreeNode* parent = sibling != nullptr ? sibling->FParent : nullptr;
    return InsertAt(parent, std::size_t(-1), text, data);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const String& text) {
    return InsertAt(sibling != nullptr ? sibling->FParent : nullptr, 0, text, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const String& text) { return AddChildObject(parent, text, nullptr); }

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& text, void* data) {
    return InsertAt(parent, std::size_t(-1), text, data);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const String& text) { return InsertAt(parent, 0, text, nullptr); }

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const String& text) {
    if (sibling == nullptr) return InsertAt(nullptr, std::size_t(-1), text, nullptr);
    return InsertAt(sibling->FParent, std::size_t(sibling->GetIndex()), text, nullptr);
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (node == nullptr || node->FOwner != this) return;
    // Children go first, deepest first, so that every deletion sees a whole tree above it.
    while (!node->FChildren.empty()) Delete(node->FChildren.back().get());
    if (FOwner != nullptr) FOwner->NodeDeleting(node);
    auto& list = node->Siblings();
    const Integer index = node->GetIndex();
    std::unique_ptr<TTreeNode> doomed = std::move(list[std::size_t(index)]);
    list.erase(list.begin() + index);
    doomed.reset();
    Changed();
}

void TTreeNodes::Clear() {
    BeginUpdate();
    while (!FRoots.empty()) Delete(FRoots.back().get());
    EndUpdate();
}

void TTreeNodes::BeginUpdate() { ++FUpdateCount; }

void TTreeNodes::EndUpdate() {
    if (--FUpdateCount == 0) Changed();
}

void TTreeNodes::Changed() {
    if (FUpdateCount == 0) Repaint(this);
}

// ---- TCustomTreeView ----------------------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TCustomControl(owner), FItems(std::make_unique<TTreeNodes>(this)), FImageLink(std::make_unique<TChangeLink>()) {
    FControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    SetBounds(0, 0, 121, 97);
    FTabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
    FImageLink->OnChange = TNotifyEvent(this, &TCustomTreeView::ImageListChange);
}

TCustomTreeView::~TCustomTreeView() {
    // The nodes go without events.
    FSelected = nullptr;
    OnChange = {};
    OnChanging = {};
    OnDeletion = {};
    FItems.reset();
    SetImages(nullptr);
}

void TCustomTreeView::SetImages(TCustomImageList* value) {
    if (FImages == value) return;
    if (FImages != nullptr) {
        FImages->UnRegisterChanges(FImageLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = value;
    if (value != nullptr) {
        value->RegisterChanges(FImageLink.get());
        value->FreeNotification(this);
    }
    Invalidate();
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == FImages) FImages = nullptr;
}

void TCustomTreeView::SetShowLines(bool value) {
    if (FShowLines == value) return;
    FShowLines = value;
    Invalidate();
}

void TCustomTreeView::SetShowRoot(bool value) {
    if (FShowRoot == value) return;
    FShowRoot = value;
    Invalidate();
}

void TCustomTreeView::SetShowButtons(bool value) {
    if (FShowButtons == value) return;
    FShowButtons = value;
    Invalidate();
}

void TCustomTreeView::SetHideSelection(bool value) {
    if (FHideSelection == value) return;
    FHideSelection = value;
    Invalidate();
}

void TCustomTreeView::SetIndent(Integer value) {
    if (FIndent == value || value < 0) return;
    FIndent = value;
    Invalidate();
}

void TCustomTreeView::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    Invalidate();
}

Integer TCustomTreeView::RowHeight() const {
    const Integer font = std::abs(GetFont()->GetHeight());
    Integer height = font + font / 4 + 4;
    if (FImages != nullptr) height = std::max<Integer>(height, FImages->GetHeight() + 1);
    return std::max<Integer>(height, 16);
}

std::vector<TTreeNode*> TCustomTreeView::VisibleNodes() const {
    std::vector<TTreeNode*> nodes;
    for (TTreeNode* n = FItems ? FItems->GetFirstNode() : nullptr; n != nullptr; n = n->GetNextVisible())
        nodes.push_back(n);
    return nodes;
}

Integer TCustomTreeView::VisibleRows() const {
    const Integer border = FBorderStyle == bsSingle ? 2 : 0;
    return std::max<Integer>((GetClientHeight() - 2 * border) / RowHeight(), 1);
}

Integer TCustomTreeView::LevelIndent(const TTreeNode* node) const {
    const Integer border = FBorderStyle == bsSingle ? 2 : 0;
    Integer level = node->GetLevel();
    if (FShowRoot) ++level;
    return border + level * FIndent;
}

TTreeNode* TCustomTreeView::GetTopItem() const {
    const auto nodes = VisibleNodes();
    return std::size_t(FTopRow) < nodes.size() ? nodes[std::size_t(FTopRow)] : nullptr;
}

void TCustomTreeView::SetTopItem(TTreeNode* value) {
    const auto nodes = VisibleNodes();
    const auto it = std::find(nodes.begin(), nodes.end(), value);
    if (it == nodes.end()) return;
    FTopRow = Integer(it - nodes.begin());
    Invalidate();
}

TRect TCustomTreeView::NodeRect(const TTreeNode* node) const {
    const auto nodes = VisibleNodes();
    const auto it = std::find(nodes.begin(), nodes.end(), node);
    if (it == nodes.end()) return TRect{0, 0, 0, 0};
    const Integer border = FBorderStyle == bsSingle ? 2 : 0;
    const Integer row = Integer(it - nodes.begin()) - FTopRow;
    const Integer top = border + row * RowHeight();
    return TRect{border, top, GetClientWidth() - border, top + RowHeight()};
}

TRect TCustomTreeView::ButtonRect(const TTreeNode* node) const {
    const TRect row = NodeRect(node);
    const Integer centreX = LevelIndent(node) - FIndent / 2;
    const Integer centreY = (row.top + row.bottom) / 2;
    return TRect{centreX - 4, centreY - 4, centreX + 5, centreY + 5};
}

TTreeNode* TCustomTreeView::GetNodeAt(Integer x, Integer y) const {
    const Integer border = FBorderStyle == bsSingle ? 2 : 0;
    if (y < border) return nullptr;
    const Integer row = (y - border) / RowHeight() + FTopRow;
    const auto nodes = VisibleNodes();
    return std::size_t(row) < nodes.size() ? nodes[std::size_t(row)] : nullptr;
}

void TCustomTreeView::MakeVisible(TTreeNode* node) {
    for (TTreeNode* p = node->GetParent(); p != nullptr; p = p->GetParent()) p->Expand(false);
    const auto nodes = VisibleNodes();
    const auto it = std::find(nodes.begin(), nodes.end(), node);
    if (it == nodes.end()) return;
    const Integer row = Integer(it - nodes.begin());
    if (row < FTopRow) FTopRow = row;
    if (row >= FTopRow + VisibleRows()) FTopRow = row - VisibleRows() + 1;
}

bool TCustomTreeView::CanChange(TTreeNode* node) {
    bool allow = true;
    OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node) { OnChange(this, node); }

bool TCustomTreeView::CanExpand(TTreeNode* node) {
    bool allow = true;
    OnExpanding(this, node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* node) {
    Invalidate();
    OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node) {
    bool allow = true;
    OnCollapsing(this, node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node) {
    // A selection inside the collapsed branch moves up to it.
    if (FSelected != nullptr && FSelected->HasAsParent(node)) SetSelected(node);
    const auto nodes = VisibleNodes();
    FTopRow = std::clamp<Integer>(FTopRow, 0, std::max<Integer>(Integer(nodes.size()) - 1, 0));
    Invalidate();
    OnCollapsed(this, node);
}

void TCustomTreeView::SetSelected(TTreeNode* value) {
    if (FSelected == value) return;
    const TLivenessToken alive = LivenessToken();
    if (!CanChange(value) || !alive) return;
    FSelected = value;
    if (value != nullptr) MakeVisible(value);
    Invalidate();
    Change(value);
}

void TCustomTreeView::NodeDeleting(TTreeNode* node) {
    OnDeletion(this, node);
    if (FSelected == node) {
        // The selection moves to a neighbour, as the user would expect to keep working on.
        TTreeNode* next = node->getNextSibling();
        if (next == nullptr) next = node->getPrevSibling();
        if (next == nullptr) next = node->GetParent();
        FSelected = nullptr;
        if (next != nullptr) {
            FSelected = next;
            Change(next);
        } else {
            Change(nullptr);
        }
    }
    FTopRow = 0;
}

void TCustomTreeView::FullExpand() {
    for (TTreeNode* n = FItems->GetFirstNode(); n != nullptr; n = n->getNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
    for (TTreeNode* n = FItems->GetFirstNode(); n != nullptr; n = n->getNextSibling()) n->Collapse(true);
}

void TCustomTreeView::Paint() {
    TCanvas* canvas = GetCanvas();
    TRect client = GetClientRect();
    FillSolid(canvas, client, GetColor());
    if (FBorderStyle == bsSingle) DrawEdge(canvas->GetHandle(), &client, EDGE_SUNKEN, BF_RECT);
    canvas->GetFont()->Assign(GetFont());
    const auto nodes = VisibleNodes();
    const Integer rowHeight = RowHeight();
    const bool showSelection = !FHideSelection || Focused();
    for (std::size_t i = std::size_t(std::max<Integer>(FTopRow, 0)); i < nodes.size(); ++i) {
        TTreeNode* node = nodes[i];
        const TRect row = NodeRect(node);
        if (row.top >= client.bottom) break;
        const Integer midY = (row.top + row.bottom) / 2;
        Integer x = LevelIndent(node);
        // Lines: from the parent's column to the node, and on down to the next sibling.
        if (FShowLines && (FShowRoot || node->GetLevel() > 0)) {
            canvas->GetPen()->SetColor(clGrayText);
            canvas->GetPen()->SetStyle(psDot);
            const Integer lineX = x - FIndent / 2;
            canvas->MoveTo(lineX, midY);
            canvas->LineTo(x - 2, midY);
            const bool first = node->getPrevSibling() == nullptr && node->GetParent() == nullptr;
            canvas->MoveTo(lineX, first ? midY : row.top);
            canvas->LineTo(lineX, node->getNextSibling() != nullptr ? row.bottom : midY);
            for (TTreeNode* p = node->GetParent(); p != nullptr; p = p->GetParent()) {
                if (p->getNextSibling() == nullptr || (!FShowRoot && p->GetLevel() == 0)) continue;
                const Integer px = LevelIndent(p) - FIndent / 2;
                canvas->MoveTo(px, row.top);
                canvas->LineTo(px, row.bottom);
            }
            canvas->GetPen()->SetStyle(psSolid);
        }
        if (FShowButtons && node->GetHasChildren() && (FShowRoot || node->GetLevel() > 0)) {
            const TRect box = ButtonRect(node);
            FillSolid(canvas, box, clWindow);
            canvas->GetBrush()->SetColor(clGrayText);
            canvas->FrameRect(box);
            canvas->GetPen()->SetColor(clWindowText);
            const Integer cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
            canvas->MoveTo(box.left + 2, cy);
            canvas->LineTo(box.right - 2, cy);
            if (!node->GetExpanded()) {
                canvas->MoveTo(cx, box.top + 2);
                canvas->LineTo(cx, box.bottom - 2);
            }
        }
        if (FImages != nullptr) {
            const Integer image = node == FSelected && node->GetSelectedIndex() >= 0 ? node->GetSelectedIndex()
                                                                                     : node->GetImageIndex();
            if (image >= 0) FImages->Draw(canvas, x, row.top + (rowHeight - FImages->GetHeight()) / 2, image);
            x += FImages->GetWidth() + 2;
        }
        const TSize extent = canvas->TextExtent(node->GetText());
        TRect text{x, row.top + 1, x + extent.cx + 4, row.bottom - 1};
        const bool selected = node == FSelected && showSelection;
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->GetBrush()->SetColor(selected ? clHighlight : GetColor());
        canvas->GetFont()->SetColor(selected ? clHighlightText : GetFont()->GetColor());
        canvas->TextRect(text, text.left + 2, midY - extent.cy / 2, node->GetText());
        if (node == FSelected && Focused()) canvas->DrawFocusRect(text);
    }
}

void TCustomTreeView::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (CanFocus() && !Focused()) SetFocus();
    const TLivenessToken alive = LivenessToken();
    if (button == mbLeft) {
        if (TTreeNode* node = GetNodeAt(x, y)) {
            TRect box = ButtonRect(node);
            InflateRect(&box, 2, 2);
            if (FShowButtons && node->GetHasChildren() && PtInRect(&box, POINT{x, y}))
                node->SetExpanded(!node->GetExpanded());
            else
                SetSelected(node);
        }
    }
    if (alive) TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomTreeView::DblClick() {
    const TLivenessToken alive = LivenessToken();
    TCustomControl::DblClick();
    if (!alive || FSelected == nullptr) return;
    FSelected->SetExpanded(!FSelected->GetExpanded());
}

void TCustomTreeView::KeyDown(Word& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    TTreeNode* node = FSelected;
    const auto nodes = VisibleNodes();
    if (nodes.empty()) return;
    switch (key) {
    case VK_UP:
        SetSelected(node == nullptr ? nodes.front() : (node->GetPrevVisible() ? node->GetPrevVisible() : node));
        break;
    case VK_DOWN:
        SetSelected(node == nullptr ? nodes.front() : (node->GetNextVisible() ? node->GetNextVisible() : node));
        break;
    case VK_HOME: SetSelected(nodes.front()); break;
    case VK_END: SetSelected(nodes.back()); break;
    case VK_RIGHT:
        if (node == nullptr) break;
        if (!node->GetExpanded() && node->GetHasChildren())
            node->Expand(false);
        else if (node->getFirstChild() != nullptr)
            SetSelected(node->getFirstChild());
        break;
    case VK_LEFT:
        if (node == nullptr) break;
        if (node->GetExpanded())
            node->Collapse(false);
        else if (node->GetParent() != nullptr)
            SetSelected(node->GetParent());
        break;
    case VK_ADD:
    case VK_OEM_PLUS:
        if (node != nullptr) node->Expand(false);
        break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        if (node != nullptr) node->Collapse(false);
        break;
    case VK_MULTIPLY:
        if (node != nullptr) node->Expand(true);
        break;
    default: return;
    }
    key = 0;
}

void TCustomTreeView::WMGetDlgCode(TMessage& message) { message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TCustomTreeView::CMFocusChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

KOV_MESSAGE_MAP(TCustomTreeView) {
    map.Message(WM_GETDLGCODE, &TCustomTreeView::WMGetDlgCode);
    map.Message(CM_FOCUSCHANGED, &TCustomTreeView::CMFocusChanged);
}

// ---- Registration -------------------------------------------------------------------------------

namespace {
struct TCommonCtrlsTypes {
    TCommonCtrlsTypes() {
        RegisterEnum<TUDAlignButton>("TUDAlignButton", {"udLeft", "udRight"});
        RegisterEnum<TUDOrientation>("TUDOrientation", {"udHorizontal", "udVertical"});
        RegisterEnum<TUDBtnType>("TUDBtnType", {"btNext", "btPrev"});
        RegisterEnum<TProgressBarOrientation>("TProgressBarOrientation", {"pbHorizontal", "pbVertical"});
        RegisterEnum<TTrackBarOrientation>("TTrackBarOrientation", {"trHorizontal", "trVertical"});
        RegisterEnum<TTickMark>("TTickMark", {"tmBottomRight", "tmTopLeft", "tmBoth"});
        RegisterEnum<TTickStyle>("TTickStyle", {"tsNone", "tsAuto", "tsManual"});
    }
};
const TCommonCtrlsTypes kCommonCtrlsTypes;
} // namespace

KOV_PUBLISHED(TCustomUpDown) {
    Property("AlignButton", &TCustomUpDown::GetAlignButton, &TCustomUpDown::SetAlignButton).Default(udRight);
    Property("Associate", &TCustomUpDown::GetAssociate, &TCustomUpDown::SetAssociate);
    Property("ArrowKeys", &TCustomUpDown::GetArrowKeys, &TCustomUpDown::SetArrowKeys).Default(true);
    Property("Min", &TCustomUpDown::GetMin, &TCustomUpDown::SetMin).Default(0);
    Property("Max", &TCustomUpDown::GetMax, &TCustomUpDown::SetMax).Default(100);
    Property("Increment", &TCustomUpDown::GetIncrement, &TCustomUpDown::SetIncrement).Default(1);
    Property("Orientation", &TCustomUpDown::GetOrientation, &TCustomUpDown::SetOrientation).Default(udVertical);
    Property("Position", &TCustomUpDown::GetPosition, &TCustomUpDown::SetPosition).Default(0);
    Property("Thousands", &TCustomUpDown::GetThousands, &TCustomUpDown::SetThousands).Default(true);
    Property("Wrap", &TCustomUpDown::GetWrap, &TCustomUpDown::SetWrap).Default(false);
    Property("OnClick", &TCustomUpDown::OnClick);
    Property("OnChanging", &TCustomUpDown::OnChanging);
}

KOV_PUBLISHED(TProgressBar) {
    Property("Min", &TProgressBar::GetMin, &TProgressBar::SetMin).Default(0);
    Property("Max", &TProgressBar::GetMax, &TProgressBar::SetMax).Default(100);
    Property("Orientation", &TProgressBar::GetOrientation, &TProgressBar::SetOrientation).Default(pbHorizontal);
    Property("Position", &TProgressBar::GetPosition, &TProgressBar::SetPosition).Default(0);
    Property("Smooth", &TProgressBar::GetSmooth, &TProgressBar::SetSmooth).Default(false);
    Property("Step", &TProgressBar::GetStep, &TProgressBar::SetStep).Default(10);
}

KOV_PUBLISHED(TTrackBar) {
    Property("Frequency", &TTrackBar::GetFrequency, &TTrackBar::SetFrequency).Default(1);
    Property("LineSize", &TTrackBar::GetLineSize, &TTrackBar::SetLineSize).Default(1);
    Property("Max", &TTrackBar::GetMax, &TTrackBar::SetMax).Default(10);
    Property("Min", &TTrackBar::GetMin, &TTrackBar::SetMin).Default(0);
    Property("Orientation", &TTrackBar::GetOrientation, &TTrackBar::SetOrientation).Default(trHorizontal);
    Property("PageSize", &TTrackBar::GetPageSize, &TTrackBar::SetPageSize).Default(2);
    Property("Position", &TTrackBar::GetPosition, &TTrackBar::SetPosition).Default(0);
    Property("TickMarks", &TTrackBar::GetTickMarks, &TTrackBar::SetTickMarks).Default(tmBottomRight);
    Property("TickStyle", &TTrackBar::GetTickStyle, &TTrackBar::SetTickStyle).Default(tsAuto);
    Property("TabStop", &TTrackBar::GetTabStop, &TTrackBar::SetTabStop).Default(true);
    Property("OnChange", &TTrackBar::OnChange);
}

KOV_PUBLISHED(TCustomTreeView) {
    Property("BorderStyle", &TCustomTreeView::GetBorderStyle, &TCustomTreeView::SetBorderStyle).Default(bsSingle);
    Property("HideSelection", &TCustomTreeView::GetHideSelection, &TCustomTreeView::SetHideSelection)
        .Default(true);
    Property("Images", &TCustomTreeView::GetImages, &TCustomTreeView::SetImages);
    Property("Indent", &TCustomTreeView::GetIndent, &TCustomTreeView::SetIndent).Default(19);
    Property("ReadOnly", &TCustomTreeView::GetReadOnly, &TCustomTreeView::SetReadOnly).Default(false);
    Property("ShowButtons", &TCustomTreeView::GetShowButtons, &TCustomTreeView::SetShowButtons).Default(true);
    Property("ShowLines", &TCustomTreeView::GetShowLines, &TCustomTreeView::SetShowLines).Default(true);
    Property("ShowRoot", &TCustomTreeView::GetShowRoot, &TCustomTreeView::SetShowRoot).Default(true);
    Property("TabStop", &TCustomTreeView::GetTabStop, &TCustomTreeView::SetTabStop).Default(true);
    Property("OnChange", &TCustomTreeView::OnChange);
    Property("OnChanging", &TCustomTreeView::OnChanging);
    Property("OnExpanding", &TCustomTreeView::OnExpanding);
    Property("OnExpanded", &TCustomTreeView::OnExpanded);
    Property("OnCollapsing", &TCustomTreeView::OnCollapsing);
    Property("OnCollapsed", &TCustomTreeView::OnCollapsed);
}

namespace {
const bool kCommonCtrlsRegistered = [] {
    RegisterClasses({TCustomUpDown::StaticClass(), TUpDown::StaticClass(), TProgressBar::StaticClass(),
                     TTrackBar::StaticClass(), TCustomTreeView::StaticClass(), TTreeView::StaticClass()});
    return true;
}();
} // namespace
