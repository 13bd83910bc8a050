// Variant: one value of any of the runtime's kinds, with the conversion, arithmetic and comparison
// rules that late-bound code (scripts, report expressions, data values) relies on.
//
// Type codes: the classic numbering (varEmpty 0 .. varInt64 20, varString 256), two custom types
// (varFMTBcd, a decimal with precision and scale; varSQLTimeStamp, a date-time record) and the
// varArray flag. A String variant holds UTF-8, an OleStr variant UTF-16.
//
// The rules, in short:
// - Null = Null is true, Null = anything else is false, Null orders below every value; arithmetic,
//   logic and negation with Null give Null.
// - Empty acts as 0, '' and False (an Empty operand takes the other operand's kind).
// - True is -1 as a number; Boolean texts are "True" and "False".
// - Text converts to a number with the locale's decimal separator, no thousands separators,
//   blanks around allowed. A string compared with a number is converted and compared as a number;
//   two strings compare ordinally.
// - "+" concatenates two strings and adds when either operand is not a string (the string operand
//   is then converted: "5" + 1 is 6). VarConcat always concatenates texts.
// - Integer arithmetic that overflows widens to Int64, then to Double. "/" on integers gives a
//   Double; div and mod truncate toward zero. Currency keeps its type with integers and Currency;
//   Date plus or minus a number stays a Date, Date minus Date is a Double.
// - and, or, xor and not are logical on two Booleans and bitwise otherwise.
//
// Conversions raise EVariantTypeCastError "Invalid variant type conversion" when no conversion
// exists and EVariantOverflowError "Overflow while converting variant of type
// (%s) into type (%s)" when the value does not fit. Division by zero raises the runtime's math
// errors (EZeroDivide for "/", EDivByZero for div and mod).
#pragma once

#include <concepts>
#include <initializer_list>
#include <limits>
#include <memory>
#include <variant>
#include <vector>

#include "platform/runtime/Currency.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/RtlTypes.h"

using TVarType = Word;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varAny = 0x0101;
constexpr TVarType varFMTBcd = 0x0110;
constexpr TVarType varSQLTimeStamp = 0x0111;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// Invalid operand kinds for an operation ("Invalid variant operation").
KOV_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
// A type code that names no variant type ("Invalid variant type").
KOV_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);
// Bad bounds or element type for an array ("Error creating variant or safe array").
KOV_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);
// An array operation on a variant that holds no array ("Variant is not an array").
KOV_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

enum TVarOp {
    opAdd,
    opSubtract,
    opMultiply,
    opDivide,
    opIntDivide,
    opModulus,
    opShiftLeft,
    opShiftRight,
    opAnd,
    opOr,
    opXor,
    opNegate,
    opNot,
    opCmpEQ,
    opCmpNE,
    opCmpLT,
    opCmpLE,
    opCmpGT,
    opCmpGE
};

class IUnknown;  // platform/runtime/Dispatch.h
class IDispatch; // platform/runtime/Dispatch.h
class Variant;

// ---- FMTBcd: a packed decimal --------------------------------------------------------------
// Precision is the number of digits held (at most 64), the low six bits of SignSpecialPlaces the
// number of them after the decimal point, bit 7 the sign. Fraction holds the digits two to a
// byte, the first digit in the high half of Fraction[0]. The layout is the 34-byte record that
// data cells store.
struct TBcd {
    Byte Precision = 0;
    Byte SignSpecialPlaces = 0;
    Byte Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34);

constexpr Integer MaxFMTBcdDigits = 64;

// The digits after the decimal point.
inline Byte BcdScale(const TBcd& bcd) { return bcd.SignSpecialPlaces & 0x3F; }

// Text: an optional "-", the digits with the locale's decimal separator; trailing zeros after
// the separator are left out ("1.5" for 1.500). A record that is not a valid decimal raises
// EConvertError "Invalid BCD value".
String BcdToStr(const TBcd& bcd);
String BcdToStr(const TBcd& bcd, const TFormatSettings& settings);
// ffGeneral with precision 0 gives BcdToStr; every other form formats the value as a float.
String BcdToStrF(const TBcd& bcd, TFloatFormat format, Integer precision, Integer digits);
String BcdToStrF(const TBcd& bcd, TFloatFormat format, Integer precision, Integer digits,
                 const TFormatSettings& settings);
