#include "report/pvrChm.h"

#include "platform/runtime/Libraries.h"

namespace {

HMODULE HelpLibrary = nullptr;
THtmlHelpA HelpFunction = nullptr;
bool HelpLoadTried = false;

// Releases the library when the program ends.
struct THtmlHelpModule {
    ~THtmlHelpModule() { UnloadHtmlHelp(); }
};
THtmlHelpModule HtmlHelpModule;

} // namespace

THtmlHelpA HtmlHelpFunction() {
    if (!HelpLoadTried) LoadHtmlHelp();
    return HelpFunction;
}

void LoadHtmlHelp() {
    UnloadHtmlHelp();
    HelpLoadTried = true;
    HelpLibrary = LoadLibraryA("HHCtrl.OCX");
    if (HelpLibrary) HelpFunction = reinterpret_cast<THtmlHelpA>(GetProcAddress(HelpLibrary, "HtmlHelpA"));
}

void UnloadHtmlHelp() {
    HelpFunction = nullptr;
    if (HelpLibrary) FreeLibrary(HelpLibrary);
    HelpLibrary = nullptr;
}
