// Window classes and windows: registration, the creation and destruction sequences, window data,
// text, properties, the window tree, geometry messages, hit testing and regions.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

LRESULT PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

std::vector<UINT> Without(std::vector<UINT> list, std::initializer_list<UINT> drop) {
    std::vector<UINT> out;
    for (UINT m : list)
        if (std::find(drop.begin(), drop.end(), m) == drop.end()) out.push_back(m);
    return out;
}

class WinWindowsTest : public WinTest {};

// ---- Classes --------------------------------------------------------------------------------------

TEST_F(WinWindowsTest, ClassKeepsWhatItWasRegisteredWith) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HCURSOR cursor = reinterpret_cast<HCURSOR>(std::intptr_t(0x1234));
    WNDCLASSEXA wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_DROPSHADOW | CS_HREDRAW;
    wc.lpfnWndProc = PlainProc;
    wc.cbClsExtra = 8;
    wc.cbWndExtra = 12;
    wc.hCursor = cursor;
    wc.hbrBackground = brush;
    wc.lpszMenuName = "MainMenu";
    wc.lpszClassName = "KovClassInfo";
    ATOM atom = RegisterClassExA(&wc);
    ASSERT_NE(atom, 0);

    WNDCLASSEXA got;
    ASSERT_TRUE(GetClassInfoExA(nullptr, "kovclassinfo", &got)); // names ignore case
    EXPECT_EQ(got.style, UINT(CS_DBLCLKS | CS_SAVEBITS | CS_DROPSHADOW | CS_HREDRAW));
    EXPECT_EQ(got.lpfnWndProc, &PlainProc);
    EXPECT_EQ(got.cbClsExtra, 8);
    EXPECT_EQ(got.cbWndExtra, 12);
    EXPECT_EQ(got.hCursor, cursor);
    EXPECT_EQ(got.hbrBackground, brush);
    EXPECT_STREQ(got.lpszMenuName, "MainMenu");
    EXPECT_STREQ(got.lpszClassName, "KovClassInfo");
    WNDCLASSA byAtom;
    EXPECT_TRUE(GetClassInfoA(nullptr, MAKEINTATOM(atom), &byAtom));
    EXPECT_EQ(byAtom.style, got.style);

    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    // Windows get zeroed extra bytes of the class's size; the class's own bytes are separate.
    HWND w = Make(WS_POPUP, 0, 0, 10, 10, nullptr, 0, "KovClassInfo");
    ASSERT_TRUE(w);
    EXPECT_EQ(GetWindowLongA(w, 8), 0);
    EXPECT_EQ(SetWindowLongA(w, 8, 77), 0);
    EXPECT_EQ(GetWindowLongA(w, 8), 77);
    EXPECT_EQ(GetWindowLongA(w, 12), 0); // past the end
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    EXPECT_EQ(SetClassLongA(w, 4, 5), 0u);
    EXPECT_EQ(GetClassLongA(w, 4), 5u);
    EXPECT_EQ(GetClassLongA(w, GCL_STYLE), ULONG_PTR(got.style));
    char name[32];
    EXPECT_EQ(GetClassNameA(w, name, sizeof name), 12);
    EXPECT_STREQ(name, "KovClassInfo");

    // A class with windows stays.
    EXPECT_FALSE(UnregisterClassA("KovClassInfo", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("KovClassInfo", nullptr));
    EXPECT_FALSE(GetClassInfoExA(nullptr, "KovClassInfo", &got));
    DeleteObject(brush);
}

