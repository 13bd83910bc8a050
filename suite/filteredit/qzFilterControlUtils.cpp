#include "suite/filteredit/qzFilterControlUtils.h"

#include <memory>

#include "platform/runtime/Strings.h"

#include "suite/controls/qzCalc.h"
#include "suite/controls/qzCalendar.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzHyperLinkEdit.h"
#include "suite/controls/qzImageComboBox.h"
#include "suite/controls/qzMRUEdit.h"
#include "suite/controls/qzMemo.h"
#include "suite/controls/qzProgressBar.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/controls/qzTimeEdit.h"
#include "suite/controls/qzTrackBar.h"
#include "suite/data/qzDBLookupComboBox.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"

namespace {

// Operator sets.
constexpr TqzFilterEditOperators kLikeOperators = 0x180;           // like, not like
constexpr TqzFilterEditOperators kTextOperators = 0x7FE;           // equal .. non-blanks
constexpr TqzFilterEditOperators kRangeAndListOperators = 0x7800;  // between .. not in list
constexpr TqzFilterEditOperators kCompareOperators = 0x67E;        // no like, not like
constexpr TqzFilterEditOperators kRelativeDateOperators = 0x7FF8000;
constexpr TqzFilterEditOperators kChoiceOperators = 0x606;         // equal, not equal, blanks, non-blanks
constexpr TqzFilterEditOperators kListOperators = 0x6000;          // in list, not in list
constexpr TqzFilterEditOperators kMemoOperators = 0x780;           // like, not like, blanks, non-blanks

bool HoldsText(TqzValueTypeClass valueType) { return valueType && valueType->IsTextType(); }

// Settings written without a change notice (fields that are not meant to signal).
template <class F> void Quietly(TqzCustomEditProperties* properties, F&& write) {
    const bool locked = properties->IsChangedLocked();
    properties->SetChangedLocked(true);
    write();
    properties->SetChangedLocked(locked);
}

// The filter editor of the check box and the radio group: a fixed list standing for the choices.
void InitChoiceList(const TqzCustomFilterEditHelper& helper, TqzCustomEditProperties* properties) {
    auto* combo = static_cast<TqzCustomComboBoxProperties*>(properties);
    combo->SetDropDownListStyle(lsFixedList);
    properties->SetDefaultValuesProvider(nullptr);
    helper.ClearPropertiesEvents(properties);
}

// The spin editor of a bar: two step buttons and the bar's range as its bounds.
void InitBarSpin(TqzCustomEditProperties* properties, double minValue, double maxValue) {
    auto* spin = static_cast<TqzCustomSpinEditProperties*>(properties);
    spin->GetButtons()->Add();
    spin->GetButtons()->Add();
    spin->SetMinValue(minValue);
    spin->SetMaxValue(maxValue);
}

} // namespace

// ---- Base ------------------------------------------------------------------------------------------

void TqzCustomFilterEditHelper::ClearPropertiesEvents(TqzCustomEditProperties* properties) const {
    if (!properties) return;
    properties->OnButtonClick = {};
    properties->OnChange = {};
    properties->OnEditValueChanged = {};
    properties->OnValidate = {};
}

void TqzCustomFilterEditHelper::InitFilterEdit(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties) const {
    TqzCustomEditProperties* properties = edit->GetPropertiesInUse();
    InitEditProperties(properties, itemProperties, KeepsEditButtons(properties));
}

bool TqzCustomFilterEditHelper::KeepsEditButtons(TqzCustomEditProperties* properties) const {
    return dynamic_cast<TqzCustomDropDownEditProperties*>(properties) ||
           dynamic_cast<TqzCustomSpinEditProperties*>(properties);
}

void TqzCustomFilterEditHelper::GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                               Variant& value, String& displayText) const {
    value = edit->GetEditValue();
    displayText = WideToString(itemProperties->GetDisplayTextWide(value));
}

