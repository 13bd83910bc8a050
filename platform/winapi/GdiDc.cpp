// Device contexts: creation, the state calls, SaveDC/RestoreDC and clipping.
#include "platform/winapi/GdiDc.h"

#include <algorithm>
#include <set>

#include "platform/winapi/GdiImageDevice.h"

namespace {

// A bitmap belongs to the one memory context whose state (current or saved) holds it.
void UpdateBitmapOwner(GdiDC& dc, const std::shared_ptr<GdiBitmap>& bitmap) {
    if (!bitmap || bitmap->Stock) return;
    bool held = dc.State.Bitmap == bitmap;
    for (const GdiDcState& s : dc.Saved)
        held = held || s.Bitmap == bitmap;
    if (held)
        bitmap->SelectedInto = &dc;
    else if (bitmap->SelectedInto == &dc)
        bitmap->SelectedInto = nullptr;
}

RECT Normalized(LONG l, LONG t, LONG r, LONG b) {
    return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

bool PointOk(long long x, long long y) { return GdiCoordOk(x) && GdiCoordOk(y); }

// The clip region a combining call starts from: the clip region, or the whole device.
GdiRegion ClipBase(const GdiDC& dc) {
    if (dc.State.Clip) return *dc.State.Clip;
    return GdiRegion(dc.Device->Bounds(dc));
}

int SetClip(GdiDC& dc, GdiRegion region) {
    dc.State.Clip = std::move(region);
    dc.Device->Changed(dc, GdiStateChange::Clip);
    return dc.EffectiveClip().Kind();
}

} // namespace

GdiDC::~GdiDC() {
    auto release = [this](const std::shared_ptr<GdiBitmap>& bitmap) {
        if (bitmap && bitmap->SelectedInto == this) bitmap->SelectedInto = nullptr;
    };
    release(State.Bitmap);
    for (const GdiDcState& s : Saved)
        release(s.Bitmap);
}

GdiRegion GdiDC::EffectiveClip() const {
    GdiRegion clip(Device->Bounds(*this));
    if (const GdiRegion* visible = Device->Visible(*this)) clip &= *visible;
    if (State.Clip) clip &= *State.Clip;
    return clip;
}

COLORREF GdiDC::PenColor() const {
    if (!State.Pen) return 0;
    return State.Pen->DcPen ? State.DcPenColor : State.Pen->Color;
}

COLORREF GdiDC::BrushColor(const GdiBrush& brush) const {
    return brush.DcBrush ? State.DcBrushColor : brush.Color;
}

std::shared_ptr<GdiDC> GdiFindDC(HDC dc) { return GdiFind<GdiDC>(dc); }

HDC GdiCreateDC(DWORD type, std::unique_ptr<GdiDevice> device) {
    if (!device) return nullptr;
    auto dc = std::make_shared<GdiDC>(type, std::move(device));
    dc->State.Pen = std::static_pointer_cast<GdiPen>(GdiStockObject(BLACK_PEN));
    dc->State.Brush = std::static_pointer_cast<GdiBrush>(GdiStockObject(WHITE_BRUSH));
    dc->State.Font = GdiStockObject(SYSTEM_FONT); // none until the stock fonts exist
    if (dc->Device->AcceptsBitmap()) dc->State.Bitmap = GdiDefaultBitmap();
    return static_cast<HDC>(GdiAddObject(dc));
}

HDC GdiCreateImageDC(const GdiImageTarget& target) {
    return GdiCreateDC(OBJ_DC, std::make_unique<GdiImageDevice>(target));
}

BOOL GdiSetImageTarget(HDC handle, const GdiImageTarget& target) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    auto* device = dynamic_cast<GdiImageDevice*>(dc->Device.get());
    if (!device || !device->IsExternal()) return FALSE;
    device->SetTarget(target);
    return TRUE;
}

HDC CreateCompatibleDC(HDC handle) {
    if (handle && !GdiFindDC(handle)) return nullptr;
    return GdiCreateDC(OBJ_MEMDC, std::make_unique<GdiImageDevice>());
}

