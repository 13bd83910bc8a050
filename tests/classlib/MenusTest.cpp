// Menus: shortcut texts, the item tree and the window-system menu it builds, a form's menu bar
// driven by the keyboard and by shortcuts, pop-up menus at a point with each alignment and from
// a control's right click, owner-drawn items measured and drawn by their handlers, menus read
// from a window definition, and pictures of an open bar and of an owner-drawn pop-up menu.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinMonitor.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// A form that does with its main menu what every form does (the menus unit's form calls): the
// bar on its window, the menu messages, and shortcuts before the controls see a key. Inside a
// menu loop it runs the queued steps when the loop goes idle, and closes the menus when there
// are none left.
class TMenuForm : public TForm {
    KOV_CLASS(TMenuForm, TForm)
public:
    explicit TMenuForm(TComponent* owner) : TForm(owner, TCreateNew{}) {}

    void WndProc(TMessage& message) override {
        if (message.Msg == WM_ENTERIDLE) {
            if (Steps.empty()) {
                EndMenu();
            } else {
                auto step = std::move(Steps.front());
                Steps.pop_front();
                step();
            }
            message.Result = 0;
            return;
        }
        if (message.Msg == CN_KEYDOWN || message.Msg == CN_SYSKEYDOWN) {
            TWMKey key = TWMKey::From(message);
            if (IsShortCut(key)) {
                message.Result = 1;
                return;
            }
        }
        if (FormMenuMessage(GetMenu(), message)) return;
        TForm::WndProc(message);
    }
    bool IsShortCut(TWMKey& message) override {
        return TForm::IsShortCut(message) || FormMenuIsShortCut(GetMenu(), message);
    }
    void TButtonClick(TObject* sender) { Clicked.push_back(dynamic_cast<TComponent*>(sender)); }

    std::deque<std::function<void()>> Steps;
    std::vector<TComponent*> Clicked;
};

} // namespace

KOV_PUBLISHED(TMenuForm) { Method("TButtonClick", &TMenuForm::TButtonClick); }

namespace {

struct TClicks : TObject {
    std::vector<TObject*> Senders;
    void Click(TObject* sender) { Senders.push_back(sender); }
};

class MenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        WinSetTestMonitors({TWinMonitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}, true, {}}});
        App = std::make_unique<TApplication>(nullptr);
        App->SetTitle("KOV-571");
        Form = new TMenuForm(nullptr);
        Form->SetBounds(100, 100, 400, 300);
    }
    void TearDown() override {
        delete Form;
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        WinSetTestMonitors({});
        ClockSetMode(FOldMode);
    }

    TMenuItem* Item(TMenuItem* parent, const String& caption, TShortCut shortCut = 0) {
        auto* item = new TMenuItem(Form);
        item->SetCaption(caption);
        item->SetShortCut(shortCut);
        item->OnClick = MakeEvent(&Clicks, &TClicks::Click);
        parent->Add(item);
        return item;
    }
    // The bar: &File (&New Ctrl+N, hidden &Gone, -, &Disabled, &Save Ctrl+S), &Edit (&Undo).
    void MakeMainMenu() {
        Main = new TMainMenu(Form);
        File = Item(Main->GetItems(), "&File");
        New = Item(File, "&New", ShortCut('N', TShiftState{ssCtrl}));
        Gone = Item(File, "&Gone");
        Gone->SetVisible(false);
        Item(File, "-");
        Disabled = Item(File, "&Disabled", ShortCut('D', TShiftState{ssCtrl}));
        Disabled->SetEnabled(false);
        Save = Item(File, "&Save", TextToShortCut("Ctrl+S"));
        Edit = Item(Main->GetItems(), "&Edit");
        Undo = Item(Edit, "&Undo");
        // The items that open pop-ups run their OnClick as they open; these have none.
        File->OnClick = nullptr;
        Edit->OnClick = nullptr;
        Form->SetMenu(Main);
    }
    void ShowForm() {
        Form->Show();
        App->ProcessMessages();
        SetFormMenuWindow(Form->GetHandle(), Form->GetMenu());
        SetActiveWindow(Form->GetHandle());
        ::SetFocus(Form->GetHandle());
        App->ProcessMessages();
    }
    static void Key(UINT vk) {
        WinInputKey(vk, false, true);
        WinInputKey(vk, false, false);
    }
    static void WithKey(UINT modifier, UINT vk) {
        WinInputKey(modifier, false, true);
        Key(vk);
        WinInputKey(modifier, false, false);
    }
    static void Click(POINT p, TWinMouseButton button = TWinMouseButton::Left) {
        WinInputMouseMove(p);
        WinInputMouseButton(p, button, true);
        WinInputMouseButton(p, button, false);
    }
    static RECT MenuWindowRect() {
        RECT r{};
        HWND popup = FindWindowA(WC_MENUA, nullptr);
        EXPECT_NE(popup, nullptr);
        if (popup) GetWindowRect(popup, &r);
        return r;
    }

    std::unique_ptr<TApplication> App;
    TMenuForm* Form = nullptr;
    TClicks Clicks;
    TMainMenu* Main = nullptr;
    TMenuItem *File = nullptr, *New = nullptr, *Gone = nullptr, *Disabled = nullptr, *Save = nullptr;
    TMenuItem *Edit = nullptr, *Undo = nullptr;

