// Windows and window classes: the handle table, registration of classes and messages, creation
// and destruction with their message sequences, window data, text and properties, and the
// queries over the window tree.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

thread_local int tLockDepth = 0;
thread_local std::vector<std::function<void()>> tAfterUnlock;
thread_local bool tRunningAfterUnlock = false;

void RunAfterUnlock() {
    if (tRunningAfterUnlock) return; // the running loop below picks new ones up
    tRunningAfterUnlock = true;
    while (!tAfterUnlock.empty()) {
        std::vector<std::function<void()>> ops;
        ops.swap(tAfterUnlock);
        for (auto& op : ops) {
            try {
                op();
            } catch (...) {
                WinHandleException(std::current_exception());
            }
        }
    }
    tRunningAfterUnlock = false;
}

// ---- Handles, atoms, classes ---------------------------------------------------------------------

struct TTables {
    std::map<std::uintptr_t, std::shared_ptr<TWnd>> Windows;
    std::uintptr_t NextHandle = 0x20010;
    std::map<String, ATOM> Atoms; // lower-case name -> atom (classes, messages, properties)
    std::map<ATOM, String> AtomNames;
    ATOM NextAtom = 0xC000;
    std::vector<std::shared_ptr<TWndClass>> Classes;
    std::shared_ptr<TWnd> DesktopWnd;
    std::shared_ptr<TWnd> MessageRootWnd;
};

TTables& Tables() {
    static TTables* tables = new TTables; // lives to the end: windows may be touched at exit
    return *tables;
}

bool IsAtomName(LPCSTR name) { return name != nullptr && (std::uintptr_t(name) >> 16) == 0; }

String Lower(const String& s) { return LowerCase(s); }

ATOM AddAtomLocked(const String& name) {
    TTables& t = Tables();
    String key = Lower(name);
    auto it = t.Atoms.find(key);
    if (it != t.Atoms.end()) return it->second;
    if (t.NextAtom == 0xFFFF) return 0;
    ATOM atom = t.NextAtom++;
    t.Atoms[key] = atom;
    t.AtomNames[atom] = name;
    return atom;
}

// A property or class name as the tables keep it: atoms as "#<number>" unless named.
String NameKey(LPCSTR name) {
    if (IsAtomName(name)) {
        ATOM atom = ATOM(std::uintptr_t(name));
        auto it = Tables().AtomNames.find(atom);
        if (it != Tables().AtomNames.end()) return Lower(it->second);
        return "#" + IntToStr(Integer(atom));
    }
    return Lower(name);
}

std::shared_ptr<TWnd> MakeSpecialWindow(const char* className) {
    auto cls = std::make_shared<TWndClass>();
    cls->Name = className;
    cls->System = true;
    cls->Proc = DefWindowProcA;
    auto w = std::make_shared<TWnd>();
    w->Class = cls;
    w->Proc = DefWindowProcA;
    w->Style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    return w;
}

void EnsureSpecialWindows() {
    TTables& t = Tables();
    if (t.DesktopWnd) return;
    t.DesktopWnd = MakeSpecialWindow("#32769");
    t.DesktopWnd->Handle = reinterpret_cast<HWND>(t.NextHandle);
    t.Windows[t.NextHandle] = t.DesktopWnd;
    t.NextHandle += 2;
    t.MessageRootWnd = MakeSpecialWindow("Message");
    t.MessageRootWnd->Style = WS_CLIPCHILDREN;
    t.MessageRootWnd->Handle = reinterpret_cast<HWND>(t.NextHandle);
    t.Windows[t.NextHandle] = t.MessageRootWnd;
    t.NextHandle += 2;
}

RECT CurrentScreen() {
    if (TWinBackend* backend = WinGetBackend()) return backend->ScreenRect();
    return RECT{0, 0, 1024, 768};
}

// ---- Creation helpers --------------------------------------------------------------------------

void SetError(DWORD code) { SetLastError(code); }

// Where CW_USEDEFAULT puts an overlapped window, and how big it makes it.
int gCascade = 0;

// Sends WM_PARENTNOTIFY up the chain of parents, as long as each one is a child that wants it.
void NotifyParents(HWND child, WORD event) {
    std::vector<HWND> parents;
    LONG_PTR id = 0;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(child);
        if (!w) return;
        id = w->Id;
        while (w && IsChildStyle(w) && !(w->ExStyle & WS_EX_NOPARENTNOTIFY)) {
            w = w->Parent;
            if (!w || w == Desktop() || w == MessageRoot()) break;
            parents.push_back(w->Handle);
        }
    }
    for (HWND parent : parents)
        SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(event, WORD(id)), LPARAM(child));
}

void SendDestroyTree(HWND window) {
    SendMessageA(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        for (TWnd* c : w->Children) {
            c->Destroying = true;
            children.push_back(c->Handle);
        }
    }
    for (HWND c : children)
        SendDestroyTree(c);
}

void FreeWindow(TWnd* w) {
    // With the lock held: the window leaves the tree and the table.
    std::shared_ptr<TWnd> keep = FindShared(w->Handle);
    Unlink(w);
    w->Destroyed = true;
    if (w->Class) --w->Class->Windows;
    if (w->Region) {
        HRGN region = w->Region;
        w->Region = nullptr;
        DeleteObject(region);
    }
    TInputState& in = Input();
    if (in.Focus == w->Handle) in.Focus = nullptr;
    if (in.Active == w->Handle) in.Active = nullptr;
    if (in.Capture == w->Handle) in.Capture = nullptr;
    if (in.TrackWindow == w->Handle) in.TrackWindow = nullptr;
    if (in.MouseWindow == w->Handle) in.MouseWindow = nullptr;
    if (in.ClickWindow == w->Handle) in.ClickWindow = nullptr;
    if (in.Locked == w->Handle) in.Locked = nullptr;
    PurgeWindowMessages(w);
    KillWindowTimers(w->Handle);
    DropWindowContexts(w->Handle);
    RemoveWindow(w);
}

