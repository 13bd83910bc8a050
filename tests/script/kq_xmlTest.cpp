#include "script/kq_xml.h"

#include <gtest/gtest.h>

#include "platform/runtime/Strings.h"
#include "tests/support/TestSupport.h"

namespace {

// The tree as one line: name[text]{children}.
String Dump(const TkqXMLItem* item) {
    String out = item->Name + "[" + item->Text + "]";
    if (item->Count() > 0) {
        out += "{";
        for (Integer i = 0; i < item->Count(); ++i)
            out += (i > 0 ? "," : "") + Dump(item->Items(i));
        out += "}";
    }
    return out;
}

String Load(TkqXMLDocument& doc, const String& text) {
    TStringStream stream(text);
    doc.LoadFromStream(&stream);
    return Dump(doc.Root);
}

String Save(TkqXMLDocument& doc) {
    TStringStream stream;
    doc.SaveToStream(&stream);
    return stream.GetDataString();
}

} // namespace

TEST(kq_xmlTest, LoadsElementsAttributesAndEmptyForms) {
    struct Case {
        const char* input;
        const char* tree;
    };
    const std::vector<Case> cases = {
        {"<?xml version=\"1.0\"?><program><a text=\"x\" err=\"1\"/><b/><c x=\"1\" /></program>",
         "program[]{a[text=\"x\" err=\"1\"],b[],c[x=\"1\" ]}"},
        {"<!-- first --><?xml?>\r\n<p>loose text<q>more</q>tail</p>trailing<x/>", "p[]{q[]}"},
        {"<?xml?><p><!-- a > b -- still -->--><q/></p>", "p[]{q[]}"},
        {"<?xml?><p><!-- x ---><r/> --><q/></p>", "p[]{q[]}"},
        {"<?xml?><p><q><r/>", "p[]{q[]{r[]}}"},
        {"<?xml version=\"1.0\"?>", "[]"},
        {"<?xml?></end>", "/end[]"},
        {"<?xml?><Prog></PROG>", "Prog[]"},
        {"<?xml?><a><>b</a>", "a[]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        TkqXMLDocument doc;
        EXPECT_EQ(Load(doc, c.input), c.tree);
    }
}

TEST(kq_xmlTest, MalformedInputRaisesAndKeepsWhatWasRead) {
    for (const char* input :
         {"<program/>", "", "<?xml?><a><b</a>", "<?xml?><a><b", "<?xml?><a><b></c></a>", "<?xml"}) {
        SCOPED_TRACE(input);
        TkqXMLDocument doc;
        try {
            Load(doc, input);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Invalid file format");
        }
    }
    TkqXMLDocument doc;
    EXPECT_THROW(Load(doc, "<?xml?><a><b/><c></d>"), Exception);
    EXPECT_EQ(Dump(doc.Root), "a[]{b[],c[]}");
}

TEST(kq_xmlTest, ReaderGivesBackItsReadAhead) {
    String text = "<?xml?><a/>";
    text += String(5000, 'z');
    TStringStream stream("junk" + text);
    stream.SetPosition(4);
    TkqXMLDocument doc;
    doc.LoadFromStream(&stream);
    EXPECT_EQ(stream.GetPosition(), Int64(4 + String("<?xml?><a/>").size()));
}

TEST(kq_xmlTest, DeepNestingLoadsSavesCopiesAndFrees) {
    const int depth = 100000;
    String text = "<?xml?>";
    for (int i = 0; i < depth; ++i)
        text += "<n>";
    TkqXMLDocument doc;
    TStringStream stream(text);
    doc.LoadFromStream(&stream);
    Integer levels = 0;
    for (TkqXMLItem* item = doc.Root; item->Count() > 0; item = item->Items(0))
        ++levels;
    EXPECT_EQ(levels, depth - 1);

    TkqXMLItem copy;
    copy.Assign(doc.Root);
    EXPECT_EQ(Save(doc).size(), String("<?xml version=\"1.0\"?>").size() + 3 * depth + 4 * (depth - 1) + 1);
}

TEST(kq_xmlTest, WritesOneLineOrIndented) {
    TkqXMLDocument doc;
    doc.Root->Name = "program";
    TkqXMLItem* a = doc.Root->Add();
    a->Name = "a";
    a->Text = "text=\"x\"";
    TkqXMLItem* b = doc.Root->Add();
    b->Name = "b";
    b->Text = " y=\"1\"";
    b->Add()->Name = "c";
    EXPECT_EQ(Save(doc), "<?xml version=\"1.0\"?><program><a text=\"x\"/><b y=\"1\"><c/></b></program>");

    doc.AutoIndent = true;
    EXPECT_EQ(Save(doc), "<?xml version=\"1.0\"?>\r\n<program>\r\n  <a text=\"x\"/>\r\n  <b y=\"1\">\r\n"
                         "    <c/>\r\n  </b>\r\n</program>\r\n");

    // What is written loads back the same (a leading blank of Text is not kept).
    b->Text = "y=\"1\"";
    TkqXMLDocument again;
    EXPECT_EQ(Load(again, Save(doc)), Dump(doc.Root));
}

TEST(kq_xmlTest, FileRoundTrip) {
    testsupport::TempDir dir;
    const String path = dir.Path() + "/g.xml";
    TkqXMLDocument doc;
    doc.Root->Name = "grammar";
    doc.Root->FindItem("parser")->Text = "a=\"1\"";
    doc.SaveToFile(path);
    TkqXMLDocument loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(Dump(loaded.Root), "grammar[]{parser[a=\"1\"]}");
    EXPECT_THROW(loaded.LoadFromFile(dir.Path() + "/missing.xml"), EFOpenError);
}

TEST(kq_xmlTest, PropFindsDoubleQuotedAttributesCaseInsensitively) {
    TkqXMLItem item;
    item.Text = "Text=\"a&#60;b&#62;\" err='1' q=\"&quot;x&amp;&#$41;\" lone=\"&\" open=\"&#60\"\ttab=\"t\"";
    struct Case {
        const char* name;
        const char* value;
    };
    for (const Case& c : std::vector<Case>{{"text", "a<b>"},
                                           {"TEXT", "a<b>"},
                                           {"err", ""},
                                           {"q", "\"x&amp;A"},
                                           {"lone", "&"},
                                           {"open", "&#60"},
                                           {"tab", ""},
                                           {"missing", ""}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(item.Prop(c.name), c.value);
    }
    item.Text = "bad=\"&#zz;\"";
    EXPECT_THROW(item.Prop("bad"), EConvertError);
}

TEST(kq_xmlTest, EscapedTextComesBackAsWritten) {
    struct Case {
        const char* text;
        const char* escaped;
    };
    for (const Case& c : std::vector<Case>{{"a<b \"c\">\r\n", "a&#60;b &#34;c&#34;&#62;&#13;&#10;"},
                                           {"x&#65;y", "x&#38;#65;y"},
                                           {"&quot;&amp;", "&#38;quot;&#38;amp;"},
                                           {"", ""}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EscapeXMLText(c.text), c.escaped);
        EXPECT_EQ(UnescapeXMLText(EscapeXMLText(c.text)), c.text);
        TkqXMLItem item;
        item.Text = "text=\"" + EscapeXMLText(c.text) + "\"";
        EXPECT_EQ(item.Prop("text"), c.text);
    }
}

TEST(kq_xmlTest, ChildListOperations) {
    TkqXMLItem root;
    TkqXMLItem* a = root.Add();
    a->Name = "A";
    TkqXMLItem* b = root.Add();
    b->Name = "b";
    EXPECT_EQ(root.Find("a"), 0);
    EXPECT_EQ(root.Find("z"), -1);
    TkqXMLItem* z = root.FindItem("z");
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(z->Name, "z");
    EXPECT_EQ(root.FindItem("B"), b);

    // Moving within the list and from another parent.
    root.AddItem(a);
    EXPECT_EQ(Dump(&root), "[]{b[],z[],A[]}");
    TkqXMLItem* inner = b->Add();
    inner->Name = "inner";
    root.InsertItem(0, inner);
    EXPECT_EQ(Dump(&root), "[]{inner[],b[],z[],A[]}");
    EXPECT_EQ(inner->Root(), &root);
    EXPECT_THROW(root.InsertItem(5, a), EListError);
    EXPECT_THROW(root.Items(4), EListError);
    EXPECT_THROW(a->AddItem(&root), EInvalidOperation);
    EXPECT_THROW(a->AddItem(a), EInvalidOperation);

    // Copying an element over its own parent.
    z->Add()->Name = "deep";
    z->Data = 7;
    root.Assign(z);
    EXPECT_EQ(Dump(&root), "z[]{deep[]}");
    EXPECT_EQ(root.Data, 7);
    EXPECT_EQ(root.Items(0)->Parent, &root);

    delete root.Items(0);
    EXPECT_EQ(root.Count(), 0);
    root.Assign(nullptr);
    EXPECT_EQ(root.Name, "z");
}

TEST(kq_xmlTest, AFailedLoadKeepsNoHalfReadElement) {
    // Each input fails inside a child's tag; what stays is the tree read before that tag, and
    // it saves as a document that loads back the same.
    struct Case {
        const char* input;
        const char* kept;
    };
    for (const Case& c : std::vector<Case>{{"<?xml?><a><b</a>", "a[]"},
                                           {"<?xml?><a><b/><c", "a[]{b[]}"},
                                           {"<?xml?><a x=\"1\"><b><c d=\"<\"/></b></a>", "a[x=\"1\"]{b[]}"},
                                           {"<?xml?><a><b/><c></d>", "a[]{b[],c[]}"}}) {
        SCOPED_TRACE(c.input);
        TkqXMLDocument doc;
        EXPECT_THROW(Load(doc, c.input), Exception);
        EXPECT_EQ(Dump(doc.Root), c.kept);
        const String saved = Save(doc);
        EXPECT_EQ(saved.find("</>"), String::npos) << saved;
        TkqXMLDocument again;
        EXPECT_EQ(Load(again, saved), c.kept);
    }
}

TEST(kq_xmlTest, UnescapingIsLinearInTheTextLength) {
    // Ten megabytes of references, and a text of "&#" whose only ';' is at its very end.
    String escaped;
    String plain;
    for (int i = 0; i < 1000000; ++i) {
        escaped += "&#60;x&#62;";
        plain += "<x>";
    }
    EXPECT_EQ(UnescapeXMLText(escaped), plain);
    TkqXMLItem item;
    item.Text = "v=\"" + escaped + "\"";
    EXPECT_EQ(item.Prop("v"), plain);

    String noClose;
    for (int i = 0; i < 1000000; ++i)
        noClose += "&#1 ";
    EXPECT_EQ(UnescapeXMLText(noClose), noClose);
    EXPECT_THROW(UnescapeXMLText(noClose + ";"), EConvertError);
    // After one reference is decoded, the next one still finds its own ';'.
    EXPECT_EQ(UnescapeXMLText("&#65;&#66;&quot;&#x43;&#1"), "AB\"C&#1");
}

TEST(kq_xmlTest, ASaveRefusesWhatWouldNotLoadBackTheSame) {
    // An element that reads with a blank and a slash ending its attributes keeps them; written
    // with its children, that tag would close the element, so the save refuses.
    TkqXMLDocument doc;
    EXPECT_EQ(Load(doc, "<?xml?><r><p a/  ><c/></p></r>"), "r[]{p[a/ ]{c[]}}");
    try {
        Save(doc);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Invalid file format");
    }
    struct Case {
        const char* name;
        const char* text;
        bool withChild;
    };
    for (const Case& c : std::vector<Case>{{"", "", false},
                                           {"a b", "", false},
                                           {"/a", "", true},
                                           {"a/", "", true},
                                           {"a", "x=\"1\" /", true},
                                           {"a", "x=\">\"", false}}) {
        SCOPED_TRACE(String(c.name) + " " + c.text);
        TkqXMLDocument built;
        built.Root->Name = c.name;
        built.Root->Text = c.text;
        if (c.withChild) built.Root->Add()->Name = "c";
        EXPECT_THROW(Save(built), Exception);
    }
    // Blanks that do not change the tree are written (a leading one is not kept).
    TkqXMLDocument fine;
    EXPECT_EQ(Load(fine, "<?xml?><r><p a=\"1\" /><q  b/c><s/></q></r>"), "r[]{p[a=\"1\" ],q[ b/c]{s[]}}");
    TkqXMLDocument again;
    EXPECT_EQ(Load(again, Save(fine)), "r[]{p[a=\"1\" ],q[b/c]{s[]}}");
}
