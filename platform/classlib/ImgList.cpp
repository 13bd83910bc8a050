// Image lists of the class library (see ImgList.h).
#include "platform/classlib/ImgList.h"

#include <algorithm>

#include "platform/runtime/Filer.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/TypInfo.h"

namespace {

const char* const SInvalidIndex = "Invalid ImageList Index";
const char* const SInvalidSize = "Invalid image size";
const char* const SReadFail = "Failed to read ImageList data from stream";
const char* const SWriteFail = "Failed to write ImageList data to stream";
const char* const SReplaceFail = "Failed to replace image";

// The colour arguments of the window system's drawing calls.
COLORREF ListColor(TColor color) {
    if (color == clNone) return CLR_NONE;
    if (color == clDefault) return CLR_DEFAULT;
    return COLORREF(ColorToRGB(color)) & 0x00FFFFFF;
}

TColor FromListColor(COLORREF color) {
    if (color == CLR_NONE) return clNone;
    if (color == CLR_DEFAULT) return clDefault;
    return TColor(color & 0x00FFFFFF);
}

// The key colour for a masked add: clDefault is the bitmap's own transparent colour.
COLORREF MaskKey(TBitmap* image, TColor maskColor) {
    if (maskColor == clNone) return CLR_NONE;
    if (maskColor == clDefault) maskColor = image->GetTransparentColor();
    return COLORREF(ColorToRGB(maskColor)) & 0x00FFFFFF;
}

// A memory context with a new bitmap selected, for the greyed drawing.
class TScratchDc {
public:
    TScratchDc(int width, int height, bool mono) {
        FBitmap = CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
        FDc = CreateCompatibleDC(nullptr);
        FOld = SelectObject(FDc, FBitmap);
    }
    ~TScratchDc() {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        DeleteObject(FBitmap);
    }
    TScratchDc(const TScratchDc&) = delete;
    TScratchDc& operator=(const TScratchDc&) = delete;
    HDC Dc() const { return FDc; }

private:
    HBITMAP FBitmap = nullptr;
    HDC FDc = nullptr;
    HGDIOBJ FOld = nullptr;
};

// D xor (S and (P xor D)): the pattern where the source is set, the destination elsewhere.
constexpr DWORD RopDSPDxax = 0x00E20746;

} // namespace

// ---- TChangeLink ----------------------------------------------------------------------------------

TChangeLink::~TChangeLink() {
    if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (FSender) OnChange(FSender);
}

// ---- TCustomImageList -------------------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) { CreateList(false); }

TCustomImageList::TCustomImageList(TComponent* owner, Integer width, Integer height) : TComponent(owner) {
    if (width < 1 || height < 1) throw EInvalidOperation(SInvalidSize);
    FWidth = width;
    FHeight = height;
    CreateList(false);
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : FClients)
        link->SetSender(nullptr);
    FClients.clear();
    FreeHandle();
}

void TCustomImageList::FreeHandle() {
    if (FHandle && !FShareImages) ImageList_Destroy(FHandle);
    FHandle = nullptr;
}

void TCustomImageList::CreateList(bool keepImages) {
    UINT flags = ILC_COLOR32 | (FMasked ? ILC_MASK : 0);
    HIMAGELIST list = ImageList_Create(FWidth, FHeight, flags, std::max(FAllocBy, 1), std::max(FAllocBy, 1));
    if (!list) throw EInvalidOperation(SInvalidSize);
    ImageList_SetBkColor(list, ListColor(FBkColor));
    if (keepImages && FHandle) {
        int count = ImageList_GetImageCount(FHandle);
        for (int i = 0; i < count; ++i) {
            HICON icon = ImageList_GetIcon(FHandle, i, ILD_NORMAL);
            ImageList_AddIcon(list, icon);
            DestroyIcon(icon);
        }
    }
    FreeHandle();
    FHandle = list;
}

void TCustomImageList::SetHandle(HIMAGELIST value) {
    if (value == FHandle) return;
    FreeHandle();
    FHandle = value;
    if (FHandle) {
        int cx = FWidth, cy = FHeight;
        ImageList_GetIconSize(FHandle, &cx, &cy);
        FWidth = cx;
        FHeight = cy;
        FMasked = (ImageList_GetFlags(FHandle) & ILC_MASK) != 0;
        FBkColor = FromListColor(ImageList_GetBkColor(FHandle));
    }
    Change();
}

