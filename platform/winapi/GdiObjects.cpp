#include "platform/winapi/GdiObjects.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "platform/winapi/GdiDc.h"

namespace {

// ---- The handle table ----------------------------------------------------------------------
// A handle is (slot + 1) << 8 | generation: never 0, never a small system colour number
// (FillRect takes those), and a freed handle does not name the object that reuses its slot.

struct Slot {
    std::shared_ptr<GdiObject> Object;
    std::uint32_t Generation = 0;
};

struct HandleTable {
    std::mutex Lock;
    std::vector<Slot> Slots;
    std::vector<std::size_t> Free;
};

// Never destroyed: contexts and objects may still be released while the program ends.
HandleTable& Table() {
    static HandleTable* table = new HandleTable;
    return *table;
}

constexpr std::size_t MaxSlots = (std::size_t(1) << 23) - 1;

bool Decode(HGDIOBJ handle, std::size_t& slot, std::uint32_t& generation) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value < 0x100 || value > 0xFFFFFFFFu) return false;
    slot = (value >> 8) - 1;
    generation = value & 0xFF;
    return true;
}

template <class T> int CopyOut(const T& value, int size, void* buffer) {
    if (!buffer) return int(sizeof(T));
    if (size < int(sizeof(T))) return 0;
    std::memcpy(buffer, &value, sizeof(T));
    return int(sizeof(T));
}

std::shared_ptr<GdiBrush> MakeSolidBrush(COLORREF color) {
    auto brush = std::make_shared<GdiBrush>();
    brush->Style = BS_SOLID;
    brush->Color = color;
    return brush;
}

std::shared_ptr<GdiPen> MakePen(int style, int width, COLORREF color) {
    auto pen = std::make_shared<GdiPen>();
    pen->Style = DWORD(style);
    pen->Width = width;
    pen->Color = color;
    return pen;
}

} // namespace

HGDIOBJ GdiAddObject(std::shared_ptr<GdiObject> object) {
    if (!object) return nullptr;
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.Lock);
    std::size_t slot;
    if (!table.Free.empty()) {
        slot = table.Free.back();
        table.Free.pop_back();
    } else {
        if (table.Slots.size() >= MaxSlots) return nullptr;
        slot = table.Slots.size();
        table.Slots.emplace_back();
    }
    Slot& s = table.Slots[slot];
    std::uintptr_t value = (std::uintptr_t(slot + 1) << 8) | (s.Generation & 0xFF);
    object->Handle = reinterpret_cast<HGDIOBJ>(value);
    s.Object = std::move(object);
    return s.Object->Handle;
}

std::shared_ptr<GdiObject> GdiFindObject(HGDIOBJ handle) {
    std::size_t slot;
    std::uint32_t generation;
    if (!Decode(handle, slot, generation)) return nullptr;
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.Lock);
    if (slot >= table.Slots.size()) return nullptr;
    const Slot& s = table.Slots[slot];
    if (!s.Object || (s.Generation & 0xFF) != generation) return nullptr;
    return s.Object;
}

void GdiRemoveObject(HGDIOBJ handle) {
    std::size_t slot;
    std::uint32_t generation;
    if (!Decode(handle, slot, generation)) return;
    std::shared_ptr<GdiObject> dying; // released outside the lock
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.Lock);
    if (slot >= table.Slots.size()) return;
    Slot& s = table.Slots[slot];
    if (!s.Object || (s.Generation & 0xFF) != generation) return;
    dying = std::move(s.Object);
    s.Object.reset();
    ++s.Generation;
    table.Free.push_back(slot);
}

