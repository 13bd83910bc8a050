// Editor properties: the change protocol, ReadOnly and Alignment over a default-values provider,
// assignment, and providers shared by several properties objects.
#include <gtest/gtest.h>

#include <memory>

#include "platform/runtime/TypInfo.h"
#include "suite/editors/qzEdit.h"

namespace {

// Counts the change notifications of a properties object.
struct ChangeCounter : TObject {
    explicit ChangeCounter(TqzCustomEditProperties* properties) {
        properties->SetOnPropertiesChanged(MakeEvent(this, &ChangeCounter::Changed));
    }
    void Changed(TObject*) { ++Count; }
    int Count = 0;
};

// A data source that is read-only and right-aligned.
class ReadOnlySource : public TqzCustomEditDefaultValuesProvider {
public:
    ReadOnlySource() : TqzCustomEditDefaultValuesProvider(nullptr) {}
    TAlignment GetDefaultAlignment() override { return taRightJustify; }
    bool GetDefaultReadOnly() override { return true; }
    bool CanModifyValue() override { return false; }
};

TEST(EditProperties, DefaultsAndOneNotificationPerBatch) {
    TqzCustomEditProperties properties(nullptr);
    EXPECT_TRUE(properties.GetAutoSelect());
    EXPECT_EQ(0x400D, properties.ClickKey);
    EXPECT_TRUE(properties.InPlaceMouseWheel);
    EXPECT_TRUE(properties.GetUseLeftAlignmentOnEditing());
    EXPECT_FALSE(properties.IsUseLeftAlignmentOnEditingStored());
    EXPECT_FALSE(properties.GetReadOnly());
    EXPECT_FALSE(properties.IsReadOnlyStored());
    EXPECT_EQ(taLeftJustify, properties.GetAlignment()->GetHorz());
    EXPECT_EQ(taTopJustify, properties.GetAlignment()->GetVert());

    ChangeCounter counter(&properties);
    properties.SetAutoSelect(true); // unchanged
    EXPECT_EQ(0, counter.Count);
    properties.SetAutoSelect(false);
    properties.SetTransparent(true);
    properties.SetButtonsLayout(2);
    properties.SetUseLeftAlignmentOnEditing(false);
    EXPECT_EQ(4, counter.Count);
    EXPECT_TRUE(properties.IsUseLeftAlignmentOnEditingStored());

    properties.BeginUpdate();
    properties.SetAutoSelect(true);
    properties.SetReadOnly(true);
    properties.GetAlignment()->SetVert(taVCenter);
    properties.GetButtons()->Add();
    EXPECT_EQ(4, counter.Count);
    properties.EndUpdate();
    EXPECT_EQ(5, counter.Count);

    // An EndUpdate without a BeginUpdate changes nothing and never drives the count below 0.
    properties.EndUpdate();
    properties.EndUpdate();
    EXPECT_EQ(0, properties.GetUpdateCount());
    EXPECT_EQ(5, counter.Count);
    properties.BeginUpdate();
    EXPECT_TRUE(properties.IsChangedLocked());
    properties.EndUpdate(false);
    EXPECT_FALSE(properties.IsChangedLocked());
    EXPECT_EQ(5, counter.Count);

    properties.SetChangedLocked(true);
    properties.SetTransparent(false);
    properties.SetChangedLocked(false);
    EXPECT_EQ(5, counter.Count);
    properties.SetTransparent(true);
    EXPECT_EQ(6, counter.Count);
}

TEST(EditProperties, ExplicitReadOnlyOverridesTheProviderUntilReset) {
    ReadOnlySource source;
    TqzCustomEditProperties properties(nullptr);
    properties.SetDefaultValuesProvider(&source);
    EXPECT_TRUE(properties.GetReadOnly());
    EXPECT_FALSE(properties.CanModify());

    ChangeCounter counter(&properties);
    properties.SetReadOnly(false);
    EXPECT_EQ(1, counter.Count);
    EXPECT_FALSE(properties.GetReadOnly());
    EXPECT_TRUE(properties.IsReadOnlyStored());
    EXPECT_TRUE(properties.CanModify()); // assigned false wins over the source
    properties.SetReadOnly(false);
    EXPECT_EQ(1, counter.Count);

    properties.ResetToDefaults();
    EXPECT_TRUE(properties.GetReadOnly());
    EXPECT_FALSE(properties.IsReadOnlyStored());
    EXPECT_FALSE(properties.CanModify());

    // Without a provider, only an assigned true refuses modification.
    TqzCustomEditProperties plain(nullptr);
    EXPECT_TRUE(plain.CanModify());
    plain.SetReadOnly(true);
    EXPECT_FALSE(plain.CanModify());
}

TEST(EditProperties, HorizontalAlignmentComesFromTheProviderUntilSet) {
    ReadOnlySource source;
    TqzCustomEditProperties properties(nullptr);
    properties.SetDefaultValuesProvider(&source);
    ChangeCounter counter(&properties);

    TqzEditAlignment* alignment = properties.GetAlignment();
    EXPECT_EQ(taRightJustify, alignment->GetHorz());
    EXPECT_FALSE(alignment->IsHorzAssigned());
    // A vertical change leaves the horizontal one unassigned.
    alignment->SetVert(taBottomJustify);
    EXPECT_EQ(1, counter.Count);
    EXPECT_FALSE(properties.GetAlignment()->IsHorzAssigned());

    properties.GetAlignment()->SetHorz(taCenter);
    EXPECT_EQ(2, counter.Count);
    EXPECT_EQ(taCenter, properties.GetAlignment()->GetHorz());
    EXPECT_TRUE(properties.GetAlignment()->IsHorzAssigned());
    EXPECT_EQ(taBottomJustify, properties.GetAlignment()->GetVert());

    properties.ResetToDefaults();
    EXPECT_EQ(taRightJustify, properties.GetAlignment()->GetHorz());
    EXPECT_EQ(taBottomJustify, properties.GetAlignment()->GetVert());

    // Setting the default explicitly assigns it.
    properties.GetAlignment()->SetHorz(taRightJustify);
    EXPECT_TRUE(properties.GetAlignment()->IsHorzAssigned());
}

TEST(EditProperties, AssignCopiesSettingsAndLeavesReadOnlyUnassignedWhenTheSourceHasNone) {
    TqzCustomEditProperties source(nullptr), target(nullptr);
    source.SetAutoSelect(false);
    source.SetTransparent(true);
    source.BeepOnError = true;
    source.ClearKey = 0x2E;
    source.ValidateOnEnter = true;
    source.InPlaceMouseWheel = false;
    source.GetAlignment()->SetVert(taVCenter);
    auto* button = static_cast<TqzEditButton*>(source.GetButtons()->Add());
    button->SetCaption("&Go");
    button->SetKind(bkText);
    ChangeCounter handler(&source);
    source.OnChange = MakeEvent(&handler, &ChangeCounter::Changed);

    target.SetReadOnly(true);
    ChangeCounter counter(&target);
    target.Assign(&source);
    EXPECT_EQ(1, counter.Count);
    EXPECT_FALSE(target.GetAutoSelect());
    EXPECT_TRUE(target.GetTransparent());
    EXPECT_TRUE(target.BeepOnError);
    EXPECT_EQ(0x2E, target.ClearKey);
    EXPECT_TRUE(target.ValidateOnEnter);
    EXPECT_FALSE(target.InPlaceMouseWheel);
    EXPECT_EQ(taVCenter, target.GetAlignment()->GetVert());
    ASSERT_EQ(1, target.GetButtons()->GetCount());
    EXPECT_EQ("&Go", target.GetButtons()->GetItem(0)->GetCaption());
    EXPECT_EQ("Go", target.GetButtons()->GetItem(0)->GetVisibleCaption());
    EXPECT_EQ(bkText, target.GetButtons()->GetItem(0)->GetKind());
    EXPECT_TRUE(target.OnChange == source.OnChange);
    EXPECT_FALSE(target.IsReadOnlyStored());
    EXPECT_FALSE(target.GetReadOnly());

    source.SetReadOnly(false);
    target.SetReadOnly(true);
    target.Assign(&source);
    EXPECT_TRUE(target.IsReadOnlyStored());
    EXPECT_FALSE(target.GetReadOnly());

    std::unique_ptr<TqzCustomEditProperties> copy(source.CreateOfSameClass());
    EXPECT_EQ(source.ClassType(), copy->ClassType());
    EXPECT_EQ(nullptr, copy->GetOwner());
}

TEST(EditProperties, AProviderFreedWhileSharedLeavesNoUserHoldingIt) {
    TqzCustomEditProperties a(nullptr), b(nullptr), c(nullptr);
    auto other = std::make_unique<ReadOnlySource>();
    {
        ReadOnlySource shared;
        a.SetDefaultValuesProvider(&shared);
        b.SetDefaultValuesProvider(&shared);
        c.SetDefaultValuesProvider(other.get());
        EXPECT_TRUE(a.GetReadOnly());
    }
    EXPECT_EQ(nullptr, a.GetDefaultValuesProvider());
    EXPECT_EQ(nullptr, b.GetDefaultValuesProvider());
    EXPECT_EQ(other.get(), c.GetDefaultValuesProvider());
    EXPECT_FALSE(a.GetReadOnly());
    EXPECT_EQ(taLeftJustify, a.GetAlignment()->GetHorz());
    other.reset();
    EXPECT_EQ(nullptr, c.GetDefaultValuesProvider());
}

TEST(EditProperties, NeutralAnswers) {
    TqzCustomEditProperties properties(nullptr);
    String text;
    properties.GetDefaultValidationErrorText(text);
    EXPECT_EQ("Invalid input value. Use escape key to abandon changes", text);
    EXPECT_FALSE(properties.CanValidate());
    EXPECT_FALSE(properties.IsDisplayFormatFromSource(false));
    EXPECT_FALSE(properties.IsFormattingFromSourceWhileIdle());
    EXPECT_TRUE(properties.AreDisplayValuesEqual(Variant(Integer(3)), Variant(Integer(3))));
    EXPECT_FALSE(properties.AreDisplayValuesEqual(Variant(Integer(3)), Variant(Integer(4))));
    EXPECT_EQ(0, properties.GetSupportedOperations());
    properties.GetButtons()->Add();
    EXPECT_EQ(qzesoShowingButtons, properties.GetSupportedOperations());

    TqzCustomEditDefaultValuesProvider provider(nullptr);
    EXPECT_EQ(3, provider.GetDefaultBlobEditKind());
    EXPECT_EQ(15, provider.GetDefaultDecimalPrecision());
    EXPECT_TRUE(provider.IsSourceActive());
    EXPECT_TRUE(provider.IsValidCharForSource(U'\u4E2D'));
    EXPECT_EQ(&provider, provider.GetProviderObject());

    // The published settings, for the stored definitions.
    for (const char* name :
         {"Alignment", "AssignedValues", "AutoSelect", "BeepOnError", "ClearKey", "ClickKey", "ImmediatePost",
          "ReadOnly", "Transparent", "UseLeftAlignmentOnEditing", "ValidateOnEnter", "OnButtonClick",
          "OnChange", "OnEditValueChanged", "OnValidate"})
        EXPECT_TRUE(IsPublishedProp(&properties, name)) << name;
    EXPECT_FALSE(IsPublishedProp(&properties, "InPlaceMouseWheel"));
    EXPECT_TRUE(properties.GetAssignedValues()->OwnerHasProperty("ReadOnly"));
}

} // namespace
