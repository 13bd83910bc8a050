// Object text <-> component stream, and reading a component tree straight from its text.
#include "platform/runtime/ObjectText.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <type_traits>
#include <vector>

#include "platform/runtime/Filer.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"

namespace {

// ---- Numbers as text --------------------------------------------------------------------------

// The shortest text that reads back as the same value, always with a "." so it reads as a float.
template <class F>
String FloatText(F value) {
    char buffer[160];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    String text = error == std::errc() ? String(buffer, end) : String("0");
    if (text.find_first_of("0123456789") == String::npos) return text;  // inf, nan
    if (text.find('.') == String::npos) {
        const std::size_t exponent = text.find('e');
        text.insert(exponent == String::npos ? text.size() : exponent, ".0");
    }
    return text;
}

// Reads a whole number text as F. Values too small for a normal F (subnormals, as FloatText
// writes them) are read too; values beyond F's range are not.
template <class F>
bool ReadFloatText(const String& text, F& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || text.empty()) return false;
    if (error == std::errc()) return true;
    if (error != std::errc::result_out_of_range) return false;
    // The library reports an underflow as out of range; the C reader gives the nearest value.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    errno = 0;
    F nearest;
    if constexpr (std::is_same_v<F, float>)
        nearest = strtof_l(text.c_str(), nullptr, c);
    else if constexpr (std::is_same_v<F, double>)
        nearest = strtod_l(text.c_str(), nullptr, c);
    else
        nearest = strtold_l(text.c_str(), nullptr, c);
    if (!std::isfinite(nearest) || std::fabs(nearest) >= std::numeric_limits<F>::min()) return false;
    value = nearest;
    return true;
}

// Whether the text is exactly how FloatText writes some double.
bool IsDoubleText(const String& text) {
    double value = 0;
    return ReadFloatText(text, value) && FloatText(value) == text;
}

// Extended values that are doubles (what Double properties store) are written as the double's
// shortest text, which is what a person expects to read; the text of any other value must not
// look like a double's, or reading it back would give that double: it then gets all 21 digits.
String ExtendedText(Extended value) {
    const double narrowed = static_cast<double>(value);
    if (static_cast<Extended>(narrowed) == value) return FloatText(narrowed);
    String text = FloatText(value);
    if (!IsDoubleText(text)) return text;
    char buffer[160];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::scientific, 20);
    return error == std::errc() ? String(buffer, end) : text;
}

bool ParseExtended(const String& text, Extended& value) {
    if (IsDoubleText(text)) {
        double narrowed = 0;
        ReadFloatText(text, narrowed);
        value = narrowed;
        return true;
    }
    return ReadFloatText(text, value);
}

