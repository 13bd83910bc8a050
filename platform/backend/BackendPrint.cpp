// The printers over Qt: the page canvas on a QPainter, the PDF printer on QPdfWriter and the
// machine's printers on QPrinter.
#include "platform/backend/BackendPrint.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Our paper numbers and Qt's page sizes.
struct PaperId {
    SHORT Number;
    QPageSize::PageSizeId Id;
};
const PaperId PaperIds[] = {
    {DMPAPER_LETTER, QPageSize::Letter},
    {DMPAPER_LEGAL, QPageSize::Legal},
    {DMPAPER_EXECUTIVE, QPageSize::Executive},
    {DMPAPER_A3, QPageSize::A3},
    {DMPAPER_A4, QPageSize::A4},
    {DMPAPER_A5, QPageSize::A5},
    {DMPAPER_B4, QPageSize::JisB4},
    {DMPAPER_B5, QPageSize::JisB5},
    {DMPAPER_ENV_10, QPageSize::Comm10E},
    {DMPAPER_ENV_DL, QPageSize::DLE},
    {DMPAPER_ENV_C5, QPageSize::C5E},
    {DMPAPER_A6, QPageSize::A6},
};

SHORT NumberOf(QPageSize::PageSizeId id) {
    for (const PaperId& p : PaperIds)
        if (p.Id == id) return p.Number;
    return 0;
}

QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
String S(const QString& s) { return s.toStdString(); }

