// The dialogs' fixture under the name the printing tests still include.
#pragma once

#include "tests/app/DialogFixture.h"

namespace apptest {
using BDialogFixture = DialogFixture;
} // namespace apptest
