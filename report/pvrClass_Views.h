// Report views: the base view with its frame, fill and shadow, the memo, line, picture and shape
// views, and the text layout object that lays out and draws memo texts. Part of the pvrClass
// unit: include report/pvrClass.h.

#pragma once

#include "report/pvrClass.h"
