// Playback and enumeration. A player maps the recording's device units onto the target's
// logical units (the frame onto the destination rectangle) and makes the calls the records
// stand for on the target context. The recording's own window and viewport origins are
// followed by the player, not set on the target. When the mapping is a whole-unit shift, every
// coordinate goes through unchanged apart from it, so a picture played at its own size draws
// exactly what the recorded calls drew.
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/winapi/GdiFont.h"
#include "platform/winapi/GdiMetafileFormat.h"
#include "platform/winapi/GdiPath.h"
#include "platform/winapi/GdiRaster.h"

namespace {

// A picture is data from outside: the largest blit and the largest font it may ask for.
constexpr long long MaxBltExtent = 1 << 20;
constexpr long long MaxFontSize = 8192;

LONG RoundL(double v) {
    return LONG(std::clamp(std::floor(v + 0.5), -double(GdiMaxCoord), double(GdiMaxCoord)));
}

// target logical = T + recorded device * S
struct Transform {
    double Sx = 1, Sy = 1, Tx = 0, Ty = 0;
    bool Exact() const { return Sx == 1 && Sy == 1; }
};

Transform MakeTransform(const std::uint8_t* bytes, const RECT& rect) {
    GdiRecordReader r(bytes, sizeof(ENHMETAHEADER));
    bool ok = true;
    DWORD headerSize = r.U32(4, ok);
    RECT frame = r.Rect(24, ok);
    POINT device = r.Point(72, ok), millimetres = r.Point(80, ok);
    POINT micrometres{};
    if (headerSize >= sizeof(ENHMETAHEADER)) micrometres = r.Point(100, ok);
    // Device units per hundredth of a millimetre.
    double perX = 96 / 2540.0, perY = 96 / 2540.0;
    if (device.x > 0 && micrometres.x > 0)
        perX = device.x / (micrometres.x / 10.0);
    else if (device.x > 0 && millimetres.x > 0)
        perX = device.x / (millimetres.x * 100.0);
    if (device.y > 0 && micrometres.y > 0)
        perY = device.y / (micrometres.y / 10.0);
    else if (device.y > 0 && millimetres.y > 0)
        perY = device.y / (millimetres.y * 100.0);
    // The frame in device units, whole units (as the recording made it from them).
    double l = std::round(frame.left * perX), rr = std::round(frame.right * perX);
    double t = std::round(frame.top * perY), b = std::round(frame.bottom * perY);
    Transform tf;
    if (rr != l) tf.Sx = (double(rect.right) - rect.left) / (rr - l);
    if (b != t) tf.Sy = (double(rect.bottom) - rect.top) / (b - t);
    tf.Tx = rect.left - l * tf.Sx;
    tf.Ty = rect.top - t * tf.Sy;
    return tf;
}

// A region from RGNDATA; false when the data is not a region.
bool ReadRegion(const GdiRecordReader& r, std::size_t at, std::size_t size, GdiRegion& out) {
    bool ok = true;
    if (!r.Has(at, size) || size < sizeof(RGNDATAHEADER)) return false;
    DWORD headerSize = r.U32(at, ok), count = r.U32(at + 8, ok);
    if (!ok || headerSize < sizeof(RGNDATAHEADER) || headerSize > size) return false;
    if (count > (size - headerSize) / sizeof(RECT)) return false;
    GdiRegionBuilder builder;
    for (DWORD i = 0; i < count; ++i) {
        RECT rect = r.Rect(at + headerSize + std::size_t(i) * sizeof(RECT), ok);
        if (!GdiCoordOk(rect.left) || !GdiCoordOk(rect.right) || !GdiCoordOk(rect.top) ||
            !GdiCoordOk(rect.bottom))
            return false;
        builder.AddRect(rect);
    }
    out = builder.Build();
    return ok;
}

// A bitmap made from a BITMAPINFO and its bits inside a record; null when they do not fit or
// are not a format the bitmap calls take.
HBITMAP ReadBitmap(const GdiRecordReader& r, DWORD offInfo, DWORD infoSize, DWORD offBits, DWORD bitsSize) {
    if (infoSize < sizeof(BITMAPINFOHEADER) || !r.Has(offInfo, infoSize) || !r.Has(offBits, bitsSize))
        return nullptr;
    BITMAPINFOHEADER h;
    r.Get(offInfo, h);
    long long width = h.biWidth, height = h.biHeight < 0 ? -(long long)h.biHeight : h.biHeight;
    int bpp = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > infoSize || width <= 0 || height <= 0 ||
        width * height > GdiMaxBitmapPixels)
        return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
    if (h.biCompression != BI_RGB && !(bpp == 32 && h.biCompression == BI_BITFIELDS)) return nullptr;
    std::size_t extra = 0;
    if (bpp <= 8) {
        std::size_t entries = h.biClrUsed ? h.biClrUsed : (std::size_t(1) << bpp);
        if (entries > (std::size_t(1) << bpp)) return nullptr;
        extra = entries * 4;
    } else if (h.biCompression == BI_BITFIELDS) {
        extra = 12;
    }
    if (extra > infoSize - h.biSize) return nullptr;
    long long stride = (width * bpp + 31) / 32 * 4;
    if (stride * height > (long long)bitsSize) return nullptr;
    // An aligned BITMAPINFO of the plain header size with its table.
    std::vector<std::uint32_t> info((sizeof(BITMAPINFOHEADER) + extra + 3) / 4 + 1, 0);
    BITMAPINFOHEADER plain = h;
    plain.biSize = sizeof(BITMAPINFOHEADER);
    std::memcpy(info.data(), &plain, sizeof(plain));
    if (extra)
        std::memcpy(reinterpret_cast<std::uint8_t*>(info.data()) + sizeof(plain),
                    r.Data() + offInfo + h.biSize, extra);
    const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
    const std::uint8_t* bits = r.Data() + offBits;
    if (bpp == 32 && h.biCompression == BI_RGB) {
        // Copied whole, so that the fourth byte of each pixel stays too.
        void* pixels = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (!bitmap) return nullptr;
        std::memcpy(pixels, bits, std::size_t(stride * height));
        return bitmap;
    }
    HBITMAP bitmap = CreateBitmap(int(width), int(height), 1, bpp == 1 ? 1 : 32, nullptr);
    if (!bitmap) return nullptr;
    if (!SetDIBits(nullptr, bitmap, 0, UINT(height), bits, bi, DIB_RGB_COLORS)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

// A memory context holding a bitmap, for the source of a blit.
class SourceDC {
public:
    explicit SourceDC(HBITMAP bitmap) : FBitmap(bitmap) {
        if (!bitmap) return;
        FDc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDc, bitmap);
    }
    ~SourceDC() {
        if (FDc) {
            SelectObject(FDc, FOld);
            DeleteDC(FDc);
        }
        if (FBitmap) DeleteObject(FBitmap);
    }
    SourceDC(const SourceDC&) = delete;
    SourceDC& operator=(const SourceDC&) = delete;
    HDC Dc() const { return FDc; }

private:
    HBITMAP FBitmap;
    HDC FDc = nullptr;
    HGDIOBJ FOld = nullptr;
};

std::vector<GdiPointD> ReadDoubles(const GdiRecordReader& r, std::size_t& at, bool& ok) {
    std::vector<GdiPointD> out;
    DWORD count = r.U32(at, ok);
    at += 4;
    if (!ok || count > (r.Size() - std::min(at, r.Size())) / 16) {
        ok = false;
        return out;
    }
    for (DWORD i = 0; i < count; ++i, at += 16) {
        GdiPointD p;
        ok = r.Get(at, p.x) && r.Get(at + 8, p.y) && ok;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > GdiMaxCoord ||
            std::fabs(p.y) > GdiMaxCoord)
            ok = false;
        out.push_back(p);
    }
    return out;
}

