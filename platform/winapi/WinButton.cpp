// The button window class: state, mouse and keyboard handling, notifications and classic
// painting of push buttons, check boxes, radio buttons, group boxes and owner-drawn buttons.
#include "platform/winapi/WinButton.h"

#include <algorithm>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "platform/winapi/WinStatic.h"

namespace {

// Size of the box of a check box or radio button, and the gap between it and the text.
constexpr int BoxSize = 13;
constexpr int BoxGap = 4;

struct TButtonState {
    UINT Check = BST_UNCHECKED;
    bool Pushed = false;
    bool Focused = false;
    bool OwnerDrawDefault = false; // BS_DEFPUSHBUTTON given to an owner-drawn button
    bool MouseDown = false;        // the left button went down on us and we hold the capture
    bool SpaceDown = false;
    HFONT Font = nullptr;
};

// The state lives in the window's extra bytes and goes with WM_NCDESTROY; anything that sends a
// message may destroy the window, so it is looked up again after every send.
TButtonState* StateOf(HWND window) {
    return IsWindow(window) ? reinterpret_cast<TButtonState*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongA(window, GWL_STYLE)); }
DWORD TypeOf(HWND window) { return StyleOf(window) & BS_TYPEMASK; }

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsThreeState(DWORD type) { return type == BS_3STATE || type == BS_AUTO3STATE; }
bool IsCheckKind(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || IsThreeState(type) || IsRadio(type);
}
bool IsPushKind(DWORD type) {
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON || type == BS_PUSHBOX;
}

HWND NotifyTarget(HWND window) { return GetParent(window); }

void Notify(HWND window, WORD code) {
    HWND parent = NotifyTarget(window);
    if (!parent) return;
    WORD id = WORD(GetWindowLongPtrA(window, GWL_ID));
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(window));
}

String TextOf(HWND window) {
    int length = GetWindowTextLengthA(window);
    String text(std::size_t(std::max(length, 0)) + 1, '\0');
    int n = GetWindowTextA(window, text.data(), length + 1);
    text.resize(std::size_t(std::max(n, 0)));
    return text;
}

// Asks the parent (the window itself when it has none) for the brush and colours; the parent's
// default handling answers when it gives nothing.
HBRUSH ControlColor(HWND window, HDC dc, UINT message) {
    HWND parent = GetParent(window);
    if (!parent) parent = window;
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, message, WPARAM(dc), LPARAM(window)));
    if (!brush) brush = reinterpret_cast<HBRUSH>(DefWindowProcA(parent, message, WPARAM(dc), LPARAM(window)));
    return brush;
}

// Text placed in area by the alignments (DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM), wrapped at
// blanks when multiline, embossed when disabled. Returns where the text went.
RECT DrawLabel(HDC dc, const String& text, const RECT& area, UINT hAlign, UINT vAlign, bool multiline,
               bool enabled, UINT extra = 0) {
    UINT format = hAlign | extra | (multiline ? DT_WORDBREAK : DT_SINGLELINE);
    RECT calc = area;
    DrawTextA(dc, text.c_str(), -1, &calc, format | DT_CALCRECT);
    int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    int width = std::min<int>(calc.right - calc.left, areaWidth);
    int height = calc.bottom - calc.top;
    int top = vAlign == DT_TOP      ? area.top
              : vAlign == DT_BOTTOM ? area.bottom - height
                                    : area.top + (areaHeight - height) / 2;
    int left = hAlign == DT_CENTER  ? area.left + (areaWidth - width) / 2
               : hAlign == DT_RIGHT ? area.right - width
                                    : area.left;
    RECT r{area.left, top, area.right, top + height};
    if (!text.empty()) {
        SetBkMode(dc, TRANSPARENT);
        if (enabled) {
            DrawTextA(dc, text.c_str(), -1, &r, format);
        } else {
            COLORREF old = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            RECT shifted = r;
            OffsetRect(&shifted, 1, 1);
            DrawTextA(dc, text.c_str(), -1, &shifted, format);
            SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
            DrawTextA(dc, text.c_str(), -1, &r, format);
            SetTextColor(dc, old);
        }
    }
    return RECT{left, top, left + width, top + height};
}

void FocusFrame(HDC dc, const RECT& rect) {
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &rect);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

UINT HorzAlign(DWORD style, UINT fallback) {
    switch (style & BS_CENTER) {
    case BS_LEFT:
        return DT_LEFT;
    case BS_RIGHT:
        return DT_RIGHT;
    case BS_CENTER:
        return DT_CENTER;
    default:
        return fallback;
    }
}