BOOL DeleteDC(HDC handle) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    GdiRemoveObject(handle);
    return TRUE;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
    auto dc = GdiFindDC(handle);
    if (!dc) return nullptr;
    const GdiDcState& s = dc->State;
    switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        return s.Pen ? s.Pen->Handle : nullptr;
    case OBJ_BRUSH:
        return s.Brush ? s.Brush->Handle : nullptr;
    case OBJ_BITMAP:
        return s.Bitmap ? s.Bitmap->Handle : nullptr;
    case OBJ_FONT:
        return s.Font ? s.Font->Handle : nullptr;
    default:
        return nullptr;
    }
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ objectHandle) {
    auto dc = GdiFindDC(handle);
    auto object = GdiFindObject(objectHandle);
    if (!dc || !object) return nullptr;
    GdiDcState& s = dc->State;
    HGDIOBJ old = nullptr;
    switch (object->ObjectType()) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        old = s.Pen ? s.Pen->Handle : nullptr;
        s.Pen = std::static_pointer_cast<GdiPen>(object);
        break;
    case OBJ_BRUSH:
        old = s.Brush ? s.Brush->Handle : nullptr;
        s.Brush = std::static_pointer_cast<GdiBrush>(object);
        break;
    case OBJ_BITMAP: {
        auto bitmap = std::static_pointer_cast<GdiBitmap>(object);
        if (!dc->Device->AcceptsBitmap()) return nullptr;
        if (!bitmap->Stock && bitmap->SelectedInto && bitmap->SelectedInto != dc.get()) return nullptr;
        auto previous = s.Bitmap;
        old = previous ? previous->Handle : nullptr;
        s.Bitmap = bitmap;
        UpdateBitmapOwner(*dc, bitmap);
        UpdateBitmapOwner(*dc, previous);
        break;
    }
    case OBJ_REGION: {
        int kind = ExtSelectClipRgn(handle, static_cast<HRGN>(objectHandle), RGN_COPY);
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(kind));
    }
    case OBJ_FONT:
        old = s.Font ? s.Font->Handle : nullptr;
        s.Font = object;
        break;
    default:
        return nullptr;
    }
    dc->Device->Changed(*dc, GdiStateChange::Object);
    return old;
}

COLORREF SetDCBrushColor(HDC handle, COLORREF color) {
    auto dc = GdiFindDC(handle);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->State.DcBrushColor;
    dc->State.DcBrushColor = color;
    dc->Device->Changed(*dc, GdiStateChange::Color);
    return old;
}

COLORREF GetDCBrushColor(HDC handle) {
    auto dc = GdiFindDC(handle);
    return dc ? dc->State.DcBrushColor : CLR_INVALID;
}

COLORREF SetDCPenColor(HDC handle, COLORREF color) {
    auto dc = GdiFindDC(handle);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->State.DcPenColor;
    dc->State.DcPenColor = color;
    dc->Device->Changed(*dc, GdiStateChange::Color);
    return old;
}

COLORREF GetDCPenColor(HDC handle) {
    auto dc = GdiFindDC(handle);
    return dc ? dc->State.DcPenColor : CLR_INVALID;
}

int SaveDC(HDC handle) {
    auto dc = GdiFindDC(handle);
    if (!dc) return 0;
    dc->Saved.push_back(dc->State);
    dc->Device->Changed(*dc, GdiStateChange::Save);
    return int(dc->Saved.size());
}

BOOL RestoreDC(HDC handle, int savedLevel) {
    auto dc = GdiFindDC(handle);
    if (!dc || savedLevel == 0) return FALSE;
    long long count = (long long)dc->Saved.size();
    long long index = savedLevel < 0 ? count + savedLevel : (long long)savedLevel - 1;
    if (index < 0 || index >= count) return FALSE;
    std::vector<std::shared_ptr<GdiBitmap>> touched{dc->State.Bitmap};
    for (long long i = index; i < count; ++i)
        touched.push_back(dc->Saved[std::size_t(i)].Bitmap);
    dc->State = std::move(dc->Saved[std::size_t(index)]);
    dc->Saved.resize(std::size_t(index));
    for (const auto& bitmap : touched)
        UpdateBitmapOwner(*dc, bitmap);
    dc->Device->Changed(*dc, GdiStateChange::Restore);
    return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
    auto dc = GdiFindDC(handle);
    return dc ? dc->Device->Caps(*dc, index) : 0;
}

int SetMapMode(HDC handle, int mode) {
    auto dc = GdiFindDC(handle);
    // Only the pixel mapping is provided.
    if (!dc || mode != MM_TEXT) return 0;
    int old = dc->State.MapMode;
    dc->State.MapMode = mode;
    dc->Device->Changed(*dc, GdiStateChange::Mode);
    return old;
}

