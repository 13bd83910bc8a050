// Glyph sources over the font files, rasterised by FreeType.
//
// Fixed settings, so that pixels repeat: our own FreeType library instance (no settings
// from the environment), the TrueType interpreter version set explicitly, monochrome
// hinting (FT_LOAD_TARGET_MONO) and monochrome rendering, embedded bitmaps ignored. Text
// turned by a quarter turn uses the upright glyph images turned pixel for pixel, so it
// shows exactly the same shapes.
#include "platform/winapi/GdiGlyph.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_BITMAP_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <tuple>

namespace {

constexpr int MaxEm = 2048;
// A glyph whose image would hold more pixels is never rendered whole: only the part a drawing
// needs (its target and clip) is, each time.
constexpr long long MaxWholeGlyphPixels = 512 * 512;

// One lock for everything FreeType touches: the library and the faces are not thread-safe,
// and measuring may happen off the user-interface thread.
std::mutex& FtLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

void* FtAlloc(FT_Memory, long size) { return std::malloc(std::size_t(size)); }
void FtFree(FT_Memory, void* block) { std::free(block); }
void* FtRealloc(FT_Memory, long, long size, void* block) { return std::realloc(block, std::size_t(size)); }

// Never destroyed: sources may be released while the program ends.
FT_Library Library() {
    static FT_MemoryRec_ memory{nullptr, FtAlloc, FtFree, FtRealloc};
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_New_Library(&memory, &lib) != 0) return FT_Library(nullptr);
        FT_Add_Default_Modules(lib);
        FT_UInt version = TT_INTERPRETER_VERSION_40;
        FT_Property_Set(lib, "truetype", "interpreter-version", &version);
        return lib;
    }();
    return library;
}

long Round(double v) { return long(std::floor(v + 0.5)); }

// ---- Font files ------------------------------------------------------------------------------

using FileData = std::shared_ptr<const std::vector<FT_Byte>>;

struct FileState {
    GdiFontFiles Files = GdiDefaultFontFiles();
    std::map<std::string, FileData> Data; // read once; null for a missing file
    unsigned Generation = 1;
};

FileState& Files() {
    static auto* state = new FileState;
    return *state;
}

// Caller holds FtLock.
FileData ReadFile(const std::string& path) {
    if (path.empty()) return nullptr;
    FileState& state = Files();
    auto found = state.Data.find(path);
    if (found != state.Data.end()) return found->second;
    FileData data;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::streamoff size = in ? std::streamoff(in.tellg()) : 0;
    if (size > 0) {
        auto bytes = std::make_shared<std::vector<FT_Byte>>(std::size_t(size));
        in.seekg(0);
        if (in.read(reinterpret_cast<char*>(bytes->data()), size)) data = std::move(bytes);
    }
    state.Data[path] = data;
    return data;
}

// ---- The FreeType source ---------------------------------------------------------------------

std::atomic<unsigned long long> PixelsRendered{0};

std::shared_ptr<GdiGlyphImage> FromBitmap(const FT_Bitmap& bitmap, int left, int top) {
    PixelsRendered += (unsigned long long)bitmap.width * bitmap.rows;
    if (bitmap.width == 0 || bitmap.rows == 0) return nullptr;
    auto image = std::make_shared<GdiGlyphImage>();
    image->Left = left;
    image->Top = -top;
    image->Width = int(bitmap.width);
    image->Height = int(bitmap.rows);
    image->Bits.assign(std::size_t(image->Width) * std::size_t(image->Height), 0);
    for (int r = 0; r < image->Height; ++r) {
        const unsigned char* row = bitmap.buffer + std::ptrdiff_t(r) * bitmap.pitch;
        for (int c = 0; c < image->Width; ++c) {
            bool on =
                bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (row[c >> 3] >> (7 - (c & 7))) & 1 : row[c] >= 128;
            image->Bits[std::size_t(r) * std::size_t(image->Width) + std::size_t(c)] = on ? 1 : 0;
        }
    }
    return image;
}