String CurrencyText(Currency value) {
    const Int64 raw = value.Raw();
    const UInt64 magnitude = raw < 0 ? UInt64(0) - UInt64(raw) : UInt64(raw);
    String fraction = IntToStr(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
    return (raw < 0 ? "-" : "") + IntToStr(magnitude / 10000) + "." + fraction;
}

const char kHexDigits[] = "0123456789ABCDEF";

// Objects, lists and collections inside each other deeper than any real definition are refused
// before the recursion runs out of stack.
constexpr Integer kMaxNesting = 256;

class TNesting {
public:
    TNesting(Integer& depth, const std::function<void()>& fail) : FDepth(depth) {
        if (++FDepth > kMaxNesting) {
            --FDepth;
            fail();
        }
    }
    ~TNesting() { --FDepth; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

private:
    Integer& FDepth;
};

// ---- Binary to text -------------------------------------------------------------------------

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What the text reader takes for one identifier.
bool IsIdent(const String& text) {
    if (text.empty() || !IsIdentStart(text[0])) return false;
    for (char c : text)
        if (!IsIdentStart(c) && !IsDigit(c)) return false;
    return true;
}

bool IsDottedIdent(const String& text) {
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        if (!IsIdent(text.substr(start, dot == String::npos ? String::npos : dot - start))) return false;
        if (dot == String::npos) return true;
        start = dot + 1;
    }
}

class TBinaryToText {
public:
    TBinaryToText(TStream* input, TStream* output) : FReader(input), FOutput(output) {}

    void Convert() {
        FReader.ReadSignature();
        ConvertObject(0);
        FText += '\n';
        FOutput->WriteBuffer(FText.data(), Integer(FText.size()));
    }

private:
    static constexpr std::size_t kStringPiece = 64;  // characters per line of a long string
    static constexpr std::size_t kBinaryLine = 32;   // bytes per line of binary data

    void NewLine(Integer indent) {
        FText += '\n';
        FText.append(std::size_t(indent) * 2, ' ');
    }
    void StartLine(Integer indent) {
        if (!FText.empty()) FText += '\n';
        FText.append(std::size_t(indent) * 2, ' ');
    }

    // What is written must read back as the same stream: names the text cannot hold as they
    // are, and values it cannot tell apart from others, are a damaged stream.
    [[noreturn]] static void InvalidStream() { throw EReadError("Invalid stream format"); }
    [[noreturn]] static void InvalidValue() { throw EReadError("Invalid property value"); }

    static bool IsKeywordName(const String& name) {
        const String first = name.substr(0, name.find('.'));
        return SameText(first, "end");
    }

    // Idents the text writes back as another kind of value.
    static bool IsSpecialIdent(const String& ident, bool inList) {
        return SameText(ident, "False") || SameText(ident, "True") || SameText(ident, "nil") ||
               (!inList && SameText(ident, "Null"));
    }

    template <class F>
    static F Finite(F value) {
        if (!std::isfinite(value)) InvalidValue();
        return value;
    }

    void ConvertObject(Integer indent) {
        TNesting nesting(FNesting, [] { throw EReadError("Invalid stream format"); });
        TFilerFlags flags;
        Integer childPos = 0;
        FReader.ReadPrefix(flags, childPos);
        const String className = FReader.ReadStr();
        const String name = FReader.ReadStr();
        // A length byte of 240 or more reads as a flags prefix when no prefix comes first.
        if (!IsIdent(className) || className.size() >= 0xF0) InvalidStream();
        if (!name.empty() && !IsIdent(name)) InvalidStream();
        StartLine(indent);
        FText += flags.Contains(ffInherited) ? "inherited "
                 : flags.Contains(ffInline)  ? "inline "
                                             : "object ";
        if (!name.empty()) FText += name + ": ";
        FText += className;
        if (flags.Contains(ffChildPos)) FText += " [" + IntToStr(childPos) + "]";
        while (!FReader.EndOfList()) ConvertProperty(indent + 1);
        FReader.ReadListEnd();
        while (!FReader.EndOfList()) ConvertObject(indent + 1);
        FReader.ReadListEnd();
        StartLine(indent);
        FText += "end";
    }

    void ConvertProperty(Integer indent) {
        const String name = FReader.ReadStr();
        if (!IsDottedIdent(name) || IsKeywordName(name)) InvalidStream();
        StartLine(indent);
        FText += name + " = ";
        ConvertValue(indent);
    }

    // `inList`: a value inside "( )", where a Null value cannot stand (it ends the list).
    void ConvertValue(Integer indent, bool inList = false) {
        TNesting nesting(FNesting, [] { throw EReadError("Invalid stream format"); });
        const TValueType kind = FReader.NextValue();
        switch (kind) {
        case vaInt8:
        case vaInt16:
        case vaInt32:
        case vaInt64:
            FText += IntToStr(FReader.ReadInt64());
            break;
        case vaExtended:
            FText += ExtendedText(Finite(FReader.ReadFloat()));
            break;
        case vaSingle:
            FText += FloatText(Finite(FReader.ReadSingle())) + "s";
            break;
        case vaCurrency:
            FText += CurrencyText(FReader.ReadCurrency()) + "c";
            break;
        case vaDate:
            FText += FloatText(Finite(FReader.ReadDate())) + "d";
            break;
        case vaString:
        case vaLString:
        case vaUTF8String:
            WriteQuoted(SplitBytes(FReader.ReadString()), indent);
            break;
        case vaWString:
            WriteQuoted(SplitWide(FReader.ReadWideString()), indent);
            break;
        case vaIdent: {
            FReader.ReadValue();
            const String ident = FReader.ReadStr();
            if (!IsDottedIdent(ident) || IsSpecialIdent(ident, inList)) InvalidValue();
            FText += ident;
            break;
        }
        case vaNull:
            if (inList) InvalidValue();
            [[fallthrough]];
        case vaFalse:
        case vaTrue:
        case vaNil:
            FText += FReader.ReadIdent();
            break;
        case vaBinary:
            WriteBinary(FReader.ReadBinary(), indent);
            break;
        case vaSet: {
            FReader.ReadValue();
            FText += '[';
            bool first = true;
            for (String element = FReader.ReadStr(); !element.empty(); element = FReader.ReadStr()) {
                // An element is a name, or a number as the text reader writes it back.
                Int64 number = 0;
                if (!IsIdent(element) && !(TryStrToInt64(element, number) && IntToStr(number) == element))
                    InvalidValue();
                if (!first) FText += ", ";
                FText += element;
                first = false;
            }
            FText += ']';
            break;
        }
        case vaList:
            FReader.ReadValue();
            FText += '(';
            while (!FReader.EndOfList()) {
                NewLine(indent + 1);
                ConvertValue(indent + 1, true);
            }
            FReader.ReadListEnd();
            FText += ')';
            break;
        case vaCollection:
            FReader.ReadValue();
            FText += '<';
            while (!FReader.EndOfList()) {
                StartLine(indent + 1);
                FText += "item";
                const TValueType next = FReader.NextValue();
                if (next == vaInt8 || next == vaInt16 || next == vaInt32 || next == vaInt64)
                    FText += " [" + IntToStr(FReader.ReadInt64()) + "]";
                FReader.ReadListBegin();
                while (!FReader.EndOfList()) ConvertProperty(indent + 2);
                FReader.ReadListEnd();
                StartLine(indent + 1);
                FText += "end";
            }
            FReader.ReadListEnd();
            FText += '>';
            break;
        default:
            InvalidValue();
        }
    }

    // A string as pieces of one character each: a UTF-8 sequence (or a lone byte that is not
    // part of one) or a code to write as #nnn.
    struct TPiece {
        String Bytes;
        Integer Code = -1;  // >= 0: written as #Code
    };

    static std::vector<TPiece> SplitBytes(const String& value) {
        std::vector<TPiece> pieces;
        std::size_t i = 0;
        while (i < value.size()) {
            const unsigned char c = static_cast<unsigned char>(value[i]);
            if (c < 0x20 || c == 0x7F) {
                pieces.push_back({String(), Integer(c)});
                ++i;
            } else if (c < 0x80) {
                pieces.push_back({String(1, char(c)), -1});
                ++i;
            } else {
                // Bytes above 127 stay as they are; a well-formed sequence is kept together.
                std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                std::size_t k = 1;
                while (k < length && i + k < value.size() &&
                       (static_cast<unsigned char>(value[i + k]) & 0xC0) == 0x80)
                    ++k;
                if (k < length) length = 1;
                pieces.push_back({value.substr(i, length), -1});
                i += length;
            }
        }
        return pieces;
    }

    static std::vector<TPiece> SplitWide(const WideString& value) {
        std::vector<TPiece> pieces;
        for (std::size_t i = 0; i < value.size(); ++i) {
            const char16_t unit = value[i];
            const bool high = unit >= 0xD800 && unit <= 0xDBFF;
            const bool pair =
                high && i + 1 < value.size() && value[i + 1] >= 0xDC00 && value[i + 1] <= 0xDFFF;
            if (pair) {
                pieces.push_back({WideToString(value.substr(i, 2)), -1});
                ++i;
            } else if (unit >= 0xD800 && unit <= 0xDFFF) {
                // Half a pair: text holds characters, and no character reads back as this.
                InvalidValue();
            } else if (unit < 0x20 || unit == 0x7F) {
                pieces.push_back({String(), Integer(unit)});
            } else {
                pieces.push_back({WideToString(WideString(1, unit)), -1});
            }
        }
        return pieces;
    }

    void WriteQuoted(const std::vector<TPiece>& pieces, Integer indent) {
        if (pieces.empty()) {
            FText += "''";
            return;
        }
        bool quoted = false;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0 && i % kStringPiece == 0) {
                if (quoted) FText += '\'';
                quoted = false;
                FText += " +";
                NewLine(indent + 1);
            }
            const TPiece& piece = pieces[i];
            if (piece.Code >= 0) {
                if (quoted) FText += '\'';
                quoted = false;
                FText += '#' + IntToStr(piece.Code);
            } else {
                if (!quoted) FText += '\'';
                quoted = true;
                FText += piece.Bytes == "'" ? "''" : piece.Bytes;
            }
        }
        if (quoted) FText += '\'';
    }

    void WriteBinary(const String& bytes, Integer indent) {
        FText += '{';
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i % kBinaryLine == 0) NewLine(indent + 1);
            const unsigned char b = static_cast<unsigned char>(bytes[i]);
            FText += kHexDigits[b >> 4];
            FText += kHexDigits[b & 0x0F];
        }
        FText += '}';
    }

    TReader FReader;
    TStream* FOutput;
    String FText;
    Integer FNesting = 0;
};

