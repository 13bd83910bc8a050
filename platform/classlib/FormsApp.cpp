// The application object: its hidden window, the message loop, the idle step and the way
// exceptions are shown; the program's global objects; data modules; the definition-reader hook.
#include <mutex>

#include "platform/classlib/Hints.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MsgBox.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/WinBackendInterface.h"

// ---- The global objects ---------------------------------------------------------------------------

namespace {

// Made on first use; at exit the application goes first (its forms still see the screen).
struct TGlobals {
    std::unique_ptr<TMouse> MouseObject;
    std::unique_ptr<TScreen> ScreenObject;
    std::unique_ptr<TApplication> ApplicationObject;
    ~TGlobals() {
        ApplicationObject.reset();
        ScreenObject.reset();
        MouseObject.reset();
    }
};

// The application made last and still alive (a test's own, or the program's).
TApplication* gCurrentApplication = nullptr;

TGlobals& Globals() {
    static TGlobals globals;
    return globals;
}

TInitInheritedComponentHook& DefinitionHook() {
    static auto* hook = new TInitInheritedComponentHook;
    return *hook;
}

} // namespace

// Forms without an icon of their own show this one.
HICON CurrentApplicationIcon() {
    if (!gCurrentApplication || gCurrentApplication->GetIcon()->GetEmpty()) return nullptr;
    return gCurrentApplication->GetIcon()->GetHandle();
}

template <>
TApplication* TGlobalObject<TApplication>::Get() const {
    if (gCurrentApplication) return gCurrentApplication;
    TGlobals& g = Globals();
    if (!g.ApplicationObject) g.ApplicationObject = std::make_unique<TApplication>(nullptr);
    return g.ApplicationObject.get();
}

template <>
TScreen* TGlobalObject<TScreen>::Get() const {
    TGlobals& g = Globals();
    if (!g.ScreenObject) g.ScreenObject = std::make_unique<TScreen>(nullptr);
    return g.ScreenObject.get();
}

template <>
TMouse* TGlobalObject<TMouse>::Get() const {
    TGlobals& g = Globals();
    if (!g.MouseObject) g.MouseObject = std::make_unique<TMouse>();
    return g.MouseObject.get();
}

const TGlobalObject<TApplication> Application;
const TGlobalObject<TScreen> Screen;
const TGlobalObject<TMouse> Mouse;

TInitInheritedComponentHook SetInitInheritedComponentHook(TInitInheritedComponentHook hook) {
    std::swap(DefinitionHook(), hook);
    return hook;
}

bool InitInheritedComponent(TComponent* instance, TClass rootAncestor) {
    TInitInheritedComponentHook hook = DefinitionHook();
    return hook ? hook(instance, rootAncestor) : false;
}

