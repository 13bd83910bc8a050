// The lexer of the script engine. It holds a source text and a read position and offers token
// readers that the grammar rule interpreter calls on demand, one token kind at a time; callers
// save and restore the position to back-track. The lexical rules are settings filled from a
// grammar; the defaults follow the PascalScript conventions.
#pragma once

#include <bitset>
#include <memory>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"

// One bit per character code.
using TkqCharSet = std::bitset<256>;

class TkqParser : public TObject {
    KOV_CLASS(TkqParser, TObject)
public:
    TkqParser();
    TkqParser(const TkqParser&) = delete;
    TkqParser& operator=(const TkqParser&) = delete;
    ~TkqParser() override;

    // Empties Keywords and restores the default settings; CommentLine2 and CaseSensitive keep
    // their values.
    void Clear();

    // ---- Settings ----
    String CommentLine1;
    String CommentLine2; // compared case-sensitively
    // "open,close"; the setter splits the pair with comma-text rules (a missing half stays empty).
    const String& GetCommentBlock1() const { return FCommentBlock1; }
    void SetCommentBlock1(const String& value);
    const String& GetCommentBlock2() const { return FCommentBlock2; }
    void SetCommentBlock2(const String& value);
    // Its first character is the quote character; a double quote selects C-style strings.
    String StringQuotes;
    String HexSequence;
    const TkqCharSet& GetIdentifierCharset() const { return FIdentifierCharset; }
    void SetIdentifierCharset(const TkqCharSet& value) { FIdentifierCharset = value; }
    // The set becomes exactly the characters of the text.
    void SetIdentifierCharset(const String& chars);
    // Line-continuation character: it, the blanks after it and the line end are skipped.
    String SkipChar;
    // False: carriage returns are not blanks, so line ends stay visible to GetEOL.
    bool SkipEOL = true;
    bool SkipSpace = true;
    bool CaseSensitive = false;
    std::unique_ptr<TStringList> Keywords;

    // ---- Text and position ----
    // The text is kept with a NUL appended; positions are 1-based byte indexes into it.
    const String& GetText() const { return FText; }
    void SetText(const String& source);
    Integer GetSize() const { return FSize; }
    Integer GetPosition() const { return FPosition; }
    // Sets Position and LastPosition.
    void SetPosition(Integer value);
    // Where the last token started.
    Integer LastPosition = 1;

    // ---- Readers: each yields the token's text, or empty text without consuming one ----
    void SkipSpaces();
    bool GetEOL();
    String GetWord();
    // GetWord, but empty text for a keyword (the position then stays after the word).
    String GetIdent();
    // One punctuation character, without skipping blanks.
    String GetChar();
    // A number; a hexadecimal prefix other than "$" comes out as "$".
    String GetNumber();
    // Joined string pieces and character codes, as an apostrophe, the value and an apostrophe.
    // A character code too large for an integer raises EConvertError.
    String GetString();
    // The text up to the ">" that closes an already consumed "<" (left unread).
    String GetAngleText();
    bool IsKeyword(const String& word) const;

    // "line:column" of the current position.
    String GetPositionText() const;
    // The position of a column of a line; -1 when the line does not exist.
    Integer PositionOf(Integer column, Integer line) const;

private:
    char At(Integer position) const {
        return position >= 1 && position <= FSize + 1 ? FText[std::size_t(position) - 1] : '\0';
    }
    bool TextAt(Integer position, const String& token) const;
    bool IsBlank(char c) const;
    // Step 2 of GetNumber at `position`: the end of the integer, or 0 when there is none.
    Integer ScanInteger(Integer position) const;

    String FCommentBlock1;
    String FCommentBlock2;
    String FBlock1Open, FBlock1Close, FBlock2Open, FBlock2Close;
    TkqCharSet FIdentifierCharset;
    String FText;
    Integer FSize = 0;
    Integer FPosition = 1;
    std::vector<Integer> FLineStarts;
};
