// The styled popup window: outside clicks, clicks on the owner, Alt accelerators, hiding the
// owner, leaving the application, the work-area cut, showing twice, the modal loop, and nested
// popups in the owner's popup tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/qzContainer.h"
#include "tests/support/FormFixture.h"

namespace {

// A container that counts the presses and keys it gets.
class TOwnerContainer : public TqzContainer {
    KOV_CLASS(TOwnerContainer, TqzContainer)
public:
    using TqzContainer::TqzContainer;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override {
        ++Presses;
        TqzContainer::HandleMouseDown(button, shift, x, y);
    }
    void HandleKeyDown(Word& key, TShiftState shift) override {
        Keys.push_back(key);
        TqzContainer::HandleKeyDown(key, shift);
    }
    Integer Presses = 0;
    std::vector<Word> Keys;
};

class TTestPopup : public TqzCustomPopupWindow {
    KOV_CLASS(TTestPopup, TqzCustomPopupWindow)
public:
    explicit TTestPopup(TControl* owner) : TqzCustomPopupWindow(owner) {
        SetBounds(0, 0, 80, 60);
        OnBeforeShow = MakeEvent(this, &TTestPopup::BeforeShow);
        OnAfterClose = MakeEvent(this, &TTestPopup::AfterClose);
        OnCloseQuery = MakeEvent(this, &TTestPopup::QueryClose);
    }
    bool LimitsToWorkArea() override { return Limits; }
    void BeforeShow(TObject*) { ++Shows; }
    void PostModalResult(TObject*) { PostMessageA(GetHandle(), WM_USER + 1, 0, 0); }
    void AfterClose(TObject*) {
        ++Closes;
        if (HideOwnerOnClose) GetOwnerControl()->SetVisible(false);
    }
    void QueryClose(TObject*, bool& canClose) {
        ++Queries;
        canClose = Queries > RefusedQueries;
        if (!canClose) PostMessageA(GetHandle(), WM_USER + 1, 0, 0);
    }
    // A step of the modal loop's script: set a modal result.
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_USER + 1) {
            SetModalResult(mrOk);
            return;
        }
        TqzCustomPopupWindow::WndProc(message);
    }
    bool Limits = false;
    bool HideOwnerOnClose = false;
    Integer Shows = 0, Closes = 0, Queries = 0, RefusedQueries = 0;
};

// A form procedure spy: counts WM_NCACTIVATE (inactive) reaching the form.
struct TNCActivateSpy {
    TForm* Form;
    TWndMethod Old;
    Integer Inactive = 0;
    void Proc(TMessage& message) {
        if (message.Msg == WM_NCACTIVATE && !message.WParam) ++Inactive;
        Old(message);
    }
};

class qzContainerPopupTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        SetCursorPos(0, 0);
        Owner = new TOwnerContainer(Form);
        Owner->SetParent(Form);
        Owner->SetBounds(10, 10, 120, 24);
        Other = new TOwnerContainer(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 200, 120, 24);
        Form->Show();
        App->ProcessMessages();
    }
    void TearDown() override {
        for (TqzCustomPopupWindow* p : std::vector<TqzCustomPopupWindow*>(GetOpenPopupWindows())) p->ClosePopup();
        TFormFixture::TearDown();
        ContainerUnitFinalize();
        ControlsUnitFinalize();
    }
    TTestPopup* MakePopup(TControl* owner, bool takesFocus = false) {
        auto* popup = new TTestPopup(owner);
        popup->SetTakesFocus(takesFocus);
        popup->SetModal(false);
        popup->SetOwnerParent(owner->GetParent());
        popup->SetOwnerBounds(TRect{owner->GetLeft(), owner->GetTop(), owner->GetLeft() + owner->GetWidth(),
                                    owner->GetTop() + owner->GetHeight()});
        return popup;
    }
    void Click(TControl* control, int x, int y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        App->ProcessMessages();
    }
    void Key(UINT key, bool down) { WinInputKey(key, false, down); }

    TOwnerContainer* Owner = nullptr;
    TOwnerContainer* Other = nullptr;
};

} // namespace

TEST_F(qzContainerPopupTest, AClickOnAnotherControlClosesThePopupAndStillReachesIt) {
    auto* popup = MakePopup(Owner);
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    ASSERT_TRUE(IsOpenPopupWindow(popup));
    EXPECT_TRUE(IsWindowVisible(popup->GetHandle()));
    // Shown below the owner.
    EXPECT_EQ(popup->GetTop(), Owner->ClientToScreen(POINT{0, 24}).y);
    Click(Other, 20, 10);
    EXPECT_FALSE(IsOpenPopupWindow(popup));
    EXPECT_FALSE(popup->GetVisible());
    EXPECT_EQ(popup->Closes, 1);
    EXPECT_EQ(Other->Presses, 1);
    // A click inside the popup leaves it open.
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    Click(popup, 10, 10);
    EXPECT_TRUE(IsOpenPopupWindow(popup));
}

