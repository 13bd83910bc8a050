#include "suite/data/qzDBFilter.h"

#include "platform/runtime/Strings.h"

namespace {

struct TFilterAdapterUnit {
    TFilterAdapterUnit() {
        Adapters.RegisterAdapter(TDataSet::StaticClass(), DBAdapterItemClass<TqzDBFilterOperatorAdapter>());
    }
    TqzDBAdapterList Adapters;
};

TFilterAdapterUnit& Unit() {
    static TFilterAdapterUnit unit;
    return unit;
}

const bool kUnitStarted = (Unit(), true);

} // namespace

void TqzDBFilterOperatorAdapter::AdjustOperatorClass(TqzFilterCriteriaItem*, TDataSet* dataSet,
                                                     TqzFilterOperatorClass& operatorClass) {
    const TqzFilterOperatorClass nullClass = FilterOperatorClass<TqzFilterNullOperator>();
    const TqzFilterOperatorClass notNullClass = FilterOperatorClass<TqzFilterNotNullOperator>();
    if (!operatorClass->InheritsFrom(nullClass)) return; // the not-null class descends from it
    if (dataSet == nullptr || AnsiPos("QUERY", AnsiUpperCase(dataSet->ClassName())) == 0) return;
    operatorClass = operatorClass->InheritsFrom(notNullClass)
                        ? FilterOperatorClass<TqzFilterSQLNotNullOperator>()
                        : FilterOperatorClass<TqzFilterSQLNullOperator>();
}

TqzDBAdapterList* GetFilterOperatorAdapters() { return &Unit().Adapters; }

TqzDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* dataSet) {
    if (dataSet == nullptr) return nullptr;
    TqzDBAdapterList* adapters = GetFilterOperatorAdapters();
    Integer index = -1;
    if (!adapters->FindAdapter(dataSet->ClassType(), index)) return nullptr;
    return dynamic_cast<TqzDBFilterOperatorAdapter*>(adapters->Adapters(index));
}
