// System colours: the classic table, the brushes that follow it, and the broadcast a change
// makes to the top-level windows.
#include <gtest/gtest.h>

#include <vector>

#include "platform/winapi/GdiObjects.h"
#include "tests/winapi/GdiTestImage.h"
#include "tests/winapi/WinTestSupport.h"

namespace {

// Changes one system colour for the scope (with the change hook of the caller's choice) and puts
// the colour and the hook back at the end.
class ScopedSysColor {
public:
    ScopedSysColor(int index, COLORREF color) : FIndex(index), FOld(GetSysColor(index)) {
        FOldHook = SetSysColorChangeHook(nullptr);
        SetSysColors(1, &FIndex, &color);
    }
    ~ScopedSysColor() {
        SetSysColors(1, &FIndex, &FOld);
        SetSysColorChangeHook(FOldHook);
    }

private:
    INT FIndex;
    COLORREF FOld;
    TSysColorChangeHook FOldHook;
};

TEST(SysColors, ClassicTable) {
    const std::vector<std::pair<int, COLORREF>> classic = {
        {COLOR_SCROLLBAR, RGB(212, 208, 200)},    {COLOR_ACTIVECAPTION, RGB(10, 36, 106)},
        {COLOR_WINDOW, RGB(255, 255, 255)},       {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {COLOR_HIGHLIGHT, RGB(10, 36, 106)},      {COLOR_BTNFACE, RGB(212, 208, 200)},
        {COLOR_BTNSHADOW, RGB(128, 128, 128)},    {COLOR_GRAYTEXT, RGB(128, 128, 128)},
        {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)}, {COLOR_3DDKSHADOW, RGB(64, 64, 64)},
        {COLOR_3DLIGHT, RGB(212, 208, 200)},      {COLOR_INFOBK, RGB(255, 255, 225)},
        {COLOR_HOTLIGHT, RGB(0, 0, 128)},         {COLOR_MENUBAR, RGB(212, 208, 200)},
    };
    for (const auto& [index, color] : classic) {
        SCOPED_TRACE(index);
        EXPECT_EQ(color, GetSysColor(index));
    }
    EXPECT_EQ(0u, GetSysColor(31));
    EXPECT_EQ(0u, GetSysColor(-1));
}

TEST(SysColors, BrushesAreTheSystemsAndFollowTheColour) {
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    ASSERT_NE(nullptr, face);
    EXPECT_EQ(face, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_NE(face, GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(nullptr, GetSysColorBrush(GdiSysColorCount));
    EXPECT_EQ(nullptr, GetSysColorBrush(-1));

    LOGBRUSH lb{};
    ASSERT_EQ(int(sizeof lb), GetObject(face, sizeof lb, &lb));
    EXPECT_EQ(BS_SOLID, lb.lbStyle);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), lb.lbColor);

    // The program may delete what it did not create; the brush stays usable.
    DeleteObject(face);
    gditest::Canvas c(4, 2);
    RECT r{0, 0, 2, 2};
    EXPECT_TRUE(FillRect(c.Dc(), &r, face));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), c.Pixel(0, 0));
    {
        ScopedSysColor changed(COLOR_BTNFACE, RGB(10, 20, 30));
        RECT right{2, 0, 4, 2};
        EXPECT_TRUE(FillRect(c.Dc(), &right, face));
        EXPECT_EQ(RGB(10, 20, 30), c.Pixel(3, 1));
        ASSERT_EQ(int(sizeof lb), GetObject(face, sizeof lb, &lb));
        EXPECT_EQ(RGB(10, 20, 30), lb.lbColor);
    }
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), c.Pixel(0, 0)) << "pixels already drawn keep their colour";
}

TEST(SysColors, ChangeRunsTheHookOnce) {
    int calls = 0;
    TSysColorChangeHook old = SetSysColorChangeHook([&] { ++calls; });
    INT indices[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    COLORREF original[] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
    COLORREF changed[] = {RGB(1, 1, 1), RGB(2, 2, 2)};
    ASSERT_TRUE(SetSysColors(2, indices, changed));
    EXPECT_EQ(1, calls);
    EXPECT_EQ(RGB(1, 1, 1), GetSysColor(COLOR_WINDOW));
    // A bad index refuses the whole call and announces nothing.
    INT bad[] = {COLOR_WINDOW, 99};
    EXPECT_FALSE(SetSysColors(2, bad, original));
    EXPECT_EQ(1, calls);
    EXPECT_EQ(RGB(1, 1, 1), GetSysColor(COLOR_WINDOW));
    ASSERT_TRUE(SetSysColors(2, indices, original));
    EXPECT_EQ(2, calls);
    EXPECT_TRUE(SetSysColors(0, nullptr, nullptr));
    EXPECT_EQ(2, calls) << "nothing changed";
    TSysColorChangeHook mine = SetSysColorChangeHook(old);
    EXPECT_TRUE(bool(mine));
}

class SysColorsBroadcast : public wintest::WinTest {};

// Without a hook of a test's own, a change reaches every top-level window as WM_SYSCOLORCHANGE,
// child windows through their parents only.
TEST_F(SysColorsBroadcast, TopLevelWindowsHearOfAChange) {
    HWND first = Make(WS_OVERLAPPEDWINDOW, 0, 0, 100, 80);
    HWND second = Make(WS_POPUP, 10, 10, 50, 40);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, first);
    ASSERT_TRUE(first && second && child);
    Rec.Clear();
    INT index = COLOR_INFOBK;
    COLORREF original = GetSysColor(index), changed = RGB(200, 200, 100);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    ASSERT_TRUE(SetSysColors(1, &index, &original));
    wintest::PumpAll();
    EXPECT_EQ(2, Rec.Count(WM_SYSCOLORCHANGE, first));
    EXPECT_EQ(2, Rec.Count(WM_SYSCOLORCHANGE, second));
    EXPECT_EQ(0, Rec.Count(WM_SYSCOLORCHANGE, child));
}

} // namespace
