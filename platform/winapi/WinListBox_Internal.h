// How a combo box and its list ("ComboLBox") talk to each other; nothing else uses this.
//
// The list of a combo box is a list box that belongs to the combo: it is created with the combo's
// handle as its creation parameter, sends its owner-draw messages to the combo's parent as
// ODT_COMBOBOX items of the combo, its colour question to the combo's parent too, and its
// notifications (as if it had LBS_NOTIFY) to the combo. While dropped down it holds the capture:
// the mouse moving over it highlights the item under the pointer without notifying, a click on
// an item accepts it, a click anywhere else (or losing the capture) cancels.
#pragma once

#include "platform/winapi/WinCore.h"

constexpr const char* WC_COMBOLBOXA = "ComboLBox";

enum class TComboListEvent { Accept, Cancel };

// The list (dropped) tells its combo that the user accepted an item or cancelled. Defined beside
// the combo box.
void WinComboListEvent(HWND combo, TComboListEvent event);

// The combo tells its list that it dropped down (byMouse: the left button is still down from the
// press that opened it, so the release picks the item under the pointer only over the list) or
// closed up.
void WinComboListDropped(HWND list, bool dropped, bool byMouse);
// Moves the highlight of the list without notifying anyone (hot tracking and restoring).
void WinComboListSetSelection(HWND list, int index);
// The height of the list's items from first for count items (the fixed height for every item
// past the last).
int WinComboListItemsHeight(HWND list, int first, int count);
