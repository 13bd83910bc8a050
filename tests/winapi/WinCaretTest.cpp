// The caret: creation and shapes, hiding that counts, moving, blinking on the manual clock, staying
// whole across its owner's painting, and going away with its window.
#include <gtest/gtest.h>

#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCaret.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

class WinCaretTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        FOldBlink = GetCaretBlinkTime();
        SetCaretBlinkTime(500);
        Window = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 80);
        PumpAll();
    }
    void TearDown() override {
        DestroyCaret();
        SetCaretBlinkTime(FOldBlink);
        WinTest::TearDown();
    }
    // A pixel of a top-level window's image, as 0x00BBGGRR.
    static COLORREF At(HWND top, int x, int y) { return ImagePixel(top, x, y); }
    // Lets the blink timer run once.
    void Blink(UINT ms = 500) {
        ClockAdvanceMs(ms);
        PumpAll();
    }
    HWND Window = nullptr;

private:
    UINT FOldBlink = 500;
};

TEST_F(WinCaretTest, ShowsBlinksAndMoves) {
    ASSERT_TRUE(CreateCaret(Window, nullptr, 2, 10));
    // A new caret starts hidden once.
    EXPECT_EQ(At(Window, 10, 10), White);
    ASSERT_TRUE(SetCaretPos(10, 10));
    EXPECT_EQ(At(Window, 10, 10), White);
    ASSERT_TRUE(ShowCaret(Window));
    EXPECT_EQ(At(Window, 10, 10), Black);
    EXPECT_EQ(At(Window, 11, 19), Black);
    EXPECT_EQ(At(Window, 12, 10), White); // width 2
    EXPECT_EQ(At(Window, 10, 20), White); // height 10
    POINT p{};
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 10);

    // Blinking on the clock: off, on, off.
    Blink(499);
    EXPECT_EQ(At(Window, 10, 10), Black);
    Blink(1);
    EXPECT_EQ(At(Window, 10, 10), White);
    Blink();
    EXPECT_EQ(At(Window, 10, 10), Black);
    Blink();
    EXPECT_EQ(At(Window, 10, 10), White);

    // Moving shows it at once at the new place and leaves the old one clean.
    ASSERT_TRUE(SetCaretPos(30, 5));
    EXPECT_EQ(At(Window, 10, 10), White);
    EXPECT_EQ(At(Window, 30, 5), Black);

    // Another blink time.
    ASSERT_TRUE(SetCaretBlinkTime(200));
    EXPECT_EQ(GetCaretBlinkTime(), 200u);
    EXPECT_EQ(At(Window, 30, 5), Black);
    Blink(200);
    EXPECT_EQ(At(Window, 30, 5), White);
}

TEST_F(WinCaretTest, HidingCountsAndBelongsToTheOwner) {
    HWND other = Make(WS_POPUP | WS_VISIBLE, 200, 0, 50, 50);
    PumpAll();
    ASSERT_TRUE(CreateCaret(Window, nullptr, 1, 5));
    SetCaretPos(4, 4);
    EXPECT_FALSE(ShowCaret(other));
    EXPECT_EQ(At(Window, 4, 4), White);
    ASSERT_TRUE(ShowCaret(nullptr)); // null: the owner
    EXPECT_EQ(At(Window, 4, 4), Black);
    EXPECT_FALSE(HideCaret(other));
    EXPECT_EQ(At(Window, 4, 4), Black);
    ASSERT_TRUE(HideCaret(Window));
    ASSERT_TRUE(HideCaret(Window));
    EXPECT_EQ(At(Window, 4, 4), White);
    // Hidden twice: no blinking back on, and one show is not enough.
    Blink();
    EXPECT_EQ(At(Window, 4, 4), White);
    ShowCaret(Window);
    EXPECT_EQ(At(Window, 4, 4), White);
    ShowCaret(Window);
    EXPECT_EQ(At(Window, 4, 4), Black);
    // A hidden caret moves without drawing.
    HideCaret(Window);
    SetCaretPos(8, 8);
    EXPECT_EQ(At(Window, 4, 4), White);
    EXPECT_EQ(At(Window, 8, 8), White);
    ShowCaret(Window);
    EXPECT_EQ(At(Window, 8, 8), Black);

    // One caret per thread: a new one replaces it and takes it off the screen.
    ASSERT_TRUE(CreateCaret(other, nullptr, 3, 3));
    EXPECT_EQ(At(Window, 8, 8), White);
    EXPECT_FALSE(ShowCaret(Window));
    EXPECT_TRUE(DestroyCaret());
    EXPECT_FALSE(DestroyCaret());
    POINT p{};
    EXPECT_FALSE(GetCaretPos(&p));
    EXPECT_FALSE(SetCaretPos(1, 1));
}

