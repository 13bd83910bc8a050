// The popup edit and the popup window's frame: the hosted control is taken into the popup and
// put back, circular hosts are refused, freed hosts are forgotten; the frame's extents, minimum
// size, close reasons from modal results and the close button.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/support/FormFixture.h"

namespace {

struct CloseLog {
    std::vector<TqzEditCloseUpReason> Reasons;
    bool Agree = true;
    void Closed(TObject*, TqzEditCloseUpReason reason) { Reasons.push_back(reason); }
    void Query(TObject*, bool& canClose) { canClose = Agree; }
};

class PopupEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    TqzPopupEdit* MakeEditor(TWinControl* parent) {
        auto* editor = new TqzPopupEdit(Form);
        editor->SetParent(parent);
        editor->SetLeft(10);
        editor->SetTop(10);
        editor->GetProperties()->SetImmediatePopup(false);
        editor->GetProperties()->OnClosePopup = MakeEvent(&Log, &CloseLog::Closed);
        editor->GetProperties()->OnCloseQuery = MakeEvent(&Log, &CloseLog::Query);
        return editor;
    }
    TPanel* MakePanel(TWinControl* parent, const TRect& bounds) {
        auto* panel = new TPanel(Form);
        panel->SetParent(parent);
        panel->SetBoundsRect(bounds);
        panel->SetAlign(alBottom);
        panel->SetVisible(false);
        return panel;
    }
    void Pump() { App->ProcessMessages(); }
    void ShowAndFocus(TqzCustomEdit* editor) {
        Form->Show();
        Pump();
        editor->SetFocus();
        Pump();
    }

    CloseLog Log;
};

TEST_F(PopupEditTest, WithoutAControlTheButtonDoesNothing) {
    TqzPopupEdit* editor = MakeEditor(Form);
    ShowAndFocus(editor);
    editor->HandleButtonPress(0);
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_FALSE(editor->HasPendingShow());
}

TEST_F(PopupEditTest, AParentAsThePopupControlIsRefused) {
    auto* host = new TPanel(Form);
    host->SetParent(Form);
    host->SetBounds(0, 0, 300, 100);
    TqzPopupEdit* editor = MakeEditor(host);
    ShowAndFocus(editor);
    for (TControl* circular : std::vector<TControl*>{host, Form, editor}) {
        editor->GetProperties()->SetPopupControl(circular);
        try {
            editor->DropDown();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ("Circular referencing is not allowed", e.Message);
        }
        EXPECT_EQ(host, editor->GetParent());
        EXPECT_EQ(Form, host->GetParent()) << "nothing was moved";
    }
}

TEST_F(PopupEditTest, TheHostedControlComesBackAfterClosing) {
    TPanel* panel = MakePanel(Form, TRect{5, 150, 125, 210});
    const TRect saved = panel->GetBoundsRect();
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(panel);
    editor->GetProperties()->SetPopupAutoSize(true);
    ShowAndFocus(editor);
    editor->PreparePopupWindow();
    EXPECT_EQ(editor->GetPopupWindow(), panel->GetParent());
    EXPECT_TRUE(panel->GetVisible());
    EXPECT_EQ(alClient, panel->GetAlign());
    TSize minSize;
    editor->GetPopupWindow()->CalculateMinSize(minSize);
    EXPECT_GE(editor->GetPopupWindow()->GetWidth(), 100) << "the minimum width";
    EXPECT_GE(editor->GetPopupWindow()->GetHeight(), 100) << "the minimum height";
    editor->PopupWindowClosed(editor->GetPopupWindow());
    EXPECT_EQ(Form, panel->GetParent());
    EXPECT_EQ(alBottom, panel->GetAlign());
    EXPECT_FALSE(panel->GetVisible());
    EXPECT_EQ(saved.right - saved.left, panel->GetWidth());
}

TEST_F(PopupEditTest, AFreedControlIsForgotten) {
    TPanel* panel = MakePanel(Form, TRect{0, 0, 50, 50});
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(panel);
    delete panel;
    EXPECT_EQ(nullptr, editor->GetProperties()->GetPopupControl());
}

