// Handing a document or an address to the desktop: ShellExecuteA opens a file with the
// application the desktop associates with it, or an address (http:, mailto:, ...) with the
// desktop's handler. The work is done by the opener installed here - the display backend's,
// which asks the desktop to open it - never by a command line of a shell. Tests install a
// recording opener.
#pragma once

#include <functional>

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"
#include "platform/winapi/WinCore.h"

// Results of ShellExecuteA (anything above 32 is success).
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_SHARE = 26;
constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
constexpr int SE_ERR_DDETIMEOUT = 28;
constexpr int SE_ERR_DDEFAIL = 29;
constexpr int SE_ERR_DDEBUSY = 30;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int SE_ERR_DLLNOTFOUND = 32;

// What an opener is asked to open.
struct TShellOpenRequest {
    HWND Window = nullptr;
    String Verb;       // as the caller gave it ("" for the default verb)
    String File;       // as the caller gave it
    String Target;     // the address, or the file's absolute path
    bool IsUrl = false;
    String Parameters;
    String Directory;
    int ShowCmd = 0;
};

// Opens the target; false when the desktop could not.
using TShellOpener = std::function<bool(const TShellOpenRequest& request)>;
// Installs the opener (empty: none; every open then fails with SE_ERR_NOASSOC). Returns the
// one installed before.
TShellOpener ShellSetOpener(TShellOpener opener);

// The verbs "open" (any case) and the default (null or "") are known; other verbs answer
// SE_ERR_NOASSOC. A file name (not an address) is taken relative to directory, or to the
// current directory without one; a missing file answers ERROR_FILE_NOT_FOUND (2), a missing
// directory of it ERROR_PATH_NOT_FOUND (3). On success the result is greater than 32. The
// last error is set to the failure's number.
HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCmd);
inline HINSTANCE ShellExecute(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                              INT showCmd) {
    return ShellExecuteA(window, operation, file, parameters, directory, showCmd);
}
