#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "report/pvrXMLSerializer.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

// An object with one published property of each kind the serializer handles, and a record of
// its Loaded calls.
class TXmlProbe : public TpvrReportComponent {
    KOV_CLASS(TXmlProbe, TpvrReportComponent)
public:
    explicit TXmlProbe(TComponent* owner)
        : TpvrReportComponent(owner), Lines(std::make_unique<TStringList>()) {}
    void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
    void Loaded() override {
        inherited::Loaded();
        LoadedCalls.push_back({GetName(), Link != nullptr, IsLoading});
    }
    TStringList* GetLines() const { return Lines.get(); }
    void SetLines(TStringList* value) { Lines->Assign(value); }
    TpvrComponent* GetLink() const { return Link; }
    void SetLink(TpvrComponent* value) { Link = value; }

    Integer Count = 5;
    bool Flag = false;
    Extended Ratio = 0;
    String Caption;
    Variant Value;
    TpvrRestrictions Restr;
    TpvrZoomMode Zoom = zmDefault;
    std::unique_ptr<TStringList> Lines;
    TpvrComponent* Link = nullptr;

    struct TLoadedCall {
        String Name;
        bool LinkSet;
        bool WasLoading;
    };
    static inline std::vector<TLoadedCall> LoadedCalls;
};

KOV_PUBLISHED(TXmlProbe) {
    Property("Left", &TpvrComponent::GetLeft, &TpvrComponent::SetLeft);
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont);
    Property("Count", &TXmlProbe::Count).Default(5);
    Property("Flag", &TXmlProbe::Flag).Default(false);
    Property("Ratio", &TXmlProbe::Ratio);
    Property("Caption", &TXmlProbe::Caption);
    Property("Value", &TXmlProbe::Value);
    Property("Restr", &TXmlProbe::Restr).Default(TpvrRestrictions());
    Property("Zoom", &TXmlProbe::Zoom).Default(zmDefault);
    Property("Lines", &TXmlProbe::GetLines, &TXmlProbe::SetLines);
    Property("Link", &TXmlProbe::GetLink, &TXmlProbe::SetLink);
}

namespace {

const bool kProbeRegistered = [] {
    RegisterClass(TXmlProbe::StaticClass());
    return true;
}();

class pvrXMLSerializerTest : public testsupport::TFormFixture {
protected:
    void SetUp() override { TXmlProbe::LoadedCalls.clear(); }

    static String Save(TpvrComponent* root, bool defaults = false) {
        TStringStream out;
        TpvrXMLSerializer s(&out);
        s.SerializeDefaultValues = defaults;
        s.WriteTree(root, true);
        return out.GetDataString();
    }
    // Reads `text` into `root`; returns the error lines.
    static std::vector<String> Load(TpvrComponent* root, const String& text) {
        TStringStream in(text);
        TpvrXMLSerializer s(&in);
        s.ReadTree(root);
        std::vector<String> errors;
        for (Integer i = 0; i < s.GetErrors()->GetCount(); ++i)
            errors.push_back(s.GetErrors()->GetStrings(i));
        return errors;
    }
    static String Attrs(TPersistent* obj, bool defaults = false) {
        TpvrXMLSerializer s(nullptr);
        s.SerializeDefaultValues = defaults;
        return s.WriteProperties(obj);
    }
};

TEST_F(pvrXMLSerializerTest, AttributesOfEachKind) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* probe = new TXmlProbe(report.get());
    probe->SetName("P");

    // Defaults are absent unless asked for; floats and variants always present; empty strings never.
    String plain = Attrs(probe);
    EXPECT_EQ(plain.find("Count="), String::npos);
    EXPECT_EQ(plain.find("Flag="), String::npos);
    EXPECT_EQ(plain.find("Caption="), String::npos);
    EXPECT_EQ(plain.find("Lines.Text="), String::npos);
    EXPECT_NE(plain.find(" Left=\"0\""), String::npos);
    EXPECT_NE(plain.find(" Ratio=\"0\""), String::npos);
    probe->Value = Variant(Integer(0));
    EXPECT_NE(Attrs(probe).find(" Value=\"0\""), String::npos);
    String all = Attrs(probe, true);
    EXPECT_NE(all.find(" Count=\"5\""), String::npos);
    EXPECT_NE(all.find(" Flag=\"False\""), String::npos);
    EXPECT_NE(all.find(" Zoom=\"zmDefault\""), String::npos);

