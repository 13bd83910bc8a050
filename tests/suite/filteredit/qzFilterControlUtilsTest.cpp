// The filter-edit registry and its helpers. The tests play the filter-building control: they
// create the editor a helper names, prepare it from real item properties, enter a value and
// read it back.
#include <gtest/gtest.h>

#include <bit>
#include <memory>

#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Strings.h"
#include "suite/controls/qzBlobEdit.h"
#include "suite/controls/qzButtonEdit.h"
#include "suite/controls/qzCalc.h"
#include "suite/controls/qzCalendar.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzHyperLinkEdit.h"
#include "suite/controls/qzImage.h"
#include "suite/controls/qzImageComboBox.h"
#include "suite/controls/qzMRUEdit.h"
#include "suite/controls/qzMemo.h"
#include "suite/controls/qzProgressBar.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/controls/qzTimeEdit.h"
#include "suite/controls/qzTrackBar.h"
#include "suite/data/qzDBEdit.h"
#include "suite/data/qzDBLookupComboBox.h"
#include "suite/filteredit/qzFilterControlUtils.h"
#include "tests/support/FormFixture.h"

namespace {

template <class H> const TqzCustomFilterEditHelper& Helper() {
    const TqzCustomFilterEditHelper* helper = FilterEditHelperOf(H::StaticClass());
    EXPECT_NE(helper, nullptr);
    return *helper;
}

// ---- Registry ------------------------------------------------------------------------------------

TEST(qzFilterEditsController, HoldsItsPairsInOrderOfStoredClasses) {
    FilterControlUtilsRestart();
    TqzFilterEditsController* controller = GetFilterEditsController();
    ASSERT_NE(controller, nullptr);
    const TClass stored[] = {
        TqzCustomTextEditProperties::StaticClass(),      TqzCustomMaskEditProperties::StaticClass(),
        TqzCustomSpinEditProperties::StaticClass(),      TqzCustomTimeEditProperties::StaticClass(),
        TqzCustomCalcEditProperties::StaticClass(),      TqzCustomCheckBoxProperties::StaticClass(),
        TqzCustomComboBoxProperties::StaticClass(),      TqzCustomMRUEditProperties::StaticClass(),
        TqzCustomDBLookupEditProperties::StaticClass(),  TqzCustomImageComboBoxProperties::StaticClass(),
        TqzCustomCurrencyEditProperties::StaticClass(),
        TqzCustomDateEditProperties::StaticClass(),      TqzCustomHyperLinkEditProperties::StaticClass(),
        TqzCustomMemoProperties::StaticClass(),          TqzCustomRadioGroupProperties::StaticClass(),
        TqzCustomProgressBarProperties::StaticClass(),   TqzCustomTrackBarProperties::StaticClass(),
    };
    ASSERT_EQ(controller->GetCount(), Integer(std::size(stored)));
    for (Integer i = 0; i < controller->GetCount(); ++i) {
        EXPECT_EQ(controller->GetItems(i).ItemClass, stored[i]) << i;
        EXPECT_NE(FilterEditHelperOf(controller->GetItems(i).RegisteredClass), nullptr) << i;
    }
}

TEST(qzFilterEditsController, FindsTheNearestRegisteredAncestorsHelper) {
    FilterControlUtilsRestart();
    struct TCase {
        TClass PropertiesClass;
        TClass HelperClass; // none: no helper
    };
    const TCase cases[] = {
        {TqzTextEditProperties::StaticClass(), TqzFilterTextEditHelper::StaticClass()},
        {TqzTimeEditProperties::StaticClass(), TqzFilterTimeEditHelper::StaticClass()},
        {TqzSpinEditProperties::StaticClass(), TqzFilterSpinEditHelper::StaticClass()},
        {TqzMRUEditProperties::StaticClass(), TqzFilterMRUEditHelper::StaticClass()},
        {TqzLookupComboBoxProperties::StaticClass(), TqzFilterLookupComboBoxHelper::StaticClass()},
        {TqzComboBoxProperties::StaticClass(), TqzFilterComboBoxHelper::StaticClass()},
        {TqzButtonEditProperties::StaticClass(), TqzFilterMaskEditHelper::StaticClass()},
        {TqzBlobEditProperties::StaticClass(), TqzFilterMaskEditHelper::StaticClass()},
        {TqzPopupEditProperties::StaticClass(), TqzFilterMaskEditHelper::StaticClass()},
        {TqzMemoProperties::StaticClass(), TqzFilterMemoHelper::StaticClass()},
        {TqzProgressBarProperties::StaticClass(), TqzFilterProgressBarHelper::StaticClass()},
        {TqzTrackBarProperties::StaticClass(), TqzFilterTrackBarHelper::StaticClass()},
        {TqzImageProperties::StaticClass(), nullptr},
        {TqzCustomEditProperties::StaticClass(), nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.PropertiesClass->ClassName());
        EXPECT_EQ(FindFilterEditHelper(c.PropertiesClass), c.HelperClass ? FilterEditHelperOf(c.HelperClass) : nullptr);
    }
}

TEST(qzFilterEditsController, UnregistersByTheRegisteredClassAndRemovesEveryEqualEntry) {
    FilterControlUtilsRestart();
    TqzFilterEditsController* controller = GetFilterEditsController();
    const Integer count = controller->GetCount();
    controller->UnregisterPair(TqzProgressBarProperties::StaticClass(), TqzFilterProgressBarHelper::StaticClass());
    EXPECT_EQ(controller->GetCount(), count - 1);
    EXPECT_EQ(FindFilterEditHelper(TqzProgressBarProperties::StaticClass()), nullptr);

    // A pair registered twice stands twice; one unregister removes both.
    TqzFilterEditsController own;
    own.RegisterPair(TqzTextEditProperties::StaticClass(), TqzFilterTextEditHelper::StaticClass());
    own.RegisterPair(TqzTextEditProperties::StaticClass(), TqzFilterTextEditHelper::StaticClass());
    ASSERT_EQ(own.GetCount(), 2);
    EXPECT_EQ(own.GetItems(0).ItemClass, TqzCustomTextEditProperties::StaticClass());
    own.UnregisterPair(TqzTextEditProperties::StaticClass(), TqzFilterTextEditHelper::StaticClass());
    EXPECT_EQ(own.GetCount(), 0);
    FilterControlUtilsRestart();
}

TEST(qzFilterEditsController, AnswersNoneAfterTheUnitsEnd) {
    FilterControlUtilsFinalize();
    EXPECT_EQ(GetFilterEditsController(), nullptr);
    EXPECT_EQ(FindFilterEditHelper(TqzTextEditProperties::StaticClass()), nullptr);
    FilterControlUtilsRestart();
    ASSERT_NE(GetFilterEditsController(), nullptr);
    EXPECT_EQ(GetFilterEditsController()->GetCount(), 17);
}

// ---- Operators ----------------------------------------------------------------------------------

TEST(qzFilterEditHelpers, SupportedOperators) {
    const TqzValueTypeClass text = ValueTypeClass<TqzStringValueType>();
    const TqzValueTypeClass integer = ValueTypeClass<TqzIntegerValueType>();
    TqzMaskEditProperties unmasked(nullptr);
    TqzMaskEditProperties masked(nullptr);
    masked.SetEditMask("000");
    TqzComboBoxProperties maskedCombo(nullptr);
    maskedCombo.SetEditMask("000");
    struct TCase {
        const TqzCustomFilterEditHelper& Helper;
        TqzCustomEditProperties* Properties;
        TqzValueTypeClass ValueType;
        TqzFilterEditOperators Plain;
        TqzFilterEditOperators Extended;
    };
    const TCase cases[] = {
        {Helper<TqzCustomFilterEditHelper>(), nullptr, nullptr, 0x67E, 0x7E7E},
        {Helper<TqzCustomFilterEditHelper>(), nullptr, text, 0x7FE, 0x7FFE},
        {Helper<TqzCustomFilterEditHelper>(), nullptr, integer, 0x67E, 0x7E7E},
        {Helper<TqzFilterTextEditHelper>(), nullptr, text, 0x7FE, 0x7FFE},
        {Helper<TqzFilterMRUEditHelper>(), nullptr, integer, 0x67E, 0x7E7E},
        {Helper<TqzFilterHyperLinkEditHelper>(), nullptr, text, 0x7FE, 0x7FFE},
        {Helper<TqzFilterMemoHelper>(), nullptr, nullptr, 0x780, 0x780},
        {Helper<TqzFilterMemoHelper>(), nullptr, text, 0x780, 0x780},
        {Helper<TqzFilterMaskEditHelper>(), &unmasked, text, 0x7FE, 0x7FFE},
        {Helper<TqzFilterMaskEditHelper>(), &unmasked, integer, 0x67E, 0x7E7E},
        {Helper<TqzFilterMaskEditHelper>(), &unmasked, nullptr, 0x67E, 0x7E7E},
        {Helper<TqzFilterMaskEditHelper>(), &masked, text, 0x67E, 0x7E7E},
        {Helper<TqzFilterComboBoxHelper>(), &unmasked, text, 0x7FE, 0x7FFE},
        {Helper<TqzFilterComboBoxHelper>(), &maskedCombo, text, 0x67E, 0x7E7E},
        {Helper<TqzFilterCalcEditHelper>(), nullptr, text, 0x67E, 0x7E7E},
        {Helper<TqzFilterCurrencyEditHelper>(), nullptr, text, 0x67E, 0x7E7E},
        {Helper<TqzFilterSpinEditHelper>(), nullptr, integer, 0x67E, 0x7E7E},
        {Helper<TqzFilterTimeEditHelper>(), nullptr, nullptr, 0x67E, 0x7E7E},
        {Helper<TqzFilterProgressBarHelper>(), nullptr, text, 0x67E, 0x7E7E},
        {Helper<TqzFilterTrackBarHelper>(), nullptr, integer, 0x67E, 0x7E7E},
        {Helper<TqzFilterDateEditHelper>(), nullptr, text, 0x67E, 0x7FFFE7E},
        {Helper<TqzFilterImageComboBoxHelper>(), nullptr, text, 0x606, 0x6606},
        {Helper<TqzFilterRadioGroupHelper>(), nullptr, integer, 0x606, 0x6606},
        {Helper<TqzFilterCheckBoxHelper>(), nullptr, text, 0x606, 0x606},
        {Helper<TqzFilterLookupComboBoxHelper>(), nullptr, text, 0x606, 0x606},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Helper.ClassType()->ClassName() + " " + (c.ValueType ? c.ValueType->TypeCaption() : "none") +
                     (c.Properties ? " " + c.Properties->ClassType()->ClassName() : String()));
        EXPECT_EQ(c.Helper.GetSupportedOperators(c.Properties, c.ValueType, false), c.Plain);
        EXPECT_EQ(c.Helper.GetSupportedOperators(c.Properties, c.ValueType, true), c.Extended);
    }
    // Dates offer 24 operators at most, never like or not like.
    EXPECT_EQ(std::popcount(Helper<TqzFilterDateEditHelper>().GetSupportedOperators(nullptr, text, true)), 24);
}

