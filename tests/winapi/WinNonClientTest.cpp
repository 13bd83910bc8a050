// The non-client area: what every part of a framed child answers to WM_NCHITTEST, the classic
// frame, caption and scroll bars it paints (and a picture of it), WM_NCPAINT's region and
// WM_NCACTIVATE, the caption's buttons, and moving and sizing a child by its frame.
#include <gtest/gtest.h>

#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinScroll.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr DWORD ChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU |
                             WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_HSCROLL | WS_VSCROLL;

// A frame of 4, a caption of 19 and a client edge of 2 around a 300 x 200 child: the client area
// is (6, 25) - (278, 178); the vertical bar runs down x 278..294, the horizontal one along
// y 178..194. Caption buttons (16 x 14): minimize 244..260, maximize 260..276, close 278..294.
class WinNonClientTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Top = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400, 300);
        Child = Make(ChildStyle, 20, 20, 300, 200, Top, WS_EX_CLIENTEDGE, nullptr, "Channels");
        PumpAll();
        Rec.Clear();
    }
    // A pixel of the top-level image, in the child's window coordinates.
    COLORREF At(int x, int y) const { return ImagePixel(Top, x + 20, y + 20); }
    static POINT ScreenOf(HWND w, int x, int y) {
        RECT r;
        GetWindowRect(w, &r);
        return POINT{r.left + x, r.top + y};
    }
    static LRESULT HitAt(HWND w, int x, int y) {
        return SendMessageA(w, WM_NCHITTEST, 0, PointToLParam(ScreenOf(w, x, y)));
    }
    static void Click(POINT down, POINT up) {
        WinInputMouseButton(down, TWinMouseButton::Left, true);
        if (down.x != up.x || down.y != up.y) WinInputMouseMove(up);
        WinInputMouseButton(up, TWinMouseButton::Left, false);
        PumpAll();
    }
    // The system command the window was sent last (0: none).
    WPARAM LastCommand(HWND w) const {
        WPARAM command = 0;
        for (const Seen& s : Rec.Log)
            if (s.Window == w && s.Message == WM_SYSCOMMAND) command = s.WParam;
        return command;
    }

    HWND Top = nullptr;
    HWND Child = nullptr;
};

// Sets system colours for a test and puts them back.
class ScopedSysColors {
public:
    ScopedSysColors(std::vector<std::pair<int, COLORREF>> colours) {
        for (auto& [index, colour] : colours) {
            FIndices.push_back(index);
            FOld.push_back(GetSysColor(index));
            FNew.push_back(colour);
        }
        SetSysColors(int(FIndices.size()), FIndices.data(), FNew.data());
    }
    ~ScopedSysColors() { SetSysColors(int(FIndices.size()), FIndices.data(), FOld.data()); }

private:
    std::vector<INT> FIndices;
    std::vector<COLORREF> FOld, FNew;
};

