// The editor control: the container an editor's inner edit lives in, its edit value, events,
// validation, keyboard and mouse, binding to a repository item and in-place activation. Part of
// the qzEdit unit: include suite/editors/qzEdit.h.

#pragma once

#include "suite/editors/qzEdit.h"