TEST(qzFilterEditHelpers, KeepsButtonsOfDropDownAndSpinEditorsOnly) {
    TqzTextEditProperties text(nullptr);
    TqzMaskEditProperties mask(nullptr);
    TqzComboBoxProperties combo(nullptr);
    TqzSpinEditProperties spin(nullptr);
    TqzTimeEditProperties time(nullptr);
    const TqzCustomFilterEditHelper& base = Helper<TqzCustomFilterEditHelper>();
    EXPECT_FALSE(base.KeepsEditButtons(&text));
    EXPECT_FALSE(base.KeepsEditButtons(&mask));
    EXPECT_TRUE(base.KeepsEditButtons(&combo));
    EXPECT_TRUE(base.KeepsEditButtons(&spin));
    EXPECT_TRUE(base.KeepsEditButtons(&time));
    EXPECT_FALSE(Helper<TqzFilterMRUEditHelper>().KeepsEditButtons(&combo));
    EXPECT_TRUE(base.KeepsDefaultValuesProvider(&text));
}

// A value that converts is converted in place; one that does not gives false.
TEST(qzFilterEditHelpers, CheckValueConvertsInPlace) {
    const TqzCustomFilterEditHelper& text = Helper<TqzFilterTextEditHelper>();
    Variant number = String("12");
    EXPECT_TRUE(text.CheckValue(ValueTypeClass<TqzIntegerValueType>(), number));
    EXPECT_EQ(VarType(number), varInteger);
    EXPECT_EQ(number.AsInteger(), 12);
    Variant word = String("twelve");
    EXPECT_FALSE(text.CheckValue(ValueTypeClass<TqzIntegerValueType>(), word));
    Variant none = Null();
    EXPECT_TRUE(text.CheckValue(ValueTypeClass<TqzIntegerValueType>(), none));
    Variant anything = String("x");
    EXPECT_TRUE(text.CheckValue(ValueTypeClass<TqzStringValueType>(), anything));
}

