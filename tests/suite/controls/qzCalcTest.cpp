// The calculator keypad: sequences of buttons and what the display shows, errors, memory, the
// keyboard (held keys, separators under both locales), the clipboard and the sizing rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCalc.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// A calculator with a display of its own.
class TTestCalculator : public TqzCustomCalculator {
public:
    using TqzCustomCalculator::TqzCustomCalculator;
    String GetEditText() override { return Display; }
    void SetEditText(const String& text) override { Display = text; }
    String Display;
};

class CalculatorTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
        Calc = new TTestCalculator(Form);
        Calc->SetParent(Form);
        Calc->SetLeft(10);
        Calc->SetTop(10);
    }
    void TearDown() override {
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    // Digits, ".", "+", "-", "*", "/", "%" and "=" as their buttons; q sqrt, r 1/x, n +/-,
    // C clear, E clear entry, B back, S MS, P M+, R MR, L MC.
    void Run(const std::string& keys) {
        for (char k : keys) {
            TqzCalcButtonKind b = Calc->ButtonForChar(char32_t(k));
            switch (k) {
            case 'q': b = ckSqrt; break;
            case 'r': b = ckReciprocal; break;
            case 'n': b = ckSign; break;
            case 'C': b = ckClear; break;
            case 'E': b = ckClearEntry; break;
            case 'B': b = ckBack; break;
            case 'S': b = ckMemStore; break;
            case 'P': b = ckMemAdd; break;
            case 'R': b = ckMemRecall; break;
            case 'L': b = ckMemClear; break;
            default: break;
            }
            ASSERT_NE(ckNone, b) << k;
            Calc->ButtonClick(b);
        }
    }
    void PutClipboard(const String& text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
        CloseClipboard();
    }
    HWND Window() { return Calc->GetHandle(); }

    TTestCalculator* Calc = nullptr;
    TMemoryClipboardStore Clipboard;
    Integer Beeps = 0;

private:
    TClipboardStore* FOldClipboard = nullptr;
    TMessageBeepHook FOldBeep;
};

TEST_F(CalculatorTest, ButtonSequencesShowTheirResults) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    struct Case {
        const char* Keys;
        const char* Display;
        Integer Beeps;
    };
    const Case cases[] = {
        {"7+8=", "15", 0},
        {"7+8==", "15", 0},
        {"200+5%", "210", 0},
        {"200-5%", "190", 0},
        {"200*5%", "10", 0},
        {"200/5%", "4000", 0},
        {"12*3+4=", "40", 0},
        {"9q", "3", 0},
        {"9nq", "Error", 1},
        {"0r", "Error", 1},
        {"0r5", "Error", 2},
        {"0r5C", "0", 2},
        {"0r5E", "0", 2},
        {"8/0=", "Error", 1},
        {"4r", "0.25", 0},
        {"12n", "-12", 0},
        {"123B", "12", 0},
        {"1B", "0", 0},
        {"5nB", "0", 0},
        {"1.5.2", "1.52", 0},
        {"..5", "0.5", 0},
        {"1234567890123456", "123456789012345", 1},
        {"1n234567890123456", "-123456789012345", 1},
        {"1+2*", "3", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Keys);
        Run("C");
        Calc->ResetCalculation();
        Calc->Display = "0";
        Beeps = 0;
        Run(c.Keys);
        EXPECT_EQ(c.Display, Calc->Display);
        EXPECT_EQ(c.Beeps, Beeps);
    }
}

TEST_F(CalculatorTest, AResultBeyondTheFloatRangeIsAnError) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    PutClipboard("1E3000");
    Calc->PasteFromClipboard();
    EXPECT_EQ(isEntering, Calc->GetInputState());
    Run("*");
    Calc->PasteFromClipboard();
    Run("=");
    EXPECT_EQ("Error", Calc->Display);
    EXPECT_EQ(isError, Calc->GetInputState());
    // And the memory does not overflow into a number either.
    Run("C");
    Calc->PasteFromClipboard();
    Run("SP");
    EXPECT_EQ("1E3000", Calc->Display);
    PutClipboard("1.1E4932");
    Calc->PasteFromClipboard();
    Run("SPP");
    EXPECT_EQ("Error", Calc->Display);
}

TEST_F(CalculatorTest, TheMemoryButtonsAreGreyWhileTheMemoryIsEmpty) {
    Calc->Display = "0";
    EXPECT_TRUE(Calc->GetButton(ckMemClear).Grayed);
    EXPECT_TRUE(Calc->GetButton(ckMemRecall).Grayed);
    Run("42S");
    EXPECT_FALSE(Calc->GetButton(ckMemClear).Grayed);
    EXPECT_FALSE(Calc->GetButton(ckMemRecall).Grayed);
    Run("C7PR");
    EXPECT_EQ("49", Calc->Display);
    Run("L");
    EXPECT_TRUE(Calc->GetButton(ckMemClear).Grayed);
    EXPECT_TRUE(Calc->GetButton(ckMemRecall).Grayed);
    EXPECT_EQ(0, Calc->GetMemory());
}

