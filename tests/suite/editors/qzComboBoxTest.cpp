// The combo box on a form: keys and typed text open and close its list, the close reasons decide
// whether the list's highlight is taken, the list sizes itself in whole rows, and combos come
// from stored window definitions. The drop-down properties' setters are checked here too.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

struct CloseLog {
    std::vector<TqzEditCloseUpReason> Reasons;
    Integer Popups = 0;
    void Closed(TObject*, TqzEditCloseUpReason reason) { Reasons.push_back(reason); }
    void Popped(TObject*) { ++Popups; }
};

class ComboBoxTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
    }
    void TearDown() override {
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        testsupport::TFormFixture::TearDown();
    }
    TqzComboBox* MakeCombo(Integer itemCount, TqzEditDropDownListStyle style = lsEditList, Integer top = 10) {
        auto* combo = new TqzComboBox(Form);
        combo->SetParent(Form);
        combo->SetLeft(10);
        combo->SetTop(top);
        TqzComboBoxProperties* properties = combo->GetProperties();
        properties->SetDropDownListStyle(style);
        for (Integer i = 0; i < itemCount; ++i)
            properties->GetItems()->Add(FormatItem(i));
        properties->OnClosePopup = MakeEvent(&Log, &CloseLog::Closed);
        properties->OnPopup = MakeEvent(&Log, &CloseLog::Popped);
        return combo;
    }
    static String FormatItem(Integer i) { return "Tone " + std::to_string(670 + i * 10); }
    TqzComboBox* FocusedCombo(Integer itemCount, TqzEditDropDownListStyle style = lsEditList) {
        TqzComboBox* combo = MakeCombo(itemCount, style);
        Form->Show();
        Pump();
        combo->SetFocus();
        Pump();
        return combo;
    }
    void Pump() { App->ProcessMessages(); }
    static HWND Inner(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetHandle(); }
    void Key(TqzCustomTextEdit* editor, Word key, bool alt = false) {
        const LPARAM data = alt ? 0x20000000 : 0;
        SendMessageA(Inner(editor), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, data);
        SendMessageA(Inner(editor), alt ? WM_SYSKEYUP : WM_KEYUP, key, data);
        Pump();
    }
    void Type(TqzCustomTextEdit* editor, const std::string& text) {
        for (char ch : text)
            SendMessageA(Inner(editor), WM_CHAR, WPARAM(ch), 0);
        Pump();
    }
    static String Text(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }

    CloseLog Log;
};

// ---- Properties ------------------------------------------------------------------------------

TEST_F(ComboBoxTest, PopupSizeSettersKeepTheirBounds) {
    TqzComboBox* combo = MakeCombo(0);
    TqzComboBoxProperties* p = combo->GetProperties();
    for (TAlignment a : {taRightJustify, taCenter, taLeftJustify}) {
        p->SetPopupAlignment(a);
        EXPECT_EQ(a, p->GetPopupAlignment());
    }
    struct Case {
        Integer minWidth, width, expected;
    };
    for (const Case& c : std::vector<Case>{{0, -5, 0}, {100, 50, 100}, {100, 0, 0}, {100, 150, 150}}) {
        p->SetPopupMinWidth(c.minWidth);
        p->SetPopupWidth(c.width);
        EXPECT_EQ(c.expected, p->GetPopupWidth()) << c.minWidth << " " << c.width;
    }
    p->SetPopupMinHeight(40);
    p->SetPopupHeight(10);
    EXPECT_EQ(40, p->GetPopupHeight());
    p->SetPopupMinHeight(-3);
    EXPECT_EQ(0, p->GetPopupMinHeight());
    // Rows below 1 leave the previous value.
    p->SetDropDownRows(5);
    p->SetDropDownRows(0);
    p->SetDropDownRows(-1);
    EXPECT_EQ(5, p->GetDropDownRowsValue());
    EXPECT_EQ(bkDown, static_cast<TqzEditButton*>(p->GetButtons()->GetItem(0))->GetKind());
}

TEST_F(ComboBoxTest, ListStylesChooseTheEditingStyleAndTheClickToOpen) {
    TqzComboBox* combo = MakeCombo(0);
    TqzComboBoxProperties* p = combo->GetProperties();
    struct Case {
        TqzEditDropDownListStyle style;
        TqzTextEditingStyle editing;
        bool clickOpens;
    };
    for (const Case& c : std::vector<Case>{{lsEditFixedList, RestrictedText, false},
                                           {lsEditList, FreeText, false},
                                           {lsFixedList, FixedList, true}}) {
        p->SetDropDownListStyle(c.style);
        EXPECT_EQ(c.editing, p->GetEditingStyle());
        EXPECT_EQ(c.clickOpens, p->DropDownOnClick());
    }
}

// ---- Opening and closing ---------------------------------------------------------------------

TEST_F(ComboBoxTest, F4TogglesAndAltArrowsOpenAndCloseTakingTheHighlight) {
    TqzComboBox* combo = FocusedCombo(5);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    EXPECT_EQ(1, Log.Popups);
    Key(combo, VK_F4);
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrToggle}, Log.Reasons);

    Key(combo, VK_DOWN, true);
    ASSERT_TRUE(combo->HasOpenPopup());
    combo->GetLookupData()->SetListHighlight(3);
    Key(combo, VK_UP, true);
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(qzcrToggle, Log.Reasons.back());
    EXPECT_EQ(FormatItem(3), Text(combo));
    EXPECT_EQ(3, combo->GetLookupData()->GetCurrentIndex());
}

