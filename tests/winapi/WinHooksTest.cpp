// Hooks: what each kind sees, rewriting and swallowing messages, the order of the chain and
// CallNextHookEx.
#include <gtest/gtest.h>

#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

// What the hook procedures (plain functions) report to the running test.
struct HookLog {
    std::vector<std::string> Calls;
    std::vector<UINT> Messages;
    std::vector<WPARAM> WParams;
    std::vector<LPARAM> Results;
    std::vector<MOUSEHOOKSTRUCT> Mouse;
    std::vector<std::pair<WPARAM, LPARAM>> Keys;
    HHOOK First = nullptr, Second = nullptr, Global = nullptr;
    UINT Swallow = 0;
};
HookLog* gLog = nullptr;

class WinHooksTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        gLog = &Log;
    }
    void TearDown() override {
        for (HHOOK h : FHooks)
            UnhookWindowsHookEx(h);
        gLog = nullptr;
        WinTest::TearDown();
    }
    HHOOK Hook(int type, HOOKPROC proc, DWORD thread) {
        HHOOK h = SetWindowsHookExA(type, proc, nullptr, thread);
        if (h) FHooks.push_back(h);
        return h;
    }
    HookLog Log;

private:
    std::vector<HHOOK> FHooks;
};

TEST_F(WinHooksTest, CallWndProcSeesSendsButNotDispatches) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    Rec.Handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        r = 33;
        return m == WM_USER;
    };
    Hook(
        WH_CALLWNDPROC,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            auto* cwp = reinterpret_cast<CWPSTRUCT*>(lp);
            if (cwp->message >= WM_USER) {
                gLog->Messages.push_back(cwp->message);
                gLog->WParams.push_back(wp);
                // The window has not seen it yet.
                EXPECT_EQ(gLog->Results.size(), gLog->Messages.size() - 1);
            }
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        GetCurrentThreadId());
    Hook(
        WH_CALLWNDPROCRET,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            auto* ret = reinterpret_cast<CWPRETSTRUCT*>(lp);
            if (ret->message >= WM_USER) gLog->Results.push_back(ret->lResult);
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        GetCurrentThreadId());
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 33);
    PostMessageA(w, WM_USER + 1, 0, 0);
    PumpAll();
    EXPECT_EQ(Log.Messages, std::vector<UINT>{WM_USER});
    EXPECT_EQ(Log.WParams, std::vector<WPARAM>{1}); // sent by this thread
    EXPECT_EQ(Log.Results, std::vector<LPARAM>{33});
    EXPECT_EQ(Rec.Count(WM_USER + 1, w), 1);
}

TEST_F(WinHooksTest, GetMessageHookMayRewriteToNull) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    Hook(
        WH_GETMESSAGE,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            auto* msg = reinterpret_cast<MSG*>(lp);
            gLog->WParams.push_back(wp);
            if (msg->message == WM_SYSKEYDOWN || msg->message == WM_USER + 2) msg->message = WM_NULL;
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        GetCurrentThreadId());
    PostMessageA(w, WM_USER + 1, 0, 0);
    PostMessageA(w, WM_USER + 2, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_NULL);
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(Log.WParams, (std::vector<WPARAM>{PM_NOREMOVE, PM_REMOVE, PM_REMOVE}));
    // The same for input: Alt+F turned into nothing reaches no window (the focus needs it shown).
    ShowWindow(w, SW_SHOW);
    SetFocus(w);
    PumpAll();
    Rec.Clear();
    WinInputKey(VK_MENU, false, true);
    WinInputKey('F', false, true);
    WinInputKey('F', false, false);
    WinInputKey(VK_MENU, false, false);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_SYSKEYDOWN), 0);
    EXPECT_EQ(Rec.Count(WM_SYSCHAR), 0);
    EXPECT_EQ(Rec.Count(WM_SYSKEYUP, w), 1);
}

TEST_F(WinHooksTest, MouseHookSeesAndSwallowsClicks) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 100, 100, 50, 50);
    Hook(
        WH_MOUSE,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            auto* mhs = reinterpret_cast<MOUSEHOOKSTRUCT*>(lp);
            gLog->Messages.push_back(UINT(wp));
            gLog->Mouse.push_back(*mhs);
            if (code == HC_ACTION && wp == gLog->Swallow) return 1;
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        GetCurrentThreadId());
    PumpAll();
    Rec.Clear();
    Log.Swallow = WM_LBUTTONDOWN;
    WinInputMouseButton(POINT{110, 120}, TWinMouseButton::Left, true);
    WinInputMouseButton(POINT{110, 120}, TWinMouseButton::Left, false);
    PumpAll();
    EXPECT_EQ(Log.Messages, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    ASSERT_EQ(Log.Mouse.size(), 2u);
    EXPECT_EQ(Log.Mouse[0].hwnd, w);
    EXPECT_EQ(Log.Mouse[0].pt.x, 110);
    EXPECT_EQ(Log.Mouse[0].pt.y, 120);
    EXPECT_EQ(Log.Mouse[0].wHitTestCode, UINT(HTCLIENT));
    EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN), 0); // swallowed
    EXPECT_EQ(Rec.Count(WM_LBUTTONUP, w), 1);
    // A peek that leaves the message asks with HC_NOREMOVE, which cannot swallow.
    Log.Messages.clear();
    WinInputMouseButton(POINT{110, 120}, TWinMouseButton::Left, true);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_LBUTTONDOWN), 0);
    WinInputMouseButton(POINT{110, 120}, TWinMouseButton::Left, false);
    PumpAll();
}

