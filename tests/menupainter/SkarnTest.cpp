// The menu painter: its colour helpers and palette, taking over a form's menus and tool bar (and
// giving them back), the manager that follows the active painter to other forms, menu items
// measured and drawn, tool bar buttons drawn; a picture of drawn items.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "menupainter/Skarn.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

struct TForeignDraw : TObject {
    Integer Calls = 0;
    void Draw(TObject*, TCanvas*, TRect, bool) { ++Calls; }
    void CustomDraw(TToolBar*, TToolButton*, TCustomDrawState, bool&) { ++Calls; }
};

class SkarnTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Form->SetBounds(50, 50, 420, 240);
    }
    TMenuItem* Item(TMenuItem* parent, const String& caption, TComponent* owner = nullptr) {
        auto* item = new TMenuItem(owner ? owner : Form);
        item->SetCaption(caption);
        parent->Add(item);
        return item;
    }
    TSkarn* MakePainter(TComponent* form = nullptr) { return new TSkarn(form ? form : Form); }
    // Distinct custom colours, so every part of a drawing can be told apart.
    void UseCustomColors(TSkarn* painter) {
        painter->SetUseSystemColors(false);
        painter->SetColor(clWhite);
        painter->SetIconBackColor(clYellow);
        painter->SetSelectColor(clAqua);
        painter->SetSelectBorderColor(clBlue);
        painter->SetSeparatorColor(clRed);
        painter->SetDisabledColor(clGray);
    }
    // A 16 x 16 picture: a square of the colour on fuchsia (the transparent colour).
    static void FillGlyph(TBitmap* bitmap, TColor color) {
        bitmap->SetWidth(16);
        bitmap->SetHeight(16);
        bitmap->GetCanvas()->GetBrush()->SetColor(clFuchsia);
        bitmap->GetCanvas()->FillRect(TRect{0, 0, 16, 16});
        bitmap->GetCanvas()->GetBrush()->SetColor(color);
        bitmap->GetCanvas()->FillRect(TRect{2, 2, 14, 14});
    }
};

COLORREF Pixel(TBitmap& bitmap, int x, int y) {
    return COLORREF(ColorToRGB(bitmap.GetCanvas()->GetPixels(x, y)));
}

void SaveBitmapPng(TBitmap& bitmap, const char* name) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < bitmap.GetHeight(); ++y)
        for (int x = 0; x < bitmap.GetWidth(); ++x) {
            const Integer c = ColorToRGB(bitmap.GetCanvas()->GetPixels(x, y));
            pixels.push_back(0xFF000000u | std::uint32_t((c & 0xFF) << 16) | std::uint32_t(c & 0xFF00) |
                             std::uint32_t((c >> 16) & 0xFF));
        }
    const std::string path = testsupport::ArtifactPath(name);
    testsupport::WritePng(path, bitmap.GetWidth(), bitmap.GetHeight(), pixels.data(), bitmap.GetWidth());
    EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
}

} // namespace

// ---- Colour helpers and palette -------------------------------------------------------------------

TEST(SkarnColorTest, HelpersClampRoundAndChooseContrast) {
    struct Case {
        const char* Name;
        TColor Got;
        TColor Expected;
    };
    const TColor pair[2] = {clBlack, clWhite};
    for (const Case& k : std::vector<Case>{
             {"darken gray, green keeps 2", DarkenColor(0x808080, 30), 0x626462},
             {"darken clamps at 0", DarkenColor(0x101010, 30), 0x000000},
             {"darken clamps at 255", DarkenColor(0xFFFFFF, 0), 0xFFFFFF},
             {"lighten rounds half to even", LightenColor(0x000000, 50), 0x808080},
             {"lighten above 100 is 100", LightenColor(0x0A0A0A, 150), 0xFFFFFF},
             {"lighten per channel", LightenColor(0x00FF00, 10), 0x1AFF1A},
             {"gray of the mean plus amount", GrayColor(0x1F140A, 10), 0x1E1E1E},
             {"gray at most 240", GrayColor(0xFFFFFF, 10), 0xF0F0F0},
             {"contrast on light", ContrastTextColor(0xFFFFFF, clRed), clRed},
             {"contrast on bright green", ContrastTextColor(0x00D200, clRed), clRed},
             {"contrast on dark lightens", ContrastTextColor(0x000000, clRed), 0xE6E6E6},
             {"average", AverageColor(pair, 2), 0x7F7F7F},
             {"average of none", AverageColor(nullptr, 0), 0x000000},
         }) {
        SCOPED_TRACE(k.Name);
        EXPECT_EQ(ColorToRGB(k.Got), ColorToRGB(k.Expected));
    }
}

