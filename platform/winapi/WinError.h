// The calling thread's last error and the system's error numbers with their texts.
#pragma once

#include "platform/runtime/WinTypes.h"

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;

// Per thread (the value the runtime's own calls set too); a new thread starts with ERROR_SUCCESS.
DWORD GetLastError();
void SetLastError(DWORD errorCode);

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// Only the system's own texts: FORMAT_MESSAGE_FROM_SYSTEM is required, inserts are never
// expanded, source and language are ignored and the width mask is not applied. The text ends
// with a line break, as the system's texts do. Returns the number of characters stored
// (without the terminating zero), or 0 with the last error set: ERROR_MR_MID_NOT_FOUND for a
// number without a text, ERROR_INSUFFICIENT_BUFFER when the text and its zero do not fit,
// ERROR_INVALID_PARAMETER for other flags or a missing buffer.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, void* arguments);