TqzFilterEditOperators TqzCustomFilterEditHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                        TqzValueTypeClass valueType,
                                                                        bool extended) const {
    TqzFilterEditOperators result = kTextOperators;
    if (extended) result |= kRangeAndListOperators;
    if (!HoldsText(valueType)) result &= ~kLikeOperators;
    return result;
}

void TqzCustomFilterEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                   TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    properties->Assign(itemProperties);
    properties->GetAlignment()->SetHorz(taLeftJustify);
    properties->GetAlignment()->SetVert(taTopJustify);
    properties->BeepOnError = false;
    if (!keepButtons) properties->GetButtons()->Clear();
    properties->SetReadOnly(false);
    properties->ValidateOnEnter = true;
    if (!KeepsDefaultValuesProvider(itemProperties)) properties->SetDefaultValuesProvider(nullptr);
    ClearPropertiesEvents(properties);
}

bool TqzCustomFilterEditHelper::CheckValue(TqzValueTypeClass valueType, Variant& value) const {
    // Without a value type there is nothing the value must suit.
    return !valueType || valueType->AcceptsValue(value);
}

// ---- Text and its descendants -------------------------------------------------------------------

TClass TqzFilterTextEditHelper::GetFilterEditClass() const { return TqzTextEdit::StaticClass(); }

void TqzFilterTextEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzCustomFilterEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* text = static_cast<TqzCustomTextEditProperties*>(properties);
    text->SetAutoSelect(true);
    text->SetHideSelection(true);
    text->SetViewStyle(vsNormal);
}

void TqzFilterTextEditHelper::AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                                const Variant& value) const {
    edit->SetEditValue(value);
}

TqzFilterEditOperators TqzFilterMemoHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                  TqzValueTypeClass valueType,
                                                                  bool extended) const {
    return kMemoOperators;
}

TClass TqzFilterMaskEditHelper::GetFilterEditClass() const { return TqzMaskEdit::StaticClass(); }

TqzFilterEditOperators TqzFilterMaskEditHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                      TqzValueTypeClass valueType,
                                                                      bool extended) const {
    TqzFilterEditOperators result = kCompareOperators;
    auto* mask = dynamic_cast<TqzCustomMaskEditProperties*>(properties);
    if (!(mask && mask->IsMasked()) && HoldsText(valueType)) result |= kLikeOperators;
    if (extended) result |= kRangeAndListOperators;
    return result;
}

void TqzFilterMaskEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzFilterTextEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* mask = static_cast<TqzCustomMaskEditProperties*>(properties);
    auto* itemMask = dynamic_cast<TqzCustomMaskEditProperties*>(itemProperties);
    if (itemMask && itemMask->GetMaskKind() == emkRegExpr) mask->SetMaskKind(emkRegExprEx);
    mask->SetAutoSelect(!mask->IsMasked());
}

TClass TqzFilterComboBoxHelper::GetFilterEditClass() const { return TqzComboBox::StaticClass(); }

void TqzFilterComboBoxHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzFilterMaskEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* combo = static_cast<TqzCustomComboBoxProperties*>(properties);
    combo->SetButtonGlyph(nullptr);
    combo->SetDropDownRows(8);
    combo->SetDropDownListStyle(lsEditList);
    combo->SetImmediateDropDown(false);
    combo->SetPopupAlignment(taLeftJustify);
    combo->Revertable = false;
}

TClass TqzFilterImageComboBoxHelper::GetFilterEditClass() const { return TqzImageComboBox::StaticClass(); }

TqzFilterEditOperators TqzFilterImageComboBoxHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                           TqzValueTypeClass valueType,
                                                                           bool extended) const {
    return extended ? kChoiceOperators | kListOperators : kChoiceOperators;
}

void TqzFilterImageComboBoxHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                      TqzCustomEditProperties* itemProperties,
                                                      bool keepButtons) const {
    TqzFilterComboBoxHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* images = static_cast<TqzCustomImageComboBoxProperties*>(properties);
    images->SetDropDownListStyle(lsFixedList);
    images->SetImmediateDropDown(true);
    images->SetShowDescriptions(true);
}

