// The Qt side of the display, shared by the backend's source files.
#pragma once

#include <QBackingStore>
#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QWindow>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/winapi/WinBackendInterface.h"

class TQtBackend;

// The Qt window of one top-level window: it shows the window's image and hands its events in.
class TBackendSurface : public QWindow {
public:
    TBackendSurface(TQtBackend& backend, HWND window);
    ~TBackendSurface() override;

    HWND Window() const { return FWindow; }
    void Apply(const TWinSurfaceState& state);
    // Copies the part of the image (window coordinates) into the backing store and shows it.
    void Present(const RECT& rect);
    // What the window shows now, in its own coordinates.
    QImage Shown() const;
    // The offset of what the Qt window shows inside the window's image.
    QPoint ImageOffset() const { return FImageOffset; }
    const TWinSurfaceState& State() const { return FState; }

protected:
    bool event(QEvent* e) override;
    void exposeEvent(QExposeEvent* e) override;

private:
    void PresentAll();
    QImage ImageView() const;
    void ReportGeometry();

    TQtBackend& FBackend;
    HWND FWindow;
    TWinSurfaceState FState;
    QPoint FImageOffset;
    QRect FAppliedGeometry;
    bool FApplying = false;
    std::unique_ptr<QBackingStore> FStore;
};

// Runs one waiting call of the window system at a time on a thread of its own, so that the
// user-interface thread can sleep in Qt's event loop meanwhile; Qt is woken when it ends.
class TBackendWatcher {
public:
    explicit TBackendWatcher(std::function<void()> onDone);
    ~TBackendWatcher();
    void Start(std::vector<std::shared_ptr<TKernelObject>> objects, DWORD milliseconds);
    bool Done() const { return FDone; }
    // Ends the wait at once and returns its result: an object's index, WAIT_TIMEOUT, or the index
    // just past the objects when it was cancelled.
    DWORD Finish();
    bool Busy() const { return FBusy; }

private:
    void Run();

    std::function<void()> FOnDone;
    std::shared_ptr<TEventObject> FCancel = std::make_shared<TEventObject>(false, false);
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<std::shared_ptr<TKernelObject>> FObjects;
    DWORD FMilliseconds = 0;
    bool FHasJob = false;
    bool FBusy = false;
    bool FQuit = false;
    std::atomic<bool> FDone{false};
    DWORD FResult = 0;
    std::thread FThread;
};

class TQtBackend : public TWinBackend {
public:
    TQtBackend();
    ~TQtBackend() override;

    DWORD EventThreadId() const override { return FThreadId; }
    RECT ScreenRect() const override;
    RECT WorkArea() const override;
    std::vector<TWinScreen> Screens() const override;
    void SurfaceChanged(const TWinSurfaceState& state) override;
    void SurfaceDestroyed(HWND window) override;
    void SurfacePresent(HWND window, const RECT& rect) override;
    void SurfaceActivate(HWND window) override;
    void CursorChanged(HCURSOR cursor) override;
    // The cursor every surface shows (the current one, or none while the show count is below 0).
    const QCursor& CurrentCursor() const { return FCursor; }
    void RefreshCursor();
    void ProcessEvents() override;
    DWORD WaitForEvents(const std::vector<std::shared_ptr<TKernelObject>>& objects,
                        DWORD milliseconds) override;
    void Wake() override;

    TBackendSurface* Surface(HWND window) const;
    // Connections of the backend end with this object.
    QObject* Context() const { return FContext.get(); }
    // Called by the surfaces whenever they handed something in: a wait in progress looks again.
    void Delivered() { FDelivered = true; }
    // Qt activated a surface: true when that was the window manager's (or the user's) doing
    // rather than the answer to our own request.
    bool ActivatedByOthers(HWND window);

    // Loops of Qt's own.
    int RunNestedLoop();
    void QuitNestedLoop(int code);
    void EnterForeignLoop();
    void LeaveForeignLoop();
    // Our key state made to agree with the keyboard, after keys went to windows not ours.
    void ResyncKeys();

private:
    friend class TBackendPump;
    void MakePump();
    void Pump();
    void ArmPump(DWORD milliseconds);

    void RefreshScreen();

    DWORD FThreadId;
    std::unique_ptr<QObject> FContext = std::make_unique<QObject>();
    // The screen as Qt last reported it; read from any thread.
    mutable std::mutex FScreenLock;
    RECT FScreen{0, 0, 1024, 768};
    RECT FWork{0, 0, 1024, 768};
    std::vector<TWinScreen> FScreens;
    std::map<HWND, TBackendSurface*> FSurfaces;
    HCURSOR FCursorHandle = nullptr;
    HWND FRequestedActive = nullptr;
    QCursor FCursor;
    std::atomic<bool> FWoken{false};
    std::atomic<bool> FDelivered{false};
    std::unique_ptr<TBackendWatcher> FWatcher;
    std::unique_ptr<QObject> FPumpObject;
    std::unique_ptr<TBackendWatcher> FPumpWatcher;
    std::atomic<int> FForeignDepth{0};
    bool FPumping = false;
    std::vector<class QEventLoop*> FNestedLoops;
};

TQtBackend* BackendInstance();
// Runs a piece of code that a Qt event called, keeping exceptions out of Qt's dispatch.
void BackendGuard(const std::function<void()>& body);
// The virtual key for a Qt key event (0 when there is none) and whether it is an extended key.
UINT BackendVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey, bool& extended);
