// Value types and the record storage of the data controller.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/runtime/Lists.h"
#include "suite/data/qzDataStorage.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/TestSupport.h"

namespace {

// A zero-filled cell of the type's width (and room for a text cell).
struct TCell {
    explicit TCell(TqzValueTypeClass type) : Type(type), Bytes(std::size_t(type->CellWidth()) + 8, 0) {}
    ~TCell() { Type->ReleaseCell(Bytes.data()); }
    Byte* Data() { return Bytes.data(); }
    TqzValueTypeClass Type;
    std::vector<Byte> Bytes;
};

class TCountedObject : public TObject {
public:
    explicit TCountedObject(int* counter) : FCounter(counter) {}
    ~TCountedObject() override { ++*FCounter; }

private:
    int* FCounter;
};

} // namespace

TEST(qzValueTypeTest, StoreReadCompareAndStreamEveryType) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    struct Case {
        TqzValueTypeClass Type;
        const char* Caption;
        Integer Width;
        Variant Low, High;
        TVarType ReadBackType;
    };
    TSQLTimeStamp stamp1{2020, 1, 2, 3, 4, 5, 0};
    TSQLTimeStamp stamp2{2020, 1, 2, 3, 4, 6, 0};
    const std::vector<Case> cases = {
        {ValueTypeClass<TqzStringValueType>(), "String", qzPointerCellWidth, "abc", "abd", varString},
        {ValueTypeClass<TqzWideStringValueType>(), "WideString", qzPointerCellWidth, Variant(u"\u4e2da"),
         Variant(u"\u4e2db"), varOleStr},
        {ValueTypeClass<TqzSmallintValueType>(), "Smallint", 2, SmallInt(-5), SmallInt(7), varSmallint},
        {ValueTypeClass<TqzIntegerValueType>(), "Integer", 4, Integer(-2000000000), Integer(2000000000),
         varInteger},
        {ValueTypeClass<TqzWordValueType>(), "Word", 2, Word(1), Word(65535), varWord},
        {ValueTypeClass<TqzBooleanValueType>(), "Boolean", 1, false, true, varBoolean},
        {ValueTypeClass<TqzFloatValueType>(), "Float", 8, -1.5, 2.25, varDouble},
        {ValueTypeClass<TqzCurrencyValueType>(), "Currency", 8, Currency(1.2345), Currency(9.5), varCurrency},
        {ValueTypeClass<TqzDateTimeValueType>(), "DateTime", 8, VarFromDateTime(40000.5),
         VarFromDateTime(40001.25), varDate},
        {ValueTypeClass<TqzLargeIntValueType>(), "LargeInt", 8, Int64(-9000000000LL), Int64(9000000000LL),
         varInt64},
        {ValueTypeClass<TqzFMTBcdValueType>(), "FMTBcd", 34, Variant(StrToBcd("-12.5")),
         Variant(StrToBcd("3.75")), varFMTBcd},
        {ValueTypeClass<TqzSQLTimeStampValueType>(), "SQLTimeStamp", 16, Variant(stamp1), Variant(stamp2),
         varDate},
        {ValueTypeClass<TqzVariantValueType>(), "Variant", qzPointerCellWidth, Integer(3), Integer(4),
         varInteger},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption);
        EXPECT_EQ(c.Type->TypeCaption(), c.Caption);
        EXPECT_EQ(c.Type->CellWidth(), c.Width);
        TCell low(c.Type), high(c.Type), loaded(c.Type);
        c.Type->StoreVariantInCell(low.Data(), c.Low);
        c.Type->StoreVariantInCell(high.Data(), c.High);
        const Variant back = c.Type->CellToVariant(low.Data());
        EXPECT_EQ(VarType(back), c.ReadBackType);
        EXPECT_EQ(CompareVariantValues(back, c.Type == ValueTypeClass<TqzSQLTimeStampValueType>()
                                                 ? VarFromDateTime(SQLTimeStampToDateTime(stamp1))
                                                 : c.Low),
                  0);
        EXPECT_LT(c.Type->CompareCells(low.Data(), high.Data()), 0);
        EXPECT_GT(c.Type->CompareCells(high.Data(), low.Data()), 0);
        EXPECT_EQ(c.Type->CompareCells(low.Data(), low.Data()), 0);
        EXPECT_EQ(c.Type->DataToVariant(c.Type->ResolveDataAddress(low.Data())), back);

        TMemoryStream stream;
        c.Type->SaveCellToStream(low.Data(), &stream);
        stream.SetPosition(0);
        c.Type->LoadCellFromStream(loaded.Data(), &stream);
        EXPECT_EQ(stream.GetPosition(), stream.GetSize());
        EXPECT_EQ(c.Type->CompareCells(low.Data(), loaded.Data()), 0);
    }
}

