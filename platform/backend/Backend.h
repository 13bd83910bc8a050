// The display: the window system's top-level windows shown as Qt windows, Qt's input turned into
// our messages, and our message loop and Qt's event loop run as one. This header is free of Qt so
// that the program and the tests can use it; the Qt side lives in the Backend*.cpp files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/winapi/WinCore.h"

// Starts Qt if it is not running (with the offscreen platform when headless, or when
// QT_QPA_PLATFORM asks for it) and installs the display into the window system, on the calling
// thread, which becomes the one that runs the windows. Calling it again does nothing.
void BackendInstall(bool headless = false);
// Takes the display out of the window system again (its Qt windows go; Qt itself stays).
void BackendUninstall();
bool BackendInstalled();
// The icon the desktop shows for every window of the program (title bars, task bar): the
// program's icon resource "MAINICON" (the bytes of an icon file). BackendInstall takes it; false,
// changing nothing, when the program has none or it cannot be read.
bool BackendUseProgramIcon();
// The sizes of the icon the desktop shows for the program's windows (none: no icon set).
std::vector<SIZE> BackendProgramIconSizes();

// What the display shows for a top-level window: its Qt window's geometry (screen coordinates),
// whether it is shown, and its title. False when the window has no surface.
struct TBackendSurfaceInfo {
    RECT Geometry{};
    bool Visible = false;
    bool Exposed = false; // the desktop has exposed it: what is presented reaches the screen
    bool Frameless = false;
    // The window manager is asked for these buttons in the frame (or left to its defaults).
    bool MinimizeButton = false;
    bool MaximizeButton = false;
    String Title;
    bool CursorHidden = false;  // ShowCursor counted below 0, or no cursor set
    bool CursorPicture = false; // showing the picture of the current cursor
};
bool BackendSurfaceInfo(HWND window, TBackendSurfaceInfo& info);

// The pixels the Qt window of a top-level window shows, row after row (0x00RRGGBB).
bool BackendSurfacePixels(HWND window, int& width, int& height, std::vector<std::uint32_t>& pixels);
// Saves what the Qt window shows as a PNG file.
bool BackendSaveSurfacePng(HWND window, const String& path);

// ---- Input at the display's door, for tests ---------------------------------------------------------
// These build the Qt events the window system of a desktop would deliver and send them to the
// window's Qt window, so that the whole path from Qt's events to our messages is taken.

enum class TBackendMouse { Move, Press, Release, DoubleClick };
// x, y in the Qt window's coordinates; button 0 left, 1 right, 2 middle.
bool BackendSynthMouse(HWND window, TBackendMouse kind, int x, int y, int button = 0);
bool BackendSynthWheel(HWND window, int x, int y, int delta);
bool BackendSynthLeave(HWND window);
// Key presses as the keyboard types them: a list separated by blanks of key names with modifiers,
// such as "a", "Shift+B", "Ctrl+A", "Alt+F", "Return", "Escape", "Tab", "Backspace", "Left",
// "F12", "Shift+2". Each one is pressed (modifiers first) and released (modifiers last).
bool BackendSynthKeys(HWND window, const String& keys);
// Besides whole key presses, an item "Down:Ctrl" or "Up:O" presses or releases one key alone; a
// modifier pressed so stays held for the keys that follow until an "Up:" releases it. A null
// window stands for another program's: the keys reach nothing of ours.
// The same keys sent to the dialog of Qt's own that is open (a file or print dialog); false
// when none is.
bool BackendSynthDialogKeys(const String& keys);
// The next dialog of Qt's own that runs calls action from inside its loop once it shows.
void BackendWhenDialogShows(std::function<void()> action);
// Text committed by an input method.
bool BackendSynthInputMethod(HWND window, const String& utf8);
// The window manager closes the window, or moves and resizes the part of it the display shows (the
// client area with the menu bar and scroll bars, in screen coordinates).
bool BackendSynthClose(HWND window);
bool BackendSynthGeometry(HWND window, const RECT& clientRect);
// The window manager minimizes, maximizes or restores the window.
bool BackendSynthWindowState(HWND window, bool minimized, bool maximized);

// Runs a loop of Qt's own (as a dialog of the toolkit does) until BackendQuitNestedLoop is called;
// our messages, timers and cross-thread sends keep being served inside it. Returns the code given.
int BackendRunNestedLoop();
void BackendQuitNestedLoop(int code = 0);
