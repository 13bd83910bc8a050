// Dialog navigation with the keyboard, and the dialog messages.
#include "platform/winapi/WinDialog.h"

#include <algorithm>
#include <vector>

#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

// The button and edit messages the dialog manager sends (the classes themselves live elsewhere).
constexpr UINT ButtonGetCheck = 0x00F0;
constexpr UINT ButtonSetCheck = 0x00F1;
constexpr UINT ButtonSetStyle = 0x00F4;
constexpr UINT ButtonClick = 0x00F5;
constexpr UINT EditSetSel = 0x00B1;
constexpr WPARAM StylePushButton = 0;
constexpr WPARAM StyleDefPushButton = 1;
constexpr UINT CheckedState = 1;
constexpr WORD ClickedNotification = 0;

constexpr LRESULT PushButtonCodes = DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON;

// Where DM_SETDEFID keeps the identifier (with a bit set so that identifier 0 is kept too).
constexpr const char* DefIdProp = "KovDialogDefId";

// With the lock held: the window and its ancestors up to (not including) the dialog are visible
// and enabled.
bool Usable(const TWnd* w, const TWnd* dialog) {
    for (const TWnd* x = w; x && x != dialog; x = x->Parent)
        if (!(x->Style & WS_VISIBLE) || (x->Style & WS_DISABLED)) return false;
    return true;
}

struct TItem {
    HWND Window;
    bool TabStop; // a candidate for Tab
    bool Usable;  // visible and enabled
    HWND Parent;
    bool Group; // WS_GROUP
};

// The dialog's controls in navigation order: children in z-order, each followed by its own
// controls when it is a control parent.
void Collect(const TWnd* parent, const TWnd* dialog, std::vector<TItem>& out) {
    for (const TWnd* c : parent->Children) {
        bool usable = Usable(c, dialog);
        bool container = (c->ExStyle & WS_EX_CONTROLPARENT) && !c->Children.empty();
        out.push_back(TItem{c->Handle, usable && !container && (c->Style & WS_TABSTOP), usable,
                            parent->Handle, (c->Style & WS_GROUP) != 0});
        if (container && usable) Collect(c, dialog, out);
    }
}

std::vector<TItem> Items(HWND dialog) {
    std::vector<TItem> out;
    TLock lock(StateMutex());
    if (TWnd* d = Find(dialog)) Collect(d, d, out);
    return out;
}

int IndexOf(const std::vector<TItem>& items, HWND window) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].Window == window) return int(i);
    return -1;
}

bool Inside(HWND dialog, HWND window) { return window && (window == dialog || IsChild(dialog, window)); }

LRESULT DlgCode(HWND control, MSG* msg = nullptr) {
    return SendMessageA(control, WM_GETDLGCODE, msg ? msg->wParam : 0, LPARAM(msg));
}

// Any descendant with the identifier (controls of control parents included).
HWND FindById(HWND dialog, int id) {
    if (HWND direct = GetDlgItem(dialog, id)) return direct;
    TLock lock(StateMutex());
    std::vector<TItem> items;
    if (TWnd* d = Find(dialog)) Collect(d, d, items);
    for (const TItem& item : items) {
        TWnd* w = Find(item.Window);
        if (w && IsChildStyle(w) && int(w->Id) == id) return item.Window;
    }
    return nullptr;
}

// The identifier DM_GETDEFID reports, or IDOK when the dialog does not answer it.
int DefaultId(HWND dialog) {
    LRESULT r = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    return HIWORD(std::uintptr_t(r)) == DC_HASDEFID ? int(LOWORD(std::uintptr_t(r))) : IDOK;
}