class Player {
public:
    Player(HDC dc, std::shared_ptr<GdiDC> target, HANDLETABLE* table, UINT handles, Transform transform)
        : FHandle(dc), FTarget(std::move(target)), FTable(table), FHandles(handles), FT(transform) {}

    HDC Dc() const { return FHandle; }
    HANDLETABLE* Table() const { return FTable; }
    bool Begin();
    void End();
    BOOL Play(const GdiRecordReader& r);

private:
    struct Coords {
        POINT WindowOrg{};
        POINT ViewportOrg{};
        POINT BrushOrg{};
    };

    POINT Offset() const {
        return {FCoords.ViewportOrg.x - FCoords.WindowOrg.x, FCoords.ViewportOrg.y - FCoords.WindowOrg.y};
    }
    // Recorded device units to the target's logical units.
    double X(double device) const { return FT.Tx + device * FT.Sx; }
    double Y(double device) const { return FT.Ty + device * FT.Sy; }
    POINT Map(POINT logical) const {
        POINT o = Offset();
        return {RoundL(X(double(logical.x) + o.x)), RoundL(Y(double(logical.y) + o.y))};
    }
    GdiPointD MapD(GdiPointD logical) const {
        POINT o = Offset();
        return {X(logical.x + o.x), Y(logical.y + o.y)};
    }
    RECT MapBox(const RECT& r) const {
        POINT a = Map({r.left, r.top}), b = Map({r.right, r.bottom});
        return {a.x, a.y, b.x, b.y};
    }
    int ScaleX(long long v) const {
        return int(std::clamp<double>(std::round(v * FT.Sx), -GdiMaxCoord, GdiMaxCoord));
    }
    int ScaleY(long long v) const {
        return int(std::clamp<double>(std::round(v * FT.Sy), -GdiMaxCoord, GdiMaxCoord));
    }
    // Widths of pens: thin ones stay thin.
    long long ScaleWidth(long long w) const {
        if (FT.Exact() || w <= 1) return w;
        double scaled = w * (std::fabs(FT.Sx) + std::fabs(FT.Sy)) / 2;
        return std::llround(std::clamp(scaled, 1.0, double(GdiMaxCoord)));
    }
    GdiRegion MapRegion(const GdiRegion& logical, POINT offset) const;
    HRGN MakeRegion(const GdiRegion& region) const;
    void ApplyBrushOrg();
    HGDIOBJ Slot(DWORD index) const {
        if (index & ENHMETA_STOCK_OBJECT) return GetStockObject(int(index & ~ENHMETA_STOCK_OBJECT));
        return index > 0 && index < FHandles ? FTable->objectHandle[index] : nullptr;
    }
    void Store(DWORD index, HGDIOBJ object);
    void Free(HGDIOBJ object) {
        if (object && !DeleteObject(object)) FLeftovers.push_back(object);
    }
    bool Points(const GdiRecordReader& r, std::size_t at, DWORD count, bool small,
                std::vector<POINT>& out) const;
    BOOL PlayBlt(const GdiRecordReader& r, DWORD type);
    BOOL PlayText(const GdiRecordReader& r, bool wide);
    BOOL PlayClip(const GdiRecordReader& r);