// The number rules of StrToFloat without an exponent; more than 64 digits round the decimals off
// (halves away from zero). Errors raise EConvertError "'<text>' is not a valid BCD value".
TBcd StrToBcd(const String& text);
TBcd StrToBcd(const String& text, const TFormatSettings& settings);
bool TryStrToBcd(const String& text, TBcd& bcd);
bool TryStrToBcd(const String& text, TBcd& bcd, const TFormatSettings& settings);

// A double's shortest round-trip digits (NaN and infinities raise EConvertError).
TBcd DoubleToBcd(double value);
double BcdToDouble(const TBcd& bcd);
TBcd IntegerToBcd(Int64 value);
TBcd CurrToBcd(Currency value);
// Rounded to four decimals (halves to even); EVariantOverflowError beyond the Currency range.
Currency BcdToCurr(const TBcd& bcd);
// -1, 0 or 1.
Integer BcdCompare(const TBcd& a, const TBcd& b);
// Exact, except that results of more than 64 digits lose decimals (rounded halves away from zero)
// and a quotient stops after 64 significant digits. More than 64 integer digits raise
// EVariantOverflowError "Arithmetic overflow"; division by zero raises EZeroDivide (0 / 0
// EInvalidOp).
TBcd BcdAdd(const TBcd& a, const TBcd& b);
TBcd BcdSubtract(const TBcd& a, const TBcd& b);
TBcd BcdMultiply(const TBcd& a, const TBcd& b);
TBcd BcdDivide(const TBcd& a, const TBcd& b);

// ---- SQL time stamp --------------------------------------------------------------------------
// Fractions are milliseconds. The all-zero record stands for the date-time 0.
struct TSQLTimeStamp {
    SmallInt Year = 0;
    Word Month = 0;
    Word Day = 0;
    Word Hour = 0;
    Word Minute = 0;
    Word Second = 0;
    LongWord Fractions = 0;
};
static_assert(sizeof(TSQLTimeStamp) == 16);

// Fields outside their ranges raise EConvertError ("Invalid argument to date encode" / "... time
// encode").
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value);
TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// An empty format gives DateTimeToStr's text, any other FormatDateTime's.
String SQLTimeStampToStr(const String& format, const TSQLTimeStamp& value);
String SQLTimeStampToStr(const String& format, const TSQLTimeStamp& value, const TFormatSettings& settings);
// StrToDateTime's rules.
TSQLTimeStamp StrToSQLTimeStamp(const String& text);
TSQLTimeStamp StrToSQLTimeStamp(const String& text, const TFormatSettings& settings);
bool TryStrToSQLTimeStamp(const String& text, TSQLTimeStamp& value);
// -1, 0 or 1, field by field from the year to the fractions.
Integer SQLTimeStampCompare(const TSQLTimeStamp& a, const TSQLTimeStamp& b);

namespace kov_variant_detail {

// A counted reference to a late-bound object: copies add a reference, destruction drops one.
class TIntfRef {
public:
    TIntfRef() = default;
    explicit TIntfRef(IUnknown* object); // adds a reference
    TIntfRef(const TIntfRef& other);
    TIntfRef(TIntfRef&& other) noexcept : FObject(other.FObject) { other.FObject = nullptr; }
    TIntfRef& operator=(const TIntfRef& other);
    TIntfRef& operator=(TIntfRef&& other) noexcept;
    ~TIntfRef();
    IUnknown* Get() const { return FObject; }

private:
    IUnknown* FObject = nullptr;
};

// The elements and bounds of an array variant; copying it copies the elements.
struct TVarArrayData;
class TArrayRef {
public:
    TArrayRef();
    explicit TArrayRef(std::unique_ptr<TVarArrayData> data);
    TArrayRef(const TArrayRef& other);
    TArrayRef(TArrayRef&& other) noexcept;
    TArrayRef& operator=(const TArrayRef& other);
    TArrayRef& operator=(TArrayRef&& other) noexcept;
    ~TArrayRef();
    TVarArrayData* Get() const { return FData.get(); }

private:
    std::unique_ptr<TVarArrayData> FData;
};

} // namespace kov_variant_detail

class Variant {
public:
    Variant() noexcept = default; // Empty
    Variant(const Variant& other) = default;
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() = default;

