// The inner list box: incremental search within and after the delay, Backspace, a Chinese
// item found by its first character, overlay bars only over native bars, and input passed to
// the hosting container.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMonitor.h"
#include "suite/foundation/qzContainer.h"
#include "tests/support/FormFixture.h"

namespace {

class THostContainer : public TqzContainer {
    KOV_CLASS(THostContainer, TqzContainer)
public:
    explicit THostContainer(TComponent* owner) : TqzContainer(owner) {
        List = new TqzCustomInnerListBox(owner);
        List->SetParent(this);
        List->SetContainer(this);
        SetInnerControl(List);
    }
    ~THostContainer() override { delete List; }
    void Notification(TComponent* component, TOperation operation) override {
        TqzContainer::Notification(component, operation);
        if (operation == opRemove && component == List) List = nullptr;
    }
    void HandleKeyDown(Word& key, TShiftState shift) override {
        Keys.push_back(key);
        TqzContainer::HandleKeyDown(key, shift);
    }
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override {
        Presses.push_back(TPoint{x, y});
        ForwardingSeen = IsForwardingInnerPress();
        TqzContainer::HandleMouseDown(button, shift, x, y);
    }
    void Dropped(TObject* sender, TObject* source, Integer x, Integer y) {
        Drops.push_back(TPoint{x, y});
        DropSender = sender;
    }
    TqzCustomInnerListBox* List = nullptr;
    std::vector<TPoint> Drops;
    TObject* DropSender = nullptr;
    std::vector<Word> Keys;
    std::vector<TPoint> Presses;
    bool ForwardingSeen = false;
};

class qzInnerListBoxTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    void TearDown() override {
        TFormFixture::TearDown();
        ContainerUnitFinalize();
        ControlsUnitFinalize();
    }
    TqzCustomInnerListBox* MakeList(const std::vector<String>& items, Integer height = 120) {
        auto* list = new TqzCustomInnerListBox(Form);
        list->SetParent(Form);
        list->SetBounds(10, 10, 150, height);
        for (const String& item : items) list->GetItems()->Add(item);
        Form->Show();
        App->ProcessMessages();
        list->SetFocus();
        App->ProcessMessages();
        return list;
    }
    void Type(const std::u32string& text) {
        WinInputText(text);
        App->ProcessMessages();
    }
};

} // namespace

TEST_F(qzInnerListBoxTest, IncrementalSearchWithinAndAfterTheDelay) {
    auto* list = MakeList({"apple", "abacus", "abc", "banana", "cherry", "中文", "中国"});
    EXPECT_EQ(list->GetAutoCompleteDelay(), 500u);
    Type(U"a");
    EXPECT_EQ(list->GetItemIndex(), 0);
    ClockAdvanceMs(300);
    Type(U"b");
    EXPECT_EQ(list->GetItemIndex(), 1);
    EXPECT_EQ(list->GetSearchText(), U"ab");
    ClockAdvanceMs(600);
    Type(U"c");
    EXPECT_EQ(list->GetItemIndex(), 4);
    EXPECT_EQ(list->GetSearchText(), U"c");
    // Backspace removes one character; on an empty text the first item is selected.
    Type(U"\b");
    EXPECT_EQ(list->GetSearchText(), U"");
    EXPECT_EQ(list->GetItemIndex(), 0);
    ClockAdvanceMs(600);
    Type(U"中");
    EXPECT_EQ(list->GetItemIndex(), 5);
    Type(U"国");
    EXPECT_EQ(list->GetItemIndex(), 6);
    Type(U"\b");
    EXPECT_EQ(list->GetSearchText(), U"中");
    // Without AutoComplete the search text is left alone.
    list->SetAutoComplete(false);
    Type(U"x");
    EXPECT_EQ(list->GetSearchText(), U"中");
}

