// The control hierarchy: message numbers and dispatch, alignment, anchors, constraints, tab
// order, keys, mouse events routed to graphic controls, freeing a control in its own click
// handler, drag and drop, actions, and a picture of a painted parent.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// ---- Test controls ----------------------------------------------------------------------------

// A top-level window holding the controls of a test, standing where a form would.
class TTestHost : public TCustomControl {
    KOV_CLASS(TTestHost, TCustomControl)
public:
    explicit TTestHost(TComponent* owner) : TCustomControl(owner) {
        FControlStyle.Include(csAcceptsControls);
        SetColor(clWhite);
    }
    bool IsTopLevel() const override { return true; }
    bool GetKeyPreview() const override { return KeyPreview; }
    void ShowHost() {
        HandleNeeded();
        UpdateControlState();
    }
    bool KeyPreview = false;

protected:
    void CreateParams(TCreateParams& params) override {
        TCustomControl::CreateParams(params);
        params.Style = WS_POPUP | WS_CLIPCHILDREN;
        params.WndParent = nullptr;
    }
};

// A windowed control that records the messages reaching its default handling (the window).
class TProbe : public TCustomControl {
    KOV_CLASS(TProbe, TCustomControl)
public:
    explicit TProbe(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
    void DefaultHandler(void* message) override {
        const TMessage& m = *static_cast<TMessage*>(message);
        if (m.Msg == WM_CHAR || m.Msg == WM_KEYDOWN) Reached.push_back(m);
        TCustomControl::DefaultHandler(message);
    }
    std::vector<TMessage> Reached;
    TColor Fill = clRed;

protected:
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(Fill);
        GetCanvas()->FillRect(GetClientRect());
    }
};

class TShape : public TGraphicControl {
    KOV_CLASS(TShape, TGraphicControl)
public:
    explicit TShape(TComponent* owner) : TGraphicControl(owner) {}
    TColor Fill = clBlue;

protected:
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(Fill);
        GetCanvas()->GetPen()->SetColor(clBlack);
        GetCanvas()->Ellipse(0, 0, GetWidth(), GetHeight());
    }
};

// ---- Fixture ----------------------------------------------------------------------------------

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        Host = new TTestHost(nullptr);
        Host->SetBounds(100, 100, 400, 300);
    }
    void TearDown() override {
        SetKey(VK_SHIFT, false);
        CancelDrag();
        delete Host;
        Pump();
        ClockSetMode(FOldMode);
    }

    // Dispatches every queued message, offering key messages to the controls first as the
    // application's loop does.
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsControlKeyMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    static POINT Screen(TControl* control, int x, int y) { return control->ClientToScreen(POINT{x, y}); }
    static void MoveTo(POINT p) {
        WinInputMouseMove(p);
        Pump();
    }
    static void Press(POINT p, bool down, TWinMouseButton button = TWinMouseButton::Left) {
        WinInputMouseButton(p, button, down);
        Pump();
    }
    static void Click(POINT p) {
        MoveTo(p);
        Press(p, true);
        Press(p, false);
    }
    static void SetKey(UINT key, bool down) {
        WinInputKey(key, false, down);
        Pump();
    }

    TTestHost* Host = nullptr;

private:
    TClockMode FOldMode = TClockMode::Real;
};

// ---- Messages and dispatch ----------------------------------------------------------------------------

TEST(ControlsMessagesTest, NotificationNumbers) {
    struct Case {
        UINT Message;
        UINT Number;
    };
    const std::vector<Case> cases = {
        {CM_BASE, 0xB000},           {CM_ACTIVATE, 0xB000},         {CM_FOCUSCHANGED, 0xB007},
        {CM_PARENTCOLORCHANGED, 0xB009}, {CM_ENABLEDCHANGED, 0xB00C}, {CM_CTL3DCHANGED, 0xB010},
        {CM_PARENTCTL3DCHANGED, 0xB011}, {CM_TEXTCHANGED, 0xB012},  {CM_MOUSEENTER, 0xB013},
        {CM_MOUSELEAVE, 0xB014},     {CM_EXIT, 0xB01B},             {CM_WANTSPECIALKEY, 0xB01E},
        {CM_SYSCOLORCHANGE, 0xB024}, {CM_CONTROLLISTCHANGE, 0xB02C}, {CM_CHILDKEY, 0xB02E},
        {CM_HINTSHOW, 0xB030},       {CM_RECREATEWND, 0xB033},      {CM_INVALIDATE, 0xB034},
        {CM_CONTROLCHANGE, 0xB036},  {CM_BORDERCHANGED, 0xB03B},    {CM_MOUSEWHEEL, 0xB043},
        {CN_BASE, 0xBC00},           {CN_COMMAND, 0xBD11},          {CN_NOTIFY, 0xBC4E},
        {CN_DRAWITEM, 0xBC2B},       {CN_MEASUREITEM, 0xBC2C},      {CN_KEYDOWN, 0xBD00},
        {CN_CHAR, 0xBD02},           {CN_SYSKEYDOWN, 0xBD04},       {CN_HSCROLL, 0xBD14},
        {CN_VSCROLL, 0xBD15},        {CN_CTLCOLORSTATIC, 0xBD38},   {CN_PARENTNOTIFY, 0xBE10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Number);
        EXPECT_EQ(c.Message, c.Number);
    }
}