TEST_F(WinNonClientTest, EveryPartOfAFramedChildAnswersItsHitTestCode) {
    RECT client;
    GetClientRect(Child, &client);
    EXPECT_EQ(client.right, 272);
    EXPECT_EQ(client.bottom, 153);
    struct Case {
        const char* Name;
        int X, Y;
        LRESULT Want;
    };
    const std::vector<Case> cases = {
        {"client", 150, 100, HTCLIENT},
        {"left of the window", -1, 100, HTNOWHERE},
        {"below the window", 150, 200, HTNOWHERE},
        {"left border", 1, 100, HTLEFT},
        {"right border", 298, 100, HTRIGHT},
        {"top border", 150, 1, HTTOP},
        {"bottom border", 150, 198, HTBOTTOM},
        {"top-left corner", 0, 0, HTTOPLEFT},
        {"top-left corner along the top", 21, 2, HTTOPLEFT},
        {"top past the corner", 22, 2, HTTOP},
        {"top-left corner along the left", 2, 21, HTTOPLEFT},
        {"top-right corner", 298, 1, HTTOPRIGHT},
        {"bottom-left corner", 1, 198, HTBOTTOMLEFT},
        {"bottom-right corner", 299, 199, HTBOTTOMRIGHT},
        {"bottom-right corner along the right", 298, 180, HTBOTTOMRIGHT},
        {"caption", 150, 10, HTCAPTION},
        {"system menu icon", 10, 10, HTSYSMENU},
        {"minimize button", 252, 12, HTMINBUTTON},
        {"maximize button", 268, 12, HTMAXBUTTON},
        {"between maximize and close", 277, 12, HTCAPTION},
        {"close button", 286, 12, HTCLOSE},
        {"below the close button, in its column", 286, 21, HTCLOSE},
        {"caption's last line", 150, 22, HTCAPTION},
        {"client edge", 5, 100, HTBORDER},
        {"client edge beside the bar", 295, 100, HTBORDER},
        {"vertical scroll bar", 286, 100, HTVSCROLL},
        {"vertical bar's last pixel", 293, 177, HTVSCROLL},
        {"horizontal scroll bar", 150, 186, HTHSCROLL},
        {"size box", 286, 186, HTSIZE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(HitAt(Child, c.X, c.Y), c.Want);
    }
    EXPECT_EQ(HTSIZE, HTGROWBOX);
}

TEST_F(WinNonClientTest, OtherFramesAnswerTheirParts) {
    struct Case {
        const char* Name;
        DWORD Style;
        DWORD ExStyle;
        bool TopLevelWithMenu;
        int X, Y;
        LRESULT Want;
    };
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<Case> cases = {
        {"menu bar of a top-level window", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, true, 50, 5, HTMENU},
        {"thin border", child | WS_BORDER, 0, false, 0, 50, HTBORDER},
        {"dialog frame", child | WS_DLGFRAME, 0, false, 2, 50, HTBORDER},
        {"static edge", child, WS_EX_STATICEDGE, false, 0, 50, HTBORDER},
        {"tool window close", child | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, false, 190, 8, HTCLOSE},
        {"tool window has no system menu", child | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, false, 8, 8,
         HTCAPTION},
        {"help button", child | WS_CAPTION | WS_SYSMENU, WS_EX_CONTEXTHELP, false, 170, 10, HTHELP},
        {"no buttons without a system menu", child | WS_CAPTION, 0, false, 186, 10, HTCAPTION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND w = c.TopLevelWithMenu ? Make(c.Style, 600, 100, 200, 100, nullptr, c.ExStyle, nullptr, "",
                                           reinterpret_cast<HMENU>(std::intptr_t(1)))
                                    : Make(c.Style, 10, 10, 200, 100, Top, c.ExStyle);
        EXPECT_EQ(HitAt(w, c.X, c.Y), c.Want);
        DestroyWindow(w);
    }
    // A minimized child is all caption, its buttons aside.
    ShowWindow(Child, SW_MINIMIZE);
    EXPECT_EQ(HitAt(Child, 60, 12), HTCAPTION);
    RECT r;
    GetWindowRect(Child, &r);
    EXPECT_EQ(HitAt(Child, r.right - r.left - 14, 12), HTCLOSE);
}

TEST_F(WinNonClientTest, TransparentPartsAndDisabledWindows) {
    // A window answering HTTRANSPARENT lets the window below it take the point.
    HWND below = Make(WS_CHILD | WS_VISIBLE, 100, 100, 50, 50, Child);
    HWND above = Make(WS_CHILD | WS_VISIBLE, 100, 100, 50, 50, Child);
    SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    POINT p = ScreenOf(below, 10, 10);
    EXPECT_EQ(WindowFromPoint(p), above);
    Rec.Handler = [above](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (h != above || m != WM_NCHITTEST) return false;
        r = HTTRANSPARENT;
        return true;
    };
    EXPECT_EQ(WindowFromPoint(p), below);
    // A click on a disabled top-level window is an error: the cursor is told HTERROR.
    HWND disabled = Make(WS_POPUP | WS_VISIBLE | WS_DISABLED, 600, 100, 80, 80);
    Rec.Ignored.erase(WM_SETCURSOR);
    Rec.Clear();
    Click(POINT{640, 140}, POINT{640, 140});
    const Seen* cursor = Rec.Find(WM_SETCURSOR, disabled);
    ASSERT_TRUE(cursor);
    EXPECT_EQ(SHORT(LOWORD(cursor->LParam)), HTERROR);
    EXPECT_FALSE(Rec.Find(WM_NCLBUTTONDOWN, disabled));
    EXPECT_FALSE(Rec.Find(WM_LBUTTONDOWN, disabled));
}

TEST_F(WinNonClientTest, PaintsTheClassicFrameWithCaptionAndScrollBars) {
    // Colours of their own for the parts that share the button face in the classic scheme.
    const COLORREF Shaft = RGB(0, 160, 0), Light = RGB(255, 255, 0), Border = RGB(255, 0, 255),
                   IdleBorder = RGB(0, 255, 255);
    ScopedSysColors colours({{COLOR_SCROLLBAR, Shaft},
                             {COLOR_3DLIGHT, Light},
                             {COLOR_ACTIVEBORDER, Border},
                             {COLOR_INACTIVEBORDER, IdleBorder}});
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMax = 100;
    si.nPage = 20;
    si.nPos = 30;
    SetScrollInfo(Child, SB_VERT, &si, TRUE);
    si.nMax = 50;
    si.nPage = 10;
    si.nPos = 0;
    SetScrollInfo(Child, SB_HORZ, &si, TRUE);
    SendMessageA(Child, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(Top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    PumpAll();

    // The thumb: 121 pixels of shaft, a page of 20 in 101 makes it 23 long; position 30 of the
    // 81 it can take puts it 36 pixels down.
    SCROLLBARINFO info;
    ASSERT_TRUE(GetScrollBarInfo(Child, OBJID_VSCROLL, &info));
    EXPECT_EQ(info.xyThumbTop, 16 + 36);
    EXPECT_EQ(info.xyThumbBottom, 16 + 36 + 23);
    const int thumbTop = 25 + info.xyThumbTop;

    struct Probe {
        const char* Name;
        int X, Y;
        COLORREF Want;
    };
    const std::vector<Probe> probes = {
        {"outer frame, top-left", 0, 0, Light},
        {"outer frame, bottom-right", 299, 199, GetSysColor(COLOR_3DDKSHADOW)},
        {"inner frame", 1, 100, GetSysColor(COLOR_3DHILIGHT)},
        {"active border band", 2, 100, Border},
        {"caption's first column", 4, 6, GetSysColor(COLOR_ACTIVECAPTION)},
        {"caption's last column", 295, 6, GetSysColor(COLOR_GRADIENTACTIVECAPTION)},
        {"line below the caption", 150, 22, GetSysColor(COLOR_3DFACE)},
        {"close button face", 280, 8, GetSysColor(COLOR_3DFACE)},
        {"client edge, outer", 4, 100, GetSysColor(COLOR_3DSHADOW)},
        {"client edge, inner", 5, 100, GetSysColor(COLOR_3DDKSHADOW)},
        {"client edge, outer right", 295, 100, GetSysColor(COLOR_3DHILIGHT)},
        {"up arrow face", 280, 27, GetSysColor(COLOR_3DFACE)},
        {"shaft above the thumb", 286, thumbTop - 5, Shaft},
        {"thumb", 286, thumbTop + 10, GetSysColor(COLOR_3DFACE)},
        {"shaft below the thumb", 286, 150, Shaft},
        {"horizontal shaft", 150, 186, Shaft},
        {"horizontal thumb", 40, 186, GetSysColor(COLOR_3DFACE)},
        {"size box", 286, 186, GetSysColor(COLOR_3DFACE)},
        {"client area", 150, 100, GetSysColor(COLOR_WINDOW)},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.Name);
        EXPECT_EQ(At(p.X, p.Y), p.Want);
    }

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Top, s));
    testsupport::WritePng(testsupport::ArtifactPath("WinNonClientTest_FramedChild.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), s.Width);

    // Inactive: the caption and the sizing border take their inactive colours at once.
    SendMessageA(Child, WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(At(4, 6), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(At(295, 6), GetSysColor(COLOR_GRADIENTINACTIVECAPTION));
    EXPECT_EQ(At(2, 100), IdleBorder);
    testsupport::WritePng(testsupport::ArtifactPath("WinNonClientTest_FramedChildInactive.png"), s.Width,
                          s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits), s.Width);
}

TEST_F(WinNonClientTest, NcPaintRepaintsOnlyTheRegionGiven) {
    PumpAll();
    HDC dc = GetWindowDC(Child);
    RECT all{0, 0, 300, 200};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    ReleaseDC(Child, dc);
    // The region of the vertical bar, in screen coordinates.
    POINT a = ScreenOf(Child, 278, 25), b = ScreenOf(Child, 294, 178);
    HRGN region = CreateRectRgn(a.x, a.y, b.x, b.y);
    SendMessageA(Child, WM_NCPAINT, WPARAM(region), 0);
    DeleteObject(region);
    EXPECT_EQ(At(280, 27), GetSysColor(COLOR_3DFACE)) << "the up arrow is back";
    EXPECT_EQ(At(150, 10), RGB(255, 0, 0)) << "the caption was left alone";
    EXPECT_EQ(At(150, 186), RGB(255, 0, 0)) << "and so was the other bar";
    // 1: the whole frame.
    SendMessageA(Child, WM_NCPAINT, 1, 0);
    EXPECT_NE(At(150, 10), RGB(255, 0, 0));
    EXPECT_EQ(At(150, 100), RGB(255, 0, 0)) << "the client area is not the frame's";
}

TEST_F(WinNonClientTest, CaptionButtonsSendTheirCommands) {
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, RecordingClass(), &wc));
    wc.lpszClassName = "KovNcNoClose";
    wc.style = CS_NOCLOSE;
    if (!GetClassInfoA(nullptr, wc.lpszClassName, &wc)) { ASSERT_NE(RegisterClassA(&wc), 0); }
    RECT normal;
    GetWindowRect(Child, &normal);
    struct Case {
        const char* Name;
        const char* Class;
        int Button;      // distance of the button's centre from the right edge
        bool ReleaseOff; // released on the caption instead
        WPARAM Want;
    };
    const int Close = 14, Max = 32, Min = 48;
    const std::vector<Case> cases = {
        {"maximize", nullptr, Max, false, SC_MAXIMIZE},
        {"restore from maximized", nullptr, Max, false, SC_RESTORE},
        {"released off the button", nullptr, Max, true, 0},
        {"minimize", nullptr, Min, false, SC_MINIMIZE},
        {"close of a class without close", "KovNcNoClose", Close, false, 0},
        {"close", nullptr, Close, false, SC_CLOSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND w = Child;
        if (c.Class) {
            w = Make(ChildStyle, 20, 20, 300, 200, Top, WS_EX_CLIENTEDGE, c.Class, "No close");
            SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            PumpAll();
        }
        RECT r;
        GetWindowRect(w, &r);
        int width = r.right - r.left;
        Rec.Clear();
        POINT down = ScreenOf(w, width - c.Button, 12);
        Click(down, c.ReleaseOff ? ScreenOf(w, 100, 12) : down);
        EXPECT_EQ(LastCommand(w) & 0xFFF0, c.Want);
        EXPECT_TRUE(Rec.Find(WM_NCLBUTTONDOWN, w));
        EXPECT_EQ(GetCapture(), nullptr);
        if (c.Want == SC_MAXIMIZE) {
            // Over the parent's client area, with the frame just outside it.
            EXPECT_TRUE(IsZoomed(w));
            RECT zoomed;
            GetWindowRect(w, &zoomed);
            EXPECT_EQ(zoomed.left, 100 - 4);
            EXPECT_EQ(zoomed.right, 500 + 4);
            EXPECT_EQ(zoomed.bottom, 400 + 4);
        }
        if (c.Want == SC_RESTORE) {
            RECT back;
            GetWindowRect(w, &back);
            EXPECT_FALSE(IsZoomed(w));
            EXPECT_EQ(back.left, normal.left);
            EXPECT_EQ(back.bottom, normal.bottom);
        }
        if (c.Want == SC_MINIMIZE) {
            EXPECT_TRUE(IsIconic(w));
            ShowWindow(w, SW_RESTORE);
        }
        if (c.Want == SC_CLOSE) { EXPECT_FALSE(IsWindow(w)); }
        if (c.Class) {
            EXPECT_TRUE(IsWindow(w));
            DestroyWindow(w);
        }
    }
}

TEST_F(WinNonClientTest, MovingAndSizingByTheFrame) {
    RECT start;
    GetWindowRect(Child, &start);
    struct Case {
        const char* Name;
        int X, Y;   // where the frame is taken (window coordinates)
        int Dx, Dy; // how far the pointer goes
        bool Escape;
        RECT Want; // the window rectangle after, relative to where it started
        UINT Tracking;
        WPARAM Command;
    };
    const std::vector<Case> cases = {
        {"moved by the caption",
         150,
         10,
         30,
         20,
         false,
         {30, 20, 30, 20},
         WM_MOVING,
         SC_MOVE + WPARAM(HTCAPTION)},
        {"sized by the bottom-right corner",
         299,
         199,
         40,
         30,
         false,
         {0, 0, 40, 30},
         WM_SIZING,
         SC_SIZE + WMSZ_BOTTOMRIGHT},
        {"sized by the top edge", 150, 1, 0, -20, false, {0, -20, 0, 0}, WM_SIZING, SC_SIZE + WMSZ_TOP},
        {"held at the smallest width",
         1,
         100,
         250,
         0,
         false,
         {300 - 112, 0, 0, 0},
         WM_SIZING,
         SC_SIZE + WMSZ_LEFT},
        {"Escape puts it back", 150, 10, 30, 20, true, {0, 0, 0, 0}, WM_MOVING, SC_MOVE + WPARAM(HTCAPTION)},
    };
    SetFocus(Child);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SetWindowPos(Child, nullptr, 20, 20, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        PumpAll();
        Rec.Clear();
        POINT down = ScreenOf(Child, c.X, c.Y);
        POINT to{down.x + c.Dx, down.y + c.Dy};
        WinInputMouseButton(down, TWinMouseButton::Left, true);
        WinInputMouseMove(to);
        if (c.Escape) WinInputKey(VK_ESCAPE, false, true);
        WinInputMouseButton(to, TWinMouseButton::Left, false);
        PumpAll();
        RECT r;
        GetWindowRect(Child, &r);
        EXPECT_EQ(r.left - start.left, c.Want.left);
        EXPECT_EQ(r.top - start.top, c.Want.top);
        EXPECT_EQ(r.right - start.right, c.Want.right);
        EXPECT_EQ(r.bottom - start.bottom, c.Want.bottom);
        EXPECT_EQ(LastCommand(Child), c.Command);
        std::vector<UINT> loop;
        for (UINT m : Rec.Messages(Child))
            if (m == WM_ENTERSIZEMOVE || m == WM_EXITSIZEMOVE || m == WM_MOVING || m == WM_SIZING)
                loop.push_back(m);
        EXPECT_EQ(loop, (std::vector<UINT>{WM_ENTERSIZEMOVE, c.Tracking, WM_EXITSIZEMOVE}));
        if (c.Tracking == WM_SIZING) {
            const Seen* sizing = Rec.Find(WM_SIZING, Child);
            ASSERT_TRUE(sizing);
            EXPECT_EQ(sizing->WParam, c.Command & 0x000F);
        }
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST_F(WinNonClientTest, ScrollBarPressFromTheFrameReachesTheWindow) {
    // A press on a window's bar goes WM_NCLBUTTONDOWN -> WM_SYSCOMMAND SC_VSCROLL -> WM_VSCROLL.
    std::vector<WPARAM> scrolls;
    Rec.Handler = [&](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
        if (h != Child || m != WM_VSCROLL) return false;
        scrolls.push_back(LOWORD(wp));
        r = 0;
        return true;
    };
    POINT arrow = ScreenOf(Child, 286, 170);
    Click(arrow, arrow);
    EXPECT_EQ(LastCommand(Child), SC_VSCROLL + WPARAM(HTVSCROLL));
    EXPECT_EQ(scrolls, (std::vector<WPARAM>{SB_LINEDOWN, SB_ENDSCROLL}));
}

} // namespace