// The push button showing the default frame: the focused push button while a push button has the
// focus, otherwise the dialog's default one.
void UpdateDefaultButton(HWND dialog, HWND oldFocus, HWND newFocus) {
    LRESULT newCode = newFocus ? DlgCode(newFocus) : 0;
    LRESULT oldCode = (oldFocus && oldFocus != newFocus && IsWindow(oldFocus)) ? DlgCode(oldFocus) : 0;
    if (!(newCode & PushButtonCodes) && !(oldCode & PushButtonCodes)) return;
    HWND target = (newCode & PushButtonCodes) ? newFocus : FindById(dialog, DefaultId(dialog));
    for (const TItem& item : Items(dialog)) {
        if (item.Window == target) continue;
        if (DlgCode(item.Window) & DLGC_DEFPUSHBUTTON)
            SendMessageA(item.Window, ButtonSetStyle, StylePushButton, TRUE);
    }
    if (target && (DlgCode(target) & DLGC_UNDEFPUSHBUTTON))
        SendMessageA(target, ButtonSetStyle, StyleDefPushButton, TRUE);
}

// Gives a control the focus as the dialog does: a control with a selection has its whole text
// selected when the keyboard brings it the focus.
void DlgSetFocus(HWND dialog, HWND control, bool selectAll) {
    HWND old = GetFocus();
    if (selectAll && (DlgCode(control) & DLGC_HASSETSEL)) SendMessageA(control, EditSetSel, 0, -1);
    SetFocus(control);
    UpdateDefaultButton(dialog, old, GetFocus());
}

// Moves the focus to control, through the dialog's WM_NEXTDLGCTL; a dialog whose procedure does
// not handle it gets the move done here.
void MoveTo(HWND dialog, HWND control) {
    SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(control), TRUE);
    if (IsWindow(control) && GetFocus() != control) DlgSetFocus(dialog, control, true);
}

// The mnemonic of a text: the character after a single "&" ("&&" is an ampersand), folded.
char32_t Mnemonic(const String& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (i + 1 >= text.size()) return 0;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return UnicodeCaseFold(Utf8CodePointAt(text, i + 1));
    }
    return 0;
}

String TextOf(HWND window) {
    int length = int(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    if (length <= 0) return {};
    String text(size_t(length) + 1, '\0');
    int n = int(SendMessageA(window, WM_GETTEXT, WPARAM(length + 1), LPARAM(text.data())));
    text.resize(size_t(std::clamp(n, 0, length)));
    return text;
}

// Acts on the control whose text has the mnemonic, looking from the control after `from` on;
// false when none has it.
bool FollowMnemonic(HWND dialog, HWND from, char32_t ch) {
    ch = UnicodeCaseFold(ch);
    if (ch == 0) return false;
    std::vector<TItem> items = Items(dialog);
    const int n = int(items.size());
    if (n == 0) return false;
    int start = IndexOf(items, from);
    for (int k = 1; k <= n; ++k) {
        const TItem& item = items[size_t((start + k + n) % n)];
        if (!item.Usable) continue;
        if (Mnemonic(TextOf(item.Window)) != ch) continue;
        LRESULT code = DlgCode(item.Window);
        if (code & DLGC_STATIC) {
            // A label hands the focus to the control after it.
            int at = IndexOf(items, item.Window);
            for (int j = 1; j < n; ++j) {
                const TItem& next = items[size_t((at + j) % n)];
                if (next.Usable && !(DlgCode(next.Window) & DLGC_STATIC)) {
                    MoveTo(dialog, next.Window);
                    return true;
                }
            }
            return true;
        }
        if (code & PushButtonCodes) {
            SendMessageA(item.Window, ButtonClick, 0, 0);
        } else if (code & DLGC_BUTTON) {
            MoveTo(dialog, item.Window);
            SendMessageA(item.Window, ButtonClick, 0, 0);
        } else {
            MoveTo(dialog, item.Window);
        }
        return true;
    }
    return false;
}

// Enter: the focused push button, else the dialog's default command.
void DefaultCommand(HWND dialog, HWND focus, LRESULT code) {
    int id;
    HWND button;
    if ((code & PushButtonCodes) && IsWindowEnabled(focus)) {
        id = GetDlgCtrlID(focus);
        button = focus;
    } else {
        id = DefaultId(dialog);
        button = FindById(dialog, id);
        // A disabled default button is not pressed by the keyboard either.
        if (button && !IsWindowEnabled(button)) return;
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(WORD(id), ClickedNotification), LPARAM(button));
}

void CancelCommand(HWND dialog) {
    HWND button = FindById(dialog, IDCANCEL);
    if (button && !IsWindowEnabled(button)) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(WORD(IDCANCEL), ClickedNotification), LPARAM(button));
}

