// The editor's surroundings: stored and automatic size, the repository item it shares with other
// editors, the clipboard and accelerator messages, presses and clicks of its buttons, and the
// in-place activation a grid drives.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Messages.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "tests/suite/editors/EditTestEditor.h"
#include "tests/support/FormFixture.h"

using edittest::TOtherRepositoryItem;
using edittest::TTestEditor;
using edittest::TTestRepositoryItem;

namespace {

struct ClickLog : TObject {
    void ButtonClick(TObject*, Integer index) { Events.push_back("button " + std::to_string(index)); }
    void DblClick(TObject*) { Events.push_back("double click"); }
    std::vector<std::string> Events;
};

class qzEditorBindingTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    TTestEditor* MakeEditor(bool inplace = false, Integer top = 10) {
        auto* editor = new TTestEditor(Form, inplace);
        // The test editor measures no content of its own: its size is the test's.
        editor->SetAutoSize(false);
        editor->SetParent(Form);
        editor->SetBounds(10, top, 150, 24);
        return editor;
    }
    void ShowForm() { ShowUnfocused(); }
    // The user moves the mouse to a client point of the editor and presses or releases the left
    // button there.
    void Mouse(TTestEditor* editor, UINT message, Integer x, Integer y) {
        const POINT screen = editor->ClientToScreen(POINT{x, y});
        WinInputMouseMove(screen);
        App->ProcessMessages();
        WinInputMouseButton(screen, TWinMouseButton::Left, message == WM_LBUTTONDOWN);
        App->ProcessMessages();
    }
    static TPoint Centre(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

    ClickLog Log;
};

} // namespace

