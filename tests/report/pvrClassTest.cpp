#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/IniFiles.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "report/pvrUnicodeUtils.h"
#include "script/kq_iinterpreter.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

// A view for these tests: an alignment code and a wide-string text, as views and memos have.
class TTestMemoView : public TpvrReportComponent {
    KOV_CLASS(TTestMemoView, TpvrReportComponent)
public:
    explicit TTestMemoView(TComponent* owner)
        : TpvrReportComponent(owner), Memo(std::make_unique<TWideStrings>()) {}

    void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
    Integer GetAlignCode() const override { return Align; }
    TWideStrings* GetMemo() const { return Memo.get(); }
    void SetMemo(TWideStrings* value) { Memo->Assign(value); }

    Integer Align = 0;
    std::unique_ptr<TWideStrings> Memo;
};

KOV_PUBLISHED(TTestMemoView) {
    Property("Left", &TpvrComponent::GetLeft, &TpvrComponent::SetLeft);
    Property("Top", &TpvrComponent::GetTop, &TpvrComponent::SetTop);
    Property("Width", &TpvrComponent::GetWidth, &TpvrComponent::SetWidth);
    Property("Height", &TpvrComponent::GetHeight, &TpvrComponent::SetHeight);
    Property("Font", &TpvrComponent::GetFont, &TpvrComponent::SetFont).Stored(&TpvrComponent::IsFontStored);
    Property("ParentFont", &TpvrComponent::GetParentFont, &TpvrComponent::SetParentFont).Default(true);
    Property("Memo", &TTestMemoView::GetMemo, &TTestMemoView::SetMemo);
}

namespace {

const bool kTestClassesRegistered = [] {
    RegisterClasses({TTestMemoView::StaticClass()});
    return true;
}();

class pvrClassTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Report = new TpvrReport(nullptr);
    }
    void TearDown() override {
        delete Report;
        TFormFixture::TearDown();
    }

    TpvrReport* Report = nullptr;
};

String FontName(TpvrComponent* c) { return c->GetFont()->GetName(); }

} // namespace

TEST_F(pvrClassTest, TreeOwnersAndInheritedFonts) {
    auto* page = new TpvrReportPage(Report);
    auto* band = new TpvrMasterData(page);
    auto* memo = new TTestMemoView(band);
    auto* fixed = new TTestMemoView(band);
    auto* inner = new TTestMemoView(fixed);

    EXPECT_EQ(band->GetParent(), page);
    EXPECT_EQ(band->GetOwner(), Report);
    EXPECT_EQ(memo->GetOwner(), Report);
    EXPECT_EQ(page->GetObjects(), (std::vector<TpvrComponent*>{band}));
    EXPECT_EQ(memo->Page(), page);
    EXPECT_EQ(memo->Report(), Report);
    EXPECT_EQ(Report->AllObjects(), (std::vector<TpvrComponent*>{page, band, memo, fixed, inner}));
    EXPECT_EQ(FontName(memo), "Arial");
    EXPECT_TRUE(memo->GetParentFont());

    TFont own;
    own.SetName("Courier New");
    fixed->SetFont(&own);
    EXPECT_FALSE(fixed->GetParentFont());

    TFont pageFont;
    pageFont.SetName("Tahoma");
    pageFont.SetSize(12);
    page->SetFont(&pageFont);
    // Down two levels to the memo; not past the view with a font of its own.
    EXPECT_EQ(FontName(band), "Tahoma");
    EXPECT_EQ(FontName(memo), "Tahoma");
    EXPECT_EQ(memo->GetFont()->GetSize(), 12);
    EXPECT_TRUE(memo->GetParentFont());
    EXPECT_EQ(FontName(fixed), "Courier New");
    EXPECT_EQ(FontName(inner), "Courier New");

    // A new object takes its parent's font; moving it takes the new parent's.
    auto* late = new TTestMemoView(page);
    EXPECT_EQ(FontName(late), "Tahoma");
    late->SetParent(fixed);
    EXPECT_EQ(FontName(late), "Courier New");
    EXPECT_EQ(page->GetObjects(), (std::vector<TpvrComponent*>{band}));

    // A freed object leaves its parent's list; a freed parent frees its children.
    delete memo;
    EXPECT_EQ(band->GetObjects(), (std::vector<TpvrComponent*>{fixed}));
    delete band;
    EXPECT_EQ(Report->AllObjects(), (std::vector<TpvrComponent*>{page}));
    EXPECT_EQ(Report->GetComponentCount(), 1);
}

