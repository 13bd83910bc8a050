// The names of the character sets, for definitions and property editors.
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

struct TCharsetIdent {
    Integer Value;
    const char* Name;
};

const TCharsetIdent kCharsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
    {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"},
    {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
    {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},
    {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {THAI_CHARSET, "THAI_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

const bool kCharsetIdentsRegistered = [] {
    RegisterIntegerIdents("TFontCharset", IdentToCharset, CharsetToIdent);
    return true;
}();

} // namespace

bool CharsetToIdent(Integer charset, String& ident) {
    for (const TCharsetIdent& c : kCharsets)
        if (c.Value == charset) {
            ident = c.Name;
            return true;
        }
    return false;
}

bool IdentToCharset(const String& ident, Integer& charset) {
    for (const TCharsetIdent& c : kCharsets)
        if (SameText(ident, c.Name)) {
            charset = c.Value;
            return true;
        }
    return false;
}

void GetCharsetValues(const std::function<void(const String&)>& proc) {
    for (const TCharsetIdent& c : kCharsets)
        proc(c.Name);
}