QColor ColorOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
QColor ColorOfPixel(GdiPixel p) { return QColor((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

QPageLayout LayoutFor(const TPrintSettings& s) {
    QPageSize size(QSizeF(s.PaperSize.cx / 10.0, s.PaperSize.cy / 10.0), QPageSize::Millimeter);
    return QPageLayout(size, s.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

// ---- The canvas ----------------------------------------------------------------------------------

class QtCanvas : public TPrintCanvas {
public:
    void Attach(QPainter* painter) {
        FPainter = painter;
        FFonts.clear();
    }

    void SetClip(const std::vector<RECT>* rects) override {
        if (!rects) {
            FPainter->setClipping(false);
            return;
        }
        QRegion region;
        for (const RECT& r : *rects)
            region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        FPainter->setClipRegion(region);
    }

    void FillPolygons(const std::vector<std::vector<GdiPointD>>& polygons, bool winding,
                      const GdiPaint& paint) override {
        QPainterPath path;
        path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
        for (const auto& polygon : polygons) {
            if (polygon.size() < 2) continue;
            path.moveTo(polygon[0].x, polygon[0].y);
            for (std::size_t i = 1; i < polygon.size(); ++i)
                path.lineTo(polygon[i].x, polygon[i].y);
            path.closeSubpath();
        }
        FPainter->fillPath(path, BrushOf(paint));
    }

    void StrokePolyline(const std::vector<GdiPointD>& points, bool closed, const TPrintPen& pen) override {
        if (points.size() < 2) return;
        QPen q(ColorOf(pen.Color), pen.Width);
        q.setCapStyle(pen.Cap == PS_ENDCAP_ROUND    ? Qt::RoundCap
                      : pen.Cap == PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                    : Qt::FlatCap);
        q.setJoinStyle(pen.Join == PS_JOIN_ROUND   ? Qt::RoundJoin
                       : pen.Join == PS_JOIN_BEVEL ? Qt::BevelJoin
                                                   : Qt::MiterJoin);
        if (!pen.Dashes.empty()) {
            // Qt counts dashes in pen widths, and wants them in pairs.
            QList<qreal> pattern;
            for (double d : pen.Dashes)
                pattern.append(std::max(d, 0.01) / pen.Width);
            if (pattern.size() % 2) pattern += pattern;
            q.setDashPattern(pattern);
        }
        QPainterPath path;
        path.moveTo(points[0].x, points[0].y);
        for (std::size_t i = 1; i < points.size(); ++i)
            path.lineTo(points[i].x, points[i].y);
        if (closed) path.closeSubpath();
        FPainter->strokePath(path, q);
    }

    void DrawImage(double x, double y, double width, double height, int imageWidth, int imageHeight,
                   const std::vector<std::uint32_t>& pixels) override {
        QImage image(reinterpret_cast<const uchar*>(pixels.data()), imageWidth, imageHeight, imageWidth * 4,
                     QImage::Format_ARGB32);
        QImage shown = image.mirrored(width < 0, height < 0);
        QRectF target(width < 0 ? x + width : x, height < 0 ? y + height : y, std::fabs(width),
                      std::fabs(height));
        FPainter->drawImage(target, shown);
    }

    void DrawText(const TPrintText& text) override {
        const QColor color = ColorOf(text.Color);
        FPainter->setPen(color);
        int current = -1;
        double embolden = 0; // the width of the outline that makes the current face bold, or 0
        for (std::size_t i = 0; i < text.Chars.size(); ++i) {
            int face = text.Face[i] == 1 ? 1 : 0;
            if (face != current) {
                const QFont& font = FontOf(text.Faces[face]);
                FPainter->setFont(font);
                current = face;
                embolden = text.Faces[face].Bold && !HasBoldFace(font) ? std::max(1, text.Faces[face].Em) / 24.0 : 0;
            }
            char32_t ch = text.Chars[i];
            QString one = QString::fromUcs4(&ch, 1);
            QPointF at(text.Positions[i].x, text.Positions[i].y);
            const bool turned = text.Escapement != 0;
            if (turned) {
                FPainter->save();
                FPainter->translate(at);
                FPainter->rotate(-text.Escapement / 10.0);
                at = QPointF(0, 0);
            }
            FPainter->drawText(at, one);
            if (embolden > 0) {
                // A family without a bold face (WenQuanYi Micro Hei): the character stays text and
                // gets an outline drawn round it, as the screen's glyphs are emboldened.
                QPainterPath outline;
                outline.addText(at, FPainter->font(), one);
                QPen pen(color, embolden);
                pen.setJoinStyle(Qt::RoundJoin);
                FPainter->strokePath(outline, pen);
            }
            if (turned) FPainter->restore();
        }
    }

private:
    QBrush BrushOf(const GdiPaint& paint) {
        if (paint.Solid) return QBrush(ColorOfPixel(paint.Color));
        QImage tile(paint.TileWidth, paint.TileHeight, QImage::Format_ARGB32);
        for (int y = 0; y < paint.TileHeight; ++y)
            for (int x = 0; x < paint.TileWidth; ++x) {
                std::size_t i = std::size_t(y) * paint.TileWidth + x;
                tile.setPixel(x, y, paint.TileOpaque[i] ? (0xFF000000u | (paint.Tile[i] & 0x00FFFFFF)) : 0u);
            }
        QBrush brush(tile);
        brush.setTransform(QTransform::fromTranslate(paint.PhaseX, paint.PhaseY));
        return brush;
    }

    const QFont& FontOf(const TPrintFace& face) {
        std::string key = face.Family + "/" + std::to_string(face.Em) + "/" + std::to_string(face.EmX) +
                          (face.Bold ? "b" : "") + (face.Italic ? "i" : "");
        auto it = FFonts.find(key);
        if (it != FFonts.end()) return it->second;
        QFont font(Q(face.Family));
        font.setPixelSize(std::max(1, face.Em));
        font.setBold(face.Bold);
        font.setItalic(face.Italic);
        if (face.EmX > 0 && face.Em > 0)
            font.setStretch(std::clamp(int(std::lround(face.EmX * 100.0 / face.Em)), 1, 4000));
        // Characters stand where the layout put them: no hinting, no kerning, no other face.
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(false);
        font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::NoFontMerging));
        return FFonts.emplace(key, font).first->second;
    }

    // Whether the font Qt found for a bold request is a bold face.
    bool HasBoldFace(const QFont& font) {
        const std::string key = font.key().toStdString();
        auto it = FBoldFaces.find(key);
        if (it == FBoldFaces.end()) it = FBoldFaces.emplace(key, QFontInfo(font).bold()).first;
        return it->second;
    }

    QPainter* FPainter = nullptr;
    std::map<std::string, QFont> FFonts;
    std::map<std::string, bool> FBoldFaces;
};

// ---- Jobs ------------------------------------------------------------------------------------------

// Device pixels of the printer at a resolution for tenths of a millimetre.
double Pixels(long long tenths, int dpi) { return std::llround(tenths * dpi / 254.0); }

class PdfJob : public TPrintJob {
public:
    PdfJob(const QString& path, const QString& title) : FPath(path), FWriter(path) {
        FWriter.setTitle(title);
        FWriter.setCreator(QStringLiteral("KOV-571 Programmer"));
    }
    ~PdfJob() override {
        if (FPainter.isActive()) FPainter.end();
    }

    bool StartPage(const TPrintSettings& s) override {
        QPageLayout layout = LayoutFor(s);
        if (FPages == 0) {
            FDpi = s.Resolution > 0 ? s.Resolution : 600;
            FWriter.setResolution(FDpi);
            FWriter.setPageLayout(layout);
            if (!FPainter.begin(&FWriter)) return false;
        } else {
            FWriter.setPageLayout(layout);
            if (!FWriter.newPage()) return false;
        }
        ++FPages;
        // A later page at another resolution keeps the first one's: its pixels are scaled.
        FPainter.resetTransform();
        double scale = double(FDpi) / (s.Resolution > 0 ? s.Resolution : FDpi);
        FPainter.scale(scale, scale);
        FPainter.setClipping(false);
        FPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        FCanvas.Attach(&FPainter);
        return true;
    }
    TPrintCanvas& Canvas() override { return FCanvas; }
    bool EndPage() override { return true; }
    bool Finish() override {
        // A document without pages leaves no file behind.
        if (FPages == 0) return QFile::remove(FPath) || !QFile::exists(FPath);
        return FPainter.end();
    }
    void Abort() override {
        if (FPainter.isActive()) FPainter.end();
        QFile::remove(FPath);
    }

private:
    QString FPath;
    QPdfWriter FWriter;
    QPainter FPainter;
    QtCanvas FCanvas;
    int FPages = 0;
    int FDpi = 600;
};

class PrinterJob : public TPrintJob {
public:
    PrinterJob(const QPrinterInfo& info, const TPrinterInfo& printer, const QString& title,
               const QString& output, const TPrintSettings& s)
        : FPrinterInfo(printer), FPrinter(info, QPrinter::HighResolution), FOutput(output) {
        FPrinter.setFullPage(true);
        FPrinter.setDocName(title);
        FPrinter.setCreator(QStringLiteral("KOV-571 Programmer"));
        if (!output.isEmpty()) FPrinter.setOutputFileName(output);
        FPrinter.setCopyCount(std::max(1, s.Copies));
        FPrinter.setCollateCopies(s.Collate);
        FPrinter.setDuplex(s.Duplex == DMDUP_VERTICAL     ? QPrinter::DuplexLongSide
                           : s.Duplex == DMDUP_HORIZONTAL ? QPrinter::DuplexShortSide
                                                          : QPrinter::DuplexNone);
        FPrinter.setColorMode(s.Color ? QPrinter::Color : QPrinter::GrayScale);
        FPrinter.setResolution(s.Resolution > 0 ? s.Resolution : 600);
    }
    ~PrinterJob() override {
        if (FPainter.isActive()) FPainter.end();
    }

    bool StartPage(const TPrintSettings& s) override {
        QPageLayout layout = LayoutFor(s);
        if (FPages == 0) {
            FDpi = FPrinter.resolution();
            FPrinter.setPageLayout(layout);
            if (!FPainter.begin(&FPrinter)) return false;
        } else {
            FPrinter.setPageLayout(layout);
            if (!FPrinter.newPage()) return false;
        }
        ++FPages;
        // Device coordinates start at the printable area; the painter's at the paper's edge.
        RECT m = FPrinterInfo.Margins;
        if (s.Landscape) m = {m.top, m.right, m.bottom, m.left};
        int dpi = s.Resolution > 0 ? s.Resolution : FDpi;
        double scale = double(FDpi) / dpi;
        FPainter.resetTransform();
        FPainter.scale(scale, scale);
        FPainter.translate(Pixels(m.left, dpi), Pixels(m.top, dpi));
        FPainter.setClipping(false);
        FCanvas.Attach(&FPainter);
        return true;
    }
    TPrintCanvas& Canvas() override { return FCanvas; }
    bool EndPage() override { return true; }
    bool Finish() override { return FPages == 0 || FPainter.end(); }
    void Abort() override {
        FPrinter.abort();
        if (FPainter.isActive()) FPainter.end();
        if (!FOutput.isEmpty()) QFile::remove(FOutput);
    }

private:
    TPrinterInfo FPrinterInfo;
    QPrinter FPrinter;
    QString FOutput;
    QPainter FPainter;
    QtCanvas FCanvas;
    int FPages = 0;
    int FDpi = 600;
};

// ---- Printers ----------------------------------------------------------------------------------------

TPrinterInfo PdfPrinter() {
    TPrinterInfo p;
    p.Name = BackendPdfPrinterName;
    p.Port = "FILE:";
    p.Driver = "PDF";
    p.Comment = "Writes PDF files";
    p.Papers = PrintStandardPapers();
    p.Bins = {{DMBIN_AUTO, "Automatically Select"}};
    p.Resolutions = {300, 600, 1200};
    p.DefaultResolution = 600;
    p.MaxCopies = 1;
    p.Color = true;
    return p;
}

TPrinterInfo MachinePrinter(const QPrinterInfo& q) {
    TPrinterInfo p;
    p.Name = S(q.printerName());
    p.Location = S(q.location());
    p.Port = p.Location;
    p.Driver = S(q.makeAndModel());
    p.Comment = S(q.description());
    p.Default = q.isDefault();
    p.Network = q.isRemote();
    for (const QPageSize& size : q.supportedPageSizes()) {
        SHORT number = NumberOf(size.id());
        if (!number || std::any_of(p.Papers.begin(), p.Papers.end(),
                                   [&](const TPrintPaper& x) { return x.Number == number; }))
            continue;
        QSizeF mm = size.size(QPageSize::Millimeter);
        const TPrintPaper* known = PrintFindPaper(number);
        p.Papers.push_back({number,
                            known ? known->Name : S(size.name()),
                            {LONG(std::lround(mm.width() * 10)), LONG(std::lround(mm.height() * 10))}});
    }
    if (p.Papers.empty()) p.Papers = PrintStandardPapers();
    SHORT defaultPaper = NumberOf(q.defaultPageSize().id());
    p.DefaultPaper = defaultPaper ? defaultPaper : p.Papers.front().Number;
    p.Bins = {{DMBIN_AUTO, "Automatically Select"}};
    for (int dpi : q.supportedResolutions())
        if (dpi > 0 && dpi <= 4800) p.Resolutions.push_back(dpi);
    if (p.Resolutions.empty()) p.Resolutions = {300, 600};
    p.DefaultResolution = std::find(p.Resolutions.begin(), p.Resolutions.end(), 600) != p.Resolutions.end()
                              ? 600
                              : p.Resolutions.back();
    p.MaxCopies = 999;
    p.Collate = true;
    p.Duplex = q.supportedDuplexModes().contains(QPrinter::DuplexLongSide);
    p.Color = q.supportedColorModes().isEmpty() || q.supportedColorModes().contains(QPrinter::Color);
    // The unprintable border of the default paper, in tenths of a millimetre.
    QPrinter printer(q, QPrinter::HighResolution);
    QMarginsF m = printer.pageLayout().minimumMargins();
    QPageLayout::Unit unit = printer.pageLayout().units();
    double toTenths = unit == QPageLayout::Millimeter ? 10.0
                      : unit == QPageLayout::Inch     ? 254.0
                                                      : 254.0 / 72.0;
    if (unit == QPageLayout::Point || unit == QPageLayout::Millimeter || unit == QPageLayout::Inch)
        p.Margins = {LONG(std::lround(m.left() * toTenths)), LONG(std::lround(m.top() * toTenths)),
                     LONG(std::lround(m.right() * toTenths)), LONG(std::lround(m.bottom() * toTenths))};
    return p;
}

// The default place of a document without an output file: "<title><extension>" at home.
QString DefaultDocumentPath(const String& title, const QString& extension) {
    QString name = Q(title).trimmed();
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c.unicode() < 0x20) c = QLatin1Char('_');
    if (name.isEmpty()) name = QStringLiteral("Document");
    return QDir::home().filePath(name + extension);
}

QString DefaultPdfPath(const String& title) { return DefaultDocumentPath(title, QStringLiteral(".pdf")); }

class RawFileJob : public TRawPrintJob {
public:
    explicit RawFileJob(const QString& path) : FFile(path) {}
    bool Open() { return FFile.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    bool Write(const void* data, std::size_t count) override {
        return FFile.write(static_cast<const char*>(data), qint64(count)) == qint64(count);
    }
    bool Finish() override {
        bool ok = FFile.flush();
        FFile.close();
        return ok && FFile.error() == QFileDevice::NoError;
    }
    void Abort() override {
        FFile.close();
        FFile.remove();
    }

private:
    QFile FFile;
};

} // namespace

TQtPrintBackend::TQtPrintBackend(bool machinePrinters) : FMachinePrinters(machinePrinters) {}

TQtPrintBackend::~TQtPrintBackend() = default;

std::vector<TPrinterInfo> TQtPrintBackend::Printers() {
    std::vector<TPrinterInfo> out;
    if (FMachinePrinters) {
        // Asking a printer for its details is slow: they are kept while the list stays the same.
        std::vector<String> names;
        for (const QString& name : QPrinterInfo::availablePrinterNames())
            names.push_back(S(name));
        if (names != FMachineNames) {
            FMachine.clear();
            for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
                if (S(info.printerName()) != BackendPdfPrinterName) FMachine.push_back(MachinePrinter(info));
            FMachineNames = names;
        }
        out = FMachine;
    }
    TPrinterInfo pdf = PdfPrinter();
    pdf.Default = std::none_of(out.begin(), out.end(), [](const TPrinterInfo& p) { return p.Default; });
    out.push_back(pdf);
    return out;
}

std::unique_ptr<TPrintJob> TQtPrintBackend::StartJob(const TPrinterInfo& printer, const String& title,
                                                     const String& output, const TPrintSettings& settings) {
    if (printer.Name == BackendPdfPrinterName) {
        QString path = output.empty() ? DefaultPdfPath(title) : Q(output);
        // The file must be writable now, so that StartDoc can say so.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) return nullptr;
        probe.close();
        return std::make_unique<PdfJob>(path, Q(title));
    }
    QPrinterInfo info = QPrinterInfo::printerInfo(Q(printer.Name));
    if (info.isNull()) return nullptr;
    return std::make_unique<PrinterJob>(info, printer, Q(title), Q(output), settings);
}

std::unique_ptr<TRawPrintJob> TQtPrintBackend::StartRawJob(const TPrinterInfo& printer, const String& title) {
    if (printer.Name != BackendPdfPrinterName) return nullptr;
    auto job = std::make_unique<RawFileJob>(DefaultDocumentPath(title, QStringLiteral(".prn")));
    if (!job->Open()) return nullptr;
    return job;
}

void BackendInstallPrinters(bool machinePrinters) {
    static std::unique_ptr<TQtPrintBackend> backend;
    if (backend) return;
    backend = std::make_unique<TQtPrintBackend>(machinePrinters);
    PrintSetBackend(backend.get());
}
