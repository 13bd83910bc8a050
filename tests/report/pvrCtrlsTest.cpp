// The report engine's small controls: the scroll window's ranges, positions and scroll
// messages, the tool-bar panel's alignment, the flat combo box's list, edit and painting.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/classlib/ExtCtrls.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinListBox.h"
#include "platform/winapi/WinScroll.h"
#include "report/pvrCtrls.h"
#include "tests/support/FormFixture.h"

namespace {

class CountingScrollWin : public TpvrScrollWin {
public:
    using TpvrScrollWin::TpvrScrollWin;
    Integer HorzChanges = 0;
    Integer VertChanges = 0;

protected:
    void OnHScrollChange() override { ++HorzChanges; }
    void OnVScrollChange() override { ++VertChanges; }
};

class CtrlsTest : public testsupport::TFormFixture {};

SCROLLINFO BarInfo(HWND window, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(window, bar, &info);
    return info;
}

} // namespace

TEST_F(CtrlsTest, ScrollPositionsClampAndAShortRangeHidesTheThumb) {
    auto* win = new CountingScrollWin(Form);
    win->SetParent(Form);
    win->SetBounds(0, 0, 200, 150);
    win->SetVertPage(100);
    win->SetVertRange(300);
    SCROLLINFO info = BarInfo(win->GetHandle(), SB_VERT);
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(300, info.nMax);
    EXPECT_EQ(100u, info.nPage);

    struct Case {
        Integer Set, Want;
    };
    for (const Case& c : {Case{50, 50}, Case{500, 200}, Case{-5, 0}, Case{200, 200}}) {
        SCOPED_TRACE(c.Set);
        win->SetVertPosition(c.Set);
        EXPECT_EQ(c.Want, win->GetVertPosition());
        EXPECT_EQ(c.Want, GetScrollPos(win->GetHandle(), SB_VERT));
    }
    // Only real moves are announced: 50, 200, 0, 200.
    EXPECT_EQ(4, win->VertChanges);
    EXPECT_EQ(0, win->HorzChanges);

    // A range below the page does not scroll.
    win->SetHorzPage(400);
    win->SetHorzRange(250);
    EXPECT_EQ(0, BarInfo(win->GetHandle(), SB_HORZ).nMax);
    win->SetHorzPosition(30);
    EXPECT_EQ(0, win->GetHorzPosition());
}

