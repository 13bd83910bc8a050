// Where glyphs come from: a small interface over one face at one size (metrics, advances,
// monochrome glyph images), and its implementation over the font files, rasterised with
// FreeType at a fixed hinting setting so that text pixels repeat from machine to machine.
// A device that draws text its own way (vectors on a printer) only needs the characters,
// their positions and the font; image devices take the glyph images from here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The installed families the name map leads to.
enum class GdiFontFamily { Sans, Serif, Mono, Cjk };
constexpr int GdiFontFamilyCount = 4;

// Sizes of a face at one pixel size, in pixels. Offsets of the decorations are from the
// baseline, downwards positive, to the line's top row.
struct GdiFaceMetrics {
    int Ascent = 0;
    int Descent = 0;
    int Em = 0; // the em size the face was set to (vertical)
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    int UnderlineOffset = 0;
    int UnderlineThickness = 1;
    int StrikeoutOffset = 0; // negative: above the baseline
    int StrikeoutThickness = 1;
    bool FixedPitch = false;
    // Design values, for the font list.
    int UnitsPerEm = 0;
    int DesignAveWidth = 0;
    int DesignCellHeight = 0;
};

// A monochrome glyph image. Pixel (c, r) of the image lies at (Left + c, Top + r) from the
// glyph's origin on the baseline (y downwards); Bits holds one byte (0 or 1) per pixel, row
// after row.
struct GdiGlyphImage {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bits;

    bool At(int c, int r) const { return Bits[std::size_t(r) * std::size_t(Width) + std::size_t(c)] != 0; }
};

// Horizontal sizes of one glyph: the advance, and the ink's left edge and width.
struct GdiGlyphMetrics {
    int Advance = 0;
    int InkLeft = 0;
    int InkWidth = 0;
};

// A window on a glyph image: pixels from the glyph's origin, y downwards, right and bottom
// excluded.
struct GdiGlyphWindow {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

class GdiGlyphSource {
public:
    virtual ~GdiGlyphSource() = default;
    virtual const GdiFaceMetrics& Metrics() const = 0;
    // The family name of the face ("Liberation Sans"); empty for the stand-in without a font.
    virtual const std::string& FamilyName() const = 0;
    virtual bool HasChar(char32_t ch) const = 0;
    // A character the face lacks measures and draws as the face's missing-glyph shape.
    virtual GdiGlyphMetrics Glyph(char32_t ch) = 0;
    // The glyph turned by angle (tenths of a degree, counter-clockwise) about its origin;
    // nullptr when it has no ink.
    virtual std::shared_ptr<const GdiGlyphImage> Image(char32_t ch, int angle) = 0;
    // The ink of Image(ch, angle) a drawing within `window` needs: the whole image for a glyph
    // of ordinary size, only what lies in the window for one too large to render whole (whose
    // Image is nullptr); nullptr when no ink lies there.
    virtual std::shared_ptr<const GdiGlyphImage> ImageWithin(char32_t ch, int angle, const GdiGlyphWindow&) {
        return Image(ch, angle);
    }
};

// What to open: a family at an em size in pixels, or (CellHeight > 0) at the size whose
// ascent and descent add up to that cell height; a width scale (EmX: the horizontal em size
// for Em, 0: as designed); bold and italic (taken from the styled font files, or imitated
// when the family has none).
struct GdiGlyphRequest {
    GdiFontFamily Family = GdiFontFamily::Sans;
    int Em = 16;
    int CellHeight = 0;
    int EmX = 0;
    bool Bold = false;
    bool Italic = false;
};

// A face for the request. When the family's file is missing, the next installed family
// (Sans, Serif, Mono, Cjk) stands in; with no font file at all, a source that measures with
// fixed proportions of the em size and draws nothing. Sources are shared and cached.
std::shared_ptr<GdiGlyphSource> GdiOpenGlyphSource(const GdiGlyphRequest& request);
// The pixels of all glyph images rendered so far (whole or within a window), process-wide: what
// drawing text cost in rendering.
unsigned long long GdiGlyphPixelsRendered();
// Whether a family's regular font file is present.
bool GdiFontFamilyInstalled(GdiFontFamily family);
// The family name of an installed family's font ("Liberation Sans", "WenQuanYi Micro Hei").
std::string GdiFontFamilyName(GdiFontFamily family);

// The font files, located once at their usual places. Tests point them elsewhere (a missing
// file stands for a font that is not installed); this drops every cached face and bumps
// GdiGlyphGeneration so that fonts realised before find their faces again.
struct GdiFontFiles {
    // Regular, bold, italic, bold italic per family; the Cjk family uses face 0 of its file.
    std::string Paths[GdiFontFamilyCount][4];
};
GdiFontFiles GdiDefaultFontFiles();
void GdiSetFontFiles(const GdiFontFiles& files);
unsigned GdiGlyphGeneration();
