#include "platform/classlib/MsgDlg.h"

#include <algorithm>
#include <memory>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/MsgBox.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Cursor.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/SysMetrics.h"

namespace {

struct TButtonInfo {
    const char* Name;
    const char* Caption;
    TModalResult Result;
};

const TButtonInfo kButtons[] = {
    {"Yes", "&Yes", mrYes},          {"No", "&No", mrNo},
    {"OK", "OK", mrOk},              {"Cancel", "Cancel", mrCancel},
    {"Abort", "&Abort", mrAbort},    {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore}, {"All", "&All", mrAll},
    {"NoToAll", "N&o to All", mrNoToAll}, {"YesToAll", "Yes to &All", mrYesToAll},
    {"Help", "&Help", mrNone},
};

String CaptionOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    case mtCustom: break;
    }
    return Application->GetTitle();
}

LPCSTR IconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return IDI_WARNING;
    case mtError: return IDI_ERROR;
    case mtInformation: return IDI_INFORMATION;
    case mtConfirmation: return IDI_QUESTION;
    case mtCustom: break;
    }
    return nullptr;
}

constexpr Integer kMargin = 8;
constexpr Integer kIconSpacing = 10;
constexpr Integer kButtonWidth = 75;
constexpr Integer kButtonHeight = 25;
constexpr Integer kButtonSpacing = 8;
constexpr Integer kTextButtonSpacing = 12;

using TMessageBoxFunction = int (*)(const String&, const String&, UINT);

Integer ShowDialog(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer x, Integer y) {
    std::unique_ptr<TForm> dialog(CreateMessageDialog(msg, dlgType, buttons));
    if (x >= 0) dialog->SetLeft(x);
    if (y >= 0) dialog->SetTop(y);
    if (x < 0 || y < 0) dialog->SetPosition(poScreenCenter);
    const Integer result = dialog->ShowModal();
    // The screen must not keep pointing at one of the dialog's buttons once they are freed.
    TWinControl* active = Screen->GetActiveControl();
    if (active != nullptr && GetParentForm(active) == dialog.get()) dialog->SetFocusedControl(dialog.get());
    return result;
}

} // namespace

UINT MessageDlgFlags(TMsgDlgType dlgType, TMsgDlgButtons buttons, bool* exact) {
    struct TKind {
        TMsgDlgButtons Buttons;
        UINT Flags;
    };
    // Largest first, so a set that is none of them is asked with the largest it contains.
    static const TKind kinds[] = {
        {{mbYes, mbNo, mbCancel}, MB_YESNOCANCEL},
        {{mbAbort, mbRetry, mbIgnore}, MB_ABORTRETRYIGNORE},
        {{mbYes, mbNo}, MB_YESNO},
        {{mbOK, mbCancel}, MB_OKCANCEL},
        {{mbRetry, mbCancel}, MB_RETRYCANCEL},
        {{mbOK}, MB_OK},
    };
    UINT flags = MB_OK;
    bool found = false;
    for (const TKind& kind : kinds) {
        if (buttons == kind.Buttons) {
            flags = kind.Flags;
            found = true;
            break;
        }
    }
    if (!found) {
        for (const TKind& kind : kinds) {
            if ((buttons.Mask() & kind.Buttons.Mask()) == kind.Buttons.Mask()) {
                flags = kind.Flags;
                break;
            }
        }
    }
    if (exact != nullptr) *exact = found;
    switch (dlgType) {
    case mtWarning: flags |= MB_ICONWARNING; break;
    case mtError: flags |= MB_ICONERROR; break;
    case mtInformation: flags |= MB_ICONINFORMATION; break;
    case mtConfirmation: flags |= MB_ICONQUESTION; break;
    case mtCustom: break;
    }
    return flags;
}

