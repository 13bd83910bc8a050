// Combo boxes on a form: items kept before the window and over its recreation, the list dropped
// and closed by every gesture with the control's events, typing with auto-completion in the edit
// field, the edit field's keys and focus belonging to the combo, owner-drawn items, definitions,
// and a sheet of every style with one list dropped.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinComboBox.h"
#include "platform/winapi/WinListBox.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// What the combo's events report, in order.
struct TComboLog : TObject {
    std::vector<std::string> Events;
    std::vector<Integer> Measured;
    std::vector<std::pair<Integer, TOwnerDrawState>> Drawn;
    void Change(TObject*) { Events.push_back("change"); }
    void Select(TObject*) { Events.push_back("select"); }
    void DropDown(TObject*) { Events.push_back("dropdown"); }
    void CloseUp(TObject*) { Events.push_back("closeup"); }
    void KeyPress(TObject*, char32_t& key) {
        Events.push_back("key " + std::string(1, char(key)));
        if (key == '#') key = 0; // swallowed by the program
    }
    void Enter(TObject*) { Events.push_back("enter"); }
    void Measure(TWinControl*, Integer index, Integer& height) {
        Measured.push_back(index);
        height = 18 + 4 * index;
    }
    void Draw(TWinControl* control, Integer index, TRect rect, TOwnerDrawState state) {
        Drawn.emplace_back(index, state);
        auto* combo = static_cast<TComboBox*>(control);
        combo->GetCanvas()->FillRect(rect);
        combo->GetCanvas()->TextOut(rect.left + 4, rect.top + 1, combo->GetItems()->GetStrings(index));
    }
};

class ComboBoxCtlTest : public testsupport::TFormFixture {
protected:
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
    }
    void ClickAtScreen(POINT p) {
        WinInputMouseMove(p);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        App->ProcessMessages();
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        App->ProcessMessages();
    }
    void Key(UINT key, bool alt = false) {
        if (alt) WinInputKey(VK_MENU, false, true);
        WinInputKey(key, false, true);
        App->ProcessMessages();
        WinInputKey(key, false, false);
        if (alt) WinInputKey(VK_MENU, false, false);
        App->ProcessMessages();
    }
    void Type(const std::u32string& text) {
        WinInputText(text);
        App->ProcessMessages();
    }
    TComboBox* MakeCombo(TComboBoxStyle style, std::initializer_list<const char*> items, int x = 10, int y = 10) {
        auto* combo = new TComboBox(Form);
        combo->SetParent(Form);
        combo->SetStyle(style);
        combo->SetBounds(x, y, 150, 24);
        for (const char* item : items) combo->GetItems()->Add(item);
        combo->OnChange = TNotifyEvent(&Log, &TComboLog::Change);
        combo->OnSelect = TNotifyEvent(&Log, &TComboLog::Select);
        combo->OnDropDown = TNotifyEvent(&Log, &TComboLog::DropDown);
        combo->OnCloseUp = TNotifyEvent(&Log, &TComboLog::CloseUp);
        return combo;
    }
    static COMBOBOXINFO Info(TComboBox* combo) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        GetComboBoxInfo(combo->GetHandle(), &info);
        return info;
    }

    TComboLog Log;
};

const std::vector<const char*> kNames = {"Alpha", "Bravo", "Charlie", "Delta", "Echo"};

} // namespace