bool TqzFilterLookupComboBoxHelper::KeepsDefaultValuesProvider(TqzCustomEditProperties* itemProperties) const {
    auto* lookup = dynamic_cast<TqzCustomLookupEditProperties*>(itemProperties);
    return lookup && lookup->IsLookupFieldBound();
}

TClass TqzFilterLookupComboBoxHelper::GetFilterEditClass() const { return TqzLookupComboBox::StaticClass(); }

void TqzFilterLookupComboBoxHelper::GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                                   Variant& value, String& displayText) const {
    value = edit->GetEditValue();
    IqzTextEditLookupData* lookupData = static_cast<TqzCustomTextEdit*>(edit)->GetLookupDataInterface();
    displayText = lookupData ? lookupData->GetKeyText(value) : String();
}

TqzFilterEditOperators TqzFilterLookupComboBoxHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                            TqzValueTypeClass valueType,
                                                                            bool extended) const {
    return kChoiceOperators;
}

void TqzFilterLookupComboBoxHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                       TqzCustomEditProperties* itemProperties,
                                                       bool keepButtons) const {
    TqzFilterComboBoxHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* lookup = static_cast<TqzCustomLookupEditProperties*>(properties);
    lookup->SetDropDownAutoSize(true);
    lookup->SetDropDownListStyle(lsFixedList);
    lookup->SetDropDownSizeable(true);
    lookup->SetIncrementalFiltering(true);
}

TClass TqzFilterCalcEditHelper::GetFilterEditClass() const { return TqzCalcEdit::StaticClass(); }

TqzFilterEditOperators TqzFilterCalcEditHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                      TqzValueTypeClass valueType,
                                                                      bool extended) const {
    return extended ? kCompareOperators | kRangeAndListOperators : kCompareOperators;
}

void TqzFilterCalcEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzFilterMaskEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    static_cast<TqzCustomCalcEditProperties*>(properties)->SetQuickClose(true);
}

TClass TqzFilterDateEditHelper::GetFilterEditClass() const { return TqzDateEdit::StaticClass(); }

TqzFilterEditOperators TqzFilterDateEditHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                      TqzValueTypeClass valueType,
                                                                      bool extended) const {
    return extended ? kCompareOperators | kRangeAndListOperators | kRelativeDateOperators : kCompareOperators;
}

void TqzFilterDateEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzFilterMaskEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* date = static_cast<TqzCustomDateEditProperties*>(properties);
    date->SetDateButtons(TDateButtons{btnClear, btnToday});
    date->SetDateOnError(deNull);
    date->SetInputKind(ikRegExpr);
    date->SetSaveTime(true);
}

TClass TqzFilterSpinEditHelper::GetFilterEditClass() const { return TqzSpinEdit::StaticClass(); }

TqzFilterEditOperators TqzFilterSpinEditHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                      TqzValueTypeClass valueType,
                                                                      bool extended) const {
    return extended ? kCompareOperators | kRangeAndListOperators : kCompareOperators;
}

void TqzFilterSpinEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzFilterMaskEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* spin = static_cast<TqzCustomSpinEditProperties*>(properties);
    Quietly(spin, [spin] { spin->SetCanEdit(true); });
}

TClass TqzFilterTimeEditHelper::GetFilterEditClass() const { return TqzTimeEdit::StaticClass(); }

void TqzFilterTimeEditHelper::InitFilterEdit(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties) const {
    TqzFilterSpinEditHelper::InitFilterEdit(edit, itemProperties);
    static_cast<TqzCustomTimeEdit*>(edit)->SetTime(0);
}

TClass TqzFilterProgressBarHelper::GetFilterEditClass() const { return TqzSpinEdit::StaticClass(); }

void TqzFilterProgressBarHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                    TqzCustomEditProperties* itemProperties,
                                                    bool keepButtons) const {
    TqzFilterSpinEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* bar = static_cast<TqzCustomProgressBarProperties*>(itemProperties);
    InitBarSpin(properties, bar->GetMin(), bar->GetMax());
}

TClass TqzFilterTrackBarHelper::GetFilterEditClass() const { return TqzSpinEdit::StaticClass(); }

void TqzFilterTrackBarHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzFilterSpinEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* bar = static_cast<TqzCustomTrackBarProperties*>(itemProperties);
    InitBarSpin(properties, double(bar->GetMin()), double(bar->GetMax()));
    auto* spin = static_cast<TqzCustomSpinEditProperties*>(properties);
    const double pageSize = double(bar->GetPageSize());
    Quietly(spin, [spin, pageSize] { spin->SetLargeIncrement(pageSize); });
}

TClass TqzFilterCurrencyEditHelper::GetFilterEditClass() const { return TqzCurrencyEdit::StaticClass(); }

TqzFilterEditOperators TqzFilterCurrencyEditHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                          TqzValueTypeClass valueType,
                                                                          bool extended) const {
    return extended ? kCompareOperators | kRangeAndListOperators : kCompareOperators;
}

void TqzFilterCurrencyEditHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                     TqzCustomEditProperties* itemProperties,
                                                     bool keepButtons) const {
    TqzFilterTextEditHelper::InitEditProperties(properties, itemProperties, keepButtons);
    auto* currency = static_cast<TqzCustomCurrencyEditProperties*>(properties);
    currency->SetMinValue(0);
    currency->SetMaxValue(0);
    currency->SetNullable(true);
    currency->SetNullString(String());
}

TClass TqzFilterHyperLinkEditHelper::GetFilterEditClass() const { return TqzHyperLinkEdit::StaticClass(); }

// ---- Check box and radio group ------------------------------------------------------------------

TClass TqzFilterCheckBoxHelper::GetFilterEditClass() const { return TqzComboBox::StaticClass(); }

void TqzFilterCheckBoxHelper::GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                             Variant& value, String& displayText) const {
    auto* check = static_cast<TqzCustomCheckBoxProperties*>(itemProperties);
    switch (static_cast<TqzCustomTextEdit*>(edit)->GetItemIndex()) {
    case 0: value = check->GetValueChecked(); break;
    case 1: value = check->GetValueUnchecked(); break;
    default:
        value = Null();
        displayText.clear();
        return;
    }
    displayText = WideToString(check->GetDisplayTextWide(value));
}

TqzFilterEditOperators TqzFilterCheckBoxHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                      TqzValueTypeClass valueType,
                                                                      bool extended) const {
    return kChoiceOperators;
}

void TqzFilterCheckBoxHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                 TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    auto* check = static_cast<TqzCustomCheckBoxProperties*>(itemProperties);
    TStringList* items = static_cast<TqzCustomComboBoxProperties*>(properties)->GetItems();
    items->Clear();
    items->Add(WideToString(check->GetDisplayTextWide(check->GetValueChecked())));
    items->Add(WideToString(check->GetDisplayTextWide(check->GetValueUnchecked())));
    InitChoiceList(*this, properties);
}

void TqzFilterCheckBoxHelper::AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                                const Variant& value) const {
    Variant state;
    itemProperties->PrepareDisplayValue(value, state, edit->HasFocus());
    Integer index = -1;
    switch (TqzCheckBoxState(state.AsInteger())) {
    case cbsUnchecked: index = 1; break;
    case cbsChecked: index = 0; break;
    case cbsGrayed: index = -1; break;
    }
    static_cast<TqzCustomTextEdit*>(edit)->SetItemIndex(index);
}

TClass TqzFilterRadioGroupHelper::GetFilterEditClass() const { return TqzComboBox::StaticClass(); }

void TqzFilterRadioGroupHelper::GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                               Variant& value, String& displayText) const {
    auto* radio = static_cast<TqzCustomRadioGroupProperties*>(itemProperties);
    TqzRadioGroupItems* items = radio->GetRadioItems();
    const Integer index = static_cast<TqzCustomTextEdit*>(edit)->GetItemIndex();
    // An index the list does not hold reads as no choice.
    if (index < 0 || index >= items->GetCount()) {
        value = radio->GetDefaultValue();
        displayText = WideToString(radio->GetDefaultCaption());
        return;
    }
    value = items->GetItem(index)->GetValue();
    displayText = items->GetItem(index)->GetCaption();
}