TEST_F(WinWindowsTest, CreationFailsForUnknownClassAndOrphanChild) {
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(
        CreateWindowExA(0, RecordingClass(), "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST_F(WinWindowsTest, RegisteredMessagesShareIdsByName) {
    UINT a = RegisterWindowMessageA("KovTestMessage");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("kovtestmessage"), a);
    EXPECT_NE(RegisterWindowMessageA("KovOtherMessage"), a);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

// ---- Creation and destruction sequences ------------------------------------------------------------

TEST_F(WinWindowsTest, CreationSequences) {
    HWND parent = Make(WS_POPUP | WS_VISIBLE, 10, 10, 200, 100);
    ASSERT_TRUE(parent);
    struct Case {
        const char* Name;
        DWORD Style;
        bool Child;
        std::vector<UINT> Expected;
    };
    const std::vector<Case> cases = {
        {"hidden overlapped",
         WS_OVERLAPPEDWINDOW,
         false,
         {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}},
        {"visible overlapped",
         WS_OVERLAPPEDWINDOW | WS_VISIBLE,
         false,
         {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
          WM_WINDOWPOSCHANGING, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED}},
        {"hidden popup", WS_POPUP, false, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}},
        {"resizable popup",
         WS_POPUP | WS_THICKFRAME,
         false,
         {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}},
        {"hidden child",
         WS_CHILD,
         true,
         {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY}},
        {"visible child",
         WS_CHILD | WS_VISIBLE,
         true,
         {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY, WM_SHOWWINDOW,
          WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rec.Clear();
        HWND w = Make(c.Style, 5, 6, 150, 80, c.Child ? parent : nullptr);
        ASSERT_TRUE(w);
        std::vector<UINT> seen;
        for (const Seen& r : Rec.Log)
            if (r.Window == w || r.Message == WM_PARENTNOTIFY) seen.push_back(r.Message);
        // Activation of the application adds WM_ACTIVATEAPP to every window: not part of the table.
        EXPECT_EQ(Without(seen, {WM_ACTIVATEAPP}), c.Expected);
        if (c.Child) {
            const Seen* notify = Rec.Find(WM_PARENTNOTIFY);
            ASSERT_TRUE(notify);
            EXPECT_EQ(notify->Window, parent);
            EXPECT_EQ(LOWORD(notify->WParam), WM_CREATE);
            EXPECT_EQ(HWND(notify->LParam), w);
        }
        // The first WM_SIZE carries the client size, WM_MOVE the client origin.
        const Seen* size = Rec.Find(WM_SIZE, w);
        ASSERT_TRUE(size);
        RECT client;
        GetClientRect(w, &client);
        EXPECT_EQ(LOWORD(size->LParam), client.right);
        EXPECT_EQ(HIWORD(size->LParam), client.bottom);
        DestroyWindow(w);
    }
}

TEST_F(WinWindowsTest, CreateParametersAndDefaultText) {
    int param = 42;
    const CREATESTRUCTA* seen = nullptr;
    int seenParam = 0;
    std::string seenName;
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_CREATE) {
            seen = reinterpret_cast<const CREATESTRUCTA*>(lp);
            seenParam = *static_cast<int*>(seen->lpCreateParams);
            seenName = seen->lpszName;
            EXPECT_EQ(seen->cx, 120);
            EXPECT_EQ(seen->cy, 40);
            EXPECT_TRUE(seen->style & WS_VISIBLE);
        }
        return false;
    };
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, RecordingClass(), "Caption text", WS_POPUP | WS_VISIBLE, 3, 4,
                             120, 40, nullptr, nullptr, nullptr, &param);
    Track(w);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seenParam, 42);
    EXPECT_EQ(seenName, "Caption text");
    char text[64];
    EXPECT_EQ(GetWindowTextLengthA(w), 12);
    EXPECT_EQ(GetWindowTextA(w, text, sizeof text), 12);
    EXPECT_STREQ(text, "Caption text");
    EXPECT_EQ(GetWindowTextA(w, text, 5), 4); // cut to the buffer
    EXPECT_STREQ(text, "Capt");
    EXPECT_TRUE(SetWindowTextA(w, "\xE4\xB8\xAD\xE6\x96\x87")); // UTF-8 text as it is
    EXPECT_EQ(GetWindowTextLengthA(w), 6);
    EXPECT_TRUE(Rec.Find(WM_SETTEXT, w));
}

