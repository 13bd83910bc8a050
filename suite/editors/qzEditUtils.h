// Drawing routines and helpers shared by the editors: arrows, dots and edge lines, frame fills,
// the painter and colours of editor parts, edit button widths and theme information, caption
// prefixes, fonts, and painting a parent's image behind a transparent control.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/GdiText.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

// The hot-track colour is the system's COLOR_HOTLIGHT: set at the unit's start from the
// operating-system version.
bool IsHotLightColorAvailable();

// Theme state of an edit button by button state (disabled, normal, pressed, hot).
constexpr Integer EditButtonThemeStates[4] = {4, 1, 3, 2};
// Extra vertical frame of the buttons by the first button's style.
constexpr Integer EditButtonVerticalFrames[7] = {0, 4, 2, 2, 2, 2, 2};
// Face colour of a hot-flat button by state.
constexpr TColor HotFlatButtonColors[4] = {clBtnFace, clBtnFace, clBtnText, clBtnShadow};

// Arrow directions.
constexpr Integer adUp = 0;
constexpr Integer adDown = 1;
constexpr Integer adLeft = 2;
constexpr Integer adRight = 3;

// ---- Colours and painters --------------------------------------------------------------------

// The native painter when asked for and themes are active at all; else the painter of the kind.
TqzLookAndFeelPainterClass GetEditPainterClass(bool native, TqzLookAndFeelKind kind);
// COLOR_HOTLIGHT when available, else blue.
TColor GetEditHotTrackColor();
// The office scheme's highlight frame (its colour 40, as the Office11 painter's hot frame), else
// clHighlight.
TColor GetHighlightBorderColor(bool office);
// The button face of the Office11 (office) or ultra-flat painter, pressed or hot.
TColor GetFlatButtonStateColor(bool pressed, bool office);

// ---- Background and buttons ------------------------------------------------------------------

// The editor's background and border (native or plain) with the buttons' visible bounds clipped
// out (unless the first button's theme background is partially transparent), then every button.
// nativeFrameKind picks the native frame's inner rectangle: 0 the theme's content rectangle, 1
// the bounds less 3 up to the client rectangle's right less 1, 2 the client rectangle.
void DrawEditBackgroundAndButtons(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, bool paintInner,
                                  Integer nativeFrameKind);
// The view info's DrawButtonFrame with the button's bounds and style; a simple button without a
// theme part draws as a flat one while pressed or hot.
void DrawEditButtonFrameByState(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, Integer index);
// A button's frame in the style, then its content through the view info's DrawButtonContent.
void DrawEditButtonFrame(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, Integer index, const TRect& bounds,
                         TqzEditButtonStyle style);
// A button's background (not native, not a usable glyph) in faceColor over outer, then its
// dots, arrow, glyph or caption in content.
void DrawEditButtonContent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, Integer index, TColor faceColor,
                           TColor contentColor, const TRect& content, const TRect& outer);

// ---- Buttons ---------------------------------------------------------------------------------

// The theme part, state and partial transparency of a native button (nothing native: 0, 0,
// opaque).
void CalcButtonThemeInfo(TqzEditButtonViewInfo* viewInfo);
// The width a button needs: its Width when set (at least the margins), a glyph's width plus the
// margins, a text's width (at least SM_CYHSCROLL), else SM_CYHSCROLL. A native button whose
// theme cannot be used loses its native flag.
Integer GetEditButtonWidth(TqzCanvas* canvas, TqzEditButtonViewInfo* viewInfo);
// 1 in place when the properties have a button, else 0.
Integer NativeInnerEditHeightCorrection(TqzCustomEditProperties* properties, bool inplace);
// The extra vertical frame of the buttons: the native button's content margins, else by the
// first button's style.
Integer EditButtonVerticalFrame(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo);
// The style's Shadow is on and the look is not native.
bool EditHasShadow(TqzCustomEditViewData* viewData);

// ---- Shapes ----------------------------------------------------------------------------------

// (base, depth) of an arrow in a button: base odd, depth = base div 2 + 1; swapped for left
// and right.
TSize CalculateArrowSize(const TSize& buttonSize, Integer direction);
// One or two solid triangles of size s pointing in direction, centred in bounds (1 pixel right
// and down when pressed).
void DrawTriangleArrows(TqzCanvas* canvas, Integer size, const TRect& bounds, TColor color, bool pressed,
                        bool twoArrows, Integer direction);
// One-pixel lines on the chosen edges (1 left, 2 top, 4 right, 8 bottom) of bounds as given;
// each chosen side then moves inward by 1.
void DrawRectEdges(TqzCanvas* canvas, TRect& bounds, Integer edges, TColor color);
// The poly-line through the points with the pen and its last pixel; or, with brush, each
// straight segment as a one-pixel-wide rectangle up to its end point, and the last point.
void DrawEditPolyLine(TqzCanvas* canvas, const TPoint* points, Integer segmentCount, bool withBrush,
                      TColor color);
// Three d x d squares at left, left + d + 2, left + 2d + 4.
void DrawThreeDots(TqzCanvas* canvas, Integer left, Integer top, TColor color, Integer dotSize);
// The glyph drawn with its transparent colour (enabled) or greyed through an image list, onto the
// canvas at (left, top) or through the buffer. background clNone leaves the ground as it is.
void DrawTransparentGlyph(TqzCanvas* canvas, Integer left, Integer top, TBitmap* buffer, TColor background,
                          bool enabled, TBitmap* glyph);
// The image drawn into the bitmap (a new one of the list's image size filled with the
// background colour when none is given), and the bitmap onto the canvas at rect's top-left.
void DrawImageListImage(TqzCanvas* canvas, TCustomImageList* images, Integer index, TBitmap* bitmap,
                        bool enabled, TColor background, const TRect& rect);
// A given, non-empty bitmap of at least 1 x 1.
bool IsBitmapUsable(TBitmap* bitmap);
// The top-left of size centred in rect; pressed moves each by 1 where it still fits.
TPoint CenterSizeInRect(const TRect& rect, const TSize& size, bool pressed);

// ---- Other helpers ---------------------------------------------------------------------------

// The strips between outer and inner; the whole outer rectangle when inner is empty; nothing
// when outer is empty or equals inner.
void FillRectExcept(TqzCanvas* canvas, const TRect& outer, const TRect& inner, HBRUSH brush);
void FillRectWithColor(TqzCanvas* canvas, const TRect& rect, TColor color);
void FillRectWithBrush(HDC dc, const TRect& rect, HBRUSH brush);
// Paints the control's parent (and the sibling windows below the control that overlap rect)
// into the canvas, the parent's point at rect's top-left (rect in the control's coordinates,
// moved by its position) landing at the canvas's (0, 0). Nothing without a parent or when the
// parent's window has an empty region.
void PaintParentImageBehind(TControl* control, TqzCanvas* canvas, const TRect& rect);
void PaintParentImageBehind(TControl* control, TCanvas* canvas, const TRect& rect);
// Each "&" dropped and the character after it kept; a trailing "&" becomes "_".
String RemoveAcceleratorPrefixes(const String& caption);
// A font made from the LOGFONT becomes the canvas font's handle.
void SetCanvasFontFromLogFont(TqzCanvas* canvas, const LOGFONTA& logFont);
LOGFONTA GetCanvasLogFont(TqzCanvas* canvas);

// The unit's start (the hot-light flag); tests restart it.
void EditUtilsInitialize();
