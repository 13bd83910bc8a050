#include "suite/data/qzLike.h"

#include <limits>
#include <vector>

namespace {

// Bytes of the character starting at p: a whole UTF-8 sequence, or 1 for a stray byte.
std::size_t CharLength(const char* p, std::size_t remaining) {
    const auto lead = static_cast<unsigned char>(*p);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 1;
    if (length > remaining) return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 1;
    return length;
}

// Walks the pattern over the text without copying either. A multi wildcard tries every
// remaining suffix of the text. When the rest of the pattern from a multi wildcard fails from
// text position t, it fails from every later position too (the wildcard could have skipped
// there), so each wildcard remembers the first position it failed from; patterns with many
// wildcards then stay polynomial instead of exponential.
class TLikeMatcher {
public:
    TLikeMatcher(const String& text, const String& pattern, char multi, char single)
        : FText(text.data()), FTextLength(text.size()), FPattern(pattern.data()),
          FPatternLength(pattern.size()), FMulti(multi), FSingle(single) {
        std::size_t count = 0;
        FOrdinal.assign(FPatternLength, 0);
        for (std::size_t i = 0; i < FPatternLength; ++i)
            if (FPattern[i] == FMulti) FOrdinal[i] = count++;
        FFailedFrom.assign(count, std::numeric_limits<std::size_t>::max());
    }

    bool Match(std::size_t t, std::size_t p) {
        for (;;) {
            if (p == FPatternLength) return t == FTextLength;
            const char c = FPattern[p];
            if (c == FMulti) {
                if (p + 1 == FPatternLength) return true;
                if (t == FTextLength) return false;
                std::size_t& failedFrom = FFailedFrom[FOrdinal[p]];
                if (t >= failedFrom) return false;
                for (std::size_t k = t; k < FTextLength; k += CharLength(FText + k, FTextLength - k))
                    if (Match(k, p + 1)) return true;
                failedFrom = t;
                return false;
            }
            if (t == FTextLength) return false;
            if (c == FSingle) {
                t += CharLength(FText + t, FTextLength - t);
                ++p;
                continue;
            }
            if (FText[t] != c) return false;
            ++t;
            ++p;
        }
    }

private:
    const char* FText;
    std::size_t FTextLength;
    const char* FPattern;
    std::size_t FPatternLength;
    char FMulti;
    char FSingle;
    std::vector<std::size_t> FOrdinal;
    std::vector<std::size_t> FFailedFrom;
};

} // namespace

bool LikeMatch(const String& text, const String& pattern, char multiWildcard, char singleWildcard) {
    TLikeMatcher matcher(text, pattern, multiWildcard, singleWildcard);
    return matcher.Match(0, 0);
}

void CollapseWildcardRuns(String& text, char wildcard) {
    const String doubled(2, wildcard);
    for (auto at = text.find(doubled); at != String::npos; at = text.find(doubled))
        text.erase(at, 1);
}

Integer StripEdgeWildcards(String& text, char wildcard) {
    CollapseWildcardRuns(text, wildcard);
    if (text.size() < 2) return 0;
    Integer result = 0;
    if (text.front() == wildcard) {
        text.erase(0, 1);
        result |= 2;
    }
    if (!text.empty() && text.back() == wildcard) {
        text.pop_back();
        result |= 1;
    }
    return result;
}