    probe->Count = -7;
    probe->Restr = TpvrRestrictions{rfDontSize, rfDontDelete};
    probe->Zoom = zmPageWidth;
    probe->Caption = "a<b & \"c\"";
    probe->Lines->SetText("one\r\ntwo\r\n");
    probe->GetFont()->SetName("Courier");
    const String text = Attrs(probe);
    EXPECT_NE(text.find(" Count=\"-7\""), String::npos);
    EXPECT_NE(text.find(" Restr=\"10\""), String::npos) << text;
    EXPECT_NE(text.find(" Zoom=\"zmPageWidth\""), String::npos);
    EXPECT_NE(text.find(" Font.Name=\"Courier\""), String::npos);
    EXPECT_NE(text.find(" Lines.Text=\"one&#13;&#10;two\""), String::npos) << text;
    EXPECT_EQ(text.find("\"c\"\""), String::npos);

    // Read back into a fresh object, enumerations by name and by number.
    auto* copy = new TXmlProbe(report.get());
    TpvrXMLSerializer reader(nullptr);
    reader.ReadProperties(text, copy);
    EXPECT_EQ(copy->Count, -7);
    EXPECT_TRUE(copy->Restr == probe->Restr);
    EXPECT_EQ(copy->Zoom, zmPageWidth);
    EXPECT_EQ(copy->Caption, probe->Caption);
    EXPECT_EQ(copy->Lines->GetText(), "one\r\ntwo\r\n");
    EXPECT_EQ(copy->GetFont()->GetName(), "Courier");
    reader.ReadProperties(" Zoom=\"3\" l=\"12.5\" Flag=\"1\"", copy);
    EXPECT_EQ(copy->Zoom, zmManyPages);
    EXPECT_DOUBLE_EQ(copy->GetLeft(), 12.5);
    EXPECT_TRUE(copy->Flag);
    EXPECT_EQ(reader.GetErrors()->GetCount(), 0);
}

TEST_F(pvrXMLSerializerTest, FloatWrittenWithDecimalCommaReadsWithPoint) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* probe = new TXmlProbe(report.get());
    probe->Ratio = 2.75;
    const char saved = FormatSettings.DecimalSeparator;
    FormatSettings.DecimalSeparator = ',';
    const String text = Attrs(probe);
    FormatSettings.DecimalSeparator = '.';
    EXPECT_NE(text.find(" Ratio=\"2,75\""), String::npos) << text;
    auto* copy = new TXmlProbe(report.get());
    TpvrXMLSerializer reader(nullptr);
    reader.ReadProperties(text, copy);
    FormatSettings.DecimalSeparator = saved;
    EXPECT_DOUBLE_EQ(copy->Ratio, 2.75);
}

TEST_F(pvrXMLSerializerTest, TreeRoundTripsWithLaterReferencesAndLoadedAfterFixups) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrReportPage(report.get());
    page->SetName("Page1");
    auto* band = new TpvrMasterData(page);
    band->SetName("MasterData1");
    band->SetTop(40);
    auto* child = new TpvrChild(page);
    child->SetName("Child1");
    band->SetChild(child);
    auto* first = new TXmlProbe(page);
    first->SetName("First");
    auto* second = new TXmlProbe(page);
    second->SetName("Second");
    first->Link = second; // written before its target
    second->Link = first;
    first->Caption = "x";

    const String text = Save(report.get());
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    std::unique_ptr<TpvrReport> loaded(new TpvrReport(nullptr));
    EXPECT_TRUE(Load(loaded.get(), text).empty());
    auto* lfirst = dynamic_cast<TXmlProbe*>(loaded->FindObject("First"));
    auto* lsecond = dynamic_cast<TXmlProbe*>(loaded->FindObject("Second"));
    auto* lband = dynamic_cast<TpvrMasterData*>(loaded->FindObject("MasterData1"));
    ASSERT_TRUE(lfirst && lsecond && lband);
    EXPECT_EQ(lfirst->Link, lsecond);
    EXPECT_EQ(lsecond->Link, lfirst);
    EXPECT_EQ(lband->GetChild(), loaded->FindObject("Child1"));
    EXPECT_DOUBLE_EQ(lband->GetTop(), 40);
    EXPECT_EQ(lfirst->Caption, "x");
    EXPECT_FALSE(lfirst->IsLoading);
    EXPECT_FALSE(loaded->IsLoading);
    // Loaded ran on each created object once every reference was set.
    ASSERT_EQ(TXmlProbe::LoadedCalls.size(), 2u);
    for (const auto& call : TXmlProbe::LoadedCalls) {
        EXPECT_TRUE(call.LinkSet) << call.Name;
        EXPECT_FALSE(call.WasLoading) << call.Name;
    }
    EXPECT_EQ(Save(loaded.get()), text);
}