// ---- Text to binary -------------------------------------------------------------------------

enum TTokenKind { tokEnd, tokIdent, tokString, tokInteger, tokFloat, tokBinary, tokSymbol };

struct TToken {
    TTokenKind Kind = tokEnd;
    String Text;       // identifier, symbol, the float's digits, or the string's bytes
    Int64 Number = 0;  // tokInteger
    char Suffix = 0;   // tokFloat: 0, 's', 'c' or 'd'
    Integer Line = 1;
};

// Where each property and object starts in the stream, for the line of a reader's error.
struct TLineMark {
    Int64 Offset;
    Integer Line;
};

[[noreturn]] void ParserError(const String& message, Integer line) {
    throw EParserError(message + " on line " + IntToStr(line));
}

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
Integer HexValue(char c) {
    return IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : c - 'A' + 10;
}

// UTF-8 of a code point; a lone surrogate gets the same three-byte form (it cannot be stored as
// text, so the string is then kept as bytes).
void AppendCodePoint(String& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

class TLexer {
public:
    explicit TLexer(String text) : FText(std::move(text)) {}

    std::vector<TToken> Tokens() {
        std::vector<TToken> tokens;
        while (true) {
            tokens.push_back(Next());
            if (tokens.back().Kind == tokEnd) return tokens;
        }
    }

private:
    char At(std::size_t i) const { return i < FText.size() ? FText[i] : '\0'; }

    TToken Next() {
        SkipBlanks();
        TToken token;
        token.Line = FLine;
        if (FPos >= FText.size()) return token;
        const char c = FText[FPos];
        if (IsIdentStart(c)) {
            const std::size_t start = FPos;
            while (IsIdentStart(At(FPos)) || IsDigit(At(FPos))) ++FPos;
            token.Kind = tokIdent;
            token.Text = FText.substr(start, FPos - start);
        } else if (c == '\'' || c == '#') {
            token.Kind = tokString;
            token.Text = ReadString();
        } else if (IsDigit(c) || c == '$' || (c == '-' && (IsDigit(At(FPos + 1)) || At(FPos + 1) == '$'))) {
            ReadNumber(token);
        } else if (c == '{') {
            token.Kind = tokBinary;
            token.Text = ReadBinary();
        } else if (String("=:[](),<>+.").find(c) != String::npos) {
            token.Kind = tokSymbol;
            token.Text = String(1, c);
            ++FPos;
        } else {
            const unsigned char byte = static_cast<unsigned char>(c);
            ParserError(byte >= 0x20 && byte < 0x7F ? "Invalid character '" + String(1, c) + "'"
                                                    : "Invalid character #" + IntToStr(Integer(byte)),
                        FLine);
        }
        return token;
    }

    void SkipBlanks() {
        while (FPos < FText.size()) {
            const char c = FText[FPos];
            if (c == '\n')
                ++FLine;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++FPos;
        }
    }

    // Quoted pieces and #nnn codes written next to each other make one string.
    String ReadString() {
        String value;
        char16_t pendingHigh = 0;
        auto flushHigh = [&]() {
            if (pendingHigh != 0) AppendCodePoint(value, pendingHigh);
            pendingHigh = 0;
        };
        while (true) {
            const char c = At(FPos);
            if (c == '\'') {
                flushHigh();
                ++FPos;
                while (true) {
                    if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r')
                        ParserError("Unterminated string", FLine);
                    if (FText[FPos] == '\'') {
                        if (At(FPos + 1) != '\'') break;
                        ++FPos;
                    }
                    value += FText[FPos++];
                }
                ++FPos;
            } else if (c == '#') {
                ++FPos;
                Int64 code = 0;
                std::size_t digits = 0;
                if (At(FPos) == '$') {
                    ++FPos;
                    for (; IsHexDigit(At(FPos)) && code <= 0xFFFF; ++FPos, ++digits)
                        code = code * 16 + HexValue(FText[FPos]);
                } else {
                    for (; IsDigit(At(FPos)) && code <= 0xFFFF; ++FPos, ++digits)
                        code = code * 10 + (FText[FPos] - '0');
                }
                if (digits == 0 || code > 0xFFFF) ParserError("Invalid character code", FLine);
                const char16_t unit = char16_t(code);
                if (unit >= 0xDC00 && unit <= 0xDFFF && pendingHigh != 0) {
                    AppendCodePoint(value,
                                    0x10000 + ((char32_t(pendingHigh) - 0xD800) << 10) + (unit - 0xDC00));
                    pendingHigh = 0;
                } else {
                    flushHigh();
                    if (unit >= 0xD800 && unit <= 0xDBFF)
                        pendingHigh = unit;
                    else
                        AppendCodePoint(value, unit);
                }
            } else {
                flushHigh();
                return value;
            }
        }
    }

    void ReadNumber(TToken& token) {
        const std::size_t start = FPos;
        const bool negative = At(FPos) == '-';
        if (negative) ++FPos;
        if (At(FPos) == '$') {
            ++FPos;
            UInt64 value = 0;
            std::size_t digits = 0;
            for (; IsHexDigit(At(FPos)); ++FPos, ++digits) {
                if (digits == 16)
                    ParserError("Invalid number " + FText.substr(start, FPos - start + 1), FLine);
                value = value * 16 + UInt64(HexValue(FText[FPos]));
            }
            if (digits == 0) ParserError("Invalid number " + FText.substr(start, FPos - start), FLine);
            token.Kind = tokInteger;
            token.Number = negative ? Int64(UInt64(0) - value) : Int64(value);
            CheckNumberEnd(start);
            return;
        }
        while (IsDigit(At(FPos))) ++FPos;
        bool isFloat = false;
        if (At(FPos) == '.' && IsDigit(At(FPos + 1))) {
            isFloat = true;
            ++FPos;
            while (IsDigit(At(FPos))) ++FPos;
        }
        if ((At(FPos) == 'e' || At(FPos) == 'E') &&
            (IsDigit(At(FPos + 1)) ||
             ((At(FPos + 1) == '+' || At(FPos + 1) == '-') && IsDigit(At(FPos + 2))))) {
            isFloat = true;
            FPos += 2;
            while (IsDigit(At(FPos))) ++FPos;
        }
        const String digits = FText.substr(start, FPos - start);
        const char suffix = At(FPos);
        if (suffix == 's' || suffix == 'c' || suffix == 'd' || suffix == 'S' || suffix == 'C' ||
            suffix == 'D') {
            if (!IsIdentStart(At(FPos + 1)) && !IsDigit(At(FPos + 1))) {
                token.Suffix = char(suffix | 0x20);
                isFloat = true;
                ++FPos;
            }
        }
        token.Text = digits;
        if (isFloat) {
            token.Kind = tokFloat;
        } else {
            token.Kind = tokInteger;
            auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), token.Number);
            if (error != std::errc() || end != digits.data() + digits.size())
                ParserError("Invalid number " + digits, FLine);
        }
        CheckNumberEnd(start);
    }

    void CheckNumberEnd(std::size_t start) {
        if (IsIdentStart(At(FPos)) || IsDigit(At(FPos)) || At(FPos) == '.') {
            std::size_t end = FPos;
            while (IsIdentStart(At(end)) || IsDigit(At(end)) || At(end) == '.') ++end;
            ParserError("Invalid number " + FText.substr(start, end - start), FLine);
        }
    }

    String ReadBinary() {
        const Integer line = FLine;
        ++FPos;  // '{'
        String bytes;
        Integer high = -1;
        while (true) {
            if (FPos >= FText.size()) ParserError("Unterminated binary value", line);
            const char c = FText[FPos++];
            if (c == '}') break;
            if (c == '\n') {
                ++FLine;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r') continue;
            if (!IsHexDigit(c)) ParserError("Invalid binary value", FLine);
            if (high < 0) {
                high = HexValue(c);
            } else {
                bytes += char((high << 4) | HexValue(c));
                high = -1;
            }
        }
        if (high >= 0) ParserError("Invalid binary value", FLine);
        return bytes;
    }

    String FText;
    std::size_t FPos = 0;
    Integer FLine = 1;
};