void SendNcDestroyTree(HWND window) {
    std::vector<HWND> children;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        for (TWnd* c : w->Children)
            children.push_back(c->Handle);
    }
    for (HWND c : children)
        SendNcDestroyTree(c);
    SendMessageA(window, WM_NCDESTROY, 0, 0);
    bool surface = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        // Children made during WM_DESTROY are freed with their parent.
        while (!w->Children.empty()) {
            TWnd* c = w->Children.front();
            c->Destroying = true;
            FreeWindow(c);
        }
        surface = w->Surface != nullptr || IsTopLevel(w);
        FreeWindow(w);
    }
    if (surface) {
        if (TWinBackend* backend = WinGetBackend()) backend->SurfaceDestroyed(window);
    }
}

LRESULT UtilWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TWndMethod method;
    {
        TLock lock(StateMutex());
        if (TWnd* w = Find(window)) method = w->UtilMethod;
    }
    if (!method) return DefWindowProcA(window, message, wParam, lParam);
    TMessage m{message, wParam, lParam, 0};
    method(m);
    return m.Result;
}

const char* const UtilWindowClass = "TPUtilWindow";

} // namespace

// ================================================================================================
// Internal state shared with the other files.

namespace WinInternal {

void TStateMutex::lock() {
    FMutex.lock();
    ++tLockDepth;
}

void TStateMutex::unlock() {
    --tLockDepth;
    FMutex.unlock();
    if (tLockDepth == 0 && !tAfterUnlock.empty()) RunAfterUnlock();
}

void AfterUnlock(std::function<void()> op) {
    tAfterUnlock.push_back(std::move(op));
    if (tLockDepth == 0) RunAfterUnlock();
}

TStateMutex& StateMutex() {
    static TStateMutex* mutex = new TStateMutex;
    return *mutex;
}

void CheckUnlocked() {
    if (tLockDepth != 0) {
        std::fprintf(stderr, "window system: call-out with the state lock held\n");
        std::abort();
    }
}

TWnd* Desktop() {
    EnsureSpecialWindows();
    TWnd* d = Tables().DesktopWnd.get();
    d->Rect = CurrentScreen();
    d->Client = RECT{0, 0, d->Rect.right - d->Rect.left, d->Rect.bottom - d->Rect.top};
    return d;
}

TWnd* MessageRoot() {
    EnsureSpecialWindows();
    return Tables().MessageRootWnd.get();
}

TWnd* Find(HWND window) {
    if (window == nullptr) return nullptr;
    TTables& t = Tables();
    auto it = t.Windows.find(reinterpret_cast<std::uintptr_t>(window));
    if (it == t.Windows.end() || it->second->Destroyed) return nullptr;
    return it->second.get();
}

std::shared_ptr<TWnd> FindShared(HWND window) {
    TTables& t = Tables();
    auto it = t.Windows.find(reinterpret_cast<std::uintptr_t>(window));
    if (it == t.Windows.end()) return nullptr;
    return it->second;
}

TWnd* AddWindow(std::shared_ptr<TWnd> window) {
    EnsureSpecialWindows();
    TTables& t = Tables();
    std::uintptr_t value = t.NextHandle;
    t.NextHandle += 2;
    window->Handle = reinterpret_cast<HWND>(value);
    TWnd* raw = window.get();
    t.Windows[value] = std::move(window);
    return raw;
}

void RemoveWindow(TWnd* window) { Tables().Windows.erase(reinterpret_cast<std::uintptr_t>(window->Handle)); }

std::vector<TWnd*> AllWindows() {
    std::vector<TWnd*> result;
    for (auto& [value, w] : Tables().Windows)
        if (w.get() != Tables().DesktopWnd.get() && w.get() != Tables().MessageRootWnd.get() && !w->Destroyed)
            result.push_back(w.get());
    return result;
}

std::shared_ptr<TWndClass> FindClass(LPCSTR nameOrAtom) {
    if (nameOrAtom == nullptr) return nullptr;
    for (auto& cls : Tables().Classes) {
        if (IsAtomName(nameOrAtom)) {
            if (cls->Atom == ATOM(std::uintptr_t(nameOrAtom))) return cls;
        } else if (SameText(cls->Name, nameOrAtom)) {
            return cls;
        }
    }
    return nullptr;
}

bool IsTopLevel(const TWnd* w) {
    return w && (w->Parent == Tables().DesktopWnd.get() || w->Parent == Tables().MessageRootWnd.get());
}

bool IsChildStyle(const TWnd* w) { return w && !IsTopLevel(w) && (w->Style & WS_CHILD); }

TWnd* TopLevelOf(TWnd* w) {
    while (w && !IsTopLevel(w) && w->Parent)
        w = w->Parent;
    return IsTopLevel(w) ? w : nullptr;
}

bool IsAncestor(const TWnd* ancestor, const TWnd* w) {
    for (const TWnd* p = w ? w->Parent : nullptr; p; p = p->Parent)
        if (p == ancestor) return true;
    return false;
}

bool IsVisibleChain(const TWnd* w) {
    for (; w && w != Tables().DesktopWnd.get(); w = w->Parent) {
        if (w == Tables().MessageRootWnd.get()) return false;
        if (!(w->Style & WS_VISIBLE)) return false;
    }
    return w != nullptr;
}

bool IsEnabledChain(const TWnd* w) {
    for (; w && !IsTopLevel(w); w = w->Parent)
        if (w->Style & WS_DISABLED) return false;
    return w && !(w->Style & WS_DISABLED);
}

POINT ClientOrigin(const TWnd* w) {
    RECT r = ScreenWindowRect(w);
    return POINT{r.left + w->Client.left, r.top + w->Client.top};
}

RECT ScreenWindowRect(const TWnd* w) {
    if (!w) return RECT{};
    if (w == Tables().DesktopWnd.get()) return w->Rect;
    POINT origin{0, 0};
    if (!IsTopLevel(w) && w->Parent) origin = ClientOrigin(w->Parent);
    return RECT{w->Rect.left + origin.x, w->Rect.top + origin.y, w->Rect.right + origin.x,
                w->Rect.bottom + origin.y};
}

RECT ScreenClientRect(const TWnd* w) {
    RECT r = ScreenWindowRect(w);
    return RECT{r.left + w->Client.left, r.top + w->Client.top, r.left + w->Client.right,
                r.top + w->Client.bottom};
}

POINT OffsetInTopLevel(const TWnd* w) {
    const TWnd* top = w;
    while (top && !IsTopLevel(top))
        top = top->Parent;
    if (!top) return POINT{0, 0};
    RECT a = ScreenWindowRect(w);
    RECT b = ScreenWindowRect(top);
    return POINT{a.left - b.left, a.top - b.top};
}

GdiRegion WindowRegion(const TWnd* w) {
    GdiRegion whole(0, 0, w->Rect.right - w->Rect.left, w->Rect.bottom - w->Rect.top);
    if (!w->Region) return whole;
    auto object = GdiFind<GdiRegionObject>(w->Region);
    if (!object) return whole;
    return object->Region & whole;
}

void Unlink(TWnd* w) {
    if (!w->Parent) return;
    auto& list = w->Parent->Children;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    w->Parent = nullptr;
}

void LinkAt(TWnd* w, TWnd* parent, HWND insertAfter) {
    if (w->Parent) Unlink(w);
    w->Parent = parent;
    auto& list = parent->Children;
    bool topLevel = parent == Tables().DesktopWnd.get();
    // Among top-level windows, the topmost ones stay above the others.
    auto firstNonTopmost = [&] {
        return std::find_if(list.begin(), list.end(), [](TWnd* x) { return !(x->ExStyle & WS_EX_TOPMOST); });
    };
    if (insertAfter == HWND_BOTTOM) {
        if (topLevel && (w->ExStyle & WS_EX_TOPMOST))
            list.insert(firstNonTopmost(), w);
        else
            list.push_back(w);
        return;
    }
    if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        if (topLevel && !(w->ExStyle & WS_EX_TOPMOST))
            list.insert(firstNonTopmost(), w);
        else
            list.insert(list.begin(), w);
        return;
    }
    auto it = std::find_if(list.begin(), list.end(), [&](TWnd* x) { return x->Handle == insertAfter; });
    if (it == list.end()) {
        list.insert(list.begin(), w);
        return;
    }
    list.insert(it + 1, w);
    if (topLevel) {
        // Keep the topmost windows in front.
        std::stable_partition(list.begin(), list.end(),
                              [](TWnd* x) { return (x->ExStyle & WS_EX_TOPMOST) != 0; });
    }
}

