// The small common controls: up-down arrows stepping their associate (also repeating while held,
// on the manual clock), the progress bar's steps, the track bar by keys and mouse, the tree
// view's nodes, expansion and selection, and a sheet of every list control saved as a picture.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class CommonCtrlsTest : public testsupport::TFormFixture {
protected:
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
    }
    void Mouse(TControl* control, int x, int y, bool down) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        WinInputMouseMove(p);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, down);
        App->ProcessMessages();
    }
    void Key(UINT key) {
        WinInputKey(key, false, true);
        App->ProcessMessages();
        WinInputKey(key, false, false);
        App->ProcessMessages();
    }
    template <class T>
    T* Make(int left, int top, int width, int height) {
        T* control = new T(Form);
        control->SetParent(Form);
        control->SetBounds(left, top, width, height);
        return control;
    }

};

struct TLog : TObject {
    std::vector<TUDBtnType> Buttons;
    bool Allow = true;
    int Changes = 0;
    std::vector<String> Events;
    void Click(TObject*, TUDBtnType button) { Buttons.push_back(button); }
    void Changing(TObject*, bool& allow) { allow = Allow; }
    void Change(TObject*) { ++Changes; }
    void NodeChange(TObject*, TTreeNode* node) { Events.push_back("change " + (node ? node->GetText() : "-")); }
    void Expanding(TObject*, TTreeNode* node, bool& allow) {
        Events.push_back("expanding " + node->GetText());
        allow = Allow;
    }
    void Expanded(TObject*, TTreeNode* node) { Events.push_back("expanded " + node->GetText()); }
    void Collapsed(TObject*, TTreeNode* node) { Events.push_back("collapsed " + node->GetText()); }
};

} // namespace

TEST_F(CommonCtrlsTest, UpDownStepsItsAssociateByMouseKeysAndRepeat) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    auto* edit = Make<TEdit>(10, 10, 80, 21);
    auto* updown = Make<TUpDown>(0, 0, 17, 21);
    TLog log;
    updown->OnClick = TUDClickEvent(&log, &TLog::Click);
    updown->OnChanging = TUDChangingEvent(&log, &TLog::Changing);
    updown->SetMax(2000);
    updown->SetPosition(998);
    updown->SetAssociate(edit);
    ShowForm();
    EXPECT_EQ(updown->GetLeft(), 90);
    EXPECT_EQ(edit->GetText(), "998");
    Mouse(updown, 8, 3, true);
    Mouse(updown, 8, 3, false);
    EXPECT_EQ(updown->GetPosition(), 999);
    Mouse(updown, 8, 18, true);
    Mouse(updown, 8, 18, false);
    EXPECT_EQ(updown->GetPosition(), 998);
    EXPECT_EQ(log.Buttons, (std::vector<TUDBtnType>{btNext, btPrev}));

    // Held: one step, then repeats after the delay while the pointer stays on the button.
    Mouse(updown, 8, 3, true);
    ClockAdvanceMs(400);
    App->ProcessMessages();
    ClockAdvanceMs(100);
    App->ProcessMessages();
    EXPECT_EQ(updown->GetPosition(), 1001);
    EXPECT_EQ(edit->GetText(), "1,001");
    Mouse(updown, 8, 3, false);
    ClockAdvanceMs(1000);
    App->ProcessMessages();
    EXPECT_EQ(updown->GetPosition(), 1001);

    // The associate's arrow keys step; a refused change clicks but stays.
    edit->SetFocus();
    Key(VK_UP);
    EXPECT_EQ(updown->GetPosition(), 1002);
    log.Allow = false;
    Key(VK_DOWN);
    EXPECT_EQ(updown->GetPosition(), 1002);

    // Wrap goes round; without it the ends hold.
    log.Allow = true;
    updown->SetThousands(false);
    updown->SetPosition(2000);
    updown->Step(btNext);
    EXPECT_EQ(updown->GetPosition(), 2000);
    updown->SetWrap(true);
    updown->Step(btNext);
    EXPECT_EQ(updown->GetPosition(), 0);
    EXPECT_EQ(edit->GetText(), "0");
    delete edit;
    EXPECT_EQ(updown->GetAssociate(), nullptr);
}