void TCustomImageList::Assign(TPersistent* source) {
    if (source == nullptr) {
        Clear();
        return;
    }
    auto* other = dynamic_cast<TCustomImageList*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    try {
        FWidth = other->FWidth;
        FHeight = other->FHeight;
        FMasked = other->FMasked;
        FBkColor = other->FBkColor;
        FBlendColor = other->FBlendColor;
        FDrawingStyle = other->FDrawingStyle;
        FImageType = other->FImageType;
        FAllocBy = other->FAllocBy;
        HIMAGELIST copy = other->FHandle ? ImageList_Duplicate(other->FHandle) : nullptr;
        if (copy) {
            FreeHandle();
            FHandle = copy;
        } else {
            CreateList(false);
        }
        Change();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCustomImageList::SetWidth(Integer value) {
    if (value == FWidth) return;
    if (value < 1) throw EInvalidOperation(SInvalidSize);
    FWidth = value;
    if (FHandle) ImageList_SetIconSize(FHandle, FWidth, FHeight);
    Change();
}

void TCustomImageList::SetHeight(Integer value) {
    if (value == FHeight) return;
    if (value < 1) throw EInvalidOperation(SInvalidSize);
    FHeight = value;
    if (FHandle) ImageList_SetIconSize(FHandle, FWidth, FHeight);
    Change();
}

void TCustomImageList::SetMasked(bool value) {
    if (value == FMasked) return;
    FMasked = value;
    CreateList(true);
    Change();
}

TColor TCustomImageList::GetBkColor() const { return FBkColor; }

void TCustomImageList::SetBkColor(TColor value) {
    if (value == FBkColor) return;
    FBkColor = value;
    if (FHandle) ImageList_SetBkColor(FHandle, ListColor(value));
    Change();
}

void TCustomImageList::SetBlendColor(TColor value) {
    if (value == FBlendColor) return;
    FBlendColor = value;
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle value) {
    if (value == FDrawingStyle) return;
    FDrawingStyle = value;
    Change();
}

void TCustomImageList::SetImageType(TImageType value) {
    if (value == FImageType) return;
    FImageType = value;
    Change();
}

void TCustomImageList::SetAllocBy(Integer value) { FAllocBy = std::max(value, 1); }

Integer TCustomImageList::GetCount() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::CheckIndex(Integer index, bool allowEnd) const {
    Integer count = GetCount();
    if (index < 0 || index > count || (index == count && !allowEnd)) throw EInvalidOperation(SInvalidIndex);
}

// ---- Adding and replacing ------------------------------------------------------------------------------

Integer TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || !FHandle) return -1;
    Integer result = ImageList_Add(FHandle, image->GetHandle(), mask ? mask->GetHandle() : nullptr);
    if (result >= 0) Change();
    return result;
}

Integer TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || !FHandle) return -1;
    Integer result = ImageList_AddMasked(FHandle, image->GetHandle(), MaskKey(image, maskColor));
    if (result >= 0) Change();
    return result;
}

Integer TCustomImageList::AddIcon(TIcon* image) {
    if (!image || !FHandle || image->GetEmpty()) return -1;
    Integer result = ImageList_AddIcon(FHandle, image->GetHandle());
    if (result >= 0) Change();
    return result;
}

void TCustomImageList::AddImages(TCustomImageList* value) {
    if (!value || !value->FHandle || !FHandle) return;
    Integer count = value->GetCount();
    for (Integer i = 0; i < count; ++i) {
        HICON icon = ImageList_GetIcon(value->FHandle, i, ILD_NORMAL);
        ImageList_AddIcon(FHandle, icon);
        DestroyIcon(icon);
    }
    if (count > 0) Change();
}

