#include "app/ToneOption.h"

#include "app/AllClass.h"
#include "platform/runtime/Strings.h"

namespace {

template <typename T> T* Find(TComponent* owner, const char* name) {
    T* component = dynamic_cast<T*>(owner->FindComponent(name));
    if (component == nullptr) throw EComponentError(String("Component ") + name + " is missing");
    return component;
}

// Cell property codes of the grid.
constexpr Integer kAlignCode = 1;
constexpr Integer kTopLineCode = 5;
constexpr Integer kBottomLineCode = 8;
constexpr Integer kColorCode = 19;
constexpr Integer kFontStyleCode = 22;

// The code table's layout: 42 CTCSS entries (and three empty ones) from item 0, 85 DCS entries
// (and three empty ones) from item 45.
constexpr Integer kCtcssGroups = 5;
constexpr Integer kCtcssRows = 9;
constexpr Integer kDcsFirst = 45;
constexpr Integer kDcsPairs = 8;
constexpr Integer kDcsRows = 11;

constexpr TColor kCtcssIndexColor = TColor(249 | (141 << 8) | (227 << 16));
constexpr TColor kCtcssDesignationColor = TColor(225 | (249 << 8) | (112 << 16));
constexpr TColor kDcsNumberColor = TColor(47 | (231 << 8) | (220 << 16));

// The back text marking a column of tones or codes, in row 1.
const String kChoiceColumn = "1";

void PrepareGrid(TTambor* grid) {
    grid->SetAutoUpdate(false);
    grid->SetShowPopup(false);
    grid->SetGridCanCopyMove(false);
    grid->SetGridCanFill(false);
}

void FinishGrid(TTambor* grid) {
    grid->SetAllCellProperty(kAlignCode, Integer(TAlignMode::taCenter));
    for (Integer code = kTopLineCode; code <= kBottomLineCode; ++code)
        grid->SetAllCellProperty(code, 1);
    grid->SetAutoUpdate(true);
}

void SetCellText(TTambor* grid, Integer col, Integer row, const String& text) {
    grid->CellAt(col, row).ForeText = text;
}

} // namespace

TfToneOption::TfToneOption(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    gbVoice = Find<TGroupBox>(this, "gbVoice");
    rCTCSS = Find<TqzRadioButton>(this, "rCTCSS");
    rDCSN = Find<TqzRadioButton>(this, "rDCSN");
    rDCSI = Find<TqzRadioButton>(this, "rDCSI");
    gbList = Find<TGroupBox>(this, "gbList");
    gvCtcss = Find<TTambor>(this, "gvCtcss");
    gvDcsN = Find<TTambor>(this, "gvDcsN");
    gvDcsI = Find<TTambor>(this, "gvDcsI");
    lbSel = Find<TListBox>(this, "lbSel");
    lbValue = Find<TListBox>(this, "lbValue");
}

void TfToneOption::ParseToneEntry(const String& entry, String& first, String& middle, String& last) {
    first.clear();
    middle.clear();
    last.clear();
    if (entry.empty()) return;
    const std::size_t dash = entry.find('-');
    first = entry.substr(0, dash);
    const String rest = dash == String::npos ? String() : entry.substr(dash + 1);
    const std::size_t second = rest.find('-');
    if (second == String::npos) {
        middle = rest;
        last = rest;
    } else {
        middle = rest.substr(0, second);
        last = rest.substr(second + 1);
    }
}

