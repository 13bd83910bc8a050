// Icons: ICO streams with every image they hold, the icon object, and drawing the image that
// fits the size drawn.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiObjects.h"

namespace {

const char* const InvalidIcon = "Icon image is not valid";
constexpr int SystemIconSize = 32;

std::uint32_t U16(const std::uint8_t* p) { return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Images of an icon file hold at least a bit per pixel (and a mask bit), so a file whose
// images together declare far more pixels than it has bytes - entries may share their data -
// is damaged or hostile: it is refused before any image is unpacked.
constexpr long long MaxPixelsPerByte = 64;
constexpr long long MinPixelLimit = 1LL << 20;

// The pixels the image header at data declares (the height counts the XOR and AND images).
long long DeclaredPixels(const std::uint8_t* data, std::size_t size) {
    if (size < 12) return 0;
    if (U32(data) == 12) return (long long)U16(data + 4) * (U16(data + 6) / 2);
    if (size < 16) return 0;
    const long long width = std::int32_t(U32(data + 4));
    const long long height = std::llabs(std::int32_t(U32(data + 8))) / 2;
    return width > 0 ? width * height : 0;
}

GdiSurface SurfaceOf(HBITMAP handle) {
    auto bitmap = GdiFind<GdiBitmap>(handle);
    return bitmap ? bitmap->Surface() : GdiSurface{};
}

} // namespace

// Images as drawn: each pixel's colour (0x00RRGGBB, the XOR image) and whether it is
// transparent (the AND mask). Kept with the file's bytes when it came from one, so that it is
// saved back as it was.
struct TIconImage {
    struct TEntry {
        int Width = 0;
        int Height = 0;
        int BitCount = 0;
        std::vector<std::uint32_t> Color;
        std::vector<std::uint8_t> Transparent;
    };
    std::vector<TEntry> Entries;
    std::vector<std::uint8_t> Raw;
    std::size_t Best = 0; // the entry nearest the system's icon size