TEST_F(SkarnTest, PaletteFollowsColourSourceAndDisplayDepth) {
    TSkarn* painter = MakePainter();
    painter->SetColor(clYellow);
    painter->SetSelectColor(0x000080);
    struct Case {
        const char* Name;
        bool System, Dim, High;
        TColor TSkarnPalette::*Entry;
        TColor Expected;
    };
    for (const Case& k : std::vector<Case>{
             {"low, system: white face", true, false, false, &TSkarnPalette::MenuFace, clWhite},
             {"low, system: white pressed", true, false, false, &TSkarnPalette::PressedFace, clWhite},
             {"low: shadow frame", true, false, false, &TSkarnPalette::ShadowFrame, clBtnShadow},
             {"low, system: separator", true, false, false, &TSkarnPalette::Separator, clBtnShadow},
             {"low, custom: face", false, false, false, &TSkarnPalette::MenuFace, clYellow},
             {"low, custom: silver pressed", false, false, false, &TSkarnPalette::PressedFace, clSilver},
             {"low, custom: white checked", false, false, false, &TSkarnPalette::CheckedFace, clWhite},
             {"high, custom: face", false, false, true, &TSkarnPalette::MenuFace, clYellow},
             {"high, custom: plain selection", false, false, true, &TSkarnPalette::SelectFace, 0x000080},
             {"high, custom, dim: selection", false, true, true, &TSkarnPalette::SelectFace, 0xADADD6},
             {"high, system: selection border", true, false, true, &TSkarnPalette::SelectBorder, clHighlight},
         }) {
        SCOPED_TRACE(k.Name);
        painter->SetUseSystemColors(k.System);
        painter->SetUseDimColor(k.Dim);
        const TSkarnPalette palette = ComputeSkarnPalette(*painter, k.High);
        EXPECT_EQ(ColorToRGB(palette.*k.Entry), ColorToRGB(k.Expected));
    }
    // The painter's own palette is worked out again after a change.
    painter->SetUseSystemColors(false);
    painter->SetUseDimColor(false);
    EXPECT_EQ(painter->GetPalette().MenuFace, clYellow);
    painter->SetColor(clLime);
    EXPECT_EQ(painter->GetPalette().MenuFace, clLime);
}

// ---- Taking over and giving back -------------------------------------------------------------------

