// Cursors and icons: the standard shapes (our own drawings, kept as AND and XOR masks), the
// named cursors of the program's resources, cursors and icons made by the program, the show
// count and the clip rectangle; and the bitmaps LoadBitmapA answers: the system's check-box
// bitmap and the program's named bitmaps. The current cursor and the pointer position belong to
// the window system (SetCursor, GetCursor, GetCursorPos, SetCursorPos in WinCore.h); the display
// turns the current cursor into its own with CursorGetImage.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/winapi/WinCore.h"

// ---- Standard cursors and icons --------------------------------------------------------------

// The predefined resources go by number, passed where a name goes.
inline LPCSTR CursorResourceId(WORD id) { return reinterpret_cast<LPCSTR>(std::uintptr_t(id)); }

inline const LPCSTR IDC_ARROW = CursorResourceId(32512);
inline const LPCSTR IDC_IBEAM = CursorResourceId(32513);
inline const LPCSTR IDC_WAIT = CursorResourceId(32514);
inline const LPCSTR IDC_CROSS = CursorResourceId(32515);
inline const LPCSTR IDC_UPARROW = CursorResourceId(32516);
inline const LPCSTR IDC_SIZE = CursorResourceId(32640);
inline const LPCSTR IDC_ICON = CursorResourceId(32641);
inline const LPCSTR IDC_SIZENWSE = CursorResourceId(32642);
inline const LPCSTR IDC_SIZENESW = CursorResourceId(32643);
inline const LPCSTR IDC_SIZEWE = CursorResourceId(32644);
inline const LPCSTR IDC_SIZENS = CursorResourceId(32645);
inline const LPCSTR IDC_SIZEALL = CursorResourceId(32646);
inline const LPCSTR IDC_NO = CursorResourceId(32648);
inline const LPCSTR IDC_HAND = CursorResourceId(32649);
inline const LPCSTR IDC_APPSTARTING = CursorResourceId(32650);
inline const LPCSTR IDC_HELP = CursorResourceId(32651);

inline const LPCSTR IDI_APPLICATION = CursorResourceId(32512);
inline const LPCSTR IDI_HAND = CursorResourceId(32513);
inline const LPCSTR IDI_QUESTION = CursorResourceId(32514);
inline const LPCSTR IDI_EXCLAMATION = CursorResourceId(32515);
inline const LPCSTR IDI_ASTERISK = CursorResourceId(32516);
inline const LPCSTR IDI_WINLOGO = CursorResourceId(32517);
inline const LPCSTR IDI_WARNING = IDI_EXCLAMATION;
inline const LPCSTR IDI_ERROR = IDI_HAND;
inline const LPCSTR IDI_INFORMATION = IDI_ASTERISK;

// The cursors of the program's resources that the controls name, drawn by us:
//   "EXCEL"               the grid's thick cross
//   "ZOOMIN", "ZOOMOUT"   magnifiers with a plus and a minus
//   "QZEDIT_MOUSEWHEEL"   the wheel-scrolling origin mark
//   "pvrHAND"             an open hand (the preview's hand tool)
//   "pvrZOOM"             a magnifier (the preview's zoom tool)
//   "pvrFORMAT"           a brush (copying a format)
// and those of the class library's own cursor list: "DRAG", "NODROP", "HSPLIT", "VSPLIT",
// "MULTIDRAG", "SQLWAIT". Names are compared without regard to case.
//
// Loading the same cursor again gives the same handle; these shared cursors cannot be
// destroyed. Null, with ERROR_RESOURCE_NAME_NOT_FOUND, for a cursor nobody drew.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
inline HCURSOR LoadCursorA(HINSTANCE instance, int id) {
    return LoadCursorA(instance, CursorResourceId(WORD(id)));
}
inline HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) { return LoadCursorA(instance, name); }
// The standard icons (IDI_*), 32 x 32, shared like the cursors.
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
inline HICON LoadIconA(HINSTANCE instance, int id) { return LoadIconA(instance, CursorResourceId(WORD(id))); }
inline HICON LoadIcon(HINSTANCE instance, LPCSTR name) { return LoadIconA(instance, name); }

constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_INVALID_CURSOR_HANDLE = 1402;
constexpr DWORD ERROR_INVALID_ICON_HANDLE = 1414;

// ---- Cursors and icons of the program's own ------------------------------------------------

struct ICONINFO {
    BOOL fIcon = TRUE;
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
    HBITMAP hbmMask = nullptr;  // the AND mask; for a monochrome icon the AND over the XOR half
    HBITMAP hbmColor = nullptr; // the XOR image; null for a monochrome icon
};

// A monochrome cursor from two planes of bits, rows top-down and padded to 16 bits; a 1 in the
// AND plane keeps the screen, a 1 in the XOR plane then inverts it (or paints white where the
// AND bit is 0).
HCURSOR CreateCursor(HINSTANCE instance, int xHotSpot, int yHotSpot, int width, int height,
                     const void* andPlane, const void* xorPlane);
// The bitmaps are copied; the caller still owns them.
HICON CreateIconIndirect(const ICONINFO* info);
// Fills info with new bitmaps that the caller deletes.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
inline HCURSOR CopyCursor(HCURSOR cursor) { return CopyIcon(cursor); }
// True for the shared ones too (they stay).
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);

// ---- Show count and clipping ---------------------------------------------------------------

// Counts up or down and returns the new count; the cursor shows while it is 0 or more.
int ShowCursor(BOOL show);
// Confines the pointer to a rectangle of the screen (null: no longer); GetClipCursor answers
// the rectangle, or the whole screen when there is none.
BOOL ClipCursor(const RECT* rect);
BOOL GetClipCursor(RECT* rect);

// ---- For the window system and the display -------------------------------------------------

// The pixels of a cursor or icon: And 1 keeps the screen, 0 replaces it; Xor is then XORed in
// (0x00RRGGBB). Rows top-down.
struct TCursorImage {
    int Width = 0;
    int Height = 0;
    POINT HotSpot{};
    bool Icon = false;
    std::vector<std::uint8_t> And;
    std::vector<std::uint32_t> Xor;
};
bool CursorGetImage(HCURSOR cursor, TCursorImage& image);
// The show count (the cursor shows while it is 0 or more).
int CursorShowCount();
// A point of the screen brought inside the clip rectangle, for the window system to apply to
// the pointer.
POINT CursorClipPoint(POINT point);
// Runs after a change of the show count or of the clip rectangle, so that the display follows.
// Returns the hook it replaces.
using TCursorDisplayHook = std::function<void()>;
TCursorDisplayHook SetCursorDisplayHook(TCursorDisplayHook hook);
// Back to a shown cursor and no clip rectangle (for tests).
void ResetCursorState();

// ---- Bitmaps -------------------------------------------------------------------------------

// The check boxes and radio buttons of the classic look, 4 x 3 cells of 13 x 13 pixels: a row
// of check boxes (unchecked, checked, pushed, pushed and checked), one of radio buttons and one
// of three-state boxes, in the system colours of the moment.
constexpr int OBM_CHECKBOXES = 32759;

// The system's bitmap (OBM_CHECKBOXES), or a bitmap of the program's resources (RT_BITMAP) by
// name, among them the ones the controls name that we draw ourselves. A new bitmap the caller
// deletes; null with ERROR_RESOURCE_NAME_NOT_FOUND when there is none.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
inline HBITMAP LoadBitmapA(HINSTANCE instance, int id) {
    return LoadBitmapA(instance, CursorResourceId(WORD(id)));
}
inline HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name) { return LoadBitmapA(instance, name); }
