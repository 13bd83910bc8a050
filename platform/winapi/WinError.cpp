#include "platform/winapi/WinError.h"

#include <cstring>

#include "platform/runtime/SysInfo.h"

namespace {

const char* SystemText(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS:
        return "The operation succeeded.";
    case ERROR_FILE_NOT_FOUND:
        return "The file or device does not exist.";
    case ERROR_PATH_NOT_FOUND:
        return "The path does not exist.";
    case ERROR_ACCESS_DENIED:
        return "Access to the file or device was refused.";
    case ERROR_INVALID_HANDLE:
        return "The handle is not valid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "There is not enough memory for this operation.";
    case ERROR_GEN_FAILURE:
        return "The device reported a failure.";
    case ERROR_INVALID_PARAMETER:
        return "A parameter is not valid.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The buffer is too small for the data.";
    case ERROR_OPERATION_ABORTED:
        return "The input or output operation was aborted.";
    case ERROR_IO_INCOMPLETE:
        return "The overlapped input or output operation has not completed.";
    case ERROR_IO_PENDING:
        return "The overlapped input or output operation is in progress.";
    default:
        return nullptr;
    }
}

} // namespace

// One value per thread, shared with the runtime's own system calls.
DWORD GetLastError() { return GetRuntimeLastError(); }

void SetLastError(DWORD errorCode) { SetRuntimeLastError(errorCode); }

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, void* arguments) {
    const DWORD known =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & ~known) || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* text = SystemText(messageId);
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const std::size_t length = std::strlen(text) + 2; // with "\r\n"
    if (length + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text, length - 2);
    std::memcpy(buffer + length - 2, "\r\n", 3);
    return DWORD(length);
}
