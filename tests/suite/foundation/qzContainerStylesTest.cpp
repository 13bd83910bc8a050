// Container styles: value resolution through the controller chain and the defaults, the state
// styles' border rows, change batching, controller cycles and removal, storage in a form stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/TypInfo.h"
#include "suite/foundation/qzContainer.h"
#include "tests/support/FormFixture.h"

namespace {

// Counts the change notices of styles, per style.
class TNoticeCounter : public TObject {
public:
    void StyleChanged(TqzContainerStyle* sender) { Notices.push_back(sender); }
    Integer CountOf(TqzContainerStyle* style) const {
        return Integer(std::count(Notices.begin(), Notices.end(), style));
    }
    std::vector<TqzContainerStyle*> Notices;
};

// A container that publishes its four styles, as the editors do.
class TStyledTestContainer : public TqzContainer {
    KOV_CLASS(TStyledTestContainer, TqzContainer)
public:
    explicit TStyledTestContainer(TComponent* owner) : TqzContainer(owner) {}
    TqzContainerStyle* GetStyleProp() const { return GetStyle(); }
    void SetStyleProp(TqzContainerStyle* value) { GetStyle()->Assign(value); }
    TqzContainerStyle* GetFocusedProp() const { return GetStyleFocused(); }
    void SetFocusedProp(TqzContainerStyle* value) { GetStyleFocused()->Assign(value); }
    TqzContainerStyle* GetDisabledProp() const { return GetStyleDisabled(); }
    void SetDisabledProp(TqzContainerStyle* value) { GetStyleDisabled()->Assign(value); }
    TqzContainerStyleValues GetHiddenStyleValues() override { return Hidden; }
    TqzContainerStyleValues Hidden;
};

KOV_PUBLISHED(TStyledTestContainer) {
    Property("Style", &TStyledTestContainer::GetStyleProp, &TStyledTestContainer::SetStyleProp);
    Property("StyleDisabled", &TStyledTestContainer::GetDisabledProp, &TStyledTestContainer::SetDisabledProp);
    Property("StyleFocused", &TStyledTestContainer::GetFocusedProp, &TStyledTestContainer::SetFocusedProp);
}

// A container that takes its parent's colour by default.
class TParentColorContainer : public TqzContainer {
    KOV_CLASS(TParentColorContainer, TqzContainer)
public:
    explicit TParentColorContainer(TComponent* owner) : TqzContainer(owner, true) { InitializeContainer(); }
    bool DefaultsToParentColor() override { return true; }
};

class qzContainerStylesTest : public testsupport::TFormFixture {
protected:
    void TearDown() override {
        SetDefaultStyleController(nullptr);
        testsupport::TFormFixture::TearDown();
    }
    TqzContainer* MakeContainer() {
        auto* container = new TqzContainer(Form);
        container->SetParent(Form);
        container->SetBounds(10, 10, 120, 24);
        return container;
    }
};

TqzBorders AllEdges() { return TqzBorders{bLeft, bTop, bRight, bBottom}; }

} // namespace

TEST_F(qzContainerStylesTest, FreshStylesOfAPlainContainerUnderEachKind) {
    struct TCase {
        TqzLookAndFeelKind Kind;
        TqzContainerBorderStyle Border;
    };
    const std::vector<TCase> cases = {
        {lfFlat, cbsFlat}, {lfStandard, cbs3D}, {lfUltraFlat, cbsUltraFlat}, {lfOffice11, cbsOffice11}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(int(c.Kind));
        auto* container = MakeContainer();
        TqzContainerStyle* style = container->GetStyle();
        style->GetLookAndFeel()->SetKind(c.Kind);
        EXPECT_EQ(style->GetBorderStyle(), c.Border);
        EXPECT_EQ(style->GetBorderColor(), clWindowFrame);
        EXPECT_EQ(style->GetColor(), clWindow);
        EXPECT_EQ(container->GetColor(), clWindow);
        EXPECT_FALSE(container->GetParentColor());
        EXPECT_TRUE(style->GetHotTrack());
        EXPECT_FALSE(style->GetShadow());
        EXPECT_TRUE(style->GetTransparentBorder());
        EXPECT_EQ(style->GetEdges(), AllEdges());
        EXPECT_EQ(style->GetTextColor(), style->GetFont()->GetColor());
        EXPECT_TRUE(style->GetAssignedValues().empty());
        EXPECT_EQ(style->GetStyleController(), nullptr);
        // The disabled style greys the background of a window-coloured container.
        EXPECT_EQ(container->GetStyleDisabled()->GetColor(), clBtnFace);
        EXPECT_EQ(container->GetStyleFocused()->GetColor(), clWindow);
        delete container;
    }
}

