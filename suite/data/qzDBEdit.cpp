#include "suite/data/qzDBEdit.h"

#include "platform/runtime/Numbers.h"
#include "suite/data/qzDB.h"

namespace {

struct TDBEditTypes {
    TDBEditTypes() { RegisterInterfacedPersistentClass<TqzCustomDBEditDefaultValuesProvider>(); }
};
const TDBEditTypes kDBEditTypes;

// The currency flag and precision of float, BCD and FMTBcd fields.
bool DecimalField(TField* field, bool& currency, Integer& precision) {
    if (auto* f = dynamic_cast<TFloatField*>(field)) {
        currency = f->GetCurrency();
        precision = f->GetPrecision();
        return true;
    }
    if (auto* f = dynamic_cast<TBCDField*>(field)) {
        currency = f->GetCurrency();
        precision = f->GetPrecision();
        return true;
    }
    if (auto* f = dynamic_cast<TFMTBCDField*>(field)) {
        currency = f->GetCurrency();
        precision = f->GetPrecision();
        return true;
    }
    return false;
}

} // namespace

TqzCustomDBEditDefaultValuesProvider::TqzCustomDBEditDefaultValuesProvider(TPersistent* owner)
    : TqzCustomEditDefaultValuesProvider(owner), FFreeNotificator(std::make_unique<TqzFreeNotificator>()) {
    FFreeNotificator->OnComponentFreed =
        MakeEvent(this, &TqzCustomDBEditDefaultValuesProvider::ComponentFreed);
}

TqzCustomDBEditDefaultValuesProvider::~TqzCustomDBEditDefaultValuesProvider() = default;

void TqzCustomDBEditDefaultValuesProvider::ComponentFreed(TObject*, TComponent* component) {
    if (component == FField) FField = nullptr;
}

void TqzCustomDBEditDefaultValuesProvider::AttachField(TField* field) {
    if (field == FField) return;
    if (FField != nullptr) FFreeNotificator->UnwatchComponent(FField);
    FField = field;
    if (FField != nullptr) FFreeNotificator->WatchComponent(FField);
}

bool TqzCustomDBEditDefaultValuesProvider::IsSourceActive() {
    return FField != nullptr && FField->GetDataSet() != nullptr && FField->GetDataSet()->GetActive();
}

TAlignment TqzCustomDBEditDefaultValuesProvider::GetDefaultAlignment() {
    return IsSourceActive() ? FField->GetAlignment()
                            : TqzCustomEditDefaultValuesProvider::GetDefaultAlignment();
}

Integer TqzCustomDBEditDefaultValuesProvider::GetDefaultBlobEditKind() {
    if (!IsSourceActive()) return 0;
    switch (FField->GetDataType()) {
    case ftMemo:
    case ftFmtMemo:
        return 3;
    case ftGraphic:
        return 2;
    case ftParadoxOle:
    case ftDBaseOle:
        return 4;
    default:
        return 0;
    }
}

bool TqzCustomDBEditDefaultValuesProvider::CanModifyValue() {
    if (GetDefaultReadOnly() || !IsSourceActive()) return false;
    return FField->GetCanModify() || (FField->GetLookup() && KeyFieldsModifiable(FField));
}

String TqzCustomDBEditDefaultValuesProvider::GetDefaultDisplayFormat() {
    if (IsSourceActive())
        if (auto* numeric = dynamic_cast<TNumericField*>(FField)) return numeric->GetDisplayFormat();
    return TqzCustomEditDefaultValuesProvider::GetDefaultDisplayFormat();
}

String TqzCustomDBEditDefaultValuesProvider::GetDefaultEditFormat() {
    if (IsSourceActive())
        if (auto* numeric = dynamic_cast<TNumericField*>(FField)) return numeric->GetEditFormat();
    return TqzCustomEditDefaultValuesProvider::GetDefaultEditFormat();
}

String TqzCustomDBEditDefaultValuesProvider::GetDefaultEditMask() {
    return IsSourceActive() ? FField->GetEditMask()
                            : TqzCustomEditDefaultValuesProvider::GetDefaultEditMask();
}

bool TqzCustomDBEditDefaultValuesProvider::IsFloatValueSource() {
    if (!IsSourceActive()) return TqzCustomEditDefaultValuesProvider::IsFloatValueSource();
    const TFieldType type = FField->GetDataType();
    return type == ftFloat || type == ftCurrency || type == ftBCD;
}

