// Paths: the bracket, the recording of figures and the calls that use a finished path.
#include "platform/winapi/GdiPath.h"

#include <algorithm>

#include "platform/winapi/GdiRaster.h"

namespace {

GdiPointD Device(const GdiDC& dc, POINT logical) {
    POINT p = dc.ToDevice(logical);
    return {double(p.x), double(p.y)};
}

RECT DeviceBox(const GdiDC& dc, const RECT& box) {
    POINT a = dc.ToDevice({box.left, box.top}), b = dc.ToDevice({box.right, box.bottom});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Figures run counter-clockwise on screen unless the arc direction says otherwise.
void AddOriented(GdiDC& dc, std::vector<GdiPointD> points, bool closed) {
    if (dc.State.ArcDirection == AD_CLOCKWISE) std::reverse(points.begin(), points.end());
    GdiPathAddFigure(dc, std::move(points), closed);
}

// Takes the finished path out of the context; false when there is none.
bool TakePath(HDC handle, std::shared_ptr<GdiDC>& dc, GdiPath& path) {
    dc = GdiFindDC(handle);
    if (!dc || dc->State.PathState != GdiPathState::Closed) return false;
    path = std::move(dc->State.Path);
    dc->State.Path = GdiPath{};
    dc->State.PathState = GdiPathState::None;
    // Every figure is drawn closed when filled; a figure of one point draws nothing.
    path.Figures.erase(std::remove_if(path.Figures.begin(), path.Figures.end(),
                                      [](const GdiPathFigure& f) { return f.Points.size() < 2; }),
                       path.Figures.end());
    return true;
}

} // namespace

void GdiPathMoveTo(GdiDC& dc, POINT logical) {
    GdiPath& path = dc.State.Path;
    if (!path.Figures.empty() && path.Figures.back().Points.size() == 1 && !path.Figures.back().Closed)
        path.Figures.back().Points[0] = Device(dc, logical);
    else
        path.Figures.push_back({{Device(dc, logical)}, false});
}

void GdiPathLineTo(GdiDC& dc, POINT logical) {
    GdiPath& path = dc.State.Path;
    if (path.Figures.empty() || path.Figures.back().Closed)
        path.Figures.push_back({{Device(dc, dc.State.CurrentPos)}, false});
    path.Figures.back().Points.push_back(Device(dc, logical));
}

void GdiPathAddFigure(GdiDC& dc, std::vector<GdiPointD> points, bool closed) {
    GdiPath& path = dc.State.Path;
    // A lone starting point left by a move is replaced by the new figure.
    if (!path.Figures.empty() && path.Figures.back().Points.size() == 1 && !path.Figures.back().Closed)
        path.Figures.pop_back();
    if (!points.empty()) path.Figures.push_back({std::move(points), closed});
}

void GdiPathRectangle(GdiDC& dc, const RECT& box) {
    RECT b = DeviceBox(dc, box);
    double l = b.left, t = b.top, r = b.right - 1.0, bt = b.bottom - 1.0;
    AddOriented(dc, {{l, t}, {l, bt}, {r, bt}, {r, t}}, true);
}

void GdiPathRoundRect(GdiDC& dc, const RECT& box, int width, int height) {
    AddOriented(dc, GdiRoundRectPoints(DeviceBox(dc, box), std::abs(width), std::abs(height)), true);
}

void GdiPathEllipse(GdiDC& dc, const RECT& box) {
    AddOriented(dc, GdiEllipseArc(DeviceBox(dc, box), 0, 0, false, 0), true);
}

void GdiPathArc(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end) {
    RECT b = DeviceBox(dc, box);
    POINT s = dc.ToDevice(start), e = dc.ToDevice(end);
    double a0 = GdiBoxAngle(b, s.x, s.y), a1 = GdiBoxAngle(b, e.x, e.y);
    std::vector<GdiPointD> pts = GdiEllipseArc(b, a0, a1, dc.State.ArcDirection == AD_CLOCKWISE, 0);
    if (kind == GdiArcKind::Pie)
        pts.insert(pts.begin(), GdiPointD{(b.left + b.right - 1) / 2.0, (b.top + b.bottom - 1) / 2.0});
    GdiPathAddFigure(dc, std::move(pts), kind != GdiArcKind::Arc);
}

BOOL BeginPath(HDC handle) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    dc->State.Path = GdiPath{};
    dc->State.PathState = GdiPathState::Open;
    dc->Device->Changed(*dc, GdiStateChange::Path);
    return TRUE;
}

BOOL EndPath(HDC handle) {
    auto dc = GdiFindDC(handle);
    if (!dc || dc->State.PathState != GdiPathState::Open) return FALSE;
    dc->State.PathState = GdiPathState::Closed;
    dc->Device->Changed(*dc, GdiStateChange::Path);
    return TRUE;
}

BOOL AbortPath(HDC handle) {
    auto dc = GdiFindDC(handle);
    if (!dc) return FALSE;
    dc->State.Path = GdiPath{};
    dc->State.PathState = GdiPathState::None;
    dc->Device->Changed(*dc, GdiStateChange::Path);
    return TRUE;
}

BOOL CloseFigure(HDC handle) {
    auto dc = GdiFindDC(handle);
    if (!dc || dc->State.PathState != GdiPathState::Open || dc->State.Path.Figures.empty()) return FALSE;
    GdiPathFigure& figure = dc->State.Path.Figures.back();
    if (figure.Closed) return FALSE;
    figure.Closed = true;
    dc->Device->Changed(*dc, GdiStateChange::Path);
    return TRUE;
}

namespace {

BOOL DrawTaken(HDC handle, bool fill, bool stroke) {
    std::shared_ptr<GdiDC> dc;
    GdiPath path;
    if (!TakePath(handle, dc, path)) return FALSE;
    if (fill)
        for (GdiPathFigure& figure : path.Figures)
            figure.Closed = true;
    return dc->Device->DrawPath(*dc, path, fill, stroke);
}

} // namespace

BOOL FillPath(HDC dc) { return DrawTaken(dc, true, false); }
BOOL StrokePath(HDC dc) { return DrawTaken(dc, false, true); }
BOOL StrokeAndFillPath(HDC dc) { return DrawTaken(dc, true, true); }

HRGN PathToRegion(HDC handle) {
    std::shared_ptr<GdiDC> dc;
    GdiPath path;
    if (!TakePath(handle, dc, path)) return nullptr;
    std::vector<std::vector<GdiPointD>> polys;
    for (const GdiPathFigure& figure : path.Figures)
        polys.push_back(figure.Points);
    RECT everything{-GdiMaxCoord, -GdiMaxCoord, GdiMaxCoord, GdiMaxCoord};
    GdiRegionBuilder builder;
    GdiFillPolygons(polys, dc->State.PolyFillMode == WINDING, everything, builder);
    auto region = std::make_shared<GdiRegionObject>();
    region->Region = builder.Build();
    return static_cast<HRGN>(GdiAddObject(region));
}
