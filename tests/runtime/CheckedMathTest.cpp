#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/Exceptions.h"

namespace {

enum class Fault { None, InvalidOp, ZeroDivide, Overflow };

struct Case {
    const char* name;
    std::function<Extended()> call;
    Fault fault;
    Extended expected;
};

TEST(CheckedMath, DomainErrorsRaiseTheMathFaultsAndValidArgumentsCompute) {
    const Extended inf = std::numeric_limits<Extended>::infinity();
    const Case cases[] = {
        {"Sqrt(-1)", [] { return CheckedSqrt(-1); }, Fault::InvalidOp, 0},
        {"Sqrt(0)", [] { return CheckedSqrt(0); }, Fault::None, 0},
        {"Sqrt(2.25)", [] { return CheckedSqrt(2.25L); }, Fault::None, 1.5L},
        {"Ln(0)", [] { return CheckedLn(0); }, Fault::ZeroDivide, 0},
        {"Ln(-1)", [] { return CheckedLn(-1); }, Fault::InvalidOp, 0},
        {"Ln(1)", [] { return CheckedLn(1); }, Fault::None, 0},
        {"Exp(0)", [] { return CheckedExp(0); }, Fault::None, 1},
        {"Exp(1e6)", [] { return CheckedExp(1e6L); }, Fault::Overflow, 0},
        {"Exp(-1e6)", [] { return CheckedExp(-1e6L); }, Fault::None, 0},
        {"Sin(inf)", [inf] { return CheckedSin(inf); }, Fault::InvalidOp, 0},
        {"Cos(-inf)", [inf] { return CheckedCos(-inf); }, Fault::InvalidOp, 0},
        {"Cos(0)", [] { return CheckedCos(0); }, Fault::None, 1},
        {"Tan(0)", [] { return CheckedTan(0); }, Fault::None, 0},
        {"Tan(inf)", [inf] { return CheckedTan(inf); }, Fault::InvalidOp, 0},
        {"ArcTan(1)", [] { return CheckedArcTan(1); }, Fault::None, std::atan(1.0L)},
        {"ArcTan(inf)", [inf] { return CheckedArcTan(inf); }, Fault::None, std::atan(1.0L) * 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        switch (c.fault) {
        case Fault::InvalidOp:
            EXPECT_THROW(c.call(), EInvalidOp);
            break;
        case Fault::ZeroDivide:
            EXPECT_THROW(c.call(), EZeroDivide);
            break;
        case Fault::Overflow:
            EXPECT_THROW(c.call(), EOverflow);
            break;
        case Fault::None:
            EXPECT_NEAR(double(c.call()), double(c.expected), 1e-12);
            break;
        }
    }
}

TEST(CheckedMath, MessagesAreTheClassicTexts) {
    try {
        CheckedSqrt(-4);
        FAIL();
    } catch (const EInvalidOp& e) {
        EXPECT_EQ(e.Message, "Invalid floating point operation");
    }
    try {
        CheckedLn(0);
        FAIL();
    } catch (const EZeroDivide& e) {
        EXPECT_EQ(e.Message, "Floating point division by zero");
    }
    EXPECT_TRUE(std::isnan(double(CheckedSqrt(std::numeric_limits<Extended>::quiet_NaN()))));
}

} // namespace
