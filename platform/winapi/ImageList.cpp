// Image lists, their drawing, the drag image and the stored form (see ImageList.h).
#include "platform/winapi/ImageList.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/runtime/Streams.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/SysColors.h"

namespace {

constexpr int MaxSide = 1 << 14;

// One image list. Image i lies at x = i * Cx of both strips; mask pixels are white (1) where
// the image is transparent.
struct TImageListObject {
    int Cx = 0;
    int Cy = 0;
    UINT Flags = 0;
    int Grow = 4;
    int Count = 0;
    int Capacity = 0;
    COLORREF Bk = CLR_NONE;
    std::array<int, 15> Overlays{};
    HBITMAP Image = nullptr;
    HBITMAP Mask = nullptr;

    bool Masked() const { return (Flags & ILC_MASK) != 0; }
};

std::recursive_mutex& Lock() {
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

std::map<HIMAGELIST, std::unique_ptr<TImageListObject>>& Lists() {
    static auto* lists = new std::map<HIMAGELIST, std::unique_ptr<TImageListObject>>;
    return *lists;
}

TImageListObject* Find(HIMAGELIST handle) {
    auto it = Lists().find(handle);
    return it == Lists().end() ? nullptr : it->second.get();
}

GdiSurface SurfaceOf(HBITMAP bitmap) {
    auto object = GdiFind<GdiBitmap>(bitmap);
    return object ? object->Surface() : GdiSurface();
}

HBITMAP NewBitmap(int width, int height, bool mono) {
    return CreateBitmap(std::max(width, 1), std::max(height, 1), 1, mono ? 1 : 32, nullptr);
}

// Pixels of one image, cut out of the strips or about to go into them.
struct TCell {
    std::vector<GdiPixel> Pixels;   // 0x00RRGGBB, row-major
    std::vector<std::uint8_t> Mask; // 1: transparent
};

TCell EmptyCell(const TImageListObject& list, bool transparent) {
    TCell cell;
    std::size_t n = std::size_t(list.Cx) * list.Cy;
    cell.Pixels.assign(n, 0);
    cell.Mask.assign(n, transparent && list.Masked() ? 1 : 0);
    return cell;
}

TCell ReadCell(const TImageListObject& list, int index) {
    TCell cell = EmptyCell(list, false);
    GdiSurface image = SurfaceOf(list.Image);
    GdiSurface mask = list.Masked() ? SurfaceOf(list.Mask) : GdiSurface();
    for (int y = 0; y < list.Cy; ++y)
        for (int x = 0; x < list.Cx; ++x) {
            std::size_t i = std::size_t(y) * list.Cx + x;
            cell.Pixels[i] = image.Row(y)[index * list.Cx + x] & 0x00FFFFFF;
            if (mask.IsValid()) cell.Mask[i] = (mask.Row(y)[index * list.Cx + x] & 0x00FFFFFF) ? 1 : 0;
        }
    return cell;
}

void WriteCell(const TImageListObject& list, int index, const TCell& cell) {
    GdiSurface image = SurfaceOf(list.Image);
    GdiSurface mask = list.Masked() ? SurfaceOf(list.Mask) : GdiSurface();
    for (int y = 0; y < list.Cy; ++y)
        for (int x = 0; x < list.Cx; ++x) {
            std::size_t i = std::size_t(y) * list.Cx + x;
            image.Row(y)[index * list.Cx + x] = cell.Pixels[i] & 0x00FFFFFF;
            if (mask.IsValid()) mask.Row(y)[index * list.Cx + x] = cell.Mask[i] ? 0x00FFFFFF : 0;
        }
}

// Makes room for `count` images, keeping the ones there.
bool Reserve(TImageListObject& list, int count) {
    if (count <= list.Capacity && list.Image) return true;
    int capacity = std::max(count, list.Capacity + std::max(list.Grow, 1));
    if ((long long)capacity * list.Cx > MaxSide * 16LL ||
        (long long)capacity * list.Cx * list.Cy > GdiMaxBitmapPixels)
        return false;
    HBITMAP image = NewBitmap(capacity * list.Cx, list.Cy, false);
    HBITMAP mask = list.Masked() ? NewBitmap(capacity * list.Cx, list.Cy, true) : nullptr;
    if (!image || (list.Masked() && !mask)) {
        if (image) DeleteObject(image);
        if (mask) DeleteObject(mask);
        return false;
    }
    if (list.Image) {
        GdiSurface from = SurfaceOf(list.Image), to = SurfaceOf(image);
        int width = list.Count * list.Cx;
        for (int y = 0; y < list.Cy && width > 0; ++y)
            std::memcpy(to.Row(y), from.Row(y), std::size_t(width) * 4);
        if (mask && list.Mask) {
            GdiSurface mfrom = SurfaceOf(list.Mask), mto = SurfaceOf(mask);
            for (int y = 0; y < list.Cy && width > 0; ++y)
                std::memcpy(mto.Row(y), mfrom.Row(y), std::size_t(width) * 4);
        }
        DeleteObject(list.Image);
        if (list.Mask) DeleteObject(list.Mask);
    }
    list.Image = image;
    list.Mask = mask;
    list.Capacity = capacity;
    return true;
}

void FreeBitmaps(TImageListObject& list) {
    if (list.Image) DeleteObject(list.Image);
    if (list.Mask) DeleteObject(list.Mask);
    list.Image = list.Mask = nullptr;
    list.Capacity = 0;
    list.Count = 0;
}

// The cells a bitmap holds for this list: width div cx of them (at least one), each with its
// mask from the mask bitmap (white or any colour but black: transparent) or from a colour key.
std::vector<TCell> CellsOf(const TImageListObject& list, HBITMAP image, HBITMAP maskBitmap, bool keyed,
                           COLORREF key, int limit) {
    std::vector<TCell> cells;
    GdiSurface src = SurfaceOf(image);
    if (!src.IsValid()) return cells;
    GdiSurface mask = maskBitmap ? SurfaceOf(maskBitmap) : GdiSurface();
    if (keyed && key == CLR_DEFAULT) key = GdiPixelToColor(src.Row(0)[0] & 0x00FFFFFF);
    GdiPixel keyPixel = keyed ? GdiColorToPixel(GdiResolveColor(key)) : 0;
    int n = std::max(src.Width / list.Cx, 1);
    if (limit > 0) n = std::min(n, limit);
    for (int k = 0; k < n; ++k) {
        TCell cell = EmptyCell(list, true);
        for (int y = 0; y < list.Cy; ++y)
            for (int x = 0; x < list.Cx; ++x) {
                int sx = k * list.Cx + x;
                if (sx >= src.Width || y >= src.Height) continue;
                std::size_t i = std::size_t(y) * list.Cx + x;
                GdiPixel p = src.Row(y)[sx] & 0x00FFFFFF;
                bool transparent = false;
                if (keyed)
                    transparent = p == keyPixel;
                else if (mask.IsValid())
                    transparent = sx < mask.Width && y < mask.Height && (mask.Row(y)[sx] & 0x00FFFFFF) != 0;
                if (!list.Masked()) transparent = false;
                // A colour key turns into black, as masked drawing expects behind the mask.
                cell.Pixels[i] = keyed && transparent ? 0 : p;
                cell.Mask[i] = transparent ? 1 : 0;
            }
        cells.push_back(std::move(cell));
    }
    return cells;
}

int Append(TImageListObject& list, const std::vector<TCell>& cells) {
    if (cells.empty()) return -1;
    if (!Reserve(list, list.Count + int(cells.size()))) return -1;
    int first = list.Count;
    for (const TCell& cell : cells)
        WriteCell(list, list.Count++, cell);
    return first;
}

// Nearest-neighbour copy of an icon into one cell of the list's size.
bool IconCell(const TImageListObject& list, HICON icon, TCell& cell) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return false;
    GdiSurface mask = SurfaceOf(info.hbmMask);
    GdiSurface color = info.hbmColor ? SurfaceOf(info.hbmColor) : GdiSurface();
    bool ok = mask.IsValid();
    if (ok) {
        int w = mask.Width;
        int h = info.hbmColor ? mask.Height : mask.Height / 2; // a monochrome icon: AND over XOR
        cell = EmptyCell(list, false);
        for (int y = 0; y < list.Cy && h > 0; ++y)
            for (int x = 0; x < list.Cx; ++x) {
                int sx = x * w / list.Cx, sy = y * h / list.Cy;
                bool transparent = (mask.Row(sy)[sx] & 0x00FFFFFF) != 0;
                GdiPixel p;
                if (color.IsValid())
                    p = sx < color.Width && sy < color.Height ? color.Row(sy)[sx] & 0x00FFFFFF : 0;
                else
                    p = (mask.Row(sy + h)[sx] & 0x00FFFFFF) ? 0x00FFFFFF : 0;
                std::size_t i = std::size_t(y) * list.Cx + x;
                cell.Pixels[i] = transparent ? 0 : p;
                cell.Mask[i] = transparent && list.Masked() ? 1 : 0;
            }
    }
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return ok;
}

GdiPixel Mix(GdiPixel a, GdiPixel b, int percentOfB) {
    GdiPixel r = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        r |= GdiPixel((ca * (100 - percentOfB) + cb * percentOfB + 50) / 100) << shift;
    }
    return r;
}

