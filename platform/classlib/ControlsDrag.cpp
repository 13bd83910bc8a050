// Drag and drop between controls: a pending drag that starts once the mouse moved past the
// threshold, the drag itself with the mouse captured by a hidden window of our own, CM_DRAG to
// the targets under the mouse, and the end of the drag on the source.
#include <cstdlib>

#include <map>

#include "platform/classlib/Controls.h"
#include "platform/classlib/ImgList.h"
#include "platform/winapi/Cursor.h"

namespace {
Integer gDragThreshold = 5;
bool gDragImmediate = true;
}  // namespace

Integer GetDragThreshold() { return gDragThreshold; }
void SetDragThreshold(Integer value) { gDragThreshold = value; }
bool GetDragImmediate() { return gDragImmediate; }
void SetDragImmediate(bool value) { gDragImmediate = value; }

// The one drag that can run at a time.
class TDragEngine {
public:
    static TDragEngine& Instance() {
        static auto* engine = new TDragEngine;
        return *engine;
    }

    TControl* Control() const { return FControl; }

    void Begin(TControl* control, bool immediate, Integer threshold) {
        if (FControl != nullptr) return;
        FControl = control;
        FControlAlive = control->LivenessToken();
        FThreshold = threshold < 0 ? gDragThreshold : threshold;
        GetCursorPos(&FStartPos);
        FStarted = false;
        FFinishing = false;
        if (FWindow == nullptr) FWindow = AllocateHWnd(TWndMethod(&TDragEngine::WindowMessage));
        SetCapture(FWindow);
        if (immediate) Start(FStartPos);
    }

    void Done(bool drop) {
        if (FControl == nullptr || FFinishing) return;
        FFinishing = true;
        TControl* source = FControl;
        const TLivenessToken sourceAlive = FControlAlive;
        TDragObject* object = FObject;
        const bool ownsObject = FOwnsObject;
        TControl* target = FTarget;
        TLivenessToken targetAlive = target != nullptr ? target->LivenessToken() : TLivenessToken();
        const POINT pos = object != nullptr ? object->FDragPos : FStartPos;
        bool accepted = false;
        if (object != nullptr && target != nullptr && drop) accepted = Message(target, dmDragMove, pos) != 0;
        if (object != nullptr) object->FCancelling = !drop;
        // The engine is free again before any handler runs: a handler may start a new drag.
        FControl = nullptr;
        FObject = nullptr;
        FOwnsObject = false;
        FTarget = nullptr;
        FStarted = false;
        if (FImages != nullptr) {
            FImages->EndDrag();
            FImages = nullptr;
        }
        if (GetCapture() == FWindow) ReleaseCapture();
        FFinishing = false;
        if (object == nullptr) return;
        POINT targetPos{0, 0};
        if (target != nullptr && targetAlive) {
            targetPos = target->ScreenToClient(pos);
            object->FDragTargetPos = targetPos;
            if (accepted) {
                object->FDropped = true;
                TDragRec rec{pos, object, target, false};
                target->Perform(CM_DRAG, dmDragDrop, LPARAM(&rec));
            } else {
                TDragRec rec{pos, object, target, false};
                target->Perform(CM_DRAG, dmDragLeave, LPARAM(&rec));
            }
        }
        if (!drop && sourceAlive) source->DragCanceled();
        if (sourceAlive || !ownsObject) {
            const bool alive = accepted && targetAlive.IsAlive();
            object->Finished(alive ? static_cast<TObject*>(target) : nullptr, alive ? targetPos.x : 0,
                             alive ? targetPos.y : 0, accepted);
        }
        if (ownsObject) delete object;
        ::SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }

private:
    static void WindowMessage(TMessage& message) { Instance().Handle(message); }

    void Handle(TMessage& message) {
        switch (message.Msg) {
        case WM_MOUSEMOVE:
            if (FControl != nullptr) Move(ScreenPos(message.LParam));
            return;
        case WM_LBUTTONUP:
            if (FControl != nullptr) Done(FStarted);
            return;
        case WM_RBUTTONDOWN:
            if (FControl != nullptr) Done(false);
            return;
        case WM_CAPTURECHANGED:
            if (FControl != nullptr && HWND(message.LParam) != FWindow) Done(false);
            return;
        default:
            message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
            return;
        }
    }

    POINT ScreenPos(LPARAM lParam) const {
        POINT p = MakePointFromLParam(lParam);
        ClientToScreen(FWindow, &p);
        return p;
    }

    void Move(POINT pos) {
        if (!FControlAlive) {
            Done(false);
            return;
        }
        if (!FStarted) {
            if (std::abs(pos.x - FStartPos.x) >= FThreshold || std::abs(pos.y - FStartPos.y) >= FThreshold)
                Start(pos);
            return;
        }
        DragTo(pos);
    }

    void Start(POINT pos) {
        TDragObject* object = nullptr;
        const TLivenessToken alive = FControlAlive;
        FControl->DoStartDrag(object);
        if (!alive || FControl == nullptr) return;
        if (object == nullptr) {
            object = new TDragControlObject(FControl);
            FOwnsObject = true;
        }
        FObject = object;
        FObject->FDragPos = pos;
        FStarted = true;
        FImages = object->GetDragImages();
        if (FImages != nullptr && !FImages->BeginDrag(nullptr, pos.x, pos.y)) FImages = nullptr;
        DragTo(pos);
    }

