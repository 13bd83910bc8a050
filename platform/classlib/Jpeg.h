// JPEG pictures: TJPEGImage keeps the compressed bytes and the decoded bitmap, decoding and
// compressing through libjpeg (API 62) with a source and a destination manager over our
// streams. Every libjpeg error becomes EJPEG "JPEG error #<the library's message code>";
// nothing is printed and the process never exits. Loading decodes at once into a new bitmap,
// so data that cannot be decoded (garbage, a truncated file) raises and leaves the image as
// it was. Registered with TPicture for ".jpg" and ".jpeg" (and so for the FF D8 header).
#pragma once

#include <memory>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Exceptions.h"

class TMemoryStream;

KOV_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic);

// 1..100; 90 by default.
using TJPEGQualityRange = Integer;
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
// Decoding at 1/1, 1/2, 1/4 or 1/8 of the stored size.
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
// jf8Bit decodes to at most 256 colours (the bitmap stays 24-bit).
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
    KOV_CLASS(TJPEGImage, TGraphic)
public:
    TJPEGImage();
    ~TJPEGImage() override;
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // From another JPEG image: its bytes, its settings and its bitmap; from a bitmap: its
    // pixels (compressed when the bytes are first needed); nullptr: empty.
    void Assign(TPersistent* source) override;

    bool GetEmpty() const override;
    // The decoded size (the stored size divided by the scale).
    Integer GetWidth() const override;
    Integer GetHeight() const override;
    // Raise EInvalidGraphicOperation "Cannot change the size of a JPEG image".
    void SetWidth(Integer value) override;
    void SetHeight(Integer value) override;

    // Compresses the bitmap into new bytes with the current settings.
    void Compress();
    // Decodes the bytes when there is no bitmap yet (raises EJPEG when they cannot be).
    void DIBNeeded();
    // Compresses the bitmap when there are no bytes yet.
    void JPEGNeeded();
    // The decoded pixels (DIBNeeded first); the image keeps the bitmap. nullptr when empty.
    TBitmap* GetBitmap();

    // Takes effect at the next Compress.
    TJPEGQualityRange GetCompressionQuality() const { return FQuality; }
    void SetCompressionQuality(TJPEGQualityRange value);
    bool GetProgressiveEncoding() const { return FProgressiveEncoding; }
    void SetProgressiveEncoding(bool value) { FProgressiveEncoding = value; }
    // Decoding settings; a change decodes the bytes again when next needed. Grayscale also
    // makes Compress write one channel.
    bool GetGrayscale() const { return FGrayscale; }
    void SetGrayscale(bool value);
    TJPEGScale GetScale() const { return FScale; }
    void SetScale(TJPEGScale value);
    TJPEGPerformance GetPerformance() const { return FPerformance; }
    void SetPerformance(TJPEGPerformance value);
    TJPEGPixelFormat GetPixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat value);
    // Warnings libjpeg gave about damaged data during the last decode (decoding went on).
    Integer GetWarningCount() const { return FWarnings; }

    // The rest of the stream is the JPEG data.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // Through a bitmap: CF_BITMAP and CF_DIB.
    void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

    void Draw(TCanvas* canvas, const TRect& rect) override;
    // A 4-byte size, then the JPEG data.
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

protected:
    // Into a bitmap: the decoded pixels.
    void AssignTo(TPersistent* dest) override;

private:
    struct TDecoded;
    void Decode(const std::string& data, TDecoded& out) const;
    void InvalidateBitmap();
    void LoadBytes(std::string data);

    std::string FData; // the JPEG bytes; empty when there are none
    std::unique_ptr<TBitmap> FBitmap;
    TJPEGQualityRange FQuality = 90;
    bool FProgressiveEncoding = false;
    bool FGrayscale = false;
    TJPEGScale FScale = jsFullSize;
    TJPEGPerformance FPerformance = jpBestQuality;
    TJPEGPixelFormat FPixelFormat = jf24Bit;
    Integer FWarnings = 0;
    Integer FWidth = 0; // the stored size of FData (or of the bitmap it was compressed from)
    Integer FHeight = 0;
};
