// Text editor properties: assigned settings and their stored form, value bounds, character case
// and echo mode, lookup texts, numeric display and edit formats, thousand separators and
// assignment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/TypInfo.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::CommaSettings;
using testsupport::DotSettings;
using testsupport::ScopedFormatSettings;

// Properties of a numeric editor that publishes its formats and bounds, as spin editors do.
class TNumberProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TNumberProperties, TqzCustomTextEditProperties)
public:
    using TqzCustomTextEditProperties::TqzCustomTextEditProperties;
    bool IsEditValueNumeric() override { return true; }
    bool ThousandSeparators = false;
    bool UsesThousandSeparator(bool) override { return ThousandSeparators; }
};

// Properties that only accept lookup items (a fixed list).
class TListProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TListProperties, TqzCustomTextEditProperties)
public:
    using TqzCustomTextEditProperties::TqzCustomTextEditProperties;
    TqzTextEditingStyle GetEditingStyle() override { return FixedList; }
};

// A repository item whose Properties are number properties, to store and read them.
class TNumberItem : public TqzEditRepositoryItem {
    KOV_CLASS(TNumberItem, TqzEditRepositoryItem)
public:
    using TqzEditRepositoryItem::TqzEditRepositoryItem;
    TClass GetPropertiesClass() const override { return TNumberProperties::StaticClass(); }
    TNumberProperties* GetNumberProperties() { return static_cast<TNumberProperties*>(GetProperties()); }
    void SetNumberProperties(TNumberProperties* value) { SetProperties(value); }
};

class TItemRoot : public TComponent {
    KOV_CLASS(TItemRoot, TComponent)
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (Integer i = 0; i < GetComponentCount(); ++i)
            proc(GetComponents(i));
    }
};

} // namespace

KOV_PUBLISHED(TNumberProperties) {
    Property("AssignedValues", &TNumberProperties::GetAssignedValues, &TNumberProperties::SetAssignedValues);
    Property("DisplayFormat", &TNumberProperties::GetDisplayFormat, &TNumberProperties::SetDisplayFormat)
        .Stored(&TNumberProperties::IsDisplayFormatStored);
    Property("MaxValue", &TNumberProperties::GetMaxValue, &TNumberProperties::SetMaxValue)
        .Stored(&TNumberProperties::IsMaxValueStored);
    Property("MinValue", &TNumberProperties::GetMinValue, &TNumberProperties::SetMinValue)
        .Stored(&TNumberProperties::IsMinValueStored);
}
KOV_PUBLISHED(TNumberItem) {
    Property("Properties", &TNumberItem::GetNumberProperties, &TNumberItem::SetNumberProperties);
}
KOV_PUBLISHED(TListProperties) {}
KOV_PUBLISHED(TItemRoot) {}

namespace {

const bool kTestClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TNumberProperties>();
    RegisterInterfacedPersistentClass<TListProperties>();
    RegisterClasses({TNumberItem::StaticClass(), TItemRoot::StaticClass()});
    return true;
}();

struct ChangeCounter : TObject {
    explicit ChangeCounter(TqzCustomEditProperties* properties) {
        properties->SetOnPropertiesChanged(MakeEvent(this, &ChangeCounter::Changed));
    }
    void Changed(TObject* sender) {
        ++Count;
        if (auto* text = dynamic_cast<TqzCustomTextEditProperties*>(sender))
            FormatsChanging = text->GetLocaleFormatsChanging();
    }
    int Count = 0;
    bool FormatsChanging = false;
};

String WriteRoot(TComponent* root) {
    TMemoryStream binary;
    {
        TWriter writer(&binary);
        writer.WriteRootComponent(root);
    }
    binary.SetPosition(0);
    TStringStream text;
    ObjectBinaryToText(&binary, &text);
    return text.GetDataString();
}

TEST(TextEditProperties, DefaultsAndRegistration) {
    TqzTextEditProperties properties(nullptr);
    EXPECT_EQ(ecNormal, properties.GetCharCase());
    EXPECT_TRUE(properties.GetFixedListPrefixSearch());
    EXPECT_TRUE(properties.GetHideSelection());
    EXPECT_TRUE(properties.GetIncrementalSearch());
    EXPECT_EQ(imDontCare, properties.GetImeMode());
    EXPECT_EQ(0, properties.GetMaxLength());
    EXPECT_EQ(FreeText, properties.GetEditingStyle());
    EXPECT_EQ(8, properties.GetDropDownRows());
    EXPECT_TRUE(properties.CanValidate());
    EXPECT_TRUE(properties.CanResetEditValue());
    EXPECT_EQ(0x85E, properties.GetSupportedOperations());
    EXPECT_EQ(1, properties.GetEditValueSource(true));
    EXPECT_EQ(1, properties.GetEditValueSource(false));
    properties.SetHideCursor(true);
    EXPECT_EQ(NoEdit, properties.GetEditingStyle());

    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    const Integer index = registry->IndexOfClass(TqzTextEditProperties::StaticClass());
    ASSERT_NE(-1, index);
    EXPECT_EQ("TextEdit|Represents a single line text editor", registry->GetText(index));
}

