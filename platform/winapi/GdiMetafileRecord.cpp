// Recording: the device of a metafile context turns every primitive into records. Objects and
// settings are written lazily: before each drawing record the device compares the context's
// state with the state the records so far leave a player in (the mirror) and writes what
// differs. Objects are created once per distinct description and deleted when neither the
// mirror nor a saved mirror uses them any more.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiFont.h"
#include "platform/winapi/GdiImageDevice.h"
#include "platform/winapi/GdiMetafileFormat.h"
#include "platform/winapi/GdiRaster.h"

namespace {

constexpr int CapCount = 128;
constexpr DWORD Stock = ENHMETA_STOCK_OBJECT;
constexpr UINT TextReferenceAlign = TA_LEFT | TA_BASELINE;
constexpr RECT NoRect{0, 0, -1, -1};

// The device the picture is meant for, as GetDeviceCaps and the header describe it.
struct Reference {
    int Caps[CapCount] = {};
    SIZE Pixels{};
    SIZE Micrometres{};
};

Reference MakeReference(HDC dc) {
    Reference ref;
    HDC source = dc;
    HDC screen = nullptr;
    if (!dc || !GdiFindDC(dc)) {
        // No reference: a screen of 96 pixels per inch.
        GdiImageTarget target;
        target.Bounds = {0, 0, 1920, 1080};
        screen = GdiCreateImageDC(target);
        source = screen;
    }
    for (int i = 0; i < CapCount; ++i)
        ref.Caps[i] = GetDeviceCaps(source, i);
    if (screen) DeleteDC(screen);
    int dpiX = ref.Caps[LOGPIXELSX] > 0 ? ref.Caps[LOGPIXELSX] : 96;
    int dpiY = ref.Caps[LOGPIXELSY] > 0 ? ref.Caps[LOGPIXELSY] : 96;
    // A memory context with its 1x1 bitmap says little about a size: the screen's stands in.
    ref.Pixels.cx = ref.Caps[HORZRES] > 1 ? ref.Caps[HORZRES] : 1920;
    ref.Pixels.cy = ref.Caps[VERTRES] > 1 ? ref.Caps[VERTRES] : 1080;
    ref.Micrometres.cx = LONG(std::lround(ref.Pixels.cx * 25400.0 / dpiX));
    ref.Micrometres.cy = LONG(std::lround(ref.Pixels.cy * 25400.0 / dpiY));
    return ref;
}

int StockIndex(const GdiObject* object) {
    if (!object || !object->Stock) return -1;
    for (int i = 0; i <= DC_PEN; ++i)
        if (GdiStockObject(i).get() == object) return i;
    return -1;
}

LONG RoundL(double v) {
    return LONG(std::clamp(std::floor(v + 0.5), -double(GdiMaxCoord), double(GdiMaxCoord)));
}

LONG ClampL(long long v) { return LONG(std::clamp<long long>(v, -GdiMaxCoord, GdiMaxCoord)); }

// A device-independent bitmap for a record: the BITMAPINFO (with a black and white colour
// table for 1 bit per pixel) and the rows, top-down.
struct Dib {
    std::vector<std::uint8_t> Info;
    std::vector<std::uint8_t> Bits;
};

template <class At> Dib MakeDib(int width, int height, bool mono, At&& at) {
    Dib dib;
    BITMAPINFOHEADER h;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = mono ? 1 : 32;
    h.biCompression = BI_RGB;
    h.biClrUsed = mono ? 2 : 0;
    std::size_t stride = mono ? std::size_t((width + 31) / 32) * 4 : std::size_t(width) * 4;
    h.biSizeImage = DWORD(stride * std::size_t(height));
    const auto* hp = reinterpret_cast<const std::uint8_t*>(&h);
    dib.Info.assign(hp, hp + sizeof(h));
    if (mono) {
        const std::uint8_t table[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
        dib.Info.insert(dib.Info.end(), table, table + 8);
    }
    dib.Bits.assign(stride * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = dib.Bits.data() + stride * std::size_t(y);
        for (int x = 0; x < width; ++x) {
            GdiPixel p = at(x, y);
            if (mono) {
                if (p & 0x00FFFFFF) row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
            } else {
                std::memcpy(row + std::size_t(x) * 4, &p, 4);
            }
        }
    }
    return dib;
}

// The direction along the baseline and the one down across it, for an escapement.
struct Axes {
    double Dx, Dy, Ux, Uy;
};
Axes AxesFor(int escapement) {
    if (escapement == 0) return {1, 0, 0, 1};
    double a = escapement * 3.14159265358979323846 / 1800.0;
    double c = std::cos(a), s = std::sin(a);
    return {c, -s, s, c};
}

void PutDoubles(GdiRecordWriter& w, const std::vector<GdiPointD>& points, double dx, double dy) {
    w.U32(std::uint32_t(points.size()));
    for (const GdiPointD& p : points) {
        w.F64(p.x + dx);
        w.F64(p.y + dy);
    }
}

struct Mirror {
    DWORD Pen = Stock | BLACK_PEN;
    DWORD Brush = Stock | WHITE_BRUSH;
    DWORD Font = Stock | SYSTEM_FONT;
    POINT WindowOrg{};
    POINT ViewportOrg{};
    POINT BrushOrg{};
    std::optional<GdiRegion> Clip;
    int Rop2 = R2_COPYPEN;
    int BkMode = OPAQUE;
    int PolyFillMode = ALTERNATE;
    int StretchMode = BLACKONWHITE;
    int ArcDirection = AD_COUNTERCLOCKWISE;
    COLORREF BkColor = RGB(255, 255, 255);
    COLORREF TextColor = RGB(0, 0, 0);
    UINT TextAlign = TA_LEFT | TA_TOP;

    bool Uses(DWORD slot) const { return Pen == slot || Brush == slot || Font == slot; }
};

bool SamePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

std::vector<std::uint8_t> RegionData(const GdiRegion& region) {
    GdiRecordWriter w(0); // only the body is used
    RECT box = region.IsEmpty() ? RECT{} : region.Bounds();
    w.U32(sizeof(RGNDATAHEADER));
    w.U32(RDH_RECTANGLES);
    w.U32(std::uint32_t(region.Rects().size()));
    w.U32(std::uint32_t(region.Rects().size() * sizeof(RECT)));
    w.Rect(box);
    for (const RECT& r : region.Rects())
        w.Rect(r);
    std::vector<std::uint8_t> bytes = w.Finish();
    return std::vector<std::uint8_t>(bytes.begin() + 8, bytes.end());
}

class GdiMetafileDevice : public GdiDevice {
public:
    GdiMetafileDevice(const Reference& reference, std::optional<RECT> frame, std::u16string description,
                      std::optional<String> fileName)
        : FReference(reference), FFrame(frame), FDescription(std::move(description)),
          FFileName(std::move(fileName)) {}

    int Caps(const GdiDC& dc, int index) const override {
        return index >= 0 && index < CapCount ? FReference.Caps[index] : 0;
    }
    RECT Bounds(const GdiDC& dc) const override {
        return {-GdiMaxCoord, -GdiMaxCoord, GdiMaxCoord, GdiMaxCoord};
    }
    void Changed(GdiDC& dc, GdiStateChange what) override;

    BOOL Polyline(GdiDC& dc, const POINT* points, int count) override;
    BOOL PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) override;
    BOOL Rectangle(GdiDC& dc, const RECT& box) override;
    BOOL RoundRect(GdiDC& dc, const RECT& box, int width, int height) override;
    BOOL Ellipse(GdiDC& dc, const RECT& box) override;
    BOOL ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) override;
    BOOL PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) override;
    BOOL Blt(GdiDC& dc, const GdiBltRequest& request) override;
    COLORREF SetPixel(GdiDC& dc, POINT point, COLORREF color) override;
    COLORREF GetPixel(GdiDC& dc, POINT point) override { return CLR_INVALID; }
    BOOL DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) override;
    BOOL Text(GdiDC& dc, const GdiTextRequest& request) override;

    // The whole stream: header, records, EMR_EOF.
    std::vector<std::uint8_t> Finish() const;
    const std::optional<String>& FileName() const { return FFileName; }

