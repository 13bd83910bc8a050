// System metrics: the classic frame and control sizes at 96 dots per inch, and the screen as the
// display reports it.
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinMonitor.h"
#include "platform/winapi/WinInternal.h"

namespace {

RECT Screen() {
    if (TWinBackend* backend = WinGetBackend()) return backend->ScreenRect();
    return RECT{0, 0, 1024, 768};
}

RECT Work() {
    if (TWinBackend* backend = WinGetBackend()) return backend->WorkArea();
    return Screen();
}

} // namespace

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: {
        RECT primary = WinPrimaryMonitorRect();
        return primary.right - primary.left;
    }
    case SM_CYSCREEN: {
        RECT primary = WinPrimaryMonitorRect();
        return primary.bottom - primary.top;
    }
    // The scroll-bar sizes follow SPI_SETNONCLIENTMETRICS: the vertical bar's width is also the
    // width of the horizontal bar's arrows, the horizontal bar's height the height of the
    // vertical bar's arrows.
    case SM_CXVSCROLL:
    case SM_CXHSCROLL: {
        int width = 16, height = 16;
        WinSetScrollBarSizes(width, height);
        return width;
    }
    case SM_CYHSCROLL:
    case SM_CYVSCROLL: {
        int width = 16, height = 16;
        WinSetScrollBarSizes(width, height);
        return height;
    }
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return 16;
    case SM_CYCAPTION:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYMENU:
        return 19;
    case SM_CXFULLSCREEN:
        return Work().right - Work().left;
    case SM_CYFULLSCREEN:
        return Work().bottom - Work().top - 19;
    case SM_CYKANJIWINDOW:
        return 0;
    case SM_MOUSEPRESENT:
        return 1;
    case SM_DEBUG:
        return 0;
    case SM_SWAPBUTTON:
        return 0;
    case SM_CXMIN:
    case SM_CXMINTRACK:
        return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
        return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
        return 18;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
        return 75;
    case SM_MENUDROPALIGNMENT:
        return 0;
    case SM_PENWINDOWS:
        return 0;
    case SM_DBCSENABLED:
        return 0;
    case SM_CMOUSEBUTTONS:
        return 3;
    case SM_SECURE:
        return 0;
    case SM_CXMINSPACING:
        return 160;
    case SM_CYMINSPACING:
        return 24;
    case SM_CYSMCAPTION:
        return 16;
    case SM_CXSMSIZE:
        return 12;
    case SM_CYSMSIZE:
        return 15;
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
        return 18;
    case SM_ARRANGE:
        return 8;
    case SM_CXMINIMIZED:
        return 160;
    case SM_CYMINIMIZED:
        return 24;
    case SM_CXMAXTRACK:
        return Screen().right - Screen().left + 12;
    case SM_CYMAXTRACK:
        return Screen().bottom - Screen().top + 12;
    case SM_CXMAXIMIZED:
        return Work().right - Work().left + 8;
    case SM_CYMAXIMIZED:
        return Work().bottom - Work().top + 8;
    case SM_NETWORK:
        return 1;
    case SM_CLEANBOOT:
        return 0;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_SHOWSOUNDS:
        return 0;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
        return 13;
    case SM_SLOWMACHINE:
        return 0;
    case SM_MIDEASTENABLED:
        return 0;
    case SM_MOUSEWHEELPRESENT:
        return 1;
    case SM_XVIRTUALSCREEN:
        return WinVirtualScreenRect().left;
    case SM_YVIRTUALSCREEN:
        return WinVirtualScreenRect().top;
    case SM_CXVIRTUALSCREEN: {
        RECT all = WinVirtualScreenRect();
        return all.right - all.left;
    }
    case SM_CYVIRTUALSCREEN: {
        RECT all = WinVirtualScreenRect();
        return all.bottom - all.top;
    }
    case SM_CMONITORS:
        return WinMonitorCount();
    case SM_SAMEDISPLAYFORMAT:
        return 1;
    case SM_IMMENABLED:
        return 1;
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER:
        return 1;
    default:
        return 0;
    }
}