TEST(ControlsMessagesTest, CursorIdentifiers) {
    struct Case {
        const char* Name;
        Integer Value;
    };
    const std::vector<Case> cases = {{"crDefault", 0},     {"crNone", -1},       {"crArrow", -2},
                                     {"crIBeam", -4},      {"crSizeNESW", -6},   {"crSizeWE", -9},
                                     {"crHourGlass", -11}, {"crDrag", -12},      {"crNoDrop", -13},
                                     {"crSQLWait", -17},   {"crHandPoint", -21}, {"crSizeAll", -22}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Integer value = 99;
        ASSERT_TRUE(IdentToCursor(c.Name, value));
        EXPECT_EQ(value, c.Value);
        String name;
        ASSERT_TRUE(CursorToIdent(c.Value, name));
        EXPECT_EQ(name, c.Name);
    }
    // crSize and crSizeAll share their number, which reads back as crSizeAll.
    Integer size = 0;
    ASSERT_TRUE(IdentToCursor("CRSIZE", size));
    EXPECT_EQ(size, -22);
    EXPECT_EQ(CursorToString(TCursor(-22)), "crSizeAll");
    EXPECT_EQ(CursorToString(TCursor(7)), "7");
    EXPECT_EQ(StringToCursor("crNoDrop"), crNoDrop);
    EXPECT_THROW(StringToCursor("crBogus"), EConvertError);
}