    HDC FHandle;
    std::shared_ptr<GdiDC> FTarget;
    HANDLETABLE* FTable;
    UINT FHandles;
    Transform FT;
    Coords FCoords;
    std::vector<Coords> FSaved;
    int FLevel = 0;
    std::optional<GdiRegion> FOriginalClip;
    std::vector<HGDIOBJ> FLeftovers;
};

bool Player::Begin() {
    FLevel = SaveDC(FHandle);
    if (!FLevel) return false;
    FOriginalClip = FTarget->State.Clip;
    SelectObject(FHandle, GetStockObject(BLACK_PEN));
    SelectObject(FHandle, GetStockObject(WHITE_BRUSH));
    if (HGDIOBJ font = GetStockObject(SYSTEM_FONT)) SelectObject(FHandle, font);
    SetTextColor(FHandle, RGB(0, 0, 0));
    SetBkColor(FHandle, RGB(255, 255, 255));
    SetBkMode(FHandle, OPAQUE);
    SetROP2(FHandle, R2_COPYPEN);
    SetPolyFillMode(FHandle, ALTERNATE);
    SetStretchBltMode(FHandle, BLACKONWHITE);
    SetArcDirection(FHandle, AD_COUNTERCLOCKWISE);
    SetTextAlign(FHandle, TA_LEFT | TA_TOP);
    SetTextCharacterExtra(FHandle, 0);
    SetTextJustification(FHandle, 0, 0);
    AbortPath(FHandle);
    ApplyBrushOrg();
    return true;
}

void Player::End() {
    RestoreDC(FHandle, FLevel);
    for (UINT i = 1; i < FHandles; ++i) {
        Free(FTable->objectHandle[i]);
        FTable->objectHandle[i] = nullptr;
    }
    for (HGDIOBJ object : FLeftovers)
        DeleteObject(object);
    FLeftovers.clear();
}

void Player::Store(DWORD index, HGDIOBJ object) {
    if (index == 0 || index >= FHandles || (index & ENHMETA_STOCK_OBJECT)) {
        Free(object);
        return;
    }
    Free(FTable->objectHandle[index]);
    FTable->objectHandle[index] = object;
}

void Player::ApplyBrushOrg() {
    POINT p = FTarget->ToDevice({RoundL(X(FCoords.BrushOrg.x)), RoundL(Y(FCoords.BrushOrg.y))});
    SetBrushOrgEx(FHandle, p.x, p.y, nullptr);
}

GdiRegion Player::MapRegion(const GdiRegion& logical, POINT offset) const {
    if (FT.Exact()) {
        double dx = offset.x + FT.Tx, dy = offset.y + FT.Ty;
        GdiRegion moved = logical;
        if (std::fabs(dx) > GdiMaxCoord || std::fabs(dy) > GdiMaxCoord || !moved.Offset(LONG(dx), LONG(dy)))
            return GdiRegion();
        return moved;
    }
    GdiRegionBuilder builder;
    for (const RECT& r : logical.Rects()) {
        LONG l = RoundL(X(double(r.left) + offset.x)), rr = RoundL(X(double(r.right) + offset.x));
        LONG t = RoundL(Y(double(r.top) + offset.y)), b = RoundL(Y(double(r.bottom) + offset.y));
        builder.AddRect({std::min(l, rr), std::min(t, b), std::max(l, rr), std::max(t, b)});
    }
    return builder.Build();
}

HRGN Player::MakeRegion(const GdiRegion& region) const {
    auto object = std::make_shared<GdiRegionObject>();
    object->Region = region;
    return static_cast<HRGN>(GdiAddObject(object));
}

