// The drawn message box as the program's prompt presenter: at start-up this unit installs
// MessageBoxA (platform/winapi/WinMessageBox.h) behind PlatformMessageBox, so the prompts of
// every layer (Application->MessageBox, the error box of HandleException) show as our own modal
// window over the active window. A TScopedPromptScript still answers before it.
#pragma once

#include "platform/runtime/Prompts.h"

// The presenter installed at start-up: MessageBoxA over the active window (or, without one,
// the application's main form when it has a window).
int ShowDrawnMessageBox(const String& text, const String& caption, UINT flags);
// Installs ShowDrawnMessageBox as the prompt presenter; done at start-up and again by every
// TApplication made.
void InstallDrawnMessageBox();