// ---- Preparing filter editors -------------------------------------------------------------------

class qzFilterEditTest : public testsupport::TFormFixture {
protected:
    // The editor the helper names, prepared from the item's properties.
    template <class E = TqzCustomEdit>
    E* MakeFilterEdit(const TqzCustomFilterEditHelper& helper, TqzCustomEditProperties* itemProperties) {
        TClass editClass = helper.GetFilterEditClass();
        EXPECT_NE(editClass, nullptr);
        auto* edit = dynamic_cast<TqzCustomEdit*>(editClass->Create(Form));
        EXPECT_NE(edit, nullptr);
        edit->SetParent(Form);
        helper.InitFilterEdit(edit, itemProperties);
        auto* typed = dynamic_cast<E*>(edit);
        EXPECT_NE(typed, nullptr);
        return typed;
    }
};

void OnAnything(TObject*) {}

// The base steps, with the text editor's own.
TEST_F(qzFilterEditTest, TextPreparationResetsTheItemsEditingSettings) {
    TqzTextEditProperties item(nullptr);
    item.GetAlignment()->SetHorz(taRightJustify);
    item.GetAlignment()->SetVert(taBottomJustify);
    item.BeepOnError = true;
    item.SetReadOnly(true);
    item.SetAutoSelect(false);
    item.SetHideSelection(false);
    item.SetViewStyle(vsHideCursor);
    item.GetButtons()->Add();
    item.OnChange = TNotifyEvent(&OnAnything);
    item.OnEditValueChanged = TNotifyEvent(&OnAnything);
    item.SetMaxLength(7);
    for (const TqzCustomFilterEditHelper* helper :
         {&Helper<TqzFilterTextEditHelper>(), &Helper<TqzFilterMemoHelper>(), &Helper<TqzFilterMRUEditHelper>(),
          &Helper<TqzFilterHyperLinkEditHelper>()}) {
        SCOPED_TRACE(helper->ClassType()->ClassName());
        auto* edit = MakeFilterEdit<TqzCustomTextEdit>(*helper, &item);
        auto* p = static_cast<TqzCustomTextEditProperties*>(edit->GetPropertiesInUse());
        EXPECT_EQ(p->GetAlignment()->GetHorz(), taLeftJustify);
        EXPECT_EQ(p->GetAlignment()->GetVert(), taTopJustify);
        EXPECT_FALSE(p->BeepOnError);
        EXPECT_FALSE(p->GetReadOnly());
        EXPECT_TRUE(p->ValidateOnEnter);
        EXPECT_EQ(p->GetButtons()->GetCount(), 0);
        EXPECT_FALSE(p->OnChange);
        EXPECT_FALSE(p->OnEditValueChanged);
        EXPECT_TRUE(p->GetAutoSelect());
        EXPECT_TRUE(p->GetHideSelection());
        EXPECT_EQ(p->GetViewStyle(), vsNormal);
        // What the text level copies stays.
        EXPECT_EQ(p->GetMaxLength(), 7);
    }
}

