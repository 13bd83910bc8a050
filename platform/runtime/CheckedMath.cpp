#include "platform/runtime/CheckedMath.h"

#include <cmath>

#include "platform/runtime/Numbers.h"

Extended CheckedSqrt(Extended x) {
    if (std::isnan(x)) return x;
    if (x < 0) RaiseInvalidOp();
    return std::sqrt(x);
}

Extended CheckedLn(Extended x) {
    if (std::isnan(x)) return x;
    if (x == 0) RaiseZeroDivide();
    if (x < 0) RaiseInvalidOp();
    return std::log(x);
}

Extended CheckedExp(Extended x) {
    if (std::isnan(x)) return x;
    const Extended result = std::exp(x);
    if (std::isinf(result) && !std::isinf(x)) RaiseOverflow();
    return result;
}

Extended CheckedSin(Extended x) {
    if (std::isnan(x)) return x;
    if (std::isinf(x)) RaiseInvalidOp();
    return std::sin(x);
}

Extended CheckedCos(Extended x) {
    if (std::isnan(x)) return x;
    if (std::isinf(x)) RaiseInvalidOp();
    return std::cos(x);
}

Extended CheckedTan(Extended x) { return FloatDiv(CheckedSin(x), CheckedCos(x)); }

Extended CheckedArcTan(Extended x) { return std::atan(x); }
