// Focus, activation, mouse capture and enabling, with the messages they send; the disabling of a
// thread's windows while a modal one runs.
//
// The focus, the active window and the capture are one each for the program; the Get* calls
// answer for the calling thread only (null when the window belongs to another thread).
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"
#include "platform/winapi/WinModal.h"

using namespace WinInternal;

namespace {

bool Minimized(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && (w->Style & WS_MINIMIZE);
}

DWORD ThreadOf(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w ? w->ThreadId : 0;
}

std::vector<HWND> ThreadTopLevels(DWORD threadId) {
    TLock lock(StateMutex());
    std::vector<HWND> result;
    for (TWnd* w : Desktop()->Children)
        if (w->ThreadId == threadId) result.push_back(w->Handle);
    return result;
}

// With the lock held: the window if it is live and belongs to the calling thread.
HWND OwnThreadOnly(HWND window) {
    TWnd* w = Find(window);
    return (w && w->ThreadId == GetCurrentThreadId()) ? window : nullptr;
}

// Moves the keyboard focus without touching the activation: WM_KILLFOCUS (wParam: the new focus)
// to the old focus window, then WM_SETFOCUS (wParam: the old one) to the new. Returns the old.
HWND MoveFocus(HWND window) {
    HWND old = nullptr;
    {
        TLock lock(StateMutex());
        old = Input().Focus;
        if (!Find(old)) old = nullptr;
        if (old == window) return old;
        Input().Focus = window;
    }
    if (old) SendMessageA(old, WM_KILLFOCUS, WPARAM(window), 0);
    if (!window) return old;
    {
        TLock lock(StateMutex());
        // A WM_KILLFOCUS handler that moved the focus elsewhere has the last word.
        if (Input().Focus != window || !Find(window)) return old;
    }
    SendMessageA(window, WM_SETFOCUS, WPARAM(old), 0);
    return old;
}

// WM_ACTIVATEAPP to every top-level window of a thread; other: the thread on the other side.
void NotifyApp(DWORD thread, bool active, DWORD other) {
    for (HWND h : ThreadTopLevels(thread))
        if (IsWindow(h)) SendMessageA(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, LPARAM(other));
}

// Makes window's top-level window the active one (null: none). The window losing the activation
// gets WM_NCACTIVATE and WM_ACTIVATE (WA_INACTIVE), the threads whose windows gain or lose the
// activation WM_ACTIVATEAPP, and the new one WM_NCACTIVATE and WM_ACTIVATE (WA_ACTIVE or
// WA_CLICKACTIVE, with the minimized flag), whose DefWindowProc gives it the focus. When the focus
// is not inside the new active window afterwards, the window itself takes it.
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
    DWORD oldThread = old ? ThreadOf(old) : 0;
    if (old) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, Minimized(old) ? 1 : 0), LPARAM(top));
    }
    {
        TLock lock(StateMutex());
        // A handler of the messages above may have activated a window itself.
        if (Input().Active != old && Find(Input().Active)) return old;
        Input().Active = top;
        if (TWnd* t = Find(top)) {
            if (t->Parent == Desktop()) {
                LinkAt(t, Desktop(), HWND_TOP);
                SurfaceUpdate(t);
            }
            AfterUnlock([top] {
                if (TWinBackend* backend = WinGetBackend()) backend->SurfaceActivate(top);
            });
        }
    }
    if (old && (!top || oldThread != thread)) NotifyApp(oldThread, false, top ? thread : 0);
    if (!top) {
        // The program lost the activation: nothing of it keeps the focus.
        MoveFocus(nullptr);
        return old;
    }
    if (!old || oldThread != thread) NotifyApp(thread, true, oldThread);
    if (!IsWindow(top)) return old;
    SendMessageA(top, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(top, WM_ACTIVATE, MAKEWPARAM(click ? WA_CLICKACTIVE : WA_ACTIVE, Minimized(top) ? 1 : 0),
                 LPARAM(old));
    bool focusTop = false;
    {
        TLock lock(StateMutex());
        TWnd* t = Find(top);
        TWnd* f = Find(Input().Focus);
        focusTop = t && Input().Active == top && (!f || (f != t && !IsAncestor(t, f)));
    }
    if (focusTop) MoveFocus(top);
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
                   !(x->ExStyle & WS_EX_NOACTIVATE) && x->Parent == Desktop() && (!w || x->Owner != w) &&
                   !x->Destroying;
        };
        // The owner first, then the topmost other window of the same thread.
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

