// The main window driven as a person drives it: clicks on the menu bar and on menu items, menu
// keys, the file dialogs answered through the platform's script, and the read and
// write dialogs' Ok pressed with the mouse against the simulated radio. Pictures of the main
// window with the channel window and of an open menu drawn by the menu painter are saved under
// the artifacts directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/ReadRadio.h"
#include "app/WriteRadio.h"
#include "grid/Tambor.h"
#include "menupainter/Skarn.h"
#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Prompts.h"
#include "platform/classlib/Graphics.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMenu.h"
#include "platform/winapi/WinMonitor.h"
#include "suite/controls/qzButtons.h"
#include "tests/app/RadioLinkTestSupport.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using radiotest::Hex;
using radiotest::PumpUntil;

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Click(POINT p) {
    WinInputMouseMove(p);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
}

void Key(UINT vk) {
    WinInputKey(vk, false, true);
    WinInputKey(vk, false, false);
}

void WithKey(UINT modifier, UINT vk) {
    WinInputKey(modifier, false, true);
    Key(vk);
    WinInputKey(modifier, false, false);
}

// The main window as the program shows it, on the simulated radio's port, in a screen of
// 1280 x 1024. While a menu of the window is open, the loop's idle moments run the queued
// steps one by one; an open menu with no step left is closed and fails the test.
class MainFrmMenuTest : public radiotest::TRadioLinkTest {
protected:
    MainFrmMenuTest() : FLocale(testsupport::DotSettings()) {
        WinSetTestMonitors({TWinMonitor{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 1024}, true, {}}});
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        FOldProc = Frame->WindowProc;
        Frame->WindowProc = TWndMethod(this, &MainFrmMenuTest::FrameProc);
        Grid = fChInfo ? fChInfo->gvData : nullptr;
    }
    ~MainFrmMenuTest() override {
        if (Frame) Frame->WindowProc = FOldProc;
        WinSetTestMonitors({});
    }

    void FrameProc(TMessage& message) {
        if (message.Msg == WM_ENTERIDLE && message.WParam == MSGF_MENU) {
            if (Steps.empty()) {
                ADD_FAILURE() << "a menu stayed open with nothing left to do";
                EndMenu();
            } else {
                auto step = std::move(Steps.front());
                Steps.pop_front();
                step();
            }
            message.Result = 0;
            return;
        }
        FOldProc(message);
    }

    void Pump() { PumpUntil([] { return true; }); }

    TMenuItem* Item(const char* name) const { return dynamic_cast<TMenuItem*>(Frame->FindComponent(name)); }

    // Where an item of the bar or of an open pop-up menu is on the screen.
    RECT ItemRect(TMenuItem* item) const {
        HMENU parent = item->GetParent()->GetHandle();
        const bool onBar = item->GetParent() == Frame->MainMenu->GetItems();
        for (int pos = 0; pos < GetMenuItemCount(parent); ++pos) {
            const bool found = onBar ? GetSubMenu(parent, pos) == item->GetHandle()
                                     : GetMenuItemID(parent, pos) == item->GetCommand();
            if (!found) continue;
            RECT r{};
            EXPECT_TRUE(GetMenuItemRect(Frame->GetHandle(), parent, UINT(pos), &r)) << item->GetName();
            return r;
        }
        ADD_FAILURE() << item->GetName() << " is not in its menu";
        return RECT{};
    }

    // A click on the bar's menu, then (once it is open) on its item.
    void Choose(const char* menu, const char* item) {
        TMenuItem* target = Item(item);
        Steps.push_back([this, target] {
            EXPECT_NE(FindWindowA(WC_MENUA, nullptr), nullptr);
            Click(Centre(ItemRect(target)));
        });
        Click(Centre(ItemRect(Item(menu))));
        Pump();
        EXPECT_TRUE(Steps.empty());
        EXPECT_EQ(FindWindowA(WC_MENUA, nullptr), nullptr);
    }

    void ClickControl(TControl* control) {
        const POINT p =
            control->ClientToScreen(POINT{control->GetWidth() / 2, control->GetHeight() / 2});
        Click(p);
    }

    // Types a frequency into the RX cell of a channel and ends the entry with Enter.
    void TypeRx(Integer channel, const std::u32string& text) {
        const RECT r = Grid->CellRect(ccRx, channel + 1);
        Click(Grid->ClientToScreen(Centre(r)));
        Pump();
        WinInputText(text);
        Key(VK_RETURN);
        Pump();
    }

    // The read dialog with its Ok clicked: it closes itself once the radio is done.
    void ReadWithOk(testsupport::TScopedModalScript& modal) {
        modal.Add<TfReadRadio>(
            "fReadRadio",
            [this](TfReadRadio& dialog) {
                ClickControl(dialog.btnOk);
                CloseWhenEnded(dialog);
            },
            testsupport::TScopedModalScript::MayStayOpen);
    }
    // The write dialog with its Ok clicked, and its Cancel once the radio has the data and the
    // result was told.
    void WriteWithOk(testsupport::TScopedModalScript& modal, TScopedPromptScript& prompts) {
        modal.Add<TfWriteRadio>("fWriteRadio", [this, &prompts](TfWriteRadio& dialog) {
            ClickControl(dialog.btnOk);
            EXPECT_TRUE(DriveUntil(dialog, [&] { return !prompts.Prompts().empty() && Ended(); }));
            ClickControl(dialog.btnCancel);
            Pump();
        });
    }

    void SavePicture(HWND window, const std::string& name, HWND popup = nullptr) {
        UpdateWindow(window);
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(window, s));
        std::vector<std::uint32_t> pixels(std::size_t(s.Width) * std::size_t(s.Height));
        for (int y = 0; y < s.Height; ++y)
            for (int x = 0; x < s.Width; ++x)
                pixels[std::size_t(y) * std::size_t(s.Width) + std::size_t(x)] = s.Row(y)[x] & 0xFFFFFF;
        if (popup) {
            // The open menu is a window of its own: drawn over the frame where it stands.
            UpdateWindow(popup);
            GdiSurface menu;
            ASSERT_TRUE(WinGetSurface(popup, menu));
            RECT frame{}, at{};
            GetWindowRect(window, &frame);
            GetWindowRect(popup, &at);
            for (int y = 0; y < menu.Height; ++y)
                for (int x = 0; x < menu.Width; ++x) {
                    const int fx = at.left - frame.left + x, fy = at.top - frame.top + y;
                    if (fx >= 0 && fy >= 0 && fx < s.Width && fy < s.Height)
                        pixels[std::size_t(fy) * std::size_t(s.Width) + std::size_t(fx)] =
                            menu.Row(y)[x] & 0xFFFFFF;
                }
        }
        const std::string path = testsupport::ArtifactPath(name);
        testsupport::WritePng(path, s.Width, s.Height, pixels);
        EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
    }

    static COLORREF PixelAt(HWND window, POINT screen) {
        GdiSurface s;
        RECT r{};
        GetWindowRect(window, &r);
        if (!WinGetSurface(window, s)) return CLR_INVALID;
        return GdiPixelToColor(s.Row(screen.y - r.top)[screen.x - r.left] & 0xFFFFFF);
    }

    TfMainFrm* Frame = nullptr;
    TTambor* Grid = nullptr;
    std::deque<std::function<void()>> Steps;
    testsupport::TempDir Dir;