namespace {

struct StockTable {
    std::mutex Lock;
    std::array<std::shared_ptr<GdiObject>, DC_PEN + 1> Objects;
};

// Never destroyed, like the handle table.
StockTable& Stock() {
    static StockTable* table = [] {
        auto* t = new StockTable;
        auto& s = t->Objects;
        s[WHITE_BRUSH] = MakeSolidBrush(RGB(255, 255, 255));
        s[LTGRAY_BRUSH] = MakeSolidBrush(RGB(192, 192, 192));
        s[GRAY_BRUSH] = MakeSolidBrush(RGB(128, 128, 128));
        s[DKGRAY_BRUSH] = MakeSolidBrush(RGB(64, 64, 64));
        s[BLACK_BRUSH] = MakeSolidBrush(RGB(0, 0, 0));
        auto null = std::make_shared<GdiBrush>();
        null->Style = BS_NULL;
        s[NULL_BRUSH] = null;
        s[WHITE_PEN] = MakePen(PS_SOLID, 0, RGB(255, 255, 255));
        s[BLACK_PEN] = MakePen(PS_SOLID, 0, RGB(0, 0, 0));
        s[NULL_PEN] = MakePen(PS_NULL, 0, RGB(0, 0, 0));
        auto dcBrush = MakeSolidBrush(RGB(255, 255, 255));
        dcBrush->DcBrush = true;
        s[DC_BRUSH] = dcBrush;
        auto dcPen = MakePen(PS_SOLID, 0, RGB(0, 0, 0));
        dcPen->DcPen = true;
        s[DC_PEN] = dcPen;
        for (auto& object : s)
            if (object) {
                object->Stock = true;
                GdiAddObject(object);
            }
        return t;
    }();
    return *table;
}

} // namespace

std::shared_ptr<GdiObject> GdiStockObject(int index) {
    StockTable& table = Stock();
    if (index < 0 || index > DC_PEN) return nullptr;
    std::lock_guard<std::mutex> lock(table.Lock);
    return table.Objects[std::size_t(index)];
}

bool GdiRegisterStockObject(int index, std::shared_ptr<GdiObject> object) {
    StockTable& table = Stock();
    if (index < 0 || index > DC_PEN || !object) return false;
    std::lock_guard<std::mutex> lock(table.Lock);
    if (table.Objects[std::size_t(index)]) return false;
    object->Stock = true;
    if (!GdiAddObject(object)) return false;
    table.Objects[std::size_t(index)] = std::move(object);
    return true;
}

std::shared_ptr<GdiBitmap> GdiDefaultBitmap() {
    static std::once_flag once;
    static std::shared_ptr<GdiBitmap>* bitmap = nullptr;
    std::call_once(once, [] {
        bitmap = new std::shared_ptr<GdiBitmap>(std::make_shared<GdiBitmap>());
        (*bitmap)->Allocate(1, 1, true, false, true);
        (*bitmap)->Stock = true;
        GdiAddObject(*bitmap);
    });
    return *bitmap;
}

COLORREF GdiResolveColor(COLORREF color) {
    if ((color >> 24) == 0xFF) return GetSysColor(int(color & 0x00FFFFFF));
    return color & 0x00FFFFFF;
}

// ---- Descriptions (GetObject) ----------------------------------------------------------------

int GdiPen::Describe(int size, void* buffer, bool wide) const {
    if (!Extended) {
        LOGPEN lp;
        lp.lopnStyle = Style;
        lp.lopnWidth.x = Width;
        lp.lopnColor = Color;
        return CopyOut(lp, size, buffer);
    }
    int needed = int(offsetof(EXTLOGPEN, elpStyleEntry) + UserStyle.size() * sizeof(DWORD));
    if (needed < int(sizeof(EXTLOGPEN))) needed = int(sizeof(EXTLOGPEN));
    if (!buffer) return needed;
    if (size < needed) return 0;
    std::memset(buffer, 0, std::size_t(needed));
    EXTLOGPEN head;
    head.elpPenStyle = Style;
    head.elpWidth = DWORD(Width);
    head.elpBrushStyle = BrushStyle;
    head.elpColor = Color;
    head.elpHatch = Hatch;
    head.elpNumEntries = DWORD(UserStyle.size());
    std::memcpy(buffer, &head, offsetof(EXTLOGPEN, elpStyleEntry));
    if (!UserStyle.empty())
        std::memcpy(static_cast<char*>(buffer) + offsetof(EXTLOGPEN, elpStyleEntry), UserStyle.data(),
                    UserStyle.size() * sizeof(DWORD));
    return needed;
}