// Bold imitated as the classic overstrike: the ink again one pixel to the right.
std::shared_ptr<GdiGlyphImage> Overstrike(const GdiGlyphImage& in) {
    auto out = std::make_shared<GdiGlyphImage>();
    out->Left = in.Left;
    out->Top = in.Top;
    out->Width = in.Width + 1;
    out->Height = in.Height;
    out->Bits.assign(std::size_t(out->Width) * std::size_t(out->Height), 0);
    for (int r = 0; r < in.Height; ++r)
        for (int c = 0; c < in.Width; ++c)
            if (in.At(c, r)) {
                std::size_t at = std::size_t(r) * std::size_t(out->Width) + std::size_t(c);
                out->Bits[at] = 1;
                out->Bits[at + 1] = 1;
            }
    return out;
}

// A quarter turn (1, 2 or 3 times counter-clockwise on screen) of an upright image, pixel
// for pixel about the glyph origin.
std::shared_ptr<GdiGlyphImage> Turn(const GdiGlyphImage& in, int quarters) {
    auto out = std::make_shared<GdiGlyphImage>();
    int w = in.Width, h = in.Height;
    if (quarters == 2) {
        out->Width = w;
        out->Height = h;
        out->Left = -(in.Left + w);
        out->Top = -(in.Top + h);
    } else {
        out->Width = h;
        out->Height = w;
        out->Left = quarters == 1 ? in.Top : -(in.Top + h);
        out->Top = quarters == 1 ? -(in.Left + w) : in.Left;
    }
    out->Bits.assign(std::size_t(out->Width) * std::size_t(out->Height), 0);
    for (int r = 0; r < out->Height; ++r)
        for (int c = 0; c < out->Width; ++c) {
            bool on = quarters == 1   ? in.At(w - 1 - r, c)
                      : quarters == 2 ? in.At(w - 1 - c, h - 1 - r)
                                      : in.At(r, h - 1 - c);
            out->Bits[std::size_t(r) * std::size_t(out->Width) + std::size_t(c)] = on ? 1 : 0;
        }
    return out;
}

class FtSource : public GdiGlyphSource {
public:
    FtSource(FT_Face face, FileData data, const GdiGlyphRequest& request, bool fakeBold, bool fakeItalic)
        : FFace(face), FData(std::move(data)), FFakeBold(fakeBold), FFakeItalic(fakeItalic) {
        FFamily = face->family_name ? face->family_name : "";
        ComputeMetrics(request);
    }
    ~FtSource() override {
        std::lock_guard<std::mutex> lock(FtLock());
        FT_Done_Face(FFace);
    }

    const GdiFaceMetrics& Metrics() const override { return FMetrics; }
    const std::string& FamilyName() const override { return FFamily; }

    bool HasChar(char32_t ch) const override {
        std::lock_guard<std::mutex> lock(FtLock());
        return FT_Get_Char_Index(FFace, FT_ULong(ch)) != 0;
    }

    GdiGlyphMetrics Glyph(char32_t ch) override {
        std::lock_guard<std::mutex> lock(FtLock());
        return Upright(ch).Metrics;
    }

    std::shared_ptr<const GdiGlyphImage> ImageWithin(char32_t ch, int angle, const GdiGlyphWindow& window) override {
        {
            std::lock_guard<std::mutex> lock(FtLock());
            if (Upright(ch).Huge) return RenderWithin(ch, Normalised(angle), window);
        }
        return Image(ch, angle);
    }

    std::shared_ptr<const GdiGlyphImage> Image(char32_t ch, int angle) override {
        std::lock_guard<std::mutex> lock(FtLock());
        angle = Normalised(angle);
        const Entry& upright = Upright(ch);
        if (angle == 0 || !upright.Image) return upright.Image;
        auto key = std::make_pair(ch, angle);
        auto found = FTurned.find(key);
        if (found != FTurned.end()) return found->second;
        std::shared_ptr<const GdiGlyphImage> image;
        if (angle % 900 == 0)
            image = Turn(*upright.Image, angle / 900);
        else
            image = Render(ch, angle);
        if (FTurned.size() > 4096) FTurned.clear();
        FTurned[key] = image;
        return image;
    }

private:
    struct Entry {
        GdiGlyphMetrics Metrics;
        std::shared_ptr<const GdiGlyphImage> Image;
        bool Huge = false; // too large to render whole: no Image, rendered by windows
    };

    static int Normalised(int angle) {
        angle %= 3600;
        return angle < 0 ? angle + 3600 : angle;
    }

    FT_UInt Index(char32_t ch) const { return FT_Get_Char_Index(FFace, FT_ULong(ch)); }

