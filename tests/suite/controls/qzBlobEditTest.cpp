// The blob editor: the kind resolved on first need, display texts and glyphs by kind and paint
// style, the popup's keys, buttons and menus, and when a popup's value is written back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzBlobEdit.h"
#include "tests/support/FormFixture.h"

namespace {

class TKindProvider : public TqzCustomEditDefaultValuesProvider {
public:
    TKindProvider(Integer kind, bool active) : TqzCustomEditDefaultValuesProvider(nullptr), Kind(kind), Active(active) {}
    Integer GetDefaultBlobEditKind() override { return Kind; }
    bool IsSourceActive() override { return Active; }
    Integer Kind;
    bool Active;
};

struct BlobLog {
    bool AllowEditing = true;
    Integer ValueChanges = 0;
    void Editing(TObject*, bool& canEdit) { canEdit = AllowEditing; }
    void ValueChanged(TObject*) { ++ValueChanges; }
};

class BlobEditTest : public testsupport::TFormFixture {
protected:
    TqzBlobEdit* Blob(TqzBlobEditKind kind = bekMemo) {
        auto* blob = new TqzBlobEdit(Form);
        blob->SetParent(Form);
        blob->SetBounds(10, 10, 120, 22);
        blob->GetBlobEditProperties()->SetBlobEditKind(kind);
        return blob;
    }
    static TqzBlobEditViewInfo* Info(TqzBlobEdit* blob) {
        return static_cast<TqzBlobEditViewInfo*>(blob->GetViewInfo());
    }
};

TEST_F(BlobEditTest, AnAutomaticKindIsResolvedWhenFirstNeeded) {
    struct Case {
        bool Provider;
        Integer ProviderKind;
        bool Active;
        TqzBlobEditKind Expected;
        TqzEditButtonKind Button;
    };
    const Case cases[] = {
        {false, 0, true, bekBlob, bkEllipsis}, {true, 0, true, bekBlob, bkEllipsis},
        {true, 1, true, bekBlob, bkEllipsis},  {true, 2, true, bekPict, bkDown},
        {true, 3, true, bekMemo, bkDown},      {true, 4, true, bekOle, bkEllipsis},
        {true, 3, false, bekAuto, bkDown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ProviderKind * 10 + c.Provider + 100 * c.Active);
        TqzBlobEditProperties p(nullptr);
        TKindProvider provider(c.ProviderKind, c.Active);
        if (c.Provider) p.SetDefaultValuesProvider(&provider);
        EXPECT_EQ(bekAuto, p.GetBlobEditKind());
        p.GetDisplayTextWide(Variant(String("x")));
        EXPECT_EQ(c.Expected, p.GetBlobEditKind());
        EXPECT_EQ(c.Button, p.GetButtons()->GetItem(0)->GetKind());
        p.SetDefaultValuesProvider(nullptr);
    }
}

TEST_F(BlobEditTest, DisplayTextsFollowTheKindAndThePaintStyle) {
    struct Case {
        TqzBlobEditKind Kind;
        TqzBlobPaintStyle Style;
        Variant Value;
        const char16_t* Shown;   // BlobDisplayText, not the full text
        const char16_t* Display; // GetDisplayTextWide
    };
    const Variant memo(String("one\r\ntwo"));
    const Case cases[] = {
        {bekPict, bpsDefault, Null(), u"(picture)", u""},
        {bekPict, bpsDefault, Variant(String("x")), u"(PICTURE)", u"(PICTURE)"},
        {bekMemo, bpsDefault, Null(), u"(memo)", u""},
        {bekMemo, bpsDefault, memo, u"(MEMO)", u"(MEMO)"},
        {bekMemo, bpsText, memo, u"one", u"one"},
        {bekMemo, bpsText, Variant(String("a\nb")), u"a", u"a"},
        {bekMemo, bpsIcon, memo, u"", u""},
        {bekOle, bpsText, Variant(String("x")), u"", u"OLE"},
        {bekOle, bpsDefault, Variant(String("x")), u"", u"OLE"},
        {bekBlob, bpsIcon, Variant(String("x")), u"", u"BLOB"},
        {bekBlob, bpsDefault, Null(), u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Kind) * 10 + int(c.Style));
        TqzBlobEditProperties p(nullptr);
        p.SetBlobEditKind(c.Kind);
        p.SetBlobPaintStyle(c.Style);
        EXPECT_EQ(WideString(c.Shown), BlobDisplayText(c.Value, &p, false));
        EXPECT_EQ(WideString(c.Display), p.GetDisplayTextWide(c.Value));
    }
    TqzBlobEditProperties p(nullptr);
    p.SetBlobEditKind(bekMemo);
    EXPECT_EQ(u"one\r\ntwo", BlobDisplayText(memo, &p, true));
    // Display values compare only as memo texts shown as text.
    EXPECT_FALSE(p.AreDisplayValuesEqual(memo, memo));
    p.SetBlobPaintStyle(bpsText);
    EXPECT_TRUE(p.AreDisplayValuesEqual(memo, memo));
    EXPECT_FALSE(p.AreDisplayValuesEqual(memo, Variant(String("ONE\r\ntwo"))));
}