TEST_F(pvrXMLSerializerTest, UnknownClassIsReportedAndSkippedWithItsChildren) {
    const String text = "<?xml version=\"1.0\"?>\r\n"
                        "<TpvrReport Name=\"\">\r\n"
                        "  <TpvrReportPage Name=\"Page1\">\r\n"
                        "    <TNoSuchView Name=\"Ghost\"><TXmlProbe Name=\"Inner\"/></TNoSuchView>\r\n"
                        "    <TStringList Name=\"NotAView\"/>\r\n"
                        "    <TXmlProbe Name=\"Kept\" Count=\"9\"/>\r\n"
                        "  </TpvrReportPage>\r\n"
                        "</TpvrReport>\r\n";
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    const std::vector<String> errors = Load(report.get(), text);
    const String cant = GetResources()->Get("xrCantFindClass");
    EXPECT_EQ(errors, (std::vector<String>{cant + " TNoSuchView", cant + " TStringList"}));
    EXPECT_EQ(report->FindObject("Inner"), nullptr);
    auto* kept = dynamic_cast<TXmlProbe*>(report->FindObject("Kept"));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Count, 9);
}

TEST_F(pvrXMLSerializerTest, DamagedAttributesGiveErrorLinesAndKeepTheRest) {
    struct Case {
        const char* what;
        const char* attrs;
        Integer count;     // Count afterwards
        TpvrZoomMode zoom; // Zoom afterwards
        bool error;
    };
    const Case cases[] = {
        {"bad integer", " Count=\"12abc\" Zoom=\"zmWholePage\"", 5, zmWholePage, true},
        {"bad float", " Ratio=\"1.2.3\" Count=\"8\"", 8, zmDefault, true},
        {"unknown identifier keeps value", " Zoom=\"zmNowhere\" Count=\"8\"", 8, zmDefault, true},
        {"unterminated value ends the object", " Count=\"7\" Zoom=\"zmWholePage", 7, zmDefault, true},
        {"odd PropData", " PropData=\"ABC\" Count=\"6\"", 6, zmDefault, true},
        {"non-hex PropData", " PropData=\"ZZ\" Count=\"6\"", 6, zmDefault, true},
        {"unreadable PropData is ignored", " PropData=\"FFFF\" Count=\"6\"", 6, zmDefault, false},
        {"absurd number", " Count=\"99999999999999999999\"", 5, zmDefault, true},
        {"unknown name ignored", " Nothing=\"1\" Count=\"4\"", 4, zmDefault, false},
    };
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* probe = new TXmlProbe(report.get());
        TpvrXMLSerializer reader(nullptr);
        reader.ReadProperties(c.attrs, probe);
        EXPECT_EQ(probe->Count, c.count);
        EXPECT_EQ(probe->Zoom, c.zoom);
        EXPECT_EQ(reader.GetErrors()->GetCount() > 0, c.error);
        delete probe;
    }
}