TEST_F(ComboBoxTest, EscapeClosesWithoutTakingTheHighlightOrRevertingTheText) {
    TqzComboBox* combo = FocusedCombo(5);
    Type(combo, "abc");
    ASSERT_TRUE(combo->HasOpenPopup()) << "a typed character opens the list";
    EXPECT_EQ("abc", Text(combo)) << "and still reaches the text";
    combo->GetLookupData()->SetListHighlight(2);
    Key(combo, VK_ESCAPE);
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(qzcrCancel, Log.Reasons.back());
    EXPECT_EQ("abc", Text(combo));
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    combo->GetLookupData()->SetListHighlight(1);
    Key(combo, VK_RETURN);
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(qzcrAccept, Log.Reasons.back());
    EXPECT_EQ(FormatItem(1), Text(combo));
}

TEST_F(ComboBoxTest, AnEmptyListNeverOpensAndValidationCancelsAQueuedShow) {
    TqzComboBox* empty = FocusedCombo(0);
    Key(empty, VK_F4);
    EXPECT_FALSE(empty->HasOpenPopup());
    EXPECT_EQ(0, Log.Popups);

    TqzComboBox* combo = MakeCombo(3, lsEditList, 60);
    Pump();
    combo->SetFocus();
    Pump();
    combo->SetDroppedDown(true);
    ASSERT_TRUE(combo->HasPendingShow());
    combo->ValidateAndSynchronize();
    EXPECT_FALSE(combo->HasPendingShow());
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrUnknown}, Log.Reasons) << "the closed handling ran";
}

TEST_F(ComboBoxTest, TheEditListKeepsTypedTextAndMovesTheCurrentItemOnlyWhileOpen) {
    TqzComboBox* combo = FocusedCombo(300);
    combo->GetProperties()->SetImmediateDropDown(false);
    // Without incremental search nothing completes the typed text from the items.
    combo->GetProperties()->SetIncrementalSearch(false);
    Type(combo, "Tone 700");
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ("Tone 700", Text(combo));
    EXPECT_EQ(-1, combo->GetLookupData()->GetCurrentIndex()) << "closed, the current item stays";
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    SendMessageA(Inner(combo), WM_SETTEXT, 0, LPARAM("Tone 720"));
    Pump();
    EXPECT_EQ(5, combo->GetLookupData()->GetHighlightIndex()) << "open, the highlight follows the text";
    Key(combo, VK_F4);
    EXPECT_EQ(FormatItem(5), Text(combo));
}

// ---- The list's size -------------------------------------------------------------------------

TEST_F(ComboBoxTest, TheListTakesWholeRowsAndAScrollBarWhenItemsRemain) {
    struct Case {
        Integer items, rows;
        bool scrollBar;
    };
    Integer top = 10;
    for (const Case& c : std::vector<Case>{{20, 8, true}, {3, 3, false}}) {
        SCOPED_TRACE(c.items);
        TqzComboBox* combo = MakeCombo(c.items, lsEditList, top);
        top += 40;
        Form->Show();
        Pump();
        combo->SetFocus();
        Pump();
        Key(combo, VK_F4);
        ASSERT_TRUE(combo->HasOpenPopup());
        auto* list = dynamic_cast<TqzComboBoxListBox*>(combo->GetLookupData()->GetList());
        ASSERT_NE(nullptr, list);
        Integer widest = 0;
        for (Integer i = 0; i < c.items; ++i)
            widest = std::max(widest, list->GetItemWidth(i));
        const Integer rowHeight = list->GetItemHeight(0);
        EXPECT_EQ(c.rows * rowHeight, list->GetHeight());
        const TSize preferred = combo->GetComboLookupData()->GetListPreferredSize();
        EXPECT_EQ(widest + 4 + (c.scrollBar ? GetSystemMetrics(SM_CXVSCROLL) : 0), preferred.cx);
        const TRect owner = combo->GetPopupOwnerBounds();
        EXPECT_GE(combo->GetPopupWindow()->GetWidth(), owner.right - owner.left)
            << "at least the editor's width";
        Key(combo, VK_ESCAPE);
    }
}

// ---- Stored definitions ----------------------------------------------------------------------

