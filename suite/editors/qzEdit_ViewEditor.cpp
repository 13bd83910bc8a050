// What the view data asks of its editor: its own copies and defaults while it has none.
#include <algorithm>
#include <memory>

#include "suite/editors/qzEdit.h"

namespace {

TRect Deflated(const TRect& r, const TRect& extent) {
    return TRect{r.left + extent.left, r.top + extent.top, r.right - extent.right, r.bottom - extent.bottom};
}

} // namespace

TRect TqzCustomEditViewData::GetHotZone(const TRect& bounds) { return Deflated(bounds, InplaceEditOffsets); }

bool TqzCustomEditViewData::HoldsMouseCapture() { return false; }

void TqzCustomEditViewData::UseActiveStyle() {}

void TqzCustomEditViewData::CalculateEditorFlags(TqzCustomEditViewInfo* viewInfo) {
    viewInfo->EraseBackground = false;
    viewInfo->InnerControlVisible = false;
    viewInfo->PaintingCopy = false;
    viewInfo->IsContainerInnerControl = false;
}

TRect TqzCustomEditViewData::GetInnerEditBounds(const TRect& clientRect) { return clientRect; }

bool TqzCustomEditViewData::DefaultsToParentColor() { return false; }

void TqzCustomEditViewData::ApplySizeConstraints(TSize& size) {}

Integer TqzCustomEditViewData::GetCapturedButtonIndex() { return -1; }

bool TqzCustomEditViewData::IsEditFocused() { return Focused; }
