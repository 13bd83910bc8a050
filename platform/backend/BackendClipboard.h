// The system clipboard for the window system's clipboard functions, through Qt.
#pragma once

// Installs the Qt clipboard as the window system's clipboard store (needs a running Qt
// application); BackendUninstallClipboard puts the program's own memory store back.
void BackendInstallClipboard();
void BackendUninstallClipboard();
