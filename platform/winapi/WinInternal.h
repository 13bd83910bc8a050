// The window system's own state, shared by its source files: windows, classes, queues, timers,
// hooks and the input state, all under one lock. Nothing outside the Win*.cpp files uses this.
//
// Rules: the lock is held only while state is read or changed; it is never held while a window
// procedure, a hook, a timer procedure, the backend or a wait runs (CheckUnlocked enforces it).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/runtime/SyncObjs.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/Region.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"

namespace WinInternal {

// Region arithmetic by value.
inline GdiRegion operator&(GdiRegion a, const GdiRegion& b) { return a &= b; }
inline GdiRegion operator|(GdiRegion a, const GdiRegion& b) { return a |= b; }
inline GdiRegion operator-(GdiRegion a, const GdiRegion& b) { return a -= b; }

// ---- The lock --------------------------------------------------------------------------------

class TStateMutex {
public:
    void lock();
    void unlock();

private:
    std::recursive_mutex FMutex;
};
TStateMutex& StateMutex();
using TLock = std::unique_lock<TStateMutex>;
// Aborts when the calling thread holds the lock: a call-out under the lock could deadlock.
void CheckUnlocked();
// Runs op on this thread as soon as it no longer holds the lock (at once when it does not). The
// backend is told of changes this way, never under the lock.
void AfterUnlock(std::function<void()> op);

// ---- Classes and windows ---------------------------------------------------------------------

struct TWndClass {
    String Name;
    ATOM Atom = 0;
    UINT Style = 0;
    WNDPROC Proc = nullptr;
    int ClsExtra = 0;
    int WndExtra = 0;
    HINSTANCE Instance = nullptr;
    HICON Icon = nullptr;
    HICON IconSm = nullptr;
    HCURSOR Cursor = nullptr;
    HBRUSH Background = nullptr;
    LPCSTR MenuName = nullptr; // as given (a string is copied into MenuNameText)
    String MenuNameText;
    std::vector<BYTE> Extra;
    int Windows = 0; // live windows of the class
    bool System = false;
};

// The image of a top-level window.
struct TSurface {
    std::vector<GdiPixel> Pixels;
    int Width = 0;
    int Height = 0;
    GdiSurface View() {
        GdiSurface s;
        s.Bits = reinterpret_cast<std::uint8_t*>(Pixels.data());
        s.Width = Width;
        s.Height = Height;
        s.Stride = std::ptrdiff_t(Width) * 4;
        return s;
    }
};

struct TWnd {
    HWND Handle = nullptr;
    std::shared_ptr<TWndClass> Class;
    DWORD ThreadId = 0;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    WNDPROC Proc = nullptr;
    HINSTANCE Instance = nullptr;
    LONG_PTR Id = 0; // GWL_ID of a child, the menu of a top-level window
    LONG_PTR UserData = 0;
    std::vector<BYTE> Extra;
    String Text;
    HICON BigIcon = nullptr;   // WM_SETICON; the window does not own them
    HICON SmallIcon = nullptr;
    TWnd* Parent = nullptr; // the desktop (or the message root) for top-level windows
    TWnd* Owner = nullptr;
    std::vector<TWnd*> Children; // front: the top of the z-order
    RECT Rect{};                 // in the parent's client coordinates (screen for top-level)
    RECT Client{};               // the client area in window coordinates
    RECT NormalRect{};           // where a maximized or minimized window returns to
    HRGN Region = nullptr;       // window coordinates; owned by the window
    // Painting.
    GdiRegion Update; // client coordinates
    bool Erase = false;
    bool NcPaint = false;
    bool InternalPaint = false;
    bool BeganPaint = false;
    // Life.
    bool Destroying = false;
    bool Destroyed = false;
    std::vector<std::pair<String, HANDLE>> Props;
    TWndMethod UtilMethod;
    std::unique_ptr<TSurface> Surface; // top-level windows
    HCURSOR CursorOverride = nullptr;
};

// The special windows: the desktop is the parent of every top-level window; windows created with
// HWND_MESSAGE hang below the message root and are seen by nobody.
TWnd* Desktop();
TWnd* MessageRoot();

// With the lock held. Null for a handle that is not a live window.
TWnd* Find(HWND window);
std::shared_ptr<TWnd> FindShared(HWND window);
// Registers a new window and gives it its handle.
TWnd* AddWindow(std::shared_ptr<TWnd> window);
// Takes a destroyed window out of the table.
void RemoveWindow(TWnd* window);
// Every live window (not the desktop), in no particular order.
std::vector<TWnd*> AllWindows();

std::shared_ptr<TWndClass> FindClass(LPCSTR nameOrAtom);

bool IsTopLevel(const TWnd* w); // a child of the desktop or the message root
bool IsChildStyle(const TWnd* w);
TWnd* TopLevelOf(TWnd* w);
bool IsAncestor(const TWnd* ancestor, const TWnd* w); // strictly above
bool IsVisibleChain(const TWnd* w);
bool IsEnabledChain(const TWnd* w);
// Screen positions.
POINT ClientOrigin(const TWnd* w); // screen position of the client area's top-left
RECT ScreenWindowRect(const TWnd* w);
RECT ScreenClientRect(const TWnd* w);
// What the display shows of a window with a caption, whose caption and frame the window manager
// draws: the window less those (the menu bar, scroll bars and client edge stay in); the whole
// window for others.
RECT ScreenContentRect(const TWnd* w);
// Offset of the window's top-left from its top-level window's top-left.
POINT OffsetInTopLevel(const TWnd* w);
GdiRegion WindowRegion(const TWnd* w); // window coordinates; the whole window without a region
// Z-order.
void Unlink(TWnd* w);
void LinkAt(TWnd* w, TWnd* parent, HWND insertAfter);

// ---- Calling window procedures -----------------------------------------------------------------

// Calls the procedure (without hooks); the lock must not be held.
LRESULT CallProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window's current procedure (0 when the window is gone).
LRESULT CallWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A send on the caller's own thread through the WH_CALLWNDPROC hooks.
LRESULT SendSameThread(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool fromOtherThread);

// ---- Queues ------------------------------------------------------------------------------------

struct TSentMessage {
    HWND Window = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    DWORD Sender = 0;
    bool Notify = false;    // nobody waits
    bool Abandoned = false; // the sender stopped waiting
    bool Replied = false;
    LRESULT Result = 0;
    std::shared_ptr<TEventObject> Done = std::make_shared<TEventObject>(true, false);
};

struct TQueuedInput {
    MSG Msg;
    LRESULT HitTest = HTCLIENT;
};

struct TQueue {
    DWORD ThreadId = 0;
    std::deque<MSG> Posted;
    std::deque<TQueuedInput> Input;
    std::deque<std::shared_ptr<TSentMessage>> Sent;
    bool QuitPending = false;
    int QuitCode = 0;
    UINT ChangeBits = 0; // QS_* kinds that arrived since the last look
    bool SyncPending = false;
    BYTE KeyState[256] = {}; // as of the last message retrieved
    DWORD LastTime = 0;
    POINT LastPos{};
    bool Dead = false;
};

// With the lock held.
TQueue* QueueOf(DWORD threadId);
TQueue* CurrentQueue(); // created when missing
// Marks new messages of the given kinds and wakes whoever waits for them.
void NotifyQueue(TQueue* queue, UINT bits);
// Kinds of messages present (QS_* bits), without timers due.
UINT PresentBits(TQueue* queue);
// Sets QS_TIMER in the change bits when a timer of the thread is due; returns the earliest due
// time (monotonic microseconds) of the thread's timers, or -1.
Int64 CheckTimers(DWORD threadId);
// Takes a due timer that matches the filter for WM_TIMER; false when none.
bool TakeTimer(DWORD threadId, HWND filter, bool remove, MSG& msg);
bool TimerDue(DWORD threadId);
// Whether a live timer of the window (or thread timer) with this id calls proc.
bool TimerHasProc(HWND window, UINT_PTR id, TIMERPROC proc);
bool MatchesWindow(HWND filter, HWND window);
void PurgeWindowMessages(TWnd* w);
void KillWindowTimers(HWND window);

// Posts into a queue (posted messages).
bool PostTo(TQueue* queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Input from the display, already aimed at its window.
void QueueInput(TWnd* target, const MSG& msg, LRESULT hitTest);
// Serves the sends waiting for the calling thread (and the workers' queued calls on the
// user-interface thread); true when something ran.
bool ServeSent();

// ---- Hooks -------------------------------------------------------------------------------------

bool HasHooks(int idHook);
// Runs the chain; the lock must not be held. Returns the first hook's result (0 without hooks).
LRESULT CallHooks(int idHook, int code, WPARAM wParam, LPARAM lParam);

// ---- Input ---------------------------------------------------------------------------------------

struct TInputState {
    POINT Cursor{};
    BYTE AsyncKeys[256] = {};
    BYTE AsyncPressed[256] = {};
    bool AltAlone = false;
    UINT DoubleClickTime = 500;
    // The last button press, for double clicks.
    HWND ClickWindow = nullptr;
    UINT ClickMessage = 0;
    DWORD ClickTime = 0;
    POINT ClickPos{};
    bool ClickWasDouble = false;
    // Mouse tracking.
    HWND TrackWindow = nullptr;
    DWORD TrackFlags = 0;
    HWND MouseWindow = nullptr; // under the pointer at the last move
    LRESULT MouseHit = HTNOWHERE;
    HCURSOR Cursor0 = nullptr;
    // Focus, activation, capture.
    HWND Focus = nullptr;
    HWND Active = nullptr;
    HWND Capture = nullptr;
    HWND Locked = nullptr; // LockWindowUpdate
};
TInputState& Input(); // with the lock held

// When a mouse or key message is taken off the queue: the key state follows it.
void SyncKeyState(TQueue* queue, const TQueuedInput& input);
// Before a mouse message is returned: WM_MOUSEACTIVATE and WM_SETCURSOR. False when the message
// is to be dropped (the click activated and was eaten).
bool PrepareMouseMessage(const TQueuedInput& input);

// ---- Windows, geometry, painting ---------------------------------------------------------------

// Internal SetWindowPos; fromDisplay: the change comes from the window manager, do not echo it.
BOOL SetWindowPosCore(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags,
                      bool fromDisplay);
// Called after a top-level window changed in a way the display shows.
void SurfaceUpdate(TWnd* top);
// The region of a window a context may draw on, in the context's coordinates (client or
// window), clipped by ancestors, siblings and (optionally) children.
GdiRegion VisibleRegion(const TWnd* w, bool windowArea, bool clipChildren, bool clipSiblings);
// Invalidation in client coordinates.
void InvalidateTree(TWnd* w, const GdiRegion& region, UINT flags, bool frame, bool root = true);
void ValidateTree(TWnd* w, const GdiRegion& region, UINT flags);
bool NeedsPaint(const TWnd* w);
// The first window of the thread that needs WM_PAINT and matches the filter, or null.
HWND FindPaintWindow(DWORD threadId, HWND filter);
// Makes sure a top-level window has an image of its size; re-aims the contexts on it.
void EnsureSurface(TWnd* top);
void RetargetContexts(TWnd* top);
void DropWindowContexts(HWND window);
void PresentWindowArea(TWnd* w, const RECT& windowRect);
// The frame a window of these styles has (window-rect inset to the client rect).
RECT FrameInsets(DWORD style, DWORD exStyle, bool menu);
// The width of a window's outer frame (sizing, dialog or thin border), without edges or caption.
int BorderWidth(DWORD style, DWORD exStyle);
// The limits WM_GETMINMAXINFO starts from.
MINMAXINFO DefaultMinMax(DWORD style, DWORD exStyle);
// A top-level window with a menu has a menu bar.
bool HasMenuBar(const TWnd* w);
void DrawNonClient(HWND window, HDC dc);
// Hit testing of the window tree; HTNOWHERE when no window of ours is under the point.
HWND HitTest(POINT screen, LRESULT& hit, bool& disabled);
void ActivateOther(HWND leaving);
// Activation by a mouse click (WA_CLICKACTIVE).
HWND ClickActivate(HWND window);
void FocusAfterHide(HWND window);

// Broadcast targets, in z-order.
std::vector<HWND> TopLevelWindows();

} // namespace WinInternal
