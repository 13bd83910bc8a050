// Image lists of the class library: a component around the window system's image list
// (ImageList.h), with the size, mask and colour settings, adding and replacing images from
// bitmaps and icons, drawing (also greyed for a disabled look), change links that tell the
// controls using a list about its changes, the drag image, and the images stored in window
// definitions as the binary property "Bitmap".
#pragma once

#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/winapi/ImageList.h"

class TCustomImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };
// The overlay slots an image can be put in (Overlay, DrawOverlay).
using TOverlay = Byte;

// Tells its owner (a control, a menu, the properties of an editor) that the image list it is
// registered with changed. Freeing a link unregisters it; a list being freed lets its links go.
class TChangeLink : public TObject {
    KOV_CLASS(TChangeLink, TObject)
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    // Runs OnChange with the list as sender.
    virtual void Change();
    TCustomImageList* GetSender() const { return FSender; }
    void SetSender(TCustomImageList* value) { FSender = value; }

    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
    KOV_CLASS(TCustomImageList, TComponent)
public:
    // 16 x 16, masked, no background or blend colour.
    explicit TCustomImageList(TComponent* owner);
    TCustomImageList(TComponent* owner, Integer width, Integer height);
    ~TCustomImageList() override;

    // From another image list: its settings and a copy of its images; nullptr: cleared.
    void Assign(TPersistent* source) override;

    // The window system's list; the component frees it unless ShareImages is set. SetHandle
    // takes another one over (its size and mask setting with it).
    HIMAGELIST GetHandle() const { return FHandle; }
    void SetHandle(HIMAGELIST value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    // Changing the size removes every image.
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value);
    Integer GetHeight() const { return FHeight; }
    void SetHeight(Integer value);
    // Changing it keeps the images (made opaque, or given full masks).
    bool GetMasked() const { return FMasked; }
    void SetMasked(bool value);
    // clNone: masked pixels stay transparent; a colour fills them.
    TColor GetBkColor() const;
    void SetBkColor(TColor value);
    // The colour dsFocus and dsSelected mix in (clNone: the destination, clDefault: the
    // highlight colour).
    TColor GetBlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor value);
    TDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle value);
    TImageType GetImageType() const { return FImageType; }
    void SetImageType(TImageType value);
    Integer GetAllocBy() const { return FAllocBy; }
    void SetAllocBy(Integer value);
    bool GetShareImages() const { return FShareImages; }
    void SetShareImages(bool value) { FShareImages = value; }
    Integer GetCount() const;

    // Each adds as many images as the bitmap is wide (width div Width); the result is the
    // index of the first, -1 when nothing could be added. The bitmaps stay the caller's.
    Integer Add(TBitmap* image, TBitmap* mask);
    // The pixels of maskColor become transparent; clDefault takes the bitmap's transparent
    // colour (its bottom-left pixel unless a fixed one is set), clNone adds without a mask.
    Integer AddMasked(TBitmap* image, TColor maskColor);
    Integer AddIcon(TIcon* image);
    // Appends copies of every image of another list (scaled when the sizes differ).
    void AddImages(TCustomImageList* value);
    // Insert at index (0..Count); the images from there on move up.
    void Insert(Integer index, TBitmap* image, TBitmap* mask);
    void InsertMasked(Integer index, TBitmap* image, TColor maskColor);
    void InsertIcon(Integer index, TIcon* image);
    void Replace(Integer index, TBitmap* image, TBitmap* mask);
    void ReplaceMasked(Integer index, TBitmap* newImage, TColor maskColor);
    void ReplaceIcon(Integer index, TIcon* image);
    // -1 deletes every image.
    void Delete(Integer index);
    // Takes the image at curIndex out and puts it at newIndex; the ones between shift.
    void Move(Integer curIndex, Integer newIndex);
    void Clear();
    // An index outside the list raises EInvalidOperation "Invalid ImageList Index" in the
    // calls above.

    // Draws an image at (x, y) with the list's DrawingStyle and ImageType; disabled, in the
    // embossed grey of disabled buttons. An index outside the list draws nothing.
    void Draw(TCanvas* canvas, Integer x, Integer y, Integer index, bool enabled = true);
    void Draw(TCanvas* canvas, Integer x, Integer y, Integer index, TDrawingStyle drawingStyle,
              TImageType imageType, bool enabled = true);
    // Draws an image with the overlay image of slot `overlay` (0..3) on top.
    void DrawOverlay(TCanvas* canvas, Integer x, Integer y, Integer imageIndex, TOverlay overlay,
                     bool enabled = true);
    // Makes an image the overlay of a slot (0..3); false for a slot or index out of range.
    bool Overlay(Integer imageIndex, TOverlay overlay);

    // The image drawn onto a bitmap of the list's size (its pixels under the mask are the
    // background colour, or black without one); false for an index out of range.
    bool GetBitmap(Integer index, TBitmap* image);
    // The image and its mask as an icon.
    void GetIcon(Integer index, TIcon* image);
    // The list's own bitmaps (images side by side), for reading only.
    HBITMAP GetImageBitmap() const;
    HBITMAP GetMaskBitmap() const;

    // Changes inside BeginUpdate/EndUpdate are told once, at the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    void RegisterChanges(TChangeLink* value);
    void UnRegisterChanges(TChangeLink* value);

    void DefineProperties(TFiler* filer) override;

    TNotifyEvent OnChange;