TEST(qzValueTypeTest, NilStringAndTexts) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    TqzValueTypeClass str = ValueTypeClass<TqzStringValueType>();
    TCell nil(str), empty(str);
    str->StoreVariantInCell(empty.Data(), "");
    EXPECT_TRUE(VarIsNull(str->CellToVariant(nil.Data())));
    EXPECT_EQ(str->CellToVariant(empty.Data()), Variant(""));
    EXPECT_LT(str->CompareCells(nil.Data(), empty.Data()), 0);
    EXPECT_TRUE(str->IsTextType());
    EXPECT_FALSE(ValueTypeClass<TqzIntegerValueType>()->IsTextType());

    TCell flag(ValueTypeClass<TqzBooleanValueType>());
    ValueTypeClass<TqzBooleanValueType>()->StoreVariantInCell(flag.Data(), true);
    EXPECT_EQ(ValueTypeClass<TqzBooleanValueType>()->CellDefaultText(flag.Data()), "True");
    TCell number(ValueTypeClass<TqzFloatValueType>());
    ValueTypeClass<TqzFloatValueType>()->StoreVariantInCell(number.Data(), "2.5");
    EXPECT_EQ(ValueTypeClass<TqzFloatValueType>()->CellDefaultText(number.Data()), "2.5");
    EXPECT_EQ(ValueTypeClass<TqzObjectValueType>()->TypeCaption(), "Object");

    // A text cell round-trips through a stream.
    TCell text(str);
    str->StoreTextInCell(text.Data(), "shown");
    TMemoryStream stream;
    str->SaveTextCellToStream(text.Data(), &stream);
    stream.SetPosition(0);
    TCell loaded(str);
    str->LoadTextCellFromStream(loaded.Data(), &stream);
    EXPECT_EQ(str->TextCellValue(loaded.Data()), "shown");
    str->ReleaseTextCell(text.Data());
    str->ReleaseTextCell(loaded.Data());
}

TEST(qzValueTypeTest, FailedConversionKeepsTheCellAndAcceptsValueConverts) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    TqzValueTypeClass integer = ValueTypeClass<TqzIntegerValueType>();
    TCell cell(integer);
    integer->StoreVariantInCell(cell.Data(), 42);
    EXPECT_THROW(integer->StoreVariantInCell(cell.Data(), "no number"), EVariantError);
    EXPECT_EQ(integer->CellToVariant(cell.Data()), Variant(42));

    Variant value = "12";
    EXPECT_TRUE(integer->AcceptsValue(value));
    EXPECT_EQ(VarType(value), varInteger);
    Variant bad = "x";
    EXPECT_FALSE(integer->AcceptsValue(bad));
    Variant null = Null();
    EXPECT_TRUE(integer->AcceptsValue(null));
    Variant anything = "x";
    EXPECT_TRUE(ValueTypeClass<TqzVariantValueType>()->AcceptsValue(anything));
    EXPECT_EQ(VarType(anything), varString);
}

TEST(qzValueTypeTest, ObjectCellFreesItsObject) {
    int freed = 0;
    auto* object = new TCountedObject(&freed);
    TqzValueTypeClass type = ValueTypeClass<TqzObjectValueType>();
    {
        TCell cell(type);
        type->StoreVariantInCell(cell.Data(), Variant(LongWord(ObjectToHandle(object))));
        EXPECT_EQ(VarType(type->CellToVariant(cell.Data())), varInteger);
        TMemoryStream stream;
        type->SaveCellToStream(cell.Data(), &stream);
        EXPECT_EQ(stream.GetSize(), 0);
        EXPECT_EQ(freed, 0);
    }
    EXPECT_EQ(freed, 1);
}