TEST_F(ComboBoxTest, CombosOfEachKindAreReadFromAWindowDefinition) {
    const String text = "object ChannelForm: TForm\n"
                        "  Left = 0\n"
                        "  Top = 0\n"
                        "  Width = 300\n"
                        "  Height = 200\n"
                        "  object PowerCombo: TqzComboBox\n"
                        "    Left = 8\n"
                        "    Top = 8\n"
                        "    Properties.DropDownListStyle = lsFixedList\n"
                        "    Properties.Items.Strings = (\n"
                        "      'High'\n"
                        "      'Low')\n"
                        "    TabOrder = 0\n"
                        "  end\n"
                        "  object ToneCombo: TqzComboBox\n"
                        "    Left = 8\n"
                        "    Top = 40\n"
                        "    Properties.DropDownRows = 12\n"
                        "    Properties.Items.Strings = (\n"
                        "      '67.0'\n"
                        "      '71.9'\n"
                        "      '74.4')\n"
                        "    TabOrder = 1\n"
                        "  end\n"
                        "end\n";
    std::unique_ptr<TForm> form(TForm::CreateNew(nullptr));
    ReadComponentText(text, form.get());
    auto* power = dynamic_cast<TqzComboBox*>(form->FindComponent("PowerCombo"));
    auto* tone = dynamic_cast<TqzComboBox*>(form->FindComponent("ToneCombo"));
    ASSERT_NE(nullptr, power);
    ASSERT_NE(nullptr, tone);
    EXPECT_EQ(lsFixedList, power->GetProperties()->GetDropDownListStyle());
    EXPECT_EQ(2, power->GetProperties()->GetItems()->GetCount());
    EXPECT_EQ(lsEditList, tone->GetProperties()->GetDropDownListStyle());
    EXPECT_EQ(12, tone->GetProperties()->GetDropDownRowsValue());
    EXPECT_EQ("71.9", tone->GetProperties()->GetItems()->GetStrings(1));
    form->Show();
    Pump();
    tone->SetFocus();
    Pump();
    SendMessageA(Inner(tone), WM_KEYDOWN, VK_F4, 0);
    Pump();
    EXPECT_TRUE(tone->HasOpenPopup());
    SendMessageA(Inner(tone), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_FALSE(tone->HasOpenPopup());
}

TEST_F(ComboBoxTest, TheEditorsAreRegisteredWithTheirDescriptions) {
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    const Integer combo = registry->IndexOfClass(TqzComboBoxProperties::StaticClass());
    const Integer popup = registry->IndexOfClass(TqzPopupEditProperties::StaticClass());
    ASSERT_NE(-1, combo);
    ASSERT_NE(-1, popup);
    EXPECT_EQ("ComboBox|Represents the combo box editor", registry->GetText(combo));
    EXPECT_EQ("PopupEdit|Represents an edit control with a dropdown list", registry->GetText(popup));
}

} // namespace

namespace {

// ---- Fixed lists and the list under the mouse ------------------------------------------------

TEST_F(ComboBoxTest, AFixedListOpensOnAClickSearchesTypedTextAndRefusesForeignText) {
    TqzComboBox* combo = FocusedCombo(5, lsFixedList);
    combo->GetProperties()->SetImmediateDropDown(false);
    Type(combo, "Tone 69");
    EXPECT_EQ(FormatItem(2), Text(combo)) << "typing searches the items";
    Type(combo, "x");
    EXPECT_EQ(FormatItem(2), Text(combo)) << "text of no item is refused";
    EXPECT_FALSE(combo->HasOpenPopup());
    const TRect client = combo->GetViewInfo()->ClientRect;
    const LPARAM at = MAKELPARAM(client.left + 5, client.top + 3);
    // The press opens the list once its queued show has run; the release that ends the click
    // leaves it open.
    SendMessageA(combo->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup()) << "a press on the text opens the list";
    SendMessageA(combo->GetHandle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup()) << "the release of the same click keeps it open";
    EXPECT_TRUE(Log.Reasons.empty());
}

TEST_F(ComboBoxTest, ReleasingOverAnItemChoosesItAndBelowTheLastDoesNothing) {
    TqzComboBox* combo = FocusedCombo(3);
    combo->GetProperties()->SetPopupAutoSize(false);
    combo->GetProperties()->SetPopupHeight(200);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditListBox* list = combo->GetLookupData()->GetList();
    ASSERT_NE(nullptr, list);
    ASSERT_GT(list->GetHeight(), 3 * list->GetListItemHeight(-1) + 10);
    const Integer row = list->GetListItemHeight(-1);
    SendMessageA(list->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 3 * row + 5));
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup()) << "below the last item";
    EXPECT_TRUE(Log.Reasons.empty());
    SendMessageA(list->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, row + row / 2));
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrAccept}, Log.Reasons);
    EXPECT_EQ(FormatItem(1), Text(combo));
}

TEST_F(ComboBoxTest, ARevertableFixedListCyclesOnADoubleClick) {
    TqzComboBox* combo = FocusedCombo(3, lsFixedList);
    combo->GetProperties()->Revertable = true;
    std::vector<String> seen;
    for (int i = 0; i < 4; ++i) {
        combo->HandleDblClick();
        Pump();
        seen.push_back(Text(combo));
    }
    EXPECT_EQ((std::vector<String>{FormatItem(0), FormatItem(1), FormatItem(2), FormatItem(0)}), seen);
    EXPECT_FALSE(combo->HasOpenPopup());
    combo->GetProperties()->Revertable = false;
    combo->HandleDblClick();
    EXPECT_EQ(FormatItem(0), Text(combo)) << "without Revertable nothing moves";
}

} // namespace