TEST_F(CommonCtrlsTest, ProgressBarStepsAndWraps) {
    auto* bar = Make<TProgressBar>(10, 10, 200, 16);
    struct TCase {
        const char* Action;
        Integer Expected;
    };
    bar->SetStep(30);
    const std::vector<TCase> cases = {{"StepIt", 30}, {"StepIt", 60}, {"StepIt", 90},
                                      {"StepIt", 20}, {"StepBy 200", 100}, {"StepBy -500", 0}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Action);
        const String action = c.Action;
        if (action == "StepIt")
            bar->StepIt();
        else
            bar->StepBy(std::stoi(action.substr(7)));
        EXPECT_EQ(bar->GetPosition(), c.Expected);
    }
    bar->SetPosition(150);
    EXPECT_EQ(bar->GetPosition(), 100);
    bar->SetMax(50);
    EXPECT_EQ(bar->GetPosition(), 50);
}

TEST_F(CommonCtrlsTest, TrackBarMovesByKeysClicksAndDrag) {
    auto* track = Make<TTrackBar>(10, 10, 200, 45);
    TLog log;
    track->OnChange = TNotifyEvent(&log, &TLog::Change);
    ShowForm();
    track->SetFocus();
    struct TCase {
        UINT Key;
        Integer Expected;
    };
    const std::vector<TCase> keys = {{VK_RIGHT, 1}, {VK_NEXT, 3}, {VK_END, 10}, {VK_LEFT, 9}, {VK_HOME, 0}};
    for (const TCase& c : keys) {
        SCOPED_TRACE(c.Key);
        Key(c.Key);
        EXPECT_EQ(track->GetPosition(), c.Expected);
    }
    EXPECT_EQ(log.Changes, 5);
    // A click right of the thumb pages; dragging the thumb follows the pointer.
    const TRect thumb = track->ThumbRect();
    const int y = (thumb.top + thumb.bottom) / 2;
    Mouse(track, 150, y, true);
    Mouse(track, 150, y, false);
    EXPECT_EQ(track->GetPosition(), 2);
    const int x = track->PositionToPixel(2);
    Mouse(track, x, y, true);
    WinInputMouseMove(track->ClientToScreen(POINT{track->PositionToPixel(7), y}));
    App->ProcessMessages();
    EXPECT_EQ(track->GetPosition(), 7);
    Mouse(track, track->PositionToPixel(7), y, false);
    EXPECT_EQ(track->GetPosition(), 7);
}

TEST_F(CommonCtrlsTest, TreeNodesAddInsertDeleteAndNavigate) {
    auto* tree = Make<TTreeView>(10, 10, 200, 200);
    TTreeNodes* nodes = tree->GetItems();
    TTreeNode* b = nodes->Add(nullptr, "b");
    TTreeNode* a = nodes->AddFirst(b, "a");
    TTreeNode* b2 = nodes->AddChild(b, "b2");
    TTreeNode* b1 = nodes->AddChildFirst(b, "b1");
    TTreeNode* c = nodes->Add(a, "c");
    TTreeNode* b15 = nodes->Insert(b2, "b1.5");
    std::vector<String> order;
    for (Integer i = 0; i < nodes->GetCount(); ++i) order.push_back(nodes->GetItem(i)->GetText());
    EXPECT_EQ(order, (std::vector<String>{"a", "b", "b1", "b1.5", "b2", "c"}));
    EXPECT_EQ(b->GetCount(), 3);
    EXPECT_EQ(b->GetItem(1), b15);
    EXPECT_EQ(b15->GetParent(), b);
    EXPECT_EQ(b15->GetLevel(), 1);
    EXPECT_EQ(b->getFirstChild(), b1);
    EXPECT_EQ(b1->getNextSibling(), b15);
    EXPECT_EQ(b2->GetAbsoluteIndex(), 4);
    EXPECT_TRUE(b->GetHasChildren());
    EXPECT_FALSE(c->GetHasChildren());
    EXPECT_FALSE(b2->IsVisible());
    tree->SetSelected(b2);  // selecting shows it
    EXPECT_TRUE(b->GetExpanded());
    b->Delete();
    EXPECT_EQ(nodes->GetCount(), 2);
    EXPECT_EQ(tree->GetSelected(), c);
    nodes->Clear();
    EXPECT_EQ(tree->GetSelected(), nullptr);
    EXPECT_THROW(nodes->GetItem(0), EListError);
}

