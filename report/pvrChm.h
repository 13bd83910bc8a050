// The binding to the help viewer: "HHCtrl.OCX" is loaded when the module starts and its
// "HtmlHelpA" bound by name; either may be missing, and help then does nothing.
#pragma once

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"

struct HWND__;
using HWND = HWND__*;

using THtmlHelpA = HWND (*)(HWND window, const char* file, UINT command, DWORD_PTR data);

// The bound function, or nullptr. The library is loaded on the first request.
THtmlHelpA HtmlHelpFunction();
// Loads the library and binds the function; loading again first releases what an earlier
// load took.
void LoadHtmlHelp();
// Releases the library when it was loaded (done at finalization).
void UnloadHtmlHelp();
