// Painting: update regions and WM_PAINT, erasing, what BeginPaint and GetDC may draw on (client
// area, children, siblings, regions), the frame, scrolling, locking, printing, and the pixels a
// top-level window's image ends up with.
#include <gtest/gtest.h>

#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Green = RGB(0, 255, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

class WinPaintTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Rec.Ignored = {WM_NCHITTEST, WM_SETCURSOR, WM_GETTEXT, WM_GETTEXTLENGTH, WM_GETICON};
    }
    // A pixel of a top-level window's image (window coordinates), as 0x00BBGGRR.
    static COLORREF At(HWND top, int x, int y) { return ImagePixel(top, x, y); }
    static void Fill(HDC dc, const RECT& r, COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    // Paints every window that waits for it, each filling its client area with its colour.
    void PaintAll(std::map<HWND, COLORREF> colours) {
        Rec.Handler = [colours](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
            if (m != WM_PAINT) return false;
            auto it = colours.find(h);
            if (it == colours.end()) return false;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            RECT all{0, 0, 1000, 1000};
            Fill(dc, all, it->second);
            EndPaint(h, &ps);
            r = 0;
            return true;
        };
        PumpAll();
        Rec.Handler = nullptr;
    }
};

TEST_F(WinPaintTest, InvalidationBringsOneWmPaintWithTheRegion) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 80);
    PumpAll();
    Rec.Clear();
    RECT a{10, 10, 20, 20}, b{50, 40, 60, 50};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, TRUE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));
    EXPECT_EQ(update.left, 10);
    EXPECT_EQ(update.bottom, 50);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetUpdateRgn(w, rgn, FALSE), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(rgn, 15, 15));
    EXPECT_FALSE(PtInRegion(rgn, 30, 30));
    DeleteObject(rgn);
    PAINTSTRUCT seen{};
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (m != WM_PAINT) return false;
        BeginPaint(h, &seen);
        EndPaint(h, &seen);
        return true;
    };
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_PAINT, w), 1);
    EXPECT_EQ(Rec.Count(WM_ERASEBKGND, w), 1); // one of the invalidations asked for it
    EXPECT_EQ(seen.rcPaint.left, 10);
    EXPECT_EQ(seen.rcPaint.top, 10);
    EXPECT_EQ(seen.rcPaint.right, 60);
    EXPECT_EQ(seen.rcPaint.bottom, 50);
    EXPECT_FALSE(seen.fErase); // DefWindowProc erased with the class brush
    EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
    // Validating takes the region away before anyone paints.
    InvalidateRect(w, nullptr, FALSE);
    ValidateRect(w, nullptr);
    Rec.Clear();
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_PAINT), 0);
}

TEST_F(WinPaintTest, PaintingIsClippedToTheUpdateRegion) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 80);
    PaintAll({{w, Blue}});
    EXPECT_EQ(At(w, 50, 50), Blue);
    RECT r{10, 10, 20, 30};
    InvalidateRect(w, &r, FALSE);
    PaintAll({{w, Red}});
    EXPECT_EQ(At(w, 15, 15), Red);
    EXPECT_EQ(At(w, 19, 29), Red);
    EXPECT_EQ(At(w, 20, 15), Blue);
    EXPECT_EQ(At(w, 15, 30), Blue);
    // A window that does not paint is not asked again and again.
    InvalidateRect(w, nullptr, FALSE);
    Rec.Clear();
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT&) { return m == WM_PAINT; };
    PumpAll();
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_PAINT), 1);
}

TEST_F(WinPaintTest, ErasingUsesTheClassBrushUnlessTheWindowDoesIt) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 40, 40);
    PaintAll({{w, Blue}});
    // The recording class erases with COLOR_WINDOW.
    SetSysColors(1, std::vector<INT>{COLOR_WINDOW}.data(), std::vector<COLORREF>{Green}.data());
    InvalidateRect(w, nullptr, TRUE);
    PAINTSTRUCT ps{};
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m == WM_PAINT) {
            BeginPaint(h, &ps);
            EndPaint(h, &ps);
            return true;
        }
        return false;
    };
    PumpAll();
    EXPECT_EQ(At(w, 5, 5), Green);
    EXPECT_FALSE(ps.fErase);
    // A window that answers WM_ERASEBKGND with 0 leaves the erasing to its WM_PAINT.
    InvalidateRect(w, nullptr, TRUE);
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m == WM_ERASEBKGND) {
            r = 0;
            return true;
        }
        if (m == WM_PAINT) {
            BeginPaint(h, &ps);
            EndPaint(h, &ps);
            return true;
        }
        return false;
    };
    PumpAll();
    EXPECT_TRUE(ps.fErase);
    SetSysColors(1, std::vector<INT>{COLOR_WINDOW}.data(), std::vector<COLORREF>{RGB(255, 255, 255)}.data());
}