    // Caller holds FtLock.
    const Entry& Upright(char32_t ch) {
        auto found = FGlyphs.find(ch);
        if (found != FGlyphs.end()) return found->second;
        Entry e;
        if (FT_Load_Glyph(FFace, Index(ch), FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
            FT_GlyphSlot slot = FFace->glyph;
            e.Metrics.Advance = int((slot->advance.x + 32) >> 6);
            if (slot->format == FT_GLYPH_FORMAT_OUTLINE && FFakeItalic) FT_GlyphSlot_Oblique(slot);
            FT_BBox box{};
            if (slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Get_CBox(&slot->outline, &box);
            const long long columns = CeilPixel(box.xMax) - FloorPixel(box.xMin) + 1;
            const long long rows = CeilPixel(box.yMax) - FloorPixel(box.yMin) + 1;
            if (columns * rows > MaxWholeGlyphPixels) {
                // The ink's extent from the outline's box, without rendering.
                e.Huge = true;
                e.Metrics.InkLeft = int(FloorPixel(box.xMin));
                e.Metrics.InkWidth = int(CeilPixel(box.xMax) - FloorPixel(box.xMin)) + (FFakeBold ? 1 : 0);
                if (FFakeBold) e.Metrics.Advance += 1;
            } else if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
                std::shared_ptr<GdiGlyphImage> image =
                    FromBitmap(slot->bitmap, slot->bitmap_left, slot->bitmap_top);
                if (image && FFakeBold) image = Overstrike(*image);
                e.Image = image;
            }
            if (FFakeBold && !e.Huge) e.Metrics.Advance += 1;
            if (e.Image) {
                e.Metrics.InkLeft = e.Image->Left;
                e.Metrics.InkWidth = e.Image->Width;
            }
        }
        if (FGlyphs.size() > 8192) FGlyphs.clear();
        return FGlyphs[ch] = e;
    }

    static long FloorPixel(FT_Pos v) { return long(v >> 6); }
    static long CeilPixel(FT_Pos v) { return long((v + 63) >> 6); }

    // The turn (and the slant of an imitated italic) of a glyph at an angle.
    FT_Matrix Turning(int angle) const {
        double a = angle * 3.14159265358979323846 / 1800.0;
        FT_Matrix m;
        m.xx = FT_Fixed(Round(std::cos(a) * 65536));
        m.xy = FT_Fixed(Round(-std::sin(a) * 65536));
        m.yx = FT_Fixed(Round(std::sin(a) * 65536));
        m.yy = FT_Fixed(Round(std::cos(a) * 65536));
        if (FFakeItalic) {
            // The slant (x += 0.2126 y) goes in before the turn.
            m.xy = FT_Fixed(Round(-std::sin(a) * 65536 + std::cos(a) * 0x0366A));
            m.yy = FT_Fixed(Round(std::cos(a) * 65536 + std::sin(a) * 0x0366A));
        }
        return m;
    }

    // The part of a huge glyph within the window, rendered from its outline into a bitmap of
    // no more than the window's size. Caller holds FtLock.
    std::shared_ptr<const GdiGlyphImage> RenderWithin(char32_t ch, int angle, const GdiGlyphWindow& window) {
        FT_Matrix m = Turning(angle);
        if (angle != 0) FT_Set_Transform(FFace, &m, nullptr);
        std::shared_ptr<GdiGlyphImage> image;
        if (FT_Load_Glyph(FFace, Index(ch), FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0 &&
            FFace->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline& outline = FFace->glyph->outline;
            if (angle == 0 && FFakeItalic) FT_GlyphSlot_Oblique(FFace->glyph);
            if (angle != 0 && FFakeBold) FT_Outline_Embolden(&outline, 64);
            // Upright imitated bold is the ink again one pixel to the right: one column more
            // to the window's left feeds it.
            const bool overstrike = angle == 0 && FFakeBold;
            FT_BBox box;
            FT_Outline_Get_CBox(&outline, &box);
            // Columns and rows (y upwards, as FreeType counts) of ink that lie in the window.
            const long left = std::max(FloorPixel(box.xMin), long(window.Left) - (overstrike ? 1 : 0));
            const long right = std::min(CeilPixel(box.xMax), long(window.Right));
            const long top = std::min(CeilPixel(box.yMax), -long(window.Top));
            const long bottom = std::max(FloorPixel(box.yMin), -long(window.Bottom));
            if (left < right && bottom < top) {
                FT_Bitmap bitmap;
                FT_Bitmap_Init(&bitmap);
                bitmap.width = unsigned(right - left);
                bitmap.rows = unsigned(top - bottom);
                bitmap.pitch = int((bitmap.width + 7) / 8);
                bitmap.pixel_mode = FT_PIXEL_MODE_MONO;
                bitmap.num_grays = 2;
                std::vector<unsigned char> bits(std::size_t(bitmap.pitch) * bitmap.rows, 0);
                bitmap.buffer = bits.data();
                FT_Outline_Translate(&outline, -FT_Pos(left) * 64, -FT_Pos(bottom) * 64);
                if (FT_Outline_Get_Bitmap(Library(), &outline, &bitmap) == 0) {
                    image = FromBitmap(bitmap, int(left), int(top));
                    if (image && overstrike) image = Overstrike(*image);
                }
            }
        }
        if (angle != 0) FT_Set_Transform(FFace, nullptr, nullptr);
        return image;
    }

    // A glyph at any other angle: the hinted outline turned by FreeType. Caller holds FtLock.
    std::shared_ptr<const GdiGlyphImage> Render(char32_t ch, int angle) {
        FT_Matrix m = Turning(angle);
        std::shared_ptr<GdiGlyphImage> image;
        FT_Set_Transform(FFace, &m, nullptr);
        if (FT_Load_Glyph(FFace, Index(ch), FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
            FT_GlyphSlot slot = FFace->glyph;
            if (slot->format == FT_GLYPH_FORMAT_OUTLINE && FFakeBold) FT_Outline_Embolden(&slot->outline, 64);
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0)
                image = FromBitmap(slot->bitmap, slot->bitmap_left, slot->bitmap_top);
        }
        FT_Set_Transform(FFace, nullptr, nullptr);
        return image;
    }

    void ComputeMetrics(const GdiGlyphRequest& request) {
        GdiFaceMetrics& m = FMetrics;
        int upem = FFace->units_per_EM > 0 ? FFace->units_per_EM : 2048;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
        auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_HHEA));
        auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_POST));
        long winAscent = os2 && os2->usWinAscent ? os2->usWinAscent : FFace->ascender;
        long winDescent =
            os2 && (os2->usWinAscent || os2->usWinDescent) ? os2->usWinDescent : -FFace->descender;
        if (winAscent + winDescent <= 0) {
            winAscent = upem * 4 / 5;
            winDescent = upem - winAscent;
        }
        long cell = winAscent + winDescent;
        int em;
        if (request.CellHeight > 0) {
            int height = std::min(request.CellHeight, MaxEm * 2);
            em = int(std::max(1L, Round(double(height) * upem / cell)));
            m.Ascent = int(Round(double(winAscent) * height / cell));
            m.Descent = height - m.Ascent;
        } else {
            em = std::clamp(request.Em, 1, MaxEm);
            m.Ascent = int(Round(double(winAscent) * em / upem));
            m.Descent = int(Round(double(winDescent) * em / upem));
        }
        em = std::min(em, MaxEm);
        m.Em = em;
        m.UnitsPerEm = upem;
        m.DesignCellHeight = int(cell);

        // The average width the classic way: lower-case letters and the blank weighted by
        // their frequency in English text, from the design advances.
        static const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                        56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
        long weighted = 0;
        bool complete = true;
        for (int i = 0; i < 27 && complete; ++i) {
            FT_ULong ch = i < 26 ? FT_ULong('a' + i) : FT_ULong(' ');
            FT_UInt index = FT_Get_Char_Index(FFace, ch);
            if (!index || FT_Load_Glyph(FFace, index, FT_LOAD_NO_SCALE) != 0) {
                complete = false;
                break;
            }
            weighted += weights[i] * long(FFace->glyph->metrics.horiAdvance);
        }
        long designAve = complete ? weighted / 1000 : (os2 ? os2->xAvgCharWidth : upem / 2);
        if (designAve <= 0) designAve = upem / 2;
        m.DesignAveWidth = int(designAve);

        int emX = request.EmX > 0 ? std::min(request.EmX, MaxEm * 4) : em;
        FT_Set_Pixel_Sizes(FFace, FT_UInt(emX), FT_UInt(em));
        m.AveCharWidth = int(std::max(1L, Round(double(designAve) * emX / upem)));
        long maxAdvance = hhea ? hhea->advance_Width_Max : FFace->max_advance_width;
        m.MaxCharWidth = int(std::max(1L, Round(double(maxAdvance) * emX / upem)));
        if (FFakeBold) {
            m.AveCharWidth += 1;
            m.MaxCharWidth += 1;
        }
        if (hhea) {
            long gap = hhea->Line_Gap - (cell - (hhea->Ascender - hhea->Descender));
            m.ExternalLeading = int(std::max(0L, Round(double(gap) * em / upem)));
        }
        double scale = double(em) / upem;
        long ulThickness = post && post->underlineThickness > 0 ? post->underlineThickness : upem / 14;
        long ulPosition = post ? post->underlinePosition : -upem / 10;
        m.UnderlineThickness = int(std::max(1L, Round(ulThickness * scale)));
        m.UnderlineOffset = int(std::max(0L, Round(-ulPosition * scale - m.UnderlineThickness / 2.0)));
        m.UnderlineOffset = std::min(m.UnderlineOffset, std::max(0, m.Descent - m.UnderlineThickness));
        long soSize = os2 && os2->yStrikeoutSize > 0 ? os2->yStrikeoutSize : ulThickness;
        long soPosition = os2 && os2->yStrikeoutPosition > 0 ? os2->yStrikeoutPosition : upem / 4;
        m.StrikeoutThickness = int(std::max(1L, Round(soSize * scale)));
        m.StrikeoutOffset = -int(Round(soPosition * scale));
        m.FixedPitch = FT_IS_FIXED_WIDTH(FFace) || (post && post->isFixedPitch);
    }

    FT_Face FFace;
    FileData FData;
    bool FFakeBold, FFakeItalic;
    std::string FFamily;
    GdiFaceMetrics FMetrics;
    std::map<char32_t, Entry> FGlyphs;
    std::map<std::pair<char32_t, int>, std::shared_ptr<const GdiGlyphImage>> FTurned;
};