TEST_F(pvrXMLSerializerTest, SingleObjectTextForms) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrReportPage(report.get());
    page->SetName("Page1");
    auto* target = new TXmlProbe(page);
    target->SetName("Target");
    auto* probe = new TXmlProbe(page);
    probe->Count = 3;
    probe->Link = target;
    TStringStream out;
    TpvrXMLSerializer writer(&out);
    writer.Owner = report.get();
    writer.WriteObjectTag(probe);
    const String tag = out.GetDataString();
    EXPECT_EQ(tag.rfind("<TXmlProbe ", 0), 0u);
    EXPECT_EQ(tag.substr(tag.size() - 2), "/>");
    EXPECT_EQ(tag.find(" Name="), String::npos);

    TpvrXMLSerializer reader(nullptr);
    EXPECT_EQ(reader.ObjectFromText(page, "   "), nullptr);
    auto* copy =
        dynamic_cast<TXmlProbe*>(reader.ObjectFromText(page, "  " + writer.ObjectToText(probe) + " "));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetParent(), page);
    EXPECT_EQ(copy->Count, 3);
    EXPECT_EQ(copy->Link, target);
    EXPECT_FALSE(copy->IsLoading);
    ASSERT_EQ(TXmlProbe::LoadedCalls.size(), 1u);
    EXPECT_THROW(reader.ObjectFromText(page, "TNoSuchView Count=\"1\""), Exception);
}

TEST_F(pvrXMLSerializerTest, ComponentStreamsAssignAndAttributes) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrReportPage(report.get());
    page->SetName("Page1");
    auto* band = new TpvrMasterData(page);
    band->SetName("Band1");
    auto* probe = new TXmlProbe(band);
    probe->SetName("Probe1");
    probe->Count = 11;
    probe->Link = band;

    // Saved without its name, which is back afterwards; loading keeps the object's own name.
    TMemoryStream data;
    page->SaveToStream(&data, true);
    EXPECT_EQ(page->GetName(), "Page1");
    String text(size_t(data.GetSize()), '\0');
    data.SetPosition(0);
    data.ReadBuffer(text.data(), Integer(text.size()));
    EXPECT_NE(text.find("<TpvrReportPage Name=\"\""), String::npos);

    auto* other = new TpvrReportPage(report.get());
    other->SetName("Page2");
    new TpvrReportTitle(other); // cleared by the load
    probe->SetName("Probe9");
    band->SetName("Band9");
    data.SetPosition(0);
    other->LoadFromStream(&data);
    EXPECT_EQ(other->GetName(), "Page2");
    ASSERT_EQ(other->ObjectCount(), 1);
    auto* loadedBand = dynamic_cast<TpvrMasterData*>(other->GetObjects()[0]);
    ASSERT_NE(loadedBand, nullptr);
    EXPECT_EQ(loadedBand->GetName(), "Band1");
    auto* loadedProbe = dynamic_cast<TXmlProbe*>(report->FindObject("Probe1"));
    ASSERT_NE(loadedProbe, nullptr);
    EXPECT_EQ(loadedProbe->Count, 11);
    EXPECT_EQ(loadedProbe->Link, loadedBand);
    EXPECT_EQ(report->CurrentSerializer, nullptr);

    // Assign copies the object's own properties, defaults included; AssignAll its subtree too.
    auto* copy = new TXmlProbe(page);
    copy->SetName("Copy");
    copy->Flag = true;
    copy->Assign(probe);
    EXPECT_EQ(copy->GetName(), "Copy");
    EXPECT_EQ(copy->Count, 11);
    EXPECT_FALSE(copy->Flag);
    auto* third = new TpvrReportPage(report.get());
    third->AssignAll(page);
    EXPECT_EQ(third->ObjectCount(), page->ObjectCount());

    // The attribute text without element name and closing, then the differences from a source.
    const String attrs = probe->AllAttributes();
    EXPECT_EQ(attrs.rfind("Left=", 0), 0u) << attrs;
    EXPECT_EQ(attrs.find("/>"), String::npos);
    EXPECT_NE(attrs.find("Count=\"11\""), String::npos);
    copy->SetLeft(30);
    EXPECT_NE(copy->AllAttributes(probe).find(" l=\"30\""), String::npos);

    // Errors of a load join the report's error list.
    TStringStream damaged("<?xml version=\"1.0\"?><TpvrReportPage><TNoSuchView/></TpvrReportPage>");
    other->LoadFromStream(&damaged);
    EXPECT_EQ(report->GetErrors()->IndexOf(GetResources()->Get("xrCantFindClass") + " TNoSuchView") >= 0,
              true);
}

