// The desktop's opener behind ShellExecuteA: the desktop is asked to open the address or the
// file with whatever it associates with it. Nothing here builds or runs a command line.
#include <QDesktopServices>
#include <QGuiApplication>
#include <QString>
#include <QThread>
#include <QUrl>

#include "platform/winapi/Shell.h"

namespace {

bool OpenWithDesktop(const TShellOpenRequest& request) {
    // The desktop is reached through the running toolkit, on its own thread.
    QCoreApplication* app = QGuiApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return false;
    const QString target = QString::fromUtf8(request.Target.data(), qsizetype(request.Target.size()));
    const QUrl url = request.IsUrl ? QUrl(target, QUrl::StrictMode) : QUrl::fromLocalFile(target);
    if (!url.isValid()) return false;
    return QDesktopServices::openUrl(url);
}

// Installed with the backend library, unless something installed an opener first.
const bool gOpenerInstalled = [] {
    TShellOpener before = ShellSetOpener(OpenWithDesktop);
    if (before) ShellSetOpener(std::move(before));
    return true;
}();

} // namespace