TEST_F(WinWindowsTest, FailedCreationsDestroyTheWindow) {
    struct Case {
        const char* Name;
        UINT FailAt;
        LRESULT Result;
        std::vector<UINT> Expected;
    };
    const std::vector<Case> cases = {
        {"WM_NCCREATE answers FALSE", WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
        {"WM_CREATE answers -1",
         WM_CREATE,
         -1,
         {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rec.Clear();
        HWND seen = nullptr;
        Rec.Handler = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT& r) {
            seen = w;
            if (m != c.FailAt) return false;
            r = c.Result;
            return true;
        };
        EXPECT_EQ(Make(WS_POPUP, 0, 0, 10, 10), nullptr);
        EXPECT_EQ(Rec.Messages(), c.Expected);
        EXPECT_FALSE(IsWindow(seen));
    }
}

TEST_F(WinWindowsTest, DestructionSequence) {
    HWND top = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200);
    HWND a = Make(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top);
    HWND a1 = Make(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a);
    HWND b = Make(WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, top);
    HWND owned = Make(WS_POPUP, 0, 0, 20, 20, top);
    ASSERT_TRUE(top && a && a1 && b && owned);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
    Rec.Clear();
    EXPECT_TRUE(DestroyWindow(top));
    // Hidden (handing the activation on) first, the owned window before its owner; WM_DESTROY
    // parents first, WM_NCDESTROY children first.
    std::vector<std::pair<HWND, UINT>> expected = {
        {top, WM_WINDOWPOSCHANGING},
        {top, WM_WINDOWPOSCHANGED},
        {top, WM_NCACTIVATE},
        {top, WM_ACTIVATE},
        {top, WM_KILLFOCUS},
        {owned, WM_DESTROY},
        {owned, WM_NCDESTROY},
        {top, WM_DESTROY},
        {a, WM_DESTROY},
        {a1, WM_DESTROY},
        {b, WM_DESTROY},
        {a1, WM_NCDESTROY},
        {a, WM_NCDESTROY},
        {b, WM_NCDESTROY},
        {top, WM_NCDESTROY},
    };
    auto pairs = Rec.Pairs();
    pairs.erase(
        std::remove_if(pairs.begin(), pairs.end(), [](auto& p) { return p.second == WM_ACTIVATEAPP; }),
        pairs.end());
    EXPECT_EQ(pairs, expected);
    for (HWND h : {top, a, a1, b, owned})
        EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WinWindowsTest, DestroyingAChildNotifiesTheParentAndRepaintsIt) {
    HWND top = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, top, 0, nullptr, "", reinterpret_cast<HMENU>(7));
    EXPECT_EQ(GetWindowLongA(child, GWL_ID), 7);
    ValidateRect(top, nullptr);
    Rec.Clear();
    DestroyWindow(child);
    const Seen* notify = Rec.Find(WM_PARENTNOTIFY, top);
    ASSERT_TRUE(notify);
    EXPECT_EQ(LOWORD(notify->WParam), WM_DESTROY);
    EXPECT_EQ(HIWORD(notify->WParam), 7);
    EXPECT_EQ(Rec.Messages(child),
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_DESTROY, WM_NCDESTROY}));
    RECT update;
    EXPECT_TRUE(GetUpdateRect(top, &update, FALSE));
    EXPECT_EQ(update.left, 10);
    EXPECT_EQ(update.right, 30);
    // Only the owning thread destroys.
    EXPECT_FALSE(DestroyWindow(child));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WinWindowsTest, MessagesPostedToADestroyedWindowAreDropped) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    PostMessageA(w, WM_USER, 0, 0);
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    DestroyWindow(w);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, WM_USER + 1u);
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

// ---- Window data -----------------------------------------------------------------------------------