// A class with handlers of its own, one of them passing the message on to its ancestors.
class TMapped : public TWinControl {
    KOV_CLASS(TMapped, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TMapped(TComponent* owner) : TWinControl(owner) {}
    std::vector<String> Log;

protected:
    void CMTextChanged(TMessage& message) {
        Log.push_back("text:" + GetText());
        message.Result = 7;
    }
    void CMColorChanged(TMessage& message) {
        Log.push_back("color");
        KOV_INHERITED(message);
    }
    void WMChar(TWMKey& message) {
        Log.push_back("char");
        message.CharCode = 'Z';
        message.Result = 3;
    }
};

KOV_MESSAGE_MAP(TMapped) {
    map.Message(CM_TEXTCHANGED, &TMapped::CMTextChanged);
    map.Message(CM_COLORCHANGED, &TMapped::CMColorChanged);
    map.Message(WM_CHAR, &TMapped::WMChar);
}

TEST(ControlsMessagesTest, DispatchFindsTheNearestHandlerAndWindowProcCanBeReplaced) {
    TMapped control(nullptr);
    control.SetText("abc");
    EXPECT_EQ(control.Log, (std::vector<String>{"text:abc"}));
    EXPECT_EQ(control.Perform(CM_TEXTCHANGED, 0, 0), 7);

    // A typed record is written back into the message.
    TMessage m{WM_CHAR, 'a', 0, 0};
    control.Dispatch(&m);
    EXPECT_EQ(m.WParam, WPARAM('Z'));
    EXPECT_EQ(m.Result, 3);

    // Inherited handling of a colour change reaches TControl (children hear of it).
    TProbe child(nullptr);
    child.SetParent(&control);
    control.Log.clear();
    control.SetColor(clYellow);
    EXPECT_EQ(control.Log, (std::vector<String>{"color"}));
    EXPECT_EQ(child.GetColor(), clYellow);
    EXPECT_TRUE(child.GetParentColor());

    // A replaced WindowProc sees every message first and can chain to the old one.
    std::vector<UINT> seen;
    struct TSpy {
        std::vector<UINT>* Seen;
        TWndMethod Old;
        void Proc(TMessage& message) {
            Seen->push_back(message.Msg);
            Old(message);
        }
    } spy{&seen, control.WindowProc};
    control.WindowProc = TWndMethod(&spy, &TSpy::Proc);
    EXPECT_EQ(control.Perform(CM_TEXTCHANGED, 0, 0), 7);
    // The handler reads the text through messages of its own.
    EXPECT_EQ(seen, (std::vector<UINT>{CM_TEXTCHANGED, WM_GETTEXTLENGTH, WM_GETTEXT}));
    control.WindowProc = spy.Old;
    child.SetParent(nullptr);
}

TEST(ControlsMessagesTest, ParentFontAndColorFollowUntilSet) {
    TWinControl parent(nullptr);
    TShape shape(nullptr);
    shape.SetParent(&parent);
    parent.GetFont()->SetSize(14);
    EXPECT_EQ(shape.GetFont()->GetSize(), 14);
    EXPECT_TRUE(shape.GetParentFont());
    shape.GetFont()->SetName("Arial");
    EXPECT_FALSE(shape.GetParentFont());
    parent.GetFont()->SetSize(20);
    EXPECT_EQ(shape.GetFont()->GetSize(), 14);

    shape.SetColor(clRed);
    parent.SetColor(clGreen);
    EXPECT_EQ(shape.GetColor(), clRed);
    shape.SetParentColor(true);
    EXPECT_EQ(shape.GetColor(), clGreen);
    shape.SetParent(nullptr);
}

TEST(ControlsMessagesTest, PublishedPropertiesAsStoredDefinitionsSetThem) {
    TWinControl parent(nullptr);
    parent.SetBounds(0, 0, 200, 100);
    auto* child = new TProbe(&parent);
    child->SetParent(&parent);
    SetPropText(child, "Align", "alTop");
    SetPropText(child, "Anchors", "[akLeft,akRight]");
    SetPropText(child, "Cursor", "-21");
    SetPropText(child, "Caption", "Name");
    SetPropText(child, "TabOrder", "0");
    auto* constraints = dynamic_cast<TSizeConstraints*>(GetObjectProp(child, "Constraints"));
    ASSERT_NE(constraints, nullptr);
    SetPropText(constraints, "MinHeight", "33");
    EXPECT_EQ(child->GetAlign(), alTop);
    EXPECT_EQ(GetPropText(child, "Anchors"), "[akLeft,akRight]");
    EXPECT_EQ(child->GetCursor(), crHandPoint);
    EXPECT_EQ(child->GetCaption(), "Name");
    EXPECT_EQ(child->GetHeight(), 33);
    EXPECT_EQ(child->GetWidth(), 200);
    EXPECT_TRUE(IsDefaultPropValue(child, GetPropInfo(child, "Enabled")));
    EXPECT_EQ(GetPropInfo(child, "Color")->PropType->Name, "TColor");
}

// ---- Alignment, anchors, constraints ----------------------------------------------------------------------

TEST(ControlsAlignTest, AlignmentTable) {
    TWinControl parent(nullptr);
    parent.SetBounds(0, 0, 400, 300);
    struct Case {
        const char* Name;
        TAlign Align;
        RECT Start;      // position before alignment (orders controls of one alignment)
        RECT Expected;
    };
    // Tops pack down from the top in order of their Top, bottoms up from the bottom in order of
    // their Bottom; lefts and rights share the height that remains; the client control fills
    // the rest.
    const std::vector<Case> cases = {
        {"top2", alTop, {0, 50, 10, 80}, {0, 20, 400, 50}},
        {"top1", alTop, {0, 0, 10, 20}, {0, 0, 400, 20}},
        {"bottom1", alBottom, {0, 280, 10, 300}, {0, 280, 400, 300}},
        {"bottom2", alBottom, {0, 200, 10, 225}, {0, 255, 400, 280}},
        {"left1", alLeft, {0, 0, 40, 10}, {0, 50, 40, 255}},
        {"left2", alLeft, {100, 0, 130, 10}, {40, 50, 70, 255}},
        {"right1", alRight, {300, 0, 350, 10}, {350, 50, 400, 255}},
        {"right2", alRight, {100, 0, 110, 10}, {340, 50, 350, 255}},
        {"client", alClient, {5, 5, 6, 6}, {70, 50, 340, 255}},
    };
    std::vector<std::unique_ptr<TShape>> shapes;
    parent.DisableAlign();
    for (const Case& c : cases) {
        auto shape = std::make_unique<TShape>(nullptr);
        shape->SetBoundsRect(c.Start);
        shape->SetAlign(c.Align);
        shape->SetParent(&parent);
        shapes.push_back(std::move(shape));
    }
    parent.EnableAlign();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].Name);
        const RECT r = shapes[i]->GetBoundsRect();
        EXPECT_EQ(r.left, cases[i].Expected.left);
        EXPECT_EQ(r.top, cases[i].Expected.top);
        EXPECT_EQ(r.right, cases[i].Expected.right);
        EXPECT_EQ(r.bottom, cases[i].Expected.bottom);
    }

    // Resizing the parent realigns; a hidden control gives its room away.
    parent.SetBounds(0, 0, 500, 400);
    EXPECT_EQ(shapes[8]->GetBoundsRect().right, 440);
    EXPECT_EQ(shapes[2]->GetTop(), 380);
    shapes[0]->Hide();
    EXPECT_EQ(shapes[4]->GetTop(), 20);
    EXPECT_EQ(shapes[8]->GetTop(), 20);
    // A constrained control takes only the room it may have.
    shapes[1]->GetConstraints()->SetMaxHeight(10);
    EXPECT_EQ(shapes[1]->GetHeight(), 10);
    EXPECT_EQ(shapes[8]->GetTop(), 10);
    for (auto& s : shapes)
        s->SetParent(nullptr);
}

