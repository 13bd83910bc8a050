// A query-like data set for data-set tests: it publishes its parameters as "Params" and, each
// time it opens, loads the rows (Master, Line) of masters 1 to 3 whose Master equals the
// parameter "Master" (every row while it is null), counting its openings. Include it in one
// source file per test program (it registers its published property).
#pragma once

#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/TypInfo.h"

namespace kovtest {

class TLinesQuery : public TMemDataSet {
    KOV_CLASS(TLinesQuery, TMemDataSet)
public:
    explicit TLinesQuery(TComponent* owner) : TMemDataSet(owner) {
        FParams.CreateParam(ftInteger, "Master", ptInput);
        GetFieldDefs()->Add("Master", ftInteger);
        GetFieldDefs()->Add("Line", ftInteger);
        AfterOpen = TDataSetNotifyEvent(this, &TLinesQuery::Opened);
    }
    TParams* GetParams() const { return const_cast<TParams*>(&FParams); }
    void SetParams(TParams* value) { FParams.Assign(value); }
    Integer Openings = 0;

private:
    void Opened(TDataSet*) {
        ++Openings;
        TParam* wanted = FParams.ParamByName("Master");
        for (Integer master = 1; master <= 3; ++master)
            if (wanted->GetIsNull() || wanted->GetAsInteger() == master)
                for (Integer line = 1; line <= master; ++line) AppendRecord({master, master * 10 + line});
        First();
    }

    TParams FParams;
};

} // namespace kovtest

KOV_PUBLISHED(kovtest::TLinesQuery) {
    Property("Params", &kovtest::TLinesQuery::GetParams, &kovtest::TLinesQuery::SetParams);
}
