#include "script/kq_iparser.h"

#include <algorithm>

#include "platform/runtime/Strings.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    return (c | 0x20) - 'a' + 10;
}

TkqCharSet DefaultIdentifierCharset() {
    TkqCharSet set;
    for (int c = '0'; c <= '9'; ++c)
        set.set(std::size_t(c));
    for (int c = 'A'; c <= 'Z'; ++c) {
        set.set(std::size_t(c));
        set.set(std::size_t(c + 32));
    }
    set.set('_');
    return set;
}

void SplitPair(const String& pair, String& open, String& close) {
    TStringList parts;
    parts.SetCommaText(pair);
    open = parts.GetCount() > 0 ? parts.GetStrings(0) : String();
    close = parts.GetCount() > 1 ? parts.GetStrings(1) : String();
}

} // namespace

TkqParser::TkqParser() : Keywords(std::make_unique<TStringList>()) {
    Keywords->SetSorted(true);
    SetText("");
    Clear();
}

TkqParser::~TkqParser() = default;

void TkqParser::Clear() {
    Keywords->Clear();
    CommentLine1 = "//";
    SetCommentBlock1("{,}");
    SetCommentBlock2("(*,*)");
    HexSequence = "$";
    FIdentifierCharset = DefaultIdentifierCharset();
    SkipChar.clear();
    SkipEOL = true;
    StringQuotes = "'";
    SkipSpace = true;
}

void TkqParser::SetCommentBlock1(const String& value) {
    FCommentBlock1 = value;
    SplitPair(value, FBlock1Open, FBlock1Close);
}

void TkqParser::SetCommentBlock2(const String& value) {
    FCommentBlock2 = value;
    SplitPair(value, FBlock2Open, FBlock2Close);
}

void TkqParser::SetIdentifierCharset(const String& chars) {
    FIdentifierCharset.reset();
    for (char c : chars)
        FIdentifierCharset.set(static_cast<unsigned char>(c));
}

void TkqParser::SetText(const String& source) {
    FText = source;
    FText += '\0';
    FSize = Integer(source.size());
    FPosition = 1;
    LastPosition = 1;
    FLineStarts.assign(1, 0);
    for (std::size_t i = 0; i < source.size(); ++i)
        if (source[i] == '\n') FLineStarts.push_back(Integer(i + 1));
}

void TkqParser::SetPosition(Integer value) {
    FPosition = value;
    LastPosition = value;
}

bool TkqParser::TextAt(Integer position, const String& token) const {
    if (token.empty() || position < 1 || position > FSize) return false;
    return FText.compare(std::size_t(position) - 1, token.size(), token) == 0 &&
           std::size_t(position) - 1 + token.size() <= std::size_t(FSize);
}

bool TkqParser::IsBlank(char c) const {
    const auto code = static_cast<unsigned char>(c);
    if (code > 32) return false;
    return SkipEOL || c != '\r';
}

void TkqParser::SkipSpaces() {
    // A continuation character asks for a line end after the blanks and comments that follow
    // it; the requests are served in order as the skipping reaches its end.
    Integer pendingLineEnds = 0;
    for (;;) {
        while (FPosition <= FSize && IsBlank(At(FPosition)))
            ++FPosition;
        if (FPosition <= FSize && !SkipChar.empty() && At(FPosition) == SkipChar[0]) {
            ++FPosition;
            ++pendingLineEnds;
            continue;
        }
        if (FPosition < FSize) {
            if (TextAt(FPosition, CommentLine1) || TextAt(FPosition, CommentLine2)) {
                while (FPosition <= FSize && !IsLineEnd(At(FPosition)))
                    ++FPosition;
                continue;
            }
            const String* close = nullptr;
            Integer openLength = 0;
            if (!FBlock1Open.empty() && TextAt(FPosition, FBlock1Open)) {
                close = &FBlock1Close;
                openLength = Integer(FBlock1Open.size());
            } else if (!FBlock2Open.empty() && TextAt(FPosition, FBlock2Open)) {
                close = &FBlock2Close;
                openLength = Integer(FBlock2Open.size());
            }
            if (close != nullptr) {
                FPosition += openLength;
                const std::size_t found =
                    close->empty() ? String::npos : FText.find(*close, std::size_t(FPosition) - 1);
                if (found == String::npos || found >= std::size_t(FSize))
                    FPosition = FSize + 1;
                else
                    FPosition = Integer(found + close->size()) + 1;
                continue;
            }
        }
        if (pendingLineEnds > 0) {
            --pendingLineEnds;
            while (FPosition <= FSize && IsLineEnd(At(FPosition)))
                ++FPosition;
            continue;
        }
        break;
    }
    LastPosition = FPosition;
}

bool TkqParser::GetEOL() {
    SkipSpaces();
    if (!IsLineEnd(At(FPosition)) || FPosition > FSize) return false;
    while (FPosition <= FSize && IsLineEnd(At(FPosition)))
        ++FPosition;
    return true;
}

String TkqParser::GetWord() {
    SkipSpaces();
    const char first = At(FPosition);
    if (FPosition > FSize || IsDigit(first) || !FIdentifierCharset.test(static_cast<unsigned char>(first)))
        return String();
    while (FPosition <= FSize && FIdentifierCharset.test(static_cast<unsigned char>(At(FPosition))))
        ++FPosition;
    return FText.substr(std::size_t(LastPosition) - 1, std::size_t(FPosition - LastPosition));
}

String TkqParser::GetIdent() {
    String word = GetWord();
    if (!word.empty() && IsKeyword(word)) return String();
    return word;
}

