// Data-set filter texts: any text is parsed, and applied to a few records, or refused with the
// data set's error; nothing else may happen.
#include <cstddef>
#include <cstdint>

#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/DateTime.h"

namespace {

TMemDataSet* Channels() {
    static TMemDataSet* dataSet = [] {
        auto* d = new TMemDataSet(nullptr);
        d->SetName("channels");
        d->GetFieldDefs()->Add("ID", ftInteger);
        d->GetFieldDefs()->Add("Name", ftString, 20);
        d->GetFieldDefs()->Add("Freq", ftFloat);
        d->GetFieldDefs()->Add("Active", ftBoolean);
        d->GetFieldDefs()->Add("Added", ftDateTime);
        d->CreateDataSet();
        d->AppendRecord({1, "Alpha", 136.5, true, VarFromDateTime(EncodeDate(2024, 1, 5))});
        d->AppendRecord({2, Null(), 150.25, false, Null()});
        d->SetFiltered(true);
        return d;
    }();
    return dataSet;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemDataSet* dataSet = Channels();
    try {
        dataSet->SetFilter(String(reinterpret_cast<const char*>(data), size));
        for (dataSet->First(); !dataSet->GetEof(); dataSet->Next()) {
        }
    } catch (const EDatabaseError&) {
    }
    try {
        dataSet->SetFilter("");
    } catch (const Exception&) {
        __builtin_trap();
    }
    return 0;
}
