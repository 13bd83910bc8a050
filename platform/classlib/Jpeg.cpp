// JPEG pictures over libjpeg (see Jpeg.h).
//
// libjpeg reports a fatal error by calling error_exit, which must not return. Throwing a C++
// exception from there would unwind through the library's C frames, so error_exit longjmps
// back to the function that started the work instead. That function and the library frames
// between hold nothing with a destructor: the library state, the managers and the results
// live in a job object owned by the caller, and the C++ exception is raised only after the
// library state has been destroyed. Our stream callbacks catch whatever a stream throws,
// keep it, and report a library error.
#include "platform/classlib/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/runtime/Streams.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/GdiObjects.h"

namespace {

const char* const SChangeSize = "Cannot change the size of a JPEG image";

[[noreturn]] void RaiseJpegError(int code) { throw EJPEG("JPEG error #" + std::to_string(code)); }

// ---- Errors ---------------------------------------------------------------------------------------

struct TJpegErrors {
    jpeg_error_mgr Base; // first, so the library's pointer is ours
    std::jmp_buf Jump;
    int Code = 0;
    int Warnings = 0;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
    errors->Code = cinfo->err->msg_code;
    std::longjmp(errors->Jump, 1);
}

// Warnings (damaged data the decoder steps over) are counted; trace messages ignored.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) ++reinterpret_cast<TJpegErrors*>(cinfo->err)->Warnings;
}

void OutputMessage(j_common_ptr) {}

void InitErrors(TJpegErrors& errors) {
    jpeg_std_error(&errors.Base);
    errors.Base.error_exit = &ErrorExit;
    errors.Base.emit_message = &EmitMessage;
    errors.Base.output_message = &OutputMessage;
}

// ---- A source manager over a stream ----------------------------------------------------------

constexpr std::size_t ChunkSize = 4096;
constexpr long long MaxPixels = 1LL << 26;
constexpr long MaxDecoderMemory = 512L << 20;
// Even a plain picture takes some bytes per block of pixels: a header announcing more pixels
// per byte of the file than this (above the floor) is a damaged or hostile file, refused
// before the decoder allocates and works through rows it does not have.
constexpr long long MaxPixelsPerByte = 4096;
constexpr long long MinPixelLimit = 1LL << 20;

struct TStreamSource {
    jpeg_source_mgr Base; // first
    TStream* Stream = nullptr;
    JOCTET Buffer[ChunkSize];
    // Every scan line is in: the data may end without its end marker.
    bool AllowEnd = false;
    std::exception_ptr Failure;
};

