#include "app/EmbeddedMessage.h"

#include "app/AllClass.h"
#include "platform/runtime/CodePages.h"
#include "platform/runtime/Exceptions.h"
#include "suite/controls/qzButtons.h"
#include "suite/editors/qzTextEdit.h"

namespace {

template <class T> T* Part(TComponent* form, const char* name) {
    auto* component = dynamic_cast<T*>(form->FindComponent(name));
    if (!component) throw Exception(String("The message dialog has no ") + name);
    return component;
}

constexpr std::size_t kLineBytes = 32;

// The length of the UTF-8 sequence starting with the byte (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Stores one line; true when its bytes changed.
bool StoreLine(String& line, const String& text, const String& shown) {
    if (text == shown) return false;
    const String bytes = MessageLineBytes(text);
    if (bytes == line) return false;
    line = bytes;
    return true;
}

} // namespace

String MessageLineBytes(const String& text) {
    String bytes;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length =
            std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
        const String encoded = Utf8ToGbk(text.substr(at, length));
        if (bytes.size() + encoded.size() > kLineBytes) break;
        bytes += encoded;
        at += length;
    }
    return bytes;
}

TfEmbeddedMessage::TfEmbeddedMessage(TComponent* owner) : TForm(owner) {
    AfterConstruction();
    edEMA = Part<TqzTextEdit>(this, "edEMA");
    edEMB = Part<TqzTextEdit>(this, "edEMB");
    btnOk = Part<TqzButton>(this, "btnOk");
    btnCancel = Part<TqzButton>(this, "btnCancel");
}

void TfEmbeddedMessage::FormShow(TObject*) {
    if (WindowsNeedTranslation()) TranslateForm(this, AppState->LanguageName, true);
    edEMA->SetText(GbkToUtf8(MessageLines->LineA));
    edEMB->SetText(GbkToUtf8(MessageLines->LineB));
    // What the editors hold now, after their own length limit.
    FShownA = edEMA->GetText();
    FShownB = edEMB->GetText();
}

void TfEmbeddedMessage::edEMAKeyPress(TObject*, char32_t& key) {
    const bool kept = key == 8 || key == 13 || key == ' ' || (key >= '0' && key <= '9') ||
                      (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z');
    if (!kept) key = 0;
}

void TfEmbeddedMessage::btnOkClick(TObject*) {
    const bool changedA = StoreLine(MessageLines->LineA, edEMA->GetText(), FShownA);
    const bool changedB = StoreLine(MessageLines->LineB, edEMB->GetText(), FShownB);
    if (changedA || changedB) AppState->Modified = true;
    SetModalResult(mrOk);
}

void TfEmbeddedMessage::btnCancelClick(TObject*) { Close(); }

KOV_PUBLISHED(TfEmbeddedMessage) {
    Method("FormShow", &TfEmbeddedMessage::FormShow);
    Method("edEMAKeyPress", &TfEmbeddedMessage::edEMAKeyPress);
    Method("btnOkClick", &TfEmbeddedMessage::btnOkClick);
    Method("btnCancelClick", &TfEmbeddedMessage::btnCancelClick);
}

namespace {
const bool kRegistered = (RegisterClasses({TfEmbeddedMessage::StaticClass()}), true);
}
