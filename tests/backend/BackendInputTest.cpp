// Input through Qt's events: keys, text of an input method, mouse buttons, double clicks and the
// wheel arrive as the window system's messages for the right windows.
#include <gtest/gtest.h>

#include "platform/backend/Backend.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

class BackendInputTest : public WinTest {
protected:
    void SetUp() override {
        BackendInstall(true);
        WinTest::SetUp();
        Window = Make(WS_POPUP | WS_VISIBLE, 200, 150, 160, 120);
        SetFocus(Window);
        Settle();
        Rec.Clear();
    }
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        PumpAll();
    }
    std::vector<std::pair<UINT, WPARAM>> KeyMessages() const {
        std::vector<std::pair<UINT, WPARAM>> out;
        for (const Seen& s : Rec.Log)
            if (s.Message >= WM_KEYFIRST && s.Message <= WM_KEYLAST) out.push_back({s.Message, s.WParam});
        return out;
    }
    HWND Window = nullptr;
};

TEST_F(BackendInputTest, KeysFromQtGiveTheirCodes) {
    using M = std::pair<UINT, WPARAM>;
    struct Case {
        const char* Keys;
        std::vector<M> Expected;
    };
    const std::vector<Case> cases = {
        {"a", {{WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYUP, 'A'}}},
        {"5", {{WM_KEYDOWN, '5'}, {WM_CHAR, '5'}, {WM_KEYUP, '5'}}},
        {"Return", {{WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13}, {WM_KEYUP, VK_RETURN}}},
        {"Escape", {{WM_KEYDOWN, VK_ESCAPE}, {WM_CHAR, 27}, {WM_KEYUP, VK_ESCAPE}}},
        {"Tab", {{WM_KEYDOWN, VK_TAB}, {WM_CHAR, 9}, {WM_KEYUP, VK_TAB}}},
        {"Backspace", {{WM_KEYDOWN, VK_BACK}, {WM_CHAR, 8}, {WM_KEYUP, VK_BACK}}},
        {"Left", {{WM_KEYDOWN, VK_LEFT}, {WM_KEYUP, VK_LEFT}}},
        {"Down", {{WM_KEYDOWN, VK_DOWN}, {WM_KEYUP, VK_DOWN}}},
        {"F1", {{WM_KEYDOWN, VK_F1}, {WM_KEYUP, VK_F1}}},
        {"F12", {{WM_KEYDOWN, VK_F12}, {WM_KEYUP, VK_F12}}},
        {"Ctrl+A",
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, 'A'},
          {WM_CHAR, 1},
          {WM_KEYUP, 'A'},
          {WM_KEYUP, VK_CONTROL}}},
        {"Ctrl+R",
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, 'R'},
          {WM_CHAR, 18},
          {WM_KEYUP, 'R'},
          {WM_KEYUP, VK_CONTROL}}},
        {"Ctrl+Z",
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, 'Z'},
          {WM_CHAR, 26},
          {WM_KEYUP, 'Z'},
          {WM_KEYUP, VK_CONTROL}}},
        {"Shift+B",
         {{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'B'}, {WM_CHAR, 'B'}, {WM_KEYUP, 'B'}, {WM_KEYUP, VK_SHIFT}}},
        {"Shift+2",
         {{WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, '2'}, {WM_CHAR, '@'}, {WM_KEYUP, '2'}, {WM_KEYUP, VK_SHIFT}}},
        {"Alt+F",
         {{WM_SYSKEYDOWN, VK_MENU},
          {WM_SYSKEYDOWN, 'F'},
          {WM_SYSCHAR, 'f'},
          {WM_SYSKEYUP, 'F'},
          {WM_KEYUP, VK_MENU}}},
        {"Ctrl+Shift+Tab",
         {{WM_KEYDOWN, VK_CONTROL},
          {WM_KEYDOWN, VK_SHIFT},
          {WM_KEYDOWN, VK_TAB},
          {WM_KEYUP, VK_TAB},
          {WM_KEYUP, VK_SHIFT},
          {WM_KEYUP, VK_CONTROL}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Keys);
        Rec.Clear();
        ASSERT_TRUE(BackendSynthKeys(Window, c.Keys));
        Settle();
        EXPECT_EQ(KeyMessages(), c.Expected);
    }
}

