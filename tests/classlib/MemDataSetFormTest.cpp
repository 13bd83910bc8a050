// A data set with its field definitions, fields, data source and events placed by a stored
// window definition, read back from the object text and written out again.
#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

// A module that holds data sets, with handlers a definition can bind.
class TDsTestModule : public TComponent {
    KOV_CLASS(TDsTestModule, TComponent)
public:
    explicit TDsTestModule(TComponent* owner) : TComponent(owner) {}
    ~TDsTestModule() override {
        Destroying();
        DestroyComponents();
    }
    // As a data module does: the owned components without a parent; fields come with their
    // data set.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override {
        for (Integer i = 0; i < GetComponentCount(); ++i)
            if (!GetComponents(i)->HasParent()) proc(GetComponents(i));
    }
    void ChannelsCalcFields(TDataSet* dataSet) {
        dataSet->FieldByName("Label")->SetAsString(dataSet->FieldByName("TypeName")->GetAsString() + "#" +
                                                   dataSet->FieldByName("TypeID")->GetAsString());
    }
    void ChannelsNewRecord(TDataSet* dataSet) { dataSet->FieldByName("TypeID")->SetAsInteger(8); }
};

struct TDsTestModuleRegistration {
    TDsTestModuleRegistration() { RegisterClass(TDsTestModule::StaticClass()); }
} const DsTestModuleRegistration;

} // namespace

KOV_PUBLISHED(TDsTestModule) {
    Method("ChannelsCalcFields", &TDsTestModule::ChannelsCalcFields);
    Method("ChannelsNewRecord", &TDsTestModule::ChannelsNewRecord);
}

namespace {

const char* const Definition = R"(object fDataModule: TDsTestModule
  object myAdo: TMemDataSet
    FieldDefs = <
      item
        Name = 'TypeID'
        DataType = ftInteger
      end
      item
        Name = 'TypeName'
        DataType = ftString
        Size = 20
      end
      item
        Name = 'AField'
        DataType = ftString
        Size = 100
      end>
    Filter = 'TypeID = 8'
    Active = True
    OnCalcFields = ChannelsCalcFields
    OnNewRecord = ChannelsNewRecord
    object myAdoTypeID: TIntegerField
      DisplayLabel = 'Type'
      FieldName = 'TypeID'
    end
    object myAdoTypeName: TStringField
      FieldName = 'TypeName'
      Size = 20
    end
    object myAdoAField: TStringField
      DisplayWidth = 30
      FieldName = 'AField'
      Size = 100
    end
    object myAdoLabel: TStringField
      FieldKind = fkCalculated
      FieldName = 'Label'
      Size = 30
    end
  end
  object dsAdo: TDataSource
    DataSet = myAdo
    AutoEdit = False
  end
end
)";

std::unique_ptr<TDsTestModule> ReadModule(const String& text) {
    return std::unique_ptr<TDsTestModule>(
        static_cast<TDsTestModule*>(ReadComponentText(text, nullptr, "test")));
}

TEST(MemDataSetFormTest, DefinitionPlacesDataSetFieldsAndSource) {
    auto module = ReadModule(Definition);
    auto* dataSet = dynamic_cast<TMemDataSet*>(module->FindComponent("myAdo"));
    auto* source = dynamic_cast<TDataSource*>(module->FindComponent("dsAdo"));
    ASSERT_NE(dataSet, nullptr);
    ASSERT_NE(source, nullptr);

    // Opened once everything was read; the stored fields are its fields, owned by the module.
    EXPECT_TRUE(dataSet->GetActive());
    EXPECT_FALSE(dataSet->GetDefaultFields());
    ASSERT_EQ(dataSet->GetFieldCount(), 4);
    EXPECT_EQ(dataSet->GetFieldDefs()->GetCount(), 3);
    TField* typeID = dataSet->FieldByName("TypeID");
    EXPECT_EQ(typeID, module->FindComponent("myAdoTypeID"));
    EXPECT_EQ(typeID->GetOwner(), module.get());
    EXPECT_EQ(typeID->GetDisplayLabel(), "Type");
    EXPECT_EQ(dataSet->FieldByName("AField")->GetSize(), 100);
    EXPECT_EQ(dataSet->FieldByName("AField")->GetDisplayWidth(), 30);
    EXPECT_EQ(dataSet->FieldByName("Label")->GetFieldKind(), fkCalculated);
    EXPECT_EQ(source->GetDataSet(), dataSet);
    EXPECT_FALSE(source->GetAutoEdit());
    EXPECT_EQ(source->GetState(), dsBrowse);
    EXPECT_EQ(dataSet->GetFilter(), "TypeID = 8");

    // The bound events run: new records get type 8, the label is calculated.
    dataSet->Append();
    dataSet->FieldByName("TypeName")->SetAsString("Channel");
    dataSet->FieldByName("AField")->SetAsString("RX");
    dataSet->Post();
    dataSet->AppendRecord({9, "Function", "Beep"});
    dataSet->First();
    EXPECT_EQ(dataSet->GetRecordCount(), 2);
    EXPECT_EQ(dataSet->FieldByName("Label")->GetAsString(), "Channel#8");
    dataSet->Next();
    EXPECT_EQ(dataSet->FieldByName("Label")->GetAsString(), "Function#9");

    // Filtered was not stored: the filter text waits until it is switched on.
    dataSet->SetFiltered(true);
    EXPECT_EQ(dataSet->GetRecordCount(), 1);
}

// Written out, the module stores the fields below their data set and the definitions as a
// collection; read again, it comes back the same.
TEST(MemDataSetFormTest, WrittenDefinitionReadsBackTheSame) {
    auto module = ReadModule(Definition);
    TMemoryStream binary;
    {
        TWriter writer(&binary);
        writer.WriteRootComponent(module.get());
    }
    binary.SetPosition(0);
    TStringStream text;
    ObjectBinaryToText(&binary, &text);
    const String written = text.GetDataString();
    EXPECT_NE(written.find("    object myAdoTypeID: TIntegerField\n"), String::npos) << written;
    EXPECT_NE(written.find("        DataType = ftString\n        Size = 20\n"), String::npos) << written;
    EXPECT_EQ(written.find("Active = False"), String::npos) << written; // defaults are left out

    module.reset();
    auto again = ReadModule(written);
    auto* dataSet = dynamic_cast<TMemDataSet*>(again->FindComponent("myAdo"));
    ASSERT_NE(dataSet, nullptr);
    EXPECT_TRUE(dataSet->GetActive());
    EXPECT_EQ(dataSet->GetFieldCount(), 4);
    EXPECT_EQ(dataSet->FieldByName("AField")->GetSize(), 100);
    EXPECT_EQ(dataSet->FieldByName("TypeID")->GetDisplayLabel(), "Type");
    EXPECT_EQ(dataSet->GetFieldDefs()->GetItems(1)->GetSize(), 20);
}

TEST(MemDataSetFormTest, FieldWithoutDefinitionFailsOnOpening) {
    const String text = R"(object fDataModule: TDsTestModule
  object myMain: TMemDataSet
    FieldDefs = <
      item
        Name = 'Title'
        DataType = ftString
        Size = 20
      end>
    Active = True
    object myMainDFiled: TStringField
      FieldName = 'DFiled'
      Size = 30
    end
  end
end
)";
    try {
        ReadModule(text);
        FAIL() << "opened without a definition of DFiled";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(String(e.what()).find("myMain: Field 'DFiled' not found"), String::npos) << e.what();
    }
}

} // namespace
