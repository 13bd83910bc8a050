#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/runtime/SysInfo.h"

TEST(SysInfo, GetVersionExReportsWindowsXpServicePack3) {
    OSVERSIONINFOA info;
    std::memset(&info, 0xAB, sizeof(info)); // every field must be filled, the text terminated
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_EQ(GetVersionExA(&info), TRUE);
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof(OSVERSIONINFOA));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(VER_PLATFORM_WIN32_NT, 2u);
    EXPECT_STREQ(info.szCSDVersion, "Service Pack 3");

    // The variables give the same answers.
    EXPECT_EQ(Win32Platform, static_cast<int>(info.dwPlatformId));
    EXPECT_EQ(Win32MajorVersion, static_cast<int>(info.dwMajorVersion));
    EXPECT_EQ(Win32MinorVersion, static_cast<int>(info.dwMinorVersion));
    EXPECT_EQ(Win32BuildNumber, static_cast<int>(info.dwBuildNumber));
}

TEST(SysInfo, GetVersionExRefusesAWrongRecordSize) {
    struct TCase {
        const char* name;
        DWORD size;
    };
    const TCase cases[] = {
        {"zero", 0},
        {"one short", sizeof(OSVERSIONINFOA) - 1},
        {"larger record", sizeof(OSVERSIONINFOA) + 8},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = c.size;
        SetRuntimeLastError(0);
        EXPECT_EQ(GetVersionExA(&info), FALSE);
        EXPECT_EQ(GetRuntimeLastError(), 122u);
        EXPECT_EQ(info.dwMajorVersion, 0u); // nothing filled in
        EXPECT_EQ(info.szCSDVersion[0], '\0');
    }
    SetRuntimeLastError(0);
    EXPECT_EQ(GetVersionExA(nullptr), FALSE);
    EXPECT_EQ(GetRuntimeLastError(), 87u);
}

TEST(SysInfo, LastErrorBelongsToTheThread) {
    SetRuntimeLastError(126);
    DWORD seenByOther = 1;
    std::thread([&] {
        seenByOther = GetRuntimeLastError();
        SetRuntimeLastError(127);
    }).join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(GetRuntimeLastError(), 126u);
    SetRuntimeLastError(0);
}
