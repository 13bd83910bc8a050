#include "script/kq_iformsrtti.h"

#include <cstdint>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "script/kq_iclassesrtti.h"
#include "script/kq_igraphicsrtti.h"
#include "script/kq_isysrtti.h"
#include "tests/script/BindingHost.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

using bindinghost::BindingHost;
using bindinghost::Make;

namespace {

struct Case {
    const char* language;
    const char* text;
    const char* output;
};

class kq_iformsrttiTest : public testsupport::TFormFixture {
protected:
    static BindingHost MakeHost() {
        return BindingHost({&Make<TkqSysRTTIFunctions>, &Make<TkqClassesRTTIFunctions>,
                            &Make<TkqGraphicsRTTIFunctions>, &Make<TkqFormsRTTIFunctions>});
    }
    // Compiles and runs; the message of the exception the run ends with, or "no exception".
    static String RunError(BindingHost& host, const String& text, const String& language = "PascalScript") {
        if (!host.Compile(text, language)) return "compile: " + host.Error();
        try {
            host.Script->Execute();
        } catch (const Exception& e) {
            return e.Message;
        }
        return "no exception";
    }
};

TEST_F(kq_iformsrttiTest, ConstantsEnumerationsAndSetsHaveTheirValues) {
    const Case cases[] = {
        {"PascalScript",
         "begin Print(VK_F1); Print(VK_F2); Print(VK_F12); Print(crSize); Print(crSizeAll); "
         "Print(VarType(crSize) = varSmallint); Print(VK_NUMPAD0); Print(VK_NUMPAD9); Print(VK_SCROLL); "
         "Print(mrOk); Print(mrYesToAll); Print(bsDialog); Print(taCenter); Print(crHandPoint) end.",
         "112\n113\n123\n-22\n-22\nTrue\n96\n105\n145\n1\n10\n3\n2\n-21\n"},
        // Sets count in bits, enumerations from 0.
        {"PascalScript",
         "begin Print(ssShift + ssCtrl); Print(ssDouble); Print(akLeft + akTop); Print(biHelp); "
         "Print(alClient); Print(mbMiddle); Print(bvSpace); Print(csOwnerDrawVariable); Print(wsMaximized); "
         "Print(fsStayOnTop); Print(poDesktopCenter); Print(caFree); Print(ssBoth); Print(cbGrayed) end.",
         "5\n64\n3\n8\n5\n2\n3\n4\n2\n3\n5\n2\n3\n2\n"},
        {"JScript", "Print(VK_F2); Print(crSize == crSizeAll); Print(mrCancel); Print(VK_RETURN);",
         "113\nTrue\n2\n13\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
    // There is no constant for key code 1.
    BindingHost host = MakeHost();
    ASSERT_FALSE(host.Compile("begin Print(VK_LBUTTON) end."));
    EXPECT_EQ(host.Script->LastErrorText, "Undeclared identifier: 'VK_LBUTTON'");
}

TEST_F(kq_iformsrttiTest, ClickFromTheHostRunsTheBoundProcedure) {
    BindingHost host = MakeHost();
    auto* button = new TButton(Form);
    button->SetParent(Form);
    button->SetName("Button1");
    host.Script->AddObject("Button1", button);
    ASSERT_TRUE(
        host.Compile("procedure H(Sender: TObject); begin Print('H ' + TButton(Sender).Caption) end;\n"
                     "procedure Unbind; begin Button1.OnClick := nil end;\n"
                     "begin Button1.Caption := 'Go'; Button1.OnClick := 'H' end."))
        << host.Error();
    host.Script->Execute();
    ASSERT_TRUE(button->OnClick.Assigned());
    button->Click();
    button->Click();
    EXPECT_EQ(host.Output, "H Go\nH Go\n");
    host.Script->CallFunction("Unbind", Null());
    EXPECT_FALSE(button->OnClick.Assigned());
    button->Click();
    EXPECT_EQ(host.Output, "H Go\nH Go\n");

    // The same in JScript, bound and unbound by the script.
    host.Output.clear();
    ASSERT_TRUE(host.Compile("function H(Sender) { Print(\"J \" + Button1.Caption); }\n"
                             "function Unbind() { Button1.OnClick = nil; }\nButton1.OnClick = \"H\";",
                             "JScript"))
        << host.Error();
    host.Script->Execute();
    button->Click();
    host.Script->CallFunction("Unbind", Null());
    button->Click();
    EXPECT_EQ(host.Output, "J Go\n");
    EXPECT_FALSE(button->OnClick.Assigned());

    // Only a script procedure can handle an event.
    const char* refused[] = {
        "var x: Integer; begin Button1.OnClick := 'x' end.",
        "begin Button1.OnClick := 'NoSuchProcedure' end.",
        "begin Button1.OnClick := '' end.",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        EXPECT_EQ(RunError(host, text), "Event handler must be a procedure");
        EXPECT_FALSE(button->OnClick.Assigned());
    }
}

// A handler reads the object its event came from, in either language: each firing sees its own
// Sender, whatever class it is; a Sender that is nil, of a class without the member, or freed
// by the handler ends the handler with a script error.
TEST_F(kq_iformsrttiTest, HandlersSeeTheirOwnSenderAndAWrongOrFreedSenderIsAnError) {
    struct TLanguage {
        const char* language;
        const char* text;
        const char* nilOutput;  // through a nil Sender: published properties read Null, other members fail
        const char* wrongError; // a member the Sender's class lacks
        const char* freedError; // a member read after the handler freed its Sender
    };
    const TLanguage languages[] = {
        {"PascalScript",
         "procedure H(Sender: TControl); begin Print(Sender.Name); Print(Sender.Left); Sender.Tag := 7; Sender.Show end;\n"
         "procedure C(Sender: TForm); begin Sender.Close end;\n"
         "procedure F(Sender: TControl); begin Sender.Free; Print(Sender.Name) end;\n"
         "begin Button1.OnClick := 'H'; Edit1.OnClick := 'H'; Edit1.OnDblClick := 'C'; "
         "Temp.OnClick := 'F' end.",
         "\n\nerror: Invalid class typecast", "Invalid class typecast", "Invalid class typecast"},
        {"JScript",
         "function H(Sender) { Print(Sender.Name); Print(Sender.Left); Sender.Tag = 7; Sender.Show(); }\n"
         "function C(Sender) { Sender.Close(); }\n"
         "function F(Sender) { Sender.Free(); Print(Sender.Name); }\n"
         "Button1.OnClick = \"H\"; Edit1.OnClick = \"H\"; Edit1.OnDblClick = \"C\"; Temp.OnClick = \"F\";",
         "error: Class type required", "Undeclared identifier: 'Close'", "Class type required"},
    };
    for (const TLanguage& l : languages) {
        SCOPED_TRACE(l.language);
        BindingHost host = MakeHost();
        auto* button = new TButton(Form);
        button->SetParent(Form);
        button->SetName("Button1");
        button->SetLeft(10);
        auto* edit = new TEdit(Form);
        edit->SetParent(Form);
        edit->SetName("Edit1");
        edit->SetLeft(20);
        auto* temp = new TButton(Form);
        temp->SetName("Temp");
        const TLivenessToken tempAlive = temp->LivenessToken();
        host.Script->AddObject("Button1", button);
        host.Script->AddObject("Edit1", edit);
        host.Script->AddObject("Temp", temp);
        ASSERT_TRUE(host.Compile(l.text, l.language)) << host.Error();
        host.Script->Execute();
        auto fire = [&](const std::function<void()>& event) {
            host.Output.clear();
            try {
                event();
            } catch (const Exception& e) {
                return host.Output + "error: " + e.Message;
            }
            return host.Output;
        };
        // One handler, Senders of two classes, in turn.
        EXPECT_EQ(fire([&] { button->Click(); }), "Button1\n10\n");
        EXPECT_EQ(fire([&] { edit->OnClick(edit); }), "Edit1\n20\n");
        EXPECT_EQ(fire([&] { button->Click(); }), "Button1\n10\n");
        EXPECT_EQ(button->GetTag(), 7);
        EXPECT_EQ(edit->GetTag(), 7);
        // A Sender the handler cannot use.
        EXPECT_EQ(fire([&] { button->OnClick(nullptr); }), l.nilOutput);
        EXPECT_EQ(fire([&] { edit->OnDblClick(edit); }), "error: " + String(l.wrongError));
        EXPECT_EQ(fire([&] { temp->Click(); }), "error: " + String(l.freedError));
        EXPECT_FALSE(tempAlive);
        // The handler still serves a good Sender afterwards.
        EXPECT_EQ(fire([&] { edit->OnClick(edit); }), "Edit1\n20\n");
        delete button;
        delete edit;
    }
}

TEST_F(kq_iformsrttiTest, EveryEventMemberBindsItsHostEvent) {
    BindingHost host = MakeHost();
    auto* combo = new TComboBox(Form);
    combo->SetParent(Form);
    host.Script->AddObject("Form1", Form);
    host.Script->AddObject("Combo1", combo);
    struct Target {
        const char* className;
        const char* objectName;
        TObject* object;
    } targets[] = {{"TControl", "Form1", Form},
                   {"TWinControl", "Form1", Form},
                   {"TCustomForm", "Form1", Form},
                   {"TCustomComboBox", "Combo1", combo}};
    int events = 0;
    for (const Target& t : targets) {
        TkqClassVariable* cls = host.ClassOf(t.className);
        ASSERT_NE(cls, nullptr);
        for (Integer i = 0; i < cls->Members->Count(); ++i) {
            auto* event = dynamic_cast<TkqEventHelper*>(cls->Members->Items(i));
            if (event == nullptr) continue;
            ++events;
            const String name = event->Name;
            SCOPED_TRACE(String(t.objectName) + "." + name);
            EXPECT_EQ(host.Run("procedure H(Sender: TObject); begin end;\nbegin " + String(t.objectName) +
                               "." + name + " := 'H'; Print(1) end."),
                      "1\n");
            EXPECT_NE(GetMethodProp(t.object, name).Invoker, nullptr);
            EXPECT_EQ(host.Run(String("begin ") + t.objectName + "." + name + " := nil; Print(2) end."),
                      "2\n");
            EXPECT_EQ(GetMethodProp(t.object, name).Invoker, nullptr);
        }
    }
    EXPECT_EQ(events, 7 + 5 + 9 + 3);
}

TEST_F(kq_iformsrttiTest, CloseQueryDecidesWhetherTheFormCloses) {
    const Case cases[] = {
        {"PascalScript",
         "procedure Q(Sender: TObject; var CanClose: Boolean); begin Print('asked'); CanClose := False end;\n"
         "var f: TForm; begin f := TForm.Create(nil); f.OnCloseQuery := 'Q'; f.Show; f.Close; "
         "Print(f.Visible); f.Free end.",
         "asked\nTrue\n"},
        {"PascalScript",
         "procedure Q(Sender: TObject; var CanClose: Boolean); begin Print('asked') end;\n"
         "procedure C(Sender: TObject; var Action: TCloseAction); begin Print(Action = caHide) end;\n"
         "var f: TForm; begin f := TForm.Create(nil); f.OnCloseQuery := 'Q'; f.OnClose := 'C'; f.Show; "
         "f.Close; Print(f.Visible); f.Free end.",
         "asked\nTrue\nFalse\n"},
        {"JScript",
         "function Q(Sender, CanClose) { CanClose = false; }\n"
         "var f = new TForm(nil); f.OnCloseQuery = \"Q\"; f.Show; f.Close; Print(f.Visible); f.Free;",
         "True\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

TEST_F(kq_iformsrttiTest, ShowAndHideOnAFormAreTheFormsOwn) {
    BindingHost host = MakeHost();
    struct Member {
        const char* className;
        const char* member;
        TClass servedBy;
    } members[] = {
        {"TForm", "Show", TCustomForm::StaticClass()},
        {"TForm", "Hide", TCustomForm::StaticClass()},
        {"TForm", "SetBounds", TControl::StaticClass()},
        {"TButton", "Show", TControl::StaticClass()},
        {"TForm", "SetFocus", TWinControl::StaticClass()},
        {"TListBox", "Selected", TCustomListBox::StaticClass()},
        {"TForm", "Create", TComponent::StaticClass()},
        {"TApplication", "Free", TObject::StaticClass()},
    };
    for (const Member& m : members) {
        SCOPED_TRACE(String(m.className) + "." + m.member);
        TkqClassVariable* cls = host.ClassOf(m.className);
        ASSERT_NE(cls, nullptr);
        auto* helper = dynamic_cast<TkqMethodHelper*>(cls->FindMember(m.member));
        ASSERT_NE(helper, nullptr);
        EXPECT_EQ(helper->ClassRef, m.servedBy);
    }
    // The form's own Show brings it to the front as well; the control's only makes it visible.
    TForm* other = TForm::CreateNew(nullptr);
    host.Script->AddObject("Form1", Form);
    host.Script->AddObject("Form2", other);
    EXPECT_EQ(host.Run("begin Form1.Show; Form2.Show; Form1.Show; Print(Form1.Visible) end."), "True\n");
    EXPECT_EQ(GetTopWindow(nullptr), Form->GetHandle());
    EXPECT_EQ(host.Run("begin Form2.Show; TControl(Form1).Show; Print(Form1.Visible) end."), "True\n");
    EXPECT_EQ(GetTopWindow(nullptr), other->GetHandle());
    delete other;
}

TEST_F(kq_iformsrttiTest, ControlsMadeByAScriptAnswerThroughTheirMembers) {
    const Case cases[] = {
        // A form made by a script is complete: Visible shows it at once.
        {"PascalScript",
         "var f: TForm; begin f := TForm.Create(nil); f.Visible := True; Print(f.Visible); "
         "f.BorderStyle := bsDialog; Print(f.BorderStyle); f.Position := poScreenCenter; Print(f.Position); "
         "f.Free end.",
         "True\n3\n4\n"},
        {"PascalScript",
         "var f: TForm; l: TListBox; begin f := TForm.Create(nil); l := TListBox.Create(f); l.Parent := f; "
         "l.Items.CommaText := 'a,b,c'; l.MultiSelect := True; l.Selected[0] := True; l.Selected[2] := True; "
         "Print(l.SelCount); Print(l.Selected[1]); Print(l.Selected[2]); l.MultiSelect := False; "
         "l.ItemIndex := 1; Print(l.ItemIndex); f.Free end.",
         "2\nFalse\nTrue\n1\n"},
        {"PascalScript",
         "var f: TForm; c: TComboBox; begin f := TForm.Create(nil); c := TComboBox.Create(f); c.Parent := f; "
         "c.Items.Add('x'); c.Items.Add('y'); c.ItemIndex := 1; Print(c.ItemIndex); "
         "Print(c.Items[c.ItemIndex]); "
         "Print(c.DroppedDown); f.Free end.",
         "1\ny\nFalse\n"},
        // Parent moves a control between windows; nil takes it off.
        {"PascalScript",
         "var f: TForm; g: TGroupBox; e: TEdit; begin f := TForm.Create(nil); g := TGroupBox.Create(f); "
         "g.Parent := f; e := TEdit.Create(f); e.Parent := f; Print(e.Parent = f); e.Parent := g; "
         "Print(e.Parent = g); e.SetBounds(5, 6, 70, 21); Print(e.Left + e.Top * 10 + e.Width * 100); "
         "e.Parent := nil; Print(e.Parent = nil); f.Free end.",
         "True\nTrue\n7065\nTrue\n"},
        // SetFocus moves the form's active control; DroppedDown opens and closes the list.
        {"PascalScript",
         "var f: TForm; e, g: TEdit; c: TComboBox; begin f := TForm.Create(nil); e := TEdit.Create(f); "
         "e.Parent := f; g := TEdit.Create(f); g.Parent := f; g.Top := 40; c := TComboBox.Create(f); "
         "c.Parent := f; c.Top := 80; c.Items.Add('x'); f.Show; g.SetFocus; Print(f.ActiveControl = g); "
         "e.SetFocus; Print(f.ActiveControl = e); c.DroppedDown := True; Print(c.DroppedDown); "
         "c.DroppedDown := False; Print(c.DroppedDown); f.Free end.",
         "True\nTrue\nTrue\nFalse\n"},
        {"PascalScript",
         "begin Application.Minimize; Application.Restore; Print(Application.ClassName); "
         "Print(Application.ExeName <> ''); Application.ProcessMessages "
         "end.",
         "TApplication\nTrue\n"},
        {"JScript",
         "var f = new TForm(nil); var b = new TButton(f); b.Parent = f; b.Caption = \"OK\"; f.Visible = "
         "true; "
         "Print(f.Visible); Print(b.Owner == f); f.Free;",
         "True\nTrue\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

TEST_F(kq_iformsrttiTest, MembersRefuseWhatIsNotTheirObject) {
    const char* texts[] = {
        "var f: TForm; begin f := TForm.Create(nil); f.Free; f.Show end.",
        "var f: TForm; begin f := TForm; Print(f.ShowModal) end.",
        "var l: TStringList; begin l := TStringList.Create; TForm(l).Close end.",
        "var l: TStringList; begin l := TStringList.Create; Print(TListBox(l).SelCount) end.",
        ("var f: TForm; b: TButton; l: TStringList; begin f := TForm.Create(nil); l := TStringList.Create; "
         "b := TButton.Create(f); b.Parent := TWinControl(l) end."),
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        BindingHost host = MakeHost();
        EXPECT_EQ(RunError(host, text), "Invalid class typecast");
    }
}

// The application object is the program's: a script that frees it gets a script error and the
// object lives on.
TEST_F(kq_iformsrttiTest, AScriptCannotFreeTheApplication) {
    const char* texts[] = {
        "begin Application.Free end.",
        "begin TObject(Application).Free end.",
        "var o: TObject; begin o := Application; o.Free end.",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        BindingHost host = MakeHost();
        EXPECT_EQ(RunError(host, text), "The application object cannot be freed");
        EXPECT_EQ(host.Run("begin Print(Application.ClassName) end."), "TApplication\n");
    }
}

// Takes a picture of a form a script passes to Snapshot, saved under the artifacts.
struct TSnapshot {
    String FileName;
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    Variant Take(TObject*, TClass, const String&, TkqMethodHelper* caller) {
        auto* form = dynamic_cast<TCustomForm*>(VariantToObject(caller->GetParam(0)));
        if (form == nullptr) return false;
        UpdateWindow(form->GetHandle());
        Application->ProcessMessages();
        GdiSurface surface;
        if (!WinGetSurface(form->GetHandle(), surface)) return false;
        Width = surface.Width;
        Height = surface.Height;
        Pixels.clear();
        for (int y = 0; y < surface.Height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(surface.Bits + y * surface.Stride);
            Pixels.insert(Pixels.end(), row, row + surface.Width);
        }
        testsupport::WritePng(testsupport::ArtifactPath(FileName), Width, Height, Pixels);
        return true;
    }
};

TEST_F(kq_iformsrttiTest, AFormBuiltByAScriptEndsItsModalLoopFromOnShow) {
    BindingHost host = MakeHost();
    TSnapshot snapshot;
    snapshot.FileName = "kq_iformsrtti_form.png";
    host.Script->AddMethod("function Snapshot(f: TForm): Boolean",
                           TkqModuleCallback(&snapshot, &TSnapshot::Take));
    EXPECT_EQ(
        host.Run(
            "var f: TForm; b: TButton; e: TEdit; l: TLabel; c: TCheckBox;\n"
            "procedure S(Sender: TObject); begin f.ModalResult := mrOk end;\n"
            "begin f := TForm.Create(nil); f.Caption := 'Channel 1'; f.BorderStyle := bsDialog; "
            "f.SetBounds(40, 40, 320, 170); f.Color := clBtnFace;\n"
            "l := TLabel.Create(f); l.Parent := f; l.Caption := 'Frequency'; l.SetBounds(16, 20, 80, 16);\n"
            "e := TEdit.Create(f); e.Parent := f; e.Text := '146.520'; e.SetBounds(110, 16, 120, 22);\n"
            "c := TCheckBox.Create(f); c.Parent := f; c.Caption := 'Scan'; c.Checked := True; "
            "c.SetBounds(110, 50, 120, 20);\n"
            "b := TButton.Create(f); b.Parent := f; b.Caption := 'OK'; b.SetBounds(110, 90, 80, 26);\n"
            "f.Show; Print(Snapshot(f)); f.Hide; f.OnShow := 'S'; Print(f.ShowModal); Print(f.Visible); "
            "Print(f.ModalResult); "
            "Print(b.Parent = f); Print(b.Owner = f); Print(e.Parent.ClassName); f.Free end."),
        "True\n1\nFalse\n1\nTrue\nTrue\nTForm\n");
    // The picture shows more than the form's face: the controls were drawn.
    ASSERT_GT(snapshot.Width, 0);
    std::set<std::uint32_t> colours;
    for (std::uint32_t pixel : snapshot.Pixels)
        colours.insert(pixel & 0xFFFFFF);
    EXPECT_GT(colours.size(), 3u);
}

} // namespace
