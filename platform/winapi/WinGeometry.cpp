// Geometry: SetWindowPos and what it sends, ShowWindow with minimizing and maximizing, the
// coordinate conversions, hit testing, frames and window regions, and what the display is told
// about top-level windows.
#include <algorithm>

#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinScrollInternal.h"

using namespace WinInternal;

namespace {

constexpr UINT NoPosChange = SWP_NOSIZE | SWP_NOMOVE | SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE | SWP_NOZORDER;

bool PointInRect(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Moves the top-level windows owned by w (and theirs) just above it, keeping their order.
void RaiseOwned(TWnd* w) {
    TWnd* desktop = Desktop();
    auto& list = desktop->Children;
    std::vector<TWnd*> owned;
    for (TWnd* x : list)
        if (x->Owner == w && x != w) owned.push_back(x);
    if (owned.empty()) return;
    for (TWnd* o : owned)
        Unlink(o);
    size_t pos = size_t(std::find(list.begin(), list.end(), w) - list.begin());
    for (auto o = owned.rbegin(); o != owned.rend(); ++o) {
        (*o)->Parent = desktop;
        list.insert(list.begin() + std::ptrdiff_t(std::min(pos, list.size())), *o);
    }
    std::stable_partition(list.begin(), list.end(),
                          [](TWnd* x) { return (x->ExStyle & WS_EX_TOPMOST) != 0; });
    for (TWnd* o : owned)
        RaiseOwned(o);
}

bool Contains(const TWnd* w, POINT screen) {
    RECT r = ScreenWindowRect(w);
    if (!PointInRect(r, screen)) return false;
    if (!w->Region) return true;
    return WindowRegion(w).Contains(screen.x - r.left, screen.y - r.top);
}

// The windows that may answer a hit at the point, most specific first: the children of a window
// (topmost first, each with its own children before it), then the window itself.
void Candidates(TWnd* w, POINT screen, std::vector<HWND>& out) {
    if (PointInRect(ScreenClientRect(w), screen)) {
        for (TWnd* c : w->Children) {
            if (!(c->Style & WS_VISIBLE)) continue;
            if ((c->Style & (WS_CHILD | WS_DISABLED)) == (WS_CHILD | WS_DISABLED)) continue;
            if ((c->ExStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT))
                continue;
            if (!Contains(c, screen)) continue;
            Candidates(c, screen, out);
        }
    }
    out.push_back(w->Handle);
}

LRESULT AskHitTest(HWND window, POINT screen) {
    bool own = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return HTNOWHERE;
        own = w->ThreadId == GetCurrentThreadId();
    }
    // Another thread's window is not asked (it could be busy); it gets its frame's answer.
    if (!own) return DefWindowProcA(window, WM_NCHITTEST, 0, PointToLParam(screen));
    return SendMessageA(window, WM_NCHITTEST, 0, PointToLParam(screen));
}

} // namespace

// ================================================================================================

