// The filter-operator adapters of data sets: on a data set whose class name holds "Query" a
// condition on a null value writes SQL's IS NULL / IS NOT NULL in filter expressions.
#pragma once

#include "suite/data/qzDB.h"
#include "suite/data/qzFilter.h"

class TqzDBFilterOperatorAdapter : public TqzDBAdapterItem {
    KOV_CLASS(TqzDBFilterOperatorAdapter, TqzDBAdapterItem)
public:
    using TqzDBAdapterItem::TqzDBAdapterItem;
    // A null or not-null operator class on a data set whose class name contains "Query" (case
    // ignored) becomes TqzFilterSQLNullOperator or TqzFilterSQLNotNullOperator.
    virtual void AdjustOperatorClass(TqzFilterCriteriaItem* condition, TDataSet* dataSet,
                                     TqzFilterOperatorClass& operatorClass);
};

// Name IS NULL
class TqzFilterSQLNullOperator : public TqzFilterNullOperator {
    KOV_CLASS(TqzFilterSQLNullOperator, TqzFilterNullOperator)
public:
    using TqzFilterNullOperator::TqzFilterNullOperator;
    String Symbol() override { return "IS"; }
};

// Name IS NOT NULL
class TqzFilterSQLNotNullOperator : public TqzFilterNotNullOperator {
    KOV_CLASS(TqzFilterSQLNotNullOperator, TqzFilterNotNullOperator)
public:
    using TqzFilterNotNullOperator::TqzFilterNotNullOperator;
    String Symbol() override { return "IS NOT"; }
};

// The adapter list of filter operators (TqzDBFilterOperatorAdapter for TDataSet from the start).
TqzDBAdapterList* GetFilterOperatorAdapters();
// The adapter for the data set's class; nullptr without a data set or a registered class it
// inherits.
TqzDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* dataSet);
