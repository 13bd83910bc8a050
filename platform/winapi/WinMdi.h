// Multiple-document windows: the "MDICLIENT" window class that holds the document windows of
// a frame, its WM_MDI* protocol, and the default procedures of the frame (DefFrameProcA) and of
// a document window (DefMDIChildProcA).
//
// The document windows are the client's children with WS_EX_MDICHILD; their z-order among the
// client's children is the order of activation (the active one on top).
#pragma once

#include "platform/winapi/WinCore.h"

// The client's creation data (CreateWindowEx's param for "MDICLIENT").
struct CLIENTCREATESTRUCT {
    HMENU hWindowMenu = nullptr;
    UINT idFirstChild = 0;
};

// WM_MDICREATE's lParam.
struct MDICREATESTRUCTA {
    LPCSTR szClass = nullptr;
    LPCSTR szTitle = nullptr;
    HINSTANCE hOwner = nullptr;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int cx = CW_USEDEFAULT;
    int cy = CW_USEDEFAULT;
    DWORD style = 0;
    LPARAM lParam = 0;
};

// WM_MDITILE's wParam.
constexpr WPARAM MDITILE_VERTICAL = 0x0000;
constexpr WPARAM MDITILE_HORIZONTAL = 0x0001;
constexpr WPARAM MDITILE_SKIPDISABLED = 0x0002;
// WM_MDICASCADE's wParam.
constexpr WPARAM MDICASCADE_SKIPDISABLED = MDITILE_SKIPDISABLED;

// Styles the client honours when creating a document window.
constexpr DWORD MDIS_ALLCHILDSTYLES = 0x0001;

constexpr const char* MDICLIENT_CLASS = "MDICLIENT";

// Registers the client's class (done at start-up; calling it again does nothing).
void WinRegisterMdiClientClass();

// The frame's default procedure: WM_SIZE fills the client area with the client window,
// WM_COMMAND from the window menu (ids from idFirstChild) activates that document, WM_SETFOCUS
// hands the focus to the client, and the rest goes to DefWindowProcA.
LRESULT DefFrameProcA(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam);
// A document window's default procedure: clicks and focus activate it within its client;
// WM_SYSCOMMAND maximizes, minimizes, restores, closes and moves to the next document; WM_CLOSE
// destroys it through the client; the rest goes to DefWindowProcA.
LRESULT DefMDIChildProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT DefFrameProc(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcA(frame, client, message, wParam, lParam);
}
inline LRESULT DefMDIChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcA(window, message, wParam, lParam);
}

// Creates a document window in the client (WM_MDICREATE).
HWND CreateMDIWindowA(LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                      HWND client, HINSTANCE instance, LPARAM param);
