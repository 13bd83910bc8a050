// The suite's push button and its glyphs. TqzButtonGlyph keeps a button's glyph bitmap (a strip
// of up to four equal columns), makes the image each button state shows (a disabled image is
// generated when the strip has no column of its own for it) and keeps the images in glyph lists
// that every button with glyphs of the same size shares; it also places glyph and caption inside
// the button. TqzCustomButton is an owner-drawn class-library button painted by its look and
// feel, with state colours, hot tracking, a drop-down menu in two kinds and a context menu.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Buttons.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

// ---- Glyph lists ---------------------------------------------------------------------------------

// An image list whose slots are handed out and given back; a given-back slot keeps its image
// until the next image of that list replaces it.
class TqzGlyphList : public TImageList {
    KOV_CLASS(TqzGlyphList, TImageList)
public:
    TqzGlyphList(Integer width, Integer height);

    // The first free slot (appended when there is none) receives the image masked by maskColor.
    Integer AddMaskedImage(TBitmap* image, TColor maskColor);
    void ReleaseImage(Integer index);
    Integer GetUseCount() const { return FUseCount; }
    bool IsSlotUsed(Integer index) const;

private:
    std::vector<bool> FUsed;
    Integer FUseCount = 0;
};

// The process-wide lists, one per image size.
class TqzGlyphCache : public TObject {
    KOV_CLASS(TqzGlyphCache, TObject)
public:
    TqzGlyphCache() = default;
    ~TqzGlyphCache() override;
    TqzGlyphCache(const TqzGlyphCache&) = delete;
    TqzGlyphCache& operator=(const TqzGlyphCache&) = delete;

    // The list of exactly that size, searched from the last one; a new one when none fits.
    TqzGlyphList* GetList(Integer width, Integer height);
    // A list no slot of which is in use is removed and freed.
    void ReturnList(TqzGlyphList* list);
    bool IsEmpty() const { return FLists.empty(); }
    Integer Count() const { return Integer(FLists.size()); }

private:
    std::vector<TqzGlyphList*> FLists;
};

// The cache while a glyph object exists; nullptr otherwise.
TqzGlyphCache* GlyphCache();

// ---- Glyph ---------------------------------------------------------------------------------------

enum TqzButtonImageKind : Byte { qzikUp, qzikDisabled, qzikDown, qzikExclusive };

class TqzButtonGlyph : public TObject {
    KOV_CLASS(TqzButtonGlyph, TObject)
public:
    TqzButtonGlyph();
    ~TqzButtonGlyph() override;
    TqzButtonGlyph(const TqzButtonGlyph&) = delete;
    TqzButtonGlyph& operator=(const TqzButtonGlyph&) = delete;

    TBitmap* GetGlyph() const { return FGlyph.get(); }
    // Releases the images and takes a copy of the bitmap (nullptr: empty). A strip of square
    // columns sets the glyph count (when it gives 1 to 4 columns).
    void SetGlyph(TBitmap* value);
    Byte GetNumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer value);

    // The glyph-list index of the state's image, made on first use; -1 for an empty bitmap.
    virtual Integer ImageIndexForState(TqzButtonState state);
    // Room counted around the caption: (1, 0, 2, 0) without a glyph, nothing with one.
    virtual TRect GetCaptionMargins(TButtonLayout layout) const;

    // The glyph position and the text rectangle inside client.
    void CalcPlacement(TCanvas* canvas, const TRect& client, const TPoint& offset, const String& caption,
                       TButtonLayout layout, Integer margin, Integer spacing, UINT biDiFlags, bool wordWrap,
                       TPoint& glyphPos, TRect& textBounds);
    void Paint(TCanvas* canvas, const TRect& client, const TPoint& offset, const String& caption,
               TButtonLayout layout, Integer margin, Integer spacing, TqzButtonState state, UINT biDiFlags,
               bool native, bool wordWrap);
    void PaintGlyph(TCanvas* canvas, const TPoint& pos, TqzButtonState state);
    void PaintCaption(TCanvas* canvas, const String& caption, const TRect& textBounds, TqzButtonState state,
                      UINT biDiFlags, bool native, bool wordWrap);
    bool UsesWordWrap(bool wordWrap) const;

    // Gives every made image back and returns the list to the cache.
    void ReleaseImages();
    TqzGlyphList* GetGlyphList() const { return FGlyphList; }
    Integer GetImageIndex(TqzButtonImageKind kind) const { return FIndexes[kind]; }
    TColor GetTransparentColor() const { return FTransparentColor; }

    TNotifyEvent OnChange;

protected:
    void GlyphChanged(TObject* sender);

private:
    std::unique_ptr<TBitmap> FGlyph;
    TqzGlyphList* FGlyphList = nullptr;
    Integer FIndexes[4] = {-1, -1, -1, -1};
    TColor FTransparentColor = clOlive;
    Byte FNumGlyphs = 1;
};
