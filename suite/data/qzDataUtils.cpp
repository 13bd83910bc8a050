#include "suite/data/qzDataUtils.h"

#include <cmath>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"

String BuildCurrencyDisplayFormat() {
    const String number = ",0." + String(std::size_t(FormatSettings.CurrencyDecimals), '0');
    String currency;
    for (char c : FormatSettings.CurrencyString) {
        if (c == ',' || c == '.') {
            currency += '\'';
            currency += c;
            currency += '\'';
        } else {
            currency += c;
        }
    }
    if (currency.empty()) return number;
    switch (FormatSettings.CurrencyFormat) {
    case 0:
        return currency + number;
    case 1:
        return number + currency;
    case 2:
        return currency + " " + number;
    case 3:
        return number + " " + currency;
    default:
        return number;
    }
}

TDateTime DatePartOf(TDateTime value) { return std::trunc(value); }

TDateTime TimePartOf(TDateTime value) { return value - std::trunc(value); }

Integer LocaleFirstDayOfWeek() {
    // The runtime's settings already count from Sunday.
    return Integer(FormatSettings.FirstWeekDay % 7);
}

TDateTime StartOfWeekOf(TDateTime value) {
    const Integer first = LocaleFirstDayOfWeek();
    const Integer weekDay = Integer(DayOfWeek(value)) - 1;
    const TDateTime day = std::trunc(value);
    if (weekDay < first) return day - 7 + (first - weekDay);
    return day - (weekDay - first);
}

bool SameTextOrPrefix(const String& text, const String& pattern, bool prefix) {
    const String upperText = AnsiUpperCase(text);
    const String upperPattern = AnsiUpperCase(pattern);
    if (upperPattern.empty()) return upperText.empty();
    if (!prefix) return upperText == upperPattern;
    return upperText.size() >= upperPattern.size() &&
           upperText.compare(0, upperPattern.size(), upperPattern) == 0;
}
