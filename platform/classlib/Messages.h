// The class library's own messages: the control notifications (CM_*), the reflections of child
// notifications back to the child control (CN_*), and the typed message records that message
// handlers can take instead of a plain TMessage.
//
// A typed record is copied out of the TMessage before its handler runs and written back after
// it (From/To), so a handler may change what the record shows of the message (a key handler
// setting CharCode to 0, every handler setting Result).
#pragma once

#include <cstdint>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/WinCore.h"

class TControl;
class TWinControl;
struct TDragRec;
struct THintInfo;
struct DRAWITEMSTRUCT;
struct MEASUREITEMSTRUCT;

// ---- Control notifications -----------------------------------------------------------------------

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;
constexpr UINT CM_DOCKCLIENT = CM_BASE + 56;
constexpr UINT CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr UINT CM_FLOAT = CM_BASE + 58;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 59;
constexpr UINT CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr UINT CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr UINT CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr UINT CM_ACTIONUPDATE = CM_BASE + 63;
constexpr UINT CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr UINT CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr UINT CM_DOCKNOTIFICATION = CM_BASE + 66;
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 67;

// ---- Child notifications reflected to the child control ------------------------------------------

constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr UINT CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// ---- Typed message records ---------------------------------------------------------------------------
// Each record has From (a TMessage into the record) and To (the record back into the TMessage).

