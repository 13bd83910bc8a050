// Keyboard and mouse input: what the display hands in becomes queued messages for the window
// under the pointer (or the capture window) and the focus window; the key state, the US keyboard
// layout behind TranslateMessage, MapVirtualKey and VkKeyScan, double clicks and mouse tracking.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinError.h"
#include "platform/winapi/WinInternal.h"

using namespace WinInternal;

namespace {

// ---- The US layout ----------------------------------------------------------------------------

struct TScanEntry {
    int Vk;
    UINT Scan;
};

// Set 1 scan codes of the keys; the keys of the navigation block share the codes of the keypad
// and are told apart by the extended flag.
const TScanEntry ScanTable[] = {
    {VK_ESCAPE, 0x01},
    {'1', 0x02},
    {'2', 0x03},
    {'3', 0x04},
    {'4', 0x05},
    {'5', 0x06},
    {'6', 0x07},
    {'7', 0x08},
    {'8', 0x09},
    {'9', 0x0A},
    {'0', 0x0B},
    {VK_OEM_MINUS, 0x0C},
    {VK_OEM_PLUS, 0x0D},
    {VK_BACK, 0x0E},
    {VK_TAB, 0x0F},
    {'Q', 0x10},
    {'W', 0x11},
    {'E', 0x12},
    {'R', 0x13},
    {'T', 0x14},
    {'Y', 0x15},
    {'U', 0x16},
    {'I', 0x17},
    {'O', 0x18},
    {'P', 0x19},
    {VK_OEM_4, 0x1A},
    {VK_OEM_6, 0x1B},
    {VK_RETURN, 0x1C},
    {VK_CONTROL, 0x1D},
    {VK_LCONTROL, 0x1D},
    {'A', 0x1E},
    {'S', 0x1F},
    {'D', 0x20},
    {'F', 0x21},
    {'G', 0x22},
    {'H', 0x23},
    {'J', 0x24},
    {'K', 0x25},
    {'L', 0x26},
    {VK_OEM_1, 0x27},
    {VK_OEM_7, 0x28},
    {VK_OEM_3, 0x29},
    {VK_SHIFT, 0x2A},
    {VK_LSHIFT, 0x2A},
    {VK_OEM_5, 0x2B},
    {'Z', 0x2C},
    {'X', 0x2D},
    {'C', 0x2E},
    {'V', 0x2F},
    {'B', 0x30},
    {'N', 0x31},
    {'M', 0x32},
    {VK_OEM_COMMA, 0x33},
    {VK_OEM_PERIOD, 0x34},
    {VK_OEM_2, 0x35},
    {VK_RSHIFT, 0x36},
    {VK_MULTIPLY, 0x37},
    {VK_MENU, 0x38},
    {VK_LMENU, 0x38},
    {VK_SPACE, 0x39},
    {VK_CAPITAL, 0x3A},
    {VK_F1, 0x3B},
    {VK_F2, 0x3C},
    {VK_F3, 0x3D},
    {VK_F4, 0x3E},
    {VK_F5, 0x3F},
    {VK_F6, 0x40},
    {VK_F7, 0x41},
    {VK_F8, 0x42},
    {VK_F9, 0x43},
    {VK_F10, 0x44},
    {VK_NUMLOCK, 0x45},
    {VK_SCROLL, 0x46},
    {VK_NUMPAD7, 0x47},
    {VK_NUMPAD8, 0x48},
    {VK_NUMPAD9, 0x49},
    {VK_SUBTRACT, 0x4A},
    {VK_NUMPAD4, 0x4B},
    {VK_NUMPAD5, 0x4C},
    {VK_NUMPAD6, 0x4D},
    {VK_ADD, 0x4E},
    {VK_NUMPAD1, 0x4F},
    {VK_NUMPAD2, 0x50},
    {VK_NUMPAD3, 0x51},
    {VK_NUMPAD0, 0x52},
    {VK_DECIMAL, 0x53},
    {VK_OEM_102, 0x56},
    {VK_F11, 0x57},
    {VK_F12, 0x58},
    {VK_F13, 0x64},
    {VK_F14, 0x65},
    {VK_F15, 0x66},
    {VK_F16, 0x67},
    {VK_F17, 0x68},
    {VK_F18, 0x69},
    {VK_F19, 0x6A},
    {VK_F20, 0x6B},
    {VK_F21, 0x6C},
    {VK_F22, 0x6D},
    {VK_F23, 0x6E},
    {VK_F24, 0x76},
    // The extended keys (their scan codes come with the extended flag).
    {VK_HOME, 0x47},
    {VK_UP, 0x48},
    {VK_PRIOR, 0x49},
    {VK_LEFT, 0x4B},
    {VK_CLEAR, 0x4C},
    {VK_RIGHT, 0x4D},
    {VK_END, 0x4F},
    {VK_DOWN, 0x50},
    {VK_NEXT, 0x51},
    {VK_INSERT, 0x52},
    {VK_DELETE, 0x53},
    {VK_DIVIDE, 0x35},
    {VK_RCONTROL, 0x1D},
    {VK_RMENU, 0x38},
    {VK_LWIN, 0x5B},
    {VK_RWIN, 0x5C},
    {VK_APPS, 0x5D},
    {VK_SNAPSHOT, 0x37},
    {VK_PAUSE, 0x45},
};

// Keys whose messages carry the extended flag.
bool IsExtendedKey(int vk) {
    switch (vk) {
    case VK_HOME:
    case VK_UP:
    case VK_PRIOR:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_END:
    case VK_DOWN:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_SNAPSHOT:
        return true;
    default:
        return false;
    }
}

UINT VkToScan(int vk) {
    for (const auto& e : ScanTable)
        if (e.Vk == vk) return e.Scan;
    return 0;
}

struct TOemChars {
    int Vk;
    char32_t Plain;
    char32_t Shifted;
};

const TOemChars OemTable[] = {
    {VK_OEM_1, U';', U':'},     {VK_OEM_PLUS, U'=', U'+'},   {VK_OEM_COMMA, U',', U'<'},
    {VK_OEM_MINUS, U'-', U'_'}, {VK_OEM_PERIOD, U'.', U'>'}, {VK_OEM_2, U'/', U'?'},
    {VK_OEM_3, U'`', U'~'},     {VK_OEM_4, U'[', U'{'},      {VK_OEM_5, U'\\', U'|'},
    {VK_OEM_6, U']', U'}'},     {VK_OEM_7, U'\'', U'"'},     {VK_OEM_102, U'\\', U'|'},
    {VK_SPACE, U' ', U' '},
};

const char32_t ShiftedDigits[] = U")!@#$%^&*(";

// What a key types with the given key state (bit 7: down, bit 0: toggled).
std::u32string LayoutChars(int vk, const BYTE* state) {
    const bool shift = state[VK_SHIFT] & 0x80;
    const bool ctrl = state[VK_CONTROL] & 0x80;
    const bool alt = state[VK_MENU] & 0x80;
    const bool caps = state[VK_CAPITAL] & 0x01;
    if (ctrl && alt) return {};
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return std::u32string(1, char32_t(vk - 'A' + 1));
        bool upper = shift != caps;
        return std::u32string(1, char32_t(upper ? vk : vk - 'A' + 'a'));
    }
    if (vk >= '0' && vk <= '9') {
        if (ctrl) {
            if (shift && vk == '2') return std::u32string(1, char32_t(0));
            if (shift && vk == '6') return std::u32string(1, char32_t(0x1E));
            return {};
        }
        return std::u32string(1, shift ? ShiftedDigits[vk - '0'] : char32_t(vk));
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return ctrl ? std::u32string() : std::u32string(1, char32_t('0' + vk - VK_NUMPAD0));
    switch (vk) {
    case VK_RETURN:
        return std::u32string(1, ctrl ? U'\n' : U'\r');
    case VK_ESCAPE:
        return std::u32string(1, char32_t(27));
    case VK_BACK:
        return std::u32string(1, ctrl ? char32_t(127) : char32_t(8));
    case VK_TAB:
        return ctrl ? std::u32string() : std::u32string(1, U'\t');
    case VK_CANCEL:
        return ctrl ? std::u32string(1, char32_t(3)) : std::u32string();
    case VK_MULTIPLY:
        return ctrl ? std::u32string() : U"*";
    case VK_ADD:
        return ctrl ? std::u32string() : U"+";
    case VK_SUBTRACT:
        return ctrl ? std::u32string() : U"-";
    case VK_DECIMAL:
        return ctrl ? std::u32string() : U".";
    case VK_DIVIDE:
        return ctrl ? std::u32string() : U"/";
    default:
        break;
    }
    for (const auto& e : OemTable) {
        if (e.Vk != vk) continue;
        if (ctrl) {
            if (vk == VK_SPACE) return U" ";
            if (vk == VK_OEM_4) return std::u32string(1, char32_t(0x1B));
            if (vk == VK_OEM_5 || vk == VK_OEM_102) return std::u32string(1, char32_t(0x1C));
            if (vk == VK_OEM_6) return std::u32string(1, char32_t(0x1D));
            if (vk == VK_OEM_MINUS && shift) return std::u32string(1, char32_t(0x1F));
            return {};
        }
        return std::u32string(1, shift ? e.Shifted : e.Plain);
    }
    return {};
}

// ---- State ------------------------------------------------------------------------------------

// Text the display typed with a key where the layout would type something else, by the key
// message's lPrivate.
std::map<std::uint32_t, std::u32string>& TextOverrides() {
    static auto* map = new std::map<std::uint32_t, std::u32string>;
    return *map;
}

void RememberText(std::uint32_t id, const std::u32string& text) {
    auto& map = TextOverrides();
    map[id] = text;
    while (map.size() > 256)
        map.erase(map.begin());
}

int GenericVk(int vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
        return VK_MENU;
    default:
        return vk;
    }
}