TEST_F(BlobEditTest, TheGlyphShowsTheKindAndWhetherThereIsAValue) {
    struct Case {
        TqzBlobEditKind Kind;
        Variant Value;
        Integer Glyph;
    };
    const Case cases[] = {
        {bekBlob, Null(), 0},         {bekBlob, Variant(String("x")), 1}, {bekMemo, Variant(String("")), 2},
        {bekMemo, Variant(String("a")), 3}, {bekPict, Null(), 4},          {bekPict, Variant(String("x")), 5},
        {bekOle, Null(), 6},          {bekOle, Variant(String("x")), 7},
    };
    Form->Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Kind));
        TqzBlobEdit* blob = Blob(c.Kind);
        blob->SetEditValue(c.Value);
        App->ProcessMessages();
        blob->UpdateViewAtCursor();
        EXPECT_EQ(c.Glyph, Info(blob)->GlyphIndex);
        const TRect g = Info(blob)->GlyphRect;
        EXPECT_EQ(18, g.right - g.left);
        EXPECT_EQ(16, g.bottom - g.top);
        delete blob;
    }
    // Other paint styles show text, no glyph.
    TqzBlobEdit* blob = Blob(bekMemo);
    blob->GetBlobEditProperties()->SetBlobPaintStyle(bpsText);
    blob->SetEditValue(Variant(String("first\r\nsecond")));
    blob->UpdateViewAtCursor();
    EXPECT_EQ(-1, Info(blob)->GlyphIndex);
    EXPECT_EQ("first", Info(blob)->Text);
    EXPECT_FALSE(IsRectEmpty(&Info(blob)->TextRect));
    EXPECT_EQ(0xA10, Info(blob)->TextOutFlags) << "single line, centred, with an ellipsis";
    {
        TBitmap shot;
        shot.SetSize(blob->GetWidth(), blob->GetHeight());
        // The hidden inner edit (its window region is empty) is left out of the copy.
        blob->GetInnerControl()->SetVisible(false);
        blob->PaintTo(shot.GetCanvas()->GetHandle(), 0, 0);
        blob->GetInnerControl()->SetVisible(true);
        const TRect t = Info(blob)->TextRect;
        int dark = 0;
        for (int y = t.top; y < t.bottom; ++y)
            for (int x = t.left; x < t.right; ++x)
                if ((ColorToRGB(shot.GetCanvas()->GetPixels(x, y)) & 0xFF) < 0x80) ++dark;
        EXPECT_GT(dark, 10) << "the first line is drawn";
    }
    EXPECT_EQ(8, GetBlobGlyphs()->GetCount());
    EXPECT_EQ(18, GetBlobGlyphs()->GetWidth());
}