TEST_F(pvrClassTest, NamesAreUniqueInTheReport) {
    auto* page = new TpvrReportPage(Report);
    auto* one = new TpvrMasterData(page);
    auto* two = new TpvrMasterData(page);
    one->SetName("MasterData1");
    two->SetName("MasterData3");
    try {
        two->SetName("masterdata1");
        ADD_FAILURE() << "renamed onto another object";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, GetResources()->Get("prDupl"));
    }
    EXPECT_EQ(two->GetName(), "MasterData3");
    two->SetName("MASTERDATA3");
    EXPECT_EQ(two->GetName(), "MASTERDATA3");

    auto* third = new TpvrMasterData(page);
    third->CreateUniqueName();
    EXPECT_EQ(third->GetName(), "MasterData2");
    auto* header = new TpvrPageHeader(page);
    header->CreateUniqueName();
    EXPECT_EQ(header->GetName(), "PageHeader1");
    page->CreateUniqueName();
    EXPECT_EQ(page->GetName(), "Page1");
    EXPECT_EQ(Report->FindObject("pageheader1"), header);
    EXPECT_EQ(Report->FindObject("none"), nullptr);
    EXPECT_EQ(TTestMemoView(nullptr).GetBaseName(), "TTestMemo");
}

TEST_F(pvrClassTest, AbsolutePositionsStopAtADialogPage) {
    auto* page = new TpvrReportPage(Report);
    page->SetTop(3);
    auto* band = new TpvrMasterData(page);
    band->SetTop(100);
    band->SetLeft(7);
    auto* view = new TTestMemoView(band);
    view->SetBounds(5, 10, 50, 20);
    EXPECT_EQ(view->AbsTop(), 113);
    EXPECT_EQ(view->AbsLeft(), 12);
    TpvrRect r = view->GetAbsoluteBounds();
    EXPECT_EQ(r.Right, 62);
    EXPECT_EQ(r.Bottom, 133);

    auto* dialog = new TpvrDialogPage(Report);
    dialog->SetTop(40);
    auto* control = new TTestMemoView(dialog);
    control->SetTop(6);
    EXPECT_EQ(control->AbsTop(), 6);

    // BeforePrint and AfterPrint bracket a change of bounds.
    view->BeforePrint();
    view->SetBounds(0, 0, 1, 1);
    view->AfterPrint();
    EXPECT_EQ(view->GetLeft(), 5);
    EXPECT_EQ(view->GetHeight(), 20);
}

TEST_F(pvrClassTest, RestrictionsHoldOnlyForDesignedObjects) {
    auto* page = new TpvrReportPage(Report);
    auto* designed = TpvrComponent::DesignCreate<TTestMemoView>(page, 0);
    auto* plain = new TTestMemoView(page);
    EXPECT_TRUE(designed->IsDesigning);
    EXPECT_FALSE(plain->IsDesigning);
    for (TpvrComponent* c : {static_cast<TpvrComponent*>(designed), static_cast<TpvrComponent*>(plain)}) {
        c->SetBounds(1, 2, 3, 4);
        c->Restrictions = TpvrRestrictions{rfDontMove, rfDontSize};
        c->SetBounds(10, 20, 30, 40);
    }
    EXPECT_EQ(designed->GetLeft(), 1);
    EXPECT_EQ(designed->GetHeight(), 4);
    EXPECT_EQ(plain->GetLeft(), 10);
    EXPECT_EQ(plain->GetHeight(), 40);
}