TEST_F(PopupEditTest, ModalResultsCloseWithTheirReasons) {
    TPanel* panel = MakePanel(Form, TRect{0, 0, 150, 120});
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(panel);
    ShowAndFocus(editor);
    struct Case {
        Integer modalResult;
        TqzEditCloseUpReason reason;
    };
    for (const Case& c :
         std::vector<Case>{{mrOk, qzcrAccept}, {mrCancel, qzcrCancel}, {mrAbort, qzcrUnknown}}) {
        // The modal loop runs inside the show request: the result is queued before it.
        editor->DropDown();
        PostMessageA(editor->GetPopupWindow()->GetHandle(), WM_NULL, 0, 0);
        editor->GetPopupWindow()->SetModalResult(mrNone);
        struct Setter {
            TqzCustomEditPopupWindow* Popup;
            Integer Result;
            void Shown(TObject*) { Popup->SetModalResult(Result); }
        } setter{editor->GetPopupWindow(), c.modalResult};
        editor->GetProperties()->OnPopup = MakeEvent(&setter, &Setter::Shown);
        Pump();
        EXPECT_FALSE(editor->HasOpenPopup());
        ASSERT_FALSE(Log.Reasons.empty());
        EXPECT_EQ(c.reason, Log.Reasons.back()) << c.modalResult;
        EXPECT_EQ(Form, panel->GetParent());
    }
}

// ---- The frame -------------------------------------------------------------------------------

TEST_F(PopupEditTest, FrameExtentsFollowTheBorderStyleTheEdgeTheShadowAndThePanel) {
    TqzPopupEditPopupWindowViewInfo info;
    struct Case {
        TqzEditPopupBorderStyle style;
        bool native, edge, shadow;
        TRect extents;
    };
    const std::vector<Case> cases = {
        {epbsDefault, false, false, false, TRect{0, 0, 0, 0}},
        {epbsSingle, false, true, false, TRect{3, 3, 3, 3}},
        {epbsFrame3D, false, false, true, TRect{4, 4, 7, 7}},
        {epbsFlat, false, true, false, TRect{3, 3, 3, 3}},
        {epbsFrame3D, true, true, false, TRect{3, 3, 3, 3}},
    };
    for (const Case& c : cases) {
        info.PopupBorderStyle = c.style;
        info.NativeStyle = c.native;
        info.ClientEdge = c.edge;
        info.Shadow = c.shadow;
        TRect extents;
        info.GetClientExtent(extents);
        EXPECT_EQ(c.extents.left, extents.left) << int(c.style);
        EXPECT_EQ(c.extents.top, extents.top) << int(c.style);
        EXPECT_EQ(c.extents.right, extents.right) << int(c.style);
        EXPECT_EQ(c.extents.bottom, extents.bottom) << int(c.style);
    }
    // The panel goes to the side away from the editor: below, or above for a popup above.
    info = TqzPopupEditPopupWindowViewInfo();
    info.PopupBorderStyle = epbsSingle;
    info.SysPanelStyle = true;
    const Integer panel = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE)) + 1;
    TRect extents;
    info.SizeGripCorner = 3;
    info.GetClientExtent(extents);
    EXPECT_EQ(1 + panel, extents.bottom);
    EXPECT_EQ(1, extents.top);
    info.SizeGripCorner = 1;
    info.GetClientExtent(extents);
    EXPECT_EQ(1 + panel, extents.top);
}

TEST_F(PopupEditTest, OnlyTheEdgesAwayFromTheEditorSize) {
    TqzCustomEditPopupWindowViewInfo info;
    info.PopupBorderStyle = epbsSingle;
    info.Sizeable = true;
    info.SysPanelStyle = true;
    info.Bounds = TRect{0, 0, 200, 150};
    info.SizeGripCorner = 3;
    info.Calculate();
    TqzEditPopupSizingState& state = GetEditPopupSizingState();
    EXPECT_TRUE(info.GetSizingDirection(0, 75)) << "the frame";
    EXPECT_EQ(0, state.HorzDirection) << "the left frame does nothing with the grip on the right";
    EXPECT_TRUE(info.GetSizingDirection(199, 75));
    EXPECT_EQ(1, state.HorzDirection);
    EXPECT_FALSE(info.GetSizingDirection(100, 60)) << "inside, away from the grip";
    const TRect grip = info.SizeGripSizingRect;
    EXPECT_TRUE(info.GetSizingDirection(grip.left + 1, grip.top + 1));
    EXPECT_EQ(1, state.HorzDirection);
    EXPECT_EQ(1, state.VertDirection);
    info.Sizeable = false;
    EXPECT_FALSE(info.GetSizingDirection(199, 75));
}

