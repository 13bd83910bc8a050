// Recorded pictures as graphics, and the canvas that records them.
#include "platform/classlib/Metafiles.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/runtime/Numbers.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Clipboard.h"

namespace {

constexpr int ScreenPixelsPerInch = 96;
constexpr int HundredthsPerInch = 2540;
// The part of the header up to and including nBytes, which tells the picture's length.
constexpr std::size_t HeaderStart = 52;

[[noreturn]] void InvalidMetafile() { throw EInvalidGraphic("Metafile is not valid"); }

ENHMETAHEADER HeaderOf(HENHMETAFILE picture) {
    ENHMETAHEADER header;
    if (!picture || !GetEnhMetaFileHeader(picture, sizeof(header), &header)) return ENHMETAHEADER();
    return header;
}

// The description strings of a picture: "application", "title".
std::vector<String> DescriptionOf(HENHMETAFILE picture) {
    std::vector<String> parts;
    if (!picture) return parts;
    UINT size = GetEnhMetaFileBits(picture, 0, nullptr);
    std::vector<BYTE> bits(size);
    if (!size || GetEnhMetaFileBits(picture, size, bits.data()) != size || size < sizeof(ENHMETAHEADER))
        return parts;
    ENHMETAHEADER header;
    std::memcpy(&header, bits.data(), sizeof(header));
    if (!header.nDescription || header.offDescription >= header.nSize ||
        (header.nSize - header.offDescription) / 2 < header.nDescription)
        return parts;
    std::u16string text(header.nDescription, u'\0');
    std::memcpy(text.data(), bits.data() + header.offDescription, text.size() * 2);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u'\0', start);
        if (end == std::u16string::npos) end = text.size();
        if (end == start) break;
        parts.push_back(WideToString(text.substr(start, end - start)));
        start = end + 1;
    }
    return parts;
}

} // namespace

// ---- TMetafile -------------------------------------------------------------------------------

TMetafile::TMetafile() = default;

TMetafile::~TMetafile() {
    if (FHandle) DeleteEnhMetaFile(FHandle);
}

