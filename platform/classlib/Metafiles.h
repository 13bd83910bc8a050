// Recorded pictures as graphics: TMetafile holds an enhanced metafile (GdiMetafile.h) that draws
// itself scaled into any rectangle, and TMetafileCanvas records drawing into one.
#pragma once

#include "platform/classlib/Graphics.h"
#include "platform/winapi/GdiMetafile.h"

// A recorded picture. Its size is kept in hundredths of a millimetre (MMWidth, MMHeight); Width
// and Height are the same at the screen's 96 pixels per inch. Streams and files hold the
// enhanced metafile format; old-style metafiles are not read (EInvalidGraphic).
class TMetafile : public TGraphic {
    KOV_CLASS(TMetafile, TGraphic)
public:
    TMetafile();
    ~TMetafile() override;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    // From another metafile: a copy of its picture and settings; nullptr: empty.
    void Assign(TPersistent* source) override;
    // Frees the picture; the metafile is empty.
    void Clear();

    bool GetEmpty() const override { return FHandle == nullptr; }
    Integer GetWidth() const override;
    void SetWidth(Integer value) override;
    Integer GetHeight() const override;
    void SetHeight(Integer value) override;
    Integer GetMMWidth() const { return FMMWidth; }
    void SetMMWidth(Integer value);
    Integer GetMMHeight() const { return FMMHeight; }
    void SetMMHeight(Integer value);
    // Units per inch of an old-style placeable metafile; only kept.
    Word GetInch() const { return FInch; }
    void SetInch(Word value);
    // Kept for callers that choose the format; what is written is always the enhanced format.
    bool GetEnhanced() const { return FEnhanced; }
    void SetEnhanced(bool value);
    // The two parts of the picture's description ("application\0title").
    String GetCreatedBy() const;
    String GetDescription() const;

    // The picture; the metafile keeps it. SetHandle takes one over (nullptr: empty) and takes
    // the size from its frame when none was set.
    HENHMETAFILE GetHandle() const { return FHandle; }
    void SetHandle(HENHMETAFILE value);
    // Hands the picture over to the caller; the metafile is empty.
    HENHMETAFILE ReleaseHandle();

    // The stream's enhanced metafile (its header tells its length; the stream is left after
    // it). Data that are not a picture raise EInvalidGraphic "Metafile is not valid" and
    // leave the metafile as it was.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // CF_ENHMETAFILE (a picture handle) and CF_METAFILEPICT (a memory block with a metafile
    // picture, its extent in hundredths of a millimetre); SaveToClipboardFormat gives
    // CF_ENHMETAFILE, a copy the clipboard takes.
    void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
    void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

    void Draw(TCanvas* canvas, const TRect& rect) override;

private:
    // Replaces the picture (taking value over) and runs the change event.
    void ReplaceHandle(HENHMETAFILE value, bool takeSize);

    HENHMETAFILE FHandle = nullptr;
    Integer FMMWidth = 0;
    Integer FMMHeight = 0;
    Word FInch = 0;
    bool FEnhanced = true;
};

// A canvas recording into a metafile: what is drawn on it becomes the metafile's picture when
// the canvas is freed. The reference device (0: the screen) sets the resolution the picture is
// meant for. The metafile's size, when it has one, is the picture's frame; otherwise the frame
// is the bounds of what was drawn.
class TMetafileCanvas : public TCanvas {
    KOV_CLASS(TMetafileCanvas, TCanvas)
public:
    TMetafileCanvas(TMetafile* metafile, HDC referenceDevice);
    TMetafileCanvas(TMetafile* metafile, HDC referenceDevice, const String& createdBy,
                    const String& description);
    ~TMetafileCanvas() override;
    TMetafileCanvas(const TMetafileCanvas&) = delete;
    TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

private:
    void Open(HDC referenceDevice, const String* createdBy, const String* description);

    TMetafile* FMetafile;
    HDC FRecording = nullptr;
};
