// The registries of report object classes, component editors, property editors, export filters
// and wizards, and the property editors that turn property values into texts and back.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/TypInfo.h"

class TBitmap;
class TCanvas;
class TComponent;

class TpvrPropertyEditor : public TObject {
    KOV_CLASS(TpvrPropertyEditor, TObject)
public:
    explicit TpvrPropertyEditor(TComponent* designer);
    ~TpvrPropertyEditor() override;

    // Fills the value list and applies the entry after the current value's (the first after
    // the last); True when something was applied.
    virtual bool EditValue();
    // Flags: 2 sorts the value list; 8 by default.
    virtual Integer Attributes();
    virtual String PropertyName();
    virtual Integer ExtraListWidth();
    virtual String ValueText();
    virtual void FillValueList();
    virtual void ApplyValueText(const String& text) {}
    // Draws entry `index` of the value list on the list's canvas: the rectangle filled, the text
    // at left + extra width + 4, top + 1.
    virtual void DrawListItem(TCanvas* canvas, Integer index, const TRect& rect);
    // Writes ValueText at left + extra width - 2.
    virtual void DrawValue(TCanvas* canvas, const TRect& rect);

    // The objects edited, each with its property.
    void Add(TObject* instance, PPropInfo prop);
    TStringList* Values() const { return FValues.get(); }

    Integer Tag = 0;
    Integer ExtraWidth = 0;

protected:
    Extended GetFloatValue() const;
    Int64 GetOrdValue() const;
    String GetStrValue() const;
    void SetFloatValue(Extended value);
    void SetOrdValue(Int64 value);
    void SetStrValue(const String& value);

    TComponent* FDesigner;
    std::vector<TObject*> FObjects;
    std::vector<PPropInfo> FProps;
    std::unique_ptr<TStringList> FValues;
};

using TpvrPropertyEditorClass = TpvrPropertyEditor* (*)(TComponent* designer);

template <class T> TpvrPropertyEditorClass PropertyEditorClass() {
    return [](TComponent* designer) -> TpvrPropertyEditor* { return new T(designer); };
}

#define PVR_PROPERTY_EDITOR(Name, Base)                                                                      \
    class Name : public Base {                                                                               \
        KOV_CLASS(Name, Base)                                                                                \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        Integer Attributes() override;                                                                       \
        String ValueText() override;                                                                         \
        void ApplyValueText(const String& text) override;                                                    \
        void FillValueList() override;                                                                       \
    };

class TpvrIntegerProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrIntegerProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    String ValueText() override;
    void ApplyValueText(const String& text) override;
};

class TpvrStringProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrStringProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    String ValueText() override;
    void ApplyValueText(const String& text) override;
};

class TpvrClassProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrClassProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    Integer Attributes() override { return 56; }
    String ValueText() override;
};

// A font: editing shows the font dialog over screen and printer fonts, and the font chosen goes
// to every edited object.
class TpvrFontProperty : public TpvrClassProperty {
    KOV_CLASS(TpvrFontProperty, TpvrClassProperty)
public:
    using TpvrClassProperty::TpvrClassProperty;
    Integer Attributes() override { return 60; }
    bool EditValue() override;
};

class TpvrNameProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrNameProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    Integer Attributes() override { return 0; }
};

// Colours by name or number, drawn with a swatch of the colour.
class TpvrColorProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrColorProperty, TpvrPropertyEditor)
public:
    explicit TpvrColorProperty(TComponent* designer);
    Integer Attributes() override;
    String ValueText() override;
    void ApplyValueText(const String& text) override;
    void FillValueList() override;
    void DrawListItem(TCanvas* canvas, Integer index, const TRect& rect) override;
    void DrawValue(TCanvas* canvas, const TRect& rect) override;
};

// Shortcuts by their text; "(None)" is no shortcut.
PVR_PROPERTY_EDITOR(TpvrShortCutProperty, TpvrPropertyEditor)
PVR_PROPERTY_EDITOR(TpvrFontCharsetProperty, TpvrPropertyEditor)
PVR_PROPERTY_EDITOR(TpvrModalResultProperty, TpvrPropertyEditor)
PVR_PROPERTY_EDITOR(TpvrCursorProperty, TpvrPropertyEditor)