TEST_F(qzContainerPopupTest, AClickOnTheOwnerClosesThePopupAndIsDiscardedWhenThatHidTheOwner) {
    auto* popup = MakePopup(Owner);
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    Click(Owner, 20, 10);
    EXPECT_FALSE(IsOpenPopupWindow(popup));
    EXPECT_EQ(Owner->Presses, 1);

    popup->HideOwnerOnClose = true;
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    Click(Owner, 20, 10);
    EXPECT_FALSE(IsOpenPopupWindow(popup));
    EXPECT_FALSE(Owner->GetVisible());
    EXPECT_EQ(Owner->Presses, 1);
}

TEST_F(qzContainerPopupTest, AltAcceleratorsAreSwallowedWhileNavigationKeysReachTheEditor) {
    Owner->SetFocus();
    auto* popup = MakePopup(Owner);
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    ASSERT_TRUE(Owner->Focused());
    Owner->Keys.clear();
    Key(VK_MENU, true);
    Key('F', true);
    Key('F', false);
    Key(VK_DOWN, true);
    Key(VK_DOWN, false);
    Key(VK_MENU, false);
    Key(VK_F4, true);
    Key(VK_F4, false);
    App->ProcessMessages();
    EXPECT_EQ(std::count(Owner->Keys.begin(), Owner->Keys.end(), Word('F')), 0);
    EXPECT_EQ(std::count(Owner->Keys.begin(), Owner->Keys.end(), Word(VK_DOWN)), 1);
    EXPECT_EQ(std::count(Owner->Keys.begin(), Owner->Keys.end(), Word(VK_F4)), 1);
    EXPECT_TRUE(popup->IsPopupNavigationKey(VK_PRIOR));
    EXPECT_FALSE(popup->IsPopupNavigationKey(VK_RETURN));
}

TEST_F(qzContainerPopupTest, HidingTheOwnerClosesItsPopupAndEveryNewerOne) {
    auto* older = MakePopup(Other);
    auto* first = MakePopup(Owner);
    auto* second = MakePopup(Form);
    older->ShowPopup(nullptr);
    first->ShowPopup(nullptr);
    second->ShowPopup(nullptr);
    App->ProcessMessages();
    ASSERT_EQ(GetOpenPopupWindows().size(), 3u);
    ShowWindow(Owner->GetHandle(), SW_HIDE);
    App->ProcessMessages();
    EXPECT_TRUE(IsOpenPopupWindow(older));
    EXPECT_FALSE(IsOpenPopupWindow(first));
    EXPECT_FALSE(IsOpenPopupWindow(second));
    // A control hidden by the class library is moved out of sight: its own popup closes.
    Other->SetVisible(false);
    App->ProcessMessages();
    EXPECT_FALSE(IsOpenPopupWindow(older));
    // Showing a popup of a hidden owner only runs the close events.
    older->ShowPopup(nullptr);
    EXPECT_FALSE(IsOpenPopupWindow(older));
    EXPECT_EQ(older->Shows, 1);
    EXPECT_EQ(older->Closes, 2);
}

TEST_F(qzContainerPopupTest, LeavingTheApplicationClosesPopupsThatDoNotTakeTheFocus) {
    auto* popup = MakePopup(Owner);
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    WinInputSurfaceActivated(Form->GetHandle(), false);
    App->ProcessMessages();
    EXPECT_FALSE(IsOpenPopupWindow(popup));
}