TEST_F(BlobEditTest, PopupKeysGiveTheModalResult) {
    struct Case {
        Word Key;
        TShiftState Shift;
        bool EnterSaves;
        bool AlwaysSave;
        Integer Result;
    };
    const Case cases[] = {
        {VK_F4, {}, false, true, mrOk},           {VK_F4, {}, false, false, mrCancel},
        {VK_F4, {ssAlt}, false, true, 0},         {VK_ESCAPE, {}, false, true, mrCancel},
        {VK_ESCAPE, {}, false, false, mrCancel},  {VK_UP, {ssAlt}, false, true, mrOk},
        {VK_DOWN, {ssAlt}, false, false, mrCancel}, {VK_UP, {}, false, true, 0},
        {VK_RETURN, {}, false, true, 0},          {VK_RETURN, {ssCtrl}, false, false, mrOk},
        {VK_RETURN, {}, true, false, mrOk},       {'A', {}, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Key));
        EXPECT_EQ(c.Result, PopupKeyResult(c.Key, c.Shift, c.EnterSaves, c.AlwaysSave));
    }
}

TEST_F(BlobEditTest, TheButtonsAreSizedByTheFontAndReadOnlyPopupsOnlyClose) {
    Form->Show();
    TqzBlobEdit* blob = Blob(bekMemo);
    // A font whose "Wg" is 13 pixels high.
    TqzCanvas* canvas = blob->GetControlCanvas();
    Integer height = 6;
    std::vector<Integer> seen;
    for (; height < 20; ++height) {
        blob->GetStyle()->GetFont()->SetHeight(height);
        canvas->SelectFont(blob->GetStyle()->GetFont());
        seen.push_back(canvas->TextHeightOf("Wg"));
        if (seen.back() == 13) break;
    }
    ASSERT_LT(height, 20) << "no font height gives a 13-pixel line: " << ::testing::PrintToString(seen);
    blob->PreparePopupControl();
    ASSERT_NE(nullptr, blob->GetOkButton());
    ASSERT_NE(nullptr, blob->GetCancelButton());
    EXPECT_EQ(20, blob->GetCancelButton()->GetHeight());
    EXPECT_EQ(20, blob->GetOkButton()->GetHeight());
    EXPECT_EQ(26, blob->GetPopupWindow()->GetSysPanelHeight());
    EXPECT_EQ("&Cancel", blob->GetCancelButton()->GetCaption());
    EXPECT_FALSE(blob->GetOkButton()->GetEnabled()) << "enabled by the first change";
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL) * 2 + (blob->GetButtonWidth() + 6) * 2 + 10,
              blob->GetBlobEditProperties()->GetPopupMinWidth());
    // The first change enables OK.
    blob->GetPopupMemo()->NotifyChange();
    EXPECT_TRUE(blob->GetOkButton()->GetEnabled());

    blob->GetBlobEditProperties()->SetReadOnly(true);
    blob->PreparePopupControl();
    EXPECT_EQ(nullptr, blob->GetOkButton());
    EXPECT_EQ("&Close", blob->GetCancelButton()->GetCaption());
    EXPECT_TRUE(blob->GetPopupMemo()->GetProperties()->GetReadOnly());
    blob->GetPopupMemo()->SetEditValue(Variant(String("changed")));
    blob->GetPopupMemo()->SetModifiedAfterEntry(true);
    blob->ClosePopupWithResult(mrOk);
    EXPECT_TRUE(VarIsNull(blob->GetEditValue()));
}

