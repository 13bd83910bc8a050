#include <gtest/gtest.h>

#include <memory>

#include "grid/Tambor.h"
#include "platform/classlib/FormDefs.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/TypInfo.h"

namespace {

// Writes the grid as a root component and reads it back as a new one.
std::unique_ptr<TTambor> RoundTrip(TTambor& grid, String* bytes = nullptr) {
    TMemoryStream stream;
    {
        TWriter writer(&stream);
        writer.WriteRootComponent(&grid);
    }
    if (bytes) {
        bytes->resize(std::size_t(stream.GetSize()));
        stream.SetPosition(0);
        stream.ReadBuffer(bytes->data(), Integer(bytes->size()));
    }
    stream.SetPosition(0);
    TReader reader(&stream);
    TComponent* read = reader.ReadRootComponent(nullptr);
    std::unique_ptr<TTambor> copy(dynamic_cast<TTambor*>(read));
    if (!copy) delete read;
    return copy;
}

TEST(TamborStreamTest, ColumnWidthsAndRowHeightsAreStoredAndReadBack) {
    TTambor grid(nullptr);
    grid.SetName("gvData");
    grid.SetColCount(6);
    grid.SetRowCount(7);
    grid.SetColumnWidthAt(1, 60);
    grid.SetColumnWidthAt(3, -1); // a hidden column stays hidden
    grid.SetColumnWidthAt(5, 120);
    grid.SetRowHeightAt(2, 22);
    grid.SetDefaultRowHeight(20); // the table keeps its entries

    String bytes;
    std::unique_ptr<TTambor> copy = RoundTrip(grid, &bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(bytes.find("ColWidths"), String::npos);
    EXPECT_NE(bytes.find("RowHeights"), String::npos);
    EXPECT_EQ(copy->GetName(), "gvData");
    ASSERT_EQ(copy->GetColCount(), 6);
    ASSERT_EQ(copy->GetRowCount(), 7);
    EXPECT_EQ(copy->GetDefaultRowHeight(), 20);
    for (Integer col = 0; col < 6; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(copy->ColumnWidthAt(col), grid.ColumnWidthAt(col));
    }
    for (Integer row = 0; row < 7; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(copy->RowHeightAt(row), grid.RowHeightAt(row));
    }
    EXPECT_EQ(copy->ColumnWidthAt(3), -1);
    EXPECT_EQ(copy->RowHeightAt(2), 22);
    EXPECT_EQ(copy->RowHeightAt(6), 30);
}

TEST(TamborStreamTest, NoSizeTableNoStoredSizes) {
    TTambor grid(nullptr);
    grid.SetColCount(3);
    grid.SetDefaultColWidth(50);
    String bytes;
    std::unique_ptr<TTambor> copy = RoundTrip(grid, &bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(bytes.find("ColWidths"), String::npos);
    EXPECT_EQ(bytes.find("RowHeights"), String::npos);
    EXPECT_EQ(copy->ColumnWidthAt(2), 50);
    EXPECT_EQ(copy->RowHeightAt(2), 30);
}

TEST(TamborStreamTest, PublishedPropertiesRoundTrip) {
    TTambor grid(nullptr);
    grid.SetColCount(11);
    grid.SetRowCount(18);
    grid.SetFixedCols(1);
    grid.SetFixedRows(1);
    grid.SetOptions(TTamborOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing,
                                   goEditing, goThumbTracking});
    grid.SetShowColTitle(false);
    grid.SetShowRowTitle(false);
    grid.SetFocusedTitleColor(clCream);
    grid.SetGridCanCopyMove(false);
    grid.SetShowPopup(false);
    grid.SetCellAllowNegative(false);
    grid.SetCellAlignMode(TAlignMode::taCenter);
    grid.SetCellFontStyle(TFontStyles{fsBold});

    std::unique_ptr<TTambor> copy = RoundTrip(grid);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetColCount(), 11);
    EXPECT_EQ(copy->GetRowCount(), 18);
    EXPECT_EQ(copy->GetFixedCols(), 1);
    EXPECT_EQ(copy->GetFixedRows(), 1);
    EXPECT_EQ(copy->GetOptions(), grid.GetOptions());
    EXPECT_FALSE(copy->GetShowColTitle());
    EXPECT_FALSE(copy->GetShowRowTitle());
    EXPECT_EQ(copy->GetFocusedTitleColor(), clCream);
    EXPECT_FALSE(copy->GetGridCanCopyMove());
    EXPECT_TRUE(copy->GetGridCanFill());
    EXPECT_FALSE(copy->GetShowPopup());
    EXPECT_FALSE(copy->GetCellAllowNegative());
    EXPECT_EQ(copy->GetCellAlignMode(), TAlignMode::taCenter);
    EXPECT_EQ(copy->CellAt(10, 17).AlignMode, TAlignMode::taCenter);
    EXPECT_EQ(copy->GetCellFontStyle(), TFontStyles{fsBold});
}

TEST(TamborStreamTest, PublishedNamesAndDefaults) {
    EXPECT_EQ(FindClass("TTambor"), TTambor::StaticClass());
    TTambor grid(nullptr);
    EXPECT_EQ(GetOrdProp(&grid, "ColCount"), 5);
    EXPECT_EQ(GetOrdProp(&grid, "VisibleColCount"), grid.GetVisibleColCount());
    EXPECT_EQ(GetEnumProp(&grid, "CellDataStyle"), "dsText");
    EXPECT_EQ(GetEnumProp(&grid, "ScrollBars"), "ssBoth");
    EXPECT_EQ(GetSetProp(&grid, "Options"),
              "[goFixedVertLine,goFixedHorzLine,goVertLine,goHorzLine,goRangeSelect]");
    EXPECT_EQ(GetPropInfo(&grid, "CellColor")->PropType->Name, "TColor");
    for (const char* name :
         {"ColCount", "Options", "CellZeroNull", "CellThousandSep", "TitleColor", "AutoUpdate"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsDefaultPropValue(&grid, GetPropInfo(&grid, name)));
    }
    SetPropText(&grid, "RowCount", "12");
    SetEnumProp(&grid, "CellAlignMode", "taRight");
    EXPECT_EQ(grid.GetRowCount(), 12);
    EXPECT_EQ(grid.CellAt(4, 11).AlignMode, TAlignMode::taRight);
    EXPECT_TRUE(IsPublishedProp(&grid, "OnSetForeText"));
    EXPECT_FALSE(IsPublishedProp(&grid, "CellFontName"));
}

// A form-like root whose published method the stored events name.
class TGridHost : public TComponent {
    KOV_CLASS(TGridHost, TComponent)
public:
    explicit TGridHost(TComponent* owner) : TComponent(owner) {}
    ~TGridHost() override { DestroyComponents(); }
    void GridEvent(TObject*) {}
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (Integer i = 0; i < GetComponentCount(); ++i)
            proc(GetComponents(i));
    }
};

} // namespace