TEST_F(qzContainerPopupTest, TheOwnerCaptionStaysActiveUnderAFocusTakingPopup) {
    TNCActivateSpy spy{Form, Form->WindowProc};
    Form->WindowProc = MakeEvent(&spy, &TNCActivateSpy::Proc);
    auto* popup = MakePopup(Owner, true);
    auto* edit = new TEdit(popup);
    edit->SetParent(popup);
    edit->SetBounds(4, 4, 60, 20);
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    EXPECT_EQ(GetActiveWindow(), popup->GetHandle());
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(popup->GetFocusControl(), edit);
    EXPECT_TRUE(popup->IsFocused());
    EXPECT_EQ(spy.Inactive, 0);
    // While the popup is up the form's caption is not turned inactive ...
    EXPECT_EQ(SendMessageA(Form->GetHandle(), WM_NCACTIVATE, FALSE, 0), 1);
    EXPECT_EQ(spy.Inactive, 0);
    // ... and the lock is one-shot: afterwards the form's procedure is its own again.
    popup->ClosePopup();
    SendMessageA(Form->GetHandle(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(spy.Inactive, 1);
    Form->WindowProc = spy.Old;
}

TEST_F(qzContainerPopupTest, APopupIsCutToTheWorkAreaAndShowingTwiceShowsOnce) {
    const TRect work = GetMonitorWorkArea(TPoint{100, 100});
    Form->SetBounds(50, work.bottom - 120, 420, 110);
    App->ProcessMessages();
    auto* popup = MakePopup(Owner);
    popup->Limits = true;
    popup->SetBounds(0, 0, 80, 2000);
    popup->SetOwnerBounds(TRect{10, 10, 130, 34});
    popup->ShowPopup(nullptr);
    popup->ShowPopup(nullptr);
    App->ProcessMessages();
    EXPECT_EQ(popup->Shows, 1);
    EXPECT_GE(popup->GetTop(), work.top);
    EXPECT_LE(popup->GetTop() + popup->GetHeight(), work.bottom);
}

TEST_F(qzContainerPopupTest, TheModalLoopClosesOnAModalResultTheCloseQueryAllows) {
    auto* popup = MakePopup(Owner, true);
    popup->SetModal(true);
    popup->RefusedQueries = 1;
    popup->OnAfterShow = MakeEvent(popup, &TTestPopup::PostModalResult);
    popup->ShowPopup(nullptr); // returns when the loop ends
    EXPECT_EQ(popup->Queries, 2);
    EXPECT_FALSE(IsOpenPopupWindow(popup));
    EXPECT_EQ(popup->GetModalResult(), mrOk);
}

TEST_F(qzContainerPopupTest, NestedPopupsBelongToTheirOwnersPopupTree) {
    auto* outer = MakePopup(Owner);
    auto* inner = new TOwnerContainer(outer);
    inner->SetParent(outer);
    inner->SetBounds(4, 4, 60, 20);
    outer->ShowPopup(nullptr);
    auto* nested = MakePopup(inner);
    nested->ShowPopup(nullptr);
    App->ProcessMessages();
    EXPECT_TRUE(IsWindowInPopupTree(Owner, outer->GetHandle()));
    EXPECT_TRUE(IsWindowInPopupTree(Owner, nested->GetHandle()));
    EXPECT_TRUE(IsWindowInPopupTree(outer, nested->GetHandle()));
    EXPECT_TRUE(IsWindowOwnedByControl(Owner, nested->GetHandle()));
    EXPECT_FALSE(IsWindowInPopupTree(Other, nested->GetHandle()));
    EXPECT_EQ(ContainerFromControl(inner), inner);
    // A click in the nested popup keeps both open; one on the form closes both.
    Click(nested, 5, 5);
    EXPECT_EQ(GetOpenPopupWindows().size(), 2u);
    Click(Other, 5, 5);
    EXPECT_TRUE(GetOpenPopupWindows().empty());
}

TEST_F(qzContainerPopupTest, WindowStylesFollowFocusTakingAndTheOwnersTopmostForm) {
    struct Case {
        bool TakesFocus, TopMostWithOwner, FormTopmost;
        bool Topmost;
    };
    const Case cases[] = {
        {true, false, false, false}, {true, false, true, false}, {true, true, false, false},
        {true, true, true, true},    {false, false, false, true},
    };
    const LONG formExStyle = GetWindowLongA(Form->GetHandle(), GWL_EXSTYLE);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.TakesFocus) + std::to_string(c.TopMostWithOwner) +
                     std::to_string(c.FormTopmost));
        SetWindowLongA(Form->GetHandle(), GWL_EXSTYLE,
                       c.FormTopmost ? formExStyle | WS_EX_TOPMOST : formExStyle & ~LONG(WS_EX_TOPMOST));
        auto* popup = MakePopup(Owner, c.TakesFocus);
        popup->SetTopMostWithOwner(c.TopMostWithOwner);
        const HWND window = popup->GetHandle();
        const DWORD style = DWORD(GetWindowLongA(window, GWL_STYLE));
        const DWORD exStyle = DWORD(GetWindowLongA(window, GWL_EXSTYLE));
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_CHILD);
        EXPECT_TRUE(style & WS_CLIPCHILDREN);
        EXPECT_EQ(c.Topmost, (exStyle & WS_EX_TOPMOST) != 0);
        EXPECT_EQ(!c.TakesFocus, (exStyle & WS_EX_TOOLWINDOW) != 0);
        // Owned by the owner control's form: it stays above it and goes with it.
        EXPECT_EQ(Form->GetHandle(), GetWindow(window, GW_OWNER));
        delete popup;
    }
    SetWindowLongA(Form->GetHandle(), GWL_EXSTYLE, formExStyle);
}
