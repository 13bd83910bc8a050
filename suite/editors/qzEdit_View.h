// Editor view data (the calculation of an editor's layout from its properties, style and state)
// and view info (the calculated layout, painted by the editor). Part of the qzEdit unit: include
// suite/editors/qzEdit.h.

#pragma once

#include "suite/editors/qzEdit.h"
