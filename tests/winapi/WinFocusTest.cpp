// Focus, activation, capture, enabling and modal disabling: the messages each change sends, in
// their order, and where the focus and the activation go when windows are hidden, destroyed or
// disabled.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <thread>

#include "platform/runtime/Threads.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinModal.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

// One expected message: window, message and its parameters.
struct Step {
    HWND Window;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};

class WinFocusTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        A = Top("A", 100, 100);
        A1 = Child("a1", A, 10);
        A2 = Child("a2", A, 50);
        B = Top("B", 400, 100);
        B1 = Child("b1", B, 10);
        SetFocus(A1);
        PumpAll();
        Rec.Clear();
    }
    void TearDown() override {
        ReleaseCapture();
        WinTest::TearDown();
    }
    HWND Top(const char* name, int x, int y, DWORD style = WS_POPUP | WS_VISIBLE, HWND owner = nullptr) {
        HWND h = Make(style, x, y, 200, 150, owner);
        Names[h] = name;
        return h;
    }
    HWND Child(const char* name, HWND parent, int x, DWORD style = WS_CHILD | WS_VISIBLE) {
        HWND h = Make(style, x, 10, 30, 30, parent);
        Names[h] = name;
        return h;
    }
    std::string Name(HWND h) const {
        if (!h) return "0";
        auto it = Names.find(h);
        return it == Names.end() ? "?" : it->second;
    }
    std::string MessageName(UINT m) const {
        static const std::map<UINT, std::string> names = {{WM_SETFOCUS, "SETFOCUS"},
                                                          {WM_KILLFOCUS, "KILLFOCUS"},
                                                          {WM_ACTIVATE, "ACTIVATE"},
                                                          {WM_NCACTIVATE, "NCACTIVATE"},
                                                          {WM_ACTIVATEAPP, "ACTIVATEAPP"},
                                                          {WM_MOUSEACTIVATE, "MOUSEACTIVATE"},
                                                          {WM_LBUTTONDOWN, "LBUTTONDOWN"},
                                                          {WM_LBUTTONUP, "LBUTTONUP"},
                                                          {WM_CAPTURECHANGED, "CAPTURECHANGED"},
                                                          {WM_CANCELMODE, "CANCELMODE"},
                                                          {WM_ENABLE, "ENABLE"}};
        auto it = names.find(m);
        return it == names.end() ? std::to_string(m) : it->second;
    }
    // A parameter that is a window is shown by its name.
    std::string Param(std::intptr_t v) const {
        auto it = Names.find(reinterpret_cast<HWND>(v));
        if (v && it != Names.end()) return it->second;
        std::ostringstream s;
        s << "0x" << std::hex << v;
        return s.str();
    }
    std::string Show(HWND w, UINT m, WPARAM wp, LPARAM lp) const {
        return Name(w) + " " + MessageName(m) + " " + Param(std::intptr_t(wp)) + " " + Param(lp);
    }
    // The recorded messages of the kinds this test is about, as text for comparing with a table.
    std::vector<std::string> Seen() const {
        std::vector<std::string> out;
        for (const wintest::Seen& s : Rec.Log)
            if (Watched.count(s.Message)) out.push_back(Show(s.Window, s.Message, s.WParam, s.LParam));
        return out;
    }
    std::vector<std::string> Expect(const std::vector<Step>& steps) const {
        std::vector<std::string> out;
        for (const Step& s : steps)
            out.push_back(Show(s.Window, s.Message, s.WParam, s.LParam));
        return out;
    }
    void Click(POINT p) {
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        PumpAll();
    }
    void Unclick(POINT p) {
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        PumpAll();
    }

    std::set<UINT> Watched{WM_SETFOCUS,      WM_KILLFOCUS,   WM_ACTIVATE,       WM_NCACTIVATE, WM_ACTIVATEAPP,
                           WM_MOUSEACTIVATE, WM_LBUTTONDOWN, WM_CAPTURECHANGED, WM_CANCELMODE, WM_ENABLE};
    std::map<HWND, std::string> Names;
    HWND A = nullptr, A1 = nullptr, A2 = nullptr, B = nullptr, B1 = nullptr;
};