TEST_F(ComboBoxCtlTest, ItemsIndexAndTextSurviveTheWindowAndItsRecreation) {
    auto* combo = MakeCombo(csDropDown, {"Delta", "Alpha", "Charlie"});
    auto* data = new TObject;
    combo->GetItems()->SetObjects(2, data);
    combo->SetItemIndex(1);
    EXPECT_FALSE(combo->HandleAllocated());
    ShowForm();
    ASSERT_TRUE(combo->HandleAllocated());
    EXPECT_EQ(combo->GetItems()->GetCount(), 3);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), "Alpha");
    EXPECT_EQ(combo->GetItems()->GetObjects(2), data);
    EXPECT_EQ(combo->GetItems()->IndexOf("Charlie"), 2);

    // Sorting recreates the window: items, data and the selected item come along.
    combo->SetSorted(true);
    EXPECT_EQ(combo->GetItems()->GetStrings(0), "Alpha");
    EXPECT_EQ(combo->GetItems()->GetStrings(2), "Delta");
    EXPECT_EQ(combo->GetItems()->GetObjects(1), data);
    combo->GetItems()->Add("Bravo");
    EXPECT_EQ(combo->GetItems()->IndexOf("Bravo"), 1);

    // Free text in the edit field stays over a change of style.
    combo->SetText("Foxtrot");
    combo->SetCharCase(ecUpperCase);
    EXPECT_EQ(combo->GetText(), "Foxtrot");
    combo->GetItems()->SetStrings(0, "alpha");
    EXPECT_EQ(combo->GetItems()->GetStrings(0), "ALPHA"); // the list keeps its case rule

    // A drop-down list shows only items: text naming an item selects it.
    combo->SetStyle(csDropDownList);
    combo->SetText("Charlie");
    EXPECT_EQ(combo->GetItems()->GetStrings(combo->GetItemIndex()), "CHARLIE");
    EXPECT_EQ(combo->GetEditHandle(), nullptr);
    combo->Clear();
    EXPECT_EQ(combo->GetItems()->GetCount(), 0);
    EXPECT_EQ(combo->GetItemIndex(), -1);
    delete data;
}

TEST_F(ComboBoxCtlTest, ListDropsAndClosesByEveryGestureWithTheEvents) {
    struct TCase {
        const char* Name;
        TComboBoxStyle Style;
        std::function<void(TComboBox*)> Open;
        std::function<void(TComboBox*)> Close;
        Integer Selected; // 1 before; Down moved the open list to 2
        std::vector<std::string> Events;
    };
    auto button = [this](TComboBox* c) {
        const COMBOBOXINFO info = Info(c);
        ClickAtScreen(c->ClientToScreen(POINT{(info.rcButton.left + info.rcButton.right) / 2, 6}));
    };
    auto field = [this](TComboBox* c) { ClickAtScreen(c->ClientToScreen(POINT{10, 6})); };
    auto f4 = [this](TComboBox*) { Key(VK_F4); };
    auto altDown = [this](TComboBox*) { Key(VK_DOWN, true); };
    auto property = [this](TComboBox* c) {
        c->SetDroppedDown(true);
        App->ProcessMessages();
    };
    auto esc = [this](TComboBox*) { Key(VK_ESCAPE); };
    auto enter = [this](TComboBox*) { Key(VK_RETURN); };
    auto clickItem = [this](TComboBox* c) {
        RECT r{};
        SendMessageA(c->GetListHandle(), LB_GETITEMRECT, 3, LPARAM(&r));
        POINT p{10, r.top + 2};
        ClientToScreen(c->GetListHandle(), &p);
        ClickAtScreen(p);
    };
    auto outside = [this](TComboBox*) { ClickAtScreen(Form->ClientToScreen(POINT{380, 280})); };
    auto unset = [this](TComboBox* c) {
        c->SetDroppedDown(false);
        App->ProcessMessages();
    };
    // Moving in the open list selects (OnSelect); cancelling goes back and selects again.
    const std::vector<TCase> cases = {
        {"button, Esc", csDropDown, button, esc, 1, {"select", "closeup"}},
        {"F4, Enter", csDropDownList, f4, enter, 2, {"closeup"}},
        {"Alt+Down, F4", csDropDown, altDown, f4, 2, {"closeup"}},
        {"field, Alt+Down", csDropDownList, field, altDown, 2, {"closeup"}},
        {"DroppedDown, click on an item", csDropDownList, property, clickItem, 3, {"select", "closeup"}},
        {"button, click outside", csDropDownList, button, outside, 1, {"select", "closeup"}},
        {"F4, DroppedDown off", csDropDown, f4, unset, 2, {"closeup"}},
    };
    ShowForm();
    for (const TCase& k : cases) {
        SCOPED_TRACE(k.Name);
        auto* c = MakeCombo(k.Style, {"Alpha", "Bravo", "Charlie", "Delta", "Echo"});
        c->SetItemIndex(1);
        c->SetFocus();
        App->ProcessMessages();
        Log.Events.clear();

        k.Open(c);
        ASSERT_TRUE(c->GetDroppedDown());
        EXPECT_EQ(Log.Events, (std::vector<std::string>{"dropdown"}));
        EXPECT_TRUE(IsWindowVisible(c->GetListHandle()));
        Key(VK_DOWN);
        EXPECT_EQ(c->GetItemIndex(), 2);
        EXPECT_EQ(c->GetText(), "Charlie");
        Log.Events.clear();

        k.Close(c);
        EXPECT_FALSE(c->GetDroppedDown());
        EXPECT_FALSE(IsWindowVisible(c->GetListHandle()));
        EXPECT_EQ(c->GetItemIndex(), k.Selected);
        EXPECT_EQ(c->GetText(), kNames[std::size_t(k.Selected)]);
        EXPECT_EQ(Log.Events, k.Events);
        delete c;
    }
}

