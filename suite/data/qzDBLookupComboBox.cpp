#include "suite/data/qzDBLookupComboBox.h"

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

const char* const kRegistryText = "LookupComboBox|Represents a lookup combo box control";

const bool kLookupComboBoxClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzLookupComboBoxProperties>();
    RegisterClasses({TqzLookupComboBox::StaticClass()});
    return true;
}();

} // namespace

void DBLookupComboBoxInitialize() {
    GetEditPropertiesRegistry()->Register(TqzLookupComboBoxProperties::StaticClass(), kRegistryText);
}

void DBLookupComboBoxFinalize() {
    if (IsEditUnitStarted()) GetEditPropertiesRegistry()->Unregister(TqzLookupComboBoxProperties::StaticClass());
}

namespace {
// Made again when the editor unit was restarted (its end frees the registry).
const bool kLookupComboBoxRegistered = (DBLookupComboBoxInitialize(), true);

// The module ends with the program, after the default-editor registries that hold its items.
struct TLookupComboBoxUnitEnd {
    ~TLookupComboBoxUnitEnd() { DBLookupComboBoxFinalize(); }
} gLookupComboBoxUnitEnd;
} // namespace

// ---- Properties ------------------------------------------------------------------------------

TqzLookupComboBoxProperties::TqzLookupComboBoxProperties(TPersistent* owner)
    : TqzCustomDBLookupEditProperties(owner), FGrid(std::make_unique<TqzLookupDBGrid>(nullptr)) {
    DBLookupComboBoxInitialize();
    FGrid->SetPopupMode(true);
    FGrid->GetOptions()->OnChanged = TNotifyEvent(this, &TqzLookupComboBoxProperties::OptionsChanged);
    HookListDataController();
}

TqzLookupComboBoxProperties::~TqzLookupComboBoxProperties() {
    UnhookListDataController();
    FGrid->GetOptions()->OnChanged = TNotifyEvent();
    FGrid.reset();
}

void TqzLookupComboBoxProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzLookupComboBoxProperties*>(source);
    if (!other) {
        TqzCustomDBLookupEditProperties::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        SetGridMode(other->GetGridMode());
        SetListOptions(other->GetListOptions());
        const bool definedByField = IsDefinedByLookupField();
        if (!definedByField) {
            SetListSource(other->GetListSource());
            SetListColumns(other->GetListColumns());
        }
        SetOnSortingChanged(other->GetOnSortingChanged());
        TqzCustomDBLookupEditProperties::Assign(source);
        if (definedByField) SetListColumns(other->GetListColumns());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TClass TqzLookupComboBoxProperties::GetContainerClass() const { return TqzLookupComboBox::StaticClass(); }

Integer TqzLookupComboBoxProperties::GetListWidth() {
    Integer width = 0;
    for (Integer i = 0; i < FGrid->GetColumns()->GetCount(); ++i) width += FGrid->GetColumns()->GetColumn(i)->GetWidth();
    return width;
}

void TqzLookupComboBoxProperties::SetListHandlers(const TNotifyEvent& select, const TNotifyEvent& other,
                                                  const TqzLookupGridCloseUpHandler& closeUp) {
    FGrid->OnFocusedRowChanged = select;
    FGrid->OnGridEvent = other;
    FGrid->OnCloseUp = closeUp;
}

void TqzLookupComboBoxProperties::ApplyListAppearance(TqzLookAndFeel* lookAndFeel, TColor color, TFont* font) {
    FGrid->GetLookAndFeel()->SetMaster(lookAndFeel);
    FGrid->SetColor(color);
    if (font) FGrid->GetFont()->Assign(font);
}

void TqzLookupComboBoxProperties::ListHiding() {
    FGrid->ReleaseMouse();
    if (FGrid->IgnoreMouseMoves > 0) --FGrid->IgnoreMouseMoves;
}

void TqzLookupComboBoxProperties::AddListColumnIfMissing(const String& fieldName) {
    if (fieldName.empty() || FindListColumnByFieldName(fieldName) != -1) return;
    TqzLookupDBGridColumn* column = FGrid->GetDBColumns()->AddColumn();
    column->SetFieldName(fieldName);
    column->SetIndex(0);
}

Integer TqzLookupComboBoxProperties::FindListColumnByFieldName(const String& name) {
    for (Integer i = 0; i < GetListColumnCount(); ++i)
        if (AnsiSameText(GetListColumnFieldName(i), name)) return i;
    return -1;
}

void TqzLookupComboBoxProperties::SetListColumns(TqzLookupDBGridColumns* value) {
    FGrid->GetColumns()->Assign(value);
    ApplyLookupResultField();
    AdjustListFieldIndex();
}

TDataSource* TqzLookupComboBoxProperties::GetListSource() {
    return IsDefinedByLookupField() ? nullptr : FGrid->GetDataSource();
}

void TqzLookupComboBoxProperties::SetListSource(TDataSource* value) {
    if (IsDefinedByLookupField() && !IsInternalAssign()) DatabaseError(sqzPropertyDefinedByLookupField);
    if (value) CheckCircularDataLink(value);
    FGrid->SetDataSource(value);
    Changed();
}

KOV_PUBLISHED(TqzLookupComboBoxProperties) {
    using P = TqzLookupComboBoxProperties;
    Property("AssignedValues", &P::GetAssignedValues, &P::SetAssignedValues);
    Property("AutoSelect", &P::GetAutoSelect, &P::SetAutoSelect).Default(true);
    Property("ButtonGlyph", &P::GetButtonGlyph, &P::SetButtonGlyph);
    Property("CharCase", &P::GetCharCase, &P::SetCharCase).Default(ecNormal);
    Property("ClearKey", &P::ClearKey).Default(TShortCut(0));
    Property("DropDownAutoSize", &P::GetDropDownAutoSize, &P::SetDropDownAutoSize).Default(false);
    Property("DropDownHeight", &P::GetDropDownHeight, &P::SetDropDownHeight).Default(Integer(0));
    Property("DropDownListStyle", &P::GetDropDownListStyle, &P::SetDropDownListStyle).Default(lsEditFixedList);
    Property("DropDownRows", &P::GetDropDownRowsValue, &P::SetDropDownRows).Default(Integer(8));
    Property("DropDownSizeable", &P::GetDropDownSizeable, &P::SetDropDownSizeable).Default(false);
    Property("DropDownWidth", &P::GetDropDownWidth, &P::SetDropDownWidth).Default(Integer(0));
    Property("GridMode", &P::GetGridMode, &P::SetGridMode).Default(false);
    Property("HideSelection", &P::GetHideSelection, &P::SetHideSelection).Default(true);
    Property("ImeMode", &P::GetImeMode, &P::SetImeMode).Default(imDontCare);
    Property("ImeName", &P::GetImeName, &P::SetImeName).TypeName("TImeName");
    Property("ImmediateDropDown", &P::GetImmediateDropDown, &P::SetImmediateDropDown).Default(true);
    Property("ImmediatePost", &P::ImmediatePost).Default(false);
    Property("IncrementalFiltering", &P::GetIncrementalFiltering, &P::SetIncrementalFiltering).Default(true);
    Property("KeyFieldNames", &P::GetKeyFieldNames, &P::SetKeyFieldNames);
    Property("ListColumns", &P::GetListColumns, &P::SetListColumns);
    Property("ListFieldNames", &P::GetListFieldNames, &P::SetListFieldNames).Stored(false);
    Property("ListFieldIndex", &P::GetListFieldIndexValue, &P::SetListFieldIndexValue).Default(Integer(0));
    Property("ListOptions", &P::GetListOptions, &P::SetListOptions);
    Property("ListSource", &P::GetListSource, &P::SetListSource);
    Property("MaxLength", &P::GetMaxLength, &P::SetMaxLength);
    Property("OEMConvert", &P::GetOEMConvert, &P::SetOEMConvert).Default(false);
    Property("PopupAlignment", &P::GetPopupAlignment, &P::SetPopupAlignment).Default(taLeftJustify);
    Property("PostPopupValueOnTab", &P::GetPostPopupValueOnTab, &P::SetPostPopupValueOnTab).Default(false);
    Property("ReadOnly", &P::GetReadOnly, &P::SetReadOnly);
    Property("Revertable", &P::Revertable).Default(false);
    Property("ValidateOnEnter", &P::ValidateOnEnter).Default(false);
    Property("OnChange", &P::OnChange);
    Property("OnCloseUp", &P::OnCloseUp);
    Property("OnEditValueChanged", &P::OnEditValueChanged);
    Property("OnInitPopup", &P::OnInitPopup);
    Property("OnNewLookupDisplayText", &P::OnNewLookupDisplayText);
    Property("OnPopup", &P::OnPopup);
    Property("OnSortingChanged", &P::GetOnSortingChanged, &P::SetOnSortingChanged);
    Property("OnValidate", &P::OnValidate);
}

// ---- Editors ---------------------------------------------------------------------------------

TqzCustomLookupComboBox::TqzCustomLookupComboBox(TComponent* owner) : TqzCustomLookupComboBox(owner, false) {}

TqzCustomLookupComboBox::TqzCustomLookupComboBox(TComponent* owner, bool isInplace)
    : TqzCustomLookupComboBox(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomLookupComboBox::TqzCustomLookupComboBox(TComponent* owner, bool isInplace, bool)
    : TqzCustomDBLookupEdit(owner, isInplace, true) {}

TqzLookupComboBox::TqzLookupComboBox(TComponent* owner) : TqzCustomLookupComboBox(owner, false, true) {
    InitializeEditor();
}

TqzLookupComboBox::TqzLookupComboBox(TComponent* owner, bool isInplace)
    : TqzCustomLookupComboBox(owner, isInplace, true) {
    InitializeEditor();
}

KOV_PUBLISHED(TqzCustomLookupComboBox) {}

// Alignment, UseLeftAlignmentOnEditing and the control's common properties (Anchors, Constraints,
// the drag, hint, tab and mouse settings and events, ...) come published from the base classes.
KOV_PUBLISHED(TqzLookupComboBox) {
    Property("Properties", &TqzLookupComboBox::GetProperties, &TqzLookupComboBox::SetProperties);
    Property("EditValue", &TqzLookupComboBox::GetPublishedEditValue, &TqzLookupComboBox::SetPublishedEditValue);
    Property("BeepOnEnter", &TqzLookupComboBox::GetBeepOnEnter, &TqzLookupComboBox::SetBeepOnEnter).Default(true);
    Property("ImeMode", &TqzLookupComboBox::GetImeMode, &TqzLookupComboBox::SetImeMode).Default(imDontCare);
    Property("ImeName", &TqzLookupComboBox::GetImeName, &TqzLookupComboBox::SetImeName).TypeName("TImeName");
}