const WPARAM Inactive = MAKEWPARAM(WA_INACTIVE, 0);
const WPARAM Active = MAKEWPARAM(WA_ACTIVE, 0);
const WPARAM ClickActive = MAKEWPARAM(WA_CLICKACTIVE, 0);

TEST_F(WinFocusTest, FocusMovesBetweenChildrenOfTwoTopLevelWindows) {
    ASSERT_EQ(GetActiveWindow(), A);
    ASSERT_EQ(GetFocus(), A1);
    SetFocus(B1);
    // B is activated first; its DefWindowProc gives B the focus, which then goes on to b1.
    EXPECT_EQ(Seen(), Expect({{A, WM_NCACTIVATE, FALSE, 0},
                              {A, WM_ACTIVATE, Inactive, LPARAM(B)},
                              {B, WM_NCACTIVATE, TRUE, 0},
                              {B, WM_ACTIVATE, Active, LPARAM(A)},
                              {A1, WM_KILLFOCUS, WPARAM(B), 0},
                              {B, WM_SETFOCUS, WPARAM(A1), 0},
                              {B, WM_KILLFOCUS, WPARAM(B1), 0},
                              {B1, WM_SETFOCUS, WPARAM(B), 0}}));
    EXPECT_EQ(GetFocus(), B1);
    EXPECT_EQ(GetActiveWindow(), B);
    EXPECT_EQ(GetForegroundWindow(), B);
    // Inside one top-level window only the focus messages go.
    Rec.Clear();
    SetFocus(A2);
    Rec.Clear();
    EXPECT_EQ(SetFocus(A1), A2);
    EXPECT_EQ(Seen(), Expect({{A2, WM_KILLFOCUS, WPARAM(A1), 0}, {A1, WM_SETFOCUS, WPARAM(A2), 0}}));
    // The same window again sends nothing.
    Rec.Clear();
    EXPECT_EQ(SetFocus(A1), A1);
    EXPECT_TRUE(Seen().empty());
}

