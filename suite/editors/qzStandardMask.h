// The classic edit mask: one mask character per position of the edited text, a few control
// characters ("!", ">", "<", "<>", "\") and optional trailing parts (";0", ";1", ";1;_") that
// say whether literals belong to the value and which character shows an empty position.
//
// Positions count characters (Unicode code points).
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

enum TqzStandardMaskCase { smcNone, smcUpper, smcLower };

class TqzStandardMaskCustomItem {
public:
    virtual ~TqzStandardMaskCustomItem() = default;
    // May convert the character's case in place.
    virtual bool Accepts(char32_t& ch) const = 0;
};

class TqzStandardMaskLiteralItem : public TqzStandardMaskCustomItem {
public:
    explicit TqzStandardMaskLiteralItem(char32_t literalChar) : LiteralChar(literalChar) {}
    bool Accepts(char32_t& ch) const override { return ch == LiteralChar; }
    char32_t LiteralChar;
};

// An input position: converts the caller's character to its case (even when it refuses it) and
// answers from the character as it was given.
class TqzStandardMaskManyItem : public TqzStandardMaskCustomItem {
public:
    TqzStandardMaskManyItem(TqzStandardMaskCase caseConversion, bool allowBlank)
        : CaseConversion(caseConversion), AllowBlank(allowBlank) {}
    bool Accepts(char32_t& ch) const override;

    TqzStandardMaskCase CaseConversion;
    bool AllowBlank;

protected:
    virtual bool AcceptsChar(char32_t ch) const = 0;
};

class TqzStandardMaskAlphaItem : public TqzStandardMaskManyItem {
public:
    using TqzStandardMaskManyItem::TqzStandardMaskManyItem;

protected:
    bool AcceptsChar(char32_t ch) const override;
};

class TqzStandardMaskAlphaNumericItem : public TqzStandardMaskManyItem {
public:
    using TqzStandardMaskManyItem::TqzStandardMaskManyItem;

protected:
    bool AcceptsChar(char32_t ch) const override;
};

class TqzStandardMaskASCIIItem : public TqzStandardMaskManyItem {
public:
    using TqzStandardMaskManyItem::TqzStandardMaskManyItem;

protected:
    bool AcceptsChar(char32_t) const override { return true; }
};

class TqzStandardMaskNumericItem : public TqzStandardMaskManyItem {
public:
    using TqzStandardMaskManyItem::TqzStandardMaskManyItem;

protected:
    bool AcceptsChar(char32_t ch) const override;
};

class TqzStandardMaskNumericSymbolItem : public TqzStandardMaskManyItem {
public:
    using TqzStandardMaskManyItem::TqzStandardMaskManyItem;

protected:
    bool AcceptsChar(char32_t ch) const override;
};

class TqzStandardMask : public TObject {
    KOV_CLASS(TqzStandardMask, TObject)
public:
    TqzStandardMask() = default;

    void SetMask(const String& mask);
    void ClearMask();

    const String& GetMaskText() const { return FMaskText; }
    char32_t GetBlankChar() const { return FBlankChar; }
    bool GetKeepLiterals() const { return FKeepLiterals; }

    Integer PositionCount() const { return static_cast<Integer>(FPositions.size()); }
    // nullptr out of range.
    TqzStandardMaskCustomItem* Position(Integer index) const;
    bool IsLiteral(Integer index) const;

    // The text shown for an empty value: literals, and the blank character at input positions.
    String EmptyText() const;
    // A blank per input position; the literals only when they are kept.
    String EmptyValue() const;
    // Replaces text by the masked text built from it.
    void FitText(String& text, bool useConverted) const;
    // Case-converts the characters of text as the positions ask.
    bool IsValidText(String& text) const;
    // Replaces a masked text by its value.
    void ExtractValue(String& text) const;

private:
    String FMaskText;
    char32_t FBlankChar = '_';
    bool FKeepLiterals = true;
    bool FLeadingBang = false; // recorded only
    std::vector<std::unique_ptr<TqzStandardMaskCustomItem>> FPositions;
};
