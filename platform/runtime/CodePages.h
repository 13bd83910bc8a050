// Text encodings of files: UTF-8 checks and conversion from and to GBK (code page 936).
#pragma once

#include "platform/runtime/RtlTypes.h"

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF). The empty string is valid.
bool IsValidUtf8(const String& bytes);

// GBK bytes to UTF-8. A byte sequence that is not GBK becomes U+FFFD and the conversion goes
// on with the next byte.
String GbkToUtf8(const String& bytes);

// UTF-8 text to GBK bytes. A character GBK lacks, and every byte of malformed UTF-8, becomes
// '?'.
String Utf8ToGbk(const String& text);

// The text of a file as UTF-8: a UTF-8 byte-order mark is dropped, valid UTF-8 is kept as it
// is, anything else is read as GBK.
String TextToUtf8(const String& bytes);
