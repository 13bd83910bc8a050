#include "app/AllClass.h"

#include <algorithm>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

std::unique_ptr<TMacList> ModelList;
std::unique_ptr<TALL> AppState;
std::unique_ptr<TTestFre> TestFrequencies;
std::unique_ptr<TEnMsg> MessageLines;
std::unique_ptr<TFun> FunctionSettings;
std::unique_ptr<TFrqList> BandList;

namespace {

const TFormatSettings& ChannelSettings() {
    static const TFormatSettings settings = [] {
        TFormatSettings s = DefaultFormatSettings();
        s.DecimalSeparator = '.';
        s.ThousandSeparator = ',';
        return s;
    }();
    return settings;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

void TALL::UseModel(TMacType& model) {
    CurrentModel = &model;
    ModelName = model.DisplayName;
    ModelCode = model.Code;
    ModelMax = model.MaxFreq;
    ModelMin = model.MinFreq;
    ChannelCount = model.ChannelCount;
}

void TALL::UseBand(const String& bandText) {
    BandText = bandText;
    ParseBandText(BandText, BandLow, BandHigh);
}

void ParseBandText(const String& text, double& low, double& high) {
    // A missing "-" or "MHz" leaves an empty piece, which fails to convert.
    const Integer hyphen = Pos("-", text);
    const double lowValue = static_cast<double>(StrToFloat(Trim(Copy(text, 1, hyphen - 1))));
    String rest = text;
    Delete(rest, 1, hyphen);
    const Integer unit = Pos("MHz", rest);
    const double highValue = static_cast<double>(StrToFloat(Trim(Copy(rest, 1, unit - 1))));
    low = lowValue;
    high = highValue;
}

String FloatToChannelText(const String& format, Extended value) {
    return FormatFloat(format, value, ChannelSettings());
}

Extended ChannelTextToFloat(const String& text) { return StrToFloat(text, ChannelSettings()); }

bool TryChannelTextToFloat(const String& text, Extended& value) {
    return TryStrToFloat(text, value, ChannelSettings());
}

double SnapFrequency(double x) {
    // The frequency in 10 Hz units, rounded as the record codec stores it.
    const String digits = FloatToChannelText("00000000", static_cast<Extended>(x) * 100000);
    const Int64 a = StrToInt64(digits);
    const Int64 raster = Copy(digits, 7, 2) == "00" ? 500 : 625;
    const Int64 b = a % raster;
    if (b == 0) return x;
    return static_cast<double>(a - b) / 100000.0;
}

String NormalizeToneText(const String& text) {
    if (text.empty()) return String();
    if (IsDigit(text[0])) {
        Extended value = 0;
        if (!TryChannelTextToFloat(text, value)) return "290.0";
        value = std::clamp<Extended>(value, 30.0L, 290.0L);
        return FloatToChannelText("0.0", value);
    }
    if (text.size() == 5 && text[0] == 'D') {
        const bool octal =
            std::all_of(text.begin() + 1, text.begin() + 4, [](char c) { return c >= '0' && c <= '7'; });
        const char suffix = text[4];
        if (octal && (suffix == 'N' || suffix == 'I' || suffix == 'n' || suffix == 'i')) return text;
    }
    return "D777N";
}

String ChooseText(bool flag, const String& yes, const String& no) { return flag ? yes : no; }

String BytesToText(const Byte* bytes, Integer count) {
    if (bytes == nullptr || count < 1) return String();
    return String(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}

String ReverseText(const String& text) { return String(text.rbegin(), text.rend()); }

String BinaryTextToDecimal(const String& text) {
    // Unsigned arithmetic: an overlong text wraps instead of overflowing.
    UInt64 value = 0;
    for (char c : text)
        value = value * 2 + static_cast<UInt64>(static_cast<Int64>(static_cast<Byte>(c)) - 48);
    return IntToStr(static_cast<Int64>(value));
}
