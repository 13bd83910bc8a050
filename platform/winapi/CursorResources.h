// The program's bitmap resources as LoadBitmapA reads them (kept apart from the window system's
// declarations, whose instance handle differs from the resource table's).
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of the program's bitmap resource (RT_BITMAP) of that name, or of that number when
// numbered: a BITMAPINFOHEADER, its colour table and the rows. False when there is none.
bool CursorFindBitmapResource(const char* name, bool numbered, std::uint16_t number, const void*& data,
                              std::size_t& size);