TEST_F(pvrClassTest, ViewsAlignInsideTheirParent) {
    auto* page = new TpvrReportPage(Report);
    auto* band = new TpvrMasterData(page);
    band->SetBounds(0, 0, 300, 50);
    TpvrComponent* parent = band;
    auto make = [&](Integer align, Extended left, Extended top, Extended width, Extended height) {
        auto* v = new TTestMemoView(parent);
        v->Align = align;
        v->SetBounds(left, top, width, height);
        return v;
    };
    // One row at the top, another below it; neighbours are the views of the same row.
    auto* left1 = make(1, 40, 0, 30, 20);   // baLeft: to the left edge
    auto* left2 = make(1, 90, 5, 20, 20);   // baLeft: against the first
    auto* right = make(2, 200, 0, 50, 20);  // baRight: to the right edge
    auto* stay = make(0, 10, 25, 20, 10);   // not aligned
    auto* width = make(4, 150, 25, 10, 10); // baWidth: from its left neighbour to the edge
    band->AlignChildren();
    EXPECT_EQ(left1->GetLeft(), 0);
    EXPECT_EQ(left2->GetLeft(), 30);
    EXPECT_EQ(right->GetLeft(), 250);
    EXPECT_EQ(stay->GetLeft(), 10);
    EXPECT_EQ(width->GetLeft(), 30);
    EXPECT_EQ(width->GetWidth(), 270);

    auto* other = new TpvrMasterData(page);
    other->SetBounds(0, 60, 300, 50);
    parent = other;
    auto* centre = make(3, 0, 7, 100, 10);
    auto* bottom = make(5, 0, 0, 10, 15);
    other->AlignChildren();
    EXPECT_EQ(centre->GetLeft(), 100);
    EXPECT_EQ(centre->GetTop(), 7);
    EXPECT_EQ(bottom->GetTop(), 35);
    auto* client = make(6, 5, 5, 5, 5);
    other->AlignChildren();
    EXPECT_EQ(client->GetLeft(), 0);
    EXPECT_EQ(client->GetTop(), 0);
    EXPECT_EQ(client->GetWidth(), 300);
    EXPECT_EQ(client->GetHeight(), 50);
    EXPECT_EQ(centre->GetLeft(), 100);
}

TEST_F(pvrClassTest, DiffAttributesListWhatChanged) {
    testsupport::ScopedFormatSettings dot(testsupport::DotSettings());
    auto* page = new TpvrReportPage(Report);
    auto* band = new TpvrMasterData(page);
    band->SetBounds(0, 20, 300, 40);
    auto* copy = new TpvrMasterData(page);
    copy->SetBounds(0, 20, 300, 40);
    EXPECT_EQ(copy->DiffAttributes(band), " t=\"20\"");

    auto* view = new TTestMemoView(band);
    auto* viewCopy = new TTestMemoView(band);
    EXPECT_EQ(viewCopy->DiffAttributes(view), "");
    viewCopy->SetBounds(1.5, 0, 10, 0);
    viewCopy->SetVisible(false);
    viewCopy->SetTag(4);
    TFont font;
    font.SetName("A&B");
    font.SetStyle(TFontStyles{fsBold, fsUnderline});
    font.SetColor(TColor(255));
    viewCopy->SetFont(&font);
    EXPECT_EQ(viewCopy->DiffAttributes(view),
              " l=\"1.5\" w=\"10\" Visible=\"0\" Font.Name=\"A&#38;B\" Font.Size=\"8\" Font.Color=\"255\""
              " Font.Style=\"5\" ParentFont=\"0\" Tag=\"4\"");
    // An aligned view leaves out its left edge.
    viewCopy->Align = 6;
    EXPECT_EQ(viewCopy->DiffAttributes(view).find(" l="), String::npos);
}

