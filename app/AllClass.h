// The application state, the single instances of the data model, the small value rules and
// text conversions the editing windows and the record codec share, and the settings file,
// the language files and the prompts.
#pragma once

#include <memory>

#include "app/MacType.h"
#include "app/myFun.h"
#include "platform/runtime/RtlTypes.h"

class TCustomForm;
class TStrings;
class TQelComPort;

// The state of the running program. Every field starts empty, 0 or false.
class TALL {
public:
    // Makes a model current (its name, code, limits and channel count); the band stays.
    void UseModel(TMacType& model);
    // Makes a band current: BandText, then both edges parsed from it.
    void UseBand(const String& bandText);

    String LanguageName;
    Integer LanguageIndex = 0;
    String ComPort;
    String AppDir; // with its trailing separator
    String Title;
    Integer ChannelCount = 0;
    String ModelName;
    String BandText;
    String FileDate; // date text of the last data file opened
    double ModelMax = 0;
    double ModelMin = 0;
    double BandHigh = 0;
    double BandLow = 0;
    String ModelCode;
    String UsedBits; // "1"/"0" per channel, built while channels are encoded
    String ScanBits;
    Integer PictureId = 0;
    bool Modified = false;
    bool Refreshing = false;
    String HelpName;
    bool ShowTestOnline = false;
    TMacType* CurrentModel = nullptr;
};

// The single instances, created by the data module at start-up and kept until exit.
extern std::unique_ptr<TMacList> ModelList;
extern std::unique_ptr<TALL> AppState;
extern std::unique_ptr<TTestFre> TestFrequencies;
extern std::unique_ptr<TEnMsg> MessageLines;
extern std::unique_ptr<TFun> FunctionSettings;
extern std::unique_ptr<TFrqList> BandList;

// The prompt texts of the selected language, one per key of section "Language" of a language
// file. A new object holds the built-in texts.
class TLanguage {
public:
    String Confirmation = "提示";
    String ExitProgram = "确定要退出系统？";
    String SaveProgram = "是否保存数据？";
    String Channel = "信道";
    String Info = "信息";
    String OutRange = "频率超出范围！";
    String Caution = "注意";
    String FChBigT = "起始频道应小于结束频道！";
    String Close = "已关闭";
    String Open = "已启动";
    String ComError = "检查所有连接及通信端口设置！";
    String ModError = "机型错误，是否强写？";
    String ClearData = "是否清空数据？";
    String Modforce = "是否强制改写？";
    String All = "全部";
    String ErrRange = "频率出错！";
    String ModelType = "机型";
    String Frequency = "频率";
    String ReadOk = "读取完成！";
    String WriteOk = "写入完成！";
    String LPortError = "无法打开端口！";
};

extern std::unique_ptr<TLanguage> PromptTexts;

// Puts new instances of the data model, as constructed, into the seven globals above (freeing
// the ones there), as the data module does at start-up.
void CreateDataModelInstances();

// Splits a band text ("450 - 470MHz") into its edges in MHz. A text without "-" or "MHz",
// or with an edge that is not a number, raises EConvertError.
void ParseBandText(const String& text, double& low, double& high);

// ---- Texts of the channel table -------------------------------------------------------------
// Frequencies ("0.00000" MHz) and tones ("0.0") are written and read with "." as the decimal
// separator whatever the locale, so a table, a file or a radio record means the same on
// every machine.

// FormatFloat with "." as the decimal separator.
String FloatToChannelText(const String& format, Extended value);
// StrToFloat with "." as the decimal separator; raises EConvertError
// "'<text>' is not a valid floating point value".
Extended ChannelTextToFloat(const String& text);
bool TryChannelTextToFloat(const String& text, Extended& value);

// ---- Value rules ----------------------------------------------------------------------------