namespace {

// ---- Sizing the list with the mouse ------------------------------------------------------------

TEST_F(ComboBoxTest, DraggingTheGripSizesInWholeRowsAndOnlyTheFreeEdgesMove) {
    TqzComboBox* combo = FocusedCombo(20);
    combo->GetProperties()->SetDropDownSizeable(true);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
    TqzCustomEditListBox* list = combo->GetLookupData()->GetList();
    const Integer row = list->GetListItemHeight(-1);
    ASSERT_EQ(8 * row, list->GetHeight());
    ASSERT_EQ(3, popup->GetEditViewInfo()->SizeGripCorner) << "below the editor, grip bottom right";
    const TRect before = popup->GetBoundsRect();
    const Integer midY = popup->GetHeight() / 2;

    // The left frame lies beside nothing that may move: dragging it changes nothing.
    SetCapture(popup->GetHandle());
    popup->HandleMouseDown(mbLeft, {}, 1, midY);
    popup->HandleMouseMove({ssLeft}, -30, midY);
    popup->HandleMouseUp(mbLeft, {}, -30, midY);
    const TRect afterLeft = popup->GetBoundsRect();
    EXPECT_TRUE(EqualRect(&before, &afterLeft));

    // The right frame widens the popup only once the pointer has passed its right edge.
    const Integer right = popup->GetWidth() - 1;
    SetCapture(popup->GetHandle());
    popup->HandleMouseDown(mbLeft, {}, right, midY);
    EXPECT_NE(nullptr, GetEditPopupSizingOutlineWindow()) << "the outline is shown at the popup's bounds";
    const TqzEditPopupSizingState& sizing = GetEditPopupSizingState();
    popup->HandleMouseMove({ssLeft}, popup->GetWidth(), midY);
    EXPECT_EQ(before.right, sizing.LastOutline.right) << "not past the edge yet";
    popup->HandleMouseMove({ssLeft}, right + 21, midY);
    EXPECT_EQ(before.right + 21, sizing.LastOutline.right) << "the outline follows";
    EXPECT_EQ(before.right - before.left, popup->GetWidth()) << "only the outline moves while dragging";
    popup->HandleMouseUp(mbLeft, {}, right + 21, midY);
    EXPECT_EQ(nullptr, GetEditPopupSizingOutlineWindow()) << "erased on release";
    EXPECT_EQ(before.right - before.left + 21, popup->GetWidth());
    EXPECT_EQ(before.left, popup->GetLeft());

    // The grip changes the height in whole rows: one and a half rows more give one.
    const TRect grip = popup->GetEditViewInfo()->SizeGripSizingRect;
    const Integer gx = (grip.left + grip.right) / 2, gy = (grip.top + grip.bottom) / 2;
    SetCapture(popup->GetHandle());
    popup->HandleMouseDown(mbLeft, {}, gx, gy);
    popup->HandleMouseMove({ssLeft}, gx, gy + row + row / 2);
    popup->HandleMouseUp(mbLeft, {}, gx, gy + row + row / 2);
    EXPECT_EQ(9 * row, list->GetHeight());
    EXPECT_TRUE(combo->GetUserSized());
    Key(combo, VK_ESCAPE);
    EXPECT_EQ(popup->GetHeight(), combo->GetProperties()->GetPopupHeight()) << "the user's size is kept";
}

} // namespace

namespace {

// ---- Placement -------------------------------------------------------------------------------

TEST_F(ComboBoxTest, AListWithoutRoomBelowOpensAboveWithItsPanelAtTheTopAndItsShadowCut) {
    const TRect work = GetMonitorWorkArea(TPoint{100, 100});
    Form->SetBounds(work.left + 40, work.bottom - 90, 300, 80);
    TqzComboBox* combo = MakeCombo(20, lsEditList, 5);
    combo->GetProperties()->SetDropDownSizeable(true);
    combo->GetStyle()->SetShadow(true);
    Form->Show();
    Pump();
    combo->SetFocus();
    Pump();
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
    TqzCustomEditPopupWindowViewInfo* info = popup->GetEditViewInfo();
    const TRect owner = combo->GetPopupOwnerBounds();
    const POINT ownerTop = Form->ClientToScreen(POINT{owner.left, owner.top});
    EXPECT_EQ(1, info->SizeGripCorner) << "above, the grip on the right";
    EXPECT_EQ(ownerTop.y + 3, popup->GetTop() + popup->GetHeight())
        << "3 pixels lower, over the editor's top";
    TRect extents;
    info->GetClientExtent(extents);
    EXPECT_GT(extents.top, extents.bottom) << "the panel lies at the top";
    EXPECT_LT(info->SizeGripSizingRect.top, popup->GetHeight() / 2);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(popup->GetHandle(), region));
    const Integer h = popup->GetHeight();
    EXPECT_TRUE(PtInRegion(region, 5, h - 5));
    EXPECT_FALSE(PtInRegion(region, 5, h - 2)) << "the bottom shadow over the editor is cut out";
    EXPECT_TRUE(PtInRegion(region, popup->GetWidth() - 2, h - 2)) << "the shadow beyond the editor stays";
    DeleteObject(region);
}

TEST_F(ComboBoxTest, TheListAlignsToTheChosenEdgeOfTheEditor) {
    Form->SetLeft(300);
    TqzComboBox* combo = FocusedCombo(3);
    TqzComboBoxProperties* p = combo->GetProperties();
    p->SetDropDownAutoWidth(false);
    p->SetDropDownWidth(200);
    const TRect owner = combo->GetPopupOwnerBounds();
    const POINT origin = Form->ClientToScreen(POINT{owner.left, owner.top});
    const Integer ownerWidth = owner.right - owner.left;
    struct Case {
        TAlignment alignment;
        Integer left;
    };
    for (const Case& c : std::vector<Case>{{taLeftJustify, origin.x},
                                           {taRightJustify, origin.x + ownerWidth - 200},
                                           {taCenter, (2 * origin.x + ownerWidth - 200) / 2}}) {
        p->SetPopupAlignment(c.alignment);
        Key(combo, VK_F4);
        ASSERT_TRUE(combo->HasOpenPopup());
        EXPECT_EQ(200, combo->GetPopupWindow()->GetWidth());
        EXPECT_EQ(c.left, combo->GetPopupWindow()->GetLeft()) << int(c.alignment);
        Key(combo, VK_F4);
    }
}

} // namespace