TqzFilterEditOperators TqzFilterRadioGroupHelper::GetSupportedOperators(TqzCustomEditProperties* properties,
                                                                        TqzValueTypeClass valueType,
                                                                        bool extended) const {
    return extended ? kChoiceOperators | kListOperators : kChoiceOperators;
}

void TqzFilterRadioGroupHelper::InitEditProperties(TqzCustomEditProperties* properties,
                                                   TqzCustomEditProperties* itemProperties, bool keepButtons) const {
    TqzRadioGroupItems* radioItems = static_cast<TqzCustomRadioGroupProperties*>(itemProperties)->GetRadioItems();
    TStringList* items = static_cast<TqzCustomComboBoxProperties*>(properties)->GetItems();
    items->Clear();
    for (Integer i = 0; i < radioItems->GetCount(); ++i) items->Add(radioItems->GetItem(i)->GetCaption());
    InitChoiceList(*this, properties);
}

void TqzFilterRadioGroupHelper::AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                                  const Variant& value) const {
    Variant index;
    itemProperties->PrepareDisplayValue(value, index, edit->HasFocus());
    static_cast<TqzCustomTextEdit*>(edit)->SetItemIndex(index.AsInteger());
}

// ---- Registry ------------------------------------------------------------------------------------

TClass TqzFilterEditsController::GetStoredClass(TClass propertiesClass) {
    return propertiesClass ? propertiesClass->ClassParent() : nullptr;
}

void TqzFilterEditsController::RegisterPair(TClass propertiesClass, TClass helperClass) {
    TqzRegisteredClassList::RegisterPair(GetStoredClass(propertiesClass), helperClass);
}

void TqzFilterEditsController::UnregisterPair(TClass propertiesClass, TClass helperClass) {
    TqzRegisteredClassList::UnregisterPair(GetStoredClass(propertiesClass), helperClass);
}