TEST_F(qzContainerStylesTest, ParentColorContainerDefaultsToButtonFaceAndTakesTheParentsColour) {
    Form->SetColor(clYellow);
    auto* container = new TParentColorContainer(Form);
    container->SetParent(Form);
    EXPECT_TRUE(container->GetParentColor());
    EXPECT_EQ(container->GetStyle()->GetColor(), clYellow);
    EXPECT_EQ(container->GetStyleDisabled()->GetColor(), clYellow);
    container->SetParentColor(false);
    EXPECT_EQ(container->GetStyle()->GetColor(), clBtnFace);
    // A style without a container owner uses the button face too.
    TqzContainerStyles loose(nullptr, nullptr);
    EXPECT_EQ(loose.NormalStyle()->GetColor(), clBtnFace);
}

TEST_F(qzContainerStylesTest, StateBorderStylesFollowTheNormalBorderAndHotTrack) {
    struct TCase {
        TqzContainerBorderStyle Normal;
        bool HotTrack;
        TqzContainerBorderStyle Focused, Hot, Disabled;
    };
    const std::vector<TCase> cases = {
        {cbsNone, true, cbsFlat, cbsFlat, cbsNone},
        {cbsSingle, true, cbsThick, cbsThick, cbsSingle},
        {cbsThick, true, cbsThick, cbsThick, cbsThick},
        {cbsFlat, true, cbs3D, cbs3D, cbsFlat},
        {cbs3D, true, cbs3D, cbs3D, cbs3D},
        {cbsUltraFlat, true, cbsUltraFlat, cbsUltraFlat, cbsUltraFlat},
        {cbsOffice11, true, cbsOffice11, cbsOffice11, cbsOffice11},
        {cbsNone, false, cbsNone, cbsNone, cbsNone},
        {cbsSingle, false, cbsSingle, cbsSingle, cbsSingle},
        {cbsFlat, false, cbsFlat, cbsFlat, cbsFlat},
    };
    auto* container = MakeContainer();
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Normal) + (c.HotTrack ? " hot tracking" : ""));
        container->GetStyle()->SetBorderStyle(c.Normal);
        container->GetStyle()->SetHotTrack(c.HotTrack);
        EXPECT_EQ(container->GetStyleFocused()->GetBorderStyle(), c.Focused);
        EXPECT_EQ(container->GetStyleHot()->GetBorderStyle(), c.Hot);
        EXPECT_EQ(container->GetStyleDisabled()->GetBorderStyle(), c.Disabled);
    }
    // A state style's own border wins over the row.
    container->GetStyleFocused()->SetBorderStyle(cbsNone);
    EXPECT_EQ(container->GetStyleFocused()->GetBorderStyle(), cbsNone);
}

TEST_F(qzContainerStylesTest, DisabledStyleGreysBorderAndTextWhateverTheNormalStyleAssigns) {
    auto* container = MakeContainer();
    TqzContainerStyle* normal = container->GetStyle();
    normal->SetBorderColor(clRed);
    normal->SetTextColor(clBlue);
    normal->SetTextStyle(TFontStyles{fsBold});
    EXPECT_EQ(container->GetStyleDisabled()->GetBorderColor(), clBtnShadow);
    EXPECT_EQ(container->GetStyleDisabled()->GetTextColor(), clBtnShadow);
    EXPECT_EQ(container->GetStyleFocused()->GetBorderColor(), clRed);
    EXPECT_EQ(container->GetStyleHot()->GetTextColor(), clBlue);
    EXPECT_EQ(container->GetStyleDisabled()->GetTextStyle(), TFontStyles{fsBold});
    // The shown font carries the effective text colour and style.
    TFont* shown = container->GetStyleFocused()->GetEffectiveFont();
    EXPECT_EQ(shown->GetColor(), clBlue);
    EXPECT_EQ(shown->GetStyle(), TFontStyles{fsBold});
    EXPECT_EQ(container->GetStyleDisabled()->GetEffectiveFont()->GetColor(), clBtnShadow);
}