TEST_F(WinPaintTest, ParentsPaintBeforeChildrenAndClipChildrenKeepsThem) {
    struct Case {
        const char* Name;
        DWORD ParentStyle;
        COLORREF UnderChild; // after the parent alone repaints
    };
    const std::vector<Case> cases = {
        {"clip children", WS_CLIPCHILDREN, Green},
        {"no clip children", 0, Red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND top = Make(WS_POPUP | WS_VISIBLE | c.ParentStyle, 0, 0, 100, 100);
        HWND child = Make(WS_CHILD | WS_VISIBLE, 20, 20, 30, 30, top);
        Rec.Clear();
        PaintAll({{top, Red}, {child, Green}});
        std::vector<HWND> order;
        for (const Seen& s : Rec.Log)
            if (s.Message == WM_PAINT) order.push_back(s.Window);
        EXPECT_EQ(order, (std::vector<HWND>{top, child}));
        EXPECT_EQ(At(top, 5, 5), Red);
        EXPECT_EQ(At(top, 30, 30), Green);
        // The parent alone repaints (children left out of the invalidation).
        RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
        PaintAll({{top, Red}, {child, Blue}});
        EXPECT_EQ(At(top, 30, 30), c.UnderChild);
        DestroyWindow(top);
    }
}

TEST_F(WinPaintTest, SiblingsAndRegionsClip) {
    HWND top = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
    HWND below = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 50, 50, top);
    HWND above = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 30, 30, 50, 50, top);
    SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PaintAll({{top, Blue}, {below, Red}, {above, Green}});
    EXPECT_EQ(At(top, 15, 15), Red);
    EXPECT_EQ(At(top, 35, 35), Green); // the upper sibling's area
    // Repainting the lower sibling alone leaves the upper one's pixels alone.
    InvalidateRect(below, nullptr, FALSE);
    PaintAll({{below, Red}});
    EXPECT_EQ(At(top, 35, 35), Green);
    // A window region keeps painting inside it.
    HWND round = Make(WS_CHILD | WS_VISIBLE, 0, 70, 30, 30, top);
    SetWindowRgn(round, CreateEllipticRgn(0, 0, 30, 30), TRUE);
    PaintAll({{top, Blue}, {round, Red}});
    EXPECT_EQ(At(top, 15, 85), Red);
    EXPECT_EQ(At(top, 0, 70), Blue); // the corner lies outside the ellipse
}

TEST_F(WinPaintTest, ContextsOnWindows) {
    HWND top = Make(WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 60, 60);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, top);
    PaintAll({{top, Blue}, {child, Blue}});
    EXPECT_EQ(At(top, 0, 0), GetSysColor(COLOR_WINDOWFRAME)); // the border
    HDC dc = GetDC(child);
    EXPECT_EQ(WindowFromDC(dc), child);
    RECT clip;
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_EQ(clip.right, 20);
    Fill(dc, RECT{-5, -5, 100, 100}, Red); // held inside the child
    EXPECT_EQ(ReleaseDC(child, dc), 1);
    EXPECT_EQ(At(top, 1 + 10, 1 + 10), Red);
    EXPECT_EQ(At(top, 1 + 30, 1 + 10), Blue);
    EXPECT_EQ(At(top, 1 + 9, 1 + 10), Blue);
    // The window context reaches the frame.
    dc = GetWindowDC(top);
    Fill(dc, RECT{0, 0, 1, 1}, Green);
    ReleaseDC(top, dc);
    EXPECT_EQ(At(top, 0, 0), Green);
    // A hidden window's context draws nothing.
    ShowWindow(child, SW_HIDE);
    dc = GetDC(child);
    EXPECT_EQ(GetClipBox(dc, &clip), NULLREGION);
    Fill(dc, RECT{0, 0, 20, 20}, Green);
    ReleaseDC(child, dc);
    EXPECT_EQ(At(top, 11, 11), Red);
    // The screen's context measures but draws nowhere.
    dc = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(WindowFromDC(dc), nullptr);
    ReleaseDC(nullptr, dc);
}