bool TkqParser::IsKeyword(const String& word) const {
    if (!CaseSensitive) {
        Integer index = 0;
        return Keywords->Find(word, index);
    }
    for (Integer i = 0; i < Keywords->GetCount(); ++i)
        if (Keywords->GetStrings(i) == word) return true;
    return false;
}

String TkqParser::GetChar() {
    if (FPosition > FSize) return String();
    const auto c = static_cast<unsigned char>(At(FPosition));
    const bool punctuation =
        (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126);
    if (!punctuation) return String();
    ++FPosition;
    return String(1, char(c));
}

Integer TkqParser::ScanInteger(Integer position) const {
    Integer p = position;
    if (TextAt(p, HexSequence)) {
        p += Integer(HexSequence.size());
        if (p > FSize || !IsHexDigit(At(p))) return 0;
        while (p <= FSize && IsHexDigit(At(p)))
            ++p;
        return p;
    }
    if (p > FSize || !IsDigit(At(p))) return 0;
    while (p <= FSize && IsDigit(At(p)))
        ++p;
    return p;
}

String TkqParser::GetNumber() {
    SkipSpaces();
    Integer end = ScanInteger(FPosition);
    if (end == 0) return String();
    Integer p = end;
    bool whole = true;
    if (At(p) == '.' && p <= FSize) {
        ++p;
        if (p > FSize || !IsDigit(At(p))) {
            whole = false;
        } else {
            while (p <= FSize && IsDigit(At(p)))
                ++p;
        }
    }
    if (whole) {
        if (p <= FSize && (At(p) == 'E' || At(p) == 'e')) {
            Integer q = p + 1;
            if (q <= FSize && (At(q) == '+' || At(q) == '-')) ++q;
            if (q <= FSize && IsDigit(At(q))) {
                while (q <= FSize && IsDigit(At(q)))
                    ++q;
                p = q;
            }
        }
        end = p;
    }
    FPosition = end;
    String token = FText.substr(std::size_t(LastPosition) - 1, std::size_t(FPosition - LastPosition));
    if (HexSequence != "$" && !HexSequence.empty())
        token = StringReplace(token, HexSequence, "$", TReplaceFlags(rfReplaceAll));
    return token;
}

String TkqParser::GetString() {
    SkipSpaces();
    const bool cStyle = StringQuotes == "\"";
    const char quote = StringQuotes.empty() ? '\'' : StringQuotes[0];
    String value;
    Integer pieces = 0;
    for (;;) {
        const Integer start = FPosition;
        if (start > FSize) break;
        if (At(start) == quote) {
            String piece;
            Integer p = start + 1;
            bool closed = false;
            for (;;) {
                const char c = At(p);
                if (static_cast<unsigned char>(c) < 32 && c != '\t') break;
                if (cStyle && c == '\\') {
                    const char e = At(p + 1);
                    if (static_cast<unsigned char>(e) < 32 && e != '\t') break;
                    p += 2;
                    if (e == 'n' || e == 'N') {
                        piece += '\n';
                    } else if (e == 'r' || e == 'R') {
                        piece += '\r';
                    } else if (e == 'x' || e == 'X') {
                        int code = 0;
                        bool any = false;
                        while (p <= FSize && IsHexDigit(At(p))) {
                            code = ((code << 4) | HexValue(At(p))) & 0xFF;
                            any = true;
                            ++p;
                        }
                        if (any) piece += Utf8FromCodePoint(char32_t(code));
                    } else {
                        piece += e;
                    }
                    continue;
                }
                if (c == quote) {
                    if (!cStyle && At(p + 1) == quote && p + 1 <= FSize) {
                        piece += quote;
                        p += 2;
                        continue;
                    }
                    ++p;
                    closed = true;
                    break;
                }
                piece += c;
                ++p;
            }
            if (!closed) {
                FPosition = start;
                break;
            }
            value += piece;
            ++pieces;
            FPosition = p;
        } else if (At(start) == '#') {
            const Integer end = ScanInteger(start + 1);
            if (end == 0) break;
            const Integer code = StrToInt(FText.substr(std::size_t(start), std::size_t(end - start - 1)));
            value += Utf8FromCodePoint(char32_t(code & 0xFF));
            ++pieces;
            FPosition = end;
        } else {
            break;
        }
    }
    if (pieces == 0) return String();
    return "'" + value + "'";
}

String TkqParser::GetAngleText() {
    const Integer start = FPosition;
    Integer depth = 1;
    bool inDouble = false;
    bool inSingle = false;
    Integer p = start;
    for (; p <= FSize; ++p) {
        const char c = At(p);
        if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (!inDouble && !inSingle) {
            if (c == '<' || c == '[') {
                ++depth;
            } else if (c == '>' || c == ']') {
                if (--depth == 0) break;
            }
        }
    }
    FPosition = p;
    return FText.substr(std::size_t(start) - 1, std::size_t(p - start));
}

String TkqParser::GetPositionText() const {
    const auto it = std::lower_bound(FLineStarts.begin(), FLineStarts.end(), FPosition);
    const Integer line = Integer(it - FLineStarts.begin());
    const Integer column = FPosition - FLineStarts[std::size_t(std::max(line, 1)) - 1];
    return IntToStr(line) + ":" + IntToStr(column);
}

Integer TkqParser::PositionOf(Integer column, Integer line) const {
    if (line < 1 || line > Integer(FLineStarts.size())) return -1;
    return column + FLineStarts[std::size_t(line) - 1];
}
