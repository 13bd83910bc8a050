// What a control looks like in its painted pixels: the commonest colour of an area is its
// background, the next commonest the colour of its text. Only tests that link the class library
// include this header.
#pragma once

#include <algorithm>
#include <map>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"

namespace testsupport {

struct TControlLook {
    TColor Background = clNone;
    TColor Text = clNone; // clNone: nothing but the background
};

// The look of `area` (in the surface's client coordinates) of the surface painted as it stands.
inline TControlLook ProbeLook(TWinControl* surface, const TRect& area) {
    TBitmap bitmap;
    bitmap.SetSize(surface->GetWidth(), surface->GetHeight());
    surface->PaintTo(bitmap.GetCanvas()->GetHandle(), 0, 0);
    std::map<TColor, int> counts;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            ++counts[ColorToRGB(bitmap.GetCanvas()->GetPixels(x, y))];
    std::vector<std::pair<int, TColor>> ranked;
    for (const auto& [color, count] : counts)
        ranked.emplace_back(count, color);
    std::sort(ranked.rbegin(), ranked.rend());
    TControlLook look;
    if (!ranked.empty()) look.Background = ranked[0].second;
    if (ranked.size() > 1) look.Text = ranked[1].second;
    return look;
}

// The look of a whole windowed control's client area less `inset` pixels on each side.
inline TControlLook ProbeLook(TWinControl* control, int inset = 2) {
    return ProbeLook(control, TRect{inset, inset, control->GetClientWidth() - inset,
                                    control->GetClientHeight() - inset});
}

} // namespace testsupport