std::vector<HWND> TopLevelWindows() {
    TLock lock(StateMutex());
    std::vector<HWND> result;
    for (TWnd* w : Desktop()->Children)
        result.push_back(w->Handle);
    return result;
}

} // namespace WinInternal

// ================================================================================================
// Classes.

namespace {

ATOM RegisterClassCore(const WNDCLASSEXA& wc) {
    if (wc.lpszClassName == nullptr || wc.lpfnWndProc == nullptr || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 ||
        (!IsAtomName(wc.lpszClassName) && *wc.lpszClassName == '\0')) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    TLock lock(StateMutex());
    if (FindClass(wc.lpszClassName)) {
        SetError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<TWndClass>();
    cls->Name = IsAtomName(wc.lpszClassName) ? "#" + IntToStr(Integer(std::uintptr_t(wc.lpszClassName)))
                                             : String(wc.lpszClassName);
    cls->Atom =
        IsAtomName(wc.lpszClassName) ? ATOM(std::uintptr_t(wc.lpszClassName)) : AddAtomLocked(cls->Name);
    cls->Style = wc.style;
    cls->Proc = wc.lpfnWndProc;
    cls->ClsExtra = wc.cbClsExtra;
    cls->WndExtra = wc.cbWndExtra;
    cls->Instance = wc.hInstance;
    cls->Icon = wc.hIcon;
    cls->IconSm = wc.hIconSm;
    cls->Cursor = wc.hCursor;
    cls->Background = wc.hbrBackground;
    if (wc.lpszMenuName && !IsAtomName(wc.lpszMenuName)) {
        cls->MenuNameText = wc.lpszMenuName;
        cls->MenuName = nullptr;
    } else {
        cls->MenuName = wc.lpszMenuName;
    }
    cls->Extra.assign(size_t(wc.cbClsExtra), 0);
    Tables().Classes.push_back(cls);
    return cls->Atom;
}

void FillClassInfo(const TWndClass& cls, WNDCLASSEXA& wc) {
    wc.style = cls.Style;
    wc.lpfnWndProc = cls.Proc;
    wc.cbClsExtra = cls.ClsExtra;
    wc.cbWndExtra = cls.WndExtra;
    wc.hInstance = cls.Instance;
    wc.hIcon = cls.Icon;
    wc.hIconSm = cls.IconSm;
    wc.hCursor = cls.Cursor;
    wc.hbrBackground = cls.Background;
    wc.lpszMenuName = cls.MenuNameText.empty() ? cls.MenuName : cls.MenuNameText.c_str();
    wc.lpszClassName = cls.Name.c_str();
}

} // namespace

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXA wc;
    wc.style = wndClass->style;
    wc.lpfnWndProc = wndClass->lpfnWndProc;
    wc.cbClsExtra = wndClass->cbClsExtra;
    wc.cbWndExtra = wndClass->cbWndExtra;
    wc.hInstance = wndClass->hInstance;
    wc.hIcon = wndClass->hIcon;
    wc.hCursor = wndClass->hCursor;
    wc.hbrBackground = wndClass->hbrBackground;
    wc.lpszMenuName = wndClass->lpszMenuName;
    wc.lpszClassName = wndClass->lpszClassName;
    return RegisterClassCore(wc);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wndClass) {
    if (!wndClass || wndClass->cbSize != sizeof(WNDCLASSEXA)) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return RegisterClassCore(*wndClass);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    TLock lock(StateMutex());
    auto cls = FindClass(className);
    if (!cls) {
        SetError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->Windows > 0) {
        SetError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    auto& list = Tables().Classes;
    list.erase(std::remove(list.begin(), list.end(), cls), list.end());
    return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, WNDCLASSEXA* wndClass) {
    if (!wndClass) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TLock lock(StateMutex());
    auto cls = FindClass(className);
    if (!cls) {
        SetError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    FillClassInfo(*cls, *wndClass);
    wndClass->cbSize = sizeof(WNDCLASSEXA);
    return cls->Atom;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wndClass) {
    if (!wndClass) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WNDCLASSEXA wc;
    BOOL result = GetClassInfoExA(instance, className, &wc);
    if (!result) return FALSE;
    wndClass->style = wc.style;
    wndClass->lpfnWndProc = wc.lpfnWndProc;
    wndClass->cbClsExtra = wc.cbClsExtra;
    wndClass->cbWndExtra = wc.cbWndExtra;
    wndClass->hInstance = wc.hInstance;
    wndClass->hIcon = wc.hIcon;
    wndClass->hCursor = wc.hCursor;
    wndClass->hbrBackground = wc.hbrBackground;
    wndClass->lpszMenuName = wc.lpszMenuName;
    wndClass->lpszClassName = wc.lpszClassName;
    return result;
}

int GetClassNameA(HWND window, LPSTR buffer, int size) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!buffer || size <= 0) return 0;
    const String& name = w->Class->Name;
    int n = std::min<int>(int(name.size()), size - 1);
    std::memcpy(buffer, name.data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

ULONG_PTR GetClassLongA(HWND window, int index) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const TWndClass& c = *w->Class;
    switch (index) {
    case GCL_MENUNAME:
        return ULONG_PTR(c.MenuNameText.empty() ? c.MenuName : c.MenuNameText.c_str());
    case GCL_HBRBACKGROUND:
        return ULONG_PTR(c.Background);
    case GCL_HCURSOR:
        return ULONG_PTR(c.Cursor);
    case GCL_HICON:
        return ULONG_PTR(c.Icon);
    case GCL_HICONSM:
        return ULONG_PTR(c.IconSm);
    case GCL_HMODULE:
        return ULONG_PTR(c.Instance);
    case GCL_CBWNDEXTRA:
        return ULONG_PTR(c.WndExtra);
    case GCL_CBCLSEXTRA:
        return ULONG_PTR(c.ClsExtra);
    case GCL_WNDPROC:
        return ULONG_PTR(c.Proc);
    case GCL_STYLE:
        return ULONG_PTR(c.Style);
    case GCW_ATOM:
        return ULONG_PTR(c.Atom);
    default:
        if (index >= 0 && size_t(index) + 4 <= c.Extra.size()) {
            std::int32_t v;
            std::memcpy(&v, c.Extra.data() + index, 4);
            return ULONG_PTR(std::uint32_t(v));
        }
        SetError(ERROR_INVALID_INDEX);
        return 0;
    }
}

ULONG_PTR SetClassLongA(HWND window, int index, LONG_PTR value) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    TWndClass& c = *w->Class;
    ULONG_PTR old = 0;
    switch (index) {
    case GCL_HBRBACKGROUND:
        old = ULONG_PTR(c.Background);
        c.Background = reinterpret_cast<HBRUSH>(value);
        return old;
    case GCL_HCURSOR:
        old = ULONG_PTR(c.Cursor);
        c.Cursor = reinterpret_cast<HCURSOR>(value);
        return old;
    case GCL_HICON:
        old = ULONG_PTR(c.Icon);
        c.Icon = reinterpret_cast<HICON>(value);
        return old;
    case GCL_HICONSM:
        old = ULONG_PTR(c.IconSm);
        c.IconSm = reinterpret_cast<HICON>(value);
        return old;
    case GCL_WNDPROC:
        old = ULONG_PTR(c.Proc);
        c.Proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GCL_STYLE:
        old = c.Style;
        c.Style = UINT(value);
        return old;
    default:
        if (index >= 0 && size_t(index) + 4 <= c.Extra.size()) {
            std::int32_t v;
            std::memcpy(&v, c.Extra.data() + index, 4);
            std::int32_t nv = std::int32_t(value);
            std::memcpy(c.Extra.data() + index, &nv, 4);
            return ULONG_PTR(std::uint32_t(v));
        }
        SetError(ERROR_INVALID_INDEX);
        return 0;
    }
}

UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || *name == '\0') {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    TLock lock(StateMutex());
    return AddAtomLocked(name);
}

// ================================================================================================
// Creation and destruction.

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    HWND handle = nullptr;
    DWORD requestedStyle = style;
    CREATESTRUCTA cs;
    bool child = false;
    bool overlapped = false;
    RECT screen{};
    {
        TLock lock(StateMutex());
        auto cls = FindClass(className);
        if (!cls || cls->System) {
            SetError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        // A thread with windows has a queue: others may post and send to it at once.
        CurrentQueue();
        TWnd* parentWnd = nullptr;
        TWnd* owner = nullptr;
        if (parent == HWND_MESSAGE) {
            parentWnd = MessageRoot();
        } else if (style & WS_CHILD) {
            parentWnd = Find(parent);
            if (!parentWnd) {
                SetError(parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
                return nullptr;
            }
            child = true;
        } else {
            parentWnd = Desktop();
            if (parent) {
                TWnd* p = Find(parent);
                if (!p) {
                    SetError(ERROR_INVALID_WINDOW_HANDLE);
                    return nullptr;
                }
                owner = TopLevelOf(p);
            }
        }
        screen = Desktop()->Rect;
        overlapped = !child && !(style & WS_POPUP) && parentWnd == Desktop();
        if (overlapped) style |= WS_CAPTION | WS_CLIPSIBLINGS;
        if ((exStyle & WS_EX_DLGMODALFRAME) || (style & (WS_DLGFRAME | WS_THICKFRAME)))
            exStyle |= WS_EX_WINDOWEDGE;

        if (x == CW_USEDEFAULT) {
            if (overlapped) {
                int step = 26 * (gCascade++ % 8);
                x = screen.left + 26 + step;
                y = screen.top + 26 + step;
            } else {
                x = 0;
                y = 0;
            }
        }
        if (width == CW_USEDEFAULT) {
            if (overlapped) {
                width = (screen.right - screen.left) * 3 / 4;
                height = (screen.bottom - screen.top) * 3 / 4;
            } else {
                width = 0;
                height = 0;
            }
        }
        if (width < 0) width = 0;
        if (height < 0) height = 0;

        auto w = std::make_shared<TWnd>();
        w->Class = cls;
        w->ThreadId = GetCurrentThreadId();
        w->Style = style & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
        w->ExStyle = exStyle;
        w->Proc = cls->Proc;
        w->Instance = instance;
        w->Id = LONG_PTR(menu);
        w->Extra.assign(size_t(cls->WndExtra), 0);
        w->Owner = owner;
        w->Parent = parentWnd; // linked into the children only after WM_NCCREATE
        w->Rect = RECT{x, y, x + width, y + height};
        w->Client = RECT{0, 0, width, height};
        w->NormalRect = w->Rect;
        ++cls->Windows;
        handle = AddWindow(std::move(w))->Handle;

        cs.lpCreateParams = param;
        cs.hInstance = instance;
        cs.hMenu = menu;
        cs.hwndParent = parent == HWND_MESSAGE ? nullptr : parent;
        cs.x = x;
        cs.y = y;
        cs.cx = width;
        cs.cy = height;
        cs.style = LONG(requestedStyle);
        cs.lpszName = windowName;
        cs.lpszClass = className;
        cs.dwExStyle = exStyle;
    }

    // Resizable and overlapped windows learn their limits first.
    if ((style & WS_THICKFRAME) || overlapped) {
        MINMAXINFO info;
        {
            TLock lock(StateMutex());
            info = DefaultMinMax(style, exStyle);
        }
        SendMessageA(handle, WM_GETMINMAXINFO, 0, LPARAM(&info));
        TLock lock(StateMutex());
        if (TWnd* w = Find(handle)) {
            int cx = w->Rect.right - w->Rect.left, cy = w->Rect.bottom - w->Rect.top;
            cx = std::max<int>(info.ptMinTrackSize.x, std::min<int>(cx, info.ptMaxTrackSize.x));
            cy = std::max<int>(info.ptMinTrackSize.y, std::min<int>(cy, info.ptMaxTrackSize.y));
            if ((style & WS_THICKFRAME) || overlapped) {
                w->Rect.right = w->Rect.left + std::max(cx, 0);
                w->Rect.bottom = w->Rect.top + std::max(cy, 0);
                cs.cx = w->Rect.right - w->Rect.left;
                cs.cy = w->Rect.bottom - w->Rect.top;
            }
        }
    }

    if (!SendMessageA(handle, WM_NCCREATE, 0, LPARAM(&cs))) {
        SendMessageA(handle, WM_NCDESTROY, 0, 0);
        TLock lock(StateMutex());
        if (TWnd* w = Find(handle)) {
            w->Parent = nullptr;
            FreeWindow(w);
        }
        return nullptr;
    }

    RECT rect{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(handle);
        if (!w) return nullptr;
        TWnd* parentWnd = w->Parent;
        w->Parent = nullptr;
        LinkAt(w, parentWnd, child ? HWND_BOTTOM : HWND_TOP);
        rect = w->Rect;
    }
    RECT client = rect;
    SendMessageA(handle, WM_NCCALCSIZE, FALSE, LPARAM(&client));
    {
        TLock lock(StateMutex());
        TWnd* w = Find(handle);
        if (!w) return nullptr;
        client.right = std::max(client.right, client.left);
        client.bottom = std::max(client.bottom, client.top);
        w->Client = RECT{client.left - w->Rect.left, client.top - w->Rect.top, client.right - w->Rect.left,
                         client.bottom - w->Rect.top};
        if (IsTopLevel(w)) EnsureSurface(w);
    }

    if (SendMessageA(handle, WM_CREATE, 0, LPARAM(&cs)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!IsWindow(handle)) return nullptr;

    // The first WM_SIZE and WM_MOVE.
    {
        RECT c{};
        POINT origin{};
        DWORD st = 0;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(handle);
            if (!w) return nullptr;
            c = w->Client;
            origin = POINT{w->Rect.left + c.left, w->Rect.top + c.top};
            st = w->Style;
        }
        WPARAM kind = (st & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                      : (st & WS_MINIMIZE) ? SIZE_MINIMIZED
                                           : SIZE_RESTORED;
        SendMessageA(handle, WM_SIZE, kind, MAKELPARAM(WORD(c.right - c.left), WORD(c.bottom - c.top)));
        SendMessageA(handle, WM_MOVE, 0, MAKELPARAM(WORD(origin.x), WORD(origin.y)));
    }
    if (child) NotifyParents(handle, WORD(WM_CREATE));
    if (!IsWindow(handle)) return nullptr;

    if (requestedStyle & WS_MAXIMIZE)
        ShowWindow(handle, (requestedStyle & WS_VISIBLE) ? SW_SHOWMAXIMIZED : SW_MAXIMIZE);
    else if (requestedStyle & WS_MINIMIZE)
        ShowWindow(handle, (requestedStyle & WS_VISIBLE) ? SW_SHOWMINIMIZED : SW_MINIMIZE);
    else if (requestedStyle & WS_VISIBLE)
        ShowWindow(handle, SW_SHOW);
    {
        TLock lock(StateMutex());
        TWnd* w = Find(handle);
        if (!w) return nullptr;
        if (IsTopLevel(w)) SurfaceUpdate(w);
    }
    return IsWindow(handle) ? handle : nullptr;
}

void CheckWindowThreadCall(bool succeeded, const char* call) {
    if (succeeded) return;
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WINDOW_OF_OTHER_THREAD)
        throw EInvalidOperation(String(call) + ": the window belongs to another thread");
}

BOOL DestroyWindow(HWND window) {
    bool visible = false;
    bool child = false;
    std::vector<HWND> owned;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || w == Desktop() || w == MessageRoot()) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->ThreadId != GetCurrentThreadId()) {
            SetError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->Destroying) return TRUE;
        w->Destroying = true;
        child = IsChildStyle(w);
        visible = (w->Style & WS_VISIBLE) != 0;
        for (TWnd* other : AllWindows())
            if (other->Owner == w && !other->Destroying) owned.push_back(other->Handle);
    }
    if (child) NotifyParents(window, WORD(WM_DESTROY));
    if (visible) {
        SetWindowPosCore(window, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE, false);
    }
    bool wasActive = false;
    {
        TLock lock(StateMutex());
        wasActive = Input().Active == window;
    }
    if (wasActive) ActivateOther(window);
    for (HWND o : owned)
        DestroyWindow(o);
    // The focus and the capture leave the windows that go.
    HWND focusLeaving = nullptr, captureLeaving = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return TRUE;
        TInputState& in = Input();
        TWnd* f = Find(in.Focus);
        if (f && (f == w || IsAncestor(w, f))) focusLeaving = in.Focus;
        TWnd* c = Find(in.Capture);
        if (c && (c == w || IsAncestor(w, c))) captureLeaving = in.Capture;
    }
    if (captureLeaving) ReleaseCapture();
    if (focusLeaving) {
        {
            TLock lock(StateMutex());
            Input().Focus = nullptr;
        }
        SendMessageA(focusLeaving, WM_KILLFOCUS, 0, 0);
    }
    SendDestroyTree(window);
    SendNcDestroyTree(window);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    TLock lock(StateMutex());
    return Find(window) != nullptr;
}

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId) *processId = 1;
    return w->ThreadId ? w->ThreadId : MainThreadID.load();
}

