// Alignment of child controls (alTop, alBottom, alLeft, alRight, alClient), anchors of the
// controls that are not aligned, and automatic sizing of a windowed control.
#include <algorithm>

#include "platform/classlib/Controls.h"

namespace {

// Whether c1 goes before c2 among controls of the same alignment: nearer to the edge the
// alignment packs against.
bool InsertBefore(const TControl* c1, const TControl* c2, TAlign align) {
    switch (align) {
    case alTop: return c1->GetTop() < c2->GetTop();
    case alBottom: return c1->GetTop() + c1->GetHeight() >= c2->GetTop() + c2->GetHeight();
    case alLeft: return c1->GetLeft() < c2->GetLeft();
    case alRight: return c1->GetLeft() + c1->GetWidth() >= c2->GetLeft() + c2->GetWidth();
    default: return false;
    }
}

}  // namespace

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0) --FAlignLevel;
    if (FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* control) {
    if (GetComponentState().Contains(csDestroying)) return;
    if (FAlignLevel > 0 || GetComponentState().Contains(csLoading)) {
        FControlState.Include(csAlignmentNeeded);
        return;
    }
    DisableAlign();
    const TLivenessToken alive = LivenessToken();
    try {
        RECT rect = GetClientRect();
        AlignControls(control, rect);
    } catch (...) {
        if (alive) {
            FControlState.Exclude(csAlignmentNeeded);
            --FAlignLevel;
        }
        throw;
    }
    if (!alive) return;
    FControlState.Exclude(csAlignmentNeeded);
    EnableAlign();
}

void TWinControl::AlignControls(TControl* control, RECT& rect) {
    AdjustClientRect(rect);
    std::vector<TControl*> alignList;
    // Anchored controls first (they keep their distances to the edges of the whole client
    // area), then the aligned ones in order of precedence.
    ArrangeAnchored(rect);
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient, alCustom}) {
        DoAlign(align, rect, alignList, control);
    }
    if (FAutoSize && !GetComponentState().Contains(csLoading)) DoAutoSize();
}

void TWinControl::DoAlign(TAlign align, RECT& rect, std::vector<TControl*>& alignList, TControl* control) {
    alignList.clear();
    const bool designing = GetComponentState().Contains(csDesigning);
    auto counts = [&](TControl* c) {
        return c->FAlign == align &&
               (c->FVisible || (designing && !c->FControlStyle.Contains(csNoDesignVisible)));
    };
    if (control != nullptr && control->FParent == this && counts(control)) alignList.push_back(control);
    for (Integer i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControls(i);
        if (c == control || !counts(c)) continue;
        std::size_t j = 0;
        while (j < alignList.size() && !InsertBefore(c, alignList[j], align))
            ++j;
        alignList.insert(alignList.begin() + std::ptrdiff_t(j), c);
    }
    for (TControl* c : alignList) {
        Integer newLeft = rect.left;
        Integer newTop = rect.top;
        Integer newWidth = rect.right - rect.left;
        Integer newHeight = rect.bottom - rect.top;
        switch (align) {
        case alTop:
            newHeight = c->FHeight;
            break;
        case alBottom:
            newHeight = c->FHeight;
            newTop = rect.bottom - newHeight;
            break;
        case alLeft:
            newWidth = c->FWidth;
            break;
        case alRight:
            newWidth = c->FWidth;
            newLeft = rect.right - newWidth;
            break;
        case alCustom: {
            newLeft = c->FLeft;
            newTop = c->FTop;
            newWidth = c->FWidth;
            newHeight = c->FHeight;
            CustomAlignPosition(c, newLeft, newTop, newWidth, newHeight, rect);
            break;
        }
        default:
            break;
        }
        c->FAnchorMove = true;
        const TLivenessToken alive = c->LivenessToken();
        try {
            c->SetBounds(newLeft, newTop, std::max(newWidth, 0), std::max(newHeight, 0));
        } catch (...) {
            if (alive) c->FAnchorMove = false;
            throw;
        }
        if (!alive) continue;
        c->FAnchorMove = false;
        // Constraints may have kept the control from taking the size it was given; the space
        // it takes is its real size.
        switch (align) {
        case alTop: rect.top += c->FHeight; break;
        case alBottom: rect.bottom -= c->FHeight; break;
        case alLeft: rect.left += c->FWidth; break;
        case alRight: rect.right -= c->FWidth; break;
        default: break;
        }
        if (rect.bottom < rect.top) rect.bottom = rect.top;
        if (rect.right < rect.left) rect.right = rect.left;
    }
}

void TWinControl::ArrangeAnchored(const RECT& rect) {
    const POINT parentSize{rect.right - rect.left, rect.bottom - rect.top};
    for (Integer i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControls(i);
        if (c->FAlign != alNone) continue;
        if (c->FOriginalParentSize.x == 0 && c->FOriginalParentSize.y == 0) {
            // The distances have not been taken yet (the parent had no size): take them now.
            c->UpdateAnchorRules();
            continue;
        }
        const TAnchors anchors = c->FAnchors;
        if (anchors == TAnchors{akLeft, akTop}) continue;
        const RECT origin = c->FAnchorOrigin;
        const Integer dx = parentSize.x - c->FOriginalParentSize.x;
        const Integer dy = parentSize.y - c->FOriginalParentSize.y;
        Integer left = origin.left;
        Integer top = origin.top;
        Integer width = origin.right - origin.left;
        Integer height = origin.bottom - origin.top;
        if (anchors.Contains(akRight)) {
            if (anchors.Contains(akLeft))
                width += dx;
            else
                left += dx;
        } else if (!anchors.Contains(akLeft)) {
            // Anchored to neither side: stays at the same relative place.
            left += dx / 2;
        }
        if (anchors.Contains(akBottom)) {
            if (anchors.Contains(akTop))
                height += dy;
            else
                top += dy;
        } else if (!anchors.Contains(akTop)) {
            top += dy / 2;
        }
        if (left == c->FLeft && top == c->FTop && width == c->FWidth && height == c->FHeight) continue;
        c->FAnchorMove = true;
        const TLivenessToken alive = c->LivenessToken();
        try {
            c->SetBounds(left, top, std::max(width, 0), std::max(height, 0));
        } catch (...) {
            if (alive) c->FAnchorMove = false;
            throw;
        }
        if (alive) c->FAnchorMove = false;
    }
}

void TWinControl::AdjustSize() {
    if (GetComponentState().Contains(csLoading)) return;
    DoAutoSize();
}

void TWinControl::DoAutoSize() {
    if (!FAutoSize || GetControlCount() == 0) {
        TControl::AdjustSize();
        return;
    }
    // The smallest client area that holds every visible child that is not aligned.
    Integer right = 0;
    Integer bottom = 0;
    bool any = false;
    for (Integer i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControls(i);
        if (!c->FVisible || c->FAlign != alNone) continue;
        right = std::max(right, c->FLeft + c->FWidth);
        bottom = std::max(bottom, c->FTop + c->FHeight);
        any = true;
    }
    if (!any) return;
    const RECT client = GetClientRect();
    Integer width = right + (FWidth - (client.right - client.left));
    Integer height = bottom + (FHeight - (client.bottom - client.top));
    if (width != FWidth || height != FHeight) SetBounds(FLeft, FTop, width, height);
}