TEST_F(pvrClassTest, PaperSizesOrientationAndColumns) {
    auto* page = new TpvrReportPage(Report);
    EXPECT_EQ(page->GetPaperSize(), 9);
    EXPECT_EQ(page->GetPaperWidth(), 210);
    EXPECT_EQ(page->GetPaperHeight(), 297);
    EXPECT_EQ(page->GetWidth(), 794);
    EXPECT_EQ(page->GetHeight(), 1123);
    EXPECT_EQ(page->GetBaseName(), "Page");
    EXPECT_EQ(page->Bin, 7);
    EXPECT_TRUE(page->PrintIfEmpty);

    page->LeftMargin = 10;
    page->RightMargin = 20;
    page->TopMargin = 5;
    page->BottomMargin = 15;
    page->SetOrientation(poLandscape);
    EXPECT_EQ(page->GetPaperWidth(), 297);
    EXPECT_EQ(page->GetPaperHeight(), 210);
    EXPECT_EQ(page->GetWidth(), 1123);
    EXPECT_EQ(
        (std::vector<Extended>{page->LeftMargin, page->RightMargin, page->TopMargin, page->BottomMargin}),
        (std::vector<Extended>{5, 15, 20, 10}));
    page->SetOrientation(poLandscape); // no change
    EXPECT_EQ(page->LeftMargin, 5);
    // A standard paper chosen in landscape comes turned.
    page->SetPaperSize(11);
    EXPECT_EQ(page->GetPaperWidth(), 210);
    EXPECT_EQ(page->GetPaperHeight(), 148);
    page->SetOrientation(poPortrait);
    EXPECT_EQ(
        (std::vector<Extended>{page->LeftMargin, page->RightMargin, page->TopMargin, page->BottomMargin}),
        (std::vector<Extended>{10, 20, 5, 15}));
    EXPECT_EQ(page->GetPaperWidth(), 148);

    page->SetPaperWidth(100);
    EXPECT_EQ(page->GetPaperSize(), 256);
    EXPECT_EQ(page->GetWidth(), 378);
    page->SetPaperSize(256); // custom keeps the sizes
    EXPECT_EQ(page->GetPaperWidth(), 100);
    page->SetPaperSize(1);
    EXPECT_NEAR(double(page->GetPaperWidth()), 215.9, 1e-9);
    EXPECT_NEAR(double(page->GetPaperHeight()), 279.4, 1e-9);

    page->SetPaperSize(9);
    page->LeftMargin = 10;
    page->RightMargin = 10;
    page->SetColumns(2);
    EXPECT_EQ(page->GetColumnWidth(), 95);
    ASSERT_EQ(page->GetColumnPositions()->GetCount(), 2);
    EXPECT_EQ(page->GetColumnPositions()->GetStrings(0), "0");
    EXPECT_EQ(page->GetColumnPositions()->GetStrings(1), "95");
    page->SetColumns(0);
    EXPECT_EQ(page->GetColumnPositions()->GetCount(), 0);

    // The printable area while bands are stretched, the whole paper afterwards.
    auto* header = new TpvrPageHeader(page);
    header->SetBounds(10, 0, 5, 20);
    auto* side = new TpvrMasterData(page);
    side->Vertical = true;
    side->SetBounds(0, 100, 30, 5);
    page->TopMargin = 10;
    page->BottomMargin = 10;
    page->AlignChildren();
    EXPECT_NEAR(double(header->GetWidth()), 190 * 3.77953 - 10, 1e-6);
    EXPECT_NEAR(double(side->GetHeight()), 277 * 3.77953 - 100, 1e-6);
    EXPECT_EQ(page->GetWidth(), 794);
    EXPECT_EQ(page->FindBand(TpvrDataBand::StaticClass()), side);
    EXPECT_EQ(page->FindBand(TpvrFooter::StaticClass()), nullptr);
}