// A memory context with a fresh bitmap of w x h selected, deselected and freed at the end.
class TScratch {
public:
    TScratch(int width, int height, bool mono) {
        FBitmap = NewBitmap(width, height, mono);
        FDc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDc, FBitmap);
    }
    ~TScratch() {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        DeleteObject(FBitmap);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    HDC Dc() const { return FDc; }
    HBITMAP Bitmap() const { return FBitmap; }
    GdiSurface Surface() const { return SurfaceOf(FBitmap); }

private:
    HBITMAP FBitmap = nullptr;
    HDC FDc = nullptr;
    HGDIOBJ FOld = nullptr;
};

BOOL DrawImage(const IMAGELISTDRAWPARAMS& p) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(p.himl);
    if (!list || p.i < 0 || p.i >= list->Count || !p.hdcDst) return FALSE;
    int xb = std::clamp(p.xBitmap, 0, list->Cx), yb = std::clamp(p.yBitmap, 0, list->Cy);
    int w = p.cx > 0 ? std::min(p.cx, list->Cx - xb) : list->Cx - xb;
    int h = p.cy > 0 ? std::min(p.cy, list->Cy - yb) : list->Cy - yb;
    if (w <= 0 || h <= 0) return TRUE;

    TCell cell = ReadCell(*list, p.i);
    UINT style = p.fStyle;
    bool masked = list->Masked();
    COLORREF bk = p.rgbBk == CLR_DEFAULT ? list->Bk : p.rgbBk;
    TScratch out(w, h, false);
    GdiSurface o = out.Surface();
    auto at = [&](int x, int y) { return std::size_t(y + yb) * list->Cx + (x + xb); };

    if (style & ILD_MASK) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                o.Row(y)[x] = masked && cell.Mask[at(x, y)] ? 0x00FFFFFF : 0;
        BOOL ok =
            BitBlt(p.hdcDst, p.x, p.y, w, h, out.Dc(), 0, 0, (style & ILD_TRANSPARENT) ? SRCAND : SRCCOPY);
        return ok;
    }

    bool raw = (style & (ILD_IMAGE | ILD_ROP)) != 0;
    bool transparent = masked && !raw && ((style & ILD_TRANSPARENT) || bk == CLR_NONE);
    int blend = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
    GdiPixel back = bk == CLR_NONE ? 0 : GdiColorToPixel(GdiResolveColor(bk));
    if (blend && p.rgbFg == CLR_NONE) BitBlt(out.Dc(), 0, 0, w, h, p.hdcDst, p.x, p.y, SRCCOPY);
    GdiPixel fg = p.rgbFg == CLR_DEFAULT ? GdiColorToPixel(GetSysColor(COLOR_HIGHLIGHT))
                                         : GdiColorToPixel(GdiResolveColor(p.rgbFg));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t i = at(x, y);
            GdiPixel px = cell.Pixels[i];
            bool clear = masked && !raw && cell.Mask[i];
            if (clear && !transparent) px = back;
            if (blend && !clear) px = Mix(px, p.rgbFg == CLR_NONE ? o.Row(y)[x] & 0x00FFFFFF : fg, blend);
            o.Row(y)[x] = px;
        }

    BOOL ok;
    if (transparent) {
        TScratch mask(w, h, true);
        GdiSurface m = mask.Surface();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                m.Row(y)[x] = cell.Mask[at(x, y)] ? 0x00FFFFFF : 0;
        // Mask bits 1 keep the destination, 0 take the image.
        ok = MaskBlt(p.hdcDst, p.x, p.y, w, h, out.Dc(), 0, 0, mask.Bitmap(), 0, 0,
                     MAKEROP4(0x00AA0029, SRCCOPY));
    } else {
        ok = BitBlt(p.hdcDst, p.x, p.y, w, h, out.Dc(), 0, 0, (style & ILD_ROP) ? p.dwRop : SRCCOPY);
    }

    UINT overlay = (style & ILD_OVERLAYMASK) >> 8;
    if (ok && overlay >= 1 && overlay <= 15) {
        int index = list->Overlays[overlay - 1];
        if (index >= 0 && index < list->Count) {
            IMAGELISTDRAWPARAMS q = p;
            q.i = index;
            q.rgbBk = CLR_NONE;
            q.fStyle = (style & (ILD_BLEND25 | ILD_BLEND50)) | ILD_TRANSPARENT;
            DrawImage(q);
        }
    }
    return ok;
}