TEST_F(qzContainerStylesTest, NormalOnlyValuesSetOnAStateStyleLandInTheNormalStyle) {
    auto* container = MakeContainer();
    TqzContainerStyle* hot = container->GetStyleHot();
    hot->SetEdges(TqzBorders{bLeft, bBottom});
    hot->SetShadow(true);
    hot->SetHotTrack(false);
    hot->SetTransparentBorder(false);
    TFont font;
    font.SetSize(15);
    hot->SetFont(&font);
    TqzContainerStyle* normal = container->GetStyle();
    EXPECT_EQ(normal->GetAssignedValues(),
              (TqzContainerStyleValues{svEdges, svShadow, svHotTrack, svTransparentBorder, svFont}));
    EXPECT_TRUE(hot->GetAssignedValues().empty());
    EXPECT_EQ(normal->GetFont()->GetSize(), 15);
    for (Integer state = csNormal; state <= csHot; ++state) {
        SCOPED_TRACE(state);
        TqzContainerStyle* style = container->GetStyles()->GetStyleByState(state);
        EXPECT_EQ(style->GetEdges(), (TqzBorders{bLeft, bBottom}));
        EXPECT_TRUE(style->GetShadow());
        EXPECT_FALSE(style->GetHotTrack());
        EXPECT_FALSE(style->GetTransparentBorder());
        EXPECT_EQ(style->GetFont(), normal->GetFont());
        EXPECT_EQ(style->GetLookAndFeel(), normal->GetLookAndFeel());
    }
}

TEST_F(qzContainerStylesTest, ValuesResolveThroughTheControllerChain) {
    auto* outer = new TqzStyleController(Form);
    auto* inner = new TqzStyleController(Form);
    outer->NormalStyle()->SetBorderColor(clRed);
    outer->StyleByState(csFocused)->SetColor(clAqua);
    TFont font;
    font.SetName("Courier New");
    outer->NormalStyle()->SetFont(&font);
    inner->NormalStyle()->SetStyleController(outer);
    inner->NormalStyle()->SetTextColor(clGreen);

    auto* container = MakeContainer();
    TqzContainerStyle* style = container->GetStyle();
    style->SetStyleController(inner);
    EXPECT_EQ(style->GetStyleController(), inner);
    EXPECT_EQ(style->GetBorderColor(), clRed);
    EXPECT_EQ(style->GetTextColor(), clGreen);
    EXPECT_EQ(container->GetStyleFocused()->GetColor(), clAqua);
    EXPECT_EQ(style->GetFont()->GetName(), "Courier New");
    EXPECT_TRUE(style->IsValueAssigned(svBorderColor));
    EXPECT_TRUE(container->GetStyleFocused()->IsValueAssigned(svColor));
    EXPECT_FALSE(container->GetStyleHot()->IsValueAssigned(svColor));
    EXPECT_FALSE(style->IsValueAssigned(31));
    EXPECT_FALSE(style->GetAssignedValues().Contains(svFont));
    // The own value wins; taking the bit back restores the controller's.
    style->SetBorderColor(clLime);
    EXPECT_EQ(style->GetBorderColor(), clLime);
    style->SetAssignedValues(TqzContainerStyleValues());
    EXPECT_EQ(style->GetBorderColor(), clRed);
    // A change in the controller reaches its listeners' fonts.
    font.SetName("Arial");
    outer->NormalStyle()->SetFont(&font);
    EXPECT_EQ(inner->NormalStyle()->GetFont()->GetName(), "Arial");
    EXPECT_EQ(style->GetFont()->GetName(), "Arial");
    String name;
    EXPECT_TRUE(style->GetValueName(svTransparentBorder, name));
    EXPECT_EQ(name, "TransparentBorder");
    EXPECT_FALSE(style->GetValueName(10, name));
    EXPECT_EQ(name, "");
}

TEST_F(qzContainerStylesTest, ACyclicControllerIsRefused) {
    auto* a = new TqzStyleController(Form);
    auto* b = new TqzStyleController(Form);
    b->NormalStyle()->SetStyleController(a);
    a->NormalStyle()->SetStyleController(b);
    EXPECT_EQ(a->NormalStyle()->GetStyleController(), nullptr);
    EXPECT_EQ(b->NormalStyle()->GetStyleController(), a);
    a->NormalStyle()->SetStyleController(a);
    EXPECT_EQ(a->NormalStyle()->GetStyleController(), nullptr);
    // Reading a value still ends.
    EXPECT_EQ(b->NormalStyle()->GetBorderColor(), clWindowFrame);
}