class TpvrFontNameProperty : public TpvrStringProperty {
    KOV_CLASS(TpvrFontNameProperty, TpvrStringProperty)
public:
    using TpvrStringProperty::TpvrStringProperty;
    Integer Attributes() override { return 11; }
    void FillValueList() override;
};

class TpvrDateTimeProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrDateTimeProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    String ValueText() override;
    void ApplyValueText(const String& text) override;
};

class TpvrDateProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrDateProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    String ValueText() override;
    void ApplyValueText(const String& text) override;
};

class TpvrTimeProperty : public TpvrPropertyEditor {
    KOV_CLASS(TpvrTimeProperty, TpvrPropertyEditor)
public:
    using TpvrPropertyEditor::TpvrPropertyEditor;
    String ValueText() override;
    void ApplyValueText(const String& text) override;
};

// ---- Registries --------------------------------------------------------------------------------

class TpvrObjectItem : public TCollectionItem {
    KOV_CLASS(TpvrObjectItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    TClass ClassRef = nullptr;
    TBitmap* ButtonBmp = nullptr;
    Integer ButtonImageIndex = -1;
    String CategoryName;
    String ButtonHint;
    Integer Flags = 0;
};

class TpvrObjectCollection : public TCollection {
    KOV_CLASS(TpvrObjectCollection, TCollection)
public:
    TpvrObjectCollection() : TCollection(TCollectionItemClass::Of<TpvrObjectItem>()) {}
    TpvrObjectItem* Items(Integer index) const { return static_cast<TpvrObjectItem*>(GetItems(index)); }
    // Unless the class is there with the same flags: registers it with the class library and
    // adds an item.
    void RegisterObject(TClass cls, TBitmap* bitmap, Integer imageIndex, Integer flags, const String& hint,
                        const String& category);
};

class TpvrPropertyEditorItem : public TCollectionItem {
    KOV_CLASS(TpvrPropertyEditorItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    PTypeInfo PropType = nullptr;
    TClass ComponentClass = nullptr;
    String PropName;
    TpvrPropertyEditorClass EditorClass = nullptr;
};

class TpvrPropertyEditorCollection : public TCollection {
    KOV_CLASS(TpvrPropertyEditorCollection, TCollection)
public:
    TpvrPropertyEditorCollection() : TCollection(TCollectionItemClass::Of<TpvrPropertyEditorItem>()) {}
    TpvrPropertyEditorItem* Items(Integer index) const {
        return static_cast<TpvrPropertyEditorItem*>(GetItems(index));
    }
    void RegisterPropertyEditor(PTypeInfo type, TClass componentClass, const String& propName,
                                TpvrPropertyEditorClass editorClass);
    Integer EventEditorItem = -1;
};

class TpvrExportFilterItem : public TCollectionItem {
    KOV_CLASS(TpvrExportFilterItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    TObject* Filter = nullptr;
};

class TpvrExportFilterCollection : public TCollection {
    KOV_CLASS(TpvrExportFilterCollection, TCollection)
public:
    TpvrExportFilterCollection() : TCollection(TCollectionItemClass::Of<TpvrExportFilterItem>()) {}
    TpvrExportFilterItem* Items(Integer index) const {
        return static_cast<TpvrExportFilterItem*>(GetItems(index));
    }
};

class TpvrComponentEditorItem : public TCollectionItem {
    KOV_CLASS(TpvrComponentEditorItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
};

class TpvrWizardItem : public TCollectionItem {
    KOV_CLASS(TpvrWizardItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
};

class TpvrComponentEditorCollection : public TCollection {
    KOV_CLASS(TpvrComponentEditorCollection, TCollection)
public:
    TpvrComponentEditorCollection() : TCollection(TCollectionItemClass::Of<TpvrComponentEditorItem>()) {}
};

class TpvrWizardCollection : public TCollection {
    KOV_CLASS(TpvrWizardCollection, TCollection)
public:
    TpvrWizardCollection() : TCollection(TCollectionItemClass::Of<TpvrWizardItem>()) {}
};

// The five registries, made on first use and kept for the whole run.
TpvrObjectCollection* pvrObjects();
TpvrComponentEditorCollection* pvrComponentEditors();
TpvrPropertyEditorCollection* pvrPropertyEditors();
TpvrExportFilterCollection* pvrExportFilters();
TpvrWizardCollection* pvrWizards();
