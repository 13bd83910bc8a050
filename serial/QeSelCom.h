// The port selection window that a port without a number shows when it opens, and the hook
// that connects it to the port component.
#pragma once

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

class TComSelectForm : public TForm {
    KOV_CLASS(TComSelectForm, TForm)
public:
    explicit TComSelectForm(TComponent* owner);

    // Lists "COM1" to "COM50" as far as they are present and selects the first.
    void FormCreate(TObject* sender);
    // The number of the selected port; 0 when none is selected.
    Word SelectedPort();

    // The controls of the stored definition.
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TComboBox* PortsComboBox = nullptr;
    TButton* OkBtn = nullptr;
    TButton* AbortBtn = nullptr;
};

// Whether the port of that number is present: it opens, or it is in use by another program.
// Number 0 never is.
bool IsPortAvailable(Word portNumber);

// Shows the selection window; true with the chosen number when the user answered OK with a
// port selected. The unit installs it as the port component's hook at start-up.
bool SelectComPort(Word& portNumber);
