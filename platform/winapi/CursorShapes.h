// The drawings behind the standard and named cursors and the standard icons (used by Cursor.cpp).
#pragma once

#include <memory>
#include <string>

#include "platform/winapi/Cursor.h"

// A cursor by key: "#nnnnn" for a standard one (IDC_*), the upper-case name for a named one;
// null when there is no such drawing.
std::shared_ptr<const TCursorImage> CursorStandardShape(const std::string& key);
// A standard icon (IDI_*) by number; null for another number.
std::shared_ptr<const TCursorImage> IconStandardShape(WORD id);
