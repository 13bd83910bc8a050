// Bitmap resources for LoadBitmapA, from the program's resource table.
#include "platform/winapi/CursorResources.h"

#include "platform/runtime/Resources.h"

bool CursorFindBitmapResource(const char* name, bool numbered, std::uint16_t number, const void*& data,
                              std::size_t& size) {
    TResourceId id = numbered ? TResourceId(int(number)) : TResourceId(name);
    HRSRC found = FindResourceA(nullptr, id, TResourceId(RT_BITMAP));
    if (!found) return false;
    data = LockResource(LoadResource(nullptr, found));
    size = SizeofResource(nullptr, found);
    return data != nullptr;
}