void TMetafile::Assign(TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (auto* other = dynamic_cast<TMetafile*>(source)) {
        HENHMETAFILE copy = nullptr;
        if (other->FHandle) {
            copy = CopyEnhMetaFileA(other->FHandle, nullptr);
            if (!copy) throw EInvalidGraphic("Out of system resources");
        }
        if (FHandle) DeleteEnhMetaFile(FHandle);
        FHandle = copy;
        FMMWidth = other->FMMWidth;
        FMMHeight = other->FMMHeight;
        FInch = other->FInch;
        FEnhanced = other->FEnhanced;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::Clear() {
    if (!FHandle && !FMMWidth && !FMMHeight) return;
    ReplaceHandle(nullptr, false);
    FMMWidth = 0;
    FMMHeight = 0;
}

Integer TMetafile::GetWidth() const { return MulDiv(FMMWidth, ScreenPixelsPerInch, HundredthsPerInch); }

Integer TMetafile::GetHeight() const { return MulDiv(FMMHeight, ScreenPixelsPerInch, HundredthsPerInch); }

void TMetafile::SetWidth(Integer value) { SetMMWidth(MulDiv(value, HundredthsPerInch, ScreenPixelsPerInch)); }

void TMetafile::SetHeight(Integer value) { SetMMHeight(MulDiv(value, HundredthsPerInch, ScreenPixelsPerInch)); }

void TMetafile::SetMMWidth(Integer value) {
    if (value == FMMWidth) return;
    FMMWidth = value;
    Changed(this);
}

void TMetafile::SetMMHeight(Integer value) {
    if (value == FMMHeight) return;
    FMMHeight = value;
    Changed(this);
}

void TMetafile::SetInch(Word value) {
    if (value == FInch) return;
    FInch = value;
    Changed(this);
}

void TMetafile::SetEnhanced(bool value) {
    if (value == FEnhanced) return;
    FEnhanced = value;
    Changed(this);
}

String TMetafile::GetCreatedBy() const {
    std::vector<String> parts = DescriptionOf(FHandle);
    return parts.empty() ? String() : parts[0];
}

String TMetafile::GetDescription() const {
    std::vector<String> parts = DescriptionOf(FHandle);
    return parts.size() < 2 ? String() : parts[1];
}

namespace {

// The frame's width and height, each computed wide; false when one does not fit an Integer.
bool FrameSize(HENHMETAFILE handle, Integer& width, Integer& height) {
    const ENHMETAHEADER header = HeaderOf(handle);
    const Int64 w = Int64(header.rclFrame.right) - Int64(header.rclFrame.left);
    const Int64 h = Int64(header.rclFrame.bottom) - Int64(header.rclFrame.top);
    if (w < Int64(INT32_MIN) || w > Int64(INT32_MAX) || h < Int64(INT32_MIN) || h > Int64(INT32_MAX)) return false;
    width = Integer(w);
    height = Integer(h);
    return true;
}

} // namespace

void TMetafile::ReplaceHandle(HENHMETAFILE value, bool takeSize) {
    Integer width = FMMWidth, height = FMMHeight;
    if (value && takeSize && !FrameSize(value, width, height)) InvalidMetafile();
    if (FHandle && FHandle != value) DeleteEnhMetaFile(FHandle);
    FHandle = value;
    FMMWidth = width;
    FMMHeight = height;
    Changed(this);
}

void TMetafile::SetHandle(HENHMETAFILE value) {
    if (value && !GetEnhMetaFileHeader(value, 0, nullptr)) InvalidMetafile();
    ReplaceHandle(value, value && FMMWidth == 0 && FMMHeight == 0);
}

HENHMETAFILE TMetafile::ReleaseHandle() {
    HENHMETAFILE handle = FHandle;
    FHandle = nullptr;
    if (handle) Changed(this);
    return handle;
}

void TMetafile::LoadFromStream(TStream* stream) {
    BYTE start[HeaderStart];
    if (stream->Read(start, Integer(sizeof(start))) != Integer(sizeof(start))) InvalidMetafile();
    DWORD type, signature, bytes;
    std::memcpy(&type, start, 4);
    std::memcpy(&signature, start + 40, 4);
    std::memcpy(&bytes, start + 48, 4);
    if (type != EMR_HEADER || signature != ENHMETA_SIGNATURE || bytes < sizeof(ENHMETAHEADER)) InvalidMetafile();
    // Never trust the length further than the stream reaches.
    Int64 left = stream->GetSize() - stream->GetPosition();
    if (Int64(bytes) - Int64(HeaderStart) > left) InvalidMetafile();
    std::vector<BYTE> data(bytes);
    std::memcpy(data.data(), start, HeaderStart);
    stream->ReadBuffer(data.data() + HeaderStart, Integer(bytes - HeaderStart));
    HENHMETAFILE picture = SetEnhMetaFileBits(bytes, data.data());
    if (!picture) InvalidMetafile();
    Integer width = 0, height = 0;
    if (!FrameSize(picture, width, height)) {
        DeleteEnhMetaFile(picture);
        InvalidMetafile();
    }
    FMMWidth = 0;
    FMMHeight = 0;
    ReplaceHandle(picture, true);
}

void TMetafile::SaveToStream(TStream* stream) {
    if (!FHandle) return;
    UINT size = GetEnhMetaFileBits(FHandle, 0, nullptr);
    std::vector<BYTE> data(size);
    if (size) GetEnhMetaFileBits(FHandle, size, data.data());
    stream->WriteBuffer(data.data(), Integer(size));
}

void TMetafile::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE) {
    HENHMETAFILE picture = nullptr;
    Integer width = 0, height = 0;
    if (format == CF_ENHMETAFILE) {
        picture = data ? CopyEnhMetaFileA(static_cast<HENHMETAFILE>(data), nullptr) : nullptr;
    } else if (format == CF_METAFILEPICT) {
        if (data && GlobalSize(data) >= sizeof(METAFILEPICT)) {
            METAFILEPICT pict;
            std::memcpy(&pict, GlobalLock(data), sizeof(pict));
            GlobalUnlock(data);
            picture = EnhMetaFileOfMetaFile(pict.hMF);
            if (pict.mm == MM_ANISOTROPIC || pict.mm == MM_ISOTROPIC) {
                width = pict.xExt > 0 ? pict.xExt : 0;
                height = pict.yExt > 0 ? pict.yExt : 0;
            }
        }
    } else {
        throw EInvalidGraphic("Unsupported clipboard format");
    }
    if (!picture) InvalidMetafile();
    FMMWidth = 0;
    FMMHeight = 0;
    ReplaceHandle(picture, true);
    if (width && height) {
        FMMWidth = width;
        FMMHeight = height;
    }
}

void TMetafile::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
    format = CF_ENHMETAFILE;
    palette = nullptr;
    data = FHandle ? CopyEnhMetaFileA(FHandle, nullptr) : nullptr;
}

