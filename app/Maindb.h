// The data module: creates the shared data model at start-up and holds the print record sets and
// the report that prints them.
#pragma once

#include <functional>

#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"

class TpvrDBDataset;
class TpvrReport;

class TfMaindb : public TDataModule {
    KOV_CLASS(TfMaindb, TDataModule)
public:
    explicit TfMaindb(TComponent* owner);

    // The creation handler (OnCreate of the stored definition): opens the print record sets
    // empty, creates the data model instances and reads the settings and the language.
    void DataModuleCreate(TObject* sender);
    // Fills BandList with the fixed band code table.
    void BuildBandCodeTable();

    // The print record sets, made by the stored definition.
    TMemDataSet* myMain = nullptr;
    TMemDataSet* myAdo = nullptr;
    // The printout: the report with its stored definition and its two data sources, over myMain
    // (the page header) and myAdo (the body).
    TpvrReport* pvrReport = nullptr;
    TpvrDBDataset* pvrMainData = nullptr;
    TpvrDBDataset* pvrDataset = nullptr;
};

extern TfMaindb* fMaindb;

// Seen after each step of DataModuleCreate with the step's name ("RecordSets", "Instances",
// "AppDir", "ShowTestOnline", "BuildBandCodeTable", "BuildModelTable",
// "ResetSettingsAndMessages", "ReadSystemSettings", "LoadMessages", "Refreshing"). Tests use it
// to follow the start-up order; empty in the program.
extern std::function<void(const String& step)> MaindbStepHook;
// The program directory the data module gives AppState; empty means the directory of the
// program file. Tests set it so each test has a directory of its own.
extern String MaindbProgramDir;
