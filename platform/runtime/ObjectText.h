// The object text format of stored definitions, and its conversion to and from the component
// stream of platform/runtime/Filer.h:
//
//     object fMainFrm: TfMainFrm
//       Caption = 'KOV-571'
//       Items.Strings = (
//         'one'
//         'two')
//       object tbNew: TToolButton
//         OnClick = TButtonClick
//       end
//     end
//
// A header is "object", "inherited" or "inline", the name and a colon (both may be left out),
// the class name and an optional child position "[n]". Values: integers (decimal, or
// hexadecimal "$FF"), floats with "." ("1.5"; a suffix "s", "c" or "d" stores a single, a currency
// or a date), strings in quotes with '' for a quote, #nnn character codes (UTF-16 code units,
// decimal or "#$hex") and "+" joining pieces, identifiers (dotted ones too), sets "[a, b]", lists
// "( ... )", collections "< item ... end >" with an optional order "item [n]", binary data
// "{ hex }" spanning lines, and dotted property names.
//
// Written text uses two blanks per level and LF line ends (CR LF is read too), keeps printable
// text and every byte above 127 (UTF-8) inside the quotes and writes control characters as #nnn.
// The text keeps values, not the widths they were stored with: reading it back stores integers
// in their smallest kind and strings the way TWriter::WriteString chooses, so a stream TWriter
// wrote comes back byte for byte. Extended values that are doubles are written as the double's
// shortest text ("0.1"), other Extended values with all the digits that tell them apart.
#pragma once

#include <functional>

#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/RtlTypes.h"

class TStream;
class TReader;

// A syntax error in object text: "<message> on line <n>".
KOV_DECLARE_EXCEPTION(EParserError, Exception);

// Converts one stored component tree (the signature and the root) from the input's position to
// text at the output's position. A damaged stream raises EReadError, and so does one whose text
// would not read back as the same stream: a class, component or property name that is no
// identifier (or a class name of 240 bytes or more), a property named "end", an identifier
// value that is none or is spelled like False, True, nil or Null, a set element that is neither
// a name nor a plain number, a float that is not finite. Subnormal floats are written as the
// text reader reads them. In text, "Null" as a property's value is the Null value; inside a
// list it is an identifier.
void ObjectBinaryToText(TStream* input, TStream* output);
// Converts the text from the input's position to its end into the component stream at the
// output's position. Syntax errors raise EParserError with the line.
void ObjectTextToBinary(TStream* input, TStream* output);

// Reads a component tree from its text definition into `root` (or into a new root of the stored
// class when nullptr), as TReader::ReadRootComponent does. `setup` may adjust the reader first
// (OnError). Errors keep their class; the message gains " on line <n>" for the line where
// reading stopped, and "<sourceName>: " in front when a source name is given.
TComponent* ReadComponentText(const String& text, TComponent* root, const String& sourceName = String(),
                              const std::function<void(TReader& reader)>& setup = nullptr);
