// Print rows the printout takes from windows that are not shown.
#pragma once

// Creates the function settings dialog without showing it, appends its fifteen settings rows to
// the data module's myAdo and frees it.
void AddFunctionPrintRows();