TEST_F(CtrlsTest, ScrollMessagesMoveByLinesPagesAndTheThumb) {
    auto* win = new CountingScrollWin(Form);
    win->SetParent(Form);
    win->SetBounds(0, 0, 200, 150);
    win->SetHorzPage(50);
    win->SetHorzRange(1000);
    win->SetHorzPosition(100);
    struct Case {
        WORD Code;
        WORD Pos;
        Integer Want;
    };
    const Case cases[] = {
        {SB_LINEDOWN, 0, 101}, {SB_LINEUP, 0, 100}, {SB_PAGEDOWN, 0, 110}, {SB_PAGEUP, 0, 100},
        {SB_BOTTOM, 0, 950},   {SB_TOP, 0, 0},      {SB_ENDSCROLL, 0, 0},  {SB_PAGEUP, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code);
        SendMessageA(win->GetHandle(), WM_HSCROLL, MAKEWPARAM(c.Code, c.Pos), 0);
        EXPECT_EQ(c.Want, win->GetHorzPosition());
    }
    // The thumb goes to where the bar says it is.
    SendMessageA(win->GetHandle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 321), 0);
    EXPECT_EQ(GetScrollPos(win->GetHandle(), SB_HORZ), win->GetHorzPosition());
    // It wants every key and leaves its background to its painting.
    EXPECT_EQ(DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS,
              SendMessageA(win->GetHandle(), WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(1, SendMessageA(win->GetHandle(), WM_ERASEBKGND, 0, 0));
}

TEST_F(CtrlsTest, ToolBarPanelStacksAtTheTopOfAVerticalToolBar) {
    struct Case {
        TAlign BarAlign;
        TAlign Want;
    };
    for (const Case& c :
         {Case{alTop, alLeft}, Case{alLeft, alTop}, Case{alRight, alTop}, Case{alBottom, alLeft}}) {
        SCOPED_TRACE(int(c.BarAlign));
        auto* bar = new TPanel(Form);
        bar->SetParent(Form);
        bar->SetAlign(c.BarAlign);
        auto* host = new TPanel(Form);
        host->SetParent(bar);
        auto* panel = new TpvrTBPanel(Form);
        EXPECT_EQ(alLeft, panel->GetAlign());
        EXPECT_EQ(8, panel->GetWidth());
        EXPECT_EQ(bvNone, panel->GetBevelOuter());
        panel->SetParent(host);
        EXPECT_EQ(c.Want, panel->GetAlign());
        delete panel;
        delete host;
        delete bar;
    }
}

TEST_F(CtrlsTest, ComboListTakesItsWidthAndOpensUpwardsNearTheScreenBottom) {
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        int FormTop;
        bool Up;
    };
    for (const Case& c : {Case{50, false}, Case{screenHeight - 70, true}}) {
        SCOPED_TRACE(c.FormTop);
        Form->SetBounds(50, c.FormTop, 300, 100);
        Form->Show();
        auto* box = new TpvrComboBox(Form);
        EXPECT_EQ(100, box->GetWidth());
        box->SetParent(Form);
        box->SetBounds(10, 10, 49, 21);
        box->SetListWidth(100);
        box->SetDropDownCount(3);
        for (const char* zoom : {"25 %", "50 %", "100 %", "200 %"})
            box->GetItems()->Add(zoom);
        box->SetDroppedDown(true);
        ASSERT_TRUE(box->GetDroppedDown());
        RECT list{}, field{};
        GetWindowRect(box->GetListHandle(), &list);
        GetWindowRect(box->GetHandle(), &field);
        EXPECT_EQ(100, list.right - list.left);
        EXPECT_EQ(3 * box->GetItemHeight() + 4, list.bottom - list.top);
        EXPECT_EQ(c.Up, box->GetDroppingUp());
        if (c.Up)
            EXPECT_LE(list.bottom, field.top);
        else
            EXPECT_GE(list.top, field.bottom);
        box->SetDroppedDown(false);
        delete box;
    }
}

// The drop-down list has no plain border: a client edge, painted raised, frames its items.
TEST_F(CtrlsTest, ComboListIsFramedByARaisedClientEdge) {
    Form->SetBounds(50, 50, 300, 100);
    Form->Show();
    auto* box = new TpvrComboBox(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 49, 21);
    box->SetListWidth(100);
    for (const char* zoom : {"25 %", "50 %", "100 %"})
        box->GetItems()->Add(zoom);
    box->SetDroppedDown(true);
    const HWND list = box->GetListHandle();
    ASSERT_NE(nullptr, list);
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_BORDER);
    RECT window{}, client{};
    GetWindowRect(list, &window);
    GetClientRect(list, &client);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    EXPECT_EQ(2, origin.x - window.left);
    EXPECT_EQ(2, origin.y - window.top);
    // Three items fill the client without a scroll bar.
    EXPECT_EQ(3 * box->GetItemHeight(), client.bottom);
    EXPECT_EQ(100 - 4, client.right);
    UpdateWindow(list);
    HDC dc = GetWindowDC(list);
    const int w = window.right - window.left, h = window.bottom - window.top;
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), GetPixel(dc, 0, h / 2));
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), GetPixel(dc, 1, h / 2));
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), GetPixel(dc, w - 2, h / 2));
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), GetPixel(dc, w - 1, h / 2));
    ReleaseDC(list, dc);
    box->SetDroppedDown(false);
    delete box;
}

