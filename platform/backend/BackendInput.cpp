// Qt's events on a surface turned into the window system's input, and the test entry that makes
// such events the way a desktop would.
#include "platform/backend/Backend.h"
#include "platform/backend/BackendQt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QStringList>
#include <QWheelEvent>
#include <QWidget>

namespace {

std::u32string ToU32(const QString& s) {
    std::u32string out;
    for (char32_t c : s.toUcs4())
        out.push_back(c);
    return out;
}

POINT Global(const QPointF& p) { return POINT{LONG(std::lround(p.x())), LONG(std::lround(p.y()))}; }

bool Button(Qt::MouseButton qt, TWinMouseButton& button) {
    switch (qt) {
    case Qt::LeftButton:
        button = TWinMouseButton::Left;
        return true;
    case Qt::RightButton:
        button = TWinMouseButton::Right;
        return true;
    case Qt::MiddleButton:
        button = TWinMouseButton::Middle;
        return true;
    default:
        return false;
    }
}

// X keysyms of the right-hand modifier keys.
constexpr quint32 KeysymShiftR = 0xFFE2;
constexpr quint32 KeysymControlR = 0xFFE4;
constexpr quint32 KeysymAltR = 0xFFEA;
constexpr quint32 KeysymSuperR = 0xFFEC;

} // namespace

