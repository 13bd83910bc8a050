#include "app/myPrint.h"

#include <memory>

#include "app/BFunSet.h"

void AddFunctionPrintRows() {
    std::unique_ptr<TfBFunSet> dialog(new TfBFunSet(nullptr));
    dialog->AddPrintRows();
}
