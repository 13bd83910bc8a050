// Variant arithmetic, logic and comparison.
#include <cfloat>
#include <climits>
#include <cmath>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Variant.h"

using kov_variant_detail::RaiseArithmeticOverflow;
using kov_variant_detail::RaiseCastError;
using kov_variant_detail::RaiseInvalidOperation;
using kov_variant_detail::TextOf;

namespace {

using A = TVariantAccess;
using Int128 = __int128;

// What an operand counts as in an operation. Int holds the integer types that fit 32 bits,
// Wide LongWord and Int64; Date covers the SQL time stamp too.
enum class K { Empty, Null, Int, Wide, Bool, Single, Double, Currency, Date, Str, Bcd, Invalid };

K KindOf(const Variant& v) {
    switch (v.VType()) {
    case varEmpty:
        return K::Empty;
    case varNull:
        return K::Null;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
        return K::Int;
    case varLongWord:
    case varInt64:
        return K::Wide;
    case varBoolean:
        return K::Bool;
    case varSingle:
        return K::Single;
    case varDouble:
        return K::Double;
    case varCurrency:
        return K::Currency;
    case varDate:
    case varSQLTimeStamp:
        return K::Date;
    case varString:
    case varOleStr:
        return K::Str;
    case varFMTBcd:
        return K::Bcd;
    default:
        return K::Invalid;
    }
}

bool IsInteger(K k) { return k == K::Int || k == K::Wide || k == K::Bool; }
bool IsFloat(K k) { return k == K::Single || k == K::Double; }

// Integer, Int64 and Boolean operands as whole numbers (True is -1).
Int64 WholeValue(const Variant& v) {
    if (v.VType() == varBoolean) return A::Int(v) ? -1 : 0;
    return A::Int(v);
}

bool FitsInteger(Int128 value) { return value >= INT32_MIN && value <= INT32_MAX; }

// An integer result: Integer when the operands were narrow and it fits, else Int64, else Double.
Variant WholeResult(Int128 value, bool wide) {
    if (!wide && FitsInteger(value)) return static_cast<Integer>(value);
    if (value >= INT64_MIN && value <= INT64_MAX) return static_cast<Int64>(value);
    return static_cast<double>(value);
}

Variant FloatResult(Extended a, Extended b, TVarOp op, TVarType type) {
    Extended r = 0;
    switch (op) {
    case opAdd:
        r = a + b;
        break;
    case opSubtract:
        r = a - b;
        break;
    case opMultiply:
        r = a * b;
        break;
    default:
        r = FloatDiv(a, b);
        break;
    }
    if (std::isnan(r) && !std::isnan(a) && !std::isnan(b)) RaiseInvalidOp();
    if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) RaiseOverflow();
    if (type == varSingle) {
        if (std::isfinite(r) && std::fabs(r) > FLT_MAX) RaiseOverflow();
        return static_cast<float>(r);
    }
    if (std::isfinite(r) && std::fabs(r) > DBL_MAX) RaiseOverflow();
    const double d = static_cast<double>(r);
    return type == varDate ? VarFromDateTime(d) : Variant(d);
}

Variant CurrencyResult(Currency a, Currency b, TVarOp op) {
    switch (op) {
    case opAdd:
    case opSubtract: {
        const Int128 raw = op == opAdd ? Int128{a.Raw()} + b.Raw() : Int128{a.Raw()} - b.Raw();
        if (raw < INT64_MIN || raw > INT64_MAX) RaiseArithmeticOverflow();
        return Currency::FromRaw(static_cast<Int64>(raw));
    }
    case opMultiply:
        try {
            return a * b;
        } catch (const EInvalidOp&) {
            RaiseArithmeticOverflow();
        }
    default:
        if (b.Raw() == 0) return a / b; // the runtime's division-by-zero errors
        try {
            return a / b;
        } catch (const EInvalidOp&) {
            RaiseArithmeticOverflow();
        }
    }
}

Variant BcdResult(const TBcd& a, const TBcd& b, TVarOp op) {
    switch (op) {
    case opAdd:
        return BcdAdd(a, b);
    case opSubtract:
        return BcdSubtract(a, b);
    case opMultiply:
        return BcdMultiply(a, b);
    default:
        return BcdDivide(a, b);
    }
}