// ---- The stand-in without any font -------------------------------------------------------------

class NullSource : public GdiGlyphSource {
public:
    explicit NullSource(const GdiGlyphRequest& request) {
        GdiFaceMetrics& m = FMetrics;
        if (request.CellHeight > 0) {
            int height = std::min(request.CellHeight, MaxEm * 2);
            m.Ascent = int(Round(height * 0.8));
            m.Descent = height - m.Ascent;
            m.Em = std::max(1, height);
        } else {
            m.Em = std::clamp(request.Em, 1, MaxEm);
            m.Ascent = int(Round(m.Em * 0.8));
            m.Descent = m.Em - m.Ascent;
        }
        int emX = request.EmX > 0 ? request.EmX : m.Em;
        FAdvance = std::max(1, int(Round(emX * 0.5))) + (request.Bold ? 1 : 0);
        m.AveCharWidth = m.MaxCharWidth = FAdvance;
        m.UnderlineOffset = m.Descent > 1 ? 1 : 0;
        m.StrikeoutOffset = -m.Ascent / 3;
        m.FixedPitch = true;
        m.UnitsPerEm = 1000;
        m.DesignAveWidth = 500;
        m.DesignCellHeight = 1000;
    }
    const GdiFaceMetrics& Metrics() const override { return FMetrics; }
    const std::string& FamilyName() const override { return FFamily; }
    bool HasChar(char32_t) const override { return true; }
    GdiGlyphMetrics Glyph(char32_t) override { return {FAdvance, 0, 0}; }
    std::shared_ptr<const GdiGlyphImage> Image(char32_t, int) override { return nullptr; }

private:
    GdiFaceMetrics FMetrics;
    std::string FFamily;
    int FAdvance = 1;
};

