#include <gtest/gtest.h>

#include <memory>

#include "app/EmbeddedMessage.h"
#include "platform/runtime/CodePages.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/app/DialogFixture.h"

namespace {

class EmbeddedMessageTest : public apptest::DialogFixture {
protected:
    static void Type(TqzTextEdit* editor, const std::u32string& text) {
        for (char32_t ch : text)
            SendMessageA(editor->GetInnerTextEditControl()->GetHandle(), WM_CHAR, WPARAM(ch), 0);
    }
};

// Typing keeps letters, digits and the space, drops everything else, and stops at 32
// characters.
TEST_F(EmbeddedMessageTest, EditorsTakeLettersDigitsAndSpacesUpTo32) {
    Start();
    struct Case {
        std::u32string typed;
        const char* shown;
    } cases[] = {
        {U"Hello World 42", "Hello World 42"},
        {U"a,b.c!d-e_f?g@h#\t", "abcdefgh"},
        {U"中文é", ""},
        {U"0123456789abcdefghijklmnopqrstuvwxyz", "0123456789abcdefghijklmnopqrstuv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        MessageLines->ClearMessages();
        std::unique_ptr<TfEmbeddedMessage> dialog(new TfEmbeddedMessage(nullptr));
        ShowModal<TfEmbeddedMessage>(dialog.get(), [&](TfEmbeddedMessage& d) {
            d.edEMA->SetFocus();
            Type(d.edEMA, c.typed);
            Type(d.edEMB, c.typed);
            EXPECT_EQ(c.shown, d.edEMA->GetText());
            EXPECT_EQ(c.shown, d.edEMB->GetText());
            d.btnOk->Click();
        });
        EXPECT_EQ(c.shown, MessageLines->LineA);
        EXPECT_EQ(c.shown, MessageLines->LineB);
    }
}

// The lines are bytes: an untouched line keeps them exactly (even bytes that are no text), a
// changed one is encoded as GBK, at most 32 bytes cut at a whole character, and only a line
// whose bytes really change marks the data modified.
TEST_F(EmbeddedMessageTest, UntouchedLinesKeepTheirBytesAndChangesMarkTheData) {
    Start();
    const String notText("\x80\x81\xFE\x01 A\x9F", 7);
    const String chinese = Utf8ToGbk("你好世界你好世界你好世界你好世界"); // 16 characters, 32 bytes
    struct Case {
        const char* name;
        String lineA;
        std::u32string typedA; // appended to what is shown; empty: untouched
        bool cancel;
        String afterA;
        bool modified;
    } cases[] = {
        {"untouched bytes that are no text", notText, U"", false, notText, false},
        {"untouched Chinese", chinese, U"", false, chinese, false},
        {"typed and removed again", String("ABC"), U"D\b", false, String("ABC"), false},
        {"a letter added", String("ABC"), U"D", false, String("ABCD"), true},
        {"Chinese with letters added", chinese, U"xy", false, chinese, false},
        {"cancelled", String("ABC"), U"D", true, String("ABC"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageLines->LineA = c.lineA;
        MessageLines->LineB = notText;
        AppState->Modified = false;
        std::unique_ptr<TfEmbeddedMessage> dialog(new TfEmbeddedMessage(nullptr));
        ShowModal<TfEmbeddedMessage>(dialog.get(), [&](TfEmbeddedMessage& d) {
            EXPECT_EQ(GbkToUtf8(c.lineA), d.edEMA->GetText());
            if (!c.typedA.empty()) {
                d.edEMA->SetFocus();
                SendMessageA(d.edEMA->GetInnerTextEditControl()->GetHandle(), WM_KEYDOWN, VK_END, 0);
                Type(d.edEMA, c.typedA);
            }
            (c.cancel ? d.btnCancel : d.btnOk)->Click();
        });
        EXPECT_EQ(c.afterA, MessageLines->LineA);
        EXPECT_EQ(notText, MessageLines->LineB);
        EXPECT_EQ(c.modified, AppState->Modified);
    }
}

TEST_F(EmbeddedMessageTest, LineBytesAreCutAtAWholeCharacter) {
    struct Case {
        const char* text;
        String bytes;
    } cases[] = {
        {"", ""},
        {"ABC", "ABC"},
        {"0123456789abcdefghijklmnopqrstuvwxyz", "0123456789abcdefghijklmnopqrstuv"},
        {"A你好世界你好世界你好世界你好世界", Utf8ToGbk("A你好世界你好世界你好世界你好世")},
        {"你好世界你好世界你好世界你好世界AB", Utf8ToGbk("你好世界你好世界你好世界你好世界")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const String bytes = MessageLineBytes(c.text);
        EXPECT_EQ(c.bytes, bytes);
        EXPECT_LE(bytes.size(), 32u);
    }
}

TEST_F(EmbeddedMessageTest, PictureWithTheLinesShown) {
    Start();
    MessageLines->LineA = "HELLO 123";
    MessageLines->LineB = Utf8ToGbk("你好");
    std::unique_ptr<TfEmbeddedMessage> dialog(new TfEmbeddedMessage(nullptr));
    ShowModal<TfEmbeddedMessage>(dialog.get(), [&](TfEmbeddedMessage& d) {
        EXPECT_EQ("Embedded Message", d.GetCaption());
        EXPECT_EQ("你好", d.edEMB->GetText());
        SavePicture(&d, "EmbeddedMessage.png");
        d.btnCancel->Click();
    });
}

} // namespace
