#include "platform/runtime/Format.h"

#include <charconv>
#include <climits>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

namespace {

TVarRecVariantConverters gVariantConverters;

// The largest width or precision a specifier may ask for.
constexpr int kMaxFieldSize = 1000000;

// ---- Small text helpers --------------------------------------------------------------------

String Decimal(UInt64 value) {
    char buffer[24];
    return String(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

String Hex(UInt64 value) {
    char buffer[24];
    String text(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, 16).ptr);
    for (char& c : text)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

String ZeroPadded(String digits, int minDigits) {
    if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, minDigits - digits.size(), '0');
    return digits;
}

// ---- The formatter -------------------------------------------------------------------------

class TFormatter {
public:
    TFormatter(const String& format, const TVarRec* args, size_t count, const TFormatSettings& settings)
        : FFormat(format), FArgs(args), FCount(count), FSettings(settings) {}

    String Run() {
        const size_t length = FFormat.size();
        while (FPos < length) {
            size_t percent = FFormat.find('%', FPos);
            FOut.append(FFormat, FPos, percent == String::npos ? String::npos : percent - FPos);
            if (percent == String::npos) break;
            FPos = percent + 1;
            if (FPos < length && FFormat[FPos] == '%') {
                FOut += '%';
                ++FPos;
                continue;
            }
            Specifier();
        }
        return std::move(FOut);
    }

private:
    [[noreturn]] void Invalid() const {
        throw EConvertError("Format '" + FFormat + "' invalid or incompatible with argument");
    }

    const TVarRec& NextArg() {
        if (FArgIndex >= FCount) throw EConvertError("No argument for format '" + FFormat + "'");
        return FArgs[FArgIndex++];
    }

    bool IsIntegerArg(const TVarRec& arg) const {
        return arg.VType == vtInteger || arg.VType == vtInt64 || arg.VType == vtUInt64 ||
               (arg.VType == vtVariant && gVariantConverters.ToInt64);
    }

    Int64 IntegerOf(const TVarRec& arg) const {
        switch (arg.VType) {
        case vtInteger:
            return arg.VInteger;
        case vtInt64:
            return arg.VInt64;
        case vtUInt64:
            return static_cast<Int64>(arg.VUInt64);
        case vtVariant:
            if (gVariantConverters.ToInt64) return gVariantConverters.ToInt64(arg.VVariant);
            break;
        default:
            break;
        }
        Invalid();
    }

    // Digits or "*" (the next argument, which must be an integer); false when neither.
    bool ReadNumber(int& value) {
        if (FPos < FFormat.size() && FFormat[FPos] == '*') {
            ++FPos;
            const TVarRec& arg = NextArg();
            if (!IsIntegerArg(arg)) Invalid();
            Int64 number = IntegerOf(arg);
            value = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
            return true;
        }
        if (FPos >= FFormat.size() || FFormat[FPos] < '0' || FFormat[FPos] > '9') return false;
        Int64 number = 0;
        for (; FPos < FFormat.size() && FFormat[FPos] >= '0' && FFormat[FPos] <= '9'; ++FPos) {
            number = number * 10 + (FFormat[FPos] - '0');
            if (number > INT_MAX) Invalid();
        }
        value = static_cast<int>(number);
        return true;
    }

    void Specifier() {
        bool left = false;
        int width = -1;
        int precision = -1;
        int number = 0;
        bool haveNumber = ReadNumber(number);
        if (haveNumber && FPos < FFormat.size() && FFormat[FPos] == ':') {
            ++FPos;
            if (number < 0) Invalid();
            FArgIndex = static_cast<size_t>(number);
            haveNumber = false;
        }
        if (haveNumber) {
            width = number;
        } else {
            if (FPos < FFormat.size() && FFormat[FPos] == '-') {
                left = true;
                ++FPos;
            }
            if (ReadNumber(number)) width = number;
        }
        if (FPos < FFormat.size() && FFormat[FPos] == '.') {
            ++FPos;
            // A negative precision taken from an argument means none.
            precision = ReadNumber(number) ? (number < 0 ? -1 : number) : 0;
        }
        // A field this wide is a damaged format, not a request for megabytes of blanks.
        if (width > kMaxFieldSize || precision > kMaxFieldSize) Invalid();
        if (FPos >= FFormat.size()) Invalid();
        char type = FFormat[FPos++];
        if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 'a' + 'A');
        if (String("DUXEFGNMPS").find(type) == String::npos) Invalid();
        String text = Convert(type, NextArg(), precision);
        size_t shown = static_cast<size_t>(Utf8Length(text));
        if (width > 0 && shown < static_cast<size_t>(width)) {
            String padding(width - shown, ' ');
            text = left ? text + padding : padding + text;
        }
        FOut += text;
    }

    String Convert(char type, const TVarRec& arg, int precision) {
        switch (type) {
        case 'D': {
            if (!IsIntegerArg(arg)) Invalid();
            if (arg.VType == vtUInt64) return ZeroPadded(Decimal(arg.VUInt64), precision);
            Int64 value = IntegerOf(arg);
            UInt64 magnitude = value < 0 ? 0 - static_cast<UInt64>(value) : static_cast<UInt64>(value);
            return (value < 0 ? "-" : "") + ZeroPadded(Decimal(magnitude), precision);
        }
        case 'U':
        case 'X': {
            if (!IsIntegerArg(arg)) Invalid();
            UInt64 value = arg.VType == vtUInt64 ? arg.VUInt64 : static_cast<UInt64>(IntegerOf(arg));
            // A 32-bit integer shows its own 32 bits, as the unsigned number they make.
            if (arg.VType == vtInteger) value = static_cast<Cardinal>(arg.VInteger);
            return ZeroPadded(type == 'U' ? Decimal(value) : Hex(value), precision);
        }
        case 'P': {
            const void* pointer = nullptr;
            if (arg.VType == vtPointer)
                pointer = arg.VPointer;
            else if (arg.VType == vtPChar)
                pointer = arg.VPChar;
            else
                Invalid();
            return ZeroPadded(Hex(reinterpret_cast<uintptr_t>(pointer)), 2 * sizeof(void*));
        }
        case 'S': {
            String text;
            switch (arg.VType) {
            case vtString:
                text = arg.VString;
                break;
            case vtPChar:
                text = arg.VPChar ? arg.VPChar : "";
                break;
            case vtChar:
                text.assign(1, arg.VChar);
                break;
            case vtWideString:
                text = WideToString(arg.VWideString);
                break;
            case vtVariant:
                if (!gVariantConverters.ToString) Invalid();
                text = gVariantConverters.ToString(arg.VVariant);
                break;
            default:
                Invalid();
            }
            return precision >= 0 ? Utf8Copy(text, 1, precision) : text;
        }
        default:
            return FloatText(type, arg, precision);
        }
    }

    String FloatText(char type, const TVarRec& arg, int precision) {
        bool isCurrency = arg.VType == vtCurrency;
        Extended value = 0;
        if (arg.VType == vtExtended)
            value = arg.VExtended;
        else if (isCurrency)
            value = arg.VCurrency.ToExtended();
        else if (arg.VType == vtVariant && gVariantConverters.ToExtended)
            value = gVariantConverters.ToExtended(arg.VVariant);
        else
            Invalid();
        switch (type) {
        case 'E':
        case 'G': {
            int digits = precision < 0 || precision > 18 ? 15 : precision;
            return FloatToStrF(value, type == 'E' ? ffExponent : ffGeneral, digits, 3, FSettings);
        }
        default: {
            TFloatFormat format = type == 'F' ? ffFixed : type == 'N' ? ffNumber : ffCurrency;
            int decimals = precision >= 0 ? precision : type == 'M' ? FSettings.CurrencyDecimals : 2;
            if (decimals > 18) decimals = 18;
            // Money keeps its exact digits.
            if (isCurrency) return CurrToStrF(arg.VCurrency, format, decimals, FSettings);
            return FloatToStrF(value, format, 18, decimals, FSettings);
        }
        }
    }

    const String& FFormat;
    const TVarRec* FArgs;
    size_t FCount;
    const TFormatSettings& FSettings;
    size_t FPos = 0;
    size_t FArgIndex = 0;
    String FOut;
};

} // namespace

void SetVarRecVariantConverters(const TVarRecVariantConverters& converters) {
    gVariantConverters = converters;
}

String Format(const String& format, const std::vector<TVarRec>& args, const TFormatSettings& settings) {
    return TFormatter(format, args.data(), args.size(), settings).Run();
}

String Format(const String& format, const std::vector<TVarRec>& args) {
    return Format(format, args, FormatSettings);
}

String Format(const String& format, std::initializer_list<TVarRec> args, const TFormatSettings& settings) {
    return TFormatter(format, args.begin(), args.size(), settings).Run();
}

String Format(const String& format, std::initializer_list<TVarRec> args) {
    return Format(format, args, FormatSettings);
}