TEST_F(SkarnTest, ActivationHooksMenusAndToolBarsAndLeavesOthersAlone) {
    auto* mainMenu = new TMainMenu(Form);
    TMenuItem* file = Item(mainMenu->GetItems(), "&File");
    TMenuItem* open = Item(file, "&Open");
    TMenuItem* skipped = Item(file, "Own drawing");
    skipped->SetTag(999);
    TMenuItem* belowSkipped = Item(skipped, "Below");
    TMenuItem* foreign = Item(file, "Foreign");
    TForeignDraw foreignDraw;
    foreign->OnDrawItem = MakeEvent(&foreignDraw, &TForeignDraw::Draw);
    auto* popup = new TPopupMenu(Form);
    TMenuItem* popupItem = Item(popup->GetItems(), "Copy");
    auto* skippedMenu = new TMainMenu(Form);
    skippedMenu->SetTag(999);
    TMenuItem* inSkippedMenu = Item(skippedMenu->GetItems(), "Alone");
    auto* bar = new TToolBar(Form);
    bar->SetParent(Form);
    auto* foreignBar = new TToolBar(Form);
    foreignBar->SetParent(Form);
    foreignBar->OnCustomDrawButton = MakeEvent(&foreignDraw, &TForeignDraw::CustomDraw);

    TSkarn* painter = MakePainter();
    painter->SetActive(true);

    auto hooked = [](TMenuItem* item) {
        return item->OnDrawItem.Assigned() && item->OnMeasureItem.Assigned();
    };
    struct Case {
        const char* Name;
        TMenuItem* Item;
        bool Hooked;
    };
    for (const Case& k : std::vector<Case>{{"bar item", file, true},
                                           {"pop-up item", open, true},
                                           {"tag 999", skipped, false},
                                           {"below tag 999", belowSkipped, true},
                                           {"pop-up menu", popupItem, true},
                                           {"menu with tag 999", inSkippedMenu, false}}) {
        SCOPED_TRACE(k.Name);
        EXPECT_EQ(hooked(k.Item), k.Hooked);
    }
    EXPECT_TRUE(mainMenu->GetOwnerDraw());
    EXPECT_FALSE(skippedMenu->GetOwnerDraw());
    EXPECT_EQ(file->GetCaption(), "&File");
    // A handler of its own stays; the measuring is taken over.
    EXPECT_TRUE(foreign->OnDrawItem == MakeEvent(&foreignDraw, &TForeignDraw::Draw));
    EXPECT_TRUE(foreign->OnMeasureItem.Assigned());
    EXPECT_TRUE(bar->GetFlat());
    EXPECT_TRUE(bar->OnCustomDrawButton.Assigned());
    EXPECT_TRUE(foreignBar->OnCustomDrawButton == MakeEvent(&foreignDraw, &TForeignDraw::CustomDraw));

    // OverrideOwnerDraw takes the foreign handlers over too.
    painter->SetOverrideOwnerDraw(true);
    EXPECT_FALSE(foreign->OnDrawItem == MakeEvent(&foreignDraw, &TForeignDraw::Draw));
    EXPECT_FALSE(foreignBar->OnCustomDrawButton == MakeEvent(&foreignDraw, &TForeignDraw::CustomDraw));
    painter->SetOverrideOwnerDraw(false);

    // Changing the chosen kinds gives back what is no longer chosen.
    painter->SetXPControls(TXPControls{xcPopupMenu});
    EXPECT_FALSE(hooked(open));
    EXPECT_FALSE(mainMenu->GetOwnerDraw());
    EXPECT_TRUE(hooked(popupItem));
    EXPECT_FALSE(bar->OnCustomDrawButton.Assigned());

    // Switched off: nothing of the painter's is left.
    painter->SetXPControls(TXPControls{xcMainMenu, xcPopupMenu, xcToolbar});
    EXPECT_TRUE(hooked(open));
    painter->SetActive(false);
    for (TMenuItem* item : {file, open, belowSkipped, popupItem})
        EXPECT_FALSE(item->OnDrawItem.Assigned());
    EXPECT_FALSE(bar->OnCustomDrawButton.Assigned());

    // Freed alone, an active painter gives its form's components back.
    painter->SetActive(true);
    EXPECT_TRUE(hooked(open));
    delete painter;
    EXPECT_FALSE(open->OnDrawItem.Assigned());
}

TEST_F(SkarnTest, ManagerTreatsWaitingFormsOnTheApplicationWindow) {
    TSkarn* painter = MakePainter();
    ASSERT_NE(SkarnManager(), nullptr);

    TForm* other = TForm::CreateNew(nullptr);
    auto* otherMenu = new TMainMenu(other);
    TMenuItem* otherItem = Item(otherMenu->GetItems(), "Other", other);
    TForm* tagged = TForm::CreateNew(nullptr);
    tagged->SetTag(999);
    TForm* ownPainter = TForm::CreateNew(nullptr);
    new TSkarn(ownPainter);
    TForm* freedEarly = TForm::CreateNew(nullptr);

    painter->SetActive(true);
    painter->Loaded();
    TSkarnManager* manager = SkarnManager();
    EXPECT_EQ(manager->GetActivePainter(), painter);
    const auto& waiting = manager->GetWaiting();
    auto waits = [&](TComponent* f) { return std::find(waiting.begin(), waiting.end(), f) != waiting.end(); };
    EXPECT_TRUE(waits(other));
    EXPECT_TRUE(waits(freedEarly));
    EXPECT_FALSE(waits(tagged));
    EXPECT_FALSE(waits(ownPainter));
    EXPECT_FALSE(waits(Form));

    // A waiting form freed before the hook runs is skipped, not reached.
    delete freedEarly;
    EXPECT_FALSE(otherItem->OnDrawItem.Assigned());
    SendMessageA(App->GetHandle(), WM_NULL, 0, 0);
    EXPECT_TRUE(otherItem->OnDrawItem.Assigned());
    EXPECT_TRUE(manager->GetWaiting().empty());
    const auto& painted = manager->GetPainted();
    EXPECT_NE(std::find(painted.begin(), painted.end(), static_cast<TComponent*>(other)), painted.end());

    // The last painter's end frees the manager.
    delete other;
    delete tagged;
    delete ownPainter;
    delete Form;
    Form = nullptr;
    EXPECT_EQ(SkarnManager(), nullptr);
}

