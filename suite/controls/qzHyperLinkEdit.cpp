#include "suite/controls/qzHyperLinkEdit.h"

#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Shell.h"
#include "suite/foundation/qzClasses.h"

namespace {

void RegisterHyperLinkEditProperties() {
    GetEditPropertiesRegistry()->Register(
        TqzHyperLinkEditProperties::StaticClass(),
        LocalizeSuiteText("HyperLink|Represents a text editor with hyperlink functionality"));
}

const bool kHyperLinkEditClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzCustomHyperLinkEditProperties>();
    RegisterInterfacedPersistentClass<TqzHyperLinkEditProperties>();
    RegisterClasses({TqzHyperLinkEdit::StaticClass()});
    RegisterHyperLinkEditProperties();
    return true;
}();

} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzCustomHyperLinkEditProperties::TqzCustomHyperLinkEditProperties(TPersistent* owner)
    : TqzCustomTextEditProperties(owner), FPrefix(DefaultPrefix()) {
    SetAutoSelect(false);
    // Made again when the editor unit was restarted (its end frees the registry).
    RegisterHyperLinkEditProperties();
}

String TqzCustomHyperLinkEditProperties::DefaultPrefix() { return LocalizeSuiteText("http://"); }

void TqzCustomHyperLinkEditProperties::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineProperty(
        "Prefix", [this](TReader* reader) { FPrefix = reader->ReadString(); },
        [this](TWriter* writer) { writer->WriteString(FPrefix); }, FPrefix != DefaultPrefix());
}

void TqzCustomHyperLinkEditProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomHyperLinkEditProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetAutoComplete(other->GetAutoComplete());
        SetLinkColor(other->GetLinkColor());
        SetPrefix(other->GetPrefix());
        SetSingleClick(other->GetSingleClick());
        SetStartKey(other->GetStartKey());
        OnStartClick = other->OnStartClick;
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzCustomHyperLinkEditProperties::GetContainerClass() const { return TqzHyperLinkEdit::StaticClass(); }

TqzContainerStyleClass TqzCustomHyperLinkEditProperties::GetStyleClass() const {
    return &TqzHyperLinkStyle::CreateInstance;
}

TqzCustomEditViewDataClass TqzCustomHyperLinkEditProperties::GetViewDataClass() const {
    return &TqzHyperLinkEditViewData::CreateInstance;
}

TqzCustomEditViewInfoClass TqzCustomHyperLinkEditProperties::GetViewInfoClass() const {
    return &TqzHyperLinkEditViewInfo::CreateInstance;
}

Integer TqzCustomHyperLinkEditProperties::GetSupportedOperations() {
    return inherited::GetSupportedOperations() | (FSingleClick ? 1 : 0);
}

void TqzCustomHyperLinkEditProperties::ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                                                            TqzCustomEdit* editor) {
    if (FAutoComplete) {
        String text;
        AddPrefix(VarToStr(displayValue), text);
        displayValue = text;
    }
    inherited::ValidateDisplayValue(displayValue, errorText, error, editor);
}

void TqzCustomHyperLinkEditProperties::AddPrefix(const String& text, String& result) {
    const String trimmed = Trim(text);
    if (FPrefix.empty() || trimmed.empty() || trimmed.compare(0, FPrefix.size(), FPrefix) == 0)
        result = text;
    else
        result = FPrefix + trimmed;
}

void TqzCustomHyperLinkEditProperties::SetLinkColor(TColor value) {
    if (FLinkColor == value) return;
    FLinkColor = value;
    Changed();
}

void TqzCustomHyperLinkEditProperties::SetSingleClick(bool value) {
    if (FSingleClick == value) return;
    FSingleClick = value;
    Changed();
}

KOV_PUBLISHED(TqzCustomHyperLinkEditProperties) {}

KOV_PUBLISHED(TqzHyperLinkEditProperties) {
    using P = TqzHyperLinkEditProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("AutoComplete", &P::GetAutoComplete, &P::SetAutoComplete).Default(true);
    Property("AutoSelect", &P::GetAutoSelect, &P::SetAutoSelect).Default(false);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("IncrementalSearch", &P::GetIncrementalSearch, &P::SetIncrementalSearch).Default(true);
    Property("LinkColor", &P::GetLinkColor, &P::SetLinkColor).TypeName("TColor").Default(TColor(0xFF0000));
    Property("LookupItems", &P::GetLookupItems, &P::SetLookupItems);
    Property("LookupItemsSorted", &P::GetLookupItemsSorted, &P::SetLookupItemsSorted).Default(false);
    // Stored through DefineProperties, only when it is not the default.
    Property("Prefix", &P::GetPrefix, &P::SetPrefix).Stored(false);
    Property("SingleClick", &P::GetSingleClick, &P::SetSingleClick).Default(false);
    Property("StartKey", &P::GetStartKey, &P::SetStartKey).TypeName("TShortCut").Default(TShortCut(16397));
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(false);
    Property("OnStartClick", &P::OnStartClick);
}

