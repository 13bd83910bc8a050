// Painting: update regions and WM_PAINT, the device contexts over a window's part of its
// top-level image, scrolling a window's pixels, locking updates, and the classic frame a window
// draws around its client area.
#include <algorithm>
#include <cstring>

#include "platform/winapi/WinCaret.h"
#include "platform/winapi/GdiDc.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

TWinFramePartPainter& FramePartPainter() {
    static auto* painter = new TWinFramePartPainter;
    return *painter;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT ClientArea(const TWnd* w) { return RECT{0, 0, Width(w->Client), Height(w->Client)}; }

// ---- Contexts on windows --------------------------------------------------------------------------

struct TDcInfo {
    HWND Window = nullptr;
    bool WindowArea = false;
    bool ClipChildren = false;
    bool ClipSiblings = false;
    bool Screen = false;
    std::optional<GdiRegion> Limit; // in the context's coordinates
};

std::map<HDC, TDcInfo>& Contexts() {
    static auto* map = new std::map<HDC, TDcInfo>;
    return *map;
}

// Pixels for contexts that have nothing to draw on (hidden windows, the screen).
GdiSurface ScratchSurface() {
    static GdiPixel pixel = 0;
    GdiSurface s;
    s.Bits = reinterpret_cast<std::uint8_t*>(&pixel);
    s.Width = 1;
    s.Height = 1;
    s.Stride = 4;
    return s;
}

GdiImageTarget MakeTarget(const TDcInfo& info) {
    GdiImageTarget target;
    if (info.Screen) {
        RECT screen = Desktop()->Rect;
        target.Surface = ScratchSurface();
        target.Bounds = RECT{0, 0, Width(screen), Height(screen)};
        target.Visible = GdiRegion();
        return target;
    }
    TWnd* w = Find(info.Window);
    TWnd* top = w ? TopLevelOf(w) : nullptr;
    if (!w || !top || !top->Surface || top->Surface->Pixels.empty()) {
        target.Surface = ScratchSurface();
        if (w) target.Bounds = info.WindowArea ? RECT{0, 0, Width(w->Rect), Height(w->Rect)} : ClientArea(w);
        target.Visible = GdiRegion();
        return target;
    }
    POINT offset = OffsetInTopLevel(w);
    if (!info.WindowArea) {
        offset.x += w->Client.left;
        offset.y += w->Client.top;
    }
    target.Surface = top->Surface->View();
    target.Origin = offset;
    target.Bounds = info.WindowArea ? RECT{0, 0, Width(w->Rect), Height(w->Rect)} : ClientArea(w);
    GdiRegion visible = VisibleRegion(w, info.WindowArea, info.ClipChildren, info.ClipSiblings);
    if (info.Limit) visible &= *info.Limit;
    target.Visible = std::move(visible);
    return target;
}

HDC CreateWindowContext(const TDcInfo& info) {
    HDC dc = GdiCreateImageDC(MakeTarget(info));
    if (!dc) return nullptr;
    if (auto object = GdiFindDC(dc)) object->Window = info.Window;
    Contexts()[dc] = info;
    return dc;
}

bool NonClientEmpty(const TWnd* w) {
    return w->Client.left == 0 && w->Client.top == 0 && w->Client.right == Width(w->Rect) &&
           w->Client.bottom == Height(w->Rect);
}

bool IncludesChildren(const TWnd* w, UINT flags) {
    if (flags & RDW_ALLCHILDREN) return true;
    if (flags & RDW_NOCHILDREN) return false;
    return !(w->Style & WS_CLIPCHILDREN);
}

void UpdateNow(HWND window, UINT flags) {
    bool paint = false;
    std::vector<HWND> children;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || !IsVisibleChain(w)) return;
        paint = NeedsPaint(w);
        if (paint) w->BeganPaint = false;
    }
    if (paint) {
        SendMessageA(window, WM_PAINT, 0, 0);
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (w && !w->BeganPaint && NeedsPaint(w)) {
            w->Update.Clear();
            w->Erase = false;
            w->InternalPaint = false;
            w->NcPaint = false;
        }
    }
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || !IncludesChildren(w, flags)) return;
        for (TWnd* c : w->Children)
            children.push_back(c->Handle);
    }
    for (HWND c : children)
        UpdateNow(c, flags);
}