TEST_F(qzEditorBindingTest, HeightAndWidthAreStoredUnlessTheContentSizesThem) {
    struct TCase {
        const char* Name;
        bool Inplace, AutoSize;
        Byte ButtonsLayout;
        bool AutoSizeAfter, HeightStored, WidthStored;
    };
    const std::vector<TCase> cases = {
        {"stand-alone", false, true, 0, true, false, true},
        {"stand-alone, auto width", false, true, 2, true, false, false},
        {"stand-alone, no auto size", false, false, 2, false, true, true},
        {"in place, auto size ignored", true, true, 2, false, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* editor = MakeEditor(c.Inplace);
        editor->SetAutoSize(true);
        editor->SetAutoSize(c.AutoSize);
        editor->Props()->SetButtonsLayout(c.ButtonsLayout);
        EXPECT_EQ(c.AutoSizeAfter, editor->GetAutoSize());
        EXPECT_EQ(c.HeightStored, IsStoredProp(editor, "Height"));
        EXPECT_EQ(c.WidthStored, IsStoredProp(editor, "Width"));
        delete editor;
    }
}

TEST_F(qzEditorBindingTest, AnAutoSizedEditorTakesTheMeasuredHeightAndAnInPlaceOneKeepsItsOwn) {
    auto* editor = MakeEditor();
    auto* cell = MakeEditor(true, 50);
    editor->SetAutoSize(true);
    cell->SetAutoSize(true);
    ShowForm();
    TSize measured{0, 0};
    TqzEditSizeParameters parameters;
    parameters.Width = editor->GetWidth();
    editor->GetProperties()->GetEditSize(GetScreenCanvas(), editor->GetStyle(), false, editor->GetEditValue(),
                                         parameters, measured);
    EXPECT_EQ(measured.cy, editor->GetHeight());
    EXPECT_EQ(150, editor->GetWidth());
    EXPECT_EQ(24, cell->GetHeight());
    // Turning auto size off and on again measures again.
    editor->SetAutoSize(false);
    editor->SetHeight(40);
    EXPECT_EQ(40, editor->GetHeight());
    editor->SetAutoSize(true);
    EXPECT_EQ(measured.cy, editor->GetHeight());
}

TEST_F(qzEditorBindingTest, ARepositoryItemOfAnotherPropertiesClassIsRefused) {
    auto* editor = MakeEditor();
    auto* good = new TTestRepositoryItem(Form);
    auto* other = new TOtherRepositoryItem(Form);
    editor->SetRepositoryItem(good);
    try {
        editor->SetRepositoryItem(other);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ("The repository item is not acceptable", e.Message);
    }
    EXPECT_EQ(good, editor->GetRepositoryItem());
    EXPECT_EQ(good->GetProperties(), editor->GetPropertiesInUse());
    editor->SetRepositoryItem(nullptr);
    EXPECT_EQ(editor->GetProperties(), editor->GetPropertiesInUse());
    EXPECT_EQ(0, good->GetListenerCount());
}

TEST_F(qzEditorBindingTest, EditorsSharingAnItemFollowItsChangesAndForgetItWhenItGoes) {
    auto* first = MakeEditor();
    auto* second = MakeEditor(false, 50);
    auto* item = new TTestRepositoryItem(Form);
    first->SetRepositoryItem(item);
    second->SetRepositoryItem(item);
    EXPECT_EQ(2, item->GetListenerCount());
    EXPECT_FALSE(first->Inner()->GetReadOnly());

    item->Props()->SetReadOnly(true);
    EXPECT_TRUE(first->Inner()->GetReadOnly());
    EXPECT_TRUE(second->Inner()->GetReadOnly());
    // The editor's own properties no longer decide.
    first->Props()->SetReadOnly(false);
    EXPECT_TRUE(first->Inner()->GetReadOnly());

    delete item;
    EXPECT_EQ(nullptr, first->GetRepositoryItem());
    EXPECT_EQ(nullptr, second->GetRepositoryItem());
    EXPECT_EQ(first->GetProperties(), first->GetPropertiesInUse());
    delete second; // an editor going after its item has nothing left to tell it
}

TEST_F(qzEditorBindingTest, CutOnAReadOnlyEditorOnlyCopiesAndPasteIsRefused) {
    struct TCase {
        bool ReadOnly;
        std::vector<std::string> Calls;
    };
    const std::vector<TCase> cases = {
        {false, {"copy", "cut", "paste as user"}},
        {true, {"copy", "copy"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.ReadOnly);
        auto* editor = MakeEditor();
        ShowForm();
        editor->Props()->SetReadOnly(c.ReadOnly);
        for (UINT message : {WM_COPY, WM_CUT, WM_PASTE})
            SendMessageA(editor->GetHandle(), message, 0, 0);
        EXPECT_EQ(c.Calls, editor->Calls);
        EXPECT_FALSE(editor->IsUserChange());
        delete editor;
    }
}

TEST_F(qzEditorBindingTest, AReleaseOverThePressedButtonClicksItAndElsewhereDoesNot) {
    auto* editor = MakeEditor();
    editor->AddButton(bkEllipsis, 20);
    editor->AddButton(bkDown, 20);
    editor->Props()->OnButtonClick = MakeEvent(&Log, &ClickLog::ButtonClick);
    ShowForm();
    TqzCustomEditViewInfo* info = editor->GetViewInfo();
    ASSERT_EQ(2, info->GetButtonCount());
    const TPoint first = Centre(info->GetButtonInfo(0)->Bounds);
    EXPECT_EQ(0, editor->GetButtonIndexAt(first));
    EXPECT_EQ(-1, editor->GetButtonIndexAt(TPoint{5, 5}));

    Mouse(editor, WM_LBUTTONDOWN, first.x, first.y);
    EXPECT_EQ(0, info->PressedButton);
    Mouse(editor, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ((std::vector<std::string>{"press 0", "release 0"}), editor->Calls);
    EXPECT_TRUE(Log.Events.empty());

    editor->Calls.clear();
    Mouse(editor, WM_LBUTTONDOWN, first.x, first.y);
    Mouse(editor, WM_LBUTTONUP, first.x, first.y);
    EXPECT_EQ((std::vector<std::string>{"press 0", "release 0"}), editor->Calls);
    EXPECT_EQ((std::vector<std::string>{"button " + std::to_string(info->GetButtonInfo(0)->ButtonIndex)}),
              Log.Events);
}

TEST_F(qzEditorBindingTest, TheClickKeyClicksTheDefaultButtonAndItsCharacterNeverArrives) {
    auto* editor = MakeEditor();
    editor->Props()->OnButtonClick = MakeEvent(&Log, &ClickLog::ButtonClick);
    ShowForm();
    editor->SetFocus();
    App->ProcessMessages();
    // Without a default button the key is the framework's.
    Word key = VK_RETURN;
    editor->HandleKeyDown(key, TShiftState{ssCtrl});
    EXPECT_EQ(VK_RETURN, key);

    editor->AddButton(bkEllipsis, 20);
    editor->AddButton(bkGlyph, 20, true);
    App->ProcessMessages();
    ASSERT_NE(-1, editor->GetDefaultButtonIndex());
    PostMessageA(editor->Inner()->GetHandle(), WM_CHAR, 10, 0);
    key = VK_RETURN;
    editor->HandleKeyDown(key, TShiftState{ssCtrl});
    EXPECT_EQ(0, key);
    EXPECT_EQ((std::vector<std::string>{"button 1"}), Log.Events);
    MSG message{};
    EXPECT_FALSE(PeekMessageA(&message, editor->Inner()->GetHandle(), WM_CHAR, WM_CHAR, PM_NOREMOVE));
}

TEST_F(qzEditorBindingTest, AnAcceleratorClicksTheFirstEnabledButtonWithIt) {
    auto* editor = MakeEditor();
    editor->AddButton(bkText, 30)->SetCaption("&Go");
    editor->AddButton(bkText, 30)->SetCaption("&Back");
    editor->Props()->GetButtons()->GetItem(0)->SetEnabled(false);
    editor->AddButton(bkText, 30)->SetCaption("&Get");
    editor->Props()->OnButtonClick = MakeEvent(&Log, &ClickLog::ButtonClick);
    ShowForm();
    EXPECT_EQ(1, editor->Perform(CM_DIALOGCHAR, 'G', 0));
    EXPECT_EQ((std::vector<std::string>{"button 2"}), Log.Events);
    EXPECT_EQ(0, editor->Perform(CM_DIALOGCHAR, 'X', 0));
}

TEST_F(qzEditorBindingTest, InPlaceActivationMakesTheEditDataOnceAndClearsTheModifiedFlag) {
    auto* editor = MakeEditor(true);
    editor->SetVisible(false);
    ShowForm();
    TqzCustomEditData* data = nullptr;
    editor->SetEditValue(Variant(String("cell")));
    editor->SetModifiedAfterEntry(true);
    editor->Activate(data);
    ASSERT_NE(nullptr, data);
    std::unique_ptr<TqzCustomEditData> owned(data);
    EXPECT_EQ(editor, data->GetEditor());
    EXPECT_FALSE(data->Cleared);
    EXPECT_TRUE(editor->GetVisible());
    EXPECT_TRUE(editor->Focused());
    EXPECT_FALSE(editor->GetModified());
    EXPECT_EQ("cell", editor->Inner()->GetText());
    editor->Activate(data);
    EXPECT_EQ((std::vector<std::string>{"data cleared"}), editor->Calls);
    // In place the editor wants every key from the dialog manager; Tab only when it has no
    // inner edit to take it.
    EXPECT_EQ((TqzControlWantedKeys{wantAllKeys, wantArrows}), editor->GetWantedKeys());
    TTestEditor bare(nullptr, true, false);
    EXPECT_EQ((TqzControlWantedKeys{wantAllKeys, wantArrows, wantTab}), bare.GetWantedKeys());
    EXPECT_TRUE(TTestEditor(nullptr).GetWantedKeys().empty());
    // The data forgets an editor that goes.
    delete editor;
    EXPECT_EQ(nullptr, data->GetEditor());
}

TEST_F(qzEditorBindingTest, ActivationByAKeyPassesTheKeyOnAsACharacter) {
    auto* editor = MakeEditor(true);
    ShowForm();
    TqzCustomEditData* data = nullptr;
    editor->ActivateByKey(U'x', data);
    std::unique_ptr<TqzCustomEditData> owned(data);
    EXPECT_EQ("x", editor->Inner()->GetText());
    EXPECT_TRUE(editor->GetModifiedAfterEnter());
}

TEST_F(qzEditorBindingTest, APressSoonAfterAMouseActivationCompletesADoubleClickOverNoButton) {
    // Without an inner edit every press lands on the editor itself.
    auto* editor = new TTestEditor(Form, true, false);
    editor->SetParent(Form);
    editor->SetBounds(10, 10, 150, 24);
    editor->AddButton(bkEllipsis, 20);
    editor->OnDblClick = MakeEvent(&Log, &ClickLog::DblClick);
    ShowForm();
    const TPoint button = Centre(editor->GetViewInfo()->GetButtonInfo(0)->Bounds);
    struct TCase {
        TPoint Second;
        std::vector<std::string> Events;
    };
    const std::vector<TCase> cases = {
        {TPoint{5, 5}, {"double click"}},
        {button, {}},
    };
    for (const TCase& c : cases) {
        Log.Events.clear();
        TqzCustomEditData* data = nullptr;
        // The grid's point is in the parent's client coordinates.
        editor->ActivateByMouse(TShiftState{ssLeft}, editor->GetLeft() + 5, editor->GetTop() + 5, data);
        std::unique_ptr<TqzCustomEditData> owned(data);
        EXPECT_TRUE(editor->GetDblClickTimer()->GetEnabled());
        Mouse(editor, WM_LBUTTONUP, 5, 5);
        Mouse(editor, WM_LBUTTONDOWN, c.Second.x, c.Second.y);
        Mouse(editor, WM_LBUTTONUP, c.Second.x, c.Second.y);
        EXPECT_EQ(c.Events, Log.Events);
        EXPECT_FALSE(editor->GetDblClickTimer()->GetEnabled());
    }
    // Without an activation just before, a press is only a press.
    Log.Events.clear();
    Mouse(editor, WM_LBUTTONDOWN, 5, 5);
    Mouse(editor, WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(Log.Events.empty());
}

TEST_F(qzEditorBindingTest, PaintedAsACopyADataBoundEditorDrawsTheStoredValue) {
    auto* editor = MakeEditor();
    editor->AddButton(bkEllipsis, 20);
    ShowForm();
    std::unique_ptr<TBitmap> bitmap(new TBitmap);
    bitmap->SetWidth(editor->GetWidth());
    bitmap->SetHeight(editor->GetHeight());
    auto paintCopy = [&] {
        TControlState copying = editor->GetControlState();
        copying.Include(csPaintCopy);
        editor->SetControlState(copying);
        editor->PaintTo(bitmap->GetCanvas()->GetHandle(), 0, 0);
        TControlState state = editor->GetControlState();
        state.Exclude(csPaintCopy);
        editor->SetControlState(state);
    };
    paintCopy();
    EXPECT_EQ(0, editor->Binding()->StoredValueReads);

    editor->Binding()->Provider()->DataBound = true;
    const Integer pressed = editor->GetViewInfo()->PressedButton;
    paintCopy();
    EXPECT_EQ(1, editor->Binding()->StoredValueReads);
    EXPECT_FALSE(editor->IsPaintingCopy());
    // The editor's own view info is not the one painted.
    EXPECT_EQ(pressed, editor->GetViewInfo()->PressedButton);
    EXPECT_EQ(1, editor->GetViewInfo()->GetButtonCount());
}

TEST_F(qzEditorBindingTest, TheEditorPaintsItsBorderAndButtonsThroughItsViewInfo) {
    auto* editor = MakeEditor();
    editor->AddButton(bkEllipsis, 20);
    editor->GetStyle()->SetEditBorderStyle(ebsSingle);
    editor->GetStyle()->SetTransparentBorder(false);
    editor->GetStyle()->SetBorderColor(clRed);
    editor->GetStyle()->SetColor(clYellow);
    ShowForm();
    TBitmap bitmap;
    bitmap.SetWidth(editor->GetWidth());
    bitmap.SetHeight(editor->GetHeight());
    editor->PaintTo(bitmap.GetCanvas()->GetHandle(), 0, 0);
    auto pixel = [&](Integer x, Integer y) { return ColorToRGB(bitmap.GetCanvas()->GetPixels(x, y)); };
    EXPECT_EQ(ColorToRGB(clRed), pixel(0, 0));
    EXPECT_EQ(ColorToRGB(clRed), pixel(editor->GetWidth() - 1, editor->GetHeight() - 1));
    const TRect button = editor->GetViewInfo()->GetButtonInfo(0)->Bounds;
    const Integer face = pixel((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    EXPECT_NE(ColorToRGB(clYellow), face);
    EXPECT_NE(ColorToRGB(clRed), face);
    EXPECT_EQ(editor->GetWidth() - 1, button.right);
}

namespace {

const char* const kStoredEditor = R"(object EditTestForm: TForm
  Left = 60
  Top = 60
  Width = 300
  Height = 150
  object Editor: TTestEditor
    Left = 10
    Top = 10
    Width = 150
    Height = 30
    AutoSize = False
    EditValue = 'stored'
    Properties.ReadOnly = True
  end
end
)";

} // namespace

TEST_F(qzEditorBindingTest, AStoredEditorLoadsItsValueAndPropertiesAndFollowsLaterChanges) {
    RegisterClass(TTestEditor::StaticClass());
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentText(kStoredEditor, form.get(), "EditTestForm");
    auto* editor = dynamic_cast<TTestEditor*>(form->FindComponent("Editor"));
    ASSERT_NE(nullptr, editor);
    form->Show();
    App->ProcessMessages();
    EXPECT_EQ("stored", VarToStr(editor->GetEditValue()));
    EXPECT_EQ("stored", editor->Inner()->GetText());
    EXPECT_EQ(30, editor->GetHeight());
    EXPECT_TRUE(editor->Inner()->GetReadOnly());
    EXPECT_FALSE(editor->GetModified());
    // The properties' changes reach the editor again once it is loaded.
    editor->Props()->SetReadOnly(false);
    EXPECT_FALSE(editor->Inner()->GetReadOnly());
    // Written back: the value and the height (auto size is off), not the defaults.
    const String text = WriteComponentText(form.get());
    EXPECT_NE(String::npos, text.find("EditValue = 'stored'"));
    EXPECT_NE(String::npos, text.find("Height = 30"));
    EXPECT_NE(String::npos, text.find("AutoSize = False"));
}

TEST_F(qzEditorBindingTest, ADoubleClickOnAButtonClicksItTwiceAndElsewhereIsTheEditorsDoubleClick) {
    auto* editor = new TTestEditor(Form, false, false);
    editor->SetParent(Form);
    editor->SetAutoSize(false);
    editor->SetBounds(10, 10, 150, 24);
    editor->AddButton(bkEllipsis, 20);
    editor->Props()->OnButtonClick = MakeEvent(&Log, &ClickLog::ButtonClick);
    editor->OnDblClick = MakeEvent(&Log, &ClickLog::DblClick);
    ShowForm();
    const TPoint button = Centre(editor->GetViewInfo()->GetButtonInfo(0)->Bounds);
    for (int i = 0; i < 2; ++i) {
        Mouse(editor, WM_LBUTTONDOWN, button.x, button.y);
        Mouse(editor, WM_LBUTTONUP, button.x, button.y);
    }
    EXPECT_EQ((std::vector<std::string>{"button 0", "button 0"}), Log.Events);

    Log.Events.clear();
    for (int i = 0; i < 2; ++i) {
        Mouse(editor, WM_LBUTTONDOWN, 20, 12);
        Mouse(editor, WM_LBUTTONUP, 20, 12);
    }
    EXPECT_EQ((std::vector<std::string>{"double click"}), Log.Events);
}