TEST_F(WinWindowsTest, WindowLongs) {
    HWND owner = Make(WS_POPUP, 0, 0, 10, 10);
    HWND w = Make(WS_POPUP | WS_BORDER, 0, 0, 50, 50, owner, WS_EX_TOOLWINDOW);
    HWND child = Make(WS_CHILD, 0, 0, 5, 5, w, 0, nullptr, "", reinterpret_cast<HMENU>(99));
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE), LONG_PTR(std::int32_t(WS_POPUP | WS_BORDER)));
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), LONG_PTR(WS_EX_TOOLWINDOW));
    EXPECT_EQ(GetWindowLongA(w, GWL_WNDPROC), LONG_PTR(&RecordingProc));
    EXPECT_EQ(GetWindowLongA(w, GWL_HWNDPARENT), LONG_PTR(owner));
    EXPECT_EQ(GetWindowLongA(child, GWL_HWNDPARENT), LONG_PTR(w));
    EXPECT_EQ(GetWindowLongA(child, GWL_ID), 99);

    int data = 0;
    EXPECT_EQ(SetWindowLongA(w, GWL_USERDATA, LONG_PTR(&data)), 0);
    EXPECT_EQ(GetWindowLongA(w, GWL_USERDATA), LONG_PTR(&data)); // a whole pointer

    // Styles change through WM_STYLECHANGING, which may change them further, and WM_STYLECHANGED.
    Rec.Clear();
    Rec.Handler = [&](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT&) {
        if (m == WM_STYLECHANGING && wp == WPARAM(GWL_STYLE))
            reinterpret_cast<STYLESTRUCT*>(lp)->styleNew |= WS_TABSTOP;
        return false;
    };
    EXPECT_EQ(SetWindowLongA(w, GWL_STYLE, LONG_PTR(WS_POPUP | WS_THICKFRAME)),
              LONG_PTR(std::int32_t(WS_POPUP | WS_BORDER)));
    EXPECT_EQ(Rec.Messages(w), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)), WS_POPUP | WS_THICKFRAME | WS_TABSTOP);
    const Seen* changed = Rec.Find(WM_STYLECHANGED);
    EXPECT_EQ(changed->WParam, WPARAM(GWL_STYLE));

    // GWL_HWNDPARENT changes a popup's owner.
    HWND other = Make(WS_POPUP, 0, 0, 10, 10);
    EXPECT_EQ(SetWindowLongA(w, GWL_HWNDPARENT, LONG_PTR(other)), LONG_PTR(owner));
    EXPECT_EQ(GetParent(w), other);
    EXPECT_EQ(GetWindowLongA(nullptr, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WinWindowsTest, Properties) {
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    int a = 1, b = 2;
    EXPECT_TRUE(SetPropA(w, "ControlOfs0040", &a));
    EXPECT_EQ(GetPropA(w, "controlofs0040"), &a);
    EXPECT_TRUE(SetPropA(w, "ControlOfs0040", &b));
    EXPECT_EQ(GetPropA(w, "ControlOfs0040"), &b);
    ATOM atom = ATOM(RegisterWindowMessageA("KovPropAtom"));
    EXPECT_TRUE(SetPropA(w, MAKEINTATOM(atom), &a));
    EXPECT_EQ(GetPropA(w, "KovPropAtom"), &a); // an atom and its name are the same property
    EXPECT_EQ(RemovePropA(w, MAKEINTATOM(atom)), &a);
    EXPECT_EQ(GetPropA(w, MAKEINTATOM(atom)), nullptr);
    EXPECT_EQ(GetPropA(w, "Missing"), nullptr);
}

TEST_F(WinWindowsTest, SubclassedProcedureSeesMessagesFirstAndChains) {
    static std::vector<std::string>* order;
    static WNDPROC previous;
    std::vector<std::string> log;
    order = &log;
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    WNDPROC sub = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER) {
            order->push_back("sub");
            LRESULT r = CallWindowProcA(previous, h, m, wp, lp);
            return r + 1;
        }
        return CallWindowProcA(previous, h, m, wp, lp);
    };
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_USER) return false;
        log.push_back("class");
        r = 10;
        return true;
    };
    previous = reinterpret_cast<WNDPROC>(SetWindowLongA(w, GWL_WNDPROC, LONG_PTR(sub)));
    EXPECT_EQ(previous, &RecordingProc);
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 11);
    PostMessageA(w, WM_USER, 0, 0);
    PumpAll();
    EXPECT_EQ(log, (std::vector<std::string>{"sub", "class", "sub", "class"}));
    // Restoring the old procedure ends the subclassing.
    SetWindowLongA(w, GWL_WNDPROC, LONG_PTR(previous));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 10);
}

// ---- The tree --------------------------------------------------------------------------------------

