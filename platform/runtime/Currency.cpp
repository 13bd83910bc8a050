#include "platform/runtime/Currency.h"

#include <cmath>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Numbers.h"

namespace {

using Int128 = __int128;

// Rounds numerator / denominator to the nearest integer, a half going to the even one.
Int128 DivideRoundEven(Int128 numerator, Int128 denominator) {
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    Int128 quotient = numerator / denominator;
    Int128 remainder = numerator % denominator;
    if (remainder < 0) remainder = -remainder;
    Int128 twice = remainder * 2;
    if (twice > denominator || (twice == denominator && quotient % 2 != 0))
        quotient += numerator < 0 ? -1 : 1;
    return quotient;
}

bool FitsInt64(Int128 value) { return value >= INT64_MIN && value <= INT64_MAX; }

Int64 CheckedRaw(Int128 value) {
    if (!FitsInt64(value)) RaiseInvalidOp();
    return static_cast<Int64>(value);
}

// value × 10000 rounded to an integer (halves to even); false when it is not a number or
// does not fit 64 bits.
bool ScaleFloat(Extended value, Int64& raw) {
    if (!std::isfinite(value)) return false;
    Extended scaled = value * Currency::Scale;
    Extended whole = std::trunc(scaled);
    Extended rest = std::fabs(scaled - whole);
    if (rest > 0.5L || (rest == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += scaled < 0 ? -1 : 1;
    // The 64-bit range is [-2^63, 2^63); both ends are exact in Extended.
    if (!(whole >= -0x1p63L && whole < 0x1p63L)) return false;
    raw = static_cast<Int64>(whole);
    return true;
}

} // namespace

Int64 Currency::SignedUnitsToRaw(Int64 units) {
    if (units > INT64_MAX / Scale || units < INT64_MIN / Scale) RaiseOutOfRange();
    return units * Scale;
}

void Currency::RaiseOutOfRange() { RaiseInvalidOp(); }

Int64 Currency::FromFloat(Extended value) {
    Int64 raw = 0;
    if (!ScaleFloat(value, raw)) RaiseInvalidOp();
    return raw;
}

Extended Currency::ToExtended() const { return static_cast<Extended>(FRaw) / Scale; }

Int64 Currency::ToInt64() const { return static_cast<Int64>(DivideRoundEven(FRaw, Scale)); }

Currency Currency::operator-() const {
    if (FRaw == INT64_MIN) RaiseInvalidOp();
    return FromRaw(-FRaw);
}

Currency& Currency::operator+=(Currency other) {
    FRaw = CheckedRaw(static_cast<Int128>(FRaw) + other.FRaw);
    return *this;
}

Currency& Currency::operator-=(Currency other) {
    FRaw = CheckedRaw(static_cast<Int128>(FRaw) - other.FRaw);
    return *this;
}

Currency& Currency::operator*=(Currency other) {
    FRaw = CheckedRaw(DivideRoundEven(static_cast<Int128>(FRaw) * other.FRaw, Scale));
    return *this;
}

Currency& Currency::operator/=(Currency other) {
    if (other.FRaw == 0) {
        if (FRaw == 0) RaiseInvalidOp();
        RaiseZeroDivide();
    }
    FRaw = CheckedRaw(DivideRoundEven(static_cast<Int128>(FRaw) * Scale, other.FRaw));
    return *this;
}

Currency FloatToCurr(Extended value, const TFormatSettings& settings) {
    Int64 raw = 0;
    if (!ScaleFloat(value, raw))
        throw EConvertError("'" + FloatToStr(value, settings) + "' is not a valid currency value");
    return Currency::FromRaw(raw);
}

Currency FloatToCurr(Extended value) { return FloatToCurr(value, FormatSettings); }
