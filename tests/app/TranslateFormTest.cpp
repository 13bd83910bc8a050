// Form translation: a window's texts replaced from its section of a language file.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "app/AllClass.h"
#include "grid/Tambor.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Strings.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// The section of the test window, with a text for every key the window could ask for: what
// must stay as designed has a text too, so a wrong replacement shows.
const char* const kLanguageFile = "[Language]\n"
                                  "ReadOk=Done\n"
                                  "[fTest]\n"
                                  "fTest.Caption=测试窗口\n"
                                  "lTitle.Caption=标题\n"
                                  "miFile.Caption=文件\n"
                                  "miFile.Hint=menu hint\n"
                                  "bOk.Caption=确定\n"
                                  "bStyled.Caption=样式按钮\n"
                                  "tbNew.Caption=新建\n"
                                  "tbNew.Hint=新建文件\n"
                                  "gvData.0=row title\n"
                                  "gvData.1=接收\n"
                                  "gvData.3=功率\n"
                                  "gvSkip.1=skipped\n"
                                  "cbPower.0=高\n"
                                  "cbPower.1=低\n"
                                  "cbSkip.0=skipped\n"
                                  "cbQT.0=无\n"
                                  "cbQT.1=67.5\n"
                                  "cbWide.0=宽\n"
                                  "cbWide.1=窄\n"
                                  "cbFree.0=甲\n"
                                  "chBox.Caption=复选\n"
                                  "chStyled.Caption=样式复选\n"
                                  "rbPlain.Caption=单选\n"
                                  "rbStyled.Caption=样式单选\n"
                                  "gbGroup.Caption=分组\n"
                                  "lbSel.0=亚音\n"
                                  "lbSel.2=反相\n"
                                  "lbSkip.0=skipped\n"
                                  "pMain.Caption=panel\n"
                                  "stNote.Caption=static\n"
                                  "eName.Caption=edit\n"
                                  "eName.Text=edit\n"
                                  "[fOther]\n"
                                  "lTitle.Caption=other window\n";

class TranslateFormTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        FOldState = std::move(AppState);
        AppState = std::make_unique<TALL>();
        AppState->AppDir = FDir.Path() + "/";
        testsupport::WriteFileBytes(FDir.File("Test.Ini"), kLanguageFile);
        BuildWindow();
    }
    void TearDown() override {
        AppState = std::move(FOldState);
        TFormFixture::TearDown();
    }

    template <class T> T* Place(const char* name, TWinControl* parent = nullptr) {
        auto* control = new T(Form);
        control->SetName(name);
        control->SetParent(parent != nullptr ? parent : Form);
        return control;
    }

    void BuildWindow() {
        Form->SetName("fTest");
        Form->SetCaption("Test Window");
        Place<TLabel>("lTitle")->SetCaption("Title");
        auto* menu = new TMainMenu(Form);
        menu->SetName("mMain");
        auto* file = new TMenuItem(Form);
        file->SetName("miFile");
        file->SetCaption("&File");
        file->SetHint("Menu hint");
        menu->GetItems()->Add(file);
        Place<TButton>("bOk")->SetCaption("OK");
        Place<TqzButton>("bStyled")->SetCaption("Styled");
        auto* bar = Place<TToolBar>("tbar");
        auto* tool = new TToolButton(Form);
        tool->SetName("tbNew");
        tool->SetParent(bar);
        tool->SetCaption("New");
        tool->SetHint("New file");
        for (const char* name : {"gvData", "gvSkip"}) {
            auto* grid = Place<TTambor>(name);
            grid->SetColCount(4);
            grid->SetRowCount(3);
            for (Integer col = 0; col < 4; ++col)
                grid->CellAt(col, 1).ForeText = "T" + IntToStr(col);
            grid->CellAt(1, 2).ForeText = "446.00000";
        }
        FindGrid("gvSkip")->SetTag(-2);
        auto* power = Place<TComboBox>("cbPower");
        power->GetItems()->Add("High");
        power->GetItems()->Add("Low");
        power->SetItemIndex(1);
        auto* skip = Place<TComboBox>("cbSkip");
        skip->GetItems()->Add("Kept");
        skip->SetTag(-2);
        AddStyledCombo("cbQT", {"None", "67.0", "69.3"}, 0)->SetTag(-3);
        AddStyledCombo("cbWide", {"Wide", "Narrow"}, 1);
        // A typed text that is no item: nothing selected, the text stays.
        TqzComboBox* free = AddStyledCombo("cbFree", {"A", "B"}, -1);
        free->SetEditValue(Variant(String("D023I")));
        Place<TCheckBox>("chBox")->SetCaption("Check");
        Place<TqzCheckBox>("chStyled")->SetCaption("Styled check");
        Place<TRadioButton>("rbPlain")->SetCaption("Radio");
        Place<TqzRadioButton>("rbStyled")->SetCaption("Styled radio");
        Place<TGroupBox>("gbGroup")->SetCaption("Group");
        for (const char* name : {"lbSel", "lbSkip"}) {
            auto* list = Place<TListBox>(name);
            for (const char* item : {"CTCSS", "DCS-N", "DCS-I"})
                list->GetItems()->Add(item);
        }
        static_cast<TListBox*>(Form->FindComponent("lbSkip"))->SetTag(-2);
        Place<TPanel>("pMain")->SetCaption("Panel");
        Place<TStaticText>("stNote")->SetCaption("Static");
        Place<TEdit>("eName")->SetText("Edit");
        Form->Show();
        App->ProcessMessages();
    }

    TqzComboBox* AddStyledCombo(const char* name, std::initializer_list<const char*> items, Integer index) {
        auto* combo = Place<TqzComboBox>(name);
        for (const char* item : items)
            combo->GetProperties()->GetItems()->Add(item);
        if (index >= 0) combo->SetItemIndex(index);
        return combo;
    }

    TTambor* FindGrid(const char* name) { return static_cast<TTambor*>(Form->FindComponent(name)); }
    TControl* Control(const char* name) { return static_cast<TControl*>(Form->FindComponent(name)); }

    // Every text of the window the translation could touch, by a name of its own.
    std::map<String, String> Texts() {
        std::map<String, String> texts;
        texts["form"] = Form->GetCaption();
        for (const char* name : {"lTitle", "bOk", "bStyled", "tbNew", "chBox", "chStyled", "rbPlain",
                                 "rbStyled", "gbGroup", "pMain", "stNote", "eName"})
            texts[name] = Control(name)->GetCaption();
        texts["tbNew.Hint"] = Control("tbNew")->GetHint();
        auto* item = static_cast<TMenuItem*>(Form->FindComponent("miFile"));
        texts["miFile"] = item->GetCaption();
        texts["miFile.Hint"] = item->GetHint();
        for (const char* name : {"gvData", "gvSkip"})
            for (Integer col = 0; col < 4; ++col)
                for (Integer row = 0; row < 3; ++row)
                    texts[String(name) + "." + IntToStr(col) + "." + IntToStr(row)] =
                        FindGrid(name)->CellAt(col, row).ForeText;
        for (const char* name : {"cbPower", "cbSkip"}) {
            auto* combo = static_cast<TComboBox*>(Form->FindComponent(name));
            texts[name] = Items(combo->GetItems());
            texts[String(name) + ".ItemIndex"] = IntToStr(combo->GetItemIndex());
            texts[String(name) + ".Tag"] = IntToStr(combo->GetTag());
            texts[String(name) + ".Text"] = combo->GetText();
        }
        for (const char* name : {"cbQT", "cbWide", "cbFree"}) {
            auto* combo = static_cast<TqzComboBox*>(Form->FindComponent(name));
            texts[name] = Items(combo->GetProperties()->GetItems());
            texts[String(name) + ".ItemIndex"] = IntToStr(combo->GetItemIndex());
            texts[String(name) + ".Tag"] = IntToStr(combo->GetTag());
            texts[String(name) + ".Text"] = combo->GetText();
        }
        for (const char* name : {"lbSel", "lbSkip"})
            texts[name] = Items(static_cast<TListBox*>(Form->FindComponent(name))->GetItems());
        return texts;
    }

    // The items of a list, each followed by "|".
    static String Items(TStrings* items) {
        String joined;
        for (Integer i = 0; i < items->GetCount(); ++i)
            joined += items->GetStrings(i) + "|";
        return joined;
    }

    testsupport::TempDir FDir;
    std::unique_ptr<TALL> FOldState;
};