Integer TqzCustomDBEditDefaultValuesProvider::GetDefaultMaxLength() {
    if (IsSourceActive() && (FField->GetDataType() == ftString || FField->GetDataType() == ftWideString))
        return FField->GetSize();
    return TqzCustomEditDefaultValuesProvider::GetDefaultMaxLength();
}

Extended TqzCustomDBEditDefaultValuesProvider::RangeValue(bool maximum) {
    if (auto* f = dynamic_cast<TIntegerField*>(FField)) return maximum ? f->GetMaxValue() : f->GetMinValue();
    if (auto* f = dynamic_cast<TFloatField*>(FField)) {
        // Written and read with the same settings, so a "," decimal separator reads back.
        const Integer precision = f->GetPrecision();
        return StrToFloat(
            FloatToStrF(maximum ? f->GetMaxValue() : f->GetMinValue(), ffGeneral, precision, precision));
    }
    if (auto* f = dynamic_cast<TBCDField*>(FField))
        return Variant(maximum ? f->GetMaxValue() : f->GetMinValue()).AsExtended();
    return maximum ? TqzCustomEditDefaultValuesProvider::GetDefaultMaxValue()
                   : TqzCustomEditDefaultValuesProvider::GetDefaultMinValue();
}

Extended TqzCustomDBEditDefaultValuesProvider::GetDefaultMaxValue() {
    return IsSourceActive() ? RangeValue(true) : TqzCustomEditDefaultValuesProvider::GetDefaultMaxValue();
}

Extended TqzCustomDBEditDefaultValuesProvider::GetDefaultMinValue() {
    return IsSourceActive() ? RangeValue(false) : TqzCustomEditDefaultValuesProvider::GetDefaultMinValue();
}

Integer TqzCustomDBEditDefaultValuesProvider::GetDefaultDecimalPrecision() {
    bool currency = false;
    Integer precision = 0;
    if (FField != nullptr && DecimalField(FField, currency, precision)) return precision;
    return TqzCustomEditDefaultValuesProvider::GetDefaultDecimalPrecision();
}

bool TqzCustomDBEditDefaultValuesProvider::GetDefaultReadOnly() {
    return IsSourceActive() ? FField->GetReadOnly()
                            : TqzCustomEditDefaultValuesProvider::GetDefaultReadOnly();
}

bool TqzCustomDBEditDefaultValuesProvider::GetDefaultRequired() {
    return IsSourceActive() ? FField->GetRequired()
                            : TqzCustomEditDefaultValuesProvider::GetDefaultRequired();
}

bool TqzCustomDBEditDefaultValuesProvider::IsBlobValueSource() {
    return IsSourceActive() && FField->GetIsBlob();
}

bool TqzCustomDBEditDefaultValuesProvider::IsCurrencyValueSource() {
    if (!IsSourceActive()) return TqzCustomEditDefaultValuesProvider::IsCurrencyValueSource();
    bool currency = false;
    Integer precision = 0;
    return DecimalField(FField, currency, precision) && currency;
}

bool TqzCustomDBEditDefaultValuesProvider::HasSourceDisplayFormat(bool currencyAllowed) {
    if (!IsSourceActive()) return false;
    if (FField->OnGetText.Assigned()) return true;
    bool currency = false;
    Integer precision = 0;
    if (currencyAllowed && DecimalField(FField, currency, precision) && currency) return true;
    if (auto* f = dynamic_cast<TDateTimeField*>(FField)) return !f->GetDisplayFormat().empty();
    if (auto* f = dynamic_cast<TSQLTimeStampField*>(FField)) return !f->GetDisplayFormat().empty();
    if (auto* f = dynamic_cast<TNumericField*>(FField)) return !f->GetDisplayFormat().empty();
    return false;
}

bool TqzCustomDBEditDefaultValuesProvider::HasImplicitDisplayFormat() {
    return HasSourceDisplayFormat(false) && GetDefaultDisplayFormat().empty();
}

bool TqzCustomDBEditDefaultValuesProvider::IsValidCharForSource(char32_t ch) {
    if (!IsSourceActive()) return TqzCustomEditDefaultValuesProvider::IsValidCharForSource(ch);
    // The field's test knows single bytes: a character beyond ASCII is asked as a byte that is
    // no digit, sign, separator or letter.
    return FField->IsValidChar(ch < 0x80 ? char(ch) : '\x80');
}