// ---- Menu items ------------------------------------------------------------------------------------

TEST_F(SkarnTest, MeasuringFollowsCaptionSubItemsAndSeparators) {
    auto* popup = new TPopupMenu(Form);
    TMenuItem* plain = Item(popup->GetItems(), "Settings");
    TMenuItem* withSub = Item(popup->GetItems(), "Settings");
    Item(withSub, "Inner");
    TMenuItem* accel = Item(popup->GetItems(), "&Settings");
    TMenuItem* line = Item(popup->GetItems(), "-");
    TMenuItem* shortCut = Item(popup->GetItems(), "Settings");
    shortCut->SetShortCut(TextToShortCut("Ctrl+S"));
    TSkarn* painter = MakePainter();

    TBitmap surface;
    surface.SetSize(10, 10);
    auto measure = [&](TMenuItem* item) {
        Integer w = 0, h = 0;
        painter->MeasureMenuItem(item, surface.GetCanvas(), w, h);
        return std::pair<Integer, Integer>{w, h};
    };
    // Inactive: nothing measured.
    EXPECT_EQ(measure(plain), (std::pair<Integer, Integer>{0, 0}));
    painter->SetActive(true);
    const auto base = measure(plain);
    EXPECT_GT(base.first, painter->GetIconWidth());
    EXPECT_GE(base.second, 6);
    EXPECT_EQ(measure(withSub).first, base.first + 6);
    EXPECT_EQ(measure(accel).first, base.first);
    EXPECT_EQ(measure(line).second, 4);
    EXPECT_GT(measure(shortCut).first, base.first + surface.GetCanvas()->TextWidth("WWW"));
    // The caller's size is a minimum.
    Integer w = 500, h = 50;
    painter->MeasureMenuItem(plain, surface.GetCanvas(), w, h);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 50);
}