bool Player::Points(const GdiRecordReader& r, std::size_t at, DWORD count, bool small,
                    std::vector<POINT>& out) const {
    std::size_t each = small ? 4 : 8;
    if (!r.Has(at, 0) || count > (r.Size() - at) / each) return false;
    out.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        POINT p;
        if (small) {
            SHORT x = 0, y = 0;
            r.Get(at + i * each, x);
            r.Get(at + i * each + 2, y);
            p = {x, y};
        } else {
            bool ok = true;
            p = r.Point(at + i * each, ok);
        }
        out[i] = Map(p);
    }
    return true;
}

BOOL Player::PlayClip(const GdiRecordReader& r) {
    bool ok = true;
    DWORD size = r.U32(8, ok), mode = r.U32(12, ok);
    if (!ok || mode < RGN_AND || mode > RGN_COPY) return FALSE;
    std::optional<GdiRegion> clip;
    if (size == 0) {
        if (mode != RGN_COPY) return FALSE;
        clip = FOriginalClip;
    } else {
        GdiRegion recorded;
        if (!ReadRegion(r, 16, size, recorded)) return FALSE;
        // Recorded device units, to the target's device units.
        GdiRegion mapped = MapRegion(recorded, {0, 0});
        mapped.Offset(FTarget->Offset().x, FTarget->Offset().y);
        if (mode != RGN_COPY) {
            GdiRegion base =
                FTarget->State.Clip ? *FTarget->State.Clip : GdiRegion(FTarget->Device->Bounds(*FTarget));
            mapped = GdiRegion::Combine(base, mapped, int(mode));
        }
        if (FOriginalClip) mapped &= *FOriginalClip;
        clip = std::move(mapped);
    }
    if (!clip) return SelectClipRgn(FHandle, nullptr) != ERROR;
    HRGN region = MakeRegion(*clip);
    int kind = SelectClipRgn(FHandle, region);
    DeleteObject(region);
    return kind != ERROR;
}

BOOL Player::PlayBlt(const GdiRecordReader& r, DWORD type) {
    bool ok = true;
    LONG x = r.I32(24, ok), y = r.I32(28, ok), cx = r.I32(32, ok), cy = r.I32(36, ok);
    DWORD rop = r.U32(40, ok);
    LONG xSrc = r.I32(44, ok), ySrc = r.I32(48, ok);
    COLORREF srcBack = r.U32(76, ok);
    DWORD offBmi = r.U32(84, ok), cbBmi = r.U32(88, ok), offBits = r.U32(92, ok), cbBits = r.U32(96, ok);
    LONG cxSrc = cx, cySrc = cy;
    if (type == EMR_STRETCHBLT || type == EMR_TRANSPARENTBLT) {
        cxSrc = r.I32(100, ok);
        cySrc = r.I32(104, ok);
    }
    if (!ok) return FALSE;
    POINT a = Map({x, y});
    POINT b = Map({LONG(std::clamp<long long>((long long)x + cx, -GdiMaxCoord, GdiMaxCoord)),
                   LONG(std::clamp<long long>((long long)y + cy, -GdiMaxCoord, GdiMaxCoord))});
    long long wide = (long long)b.x - a.x, high = (long long)b.y - a.y;
    // A blit larger than any page is refused rather than mapped pixel by pixel.
    if (std::llabs(wide) > MaxBltExtent || std::llabs(high) > MaxBltExtent ||
        std::llabs(cxSrc) > MaxBltExtent || std::llabs(cySrc) > MaxBltExtent)
        return FALSE;
    int w = int(wide), h = int(high);
    if (cbBmi == 0) {
        if (type != EMR_BITBLT) return FALSE;
        return PatBlt(FHandle, a.x, a.y, w, h, rop);
    }
    SourceDC source(ReadBitmap(r, offBmi, cbBmi, offBits, cbBits));
    if (!source.Dc()) return FALSE;
    SetBkColor(source.Dc(), srcBack);
    switch (type) {
    case EMR_BITBLT:
        if (w == cx && h == cy) return BitBlt(FHandle, a.x, a.y, w, h, source.Dc(), xSrc, ySrc, rop);
        return StretchBlt(FHandle, a.x, a.y, w, h, source.Dc(), xSrc, ySrc, cx, cy, rop);
    case EMR_STRETCHBLT:
        return StretchBlt(FHandle, a.x, a.y, w, h, source.Dc(), xSrc, ySrc, cxSrc, cySrc, rop);
    case EMR_TRANSPARENTBLT:
        return TransparentBlt(FHandle, a.x, a.y, w, h, source.Dc(), xSrc, ySrc, cxSrc, cySrc, rop);
    default: { // EMR_MASKBLT
        LONG xMask = r.I32(100, ok), yMask = r.I32(104, ok);
        DWORD offMask = r.U32(112, ok), cbMask = r.U32(116, ok), offMaskBits = r.U32(120, ok),
              cbMaskBits = r.U32(124, ok);
        if (!ok) return FALSE;
        // A mask has no stretched form: a scaled picture copies with the foreground operation.
        if (w != cx || h != cy)
            return StretchBlt(FHandle, a.x, a.y, w, h, source.Dc(), xSrc, ySrc, cx, cy, rop & 0x00FFFFFF);
        HBITMAP mask = ReadBitmap(r, offMask, cbMask, offMaskBits, cbMaskBits);
        if (!mask) return FALSE;
        BOOL done = MaskBlt(FHandle, a.x, a.y, w, h, source.Dc(), xSrc, ySrc, mask, xMask, yMask, rop);
        DeleteObject(mask);
        return done;
    }
    }
}

