// Cursor and icon objects behind their handles, the loading of the standard ones, the show
// count and the clip rectangle.
#include "platform/winapi/Cursor.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/runtime/Strings.h"
#include "platform/winapi/CursorShapes.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinError.h"

namespace {

bool IsNumbered(LPCSTR name) { return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0; }

struct Entry {
    std::shared_ptr<const TCursorImage> Image;
    bool Shared = false;
};

struct State {
    std::mutex Lock;
    std::map<std::uintptr_t, Entry> Objects;
    std::map<std::string, std::uintptr_t> Loaded; // "C:" or "I:" + key
    std::uintptr_t Next = 0x7C000;
    int ShowCount = 0;
    std::optional<RECT> Clip;
    TCursorDisplayHook DisplayHook;
};

State& Global() {
    static State state;
    return state;
}

HICON Add(State& s, std::shared_ptr<const TCursorImage> image, bool shared) {
    s.Next += 4;
    s.Objects[s.Next] = Entry{std::move(image), shared};
    return reinterpret_cast<HICON>(s.Next);
}

std::shared_ptr<const TCursorImage> Find(HICON handle) {
    State& s = Global();
    std::lock_guard<std::mutex> lock(s.Lock);
    auto it = s.Objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == s.Objects.end() ? nullptr : it->second.Image;
}

std::string Key(LPCSTR name) {
    if (IsNumbered(name)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    return UpperCase(name);
}

// One shared handle per drawing, made on first use.
HICON LoadShared(const std::string& key, bool icon) {
    State& s = Global();
    std::string cacheKey = (icon ? "I:" : "C:") + key;
    {
        std::lock_guard<std::mutex> lock(s.Lock);
        auto it = s.Loaded.find(cacheKey);
        if (it != s.Loaded.end()) return reinterpret_cast<HICON>(it->second);
    }
    std::shared_ptr<const TCursorImage> image;
    if (icon) {
        if (key.size() > 1 && key[0] == '#') image = IconStandardShape(WORD(std::stoul(key.substr(1))));
    } else {
        image = CursorStandardShape(key);
    }
    if (!image) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(s.Lock);
    auto it = s.Loaded.find(cacheKey);
    if (it != s.Loaded.end()) return reinterpret_cast<HICON>(it->second);
    HICON handle = Add(s, std::move(image), true);
    s.Loaded[cacheKey] = reinterpret_cast<std::uintptr_t>(handle);
    return handle;
}

void NotifyDisplay() {
    TCursorDisplayHook hook;
    {
        std::lock_guard<std::mutex> lock(Global().Lock);
        hook = Global().DisplayHook;
    }
    if (hook) hook();
}

RECT Screen() {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

BOOL Destroy(HICON handle, DWORD error) {
    State& s = Global();
    std::lock_guard<std::mutex> lock(s.Lock);
    auto it = s.Objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == s.Objects.end()) {
        SetLastError(error);
        return FALSE;
    }
    if (!it->second.Shared) s.Objects.erase(it);
    return TRUE;
}

} // namespace

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (!name) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return LoadShared(Key(name), false);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (!name || !IsNumbered(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return LoadShared(Key(name), true);
}

HCURSOR CreateCursor(HINSTANCE instance, int xHotSpot, int yHotSpot, int width, int height,
                     const void* andPlane, const void* xorPlane) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !andPlane || !xorPlane) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto image = std::make_shared<TCursorImage>();
    image->Width = width;
    image->Height = height;
    image->HotSpot = {xHotSpot, yHotSpot};
    image->And.resize(std::size_t(width) * height);
    image->Xor.resize(std::size_t(width) * height);
    const auto* andBits = static_cast<const std::uint8_t*>(andPlane);
    const auto* xorBits = static_cast<const std::uint8_t*>(xorPlane);
    int stride = (width + 15) / 16 * 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int bit = 7 - x % 8;
            std::size_t at = std::size_t(y) * stride + x / 8, i = std::size_t(y) * width + x;
            image->And[i] = (andBits[at] >> bit) & 1;
            image->Xor[i] = ((xorBits[at] >> bit) & 1) ? 0xFFFFFF : 0;
        }
    std::lock_guard<std::mutex> lock(Global().Lock);
    return Add(Global(), std::move(image), false);
}