UINT BackendVirtualKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey, bool& extended) {
    const bool keypad = modifiers & Qt::KeypadModifier;
    extended = false;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return UINT(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? UINT(VK_NUMPAD0 + (key - Qt::Key_0)) : UINT(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return UINT(VK_F1 + (key - Qt::Key_F1));
    auto navigation = [&](int vk) {
        extended = !keypad;
        return UINT(vk);
    };
    switch (key) {
    case Qt::Key_Return:
        return VK_RETURN;
    case Qt::Key_Enter:
        extended = true;
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Insert:
        return navigation(VK_INSERT);
    case Qt::Key_Delete:
        return navigation(VK_DELETE);
    case Qt::Key_Home:
        return navigation(VK_HOME);
    case Qt::Key_End:
        return navigation(VK_END);
    case Qt::Key_PageUp:
        return navigation(VK_PRIOR);
    case Qt::Key_PageDown:
        return navigation(VK_NEXT);
    case Qt::Key_Left:
        return navigation(VK_LEFT);
    case Qt::Key_Up:
        return navigation(VK_UP);
    case Qt::Key_Right:
        return navigation(VK_RIGHT);
    case Qt::Key_Down:
        return navigation(VK_DOWN);
    case Qt::Key_Clear:
        return VK_CLEAR;
    case Qt::Key_Shift:
        return nativeVirtualKey == KeysymShiftR ? VK_RSHIFT : VK_SHIFT;
    case Qt::Key_Control:
        if (nativeVirtualKey == KeysymControlR) extended = true;
        return VK_CONTROL;
    case Qt::Key_Alt:
        if (nativeVirtualKey == KeysymAltR) extended = true;
        return VK_MENU;
    case Qt::Key_AltGr:
        extended = true;
        return VK_MENU;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return nativeVirtualKey == KeysymSuperR ? VK_RWIN : VK_LWIN;
    case Qt::Key_Super_R:
        return VK_RWIN;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return VK_OEM_1;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Plus:
        return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return VK_OEM_COMMA;
    case Qt::Key_Minus:
        return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Underscore:
        return VK_OEM_MINUS;
    case Qt::Key_Period:
        return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Greater:
        return VK_OEM_PERIOD;
    case Qt::Key_Slash:
        if (keypad) {
            extended = true;
            return VK_DIVIDE;
        }
        return VK_OEM_2;
    case Qt::Key_Question:
        return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return VK_OEM_7;
    case Qt::Key_Asterisk:
        return keypad ? VK_MULTIPLY : UINT('8');
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    default:
        return 0;
    }
}

// ================================================================================================

bool TBackendSurface::event(QEvent* e) {
    const HWND window = FWindow;
    switch (e->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        POINT p = Global(me->globalPosition());
        if (e->type() == QEvent::MouseMove) {
            BackendGuard([&] { WinInputMouseMove(p); });
        } else {
            TWinMouseButton button;
            if (Button(me->button(), button)) {
                // Our own double-click rules decide; Qt's double click is a second press.
                bool down = e->type() != QEvent::MouseButtonRelease;
                BackendGuard([&] {
                    WinInputMouseMove(p);
                    WinInputMouseButton(p, button, down);
                });
            }
        }
        FBackend.Delivered();
        e->accept();
        return true;
    }
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        POINT p = Global(we->globalPosition());
        int delta = we->angleDelta().y();
        if (delta != 0) BackendGuard([&] { WinInputMouseWheel(p, delta); });
        FBackend.Delivered();
        e->accept();
        return true;
    }
    case QEvent::Leave:
        BackendGuard([] { WinInputMouseLeft(); });
        FBackend.Delivered();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(e);
        const bool down = e->type() == QEvent::KeyPress;
        // An auto-repeating key sends release and press pairs: only the presses count.
        if (!down && ke->isAutoRepeat()) return true;
        bool extended = false;
        UINT vk = BackendVirtualKey(ke->key(), ke->modifiers(), ke->nativeVirtualKey(), extended);
        std::u32string text = ToU32(ke->text());
        BackendGuard([&] {
            if (vk)
                WinInputKey(vk, extended, down, down ? text : std::u32string());
            else if (down && !text.empty() && text[0] >= 0x20)
                WinInputKey(VK_PACKET, false, true, text); // a key of another layout: its text
            else if (!down && !text.empty() && text[0] >= 0x20)
                WinInputKey(VK_PACKET, false, false);
        });
        FBackend.Delivered();
        e->accept();
        return true;
    }
    case QEvent::InputMethodQuery: {
        auto* query = static_cast<QInputMethodQueryEvent*>(e);
        if (query->queries() & Qt::ImEnabled) query->setValue(Qt::ImEnabled, true);
        query->accept();
        return true;
    }
    case QEvent::InputMethod: {
        auto* im = static_cast<QInputMethodEvent*>(e);
        std::u32string text = ToU32(im->commitString());
        if (!text.empty()) BackendGuard([&] { WinInputText(text); });
        FBackend.Delivered();
        e->accept();
        return true;
    }
    case QEvent::Close:
        // The window decides whether it closes: it gets the request as a message.
        e->ignore();
        BackendGuard([&] { WinInputClose(window); });
        FBackend.Delivered();
        return true;
    case QEvent::FocusIn:
        if (FBackend.ActivatedByOthers(window)) {
            // The keys went to another program meanwhile (Alt+Tab leaves its Alt there).
            FBackend.ResyncKeys();
            BackendGuard([&] { WinInputSurfaceActivated(window, true); });
            FBackend.Delivered();
        }
        break;
    case QEvent::WindowStateChange: {
        // The window manager minimized, maximized or restored the window: the window is asked.
        Qt::WindowStates states = windowStates();
        bool minimized = states & Qt::WindowMinimized;
        bool maximized = states & Qt::WindowMaximized;
        if (!FApplying && (minimized != FState.Minimized || (!minimized && maximized != FState.Maximized))) {
            WPARAM command = minimized ? SC_MINIMIZE : maximized ? SC_MAXIMIZE : SC_RESTORE;
            BackendGuard([&] { PostMessageA(window, WM_SYSCOMMAND, command, 0); });
            FBackend.Delivered();
        }
        break;
    }
    case QEvent::Move:
    case QEvent::Resize:
        QWindow::event(e);
        ReportGeometry();
        if (e->type() == QEvent::Resize && isExposed()) PresentAll();
        return true;
    default:
        break;
    }
    return QWindow::event(e);
}

// ================================================================================================
// Input for tests.

namespace {

TBackendSurface* SurfaceOf(HWND window) {
    TQtBackend* backend = BackendInstance();
    return backend ? backend->Surface(window) : nullptr;
}

void Send(QObject* target, QEvent& e) { QCoreApplication::sendEvent(target, &e); }

// What a US keyboard types with a key, as a desktop's key event carries it.
QString TextOf(int key, Qt::KeyboardModifiers mods) {
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (ctrl) return QString(QChar(key - Qt::Key_A + 1));
        return QString(QChar(shift ? key : key - Qt::Key_A + 'a'));
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Escape:
        return QString(QChar(27));
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    case Qt::Key_Backspace:
        return QString(QChar(8));
    default:
        break;
    }
    if (key >= 0x20 && key < 0x7F && !ctrl) return QString(QChar(key));
    return QString();
}

