#include "suite/data/qzLike.h"

#include <limits>

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

} // namespace

bool LikeMatch(const String& text, const String& pattern, char multiWildcard, char singleWildcard) {
    // Walks the pattern over the text without copying either and without recursion. Only the
    // last multi wildcard met is a place to come back to: the rest of the pattern after it is
    // tried from each later position of the text in turn. Going further back never helps: an
    // earlier wildcard taking more characters only reaches the later one at a later position,
    // and every position from the first one on has been tried already. A multi wildcard that
    // is not the pattern's last character needs a character of text left, and the rest of the
    // pattern after it is tried only from positions before the text's end.
    const char* textData = text.data();
    const std::size_t textLength = text.size();
    const std::size_t patternLength = pattern.size();
    constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = none;
    std::size_t starText = 0;
    for (;;) {
        bool failed = false;
        if (p == patternLength) {
            if (t == textLength) return true;
            failed = true;
        } else if (const char c = pattern[p]; c == multiWildcard) {
            if (p + 1 == patternLength) return true;
            if (t == textLength) {
                failed = true;
            } else {
                starPattern = p;
                starText = t;
                ++p;
            }
        } else if (t == textLength) {
            failed = true;
        } else if (c == singleWildcard) {
            t += CharLength(textData + t, textLength - t);
            ++p;
        } else if (textData[t] != c) {
            failed = true;
        } else {
            ++t;
            ++p;
        }
        if (!failed) continue;
        if (starPattern == none) return false;
        starText += CharLength(textData + starText, textLength - starText);
        if (starText >= textLength) return false;
        t = starText;
        p = starPattern + 1;
    }
}

void CollapseWildcardRuns(String& text, char wildcard) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != wildcard || kept == 0 || text[kept - 1] != wildcard) text[kept++] = text[i];
    text.resize(kept);
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