namespace WinInternal {

RECT FrameInsets(DWORD style, DWORD exStyle, bool menu) {
    // Left/top are negative: the rectangle to add around a client rectangle.
    int border = BorderWidth(style, exStyle);
    if (exStyle & WS_EX_CLIENTEDGE) border += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE) border += GetSystemMetrics(SM_CXBORDER);
    RECT r{-border, -border, border, border};
    if ((style & WS_CAPTION) == WS_CAPTION)
        r.top -=
            (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    if (menu) r.top -= GetSystemMetrics(SM_CYMENU);
    return r;
}

RECT ScreenContentRect(const TWnd* w) {
    RECT r = ScreenWindowRect(w);
    if ((w->Style & WS_CAPTION) != WS_CAPTION) return r;
    int border = BorderWidth(w->Style, w->ExStyle);
    r.left += border;
    r.right -= border;
    r.bottom -= border;
    r.top += border + ((w->ExStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION)
                                                      : GetSystemMetrics(SM_CYCAPTION));
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

int BorderWidth(DWORD style, DWORD exStyle) {
    if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
    if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
    return 0;
}

bool HasMenuBar(const TWnd* w) { return w && !(w->Style & WS_CHILD) && w->Id != 0; }

MINMAXINFO DefaultMinMax(DWORD style, DWORD exStyle) {
    // A maximized window's border lies just outside the work area; its caption stays inside.
    MINMAXINFO info;
    int border = BorderWidth(style, exStyle);
    RECT work = Desktop()->Rect;
    if (TWinBackend* backend = WinGetBackend()) work = backend->WorkArea();
    info.ptMaxSize = POINT{Width(work) + 2 * border, Height(work) + 2 * border};
    info.ptMaxPosition = POINT{work.left - border, work.top - border};
    info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    return info;
}

void SurfaceUpdate(TWnd* top) {
    if (!top || !IsTopLevel(top) || top->Parent == MessageRoot()) return;
    TWinSurfaceState state;
    if (!WinGetSurfaceState(top->Handle, state)) return;
    AfterUnlock([state] {
        if (TWinBackend* backend = WinGetBackend()) backend->SurfaceChanged(state);
    });
}

HWND HitTest(POINT screen, LRESULT& hit, bool& disabled) {
    hit = HTNOWHERE;
    disabled = false;
    std::vector<std::vector<HWND>> perTop;
    {
        TLock lock(StateMutex());
        for (TWnd* top : Desktop()->Children) {
            if (!(top->Style & WS_VISIBLE) || (top->Style & WS_MINIMIZE)) continue;
            if ((top->ExStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT))
                continue;
            if (!Contains(top, screen)) continue;
            if (top->Style & WS_DISABLED) {
                perTop.push_back({top->Handle});
                continue;
            }
            std::vector<HWND> list;
            Candidates(top, screen, list);
            perTop.push_back(std::move(list));
        }
    }
    for (auto& list : perTop) {
        if (list.size() == 1) {
            TLock lock(StateMutex());
            TWnd* w = Find(list[0]);
            if (w && IsTopLevel(w) && (w->Style & WS_DISABLED)) {
                disabled = true;
                hit = HTERROR;
                return list[0];
            }
        }
        for (HWND h : list) {
            LRESULT code = AskHitTest(h, screen);
            if (code == HTTRANSPARENT) continue;
            hit = code;
            return h;
        }
    }
    return nullptr;
}

} // namespace WinInternal

// ================================================================================================
// SetWindowPos.

namespace WinInternal {

BOOL SetWindowPosCore(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags,
                      bool fromDisplay) {
    WINDOWPOS wp;
    bool topLevel = false;
    bool wasVisible = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || w == Desktop() || w == MessageRoot()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        topLevel = IsTopLevel(w);
        wasVisible = (w->Style & WS_VISIBLE) != 0;
        if (wasVisible)
            flags &= ~SWP_SHOWWINDOW;
        else
            flags &= ~SWP_HIDEWINDOW;
        if (cx < 0) cx = 0;
        if (cy < 0) cy = 0;
        if (Width(w->Rect) == cx && Height(w->Rect) == cy) flags |= SWP_NOSIZE;
        if (w->Rect.left == x && w->Rect.top == y) flags |= SWP_NOMOVE;
        if (!topLevel) flags |= SWP_NOACTIVATE;
        if (insertAfter == window) flags |= SWP_NOZORDER;
        wp.hwnd = window;
        wp.hwndInsertAfter = insertAfter;
        wp.x = x;
        wp.y = y;
        wp.cx = cx;
        wp.cy = cy;
        wp.flags = flags;
        if (flags & SWP_NOMOVE) {
            wp.x = w->Rect.left;
            wp.y = w->Rect.top;
        }
        if (flags & SWP_NOSIZE) {
            wp.cx = Width(w->Rect);
            wp.cy = Height(w->Rect);
        }
    }
    if (!(wp.flags & SWP_NOSENDCHANGING)) SendMessageA(window, WM_WINDOWPOSCHANGING, 0, LPARAM(&wp));