BOOL Player::PlayText(const GdiRecordReader& r, bool wide) {
    bool ok = true;
    POINT reference = r.Point(36, ok);
    DWORD count = r.U32(44, ok), offString = r.U32(48, ok), options = r.U32(52, ok);
    RECT rect = r.Rect(56, ok);
    DWORD offDx = r.U32(72, ok);
    std::size_t unit = wide ? 2 : 1;
    if (!ok || count > r.Size() || !r.Has(offString, count * unit)) return FALSE;
    bool haveDx = offDx != 0 && r.Has(offDx, std::size_t(count) * 4);
    std::vector<INT> dx(count, 0);
    for (DWORD i = 0; haveDx && i < count; ++i)
        r.Get(offDx + i * 4, dx[i]);
    RECT mapped = MapBox(rect);

    std::size_t at = offDx + std::size_t(count) * 4;
    DWORD tag = 0;
    if (wide && haveDx && r.Get(at, tag) && tag == GdiMetaTextTag) {
        GdiTextRequest q;
        q.Font = GdiSelectedFont(*FTarget);
        std::u16string units(count, u'\0');
        for (DWORD i = 0; i < count; ++i)
            r.Get(offString + i * 2, units[i]);
        std::vector<int> advances;
        for (std::size_t i = 0; i < units.size(); ++i) {
            char32_t ch = units[i];
            int advance = dx[i];
            if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] < 0xE000) {
                ch = 0x10000 + ((ch - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                advance += dx[i + 1];
                ++i;
            }
            q.Text += ch;
            advances.push_back(ScaleX(advance));
        }
        DWORD flags = r.U32(at + 4, ok);
        int width = r.I32(at + 8, ok);
        DWORD positions = r.U32(at + 12, ok);
        at += 16;
        if (!ok || positions != q.Text.size() || positions > (r.Size() - std::min(at, r.Size())) / 8)
            return FALSE;
        for (DWORD i = 0; i < positions; ++i, at += 8)
            q.Positions.push_back(Map(r.Point(at, ok)));
        GdiPointD origin;
        ok = r.Get(at, origin.x) && r.Get(at + 8, origin.y) && ok;
        at += 16;
        q.Cell = ReadDoubles(r, at, ok);
        DWORD marks = r.U32(at, ok);
        at += 4;
        for (DWORD i = 0; ok && i < marks; ++i)
            q.Marks.push_back(ReadDoubles(r, at, ok));
        if (!ok || !q.Font || !std::isfinite(origin.x) || !std::isfinite(origin.y)) return FALSE;
        for (GdiPointD& p : q.Cell)
            p = MapD(p);
        for (auto& mark : q.Marks)
            for (GdiPointD& p : mark)
                p = MapD(p);
        q.Origin = MapD(origin);
        q.Advances = std::move(advances);
        q.Width = ScaleX(width);
        q.Glyphs = (flags & 1) != 0;
        q.HasRect = (flags & 2) != 0;
        q.Rect = mapped;
        q.Options = options & (ETO_OPAQUE | ETO_CLIPPED);
        return FTarget->Device->Text(*FTarget, q);
    }

    // A record of another origin: the text call it stands for.
    POINT at0 = Map(reference);
    for (INT& d : dx)
        d = ScaleX(d);
    const RECT* clip = (options & (ETO_OPAQUE | ETO_CLIPPED)) ? &mapped : nullptr;
    if (wide) {
        std::u16string units(count, u'\0');
        for (DWORD i = 0; i < count; ++i)
            r.Get(offString + i * 2, units[i]);
        return ExtTextOutW(FHandle, at0.x, at0.y, options, clip, units.data(), count,
                           haveDx ? dx.data() : nullptr);
    }
    std::string bytes(reinterpret_cast<const char*>(r.Data() + offString), count);
    return ExtTextOutA(FHandle, at0.x, at0.y, options, clip, bytes.data(), count,
                       haveDx ? dx.data() : nullptr);
}