TEST_F(pvrClassTest, BandNumbersAndColumns) {
    auto* page = new TpvrReportPage(Report);
    const std::vector<TpvrBand*> bands = {
        new TpvrReportTitle(page),  new TpvrReportSummary(page), new TpvrPageHeader(page),
        new TpvrPageFooter(page),   new TpvrHeader(page),        new TpvrFooter(page),
        new TpvrMasterData(page),   new TpvrDetailData(page),    new TpvrSubdetailData(page),
        new TpvrDataBand4(page),    new TpvrDataBand5(page),     new TpvrDataBand6(page),
        new TpvrGroupHeader(page),  new TpvrGroupFooter(page),   new TpvrChild(page),
        new TpvrColumnHeader(page), new TpvrColumnFooter(page),  new TpvrOverlay(page)};
    for (Integer i = 0; i < Integer(bands.size()); ++i) {
        EXPECT_EQ(BandNumber(bands[std::size_t(i)]), i) << bands[std::size_t(i)]->ClassName();
        EXPECT_EQ(BandClassOfNumber(i), bands[std::size_t(i)]->ClassType());
    }
    EXPECT_EQ(BandNumber(new TpvrNullBand(page)), 0);
    EXPECT_EQ(BandNumber(new TpvrDataBand(page)), 0);
    EXPECT_TRUE(static_cast<TpvrPageFooter*>(bands[3])->PrintOnLastPage);
    EXPECT_EQ(bands[0]->GetDescription(), "obBand");
    EXPECT_EQ(bands[6]->GetDescription(), "obDataBand");
    EXPECT_EQ(page->GetDescription(), "obRepPage");
    EXPECT_EQ(Report->GetDescription(), "obReport");

    auto* data = static_cast<TpvrDataBand*>(bands[6]);
    data->Columns = 3;
    data->ColumnWidth = 100;
    data->ColumnGap = 10;
    data->SetCurColumn(2);
    EXPECT_EQ(data->GetLeft(), 110);
    data->ColumnValues[0] = 5;
    data->SetCurColumn(3);
    EXPECT_EQ(data->ColumnValues[0], 5);
    data->SetCurColumn(5);
    EXPECT_EQ(data->GetCurColumn(), 1);
    EXPECT_EQ(data->GetLeft(), 0);
    EXPECT_EQ(data->ColumnValues[0], 0);

    // A band's child is forgotten when it is freed.
    bands[2]->SetChild(static_cast<TpvrChild*>(bands[14]));
    delete bands[14];
    EXPECT_EQ(bands[2]->GetChild(), nullptr);
}

namespace {

// A page that places bands on a character grid of 9.6 by 17 pixels.
class TGridPage : public TpvrReportPage {
    KOV_CLASS(TGridPage, TpvrReportPage)
public:
    using TpvrReportPage::TpvrReportPage;
    Extended AlignBandLeft(Extended value) const override { return Round(value / 9.6L) * 9.6L; }
    Extended AlignBandVertical(Extended value) const override { return Extended(Round(value / 17) * 17); }
};

} // namespace

TEST_F(pvrClassTest, BandsTakeTheirPagesGrid) {
    auto* page = new TGridPage(Report);
    auto* band = new TpvrMasterData(page);
    band->SetTop(30);
    band->SetLeft(10);
    band->SetHeight(40);
    EXPECT_EQ(band->GetTop(), 34);
    EXPECT_NEAR(double(band->GetLeft()), 9.6, 1e-12);
    EXPECT_EQ(band->GetHeight(), 34);
}

TEST_F(pvrClassTest, ReportDefaultsAndClear) {
    EXPECT_EQ(Report->GetVersion(), "3.20");
    Report->SetVersion("4.0");
    EXPECT_EQ(Report->GetVersion(), "3.20");
    EXPECT_EQ(Report->IniFile, "\\Software\\Orvant");
    EXPECT_EQ(Report->GetTimer()->GetInterval(), 50u);
    EXPECT_FALSE(Report->GetTimer()->GetEnabled());
    EXPECT_TRUE(Report->GetScript()->HighCharIdentifiers);

    new TpvrReportPage(Report);
    Report->ScriptLanguage = "C++Script";
    Report->GetScriptText()->SetText("x");
    Report->GetSystemVariables()->Clear();
    Report->DotMatrixReport = true;
    Report->OnStartReport = "Start";
    Report->GetPreviewOptions()->Buttons = TpvrPreviewButtons{pbPrint, pbZoom};
    Report->GetPreviewOptions()->Zoom = 2;
    Report->GetPreviewOptions()->OutlineWidth = 300;
    Report->GetPreviewOptions()->OutlineVisible = true;
    Report->GetEngineOptions()->DoublePass = true;
    Report->GetEngineOptions()->MaxMemSize = 20;
    Report->GetPrintOptions()->Copies = 4;
    Report->GetReportOptions()->Password = "secret";
    Report->GetReportOptions()->GetDescription()->Add("text");

    Report->Clear();
    EXPECT_EQ(Report->PagesCount(), 0);
    EXPECT_EQ(Report->ScriptLanguage, "PascalScript");
    ASSERT_EQ(Report->GetScriptText()->GetCount(), 3);
    EXPECT_EQ(Report->GetScriptText()->GetStrings(0), "begin");
    EXPECT_EQ(Report->GetScriptText()->GetStrings(1), "");
    EXPECT_EQ(Report->GetScriptText()->GetStrings(2), "end.");
    EXPECT_EQ(Report->GetSystemVariables()->GetCommaText(),
              "Date,Time,Page,Page#,TotalPages,TotalPages#,Line,Line#");
    EXPECT_FALSE(Report->DotMatrixReport);
    EXPECT_EQ(Report->OnStartReport, "");
    TpvrPreviewOptions* preview = Report->GetPreviewOptions();
    EXPECT_EQ(preview->Buttons, (TpvrPreviewButtons{pbPrint, pbZoom}));
    EXPECT_EQ(preview->Zoom, 2);
    EXPECT_EQ(preview->OutlineWidth, 120);
    EXPECT_FALSE(preview->OutlineVisible);
    EXPECT_FALSE(Report->GetEngineOptions()->DoublePass);
    EXPECT_EQ(Report->GetEngineOptions()->MaxMemSize, 20);
    EXPECT_EQ(Report->GetPrintOptions()->Copies, 1);
    EXPECT_EQ(Report->GetReportOptions()->Password, "");
    EXPECT_EQ(Report->GetReportOptions()->GetDescription()->GetCount(), 0);
}