TEST_F(WinPaintTest, UpdateNowAndUpdateWindowPaintAtOnce) {
    HWND top = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top);
    PumpAll();
    Rec.Clear();
    InvalidateRect(top, nullptr, TRUE);
    UpdateWindow(top);
    EXPECT_EQ(Rec.Count(WM_PAINT, top), 1);
    EXPECT_EQ(Rec.Count(WM_PAINT, child), 1);
    Rec.Clear();
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_PAINT), 0);
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_NOCHILDREN);
    EXPECT_EQ(Rec.Count(WM_ERASEBKGND, top), 1);
    EXPECT_EQ(Rec.Count(WM_PAINT), 0);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_PAINT, top), 1);
    // An internal paint asks for WM_PAINT without any region.
    Rec.Clear();
    RedrawWindow(child, nullptr, nullptr, RDW_INTERNALPAINT);
    RECT update;
    EXPECT_FALSE(GetUpdateRect(child, &update, FALSE));
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_PAINT, child), 1);
}

TEST_F(WinPaintTest, ScrollingMovesPixelsAndInvalidatesWhatIsUncovered) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 40, 40);
    PumpAll();
    HDC dc = GetDC(w);
    Fill(dc, RECT{0, 0, 40, 20}, Red);
    Fill(dc, RECT{0, 20, 40, 40}, Green);
    ReleaseDC(w, dc);
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    RECT updateRect;
    int kind = ScrollWindowEx(w, 0, -10, nullptr, nullptr, update, &updateRect, SW_INVALIDATE);
    EXPECT_EQ(kind, SIMPLEREGION);
    EXPECT_EQ(At(w, 5, 5), Red);
    EXPECT_EQ(At(w, 5, 12), Green); // moved up by 10
    EXPECT_EQ(At(w, 5, 29), Green);
    EXPECT_EQ(updateRect.top, 30);
    EXPECT_EQ(updateRect.bottom, 40);
    RECT pending;
    ASSERT_TRUE(GetUpdateRect(w, &pending, FALSE));
    EXPECT_EQ(pending.top, 30);
    DeleteObject(update);
    // A scroll rectangle limits it; an old update region moves with the pixels.
    ValidateRect(w, nullptr);
    RECT old{0, 0, 10, 10};
    InvalidateRect(w, &old, FALSE);
    RECT part{0, 0, 20, 40};
    ScrollWindowEx(w, 5, 0, &part, &part, nullptr, nullptr, 0);
    ASSERT_TRUE(GetUpdateRect(w, &pending, FALSE));
    EXPECT_EQ(pending.left, 5);
    EXPECT_EQ(pending.right, 15);
    // Children can come along.
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 5, 5, w);
    ScrollWindowEx(w, 3, 4, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN);
    POINT p{0, 0};
    MapWindowPoints(child, w, &p, 1);
    EXPECT_EQ(p.x, 13);
    EXPECT_EQ(p.y, 14);
}

TEST_F(WinPaintTest, LockedWindowsDrawNothingUntilUnlocked) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 30, 30);
    PaintAll({{w, Blue}});
    EXPECT_TRUE(LockWindowUpdate(w));
    EXPECT_FALSE(LockWindowUpdate(Make(WS_POPUP, 0, 0, 5, 5))); // one at a time
    HDC dc = GetDC(w);
    Fill(dc, RECT{0, 0, 30, 30}, Red);
    ReleaseDC(w, dc);
    EXPECT_EQ(At(w, 5, 5), Blue);
    EXPECT_TRUE(LockWindowUpdate(nullptr));
    PaintAll({{w, Green}});
    EXPECT_EQ(At(w, 5, 5), Green);
}

