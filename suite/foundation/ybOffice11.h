// The colours of the office look: taken from a fixed table when the system shows one of the
// three colour schemes of its standard visual style (blue, olive, silver), mixed from the classic
// system colours otherwise; colour blending; solid and two-colour gradient fills; the bitmaps of
// the office expand button.
//
// The colour set exists while somebody uses it (AcquireOfficeSchemeColors ...
// ReleaseOfficeSchemeColors) and is rebuilt on every system colour change
// (RebuildOfficeSchemeColors). Everything runs on the user-interface thread.
#pragma once

#include "platform/classlib/Graphics.h"
#include "platform/runtime/RtlTypes.h"
// NearestScreenColor and BlendSystemColors, which the office colours are mixed with.
#include "suite/foundation/qzGraphics.h"

// The scheme: 0 none (classic colours), 1 blue, 2 olive, 3 silver.
Byte GetOfficeScheme();
// The colours come from the scheme table (visual styles active and a scheme recognised).
bool OfficeSchemeColorsActive();
// The scheme the system shows now: the standard style file ("Luna.msstyles") with the colour
// name "NormalColor" (1), "HomeStead" (2) or "Metallic" (3); 0 for anything else or without
// visual styles.
Byte DetectOffice11Scheme();

// Per channel percent of the first colour and the rest of the second, as the screen shows it.
TColor Blend(TColor first, TColor second, Integer percentOfFirst);
// Bands from the first colour to the second, left to right (horizontal) or top to bottom; at
// most 256 bands, at least one pixel each.
void FillGradientRect(HDC dc, const TRect& rect, TColor first, bool horizontal, TColor second);
void FillSolidRect(HDC dc, const TRect& rect, TColor color);

// The first user builds the colour set and the expand-button bitmaps; every call counts a user.
void AcquireOfficeSchemeColors();
// Builds the set again (scheme and system colours of the moment) and, while it has users, the
// bitmaps too.
void RebuildOfficeSchemeColors();
// The last user frees the bitmaps.
void ReleaseOfficeSchemeColors();

// The scheme colours (0x00BBGGRR); the numbers are their places in the scheme table.
extern TColor SchemeColor19;
extern TColor SchemeColor20;
extern TColor SchemeColor21;
extern TColor SchemeColor22;
extern TColor SchemeColor33;
extern TColor SchemeColor34;
extern TColor SchemeColor35;
extern TColor SchemeColor37;
extern TColor SchemeColor40;
extern TColor SchemeColor41;
extern TColor SchemeColor42;
extern TColor SchemeColor43;
extern TColor SchemeColor44;
extern TColor SchemeColor49;
extern TColor SchemeColor50;
extern TColor SchemeColor51;
extern TColor SchemeColor52;
extern TColor SchemeColor53;
extern TColor SchemeColor54;
extern TColor SchemeHighlightColor;
extern TColor SchemeMidShadowColor;

// The expand button's pictures (11 x 11, from the resources "JVEXPANDBUTTON_MINUS" and
// "JVEXPANDBUTTON_PLUS"), owned by the unit while the colour set has users (nullptr otherwise;
// empty when the program lacks the resource).
extern TBitmap* ExpandMinusBitmap;
extern TBitmap* ExpandPlusBitmap;
constexpr TColor ExpandButtonLightColor = TColor(RGB(158, 174, 191));
constexpr TColor ExpandButtonDarkColor = TColor(RGB(46, 70, 95));
