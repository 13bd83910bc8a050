// The display on Qt's offscreen platform: a Qt window for each shown top-level window at its
// screen position, with its title and the image our code painted; what the window manager does
// to it comes back as messages.
#include <gtest/gtest.h>

#include "platform/backend/Backend.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMenu.h"
#include "platform/winapi/WinMonitor.h"
#include "platform/winapi/WinScroll.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class BackendSurfaceTest : public WinTest {
protected:
    void SetUp() override {
        BackendInstall(true);
        WinTest::SetUp();
    }
    // Lets Qt deliver what it has (a zero wait for messages does).
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        PumpAll();
    }
    static void Fill(HWND w, COLORREF c) {
        HDC dc = GetDC(w);
        RECT r{0, 0, 10000, 10000};
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc, &r, b);
        DeleteObject(b);
        ReleaseDC(w, dc);
    }
};

TEST_F(BackendSurfaceTest, ShownWindowsGetAQtWindowAtTheirPlace) {
    ASSERT_TRUE(BackendInstalled());
    HWND popup = Make(WS_POPUP | WS_BORDER, 40, 30, 120, 80, nullptr, 0, nullptr, "Popup");
    TBackendSurfaceInfo info;
    EXPECT_FALSE(BackendSurfaceInfo(popup, info)); // hidden: no surface yet
    ShowWindow(popup, SW_SHOW);
    Settle();
    ASSERT_TRUE(BackendSurfaceInfo(popup, info));
    EXPECT_TRUE(info.Visible);
    EXPECT_TRUE(info.Exposed); // what we present reaches the screen
    EXPECT_TRUE(info.Frameless);
    EXPECT_EQ(info.Geometry.left, 40); // the whole window, our frame included
    EXPECT_EQ(info.Geometry.top, 30);
    EXPECT_EQ(info.Geometry.right, 160);
    EXPECT_EQ(info.Title, "Popup");

    // A window with a caption: the window manager frames it; Qt shows the client area.
    HWND framed = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, nullptr, 0, nullptr, "Framed");
    Settle();
    ASSERT_TRUE(BackendSurfaceInfo(framed, info));
    EXPECT_FALSE(info.Frameless);
    RECT client;
    GetClientRect(framed, &client);
    POINT origin{0, 0};
    ClientToScreen(framed, &origin);
    EXPECT_EQ(info.Geometry.left, origin.x);
    EXPECT_EQ(info.Geometry.top, origin.y);
    EXPECT_EQ(info.Geometry.right - info.Geometry.left, client.right);
    EXPECT_EQ(info.Geometry.bottom - info.Geometry.top, client.bottom);

    // Our changes follow.
    SetWindowTextA(framed, "\xE8\xAF\xBB\xE5\x8F\x96"); // 读取
    MoveWindow(popup, 50, 60, 100, 70, TRUE);
    ShowWindow(framed, SW_HIDE);
    Settle();
    ASSERT_TRUE(BackendSurfaceInfo(framed, info));
    EXPECT_EQ(info.Title, "\xE8\xAF\xBB\xE5\x8F\x96");
    EXPECT_FALSE(info.Visible);
    EXPECT_FALSE(info.Exposed);
    ASSERT_TRUE(BackendSurfaceInfo(popup, info));
    EXPECT_EQ(info.Geometry.left, 50);
    EXPECT_EQ(info.Geometry.bottom, 130);
    DestroyWindow(popup);
    EXPECT_FALSE(BackendSurfaceInfo(popup, info));
    // Children and hidden windows never get one.
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, framed);
    EXPECT_FALSE(BackendSurfaceInfo(child, info));
}

TEST_F(BackendSurfaceTest, QtShowsThePaintedImageAndSavesItAsPng) {
    HWND w = Make(WS_POPUP | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN, 10, 10, 64, 48);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 20, 16, w);
    Settle();
    Fill(w, RGB(0, 0, 255)); // kept out of the child by WS_CLIPCHILDREN
    Fill(child, RGB(255, 0, 0));
    Settle();
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(BackendSurfacePixels(w, width, height, pixels));
    ASSERT_EQ(width, 64);
    ASSERT_EQ(height, 48);
    auto at = [&](int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; };
    EXPECT_EQ(at(0, 0), 0x000000u);                   // the border (window frame colour)
    EXPECT_EQ(at(5, 5), 0x0000FFu);                   // blue client area
    EXPECT_EQ(at(1 + 10 + 2, 1 + 10 + 2), 0xFF0000u); // the red child
    std::string path = testsupport::ArtifactPath("BackendSurfaceTest_Window.png");
    ASSERT_TRUE(BackendSaveSurfacePng(w, path));
    std::string png = testsupport::ReadFileBytes(path);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
}