KOV_PUBLISHED(TGridHost) { Method("GridEvent", &TGridHost::GridEvent); }

namespace {

const bool kHostRegistered = (RegisterClasses({TGridHost::StaticClass()}), true);

TEST(TamborStreamTest, DefinitionsNamingTheStoredOnlyEventsRead) {
    const std::vector<String> names = {"BeforeSetCellProp", "AfterSetCellProp", "OnInsertCol",
                                       "OnInsertRow",       "OnDeleteCol",      "OnDeleteRow",
                                       "OnInsertCellRight", "OnInsertCellDown", "OnDeleteCellRight",
                                       "OnDeleteCellDown",  "OnPasteCells",     "OnCutCells"};
    String text = "object Host: TGridHost\n  object Grid: TTambor\n";
    for (const String& name : names)
        text += "    " + name + " = GridEvent\n";
    text += "  end\nend\n";
    ASSERT_TRUE(kHostRegistered);
    TGridHost host(nullptr);
    ASSERT_EQ(ReadComponentText(text, &host), &host);
    auto* grid = dynamic_cast<TTambor*>(host.FindComponent("Grid"));
    ASSERT_NE(grid, nullptr);
    for (const String& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(IsPublishedProp(grid, name));
        const TMethod method = GetMethodProp(grid, name);
        EXPECT_EQ(method.Object, &host);
        EXPECT_EQ(PublishedMethodName(method), "GridEvent");
    }
    // The host's definition is written with them and reads again.
    const String written = WriteComponentText(&host);
    for (const String& name : names)
        EXPECT_NE(written.find(name + " = GridEvent"), String::npos) << name;
    TGridHost again(nullptr);
    EXPECT_EQ(ReadComponentText(written, &again), &again);
}

} // namespace