private:
    void Add(std::vector<std::uint8_t> record) {
        FRecords.insert(FRecords.end(), record.begin(), record.end());
        ++FRecordCount;
    }
    void AddSimple(DWORD type, DWORD value) {
        GdiRecordWriter w(type);
        w.U32(value);
        Add(w.Finish());
    }
    void AddPoint(DWORD type, POINT p) {
        GdiRecordWriter w(type);
        w.Point(p);
        Add(w.Finish());
    }
    // The slot of an object of this description, created when no live slot has it.
    DWORD Object(DWORD type, const std::vector<std::uint8_t>& body);
    DWORD PenSlot(const GdiDC& dc);
    DWORD BrushSlot(const GdiDC& dc, const GdiBrush* brush);
    DWORD FontSlot(const GdiFontInstance& font);
    void Select(DWORD& current, DWORD wanted) {
        if (current == wanted) return;
        AddSimple(EMR_SELECTOBJECT, wanted);
        current = wanted;
    }
    // Brings the mirror to the context's state.
    void Sync(const GdiDC& dc, bool text = false);
    // Deletes the objects nothing uses any more.
    void Sweep();
    // Widens the picture's bounds by a box of device units (inclusive).
    void Extend(const RECT& box);
    // Device bounds (inclusive) of a logical box, with pad units around it.
    RECT DeviceBox(const GdiDC& dc, long long l, long long t, long long r, long long b, long long pad) const;
    long long PenPad(const GdiDC& dc) const;
    BOOL BoxFigure(GdiDC& dc, DWORD type, const RECT& box, const POINT* extra, int extraCount);

    Reference FReference;
    std::optional<RECT> FFrame;
    std::u16string FDescription;
    std::optional<String> FFileName;
    std::vector<std::uint8_t> FRecords;
    std::size_t FRecordCount = 0;
    Mirror FMirror;
    std::vector<Mirror> FSaved;
    std::vector<std::string> FSlots{std::string()}; // slot 0 is the picture
    std::size_t FMaxSlot = 0;
    bool FHasBounds = false;
    RECT FBounds{};
};

DWORD GdiMetafileDevice::Object(DWORD type, const std::vector<std::uint8_t>& body) {
    std::string key(reinterpret_cast<const char*>(&type), 4);
    key.append(reinterpret_cast<const char*>(body.data()), body.size());
    std::size_t free = 0;
    for (std::size_t i = 1; i < FSlots.size(); ++i) {
        if (FSlots[i] == key) return DWORD(i);
        if (FSlots[i].empty() && !free) free = i;
    }
    if (!free) {
        free = FSlots.size();
        FSlots.emplace_back();
    }
    FSlots[free] = key;
    FMaxSlot = std::max(FMaxSlot, free);
    GdiRecordWriter w(type);
    w.U32(DWORD(free));
    w.Raw(body.data(), body.size());
    Add(w.Finish());
    return DWORD(free);
}