namespace {

TEST_F(ComboBoxTest, PressingTheButtonOfAnOpenListUnderThePointerClosesItWithoutReopening) {
    TqzComboBox* combo = FocusedCombo(5);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    const TRect button = combo->GetViewInfo()->ButtonsInfo[0]->Bounds;
    const POINT screen =
        combo->ClientToScreen(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
    // Input as the display delivers it, through the popup's mouse hook.
    WinInputMouseMove(screen);
    Pump();
    EXPECT_TRUE(combo->IsHotAndPopup());
    WinInputMouseButton(screen, TWinMouseButton::Left, true);
    Pump();
    WinInputMouseButton(screen, TWinMouseButton::Left, false);
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_FALSE(combo->HasPendingShow());
    EXPECT_EQ(1u, Log.Reasons.size());
    EXPECT_EQ(1, Log.Popups) << "not opened again";
}

} // namespace

namespace {

TEST_F(ComboBoxTest, APressOnTheButtonDraggedIntoTheListChoosesOnRelease) {
    TqzComboBox* combo = FocusedCombo(5);
    const TRect button = combo->GetViewInfo()->ButtonsInfo[0]->Bounds;
    const POINT onButton =
        combo->ClientToScreen(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
    WinInputMouseMove(onButton);
    WinInputMouseButton(onButton, TWinMouseButton::Left, true);
    Pump();
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditListBox* list = combo->GetLookupData()->GetList();
    const Integer row = list->GetListItemHeight(-1);
    const POINT onItem = list->ClientToScreen(POINT{10, 3 * row + row / 2});
    WinInputMouseMove(onItem);
    Pump();
    WinInputMouseButton(onItem, TWinMouseButton::Left, false);
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup());
    ASSERT_FALSE(Log.Reasons.empty());
    EXPECT_EQ(qzcrAccept, Log.Reasons.back());
    EXPECT_EQ(FormatItem(3), Text(combo));
}

} // namespace

namespace {

TEST_F(ComboBoxTest, AClickOnAnItemChoosesItAndTheFocusStaysInTheEditor) {
    TqzComboBox* combo = FocusedCombo(5, lsFixedList);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditListBox* list = combo->GetLookupData()->GetList();
    const Integer row = list->GetListItemHeight(-1);
    const POINT onItem = list->ClientToScreen(POINT{10, 2 * row + row / 2});
    WinInputMouseMove(onItem);
    WinInputMouseButton(onItem, TWinMouseButton::Left, true);
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup()) << "the press keeps the list open";
    EXPECT_EQ(Inner(combo), GetFocus());
    WinInputMouseButton(onItem, TWinMouseButton::Left, false);
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(std::vector<TqzEditCloseUpReason>{qzcrAccept}, Log.Reasons);
    EXPECT_EQ(FormatItem(2), Text(combo));
    EXPECT_TRUE(combo->Focused());
}

} // namespace

