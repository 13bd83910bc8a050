// The view data of a living editor: button states under real mouse messages (press, drag off and
// back while the editor holds the capture, release over the button or elsewhere), a disabled
// button, the editor's active style and inner edit in the view info, and the validation handlers
// run through the properties.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "tests/suite/editors/EditTestEditor.h"
#include "tests/support/FormFixture.h"

using edittest::TTestEditor;
using edittest::TTestRepositoryItem;

namespace {

struct TClicks : TObject {
    void Click(TObject*, Integer index) { Events.push_back(index); }
    std::vector<Integer> Events;
};

TPoint Centre(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class EditViewWithEditor : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    TTestEditor* MakeEditor() {
        auto* editor = new TTestEditor(Form);
        editor->SetAutoSize(false);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 150, 24);
        return editor;
    }
    void ShowForm() { ShowUnfocused(); }
    // Synthesised input at a client point of the editor: a move, or a left press or release.
    enum TInput { Move, Press, Release };
    void Mouse(TTestEditor* editor, TInput input, TPoint p) {
        const POINT screen = editor->ClientToScreen(POINT{p.x, p.y});
        if (input == Move)
            WinInputMouseMove(screen);
        else
            WinInputMouseButton(screen, TWinMouseButton::Left, input == Press);
        App->ProcessMessages();
    }
};

TEST_F(EditViewWithEditor, APressedButtonFollowsTheMouseWhileHeldAndClicksOnlyWhenReleasedOverIt) {
    auto* editor = MakeEditor();
    editor->AddButton(bkEllipsis, 20);
    editor->AddButton(bkDown, 20);
    TClicks clicks;
    editor->Props()->OnButtonClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();
    TqzCustomEditViewInfo* info = editor->GetViewInfo();
    ASSERT_EQ(info->GetButtonCount(), 2);
    const TPoint over = Centre(info->GetButtonInfo(1)->Bounds);
    const TPoint off{20, 12};

    struct TStep {
        const char* Name;
        TInput Input;
        TPoint Mouse;
        Integer State;
        size_t Clicks;
    };
    const std::vector<TStep> steps = {
        {"hover", Move, over, qzebsHot, 0},
        {"press", Press, over, qzebsPressed, 0},
        {"drag off", Move, off, qzebsNormal, 0},
        {"back on", Move, over, qzebsPressed, 0},
        {"release over it", Release, over, qzebsHot, 1},
        {"press again", Press, over, qzebsPressed, 1},
        {"drag off again", Move, off, qzebsNormal, 1},
        {"release elsewhere", Release, off, qzebsNormal, 1},
    };
    for (const TStep& s : steps) {
        SCOPED_TRACE(s.Name);
        Mouse(editor, s.Input, s.Mouse);
        EXPECT_EQ(info->GetButtonInfo(1)->Data.State, s.State);
        EXPECT_EQ(info->GetButtonInfo(0)->Data.State, qzebsNormal);
        EXPECT_EQ(clicks.Events.size(), s.Clicks);
    }
    EXPECT_EQ(clicks.Events, std::vector<Integer>{1});
}

TEST_F(EditViewWithEditor, ADisabledButtonNeitherPressesNorClicks) {
    auto* editor = MakeEditor();
    TqzEditButton* button = editor->AddButton(bkEllipsis, 20);
    button->SetEnabled(false);
    TClicks clicks;
    editor->Props()->OnButtonClick = MakeEvent(&clicks, &TClicks::Click);
    ShowForm();
    TqzCustomEditViewInfo* info = editor->GetViewInfo();
    ASSERT_EQ(info->GetButtonCount(), 1);
    const TPoint over = Centre(info->GetButtonInfo(0)->Bounds);
    Mouse(editor, Press, over);
    EXPECT_EQ(info->GetButtonInfo(0)->Data.State, qzebsDisabled);
    EXPECT_EQ(info->PressedButton, -1);
    Mouse(editor, Release, over);
    EXPECT_TRUE(clicks.Events.empty());
    EXPECT_TRUE(editor->Calls.empty()); // no press or release reached the editor
}