HWND AllocateHWnd(TWndMethod method) {
    {
        TLock lock(StateMutex());
        if (!FindClass(UtilWindowClass)) {
            WNDCLASSEXA wc;
            wc.lpfnWndProc = UtilWindowProc;
            wc.lpszClassName = UtilWindowClass;
            RegisterClassCore(wc);
        }
    }
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, nullptr, nullptr);
    if (window) {
        TLock lock(StateMutex());
        if (TWnd* w = Find(window)) w->UtilMethod = method;
    }
    return window;
}

void DeallocateHWnd(HWND window) {
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return;
        w->UtilMethod = nullptr;
    }
    DestroyWindow(window);
}

// ================================================================================================
// Window data.

namespace {

LONG_PTR ExtraGet(const TWnd& w, int index, size_t size) {
    if (index < 0 || size_t(index) + size > w.Extra.size()) {
        SetError(ERROR_INVALID_INDEX);
        return 0;
    }
    if (size == 4) {
        std::int32_t v;
        std::memcpy(&v, w.Extra.data() + index, 4);
        return LONG_PTR(v);
    }
    LONG_PTR v;
    std::memcpy(&v, w.Extra.data() + index, sizeof(v));
    return v;
}

LONG_PTR ExtraSet(TWnd& w, int index, size_t size, LONG_PTR value) {
    LONG_PTR old = ExtraGet(w, index, size);
    if (index < 0 || size_t(index) + size > w.Extra.size()) return 0;
    if (size == 4) {
        std::int32_t v = std::int32_t(value);
        std::memcpy(w.Extra.data() + index, &v, 4);
    } else {
        std::memcpy(w.Extra.data() + index, &value, sizeof(value));
    }
    return old;
}

LONG_PTR GetLongCore(HWND window, int index, size_t extraSize) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWL_WNDPROC:
        return LONG_PTR(w->Proc);
    case GWL_HINSTANCE:
        return LONG_PTR(w->Instance);
    case GWL_HWNDPARENT:
        if (IsChildStyle(w)) return LONG_PTR(w->Parent->Handle);
        return LONG_PTR(w->Owner ? w->Owner->Handle : nullptr);
    case GWL_ID:
        return w->Id;
    case GWL_STYLE:
        return LONG_PTR(std::int32_t(w->Style));
    case GWL_EXSTYLE:
        return LONG_PTR(std::int32_t(w->ExStyle));
    case GWL_USERDATA:
        return w->UserData;
    default:
        return ExtraGet(*w, index, extraSize);
    }
}