TEST_F(qzFilterEditTest, MaskPreparationExtendsRegularExpressionsAndSelectsUnmaskedText) {
    struct TCase {
        TqzEditMaskKind Kind;
        const char* Mask;
        TqzEditMaskKind ExpectedKind;
        bool AutoSelect;
    };
    const TCase cases[] = {
        {emkRegExpr, "[0-9]+", emkRegExprEx, false},
        {emkStandard, "000", emkStandard, false},
        {emkStandard, "", emkStandard, true},
        {emkRegExpr, "", emkRegExprEx, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Mask);
        TqzMaskEditProperties item(nullptr);
        item.SetMaskKind(c.Kind);
        item.SetEditMask(c.Mask);
        auto* edit = MakeFilterEdit(Helper<TqzFilterMaskEditHelper>(), &item);
        auto* p = static_cast<TqzCustomMaskEditProperties*>(edit->GetPropertiesInUse());
        EXPECT_EQ(p->GetMaskKind(), c.ExpectedKind);
        EXPECT_EQ(p->GetAutoSelect(), c.AutoSelect);
    }
}

TEST_F(qzFilterEditTest, ComboBoxPreparations) {
    TqzComboBoxProperties combo(nullptr);
    combo.SetDropDownRows(20);
    combo.SetDropDownListStyle(lsFixedList);
    combo.SetImmediateDropDown(true);
    combo.SetPopupAlignment(taRightJustify);
    combo.Revertable = true;
    combo.GetItems()->Add("one");
    auto* comboEdit = MakeFilterEdit(Helper<TqzFilterComboBoxHelper>(), &combo);
    auto* p = static_cast<TqzCustomComboBoxProperties*>(comboEdit->GetPropertiesInUse());
    EXPECT_EQ(p->GetDropDownRowsValue(), 8);
    EXPECT_EQ(p->GetDropDownListStyle(), lsEditList);
    EXPECT_FALSE(p->GetImmediateDropDown());
    EXPECT_EQ(p->GetPopupAlignment(), taLeftJustify);
    EXPECT_FALSE(p->Revertable);
    EXPECT_TRUE(p->GetButtonGlyph()->GetEmpty());
    // The drop-down button is kept, and so are the items.
    EXPECT_EQ(p->GetButtons()->GetCount(), 1);
    EXPECT_EQ(p->GetItems()->GetCount(), 1);

    TqzImageComboBoxProperties images(nullptr);
    images.SetShowDescriptions(false);
    images.SetImmediateDropDown(false);
    auto* imageEdit = MakeFilterEdit(Helper<TqzFilterImageComboBoxHelper>(), &images);
    auto* ip = static_cast<TqzCustomImageComboBoxProperties*>(imageEdit->GetPropertiesInUse());
    EXPECT_EQ(ip->GetDropDownListStyle(), lsFixedList);
    EXPECT_TRUE(ip->GetImmediateDropDown());
    EXPECT_TRUE(ip->GetShowDescriptions());
    EXPECT_EQ(ip->GetDropDownRowsValue(), 8);
}

