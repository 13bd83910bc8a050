// The start-up benchmark's yardstick: the platform alone, showing one empty form of the main
// window's size, with the same first-paint probe as the program (KOV571_FIRST_PAINT_FILE).
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/backend/Backend.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Files.h"

namespace {

std::string gStampFile;
TForm* gForm = nullptr;

void FirstPaintIdle(TObject*, bool& done) {
    TBackendSurfaceInfo info;
    if (!gForm->HandleAllocated() || !BackendSurfaceInfo(gForm->GetHandle(), info) || !info.Visible ||
        !info.Exposed) {
        done = false;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (FILE* file = std::fopen(gStampFile.c_str(), "w")) {
        std::fprintf(file, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
        std::fclose(file);
    }
    Application->OnIdle = nullptr;
    Application->Terminate();
}

} // namespace

int main(int argc, char** argv) {
    SetCommandLine(argc, argv);
    const char* stamp = std::getenv("KOV571_FIRST_PAINT_FILE");
    if (!stamp || !*stamp) {
        std::fprintf(stderr, "KOV571_FIRST_PAINT_FILE names no file\n");
        return 2;
    }
    gStampFile = stamp;
    BackendInstall();
    Application->Initialize();
    Application->SetTitle("Empty");
    gForm = TForm::CreateNew(nullptr);
    gForm->SetBounds(120, 80, 880, 640);
    gForm->SetCaption("Empty");
    gForm->Show();
    Application->OnIdle = &FirstPaintIdle;
    Application->Run();
    delete gForm;
    BackendUninstall();
    return 0;
}