UINT VertAlign(DWORD style) {
    switch (style & BS_VCENTER) {
    case BS_TOP:
        return DT_TOP;
    case BS_BOTTOM:
        return DT_BOTTOM;
    default:
        return DT_VCENTER;
    }
}

// What painting needs, copied before anything is sent to the parent.
struct TPaintInfo {
    HWND Window = nullptr;
    DWORD Style = 0;
    DWORD Type = 0;
    UINT Check = 0;
    bool Pushed = false;
    bool Focused = false;
    bool Default = false;
    bool Enabled = true;
    String Text;
    RECT Client{};
};

void PaintPushButton(HDC dc, const TPaintInfo& p) {
    HBRUSH brush = ControlColor(p.Window, dc, WM_CTLCOLORBTN);
    if (brush) FillRect(dc, &p.Client, brush);
    bool latched = (p.Style & BS_PUSHLIKE) && p.Check != BST_UNCHECKED;
    RECT face = p.Client;
    UINT state = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (p.Style & BS_FLAT) state |= DFCS_FLAT;
    if (p.Pushed)
        state |= DFCS_PUSHED;
    else if (latched)
        state |= DFCS_CHECKED;
    // The default button is ringed in the window-frame colour; a pressed one shows it in its
    // pressed frame already.
    if (p.Default && !p.Pushed) {
        FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&face, -1, -1);
    }
    DrawFrameControl(dc, &face, DFC_BUTTON, state);
    RECT text = face;
    InflateRect(&text, -2, -1);
    if (p.Pushed || latched) OffsetRect(&text, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawLabel(dc, p.Text, text, HorzAlign(p.Style, DT_CENTER), VertAlign(p.Style), p.Style & BS_MULTILINE,
              p.Enabled);
    if (p.Focused) {
        RECT focus = face;
        InflateRect(&focus, -1, -1);
        FocusFrame(dc, focus);
    }
}

void PaintCheckBox(HDC dc, const TPaintInfo& p) {
    HBRUSH brush = ControlColor(p.Window, dc, WM_CTLCOLORSTATIC);
    if (brush) FillRect(dc, &p.Client, brush);
    const RECT& c = p.Client;
    bool boxRight = p.Style & BS_LEFTTEXT;
    UINT vAlign = VertAlign(p.Style);
    RECT box;
    box.left = boxRight ? c.right - BoxSize : c.left;
    box.top = vAlign == DT_TOP      ? c.top
              : vAlign == DT_BOTTOM ? c.bottom - BoxSize
                                    : c.top + (c.bottom - c.top - BoxSize) / 2;
    box.right = box.left + BoxSize;
    box.bottom = box.top + BoxSize;
    UINT state = IsRadio(p.Type)                                          ? DFCS_BUTTONRADIO
                 : (IsThreeState(p.Type) && p.Check == BST_INDETERMINATE) ? DFCS_BUTTON3STATE
                                                                          : DFCS_BUTTONCHECK;
    if (p.Check != BST_UNCHECKED) state |= DFCS_CHECKED;
    if (p.Pushed) state |= DFCS_PUSHED;
    if (!p.Enabled) state |= DFCS_INACTIVE;
    if (p.Style & BS_FLAT) state |= DFCS_FLAT;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);

    RECT area = c;
    if (boxRight)
        area.right = box.left - BoxGap;
    else
        area.left = box.right + BoxGap;
    RECT text =
        DrawLabel(dc, p.Text, area, HorzAlign(p.Style, DT_LEFT), vAlign, p.Style & BS_MULTILINE, p.Enabled);
    if (p.Focused) {
        RECT focus = text;
        if (p.Text.empty()) focus = area;
        InflateRect(&focus, 1, 1);
        RECT clipped;
        if (IntersectRect(&clipped, &focus, &c)) FocusFrame(dc, clipped);
    }
}