private:
    testsupport::ScopedFormatSettings FLocale;
    TWndMethod FOldProc;
};

// New, typing two channels, Save As a file, New, Open it again, Write it to the radio and Read
// the radio back, all through the menus, their keys and the dialogs' buttons.
TEST_F(MainFrmMenuTest, FileAndRadioCommandsThroughTheMenus) {
    ASSERT_NE(Grid, nullptr);
    const std::string path = Dir.File("menus.dat");
    const String none = fChInfo->lNone->GetCaption();

    // File > New with the mouse: nothing to save, an empty table.
    {
        TScopedPromptScript prompts;
        Choose("mFile", "mNew");
        EXPECT_TRUE(prompts.Prompts().empty());
    }
    EXPECT_EQ(Frame->GetCaption(), "KOV-571");
    EXPECT_FALSE(AppState->Modified);

    TypeRx(1, U"451.5");
    TypeRx(2, U"452.25");
    EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "451.50000");
    EXPECT_EQ(Grid->ReadForeText(ccRx, 3), "452.25000");
    EXPECT_TRUE(AppState->Modified);

    // Save As by the keyboard: Alt+F opens File, its mnemonic A chooses "Save &As".
    {
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({path});
        TScopedPromptScript prompts;
        Steps.push_back([] { Key('A'); });
        WithKey(VK_MENU, 'F');
        Pump();
        EXPECT_EQ(dialogs.Shown(), std::vector<String>{"file"});
        EXPECT_TRUE(prompts.Prompts().empty());
    }
    const std::string saved = testsupport::ReadFileBytes(path);
    ASSERT_EQ(saved.size(), 992u);
    EXPECT_EQ(saved.substr(0, 5), "P2475");
    EXPECT_EQ(Hex(saved.substr(16, 4)), "00 00 15 45");
    EXPECT_EQ(Hex(saved.substr(32, 4)), "00 50 22 45");
    EXPECT_EQ(Frame->FileName, path);
    EXPECT_EQ(Frame->GetCaption(), "KOV-571 [" + path + "]");
    EXPECT_FALSE(AppState->Modified);

    // Alt+F and the mnemonic N: New empties the table and forgets the file.
    {
        TScopedPromptScript prompts;
        Steps.push_back([] { Key('N'); });
        WithKey(VK_MENU, 'F');
        Pump();
        EXPECT_TRUE(prompts.Prompts().empty());
    }
    EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "");
    EXPECT_EQ(Frame->GetCaption(), "KOV-571");

    // File > Open with the mouse; the open menu is pictured on its way.
    {
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({path});
        TMenuItem* open = Item("mOpen");
        Steps.push_back([this, open] {
            HWND popup = FindWindowA(WC_MENUA, nullptr);
            ASSERT_NE(popup, nullptr);
            SavePicture(Frame->GetHandle(), "MainFrmMenu_FileMenu.png", popup);
            // The menu painter draws the items: the icon column in its colour.
            const TSkarnPalette palette = ComputeSkarnPalette(*Frame->Xp, true);
            const RECT r = ItemRect(open);
            EXPECT_EQ(PixelAt(popup, POINT{r.left + 3, r.bottom - 3}), COLORREF(ColorToRGB(palette.IconColumn)));
            Click(Centre(ItemRect(open)));
        });
        Click(Centre(ItemRect(Item("mFile"))));
        Pump();
        EXPECT_EQ(dialogs.Shown(), std::vector<String>{"file"});
    }
    EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "451.50000");
    EXPECT_EQ(Grid->ReadForeText(ccTx, 2), "451.50000");
    EXPECT_EQ(Grid->ReadForeText(ccRx, 3), "452.25000");
    EXPECT_EQ(Frame->GetCaption(), "KOV-571 [" + path + "]");
    EXPECT_FALSE(AppState->Modified);

    // Program > Write To Radio with the mouse, Ok clicked in the dialog.
    {
        TScopedPromptScript prompts({IDOK});
        testsupport::TScopedModalScript modal;
        WriteWithOk(modal, prompts);
        Choose("mProgram", "mWrite");
        EXPECT_EQ(modal.Shown(), std::vector<String>{"fWriteRadio"});
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->WriteOk);
    }
    EXPECT_EQ(Hex(ImageAt(0x10, 8)), "00 00 15 45 00 00 15 45");
    EXPECT_EQ(Hex(ImageAt(0x20, 8)), "00 50 22 45 00 50 22 45");
    EXPECT_EQ(ImageAt(0x30), std::string(16, '\xFF'));

    // The radio gets a third channel; Alt+P and the mnemonic R read it back.
    SetImage(0x30, std::string("\x50\x12\x30\x45\x50\x12\x30\x45\xFF\xFF\xFF\xFF\x04\xFF\xFF\xFF", 16));
    {
        TScopedPromptScript prompts({IDOK});
        testsupport::TScopedModalScript modal;
        ReadWithOk(modal);
        Steps.push_back([] { Key('R'); });
        WithKey(VK_MENU, 'P');
        Pump();
        EXPECT_EQ(modal.Shown(), std::vector<String>{"fReadRadio"});
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->ReadOk);
    }
    EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "451.50000");
    EXPECT_EQ(Grid->ReadForeText(ccRx, 4), "453.01250");
    EXPECT_EQ(Grid->ReadForeText(ccDecodeTone, 4), none);
    EXPECT_EQ(Grid->ReadForeText(ccWideNarrow, 4), "Narrow");
    EXPECT_EQ(Grid->ReadForeText(ccRx, 5), "");
    EXPECT_EQ(Frame->GetCaption(), "KOV-571");
    EXPECT_TRUE(Frame->FileName.empty());
    EXPECT_TRUE(AppState->Modified);

    SavePicture(Frame->GetHandle(), "MainFrmMenu_MainWindow.png");
    // The file on disk is what was saved.
    EXPECT_EQ(testsupport::ReadFileBytes(path), saved);
}

} // namespace
