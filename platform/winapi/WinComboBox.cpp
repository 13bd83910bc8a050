// The combo box window class: the selection field (an edit child, or drawn here), the drop button,
// the list that drops down and closes by every gesture, the keys, focus and notifications.
#include "platform/winapi/WinComboBox.h"

#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinListBox.h"
#include "platform/winapi/WinListBox_Internal.h"
#include "platform/winapi/WinMonitor.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "platform/winapi/WinScroll.h"

namespace {

constexpr int EditId = 1001;
constexpr int ListId = 1000;
constexpr int Border = 3; // the sunken edge and a pixel inside it

struct TCombo {
    HWND Handle = nullptr;
    HWND Edit = nullptr;
    HWND List = nullptr;
    WNDPROC EditProc = nullptr; // the edit's own procedure under our subclass
    int FieldHeight = 16;
    int MinVisible = 30;
    int DroppedWidth = 0;
    bool ExtendedUI = false;
    bool ListHScroll = false; // the list has a horizontal bar (WS_HSCROLL given to the combo)
    bool Dropped = false;
    bool Focused = false;
    bool SettingText = false;
    int DropSel = -1;     // the selection when the list opened
    int NotifiedSel = -1; // the selection the parent last heard of
    HWND FocusGoingTo = nullptr;
    HFONT Font = nullptr;
};

TCombo* StateOf(HWND window) {
    return IsWindow(window) ? reinterpret_cast<TCombo*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongA(window, GWL_STYLE)); }
DWORD KindOf(HWND window) { return StyleOf(window) & 0x3; }
bool IsSimple(HWND window) { return KindOf(window) == CBS_SIMPLE; }
bool IsDropList(HWND window) { return KindOf(window) == CBS_DROPDOWNLIST; }
bool IsOwnerDraw(DWORD s) { return (s & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(DWORD s) { return !IsOwnerDraw(s) || (s & CBS_HASSTRINGS); }

void Notify(HWND window, WORD code) {
    HWND parent = GetParent(window);
    if (!parent) return;
    WORD id = WORD(GetWindowLongPtrA(window, GWL_ID));
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(window));
}

RECT ClientOf(HWND window) {
    RECT c{};
    GetClientRect(window, &c);
    return c;
}

RECT ButtonRect(HWND window) {
    if (IsSimple(window)) return RECT{};
    RECT c = ClientOf(window);
    int width = GetSystemMetrics(SM_CXVSCROLL);
    return RECT{std::max<LONG>(c.left, c.right - 2 - width), 2, std::max<LONG>(c.left, c.right - 2),
                std::max<LONG>(2, c.bottom - 2)};
}

RECT ItemRect(HWND window) {
    TCombo* c = StateOf(window);
    RECT client = ClientOf(window);
    if (IsSimple(window))
        return RECT{Border, Border, std::max<LONG>(Border, client.right - Border), Border + c->FieldHeight};
    RECT button = ButtonRect(window);
    return RECT{Border, Border, std::max<LONG>(Border, button.left - 1),
                std::max<LONG>(Border, client.bottom - Border)};
}

String ItemText(HWND list, int index) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length < 0) return String();
    String text(size_t(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, WPARAM(index), LPARAM(text.data()));
    text.resize(size_t(length));
    return text;
}

int CurSel(const TCombo& c) {
    LRESULT sel = SendMessageA(c.List, LB_GETCURSEL, 0, 0);
    return sel < 0 ? -1 : int(sel);
}