TEST(ControlsAlignTest, AnchorsKeepTheirDistancesWhenTheParentResizes) {
    struct Case {
        const char* Name;
        TAnchors Anchors;
        RECT Expected;  // after the parent grows from 200 x 100 to 300 x 160
    };
    const std::vector<Case> cases = {
        {"left top", {akLeft, akTop}, {10, 10, 60, 30}},
        {"right", {akRight, akTop}, {110, 10, 160, 30}},
        {"left right", {akLeft, akRight, akTop}, {10, 10, 160, 30}},
        {"bottom", {akLeft, akBottom}, {10, 70, 60, 90}},
        {"all four", {akLeft, akTop, akRight, akBottom}, {10, 10, 160, 90}},
        {"none", {}, {60, 40, 110, 60}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TWinControl parent(nullptr);
        parent.SetBounds(0, 0, 200, 100);
        TShape shape(nullptr);
        shape.SetParent(&parent);
        shape.SetBounds(10, 10, 50, 20);
        shape.SetAnchors(c.Anchors);
        parent.SetBounds(0, 0, 300, 160);
        const RECT r = shape.GetBoundsRect();
        EXPECT_EQ(r.left, c.Expected.left);
        EXPECT_EQ(r.top, c.Expected.top);
        EXPECT_EQ(r.right, c.Expected.right);
        EXPECT_EQ(r.bottom, c.Expected.bottom);
        // Back to the first size, back to the first place.
        parent.SetBounds(0, 0, 200, 100);
        EXPECT_EQ(shape.GetLeft(), 10);
        EXPECT_EQ(shape.GetWidth(), 50);
        shape.SetParent(nullptr);
    }
}

TEST(ControlsAlignTest, ConstraintsAndCanResize) {
    TShape shape(nullptr);
    shape.GetConstraints()->SetMinWidth(20);
    shape.GetConstraints()->SetMaxWidth(100);
    shape.GetConstraints()->SetMinHeight(5);
    struct Case {
        Integer W, H, ExpectedW, ExpectedH;
    };
    for (const Case& c : std::vector<Case>{{50, 50, 50, 50}, {10, 2, 20, 5}, {500, 7, 100, 7}}) {
        SCOPED_TRACE(c.W);
        shape.SetBounds(0, 0, c.W, c.H);
        EXPECT_EQ(shape.GetWidth(), c.ExpectedW);
        EXPECT_EQ(shape.GetHeight(), c.ExpectedH);
    }
    // New constraints apply to the current size at once; a maximum below the minimum lowers it.
    shape.SetBounds(0, 0, 90, 10);
    shape.GetConstraints()->SetMaxWidth(60);
    EXPECT_EQ(shape.GetWidth(), 60);
    shape.GetConstraints()->SetMaxWidth(15);
    EXPECT_EQ(shape.GetConstraints()->GetMinWidth(), 15);

    // OnCanResize may refuse or change the size; OnResize follows a change.
    struct TSink {
        int Resized = 0;
        void CanResize(TObject*, Integer& w, Integer& h, bool& resize) {
            if (w == 13) resize = false;
            if (h == 99) h = 98;
        }
        void Resize(TObject*) { ++Resized; }
    } sink;
    TShape other(nullptr);
    other.OnCanResize = MakeEvent(&sink, &TSink::CanResize);
    other.OnResize = MakeEvent(&sink, &TSink::Resize);
    other.SetBounds(0, 0, 13, 10);
    EXPECT_EQ(other.GetWidth(), 0);
    EXPECT_EQ(sink.Resized, 0);
    other.SetBounds(0, 0, 30, 99);
    EXPECT_EQ(other.GetHeight(), 98);
    EXPECT_EQ(sink.Resized, 1);
}

// ---- Windows, focus and keys -----------------------------------------------------------------------

TEST_F(ControlsTest, WindowsAreCreatedLazilyAndRecreatedWithTheirState) {
    auto* probe = new TProbe(Host);
    probe->SetParent(Host);
    probe->SetBounds(10, 20, 100, 50);
    probe->SetText("hello");
    EXPECT_FALSE(probe->HandleAllocated());
    Host->ShowHost();
    ASSERT_TRUE(probe->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(probe->GetHandle()));
    char text[16] = {};
    GetWindowTextA(probe->GetHandle(), text, 16);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(FindControl(probe->GetHandle()), probe);
    RECT r;
    GetWindowRect(probe->GetHandle(), &r);
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.top, 120);

    // The text typed into the window survives a recreation.
    SetWindowTextA(probe->GetHandle(), "typed");
    HWND old = probe->GetHandle();
    probe->RecreateWnd();
    ASSERT_TRUE(probe->HandleAllocated());
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(probe->GetText(), "typed");
    EXPECT_EQ(probe->GetClientOrigin().x, 110);

    TWinControl orphan(nullptr);
    EXPECT_THROW(orphan.HandleNeeded(), EInvalidOperation);
}

TEST_F(ControlsTest, TabAndShiftTabOrder) {
    // a, b (disabled), c (no tab stop), panel { d, e }, f; the tab order puts f before the panel.
    auto make = [&](TWinControl* parent, const char* name) {
        auto* p = new TProbe(Host);
        p->SetName(name);
        p->SetParent(parent);
        p->SetBounds(0, 0, 10, 10);
        return p;
    };
    TProbe* a = make(Host, "a");
    TProbe* b = make(Host, "b");
    TProbe* c = make(Host, "c");
    auto* panel = new TProbe(Host);
    panel->SetName("panel");
    panel->SetTabStop(false);
    panel->SetParent(Host);
    TProbe* d = make(panel, "d");
    TProbe* e = make(panel, "e");
    TProbe* f = make(Host, "f");
    b->SetEnabled(false);
    c->SetTabStop(false);
    f->SetTabOrder(3);
    EXPECT_EQ(panel->GetTabOrder(), 4);
    Host->ShowHost();

    std::vector<TWinControl*> list;
    Host->GetTabOrderList(list);
    EXPECT_EQ(list, (std::vector<TWinControl*>{a, b, c, f, panel, d, e}));

    a->SetFocus();
    ASSERT_TRUE(a->Focused());
    std::vector<String> forward;
    for (int i = 0; i < 5; ++i) {
        Host->SelectNext(FindControl(GetFocus()), true, true);
        forward.push_back(FindControl(GetFocus())->GetName());
    }
    EXPECT_EQ(forward, (std::vector<String>{"f", "d", "e", "a", "f"}));
    std::vector<String> backward;
    for (int i = 0; i < 4; ++i) {
        Host->SelectNext(FindControl(GetFocus()), false, true);
        backward.push_back(FindControl(GetFocus())->GetName());
    }
    EXPECT_EQ(backward, (std::vector<String>{"a", "e", "d", "f"}));
    EXPECT_EQ(Host->GetFocusedControl(), f);
    EXPECT_THROW(b->SetFocus(), EInvalidOperation);
}