class TTextToBinary {
public:
    TTextToBinary(String text, TStream* output, std::vector<TLineMark>* marks)
        : FTokens(TLexer(std::move(text)).Tokens()), FOutput(output), FWriter(output), FMarks(marks) {}

    void Convert() {
        FWriter.WriteSignature();
        ParseObject();
        if (Current().Kind != tokEnd) Fail("End of file expected");
    }

private:
    const TToken& Current() const { return FTokens[FIndex]; }
    const TToken& Peek(std::size_t ahead = 1) const {
        return FTokens[std::min(FIndex + ahead, FTokens.size() - 1)];
    }
    void Advance() {
        if (FIndex + 1 < FTokens.size()) ++FIndex;
    }
    [[noreturn]] void Fail(const String& message) const { ParserError(message, Current().Line); }

    bool IsSymbol(const char* symbol) const {
        return Current().Kind == tokSymbol && Current().Text == symbol;
    }
    bool IsKeyword(const char* keyword) const {
        return Current().Kind == tokIdent && SameText(Current().Text, keyword);
    }
    void ExpectSymbol(const char* symbol) {
        if (!IsSymbol(symbol)) Fail("'" + String(symbol) + "' expected");
        Advance();
    }
    String ExpectIdent() {
        if (Current().Kind != tokIdent) Fail("Identifier expected");
        String ident = Current().Text;
        Advance();
        return ident;
    }
    // "A.B.C"
    String ExpectDottedIdent() {
        String name = ExpectIdent();
        while (IsSymbol(".")) {
            Advance();
            name += "." + ExpectIdent();
        }
        return name;
    }
    Int64 ExpectInteger() {
        if (Current().Kind != tokInteger) Fail("Integer expected");
        const Int64 value = Current().Number;
        Advance();
        return value;
    }