// The dialog's handling of a key going down; false when the key goes to the control.
bool DialogKey(HWND dialog, MSG* msg) {
    HWND control = msg->hwnd;
    LRESULT code = DlgCode(control, msg);
    if (code & DLGC_WANTMESSAGE) return false;
    switch (int(msg->wParam)) {
    case VK_TAB: {
        if (code & DLGC_WANTTAB) return false;
        bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(dialog, control == dialog ? nullptr : control, back))
            MoveTo(dialog, next);
        return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        if (code & DLGC_WANTARROWS) return false;
        if (control == dialog) return true;
        bool back = msg->wParam == WPARAM(VK_LEFT) || msg->wParam == WPARAM(VK_UP);
        HWND next = GetNextDlgGroupItem(dialog, control, back);
        if (!next || next == control) return true;
        if (DlgCode(next) & DLGC_RADIOBUTTON) {
            // Moving onto a radio button chooses it.
            DlgSetFocus(dialog, next, false);
            if (UINT(SendMessageA(next, ButtonGetCheck, 0, 0)) != CheckedState)
                SendMessageA(next, ButtonClick, 0, 0);
        } else {
            MoveTo(dialog, next);
        }
        return true;
    }
    case VK_RETURN:
        DefaultCommand(dialog, control, code);
        return true;
    case VK_ESCAPE:
        CancelCommand(dialog);
        return true;
    default:
        return false;
    }
}

} // namespace