TEST_F(WinPaintTest, PrintDrawsIntoAnyContext) {
    HWND w = Make(WS_POPUP | WS_BORDER, 0, 0, 20, 20);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 4, 4, 6, 6, w);
    Rec.Handler = [&](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT& r) {
        if (m != WM_PRINTCLIENT) return false;
        Fill(reinterpret_cast<HDC>(wp), RECT{0, 0, 100, 100}, h == child ? Red : Green);
        r = 0;
        return true;
    };
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(20, 20, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(mem, bmp);
    Fill(mem, RECT{0, 0, 20, 20}, Blue);
    SendMessageA(w, WM_PRINT, WPARAM(mem), PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
    EXPECT_EQ(GetPixel(mem, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(mem, 2, 2), Green);
    EXPECT_EQ(GetPixel(mem, 1 + 4, 1 + 4), Red);
    EXPECT_EQ(GetPixel(mem, 1 + 10, 1 + 4), Green);
    EXPECT_EQ(Rec.Count(WM_PRINTCLIENT, w), 1);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

TEST_F(WinPaintTest, ResizingKeepsPixelsAndPaintsWhatIsNew) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 30, 30);
    PaintAll({{w, Blue}});
    SetWindowPos(w, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(w, &update, FALSE));
    EXPECT_EQ(update.right, 50);
    EXPECT_EQ(update.bottom, 40);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(w, rgn, FALSE);
    EXPECT_FALSE(PtInRegion(rgn, 10, 10));
    EXPECT_TRUE(PtInRegion(rgn, 40, 10));
    DeleteObject(rgn);
    PaintAll({{w, Red}});
    EXPECT_EQ(At(w, 10, 10), Blue);
    EXPECT_EQ(At(w, 45, 35), Red);
}

TEST_F(WinPaintTest, MenuBarIsDrawnByItsPainter) {
    std::vector<std::pair<TWinFramePart, RECT>> parts;
    TWinFramePartPainter old = WinSetFramePartPainter([&](HWND, HDC dc, TWinFramePart part, const RECT& r) {
        parts.push_back({part, r});
        Fill(dc, r, Green);
    });
    // A top-level window's menu is its GWL_ID: the frame gets a menu bar.
    HWND w = Make(WS_POPUP | WS_VISIBLE | WS_BORDER | WS_VSCROLL, 0, 0, 100, 80, nullptr, 0, nullptr, "",
                  reinterpret_cast<HMENU>(std::intptr_t(0x4711)));
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.bottom, 80 - 2 - GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(client.right, 100 - 2 - GetSystemMetrics(SM_CXVSCROLL));
    RECT adjusted{0, 0, client.right, client.bottom};
    AdjustWindowRectEx(&adjusted, WS_POPUP | WS_BORDER, TRUE, 0);
    EXPECT_EQ(adjusted.bottom - adjusted.top, 80);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(50, 5)), HTMENU);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(95, 40)), HTVSCROLL);
    PumpAll();
    // The menu bar is the painter's; the window's own scroll bar the window system draws itself.
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].first, TWinFramePart::MenuBar);
    EXPECT_EQ(parts[0].second.top, 1);
    EXPECT_EQ(parts[0].second.bottom, 1 + GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(At(w, 50, 5), Green);
    EXPECT_NE(At(w, 95, 40), Green);
    WinSetFramePartPainter(old);
}

TEST_F(WinPaintTest, TopLevelImageAsPng) {
    HWND w =
        Make(WS_POPUP | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN, 0, 0, 64, 48, nullptr, WS_EX_CLIENTEDGE);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 8, 8, 20, 20, w);
    PaintAll({{w, Blue}, {child, Red}});
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(w, s));
    ASSERT_EQ(s.Width, 64);
    ASSERT_EQ(s.Height, 48);
    std::string path = testsupport::ArtifactPath("WinPaintTest_TopLevelImage.png");
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits), s.Width);
    std::string png = testsupport::ReadFileBytes(path);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Frame, client edge and client pixels where they belong.
    EXPECT_EQ(At(w, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(At(w, 1, 1), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(At(w, 3, 3), Blue);
    EXPECT_EQ(At(w, 3 + 8, 3 + 8), Red);
}

} // namespace