TEST_F(ComboBoxCtlTest, DropDownListStepsByKeysAndTypedLetters) {
    auto* c = MakeCombo(csDropDownList, {"Alpha", "Bravo", "Charlie", "Delta", "Echo"});
    c->OnSelect = nullptr; // OnChange stands in for it
    ShowForm();
    c->SetFocus();
    App->ProcessMessages();
    Key(VK_DOWN);
    EXPECT_EQ(c->GetItemIndex(), 0);
    Key(VK_END);
    EXPECT_EQ(c->GetItemIndex(), 4);
    Type(U"c");
    EXPECT_EQ(c->GetItemIndex(), 2);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"change", "change", "change"}));
    // Setting the index in code tells nobody.
    c->SetItemIndex(0);
    EXPECT_EQ(Log.Events.size(), 3u);
}

TEST_F(ComboBoxCtlTest, TypingCompletesFromTheItemsAndKeysBelongToTheCombo) {
    auto* before = new TEdit(Form);
    before->SetParent(Form);
    before->SetBounds(10, 100, 80, 21);
    auto* c = MakeCombo(csDropDown, {"Alpha", "Bravo", "Charlie"});
    c->OnKeyPress = TKeyPressEvent(&Log, &TComboLog::KeyPress);
    c->OnEnter = TNotifyEvent(&Log, &TComboLog::Enter);
    ShowForm();
    before->SetFocus();
    App->ProcessMessages();
    Log.Events.clear();

    // A click into the edit field focuses the combo: the form knows it, OnEnter runs.
    ClickAtScreen(c->ClientToScreen(POINT{10, 6}));
    ASSERT_EQ(GetFocus(), c->GetEditHandle());
    EXPECT_EQ(Form->GetActiveControl(), c);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"enter"}));
    Log.Events.clear();

    // "c" completes to Charlie, the rest selected; "h" goes on through it.
    Type(U"c");
    EXPECT_EQ(c->GetText(), "Charlie");
    EXPECT_EQ(c->GetSelStart(), 1);
    EXPECT_EQ(c->GetSelLength(), 6);
    EXPECT_EQ(c->GetSelText(), "harlie");
    Type(U"h");
    EXPECT_EQ(c->GetText(), "Charlie");
    EXPECT_EQ(c->GetSelStart(), 2);
    // No item goes on so: the key types as it is.
    Type(U"x");
    EXPECT_EQ(c->GetText(), "Chx");
    // The program's key handler sees the keys of the field and may swallow one.
    Type(U"#");
    EXPECT_EQ(c->GetText(), "Chx");
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"key c", "change", "key h", "key x", "change", "key #"}));

    // Without auto-completion the typed text stays as typed.
    c->SetAutoComplete(false);
    c->SelectAll();
    Type(U"b");
    EXPECT_EQ(c->GetText(), "b");

    // The field's limit applies to typing.
    c->SetMaxLength(3);
    c->SelectAll();
    Type(U"Bravo");
    EXPECT_EQ(c->GetText(), "Bra");
}