    // bool gives a Boolean, char a one-character String, char16_t a one-character OleStr; the
    // integers their own type (ShortInt, Byte, SmallInt, Word, Integer, LongWord, Int64); an
    // unsigned 64-bit value beyond Int64 gives a Double.
    template <std::integral T> Variant(T value) {
        if constexpr (std::same_as<T, bool>) {
            FType = varBoolean;
            FScalar.I = value ? 1 : 0;
        } else if constexpr (std::same_as<T, char>) {
            FType = varString;
            FPayload = String(1, value);
        } else if constexpr (std::same_as<T, char16_t>) {
            FType = varOleStr;
            FPayload = WideString(1, value);
        } else if constexpr (std::same_as<T, wchar_t> || std::same_as<T, char8_t> ||
                             std::same_as<T, char32_t>) {
            static_assert(!sizeof(T), "convert the character to a String first");
        } else if constexpr (std::is_signed_v<T>) {
            FType = sizeof(T) == 1   ? varShortInt
                    : sizeof(T) == 2 ? varSmallint
                    : sizeof(T) == 4 ? varInteger
                                     : varInt64;
            FScalar.I = static_cast<Int64>(value);
        } else if constexpr (sizeof(T) < 8) {
            FType = sizeof(T) == 1 ? varByte : sizeof(T) == 2 ? varWord : varLongWord;
            FScalar.I = static_cast<Int64>(value);
        } else if (static_cast<UInt64>(value) <= static_cast<UInt64>(std::numeric_limits<Int64>::max())) {
            FType = varInt64;
            FScalar.I = static_cast<Int64>(value);
        } else {
            FType = varDouble;
            FScalar.D = static_cast<double>(value);
        }
    }
    // float gives a Single, double and long double a Double.
    template <std::floating_point T> Variant(T value) {
        if constexpr (std::same_as<T, float>) {
            FType = varSingle;
            FScalar.S = value;
        } else {
            FType = varDouble;
            FScalar.D = static_cast<double>(value);
        }
    }
    Variant(Currency value) : FType(varCurrency) { FScalar.I = value.Raw(); }
    Variant(const char* value); // a String; nullptr gives ''
    Variant(const String& value) : FType(varString), FPayload(value) {}
    Variant(String&& value) : FType(varString), FPayload(std::move(value)) {}
    Variant(const char16_t* value); // an OleStr; nullptr gives ''
    Variant(const WideString& value) : FType(varOleStr), FPayload(value) {}
    Variant(WideString&& value) : FType(varOleStr), FPayload(std::move(value)) {}
    // A Dispatch (Unknown) variant holding a reference to the object; nullptr holds none.
    Variant(IDispatch* object);
    Variant(IUnknown* object);
    Variant(std::nullptr_t) = delete; // say which kind of nothing: Null(), Unassigned()
    Variant(const TBcd& value) : FType(varFMTBcd), FPayload(value) {}
    Variant(const TSQLTimeStamp& value) : FType(varSQLTimeStamp), FPayload(value) {}

    // The type code, the varArray flag included.
    TVarType VType() const { return FType; }
    // Makes the variant Empty.
    void Clear();
    // The text of a String variant, to read or change in place without a copy; nullptr for any
    // other kind.
    const String* StrPtr() const { return FType == varString ? std::get_if<String>(&FPayload) : nullptr; }
    String* StrPtr() { return FType == varString ? std::get_if<String>(&FPayload) : nullptr; }

    // Conversions; each raises the conversion errors described at the top.
    bool AsBoolean() const;
    ShortInt AsShortInt() const;
    Byte AsByte() const;
    SmallInt AsSmallInt() const;
    Word AsWord() const;
    Integer AsInteger() const;
    LongWord AsLongWord() const;
    Int64 AsInt64() const;
    Single AsSingle() const;
    Double AsDouble() const;
    Extended AsExtended() const; // integers exactly, Currency scaled, Date as its days
    Currency AsCurrency() const;
    TDateTime AsDateTime() const;
    String AsString() const; // Null raises; VarToStr gives '' for it
    WideString AsWideString() const;
    TBcd AsBcd() const;
    TSQLTimeStamp AsSQLTimeStamp() const;
    Integer AsError() const; // the code of a varError variant
    // The object of a Dispatch variant (or the late-bound face of an Unknown one), borrowed: no
    // reference is added. nullptr when the variant holds no object.
    IDispatch* AsDispatch() const;
    IUnknown* AsUnknown() const;

