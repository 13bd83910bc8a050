// Editor styles: the edit-button values resolved through the own style, the controller chain
// and the defaults; the values only the normal style holds; the default editor style
// controller, which stand-alone editors inherit from and in-place ones never do; storing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "suite/editors/qzEdit.h"
#include "tests/support/FormFixture.h"

namespace {

class TChangeCounter : public TObject {
public:
    void StyleChanged(TqzContainerStyle*) { ++Count; }
    Integer Count = 0;
};

// An editor-like container with editor styles.
class TEditStyledContainer : public TqzContainer {
    KOV_CLASS(TEditStyledContainer, TqzContainer)
public:
    TEditStyledContainer(TComponent* owner, bool inplace) : TqzContainer(owner, true), Inplace(inplace) {
        InitializeContainer();
    }
    TqzContainerStyleClass GetStyleClass() override { return &TqzEditStyle::CreateInstance; }
    bool IsInplace() override { return Inplace; }
    TqzContainerStyleValues GetHiddenStyleValues() override { return Hidden; }
    TqzEditStyle* EditStyle(Integer state) const {
        return static_cast<TqzEditStyle*>(GetStyles()->GetStyleByState(state));
    }

    bool Inplace;
    TqzContainerStyleValues Hidden;
};

KOV_PUBLISHED(TEditStyledContainer) {}

class EditStyles : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        EditUnitFinalize();
        EditUnitInitialize();
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        EditUnitFinalize();
        EditUnitInitialize();
    }
    TEditStyledContainer* Make(bool inplace) { return new TEditStyledContainer(Form, inplace); }
    TqzEditStyle* DefaultStyle(Integer state) {
        return static_cast<TqzEditStyle*>(GetDefaultEditStyleController()->StyleByState(state));
    }
};

TEST_F(EditStyles, ValueNamesCountAndTheNormalOnlySet) {
    TEditStyledContainer* editor = Make(false);
    TqzEditStyle* normal = editor->EditStyle(csNormal);
    EXPECT_EQ(normal->GetValueCount(), 14);
    const char* const names[] = {"BorderColor",
                                 "BorderStyle",
                                 "Color",
                                 "Edges",
                                 "Font",
                                 "HotTrack",
                                 "Shadow",
                                 "TextColor",
                                 "TextStyle",
                                 "TransparentBorder",
                                 "ButtonStyle",
                                 "ButtonTransparency",
                                 "PopupBorderStyle",
                                 "GradientButtons"};
    for (Integer i = 0; i < 14; ++i) {
        String name;
        EXPECT_TRUE(normal->GetValueName(TqzContainerStyleValue(i), name));
        EXPECT_EQ(name, String(names[i]));
    }
    String name = "x";
    EXPECT_FALSE(normal->GetValueName(14, name));
    EXPECT_TRUE(name.empty());
    Cardinal bits = 0;
    const TqzContainerStyleValues baseOnly = normal->GetBaseOnlyValues();
    for (Integer i = 0; i < 32; ++i)
        if (baseOnly.Contains(TqzContainerStyleValue(i))) bits |= 1u << i;
    EXPECT_EQ(bits, 0x3A78u);
}

TEST_F(EditStyles, StateStylesShowTheNormalValueUnlessTheyOrTheirControllerAssignOne) {
    TEditStyledContainer* editor = Make(false);
    TqzEditStyle* normal = editor->EditStyle(csNormal);
    TqzEditStyle* focused = editor->EditStyle(csFocused);
    EXPECT_EQ(focused->GetButtonStyle(), btsDefault);
    normal->SetButtonStyle(btsFlat);
    EXPECT_EQ(focused->GetButtonStyle(), btsFlat);
    EXPECT_FALSE(focused->IsValueAssigned(svButtonStyle));
    EXPECT_TRUE(normal->IsValueAssigned(svButtonStyle));

    // The default controller's focused style is next in the chain for the focused style.
    DefaultStyle(csFocused)->SetButtonStyle(bts3D);
    EXPECT_EQ(focused->GetButtonStyle(), bts3D);
    EXPECT_TRUE(focused->IsValueAssigned(svButtonStyle));
    focused->SetButtonStyle(btsSimple);
    EXPECT_EQ(focused->GetButtonStyle(), btsSimple);
    EXPECT_EQ(editor->EditStyle(csHot)->GetButtonStyle(), btsFlat);
}