TEST_F(qzInnerListBoxTest, OverlayBarsLieOnlyOverNativeBars) {
    if (!IsScrollBarInfoAvailable()) GTEST_SKIP() << "no scroll-bar information";
    std::vector<String> items;
    for (int i = 0; i < 40; ++i) items.push_back("item " + std::to_string(i));
    auto* list = MakeList(items, 80);
    TqzScrollBar* vert = list->GetVScrollBar();
    TqzScrollBar* horz = list->GetHScrollBar();
    ASSERT_NE(vert, nullptr);
    EXPECT_TRUE(vert->GetVisible());
    EXPECT_EQ(vert->GetParent(), Form);
    EXPECT_FALSE(horz->GetVisible());
    TRect grip = list->GetSizeGripRect();
    EXPECT_TRUE(grip.right <= grip.left);
    // The bar sits where the native one is and follows its range and position.
    EXPECT_EQ(vert->GetLeft() + vert->GetWidth(), list->GetLeft() + list->GetWidth());
    list->SetTopIndex(10);
    App->ProcessMessages();
    EXPECT_EQ(vert->GetPosition(), 10);
    EXPECT_EQ(vert->GetMax(), 39);
}

TEST_F(qzInnerListBoxTest, NoOverlayBarsWhenScrollBarInformationIsUnbound) {
    struct Unbound {
        Unbound() {
            ContainerUnitFinalize(); // forget what was bound
            WinSetScrollBarInfoExported(false);
        }
        ~Unbound() {
            WinSetScrollBarInfoExported(true);
            ContainerUnitFinalize();
        }
    } unbound;
    ASSERT_FALSE(IsScrollBarInfoAvailable());
    SCROLLBARINFO info{};
    EXPECT_FALSE(QueryScrollBarInfo(Form->GetHandle(), OBJID_VSCROLL, info));
    std::vector<String> items;
    for (int i = 0; i < 40; ++i) items.push_back("item " + std::to_string(i));
    auto* list = MakeList(items, 80);
    list->SetTopIndex(10);
    App->ProcessMessages();
    // The native bar is there; nothing is laid over it and no corner is painted.
    EXPECT_TRUE(GetWindowLongA(list->GetHandle(), GWL_STYLE) & WS_VSCROLL);
    for (TqzScrollBar* bar : {list->GetVScrollBar(), list->GetHScrollBar()})
        EXPECT_TRUE(bar == nullptr || !bar->GetVisible());
    const TRect grip = list->GetSizeGripRect();
    EXPECT_TRUE(grip.right <= grip.left);
}

