// What the view data asks of its editor (with its own copies and defaults without one), and the
// properties' operations that work with the editor control.
#include <algorithm>
#include <memory>

#include "suite/editors/qzEdit.h"

namespace {

TRect Deflated(const TRect& r, const TRect& extent) {
    return TRect{r.left + extent.left, r.top + extent.top, r.right - extent.right, r.bottom - extent.bottom};
}

} // namespace

TRect TqzCustomEditViewData::GetHotZone(const TRect& bounds) {
    return Edit ? Edit->GetHotZoneRect() : Deflated(bounds, InplaceEditOffsets);
}

bool TqzCustomEditViewData::HoldsMouseCapture() { return Edit && Edit->GetMouseCapture(); }

void TqzCustomEditViewData::UseActiveStyle() {
    if (Edit) FStyle = static_cast<TqzCustomEditStyle*>(Edit->GetActiveStyle());
}

void TqzCustomEditViewData::CalculateEditorFlags(TqzCustomEditViewInfo* viewInfo) {
    TWinControl* inner = Edit ? Edit->GetInnerControl() : nullptr;
    viewInfo->EraseBackground = Edit && Edit->NeedsEraseBackground();
    viewInfo->InnerControlVisible = inner && inner->GetVisible();
    viewInfo->PaintingCopy = Edit && Edit->GetControlState().Contains(csPaintCopy);
    viewInfo->IsContainerInnerControl =
        Edit && dynamic_cast<IqzContainerInnerControl*>(static_cast<TqzContainer*>(Edit)) != nullptr;
}

TRect TqzCustomEditViewData::GetInnerEditBounds(const TRect& clientRect) {
    TWinControl* inner = Edit ? Edit->GetInnerControl() : nullptr;
    if (InnerEdit && inner) return inner->GetBoundsRect();
    return clientRect;
}

bool TqzCustomEditViewData::DefaultsToParentColor() { return Edit && Edit->DefaultsToParentColor(); }

void TqzCustomEditViewData::ApplySizeConstraints(TSize& size) {
    if (!Edit || IsInplace) return;
    TSizeConstraints* constraints = Edit->GetConstraints();
    if (!constraints) return;
    if (constraints->GetMaxHeight() != 0) size.cy = std::min(size.cy, constraints->GetMaxHeight());
    if (constraints->GetMinHeight() != 0) size.cy = std::max(size.cy, constraints->GetMinHeight());
    if (constraints->GetMaxWidth() != 0) size.cx = std::min(size.cx, constraints->GetMaxWidth());
    if (constraints->GetMinWidth() != 0) size.cx = std::max(size.cx, constraints->GetMinWidth());
}

Integer TqzCustomEditViewData::GetCapturedButtonIndex() { return Edit ? Edit->GetCapturedButtonIndex() : -1; }

bool TqzCustomEditViewData::IsEditFocused() { return Edit ? Edit->IsEditFocused() : Focused; }

TClass TqzCustomEditProperties::GetContainerClass() const { return TqzCustomEdit::StaticClass(); }

void TqzCustomEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                   TqzCustomEdit* editor) {
    if (!CanValidate()) return;
    if (errorText.empty()) GetDefaultValidationErrorText(errorText);
    RunValidateHandlers(displayValue, errorText, error, editor);
}

void TqzCustomEditProperties::RunValidateHandlers(Variant& displayValue, String& errorText, bool& error,
                                                  TqzCustomEdit* editor) {
    if (!editor || !editor->HasValidateHandler()) return;
    const String previousText = VarToStr(displayValue);
    if (TqzCustomEditProperties* own = editor->GetProperties(); own && own->OnValidate)
        own->OnValidate(editor, displayValue, errorText, error);
    if (TqzEditRepositoryItem* item = editor->GetRepositoryItem()) {
        TqzCustomEditProperties* shared = item->GetProperties();
        if (shared && shared->OnValidate) shared->OnValidate(editor, displayValue, errorText, error);
    }
    if (error && VarToStr(displayValue) == previousText) {
        String text;
        editor->ReadDisplayText(text);
        displayValue = Variant(text);
    }
}
