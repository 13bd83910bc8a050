// The display's common dialogs (Qt's file, font and colour dialogs, and small print dialogs of
// our own) as the class library's dialog presenter.
#pragma once

// Installs them (once; Qt must be running). The program's main calls it after BackendInstall.
void BackendInstallDialogs();