HIMAGELIST Register(std::unique_ptr<TImageListObject> list) {
    static std::uintptr_t next = 0x7100;
    auto handle = reinterpret_cast<HIMAGELIST>(next);
    next += 4;
    Lists()[handle] = std::move(list);
    return handle;
}

// ---- Drag image ----------------------------------------------------------------------------------

struct TDragState {
    HIMAGELIST List = nullptr; // image 0 is the drag image
    POINT Hotspot{};
    HWND Lock = nullptr;
    POINT Position{}; // relative to the lock window's outer rectangle (or the screen)
    bool Entered = false;
    bool Shown = false;
    HWND Window = nullptr;
};

TDragState& Drag() {
    static auto* state = new TDragState;
    return *state;
}

const char* DragClassName() { return "KovImageListDrag"; }

LRESULT DragWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        std::lock_guard<std::recursive_mutex> guard(Lock());
        if (Drag().List)
            ImageList_DrawEx(Drag().List, 0, dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool EnsureDragClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA cls;
    cls.lpfnWndProc = &DragWindowProc;
    cls.lpszClassName = DragClassName();
    registered = RegisterClassA(&cls) != 0;
    return registered;
}

POINT DragScreenPoint(const TDragState& drag) {
    POINT origin{};
    if (drag.Lock) {
        RECT r;
        if (GetWindowRect(drag.Lock, &r)) origin = {r.left, r.top};
    }
    return {origin.x + drag.Position.x - drag.Hotspot.x, origin.y + drag.Position.y - drag.Hotspot.y};
}