TEST_F(ComboBoxCtlTest, OwnerDrawnItemsAreMeasuredAndDrawnWithTheirState) {
    auto* c = MakeCombo(csOwnerDrawVariable, {"Red", "Green", "Blue"});
    c->OnMeasureItem = TMeasureItemEvent(&Log, &TComboLog::Measure);
    c->OnDrawItem = TDrawItemEvent(&Log, &TComboLog::Draw);
    c->SetItemIndex(1);
    ShowForm();
    UpdateWindow(c->GetHandle());
    EXPECT_EQ(Log.Measured, (std::vector<Integer>{0, 1, 2}));
    // The field shows the selected item, drawn as the combo's field.
    bool fieldDrawn = false;
    for (const auto& [index, state] : Log.Drawn)
        fieldDrawn = fieldDrawn || (index == 1 && state.Contains(odComboBoxEdit));
    EXPECT_TRUE(fieldDrawn);
    // An item added later is measured too, and the open list has each item's height.
    c->GetItems()->Add("Black");
    EXPECT_EQ(Log.Measured.back(), 3);
    c->SetDroppedDown(true);
    UpdateWindow(c->GetListHandle());
    RECT r{};
    SendMessageA(c->GetListHandle(), LB_GETITEMRECT, 2, LPARAM(&r));
    EXPECT_EQ(r.bottom - r.top, 26);
    bool selectedDrawn = false;
    for (const auto& [index, state] : Log.Drawn)
        selectedDrawn = selectedDrawn || (index == 1 && state.Contains(odSelected) && !state.Contains(odComboBoxEdit));
    EXPECT_TRUE(selectedDrawn);
    c->SetDroppedDown(false);

    auto* fixed = MakeCombo(csOwnerDrawFixed, {"p", "q"}, 200, 10);
    fixed->SetItemHeight(22);
    App->ProcessMessages();
    EXPECT_EQ(SendMessageA(fixed->GetHandle(), CB_GETITEMHEIGHT, 0, 0), 22);
    EXPECT_EQ(fixed->GetItemHeight(), 22);
}

