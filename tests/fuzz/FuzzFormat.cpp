// Format strings and FormatFloat pictures: any text gives a result or the conversion error.
#include <cstddef>
#include <cstdint>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const String text(reinterpret_cast<const char*>(data), size);
    TFormatSettings settings;
    settings.DecimalSeparator = '.';
    settings.ThousandSeparator = ',';
    settings.CurrencyString = "$";
    try {
        Format(text, {1, String("two"), 3.5, Int64(-4), 100000, 2, 7}, settings);
    } catch (const EConvertError&) {
    }
    for (Extended value : {0.0L, -1.005L, 1e20L, 123456789.125L, 1e-300L})
        FormatFloat(text, value, settings);
    return 0;
}
