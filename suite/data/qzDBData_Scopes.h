// Brackets the data-set binding closes on every exit.
#pragma once

#include <exception>

#include "platform/classlib/DB.h"

namespace qzdbdata {

// Sets a flag for the duration of a scope and puts the old value back.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag, bool value = true) : FFlag(flag), FSaved(flag) { FFlag = value; }
    ~TFlagScope() { FFlag = FSaved; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FSaved;
};

// Disables a data set's controls (none without a data set or when not asked) and enables them
// again.
class TControlsDisabled {
public:
    explicit TControlsDisabled(TDataSet* dataSet, bool disable = true) : FDataSet(disable ? dataSet : nullptr) {
        if (FDataSet) FDataSet->DisableControls();
    }
    // A failure while enabling them propagates, unless another error is already on its way.
    ~TControlsDisabled() noexcept(false) {
        if (!FDataSet) return;
        if (std::uncaught_exceptions() <= FExceptions) {
            FDataSet->EnableControls();
            return;
        }
        try {
            FDataSet->EnableControls();
        } catch (...) {
        }
    }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TDataSet* FDataSet;
    int FExceptions = std::uncaught_exceptions();
};

} // namespace qzdbdata
