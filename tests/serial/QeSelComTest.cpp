// The port selection window: the ports it finds, and its answers to a user's keys, as the port
// component sees them when it opens without a port number.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Forms.h"
#include "serial/QeExcept.h"
#include "serial/QePort.h"
#include "serial/QeSelCom.h"
#include "tests/serial/SerialTestPty.h"

namespace {

using serialtest::TPortDir;
using serialtest::TPty;

std::vector<String> Items(TComSelectForm& form) {
    std::vector<String> items;
    TStrings* strings = form.PortsComboBox->GetItems();
    for (Integer i = 0; i < strings->GetCount(); ++i)
        items.push_back(strings->GetStrings(i));
    return items;
}

// Types one key of the script each time the modal loop goes idle, into the focused control.
struct TTypist : TObject {
    std::vector<Word> Keys;
    std::size_t Next = 0;
    std::vector<String> Forms;
    void Idle(TObject*, bool& done) {
        done = false;
        if (Next >= Keys.size()) return;
        // Keys go to the window only once it is active with a focused control.
        TCustomForm* form = Screen->GetActiveCustomForm();
        if (form == nullptr || !form->GetActive() || GetFocus() == nullptr) return;
        Forms.push_back(form->GetCaption());
        const Word key = Keys[Next++];
        const UINT scan = key == VK_RETURN ? 0x1C : key == VK_TAB ? 0x0F : 0x50;
        PostMessageA(GetFocus(), WM_KEYDOWN, key, LPARAM(scan << 16 | 1));
        PostMessageA(GetFocus(), WM_KEYUP, key, LPARAM(0xC0000001 | scan << 16));
    }
};

class QeSelComTest : public ::testing::Test {
protected:
    void SetUp() override {
        App = std::make_unique<TApplication>(nullptr);
        App->SetTitle("KOV-571");
    }
    void TearDown() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    // Opens a port without a number that asks for one, answering the window with the keys.
    std::unique_ptr<TQelComPort> OpenAsking(const std::vector<Word>& keys) {
        auto port = std::make_unique<TQelComPort>(nullptr);
        port->SetPromptForPort(true);
        Typist.Keys = keys;
        Typist.Next = 0;
        Typist.Forms.clear();
        App->OnIdle = MakeEvent(&Typist, &TTypist::Idle);
        try {
            port->SetOpen(true);
        } catch (...) {
            App->OnIdle = nullptr;
            throw;
        }
        App->OnIdle = nullptr;
        return port;
    }

    std::unique_ptr<TApplication> App;
    TPortDir Ports;
    TTypist Typist;
};

} // namespace

TEST_F(QeSelComTest, ListsThePresentPortsIncludingOnesInUse) {
    TPty first, busy, last;
    Ports.Link(3, first.SlavePath());
    Ports.Link(7, busy.SlavePath());
    Ports.Name(9, "/nonexistent/device");
    Ports.Link(50, last.SlavePath());
    Ports.Link(51, first.SlavePath()); // past the last number looked at
    TQelComPort holder(nullptr);
    holder.SetPromptForPort(false);
    holder.SetComNumber(7);
    holder.SetOpen(true);

    EXPECT_FALSE(IsPortAvailable(0));
    TComSelectForm form(nullptr);
    ASSERT_NE(form.PortsComboBox, nullptr);
    EXPECT_EQ(form.GetCaption(), "Select Port");
    EXPECT_EQ(form.Label1->GetCaption(), "The configured serial port is not valid.");
    EXPECT_EQ(form.Label2->GetCaption(), "Please choose another port.");
    EXPECT_EQ(form.PortsComboBox->GetStyle(), csDropDownList);
    EXPECT_EQ(form.OkBtn->GetCaption(), "OK");
    EXPECT_TRUE(form.OkBtn->GetDefault());
    EXPECT_EQ(form.OkBtn->GetModalResult(), mrOk);
    EXPECT_EQ(form.AbortBtn->GetCaption(), "Cancel");
    EXPECT_EQ(form.AbortBtn->GetModalResult(), mrCancel);

    EXPECT_EQ(Items(form), (std::vector<String>{"COM3", "COM7", "COM50"}));
    EXPECT_EQ(form.PortsComboBox->GetItemIndex(), 0);
    EXPECT_EQ(form.SelectedPort(), 3);
    form.PortsComboBox->SetItemIndex(2);
    EXPECT_EQ(form.SelectedPort(), 50);
}

TEST_F(QeSelComTest, TheChosenPortOpensAfterOkAndCancelLeavesNoPortSelected) {
    TPty first, second;
    Ports.Link(4, first.SlavePath());
    Ports.Link(12, second.SlavePath());

    // Down to the second port, then Enter for the default button.
    auto port = OpenAsking({VK_DOWN, VK_RETURN});
    EXPECT_EQ(Typist.Forms.front(), "Select Port");
    EXPECT_TRUE(port->GetOpen());
    EXPECT_EQ(port->GetComNumber(), 12);
    port->WriteBlock("x", 1);
    EXPECT_EQ(serialtest::ReadExactly(second.Master(), 1), "x");
    port.reset();

    // Tab to the cancel button and press it.
    try {
        OpenAsking({VK_DOWN, VK_TAB, VK_TAB, VK_RETURN});
        ADD_FAILURE() << "no exception";
    } catch (const ENoPortSelected& e) {
        EXPECT_EQ(e.ErrorCode, -2011);
    }
    EXPECT_EQ(Typist.Next, Typist.Keys.size());
}

TEST_F(QeSelComTest, WithoutPortsTheListIsEmptyAndOkSelectsNothing) {
    {
        TComSelectForm form(nullptr);
        EXPECT_TRUE(Items(form).empty());
        EXPECT_EQ(form.SelectedPort(), 0);
    }
    EXPECT_THROW(OpenAsking({VK_RETURN}), ENoPortSelected);
    EXPECT_EQ(Typist.Next, 1u);
}
