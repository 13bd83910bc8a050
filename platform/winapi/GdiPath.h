// Recording the drawing calls of an open path bracket (BeginPath .. EndPath) into the
// context's path, in device coordinates.
#pragma once

#include <vector>

#include "platform/winapi/GdiDc.h"

inline bool GdiPathRecording(const GdiDC& dc) { return dc.State.PathState == GdiPathState::Open; }
// Starts a new figure at a logical point.
void GdiPathMoveTo(GdiDC& dc, POINT logical);
// Continues the current figure (or starts one at the current position) to a logical point.
void GdiPathLineTo(GdiDC& dc, POINT logical);
// Adds a figure of its own (device coordinates).
void GdiPathAddFigure(GdiDC& dc, std::vector<GdiPointD> points, bool closed);
// The figures of the box calls as the path records them (logical box and points).
void GdiPathRectangle(GdiDC& dc, const RECT& box);
void GdiPathRoundRect(GdiDC& dc, const RECT& box, int width, int height);
void GdiPathEllipse(GdiDC& dc, const RECT& box);
void GdiPathArc(GdiDC& dc, GdiArcKind kind, const RECT& box, POINT start, POINT end);