TEST(qzValueTypeTest, RegistryHoldsTheFourteenTypesOnce) {
    TqzValueTypeClassList* registry = GetValueTypeRegistry();
    ASSERT_EQ(registry->GetCount(), 14);
    EXPECT_EQ(registry->GetItems(0), ValueTypeClass<TqzStringValueType>());
    EXPECT_EQ(registry->GetItems(13), ValueTypeClass<TqzObjectValueType>());
    registry->RegisterType(ValueTypeClass<TqzIntegerValueType>());
    EXPECT_EQ(registry->GetCount(), 14);
    registry->UnregisterType(ValueTypeClass<TqzIntegerValueType>());
    EXPECT_EQ(registry->GetCount(), 13);
    registry->RegisterType(ValueTypeClass<TqzIntegerValueType>());
    EXPECT_EQ(registry->GetCount(), 14);
}

// ---- Storage -----------------------------------------------------------------------------------

class qzDataStorageTest : public ::testing::Test {
protected:
    testsupport::ScopedFormatSettings FDot{testsupport::DotSettings()};
    TqzDataStorage FStorage;
    TqzValueDefs* Defs() { return FStorage.GetValueDefs(); }
};

TEST_F(qzDataStorageTest, RecordSizesAndWideningWhileRecordsExist) {
    EXPECT_EQ(Defs()->GetRecordSize(), 1);
    FStorage.SetWithRecordIDs(true);
    EXPECT_EQ(Defs()->GetRecordSize(), 5);
    FStorage.SetWithRecordIDs(false);

    TqzValueDef* number = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    FStorage.SetNumRecords(3);
    for (Integer i = 0; i < 3; ++i)
        FStorage.WriteValue(i, number, i * 10);
    TqzValueDef* name = Defs()->AddDef(ValueTypeClass<TqzStringValueType>(), true, nullptr, true);
    EXPECT_EQ(Defs()->GetRecordSize(), 1 + 5 + 1 + qzPointerCellWidth + qzPointerCellWidth);
    for (Integer i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(VarIsNull(FStorage.ReadValue(i, name)));
        EXPECT_EQ(FStorage.ReadValue(i, number), Variant(i * 10));
    }
    FStorage.WriteValue(1, name, "bob");
    FStorage.WriteDisplayText(1, name, "Bob!");
    EXPECT_EQ(FStorage.ReadDisplayText(1, name), "Bob!");
    EXPECT_EQ(FStorage.ReadDisplayText(1, number), "10");

    // Removing the first definition moves the second one down; its values stay.
    delete number;
    EXPECT_EQ(FStorage.ReadValue(1, name), Variant("bob"));
    EXPECT_EQ(FStorage.ReadDisplayText(1, name), "Bob!");
    // Removing the only stored definition leaves records that read Null.
    delete name;
    EXPECT_EQ(FStorage.GetNumRecords(), 3);
    TqzValueDef* again = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    EXPECT_TRUE(VarIsNull(FStorage.ReadValue(1, again)));
}

TEST_F(qzDataStorageTest, NullsOrderFirstAndPutNullReleases) {
    TqzValueDef* name = Defs()->AddDef(ValueTypeClass<TqzStringValueType>(), true, nullptr, false);
    FStorage.SetNumRecords(3);
    FStorage.WriteValue(0, name, "b");
    FStorage.WriteValue(1, name, "a");
    EXPECT_GT(FStorage.CompareRecordValues(0, 1, name), 0);
    EXPECT_LT(FStorage.CompareRecordValues(2, 1, name), 0);
    EXPECT_EQ(FStorage.CompareRecordValues(2, 2, name), 0);
    FStorage.WriteValue(0, name, Null());
    EXPECT_TRUE(VarIsNull(FStorage.ReadValue(0, name)));
    EXPECT_EQ(FStorage.CompareRecordValues(0, 2, name), 0);
    const Byte* data = nullptr;
    EXPECT_FALSE(FStorage.LocateValueData(1, name, data));
    EXPECT_EQ(*reinterpret_cast<const String*>(data), "a");
    EXPECT_TRUE(FStorage.LocateValueData(0, name, data));
}