TEST_F(SkarnTest, PopupItemsDrawColumnSelectionSeparatorAndGlyphStates) {
    auto* popup = new TPopupMenu(Form);
    TMenuItem* plain = Item(popup->GetItems(), "Plain");
    TMenuItem* disabled = Item(popup->GetItems(), "Disabled");
    disabled->SetEnabled(false);
    TMenuItem* line = Item(popup->GetItems(), "-");
    TMenuItem* pictured = Item(popup->GetItems(), "Pictured");
    TBitmap glyph;
    FillGlyph(&glyph, 0x008000);
    pictured->SetBitmap(&glyph);
    TMenuItem* picturedOff = Item(popup->GetItems(), "Pictured off");
    picturedOff->SetBitmap(&glyph);
    picturedOff->SetEnabled(false);
    TSkarn* painter = MakePainter();
    UseCustomColors(painter);
    painter->SetActive(true);

    // Each drawing goes to its own band of one picture: the item rectangle is 150 x 24 at x 3.
    struct Draw {
        TMenuItem* Item;
        bool Selected;
    };
    const std::vector<Draw> draws{{plain, false},    {plain, true},    {disabled, true},    {line, false},
                                  {pictured, false}, {pictured, true}, {picturedOff, false}};
    TBitmap picture;
    picture.SetPixelFormat(pf32bit);
    picture.SetSize(160, int(draws.size()) * 26);
    picture.GetCanvas()->GetBrush()->SetColor(clBlack);
    picture.GetCanvas()->FillRect(TRect{0, 0, 160, picture.GetHeight()});
    auto rectOf = [](int i) { return TRect{3, i * 26, 153, i * 26 + 24}; };
    for (std::size_t i = 0; i < draws.size(); ++i)
        painter->DrawMenuItem(draws[i].Item, picture.GetCanvas(), rectOf(int(i)), draws[i].Selected);
    SaveBitmapPng(picture, "SkarnTest_PopupItems.png");

    struct Probe {
        const char* Name;
        int Band, X, Y; // relative to the item rectangle
        COLORREF Expected;
    };
    for (const Probe& p : std::vector<Probe>{
             {"left of the item untouched", 0, -1, 5, 0x000000},
             {"icon column", 0, 5, 20, clYellow},
             {"face", 0, 145, 20, clWhite},
             {"selection border", 1, 100, 1, clBlue},
             {"selection face", 1, 145, 20, clAqua},
             {"selection leaves the top row", 1, 145, 0, clWhite},
             {"disabled: no selection", 2, 145, 20, clWhite},
             {"separator line", 3, 60, 12, clRed},
             {"beside the separator", 3, 60, 11, clWhite},
             {"glyph dimmed by 30", 4, 8, 11, 0x4CA64C},
             {"glyph's transparent part", 4, 2, 4, clYellow},
             {"highlighted glyph lifted, undimmed", 5, 5, 8, 0x008000},
             {"its shadow", 5, 14, 10, 0xCDCF00},
             {"disabled glyph gray and light", 6, 8, 11, 0x858585},
         }) {
        SCOPED_TRACE(p.Name);
        const TRect r = rectOf(p.Band);
        EXPECT_EQ(Pixel(picture, r.left + p.X, r.top + p.Y), p.Expected);
    }
}

TEST_F(SkarnTest, DrawingDoesNothingWhileInactiveAndSwallowsFailures) {
    auto* popup = new TPopupMenu(Form);
    TMenuItem* item = Item(popup->GetItems(), "Item");
    TSkarn* painter = MakePainter();
    TBitmap picture;
    picture.SetSize(40, 30);
    picture.GetCanvas()->GetBrush()->SetColor(clBlack);
    picture.GetCanvas()->FillRect(TRect{0, 0, 40, 30});
    painter->DrawMenuItem(item, picture.GetCanvas(), TRect{0, 0, 40, 20}, false);
    EXPECT_EQ(Pixel(picture, 30, 10), COLORREF(0));
    painter->SetActive(true);
    // Empty and inverted rectangles draw nothing and raise nothing.
    EXPECT_NO_THROW(painter->DrawMenuItem(item, picture.GetCanvas(), TRect{10, 10, 10, 10}, true));
    EXPECT_NO_THROW(painter->DrawMenuItem(item, picture.GetCanvas(), TRect{20, 20, 5, 5}, true));
    EXPECT_NO_THROW(painter->DrawMenuItem(nullptr, picture.GetCanvas(), TRect{0, 0, 40, 20}, true));
    EXPECT_EQ(Pixel(picture, 30, 10), COLORREF(0));
}

// ---- Tool bar --------------------------------------------------------------------------------------