TEST_F(WinFocusTest, FocusRefusedForHiddenDisabledAndForeignWindows) {
    HWND hidden = Child("hidden", A, 90, WS_CHILD);
    HWND disabled = Child("disabled", A, 130, WS_CHILD | WS_VISIBLE | WS_DISABLED);
    HWND hiddenParent = Child("hiddenParent", B, 50, WS_CHILD);
    HWND inHidden = Child("inHidden", hiddenParent, 0);
    HWND disabledParent = Child("disabledParent", B, 90, WS_CHILD | WS_VISIBLE | WS_DISABLED);
    HWND inDisabled = Child("inDisabled", disabledParent, 0);
    HWND message =
        CreateWindowExA(0, RecordingClass(), "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    Track(message);
    Rec.Clear();
    struct Case {
        const char* What;
        HWND Target;
    } cases[] = {{"hidden", hidden},
                 {"disabled", disabled},
                 {"inside a hidden window", inHidden},
                 {"inside a disabled window", inDisabled},
                 {"message-only", message},
                 {"not a window", reinterpret_cast<HWND>(std::intptr_t(0x7FFF0))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(SetFocus(c.Target), nullptr);
        EXPECT_EQ(GetFocus(), A1);
        EXPECT_EQ(GetActiveWindow(), A);
        EXPECT_TRUE(Seen().empty());
    }
    // Another thread neither sees this thread's focus, activation and capture nor may set them.
    SetCapture(A1);
    HWND seenFocus = A1, seenActive = A1, seenCapture = A1, setFocus = A1;
    std::thread([&] {
        seenFocus = GetFocus();
        seenActive = GetActiveWindow();
        seenCapture = GetCapture();
        setFocus = SetFocus(A2);
    }).join();
    EXPECT_EQ(seenFocus, nullptr);
    EXPECT_EQ(seenActive, nullptr);
    EXPECT_EQ(seenCapture, nullptr);
    EXPECT_EQ(setFocus, nullptr);
    EXPECT_EQ(GetFocus(), A1);
    EXPECT_EQ(GetForegroundWindow(), A); // the foreground is the program's, whoever asks
}

// A display that records the activations it is asked for.
class RecordingBackend : public TWinBackend {
public:
    DWORD EventThreadId() const override { return GetCurrentThreadId(); }
    RECT ScreenRect() const override { return RECT{0, 0, 1280, 1024}; }
    void SurfaceChanged(const TWinSurfaceState&) override {}
    void SurfaceDestroyed(HWND) override {}
    void SurfacePresent(HWND, const RECT&) override {}
    void SurfaceActivate(HWND window) override { Activated.push_back(window); }
    void ProcessEvents() override {}
    DWORD WaitForEvents(const std::vector<std::shared_ptr<TKernelObject>>&, DWORD) override {
        return WinWaitBackendEvents;
    }
    void Wake() override {}
    std::vector<HWND> Activated;
};

TEST_F(WinFocusTest, ProgramActivationFollowsTheDisplay) {
    RecordingBackend backend;
    TWinBackend* old = WinSetBackend(&backend);
    // The display deactivates our active window: the program loses the activation and the focus.
    WinInputSurfaceActivated(A, false);
    // Every top-level window of the thread hears of it, in z-order (A is on top).
    EXPECT_EQ(Seen(), Expect({{A, WM_NCACTIVATE, FALSE, 0},
                              {A, WM_ACTIVATE, Inactive, 0},
                              {A, WM_ACTIVATEAPP, FALSE, 0},
                              {B, WM_ACTIVATEAPP, FALSE, 0},
                              {A1, WM_KILLFOCUS, 0, 0}}));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    // The display activates B: the program gains the activation; we raise B on the display.
    Rec.Clear();
    WinInputSurfaceActivated(B, true);
    // B is raised before the others hear of it.
    EXPECT_EQ(Seen(), Expect({{B, WM_ACTIVATEAPP, TRUE, 0},
                              {A, WM_ACTIVATEAPP, TRUE, 0},
                              {B, WM_NCACTIVATE, TRUE, 0},
                              {B, WM_ACTIVATE, Active, 0},
                              {B, WM_SETFOCUS, 0, 0}}));
    EXPECT_EQ(backend.Activated, std::vector<HWND>{B});
    // Our own activation tells the display.
    SetActiveWindow(A);
    EXPECT_EQ(backend.Activated, (std::vector<HWND>{B, A}));
    WinSetBackend(old);
}

TEST_F(WinFocusTest, ActivationOfAMinimizedWindowAndHandlersThatKeepTheFocus) {
    // A window that does not leave WM_ACTIVATE to DefWindowProc still gets the focus.
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (h != B || m != WM_ACTIVATE) return false;
        r = 0;
        return true;
    };
    SetActiveWindow(B);
    EXPECT_EQ(GetFocus(), B);
    EXPECT_EQ(Seen().back(), Show(B, WM_SETFOCUS, WPARAM(A1), 0));
    Rec.Handler = nullptr;
    // The minimized flag comes with WM_ACTIVATE both ways.
    ShowWindow(A, SW_MINIMIZE);
    Rec.Clear();
    SetActiveWindow(A);
    const wintest::Seen* activate = Rec.Find(WM_ACTIVATE, A);
    ASSERT_TRUE(activate);
    EXPECT_EQ(activate->WParam, MAKEWPARAM(WA_ACTIVE, 1));
    EXPECT_EQ(GetFocus(), A); // the minimized window takes the keys itself
    Rec.Clear();
    SetActiveWindow(B);
    activate = Rec.Find(WM_ACTIVATE, A);
    ASSERT_TRUE(activate);
    EXPECT_EQ(activate->WParam, MAKEWPARAM(WA_INACTIVE, 1));
}

TEST_F(WinFocusTest, ClickActivationFollowsTheMouseActivateAnswer) {
    struct Case {
        const char* What;
        LRESULT Answer;
        bool Activates;
        bool Delivered;
    } cases[] = {{"MA_ACTIVATE", MA_ACTIVATE, true, true},
                 {"MA_ACTIVATEANDEAT", MA_ACTIVATEANDEAT, true, false},
                 {"MA_NOACTIVATE", MA_NOACTIVATE, false, true},
                 {"MA_NOACTIVATEANDEAT", MA_NOACTIVATEANDEAT, false, false}};
    const POINT onB1{415, 115};
    const LPARAM hit = MAKELPARAM(WORD(HTCLIENT), WORD(WM_LBUTTONDOWN));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SetFocus(A1);
        PumpAll();
        // b1 leaves the question to DefWindowProc, which asks its parent B first.
        Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
            if (h != B || m != WM_MOUSEACTIVATE) return false;
            r = c.Answer;
            return true;
        };
        Rec.Clear();
        Click(onB1);
        std::vector<Step> expected = {{B1, WM_MOUSEACTIVATE, WPARAM(B), hit},
                                      {B, WM_MOUSEACTIVATE, WPARAM(B), hit}};
        if (c.Activates) {
            std::vector<Step> activation = {
                {A, WM_NCACTIVATE, FALSE, 0},     {A, WM_ACTIVATE, Inactive, LPARAM(B)},
                {B, WM_NCACTIVATE, TRUE, 0},      {B, WM_ACTIVATE, ClickActive, LPARAM(A)},
                {A1, WM_KILLFOCUS, WPARAM(B), 0}, {B, WM_SETFOCUS, WPARAM(A1), 0}};
            expected.insert(expected.end(), activation.begin(), activation.end());
        }
        if (c.Delivered) expected.push_back({B1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)});
        EXPECT_EQ(Seen(), Expect(expected));
        EXPECT_EQ(GetActiveWindow(), c.Activates ? B : A);
        Rec.Handler = nullptr;
        Unclick(onB1);
    }
    // A click on a child of the active window asks too, without activating anything; a click on
    // the active window itself does not ask.
    SetFocus(B1);
    PumpAll();
    Rec.Clear();
    Click(onB1);
    EXPECT_EQ(Seen(), Expect({{B1, WM_MOUSEACTIVATE, WPARAM(B), hit},
                              {B, WM_MOUSEACTIVATE, WPARAM(B), hit},
                              {B1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)}}));
    Unclick(onB1);
    Rec.Clear();
    Click(POINT{550, 200});
    EXPECT_EQ(Seen(), Expect({{B, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 100)}}));
    Unclick(POINT{550, 200});
}