TEST_F(BlobEditTest, WithoutASizeGripThePopupButtonsStayInsideThePanel) {
    const TRect work = GetMonitorWorkArea(TPoint{100, 100});
    for (bool above : {false, true}) {
        SCOPED_TRACE(above ? "above" : "below");
        Form->SetBounds(work.left + 300, above ? work.bottom - 80 : work.top + 40, 300, 70);
        TqzBlobEdit* blob = Blob(bekMemo);
        blob->GetBlobEditProperties()->SetPopupSizeable(false);
        Form->Show();
        App->ProcessMessages();
        blob->DoInitPopup();
        blob->PreparePopupWindow();
        TqzCustomEditPopupWindow* window = blob->GetPopupWindow();
        const TRect cancel = blob->GetCancelButton()->GetBoundsRect();
        const TRect ok = blob->GetOkButton()->GetBoundsRect();
        EXPECT_GE(ok.left, 0);
        EXPECT_LE(cancel.right, window->GetWidth());
        EXPECT_GE(cancel.top, 0);
        EXPECT_LE(cancel.bottom, window->GetHeight());
        // In the panel away from the editor, Cancel at the right with OK beside it.
        EXPECT_EQ(above, cancel.bottom < window->GetHeight() / 2);
        EXPECT_GT(cancel.right, window->GetWidth() - (cancel.right - cancel.left) / 2);
        EXPECT_EQ(cancel.top, ok.top);
        EXPECT_LT(ok.right, cancel.left);
        delete blob;
    }
}

TEST_F(BlobEditTest, ThePopupButtonsSitBesideTheGripInEachCorner) {
    const TRect work = GetMonitorWorkArea(TPoint{100, 100});
    struct Case {
        const char* Name;
        bool Above;
        TAlignment Alignment;
        Byte Corner;
    };
    const Case cases[] = {
        {"below, grip right", false, taLeftJustify, 3},
        {"below, grip left", false, taRightJustify, 2},
        {"above, grip right", true, taLeftJustify, 1},
        {"above, grip left", true, taRightJustify, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Form->SetBounds(work.left + 300, c.Above ? work.bottom - 80 : work.top + 40, 300, 70);
        TqzBlobEdit* blob = Blob(bekMemo);
        blob->GetBlobEditProperties()->SetPopupAlignment(c.Alignment);
        Form->Show();
        App->ProcessMessages();
        blob->DoInitPopup();
        blob->PreparePopupWindow();
        TqzCustomEditPopupWindow* window = blob->GetPopupWindow();
        TqzCustomEditPopupWindowViewInfo* info = window->GetEditViewInfo();
        ASSERT_EQ(c.Corner, info->SizeGripCorner);
        const TRect g = info->SizeGripRect;
        const Integer W = window->GetWidth(), panel = info->SysPanelHeight;
        const TRect cancel = blob->GetCancelButton()->GetBoundsRect();
        const TRect ok = blob->GetOkButton()->GetBoundsRect();
        const Integer h = cancel.bottom - cancel.top, w = cancel.right - cancel.left;
        // Across: Cancel beside the grip (right) or at the right edge (grip left), OK left of it.
        if (info->IsGripOnRight()) {
            EXPECT_EQ(g.left - h / 6, cancel.right);
        } else {
            EXPECT_EQ(W - std::max(2 * (h / 6) + w, g.left + w) + w, cancel.right);
            EXPECT_GE(cancel.left, g.right);
        }
        EXPECT_EQ(cancel.left - h / 3, ok.right);
        EXPECT_EQ(w, ok.right - ok.left);
        // Down: in the panel, which lies away from the editor, anchored to its edge.
        const Integer top =
            info->IsGripAtBottom() ? g.bottom - (panel - h) / 2 - h + 2 : g.top + (panel - h) / 2 - 2;
        EXPECT_EQ(top, cancel.top);
        EXPECT_EQ(top, ok.top);
        const TAnchors anchors = info->IsGripAtBottom() ? TAnchors{akRight, akBottom} : TAnchors{akTop, akRight};
        EXPECT_EQ(anchors, blob->GetCancelButton()->GetAnchors());
        EXPECT_EQ(anchors, blob->GetOkButton()->GetAnchors());
        EXPECT_EQ(c.Above, cancel.bottom < window->GetHeight() / 2);
        delete blob;
    }
}

// A binding whose source refuses changes.
class TRefusingBinding : public TqzEditDataBinding {
public:
    using TqzEditDataBinding::TqzEditDataBinding;
    static TqzEditDataBinding* Make(TqzCustomEdit* editor) { return new TRefusingBinding(editor); }
    bool CanModify() override { return false; }
};

class TRefusedBlobEdit : public TqzCustomBlobEdit {
public:
    explicit TRefusedBlobEdit(TComponent* owner) : TqzCustomBlobEdit(owner, false, true) { InitializeEditor(); }
    TClass GetPropertiesClass() override { return TqzBlobEditProperties::StaticClass(); }
    TqzEditDataBindingClass GetDataBindingClass() override { return &TRefusingBinding::Make; }
};

TEST_F(BlobEditTest, ARefusingSourceGivesAClosingOnlyPopupThatWritesNothing) {
    Form->Show();
    auto* blob = new TRefusedBlobEdit(Form);
    blob->SetParent(Form);
    blob->SetBounds(10, 10, 120, 22);
    blob->GetBlobProperties()->SetBlobEditKind(bekMemo);
    blob->SetEditValue(Variant(String("kept")));
    blob->PreparePopupControl();
    EXPECT_EQ(nullptr, blob->GetOkButton());
    EXPECT_EQ("&Close", blob->GetCancelButton()->GetCaption());
    EXPECT_TRUE(blob->GetPopupMemo()->GetProperties()->GetReadOnly());
    blob->GetPopupMemo()->SetEditValue(Variant(String("changed")));
    blob->GetPopupMemo()->SetModifiedAfterEntry(true);
    blob->ClosePopupWithResult(mrOk);
    EXPECT_EQ("kept", VarToStr(blob->GetEditValue()));
}

TEST_F(BlobEditTest, AClosingPopupSavesAChangeByItsResultAndTheSaveSetting) {
    struct Case {
        TModalResult Result;
        bool AlwaysSave;
        bool AllowEditing;
        bool Saved;
    };
    const Case cases[] = {
        {mrOk, false, true, true},      {mrCancel, true, true, false}, {mrNone, true, true, true},
        {mrNone, false, true, false},   {mrOk, true, false, false},
    };
    Form->Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Result) * 100 + c.AlwaysSave * 10 + c.AllowEditing);
        TqzBlobEdit* blob = Blob(bekMemo);
        BlobLog log;
        blob->GetBlobEditProperties()->SetAlwaysSaveData(c.AlwaysSave);
        blob->SetEditValue(Variant(String("old")));
        blob->PreparePopupControl();
        EXPECT_EQ("old", VarToStr(blob->GetPopupMemo()->GetEditValue()));
        blob->GetPopupMemo()->SetEditValue(Variant(String("new")));
        blob->GetPopupMemo()->SetModifiedAfterEntry(true);
        log.AllowEditing = c.AllowEditing;
        blob->OnEditing = TqzEditEditingEvent(&log, &BlobLog::Editing);
        blob->ClosePopupWithResult(c.Result);
        EXPECT_EQ(c.Saved ? "new" : "old", VarToStr(blob->GetEditValue()));
        EXPECT_EQ(c.Saved, blob->GetModifiedAfterEnter());
        delete blob;
    }
}

