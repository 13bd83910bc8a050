// The elementary functions with the math faults unmasked: an argument outside a function's
// domain raises EInvalidOp, a pole EZeroDivide and a result too large for Extended EOverflow,
// instead of giving NaN or an infinity. NaN arguments give NaN.
#pragma once

#include "platform/runtime/RtlTypes.h"

Extended CheckedSqrt(Extended x); // x < 0: EInvalidOp
Extended CheckedLn(Extended x);   // x = 0: EZeroDivide; x < 0: EInvalidOp
Extended CheckedExp(Extended x);  // too large: EOverflow
Extended CheckedSin(Extended x);  // infinities: EInvalidOp
Extended CheckedCos(Extended x);  // infinities: EInvalidOp
// Sin(x) / Cos(x) as FloatDiv divides: a cosine of exactly 0 raises EZeroDivide.
Extended CheckedTan(Extended x);
Extended CheckedArcTan(Extended x);