DWORD GdiMetafileDevice::PenSlot(const GdiDC& dc) {
    const GdiPen* pen = dc.State.Pen.get();
    if (!pen) return Stock | BLACK_PEN;
    if (!pen->DcPen) {
        int index = StockIndex(pen);
        if (index >= 0) return Stock | DWORD(index);
    }
    GdiRecordWriter body(0);
    if (!pen->Extended) {
        body.U32(pen->Style);
        body.I32(pen->Width);
        body.I32(0);
        body.U32(dc.PenColor());
        std::vector<std::uint8_t> bytes = body.Finish();
        return Object(EMR_CREATEPEN, std::vector<std::uint8_t>(bytes.begin() + 8, bytes.end()));
    }
    // No bitmap travels with the pen: pattern pens draw in their colour.
    for (int i = 0; i < 4; ++i)
        body.U32(0);
    body.U32(pen->Style);
    body.U32(DWORD(pen->Width));
    bool known = pen->BrushStyle == BS_SOLID || pen->BrushStyle == BS_HATCHED || pen->BrushStyle == BS_NULL;
    body.U32(known ? pen->BrushStyle : BS_SOLID);
    body.U32(dc.PenColor());
    body.U32(ULONG(pen->Hatch));
    body.U32(DWORD(pen->UserStyle.size()));
    for (DWORD entry : pen->UserStyle)
        body.U32(entry);
    if (pen->UserStyle.empty()) body.U32(0);
    std::vector<std::uint8_t> bytes = body.Finish();
    return Object(EMR_EXTCREATEPEN, std::vector<std::uint8_t>(bytes.begin() + 8, bytes.end()));
}

DWORD GdiMetafileDevice::BrushSlot(const GdiDC& dc, const GdiBrush* brush) {
    if (!brush) return Stock | NULL_BRUSH;
    if (!brush->DcBrush) {
        int index = StockIndex(brush);
        if (index >= 0) return Stock | DWORD(index);
    }
    GdiRecordWriter body(0);
    bool pattern = !brush->Pattern.empty() && brush->PatternWidth > 0 && brush->PatternHeight > 0 &&
                   brush->Style != BS_SOLID && brush->Style != BS_HATCHED && brush->Style != BS_NULL;
    if (!pattern) {
        UINT style = brush->Style == BS_NULL || brush->Style == BS_HATCHED ? brush->Style : BS_SOLID;
        body.U32(style);
        body.U32(style == BS_NULL ? 0 : dc.BrushColor(*brush));
        body.U32(style == BS_HATCHED ? ULONG(brush->Hatch) : 0);
        std::vector<std::uint8_t> bytes = body.Finish();
        return Object(EMR_CREATEBRUSHINDIRECT, std::vector<std::uint8_t>(bytes.begin() + 8, bytes.end()));
    }
    int w = brush->PatternWidth, h = brush->PatternHeight;
    Dib dib = MakeDib(w, h, brush->PatternMono,
                      [&](int x, int y) { return brush->Pattern[std::size_t(y) * w + x]; });
    // Offsets count from the start of the record: 32 bytes of fixed fields come first.
    constexpr DWORD fixed = sizeof(EMRCREATEDIBPATTERNBRUSHPT);
    body.U32(DIB_RGB_COLORS);
    body.U32(fixed);
    body.U32(DWORD(dib.Info.size()));
    body.U32(fixed + DWORD(dib.Info.size()));
    body.U32(DWORD(dib.Bits.size()));
    body.Raw(dib.Info.data(), dib.Info.size());
    body.Raw(dib.Bits.data(), dib.Bits.size());
    std::vector<std::uint8_t> bytes = body.Finish();
    return Object(EMR_CREATEDIBPATTERNBRUSHPT, std::vector<std::uint8_t>(bytes.begin() + 8, bytes.end()));
}

DWORD GdiMetafileDevice::FontSlot(const GdiFontInstance& font) {
    // The font the text was measured and drawn with (DrawText may take the system font
    // rather than the selected one).
    LOGFONTW log;
    const LOGFONTA& a = font.Log;
    log.lfHeight = a.lfHeight;
    log.lfWidth = a.lfWidth;
    log.lfEscapement = a.lfEscapement;
    log.lfOrientation = a.lfOrientation;
    log.lfWeight = a.lfWeight;
    log.lfItalic = a.lfItalic;
    log.lfUnderline = a.lfUnderline;
    log.lfStrikeOut = a.lfStrikeOut;
    log.lfCharSet = a.lfCharSet;
    log.lfOutPrecision = a.lfOutPrecision;
    log.lfClipPrecision = a.lfClipPrecision;
    log.lfQuality = a.lfQuality;
    log.lfPitchAndFamily = a.lfPitchAndFamily;
    WideString face = StringToWide(font.FaceName);
    std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    if (n > 0 && n < face.size() && face[n - 1] >= 0xD800 && face[n - 1] < 0xDC00) --n;
    std::copy(face.begin(), face.begin() + std::ptrdiff_t(n), log.lfFaceName);
    std::vector<std::uint8_t> body(sizeof(log));
    std::memcpy(body.data(), &log, sizeof(log));
    return Object(EMR_EXTCREATEFONTINDIRECTW, body);
}