// "Shift+2" names the key 2 with Shift held; the event carries the key the keyboard reports (@).
int ShiftedKey(int key) {
    static const char digits[] = ")!@#$%^&*(";
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return digits[key - Qt::Key_0];
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    switch (key) {
    case Qt::Key_Semicolon:
        return Qt::Key_Colon;
    case Qt::Key_Equal:
        return Qt::Key_Plus;
    case Qt::Key_Comma:
        return Qt::Key_Less;
    case Qt::Key_Minus:
        return Qt::Key_Underscore;
    case Qt::Key_Period:
        return Qt::Key_Greater;
    case Qt::Key_Slash:
        return Qt::Key_Question;
    default:
        return key;
    }
}

void KeyEvent(QObject* target, QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text) {
    QKeyEvent e(type, key, mods, text);
    Send(target, e);
}

} // namespace

bool BackendSynthMouse(HWND window, TBackendMouse kind, int x, int y, int button) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    QPointF local(x, y);
    QPointF global = QPointF(s->geometry().topLeft()) + local;
    Qt::MouseButton b = button == 1 ? Qt::RightButton : button == 2 ? Qt::MiddleButton : Qt::LeftButton;
    QEvent::Type type = kind == TBackendMouse::Move      ? QEvent::MouseMove
                        : kind == TBackendMouse::Press   ? QEvent::MouseButtonPress
                        : kind == TBackendMouse::Release ? QEvent::MouseButtonRelease
                                                         : QEvent::MouseButtonDblClick;
    Qt::MouseButton which = kind == TBackendMouse::Move ? Qt::NoButton : b;
    Qt::MouseButtons held =
        kind == TBackendMouse::Release || kind == TBackendMouse::Move ? Qt::NoButton : Qt::MouseButtons(b);
    QMouseEvent e(type, local, local, global, which, held, QGuiApplication::keyboardModifiers());
    Send(s, e);
    return true;
}

bool BackendSynthWheel(HWND window, int x, int y, int delta) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    QPointF local(x, y);
    QPointF global = QPointF(s->geometry().topLeft()) + local;
    QWheelEvent e(local, global, QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                  false);
    Send(s, e);
    return true;
}

bool BackendSynthLeave(HWND window) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    QEvent e(QEvent::Leave);
    Send(s, e);
    return true;
}

