// The edit controls of the class library: TCustomEdit/TEdit (single-line text over the "EDIT"
// window class) and TCustomMemo/TMemo (multi-line, with its lines as a TStrings). Offsets and
// lengths (SelStart, SelLength, MaxLength, CaretPos) count characters, as the window class does:
// one Unicode code point each, a CR LF line break two.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/StringLists.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TWinControl {
    KOV_CLASS(TCustomEdit, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomEdit(TComponent* owner);

    // ---- Settings ----
    // Selects the whole text when the control gets the focus by keyboard (single-line only).
    bool GetAutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    // 0: no limit.
    Integer GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer value);
    bool GetOEMConvert() const { return FOEMConvert; }
    void SetOEMConvert(bool value);
    // 0: the text shows as it is.
    char GetPasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

    // ---- State ----
    // Whether the user changed the text since it was last set or Modified was cleared.
    bool GetModified() const;
    void SetModified(bool value);
    bool CanUndo() const;
    virtual Integer GetSelStart() const;
    virtual void SetSelStart(Integer value);
    virtual Integer GetSelLength() const;
    virtual void SetSelLength(Integer value);
    virtual String GetSelText() const;
    // Replaces the selection (not kept for Undo).
    virtual void SetSelText(const String& value);

    // ---- Operations ----
    void Clear();
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();
    void ClearUndo();
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // The text changed: OnChange (not while the control is being loaded or its window made).
    virtual void Change();
    // The window is being made (its text set with it): changes are not reported.
    bool Creating() const { return FCreating; }

    void CNCommand(TMessage& message);
    void CMEnter(TMessage& message);
    void CMTextChanged(TMessage& message);
    // The window asks for its colours (editable, read-only or disabled): the control's Color,
    // and its font colour, greyed while the control looks disabled.
    virtual void CNCtlColor(TMessage& message);
    // A bordered edit's window is made again with the sunken edge or the plain border.
    void CMCtl3DChanged(TMessage& message);

    TBorderStyle FBorderStyle = bsSingle;
    TControlBrush FBrush;

private:
    bool FAutoSelect = true;
    TEditCharCase FCharCase = ecNormal;
    bool FHideSelection = true;
    Integer FMaxLength = 0;
    bool FOEMConvert = false;
    char FPasswordChar = 0;
    bool FReadOnly = false;
    bool FModified = false;  // kept while there is no window
    bool FCreating = false;
};

class TEdit : public TCustomEdit {
    KOV_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

class TCustomMemo;

// The lines of a memo, read and written through its window's line messages (through its text
// while it has no window). A line wrapped by WordWrap counts as a line of its own, as the
// window shows it.
class TMemoStrings : public TStrings {
    KOV_CLASS(TMemoStrings, TStrings)
public:
    explicit TMemoStrings(TCustomMemo* memo = nullptr) : FMemo(memo) {}

    Integer GetCount() const override;
    void Clear() override;
    void Delete(Integer index) override;
    void Insert(Integer index, const String& s) override;
    // The memo's text as it is (lines joined by CR LF, no break added after the last).
    String GetText() const override;
    void SetText(const String& value) override;

protected:
    String Get(Integer index) const override;
    void Put(Integer index, const String& s) override;
    void SetUpdateState(bool updating) override;

private:
    TCustomMemo* FMemo;
};

class TCustomMemo : public TCustomEdit {
    KOV_CLASS(TCustomMemo, TCustomEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;

    TStrings* GetLines() const { return FLines.get(); }
    void SetLines(TStrings* value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool GetWantReturns() const { return FWantReturns; }
    void SetWantReturns(bool value) { FWantReturns = value; }
    bool GetWantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value) { FWantTabs = value; }
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // x: the caret's column, y: its line (0-based). Setting it puts the caret there with nothing
    // selected.
    POINT GetCaretPos() const;
    void SetCaretPos(POINT value);

protected:
    void CreateParams(TCreateParams& params) override;
    void KeyPress(char32_t& key) override;
    void WMGetDlgCode(TMessage& message);

private:
    std::unique_ptr<TMemoStrings> FLines;
    TAlignment FAlignment = taLeftJustify;
    TScrollStyle FScrollBars = ssNone;
    bool FWantReturns = true;
    bool FWantTabs = false;
    bool FWordWrap = true;
};

class TMemo : public TCustomMemo {
    KOV_CLASS(TMemo, TCustomMemo)
public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};
