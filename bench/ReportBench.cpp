// Preparing the channel list (tests/fixtures/report/ChannelList.xml over the print data module)
// into about 5 and about 500 pages: the cost should grow with the page count, not faster.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrDBSet.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_isysrtti.h"

namespace {

std::string Fixture(const char* name) { return std::string(KOV_SOURCE_DIR) + "/tests/fixtures/report/" + name; }

void PrepareChannelList(benchmark::State& state) {
    RegisterSysRTTI();
    // The bridge's class is registered by its unit, which this reference links in.
    (void)TpvrDBDataset::StaticClass();
    auto app = std::make_unique<TApplication>(nullptr);
    std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
    std::ifstream form(Fixture("PrintData.form"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(form)), std::istreambuf_iterator<char>());
    ReadComponentText(text, module.get());
    auto* ado = dynamic_cast<TMemDataSet*>(module->FindComponent("myAdo"));
    auto* report = dynamic_cast<TpvrReport*>(module->FindComponent("pvrReport"));
    if (!dynamic_cast<TpvrDBDataset*>(module->FindComponent("pvrDataset")) || !ado || !report) {
        state.SkipWithError("print data module incomplete");
        return;
    }
    // About 31 records a page.
    const Integer records = Integer(state.range(0)) * 31;
    ado->CreateDataSet();
    for (Integer n = 1; n <= records; ++n) {
        ado->Append();
        ado->FieldByName("TypeID")->SetAsVariant(Variant(Integer(1)));
        ado->FieldByName("TypeName")->SetAsVariant(Variant(String("Type 1")));
        ado->FieldByName("AField")->SetAsVariant(Variant(String("Channel ") + IntToStr(n)));
        ado->FieldByName("AValue")->SetAsVariant(Variant(IntToStr(n * 125)));
        ado->FieldByName("BField")->SetAsVariant(Variant(String("Tone")));
        ado->FieldByName("BValue")->SetAsVariant(Variant(String("off")));
        ado->Post();
    }
    if (!report->LoadFromFile(Fixture("ChannelList.xml"))) {
        state.SkipWithError("fixture not found");
        return;
    }
    report->GetEngineOptions()->SetNewSilentMode(simSilent);
    Integer pages = 0;
    for (auto _ : state) {
        if (!report->PrepareReport()) {
            state.SkipWithError("preparation failed");
            return;
        }
        pages = report->GetPreviewPages()->GetCount();
    }
    state.counters["pages"] = double(pages);
}

} // namespace

BENCHMARK(PrepareChannelList)->Arg(5)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