// The opaque pixels of the drag image as a window region.
HRGN DragRegion(const TImageListObject& list) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (!list.Masked()) {
        SetRectRgn(region, 0, 0, list.Cx, list.Cy);
        return region;
    }
    TCell cell = ReadCell(list, 0);
    for (int y = 0; y < list.Cy; ++y) {
        int x = 0;
        while (x < list.Cx) {
            while (x < list.Cx && cell.Mask[std::size_t(y) * list.Cx + x])
                ++x;
            int start = x;
            while (x < list.Cx && !cell.Mask[std::size_t(y) * list.Cx + x])
                ++x;
            if (x > start) {
                HRGN run = CreateRectRgn(start, y, x, y + 1);
                CombineRgn(region, region, run, RGN_OR);
                DeleteObject(run);
            }
        }
    }
    return region;
}

void DestroyDragWindow(TDragState& drag) {
    if (drag.Window) {
        HWND window = drag.Window;
        drag.Window = nullptr;
        DestroyWindow(window);
    }
}

// Brings the window in line with the state: shown where the image belongs, or gone.
void UpdateDragWindow(TDragState& drag) {
    TImageListObject* list = Find(drag.List);
    if (!list || !drag.Entered || !drag.Shown) {
        DestroyDragWindow(drag);
        return;
    }
    POINT at = DragScreenPoint(drag);
    if (!drag.Window) {
        if (!EnsureDragClass()) return;
        drag.Window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT,
                                      DragClassName(), "", WS_POPUP, at.x, at.y, list->Cx, list->Cy, nullptr,
                                      nullptr, nullptr, nullptr);
        if (!drag.Window) return;
        SetWindowRgn(drag.Window, DragRegion(*list), FALSE);
        ShowWindow(drag.Window, SW_SHOWNA);
    } else {
        SetWindowPos(drag.Window, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

// ---- Stored form ----------------------------------------------------------------------------------

constexpr char Signature[4] = {'K', 'I', 'L', '1'};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

bool GetU32(TStream* stream, std::uint32_t& v) {
    std::uint8_t b[4];
    if (stream->Read(b, 4) != 4) return false;
    v = std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
        (std::uint32_t(b[3]) << 24);
    return true;
}

} // namespace

// ---- Lists -------------------------------------------------------------------------------------------

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
    if (cx < 1 || cy < 1 || cx > MaxSide || cy > MaxSide) return nullptr;
    auto list = std::make_unique<TImageListObject>();
    list->Cx = cx;
    list->Cy = cy;
    list->Flags = flags;
    list->Grow = std::max(grow, 1);
    list->Overlays.fill(-1);
    std::lock_guard<std::recursive_mutex> guard(Lock());
    if (!Reserve(*list, std::clamp(initial, 1, 4096))) return nullptr;
    return Register(std::move(list));
}