TEST_F(WinCaretTest, ShapesSolidGrayAndBitmap) {
    // Gray: every other pixel.
    ASSERT_TRUE(CreateCaret(Window, reinterpret_cast<HBITMAP>(std::intptr_t(1)), 4, 4));
    SetCaretPos(20, 20);
    ShowCaret(Window);
    int inverted = 0;
    for (int y = 20; y < 24; ++y)
        for (int x = 20; x < 24; ++x)
            inverted += At(Window, x, y) == Black;
    EXPECT_EQ(inverted, 8);
    EXPECT_NE(At(Window, 20, 20), At(Window, 21, 20));
    DestroyCaret();
    for (int y = 20; y < 24; ++y)
        for (int x = 20; x < 24; ++x)
            ASSERT_EQ(At(Window, x, y), White);

    // A bitmap: its size, its bits inverted into the window.
    const WORD bits[3] = {0xC000, 0x4000, 0xC000}; // 3 rows of 3 pixels: 110, 010, 110 (set = white)
    BYTE rows[6] = {};
    for (int i = 0; i < 3; ++i)
        rows[i * 2] = BYTE(bits[i] >> 8);
    HBITMAP bitmap = CreateBitmap(3, 3, 1, 1, rows);
    ASSERT_TRUE(CreateCaret(Window, bitmap, 50, 50));
    SetCaretPos(40, 40);
    ShowCaret(Window);
    EXPECT_EQ(At(Window, 40, 40), Black);
    EXPECT_EQ(At(Window, 41, 40), Black);
    EXPECT_EQ(At(Window, 42, 40), White);
    EXPECT_EQ(At(Window, 40, 41), White);
    EXPECT_EQ(At(Window, 41, 41), Black);
    EXPECT_EQ(At(Window, 43, 43), White); // the bitmap's size, not 50 x 50
    DestroyCaret();
    EXPECT_EQ(At(Window, 40, 40), White);
    DeleteObject(bitmap);

    // Width and height 0: the border size.
    ASSERT_TRUE(CreateCaret(Window, nullptr, 0, 0));
    SetCaretPos(60, 60);
    ShowCaret(Window);
    EXPECT_EQ(At(Window, 60, 60), Black);
    EXPECT_EQ(At(Window, 61, 60), GetSystemMetrics(SM_CXBORDER) > 1 ? Black : White);
}

TEST_F(WinCaretTest, StaysWholeAcrossTheOwnersPainting) {
    // The owner paints white over everything, the way BeginPaint and EndPaint frame it.
    Rec.Handler = [this](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_PAINT || h != Window) return false;
        WinCaretHideForPaint(h);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT all{0, 0, 100, 80};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(h, &ps);
        WinCaretShowAfterPaint(h);
        r = 0;
        return true;
    };
    ASSERT_TRUE(CreateCaret(Window, nullptr, 2, 8));
    SetCaretPos(5, 5);
    ShowCaret(Window);
    ASSERT_EQ(At(Window, 5, 5), Black);
    InvalidateRect(Window, nullptr, TRUE);
    PumpAll();
    // Drawn once after the paint, and its next blink takes it off cleanly.
    EXPECT_EQ(At(Window, 5, 5), Black);
    Blink();
    EXPECT_EQ(At(Window, 5, 5), White);
    // Painting while it is blinked off shows it again, in step with its state.
    InvalidateRect(Window, nullptr, TRUE);
    PumpAll();
    EXPECT_EQ(At(Window, 5, 5), Black);
    Blink();
    EXPECT_EQ(At(Window, 5, 5), White);
    Blink();
    EXPECT_EQ(At(Window, 5, 5), Black);
}

TEST_F(WinCaretTest, GoesAwayWithItsWindow) {
    HWND doomed = Make(WS_POPUP | WS_VISIBLE, 200, 0, 50, 50);
    ASSERT_TRUE(CreateCaret(doomed, nullptr, 1, 5));
    ShowCaret(doomed);
    DestroyWindow(doomed);
    POINT p{};
    EXPECT_FALSE(GetCaretPos(&p));
    EXPECT_FALSE(ShowCaret(nullptr));
    EXPECT_FALSE(DestroyCaret());
    Blink(); // a blink timer that is left over does nothing
    EXPECT_FALSE(CreateCaret(doomed, nullptr, 1, 1));
    EXPECT_TRUE(CreateCaret(Window, nullptr, 1, 1));
}

} // namespace
