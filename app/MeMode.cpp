#include "app/MeMode.h"

#include "app/AllClass.h"

void BuildModelTable() {
    auto uhf = std::make_unique<TMacType>("2475", 16, "KOV-571(UHF)");
    uhf->SetLimits(650.0, 300.0);
    uhf->SetGapBlocks(39);
    for (const char* band : {"350 - 370MHz", "350 - 390MHz", "370 - 390MHz", "400 - 420MHz", "400 - 470MHz",
                             "440 - 480MHz", "450 - 470MHz", "450 - 490MHz", "470 - 650MHz"})
        uhf->AddBand(band);
    uhf->SetDefaultBand("450 - 470MHz");
    ModelList->AddModel(std::move(uhf));

    auto vhf = std::make_unique<TMacType>("1475", 16, "KOV-571(VHF)");
    vhf->SetLimits(300.0, 67.0);
    vhf->SetGapBlocks(39);
    for (const char* band : {"136 - 150MHz", "136 - 174MHz", "150 - 174MHz", "216 - 223MHz"})
        vhf->AddBand(band);
    vhf->SetDefaultBand("150 - 174MHz");
    ModelList->AddModel(std::move(vhf));

    AppState->Title = "KOV-571";
}
