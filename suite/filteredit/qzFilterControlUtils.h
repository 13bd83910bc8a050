// The filter-edit registry: for each kind of editor properties, a helper that tells how an
// editor of that kind serves for entering the value of one filter condition over a data
// controller's item: which editor to create, how to prepare its properties from the item's,
// which operators it offers, and how to read back and put in a value.
//
// Helpers hold no state. The registry stores helper classes; FilterEditHelperOf gives the one
// immutable object of a helper class, whose operations stand for the class's operations.
#pragma once

#include "suite/data/qzDataStorage.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzClasses.h"

class TqzCustomEdit;

// Bit n set: operator n is offered. 0 none (never offered), 1 equal, 2 not equal, 3 less,
// 4 less or equal, 5 greater, 6 greater or equal, 7 like, 8 not like, 9 blanks, 10 non-blanks,
// 11 between, 12 not between, 13 in list, 14 not in list, 15 to 26 the relative dates
// (yesterday, today, tomorrow, last week, last month, last year, this week, this month,
// this year, next week, next month, next year).
using TqzFilterEditOperators = Cardinal;

class TqzCustomFilterEditHelper : public TObject {
    KOV_CLASS(TqzCustomFilterEditHelper, TObject)
public:
    TqzCustomFilterEditHelper() = default;

    // OnButtonClick, OnChange, OnEditValueChanged and OnValidate cleared; nothing for none.
    virtual void ClearPropertiesEvents(TqzCustomEditProperties* properties) const;
    // Prepares a new filter editor's properties in use from the item's properties.
    virtual void InitFilterEdit(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties) const;
    // The prepared copy keeps the default-values provider it copied.
    virtual bool KeepsDefaultValuesProvider(TqzCustomEditProperties* itemProperties) const { return true; }
    // The prepared copy keeps the buttons it copied: drop-down and spin editors.
    virtual bool KeepsEditButtons(TqzCustomEditProperties* properties) const;
    // The editor class to create for the value; none here.
    virtual TClass GetFilterEditClass() const { return nullptr; }
    virtual void GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties, Variant& value,
                                String& displayText) const;
    virtual TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties,
                                                         TqzValueTypeClass valueType, bool extended) const;
    virtual void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                                    bool keepButtons) const;
    // The value suits the value type (and is converted to it in place when it can be).
    virtual bool CheckValue(TqzValueTypeClass valueType, Variant& value) const;
    virtual void AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                                   const Variant& value) const {}
    // The display text rather than the value describes what was entered.
    virtual bool PrefersDisplayText() const { return false; }
};

class TqzFilterTextEditHelper : public TqzCustomFilterEditHelper {
    KOV_CLASS(TqzFilterTextEditHelper, TqzCustomFilterEditHelper)
public:
    TqzFilterTextEditHelper() = default;
    TClass GetFilterEditClass() const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
    void AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                           const Variant& value) const override;
};

class TqzFilterMemoHelper : public TqzFilterTextEditHelper {
    KOV_CLASS(TqzFilterMemoHelper, TqzFilterTextEditHelper)
public:
    TqzFilterMemoHelper() = default;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
};