TEST_F(qzFilterEditTest, CalculatorDateAndCurrencyPreparations) {
    TqzCalcEditProperties calc(nullptr);
    auto* calcEdit = MakeFilterEdit(Helper<TqzFilterCalcEditHelper>(), &calc);
    EXPECT_TRUE(static_cast<TqzCustomCalcEditProperties*>(calcEdit->GetPropertiesInUse())->GetQuickClose());

    TqzDateEditProperties date(nullptr);
    date.SetDateButtons(TDateButtons{btnNow});
    date.SetDateOnError(deToday);
    date.SetInputKind(ikStandard);
    date.SetSaveTime(false);
    auto* dateEdit = MakeFilterEdit(Helper<TqzFilterDateEditHelper>(), &date);
    auto* dp = static_cast<TqzCustomDateEditProperties*>(dateEdit->GetPropertiesInUse());
    EXPECT_TRUE(dp->GetDateButtons() == (TDateButtons{btnClear, btnToday}));
    EXPECT_EQ(dp->GetDateOnError(), deNull);
    EXPECT_EQ(dp->GetInputKind(), ikRegExpr);
    EXPECT_TRUE(dp->GetSaveTime());

    TqzCurrencyEditProperties currency(nullptr);
    currency.SetMinValue(1);
    currency.SetMaxValue(10);
    currency.SetNullable(false);
    currency.SetNullString("none");
    auto* currencyEdit = MakeFilterEdit(Helper<TqzFilterCurrencyEditHelper>(), &currency);
    auto* cp = static_cast<TqzCustomCurrencyEditProperties*>(currencyEdit->GetPropertiesInUse());
    EXPECT_EQ(cp->GetMinValue(), 0);
    EXPECT_EQ(cp->GetMaxValue(), 0);
    EXPECT_FALSE(cp->IsValueBoundsDefined());
    EXPECT_TRUE(cp->GetNullable());
    EXPECT_EQ(cp->GetNullString(), "");
}

TEST_F(qzFilterEditTest, SpinAndBarPreparations) {
    TqzSpinEditProperties spin(nullptr);
    spin.SetCanEdit(false);
    auto* spinEdit = MakeFilterEdit(Helper<TqzFilterSpinEditHelper>(), &spin);
    auto* sp = static_cast<TqzCustomSpinEditProperties*>(spinEdit->GetPropertiesInUse());
    EXPECT_TRUE(sp->GetCanEdit());
    EXPECT_EQ(sp->GetButtons()->GetCount(), 2);

    TqzProgressBarProperties progress(nullptr);
    progress.SetMin(0);
    progress.SetMax(100);
    progress.OnChange = TNotifyEvent(&OnAnything);
    auto* progressEdit = MakeFilterEdit<TqzSpinEdit>(Helper<TqzFilterProgressBarHelper>(), &progress);
    auto* pp = static_cast<TqzCustomSpinEditProperties*>(progressEdit->GetPropertiesInUse());
    EXPECT_EQ(pp->GetButtons()->GetCount(), 2);
    EXPECT_EQ(pp->GetMinValue(), 0);
    EXPECT_EQ(pp->GetMaxValue(), 100);
    EXPECT_TRUE(pp->GetCanEdit());
    EXPECT_TRUE(pp->ValidateOnEnter);
    EXPECT_FALSE(pp->OnChange);
    EXPECT_FALSE(pp->OnButtonClick);
    EXPECT_FALSE(pp->OnEditValueChanged);
    EXPECT_FALSE(pp->OnValidate);
    EXPECT_EQ(pp->GetAlignment()->GetHorz(), taLeftJustify);
    EXPECT_EQ(pp->GetAlignment()->GetVert(), taTopJustify);
    // Not masked-editor properties: the mask kind stays as the copy left it.
    EXPECT_EQ(pp->GetMaskKind(), emkStandard);

    TqzTrackBarProperties track(nullptr);
    track.SetMin(-5);
    track.SetMax(40);
    track.SetPageSize(5);
    auto* trackEdit = MakeFilterEdit<TqzSpinEdit>(Helper<TqzFilterTrackBarHelper>(), &track);
    auto* tp = static_cast<TqzCustomSpinEditProperties*>(trackEdit->GetPropertiesInUse());
    EXPECT_EQ(tp->GetButtons()->GetCount(), 2);
    EXPECT_EQ(tp->GetMinValue(), -5);
    EXPECT_EQ(tp->GetMaxValue(), 40);
    EXPECT_EQ(tp->GetLargeIncrement(), 5);
}

