#include "script/kq_isysrtti.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/classlib/Mask.h"
#include "platform/classlib/MsgDlg.h"
#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "script/kq_itools.h"

namespace {

String Arg(TkqMethodHelper* caller, Integer i) { return VarToStr(caller->GetParam(i)); }
Integer IntArg(TkqMethodHelper* caller, Integer i) { return caller->GetParam(i).AsInteger(); }
Extended FloatArg(TkqMethodHelper* caller, Integer i) { return caller->GetParam(i).AsExtended(); }

Variant CallToStrMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "INTTOSTR") return IntToStr(caller->GetParam(0).AsInt64());
    if (name == "FLOATTOSTR") return FloatToStr(FloatArg(caller, 0));
    if (name == "DATETOSTR") return DateToStr(TDateTime(FloatArg(caller, 0)));
    if (name == "TIMETOSTR") return TimeToStr(TDateTime(FloatArg(caller, 0)));
    if (name == "DATETIMETOSTR") return DateTimeToStr(TDateTime(FloatArg(caller, 0)));
    return Null();
}

Variant CallStrToMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "STRTOINT") return StrToInt(Arg(caller, 0));
    if (name == "STRTOFLOAT") return Double(StrToFloat(Arg(caller, 0)));
    if (name == "STRTODATE") return VarFromDateTime(StrToDate(Arg(caller, 0)));
    if (name == "STRTOTIME") return VarFromDateTime(StrToTime(Arg(caller, 0)));
    if (name == "STRTODATETIME") return VarFromDateTime(StrToDateTime(Arg(caller, 0)));
    return Null();
}

Variant CallFormatMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "FORMAT") {
        std::vector<TVarRec> args = VariantArrayToVarRecs(caller->GetParam(1));
        try {
            const String result = Format(Arg(caller, 0), args);
            FreeVarRecs(args);
            return result;
        } catch (...) {
            FreeVarRecs(args);
            throw;
        }
    }
    if (name == "FORMATFLOAT") return FormatFloat(Arg(caller, 0), FloatArg(caller, 1));
    if (name == "FORMATDATETIME") return FormatDateTime(Arg(caller, 0), TDateTime(FloatArg(caller, 1)));
    if (name == "FORMATMASKTEXT") return FormatMaskText(Arg(caller, 0), Arg(caller, 1));
    return Null();
}

Integer DaysInMonth(Integer year, Integer month) {
    static const Integer days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) RaiseRangeError();
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

Variant CallDateMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "ENCODEDATE")
        return VarFromDateTime(
            EncodeDate(Word(IntArg(caller, 0)), Word(IntArg(caller, 1)), Word(IntArg(caller, 2))));
    if (name == "DECODEDATE") {
        Word year = 0, month = 0, day = 0;
        DecodeDate(TDateTime(FloatArg(caller, 0)), year, month, day);
        caller->SetParam(1, year);
        caller->SetParam(2, month);
        caller->SetParam(3, day);
        return Null();
    }
    if (name == "ENCODETIME")
        return VarFromDateTime(EncodeTime(Word(IntArg(caller, 0)), Word(IntArg(caller, 1)),
                                          Word(IntArg(caller, 2)), Word(IntArg(caller, 3))));
    if (name == "DECODETIME") {
        Word hour = 0, min = 0, sec = 0, msec = 0;
        DecodeTime(TDateTime(FloatArg(caller, 0)), hour, min, sec, msec);
        caller->SetParam(1, hour);
        caller->SetParam(2, min);
        caller->SetParam(3, sec);
        caller->SetParam(4, msec);
        return Null();
    }
    if (name == "DATE") return VarFromDateTime(Date());
    if (name == "TIME") return VarFromDateTime(Time());
    if (name == "NOW") return VarFromDateTime(Now());
    if (name == "DAYOFWEEK") return Word(DayOfWeek(TDateTime(FloatArg(caller, 0))));
    if (name == "ISLEAPYEAR") return IsLeapYear(Word(IntArg(caller, 0)));
    if (name == "DAYSINMONTH") return DaysInMonth(IntArg(caller, 0), IntArg(caller, 1));
    return Null();
}

