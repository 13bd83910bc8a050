// The message box window: layout from the text and the button set, the modal loop, and the
// answers of the keyboard, the buttons and the close box.
#include "platform/winapi/WinMessageBox.h"

#include <algorithm>
#include <vector>

#include "platform/runtime/SysInfo.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinDialog.h"
#include "platform/winapi/WinModal.h"
#include "platform/winapi/WinStatic.h"

namespace {

// Layout, in pixels of the client area.
constexpr int kMargin = 12;          // around the contents
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;         // between the icon and the text
constexpr int kTextButtonsGap = 14;  // between the text (or icon) and the buttons
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kButtonPadding = 16;   // least room beside a caption that is longer than usual
constexpr int kMinTextWidth = 120;
constexpr int kTextId = 0xFFFF;

// The buttons speak the user's language, as the desktop's own windows do.
const char* ButtonCaption(int id) {
    if (PlatformTextsChinese()) {
        switch (id) {
        case IDOK: return "确定";
        case IDCANCEL: return "取消";
        case IDABORT: return "中止(&A)";
        case IDRETRY: return "重试(&R)";
        case IDIGNORE: return "忽略(&I)";
        case IDYES: return "是(&Y)";
        case IDNO: return "否(&N)";
        default: return "";
        }
    }
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    default: return "";
    }
}

LPCSTR IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return IDI_HAND;
    case MB_ICONQUESTION: return IDI_QUESTION;
    case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
    case MB_ICONASTERISK: return IDI_ASTERISK;
    default: return nullptr;
    }
}

// What one box keeps while it runs (the window's GWLP_USERDATA).
struct TBoxState {
    std::vector<int> Buttons;
    int EscapeResult = 0;  // what Escape and the close box answer; 0: they do nothing
    int Result = 0;
    bool Done = false;
    HICON Icon = nullptr;
    POINT IconAt{};
};

TBoxState* StateOf(HWND box) { return reinterpret_cast<TBoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA)); }

void Finish(TBoxState* state, int result) {
    if (state->Done) return;
    state->Done = true;
    state->Result = result;
}

LRESULT MessageBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    TBoxState* state = StateOf(box);
    switch (message) {
    case WM_COMMAND: {
        if (!state || HIWORD(wParam) != BN_CLICKED) break;
        const int id = LOWORD(wParam);
        if (std::find(state->Buttons.begin(), state->Buttons.end(), id) != state->Buttons.end())
            Finish(state, id);
        else if (id == IDCANCEL && state->EscapeResult != 0)
            Finish(state, state->EscapeResult);
        return 0;
    }
    case WM_CLOSE:
        if (state && state->EscapeResult != 0) Finish(state, state->EscapeResult);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(box, &paint);
        if (state && state->Icon) DrawIcon(dc, state->IconAt.x, state->IconAt.y, state->Icon);
        EndPaint(box, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefDlgProcA(box, message, wParam, lParam);
}

bool RegisterBoxClass() {
    WNDCLASSA existing;
    if (GetClassInfoA(nullptr, WC_MESSAGEBOXA, &existing)) return true;
    WNDCLASSA wc;
    wc.lpfnWndProc = MessageBoxProc;
    wc.lpszClassName = WC_MESSAGEBOXA;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_BTNFACE + 1));
    return RegisterClassA(&wc) != 0;
}

