#include "serial/QeSelCom.h"

#include <memory>

#include "platform/runtime/Strings.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/WinError.h"
#include "serial/QePort.h"
#include "serial/QwWin32.h"

namespace {

// Ports are probed the way a port opens them, through a dispatcher's device open, rather than
// with a plain file open.
constexpr bool ProbeThroughDispatcher = true;
// A port that another program holds is there all the same.
constexpr bool InUseCountsAsPresent = true;
constexpr Word HighestPort = 50;

bool PresentAfterFailure(DWORD error) { return InUseCountsAsPresent && error == ERROR_ACCESS_DENIED; }

} // namespace

bool IsPortAvailable(Word portNumber) {
    if (portNumber == 0) return false;
    const String device = "\\\\.\\COM" + std::to_string(portNumber);
    if (ProbeThroughDispatcher) {
        TQelWin32Dispatcher dispatcher(nullptr);
        if (dispatcher.OpenDeviceHandle(device, 64, 64) != INVALID_HANDLE_VALUE) {
            dispatcher.CloseDeviceHandle();
            return true;
        }
        return PresentAfterFailure(GetLastError());
    }
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return true;
    }
    return PresentAfterFailure(GetLastError());
}

TComSelectForm::TComSelectForm(TComponent* owner) : TForm(owner) { AfterConstruction(); }

void TComSelectForm::FormCreate(TObject*) {
    Label1 = dynamic_cast<TLabel*>(FindComponent("Label1"));
    Label2 = dynamic_cast<TLabel*>(FindComponent("Label2"));
    PortsComboBox = dynamic_cast<TComboBox*>(FindComponent("PortsComboBox"));
    OkBtn = dynamic_cast<TButton*>(FindComponent("OkBtn"));
    AbortBtn = dynamic_cast<TButton*>(FindComponent("AbortBtn"));
    if (PortsComboBox == nullptr) return;
    TStrings* items = PortsComboBox->GetItems();
    items->Clear();
    for (Word number = 1; number <= HighestPort; ++number)
        if (IsPortAvailable(number)) items->Add("COM" + std::to_string(number));
    PortsComboBox->SetItemIndex(0);
}

Word TComSelectForm::SelectedPort() {
    if (PortsComboBox == nullptr) return 0;
    const Integer index = PortsComboBox->GetItemIndex();
    if (index < 0 || index >= PortsComboBox->GetItems()->GetCount()) return 0;
    const String text = PortsComboBox->GetItems()->GetStrings(index);
    // An empty list, or a text that is not "COM" and a number, selects nothing.
    const Integer number = text.size() > 3 ? StrToIntDef(text.substr(3), 0) : 0;
    return number > 0 && number <= 0xFFFF ? Word(number) : 0;
}

bool SelectComPort(Word& portNumber) {
    std::unique_ptr<TComSelectForm> form(new TComSelectForm(nullptr));
    if (form->ShowModal() != mrOk) return false;
    const Word chosen = form->SelectedPort();
    if (chosen == 0) return false;
    portNumber = chosen;
    return true;
}

KOV_PUBLISHED(TComSelectForm) { Method("FormCreate", &TComSelectForm::FormCreate); }

namespace {
const bool kSelectHookInstalled = [] {
    SetSelectComPortHook(SelectComPort);
    RegisterClasses({TComSelectForm::StaticClass()});
    return true;
}();
} // namespace