TEST_F(CommonCtrlsTest, TreeViewExpandsAndSelectsByKeysAndMouse) {
    auto* tree = Make<TTreeView>(10, 10, 200, 200);
    TLog log;
    TTreeNodes* nodes = tree->GetItems();
    TTreeNode* radio = nodes->Add(nullptr, "Radio");
    nodes->AddChild(radio, "Channels");
    TTreeNode* tones = nodes->AddChild(radio, "Tones");
    nodes->AddChild(tones, "CTCSS");
    TTreeNode* options = nodes->Add(nullptr, "Options");
    tree->OnChange = TTVChangedEvent(&log, &TLog::NodeChange);
    tree->OnExpanding = TTVExpandingEvent(&log, &TLog::Expanding);
    tree->OnExpanded = TTVExpandedEvent(&log, &TLog::Expanded);
    tree->OnCollapsed = TTVExpandedEvent(&log, &TLog::Collapsed);
    ShowForm();
    tree->SetFocus();
    Key(VK_DOWN);     // Radio
    Key(VK_RIGHT);    // expands Radio
    Key(VK_RIGHT);    // to Channels
    Key(VK_DOWN);     // Tones
    Key(VK_ADD);      // expands Tones
    Key(VK_END);      // Options
    EXPECT_EQ(tree->GetSelected(), options);
    EXPECT_EQ(log.Events, (std::vector<String>{"change Radio", "expanding Radio", "expanded Radio",
                                               "change Channels", "change Tones", "expanding Tones",
                                               "expanded Tones", "change Options"}));
    log.Events.clear();
    // A click on Radio's button collapses it; a click on a row selects it.
    const TRect button = tree->ButtonRect(radio);
    Mouse(tree, (button.left + button.right) / 2, (button.top + button.bottom) / 2, true);
    Mouse(tree, (button.left + button.right) / 2, (button.top + button.bottom) / 2, false);
    EXPECT_FALSE(radio->GetExpanded());
    const TRect row = tree->NodeRect(options);
    Mouse(tree, 60, (row.top + row.bottom) / 2, true);
    Mouse(tree, 60, (row.top + row.bottom) / 2, false);
    EXPECT_EQ(tree->GetSelected(), options);
    EXPECT_EQ(log.Events, (std::vector<String>{"collapsed Radio"}));
    // Expanding can be refused.
    log.Allow = false;
    radio->Expand(false);
    EXPECT_FALSE(radio->GetExpanded());
    log.Allow = true;
    tree->FullExpand();
    EXPECT_TRUE(tones->GetExpanded());
    Key(VK_HOME);
    Key(VK_SUBTRACT);
    EXPECT_FALSE(radio->GetExpanded());
}

