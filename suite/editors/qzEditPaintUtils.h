// Solid brushes for the editors' many small fills: system colours take the brushes the system
// keeps, every other colour a bounded cache that keeps its brushes between paints and, when
// full, drops the least-used one. Callers never delete the brushes they get.
#pragma once

#include <memory>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Objects.h"
#include "platform/winapi/Gdi.h"

class TqzCanvas;
class TqzSystemPaletteChangedNotifier;

class TqzSolidBrushCache : public TObject {
    KOV_CLASS(TqzSolidBrushCache, TObject)
public:
    explicit TqzSolidBrushCache(Integer maxDepth = 128);
    ~TqzSolidBrushCache() override;
    TqzSolidBrushCache(const TqzSolidBrushCache&) = delete;
    TqzSolidBrushCache& operator=(const TqzSolidBrushCache&) = delete;

    // Deletes every cached brush. Runs when the system colours change.
    virtual void Clear();
    // The cached brush of a colour, made (system colours resolved) when it is not cached yet.
    HBRUSH GetBrush(TColor color);

    Integer GetDepth() const { return FDepth; }
    Integer GetMaxDepth() const { return FMaxDepth; }

private:
    void PaletteChanged();

    // Parallel arrays ordered by colour (compared unsigned), FDepth entries used.
    std::unique_ptr<TColor[]> FColors;
    std::unique_ptr<HBRUSH[]> FBrushes;
    std::unique_ptr<Cardinal[]> FUseCounts;
    Integer FDepth = 0;
    Integer FMaxDepth;
    std::unique_ptr<TqzSystemPaletteChangedNotifier> FSystemPaletteChangedNotifier;
};

// The brush of a colour: a system colour 0xFF000000..0xFF00001E gives the system's own brush,
// any other colour the shared cache's. The caller does not own it.
HBRUSH GetCachedSolidBrush(TColor color);
// The same; the canvas plays no part.
HBRUSH GetCanvasSolidBrush(TCanvas* canvas, TColor color);
HBRUSH GetCanvasSolidBrush(TqzCanvas* canvas, TColor color);

// The unit's start (the system brushes fetched, the shared cache made) and end (the cache freed
// with its brushes). The unit starts on first use; tests restart it.
void EditPaintUtilsInitialize();
void EditPaintUtilsFinalize();
// The shared cache (the unit started when needed).
TqzSolidBrushCache* GetSolidBrushCache();
