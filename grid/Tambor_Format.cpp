// Cell text conversion, column titles and the grid's message boxes.
#include "grid/Tambor.h"

#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"

String StripThousandSeparators(const String& text) {
    const char separator = FormatSettings.ThousandSeparator;
    String result;
    result.reserve(text.size());
    for (char c : text)
        if (c != separator) result += c;
    return Trim(result);
}

String FormatNumberText(const String& text, Integer intLength, Integer decLength, bool thousandSep,
                        bool zeroNull, bool trailingZero) {
    const String t = StripThousandSeparators(text);
    if (t.empty() || t == "-" || t == "0." || t == "0") return String();

    const Extended value = StrToFloat(t);
    if (zeroNull && value == 0) return String();

    const String pattern = "%" + IntToStr(intLength) + "." + IntToStr(decLength) + (thousandSep ? "n" : "f");
    String s = Format(pattern, {value});

    // Only a "." decimal separator marks the decimals here: under a "," locale the trailing
    // zeros stay, and a "." thousands separator must not let "1.000" shrink to "1".
    if (FormatSettings.DecimalSeparator == '.') {
        if (!trailingZero && s.find('.') != String::npos)
            while (!s.empty() && s.back() == '0')
                s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return Trim(s);
}

String ColumnLetters(Integer k) {
    if (k < 0 || k >= 256) return String();
    if (k <= 25) return String(1, char('A' + k));
    String result;
    result += char('A' + k / 26 - 1);
    result += char('A' + k % 26);
    return result;
}

void GridInfoBox(const String& text) { PlatformMessageBox(text, "Caution", MB_ICONINFORMATION | MB_OK); }

void GridErrorBox(const String& text) { PlatformMessageBox(text, "Caution", MB_ICONERROR | MB_OK); }

bool GridConfirmBox(const String& text, Integer defaultButton) {
    const UINT flags = MB_ICONQUESTION | MB_OKCANCEL | (defaultButton == 2 ? MB_DEFBUTTON2 : MB_DEFBUTTON1);
    return PlatformMessageBox(text, "Confirmation", flags) == IDOK;
}