TEST_F(SkarnTest, ToolButtonsDrawFlatFacesAndGlyphs) {
    auto images = std::make_unique<TImageList>(nullptr);
    for (TColor color : {clRed, TColor(0x008000)}) {
        TBitmap bitmap;
        FillGlyph(&bitmap, color);
        images->AddMasked(&bitmap, clFuchsia);
    }
    auto* bar = new TToolBar(Form);
    bar->SetParent(Form);
    bar->SetImages(images.get());
    bar->SetColor(clBtnFace);
    auto add = [&](TToolButtonStyle style, int image) {
        auto* b = new TToolButton(Form);
        b->SetParent(bar);
        b->SetStyle(style);
        b->SetImageIndex(image);
        return b;
    };
    TToolButton* plain = add(tbsButton, 0);
    TToolButton* checked = add(tbsCheck, 0);
    checked->SetDown(true);
    TToolButton* hot = add(tbsButton, 1);
    TSkarn* painter = MakePainter();
    painter->SetUseSystemColors(false);
    painter->SetSelectColor(0x000080);
    painter->SetSelectBorderColor(clBlue);
    painter->SetActive(true);

    Form->Show();
    App->ProcessMessages();
    WinInputMouseMove(hot->ClientToScreen(POINT{5, 5}));
    App->ProcessMessages();
    UpdateWindow(Form->GetHandle());
    App->ProcessMessages();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    RECT frame{};
    GetWindowRect(Form->GetHandle(), &frame);
    auto pixel = [&](TControl* c, int x, int y) {
        const POINT p = c->ClientToScreen(POINT{x, y});
        return GdiPixelToColor(s.Row(p.y - frame.top)[p.x - frame.left] & 0xFFFFFF);
    };
    struct Probe {
        const char* Name;
        TToolButton* Button;
        int X, Y;
        COLORREF Expected;
    };
    for (const Probe& p : std::vector<Probe>{
             {"plain face is the bar", plain, 1, 2, COLORREF(ColorToRGB(clBtnFace))},
             {"plain glyph dimmed", plain, 11, 11, 0x4C4CFF},
             {"checked face", checked, 1, 2, 0x000080},
             {"checked outline", checked, 0, 5, COLORREF(clBlue)},
             {"hot face", hot, 1, 2, 0xADADD6},
             {"hot outline", hot, 0, 5, COLORREF(clBlue)},
             {"hot glyph undimmed", hot, 11, 11, 0x008000},
         }) {
        SCOPED_TRACE(p.Name);
        EXPECT_EQ(pixel(p.Button, p.X, p.Y), p.Expected);
    }
    const std::string path = testsupport::ArtifactPath("SkarnTest_ToolBar.png");
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));
}

// ---- Read from a definition, on a shown form ------------------------------------------------------

TEST_F(SkarnTest, PainterFromADefinitionDrawsTheShownMenuBar) {
    ReadComponentText("object SkarnForm: TForm\n"
                      "  Left = 100\n"
                      "  Top = 100\n"
                      "  Width = 400\n"
                      "  Height = 300\n"
                      "  Menu = MainMenu\n"
                      "  object MainMenu: TMainMenu\n"
                      "    object N1: TMenuItem\n"
                      "      Caption = '&File'\n"
                      "      object mNew: TMenuItem\n"
                      "        Caption = '&New'\n"
                      "      end\n"
                      "    end\n"
                      "  end\n"
                      "  object Xp: TSkarn\n"
                      "    Font.Color = clMenuText\n"
                      "    Font.Height = -10\n"
                      "    Font.Name = 'MS Sans Serif'\n"
                      "    MenuBarColor = clLime\n"
                      "    DrawMenuBar = True\n"
                      "    XPContainers = [xccForm, xccToolbar, xccCoolbar]\n"
                      "    XPControls = [xcMainMenu, xcPopupMenu, xcToolbar]\n"
                      "    Active = True\n"
                      "  end\n"
                      "end\n",
                      Form, "SkarnTest");
    auto* painter = dynamic_cast<TSkarn*>(Form->FindComponent("Xp"));
    auto* menu = dynamic_cast<TMainMenu*>(Form->FindComponent("MainMenu"));
    auto* mNew = dynamic_cast<TMenuItem*>(Form->FindComponent("mNew"));
    ASSERT_TRUE(painter && menu && mNew);
    EXPECT_TRUE(painter->GetActive());
    EXPECT_EQ(painter->GetFont()->GetHeight(), -10);
    EXPECT_TRUE(painter->GetXPControls() == (TXPControls{xcMainMenu, xcPopupMenu, xcToolbar}));
    EXPECT_TRUE(painter->GetXPContainers() == (TXPContainers{xccForm, xccToolbar, xccCoolbar}));
    EXPECT_EQ(painter->GetIconWidth(), 24);
    EXPECT_TRUE(mNew->OnDrawItem.Assigned());
    ASSERT_NE(SkarnManager(), nullptr);
    EXPECT_EQ(SkarnManager()->GetActivePainter(), painter);

    Form->Show();
    App->ProcessMessages();
    UpdateWindow(Form->GetHandle());
    RECT item{}, window{};
    ASSERT_TRUE(GetMenuItemRect(Form->GetHandle(), menu->GetHandle(), 0, &item));
    GetWindowRect(Form->GetHandle(), &window);
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Form->GetHandle(), s));
    const COLORREF barPixel =
        GdiPixelToColor(s.Row(item.top + 2 - window.top)[item.left + 1 - window.left] & 0xFFFFFF);
    EXPECT_EQ(barPixel, COLORREF(clLime));
    const std::string path = testsupport::ArtifactPath("SkarnTest_MenuBar.png");
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));
}