TEST_F(pvrXMLSerializerTest, DamagedDefinitionsNeverCrash) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrReportPage(report.get());
    page->SetName("Page1");
    auto* band = new TpvrMasterData(page);
    band->SetName("Band1");
    auto* child = new TpvrChild(page);
    child->SetName("Child1");
    band->SetChild(child);
    auto* probe = new TXmlProbe(band);
    probe->SetName("Probe1");
    probe->Caption = "text \"quoted\" <here>";
    probe->Lines->SetText("a\r\nb");
    probe->Link = child;
    const String good = Save(report.get());

    // One report takes every damaged text in turn: each load starts by clearing it, so a load
    // must also survive whatever the failed one before it left behind.
    std::unique_ptr<TpvrReport> target(new TpvrReport(nullptr));
    // No message box and no password prompt: only the reader is under test here.
    target->GetEngineOptions()->SetNewSilentMode(simSilent);
    target->ReloadingAfterRun = true;
    auto tryLoad = [&target](const String& text) {
        TStringStream in(text);
        try {
            target->LoadFromStream(&in);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Invalid file format");
        }
    };
    for (std::size_t cut = 0; cut < good.size(); cut += 3)
        tryLoad(good.substr(0, cut));
    const char flips[] = {'"', '<', '>', '=', '/', ' ', 'Z', '\0', '\xff'};
    for (std::size_t at = 0; at < good.size(); at += 5)
        for (char c : flips) {
            String bad = good;
            bad[at] = c;
            tryLoad(bad);
        }
    tryLoad(
        "<?xml version=\"1.0\"?><TpvrReport><TpvrReportPage Left=\"1e999999\" PropData=\"0\"/></TpvrReport>");
}

TEST_F(pvrXMLSerializerTest, ReportWithDataVariablesAndStylesSavesTheSameBytesAfterALoad) {
    auto makeModule = [] {
        std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
        new TpvrUserDataSet(module.get());
        module->GetComponents(0)->SetName("pvrMainData");
        new TpvrUserDataSet(module.get());
        module->GetComponents(1)->SetName("pvrDataset");
        return module;
    };
    std::unique_ptr<TDataModule> module = makeModule();
    auto* report = new TpvrReport(module.get());
    for (const char* name : {"pvrMainData", "pvrDataset"})
        report->GetDataSets()->Add()->SetDataSetName(name);
    auto* page = new TpvrReportPage(report);
    page->SetName("Page1");
    auto* band = new TpvrMasterData(page);
    band->SetName("MasterData1");
    band->SetDataSetName("pvrDataset");
    report->GetVariables()->SetVariables("Total", Variant(5));
    report->GetVariables()->SetVariables("Caption", Variant("a \"b\" & c"));
    TpvrStyleItem* style = report->GetStyles()->Add();
    style->SetName("Header");
    style->GetFrame()->Width = 2;
    TMemoryStream first;
    report->SaveToStream(&first, true);

    std::unique_ptr<TDataModule> again = makeModule();
    auto* copy = new TpvrReport(again.get());
    first.SetPosition(0);
    copy->LoadFromStream(&first);
    EXPECT_EQ(copy->GetErrors()->GetCount(), 0);
    ASSERT_EQ(copy->GetDataSets()->GetCount(), 2);
    EXPECT_EQ(copy->GetDataset("pvrMainData"), again->FindComponent("pvrMainData"));
    EXPECT_EQ(copy->GetDataset("pvrDataset"), again->FindComponent("pvrDataset"));
    auto* loadedBand = dynamic_cast<TpvrMasterData*>(copy->FindObject("MasterData1"));
    ASSERT_NE(loadedBand, nullptr);
    EXPECT_EQ(loadedBand->GetDataSet(), again->FindComponent("pvrDataset"));
    EXPECT_EQ(VarToStr(copy->GetVariables()->GetVariables("TOTAL")), "5");
    // Items travel as attribute text in a definition: the value comes back as its text.
    EXPECT_TRUE(VarIsStr(copy->GetVariables()->GetVariables("TOTAL")));
    EXPECT_EQ(VarToStr(copy->GetVariables()->GetVariables("caption")), "a \"b\" & c");
    ASSERT_EQ(copy->GetStyles()->GetCount(), 1);
    EXPECT_EQ(copy->GetStyles()->Items(0)->GetName(), "Header");
    EXPECT_EQ(copy->GetStyles()->Items(0)->GetFrame()->Width, 2);

    TMemoryStream second;
    copy->SaveToStream(&second, true);
    ASSERT_EQ(second.GetSize(), first.GetSize());
    String a(size_t(first.GetSize()), '\0'), b(size_t(second.GetSize()), '\0');
    first.SetPosition(0);
    second.SetPosition(0);
    first.ReadBuffer(a.data(), Integer(a.size()));
    second.ReadBuffer(b.data(), Integer(b.size()));
    EXPECT_EQ(a, b);
}

