#include "suite/foundation/ybThemeManager.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <vector>

#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr std::array<const char16_t*, ThemeTypeCount> DefaultClassLists = {
    u"Button",   u"Clock",      u"ComboBox", u"Edit",       u"ExplorerBar", u"Header",
    u"ListView", u"Menu",       u"Page",     u"Progress",   u"Rebar",       u"ScrollBar",
    u"Spin",     u"StartPanel", u"Status",   u"Tab",        u"TaskBand",    u"TaskBar",
    u"ToolBar",  u"ToolTip",    u"TrackBar", u"TrayNotify", u"TreeView",    u"Window",
};

struct TybThemeData {
    HTHEME Theme = nullptr;
    WideString ClassList; // the list Theme was opened with; kept across a theme switch
};

} // namespace

// Owns the hidden window that hears of visual-style switches.
class TybThemeChangedEventReceiver : public TObject {
public:
    TybThemeChangedEventReceiver();
    ~TybThemeChangedEventReceiver() override;
    TybThemeChangedEventReceiver(const TybThemeChangedEventReceiver&) = delete;
    TybThemeChangedEventReceiver& operator=(const TybThemeChangedEventReceiver&) = delete;

private:
    void WndProc(TMessage& message);
    HWND FWindow = nullptr;
};

namespace {

struct TThemeManagerUnit {
    bool Started = false;
    std::array<TybThemeData, ThemeTypeCount> Themes{};
    bool ThemesActive = false;
    // Both exist only while the library is loaded.
    std::unique_ptr<std::vector<TybThemeChangedNotificator*>> Notificators;
    std::unique_ptr<TybThemeChangedEventReceiver> Receiver;
};

// Lives to the end of the process, as the themes it holds may.
TThemeManagerUnit& Unit() {
    static TThemeManagerUnit* unit = new TThemeManagerUnit;
    return *unit;
}

void Start(TThemeManagerUnit& unit) {
    unit.Started = true;
    unit.Themes = {};
    unit.ThemesActive = false;
    if (!UxThemeLibraryPresent()) return;
    unit.ThemesActive = UxIsThemeActive() != FALSE;
    unit.Receiver = std::make_unique<TybThemeChangedEventReceiver>();
    unit.Notificators = std::make_unique<std::vector<TybThemeChangedNotificator*>>();
}

TThemeManagerUnit& Started() {
    TThemeManagerUnit& unit = Unit();
    if (!unit.Started) Start(unit);
    return unit;
}

bool ValidType(TybThemeType type) { return type >= 0 && type < ThemeTypeCount; }

bool SameClassList(const WideString& a, const WideString& b) {
    return AnsiUpperCase(WideToString(a)) == AnsiUpperCase(WideToString(b));
}

void FireThemeChanged(TThemeManagerUnit& unit) {
    if (!unit.Notificators) return;
    // A handler may free notificators or make new ones: those listed now are asked, each only
    // while it still lives.
    const std::vector<TybThemeChangedNotificator*> listed = *unit.Notificators;
    for (TybThemeChangedNotificator* notificator : listed) {
        if (!unit.Notificators) return;
        const auto& live = *unit.Notificators;
        if (std::find(live.begin(), live.end(), notificator) == live.end()) continue;
        if (notificator->OnThemeChanged) notificator->OnThemeChanged();
    }
}

} // namespace

TybThemeChangedEventReceiver::TybThemeChangedEventReceiver() {
    FWindow = AllocateHWnd(MakeEvent(this, &TybThemeChangedEventReceiver::WndProc));
}

TybThemeChangedEventReceiver::~TybThemeChangedEventReceiver() {
    Unit().ThemesActive = false;
    if (FWindow) DeallocateHWnd(FWindow);
}

void TybThemeChangedEventReceiver::WndProc(TMessage& message) {
    if (message.Msg != WM_THEMECHANGED) {
        message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
        return;
    }
    try {
        TThemeManagerUnit& unit = Unit();
        CloseAllThemes();
        message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
        unit.ThemesActive = UxIsThemeActive() != FALSE;
        message.Result = 0;
        FireThemeChanged(unit);
    } catch (...) {
        WinHandleException(std::current_exception());
    }
}

WideString DefaultThemeClassList(TybThemeType type) {
    return ValidType(type) ? WideString(DefaultClassLists[std::size_t(type)]) : WideString();
}

HTHEME OpenThemeForType(TybThemeType type, const char16_t* classList) {
    if (!ValidType(type) || !AreThemesActiveForTypes(0)) return nullptr;
    TybThemeData& data = Started().Themes[std::size_t(type)];
    if (data.Theme) {
        if (!classList || SameClassList(classList, data.ClassList)) return data.Theme;
        CloseThemeForType(type);
    }
    WideString list;
    if (classList)
        list = classList;
    else if (!data.ClassList.empty())
        list = data.ClassList;
    else
        list = DefaultClassLists[std::size_t(type)];
    data.Theme = UxOpenThemeData(nullptr, list.c_str());
    if (data.Theme)
        data.ClassList = list;
    else
        data.ClassList.clear();
    return data.Theme;
}

bool IsThemeActiveForType(TybThemeType type) {
    TThemeManagerUnit& unit = Started();
    return unit.ThemesActive && UxThemeLibraryPresent() && OpenThemeForType(type) != nullptr;
}

bool AreThemesActiveForTypes(Cardinal mask) {
    TThemeManagerUnit& unit = Started();
    if (!unit.ThemesActive || !UxThemeLibraryPresent()) return false;
    for (TybThemeType type = 0; type < ThemeTypeCount; ++type)
        if ((mask & (Cardinal(1) << type)) && !OpenThemeForType(type)) return false;
    return true;
}

void CloseThemeForType(TybThemeType type) {
    if (!ValidType(type)) return;
    TybThemeData& data = Started().Themes[std::size_t(type)];
    if (data.Theme) UxCloseThemeData(data.Theme);
    data.Theme = nullptr;
    data.ClassList.clear();
}

void CloseAllThemes() {
    for (TybThemeData& data : Started().Themes) {
        if (!data.Theme) continue;
        UxCloseThemeData(data.Theme);
        data.Theme = nullptr;
    }
}

void ThemeManagerInitialize() {
    ThemeManagerFinalize();
    Started();
}

void ThemeManagerFinalize() {
    TThemeManagerUnit& unit = Unit();
    if (!unit.Started) return;
    // The receiver and the list exist only with the library loaded, and so do open themes.
    unit.Receiver.reset();
    CloseAllThemes();
    unit.Notificators.reset();
    unit.Themes = {};
    unit.ThemesActive = false;
    unit.Started = false;
}

TybThemeChangedNotificator::TybThemeChangedNotificator() {
    if (auto& list = Started().Notificators) list->push_back(this);
}

TybThemeChangedNotificator::~TybThemeChangedNotificator() {
    TThemeManagerUnit& unit = Unit();
    if (!unit.Notificators) return;
    auto& list = *unit.Notificators;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}