    void DragTo(POINT pos) {
        FObject->FDragPos = pos;
        if (FImages != nullptr) FImages->DragMove(pos.x, pos.y);
        TControl* target = FindDragTarget(pos, false);
        if (target != FTarget) {
            if (FTarget != nullptr) Message(FTarget, dmDragLeave, pos);
            if (FControl == nullptr) return;
            FTarget = target;
            FObject->FDragTarget = target;
            if (target != nullptr) Message(target, dmDragEnter, pos);
            if (FControl == nullptr) return;
        }
        bool accepted = false;
        if (FTarget != nullptr) {
            accepted = Message(FTarget, dmDragMove, pos) != 0;
            if (FControl == nullptr) return;
            FObject->FDragTargetPos = FTarget->ScreenToClient(pos);
        }
        const POINT local = FTarget != nullptr ? FObject->FDragTargetPos : pos;
        ::SetCursor(CursorHandle(FObject->GetDragCursor(accepted, local.x, local.y)));
    }

    LRESULT Message(TControl* target, TDragMessage message, POINT pos) {
        TDragRec rec{pos, FObject, target, false};
        return target->Perform(CM_DRAG, WPARAM(message), LPARAM(&rec));
    }

    HWND FWindow = nullptr;
    TControl* FControl = nullptr;
    TLivenessToken FControlAlive;
    TDragObject* FObject = nullptr;
    bool FOwnsObject = false;
    TControl* FTarget = nullptr;
    TDragImageList* FImages = nullptr;  // the drag image shown, while the drag runs
    POINT FStartPos{};
    Integer FThreshold = 5;
    bool FStarted = false;
    bool FFinishing = false;
};

TControl* GetDragControl() { return TDragEngine::Instance().Control(); }

void CancelDrag() { TDragEngine::Instance().Done(false); }

TControl* FindDragTarget(POINT pos, bool allowDisabled) {
    HWND window = WindowFromPoint(pos);
    TWinControl* control = nullptr;
    while (window != nullptr && (control = FindControl(window)) == nullptr)
        window = GetParent(window);
    if (control == nullptr) return nullptr;
    TControl* child = control->ControlAtPos(control->ScreenToClient(pos), allowDisabled, false);
    return child != nullptr ? child : control;
}

// ---- Drag objects ----------------------------------------------------------------------------------

TCursor TDragObject::GetDragCursor(bool accepted, Integer x, Integer y) { return accepted ? crDrag : crNoDrop; }

void TDragObject::Finished(TObject* target, Integer x, Integer y, bool accepted) {}

void TDragObject::HideDragImage() {
    if (TDragImageList* images = GetDragImages()) images->HideDragImage();
}

void TDragObject::ShowDragImage() {
    if (TDragImageList* images = GetDragImages()) images->ShowDragImage();
}

TDragImageList* TDragControlObject::GetDragImages() { return FControl != nullptr ? FControl->GetDragImages() : nullptr; }

TCursor TDragControlObject::GetDragCursor(bool accepted, Integer x, Integer y) {
    if (!accepted) return crNoDrop;
    return FControl != nullptr ? FControl->GetDragCursor() : crDrag;
}

void TDragControlObject::Finished(TObject* target, Integer x, Integer y, bool accepted) {
    if (FControl != nullptr) FControl->DoEndDrag(target, x, y);
}

TObject* TDragControlObject::GetSource() { return FControl; }

// ---- The control's side ---------------------------------------------------------------------------

void TControl::BeginDrag(bool immediate, Integer threshold) {
    if (FDragKind != dkDrag) return;
    TDragEngine::Instance().Begin(this, immediate, threshold);
}

void TControl::BeginAutoDrag() { BeginDrag(gDragImmediate, gDragThreshold); }

void TControl::EndDrag(bool drop) {
    if (Dragging()) TDragEngine::Instance().Done(drop);
}

bool TControl::Dragging() const { return TDragEngine::Instance().Control() == this; }

void TControl::DoStartDrag(TDragObject*& dragObject) { OnStartDrag(this, dragObject); }

void TControl::DoEndDrag(TObject* target, Integer x, Integer y) { OnEndDrag(this, target, x, y); }

void TControl::DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) {
    accept = bool(OnDragOver);
    if (accept) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, Integer x, Integer y) { OnDragDrop(this, source, x, y); }

void TControl::CMDrag(TCMDrag& message) {
    TDragRec* rec = message.DragRec;
    if (rec == nullptr || rec->Source == nullptr) return;
    TObject* source = rec->Source->GetSource();
    const POINT p = ScreenToClient(rec->Pos);
    switch (message.DragMessage) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        const TDragState state = message.DragMessage == dmDragEnter   ? dsDragEnter
                                 : message.DragMessage == dmDragLeave ? dsDragLeave
                                                                      : dsDragMove;
        bool accept = false;
        DragOver(source, p.x, p.y, state, accept);
        message.Result = accept ? 1 : 0;
        break;
    }
    case dmDragDrop:
        DragDrop(source, p.x, p.y);
        break;
    case dmDragCancel:
        DragCanceled();
        break;
    case dmFindTarget:
        message.Result = LRESULT(this);
        break;
    }
}

void TWinControl::CMDrag(TCMDrag& message) {
    if (message.DragMessage == dmFindTarget && message.DragRec != nullptr) {
        TControl* child = ControlAtPos(ScreenToClient(message.DragRec->Pos), false);
        message.Result = LRESULT(child != nullptr ? child : this);
        return;
    }
    TControl::CMDrag(message);
}

// ---- Class groups ------------------------------------------------------------------------------------

namespace {
std::map<TClass, TClass>& ClassGroups() {
    static std::map<TClass, TClass> groups;
    return groups;
}
}  // namespace

void GroupDescendentsWith(TClass cls, TClass ancestor) {
    if (cls != nullptr) ClassGroups()[cls] = ancestor;
}

TClass GetClassGroup(TClass cls) {
    auto it = ClassGroups().find(cls);
    return it != ClassGroups().end() ? it->second : nullptr;
}