void Layout(HWND window) {
    TCombo* c = StateOf(window);
    if (!c) return;
    RECT item = ItemRect(window);
    if (c->Edit)
        SetWindowPos(c->Edit, nullptr, item.left, item.top, item.right - item.left, item.bottom - item.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if ((c = StateOf(window)) && IsSimple(window)) {
        RECT client = ClientOf(window);
        int top = c->FieldHeight + 2 * Border;
        SetWindowPos(c->List, nullptr, 0, top, client.right, std::max<int>(0, client.bottom - top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// A drop-down combo is as high as its field (and its frame, if it has one).
int WantedHeight(HWND window, int fieldHeight) {
    RECT wr, cr;
    GetWindowRect(window, &wr);
    GetClientRect(window, &cr);
    return (wr.bottom - wr.top - cr.bottom) + fieldHeight + 2 * Border;
}

void ReapplySize(HWND window) {
    TCombo* c = StateOf(window);
    if (!c) return;
    RECT r;
    GetWindowRect(window, &r);
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, WantedHeight(window, c->FieldHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shows the item in the field: the edit's text (all of it selected), or the drawn field.
void ShowInField(HWND window, int index) {
    TCombo* c = StateOf(window);
    if (!c) return;
    if (c->Edit) {
        String text = index >= 0 ? ItemText(c->List, index) : String();
        c->SettingText = true;
        SetWindowTextA(c->Edit, text.c_str());
        if ((c = StateOf(window))) {
            SendMessageA(c->Edit, EM_SETSEL, 0, -1);
            if ((c = StateOf(window))) c->SettingText = false;
        }
    } else {
        InvalidateRect(window, nullptr, FALSE);
    }
}

// The selection changed by the user: the field follows and the parent hears of it.
void SelectionChanged(HWND window, int sel) {
    TCombo* c = StateOf(window);
    if (!c) return;
    c->NotifiedSel = sel;
    ShowInField(window, sel);
    if (StateOf(window)) Notify(window, CBN_SELCHANGE);
}

// ---- Dropping down and closing up ----------------------------------------------------------------

RECT DropRect(HWND window) {
    TCombo* c = StateOf(window);
    RECT wr;
    GetWindowRect(window, &wr);
    int width = std::max<int>(c->DroppedWidth, wr.right - wr.left);
    int count = int(SendMessageA(c->List, LB_GETCOUNT, 0, 0));
    int rows = std::clamp(count, 1, std::max(1, c->MinVisible));
    int first = 0;
    if (count > rows) first = std::clamp(CurSel(*c), 0, count - rows);
    int height = WinComboListItemsHeight(c->List, count ? first : 0, rows);
    RECT lw, lc;
    GetWindowRect(c->List, &lw);
    GetClientRect(c->List, &lc);
    height += (lw.bottom - lw.top) - lc.bottom; // the list's border
    MONITORINFO mi;
    GetMonitorInfoA(MonitorFromRect(&wr, MONITOR_DEFAULTTONEAREST), &mi);
    RECT work = mi.rcWork;
    int y = wr.bottom;
    if (y + height > work.bottom && wr.top - height >= work.top) y = wr.top - height;
    int x = wr.left;
    if (x + width > work.right) x = std::max<int>(work.left, work.right - width);
    return RECT{x, y, x + width, y + height};
}

void Open(HWND window, bool byMouse) {
    TCombo* c = StateOf(window);
    if (!c || c->Dropped || IsSimple(window)) return;
    Notify(window, CBN_DROPDOWN);
    if (!(c = StateOf(window)) || c->Dropped) return;
    int sel = CurSel(*c);
    c->DropSel = c->NotifiedSel = sel;
    if (c->Edit) {
        // The list opens on the item the edit's text names.
        int length = GetWindowTextLengthA(c->Edit);
        String text(size_t(std::max(0, length)) + 1, '\0');
        GetWindowTextA(c->Edit, text.data(), length + 1);
        text.resize(size_t(std::max(0, length)));
        LRESULT found = SendMessageA(c->List, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text.c_str()));
        if (found >= 0 && found != sel) {
            WinComboListSetSelection(c->List, int(found));
            c->DropSel = int(found);
        }
    }
    RECT r = DropRect(window);
    c->Dropped = true;
    SetWindowPos(c->List, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (!(c = StateOf(window))) return;
    WinComboListDropped(c->List, true, byMouse);
    SetCapture(c->List);
    InvalidateRect(window, nullptr, FALSE);
}

void Close(HWND window, bool accept) {
    TCombo* c = StateOf(window);
    if (!c || !c->Dropped) return;
    c->Dropped = false;
    HWND list = c->List;
    WinComboListDropped(list, false, false);
    if (GetCapture() == list) ReleaseCapture();
    ShowWindow(list, SW_HIDE);
    if (!(c = StateOf(window))) return;
    InvalidateRect(window, nullptr, FALSE);
    int sel = CurSel(*c);
    if (!accept && sel != c->DropSel) {
        WinComboListSetSelection(list, c->DropSel);
        sel = c->DropSel;
    }
    if (sel != c->NotifiedSel) {
        SelectionChanged(window, sel);
        if (!StateOf(window)) return;
    }
    Notify(window, accept ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (StateOf(window)) Notify(window, CBN_CLOSEUP);
}

void Toggle(HWND window) {
    TCombo* c = StateOf(window);
    if (!c) return;
    if (c->Dropped)
        Close(window, true);
    else
        Open(window, false);
}

// ---- Keys ----------------------------------------------------------------------------------------

bool IsNavKey(UINT vk) {
    return vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_HOME || vk == VK_END;
}

// A key the combo takes, from itself or its edit; false leaves it to the edit (or the default).
bool OnKey(HWND window, UINT vk, bool alt) {
    TCombo* c = StateOf(window);
    if (!c) return false;
    // In an edit field Home and End stay the edit's.
    bool listKey = IsNavKey(vk) && !(c->Edit && (vk == VK_HOME || vk == VK_END));
    if (IsSimple(window)) {
        if (!listKey) return false;
        SendMessageA(c->List, WM_KEYDOWN, vk, 0);
        return true;
    }
    if ((vk == VK_F4 && !alt && !c->ExtendedUI) || ((vk == VK_DOWN || vk == VK_UP) && alt)) {
        Toggle(window);
        return true;
    }
    if (c->Dropped) {
        if (vk == VK_ESCAPE || vk == VK_RETURN) {
            Close(window, vk == VK_RETURN);
            return true;
        }
    } else if (c->ExtendedUI && vk == VK_DOWN) {
        Open(window, false);
        return true;
    }
    if (!listKey || alt) return false;
    SendMessageA(c->List, WM_KEYDOWN, vk, 0);
    return true;
}

bool AltDown() { return GetKeyState(VK_MENU) < 0; }

void FocusIn(HWND window) {
    TCombo* c = StateOf(window);
    if (!c || c->Focused) return;
    c->Focused = true;
    InvalidateRect(window, nullptr, FALSE);
    Notify(window, CBN_SETFOCUS);
}

void FocusOut(HWND window, HWND to) {
    TCombo* c = StateOf(window);
    if (!c || !c->Focused) return;
    if (to && (to == window || to == c->Edit || to == c->List)) return;
    Close(window, false);
    if (!(c = StateOf(window))) return;
    c->Focused = false;
    InvalidateRect(window, nullptr, FALSE);
    Notify(window, CBN_KILLFOCUS);
}

// The edit field under our procedure: the list's keys, and where the focus goes.
LRESULT EditSubclass(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND combo = GetParent(edit);
    TCombo* c = StateOf(combo);
    WNDPROC proc = c && c->Edit == edit ? c->EditProc : nullptr;
    if (!proc) return DefWindowProcA(edit, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (OnKey(combo, UINT(wParam), message == WM_SYSKEYDOWN || AltDown())) return 0;
        break;
    case WM_CHAR:
        // Enter and Esc closing the list make no character.
        if ((wParam == '\r' || wParam == 0x1B) && c->Dropped) return 0;
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcA(proc, edit, message, wParam, lParam);
        return c->Dropped ? (code | DLGC_WANTALLKEYS) : code;
    }
    case WM_KILLFOCUS:
        c->FocusGoingTo = HWND(wParam);
        break;
    default:
        break;
    }
    return CallWindowProcA(proc, edit, message, wParam, lParam);
}

// ---- Painting ------------------------------------------------------------------------------------

HFONT FontOf(const TCombo& c) {
    return c.Font ? c.Font : reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

HBRUSH FieldBrush(HWND window, HDC dc) {
    HWND parent = GetParent(window);
    if (!parent) parent = window;
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLOREDIT, WPARAM(dc), LPARAM(window)));
    if (!brush)
        brush = reinterpret_cast<HBRUSH>(DefWindowProcA(parent, WM_CTLCOLOREDIT, WPARAM(dc), LPARAM(window)));
    return brush ? brush : GetSysColorBrush(COLOR_WINDOW);
}

void PaintField(HWND window, HDC dc, HBRUSH brush, COLORREF text) {
    TCombo* c = StateOf(window);
    if (!c) return;
    DWORD s = StyleOf(window);
    RECT item = ItemRect(window);
    bool enabled = IsWindowShownEnabled(window);
    bool selected = c->Focused && !c->Dropped;
    int sel = CurSel(*c);
    if (IsOwnerDraw(s)) {
        HWND parent = GetParent(window);
        if (!parent) return;
        DRAWITEMSTRUCT d;
        d.CtlType = ODT_COMBOBOX;
        d.CtlID = UINT(GetWindowLongPtrA(window, GWL_ID));
        d.itemID = UINT(sel);
        d.itemAction = ODA_DRAWENTIRE;
        d.itemState =
            ODS_COMBOBOXEDIT | (selected ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        d.hwndItem = window;
        d.hDC = dc;
        d.rcItem = item;
        d.itemData = sel >= 0 ? ULONG_PTR(SendMessageA(c->List, LB_GETITEMDATA, WPARAM(sel), 0)) : 0;
        SendMessageA(parent, WM_DRAWITEM, WPARAM(d.CtlID), LPARAM(&d));
        return;
    }
    FillRect(dc, &item, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : brush);
    SetTextColor(dc, !enabled   ? GetSysColor(COLOR_GRAYTEXT)
                     : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                : text);
    SetBkMode(dc, TRANSPARENT);
    if (sel >= 0 && HasStrings(s)) {
        String t = ItemText(c->List, sel);
        RECT r = item;
        r.left += 2;
        DrawTextA(dc, t.c_str(), int(t.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (selected) {
        COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &item);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
    }
}

void Paint(HWND window, HDC dc) {
    TCombo* c = StateOf(window);
    if (!c || !dc) return;
    int saved = SaveDC(dc);
    SelectObject(dc, FontOf(*c));
    HBRUSH brush = FieldBrush(window, dc);
    COLORREF text = GetTextColor(dc);
    if (!(c = StateOf(window))) return;
    RECT client = ClientOf(window);
    RECT field = client;
    if (IsSimple(window)) field.bottom = std::min<LONG>(client.bottom, c->FieldHeight + 2 * Border);
    FillRect(dc, &field, brush);
    RECT edge = field;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    if (!IsSimple(window)) {
        RECT button = ButtonRect(window);
        UINT state = DFCS_SCROLLCOMBOBOX;
        if (c->Dropped) state |= DFCS_PUSHED | DFCS_FLAT;
        if (!IsWindowShownEnabled(window)) state |= DFCS_INACTIVE;
        DrawFrameControl(dc, &button, DFC_SCROLL, state);
    }
    if (IsDropList(window)) PaintField(window, dc, brush, text);
    RestoreDC(dc, saved);
}

// ---- The window procedure ------------------------------------------------------------------------

void MeasureField(HWND window) {
    TCombo* c = StateOf(window);
    if (!c) return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontOf(*c));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    c->FieldHeight = std::max<int>(1, tm.tmHeight + 2);
}

LRESULT OnCreate(HWND window) {
    TCombo* c = StateOf(window);
    if (!c) return -1;
    DWORD s = StyleOf(window);
    MeasureField(window);
    if (IsOwnerDraw(s)) {
        // The selection field is measured as item -1.
        MEASUREITEMSTRUCT m;
        m.CtlType = ODT_COMBOBOX;
        m.CtlID = UINT(GetWindowLongPtrA(window, GWL_ID));
        m.itemID = UINT(-1);
        m.itemWidth = UINT(ClientOf(window).right);
        m.itemHeight = UINT(c->FieldHeight - 2);
        if (HWND parent = GetParent(window))
            SendMessageA(parent, WM_MEASUREITEM, WPARAM(m.CtlID), LPARAM(&m));
        if (!(c = StateOf(window))) return -1;
        if (m.itemHeight > 0) c->FieldHeight = int(std::min<UINT>(m.itemHeight, 255));
    }
    DWORD listStyle = WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_COMBOBOX;
    if (s & CBS_SORT) listStyle |= LBS_SORT;
    if (s & CBS_HASSTRINGS) listStyle |= LBS_HASSTRINGS;
    if (s & CBS_OWNERDRAWFIXED) listStyle |= LBS_OWNERDRAWFIXED;
    if (s & CBS_OWNERDRAWVARIABLE) listStyle |= LBS_OWNERDRAWVARIABLE;
    if (s & CBS_DISABLENOSCROLL) listStyle |= LBS_DISABLENOSCROLL;
    if (c->ListHScroll) listStyle |= WS_HSCROLL;
    RECT client = ClientOf(window);
    HWND list;
    if (IsSimple(window)) {
        list = CreateWindowExA(0, WC_COMBOLBOXA, "", WS_CHILD | WS_VISIBLE | listStyle, 0, 0, client.right, 0,
                               window, reinterpret_cast<HMENU>(std::intptr_t(ListId)), nullptr, window);
    } else {
        // A top-level window's id is its menu: the popup list has none.
        list =
            CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, WC_COMBOLBOXA, "",
                            WS_POPUP | listStyle, 0, 0, client.right, 100, window, nullptr, nullptr, window);
    }
    if (!(c = StateOf(window)) || !list) return -1;
    c->List = list;
    if (!IsDropList(window)) {
        DWORD editStyle = WS_CHILD | WS_VISIBLE | ES_LEFT;
        if (s & CBS_AUTOHSCROLL) editStyle |= ES_AUTOHSCROLL;
        if (s & CBS_UPPERCASE) editStyle |= ES_UPPERCASE;
        if (s & CBS_LOWERCASE) editStyle |= ES_LOWERCASE;
        RECT item = ItemRect(window);
        HWND edit = CreateWindowExA(0, "EDIT", "", editStyle, item.left, item.top, item.right - item.left,
                                    item.bottom - item.top, window,
                                    reinterpret_cast<HMENU>(std::intptr_t(EditId)), nullptr, nullptr);
        if (!(c = StateOf(window)) || !edit) return -1;
        c->Edit = edit;
        c->EditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWL_WNDPROC));
        SetWindowLongPtrA(edit, GWL_WNDPROC, LONG_PTR(&EditSubclass));
    }
    if (!IsSimple(window)) ReapplySize(window);
    Layout(window);
    return 0;
}

// The case styles apply to the items too.
String Cased(HWND window, const String& text) {
    DWORD s = StyleOf(window);
    if (s & CBS_UPPERCASE) return AnsiUpperCase(text);
    if (s & CBS_LOWERCASE) return AnsiLowerCase(text);
    return text;
}

LRESULT AddOrInsert(HWND window, TCombo& c, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD s = StyleOf(window);
    if (HasStrings(s) && lParam && (s & (CBS_UPPERCASE | CBS_LOWERCASE))) {
        String text = Cased(window, reinterpret_cast<const char*>(lParam));
        return SendMessageA(c.List, message, wParam, LPARAM(text.c_str()));
    }
    return SendMessageA(c.List, message, wParam, lParam);
}

LRESULT OnMessage(HWND window, TCombo* c, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        if (c->Dropped) {
            c->Dropped = false;
            if (GetCapture() == c->List) ReleaseCapture();
        }
        if ((c = StateOf(window)) && IsWindow(c->List) && !IsSimple(window)) {
            HWND list = c->List;
            DestroyWindow(list);
        }
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (c->Dropped ? DLGC_WANTALLKEYS : 0);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (wParam) {
            Paint(window, reinterpret_cast<HDC>(wParam));
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            Paint(window, dc);
            EndPaint(window, &ps);
        }
        return 0;
    case WM_PRINTCLIENT:
        Paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_WINDOWPOSCHANGING:
        // A drop-down combo is as high as its field, whatever it is asked.
        if (lParam && !IsSimple(window)) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(pos->flags & SWP_NOSIZE)) pos->cy = WantedHeight(window, c->FieldHeight);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
        Layout(window);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_SETFONT:
        c->Font = reinterpret_cast<HFONT>(wParam);
        if (c->Edit) SendMessageA(c->Edit, WM_SETFONT, wParam, lParam);
        if (!(c = StateOf(window))) return 0;
        SendMessageA(c->List, WM_SETFONT, wParam, lParam);
        if (!(c = StateOf(window))) return 0;
        if (!IsOwnerDraw(StyleOf(window))) MeasureField(window);
        if (!IsSimple(window)) ReapplySize(window);
        Layout(window);
        if (LOWORD(std::uintptr_t(lParam))) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return LRESULT(c->Font);
    case WM_ENABLE:
        if (c->Edit) EnableWindow(c->Edit, wParam != 0);
        if ((c = StateOf(window)) && !IsSimple(window)) EnableWindow(c->List, wParam != 0);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_SETTEXT: {
        if (c->Edit) {
            c->SettingText = true;
            LRESULT r = SendMessageA(c->Edit, WM_SETTEXT, wParam, lParam);
            if ((c = StateOf(window))) c->SettingText = false;
            return r;
        }
        // A drop-down list shows only its items: the text selects the item it names.
        LRESULT found = SendMessageA(c->List, LB_FINDSTRINGEXACT, WPARAM(-1), lParam ? lParam : LPARAM(""));
        if (found < 0) return CB_ERR;
        WinComboListSetSelection(c->List, int(found));
        if ((c = StateOf(window))) c->NotifiedSel = int(found);
        InvalidateRect(window, nullptr, FALSE);
        return TRUE;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        if (c->Edit) return SendMessageA(c->Edit, message, wParam, lParam);
        int sel = CurSel(*c);
        String text = sel >= 0 && HasStrings(StyleOf(window)) ? ItemText(c->List, sel) : String();
        if (message == WM_GETTEXTLENGTH) return LRESULT(text.size());
        if (!lParam || wParam == 0) return 0;
        size_t n = std::min(text.size(), size_t(wParam) - 1);
        char* out = reinterpret_cast<char*>(lParam);
        std::copy_n(text.data(), n, out);
        out[n] = '\0';
        return LRESULT(n);
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: {
        HWND parent = GetParent(window);
        if (!parent) return DefWindowProcA(window, message, wParam, lParam);
        LRESULT brush = SendMessageA(parent, message, wParam, lParam);
        return brush ? brush : DefWindowProcA(parent, message, wParam, lParam);
    }
    case WM_COMMAND: {
        HWND from = HWND(lParam);
        WORD code = HIWORD(wParam);
        if (from == c->List) {
            if (code == LBN_SELCHANGE)
                SelectionChanged(window, CurSel(*c));
            else if (code == LBN_DBLCLK)
                Notify(window, CBN_DBLCLK);
        } else if (from == c->Edit && from) {
            switch (code) {
            case EN_CHANGE:
                if (c->SettingText) break;
                // A dropped (or simple) list highlights what the text begins with.
                if (c->Dropped || IsSimple(window)) {
                    int length = GetWindowTextLengthA(c->Edit);
                    String text(size_t(std::max(0, length)) + 1, '\0');
                    GetWindowTextA(c->Edit, text.data(), length + 1);
                    text.resize(size_t(std::max(0, length)));
                    LRESULT found =
                        text.empty() ? -1
                                     : SendMessageA(c->List, LB_FINDSTRING, WPARAM(-1), LPARAM(text.c_str()));
                    if (found >= 0) WinComboListSetSelection(c->List, int(found));
                }
                Notify(window, CBN_EDITCHANGE);
                break;
            case EN_UPDATE:
                if (!c->SettingText) Notify(window, CBN_EDITUPDATE);
                break;
            case EN_SETFOCUS:
                FocusIn(window);
                break;
            case EN_KILLFOCUS:
                FocusOut(window, c->FocusGoingTo);
                break;
            default:
                break;
            }
        }
        return 0;
    }
    case WM_SETFOCUS:
        if (c->Edit) {
            SetFocus(c->Edit);
            if ((c = StateOf(window)) && c->Edit) SendMessageA(c->Edit, EM_SETSEL, 0, -1);
        } else {
            FocusIn(window);
        }
        return 0;
    case WM_KILLFOCUS:
        if (!c->Edit || HWND(wParam) != c->Edit) FocusOut(window, HWND(wParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (OnKey(window, UINT(wParam), message == WM_SYSKEYDOWN || AltDown())) return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_CHAR:
        // Typing in a drop-down list selects by prefix.
        if (IsDropList(window) && wParam >= 0x20) SendMessageA(c->List, WM_CHAR, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        HWND focusTarget = c->Edit ? c->Edit : window;
        if (GetFocus() != focusTarget) SetFocus(window);
        if (!(c = StateOf(window))) return 0;
        POINT p = MakePointFromLParam(lParam);
        RECT button = ButtonRect(window), client = ClientOf(window);
        if (PtInRect(&button, p) || (IsDropList(window) && PtInRect(&client, p))) {
            if (c->Dropped)
                Close(window, false);
            else
                Open(window, true);
        }
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (!c->Dropped) {
            SendMessageA(c->List, WM_KEYDOWN, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? VK_UP : VK_DOWN, 0);
            return 0;
        }
        return SendMessageA(c->List, message, wParam, lParam);

    // ---- The list's messages under the combo's names ----
    case CB_ADDSTRING:
        return AddOrInsert(window, *c, LB_ADDSTRING, wParam, lParam);
    case CB_INSERTSTRING:
        return AddOrInsert(window, *c, LB_INSERTSTRING, wParam, lParam);
    case CB_DELETESTRING: {
        int sel = CurSel(*c);
        LRESULT r = SendMessageA(c->List, LB_DELETESTRING, wParam, lParam);
        if (r >= 0 && (c = StateOf(window))) {
            c->NotifiedSel = CurSel(*c);
            if (int(wParam) == sel) ShowInField(window, -1);
        }
        return r;
    }
    case CB_RESETCONTENT:
        SendMessageA(c->List, LB_RESETCONTENT, 0, 0);
        if ((c = StateOf(window))) {
            c->NotifiedSel = -1;
            ShowInField(window, -1);
        }
        return CB_OKAY;
    case CB_GETCOUNT:
        return SendMessageA(c->List, LB_GETCOUNT, 0, 0);
    case CB_GETCURSEL:
        return SendMessageA(c->List, LB_GETCURSEL, 0, 0);
    case CB_SETCURSEL: {
        LRESULT r = SendMessageA(c->List, LB_SETCURSEL, wParam, 0);
        if ((c = StateOf(window))) {
            c->NotifiedSel = CurSel(*c);
            ShowInField(window, c->NotifiedSel);
        }
        return r;
    }
    case CB_SELECTSTRING: {
        LRESULT r = SendMessageA(c->List, LB_SELECTSTRING, wParam, lParam);
        if (r >= 0 && (c = StateOf(window))) {
            c->NotifiedSel = int(r);
            ShowInField(window, int(r));
        }
        return r;
    }
    case CB_GETLBTEXT:
        return SendMessageA(c->List, LB_GETTEXT, wParam, lParam);
    case CB_GETLBTEXTLEN:
        return SendMessageA(c->List, LB_GETTEXTLEN, wParam, lParam);
    case CB_FINDSTRING:
        return SendMessageA(c->List, LB_FINDSTRING, wParam, lParam);
    case CB_FINDSTRINGEXACT:
        return SendMessageA(c->List, LB_FINDSTRINGEXACT, wParam, lParam);
    case CB_GETITEMDATA:
        return SendMessageA(c->List, LB_GETITEMDATA, wParam, lParam);
    case CB_SETITEMDATA:
        return SendMessageA(c->List, LB_SETITEMDATA, wParam, lParam);
    case CB_GETTOPINDEX:
        return SendMessageA(c->List, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX:
        return SendMessageA(c->List, LB_SETTOPINDEX, wParam, 0);
    case CB_GETHORIZONTALEXTENT:
        return SendMessageA(c->List, LB_GETHORIZONTALEXTENT, 0, 0);
    case CB_SETHORIZONTALEXTENT:
        return SendMessageA(c->List, LB_SETHORIZONTALEXTENT, wParam, 0);
    case CB_INITSTORAGE:
        return SendMessageA(c->List, LB_INITSTORAGE, wParam, lParam);
    case CB_GETITEMHEIGHT:
        if (int(wParam) == -1) return c->FieldHeight;
        return SendMessageA(c->List, LB_GETITEMHEIGHT, wParam, 0);
    case CB_SETITEMHEIGHT: {
        int height = LOWORD(std::uintptr_t(lParam));
        if (int(wParam) != -1) return SendMessageA(c->List, LB_SETITEMHEIGHT, wParam, lParam);
        if (height <= 0 || height > 255) return CB_ERR;
        c->FieldHeight = height;
        if (!IsSimple(window)) ReapplySize(window);
        Layout(window);
        InvalidateRect(window, nullptr, TRUE);
        return CB_OKAY;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            Open(window, false);
        else
            Close(window, true);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return c->Dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
        if (!lParam) return CB_ERR;
        RECT* out = reinterpret_cast<RECT*>(lParam);
        if (IsSimple(window))
            GetWindowRect(c->List, out);
        else if (c->Dropped)
            GetWindowRect(c->List, out);
        else
            *out = DropRect(window);
        return TRUE;
    }
    case CB_SETDROPPEDWIDTH:
        c->DroppedWidth = std::max(0, int(wParam));
        {
            RECT wr;
            GetWindowRect(window, &wr);
            return std::max<int>(c->DroppedWidth, wr.right - wr.left);
        }
    case CB_GETDROPPEDWIDTH: {
        RECT wr;
        GetWindowRect(window, &wr);
        return std::max<int>(c->DroppedWidth, wr.right - wr.left);
    }
    case CB_SETMINVISIBLE:
        if (int(wParam) <= 0) return FALSE;
        c->MinVisible = int(wParam);
        return TRUE;
    case CB_GETMINVISIBLE:
        return c->MinVisible;
    case CB_SETEXTENDEDUI:
        c->ExtendedUI = wParam != 0;
        return CB_OKAY;
    case CB_GETEXTENDEDUI:
        return c->ExtendedUI ? TRUE : FALSE;
    case CB_LIMITTEXT:
        if (c->Edit) SendMessageA(c->Edit, EM_LIMITTEXT, wParam, 0);
        return TRUE;
    case CB_GETEDITSEL:
        if (!c->Edit) return CB_ERR;
        return SendMessageA(c->Edit, EM_GETSEL, wParam, lParam);
    case CB_SETEDITSEL:
        if (!c->Edit) return CB_ERR;
        SendMessageA(c->Edit, EM_SETSEL, WPARAM(SHORT(LOWORD(std::uintptr_t(lParam)))),
                     LPARAM(SHORT(HIWORD(std::uintptr_t(lParam)))));
        return TRUE;
    case CB_GETCOMBOBOXINFO:
        return GetComboBoxInfo(window, reinterpret_cast<PCOMBOBOXINFO>(lParam));
    case CB_SETLOCALE:
    case CB_GETLOCALE:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT ComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        if (!GetWindowLongPtrA(window, 0)) {
            auto* c = new TCombo;
            c->Handle = window;
            SetWindowLongPtrA(window, 0, LONG_PTR(c));
            // Scroll bars asked of the combo are its list's; the combo itself has none.
            const DWORD style = StyleOf(window);
            c->ListHScroll = (style & WS_HSCROLL) != 0;
            SetWindowLongA(window, GWL_STYLE, LONG(style & ~DWORD(WS_VSCROLL | WS_HSCROLL)));
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_NCDESTROY:
        delete reinterpret_cast<TCombo*>(GetWindowLongPtrA(window, 0));
        SetWindowLongPtrA(window, 0, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        break;
    }
    TCombo* c = StateOf(window);
    if (!c || (!c->List && message != WM_CREATE)) return DefWindowProcA(window, message, wParam, lParam);
    return OnMessage(window, c, message, wParam, lParam);
}

bool RegisterComboClass() {
    WinRegisterListBoxClasses();
    WNDCLASSA wc;
    if (GetClassInfoA(nullptr, WC_COMBOBOXA, &wc)) return true;
    wc = WNDCLASSA{};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = ComboProc;
    wc.cbWndExtra = int(sizeof(TCombo*));
    wc.lpszClassName = WC_COMBOBOXA;
    return RegisterClassA(&wc) != 0;
}

[[maybe_unused]] const bool ComboClassRegistered = RegisterComboClass();

} // namespace

BOOL GetComboBoxInfo(HWND combo, PCOMBOBOXINFO info) {
    TCombo* c = StateOf(combo);
    if (!c || !info || info->cbSize != sizeof(COMBOBOXINFO)) return FALSE;
    info->rcItem = ItemRect(combo);
    info->rcButton = ButtonRect(combo);
    info->stateButton = IsSimple(combo) ? STATE_SYSTEM_INVISIBLE : c->Dropped ? STATE_SYSTEM_PRESSED : 0;
    info->hwndCombo = combo;
    info->hwndItem = c->Edit ? c->Edit : combo;
    info->hwndList = c->List;
    return TRUE;
}

void WinRegisterComboBoxClass() { RegisterComboClass(); }

void WinComboListEvent(HWND combo, TComboListEvent event) { Close(combo, event == TComboListEvent::Accept); }