TEST_F(WinHooksTest, KeyboardHookSeesAndSwallowsKeys) {
    HWND w = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    SetFocus(w);
    PumpAll();
    Hook(
        WH_KEYBOARD,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            if (code == HC_ACTION) gLog->Keys.push_back({wp, lp});
            if (code == HC_ACTION && wp == 'X') return 1;
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        GetCurrentThreadId());
    Rec.Clear();
    for (UINT vk : {UINT('A'), UINT('X')}) {
        WinInputKey(vk, false, true);
        WinInputKey(vk, false, false);
    }
    PumpAll();
    ASSERT_EQ(Log.Keys.size(), 4u);
    EXPECT_EQ(Log.Keys[0].first, WPARAM('A'));
    EXPECT_EQ(HIWORD(std::uintptr_t(Log.Keys[1].second)) & KF_UP, KF_UP);
    std::vector<WPARAM> chars;
    for (const Seen& s : Rec.Log)
        if (s.Message == WM_CHAR) chars.push_back(s.WParam);
    EXPECT_EQ(chars, std::vector<WPARAM>{'a'});
    EXPECT_EQ(Rec.Count(WM_KEYDOWN, w), 1);
}

LRESULT ChainFirst(int code, WPARAM wp, LPARAM lp) {
    gLog->Calls.push_back("first");
    return CallNextHookEx(gLog->First, code, wp, lp);
}
LRESULT ChainSecond(int code, WPARAM wp, LPARAM lp) {
    gLog->Calls.push_back("second");
    return CallNextHookEx(gLog->Second, code, wp, lp) + 10;
}
LRESULT ChainGlobal(int code, WPARAM wp, LPARAM lp) {
    gLog->Calls.push_back("global");
    return CallNextHookEx(gLog->Global, code, wp, lp) + 1;
}

TEST_F(WinHooksTest, ChainOrderAndUnhooking) {
    Log.Global = Hook(WH_MSGFILTER, ChainGlobal, 0);
    Log.First = Hook(WH_MSGFILTER, ChainFirst, GetCurrentThreadId());
    Log.Second = Hook(WH_MSGFILTER, ChainSecond, GetCurrentThreadId());
    MSG m;
    m.message = WM_KEYDOWN;
    // The thread's hooks newest first, then the hooks of every thread.
    EXPECT_TRUE(CallMsgFilterA(&m, MSGF_DIALOGBOX));
    EXPECT_EQ(Log.Calls, (std::vector<std::string>{"second", "first", "global"}));
    Log.Calls.clear();
    EXPECT_TRUE(UnhookWindowsHookEx(Log.Second));
    EXPECT_FALSE(UnhookWindowsHookEx(Log.Second));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HOOK_HANDLE);
    EXPECT_TRUE(CallMsgFilterA(&m, MSGF_DIALOGBOX));
    EXPECT_EQ(Log.Calls, (std::vector<std::string>{"first", "global"}));
    Log.Calls.clear();
    UnhookWindowsHookEx(Log.Global);
    EXPECT_FALSE(CallMsgFilterA(&m, MSGF_DIALOGBOX)); // the last one answers 0
    EXPECT_EQ(Log.Calls, (std::vector<std::string>{"first"}));

    // A hook of another thread is not run here; one for every thread is.
    std::thread other(
        [] { gLog->Global = SetWindowsHookExA(WH_MSGFILTER, ChainGlobal, nullptr, GetCurrentThreadId()); });
    other.join();
    Log.Calls.clear();
    CallMsgFilterA(&m, MSGF_MENU);
    EXPECT_EQ(Log.Calls, (std::vector<std::string>{"first"}));
    UnhookWindowsHookEx(Log.Global);

    EXPECT_EQ(SetWindowsHookExA(WH_JOURNALRECORD, ChainFirst, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HOOK_FILTER);
    EXPECT_EQ(SetWindowsHookExA(WH_MOUSE, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FILTER_PROC);
}

TEST_F(WinHooksTest, AHookDoesNotRunInsideItself) {
    static HWND target;
    target = Make(WS_POPUP, 0, 0, 10, 10);
    Hook(
        WH_CALLWNDPROC,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            auto* cwp = reinterpret_cast<CWPSTRUCT*>(lp);
            if (cwp->message == WM_USER) {
                gLog->Calls.push_back("hook");
                SendMessageA(target, WM_USER + 1, 0, 0);
            }
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        GetCurrentThreadId());
    SendMessageA(target, WM_USER, 0, 0);
    EXPECT_EQ(Log.Calls, std::vector<std::string>{"hook"});
    EXPECT_EQ(Rec.Messages(target), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                                                       WM_MOVE, WM_USER + 1, WM_USER}));
}

} // namespace
