#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/runtime/Resources.h"
#include "tests/support/TestSupport.h"

namespace {

bool HasSize(const std::vector<SIZE>& sizes, int width, int height) {
    return std::any_of(sizes.begin(), sizes.end(),
                       [&](const SIZE& s) { return s.cx == width && s.cy == height; });
}

// The desktop shows the program's icon resource, every size of it, for the program's windows.
TEST(BackendIconTest, ProgramIconResourceBecomesTheWindowsIcon) {
    BackendInstall(true);
    // The program's own icon file, as the program's resource; the bytes stay for the process.
    static const std::string bytes =
        testsupport::ReadFileBytes(testsupport::FixturePath("../../app/res/KOV571.ico"));
    ASSERT_FALSE(bytes.empty());
    RegisterResource(TResourceId("MAINICON"), TResourceId(RT_GROUP_ICON), bytes.data(), bytes.size());
    ASSERT_TRUE(BackendUseProgramIcon());
    const std::vector<SIZE> sizes = BackendProgramIconSizes();
    EXPECT_TRUE(HasSize(sizes, 32, 32));
    EXPECT_TRUE(HasSize(sizes, 16, 16));
}

} // namespace
