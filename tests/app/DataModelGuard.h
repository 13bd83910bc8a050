// Keeping a test's data model apart from the one that was there before it.
#pragma once

#include <memory>

#include "app/AllClass.h"
#include "app/MacType.h"
#include "app/MeMode.h"

namespace apptest {

// Sets the data model's instances (ModelList, AppState, TestFrequencies, MessageLines,
// FunctionSettings, BandList, PromptTexts) aside while it lives, leaving the globals empty for
// the test or the data module to fill, and puts them back when it goes; what the test made in
// their place goes with it.
class TDataModelGuard {
public:
    TDataModelGuard()
        : FModels(std::move(ModelList)), FState(std::move(AppState)),
          FFrequencies(std::move(TestFrequencies)), FMessages(std::move(MessageLines)),
          FFunctions(std::move(FunctionSettings)), FBands(std::move(BandList)),
          FTexts(std::move(PromptTexts)) {}
    ~TDataModelGuard() {
        ModelList = std::move(FModels);
        AppState = std::move(FState);
        TestFrequencies = std::move(FFrequencies);
        MessageLines = std::move(FMessages);
        FunctionSettings = std::move(FFunctions);
        BandList = std::move(FBands);
        PromptTexts = std::move(FTexts);
    }
    TDataModelGuard(const TDataModelGuard&) = delete;
    TDataModelGuard& operator=(const TDataModelGuard&) = delete;

private:
    std::unique_ptr<TMacList> FModels;
    std::unique_ptr<TALL> FState;
    std::unique_ptr<TTestFre> FFrequencies;
    std::unique_ptr<TEnMsg> FMessages;
    std::unique_ptr<TFun> FFunctions;
    std::unique_ptr<TFrqList> FBands;
    std::unique_ptr<TLanguage> FTexts;
};

// New instances of the data model in the globals, as the data module makes them before a model
// is chosen: the band code table and the model table filled, the rest as constructed.
inline void MakeFreshDataModel() {
    CreateDataModelInstances();
    FillBandCodeTable(*BandList);
    BuildModelTable();
}

} // namespace apptest