LONG_PTR SetStyleCore(HWND window, int index, DWORD value) {
    STYLESTRUCT ss;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return 0;
        ss.styleOld = index == GWL_STYLE ? w->Style : w->ExStyle;
        ss.styleNew = value;
    }
    SendMessageA(window, WM_STYLECHANGING, WPARAM(index), LPARAM(&ss));
    DWORD old = 0;
    bool visibilityChanged = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return 0;
        if (index == GWL_STYLE) {
            old = w->Style;
            w->Style = ss.styleNew;
            visibilityChanged = ((old ^ w->Style) & WS_VISIBLE) != 0;
        } else {
            old = w->ExStyle;
            w->ExStyle = ss.styleNew;
            if ((old ^ w->ExStyle) & WS_EX_TOPMOST) {
                TWnd* parent = w->Parent;
                if (parent == Desktop()) LinkAt(w, parent, HWND_TOP);
            }
        }
        ss.styleOld = old;
        ss.styleNew = index == GWL_STYLE ? w->Style : w->ExStyle;
        if (TWnd* top = TopLevelOf(w)) {
            SurfaceUpdate(top);
            if (visibilityChanged) RetargetContexts(top);
        }
    }
    SendMessageA(window, WM_STYLECHANGED, WPARAM(index), LPARAM(&ss));
    return LONG_PTR(std::int32_t(old));
}