protected:
    // Tells the links and OnChange (once per update).
    virtual void Change();
    virtual void DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, UINT style, bool enabled);
    // The stored images: the window system's stored form (ImageList_Write).
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);

private:
    void CreateList(bool keepImages);
    void FreeHandle();
    void CheckIndex(Integer index, bool allowEnd = false) const;
    UINT StyleOf(TDrawingStyle drawingStyle, TImageType imageType) const;

    HIMAGELIST FHandle = nullptr;
    Integer FWidth = 16;
    Integer FHeight = 16;
    bool FMasked = true;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    TImageType FImageType = itImage;
    Integer FAllocBy = 4;
    bool FShareImages = false;
    Integer FUpdateCount = 0;
    bool FChanged = false;
    std::vector<TChangeLink*> FClients;
};

// Adds the drag image: one image of the list, with a hot spot, following the pointer over the
// screen while a drag is under way (see ImageList.h for how it is shown).
class TDragImageList : public TCustomImageList {
    KOV_CLASS(TDragImageList, TCustomImageList)
public:
    using TCustomImageList::TCustomImageList;
    ~TDragImageList() override;

    // Starts showing the drag image at (x, y) of window (its outer rectangle; null: the screen).
    bool BeginDrag(HWND window, Integer x, Integer y);
    bool DragLock(HWND window, Integer x, Integer y);
    void DragUnlock();
    bool DragMove(Integer x, Integer y);
    bool EndDrag();
    void HideDragImage();
    void ShowDragImage();
    // Which image is dragged and where its hot spot lies; takes effect at once while dragging.
    bool SetDragImage(Integer index, Integer hotSpotX, Integer hotSpotY);
    Integer GetDragIndex() const { return FDragIndex; }
    TPoint GetDragHotspot() const { return FDragHotspot; }
    void SetDragHotspot(const TPoint& value);
    // The cursor shown with the image (a TCursor value); kept for the drag code that asks.
    Integer GetDragCursor() const { return FDragCursor; }
    void SetDragCursor(Integer value) { FDragCursor = value; }
    bool GetDragging() const { return FDragging; }

private:
    Integer FDragIndex = 0;
    TPoint FDragHotspot{};
    Integer FDragCursor = 0;
    bool FDragging = false;
    bool FLocked = false; // DragLock without DragUnlock (the window may be the screen)
    HWND FLockedWindow = nullptr;
};

class TImageList : public TDragImageList {
    KOV_CLASS(TImageList, TDragImageList)
public:
    using TDragImageList::TDragImageList;
};