class TqzFilterMaskEditHelper : public TqzFilterTextEditHelper {
    KOV_CLASS(TqzFilterMaskEditHelper, TqzFilterTextEditHelper)
public:
    TqzFilterMaskEditHelper() = default;
    TClass GetFilterEditClass() const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterComboBoxHelper : public TqzFilterMaskEditHelper {
    KOV_CLASS(TqzFilterComboBoxHelper, TqzFilterMaskEditHelper)
public:
    TqzFilterComboBoxHelper() = default;
    TClass GetFilterEditClass() const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterImageComboBoxHelper : public TqzFilterComboBoxHelper {
    KOV_CLASS(TqzFilterImageComboBoxHelper, TqzFilterComboBoxHelper)
public:
    TqzFilterImageComboBoxHelper() = default;
    TClass GetFilterEditClass() const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

// The lookup combo box keeps its data-bound provider only over a data-set lookup field, and
// reads back the list text of the chosen key.
class TqzFilterLookupComboBoxHelper : public TqzFilterComboBoxHelper {
    KOV_CLASS(TqzFilterLookupComboBoxHelper, TqzFilterComboBoxHelper)
public:
    TqzFilterLookupComboBoxHelper() = default;
    bool KeepsDefaultValuesProvider(TqzCustomEditProperties* itemProperties) const override;
    TClass GetFilterEditClass() const override;
    void GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties, Variant& value,
                        String& displayText) const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
    bool CheckValue(TqzValueTypeClass valueType, Variant& value) const override { return true; }
};

class TqzFilterCalcEditHelper : public TqzFilterMaskEditHelper {
    KOV_CLASS(TqzFilterCalcEditHelper, TqzFilterMaskEditHelper)
public:
    TqzFilterCalcEditHelper() = default;
    TClass GetFilterEditClass() const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterDateEditHelper : public TqzFilterMaskEditHelper {
    KOV_CLASS(TqzFilterDateEditHelper, TqzFilterMaskEditHelper)
public:
    TqzFilterDateEditHelper() = default;
    TClass GetFilterEditClass() const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterSpinEditHelper : public TqzFilterMaskEditHelper {
    KOV_CLASS(TqzFilterSpinEditHelper, TqzFilterMaskEditHelper)
public:
    TqzFilterSpinEditHelper() = default;
    TClass GetFilterEditClass() const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

// Its editor starts at midnight, the date part kept.
class TqzFilterTimeEditHelper : public TqzFilterSpinEditHelper {
    KOV_CLASS(TqzFilterTimeEditHelper, TqzFilterSpinEditHelper)
public:
    TqzFilterTimeEditHelper() = default;
    void InitFilterEdit(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties) const override;
    TClass GetFilterEditClass() const override;
};

// The bars' values are entered in a spin editor with the bar's range as its bounds.
class TqzFilterProgressBarHelper : public TqzFilterSpinEditHelper {
    KOV_CLASS(TqzFilterProgressBarHelper, TqzFilterSpinEditHelper)
public:
    TqzFilterProgressBarHelper() = default;
    TClass GetFilterEditClass() const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterTrackBarHelper : public TqzFilterSpinEditHelper {
    KOV_CLASS(TqzFilterTrackBarHelper, TqzFilterSpinEditHelper)
public:
    TqzFilterTrackBarHelper() = default;
    TClass GetFilterEditClass() const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterCurrencyEditHelper : public TqzFilterTextEditHelper {
    KOV_CLASS(TqzFilterCurrencyEditHelper, TqzFilterTextEditHelper)
public:
    TqzFilterCurrencyEditHelper() = default;
    TClass GetFilterEditClass() const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
};

class TqzFilterMRUEditHelper : public TqzFilterTextEditHelper {
    KOV_CLASS(TqzFilterMRUEditHelper, TqzFilterTextEditHelper)
public:
    TqzFilterMRUEditHelper() = default;
    bool KeepsEditButtons(TqzCustomEditProperties* properties) const override { return false; }
};

class TqzFilterHyperLinkEditHelper : public TqzFilterTextEditHelper {
    KOV_CLASS(TqzFilterHyperLinkEditHelper, TqzFilterTextEditHelper)
public:
    TqzFilterHyperLinkEditHelper() = default;
    TClass GetFilterEditClass() const override;
};

// The check box's and the radio group's values are chosen in a fixed combo box list whose
// items stand for the item's choices.
class TqzFilterCheckBoxHelper : public TqzCustomFilterEditHelper {
    KOV_CLASS(TqzFilterCheckBoxHelper, TqzCustomFilterEditHelper)
public:
    TqzFilterCheckBoxHelper() = default;
    TClass GetFilterEditClass() const override;
    void GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties, Variant& value,
                        String& displayText) const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
    void AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                           const Variant& value) const override;
    bool PrefersDisplayText() const override { return true; }
};

class TqzFilterRadioGroupHelper : public TqzCustomFilterEditHelper {
    KOV_CLASS(TqzFilterRadioGroupHelper, TqzCustomFilterEditHelper)
public:
    TqzFilterRadioGroupHelper() = default;
    TClass GetFilterEditClass() const override;
    void GetFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties, Variant& value,
                        String& displayText) const override;
    TqzFilterEditOperators GetSupportedOperators(TqzCustomEditProperties* properties, TqzValueTypeClass valueType,
                                                 bool extended) const override;
    void InitEditProperties(TqzCustomEditProperties* properties, TqzCustomEditProperties* itemProperties,
                            bool keepButtons) const override;
    void AssignFilterValue(TqzCustomEdit* edit, TqzCustomEditProperties* itemProperties,
                           const Variant& value) const override;
    bool PrefersDisplayText() const override { return true; }
};

// The registry: entries (stored properties class, helper class), the stored class being the
// parent of the registered properties class.
class TqzFilterEditsController : public TqzRegisteredClassList {
    KOV_CLASS(TqzFilterEditsController, TqzRegisteredClassList)
public:
    TqzFilterEditsController() = default;
    void RegisterPair(TClass propertiesClass, TClass helperClass) override;
    void UnregisterPair(TClass propertiesClass, TClass helperClass) override;
    static TClass GetStoredClass(TClass propertiesClass);
};

// The registry, made and filled with its pairs on first use; none after the unit's end.
TqzFilterEditsController* GetFilterEditsController();
// The unit's end: the bar pairs are unregistered, then the registry is freed.
void FilterControlUtilsFinalize();
// Lets a finished unit start again on the next GetFilterEditsController (for tests).
void FilterControlUtilsRestart();

// The one object of a helper class (none for a class that is no helper).
const TqzCustomFilterEditHelper* FilterEditHelperOf(TClass helperClass);
// The helper registered for the nearest registered ancestor of the properties class; none when
// there is none or the registry is gone.
const TqzCustomFilterEditHelper* FindFilterEditHelper(TClass propertiesClass);