// A string operand of an arithmetic operation takes the kind of the other operand.
Variant StringAs(const Variant& s, K other) {
    switch (other) {
    case K::Currency:
        return s.AsCurrency();
    case K::Date:
        return VarFromDateTime(s.AsDateTime());
    case K::Bcd:
        return s.AsBcd();
    default:
        return s.AsDouble();
    }
}

Variant Concatenate(const Variant& a, const Variant& b) {
    if (a.VType() == varOleStr && b.VType() == varOleStr) return A::WStr(a) + A::WStr(b);
    if (a.VType() == varString && b.VType() == varString) return A::Str(a) + A::Str(b);
    return TextOf(a) + TextOf(b);
}

// + - * /
Variant Arithmetic(const Variant& left, const Variant& right, TVarOp op) {
    K ka = KindOf(left);
    K kb = KindOf(right);
    if (ka == K::Null || kb == K::Null) return Null();
    if (ka == K::Invalid || kb == K::Invalid) RaiseInvalidOperation();

    // Empty acts as the other operand's zero: '' beside a string for "+", 0 otherwise.
    Variant a;
    Variant b;
    const Variant* pa = &left;
    const Variant* pb = &right;
    if (ka == K::Empty) {
        a = kb == K::Str && op == opAdd ? Variant(String()) : Variant(0);
        pa = &a;
        ka = KindOf(a);
    }
    if (kb == K::Empty) {
        b = ka == K::Str && op == opAdd ? Variant(String()) : Variant(0);
        pb = &b;
        kb = KindOf(b);
    }

    if (ka == K::Str && kb == K::Str) {
        if (op == opAdd) return Concatenate(*pa, *pb);
        return FloatResult(pa->AsExtended(), pb->AsExtended(), op, varDouble);
    }
    if (ka == K::Str) {
        a = StringAs(*pa, kb);
        pa = &a;
        ka = KindOf(a);
    }
    if (kb == K::Str) {
        b = StringAs(*pb, ka);
        pb = &b;
        kb = KindOf(b);
    }

    if (ka == K::Bcd || kb == K::Bcd) {
        if (IsFloat(ka) || IsFloat(kb)) return FloatResult(pa->AsExtended(), pb->AsExtended(), op, varDouble);
        if (ka != K::Date && kb != K::Date) return BcdResult(pa->AsBcd(), pb->AsBcd(), op);
    }
    if (ka == K::Date || kb == K::Date) {
        TVarType type = varDouble;
        if (op == opAdd || (op == opSubtract && !(ka == K::Date && kb == K::Date))) type = varDate;
        return FloatResult(pa->AsExtended(), pb->AsExtended(), op, type);
    }
    if (IsFloat(ka) || IsFloat(kb)) {
        const TVarType type = ka == K::Single && kb == K::Single ? varSingle : varDouble;
        return FloatResult(pa->AsExtended(), pb->AsExtended(), op, type);
    }
    if (ka == K::Currency || kb == K::Currency) return CurrencyResult(pa->AsCurrency(), pb->AsCurrency(), op);

    // Both integers (or Booleans).
    const Int64 x = WholeValue(*pa);
    const Int64 y = WholeValue(*pb);
    const bool wide = ka == K::Wide || kb == K::Wide;
    switch (op) {
    case opAdd:
        return WholeResult(Int128{x} + y, wide);
    case opSubtract:
        return WholeResult(Int128{x} - y, wide);
    case opMultiply:
        return WholeResult(Int128{x} * y, wide);
    default:
        return FloatResult(static_cast<Extended>(x), static_cast<Extended>(y), op, varDouble);
    }
}

// An operand of div, mod, shl, shr, and the bitwise and/or/xor as a whole number; `wide` is set
// when it needs 64 bits.
Int64 IntegerOperand(const Variant& v, K k, bool& wide) {
    Int64 value = IsInteger(k) ? WholeValue(v) : k == K::Empty ? 0 : v.AsInt64();
    if (k == K::Wide || !FitsInteger(value)) wide = true;
    return value;
}

bool BooleanOperand(const Variant& v, K k) {
    if (k == K::Empty) return false;
    return v.AsBoolean();
}

