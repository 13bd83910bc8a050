#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/winapi/WinError.h"

namespace {

TEST(WinError, LastErrorBelongsToTheThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOther = 1;
    std::thread other([&] {
        seenByOther = GetLastError();
        SetLastError(ERROR_IO_PENDING);
    });
    other.join();
    EXPECT_EQ(seenByOther, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(WinError, SystemTextsEndWithALineBreak) {
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
                       ERROR_NOT_ENOUGH_MEMORY, ERROR_GEN_FAILURE, ERROR_INVALID_PARAMETER,
                       ERROR_OPERATION_ABORTED, ERROR_IO_INCOMPLETE, ERROR_IO_PENDING}) {
        SCOPED_TRACE(code);
        char buffer[256];
        const DWORD length = FormatMessageA(flags, nullptr, code, 0, buffer, sizeof buffer, nullptr);
        ASSERT_GT(length, 2u);
        EXPECT_EQ(std::strlen(buffer), length);
        EXPECT_EQ(std::string(buffer + length - 2), "\r\n");
    }
    char buffer[256];
    SetLastError(0);
    EXPECT_EQ(FormatMessageA(flags, nullptr, 7, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatMessageA(flags, nullptr, ERROR_INVALID_PARAMETER, 0, buffer, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(FormatMessageA(0, nullptr, ERROR_INVALID_PARAMETER, 0, buffer, sizeof buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