// The copy keeps the item's default-values provider, except for the choice lists, which stand
// for values of their own.
TEST_F(qzFilterEditTest, DefaultValuesProviderKeptExceptForChoiceLists) {
    TqzCustomEditDefaultValuesProvider provider(nullptr);
    TqzTextEditProperties text(nullptr);
    text.SetDefaultValuesProvider(&provider);
    TqzCheckBoxProperties check(nullptr);
    check.SetDefaultValuesProvider(&provider);
    TqzRadioGroupProperties radio(nullptr);
    radio.SetDefaultValuesProvider(&provider);

    TqzCustomEdit* textEdit = MakeFilterEdit(Helper<TqzFilterTextEditHelper>(), &text);
    EXPECT_EQ(textEdit->GetPropertiesInUse()->GetDefaultValuesProvider(), &provider);
    TqzCustomEdit* checkEdit = MakeFilterEdit(Helper<TqzFilterCheckBoxHelper>(), &check);
    EXPECT_EQ(checkEdit->GetPropertiesInUse()->GetDefaultValuesProvider(), nullptr);
    TqzCustomEdit* radioEdit = MakeFilterEdit(Helper<TqzFilterRadioGroupHelper>(), &radio);
    EXPECT_EQ(radioEdit->GetPropertiesInUse()->GetDefaultValuesProvider(), nullptr);
}

// ---- Values -------------------------------------------------------------------------------------

TEST_F(qzFilterEditTest, CheckBoxListsItsTwoValuesAndReadsThemBack) {
    TqzCheckBoxProperties item(nullptr);
    item.SetValueChecked(String("Y"));
    item.SetValueUnchecked(String("N"));
    item.SetDisplayChecked(u"Yes");
    item.SetDisplayUnchecked(u"No");
    const TqzCustomFilterEditHelper& helper = Helper<TqzFilterCheckBoxHelper>();
    EXPECT_TRUE(helper.PrefersDisplayText());
    auto* edit = MakeFilterEdit<TqzCustomComboBox>(helper, &item);
    auto* p = static_cast<TqzCustomComboBoxProperties*>(edit->GetPropertiesInUse());
    ASSERT_EQ(p->GetItems()->GetCount(), 2);
    EXPECT_EQ(p->GetItems()->GetStrings(0), WideToString(item.GetDisplayTextWide(String("Y"))));
    EXPECT_EQ(p->GetItems()->GetStrings(1), WideToString(item.GetDisplayTextWide(String("N"))));
    EXPECT_EQ(p->GetDropDownListStyle(), lsFixedList);

    Variant value;
    String text;
    edit->SetItemIndex(0);
    helper.GetFilterValue(edit, &item, value, text);
    EXPECT_EQ(VarToStr(value), "Y");
    EXPECT_EQ(text, p->GetItems()->GetStrings(0));
    edit->SetItemIndex(-1);
    helper.GetFilterValue(edit, &item, value, text);
    EXPECT_TRUE(VarIsNull(value));
    EXPECT_EQ(text, "");

    helper.AssignFilterValue(edit, &item, String("N"));
    EXPECT_EQ(edit->GetItemIndex(), 1);
    helper.AssignFilterValue(edit, &item, String("Y"));
    EXPECT_EQ(edit->GetItemIndex(), 0);
    // A value the check box shows grayed leaves no item chosen.
    helper.AssignFilterValue(edit, &item, String("maybe"));
    EXPECT_EQ(edit->GetItemIndex(), -1);
}

TEST_F(qzFilterEditTest, RadioGroupListsItsCaptionsAndReadsBackValues) {
    TqzRadioGroupProperties item(nullptr);
    item.SetDefaultValue(Variant(0));
    item.SetDefaultCaption(u"none");
    const char* captions[] = {"low", "high"};
    for (Integer i = 0; i < 2; ++i) {
        auto* radio = static_cast<TqzRadioGroupItem*>(item.GetRadioItems()->Add());
        radio->SetCaption(captions[i]);
        radio->SetValue(Variant(i + 1));
    }
    const TqzCustomFilterEditHelper& helper = Helper<TqzFilterRadioGroupHelper>();
    EXPECT_TRUE(helper.PrefersDisplayText());
    auto* edit = MakeFilterEdit<TqzCustomComboBox>(helper, &item);
    auto* p = static_cast<TqzCustomComboBoxProperties*>(edit->GetPropertiesInUse());
    ASSERT_EQ(p->GetItems()->GetCount(), 2);
    EXPECT_EQ(p->GetItems()->GetStrings(1), "high");
    EXPECT_EQ(p->GetDropDownListStyle(), lsFixedList);

    Variant value;
    String text;
    edit->SetItemIndex(-1);
    helper.GetFilterValue(edit, &item, value, text);
    EXPECT_EQ(value.AsInteger(), 0);
    EXPECT_EQ(text, "none");
    edit->SetItemIndex(1);
    helper.GetFilterValue(edit, &item, value, text);
    EXPECT_EQ(value.AsInteger(), 2);
    EXPECT_EQ(text, "high");

    helper.AssignFilterValue(edit, &item, Variant(1));
    EXPECT_EQ(edit->GetItemIndex(), 0);
}