private:
    TClockMode FOldMode = TClockMode::Real;
};

String MenuText(HMENU menu, int position) {
    char buffer[128] = {};
    GetMenuStringA(menu, UINT(position), buffer, sizeof buffer, MF_BYPOSITION);
    return buffer;
}

void SavePng(HWND window, const char* name) {
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(window, s));
    const std::string path = testsupport::ArtifactPath(name);
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
}

COLORREF PixelAt(HWND window, POINT screen) {
    GdiSurface s;
    RECT r{};
    GetWindowRect(window, &r);
    if (!WinGetSurface(window, s)) return CLR_INVALID;
    return GdiPixelToColor(s.Row(screen.y - r.top)[screen.x - r.left] & 0xFFFFFF);
}

} // namespace

TEST(MenusShortCutTest, TextsBothWays) {
    struct Case {
        TShortCut ShortCut;
        const char* Text;
    };
    const std::vector<Case> cases = {
        {TShortCut(scCtrl | 'S'), "Ctrl+S"},     {VK_F11, "F11"},
        {TShortCut(scShift | VK_DELETE), "Shift+Del"}, {TShortCut(scCtrl | 'A'), "Ctrl+A"},
        {TShortCut(scShift | scCtrl | scAlt | VK_NEXT), "Shift+Ctrl+Alt+PgDn"},
        {VK_F1, "F1"},  {VK_F12, "F12"}, {VK_INSERT, "Ins"}, {VK_HOME, "Home"}, {VK_END, "End"},
        {VK_PRIOR, "PgUp"}, {VK_LEFT, "Left"}, {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},
        {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"}, {VK_SPACE, "Space"}, {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},
        {TShortCut(scAlt | '5'), "Alt+5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ShortCutToText(c.ShortCut), c.Text);
        EXPECT_EQ(TextToShortCut(c.Text), c.ShortCut);
    }
    // Case does not matter in texts; a text that names no key, or a key without a name, is none.
    EXPECT_EQ(TextToShortCut("ctrl+shift+s"), TShortCut(scCtrl | scShift | 'S'));
    EXPECT_EQ(TextToShortCut("Ctrl+Foo"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(ShortCutToText(TShortCut(scCtrl | 0xE7)), "");
    EXPECT_EQ(ShortCutToText(0), "");

    EXPECT_EQ(ShortCut('N', TShiftState{ssCtrl}), 16462); // the value definitions store
    EXPECT_EQ(ShortCut(0x1FF, TShiftState{}), 0);
    Word key = 0;
    TShiftState shift;
    ShortCutToKey(TShortCut(scShift | scAlt | VK_F5), key, shift);
    EXPECT_EQ(key, VK_F5);
    EXPECT_EQ(shift, (TShiftState{ssShift, ssAlt}));
}

TEST_F(MenusTest, ItemTreeAddsMovesAndFrees) {
    auto* root = new TMenuItem(Form);
    TMenuItem* a = Item(root, "&Alpha");
    TMenuItem* c = Item(root, "Gamma");
    auto* b = new TMenuItem(Form);
    b->SetCaption("&Beta");
    root->Insert(1, b);
    ASSERT_EQ(root->GetCount(), 3);
    EXPECT_EQ(root->GetItem(1), b);
    EXPECT_EQ(b->GetParent(), root);
    EXPECT_EQ(b->GetMenuIndex(), 1);
    EXPECT_EQ(root->IndexOf(c), 2);
    EXPECT_EQ(root->Find("beta"), b);
    EXPECT_EQ(root->Find("&Gamma"), c);
    EXPECT_EQ(root->Find("Delta"), nullptr);

    c->SetMenuIndex(0);
    EXPECT_EQ(root->IndexOf(c), 0);
    EXPECT_EQ(root->IndexOf(a), 1);

    EXPECT_THROW(root->Add(b), EMenuError);          // already inside
    EXPECT_THROW(b->Add(root), EMenuError);          // would hold its own parent
    EXPECT_THROW(root->GetItem(3), EMenuError);
    EXPECT_THROW(root->Delete(-1), EMenuError);

    root->Remove(b);
    EXPECT_EQ(b->GetParent(), nullptr);
    EXPECT_EQ(root->GetCount(), 2);
    delete b;

    // A freed item leaves its parent; a freed parent frees its items. Command numbers differ.
    TMenuItem* sub = Item(a, "Sub");
    EXPECT_NE(sub->GetCommand(), a->GetCommand());
    EXPECT_NE(sub->GetCommand(), 0);
    delete c;
    EXPECT_EQ(root->GetCount(), 1);
    const Integer before = Form->GetComponentCount();
    delete root;
    EXPECT_EQ(Form->GetComponentCount(), before - 3); // root, a and sub
}

// The window-system menu: hidden items left out, a separator, the shortcut after a tab, the
// item states; a change is rebuilt into the same menu.
TEST_F(MenusTest, BuildsTheMenuFromTheItems) {
    auto* popup = new TPopupMenu(Form);
    TMenuItem* open = Item(popup->GetItems(), "&Open", TextToShortCut("Ctrl+O"));
    TMenuItem* hidden = Item(popup->GetItems(), "Hidden");
    hidden->SetVisible(false);
    Item(popup->GetItems(), "-");
    TMenuItem* one = Item(popup->GetItems(), "One");
    TMenuItem* two = Item(popup->GetItems(), "Two");
    for (TMenuItem* radio : {one, two}) {
        radio->SetRadioItem(true);
        radio->SetGroupIndex(1);
    }
    one->SetChecked(true);
    TMenuItem* grey = Item(popup->GetItems(), "Grey");
    grey->SetEnabled(false);
    grey->SetDefault(true);
    grey->SetBreak(mbBarBreak);
    TMenuItem* more = Item(popup->GetItems(), "More");
    TMenuItem* deep = Item(more, "Deep");

    HMENU menu = popup->GetHandle();
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_EQ(MenuText(menu, 0), "&Open\tCtrl+O");
    EXPECT_EQ(GetMenuItemID(menu, 0), open->GetCommand());
    EXPECT_NE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
    EXPECT_NE(GetMenuState(menu, 2, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(menu, 3, MF_BYPOSITION) & MF_CHECKED, 0u);
    MENUITEMINFOA info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, 2, TRUE, &info);
    EXPECT_NE(info.fType & MFT_RADIOCHECK, 0u);
    const UINT greyState = GetMenuState(menu, 4, MF_BYPOSITION);
    EXPECT_NE(greyState & MF_GRAYED, 0u);
    EXPECT_NE(greyState & MF_DEFAULT, 0u);
    EXPECT_NE(greyState & MF_MENUBARBREAK, 0u);
    HMENU sub = GetSubMenu(menu, 5);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub, more->GetHandle());
    EXPECT_EQ(GetMenuItemID(sub, 0), deep->GetCommand());

    // Checking the other radio item of the group unchecks the first; showing the hidden item and
    // renaming one rebuild the same menu.
    two->SetChecked(true);
    EXPECT_FALSE(one->GetChecked());
    hidden->SetVisible(true);
    open->SetCaption("&Open file");
    EXPECT_EQ(popup->GetHandle(), menu);
    ASSERT_EQ(GetMenuItemCount(menu), 7);
    EXPECT_EQ(MenuText(menu, 0), "&Open file\tCtrl+O");
    EXPECT_EQ(MenuText(menu, 1), "Hidden");
    EXPECT_EQ(GetMenuState(menu, 3, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(menu, 4, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(GetSubMenu(menu, 6), sub);

    EXPECT_EQ(popup->FindItem(deep->GetCommand(), fkCommand), deep);
    EXPECT_EQ(popup->FindItem(UINT(reinterpret_cast<UINT_PTR>(sub)), fkHandle), more);
    EXPECT_EQ(popup->FindItem(TextToShortCut("Ctrl+O"), fkShortCut), open);
    EXPECT_TRUE(popup->DispatchCommand(deep->GetCommand()));
    ASSERT_EQ(Clicks.Senders.size(), 1u);
    EXPECT_EQ(Clicks.Senders[0], deep);
    EXPECT_FALSE(popup->DispatchCommand(0xFFF0));
}

// Alt+F opens File on the form's bar; Down skips the hidden item and the separator and stops on
// the disabled item, which Enter does not run; Down and Enter run Save.
TEST_F(MenusTest, FormBarWithKeyboard) {
    MakeMainMenu();
    ShowForm();
    ASSERT_EQ(GetMenu(Form->GetHandle()), Main->GetHandle());
    HMENU file = File->GetHandle();
    ASSERT_EQ(GetMenuItemCount(file), 4); // New, separator, Disabled, Save

    struct Case {
        const char* Name;
        std::function<void()> Keys;
        std::vector<TObject*> Clicked;
    };
    const std::vector<Case> cases = {
        {"Alt+F, Enter", [] { WithKey(VK_MENU, 'F'); Key(VK_RETURN); }, {New}},
        {"Alt+F, Down, Enter on the disabled item, Down, Enter",
         [] {
             WithKey(VK_MENU, 'F');
             Key(VK_DOWN);
             Key(VK_RETURN);
             Key(VK_DOWN);
             Key(VK_RETURN);
         },
         {Save}},
        {"Alt+F, Up wraps to Save", [] { WithKey(VK_MENU, 'F'); Key(VK_UP); Key(VK_RETURN); }, {Save}},
        {"Alt+E, Enter", [] { WithKey(VK_MENU, 'E'); Key(VK_RETURN); }, {Undo}},
        {"F10, Right, Down, Enter", [] { Key(VK_F10); Key(VK_RIGHT); Key(VK_DOWN); Key(VK_RETURN); }, {Undo}},
        {"Ctrl+S runs Save", [] { WithKey(VK_CONTROL, 'S'); }, {Save}},
        {"Ctrl+N runs New", [] { WithKey(VK_CONTROL, 'N'); }, {New}},
        {"Ctrl+D: the disabled item does not run", [] { WithKey(VK_CONTROL, 'D'); }, {}},
        {"Ctrl+Q is nobody's", [] { WithKey(VK_CONTROL, 'Q'); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Clicks.Senders.clear();
        c.Keys();
        App->ProcessMessages();
        EXPECT_EQ(Clicks.Senders, c.Clicked);
        EXPECT_EQ(FindWindowA(WC_MENUA, nullptr), nullptr);
    }

    // OnShortCut comes first and may keep the key.
    struct TEater : TObject {
        void ShortCut(TWMKey&, bool& handled) { handled = true; }
    } eater;
    Form->OnShortCut = MakeEvent(&eater, &TEater::ShortCut);
    Clicks.Senders.clear();
    WithKey(VK_CONTROL, 'S');
    App->ProcessMessages();
    EXPECT_TRUE(Clicks.Senders.empty());
    Form->OnShortCut = nullptr;

    // A click on the bar opens File; a click on Save runs it.
    RECT fileRect{}, saveRect{};
    ASSERT_TRUE(GetMenuItemRect(Form->GetHandle(), Main->GetHandle(), 0, &fileRect));
    Form->Steps.push_back([&] {
        ASSERT_TRUE(GetMenuItemRect(Form->GetHandle(), file, 3, &saveRect));
        Click(POINT{(saveRect.left + saveRect.right) / 2, (saveRect.top + saveRect.bottom) / 2});
    });
    Clicks.Senders.clear();
    Click(POINT{(fileRect.left + fileRect.right) / 2, (fileRect.top + fileRect.bottom) / 2});
    App->ProcessMessages();
    EXPECT_EQ(Clicks.Senders, std::vector<TObject*>{Save});

    // An item added while the bar is on the form shows at once; taking the menu off empties the bar.
    Item(Main->GetItems(), "&Help");
    EXPECT_EQ(GetMenuItemCount(GetMenu(Form->GetHandle())), 3);
    SetFormMenuWindow(Form->GetHandle(), nullptr);
    EXPECT_EQ(GetMenu(Form->GetHandle()), nullptr);
    EXPECT_EQ(Main->GetWindowHandle(), nullptr);
}

// The pop-up of an item runs the item's OnClick before it opens, so the item can prepare it.
TEST_F(MenusTest, OpeningASubmenuRunsItsItemFirst) {
    MakeMainMenu();
    struct TPrepare : TObject {
        TMenuItem* Target = nullptr;
        int Runs = 0;
        void Click(TObject*) {
            ++Runs;
            Target->SetCaption("&Prepared");
        }
    } prepare;
    prepare.Target = New;
    File->OnClick = MakeEvent(&prepare, &TPrepare::Click);
    ShowForm();
    WithKey(VK_MENU, 'F');
    Key('P');
    App->ProcessMessages();
    EXPECT_EQ(prepare.Runs, 1);
    EXPECT_EQ(Clicks.Senders, std::vector<TObject*>{New});
}

// Popup(x, y) with each alignment places the menu's left edge, right edge or centre at x; the
// chosen item runs, OnPopup first. The menu's place is read while it is open, from the hint the
// selection shows.
TEST_F(MenusTest, PopupAtAPointWithEachAlignment) {
    ShowForm();
    auto* popup = new TPopupMenu(Form);
    TMenuItem* first = Item(popup->GetItems(), "&First");
    first->SetHint("the first");
    Item(popup->GetItems(), "&Second item");
    struct TProbe : TObject {
        int Popups = 0;
        RECT Where{};
        std::vector<String> Hints;
        void Popup(TObject*) { ++Popups; }
        void Hint(TObject*) {
            Hints.push_back(Application->GetHint());
            if (HWND w = FindWindowA(WC_MENUA, nullptr)) GetWindowRect(w, &Where);
        }
    } probe;
    popup->OnPopup = MakeEvent(&probe, &TProbe::Popup);
    App->OnHint = MakeEvent(&probe, &TProbe::Hint);
    struct Case {
        TPopupAlignment Alignment;
        const char* Name;
        std::function<LONG(const RECT&)> X;
    };
    const std::vector<Case> cases = {
        {paLeft, "left", [](const RECT& r) { return r.left; }},
        {paRight, "right", [](const RECT& r) { return r.right; }},
        {paCenter, "center", [](const RECT& r) { return (r.left + r.right) / 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        popup->SetAlignment(c.Alignment);
        Clicks.Senders.clear();
        probe.Where = RECT{};
        Key(VK_DOWN);
        Key(VK_RETURN);
        popup->Popup(500, 300);
        App->ProcessMessages();
        EXPECT_EQ(Clicks.Senders, std::vector<TObject*>{first});
        EXPECT_NEAR(c.X(probe.Where), 500, 1);
        EXPECT_EQ(probe.Where.top, 300);
        EXPECT_EQ(FindWindowA(WC_MENUA, nullptr), nullptr);
    }
    EXPECT_EQ(probe.Popups, 3);
    ASSERT_FALSE(probe.Hints.empty());
    EXPECT_EQ(probe.Hints.front(), "the first");
    App->OnHint = nullptr;
}

// A right click on a control shows its pop-up menu there while AutoPopup is set, with the
// control as PopupComponent.
TEST_F(MenusTest, RightClickShowsTheControlsPopupMenu) {
    auto* box = new TPanel(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 100, 60);
    auto* popup = new TPopupMenu(Form);
    TMenuItem* only = Item(popup->GetItems(), "&Only");
    box->SetPopupMenu(popup);
    ShowForm();
    struct TPopups : TObject {
        int Count = 0;
        void Popup(TObject*) { ++Count; }
    } popups;
    popup->OnPopup = MakeEvent(&popups, &TPopups::Popup);

    // What the window system sends for a right click on the control.
    const POINT at = box->ClientToScreen(POINT{20, 20});
    auto rightClick = [&] {
        SendMessageA(box->GetHandle(), WM_CONTEXTMENU, WPARAM(box->GetHandle()), MAKELPARAM(at.x, at.y));
    };
    Key(VK_DOWN);
    Key(VK_RETURN);
    rightClick();
    App->ProcessMessages();
    EXPECT_EQ(popups.Count, 1);
    EXPECT_EQ(popup->GetPopupComponent(), box);
    EXPECT_EQ(Clicks.Senders, std::vector<TObject*>{only});

    popup->SetAutoPopup(false);
    rightClick();
    App->ProcessMessages();
    EXPECT_EQ(popups.Count, 1);
    delete box;
    EXPECT_EQ(popup->GetPopupComponent(), nullptr);
}

// Owner-drawn items: measured once by OnMeasureItem, drawn by OnAdvancedDrawItem (with their
// states) or by OnDrawItem; a picture of the pop-up for a person to look at.
TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
    ShowForm();
    auto* popup = new TPopupMenu(Form);
    popup->SetOwnerDraw(true);
    TMenuItem* plain = Item(popup->GetItems(), "&Plain");
    plain->SetDefault(true);
    plain->SetHint("plain"); // the probe runs on the hint of the selection
    TMenuItem* checked = Item(popup->GetItems(), "&Checked");
    checked->SetChecked(true);
    TMenuItem* grey = Item(popup->GetItems(), "&Grey");
    grey->SetEnabled(false);
    TMenuItem* simple = Item(popup->GetItems(), "&Simple");
    struct TPainter : TObject {
        std::vector<TObject*> Measured;
        std::vector<std::pair<TObject*, TOwnerDrawState>> Drawn;
        std::vector<std::pair<TObject*, bool>> Simple;
        HWND DrawnOn = nullptr;
        void Measure(TObject* sender, TCanvas*, Integer& width, Integer& height) {
            Measured.push_back(sender);
            width = 150;
            height = 30;
        }
        void Draw(TObject* sender, TCanvas* canvas, TRect rect, TOwnerDrawState state) {
            Drawn.emplace_back(sender, state);
            DrawnOn = WindowFromDC(canvas->GetHandle());
            canvas->GetBrush()->SetColor(state.Contains(odSelected) ? TColor(0x00FF00) : TColor(0xFFCC99));
            canvas->FillRect(rect);
            canvas->GetBrush()->SetColor(TColor(0x0000C0));
            canvas->FillRect(TRect{rect.left + 4, rect.top + 8, rect.left + 18, rect.bottom - 8});
        }
        void DrawSimple(TObject* sender, TCanvas* canvas, TRect rect, bool selected) {
            Simple.emplace_back(sender, selected);
            canvas->GetBrush()->SetColor(TColor(0x808000));
            canvas->FillRect(rect);
        }
    } painter;
    for (TMenuItem* item : {plain, checked, grey, simple}) {
        item->OnMeasureItem = MakeEvent(&painter, &TPainter::Measure);
        if (item != simple) item->OnAdvancedDrawItem = MakeEvent(&painter, &TPainter::Draw);
    }
    simple->OnDrawItem = MakeEvent(&painter, &TPainter::DrawSimple);

    RECT where{};
    COLORREF firstPixel = CLR_INVALID, simplePixel = CLR_INVALID;
    struct TProbe : TObject {
        std::function<void()> Run;
        void Hint(TObject*) {
            if (Run) Run();
        }
    } probe;
    probe.Run = [&] {
        HWND w = FindWindowA(WC_MENUA, nullptr);
        if (!w) return;
        GetWindowRect(w, &where);
        RECT item{};
        GetMenuItemRect(nullptr, popup->GetHandle(), 0, &item);
        firstPixel = PixelAt(w, POINT{item.left + 40, item.top + 4});
        GetMenuItemRect(nullptr, popup->GetHandle(), 3, &item);
        simplePixel = PixelAt(w, POINT{item.left + 40, item.top + 4});
        SavePng(w, "MenusTest_OwnerDrawnPopup.png");
        probe.Run = nullptr;
    };
    App->OnHint = MakeEvent(&probe, &TProbe::Hint);
    Key(VK_DOWN);
    Key(VK_ESCAPE);
    popup->Popup(200, 150);
    App->ProcessMessages();
    App->OnHint = nullptr;

    EXPECT_EQ(painter.Measured, (std::vector<TObject*>{plain, checked, grey, simple}));
    EXPECT_EQ(where.bottom - where.top, 4 * 30 + 6);
    EXPECT_GE(where.right - where.left, 150);
    // Whole drawings with the states, then the selection of the first item.
    std::vector<TOwnerDrawState> states;
    for (auto& d : painter.Drawn)
        if (d.first == plain && d.second.Contains(odSelected)) states.push_back(d.second);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), (TOwnerDrawState{odSelected, odDefault}));
    bool sawChecked = false, sawGrey = false;
    for (auto& d : painter.Drawn) {
        if (d.first == checked) sawChecked = d.second == TOwnerDrawState{odChecked};
        if (d.first == grey) sawGrey = d.second.Contains(odGrayed);
    }
    EXPECT_TRUE(sawChecked);
    EXPECT_TRUE(sawGrey);
    ASSERT_FALSE(painter.Simple.empty());
    EXPECT_EQ(painter.Simple.front(), std::make_pair(static_cast<TObject*>(simple), false));
    EXPECT_NE(painter.DrawnOn, nullptr);
    EXPECT_NE(painter.DrawnOn, Form->GetHandle());
    EXPECT_EQ(firstPixel, COLORREF(0x00FF00));
    EXPECT_EQ(simplePixel, COLORREF(0x808000));

    // Measured once: a second showing does not ask again.
    painter.Measured.clear();
    Key(VK_ESCAPE);
    popup->Popup(200, 150);
    App->ProcessMessages();
    EXPECT_TRUE(painter.Measured.empty());
}

// A main menu read from a window definition: items as children, shortcut, tag, the owner-draw
// switch and OnClick bound to the form's method; the bar it makes, opened and pictured.
TEST_F(MenusTest, MainMenuFromADefinitionAndAPictureOfTheOpenBar) {
    ReadComponentText("object MenuForm: TMenuForm\n"
                      "  Left = 100\n"
                      "  Top = 100\n"
                      "  Width = 400\n"
                      "  Height = 300\n"
                      "  Menu = MainMenu\n"
                      "  object MainMenu: TMainMenu\n"
                      "    object N1: TMenuItem\n"
                      "      Caption = '&File'\n"
                      "      object mNew: TMenuItem\n"
                      "        Tag = 1\n"
                      "        Caption = '&New'\n"
                      "        ShortCut = 16462\n"
                      "        OnClick = TButtonClick\n"
                      "      end\n"
                      "      object N2: TMenuItem\n"
                      "        Caption = '-'\n"
                      "      end\n"
                      "      object mExit: TMenuItem\n"
                      "        Tag = 2\n"
                      "        Caption = 'E&xit'\n"
                      "        Checked = True\n"
                      "        RadioItem = True\n"
                      "        GroupIndex = 3\n"
                      "        Break = mbBreak\n"
                      "        OnClick = TButtonClick\n"
                      "      end\n"
                      "    end\n"
                      "  end\n"
                      "  object Popup: TPopupMenu\n"
                      "    OwnerDraw = True\n"
                      "    Alignment = paCenter\n"
                      "    AutoPopup = False\n"
                      "    TrackButton = tbLeftButton\n"
                      "    object pOne: TMenuItem\n"
                      "      Caption = 'One'\n"
                      "    end\n"
                      "  end\n"
                      "end\n",
                      Form, "MenusTest");
    auto* menu = dynamic_cast<TMainMenu*>(Form->FindComponent("MainMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Form->GetMenu(), menu);
    auto* n1 = dynamic_cast<TMenuItem*>(Form->FindComponent("N1"));
    auto* mNew = dynamic_cast<TMenuItem*>(Form->FindComponent("mNew"));
    auto* mExit = dynamic_cast<TMenuItem*>(Form->FindComponent("mExit"));
    ASSERT_TRUE(n1 && mNew && mExit);
    EXPECT_EQ(menu->GetItems()->GetCount(), 1);
    EXPECT_EQ(n1->GetParent(), menu->GetItems());
    EXPECT_EQ(n1->GetCount(), 3);
    EXPECT_EQ(mNew->GetShortCut(), TextToShortCut("Ctrl+N"));
    EXPECT_EQ(mNew->GetTag(), 1);
    EXPECT_TRUE(mExit->GetChecked());
    EXPECT_TRUE(mExit->GetRadioItem());
    EXPECT_EQ(mExit->GetGroupIndex(), 3);
    EXPECT_EQ(mExit->GetBreak(), mbBreak);
    auto* popup = dynamic_cast<TPopupMenu*>(Form->FindComponent("Popup"));
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->GetOwnerDraw());
    EXPECT_EQ(popup->GetAlignment(), paCenter);
    EXPECT_FALSE(popup->GetAutoPopup());
    EXPECT_EQ(popup->GetTrackButton(), tbLeftButton);
    EXPECT_EQ(popup->GetItems()->GetCount(), 1);

    // Written back, the items are children of their menu and parent item.
    const String text = WriteComponentText(Form);
    EXPECT_NE(text.find("object MainMenu: TMainMenu\n    object N1: TMenuItem\n      Caption = '&File'\n"
                        "      object mNew: TMenuItem\n"),
              String::npos)
        << text;

    ShowForm();
    Form->Steps.push_back([&] {
        HWND popupWindow = FindWindowA(WC_MENUA, nullptr);
        ASSERT_NE(popupWindow, nullptr);
        UpdateWindow(Form->GetHandle());
        SavePng(Form->GetHandle(), "MenusTest_BarOpen.png");
        SavePng(popupWindow, "MenusTest_BarOpenPopup.png");
        RECT fileItem{}, newItem{};
        ASSERT_TRUE(GetMenuItemRect(Form->GetHandle(), menu->GetHandle(), 0, &fileItem));
        EXPECT_EQ(PixelAt(Form->GetHandle(), POINT{fileItem.left, fileItem.top}), GetSysColor(COLOR_3DSHADOW));
        ASSERT_TRUE(GetMenuItemRect(Form->GetHandle(), n1->GetHandle(), 0, &newItem));
        EXPECT_EQ(PixelAt(popupWindow, POINT{newItem.left + 2, newItem.top + 2}), GetSysColor(COLOR_HIGHLIGHT));
        Key(VK_RETURN);
    });
    WithKey(VK_MENU, 'F');
    App->ProcessMessages();
    EXPECT_EQ(Form->Clicked, std::vector<TComponent*>{mNew});
    Form->Clicked.clear();
    WithKey(VK_CONTROL, 'N');
    App->ProcessMessages();
    EXPECT_EQ(Form->Clicked, std::vector<TComponent*>{mNew});
}