String ExceptionMessageText(const String& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

TCustomForm* GetParentForm(const TControl* control) {
    if (!control) return nullptr;
    return dynamic_cast<TCustomForm*>(GetParentFormControl(control));
}

// ---- Data modules -------------------------------------------------------------------------------

TDataModule::TDataModule(TComponent* owner) : TComponent(owner), FNeedsDefinition(true) {
    Screen->AddDataModule(this);
}

TDataModule::TDataModule(TComponent* owner, TCreateNew) : TComponent(owner) { Screen->AddDataModule(this); }

TDataModule::~TDataModule() {
    Destroying();
    if (!FDestroyed) {
        FDestroyed = true;
        try {
            DoDestroy();
        } catch (...) {
            Application->HandleException(this);
        }
    }
    DestroyComponents();
    Screen->RemoveDataModule(this);
}

void TDataModule::CompleteCreateForm() {
    FCreateFormPending = false;
    AfterConstruction();
}

void TDataModule::AfterConstruction() {
    if (FConstructed || FCreateFormPending) return;
    FConstructed = true;
    if (FNeedsDefinition) {
        IncludeComponentState(csLoading);
        try {
            InitInheritedComponent(this, TDataModule::StaticClass());
        } catch (...) {
            ExcludeComponentState(csLoading);
            throw;
        }
        ExcludeComponentState(csLoading);
    }
    DoCreate();
}

void TDataModule::DoCreate() {
    try {
        OnCreate(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TDataModule::DoDestroy() { OnDestroy(this); }

// ---- TApplication -------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    FPreviousApplication = gCurrentApplication;
    gCurrentApplication = this;
    FIcon = std::make_unique<TIcon>();
    // The program's icon: the resource "MAINICON" (the bytes of an icon file), when the program
    // has one.
    if (FindResource(HInstance, TResourceId("MAINICON"), TResourceId(RT_GROUP_ICON))) {
        TResourceStream icon(HInstance, TResourceId("MAINICON"), TResourceId(RT_GROUP_ICON));
        FIcon->LoadFromStream(&icon);
    }
    InstallDrawnMessageBox();
    // Hints follow every message the thread retrieves, in our loops and in modal ones.
    InstallHintHook();
    FOldExceptionHandler = WinSetExceptionHandler([this](std::exception_ptr error) { HandleException(this, error); });
}

void TApplication::CancelHint() { CancelApplicationHint(); }

TApplication::~TApplication() {
    Destroying();
    DestroyComponents();
    WinSetExceptionHandler(FOldExceptionHandler);
    if (!FPreviousApplication) {
        CancelApplicationHint();
        RemoveHintHook();
    }
    if (FHandle) DeallocateHWnd(FHandle);
    if (gCurrentApplication == this) gCurrentApplication = FPreviousApplication;
}

HWND TApplication::GetHandle() {
    if (!FHandle && !FHandleCreated) {
        FHandleCreated = true;
        FHandle = AllocateHWnd(MakeEvent(this, &TApplication::WndProc));
        if (FHandle) SetWindowTextA(FHandle, GetTitle().c_str());
    }
    return FHandle;
}

String TApplication::GetExeName() const { return ParamStr(0); }

String TApplication::GetTitle() const {
    if (!FTitle.empty()) return FTitle;
    return ChangeFileExt(ExtractFileName(GetExeName()), "");
}

void TApplication::SetTitle(const String& value) {
    FTitle = value;
    if (FHandle) SetWindowTextA(FHandle, FTitle.c_str());
}

void TApplication::SetIcon(TIcon* value) { FIcon->Assign(value); }

void TApplication::SetHint(const String& value) {
    if (FHint == value) return;
    FHint = value;
    try {
        OnHint(this);
    } catch (...) {
        HandleException(this);
    }
}

void TApplication::CreateForm(TClass instanceClass, TComponent** reference) {
    TObject* object = nullptr;
    {
        const kov_detail::TCreateFormScope scope;
        object = instanceClass->Create(this);
    }
    auto* instance = dynamic_cast<TComponent*>(object);
    if (!instance) {
        delete object;
        throw EInvalidOperation("Cannot create form: " + instanceClass->ClassName() + " is not a component");
    }
    if (reference) *reference = instance;
    if (auto* form = dynamic_cast<TCustomForm*>(instance)) form->CompleteCreateForm();
    if (auto* module = dynamic_cast<TDataModule*>(instance)) module->CompleteCreateForm();
    FinishCreateForm(instance);
}

void TApplication::FinishCreateForm(TComponent* instance) {
    if (FMainForm) return;
    if (auto* form = dynamic_cast<TForm*>(instance)) {
        form->HandleNeeded();
        FMainForm = form;
    }
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::MainFormDestroyed(TCustomForm* form) {
    if (form == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
    if (FMainForm && FShowMainForm) {
        if (FMainForm->GetWindowState() == wsMinimized) Minimize();
        FMainForm->SetVisible(true);
    }
    while (!FTerminated) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate() {
    FTerminated = true;
    // Wakes a loop waiting for messages so that it sees the flag.
    if (FHandle) PostMessageA(FHandle, WM_NULL, 0, 0);
}

bool TApplication::IsKeyMsg(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    return IsControlKeyMessage(msg);
}

bool TApplication::IsMDIMsg(MSG& msg) { return false; }

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    OnMessage(msg, handled);
    if (!handled && !IsMDIMsg(msg) && !IsKeyMsg(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::Idle(const MSG& msg) {
    bool done = true;
    try {
        OnIdle(this, done);
    } catch (...) {
        HandleException(this);
    }
    if (GetCurrentThreadId() == MainThreadID.load()) {
        try {
            if (CheckSynchronize()) done = false;
        } catch (...) {
            HandleException(this);
        }
    }
    if (done && !FTerminated) WaitMessage();
}

void TApplication::HandleException(TObject* sender) { HandleException(sender, std::current_exception()); }

void TApplication::HandleException(TObject* sender, std::exception_ptr error) {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // The silent one.
    } catch (Exception& e) {
        if (OnException.Assigned())
            OnException(sender, &e);
        else
            ShowException(&e);
    } catch (const std::exception& e) {
        Exception wrapped(e.what());
        if (OnException.Assigned())
            OnException(sender, &wrapped);
        else
            ShowException(&wrapped);
    } catch (...) {
        Exception wrapped("Unknown exception");
        if (OnException.Assigned())
            OnException(sender, &wrapped);
        else
            ShowException(&wrapped);
    }
}

void TApplication::ShowException(Exception* e) {
    if (!e) return;
    PlatformMessageBox(ExceptionMessageText(e->Message), GetTitle(), MB_OK | MB_ICONERROR);
}

Integer TApplication::MessageBox(const char* text, const char* caption, UINT flags) {
    return PlatformMessageBox(text ? text : "", caption ? String(caption) : GetTitle(), flags);
}

void TApplication::HookMainWindow(TWindowHook hook) {
    for (const TWindowHook& h : FWindowHooks)
        if (h == hook) return;
    FWindowHooks.push_back(hook);
}

void TApplication::UnhookMainWindow(TWindowHook hook) {
    for (auto it = FWindowHooks.begin(); it != FWindowHooks.end(); ++it)
        if (*it == hook) {
            FWindowHooks.erase(it);
            return;
        }
}

void TApplication::WndProc(TMessage& message) {
    // A hook may unhook itself: walk a copy.
    const std::vector<TWindowHook> hooks = FWindowHooks;
    for (const TWindowHook& hook : hooks)
        if (hook(message)) return;
    switch (message.Msg) {
    case WM_CLOSE:
        if (FMainForm) FMainForm->Close();
        return;
    case WM_ACTIVATEAPP:
        FActive = message.WParam != 0;
        if (FActive)
            OnActivate(this);
        else
            OnDeactivate(this);
        break;
    case WM_QUERYENDSESSION:
        message.Result = 1;
        return;
    default:
        break;
    }
    message.Result = FHandle ? DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam) : 0;
}

void TApplication::NormalizeTopMosts() { ++FTopMostLevel; }

void TApplication::RestoreTopMosts() {
    if (FTopMostLevel > 0) --FTopMostLevel;
}

void TApplication::BringToFront() {
    TCustomForm* form = Screen->GetActiveCustomForm();
    if (!form) form = FMainForm;
    if (form && form->HandleAllocated() && form->GetShowing()) {
        HWND window = form->GetHandle();
        BringWindowToTop(window);
        SetActiveWindow(window);
    }
}

void TApplication::Minimize() {
    if (FMainForm && FMainForm->HandleAllocated()) ShowWindow(FMainForm->GetHandle(), SW_MINIMIZE);
    OnMinimize(this);
}

void TApplication::Restore() {
    if (FMainForm && FMainForm->HandleAllocated() && IsIconic(FMainForm->GetHandle()))
        ShowWindow(FMainForm->GetHandle(), SW_RESTORE);
    OnRestore(this);
}

// ---- Data modules in definitions ----------------------------------------------------------------

void TDataModule::GetChildren(const TGetChildProc& proc, TComponent* root) {
    TComponent::GetChildren(proc, root);
    for (Integer i = 0; i < GetComponentCount(); ++i) {
        TComponent* component = GetComponents(i);
        if (!component->HasParent()) proc(component);
    }
}

void TDataModule::DefineProperties(TFiler* filer) {
    TComponent::DefineProperties(filer);
    // Not for a module stored inside another root (inline): its place is the host's business.
    const bool stored = !GetComponentState().Contains(csInline);
    auto define = [&](const char* name, LONG POINT::*field, POINT TDataModule::*point) {
        filer->DefineProperty(
            name, [this, field, point](TReader* reader) { (this->*point).*field = reader->ReadInteger(); },
            [this, field, point](TWriter* writer) { writer->WriteInteger((this->*point).*field); }, stored);
    };
    define("Left", &POINT::x, &TDataModule::FDesignOffset);
    define("Top", &POINT::y, &TDataModule::FDesignOffset);
    define("Height", &POINT::y, &TDataModule::FDesignSize);
    define("Width", &POINT::x, &TDataModule::FDesignSize);
}

namespace {
const bool kDataModuleRegistered = (RegisterClass(TDataModule::StaticClass()), true);
} // namespace

KOV_PUBLISHED(TDataModule) {
    Property("OldCreateOrder", &TDataModule::GetOldCreateOrder, &TDataModule::SetOldCreateOrder);
    Property("OnCreate", &TDataModule::OnCreate);
    Property("OnDestroy", &TDataModule::OnDestroy);
}
