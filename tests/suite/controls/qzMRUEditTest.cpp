// The recently-used list editor: confirmed texts move to the top of the list, which is cut to
// MaxItemCount; the ellipsis button, its glyph and its event.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzMRUEdit.h"
#include "tests/support/FormFixture.h"

namespace {

struct Log {
    std::vector<std::string> Events;
    bool Allow = true;
    void Editing(TObject*, bool& canEdit) {
        Events.push_back("editing");
        canEdit = Allow;
    }
    void Ellipsis(TObject*) { Events.push_back("ellipsis"); }
};

class MRUEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    TqzMRUEdit* MakeEditor(const std::vector<std::string>& items) {
        auto* editor = new TqzMRUEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 150, 21);
        for (const std::string& item : items)
            editor->GetProperties()->GetLookupItems()->Add(item);
        return editor;
    }
    TqzMRUEdit* FocusedEditor(const std::vector<std::string>& items) {
        TqzMRUEdit* editor = MakeEditor(items);
        Form->Show();
        Pump();
        editor->SetFocus();
        Pump();
        return editor;
    }
    void Pump() { App->ProcessMessages(); }
    static HWND Inner(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetHandle(); }
    void Key(TqzCustomTextEdit* editor, Word key) {
        SendMessageA(Inner(editor), WM_KEYDOWN, key, 0);
        SendMessageA(Inner(editor), WM_KEYUP, key, 0);
        Pump();
    }
    static std::vector<std::string> Items(TqzMRUEdit* editor) {
        std::vector<std::string> items;
        TStringList* list = editor->GetProperties()->GetLookupItems();
        for (Integer i = 0; i < list->GetCount(); ++i)
            items.push_back(list->GetStrings(i));
        return items;
    }
    Log Events;
};

TEST_F(MRUEditTest, AddingARecentItemMovesOrInsertsItAtTheTop) {
    struct Case {
        const char* Name;
        Integer MaxItemCount;
        const char* Text;
        std::vector<std::string> After;
        bool AsksEditing;
    };
    const Case cases[] = {
        {"an item moves up", 0, "b", {"b", "a", "c"}, true},
        {"a new text is inserted and the list cut", 3, "d", {"d", "a", "b"}, true},
        {"a new text without a limit", 0, "d", {"d", "a", "b", "c"}, true},
        {"the first item stays", 0, "a", {"a", "b", "c"}, false},
        {"the list's comparison ignores case", 0, "B", {"b", "a", "c"}, true},
        {"an empty text", 0, "", {"a", "b", "c"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzMRUEdit* editor = MakeEditor({"a", "b", "c"});
        editor->OnEditing = MakeEvent(&Events, &Log::Editing);
        editor->GetProperties()->SetMaxItemCount(c.MaxItemCount);
        Events.Events.clear();
        editor->AddRecentItem(c.Text);
        EXPECT_EQ(c.After, Items(editor));
        EXPECT_EQ(c.AsksEditing, !Events.Events.empty());
        delete editor;
    }
    // A refused edit changes nothing.
    TqzMRUEdit* editor = MakeEditor({"a", "b", "c"});
    editor->OnEditing = MakeEvent(&Events, &Log::Editing);
    Events.Allow = false;
    editor->AddRecentItem("c");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Items(editor));
}

TEST_F(MRUEditTest, MaxItemCountCutsTheListAndIsNeverNegative) {
    TqzMRUEdit* editor = MakeEditor({"a", "b", "c", "d", "e"});
    TqzMRUEditProperties* p = editor->GetProperties();
    EXPECT_EQ(0, p->GetMaxItemCount());
    p->SetMaxItemCount(2);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Items(editor));
    p->SetMaxItemCount(-1);
    EXPECT_EQ(0, p->GetMaxItemCount());
    // Copied with the other settings; the list itself is run-time data.
    TqzMRUEditProperties copy(nullptr);
    p->SetMaxItemCount(4);
    p->SetShowEllipsis(false);
    copy.Assign(p);
    EXPECT_EQ(4, copy.GetMaxItemCount());
    EXPECT_FALSE(copy.GetShowEllipsis());
    EXPECT_TRUE(copy.GetMostRecentListMode());
    TqzMRUEditProperties runtime(nullptr);
    p->CopyRuntimeDataTo(&runtime);
    EXPECT_EQ(2, runtime.GetLookupItems()->GetCount());
}

