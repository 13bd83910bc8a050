// What the window system needs from a display, and the doors through which a display feeds it.
//
// The window system keeps the image of every top-level window (its whole window rectangle, 32-bit
// pixels) and tells the backend when a surface appears, changes, shows new pixels or goes away.
// The backend shows the image in a window of its own at the window's screen position and turns
// its window-system events into calls of the Win* input functions below, on the thread that runs
// the windows. All of it runs on that thread except TWinBackend::Wake.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/SyncObjs.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinCore.h"

// What a top-level window looks like to the display.
struct TWinSurfaceState {
    HWND Window = nullptr;
    HWND Owner = nullptr; // the top-level window it stays above, or null
    RECT WindowRect{};    // screen coordinates
    RECT ContentRect{};   // screen coordinates
    bool Visible = false;
    // The window has a caption: the window manager draws the caption and the frame, and the
    // display shows the rest of the image (menu bar, scroll bars and client area) at ContentRect.
    // Otherwise it shows the whole image at WindowRect without any decoration.
    bool Decorated = false;
    bool Resizable = false;  // WS_THICKFRAME
    bool ToolWindow = false; // WS_EX_TOOLWINDOW
    bool MinimizeBox = false; // WS_MINIMIZEBOX
    bool MaximizeBox = false; // WS_MAXIMIZEBOX
    bool Topmost = false;    // WS_EX_TOPMOST
    bool Popup = false;      // WS_POPUP without a caption (menus, drop-downs, hints)
    bool NoActivate = false; // WS_EX_NOACTIVATE
    bool Minimized = false;
    bool Maximized = false;
    bool HasRegion = false; // the window region, in window coordinates
    std::vector<RECT> Region;
    String Title;
};

// One screen of the display, in screen coordinates (the primary screen's top-left is 0, 0).
struct TWinScreen {
    RECT Geometry{};
    RECT WorkArea{}; // without the panels and docks of the desktop
    bool Primary = false;
    String Name; // the display's own name for it
};

// The value TWinBackend::WaitForEvents returns when it delivered events of the display (or was
// woken) rather than seeing an object signalled or the time run out.
inline constexpr DWORD WinWaitBackendEvents = 0x000000C0;

class TWinBackend {
public:
    virtual ~TWinBackend() = default;

    // The thread that runs the display's events (the user-interface thread).
    virtual DWORD EventThreadId() const = 0;
    // The screen and the part of it windows are maximized to, in screen coordinates.
    virtual RECT ScreenRect() const = 0;
    virtual RECT WorkArea() const { return ScreenRect(); }
    // Every screen, the primary one first; by default the one screen above. Read from any thread.
    virtual std::vector<TWinScreen> Screens() const {
        return {TWinScreen{ScreenRect(), WorkArea(), true, {}}};
    }

    // A top-level window's surface was created or changed (geometry, visibility, title, region).
    virtual void SurfaceChanged(const TWinSurfaceState& state) = 0;
    virtual void SurfaceDestroyed(HWND window) = 0;
    // Pixels of the window's image changed inside rect (window coordinates).
    virtual void SurfacePresent(HWND window, const RECT& rect) = 0;
    // The window became the active one: the display raises it and gives it the keyboard.
    virtual void SurfaceActivate(HWND window) {}
    // The cursor shown over our windows changed (SetCursor); null hides it. The display reads
    // its pixels with CursorGetImage (Cursor.h).
    virtual void CursorChanged(HCURSOR cursor) {}

    // Delivers the display's pending events without blocking.
    virtual void ProcessEvents() = 0;
    // On the event thread: waits like WaitForKernelObjects(objects, false, milliseconds) while
    // delivering the display's events; returns WinWaitBackendEvents once it delivered some or Wake
    // was called, so that the caller looks at its queue again.
    virtual DWORD WaitForEvents(const std::vector<std::shared_ptr<TKernelObject>>& objects,
                                DWORD milliseconds) = 0;
    // From any thread: ends a WaitForEvents in progress (or the next one at once), and while a
    // loop of the display runs on its own (a dialog of the toolkit), makes it serve our queue.
    virtual void Wake() = 0;
};

// While a loop of the display's own runs (a dialog of the toolkit), the display calls this to keep
// our side going: it dispatches everything waiting for the calling thread (sends, the workers'
// calls, posted messages, input, painting, due timers) and returns the milliseconds until the
// thread's next timer is due (INFINITE without one). A WM_QUIT stays queued for our own loop and
// sets *quit.
DWORD WinPumpPending(bool* quit);

// Installs the display (null: none). Returns the one installed before.
TWinBackend* WinSetBackend(TWinBackend* backend);
TWinBackend* WinGetBackend();

// The image of a top-level window (its whole window rectangle); false for other windows and for a
// window without an image yet. The pixels stay valid until the window's size changes.
bool WinGetSurface(HWND window, GdiSurface& surface);
// The state the display should show for a top-level window.
bool WinGetSurfaceState(HWND window, TWinSurfaceState& state);

// ---- Input from the display ---------------------------------------------------------------------
// Called on the user-interface thread. Coordinates are screen coordinates; the window system
// finds the window under the pointer (or the capture window) itself.

enum class TWinMouseButton { Left, Right, Middle };

void WinInputMouseMove(POINT screen);
void WinInputMouseButton(POINT screen, TWinMouseButton button, bool down);
// delta in multiples of WHEEL_DELTA for whole notches.
void WinInputMouseWheel(POINT screen, int delta);
// The pointer left every surface: mouse-leave tracking ends.
void WinInputMouseLeft();
// A key went down (again, when auto-repeating) or up. text is what the display says the key
// types; it is used where the keyboard layout of the window system would type something else.
void WinInputKey(UINT virtualKey, bool extended, bool down, const std::u32string& text = {});
// The keys went to a window that is not ours for a while (a dialog of the toolkit, another
// program), so the releases of keys held before may never have come. The display says which
// modifier keys are held now; every other key counts as released. The key state of the program
// (and of the calling thread's queue) follows at once, without messages.
void WinInputKeysHeld(bool shift, bool control, bool alt);
// Text committed by an input method: one WM_CHAR per code point reaches the focus window.
void WinInputText(const std::u32string& text);
// The user asked the window manager to close the window.
void WinInputClose(HWND window);
// The window manager moved or resized a surface: contentRect is where the part it shows (the
// surface's ContentRect) now is.
void WinInputSurfaceGeometry(HWND window, const RECT& contentRect);
// The window manager activated or deactivated a surface.
void WinInputSurfaceActivated(HWND window, bool active);

// ---- Errors at the door --------------------------------------------------------------------------
// An exception must not cross the display's event dispatch: its entry points catch everything
// and pass it here. The class library installs the handler that shows it; without one the
// message goes to standard error.
using TWinExceptionHandler = std::function<void(std::exception_ptr)>;
TWinExceptionHandler WinSetExceptionHandler(TWinExceptionHandler handler);
void WinHandleException(std::exception_ptr error);

// ---- System notifications -------------------------------------------------------------------------
// Sent to every top-level window, as the system does when its settings change.

void WinNotifySysColorChange();                        // WM_SYSCOLORCHANGE
void WinNotifySettingChange(UINT action, LPCSTR area); // WM_SETTINGCHANGE / WM_WININICHANGE ("intl")
void WinNotifyTimeChange();                            // WM_TIMECHANGE
void WinNotifyThemeChanged();                          // WM_THEMECHANGED
