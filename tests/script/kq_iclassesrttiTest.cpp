#include "script/kq_iclassesrtti.h"

#include <gtest/gtest.h>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "script/kq_isysrtti.h"
#include "script/kq_xml.h"
#include "tests/script/BindingHost.h"
#include "tests/support/TestSupport.h"

using bindinghost::BindingHost;
using bindinghost::Make;

namespace {

BindingHost MakeHost() { return BindingHost({&Make<TkqSysRTTIFunctions>, &Make<TkqClassesRTTIFunctions>}); }

struct Case {
    const char* language;
    const char* text;
    const char* output;
};

TEST(kq_iclassesrttiTest, StringListMadeByAScriptCountsItsStrings) {
    const Case cases[] = {
        {"PascalScript",
         "var o: TStringList; begin o := TStringList.Create; Print(o.Add('a')); Print(o.Add('b')); "
         "Print(o.Add('c')); Print(o.Count); o.Free end.",
         "0\n1\n2\n3\n"},
        {"JScript",
         "var o = new TStringList; Print(o.Add(\"a\")); Print(o.Add(\"b\")); Print(o.Add(\"c\")); "
         "var n = o.Count; Print(n); o.Free;",
         "0\n1\n2\n3\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
        EXPECT_EQ(host.ClassOf("TStringList")->UnconstructedCount(), 0);
    }
}

TEST(kq_iclassesrttiTest, MembersGiveTheClassLibrarysResults) {
    const Case cases[] = {
        // TList: indexes of added items, -1 for an absent one, Items read and written.
        {"PascalScript",
         "var l: TList; a, b: TObject; begin l := TList.Create; a := TObject.Create; b := TObject.Create; "
         "Print(l.Add(a)); Print(l.Add(a)); Print(l.Remove(b)); Print(l.Remove(a)); l[0] := b; "
         "Print(l.IndexOf(b)); Print(l.Count); l.Free; a.Free; b.Free end.",
         "0\n1\n-1\n0\n0\n1\n"},
        // Reading 10 bytes with 4 left gives 4 and a 4-character text; Count below 1 reads nothing.
        {"PascalScript",
         "var m: TMemoryStream; s: String; begin m := TMemoryStream.Create; Print(m.Write('abcdefgh', 8)); "
         "m.Position := 4; Print(m.Read(s, 10)); Print(s); Print(Length(s)); Print(m.Position); "
         "s := 'keep'; Print(m.Read(s, 0)); Print('[' + s + ']'); m.Free end.",
         "8\n4\nefgh\n4\n8\n0\n[]\n"},
        // A Count beyond the text writes the text only; Seek and Size.
        {"PascalScript",
         "var m: TMemoryStream; begin m := TMemoryStream.Create; Print(m.Write('xyz', 100)); "
         "Print(m.Size); Print(m.Seek(1, soFromBeginning)); Print(m.Seek(-1, soFromEnd)); m.Free end.",
         "3\n3\n1\n2\n"},
        {"PascalScript",
         "var a, b: TMemoryStream; s: String; begin a := TMemoryStream.Create; b := TMemoryStream.Create; "
         "a.Write('hello', 5); Print(b.CopyFrom(a, 0)); b.Position := 0; b.Read(s, 5); Print(s); "
         "a.Free; b.Free end.",
         "5\nhello\n"},
        // Names, Values, CommaText, Text and Strings.
        {"PascalScript",
         "var l: TStringList; begin l := TStringList.Create; l.CommaText := 'a=1,b=2,\"c d\"'; "
         "Print(l.Count); Print(l.Names[1]); Print(l.Values['b']); l.Values['a'] := '9'; Print(l[0]); "
         "l[2] := 'e'; Print(l.CommaText); Print(l.IndexOfName('b')); l.Move(0, 2); Print(l.CommaText); "
         "l.Free end.",
         "3\nb\n2\na=9\na=9,b=2,e\n1\nb=2,e,a=9\n"},
        // Sorted sorts at once; Find writes the found or insertion index back.
        {"PascalScript",
         "var l: TStringList; i: Integer; begin l := TStringList.Create; l.Add('c'); l.Add('a'); "
         "l.Add('d'); l.Sorted := True; Print(l.CommaText); Print(l.Find('c', i)); Print(i); "
         "Print(l.Find('b', i)); Print(i); Print(l.Sorted); l.Free end.",
         "a,c,d\nTrue\n1\nFalse\n1\nTrue\n"},
        // Objects held by strings, ClassName and Assign through the ancestors.
        {"PascalScript",
         "var l, k: TStringList; o: TObject; begin l := TStringList.Create; k := TStringList.Create; "
         "o := TObject.Create; l.AddObject('x', o); Print(l.IndexOfObject(o)); "
         "Print(l.Objects[0].ClassName); "
         "k.Assign(l); Print(k[0]); Print(k.Objects[0] = o); Print(k.ClassName); l.Clear; Print(l.Count); "
         "l.Free; k.Free; o.Free end.",
         "0\nTObject\nx\nTrue\nTStringList\n0\n"},
        {"JScript",
         "var l = new TList; var o = new TObject; Print(l.Add(o)); Print(l.Remove(l)); Print(l.Count); "
         "l.Free; o.Free;",
         "0\n-1\n1\n"},
        {"JScript",
         "var m = new TMemoryStream; var s = \"\"; m.Write(\"abcd\", 4); m.Position = 0; "
         "Print(m.Read(s, 10)); Print(s); m.Free;",
         "4\nabcd\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

TEST(kq_iclassesrttiTest, ReadOnlyIndexedPropertiesCannotBeAssigned) {
    const char* texts[] = {
        "var c: TCollection; begin c[0] := nil end.",
        "var c: TCollection; begin c.Items[0] := nil end.",
        "var l: TStringList; begin l.Names[0] := 'x' end.",
        "var x: TkqXMLItem; begin x.Items[0] := nil end.",
        "var l: TStringList; begin l.Count := 1 end.",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        BindingHost host = MakeHost();
        ASSERT_FALSE(host.Compile(text));
        EXPECT_EQ(host.Script->LastErrorText, "Left side cannot be assigned to");
    }
}

TEST(kq_iclassesrttiTest, MembersAreFoundOwnClassFirstThenThroughTheAncestors) {
    BindingHost host = MakeHost();
    TkqClassVariable* list = host.ClassOf("TStringList");
    ASSERT_NE(list, nullptr);
    struct Member {
        const char* name;
        TClass servedBy;
    } members[] = {
        {"Clear", TStrings::StaticClass()},   {"ClassName", TObject::StaticClass()},
        {"Free", TObject::StaticClass()},     {"Assign", TPersistent::StaticClass()},
        {"Find", TStringList::StaticClass()}, {"Add", TStrings::StaticClass()},
    };
    for (const Member& m : members) {
        SCOPED_TRACE(m.name);
        auto* helper = dynamic_cast<TkqMethodHelper*>(list->FindMember(m.name));
        ASSERT_NE(helper, nullptr);
        EXPECT_EQ(helper->ClassRef, m.servedBy);
    }
}

TEST(kq_iclassesrttiTest, XMLDocumentBuiltAndSavedByAScriptLoads) {
    const std::string path = testsupport::ArtifactPath("kq_iclassesrtti_document.xml");
    BindingHost host = MakeHost();
    host.Script->AddVariable("FileName", "String", String(path));
    EXPECT_EQ(host.Run("var d: TkqXMLDocument; i: TkqXMLItem; begin d := TkqXMLDocument.Create; "
                       "d.Root.Name := 'radio'; i := d.Root.Add; i.Name := 'channel'; i.Text := 'n=\"1\"'; "
                       "i.Data := 7; Print(d.Root.Count); Print(d.Root.Find('channel')); "
                       "Print(i.Prop('n')); Print(i.Parent.Name); Print(i.Root.Name); Print(d.Root[0].Data); "
                       "d.SaveToFile(FileName); d.Free end."),
              "1\n0\n1\nradio\nradio\n7\n");
    TkqXMLDocument loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Root->Name, "radio");
    ASSERT_EQ(loaded.Root->Count(), 1);
    EXPECT_EQ(loaded.Root->Items(0)->Name, "channel");
    EXPECT_EQ(loaded.Root->Items(0)->Prop("n"), "1");
}

TEST(kq_iclassesrttiTest, CreateAndFreeInALoopLeaveNoPlaceholder) {
    BindingHost host = MakeHost();
    EXPECT_EQ(host.Run("var i: Integer; o: TStringList; begin for i := 1 to 100000 do begin "
                       "o := TStringList.Create; o.Free end; Print(i) end."),
              "100000\n");
    EXPECT_EQ(host.ClassOf("TStringList")->UnconstructedCount(), 0);
    EXPECT_EQ(host.ClassOf("TObject")->UnconstructedCount(), 0);
}

TEST(kq_iclassesrttiTest, FreedObjectsAndUnconstructedPlaceholdersRaise) {
    // The third field is the error: a typed reference reaches the call-back, which refuses it; a
    // late-bound Variant whose object is gone finds no class to bind to.
    const Case cases[] = {
        {"PascalScript", "var o: TStringList; begin o := TStringList.Create; o.Free; o.Add('x') end.",
         "Invalid class typecast"},
        {"JScript", "var o = new TStringList; o.Free; o.Add(\"x\");", "Class type required"},
        {"PascalScript", "var o: TStringList; begin o := TStringList; o.Add('x') end.",
         "Invalid class typecast"},
        {"PascalScript", "var o: TStringList; begin o := TStringList; Print(o.ClassName) end.",
         "Invalid class typecast"},
        {"PascalScript", "var o: TStringList; begin o := TStringList.Create; TList(o).Add(nil) end.",
         "Invalid class typecast"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        ASSERT_TRUE(host.Compile(c.text, c.language)) << host.Error();
        try {
            host.Script->Execute();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.output);
        }
    }
}

TEST(kq_iclassesrttiTest, ConstantsAndClassLibraryErrorsReachTheScript) {
    BindingHost host = MakeHost();
    EXPECT_EQ(host.Run("begin Print(fmCreate); Print(fmOpenReadWrite or fmShareDenyWrite); Print(soFromEnd); "
                       "Print(dupError); Print(poLandscape) end."),
              "65535\n34\n2\n2\n1\n");
    EXPECT_EQ(host.Run("var l: TStringList; begin l := TStringList.Create; try l.Delete(3) except "
                       "Print('caught') end; l.Free end."),
              "caught\n");
}

TEST(kq_iclassesrttiTest, RegisteringAppendsTheModuleOnce) {
    // The list is shared by every test here: put it back as it was.
    const std::vector<TkqRTTIModuleClass> saved = GetRTTIModuleClasses();
    RegisterClassesRTTI();
    RegisterClassesRTTI();
    const std::size_t added = GetRTTIModuleClasses().size() - saved.size();
    GetRTTIModuleClasses() = saved;
    EXPECT_LE(added, 1u);
}

} // namespace
