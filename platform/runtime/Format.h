// Format: the classic printf-like formatting with a typed argument list.
//
//   "%" [index ":"] ["-"] [width] ["." precision] type
//
// type (either case): d (signed decimal; a precision pads with zeros), u (unsigned
// decimal), x (upper-case hexadecimal; a precision pads with zeros), e f g n m
// (floating-point or Currency: scientific, fixed, general, with thousands separators,
// money; the precision is the number of decimals for f n m - default 2, CurrencyDecimals
// for m - and of significant digits for e g - default 15), p (a pointer as 16 hex digits),
// s (text; a precision keeps at most that many characters), and "%%" for a "%".
// index, width and precision may be "*" to take them from the next (integer) argument. An
// index moves the argument pointer: the following specifiers continue after it. Width and
// precision count characters (code points) and are at most 1,000,000.
//
// A specifier that does not fit its argument, or whose width or precision is larger than
// that, raises EConvertError "Format '<format>' invalid or incompatible with argument";
// running out of arguments
// "No argument for format '<format>'".
#pragma once

#include <concepts>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "platform/runtime/Currency.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/RtlTypes.h"

enum TVarRecKind : Byte {
    vtInteger,    // VInteger: the signed integer types up to 32 bits, Byte and Word
    vtInt64,      // VInt64: 64-bit signed integers
    vtUInt64,     // VUInt64: unsigned integers of 32 and 64 bits
    vtExtended,   // VExtended: every floating-point type
    vtCurrency,   // VCurrency
    vtBoolean,    // VBoolean
    vtChar,       // VChar: one byte
    vtString,     // VString (UTF-8)
    vtWideString, // VWideString (UTF-16); a single char16_t too
    vtPChar,      // VPChar: a NUL-terminated byte string, borrowed for the call
    vtPointer,    // VPointer: any other pointer
    vtVariant,    // VVariant: a Variant, borrowed; read through the installed converters
};

// One entry of an argument list. It converts implicitly from the types above, so a list is
// written {42, "text", 1.5}; other types join by converting themselves to a TVarRec.
struct TVarRec {
    template <std::integral T> TVarRec(T value) {
        if constexpr (std::same_as<T, bool>) {
            VType = vtBoolean;
            VBoolean = value;
        } else if constexpr (std::same_as<T, char>) {
            VType = vtChar;
            VChar = value;
        } else if constexpr (std::same_as<T, char16_t>) {
            VType = vtWideString;
            VWideString.assign(1, value);
        } else if constexpr (std::same_as<T, wchar_t> || std::same_as<T, char8_t> ||
                             std::same_as<T, char32_t>) {
            static_assert(!sizeof(T), "convert the character to a String first");
        } else if constexpr (std::is_signed_v<T> ? sizeof(T) <= 4 : sizeof(T) < 4) {
            VType = vtInteger;
            VInteger = static_cast<Integer>(value);
        } else if constexpr (std::is_signed_v<T>) {
            VType = vtInt64;
            VInt64 = static_cast<Int64>(value);
        } else {
            VType = vtUInt64;
            VUInt64 = static_cast<UInt64>(value);
        }
    }
    template <std::floating_point T> TVarRec(T value) : VType(vtExtended), VExtended(value) {}
    TVarRec(Currency value) : VType(vtCurrency), VCurrency(value) {}
    TVarRec(const String& value) : VType(vtString), VString(value) {}
    TVarRec(String&& value) : VType(vtString), VString(std::move(value)) {}
    TVarRec(const WideString& value) : VType(vtWideString), VWideString(value) {}
    TVarRec(const char16_t* value) : VType(vtWideString), VWideString(value ? value : u"") {}
    TVarRec(const char* value) : VType(vtPChar), VPChar(value) {}
    TVarRec(std::nullptr_t) : VType(vtPointer) {}
    template <class T>
    requires(!std::same_as<std::remove_cv_t<T>, char> && !std::same_as<std::remove_cv_t<T>, char16_t>)
        TVarRec(T* value)
        : VType(vtPointer), VPointer(value) {}

    // A Variant entry; `variant` must outlive the call.
    static TVarRec FromVariant(const void* variant) {
        TVarRec entry(nullptr);
        entry.VType = vtVariant;
        entry.VVariant = variant;
        return entry;
    }

    TVarRecKind VType = vtInteger;
    Integer VInteger = 0;
    Int64 VInt64 = 0;
    UInt64 VUInt64 = 0;
    Extended VExtended = 0;
    Currency VCurrency;
    bool VBoolean = false;
    char VChar = 0;
    String VString;
    WideString VWideString;
    const char* VPChar = nullptr;
    const void* VPointer = nullptr;
    const void* VVariant = nullptr;
};

// How Format reads a vtVariant entry. The Variant unit installs these, so this unit does not
// depend on it; a conversion that fails raises its own error. Without them a Variant entry
// is incompatible with every specifier.
struct TVarRecVariantConverters {
    String (*ToString)(const void* variant) = nullptr;     // for s
    Int64 (*ToInt64)(const void* variant) = nullptr;       // for d u x
    Extended (*ToExtended)(const void* variant) = nullptr; // for e f g n m
};
void SetVarRecVariantConverters(const TVarRecVariantConverters& converters);

String Format(const String& format, std::initializer_list<TVarRec> args);
String Format(const String& format, std::initializer_list<TVarRec> args, const TFormatSettings& settings);
String Format(const String& format, const std::vector<TVarRec>& args);
String Format(const String& format, const std::vector<TVarRec>& args, const TFormatSettings& settings);

// Format(fmt, a, b, c): the arguments as a list.
template <class... Args>
requires(std::is_constructible_v<TVarRec, const Args&>&&...) String
    Format(const String& format, const Args&... args) {
    return Format(format, std::vector<TVarRec>{TVarRec(args)...});
}