Variant IntegerOperation(const Variant& a, const Variant& b, TVarOp op) {
    const K ka = KindOf(a);
    const K kb = KindOf(b);
    if (ka == K::Null || kb == K::Null) return Null();
    if (ka == K::Invalid || kb == K::Invalid) RaiseInvalidOperation();

    if (op == opAnd || op == opOr || op == opXor) {
        // Logical on Booleans (and on texts beside a Boolean or another text), bitwise otherwise.
        const bool logical = (ka == K::Bool || ka == K::Str || ka == K::Empty) &&
                             (kb == K::Bool || kb == K::Str || kb == K::Empty) &&
                             !(ka == K::Empty && kb == K::Empty) &&
                             (ka == K::Bool || kb == K::Bool || (ka == K::Str && kb == K::Str));
        if (logical) {
            const bool x = BooleanOperand(a, ka);
            const bool y = BooleanOperand(b, kb);
            return op == opAnd ? (x && y) : op == opOr ? (x || y) : (x != y);
        }
    }

    bool wide = false;
    const Int64 x = IntegerOperand(a, ka, wide);
    const Int64 y = IntegerOperand(b, kb, wide);
    switch (op) {
    case opIntDivide:
        if (y == 0) RaiseDivByZero();
        return WholeResult(Int128{x} / y, wide);
    case opModulus:
        if (y == 0) RaiseDivByZero();
        return WholeResult(y == -1 ? 0 : x % y, wide);
    case opAnd:
        return WholeResult(x & y, wide);
    case opOr:
        return WholeResult(x | y, wide);
    case opXor:
        return WholeResult(x ^ y, wide);
    case opShiftLeft:
        if (wide) return static_cast<Int64>(static_cast<UInt64>(x) << (y & 63));
        return static_cast<Integer>(static_cast<Cardinal>(x) << (y & 31));
    default:
        if (wide) return static_cast<Int64>(static_cast<UInt64>(x) >> (y & 63));
        return static_cast<Integer>(static_cast<Cardinal>(x) >> (y & 31));
    }
}

Variant Negate(const Variant& v) {
    switch (KindOf(v)) {
    case K::Null:
        return Null();
    case K::Empty:
        return 0;
    case K::Int:
    case K::Bool:
        return WholeResult(-Int128{WholeValue(v)}, false);
    case K::Wide:
        return WholeResult(-Int128{WholeValue(v)}, true);
    case K::Single:
        return -A::Sgl(v);
    case K::Double:
        return -A::Dbl(v);
    case K::Date:
        return VarFromDateTime(-v.AsDateTime());
    case K::Currency:
        if (A::Int(v) == INT64_MIN) RaiseArithmeticOverflow();
        return Currency::FromRaw(-A::Int(v));
    case K::Str:
        return -v.AsDouble();
    case K::Bcd:
        return BcdSubtract(TBcd{}, A::Bcd(v));
    default:
        RaiseInvalidOperation();
    }
}

Variant Not(const Variant& v) {
    const K k = KindOf(v);
    switch (k) {
    case K::Null:
        return Null();
    case K::Empty:
        return -1;
    case K::Bool:
        return !A::Int(v);
    case K::Invalid:
        RaiseInvalidOperation();
    default:
        break;
    }
    if (v.VType() == varLongWord) return static_cast<LongWord>(~static_cast<Cardinal>(A::Int(v)));
    if (k == K::Str) {
        const String text = Trim(TextOf(v));
        if (SameText(text, "True")) return false;
        if (SameText(text, "False")) return true;
    }
    bool wide = false;
    const Int64 x = IntegerOperand(v, k, wide);
    return WholeResult(~x, wide);
}

// ---- Comparison ----------------------------------------------------------------------------

enum class Cmp { Less, Equal, Greater, Unordered };

template <class T> Cmp Order(const T& a, const T& b) {
    if (a < b) return Cmp::Less;
    if (b < a) return Cmp::Greater;
    if (a == b) return Cmp::Equal;
    return Cmp::Unordered; // NaN
}

Cmp FromSign(int sign) { return sign < 0 ? Cmp::Less : sign > 0 ? Cmp::Greater : Cmp::Equal; }