// Whether every character is one byte (all ASCII), so character positions are byte positions.
// Scanned eight bytes at a time, without an early exit, so the compiler can widen the loop.
bool AllAscii(const char* p, std::size_t n) {
    std::uint64_t high = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        high |= word;
    }
    for (; n > 0; ++p, --n)
        high |= std::uint64_t(static_cast<unsigned char>(*p));
    return (high & 0x8080808080808080ULL) == 0;
}

bool AllAscii(const String& s) { return AllAscii(s.data(), s.size()); }

// The number of characters, taken directly in all-ASCII text.
Integer CharCount(const String& s) { return AllAscii(s) ? Integer(s.size()) : Utf8Length(s); }

// Copy of count characters from the character `from` (1-based, at least 1); nothing for a
// negative count or a start past the end. Only the bytes that decide the result are looked at:
// where the bytes before the start are all ASCII the start is a byte position, a count that
// reaches the end takes the rest as it is, and an all-ASCII range is taken directly.
String CharCopy(const String& s, Integer from, Integer count) {
    if (count < 0) return String();
    const std::size_t skip = std::size_t(from) - 1;
    if (AllAscii(s.data(), std::min(skip, s.size()))) {
        if (skip >= s.size()) return String();
        const std::size_t rest = s.size() - skip;
        if (std::size_t(count) >= rest) return s.substr(skip);
        if (AllAscii(s.data() + skip, std::size_t(count))) return s.substr(skip, std::size_t(count));
    }
    if (from > Utf8Length(s)) return String();
    return Utf8Copy(s, from, count);
}

// Delete counted in characters: nothing for a start outside the text or a count below 1; the
// count is cut to the rest of the text (so from + count cannot overflow).
String DeleteChars(const String& s, Integer from, Integer count) {
    const Integer length = Utf8Length(s);
    if (from < 1 || from > length || count <= 0) return s;
    count = std::min(count, length - from + 1);
    return Utf8Copy(s, 1, from - 1) + Utf8Copy(s, from + count, length);
}

String NameCase(const String& s) {
    String lower = AnsiLowerCase(s);
    String result;
    std::size_t i = 0;
    Integer position = 1;
    bool upperNext = true;
    while (i < lower.size()) {
        const std::size_t next = Utf8Next(lower, i);
        const char32_t cp = Utf8CodePointAt(lower, i);
        result += upperNext ? Utf8FromCodePoint(UnicodeToUpper(cp)) : lower.substr(i, next - i);
        upperNext = cp == U' ' && position >= 2;
        i = next;
        ++position;
    }
    return result;
}

Variant CallStringMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "LENGTH") {
        const Variant& v = caller->ParamValue(0);
        if (VarIsArray(v)) return VarArrayHighBound(v, 1) - VarArrayLowBound(v, 1) + 1;
        if (const String* text = v.StrPtr()) return CharCount(*text);
        return CharCount(VarToStr(v));
    }
    if (name == "COPY") {
        const Variant& v = caller->ParamValue(0);
        String converted;
        const String& s = v.StrPtr() != nullptr ? *v.StrPtr() : (converted = VarToStr(v));
        return CharCopy(s, std::max<Integer>(IntArg(caller, 1), 1), IntArg(caller, 2));
    }
    if (name == "POS") {
        const String sub = Arg(caller, 0);
        const String s = Arg(caller, 1);
        if (sub.empty() || s.empty()) return 0;
        const std::size_t at = s.find(sub);
        return at == String::npos ? 0 : Utf8Length(s.substr(0, at)) + 1;
    }
    if (name == "DELETE" || name == "DELETESTR") {
        caller->SetParam(0, DeleteChars(Arg(caller, 0), IntArg(caller, 1), IntArg(caller, 2)));
        return Null();
    }
    if (name == "INSERT") {
        const String s = Arg(caller, 0);
        const String target = Arg(caller, 1);
        const Integer length = Utf8Length(target);
        const Integer at = std::clamp<Integer>(IntArg(caller, 2), 1, length + 1);
        caller->SetParam(1, Utf8Copy(target, 1, at - 1) + s + Utf8Copy(target, at, length));
        return Null();
    }
    if (name == "UPPERCASE") return AnsiUpperCase(Arg(caller, 0));
    if (name == "LOWERCASE") return AnsiLowerCase(Arg(caller, 0));
    if (name == "TRIM") {
        const String s = Arg(caller, 0);
        std::size_t first = 0, last = s.size();
        while (first < last && Byte(s[first]) <= 32)
            ++first;
        while (last > first && Byte(s[last - 1]) <= 32)
            --last;
        return s.substr(first, last - first);
    }
    if (name == "NAMECASE") return NameCase(Arg(caller, 0));
    if (name == "COMPARETEXT") return AnsiCompareText(Arg(caller, 0), Arg(caller, 1));
    if (name == "CHR") return Utf8FromCodePoint(char32_t(IntArg(caller, 0) & 0xFF));
    if (name == "ORD") {
        const String s = Arg(caller, 0);
        if (s.empty()) RaiseRangeError();
        return Byte(Utf8CodePointAt(s, 0) & 0xFF);
    }
    if (name == "SETLENGTH") {
        Variant v = caller->GetParam(0);
        const Integer length = IntArg(caller, 1);
        if (VarType(v) == varString || VarType(v) == varOleStr) {
            const String s = VarToStr(v);
            const Integer have = Utf8Length(s);
            caller->SetParam(0, length <= have ? Utf8Copy(s, 1, std::max<Integer>(length, 0))
                                               : s + String(std::size_t(length - have), ' '));
        } else {
            VarArrayRedim(v, VarArrayLowBound(v, 1) + length - 1);
            caller->SetParam(0, v);
        }
        return Null();
    }
    return Null();
}

