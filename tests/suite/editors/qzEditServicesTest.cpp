// The format controller's services for the editor controls: the application's own standard
// date-time mask.
#include <gtest/gtest.h>

#include "suite/editors/qzEdit_Services.h"
#include "suite/editors/qzFormats.h"

TEST(EditServices, AnAssignedStandardDateTimeMaskReplacesTheControllersUntilCleared) {
    const String controllers = GetFormatController()->GetStandardDateTimeMask();
    EXPECT_FALSE(IsStandardDateTimeMaskAssigned());
    EXPECT_EQ(controllers, GetStandardDateTimeEditMask());
    SetStandardDateTimeEditMask("!99/99/0000 99:99;1;_");
    EXPECT_TRUE(IsStandardDateTimeMaskAssigned());
    EXPECT_EQ("!99/99/0000 99:99;1;_", GetStandardDateTimeEditMask());
    SetStandardDateTimeEditMask("");
    EXPECT_FALSE(IsStandardDateTimeMaskAssigned());
    EXPECT_EQ(controllers, GetStandardDateTimeEditMask());
}