struct TWMNoParams {
    UINT Msg = 0;
    LRESULT Result = 0;
    static TWMNoParams From(const TMessage& m) { return {m.Msg, m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMCancelMode = TWMNoParams;
using TCMEnter = TWMNoParams;
using TCMExit = TWMNoParams;

// Key messages: WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSCHAR, their CN_* reflections,
// CM_DIALOGKEY, CM_DIALOGCHAR and CM_WANTSPECIALKEY. CharCode is the virtual key or the character
// (a whole code point).
struct TWMKey {
    UINT Msg = 0;
    UINT CharCode = 0;
    LONG KeyData = 0;
    LRESULT Result = 0;
    static TWMKey From(const TMessage& m) {
        return {m.Msg, UINT(m.WParam), LONG(m.LParam), m.Result};
    }
    void To(TMessage& m) const {
        m.WParam = CharCode;
        m.Result = Result;
    }
};
using TWMChar = TWMKey;
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMSysChar = TWMKey;
using TWMSysKeyDown = TWMKey;
using TWMSysKeyUp = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;

// Mouse messages in client coordinates (WM_MOUSEMOVE, WM_xBUTTONDOWN/UP/DBLCLK) and CM_HITTEST.
struct TWMMouse {
    UINT Msg = 0;
    WORD Keys = 0;
    SHORT XPos = 0;
    SHORT YPos = 0;
    LRESULT Result = 0;
    POINT Pos() const { return POINT{XPos, YPos}; }
    static TWMMouse From(const TMessage& m) {
        return {m.Msg, LOWORD(m.WParam), SHORT(LOWORD(std::uintptr_t(m.LParam))),
                SHORT(HIWORD(std::uintptr_t(m.LParam))), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMMouseMove = TWMMouse;
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMLButtonDblClk = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMRButtonDblClk = TWMMouse;
using TWMMButtonDown = TWMMouse;
using TWMMButtonUp = TWMMouse;
using TWMMButtonDblClk = TWMMouse;
using TCMHitTest = TWMMouse;
using TCMDesignHitTest = TWMMouse;

// WM_MOUSEWHEEL (screen coordinates).
struct TWMMouseWheel {
    UINT Msg = 0;
    WORD Keys = 0;
    SHORT WheelDelta = 0;
    SHORT XPos = 0;
    SHORT YPos = 0;
    LRESULT Result = 0;
    static TWMMouseWheel From(const TMessage& m) {
        return {m.Msg, LOWORD(m.WParam), SHORT(HIWORD(m.WParam)), SHORT(LOWORD(std::uintptr_t(m.LParam))),
                SHORT(HIWORD(std::uintptr_t(m.LParam))), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// CM_MOUSEWHEEL: the shift state (a TShiftState mask) instead of the mouse keys.
struct TCMMouseWheel {
    UINT Msg = 0;
    WORD ShiftState = 0;
    SHORT WheelDelta = 0;
    SHORT XPos = 0;
    SHORT YPos = 0;
    LRESULT Result = 0;
    static TCMMouseWheel From(const TMessage& m) {
        return {m.Msg, LOWORD(m.WParam), SHORT(HIWORD(m.WParam)), SHORT(LOWORD(std::uintptr_t(m.LParam))),
                SHORT(HIWORD(std::uintptr_t(m.LParam))), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMCommand {
    UINT Msg = 0;
    WORD ItemID = 0;
    WORD NotifyCode = 0;
    HWND Ctl = nullptr;
    LRESULT Result = 0;
    static TWMCommand From(const TMessage& m) {
        return {m.Msg, LOWORD(m.WParam), HIWORD(m.WParam), reinterpret_cast<HWND>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMNotify {
    UINT Msg = 0;
    WPARAM IDCtrl = 0;
    LPARAM NMHdr = 0;  // the notification header's address
    LRESULT Result = 0;
    static TWMNotify From(const TMessage& m) { return {m.Msg, m.WParam, m.LParam, m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMDrawItem {
    UINT Msg = 0;
    WPARAM Ctl = 0;
    DRAWITEMSTRUCT* DrawItemStruct = nullptr;
    LRESULT Result = 0;
    static TWMDrawItem From(const TMessage& m) {
        return {m.Msg, m.WParam, reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMMeasureItem {
    UINT Msg = 0;
    WPARAM IDCtl = 0;
    MEASUREITEMSTRUCT* MeasureItemStruct = nullptr;
    LRESULT Result = 0;
    static TWMMeasureItem From(const TMessage& m) {
        return {m.Msg, m.WParam, reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMCtlColor {
    UINT Msg = 0;
    HDC ChildDC = nullptr;
    HWND ChildWnd = nullptr;
    LRESULT Result = 0;
    static TWMCtlColor From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<HDC>(m.WParam), reinterpret_cast<HWND>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// WM_HSCROLL, WM_VSCROLL and their CN_* reflections.
struct TWMScroll {
    UINT Msg = 0;
    SHORT ScrollCode = 0;
    SHORT Pos = 0;
    HWND ScrollBar = nullptr;
    LRESULT Result = 0;
    static TWMScroll From(const TMessage& m) {
        return {m.Msg, SHORT(LOWORD(m.WParam)), SHORT(HIWORD(m.WParam)), reinterpret_cast<HWND>(m.LParam),
                m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

struct TWMSize {
    UINT Msg = 0;
    WPARAM SizeType = 0;
    WORD Width = 0;
    WORD Height = 0;
    LRESULT Result = 0;
    static TWMSize From(const TMessage& m) {
        return {m.Msg, m.WParam, LOWORD(std::uintptr_t(m.LParam)), HIWORD(std::uintptr_t(m.LParam)), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMMove {
    UINT Msg = 0;
    SHORT XPos = 0;
    SHORT YPos = 0;
    LRESULT Result = 0;
    static TWMMove From(const TMessage& m) {
        return {m.Msg, SHORT(LOWORD(std::uintptr_t(m.LParam))), SHORT(HIWORD(std::uintptr_t(m.LParam))),
                m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// WM_PAINT (DC: a context to paint on instead of BeginPaint's, as PaintTo and double buffering
// pass it) and WM_ERASEBKGND.
struct TWMPaint {
    UINT Msg = 0;
    HDC DC = nullptr;
    LRESULT Result = 0;
    static TWMPaint From(const TMessage& m) { return {m.Msg, reinterpret_cast<HDC>(m.WParam), m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMEraseBkgnd = TWMPaint;

struct TWMSetFocus {
    UINT Msg = 0;
    HWND FocusedWnd = nullptr;  // the window that lost (WM_SETFOCUS) or gets (WM_KILLFOCUS) it
    LRESULT Result = 0;
    static TWMSetFocus From(const TMessage& m) { return {m.Msg, reinterpret_cast<HWND>(m.WParam), m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMKillFocus = TWMSetFocus;

struct TWMGetDlgCode {
    UINT Msg = 0;
    MSG* Message = nullptr;  // the key message being asked about; may be null
    LRESULT Result = 0;
    static TWMGetDlgCode From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<MSG*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMSetCursor {
    UINT Msg = 0;
    HWND CursorWnd = nullptr;
    SHORT HitTest = 0;
    WORD MouseMsg = 0;
    LRESULT Result = 0;
    static TWMSetCursor From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<HWND>(m.WParam), SHORT(LOWORD(std::uintptr_t(m.LParam))),
                HIWORD(std::uintptr_t(m.LParam)), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// WM_CONTEXTMENU (screen coordinates; -1, -1 from the keyboard) and WM_NCHITTEST.
struct TWMContextMenu {
    UINT Msg = 0;
    HWND hWnd = nullptr;
    SHORT XPos = 0;
    SHORT YPos = 0;
    LRESULT Result = 0;
    static TWMContextMenu From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<HWND>(m.WParam), SHORT(LOWORD(std::uintptr_t(m.LParam))),
                SHORT(HIWORD(std::uintptr_t(m.LParam))), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMNCHitTest = TWMContextMenu;

struct TWMWindowPosMsg {
    UINT Msg = 0;
    WINDOWPOS* WindowPos = nullptr;
    LRESULT Result = 0;
    static TWMWindowPosMsg From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<WINDOWPOS*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMWindowPosChanged = TWMWindowPosMsg;
using TWMWindowPosChanging = TWMWindowPosMsg;

// CM_FOCUSCHANGED: the control that now has the focus.
struct TCMFocusChanged {
    UINT Msg = 0;
    TWinControl* Sender = nullptr;
    LRESULT Result = 0;
    static TCMFocusChanged From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<TWinControl*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// CM_CONTROLCHANGE and CM_CONTROLLISTCHANGE: a control inserted into or removed from a parent.
struct TCMControlChange {
    UINT Msg = 0;
    TControl* Control = nullptr;
    bool Inserting = false;
    LRESULT Result = 0;
    static TCMControlChange From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<TControl*>(m.WParam), m.LParam != 0, m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
using TCMControlListChange = TCMControlChange;

// CM_CHILDKEY: a key pressed in a child control, offered to its parents.
struct TCMChildKey {
    UINT Msg = 0;
    WORD CharCode = 0;
    TWinControl* Sender = nullptr;
    LRESULT Result = 0;
    static TCMChildKey From(const TMessage& m) {
        return {m.Msg, LOWORD(m.WParam), reinterpret_cast<TWinControl*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const {
        m.WParam = (m.WParam & ~WPARAM(0xFFFF)) | CharCode;
        m.Result = Result;
    }
};

// CM_CANCELMODE: the control that keeps the mode.
struct TCMCancelMode {
    UINT Msg = 0;
    TControl* Sender = nullptr;
    LRESULT Result = 0;
    static TCMCancelMode From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<TControl*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// CM_MOUSEENTER and CM_MOUSELEAVE: the control the mouse entered or left (null: the receiver).
struct TCMMouseEnterLeave {
    UINT Msg = 0;
    TControl* Control = nullptr;
    LRESULT Result = 0;
    static TCMMouseEnterLeave From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<TControl*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

// CM_DRAG: a step of a drag operation, sent to the target under the mouse.
struct TCMDrag {
    UINT Msg = 0;
    TDragMessage DragMessage = dmDragEnter;
    TDragRec* DragRec = nullptr;
    LRESULT Result = 0;
    static TCMDrag From(const TMessage& m) {
        return {m.Msg, TDragMessage(LOWORD(m.WParam)), reinterpret_cast<TDragRec*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// CM_HINTSHOW: a non-zero result keeps the hint from showing.
struct TCMHintShow {
    UINT Msg = 0;
    THintInfo* HintInfo = nullptr;
    LRESULT Result = 0;
    static TCMHintShow From(const TMessage& m) {
        return {m.Msg, reinterpret_cast<THintInfo*>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
