// The display over Qt: starting Qt, one Qt window per top-level window showing its image at its
// screen position, and what the tests ask about them.
#include "platform/backend/BackendQt.h"
#include "platform/backend/Backend.h"
#include "platform/backend/BackendClipboard.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

#include "platform/runtime/Resources.h"
#include "platform/runtime/Threads.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/SysMetrics.h"

namespace {

TQtBackend* gBackend = nullptr;

QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

RECT ToRect(const QRect& r) { return RECT{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

void EnsureApplication(bool headless) {
    if (QCoreApplication::instance()) return;
    if (headless) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Pixels are ours: one device pixel per window pixel.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    static int argc = 1;
    static char name[] = "KOV-571";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

} // namespace

// ================================================================================================

TQtBackend* BackendInstance() { return gBackend; }

void BackendGuard(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
        WinHandleException(std::current_exception());
    }
}

TQtBackend::TQtBackend() : FThreadId(GetCurrentThreadId()) {
    RefreshScreen();
    auto watch = [this](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, FContext.get(), [this] { RefreshScreen(); });
        QObject::connect(screen, &QScreen::availableGeometryChanged, FContext.get(),
                         [this] { RefreshScreen(); });
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    auto* app = static_cast<QGuiApplication*>(QCoreApplication::instance());
    QObject::connect(app, &QGuiApplication::screenAdded, FContext.get(), [this, watch](QScreen* screen) {
        watch(screen);
        RefreshScreen();
    });
    // A screen being removed is still in the list while the signal runs: look once it is gone.
    QObject::connect(app, &QGuiApplication::screenRemoved, FContext.get(), [this] {
        QMetaObject::invokeMethod(
            FContext.get(), [this] { RefreshScreen(); }, Qt::QueuedConnection);
    });
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, FContext.get(),
                     [this] { RefreshScreen(); });
    MakePump();
    FWatcher = std::make_unique<TBackendWatcher>([this] {
        FWoken = true;
        if (auto* d = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread())) d->wakeUp();
    });
}

TQtBackend::~TQtBackend() {
    FContext.reset();
    FWatcher.reset();
    FPumpWatcher.reset();
    for (auto& [window, surface] : FSurfaces)
        delete surface;
    FSurfaces.clear();
}

void TQtBackend::RefreshScreen() {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    std::vector<TWinScreen> screens;
    auto add = [&screens, primary](QScreen* screen) {
        TWinScreen s;
        s.Geometry = ToRect(screen->geometry());
        s.WorkArea = ToRect(screen->availableGeometry());
        s.Primary = screen == primary;
        s.Name = screen->name().toStdString();
        screens.push_back(s);
    };
    add(primary);
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary) add(screen);
    std::lock_guard<std::mutex> guard(FScreenLock);
    FScreen = screens.front().Geometry;
    FWork = screens.front().WorkArea;
    FScreens = std::move(screens);
}

std::vector<TWinScreen> TQtBackend::Screens() const {
    std::lock_guard<std::mutex> guard(FScreenLock);
    if (FScreens.empty()) return {TWinScreen{FScreen, FWork, true, {}}};
    return FScreens;
}

RECT TQtBackend::ScreenRect() const {
    std::lock_guard<std::mutex> guard(FScreenLock);
    return FScreen;
}

RECT TQtBackend::WorkArea() const {
    std::lock_guard<std::mutex> guard(FScreenLock);
    return FWork;
}

TBackendSurface* TQtBackend::Surface(HWND window) const {
    auto it = FSurfaces.find(window);
    return it == FSurfaces.end() ? nullptr : it->second;
}

void TQtBackend::SurfaceChanged(const TWinSurfaceState& state) {
    TBackendSurface* surface = Surface(state.Window);
    if (!surface) {
        // A surface is made when the window is first shown; hidden windows need none.
        if (!state.Visible) return;
        surface = new TBackendSurface(*this, state.Window);
        FSurfaces[state.Window] = surface;
        surface->setCursor(FCursor);
    }
    surface->Apply(state);
}

