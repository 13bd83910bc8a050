// What the window-system tests share: a window class whose windows record every message they
// get, a fixture that owns the windows and puts the clock in manual mode, and pumping helpers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"

namespace wintest {

struct Seen {
    HWND Window = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
};

// The messages recorded by every window of the recording class, in order; a test may also act on
// a message (return a result, or nothing to leave it to DefWindowProc).
class Recorder {
public:
    static Recorder*& Current() {
        static Recorder* current = nullptr;
        return current;
    }
    std::vector<Seen> Log;
    std::mutex Lock;
    std::set<UINT> Ignored{WM_NCHITTEST, WM_SETCURSOR,  WM_GETTEXT, WM_GETTEXTLENGTH,
                           WM_NCPAINT,   WM_ERASEBKGND, WM_PAINT,   WM_GETICON};
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> Handler;

    // Messages of the log (optionally only for one window), for comparing with a table.
    std::vector<UINT> Messages(HWND only = nullptr) const {
        std::vector<UINT> out;
        for (const Seen& r : Log)
            if (!only || r.Window == only) out.push_back(r.Message);
        return out;
    }
    std::vector<std::pair<HWND, UINT>> Pairs() const {
        std::vector<std::pair<HWND, UINT>> out;
        for (const Seen& r : Log)
            out.push_back({r.Window, r.Message});
        return out;
    }
    const Seen* Find(UINT message, HWND window = nullptr) const {
        for (const Seen& r : Log)
            if (r.Message == message && (!window || r.Window == window)) return &r;
        return nullptr;
    }
    int Count(UINT message, HWND window = nullptr) const {
        int n = 0;
        for (const Seen& r : Log)
            if (r.Message == message && (!window || r.Window == window)) ++n;
        return n;
    }
    void Clear() { Log.clear(); }
};

inline LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Recorder* r = Recorder::Current()) {
        if (!r->Ignored.count(message)) {
            // Windows of other threads record too, maybe while this thread waits for them.
            std::lock_guard<std::mutex> guard(r->Lock);
            r->Log.push_back(Seen{window, message, wParam, lParam});
        }
        LRESULT result = 0;
        if (r->Handler && r->Handler(window, message, wParam, lParam, result)) return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline const char* RecordingClass() { return "KovTestRecorder"; }
inline const char* RecordingDblClass() { return "KovTestRecorderDbl"; }

inline void RegisterRecordingClasses() {
    WNDCLASSA wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = RecordingClass();
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOW + 1));
    if (!GetClassInfoA(nullptr, RecordingClass(), &wc)) RegisterClassA(&wc);
    WNDCLASSA dbl = wc;
    dbl.style = CS_DBLCLKS;
    dbl.lpszClassName = RecordingDblClass();
    if (!GetClassInfoA(nullptr, RecordingDblClass(), &dbl)) RegisterClassA(&dbl);
}

// Takes every message off the queue and dispatches it (through TranslateMessage).
inline int PumpAll() {
    MSG msg;
    int n = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++n;
    }
    return n;
}

// Retrieves the messages now in the queue without dispatching them.
inline std::vector<MSG> Drain() {
    std::vector<MSG> out;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        out.push_back(msg);
    return out;
}

// The colour of a pixel of a top-level window's image, in the window's coordinates; CLR_INVALID
// outside the image or when the window has none.
inline COLORREF ImagePixel(HWND top, int x, int y) {
    GdiSurface s;
    if (!WinGetSurface(top, s) || x < 0 || y < 0 || x >= s.Width || y >= s.Height) return CLR_INVALID;
    return GdiPixelToColor(s.Row(y)[x] & 0xFFFFFF);
}

// The colour of a pixel of a window's client area (client coordinates) as the image of top, the
// top-level window it lies in, has it.
inline COLORREF ClientPixel(HWND top, HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    RECT r;
    GetWindowRect(top, &r);
    return ImagePixel(top, p.x - r.left, p.y - r.top);
}

// Windows made through the fixture are destroyed at the end; the clock is manual meanwhile.
class WinTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        RegisterRecordingClasses();
        Recorder::Current() = &Rec;
    }
    void TearDown() override {
        Rec.Handler = nullptr;
        for (auto it = FWindows.rbegin(); it != FWindows.rend(); ++it)
            if (IsWindow(*it)) DestroyWindow(*it);
        Drain();
        Recorder::Current() = nullptr;
        ClockSetMode(FOldMode);
    }
    HWND Make(DWORD style, int x, int y, int w, int h, HWND parent = nullptr, DWORD exStyle = 0,
              const char* cls = nullptr, const char* text = "", HMENU id = nullptr) {
        HWND window = CreateWindowExA(exStyle, cls ? cls : RecordingClass(), text, style, x, y, w, h, parent,
                                      id, nullptr, nullptr);
        if (window) FWindows.push_back(window);
        return window;
    }
    void Track(HWND window) { FWindows.push_back(window); }
    // A point of a window's client area in screen coordinates.
    static POINT Screen(HWND window, int x, int y) {
        POINT p{x, y};
        ClientToScreen(window, &p);
        return p;
    }

    Recorder Rec;

private:
    std::vector<HWND> FWindows;
    TClockMode FOldMode = TClockMode::Real;
};

} // namespace wintest