namespace {

// The modifiers held by keys pressed alone ("Down:Ctrl") and not yet released.
Qt::KeyboardModifiers& HeldAlone() {
    static Qt::KeyboardModifiers held;
    return held;
}

Qt::KeyboardModifier ModifierOfKey(int key) {
    switch (key) {
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    default:
        return Qt::NoModifier;
    }
}

// One key pressed or released alone; the modifiers it makes held stay held until released.
bool SynthOneKey(QObject* target, const QString& name, bool down) {
    // A modifier alone is no key sequence: its name is taken as it is.
    int key = name == QStringLiteral("Ctrl")    ? int(Qt::Key_Control)
              : name == QStringLiteral("Alt")   ? int(Qt::Key_Alt)
              : name == QStringLiteral("Shift") ? int(Qt::Key_Shift)
                                                : 0;
    if (key == 0) {
        QKeySequence sequence(name, QKeySequence::PortableText);
        if (sequence.isEmpty()) return false;
        key = sequence[0].key();
    }
    Qt::KeyboardModifiers& held = HeldAlone();
    const Qt::KeyboardModifier modifier = ModifierOfKey(key);
    if (modifier != Qt::NoModifier) {
        // A modifier's own event carries the state with it pressed, without it released.
        if (down) held |= modifier;
        else held &= ~Qt::KeyboardModifiers(modifier);
        KeyEvent(target, down ? QEvent::KeyPress : QEvent::KeyRelease, key, held, QString());
        return true;
    }
    const int reported = (held & Qt::ShiftModifier) ? ShiftedKey(key) : key;
    KeyEvent(target, down ? QEvent::KeyPress : QEvent::KeyRelease, reported, held, TextOf(reported, held));
    return true;
}

bool SynthKeys(QObject* target, const String& keys) {
    const QStringList list =
        QString::fromUtf8(keys.data(), qsizetype(keys.size())).split(' ', Qt::SkipEmptyParts);
    for (const QString& item : list) {
        if (item.startsWith(QStringLiteral("Down:")) || item.startsWith(QStringLiteral("Up:"))) {
            const bool down = item.startsWith(QStringLiteral("Down:"));
            if (!SynthOneKey(target, item.mid(item.indexOf(':') + 1), down)) return false;
            continue;
        }
        QKeySequence sequence(item, QKeySequence::PortableText);
        if (sequence.isEmpty()) return false;
        QKeyCombination combination = sequence[0];
        Qt::KeyboardModifiers mods = combination.keyboardModifiers() | HeldAlone();
        int key = combination.key();
        struct Modifier {
            Qt::KeyboardModifier Flag;
            int Key;
        };
        const Modifier order[] = {{Qt::ControlModifier, Qt::Key_Control},
                                  {Qt::AltModifier, Qt::Key_Alt},
                                  {Qt::ShiftModifier, Qt::Key_Shift}};
        Qt::KeyboardModifiers held = HeldAlone();
        for (const Modifier& m : order) {
            if (!(mods & m.Flag) || (held & m.Flag)) continue;
            held |= m.Flag;
            KeyEvent(target, QEvent::KeyPress, m.Key, held, QString());
        }
        int reported = (mods & Qt::ShiftModifier) ? ShiftedKey(key) : key;
        QString text = TextOf(reported, mods);
        KeyEvent(target, QEvent::KeyPress, reported, mods, text);
        KeyEvent(target, QEvent::KeyRelease, reported, mods, text);
        for (auto m = std::rbegin(order); m != std::rend(order); ++m) {
            if (!(mods & m->Flag) || (HeldAlone() & m->Flag)) continue;
            held &= ~Qt::KeyboardModifiers(m->Flag);
            KeyEvent(target, QEvent::KeyRelease, m->Key, held, QString());
        }
    }
    return true;
}

} // namespace

bool BackendSynthKeys(HWND window, const String& keys) {
    if (!window) {
        // Another program's window: the keys reach nothing of ours.
        static QObject elsewhere;
        return SynthKeys(&elsewhere, keys);
    }
    TBackendSurface* s = SurfaceOf(window);
    return s && SynthKeys(s, keys);
}

bool BackendSynthDialogKeys(const String& keys) {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return false;
    QWindow* window = dialog->windowHandle();
    return SynthKeys(window ? static_cast<QObject*>(window) : dialog, keys);
}

bool BackendSynthInputMethod(HWND window, const String& utf8) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    QInputMethodEvent e;
    e.setCommitString(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    Send(s, e);
    return true;
}

bool BackendSynthClose(HWND window) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    QCloseEvent e;
    Send(s, e);
    return true;
}

bool BackendSynthWindowState(HWND window, bool minimized, bool maximized) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    s->setWindowStates(minimized ? Qt::WindowMinimized : maximized ? Qt::WindowMaximized : Qt::WindowNoState);
    QCoreApplication::processEvents();
    return true;
}

bool BackendSynthGeometry(HWND window, const RECT& clientRect) {
    TBackendSurface* s = SurfaceOf(window);
    if (!s) return false;
    const TWinSurfaceState& state = s->State();
    RECT shown = clientRect;
    if (!state.Decorated) {
        shown = RECT{clientRect.left - (state.ContentRect.left - state.WindowRect.left),
                     clientRect.top - (state.ContentRect.top - state.WindowRect.top),
                     clientRect.right + (state.WindowRect.right - state.ContentRect.right),
                     clientRect.bottom + (state.WindowRect.bottom - state.ContentRect.bottom)};
    }
    // As a window manager does it: the Qt window gets its new geometry and tells us.
    s->setGeometry(QRect(shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top));
    QCoreApplication::processEvents();
    return true;
}