TEST_F(MRUEditTest, EnterAddsTheTextUnlessTheOpenListHasAChoice) {
    // The list closed: the typed text goes to the top.
    TqzMRUEdit* editor = FocusedEditor({"a", "b", "c"});
    editor->GetProperties()->SetImmediateDropDown(false);
    editor->GetInnerTextEditControl()->SetText("c");
    Key(editor, VK_RETURN);
    EXPECT_EQ((std::vector<std::string>{"c", "a", "b"}), Items(editor));
    // The list open without a chosen item: the text too.
    editor->GetInnerTextEditControl()->SetText("new");
    Key(editor, VK_F4);
    ASSERT_TRUE(editor->HasOpenPopup());
    editor->GetLookupData()->GetList()->SetItemIndex(-1);
    Key(editor, VK_RETURN);
    EXPECT_EQ("new", Items(editor)[0]);
    // The list open with an item stepped to by the arrow keys: stepping reorders nothing, the
    // item chosen with Enter goes up.
    Key(editor, VK_F4);
    ASSERT_TRUE(editor->HasOpenPopup());
    Key(editor, VK_DOWN);
    Key(editor, VK_DOWN);
    EXPECT_EQ((std::vector<std::string>{"new", "c", "a", "b"}), Items(editor));
    TqzCustomEditListBox* list = editor->GetLookupData()->GetList();
    ASSERT_NE(nullptr, list);
    ASSERT_GE(list->GetItemIndex(), 0);
    const std::string chosen = Items(editor)[std::size_t(list->GetItemIndex())];
    Key(editor, VK_RETURN);
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(chosen, Items(editor)[0]);
    EXPECT_EQ(4u, Items(editor).size());
}

TEST_F(MRUEditTest, AMouseChoiceMovesTheItemUpAndArrowStepsDoNot) {
    TqzMRUEdit* editor = FocusedEditor({"a", "b", "c"});
    editor->GetProperties()->SetImmediateDropDown(false);
    Key(editor, VK_DOWN);
    Key(editor, VK_DOWN);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Items(editor)) << "stepping with the popup closed";
    Key(editor, VK_F4);
    ASSERT_TRUE(editor->HasOpenPopup());
    TqzCustomEditListBox* list = editor->GetLookupData()->GetList();
    ASSERT_NE(nullptr, list);
    const Integer row = list->GetListItemHeight(-1);
    SendMessageA(list->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2 * row + row / 2));
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ((std::vector<std::string>{"c", "a", "b"}), Items(editor));
}

TEST_F(MRUEditTest, TheEllipsisButtonCarriesTheGlyphAndFiresItsOwnEvent) {
    TqzMRUEdit* editor = FocusedEditor({"a"});
    TqzMRUEditProperties* p = editor->GetProperties();
    TqzEditButtons* buttons = p->GetButtons();
    ASSERT_EQ(2, buttons->GetCount());
    EXPECT_EQ(bkDown, buttons->GetItem(0)->GetKind());
    EXPECT_EQ(bkEllipsis, buttons->GetItem(1)->GetKind());
    EXPECT_TRUE(buttons->GetItem(1)->GetDefault());
    EXPECT_TRUE(p->GetMostRecentListMode());
    TBitmap glyph;
    glyph.SetSize(7, 7);
    glyph.GetCanvas()->GetBrush()->SetColor(clRed);
    glyph.GetCanvas()->FillRect(TRect{0, 0, 7, 7});
    struct Case {
        bool ShowEllipsis;
        bool Glyph;
        TqzEditButtonKind Button0, Button1;
        bool Button1Visible;
    };
    const Case cases[] = {{true, false, bkDown, bkEllipsis, true},
                          {true, true, bkDown, bkGlyph, true},
                          {false, true, bkGlyph, bkEllipsis, false},
                          {false, false, bkDown, bkEllipsis, false},
                          {true, false, bkDown, bkEllipsis, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ShowEllipsis) + std::to_string(c.Glyph));
        p->SetShowEllipsis(c.ShowEllipsis);
        if (c.Glyph) {
            p->SetButtonGlyph(&glyph);
        } else {
            TBitmap empty;
            p->SetButtonGlyph(&empty);
        }
        p->Changed();
        EXPECT_EQ(c.Button0, buttons->GetItem(0)->GetKind());
        // The hidden ellipsis keeps whatever kind; it shows again as the ellipsis or the glyph.
        if (c.Button1Visible) {
            EXPECT_EQ(c.Button1, buttons->GetItem(1)->GetKind());
        }
        EXPECT_EQ(c.Button1Visible, buttons->GetItem(1)->GetVisible());
    }
    // Only the ellipsis fires the event; the down button opens the list.
    p->OnButtonClick = MakeEvent(&Events, &Log::Ellipsis);
    editor->FireButtonClickEvent(0);
    EXPECT_TRUE(Events.Events.empty());
    editor->FireButtonClickEvent(1);
    EXPECT_EQ(std::vector<std::string>{"ellipsis"}, Events.Events);
    editor->HandleButtonPress(1);
    EXPECT_FALSE(editor->HasOpenPopup());
    editor->HandleButtonPress(0);
    Pump();
    EXPECT_TRUE(editor->HasOpenPopup());
}

} // namespace
