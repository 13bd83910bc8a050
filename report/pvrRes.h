// The report engine's texts, looked up by key, with the preview buttons' glyphs, the help file
// and the list of language files found beside the program.
#pragma once

#include <memory>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"

class TImageList;
class TBitmap;
class TObject;

class TpvrResources : public TObject {
    KOV_CLASS(TpvrResources, TObject)
public:
    TpvrResources();
    ~TpvrResources() override;
    TpvrResources(const TpvrResources&) = delete;
    TpvrResources& operator=(const TpvrResources&) = delete;

    // The text of a key (ignoring case); the key itself when it has none.
    String Get(const String& key) const;
    String GetNumbered(Integer id) const;
    void SetText(const String& key, const String& text);
    // Lines "key=text", split at the first "="; lines with an empty key or text add nothing.
    void AddKeyLines(const String& lines);

    // The preview buttons' glyphs, cut from the bitmap "PREVIEWBUTTONS" on first use.
    TImageList* PreviewButtons();
    void SetPreviewButtons(TBitmap* strip, bool clear);

    // Hands the script compiler's 17 messages their texts of this table.
    void UpdateScriptMessages();

    // Opens the help file for a window (or none).
    void Help(TObject* window);
    void HtmlHelpShow(void* windowHandle, const String& fileName);

    TImageList* DesignImages() const { return FDesignImages.get(); }
    TImageList* ObjectImages() const { return FObjectImages.get(); }
    TImageList* WizardImages() const { return FWizardImages.get(); }
    TStringList* Languages() const { return FLanguages.get(); }
    const String& GetHelpFile() const { return FHelpFile; }
    void SetHelpFile(const String& value) { FHelpFile = value; }

private:
    void FillLanguages();

    std::unique_ptr<TImageList> FDesignImages;
    std::unique_ptr<TImageList> FObjectImages;
    std::unique_ptr<TImageList> FWizardImages;
    std::unique_ptr<TImageList> FPreviewButtons;
    std::unique_ptr<TStringList> FKeys;
    std::unique_ptr<TStringList> FTexts;
    std::unique_ptr<TStringList> FLanguages;
    String FHelpFile = "VIDudu.zev";
};

// The one instance, made on first use (with the built-in texts).
TpvrResources* GetResources();

// The language files of a directory (ending in "/"): each "*.qoc" name lower-cased with its first
// letter upper-cased and its first ".qoc" removed, sorted.
void ListLanguageFiles(const String& directory, TStrings* list);
// The built-in table of texts, as "key=text" lines.
const String& BuiltInResourceText();
