#include "app/Maindb.h"

#include "app/AllClass.h"
#include "app/MeMode.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "report/pvrClass.h"
#include "report/pvrDBSet.h"

TfMaindb* fMaindb = nullptr;
std::function<void(const String& step)> MaindbStepHook;
String MaindbProgramDir;

namespace {

void StepDone(const char* step) {
    if (MaindbStepHook) MaindbStepHook(step);
}

template <class T> T* Part(TComponent* module, const char* name) {
    auto* part = dynamic_cast<T*>(module->FindComponent(name));
    if (!part) throw Exception(String("The data module has no ") + name);
    return part;
}

} // namespace

TfMaindb::TfMaindb(TComponent* owner) : TDataModule(owner) { AfterConstruction(); }

void TfMaindb::DataModuleCreate(TObject*) {
    myAdo = Part<TMemDataSet>(this, "myAdo");
    myMain = Part<TMemDataSet>(this, "myMain");
    pvrReport = Part<TpvrReport>(this, "pvrReport");
    pvrMainData = Part<TpvrDBDataset>(this, "pvrMainData");
    pvrDataset = Part<TpvrDBDataset>(this, "pvrDataset");
    myAdo->CreateDataSet();
    myMain->CreateDataSet();
    StepDone("RecordSets");

    CreateDataModelInstances();
    StepDone("Instances");

    AppState->AppDir = MaindbProgramDir.empty() ? GetProgramDir() : MaindbProgramDir;
    if (AppState->AppDir.empty() || AppState->AppDir.back() != '/') AppState->AppDir += '/';
    StepDone("AppDir");

    AppState->ShowTestOnline = false;
    StepDone("ShowTestOnline");

    BuildBandCodeTable();
    StepDone("BuildBandCodeTable");

    BuildModelTable();
    StepDone("BuildModelTable");

    ResetSettingsAndMessages();
    StepDone("ResetSettingsAndMessages");

    ReadSystemSettings();
    StepDone("ReadSystemSettings");

    LoadMessages(AppState->LanguageName);
    StepDone("LoadMessages");

    AppState->Refreshing = false;
    StepDone("Refreshing");
}

void TfMaindb::BuildBandCodeTable() { FillBandCodeTable(*BandList); }

KOV_PUBLISHED(TfMaindb) { Method("DataModuleCreate", &TfMaindb::DataModuleCreate); }