int GdiBrush::Describe(int size, void* buffer, bool wide) const {
    LOGBRUSH lb;
    lb.lbStyle = Style;
    lb.lbColor = Style == BS_PATTERN ? 0 : Color;
    lb.lbHatch = Style == BS_HATCHED   ? ULONG_PTR(Hatch)
                 : Style == BS_PATTERN ? reinterpret_cast<ULONG_PTR>(PatternSource)
                                       : 0;
    return CopyOut(lb, size, buffer);
}

int GdiBitmap::Describe(int size, void* buffer, bool wide) const {
    BITMAP bm;
    bm.bmType = 0;
    bm.bmWidth = Width;
    bm.bmHeight = Height;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = Mono ? 1 : 32;
    bm.bmWidthBytes = Mono ? ((Width + 15) / 16) * 2 : Width * 4;
    bm.bmBits = IsDib ? DibBits : nullptr;
    if (IsDib && (!buffer || size >= int(sizeof(DIBSECTION)))) {
        DIBSECTION ds;
        ds.dsBm = bm;
        ds.dsBmih = DibHeader;
        ds.dsBmih.biSizeImage = DWORD(Width) * DWORD(Height) * 4;
        for (int i = 0; i < 3; ++i)
            ds.dsBitfields[i] = DibMasks[i];
        return CopyOut(ds, size, buffer);
    }
    return CopyOut(bm, size, buffer);
}

// ---- Bitmaps ---------------------------------------------------------------------------------

bool GdiBitmap::Allocate(int width, int height, bool mono, bool dib, bool topDown) {
    if (width <= 0 || height <= 0 || (long long)width * height > GdiMaxBitmapPixels) return false;
    Width = width;
    Height = height;
    Mono = mono;
    IsDib = dib;
    FPixels.assign(std::size_t(width) * std::size_t(height), 0);
    auto* base = reinterpret_cast<std::uint8_t*>(FPixels.data());
    std::ptrdiff_t rowBytes = std::ptrdiff_t(width) * 4;
    if (topDown) {
        FTop = base;
        FStride = rowBytes;
    } else {
        FTop = base + rowBytes * (height - 1);
        FStride = -rowBytes;
    }
    DibBits = dib ? static_cast<void*>(FPixels.data()) : nullptr;
    return true;
}

GdiSurface GdiBitmap::Surface() const {
    GdiSurface s;
    s.Bits = FTop;
    s.Width = Width;
    s.Height = Height;
    s.Stride = FStride;
    s.Mono = Mono;
    return s;
}

// ---- The API ---------------------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
    int dash = style & PS_STYLE_MASK;
    if (dash > PS_INSIDEFRAME || (style & ~(PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_TYPE_MASK)))
        return nullptr;
    // The type is implied by the width here.
    auto pen = MakePen(style & ~PS_TYPE_MASK, width < 0 ? 0 : width, color);
    return static_cast<HPEN>(GdiAddObject(pen));
}