// ---- The cache ---------------------------------------------------------------------------------

using Key = std::tuple<int, int, int, int, int, int>; // family, style, em, cell, emX, fake bits

std::map<Key, std::shared_ptr<GdiGlyphSource>>& Sources() {
    static auto* sources = new std::map<Key, std::shared_ptr<GdiGlyphSource>>;
    return *sources;
}

// Takes the sources nobody else holds out of the cache once it grows large; the caller
// holds FtLock and lets them go after releasing it (a source takes the lock as it ends).
void Trim(std::vector<std::shared_ptr<GdiGlyphSource>>& dropped) {
    auto& sources = Sources();
    if (sources.size() < 64) return;
    for (auto it = sources.begin(); it != sources.end();) {
        if (it->second.use_count() == 1) {
            dropped.push_back(std::move(it->second));
            it = sources.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

GdiFontFiles GdiDefaultFontFiles() {
    GdiFontFiles f;
    const std::string lib = "/usr/share/fonts/truetype/liberation/Liberation";
    const char* names[3] = {"Sans", "Serif", "Mono"};
    const char* styles[4] = {"Regular", "Bold", "Italic", "BoldItalic"};
    for (int family = 0; family < 3; ++family)
        for (int style = 0; style < 4; ++style)
            f.Paths[family][style] = lib + names[family] + "-" + styles[style] + ".ttf";
    f.Paths[int(GdiFontFamily::Cjk)][0] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    return f;
}

void GdiSetFontFiles(const GdiFontFiles& files) {
    std::map<Key, std::shared_ptr<GdiGlyphSource>> dropped;
    {
        std::lock_guard<std::mutex> lock(FtLock());
        FileState& state = Files();
        state.Files = files;
        state.Data.clear();
        ++state.Generation;
        dropped.swap(Sources());
    }
    // The sources take the lock themselves as they go.
}

unsigned long long GdiGlyphPixelsRendered() { return PixelsRendered.load(); }

unsigned GdiGlyphGeneration() {
    std::lock_guard<std::mutex> lock(FtLock());
    return Files().Generation;
}

bool GdiFontFamilyInstalled(GdiFontFamily family) {
    std::lock_guard<std::mutex> lock(FtLock());
    return ReadFile(Files().Files.Paths[int(family)][0]) != nullptr;
}

std::string GdiFontFamilyName(GdiFontFamily family) {
    switch (family) {
    case GdiFontFamily::Sans:
        return "Liberation Sans";
    case GdiFontFamily::Serif:
        return "Liberation Serif";
    case GdiFontFamily::Mono:
        return "Liberation Mono";
    case GdiFontFamily::Cjk:
        return "WenQuanYi Micro Hei";
    }
    return {};
}

std::shared_ptr<GdiGlyphSource> GdiOpenGlyphSource(const GdiGlyphRequest& request) {
    std::vector<std::shared_ptr<GdiGlyphSource>> dropped; // released after the lock
    std::unique_lock<std::mutex> lock(FtLock());
    FileState& state = Files();
    const GdiFontFamily order[5] = {request.Family, GdiFontFamily::Sans, GdiFontFamily::Serif,
                                    GdiFontFamily::Mono, GdiFontFamily::Cjk};
    int style = (request.Bold ? 1 : 0) | (request.Italic ? 2 : 0);
    int em = std::clamp(request.Em, 1, MaxEm);
    int cell = std::clamp(request.CellHeight, 0, MaxEm * 2);
    int emX = std::clamp(request.EmX, 0, MaxEm * 4);
    for (GdiFontFamily family : order) {
        const std::string* paths = state.Files.Paths[int(family)];
        // The styled file, else the regular one with the style imitated.
        int used = style;
        FileData data = ReadFile(paths[style]);
        if (!data && (style & 1) && style != 1) {
            used = 1;
            data = ReadFile(paths[1]);
        }
        if (!data) {
            used = 0;
            data = ReadFile(paths[0]);
        }
        if (!data) continue;
        bool fakeBold = request.Bold && !(used & 1);
        bool fakeItalic = request.Italic && !(used & 2);
        Key key{int(family), used, cell > 0 ? 0 : em, cell, emX, (fakeBold ? 1 : 0) | (fakeItalic ? 2 : 0)};
        auto found = Sources().find(key);
        if (found != Sources().end()) return found->second;
        FT_Library lib = Library();
        FT_Face face = nullptr;
        if (!lib || FT_New_Memory_Face(lib, data->data(), FT_Long(data->size()), 0, &face) != 0) continue;
        if (!FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            continue;
        }
        GdiGlyphRequest r = request;
        r.Em = em;
        r.CellHeight = cell;
        r.EmX = emX;
        auto source = std::make_shared<FtSource>(face, data, r, fakeBold, fakeItalic);
        Trim(dropped);
        Sources()[key] = source;
        return source;
    }
    lock.unlock();
    return std::make_shared<NullSource>(request);
}