    // An object header starts a child unless the keyword is the name of a property.
    bool AtObject() const {
        if (!IsKeyword("object") && !IsKeyword("inherited") && !IsKeyword("inline")) return false;
        const TToken& next = Peek();
        return !(next.Kind == tokSymbol && (next.Text == "=" || next.Text == "."));
    }

    void Mark() {
        if (FMarks != nullptr) FMarks->push_back({FOutput->GetPosition(), Current().Line});
    }

    void ParseObject() {
        TNesting nesting(FNesting, [this] { Fail("Nesting too deep"); });
        if (!AtObject()) Fail("'object' expected");
        Mark();
        TFilerFlags flags;
        if (IsKeyword("inherited")) flags.Include(ffInherited);
        if (IsKeyword("inline")) flags.Include(ffInline);
        Advance();
        String name;
        String className = ExpectIdent();
        if (IsSymbol(":")) {
            Advance();
            name = className;
            className = ExpectIdent();
        }
        Integer childPos = 0;
        if (IsSymbol("[")) {
            Advance();
            const Int64 position = ExpectInteger();
            if (position < std::numeric_limits<Integer>::min() ||
                position > std::numeric_limits<Integer>::max())
                Fail("Invalid child position");
            childPos = Integer(position);
            flags.Include(ffChildPos);
            ExpectSymbol("]");
        }
        FWriter.WritePrefix(flags, childPos);
        FWriter.WriteStr(className);
        FWriter.WriteStr(name);
        while (!IsKeyword("end") && !AtObject()) ParseProperty();
        FWriter.WriteListEnd();
        while (AtObject()) ParseObject();
        FWriter.WriteListEnd();
        if (!IsKeyword("end")) Fail("'end' expected");
        Advance();
    }