HWND ClickActivate(HWND window) { return ActivateCore(window, true); }

} // namespace WinInternal

HWND SetActiveWindow(HWND window) { return ActivateCore(window, false); }

HWND GetActiveWindow() {
    TLock lock(StateMutex());
    return OwnThreadOnly(Input().Active);
}

BOOL SetForegroundWindow(HWND window) {
    if (!IsWindow(window)) return FALSE;
    ActivateCore(window, false);
    return TRUE;
}

HWND GetForegroundWindow() {
    TLock lock(StateMutex());
    return Find(Input().Active) ? Input().Active : nullptr;
}

HWND SetFocus(HWND window) {
    if (!window) return MoveFocus(nullptr);
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
        // A hidden or disabled window (or one inside such a window) cannot take the keyboard.
        if (!IsVisibleChain(w) || !IsEnabledChain(w)) return nullptr;
        TWnd* t = TopLevelOf(w);
        if (!t || t->Parent == MessageRoot()) return nullptr;
        top = t->Handle;
        if (Input().Active == top) top = nullptr;
    }
    if (top) {
        ActivateCore(top, false);
        TLock lock(StateMutex());
        // The activation may have been refused or the window destroyed on the way.
        if (!Find(window) || Input().Active != top) return nullptr;
    }
    return MoveFocus(window);
}

HWND GetFocus() {
    TLock lock(StateMutex());
    return OwnThreadOnly(Input().Focus);
}

HWND SetCapture(HWND window) {
    HWND old = nullptr;
    {
        TLock lock(StateMutex());
        if (window && !Find(window)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
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
    return OwnThreadOnly(Input().Capture);
}

namespace {

// The controls inside a window look enabled or disabled with it (IsWindowShownEnabled).
void RepaintDescendants(HWND window) {
    if (GetWindow(window, GW_CHILD))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

} // namespace

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
        if (wasDisabled) {
            SendMessageA(window, WM_ENABLE, TRUE, 0);
            RepaintDescendants(window);
        }
        return wasDisabled ? TRUE : FALSE;
    }
    if (wasDisabled) return TRUE;
    // Whatever mode the window is in (a drag, a pressed button) ends first.
    SendMessageA(window, WM_CANCELMODE, 0, 0);
    bool focus = false, capture = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return FALSE;
        w->Style |= WS_DISABLED;
        TWnd* f = Find(Input().Focus);
        focus = f && (f == w || IsAncestor(w, f));
        TWnd* c = Find(Input().Capture);
        capture = c && (c == w || IsAncestor(w, c));
        if (TWnd* top = TopLevelOf(w)) SurfaceUpdate(top);
    }
    // A disabled window keeps neither the keyboard nor the mouse.
    if (focus) MoveFocus(nullptr);
    if (capture) ReleaseCapture();
    SendMessageA(window, WM_ENABLE, FALSE, 0);
    RepaintDescendants(window);
    return FALSE;
}

BOOL IsWindowEnabled(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && !(w->Style & WS_DISABLED);
}

BOOL IsWindowShownEnabled(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || (w->Style & WS_DISABLED)) return FALSE;
    for (; (w->Style & WS_CHILD) && w->Parent; w = w->Parent)
        if (w->Parent->Style & WS_CHILD && w->Parent->Style & WS_DISABLED) return FALSE;
    return TRUE;
}

// ---- Modality ------------------------------------------------------------------------------------

std::vector<HWND> WinDisableTaskWindows(HWND except) {
    std::vector<HWND> candidates;
    {
        TLock lock(StateMutex());
        DWORD thread = GetCurrentThreadId();
        for (TWnd* w : Desktop()->Children)
            if (w->Handle != except && w->ThreadId == thread && (w->Style & WS_VISIBLE) &&
                !(w->Style & WS_DISABLED) && !w->Destroying)
                candidates.push_back(w->Handle);
    }
    std::vector<HWND> disabled;
    for (HWND h : candidates) {
        // A handler may have disabled or destroyed one of the later windows already.
        if (!IsWindow(h) || !IsWindowEnabled(h)) continue;
        EnableWindow(h, FALSE);
        disabled.push_back(h);
    }
    return disabled;
}

void WinEnableTaskWindows(const std::vector<HWND>& windows) {
    for (HWND h : windows)
        if (IsWindow(h)) EnableWindow(h, TRUE);
}