void GdiMetafileDevice::Sync(const GdiDC& dc, bool text) {
    const GdiDcState& s = dc.State;
    Select(FMirror.Pen, PenSlot(dc));
    Select(FMirror.Brush, BrushSlot(dc, s.Brush.get()));
    if (s.BkColor != FMirror.BkColor) AddSimple(EMR_SETBKCOLOR, FMirror.BkColor = s.BkColor);
    if (s.TextColor != FMirror.TextColor) AddSimple(EMR_SETTEXTCOLOR, FMirror.TextColor = s.TextColor);
    if (s.BkMode != FMirror.BkMode) AddSimple(EMR_SETBKMODE, DWORD(FMirror.BkMode = s.BkMode));
    if (s.Rop2 != FMirror.Rop2) AddSimple(EMR_SETROP2, DWORD(FMirror.Rop2 = s.Rop2));
    if (s.PolyFillMode != FMirror.PolyFillMode)
        AddSimple(EMR_SETPOLYFILLMODE, DWORD(FMirror.PolyFillMode = s.PolyFillMode));
    if (s.StretchMode != FMirror.StretchMode)
        AddSimple(EMR_SETSTRETCHBLTMODE, DWORD(FMirror.StretchMode = s.StretchMode));
    if (s.ArcDirection != FMirror.ArcDirection)
        AddSimple(EMR_SETARCDIRECTION, DWORD(FMirror.ArcDirection = s.ArcDirection));
    // Text records carry the start of their baseline, whatever alignment placed it.
    if (text && FMirror.TextAlign != TextReferenceAlign)
        AddSimple(EMR_SETTEXTALIGN, FMirror.TextAlign = TextReferenceAlign);
    if (!SamePoint(s.WindowOrg, FMirror.WindowOrg))
        AddPoint(EMR_SETWINDOWORGEX, FMirror.WindowOrg = s.WindowOrg);
    if (!SamePoint(s.ViewportOrg, FMirror.ViewportOrg))
        AddPoint(EMR_SETVIEWPORTORGEX, FMirror.ViewportOrg = s.ViewportOrg);
    if (!SamePoint(s.BrushOrg, FMirror.BrushOrg)) AddPoint(EMR_SETBRUSHORGEX, FMirror.BrushOrg = s.BrushOrg);
    if (s.Clip != FMirror.Clip) {
        GdiRecordWriter w(EMR_EXTSELECTCLIPRGN);
        if (s.Clip) {
            std::vector<std::uint8_t> data = RegionData(*s.Clip);
            w.U32(DWORD(data.size()));
            w.U32(RGN_COPY);
            w.Raw(data.data(), data.size());
        } else {
            w.U32(0);
            w.U32(RGN_COPY);
        }
        Add(w.Finish());
        FMirror.Clip = s.Clip;
    }
}

void GdiMetafileDevice::Sweep() {
    for (std::size_t i = 1; i < FSlots.size(); ++i) {
        if (FSlots[i].empty() || FMirror.Uses(DWORD(i))) continue;
        bool used = false;
        for (const Mirror& m : FSaved)
            used = used || m.Uses(DWORD(i));
        if (used) continue;
        AddSimple(EMR_DELETEOBJECT, DWORD(i));
        FSlots[i].clear();
    }
}

void GdiMetafileDevice::Changed(GdiDC& dc, GdiStateChange what) {
    if (what == GdiStateChange::Save) {
        GdiRecordWriter w(EMR_SAVEDC);
        Add(w.Finish());
        FSaved.push_back(FMirror);
    } else if (what == GdiStateChange::Restore) {
        std::size_t depth = dc.Saved.size();
        if (depth >= FSaved.size()) return;
        AddSimple(EMR_RESTOREDC, DWORD(-LONG(FSaved.size() - depth)));
        FMirror = FSaved[depth];
        FSaved.resize(depth);
        Sweep();
    }
}

void GdiMetafileDevice::Extend(const RECT& box) {
    if (box.left > box.right || box.top > box.bottom) return;
    if (!FHasBounds) {
        FBounds = box;
        FHasBounds = true;
        return;
    }
    FBounds.left = std::min(FBounds.left, box.left);
    FBounds.top = std::min(FBounds.top, box.top);
    FBounds.right = std::max(FBounds.right, box.right);
    FBounds.bottom = std::max(FBounds.bottom, box.bottom);
}

RECT GdiMetafileDevice::DeviceBox(const GdiDC& dc, long long l, long long t, long long r, long long b,
                                  long long pad) const {
    POINT o = dc.Offset();
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return {ClampL(l + o.x - pad), ClampL(t + o.y - pad), ClampL(r + o.x + pad), ClampL(b + o.y + pad)};
}

long long GdiMetafileDevice::PenPad(const GdiDC& dc) const {
    const GdiPen* pen = dc.State.Pen.get();
    if (!pen || pen->Dash() == PS_NULL) return 0;
    return pen->IsGeometric() ? (pen->Width + 1) / 2 : 0;
}

// ---- Primitives -------------------------------------------------------------------------------

BOOL GdiMetafileDevice::Polyline(GdiDC& dc, const POINT* points, int count) {
    Sync(dc);
    GdiRecordWriter w(EMR_POLYLINE);
    long long l = points[0].x, t = points[0].y, r = l, b = t;
    for (int i = 1; i < count; ++i) {
        l = std::min<long long>(l, points[i].x), r = std::max<long long>(r, points[i].x);
        t = std::min<long long>(t, points[i].y), b = std::max<long long>(b, points[i].y);
    }
    RECT box = DeviceBox(dc, l, t, r, b, PenPad(dc));
    w.Rect(box);
    w.U32(DWORD(count));
    for (int i = 0; i < count; ++i)
        w.Point(points[i]);
    Add(w.Finish());
    Extend(box);
    Sweep();
    return TRUE;
}

