// The screen object's cursor, monitors and fonts, and the mouse object.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinMonitor.h"

TEST(Screen, TheScreenCursorIsShownAndCursorsCanBeAdded) {
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    EXPECT_EQ(GetScreenCursorOverride(), crHourGlass);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(GetScreenCursorOverride(), crDefault);

    EXPECT_EQ(Screen->GetCursors(crHandPoint), LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(Screen->GetCursors(12345), LoadCursorA(nullptr, IDC_ARROW));
    HCURSOR mine = LoadCursorA(nullptr, "EXCEL");
    ASSERT_NE(mine, nullptr);
    Screen->SetCursors(1001, mine);
    EXPECT_EQ(Screen->GetCursors(1001), mine);
    Screen->SetCursor(1001);
    EXPECT_EQ(GetCursor(), mine);
    Screen->SetCursor(crDefault);
    Screen->SetCursors(1001, nullptr);
    EXPECT_EQ(Screen->GetCursors(1001), LoadCursorA(nullptr, IDC_ARROW));
}

TEST(Screen, MonitorsComeFromTheWindowSystem) {
    TWinMonitor left, right;
    left.Monitor = RECT{0, 0, 1280, 1024};
    left.Work = RECT{0, 0, 1280, 994};
    left.Primary = true;
    right.Monitor = RECT{1280, 0, 2560, 1024};
    right.Work = RECT{1280, 0, 2560, 1024};
    WinSetTestMonitors({left, right});

    EXPECT_EQ(Screen->GetMonitorCount(), 2);
    struct Case {
        POINT Point;
        Integer Monitor;
    };
    for (const Case& c : std::vector<Case>{{{10, 10}, 0}, {{2000, 500}, 1}, {{5000, 500}, 1}}) {
        SCOPED_TRACE(c.Point.x);
        TMonitor* m = Screen->MonitorFromPoint(c.Point);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->GetMonitorNum(), c.Monitor);
        EXPECT_EQ(m, Screen->GetMonitors(c.Monitor));
    }
    EXPECT_EQ(Screen->MonitorFromPoint(POINT{5000, 500}, mdNull), nullptr);
    TMonitor* second = Screen->GetMonitors(1);
    EXPECT_EQ(second->GetLeft(), 1280);
    EXPECT_EQ(second->GetWidth(), 1280);
    EXPECT_FALSE(second->GetPrimary());
    EXPECT_TRUE(Screen->GetMonitors(0)->GetPrimary());
    EXPECT_EQ(Screen->GetMonitors(0)->GetWorkareaRect().bottom, 994);
    EXPECT_EQ(Screen->MonitorFromRect(RECT{1200, 0, 1500, 100}), second);
    EXPECT_EQ(Screen->GetDesktopWidth(), 2560);
    EXPECT_EQ(Screen->GetWidth(), 1280);
    EXPECT_EQ(Screen->GetWorkAreaHeight(), 994);
    EXPECT_THROW(Screen->GetMonitors(2), EListError);
    WinSetTestMonitors({});
}

TEST(Screen, FontsAndThePixelsPerInch) {
    TStrings* fonts = Screen->GetFonts();
    ASSERT_NE(fonts, nullptr);
    EXPECT_GT(fonts->GetCount(), 0);
    for (Integer i = 1; i < fonts->GetCount(); ++i)
        EXPECT_LE(CompareText(fonts->GetStrings(i - 1), fonts->GetStrings(i)), 0);
    EXPECT_EQ(Screen->GetPixelsPerInch(), 96);
    EXPECT_FALSE(Screen->GetMenuFont()->GetName().empty());
}

TEST(Mouse, PositionThresholdAndWheel) {
    const Integer oldThreshold = Mouse->GetDragThreshold();
    Mouse->SetDragThreshold(9);
    EXPECT_EQ(Mouse->GetDragThreshold(), 9);
    EXPECT_EQ(GetDragThreshold(), 9);
    Mouse->SetDragThreshold(oldThreshold);

    const POINT old = Mouse->GetCursorPos();
    Mouse->SetCursorPos(POINT{33, 44});
    EXPECT_EQ(Mouse->GetCursorPos().x, 33);
    EXPECT_EQ(Mouse->GetCursorPos().y, 44);
    Mouse->SetCursorPos(old);

    EXPECT_EQ(Mouse->GetWheelScrollLines(), 3);
    EXPECT_TRUE(Mouse->GetMousePresent());
    EXPECT_FALSE(Mouse->IsDragging());
    EXPECT_EQ(Mouse->GetCapture(), nullptr);
}
