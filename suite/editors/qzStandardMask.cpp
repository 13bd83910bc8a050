#include "suite/editors/qzStandardMask.h"

#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"

namespace {

bool IsAsciiLetter(char32_t ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }
bool IsAsciiDigit(char32_t ch) { return ch >= '0' && ch <= '9'; }

std::u32string ToChars(const String& s) {
    std::u32string result;
    for (std::size_t i = 0; i < s.size(); i = Utf8Next(s, i))
        result += Utf8CodePointAt(s, i);
    return result;
}

String FromChars(const std::u32string& chars) {
    String result;
    for (char32_t ch : chars)
        result += Utf8FromCodePoint(ch);
    return result;
}

} // namespace

bool TqzStandardMaskManyItem::Accepts(char32_t& ch) const {
    char32_t given = ch;
    if (CaseConversion == smcUpper && ch >= 'a' && ch <= 'z') ch = ch - 'a' + 'A';
    if (CaseConversion == smcLower && ch >= 'A' && ch <= 'Z') ch = ch - 'A' + 'a';
    return AcceptsChar(given);
}

bool TqzStandardMaskAlphaItem::AcceptsChar(char32_t ch) const { return IsAsciiLetter(ch); }
bool TqzStandardMaskAlphaNumericItem::AcceptsChar(char32_t ch) const {
    return IsAsciiLetter(ch) || IsAsciiDigit(ch);
}
bool TqzStandardMaskNumericItem::AcceptsChar(char32_t ch) const { return IsAsciiDigit(ch); }
bool TqzStandardMaskNumericSymbolItem::AcceptsChar(char32_t ch) const {
    return IsAsciiDigit(ch) || ch == '+' || ch == '-';
}

void TqzStandardMask::ClearMask() {
    FMaskText.clear();
    FBlankChar = '_';
    FKeepLiterals = true;
    FLeadingBang = false;
    FPositions.clear();
}

void TqzStandardMask::SetMask(const String& mask) {
    ClearMask();
    FMaskText = mask;
    std::u32string work = ToChars(mask);
    if (!work.empty() && work[0] == '!') {
        FLeadingBang = true;
        work.erase(0, 1);
    }
    TqzStandardMaskCase caseState = smcNone;
    auto literal = [this](char32_t ch) {
        FPositions.push_back(std::make_unique<TqzStandardMaskLiteralItem>(ch));
    };
    const std::size_t n = work.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t ch = work[i];
        switch (ch) {
        case 'L':
        case 'l':
            FPositions.push_back(std::make_unique<TqzStandardMaskAlphaItem>(caseState, ch == 'l'));
            break;
        case 'A':
        case 'a':
            FPositions.push_back(std::make_unique<TqzStandardMaskAlphaNumericItem>(caseState, ch == 'a'));
            break;
        case 'C':
        case 'c':
            FPositions.push_back(std::make_unique<TqzStandardMaskASCIIItem>(caseState, ch == 'c'));
            break;
        case '0':
        case '9':
            FPositions.push_back(std::make_unique<TqzStandardMaskNumericItem>(caseState, ch == '9'));
            break;
        case '#':
            FPositions.push_back(std::make_unique<TqzStandardMaskNumericSymbolItem>(caseState, true));
            break;
        case '>':
            caseState = smcUpper;
            break;
        case '<':
            if (i + 1 < n && work[i + 1] == '>') {
                caseState = smcNone;
                ++i;
            } else {
                caseState = smcLower;
            }
            break;
        case '\\':
            if (i + 1 < n) literal(work[++i]);
            break;
        case ':':
            literal(static_cast<unsigned char>(FormatSettings.TimeSeparator));
            break;
        case '/':
            literal(static_cast<unsigned char>(FormatSettings.DateSeparator));
            break;
        case ';': {
            std::size_t rest = n - i - 1;
            bool keepChar = rest >= 1 && (work[i + 1] == '0' || work[i + 1] == '1');
            if (keepChar && rest == 3 && work[i + 2] == ';') {
                FKeepLiterals = work[i + 1] == '1';
                FBlankChar = work[i + 3];
                return;
            }
            if (keepChar && rest == 1) {
                FKeepLiterals = work[i + 1] == '1';
                return;
            }
            literal(ch);
            break;
        }
        default:
            literal(ch);
            break;
        }
    }
}

TqzStandardMaskCustomItem* TqzStandardMask::Position(Integer index) const {
    if (index < 0 || index >= PositionCount()) return nullptr;
    return FPositions[static_cast<std::size_t>(index)].get();
}

bool TqzStandardMask::IsLiteral(Integer index) const {
    return dynamic_cast<TqzStandardMaskLiteralItem*>(Position(index)) != nullptr;
}

String TqzStandardMask::EmptyText() const {
    String result;
    for (const auto& position : FPositions) {
        auto* literal = dynamic_cast<TqzStandardMaskLiteralItem*>(position.get());
        result += Utf8FromCodePoint(literal != nullptr ? literal->LiteralChar : FBlankChar);
    }
    return result;
}

String TqzStandardMask::EmptyValue() const {
    String result;
    for (const auto& position : FPositions) {
        auto* literal = dynamic_cast<TqzStandardMaskLiteralItem*>(position.get());
        if (literal == nullptr)
            result += ' ';
        else if (FKeepLiterals)
            result += Utf8FromCodePoint(literal->LiteralChar);
    }
    return result;
}

void TqzStandardMask::FitText(String& text, bool useConverted) const {
    std::u32string result = ToChars(EmptyText());
    std::vector<bool> taken(FPositions.size(), false);
    std::size_t free = FPositions.size();
    for (std::size_t i = 0; i < text.size() && free > 0; i = Utf8Next(text, i)) {
        const char32_t ch = Utf8CodePointAt(text, i);
        for (std::size_t p = 0; p < FPositions.size(); ++p) {
            if (taken[p]) continue;
            char32_t converted = ch;
            if (FPositions[p]->Accepts(converted)) {
                result[p] = useConverted ? converted : ch;
            } else if ((ch == FBlankChar || ch == ' ') && !IsLiteral(static_cast<Integer>(p))) {
                // an input position left blank on purpose keeps the blank character
            } else {
                continue;
            }
            taken[p] = true;
            --free;
            break;
        }
    }
    text = FromChars(result);
}

bool TqzStandardMask::IsValidText(String& text) const {
    std::u32string chars = ToChars(text);
    if (chars.size() != FPositions.size()) return false;
    bool valid = true;
    for (std::size_t p = 0; p < chars.size() && valid; ++p) {
        const char32_t given = chars[p];
        if (FPositions[p]->Accepts(chars[p])) continue;
        auto* input = dynamic_cast<TqzStandardMaskManyItem*>(FPositions[p].get());
        valid = input != nullptr && input->AllowBlank && (given == FBlankChar || given == ' ');
    }
    text = FromChars(chars);
    return valid;
}

void TqzStandardMask::ExtractValue(String& text) const {
    std::u32string chars = ToChars(text);
    std::u32string result;
    std::size_t count = std::min(chars.size(), FPositions.size());
    for (std::size_t p = 0; p < count; ++p) {
        if (IsLiteral(static_cast<Integer>(p))) {
            if (FKeepLiterals) result += chars[p];
        } else {
            result += chars[p] == FBlankChar ? char32_t(' ') : chars[p];
        }
    }
    text = FromChars(result);
}
