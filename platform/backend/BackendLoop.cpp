// One loop for two systems. When our message loop has nothing to do, the user-interface thread
// sleeps in Qt's event loop while a watcher thread waits for what our loop waits for (objects, the
// next timer on the runtime's clock); whichever comes first wakes the other. When Qt runs a loop
// of its own (a dialog), every wake of our queue and every due timer makes Qt pump our queue.
#include "platform/backend/Backend.h"
#include "platform/backend/BackendQt.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>

#include "platform/runtime/Threads.h"

namespace {

constexpr QEvent::Type PumpEventType = QEvent::Type(QEvent::User + 571);

QAbstractEventDispatcher* Dispatcher() {
    QCoreApplication* app = QCoreApplication::instance();
    return app ? QAbstractEventDispatcher::instance(app->thread()) : nullptr;
}

} // namespace

// Receives the requests to pump our queue while a loop of Qt's own runs.
class TBackendPump : public QObject {
public:
    explicit TBackendPump(TQtBackend& backend) : FBackend(backend) {}
    bool event(QEvent* e) override {
        if (e->type() != PumpEventType) return QObject::event(e);
        FPosted = false;
        FBackend.Pump();
        return true;
    }
    void Request() {
        if (FPosted.exchange(true)) return;
        QCoreApplication::postEvent(this, new QEvent(PumpEventType));
    }

private:
    TQtBackend& FBackend;
    std::atomic<bool> FPosted{false};
};

// ================================================================================================
// The watcher.

TBackendWatcher::TBackendWatcher(std::function<void()> onDone) : FOnDone(std::move(onDone)) {
    FThread = std::thread([this] { Run(); });
}

TBackendWatcher::~TBackendWatcher() {
    {
        std::lock_guard<std::mutex> guard(FLock);
        FQuit = true;
    }
    FCancel->Set();
    FChanged.notify_all();
    FThread.join();
}

void TBackendWatcher::Start(std::vector<std::shared_ptr<TKernelObject>> objects, DWORD milliseconds) {
    std::lock_guard<std::mutex> guard(FLock);
    FCancel->Reset();
    FObjects = std::move(objects);
    FObjects.push_back(FCancel);
    FMilliseconds = milliseconds;
    FHasJob = true;
    FBusy = true;
    FDone = false;
    FChanged.notify_all();
}

DWORD TBackendWatcher::Finish() {
    FCancel->Set();
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return !FBusy; });
    return FResult;
}

void TBackendWatcher::Run() {
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FChanged.wait(lock, [this] { return FHasJob || FQuit; });
        if (FQuit) return;
        FHasJob = false;
        auto objects = FObjects;
        DWORD ms = FMilliseconds;
        lock.unlock();
        DWORD result = WaitForKernelObjects(objects, false, ms);
        lock.lock();
        FResult = result;
        FObjects.clear();
        FBusy = false;
        FDone = true;
        FChanged.notify_all();
        if (result != WAIT_OBJECT_0 + DWORD(objects.size() - 1) && FOnDone) {
            lock.unlock();
            FOnDone();
            lock.lock();
        }
    }
}

// ================================================================================================

void TQtBackend::ProcessEvents() {
    if (GetCurrentThreadId() != FThreadId) return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

DWORD TQtBackend::WaitForEvents(const std::vector<std::shared_ptr<TKernelObject>>& objects,
                                DWORD milliseconds) {
    if (GetCurrentThreadId() != FThreadId) return WaitForKernelObjects(objects, false, milliseconds);
    FDelivered = false;
    ProcessEvents();
    if (FDelivered.exchange(false) || FWoken.exchange(false)) return WinWaitBackendEvents;
    // Objects already signalled (or no time to wait) need no sleep.
    DWORD now = WaitForKernelObjects(objects, false, 0);
    if (now != WAIT_TIMEOUT || milliseconds == 0) return now;

    const DWORD count = DWORD(objects.size());
    FWatcher->Start(objects, milliseconds);
    while (!FWatcher->Done() && !FWoken && !FDelivered)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    DWORD result = FWatcher->Finish();
    FWoken = false;
    FDelivered = false;
    if (result < WAIT_OBJECT_0 + count) return result; // an object was taken: that stands
    if (result == WAIT_TIMEOUT) return WAIT_TIMEOUT;
    return WinWaitBackendEvents;
}

void TQtBackend::Wake() {
    FWoken = true;
    if (auto* d = Dispatcher()) d->wakeUp();
    if (FForeignDepth > 0) static_cast<TBackendPump*>(FPumpObject.get())->Request();
}

// ---- Loops of Qt's own ------------------------------------------------------------------------------

void TQtBackend::MakePump() {
    FPumpObject = std::make_unique<TBackendPump>(*this);
    FPumpWatcher = std::make_unique<TBackendWatcher>(
        [this] { static_cast<TBackendPump*>(FPumpObject.get())->Request(); });
}

void TQtBackend::EnterForeignLoop() {
    if (FForeignDepth++ == 0) static_cast<TBackendPump*>(FPumpObject.get())->Request();
}

void TQtBackend::LeaveForeignLoop() {
    if (--FForeignDepth != 0) return;
    if (FPumpWatcher->Busy()) FPumpWatcher->Finish();
    // The keys released while the loop ran went to its window: ours learn what is held now.
    ResyncKeys();
}

void TQtBackend::ResyncKeys() {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    BackendGuard([&] {
        WinInputKeysHeld(held & Qt::ShiftModifier, held & Qt::ControlModifier, held & Qt::AltModifier);
    });
}

void TQtBackend::Pump() {
    if (FPumping || FForeignDepth == 0) return;
    FPumping = true;
    DWORD next = INFINITE;
    bool quit = false;
    BackendGuard([&] { next = WinPumpPending(&quit); });
    FPumping = false;
    if (quit) {
        // Our loop is to end: the loop of Qt's own ends first.
        for (QEventLoop* loop : FNestedLoops)
            loop->exit(0);
        return;
    }
    ArmPump(next);
}

void TQtBackend::ArmPump(DWORD milliseconds) {
    if (FPumpWatcher->Busy()) FPumpWatcher->Finish();
    if (milliseconds == 0) {
        static_cast<TBackendPump*>(FPumpObject.get())->Request();
        return;
    }
    if (milliseconds != INFINITE) FPumpWatcher->Start({}, milliseconds);
}

int TQtBackend::RunNestedLoop() {
    QEventLoop loop;
    FNestedLoops.push_back(&loop);
    EnterForeignLoop();
    int code = loop.exec();
    LeaveForeignLoop();
    FNestedLoops.pop_back();
    return code;
}

void TQtBackend::QuitNestedLoop(int code) {
    if (!FNestedLoops.empty()) FNestedLoops.back()->exit(code);
}

int BackendRunNestedLoop() {
    TQtBackend* backend = BackendInstance();
    return backend ? backend->RunNestedLoop() : -1;
}

void BackendQuitNestedLoop(int code) {
    if (TQtBackend* backend = BackendInstance()) backend->QuitNestedLoop(code);
}
