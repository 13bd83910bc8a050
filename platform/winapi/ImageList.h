// Image lists: many images of one size kept in one object, each with an optional mask, drawn
// normally, transparently, blended or as their mask; overlay images; the drag image that
// follows the pointer; and a stored form so a list can travel inside a window definition.
//
// An image list keeps two bitmaps: the images side by side in one 32-bit row (image i at
// x = i * cx) and, for a list made with ILC_MASK, a monochrome mask of the same layout in which
// white (1) marks the transparent pixels. The colour-depth flags are accepted and remembered;
// every list stores 32-bit pixels.
//
// The drag image is shown in a top-level popup window of its own (topmost, never activated,
// transparent to the mouse, with a window region cut from the mask), so it moves over every
// window of the program without touching their pixels.
#pragma once

#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"

class TStream;

struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;

// ---- Creation flags ----------------------------------------------------------------------------

constexpr UINT ILC_MASK = 0x00000001;
constexpr UINT ILC_COLOR = 0x00000000;
constexpr UINT ILC_COLORDDB = 0x000000FE;
constexpr UINT ILC_COLOR4 = 0x00000004;
constexpr UINT ILC_COLOR8 = 0x00000008;
constexpr UINT ILC_COLOR16 = 0x00000010;
constexpr UINT ILC_COLOR24 = 0x00000018;
constexpr UINT ILC_COLOR32 = 0x00000020;
constexpr UINT ILC_PALETTE = 0x00000800;

// ---- Drawing styles ----------------------------------------------------------------------------

constexpr UINT ILD_NORMAL = 0x00000000;
constexpr UINT ILD_TRANSPARENT = 0x00000001;
constexpr UINT ILD_BLEND25 = 0x00000002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x00000004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x00000010;
constexpr UINT ILD_IMAGE = 0x00000020;
constexpr UINT ILD_ROP = 0x00000040;
constexpr UINT ILD_OVERLAYMASK = 0x00000F00;
constexpr UINT INDEXTOOVERLAYMASK(UINT index) { return index << 8; }

// Colour arguments: none (transparent, or no blend colour) and the default (the list's
// background colour; for a blend, the system highlight colour).
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;
constexpr COLORREF CLR_HILIGHT = CLR_DEFAULT;

// ImageList_Copy.
constexpr UINT ILCF_MOVE = 0x00000000;
constexpr UINT ILCF_SWAP = 0x00000001;

struct IMAGEINFO {
    HBITMAP hbmImage = nullptr; // the list's own bitmaps: not to be deleted or selected
    HBITMAP hbmMask = nullptr;  // null for a list without masks
    int Unused1 = 0;
    int Unused2 = 0;
    RECT rcImage{}; // where the image lies in them
};

struct IMAGELISTDRAWPARAMS {
    DWORD cbSize = sizeof(IMAGELISTDRAWPARAMS);
    HIMAGELIST himl = nullptr;
    int i = 0;
    HDC hdcDst = nullptr;
    int x = 0;
    int y = 0;
    int cx = 0; // 0: the image's width
    int cy = 0;
    int xBitmap = 0; // offset into the image
    int yBitmap = 0;
    COLORREF rgbBk = CLR_DEFAULT;
    COLORREF rgbFg = CLR_DEFAULT;
    UINT fStyle = ILD_NORMAL;
    DWORD dwRop = SRCCOPY; // with ILD_ROP: how the image (without mask) is combined
};

// ---- Lists ---------------------------------------------------------------------------------------

// flags: ILC_MASK and one ILC_COLORxx; initial images are room reserved, grow the room added
// each time it runs out. Null for a size below 1.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// A new list with the same size, flags, colours, overlays and images.
HIMAGELIST ImageList_Duplicate(HIMAGELIST list);

int ImageList_GetImageCount(HIMAGELIST list);
// Shrinks the list, or grows it with black images (transparent in a masked list).
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Removes every image.
BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy);
// CLR_NONE draws the masked pixels transparently; returns the colour before.
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST list);
UINT ImageList_GetFlags(HIMAGELIST list);

// ---- Adding, replacing, removing ----------------------------------------------------------------