TEST_F(BackendInputTest, InputMethodTextBecomesCharacters) {
    ASSERT_TRUE(
        BackendSynthInputMethod(Window, "\xE4\xB8\xAD\xE6\x96\x87\xE4\xBF\xA1\xE9\x81\x93")); // 中文信道
    Settle();
    std::vector<WPARAM> chars;
    for (const Seen& s : Rec.Log)
        if (s.Message == WM_CHAR) chars.push_back(s.WParam);
    EXPECT_EQ(chars, (std::vector<WPARAM>{0x4E2D, 0x6587, 0x4FE1, 0x9053}));
}

TEST_F(BackendInputTest, MouseButtonsAndWheel) {
    HWND child = Make(WS_CHILD | WS_VISIBLE, 20, 10, 50, 40, Window);
    HWND dbl = Make(WS_CHILD | WS_VISIBLE, 80, 10, 50, 40, Window, 0, RecordingDblClass());
    Settle();
    Rec.Clear();
    BackendSynthMouse(Window, TBackendMouse::Move, 30, 20);
    BackendSynthMouse(Window, TBackendMouse::Press, 30, 20);
    BackendSynthMouse(Window, TBackendMouse::Release, 30, 20);
    Settle();
    const Seen* down = Rec.Find(WM_LBUTTONDOWN, child);
    ASSERT_TRUE(down);
    EXPECT_EQ(GET_X_LPARAM(down->LParam), 10); // the child's client coordinates
    EXPECT_EQ(GET_Y_LPARAM(down->LParam), 10);
    EXPECT_EQ(down->WParam, MK_LBUTTON);
    EXPECT_TRUE(Rec.Find(WM_LBUTTONUP, child));
    // Qt's own double click counts as a press; only the double-click class turns it into one.
    for (HWND target : {child, dbl}) {
        ClockAdvanceMs(1000);
        Rec.Clear();
        int x = target == child ? 30 : 90;
        BackendSynthMouse(Window, TBackendMouse::Press, x, 20);
        BackendSynthMouse(Window, TBackendMouse::Release, x, 20);
        ClockAdvanceMs(100);
        BackendSynthMouse(Window, TBackendMouse::DoubleClick, x, 20);
        BackendSynthMouse(Window, TBackendMouse::Release, x, 20);
        Settle();
        EXPECT_EQ(Rec.Count(WM_LBUTTONDBLCLK, target), target == dbl ? 1 : 0);
        EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN, target), target == dbl ? 1 : 2);
    }
    Rec.Clear();
    SetFocus(child);
    BackendSynthMouse(Window, TBackendMouse::Press, 5, 5, 1);
    BackendSynthMouse(Window, TBackendMouse::Release, 5, 5, 1);
    BackendSynthWheel(Window, 5, 5, -120);
    Settle();
    EXPECT_TRUE(Rec.Find(WM_RBUTTONDOWN, Window));
    EXPECT_TRUE(Rec.Find(WM_CONTEXTMENU, Window));
    const Seen* wheel = Rec.Find(WM_MOUSEWHEEL, child);
    ASSERT_TRUE(wheel);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel->WParam), -120);
    EXPECT_EQ(GET_X_LPARAM(wheel->LParam), 205); // screen coordinates
    // Leaving the surface ends mouse tracking.
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = Window;
    BackendSynthMouse(Window, TBackendMouse::Move, 5, 5);
    Settle();
    TrackMouseEvent(&tme);
    Rec.Clear();
    BackendSynthLeave(Window);
    Settle();
    EXPECT_EQ(Rec.Count(WM_MOUSELEAVE, Window), 1);
}

} // namespace