TEST_F(BlobEditTest, ThePicturePopupMenuFollowsTheSettings) {
    struct Case {
        bool ShowPopup;
        bool ShowEx;
        TqzPopupMenuItems Items;
    };
    const Case cases[] = {
        {true, true, TqzPopupMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave}},
        {true, false, TqzPopupMenuItems{pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiCustom}},
        {false, true, TqzPopupMenuItems{}},
    };
    Form->Show();
    for (const Case& c : cases) {
        TqzBlobEdit* blob = Blob(bekPict);
        blob->GetBlobEditProperties()->ShowPicturePopup = c.ShowPopup;
        blob->GetBlobEditProperties()->ShowExPopupItems = c.ShowEx;
        blob->PreparePopupControl();
        ASSERT_NE(nullptr, blob->GetPopupImage());
        TqzImageProperties* ip = blob->GetPopupImage()->GetImageEditProperties();
        EXPECT_EQ(c.Items, ip->GetPopupMenuLayout()->GetMenuItems());
        EXPECT_TRUE(ip->GetStretch());
        EXPECT_FALSE(ip->GetShowFocusRect());
        delete blob;
    }
    // A kind change replaces the popup control.
    TqzBlobEdit* blob = Blob(bekPict);
    blob->PreparePopupControl();
    EXPECT_NE(nullptr, blob->GetPopupImage());
    blob->GetBlobEditProperties()->SetBlobEditKind(bekMemo);
    blob->PreparePopupControl();
    EXPECT_EQ(nullptr, blob->GetPopupImage());
    EXPECT_NE(nullptr, blob->GetPopupMemo());
}