Integer ReadChunk(TStreamSource& source) {
    try {
        return source.Stream->Read(source.Buffer, Integer(ChunkSize));
    } catch (...) {
        source.Failure = std::current_exception();
        return -1;
    }
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<TStreamSource*>(cinfo->src);
    Integer count = ReadChunk(*source);
    if (count <= 0) {
        // Data that ends early is an error: a picture is never shown half decoded.
        if (!source->AllowEnd || count < 0) ERREXIT(cinfo, JERR_INPUT_EOF);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->Buffer[0] = 0xFF;
        source->Buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->Base.next_input_byte = source->Buffer;
    source->Base.bytes_in_buffer = std::size_t(count);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* source = reinterpret_cast<TStreamSource*>(cinfo->src);
    while (std::size_t(count) > source->Base.bytes_in_buffer) {
        count -= long(source->Base.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    source->Base.next_input_byte += count;
    source->Base.bytes_in_buffer -= std::size_t(count);
}

void TermSource(j_decompress_ptr) {}

// ---- A destination manager over a stream -----------------------------------------------------

struct TStreamDestination {
    jpeg_destination_mgr Base; // first
    TStream* Stream = nullptr;
    JOCTET Buffer[ChunkSize];
    std::exception_ptr Failure;
};

bool WriteChunk(TStreamDestination& dest, std::size_t count) {
    try {
        dest.Stream->WriteBuffer(dest.Buffer, Integer(count));
        return true;
    } catch (...) {
        dest.Failure = std::current_exception();
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TStreamDestination*>(cinfo->dest);
    dest->Base.next_output_byte = dest->Buffer;
    dest->Base.free_in_buffer = ChunkSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TStreamDestination*>(cinfo->dest);
    if (!WriteChunk(*dest, ChunkSize)) ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->Base.next_output_byte = dest->Buffer;
    dest->Base.free_in_buffer = ChunkSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TStreamDestination*>(cinfo->dest);
    std::size_t count = ChunkSize - dest->Base.free_in_buffer;
    if (count > 0 && !WriteChunk(*dest, count)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// ---- Decoding -----------------------------------------------------------------------------------

struct TDecodeJob {
    // In.
    int ScaleDenom = 1;
    bool Grayscale = false;
    bool Fast = false;
    bool Quantize = false;
    long long InputSize = 0; // the bytes of the file
    // Out: rows top-down, 3 bytes per pixel in the order B, G, R.
    int Width = 0;
    int Height = 0;
    int ImageWidth = 0; // as stored
    int ImageHeight = 0;
    std::vector<std::uint8_t> Pixels;
    // The library's state.
    jpeg_decompress_struct Info;
    TJpegErrors Errors;
    TStreamSource Source;
};

void StoreRow(TDecodeJob& job, const JSAMPLE* row, int y) {
    jpeg_decompress_struct& info = job.Info;
    std::uint8_t* out = &job.Pixels[std::size_t(y) * job.Width * 3];
    for (int x = 0; x < job.Width; ++x, out += 3) {
        int r, g, b;
        if (info.quantize_colors) {
            int index = row[x];
            r = info.colormap[0][index];
            g = info.out_color_components >= 3 ? info.colormap[1][index] : r;
            b = info.out_color_components >= 3 ? info.colormap[2][index] : r;
        } else if (info.output_components == 1) {
            r = g = b = row[x];
        } else if (info.output_components == 4) {
            // CMYK as written by most programs (inverted): the colour is C * K, M * K, Y * K.
            const JSAMPLE* p = row + std::size_t(x) * 4;
            int k = p[3];
            if (info.saw_Adobe_marker) {
                r = p[0] * k / 255;
                g = p[1] * k / 255;
                b = p[2] * k / 255;
            } else {
                r = (255 - p[0]) * (255 - k) / 255;
                g = (255 - p[1]) * (255 - k) / 255;
                b = (255 - p[2]) * (255 - k) / 255;
            }
        } else {
            const JSAMPLE* p = row + std::size_t(x) * 3;
            r = p[0];
            g = p[1];
            b = p[2];
        }
        out[0] = std::uint8_t(b);
        out[1] = std::uint8_t(g);
        out[2] = std::uint8_t(r);
    }
}

// False with Errors.Code set when the library failed (see the top of the file).
bool RunDecode(TDecodeJob& job) {
    jpeg_decompress_struct* info = &job.Info;
    InitErrors(job.Errors);
    info->err = &job.Errors.Base;
    if (setjmp(job.Errors.Jump)) {
        jpeg_destroy_decompress(&job.Info);
        return false;
    }
    jpeg_create_decompress(info);
    job.Source.Base.init_source = &InitSource;
    job.Source.Base.fill_input_buffer = &FillInputBuffer;
    job.Source.Base.skip_input_data = &SkipInputData;
    job.Source.Base.resync_to_restart = &jpeg_resync_to_restart;
    job.Source.Base.term_source = &TermSource;
    job.Source.Base.next_input_byte = nullptr;
    job.Source.Base.bytes_in_buffer = 0;
    info->src = &job.Source.Base;

    // Pictures are kept whole in memory: a header announcing more than the bitmaps allow is
    // refused before the library allocates for it.
    info->mem->max_memory_to_use = MaxDecoderMemory;
    jpeg_read_header(info, TRUE);
    const long long pixels = (long long)info->image_width * info->image_height;
    if (pixels > MaxPixels || pixels > std::max(MinPixelLimit, MaxPixelsPerByte * job.InputSize))
        ERREXIT(info, JERR_IMAGE_TOO_BIG);
    info->scale_num = 1;
    info->scale_denom = unsigned(job.ScaleDenom);
    if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK)
        info->out_color_space = JCS_CMYK;
    else if (job.Grayscale)
        info->out_color_space = JCS_GRAYSCALE;
    if (job.Fast) {
        info->dct_method = JDCT_IFAST;
        info->do_fancy_upsampling = FALSE;
        info->two_pass_quantize = FALSE;
        info->dither_mode = JDITHER_ORDERED;
    } else {
        info->dct_method = JDCT_ISLOW;
        info->do_fancy_upsampling = TRUE;
    }
    if (job.Quantize && info->out_color_space != JCS_CMYK) {
        info->quantize_colors = TRUE;
        info->desired_number_of_colors = 256;
    }
    jpeg_start_decompress(info);
    job.ImageWidth = int(info->image_width);
    job.ImageHeight = int(info->image_height);
    job.Width = int(info->output_width);
    job.Height = int(info->output_height);
    job.Pixels.assign(std::size_t(job.Width) * job.Height * 3, 0);
    JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                info->output_width * info->output_components, 1);
    while (info->output_scanline < info->output_height) {
        int y = int(info->output_scanline);
        if (jpeg_read_scanlines(info, row, 1) != 1) ERREXIT(info, JERR_INPUT_EOF);
        StoreRow(job, row[0], y);
    }
    job.Source.AllowEnd = true;
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

// ---- Encoding -----------------------------------------------------------------------------------

struct TEncodeJob {
    // In: rows top-down, 3 bytes per pixel R, G, B.
    const std::uint8_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int Quality = 90;
    bool Grayscale = false;
    bool Progressive = false;
    TStream* Stream = nullptr;
    // The library's state.
    jpeg_compress_struct Info;
    TJpegErrors Errors;
    TStreamDestination Destination;
};

bool RunEncode(TEncodeJob& job) {
    jpeg_compress_struct* info = &job.Info;
    InitErrors(job.Errors);
    info->err = &job.Errors.Base;
    if (setjmp(job.Errors.Jump)) {
        jpeg_destroy_compress(&job.Info);
        return false;
    }
    jpeg_create_compress(info);
    job.Destination.Base.init_destination = &InitDestination;
    job.Destination.Base.empty_output_buffer = &EmptyOutputBuffer;
    job.Destination.Base.term_destination = &TermDestination;
    info->dest = &job.Destination.Base;

    info->image_width = JDIMENSION(job.Width);
    info->image_height = JDIMENSION(job.Height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    if (job.Grayscale) jpeg_set_colorspace(info, JCS_GRAYSCALE);
    jpeg_set_quality(info, job.Quality, TRUE);
    if (job.Progressive) jpeg_simple_progression(info);
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(job.Pixels + std::size_t(info->next_scanline) * job.Width * 3);
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    jpeg_destroy_compress(info);
    return true;
}

// A read-only stream over bytes someone else keeps.
class TBytesStream : public TCustomMemoryStream {
public:
    explicit TBytesStream(const std::string& bytes) {
        SetPointer(const_cast<char*>(bytes.data()), Int64(bytes.size()));
    }
    Integer Write(const void*, Integer) override { return 0; }
};

// The size the header announces at a scale, as the decoder computes it.
Integer ScaledSize(Integer size, int denom) { return (size + denom - 1) / denom; }

} // namespace

struct TJPEGImage::TDecoded {
    std::unique_ptr<TBitmap> Bitmap;
    int Warnings = 0;
    int ImageWidth = 0;
    int ImageHeight = 0;
};

// ---- TJPEGImage -------------------------------------------------------------------------------------

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Decode(const std::string& data, TDecoded& out) const {
    auto job = std::make_unique<TDecodeJob>();
    TBytesStream stream(data);
    job->Source.Stream = &stream;
    job->InputSize = (long long)data.size();
    job->ScaleDenom = 1 << int(FScale);
    job->Grayscale = FGrayscale;
    job->Fast = FPerformance == jpBestSpeed;
    job->Quantize = FPixelFormat == jf8Bit;
    if (!RunDecode(*job)) {
        if (job->Source.Failure) std::rethrow_exception(job->Source.Failure);
        RaiseJpegError(job->Errors.Code);
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(job->Width, job->Height);
    for (int y = 0; y < job->Height; ++y)
        std::memcpy(bitmap->GetScanLine(y), &job->Pixels[std::size_t(y) * job->Width * 3],
                    std::size_t(job->Width) * 3);
    out.Bitmap = std::move(bitmap);
    out.Warnings = job->Errors.Warnings;
    out.ImageWidth = job->ImageWidth;
    out.ImageHeight = job->ImageHeight;
}

void TJPEGImage::LoadBytes(std::string data) {
    // Decoded into new objects first: a failure leaves everything as it was.
    TDecoded decoded;
    Decode(data, decoded);
    FData = std::move(data);
    FBitmap = std::move(decoded.Bitmap);
    FWarnings = decoded.Warnings;
    FWidth = decoded.ImageWidth;
    FHeight = decoded.ImageHeight;
    Changed(this);
}

void TJPEGImage::InvalidateBitmap() {
    if (!FData.empty()) FBitmap.reset();
}

void TJPEGImage::Assign(TPersistent* source) {
    if (source == nullptr) {
        FData.clear();
        FBitmap.reset();
        FWidth = FHeight = 0;
        FWarnings = 0;
        Changed(this);
        return;
    }
    if (auto* other = dynamic_cast<TJPEGImage*>(source)) {
        if (other == this) return;
        FData = other->FData;
        FQuality = other->FQuality;
        FProgressiveEncoding = other->FProgressiveEncoding;
        FGrayscale = other->FGrayscale;
        FScale = other->FScale;
        FPerformance = other->FPerformance;
        FPixelFormat = other->FPixelFormat;
        FWarnings = other->FWarnings;
        FWidth = other->FWidth;
        FHeight = other->FHeight;
        FBitmap.reset();
        if (other->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(other->FBitmap.get());
        }
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(bitmap);
        FBitmap = std::move(copy);
        FData.clear();
        FWarnings = 0;
        FWidth = FBitmap->GetWidth();
        FHeight = FBitmap->GetHeight();
        Changed(this);
        return;
    }
    inherited::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent* dest) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        DIBNeeded();
        bitmap->Assign(FBitmap.get());
        return;
    }
    inherited::AssignTo(dest);
}

bool TJPEGImage::GetEmpty() const { return !FBitmap && FData.empty(); }

Integer TJPEGImage::GetWidth() const {
    if (FBitmap) return FBitmap->GetWidth();
    return FData.empty() ? 0 : ScaledSize(FWidth, 1 << int(FScale));
}

Integer TJPEGImage::GetHeight() const {
    if (FBitmap) return FBitmap->GetHeight();
    return FData.empty() ? 0 : ScaledSize(FHeight, 1 << int(FScale));
}

void TJPEGImage::SetWidth(Integer) { throw EInvalidGraphicOperation(SChangeSize); }

void TJPEGImage::SetHeight(Integer) { throw EInvalidGraphicOperation(SChangeSize); }

void TJPEGImage::Compress() {
    if (!FBitmap || FBitmap->GetEmpty()) return;
    // The pixels as 24-bit rows, whatever format the bitmap has.
    TBitmap rgb;
    rgb.Assign(FBitmap.get());
    rgb.SetPixelFormat(pf24bit);
    int width = rgb.GetWidth(), height = rgb.GetHeight();
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(rgb.GetScanLine(y));
        std::uint8_t* out = &pixels[std::size_t(y) * width * 3];
        for (int x = 0; x < width; ++x) {
            out[x * 3 + 0] = row[x * 3 + 2];
            out[x * 3 + 1] = row[x * 3 + 1];
            out[x * 3 + 2] = row[x * 3 + 0];
        }
    }
    TStringStream stream;
    auto job = std::make_unique<TEncodeJob>();
    job->Pixels = pixels.data();
    job->Width = width;
    job->Height = height;
    job->Quality = FQuality;
    job->Grayscale = FGrayscale;
    job->Progressive = FProgressiveEncoding;
    job->Stream = &stream;
    job->Destination.Stream = &stream;
    if (!RunEncode(*job)) {
        if (job->Destination.Failure) std::rethrow_exception(job->Destination.Failure);
        RaiseJpegError(job->Errors.Code);
    }
    FData = stream.GetDataString();
    FWidth = width;
    FHeight = height;
    Changed(this);
}

void TJPEGImage::DIBNeeded() {
    if (FBitmap || FData.empty()) return;
    TDecoded decoded;
    Decode(FData, decoded);
    FBitmap = std::move(decoded.Bitmap);
    FWarnings = decoded.Warnings;
    FWidth = decoded.ImageWidth;
    FHeight = decoded.ImageHeight;
}

void TJPEGImage::JPEGNeeded() {
    if (FData.empty() && FBitmap) Compress();
}

TBitmap* TJPEGImage::GetBitmap() {
    DIBNeeded();
    return FBitmap.get();
}

void TJPEGImage::SetCompressionQuality(TJPEGQualityRange value) { FQuality = std::clamp(value, 1, 100); }

void TJPEGImage::SetGrayscale(bool value) {
    if (value == FGrayscale) return;
    FGrayscale = value;
    InvalidateBitmap();
    Changed(this);
}

void TJPEGImage::SetScale(TJPEGScale value) {
    if (value == FScale) return;
    FScale = value;
    InvalidateBitmap();
    Changed(this);
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
    if (value == FPerformance) return;
    FPerformance = value;
    InvalidateBitmap();
    Changed(this);
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) {
    if (value == FPixelFormat) return;
    FPixelFormat = value;
    InvalidateBitmap();
    Changed(this);
}

void TJPEGImage::LoadFromStream(TStream* stream) {
    Int64 start = stream->GetPosition();
    std::string data;
    Int64 size = stream->GetSize() - start;
    if (size > 0) {
        data.resize(std::size_t(size));
        data.resize(std::size_t(std::max<Integer>(stream->Read(data.data(), Integer(size)), 0)));
    }
    try {
        LoadBytes(std::move(data));
    } catch (...) {
        stream->SetPosition(start);
        throw;
    }
}

void TJPEGImage::SaveToStream(TStream* stream) {
    JPEGNeeded();
    if (!FData.empty()) stream->WriteBuffer(FData.data(), Integer(FData.size()));
}

void TJPEGImage::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) {
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(format, data, palette);
    Assign(&bitmap);
}

void TJPEGImage::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
    DIBNeeded();
    if (!FBitmap) throw EInvalidGraphic("Cannot copy an empty picture to the clipboard");
    FBitmap->SaveToClipboardFormat(format, data, palette);
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
    DIBNeeded();
    if (FBitmap && canvas) canvas->StretchDraw(rect, FBitmap.get());
}

void TJPEGImage::ReadData(TStream* stream) {
    std::int32_t size = 0;
    stream->ReadBuffer(size);
    if (size < 0) throw EJPEG("JPEG error #" + std::to_string(JERR_INPUT_EOF));
    std::string data(std::size_t(size), '\0');
    if (size > 0) stream->ReadBuffer(data.data(), size);
    LoadBytes(std::move(data));
}

void TJPEGImage::WriteData(TStream* stream) {
    JPEGNeeded();
    std::int32_t size = std::int32_t(FData.size());
    stream->WriteBuffer(size);
    if (size > 0) stream->WriteBuffer(FData.data(), size);
}

// ---- Registration -------------------------------------------------------------------------------------

namespace {

struct TJpegRegistration {
    TJpegRegistration() {
        RegisterEnum<TJPEGPerformance>("TJPEGPerformance", {"jpBestQuality", "jpBestSpeed"});
        RegisterEnum<TJPEGScale>("TJPEGScale", {"jsFullSize", "jsHalf", "jsQuarter", "jsEighth"});
        RegisterEnum<TJPEGPixelFormat>("TJPEGPixelFormat", {"jf24Bit", "jf8Bit"});
        RegisterClass(TJPEGImage::StaticClass());
        TPicture::RegisterFileFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
        TPicture::RegisterFileFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
    }
};
const TJpegRegistration JpegRegistration;

} // namespace