TEST_F(CommonCtrlsTest, ClassesAndEnumsAreRegistered) {
    for (const char* name : {"TUpDown", "TProgressBar", "TTrackBar", "TTreeView"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(GetClass(name), nullptr);
    }
    auto* track = Make<TTrackBar>(0, 0, 100, 40);
    SetEnumProp(track, "TickStyle", "tsManual");
    EXPECT_EQ(track->GetTickStyle(), tsManual);
    auto* updown = Make<TUpDown>(0, 0, 17, 21);
    SetEnumProp(updown, "Orientation", "udHorizontal");
    EXPECT_EQ(updown->GetOrientation(), udHorizontal);
}

TEST_F(CommonCtrlsTest, SheetOfListControlsIsSavedAsPicture) {
    Form->SetBounds(20, 20, 640, 420);
    Form->SetCaption("Lists");
    auto* single = Make<TListBox>(10, 10, 120, 110);
    for (const char* s : {"Channel 1", "Channel 2", "Channel 3", "Channel 4"}) single->GetItems()->Add(s);
    single->SetItemIndex(1);
    auto* multi = Make<TListBox>(140, 10, 120, 110);
    for (const char* s : {"CTCSS 67.0", "CTCSS 71.9", "DCS 023", "DCS 025", "Off"}) multi->GetItems()->Add(s);
    multi->SetMultiSelect(true);
    multi->SetSelected(0, true);
    multi->SetSelected(2, true);
    auto* drawn = Make<TListBox>(270, 10, 120, 110);
    drawn->SetStyle(lbOwnerDrawFixed);
    drawn->SetItemHeight(22);
    for (const char* s : {"Red", "Green", "Blue"}) drawn->GetItems()->Add(s);
    drawn->SetItemIndex(2);
    struct TPainter : TObject {
        void Draw(TWinControl* control, Integer index, TRect rect, TOwnerDrawState state) {
            TCanvas* canvas = static_cast<TListBox*>(control)->GetCanvas();
            canvas->FillRect(rect);
            static const TColor colours[] = {clRed, clLime, clBlue};
            canvas->GetBrush()->SetColor(colours[index % 3]);
            canvas->FillRect(TRect{rect.left + 2, rect.top + 3, rect.left + 18, rect.bottom - 3});
            canvas->GetBrush()->SetStyle(bsClear);
            canvas->TextOut(rect.left + 24, rect.top + 3, static_cast<TListBox*>(control)->GetItems()->GetStrings(index));
        }
    } painter;
    drawn->OnDrawItem = TDrawItemEvent(&painter, &TPainter::Draw);
    auto* hbar = Make<TScrollBar>(10, 135, 250, 17);
    hbar->SetPageSize(20);
    hbar->SetPosition(30);
    auto* vbar = Make<TScrollBar>(400, 10, 17, 110);
    vbar->SetKind(sbVertical);
    vbar->SetBounds(400, 10, 17, 110);
    vbar->SetPosition(70);
    auto* edit = Make<TEdit>(10, 165, 60, 21);
    auto* updown = Make<TUpDown>(0, 0, 17, 21);
    updown->SetPosition(12);
    updown->SetAssociate(edit);
    auto* progress = Make<TProgressBar>(110, 165, 150, 18);
    progress->SetPosition(60);
    auto* smooth = Make<TProgressBar>(110, 190, 150, 18);
    smooth->SetSmooth(true);
    smooth->SetPosition(35);
    auto* track = Make<TTrackBar>(270, 160, 180, 45);
    track->SetPosition(4);
    auto* tree = Make<TTreeView>(10, 220, 250, 160);
    TTreeNode* radio = tree->GetItems()->Add(nullptr, "Radio");
    tree->GetItems()->AddChild(radio, "Channels");
    TTreeNode* tones = tree->GetItems()->AddChild(radio, "Tones");
    tree->GetItems()->AddChild(tones, "CTCSS");
    tree->GetItems()->AddChild(tones, "DCS");
    tree->GetItems()->Add(nullptr, "Options");
    tree->SetHideSelection(false);
    tree->FullExpand();
    tree->SetSelected(tones);
    ShowForm();
    UpdateWindow(Form->GetHandle());
    App->ProcessMessages();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    RECT frame;
    GetWindowRect(Form->GetHandle(), &frame);
    auto at = [&](TControl* control, int x, int y) {
        POINT p = control->ClientToScreen(POINT{x, y});
        p.x -= frame.left;
        p.y -= frame.top;
        return GdiPixelToColor(s.Row(p.y)[p.x] & 0xFFFFFF);
    };
    const TRect blue = drawn->ItemRect(2);
    EXPECT_EQ(at(drawn, blue.left + 8, (blue.top + blue.bottom) / 2), COLORREF(clBlue));
    const TRect selected = single->ItemRect(1);
    EXPECT_EQ(at(single, selected.right - 3, (selected.top + selected.bottom) / 2),
              COLORREF(ColorToRGB(clHighlight)));
    EXPECT_EQ(at(smooth, 20, 9), COLORREF(ColorToRGB(clHighlight)));
    EXPECT_EQ(at(smooth, 140, 9), COLORREF(ColorToRGB(clBtnFace)));
    const TRect tonesRow = tree->NodeRect(tones);
    EXPECT_EQ(at(tree, tree->ButtonRect(tones).right + 20, (tonesRow.top + tonesRow.bottom) / 2 - 5 ) != COLORREF(clWhite), true);
    testsupport::WritePng(testsupport::ArtifactPath("ListCtrlsSheet.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
}