TEST_F(TranslateFormTest, ReplacesTheTextsOfEachKindFromTheWindowsSection) {
    // What changes, with and without lists; everything else keeps its design text.
    struct Change {
        const char* Text;
        const char* WithLists;    // nullptr: as designed
        const char* WithoutLists; // nullptr: as designed
    };
    const Change changes[] = {
        {"form", "测试窗口", "测试窗口"},
        {"lTitle", "标题", "标题"},
        {"miFile", "文件", "文件"}, // the caption only, not the hint
        {"bOk", "确定", "确定"},
        {"bStyled", "样式按钮", "样式按钮"},
        {"tbNew", "新建", "新建"},
        {"tbNew.Hint", "新建文件", "新建文件"},
        // Column titles (row 1) by column number, with or without lists; not the title column.
        {"gvData.1.1", "接收", "接收"},
        {"gvData.3.1", "功率", "功率"},
        // Every item, the selected one kept and shown; the saved index stays in the Tag.
        {"cbPower", "高|低|", nullptr},
        {"cbPower.Text", "低", nullptr},
        {"cbPower.Tag", "1", nullptr},
        // Tag -3: item 0 only, and the Tag comes back.
        {"cbQT", "无|67.0|69.3|", nullptr},
        {"cbQT.Text", "无", nullptr},
        {"cbWide", "宽|窄|", nullptr},
        {"cbWide.Text", "窄", nullptr},
        {"cbWide.Tag", "1", nullptr},
        // Nothing selected: the index -1 rides in the Tag, the typed text stays.
        {"cbFree", "甲|B|", nullptr},
        {"cbFree.Tag", "-1", nullptr},
        {"chBox", "复选", "复选"},
        {"chStyled", "样式复选", "样式复选"},
        {"rbPlain", "单选", "单选"},
        {"rbStyled", "样式单选", "样式单选"},
        {"gbGroup", "分组", "分组"},
        // List boxes are translated with or without lists.
        {"lbSel", "亚音|DCS-N|反相|", "亚音|DCS-N|反相|"},
    };
    for (bool withLists : {true, false}) {
        SCOPED_TRACE(withLists ? "with lists" : "without lists");
        TearDown();
        SetUp();
        std::map<String, String> expected = Texts();
        for (const Change& change : changes) {
            ASSERT_TRUE(expected.count(change.Text)) << change.Text;
            const char* text = withLists ? change.WithLists : change.WithoutLists;
            if (text != nullptr) expected[change.Text] = text;
        }
        EXPECT_EQ(1, TranslateForm(Form, "Test", withLists));
        const std::map<String, String> texts = Texts();
        for (const auto& [name, text] : expected)
            EXPECT_EQ(text, texts.at(name)) << name;
    }
}

TEST_F(TranslateFormTest, AMissingFileOrSectionChangesNothing) {
    struct Case {
        const char* Language;
        const char* Window;
    } cases[] = {{"Missing", "fTest"}, {"Test", "fNowhere"}, {"", "fTest"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Language) + "/" + c.Window);
        TearDown();
        SetUp();
        Form->SetName(c.Window);
        std::map<String, String> expected = Texts();
        expected["form"] = Form->GetCaption();
        EXPECT_EQ(1, TranslateForm(Form, c.Language, true));
        std::map<String, String> texts = Texts();
        // Only the Tag of a list box that is neither excluded nor marked records its index.
        for (const char* name : {"cbPower", "cbWide", "cbFree"}) {
            const String tag = String(name) + ".Tag";
            EXPECT_EQ(texts[String(name) + ".ItemIndex"], texts[tag]) << name;
            texts[tag] = expected[tag];
        }
        EXPECT_EQ(expected, texts);
    }
}

// Windows take the texts of the selected language unless it is the design language (English,
// whose file holds the design texts), whatever its place in the language list; no language
// selected (an index past the list) leaves the design texts.
TEST_F(TranslateFormTest, EveryLanguageButTheDesignLanguageTranslatesTheWindows) {
    const struct {
        const char* Name;
        Integer Index;
        bool Translated;
    } cases[] = {
        {"Chinese", 0, true}, {"English", 1, false}, {"english", 1, false}, {"English", 0, false},
        {"Chinese", 1, true}, {"French", 2, true},   {"", 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " " + std::to_string(c.Index));
        AppState->LanguageName = c.Name;
        AppState->LanguageIndex = c.Index;
        EXPECT_EQ(WindowsNeedTranslation(), c.Translated);
    }
}

} // namespace