TEST_F(pvrClassTest, OptionGroupsCopyAndClear) {
    TpvrEngineOptions engine;
    struct Case {
        const char* name;
        TpvrSilentMode set;
        bool silent;
    };
    for (const Case& c : std::vector<Case>{{"message boxes", simMessageBoxes, false},
                                           {"silent", simSilent, true},
                                           {"re-throw", simReThrow, false}}) {
        engine.SetNewSilentMode(c.set);
        EXPECT_EQ(engine.GetSilentMode(), c.silent) << c.name;
    }
    engine.SetSilentMode(true);
    EXPECT_EQ(engine.GetNewSilentMode(), simSilent);
    engine.SetSilentMode(false);
    EXPECT_EQ(engine.GetNewSilentMode(), simMessageBoxes);

    TpvrEngineOptions source;
    source.ReloadAfterRun = false;
    source.ThreadSafeLoading = true;
    source.ConvertNulls = false;
    source.TempDir = "/tmp/x";
    source.SetNewSilentMode(simReThrow);
    engine.Assign(&source);
    EXPECT_TRUE(engine.ReloadAfterRun);
    EXPECT_FALSE(engine.ThreadSafeLoading);
    EXPECT_FALSE(engine.ConvertNulls);
    EXPECT_EQ(engine.TempDir, "/tmp/x");
    EXPECT_EQ(engine.GetNewSilentMode(), simReThrow);
    TpvrPrintOptions print;
    engine.Assign(&print); // another group is ignored
    EXPECT_EQ(engine.TempDir, "/tmp/x");

    // The printer name follows the engine's text of "prDefault".
    TpvrResources* res = GetResources();
    const String saved = res->Get("prDefault");
    EXPECT_EQ(print.Printer, "预设");
    res->SetText("prDefault", "Default");
    print.Printer = "Other";
    print.Clear();
    EXPECT_EQ(print.Printer, "Default");
    res->SetText("prDefault", saved);

    TpvrReportOptions a, b;
    a.Author = "me";
    a.GetDescription()->Add("line");
    a.EnteredPassword = "x";
    a.Password = "p";
    b.Assign(&a);
    EXPECT_EQ(b.Author, "me");
    EXPECT_EQ(b.Password, "p");
    EXPECT_EQ(b.EnteredPassword, "");
    EXPECT_EQ(b.GetDescription()->GetText(), a.GetDescription()->GetText());
    EXPECT_NE(b.GetDescription(), a.GetDescription());
}

TEST(pvrPassword, StoredFormLowersEveryCodeByTen) {
    EXPECT_EQ(EncodePassword("abc"), "WXY");
    EXPECT_EQ(DecodePassword("WXY"), "abc");
    const String bytes("\x00\x05\x09\xFF", 4);
    EXPECT_EQ(DecodePassword(EncodePassword(bytes)), bytes);
    EXPECT_EQ(EncodePassword(String("\x05", 1)), String("\xFB"));
}

