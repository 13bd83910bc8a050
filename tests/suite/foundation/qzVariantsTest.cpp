// The suite's ordering of variants and the tagged and plain encodings on streams.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Streams.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Hex(const String& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

String Bytes(std::initializer_list<int> values) {
    String out;
    for (int v : values)
        out += char(v);
    return out;
}

String Written(const Variant& value) {
    TStringStream stream;
    StreamWriteVariant(&stream, value);
    return stream.GetDataString();
}

Variant ReadBack(const String& bytes) {
    TStringStream stream(bytes);
    Variant value = StreamReadVariant(&stream);
    EXPECT_EQ(Int64(bytes.size()), stream.GetPosition()) << "the whole value is read";
    return value;
}

TEST(QzVariantStream, TaggedEncodingsAndTheTypesReadBack) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    struct Case {
        const char* Name;
        Variant Value;
        std::string Bytes;
        TVarType ReadType;
    };
    const std::vector<Case> cases = {
        {"127", Variant(Integer(127)), "02 7F", varShortInt},
        {"128", Variant(Integer(128)), "03 80 00", varSmallint},
        {"-32769", Variant(Integer(-32769)), "04 FF 7F FF FF", varInteger},
        {"integer 5", Variant(Integer(5)), "02 05", varShortInt},
        {"byte 200", Variant(Byte(200)), "03 C8 00", varSmallint},
        {"null", Null(), "00", varNull},
        {"empty", Unassigned(), "0D", varEmpty},
        {"true", Variant(true), "09", varBoolean},
        {"false", Variant(false), "08", varBoolean},
        {"string", Variant(String("ab")), "06 02 61 62", varString},
        {"single", Variant(1.5f), "0F 00 00 C0 3F", varSingle},
        {"double", Variant(1.0), "05 00 00 00 00 00 00 00 80 FF 3F", varDouble},
        {"currency", Variant(Currency(1.5)), "10 98 3A 00 00 00 00 00 00", varCurrency},
        {"date", VarFromDateTime(2.0), "11 00 00 00 00 00 00 00 40", varDate},
        {"wide", Variant(WideString(u"hi")), "12 02 00 00 00 68 00 69 00", varOleStr},
        {"int64 as text", Variant(Int64(5000000000)), "06 0A 35 30 30 30 30 30 30 30 30 30", varString},
        {"word as text", Variant(Word(7)), "06 01 37", varString},
        {"list", VarArrayOf({Variant(Integer(1)), Variant(String("x"))}), "01 02 02 02 01 06 01 78",
         varArray | varVariant},
        {"empty list", VarArrayCreate({0, -1}, varVariant), "01 02 00", varArray | varVariant},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const String bytes = Written(c.Value);
        EXPECT_EQ(c.Bytes, Hex(bytes));
        const Variant back = ReadBack(bytes);
        EXPECT_EQ(c.ReadType, VarType(back));
        if (VarType(c.Value) == varInt64 || VarType(c.Value) == varWord)
            EXPECT_EQ(VarToStr(c.Value), VarToStr(back));
        else
            EXPECT_EQ(0, CompareVariantValues(c.Value, back));
    }
}

TEST(QzVariantStream, StringLengthChoosesTheTagAndListsNest) {
    EXPECT_EQ(6, Written(String(255, 'a'))[0]);
    const String longText(256, 'b');
    const String bytes = Written(longText);
    EXPECT_EQ("0C 00 01 00 00", Hex(bytes.substr(0, 5)));
    EXPECT_EQ(longText, ReadBack(bytes).AsString());

    const Variant nested = VarArrayOf(
        {Variant(Integer(-200)), VarArrayOf({Null(), Variant(WideString(u"w"))}), Variant(String(300, 'c'))});
    const Variant back = ReadBack(Written(nested));
    EXPECT_EQ(0, CompareVariantValues(nested, back));
    EXPECT_EQ(2, VarArrayHighBound(back, 1));
    EXPECT_TRUE(VarIsArray(VarArrayGet(back, {1})));
    EXPECT_TRUE(VarIsNull(VarArrayGet(VarArrayGet(back, {1}), {0})));
}