namespace {

// The native look through the recording fake theme.
class NativeComboBoxTest : public ComboBoxTest {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        ComboBoxTest::SetUp();
    }
    void TearDown() override {
        ComboBoxTest::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(NativeComboBoxTest, ANativeListHasAOnePixelFrameAndNoWindowRegion) {
    TqzComboBox* combo = MakeCombo(5);
    combo->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
    combo->GetStyle()->SetShadow(true);
    combo->GetProperties()->SetDropDownSizeable(true);
    Form->Show();
    Pump();
    combo->SetFocus();
    Pump();
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
    EXPECT_TRUE(popup->GetNativeStyle());
    TRect extents;
    popup->GetEditViewInfo()->GetClientExtent(extents);
    EXPECT_EQ(1, extents.left);
    EXPECT_EQ(1, extents.top);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(ERROR, GetWindowRgn(popup->GetHandle(), region)) << "no window region";
    DeleteObject(region);
    popup->SetClientEdge(true);
    popup->GetEditViewInfo()->GetClientExtent(extents);
    EXPECT_EQ(3, extents.left) << "a two-pixel client edge";
}

} // namespace

namespace {

TEST_F(ComboBoxTest, AComboWrittenAndReadBackKeepsItsSettings) {
    TqzComboBox* combo = MakeCombo(3, lsEditFixedList);
    combo->SetName("BandCombo");
    TqzComboBoxProperties* p = combo->GetProperties();
    p->SetDropDownRows(5);
    p->SetDropDownSizeable(true);
    p->SetPopupAlignment(taRightJustify);
    p->Revertable = true;
    const String written = WriteComponentText(Form);
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzComboBox*>(copy->FindComponent("BandCombo"));
    ASSERT_NE(nullptr, read) << written;
    TqzComboBoxProperties* q = read->GetProperties();
    EXPECT_EQ(lsEditFixedList, q->GetDropDownListStyle());
    EXPECT_EQ(5, q->GetDropDownRowsValue());
    EXPECT_TRUE(q->GetDropDownSizeable());
    EXPECT_EQ(taRightJustify, q->GetPopupAlignment());
    EXPECT_TRUE(q->Revertable);
    EXPECT_EQ(3, q->GetItems()->GetCount());
    EXPECT_EQ(FormatItem(2), q->GetItems()->GetStrings(2));
}

} // namespace

namespace {

// Records the regions of the non-client paints a list receives.
struct NcPaintSpy {
    TWndMethod Old;
    std::vector<RECT> Regions;
    void Proc(TMessage& message) {
        if (message.Msg == WM_NCPAINT && message.WParam > 1) {
            RECT box{};
            GetRgnBox(HRGN(message.WParam), &box);
            Regions.push_back(box);
        }
        Old(message);
    }
};

TEST_F(ComboBoxTest, AResizedListWithBothScrollBarsPaintsItsGripCornerAgain) {
    TqzComboBox* combo = FocusedCombo(0);
    TqzComboBoxProperties* p = combo->GetProperties();
    for (Integer i = 0; i < 20; ++i)
        p->GetItems()->Add(FormatItem(i) + " with a description far wider than the editor");
    p->SetDropDownAutoWidth(false);
    p->SetDropDownSizeable(true);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    auto* list = dynamic_cast<TqzComboBoxListBox*>(combo->GetLookupData()->GetList());
    ASSERT_NE(nullptr, list);
    const TRect corner = list->GetSizeGripRect();
    ASSERT_FALSE(IsRectEmpty(&corner)) << "both scroll bars show";
    NcPaintSpy spy{list->WindowProc, {}};
    list->WindowProc = TWndMethod(&spy, &NcPaintSpy::Proc);
    TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
    popup->SetHeight(popup->GetHeight() + 2 * list->GetListItemHeight(-1));
    popup->RefreshLayout();
    list->WindowProc = spy.Old;
    RECT window{};
    GetWindowRect(list->GetHandle(), &window);
    const TRect moved = list->GetSizeGripRect();
    const RECT expected{window.left + moved.left, window.top + moved.top, window.left + moved.right,
                        window.top + moved.bottom};
    bool painted = false;
    for (const RECT& r : spy.Regions)
        painted = painted || EqualRect(&r, &expected);
    EXPECT_TRUE(painted) << spy.Regions.size() << " non-client paints with a region";
    Key(combo, VK_ESCAPE);
    spy.Regions.clear();
    list->WindowProc = TWndMethod(&spy, &NcPaintSpy::Proc);
    list->SetHeight(list->GetHeight() - 10);
    list->WindowProc = spy.Old;
    EXPECT_TRUE(spy.Regions.empty()) << "a closed list is left alone";
}

} // namespace

namespace {

// A window whose definition binds a combo's item drawing and measuring to its own handlers.
class TToneWindow : public TForm {
    KOV_CLASS(TToneWindow, TForm)
public:
    explicit TToneWindow(TComponent* owner) : TForm(owner, TCreateNew{}) {}
    void ToneDrawItem(TqzCustomComboBox* control, TqzCanvas* canvas, Integer index, const TRect& rect,
                      TOwnerDrawState) {
        Drawn.push_back(index);
        canvas->SetBrushColor(clYellow);
        canvas->FillRectOrTile(rect);
        EXPECT_NE(nullptr, control);
    }
    void ToneMeasureItem(TqzCustomComboBox*, Integer, TqzCanvas*, Integer& height) { height = 30; }
    std::vector<Integer> Drawn;
};

} // namespace

KOV_PUBLISHED(TToneWindow) {
    Method("ToneDrawItem", &TToneWindow::ToneDrawItem);
    Method("ToneMeasureItem", &TToneWindow::ToneMeasureItem);
}

namespace {

TEST_F(ComboBoxTest, ItemDrawingAndMeasuringAreBoundByNameFromAWindowDefinition) {
    const String text = "object ToneWindow: TToneWindow\n"
                        "  Left = 0\n"
                        "  Top = 0\n"
                        "  Width = 300\n"
                        "  Height = 200\n"
                        "  object ToneCombo: TqzComboBox\n"
                        "    Left = 8\n"
                        "    Top = 8\n"
                        "    Properties.Items.Strings = (\n"
                        "      '67.0'\n"
                        "      '71.9'\n"
                        "      '74.4')\n"
                        "    Properties.OnDrawItem = ToneDrawItem\n"
                        "    Properties.OnMeasureItem = ToneMeasureItem\n"
                        "    ItemIndex = 1\n"
                        "    TabOrder = 0\n"
                        "  end\n"
                        "end\n";
    std::unique_ptr<TToneWindow> window(new TToneWindow(nullptr));
    ReadComponentText(text, window.get());
    auto* combo = dynamic_cast<TqzComboBox*>(window->FindComponent("ToneCombo"));
    ASSERT_NE(nullptr, combo);
    EXPECT_EQ("71.9", Text(combo)) << "the item index is read after the items";
    const String written = WriteComponentText(window.get());
    EXPECT_NE(String::npos, written.find("Properties.OnDrawItem = ToneDrawItem")) << written;
    EXPECT_NE(String::npos, written.find("Properties.OnMeasureItem = ToneMeasureItem")) << written;
    EXPECT_EQ(String::npos, written.find("ItemIndex")) << "the item follows the text";

    window->Show();
    Pump();
    combo->SetFocus();
    Pump();
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditListBox* list = combo->GetLookupData()->GetList();
    EXPECT_EQ(3 * 30, list->GetHeight()) << "rows of the measured height";
    window->Drawn.clear();
    UpdateWindow(list->GetHandle());
    InvalidateRect(list->GetHandle(), nullptr, TRUE);
    UpdateWindow(list->GetHandle());
    EXPECT_EQ((std::vector<Integer>{0, 1, 2}), window->Drawn) << "every row drawn by the window";
}

} // namespace

namespace {

// ---- In place --------------------------------------------------------------------------------

TEST_F(ComboBoxTest, InPlaceTheListSizeTheUserGaveIsKeptInTheEditDataBetweenActivations) {
    auto* combo = new TqzComboBox(Form, true);
    combo->SetParent(Form);
    combo->SetBounds(10, 10, 120, 21);
    combo->SetVisible(false);
    TqzComboBoxProperties* p = combo->GetProperties();
    for (Integer i = 0; i < 20; ++i)
        p->GetItems()->Add(FormatItem(i));
    p->SetDropDownSizeable(true);
    Form->Show();
    Pump();
    TqzCustomEditData* edited = nullptr;
    combo->Activate(edited);
    std::unique_ptr<TqzCustomEditData> owned(edited);
    auto* data = dynamic_cast<TqzCustomDropDownEditData*>(edited);
    ASSERT_NE(nullptr, data);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
    EXPECT_FALSE(popup->GetTopMostWithOwner()) << "in place the popup is not kept above its owner";
    EXPECT_EQ(1, SendMessageA(Inner(combo), CM_HINTSHOW, 0, 0)) << "no hint while the list is open";
    const Integer row = combo->GetLookupData()->GetList()->GetListItemHeight(-1);
    const TRect grip = popup->GetEditViewInfo()->SizeGripSizingRect;
    const Integer gx = (grip.left + grip.right) / 2, gy = (grip.top + grip.bottom) / 2;
    SetCapture(popup->GetHandle());
    popup->HandleMouseDown(mbLeft, {}, gx, gy);
    popup->HandleMouseMove({ssLeft}, gx, gy + 2 * row);
    popup->HandleMouseUp(mbLeft, {}, gx, gy + 2 * row);
    const Integer sized = popup->GetHeight();
    combo->CloseUp(qzcrCancel);
    EXPECT_EQ(0, SendMessageA(Inner(combo), CM_HINTSHOW, 0, 0));
    EXPECT_TRUE(data->UserSized);
    EXPECT_EQ(sized, data->Height);
    EXPECT_EQ(0, p->GetPopupHeight()) << "the properties keep their own size";

    // The grid leaves the cell and comes back: the list opens at the user's size.
    combo->ValidateAndSynchronize();
    combo->SetVisible(false);
    combo->Activate(edited);
    EXPECT_TRUE(combo->GetUserSized());
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    EXPECT_EQ(sized, popup->GetHeight());
    combo->CloseUp(qzcrCancel);
    combo->ResetPopupHeight();
    EXPECT_EQ(0, data->Height) << "the lookup editors' reset forgets the in-place height";

    // With ImmediatePopup the list opens as the editor is activated.
    p->SetImmediatePopup(true);
    combo->ValidateAndSynchronize();
    combo->Activate(edited);
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup());
}

TEST_F(ComboBoxTest, InPlaceActivationByTheMouseDoesNotOpenAFixedListOnTheSameClick) {
    auto* combo = new TqzComboBox(Form, true);
    combo->SetParent(Form);
    combo->SetBounds(10, 10, 120, 21);
    combo->GetProperties()->SetDropDownListStyle(lsFixedList);
    for (Integer i = 0; i < 3; ++i)
        combo->GetProperties()->GetItems()->Add(FormatItem(i));
    Form->Show();
    Pump();
    TqzCustomEditData* edited = nullptr;
    const TRect client = combo->GetViewInfo()->ClientRect;
    combo->ActivateByMouse(TShiftState{ssLeft}, combo->GetLeft() + client.left + 5,
                           combo->GetTop() + client.top + 3, edited);
    std::unique_ptr<TqzCustomEditData> owned(edited);
    SendMessageA(combo->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(client.left + 5, client.top + 3));
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup()) << "the click that moved the editor into the cell";
    const LPARAM at = MAKELPARAM(client.left + 5, client.top + 3);
    SendMessageA(combo->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(combo->GetHandle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup()) << "the next click opens the list";
}

TEST_F(ComboBoxTest, InPlaceActivationByATypedKeyOpensTheListAndTypesTheKey) {
    auto* combo = new TqzComboBox(Form, true);
    combo->SetParent(Form);
    combo->SetBounds(10, 10, 120, 21);
    for (Integer i = 0; i < 3; ++i)
        combo->GetProperties()->GetItems()->Add(FormatItem(i));
    combo->GetProperties()->SetIncrementalSearch(false);
    Form->Show();
    Pump();
    TqzCustomEditData* edited = nullptr;
    combo->ActivateByKey(U'7', edited);
    std::unique_ptr<TqzCustomEditData> owned(edited);
    Pump();
    EXPECT_TRUE(combo->HasOpenPopup());
    EXPECT_EQ("7", Text(combo)) << "the list does not take the focus: the key is typed into the editor";
}

} // namespace