BOOL GdiMetafileDevice::PolyPolygon(GdiDC& dc, const POINT* points, const INT* counts, int polygons) {
    Sync(dc);
    std::size_t total = 0;
    for (int i = 0; i < polygons; ++i)
        total += std::size_t(counts[i]);
    long long l = points[0].x, t = points[0].y, r = l, b = t;
    for (std::size_t i = 1; i < total; ++i) {
        l = std::min<long long>(l, points[i].x), r = std::max<long long>(r, points[i].x);
        t = std::min<long long>(t, points[i].y), b = std::max<long long>(b, points[i].y);
    }
    RECT box = DeviceBox(dc, l, t, r, b, PenPad(dc));
    GdiRecordWriter w(polygons == 1 ? EMR_POLYGON : EMR_POLYPOLYGON);
    w.Rect(box);
    if (polygons != 1) {
        w.U32(DWORD(polygons));
        w.U32(DWORD(total));
        for (int i = 0; i < polygons; ++i)
            w.U32(DWORD(counts[i]));
    } else {
        w.U32(DWORD(total));
    }
    for (std::size_t i = 0; i < total; ++i)
        w.Point(points[i]);
    Add(w.Finish());
    Extend(box);
    Sweep();
    return TRUE;
}

BOOL GdiMetafileDevice::BoxFigure(GdiDC& dc, DWORD type, const RECT& box, const POINT* extra,
                                  int extraCount) {
    Sync(dc);
    GdiRecordWriter w(type);
    w.Rect(box);
    for (int i = 0; i < extraCount; ++i)
        w.Point(extra[i]);
    Add(w.Finish());
    // The box's right and bottom lie outside it.
    long long l = std::min(box.left, box.right), r = std::max(box.left, box.right);
    long long t = std::min(box.top, box.bottom), b = std::max(box.top, box.bottom);
    if (r > l && b > t) Extend(DeviceBox(dc, l, t, r - 1, b - 1, PenPad(dc)));
    Sweep();
    return TRUE;
}

BOOL GdiMetafileDevice::Rectangle(GdiDC& dc, const RECT& box) {
    return BoxFigure(dc, EMR_RECTANGLE, box, nullptr, 0);
}

BOOL GdiMetafileDevice::RoundRect(GdiDC& dc, const RECT& box, int width, int height) {
    POINT corner{width, height};
    return BoxFigure(dc, EMR_ROUNDRECT, box, &corner, 1);
}

BOOL GdiMetafileDevice::Ellipse(GdiDC& dc, const RECT& box) {
    return BoxFigure(dc, EMR_ELLIPSE, box, nullptr, 0);
}

BOOL GdiMetafileDevice::ArcFigure(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) {
    POINT ends[2] = {start, end};
    DWORD type = kind == GdiArcKind::Arc ? EMR_ARC : kind == GdiArcKind::Chord ? EMR_CHORD : EMR_PIE;
    return BoxFigure(dc, type, box, ends, 2);
}

BOOL GdiMetafileDevice::PaintRegion(GdiDC& dc, const GdiRegion& region, const GdiBrush* brush, DWORD rop) {
    Sync(dc);
    if (region.IsEmpty()) return TRUE;
    RECT r = region.Bounds();
    RECT box = DeviceBox(dc, r.left, r.top, (long long)r.right - 1, (long long)r.bottom - 1, 0);
    std::uint8_t index = GdiRopIndex(rop);
    if ((index == 0xF0 && brush) || index == 0x55) {
        // A fill with a brush, or an inversion: the region goes whole.
        std::vector<std::uint8_t> data = RegionData(region);
        GdiRecordWriter w(index == 0x55 ? EMR_INVERTRGN : EMR_FILLRGN);
        w.Rect(box);
        w.U32(DWORD(data.size()));
        if (index != 0x55) w.U32(BrushSlot(dc, brush));
        w.Raw(data.data(), data.size());
        Add(w.Finish());
    } else {
        // Any other operation: one pattern blit per rectangle, with the brush selected.
        if (GdiRopUsesPattern(index)) {
            if (!brush) return FALSE;
            Select(FMirror.Brush, BrushSlot(dc, brush));
        }
        for (const RECT& rect : region.Rects()) {
            GdiRecordWriter w(EMR_BITBLT);
            w.Rect(
                DeviceBox(dc, rect.left, rect.top, (long long)rect.right - 1, (long long)rect.bottom - 1, 0));
            w.I32(rect.left);
            w.I32(rect.top);
            w.I32(rect.right - rect.left);
            w.I32(rect.bottom - rect.top);
            w.U32(rop);
            w.I32(0);
            w.I32(0);
            XFORM identity;
            w.Raw(&identity, sizeof(identity));
            for (int i = 0; i < 6; ++i)
                w.U32(0);
            Add(w.Finish());
        }
    }
    Extend(box);
    Sweep();
    return TRUE;
}

COLORREF GdiMetafileDevice::SetPixel(GdiDC& dc, POINT point, COLORREF color) {
    Sync(dc);
    GdiRecordWriter w(EMR_SETPIXELV);
    w.Point(point);
    w.U32(color);
    Add(w.Finish());
    Extend(DeviceBox(dc, point.x, point.y, point.x, point.y, 0));
    Sweep();
    return GdiResolveColor(color) & 0x00FFFFFF;
}