void TMetafile::Draw(TCanvas* canvas, const TRect& rect) {
    if (!FHandle) return;
    canvas->Changing();
    PlayEnhMetaFile(canvas->GetHandle(), FHandle, &rect);
    canvas->Changed();
}

// ---- TMetafileCanvas ---------------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC referenceDevice) : FMetafile(metafile) {
    Open(referenceDevice, nullptr, nullptr);
}

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC referenceDevice, const String& createdBy,
                                 const String& description)
    : FMetafile(metafile) {
    Open(referenceDevice, &createdBy, &description);
}

void TMetafileCanvas::Open(HDC referenceDevice, const String* createdBy, const String* description) {
    if (!FMetafile) throw EInvalidOperation("Canvas does not allow drawing");
    RECT frame{0, 0, FMetafile->GetMMWidth(), FMetafile->GetMMHeight()};
    bool sized = frame.right > 0 && frame.bottom > 0;
    String text;
    if (createdBy || description) {
        text = (createdBy ? *createdBy : String()) + '\0' + (description ? *description : String()) + '\0';
        text += '\0';
    }
    FRecording = CreateEnhMetaFileA(referenceDevice, nullptr, sized ? &frame : nullptr,
                                    text.empty() ? nullptr : text.c_str());
    if (!FRecording) throw EInvalidGraphic("Out of system resources");
    SetHandle(FRecording);
}

TMetafileCanvas::~TMetafileCanvas() {
    // The canvas takes its objects out of the context before the recording ends.
    SetHandle(nullptr);
    HENHMETAFILE picture = CloseEnhMetaFile(FRecording);
    if (!picture) return;
    // A size set on the metafile stays; otherwise the frame of the recording gives it.
    Integer width = FMetafile->GetMMWidth(), height = FMetafile->GetMMHeight();
    FMetafile->Clear();
    if (width > 0 && height > 0) {
        FMetafile->SetMMWidth(width);
        FMetafile->SetMMHeight(height);
    }
    FMetafile->SetHandle(picture);
}

// ---- Registration ------------------------------------------------------------------------------

namespace {

struct TMetafileRegistration {
    TMetafileRegistration() {
        RegisterClass(TMetafile::StaticClass());
        RegisterClass(TMetafileCanvas::StaticClass());
        // Only the enhanced format is read and written, so only its extension is offered.
        TPicture::RegisterFileFormat("emf", "Enhanced Metafiles", TMetafile::StaticClass());
        TPicture::RegisterClipboardFormat(CF_ENHMETAFILE, TMetafile::StaticClass());
        TPicture::RegisterClipboardFormat(CF_METAFILEPICT, TMetafile::StaticClass());
    }
};
const TMetafileRegistration MetafileRegistration;

} // namespace
