// Edit repositories and their items with listeners, the registry of editor properties classes,
// the unit's start and end, and the unit's shared routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Cursor.h"
#include "suite/editors/qzEdit.h"

namespace {

// Logs what it hears as "<name>:removed" and "<name>:changed".
class Listener : public TObject, public IqzEditRepositoryItemListener {
public:
    Listener(std::vector<std::string>* log, std::string name) : FLog(log), FName(std::move(name)) {}
    void ItemRemoved(TqzEditRepositoryItem*) override { FLog->push_back(FName + ":removed"); }
    void PropertiesChanged(TqzEditRepositoryItem*) override { FLog->push_back(FName + ":changed"); }
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

private:
    std::vector<std::string>* FLog;
    std::string FName;
};

using Log = std::vector<std::string>;

TEST(EditRepository, ListenersAreKeptOnceAndHearChangesLastFirst) {
    Log log;
    Listener first(&log, "first"), second(&log, "second");
    TqzEditRepositoryItem item(nullptr);
    item.AddListener(&first);
    item.AddListener(&second);
    item.AddListener(&first);
    EXPECT_EQ(2, item.GetListenerCount());
    item.RemoveListener(nullptr);
    EXPECT_EQ(2, item.GetListenerCount());

    item.GetProperties()->SetReadOnly(true);
    EXPECT_EQ((Log{"second:changed", "first:changed"}), log);

    // Nothing while the properties are updating; one notice at the end.
    log.clear();
    item.GetProperties()->BeginUpdate();
    item.GetProperties()->SetAutoSelect(false);
    item.GetProperties()->SetTransparent(true);
    EXPECT_TRUE(log.empty());
    item.GetProperties()->EndUpdate();
    EXPECT_EQ((Log{"second:changed", "first:changed"}), log);

    // Copying other properties in is one change as well.
    log.clear();
    TqzCustomEditProperties other(nullptr);
    other.SetReadOnly(false);
    item.SetProperties(&other);
    EXPECT_EQ((Log{"second:changed", "first:changed"}), log);
    EXPECT_FALSE(item.GetProperties()->GetReadOnly());

    item.RemoveListener(&second);
    log.clear();
    item.GetProperties()->SetTransparent(true);
    EXPECT_EQ((Log{"first:changed"}), log);
    item.RemoveListener(&first);
}

TEST(EditRepository, FreeingARepositoryFreesItsItemsAndTellsTheirListeners) {
    Log log;
    Listener a(&log, "a"), b(&log, "b"), c(&log, "c");
    TComponent form(nullptr);
    auto* repository = new TqzEditRepository(&form);
    TqzEditRepositoryItem* owned = repository->CreateItem(TqzEditRepositoryItem::StaticClass());
    TqzEditRepositoryItem* placed = repository->CreateItemEx(TqzEditRepositoryItem::StaticClass(), &form);
    EXPECT_EQ(repository, owned->GetOwner());
    EXPECT_EQ(&form, placed->GetOwner());
    ASSERT_EQ(2, repository->Count());
    EXPECT_EQ(owned, repository->Items(0));
    EXPECT_EQ(placed, repository->Items(1));
    EXPECT_TRUE(placed->HasParent());
    EXPECT_EQ(repository, placed->GetParentComponent());
    owned->AddListener(&a);
    owned->AddListener(&b);
    placed->AddListener(&c);

    // Streaming the form hands over the items it owns.
    std::vector<TComponent*> children;
    repository->GetChildren([&](TComponent* child) { children.push_back(child); }, &form);
    EXPECT_EQ((std::vector<TComponent*>{placed}), children);

    delete repository;
    EXPECT_EQ((Log{"c:removed", "b:removed", "a:removed"}), log);
    EXPECT_EQ(0, form.GetComponentCount());
}

TEST(EditRepository, AnItemMovesBetweenRepositoriesAndOutlivesOne) {
    TqzEditRepository first(nullptr), second(nullptr);
    auto* item = new TqzEditRepositoryItem(nullptr);
    EXPECT_FALSE(item->HasParent());
    item->SetRepository(&first);
    item->SetRepository(&first);
    EXPECT_EQ(1, first.Count());
    item->SetRepository(&second);
    EXPECT_EQ(0, first.Count());
    EXPECT_EQ(1, second.Count());
    second.RemoveItem(item);
    EXPECT_EQ(nullptr, item->GetRepository());
    EXPECT_EQ(0, second.Count());
    item->SetRepository(&first);
    delete item;
    EXPECT_EQ(0, first.Count());
    EXPECT_THROW(first.Items(0), EListError);
}

// A root that stores the components it owns and that have no parent of their own, as a form
// does.
class TRepositoryRoot : public TComponent {
    KOV_CLASS(TRepositoryRoot, TComponent)
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override {
        for (Integer i = 0; i < GetComponentCount(); ++i)
            if (!GetComponents(i)->HasParent()) proc(GetComponents(i));
    }
};

TEST(EditRepository, ItemsAreStoredInsideTheirRepositoryAndReadBackIntoIt) {
    RegisterClass(TRepositoryRoot::StaticClass());
    const String text = "object Main: TRepositoryRoot\n"
                        "  object Repo: TqzEditRepository\n"
                        "    object Shared: TqzEditRepositoryItem\n"
                        "    end\n"
                        "    object Other: TqzEditRepositoryItem\n"
                        "    end\n"
                        "  end\n"
                        "end\n";
    TRepositoryRoot root(nullptr);
    ReadComponentText(text, &root);
    auto* repository = dynamic_cast<TqzEditRepository*>(root.FindComponent("Repo"));
    auto* shared = dynamic_cast<TqzEditRepositoryItem*>(root.FindComponent("Shared"));
    ASSERT_NE(nullptr, repository);
    ASSERT_NE(nullptr, shared);
    EXPECT_EQ(&root, shared->GetOwner());
    EXPECT_EQ(repository, shared->GetRepository());
    ASSERT_EQ(2, repository->Count());
    EXPECT_EQ(shared, repository->Items(0));

    TMemoryStream binary;
    {
        TWriter writer(&binary);
        writer.WriteRootComponent(&root);
    }
    binary.SetPosition(0);
    TStringStream written;
    ObjectBinaryToText(&binary, &written);
    EXPECT_EQ(text, written.GetDataString());
}

// Stand-ins for the properties classes of the editors, each its own class.
template <int N> class TStandInProperties : public TqzCustomEditProperties {
    KOV_CLASS(TStandInProperties, TqzCustomEditProperties)
public:
    using TqzCustomEditProperties::TqzCustomEditProperties;
};

template <std::size_t... I> std::vector<TClass> StandInClasses(std::index_sequence<I...>) {
    return {TStandInProperties<int(I)>::StaticClass()...};
}

TEST(EditPropertiesRegistry, ListsTheClassesByShortNameIgnoringCase) {
    const char* texts[] = {
        "TextEdit|Represents a single line text editor",
        "MaskEdit|Represents a generic masked edit control.",
        "ComboBox|Represents the combo box editor",
        "PopupEdit|Represents an edit control with a dropdown list",
        "CheckBox|Represents a check box control that allows selecting an option",
        "RadioGroup|Represents a group of radio buttons",
        "SpinEdit|Represents a spin editor",
        "CurrencyEdit|Represents an editor enabling editing currency data",
        "Image|Represents an image editor",
        "Memo|Represents an edit control that allows editing memo data",
        "BlobEdit|Represents the BLOB editor",
        "ButtonEdit|Represents an edit control with embedded buttons",
        "CalcEdit|Represents an edit control with a dropdown calculator window",
        "TimeEdit|Represents an editor displaying time values",
        "DateEdit|Represents an edit control with a dropdown calendar",
        "HyperLink|Represents a text editor with hyperlink functionality",
        "ImageComboBox|Represents an editor displaying the list of images and text strings within the "
        "dropdown "
        "window",
        "MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a "
        "dropdown "
        "window",
        "LookupComboBox|Represents a lookup combo box control",
        "ProgressBar|Represents a ProgressBar",
        "TrackBar|Represents a TrackBar",
    };
    const std::vector<TClass> classes = StandInClasses(std::make_index_sequence<21>());
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    ASSERT_EQ(registry, GetEditPropertiesRegistry());
    for (std::size_t i = 0; i < classes.size(); ++i)
        registry->Register(classes[i], texts[i]);

    std::vector<std::string> names;
    for (Integer i = 0; i < registry->GetCount(); ++i)
        if (std::find(classes.begin(), classes.end(), registry->GetItems(i)) != classes.end())
            names.push_back(registry->GetDescription(i));
    EXPECT_EQ((std::vector<std::string>{
                  "BlobEdit", "ButtonEdit", "CalcEdit",  "CheckBox",      "ComboBox",       "CurrencyEdit",
                  "DateEdit", "HyperLink",  "Image",     "ImageComboBox", "LookupComboBox", "MaskEdit",
                  "Memo",     "MRUEdit",    "PopupEdit", "ProgressBar",   "RadioGroup",     "SpinEdit",
                  "TextEdit", "TimeEdit",   "TrackBar"}),
              names);
    EXPECT_EQ("Image|Represents an image editor", registry->GetText(registry->IndexOfClass(classes[8])));
    for (TClass cls : classes)
        registry->Unregister(cls);
}

TEST(EditUnit, StartsWithTheWheelCursorLiveListAndHookAndEndsInReverse) {
    EditUnitFinalize();
    EXPECT_FALSE(IsEditUnitStarted());
    EXPECT_EQ(nullptr, GetFilterTextHook());
    EXPECT_TRUE(GetLivePropertiesList().empty());
    String text;
    LocalizeFilterText("blank", text);
    EXPECT_EQ("blank", text);

    EditUnitInitialize();
    ASSERT_TRUE(IsEditUnitStarted());
    HCURSOR wheel = LoadCursorA(HInstance, "QZEDIT_MOUSEWHEEL");
    ASSERT_NE(nullptr, wheel);
    EXPECT_EQ(wheel, Screen->GetCursors(crqzEditMouseWheel));
    EXPECT_EQ(&LocalizeSuiteText, GetFilterTextHook());
    LocalizeFilterText("and", text);
    EXPECT_EQ("and", text);

    // Every properties object is in the live list for its whole life.
    {
        TqzCustomEditProperties a(nullptr);
        TqzEditRepositoryItem item(nullptr);
        TqzCustomEditProperties* b = item.GetProperties();
        const std::vector<TqzCustomEditProperties*>& live = GetLivePropertiesList();
        EXPECT_NE(live.end(), std::find(live.begin(), live.end(), &a));
        EXPECT_NE(live.end(), std::find(live.begin(), live.end(), b));
    }
    EXPECT_TRUE(GetLivePropertiesList().empty());

    // The end frees the default repository (telling its items' listeners) and the registry.
    Log log;
    Listener listener(&log, "editor");
    TqzEditRepository* repository = GetDefaultEditRepository();
    EXPECT_EQ(repository, GetDefaultEditRepository());
    repository->CreateItem(TqzEditRepositoryItem::StaticClass())->AddListener(&listener);
    GetEditPropertiesRegistry()->Register(TStandInProperties<99>::StaticClass(), "Probe|A probe");
    EditUnitFinalize();
    EXPECT_EQ((Log{"editor:removed"}), log);
    EXPECT_EQ(nullptr, GetFilterTextHook());
    EditUnitInitialize();
    EXPECT_EQ(-1, GetEditPropertiesRegistry()->IndexOfClass(TStandInProperties<99>::StaticClass()));
    EXPECT_EQ(0, GetDefaultEditRepository()->Count());
}

TEST(EditUnit, SharedRoutines) {
    EXPECT_EQ(TShiftState{ssLeft}, MouseButtonToShiftState(mbLeft));
    EXPECT_EQ(TShiftState{ssRight}, MouseButtonToShiftState(mbRight));
    EXPECT_EQ(TShiftState{ssMiddle}, MouseButtonToShiftState(mbMiddle));
    const TShiftState byCode[] = {TShiftState(), TShiftState{ssLeft}, TShiftState{ssRight},
                                  TShiftState{ssMiddle}, TShiftState()};
    for (Integer code = 0; code <= 4; ++code)
        EXPECT_EQ(byCode[code], MouseButtonCodeToShiftState(code)) << code;
    EXPECT_EQ(0x08u, MouseButtonToShiftState(mbLeft).Mask());
    EXPECT_EQ(1 + 4 + 16, ShiftStateToMouseKeyFlags(TShiftState{ssLeft, ssShift, ssMiddle, ssAlt}));
    EXPECT_EQ(2 + 8, ShiftStateToMouseKeyFlags(TShiftState{ssRight, ssCtrl, ssDouble}));

    TSize a{3, 9};
    MaxSize(a, TSize{7, 2});
    EXPECT_EQ(7, a.cx);
    EXPECT_EQ(9, a.cy);

    for (char32_t ch : {U'\0', U'\t', U'\n', U'\f', U'\r', U' '})
        EXPECT_TRUE(IsSpaceChar(ch)) << int(ch);
    for (char32_t ch : {U'\v', U'a', U'\u3000'})
        EXPECT_FALSE(IsSpaceChar(ch)) << int(ch);

    EXPECT_TRUE(VariantsEqualSameType(Variant(Integer(2)), Variant(Integer(2))));
    EXPECT_FALSE(VariantsEqualSameType(Variant(Integer(2)), Variant(2.0)));
    EXPECT_FALSE(VariantsEqualSameType(Variant(Integer(2)), Variant(Integer(3))));

    TqzRegion empty, box(0, 0, 4, 4);
    EXPECT_TRUE(IsRegionEmpty(&empty));
    AddRegion(&empty, &box);
    EXPECT_FALSE(IsRegionEmpty(&empty));

    TComponent owner(nullptr);
    TqzEditRepositoryItem* item = new TqzEditRepositoryItem(&owner);
    TqzEditButtons* buttons = item->GetProperties()->GetButtons();
    EXPECT_EQ(item, GetOwnerComponent(buttons));
    EXPECT_EQ(item, GetOwnerComponent(item));
    EXPECT_EQ(nullptr, GetOwnerComponent(nullptr));
    TqzCustomEditProperties loose(nullptr);
    EXPECT_EQ(nullptr, GetOwnerComponent(&loose));
}

} // namespace