// Rounds a frequency (MHz) down to the channel raster: 5 kHz when its 100 Hz and 10 Hz digits
// are 0, else 6.25 kHz. A frequency on the raster comes back unchanged.
double SnapFrequency(double x);
// A typed tone: a number clamped to 30.0..290.0 as "0.0" ("290.0" when it does not convert),
// "D" with three octal digits and N, I, n or i as typed, empty as empty, anything else
// "D777N".
String NormalizeToneText(const String& text);
// yes when flag is set, else no.
String ChooseText(bool flag, const String& yes, const String& no);

// ---- Key filters of the editors ---------------------------------------------------------------

// The keys a frequency editor of a dialog keeps: digits, "." and the locale's decimal separator,
// backspace and Enter; anything else becomes 0.
void FilterFrequencyKey(char32_t& key);
// The keys a tone editor keeps: digits, ".", D, I, N in either case, backspace and Enter;
// anything else becomes 0.
void FilterToneKey(char32_t& key);

// ---- Byte and digit texts -------------------------------------------------------------------

// count characters, one per byte (nothing for a count below 1).
String BytesToText(const Byte* bytes, Integer count);
String ReverseText(const String& text);
// The decimal text of a text of binary digits, most significant first; every character
// counts as its code minus 48.
String BinaryTextToDecimal(const String& text);

// ---- Settings file, language files and prompts ----------------------------------------------
// "SysInfo.Ini" and the language files ("<language name>.Ini") live in AppState->AppDir.

// Reads section "SysInfo" of "SysInfo.Ini" into AppState: ComPort, LanguageIndex, HelpName,
// PictureId (the stored value + 1) and LanguageName (the entry of "Language" at LanguageIndex,
// empty when there is none). Missing keys and values that are not integers give the defaults.
void ReadSystemSettings();
// Writes "Com", "DefaultLanguage" and "PicID" (PictureId - 1) to "SysInfo.Ini", keeping the
// rest of the file. A file that cannot be written raises EIniFileException
// "Unable to write to <file>"; reporting it is the caller's.
void WriteSystemSettings();
// Appends the file names of the languages ("Language" of "SysInfo.Ini") to fileNames and their
// display names (the key named like AppState->LanguageName) to displayNames.
void ListLanguages(TStrings* displayNames, TStrings* fileNames);
// Reads section "Language" of the language file into PromptTexts; a missing file or key gives
// the built-in text, whatever was loaded before.
void LoadMessages(const String& languageName);
// Appends to the list the name ("COMn") of every serial port that can be opened; nothing for a
// missing list.
void ListComPorts(TStrings* list);
// Returns once the port has sent every byte it was given (looking again as soon as the bytes
// still to go can have left the line), or after about five seconds.
void WaitPortOutputDrained(TQelComPort& port);
// A prompt box. kind 1: information, OK, returns 1; kind 2: question, Yes and No, returns IDYES
// or IDNO; kind 22: question, Retry and Cancel, returns IDRETRY or IDCANCEL. Any other kind
// shows nothing and returns 1.
Integer ShowPrompt(const String& caption, const String& text, Integer kind);

// ---- Form translation -------------------------------------------------------------------------

// Replaces a window's texts from section <form name> of the language file "<languageName>.Ini"
// in AppState->AppDir, each key read with the current text as its default (a missing file,
// section or key changes nothing): the form's caption, then for each component the form owns
// the caption of labels, menu items, buttons, check boxes (also styled), radio buttons and group
// boxes, a tool button's caption and hint, a grid's column titles (row 1, by column number) and
// every item of a list box ("<name>.<index>"). With lists, combo boxes (also styled) get their
// items replaced too, only item 0 for a box whose Tag is -3, keeping the item index; such a box
// keeps the index in its Tag afterwards (-3 stays -3). A Tag of -2 excludes grids, combo boxes and
// list boxes. Returns 1.
Integer TranslateForm(TCustomForm* form, const String& languageName, bool withLists);
// The language the windows are designed in; its file holds the design texts.
extern const char* const DesignLanguage;
// Whether a window being shown takes its texts from the selected language's file: a language is
// selected and it is not the design language. So a language shows the same after a restart as
// when it was chosen in the language dialog.
bool WindowsNeedTranslation();