TEST_F(EditStyles, NormalOnlyValuesWrittenOnAStateStyleLandInTheNormalStyle) {
    TEditStyledContainer* editor = Make(false);
    TqzEditStyle* normal = editor->EditStyle(csNormal);
    TqzEditStyle* hot = editor->EditStyle(csHot);
    hot->SetButtonTransparency(ebtAlways);
    hot->SetPopupBorderStyle(epbsFlat);
    hot->SetGradientButtons(true);
    hot->SetPopupCloseButton(false);
    EXPECT_TRUE(normal->GetAssignedValues().Contains(svButtonTransparency));
    EXPECT_TRUE(normal->GetAssignedValues().Contains(svPopupBorderStyle));
    EXPECT_TRUE(normal->GetAssignedValues().Contains(svGradientButtons));
    EXPECT_FALSE(hot->GetAssignedValues().Contains(svButtonTransparency));
    for (Integer state = csNormal; state <= csHot; ++state) {
        TqzEditStyle* style = editor->EditStyle(state);
        EXPECT_EQ(style->GetButtonTransparency(), ebtAlways) << state;
        EXPECT_EQ(style->GetPopupBorderStyle(), epbsFlat) << state;
        EXPECT_TRUE(style->GetGradientButtons()) << state;
        EXPECT_FALSE(style->GetPopupCloseButton()) << state;
        EXPECT_TRUE(style->IsValueAssigned(svButtonTransparency)) << state;
    }
}

TEST_F(EditStyles, InPlaceEditorsNeverInheritFromTheDefaultControllerStandAloneOnesDoUntilGivenTheirOwn) {
    ASSERT_NE(GetDefaultEditStyleController(), nullptr);
    EXPECT_EQ(GetDefaultStyleController(), GetDefaultEditStyleController());
    DefaultStyle(csNormal)->SetButtonStyle(btsHotFlat);
    DefaultStyle(csNormal)->SetButtonTransparency(ebtInactive);

    TEditStyledContainer* standAlone = Make(false);
    TEditStyledContainer* inplace = Make(true);
    EXPECT_EQ(standAlone->EditStyle(csNormal)->GetButtonStyle(), btsHotFlat);
    EXPECT_EQ(standAlone->EditStyle(csNormal)->GetButtonTransparency(), ebtInactive);
    EXPECT_EQ(inplace->EditStyle(csNormal)->GetButtonStyle(), btsDefault);
    EXPECT_EQ(inplace->EditStyle(csNormal)->GetButtonTransparency(), ebtNone);
    EXPECT_FALSE(inplace->EditStyle(csNormal)->IsValueAssigned(svButtonStyle));
    EXPECT_EQ(inplace->EditStyle(csNormal)->GetEffectiveController(), nullptr);
    // Neither names the default controller as its own.
    EXPECT_EQ(standAlone->EditStyle(csNormal)->GetStyleController(), nullptr);
    EXPECT_EQ(inplace->EditStyle(csNormal)->GetStyleController(), nullptr);
    // An in-place editor's style is not among the default controller's listeners.
    const auto& listeners = GetDefaultEditStyleController()->GetListeners();
    EXPECT_EQ(std::count(listeners.begin(), listeners.end(), inplace->EditStyle(csNormal)), 0);
    EXPECT_EQ(std::count(listeners.begin(), listeners.end(), standAlone->EditStyle(csNormal)), 1);

    auto* own = new TqzEditStyleController(Form);
    own->GetStyle()->SetButtonStyle(btsUltraFlat);
    standAlone->EditStyle(csNormal)->SetStyleController(own);
    EXPECT_EQ(standAlone->EditStyle(csNormal)->GetEditStyleController(), own);
    EXPECT_EQ(standAlone->EditStyle(csNormal)->GetButtonStyle(), btsUltraFlat);
}

TEST_F(EditStyles, AUserControllerConsultsTheDefaultControllerWhichConsultsNone) {
    auto* user = new TqzEditStyleController(Form);
    EXPECT_EQ(user->GetStyle()->GetEffectiveController(), GetDefaultEditStyleController());
    EXPECT_EQ(DefaultStyle(csNormal)->GetEffectiveController(), nullptr);
    DefaultStyle(csNormal)->SetPopupBorderStyle(epbsSingle);
    DefaultStyle(csHot)->SetButtonStyle(btsOffice11);
    EXPECT_EQ(user->GetStyle()->GetPopupBorderStyle(), epbsSingle);
    EXPECT_EQ(user->GetStyleHot()->GetButtonStyle(), btsOffice11);
    EXPECT_EQ(user->GetStyleFocused()->GetButtonStyle(), btsDefault);
    // An editor of the user controller reads through both.
    TEditStyledContainer* editor = Make(false);
    editor->EditStyle(csNormal)->SetStyleController(user);
    EXPECT_EQ(editor->EditStyle(csHot)->GetButtonStyle(), btsOffice11);
    EXPECT_EQ(editor->EditStyle(csDisabled)->GetPopupBorderStyle(), epbsSingle);
}