TEST_F(pvrXMLSerializerTest, ReportLoadKeepsHostSettingsAndStoresThePasswordTransformed) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    report->GetEngineOptions()->SetNewSilentMode(simSilent);
    report->GetEngineOptions()->ConvertNulls = false;
    report->GetEngineOptions()->DoublePass = true;
    report->GetPreviewOptions()->Modal = false;
    report->GetPreviewOptions()->OutlineWidth = 200;
    report->GetReportOptions()->Password = "abc";
    report->IniFile = "saved.ini";
    report->ShowProgress = false;
    new TpvrReportPage(report.get());
    TMemoryStream data;
    report->SaveToStream(&data, true);
    EXPECT_EQ(report->GetReportOptions()->Password, "abc");
    String text(size_t(data.GetSize()), '\0');
    data.SetPosition(0);
    data.ReadBuffer(text.data(), Integer(text.size()));
    EXPECT_NE(text.find("ReportOptions.Password=\"WXY\""), String::npos);

    // The host's settings stay; ConvertNulls, DoublePass and the outline come from the file.
    report->GetEngineOptions()->ConvertNulls = true;
    report->GetEngineOptions()->DoublePass = false;
    report->GetPreviewOptions()->Modal = true;
    report->GetPreviewOptions()->OutlineWidth = 120;
    report->IniFile = "host.ini";
    report->ShowProgress = true;
    data.SetPosition(0);
    report->LoadFromStream(&data); // the password counts as entered: no prompt
    EXPECT_EQ(report->ObjectCount(), 1);
    EXPECT_EQ(report->GetReportOptions()->Password, "abc");
    EXPECT_FALSE(report->GetEngineOptions()->ConvertNulls);
    EXPECT_TRUE(report->GetEngineOptions()->DoublePass);
    EXPECT_EQ(report->GetEngineOptions()->GetNewSilentMode(), simSilent);
    EXPECT_TRUE(report->GetPreviewOptions()->Modal);
    EXPECT_EQ(report->GetPreviewOptions()->OutlineWidth, 200);
    EXPECT_EQ(report->IniFile, "host.ini");
    EXPECT_TRUE(report->ShowProgress);

    testsupport::TempDir dir;
    const String missing = dir.Path() + "/none.xml";
    EXPECT_FALSE(report->LoadFromFile(missing));
    EXPECT_EQ(report->ObjectCount(), 0);
    EXPECT_THROW(report->LoadFromFile(missing, true), EFOpenError);
    const String path = dir.Path() + "/r.xml";
    new TpvrReportPage(report.get());
    report->SaveToFile(path);
    std::unique_ptr<TpvrReport> fresh(new TpvrReport(nullptr));
    fresh->GetReportOptions()->EnteredPassword = "abc";
    EXPECT_TRUE(fresh->LoadFromFile(path));
    EXPECT_EQ(fresh->FileName, path);
    EXPECT_EQ(fresh->ObjectCount(), 1);
}

} // namespace