TEST_F(pvrClassTest, IniFileIsTheRegistryForSoftwarePathsElseAFile) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv home("HOME", dir.Path().c_str());
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", (dir.Path() + "/config").c_str());
    std::unique_ptr<TCustomIniFile> ini(Report->GetIniFile());
    EXPECT_NE(dynamic_cast<TRegistryIniFile*>(ini.get()), nullptr);
    ini->WriteInteger("Form.TpvrDesignerForm", "Units", 2);
    EXPECT_EQ(ini->ReadInteger("Form.TpvrDesignerForm", "Units", 0), 2);
    Report->IniFile = dir.File("report.ini");
    ini.reset(Report->GetIniFile());
    EXPECT_NE(dynamic_cast<TIniFile*>(ini.get()), nullptr);
    EXPECT_EQ(ini->GetFileName(), dir.File("report.ini"));
    Report->IniFile = "Software\\NoLeadingBackslash";
    ini.reset(Report->GetIniFile());
    EXPECT_NE(dynamic_cast<TIniFile*>(ini.get()), nullptr);
}

// ---- Stored window definitions ------------------------------------------------------------------

namespace {

// The tree as text: class, name, parent and band number of every object.
std::vector<String> Tree(TpvrReport* report) {
    std::vector<String> result;
    for (TpvrComponent* c : report->AllObjects())
        result.push_back(c->ClassName() + " " + c->GetName() + " in " +
                         (c->GetParent() ? c->GetParent()->GetName() : String("-")) + " #" +
                         IntToStr(BandNumber(c)) + (c->GetOwner() == report ? "" : " (foreign owner)"));
    return result;
}

std::unique_ptr<TDataModule> ReadModule(const String& text) {
    std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
    ReadComponentText(text, module.get());
    return module;
}

} // namespace

TEST_F(pvrClassTest, DataModuleDefinitionBuildsTheReportTree) {
    const String text = testsupport::ReadFileBytes(testsupport::FixturePath("report/PrintModule.form"));
    std::unique_ptr<TDataModule> module = ReadModule(text);
    auto* report = dynamic_cast<TpvrReport*>(module->FindComponent("pvrReport"));
    ASSERT_NE(report, nullptr);
    const std::vector<String> expected = {
        "TpvrReportPage Page1 in pvrReport #0",     "TpvrPageHeader PageHeader1 in Page1 #2",
        "TTestMemoView Caption1 in PageHeader1 #0", "TpvrGroupHeader GroupHeader1 in Page1 #12",
        "TpvrMasterData MasterData1 in Page1 #6",   "TTestMemoView AField1 in MasterData1 #0",
        "TpvrPageFooter PageFooter1 in Page1 #3"};
    EXPECT_EQ(Tree(report), expected);

    auto* page = dynamic_cast<TpvrReportPage*>(report->Pages(0));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetPaperSize(), 1);
    EXPECT_NEAR(double(page->GetPaperWidth()), 215.9, 1e-9);
    EXPECT_EQ(page->TopMargin, 2);
    EXPECT_EQ(FontName(page), "宋体");
    EXPECT_EQ(FontName(report->FindObject("MasterData1")), "宋体"); // inherited from the page
    EXPECT_EQ(FontName(report->FindObject("PageFooter1")), "Arial");
    EXPECT_FALSE(report->FindObject("PageFooter1")->GetParentFont());
    auto* group = dynamic_cast<TpvrGroupHeader*>(report->FindObject("GroupHeader1"));
    EXPECT_EQ(group->Condition, "pvrDataset.\"TypeID\"");
    EXPECT_TRUE(group->StartNewPage);
    EXPECT_EQ(report->GetPreviewOptions()->Buttons,
              (TpvrPreviewButtons{pbPrint, pbZoom, pbNavigator, pbExportQuick}));
    EXPECT_EQ(report->GetPrintOptions()->Printer, "Default");
    auto* caption = dynamic_cast<TTestMemoView*>(report->FindObject("Caption1"));
    ASSERT_EQ(caption->Memo->GetCount(), 2);
    EXPECT_EQ(caption->Memo->GetStrings(1), u"中文行");

    // Written and read again: the same tree, the same texts.
    const String written = WriteComponentText(module.get());
    EXPECT_NE(written.find("UTF8"), String::npos);
    std::unique_ptr<TDataModule> again = ReadModule(written);
    auto* report2 = dynamic_cast<TpvrReport*>(again->FindComponent("pvrReport"));
    ASSERT_NE(report2, nullptr);
    EXPECT_EQ(Tree(report2), expected);
    auto* caption2 = dynamic_cast<TTestMemoView*>(report2->FindObject("Caption1"));
    EXPECT_EQ(caption2->Memo->GetText(), caption->Memo->GetText());
    auto* page2 = dynamic_cast<TpvrReportPage*>(report2->Pages(0));
    EXPECT_EQ(page2->GetPaperSize(), 1);
    EXPECT_EQ(page2->GetPaperWidth(), page->GetPaperWidth());
    EXPECT_EQ(page2->BottomMargin, 10);
    EXPECT_EQ(WriteComponentText(again.get()), written);

    // Without StoreInDFM the definition keeps none of the pages.
    report->StoreInDFM = false;
    const String bare = WriteComponentText(module.get());
    EXPECT_EQ(bare.find("TpvrReportPage"), String::npos);
    EXPECT_NE(bare.find("StoreInDFM = False"), String::npos);
}

