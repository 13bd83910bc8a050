// Numbers: floating-point and money text in both directions, rounding, the checked
// arithmetic that raises the classic math errors, and the pseudo-random generator.
//
// Digits: every conversion to text takes the first 18 significant digits of the value (a
// double converts exactly to Extended first, so the double nearest 1.005, which lies just
// below it, gives FormatFloat("0.00", 1.005) = "1.00"; 1.005L gives "1.01") and rounds them
// halves away from zero to the places asked for. Round() on the other hand rounds halves to
// even, and so do the Currency conversions.
//
// Functions that read the locale come in pairs: one uses the global FormatSettings, the
// other takes the settings as its last argument.
#pragma once

#include "platform/runtime/Currency.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/RtlTypes.h"

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// ---- Floating point to text ----------------------------------------------------------------
// NaN gives "NAN", the infinities "INF" and "-INF" in every form below.

// The general form with 15 significant digits: FloatToStrF(value, ffGeneral, 15, 0).
String FloatToStr(Extended value);
String FloatToStr(Extended value, const TFormatSettings& settings);

// ffGeneral: `precision` significant digits, trailing zeros removed; scientific ("1.5E20",
//            "1E-5") when the value needs more than `precision` integer digits or is below
//            0.0001; `digits` is the minimum count of exponent digits (0..4).
// ffExponent: "-d.ddddE+ddd" with `precision` digits in all and at least `digits` (0..4)
//            exponent digits.
// ffFixed:   "-ddd.dd" with `digits` decimals (0..18); ffNumber adds thousands separators;
//            ffCurrency adds them too and places CurrencyString by CurrencyFormat and
//            NegCurrFormat. These three fall back to the general form when the value has
//            more than `precision` integer digits.
// `precision` is limited to 1..18.
String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits);
String FloatToStrF(Extended value, TFloatFormat format, Integer precision, Integer digits,
                   const TFormatSettings& settings);

// Picture formatting. Up to three sections separated by ";": for positive values, negative
// values and zero. "0" is a digit that always shows, "#" one that shows when significant,
// "." the decimal separator (written as the locale's), "," anywhere in the section (after
// the point too) turns on thousands separators, "E+" "E-" "e+" "e-" followed by "0"s switch to scientific
// form with at least that many exponent digits, '...' and "..." are copied without their
// quotes, every other character is copied. Without a negative section the positive one is
// used behind a "-"; a value that rounds to zero in its section takes the zero section
// when there is one (and shows no "-"). An empty format gives FloatToStr, and so does a
// value with more than 18 integer digits whose section has no exponent.
String FormatFloat(const String& format, Extended value);
String FormatFloat(const String& format, Extended value, const TFormatSettings& settings);

// ---- Text to floating point ----------------------------------------------------------------
// Accepted: blanks, an optional sign, digits with at most one locale decimal separator (at
// least one digit in all), an optional exponent ("e" or "E", optional sign, digits), blanks.
// Nothing else: no thousands separators, no other decimal separator, no "INF" or "NAN".
// Values beyond the target type's range are rejected.
// Errors raise EConvertError "'<text>' is not a valid floating point value".
Extended StrToFloat(const String& text);
Extended StrToFloat(const String& text, const TFormatSettings& settings);
Extended StrToFloatDef(const String& text, Extended defaultValue);
Extended StrToFloatDef(const String& text, Extended defaultValue, const TFormatSettings& settings);
bool TryStrToFloat(const String& text, Extended& value);
bool TryStrToFloat(const String& text, Extended& value, const TFormatSettings& settings);
bool TryStrToFloat(const String& text, double& value);
bool TryStrToFloat(const String& text, double& value, const TFormatSettings& settings);
// The same rules on a NUL-terminated buffer; a null buffer is rejected.
bool TextToFloat(const char* buffer, Extended& value);
bool TextToFloat(const char* buffer, Extended& value, const TFormatSettings& settings);
bool TextToFloat(const char* buffer, Currency& value);
bool TextToFloat(const char* buffer, Currency& value, const TFormatSettings& settings);

// ---- Currency text -------------------------------------------------------------------------
// Currency converts exactly: up to 19 significant digits, never scientific in general form.
String CurrToStr(Currency value);
String CurrToStr(Currency value, const TFormatSettings& settings);
String CurrToStrF(Currency value, TFloatFormat format, Integer digits);
String CurrToStrF(Currency value, TFloatFormat format, Integer digits, const TFormatSettings& settings);
// The text rules of StrToFloat, read exactly as a decimal; more than four decimals round
// halves to even. Errors (also values outside the Currency range) raise EConvertError
// "'<text>' is not a valid floating point value".
Currency StrToCurr(const String& text);
Currency StrToCurr(const String& text, const TFormatSettings& settings);
bool TryStrToCurr(const String& text, Currency& value);
bool TryStrToCurr(const String& text, Currency& value, const TFormatSettings& settings);

// ---- Rounding ------------------------------------------------------------------------------
// Round: nearest integer, a half going to the even neighbour (Round(2.5) = 2).
// Trunc: toward zero. Both raise EInvalidOp for NaN, infinities and results outside Int64.
Int64 Round(Extended value);
Int64 Trunc(Extended value);
// Int: the integer part as a floating value; Frac: value - Int(value) (EInvalidOp for an
// infinity, as the subtraction is invalid).
Extended Int(Extended value);
Extended Frac(Extended value);

// number × numerator / denominator with a 64-bit intermediate, rounded halves away from
// zero. -1 when the denominator is 0 or the result does not fit 32 bits.
Integer MulDiv(Integer number, Integer numerator, Integer denominator);

// ---- The classic math errors ---------------------------------------------------------------
[[noreturn]] void RaiseInvalidOp();   // EInvalidOp "Invalid floating point operation"
[[noreturn]] void RaiseZeroDivide();  // EZeroDivide "Floating point division by zero"
[[noreturn]] void RaiseOverflow();    // EOverflow "Floating point overflow"
[[noreturn]] void RaiseDivByZero();   // EDivByZero "Division by zero"
[[noreturn]] void RaiseIntOverflow(); // EIntOverflow "Integer overflow"
[[noreturn]] void RaiseRangeError();  // ERangeError "Range check error"

// dividend / divisor where faults are not masked: x / 0 raises EZeroDivide, 0 / 0 and
// inf / inf EInvalidOp, a finite quotient too large for Extended EOverflow. NaN operands
// give NaN.
Extended FloatDiv(Extended dividend, Extended divisor);

// Integer div and mod: truncate toward zero (the remainder takes the dividend's sign).
// A zero divisor raises EDivByZero; the one quotient that does not fit (the minimum
// divided by -1) raises EIntOverflow.
Int64 IntDiv(Int64 dividend, Int64 divisor);
Int64 IntMod(Int64 dividend, Int64 divisor);
Integer IntDiv(Integer dividend, Integer divisor);
Integer IntMod(Integer dividend, Integer divisor);

// ---- Pseudo-random numbers -----------------------------------------------------------------
// Each draw first steps the process-wide seed: RandSeed := RandSeed × 134775813 + 1
// (mod 2^32).
extern Integer RandSeed;
// The high 32 bits of (the new seed, unsigned) × (range, unsigned): 0 <= result < range
// for a positive range.
Integer Random(Integer range);
// The new seed, unsigned, divided by 2^32: in [0, 1).
Extended Random();
// Seeds from the low 32 bits of the monotonic clock.
void Randomize();