TEST_F(ComboBoxCtlTest, DefinitionSetsItemsStyleAndIndex) {
    const String text = "object F: TForm\n"
                        "  Left = 0\n"
                        "  Top = 0\n"
                        "  Width = 300\n"
                        "  Height = 200\n"
                        "  object PortsComboBox: TComboBox\n"
                        "    Left = 8\n"
                        "    Top = 8\n"
                        "    Width = 120\n"
                        "    Height = 21\n"
                        "    Style = csDropDownList\n"
                        "    DropDownCount = 12\n"
                        "    ItemIndex = 1\n"
                        "    Items.Strings = (\n"
                        "      'COM1'\n"
                        "      'COM2'\n"
                        "      'COM3')\n"
                        "  end\n"
                        "end\n";
    TForm* form = TForm::CreateNew(nullptr);
    ReadComponentText(text, form);
    auto* combo = dynamic_cast<TComboBox*>(form->FindComponent("PortsComboBox"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetStyle(), csDropDownList);
    EXPECT_EQ(combo->GetDropDownCount(), 12);
    form->Show();
    App->ProcessMessages();
    EXPECT_EQ(combo->GetItems()->GetCount(), 3);
    EXPECT_EQ(combo->GetText(), "COM2");
    EXPECT_EQ(SendMessageA(combo->GetHandle(), CB_GETMINVISIBLE, 0, 0), 12);
    // Written back, the items come before the index, so reading it again selects the same item.
    const String written = WriteComponentText(form);
    EXPECT_LT(written.find("Items.Strings"), written.find("ItemIndex"));
    EXPECT_NE(GetClass("TComboBox"), nullptr);
    delete form;
}

TEST_F(ComboBoxCtlTest, SheetOfComboBoxesWithOneDropped) {
    Form->SetBounds(20, 20, 520, 300);
    Form->SetCaption("Combo boxes");
    auto* dropDown = MakeCombo(csDropDown, {"67.0", "71.9", "74.4"}, 10, 10);
    dropDown->SetText("71.9");
    auto* list = MakeCombo(csDropDownList, {"Low", "Middle", "High"}, 10, 50);
    list->SetItemIndex(2);
    auto* simple = MakeCombo(csSimple, {"English", "Chinese"}, 10, 90);
    simple->SetBounds(10, 90, 150, 100);
    simple->SetItemIndex(0);
    auto* drawn = MakeCombo(csOwnerDrawFixed, {"Red", "Green", "Blue"}, 180, 10);
    drawn->SetItemHeight(20);
    drawn->SetItemIndex(0);
    struct TPainter : TObject {
        void Draw(TWinControl* control, Integer index, TRect rect, TOwnerDrawState state) {
            auto* combo = static_cast<TComboBox*>(control);
            TCanvas* canvas = combo->GetCanvas();
            canvas->FillRect(rect);
            static const TColor colours[] = {clRed, clLime, clBlue};
            canvas->GetBrush()->SetColor(colours[index % 3]);
            canvas->FillRect(TRect{rect.left + 2, rect.top + 3, rect.left + 18, rect.bottom - 3});
            canvas->GetBrush()->SetStyle(bsClear);
            canvas->TextOut(rect.left + 24, rect.top + 2, combo->GetItems()->GetStrings(index));
        }
    } painter;
    drawn->OnDrawItem = TDrawItemEvent(&painter, &TPainter::Draw);
    auto* dropped = MakeCombo(csDropDownList, {"Channel 1", "Channel 2", "Channel 3", "Channel 4"}, 350, 10);
    dropped->SetItemIndex(1);
    ShowForm();
    dropped->SetDroppedDown(true);
    UpdateWindow(Form->GetHandle());
    UpdateWindow(dropped->GetListHandle());
    App->ProcessMessages();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    RECT frame;
    GetWindowRect(Form->GetHandle(), &frame);
    std::vector<std::uint32_t> pixels(std::size_t(s.Width * s.Height));
    for (int y = 0; y < s.Height; ++y) std::copy_n(s.Row(y), s.Width, pixels.begin() + std::size_t(y * s.Width));
    // The dropped list is a window of its own: its picture goes where it is on the screen.
    GdiSurface ps;
    RECT pr;
    GetWindowRect(dropped->GetListHandle(), &pr);
    ASSERT_TRUE(WinGetSurface(dropped->GetListHandle(), ps));
    for (int y = 0; y < ps.Height; ++y)
        for (int x = 0; x < ps.Width; ++x) {
            const int px = pr.left - frame.left + x, py = pr.top - frame.top + y;
            if (px >= 0 && py >= 0 && px < s.Width && py < s.Height)
                pixels[std::size_t(py * s.Width + px)] = ps.Row(y)[x];
        }
    auto at = [&](int x, int y) { return GdiPixelToColor(pixels[std::size_t(y * s.Width + x)] & 0xFFFFFF); };
    auto onSheet = [&](TControl* control, int x, int y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        return at(p.x - frame.left, p.y - frame.top);
    };
    // The owner-drawn field shows the red swatch; the dropped list highlights its selected row.
    const COMBOBOXINFO info = Info(drawn);
    EXPECT_EQ(onSheet(drawn, info.rcItem.left + 8, (info.rcItem.top + info.rcItem.bottom) / 2), COLORREF(clRed));
    RECT row{};
    SendMessageA(dropped->GetListHandle(), LB_GETITEMRECT, 1, LPARAM(&row));
    POINT rowAt{row.right - 4, (row.top + row.bottom) / 2};
    ClientToScreen(dropped->GetListHandle(), &rowAt);
    EXPECT_EQ(at(rowAt.x - frame.left, rowAt.y - frame.top), COLORREF(ColorToRGB(clHighlight)));
    const std::string path = testsupport::ArtifactPath("ComboBoxSheet.png");
    testsupport::WritePng(path, s.Width, s.Height, pixels);
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
    dropped->SetDroppedDown(false);
}

// Closed, the form's keys work from the edit field: Tab moves on and Enter presses the default
// button; open, Enter only closes the list.
TEST_F(ComboBoxCtlTest, DialogKeysFromTheFieldReachTheFormOnlyWhileClosed) {
    auto* c = MakeCombo(csDropDown, {"Alpha", "Bravo"});
    auto* ok = new TButton(Form);
    ok->SetParent(Form);
    ok->SetBounds(10, 100, 75, 25);
    ok->SetDefault(true);
    struct TClicks : TObject {
        int Count = 0;
        void Click(TObject*) { ++Count; }
    } clicks;
    ok->OnClick = TNotifyEvent(&clicks, &TClicks::Click);
    ShowForm();
    c->SetFocus();
    App->ProcessMessages();
    Key(VK_F4);
    ASSERT_TRUE(c->GetDroppedDown());
    Key(VK_RETURN);
    EXPECT_FALSE(c->GetDroppedDown());
    EXPECT_EQ(clicks.Count, 0);
    Key(VK_RETURN);
    EXPECT_EQ(clicks.Count, 1);
    Key(VK_TAB);
    EXPECT_EQ(Form->GetActiveControl(), ok);
}
