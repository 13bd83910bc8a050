#include <gtest/gtest.h>

#include "platform/runtime/Exceptions.h"

TEST(Exceptions, FamilyCarriesMessageAndClassName) {
    try {
        throw EFOpenError("Cannot open file \"x\"");
    } catch (const EStreamError& e) {
        EXPECT_EQ(e.Message, "Cannot open file \"x\"");
        EXPECT_STREQ(e.what(), "Cannot open file \"x\"");
        EXPECT_STREQ(e.ClassName(), "EFOpenError");
    }
    try {
        throw EInOutError("I/O error 5", 5);
    } catch (const Exception& e) {
        ASSERT_NE(dynamic_cast<const EInOutError*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const EInOutError&>(e).ErrorCode, 5);
    }
    EXPECT_THROW(Abort(), EAbort);
}