void PaintGroupBox(HDC dc, const TPaintInfo& p) {
    HBRUSH brush = ControlColor(p.Window, dc, WM_CTLCOLORSTATIC);
    const RECT& c = p.Client;
    RECT measure{0, 0, 0x7FFF, 0x7FFF};
    DrawTextA(dc, p.Text.empty() ? " " : p.Text.c_str(), -1, &measure, DT_SINGLELINE | DT_CALCRECT);
    int textHeight = measure.bottom - measure.top;
    int textWidth = p.Text.empty() ? 0 : measure.right - measure.left;
    // The band of the caption is cleared so that a shorter caption leaves nothing behind; the
    // inside stays the parent's, with the controls the box groups.
    RECT band{c.left, c.top, c.right, std::min<LONG>(c.bottom, c.top + textHeight)};
    if (brush) FillRect(dc, &band, brush);
    RECT frame{c.left, c.top + textHeight / 2, c.right, c.bottom};
    if (p.Style & BS_FLAT) {
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_3DSHADOW));
    } else {
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    }
    if (p.Text.empty()) return;
    constexpr int indent = 8, padding = 2;
    int width = std::min<int>(textWidth, std::max<int>(0, c.right - c.left - 2 * indent));
    int left = c.left + indent;
    UINT hAlign = HorzAlign(p.Style, DT_LEFT);
    if (hAlign == DT_RIGHT)
        left = c.right - indent - width;
    else if (hAlign == DT_CENTER)
        left = c.left + (c.right - c.left - width) / 2;
    RECT back{left - padding, c.top, left + width + padding, c.top + textHeight};
    if (brush) FillRect(dc, &back, brush);
    RECT text{left, c.top, left + width, c.top + textHeight};
    DrawLabel(dc, p.Text, text, DT_LEFT, DT_TOP, false, p.Enabled);
}

void PaintOwnerDraw(HDC dc, const TPaintInfo& p, UINT action) {
    ControlColor(p.Window, dc, WM_CTLCOLORBTN);
    HWND parent = GetParent(p.Window);
    if (!parent || !IsWindow(p.Window)) return;
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_BUTTON;
    item.CtlID = UINT(GetWindowLongPtrA(p.Window, GWL_ID));
    item.itemID = 0;
    item.itemAction = action;
    item.itemState = (p.Pushed ? ODS_SELECTED : 0) | (p.Focused ? ODS_FOCUS : 0) |
                     (p.Enabled ? 0 : ODS_DISABLED) | (p.Default ? ODS_DEFAULT : 0);
    item.hwndItem = p.Window;
    item.hDC = dc;
    item.rcItem = p.Client;
    SendMessageA(parent, WM_DRAWITEM, WPARAM(item.CtlID), LPARAM(&item));
}

void Paint(HWND window, HDC dc, UINT action) {
    TButtonState* s = StateOf(window);
    if (!s || !dc) return;
    TPaintInfo p;
    p.Window = window;
    p.Style = StyleOf(window);
    p.Type = p.Style & BS_TYPEMASK;
    p.Check = s->Check;
    p.Pushed = s->Pushed;
    p.Focused = s->Focused;
    p.Default = p.Type == BS_DEFPUSHBUTTON || (p.Type == BS_OWNERDRAW && s->OwnerDrawDefault);
    p.Enabled = IsWindowShownEnabled(window);
    p.Text = TextOf(window);
    GetClientRect(window, &p.Client);
    HFONT font = s->Font ? s->Font : reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT));

    int saved = SaveDC(dc);
    SelectObject(dc, font);
    if (p.Type == BS_OWNERDRAW)
        PaintOwnerDraw(dc, p, action);
    else if (p.Type == BS_GROUPBOX)
        PaintGroupBox(dc, p);
    else if (IsPushKind(p.Type) || (p.Style & BS_PUSHLIKE))
        PaintPushButton(dc, p);
    else
        PaintCheckBox(dc, p);
    RestoreDC(dc, saved);
}

// A change of state shows at once, as the button draws itself whenever it changes.
void Repaint(HWND window, UINT action) {
    if (!IsWindowVisible(window)) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    Paint(window, dc, action);
    ReleaseDC(window, dc);
}

void SetPushed(HWND window, bool pushed) {
    TButtonState* s = StateOf(window);
    if (!s || s->Pushed == pushed) return;
    s->Pushed = pushed;
    Repaint(window, ODA_SELECT);
}

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The auto radio buttons of the window's group (its siblings from the last WS_GROUP before it up
// to the next one) other than the window itself.
std::vector<HWND> GroupRadios(HWND window) {
    std::vector<HWND> result;
    HWND parent = GetParent(window);
    if (!parent) return result;
    std::vector<HWND> siblings;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        siblings.push_back(h);
    auto self = std::find(siblings.begin(), siblings.end(), window);
    if (self == siblings.end()) return result;
    auto start = self;
    while (start != siblings.begin() && !(StyleOf(*start) & WS_GROUP))
        --start;
    for (auto it = start; it != siblings.end(); ++it) {
        if (it != start && (StyleOf(*it) & WS_GROUP)) break;
        if (*it == window) continue;
        // A button of ours, also under a class of its own that borrows our procedure.
        bool button = GetClassLongA(*it, GCL_WNDPROC) == ULONG_PTR(&ButtonProc);
        if (button && TypeOf(*it) == BS_AUTORADIOBUTTON) result.push_back(*it);
    }
    return result;
}

