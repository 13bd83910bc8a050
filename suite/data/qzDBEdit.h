// The default-values provider of data-bound editors: when a field is attached and its data set is
// open, an editor's defaults (alignment, formats, mask, length, range, precision, read-only and
// required state, acceptable characters) come from the field; otherwise the neutral answers.
#pragma once

#include <memory>

#include "platform/classlib/DB.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/qzClasses.h"

class TqzCustomDBEditDefaultValuesProvider : public TqzCustomEditDefaultValuesProvider {
    KOV_CLASS(TqzCustomDBEditDefaultValuesProvider, TqzCustomEditDefaultValuesProvider)
public:
    explicit TqzCustomDBEditDefaultValuesProvider(TPersistent* owner);
    ~TqzCustomDBEditDefaultValuesProvider() override;

    // "Bound" below: IsSourceActive.
    TAlignment GetDefaultAlignment() override;
    // Bound: 3 memo, 2 graphic, 4 OLE, 0 others; 0 when not bound.
    Integer GetDefaultBlobEditKind() override;
    bool CanModifyValue() override;
    String GetDefaultDisplayFormat() override;
    String GetDefaultEditFormat() override;
    String GetDefaultEditMask() override;
    bool IsFloatValueSource() override;
    Integer GetDefaultMaxLength() override;
    // A float field's range is written at the field's precision with the locale's settings and
    // read back with the same settings: precision 4 makes 1.23456 into 1.235.
    Extended GetDefaultMaxValue() override;
    Extended GetDefaultMinValue() override;
    // Of a float, BCD or FMTBcd field, bound or not.
    Integer GetDefaultDecimalPrecision() override;
    bool GetDefaultReadOnly() override;
    bool GetDefaultRequired() override;
    bool IsBlobValueSource() override;
    bool IsCurrencyValueSource() override;
    // A field is attached, it has a data set and the data set is open.
    bool IsSourceActive() override;
    bool IsDataBound() override { return true; }
    bool HasSourceDisplayFormat(bool currencyAllowed) override;
    bool HasImplicitDisplayFormat() override;
    bool IsValidCharForSource(char32_t ch) override;

    // Watches the field, which leaves the provider when it is freed; nullptr detaches.
    void AttachField(TField* field);
    TField* GetField() const { return FField; }

private:
    void ComponentFreed(TObject* sender, TComponent* component);
    Extended RangeValue(bool maximum);

    TField* FField = nullptr;
    std::unique_ptr<TqzFreeNotificator> FFreeNotificator;
};