// ---- Pop-up shadow -----------------------------------------------------------------------------------

TEST_F(SkarnTest, FlatMenuAsksOnceForTheShadowAndTheManagerDrawsIt) {
    auto* popup = new TPopupMenu(Form);
    std::vector<TMenuItem*> items{Item(popup->GetItems(), "One"), Item(popup->GetItems(), "Two"),
                                  Item(popup->GetItems(), "Three")};
    TSkarn* painter = MakePainter();
    painter->SetFlatMenu(true);
    painter->SetActive(true);
    painter->Loaded();
    ASSERT_EQ(SkarnManager()->GetActivePainter(), painter);

    // A window of its own stands for the pop-up.
    TForm* other = TForm::CreateNew(nullptr);
    other->SetTag(999);
    other->SetBounds(300, 300, 120, 90);
    other->Show();
    App->ProcessMessages();
    HWND window = other->GetHandle();
    HDC dc = GetDC(window);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        for (std::size_t i = 0; i < items.size(); ++i)
            painter->DrawMenuItem(items[i], &canvas, TRect{3, 3 + int(i) * 20, 100, 23 + int(i) * 20}, false);
        canvas.SetHandle(nullptr);
    }
    ReleaseDC(window, dc);

    // Three items, one request.
    std::vector<MSG> requests;
    MSG msg;
    while (PeekMessageA(&msg, App->GetHandle(), SKM_SHADOWITEM, SKM_SHADOWWINDOW, PM_REMOVE))
        requests.push_back(msg);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].message, SKM_SHADOWWINDOW);
    EXPECT_EQ(reinterpret_cast<HWND>(requests[0].lParam), window);

    SendMessageA(App->GetHandle(), requests[0].message, requests[0].wParam, requests[0].lParam);
    EXPECT_NE(GetWindowLongPtrA(window, GWLP_USERDATA), 0);
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(window, s));
    EXPECT_EQ(GdiPixelToColor(s.Row(0)[0] & 0xFFFFFF),
              COLORREF(ColorToRGB(painter->GetPalette().ShadowFrame)));
    EXPECT_EQ(GdiPixelToColor(s.Row(40)[2] & 0xFFFFFF),
              COLORREF(ColorToRGB(painter->GetPalette().IconColumn)));

    // Hidden, the window gets its own procedure back.
    other->Hide();
    App->ProcessMessages();
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0);
    // A request for a window that is gone is ignored.
    delete other;
    EXPECT_NO_THROW(SendMessageA(App->GetHandle(), SKM_SHADOWWINDOW, 0, LPARAM(window)));
}

TEST_F(SkarnTest, DisablingSubclassingHandsTheManagerToAnotherPainter) {
    TSkarn* first = MakePainter();
    first->SetActive(true);
    first->Loaded();
    TForm* second = TForm::CreateNew(nullptr);
    auto* other = new TSkarn(second);
    other->SetActive(true);
    other->Loaded();
    TSkarnManager* manager = SkarnManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetActivePainter(), first);
    EXPECT_EQ(manager->GetPainters().size(), 2u);

    first->SetDisableSubclassing(true);
    EXPECT_EQ(manager->GetActivePainter(), other);
    // With nobody left to take over, there is no active painter.
    other->SetDisableSubclassing(true);
    EXPECT_EQ(manager->GetActivePainter(), nullptr);
    EXPECT_TRUE(manager->GetWaiting().empty());
    // Freeing one painter keeps the manager for the other.
    delete second;
    EXPECT_EQ(SkarnManager(), manager);
    EXPECT_EQ(manager->GetPainters().size(), 1u);
}
