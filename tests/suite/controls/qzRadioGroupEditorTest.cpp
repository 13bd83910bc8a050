// The suite's radio group editor and the group box it builds on: values and item indexes, the
// item layout in columns, keys, clicks, loading, and the captioned frame.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/editors/qzEditUtils.h"
#include "tests/support/FormFixture.h"

// A radio group that counts its clicks and change events, for a stored definition (handlers
// cannot be given there).
class TCountingRadioGroup : public TqzRadioGroup {
    KOV_CLASS(TCountingRadioGroup, TqzRadioGroup)
public:
    explicit TCountingRadioGroup(TComponent* owner) : TqzRadioGroup(owner) {
        OnClick = MakeEvent(this, &TCountingRadioGroup::Clicked);
        GetProperties()->OnChange = MakeEvent(this, &TCountingRadioGroup::Changed);
    }
    void Clicked(TObject*) { ++Clicks; }
    void Changed(TObject*) { ++Changes; }
    static inline int Clicks = 0;
    static inline int Changes = 0;
};

KOV_PUBLISHED(TCountingRadioGroup) {}

namespace {

const bool kCountingRegistered = [] {
    RegisterClasses({TCountingRadioGroup::StaticClass()});
    return true;
}();

std::string R(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TPoint Centre(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// The items' states as digits (disabled 0, normal 1, pressed 2, hot 3).
std::string ItemStates(const TqzCustomRadioGroupViewInfo* info) {
    std::string s;
    for (Integer i = 0; i < info->GetButtonCount(); ++i) s += char('0' + info->GetButtonInfo(i)->Data.State);
    return s;
}

// A fresh view info of the group's class and a small canvas to calculate it on.
struct TStateProbe {
    explicit TStateProbe(TqzCustomEdit* group)
        : Made(group->GetPropertiesInUse()->GetViewInfoClass()()),
          Info(static_cast<TqzCustomRadioGroupViewInfo*>(Made.get())),
          Bitmap(Sized()),
          Canvas(Bitmap->GetCanvas()) {}
    static std::unique_ptr<TBitmap> Sized() {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(10, 10);
        return bitmap;
    }
    std::unique_ptr<TqzContainerViewInfo> Made;
    TqzCustomRadioGroupViewInfo* Info;
    std::unique_ptr<TBitmap> Bitmap;
    TqzCanvas Canvas;
};

struct EventLog : TObject {
    void Click(TObject*) { ++Clicks; }
    void Change(TObject*) { ++Changes; }
    void Editing(TObject*, bool& allow) { allow = Allow; }
    int Clicks = 0;
    int Changes = 0;
    bool Allow = true;
};

class RadioGroup : public testsupport::TFormFixture {
protected:
    void TearDown() override {
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        testsupport::TFormFixture::TearDown();
    }
    TqzRadioGroup* MakeGroup(const std::vector<Variant>& values, Integer columns = 1) {
        auto* group = new TqzRadioGroup(Form);
        group->SetParent(Form);
        group->SetBounds(10, 10, 240, 120);
        group->SetCaption("Group");
        TqzRadioGroupProperties* p = group->GetProperties();
        p->SetColumns(columns);
        int n = 0;
        for (const Variant& v : values) {
            auto* item = static_cast<TqzRadioGroupItem*>(p->GetItems()->Add());
            item->SetCaption("Item" + std::to_string(n++));
            item->SetValue(v);
        }
        group->OnClick = MakeEvent(&Log, &EventLog::Click);
        p->OnChange = MakeEvent(&Log, &EventLog::Change);
        Form->Show();
        App->ProcessMessages();
        return group;
    }
    static std::vector<Variant> Values(int n) {
        std::vector<Variant> v;
        for (int i = 1; i <= n; ++i) v.push_back(Variant(i));
        return v;
    }
    void Key(TWinControl* control, Word key) {
        SendMessageA(control->GetHandle(), WM_KEYDOWN, key, 0);
        SendMessageA(control->GetHandle(), WM_KEYUP, key, 0);
        App->ProcessMessages();
    }
    void ClickAt(TWinControl* control) {
        const LPARAM at = MAKELPARAM(5, control->GetHeight() / 2);
        SendMessageA(control->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(control->GetHandle(), WM_LBUTTONUP, 0, at);
        App->ProcessMessages();
    }
    EventLog Log;
};

// ---- Values and indexes ------------------------------------------------------------------------------

TEST_F(RadioGroup, EditValuesAndItemIndexes) {
    struct Case {
        const char* Name;
        bool SetIndex;
        Variant Value;
        Integer Index;
        Integer ReadIndex;
        Variant ReadValue;
    };
    const Case cases[] = {
        {"value 2", false, Variant(2), 0, 1, Variant(2)},
        {"value 5", false, Variant(5), 0, -1, Variant(5)},
        {"index 7", true, Variant(), 7, 2, Variant(3)},
        {"index -5", true, Variant(), -5, -1, Variant("none")},
        {"index 0", true, Variant(), 0, 0, Variant(1)},
    };
    TqzRadioGroup* group = MakeGroup(Values(3));
    group->GetProperties()->SetDefaultValue(Variant("none"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.SetIndex)
            group->SetItemIndex(c.Index);
        else
            group->SetEditValue(c.Value);
        EXPECT_EQ(c.ReadIndex, group->GetItemIndex());
        EXPECT_EQ(VarToStr(c.ReadValue), VarToStr(group->GetEditValue()));
        for (Integer i = 0; i < group->GetButtonCount(); ++i)
            EXPECT_EQ(i == c.ReadIndex, group->GetRadioButton(i)->GetChecked()) << i;
    }
    EXPECT_EQ(WideString(), group->GetProperties()->GetDisplayTextWide(Variant(9)));
    EXPECT_EQ(StringToWide("Item1"), group->GetProperties()->GetDisplayTextWide(Variant(2)));
}

TEST_F(RadioGroup, TheFirstMatchingItemWinsAndCaptionsMatchExactly) {
    TqzRadioGroup* group = MakeGroup({Variant(7), Variant(7), Null()});
    group->SetEditValue(Variant(7));
    EXPECT_EQ(0, group->GetItemIndex());
    group->GetProperties()->GetRadioItems()->GetItem(0)->SetCaption("Alpha");
    group->GetProperties()->GetRadioItems()->GetItem(0)->SetValue(Null());
    group->SetEditValue(Variant("alpha"));
    EXPECT_EQ(-1, group->GetItemIndex());
    group->SetEditValue(Variant("Alpha"));
    EXPECT_EQ(0, group->GetItemIndex());
    // An item without a value gives its caption.
    group->SetItemIndex(2);
    EXPECT_EQ("Item2", VarToStr(group->GetEditValue()));
}

TEST_F(RadioGroup, ColumnsAboveTheItemCountGiveOneColumnPerItem) {
    TqzRadioGroup* group = MakeGroup(Values(2), 5);
    TqzCustomRadioGroupViewInfo* info = group->GetRadioViewInfo();
    ASSERT_EQ(2, info->GetButtonCount());
    EXPECT_EQ(2, group->GetProperties()->GetColumnCount());
    EXPECT_EQ(info->GetButtonInfo(0)->Bounds.top, info->GetButtonInfo(1)->Bounds.top);
    EXPECT_LT(info->GetButtonInfo(0)->Bounds.right, info->GetButtonInfo(1)->Bounds.right);
}

TEST_F(RadioGroup, AStoredItemIndexIsAppliedAfterLoadingWithoutEvents) {
    const char* const definition = R"(object GroupForm: TForm
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  object rgChannels: TCountingRadioGroup
    Left = 10
    Top = 10
    ItemIndex = 1
    Properties.Items = <
      item
        Caption = 'One'
        Value = 1
      end
      item
        Caption = 'Two'
        Value = 2
      end>
  end
end
)";
    TCountingRadioGroup::Clicks = 0;
    TCountingRadioGroup::Changes = 0;
    std::unique_ptr<TForm> form(TForm::CreateNew(nullptr));
    ReadComponentText(definition, form.get(), "GroupForm");
    auto* group = dynamic_cast<TCountingRadioGroup*>(form->FindComponent("rgChannels"));
    ASSERT_NE(nullptr, group);
    EXPECT_EQ(2, group->GetButtonCount());
    EXPECT_EQ(1, group->GetItemIndex());
    EXPECT_TRUE(group->GetRadioButton(1)->GetChecked());
    EXPECT_EQ(0, TCountingRadioGroup::Clicks);
    EXPECT_EQ(0, TCountingRadioGroup::Changes);
}

// ---- The user's clicks and keys ------------------------------------------------------------------------

TEST_F(RadioGroup, AClickChecksUnlessReadOnlyOrRefused) {
    struct Case {
        const char* Name;
        bool ReadOnly;
        bool Allow;
        Integer Index;
    };
    for (const Case& c : {Case{"free", false, true, 1}, Case{"read-only", true, true, 0},
                          Case{"refused", false, false, 0}}) {
        SCOPED_TRACE(c.Name);
        TqzRadioGroup* group = MakeGroup(Values(3));
        group->SetItemIndex(0);
        group->GetProperties()->SetReadOnly(c.ReadOnly);
        Log.Allow = c.Allow;
        group->OnEditing = MakeEvent(&Log, &EventLog::Editing);
        ClickAt(group->GetButton(1));
        EXPECT_EQ(c.Index, group->GetItemIndex());
        delete group;
    }
}

TEST_F(RadioGroup, ArrowKeysMoveTheCheckWithOneClickEach) {
    TqzRadioGroup* group = MakeGroup(Values(3));
    group->SetItemIndex(0);
    group->GetButton(0)->SetFocus();
    App->ProcessMessages();
    Log.Clicks = 0;
    Log.Changes = 0;
    Key(group->GetButton(0), VK_DOWN);
    EXPECT_EQ(1, group->GetItemIndex());
    EXPECT_TRUE(group->GetButton(1)->Focused());
    EXPECT_EQ(1, Log.Clicks);
    Key(group->GetButton(1), VK_DOWN);
    EXPECT_EQ(2, group->GetItemIndex());
    EXPECT_EQ(2, Log.Clicks);
    EXPECT_EQ(2, Log.Changes);
    EXPECT_TRUE(group->GetModified());
}

TEST_F(RadioGroup, ImmediatePostPostsTheMove) {
    // In place (a grid cell) the posting shows as OnPostEditValue.
    for (bool immediate : {false, true}) {
        SCOPED_TRACE(immediate);
        auto* group = new TqzRadioGroup(Form, true);
        group->SetParent(Form);
        group->SetBounds(10, 10, 150, 80);
        for (int i = 0; i < 3; ++i) group->GetProperties()->GetItems()->Add();
        group->GetProperties()->ImmediatePost = immediate;
        int posts = 0;
        struct Counter : TObject {
            int* Posts;
            void Post(TObject*) { ++*Posts; }
        } counter;
        counter.Posts = &posts;
        group->OnPostEditValue = MakeEvent(&counter, &Counter::Post);
        Form->Show();
        App->ProcessMessages();
        group->SetItemIndex(0);
        group->GetButton(0)->SetFocus();
        App->ProcessMessages();
        Key(group->GetButton(0), VK_DOWN);
        EXPECT_EQ(1, group->GetItemIndex());
        EXPECT_EQ(immediate ? 1 : 0, posts);
        delete group;
    }
}

TEST_F(RadioGroup, ThePrivateMessageFocusesAnItem) {
    TqzRadioGroup* group = MakeGroup(Values(3));
    SendMessageA(group->GetHandle(), QZM_FOCUSRADIOITEM, 2, 0);
    App->ProcessMessages();
    EXPECT_TRUE(group->GetButton(2)->Focused());
    SendMessageA(group->GetHandle(), QZM_FOCUSRADIOITEM, 9, 0);
    App->ProcessMessages();
    EXPECT_TRUE(group->GetButton(2)->Focused());
}

TEST_F(RadioGroup, TheRegistryKnowsTheRadioGroup) {
    TqzRadioGroup* group = MakeGroup(Values(1));
    EXPECT_EQ(0x88F | 0x20 | 0x1010, group->GetProperties()->GetSupportedOperations());
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    bool found = false;
    for (Integer i = 0; i < registry->GetCount(); ++i)
        if (registry->GetItems(i) == TqzRadioGroupProperties::StaticClass())
            found = registry->GetText(i) == "RadioGroup|Represents a group of radio buttons";
    EXPECT_TRUE(found);
}

// ---- The button group: columns, layout, keys, items -----------------------------------------------------

TEST_F(RadioGroup, ColumnCountsOfTheButtonGroup) {
    struct Case {
        Integer Items, Columns, Expected;
    };
    for (const Case& c : {Case{5, 3, 3}, Case{4, 3, 2}, Case{0, 3, 3}, Case{3, 0, 1}, Case{7, 7, 7}, Case{7, 3, 3}}) {
        SCOPED_TRACE(std::to_string(c.Items) + " in " + std::to_string(c.Columns));
        TqzCustomButtonGroupProperties p(nullptr);
        for (Integer i = 0; i < c.Items; ++i) p.GetItems()->Add();
        p.SetColumns(c.Columns);
        EXPECT_EQ(c.Expected, p.GetColumnCount());
    }
}

TEST_F(RadioGroup, FiveItemsInThreeColumnsFillTheColumnsTopDown) {
    TqzRadioGroup* group = MakeGroup(Values(5), 3);
    TqzCustomRadioGroupViewInfo* info = group->GetRadioViewInfo();
    ASSERT_EQ(5, info->GetButtonCount());
    // 240 x 120 with the caption above: the client extent is 2 on three sides and the caption
    // height + 3 on top; column width (240 - 6 - 4) div 3, row height (120 - top - 2) div 2.
    const TRect extent = group->GetCaptionClientExtent();
    const Integer columnWidth = (240 - 6 - extent.left - extent.right) / 3;
    const Integer available = 120 - extent.top - extent.bottom;
    const Integer rowHeight = available / 2;
    const Integer firstRow = extent.top + (available % 2) / 2;
    const Integer columns[] = {0, 0, 1, 1, 2}, rows[] = {0, 1, 0, 1, 0};
    for (Integer i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const Integer left = extent.left + columnWidth * columns[i] + 6;
        const Integer top = firstRow + rowHeight * rows[i];
        EXPECT_EQ(R(TRect{left, top, left + columnWidth, top + rowHeight}), R(info->GetButtonInfo(i)->Bounds));
        TWinControl* button = group->GetButton(i);
        EXPECT_EQ(R(TRect{left, top, left + columnWidth, top + rowHeight}),
                  R(TRect{button->GetLeft(), button->GetTop(), button->GetLeft() + button->GetWidth(),
                          button->GetTop() + button->GetHeight()}));
    }
}

TEST_F(RadioGroup, ArrowKeysMoveAcrossTheColumns) {
    struct Case {
        Integer From;
        Word Key;
        Integer To;
    };
    const Case cases[] = {
        {0, VK_RIGHT, 2}, {2, VK_RIGHT, 4}, {4, VK_RIGHT, 4}, {3, VK_RIGHT, 3}, {0, VK_DOWN, 1},
        {1, VK_DOWN, 1},  {4, VK_DOWN, 4},  {4, VK_LEFT, 2},  {3, VK_UP, 2},    {0, VK_UP, 0},  {1, VK_LEFT, 1},
    };
    TqzRadioGroup* group = MakeGroup(Values(5), 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.From) + " key " + std::to_string(c.Key));
        group->GetButton(c.From)->SetFocus();
        App->ProcessMessages();
        Key(group->GetButton(c.From), c.Key);
        EXPECT_EQ(c.To, group->GetFocusedButtonIndex());
    }
}

TEST_F(RadioGroup, ItemStatesFollowTheMouse) {
    TqzRadioGroup* group = MakeGroup(Values(5), 3);
    std::unique_ptr<TqzCustomEditViewData> data(group->CreateViewData());
    TStateProbe probe(group);
    TqzCustomRadioGroupViewInfo* info = probe.Info;
    TqzCanvas& canvas = probe.Canvas;
    const TRect bounds{0, 0, 240, 120};
    auto states = [&]() { return ItemStates(info); };
    data->Calculate(&canvas, bounds, TPoint{-1, -1}, 0, {}, info, false);
    EXPECT_EQ("11111", states());
    const TPoint onTwo{100, 40};
    data->Calculate(&canvas, bounds, onTwo, 0, {}, info, true);
    EXPECT_EQ("11311", states());
    EXPECT_EQ(2, info->HotButton);
    TShiftState left;
    left.Include(ssLeft);
    data->Calculate(&canvas, bounds, onTwo, 1, left, info, true);
    EXPECT_EQ("11211", states());
    EXPECT_EQ(2, info->PressedButton);
    // Held down while the mouse moves on it: still pressed.
    data->Calculate(&canvas, bounds, TPoint{101, 41}, 0, left, info, true);
    EXPECT_EQ("11211", states());
    data->Enabled = false;
    data->Calculate(&canvas, bounds, onTwo, 0, {}, info, true);
    EXPECT_EQ("00000", states());
}

// A view data whose editor holds one item down whatever the mouse does.
class TForcedRadioViewData : public TqzCustomRadioGroupViewData {
    KOV_CLASS(TForcedRadioViewData, TqzCustomRadioGroupViewData)
public:
    using TqzCustomRadioGroupViewData::TqzCustomRadioGroupViewData;
    bool IsButtonPressed(TqzCustomEditViewInfo*, Integer index) override { return index == Forced; }
    Integer Forced = -1;
};

TEST_F(RadioGroup, AForcedPressedItemIsPressedWhereverTheMouseIs) {
    TqzRadioGroup* group = MakeGroup(Values(5), 3);
    TForcedRadioViewData data(group->GetPropertiesInUse(), group->GetStyle(), false);
    data.Edit = group;
    data.Enabled = true;
    data.Forced = 4;
    TStateProbe probe(group);
    TqzCustomRadioGroupViewInfo* info = probe.Info;
    TqzCanvas& canvas = probe.Canvas;
    const TRect bounds{0, 0, 240, 120};
    auto states = [&]() { return ItemStates(info); };
    struct TCase {
        const char* Name;
        TPoint Point;
        bool Mouse;
        const char* States;
        Integer Hot;
    };
    const TPoint onTwo{100, 40};
    const TPoint onFour = Centre(group->GetRadioViewInfo()->GetItemInfo(4)->Bounds);
    const TCase cases[] = {
        {"nowhere", TPoint{-1, -1}, false, "11112", -1},
        {"over another item", onTwo, true, "11312", 2},
        {"over it: pressed, not hot", onFour, true, "11112", -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        data.Calculate(&canvas, bounds, c.Point, 0, {}, info, c.Mouse);
        EXPECT_EQ(c.States, states());
        EXPECT_EQ(4, info->PressedButton);
        EXPECT_EQ(c.Hot, info->HotButton);
    }
    // A disabled group shows no item pressed.
    data.Enabled = false;
    data.Calculate(&canvas, bounds, onFour, 0, {}, info, true);
    EXPECT_EQ("00000", states());
}

TEST_F(RadioGroup, AnItemPressedOnTheGroupIsCapturedAndPressedAgainWhenTheMouseComesBack) {
    TqzRadioGroup* group = MakeGroup(Values(5), 3);
    // The group's own window under the buttons: hide them so the group takes the mouse.
    for (TWinControl* button : group->GetButtons()) button->SetVisible(false);
    App->ProcessMessages();
    TqzCustomRadioGroupViewInfo* info = group->GetRadioViewInfo();
    const TPoint two = Centre(info->GetItemInfo(2)->Bounds);
    const TPoint zero = Centre(info->GetItemInfo(0)->Bounds);
    auto states = [&]() { return ItemStates(info); };
    auto send = [&](UINT msg, WPARAM keys, const TPoint& p) {
        SendMessageA(group->GetHandle(), msg, keys, MAKELPARAM(p.x, p.y));
        App->ProcessMessages();
    };
    send(WM_LBUTTONDOWN, MK_LBUTTON, two);
    EXPECT_EQ("11211", states());
    EXPECT_EQ(2, group->GetCapturedButtonIndex());
    // Dragged onto another item the press does not follow; back on its own item it is pressed again.
    send(WM_MOUSEMOVE, MK_LBUTTON, zero);
    EXPECT_EQ("11111", states());
    send(WM_MOUSEMOVE, MK_LBUTTON, two);
    EXPECT_EQ("11211", states());
    send(WM_LBUTTONUP, 0, two);
    EXPECT_EQ(-1, group->GetCapturedButtonIndex());
    EXPECT_EQ("11311", states());
    // Without a capture, coming onto an item with the button held does not press it.
    send(WM_MOUSEMOVE, MK_LBUTTON, zero);
    EXPECT_EQ("11111", states());
}

TEST_F(RadioGroup, DeletingAnItemFreesExactlyItsButton) {
    TqzRadioGroup* group = MakeGroup(Values(5), 3);
    std::vector<TWinControl*> before = group->GetButtons();
    delete group->GetProperties()->GetItems()->GetItems(1);
    std::vector<TWinControl*> expected = before;
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(expected, group->GetButtons());
    EXPECT_EQ("Item2", group->GetRadioButton(1)->GetCaption());
    group->GetProperties()->GetItems()->Add();
    EXPECT_EQ(5, group->GetButtonCount());
    EXPECT_EQ(expected[3], group->GetButton(3));
}

TEST_F(RadioGroup, TheAcceleratorFocusesTheFirstChild) {
    auto* box = new TqzCustomGroupBox(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 200, 100);
    box->SetCaption("&Group");
    auto* edit = new TEdit(Form);
    edit->SetParent(box);
    edit->SetBounds(10, 30, 100, 21);
    auto* other = new TEdit(Form);
    other->SetParent(Form);
    other->SetBounds(10, 200, 100, 21);
    Form->Show();
    App->ProcessMessages();
    other->SetFocus();
    SendMessageA(box->GetHandle(), CM_DIALOGCHAR, 'g', 0);
    App->ProcessMessages();
    EXPECT_TRUE(edit->Focused());
    EXPECT_FALSE(box->IsSelectingFirst());
    // The radio group's first child is its first button.
    TqzRadioGroup* group = MakeGroup(Values(3));
    group->SetBounds(220, 10, 150, 100);
    group->SetCaption("&Radio");
    other->SetFocus();
    SendMessageA(group->GetHandle(), CM_DIALOGCHAR, 'r', 0);
    App->ProcessMessages();
    EXPECT_EQ(0, group->GetFocusedButtonIndex());
}

// ---- The group box's caption and frame --------------------------------------------------------------

class GroupBox : public testsupport::TFormFixture {
protected:
    TqzCustomGroupBox* MakeBox(const String& caption, TqzCaptionAlignment alignment, bool shadow = false) {
        auto* box = new TqzCustomGroupBox(Form);
        box->SetParent(Form);
        box->SetBounds(10, 10, 200, 100);
        box->SetCaption(caption);
        box->SetAlignment(alignment);
        box->GetStyle()->SetShadow(shadow);
        Form->SetColor(clFuchsia);
        Form->Show();
        App->ProcessMessages();
        box->UpdateViewAtCursor();
        return box;
    }
    TqzGroupBoxViewInfo* Info(TqzCustomGroupBox* box) {
        box->UpdateViewAtCursor();
        return static_cast<TqzGroupBoxViewInfo*>(box->GetViewInfo());
    }
    void Paint(TqzCustomGroupBox* box) {
        Picture.SetSize(box->GetWidth(), box->GetHeight());
        TqzCanvas canvas(Picture.GetCanvas());
        Info(box)->Draw(&canvas);
    }
    COLORREF At(int x, int y) { return ColorToRGB(Picture.GetCanvas()->GetPixels(x, y)); }
    TBitmap Picture;
};

TEST_F(GroupBox, CaptionRectanglesOfTheThirteenPositions) {
    // w and h: the caption's extent; W 200, H 100; s the shadow width.
    TqzCustomGroupBox* probe = MakeBox("Caption", alTopLeft);
    const TRect top = Info(probe)->CaptionRect;
    const Integer w = top.right - top.left, h = top.bottom - top.top;
    ASSERT_GT(w, 0);
    delete probe;
    struct Expect {
        TqzCaptionAlignment Alignment;
        std::function<TRect(Integer s)> Rect;
    };
    const Integer W = 200, H = 100;
    const Expect cases[] = {
        {alTopLeft, [&](Integer) { return TRect{8, 0, 8 + w, h}; }},
        {alTopCenter, [&](Integer s) { return TRect{(W - s - w) / 2, 0, (W - s - w) / 2 + w, h}; }},
        {alTopRight, [&](Integer s) { return TRect{W - 8 - s - w, 0, W - 8 - s, h}; }},
        {alBottomLeft, [&](Integer) { return TRect{8, H - h - 2, 8 + w, H - 2}; }},
        {alBottomCenter, [&](Integer s) { return TRect{(W - s - w) / 2, H - h - 2, (W - s - w) / 2 + w, H - 2}; }},
        {alBottomRight, [&](Integer s) { return TRect{W - 8 - s - w, H - h - 2, W - 8 - s, H - 2}; }},
        {alLeftTop, [&](Integer) { return TRect{-1, 8, h - 1, 8 + w}; }},
        {alLeftCenter,
         [&](Integer s) {
             const Integer bottom = (H - s) - (H - s - w) / 2;
             return TRect{-1, bottom - w, h - 1, bottom};
         }},
        {alLeftBottom, [&](Integer s) { return TRect{-1, H - s - 8 - w, h - 1, H - s - 8}; }},
        {alRightTop, [&](Integer) { return TRect{W - h + 1, 8, W + 1, 8 + w}; }},
        {alRightCenter, [&](Integer) { return TRect{W - h + 1, (H - w) / 2, W + 1, (H - w) / 2 + w}; }},
        {alRightBottom, [&](Integer) { return TRect{W - h + 1, H - 8 - w, W + 1, H - 8}; }},
        {alCenterCenter,
         [&](Integer s) { return TRect{(W - s - w) / 2, (H - s - h) / 2, (W - s - w) / 2 + w, (H - s - h) / 2 + h}; }},
    };
    for (bool shadow : {false, true}) {
        for (const Expect& c : cases) {
            SCOPED_TRACE(std::to_string(int(c.Alignment)) + (shadow ? " shadow" : ""));
            TqzCustomGroupBox* box = MakeBox("Caption", c.Alignment, shadow);
            EXPECT_EQ(R(c.Rect(shadow ? 3 : 0)), R(Info(box)->CaptionRect));
            // The client area leaves the caption side h + 3 (Qq) thick; the centre keeps the
            // editor's border.
            const TRect extent = box->GetCaptionClientExtent();
            const Integer qq = GetScreenCanvas()->MeasureFontHeight(box->GetCaptionFont()) + 3;
            const Integer side = IsTopCaption(c.Alignment)      ? extent.top
                                 : IsBottomCaption(c.Alignment) ? extent.bottom
                                 : IsLeftCaption(c.Alignment)   ? extent.left
                                 : IsRightCaption(c.Alignment)  ? extent.right
                                                                : qq;
            EXPECT_EQ(qq, side);
            delete box;
        }
    }
}

TEST_F(GroupBox, AVerticalCaptionDropsItsAccelerator) {
    TqzCustomGroupBox* box = MakeBox("&Group", alTopLeft);
    EXPECT_EQ("&Group", box->GetCaptionText());
    box->SetAlignment(alLeftCenter);
    EXPECT_EQ("Group", box->GetCaptionText());
    box->SetAlignment(alRightTop);
    EXPECT_EQ("Group", box->GetCaptionText());
}

TEST_F(GroupBox, FramesOfTheBorderStyles) {
    // Probes on the left edge half way down (x 0 and 1) and on the bottom edge (y H-1, H-2),
    // away from the caption.
    struct Case {
        const char* Name;
        TqzEditBorderStyle Style;
        bool Ctl3D;
        TColor Left0, Left1, Bottom1, Bottom2;
    };
    const TColor bg = clBtnFace, border = clRed;
    const Case cases[] = {
        {"single", ebsSingle, true, border, bg, border, bg},
        {"thick", ebsThick, true, border, border, border, border},
        {"flat", ebsFlat, true, clBtnShadow, clBtnHighlight, clBtnShadow, clBtnHighlight},
        {"3D", ebs3D, true, clBtnShadow, clBtnHighlight, clBtnHighlight, clBtnShadow},
        {"3D without Ctl3D", ebs3D, false, clWindowFrame, bg, clWindowFrame, bg},
        {"none", ebsNone, true, bg, bg, bg, bg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzCustomGroupBox* box = MakeBox("Group", alTopLeft);
        box->GetStyle()->SetEditBorderStyle(c.Style);
        box->GetStyle()->SetBorderColor(border);
        box->GetStyle()->SetColor(bg);
        box->SetCtl3D(c.Ctl3D);
        Paint(box);
        EXPECT_EQ(ColorToRGB(c.Left0), At(0, 50));
        EXPECT_EQ(ColorToRGB(c.Left1), At(1, 50));
        EXPECT_EQ(ColorToRGB(c.Bottom1), At(100, 99));
        EXPECT_EQ(ColorToRGB(c.Bottom2), At(100, 98));
        EXPECT_EQ(ColorToRGB(bg), At(100, 50));
        delete box;
    }
}

TEST_F(GroupBox, TheShadowAndItsNotch) {
    TqzCustomGroupBox* box = MakeBox("Group", alTopLeft, true);
    box->GetStyle()->SetEditBorderStyle(ebsNone);
    box->GetStyle()->SetColor(clBtnFace);
    Paint(box);
    // Three pixels of shadow right and below; the notch beside the top in the parent's colour.
    EXPECT_EQ(ColorToRGB(clBtnShadow), At(198, 50));
    EXPECT_EQ(ColorToRGB(clBtnShadow), At(100, 98));
    EXPECT_EQ(ColorToRGB(clFuchsia), At(198, 4));
    EXPECT_EQ(ColorToRGB(clBtnFace), At(100, 50));
}

TEST_F(GroupBox, EmptyAndCentredCaptionsDrawNoBand) {
    struct Case {
        const char* Name;
        String Caption;
        TqzCaptionAlignment Alignment;
        bool Band;
    };
    for (const Case& c : {Case{"caption", "Group", alTopLeft, true}, Case{"empty", "", alTopLeft, false},
                          Case{"centre", "Group", alCenterCenter, false}}) {
        SCOPED_TRACE(c.Name);
        TqzCustomGroupBox* box = MakeBox(c.Caption, c.Alignment);
        box->GetStyle()->SetEditBorderStyle(ebsSingle);
        box->GetStyle()->SetBorderColor(clRed);
        Paint(box);
        // Along the frame's top line: unbroken unless the caption interrupts it.
        const COLORREF background = ColorToRGB(clFuchsia);
        int frameTop = -1;
        for (int y = 0; y < 20 && frameTop < 0; ++y)
            if (At(1, y) != background) frameTop = y;
        ASSERT_GE(frameTop, 0);
        EXPECT_EQ(ColorToRGB(clRed), At(1, frameTop));
        bool unbroken = true;
        for (int x = 8; x < 40; ++x) unbroken = unbroken && At(x, frameTop) == At(1, frameTop);
        EXPECT_EQ(!c.Band, unbroken);
        delete box;
    }
}

} // namespace