namespace {

// ---- Pasting -----------------------------------------------------------------------------------

class ComboBoxPasteTest : public ComboBoxTest {
protected:
    void SetUp() override {
        ComboBoxTest::SetUp();
        FOldClipboard = SetClipboardStore(&Clipboard);
    }
    void TearDown() override {
        SetClipboardStore(FOldClipboard);
        ComboBoxTest::TearDown();
    }
    void Paste(TqzCustomTextEdit* editor, const std::u16string& text) {
        TClipboardContents contents;
        contents.HasText = true;
        contents.Text = text;
        Clipboard.Replace(contents);
        SendMessageA(Inner(editor), WM_PASTE, 0, 0);
    }
    TMemoryClipboardStore Clipboard;

private:
    TClipboardStore* FOldClipboard = nullptr;
};

TEST_F(ComboBoxPasteTest, PastedTextOpensTheListAndThenFindsItsItem) {
    struct Case {
        const char* what;
        bool immediateDropDown;
        std::u16string pasted;
        bool opens;
        Integer current;
    };
    const std::vector<Case> cases = {
        {"an item's text", true, u"Tone 700", true, 3},
        {"an item's text of characters beyond one byte", true, u"中文", true, 5},
        {"text of no item", true, u"Tone 705", true, -1},
        {"without ImmediateDropDown", false, u"Tone 700", false, -1},
        {"nothing", true, u"", false, -1},
    };
    Integer top = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TqzComboBox* combo = MakeCombo(5, lsEditList, top);
        combo->GetProperties()->GetItems()->Add("中文");
        top += 30;
        combo->GetProperties()->SetImmediateDropDown(c.immediateDropDown);
        Form->Show();
        Pump();
        combo->SetFocus();
        Pump();
        Paste(combo, c.pasted);
        EXPECT_FALSE(combo->HasOpenPopup()) << "the list shows once the paste is over";
        Pump();
        EXPECT_EQ(c.opens, combo->HasOpenPopup());
        EXPECT_EQ(c.current, combo->GetLookupData()->GetCurrentIndex());
        if (c.current != -1) {
            EXPECT_TRUE(combo->GetFindSelection()) << "the pasted text stands as a found item";
            Key(combo, VK_RETURN);
            EXPECT_EQ(combo->GetProperties()->GetItems()->GetStrings(c.current), Text(combo));
        }
        combo->SetDroppedDown(false);
    }
}

} // namespace