BOOL GdiMetafileDevice::DrawPath(GdiDC& dc, const GdiPath& path, bool fill, bool stroke) {
    Sync(dc);
    POINT o = dc.Offset();
    Add(GdiRecordWriter(EMR_BEGINPATH).Finish());
    double l = 0, t = 0, r = -1, b = -1;
    bool any = false;
    for (const GdiPathFigure& figure : path.Figures) {
        bool whole = true;
        for (const GdiPointD& p : figure.Points) {
            whole = whole && p.x == std::floor(p.x) && p.y == std::floor(p.y) && GdiCoordOk((long long)p.x) &&
                    GdiCoordOk((long long)p.y);
            if (!any) {
                l = r = p.x;
                t = b = p.y;
                any = true;
            }
            l = std::min(l, p.x), r = std::max(r, p.x), t = std::min(t, p.y), b = std::max(b, p.y);
        }
        if (whole) {
            GdiRecordWriter w(figure.Closed ? EMR_POLYGON : EMR_POLYLINE);
            w.Rect(NoRect);
            w.U32(DWORD(figure.Points.size()));
            for (const GdiPointD& p : figure.Points)
                w.Point({ClampL((long long)p.x - o.x), ClampL((long long)p.y - o.y)});
            Add(w.Finish());
        } else {
            GdiRecordWriter w(EMR_GDICOMMENT);
            std::size_t sizeAt = w.Size();
            w.U32(0);
            std::size_t start = w.Size();
            w.U32(GdiMetaFigureTag);
            w.U32(figure.Closed ? 1 : 0);
            PutDoubles(w, figure.Points, -o.x, -o.y);
            w.PatchU32(sizeAt, DWORD(w.Size() - start));
            Add(w.Finish());
        }
    }
    Add(GdiRecordWriter(EMR_ENDPATH).Finish());
    GdiRecordWriter w(fill && stroke ? EMR_STROKEANDFILLPATH : fill ? EMR_FILLPATH : EMR_STROKEPATH);
    RECT box = NoRect;
    if (any) {
        long long pad = stroke ? PenPad(dc) + 1 : 1;
        box = {ClampL((long long)std::floor(l) - pad), ClampL((long long)std::floor(t) - pad),
               ClampL((long long)std::ceil(r) + pad), ClampL((long long)std::ceil(b) + pad)};
    }
    w.Rect(box);
    Add(w.Finish());
    if (any) Extend(box);
    Sweep();
    return TRUE;
}

BOOL GdiMetafileDevice::Blt(GdiDC& dc, const GdiBltRequest& q) {
    std::uint8_t fore = GdiRopIndex(q.Rop);
    std::uint8_t back = q.Mask ? GdiRopIndex(q.BackRop) : fore;
    bool needSource = q.Transparent || GdiRopUsesSource(fore) || GdiRopUsesSource(back);
    if (q.Width == 0 || q.Height == 0) return TRUE;
    Dib source, mask;
    LONG srcX = 0, srcY = 0;
    COLORREF srcBack = 0;
    if (needSource) {
        GdiSurface s;
        POINT origin{};
        if (!q.Src || !q.Src->Device->SourcePixels(*q.Src, s, origin) || !s.IsValid()) return FALSE;
        if (q.SrcWidth == 0 || q.SrcHeight == 0) return TRUE;
        POINT s0 = q.Src->ToDevice({q.SrcX, q.SrcY});
        long long x0 = (long long)s0.x + origin.x, y0 = (long long)s0.y + origin.y;
        // Only the part of the source the blit can read travels with the record.
        long long fromX = q.SrcWidth < 0 ? x0 + q.SrcWidth + 1 : x0, toX = fromX + std::llabs(q.SrcWidth);
        long long fromY = q.SrcHeight < 0 ? y0 + q.SrcHeight + 1 : y0, toY = fromY + std::llabs(q.SrcHeight);
        fromX = std::max<long long>(fromX, 0), toX = std::min<long long>(toX, s.Width);
        fromY = std::max<long long>(fromY, 0), toY = std::min<long long>(toY, s.Height);
        if (fromX >= toX || fromY >= toY) return TRUE;
        source = MakeDib(int(toX - fromX), int(toY - fromY), s.Mono,
                         [&](int x, int y) { return s.Row(int(fromY + y))[fromX + x]; });
        srcX = ClampL(x0 - fromX);
        srcY = ClampL(y0 - fromY);
        srcBack = q.Src->State.BkColor;
    }
    if (q.Mask) {
        GdiSurface m = q.Mask->Surface();
        if (!q.Mask->Mono || q.Width < 0 || q.Height < 0 || q.MaskX < 0 || q.MaskY < 0 ||
            (long long)q.MaskX + q.Width > m.Width || (long long)q.MaskY + q.Height > m.Height)
            return FALSE;
        mask =
            MakeDib(q.Width, q.Height, true, [&](int x, int y) { return m.Row(q.MaskY + y)[q.MaskX + x]; });
    }
    Sync(dc);
    if (GdiRopUsesPattern(fore) || GdiRopUsesPattern(back)) {
        if (!dc.State.Brush) return FALSE;
    }
    DWORD type = q.Transparent                                                      ? EMR_TRANSPARENTBLT
                 : q.Mask                                                           ? EMR_MASKBLT
                 : needSource && (q.SrcWidth != q.Width || q.SrcHeight != q.Height) ? EMR_STRETCHBLT
                                                                                    : EMR_BITBLT;
    DWORD fixed = type == EMR_BITBLT    ? sizeof(EMRBITBLT)
                  : type == EMR_MASKBLT ? sizeof(EMRMASKBLT)
                                        : sizeof(EMRSTRETCHBLT);
    RECT box = DeviceBox(dc, q.X, q.Y, (long long)q.X + q.Width + (q.Width > 0 ? -1 : 1),
                         (long long)q.Y + q.Height + (q.Height > 0 ? -1 : 1), 0);
    GdiRecordWriter w(type);
    w.Rect(box);
    w.I32(q.X);
    w.I32(q.Y);
    w.I32(q.Width);
    w.I32(q.Height);
    DWORD rop = q.Transparent ? q.TransparentColor
                : q.Mask      ? MAKEROP4(q.Rop & 0x00FF0000, q.BackRop & 0x00FF0000)
                              : q.Rop;
    w.U32(rop);
    w.I32(srcX);
    w.I32(srcY);
    XFORM identity;
    w.Raw(&identity, sizeof(identity));
    w.U32(srcBack);
    w.U32(DIB_RGB_COLORS);
    DWORD at = fixed;
    auto place = [&](const Dib& dib) {
        if (dib.Info.empty()) {
            for (int i = 0; i < 4; ++i)
                w.U32(0);
            return;
        }
        w.U32(at);
        w.U32(DWORD(dib.Info.size()));
        w.U32(at + DWORD(dib.Info.size()));
        w.U32(DWORD(dib.Bits.size()));
        at += DWORD(dib.Info.size() + dib.Bits.size());
    };
    place(source);
    if (type == EMR_STRETCHBLT || type == EMR_TRANSPARENTBLT) {
        w.I32(q.SrcWidth);
        w.I32(q.SrcHeight);
    } else if (type == EMR_MASKBLT) {
        w.I32(0);
        w.I32(0);
        w.U32(DIB_RGB_COLORS);
        place(mask);
    }
    for (const Dib* dib : {&source, &mask}) {
        w.Raw(dib->Info.data(), dib->Info.size());
        w.Raw(dib->Bits.data(), dib->Bits.size());
    }
    Add(w.Finish());
    Extend(box);
    Sweep();
    return TRUE;
}