void EraseNow(HWND window, UINT flags) {
    bool nc = false, erase = false;
    std::vector<HWND> children;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || !IsVisibleChain(w)) return;
        nc = w->NcPaint && !NonClientEmpty(w);
        w->NcPaint = false;
        erase = w->Erase && !w->Update.IsEmpty();
        w->Erase = false;
        if (IncludesChildren(w, flags))
            for (TWnd* c : w->Children)
                children.push_back(c->Handle);
    }
    if (nc) SendMessageA(window, WM_NCPAINT, 1, 0);
    if (erase) {
        GdiRegion region;
        {
            TLock lock(StateMutex());
            if (TWnd* w = Find(window)) region = w->Update;
        }
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        if (auto object = GdiFind<GdiRegionObject>(rgn)) object->Region = region;
        HDC dc = GetDCEx(window, rgn, DCX_INTERSECTRGN | DCX_CACHE);
        SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0);
        ReleaseDC(window, dc);
        DeleteObject(rgn);
    }
    for (HWND c : children)
        EraseNow(c, flags);
}

void FillColor(HDC dc, const RECT& r, int sysColor) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    HBRUSH brush = CreateSolidBrush(GetSysColor(sysColor));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// One-pixel lines on the four sides, then the rectangle shrinks by one.
void Edge(HDC dc, RECT& r, int topLeft, int bottomRight) {
    FillColor(dc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillColor(dc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillColor(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    FillColor(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    r.left++;
    r.top++;
    r.right--;
    r.bottom--;
}

void Band(HDC dc, RECT& r, int width, int color) {
    for (int i = 0; i < width; ++i)
        Edge(dc, r, color, color);
}

} // namespace

// ================================================================================================

namespace WinInternal {

bool NeedsPaint(const TWnd* w) {
    return IsVisibleChain(w) && !(w->Style & WS_MINIMIZE) &&
           (!w->Update.IsEmpty() || w->InternalPaint || w->NcPaint);
}

GdiRegion VisibleRegion(const TWnd* w, bool windowArea, bool clipChildren, bool clipSiblings) {
    if (!IsVisibleChain(w)) return GdiRegion();
    TInputState& in = Input();
    if (TWnd* locked = Find(in.Locked))
        if (locked == w || IsAncestor(locked, w)) return GdiRegion();
    POINT off = OffsetInTopLevel(w);
    RECT area = windowArea ? RECT{0, 0, Width(w->Rect), Height(w->Rect)} : w->Client;
    area = RECT{area.left + off.x, area.top + off.y, area.right + off.x, area.bottom + off.y};
    GdiRegion r(area);
    if (w->Region) {
        GdiRegion own = WindowRegion(w);
        own.Offset(off.x, off.y);
        r &= own;
    }
    for (const TWnd* a = w; a && !IsTopLevel(a) && a->Parent; a = a->Parent) {
        const TWnd* p = a->Parent;
        POINT po = OffsetInTopLevel(p);
        r &= GdiRegion(p->Client.left + po.x, p->Client.top + po.y, p->Client.right + po.x,
                       p->Client.bottom + po.y);
        if (p->Region) {
            GdiRegion pr = WindowRegion(p);
            pr.Offset(po.x, po.y);
            r &= pr;
        }
        bool clip = a == w ? clipSiblings : (a->Style & WS_CLIPSIBLINGS) != 0;
        if (clip) {
            for (const TWnd* s : p->Children) {
                if (s == a) break;
                if (!(s->Style & WS_VISIBLE)) continue;
                GdiRegion sr = WindowRegion(s);
                POINT so = OffsetInTopLevel(s);
                sr.Offset(so.x, so.y);
                r -= sr;
            }
        }
    }
    if (clipChildren) {
        for (const TWnd* c : w->Children) {
            if (!(c->Style & WS_VISIBLE)) continue;
            GdiRegion cr = WindowRegion(c);
            POINT co = OffsetInTopLevel(c);
            cr.Offset(co.x, co.y);
            r -= cr;
        }
    }
    r.Offset(-area.left, -area.top);
    return r;
}

void InvalidateTree(TWnd* w, const GdiRegion& region, UINT flags, bool frame, bool root) {
    if (!IsVisibleChain(w)) return;
    GdiRegion r = region & GdiRegion(ClientArea(w));
    bool changed = false;
    if (!r.IsEmpty()) {
        w->Update |= r;
        if (flags & RDW_ERASE) w->Erase = true;
        changed = true;
    }
    // An internal paint is for the window named, and for its children only when all are asked.
    if ((flags & RDW_INTERNALPAINT) && (root || (flags & RDW_ALLCHILDREN))) {
        w->InternalPaint = true;
        changed = true;
    }
    if (frame && !NonClientEmpty(w) && !(flags & RDW_NOFRAME)) {
        w->NcPaint = true;
        changed = true;
    }
    if (changed)
        if (TQueue* q = QueueOf(w->ThreadId)) NotifyQueue(q, QS_PAINT);
    if (!IncludesChildren(w, flags)) return;
    for (TWnd* c : w->Children) {
        if (!(c->Style & WS_VISIBLE)) continue;
        GdiRegion inChild = region & GdiRegion(c->Rect);
        if (inChild.IsEmpty()) continue;
        // The parent's client coordinates into the child's window, then its client coordinates.
        GdiRegion windowPart = inChild;
        windowPart.Offset(-c->Rect.left, -c->Rect.top);
        bool touchesFrame = !(windowPart - GdiRegion(c->Client)).IsEmpty();
        GdiRegion clientPart = inChild;
        clientPart.Offset(-(c->Rect.left + c->Client.left), -(c->Rect.top + c->Client.top));
        InvalidateTree(c, clientPart, flags, touchesFrame || (frame && (flags & RDW_ALLCHILDREN)), false);
    }
}

void ValidateTree(TWnd* w, const GdiRegion& region, UINT flags) {
    w->Update -= region;
    if (w->Update.IsEmpty()) w->Erase = false;
    if (flags & RDW_NOINTERNALPAINT) w->InternalPaint = false;
    if (flags & RDW_NOFRAME) w->NcPaint = false;
    if (!IncludesChildren(w, flags)) return;
    for (TWnd* c : w->Children) {
        GdiRegion clientPart = region;
        clientPart.Offset(-(c->Rect.left + c->Client.left), -(c->Rect.top + c->Client.top));
        ValidateTree(c, clientPart, flags);
    }
}

namespace {

HWND FindPaintIn(TWnd* w, HWND filter) {
    if (!(w->Style & WS_VISIBLE)) return nullptr;
    if (NeedsPaint(w) && MatchesWindow(filter, w->Handle)) return w->Handle;
    for (TWnd* c : w->Children)
        if (HWND h = FindPaintIn(c, filter)) return h;
    return nullptr;
}

} // namespace

HWND FindPaintWindow(DWORD threadId, HWND filter) {
    for (TWnd* top : Desktop()->Children) {
        if (top->ThreadId != threadId) continue;
        if (HWND h = FindPaintIn(top, filter)) return h;
    }
    return nullptr;
}

void EnsureSurface(TWnd* top) {
    if (!top || !IsTopLevel(top) || top->Parent == MessageRoot()) return;
    int width = std::max(0, Width(top->Rect));
    int height = std::max(0, Height(top->Rect));
    // A minimized window keeps the image of its restored size.
    if (top->Style & WS_MINIMIZE) return;
    if (top->Surface && top->Surface->Width == width && top->Surface->Height == height) return;
    auto surface = std::make_unique<TSurface>();
    surface->Width = width;
    surface->Height = height;
    surface->Pixels.assign(size_t(width) * size_t(height), 0x00FFFFFF);
    if (top->Surface) {
        int w = std::min(width, top->Surface->Width);
        int h = std::min(height, top->Surface->Height);
        for (int y = 0; y < h; ++y)
            std::memcpy(&surface->Pixels[size_t(y) * size_t(width)],
                        &top->Surface->Pixels[size_t(y) * size_t(top->Surface->Width)], size_t(w) * 4);
    }
    top->Surface = std::move(surface);
    RetargetContexts(top);
}

void RetargetContexts(TWnd* top) {
    for (auto& [dc, info] : Contexts()) {
        if (info.Screen) continue;
        TWnd* w = Find(info.Window);
        if (!w || TopLevelOf(w) != top) continue;
        GdiSetImageTarget(dc, MakeTarget(info));
    }
}

void DropWindowContexts(HWND window) {
    // The contexts stay valid as objects; they just have nothing left to draw on.
    for (auto& [dc, info] : Contexts()) {
        if (info.Window != window) continue;
        GdiImageTarget target;
        target.Surface = ScratchSurface();
        target.Visible = GdiRegion();
        GdiSetImageTarget(dc, target);
        info.Window = nullptr;
    }
}

void PresentWindowArea(TWnd* w, const RECT& windowRect) {
    TWnd* top = TopLevelOf(w);
    if (!top || top->Parent == MessageRoot() || !(top->Style & WS_VISIBLE)) return;
    POINT off = OffsetInTopLevel(w);
    RECT r{windowRect.left + off.x, windowRect.top + off.y, windowRect.right + off.x,
           windowRect.bottom + off.y};
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, Width(top->Rect));
    r.bottom = std::min<LONG>(r.bottom, Height(top->Rect));
    if (r.right <= r.left || r.bottom <= r.top) return;
    HWND handle = top->Handle;
    AfterUnlock([handle, r] {
        if (TWinBackend* backend = WinGetBackend()) backend->SurfacePresent(handle, r);
    });
}

void DrawNonClient(HWND window, HDC dc) {
    DWORD style = 0, exStyle = 0;
    RECT rect{}, client{};
    bool active = false;
    bool menu = false;
    TWinFramePartPainter painter;
    {
        TLock lock(StateMutex());
        painter = FramePartPainter();
        TWnd* w = Find(window);
        if (!w) return;
        menu = HasMenuBar(w);
        style = w->Style;
        exStyle = w->ExStyle;
        rect = RECT{0, 0, Width(w->Rect), Height(w->Rect)};
        client = w->Client;
        active = Input().Active == TopLevelOf(w)->Handle;
    }
    RECT r = rect;
    if (style & WS_THICKFRAME) {
        Edge(dc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
        Edge(dc, r, COLOR_3DHILIGHT, COLOR_3DSHADOW);
        Band(dc, r, GetSystemMetrics(SM_CXFRAME) - 2, active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        Edge(dc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
        Edge(dc, r, COLOR_3DHILIGHT, COLOR_3DSHADOW);
        Band(dc, r, GetSystemMetrics(SM_CXDLGFRAME) - 2, COLOR_3DFACE);
    } else if (style & WS_BORDER) {
        Edge(dc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        int height =
            (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
        FillColor(dc, RECT{r.left, r.top, r.right, r.top + height - 1},
                  active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        FillColor(dc, RECT{r.left, r.top + height - 1, r.right, r.top + height}, COLOR_3DFACE);
        r.top += height;
    }
    auto part = [&](TWinFramePart which, const RECT& area, int color) {
        if (area.right <= area.left || area.bottom <= area.top) return;
        if (painter)
            painter(window, dc, which, area);
        else
            FillColor(dc, area, color);
    };
    if (menu) {
        int height = GetSystemMetrics(SM_CYMENU);
        part(TWinFramePart::MenuBar, RECT{r.left, r.top, r.right, r.top + height}, COLOR_MENU);
        r.top += height;
    }
    if (exStyle & WS_EX_CLIENTEDGE) {
        Edge(dc, r, COLOR_3DSHADOW, COLOR_3DHILIGHT);
        Edge(dc, r, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    }
    if (exStyle & WS_EX_STATICEDGE) Edge(dc, r, COLOR_3DSHADOW, COLOR_3DHILIGHT);
    // What is left between the frame and the client area: the window's scroll bars.
    if (style & WS_VSCROLL)
        part(TWinFramePart::VertScrollBar, RECT{client.right, client.top, r.right, client.bottom},
             COLOR_SCROLLBAR);
    if (style & WS_HSCROLL)
        part(TWinFramePart::HorzScrollBar, RECT{client.left, client.bottom, client.right, r.bottom},
             COLOR_SCROLLBAR);
    if ((style & WS_VSCROLL) && (style & WS_HSCROLL))
        part(TWinFramePart::SizeBox, RECT{client.right, client.bottom, r.right, r.bottom}, COLOR_3DFACE);
}

} // namespace WinInternal

// ================================================================================================

TWinFramePartPainter WinSetFramePartPainter(TWinFramePartPainter painter) {
    TLock lock(StateMutex());
    std::swap(FramePartPainter(), painter);
    return painter;
}

// ================================================================================================
// Invalidation.

BOOL RedrawWindow(HWND window, const RECT* update, HRGN region, UINT flags) {
    if (!window) {
        for (HWND top : TopLevelWindows())
            RedrawWindow(top, nullptr, nullptr, flags | RDW_ALLCHILDREN);
        return TRUE;
    }
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        GdiRegion r;
        if (region) {
            auto object = GdiFind<GdiRegionObject>(region);
            if (object) r = object->Region;
        } else if (update) {
            r = GdiRegion(*update);
        } else if (flags & RDW_FRAME) {
            r = GdiRegion(-w->Client.left, -w->Client.top, Width(w->Rect) - w->Client.left,
                          Height(w->Rect) - w->Client.top);
        } else {
            r = GdiRegion(ClientArea(w));
        }
        if (flags & RDW_INVALIDATE)
            InvalidateTree(w, r, flags, (flags & RDW_FRAME) != 0);
        else if (flags & RDW_INTERNALPAINT)
            InvalidateTree(w, GdiRegion(), flags, false);
        if (flags & RDW_VALIDATE) ValidateTree(w, r, flags);
    }
    if (flags & RDW_UPDATENOW)
        UpdateNow(window, flags);
    else if (flags & RDW_ERASENOW)
        EraseNow(window, flags);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    return RedrawWindow(window, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase) {
    if (!region) return InvalidateRect(window, nullptr, erase);
    return RedrawWindow(window, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND window, const RECT* rect) {
    return RedrawWindow(window, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND window, HRGN region) {
    if (!region) return ValidateRect(window, nullptr);
    return RedrawWindow(window, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase) {
    bool empty = true;
    bool doErase = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        empty = w->Update.IsEmpty();
        if (rect) *rect = w->Update.Bounds();
        doErase = erase && w->Erase && !empty;
    }
    if (doErase) EraseNow(window, RDW_NOCHILDREN);
    return empty ? FALSE : TRUE;
}

int GetUpdateRgn(HWND window, HRGN region, BOOL erase) {
    auto object = GdiFind<GdiRegionObject>(region);
    if (!object) return ERROR;
    bool doErase = false;
    int kind;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return ERROR;
        }
        object->Region = w->Update;
        kind = w->Update.Kind();
        doErase = erase && w->Erase && !w->Update.IsEmpty();
    }
    if (doErase) EraseNow(window, RDW_NOCHILDREN);
    return kind;
}

BOOL UpdateWindow(HWND window) {
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ================================================================================================
// Painting and contexts.

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    if (!paint) return nullptr;
    bool nc = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        nc = w->NcPaint && !NonClientEmpty(w) && IsVisibleChain(w);
        w->NcPaint = false;
        w->BeganPaint = true;
    }
    if (nc) SendMessageA(window, WM_NCPAINT, 1, 0);
    // The caret is taken off while the window paints under it, and put back by EndPaint.
    WinCaretHideForPaint(window);
    bool erase = false;
    HDC dc = nullptr;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) return nullptr;
        GdiRegion region = w->Update & GdiRegion(ClientArea(w));
        w->Update.Clear();
        erase = w->Erase;
        w->Erase = false;
        w->InternalPaint = false;
        w->BeganPaint = true;
        TDcInfo info;
        info.Window = window;
        info.ClipChildren = (w->Style & WS_CLIPCHILDREN) != 0;
        info.ClipSiblings = (w->Style & WS_CLIPSIBLINGS) != 0;
        info.Limit = std::move(region);
        dc = CreateWindowContext(info);
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    if (erase) paint->fErase = SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0) == 0;
    GetClipBox(dc, &paint->rcPaint);
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (!paint) return FALSE;
    ReleaseDC(window, paint->hdc);
    WinCaretShowAfterPaint(window);
    return TRUE;
}

HDC GetDCEx(HWND window, HRGN clip, DWORD flags) {
    TLock lock(StateMutex());
    TDcInfo info;
    if (!window) {
        info.Screen = true;
        return CreateWindowContext(info);
    }
    TWnd* w = Find(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    info.Window = window;
    info.WindowArea = (flags & DCX_WINDOW) != 0;
    info.ClipChildren = (flags & DCX_CLIPCHILDREN) || (w->Style & WS_CLIPCHILDREN);
    info.ClipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->Style & WS_CLIPSIBLINGS);
    if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        auto object = GdiFind<GdiRegionObject>(clip);
        if (object) {
            RECT all = info.WindowArea ? RECT{0, 0, Width(w->Rect), Height(w->Rect)} : ClientArea(w);
            info.Limit = (flags & DCX_INTERSECTRGN) ? object->Region : GdiRegion(all) - object->Region;
        }
    }
    if (flags & (DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE)) {
        GdiRegion update = w->Update;
        if (info.WindowArea) update.Offset(w->Client.left, w->Client.top);
        GdiRegion all(info.WindowArea ? RECT{0, 0, Width(w->Rect), Height(w->Rect)} : ClientArea(w));
        GdiRegion part = (flags & DCX_INTERSECTUPDATE) ? update : all - update;
        info.Limit = info.Limit ? (*info.Limit & part) : part;
        if ((flags & DCX_INTERSECTUPDATE) && (flags & DCX_VALIDATE)) {
            w->Update.Clear();
            w->Erase = false;
        }
    }
    return CreateWindowContext(info);
}

HDC GetDC(HWND window) { return GetDCEx(window, nullptr, DCX_CACHE); }

HDC GetWindowDC(HWND window) { return GetDCEx(window, nullptr, DCX_WINDOW | DCX_CACHE); }

int ReleaseDC(HWND window, HDC dc) {
    TLock lock(StateMutex());
    auto it = Contexts().find(dc);
    if (it == Contexts().end()) return 0;
    TDcInfo info = it->second;
    Contexts().erase(it);
    if (TWnd* w = Find(info.Window)) {
        // What the context could reach is shown again.
        GdiRegion visible = VisibleRegion(w, info.WindowArea, info.ClipChildren, info.ClipSiblings);
        if (info.Limit) visible &= *info.Limit;
        if (!visible.IsEmpty()) {
            RECT b = visible.Bounds();
            if (!info.WindowArea) {
                b.left += w->Client.left;
                b.right += w->Client.left;
                b.top += w->Client.top;
                b.bottom += w->Client.top;
            }
            PresentWindowArea(w, b);
        }
    }
    DeleteDC(dc);
    return 1;
}

HWND WindowFromDC(HDC dc) {
    auto object = GdiFindDC(dc);
    if (!object) return nullptr;
    return static_cast<HWND>(object->Window);
}

// ---- Scrolling ----------------------------------------------------------------------------------

int ScrollWindowEx(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   RECT* updateRect, UINT flags) {
    std::vector<std::pair<HWND, POINT>> moveChildren;
    int kind = ERROR;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return ERROR;
        }
        GdiRegion client(ClientArea(w));
        GdiRegion src = scroll ? (GdiRegion(*scroll) & client) : client;
        GdiRegion clipR = clip ? (GdiRegion(*clip) & client) : client;
        GdiRegion visible = VisibleRegion(w, false, (w->Style & WS_CLIPCHILDREN) != 0, true);
        GdiRegion moved = src & visible;
        moved.Offset(dx, dy);
        moved &= clipR;
        moved &= visible;
        TWnd* top = TopLevelOf(w);
        if (top && top->Surface && !top->Surface->Pixels.empty() && !moved.IsEmpty() && (dx || dy)) {
            TSurface& s = *top->Surface;
            POINT off = OffsetInTopLevel(w);
            off.x += w->Client.left;
            off.y += w->Client.top;
            std::vector<GdiPixel> copy = s.Pixels;
            for (const RECT& r : moved.Rects()) {
                for (LONG y = r.top; y < r.bottom; ++y) {
                    LONG ty = y + off.y, sy = y - dy + off.y;
                    if (ty < 0 || ty >= s.Height || sy < 0 || sy >= s.Height) continue;
                    for (LONG x = r.left; x < r.right; ++x) {
                        LONG tx = x + off.x, sx = x - dx + off.x;
                        if (tx < 0 || tx >= s.Width || sx < 0 || sx >= s.Width) continue;
                        s.Pixels[size_t(ty) * size_t(s.Width) + size_t(tx)] =
                            copy[size_t(sy) * size_t(s.Width) + size_t(sx)];
                    }
                }
            }
            RECT b = moved.Bounds();
            PresentWindowArea(w, RECT{b.left + w->Client.left, b.top + w->Client.top,
                                      b.right + w->Client.left, b.bottom + w->Client.top});
        }
        GdiRegion shiftedSrc = src;
        shiftedSrc.Offset(dx, dy);
        GdiRegion invalid = ((src | shiftedSrc) & clipR & visible) - moved;
        if (!w->Update.IsEmpty()) {
            GdiRegion inside = w->Update & src;
            GdiRegion shifted = inside;
            shifted.Offset(dx, dy);
            shifted &= clipR;
            w->Update = (w->Update - inside) | shifted;
        }
        if (flags & SW_INVALIDATE)
            InvalidateTree(w, invalid, RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0), false);
        if (update)
            if (auto object = GdiFind<GdiRegionObject>(update)) object->Region = invalid;
        if (updateRect) *updateRect = invalid.Bounds();
        kind = invalid.Kind();
        if (flags & SW_SCROLLCHILDREN) {
            for (TWnd* c : w->Children) {
                if (scroll && (GdiRegion(*scroll) & GdiRegion(c->Rect)).IsEmpty()) continue;
                moveChildren.push_back({c->Handle, POINT{c->Rect.left + dx, c->Rect.top + dy}});
            }
        }
    }
    for (auto& [child, pos] : moveChildren)
        SetWindowPos(child, nullptr, pos.x, pos.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    return kind;
}

BOOL ScrollWindow(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip) {
    UINT flags = SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN);
    return ScrollWindowEx(window, dx, dy, scroll, clip, nullptr, nullptr, flags) != ERROR;
}

BOOL LockWindowUpdate(HWND window) {
    HWND unlocked = nullptr;
    {
        TLock lock(StateMutex());
        TInputState& in = Input();
        if (window) {
            TWnd* w = Find(window);
            if (!w) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            if (Find(in.Locked) && in.Locked != window) return FALSE;
            in.Locked = window;
            if (TWnd* top = TopLevelOf(w)) RetargetContexts(top);
            return TRUE;
        }
        unlocked = Find(in.Locked) ? in.Locked : nullptr;
        in.Locked = nullptr;
        if (TWnd* w = Find(unlocked))
            if (TWnd* top = TopLevelOf(w)) RetargetContexts(top);
    }
    if (unlocked)
        RedrawWindow(unlocked, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}