    RECT oldRect{}, newRect{}, oldClient{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return FALSE;
        oldRect = w->Rect;
        oldClient = Offset(w->Client, oldRect.left, oldRect.top);
        newRect = oldRect;
        if (!(wp.flags & SWP_NOMOVE)) newRect = Offset(newRect, wp.x - oldRect.left, wp.y - oldRect.top);
        if (!(wp.flags & SWP_NOSIZE)) {
            newRect.right = newRect.left + std::max(wp.cx, 0);
            newRect.bottom = newRect.top + std::max(wp.cy, 0);
        }
    }
    RECT newClient = Offset(oldClient, newRect.left - oldRect.left, newRect.top - oldRect.top);
    if (!(wp.flags & SWP_NOSIZE) || (wp.flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS params;
        params.rgrc[0] = newRect;
        params.rgrc[1] = oldRect;
        params.rgrc[2] = oldClient;
        params.lppos = &wp;
        SendMessageA(window, WM_NCCALCSIZE, TRUE, LPARAM(&params));
        newClient = params.rgrc[0];
        newClient.right = std::max(newClient.right, newClient.left);
        newClient.bottom = std::max(newClient.bottom, newClient.top);
    }

    bool activate = false;
    bool hidden = false;
    bool shown = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return FALSE;
        TWnd* parent = w->Parent;
        TWnd* top = TopLevelOf(w);
        bool sizeChanged = Width(newRect) != Width(oldRect) || Height(newRect) != Height(oldRect);
        bool clientSizeChanged =
            Width(newClient) != Width(oldClient) || Height(newClient) != Height(oldClient);
        bool clientMoved = newClient.left != oldClient.left || newClient.top != oldClient.top;
        bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;

        // Before the change: what the window covered in its parent is to be repainted.
        if (wasVisible && !topLevel && IsVisibleChain(parent) && !(wp.flags & SWP_NOREDRAW) &&
            (sizeChanged || moved || (wp.flags & SWP_HIDEWINDOW))) {
            GdiRegion exposed(oldRect);
            if (!(wp.flags & SWP_HIDEWINDOW)) exposed -= GdiRegion(newRect);
            if (!exposed.IsEmpty())
                InvalidateTree(parent, exposed, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN, false);
        }

        w->Rect = newRect;
        w->Client = Offset(newClient, -newRect.left, -newRect.top);
        if (!(w->Style & (WS_MAXIMIZE | WS_MINIMIZE))) w->NormalRect = newRect;

        if (!(wp.flags & SWP_NOZORDER) && parent) {
            HWND after = wp.hwndInsertAfter;
            if (topLevel && parent == Desktop()) {
                if (after == HWND_TOPMOST) w->ExStyle |= WS_EX_TOPMOST;
                if (after == HWND_NOTOPMOST) w->ExStyle &= ~WS_EX_TOPMOST;
            }
            LinkAt(w, parent, after);
            if (topLevel && !(wp.flags & SWP_NOOWNERZORDER)) RaiseOwned(w);
        }
        if (wp.flags & SWP_SHOWWINDOW) {
            w->Style |= WS_VISIBLE;
            shown = true;
        }
        if (wp.flags & SWP_HIDEWINDOW) {
            w->Style &= ~WS_VISIBLE;
            hidden = true;
        }

        UINT changed = wp.flags;
        if (!clientSizeChanged) changed |= SWP_NOCLIENTSIZE;
        if (!clientMoved) changed |= SWP_NOCLIENTMOVE;
        wp.flags = changed;
        wp.x = newRect.left;
        wp.y = newRect.top;
        wp.cx = Width(newRect);
        wp.cy = Height(newRect);

        if (topLevel && top) EnsureSurface(top);
        bool visibleNow = IsVisibleChain(w);
        if (visibleNow && !(wp.flags & SWP_NOREDRAW)) {
            GdiRegion all(0, 0, Width(w->Client), Height(w->Client));
            if (shown) {
                InvalidateTree(w, all, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN, true);
            } else if (sizeChanged || (!topLevel && moved) || (wp.flags & SWP_FRAMECHANGED)) {
                UINT classStyle = w->Class ? w->Class->Style : 0;
                bool whole = !topLevel || (wp.flags & SWP_FRAMECHANGED) ||
                             ((classStyle & CS_HREDRAW) && Width(newRect) != Width(oldRect)) ||
                             ((classStyle & CS_VREDRAW) && Height(newRect) != Height(oldRect));
                if (whole) {
                    InvalidateTree(w, all, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN, true);
                } else {
                    // The client area keeps its pixels; only what it gained is painted.
                    GdiRegion gained = all;
                    gained -= GdiRegion(0, 0, Width(oldClient), Height(oldClient));
                    if (!gained.IsEmpty())
                        InvalidateTree(w, gained, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN, false);
                    w->NcPaint = true;
                }
            }
        }
        if (top) {
            RetargetContexts(top);
            SurfaceUpdate(top);
        }
        activate = topLevel && !(wp.flags & SWP_NOACTIVATE) && IsVisibleChain(w) &&
                   (shown || !(wp.flags & SWP_NOZORDER)) && !(w->ExStyle & WS_EX_NOACTIVATE);
    }

    if (activate) SetActiveWindow(window);
    if ((wp.flags & NoPosChange) != NoPosChange ||
        (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED)))
        SendMessageA(window, WM_WINDOWPOSCHANGED, 0, LPARAM(&wp));
    if (hidden) {
        // A hidden window hands the activation and the focus on.
        bool wasActive = false;
        {
            TLock lock(StateMutex());
            wasActive = Input().Active == window;
        }
        if (wasActive) ActivateOther(window);
        FocusAfterHide(window);
    }
    return TRUE;
}