TEST_F(qzContainerStylesTest, ChangesInsideOneUpdateNotifyOnce) {
    TNoticeCounter counter;
    TqzContainerStyles styles(nullptr, nullptr);
    styles.SetChangeHandler(MakeEvent(&counter, &TNoticeCounter::StyleChanged));
    TqzContainerStyle* style = styles.NormalStyle();
    style->BeginUpdate();
    style->SetColor(clRed);
    style->SetColor(clBlue);
    EXPECT_EQ(counter.Notices.size(), 0u);
    style->EndUpdate();
    EXPECT_EQ(counter.Notices.size(), 1u);
    // Setting the value it already has is no change; an unbalanced EndUpdate notifies nothing.
    style->SetColor(clBlue);
    style->EndUpdate();
    EXPECT_EQ(counter.Notices.size(), 1u);
    style->SetColor(clRed);
    EXPECT_EQ(counter.Notices.size(), 2u);
}

TEST_F(qzContainerStylesTest, DestroyingASharedControllerNotifiesEachListenerOnceAndFallsBack) {
    auto* def = new TqzStyleController(Form);
    def->NormalStyle()->SetBorderColor(clMaroon);
    SetDefaultStyleController(def);
    auto* shared = new TqzStyleController(Form);
    shared->NormalStyle()->SetBorderColor(clNavy);
    TNoticeCounter counter;
    auto* first = MakeContainer();
    auto* second = MakeContainer();
    for (TqzContainer* c : {first, second}) {
        c->GetStyle()->SetStyleController(shared);
        c->GetStyles()->SetChangeHandler(MakeEvent(&counter, &TNoticeCounter::StyleChanged));
        EXPECT_EQ(c->GetStyle()->GetBorderColor(), clNavy);
    }
    delete shared;
    for (TqzContainer* c : {first, second}) {
        EXPECT_EQ(counter.CountOf(c->GetStyle()), 1);
        EXPECT_EQ(c->GetStyle()->GetStyleController(), nullptr);
        EXPECT_EQ(c->GetStyle()->GetEffectiveController(), def);
        EXPECT_EQ(c->GetStyle()->GetBorderColor(), clMaroon);
    }
    // The default controller going leaves the slot empty and the styles on the defaults.
    delete def;
    EXPECT_EQ(GetDefaultStyleController(), nullptr);
    EXPECT_EQ(first->GetStyle()->GetEffectiveController(), nullptr);
    EXPECT_EQ(first->GetStyle()->GetBorderColor(), clWindowFrame);
}

TEST_F(qzContainerStylesTest, DefaultControllerSlotServesStylesMadeWhileItIsFilled) {
    auto* empty = MakeContainer();
    EXPECT_EQ(empty->GetStyle()->GetEffectiveController(), nullptr);
    auto* def = new TqzStyleController(Form);
    def->NormalStyle()->SetShadow(true);
    SetDefaultStyleController(def);
    auto* container = MakeContainer();
    EXPECT_EQ(container->GetStyle()->GetStyleController(), nullptr);
    EXPECT_EQ(container->GetStyle()->GetEffectiveController(), def);
    EXPECT_TRUE(container->GetStyle()->GetShadow());
    EXPECT_EQ(def->GetListeners().size(), 1u);
    // The default controller's own styles do not use it.
    EXPECT_EQ(def->NormalStyle()->GetEffectiveController(), nullptr);
    delete container;
    EXPECT_TRUE(def->GetListeners().empty());
}