TEST_F(BackendSurfaceTest, WindowManagerMovesResizesAndCloses) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    Settle();
    RECT client;
    GetClientRect(w, &client);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    Rec.Clear();
    RECT moved{origin.x + 20, origin.y + 10, origin.x + 20 + 250, origin.y + 10 + 150};
    ASSERT_TRUE(BackendSynthGeometry(w, moved));
    Settle();
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 250);
    EXPECT_EQ(client.bottom, 150);
    POINT now{0, 0};
    ClientToScreen(w, &now);
    EXPECT_EQ(now.x, moved.left);
    EXPECT_EQ(now.y, moved.top);
    EXPECT_TRUE(Rec.Find(WM_WINDOWPOSCHANGED, w));
    const Seen* size = Rec.Find(WM_SIZE, w);
    ASSERT_TRUE(size);
    EXPECT_EQ(LOWORD(size->LParam), 250);
    // Minimizing and restoring by the window manager go through WM_SYSCOMMAND.
    Rec.Clear();
    ASSERT_TRUE(BackendSynthWindowState(w, true, false));
    Settle();
    const Seen* command = Rec.Find(WM_SYSCOMMAND, w);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->WParam, SC_MINIMIZE);
    EXPECT_TRUE(IsIconic(w));
    BackendSynthWindowState(w, false, false);
    Settle();
    EXPECT_FALSE(IsIconic(w));
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 250);
    // Closing asks the window (WM_SYSCOMMAND, then WM_CLOSE), which may refuse.
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) { return h == w && m == WM_CLOSE; };
    ASSERT_TRUE(BackendSynthClose(w));
    Settle();
    EXPECT_TRUE(Rec.Find(WM_CLOSE, w));
    EXPECT_TRUE(IsWindow(w));
    Rec.Handler = nullptr;
    BackendSynthClose(w);
    Settle();
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(BackendSurfaceTest, SurfacesShowTheCurrentCursor) {
    // The class cursor reaches the surfaces through WM_SETCURSOR when the pointer moves.
    WNDCLASSA wc;
    wc.lpfnWndProc = RecordingProc;
    wc.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    wc.lpszClassName = "KovBackendCursorClass";
    if (!GetClassInfoA(nullptr, wc.lpszClassName, &wc)) RegisterClassA(&wc);
    HWND w = Make(WS_POPUP | WS_VISIBLE, 300, 300, 40, 40, nullptr, 0, "KovBackendCursorClass");
    Settle();
    SetCursor(nullptr);
    TBackendSurfaceInfo info;
    ASSERT_TRUE(BackendSurfaceInfo(w, info));
    EXPECT_TRUE(info.CursorHidden);
    BackendSynthMouse(w, TBackendMouse::Move, 5, 5);
    Settle();
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
    ASSERT_TRUE(BackendSurfaceInfo(w, info));
    EXPECT_TRUE(info.CursorPicture);
    EXPECT_FALSE(info.CursorHidden);
    ShowCursor(FALSE);
    ASSERT_TRUE(BackendSurfaceInfo(w, info));
    EXPECT_TRUE(info.CursorHidden);
    ShowCursor(TRUE);
    ASSERT_TRUE(BackendSurfaceInfo(w, info));
    EXPECT_TRUE(info.CursorPicture);
}

} // namespace

TEST_F(BackendSurfaceTest, MonitorsAreQtsScreens) {
    std::vector<TWinScreen> screens = WinGetBackend()->Screens();
    ASSERT_FALSE(screens.empty());
    EXPECT_TRUE(screens.front().Primary);
    for (size_t i = 1; i < screens.size(); ++i)
        EXPECT_FALSE(screens[i].Primary);
    RECT screen = WinGetBackend()->ScreenRect();
    EXPECT_EQ(screens.front().Geometry.right, screen.right);
    EXPECT_EQ(screens.front().Geometry.bottom, screen.bottom);
    // The window system's monitors are these screens; a window on the primary one finds it.
    std::vector<TWinMonitor> monitors = WinMonitors();
    ASSERT_EQ(monitors.size(), screens.size());
    HWND w = Make(WS_POPUP | WS_VISIBLE, 10, 10, 50, 50);
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONULL), &info));
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
    EXPECT_EQ(info.rcMonitor.right, screen.right);
    EXPECT_EQ(info.rcWork.bottom, WinGetBackend()->WorkArea().bottom);
}

TEST_F(BackendSurfaceTest, ACaptionedWindowShowsItsMenuBarAndScrollBars) {
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_STRING, 1, "&File");
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_VISIBLE, 100, 100, 300, 200, nullptr, 0, nullptr,
                  "Framed", bar);
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE, 0, 100, 10, 0, 0};
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    Settle();
    RECT window, client;
    GetWindowRect(w, &window);
    GetClientRect(w, &client);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    TBackendSurfaceInfo info;
    ASSERT_TRUE(BackendSurfaceInfo(w, info));
    // The window manager draws the caption and the border; the menu bar above the client area
    // and the scroll bar beside it are ours and shown.
    const int border = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(info.Geometry.left, window.left + border);
    EXPECT_EQ(info.Geometry.right, window.right - border);
    EXPECT_EQ(info.Geometry.bottom, window.bottom - border);
    EXPECT_EQ(info.Geometry.top, origin.y - GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(info.Geometry.right - info.Geometry.left, client.right + GetSystemMetrics(SM_CXVSCROLL));
    // Moved by the window manager, the window keeps that relation.
    RECT moved{info.Geometry.left + 30, info.Geometry.top + 20, info.Geometry.right + 30 + 40,
               info.Geometry.bottom + 20 + 10};
    ASSERT_TRUE(BackendSynthGeometry(w, moved));
    Settle();
    RECT after;
    GetClientRect(w, &after);
    EXPECT_EQ(after.right, client.right + 40);
    EXPECT_EQ(after.bottom, client.bottom + 10);
    POINT now{0, 0};
    ClientToScreen(w, &now);
    EXPECT_EQ(now.x, origin.x + 30);
    EXPECT_EQ(now.y, origin.y + 20);
}
