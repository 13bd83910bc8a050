// Currency: a fixed-point money type, a 64-bit integer counting ten-thousandths.
// Arithmetic is exact where the result fits; products and quotients are rounded to four
// decimals with halves going to the even neighbour, as the floating-point unit rounds.
// A result outside the 64-bit range raises EInvalidOp, as storing it as an integer did.
#pragma once

#include <compare>
#include <concepts>
#include <type_traits>

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/RtlTypes.h"

class Currency {
public:
    static constexpr Int64 Scale = 10000;

    constexpr Currency() = default;

    // Whole units: Currency(5) is 5.0000.
    template <std::integral T>
    requires(!std::same_as<T, bool>) Currency(T units) : FRaw(UnitsToRaw(units)) {}
    // A floating value rounded to four decimals (halves to even).
    template <std::floating_point T> Currency(T value) : FRaw(FromFloat(static_cast<Extended>(value))) {}

    // The scaled integer itself: FromRaw(15000) is 1.5.
    static constexpr Currency FromRaw(Int64 raw) {
        Currency c;
        c.FRaw = raw;
        return c;
    }
    constexpr Int64 Raw() const { return FRaw; }

    Extended ToExtended() const;
    explicit operator Extended() const { return ToExtended(); }
    explicit operator double() const { return static_cast<double>(ToExtended()); }
    // Whole units, a half going to the even neighbour.
    Int64 ToInt64() const;

    Currency operator-() const;
    Currency operator+() const { return *this; }
    Currency& operator+=(Currency other);
    Currency& operator-=(Currency other);
    Currency& operator*=(Currency other);
    Currency& operator/=(Currency other);

    friend Currency operator+(Currency a, Currency b) { return a += b; }
    friend Currency operator-(Currency a, Currency b) { return a -= b; }
    friend Currency operator*(Currency a, Currency b) { return a *= b; }
    // Division by zero raises EZeroDivide, zero by zero EInvalidOp.
    friend Currency operator/(Currency a, Currency b) { return a /= b; }

    friend constexpr bool operator==(Currency a, Currency b) { return a.FRaw == b.FRaw; }
    friend constexpr std::strong_ordering operator<=>(Currency a, Currency b) { return a.FRaw <=> b.FRaw; }

private:
    template <std::integral T> static Int64 UnitsToRaw(T units) {
        if constexpr (std::is_unsigned_v<T>) {
            if (static_cast<UInt64>(units) > static_cast<UInt64>(INT64_MAX / Scale)) RaiseOutOfRange();
            return static_cast<Int64>(units) * Scale;
        } else {
            return SignedUnitsToRaw(static_cast<Int64>(units));
        }
    }
    static Int64 SignedUnitsToRaw(Int64 units);
    [[noreturn]] static void RaiseOutOfRange();
    static Int64 FromFloat(Extended value);

    Int64 FRaw = 0;
};

inline constexpr Currency MinCurrency = Currency::FromRaw(INT64_MIN); // -922337203685477.5808
inline constexpr Currency MaxCurrency = Currency::FromRaw(INT64_MAX); //  922337203685477.5807

// A floating value as Currency (halves to even). NaN, infinities and values outside the
// Currency range raise EConvertError "'<value>' is not a valid currency value".
Currency FloatToCurr(Extended value);
Currency FloatToCurr(Extended value, const TFormatSettings& settings);