BOOL Player::Play(const GdiRecordReader& r) {
    bool ok = true;
    DWORD type = r.U32(0, ok);
    if (!ok) return FALSE;
    switch (type) {
    case EMR_HEADER:
    case EMR_EOF:
    case EMR_SETMAPMODE:
        return TRUE;

    // ---- Objects
    case EMR_CREATEPEN: {
        DWORD index = r.U32(8, ok), style = r.U32(12, ok);
        LONG width = r.I32(16, ok);
        COLORREF color = r.U32(24, ok);
        if (!ok) return FALSE;
        HPEN pen = CreatePen(int(style), int(ScaleWidth(width)), color);
        Store(index, pen);
        return pen != nullptr;
    }
    case EMR_EXTCREATEPEN: {
        DWORD index = r.U32(8, ok), style = r.U32(28, ok), width = r.U32(32, ok);
        LOGBRUSH brush;
        brush.lbStyle = r.U32(36, ok);
        brush.lbColor = r.U32(40, ok);
        brush.lbHatch = r.U32(44, ok);
        DWORD entries = r.U32(48, ok);
        if (!ok || entries > 16 || !r.Has(52, std::size_t(entries) * 4)) return FALSE;
        if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_HATCHED && brush.lbStyle != BS_NULL)
            brush.lbStyle = BS_SOLID;
        bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
        std::vector<DWORD> styles(entries);
        for (DWORD i = 0; i < entries; ++i) {
            styles[i] = r.U32(52 + i * 4, ok);
            if (geometric) styles[i] = DWORD(std::max<long long>(0, ScaleWidth(styles[i])));
        }
        HPEN pen = ExtCreatePen(style, geometric ? DWORD(ScaleWidth(width)) : width, &brush, entries,
                                entries ? styles.data() : nullptr);
        Store(index, pen);
        return pen != nullptr;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        DWORD index = r.U32(8, ok);
        LOGBRUSH brush;
        brush.lbStyle = r.U32(12, ok);
        brush.lbColor = r.U32(16, ok);
        brush.lbHatch = r.U32(20, ok);
        // Pattern brushes come with their bitmap in a record of their own.
        if (!ok || (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_HATCHED && brush.lbStyle != BS_NULL))
            return FALSE;
        HBRUSH made = CreateBrushIndirect(&brush);
        Store(index, made);
        return made != nullptr;
    }
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        DWORD index = r.U32(8, ok), offBmi = r.U32(16, ok), cbBmi = r.U32(20, ok), offBits = r.U32(24, ok),
              cbBits = r.U32(28, ok);
        if (!ok) return FALSE;
        HBITMAP bitmap = ReadBitmap(r, offBmi, cbBmi, offBits, cbBits);
        if (!bitmap) return FALSE;
        HBRUSH brush = CreatePatternBrush(bitmap);
        DeleteObject(bitmap);
        Store(index, brush);
        return brush != nullptr;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        DWORD index = r.U32(8, ok);
        LOGFONTW log;
        if (!ok || !r.Get(12, log)) return FALSE;
        if (!FT.Exact()) {
            log.lfHeight = log.lfHeight ? ScaleY(log.lfHeight) : ScaleY(16);
            log.lfWidth = ScaleX(log.lfWidth);
        }
        // Glyphs of a size no page has would take the rasteriser forever.
        if (std::llabs((long long)log.lfHeight) > MaxFontSize ||
            std::llabs((long long)log.lfWidth) > MaxFontSize)
            return FALSE;
        HFONT font = CreateFontIndirectW(&log);
        Store(index, font);
        return font != nullptr;
    }
    case EMR_SELECTOBJECT: {
        HGDIOBJ object = Slot(r.U32(8, ok));
        return ok && object && SelectObject(FHandle, object) != nullptr;
    }
    case EMR_DELETEOBJECT: {
        DWORD index = r.U32(8, ok);
        if (!ok || index == 0 || index >= FHandles) return FALSE;
        Free(FTable->objectHandle[index]);
        FTable->objectHandle[index] = nullptr;
        return TRUE;
    }

    // ---- Settings
    case EMR_SETBKCOLOR:
        return SetBkColor(FHandle, r.U32(8, ok)) != CLR_INVALID && ok;
    case EMR_SETTEXTCOLOR:
        return SetTextColor(FHandle, r.U32(8, ok)) != CLR_INVALID && ok;
    case EMR_SETBKMODE:
        return SetBkMode(FHandle, int(r.U32(8, ok))) != 0 && ok;
    case EMR_SETROP2:
        return SetROP2(FHandle, int(r.U32(8, ok))) != 0 && ok;
    case EMR_SETPOLYFILLMODE:
        return SetPolyFillMode(FHandle, int(r.U32(8, ok))) != 0 && ok;
    case EMR_SETSTRETCHBLTMODE:
        return SetStretchBltMode(FHandle, int(r.U32(8, ok))) != 0 && ok;
    case EMR_SETARCDIRECTION:
        return SetArcDirection(FHandle, int(r.U32(8, ok))) != 0 && ok;
    case EMR_SETTEXTALIGN:
        return SetTextAlign(FHandle, r.U32(8, ok)) != GDI_TA_ERROR && ok;
    case EMR_SETWINDOWORGEX:
        FCoords.WindowOrg = r.Point(8, ok);
        return ok;
    case EMR_SETVIEWPORTORGEX:
        FCoords.ViewportOrg = r.Point(8, ok);
        return ok;
    case EMR_SETBRUSHORGEX:
        FCoords.BrushOrg = r.Point(8, ok);
        ApplyBrushOrg();
        return ok;
    case EMR_SAVEDC:
        if (!SaveDC(FHandle)) return FALSE;
        FSaved.push_back(FCoords);
        return TRUE;
    case EMR_RESTOREDC: {
        LONG relative = r.I32(8, ok);
        // Only the picture's own saved states can be restored.
        if (!ok || relative >= 0 || -(long long)relative > (long long)FSaved.size()) return FALSE;
        if (!RestoreDC(FHandle, relative)) return FALSE;
        FCoords = FSaved[FSaved.size() + relative];
        FSaved.resize(FSaved.size() + relative);
        return TRUE;
    }
    case EMR_EXTSELECTCLIPRGN:
        return PlayClip(r);
    case EMR_MOVETOEX: {
        POINT p = Map(r.Point(8, ok));
        return ok && MoveToEx(FHandle, p.x, p.y, nullptr);
    }

    // ---- Drawing
    case EMR_POLYLINE:
    case EMR_POLYGON:
    case EMR_POLYLINETO:
    case EMR_POLYLINE16:
    case EMR_POLYGON16:
    case EMR_POLYLINETO16: {
        bool small = type == EMR_POLYLINE16 || type == EMR_POLYGON16 || type == EMR_POLYLINETO16;
        std::vector<POINT> pts;
        DWORD count = r.U32(24, ok);
        if (!ok || !Points(r, 28, count, small, pts)) return FALSE;
        if (type == EMR_POLYLINETO || type == EMR_POLYLINETO16) return PolylineTo(FHandle, pts.data(), count);
        if (type == EMR_POLYGON || type == EMR_POLYGON16) return Polygon(FHandle, pts.data(), int(count));
        return Polyline(FHandle, pts.data(), int(count));
    }
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON16:
    case EMR_POLYPOLYLINE16: {
        bool small = type == EMR_POLYPOLYGON16 || type == EMR_POLYPOLYLINE16;
        DWORD polys = r.U32(24, ok), count = r.U32(28, ok);
        if (!ok || polys == 0 || polys > r.Size() / 4 || !r.Has(32, std::size_t(polys) * 4)) return FALSE;
        std::vector<DWORD> counts(polys);
        unsigned long long total = 0;
        for (DWORD i = 0; i < polys; ++i) {
            counts[i] = r.U32(32 + i * 4, ok);
            total += counts[i];
        }
        std::vector<POINT> pts;
        if (total != count || !Points(r, 32 + std::size_t(polys) * 4, count, small, pts)) return FALSE;
        if (type == EMR_POLYPOLYLINE || type == EMR_POLYPOLYLINE16)
            return PolyPolyline(FHandle, pts.data(), counts.data(), polys);
        std::vector<INT> ints(counts.begin(), counts.end());
        return PolyPolygon(FHandle, pts.data(), ints.data(), int(polys));
    }
    case EMR_LINETO: {
        POINT p = Map(r.Point(8, ok));
        return ok && LineTo(FHandle, p.x, p.y);
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE: {
        RECT box = MapBox(r.Rect(8, ok));
        if (!ok) return FALSE;
        return type == EMR_RECTANGLE ? Rectangle(FHandle, box.left, box.top, box.right, box.bottom)
                                     : Ellipse(FHandle, box.left, box.top, box.right, box.bottom);
    }
    case EMR_ROUNDRECT: {
        RECT box = MapBox(r.Rect(8, ok));
        POINT corner = r.Point(24, ok);
        return ok && RoundRect(FHandle, box.left, box.top, box.right, box.bottom, ScaleX(corner.x),
                               ScaleY(corner.y));
    }
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE: {
        RECT box = MapBox(r.Rect(8, ok));
        POINT s = Map(r.Point(24, ok)), e = Map(r.Point(32, ok));
        if (!ok) return FALSE;
        auto call = type == EMR_ARC ? Arc : type == EMR_CHORD ? Chord : Pie;
        return call(FHandle, box.left, box.top, box.right, box.bottom, s.x, s.y, e.x, e.y);
    }
    case EMR_SETPIXELV: {
        POINT p = Map(r.Point(8, ok));
        return ok && SetPixelV(FHandle, p.x, p.y, r.U32(16, ok));
    }
    case EMR_FILLRGN:
    case EMR_INVERTRGN: {
        DWORD size = r.U32(24, ok);
        DWORD brush = type == EMR_FILLRGN ? r.U32(28, ok) : 0;
        GdiRegion recorded;
        std::size_t at = type == EMR_FILLRGN ? 32 : 28;
        if (!ok || !ReadRegion(r, at, size, recorded)) return FALSE;
        HRGN region = MakeRegion(MapRegion(recorded, Offset()));
        BOOL done;
        if (type == EMR_FILLRGN) {
            HGDIOBJ object = Slot(brush);
            done = object && FillRgn(FHandle, region, static_cast<HBRUSH>(object));
        } else {
            done = InvertRgn(FHandle, region);
        }
        DeleteObject(region);
        return done;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_TRANSPARENTBLT: {
        std::size_t fixed = type == EMR_BITBLT    ? sizeof(EMRBITBLT)
                            : type == EMR_MASKBLT ? sizeof(EMRMASKBLT)
                                                  : sizeof(EMRSTRETCHBLT);
        if (r.Size() < fixed) return FALSE;
        return PlayBlt(r, type);
    }
    case EMR_EXTTEXTOUTW:
    case EMR_EXTTEXTOUTA:
        return PlayText(r, type == EMR_EXTTEXTOUTW);

    // ---- Paths
    case EMR_BEGINPATH:
        return BeginPath(FHandle);
    case EMR_ENDPATH:
        return EndPath(FHandle);
    case EMR_ABORTPATH:
        return AbortPath(FHandle);
    case EMR_CLOSEFIGURE:
        return CloseFigure(FHandle);
    case EMR_FILLPATH:
        return FillPath(FHandle);
    case EMR_STROKEPATH:
        return StrokePath(FHandle);
    case EMR_STROKEANDFILLPATH:
        return StrokeAndFillPath(FHandle);
    case EMR_GDICOMMENT: {
        DWORD size = r.U32(8, ok), tag = r.U32(12, ok);
        if (!ok || size < 8 || tag != GdiMetaFigureTag || !r.Has(12, size)) return TRUE;
        bool closed = r.U32(16, ok) != 0;
        std::size_t at = 20;
        std::vector<GdiPointD> points = ReadDoubles(r, at, ok);
        if (!ok || !GdiPathRecording(*FTarget)) return FALSE;
        POINT o = FTarget->Offset();
        for (GdiPointD& p : points) {
            p = MapD(p);
            p.x += o.x;
            p.y += o.y;
        }
        GdiPathAddFigure(*FTarget, std::move(points), closed);
        return TRUE;
    }
    default:
        // Records this system neither writes nor needs are passed over.
        return TRUE;
    }
}

