// Font objects behind HFONT, and fonts realised for drawing: the name map, the sizes, the
// glyph sources of the face and of the per-character fallback, and the text metrics.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/GdiGlyph.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/GdiText.h"

// A font realised at its size: what text output and measuring work with.
class GdiFontInstance {
public:
    // The font's description; FaceName in UTF-8.
    LOGFONTA Log{};
    String FaceName;
    GdiFontFamily Family = GdiFontFamily::Sans;
    std::shared_ptr<GdiGlyphSource> Primary;
    // The face of the characters the primary face lacks (nullptr: none). Its file is large and
    // most text never needs it, so it is opened the first time it is asked for, from
    // FallbackRequest when FallbackWanted.
    GdiGlyphSource* Fallback() const;
    bool FallbackWanted = false;
    GdiGlyphRequest FallbackRequest;

    // Text metrics (the primary face's line metrics, whatever a character is drawn from).
    int Height() const { return Ascent + Descent; }
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    int Weight = FW_NORMAL;
    BYTE PitchAndFamily = 0;
    BYTE CharSet = ANSI_CHARSET;
    int Escapement = 0; // tenths of a degree, 0 to 3599

    // The face a character is drawn from: the primary face when it has the character (or
    // when the fallback lacks it too), else the fallback.
    GdiGlyphSource& SourceFor(char32_t ch) const;
    int Advance(char32_t ch) const { return SourceFor(ch).Glyph(ch).Advance; }
    void FillMetrics(TEXTMETRICA& tm) const;
    void FillMetrics(TEXTMETRICW& tm) const;

private:
    mutable std::once_flag FFallbackOpened;
    mutable std::shared_ptr<GdiGlyphSource> FFallback;
};

class GdiFont : public GdiObject {
public:
    DWORD ObjectType() const override { return OBJ_FONT; }
    // LOGFONTA (60 bytes) or LOGFONTW (92); a smaller buffer takes the leading part.
    int Describe(int size, void* buffer, bool wide) const override;

    // The realised font, made on first use (and again after the font files changed).
    std::shared_ptr<const GdiFontInstance> Instance() const;

    LOGFONTA Log{}; // lfFaceName unused: see FaceName
    String FaceName;

private:
    mutable std::mutex FLock;
    mutable std::shared_ptr<const GdiFontInstance> FInstance;
    mutable unsigned FGeneration = 0;
};

// The family a face name maps to.
GdiFontFamily GdiFamilyForName(const String& faceName);
// Makes a font object from a description (face name in UTF-8, at most 31 bytes used).
std::shared_ptr<GdiFont> GdiMakeFont(const LOGFONTA& log, const String& faceName);
// The font selected into a context (the system font when none is).
std::shared_ptr<const GdiFontInstance> GdiSelectedFont(const GdiDC& dc);
// The stock system font, for DT_INTERNAL.
std::shared_ptr<const GdiFontInstance> GdiSystemFont();