Cmp CompareStrings(const Variant& a, const Variant& b) {
    if (a.VType() == varString && b.VType() == varString) return FromSign(CompareStr(A::Str(a), A::Str(b)));
    // UTF-8 byte order is code point order, whichever form the texts come in.
    return FromSign(CompareStr(TextOf(a), TextOf(b)));
}

// Two values, neither of them Null.
Cmp CompareValues(const Variant& left, const Variant& right) {
    K ka = KindOf(left);
    K kb = KindOf(right);
    if (ka == K::Invalid || kb == K::Invalid) RaiseInvalidOperation();
    if (ka == K::Empty && kb == K::Empty) return Cmp::Equal;

    Variant a;
    Variant b;
    const Variant* pa = &left;
    const Variant* pb = &right;
    auto zeroFor = [](K other) {
        return other == K::Str ? Variant(String()) : other == K::Bool ? Variant(false) : Variant(0);
    };
    if (ka == K::Empty) {
        a = zeroFor(kb);
        pa = &a;
        ka = KindOf(a);
    }
    if (kb == K::Empty) {
        b = zeroFor(ka);
        pb = &b;
        kb = KindOf(b);
    }

    if (ka == K::Str && kb == K::Str) return CompareStrings(*pa, *pb);
    // A string beside a value of another kind is read as that kind.
    auto stringAs = [](const Variant& s, K other) -> Variant {
        switch (other) {
        case K::Bool:
            return s.AsBoolean();
        case K::Date:
            return VarFromDateTime(s.AsDateTime());
        case K::Bcd:
            return s.AsBcd();
        default:
            return s.AsExtended();
        }
    };
    if (ka == K::Str) {
        a = stringAs(*pa, kb);
        pa = &a;
        ka = KindOf(a);
    }
    if (kb == K::Str) {
        b = stringAs(*pb, ka);
        pb = &b;
        kb = KindOf(b);
    }

    const bool floatOrDate = IsFloat(ka) || IsFloat(kb) || ka == K::Date || kb == K::Date;
    const bool decimal = ka == K::Bcd || kb == K::Bcd || ka == K::Currency || kb == K::Currency;
    // A decimal beside a float compares in double precision, so Currency 0.1 equals Double 0.1.
    if (decimal && floatOrDate)
        return Order(static_cast<double>(pa->AsExtended()), static_cast<double>(pb->AsExtended()));
    if (ka == K::Bcd || kb == K::Bcd) return FromSign(BcdCompare(pa->AsBcd(), pb->AsBcd()));
    if (ka == K::Currency || kb == K::Currency) {
        auto scaled = [](const Variant& v, K k) {
            return k == K::Currency ? Int128{A::Int(v)} : Int128{WholeValue(v)} * Currency::Scale;
        };
        return Order(scaled(*pa, ka), scaled(*pb, kb));
    }
    if (IsInteger(ka) && IsInteger(kb)) return Order(WholeValue(*pa), WholeValue(*pb));
    return Order(pa->AsExtended(), pb->AsExtended());
}

bool Compare(const Variant& a, const Variant& b, TVarOp op) {
    const bool nullA = a.VType() == varNull;
    const bool nullB = b.VType() == varNull;
    if (nullA || nullB) {
        // Null equals only Null and orders below every other value.
        switch (op) {
        case opCmpEQ:
            return nullA && nullB;
        case opCmpNE:
            return !(nullA && nullB);
        case opCmpLT:
            return nullA && !nullB;
        case opCmpLE:
            return nullA;
        case opCmpGT:
            return nullB && !nullA;
        default:
            return nullB;
        }
    }
    const Cmp c = CompareValues(a, b);
    switch (op) {
    case opCmpEQ:
        return c == Cmp::Equal;
    case opCmpNE:
        return c != Cmp::Equal;
    case opCmpLT:
        return c == Cmp::Less;
    case opCmpLE:
        return c == Cmp::Less || c == Cmp::Equal;
    case opCmpGT:
        return c == Cmp::Greater;
    default:
        return c == Cmp::Greater || c == Cmp::Equal;
    }
}

} // namespace

