// Form translation: a window's texts replaced from its section of a language file.
#include "app/AllClass.h"

#include <algorithm>

#include "grid/Tambor.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Profile.h"
#include "platform/runtime/Strings.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

constexpr Integer kExcluded = -2;      // Tag of a grid or list left as designed
constexpr Integer kFirstItemOnly = -3; // Tag of a tone list: only its "None" item

class TTranslator {
public:
    TTranslator(const String& fileName, const String& section) : FFileName(fileName), FSection(section) {}

    // The text under "<name><suffix>", or the current text when there is none.
    String Text(const String& name, const String& suffix, const String& current) const {
        return ReadProfileString(FSection, name + suffix, current, FFileName);
    }

    void Caption(TControl* control) {
        control->SetCaption(Text(control->GetName(), ".Caption", control->GetCaption()));
    }

    // Items 0..count-1 of a list, by "<name>.<index>".
    void Items(const String& name, TStrings* items, Integer count) {
        for (Integer i = 0; i < count; ++i) {
            const String current = items->GetStrings(i);
            const String text = Text(name, "." + IntToStr(i), current);
            if (text != current) items->SetStrings(i, text);
        }
    }

    // A combo box's items with its item index kept: the index rides in the box's Tag while the
    // items change, and stays there afterwards unless the box is marked for its first item only.
    template <class TBox>
    void ComboItems(TBox* box, TStrings* items, Integer (*getIndex)(TBox*),
                    void (*setIndex)(TBox*, Integer)) {
        const bool firstOnly = box->GetTag() == kFirstItemOnly;
        box->SetTag(getIndex(box));
        Items(box->GetName(), items, firstOnly ? std::min<Integer>(1, items->GetCount()) : items->GetCount());
        // Setting the index again shows the item's new text. A box without a selected item keeps
        // its text as it stands: a tone typed into a list editor is not one of its items.
        if (box->GetTag() >= 0) setIndex(box, box->GetTag());
        if (firstOnly) box->SetTag(kFirstItemOnly);
    }

    void Grid(TCustomTambor* grid) {
        const String& name = grid->GetName();
        if (grid->GetRowCount() < 2) return;
        bool changed = false;
        for (Integer col = 1; col < grid->GetColCount(); ++col) {
            TCellInfo& cell = grid->CellAt(col, 1);
            const String text = Text(name, "." + IntToStr(col), cell.ForeText);
            if (text == cell.ForeText) continue;
            cell.ForeText = text;
            changed = true;
        }
        if (changed) grid->RepaintRow(1);
    }

private:
    String FFileName;
    String FSection;
};

Integer ClassicComboIndex(TCustomComboBox* box) { return box->GetItemIndex(); }
void SetClassicComboIndex(TCustomComboBox* box, Integer index) { box->SetItemIndex(index); }
Integer StyledComboIndex(TqzCustomComboBox* box) { return box->GetItemIndex(); }
void SetStyledComboIndex(TqzCustomComboBox* box, Integer index) { box->SetItemIndex(index); }

} // namespace

const char* const DesignLanguage = "English";

bool WindowsNeedTranslation() {
    const String& name = AppState->LanguageName;
    return !name.empty() && !SameText(name, DesignLanguage);
}

Integer TranslateForm(TCustomForm* form, const String& languageName, bool withLists) {
    TTranslator translator(AppState->AppDir + languageName + ".Ini", form->GetName());
    form->SetCaption(translator.Text(form->GetName(), ".Caption", form->GetCaption()));

    for (Integer i = 0; i < form->GetComponentCount(); ++i) {
        TComponent* component = form->GetComponents(i);
        const String& name = component->GetName();
        if (auto* label = dynamic_cast<TCustomLabel*>(component)) {
            translator.Caption(label);
        } else if (auto* item = dynamic_cast<TMenuItem*>(component)) {
            item->SetCaption(translator.Text(name, ".Caption", item->GetCaption()));
        } else if (auto* button = dynamic_cast<TButton*>(component)) {
            translator.Caption(button);
        } else if (auto* toolButton = dynamic_cast<TToolButton*>(component)) {
            translator.Caption(toolButton);
            toolButton->SetHint(translator.Text(name, ".Hint", toolButton->GetHint()));
        } else if (auto* grid = dynamic_cast<TCustomTambor*>(component)) {
            if (grid->GetTag() != kExcluded) translator.Grid(grid);
        } else if (auto* combo = dynamic_cast<TCustomComboBox*>(component)) {
            if (withLists && combo->GetTag() != kExcluded)
                translator.ComboItems(combo, combo->GetItems(), &ClassicComboIndex, &SetClassicComboIndex);
        } else if (auto* styledCombo = dynamic_cast<TqzCustomComboBox*>(component)) {
            if (withLists && styledCombo->GetTag() != kExcluded)
                translator.ComboItems(styledCombo, styledCombo->GetComboProperties()->GetItems(),
                                      &StyledComboIndex, &SetStyledComboIndex);
        } else if (auto* checkBox = dynamic_cast<TCustomCheckBox*>(component)) {
            translator.Caption(checkBox);
        } else if (auto* styledCheckBox = dynamic_cast<TqzCustomCheckBox*>(component)) {
            translator.Caption(styledCheckBox);
        } else if (auto* radio = dynamic_cast<TRadioButton*>(component)) {
            translator.Caption(radio);
        } else if (auto* group = dynamic_cast<TCustomGroupBox*>(component)) {
            translator.Caption(group);
        } else if (auto* list = dynamic_cast<TCustomListBox*>(component)) {
            if (list->GetTag() != kExcluded)
                translator.Items(name, list->GetItems(), list->GetItems()->GetCount());
        }
    }
    return 1;
}