TEST(TextEditProperties, AssignedSettingsAreMarkedEvenWhenTheValueStays) {
    TNumberProperties properties(nullptr);
    ChangeCounter counter(&properties);
    properties.SetMaxLength(-5);
    EXPECT_EQ(0, properties.GetMaxLength());
    EXPECT_TRUE(properties.GetAssignedValues()->GetMaxLength());
    EXPECT_EQ(1, counter.Count);
    properties.SetMaxLength(0); // assigned and equal
    EXPECT_EQ(1, counter.Count);

    properties.SetMinValue(0);
    EXPECT_TRUE(properties.GetAssignedValues()->GetMinValue());
    EXPECT_EQ(2, counter.Count);

    // The value 0 is not written by itself: the flag carries it.
    TItemRoot root(nullptr);
    root.SetName("Root");
    auto* item = new TNumberItem(&root);
    item->SetName("Item");
    item->GetProperties()->Assign(&properties);
    const String written = WriteRoot(&root);
    EXPECT_NE(String::npos, written.find("Properties.AssignedValues.MinValue = True")) << written;
    EXPECT_EQ(String::npos, written.find("Properties.MinValue")) << written;
    EXPECT_EQ(String::npos, written.find("AssignedValues.MaxValue")) << written;

    // A value of its own is stored by itself and implies the flag.
    item->GetNumberProperties()->SetMinValue(2.5);
    const String written2 = WriteRoot(&root);
    EXPECT_NE(String::npos, written2.find("Properties.MinValue = 2.5")) << written2;
    EXPECT_EQ(String::npos, written2.find("AssignedValues.MinValue")) << written2;
}

TEST(TextEditProperties, ValueBounds) {
    struct Case {
        const char* name;
        bool setMin;
        double min;
        bool setMax;
        double max;
        bool anyBound, lower, upper;
    };
    const Case cases[] = {
        {"none", false, 0, false, 0, false, false, false},
        {"min 5 alone", true, 5, false, 0, true, true, false},
        {"min -10 alone", true, -10, false, 0, true, true, true},
        {"max 7 alone", false, 0, true, 7, true, true, true},
        {"max -3 alone", false, 0, true, -3, true, false, true},
        {"both, max below min", true, 5, true, 1, false, false, false},
        {"min = max = 1", true, 1, true, 1, false, false, false},
        {"both in order", true, 1, true, 9, true, true, true},
    };
    for (const Case& c : cases) {
        TNumberProperties properties(nullptr);
        if (c.setMin) properties.SetMinValue(c.min);
        if (c.setMax) properties.SetMaxValue(c.max);
        EXPECT_EQ(c.anyBound, properties.IsValueBoundsDefined()) << c.name;
        EXPECT_EQ(c.lower, properties.IsValueBoundDefined(0)) << c.name;
        EXPECT_EQ(c.upper, properties.IsValueBoundDefined(1)) << c.name;
    }
}

TEST(TextEditProperties, BoundViolationsAreReportedThroughTheErrorFlag) {
    TNumberProperties properties(nullptr);
    properties.SetMinValue(5);
    struct Case {
        Variant value;
        bool error;
    };
    const Case cases[] = {
        {Variant(4.5), true}, {Variant(5), false}, {Variant(1000), false}, {Variant(String("abc")), false}};
    for (const Case& c : cases) {
        Variant display = c.value;
        String errorText;
        bool error = false;
        properties.ValidateDisplayValue(display, errorText, error, nullptr);
        EXPECT_EQ(c.error, error) << VarToStr(c.value);
        EXPECT_EQ(c.error ? "Value out of bounds" : "Invalid input value. Use escape key to abandon changes",
                  errorText);
    }
}

TEST(TextEditProperties, CharCaseTouchesAsciiLettersOnlyAndPasswordsHideEachCharacter) {
    struct Case {
        TEditCharCase charCase;
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {ecUpperCase, "abc é 中", "ABC é 中"},
        {ecLowerCase, "ABC É 中", "abc É 中"},
        {ecNormal, "aBc", "aBc"},
    };
    for (const Case& c : cases) {
        TqzTextEditProperties properties(nullptr);
        properties.SetCharCase(c.charCase);
        String text = c.text;
        properties.ApplyEchoModeAndCharCase(text);
        EXPECT_EQ(c.shown, text);
        Variant value = String(c.text);
        EXPECT_TRUE(properties.IsTextValueValid(value, false));
        EXPECT_EQ(c.shown, VarToStr(value));
    }

    TqzTextEditProperties password(nullptr);
    password.SetEchoMode(eemPassword);
    String text = "ab中é";
    password.ApplyEchoModeAndCharCase(text);
    EXPECT_EQ("****", text);
    text.clear();
    password.ApplyEchoModeAndCharCase(text);
    EXPECT_EQ("", text);
    password.SetPasswordChar('#');
    text = "abc";
    password.ApplyEchoModeAndCharCase(text);
    EXPECT_EQ("###", text);
    EXPECT_EQ(u"###", password.GetDisplayTextWide(Variant(String("xyz"))));
}