// ---- Style and view --------------------------------------------------------------------------

TqzContainerStyle* TqzHyperLinkStyle::CreateInstance(TPersistent* owner, Integer state,
                                                     TqzContainerStyle* normalStyle, bool directAccess) {
    return new TqzHyperLinkStyle(owner, state, normalStyle, directAccess);
}

TColor TqzHyperLinkStyle::GetTextColor() {
    if (IsDirectAccess()) return inherited::GetTextColor();
    auto* edit = dynamic_cast<TqzCustomEdit*>(GetOwnerContainer());
    auto* properties =
        edit ? dynamic_cast<TqzCustomHyperLinkEditProperties*>(edit->GetPropertiesInUse()) : nullptr;
    return properties ? properties->GetLinkColor() : TColor(0xFF0000);
}

TFontStyles TqzHyperLinkStyle::GetTextStyle() {
    TFontStyles styles = inherited::GetTextStyle();
    styles.Include(fsUnderline);
    return styles;
}

TqzCustomEditViewData* TqzHyperLinkEditViewData::CreateInstance(TqzCustomEditProperties* properties,
                                                                TqzCustomEditStyle* style, bool isInplace) {
    return CreateEditViewData<TqzHyperLinkEditViewData>(properties, style, isInplace);
}

void TqzHyperLinkEditViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                         TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    if (auto* info = dynamic_cast<TqzHyperLinkEditViewInfo*>(viewInfo)) info->HasEditControl = Edit != nullptr;
}

bool TqzHyperLinkEditViewInfo::IsSingleClick() {
    auto* properties = dynamic_cast<TqzCustomHyperLinkEditProperties*>(Properties);
    return properties && properties->GetSingleClick();
}

void TqzHyperLinkEditViewInfo::AdjustPaintFont(TFont* font) {
    if (HasEditControl) return;
    TFontStyles styles = font->GetStyle();
    styles.Include(fsUnderline);
    font->SetStyle(styles);
    auto* properties = dynamic_cast<TqzCustomHyperLinkEditProperties*>(Properties);
    if (Highlighted)
        font->SetColor(SelTextColor);
    else if (properties)
        font->SetColor(properties->GetLinkColor());
}

bool TqzHyperLinkEditViewInfo::HasHotButton() { return inherited::HasHotButton() || IsSingleClick(); }

bool TqzHyperLinkEditViewInfo::IsPointOverButton(const TPoint& p) {
    return inherited::IsPointOverButton(p) || IsSingleClick();
}

// ---- Editor ----------------------------------------------------------------------------------

TqzCustomHyperLinkEdit::TqzCustomHyperLinkEdit(TComponent* owner) : TqzCustomHyperLinkEdit(owner, false) {}

TqzCustomHyperLinkEdit::TqzCustomHyperLinkEdit(TComponent* owner, bool isInplace)
    : TqzCustomHyperLinkEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomHyperLinkEdit::TqzCustomHyperLinkEdit(TComponent* owner, bool isInplace, bool)
    : TqzCustomTextEdit(owner, isInplace, true) {}

TqzCustomHyperLinkEditProperties* TqzCustomHyperLinkEdit::GetActiveHyperLinkProperties() {
    if (auto* active = dynamic_cast<TqzCustomHyperLinkEditProperties*>(GetActiveProperties())) return active;
    return GetHyperLinkProperties();
}

