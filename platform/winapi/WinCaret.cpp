// The caret: one per thread, drawn by inverting its owner's pixels, blinking on a thread timer.
#include "platform/winapi/WinCaret.h"

#include <atomic>

#include "platform/runtime/SyncObjs.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinError.h"

namespace {

const HBITMAP GrayCaret = reinterpret_cast<HBITMAP>(std::intptr_t(1));

std::atomic<UINT> gBlinkTime{530};

struct TCaret {
    HWND Owner = nullptr;
    HBITMAP Bitmap = nullptr; // null: solid; GrayCaret: gray; else the caller's bitmap
    int Width = 0;
    int Height = 0;
    POINT Pos{};
    int HideCount = 0;  // HideCaret calls not yet undone by ShowCaret
    int PaintHides = 0; // paints of the owner in progress
    bool Drawn = false; // the caret's pixels are inverted now
    UINT_PTR Timer = 0;
};

thread_local TCaret tCaret;

bool OwnerAlive(const TCaret& c) {
    return c.Owner && IsWindow(c.Owner) && GetWindowThreadProcessId(c.Owner, nullptr) == GetCurrentThreadId();
}

void Invert(TCaret& c) {
    HDC dc = GetDC(c.Owner);
    if (!dc) return;
    if (c.Bitmap == nullptr) {
        PatBlt(dc, c.Pos.x, c.Pos.y, c.Width, c.Height, DSTINVERT);
    } else if (c.Bitmap == GrayCaret) {
        // Every other pixel inverted, in a pattern fixed to the window.
        static const WORD bits[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
        HBITMAP pattern = CreateBitmap(8, 8, 1, 1, bits);
        HBRUSH brush = CreatePatternBrush(pattern);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, brush);
        PatBlt(dc, c.Pos.x, c.Pos.y, c.Width, c.Height, PATINVERT);
        SelectObject(dc, old);
        DeleteObject(brush);
        DeleteObject(pattern);
    } else {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, c.Bitmap);
        BitBlt(dc, c.Pos.x, c.Pos.y, c.Width, c.Height, mem, 0, 0, SRCINVERT);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    ReleaseDC(c.Owner, dc);
}

bool Showing(const TCaret& c) { return c.HideCount == 0 && c.PaintHides == 0; }

void Undraw(TCaret& c) {
    if (c.Drawn) {
        Invert(c);
        c.Drawn = false;
    }
}

void Draw(TCaret& c) {
    if (!c.Drawn && Showing(c)) {
        Invert(c);
        c.Drawn = true;
    }
}

void Forget(TCaret& c) {
    if (c.Timer) KillTimer(nullptr, c.Timer);
    c = TCaret{};
}

// A caret whose owner is gone goes with it.
bool Alive(TCaret& c) {
    if (!c.Owner) return false;
    if (OwnerAlive(c)) return true;
    Forget(c);
    return false;
}

void BlinkTimerProc(HWND, UINT, UINT_PTR, DWORD);

void RestartTimer(TCaret& c) {
    if (c.Timer) KillTimer(nullptr, c.Timer);
    c.Timer = 0;
    UINT blink = gBlinkTime.load();
    if (blink != INFINITE) c.Timer = SetTimer(nullptr, 0, blink, BlinkTimerProc);
}

void BlinkTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    TCaret& c = tCaret;
    if (id != c.Timer) {
        KillTimer(nullptr, id); // a timer of a caret that is gone
        return;
    }
    if (!Alive(c)) return;
    if (!Showing(c)) return;
    Invert(c);
    c.Drawn = !c.Drawn;
}

} // namespace

BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height) {
    if (!IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    TCaret& c = tCaret;
    if (Alive(c)) Undraw(c);
    Forget(c);
    c.Owner = window;
    c.Bitmap = bitmap;
    if (bitmap && bitmap != GrayCaret) {
        BITMAP info{};
        if (GetObjectA(bitmap, sizeof(info), &info) == 0) {
            c = TCaret{};
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        width = info.bmWidth;
        height = info.bmHeight;
    }
    c.Width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
    c.Height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    c.HideCount = 1;
    RestartTimer(c);
    return TRUE;
}

BOOL DestroyCaret() {
    TCaret& c = tCaret;
    if (!Alive(c)) return FALSE;
    Undraw(c);
    Forget(c);
    return TRUE;
}

BOOL ShowCaret(HWND window) {
    TCaret& c = tCaret;
    if (!Alive(c) || (window && window != c.Owner)) return FALSE;
    if (c.HideCount == 0) return TRUE;
    if (--c.HideCount == 0) {
        Draw(c);
        RestartTimer(c);
    }
    return TRUE;
}

BOOL HideCaret(HWND window) {
    TCaret& c = tCaret;
    if (!Alive(c) || (window && window != c.Owner)) return FALSE;
    Undraw(c);
    ++c.HideCount;
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    TCaret& c = tCaret;
    if (!Alive(c)) return FALSE;
    if (c.Pos.x == x && c.Pos.y == y) return TRUE;
    bool wasShowing = Showing(c);
    Undraw(c);
    c.Pos = POINT{x, y};
    if (wasShowing) {
        Draw(c);
        RestartTimer(c);
    }
    return TRUE;
}

BOOL GetCaretPos(POINT* point) {
    TCaret& c = tCaret;
    if (!point || !Alive(c)) return FALSE;
    *point = c.Pos;
    return TRUE;
}

UINT GetCaretBlinkTime() { return gBlinkTime.load(); }

BOOL SetCaretBlinkTime(UINT milliseconds) {
    if (milliseconds == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    gBlinkTime.store(milliseconds);
    TCaret& c = tCaret;
    if (Alive(c)) {
        Draw(c); // the blinking starts over with the caret on
        RestartTimer(c);
    }
    return TRUE;
}

void WinCaretHideForPaint(HWND window) {
    TCaret& c = tCaret;
    if (!window || window != c.Owner || !Alive(c)) return;
    Undraw(c);
    ++c.PaintHides;
}

void WinCaretShowAfterPaint(HWND window) {
    TCaret& c = tCaret;
    if (!window || window != c.Owner || !Alive(c) || c.PaintHides == 0) return;
    if (--c.PaintHides == 0 && Showing(c)) {
        Draw(c);
        RestartTimer(c);
    }
}

void WinCaretWindowDestroyed(HWND window) {
    TCaret& c = tCaret;
    if (window && window == c.Owner) Forget(c);
}