TEST(TextEditProperties, AFixedListAcceptsOnlyLookupItems) {
    TListProperties properties(nullptr);
    properties.GetLookupItems()->Add("Alpha");
    properties.GetLookupItems()->Add("Beta");
    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case& c : {Case{"beta", true}, Case{"Gamma", false}, Case{"", true}, Case{"ALPHA", true}}) {
        Variant value = String(c.text);
        EXPECT_EQ(c.valid, properties.IsTextValueValid(value, true)) << c.text;
        if (c.valid) { EXPECT_EQ(c.text, VarToStr(value)); } // kept as typed
        Variant edit = String(c.text);
        EXPECT_EQ(c.valid, properties.IsEditValueValid(edit, false)) << c.text;
    }
    // Null and numbers are not texts to check.
    Variant null = Null();
    EXPECT_TRUE(properties.IsEditValueValid(null, false));
    Variant number = Variant(3);
    EXPECT_TRUE(properties.IsEditValueValid(number, false));

    // A free-text editor takes any text.
    TqzTextEditProperties free(nullptr);
    free.GetLookupItems()->Add("Alpha");
    Variant gamma = String("Gamma");
    EXPECT_TRUE(free.IsTextValueValid(gamma, true));
    EXPECT_TRUE(free.IsLookupText("aLpHa"));
    EXPECT_FALSE(free.IsLookupText("Alp"));
}

TEST(TextEditProperties, NumericDisplayFollowsTheFormatsOfTheFocusState) {
    ScopedFormatSettings locale(DotSettings());
    struct Case {
        const char* name;
        const char* displayFormat; // nullptr: not assigned
        const char* editFormat;
        bool useDisplayFormatWhenEditing;
        const char* focused;
        const char* unfocused;
    };
    const Case cases[] = {
        {"no formats", nullptr, nullptr, false, "1234.5", "1234.5"},
        {"edit format, display format off", nullptr, "0.000", false, "1234.500", "1234.5"},
        {"display format only", "#,##0.00", nullptr, false, "1234.5", "1,234.50"},
        {"display format when editing", "#,##0.00", nullptr, true, "1,234.50", "1,234.50"},
        {"both", "#,##0.00", "0.0", true, "1234.5", "1,234.50"},
    };
    for (const Case& c : cases) {
        TNumberProperties properties(nullptr);
        if (c.displayFormat) properties.SetDisplayFormat(c.displayFormat);
        if (c.editFormat) properties.SetEditFormat(c.editFormat);
        properties.SetUseDisplayFormatWhenEditing(c.useDisplayFormatWhenEditing);
        for (const Variant& value : {Variant(1234.5), Variant(String("1234.5"))}) {
            Variant shown;
            properties.PrepareDisplayValue(value, shown, true);
            EXPECT_EQ(c.focused, VarToStr(shown)) << c.name;
            properties.PrepareDisplayValue(value, shown, false);
            EXPECT_EQ(c.unfocused, VarToStr(shown)) << c.name;
        }
    }

    TNumberProperties properties(nullptr);
    Variant shown = String("x");
    properties.PrepareDisplayValue(Null(), shown, true);
    EXPECT_EQ("", VarToStr(shown));
    properties.PrepareDisplayValue(Variant(String("abc")), shown, true);
    EXPECT_EQ("abc", VarToStr(shown)); // not a number: shown as it is
    properties.ThousandSeparators = true;
    properties.PrepareDisplayValue(Variant(-1234567.25), shown, true);
    EXPECT_EQ("-1,234,567.25", VarToStr(shown));
    try {
        properties.PrepareDisplayValue(VarFromDateTime(EncodeDate(2020, 1, 2)), shown, true);
        ADD_FAILURE() << "a date is no number";
    } catch (const EConvertError& e) {
        EXPECT_EQ("Could not convert to numeric value", e.Message);
    }
}