TEST_F(CtrlsTest, ComboReadOnlyReachesItsEdit) {
    auto* box = new TpvrComboBox(Form);
    box->SetReadOnly(true);
    box->SetParent(Form);
    box->GetHandle();
    ASSERT_NE(nullptr, box->GetEditHandle());
    EXPECT_TRUE(GetWindowLongA(box->GetEditHandle(), GWL_STYLE) & ES_READONLY);
    box->SetReadOnly(false);
    EXPECT_FALSE(GetWindowLongA(box->GetEditHandle(), GWL_STYLE) & ES_READONLY);
}

namespace {

struct TPaintCounter : TObject {
    Integer Paints = 0;
    TColor Pixel = clNone;
    void Paint(TObject* sender) {
        ++Paints;
        auto* box = static_cast<TPaintBox*>(sender);
        box->GetCanvas()->GetBrush()->SetColor(clRed);
        box->GetCanvas()->FillRect(TRect(0, 0, box->GetWidth(), box->GetHeight()));
    }
};

} // namespace

TEST_F(CtrlsTest, PaintBoxLeavesItsPaintingToItsOwner) {
    auto* box = new TPaintBox(Form);
    EXPECT_EQ(105, box->GetWidth());
    EXPECT_EQ(105, box->GetHeight());
    box->SetParent(Form);
    box->SetBounds(10, 20, 30, 40);
    TPaintCounter counter;
    box->OnPaint = MakeEvent(&counter, &TPaintCounter::Paint);
    Form->Show();
    Form->Repaint();
    EXPECT_GT(counter.Paints, 0);
    // What it painted is on the form at its place.
    HDC dc = GetDC(Form->GetHandle());
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 15, 25));
    EXPECT_NE(RGB(255, 0, 0), GetPixel(dc, 5, 5));
    ReleaseDC(Form->GetHandle(), dc);
}

TEST_F(CtrlsTest, SplitterResizesTheControlItSitsAgainstAndKeepsTheMinimum) {
    struct Case {
        TAlign Align;
        Integer Drag, Want;
    };
    for (const Case& c :
         {Case{alLeft, 20, 120}, Case{alLeft, -90, 30}, Case{alRight, 20, 80}, Case{alTop, 15, 115}}) {
        SCOPED_TRACE(int(c.Align));
        auto* panel = new TPanel(Form);
        panel->SetParent(Form);
        panel->SetAlign(c.Align);
        panel->SetWidth(100);
        panel->SetHeight(100);
        auto* splitter = new TSplitter(Form);
        splitter->SetAlign(c.Align);
        splitter->SetParent(Form);
        // Dropped beyond the panel, it lines up against it.
        if (c.Align == alLeft) splitter->SetLeft(200);
        if (c.Align == alTop) splitter->SetTop(200);
        if (c.Align == alRight) splitter->SetLeft(0);
        Integer moved = 0;
        struct Counter : TObject {
            Integer* Count;
            void Moved(TObject*) { ++*Count; }
        } counter;
        counter.Count = &moved;
        splitter->OnMoved = MakeEvent(&counter, &Counter::Moved);
        Form->Show();
        const bool horizontal = c.Align == alLeft || c.Align == alRight;
        const POINT down{splitter->GetLeft() + 1, splitter->GetTop() + 1};
        const POINT to{down.x + (horizontal ? c.Drag : 0), down.y + (horizontal ? 0 : c.Drag)};
        HWND form = Form->GetHandle();
        SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(WORD(down.x), WORD(down.y)));
        SendMessageA(form, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(WORD(to.x), WORD(to.y)));
        SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(WORD(to.x), WORD(to.y)));
        EXPECT_EQ(c.Want, horizontal ? panel->GetWidth() : panel->GetHeight());
        EXPECT_EQ(1, moved);
        delete splitter;
        delete panel;
    }
}

