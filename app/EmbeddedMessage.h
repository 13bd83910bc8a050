// The embedded message dialog: the two message lines of the radio, 32 bytes each. The lines
// are GBK bytes as the radio holds them; the editors show them as text.
#pragma once

#include "platform/classlib/Forms.h"

class TqzButton;
class TqzTextEdit;

class TfEmbeddedMessage : public TForm {
    KOV_CLASS(TfEmbeddedMessage, TForm)
public:
    explicit TfEmbeddedMessage(TComponent* owner);

    // Translates the dialog when the selected language is not the design one and shows both
    // lines.
    void FormShow(TObject* sender);
    // Letters, digits, the space, backspace and carriage return pass; other characters are
    // dropped.
    void edEMAKeyPress(TObject* sender, char32_t& key);
    // Stores the lines. A line whose text is still the one shown keeps its bytes; a changed one
    // is encoded as GBK, at most 32 bytes, and marks the data modified.
    void btnOkClick(TObject* sender);
    void btnCancelClick(TObject* sender);

    TqzTextEdit* edEMA = nullptr;
    TqzTextEdit* edEMB = nullptr;
    TqzButton* btnOk = nullptr;
    TqzButton* btnCancel = nullptr;

private:
    // The texts the editors were given, to tell an edited line from an untouched one.
    String FShownA;
    String FShownB;
};

// The bytes of a message line typed as text: GBK, cut before the first character that would
// pass 32 bytes.
String MessageLineBytes(const String& text);