BOOL ImageList_Destroy(HIMAGELIST handle) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    auto it = Lists().find(handle);
    if (it == Lists().end()) return FALSE;
    FreeBitmaps(*it->second);
    Lists().erase(it);
    return TRUE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST handle) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list) return nullptr;
    HIMAGELIST copy = ImageList_Create(list->Cx, list->Cy, list->Flags, std::max(list->Count, 1), list->Grow);
    TImageListObject* target = Find(copy);
    if (!target) return nullptr;
    target->Bk = list->Bk;
    target->Overlays = list->Overlays;
    std::vector<TCell> cells;
    for (int i = 0; i < list->Count; ++i)
        cells.push_back(ReadCell(*list, i));
    if (!cells.empty()) Append(*target, cells);
    return copy;
}

int ImageList_GetImageCount(HIMAGELIST handle) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    return list ? list->Count : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || count > (1u << 20)) return FALSE;
    if (int(count) <= list->Count) {
        list->Count = int(count);
        return TRUE;
    }
    if (!Reserve(*list, int(count))) return FALSE;
    TCell empty = EmptyCell(*list, true);
    while (list->Count < int(count))
        WriteCell(*list, list->Count++, empty);
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list) return FALSE;
    if (cx) *cx = list->Cx;
    if (cy) *cy = list->Cy;
    return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST handle, int cx, int cy) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || cx < 1 || cy < 1 || cx > MaxSide || cy > MaxSide) return FALSE;
    FreeBitmaps(*list);
    list->Cx = cx;
    list->Cy = cy;
    return Reserve(*list, 1) ? TRUE : FALSE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST handle, COLORREF color) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list) return CLR_NONE;
    COLORREF old = list->Bk;
    list->Bk = color;
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST handle) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    return list ? list->Bk : CLR_NONE;
}

UINT ImageList_GetFlags(HIMAGELIST handle) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    return list ? list->Flags : 0;
}