TEST_F(CalculatorTest, HeldKeysActOnceExceptBackspace) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    Form->Show();
    App->ProcessMessages();
    Calc->SetFocus();
    App->ProcessMessages();
    Calc->Display = "0";
    // A digit held down: its character repeats until the key is released.
    for (int i = 0; i < 3; ++i) {
        SendMessageA(Window(), WM_KEYDOWN, '7', 0);
        SendMessageA(Window(), WM_CHAR, '7', 0);
    }
    EXPECT_TRUE(Calc->GetButton(ckDigit7).Down);
    SendMessageA(Window(), WM_KEYUP, '7', 0);
    EXPECT_FALSE(Calc->GetButton(ckDigit7).Down);
    EXPECT_EQ("7", Calc->Display);
    for (char ch : std::string("123")) {
        SendMessageA(Window(), WM_CHAR, WPARAM(ch), 0);
        SendMessageA(Window(), WM_KEYUP, WPARAM(ch), 0);
    }
    EXPECT_EQ("7123", Calc->Display);
    // Backspace held down: every repeated character deletes one more.
    for (int i = 0; i < 3; ++i) {
        SendMessageA(Window(), WM_KEYDOWN, VK_BACK, 0);
        SendMessageA(Window(), WM_CHAR, 8, 0);
    }
    SendMessageA(Window(), WM_KEYUP, VK_BACK, 0);
    EXPECT_EQ("7", Calc->Display);
    // Keys without characters: Escape clears, R is 1/x, F9 the sign.
    SendMessageA(Window(), WM_CHAR, '4', 0);
    SendMessageA(Window(), WM_KEYUP, '4', 0);
    SendMessageA(Window(), WM_KEYDOWN, 'R', 0);
    SendMessageA(Window(), WM_KEYUP, 'R', 0);
    EXPECT_EQ("0.0135135135135135", Calc->Display);
    SendMessageA(Window(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(Window(), WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_EQ("0", Calc->Display);
}

TEST_F(CalculatorTest, BothSeparatorKeysTypeTheLocaleSeparatorOnce) {
    for (bool comma : {false, true}) {
        SCOPED_TRACE(comma ? "comma locale" : "dot locale");
        testsupport::ScopedFormatSettings settings(comma ? testsupport::CommaSettings()
                                                         : testsupport::DotSettings());
        Calc->CreateLayout();
        EXPECT_EQ(comma ? "," : ".", Calc->GetButton(ckDecimal).Caption);
        Run("C");
        Run("1.2,3.");
        EXPECT_EQ(comma ? "1,23" : "1.23", Calc->Display);
        Run("*2=");
        EXPECT_EQ(comma ? "2,46" : "2.46", Calc->Display);
    }
}

TEST_F(CalculatorTest, PastingTakesTheNumberWithoutTheCurrencyString) {
    testsupport::ScopedFormatSettings settings(testsupport::DotSettings());
    Calc->Display = "0";
    PutClipboard(" $12.5 ");
    Calc->PasteFromClipboard();
    EXPECT_EQ("12.5", Calc->Display);
    EXPECT_EQ(isEntering, Calc->GetInputState());
    Run("+1=");
    EXPECT_EQ("13.5", Calc->Display);
    PutClipboard("twelve");
    Calc->PasteFromClipboard();
    EXPECT_EQ("0", Calc->Display);
    Calc->Display = "77";
    Calc->CopyToClipboard();
    Calc->Display = "0";
    Calc->PasteFromClipboard();
    EXPECT_EQ("77", Calc->Display);
}

TEST_F(CalculatorTest, TheDefaultSizeSettlesAndAResizeClearsTheMemory) {
    Form->Show();
    App->ProcessMessages();
    // The first resize replaces the sizes of the creation.
    Calc->SetBounds(10, 10, 100, 100);
    Calc->SetBounds(10, 10, 198, 131);
    App->ProcessMessages();
    EXPECT_EQ(23, Calc->GetButtonHeight());
    EXPECT_EQ(29, Calc->GetButtonWidth());
    EXPECT_EQ(49, Calc->GetWideButtonWidth());
    EXPECT_EQ(3, Calc->GetHorzSpacing());
    EXPECT_EQ(202, Calc->GetClientWidth());
    EXPECT_EQ(133, Calc->GetClientHeight());
    EXPECT_EQ(8, Calc->GetFontSize());
    // The layout of the rule: the digit columns start behind the memory column.
    const TRect mc = Calc->GetButton(ckMemClear).Bounds;
    EXPECT_EQ((std::vector<LONG>{3, 29, 32, 52}), (std::vector<LONG>{mc.left, mc.top, mc.right, mc.bottom}));
    EXPECT_EQ(Calc->GetButton(ckEquals).Bounds.right, Calc->GetButton(ckClear).Bounds.right);
    Calc->Display = "0";
    Run("5S");
    EXPECT_EQ(5, Calc->GetMemory());
    Calc->SetBounds(10, 10, 300, 200);
    App->ProcessMessages();
    EXPECT_EQ(0, Calc->GetMemory());
    EXPECT_TRUE(Calc->GetButton(ckMemRecall).Grayed);
    EXPECT_GT(Calc->GetButtonHeight(), 23);
}

} // namespace
