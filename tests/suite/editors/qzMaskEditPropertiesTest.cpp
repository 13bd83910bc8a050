// The masked editor's properties: the mask and its kind, what they force on other settings, how a
// masked value is shown, and the registration.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "suite/editors/qzMaskEdit.h"
#include "suite/foundation/qzClasses.h"
#include "tests/support/TestSupport.h"

namespace {

struct ChangeCounter : TObject {
    void Changed(TObject*) { ++Count; }
    Integer Count = 0;
};

class MaskEditPropertiesTest : public ::testing::Test {
protected:
    void SetUp() override { Properties.SetOnPropertiesChanged(MakeEvent(&Counter, &ChangeCounter::Changed)); }
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    ChangeCounter Counter;
    TqzMaskEditProperties Properties{nullptr};
};

TEST_F(MaskEditPropertiesTest, DefaultsAndRegistration) {
    EXPECT_EQ(emkStandard, Properties.GetMaskKind());
    EXPECT_TRUE(Properties.GetCaseInsensitive());
    EXPECT_TRUE(Properties.ValidateOnEnter);
    EXPECT_FALSE(Properties.IgnoreMaskBlank);
    EXPECT_FALSE(Properties.GetAlwaysShowBlanksAndLiterals());
    EXPECT_FALSE(Properties.IsMasked());
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    const Integer index = registry->IndexOfClass(TqzMaskEditProperties::StaticClass());
    ASSERT_GE(index, 0);
    EXPECT_EQ("MaskEdit|Represents a generic masked edit control.", registry->GetText(index));
    // Made by class, as repository items and editors make their properties.
    std::unique_ptr<TqzInterfacedPersistent> made(
        TqzInterfacedPersistent::Create(TqzMaskEditProperties::StaticClass(), nullptr));
    auto* madeProperties = dynamic_cast<TqzMaskEditProperties*>(made.get());
    ASSERT_NE(nullptr, madeProperties);
    EXPECT_TRUE(madeProperties->ValidateOnEnter);
    EXPECT_EQ(TqzMaskEdit::StaticClass(), madeProperties->GetContainerClass());
}

TEST_F(MaskEditPropertiesTest, BlankMasksAreNoMasks) {
    for (const char* mask : {"", " ", "\t\r\n", "\f "}) {
        EXPECT_TRUE(IsBlankMask(mask)) << mask;
        Properties.SetEditMask(mask);
        EXPECT_FALSE(Properties.IsMasked()) << mask;
    }
    EXPECT_FALSE(IsBlankMask(" 0"));
    Properties.SetEditMask("0");
    EXPECT_TRUE(Properties.IsMasked());
}

TEST_F(MaskEditPropertiesTest, AnInvalidRegularExpressionIsRefusedBeforeItIsStored) {
    Properties.SetMaskKind(emkRegExpr);
    Properties.SetEditMask("\\d+");
    const Integer changes = Counter.Count;
    try {
        Properties.SetEditMask("(\\d");
        FAIL() << "no error";
    } catch (const EqzMaskEditError& error) {
        EXPECT_EQ(0u, error.Message.find("Regular expression errors:")) << error.Message;
    }
    EXPECT_EQ("\\d+", Properties.GetEditMask());
    EXPECT_EQ(changes, Counter.Count);
    // Every text is a standard mask.
    Properties.SetMaskKind(emkStandard);
    Properties.SetEditMask("(\\d");
    EXPECT_EQ("(\\d", Properties.GetEditMask());
    // The same mask again is no change.
    const Integer before = Counter.Count;
    Properties.SetEditMask("(\\d");
    EXPECT_EQ(before, Counter.Count);
}

TEST_F(MaskEditPropertiesTest, AMaskedEditorHasNoMaxLength) {
    Properties.SetMaxLength(5);
    EXPECT_EQ(5, Properties.GetMaxLength()) << "unmasked";
    Properties.SetEditMask("000");
    Properties.SetMaxLength(7);
    EXPECT_EQ(0, Properties.GetMaxLength());
}

TEST_F(MaskEditPropertiesTest, UpperOrLowerCaseForcesCaseInsensitive) {
    Properties.SetCaseInsensitive(false);
    EXPECT_FALSE(Properties.GetCaseInsensitive());
    Properties.SetCharCase(ecUpperCase);
    EXPECT_TRUE(Properties.GetCaseInsensitive());
    Properties.SetCaseInsensitive(false);
    EXPECT_TRUE(Properties.GetCaseInsensitive()) << "stays on while the case is forced";
    Properties.SetCharCase(ecNormal);
    Properties.SetCaseInsensitive(false);
    EXPECT_FALSE(Properties.GetCaseInsensitive());
}

TEST_F(MaskEditPropertiesTest, AssignCopiesTheMaskOfTheOtherKind) {
    Properties.SetEditMask("(000)");
    TqzMaskEditProperties source(nullptr);
    source.SetMaskKind(emkRegExprEx);
    source.SetEditMask("\\d\\d'-'\\d\\d");
    source.SetCaseInsensitive(false);
    source.IgnoreMaskBlank = true;
    source.SetAlwaysShowBlanksAndLiterals(true);
    const Integer before = Counter.Count;
    Properties.Assign(&source);
    EXPECT_EQ(before + 1, Counter.Count) << "one change at the end";
    EXPECT_EQ(emkRegExprEx, Properties.GetMaskKind());
    EXPECT_EQ("\\d\\d'-'\\d\\d", Properties.GetEditMask());
    EXPECT_FALSE(Properties.GetCaseInsensitive());
    EXPECT_TRUE(Properties.IgnoreMaskBlank);
    EXPECT_TRUE(Properties.GetAlwaysShowBlanksAndLiterals());
}

TEST_F(MaskEditPropertiesTest, DisplayValues) {
    struct Case {
        TqzEditMaskKind kind;
        String mask;
        bool alwaysShow;
        String value;
        String unfocused;
        String focused;
    };
    const std::vector<Case> cases = {
        {emkStandard, "000;0;_", false, "", "   ", "___"},
        {emkStandard, "000;0;_", true, "", "___", "___"},
        {emkStandard, "(000)00;0;_", false, "12", "12   ", "(12_)__"},
        {emkStandard, "", false, "abc", "abc", "abc"},
        {emkRegExpr, "\\d+", false, "1a2", "12", "12"},
        {emkRegExprEx, "'('\\d\\d')'", false, "", "(", "("},
    };
    for (const Case& c : cases) {
        Properties.SetAlwaysShowBlanksAndLiterals(c.alwaysShow);
        Properties.SetEditMask("");
        Properties.SetMaskKind(c.kind);
        Properties.SetEditMask(c.mask);
        Variant display;
        Properties.PrepareDisplayValue(Variant(c.value), display, false);
        EXPECT_EQ(c.unfocused, VarToStr(display)) << c.mask;
        Properties.PrepareDisplayValue(Variant(c.value), display, true);
        EXPECT_EQ(c.focused, VarToStr(display)) << c.mask;
    }
}

TEST_F(MaskEditPropertiesTest, WhileMaskedValuesAreTheMasksBusiness) {
    Properties.GetLookupItems()->Add("one");
    Properties.SetCharCase(ecUpperCase);
    Variant value(String("abc"));
    EXPECT_TRUE(Properties.UsesLookupData());
    EXPECT_NE(0, Properties.GetDisplayFormatOptions());
    Properties.SetEditMask("ccc");
    EXPECT_FALSE(Properties.UsesLookupData());
    EXPECT_EQ(0, Properties.GetDisplayFormatOptions());
    EXPECT_TRUE(Properties.IsEditValueValid(value, true));
    EXPECT_EQ("abc", VarToStr(value)) << "left alone";
}

} // namespace