    // Late-bound calls on the object of a Dispatch variant, with positional arguments. Failures
    // raise EOleError (see Dispatch.h); a variant without an object raises EVariantError.
    Variant Invoke(const String& name, const std::vector<Variant>& args = {}) const;
    Variant GetProperty(const String& name, const std::vector<Variant>& index = {}) const;
    void SetProperty(const String& name, const Variant& value) const;
    void SetProperty(const String& name, const std::vector<Variant>& index, const Variant& value) const;

    // A Format argument (the variant must outlive the call). The first one installs the
    // converters through which Format reads variant entries.
    operator TVarRec() const;

    Variant& operator+=(const Variant& other);
    Variant& operator-=(const Variant& other);
    Variant& operator*=(const Variant& other);
    Variant& operator/=(const Variant& other);

    friend Variant operator+(const Variant& a, const Variant& b);
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);  // real division
    friend Variant operator%(const Variant& a, const Variant& b);  // mod
    friend Variant operator&(const Variant& a, const Variant& b);  // and
    friend Variant operator|(const Variant& a, const Variant& b);  // or
    friend Variant operator^(const Variant& a, const Variant& b);  // xor
    friend Variant operator<<(const Variant& a, const Variant& b); // shl
    friend Variant operator>>(const Variant& a, const Variant& b); // shr
    friend Variant operator-(const Variant& a);                    // negation
    friend Variant operator~(const Variant& a);                    // not
    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator!=(const Variant& a, const Variant& b);
    friend bool operator<(const Variant& a, const Variant& b);
    friend bool operator<=(const Variant& a, const Variant& b);
    friend bool operator>(const Variant& a, const Variant& b);
    friend bool operator>=(const Variant& a, const Variant& b);

private:
    friend struct kov_variant_detail::TVarArrayData;
    friend class TVariantAccess; // the implementation's own access

    using TPayload = std::variant<std::monostate, String, WideString, TBcd, TSQLTimeStamp,
                                  kov_variant_detail::TIntfRef, kov_variant_detail::TArrayRef>;
    union TScalar {
        Int64 I;  // every integer type, Boolean (0 or 1), Currency (scaled), Error
        double D; // Double, Date
        float S;  // Single
    };

    TVarType FType = varEmpty;
    TScalar FScalar{0};
    TPayload FPayload;
};

Variant Unassigned();
Variant Null();
// A Date variant.
Variant VarFromDateTime(TDateTime value);
// A varError variant holding an error code.
Variant VarAsError(Integer code);

TVarType VarType(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsNull(const Variant& v);
// Empty, or a Dispatch or Unknown variant without an object.
bool VarIsClear(const Variant& v);
bool VarIsArray(const Variant& v);
// Ordinal: the integer types and Boolean. Float: Single, Double, Currency and FMTBcd. Numeric:
// either of them. Str: String and OleStr.
bool VarIsOrdinal(const Variant& v);
bool VarIsFloat(const Variant& v);
bool VarIsNumeric(const Variant& v);
bool VarIsStr(const Variant& v);
void VarClear(Variant& v);

// The text of a value; Null gives '' (VarToStrDef: the default).
String VarToStr(const Variant& v);
String VarToStrDef(const Variant& v, const String& defaultValue);
WideString VarToWideStr(const Variant& v);
TDateTime VarToDateTime(const Variant& v);
TBcd VarToBcd(const Variant& v);
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v);
// The value converted to a type code; with varArray, an array of that element type (element by
// element). varVariant leaves the value as it is.
Variant VarAsType(const Variant& v, TVarType varType);
// The classic names: "Integer", "OleStr", "Array of Variant", ...; "$xxxx" for unknown codes.
String VarTypeAsText(TVarType varType);

// Binary operations (opAdd .. opXor and the comparisons, which give a Boolean variant) and the
// unary ones (opNegate, opNot).
Variant VarOp(const Variant& left, const Variant& right, TVarOp op);
Variant VarOp(const Variant& operand, TVarOp op);
// The texts of both values joined (Null counts as ''); an OleStr when both are OleStr, else a
// String.
Variant VarConcat(const Variant& left, const Variant& right);