void TQtBackend::SurfaceDestroyed(HWND window) {
    auto it = FSurfaces.find(window);
    if (it == FSurfaces.end()) return;
    TBackendSurface* surface = it->second;
    FSurfaces.erase(it);
    delete surface;
}

void TQtBackend::SurfacePresent(HWND window, const RECT& rect) {
    if (TBackendSurface* surface = Surface(window)) surface->Present(rect);
}

namespace {

// A cursor's masks as a picture: where the AND mask keeps the screen the picture is clear (or, for
// the inverting pixels, dark enough to be seen); elsewhere it shows the XOR colour.
QCursor MakeCursor(HCURSOR handle) {
    TCursorImage image;
    if (!handle || !CursorGetImage(handle, image) || image.Width <= 0 || image.Height <= 0) return QCursor();
    QImage picture(image.Width, image.Height, QImage::Format_ARGB32);
    for (int y = 0; y < image.Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < image.Width; ++x) {
            size_t i = size_t(y) * size_t(image.Width) + size_t(x);
            bool keep = i < image.And.size() && image.And[i];
            std::uint32_t colour = i < image.Xor.size() ? image.Xor[i] & 0xFFFFFF : 0;
            if (keep)
                row[x] = colour ? qRgba(0, 0, 0, 255) : qRgba(0, 0, 0, 0);
            else
                row[x] = 0xFF000000u | colour;
        }
    }
    return QCursor(QPixmap::fromImage(picture), image.HotSpot.x, image.HotSpot.y);
}

} // namespace

void TQtBackend::CursorChanged(HCURSOR cursor) {
    FCursorHandle = cursor;
    RefreshCursor();
}

void TQtBackend::RefreshCursor() {
    if (CursorShowCount() < 0 || !FCursorHandle)
        FCursor = QCursor(Qt::BlankCursor);
    else
        FCursor = MakeCursor(FCursorHandle);
    for (auto& [window, surface] : FSurfaces)
        surface->setCursor(FCursor);
}

void TQtBackend::SurfaceActivate(HWND window) {
    TBackendSurface* surface = Surface(window);
    if (surface && surface->isVisible() && !surface->isActive()) {
        FRequestedActive = window;
        surface->requestActivate();
    }
}

bool TQtBackend::ActivatedByOthers(HWND window) {
    // While our own request is on its way, Qt's activations are its answers (or stale ones).
    if (!FRequestedActive) return true;
    if (FRequestedActive == window) FRequestedActive = nullptr;
    return false;
}

// ================================================================================================
// Surfaces.

TBackendSurface::TBackendSurface(TQtBackend& backend, HWND window) : FBackend(backend), FWindow(window) {
    setSurfaceType(QSurface::RasterSurface);
    FStore = std::make_unique<QBackingStore>(this);
}

TBackendSurface::~TBackendSurface() {
    FStore.reset();
    destroy();
}

