// SystemParametersInfo and MessageBeep over one table of settings.
#include "platform/winapi/SysMetrics.h"

#include <cstring>
#include <mutex>
#include <optional>

#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"

namespace {

struct Settings {
    std::optional<NONCLIENTMETRICSA> NonClient; // set by SPI_SETNONCLIENTMETRICS
    std::optional<RECT> WorkArea;               // set by SPI_SETWORKAREA
    UINT WheelScrollLines = 3;
    BOOL KeyboardCues = FALSE;
    BOOL DragFullWindows = TRUE;
    BOOL FlatMenu = FALSE;
    BOOL MenuAnimation = FALSE;
    DWORD MenuShowDelay = 400;
    BOOL DropShadow = TRUE;
};

struct State {
    std::mutex Lock;
    Settings Values;
    TSettingChangeHook SettingHook = [](UINT action) { WinNotifySettingChange(action, nullptr); };
    TMessageBeepHook BeepHook;
};

State& Global() {
    static State state;
    return state;
}

LOGFONTA SystemFont(LONG weight) {
    LOGFONTA font;
    font.lfHeight = -11; // 8 points at 96 dots per inch
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(font.lfFaceName, "Tahoma", LF_FACESIZE - 1);
    return font;
}

NONCLIENTMETRICSA DefaultNonClientMetrics() {
    NONCLIENTMETRICSA m;
    m.iBorderWidth = GetSystemMetrics(SM_CXFRAME) - 3;
    m.iScrollWidth = 16;
    m.iScrollHeight = 16;
    m.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
    m.iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
    m.lfCaptionFont = SystemFont(FW_BOLD);
    m.iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
    m.iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
    m.lfSmCaptionFont = SystemFont(FW_NORMAL);
    m.iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
    m.iMenuHeight = GetSystemMetrics(SM_CYMENU) - 1;
    m.lfMenuFont = SystemFont(FW_NORMAL);
    m.lfStatusFont = SystemFont(FW_NORMAL);
    m.lfMessageFont = SystemFont(FW_NORMAL);
    return m;
}

RECT DisplayWorkArea() {
    if (TWinBackend* backend = WinGetBackend()) return backend->WorkArea();
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

BOOL Fail() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

template <class T> BOOL Put(void* out, const T& value) {
    if (!out) return Fail();
    *static_cast<T*>(out) = value;
    return TRUE;
}

} // namespace

bool WinSetScrollBarSizes(int& width, int& height) {
    State& s = Global();
    std::lock_guard<std::mutex> lock(s.Lock);
    if (!s.Values.NonClient) return false;
    width = s.Values.NonClient->iScrollWidth;
    height = s.Values.NonClient->iScrollHeight;
    return true;
}

BOOL SystemParametersInfoA(UINT action, UINT uiParam, void* pvParam, UINT winIni) {
    State& s = Global();
    bool changed = false;
    {
        std::unique_lock<std::mutex> lock(s.Lock);
        Settings& v = s.Values;
        switch (action) {
        case SPI_GETNONCLIENTMETRICS: {
            auto* out = static_cast<NONCLIENTMETRICSA*>(pvParam);
            if (!out || out->cbSize != sizeof(NONCLIENTMETRICSA)) return Fail();
            std::optional<NONCLIENTMETRICSA> set = v.NonClient;
            lock.unlock();
            *out = set ? *set : DefaultNonClientMetrics();
            return TRUE;
        }
        case SPI_SETNONCLIENTMETRICS: {
            auto* in = static_cast<const NONCLIENTMETRICSA*>(pvParam);
            if (!in || in->cbSize != sizeof(NONCLIENTMETRICSA)) return Fail();
            v.NonClient = *in;
            changed = true;
            break;
        }
        case SPI_GETICONTITLELOGFONT:
            if (uiParam != sizeof(LOGFONTA)) return Fail();
            return Put(pvParam, SystemFont(FW_NORMAL));
        case SPI_GETWORKAREA: {
            if (!pvParam) return Fail();
            std::optional<RECT> set = v.WorkArea;
            lock.unlock();
            return Put(pvParam, set ? *set : DisplayWorkArea());
        }
        case SPI_SETWORKAREA:
            if (pvParam) {
                const RECT& r = *static_cast<const RECT*>(pvParam);
                if (r.left >= r.right || r.top >= r.bottom) return Fail();
                v.WorkArea = r;
            } else {
                v.WorkArea.reset();
            }
            changed = true;
            break;
        case SPI_GETWHEELSCROLLLINES:
            return Put(pvParam, v.WheelScrollLines);
        case SPI_SETWHEELSCROLLLINES:
            v.WheelScrollLines = uiParam;
            changed = true;
            break;
        case SPI_GETKEYBOARDCUES:
            return Put(pvParam, v.KeyboardCues);
        case SPI_SETKEYBOARDCUES:
            v.KeyboardCues = pvParam != nullptr;
            changed = true;
            break;
        case SPI_GETDRAGFULLWINDOWS:
            return Put(pvParam, v.DragFullWindows);
        case SPI_SETDRAGFULLWINDOWS:
            v.DragFullWindows = uiParam != 0;
            changed = true;
            break;
        case SPI_GETFLATMENU:
            return Put(pvParam, v.FlatMenu);
        case SPI_SETFLATMENU:
            v.FlatMenu = pvParam != nullptr;
            changed = true;
            break;
        case SPI_GETMENUANIMATION:
            return Put(pvParam, v.MenuAnimation);
        case SPI_SETMENUANIMATION:
            v.MenuAnimation = pvParam != nullptr;
            changed = true;
            break;
        case SPI_GETMENUSHOWDELAY:
            return Put(pvParam, v.MenuShowDelay);
        case SPI_SETMENUSHOWDELAY:
            v.MenuShowDelay = uiParam;
            changed = true;
            break;
        case SPI_GETDROPSHADOW:
            return Put(pvParam, v.DropShadow);
        case SPI_SETDROPSHADOW:
            v.DropShadow = pvParam != nullptr;
            changed = true;
            break;
        case SPI_SETDOUBLECLICKTIME:
            lock.unlock();
            SetDoubleClickTime(uiParam);
            changed = true;
            break;
        default:
            return Fail();
        }
    }
    if (changed && (winIni & SPIF_SENDCHANGE)) {
        TSettingChangeHook hook;
        {
            std::lock_guard<std::mutex> lock(s.Lock);
            hook = s.SettingHook;
        }
        if (hook) hook(action);
    }
    return TRUE;
}

TSettingChangeHook SetSettingChangeHook(TSettingChangeHook hook) {
    std::lock_guard<std::mutex> lock(Global().Lock);
    std::swap(hook, Global().SettingHook);
    return hook;
}

void ResetSystemParameters() {
    std::lock_guard<std::mutex> lock(Global().Lock);
    Global().Values = Settings{};
}

BOOL MessageBeep(UINT type) {
    TMessageBeepHook hook;
    {
        std::lock_guard<std::mutex> lock(Global().Lock);
        hook = Global().BeepHook;
    }
    if (hook) hook(type);
    return TRUE;
}

TMessageBeepHook SetMessageBeepHook(TMessageBeepHook hook) {
    std::lock_guard<std::mutex> lock(Global().Lock);
    std::swap(hook, Global().BeepHook);
    return hook;
}