TEST_F(qzDataStorageTest, FailedWriteLeavesANullValueNull) {
    TqzValueDef* number = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    FStorage.AddRecord();
    EXPECT_THROW(FStorage.WriteValue(0, number, "abc"), EVariantError);
    EXPECT_TRUE(VarIsNull(FStorage.ReadValue(0, number)));
}

TEST_F(qzDataStorageTest, InternalRecordsAndMirrors) {
    TqzValueDef* number = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    EXPECT_EQ(FStorage.GetInternalValueDefs()->DefCount(), 1);
    EXPECT_EQ(FStorage.AcquireInternalRecord(), -1);
    EXPECT_EQ(FStorage.AcquireInternalRecord(), -2);
    FStorage.RemoveRecord(-1);
    EXPECT_EQ(FStorage.AcquireInternalRecord(), -1);

    FStorage.WriteValue(-2, number, 7);
    EXPECT_EQ(FStorage.ReadValue(-2, number), Variant(7));
    TqzInternalValueDef* mirror = FStorage.GetInternalValueDefs()->FindMirror(number);
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->MirroredDef(), number);
    EXPECT_EQ(FStorage.ReadValue(-2, mirror), Variant(7));

    // Removing the definition narrows the internal records without freeing them: they stay in use.
    delete number;
    EXPECT_EQ(FStorage.GetInternalValueDefs()->DefCount(), 0);
    EXPECT_EQ(FStorage.AcquireInternalRecord(), -3);

    int dropped = 0;
    struct TListener : TObject {
        int* Count;
        void Dropped(TObject*) { ++*Count; }
    } listener;
    listener.Count = &dropped;
    FStorage.OnInternalRecordsDropped = TNotifyEvent(&listener, &TListener::Dropped);
    FStorage.DiscardRecords(true);
    EXPECT_EQ(dropped, 0);
    FStorage.DiscardRecords(false);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(FStorage.InternalRecordCount(), 0);
    FStorage.OnInternalRecordsDropped = nullptr;
}

TEST_F(qzDataStorageTest, RecordIDs) {
    FStorage.SetWithRecordIDs(true);
    TqzValueDef* number = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    for (int i = 0; i < 3; ++i)
        FStorage.AddRecord();
    EXPECT_EQ(FStorage.FetchRecordID(0), 1);
    EXPECT_EQ(FStorage.FetchRecordID(2), 3);
    FStorage.InsertRecordAt(1);
    EXPECT_EQ(FStorage.FetchRecordID(1), 4);
    FStorage.WriteValue(1, number, 99);
    // The ID lies beside the values, not under them.
    EXPECT_EQ(FStorage.FetchRecordID(1), 4);
    EXPECT_EQ(FStorage.ReadValue(1, number), Variant(99));
    // Removing the value definition keeps the IDs.
    delete number;
    EXPECT_EQ(FStorage.FetchRecordID(1), 4);
    FStorage.SetNumRecords(0);
    EXPECT_EQ(FStorage.AddRecord(), 0);
    EXPECT_EQ(FStorage.FetchRecordID(0), 1);
    // Switching IDs off: nothing to read or write.
    FStorage.SetWithRecordIDs(false);
    FStorage.StoreRecordID(0, 5);
    EXPECT_EQ(FStorage.FetchRecordID(0), 0);
}

TEST_F(qzDataStorageTest, InternalRecordsKeepTheirValuesWhenIDsAreSwitchedOn) {
    TqzValueDef* first = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    const Integer scratch = FStorage.AcquireInternalRecord();
    FStorage.WriteValue(scratch, first, 123);
    FStorage.SetWithRecordIDs(true);
    TqzValueDef* second = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    EXPECT_EQ(FStorage.ReadValue(scratch, first), Variant(123));
    EXPECT_TRUE(VarIsNull(FStorage.ReadValue(scratch, second)));
}

