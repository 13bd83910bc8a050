// Drawing steps the painter's source files share.
#pragma once

#include "platform/classlib/Graphics.h"

namespace skarn_detail {

inline void FillArea(TCanvas* canvas, const TRect& r, TColor color) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(color);
    canvas->FillRect(r);
}

inline void FrameArea(TCanvas* canvas, const TRect& r, TColor color) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(color);
    canvas->FrameRect(r);
}

} // namespace skarn_detail