// The extent of the text wrapped at blanks within maxWidth, in the box's font.
SIZE MeasureText(HFONT font, const String& text, int maxWidth) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, maxWidth, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SIZE size{};
    size.cx = std::min<LONG>(r.right - r.left, maxWidth);
    size.cy = r.bottom - r.top;
    if (size.cy == 0) {
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        size.cy = metrics.tmHeight;
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

// Room the title bar needs for the caption: its text in the caption font, the icon and the buttons
// beside it.
int TitleWidth(const String& caption) {
    NONCLIENTMETRICSA metrics;
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, caption.c_str(), int(caption.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return (r.right - r.left) + 3 * GetSystemMetrics(SM_CXSIZE) + 2 * kMargin;
}

int CaptionWidth(HFONT font, const char* caption) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, caption, -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.right - r.left;
}

// Centred over the owner's window, or on the screen; kept on the screen.
POINT Placement(HWND owner, int width, int height) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT area{0, 0, screenWidth, screenHeight};
    if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &area);
    POINT at{area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
    at.x = std::max<LONG>(0, std::min<LONG>(at.x, screenWidth - width));
    at.y = std::max<LONG>(0, std::min<LONG>(at.y, screenHeight - height));
    return at;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (!RegisterBoxClass()) return 0;
    if (owner && !IsWindow(owner)) owner = nullptr;
    // The box belongs to the owner's top-level window, which is what gets disabled.
    if (owner) owner = GetAncestor(owner, GA_ROOT);

    TBoxState state;
    state.Buttons = PromptButtons(type);
    const bool hasCancel =
        std::find(state.Buttons.begin(), state.Buttons.end(), IDCANCEL) != state.Buttons.end();
    if (hasCancel)
        state.EscapeResult = IDCANCEL;
    else if (state.Buttons.size() == 1 && state.Buttons[0] == IDOK)
        state.EscapeResult = IDOK;
    const int defaultId = DefaultPromptButton(type);
    if (LPCSTR icon = IconOf(type)) state.Icon = LoadIconA(nullptr, icon);

    const String message = text ? text : "";
    auto font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    // The text wraps within a share of the screen's width.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int textLeft = kMargin + (state.Icon ? kIconSize + kIconGap : 0);
    const int maxTextWidth = std::max(kMinTextWidth, screenWidth * 5 / 8 - textLeft - kMargin);
    const SIZE textSize = MeasureText(font, message, maxTextWidth);

    int buttonWidth = kButtonWidth;
    for (int id : state.Buttons) buttonWidth = std::max(buttonWidth, CaptionWidth(font, ButtonCaption(id)) + kButtonPadding);
    const int buttonCount = int(state.Buttons.size());
    const int buttonsWidth = buttonCount * buttonWidth + (buttonCount - 1) * kButtonGap;

    const int contentHeight = std::max<int>(textSize.cy, state.Icon ? kIconSize : 0);
    const String title = caption ? caption : "Error";
    const int clientWidth = std::max<int>({textLeft + textSize.cx + kMargin, buttonsWidth + 2 * kMargin,
                                           std::min(TitleWidth(title), screenWidth * 7 / 8)});
    const int buttonsTop = kMargin + contentHeight + kTextButtonsGap;
    const int clientHeight = buttonsTop + kButtonHeight + kMargin;

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const POINT at = Placement(owner, width, height);

    HWND box = CreateWindowExA(exStyle, WC_MESSAGEBOXA, title.c_str(), style, at.x, at.y, width,
                               height, owner, nullptr, nullptr, nullptr);
    if (!box) return 0;
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

    // The text, beside the icon and centred on it when it is the shorter.
    const int textTop = kMargin + (state.Icon && textSize.cy < kIconSize ? (kIconSize - textSize.cy) / 2 : 0);
    state.IconAt = POINT{kMargin, kMargin};
    HWND label = CreateWindowExA(0, WC_STATICA, message.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 textLeft, textTop, textSize.cx, textSize.cy, box,
                                 reinterpret_cast<HMENU>(std::uintptr_t(kTextId)), nullptr, nullptr);
    SendMessageA(label, WM_SETFONT, WPARAM(font), FALSE);

    // The buttons, centred under the text.
    HWND defaultButton = nullptr;
    int x = (clientWidth - buttonsWidth) / 2;
    for (int i = 0; i < buttonCount; ++i) {
        const int id = state.Buttons[std::size_t(i)];
        DWORD buttonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        if (i == 0) buttonStyle |= WS_GROUP;
        HWND button = CreateWindowExA(0, WC_BUTTONA, ButtonCaption(id), buttonStyle, x, buttonsTop, buttonWidth,
                                      kButtonHeight, box, reinterpret_cast<HMENU>(std::uintptr_t(id)), nullptr,
                                      nullptr);
        SendMessageA(button, WM_SETFONT, WPARAM(font), FALSE);
        if (id == defaultId) defaultButton = button;
        x += buttonWidth + kButtonGap;
    }
    SendMessageA(box, DM_SETDEFID, WPARAM(defaultId), 0);

    // Modal: the owner (or, task-modal without one, every window of the thread) is disabled.
    std::vector<HWND> disabled;
    if (owner) {
        if (IsWindowEnabled(owner)) {
            EnableWindow(owner, FALSE);
            disabled.push_back(owner);
        }
    } else if ((type & MB_MODEMASK) == MB_TASKMODAL) {
        disabled = WinDisableTaskWindows(box);
    }

    ShowWindow(box, SW_SHOW);
    SetActiveWindow(box);
    if (defaultButton) SendMessageA(box, WM_NEXTDLGCTL, WPARAM(defaultButton), TRUE);
    UpdateWindow(box);

    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (!state.Done && IsWindow(box)) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && owner && IsWindow(owner)) {
            SendMessageA(owner, WM_ENTERIDLE, WPARAM(MSGF_DIALOGBOX), LPARAM(box));
            if (state.Done || !IsWindow(box)) break;
        }
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            // The program is ending: leave as Escape would, or with the default button.
            quit = true;
            quitCode = msg.wParam;
            Finish(&state, state.EscapeResult != 0 ? state.EscapeResult : defaultId);
            break;
        }
        if (!IsDialogMessageA(box, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (!state.Done) state.Result = state.EscapeResult != 0 ? state.EscapeResult : defaultId;

    // The owner comes back before the box goes, so that activation returns to it.
    WinEnableTaskWindows(disabled);
    if (IsWindow(box)) {
        SetWindowLongPtrA(box, GWLP_USERDATA, 0);
        DestroyWindow(box);
    }
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    if (quit) PostQuitMessage(int(quitCode));
    return state.Result;
}