namespace {

template <class H> const TqzCustomFilterEditHelper* HelperObject() {
    static const H helper;
    return &helper;
}

struct THelperEntry {
    TClass (*HelperClass)();
    const TqzCustomFilterEditHelper* (*Helper)();
};

#define QZ_HELPER_ENTRY(H) {&H::StaticClass, &HelperObject<H>}
const THelperEntry kHelpers[] = {
    QZ_HELPER_ENTRY(TqzCustomFilterEditHelper),   QZ_HELPER_ENTRY(TqzFilterTextEditHelper),
    QZ_HELPER_ENTRY(TqzFilterMemoHelper),         QZ_HELPER_ENTRY(TqzFilterMaskEditHelper),
    QZ_HELPER_ENTRY(TqzFilterComboBoxHelper),     QZ_HELPER_ENTRY(TqzFilterImageComboBoxHelper),
    QZ_HELPER_ENTRY(TqzFilterCalcEditHelper),     QZ_HELPER_ENTRY(TqzFilterDateEditHelper),
    QZ_HELPER_ENTRY(TqzFilterSpinEditHelper),     QZ_HELPER_ENTRY(TqzFilterTimeEditHelper),
    QZ_HELPER_ENTRY(TqzFilterProgressBarHelper),  QZ_HELPER_ENTRY(TqzFilterTrackBarHelper),
    QZ_HELPER_ENTRY(TqzFilterCurrencyEditHelper), QZ_HELPER_ENTRY(TqzFilterMRUEditHelper),
    QZ_HELPER_ENTRY(TqzFilterHyperLinkEditHelper), QZ_HELPER_ENTRY(TqzFilterCheckBoxHelper),
    QZ_HELPER_ENTRY(TqzFilterRadioGroupHelper),   QZ_HELPER_ENTRY(TqzFilterLookupComboBoxHelper),
};
#undef QZ_HELPER_ENTRY

struct TPair {
    TClass (*PropertiesClass)();
    TClass (*HelperClass)();
};

// The unit's own pairs, in the order they are registered.
const TPair kPairs[] = {
    {&TqzCalcEditProperties::StaticClass, &TqzFilterCalcEditHelper::StaticClass},
    {&TqzCheckBoxProperties::StaticClass, &TqzFilterCheckBoxHelper::StaticClass},
    {&TqzComboBoxProperties::StaticClass, &TqzFilterComboBoxHelper::StaticClass},
    {&TqzCurrencyEditProperties::StaticClass, &TqzFilterCurrencyEditHelper::StaticClass},
    {&TqzDateEditProperties::StaticClass, &TqzFilterDateEditHelper::StaticClass},
    {&TqzHyperLinkEditProperties::StaticClass, &TqzFilterHyperLinkEditHelper::StaticClass},
    {&TqzImageComboBoxProperties::StaticClass, &TqzFilterImageComboBoxHelper::StaticClass},
    {&TqzLookupComboBoxProperties::StaticClass, &TqzFilterLookupComboBoxHelper::StaticClass},
    {&TqzMaskEditProperties::StaticClass, &TqzFilterMaskEditHelper::StaticClass},
    {&TqzMemoProperties::StaticClass, &TqzFilterMemoHelper::StaticClass},
    {&TqzMRUEditProperties::StaticClass, &TqzFilterMRUEditHelper::StaticClass},
    {&TqzRadioGroupProperties::StaticClass, &TqzFilterRadioGroupHelper::StaticClass},
    {&TqzSpinEditProperties::StaticClass, &TqzFilterSpinEditHelper::StaticClass},
    {&TqzTextEditProperties::StaticClass, &TqzFilterTextEditHelper::StaticClass},
    {&TqzTimeEditProperties::StaticClass, &TqzFilterTimeEditHelper::StaticClass},
};
// The bars' pairs: registered after the unit's own, unregistered first at the end.
const TPair kBarPairs[] = {
    {&TqzProgressBarProperties::StaticClass, &TqzFilterProgressBarHelper::StaticClass},
    {&TqzTrackBarProperties::StaticClass, &TqzFilterTrackBarHelper::StaticClass},
};

struct TFilterControlUnit {
    std::unique_ptr<TqzFilterEditsController> Controller;
    bool Finished = false;
};

TFilterControlUnit& Unit() {
    static TFilterControlUnit unit;
    return unit;
}

// The program holds the registry from its start.
const bool kStarted = [] {
    GetFilterEditsController();
    return true;
}();

} // namespace

TqzFilterEditsController* GetFilterEditsController() {
    TFilterControlUnit& unit = Unit();
    if (unit.Finished) return nullptr;
    if (!unit.Controller) {
        unit.Controller = std::make_unique<TqzFilterEditsController>();
        for (const TPair& pair : kPairs) unit.Controller->RegisterPair(pair.PropertiesClass(), pair.HelperClass());
        for (const TPair& pair : kBarPairs)
            unit.Controller->RegisterPair(pair.PropertiesClass(), pair.HelperClass());
    }
    return unit.Controller.get();
}

void FilterControlUtilsFinalize() {
    TFilterControlUnit& unit = Unit();
    unit.Finished = true;
    if (!unit.Controller) return;
    for (const TPair& pair : kBarPairs) unit.Controller->UnregisterPair(pair.PropertiesClass(), pair.HelperClass());
    unit.Controller.reset();
}

void FilterControlUtilsRestart() {
    FilterControlUtilsFinalize();
    Unit().Finished = false;
}

const TqzCustomFilterEditHelper* FilterEditHelperOf(TClass helperClass) {
    for (const THelperEntry& entry : kHelpers)
        if (entry.HelperClass() == helperClass) return entry.Helper();
    return nullptr;
}

const TqzCustomFilterEditHelper* FindFilterEditHelper(TClass propertiesClass) {
    TqzFilterEditsController* controller = GetFilterEditsController();
    Integer index = -1;
    if (!controller || !controller->FindItemClass(propertiesClass, index)) return nullptr;
    return FilterEditHelperOf(controller->GetItems(index).RegisteredClass);
}