TEST_F(PopupEditTest, TheCloseButtonClosesOnlyWhenReleasedOverItAndTheQueryAgrees) {
    TPanel* panel = MakePanel(Form, TRect{0, 0, 150, 120});
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(panel);
    editor->GetProperties()->SetPopupSysPanelStyle(true);
    ShowAndFocus(editor);
    editor->PreparePopupWindow();
    TqzCustomEditPopupWindow* popup = editor->GetPopupWindow();
    popup->SetModal(false);
    editor->DropDown();
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    popup->CalculateViewInfo();
    const TRect button = popup->GetEditViewInfo()->CloseButtonRect;
    ASSERT_FALSE(IsRectEmpty(&button));
    const Integer x = button.left + 1, y = button.top + 1;
    popup->HandleMouseDown(mbLeft, {}, x, y);
    EXPECT_EQ(qzbsPressed, popup->GetEditViewInfo()->CloseButtonState);
    popup->HandleMouseMove({}, button.right + 20, y);
    popup->HandleMouseUp(mbLeft, {}, button.right + 20, y);
    EXPECT_TRUE(editor->HasOpenPopup()) << "released away from it";
    Log.Agree = false;
    popup->HandleMouseDown(mbLeft, {}, x, y);
    popup->HandleMouseUp(mbLeft, {}, x, y);
    EXPECT_TRUE(editor->HasOpenPopup()) << "the query refused";
    EXPECT_EQ(qzbsHot, popup->GetEditViewInfo()->CloseButtonState);
    Log.Agree = true;
    popup->HandleMouseDown(mbLeft, {}, x, y);
    popup->HandleMouseUp(mbLeft, {}, x, y);
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(qzcrUnknown, Log.Reasons.back());
}

} // namespace

namespace {

TEST_F(PopupEditTest, DraggingTheGripStopsAtTheMinimumSize) {
    TPanel* panel = MakePanel(Form, TRect{0, 0, 150, 120});
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(panel);
    editor->GetProperties()->SetPopupSysPanelStyle(true);
    ShowAndFocus(editor);
    TqzCustomEditPopupWindow* popup = editor->GetPopupWindow();
    popup->SetModal(false);
    editor->DropDown();
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    TSize least;
    popup->CalculateMinSize(least);
    TqzCustomEditPopupWindowViewInfo* info = popup->GetEditViewInfo();
    TRect extents;
    info->GetClientExtent(extents);
    EXPECT_EQ(extents.left + extents.right + (info->CloseButtonRect.right - info->CloseButtonRect.left) +
                  (info->SizeGripSizingRect.right - info->SizeGripSizingRect.left) + 10,
              least.cx)
        << "the panel's close button, grip and 10 pixels";
    const TRect grip = info->SizeGripSizingRect;
    const Integer gx = (grip.left + grip.right) / 2, gy = (grip.top + grip.bottom) / 2;
    SetCapture(popup->GetHandle());
    popup->HandleMouseDown(mbLeft, {}, gx, gy);
    popup->HandleMouseMove({ssLeft}, gx - 400, gy - 400);
    popup->HandleMouseUp(mbLeft, {}, gx - 400, gy - 400);
    EXPECT_EQ(std::max<Integer>(100, least.cx), popup->GetWidth());
    EXPECT_EQ(std::max<Integer>(100, least.cy), popup->GetHeight());
    EXPECT_EQ(popup->GetEditViewInfo()->ClientRect.right - popup->GetEditViewInfo()->ClientRect.left,
              panel->GetWidth())
        << "the hosted control follows the new client area";
    editor->CloseUp(qzcrUnknown);
    EXPECT_EQ(std::max<Integer>(100, least.cx), editor->GetProperties()->GetPopupWidth())
        << "the size is kept";
}

} // namespace