Variant CallMathMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "ROUND") return Integer(Round(FloatArg(caller, 0)));
    if (name == "TRUNC") return Integer(Trunc(FloatArg(caller, 0)));
    if (name == "INT") return Double(Int(FloatArg(caller, 0)));
    if (name == "FRAC") return Double(Frac(FloatArg(caller, 0)));
    if (name == "SQRT") return Double(CheckedSqrt(FloatArg(caller, 0)));
    if (name == "ABS") {
        const Extended e = FloatArg(caller, 0);
        return Double(e < 0 ? -e : e);
    }
    if (name == "SIN") return Double(CheckedSin(FloatArg(caller, 0)));
    if (name == "COS") return Double(CheckedCos(FloatArg(caller, 0)));
    if (name == "ARCTAN") return Double(CheckedArcTan(FloatArg(caller, 0)));
    if (name == "TAN") return Double(CheckedTan(FloatArg(caller, 0)));
    if (name == "EXP") return Double(CheckedExp(FloatArg(caller, 0)));
    if (name == "LN") return Double(CheckedLn(FloatArg(caller, 0)));
    if (name == "PI") return Double(3.1415926535897932385L);
    return Null();
}

Variant CallOtherMethod(TObject*, TClass, const String& name, TkqMethodHelper* caller) {
    if (name == "VARTOSTR") return VarToStr(caller->GetParam(0));
    if (name == "INC") {
        caller->SetParam(0, caller->GetParam(0) + caller->GetParam(1));
        return Null();
    }
    if (name == "DEC") {
        caller->SetParam(0, caller->GetParam(0) - caller->GetParam(1));
        return Null();
    }
    if (name == "RAISEEXCEPTION") throw Exception(Arg(caller, 0));
    if (name == "SHOWMESSAGE") {
        ShowMessage(VarToStr(caller->GetParam(0)));
        return Null();
    }
    if (name == "RANDOMIZE") {
        Randomize();
        return Null();
    }
    if (name == "RANDOM") return Double(Random());
    if (name == "VALIDINT") {
        Integer value = 0;
        return TryStrToInt(Arg(caller, 0), value);
    }
    if (name == "VALIDFLOAT") {
        Extended value = 0;
        return TryStrToFloat(Arg(caller, 0), value);
    }
    if (name == "VALIDDATE") {
        TDateTime value = 0;
        return TryStrToDate(Arg(caller, 0), value);
    }
    if (name == "CREATEOLEOBJECT") return CreateOleObject(Arg(caller, 0));
    if (name == "VARARRAYCREATE") {
        const Variant bounds = caller->GetParam(0);
        std::vector<Integer> pairs;
        for (Integer i = VarArrayLowBound(bounds, 1); i <= VarArrayHighBound(bounds, 1); ++i)
            pairs.push_back(VarArrayGet(bounds, {i}).AsInteger());
        return VarArrayCreate(pairs, TVarType(IntArg(caller, 1)));
    }
    if (name == "VARTYPE") return Word(VarType(caller->GetParam(0)));
    return Null();
}

} // namespace

