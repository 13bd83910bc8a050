// Fonts: creation, realisation at a size, metrics, the stock fonts and the font list.
#include "platform/winapi/GdiFont.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiDc.h"

namespace {

// A cell height for a font that asks for no particular size.
constexpr int DefaultCellHeight = 16;

struct NameEntry {
    const char* Name;
    GdiFontFamily Family;
};

// The name map, and the names the font list shows (in this order once sorted).
const NameEntry Names[] = {
    {"Arial", GdiFontFamily::Sans},
    {"Courier New", GdiFontFamily::Mono},
    {"Liberation Mono", GdiFontFamily::Mono},
    {"Liberation Sans", GdiFontFamily::Sans},
    {"Liberation Serif", GdiFontFamily::Serif},
    {"Microsoft Sans Serif", GdiFontFamily::Sans},
    {"MS Sans Serif", GdiFontFamily::Sans},
    {"SimSun", GdiFontFamily::Cjk},
    {"Tahoma", GdiFontFamily::Sans},
    {"Times New Roman", GdiFontFamily::Serif},
    {"WenQuanYi Micro Hei", GdiFontFamily::Cjk},
    {"\xE5\xAE\x8B\xE4\xBD\x93", GdiFontFamily::Cjk}, // 宋体
};

const NameEntry* FindName(const String& name) {
    for (const NameEntry& e : Names)
        if (AnsiSameText(name, e.Name)) return &e;
    return nullptr;
}

// The face name of a fixed-size array: up to the first NUL.
String NameOf(const char* name, std::size_t size) {
    std::size_t n = 0;
    while (n < size && name[n])
        ++n;
    return String(name, n);
}

String NameOf(const char16_t* name, std::size_t size) {
    std::size_t n = 0;
    while (n < size && name[n])
        ++n;
    return WideToString(WideString(name, n));
}

// Copies a UTF-8 name into a fixed array, cut at a character boundary to leave room for
// the NUL.
void CopyName(const String& name, char* out, std::size_t size) {
    std::memset(out, 0, size);
    std::size_t n = 0;
    while (n < name.size()) {
        std::size_t next = Utf8Next(name, n);
        if (next >= size) break;
        n = next;
    }
    std::memcpy(out, name.data(), n);
}

void CopyName(const String& name, char16_t* out, std::size_t size) {
    std::memset(out, 0, size * sizeof(char16_t));
    WideString w = StringToWide(name);
    std::size_t n = std::min(w.size(), size - 1);
    if (n > 0 && n < w.size() && w[n - 1] >= 0xD800 && w[n - 1] < 0xDC00) --n; // a pair stays whole
    std::copy(w.begin(), w.begin() + std::ptrdiff_t(n), out);
}

// Everything but the face name.
template <class To, class From> To CopyLog(const From& from) {
    To to;
    to.lfHeight = from.lfHeight;
    to.lfWidth = from.lfWidth;
    to.lfEscapement = from.lfEscapement;
    to.lfOrientation = from.lfOrientation;
    to.lfWeight = from.lfWeight;
    to.lfItalic = from.lfItalic;
    to.lfUnderline = from.lfUnderline;
    to.lfStrikeOut = from.lfStrikeOut;
    to.lfCharSet = from.lfCharSet;
    to.lfOutPrecision = from.lfOutPrecision;
    to.lfClipPrecision = from.lfClipPrecision;
    to.lfQuality = from.lfQuality;
    to.lfPitchAndFamily = from.lfPitchAndFamily;
    return to;
}
LOGFONTA ToA(const LOGFONTW& w) { return CopyLog<LOGFONTA>(w); }
LOGFONTW ToW(const LOGFONTA& a) { return CopyLog<LOGFONTW>(a); }

GdiFontFamily FamilyOfSource(const GdiGlyphSource& source, GdiFontFamily requested) {
    for (int f = 0; f < GdiFontFamilyCount; ++f)
        if (source.FamilyName() == GdiFontFamilyName(GdiFontFamily(f))) return GdiFontFamily(f);
    return requested;
}

std::shared_ptr<GdiFontInstance> Realize(const LOGFONTA& log, const String& faceName) {
    auto font = std::make_shared<GdiFontInstance>();
    font->Log = log;
    CopyName(faceName, font->Log.lfFaceName, LF_FACESIZE);
    font->FaceName = faceName;
    GdiFontFamily wanted = GdiFamilyForName(faceName);

    GdiGlyphRequest request;
    request.Family = wanted;
    long long height = log.lfHeight;
    if (height < 0)
        request.Em = int(std::min<long long>(-height, 1 << 20));
    else
        request.CellHeight = int(std::min<long long>(height ? height : DefaultCellHeight, 1 << 20));
    request.Bold = log.lfWeight >= FW_SEMIBOLD;
    request.Italic = log.lfItalic != 0;
    font->Primary = GdiOpenGlyphSource(request);
    if (log.lfWidth != 0) {
        // The width asks for an average character width: the face is stretched to it.
        const GdiFaceMetrics& design = font->Primary->Metrics();
        long long width = log.lfWidth < 0 ? -(long long)log.lfWidth : log.lfWidth;
        long long emX =
            (width * design.UnitsPerEm * 2 + design.DesignAveWidth) / (2LL * design.DesignAveWidth);
        request.EmX = int(std::clamp<long long>(emX, 1, 1 << 20));
        font->Primary = GdiOpenGlyphSource(request);
    }
    font->Family = FamilyOfSource(*font->Primary, wanted);
    if (font->Family != GdiFontFamily::Cjk) {
        font->FallbackWanted = true;
        font->FallbackRequest = request;
        font->FallbackRequest.Family = GdiFontFamily::Cjk;
        font->FallbackRequest.CellHeight = 0;
        font->FallbackRequest.Em = font->Primary->Metrics().Em;
    }

    const GdiFaceMetrics& m = font->Primary->Metrics();
    font->Ascent = m.Ascent;
    font->Descent = m.Descent;
    font->InternalLeading = std::max(0, m.Ascent + m.Descent - m.Em);
    font->ExternalLeading = m.ExternalLeading;
    font->AveCharWidth = m.AveCharWidth;
    font->MaxCharWidth = m.MaxCharWidth;
    font->Weight = log.lfWeight > 0 ? log.lfWeight : FW_NORMAL;
    BYTE family = font->Family == GdiFontFamily::Sans    ? FF_SWISS
                  : font->Family == GdiFontFamily::Serif ? FF_ROMAN
                  : font->Family == GdiFontFamily::Mono  ? FF_MODERN
                                                         : FF_DONTCARE;
    font->PitchAndFamily = BYTE(family | TMPF_VECTOR | TMPF_TRUETYPE | (m.FixedPitch ? 0 : TMPF_FIXED_PITCH));
    font->CharSet = log.lfCharSet != DEFAULT_CHARSET ? log.lfCharSet
                    : wanted == GdiFontFamily::Cjk   ? GB2312_CHARSET
                                                     : ANSI_CHARSET;
    int escapement = int(log.lfEscapement % 3600);
    font->Escapement = escapement < 0 ? escapement + 3600 : escapement;
    return font;
}

template <class TM> void FillCommon(const GdiFontInstance& f, TM& tm) {
    tm.tmHeight = f.Height();
    tm.tmAscent = f.Ascent;
    tm.tmDescent = f.Descent;
    tm.tmInternalLeading = f.InternalLeading;
    tm.tmExternalLeading = f.ExternalLeading;
    tm.tmAveCharWidth = f.AveCharWidth;
    tm.tmMaxCharWidth = f.MaxCharWidth;
    tm.tmWeight = f.Weight;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmItalic = f.Log.lfItalic ? 255 : 0;
    tm.tmUnderlined = f.Log.lfUnderline ? 255 : 0;
    tm.tmStruckOut = f.Log.lfStrikeOut ? 255 : 0;
    tm.tmPitchAndFamily = f.PitchAndFamily;
    tm.tmCharSet = f.CharSet;
    tm.tmFirstChar = 30;
    tm.tmDefaultChar = 31;
    tm.tmBreakChar = 32;
}

std::shared_ptr<GdiFont> StockFont(int height, int weight, BYTE pitchAndFamily, const char* face) {
    LOGFONTA log;
    log.lfHeight = height;
    log.lfWeight = weight;
    log.lfCharSet = DEFAULT_CHARSET;
    log.lfPitchAndFamily = pitchAndFamily;
    return GdiMakeFont(log, face);
}

void RegisterStockFonts() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The fixed-pitch stock fonts take a fixed-pitch face of the name map.
        GdiRegisterStockObject(SYSTEM_FONT, StockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
        GdiRegisterStockObject(DEVICE_DEFAULT_FONT,
                               StockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
        GdiRegisterStockObject(DEFAULT_GUI_FONT,
                               StockFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg"));
        GdiRegisterStockObject(ANSI_VAR_FONT,
                               StockFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
        GdiRegisterStockObject(ANSI_FIXED_FONT,
                               StockFont(-13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier New"));
        GdiRegisterStockObject(OEM_FIXED_FONT,
                               StockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier New"));
        GdiRegisterStockObject(SYSTEM_FIXED_FONT,
                               StockFont(16, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier New"));
    });
}

// Every context starts with the system font, so it is there before any context is made.
[[maybe_unused]] const bool StockFontsRegistered = (RegisterStockFonts(), true);

} // namespace

// ---- Realised fonts ----------------------------------------------------------------------------

GdiGlyphSource* GdiFontInstance::Fallback() const {
    std::call_once(FFallbackOpened, [this] {
        if (FallbackWanted && GdiFontFamilyInstalled(GdiFontFamily::Cjk))
            FFallback = GdiOpenGlyphSource(FallbackRequest);
    });
    return FFallback.get();
}

GdiGlyphSource& GdiFontInstance::SourceFor(char32_t ch) const {
    if (Primary->HasChar(ch)) return *Primary;
    GdiGlyphSource* fallback = Fallback();
    return fallback && fallback->HasChar(ch) ? *fallback : *Primary;
}

void GdiFontInstance::FillMetrics(TEXTMETRICA& tm) const {
    FillCommon(*this, tm);
    tm.tmLastChar = 255;
}

void GdiFontInstance::FillMetrics(TEXTMETRICW& tm) const {
    FillCommon(*this, tm);
    tm.tmLastChar = 0xFFFC;
}

GdiFontFamily GdiFamilyForName(const String& faceName) {
    const NameEntry* e = FindName(faceName);
    return e ? e->Family : GdiFontFamily::Sans;
}

std::shared_ptr<GdiFont> GdiMakeFont(const LOGFONTA& log, const String& faceName) {
    auto font = std::make_shared<GdiFont>();
    font->Log = log;
    std::memset(font->Log.lfFaceName, 0, sizeof(font->Log.lfFaceName));
    font->FaceName = faceName;
    return font;
}

std::shared_ptr<const GdiFontInstance> GdiFont::Instance() const {
    unsigned generation = GdiGlyphGeneration();
    std::lock_guard<std::mutex> lock(FLock);
    if (!FInstance || FGeneration != generation) {
        FInstance = Realize(Log, FaceName);
        FGeneration = generation;
    }
    return FInstance;
}

int GdiFont::Describe(int size, void* buffer, bool wide) const {
    if (wide) {
        LOGFONTW w = ToW(Log);
        CopyName(FaceName, w.lfFaceName, LF_FACESIZE);
        if (!buffer) return int(sizeof(w));
        int n = std::min(size, int(sizeof(w)));
        std::memcpy(buffer, &w, std::size_t(n));
        return n;
    }
    LOGFONTA a = Log;
    CopyName(FaceName, a.lfFaceName, LF_FACESIZE);
    if (!buffer) return int(sizeof(a));
    int n = std::min(size, int(sizeof(a)));
    std::memcpy(buffer, &a, std::size_t(n));
    return n;
}

std::shared_ptr<const GdiFontInstance> GdiSystemFont() {
    RegisterStockFonts();
    auto font = std::dynamic_pointer_cast<GdiFont>(GdiStockObject(SYSTEM_FONT));
    return font ? font->Instance() : nullptr;
}

std::shared_ptr<const GdiFontInstance> GdiSelectedFont(const GdiDC& dc) {
    if (auto font = std::dynamic_pointer_cast<GdiFont>(dc.State.Font)) return font->Instance();
    return GdiSystemFont();
}

// ---- Creation ----------------------------------------------------------------------------------

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    if (!logFont) return nullptr;
    return static_cast<HFONT>(GdiAddObject(GdiMakeFont(*logFont, NameOf(logFont->lfFaceName, LF_FACESIZE))));
}

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
    if (!logFont) return nullptr;
    return static_cast<HFONT>(
        GdiAddObject(GdiMakeFont(ToA(*logFont), NameOf(logFont->lfFaceName, LF_FACESIZE))));
}

namespace {

LOGFONTA MakeLog(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily) {
    LOGFONTA log;
    log.lfHeight = height;
    log.lfWidth = width;
    log.lfEscapement = escapement;
    log.lfOrientation = orientation;
    log.lfWeight = weight;
    log.lfItalic = BYTE(italic ? 1 : 0);
    log.lfUnderline = BYTE(underline ? 1 : 0);
    log.lfStrikeOut = BYTE(strikeOut ? 1 : 0);
    log.lfCharSet = BYTE(charSet);
    log.lfOutPrecision = BYTE(outPrecision);
    log.lfClipPrecision = BYTE(clipPrecision);
    log.lfQuality = BYTE(quality);
    log.lfPitchAndFamily = BYTE(pitchAndFamily);
    return log;
}

} // namespace

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONTA log = MakeLog(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                           charSet, outPrecision, clipPrecision, quality, pitchAndFamily);
    String name = faceName ? NameOf(faceName, LF_FACESIZE) : String();
    return static_cast<HFONT>(GdiAddObject(GdiMakeFont(log, name)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char16_t* faceName) {
    LOGFONTA log = MakeLog(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                           charSet, outPrecision, clipPrecision, quality, pitchAndFamily);
    String name = faceName ? NameOf(faceName, LF_FACESIZE) : String();
    return static_cast<HFONT>(GdiAddObject(GdiMakeFont(log, name)));
}

// ---- Metrics -----------------------------------------------------------------------------------

namespace {

std::shared_ptr<const GdiFontInstance> FontOf(HDC handle) {
    auto dc = GdiFindDC(handle);
    return dc ? GdiSelectedFont(*dc) : nullptr;
}

template <class TM> BOOL TextMetrics(HDC dc, TM* metrics) {
    auto font = FontOf(dc);
    if (!font || !metrics) return FALSE;
    *metrics = TM{};
    font->FillMetrics(*metrics);
    return TRUE;
}

// The name GetTextFace reports.
String FaceOf(const GdiFontInstance& font) {
    if (!font.FaceName.empty()) return font.FaceName;
    const String& family = font.Primary->FamilyName();
    return family.empty() ? GdiFontFamilyName(font.Family) : family;
}

bool RangeOk(UINT first, UINT last) { return first <= last && last - first <= 0x10FFFF; }

} // namespace

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) { return TextMetrics(dc, metrics); }
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) { return TextMetrics(dc, metrics); }

int GetTextFaceA(HDC dc, int count, LPSTR name) {
    auto font = FontOf(dc);
    if (!font) return 0;
    String face = FaceOf(*font);
    if (!name) return int(face.size()) + 1;
    if (count <= 0) return 0;
    CopyName(face, name, std::size_t(count));
    return int(std::strlen(name)) + 1;
}

int GetTextFaceW(HDC dc, int count, char16_t* name) {
    auto font = FontOf(dc);
    if (!font) return 0;
    String face = FaceOf(*font);
    if (!name) return int(StringToWide(face).size()) + 1;
    if (count <= 0) return 0;
    CopyName(face, name, std::size_t(count));
    int n = 0;
    while (name[n])
        ++n;
    return n + 1;
}

int GetTextCharset(HDC dc) {
    auto font = FontOf(dc);
    return font ? font->CharSet : DEFAULT_CHARSET;
}

namespace {

BOOL CharWidths(HDC dc, UINT first, UINT last, INT* widths) {
    auto font = FontOf(dc);
    if (!font || !widths || !RangeOk(first, last)) return FALSE;
    for (UINT ch = first; ch <= last; ++ch)
        widths[ch - first] = font->Advance(char32_t(ch));
    return TRUE;
}

BOOL AbcWidths(HDC dc, UINT first, UINT last, ABC* widths) {
    auto font = FontOf(dc);
    if (!font || !widths || !RangeOk(first, last)) return FALSE;
    for (UINT ch = first; ch <= last; ++ch) {
        GdiGlyphMetrics g = font->SourceFor(char32_t(ch)).Glyph(char32_t(ch));
        ABC& abc = widths[ch - first];
        if (g.InkWidth > 0) {
            abc.abcA = g.InkLeft;
            abc.abcB = UINT(g.InkWidth);
            abc.abcC = g.Advance - g.InkLeft - g.InkWidth;
        } else {
            abc.abcA = 0;
            abc.abcB = 0;
            abc.abcC = g.Advance;
        }
    }
    return TRUE;
}

} // namespace

BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, INT* widths) {
    if (last > 255) return FALSE;
    return CharWidths(dc, first, last, widths);
}
BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, INT* widths) {
    return CharWidths(dc, first, last, widths);
}
BOOL GetCharABCWidthsA(HDC dc, UINT first, UINT last, ABC* widths) {
    if (last > 255) return FALSE;
    return AbcWidths(dc, first, last, widths);
}
BOOL GetCharABCWidthsW(HDC dc, UINT first, UINT last, ABC* widths) {
    return AbcWidths(dc, first, last, widths);
}

// ---- The font list -----------------------------------------------------------------------------

namespace {

struct ListEntry {
    String Name;
    GdiFontFamily Family;
    BYTE CharSet;
    int Style; // 0 regular, 1 bold, 2 italic, 3 bold italic
};

const char* const StyleNames[4] = {"Regular", "Bold", "Italic", "Bold Italic"};

// The names whose fonts are installed, in order.
std::vector<const NameEntry*> InstalledNames() {
    std::vector<const NameEntry*> out;
    for (const NameEntry& e : Names)
        if (GdiFontFamilyInstalled(e.Family)) out.push_back(&e);
    return out;
}

// The entries of a list call: one per family, or the styles of one family.
std::vector<ListEntry> ListFor(const String& family, BYTE charSet) {
    std::vector<ListEntry> out;
    auto charSetsOf = [&](GdiFontFamily f) {
        std::vector<BYTE> sets;
        if (charSet == DEFAULT_CHARSET)
            sets.push_back(f == GdiFontFamily::Cjk ? GB2312_CHARSET : ANSI_CHARSET);
        else if (charSet == ANSI_CHARSET || (charSet == GB2312_CHARSET && f == GdiFontFamily::Cjk))
            sets.push_back(charSet);
        return sets;
    };
    for (const NameEntry* e : InstalledNames()) {
        if (!family.empty() && !AnsiSameText(family, e->Name)) continue;
        for (BYTE set : charSetsOf(e->Family)) {
            if (family.empty()) {
                out.push_back({e->Name, e->Family, set, 0});
            } else {
                for (int style = 0; style < 4; ++style)
                    out.push_back({e->Name, e->Family, set, style});
            }
        }
    }
    return out;
}

struct ListItem {
    ENUMLOGFONTEXA Log;
    NEWTEXTMETRICEXA Metrics;
    String FullName, StyleName, Script;
    std::shared_ptr<const GdiFontInstance> Font;
};

ListItem Describe(const ListEntry& entry) {
    ListItem item;
    LOGFONTA log;
    log.lfHeight = -12;
    log.lfWeight = (entry.Style & 1) ? FW_BOLD : FW_NORMAL;
    log.lfItalic = BYTE((entry.Style & 2) ? 1 : 0);
    log.lfCharSet = entry.CharSet;
    log.lfOutPrecision = OUT_STROKE_PRECIS;
    log.lfClipPrecision = CLIP_STROKE_PRECIS;
    log.lfQuality = DRAFT_QUALITY;
    std::shared_ptr<const GdiFontInstance> font = GdiMakeFont(log, entry.Name)->Instance();
    item.Font = font;
    log.lfHeight = font->Height();
    log.lfWidth = font->AveCharWidth;
    log.lfPitchAndFamily = BYTE((font->PitchAndFamily & 0xF0) |
                                ((font->PitchAndFamily & TMPF_FIXED_PITCH) ? VARIABLE_PITCH : FIXED_PITCH));
    CopyName(entry.Name, log.lfFaceName, LF_FACESIZE);
    item.Log.elfLogFont = log;
    item.StyleName = StyleNames[entry.Style];
    item.FullName = entry.Style ? entry.Name + " " + item.StyleName : entry.Name;
    item.Script = entry.CharSet == GB2312_CHARSET ? "CHINESE_GB2312" : "Western";
    CopyName(item.FullName, item.Log.elfFullName, LF_FULLFACESIZE);
    CopyName(item.StyleName, item.Log.elfStyle, LF_FACESIZE);
    CopyName(item.Script, item.Log.elfScript, LF_FACESIZE);
    NEWTEXTMETRICA& tm = item.Metrics.ntmTm;
    font->FillMetrics(static_cast<TEXTMETRICA&>(tm));
    tm.ntmFlags = (entry.Style == 0 ? NTM_REGULAR : 0) | ((entry.Style & 1) ? NTM_BOLD : 0) |
                  ((entry.Style & 2) ? NTM_ITALIC : 0);
    const GdiFaceMetrics& design = font->Primary->Metrics();
    tm.ntmSizeEM = UINT(design.UnitsPerEm);
    tm.ntmCellHeight = UINT(design.DesignCellHeight);
    tm.ntmAvgWidth = UINT(design.DesignAveWidth);
    item.Metrics.ntmFontSig.fsCsb[0] = entry.Family == GdiFontFamily::Cjk ? 0x00040001 : 0x00000001;
    return item;
}

int ListA(const std::vector<ListEntry>& entries, FONTENUMPROCA proc, LPARAM data) {
    int result = 1;
    for (const ListEntry& entry : entries) {
        ListItem item = Describe(entry);
        result = proc(&item.Log.elfLogFont, &item.Metrics.ntmTm, TRUETYPE_FONTTYPE, data);
        if (!result) break;
    }
    return result;
}

int ListW(const std::vector<ListEntry>& entries, FONTENUMPROCW proc, LPARAM data) {
    int result = 1;
    for (const ListEntry& entry : entries) {
        ListItem item = Describe(entry);
        ENUMLOGFONTEXW log;
        log.elfLogFont = ToW(item.Log.elfLogFont);
        CopyName(entry.Name, log.elfLogFont.lfFaceName, LF_FACESIZE);
        CopyName(item.FullName, log.elfFullName, LF_FULLFACESIZE);
        CopyName(item.StyleName, log.elfStyle, LF_FACESIZE);
        CopyName(item.Script, log.elfScript, LF_FACESIZE);
        NEWTEXTMETRICEXW tm;
        const NEWTEXTMETRICA& a = item.Metrics.ntmTm;
        item.Font->FillMetrics(static_cast<TEXTMETRICW&>(tm.ntmTm));
        tm.ntmTm.ntmFlags = a.ntmFlags;
        tm.ntmTm.ntmSizeEM = a.ntmSizeEM;
        tm.ntmTm.ntmCellHeight = a.ntmCellHeight;
        tm.ntmTm.ntmAvgWidth = a.ntmAvgWidth;
        tm.ntmFontSig = item.Metrics.ntmFontSig;
        result = proc(&log.elfLogFont, &tm.ntmTm, TRUETYPE_FONTTYPE, data);
        if (!result) break;
    }
    return result;
}

} // namespace

int EnumFontFamiliesA(HDC dc, LPCSTR family, FONTENUMPROCA proc, LPARAM data) {
    if (!GdiFindDC(dc) || !proc) return 0;
    return ListA(ListFor(family ? String(family) : String(), DEFAULT_CHARSET), proc, data);
}

int EnumFontFamiliesW(HDC dc, const char16_t* family, FONTENUMPROCW proc, LPARAM data) {
    if (!GdiFindDC(dc) || !proc) return 0;
    String name;
    if (family) {
        WideString w;
        for (const char16_t* p = family; *p; ++p)
            w += *p;
        name = WideToString(w);
    }
    return ListW(ListFor(name, DEFAULT_CHARSET), proc, data);
}

int EnumFontFamiliesExA(HDC dc, const LOGFONTA* request, FONTENUMPROCA proc, LPARAM data, DWORD) {
    if (!GdiFindDC(dc) || !proc || !request) return 0;
    return ListA(ListFor(NameOf(request->lfFaceName, LF_FACESIZE), request->lfCharSet), proc, data);
}

int EnumFontFamiliesExW(HDC dc, const LOGFONTW* request, FONTENUMPROCW proc, LPARAM data, DWORD) {
    if (!GdiFindDC(dc) || !proc || !request) return 0;
    return ListW(ListFor(NameOf(request->lfFaceName, LF_FACESIZE), request->lfCharSet), proc, data);
}