// The left or right variant of a modifier key.
int SidedVk(int generic, bool right) {
    switch (generic) {
    case VK_SHIFT:
        return right ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL:
        return right ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU:
        return right ? VK_RMENU : VK_LMENU;
    default:
        return 0;
    }
}

void SetKey(BYTE* keys, int vk, bool down) {
    bool was = keys[vk] & 0x80;
    if (down) {
        keys[vk] |= 0x80;
        if (!was) keys[vk] ^= 0x01;
    } else {
        keys[vk] &= ~0x80;
    }
}

WPARAM MouseKeyFlags(const BYTE* keys) {
    WPARAM flags = 0;
    if (keys[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
    if (keys[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
    if (keys[VK_MBUTTON] & 0x80) flags |= MK_MBUTTON;
    if (keys[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
    if (keys[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
    return flags;
}

int ButtonVk(TWinMouseButton b) {
    switch (b) {
    case TWinMouseButton::Left:
        return VK_LBUTTON;
    case TWinMouseButton::Right:
        return VK_RBUTTON;
    default:
        return VK_MBUTTON;
    }
}

UINT ButtonMessage(TWinMouseButton b, bool down, bool client) {
    UINT base = b == TWinMouseButton::Left    ? WM_LBUTTONDOWN
                : b == TWinMouseButton::Right ? WM_RBUTTONDOWN
                                              : WM_MBUTTONDOWN;
    UINT m = down ? base : base + 1;
    return client ? m : m - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN;
}

bool IsDownMessage(UINT m) {
    switch (m) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

// Ends mouse tracking when the pointer is no longer where the tracking window asked about.
void UpdateTracking(HWND under, LRESULT hit) {
    HWND leave = nullptr;
    UINT message = 0;
    {
        TLock lock(StateMutex());
        TInputState& in = Input();
        in.MouseWindow = under;
        in.MouseHit = hit;
        if (!in.TrackWindow || !(in.TrackFlags & TME_LEAVE)) return;
        bool nonClient = (in.TrackFlags & TME_NONCLIENT) != 0;
        bool inside = under == in.TrackWindow && (nonClient ? hit != HTCLIENT : hit == HTCLIENT);
        if (inside) return;
        leave = in.TrackWindow;
        message = nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE;
        in.TrackWindow = nullptr;
        in.TrackFlags = 0;
    }
    PostMessageA(leave, message, 0, 0);
}

void MouseInput(POINT screen, bool move, TWinMouseButton button, bool down) {
    // A pointer confined by ClipCursor is seen inside its rectangle.
    screen = CursorClipPoint(screen);
    DWORD now = GetTickCount();
    HWND capture = nullptr;
    {
        TLock lock(StateMutex());
        TInputState& in = Input();
        in.Cursor = screen;
        if (!move) {
            int vk = ButtonVk(button);
            SetKey(in.AsyncKeys, vk, down);
            if (down) in.AsyncPressed[vk] = 1;
        }
        if (Find(in.Capture)) capture = in.Capture;
    }
    LRESULT hit = HTNOWHERE;
    bool disabled = false;
    HWND under = HitTest(screen, hit, disabled);
    UpdateTracking(disabled ? nullptr : under, hit);
    HWND target = capture ? capture : under;
    if (!target) return;
    if (!capture) {
        if (disabled || hit == HTERROR) {
            // A click on a window that a modal one disabled goes nowhere; the cursor is told.
            if (under && !move)
                SendMessageA(under, WM_SETCURSOR, WPARAM(under),
                             MAKELPARAM(WORD(HTERROR), WORD(ButtonMessage(button, down, true))));
            return;
        }
        if (hit == HTNOWHERE) return;
    }
    const bool client = capture || hit == HTCLIENT;
    TLock lock(StateMutex());
    TWnd* w = Find(target);
    if (!w) return;
    TInputState& in = Input();
    MSG m;
    m.time = now;
    m.pt = screen;
    if (move) {
        m.message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
    } else {
        m.message = ButtonMessage(button, down, client);
        if (down) {
            int cx = GetSystemMetrics(SM_CXDOUBLECLK), cy = GetSystemMetrics(SM_CYDOUBLECLK);
            bool candidate = in.ClickWindow == target && in.ClickMessage == m.message && !in.ClickWasDouble &&
                             now - in.ClickTime <= in.DoubleClickTime &&
                             std::abs(screen.x - in.ClickPos.x) <= cx / 2 &&
                             std::abs(screen.y - in.ClickPos.y) <= cy / 2;
            // Only classes that ask for it get double clicks in their client area.
            bool allowed = !client || (w->Class && (w->Class->Style & CS_DBLCLKS));
            in.ClickWindow = target;
            in.ClickMessage = m.message;
            in.ClickTime = now;
            in.ClickPos = screen;
            in.ClickWasDouble = candidate && allowed;
            if (in.ClickWasDouble) m.message += 2;
        }
    }
    if (client) {
        POINT origin = ClientOrigin(w);
        m.wParam = MouseKeyFlags(in.AsyncKeys);
        m.lParam = PointToLParam(POINT{screen.x - origin.x, screen.y - origin.y});
    } else {
        m.wParam = WPARAM(hit);
        m.lParam = PointToLParam(screen);
    }
    QueueInput(w, m, client ? HTCLIENT : hit);
}

} // namespace

// ================================================================================================

namespace WinInternal {

TInputState& Input() {
    static auto* state = new TInputState;
    return *state;
}

void SyncKeyState(TQueue* queue, const TQueuedInput& input) {
    const MSG& m = input.Msg;
    BYTE* keys = queue->KeyState;
    switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
        int vk = int(m.wParam & 0xFF);
        SetKey(keys, vk, down);
        bool right = (HIWORD(std::uintptr_t(m.lParam)) & KF_EXTENDED) != 0;
        if (vk == VK_SHIFT) right = ((m.lParam >> 16) & 0xFF) == 0x36;
        if (int sided = SidedVk(vk, right)) SetKey(keys, sided, down);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        SetKey(keys, VK_LBUTTON, true);
        break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        SetKey(keys, VK_LBUTTON, false);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
        SetKey(keys, VK_RBUTTON, true);
        break;
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP:
        SetKey(keys, VK_RBUTTON, false);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
        SetKey(keys, VK_MBUTTON, true);
        break;
    case WM_MBUTTONUP:
    case WM_NCMBUTTONUP:
        SetKey(keys, VK_MBUTTON, false);
        break;
    default:
        break;
    }
}

bool PrepareMouseMessage(const TQueuedInput& input) {
    const MSG& m = input.Msg;
    HWND top = nullptr;
    bool ask = false, activate = false, captured = false;
    {
        TLock lock(StateMutex());
        TWnd* w = Find(m.hwnd);
        if (!w) return false;
        captured = Input().Capture == m.hwnd;
        // A press on anything but the active window itself (a window of another top-level window,
        // or a child of the active one) asks the window whether to activate and whether to keep
        // the click; DefWindowProc asks the parents first.
        if (IsDownMessage(m.message) && !captured && m.hwnd != Input().Active) {
            TWnd* t = TopLevelOf(w);
            if (t && t->Parent == Desktop()) {
                ask = true;
                top = t->Handle;
                activate = t->Handle != Input().Active && !(t->ExStyle & WS_EX_NOACTIVATE) &&
                           !(t->Style & WS_DISABLED);
            }
        }
    }
    if (ask) {
        LRESULT r = SendMessageA(m.hwnd, WM_MOUSEACTIVATE, WPARAM(top),
                                 MAKELPARAM(WORD(input.HitTest), WORD(m.message)));
        if (activate && (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0)) ClickActivate(top);
        if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
    }
    if (!captured && IsWindow(m.hwnd))
        SendMessageA(m.hwnd, WM_SETCURSOR, WPARAM(m.hwnd), MAKELPARAM(WORD(input.HitTest), WORD(m.message)));
    return IsWindow(m.hwnd);
}

} // namespace WinInternal

// ---- The door -------------------------------------------------------------------------------------

void WinInputMouseMove(POINT screen) { MouseInput(screen, true, TWinMouseButton::Left, false); }

void WinInputMouseButton(POINT screen, TWinMouseButton button, bool down) {
    MouseInput(screen, false, button, down);
}

void WinInputMouseWheel(POINT screen, int delta) {
    TLock lock(StateMutex());
    TInputState& in = Input();
    in.Cursor = screen;
    TWnd* target = Find(in.Focus);
    if (!target) target = Find(in.Active);
    if (!target) return;
    MSG m;
    m.message = WM_MOUSEWHEEL;
    m.wParam = MAKEWPARAM(WORD(MouseKeyFlags(in.AsyncKeys)), WORD(SHORT(delta)));
    m.lParam = PointToLParam(screen);
    m.time = GetTickCount();
    m.pt = screen;
    QueueInput(target, m, HTCLIENT);
}

void WinInputMouseLeft() { UpdateTracking(nullptr, HTNOWHERE); }

void WinInputKey(UINT virtualKey, bool extended, bool down, const std::u32string& text) {
    int vk = int(virtualKey & 0xFF);
    if (vk == 0) return;
    int generic = GenericVk(vk);
    bool right = vk == VK_RSHIFT || vk == VK_RCONTROL || vk == VK_RMENU;
    if (generic == VK_CONTROL || generic == VK_MENU) extended = extended || right;
    if (IsExtendedKey(vk)) extended = true;
    UINT scan = VkToScan(vk);
    if (generic == VK_SHIFT && right) scan = 0x36;

    TLock lock(StateMutex());
    TInputState& in = Input();
    BYTE* keys = in.AsyncKeys;
    bool wasDown = keys[generic] & 0x80;
    SetKey(keys, generic, down);
    if (int sided = SidedVk(generic, right)) SetKey(keys, sided, down);
    if (down) in.AsyncPressed[generic] = 1;

    bool alt = keys[VK_MENU] & 0x80;
    bool ctrl = keys[VK_CONTROL] & 0x80;
    bool sys;
    bool contextAlt;
    if (down) {
        if (generic == VK_MENU && !wasDown) in.AltAlone = true;
        if (generic != VK_MENU) in.AltAlone = false;
        sys = (alt && !ctrl) || generic == VK_F10;
        contextAlt = alt && !ctrl;
    } else if (generic == VK_MENU) {
        // Alt released: a system key when nothing was typed with it.
        sys = in.AltAlone && !ctrl;
        contextAlt = sys;
        in.AltAlone = false;
    } else {
        sys = (alt && !ctrl) || generic == VK_F10;
        contextAlt = alt && !ctrl;
    }

    TWnd* target = Find(in.Focus);
    if (!target) {
        target = Find(in.Active);
        if (!target) return;
        // Without a focus window the active window gets the keys as system keys.
        sys = true;
    }
    MSG m;
    m.message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    m.wParam = WPARAM(generic);
    DWORD lp = 1 | (DWORD(scan & 0xFF) << 16);
    if (extended) lp |= 1u << 24;
    if (contextAlt) lp |= 1u << 29;
    if (!down || wasDown) lp |= 1u << 30;
    if (!down) lp |= 1u << 31;
    m.lParam = LPARAM(lp);
    m.time = GetTickCount();
    m.pt = in.Cursor;
    static std::uint32_t nextId = 0;
    m.lPrivate = 0x40000000u | (++nextId & 0x3FFFFFFFu);
    if (down && !text.empty()) {
        bool printable =
            std::all_of(text.begin(), text.end(), [](char32_t c) { return c >= 0x20 && c != 0x7F; });
        if (printable && LayoutChars(generic, keys) != text) RememberText(m.lPrivate, text);
    }
    QueueInput(target, m, HTCLIENT);
}

void WinInputKeysHeld(bool shift, bool control, bool alt) {
    TLock lock(StateMutex());
    TInputState& in = Input();
    BYTE* queueKeys = CurrentQueue()->KeyState;
    auto isButton = [](int vk) {
        return vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON || vk == VK_XBUTTON1 || vk == VK_XBUTTON2;
    };
    auto held = [&](int generic) {
        return (generic == VK_SHIFT && shift) || (generic == VK_CONTROL && control) || (generic == VK_MENU && alt);
    };
    for (int vk = 1; vk < 256; ++vk) {
        if (isButton(vk) || held(GenericVk(vk))) continue;
        SetKey(in.AsyncKeys, vk, false);
        SetKey(queueKeys, vk, false);
    }
    // A modifier held now whose press we never saw is down, on the left unless the right one is.
    for (int generic : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        if (!held(generic)) continue;
        for (BYTE* keys : {in.AsyncKeys, queueKeys}) {
            if (keys[generic] & 0x80) continue;
            SetKey(keys, generic, true);
            if (!(keys[SidedVk(generic, true)] & 0x80)) SetKey(keys, SidedVk(generic, false), true);
        }
    }
    // An Alt released elsewhere must not open the menu bar when its release comes here.
    in.AltAlone = false;
}

void WinInputText(const std::u32string& text) {
    if (text.empty()) return;
    TLock lock(StateMutex());
    TInputState& in = Input();
    TWnd* target = Find(in.Focus);
    if (!target) return;
    // As an input method delivers it: a key that the method processed, which types the text.
    MSG m;
    m.message = WM_KEYDOWN;
    m.wParam = VK_PROCESSKEY;
    m.lParam = 1;
    m.time = GetTickCount();
    m.pt = in.Cursor;
    static std::uint32_t nextId = 0;
    m.lPrivate = 0x20000000u | (++nextId & 0x1FFFFFFFu);
    RememberText(m.lPrivate, text);
    QueueInput(target, m, HTCLIENT);
}

void WinInputClose(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void WinInputSurfaceGeometry(HWND window, const RECT& contentRect) {
    RECT target{};
    {
        TLock lock(StateMutex());
        TWnd* w = Find(window);
        if (!w || !IsTopLevel(w) || (w->Style & WS_MINIMIZE)) return;
        RECT wr = ScreenWindowRect(w);
        RECT cr = ScreenContentRect(w);
        if (cr.left == contentRect.left && cr.top == contentRect.top && cr.right == contentRect.right &&
            cr.bottom == contentRect.bottom)
            return;
        target.left = contentRect.left - (cr.left - wr.left);
        target.top = contentRect.top - (cr.top - wr.top);
        target.right = contentRect.right + (wr.right - cr.right);
        target.bottom = contentRect.bottom + (wr.bottom - cr.bottom);
    }
    SetWindowPosCore(window, nullptr, target.left, target.top, target.right - target.left,
                     target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE, true);
}

void WinInputSurfaceActivated(HWND window, bool active) {
    HWND current = GetActiveWindow();
    if (active) {
        if (current == window || !IsWindow(window)) return;
        HWND target = window;
        if (!IsWindowEnabled(window)) {
            // A window disabled by a modal one hands the activation to it.
            HWND popup = GetWindow(window, GW_ENABLEDPOPUP);
            if (!popup) return;
            target = popup;
        }
        SetActiveWindow(target);
    } else if (current == window) {
        SetActiveWindow(nullptr);
    }
}

// ---- Key state ----------------------------------------------------------------------------------

SHORT GetKeyState(int virtualKey) {
    TLock lock(StateMutex());
    BYTE v = CurrentQueue()->KeyState[virtualKey & 0xFF];
    return SHORT(((v & 0x80) ? 0x8000 : 0) | (v & 0x01));
}

SHORT GetAsyncKeyState(int virtualKey) {
    TLock lock(StateMutex());
    TInputState& in = Input();
    int vk = virtualKey & 0xFF;
    SHORT result = SHORT(((in.AsyncKeys[vk] & 0x80) ? 0x8000 : 0) | (in.AsyncPressed[vk] ? 1 : 0));
    in.AsyncPressed[vk] = 0;
    return result;
}

BOOL GetKeyboardState(BYTE* keyState) {
    if (!keyState) return FALSE;
    TLock lock(StateMutex());
    std::memcpy(keyState, CurrentQueue()->KeyState, 256);
    return TRUE;
}

BOOL SetKeyboardState(const BYTE* keyState) {
    if (!keyState) return FALSE;
    TLock lock(StateMutex());
    std::memcpy(CurrentQueue()->KeyState, keyState, 256);
    return TRUE;
}

UINT MapVirtualKeyA(UINT code, UINT mapType) {
    switch (mapType) {
    case MAPVK_VK_TO_VSC:
        return VkToScan(int(code & 0xFF));
    case MAPVK_VSC_TO_VK:
    case MAPVK_VSC_TO_VK_EX: {
        UINT scan = code & 0xFF;
        if (scan == 0) return 0;
        if (mapType == MAPVK_VSC_TO_VK_EX) {
            if (scan == 0x2A) return VK_LSHIFT;
            if (scan == 0x36) return VK_RSHIFT;
            if (scan == 0x1D) return VK_LCONTROL;
            if (scan == 0x38) return VK_LMENU;
        } else if (scan == 0x36) {
            return VK_SHIFT;
        }
        // The navigation keys share their codes with the keypad: the navigation meaning wins.
        static const int nav[][2] = {{0x47, VK_HOME},  {0x48, VK_UP},     {0x49, VK_PRIOR}, {0x4B, VK_LEFT},
                                     {0x4C, VK_CLEAR}, {0x4D, VK_RIGHT},  {0x4F, VK_END},   {0x50, VK_DOWN},
                                     {0x51, VK_NEXT},  {0x52, VK_INSERT}, {0x53, VK_DELETE}};
        for (auto& n : nav)
            if (UINT(n[0]) == scan) return UINT(n[1]);
        for (const auto& e : ScanTable) {
            if (e.Scan != scan || IsExtendedKey(e.Vk)) continue;
            if (e.Vk == VK_LSHIFT || e.Vk == VK_LCONTROL || e.Vk == VK_LMENU || e.Vk == VK_RSHIFT) continue;
            return UINT(e.Vk);
        }
        return 0;
    }
    case MAPVK_VK_TO_CHAR: {
        int vk = int(code & 0xFF);
        if (vk >= 'A' && vk <= 'Z') return UINT(vk);
        BYTE state[256] = {};
        std::u32string s = LayoutChars(vk, state);
        return s.empty() ? 0 : UINT(s[0]);
    }
    default:
        return 0;
    }
}

SHORT VkKeyScanA(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') return SHORT(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return SHORT(0x100 | c);
    if (c >= '0' && c <= '9') return SHORT(c);
    if (c >= 1 && c <= 26 && c != 8 && c != 9 && c != 13 && c != 10) return SHORT(0x200 | ('A' + c - 1));
    switch (c) {
    case '\r':
        return VK_RETURN;
    case '\n':
        return SHORT(0x200 | VK_RETURN);
    case '\t':
        return VK_TAB;
    case '\b':
        return VK_BACK;
    case 27:
        return VK_ESCAPE;
    case 127:
        return SHORT(0x200 | VK_BACK);
    default:
        break;
    }
    for (int d = 0; d < 10; ++d)
        if (ShiftedDigits[d] == c) return SHORT(0x100 | ('0' + d));
    for (const auto& e : OemTable) {
        if (e.Vk == VK_OEM_102) continue;
        if (e.Plain == c) return SHORT(e.Vk);
        if (e.Shifted == c) return SHORT(0x100 | e.Vk);
    }
    if (c == 0x1C) return SHORT(0x200 | VK_OEM_5);
    if (c == 0x1D) return SHORT(0x200 | VK_OEM_6);
    if (c == 0x1E) return SHORT(0x300 | '6');
    if (c == 0x1F) return SHORT(0x300 | VK_OEM_MINUS);
    return -1;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    switch (msg->message) {
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        break;
    default:
        return FALSE;
    }
    std::u32string text;
    {
        TLock lock(StateMutex());
        auto& map = TextOverrides();
        auto it = map.find(msg->lPrivate);
        if (msg->lPrivate != 0 && it != map.end()) {
            text = it->second;
            map.erase(it);
        } else {
            text = LayoutChars(int(msg->wParam & 0xFF), CurrentQueue()->KeyState);
        }
    }
    UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    for (char32_t c : text)
        PostMessageA(msg->hwnd, charMessage, WPARAM(c), msg->lParam);
    return TRUE;
}

// ---- Mouse --------------------------------------------------------------------------------------

UINT GetDoubleClickTime() {
    TLock lock(StateMutex());
    return Input().DoubleClickTime;
}

BOOL SetDoubleClickTime(UINT milliseconds) {
    TLock lock(StateMutex());
    Input().DoubleClickTime = milliseconds == 0 ? 500 : milliseconds;
    return TRUE;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool leaveNow = false;
    {
        TLock lock(StateMutex());
        TInputState& in = Input();
        if (track->dwFlags & TME_QUERY) {
            track->dwFlags = in.TrackWindow ? in.TrackFlags : 0;
            track->hwndTrack = in.TrackWindow;
            track->dwHoverTime = 0;
            return TRUE;
        }
        if (!Find(track->hwndTrack)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (track->dwFlags & TME_CANCEL) {
            if (in.TrackWindow == track->hwndTrack) {
                in.TrackFlags &= ~(track->dwFlags & (TME_LEAVE | TME_HOVER));
                if (!(in.TrackFlags & (TME_LEAVE | TME_HOVER))) {
                    in.TrackWindow = nullptr;
                    in.TrackFlags = 0;
                }
            }
            return TRUE;
        }
        bool nonClient = (track->dwFlags & TME_NONCLIENT) != 0;
        bool inside = in.MouseWindow == track->hwndTrack &&
                      (nonClient ? in.MouseHit != HTCLIENT : in.MouseHit == HTCLIENT);
        if ((track->dwFlags & TME_LEAVE) && !inside) {
            leaveNow = true;
        } else {
            in.TrackWindow = track->hwndTrack;
            in.TrackFlags = track->dwFlags & (TME_LEAVE | TME_HOVER | TME_NONCLIENT);
        }
    }
    if (leaveNow)
        PostMessageA(track->hwndTrack, (track->dwFlags & TME_NONCLIENT) ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0,
                     0);
    return TRUE;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    TLock lock(StateMutex());
    *point = Input().Cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    WinInputMouseMove(POINT{x, y});
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
    TLock lock(StateMutex());
    HCURSOR old = Input().Cursor0;
    Input().Cursor0 = cursor;
    if (old != cursor) {
        AfterUnlock([cursor] {
            if (TWinBackend* backend = WinGetBackend()) backend->CursorChanged(cursor);
        });
    }
    return old;
}

HCURSOR GetCursor() {
    TLock lock(StateMutex());
    return Input().Cursor0;
}