TEST(TextEditProperties, ThousandSeparatorsUnderTheLocale) {
    ScopedFormatSettings locale(DotSettings());
    struct Case {
        const char* text;
        const char* grouped;
    };
    const Case cases[] = {
        {"  -1234567.5e3 ", "  -1,234,567.5e3 "},
        {"-123456", "-123,456"},
        {"123", "123"},
        {"1234", "1,234"},
        {"1,2,3,4", "1,234"},
        {"+12345.678", "+12,345.678"},
        {"", ""},
    };
    for (const Case& c : cases) {
        String text = c.text;
        InsertThousandSeparators(text);
        EXPECT_EQ(c.grouped, text) << "'" << c.text << "'";
    }
    ScopedFormatSettings comma(CommaSettings());
    String text = "1234567,5";
    InsertThousandSeparators(text);
    EXPECT_EQ("1.234.567,5", text);
}

TEST(TextEditProperties, AssignCopiesOnlyAssignedFormatsAndBounds) {
    TNumberProperties source(nullptr), target(nullptr);
    target.SetDisplayFormat("0.00");
    target.SetMaxValue(10);
    source.GetLookupItems()->Add("b");
    source.GetLookupItems()->Add("a");
    source.SetLookupItemsSorted(true);
    source.SetEditFormat("0.0");
    source.SetCharCase(ecLowerCase);
    source.SetPasswordChar('x');
    source.SetImeName("pinyin");
    source.SetImeMode(imChinese);
    source.ImmediateUpdateText = true;

    ChangeCounter counter(&target);
    target.Assign(&source);
    EXPECT_EQ(1, counter.Count);
    EXPECT_FALSE(target.GetAssignedValues()->GetDisplayFormat());
    EXPECT_EQ("", target.GetDisplayFormat()); // its text stays but is no longer used
    EXPECT_FALSE(target.GetAssignedValues()->GetMaxValue());
    EXPECT_EQ(0, target.GetMaxValue());
    EXPECT_TRUE(target.GetAssignedValues()->GetEditFormat());
    EXPECT_EQ("0.0", target.GetEditFormat());
    EXPECT_EQ(ecLowerCase, target.GetCharCase());
    EXPECT_EQ('x', target.GetPasswordChar());
    EXPECT_EQ("pinyin", target.GetImeName());
    EXPECT_EQ(imChinese, target.GetImeMode());
    EXPECT_TRUE(target.ImmediateUpdateText);
    EXPECT_TRUE(target.GetLookupItemsSorted());
    ASSERT_EQ(2, target.GetLookupItems()->GetCount());
    EXPECT_EQ("a", target.GetLookupItems()->GetStrings(0));

    target.GetAssignedValues()->ResetAssignedValues();
    EXPECT_FALSE(target.GetAssignedValues()->GetEditFormat());
}

TEST(TextEditProperties, TheDisplayFormatFlagIsReadFromAStreamButNeverWritten) {
    const String text = "object Root: TItemRoot\n"
                        "  object Item: TNumberItem\n"
                        "    Properties.IsDisplayFormatAssigned = True\n"
                        "  end\n"
                        "end\n";
    TItemRoot root(nullptr);
    ReadComponentText(text, &root);
    auto* item = dynamic_cast<TNumberItem*>(root.FindComponent("Item"));
    ASSERT_NE(nullptr, item);
    EXPECT_TRUE(item->GetNumberProperties()->GetAssignedValues()->GetDisplayFormat());
    const String written = WriteRoot(&root);
    EXPECT_EQ(String::npos, written.find("IsDisplayFormatAssigned")) << written;
    EXPECT_NE(String::npos, written.find("Properties.AssignedValues.DisplayFormat = True")) << written;
}

TEST(TextEditProperties, SettersSignalOnlyRealChanges) {
    TqzTextEditProperties properties(nullptr);
    ChangeCounter counter(&properties);
    properties.SetCharCase(ecNormal);
    properties.SetEchoMode(eemNormal);
    properties.SetImeMode(imDontCare);
    properties.SetIncrementalSearch(true);
    EXPECT_EQ(0, counter.Count);
    // The prefix-search setting matters only to a fixed list.
    properties.SetFixedListPrefixSearch(false);
    EXPECT_EQ(0, counter.Count);
    properties.GetLookupItems()->Add("x");
    EXPECT_EQ(1, counter.Count);

    properties.SetViewStyle(vsButtonsOnly);
    EXPECT_EQ(2, counter.Count);
    EXPECT_EQ(1, properties.GetButtonsLayout());
    EXPECT_TRUE(properties.GetHideCursor());
    EXPECT_EQ(vsButtonsOnly, properties.GetViewStyle());
    properties.SetViewStyle(vsNormal);
    EXPECT_EQ(vsNormal, properties.GetViewStyle());
    EXPECT_FALSE(properties.GetHideCursor());

    properties.FormatChanged();
    EXPECT_EQ(4, counter.Count);
    EXPECT_TRUE(counter.FormatsChanging);
    EXPECT_FALSE(properties.GetLocaleFormatsChanging());
}

} // namespace