// Adds as many images as the bitmap is wide (bitmap width div cx, at least one; where a narrower
// or lower bitmap leaves part of the image uncovered, that part is black, and transparent in a
// masked list). The mask (monochrome or colour: white or
// non-black is transparent) is used only by a masked list; without one every pixel is opaque.
// The bitmaps stay the caller's. Returns the index of the first new image, or -1.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// The same with the mask made from a colour: pixels of that colour become transparent (and
// black in the stored image). CLR_DEFAULT takes the colour of the bitmap's top-left pixel. The
// caller's bitmap is left as it is.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// index -1 appends. An icon of another size is scaled to the list's size. Returns the index.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
inline int ImageList_AddIcon(HIMAGELIST list, HICON icon) { return ImageList_ReplaceIcon(list, -1, icon); }
// index -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST list, int index);
inline BOOL ImageList_RemoveAll(HIMAGELIST list) { return ImageList_Remove(list, -1); }
// Within one list: ILCF_MOVE copies image src over image dst, ILCF_SWAP swaps the two.
BOOL ImageList_Copy(HIMAGELIST dst, int dstIndex, HIMAGELIST src, int srcIndex, UINT flags);
// Makes image `index` the overlay image overlayIndex (1..15) for INDEXTOOVERLAYMASK.
BOOL ImageList_SetOverlayImage(HIMAGELIST list, int index, int overlayIndex);

// ---- Reading -----------------------------------------------------------------------------------

BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info);
// A new icon of the list's size from the image and its mask (the caller destroys it).
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);

// ---- Drawing -----------------------------------------------------------------------------------

// Draws the part (cx, cy; 0: all) of the image at (x, y). Styles:
//   ILD_NORMAL       masked pixels take the background colour rgbBk (CLR_DEFAULT: the list's;
//                    CLR_NONE: left transparent);
//   ILD_TRANSPARENT  masked pixels are left alone whatever the background colour;
//   ILD_MASK         draws the mask: black where the image is, white where it is transparent
//                    (with ILD_TRANSPARENT the mask is ANDed onto the destination);
//   ILD_IMAGE        draws the stored image without its mask;
//   ILD_BLEND25/50   mixes 25 or 50 percent of rgbFg into the image (CLR_DEFAULT: the
//                    highlight colour; CLR_NONE: the destination's pixels);
//   overlay bits     then draws the overlay image (ImageList_SetOverlayImage) transparently.
// A list without masks draws every image opaque.
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int cx, int cy, COLORREF rgbBk,
                      COLORREF rgbFg, UINT style);
// ImageList_DrawEx with both colours CLR_DEFAULT.
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// The same as DrawEx from a parameter block; ILD_ROP combines the image (no mask) through dwRop.
BOOL ImageList_DrawIndirect(const IMAGELISTDRAWPARAMS* params);

// ---- Drag image ---------------------------------------------------------------------------------
// One drag at a time for the whole program. Coordinates passed to DragEnter and DragMove are
// relative to the top-left corner of the lock window's outer rectangle (the screen for null);
// the image is shown with its hot spot at that point.

BOOL ImageList_BeginDrag(HIMAGELIST track, int index, int dxHotspot, int dyHotspot);
BOOL ImageList_DragEnter(HWND lock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragLeave(HWND lock);
// Shows or hides the image without ending the drag.
BOOL ImageList_DragShowNolock(BOOL show);
void ImageList_EndDrag();
// Merges image `index` of `drag` (a cursor image) into the drag image, its hot spot
// (dxHotspot, dyHotspot) put on the drag image's hot spot; the drag image grows as needed.
BOOL ImageList_SetDragCursorImage(HIMAGELIST drag, int index, int dxHotspot, int dyHotspot);
// The list holding the drag image (owned by the drag; null when no drag is under way); point
// receives the current position, hotspot the hot spot within the image.
HIMAGELIST ImageList_GetDragImage(POINT* point, POINT* hotspot);
// The popup window that shows the drag image (null while none is shown), so callers and tests
// can look at it.
HWND ImageListDragWindow();

// ---- Stored form --------------------------------------------------------------------------------
// Written from the stream's position: the signature "KIL1", then little-endian 32-bit values
// cx, cy, flags, count, grow, background colour, the fifteen overlay image indexes, then per
// image cx * cy pixels (0x00RRGGBB, rows top-down) and, for a masked list, a row-major bit per
// pixel (1 = transparent), each image's bits padded to a whole byte. ImageList_Read raises
// nothing: it answers null for anything it does not recognise, leaving the stream after what
// it read.
BOOL ImageList_Write(HIMAGELIST list, TStream* stream);
HIMAGELIST ImageList_Read(TStream* stream);