TEST_F(ControlsTest, KeyPressDropsAZeroedCharacterAndKeyPreviewComesFirst) {
    auto* probe = new TProbe(Host);
    probe->SetParent(Host);
    probe->SetBounds(0, 0, 50, 20);
    Host->ShowHost();
    probe->SetFocus();
    struct TSink {
        std::vector<String> Log;
        void HostKeyPress(TObject*, char32_t& key) {
            Log.push_back("host:" + String(1, char(key)));
            if (key == 'h') key = 0;
        }
        void KeyPress(TObject*, char32_t& key) {
            Log.push_back("probe:" + String(1, char(key)));
            if (key == 'x') key = 0;
            if (key == 'u') key = 'U';
        }
        void KeyDown(TObject*, Word& key, TShiftState shift) {
            if (key == VK_PROCESSKEY) return;  // text typed through the input method
            Log.push_back(shift.Contains(ssShift) ? "down+shift" : "down");
            if (key == VK_F5) key = 0;
        }
    } sink;
    probe->OnKeyPress = MakeEvent(&sink, &TSink::KeyPress);
    probe->OnKeyDown = MakeEvent(&sink, &TSink::KeyDown);
    Host->OnKeyPress = MakeEvent(&sink, &TSink::HostKeyPress);

    WinInputText(U"axuh");
    Pump();
    auto chars = [&] {
        std::vector<UINT> reached;
        for (const TMessage& m : probe->Reached)
            if (m.Msg == WM_CHAR) reached.push_back(UINT(m.WParam));
        return reached;
    };
    EXPECT_EQ(chars(), (std::vector<UINT>{'a', 'U', 'h'}));
    EXPECT_EQ(sink.Log, (std::vector<String>{"probe:a", "probe:x", "probe:u", "probe:h"}));

    // With key preview the host sees the characters first and may drop them.
    sink.Log.clear();
    probe->Reached.clear();
    Host->KeyPreview = true;
    WinInputText(U"ha");
    Pump();
    EXPECT_EQ(sink.Log, (std::vector<String>{"host:h", "host:a", "probe:a"}));
    EXPECT_EQ(chars(), (std::vector<UINT>{'a'}));

    // A key zeroed in OnKeyDown does not reach the window; the shift state comes along.
    Host->KeyPreview = false;
    sink.Log.clear();
    probe->Reached.clear();
    SetKey(VK_SHIFT, true);
    SetKey(VK_F5, true);
    SetKey(VK_F5, false);
    SetKey(VK_SHIFT, false);
    EXPECT_EQ(sink.Log, (std::vector<String>{"down+shift", "down+shift"}));
    for (const TMessage& m : probe->Reached)
        EXPECT_NE(m.WParam, WPARAM(VK_F5));
}

// ---- Mouse ----------------------------------------------------------------------------------------

TEST_F(ControlsTest, ParentRoutesMouseEventsWithShiftStateToAGraphicControl) {
    auto* shape = new TShape(Host);
    shape->SetParent(Host);
    shape->SetBounds(50, 40, 60, 30);
    Host->ShowHost();
    struct TSink {
        std::vector<String> Log;
        void Down(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y) {
            Log.push_back("down " + std::to_string(int(button)) + " " + std::to_string(shift.Mask()) + " " +
                          std::to_string(x) + "," + std::to_string(y));
        }
        void Move(TObject*, TShiftState shift, Integer x, Integer y) {
            Log.push_back("move " + std::to_string(shift.Mask()) + " " + std::to_string(x) + "," + std::to_string(y));
        }
        void Up(TObject*, TMouseButton button, TShiftState shift, Integer x, Integer y) {
            Log.push_back("up " + std::to_string(int(button)) + " " + std::to_string(shift.Mask()) + " " +
                          std::to_string(x) + "," + std::to_string(y));
        }
        void Clicked(TObject*) { Log.push_back("click"); }
    } sink;
    shape->OnMouseDown = MakeEvent(&sink, &TSink::Down);
    shape->OnMouseMove = MakeEvent(&sink, &TSink::Move);
    shape->OnMouseUp = MakeEvent(&sink, &TSink::Up);
    shape->OnClick = MakeEvent(&sink, &TSink::Clicked);

    const TShiftState shiftLeft{ssShift, ssLeft};
    const TShiftState shiftOnly{ssShift};
    MoveTo(Screen(Host, 55, 45));
    SetKey(VK_SHIFT, true);
    Press(Screen(Host, 55, 45), true);
    // Captured through the parent: a move outside still reaches the shape.
    MoveTo(Screen(Host, 200, 45));
    Press(Screen(Host, 200, 45), false);
    SetKey(VK_SHIFT, false);
    const std::vector<String> expected = {
        "move 0 5,5",
        "down 0 " + std::to_string(shiftLeft.Mask()) + " 5,5",
        "move " + std::to_string(shiftLeft.Mask()) + " 150,5",
        "up 0 " + std::to_string(shiftOnly.Mask()) + " 150,5",
    };
    EXPECT_EQ(sink.Log, expected);
    EXPECT_EQ(GetCapture(), nullptr);

    // A release over the shape clicks it; a click outside goes to the host itself.
    sink.Log.clear();
    Click(Screen(Host, 60, 50));
    EXPECT_EQ(sink.Log.back(), "up 0 0 10,10");
    EXPECT_NE(std::find(sink.Log.begin(), sink.Log.end(), "click"), sink.Log.end());
    sink.Log.clear();
    Click(Screen(Host, 5, 5));
    EXPECT_TRUE(sink.Log.empty());
}

