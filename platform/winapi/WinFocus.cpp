// Focus, activation, mouse capture and enabling, with the messages they send.
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

bool Minimized(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && (w->Style & WS_MINIMIZE);
}

std::vector<HWND> ThreadTopLevels(DWORD threadId) {
    TLock lock(StateMutex());
    std::vector<HWND> result;
    for (TWnd* w : Desktop()->Children)
        if (w->ThreadId == threadId) result.push_back(w->Handle);
    return result;
}

HWND ActivateCore(HWND window, bool click) {
    HWND old = nullptr, top = nullptr;
    DWORD thread = GetCurrentThreadId();
    {
        TLock lock(StateMutex());
        old = Input().Active;
        if (!Find(old)) old = nullptr;
        if (window) {
            TWnd* w = Find(window);
            if (!w) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            TWnd* t = TopLevelOf(w);
            if (!t || t->Parent == MessageRoot()) return old;
            top = t->Handle;
            thread = t->ThreadId;
        }
        if (old == top) return old;
    }
    if (old) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, Minimized(old) ? 1 : 0), LPARAM(top));
    }
    if (!top) {
        {
            TLock lock(StateMutex());
            Input().Active = nullptr;
        }
        if (old) {
            DWORD oldThread = GetWindowThreadProcessId(old, nullptr);
            for (HWND h : ThreadTopLevels(oldThread))
                SendMessageA(h, WM_ACTIVATEAPP, FALSE, 0);
        }
        HWND focus = nullptr;
        {
            TLock lock(StateMutex());
            focus = Input().Focus;
            Input().Focus = nullptr;
        }
        if (focus && IsWindow(focus)) SendMessageA(focus, WM_KILLFOCUS, 0, 0);
        return old;
    }
    {
        TLock lock(StateMutex());
        Input().Active = top;
        TWnd* t = Find(top);
        if (t && t->Parent == Desktop()) {
            LinkAt(t, Desktop(), HWND_TOP);
            SurfaceUpdate(t);
        }
        AfterUnlock([top] {
            if (TWinBackend* backend = WinGetBackend()) backend->SurfaceActivate(top);
        });
    }
    if (!old) {
        for (HWND h : ThreadTopLevels(thread))
            SendMessageA(h, WM_ACTIVATEAPP, TRUE, 0);
    }
    if (!IsWindow(top)) return old;
    SendMessageA(top, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(top, WM_ACTIVATE, MAKEWPARAM(click ? WA_CLICKACTIVE : WA_ACTIVE, Minimized(top) ? 1 : 0),
                 LPARAM(old));
    return old;
}

} // namespace

namespace WinInternal {

void ActivateOther(HWND leaving) {
    HWND next = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(leaving);
        auto eligible = [&](TWnd* x) {
            return x && x != w && (x->Style & WS_VISIBLE) && !(x->Style & (WS_DISABLED | WS_MINIMIZE)) &&
                   !(x->ExStyle & WS_EX_NOACTIVATE) && x->Parent == Desktop() && (!w || x->Owner != w);
        };
        if (w && w->Owner && eligible(w->Owner)) {
            next = w->Owner->Handle;
        } else {
            for (TWnd* x : Desktop()->Children) {
                if (eligible(x) && (!w || x->ThreadId == w->ThreadId)) {
                    next = x->Handle;
                    break;
                }
            }
        }
    }
    ActivateCore(next, false);
}

} // namespace WinInternal

HWND SetActiveWindow(HWND window) { return ActivateCore(window, false); }

HWND WinInternal::ClickActivate(HWND window) { return ActivateCore(window, true); }

HWND GetActiveWindow() {
    TLock lock(StateMutex());
    return Find(Input().Active) ? Input().Active : nullptr;
}

BOOL SetForegroundWindow(HWND window) {
    if (!IsWindow(window)) return FALSE;
    ActivateCore(window, false);
    return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetFocus(HWND window) {
    HWND old = nullptr;
    if (!window) {
        {
            TLock lock(StateMutex());
            old = Input().Focus;
            Input().Focus = nullptr;
        }
        if (old && IsWindow(old)) SendMessageA(old, WM_KILLFOCUS, 0, 0);
        return old;
    }
    HWND top = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (w->ThreadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        TWnd* t = TopLevelOf(w);
        top = t ? t->Handle : nullptr;
        if (Input().Active == top) top = nullptr;
    }
    if (top) ActivateCore(top, false);
    {
        TLock lock(StateMutex());
        if (!Find(window)) return nullptr;
        old = Input().Focus;
        if (!Find(old)) old = nullptr;
        if (old == window) return old;
        Input().Focus = window;
    }
    if (old) SendMessageA(old, WM_KILLFOCUS, WPARAM(window), 0);
    {
        TLock lock(StateMutex());
        // A WM_KILLFOCUS handler that moved the focus elsewhere has the last word.
        if (Input().Focus != window || !Find(window)) return old;
    }
    SendMessageA(window, WM_SETFOCUS, WPARAM(old), 0);
    return old;
}

HWND GetFocus() {
    TLock lock(StateMutex());
    return Find(Input().Focus) ? Input().Focus : nullptr;
}

HWND SetCapture(HWND window) {
    HWND old = nullptr;
    {
        TLock lock(StateMutex());
        if (window && !Find(window)) return nullptr;
        old = Input().Capture;
        if (!Find(old)) old = nullptr;
        Input().Capture = window;
    }
    if (old && old != window) SendMessageA(old, WM_CAPTURECHANGED, 0, LPARAM(window));
    return old;
}

BOOL ReleaseCapture() {
    HWND old = nullptr;
    {
        TLock lock(StateMutex());
        old = Input().Capture;
        Input().Capture = nullptr;
        if (!Find(old)) old = nullptr;
    }
    if (old) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    TLock lock(StateMutex());
    return Find(Input().Capture) ? Input().Capture : nullptr;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    bool wasDisabled = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasDisabled = (w->Style & WS_DISABLED) != 0;
        if (enable && wasDisabled) {
            w->Style &= ~WS_DISABLED;
            if (TWnd* top = TopLevelOf(w)) SurfaceUpdate(top);
        }
    }
    if (enable) {
        if (wasDisabled) SendMessageA(window, WM_ENABLE, TRUE, 0);
        return wasDisabled ? TRUE : FALSE;
    }
    if (wasDisabled) return TRUE;
    SendMessageA(window, WM_CANCELMODE, 0, 0);
    HWND focus = nullptr;
    bool capture = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return FALSE;
        w->Style |= WS_DISABLED;
        TWnd* f = Find(Input().Focus);
        if (f && (f == w || IsAncestor(w, f))) focus = f->Handle;
        capture = Input().Capture == window;
        if (TWnd* top = TopLevelOf(w)) SurfaceUpdate(top);
    }
    if (focus) SetFocus(nullptr);
    if (capture) ReleaseCapture();
    SendMessageA(window, WM_ENABLE, FALSE, 0);
    return FALSE;
}

BOOL IsWindowEnabled(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && !(w->Style & WS_DISABLED);
}