// The click itself: the automatic kinds change their check state, then the parent hears of it.
void Click(HWND window) {
    TButtonState* s = StateOf(window);
    if (!s) return;
    switch (TypeOf(window)) {
    case BS_AUTOCHECKBOX:
        SendMessageA(window, BM_SETCHECK, s->Check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case BS_AUTO3STATE:
        // Unchecked, checked, indeterminate, and round again.
        SendMessageA(window, BM_SETCHECK, (s->Check + 1) % 3, 0);
        break;
    case BS_AUTORADIOBUTTON:
        SendMessageA(window, BM_SETCHECK, BST_CHECKED, 0);
        for (HWND other : GroupRadios(window))
            SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
        break;
    default:
        break;
    }
    if (IsWindow(window)) Notify(window, BN_CLICKED);
}

LRESULT DlgCode(DWORD type) {
    switch (type) {
    case BS_DEFPUSHBUTTON:
        return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_PUSHBUTTON:
    case BS_USERBUTTON:
    case BS_PUSHBOX:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return DLGC_RADIOBUTTON;
    case BS_GROUPBOX:
        return DLGC_STATIC;
    default:
        return DLGC_BUTTON;
    }
}

void ButtonDown(HWND window) {
    if (GetFocus() != window) SetFocus(window);
    if (!StateOf(window)) return;
    SetCapture(window);
    TButtonState* s = StateOf(window);
    if (!s) return;
    s->MouseDown = true;
    SetPushed(window, true);
}

void ButtonUp(HWND window, POINT point) {
    TButtonState* s = StateOf(window);
    if (!s || !s->MouseDown) return;
    s->MouseDown = false;
    RECT client;
    GetClientRect(window, &client);
    bool inside = PtInRect(&client, point);
    if (GetCapture() == window) ReleaseCapture();
    SetPushed(window, false);
    if (inside && IsWindow(window)) Click(window);
}

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        if (!GetWindowLongPtrA(window, 0)) SetWindowLongPtrA(window, 0, LONG_PTR(new TButtonState));
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_NCDESTROY: {
        delete reinterpret_cast<TButtonState*>(GetWindowLongPtrA(window, 0));
        SetWindowLongPtrA(window, 0, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    default:
        break;
    }

    TButtonState* s = StateOf(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    const DWORD type = TypeOf(window);

    switch (message) {
    case WM_GETDLGCODE:
        return DlgCode(type);
    case WM_NCHITTEST:
        // A group box lets the mouse through to whatever lies below it.
        if (type == BS_GROUPBOX) return HTTRANSPARENT;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETCURSOR:
        if (DefWindowProcA(window, message, wParam, lParam)) return TRUE;
        if (SHORT(LOWORD(std::uintptr_t(lParam))) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        return FALSE;
    case WM_ERASEBKGND:
        return 1; // painting covers what needs covering
    case WM_PAINT:
        if (wParam) {
            Paint(window, reinterpret_cast<HDC>(wParam), ODA_DRAWENTIRE);
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            Paint(window, dc, ODA_DRAWENTIRE);
            EndPaint(window, &ps);
        }
        return 0;
    case WM_PRINTCLIENT:
        Paint(window, reinterpret_cast<HDC>(wParam), ODA_DRAWENTIRE);
        return 0;
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_SETFONT:
        s->Font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(std::uintptr_t(lParam))) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return LRESULT(s->Font);
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_SYSCOLORCHANGE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;

    case WM_SETFOCUS:
        s->Focused = true;
        Repaint(window, ODA_FOCUS);
        if (StyleOf(window) & BS_NOTIFY) Notify(window, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS: {
        s->Focused = false;
        bool wasSpace = s->SpaceDown;
        s->SpaceDown = false;
        Repaint(window, ODA_FOCUS);
        if (wasSpace) SetPushed(window, false);
        s = StateOf(window);
        if (s && s->MouseDown && GetCapture() == window) ReleaseCapture();
        if (IsWindow(window) && (StyleOf(window) & BS_NOTIFY)) Notify(window, BN_KILLFOCUS);
        return 0;
    }

    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX) return 0;
        // Radio and owner-drawn buttons (and any with BS_NOTIFY) report a double click; the
        // others take it as another press.
        if (IsRadio(type) || type == BS_OWNERDRAW || (StyleOf(window) & BS_NOTIFY)) {
            Notify(window, BN_DBLCLK);
            return 0;
        }
        ButtonDown(window);
        return 0;
    case WM_LBUTTONDOWN:
        if (type == BS_GROUPBOX) return 0;
        ButtonDown(window);
        return 0;
    case WM_MOUSEMOVE:
        if (s->MouseDown && GetCapture() == window) {
            RECT client;
            GetClientRect(window, &client);
            SetPushed(window, PtInRect(&client, MakePointFromLParam(lParam)));
        }
        return 0;
    case WM_LBUTTONUP:
        ButtonUp(window, MakePointFromLParam(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        // Losing the capture in the middle of a press (to another window, or released by
        // somebody else) ends the press without a click.
        if (s->MouseDown && HWND(lParam) != window) {
            s->MouseDown = false;
            SetPushed(window, false);
        }
        return 0;

    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_SPACE) && type != BS_GROUPBOX) {
            if ((lParam & 0x40000000) || s->SpaceDown || s->MouseDown) return 0; // repeats
            s->SpaceDown = true;
            SetPushed(window, true);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_KEYUP:
        if (wParam == WPARAM(VK_SPACE) && s->SpaceDown) {
            s->SpaceDown = false;
            bool pushed = s->Pushed;
            SetPushed(window, false);
            if (pushed && IsWindow(window)) Click(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);

    case BM_GETCHECK:
        return IsCheckKind(type) ? LRESULT(s->Check) : BST_UNCHECKED;
    case BM_SETCHECK: {
        if (!IsCheckKind(type)) return 0;
        UINT check = wParam == BST_UNCHECKED                               ? BST_UNCHECKED
                     : (wParam == BST_INDETERMINATE && IsThreeState(type)) ? BST_INDETERMINATE
                                                                           : BST_CHECKED;
        if (IsRadio(type)) {
            // A checked radio button is the one Tab stops at in its group.
            DWORD style = StyleOf(window);
            DWORD wanted = check ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
            if (wanted != style) SetWindowLongA(window, GWL_STYLE, LONG_PTR(wanted));
            s = StateOf(window);
            if (!s) return 0;
        }
        if (s->Check != check) {
            s->Check = check;
            Repaint(window, ODA_SELECT);
        }
        return 0;
    }
    case BM_GETSTATE:
        return LRESULT((IsCheckKind(type) ? s->Check : 0) | (s->Pushed ? BST_PUSHED : 0) |
                       (s->Focused ? BST_FOCUS : 0));
    case BM_SETSTATE:
        if (type == BS_GROUPBOX) return 0;
        SetPushed(window, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        DWORD kind = DWORD(wParam) & BS_TYPEMASK;
        if (type == BS_OWNERDRAW) {
            // Owner drawing stays; only the default look changes.
            s->OwnerDrawDefault = kind == BS_DEFPUSHBUTTON;
        } else {
            DWORD style = StyleOf(window);
            DWORD wanted = (style & ~BS_TYPEMASK) | kind;
            if (wanted != style) SetWindowLongA(window, GWL_STYLE, LONG_PTR(wanted));
        }
        if (lParam) InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (type == BS_GROUPBOX || !IsWindowEnabled(window)) return 0;
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageA(window, WM_LBUTTONUP, 0, 0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterButtonClass() {
    WNDCLASSA wc;
    if (GetClassInfoA(nullptr, WC_BUTTONA, &wc)) return true;
    wc = WNDCLASSA{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = ButtonProc;
    wc.cbWndExtra = int(sizeof(TButtonState*));
    wc.lpszClassName = WC_BUTTONA;
    return RegisterClassA(&wc) != 0;
}

// Registered as the program starts, so that every thread finds the class by name.
[[maybe_unused]] const bool ButtonClassRegistered = RegisterButtonClass();

} // namespace

void WinRegisterButtonClasses() {
    RegisterButtonClass();
    WinRegisterStaticClass();
}