BOOL Collect(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

TEST_F(WinWindowsTest, TreeQueries) {
    HWND top = Make(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, 0, nullptr, "KovTreeTop");
    HWND a = Make(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, 0, nullptr, "A");
    HWND b = Make(WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, 0, nullptr, "B");
    HWND a1 = Make(WS_CHILD, 0, 0, 5, 5, a, 0, nullptr, "A1");
    HWND popup = Make(WS_POPUP, 0, 0, 5, 5, top);
    // Children are added below their siblings: creation order is the z-order from the top.
    EXPECT_EQ(GetWindow(top, GW_CHILD), a);
    EXPECT_EQ(GetTopWindow(top), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDPREV), a);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(a, GW_HWNDLAST), b);
    EXPECT_EQ(GetParent(a1), a);
    EXPECT_EQ(GetParent(top), nullptr);
    EXPECT_EQ(GetParent(popup), top); // a popup's owner
    EXPECT_EQ(GetAncestor(a1, GA_ROOT), top);
    EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsChild(top, a1));
    EXPECT_FALSE(IsChild(a1, top));
    EXPECT_FALSE(IsChild(top, popup));
    EXPECT_TRUE(IsWindow(GetDesktopWindow()));

    std::vector<HWND> all;
    EnumChildWindows(top, Collect, LPARAM(&all));
    EXPECT_EQ(all, (std::vector<HWND>{a, a1, b}));
    std::vector<HWND> tops;
    EnumWindows(Collect, LPARAM(&tops));
    EXPECT_NE(std::find(tops.begin(), tops.end(), top), tops.end());
    EXPECT_NE(std::find(tops.begin(), tops.end(), popup), tops.end());
    EXPECT_EQ(std::find(tops.begin(), tops.end(), a), tops.end());

    EXPECT_EQ(FindWindowA(RecordingClass(), "KovTreeTop"), top);
    EXPECT_EQ(FindWindowA(nullptr, "KovTreeTop"), top);
    EXPECT_EQ(FindWindowA(nullptr, "A"), nullptr); // children are not searched
    EXPECT_EQ(FindWindowExA(top, nullptr, nullptr, "B"), b);
    EXPECT_EQ(FindWindowExA(top, a, RecordingClass(), nullptr), b);

    // SetParent keeps the position relative to the new parent.
    SetWindowPos(a1, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(SetParent(a1, b), a);
    EXPECT_EQ(GetParent(a1), b);
    POINT p{0, 0};
    MapWindowPoints(a1, b, &p, 1);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, 4);
    EXPECT_EQ(SetParent(a1, a1), nullptr); // not into itself
    EXPECT_EQ(SetParent(b, a1), nullptr);  // nor below itself
}