// The players of the enumerations running on this thread, for PlayEnhMetaFileRecord.
thread_local std::vector<Player*> Active;

Player* FindPlayer(HDC dc, HANDLETABLE* table) {
    for (Player* p : Active)
        if (p->Table() == table && p->Dc() == dc) return p;
    return nullptr;
}

int PlayEveryRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM) {
    PlayEnhMetaFileRecord(dc, table, record, UINT(handles));
    return 1;
}

} // namespace

BOOL EnumEnhMetaFile(HDC dc, HENHMETAFILE picture, ENHMFENUMPROC proc, void* data, const RECT* rect) {
    auto source = GdiFindEnhMetaFile(picture);
    if (!source || !proc || (dc && !rect)) return FALSE;
    const std::vector<std::uint8_t>& bytes = source->Bytes;
    WORD handles = 1;
    std::memcpy(&handles, bytes.data() + offsetof(ENHMETAHEADER, nHandles), 2);
    handles = std::max<WORD>(handles, 1);
    std::vector<HGDIOBJ> slots(handles, nullptr);
    slots[0] = picture;
    auto* table = reinterpret_cast<HANDLETABLE*>(slots.data());

    std::optional<Player> player;
    if (dc) {
        auto target = GdiFindDC(dc);
        if (!target) return FALSE;
        player.emplace(dc, target, table, handles, MakeTransform(bytes.data(), *rect));
        if (!player->Begin()) return FALSE;
        Active.push_back(&*player);
    }
    BOOL complete = TRUE;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto* record = reinterpret_cast<const ENHMETARECORD*>(bytes.data() + at);
        DWORD size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (!proc(dc, table, record, int(handles), reinterpret_cast<LPARAM>(data))) {
            complete = FALSE;
            break;
        }
        at += size;
    }
    if (player) {
        Active.erase(std::find(Active.begin(), Active.end(), &*player));
        player->End();
    }
    return complete;
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE picture, const RECT* rect) {
    if (!dc || !rect) return FALSE;
    return EnumEnhMetaFile(dc, picture, PlayEveryRecord, nullptr, rect);
}

BOOL PlayEnhMetaFileRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, UINT handles) {
    Player* player = FindPlayer(dc, table);
    if (!player || !record) return FALSE;
    DWORD size = 0;
    std::memcpy(&size, reinterpret_cast<const std::uint8_t*>(record) + 4, 4);
    if (size < 8) return FALSE;
    return player->Play(GdiRecordReader(record, size));
}