    void ParseProperty() {
        if (Current().Kind == tokEnd) Fail("'end' expected");
        Mark();
        const String name = ExpectDottedIdent();
        ExpectSymbol("=");
        FWriter.WriteStr(name);
        ParseValue();
    }

    // `inList`: a value inside "( )", where Null is an identifier (a Null value would end the
    // list); elsewhere Null is the Null value.
    void ParseValue(bool inList = false) {
        TNesting nesting(FNesting, [this] { Fail("Nesting too deep"); });
        const TToken& token = Current();
        switch (token.Kind) {
        case tokInteger:
            FWriter.WriteInteger(token.Number);
            Advance();
            return;
        case tokFloat:
            WriteFloat(token);
            Advance();
            return;
        case tokString: {
            String value = token.Text;
            Advance();
            while (IsSymbol("+")) {
                Advance();
                if (Current().Kind != tokString) Fail("String expected");
                value += Current().Text;
                Advance();
            }
            FWriter.WriteString(value);
            return;
        }
        case tokIdent: {
            const String ident = ExpectDottedIdent();
            if (!inList && SameText(ident, "Null"))
                FWriter.WriteValue(vaNull);
            else
                FWriter.WriteIdent(ident);
            return;
        }
        case tokBinary:
            FWriter.WriteBinary(token.Text);
            Advance();
            return;
        case tokSymbol:
            if (token.Text == "[") return ParseSet();
            if (token.Text == "(") return ParseList();
            if (token.Text == "<") return ParseCollection();
            break;
        case tokEnd:
            break;
        }
        Fail("Value expected");
    }