TEST_F(WinWindowsTest, ZOrderOfTopLevelWindows) {
    HWND one = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    HWND two = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    HWND topmost = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, WS_EX_TOPMOST);
    HWND owned = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, one);
    auto order = [] {
        std::vector<HWND> list;
        EnumWindows(Collect, LPARAM(&list));
        return list;
    };
    auto before = [&](HWND x, HWND y) {
        auto list = order();
        return std::find(list.begin(), list.end(), x) < std::find(list.begin(), list.end(), y);
    };
    EXPECT_TRUE(before(topmost, two));
    SetWindowPos(one, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(before(topmost, one)); // the topmost window stays in front
    EXPECT_TRUE(before(owned, one));   // an owned window stays above its owner
    EXPECT_TRUE(before(one, two));
    SetWindowPos(two, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(GetWindowLongA(two, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(before(two, one));
    SetWindowPos(two, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(GetWindowLongA(two, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(before(topmost, two));
    SetWindowPos(one, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    EXPECT_TRUE(before(two, one));
}

// ---- Geometry --------------------------------------------------------------------------------------

TEST_F(WinWindowsTest, ShowMoveAndSizeSequences) {
    HWND top = Make(WS_POPUP | WS_VISIBLE, 100, 100, 300, 300);
    HWND w = Make(WS_CHILD, 10, 20, 100, 50, top);
    struct Case {
        const char* Name;
        std::function<void()> Action;
        std::vector<UINT> Expected;
    };
    const std::vector<Case> cases = {
        {"show", [&] { ShowWindow(w, SW_SHOW); }, {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}},
        {"show again", [&] { ShowWindow(w, SW_SHOW); }, {WM_WINDOWPOSCHANGING}},
        {"move",
         [&] { MoveWindow(w, 15, 25, 100, 50, TRUE); },
         {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}},
        {"size",
         [&] { SetWindowPos(w, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER); },
         {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE}},
        {"move and size",
         [&] { MoveWindow(w, 1, 2, 30, 40, TRUE); },
         {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}},
        {"nothing changes", [&] { MoveWindow(w, 1, 2, 30, 40, TRUE); }, {WM_WINDOWPOSCHANGING}},
        {"hide", [&] { ShowWindow(w, SW_HIDE); }, {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}},
        {"hide again", [&] { ShowWindow(w, SW_HIDE); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rec.Clear();
        c.Action();
        EXPECT_EQ(Rec.Messages(w), c.Expected);
    }
    // The values the messages carry.
    Rec.Clear();
    MoveWindow(w, 7, 8, 40, 30, TRUE);
    const Seen* changed = Rec.Find(WM_WINDOWPOSCHANGED, w);
    ASSERT_TRUE(changed);
    const Seen* move = Rec.Find(WM_MOVE, w);
    ASSERT_TRUE(move);
    EXPECT_EQ(GET_X_LPARAM(move->LParam), 7);
    EXPECT_EQ(GET_Y_LPARAM(move->LParam), 8);
    const Seen* size = Rec.Find(WM_SIZE, w);
    EXPECT_EQ(size->WParam, SIZE_RESTORED);
    EXPECT_EQ(LOWORD(size->LParam), 40);
    EXPECT_EQ(HIWORD(size->LParam), 30);
}

TEST_F(WinWindowsTest, WindowPosChangingMayAlterTheChange) {
    HWND w = Make(WS_POPUP, 0, 0, 100, 100);
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_WINDOWPOSCHANGING) {
            auto* wp = reinterpret_cast<WINDOWPOS*>(lp);
            wp->cx = 64; // a fixed width
        }
        return false;
    };
    SetWindowPos(w, nullptr, 5, 5, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.right - r.left, 64);
    EXPECT_EQ(r.bottom - r.top, 150);
}

TEST_F(WinWindowsTest, FramesAndCoordinates) {
    struct Case {
        const char* Name;
        DWORD Style;
        DWORD ExStyle;
        RECT Insets; // left, top, right, bottom frame widths
    };
    const std::vector<Case> cases = {
        {"plain popup", WS_POPUP, 0, {0, 0, 0, 0}},
        {"border", WS_POPUP | WS_BORDER, 0, {1, 1, 1, 1}},
        {"client edge", WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 2, 2}},
        {"border and client edge", WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, {3, 3, 3, 3}},
        {"caption", WS_POPUP | WS_CAPTION, 0, {3, 22, 3, 3}},
        {"sizable caption", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, {4, 23, 4, 4}},
        {"tool window caption", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, {3, 19, 3, 3}},
        {"scroll bars", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, {0, 0, 16, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND w = Make(c.Style, 100, 50, 200, 150, nullptr, c.ExStyle);
        RECT client, window;
        GetClientRect(w, &client);
        GetWindowRect(w, &window);
        EXPECT_EQ(window.left, 100);
        EXPECT_EQ(client.right, 200 - c.Insets.left - c.Insets.right);
        EXPECT_EQ(client.bottom, 150 - c.Insets.top - c.Insets.bottom);
        POINT p{0, 0};
        ClientToScreen(w, &p);
        EXPECT_EQ(p.x, 100 + c.Insets.left);
        EXPECT_EQ(p.y, 50 + c.Insets.top);
        ScreenToClient(w, &p);
        EXPECT_EQ(p.x, 0);
        RECT adjusted{0, 0, 10, 10};
        AdjustWindowRectEx(&adjusted, c.Style & ~(WS_VSCROLL | WS_HSCROLL), FALSE, c.ExStyle);
        if (!(c.Style & WS_VSCROLL)) {
            EXPECT_EQ(adjusted.left, -c.Insets.left);
            EXPECT_EQ(adjusted.top, -c.Insets.top);
        }
        DestroyWindow(w);
    }
    HWND top = Make(WS_POPUP | WS_BORDER, 100, 50, 200, 150);
    HWND child = Make(WS_CHILD | WS_BORDER, 10, 20, 50, 50, top);
    POINT pts[2] = {{0, 0}, {5, 5}};
    int packed = MapWindowPoints(child, top, pts, 2);
    EXPECT_EQ(pts[0].x, 11);
    EXPECT_EQ(pts[0].y, 21);
    EXPECT_EQ(pts[1].x, 16);
    EXPECT_EQ(SHORT(LOWORD(DWORD(packed))), 11);
    EXPECT_EQ(SHORT(HIWORD(DWORD(packed))), 21);
    POINT s{0, 0};
    MapWindowPoints(child, nullptr, &s, 1);
    EXPECT_EQ(s.x, 100 + 1 + 10 + 1);
    EXPECT_EQ(s.y, 50 + 1 + 20 + 1);
}

TEST_F(WinWindowsTest, MaximizeAndMinimize) {
    HWND w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 300, 200);
    Rec.Clear();
    ShowWindow(w, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(w));
    const Seen* size = Rec.Find(WM_SIZE, w);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->WParam, SIZE_MAXIMIZED);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, GetSystemMetrics(SM_CXSCREEN)); // the frame lies outside the screen
    ShowWindow(w, SW_RESTORE);
    EXPECT_FALSE(IsZoomed(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.right - r.left, 300);
    Rec.Clear();
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(w));
    size = Rec.Find(WM_SIZE, w);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->WParam, SIZE_MINIMIZED);
    ShowWindow(w, SW_RESTORE);
    GetWindowRect(w, &r);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.bottom - r.top, 200);
}

TEST_F(WinWindowsTest, MinMaxInfoLimitsSizing) {
    HWND w = Make(WS_POPUP | WS_THICKFRAME, 0, 0, 300, 300);
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM lp, LRESULT&) {
        if (m == WM_GETMINMAXINFO) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = POINT{150, 120};
            info->ptMaxTrackSize = POINT{400, 400};
        }
        return false;
    };
    SetWindowPos(w, nullptr, 0, 0, 50, 900, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, 400);
}

// ---- Hit testing ------------------------------------------------------------------------------------

TEST_F(WinWindowsTest, HitTestingThroughNestedChildren) {
    // top (10,10)-(310,210) with WS_CLIPCHILDREN
    //   panel (20,20)-(220,170) in top's client area
    //     button (10,10)-(60,40) in panel
    //     disabled (70,10)-(120,40) in panel
    //     round: a window whose region is its left half
    //     glass: answers HTTRANSPARENT, lying over the button's right part
    HWND top = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 300, 200);
    HWND panel = Make(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 200, 150, top);
    HWND button = Make(WS_CHILD | WS_VISIBLE, 10, 10, 50, 30, panel);
    HWND disabled = Make(WS_CHILD | WS_VISIBLE | WS_DISABLED, 70, 10, 50, 30, panel);
    HWND round = Make(WS_CHILD | WS_VISIBLE, 10, 60, 60, 30, panel);
    SetWindowRgn(round, CreateRectRgn(0, 0, 30, 30), FALSE);
    HWND glass = Make(WS_CHILD | WS_VISIBLE, 40, 10, 20, 30, panel);
    SetWindowPos(glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    HWND hidden = Make(WS_CHILD, 130, 10, 50, 30, panel);
    HWND outside = Make(WS_CHILD | WS_VISIBLE, 180, 140, 50, 50, panel); // sticks out of the panel
    Rec.Ignored.erase(WM_NCHITTEST);
    Rec.Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (h == glass && m == WM_NCHITTEST) {
            r = HTTRANSPARENT;
            return true;
        }
        return false;
    };
    // Screen positions: top's client at (10,10); panel at (30,30); panel children at (30+x, 30+y).
    struct Case {
        const char* Name;
        POINT Screen;
        HWND Expected;
    };
    const std::vector<Case> cases = {
        {"button", {45, 45}, button},
        {"through the transparent window to the button", {75, 45}, button},
        {"disabled child gives its parent", {105, 45}, panel},
        {"inside the region", {45, 95}, round},
        {"outside the region", {85, 95}, panel},
        {"hidden child", {165, 45}, panel},
        {"part of a child outside its parent", {225, 185}, top},
        {"inside a child within its parent", {215, 175}, outside},
        {"top's own area", {300, 200}, top},
        {"nothing", {5, 5}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(WindowFromPoint(c.Screen), c.Expected);
    }
    EXPECT_GT(Rec.Count(WM_NCHITTEST, glass), 0);

    // ChildWindowFromPoint looks at the immediate children only (client coordinates).
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{30, 30}), panel);
    EXPECT_EQ(ChildWindowFromPoint(panel, POINT{80, 20}), disabled);
    EXPECT_EQ(ChildWindowFromPointEx(panel, POINT{80, 20}, CWP_SKIPDISABLED), panel);
    EXPECT_EQ(ChildWindowFromPointEx(panel, POINT{140, 20}, CWP_ALL), hidden);
    EXPECT_EQ(ChildWindowFromPointEx(panel, POINT{140, 20}, CWP_SKIPINVISIBLE), panel);
    EXPECT_EQ(ChildWindowFromPoint(panel, POINT{55, 70}), panel); // outside round's region
    EXPECT_EQ(ChildWindowFromPoint(panel, POINT{500, 500}), nullptr);

    // A region of a top-level window limits it too, and GetWindowRgn hands out a copy.
    SetWindowRgn(top, CreateRectRgn(0, 0, 100, 100), TRUE);
    EXPECT_EQ(WindowFromPoint(POINT{200, 150}), nullptr);
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(top, copy), SIMPLEREGION);
    RECT box;
    GetRgnBox(copy, &box);
    EXPECT_EQ(box.right, 100);
    DeleteObject(copy);
    EXPECT_EQ(GetWindowRgn(panel, CreateRectRgn(0, 0, 0, 0)), ERROR);
}

