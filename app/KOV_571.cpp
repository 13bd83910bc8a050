// The program's main block. The windows are not there yet: for now the program starts its
// runtime, reports the locale it found and ends.
#include <cstdio>

#include "platform/runtime/Files.h"
#include "platform/runtime/FormatSettings.h"

int main(int argc, char** argv) {
    SetCommandLine(argc, argv);
    InitFormatSettingsFromLocale();
    std::printf("KOV-571 Programmer: the runtime started in %s (decimal separator '%c', short date format \"%s\").\n",
                GetProgramDir().c_str(), FormatSettings.DecimalSeparator, FormatSettings.ShortDateFormat.c_str());
    std::printf("The main window is not built yet; this build has no windows to show.\n");
    return 0;
}
