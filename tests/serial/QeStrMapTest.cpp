#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "serial/QeStrMap.h"

namespace {

// The codes of the message table in their order, as runs (first, last).
std::vector<Integer> ExpectedCodes() {
    const std::vector<std::pair<Integer, Integer>> runs = {
        {0, 0},         {-2, -6},         {-8, -8},         {-15, -15},       {-18, -18},
        {-100, -105},   {-150, -162},     {-1001, -1009},   {-2001, -2012},   {-3001, -3010},
        {-4001, -4017}, {-4020, -4021},   {4101, 4101},     {4200, 4213},     {4301, 4312},
        {4401, 4403},   {4500, 4523},     {4550, 4553},     {4599, 4611},     {4630, 4633},
        {4660, 4671},   {4700, 4728},     {4730, 4730},     {4801, 4808},     {4820, 4828},
        {4830, 4832},   {4840, 4843},     {-5001, -5003},   {-5501, -5506},   {-6001, -6016},
        {-7001, -7014}, {-7500, -7502},   {-8001, -8005},   {-8050, -8055},   {-8060, -8075},
        {-8080, -8083}, {-8085, -8085},   {-8087, -8092},   {-8100, -8103},   {-8300, -8305},
        {-8310, -8318}, {-8320, -8322},   {-8330, -8332},   {-8340, -8340},   {-8500, -8500},
        {9001, 9007},   {10000, 10000},   {10004, 10004},   {10009, 10009},   {10013, 10014},
        {10022, 10022}, {10024, 10024},   {10035, 10071},   {10091, 10093},   {10101, 10101},
        {11001, 11004}, {13501, 13516},   {13533, 13557},   {13565, 13565},   {13597, 13601},
        {13650, 13670}, {-13801, -13803}, {-13805, -13848}, {-13850, -13886}, {-13928, -13932},
        {13933, 13933}, {-13934, -13945}, {-13950, -13959}, {-13980, -13980}, {15001, 15021},
        {15100, 15351}, {15501, 15502},   {15601, 15608},   {15700, 15742},
    };
    std::vector<Integer> codes;
    for (auto [first, last] : runs) {
        const Integer step = last >= first ? 1 : -1;
        for (Integer c = first;; c += step) {
            codes.push_back(c);
            if (c == last) break;
        }
    }
    return codes;
}

TEST(QeStrMap, TableHoldsEveryCodeOnceInOrder) {
    const auto& table = QeMessageNumberLookup();
    const std::vector<Integer> expected = ExpectedCodes();
    ASSERT_EQ(expected.size(), 892u);
    ASSERT_EQ(table.size(), expected.size());
    std::set<Int64> seen;
    for (std::size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table[i].Code, expected[i]);
        EXPECT_TRUE(seen.insert(std::abs(Int64(table[i].Code))).second);
        if (i > 0) {
            EXPECT_LT(std::abs(table[i - 1].Code), std::abs(table[i].Code));
        }
        EXPECT_LE(table[i].Msg.size(), 255u);
    }
}

TEST(QeStrMap, ExactlyTheElevenReservedRowsAreEmpty) {
    const std::set<Integer> reserved = {4200, 4600, 4630, 4660, 4725, 4726, 4727, 4728, 4730, 10000, 15100};
    std::set<Integer> empty;
    for (const auto& row : QeMessageNumberLookup())
        if (row.Msg.empty()) empty.insert(row.Code);
    EXPECT_EQ(empty, reserved);
}

TEST(QeStrMap, LookupFindsTextsByAbsoluteValue) {
    struct Case {
        Integer Code;
        const char* Text;
    };
    const std::vector<Case> cases = {
        {0, "OK"},
        {-2007, "ie_NOpen - device not open"},
        {2007, "ie_NOpen - device not open"},
        {-2001, "ie_BadId - Specified comport doesn't exist"},
        {2008, "ie_Open - device already open"},
        {-2011, "The ComNumber property of the TQelComPort has not been set"},
        {-3006, "Output buffer too small for block"},
        {-3007, "Buffer is empty"},
        {-2, "File not found"},
        {5, "File access denied"}, // the row of -5
        {-162, "General failure"},
        {4101, "Are you sure you want to delete this entry?"},
        {-4843, "Finished"},
        {9001, "Tolkan Error"},
        {15001, "No event"},
        {15021, "Script"},
        {15101, "ReadCom"},
        {15119, "Method"},
        {15601, "DCTS "},
        {15608, "DCD "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code);
        EXPECT_EQ(LookupMessage(c.Code), c.Text);
    }
    // The search reaches every row, from either sign.
    for (const auto& row : QeMessageNumberLookup()) {
        if (row.Msg.empty()) continue;
        SCOPED_TRACE(row.Code);
        EXPECT_EQ(LookupMessage(row.Code), row.Msg);
        EXPECT_EQ(LookupMessage(-row.Code), row.Msg);
    }
}

TEST(QeStrMap, CodesWithoutTextFallBackToTheSystemText) {
    struct Case {
        Integer Code;
        const char* Text;
    };
    // The system's texts end with a line break, which becomes a single blank.
    const std::vector<Case> cases = {
        {87, "A parameter is not valid. "},
        {-87, "A parameter is not valid. "},
        {995, "The input or output operation was aborted. "},
        {7, ""},    // in neither the table nor the system's texts
        {4200, ""}, // an empty row, and the system has no text for it either
        {10000, ""},
        {INT_MIN, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Code);
        EXPECT_EQ(LookupMessage(c.Code), c.Text);
    }
}

} // namespace