BOOL GdiMetafileDevice::Text(GdiDC& dc, const GdiTextRequest& r) {
    if (!r.Font) return FALSE;
    Sync(dc, true);
    Select(FMirror.Font, FontSlot(*r.Font));
    const GdiFontInstance& font = *r.Font;
    // The cells' box, and the opaque rectangle.
    Axes ax = AxesFor(font.Escapement);
    double corners[4][2];
    const double along[2] = {0, double(r.Width)}, down[2] = {-double(font.Ascent), double(font.Descent)};
    for (int i = 0; i < 4; ++i) {
        corners[i][0] = r.Origin.x + ax.Dx * along[i & 1] + ax.Ux * down[i >> 1];
        corners[i][1] = r.Origin.y + ax.Dy * along[i & 1] + ax.Uy * down[i >> 1];
    }
    double l = corners[0][0], rr = l, t = corners[0][1], b = t;
    for (auto& c : corners) {
        l = std::min(l, c[0]), rr = std::max(rr, c[0]), t = std::min(t, c[1]), b = std::max(b, c[1]);
    }
    RECT box = DeviceBox(dc, (long long)std::floor(l), (long long)std::floor(t), (long long)std::ceil(rr) - 1,
                         (long long)std::ceil(b) - 1, 0);
    if (r.HasRect && (r.Options & ETO_OPAQUE)) {
        RECT opaque = DeviceBox(dc, r.Rect.left, r.Rect.top, (long long)r.Rect.right - 1,
                                (long long)r.Rect.bottom - 1, 0);
        if (r.Width == 0)
            box = opaque;
        else
            box = {std::min(box.left, opaque.left), std::min(box.top, opaque.top),
                   std::max(box.right, opaque.right), std::max(box.bottom, opaque.bottom)};
    }

    std::u16string units;
    std::vector<std::int32_t> dx;
    for (std::size_t i = 0; i < r.Text.size(); ++i) {
        char32_t ch = r.Text[i];
        int advance = i < r.Advances.size() ? r.Advances[i] : 0;
        if (ch >= 0x10000) {
            units += char16_t(0xD800 + ((ch - 0x10000) >> 10));
            units += char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF));
            dx.push_back(advance);
            dx.push_back(0);
        } else {
            units += char16_t(ch);
            dx.push_back(advance);
        }
    }

    GdiRecordWriter w(EMR_EXTTEXTOUTW);
    w.Rect(box);
    w.U32(GM_COMPATIBLE);
    w.F32(0);
    w.F32(0);
    w.Point({RoundL(r.Origin.x), RoundL(r.Origin.y)});
    w.U32(DWORD(units.size()));
    std::size_t offString = w.Size();
    w.U32(0);
    w.U32(r.Options);
    w.Rect(r.HasRect ? r.Rect : NoRect);
    std::size_t offDx = w.Size();
    w.U32(0);
    w.PatchU32(offString, DWORD(w.Size()));
    w.Raw(units.data(), units.size() * 2);
    w.Pad4();
    w.PatchU32(offDx, DWORD(w.Size()));
    w.Raw(dx.data(), dx.size() * 4);
    // What exact playback needs beyond the format's fields.
    w.U32(GdiMetaTextTag);
    w.U32((r.Glyphs ? 1 : 0) | (r.HasRect ? 2 : 0));
    w.I32(r.Width);
    w.U32(DWORD(r.Positions.size()));
    for (const POINT& p : r.Positions)
        w.Point(p);
    w.F64(r.Origin.x);
    w.F64(r.Origin.y);
    PutDoubles(w, r.Cell, 0, 0);
    w.U32(DWORD(r.Marks.size()));
    for (const auto& mark : r.Marks)
        PutDoubles(w, mark, 0, 0);
    Add(w.Finish());
    Extend(box);
    Sweep();
    return TRUE;
}