TEST_F(EditViewWithEditor, TheViewInfoTakesTheActiveStyleAndTheInnerEdit) {
    auto* editor = MakeEditor();
    editor->AddButton(bkDown, 20);
    editor->GetStyle()->SetColor(clWindow);
    editor->GetStyleFocused()->SetColor(clYellow);
    ShowForm();
    TqzCustomEditViewInfo* info = editor->GetViewInfo();
    EXPECT_EQ(info->BackgroundColor, clWindow);
    editor->SetFocus();
    App->ProcessMessages();
    EXPECT_TRUE(info->Focused);
    EXPECT_EQ(info->BackgroundColor, clYellow);
    // The inner edit lies in the client area; the view info reports its bounds.
    TWinControl* inner = editor->GetInnerControl();
    ASSERT_NE(inner, nullptr);
    const RECT innerBounds = inner->GetBoundsRect();
    EXPECT_EQ(info->InnerEditRect.left, innerBounds.left);
    EXPECT_EQ(info->InnerEditRect.right, innerBounds.right);
    EXPECT_TRUE(info->InnerControlVisible);
    EXPECT_FALSE(info->IsContainerInnerControl);
    EXPECT_EQ(info->WindowHandle, editor->GetHandle());
}

TEST_F(EditViewWithEditor, ValidationHandlersRunOwnFirstAndAnUntouchedTextIsReplacedOnError) {
    auto* editor = MakeEditor();
    auto* item = new TTestRepositoryItem(Form);
    editor->SetRepositoryItem(item);
    ShowForm();
    editor->Inner()->SetText("typed");
    struct THandlers : TObject {
        void Own(TObject*, Variant& value, String& text, bool& error) {
            Order.push_back("own:" + text);
            error = Fail;
        }
        void Shared(TObject*, Variant& value, String& text, bool& error) {
            Order.push_back("shared");
            if (Rewrite) value = Variant(String("rewritten"));
        }
        std::vector<std::string> Order;
        bool Fail = true;
        bool Rewrite = false;
    } handlers;
    editor->Props()->OnValidate = MakeEvent(&handlers, &THandlers::Own);
    item->Props()->OnValidate = MakeEvent(&handlers, &THandlers::Shared);

    struct TCase {
        const char* Name;
        bool Fail, Rewrite;
        const char* Result;
    };
    const std::vector<TCase> cases = {
        {"error, text untouched: the display text", true, false, "typed"},
        {"error, text rewritten: kept", true, true, "rewritten"},
        {"no error: as given", false, false, "given"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        handlers.Order.clear();
        handlers.Fail = c.Fail;
        handlers.Rewrite = c.Rewrite;
        Variant value(String("given"));
        String errorText;
        bool error = false;
        editor->Props()->ValidateDisplayValue(value, errorText, error, editor);
        EXPECT_EQ(handlers.Order,
                  (std::vector<std::string>{"own:Invalid input value. Use escape key to abandon changes", "shared"}));
        EXPECT_EQ(error, c.Fail);
        EXPECT_EQ(VarToStr(value), c.Result);
    }

    // Properties that do not validate leave everything alone.
    editor->Props()->Validates = false;
    handlers.Order.clear();
    Variant value(String("given"));
    String errorText;
    bool error = false;
    editor->Props()->ValidateDisplayValue(value, errorText, error, editor);
    EXPECT_TRUE(handlers.Order.empty());
    EXPECT_TRUE(errorText.empty());
}

TEST_F(EditViewWithEditor, PropertiesNameTheirClasses) {
    TqzCustomEditProperties properties(nullptr);
    EXPECT_EQ(properties.GetContainerClass(), TqzCustomEdit::StaticClass());
    std::unique_ptr<TqzContainerViewInfo> info(properties.GetViewInfoClass()());
    EXPECT_NE(dynamic_cast<TqzCustomEditViewInfo*>(info.get()), nullptr);
}

} // namespace
