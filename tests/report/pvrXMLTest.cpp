#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Streams.h"
#include "report/pvrXML.h"
#include "tests/support/TestSupport.h"

namespace {

const String Header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

String Save(TpvrXMLDocument& doc) {
    TStringStream out;
    doc.SaveToStream(&out);
    return out.GetDataString();
}

void Load(TpvrXMLDocument& doc, const String& text) {
    TStringStream in(text);
    doc.LoadFromStream(&in, false);
}

} // namespace

TEST(pvrXMLText, EscapeAndUnescape) {
    EXPECT_EQ(EscapeXMLText("a\"b&c<d>e\r\n\xC3\xA9"), "a&#34;b&#38;c&#60;d&#62;e&#13;&#10;\xC3\xA9");
    struct Case {
        String in, out;
    };
    std::vector<Case> cases = {
        {"&quot;x&#34;", "\"x\""},
        {"&amp;&lt;", "&amp;&lt;"},
        {"a&#65;b&#10;", "aAb\n"},
        {"tail&#65", "tail&#65"}, // unterminated: kept, search stops at the end
        {"&", "&"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(UnescapeXMLText(c.in), c.out);
    }
    EXPECT_THROW(UnescapeXMLText("&#ab;"), EConvertError);
}

TEST(pvrXMLText, VariantToXMLText) {
    EXPECT_EQ(VariantToXMLText(Variant(42)), "42");
    EXPECT_EQ(VariantToXMLText(Variant(true)), "1");
    EXPECT_EQ(VariantToXMLText(Variant(String("a<b"))), "a&#60;b");
    EXPECT_EQ(VariantToXMLText(Variant()), "");
}

TEST(pvrXMLItem, AttributesMatchWithoutCaseAndKeepTheirPlace) {
    TpvrXMLItem item;
    item.AttrText = "Name=\"a\" Left=\"10\" Top=\"2\"";
    EXPECT_EQ(item.Attr("name"), "a");
    EXPECT_EQ(item.Attr("LEFT"), "10");
    EXPECT_EQ(item.Attr("ft"), "");
    item.SetAttr("left", "x\"y");
    EXPECT_EQ(item.AttrText, "Name=\"a\" left=\"x&#34;y\" Top=\"2\"");
    EXPECT_EQ(item.Attr("Left"), "x\"y");
    item.SetAttr("W", "5");
    EXPECT_EQ(item.AttrText, "Name=\"a\" left=\"x&#34;y\" Top=\"2\" W=\"5\"");
    item.AttrText = "A=\"unterminated";
    EXPECT_EQ(item.Attr("a"), "unterminated");
    item.SetAttr("a", "1");
    EXPECT_EQ(item.AttrText, "a=\"1\"");
}

TEST(pvrXMLItem, ChildrenOwnershipAndCycles) {
    TpvrXMLItem root;
    TpvrXMLItem* a = root.ChildByName("A");
    TpvrXMLItem* b = root.AddChild();
    b->Name = "b";
    EXPECT_EQ(root.ChildByName("a"), a);
    EXPECT_EQ(root.IndexOfChild("B"), 1);
    root.InsertChild(0, b);
    EXPECT_EQ(root.IndexOfItem(b), 0);
    a->AppendChild(b);
    EXPECT_EQ(root.ChildCount(), 1);
    EXPECT_EQ(b->Parent, a);
    EXPECT_THROW(b->AppendChild(&root), EInvalidOperation);
    EXPECT_THROW(root.Child(5), EListError);
    delete b;
    EXPECT_EQ(a->ChildCount(), 0);
}

TEST(pvrXMLDocument, SpecialCharactersSurviveARoundTrip) {
    TpvrXMLDocument doc;
    doc.Root()->Name = "r";
    const String value = "q\"a&l<g>\r\nend";
    doc.Root()->AddChild()->Name = "c";
    doc.Root()->Child(0)->SetAttr("v", value);
    String text = Save(doc);
    EXPECT_EQ(text, Header + "<r><c v=\"q&#34;a&#38;l&#60;g&#62;&#13;&#10;end\"/></r>");
    TpvrXMLDocument back;
    Load(back, text);
    ASSERT_EQ(back.Root()->ChildCount(), 1);
    EXPECT_EQ(back.Root()->Child(0)->Attr("v"), value);

    doc.IndentOutput = true;
    EXPECT_EQ(Save(doc),
              Header + "\r\n<r>\r\n  <c v=\"q&#34;a&#38;l&#60;g&#62;&#13;&#10;end\"/>\r\n</r>\r\n");
}

TEST(pvrXMLDocument, ReadsTheNarrowDialect) {
    struct Case {
        const char* what;
        String body;
        String expected; // children as name[attrtext] ...
    };
    std::vector<Case> cases = {
        {"empty forms", "<r><a/><b x=\"1\"/><c x=\"1\" /></r>", "a[] b[x=\"1\"] c[x=\"1\" ] "},
        {"comments", "<!-- c --><r><!-- <x> --><a/></r>", "a[] "},
        {"three-dash comment stays open", "<r><!-- c ---><b/> --><a/></r>", "a[] "},
        {"raw > ends the tag", "<r><a v=\"1>2\"></a></r>", "a[v=\"1] "},
        {"text and BOM ignored", "\xEF\xBB\xBFhello<r>\r\n text <a/>\n</r>", "a[] "},
        {"end tag case", "<R><a></A></r>", "a[] "},
        {"childless unloadable", "<r><a ld=\"0\"/></r>", "a[ld=\"0\"] "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TpvrXMLDocument doc;
        Load(doc, Header + c.body);
        String got;
        for (Integer i = 0; i < doc.Root()->ChildCount(); ++i)
            got += doc.Root()->Child(i)->Name + "[" + doc.Root()->Child(i)->AttrText + "] ";
        EXPECT_EQ(got, c.expected);
        for (Integer i = 0; i < doc.Root()->ChildCount(); ++i)
            EXPECT_FALSE(doc.Root()->Child(i)->IsUnloadable);
    }
}

TEST(pvrXMLDocument, MalformedInputRaisesInvalidFileFormat) {
    String deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    struct Case {
        const char* what;
        String text;
    };
    std::vector<Case> cases = {
        {"no declaration", "<r/>"},
        {"less-than inside tag", Header + "<r <a/>"},
        {"end inside tag", Header + "<r><a x=\"1\""},
        {"mismatched end tag", Header + "<r><a></b></r>"},
        {"cut off inside an element", Header + "<r><a><b/>"},
        {"cut off after the root's start tag", Header + "<r>"},
        {"declaration only", Header},
        {"end tag instead of the root", Header + "</r>"},
        {"unbounded nesting", Header + deep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TpvrXMLDocument doc;
        try {
            Load(doc, c.text);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "Invalid file format");
        }
    }
    TpvrXMLDocument empty;
    EXPECT_THROW(Load(empty, ""), Exception);
}

class pvrXMLCache : public ::testing::Test {
protected:
    testsupport::TempDir Dir;
    testsupport::ScopedEnv Env{"TMPDIR", Dir.Path().c_str()};

    // r > page(unloadable) > obj(n=i), with a second page
    static void Build(TpvrXMLDocument& doc) {
        doc.Root()->Name = "r";
        for (int p = 0; p < 2; ++p) {
            TpvrXMLItem* page = doc.Root()->AddChild();
            page->Name = "page";
            page->IsUnloadable = true;
            page->SetAttr("n", std::to_string(p));
            for (int i = 0; i < 3; ++i) {
                TpvrXMLItem* o = page->AddChild();
                o->Name = "obj";
                o->SetAttr("v", std::to_string(p * 10 + i));
            }
        }
    }
};

TEST_F(pvrXMLCache, SwapOutAndInRestoresSubtreeAndKeepsNewAttributes) {
    TpvrXMLDocument doc;
    Build(doc);
    String full = Save(doc);
    TpvrXMLItem* page = doc.Root()->Child(0);
    doc.SwapOutItem(page);
    EXPECT_FALSE(page->IsLoaded);
    EXPECT_EQ(page->ChildCount(), 0);
    ASSERT_TRUE(doc.HasTempFile());
    EXPECT_EQ(ExtractFilePath(doc.TempFileName()), IncludeTrailingPathDelimiter(Dir.Path()));
    EXPECT_EQ(Save(doc), full); // a save carries the swapped-out subtree
    EXPECT_EQ(page->ChildCount(), 0);

    page->SetAttr("n", "changed");
    doc.SwapInItem(page);
    EXPECT_TRUE(page->IsLoaded);
    ASSERT_EQ(page->ChildCount(), 3);
    EXPECT_EQ(page->Child(2)->Attr("v"), "2");
    EXPECT_EQ(page->Attr("n"), "changed");

    TpvrXMLDocument other;
    Build(other);
    other.TempDir = Dir.Path();
    other.SwapOutItem(other.Root()->Child(1));
    EXPECT_EQ(ExtractFilePath(other.TempFileName()), IncludeTrailingPathDelimiter(Dir.Path()));
    EXPECT_NE(other.TempFileName(), doc.TempFileName());

    String name = doc.TempFileName();
    EXPECT_TRUE(FileExists(name));
    doc.Clear();
    EXPECT_FALSE(FileExists(name));
}

TEST_F(pvrXMLCache, NestedSwappedOutElementsSurviveSwapOutOfTheirParent) {
    TpvrXMLDocument doc;
    Build(doc);
    doc.Root()->IsUnloadable = true;
    doc.SwapOutItem(doc.Root()->Child(1));
    doc.SwapOutItem(doc.Root());
    doc.SwapInItem(doc.Root());
    // Swapping in reads the whole subtree, the page swapped out before included.
    ASSERT_EQ(doc.Root()->ChildCount(), 2);
    ASSERT_EQ(doc.Root()->Child(1)->ChildCount(), 3);
    EXPECT_EQ(doc.Root()->Child(1)->Child(2)->Attr("v"), "12");
    EXPECT_EQ(doc.Root()->Child(0)->Child(0)->Attr("v"), "0");
}

TEST_F(pvrXMLCache, LoadWithUnloadServesPagesLazilyAndKeepsThemAfterOwnCacheFile) {
    TpvrXMLDocument src;
    Build(src);
    String text = Save(src);

    TpvrXMLDocument doc;
    doc.LoadFromStream(new TStringStream(text), true);
    ASSERT_EQ(doc.Root()->ChildCount(), 2);
    TpvrXMLItem* p0 = doc.Root()->Child(0);
    TpvrXMLItem* p1 = doc.Root()->Child(1);
    EXPECT_TRUE(p0->IsUnloadable);
    EXPECT_FALSE(p0->IsLoaded);
    EXPECT_EQ(p0->AttrText, "n=\"0\"");
    EXPECT_EQ(Save(doc), text);

    doc.SwapInItem(p0);
    ASSERT_EQ(p0->ChildCount(), 3);
    // The first swap-out makes the document's own cache file; p1 still lives in the loaded bytes.
    doc.SwapOutItem(p0);
    EXPECT_TRUE(doc.HasTempFile());
    doc.SwapInItem(p1);
    ASSERT_EQ(p1->ChildCount(), 3);
    EXPECT_EQ(p1->Child(0)->Attr("v"), "10");
    EXPECT_EQ(Save(doc), text);
}

TEST_F(pvrXMLCache, ItemsFlagUnloadableWithoutChildren) {
    TpvrXMLDocument doc;
    doc.Root()->Name = "r";
    TpvrXMLItem* a = doc.Root()->AddChild();
    a->Name = "a";
    a->IsUnloadable = true;
    EXPECT_EQ(Save(doc), Header + "<r><a ld=\"0\"/></r>");
    a->AttrText = "x=\"1\"";
    EXPECT_EQ(Save(doc), Header + "<r><a x=\"1\"ld=\"0\"/></r>");
    a->SetFileOffset((Int64(0x12) << 32) | 0xFFFFFFF0);
    EXPECT_EQ(a->GetFileOffset(), (Int64(0x12) << 32) | 0xFFFFFFF0);
}

TEST_F(pvrXMLCache, SwapInAtABadOffsetRaisesAndKeepsTheElement) {
    TpvrXMLDocument doc;
    Build(doc);
    TpvrXMLItem* page = doc.Root()->Child(0);
    doc.SwapOutItem(page);
    page->SetFileOffset(Int64(1) << 39);
    EXPECT_THROW(doc.SwapInItem(page), Exception);
    EXPECT_EQ(page->Name, "page");
    EXPECT_FALSE(page->IsLoaded);
    EXPECT_THROW(Save(doc), Exception);
}

namespace {

// The tree as one line: name[attributes]{children}.
// With `withoutMark` the unload mark is left out: an unloadable element without children is
// written with it and keeps it when read back.
String Dump(const TpvrXMLItem* item, bool withoutMark = false) {
    String attrs = item->AttrText;
    if (withoutMark)
        for (std::size_t at; (at = attrs.find("ld=\"0\"")) != String::npos;)
            attrs.erase(at, 6);
    String out = item->Name + "[" + attrs + "]";
    if (item->ChildCount() > 0) {
        out += "{";
        for (Integer i = 0; i < item->ChildCount(); ++i)
            out += (i > 0 ? "," : "") + Dump(item->Child(i), withoutMark);
        out += "}";
    }
    return out;
}

void ExpectInvalidFileFormat(const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        ADD_FAILURE() << "conversion error: " << e.Message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Invalid file format");
    }
}

} // namespace

TEST(pvrXMLDocument, ASaveWritesOnlyWhatLoadsBackAsTheSameDocument) {
    // Loaded documents, damaged or not: whatever a save writes loads back as the same tree, and
    // a tree that cannot be written so is refused.
    const String fixture =
        testsupport::ReadFileBytes(testsupport::FixturePath("report/unload-mark-after-slash.xml"));
    struct Case {
        String text;
        bool savesLoadedAll;
        bool savesLazily;
    };
    const std::vector<Case> cases = {
        {fixture, false, true},
        {Header + "<r><p /ld=\"0\"><v/></p></r>", false, true},
        {Header + "<r><p ld=\"0\"/  ><v/></p></r>", false, true},
        {Header + "<r><p /ld=\"0\"></p></r>", true, true},
        {Header + "<r><p a=\"1\"ld=\"0\" ><v/></p></r>", true, true},
        {Header + "<r><p x/ld=\"0\"><v/></p><q/></r>", false, true},
        {Header + "<r><p a=\"1\" /><q b=\"2\"/ ><s  ><t/></s></r>", true, true},
        // A second mark stays in the attribute text after the first is taken out.
        {testsupport::ReadFileBytes(testsupport::FixturePath("report/second-unload-mark.xml")), false, false},
        {Header + "<r><p a=\"1\" ld=\"0\"LD=\"0\"><v/></p></r>", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        for (bool allowUnload : {false, true}) {
            SCOPED_TRACE(allowUnload ? "allow unload" : "load all");
            TpvrXMLDocument doc;
            auto stream = std::make_unique<TStringStream>(c.text);
            doc.LoadFromStream(stream.get(), allowUnload);
            if (allowUnload) stream.release(); // the document owns it now
            if (allowUnload) {
                // Bring the swapped-out elements in, so the tree compares whole.
                for (Integer i = 0; i < doc.Root()->ChildCount(); ++i)
                    doc.SwapInItem(doc.Root()->Child(i));
            }
            if (!(allowUnload ? c.savesLazily : c.savesLoadedAll)) {
                ExpectInvalidFileFormat([&] { Save(doc); });
                continue;
            }
            // Unloadable elements carry their mark through a save, so they always write back.
            const String saved = Save(doc);
            TpvrXMLDocument again;
            Load(again, saved);
            TpvrXMLDocument loadedAll;
            Load(loadedAll, c.text);
            EXPECT_EQ(Dump(again.Root(), allowUnload), Dump(loadedAll.Root(), allowUnload)) << saved;
        }
    }

    // Names and attribute texts set by code are held to the same rule.
    struct Built {
        const char* name;
        const char* attrs;
        bool withChild;
    };
    for (const Built& b : std::vector<Built>{{"", "", false},
                                             {"a b", "", false},
                                             {"/a", "", false},
                                             {"a/", "", true},
                                             {"!--a", "", false},
                                             {"a", "x=\"1\" /", true},
                                             {"a", "x=\">\"", false},
                                             {"a<", "", false}}) {
        SCOPED_TRACE(String(b.name) + " " + b.attrs);
        TpvrXMLDocument doc;
        doc.Root()->Name = "r";
        TpvrXMLItem* item = doc.Root()->AddChild();
        item->Name = b.name;
        item->AttrText = b.attrs;
        if (b.withChild) item->AddChild()->Name = "c";
        ExpectInvalidFileFormat([&] { Save(doc); });
    }
}

TEST(pvrXMLItem, ACharacterReferenceWithoutANumberIsAFormatError) {
    TpvrXMLItem item;
    for (const char* attrs : {"a=\"&#;x\"", "a=\"&#zz;\"", "a=\"x&#$;\"", "a=\"&#99999999999;\""}) {
        SCOPED_TRACE(attrs);
        item.AttrText = attrs;
        ExpectInvalidFileFormat([&] { item.Attr("a"); });
    }
    item.AttrText = "a=\"&#;\" b=\"&#65;\"";
    EXPECT_EQ(item.Attr("a"), "&#;");
    EXPECT_EQ(item.Attr("b"), "A");
}