TEST(QzVariantStream, DamagedInputRaisesReadErrors) {
    String deep;
    for (int i = 0; i < 300; ++i)
        deep += Bytes({1, 2, 1});
    deep += Bytes({0});
    struct Case {
        const char* Name;
        String Bytes;
    };
    const std::vector<Case> cases = {
        {"tag 7", Bytes({7, 1, 'a'})},
        {"tag 10", Bytes({10, 0, 0, 0, 0})},
        {"tag 11", Bytes({11})},
        {"tag 14", Bytes({14})},
        {"tag 19", Bytes({19, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"tag 20", Bytes({20, 0, 0, 0, 0})},
        {"tag 255", Bytes({255})},
        {"nothing", String()},
        {"short integer", Bytes({4, 1, 2})},
        {"short string", Bytes({6, 5, 'a', 'b'})},
        {"huge string length", Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'})},
        {"negative string length", Bytes({12, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"huge wide count", Bytes({18, 0xFF, 0xFF, 0xFF, 0x3F, 'a', 0})},
        {"list count not an integer", Bytes({1, 6, 1, '1'})},
        {"negative list count", Bytes({1, 2, 0xFF})},
        {"list count beyond the data", Bytes({1, 4, 0xFF, 0xFF, 0xFF, 0x7F, 0})},
        {"list shorter than its count", Bytes({1, 2, 3, 0, 0})},
        {"lists nested too deep", deep},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TStringStream stream(c.Bytes);
        try {
            StreamReadVariant(&stream);
            ADD_FAILURE() << "read " << Hex(c.Bytes);
        } catch (const EReadError& e) {
            EXPECT_EQ("Stream read error", e.Message);
        }
    }
}

TEST(QzVariantStream, UnwritableValuesRaiseWriteErrors) {
    const std::vector<std::pair<const char*, Variant>> cases = {
        {"two dimensions", VarArrayCreate({0, 1, 0, 1}, varVariant)},
        {"dispatch", Variant(static_cast<IDispatch*>(nullptr))},
    };
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(name);
        TStringStream stream;
        try {
            StreamWriteVariant(&stream, value);
            ADD_FAILURE() << "written";
        } catch (const EWriteError& e) {
            EXPECT_EQ("Stream write error", e.Message);
        }
    }
}

TEST(QzVariantStream, PlainEncodings) {
    TMemoryStream stream;
    StreamWriteString(&stream, "abc");
    StreamWriteWideString(&stream, u"\u00E9t\u00E9");
    StreamWriteBoolean(&stream, true);
    StreamWriteExtended(&stream, 2.5L);
    StreamWriteCurrency(&stream, Currency(-3.25));
    StreamWriteDateTime(&stream, 45000.5);
    StreamWriteInteger(&stream, -7);
    StreamWriteLargeInt(&stream, Int64(1) << 40);
    StreamWriteByte(&stream, 0xAB);
    StreamWriteSmallInt(&stream, -2);
    StreamWriteWord(&stream, 0xFFFE);
    EXPECT_EQ(4 + 3 + 4 + 6 + 1 + 10 + 8 + 8 + 4 + 8 + 1 + 2 + 2, stream.GetSize());
    stream.SetPosition(0);
    EXPECT_EQ("abc", StreamReadString(&stream));
    EXPECT_EQ(u"\u00E9t\u00E9", StreamReadWideString(&stream));
    EXPECT_TRUE(StreamReadBoolean(&stream));
    EXPECT_EQ(2.5L, StreamReadExtended(&stream));
    EXPECT_EQ(Currency(-3.25), StreamReadCurrency(&stream));
    EXPECT_EQ(45000.5, StreamReadDateTime(&stream));
    EXPECT_EQ(-7, StreamReadInteger(&stream));
    EXPECT_EQ(Int64(1) << 40, StreamReadLargeInt(&stream));
    EXPECT_EQ(0xAB, StreamReadByte(&stream));
    EXPECT_EQ(-2, StreamReadSmallInt(&stream));
    EXPECT_EQ(0xFFFE, StreamReadWord(&stream));
    EXPECT_THROW(StreamReadByte(&stream), EReadError);

    TStringStream truncated(Bytes({10, 0, 0, 0, 'a'}));
    EXPECT_THROW(StreamReadString(&truncated), EReadError);
}

TEST(QzVariantCompare, OrderOfValues) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    const Variant three = VarArrayOf({1, 2, 3});
    const Variant five = VarArrayOf({1, 2, 3, 4, 5});
    struct Case {
        const char* Name;
        Variant A, B;
        Integer Expected;
    };
    const std::vector<Case> cases = {
        {"null, 0", Null(), Variant(0), -1},
        {"0, null", Variant(0), Null(), 1},
        {"null, null", Null(), Null(), 0},
        {"empty, null", Unassigned(), Null(), 1},
        {"3 and 5 elements", three, five, -2},
        {"5 and 3 elements", five, three, 2},
        {"array, number", three, Variant(9), 1},
        {"number, array", Variant(9), three, -1},
        {"equal arrays", three, VarArrayOf({1, 2, 3}), 0},
        {"arrays differ in an element", VarArrayOf({1, 5, 0}), VarArrayOf({1, 2, 9}), 1},
        {"'abc', 1", Variant("abc"), Variant(1), -1},
        {"1, 'abc'", Variant(1), Variant("abc"), -1},
        {"1, 2", Variant(1), Variant(2), -1},
        {"2.5, 1", Variant(2.5), Variant(1), 1},
        {"'5', 5", Variant("5"), Variant(5), 0},
        {"'a', 'b'", Variant("a"), Variant("b"), -1},
        {"'b', 'B' (ordinal)", Variant("b"), Variant("B"), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Expected, CompareVariantValues(c.A, c.B));
        EXPECT_EQ(c.Expected == 0, VariantValuesEqual(c.A, c.B));
    }
}

TEST(QzVariantCompare, BooleansAsText) {
    struct Case {
        const char* Name;
        Variant A, B;
        bool Expected;
    };
    const std::vector<Case> cases = {
        {"true, 'True'", Variant(true), Variant("True"), true},
        {"'False', false", Variant("False"), Variant(false), true},
        {"true, 'true'", Variant(true), Variant("true"), false},
        {"false, 0", Variant(false), Variant(0), false},
        {"true, -1", Variant(true), Variant(-1), false},
        {"true, null", Variant(true), Null(), false},
        {"1, 1.0 (no Boolean)", Variant(1), Variant(1.0), true},
        {"true, dispatch", Variant(true), Variant(static_cast<IDispatch*>(nullptr)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Expected, VariantValuesEqualBoolAsText(c.A, c.B));
    }
    EXPECT_TRUE(VariantValuesEqual(Variant(false), Variant(0))) << "as values they are equal";
}

TEST(QzVariantHelpers, KindsAndArrays) {
    struct Case {
        const char* Name;
        Variant Value;
        bool Date, Numeric, Blank;
    };
    const std::vector<Case> cases = {
        {"date", VarFromDateTime(1.0), true, false, false},
        {"time stamp", Variant(TSQLTimeStamp{2024, 1, 2, 3, 4, 5, 0}), true, false, false},
        {"integer", Variant(3), false, true, false},
        {"boolean", Variant(true), false, true, false},
        {"currency", Variant(Currency(1)), false, true, false},
        {"bcd", Variant(IntegerToBcd(12)), false, true, false},
        {"double", Variant(0.5), false, true, false},
        {"null", Null(), false, false, true},
        {"empty", Unassigned(), false, false, false},
        {"''", Variant(""), false, false, true},
        {"wide ''", Variant(WideString()), false, false, true},
        {"' '", Variant(" "), false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Date, IsVariantDate(c.Value));
        EXPECT_EQ(c.Numeric, IsVariantNumeric(c.Value));
        EXPECT_EQ(c.Blank, IsVariantBlank(c.Value));
    }
    EXPECT_TRUE(IsCurrencyVarType(varCurrency));
    EXPECT_TRUE(IsCurrencyVarType(varFMTBcd));
    EXPECT_FALSE(IsCurrencyVarType(varDouble));

    Variant between = MakeVariantArray2(Variant(1), Variant("x"));
    EXPECT_EQ(varArray | varVariant, VarType(between));
    EXPECT_EQ(1, VarArrayHighBound(between, 1));
    Variant single = MakeVariantArray1(Null());
    EXPECT_EQ(0, VarArrayHighBound(single, 1));
    AppendToVariantArray(single, Variant(7));
    AppendToVariantArray(single, Variant("z"));
    EXPECT_EQ(0, CompareVariantValues(VarArrayOf({Null(), 7, "z"}), single));
    Variant notAnArray = Variant(1);
    EXPECT_THROW(AppendToVariantArray(notAnArray, Variant(2)), EVariantError);
}

} // namespace