TEST_F(BlobEditTest, AClosingPicturePopupWritesThePictureAndAnnouncesIt) {
    struct PictureLog {
        Integer Assigned = 0;
        void Picture(TObject*, TPicture*) { ++Assigned; }
    } log;
    Form->Show();
    TqzBlobEdit* blob = Blob(bekPict);
    blob->GetBlobEditProperties()->OnAssignPicture = TqzImageAssignPictureEvent(&log, &PictureLog::Picture);
    blob->PreparePopupControl();
    TqzPopupImage* image = blob->GetPopupImage();
    ASSERT_NE(nullptr, image);
    EXPECT_TRUE(PictureHasNoGraphic(image->GetPicture()));
    TBitmap bitmap;
    bitmap.SetSize(12, 9);
    image->GetPicture()->SetGraphic(&bitmap);
    image->SetModifiedAfterEntry(true);
    blob->ClosePopupWithResult(mrOk);
    EXPECT_EQ(1, log.Assigned);
    EXPECT_EQ(TBitmap::StaticClass(), blob->GetLastGraphicClass());
    TPicture back;
    LoadPictureFromValue(&back, TBitmap::StaticClass(), blob->GetEditValue());
    EXPECT_EQ(12, back.GetWidth());
    EXPECT_EQ(9, back.GetHeight());
    // Opened again, the popup picture shows the written value.
    blob->PreparePopupControl();
    EXPECT_EQ(12, blob->GetPopupImage()->GetPicture()->GetWidth());
}

TEST_F(BlobEditTest, ThePropertiesAreCopiedAndRegistered) {
    EXPECT_NE(nullptr, GetClass("TqzBlobEdit"));
    TqzBlobEditProperties a(nullptr);
    EXPECT_TRUE(a.GetImmediatePopup());
    EXPECT_EQ(160, a.GetPopupMinWidth());
    EXPECT_EQ(140, a.GetPopupMinHeight());
    a.SetBlobEditKind(bekPict);
    a.SetBlobPaintStyle(bpsText);
    a.MemoAutoReplace = true;
    a.SetPictureGraphicClassName("tjpegimage");
    a.SetAlwaysSaveData(false);
    TqzBlobEditProperties b(nullptr);
    b.Assign(&a);
    EXPECT_EQ(bekPict, b.GetBlobEditKind());
    EXPECT_EQ(bpsText, b.GetBlobPaintStyle());
    EXPECT_TRUE(b.MemoAutoReplace);
    EXPECT_EQ("TJPEGImage", b.GetPictureGraphicClassName());
    EXPECT_FALSE(b.GetAlwaysSaveData());
    EXPECT_EQ(4, b.GetSupportedOperations() & ~32);
}

} // namespace

