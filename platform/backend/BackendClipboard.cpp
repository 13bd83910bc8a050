#include "platform/backend/BackendClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <atomic>
#include <memory>

#include "platform/winapi/Clipboard.h"

namespace {

// Formats the program registered by name travel under a MIME type of their own.
const QString kBlockPrefix = QStringLiteral("application/x-kov571-format;name=");

class TQtClipboardStore : public TClipboardStore {
public:
    TQtClipboardStore() {
        // Every change, ours or another program's, moves the sequence on.
        FConnection = QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged,
                                       [this] { ++FSequence; });
    }
    ~TQtClipboardStore() override { QObject::disconnect(FConnection); }

    void Write(const TClipboardContents& contents) override {
        auto* data = new QMimeData;
        if (contents.HasText)
            data->setText(QString::fromUtf16(contents.Text.data(), qsizetype(contents.Text.size())));
        if (contents.HasImage && contents.ImageWidth > 0 && contents.ImageHeight > 0 &&
            contents.ImagePixels.size() >= size_t(contents.ImageWidth) * size_t(contents.ImageHeight)) {
            QImage image(contents.ImageWidth, contents.ImageHeight, QImage::Format_RGB32);
            for (int y = 0; y < contents.ImageHeight; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < contents.ImageWidth; ++x)
                    line[x] = 0xFF000000u | contents.ImagePixels[size_t(y) * contents.ImageWidth + x];
            }
            data->setImageData(image);
        }
        for (const auto& [name, bytes] : contents.Blocks)
            data->setData(kBlockPrefix + QString::fromUtf8(name.data(), qsizetype(name.size())),
                          QByteArray(bytes.data(), qsizetype(bytes.size())));
        QGuiApplication::clipboard()->setMimeData(data);  // the clipboard owns it now
    }

    TClipboardContents Read() override {
        TClipboardContents contents;
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data) return contents;
        if (data->hasText()) {
            const QString text = data->text();
            contents.HasText = true;
            contents.Text.assign(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
        }
        if (data->hasImage()) {
            const QImage image = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB32);
            if (!image.isNull()) {
                contents.HasImage = true;
                contents.ImageWidth = image.width();
                contents.ImageHeight = image.height();
                contents.ImagePixels.resize(size_t(image.width()) * size_t(image.height()));
                for (int y = 0; y < image.height(); ++y) {
                    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                    for (int x = 0; x < image.width(); ++x)
                        contents.ImagePixels[size_t(y) * image.width() + x] = line[x] & 0x00FFFFFFu;
                }
            }
        }
        for (const QString& format : data->formats()) {
            if (!format.startsWith(kBlockPrefix)) continue;
            const QByteArray name = format.mid(kBlockPrefix.size()).toUtf8();
            const QByteArray bytes = data->data(format);
            contents.Blocks.emplace_back(std::string(name.constData(), size_t(name.size())),
                                         std::string(bytes.constData(), size_t(bytes.size())));
        }
        return contents;
    }

    std::uint64_t Sequence() override { return FSequence.load(); }

private:
    QMetaObject::Connection FConnection;
    std::atomic<std::uint64_t> FSequence{1};
};

std::unique_ptr<TQtClipboardStore> gStore;

}  // namespace

void BackendInstallClipboard() {
    if (gStore || !QGuiApplication::instance()) return;
    gStore = std::make_unique<TQtClipboardStore>();
    SetClipboardStore(gStore.get());
}

void BackendUninstallClipboard() {
    if (!gStore) return;
    SetClipboardStore(nullptr);
    gStore.reset();
}
