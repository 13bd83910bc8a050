#include "app/Program.h"

#include "app/Maindb.h"
#include "app/MainFrm.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/FormatSettings.h"

void StartRuntime(int argc, const char* const* argv) {
    SetCommandLine(argc, argv);
    InitFormatSettingsFromLocale();
}

void CreateProgramWindows() {
    Application->Initialize();
    Application->SetTitle("KOV-571");
    Application->CreateForm(fMaindb);
    Application->CreateForm(fMainFrm);
}

void RunProgram() { Application->Run(); }

void EndProgram() { Application->DestroyComponents(); }