int GetMapMode(HDC handle) {
    auto dc = GdiFindDC(handle);
    return dc ? dc->State.MapMode : 0;
}

namespace {

BOOL SetPoint(HDC handle, POINT GdiDcState::*member, long long x, long long y, POINT* old, bool relative,
              GdiStateChange change) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    POINT& p = dc->State.*member;
    if (relative) {
        x += p.x;
        y += p.y;
    }
    if (!PointOk(x, y)) return FALSE;
    if (old) *old = p;
    p = {LONG(x), LONG(y)};
    dc->Device->Changed(*dc, change);
    return TRUE;
}

BOOL GetPoint(HDC handle, POINT GdiDcState::*member, POINT* out) {
    auto dc = GdiFindDC(handle);
    if (!dc || !out) return FALSE;
    *out = dc->State.*member;
    return TRUE;
}

template <class T>
T SetMode(HDC handle, T GdiDcState::*member, T value, bool valid, GdiStateChange change, T failure) {
    auto dc = GdiFindDC(handle);
    if (!dc || !valid) return failure;
    T old = dc->State.*member;
    dc->State.*member = value;
    dc->Device->Changed(*dc, change);
    return old;
}

template <class T> T GetMode(HDC handle, T GdiDcState::*member, T failure) {
    auto dc = GdiFindDC(handle);
    return dc ? dc->State.*member : failure;
}

} // namespace

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
    return SetPoint(dc, &GdiDcState::WindowOrg, x, y, old, false, GdiStateChange::Origin);
}
BOOL GetWindowOrgEx(HDC dc, POINT* org) { return GetPoint(dc, &GdiDcState::WindowOrg, org); }
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
    return SetPoint(dc, &GdiDcState::WindowOrg, dx, dy, old, true, GdiStateChange::Origin);
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
    return SetPoint(dc, &GdiDcState::ViewportOrg, x, y, old, false, GdiStateChange::Origin);
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) { return GetPoint(dc, &GdiDcState::ViewportOrg, org); }
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
    return SetPoint(dc, &GdiDcState::ViewportOrg, dx, dy, old, true, GdiStateChange::Origin);
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
    return SetPoint(dc, &GdiDcState::BrushOrg, x, y, old, false, GdiStateChange::BrushOrigin);
}
BOOL GetBrushOrgEx(HDC dc, POINT* org) { return GetPoint(dc, &GdiDcState::BrushOrg, org); }
BOOL GetCurrentPositionEx(HDC dc, POINT* pos) { return GetPoint(dc, &GdiDcState::CurrentPos, pos); }

int SetROP2(HDC dc, int mode) {
    return SetMode(dc, &GdiDcState::Rop2, mode, mode >= R2_BLACK && mode <= R2_WHITE, GdiStateChange::Mode,
                   0);
}
int GetROP2(HDC dc) { return GetMode(dc, &GdiDcState::Rop2, 0); }
int SetBkMode(HDC dc, int mode) {
    return SetMode(dc, &GdiDcState::BkMode, mode, mode == TRANSPARENT || mode == OPAQUE, GdiStateChange::Mode,
                   0);
}
int GetBkMode(HDC dc) { return GetMode(dc, &GdiDcState::BkMode, 0); }
COLORREF SetBkColor(HDC dc, COLORREF color) {
    return SetMode(dc, &GdiDcState::BkColor, color, true, GdiStateChange::Color, CLR_INVALID);
}
COLORREF GetBkColor(HDC dc) { return GetMode(dc, &GdiDcState::BkColor, CLR_INVALID); }
COLORREF SetTextColor(HDC dc, COLORREF color) {
    return SetMode(dc, &GdiDcState::TextColor, color, true, GdiStateChange::Color, CLR_INVALID);
}
COLORREF GetTextColor(HDC dc) { return GetMode(dc, &GdiDcState::TextColor, CLR_INVALID); }
UINT SetTextAlign(HDC dc, UINT align) {
    return SetMode(dc, &GdiDcState::TextAlign, align, true, GdiStateChange::TextAlign, GDI_TA_ERROR);
}
UINT GetTextAlign(HDC dc) { return GetMode(dc, &GdiDcState::TextAlign, GDI_TA_ERROR); }
int SetPolyFillMode(HDC dc, int mode) {
    return SetMode(dc, &GdiDcState::PolyFillMode, mode, mode == ALTERNATE || mode == WINDING,
                   GdiStateChange::Mode, 0);
}
int GetPolyFillMode(HDC dc) { return GetMode(dc, &GdiDcState::PolyFillMode, 0); }
int SetStretchBltMode(HDC dc, int mode) {
    return SetMode(dc, &GdiDcState::StretchMode, mode, mode >= BLACKONWHITE && mode <= HALFTONE,
                   GdiStateChange::Mode, 0);
}
int GetStretchBltMode(HDC dc) { return GetMode(dc, &GdiDcState::StretchMode, 0); }
int SetArcDirection(HDC dc, int direction) {
    return SetMode(dc, &GdiDcState::ArcDirection, direction,
                   direction == AD_COUNTERCLOCKWISE || direction == AD_CLOCKWISE, GdiStateChange::Mode, 0);
}
int GetArcDirection(HDC dc) { return GetMode(dc, &GdiDcState::ArcDirection, 0); }