TkqSysRTTIFunctions::TkqSysRTTIFunctions(TkqScript* script) : TkqRTTIModule(script) {
    TkqScript* s = script;
    for (const char* name : {"Byte", "Word", "Integer", "Longint", "Cardinal", "TColor"})
        s->AddType(name, vkInteger);
    s->AddType("Boolean", vkBoolean);
    for (const char* name :
         {"Real", "Single", "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime"})
        s->AddType(name, vkFloat);
    s->AddType("Char", vkChar);
    s->AddType("String", vkString);
    s->AddType("Variant", vkVariant);
    s->AddType("Pointer", vkVariant);
    s->AddType("Array", vkArray);
    s->AddType("Constructor", vkConstructor);

    s->AddConst("True", "Boolean", true);
    s->AddConst("False", "Boolean", false);
    s->AddConst("nil", "Variant", Byte(0));
    s->AddConst("Null", "Variant", Null());

    s->Add("__StringHelper", new TkqStringHelper());
    s->Add("__ArrayHelper", new TkqArrayHelper("__ArrayHelper", "", vkVariant, -1));

    const TkqModuleCallback toStr = &CallToStrMethod;
    const TkqModuleCallback strTo = &CallStrToMethod;
    const TkqModuleCallback other = &CallOtherMethod;
    s->AddMethod("function IntToStr(i: Integer): String", toStr, CatConv);
    s->AddMethod("function FloatToStr(e: Extended): String", toStr, CatConv);
    s->AddMethod("function DateToStr(e: Extended): String", toStr, CatConv);
    s->AddMethod("function TimeToStr(e: Extended): String", toStr, CatConv);
    s->AddMethod("function DateTimeToStr(e: Extended): String", toStr, CatConv);
    s->AddMethod("function VarToStr(v: Variant): String", other, CatConv);
    s->AddMethod("function StrToInt(s: String): Integer", strTo, CatConv);
    s->AddMethod("function StrToFloat(s: String): Extended", strTo, CatConv);
    s->AddMethod("function StrToDate(s: String): Extended", strTo, CatConv);
    s->AddMethod("function StrToTime(s: String): Extended", strTo, CatConv);
    s->AddMethod("function StrToDateTime(s: String): Extended", strTo, CatConv);

    const TkqModuleCallback format = &CallFormatMethod;
    s->AddMethod("function Format(Fmt: String; Args: array): String", format, CatFormat);
    s->AddMethod("function FormatFloat(Fmt: String; Value: Extended): String", format, CatFormat);
    s->AddMethod("function FormatDateTime(Fmt: String; DateTime: TDateTime): String", format, CatFormat);
    s->AddMethod("function FormatMaskText(EditMask: string; Value: string): string", format, CatFormat);

    const TkqModuleCallback date = &CallDateMethod;
    s->AddMethod("function EncodeDate(Year, Month, Day: Word): TDateTime", date, CatDate);
    s->AddMethod("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", date, CatDate);
    s->AddMethod("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", date, CatDate);
    s->AddMethod("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", date, CatDate);
    s->AddMethod("function Date: TDateTime", date, CatDate);
    s->AddMethod("function Time: TDateTime", date, CatDate);
    s->AddMethod("function Now: TDateTime", date, CatDate);
    s->AddMethod("function DayOfWeek(aDate: TDateTime): Integer", date, CatDate);
    s->AddMethod("function IsLeapYear(Year: Word): Boolean", date, CatDate);
    s->AddMethod("function DaysInMonth(nYear, nMonth: Integer): Integer", date, CatDate);

    const TkqModuleCallback str = &CallStringMethod;
    // The functions that only read their arguments borrow the caller's variables.
    for (const char* reader : {"function Length(s: Variant): Integer",
                               "function Copy(s: String; from, count: Integer): String",
                               "function Pos(substr, s: String): Integer"})
        s->AddMethod(reader, str, CatString)->LendArguments = true;
    s->AddMethod("procedure Delete(var s: String; from, count: Integer)", str, CatString);
    s->AddMethod("procedure DeleteStr(var s: String; from, count: Integer)", str, CatString);
    s->AddMethod("procedure Insert(s: String; var s2: String; pos: Integer)", str, CatString);
    for (const char* reader : {"function Uppercase(s: String): String", "function Lowercase(s: String): String",
                               "function Trim(s: String): String", "function NameCase(s: String): String",
                               "function CompareText(s, s1: String): Integer"})
        s->AddMethod(reader, str, CatString)->LendArguments = true;
    s->AddMethod("function Chr(i: Integer): Char", str, CatString);
    s->AddMethod("function Ord(ch: Char): Integer", str, CatString);
    s->AddMethod("procedure SetLength(var S: Variant; L: Integer)", str, CatString);

    const TkqModuleCallback math = &CallMathMethod;
    s->AddMethod("function Round(e: Extended): Integer", math, CatMath);
    s->AddMethod("function Trunc(e: Extended): Integer", math, CatMath);
    s->AddMethod("function Int(e: Extended): Integer", math, CatMath);
    s->AddMethod("function Frac(X: Extended): Extended", math, CatMath);
    s->AddMethod("function Sqrt(e: Extended): Extended", math, CatMath);
    s->AddMethod("function Abs(e: Extended): Extended", math, CatMath);
    s->AddMethod("function Sin(e: Extended): Extended", math, CatMath);
    s->AddMethod("function Cos(e: Extended): Extended", math, CatMath);
    s->AddMethod("function ArcTan(X: Extended): Extended", math, CatMath);
    s->AddMethod("function Tan(X: Extended): Extended", math, CatMath);
    s->AddMethod("function Exp(X: Extended): Extended", math, CatMath);
    s->AddMethod("function Ln(X: Extended): Extended", math, CatMath);
    s->AddMethod("function Pi: Extended", math, CatMath);

    s->AddMethod("procedure Inc(var i: Integer; incr: Integer = 1)", other, CatOther);
    s->AddMethod("procedure Dec(var i: Integer; decr: Integer = 1)", other, CatOther);
    s->AddMethod("procedure RaiseException(Param: String)", other, CatOther);
    s->AddMethod("procedure ShowMessage(Msg: Variant)", other, CatOther);
    s->AddMethod("procedure Randomize", other, CatOther);
    s->AddMethod("function Random: Extended", other, CatOther);
    s->AddMethod("function ValidInt(cInt: String): Boolean", other, CatOther);
    s->AddMethod("function ValidFloat(cFlt: String): Boolean", other, CatOther);
    s->AddMethod("function ValidDate(cDate: String): Boolean", other, CatOther);
    s->AddMethod("function CreateOleObject(ClassName: String): Variant", other, CatOther);
    s->AddMethod("function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", other, CatOther);
    s->AddMethod("function VarType(V: Variant): Integer", other, CatOther);

    const std::pair<const char*, Integer> byteCodes[] = {
        {"varEmpty", 0},  {"varNull", 1},     {"varSmallint", 2},  {"varInteger", 3},  {"varSingle", 4},
        {"varDouble", 5}, {"varCurrency", 6}, {"varDate", 7},      {"varOleStr", 8},   {"varDispatch", 9},
        {"varError", 10}, {"varBoolean", 11}, {"varVariant", 12},  {"varUnknown", 13}, {"varShortInt", 16},
        {"varByte", 17},  {"varWord", 18},    {"varLongWord", 19}, {"varInt64", 20},   {"varStrArg", 72}};
    for (const auto& [name, code] : byteCodes)
        s->AddConst(name, "Integer", Byte(code));
    const std::pair<const char*, Integer> wordCodes[] = {
        {"varString", 256}, {"varAny", 257}, {"varTypeMask", 4095}, {"varArray", 8192}, {"varByRef", 16384}};
    for (const auto& [name, code] : wordCodes)
        s->AddConst(name, "Integer", Word(code));
}

void RegisterSysRTTI() {
    static bool listed = false;
    ListRTTIModuleClass(listed, [](TkqScript* script) -> TkqRTTIModule* { return new TkqSysRTTIFunctions(script); });
}