namespace {

TEST_F(NativeComboBoxTest, APopupNeverShowsScrollBarsOfItsOwn) {
    // A list laid out in a popup without a panel, then moved under the panel of a sizeable popup
    // above its editor: the popup window itself must not start scrolling its content.
    TqzComboBox* combo = FocusedCombo(20);
    combo->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    Key(combo, VK_ESCAPE);
    combo->GetStyle()->GetLookAndFeel()->SetNativeStyle(false);
    combo->GetProperties()->SetDropDownSizeable(true);
    const TRect work = GetMonitorWorkArea(TPoint{100, 100});
    Form->SetBounds(work.left + 40, work.bottom - 90, 300, 80);
    Pump();
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
    ASSERT_EQ(1, popup->GetEditViewInfo()->SizeGripCorner) << "above its editor";
    const LONG style = GetWindowLongA(popup->GetHandle(), GWL_STYLE);
    EXPECT_EQ(0, style & (WS_VSCROLL | WS_HSCROLL));
    RECT client{};
    ::GetClientRect(popup->GetHandle(), &client);
    EXPECT_EQ(popup->GetWidth(), client.right);
    EXPECT_EQ(popup->GetHeight(), client.bottom);
}

} // namespace

namespace {

// A list whose popup takes the focus, as the lookup editors' lists do, and whose lookup records
// the typed text it is told when the popup shows.
class TTypedTextLookupData : public TqzComboBoxLookupData {
    KOV_CLASS(TTypedTextLookupData, TqzComboBoxLookupData)
public:
    using TqzComboBoxLookupData::TqzComboBoxLookupData;
    void NotifyTypedText(const String& text) override { Told.push_back(text); }
    std::vector<String> Told;
};

class TFocusTakingComboProperties : public TqzComboBoxProperties {
    KOV_CLASS(TFocusTakingComboProperties, TqzComboBoxProperties)
public:
    using TqzComboBoxProperties::TqzComboBoxProperties;
    TClass GetLookupDataClass() const override { return TTypedTextLookupData::StaticClass(); }
    bool PopupWindowCapturesFocus() override { return true; }
};

class TFocusTakingCombo : public TqzCustomComboBox {
    KOV_CLASS(TFocusTakingCombo, TqzCustomComboBox)
public:
    explicit TFocusTakingCombo(TComponent* owner) : TqzCustomComboBox(owner, false, true) {
        InitializeEditor();
    }
    TClass GetPropertiesClass() override { return TFocusTakingComboProperties::StaticClass(); }
};

} // namespace

KOV_PUBLISHED(TTypedTextLookupData) {}
KOV_PUBLISHED(TFocusTakingComboProperties) {}
KOV_PUBLISHED(TFocusTakingCombo) {}

namespace {

const bool kFocusTakingRegistered = [] {
    RegisterInterfacedPersistentClass<TTypedTextLookupData>();
    RegisterInterfacedPersistentClass<TFocusTakingComboProperties>();
    return true;
}();

TEST_F(ComboBoxTest, AFocusTakingListIsToldTheTypedTextUpToTheCaretInCharacters) {
    ASSERT_TRUE(kFocusTakingRegistered);
    auto* combo = new TFocusTakingCombo(Form);
    combo->SetParent(Form);
    combo->SetBounds(10, 10, 120, 21);
    TqzCustomComboBoxProperties* p = combo->GetComboProperties();
    p->GetItems()->Add("中文");
    p->GetItems()->Add("English");
    p->SetImmediateDropDown(false);
    Form->Show();
    Pump();
    combo->SetFocus();
    Pump();
    SendMessageA(Inner(combo), WM_CHAR, WPARAM(U'中'), 0);
    Pump();
    ASSERT_EQ("中文", Text(combo)) << "completed from the items";
    ASSERT_TRUE(combo->GetFindSelection());
    p->SetImmediateDropDown(true);
    combo->GetPopupWindow()->SetModal(false);
    Key(combo, VK_F4);
    ASSERT_TRUE(combo->HasOpenPopup());
    auto* lookup = dynamic_cast<TTypedTextLookupData*>(combo->GetLookupData());
    ASSERT_NE(nullptr, lookup);
    EXPECT_EQ(std::vector<String>{"中"}, lookup->Told);
}

} // namespace
