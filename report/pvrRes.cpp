#include "report/pvrRes.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/FileSearch.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Resources.h"
#include "platform/runtime/Strings.h"
#include "report/pvrChm.h"
#include "report/pvrUtils.h"
#include "script/kq_iconst.h"

namespace {

std::unique_ptr<TpvrResources>& ResourcesInstance() {
    static std::unique_ptr<TpvrResources> instance;
    return instance;
}

// Window classes paired with the page of the help file that describes them. The designer
// windows they name are not part of this program, so none is listed.
struct THelpTopic {
    const char* ClassName;
    const char* Page;
};
const THelpTopic* const HelpTopics = nullptr;
constexpr std::size_t HelpTopicCount = 0;

} // namespace

TpvrResources::TpvrResources()
    : FDesignImages(std::make_unique<TImageList>(nullptr)),
      FObjectImages(std::make_unique<TImageList>(nullptr)),
      FWizardImages(std::make_unique<TImageList>(nullptr)),
      FPreviewButtons(std::make_unique<TImageList>(nullptr)), FKeys(std::make_unique<TStringList>()),
      FTexts(std::make_unique<TStringList>()), FLanguages(std::make_unique<TStringList>()) {
    FWizardImages->SetWidth(22);
    FWizardImages->SetHeight(22);
    FKeys->SetSorted(true);
    FillLanguages();
}

TpvrResources::~TpvrResources() = default;

String TpvrResources::Get(const String& key) const {
    Integer index = 0;
    if (FKeys->Find(key, index))
        return FTexts->GetStrings(Integer(reinterpret_cast<std::intptr_t>(FKeys->GetObjects(index))));
    return key;
}

String TpvrResources::GetNumbered(Integer id) const { return Get(IntToStr(id)); }

void TpvrResources::SetText(const String& key, const String& text) {
    Integer index = 0;
    if (FKeys->Find(key, index)) {
        FTexts->SetStrings(Integer(reinterpret_cast<std::intptr_t>(FKeys->GetObjects(index))), text);
        return;
    }
    FKeys->AddObject(key, reinterpret_cast<TObject*>(std::intptr_t(FTexts->GetCount())));
    FTexts->Add(text);
}

void TpvrResources::AddKeyLines(const String& lines) {
    TStringList list;
    list.SetText(lines);
    for (Integer i = 0; i < list.GetCount(); ++i) {
        const String line = list.GetStrings(i);
        const std::size_t eq = line.find('=');
        if (eq == String::npos) continue;
        const String key = line.substr(0, eq);
        const String text = line.substr(eq + 1);
        if (key.empty() || text.empty()) continue;
        SetText(key, text);
    }
}

TImageList* TpvrResources::PreviewButtons() {
    if (FPreviewButtons->GetCount() == 0) {
        TBitmap strip;
        strip.LoadFromResourceName(HInstance, "PREVIEWBUTTONS");
        SetPreviewButtons(&strip, false);
    }
    return FPreviewButtons.get();
}

void TpvrResources::SetPreviewButtons(TBitmap* strip, bool clear) {
    if (clear) FPreviewButtons->Clear();
    AddGlyphStrip(strip, 16, 16, nullptr, FPreviewButtons.get());
}

void TpvrResources::UpdateScriptMessages() {
    struct TMessage {
        const char* Key;
        String* Text;
    };
    const TMessage messages[] = {
        {"SLangNotFound", &SLangNotFound},
        {"SInvalidLanguage", &SInvalidLanguage},
        {"SIdRedeclared", &SIdRedeclared},
        {"SUnknownType", &SUnknownType},
        {"SIncompatibleTypes", &SIncompatibleTypes},
        {"SIdUndeclared", &SIdUndeclared},
        {"SClassRequired", &SClassRequired},
        {"SIndexRequired", &SIndexRequired},
        {"SStringError", &SStringError},
        {"SClassError", &SClassError},
        {"SArrayRequired", &SArrayRequired},
        {"SVarRequired", &SVarRequired},
        {"SNotEnoughParams", &SNotEnoughParams},
        {"STooManyParams", &STooManyParams},
        {"SLeftCantAssigned", &SLeftCantAssigned},
        {"SForError", &SForError},
        {"SEventError", &SEventError},
    };
    for (const TMessage& message : messages)
        *message.Text = Get(message.Key);
}

void TpvrResources::Help(TObject* window) {
    String suffix;
    if (window)
        for (std::size_t i = 0; i < HelpTopicCount; ++i)
            if (SameText(window->ClassName(), HelpTopics[i].ClassName))
                suffix += String("::/") + HelpTopics[i].Page;
    TApplication* app = Application;
    HtmlHelpShow(app ? app->GetHandle() : nullptr, FHelpFile + suffix);
}

void TpvrResources::HtmlHelpShow(void* windowHandle, const String& fileName) {
    THtmlHelpA help = HtmlHelpFunction();
    if (!help) return;
    help(static_cast<HWND>(windowHandle), fileName.c_str(), 1, 0);
}

void TpvrResources::FillLanguages() { ListLanguageFiles(ProgramDirectory(), FLanguages.get()); }

void ListLanguageFiles(const String& directory, TStrings* list) {
    list->Clear();
    TSearchRec rec;
    for (Integer rc = FindFirst(directory + "*.qoc", faAnyFile, rec); rc == 0; rc = FindNext(rec)) {
        String name = LowerCase(rec.Name);
        if (!name.empty()) name[0] = UpperCase(name.substr(0, 1))[0];
        const std::size_t ext = name.find(".qoc");
        if (ext != String::npos) name.erase(ext, 4);
        list->Add(name);
    }
    FindClose(rec);
    if (auto* sortable = dynamic_cast<TStringList*>(list)) sortable->Sort();
}

TpvrResources* GetResources() {
    auto& instance = ResourcesInstance();
    if (!instance) {
        instance = std::make_unique<TpvrResources>();
        instance->AddKeyLines(BuiltInResourceText());
    }
    return instance.get();
}