TEST_F(qzDataStorageTest, ChangingTheTextFlagReshapesTheRecords) {
    TqzValueDef* name = Defs()->AddDef(ValueTypeClass<TqzStringValueType>(), true, nullptr, false);
    TqzValueDef* number = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    FStorage.AddRecord();
    FStorage.WriteValue(0, name, "n");
    FStorage.WriteValue(0, number, 5);
    name->SetStoreText(true);
    FStorage.WriteDisplayText(0, name, "shown");
    EXPECT_EQ(FStorage.ReadDisplayText(0, name), "shown");
    EXPECT_EQ(FStorage.ReadValue(0, number), Variant(5));
    name->SetStoreText(false);
    EXPECT_EQ(FStorage.ReadDisplayText(0, name), "n");
    EXPECT_EQ(FStorage.ReadValue(0, number), Variant(5));

    FStorage.SetOnlyStoredValues(true);
    number->SetStoreValue(false);
    EXPECT_FALSE(number->IsStored());
    FStorage.WriteValue(0, number, 6);
    EXPECT_TRUE(VarIsNull(FStorage.ReadValue(0, number)));
    FStorage.WriteValue(0, name, "m");
    EXPECT_EQ(FStorage.ReadValue(0, name), Variant("m"));
}

TEST_F(qzDataStorageTest, FillRecordFromAReader) {
    TqzValueDef* number = Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    TqzValueDef* name = Defs()->AddDef(ValueTypeClass<TqzStringValueType>(), true, nullptr, true);
    struct TReader : TqzValueDefReader {
        TqzValueDef* Skip = nullptr;
        Variant ReadVariant(TqzValueDef* def) override {
            return def->GetValueTypeClass()->IsTextType() ? Variant("x") : Variant(1);
        }
        String ReadText(TqzValueDef*) override { return "X"; }
        bool Skips(TqzValueDef* def) override { return def == Skip; }
    } reader;
    reader.Skip = number;
    FStorage.AddRecord();
    FStorage.FillRecord(0, &reader);
    EXPECT_TRUE(VarIsNull(FStorage.ReadValue(0, number)));
    EXPECT_EQ(FStorage.ReadValue(0, name), Variant("x"));
    EXPECT_EQ(FStorage.ReadDisplayText(0, name), "X");

    std::vector<TqzValueDef*> seen;
    struct TVisitor : TObject {
        std::vector<TqzValueDef*>* Seen;
        void Visit(TqzValueDef* def, Integer, TqzValueDefReader*, void*) { Seen->push_back(def); }
    } visitor;
    visitor.Seen = &seen;
    FStorage.ForEachValueDef(0, nullptr, TqzValueDefMethod(&visitor, &TVisitor::Visit), &reader);
    EXPECT_EQ(seen, (std::vector<TqzValueDef*>{number, name}));
}

TEST_F(qzDataStorageTest, OutOfRangeRecordIndexRaisesListError) {
    Defs()->AddDef(ValueTypeClass<TqzIntegerValueType>(), true, nullptr, false);
    FStorage.AddRecord();
    EXPECT_THROW(FStorage.ReadValue(1, Defs()->Defs(0)), EListError);
    EXPECT_THROW(FStorage.RemoveRecord(-1), EListError);
    EXPECT_THROW(FStorage.InsertRecordAt(3), EListError);
}

TEST(qzLookupListTest, LocateFindsOrGivesTheInsertionPoint) {
    TqzLookupList list;
    Integer index = -1;
    EXPECT_FALSE(list.Locate(5, index));
    EXPECT_EQ(index, 0);
    for (int value : {10, 20, 30}) {
        ASSERT_FALSE(list.Locate(value, index));
        list.InsertItem(index, value, "t" + std::to_string(value));
    }
    struct Case {
        Variant Value;
        bool Found;
        Integer Index;
    };
    const std::vector<Case> cases = {{10, true, 0},  {30, true, 2},  {5, false, 0},
                                     {25, false, 2}, {35, false, 3}, {Null(), false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(VarToStr(c.Value));
        EXPECT_EQ(list.Locate(c.Value, index), c.Found);
        EXPECT_EQ(index, c.Index);
    }
    EXPECT_EQ(list.Item(1).Text, "t20");
}
