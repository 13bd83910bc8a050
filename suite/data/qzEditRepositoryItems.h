// Typed repository items: one per editor kind, each holding a properties object of that kind
// that several editors can share.
#pragma once

#include "suite/controls/qzBlobEdit.h"
#include "suite/controls/qzButtonEdit.h"
#include "suite/controls/qzCalc.h"
#include "suite/controls/qzCalendar.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzHyperLinkEdit.h"
#include "suite/controls/qzImage.h"
#include "suite/controls/qzImageComboBox.h"
#include "suite/controls/qzMRUEdit.h"
#include "suite/controls/qzMemo.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/controls/qzTimeEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzEdit.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"

// A repository item whose properties are of class P: Properties reads the item's properties as
// P and writing assigns the given properties into the item's own.
#define QZ_DECLARE_REPOSITORY_ITEM(Name, P)                                                                   \
    class Name : public TqzEditRepositoryItem {                                                               \
        KOV_CLASS(Name, TqzEditRepositoryItem)                                                                \
    public:                                                                                                   \
        using TqzEditRepositoryItem::TqzEditRepositoryItem;                                                   \
        TClass GetPropertiesClass() const override { return P::StaticClass(); }                              \
        P* GetProperties() { return static_cast<P*>(TqzEditRepositoryItem::GetProperties()); }               \
        void SetProperties(P* value) { TqzEditRepositoryItem::SetProperties(value); }                        \
    }

QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryTextItem, TqzTextEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryComboBoxItem, TqzComboBoxProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryMaskItem, TqzMaskEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryPopupItem, TqzPopupEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryCurrencyItem, TqzCurrencyEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositorySpinItem, TqzSpinEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryCheckBoxItem, TqzCheckBoxProperties);

// The items of the editors of suite/controls.
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryButtonItem, TqzButtonEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryImageItem, TqzImageProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryCalcItem, TqzCalcEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryDateItem, TqzDateEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryMemoItem, TqzMemoProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryBlobItem, TqzBlobEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryTimeItem, TqzTimeEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryMRUItem, TqzMRUEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryHyperLinkItem, TqzHyperLinkEditProperties);
QZ_DECLARE_REPOSITORY_ITEM(TqzEditRepositoryRadioGroupItem, TqzRadioGroupProperties);

// The image combo box item also lets go of an image list being freed that its properties show.
class TqzEditRepositoryImageComboBoxItem : public TqzEditRepositoryItem {
    KOV_CLASS(TqzEditRepositoryImageComboBoxItem, TqzEditRepositoryItem)
public:
    using TqzEditRepositoryItem::TqzEditRepositoryItem;
    TClass GetPropertiesClass() const override { return TqzImageComboBoxProperties::StaticClass(); }
    TqzImageComboBoxProperties* GetProperties() {
        return static_cast<TqzImageComboBoxProperties*>(TqzEditRepositoryItem::GetProperties());
    }
    void SetProperties(TqzImageComboBoxProperties* value) { TqzEditRepositoryItem::SetProperties(value); }

protected:
    void Notification(TComponent* component, TOperation operation) override;
};