TEST_F(qzInnerListBoxTest, AHostingContainerGetsKeysPressesAndTab) {
    auto* host = new THostContainer(Form);
    host->SetParent(Form);
    host->SetBounds(10, 10, 150, 100);
    host->GetStyle()->SetBorderStyle(cbsSingle);
    host->GetStyle()->SetTransparentBorder(false);
    for (const char* item : {"one", "two", "three"}) host->List->GetItems()->Add(item);
    ShowUnfocused();
    TqzCustomInnerListBox* list = host->List;
    EXPECT_EQ(ContainerFromControl(list), host);
    EXPECT_EQ(list->GetLeft(), 1);
    list->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(host->Focused());
    WinInputKey(VK_DOWN, false, true);
    WinInputKey(VK_DOWN, false, false);
    App->ProcessMessages();
    EXPECT_EQ(std::count(host->Keys.begin(), host->Keys.end(), Word(VK_DOWN)), 1);
    EXPECT_EQ(list->GetItemIndex(), 0);
    // A press on the list reaches the container in its coordinates, flagged as forwarded.
    const POINT p = list->ClientToScreen(POINT{5, 20});
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    App->ProcessMessages();
    ASSERT_EQ(host->Presses.size(), 1u);
    const POINT inHost = host->ScreenToClient(p);
    EXPECT_EQ(host->Presses[0].x, inHost.x);
    EXPECT_EQ(host->Presses[0].y, inHost.y);
    EXPECT_TRUE(host->ForwardingSeen);
    EXPECT_FALSE(host->IsForwardingInnerPress());
    // The list wants Tab unless Ctrl is down.
    EXPECT_TRUE(SendMessageA(list->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB);
    EXPECT_TRUE(SendMessageA(list->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS);
}

TEST_F(qzInnerListBoxTest, AHostedListDropsIntoItsContainerAndShowsItsPopupMenu) {
    auto* host = new THostContainer(Form);
    host->SetParent(Form);
    host->SetBounds(10, 10, 150, 100);
    host->GetStyle()->SetBorderStyle(cbsSingle);
    host->GetStyle()->SetTransparentBorder(false);
    host->OnDragDrop = MakeEvent(host, &THostContainer::Dropped);
    auto* hostMenu = new TPopupMenu(Form);
    auto* listMenu = new TPopupMenu(Form);
    host->SetPopupMenu(hostMenu);
    host->List->SetPopupMenu(listMenu);
    ShowUnfocused();
    TqzCustomInnerListBox* list = host->List;
    ASSERT_EQ(list->GetLeft(), 1);

    // A drop on the list is the container's, in the container's coordinates.
    list->DragDrop(Form, 5, 7);
    ASSERT_EQ(host->Drops.size(), 1u);
    EXPECT_EQ(host->Drops[0].x, 5 + list->GetLeft());
    EXPECT_EQ(host->Drops[0].y, 7 + list->GetTop());
    EXPECT_EQ(host->DropSender, host);
    EXPECT_EQ(list->GetPopupMenu(), hostMenu);

    // A list of its own keeps its own drops and menu.
    auto* alone = new TqzCustomInnerListBox(Form);
    alone->SetParent(Form);
    alone->SetPopupMenu(listMenu);
    TObject* aloneDropSender = nullptr;
    struct TRecorder {
        TObject** Sender;
        void Dropped(TObject* sender, TObject*, Integer, Integer) { *Sender = sender; }
    } recorder{&aloneDropSender};
    alone->OnDragDrop = MakeEvent(&recorder, &TRecorder::Dropped);
    alone->DragDrop(Form, 1, 1);
    EXPECT_EQ(aloneDropSender, alone);
    EXPECT_EQ(host->Drops.size(), 1u);
    EXPECT_EQ(alone->GetPopupMenu(), listMenu);
}

// Keys typed as real input through the application loop, which announces each key-down to the
// focused list before it translates and dispatches it: the container's key handling runs once
// per key, a key it leaves types its character once, and a key it takes still gives its
// character, as after any handled key-down.
TEST_F(qzInnerListBoxTest, AHostedListsKeysReachTheContainerOnceThroughTheLoop) {
    auto* host = new THostContainer(Form);
    host->SetParent(Form);
    host->SetBounds(10, 10, 150, 100);
    for (const char* item : {"apple", "banana", "cherry"}) host->List->GetItems()->Add(item);
    struct TTaker {
        Word Taken = 0;
        void Down(TObject*, Word& key, TShiftState) {
            if (key == Taken) key = 0;
        }
    } taker;
    host->OnKeyDown = MakeEvent(&taker, &TTaker::Down);
    Form->Show();
    App->ProcessMessages();
    TqzCustomInnerListBox* list = host->List;
    list->SetFocus();
    App->ProcessMessages();
    const auto key = [&](UINT vk) {
        WinInputKey(vk, false, true);
        WinInputKey(vk, false, false);
        App->ProcessMessages();
    };
    const auto downs = [&](Word vk) { return std::count(host->Keys.begin(), host->Keys.end(), vk); };

    key('B');
    EXPECT_EQ(downs('B'), 1);
    EXPECT_EQ(list->GetSearchText(), U"b");
    EXPECT_EQ(list->GetItemIndex(), 1);

    ClockAdvanceMs(1000);
    taker.Taken = 'C';
    key('C');
    EXPECT_EQ(downs('C'), 1);
    EXPECT_EQ(list->GetSearchText(), U"c") << "the taken key's character follows once";
    EXPECT_EQ(list->GetItemIndex(), 2);

    key(VK_UP);
    EXPECT_EQ(downs(VK_UP), 1);
    EXPECT_EQ(list->GetItemIndex(), 1) << "a key left to the list moves it once";
}

TEST(qzContainerMessages, TheInnerKeyNotificationsHaveNumbersOfTheirOwn) {
    const UINT inner[] = {QZM_INNERKEYDOWN, QZM_INNERKEYUP, QZM_INNERCHAR, QZM_INNERSYSKEYDOWN};
    const UINT others[] = {QZM_UPDATEINNERSCROLLBARS, QZM_POPUPCLOSEREQUEST, QZM_SHOWPOPUP};
    for (UINT message : inner) {
        SCOPED_TRACE(message);
        EXPECT_FALSE(message >= CM_BASE && message < CN_BASE + 0x400) << "a class library notification";
        EXPECT_LT(message, 0xC000u) << "a registered message";
        for (UINT other : others) EXPECT_NE(message, other);
        EXPECT_EQ(std::count(std::begin(inner), std::end(inner), message), 1);
    }
}
