// LIKE matching and the preparation of patterns for display.
#include <gtest/gtest.h>

#include <vector>

#include "suite/data/qzLike.h"

TEST(qzLikeTest, MatchTable) {
    struct Case {
        const char* Text;
        const char* Pattern;
        bool Matches;
    };
    const std::vector<Case> cases = {
        {"", "", true},
        {"a", "", false},
        {"", "%", true},
        {"anything", "%", true},
        {"a", "a%", true},
        {"a", "a%%", false},
        {"ab", "a%%", true},
        {"abc", "a_c", true},
        {"ac", "a_c", false},
        {"abbc", "a_c", false},
        {"ABC", "a%", false},
        {"xabcx", "%abc%", true},
        {"abc", "%abc%", true},
        {"ab", "%abc%", false},
        {"zabc", "%abc", true},
        {"abz", "%b_", true},
        {"abz", "%b__", false},
        // One single wildcard takes a whole character, however many bytes it has.
        {"\xe4\xb8\xad", "_", true},
        {"a\xe4\xb8\xad"
         "b",
         "a_b", true},
        {"a\xe4\xb8\xad"
         "b",
         "a__b", false},
        {"\xe4\xb8\xad\xe6\x96\x87", "%\xe6\x96\x87", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Text) + " LIKE " + c.Pattern);
        EXPECT_EQ(LikeMatch(c.Text, c.Pattern, '%', '_'), c.Matches);
    }
    // The caller chooses the wildcards; the others are plain characters then.
    EXPECT_TRUE(LikeMatch("a%c", "a*c", '*', '?'));
    EXPECT_TRUE(LikeMatch("a%c", "a%c", '*', '?'));
    EXPECT_FALSE(LikeMatch("abc", "a%c", '*', '?'));
}

TEST(qzLikeTest, ManyWildcardsOnALongTextFinishQuickly) {
    // Without remembering failed positions this takes exponential time.
    const String text(4000, 'a');
    String pattern;
    for (int i = 0; i < 12; ++i)
        pattern += "%a";
    EXPECT_FALSE(LikeMatch(text, pattern + "b", '%', '_'));
    EXPECT_TRUE(LikeMatch(text, pattern, '%', '_'));
}

namespace {

// The matching rules walked literally, without remembering anything (ASCII only).
bool NaiveLike(const std::string& text, const std::string& pattern) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] == '%') {
        if (pattern.size() == 1) return true;
        if (text.empty()) return false;
        for (std::size_t k = 0; k < text.size(); ++k)
            if (NaiveLike(text.substr(k), pattern.substr(1))) return true;
        return false;
    }
    if (text.empty()) return false;
    if (pattern[0] != '_' && pattern[0] != text[0]) return false;
    return NaiveLike(text.substr(1), pattern.substr(1));
}

// Every string of up to `length` characters over the alphabet.
std::vector<std::string> AllStrings(const std::string& alphabet, std::size_t length) {
    std::vector<std::string> result = {""};
    for (std::size_t start = 0, size = 1; size <= length; ++size) {
        const std::size_t end = result.size();
        for (std::size_t i = start; i < end; ++i)
            for (char c : alphabet)
                result.push_back(result[i] + c);
        start = end;
    }
    return result;
}

} // namespace

TEST(qzLikeTest, AgreesWithTheRulesOnEveryShortCase) {
    const auto texts = AllStrings("ab", 5);
    const auto patterns = AllStrings("ab%_", 5);
    int mismatches = 0;
    for (const auto& pattern : patterns)
        for (const auto& text : texts)
            if (LikeMatch(text, pattern, '%', '_') != NaiveLike(text, pattern) && ++mismatches < 5)
                ADD_FAILURE() << "'" << text << "' LIKE '" << pattern << "'";
    EXPECT_EQ(mismatches, 0);
}

TEST(qzLikeTest, StripEdgeWildcards) {
    struct Case {
        const char* Input;
        const char* Output;
        Integer Answer;
    };
    const std::vector<Case> cases = {
        {"%abc%", "abc", 3}, {"abc%", "abc", 1}, {"%abc", "abc", 2},  {"%", "%", 0},
        {"%%%", "%", 0},     {"a%%b", "a%b", 0}, {"%%ab%%", "ab", 3}, {"", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Input);
        String text = c.Input;
        EXPECT_EQ(StripEdgeWildcards(text, '%'), c.Answer);
        EXPECT_EQ(text, c.Output);
    }
    String runs = "a**b***c";
    CollapseWildcardRuns(runs, '*');
    EXPECT_EQ(runs, "a*b*c");
}

TEST(qzLikeTest, HugeWildcardRunsNeitherOverflowTheStackNorCrawl) {
    // A pattern of 100,000 multi wildcards around a literal, and one alternating wildcards and
    // characters, matched against texts that make every wildcard try its positions.
    const String stars(100000, '%');
    const String text = String(50000, 'a') + "b";
    EXPECT_TRUE(LikeMatch(text, stars, '%', '_'));
    EXPECT_TRUE(LikeMatch(text, stars + "b", '%', '_'));
    EXPECT_FALSE(LikeMatch(text, stars + "c", '%', '_'));
    EXPECT_FALSE(LikeMatch("", stars + "b", '%', '_'));
    String alternating;
    for (int i = 0; i < 50000; ++i)
        alternating += "%a";
    EXPECT_FALSE(LikeMatch(text, alternating + "c", '%', '_'));
    EXPECT_TRUE(LikeMatch(String(50001, 'a'), alternating + "%", '%', '_'));
    EXPECT_FALSE(LikeMatch(String(49999, 'a'), alternating, '%', '_'));

    // Collapsing a run of millions of wildcards is one pass over the text.
    String runs = "x" + String(2000000, '*') + "y" + String(2000000, '*');
    CollapseWildcardRuns(runs, '*');
    EXPECT_EQ(runs, "x*y*");
}
