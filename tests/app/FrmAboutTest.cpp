#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/FrmAbout.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "tests/app/DialogFixture.h"

namespace {

class FrmAboutTest : public apptest::DialogFixture {
protected:
    std::vector<TLabel*> Labels(TfFrmAbout& d) {
        return {d.Label1, d.Label2, d.Label3, d.Label4, d.Label8, d.Label9, d.Label5, d.Label6, d.Label7};
    }
    static std::vector<String> Lines(TStrings* list) {
        std::vector<String> lines;
        for (Integer i = 0; i < list->GetCount(); ++i)
            lines.push_back(list->GetStrings(i));
        return lines;
    }
    // The program's language files as they are shipped.
    static std::string ShippedLanguageFile(const std::string& name) {
        return testsupport::ReadFileBytes(testsupport::FixturePath("../../app/lang/" + name));
    }
};

// The texts come from the selected language's file whatever the language (the first one
// included); the caption is the title and the memo holds the hidden panel's texts.
TEST_F(FrmAboutTest, TakesItsTextsFromTheLanguageFile) {
    WriteLanguages(0,
                   "[fFrmAbout]\nLabel1.Caption=一\nLabel2.Caption=二\nLabel5.Caption=五\nLabel6.Caption=六\n"
                   "Label7.Caption=七\n",
                   "[fFrmAbout]\nLabel1.Caption=one\n");
    Start();
    std::unique_ptr<TfFrmAbout> dialog(new TfFrmAbout(nullptr));
    EXPECT_EQ("1", dialog->Label1->GetCaption());
    EXPECT_EQ("5", dialog->Label4->GetCaption());
    EXPECT_EQ("4", dialog->Label8->GetCaption());
    ShowModal<TfFrmAbout>(dialog.get(), [&](TfFrmAbout& d) {
        EXPECT_EQ("KOV-571", d.GetCaption());
        EXPECT_EQ("一", d.Label1->GetCaption());
        EXPECT_EQ("二", d.Label2->GetCaption());
        EXPECT_EQ("3", d.Label3->GetCaption());
        EXPECT_FALSE(d.Panel1->GetVisible());
        EXPECT_TRUE(d.Memo1->GetReadOnly());
        EXPECT_EQ((std::vector<String>{"五", "六", "", "七"}), Lines(d.Memo1->GetLines()));
        EXPECT_FALSE(d.ImApp->GetPicture()->GetGraphic() == nullptr);
        EXPECT_FALSE(d.ImApp->GetPicture()->GetGraphic()->GetEmpty());
        d.Close();
    });
}

// A button pressed anywhere on the box (the box itself, a label, the icon) closes it.
TEST_F(FrmAboutTest, AnyClickClosesIt) {
    Start();
    struct Case {
        const char* where;
        TControl* (*control)(TfFrmAbout&);
        UINT message;
    } cases[] = {
        {"box", [](TfFrmAbout& d) -> TControl* { return &d; }, WM_LBUTTONDOWN},
        {"title label", [](TfFrmAbout& d) -> TControl* { return d.Label1; }, WM_LBUTTONDOWN},
        {"last label", [](TfFrmAbout& d) -> TControl* { return d.Label9; }, WM_RBUTTONDOWN},
        {"icon", [](TfFrmAbout& d) -> TControl* { return d.ImApp; }, WM_MBUTTONDOWN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        std::unique_ptr<TfFrmAbout> dialog(new TfFrmAbout(nullptr));
        const Integer result = ShowModal<TfFrmAbout>(dialog.get(), [&](TfFrmAbout& d) {
            TControl* target = c.control(d);
            // A point inside the control, in the form's client coordinates.
            POINT at{3, 3};
            if (target != &d) at = {target->GetLeft() + 3, target->GetTop() + 3};
            SendMessageA(d.GetHandle(), c.message, 0, MAKELPARAM(at.x, at.y));
            EXPECT_EQ(mrCancel, d.GetModalResult());
        });
        EXPECT_EQ(mrCancel, result);
    }
}

// The shipped language files give every label of the box a text of its own, in both languages.
TEST_F(FrmAboutTest, ShippedLanguageFilesFillEveryLabel) {
    for (Integer language : {0, 1}) {
        SCOPED_TRACE(language);
        WriteLanguages(language, ShippedLanguageFile("Chinese.Ini"), ShippedLanguageFile("English.Ini"));
        Start();
        std::unique_ptr<TfFrmAbout> dialog(new TfFrmAbout(nullptr));
        ShowModal<TfFrmAbout>(dialog.get(), [&](TfFrmAbout& d) {
            for (TLabel* label : Labels(d)) {
                const String caption = label->GetCaption();
                EXPECT_FALSE(caption.size() <= 1) << label->GetName() << " shows " << caption;
            }
            SavePicture(&d, language == 0 ? "FrmAbout-Chinese.png" : "FrmAbout-English.png");
            d.Close();
        });
        delete fMaindb;
        fMaindb = nullptr;
    }
}

} // namespace