    void WriteFloat(const TToken& token) {
        const char* first = token.Text.data();
        const char* last = first + token.Text.size();
        auto fail = [&]() { Fail("Invalid number " + token.Text); };
        switch (token.Suffix) {
        case 's': {
            float value = 0;
            auto [end, error] = std::from_chars(first, last, value);
            if (error != std::errc() || end != last) fail();
            FWriter.WriteSingle(value);
            break;
        }
        case 'd': {
            double value = 0;
            auto [end, error] = std::from_chars(first, last, value);
            if (error != std::errc() || end != last) fail();
            FWriter.WriteDate(value);
            break;
        }
        case 'c':
            FWriter.WriteCurrency(ParseCurrency(token.Text));
            break;
        default: {
            Extended value = 0;
            if (!ParseExtended(token.Text, value)) fail();
            FWriter.WriteFloat(value);
            break;
        }
        }
    }

    // Exactly, digit by digit: at most four decimals.
    Currency ParseCurrency(const String& text) {
        std::size_t i = 0;
        const bool negative = !text.empty() && text[0] == '-';
        if (negative) ++i;
        UInt64 raw = 0;
        Integer decimals = -1;
        const UInt64 limit = UInt64(std::numeric_limits<Int64>::max()) + (negative ? 1 : 0);
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '.' && decimals < 0) {
                decimals = 0;
                continue;
            }
            if (!IsDigit(c) || decimals >= 4) Fail("Invalid number " + text + "c");
            if (decimals >= 0) ++decimals;
            if (raw > (limit - UInt64(c - '0')) / 10) Fail("Invalid number " + text + "c");
            raw = raw * 10 + UInt64(c - '0');
        }
        for (Integer d = decimals < 0 ? 0 : decimals; d < 4; ++d) {
            if (raw > limit / 10) Fail("Invalid number " + text + "c");
            raw *= 10;
        }
        return Currency::FromRaw(negative ? Int64(UInt64(0) - raw) : Int64(raw));
    }

    void ParseSet() {
        Advance();  // '['
        FWriter.WriteValue(vaSet);
        if (!IsSymbol("]")) {
            while (true) {
                if (Current().Kind == tokIdent)
                    FWriter.WriteStr(ExpectIdent());
                else if (Current().Kind == tokInteger)
                    FWriter.WriteStr(IntToStr(ExpectInteger()));
                else
                    Fail("Identifier expected");
                if (IsSymbol("]")) break;
                ExpectSymbol(",");
            }
        }
        Advance();  // ']'
        FWriter.WriteStr(String());
    }

    void ParseList() {
        Advance();  // '('
        FWriter.WriteListBegin();
        while (!IsSymbol(")")) ParseValue(true);
        Advance();
        FWriter.WriteListEnd();
    }

    void ParseCollection() {
        Advance();  // '<'
        FWriter.WriteValue(vaCollection);
        while (!IsSymbol(">")) {
            if (!IsKeyword("item")) Fail("'item' expected");
            Mark();
            Advance();
            if (IsSymbol("[")) {
                Advance();
                FWriter.WriteInteger(ExpectInteger());
                ExpectSymbol("]");
            }
            FWriter.WriteListBegin();
            while (!IsKeyword("end")) ParseProperty();
            Advance();
            FWriter.WriteListEnd();
        }
        Advance();  // '>'
        FWriter.WriteListEnd();
    }

    std::vector<TToken> FTokens;
    std::size_t FIndex = 0;
    TStream* FOutput;
    TWriter FWriter;
    std::vector<TLineMark>* FMarks;
    Integer FNesting = 0;
};

