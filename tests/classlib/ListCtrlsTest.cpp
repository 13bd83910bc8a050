// List boxes on a form: items kept before the window exists and moved into it, selection by
// keys and mouse in single, multiple and extended modes, owner-drawn items measured and drawn,
// virtual lists, and the properties a window definition sets.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinListBox.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class ListCtrlsTest : public testsupport::TFormFixture {
protected:
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
    }
    void Press(TControl* control, int x, int y, bool down) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        WinInputMouseMove(p);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    void ClickAt(TControl* control, int x, int y, std::vector<UINT> held = {}) {
        for (UINT k : held) WinInputKey(k, false, true);
        Press(control, x, y, true);
        Press(control, x, y, false);
        for (UINT k : held) WinInputKey(k, false, false);
        App->ProcessMessages();
    }
    void Key(UINT key, std::vector<UINT> held = {}) {
        for (UINT k : held) WinInputKey(k, false, true);
        WinInputKey(key, false, true);
        App->ProcessMessages();
        WinInputKey(key, false, false);
        for (UINT k : held) WinInputKey(k, false, false);
        App->ProcessMessages();
    }
    TListBox* MakeList(std::initializer_list<const char*> items) {
        auto* list = new TListBox(Form);
        list->SetParent(Form);
        list->SetBounds(10, 10, 150, 200);
        for (const char* item : items) list->GetItems()->Add(item);
        return list;
    }
    std::vector<Integer> Selection(TListBox* list) {
        std::vector<Integer> result;
        for (Integer i = 0; i < list->GetCount(); ++i)
            if (list->GetSelected(i)) result.push_back(i);
        return result;
    }

};

struct TEvents : TObject {
    int Clicks = 0;
    int DblClicks = 0;
    std::vector<Integer> Measured;
    std::vector<std::pair<Integer, TOwnerDrawState>> Drawn;
    void Click(TObject*) { ++Clicks; }
    void DblClick(TObject*) { ++DblClicks; }
    void Measure(TWinControl*, Integer index, Integer& height) {
        Measured.push_back(index);
        height = 20 + 10 * index;
    }
    void Draw(TWinControl* control, Integer index, TRect rect, TOwnerDrawState state) {
        Drawn.emplace_back(index, state);
        auto* list = static_cast<TListBox*>(control);
        list->GetCanvas()->FillRect(rect);
    }
    void Data(TWinControl*, Integer index, String& data) { data = "Row " + std::to_string(index); }
};

} // namespace