LONG_PTR SetLongCore(HWND window, int index, LONG_PTR value, size_t extraSize) {
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        LONG_PTR old = 0;
        switch (index) {
        case GWL_WNDPROC:
            old = LONG_PTR(w->Proc);
            if (value == 0) {
                SetError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            w->Proc = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWL_HINSTANCE:
            old = LONG_PTR(w->Instance);
            w->Instance = reinterpret_cast<HINSTANCE>(value);
            return old;
        case GWL_ID:
            old = w->Id;
            w->Id = value;
            return old;
        case GWL_USERDATA:
            old = w->UserData;
            w->UserData = value;
            return old;
        case GWL_HWNDPARENT:
            if (IsChildStyle(w)) break; // a child changes its parent with SetParent
            old = LONG_PTR(w->Owner ? w->Owner->Handle : nullptr);
            w->Owner = TopLevelOf(Find(reinterpret_cast<HWND>(value)));
            if (w->Owner == w) w->Owner = nullptr;
            SurfaceUpdate(w);
            return old;
        case GWL_STYLE:
        case GWL_EXSTYLE:
            break;
        default:
            return ExtraSet(*w, index, extraSize, value);
        }
    }
    if (index == GWL_HWNDPARENT) {
        LONG_PTR old = LONG_PTR(GetParent(window));
        SetParent(window, reinterpret_cast<HWND>(value));
        return old;
    }
    return SetStyleCore(window, index, DWORD(value));
}

} // namespace

LONG_PTR GetWindowLongA(HWND window, int index) { return GetLongCore(window, index, 4); }
LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value) {
    return SetLongCore(window, index, value, 4);
}
LONG_PTR GetWindowLongPtrA(HWND window, int index) { return GetLongCore(window, index, sizeof(LONG_PTR)); }
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    return SetLongCore(window, index, value, sizeof(LONG_PTR));
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!proc) return 0;
    return CallProc(proc, window, message, wParam, lParam);
}

// ---- Text ----------------------------------------------------------------------------------------

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    if (!IsWindow(window)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(window, WM_SETTEXT, 0, LPARAM(text ? text : "")) != 0;
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    bool own = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        own = w->ThreadId == GetCurrentThreadId();
        if (!own) {
            // Another thread's window: its text is read directly, without a message.
            int n = std::min<int>(int(w->Text.size()), size - 1);
            std::memcpy(buffer, w->Text.data(), size_t(n));
            buffer[n] = '\0';
            return n;
        }
    }
    return int(SendMessageA(window, WM_GETTEXT, WPARAM(size), LPARAM(buffer)));
}

int GetWindowTextLengthA(HWND window) {
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (w->ThreadId != GetCurrentThreadId()) return int(w->Text.size());
    }
    return int(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

// ---- Properties ----------------------------------------------------------------------------------

BOOL SetPropA(HWND window, LPCSTR name, HANDLE data) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!name) return FALSE;
    String key = NameKey(name);
    for (auto& [k, v] : w->Props) {
        if (k == key) {
            v = data;
            return TRUE;
        }
    }
    w->Props.emplace_back(key, data);
    return TRUE;
}

HANDLE GetPropA(HWND window, LPCSTR name) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !name) return nullptr;
    String key = NameKey(name);
    for (auto& [k, v] : w->Props)
        if (k == key) return v;
    return nullptr;
}

HANDLE RemovePropA(HWND window, LPCSTR name) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !name) return nullptr;
    String key = NameKey(name);
    for (auto it = w->Props.begin(); it != w->Props.end(); ++it) {
        if (it->first == key) {
            HANDLE v = it->second;
            w->Props.erase(it);
            return v;
        }
    }
    return nullptr;
}

// ================================================================================================
// The window tree.

HWND GetDesktopWindow() {
    TLock lock(StateMutex());
    return Desktop()->Handle;
}

HWND GetParent(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (IsChildStyle(w)) return w->Parent->Handle;
    if ((w->Style & WS_POPUP) && w->Owner) return w->Owner->Handle;
    return nullptr;
}