TEST_F(qzContainerStylesTest, DirectAccessStyleCarriesOnlyWhatItIsHanded) {
    TqzContainerStyle style(nullptr, csNormal, nullptr, true);
    TNoticeCounter counter;
    style.SetChangeHandler(MakeEvent(&counter, &TNoticeCounter::StyleChanged));
    TFont font;
    font.SetStyle(TFontStyles{fsItalic});
    style.SetFont(&font);
    style.SetColor(clRed);
    style.SetTextColor(clBlue);
    EXPECT_EQ(style.GetFont(), &font);
    EXPECT_EQ(style.GetAssignedValues().Count(), 10u);
    EXPECT_EQ(style.GetBorderColor(), clDefault);
    EXPECT_TRUE(style.GetEdges().empty());
    EXPECT_FALSE(style.GetShadow());
    EXPECT_TRUE(style.GetTransparentBorder());
    EXPECT_EQ(style.GetColor(), clRed);
    EXPECT_EQ(style.GetTextColor(), clBlue);
    EXPECT_EQ(style.GetTextStyle(), TFontStyles{fsItalic});
    EXPECT_TRUE(counter.Notices.empty());
    // Assigned into an ordinary style, the borrowed font's attributes and text colour are copied.
    TqzContainerStyles styles(nullptr, nullptr);
    styles.AssignNormalStyle(&style);
    EXPECT_NE(styles.NormalStyle()->GetFont(), &font);
    EXPECT_EQ(styles.NormalStyle()->GetFont()->GetStyle(), TFontStyles{fsItalic});
    EXPECT_EQ(styles.NormalStyle()->GetFont()->GetColor(), clBlue);
    EXPECT_EQ(styles.NormalStyle()->GetColor(), clRed);
}

TEST_F(qzContainerStylesTest, ScaleFontScalesTheAssignedFontOnce) {
    auto* outer = new TqzStyleController(Form);
    auto* inner = new TqzStyleController(Form);
    inner->NormalStyle()->SetStyleController(outer);
    TFont font;
    font.SetSize(10);
    outer->NormalStyle()->SetFont(&font);
    inner->ScaleFont(3, 2);
    EXPECT_EQ(outer->NormalStyle()->GetFont()->GetSize(), 15);
    outer->ScaleFont(3, 2);
    EXPECT_EQ(outer->NormalStyle()->GetFont()->GetSize(), 15);
}

TEST_F(qzContainerStylesTest, StylesStoreOnlyWhatTheyMayInTheFormStream) {
    RegisterClass(TStyledTestContainer::StaticClass());
    auto* container = new TStyledTestContainer(Form);
    container->SetName("Styled");
    container->SetParent(Form);
    auto* controller = new TqzStyleController(Form);
    controller->SetName("Controller");
    container->GetStyle()->SetBorderColor(clRed);
    container->GetStyle()->SetShadow(true);
    container->GetStyle()->SetStyleController(controller);
    container->GetStyle()->GetLookAndFeel()->SetKind(lfFlat);
    container->GetStyleFocused()->SetColor(clYellow);
    // Shadow assigned on a state style is not the state's to store.
    container->GetStyleFocused()->SetAssignedValues(TqzContainerStyleValues{svColor, svShadow});
    container->GetStyleDisabled()->SetTextColor(clGray);
    container->Hidden = TqzContainerStyleValues{svTextColor};
    const String text = WriteComponentText(Form);
    SCOPED_TRACE(text);
    EXPECT_NE(text.find("Style.BorderColor = clRed"), String::npos);
    EXPECT_NE(text.find("Style.Shadow = True"), String::npos);
    EXPECT_NE(text.find("Style.StyleController = Controller"), String::npos);
    EXPECT_NE(text.find("Style.LookAndFeel.Kind = lfFlat"), String::npos);
    EXPECT_NE(text.find("StyleFocused.Color = clYellow"), String::npos);
    EXPECT_EQ(text.find("StyleFocused.Shadow"), String::npos);
    EXPECT_EQ(text.find("StyleFocused.LookAndFeel"), String::npos);
    EXPECT_EQ(text.find("StyleFocused.StyleController"), String::npos);
    EXPECT_EQ(text.find("StyleFocused.BorderColor"), String::npos);
    // A hidden value is not stored.
    EXPECT_EQ(text.find("StyleDisabled.TextColor"), String::npos);
    // Read back into a fresh form, the values come back.
    TForm* copy = TForm::CreateNew(nullptr);
    ReadComponentText(text, copy);
    auto* read = dynamic_cast<TStyledTestContainer*>(copy->FindComponent("Styled"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetStyle()->GetBorderColor(), clRed);
    EXPECT_TRUE(read->GetStyle()->GetShadow());
    EXPECT_EQ(read->GetStyleFocused()->GetColor(), clYellow);
    EXPECT_EQ(read->GetStyle()->GetStyleController(), copy->FindComponent("Controller"));
    delete copy;
    UnRegisterClass(TStyledTestContainer::StaticClass());
}
