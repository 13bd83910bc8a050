// Sets of small ordinal values (enumerations, characters, integer ranges starting at 0), with the
// value semantics of the program's set types: union, difference, intersection, membership and
// subset tests.
#pragma once

#include <bitset>
#include <cstddef>
#include <initializer_list>
#include <type_traits>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"

// A set of the elements 0..MaxValue of Enum (an enumeration or an integral type). Storing an
// element outside that range raises ERangeError; asking for one is simply false.
template <typename Enum, int MaxValue>
class TSet {
    static_assert(std::is_enum_v<Enum> || std::is_integral_v<Enum>, "TSet elements are ordinal values");
    static_assert(MaxValue >= 0 && MaxValue < 256, "a set holds the elements 0..255 at most");

public:
    using ElementType = Enum;
    static constexpr int MaxElement = MaxValue;

    TSet() = default;
    TSet(std::initializer_list<Enum> elements) {
        for (Enum e : elements) Include(e);
    }

    // The set whose element i is present when bit i of the mask is set; bits beyond
    // MaxValue are ignored. Only for sets of at most 64 elements.
    static TSet FromMask(UInt64 mask)
        requires(MaxValue < 64)
    {
        TSet result;
        for (int i = 0; i <= MaxValue; ++i)
            if (mask & (UInt64(1) << i)) result.FBits.set(std::size_t(i));
        return result;
    }
    UInt64 Mask() const
        requires(MaxValue < 64)
    {
        UInt64 mask = 0;
        for (int i = 0; i <= MaxValue; ++i)
            if (FBits.test(std::size_t(i))) mask |= UInt64(1) << i;
        return mask;
    }

    bool Contains(Enum e) const {
        const long long i = Ordinal(e);
        return i >= 0 && i <= MaxValue && FBits.test(std::size_t(i));
    }
    TSet& Include(Enum e) {
        FBits.set(CheckedIndex(e));
        return *this;
    }
    TSet& Exclude(Enum e) {
        const long long i = Ordinal(e);
        if (i >= 0 && i <= MaxValue) FBits.reset(std::size_t(i));
        return *this;
    }

    bool empty() const { return FBits.none(); }
    std::size_t Count() const { return FBits.count(); }

    TSet& operator+=(const TSet& other) {
        FBits |= other.FBits;
        return *this;
    }
    TSet& operator-=(const TSet& other) {
        FBits &= ~other.FBits;
        return *this;
    }
    TSet& operator*=(const TSet& other) {
        FBits &= other.FBits;
        return *this;
    }
    friend TSet operator+(TSet a, const TSet& b) { return a += b; }
    friend TSet operator-(TSet a, const TSet& b) { return a -= b; }
    friend TSet operator*(TSet a, const TSet& b) { return a *= b; }

    friend bool operator==(const TSet& a, const TSet& b) { return a.FBits == b.FBits; }
    // Subset and superset.
    friend bool operator<=(const TSet& a, const TSet& b) { return (a.FBits & ~b.FBits).none(); }
    friend bool operator>=(const TSet& a, const TSet& b) { return b <= a; }

private:
    static long long Ordinal(Enum e) {
        if constexpr (std::is_same_v<Enum, char>)
            return static_cast<unsigned char>(e);  // a set of char holds the bytes 0..255
        else
            return static_cast<long long>(e);
    }
    static std::size_t CheckedIndex(Enum e) {
        const long long i = Ordinal(e);
        if (i < 0 || i > MaxValue) throw ERangeError("Range check error");
        return std::size_t(i);
    }

    std::bitset<std::size_t(MaxValue) + 1> FBits;
};

template <typename T>
struct IsTSet : std::false_type {};
template <typename Enum, int MaxValue>
struct IsTSet<TSet<Enum, MaxValue>> : std::true_type {};
template <typename T>
inline constexpr bool IsTSetV = IsTSet<T>::value;