HWND GetAncestor(HWND window, UINT flags) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || w == Desktop()) return nullptr;
    switch (flags) {
    case GA_PARENT:
        return w->Parent ? w->Parent->Handle : nullptr;
    case GA_ROOT: {
        TWnd* top = TopLevelOf(w);
        return top ? top->Handle : nullptr;
    }
    case GA_ROOTOWNER: {
        TWnd* top = TopLevelOf(w);
        while (top && top->Owner)
            top = top->Owner;
        return top ? top->Handle : nullptr;
    }
    default:
        return nullptr;
    }
}

BOOL IsChild(HWND parent, HWND window) {
    TLock lock(StateMutex());
    TWnd* p = Find(parent);
    TWnd* w = Find(window);
    if (!p || !w) return FALSE;
    // Only along WS_CHILD links, as the system counts them.
    for (TWnd* x = w; x && IsChildStyle(x); x = x->Parent)
        if (x->Parent == p) return TRUE;
    return FALSE;
}

HWND GetWindow(HWND window, UINT command) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    switch (command) {
    case GW_CHILD:
        return w->Children.empty() ? nullptr : w->Children.front()->Handle;
    case GW_OWNER:
        return (!IsChildStyle(w) && w->Owner) ? w->Owner->Handle : nullptr;
    case GW_ENABLEDPOPUP: {
        for (TWnd* x : Desktop()->Children)
            if (x->Owner == w && (x->Style & WS_VISIBLE) && !(x->Style & WS_DISABLED)) return x->Handle;
        return nullptr;
    }
    default:
        break;
    }
    if (!w->Parent) return nullptr;
    auto& list = w->Parent->Children;
    auto it = std::find(list.begin(), list.end(), w);
    if (it == list.end()) return nullptr;
    switch (command) {
    case GW_HWNDFIRST:
        return list.front()->Handle;
    case GW_HWNDLAST:
        return list.back()->Handle;
    case GW_HWNDNEXT:
        return (it + 1) == list.end() ? nullptr : (*(it + 1))->Handle;
    case GW_HWNDPREV:
        return it == list.begin() ? nullptr : (*(it - 1))->Handle;
    default:
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetNextWindow(HWND window, UINT command) { return GetWindow(window, command); }

HWND GetTopWindow(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = window ? Find(window) : Desktop();
    if (!w || w->Children.empty()) return nullptr;
    return w->Children.front()->Handle;
}

namespace {

void CollectDescendants(TWnd* w, std::vector<HWND>& out) {
    for (TWnd* c : w->Children) {
        out.push_back(c->Handle);
        CollectDescendants(c, out);
    }
}

} // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
    if (!proc) return FALSE;
    std::vector<HWND> list;
    {
        TLock lock(StateMutex());
        TWnd* w = parent ? Find(parent) : Desktop();
        if (!w) return FALSE;
        CollectDescendants(w, list);
    }
    for (HWND h : list) {
        if (!IsWindow(h)) continue;
        if (!proc(h, param)) break;
    }
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM param) {
    if (!proc) return FALSE;
    for (HWND h : TopLevelWindows()) {
        if (!IsWindow(h)) continue;
        if (!proc(h, param)) break;
    }
    return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM param) {
    if (!proc) return FALSE;
    std::vector<HWND> list;
    {
        TLock lock(StateMutex());
        for (TWnd* w : Desktop()->Children)
            if (w->ThreadId == threadId) list.push_back(w->Handle);
    }
    for (HWND h : list) {
        if (!IsWindow(h)) continue;
        if (!proc(h, param)) break;
    }
    return list.empty() ? FALSE : TRUE;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
    TLock lock(StateMutex());
    TWnd* p = nullptr;
    if (parent == HWND_MESSAGE)
        p = MessageRoot();
    else
        p = parent ? Find(parent) : Desktop();
    if (!p) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::shared_ptr<TWndClass> cls;
    if (className) {
        cls = FindClass(className);
        if (!cls) return nullptr;
    }
    bool started = childAfter == nullptr;
    for (TWnd* w : p->Children) {
        if (!started) {
            started = w->Handle == childAfter;
            continue;
        }
        if (cls && w->Class != cls) continue;
        if (windowName && w->Text != windowName) continue;
        return w->Handle;
    }
    return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    return FindWindowExA(nullptr, nullptr, className, windowName);
}

HWND SetParent(HWND child, HWND newParent) {
    HWND old = nullptr;
    bool visible = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(child);
        if (!w) {
            SetError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        TWnd* p = newParent == HWND_MESSAGE ? MessageRoot() : newParent ? Find(newParent) : Desktop();
        if (!p || p == w || IsAncestor(w, p)) {
            SetError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        TWnd* oldParent = w->Parent;
        old = oldParent ? oldParent->Handle : nullptr;
        visible = (w->Style & WS_VISIBLE) != 0;
        TWnd* oldTop = TopLevelOf(w);
        bool wasTop = IsTopLevel(w);
        if (visible && oldParent)
            InvalidateTree(oldParent, GdiRegion(w->Rect), RDW_INVALIDATE | RDW_ERASE, false);
        // The window keeps its position relative to the new parent's client area.
        LinkAt(w, p, HWND_TOP);
        bool nowTop = IsTopLevel(w);
        if (nowTop && !wasTop) {
            w->Owner = nullptr;
            EnsureSurface(w);
            SurfaceUpdate(w);
        }
        if (wasTop && !nowTop && oldTop == w) {
            w->Surface.reset();
        }
        if (TWnd* top = TopLevelOf(w)) RetargetContexts(top);
        if (oldTop && oldTop != w) RetargetContexts(oldTop);
    }
    if (visible)
        RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    if (TWinBackend* backend = WinGetBackend()) {
        bool gone = false;
        {
            TLock lock(StateMutex());
            TWnd* w = Find(child);
            gone = w && !IsTopLevel(w);
        }
        // A window that became a child has no surface of its own any more.
        if (gone) backend->SurfaceDestroyed(child);
    }
    return old;
}