TEST_F(WinFocusTest, CaptureChangesAndCancelMode) {
    struct Case {
        const char* What;
        std::function<void()> Act;
        HWND CaptureAfter;
        std::vector<Step> Messages;
    };
    std::vector<Case> cases = {
        {"first capture", [&] { EXPECT_EQ(SetCapture(A1), nullptr); }, A1, {}},
        {"same window again", [&] { EXPECT_EQ(SetCapture(A1), A1); }, A1, {}},
        {"to another window",
         [&] { EXPECT_EQ(SetCapture(B1), A1); },
         B1,
         {{A1, WM_CAPTURECHANGED, 0, LPARAM(B1)}}},
        {"released", [&] { EXPECT_TRUE(ReleaseCapture()); }, nullptr, {{B1, WM_CAPTURECHANGED, 0, 0}}},
        {"released without capture", [&] { EXPECT_TRUE(ReleaseCapture()); }, nullptr, {}},
        {"taken again", [&] { SetCapture(A2); }, A2, {}},
        {"WM_CANCELMODE to DefWindowProc",
         [&] { SendMessageA(A2, WM_CANCELMODE, 0, 0); },
         nullptr,
         {{A2, WM_CANCELMODE, 0, 0}, {A2, WM_CAPTURECHANGED, 0, 0}}},
        {"WM_CANCELMODE to another window",
         [&] {
             SetCapture(A2);
             Rec.Clear();
             SendMessageA(A1, WM_CANCELMODE, 0, 0);
         },
         A2,
         {{A1, WM_CANCELMODE, 0, 0}}},
        {"disabling the capture window",
         [&] { EnableWindow(A2, FALSE); },
         nullptr,
         {{A2, WM_CANCELMODE, 0, 0}, {A2, WM_CAPTURECHANGED, 0, 0}, {A2, WM_ENABLE, FALSE, 0}}},
        {"disabling the parent of the capture window",
         [&] {
             EnableWindow(A2, TRUE);
             SetFocus(B1);
             SetCapture(A2);
             Rec.Clear();
             EnableWindow(A, FALSE);
         },
         nullptr,
         {{A, WM_CANCELMODE, 0, 0}, {A2, WM_CAPTURECHANGED, 0, 0}, {A, WM_ENABLE, FALSE, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Rec.Clear();
        c.Act();
        EXPECT_EQ(GetCapture(), c.CaptureAfter);
        EXPECT_EQ(Seen(), Expect(c.Messages));
    }
    EnableWindow(A, TRUE);
    // While captured, the mouse goes to the capture window in its client coordinates, also
    // outside it and over other windows.
    SetCapture(A1);
    Rec.Clear();
    Click(POINT{415, 115}); // over b1
    EXPECT_EQ(Seen(), Expect({{A1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(WORD(305), WORD(5))}}));
    Unclick(POINT{415, 115});
}

TEST_F(WinFocusTest, EnablingAndDisablingMessages) {
    struct Case {
        const char* What;
        HWND Window;
        BOOL Enable;
        BOOL Result; // was disabled before
        HWND FocusAfter;
        std::vector<Step> Messages;
    };
    std::vector<Case> cases = {
        {"disabling an unfocused child",
         A2,
         FALSE,
         FALSE,
         A1,
         {{A2, WM_CANCELMODE, 0, 0}, {A2, WM_ENABLE, FALSE, 0}}},
        {"disabling it again", A2, FALSE, TRUE, A1, {}},
        {"enabling it", A2, TRUE, TRUE, A1, {{A2, WM_ENABLE, TRUE, 0}}},
        {"enabling it again", A2, TRUE, FALSE, A1, {}},
        {"disabling the focus window",
         A1,
         FALSE,
         FALSE,
         nullptr,
         {{A1, WM_CANCELMODE, 0, 0}, {A1, WM_KILLFOCUS, 0, 0}, {A1, WM_ENABLE, FALSE, 0}}},
        {"enabling does not bring the focus back", A1, TRUE, TRUE, nullptr, {{A1, WM_ENABLE, TRUE, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Rec.Clear();
        EXPECT_EQ(EnableWindow(c.Window, c.Enable), c.Result);
        EXPECT_EQ(IsWindowEnabled(c.Window), c.Enable);
        EXPECT_EQ(GetFocus(), c.FocusAfter);
        EXPECT_EQ(Seen(), Expect(c.Messages));
    }
    // Disabling the parent of the focus window takes the focus too.
    SetFocus(A2);
    Rec.Clear();
    EnableWindow(A, FALSE);
    EXPECT_EQ(Seen(), Expect({{A, WM_CANCELMODE, 0, 0}, {A2, WM_KILLFOCUS, 0, 0}, {A, WM_ENABLE, FALSE, 0}}));
    // A disabled top-level window swallows clicks: no activation, no messages.
    Rec.Clear();
    SetActiveWindow(B);
    Rec.Clear();
    Click(POINT{115, 115});
    Unclick(POINT{115, 115});
    EXPECT_TRUE(Seen().empty());
    EXPECT_EQ(GetActiveWindow(), B);
    EnableWindow(A, TRUE);
}

TEST_F(WinFocusTest, ModalDisablingAndUndoing) {
    HWND hidden = Top("hidden", 0, 0, WS_POPUP);
    HWND off = Top("off", 0, 300, WS_POPUP | WS_VISIBLE | WS_DISABLED);
    HWND modal = Top("modal", 200, 200, WS_POPUP | WS_VISIBLE, A);
    SetFocus(modal);
    PumpAll();
    // z-order from the top: modal, off, hidden, A (the fixture activated it last), B.
    Rec.Clear();
    std::vector<HWND> disabled = WinDisableTaskWindows(modal);
    EXPECT_EQ(disabled, (std::vector<HWND>{A, B}));
    EXPECT_EQ(Seen(), Expect({{A, WM_CANCELMODE, 0, 0},
                              {A, WM_ENABLE, FALSE, 0},
                              {B, WM_CANCELMODE, 0, 0},
                              {B, WM_ENABLE, FALSE, 0}}));
    EXPECT_FALSE(IsWindowEnabled(A));
    EXPECT_FALSE(IsWindowEnabled(B));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_EQ(GetFocus(), modal);
    // Meanwhile the other windows take neither clicks nor the focus.
    Rec.Clear();
    Click(POINT{415, 115});
    Unclick(POINT{415, 115});
    EXPECT_EQ(SetFocus(B1), nullptr);
    EXPECT_TRUE(Seen().empty());
    EXPECT_EQ(GetActiveWindow(), modal);
    // The modal window goes: exactly the windows it disabled come back, in the same order; the
    // one that was disabled before stays so.
    Rec.Clear();
    WinEnableTaskWindows(disabled);
    EXPECT_EQ(Seen(), Expect({{A, WM_ENABLE, TRUE, 0}, {B, WM_ENABLE, TRUE, 0}}));
    EXPECT_FALSE(IsWindowEnabled(off));
    // Windows destroyed while disabled are skipped.
    disabled = WinDisableTaskWindows(modal);
    EXPECT_EQ(disabled, (std::vector<HWND>{A, B}));
    DestroyWindow(B);
    Rec.Clear();
    WinEnableTaskWindows(disabled);
    EXPECT_EQ(Seen(), Expect({{A, WM_ENABLE, TRUE, 0}}));
}

TEST_F(WinFocusTest, HidingAndDestroyingHandTheFocusAndActivationOn) {
    HWND owned = Top("owned", 300, 300, WS_POPUP | WS_VISIBLE, B);
    HWND owned1 = Child("owned1", owned, 0);
    struct Case {
        const char* What;
        std::function<void()> Act;
        HWND ActiveAfter;
        HWND FocusAfter;
    };
    std::vector<Case> cases = {
        {"hiding the focused child: its parent",
         [&] {
             SetFocus(A2);
             ShowWindow(A2, SW_HIDE);
         },
         A, A},
        {"destroying the focused child: its parent",
         [&] {
             SetFocus(A1);
             DestroyWindow(A1);
         },
         A, A},
        {"destroying an owned window: its owner",
         [&] {
             SetFocus(owned1);
             DestroyWindow(owned);
         },
         B, B},
        {"hiding the active window: the next one",
         [&] {
             SetFocus(B1);
             ShowWindow(B, SW_HIDE);
         },
         A, A},
        {"hiding the last one: none", [&] { ShowWindow(A, SW_HIDE); }, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        c.Act();
        EXPECT_EQ(GetActiveWindow(), c.ActiveAfter);
        EXPECT_EQ(GetFocus(), c.FocusAfter);
    }
    (void)owned1;
}

// A child that shows the focus with a dotted rectangle, on a framed window with a caption.
LRESULT FocusPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        FillRect(dc, &r, reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOW + 1)));
        if (GetFocus() == window) {
            InflateRect(&r, -3, -3);
            DrawFocusRect(dc, &r);
        }
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

TEST_F(WinFocusTest, ImageOfAWindowWithAFocusedChild) {
    WNDCLASSA wc;
    wc.lpfnWndProc = FocusPaintProc;
    wc.lpszClassName = "KovTestFocusPaint";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_3DFACE + 1));
    if (!GetClassInfoA(nullptr, wc.lpszClassName, &wc)) RegisterClassA(&wc);
    HWND form = Make(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 240, 130,
                     nullptr, 0, wc.lpszClassName, "Focus");
    HWND first =
        Make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20, 20, 90, 40, form, WS_EX_CLIENTEDGE, wc.lpszClassName);
    HWND second =
        Make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 125, 20, 90, 40, form, WS_EX_CLIENTEDGE, wc.lpszClassName);
    SetFocus(second);
    PumpAll();
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(form, s));
    testsupport::WritePng(testsupport::ArtifactPath("WinFocusTest_FocusedChild.png"), s.Width, s.Height,
                          reinterpret_cast<const std::uint32_t*>(s.Bits), s.Width);
    // The dotted rectangle is on the focused child only: count the dark pixels along the row
    // where it runs (3 pixels inside each child's client area).
    auto darkAlongRow = [&](HWND child) {
        RECT wr, fr;
        GetWindowRect(child, &wr);
        GetWindowRect(form, &fr);
        POINT origin{0, 0};
        ClientToScreen(child, &origin);
        int y = origin.y - fr.top + 3;
        int dark = 0;
        for (int x = origin.x - fr.left + 3; x < wr.right - fr.left - 5; ++x) {
            std::uint32_t p =
                reinterpret_cast<const std::uint32_t*>(s.Bits)[size_t(y) * size_t(s.Width) + size_t(x)];
            if ((p & 0xFF) < 0x80) ++dark;
        }
        return dark;
    };
    EXPECT_GT(darkAlongRow(second), 20);
    EXPECT_EQ(darkAlongRow(first), 0);
}

} // namespace