TForm* CreateMessageDialog(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons) {
    TForm* form = TForm::CreateNew(Application);
    try {
        form->SetBorderStyle(bsDialog);
        form->SetCaption(CaptionOf(dlgType));
        form->SetPosition(poScreenCenter);

        // The text, wrapped at half the screen's width.
        auto* label = new TLabel(form);
        label->SetName("Message");
        label->SetParent(form);
        label->SetWordWrap(true);
        label->SetCaption(msg);
        const Integer maxTextWidth = std::max<Integer>(GetSystemMetrics(SM_CXSCREEN) / 2, 200);
        TRect textRect{0, 0, maxTextWidth, 0};
        {
            HDC dc = CreateCompatibleDC(nullptr);
            TCanvas canvas;
            canvas.SetHandle(dc);
            canvas.GetFont()->Assign(label->GetFont());
            canvas.TextRect(textRect, msg.empty() ? String(" ") : msg,
                            TTextFormat{tfCalcRect, tfWordBreak, tfExpandTabs});
            canvas.SetHandle(nullptr);
            DeleteDC(dc);
        }
        const Integer textWidth = textRect.right - textRect.left;
        const Integer textHeight = textRect.bottom - textRect.top;

        Integer iconWidth = 0;
        Integer iconHeight = 0;
        if (LPCSTR iconName = IconOf(dlgType)) {
            auto* image = new TImage(form);
            image->SetName("Image");
            image->SetParent(form);
            image->GetPicture()->GetIcon()->SetHandle(LoadIconA(nullptr, iconName));
            iconWidth = 32;
            iconHeight = 32;
            image->SetBounds(kMargin, kMargin, iconWidth, iconHeight);
        }

        std::vector<TButton*> made;
        const TMsgDlgBtn defaultButton = buttons.Contains(mbOK) ? mbOK : mbYes;
        const TMsgDlgBtn cancelButton = buttons.Contains(mbCancel) ? mbCancel
                                        : buttons.Contains(mbNo)   ? mbNo
                                                                   : mbOK;
        for (int b = mbYes; b <= mbHelp; ++b) {
            const auto kind = TMsgDlgBtn(b);
            if (!buttons.Contains(kind)) continue;
            auto* button = new TButton(form);
            button->SetName(kButtons[b].Name);
            button->SetParent(form);
            button->SetCaption(kButtons[b].Caption);
            button->SetModalResult(kButtons[b].Result);
            if (kind == defaultButton) button->SetDefault(true);
            if (kind == cancelButton) button->SetCancel(true);
            made.push_back(button);
        }
        if (!made.empty() && made.front()->GetDefault() == false) {
            // Without OK or Yes the first button is the default.
            bool any = false;
            for (TButton* button : made) any = any || button->GetDefault();
            if (!any) made.front()->SetDefault(true);
        }

        const Integer buttonsWidth =
            Integer(made.size()) * kButtonWidth + std::max<Integer>(Integer(made.size()) - 1, 0) * kButtonSpacing;
        const Integer textLeft = kMargin + (iconWidth > 0 ? iconWidth + kIconSpacing : 0);
        const Integer contentWidth = std::max(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin);
        const Integer bodyHeight = std::max(iconHeight, textHeight);
        const Integer clientHeight = kMargin + bodyHeight + kTextButtonSpacing + kButtonHeight + kMargin;
        form->SetClientWidth(contentWidth);
        form->SetClientHeight(clientHeight);
        label->SetBounds(textLeft, kMargin + std::max<Integer>((iconHeight - textHeight) / 2, 0), textWidth,
                         textHeight);
        Integer x = (contentWidth - buttonsWidth) / 2;
        const Integer y = kMargin + bodyHeight + kTextButtonSpacing;
        for (TButton* button : made) {
            button->SetBounds(x, y, kButtonWidth, kButtonHeight);
            x += kButtonWidth + kButtonSpacing;
        }
        for (TButton* button : made) {
            if (button->GetDefault()) {
                form->SetActiveControl(button);
                break;
            }
        }
    } catch (...) {
        delete form;
        throw;
    }
    return form;
}

Integer MessageDlgPos(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer helpCtx, Integer x,
                      Integer y) {
    bool exact = false;
    const UINT flags = MessageDlgFlags(dlgType, buttons, &exact);
    // The prompt service asks first (a test's script answers there); when it comes to showing,
    // this one-time presenter shows the dialog itself.
    bool presented = false;
    TPromptPresenter previous;
    TPromptPresenter dialogPresenter = [&](const String& text, const String& caption, UINT boxFlags) -> int {
        presented = true;
        SetPromptPresenter(previous);
        if (!previous) return PlatformMessageBox(text, caption, boxFlags);
        const auto* function = previous.target<TMessageBoxFunction>();
        if (function == nullptr || *function != &ShowDrawnMessageBox) return previous(text, caption, boxFlags);
        return ShowDialog(msg, dlgType, buttons, x, y);
    };
    previous = SetPromptPresenter(dialogPresenter);
    Integer result;
    try {
        result = PlatformMessageBox(msg, CaptionOf(dlgType), flags);
    } catch (...) {
        if (!presented) SetPromptPresenter(previous);
        throw;
    }
    if (!presented) SetPromptPresenter(previous);
    return result;
}

Integer MessageDlg(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer helpCtx) {
    return MessageDlgPos(msg, dlgType, buttons, helpCtx, -1, -1);
}

void ShowMessage(const String& msg) { MessageDlg(msg, mtCustom, TMsgDlgButtons{mbOK}, 0); }

namespace {
struct TMsgDlgTypes {
    TMsgDlgTypes() {
        RegisterEnum<TMsgDlgType>("TMsgDlgType", {"mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom"});
        RegisterEnum<TMsgDlgBtn>("TMsgDlgBtn", {"mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore",
                                                "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"});
        RegisterTypeName<TMsgDlgButtons>("TMsgDlgButtons");
    }
};
const TMsgDlgTypes kMsgDlgTypes;
} // namespace