void FocusAfterHide(HWND window) {
    HWND parent = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* live = Find(window);
        if (!live) return;
        TWnd* f = Find(Input().Focus);
        if (!f || !(f == live || IsAncestor(live, f))) return;
        if (IsChildStyle(live)) parent = live->Parent->Handle;
    }
    SetFocus(parent);
}

} // namespace WinInternal

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return SetWindowPosCore(window, insertAfter, x, y, cx, cy, flags, false);
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND window) {
    return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND window, int command) {
    bool wasVisible = false, child = false, minimized = false, maximized = false;
    RECT normal{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasVisible = (w->Style & WS_VISIBLE) != 0;
        child = !IsTopLevel(w);
        minimized = (w->Style & WS_MINIMIZE) != 0;
        maximized = (w->Style & WS_MAXIMIZE) != 0;
        normal = w->NormalRect;
    }
    bool show = command != SW_HIDE;
    UINT flags = 0;
    bool activate = true;
    enum { Keep, Restore, Maximize, Minimize } placement = Keep;
    switch (command) {
    case SW_HIDE:
        if (!wasVisible) return FALSE;
        flags = SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE;
        activate = false;
        break;
    case SW_SHOWNOACTIVATE:
        activate = false;
        [[fallthrough]];
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
        placement = (minimized || maximized) ? Restore : Keep;
        flags = SWP_SHOWWINDOW;
        break;
    case SW_SHOWNA:
        activate = false;
        [[fallthrough]];
    case SW_SHOW:
        flags = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
        break;
    case SW_SHOWMAXIMIZED:
        placement = Maximize;
        flags = SWP_SHOWWINDOW;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        activate = false;
        [[fallthrough]];
    case SW_SHOWMINIMIZED:
        placement = Minimize;
        flags = SWP_SHOWWINDOW;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (child) {
        flags |= SWP_NOACTIVATE | SWP_NOZORDER;
        activate = false;
    }
    if (!activate) flags |= SWP_NOACTIVATE;

    if (show != wasVisible) {
        SendMessageA(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if (!IsWindow(window)) return wasVisible;
    }

    RECT target{};
    if (placement == Keep) {
        flags |= SWP_NOSIZE | SWP_NOMOVE;
    } else {
        flags |= SWP_FRAMECHANGED;
        if (placement == Maximize) {
            MINMAXINFO info = WindowMinMax(window);
            target = RECT{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
                          info.ptMaxPosition.y + info.ptMaxSize.y};
        } else if (placement == Minimize) {
            target = child ? RECT{normal.left, normal.top, normal.left + GetSystemMetrics(SM_CXMINIMIZED),
                                  normal.top + GetSystemMetrics(SM_CYMINIMIZED)}
                           : RECT{-32000, -32000, -32000 + GetSystemMetrics(SM_CXMINIMIZED),
                                  -32000 + GetSystemMetrics(SM_CYMINIMIZED)};
        } else {
            target = normal;
        }
        TLock lock(StateMutex());
        if (TWnd* w = Find(window)) {
            if (!(w->Style & (WS_MAXIMIZE | WS_MINIMIZE))) w->NormalRect = w->Rect;
            w->Style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
            if (placement == Maximize) w->Style |= WS_MAXIMIZE;
            if (placement == Minimize) w->Style |= WS_MINIMIZE;
        }
    }
    SetWindowPosCore(window, HWND_TOP, target.left, target.top, target.right - target.left,
                     target.bottom - target.top, flags | (activate ? 0 : SWP_NOZORDER), false);
    if (placement == Minimize) {
        bool wasActive = false;
        {
            TLock lock(StateMutex());
            wasActive = Input().Active == window;
        }
        if (wasActive && command != SW_SHOWMINIMIZED) ActivateOther(window);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && IsVisibleChain(w);
}

BOOL IsIconic(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && (w->Style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return w && (w->Style & WS_MAXIMIZE);
}

// ---- Coordinates ---------------------------------------------------------------------------------

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!rect) return FALSE;
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = w == Desktop() ? w->Rect : ScreenWindowRect(w);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!rect) return FALSE;
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, Width(w->Client), Height(w->Client)};
    return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    if (!point) return FALSE;
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT o = w == Desktop() ? POINT{0, 0} : ClientOrigin(w);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
    if (!point) return FALSE;
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT o = w == Desktop() ? POINT{0, 0} : ClientOrigin(w);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    TLock lock(StateMutex());
    TWnd* a = from ? Find(from) : Desktop();
    TWnd* b = to ? Find(to) : Desktop();
    if (!a || !b) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    POINT oa = a == Desktop() ? POINT{0, 0} : ClientOrigin(a);
    POINT ob = b == Desktop() ? POINT{0, 0} : ClientOrigin(b);
    int dx = oa.x - ob.x, dy = oa.y - ob.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    SetLastError(ERROR_SUCCESS);
    return int(MAKELONG(WORD(SHORT(dx)), WORD(SHORT(dy))));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (!rect) return FALSE;
    RECT f = FrameInsets(style, exStyle, menu != FALSE);
    rect->left += f.left;
    rect->top += f.top;
    rect->right += f.right;
    rect->bottom += f.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

// ---- Hit testing ---------------------------------------------------------------------------------

HWND WindowFromPoint(POINT point) {
    LRESULT hit;
    bool disabled;
    return HitTest(point, hit, disabled);
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
    TLock lock(StateMutex());
    TWnd* p = Find(parent);
    if (!p) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // The point is in the parent's client coordinates; the parent's whole window counts.
    RECT whole = Offset(RECT{0, 0, Width(p->Rect), Height(p->Rect)}, -p->Client.left, -p->Client.top);
    if (p != Desktop() && !PointInRect(whole, point)) return nullptr;
    for (TWnd* c : p->Children) {
        if ((flags & CWP_SKIPINVISIBLE) && !(c->Style & WS_VISIBLE)) continue;
        if ((flags & CWP_SKIPDISABLED) && (c->Style & WS_DISABLED)) continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (c->ExStyle & WS_EX_TRANSPARENT)) continue;
        if (!PointInRect(c->Rect, point)) continue;
        if (c->Region && !WindowRegion(c).Contains(point.x - c->Rect.left, point.y - c->Rect.top)) continue;
        return c->Handle;
    }
    return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) { return ChildWindowFromPointEx(parent, point, CWP_ALL); }

