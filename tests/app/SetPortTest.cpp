#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/SetPort.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/DialogFixture.h"
#include "tests/support/TestPty.h"

namespace {

class SetPortTest : public apptest::DialogFixture {};

std::vector<String> Items(TqzComboBox* box) {
    std::vector<String> items;
    TStrings* list = box->GetProperties()->GetItems();
    for (Integer i = 0; i < list->GetCount(); ++i)
        items.push_back(list->GetStrings(i));
    return items;
}

// The ports present are the ones that open; the stored port is chosen when it is one of them,
// else the first; "&Ok" stores what is shown, "&Cancel" nothing.
TEST_F(SetPortTest, ListsThePortsThatOpenAndStoresTheChoice) {
    ptytest::TPty com3, com5;
    struct Case {
        std::vector<int> present;
        const char* stored;
        bool ok;
        std::vector<String> listed;
        const char* shown;
        const char* after;
    } cases[] = {
        {{3, 5}, "COM5", true, {"COM3", "COM5"}, "COM5", "COM5"},
        {{3, 5}, "com5", true, {"COM3", "COM5"}, "COM5", "COM5"},
        {{3, 5}, "COM9", true, {"COM3", "COM5"}, "COM3", "COM3"},
        {{3, 5}, "COM9", false, {"COM3", "COM5"}, "COM3", "COM9"},
        {{}, "COM1", true, {}, "", ""},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + (c.ok ? " ok" : " cancel"));
        ptytest::TPortDir ports;
        for (int n : c.present)
            ports.Link(n, (n == 3 ? com3 : com5).SlavePath());
        AppState->ComPort = c.stored;
        std::unique_ptr<TfSetPort> dialog(new TfSetPort(nullptr));
        std::vector<String> listed;
        String shown;
        ShowModal<TfSetPort>(dialog.get(), [&](TfSetPort& d) {
            listed = Items(d.cbCom);
            shown = d.cbCom->GetText();
            (c.ok ? d.btnOK : d.btnCancel)->Click();
        });
        EXPECT_EQ(c.listed, listed);
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ(c.after, AppState->ComPort);
    }
}

TEST_F(SetPortTest, IsTranslatedWhenAnotherLanguageIsSelected) {
    WriteLanguages(0,
                   "[fSetPort]\nfSetPort.Caption=Port setup\nlbName.Caption=Serial port:\n"
                   "btnOK.Caption=O&K\n",
                   "");
    Start();
    ptytest::TPty com2;
    ptytest::TPortDir ports;
    ports.Link(2, com2.SlavePath());
    std::unique_ptr<TfSetPort> dialog(new TfSetPort(nullptr));
    ShowModal<TfSetPort>(dialog.get(), [&](TfSetPort& d) {
        EXPECT_EQ("COM2", d.cbCom->GetText());
        EXPECT_EQ("Port setup", d.GetCaption());
        EXPECT_EQ("Serial port:", d.lbName->GetCaption());
        EXPECT_EQ("O&K", d.btnOK->GetCaption());
        EXPECT_EQ("&Cancel", d.btnCancel->GetCaption());
        SavePicture(&d, "SetPort.png");
        d.btnCancel->Click();
    });
}

} // namespace
