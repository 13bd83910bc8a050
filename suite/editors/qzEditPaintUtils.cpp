#include "suite/editors/qzEditPaintUtils.h"

#include "platform/winapi/SysColors.h"
#include "suite/foundation/qzLookAndFeels.h"

namespace {

constexpr Cardinal SystemColorBase = 0xFF000000u;
constexpr int SystemBrushCount = 31; // system colour indexes 0..30

struct TEditPaintUtilsUnit {
    bool Started = false;
    bool HasSystemBrushes = false;
    HBRUSH SystemBrushes[SystemBrushCount] = {};
    TqzSolidBrushCache* Cache = nullptr;
};

TEditPaintUtilsUnit& Unit() {
    static TEditPaintUtilsUnit unit;
    return unit;
}

void EnsureStarted() {
    if (!Unit().Started) EditPaintUtilsInitialize();
}

bool IsSystemColor(TColor color) {
    const auto value = static_cast<Cardinal>(color);
    return value >= SystemColorBase && value <= SystemColorBase + SystemBrushCount - 1;
}

} // namespace

TqzSolidBrushCache::TqzSolidBrushCache(Integer maxDepth)
    : FColors(new TColor[maxDepth > 0 ? maxDepth : 1]), FBrushes(new HBRUSH[maxDepth > 0 ? maxDepth : 1]),
      FUseCounts(new Cardinal[maxDepth > 0 ? maxDepth : 1]), FMaxDepth(maxDepth > 0 ? maxDepth : 1),
      FSystemPaletteChangedNotifier(std::make_unique<TqzSystemPaletteChangedNotifier>()) {
    FSystemPaletteChangedNotifier->OnPaletteChanged = MakeEvent(this, &TqzSolidBrushCache::PaletteChanged);
}

TqzSolidBrushCache::~TqzSolidBrushCache() {
    FSystemPaletteChangedNotifier.reset();
    TqzSolidBrushCache::Clear();
}

void TqzSolidBrushCache::PaletteChanged() { Clear(); }

void TqzSolidBrushCache::Clear() {
    for (Integer i = 0; i < FDepth; ++i)
        DeleteObject(FBrushes[i]);
    FDepth = 0;
}

HBRUSH TqzSolidBrushCache::GetBrush(TColor color) {
    const auto key = static_cast<Cardinal>(color);
    Integer low = 0, high = FDepth - 1;
    while (low <= high) {
        const Integer middle = (low + high) / 2;
        const auto probe = static_cast<Cardinal>(FColors[middle]);
        if (probe == key) {
            ++FUseCounts[middle];
            return FBrushes[middle];
        }
        if (probe < key)
            low = middle + 1;
        else
            high = middle - 1;
    }
    Integer index = low;
    if (FDepth == FMaxDepth) {
        // Evict the least-used entry (the first of equals).
        Integer victim = 0;
        for (Integer i = 1; i < FDepth; ++i)
            if (FUseCounts[i] < FUseCounts[victim]) victim = i;
        DeleteObject(FBrushes[victim]);
        for (Integer i = victim; i < FDepth - 1; ++i) {
            FColors[i] = FColors[i + 1];
            FBrushes[i] = FBrushes[i + 1];
            FUseCounts[i] = FUseCounts[i + 1];
        }
        --FDepth;
        if (victim < index) --index;
    }
    for (Integer i = FDepth; i > index; --i) {
        FColors[i] = FColors[i - 1];
        FBrushes[i] = FBrushes[i - 1];
        FUseCounts[i] = FUseCounts[i - 1];
    }
    FColors[index] = color;
    FBrushes[index] = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color)));
    FUseCounts[index] = 0;
    ++FDepth;
    return FBrushes[index];
}

HBRUSH GetCachedSolidBrush(TColor color) {
    EnsureStarted();
    TEditPaintUtilsUnit& unit = Unit();
    if (unit.HasSystemBrushes && IsSystemColor(color))
        return unit.SystemBrushes[static_cast<Cardinal>(color) - SystemColorBase];
    return unit.Cache->GetBrush(color);
}

HBRUSH GetCanvasSolidBrush(TCanvas*, TColor color) { return GetCachedSolidBrush(color); }
HBRUSH GetCanvasSolidBrush(TqzCanvas*, TColor color) { return GetCachedSolidBrush(color); }

void EditPaintUtilsInitialize() {
    TEditPaintUtilsUnit& unit = Unit();
    if (unit.Started) return;
    for (int i = 0; i < SystemBrushCount; ++i)
        unit.SystemBrushes[i] = GetSysColorBrush(i);
    unit.HasSystemBrushes = true;
    unit.Cache = new TqzSolidBrushCache();
    unit.Started = true;
}

void EditPaintUtilsFinalize() {
    TEditPaintUtilsUnit& unit = Unit();
    if (!unit.Started) return;
    delete unit.Cache;
    unit.Cache = nullptr;
    unit.HasSystemBrushes = false;
    for (HBRUSH& brush : unit.SystemBrushes)
        brush = nullptr;
    unit.Started = false;
}

TqzSolidBrushCache* GetSolidBrushCache() {
    EnsureStarted();
    return Unit().Cache;
}