void TqzCustomHyperLinkEdit::OpenLink() {
    TqzCustomHyperLinkEditProperties* own = GetHyperLinkProperties();
    auto* item = GetRepositoryItem()
                     ? dynamic_cast<TqzCustomHyperLinkEditProperties*>(GetRepositoryItem()->GetProperties())
                     : nullptr;
    const bool handled = bool(own->OnStartClick) || (item && item->OnStartClick);
    const TLivenessToken alive = LivenessToken();
    if (own->OnStartClick) own->OnStartClick(this);
    if (!alive) return;
    if (item && item->OnStartClick) item->OnStartClick(this);
    if (!alive || handled) return;
    String text;
    ReadDisplayText(text);
    if (Trim(text).empty()) return;
    String target;
    own->AddPrefix(text, target);
    // A target the desktop cannot open leaves the editor as it is.
    ShellExecuteA(nullptr, "OPEN", target.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void TqzCustomHyperLinkEdit::ApplyActiveProperties(TObject* properties) {
    const TLivenessToken alive = LivenessToken();
    inherited::ApplyActiveProperties(properties);
    if (alive) StyleChanged(GetStyle());
}

void TqzCustomHyperLinkEdit::HandleKeyDown(Word& key, TShiftState shift) {
    if (key != 0 && ShortCut(key, shift) == GetActiveHyperLinkProperties()->GetStartKey()) {
        key = 0;
        OpenLink();
        return;
    }
    inherited::HandleKeyDown(key, shift);
}

bool TqzCustomHyperLinkEdit::InClient(Integer x, Integer y) {
    return GetViewInfo() && PtInRect(&GetViewInfo()->ClientRect, POINT{x, y});
}

void TqzCustomHyperLinkEdit::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseDown(button, shift, x, y);
    if (!alive) return;
    if (button == mbLeft && InClient(x, y) && !GetActiveHyperLinkProperties()->GetSingleClick() &&
        shift.Contains(ssDouble))
        OpenLink();
}

void TqzCustomHyperLinkEdit::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseUp(button, shift, x, y);
    if (!alive) return;
    if (button == mbLeft && InClient(x, y) && GetActiveHyperLinkProperties()->GetSingleClick() &&
        GetSelLength() == 0)
        OpenLink();
}

void TqzCustomHyperLinkEdit::TakeHandCursor() {
    if (GetCursor() == crHandPoint) return;
    FSavedCursor = GetCursor();
    SetCursor(crHandPoint);
    if (TWinControl* inner = GetInnerControl()) inner->SetCursor(crHandPoint);
}

void TqzCustomHyperLinkEdit::HandleMouseEnter(TControl* control) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseEnter(control);
    if (alive && GetActiveHyperLinkProperties()->GetSingleClick()) TakeHandCursor();
}

void TqzCustomHyperLinkEdit::HandleMouseLeave(TControl* control) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseLeave(control);
    if (!alive || !GetActiveHyperLinkProperties()->GetSingleClick()) return;
    SetCursor(FSavedCursor);
    if (TWinControl* inner = GetInnerControl()) inner->SetCursor(FSavedCursor);
}

void TqzCustomHyperLinkEdit::ActivateByMouse(TShiftState shift, Integer x, Integer y,
                                             TqzCustomEditData*& editData) {
    if (IsInplace() && GetActiveHyperLinkProperties()->GetSingleClick()) {
        TakeHandCursor();
        Screen->SetCursor(crHandPoint);
    }
    inherited::ActivateByMouse(shift, x, y, editData);
}

void TqzCustomHyperLinkEdit::SelectAll() {
    if (IsInplace() && GetActiveHyperLinkProperties()->GetSingleClick()) return;
    inherited::SelectAll();
}

void TqzCustomHyperLinkEdit::UpdateInnerEditAppearance() {
    inherited::UpdateInnerEditAppearance();
    TWinControl* inner = GetInnerControl();
    if (!inner || IsConstructing() || !GetViewInfo()) return;
    TFontStyles styles = inner->GetFont()->GetStyle();
    if (styles.Contains(fsUnderline)) return;
    styles.Include(fsUnderline);
    GetInnerEdit()->LockBounds(true);
    inner->GetFont()->SetStyle(styles);
    GetInnerEdit()->LockBounds(false);
}

KOV_PUBLISHED(TqzCustomHyperLinkEdit) {}

TqzHyperLinkEdit::TqzHyperLinkEdit(TComponent* owner) : TqzCustomHyperLinkEdit(owner, false, true) {
    InitializeEditor();
}

TqzHyperLinkEdit::TqzHyperLinkEdit(TComponent* owner, bool isInplace)
    : TqzCustomHyperLinkEdit(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzHyperLinkEdit) {
    Property("BeepOnEnter", &TqzHyperLinkEdit::GetBeepOnEnter, &TqzHyperLinkEdit::SetBeepOnEnter).Default(true);
    Property("Properties", &TqzHyperLinkEdit::GetProperties, &TqzHyperLinkEdit::SetProperties);
    Property("Style", &TqzHyperLinkEdit::GetStyle, &TqzHyperLinkEdit::SetStyle);
}