// ---- The stream ---------------------------------------------------------------------------------

std::vector<std::uint8_t> GdiMetafileDevice::Finish() const {
    ENHMETAHEADER h;
    h.rclBounds = FHasBounds ? FBounds : NoRect;
    // Hundredths of a millimetre per device unit, as the header's sizes give it.
    double perX = FReference.Micrometres.cx / 10.0 / FReference.Pixels.cx;
    double perY = FReference.Micrometres.cy / 10.0 / FReference.Pixels.cy;
    if (FFrame) {
        h.rclFrame = *FFrame;
    } else if (FHasBounds) {
        h.rclFrame = {LONG(std::lround(FBounds.left * perX)), LONG(std::lround(FBounds.top * perY)),
                      LONG(std::lround((FBounds.right + 1.0) * perX)),
                      LONG(std::lround((FBounds.bottom + 1.0) * perY))};
    }
    h.szlDevice = FReference.Pixels;
    h.szlMicrometers = FReference.Micrometres;
    h.szlMillimeters = {LONG(std::lround(FReference.Micrometres.cx / 1000.0)),
                        LONG(std::lround(FReference.Micrometres.cy / 1000.0))};
    h.nHandles = WORD(std::min<std::size_t>(FMaxSlot + 1, 0xFFFF));
    std::size_t headerSize = sizeof(ENHMETAHEADER);
    if (!FDescription.empty()) {
        h.nDescription = DWORD(FDescription.size());
        h.offDescription = DWORD(headerSize);
        headerSize += (FDescription.size() * 2 + 3) / 4 * 4;
    }
    h.nSize = DWORD(headerSize);
    h.nRecords = DWORD(FRecordCount + 2);
    h.nBytes = DWORD(headerSize + FRecords.size() + sizeof(EMREOF));

    std::vector<std::uint8_t> out(headerSize, 0);
    std::memcpy(out.data(), &h, sizeof(h));
    if (!FDescription.empty())
        std::memcpy(out.data() + sizeof(h), FDescription.data(), FDescription.size() * 2);
    out.insert(out.end(), FRecords.begin(), FRecords.end());
    GdiRecordWriter eof(EMR_EOF);
    eof.U32(0);
    eof.U32(sizeof(EMREOF) - 4);
    eof.U32(sizeof(EMREOF));
    std::vector<std::uint8_t> tail = eof.Finish();
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

// A description: the strings up to the first empty one, each with its NUL, and the final NUL.
template <class Char> std::vector<std::u16string> DescriptionParts(const Char* text) {
    std::vector<std::u16string> parts;
    if (!text) return parts;
    // Two strings (application and title) are what the format expects; a few more are kept.
    for (int part = 0; part < 16 && *text; ++part) {
        std::basic_string<Char> s;
        while (*text)
            s += *text++;
        ++text;
        if constexpr (sizeof(Char) == 1)
            parts.push_back(StringToWide(String(s.begin(), s.end())));
        else
            parts.push_back(std::u16string(s.begin(), s.end()));
    }
    return parts;
}

HDC Create(HDC reference, std::optional<String> fileName, const RECT* frame,
           const std::vector<std::u16string>& parts) {
    if (reference && !GdiFindDC(reference)) return nullptr;
    if (fileName) {
        // The file is made now, so that a name that cannot be written fails here.
        FILE* file = std::fopen(fileName->c_str(), "wb");
        if (!file) return nullptr;
        std::fclose(file);
    }
    std::u16string description;
    for (const std::u16string& part : parts) {
        description += part;
        description += u'\0';
    }
    if (!description.empty()) description += u'\0';
    std::optional<RECT> wanted;
    if (frame) wanted = *frame;
    return GdiCreateDC(OBJ_ENHMETADC,
                       std::make_unique<GdiMetafileDevice>(MakeReference(reference), wanted,
                                                           std::move(description), std::move(fileName)));
}

} // namespace

HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description) {
    std::optional<String> name;
    if (fileName) name = String(fileName);
    return Create(reference, std::move(name), frame, DescriptionParts(description));
}

HDC CreateEnhMetaFileW(HDC reference, const char16_t* fileName, const RECT* frame,
                       const char16_t* description) {
    std::optional<String> name;
    if (fileName) name = WideToString(WideString(fileName));
    return Create(reference, std::move(name), frame, DescriptionParts(description));
}

HENHMETAFILE CloseEnhMetaFile(HDC handle) {
    auto dc = GdiFindDC(handle);
    auto* device = dc ? dynamic_cast<GdiMetafileDevice*>(dc->Device.get()) : nullptr;
    if (!device) return nullptr;
    std::vector<std::uint8_t> bytes = device->Finish();
    std::optional<String> fileName = device->FileName();
    dc.reset();
    DeleteDC(handle);
    HENHMETAFILE picture = GdiAddEnhMetaFile(bytes.data(), bytes.size());
    if (picture && fileName && !GdiWriteMetafileBytes(*fileName, bytes)) {
        DeleteEnhMetaFile(picture);
        return nullptr;
    }
    return picture;
}