// ---- Adding, replacing, removing ------------------------------------------------------------------------

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list) return -1;
    return Append(*list, CellsOf(*list, image, mask, false, 0, 0));
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP image, COLORREF maskColor) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list) return -1;
    return Append(*list, CellsOf(*list, image, nullptr, maskColor != CLR_NONE, maskColor, 0));
}

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP mask) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || index < 0 || index >= list->Count) return FALSE;
    std::vector<TCell> cells = CellsOf(*list, image, mask, false, 0, 1);
    if (cells.empty()) return FALSE;
    WriteCell(*list, index, cells[0]);
    return TRUE;
}

int ImageList_ReplaceIcon(HIMAGELIST handle, int index, HICON icon) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || index < -1 || index >= list->Count) return -1;
    TCell cell;
    if (!IconCell(*list, icon, cell)) return -1;
    if (index == -1) return Append(*list, {cell});
    WriteCell(*list, index, cell);
    return index;
}

BOOL ImageList_Remove(HIMAGELIST handle, int index) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list) return FALSE;
    if (index == -1) {
        list->Count = 0;
        return TRUE;
    }
    if (index < 0 || index >= list->Count) return FALSE;
    for (int i = index; i + 1 < list->Count; ++i)
        WriteCell(*list, i, ReadCell(*list, i + 1));
    --list->Count;
    return TRUE;
}

BOOL ImageList_Copy(HIMAGELIST dst, int dstIndex, HIMAGELIST src, int srcIndex, UINT flags) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(dst);
    if (!list || dst != src || dstIndex < 0 || srcIndex < 0 || dstIndex >= list->Count ||
        srcIndex >= list->Count)
        return FALSE;
    TCell from = ReadCell(*list, srcIndex);
    if (flags & ILCF_SWAP) WriteCell(*list, srcIndex, ReadCell(*list, dstIndex));
    WriteCell(*list, dstIndex, from);
    return TRUE;
}

BOOL ImageList_SetOverlayImage(HIMAGELIST handle, int index, int overlayIndex) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || overlayIndex < 1 || overlayIndex > 15 || index < -1 || index >= list->Count) return FALSE;
    list->Overlays[overlayIndex - 1] = index;
    return TRUE;
}

// ---- Reading --------------------------------------------------------------------------------------------

BOOL ImageList_GetImageInfo(HIMAGELIST handle, int index, IMAGEINFO* info) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || !info || index < 0 || index >= list->Count) return FALSE;
    info->hbmImage = list->Image;
    info->hbmMask = list->Mask;
    info->rcImage = RECT{index * list->Cx, 0, (index + 1) * list->Cx, list->Cy};
    return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT flags) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || index < 0 || index >= list->Count) return nullptr;
    TCell cell = ReadCell(*list, index);
    HBITMAP color = NewBitmap(list->Cx, list->Cy, false);
    HBITMAP mask = NewBitmap(list->Cx, list->Cy, true);
    GdiSurface c = SurfaceOf(color), m = SurfaceOf(mask);
    for (int y = 0; y < list->Cy; ++y)
        for (int x = 0; x < list->Cx; ++x) {
            std::size_t i = std::size_t(y) * list->Cx + x;
            bool clear = list->Masked() && cell.Mask[i];
            c.Row(y)[x] = clear ? 0 : cell.Pixels[i];
            m.Row(y)[x] = clear ? 0x00FFFFFF : 0;
        }
    ICONINFO info;
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

// ---- Drawing --------------------------------------------------------------------------------------------

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int cx, int cy, COLORREF rgbBk,
                      COLORREF rgbFg, UINT style) {
    IMAGELISTDRAWPARAMS p;
    p.himl = list;
    p.i = index;
    p.hdcDst = dc;
    p.x = x;
    p.y = y;
    p.cx = cx;
    p.cy = cy;
    p.rgbBk = rgbBk;
    p.rgbFg = rgbFg;
    p.fStyle = style & ~ILD_ROP;
    return DrawImage(p);
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
    return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawIndirect(const IMAGELISTDRAWPARAMS* params) {
    if (!params) return FALSE;
    return DrawImage(*params);
}

// ---- Drag image -------------------------------------------------------------------------------------

BOOL ImageList_BeginDrag(HIMAGELIST track, int index, int dxHotspot, int dyHotspot) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(track);
    if (!list || index < 0 || index >= list->Count) return FALSE;
    ImageList_EndDrag();
    HIMAGELIST copy = ImageList_Create(list->Cx, list->Cy, list->Flags | ILC_MASK, 1, 1);
    TImageListObject* target = Find(copy);
    if (!target) return FALSE;
    TCell cell = ReadCell(*list, index);
    if (!list->Masked()) std::fill(cell.Mask.begin(), cell.Mask.end(), 0);
    Append(*target, {cell});
    TDragState& drag = Drag();
    drag = TDragState();
    drag.List = copy;
    drag.Hotspot = {dxHotspot, dyHotspot};
    return TRUE;
}