TEST_F(pvrClassTest, LandscapePagesReadBackAsWritten) {
    auto* page = new TpvrReportPage(Report);
    page->SetName("Page1");
    page->LeftMargin = 10;
    page->RightMargin = 20;
    page->TopMargin = 5;
    page->BottomMargin = 15;
    page->SetOrientation(poLandscape);
    Report->SetName("Rep");
    std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
    module->InsertComponent(Report);
    const String text = WriteComponentText(module.get());
    module->RemoveComponent(Report);
    std::unique_ptr<TDataModule> again = ReadModule(text);
    auto* copy =
        dynamic_cast<TpvrReportPage*>(dynamic_cast<TpvrReport*>(again->FindComponent("Rep"))->Pages(0));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetOrientation(), poLandscape);
    EXPECT_EQ(copy->GetPaperWidth(), 297);
    EXPECT_EQ(copy->GetPaperSize(), 9);
    EXPECT_EQ(
        (std::vector<Extended>{copy->LeftMargin, copy->RightMargin, copy->TopMargin, copy->BottomMargin}),
        (std::vector<Extended>{5, 15, 20, 10}));
}

TEST_F(pvrClassTest, OlderDefinitionsKeepMemoTextsAsStrings) {
    const String text = "object M: TDataModule\n"
                        "  object R: TpvrReport\n"
                        "    object P: TpvrReportPage\n"
                        "      object V: TTestMemoView\n"
                        "        Memo.Strings = (\n"
                        "          'first'\n"
                        "          '第二')\n"
                        "      end\n"
                        "    end\n"
                        "  end\n"
                        "end\n";
    std::unique_ptr<TDataModule> module = ReadModule(text);
    auto* report = dynamic_cast<TpvrReport*>(module->FindComponent("R"));
    ASSERT_NE(report, nullptr);
    auto* view = dynamic_cast<TTestMemoView*>(report->FindObject("V"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Memo->GetText(), u"first\r\n第二\r\n");
    // Written again, the lines go out as "UTF8".
    const String written = WriteComponentText(module.get());
    EXPECT_NE(written.find("Memo.UTF8"), String::npos);
    EXPECT_EQ(written.find("Memo.Strings"), String::npos);
}

TEST_F(pvrClassTest, StartUpInstallsTheEnginesCursors) {
    // The fixture made a report, so the engine has started.
    EXPECT_EQ(Screen->GetCursors(150), LoadCursorA(HInstance, "pvrHAND"));
    EXPECT_EQ(Screen->GetCursors(151), LoadCursorA(HInstance, "pvrZOOM"));
    EXPECT_EQ(Screen->GetCursors(152), LoadCursorA(HInstance, "pvrFORMAT"));
    EXPECT_NE(Screen->GetCursors(150), nullptr);
    EXPECT_NE(Screen->GetCursors(150), Screen->GetCursors(151));
    // The call-back holder starts empty.
    EXPECT_FALSE(bool(QO2Events()->OnGetValue));
    EXPECT_FALSE(bool(QO2Events()->OnLoad));
}