void TBackendSurface::Apply(const TWinSurfaceState& state) {
    FApplying = true;
    const bool wasVisible = isVisible();
    FState = state;
    Qt::WindowFlags flags;
    if (state.Decorated) {
        flags = state.ToolWindow ? Qt::Tool : (state.Owner ? Qt::Dialog : Qt::Window);
        if (!state.ToolWindow && !state.Resizable && !state.MaximizeBox) {
            // A fixed dialog: the window manager offers neither minimise nor maximise.
            flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowCloseButtonHint;
        }
    } else if (state.Popup && (state.ToolWindow || state.NoActivate || state.Topmost)) {
        // Menus, drop-downs and hints: placed exactly where we say, never decorated.
        flags = Qt::ToolTip | Qt::FramelessWindowHint;
    } else {
        flags = Qt::Window | Qt::FramelessWindowHint;
    }
    if (state.Topmost) flags |= Qt::WindowStaysOnTopHint;
    if (state.NoActivate) flags |= Qt::WindowDoesNotAcceptFocus;
    if (flags != this->flags()) setFlags(flags);
    TQtBackend* backend = &FBackend;
    QWindow* parent = state.Owner ? static_cast<QWindow*>(backend->Surface(state.Owner)) : nullptr;
    if (transientParent() != parent) setTransientParent(parent);
    QString title = QString::fromUtf8(state.Title.data(), qsizetype(state.Title.size()));
    if (title != this->title()) setTitle(title);

    const RECT& shown = state.Decorated ? state.ContentRect : state.WindowRect;
    FImageOffset = QPoint(shown.left - state.WindowRect.left, shown.top - state.WindowRect.top);
    QRect geometry = ToQRect(shown);
    if (geometry.width() < 1) geometry.setWidth(1);
    if (geometry.height() < 1) geometry.setHeight(1);
    if (!state.Minimized && geometry != FAppliedGeometry) {
        FAppliedGeometry = geometry;
        setGeometry(geometry);
    }
    if (state.Decorated && !state.Resizable) {
        setMinimumSize(geometry.size());
        setMaximumSize(geometry.size());
    } else {
        setMinimumSize(QSize(0, 0));
        setMaximumSize(QSize((1 << 24) - 1, (1 << 24) - 1));
    }
    if (!state.Decorated && state.HasRegion) {
        QRegion mask;
        for (const RECT& r : state.Region)
            mask += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        setMask(mask);
    } else if (!mask().isEmpty()) {
        setMask(QRegion());
    }
    if (state.Visible) {
        if (state.Minimized) {
            if (windowStates() != Qt::WindowMinimized) showMinimized();
        } else if (!wasVisible || windowStates() & Qt::WindowMinimized) {
            showNormal();
        }
    } else if (wasVisible) {
        hide();
    }
    FApplying = false;
    if (isExposed()) PresentAll();
}

QImage TBackendSurface::ImageView() const {
    GdiSurface s;
    if (!WinGetSurface(FWindow, s)) return QImage();
    return QImage(s.Bits, s.Width, s.Height, qsizetype(s.Stride), QImage::Format_RGB32);
}

QImage TBackendSurface::Shown() const {
    QImage image = ImageView();
    if (image.isNull()) return QImage();
    QRect part(FImageOffset, size());
    return image.copy(part);
}

void TBackendSurface::Present(const RECT& rect) {
    if (!isExposed() || !FStore) return;
    QRect area = ToQRect(rect).translated(-FImageOffset).intersected(QRect(QPoint(0, 0), size()));
    if (area.isEmpty()) return;
    QImage image = ImageView();
    if (image.isNull()) return;
    if (FStore->size() != size()) {
        FStore->resize(size());
        area = QRect(QPoint(0, 0), size());
    }
    FStore->beginPaint(QRegion(area));
    {
        QPainter painter(FStore->paintDevice());
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(area.topLeft(), image, area.translated(FImageOffset));
    }
    FStore->endPaint();
    FStore->flush(QRegion(area));
}

void TBackendSurface::PresentAll() {
    QRect all(FImageOffset, size());
    Present(ToRect(all));
}

void TBackendSurface::exposeEvent(QExposeEvent*) {
    if (isExposed()) PresentAll();
}

void TBackendSurface::ReportGeometry() {
    if (FApplying) return;
    QRect g = geometry();
    if (g == FAppliedGeometry) return;
    FAppliedGeometry = g;
    // The window manager moved or resized us: the window follows with the part we show.
    RECT client;
    if (FState.Decorated) {
        client = ToRect(g);
    } else {
        RECT w = ToRect(g);
        client = RECT{w.left + (FState.ContentRect.left - FState.WindowRect.left),
                      w.top + (FState.ContentRect.top - FState.WindowRect.top),
                      w.right - (FState.WindowRect.right - FState.ContentRect.right),
                      w.bottom - (FState.WindowRect.bottom - FState.ContentRect.bottom)};
    }
    HWND window = FWindow;
    BackendGuard([&] { WinInputSurfaceGeometry(window, client); });
    FBackend.Delivered();
}

// ================================================================================================
// Installing.