BOOL ImageList_DragEnter(HWND lock, int x, int y) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    if (!drag.List) return FALSE;
    drag.Lock = lock;
    drag.Position = {x, y};
    drag.Entered = true;
    drag.Shown = true;
    UpdateDragWindow(drag);
    return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    if (!drag.List) return FALSE;
    drag.Position = {x, y};
    if (drag.Window) UpdateDragWindow(drag);
    return TRUE;
}

BOOL ImageList_DragLeave(HWND lock) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    if (!drag.List) return FALSE;
    drag.Entered = false;
    UpdateDragWindow(drag);
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL show) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    if (!drag.List) return FALSE;
    drag.Shown = show != FALSE;
    if (show) drag.Entered = true;
    UpdateDragWindow(drag);
    return TRUE;
}

void ImageList_EndDrag() {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    DestroyDragWindow(drag);
    if (drag.List) ImageList_Destroy(drag.List);
    drag = TDragState();
}

BOOL ImageList_SetDragCursorImage(HIMAGELIST handle, int index, int dxHotspot, int dyHotspot) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    TImageListObject* cursor = Find(handle);
    TImageListObject* current = Find(drag.List);
    if (!current || !cursor || index < 0 || index >= cursor->Count) return FALSE;
    // The cursor image's top-left in the drag image's coordinates, and the box of both.
    int cxPos = drag.Hotspot.x - dxHotspot, cyPos = drag.Hotspot.y - dyHotspot;
    int left = std::min(0, cxPos), top = std::min(0, cyPos);
    int right = std::max(current->Cx, cxPos + cursor->Cx), bottom = std::max(current->Cy, cyPos + cursor->Cy);
    HIMAGELIST merged = ImageList_Create(right - left, bottom - top, ILC_MASK | ILC_COLOR32, 1, 1);
    TImageListObject* target = Find(merged);
    if (!target) return FALSE;
    TCell out = EmptyCell(*target, true);
    auto paste = [&](const TImageListObject& from, const TCell& cell, int ox, int oy) {
        for (int y = 0; y < from.Cy; ++y)
            for (int x = 0; x < from.Cx; ++x) {
                std::size_t i = std::size_t(y) * from.Cx + x;
                if (from.Masked() && cell.Mask[i]) continue;
                std::size_t j = std::size_t(y + oy) * target->Cx + (x + ox);
                out.Pixels[j] = cell.Pixels[i];
                out.Mask[j] = 0;
            }
    };
    paste(*current, ReadCell(*current, 0), -left, -top);
    paste(*cursor, ReadCell(*cursor, index), cxPos - left, cyPos - top);
    Append(*target, {out});
    bool hadWindow = drag.Window != nullptr;
    DestroyDragWindow(drag);
    ImageList_Destroy(drag.List);
    drag.List = merged;
    drag.Hotspot = {drag.Hotspot.x - left, drag.Hotspot.y - top};
    if (hadWindow) UpdateDragWindow(drag);
    return TRUE;
}

HIMAGELIST ImageList_GetDragImage(POINT* point, POINT* hotspot) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TDragState& drag = Drag();
    if (!drag.List) return nullptr;
    if (point) *point = drag.Position;
    if (hotspot) *hotspot = drag.Hotspot;
    return drag.List;
}

HWND ImageListDragWindow() {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    return Drag().Window;
}