namespace {

// Work done inside the open popup (its modal loop runs inside the show request).
struct TInsidePopup {
    TqzBlobEdit* Blob = nullptr;
    std::function<void()> Action;
    bool Ran = false;
    Integer ResultAfterAction = -1;
    void Popped(TObject*) {
        Ran = true;
        Action();
        TqzCustomEditPopupWindow* popup = Blob->GetPopupWindow();
        ResultAfterAction = popup->GetModalResult();
        // A popup the action left open is cancelled, so the test never waits.
        if (ResultAfterAction == mrNone) popup->SetModalResult(mrCancel);
    }
};

class BlobPopupTest : public BlobEditTest {
protected:
    TqzBlobEdit* Shown(const String& value, bool alwaysSave) {
        TqzBlobEdit* blob = Blob(bekMemo);
        blob->GetBlobEditProperties()->SetAlwaysSaveData(alwaysSave);
        blob->SetEditValue(Variant(value));
        Form->Show();
        App->ProcessMessages();
        blob->SetFocus();
        App->ProcessMessages();
        return blob;
    }
    void OpenAndRun(TqzBlobEdit* blob, TInsidePopup& inside) {
        inside.Blob = blob;
        blob->GetBlobEditProperties()->OnPopup = TNotifyEvent(&inside, &TInsidePopup::Popped);
        blob->DropDown();
        App->ProcessMessages();
        ASSERT_TRUE(inside.Ran);
        EXPECT_FALSE(blob->HasOpenPopup());
    }
};

TEST_F(BlobPopupTest, KeysInThePopupMemoCloseItWithTheirResult) {
    struct Case {
        const char* Name;
        Word Key;
        TShiftState Shift;
        bool AlwaysSave;
        Integer Result;
        bool Saved;
    };
    const Case cases[] = {
        {"F4 saves with AlwaysSaveData", VK_F4, {}, true, mrOk, true},
        {"F4 cancels without it", VK_F4, {}, false, mrCancel, false},
        {"Escape cancels even with it", VK_ESCAPE, {}, true, mrCancel, false},
        {"Alt+Up saves with it", VK_UP, {ssAlt}, true, mrOk, true},
        {"Ctrl+Enter accepts", VK_RETURN, {ssCtrl}, false, mrOk, true},
        {"Enter is the memo's own", VK_RETURN, {}, true, mrNone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzBlobEdit* blob = Shown("old", c.AlwaysSave);
        TInsidePopup inside;
        inside.Action = [&] {
            TqzPopupMemo* memo = blob->GetPopupMemo();
            ASSERT_NE(nullptr, memo);
            EXPECT_EQ(blob->GetPopupWindow(), memo->GetParent());
            EXPECT_EQ("old", VarToStr(memo->GetEditValue()));
            memo->SetEditValue(Variant(String("new")));
            memo->SetModifiedAfterEntry(true);
            Word key = c.Key;
            memo->HandleKeyDown(key, c.Shift);
        };
        OpenAndRun(blob, inside);
        EXPECT_EQ(c.Result, inside.ResultAfterAction);
        EXPECT_EQ(c.Saved ? "new" : "old", VarToStr(blob->GetEditValue()));
        delete blob;
    }
}

TEST_F(BlobPopupTest, AClickElsewhereSavesAChangeOnlyWithAlwaysSaveData) {
    for (bool alwaysSave : {true, false}) {
        SCOPED_TRACE(alwaysSave);
        TqzBlobEdit* blob = Shown("old", alwaysSave);
        TInsidePopup inside;
        inside.Action = [&] {
            blob->GetPopupMemo()->SetEditValue(Variant(String("new")));
            blob->GetPopupMemo()->SetModifiedAfterEntry(true);
            blob->GetPopupWindow()->ClosePopup();
        };
        OpenAndRun(blob, inside);
        EXPECT_EQ(alwaysSave ? "new" : "old", VarToStr(blob->GetEditValue()));
        delete blob;
    }
}

TEST_F(BlobPopupTest, AnOpenPopupTakesTheEditorsNewColourAndFont) {
    TqzBlobEdit* blob = Shown("old", false);
    TInsidePopup inside;
    inside.Action = [&] {
        TqzPopupMemo* memo = blob->GetPopupMemo();
        blob->GetStyle()->SetColor(clYellow);
        EXPECT_EQ(clYellow, memo->GetStyle()->GetColor());
        blob->GetStyle()->GetFont()->SetName("Serif Test");
        blob->GetStyle()->GetFont()->SetSize(17);
        EXPECT_EQ("Serif Test", memo->GetStyle()->GetFont()->GetName());
        EXPECT_EQ(17, memo->GetStyle()->GetFont()->GetSize());
        for (TqzButton* button : {blob->GetOkButton(), blob->GetCancelButton()}) {
            EXPECT_EQ("Serif Test", button->GetFont()->GetName());
            EXPECT_EQ(17, button->GetFont()->GetSize());
        }
    };
    OpenAndRun(blob, inside);
    // Closed, the popup is left alone (the next opening prepares it again).
    blob->GetStyle()->SetColor(clAqua);
    blob->GetStyle()->GetFont()->SetSize(9);
    EXPECT_EQ(clYellow, blob->GetPopupMemo()->GetStyle()->GetColor());
    EXPECT_EQ(17, blob->GetCancelButton()->GetFont()->GetSize());
}

// The popup picture's menu, asked for by the keyboard inside the open popup: the menu that opens
// (its loop closed again by an Escape queued as it opens), or none.
TEST_F(BlobPopupTest, ThePicturePopupsMenuOpensWithTheItemsTheSettingsAllow) {
    struct MenuWatch {
        std::vector<Integer> VisibleTags;
        Integer Openings = 0;
        TPopupMenu* Menu = nullptr;
        void Popped(TObject*) {
            ++Openings;
            for (Integer i = 0; i < Menu->GetItems()->GetCount(); ++i)
                if (TMenuItem* item = Menu->GetItems()->GetItem(i); item->GetVisible() && item->GetTag() >= 0)
                    VisibleTags.push_back(item->GetTag());
            WinInputKey(VK_ESCAPE, false, true);
            WinInputKey(VK_ESCAPE, false, false);
        }
    };
    struct Case {
        const char* Name;
        bool ShowPopup, ShowEx;
        Integer Openings;
        std::vector<Integer> Tags; // 0 cut, 1 copy, 2 paste, 3 delete, 4 load, 5 save, 6 custom
    };
    const Case cases[] = {
        {"all", true, true, 1, {0, 1, 2, 3, 4, 5}},
        {"without load and save", true, false, 1, {0, 1, 2, 3, 6}},
        {"no menu", false, true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzBlobEdit* blob = Blob(bekPict);
        blob->GetBlobEditProperties()->ShowPicturePopup = c.ShowPopup;
        blob->GetBlobEditProperties()->ShowExPopupItems = c.ShowEx;
        Form->Show();
        App->ProcessMessages();
        blob->SetFocus();
        App->ProcessMessages();
        MenuWatch watch;
        TInsidePopup inside;
        inside.Action = [&] {
            TqzPopupImage* image = blob->GetPopupImage();
            ASSERT_NE(nullptr, image);
            if (c.ShowPopup) {
                image->PrepareMenu();
                watch.Menu = image->GetImageMenu();
                watch.Menu->OnPopup = TNotifyEvent(&watch, &MenuWatch::Popped);
            }
            SendMessageA(image->GetHandle(), WM_CONTEXTMENU, WPARAM(image->GetHandle()), MAKELPARAM(-1, -1));
            if (!c.ShowPopup) {
                EXPECT_EQ(nullptr, image->GetImageMenu());
            }
        };
        OpenAndRun(blob, inside);
        EXPECT_EQ(c.Openings, watch.Openings);
        EXPECT_EQ(c.Tags, watch.VisibleTags);
        delete blob;
    }
}

TEST_F(BlobPopupTest, ATypedLetterReplacesTheMemoTextWithAutoReplace) {
    TqzBlobEdit* blob = Shown("old text", true);
    blob->GetBlobEditProperties()->MemoAutoReplace = true;
    TInsidePopup inside;
    inside.Action = [&] {
        static_cast<TqzBlobEditPopupWindow*>(blob->GetPopupWindow())->ForwardChar(U'x');
        TqzPopupMemo* memo = blob->GetPopupMemo();
        EXPECT_EQ("x", VarToStr(memo->GetEditValue()));
        EXPECT_EQ(1, memo->GetSelStart());
        EXPECT_TRUE(memo->GetModifiedAfterEnter());
        // The OK button takes the letter.
        blob->GetPopupWindow()->SetModalResult(mrOk);
    };
    OpenAndRun(blob, inside);
    EXPECT_EQ("x", VarToStr(blob->GetEditValue()));
}

} // namespace