void TCustomImageList::Insert(Integer index, TBitmap* image, TBitmap* mask) {
    CheckIndex(index, true);
    BeginUpdate();
    try {
        Integer before = GetCount();
        Integer first = Add(image, mask);
        if (first >= 0)
            for (Integer k = 0; k < GetCount() - before; ++k)
                Move(first + k, index + k);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCustomImageList::InsertMasked(Integer index, TBitmap* image, TColor maskColor) {
    CheckIndex(index, true);
    BeginUpdate();
    try {
        Integer before = GetCount();
        Integer first = AddMasked(image, maskColor);
        if (first >= 0)
            for (Integer k = 0; k < GetCount() - before; ++k)
                Move(first + k, index + k);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCustomImageList::InsertIcon(Integer index, TIcon* image) {
    CheckIndex(index, true);
    BeginUpdate();
    try {
        Integer first = AddIcon(image);
        if (first >= 0) Move(first, index);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCustomImageList::Replace(Integer index, TBitmap* image, TBitmap* mask) {
    CheckIndex(index);
    if (!image || !ImageList_Replace(FHandle, index, image->GetHandle(), mask ? mask->GetHandle() : nullptr))
        throw EInvalidOperation(SReplaceFail);
    Change();
}

void TCustomImageList::ReplaceMasked(Integer index, TBitmap* newImage, TColor maskColor) {
    CheckIndex(index);
    if (!newImage) throw EInvalidOperation(SReplaceFail);
    // The window system replaces from an image and a mask: a one-image list makes both.
    HIMAGELIST temp = ImageList_Create(FWidth, FHeight, ILC_MASK | ILC_COLOR32, 1, 1);
    IMAGEINFO info;
    bool ok = temp && ImageList_AddMasked(temp, newImage->GetHandle(), MaskKey(newImage, maskColor)) == 0 &&
              ImageList_GetImageInfo(temp, 0, &info) &&
              ImageList_Replace(FHandle, index, info.hbmImage, info.hbmMask);
    if (temp) ImageList_Destroy(temp);
    if (!ok) throw EInvalidOperation(SReplaceFail);
    Change();
}

void TCustomImageList::ReplaceIcon(Integer index, TIcon* image) {
    CheckIndex(index);
    if (!image || image->GetEmpty() || ImageList_ReplaceIcon(FHandle, index, image->GetHandle()) < 0)
        throw EInvalidOperation(SReplaceFail);
    Change();
}

void TCustomImageList::Delete(Integer index) {
    if (index == -1) {
        Clear();
        return;
    }
    CheckIndex(index);
    ImageList_Remove(FHandle, index);
    Change();
}

void TCustomImageList::Move(Integer curIndex, Integer newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    int step = newIndex > curIndex ? 1 : -1;
    for (Integer i = curIndex; i != newIndex; i += step)
        ImageList_Copy(FHandle, i + step, FHandle, i, ILCF_SWAP);
    Change();
}

void TCustomImageList::Clear() {
    if (FHandle) ImageList_Remove(FHandle, -1);
    Change();
}

// ---- Drawing ------------------------------------------------------------------------------------------

UINT TCustomImageList::StyleOf(TDrawingStyle drawingStyle, TImageType imageType) const {
    UINT style = ILD_NORMAL;
    switch (drawingStyle) {
    case dsFocus:
        style = ILD_FOCUS;
        break;
    case dsSelected:
        style = ILD_SELECTED;
        break;
    case dsNormal:
        style = ILD_NORMAL;
        break;
    case dsTransparent:
        style = ILD_TRANSPARENT;
        break;
    }
    if (imageType == itMask) style |= ILD_MASK;
    return style;
}

void TCustomImageList::Draw(TCanvas* canvas, Integer x, Integer y, Integer index, bool enabled) {
    Draw(canvas, x, y, index, FDrawingStyle, FImageType, enabled);
}

void TCustomImageList::Draw(TCanvas* canvas, Integer x, Integer y, Integer index, TDrawingStyle drawingStyle,
                            TImageType imageType, bool enabled) {
    if (!canvas || !FHandle || index < 0 || index >= GetCount()) return;
    DoDraw(index, canvas, x, y, StyleOf(drawingStyle, imageType), enabled);
}

void TCustomImageList::DrawOverlay(TCanvas* canvas, Integer x, Integer y, Integer imageIndex,
                                   TOverlay overlay, bool enabled) {
    if (!canvas || !FHandle || imageIndex < 0 || imageIndex >= GetCount() || overlay > 3) return;
    DoDraw(imageIndex, canvas, x, y, StyleOf(FDrawingStyle, FImageType) | INDEXTOOVERLAYMASK(overlay + 1u),
           enabled);
}

bool TCustomImageList::Overlay(Integer imageIndex, TOverlay overlay) {
    if (!FHandle || overlay > 3) return false;
    return ImageList_SetOverlayImage(FHandle, imageIndex, overlay + 1) != FALSE;
}

void TCustomImageList::DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, UINT style,
                              bool enabled) {
    HDC dc = canvas->GetHandle();
    canvas->Changing();
    if (enabled) {
        ImageList_DrawEx(FHandle, index, dc, x, y, 0, 0, ListColor(FBkColor), ListColor(FBlendColor), style);
        canvas->Changed();
        return;
    }
    // Greyed: every pixel of the image that is not white (transparent ones count as white)
    // becomes a monochrome shape, drawn in the highlight colour one pixel down and right and
    // in the shadow colour on top.
    TScratchDc colour(FWidth, FHeight, false);
    TScratchDc shape(FWidth, FHeight, true);
    PatBlt(colour.Dc(), 0, 0, FWidth, FHeight, WHITENESS);
    ImageList_DrawEx(FHandle, index, colour.Dc(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    ::SetBkColor(colour.Dc(), RGB(255, 255, 255));
    BitBlt(shape.Dc(), 0, 0, FWidth, FHeight, colour.Dc(), 0, 0, SRCCOPY);

    int saved = SaveDC(dc);
    SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkColor(dc, RGB(0, 0, 0));
    HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT));
    HBRUSH shadow = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ old = SelectObject(dc, highlight);
    BitBlt(dc, x + 1, y + 1, FWidth, FHeight, shape.Dc(), 0, 0, RopDSPDxax);
    SelectObject(dc, shadow);
    BitBlt(dc, x, y, FWidth, FHeight, shape.Dc(), 0, 0, RopDSPDxax);
    SelectObject(dc, old);
    RestoreDC(dc, saved);
    DeleteObject(highlight);
    DeleteObject(shadow);
    canvas->Changed();
}

// ---- Reading images -----------------------------------------------------------------------------------

bool TCustomImageList::GetBitmap(Integer index, TBitmap* image) {
    if (!image || !FHandle || index < 0 || index >= GetCount()) return false;
    image->SetSize(FWidth, FHeight);
    TCanvas* canvas = image->GetCanvas();
    HDC dc = canvas->GetHandle();
    canvas->Changing();
    PatBlt(dc, 0, 0, FWidth, FHeight, BLACKNESS);
    ImageList_DrawEx(FHandle, index, dc, 0, 0, 0, 0, CLR_DEFAULT, CLR_DEFAULT, ILD_NORMAL);
    canvas->Changed();
    return true;
}

void TCustomImageList::GetIcon(Integer index, TIcon* image) {
    if (!image || !FHandle || index < 0 || index >= GetCount()) return;
    HICON icon = ImageList_GetIcon(FHandle, index, ILD_NORMAL);
    if (icon) image->SetHandle(icon);
}

HBITMAP TCustomImageList::GetImageBitmap() const {
    IMAGEINFO info;
    if (!FHandle || GetCount() == 0 || !ImageList_GetImageInfo(FHandle, 0, &info)) return nullptr;
    return info.hbmImage;
}

HBITMAP TCustomImageList::GetMaskBitmap() const {
    IMAGEINFO info;
    if (!FHandle || GetCount() == 0 || !ImageList_GetImageInfo(FHandle, 0, &info)) return nullptr;
    return info.hbmMask;
}

// ---- Changes --------------------------------------------------------------------------------------------

void TCustomImageList::BeginUpdate() { ++FUpdateCount; }

void TCustomImageList::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0 && FChanged) {
        FChanged = false;
        Change();
    }
}

void TCustomImageList::RegisterChanges(TChangeLink* value) {
    if (!value || std::find(FClients.begin(), FClients.end(), value) != FClients.end()) return;
    if (value->GetSender() && value->GetSender() != this) value->GetSender()->UnRegisterChanges(value);
    value->SetSender(this);
    FClients.push_back(value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* value) {
    auto it = std::find(FClients.begin(), FClients.end(), value);
    if (it == FClients.end()) return;
    FClients.erase(it);
    value->SetSender(nullptr);
}

void TCustomImageList::Change() {
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    // A handler may unregister links (or free them): each is asked only while still registered.
    std::vector<TChangeLink*> clients = FClients;
    TLivenessToken alive = LivenessToken();
    for (TChangeLink* link : clients) {
        if (!alive) return;
        if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
    }
    if (alive) OnChange(this);
}

// ---- Stored images --------------------------------------------------------------------------------------

void TCustomImageList::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Bitmap", [this](TStream* stream) { ReadData(stream); },
        [this](TStream* stream) { WriteData(stream); }, GetCount() > 0);
}

void TCustomImageList::ReadData(TStream* stream) {
    HIMAGELIST list = ImageList_Read(stream);
    if (!list) throw EReadError(SReadFail);
    FreeHandle();
    FHandle = list;
    int cx = FWidth, cy = FHeight;
    ImageList_GetIconSize(list, &cx, &cy);
    FWidth = cx;
    FHeight = cy;
    FMasked = (ImageList_GetFlags(list) & ILC_MASK) != 0;
    // The published colour, read before the images, wins over the stored one.
    ImageList_SetBkColor(list, ListColor(FBkColor));
    Change();
}

void TCustomImageList::WriteData(TStream* stream) {
    if (!FHandle || !ImageList_Write(FHandle, stream)) throw EWriteError(SWriteFail);
}

// ---- TDragImageList ---------------------------------------------------------------------------------------

TDragImageList::~TDragImageList() {
    if (FDragging) EndDrag();
}

bool TDragImageList::BeginDrag(HWND window, Integer x, Integer y) {
    if (!GetHandle() || FDragIndex < 0 || FDragIndex >= GetCount()) return false;
    if (!ImageList_BeginDrag(GetHandle(), FDragIndex, FDragHotspot.x, FDragHotspot.y)) return false;
    FDragging = true;
    FLocked = false;
    FLockedWindow = nullptr;
    return DragLock(window, x, y);
}

bool TDragImageList::DragLock(HWND window, Integer x, Integer y) {
    if (!FDragging) return false;
    if (FLocked && FLockedWindow != window) DragUnlock();
    FLocked = true;
    FLockedWindow = window;
    return ImageList_DragEnter(window, x, y) != FALSE;
}

void TDragImageList::DragUnlock() {
    if (!FDragging) return;
    ImageList_DragLeave(FLockedWindow);
    FLocked = false;
    FLockedWindow = nullptr;
}

bool TDragImageList::DragMove(Integer x, Integer y) { return FDragging && ImageList_DragMove(x, y) != FALSE; }

bool TDragImageList::EndDrag() {
    if (!FDragging) return false;
    ImageList_EndDrag();
    FDragging = false;
    FLocked = false;
    FLockedWindow = nullptr;
    return true;
}

void TDragImageList::HideDragImage() {
    if (FDragging) ImageList_DragShowNolock(FALSE);
}

void TDragImageList::ShowDragImage() {
    if (FDragging) ImageList_DragShowNolock(TRUE);
}

bool TDragImageList::SetDragImage(Integer index, Integer hotSpotX, Integer hotSpotY) {
    if (index < 0 || index >= GetCount()) return false;
    FDragIndex = index;
    FDragHotspot = {hotSpotX, hotSpotY};
    if (!FDragging) return true;
    // Start again with the new image where the old one was.
    POINT at{};
    ImageList_GetDragImage(&at, nullptr);
    if (!ImageList_BeginDrag(GetHandle(), FDragIndex, hotSpotX, hotSpotY)) return false;
    if (FLocked) ImageList_DragEnter(FLockedWindow, at.x, at.y);
    return true;
}

void TDragImageList::SetDragHotspot(const TPoint& value) {
    FDragHotspot = value;
    if (FDragging) SetDragImage(FDragIndex, value.x, value.y);
}

// ---- Registration -----------------------------------------------------------------------------------------

namespace {

struct TImgListRegistration {
    TImgListRegistration() {
        RegisterEnum<TDrawingStyle>("TDrawingStyle", {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"});
        RegisterEnum<TImageType>("TImageType", {"itImage", "itMask"});
        RegisterClasses(
            {TCustomImageList::StaticClass(), TDragImageList::StaticClass(), TImageList::StaticClass()});
    }
};
const TImgListRegistration ImgListRegistration;

} // namespace

KOV_PUBLISHED(TImageList) {
    Property("AllocBy", &TImageList::GetAllocBy, &TImageList::SetAllocBy).Default(4);
    Property("BlendColor", &TImageList::GetBlendColor, &TImageList::SetBlendColor)
        .TypeName("TColor")
        .Default(clNone);
    Property("BkColor", &TImageList::GetBkColor, &TImageList::SetBkColor).TypeName("TColor").Default(clNone);
    Property("DrawingStyle", &TImageList::GetDrawingStyle, &TImageList::SetDrawingStyle).Default(dsNormal);
    Property("Height", &TImageList::GetHeight, &TImageList::SetHeight).Default(16);
    Property("ImageType", &TImageList::GetImageType, &TImageList::SetImageType).Default(itImage);
    Property("Masked", &TImageList::GetMasked, &TImageList::SetMasked).Default(true);
    Property("OnChange", &TImageList::OnChange);
    Property("ShareImages", &TImageList::GetShareImages, &TImageList::SetShareImages).Default(false);
    Property("Width", &TImageList::GetWidth, &TImageList::SetWidth).Default(16);
}