TEST_F(ControlsTest, AControlFreedInItsOwnClickHandler) {
    auto* probe = new TProbe(Host);
    probe->SetParent(Host);
    probe->SetBounds(10, 10, 50, 20);
    auto* shape = new TShape(Host);
    shape->SetParent(Host);
    shape->SetBounds(100, 10, 50, 20);
    Host->ShowHost();
    struct TSink {
        int Freed = 0;
        void FreeSender(TObject* sender) {
            ++Freed;
            delete sender;
        }
        void AfterUp(TObject*, TMouseButton, TShiftState, Integer, Integer) { ADD_FAILURE() << "mouse up after free"; }
    } sink;
    probe->OnClick = MakeEvent(&sink, &TSink::FreeSender);
    probe->OnMouseUp = MakeEvent(&sink, &TSink::AfterUp);
    shape->OnClick = MakeEvent(&sink, &TSink::FreeSender);
    shape->OnMouseUp = MakeEvent(&sink, &TSink::AfterUp);
    const TLivenessToken probeAlive = probe->LivenessToken();
    const TLivenessToken shapeAlive = shape->LivenessToken();
    Click(Screen(Host, 20, 15));
    Click(Screen(Host, 110, 15));
    EXPECT_EQ(sink.Freed, 2);
    EXPECT_FALSE(probeAlive);
    EXPECT_FALSE(shapeAlive);
    EXPECT_EQ(Host->GetControlCount(), 0);
    // The host goes on working.
    Click(Screen(Host, 20, 15));
    Pump();
}

TEST_F(ControlsTest, MouseEnterLeaveWheelAndZOrder) {
    auto* probe = new TProbe(Host);
    probe->SetParent(Host);
    probe->SetBounds(10, 10, 100, 50);
    auto* shape = new TShape(Host);
    shape->SetParent(Host);
    shape->SetBounds(200, 10, 50, 50);
    auto* cover = new TShape(Host);
    cover->SetParent(Host);
    cover->SetBounds(220, 10, 50, 50);
    Host->ShowHost();

    // Entering and leaving, with the control named in the message.
    struct TSpy {
        std::vector<String> Log;
        TWndMethod Old;
        TControl* Control = nullptr;
        void Proc(TMessage& message) {
            if (message.Msg == CM_MOUSEENTER || message.Msg == CM_MOUSELEAVE)
                Log.push_back(String(message.Msg == CM_MOUSEENTER ? "enter " : "leave ") +
                              (message.LParam == LPARAM(Control) ? "self" : "other"));
            Old(message);
        }
    } spy;
    spy.Old = shape->WindowProc;
    spy.Control = shape;
    shape->WindowProc = TWndMethod(&spy, &TSpy::Proc);
    MoveTo(Screen(Host, 5, 5));
    MoveTo(Screen(Host, 205, 20));
    MoveTo(Screen(Host, 150, 80));
    EXPECT_EQ(spy.Log, (std::vector<String>{"enter self", "leave self"}));
    shape->WindowProc = spy.Old;

    // The topmost graphic control gets the mouse; sending it to the back uncovers the other.
    EXPECT_EQ(Host->ControlAtPos(POINT{230, 20}, false), cover);
    cover->SendToBack();
    EXPECT_EQ(Host->ControlAtPos(POINT{230, 20}, false), shape);
    cover->BringToFront();
    EXPECT_EQ(Host->ControlAtPos(POINT{230, 20}, false), cover);
    EXPECT_EQ(Host->ControlAtPos(POINT{20, 20}, false), probe);
    EXPECT_EQ(FindVCLWindow(Screen(Host, 230, 20)), cover);

    // The wheel: the focused control first, its parent when it does not handle it.
    struct TSink {
        std::vector<String> Log;
        bool Handle = false;
        void Up(TObject* sender, TShiftState, POINT, bool& handled) {
            Log.push_back(static_cast<TControl*>(sender)->GetName() + " up");
            handled = Handle;
        }
        void Down(TObject* sender, TShiftState, POINT, bool& handled) {
            Log.push_back(static_cast<TControl*>(sender)->GetName() + " down");
            handled = true;
        }
    } sink;
    probe->SetName("probe");
    Host->SetName("host");
    probe->OnMouseWheelUp = MakeEvent(&sink, &TSink::Up);
    probe->OnMouseWheelDown = MakeEvent(&sink, &TSink::Down);
    Host->OnMouseWheelUp = MakeEvent(&sink, &TSink::Up);
    probe->SetFocus();
    MoveTo(Screen(Host, 20, 20));
    WinInputMouseWheel(Screen(Host, 20, 20), WHEEL_DELTA);
    Pump();
    WinInputMouseWheel(Screen(Host, 20, 20), -WHEEL_DELTA);
    Pump();
    EXPECT_EQ(sink.Log, (std::vector<String>{"probe up", "host up", "probe down"}));
}