    void ChooseBest() {
        Best = 0;
        for (std::size_t i = 1; i < Entries.size(); ++i) {
            const TEntry& e = Entries[i];
            const TEntry& b = Entries[Best];
            const int de = std::abs(e.Width - SystemIconSize) + std::abs(e.Height - SystemIconSize);
            const int db = std::abs(b.Width - SystemIconSize) + std::abs(b.Height - SystemIconSize);
            if (de < db || (de == db && e.BitCount > b.BitCount)) Best = i;
        }
    }
    // The entry nearest a size (the deepest of equally near ones).
    std::size_t Nearest(int width, int height) const {
        std::size_t best = 0;
        for (std::size_t i = 1; i < Entries.size(); ++i) {
            const TEntry& e = Entries[i];
            const TEntry& b = Entries[best];
            const int de = std::abs(e.Width - width) + std::abs(e.Height - height);
            const int db = std::abs(b.Width - width) + std::abs(b.Height - height);
            if (de < db || (de == db && e.BitCount > b.BitCount)) best = i;
        }
        return best;
    }
};

namespace {

bool DecodeEntry(const std::uint8_t* data, std::size_t size, TIconImage::TEntry& entry) {
    static const std::uint8_t Png[] = {0x89, 'P', 'N', 'G'};
    if (size >= 4 && std::memcmp(data, Png, 4) == 0) return false;
    int width = 0, height = 0;
    bool hasAlpha = false;
    std::size_t maskOffset = 0;
    std::vector<std::uint32_t> pixels;
    if (!kov_graphics_detail::DecodeDibPixels(data, size, false, 2, width, height, pixels, hasAlpha,
                                              maskOffset))
        return false;
    const std::size_t maskStride = std::size_t((width + 31) / 32 * 4);
    const bool hasMask = maskOffset <= size && (size - maskOffset) / maskStride >= std::size_t(height);
    if (!hasMask && !hasAlpha) return false;
    entry.Width = width;
    entry.Height = height;
    entry.BitCount = int(U16(data + 14));
    entry.Color.assign(pixels.size(), 0);
    entry.Transparent.assign(pixels.size(), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * width + x;
            bool transparent;
            if (hasAlpha) {
                transparent = (pixels[i] >> 24) < 128;
            } else {
                const std::uint8_t* row = data + maskOffset + std::size_t(height - 1 - y) * maskStride;
                transparent = (row[x >> 3] >> (7 - (x & 7))) & 1;
            }
            entry.Transparent[i] = transparent;
            // A transparent pixel with colour inverts what lies below (the AND-XOR rule); with
            // an alpha channel it is simply not there.
            entry.Color[i] = transparent && hasAlpha ? 0 : pixels[i] & 0xFFFFFF;
        }
    return true;
}

// The ICO file of images without one: 32 bits with alpha, and the AND mask.
std::vector<std::uint8_t> EncodeIco(const TIconImage& image) {
    std::vector<std::uint8_t> out;
    const std::size_t count = image.Entries.size();
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, std::uint32_t(count));
    std::vector<std::vector<std::uint8_t>> blobs;
    for (const TIconImage::TEntry& e : image.Entries) {
        std::vector<std::uint8_t> b;
        const std::size_t maskStride = std::size_t((e.Width + 31) / 32 * 4);
        Put32(b, 40);
        Put32(b, std::uint32_t(e.Width));
        Put32(b, std::uint32_t(e.Height * 2));
        Put16(b, 1);
        Put16(b, 32);
        Put32(b, 0);
        Put32(b, std::uint32_t(e.Width * e.Height * 4 + maskStride * e.Height));
        for (int i = 0; i < 4; ++i)
            Put32(b, 0);
        for (int y = e.Height - 1; y >= 0; --y)
            for (int x = 0; x < e.Width; ++x) {
                const std::size_t i = std::size_t(y) * e.Width + x;
                const std::uint32_t c = e.Color[i];
                Put32(b, (c & 0xFFFFFF) | (e.Transparent[i] ? 0u : 0xFF000000u));
            }
        for (int y = e.Height - 1; y >= 0; --y) {
            std::vector<std::uint8_t> row(maskStride, 0);
            for (int x = 0; x < e.Width; ++x)
                if (e.Transparent[std::size_t(y) * e.Width + x]) row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            b.insert(b.end(), row.begin(), row.end());
        }
        blobs.push_back(std::move(b));
    }
    std::size_t offset = 6 + 16 * count;
    for (std::size_t i = 0; i < count; ++i) {
        const TIconImage::TEntry& e = image.Entries[i];
        out.push_back(std::uint8_t(e.Width >= 256 ? 0 : e.Width));
        out.push_back(std::uint8_t(e.Height >= 256 ? 0 : e.Height));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, std::uint32_t(blobs[i].size()));
        Put32(out, std::uint32_t(offset));
        offset += blobs[i].size();
    }
    for (const auto& b : blobs)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

// An icon object of an entry; nullptr when it cannot be made.
HICON MakeIcon(const TIconImage::TEntry& e) {
    HBITMAP color = CreateBitmap(e.Width, e.Height, 1, 32, nullptr);
    HBITMAP mask = CreateBitmap(e.Width, e.Height, 1, 1, nullptr);
    const GdiSurface c = SurfaceOf(color), m = SurfaceOf(mask);
    HICON icon = nullptr;
    if (c.IsValid() && m.IsValid()) {
        for (int y = 0; y < e.Height; ++y)
            for (int x = 0; x < e.Width; ++x) {
                const std::size_t i = std::size_t(y) * e.Width + x;
                c.Row(y)[x] = e.Color[i] & 0xFFFFFF;
                m.Row(y)[x] = e.Transparent[i] ? 0xFFFFFF : 0;
            }
        ICONINFO info;
        info.fIcon = TRUE;
        info.hbmMask = mask;
        info.hbmColor = color;
        icon = CreateIconIndirect(&info);
    }
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

} // namespace

TIcon::TIcon() : FImage(std::make_shared<TIconImage>()) {}

TIcon::~TIcon() { FreeHandles(); }

void TIcon::FreeHandles() {
    if (FHandle) DestroyIcon(FHandle);
    FHandle = nullptr;
    for (HICON icon : FDrawIcons)
        if (icon) DestroyIcon(icon);
    FDrawIcons.clear();
}

void TIcon::Assign(TPersistent* source) {
    if (source == nullptr) {
        FreeHandles();
        FImage = std::make_shared<TIconImage>();
        Changed(this);
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        if (icon == this) return;
        FreeHandles();
        FImage = icon->FImage;
        Changed(this);
        return;
    }
    inherited::Assign(source);
}

bool TIcon::GetEmpty() const { return FImage->Entries.empty(); }

Integer TIcon::GetWidth() const { return GetEmpty() ? 0 : FImage->Entries[FImage->Best].Width; }

Integer TIcon::GetHeight() const { return GetEmpty() ? 0 : FImage->Entries[FImage->Best].Height; }

void TIcon::SetWidth(Integer) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::SetHeight(Integer) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

Integer TIcon::GetImageCount() const { return Integer(FImage->Entries.size()); }

TSize TIcon::GetImageSize(Integer index) const {
    if (index < 0 || index >= GetImageCount()) return TSize{};
    return TSize{FImage->Entries[std::size_t(index)].Width, FImage->Entries[std::size_t(index)].Height};
}

HICON TIcon::GetHandle() {
    if (!FHandle && !GetEmpty()) FHandle = MakeIcon(FImage->Entries[FImage->Best]);
    return FHandle;
}

void TIcon::SetHandle(HICON value) {
    auto image = std::make_shared<TIconImage>();
    if (value) {
        ICONINFO info;
        if (!GetIconInfo(value, &info)) throw EInvalidGraphic(InvalidIcon);
        const GdiSurface mask = SurfaceOf(info.hbmMask), color = SurfaceOf(info.hbmColor);
        TIconImage::TEntry e;
        if (mask.IsValid()) {
            // Without a colour image the mask holds the AND plane over the XOR plane.
            e.Width = mask.Width;
            e.Height = color.IsValid() ? mask.Height : mask.Height / 2;
            e.BitCount = color.IsValid() ? 32 : 1;
            e.Color.assign(std::size_t(e.Width) * e.Height, 0);
            e.Transparent.assign(e.Color.size(), 0);
            for (int y = 0; y < e.Height; ++y)
                for (int x = 0; x < e.Width; ++x) {
                    const std::size_t i = std::size_t(y) * e.Width + x;
                    e.Transparent[i] = (mask.Row(y)[x] & 0xFFFFFF) != 0;
                    if (color.IsValid())
                        e.Color[i] = y < color.Height && x < color.Width ? color.Row(y)[x] & 0xFFFFFF : 0;
                    else
                        e.Color[i] = mask.Row(y + e.Height)[x] & 0xFFFFFF;
                }
            if (e.Width > 0 && e.Height > 0) image->Entries.push_back(std::move(e));
        }
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (image->Entries.empty()) throw EInvalidGraphic(InvalidIcon);
    }
    FreeHandles();
    FImage = image;
    FHandle = value;
    Changed(this);
}

HICON TIcon::ReleaseHandle() {
    HICON handle = GetHandle();
    FHandle = nullptr;
    return handle;
}

HICON TIcon::IconOf(std::size_t index) {
    if (index == FImage->Best) return GetHandle();
    if (FDrawIcons.size() < FImage->Entries.size()) FDrawIcons.resize(FImage->Entries.size(), nullptr);
    if (!FDrawIcons[index]) FDrawIcons[index] = MakeIcon(FImage->Entries[index]);
    return FDrawIcons[index];
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
    if (GetEmpty()) return;
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    HICON icon = IconOf(FImage->Nearest(std::abs(w), std::abs(h)));
    if (icon) DrawIconEx(canvas->GetHandle(), rect.left, rect.top, icon, w, h, 0, nullptr, DI_NORMAL);
}

void TIcon::LoadFromStream(TStream* stream) {
    const Int64 available = std::max<Int64>(stream->GetSize() - stream->GetPosition(), 0);
    std::vector<std::uint8_t> data(6);
    if (available < 6 || stream->Read(data.data(), 6) != 6) throw EInvalidGraphic(InvalidIcon);
    const std::size_t count = U16(data.data() + 4);
    if (U16(data.data()) != 0 || U16(data.data() + 2) != 1 || count == 0 || Int64(6 + 16 * count) > available)
        throw EInvalidGraphic(InvalidIcon);
    data.resize(6 + 16 * count);
    if (stream->Read(data.data() + 6, Integer(16 * count)) != Integer(16 * count))
        throw EInvalidGraphic(InvalidIcon);
    // The file ends where its last image does.
    std::size_t total = data.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* d = data.data() + 6 + 16 * i;
        const std::uint64_t end = std::uint64_t(U32(d + 12)) + U32(d + 8);
        if (U32(d + 12) < 6 + 16 * count || end > std::uint64_t(available))
            throw EInvalidGraphic(InvalidIcon);
        total = std::max(total, std::size_t(end));
    }
    const std::size_t have = data.size();
    data.resize(total);
    if (total > have && stream->Read(data.data() + have, Integer(total - have)) != Integer(total - have))
        throw EInvalidGraphic(InvalidIcon);
    long long declared = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* d = data.data() + 6 + 16 * i;
        declared += DeclaredPixels(data.data() + U32(d + 12), U32(d + 8));
    }
    if (declared > std::max(MinPixelLimit, MaxPixelsPerByte * (long long)data.size()))
        throw EInvalidGraphic(InvalidIcon);
    auto image = std::make_shared<TIconImage>();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* d = data.data() + 6 + 16 * i;
        TIconImage::TEntry entry;
        if (DecodeEntry(data.data() + U32(d + 12), U32(d + 8), entry))
            image->Entries.push_back(std::move(entry));
    }
    if (image->Entries.empty()) throw EInvalidGraphic(InvalidIcon);
    image->ChooseBest();
    image->Raw = std::move(data);
    FreeHandles();
    FImage = image;
    Changed(this);
}

void TIcon::SaveToStream(TStream* stream) {
    if (GetEmpty()) return;
    if (FImage->Raw.empty()) {
        const std::vector<std::uint8_t> bytes = EncodeIco(*FImage);
        stream->WriteBuffer(bytes.data(), Integer(bytes.size()));
    } else {
        stream->WriteBuffer(FImage->Raw.data(), Integer(FImage->Raw.size()));
    }
}

void TIcon::LoadFromClipboardFormat(Word, HANDLE, HPALETTE) {
    throw EInvalidGraphic("Clipboard does not support Icons");
}

void TIcon::SaveToClipboardFormat(Word&, HANDLE&, HPALETTE&) {
    throw EInvalidGraphic("Clipboard does not support Icons");
}