HICON CreateIconIndirect(const ICONINFO* info) {
    auto mask = info ? GdiFind<GdiBitmap>(info->hbmMask) : nullptr;
    auto color = info && info->hbmColor ? GdiFind<GdiBitmap>(info->hbmColor) : nullptr;
    if (!mask || (info->hbmColor && !color)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Without a colour bitmap the mask holds the AND half over the XOR half.
    int width = mask->Width, height = color ? color->Height : mask->Height / 2;
    if (color) width = color->Width;
    if (width <= 0 || height <= 0 || mask->Width < width || mask->Height < (color ? height : 2 * height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto image = std::make_shared<TCursorImage>();
    image->Width = width;
    image->Height = height;
    image->Icon = info->fIcon != FALSE;
    image->HotSpot =
        image->Icon ? POINT{width / 2, height / 2} : POINT{LONG(info->xHotspot), LONG(info->yHotspot)};
    image->And.resize(std::size_t(width) * height);
    image->Xor.resize(std::size_t(width) * height);
    GdiSurface maskPixels = mask->Surface();
    GdiSurface colorPixels = color ? color->Surface() : GdiSurface{};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::size_t i = std::size_t(y) * width + x;
            image->And[i] = (maskPixels.Row(y)[x] & 0xFFFFFF) != 0;
            image->Xor[i] =
                color ? colorPixels.Row(y)[x] & 0xFFFFFF : maskPixels.Row(y + height)[x] & 0xFFFFFF;
        }
    std::lock_guard<std::mutex> lock(Global().Lock);
    return Add(Global(), std::move(image), false);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    auto image = Find(icon);
    if (!image || !info) {
        SetLastError(image ? ERROR_INVALID_PARAMETER : ERROR_INVALID_ICON_HANDLE);
        return FALSE;
    }
    HBITMAP mask = CreateBitmap(image->Width, image->Height, 1, 1, nullptr);
    HBITMAP color = CreateBitmap(image->Width, image->Height, 1, 32, nullptr);
    auto maskObject = GdiFind<GdiBitmap>(mask);
    auto colorObject = GdiFind<GdiBitmap>(color);
    if (!maskObject || !colorObject) {
        DeleteObject(mask);
        DeleteObject(color);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    GdiSurface m = maskObject->Surface(), c = colorObject->Surface();
    for (int y = 0; y < image->Height; ++y)
        for (int x = 0; x < image->Width; ++x) {
            std::size_t i = std::size_t(y) * image->Width + x;
            m.Row(y)[x] = image->And[i] ? 0xFFFFFF : 0;
            c.Row(y)[x] = image->Xor[i] & 0xFFFFFF;
        }
    info->fIcon = image->Icon;
    info->xHotspot = DWORD(image->HotSpot.x);
    info->yHotspot = DWORD(image->HotSpot.y);
    info->hbmMask = mask;
    info->hbmColor = color;
    return TRUE;
}

HICON CopyIcon(HICON icon) {
    auto image = Find(icon);
    if (!image) {
        SetLastError(ERROR_INVALID_ICON_HANDLE);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(Global().Lock);
    return Add(Global(), image, false);
}

BOOL DestroyIcon(HICON icon) { return Destroy(icon, ERROR_INVALID_ICON_HANDLE); }

BOOL DestroyCursor(HCURSOR cursor) { return Destroy(cursor, ERROR_INVALID_CURSOR_HANDLE); }

int ShowCursor(BOOL show) {
    int count;
    {
        std::lock_guard<std::mutex> lock(Global().Lock);
        count = Global().ShowCount += show ? 1 : -1;
    }
    NotifyDisplay();
    return count;
}

BOOL ClipCursor(const RECT* rect) {
    if (rect) {
        RECT screen = Screen(), clip{};
        RECT r{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
               std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
        if (!IntersectRect(&clip, &r, &screen)) {
            // Nothing of it on the screen: the pointer is held at the nearest point.
            clip.left = std::clamp(r.left, screen.left, screen.right - 1);
            clip.top = std::clamp(r.top, screen.top, screen.bottom - 1);
            clip.right = clip.left + 1;
            clip.bottom = clip.top + 1;
        }
        std::lock_guard<std::mutex> lock(Global().Lock);
        Global().Clip = clip;
    } else {
        std::lock_guard<std::mutex> lock(Global().Lock);
        Global().Clip.reset();
    }
    NotifyDisplay();
    return TRUE;
}

BOOL GetClipCursor(RECT* rect) {
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<RECT> clip;
    {
        std::lock_guard<std::mutex> lock(Global().Lock);
        clip = Global().Clip;
    }
    *rect = clip ? *clip : Screen();
    return TRUE;
}

bool CursorGetImage(HCURSOR cursor, TCursorImage& image) {
    auto found = Find(cursor);
    if (!found) return false;
    image = *found;
    return true;
}

int CursorShowCount() {
    std::lock_guard<std::mutex> lock(Global().Lock);
    return Global().ShowCount;
}

POINT CursorClipPoint(POINT point) {
    std::lock_guard<std::mutex> lock(Global().Lock);
    const std::optional<RECT>& clip = Global().Clip;
    if (!clip) return point;
    return {std::clamp(point.x, clip->left, clip->right - 1),
            std::clamp(point.y, clip->top, clip->bottom - 1)};
}

TCursorDisplayHook SetCursorDisplayHook(TCursorDisplayHook hook) {
    std::lock_guard<std::mutex> lock(Global().Lock);
    std::swap(hook, Global().DisplayHook);
    return hook;
}

void ResetCursorState() {
    std::lock_guard<std::mutex> lock(Global().Lock);
    Global().ShowCount = 0;
    Global().Clip.reset();
}