TEST_F(ControlsTest, AnExceptionInAHandlerGoesToTheExceptionHandler) {
    auto* probe = new TProbe(Host);
    probe->SetParent(Host);
    probe->SetBounds(10, 10, 100, 50);
    Host->ShowHost();
    String caught;
    TWinExceptionHandler old = WinSetExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            caught = e.Message;
        }
    });
    struct TSink {
        void Throw(TObject*) { throw EInvalidOperation("boom"); }
    } sink;
    probe->OnClick = MakeEvent(&sink, &TSink::Throw);
    Click(Screen(Host, 20, 20));
    WinSetExceptionHandler(old);
    EXPECT_EQ(caught, "boom");
    // The control is in order afterwards: the capture was released before the click.
    EXPECT_EQ(GetCapture(), nullptr);
}

// ---- Drag and drop ----------------------------------------------------------------------------------

TEST_F(ControlsTest, DragAndDropBetweenTwoControls) {
    auto* source = new TProbe(Host);
    source->SetName("source");
    source->SetParent(Host);
    source->SetBounds(10, 10, 80, 40);
    source->SetDragMode(dmAutomatic);
    source->SetDragCursor(crMultiDrag);
    auto* target = new TShape(Host);
    target->SetName("target");
    target->SetParent(Host);
    target->SetBounds(200, 100, 100, 100);
    auto* refusing = new TProbe(Host);
    refusing->SetParent(Host);
    refusing->SetBounds(200, 220, 100, 40);
    Host->ShowHost();

    struct TSink {
        std::vector<String> Log;
        TObject* DroppedSource = nullptr;
        TObject* EndTarget = reinterpret_cast<TObject*>(1);
        POINT Drop{};
        void Over(TObject* sender, TObject* src, Integer x, Integer y, TDragState state, bool& accept) {
            Log.push_back("over" + std::to_string(int(state)));
            accept = true;
        }
        void Refuse(TObject*, TObject*, Integer, Integer, TDragState, bool& accept) { accept = false; }
        void Dropped(TObject* sender, TObject* src, Integer x, Integer y) {
            Log.push_back("drop");
            DroppedSource = src;
            Drop = POINT{x, y};
        }
        void Ended(TObject* sender, TObject* tgt, Integer x, Integer y) {
            Log.push_back("end");
            EndTarget = tgt;
        }
    } sink;
    target->OnDragOver = MakeEvent(&sink, &TSink::Over);
    target->OnDragDrop = MakeEvent(&sink, &TSink::Dropped);
    refusing->OnDragOver = MakeEvent(&sink, &TSink::Refuse);
    source->OnEndDrag = MakeEvent(&sink, &TSink::Ended);

    MoveTo(Screen(Host, 20, 20));
    Press(Screen(Host, 20, 20), true);
    EXPECT_TRUE(source->Dragging());
    MoveTo(Screen(Host, 100, 60));
    MoveTo(Screen(Host, 210, 110));
    EXPECT_EQ(GetCursor(), CursorHandle(crMultiDrag));
    MoveTo(Screen(Host, 230, 140));
    Press(Screen(Host, 230, 140), false);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(sink.Log, (std::vector<String>{"over0", "over2", "over2", "over2", "drop", "end"}));
    EXPECT_EQ(sink.DroppedSource, source);
    EXPECT_EQ(sink.Drop.x, 30);
    EXPECT_EQ(sink.Drop.y, 40);
    EXPECT_EQ(sink.EndTarget, target);

    // Dropped where nobody accepts: the source hears of it with no target, the target that was
    // passed on the way sees the drag leave.
    sink.Log.clear();
    MoveTo(Screen(Host, 20, 20));
    Press(Screen(Host, 20, 20), true);
    MoveTo(Screen(Host, 250, 150));
    MoveTo(Screen(Host, 250, 230));
    EXPECT_EQ(GetCursor(), CursorHandle(crNoDrop));
    Press(Screen(Host, 250, 230), false);
    EXPECT_EQ(sink.Log, (std::vector<String>{"over0", "over2", "over1", "end"}));
    EXPECT_EQ(sink.EndTarget, nullptr);

    // A manual drag with a threshold starts only once the mouse moved far enough; Escape
    // cancels it.
    sink.Log.clear();
    source->SetDragMode(dmManual);
    source->SetFocus();
    source->BeginDrag(false, 10);
    MoveTo(Screen(Host, 25, 20));
    EXPECT_TRUE(sink.Log.empty());
    MoveTo(Screen(Host, 220, 120));
    EXPECT_EQ(sink.Log, (std::vector<String>{"over0", "over2"}));
    SetKey(VK_ESCAPE, true);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(sink.Log.back(), "end");
}

