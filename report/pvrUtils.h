// Free routines shared by the report engine's modules: tokens and page ranges, number texts
// that survive a change of locale, hexadecimal streams, delimited expressions inside texts,
// error reporting by the report's silent mode, glyph strips, temporary file names and the
// program's directory.
#pragma once

#include "platform/runtime/RtlTypes.h"

class TStream;
class TMemoryStream;
class TStrings;
class TBitmap;
class TImageList;
class TpvrReport;
class TCanvas;
class TGraphic;

// A rectangle in report units (pixels at 96 per inch).
struct TpvrRect {
    Extended Left = 0;
    Extended Top = 0;
    Extended Right = 0;
    Extended Bottom = 0;
};

// The text from `pos` (1-based) up to the next delimiter or the end; `pos` moves past the
// delimiter.
String NextToken(const String& text, Integer& pos, char delimiter);
// Clears the list and adds every token (a trailing delimiter adds no empty item).
void SplitText(const String& text, TStrings* list, char delimiter);
// The whole content, upper-case hexadecimal, two digits per byte.
String StreamToHex(TMemoryStream* stream);
// Half the text's length in bytes, written at position 0 of the stream.
void HexToStream(const String& text, TStream* stream);
// "." and "," both read as the decimal separator, blanks ignored; raises EConvertError
// "'%s' is not a valid floating point value".
Extended ParseFloatText(const String& text);
// "%2.2f" for a number with a fractional part, else the general float text.
String FloatToShortText(Extended value);
TpvrRect MakeRect(Extended left, Extended top, Extended right, Extended bottom);

// The text between an opening delimiter at `startPos` and its matching closing delimiter
// (nested pairs and quoted delimiters skipped) in `inner`; `endPos` becomes the position of the
// closing delimiter's last character. A start position without an opening delimiter gives an
// empty text and leaves `endPos` as it was. Positions are 1-based; multi-byte characters are
// stepped over whole.
void ExtractDelimited(const String& text, const String& open, const String& close, String& inner,
                      Integer& endPos, Integer& startPos);
void ExtractDelimitedW(const WideString& text, const WideString& open, const WideString& close,
                       WideString& inner, Integer& endPos, Integer& startPos);

// By the report's silent mode: a message box, nothing, or an exception with the message.
void ReportError(TpvrReport* report, const String& message);
// The application's message box with the error icon, captioned with the text of "mbError".
void ShowErrorBox(const String& message);

// Cuts a strip into cells, row by row, into `list` (masked by the bottom-left pixel's colour).
// With a disabled list the cells come in pairs: the first to `list`, the second, with white
// turned light grey, to `disabled`.
void AddGlyphStrip(TBitmap* strip, Integer cellWidth, Integer cellHeight, TImageList* disabled,
                   TImageList* list);

// Draws the bitmap with its transparent colour left out.
void DrawTransparentBitmap(TCanvas* canvas, Integer x, Integer y, TBitmap* bitmap);
// A metafile is stretched as it is; any other picture is drawn into a 32-bit image of its own
// size whose pixels are then stretched into the rectangle (colour on colour, except for a
// monochrome bitmap).
void StretchDrawGraphic(TCanvas* canvas, const TpvrRect& rect, TGraphic* graphic);

// Page numbers of a text such as "1,3,5-12" as decimal texts, in the order written; "4-" runs
// to the last page. A part that is no number raises EConvertError.
void ParsePageRange(const String& text, TStrings* list, Integer pageCount);

// A new empty temporary file with the prefix "qo" in `directory` (the system's temporary
// directory when empty).
String MakeTempFileName(const String& directory);
String ProgramFileName();
// With its trailing "/".
String ProgramDirectory();