TEST_F(ListCtrlsTest, ItemsKeptBeforeTheWindowMoveIntoItWithObjectsAndSelection) {
    auto* list = MakeList({"pear", "apple"});
    TObject marker;
    list->GetItems()->SetObjects(1, &marker);
    list->SetItemIndex(1);
    EXPECT_FALSE(list->HandleAllocated());
    ShowForm();
    ASSERT_TRUE(list->HandleAllocated());
    EXPECT_EQ(SendMessageA(list->GetHandle(), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(list->GetItems()->GetStrings(1), "apple");
    EXPECT_EQ(list->GetItems()->GetObjects(1), &marker);
    EXPECT_EQ(list->GetItemIndex(), 1);

    // Sorting recreates the window: items, objects and selection survive.
    list->SetSorted(true);
    EXPECT_EQ(list->GetItems()->GetText(), "apple\r\npear\r\n");
    EXPECT_EQ(list->GetItems()->GetObjects(0), &marker);
    list->GetItems()->Add("banana");
    EXPECT_EQ(list->GetItems()->IndexOf("BANANA"), 1);
    list->GetItems()->SetStrings(0, "cherry");
    EXPECT_EQ(list->GetItems()->GetText(), "banana\r\ncherry\r\npear\r\n");
    EXPECT_THROW(list->GetItems()->GetStrings(7), EStringListError);
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(ListCtrlsTest, SingleSelectionFollowsKeysAndMouseAndClicks) {
    auto* list = MakeList({"one", "two", "three", "four"});
    TEvents events;
    list->OnClick = TNotifyEvent(&events, &TEvents::Click);
    list->OnDblClick = TNotifyEvent(&events, &TEvents::DblClick);
    ShowForm();
    list->SetFocus();
    const TRect third = list->ItemRect(2);
    ClickAt(list, third.left + 5, third.top + 2);
    EXPECT_EQ(list->GetItemIndex(), 2);
    EXPECT_EQ(events.Clicks, 1);
    Key(VK_DOWN);
    EXPECT_EQ(list->GetItemIndex(), 3);
    Key(VK_HOME);
    EXPECT_EQ(list->GetItemIndex(), 0);
    EXPECT_EQ(events.Clicks, 3);
    EXPECT_EQ(list->GetSelCount(), -1);
    // Setting by code does not click.
    list->SetItemIndex(1);
    EXPECT_EQ(events.Clicks, 3);
    EXPECT_TRUE(list->GetSelected(1));
    EXPECT_EQ(list->ItemAtPos(POINT{5, third.top + 2}, true), 2);
    EXPECT_EQ(list->ItemAtPos(POINT{5, 190}, true), -1);
    EXPECT_EQ(list->ItemAtPos(POINT{5, 190}, false), 4);
}

TEST_F(ListCtrlsTest, MultipleAndExtendedSelectionByKeysAndMouse) {
    struct TCase {
        const char* Name;
        bool Extended;
        std::vector<Integer> AfterClicks;       // click 0, then Ctrl+click 2 (plain click in multiple mode)
        std::vector<Integer> AfterShiftClick;   // then Shift+click 3
    };
    const std::vector<TCase> cases = {
        {"multiple", false, {0, 2}, {0, 2, 3}},
        {"extended", true, {0, 2}, {2, 3}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* list = MakeList({"a", "b", "c", "d", "e"});
        list->SetMultiSelect(true);
        list->SetExtendedSelect(c.Extended);
        ShowForm();
        list->SetFocus();
        const Integer h = list->ItemRect(1).top - list->ItemRect(0).top;
        ClickAt(list, 5, h * 0 + 2);
        ClickAt(list, 5, h * 2 + 2, c.Extended ? std::vector<UINT>{VK_CONTROL} : std::vector<UINT>{});
        EXPECT_EQ(Selection(list), c.AfterClicks);
        EXPECT_EQ(list->GetSelCount(), Integer(c.AfterClicks.size()));
        ClickAt(list, 5, h * 3 + 2, {VK_SHIFT});
        EXPECT_EQ(Selection(list), c.AfterShiftClick);
        list->SelectAll();
        EXPECT_EQ(list->GetSelCount(), 5);
        list->ClearSelection();
        EXPECT_EQ(list->GetSelCount(), 0);
        list->SetSelected(4, true);
        list->SetSelected(1, true);
        list->DeleteSelected();
        EXPECT_EQ(list->GetItems()->GetText(), "a\r\nc\r\nd\r\n");
        delete list;
    }
}

TEST_F(ListCtrlsTest, ExtendedSelectionByShiftArrowsAndSpaceInMultipleMode) {
    auto* list = MakeList({"a", "b", "c", "d"});
    list->SetMultiSelect(true);
    ShowForm();
    list->SetFocus();
    Key(VK_DOWN);
    Key(VK_DOWN, {VK_SHIFT});
    Key(VK_DOWN, {VK_SHIFT});
    EXPECT_EQ(Selection(list), (std::vector<Integer>{1, 2, 3}));
    EXPECT_EQ(list->GetItemIndex(), 3);

    list->SetExtendedSelect(false);
    list->ClearSelection();
    list->SetFocus();
    list->SetItemIndex(0);
    Key(VK_SPACE);
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_SPACE);
    EXPECT_EQ(Selection(list), (std::vector<Integer>{0, 2}));
}

TEST_F(ListCtrlsTest, OwnerDrawnItemsAreMeasuredAndDrawnWithTheirState) {
    TEvents events;
    auto* variable = MakeList({"x", "y", "z"});
    variable->SetStyle(lbOwnerDrawVariable);
    variable->OnMeasureItem = TMeasureItemEvent(&events, &TEvents::Measure);
    variable->OnDrawItem = TDrawItemEvent(&events, &TEvents::Draw);
    variable->SetItemIndex(1);
    ShowForm();
    UpdateWindow(variable->GetHandle());
    EXPECT_EQ(events.Measured, (std::vector<Integer>{0, 1, 2}));
    EXPECT_EQ(variable->ItemRect(1).bottom - variable->ItemRect(1).top, 30);
    EXPECT_EQ(variable->ItemRect(2).top, 50);
    bool sawSelected = false, sawPlain = false;
    for (const auto& [index, state] : events.Drawn) {
        if (index == 1) sawSelected = sawSelected || state.Contains(odSelected);
        if (index == 0) sawPlain = sawPlain || !state.Contains(odSelected);
    }
    EXPECT_TRUE(sawSelected);
    EXPECT_TRUE(sawPlain);

    auto* fixed = MakeList({"p", "q"});
    fixed->SetStyle(lbOwnerDrawFixed);
    fixed->SetItemHeight(24);
    fixed->SetLeft(200);
    App->ProcessMessages();
    EXPECT_EQ(fixed->GetItemHeight(), 24);
    EXPECT_EQ(fixed->ItemRect(1).top - fixed->ItemRect(0).top, 24);
}

TEST_F(ListCtrlsTest, VirtualListAsksForItsTexts) {
    TEvents events;
    auto* list = MakeList({});
    list->SetStyle(lbVirtual);
    list->OnData = TLBGetDataEvent(&events, &TEvents::Data);
    list->SetCount(1000);
    ShowForm();
    EXPECT_EQ(list->GetCount(), 1000);
    EXPECT_EQ(list->GetItems()->GetCount(), 1000);
    EXPECT_EQ(list->GetItems()->GetStrings(998), "Row 998");
    list->SetTopIndex(500);
    EXPECT_EQ(list->GetTopIndex(), 500);
    auto* plain = MakeList({"a"});
    EXPECT_THROW(plain->SetCount(3), EInvalidOperation);
}

TEST_F(ListCtrlsTest, AutoCompleteSearchesTypedTextOnlyWhenOn) {
    auto* list = MakeList({"alpha", "beta", "gamma"});
    ShowForm();
    list->SetFocus();
    WinInputText(U"g");
    App->ProcessMessages();
    EXPECT_EQ(list->GetItemIndex(), 2);
    list->SetAutoComplete(false);
    ClockAdvanceMs(2000);
    WinInputText(U"b");
    App->ProcessMessages();
    EXPECT_EQ(list->GetItemIndex(), 2);
}

TEST_F(ListCtrlsTest, ClassesEnumsAndPropertiesAreRegistered) {
    for (const char* name : {"TListBox", "TScrollBar"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(GetClass(name), nullptr);
    }
    auto* list = MakeList({});
    SetEnumProp(list, "Style", "lbOwnerDrawFixed");
    EXPECT_EQ(list->GetStyle(), lbOwnerDrawFixed);
    SetOrdProp(list, "Columns", 2);
    EXPECT_EQ(list->GetColumns(), 2);
    SetOrdProp(list, "MultiSelect", 1);
    EXPECT_TRUE(list->GetMultiSelect());
    EXPECT_EQ(OwnerDrawStateFromItemState(ODS_SELECTED | ODS_FOCUS | ODS_COMBOBOXEDIT),
              (TOwnerDrawState{odSelected, odFocused, odComboBoxEdit}));
}
