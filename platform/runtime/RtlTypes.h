// Basic types of the runtime: strings and the integer and floating-point types the
// program's units are written with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A String holds UTF-8 text (the program's "ANSI" code page) or raw bytes.
using String = std::string;
using AnsiString = std::string;
using RawByteString = std::string;
// A wide string holds UTF-16 code units.
using WideString = std::u16string;
using UnicodeString = std::u16string;
using WideChar = char16_t;

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongInt = std::int32_t;
using LongWord = std::uint32_t;
using ShortInt = std::int8_t;
using SmallInt = std::int16_t;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using DWORD = std::uint32_t;
using Extended = long double;
using Single = float;
using Double = double;
using TDateTime = double;  // days since 1899-12-30, time of day as the fraction

using TStringDynArray = std::vector<String>;