String ReadRest(TStream* input) {
    const Int64 size = input->GetSize() - input->GetPosition();
    String text(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0) input->ReadBuffer(text.data(), Integer(size));
    return text;
}

Integer LineAt(const std::vector<TLineMark>& marks, Int64 position) {
    Integer line = 0;
    for (const TLineMark& mark : marks) {
        if (mark.Offset >= position) break;
        line = mark.Line;
    }
    return line;
}

}  // namespace

void ObjectBinaryToText(TStream* input, TStream* output) { TBinaryToText(input, output).Convert(); }

void ObjectTextToBinary(TStream* input, TStream* output) {
    TTextToBinary(ReadRest(input), output, nullptr).Convert();
}

TComponent* ReadComponentText(const String& text, TComponent* root, const String& sourceName,
                              const std::function<void(TReader& reader)>& setup) {
    auto addSource = [&](Exception& e) {
        if (!sourceName.empty()) e.Message = sourceName + ": " + e.Message;
    };
    TMemoryStream binary;
    std::vector<TLineMark> marks;
    try {
        TTextToBinary(text, &binary, &marks).Convert();
    } catch (Exception& e) {
        addSource(e);
        throw;
    }
    binary.SetPosition(0);
    TReader reader(&binary);
    if (setup) setup(reader);
    try {
        return reader.ReadRootComponent(root);
    } catch (Exception& e) {
        // Errors met while the stream was being read point at the property or object where
        // reading stopped; later ones (references, Loaded) have no line of their own.
        const Int64 position = binary.GetPosition();
        const Integer line = position < binary.GetSize() ? LineAt(marks, position) : 0;
        if (line > 0) e.Message += " on line " + IntToStr(line);
        addSource(e);
        throw;
    }
}