TEST_F(CtrlsTest, ComboBoxPaintsFlatUntilActive) {
    auto* box = new TpvrComboBox(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 100, 22);
    box->GetItems()->Add("100 %");
    ShowUnfocused();
    const Integer w = box->GetClientWidth();
    const Integer h = box->GetClientHeight();
    // The arrow's top line starts here (buttons 11 wide).
    const Integer ax = Integer(std::lround(11 / 2.0)) + w - 11 - 4;
    const Integer ay = Integer(std::lround((h - 4) / 2.0)) + 1;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    struct Case {
        const char* Name;
        bool Enabled;
        bool Hover;
        COLORREF Corner;   // the control's top-left pixel
        COLORREF ButtonTL; // the button's top-left pixel
    };
    const Case cases[] = {
        {"flat", true, false, face, window},
        {"under the mouse", true, true, shadow, GetSysColor(COLOR_BTNHIGHLIGHT)},
        {"disabled", false, false, face, window},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        box->SetEnabled(c.Enabled);
        box->Perform(c.Hover ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
        box->Repaint();
        HDC dc = GetDC(box->GetHandle());
        EXPECT_EQ(c.Corner, GetPixel(dc, 0, 0));
        EXPECT_EQ(c.ButtonTL, GetPixel(dc, w - 11 - 2, 2));
        // The black arrow of 5, 3 and 1 pixels.
        EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, ax, ay));
        EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, ax + 4, ay));
        EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, ax + 2, ay + 2));
        EXPECT_NE(RGB(0, 0, 0), GetPixel(dc, ax, ay + 2));
        ReleaseDC(box->GetHandle(), dc);
    }
    EXPECT_FALSE(box->IsActive());
    box->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(box->IsActive());
}

TEST_F(CtrlsTest, ComboEditSitsInsideTheFlatFrameAndItemsFollowTheFont) {
    auto* box = new TpvrComboBox(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 100, 22);
    Form->Show();
    const auto expectEditPlaced = [&](Integer indent) {
        RECT edit{}, client{};
        GetWindowRect(box->GetEditHandle(), &edit);
        MapWindowPoints(nullptr, box->GetHandle(), reinterpret_cast<POINT*>(&edit), 2);
        ::GetClientRect(box->GetHandle(), &client);
        EXPECT_EQ(indent + 3, edit.left);
        EXPECT_EQ(3, edit.top);
        EXPECT_EQ(client.right - box->GetButtonWidth() - indent - 7, edit.right - edit.left);
        EXPECT_EQ(client.bottom - 6, edit.bottom - edit.top);
    };
    struct Case {
        Integer Indent, Width;
    };
    for (const Case& c : {Case{0, 100}, Case{16, 130}}) {
        SCOPED_TRACE(c.Indent);
        box->SetImageIndent(c.Indent);
        box->SetWidth(c.Width);
        expectEditPlaced(c.Indent);
    }

    // A larger font makes the items as high as its text; the edit stays inside the frame.
    const Integer before = box->GetItemHeight();
    box->GetFont()->SetSize(box->GetFont()->GetSize() * 2);
    TBitmap measure;
    measure.GetCanvas()->SetFont(box->GetFont());
    EXPECT_EQ(measure.GetCanvas()->TextHeight("Wg"), box->GetItemHeight());
    EXPECT_GT(box->GetItemHeight(), before);
    expectEditPlaced(16);
}

TEST_F(CtrlsTest, ComboListStaysAtItsTopWhileTheChosenItemIsAmongTheFirst) {
    auto* box = new TpvrComboBox(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 60, 21);
    box->SetDropDownCount(4);
    for (Integer i = 0; i < 10; ++i)
        box->GetItems()->Add(IntToStr(i * 25) + " %");
    Form->Show();
    struct Case {
        Integer Chosen;
        WPARAM AskedTop;
        LRESULT WantTop;
    };
    for (const Case& c : {Case{3, 2, 0}, Case{8, 3, 3}}) {
        SCOPED_TRACE(c.Chosen);
        box->SetItemIndex(c.Chosen);
        box->SetDroppedDown(true);
        SendMessageA(box->GetListHandle(), LB_SETTOPINDEX, c.AskedTop, 0);
        EXPECT_EQ(c.WantTop, SendMessageA(box->GetListHandle(), LB_GETTOPINDEX, 0, 0));
        box->SetDroppedDown(false);
    }
}
