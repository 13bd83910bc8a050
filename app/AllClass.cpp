#include "app/AllClass.h"

#include <algorithm>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Profile.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"

std::unique_ptr<TMacList> ModelList;
std::unique_ptr<TALL> AppState;
std::unique_ptr<TTestFre> TestFrequencies;
std::unique_ptr<TEnMsg> MessageLines;
std::unique_ptr<TFun> FunctionSettings;
std::unique_ptr<TFrqList> BandList;
std::unique_ptr<TLanguage> PromptTexts;

void CreateDataModelInstances() {
    ModelList = std::make_unique<TMacList>();
    AppState = std::make_unique<TALL>();
    TestFrequencies = std::make_unique<TTestFre>();
    MessageLines = std::make_unique<TEnMsg>();
    FunctionSettings = std::make_unique<TFun>();
    BandList = std::make_unique<TFrqList>();
    PromptTexts = std::make_unique<TLanguage>();
}

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

const String kSettingsFile = "SysInfo.Ini";
const String kSettingsSection = "SysInfo";
const String kLanguageSection = "Language";

String SettingsFileName() { return AppState->AppDir + kSettingsFile; }

// The keys of section "Language", in the order TLanguage declares its fields.
struct TPromptKey {
    const char* Key;
    String TLanguage::*Field;
};

const TPromptKey kPromptKeys[] = {
    {"Confirmation", &TLanguage::Confirmation},
    {"ExitProgram", &TLanguage::ExitProgram},
    {"SaveProgram", &TLanguage::SaveProgram},
    {"Channel", &TLanguage::Channel},
    {"Info", &TLanguage::Info},
    {"OutRange", &TLanguage::OutRange},
    {"Caution", &TLanguage::Caution},
    {"FChBigT", &TLanguage::FChBigT},
    {"Close", &TLanguage::Close},
    {"Open", &TLanguage::Open},
    {"ComError", &TLanguage::ComError},
    {"ModError", &TLanguage::ModError},
    {"ClearData", &TLanguage::ClearData},
    {"Modforce", &TLanguage::Modforce},
    {"All", &TLanguage::All},
    {"ErrRange", &TLanguage::ErrRange},
    {"ModelType", &TLanguage::ModelType},
    {"Frequency", &TLanguage::Frequency},
    {"ReadOk", &TLanguage::ReadOk},
    {"WriteOk", &TLanguage::WriteOk},
    {"LPortError", &TLanguage::LPortError},
};

// Takes the name before the first "|" off the front of text (the whole text when it holds
// none).
String TakeNextName(String& text) {
    const Integer bar = Pos("|", text);
    if (bar == 0) {
        String name = text;
        text.clear();
        return name;
    }
    String name = Copy(text, 1, bar - 1);
    Delete(text, 1, bar);
    return name;
}

void AppendNames(String text, TStrings* names) {
    while (!text.empty())
        names->Add(TakeNextName(text));
}

// PicID is kept one above its stored value. The shift wraps at the ends of the integer range
// instead of overflowing, so whatever the file holds reads and writes back unchanged.
Integer ShiftWrapped(Integer value, Integer delta) {
    return static_cast<Integer>(static_cast<Cardinal>(value) + static_cast<Cardinal>(delta));
}

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

void FilterFrequencyKey(char32_t& key) {
    const char32_t decimal = char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
    if (key == 8 || key == 13 || key == U'.' || key == decimal || (key >= U'0' && key <= U'9')) return;
    key = 0;
}

void FilterToneKey(char32_t& key) {
    switch (key) {
    case 8:
    case 13:
    case U'.':
    case U'D':
    case U'I':
    case U'N':
    case U'd':
    case U'i':
    case U'n':
        return;
    default:
        if (key >= U'0' && key <= U'9') return;
        key = 0;
    }
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

void ReadSystemSettings() {
    const String fileName = SettingsFileName();
    AppState->ComPort = ReadProfileString(kSettingsSection, "Com", "Com1", fileName);
    const String languageText = ReadProfileString(kSettingsSection, "DefaultLanguage", "0", fileName);
    AppState->HelpName = ReadProfileString(kSettingsSection, "Help", "VZ", fileName);

    AppState->LanguageIndex = StrToIntDef(languageText, 0);
    Integer picture = 0;
    if (TryStrToInt(ReadProfileString(kSettingsSection, "PicID", "0", fileName), picture))
        AppState->PictureId = ShiftWrapped(picture, 1);
    else
        AppState->PictureId = 1;

    // The entry at LanguageIndex; once the list has run out every further entry is empty, so
    // the walk can stop there (a huge index must not spin).
    String names = ReadProfileString(kSettingsSection, kLanguageSection, "Chinese|English", fileName);
    String name;
    for (Integer i = 0; i <= AppState->LanguageIndex; ++i) {
        if (names.empty()) {
            name.clear();
            break;
        }
        name = TakeNextName(names);
    }
    AppState->LanguageName = name;
}

void WriteSystemSettings() {
    const String fileName = SettingsFileName();
    WritePrivateProfileStringA(kSettingsSection.c_str(), "Com", AppState->ComPort.c_str(), fileName.c_str());
    WritePrivateProfileStringA(kSettingsSection.c_str(), "DefaultLanguage",
                               IntToStr(AppState->LanguageIndex).c_str(), fileName.c_str());
    WritePrivateProfileStringA(kSettingsSection.c_str(), "PicID",
                               IntToStr(ShiftWrapped(AppState->PictureId, -1)).c_str(), fileName.c_str());
}

void ListLanguages(TStrings* displayNames, TStrings* fileNames) {
    const String fileName = SettingsFileName();
    AppendNames(ReadProfileString(kSettingsSection, kLanguageSection, "Chinese|English", fileName),
                fileNames);
    AppendNames(ReadProfileString(kSettingsSection, AppState->LanguageName, "中文|英文", fileName),
                displayNames);
}

void LoadMessages(const String& languageName) {
    const String fileName = AppState->AppDir + languageName + ".Ini";
    const TLanguage builtIn;
    for (const TPromptKey& key : kPromptKeys)
        (*PromptTexts).*key.Field =
            ReadProfileString(kLanguageSection, key.Key, builtIn.*key.Field, fileName);
}

Integer ShowPrompt(const String& caption, const String& text, Integer kind) {
    switch (kind) {
    case 1:
        PlatformMessageBox(text, caption, MB_ICONINFORMATION | MB_OK);
        return 1;
    case 2:
        return PlatformMessageBox(text, caption, MB_ICONQUESTION | MB_YESNO);
    case 22:
        return PlatformMessageBox(text, caption, MB_ICONQUESTION | MB_RETRYCANCEL);
    default:
        return 1;
    }
}