HWND RealChildWindowFromPoint(HWND parent, POINT point) {
    return ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
}

// ---- Regions -------------------------------------------------------------------------------------

int SetWindowRgn(HWND window, HRGN region, BOOL redraw) {
    HRGN old = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (region && !GdiFind<GdiRegionObject>(region)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        old = w->Region;
        w->Region = region;
        if (TWnd* top = TopLevelOf(w)) {
            RetargetContexts(top);
            if (top == w) SurfaceUpdate(top);
        }
    }
    if (old && old != region) DeleteObject(old);
    if (redraw) {
        HWND parent = nullptr;
        RECT rect{};
        {
            TLock lock(StateMutex());
            TWnd* w = Find(window);
            if (w && !IsTopLevel(w)) {
                parent = w->Parent->Handle;
                rect = w->Rect;
            }
        }
        if (parent) {
            RECT r = rect;
            // The parent's client coordinates equal the rect's.
            RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    return 1;
}

int GetWindowRgn(HWND window, HRGN region) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !region) return ERROR;
    if (!w->Region) return ERROR;
    return CombineRgn(region, w->Region, nullptr, RGN_COPY);
}

// ---- The display's view --------------------------------------------------------------------------

bool WinGetSurfaceState(HWND window, TWinSurfaceState& state) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !IsTopLevel(w) || w->Parent == MessageRoot()) return false;
    state.Window = w->Handle;
    state.Owner = w->Owner ? w->Owner->Handle : nullptr;
    state.WindowRect = ScreenWindowRect(w);
    state.ContentRect = ScreenContentRect(w);
    state.Visible = (w->Style & WS_VISIBLE) != 0;
    state.Decorated = (w->Style & WS_CAPTION) == WS_CAPTION;
    state.Resizable = (w->Style & WS_THICKFRAME) != 0;
    state.ToolWindow = (w->ExStyle & WS_EX_TOOLWINDOW) != 0;
    state.MinimizeBox = (w->Style & WS_MINIMIZEBOX) != 0;
    state.MaximizeBox = (w->Style & WS_MAXIMIZEBOX) != 0;
    state.Topmost = (w->ExStyle & WS_EX_TOPMOST) != 0;
    state.Popup = (w->Style & WS_POPUP) && !state.Decorated;
    state.NoActivate = (w->ExStyle & WS_EX_NOACTIVATE) != 0;
    state.Minimized = (w->Style & WS_MINIMIZE) != 0;
    state.Maximized = (w->Style & WS_MAXIMIZE) != 0;
    state.HasRegion = w->Region != nullptr;
    state.Region.clear();
    if (state.HasRegion) state.Region = WindowRegion(w).Rects();
    state.Title = w->Text;
    return true;
}

bool WinGetSurface(HWND window, GdiSurface& surface) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    if (!w || !IsTopLevel(w) || !w->Surface || w->Surface->Pixels.empty()) return false;
    surface = w->Surface->View();
    return true;
}
