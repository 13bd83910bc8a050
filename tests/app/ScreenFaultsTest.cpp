// Faults seen with the program on a real display: the frame's layout with its menu bar, the
// menu's shortcuts from the channel window.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "grid/Tambor.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/app/MainFrmFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class ScreenFaultsTest : public mainfrmtest::TMainFrmFixture {
protected:
    void SavePicture(const std::string& name) {
        UpdateWindow(Frame->GetHandle());
        App->ProcessMessages();
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(Frame->GetHandle(), s));
        testsupport::WritePng(testsupport::ArtifactPath(name), s.Width, s.Height,
                              reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    }
};

// The status bar stays at the bottom of the frame's client area, the document area lies between
// it and the tool bar, and the frame shows no scroll bar.
TEST_F(ScreenFaultsTest, StatusBarSitsAtTheBottomOfTheFrame) {
    Start();
    RECT client{};
    GetClientRect(Frame->GetHandle(), &client);
    TStatusBar* bar = Frame->MainBar;
    EXPECT_TRUE(bar->GetVisible());
    EXPECT_EQ(bar->GetTop() + bar->GetHeight(), client.bottom);
    EXPECT_EQ(bar->GetWidth(), client.right);
    RECT area{};
    GetWindowRect(Frame->GetClientHandle(), &area);
    MapWindowPoints(nullptr, Frame->GetHandle(), reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(area.top, Frame->pBar->GetTop() + Frame->pBar->GetHeight());
    EXPECT_EQ(area.bottom, bar->GetTop());
    EXPECT_FALSE(Frame->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(Frame->GetHorzScrollBar()->IsScrollBarVisible());
    SavePicture("ScreenFaults_MainWindow.png");
}

// The menu's shortcuts work while the focus is in the channel window's grid.
TEST_F(ScreenFaultsTest, MenuShortcutsWorkFromTheChannelGrid) {
    Start();
    ASSERT_NE(fChInfo, nullptr);
    fChInfo->gvData->SetFocus();
    ASSERT_EQ(GetFocus(), fChInfo->gvData->GetHandle());
    testsupport::TScopedModalScript modal;
    modal.Add("fBInfoEdit", [](TCustomForm& f) { f.SetModalResult(mrCancel); });
    modal.Add("fBBatchEdit", [](TCustomForm& f) { f.SetModalResult(mrCancel); });
    WinInputKey(VK_F11, false, true);
    WinInputKey(VK_F11, false, false);
    App->ProcessMessages();
    WinInputKey(VK_F10, false, true);
    WinInputKey(VK_F10, false, false);
    App->ProcessMessages();
    EXPECT_EQ(modal.Shown(), (std::vector<String>{"fBInfoEdit", "fBBatchEdit"}));
}
} // namespace