HPEN CreatePenIndirect(const LOGPEN* logPen) {
    if (!logPen) return nullptr;
    return CreatePen(int(logPen->lopnStyle), logPen->lopnWidth.x, logPen->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles) {
    if (!brush) return nullptr;
    DWORD type = style & PS_TYPE_MASK;
    int dash = int(style & PS_STYLE_MASK);
    if (type != PS_COSMETIC && type != PS_GEOMETRIC) return nullptr;
    if (style & ~DWORD(PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_TYPE_MASK)) return nullptr;
    if (dash > PS_ALTERNATE || width > 0x7FFFFFFF) return nullptr;
    if (type == PS_COSMETIC && (width != 1 || brush->lbStyle != BS_SOLID)) return nullptr;
    if (type == PS_GEOMETRIC && dash == PS_ALTERNATE) return nullptr;
    if (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_HATCHED && brush->lbStyle != BS_NULL)
        return nullptr;
    if (brush->lbStyle == BS_HATCHED && brush->lbHatch > ULONG_PTR(HS_DIAGCROSS)) return nullptr;
    if (dash == PS_USERSTYLE) {
        if (styleCount == 0 || styleCount > 16 || !styles) return nullptr;
    } else if (styleCount != 0) {
        return nullptr;
    }
    auto pen = MakePen(int(style), int(width), brush->lbColor);
    pen->Extended = true;
    pen->BrushStyle = brush->lbStyle;
    pen->Hatch = brush->lbHatch;
    if (brush->lbStyle == BS_NULL) pen->Style = (style & ~DWORD(PS_STYLE_MASK)) | PS_NULL;
    if (dash == PS_USERSTYLE) pen->UserStyle.assign(styles, styles + styleCount);
    return static_cast<HPEN>(GdiAddObject(pen));
}

HBRUSH CreateSolidBrush(COLORREF color) { return static_cast<HBRUSH>(GdiAddObject(MakeSolidBrush(color))); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
    auto brush = std::make_shared<GdiBrush>();
    brush->Style = BS_HATCHED;
    brush->Hatch = hatch;
    brush->Color = color;
    return static_cast<HBRUSH>(GdiAddObject(brush));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    auto source = GdiFind<GdiBitmap>(bitmap);
    if (!source) return nullptr;
    auto brush = std::make_shared<GdiBrush>();
    brush->Style = BS_PATTERN;
    // The whole bitmap is the pattern, tiled from the brush origin.
    brush->PatternWidth = source->Width;
    brush->PatternHeight = source->Height;
    brush->PatternMono = source->Mono;
    brush->PatternSource = bitmap;
    GdiSurface s = source->Surface();
    for (int y = 0; y < brush->PatternHeight; ++y)
        for (int x = 0; x < brush->PatternWidth; ++x)
            brush->Pattern.push_back(s.Row(y)[x] & 0x00FFFFFF);
    return static_cast<HBRUSH>(GdiAddObject(brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* logBrush) {
    if (!logBrush) return nullptr;
    switch (logBrush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(logBrush->lbColor);
    case BS_NULL:
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED:
        return CreateHatchBrush(int(logBrush->lbHatch), logBrush->lbColor);
    case BS_PATTERN:
    case BS_PATTERN8X8:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(logBrush->lbHatch));
    default:
        return nullptr;
    }
}

HGDIOBJ GetStockObject(int index) {
    auto object = GdiStockObject(index);
    return object ? object->Handle : nullptr;
}

BOOL DeleteObject(HGDIOBJ handle) {
    auto object = GdiFindObject(handle);
    if (!object) return FALSE;
    if (object->Stock) return TRUE;
    if (dynamic_cast<GdiDC*>(object.get())) return FALSE;
    // The table and this function hold two references; any other is a context's.
    if (object.use_count() > 2) return FALSE;
    GdiRemoveObject(handle);
    return TRUE;
}

int GetObjectA(HANDLE handle, int size, void* buffer) {
    auto object = GdiFindObject(handle);
    if (!object || size < 0) return 0;
    return object->Describe(size, buffer, false);
}

int GetObjectW(HANDLE handle, int size, void* buffer) {
    auto object = GdiFindObject(handle);
    if (!object || size < 0) return 0;
    return object->Describe(size, buffer, true);
}

DWORD GetObjectType(HGDIOBJ handle) {
    auto object = GdiFindObject(handle);
    return object ? object->ObjectType() : 0;
}
