// What the edit control tests share: a top-level host standing where a form would, the clipboard
// kept in memory, the manual clock, and keys and text put in through the display's input.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/classlib/Controls.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinBackendInterface.h"

namespace edittest {

// Modifier keys held down during a key.
constexpr unsigned S = 1; // Shift
constexpr unsigned C = 2; // Ctrl

// A top-level window standing where a form would.
class TEditHost : public TCustomControl {
    KOV_CLASS(TEditHost, TCustomControl)
public:
    explicit TEditHost(TComponent* owner) : TCustomControl(owner) {
        FControlStyle.Include(csAcceptsControls);
        SetColor(clBtnFace);
    }
    bool IsTopLevel() const override { return true; }
    void ShowHost() {
        HandleNeeded();
        UpdateControlState();
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TCustomControl::CreateParams(params);
        params.Style = WS_POPUP | WS_CLIPCHILDREN;
        params.WndParent = nullptr;
    }
};

// Keys the keyboard sends with the extended flag.
inline bool IsExtended(UINT vk) {
    return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END ||
           vk == VK_PRIOR || vk == VK_NEXT || vk == VK_INSERT || vk == VK_DELETE;
}

// The host shown at 100, 100 in the given size; the clipboard in Clip.
class TEditHostFixture : public ::testing::Test {
protected:
    TEditHostFixture(Integer width, Integer height) : FWidth(width), FHeight(height) {}
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        FOldStore = SetClipboardStore(&Clip);
        Host = new TEditHost(nullptr);
        Host->SetBounds(100, 100, FWidth, FHeight);
        Host->ShowHost();
    }
    void TearDown() override {
        delete Host;
        Pump();
        SetClipboardStore(FOldStore);
        ClockSetMode(FOldMode);
    }
    // Dispatches every queued message, offering key messages to the controls first as the
    // application's loop does.
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsControlKeyMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // A key pressed and released with the modifiers (S, C) held.
    static void Key(UINT vk, unsigned mods = 0) {
        if (mods & C) WinInputKey(VK_CONTROL, false, true);
        if (mods & S) WinInputKey(VK_SHIFT, false, true);
        WinInputKey(vk, IsExtended(vk), true);
        WinInputKey(vk, IsExtended(vk), false);
        if (mods & S) WinInputKey(VK_SHIFT, false, false);
        if (mods & C) WinInputKey(VK_CONTROL, false, false);
        Pump();
    }
    static void Type(const std::u32string& text) {
        WinInputText(text);
        Pump();
    }

    TMemoryClipboardStore Clip;
    TEditHost* Host = nullptr;

private:
    Integer FWidth, FHeight;
    TClockMode FOldMode = TClockMode::Real;
    TClipboardStore* FOldStore = nullptr;
};

} // namespace edittest