TEST_F(WinWindowsTest, AllocateHWndSendsToTheMethod) {
    struct Target : TObject {
        std::vector<UINT> Seen;
        void WndProc(TMessage& m) {
            Seen.push_back(m.Msg);
            if (m.Msg == WM_USER)
                m.Result = 5;
            else
                m.Result = DefWindowProcA(Handle, m.Msg, m.WParam, m.LParam);
        }
        HWND Handle = nullptr;
    } target;
    target.Handle = AllocateHWnd(TWndMethod(&target, &Target::WndProc));
    ASSERT_TRUE(target.Handle);
    EXPECT_FALSE(IsWindowVisible(target.Handle));
    EXPECT_EQ(SendMessageA(target.Handle, WM_USER, 0, 0), 5);
    // It is a top-level window, so broadcasts reach it.
    target.Seen.clear();
    WinNotifyThemeChanged();
    EXPECT_EQ(std::count(target.Seen.begin(), target.Seen.end(), WM_THEMECHANGED), 1);
    DeallocateHWnd(target.Handle);
    EXPECT_FALSE(IsWindow(target.Handle));
}

TEST_F(WinWindowsTest, BroadcastsReachTopLevelWindowsOnly) {
    HWND a = Make(WS_POPUP, 0, 0, 10, 10);
    HWND b = Make(WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
    HWND child = Make(WS_CHILD, 0, 0, 10, 10, b);
    HWND hidden = Make(WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE); // message-only: not reached
    struct Case {
        const char* Name;
        std::function<void()> Trigger;
        UINT Message;
    };
    const std::vector<Case> cases = {
        {"system colours", [] { WinNotifySysColorChange(); }, WM_SYSCOLORCHANGE},
        {"settings", [] { WinNotifySettingChange(0, "intl"); }, WM_WININICHANGE},
        {"time", [] { WinNotifyTimeChange(); }, WM_TIMECHANGE},
        {"theme", [] { WinNotifyThemeChanged(); }, WM_THEMECHANGED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Rec.Clear();
        c.Trigger();
        EXPECT_EQ(Rec.Count(c.Message, a), 1);
        EXPECT_EQ(Rec.Count(c.Message, b), 1);
        EXPECT_EQ(Rec.Count(c.Message, child), 0);
        EXPECT_EQ(Rec.Count(c.Message, hidden), 0);
    }
    Rec.Clear();
    WinNotifySettingChange(0, "intl");
    const Seen* r = Rec.Find(WM_SETTINGCHANGE, a);
    ASSERT_TRUE(r);
    EXPECT_STREQ(reinterpret_cast<const char*>(r->LParam), "intl");
    // Posted broadcasts arrive through the queue.
    Rec.Clear();
    PostMessageA(HWND_BROADCAST, WM_USER + 7, 0, 0);
    EXPECT_EQ(Rec.Count(WM_USER + 7), 0);
    PumpAll();
    EXPECT_EQ(Rec.Count(WM_USER + 7, a), 1);
    EXPECT_EQ(Rec.Count(WM_USER + 7, b), 1);
}

} // namespace