// What is put into a filter editor reads back as the same value with the item's display text.
TEST_F(qzFilterEditTest, ValuesRoundTripThroughEveryEditor) {
    TqzTextEditProperties text(nullptr);
    TqzMemoProperties memo(nullptr);
    TqzMaskEditProperties mask(nullptr);
    TqzComboBoxProperties combo(nullptr);
    TqzMRUEditProperties mru(nullptr);
    TqzHyperLinkEditProperties link(nullptr);
    TqzSpinEditProperties spin(nullptr);
    TqzCalcEditProperties calc(nullptr);
    TqzCurrencyEditProperties currency(nullptr);
    TqzDateEditProperties date(nullptr);
    TqzProgressBarProperties progress(nullptr);
    progress.SetMax(100);
    TqzImageComboBoxProperties images(nullptr);
    auto* imageItem = static_cast<TqzImageComboBoxItem*>(images.GetItems()->Add());
    imageItem->SetValue(Variant(3));
    imageItem->SetDescription("three");
    struct TCase {
        const TqzCustomFilterEditHelper& Helper;
        TqzCustomEditProperties* Item;
        Variant Value;
    };
    const TCase cases[] = {
        {Helper<TqzFilterTextEditHelper>(), &text, String("abc")},
        {Helper<TqzFilterMemoHelper>(), &memo, String("two words")},
        {Helper<TqzFilterMaskEditHelper>(), &mask, String("m1")},
        {Helper<TqzFilterComboBoxHelper>(), &combo, String("pick")},
        {Helper<TqzFilterMRUEditHelper>(), &mru, String("recent")},
        {Helper<TqzFilterHyperLinkEditHelper>(), &link, String("http://x")},
        {Helper<TqzFilterSpinEditHelper>(), &spin, Variant(5)},
        {Helper<TqzFilterCalcEditHelper>(), &calc, Variant(2.5)},
        {Helper<TqzFilterCurrencyEditHelper>(), &currency, Variant(7.25)},
        {Helper<TqzFilterDateEditHelper>(), &date, Variant(TDateTime(45000))},
        {Helper<TqzFilterProgressBarHelper>(), &progress, Variant(40)},
        {Helper<TqzFilterImageComboBoxHelper>(), &images, Variant(3)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Helper.ClassType()->ClassName());
        TqzCustomEdit* edit = MakeFilterEdit(c.Helper, c.Item);
        c.Helper.AssignFilterValue(edit, c.Item, c.Value);
        Variant value;
        String displayText;
        c.Helper.GetFilterValue(edit, c.Item, value, displayText);
        EXPECT_TRUE(VarSameValue(value, c.Value)) << VarToStr(value);
        EXPECT_EQ(displayText, WideToString(c.Item->GetDisplayTextWide(value)));
    }
}

TEST_F(qzFilterEditTest, TimeEditorStartsAtMidnightKeepingItsDate) {
    TqzTimeEditProperties item(nullptr);
    const TqzCustomFilterEditHelper& helper = Helper<TqzFilterTimeEditHelper>();
    auto* edit = dynamic_cast<TqzCustomTimeEdit*>(helper.GetFilterEditClass()->Create(Form));
    ASSERT_NE(edit, nullptr);
    edit->SetParent(Form);
    edit->SetEditValue(Variant(TDateTime(45000.75)));
    ASSERT_EQ(edit->GetDatePart(), 45000);
    helper.InitFilterEdit(edit, &item);
    EXPECT_EQ(edit->GetTime(), 0);
    EXPECT_EQ(edit->GetDatePart(), 45000);
    EXPECT_TRUE(static_cast<TqzCustomSpinEditProperties*>(edit->GetPropertiesInUse())->GetCanEdit());
}