bool BackendUseProgramIcon() {
    HRSRC resource = FindResource(HInstance, TResourceId("MAINICON"), TResourceId(RT_GROUP_ICON));
    if (!resource || !QGuiApplication::instance()) return false;
    const auto* data = static_cast<const char*>(LockResource(LoadResource(HInstance, resource)));
    QByteArray bytes = QByteArray::fromRawData(data, qsizetype(SizeofResource(HInstance, resource)));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QIcon icon;
    // Every image of the file, so the desktop picks the size it needs.
    do {
        const QImage image = reader.read();
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    if (icon.isNull()) return false;
    QGuiApplication::setWindowIcon(icon);
    return true;
}

std::vector<SIZE> BackendProgramIconSizes() {
    std::vector<SIZE> sizes;
    if (!QGuiApplication::instance()) return sizes;
    for (const QSize& size : QGuiApplication::windowIcon().availableSizes())
        sizes.push_back(SIZE{size.width(), size.height()});
    return sizes;
}

void BackendInstall(bool headless) {
    if (gBackend) return;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    EnsureApplication(headless || (platform && std::string(platform) == "offscreen"));
    BackendUseProgramIcon();
    gBackend = new TQtBackend;
    WinSetBackend(gBackend);
    BackendInstallClipboard();
    // The cursor's show count follows on the surfaces; the message beep is the display's.
    SetCursorDisplayHook([] {
        if (gBackend && GetCurrentThreadId() == gBackend->EventThreadId()) gBackend->RefreshCursor();
    });
    SetMessageBeepHook([](UINT) { QApplication::beep(); });
    gBackend->CursorChanged(GetCursor());
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, gBackend->Context(),
                     [](Qt::ApplicationState state) {
                         if (state != Qt::ApplicationInactive || !gBackend) return;
                         BackendGuard([] {
                             if (HWND active = GetActiveWindow()) WinInputSurfaceActivated(active, false);
                         });
                     });
}

void BackendUninstall() {
    if (!gBackend) return;
    SetCursorDisplayHook(nullptr);
    SetMessageBeepHook(nullptr);
    BackendUninstallClipboard();
    WinSetBackend(nullptr);
    delete gBackend;
    gBackend = nullptr;
}

bool BackendInstalled() { return gBackend != nullptr; }

bool BackendSurfaceInfo(HWND window, TBackendSurfaceInfo& info) {
    TBackendSurface* s = gBackend ? gBackend->Surface(window) : nullptr;
    if (!s) return false;
    info.Geometry = ToRect(s->geometry());
    info.Visible = s->isVisible();
    info.Exposed = s->isExposed();
    info.Frameless = s->flags() & Qt::FramelessWindowHint;
    const Qt::WindowFlags flags = s->flags();
    const bool customized = flags & Qt::CustomizeWindowHint;
    info.MinimizeButton = !info.Frameless && (!customized || (flags & Qt::WindowMinimizeButtonHint));
    info.MaximizeButton = !info.Frameless && (!customized || (flags & Qt::WindowMaximizeButtonHint));
    info.Title = s->title().toStdString();
    info.CursorHidden = s->cursor().shape() == Qt::BlankCursor;
    info.CursorPicture = s->cursor().shape() == Qt::BitmapCursor;
    return true;
}

bool BackendSurfacePixels(HWND window, int& width, int& height, std::vector<std::uint32_t>& pixels) {
    TBackendSurface* s = gBackend ? gBackend->Surface(window) : nullptr;
    if (!s) return false;
    QImage image = s->Shown().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return false;
    width = image.width();
    height = image.height();
    pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * size_t(width) + size_t(x)] = row[x] & 0xFFFFFF;
    }
    return true;
}

bool BackendSaveSurfacePng(HWND window, const String& path) {
    TBackendSurface* s = gBackend ? gBackend->Surface(window) : nullptr;
    if (!s) return false;
    QImage image = s->Shown();
    if (image.isNull()) return false;
    return image.save(QString::fromUtf8(path.data(), qsizetype(path.size())), "PNG");
}