namespace {

TEST_F(PopupEditTest, ATypedCharacterOpensThePopupAndReachesTheHostedControl) {
    auto* hosted = new TEdit(Form);
    hosted->SetParent(Form);
    hosted->SetBounds(5, 200, 120, 21);
    hosted->SetVisible(false);
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(hosted);
    ShowAndFocus(editor);
    struct Closer {
        TqzCustomEditPopupWindow* Popup;
        void Changed(TObject*) { Popup->SetModalResult(mrOk); }
    } closer{editor->GetPopupWindow()};
    hosted->OnChange = MakeEvent(&closer, &Closer::Changed);
    // The popup's modal loop runs inside the show request; the forwarded character ends it. A
    // character beyond one byte arrives whole.
    SendMessageA(editor->GetInnerTextEditControl()->GetHandle(), WM_CHAR, WPARAM(U'中'), 0);
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ("中", hosted->GetText());
    EXPECT_EQ("", editor->GetInnerTextEditControl()->GetText()) << "the character went to the popup";
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrAccept}, Log.Reasons);
    EXPECT_EQ(Form, hosted->GetParent());
}

} // namespace

namespace {

TEST_F(PopupEditTest, APopupEditWrittenAndReadBackKeepsItsSettings) {
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->SetName("NotesEdit");
    TqzPopupEditProperties* p = editor->GetProperties();
    p->SetPopupWidth(300);
    p->SetPopupSysPanelStyle(true);
    p->SetPasswordChar('*');
    p->GetLookupItems()->Add("Simplex");
    const String written = WriteComponentText(Form);
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzPopupEdit*>(copy->FindComponent("NotesEdit"));
    ASSERT_NE(nullptr, read) << written;
    TqzPopupEditProperties* q = read->GetProperties();
    EXPECT_EQ(300, q->GetPopupWidth());
    EXPECT_EQ(200, q->GetPopupHeight());
    EXPECT_TRUE(q->GetPopupSysPanelStyle());
    EXPECT_TRUE(q->GetPopupSizeable());
    EXPECT_FALSE(q->GetImmediatePopup());
    EXPECT_EQ('*', q->GetPasswordChar());
    EXPECT_EQ(1, q->GetLookupItems()->GetCount());
}

} // namespace

namespace {

TEST_F(PopupEditTest, InPlaceActivationByAKeyOpensThePopupAndHandsTheKeyToTheHostedControl) {
    auto* hosted = new TEdit(Form);
    hosted->SetParent(Form);
    hosted->SetBounds(5, 200, 120, 21);
    hosted->SetVisible(false);
    auto* editor = new TqzPopupEdit(Form, true);
    editor->SetParent(Form);
    editor->SetBounds(10, 10, 120, 21);
    TqzPopupEditProperties* p = editor->GetProperties();
    p->SetImmediatePopup(false);
    p->SetPopupControl(hosted);
    p->OnClosePopup = MakeEvent(&Log, &CloseLog::Closed);
    Form->Show();
    Pump();
    struct Closer {
        TqzCustomEditPopupWindow* Popup;
        void Changed(TObject*) { Popup->SetModalResult(mrOk); }
    } closer{editor->GetPopupWindow()};
    hosted->OnChange = MakeEvent(&closer, &Closer::Changed);
    EXPECT_FALSE(editor->ForwardsActivationKey(U'7')) << "the focus-taking popup gets the key";
    EXPECT_TRUE(editor->ForwardsActivationKey(U'\r'));
    TqzCustomEditData* edited = nullptr;
    // The popup's modal loop runs inside the show request; the key handed on ends it.
    editor->ActivateByKey(U'7', edited);
    std::unique_ptr<TqzCustomEditData> owned(edited);
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ("7", hosted->GetText());
    EXPECT_EQ("", editor->GetInnerTextEditControl()->GetText()) << "not typed into the editor";
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrAccept}, Log.Reasons);
    EXPECT_EQ(Form, hosted->GetParent());
}

} // namespace