BOOL IsDialogMessageA(HWND dialog, MSG* msg) {
    if (!msg || !IsWindow(dialog) || !Inside(dialog, msg->hwnd)) return FALSE;
    if (CallMsgFilterA(msg, MSGF_DIALOGBOX)) return TRUE;
    bool handled = false;
    switch (msg->message) {
    case WM_KEYDOWN:
        handled = DialogKey(dialog, msg);
        break;
    case WM_CHAR: {
        char32_t ch = char32_t(msg->wParam);
        // Tab, Enter and Escape have been dealt with as keys; the rest can be a mnemonic when the
        // control does not take characters itself.
        if (ch == U'\t' || ch == U'\r' || ch == 27 || ch < 0x20) break;
        if (DlgCode(msg->hwnd, msg) & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) break;
        handled = FollowMnemonic(dialog, msg->hwnd, ch);
        break;
    }
    case WM_SYSCHAR:
        handled = FollowMnemonic(dialog, msg->hwnd, char32_t(msg->wParam));
        break;
    default:
        break;
    }
    if (!handled) {
        TranslateMessage(msg);
        DispatchMessageA(msg);
    }
    return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<TItem> items = Items(dialog);
    const int n = int(items.size());
    if (n == 0) return nullptr;
    int at = control ? IndexOf(items, control) : -1;
    // Without a control (or with one that is not the dialog's) the search starts at the ends.
    if (at < 0) at = previous ? 0 : n - 1;
    for (int k = 1; k <= n; ++k) {
        int i = previous ? (at - k + 2 * n) % n : (at + k) % n;
        if (items[size_t(i)].TabStop) return items[size_t(i)].Window;
    }
    return nullptr;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<TItem> items = Items(dialog);
    int at = IndexOf(items, control);
    if (at < 0) {
        for (const TItem& item : items)
            if (item.Usable) return item.Window;
        return nullptr;
    }
    // The group: the control's siblings from the last WS_GROUP at or before it up to the next one.
    std::vector<int> group;
    HWND parent = items[size_t(at)].Parent;
    std::vector<int> siblings;
    for (int i = 0; i < int(items.size()); ++i)
        if (items[size_t(i)].Parent == parent) siblings.push_back(i);
    auto pos = int(std::find(siblings.begin(), siblings.end(), at) - siblings.begin());
    int first = pos;
    while (first > 0 && !items[size_t(siblings[size_t(first)])].Group)
        --first;
    int last = pos;
    while (last + 1 < int(siblings.size()) && !items[size_t(siblings[size_t(last + 1)])].Group)
        ++last;
    const int count = last - first + 1;
    for (int k = 1; k < count; ++k) {
        int offset = previous ? (pos - first - k + 2 * count) % count : (pos - first + k) % count;
        const TItem& item = items[size_t(siblings[size_t(first + offset)])];
        if (item.Usable) return item.Window;
    }
    return control;
}

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(std::uintptr_t(lParam)) ? reinterpret_cast<HWND>(wParam)
                                                     : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
        if (target && IsChild(dialog, target)) DlgSetFocus(dialog, target, true);
        return 0;
    }
    case DM_GETDEFID: {
        auto stored = std::uintptr_t(GetPropA(dialog, DefIdProp));
        WORD id = stored ? WORD(stored & 0xFFFF) : WORD(IDOK);
        return MAKELRESULT(id, DC_HASDEFID);
    }
    case DM_SETDEFID: {
        SetPropA(dialog, DefIdProp, reinterpret_cast<HANDLE>(std::uintptr_t(0x10000 | (wParam & 0xFFFF))));
        // The default frame moves at once unless a push button has the focus and keeps it.
        HWND focus = GetFocus();
        if (!(focus && Inside(dialog, focus) && (DlgCode(focus) & PushButtonCodes))) {
            HWND target = FindById(dialog, int(wParam & 0xFFFF));
            for (const TItem& item : Items(dialog))
                if (item.Window != target && (DlgCode(item.Window) & DLGC_DEFPUSHBUTTON))
                    SendMessageA(item.Window, ButtonSetStyle, StylePushButton, TRUE);
            if (target && (DlgCode(target) & DLGC_UNDEFPUSHBUTTON))
                SendMessageA(target, ButtonSetStyle, StyleDefPushButton, TRUE);
        }
        return TRUE;
    }
    default:
        return DefWindowProcA(dialog, message, wParam, lParam);
    }
}

HWND GetDlgItem(HWND dialog, int id) {
    TLock lock(StateMutex());
    TWnd* d = Find(dialog);
    if (!d) return nullptr;
    for (TWnd* c : d->Children)
        if (IsChildStyle(c) && int(c->Id) == id) return c->Handle;
    return nullptr;
}

int GetDlgCtrlID(HWND window) {
    TLock lock(StateMutex());
    TWnd* w = Find(window);
    return (w && IsChildStyle(w)) ? int(w->Id) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return UINT(SendDlgItemMessageA(dialog, id, ButtonGetCheck, 0, 0));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return FALSE;
    SendMessageA(control, ButtonSetCheck, check, 0);
    return TRUE;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
    std::vector<std::pair<HWND, int>> buttons;
    {
        TLock lock(StateMutex());
        TWnd* d = Find(dialog);
        if (!d) return FALSE;
        for (TWnd* c : d->Children)
            if (IsChildStyle(c) && int(c->Id) >= first && int(c->Id) <= last)
                buttons.push_back({c->Handle, int(c->Id)});
    }
    for (auto& [control, id] : buttons)
        SendMessageA(control, ButtonSetCheck, id == check ? CheckedState : 0, 0);
    return buttons.empty() ? FALSE : TRUE;
}
