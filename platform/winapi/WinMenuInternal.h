// What the menu sources share: the menu objects under their lock, layout and drawing, and the
// state of a running menu loop. Nothing outside the WinMenu*.cpp files uses this.
//
// Rules: the lock is held only while menu objects are read or changed, never while a message is
// sent (an owner answering WM_MEASUREITEM may change the menu it measures).
#pragma once

#include <mutex>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/WinMenu.h"

namespace WinMenuInternal {

struct TItem {
    UINT Type = MFT_STRING;
    UINT State = 0; // MFS_*; MFS_HILITE is the selection
    UINT Id = 0;
    HMENU SubMenu = nullptr;
    HBITMAP Checked = nullptr;
    HBITMAP Unchecked = nullptr;
    HBITMAP Bitmap = nullptr; // hbmpItem, or the bitmap of an MFT_BITMAP item
    ULONG_PTR Data = 0;
    String Text;
    // Owner-drawn items are measured once before they are first shown.
    bool Measured = false;
    SIZE OwnerSize{};
    // Where the item is: pop-up client coordinates, or window coordinates on a menu bar.
    RECT Rect{};
};

struct TMenu {
    HMENU Handle = nullptr;
    bool Popup = false;
    bool System = false;
    std::vector<TItem> Items;
    HWND Window = nullptr;  // the pop-up window showing it, or the window whose bar it is
    HWND Owner = nullptr;   // who measures and draws its owner-drawn items
    HWND BoundTo = nullptr; // the window it is the menu bar (or system menu) of
    SIZE Size{};            // a pop-up's laid-out size
    int OpenItem = -1;      // a bar item whose pop-up is open (drawn pushed)
    bool BarFocus = false;  // the loop runs on the bar: the selected item looks raised
};

std::recursive_mutex& Mutex();
using TGuard = std::lock_guard<std::recursive_mutex>;

// With the lock held. Null for a handle that is not a live menu.
TMenu* FindMenu(HMENU menu);
// An item by position (MF_BYPOSITION) or by command, looked for in submenus too; the menu that
// holds it and its index.
bool Locate(HMENU menu, UINT item, UINT flags, TMenu*& holder, int& index);

inline bool IsSeparator(const TItem& item) { return (item.Type & MFT_SEPARATOR) != 0; }
inline bool IsInactive(const TItem& item) { return (item.State & MFS_GRAYED) != 0; }
inline bool IsOwnerDrawn(const TItem& item) { return (item.Type & MFT_OWNERDRAW) != 0; }

// The "&" mnemonic of a text, lower-cased (ASCII), or 0.
char32_t Mnemonic(const String& text);

// ---- Layout and drawing (WinMenuDraw.cpp) ----------------------------------------------------------

// Measures (asking owner for owner-drawn items) and lays out a pop-up menu; returns its size.
SIZE LayoutPopup(HMENU menu, HWND owner);
// Lays out a menu bar inside barRect (window coordinates of window).
void LayoutBar(HWND window, HMENU menu, const RECT& barRect);
// Where window's menu bar is (window coordinates), as last painted or computed from the frame.
RECT BarRect(HWND window);
// Paints a pop-up menu whole, or one item after its selection changed.
void PaintPopup(HWND popup, HDC dc, HMENU menu);
void RedrawPopupItem(HWND popup, HMENU menu, int index);
// Paints a window's menu bar (at barRect on a window context), or repaints it now.
void PaintBar(HWND window, HDC dc, const RECT& barRect);
void RedrawBar(HWND window);
// The painter of the menu-bar part of the frame, installed at start-up.
void InstallBarPainter();

// ---- The loop (WinMenuLoop.cpp) ------------------------------------------------------------------

// Registers the pop-up window class.
bool RegisterMenuClass();
// Gives up any menu of the destroyed menu's windows.
void MenuDestroyed(HMENU menu);

} // namespace WinMenuInternal
