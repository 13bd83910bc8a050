#include "platform/runtime/SysInfo.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr DWORD ErrorInvalidParameter = 87;
constexpr DWORD ErrorInsufficientBuffer = 122;

thread_local DWORD tLastError = 0;

} // namespace

namespace {

std::mutex gLocaleLock;
String gLocaleOverride;

} // namespace

String UserMessagesLocale() {
    {
        std::lock_guard<std::mutex> guard(gLocaleLock);
        if (!gLocaleOverride.empty()) return gLocaleOverride;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "C";
}

void SetUserMessagesLocale(const String& name) {
    std::lock_guard<std::mutex> guard(gLocaleLock);
    gLocaleOverride = name;
}

bool PlatformTextsChinese() {
    const String locale = UserMessagesLocale();
    return locale.size() >= 2 && locale.compare(0, 2, "zh") == 0 && (locale.size() == 2 || locale[2] == '_' ||
                                                                     locale[2] == '.' || locale[2] == '@');
}

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
