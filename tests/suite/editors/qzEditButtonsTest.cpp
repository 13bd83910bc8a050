// Edit buttons: their setters and the change each reports through the properties, the one
// default button of a collection, the width and glyph rules, assignment in one update, and the
// button view info's changed region and invalidation.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEdit.h"
#include "tests/support/FormFixture.h"

namespace {

struct ChangeCounter : TObject {
    explicit ChangeCounter(TqzCustomEditProperties* properties) {
        properties->SetOnPropertiesChanged(MakeEvent(this, &ChangeCounter::Changed));
    }
    void Changed(TObject*) { ++Count; }
    int Count = 0;
};

class EditButtons : public ::testing::Test {
protected:
    TqzEditButton* AddButton() { return static_cast<TqzEditButton*>(Properties.GetButtons()->Add()); }
    // The notifications one call gives.
    int ChangesOf(const std::function<void()>& call) {
        const int before = Counter.Count;
        call();
        return Counter.Count - before;
    }

    TqzCustomEditProperties Properties{nullptr};
    ChangeCounter Counter{&Properties};
};

TEST_F(EditButtons, EverySetterReportsOneChangeAndNoneWhenTheValueStays) {
    TqzEditButton* button = AddButton();
    EXPECT_EQ(bkDown, button->GetKind());
    EXPECT_TRUE(button->GetEnabled());
    EXPECT_TRUE(button->GetVisible());
    EXPECT_TRUE(button->GetStretchable());
    EXPECT_FALSE(button->GetDefault()); // not designing
    EXPECT_EQ(clBtnText, button->GetTextColor());

    const struct {
        const char* Name;
        std::function<void()> Change;
        std::function<void()> Again;
    } cases[] = {
        {"Caption", [&] { button->SetCaption("&Open"); }, [&] { button->SetCaption("&Open"); }},
        {"Enabled", [&] { button->SetEnabled(false); }, [&] { button->SetEnabled(false); }},
        {"Kind", [&] { button->SetKind(bkEllipsis); }, [&] { button->SetKind(bkEllipsis); }},
        {"LeftAlignment", [&] { button->SetLeftAlignment(true); }, [&] { button->SetLeftAlignment(true); }},
        {"Stretchable", [&] { button->SetStretchable(false); }, [&] { button->SetStretchable(false); }},
        {"TextColor", [&] { button->SetTextColor(clRed); }, [&] { button->SetTextColor(clRed); }},
        {"Visible", [&] { button->SetVisible(false); }, [&] { button->SetVisible(false); }},
        {"Width", [&] { button->SetWidth(24); }, [&] { button->SetWidth(24); }},
        {"Default", [&] { button->SetDefault(true); }, [&] { button->SetDefault(true); }},
        {"Glyph", [&] { button->GetGlyph()->SetSize(16, 16); }, [&] {}},
        {"Glyph nil", [&] { button->SetGlyph(nullptr); }, [&] {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(1, ChangesOf(c.Change)) << c.Name;
        EXPECT_EQ(0, ChangesOf(c.Again)) << c.Name;
    }
    EXPECT_EQ("Open", button->GetVisibleCaption());
    EXPECT_EQ(0, Properties.GetButtons()->GetVisibleCount());
}

TEST_F(EditButtons, VisibleCaptionDropsAcceleratorPrefixes) {
    TqzEditButton* button = AddButton();
    const struct {
        const char* Caption;
        const char* Visible;
    } cases[] = {
        {"&Open", "Open"}, {"Save && Close", "Save & Close"}, {"Go&", "Go_"}, {"a&b&c", "abc"}, {"", ""}};
    for (const auto& c : cases) {
        button->SetCaption(c.Caption);
        EXPECT_EQ(c.Visible, button->GetVisibleCaption()) << c.Caption;
    }
}

TEST_F(EditButtons, OnlyOneButtonIsTheDefaultAndSettingItIsOneChange) {
    TqzEditButton* first = AddButton();
    TqzEditButton* second = AddButton();
    TqzEditButton* third = AddButton();
    EXPECT_EQ(1, ChangesOf([&] { first->SetDefault(true); }));
    EXPECT_EQ(1, ChangesOf([&] { third->SetDefault(true); }));
    EXPECT_FALSE(first->GetDefault());
    EXPECT_FALSE(second->GetDefault());
    EXPECT_TRUE(third->GetDefault());
    EXPECT_EQ(1, ChangesOf([&] { third->SetDefault(false); }));
    EXPECT_FALSE(third->GetDefault());

    // A button outside any collection just takes the value.
    TqzEditButton loose(nullptr);
    loose.SetDefault(true);
    EXPECT_TRUE(loose.GetDefault());
}

TEST_F(EditButtons, TheFirstButtonAddedWhileDesigningIsTheDefault) {
    TComponent designer(nullptr);
    designer.IncludeComponentState(csDesigning);
    TqzEditRepositoryItem* item = new TqzEditRepositoryItem(&designer);
    item->IncludeComponentState(csDesigning);
    TqzEditButtons* buttons = item->GetProperties()->GetButtons();
    auto* first = static_cast<TqzEditButton*>(buttons->Add());
    auto* second = static_cast<TqzEditButton*>(buttons->Add());
    EXPECT_TRUE(first->GetDefault());
    EXPECT_FALSE(second->GetDefault());

    item->IncludeComponentState(csLoading);
    buttons->Clear();
    EXPECT_FALSE(static_cast<TqzEditButton*>(buttons->Add())->GetDefault());
}

TEST_F(EditButtons, AWidthOnceNegativeStaysAndAGlyphIsCopiedOrFreed) {
    TqzEditButton* button = AddButton();
    button->SetWidth(20);
    EXPECT_EQ(20, button->GetWidth());
    button->SetWidth(-1);
    EXPECT_EQ(-1, button->GetWidth());
    EXPECT_EQ(0, ChangesOf([&] { button->SetWidth(30); }));
    EXPECT_EQ(-1, button->GetWidth());

    EXPECT_FALSE(button->HasGlyph());
    EXPECT_FALSE(button->IsGlyphStored());
    TBitmap picture;
    picture.SetSize(12, 10);
    button->SetGlyph(&picture);
    ASSERT_TRUE(button->HasGlyph());
    EXPECT_NE(&picture, button->GetGlyph());
    EXPECT_EQ(12, button->GetGlyph()->GetWidth());
    EXPECT_TRUE(button->IsGlyphStored());
    EXPECT_EQ(1, ChangesOf([&] { button->SetGlyph(nullptr); }));
    EXPECT_FALSE(button->HasGlyph());
}

TEST_F(EditButtons, AssignCopiesEverythingInOneUpdate) {
    TqzEditButton* target = AddButton();
    TqzEditButton* other = AddButton();
    TqzCustomEditProperties sourceProperties(nullptr);
    auto* source = static_cast<TqzEditButton*>(sourceProperties.GetButtons()->Add());
    source->SetCaption("&Pick");
    source->SetDefault(true);
    source->SetEnabled(false);
    source->GetGlyph()->SetSize(8, 8);
    source->SetKind(bkGlyph);
    source->SetLeftAlignment(true);
    source->SetStretchable(false);
    source->SetTextColor(clBlue);
    source->SetVisible(false);
    source->SetWidth(33);
    other->SetDefault(true);

    EXPECT_EQ(1, ChangesOf([&] { target->Assign(source); }));
    EXPECT_EQ("&Pick", target->GetCaption());
    EXPECT_EQ("Pick", target->GetVisibleCaption());
    EXPECT_TRUE(target->GetDefault());
    EXPECT_FALSE(target->GetEnabled());
    ASSERT_TRUE(target->HasGlyph());
    EXPECT_EQ(8, target->GetGlyph()->GetWidth());
    EXPECT_EQ(bkGlyph, target->GetKind());
    EXPECT_TRUE(target->GetLeftAlignment());
    EXPECT_FALSE(target->GetStretchable());
    EXPECT_EQ(clBlue, target->GetTextColor());
    EXPECT_FALSE(target->GetVisible());
    EXPECT_EQ(33, target->GetWidth());
}

class ButtonViewInfo : public testsupport::TFormFixture {};

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST_F(ButtonViewInfo, ChangedRegionAndInvalidationFollowStateEdgeColourAndThemeState) {
    TqzEditButtonViewInfo old, now;
    old.Bounds = now.Bounds = TRect{10, 2, 27, 19};
    now.EraseBackground = true;
    old.Data.State = now.Data.State = qzebsNormal;
    // Changes elsewhere do not count.
    now.Data.Caption = "x";
    now.Width = 40;
    EXPECT_TRUE(IsRegionEmpty(now.GetChangedRegion(&old).get()));
    EXPECT_FALSE(now.InvalidateIfChanged(Form, &old, TPoint{100, 50}));

    const struct {
        const char* Name;
        std::function<void(TqzEditButtonViewInfo&)> Change;
    } cases[] = {
        {"state", [](TqzEditButtonViewInfo& v) { v.Data.State = qzebsHot; }},
        {"rightmost", [](TqzEditButtonViewInfo& v) { v.Data.Rightmost = true; }},
        {"background", [](TqzEditButtonViewInfo& v) { v.Data.BackgroundColor = clRed; }},
        {"theme state", [](TqzEditButtonViewInfo& v) { v.Data.NativeState = 2; }},
    };
    Form->Show();
    HWND window = Form->GetHandle();
    for (const auto& c : cases) {
        TqzEditButtonViewInfo changed;
        changed.Assign(&now);
        changed.EraseBackground = true;
        c.Change(changed);
        std::unique_ptr<TqzRegion> region = changed.GetChangedRegion(&now);
        RECT box{};
        GetRgnBox(region->GetHandle(), &box);
        EXPECT_EQ("10,2,27,19", RectText(box)) << c.Name;

        ValidateRect(window, nullptr);
        EXPECT_TRUE(changed.InvalidateIfChanged(Form, &now, TPoint{100, 50})) << c.Name;
        RECT update{};
        EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << c.Name;
        EXPECT_EQ("110,52,127,69", RectText(update)) << c.Name;
    }

    // Assign copies exactly the compared fields.
    TqzEditButtonViewInfo copy;
    copy.Assign(&now);
    EXPECT_TRUE(IsRegionEmpty(copy.GetChangedRegion(&now).get()));
    EXPECT_EQ(RectText(now.Bounds), RectText(copy.Bounds));
    EXPECT_EQ("", copy.Data.Caption);
}

} // namespace
