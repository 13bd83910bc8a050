#include <gtest/gtest.h>

#include <vector>

#include "app/AllClass.h"
#include "app/Maindb.h"
#include "app/myPrint.h"
#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "tests/app/DialogFixture.h"

namespace {

struct Row {
    Integer TypeId;
    String TypeName, AField, AValue, BField, BValue;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << "{" << r.TypeId << ", " << r.TypeName << ", " << r.AField << ", " << r.AValue << ", " << r.BField
        << ", " << r.BValue << "}";
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    TMemDataSet* set = fMaindb->myAdo;
    for (set->First(); !set->Eof(); set->Next())
        rows.push_back(
            {set->FieldByName("TypeID")->GetAsInteger(), set->FieldByName("TypeName")->GetAsString(),
             set->FieldByName("AField")->GetAsString(), set->FieldByName("AValue")->GetAsString(),
             set->FieldByName("BField")->GetAsString(), set->FieldByName("BValue")->GetAsString()});
    return rows;
}

using myPrintTest = apptest::DialogFixture;

// Settings that give every row a value of its own.
void SetSettings() {
    TFun& f = *FunctionSettings;
    f.BatterySave = 1;
    f.BeepTone = 0;
    f.HighVolInhibitTx = 1;
    f.LowVolInhibitTx = 0;
    f.Squelch = 3;
    f.SideKey = 2;
    f.TxTimeout = 4;
    f.Scan = 1;
    f.Voice = 0;
    f.VoiceLanguage = 1;
    f.InceptAlarm = 0;
    f.Fm = 1;
    f.VoxFunction = 1;
    f.VoxLevel = 2;
    f.VoxInhibitOnReceive = 0;
}

TEST_F(myPrintTest, FifteenSettingsRowsInTheFirstLanguage) {
    Start();
    SetSettings();
    const String on = "已启动", off = "已关闭", t = "Function Setting";
    const std::vector<Row> expected = {
        {9, t, "Battery Save", on, "", ""},
        {9, t, "Clew Voice", off, "", ""},
        {9, t, "High Vol Inhibit Tx", on, "", ""},
        {9, t, "Low Vol Inhibit Tx", off, "", ""},
        {9, t, "Squelch level", "3", "", ""},
        {9, t, "Side Key", "H/L Power", "", ""},
        {9, t, "TX Time Out", "120", "", ""},
        {9, t, "Scan", "On", "", ""},
        {9, t, "Voice", "Off", "", ""},
        {9, t, "Voice Annunciation", "Chinese", "", ""},
        {9, t, "Incept Alarm", "Off", "", ""},
        {9, t, "FM", "Turn on", "", ""},
        {9, t, "VOX Function", on, "", ""},
        {9, t, "VOX Gain Level", "3", "", ""},
        {9, t, "VOX Inhibit OnReceive", off, "", ""},
    };
    AddFunctionPrintRows();
    EXPECT_EQ(Rows(), expected);

    // A second printout appends again (the caller empties the record set first); a side key
    // outside its list prints an empty value.
    FunctionSettings->SideKey = 5;
    AddFunctionPrintRows();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows[20], (Row{9, t, "Side Key", "", "", ""}));
    EXPECT_EQ(FunctionSettings->SideKey, 5);
    EXPECT_FALSE(AppState->Modified);
}

TEST_F(myPrintTest, FifteenSettingsRowsInEnglish) {
    // English as the second language, with the program's own English.Ini.
    testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"),
                                "[SysInfo]\nDefaultLanguage=1\nLanguage=Chinese|English\n");
    testsupport::WriteFileBytes(Dir.File("English.Ini"), testsupport::ReadFileBytes(testsupport::FixturePath(
                                                             "../../app/lang/English.Ini")));
    Start();
    ASSERT_EQ(AppState->LanguageIndex, 1);
    SetSettings();
    const String t = "Function Setting";
    const std::vector<Row> expected = {
        {9, t, "Battery Save", "On", "", ""},
        {9, t, "Clew Voice", "Off", "", ""},
        {9, t, "High Vol Inhibit Tx", "On", "", ""},
        {9, t, "Low Vol Inhibit Tx", "Off", "", ""},
        {9, t, "Squelch level", "3", "", ""},
        {9, t, "Side Key", "H/L Power", "", ""},
        {9, t, "TX Time Out", "120", "", ""},
        {9, t, "Scan", "On", "", ""},
        {9, t, "Voice", "Off", "", ""},
        {9, t, "Voice Annunciation", "Chinese", "", ""},
        {9, t, "Incept Alarm", "Off", "", ""},
        {9, t, "FM", "Turn on", "", ""},
        {9, t, "VOX Function", "On", "", ""},
        {9, t, "VOX Gain Level", "3", "", ""},
        {9, t, "VOX Inhibit OnReceive", "Off", "", ""},
    };
    AddFunctionPrintRows();
    EXPECT_EQ(Rows(), expected);
}

TEST_F(myPrintTest, TheRowsTakeTheTextsOfTheSelectedLanguage) {
    // Chinese as the second language: the dialog is translated before its texts are taken; the
    // transmit time-out list translates only its first item.
    testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"),
                                "[SysInfo]\nDefaultLanguage=1\nLanguage=English|Chinese\n");
    testsupport::WriteFileBytes(Dir.File("Chinese.Ini"), testsupport::ReadFileBytes(testsupport::FixturePath(
                                                             "../../app/lang/Chinese.Ini")));
    Start();
    SetSettings();
    FunctionSettings->TxTimeout = 0;
    AddFunctionPrintRows();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[0], (Row{9, "功能设置", "省电", "已启动", "", ""}));
    EXPECT_EQ(rows[6], (Row{9, "功能设置", "发射限时", "关闭", "", ""}));
    EXPECT_EQ(rows[7], (Row{9, "功能设置", "扫描", "开启", "", ""}));
    EXPECT_EQ(rows[4].AValue, "3");
}

} // namespace