// Empty and Null equal only themselves; otherwise the values compare with "=".
bool VarSameValue(const Variant& a, const Variant& b);
// vrNotEqual when exactly one of them is Empty or Null (or both are, of different kinds);
// otherwise vrEqual, vrLessThan or vrGreaterThan by the comparison rules.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

// ---- Arrays ----------------------------------------------------------------------------------
// Bounds come as pairs (low, high), one pair per dimension; a dimension may be empty (high =
// low - 1). Elements start as the zero value of the element type (Empty for varVariant). Copies
// of an array variant are independent. Errors: EVariantArrayCreateError for bad bounds or
// element types, EVariantBadIndexError "Variant or safe array index out of bounds" for indices
// outside the bounds, EVariantInvalidArgError "Invalid argument" for a wrong number of indices,
// EVariantNotAnArrayError for a variant without an array.
Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType elementType);
Variant VarArrayCreate(const std::vector<Integer>& bounds, TVarType elementType);
// An array [0 .. n - 1] of varVariant holding the values.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
// 0 for a variant that holds no array.
Integer VarArrayDimCount(const Variant& a);
// dim counts from 1.
Integer VarArrayLowBound(const Variant& a, Integer dim);
Integer VarArrayHighBound(const Variant& a, Integer dim);
// Sets the high bound of the last dimension; elements that stay inside the bounds keep their
// values, new ones start as the element type's zero.
void VarArrayRedim(Variant& a, Integer highBound);
// One index per dimension, in dimension order.
Variant VarArrayGet(const Variant& a, std::initializer_list<Integer> indices);
Variant VarArrayGet(const Variant& a, const std::vector<Integer>& indices);
// The value is converted to the element type first.
void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<Integer> indices);
void VarArrayPut(Variant& a, const Variant& value, const std::vector<Integer>& indices);

// ---- For the Variant implementation files only -----------------------------------------------
namespace kov_variant_detail {

[[noreturn]] void RaiseCastError(TVarType from, TVarType to);       // EVariantTypeCastError
[[noreturn]] void RaiseConvertOverflow(TVarType from, TVarType to); // EVariantOverflowError
[[noreturn]] void RaiseInvalidOperation();                          // EVariantInvalidOpError
[[noreturn]] void RaiseArithmeticOverflow();                        // EVariantOverflowError

// Text to numbers by the variant rules (locale decimal separator, blanks around allowed).
bool TextToExtended(const String& text, Extended& value);
bool TextToInt64(const String& text, Int64& value);    // decimal digits only
bool TextToBoolean(const String& text, bool& value);   // "True"/"False" (any case) or a number
bool TextToDate(const String& text, TDateTime& value); // a date and time, or a number

// The text of a String or OleStr variant as UTF-8.
String TextOf(const Variant& v);
// VarAsType for a varArray target (VariantArrays.cpp).
Variant ArrayAsType(const Variant& v, TVarType varType);

} // namespace kov_variant_detail

// Direct access to a variant's storage for the implementation files.
class TVariantAccess {
public:
    static Int64 Int(const Variant& v) { return v.FScalar.I; }
    static double Dbl(const Variant& v) { return v.FScalar.D; }
    static float Sgl(const Variant& v) { return v.FScalar.S; }
    static const String& Str(const Variant& v) { return std::get<String>(v.FPayload); }
    static const WideString& WStr(const Variant& v) { return std::get<WideString>(v.FPayload); }
    static const TBcd& Bcd(const Variant& v) { return std::get<TBcd>(v.FPayload); }
    static const TSQLTimeStamp& Stamp(const Variant& v) { return std::get<TSQLTimeStamp>(v.FPayload); }
    static IUnknown* Intf(const Variant& v) {
        return std::get<kov_variant_detail::TIntfRef>(v.FPayload).Get();
    }
    static kov_variant_detail::TVarArrayData* Array(const Variant& v) {
        return std::get<kov_variant_detail::TArrayRef>(v.FPayload).Get();
    }
    static Variant MakeArray(TVarType elementType, std::unique_ptr<kov_variant_detail::TVarArrayData> data);
    static Variant MakeInt(TVarType type, Int64 value) {
        Variant v;
        v.FType = type;
        v.FScalar.I = value;
        return v;
    }
    static Variant MakeDouble(TVarType type, double value) {
        Variant v;
        v.FType = type;
        v.FScalar.D = value;
        return v;
    }
};