// ---- Actions ---------------------------------------------------------------------------------------

TEST(ControlsActionTest, AControlFollowsItsAction) {
    TActionList list(nullptr);
    auto* action = new TAction(&list);
    action->SetActionList(&list);
    struct TSink {
        int Executed = 0;
        TComponent* Component = nullptr;
        void Execute(TObject* sender) {
            ++Executed;
            auto* action = dynamic_cast<TBasicAction*>(sender);
            Component = action != nullptr ? action->GetActionComponent() : nullptr;
        }
    } sink;
    action->SetCaption("&Open");
    action->SetHint("Open a file");
    action->SetOnExecute(MakeEvent(&sink, &TSink::Execute));

    TProbe probe(nullptr);
    probe.SetAction(action);
    EXPECT_EQ(probe.GetCaption(), "&Open");
    EXPECT_EQ(probe.GetHint(), "Open a file");
    EXPECT_TRUE(probe.GetEnabled());
    probe.Click();
    EXPECT_EQ(sink.Executed, 1);
    EXPECT_EQ(sink.Component, &probe);
    EXPECT_EQ(action->GetActionComponent(), nullptr);

    // Changes of the action reach the control while it shows the action's values.
    action->SetCaption("&Close");
    action->SetEnabled(false);
    action->SetVisible(false);
    EXPECT_EQ(probe.GetCaption(), "&Close");
    EXPECT_FALSE(probe.GetEnabled());
    EXPECT_FALSE(probe.GetVisible());
    probe.SetCaption("Mine");
    action->SetCaption("&Again");
    EXPECT_EQ(probe.GetCaption(), "Mine");

    // A disabled action does not run; the action list may handle it first.
    probe.Click();
    EXPECT_EQ(sink.Executed, 1);
    action->SetEnabled(true);
    struct TListSink {
        void Execute(TBasicAction*, bool& handled) { handled = true; }
    } listSink;
    list.OnExecute = MakeEvent(&listSink, &TListSink::Execute);
    probe.Click();
    EXPECT_EQ(sink.Executed, 1);
    list.OnExecute = nullptr;

    // AutoCheck and groups.
    auto* second = new TAction(&list);
    second->SetActionList(&list);
    action->SetGroupIndex(1);
    second->SetGroupIndex(1);
    action->SetChecked(true);
    second->SetChecked(true);
    EXPECT_FALSE(action->GetChecked());

    // Freeing the action leaves the control without it; the handler it took stays its own.
    delete action;
    EXPECT_EQ(probe.GetAction(), nullptr);
    probe.Click();
    EXPECT_EQ(sink.Executed, 2);
    EXPECT_EQ(sink.Component, nullptr);
    // An action without a handler disables itself when executed.
    second->Execute();
    EXPECT_FALSE(second->GetEnabled());
}

// ---- Painting ----------------------------------------------------------------------------------------

TEST_F(ControlsTest, ParentPaintsItsChildrenAndThePictureIsSaved) {
    auto* top = new TProbe(Host);
    top->SetParent(Host);
    top->SetHeight(40);
    top->SetAlign(alTop);
    top->Fill = clNavy;
    auto* left = new TProbe(Host);
    left->SetParent(Host);
    left->SetWidth(60);
    left->SetAlign(alLeft);
    left->Fill = clOlive;
    auto* shape = new TShape(Host);
    shape->SetParent(Host);
    shape->SetBounds(150, 120, 120, 80);
    shape->Fill = clRed;
    auto* hidden = new TShape(Host);
    hidden->SetParent(Host);
    hidden->SetBounds(300, 200, 50, 50);
    hidden->Fill = clLime;
    hidden->Hide();
    Host->ShowHost();
    UpdateWindow(Host->GetHandle());
    Pump();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Host->GetHandle(), s));
    auto at = [&](int x, int y) { return GdiPixelToColor(s.Row(y)[x] & 0xFFFFFF); };
    EXPECT_EQ(at(200, 20), COLORREF(clNavy));
    EXPECT_EQ(at(30, 150), COLORREF(clOlive));
    EXPECT_EQ(at(210, 160), COLORREF(clRed));   // the ellipse's centre
    EXPECT_EQ(at(152, 122), COLORREF(clWhite));  // outside the ellipse, inside its bounds
    EXPECT_EQ(at(325, 225), COLORREF(clWhite));  // the hidden shape is not painted
    const std::string path = testsupport::ArtifactPath("ControlsTest_PaintedChildren.png");
    testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                          int(s.Stride / 4));

    // A child made invisible leaves the place to its parent's background.
    left->Hide();
    UpdateWindow(Host->GetHandle());
    Pump();
    ASSERT_TRUE(WinGetSurface(Host->GetHandle(), s));
    EXPECT_EQ(at(30, 150), COLORREF(clWhite));
}

}  // namespace