// ---- Stored form ----------------------------------------------------------------------------------------

BOOL ImageList_Write(HIMAGELIST handle, TStream* stream) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    TImageListObject* list = Find(handle);
    if (!list || !stream) return FALSE;
    std::vector<std::uint8_t> out(Signature, Signature + 4);
    PutU32(out, std::uint32_t(list->Cx));
    PutU32(out, std::uint32_t(list->Cy));
    PutU32(out, list->Flags);
    PutU32(out, std::uint32_t(list->Count));
    PutU32(out, std::uint32_t(list->Grow));
    PutU32(out, list->Bk);
    for (int overlay : list->Overlays)
        PutU32(out, std::uint32_t(overlay));
    std::size_t n = std::size_t(list->Cx) * list->Cy;
    for (int i = 0; i < list->Count; ++i) {
        TCell cell = ReadCell(*list, i);
        for (GdiPixel p : cell.Pixels)
            PutU32(out, p & 0x00FFFFFF);
        if (list->Masked()) {
            std::vector<std::uint8_t> bits((n + 7) / 8, 0);
            for (std::size_t k = 0; k < n; ++k)
                if (cell.Mask[k]) bits[k / 8] |= std::uint8_t(0x80 >> (k % 8));
            out.insert(out.end(), bits.begin(), bits.end());
        }
    }
    return stream->Write(out.data(), Integer(out.size())) == Integer(out.size()) ? TRUE : FALSE;
}

HIMAGELIST ImageList_Read(TStream* stream) {
    if (!stream) return nullptr;
    char signature[4];
    if (stream->Read(signature, 4) != 4 || std::memcmp(signature, Signature, 4) != 0) return nullptr;
    std::uint32_t cx, cy, flags, count, grow, bk;
    if (!GetU32(stream, cx) || !GetU32(stream, cy) || !GetU32(stream, flags) || !GetU32(stream, count) ||
        !GetU32(stream, grow) || !GetU32(stream, bk))
        return nullptr;
    std::array<int, 15> overlays{};
    for (int& overlay : overlays) {
        std::uint32_t v;
        if (!GetU32(stream, v)) return nullptr;
        overlay = int(std::int32_t(v));
    }
    if (cx < 1 || cy < 1 || cx > std::uint32_t(MaxSide) || cy > std::uint32_t(MaxSide) ||
        count > (1u << 20) || (unsigned long long)count * cx * cy > (unsigned long long)GdiMaxBitmapPixels)
        return nullptr;
    std::size_t n = std::size_t(cx) * cy;
    bool masked = (flags & ILC_MASK) != 0;
    // Everything is read before anything is made, so a short stream makes nothing.
    std::vector<std::uint8_t> pixels(n * 4), bits(masked ? (n + 7) / 8 : 0);
    std::lock_guard<std::recursive_mutex> guard(Lock());
    HIMAGELIST handle = ImageList_Create(int(cx), int(cy), flags, std::max<int>(int(count), 1), int(grow));
    TImageListObject* list = Find(handle);
    if (!list) return nullptr;
    list->Bk = bk;
    for (int& overlay : overlays)
        if (overlay < -1 || overlay >= int(count)) overlay = -1;
    list->Overlays = overlays;
    std::vector<TCell> cells;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (stream->Read(pixels.data(), Integer(pixels.size())) != Integer(pixels.size()) ||
            (masked && stream->Read(bits.data(), Integer(bits.size())) != Integer(bits.size()))) {
            ImageList_Destroy(handle);
            return nullptr;
        }
        TCell cell = EmptyCell(*list, false);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t* b = &pixels[k * 4];
            cell.Pixels[k] = (GdiPixel(b[0]) | (GdiPixel(b[1]) << 8) | (GdiPixel(b[2]) << 16)) & 0x00FFFFFF;
            if (masked) cell.Mask[k] = (bits[k / 8] >> (7 - k % 8)) & 1;
        }
        cells.push_back(std::move(cell));
    }
    if (!cells.empty() && Append(*list, cells) < 0) {
        ImageList_Destroy(handle);
        return nullptr;
    }
    return handle;
}
