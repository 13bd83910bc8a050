// The program's main block.
#include "app/Program.h"
#include "platform/backend/Backend.h"
#include "platform/backend/BackendDialogs.h"
#include "platform/backend/BackendPrint.h"

int main(int argc, char** argv) {
    StartRuntime(argc, argv);
    BackendInstall();
    BackendInstallPrinters();
    BackendInstallDialogs();
    CreateProgramWindows();
    RunProgram();
    return 0;
}