void TfToneOption::BuildToneGrids() {
    TStrings* entries = lbValue->GetItems();
    auto entryAt = [entries](Integer index) {
        return index < entries->GetCount() ? entries->GetStrings(index) : String();
    };
    String first, middle, last;

    PrepareGrid(gvCtcss);
    for (Integer g = 1; g <= kCtcssGroups; ++g) {
        const Integer indexCol = 3 * g - 2, toneCol = 3 * g - 1, designationCol = 3 * g;
        gvCtcss->SetColumnWidthAt(indexCol, 32);
        gvCtcss->SetColumnWidthAt(toneCol, 43);
        gvCtcss->SetColumnWidthAt(designationCol, 32);
        gvCtcss->CellAt(toneCol, 1).BackText = kChoiceColumn;
        gvCtcss->SetColumnCellProperty(indexCol, kColorCode, Integer(kCtcssIndexColor));
        gvCtcss->SetColumnCellProperty(toneCol, kColorCode, Integer(clWhite));
        gvCtcss->SetColumnCellProperty(designationCol, kColorCode, Integer(kCtcssDesignationColor));
        gvCtcss->SetColumnCellProperty(toneCol, kFontStyleCode, TFontStyles{fsBold});
        for (Integer r = 1; r <= kCtcssRows; ++r) {
            ParseToneEntry(entryAt(kCtcssRows * (g - 1) + (r - 1)), first, middle, last);
            SetCellText(gvCtcss, indexCol, r, first);
            SetCellText(gvCtcss, toneCol, r, middle);
            SetCellText(gvCtcss, designationCol, r, last);
        }
    }
    FinishGrid(gvCtcss);

    PrepareGrid(gvDcsN);
    PrepareGrid(gvDcsI);
    for (Integer p = 1; p <= kDcsPairs; ++p) {
        const Integer numberCol = 2 * p - 1, codeCol = 2 * p;
        for (TTambor* grid : {gvDcsN, gvDcsI}) {
            grid->SetColumnWidthAt(numberCol, 25);
            grid->SetColumnWidthAt(codeCol, 43);
            grid->CellAt(codeCol, 1).BackText = kChoiceColumn;
            grid->SetColumnCellProperty(numberCol, kColorCode, Integer(kDcsNumberColor));
            grid->SetColumnCellProperty(codeCol, kColorCode, Integer(clWhite));
            grid->SetColumnCellProperty(codeCol, kFontStyleCode, TFontStyles{fsBold});
        }
        for (Integer r = 1; r <= kDcsRows; ++r) {
            ParseToneEntry(entryAt(kDcsFirst + kDcsRows * (p - 1) + (r - 1)), first, middle, last);
            SetCellText(gvDcsN, numberCol, r, first);
            SetCellText(gvDcsI, numberCol, r, first);
            SetCellText(gvDcsN, codeCol, r, middle.empty() ? middle : middle + "N");
            SetCellText(gvDcsI, codeCol, r, middle.empty() ? middle : middle + "I");
        }
    }
    FinishGrid(gvDcsN);
    FinishGrid(gvDcsI);
}

void TfToneOption::FormShow(TObject*) {
    BuildToneGrids();
    ChosenTone.clear();
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, false);
    rCTCSSClick(this);
}

void TfToneOption::rCTCSSClick(TObject* sender) {
    gbList->SetEnabled(false);
    gvCtcss->SetVisible(rCTCSS->GetChecked());
    gvDcsN->SetVisible(rDCSN->GetChecked());
    gvDcsI->SetVisible(rDCSI->GetChecked());
    const Integer tag = sender != nullptr ? static_cast<TComponent*>(sender)->GetTag() : 0;
    TStrings* titles = lbSel->GetItems();
    if (tag >= 0 && tag < titles->GetCount()) gbList->SetCaption(titles->GetStrings(tag));
    gbList->SetEnabled(true);
}

void TfToneOption::ChooseFrom(TTambor* grid) {
    const Integer col = grid->GetCol(), row = grid->GetRow();
    if (col < 1 || col >= grid->GetColCount() || row < 1 || row >= grid->GetRowCount()) return;
    if (grid->ReadBackText(col, 1) != kChoiceColumn) return;
    ChosenTone = grid->ReadForeText(col, row);
    Close();
}

void TfToneOption::gvCtcssDblClick(TObject*) { ChooseFrom(gvCtcss); }
void TfToneOption::gvDcsNDblClick(TObject*) { ChooseFrom(gvDcsN); }
void TfToneOption::gvDcsIDblClick(TObject*) { ChooseFrom(gvDcsI); }

KOV_PUBLISHED(TfToneOption) {
    Method("FormShow", &TfToneOption::FormShow);
    Method("rCTCSSClick", &TfToneOption::rCTCSSClick);
    Method("gvCtcssDblClick", &TfToneOption::gvCtcssDblClick);
    Method("gvDcsNDblClick", &TfToneOption::gvDcsNDblClick);
    Method("gvDcsIDblClick", &TfToneOption::gvDcsIDblClick);
}

namespace {
const bool kToneOptionRegistered = (RegisterClasses({TfToneOption::StaticClass()}), true);
}