// A lookup combo box item over a list of channels; the records' channel has a data-set lookup
// field showing its name.
class qzFilterLookupComboBoxTest : public qzFilterEditTest {
protected:
    void SetUp() override {
        qzFilterEditTest::SetUp();
        Channels.GetFieldDefs()->Add("ID", ftInteger);
        Channels.GetFieldDefs()->Add("Name", ftString, 10);
        Channels.CreateDataSet();
        const char* names[] = {"ALPHA", "BRAVO", "CHARLIE"};
        for (Integer i = 0; i < 3; ++i) Channels.AppendRecord({i + 1, String(names[i])});
        Channels.First();
        ChannelSource.SetDataSet(&Channels);
        FilterChannelSource.SetDataSet(&Channels);

        Records.GetFieldDefs()->Add("Channel", ftInteger);
        Records.GetFieldDefs()->GetItems(0)->CreateField(&Records);
        Lookup = new TStringField(&Records);
        Lookup->SetFieldName("ChannelName");
        Lookup->SetFieldKind(fkLookup);
        Lookup->SetDataSet(&Records);
        Lookup->SetLookupDataSet(&Channels);
        Lookup->SetKeyFields("Channel");
        Lookup->SetLookupKeyFields("ID");
        Lookup->SetLookupResultField("Name");
        Records.CreateDataSet();
        Records.AppendRecord({2});

        Item.SetListSource(&ChannelSource);
        Item.SetKeyFieldNames("ID");
        Item.SetListFieldNames("Name");
    }
    void TearDown() override {
        Item.SetDefaultValuesProvider(nullptr);
        qzFilterEditTest::TearDown();
    }

    TMemDataSet Channels{nullptr};
    TDataSource ChannelSource{nullptr};
    // A second source on the same channels.
    TDataSource FilterChannelSource{nullptr};
    TMemDataSet Records{nullptr};
    TStringField* Lookup = nullptr;
    TqzCustomDBEditDefaultValuesProvider Provider{nullptr};
    TqzLookupComboBoxProperties Item{nullptr};
};

TEST_F(qzFilterLookupComboBoxTest, PreparesAFixedFilteringListAndReadsBackTheKeysText) {
    Item.SetDropDownAutoSize(false);
    Item.SetDropDownSizeable(false);
    Item.SetIncrementalFiltering(false);
    Item.SetDropDownListStyle(lsEditList);
    const TqzCustomFilterEditHelper& helper = Helper<TqzFilterLookupComboBoxHelper>();
    auto* edit = MakeFilterEdit<TqzLookupComboBox>(helper, &Item);
    TqzLookupComboBoxProperties* p = edit->GetProperties();
    EXPECT_TRUE(p->GetDropDownAutoSize());
    EXPECT_TRUE(p->GetDropDownSizeable());
    EXPECT_TRUE(p->GetIncrementalFiltering());
    EXPECT_EQ(p->GetDropDownListStyle(), lsFixedList);
    EXPECT_EQ(p->GetDropDownRowsValue(), 8);
    EXPECT_EQ(p->GetKeyFieldNames(), "ID");
    EXPECT_EQ(p->GetListSource(), &ChannelSource);
    EXPECT_EQ(p->GetListFieldNames(), "Name");

    // The text is the filter editor's own list text of the key; the item is not asked.
    p->SetListSource(&FilterChannelSource);
    Variant value;
    String text;
    helper.AssignFilterValue(edit, &Item, Variant(2));
    helper.GetFilterValue(edit, nullptr, value, text);
    EXPECT_EQ(value.AsInteger(), 2);
    EXPECT_EQ(text, "BRAVO");
    // A key the list does not hold has no text.
    helper.AssignFilterValue(edit, &Item, Variant(9));
    helper.GetFilterValue(edit, nullptr, value, text);
    EXPECT_EQ(text, "");

    // Any value suits: the list decides.
    Variant word = String("twelve");
    EXPECT_TRUE(helper.CheckValue(ValueTypeClass<TqzIntegerValueType>(), word));
    EXPECT_EQ(VarToStr(word), "twelve");
}

// The copy keeps the item's data-bound provider only over a data-set lookup field.
TEST_F(qzFilterLookupComboBoxTest, KeepsTheProviderOnlyOverALookupField) {
    const TqzCustomFilterEditHelper& helper = Helper<TqzFilterLookupComboBoxHelper>();
    EXPECT_FALSE(helper.KeepsDefaultValuesProvider(&Item));
    auto* unbound = MakeFilterEdit<TqzLookupComboBox>(helper, &Item);
    EXPECT_EQ(unbound->GetProperties()->GetDefaultValuesProvider(), nullptr);

    Provider.AttachField(Lookup);
    Item.SetDefaultValuesProvider(&Provider);
    Item.Changed();
    ASSERT_TRUE(Item.IsLookupFieldBound());
    EXPECT_TRUE(helper.KeepsDefaultValuesProvider(&Item));
    auto* bound = MakeFilterEdit<TqzLookupComboBox>(helper, &Item);
    EXPECT_EQ(bound->GetProperties()->GetDefaultValuesProvider(), &Provider);
}

} // namespace