// ---- Clipping ------------------------------------------------------------------------------

int ExtSelectClipRgn(HDC handle, HRGN regionHandle, int mode) {
    auto dc = GdiFindDC(handle);
    if (!dc || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (!regionHandle) {
        if (mode != RGN_COPY) return ERROR;
        dc->State.Clip.reset();
        dc->Device->Changed(*dc, GdiStateChange::Clip);
        return dc->EffectiveClip().Kind();
    }
    auto region = GdiFind<GdiRegionObject>(regionHandle);
    if (!region) return ERROR;
    if (mode == RGN_COPY) return SetClip(*dc, region->Region);
    return SetClip(*dc, GdiRegion::Combine(ClipBase(*dc), region->Region, mode));
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

namespace {

int CombineClipRect(HDC handle, int left, int top, int right, int bottom, int mode) {
    auto dc = GdiFindDC(handle);
    if (!dc) return ERROR;
    POINT a = dc->ToDevice({left, top}), b = dc->ToDevice({right, bottom});
    if (!PointOk(a.x, a.y) || !PointOk(b.x, b.y)) return ERROR;
    GdiRegion rect(Normalized(a.x, a.y, b.x, b.y));
    return SetClip(*dc, GdiRegion::Combine(ClipBase(*dc), rect, mode));
}

} // namespace

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    return CombineClipRect(dc, left, top, right, bottom, RGN_DIFF);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    return CombineClipRect(dc, left, top, right, bottom, RGN_AND);
}

int OffsetClipRgn(HDC handle, int dx, int dy) {
    auto dc = GdiFindDC(handle);
    if (!dc) return ERROR;
    if (dc->State.Clip) {
        GdiRegion moved = *dc->State.Clip;
        if (!moved.Offset(dx, dy)) return ERROR;
        return SetClip(*dc, std::move(moved));
    }
    return dc->EffectiveClip().Kind();
}

int GetClipRgn(HDC handle, HRGN regionHandle) {
    auto dc = GdiFindDC(handle);
    auto region = GdiFind<GdiRegionObject>(regionHandle);
    if (!dc || !region) return -1;
    if (!dc->State.Clip) return 0;
    region->Region = *dc->State.Clip;
    return 1;
}

int GetClipBox(HDC handle, RECT* rect) {
    auto dc = GdiFindDC(handle);
    if (!dc || !rect) return ERROR;
    GdiRegion clip = dc->EffectiveClip();
    if (clip.IsEmpty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    RECT box = clip.Bounds();
    POINT a = dc->ToLogical({box.left, box.top}), b = dc->ToLogical({box.right, box.bottom});
    *rect = {a.x, a.y, b.x, b.y};
    return clip.Kind();
}

BOOL RectVisible(HDC handle, const RECT* rect) {
    auto dc = GdiFindDC(handle);
    if (!dc || !rect) return FALSE;
    POINT a = dc->ToDevice({rect->left, rect->top}), b = dc->ToDevice({rect->right, rect->bottom});
    return dc->EffectiveClip().Intersects(Normalized(a.x, a.y, b.x, b.y));
}

BOOL PtVisible(HDC handle, int x, int y) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    POINT p = dc->ToDevice({x, y});
    return dc->EffectiveClip().Contains(p.x, p.y);
}