namespace {

TEST_F(PopupEditTest, AnEditorFreedWhileItsPopupIsAboutToShowGivesTheControlBack) {
    TPanel* panel = MakePanel(Form, TRect{0, 0, 150, 120});
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(panel);
    ShowAndFocus(editor);
    editor->SetDroppedDown(true);
    ASSERT_TRUE(editor->HasPendingShow());
    ASSERT_EQ(editor->GetPopupWindow(), panel->GetParent()) << "prepared: the panel is in the popup";
    const TLivenessToken alive = panel->LivenessToken();
    delete editor;
    ASSERT_TRUE(alive) << "the panel is not freed with the popup";
    EXPECT_EQ(Form, panel->GetParent());
    EXPECT_FALSE(panel->GetVisible());
    EXPECT_EQ(alBottom, panel->GetAlign());
    Pump();
}

} // namespace

namespace {

// Keys pressed in the open popup while its modal loop runs: each closes it with its reason, and
// the editor has the focus again. Should a key be kept by the loop, the idle step closes the
// popup as a failure instead of letting the test hang.
TEST_F(PopupEditTest, KeysInTheOpenPopupCloseItWithTheirReasons) {
    auto* hosted = new TEdit(Form);
    hosted->SetParent(Form);
    hosted->SetBounds(5, 200, 120, 21);
    hosted->SetVisible(false);
    TqzPopupEdit* editor = MakeEditor(Form);
    editor->GetProperties()->SetPopupControl(hosted);
    ShowAndFocus(editor);
    struct Keys {
        TqzCustomEditPopupWindow* Popup;
        UINT Message = WM_KEYDOWN;
        WPARAM Key = 0;
        LPARAM Data = 0;
        bool Stuck = false;
        bool Posted = false;
        void Popped(TObject*) {
            Posted = true;
            PostMessageA(GetFocus(), Message, Key, Data);
        }
        void Idle(TObject*, bool&) {
            if (Posted && Popup->IsOpen() && !PeekMessageA(nullptr, nullptr, 0, 0, PM_NOREMOVE)) {
                Stuck = true;
                Popup->ClosePopup();
            }
        }
    } keys{editor->GetPopupWindow()};
    editor->GetProperties()->OnPopup = MakeEvent(&keys, &Keys::Popped);
    App->OnIdle = MakeEvent(&keys, &Keys::Idle);
    constexpr LPARAM kAlt = LPARAM(1) << 29;
    struct Case {
        const char* Name;
        UINT Message;
        WPARAM Key;
        LPARAM Data;
        bool PostOnTab;
        TqzEditCloseUpReason Reason;
    };
    const Case cases[] = {
        {"Escape", WM_KEYDOWN, VK_ESCAPE, 0, false, qzcrCancel},
        {"F4", WM_KEYDOWN, VK_F4, 0, false, qzcrToggle},
        {"Alt+Up", WM_SYSKEYDOWN, VK_UP, kAlt, false, qzcrToggle},
        {"Enter", WM_KEYDOWN, VK_RETURN, 0, false, qzcrAccept},
        {"Tab", WM_KEYDOWN, VK_TAB, 0, true, qzcrTab},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Log.Reasons.clear();
        keys.Message = c.Message;
        keys.Key = c.Key;
        keys.Data = c.Data;
        keys.Stuck = false;
        keys.Posted = false;
        editor->GetProperties()->SetPostPopupValueOnTab(c.PostOnTab);
        editor->SetFocus();
        Pump();
        SendMessageA(editor->GetInnerTextEditControl()->GetHandle(), WM_KEYDOWN, VK_F4, 0);
        Pump();
        EXPECT_TRUE(keys.Posted) << "the popup opened";
        EXPECT_FALSE(keys.Stuck) << "the loop kept the key";
        EXPECT_FALSE(editor->HasOpenPopup());
        EXPECT_EQ(std::vector<TqzEditCloseUpReason>{c.Reason}, Log.Reasons);
        EXPECT_EQ(Form, hosted->GetParent());
        EXPECT_EQ(editor->GetInnerTextEditControl()->GetHandle(), GetFocus()) << "the editor has the focus back";
    }
    App->OnIdle = nullptr;
}

} // namespace
