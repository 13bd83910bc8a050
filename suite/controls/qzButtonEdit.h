// The button editor: a masked text editor with its edit buttons exposed, showing one ellipsis
// button by default. Its buttons, click key and button-click event are the editor framework's.
#pragma once

#include "suite/editors/qzMaskEdit.h"

class TqzCustomButtonEditProperties : public TqzCustomMaskEditProperties {
    KOV_CLASS(TqzCustomButtonEditProperties, TqzCustomMaskEditProperties)
public:
    // The masked properties with one ellipsis button.
    explicit TqzCustomButtonEditProperties(TPersistent* owner);

    TClass GetContainerClass() const override;
};

class TqzButtonEditProperties : public TqzCustomButtonEditProperties {
    KOV_CLASS(TqzButtonEditProperties, TqzCustomButtonEditProperties)
public:
    using TqzCustomButtonEditProperties::TqzCustomButtonEditProperties;
};

class TqzCustomButtonEdit : public TqzCustomMaskEdit {
    KOV_CLASS(TqzCustomButtonEdit, TqzCustomMaskEdit)
public:
    explicit TqzCustomButtonEdit(TComponent* owner);
    TqzCustomButtonEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCustomButtonEditProperties::StaticClass(); }
    // Only the popup border style is hidden: the button styles apply.
    TqzContainerStyleValues GetHiddenStyleValues() override { return TqzContainerStyleValues{svPopupBorderStyle}; }

protected:
    TqzCustomButtonEdit(TComponent* owner, bool isInplace, bool deferInitialization);
    // The first read of a definition clears the default button first, so the stored buttons
    // replace it.
    void ReadState(TReader* reader) override;

private:
    bool FButtonsCleared = false;
};

class TqzButtonEdit : public TqzCustomButtonEdit {
    KOV_CLASS(TqzButtonEdit, TqzCustomButtonEdit)
public:
    explicit TqzButtonEdit(TComponent* owner);
    TqzButtonEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzButtonEditProperties::StaticClass(); }
    TqzButtonEditProperties* GetButtonEditProperties() const {
        return static_cast<TqzButtonEditProperties*>(GetProperties());
    }
    void SetButtonEditProperties(TqzButtonEditProperties* value) { GetProperties()->Assign(value); }
};
