#include "platform/winapi/SysColors.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinBackendInterface.h"

namespace {

// The classic (non-styled) scheme the program expects, 0x00BBGGRR.
constexpr std::array<COLORREF, GdiSysColorCount> ClassicColors = {
    0x00C8D0D4, // COLOR_SCROLLBAR
    0x00A56E3A, // COLOR_BACKGROUND
    0x006A240A, // COLOR_ACTIVECAPTION
    0x00808080, // COLOR_INACTIVECAPTION
    0x00C8D0D4, // COLOR_MENU
    0x00FFFFFF, // COLOR_WINDOW
    0x00000000, // COLOR_WINDOWFRAME
    0x00000000, // COLOR_MENUTEXT
    0x00000000, // COLOR_WINDOWTEXT
    0x00FFFFFF, // COLOR_CAPTIONTEXT
    0x00C8D0D4, // COLOR_ACTIVEBORDER
    0x00C8D0D4, // COLOR_INACTIVEBORDER
    0x00808080, // COLOR_APPWORKSPACE
    0x006A240A, // COLOR_HIGHLIGHT
    0x00FFFFFF, // COLOR_HIGHLIGHTTEXT
    0x00C8D0D4, // COLOR_BTNFACE
    0x00808080, // COLOR_BTNSHADOW
    0x00808080, // COLOR_GRAYTEXT
    0x00000000, // COLOR_BTNTEXT
    0x00C8D0D4, // COLOR_INACTIVECAPTIONTEXT
    0x00FFFFFF, // COLOR_BTNHIGHLIGHT
    0x00404040, // COLOR_3DDKSHADOW
    0x00C8D0D4, // COLOR_3DLIGHT
    0x00000000, // COLOR_INFOTEXT
    0x00E1FFFF, // COLOR_INFOBK
    0x00B5B5B5, // 25, not named
    0x00800000, // COLOR_HOTLIGHT
    0x00F0CAA6, // COLOR_GRADIENTACTIVECAPTION
    0x00C0C0C0, // COLOR_GRADIENTINACTIVECAPTION
    0x006A240A, // COLOR_MENUHILIGHT
    0x00C8D0D4, // COLOR_MENUBAR
};

// Read while drawing, possibly from more than one thread; entries are independent.
struct ColorTable {
    std::array<std::atomic<COLORREF>, GdiSysColorCount> Entries;
    ColorTable() {
        for (int i = 0; i < GdiSysColorCount; ++i)
            Entries[i].store(ClassicColors[i]);
    }
};

std::array<std::atomic<COLORREF>, GdiSysColorCount>& Table() {
    static ColorTable table;
    return table.Entries;
}

// The brushes of GetSysColorBrush hold the system colour itself (0xFF0000nn), which drawing
// resolves when it paints; GetObject reports the colour of the moment.
class SysColorBrush : public GdiBrush {
public:
    int Describe(int size, void* buffer, bool wide) const override {
        GdiBrush current = *this;
        current.Color = GdiResolveColor(Color);
        return current.Describe(size, buffer, wide);
    }
};

struct Hooks {
    std::mutex Lock;
    std::array<HBRUSH, GdiSysColorCount> Brushes{};
    TSysColorChangeHook ChangeHook = [] { WinNotifySysColorChange(); };
};

Hooks& State() {
    static Hooks hooks;
    return hooks;
}

} // namespace

DWORD GetSysColor(int index) {
    if (index < 0 || index >= GdiSysColorCount) return 0;
    return Table()[index].load();
}

BOOL SetSysColors(int count, const INT* elements, const COLORREF* values) {
    if (count < 0 || (count > 0 && (!elements || !values))) return FALSE;
    for (int i = 0; i < count; ++i)
        if (elements[i] < 0 || elements[i] >= GdiSysColorCount) return FALSE;
    for (int i = 0; i < count; ++i)
        Table()[elements[i]].store(values[i] & 0x00FFFFFF);
    TSysColorChangeHook hook;
    {
        std::lock_guard<std::mutex> lock(State().Lock);
        hook = State().ChangeHook;
    }
    if (count > 0 && hook) hook();
    return TRUE;
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= GdiSysColorCount) return nullptr;
    std::lock_guard<std::mutex> lock(State().Lock);
    HBRUSH& brush = State().Brushes[index];
    if (!brush) {
        auto object = std::make_shared<SysColorBrush>();
        object->Style = BS_SOLID;
        object->Color = 0xFF000000 | COLORREF(index);
        object->Stock = true;
        brush = static_cast<HBRUSH>(GdiAddObject(object));
    }
    return brush;
}

TSysColorChangeHook SetSysColorChangeHook(TSysColorChangeHook hook) {
    std::lock_guard<std::mutex> lock(State().Lock);
    std::swap(hook, State().ChangeHook);
    return hook;
}
