// A data-bound radio group painted as a copy (as a grid paints its rows): the view info draws the
// item glyphs and captions the button windows draw otherwise, from the stored value.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/Theme.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/editors/qzEdit.h"
#include "tests/suite/editors/EditorPictureFixture.h"

namespace {

class TBoundProvider : public TqzCustomEditDefaultValuesProvider {
    KOV_CLASS(TBoundProvider, TqzCustomEditDefaultValuesProvider)
public:
    explicit TBoundProvider(TPersistent* owner) : TqzCustomEditDefaultValuesProvider(owner) {}
    static TqzCustomEditDefaultValuesProvider* Make(TPersistent* owner) { return new TBoundProvider(owner); }
    bool IsDataBound() override { return true; }
};

// A binding whose source holds the value a test puts there.
class TBoundBinding : public TqzEditDataBinding {
    KOV_CLASS(TBoundBinding, TqzEditDataBinding)
public:
    explicit TBoundBinding(TqzCustomEdit* editor) : TqzEditDataBinding(editor) { CreateDefaultValuesProvider(); }
    static TqzEditDataBinding* Make(TqzCustomEdit* editor) { return new TBoundBinding(editor); }
    TqzEditDefaultValuesProviderClass GetDefaultValuesProviderClass() override { return &TBoundProvider::Make; }
    void GetStoredValue(Variant& value) override { value = Stored; }
    Variant Stored;
};

class TBoundRadioGroup : public TqzCustomRadioGroup {
    KOV_CLASS(TBoundRadioGroup, TqzCustomRadioGroup)
public:
    explicit TBoundRadioGroup(TComponent* owner) : TqzCustomRadioGroup(owner, false, true) { InitializeEditor(); }
    TClass GetPropertiesClass() override { return TqzRadioGroupProperties::StaticClass(); }
    TqzEditDataBindingClass GetDataBindingClass() override { return &TBoundBinding::Make; }
    TBoundBinding* Binding() const { return static_cast<TBoundBinding*>(GetDataBinding()); }
};

class RadioGroupCopy : public edittest::EditorPicturesFixture {
protected:
    void SetUp() override {
        edittest::EditorPicturesFixture::SetUp();
        Fake->SetPartSize("Button", 2, -1, TS_TRUE, SIZE{13, 13});
        Other = new TEdit(Form);
        Other->SetParent(Form);
        Other->SetBounds(600, 10, 50, 21);
        Group = new TBoundRadioGroup(Form);
        Group->SetParent(Form);
        Group->SetBounds(200, 150, 240, 100);
        Group->SetCaption("Channels");
        TqzCustomRadioGroupProperties* p = Group->GetActiveRadioProperties();
        p->SetColumns(3);
        for (int n = 0; n < 5; ++n) {
            auto* item = static_cast<TqzRadioGroupItem*>(p->GetItems()->Add());
            item->SetCaption("Ch " + std::to_string(n + 1));
            item->SetValue(Variant(n + 1));
        }
        Form->Show();
        App->ProcessMessages();
        Other->SetFocus();
        App->ProcessMessages();
    }
    void PaintWindow(TBitmap& bitmap) {
        bitmap.SetSize(Group->GetWidth(), Group->GetHeight());
        Group->PaintTo(bitmap.GetCanvas()->GetHandle(), 0, 0);
    }
    void PaintCopy(TBitmap& bitmap) {
        bitmap.SetSize(Group->GetWidth(), Group->GetHeight());
        TControlState state = Group->GetControlState();
        state.Include(csPaintCopy);
        Group->SetControlState(state);
        Group->PaintTo(bitmap.GetCanvas()->GetHandle(), 0, 0);
        state.Exclude(csPaintCopy);
        Group->SetControlState(state);
    }
    static int DifferentPixels(TBitmap& a, TBitmap& b) {
        int n = 0;
        for (int y = 0; y < a.GetHeight(); ++y)
            for (int x = 0; x < a.GetWidth(); ++x)
                if (a.GetCanvas()->GetPixels(x, y) != b.GetCanvas()->GetPixels(x, y)) ++n;
        return n;
    }
    TEdit* Other = nullptr;
    TBoundRadioGroup* Group = nullptr;
};

TEST_F(RadioGroupCopy, TheCopyOfTheStoredValueMatchesTheWindowShowingIt) {
    const char* names[] = {"flat", "standard", "ultra-flat", "Office11", "native"};
    for (int l = 0; l < int(std::size(edittest::kSheetLooks)); ++l) {
        SCOPED_TRACE(names[l]);
        edittest::SetLook(Group, edittest::kSheetLooks[l]);
        for (bool enabled : {true, false}) {
            SCOPED_TRACE(enabled ? "enabled" : "disabled");
            Group->SetEnabled(enabled);
            // The editor shows the second item; the source holds the fourth.
            Group->SetItemIndex(1);
            Group->Binding()->Stored = Variant(4);
            App->ProcessMessages();
            TBitmap copy, window;
            PaintCopy(copy);
            EXPECT_EQ(1, Group->GetItemIndex());
            Group->SetItemIndex(3);
            App->ProcessMessages();
            PaintWindow(window);
            EXPECT_EQ(0, DifferentPixels(copy, window));
            // And the copy did not draw the editor's own value (the fake theme draws every
            // state of a part alike: the native states are checked below).
            if (edittest::kSheetLooks[l].Native) continue;
            Group->SetItemIndex(1);
            App->ProcessMessages();
            PaintWindow(window);
            EXPECT_NE(0, DifferentPixels(copy, window));
        }
    }
}

TEST_F(RadioGroupCopy, AThemedOffice11GroupShowsItsFrameBehindTheItems) {
    struct TCase {
        const char* Name;
        int Look; // index into the sheet looks
        COLORREF Behind;
    };
    const TCase cases[] = {
        {"Office11: the themed frame's fill", 3, Fake->Fill},
        {"standard: the group's colour", 1, COLORREF(ColorToRGB(clBtnFace))},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        edittest::SetLook(Group, edittest::kSheetLooks[c.Look]);
        App->ProcessMessages();
        TBitmap window;
        PaintWindow(window);
        // Right of item 4's caption, inside its button.
        const TRect item = Group->GetRadioViewInfo()->GetItemInfo(4)->Bounds;
        EXPECT_EQ(c.Behind, COLORREF(ColorToRGB(window.GetCanvas()->GetPixels(item.right - 3, (item.top + item.bottom) / 2))));
    }
}

TEST_F(RadioGroupCopy, NativeItemGlyphsAreTheThemesRadioPartInTheItemsState) {
    edittest::SetLook(Group, edittest::kSheetLooks[4]);
    struct TCase {
        bool Enabled;
        Variant Stored;
        std::vector<int> States; // items 0..4
    };
    const TCase cases[] = {
        {true, Variant(2), {1, 5, 1, 1, 1}},
        {true, Variant(9), {1, 1, 1, 1, 1}}, // no item has the value
        {false, Variant(5), {4, 4, 4, 4, 8}},
    };
    for (const TCase& c : cases) {
        Group->SetEnabled(c.Enabled);
        Group->Binding()->Stored = c.Stored;
        App->ProcessMessages();
        Fake->Calls.clear();
        TBitmap copy;
        PaintCopy(copy);
        // The view info's five, then the button windows' (clipped away: the copy covers them).
        std::vector<int> states;
        for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground"))
            if (call.Part == 2 && states.size() < 5) states.push_back(call.State);
        EXPECT_EQ(c.States, states);
    }
    // The part is drawn at the item's left edge, centred in its height, 13 x 13.
    Group->SetEnabled(true);
    Fake->Calls.clear();
    TBitmap copy;
    PaintCopy(copy);
    const TRect item = Group->GetRadioViewInfo()->GetItemInfo(0)->Bounds;
    std::vector<TThemeCall> parts;
    for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground"))
        if (call.Part == 2) parts.push_back(call);
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(item.left, parts[0].Rect.left);
    EXPECT_EQ(item.top + (item.bottom - item.top - 13) / 2, parts[0].Rect.top);
    EXPECT_EQ(13, parts[0].Rect.right - parts[0].Rect.left);
}

} // namespace
