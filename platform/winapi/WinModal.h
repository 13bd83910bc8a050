// Modality: while a modal window runs, the other windows of its thread are disabled, so that
// clicks on them are swallowed and they cannot be activated; afterwards exactly those windows are
// enabled again.
#pragma once

#include <vector>

#include "platform/winapi/WinCore.h"

// Disables every enabled, visible top-level window of the calling thread except `except`
// (EnableWindow: WM_CANCELMODE, WM_ENABLE), in z-order, and returns the windows it disabled.
std::vector<HWND> WinDisableTaskWindows(HWND except);
// Enables the windows again (those still alive), in the order given.
void WinEnableTaskWindows(const std::vector<HWND>& windows);