Variant VarOp(const Variant& left, const Variant& right, TVarOp op) {
    switch (op) {
    case opAdd:
    case opSubtract:
    case opMultiply:
    case opDivide:
        return Arithmetic(left, right, op);
    case opIntDivide:
    case opModulus:
    case opShiftLeft:
    case opShiftRight:
    case opAnd:
    case opOr:
    case opXor:
        return IntegerOperation(left, right, op);
    case opCmpEQ:
    case opCmpNE:
    case opCmpLT:
    case opCmpLE:
    case opCmpGT:
    case opCmpGE:
        return Compare(left, right, op);
    default:
        RaiseInvalidOperation();
    }
}

Variant VarOp(const Variant& operand, TVarOp op) {
    switch (op) {
    case opNegate:
        return Negate(operand);
    case opNot:
        return Not(operand);
    default:
        RaiseInvalidOperation();
    }
}

Variant VarConcat(const Variant& left, const Variant& right) {
    if (left.VType() == varOleStr && right.VType() == varOleStr) return A::WStr(left) + A::WStr(right);
    return VarToStr(left) + VarToStr(right);
}

bool VarSameValue(const Variant& a, const Variant& b) {
    if (a.VType() == varEmpty) return b.VType() == varEmpty;
    if (a.VType() == varNull) return b.VType() == varNull;
    if (b.VType() == varEmpty || b.VType() == varNull) return false;
    return CompareValues(a, b) == Cmp::Equal;
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    if (a.VType() == varEmpty) return b.VType() == varEmpty ? vrEqual : vrNotEqual;
    if (a.VType() == varNull) return b.VType() == varNull ? vrEqual : vrNotEqual;
    if (b.VType() == varEmpty || b.VType() == varNull) return vrNotEqual;
    switch (CompareValues(a, b)) {
    case Cmp::Equal:
        return vrEqual;
    case Cmp::Less:
        return vrLessThan;
    case Cmp::Greater:
        return vrGreaterThan;
    default:
        return vrNotEqual;
    }
}

Variant& Variant::operator+=(const Variant& other) { return *this = Arithmetic(*this, other, opAdd); }
Variant& Variant::operator-=(const Variant& other) { return *this = Arithmetic(*this, other, opSubtract); }
Variant& Variant::operator*=(const Variant& other) { return *this = Arithmetic(*this, other, opMultiply); }
Variant& Variant::operator/=(const Variant& other) { return *this = Arithmetic(*this, other, opDivide); }

Variant operator+(const Variant& a, const Variant& b) { return Arithmetic(a, b, opAdd); }
Variant operator-(const Variant& a, const Variant& b) { return Arithmetic(a, b, opSubtract); }
Variant operator*(const Variant& a, const Variant& b) { return Arithmetic(a, b, opMultiply); }
Variant operator/(const Variant& a, const Variant& b) { return Arithmetic(a, b, opDivide); }
Variant operator%(const Variant& a, const Variant& b) { return IntegerOperation(a, b, opModulus); }
Variant operator&(const Variant& a, const Variant& b) { return IntegerOperation(a, b, opAnd); }
Variant operator|(const Variant& a, const Variant& b) { return IntegerOperation(a, b, opOr); }
Variant operator^(const Variant& a, const Variant& b) { return IntegerOperation(a, b, opXor); }
Variant operator<<(const Variant& a, const Variant& b) { return IntegerOperation(a, b, opShiftLeft); }
Variant operator>>(const Variant& a, const Variant& b) { return IntegerOperation(a, b, opShiftRight); }
Variant operator-(const Variant& a) { return Negate(a); }
Variant operator~(const Variant& a) { return Not(a); }
bool operator==(const Variant& a, const Variant& b) { return Compare(a, b, opCmpEQ); }
bool operator!=(const Variant& a, const Variant& b) { return Compare(a, b, opCmpNE); }
bool operator<(const Variant& a, const Variant& b) { return Compare(a, b, opCmpLT); }
bool operator<=(const Variant& a, const Variant& b) { return Compare(a, b, opCmpLE); }
bool operator>(const Variant& a, const Variant& b) { return Compare(a, b, opCmpGT); }
bool operator>=(const Variant& a, const Variant& b) { return Compare(a, b, opCmpGE); }
