#include "platform/runtime/SysInfo.h"

#include <cstring>

namespace {

constexpr DWORD ErrorInvalidParameter = 87;
constexpr DWORD ErrorInsufficientBuffer = 122;

thread_local DWORD tLastError = 0;

} // namespace

DWORD GetRuntimeLastError() { return tLastError; }

void SetRuntimeLastError(DWORD errorCode) { tLastError = errorCode; }

BOOL GetVersionExA(OSVERSIONINFOA* versionInfo) {
    if (versionInfo == nullptr) {
        SetRuntimeLastError(ErrorInvalidParameter);
        return FALSE;
    }
    if (versionInfo->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetRuntimeLastError(ErrorInsufficientBuffer);
        return FALSE;
    }
    versionInfo->dwMajorVersion = Win32MajorVersion;
    versionInfo->dwMinorVersion = Win32MinorVersion;
    versionInfo->dwBuildNumber = Win32BuildNumber;
    versionInfo->dwPlatformId = Win32Platform;
    std::memset(versionInfo->szCSDVersion, 0, sizeof(versionInfo->szCSDVersion));
    const char servicePack[] = "Service Pack 3";
    std::memcpy(versionInfo->szCSDVersion, servicePack, sizeof(servicePack));
    return TRUE;
}