TEST_F(EditStyles, AssignCopiesTheEditorValuesWithOneChange) {
    TEditStyledContainer* source = Make(false);
    TEditStyledContainer* target = Make(false);
    TqzEditStyle* from = source->EditStyle(csNormal);
    from->SetButtonStyle(btsHotFlat);
    from->SetButtonTransparency(ebtHideInactive);
    from->SetPopupBorderStyle(epbsFrame3D);
    from->SetGradientButtons(true);
    from->SetPopupCloseButton(false);
    from->SetBorderColor(clRed);

    TChangeCounter counter;
    TqzEditStyle* to = target->EditStyle(csNormal);
    to->SetChangeHandler(MakeEvent(&counter, &TChangeCounter::StyleChanged));
    to->Assign(from);
    EXPECT_EQ(counter.Count, 1);
    EXPECT_EQ(to->GetButtonStyle(), btsHotFlat);
    EXPECT_EQ(to->GetButtonTransparency(), ebtHideInactive);
    EXPECT_EQ(to->GetPopupBorderStyle(), epbsFrame3D);
    EXPECT_TRUE(to->GetGradientButtons());
    EXPECT_FALSE(to->GetPopupCloseButton());
    EXPECT_EQ(to->GetBorderColor(), clRed);
    EXPECT_EQ(to->GetAssignedValues(), from->GetAssignedValues());

    // Equal assigned values change nothing.
    counter.Count = 0;
    to->SetButtonStyle(btsHotFlat);
    to->SetButtonTransparency(ebtHideInactive);
    to->SetPopupCloseButton(false);
    EXPECT_EQ(counter.Count, 0);
}

TEST_F(EditStyles, EditorValuesAreStoredOnlyWhenAssignedAndNotHiddenByTheEditor) {
    TEditStyledContainer* editor = Make(false);
    TqzEditStyle* normal = editor->EditStyle(csNormal);
    TqzEditStyle* focused = editor->EditStyle(csFocused);
    EXPECT_FALSE(normal->IsButtonStyleStored());
    normal->SetButtonStyle(btsFlat);
    normal->SetButtonTransparency(ebtAlways);
    normal->SetPopupBorderStyle(epbsSingle);
    focused->SetButtonStyle(bts3D);
    EXPECT_TRUE(normal->IsButtonStyleStored());
    EXPECT_TRUE(normal->IsButtonTransparencyStored());
    EXPECT_TRUE(normal->IsPopupBorderStyleStored());
    EXPECT_TRUE(focused->IsButtonStyleStored());
    EXPECT_FALSE(focused->IsButtonTransparencyStored()); // held by the normal style

    editor->Hidden =
        TqzContainerStyleValues{svButtonStyle, svButtonTransparency, svPopupBorderStyle, svGradientButtons};
    EXPECT_FALSE(normal->IsButtonStyleStored());
    EXPECT_FALSE(normal->IsButtonTransparencyStored());
    EXPECT_FALSE(normal->IsPopupBorderStyleStored());
    EXPECT_FALSE(focused->IsButtonStyleStored());
    EXPECT_TRUE(normal->IsValueAssigned(svButtonStyle));
}

TEST_F(EditStyles, DirectAccessStylesUseOnlyTheirOwnValues) {
    DefaultStyle(csNormal)->SetButtonStyle(btsFlat);
    std::unique_ptr<TqzContainerStyle> direct(TqzEditStyle::CreateInstance(nullptr, csNormal, nullptr, true));
    auto* style = static_cast<TqzEditStyle*>(direct.get());
    EXPECT_EQ(style->GetDefaultController(), nullptr);
    EXPECT_EQ(style->GetButtonStyle(), btsDefault);
    EXPECT_FALSE(style->IsValueAssigned(svButtonStyle));
    style->SetButtonStyle(btsSimple);
    EXPECT_EQ(style->GetButtonStyle(), btsSimple);
    EXPECT_TRUE(style->IsValueAssigned(svButtonStyle));
}

TEST_F(EditStyles, PropertiesMakeEditorStyles) {
    TqzCustomEditProperties properties(nullptr);
    std::unique_ptr<TqzContainerStyle> style(properties.GetStyleClass()(nullptr, csNormal, nullptr, false));
    EXPECT_NE(dynamic_cast<TqzEditStyle*>(style.get()), nullptr);
    EXPECT_EQ(style->GetEffectiveController(), GetDefaultEditStyleController());
}

TEST(EditStyleUnit, TheDefaultControllerFillsTheContainerSlotAndGoesAtTheEnd) {
    EditUnitFinalize();
    EXPECT_EQ(GetDefaultEditStyleController(), nullptr);
    EXPECT_EQ(GetDefaultStyleController(), nullptr);
    EditUnitInitialize();
    TqzEditStyleController* controller = GetDefaultEditStyleController();
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(GetDefaultStyleController(), controller);
    EXPECT_EQ(controller->GetOwner(), nullptr);
    EXPECT_NE(dynamic_cast<TqzEditStyle*>(controller->GetStyleHot()), nullptr);
    EditUnitFinalize();
    EXPECT_EQ(GetDefaultStyleController(), nullptr);
    EXPECT_EQ(GetDefaultEditStyleController(), nullptr);
    EditUnitInitialize();
}

} // namespace
