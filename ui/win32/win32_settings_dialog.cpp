#include "ui/win32/win32_settings_dialog.h"

#include <windows.h>

#include <string>

#include "host/host_abi.h"
#include "ui/dialog_model.h"
#include "ui/dialog_template.h"

namespace k7 {
namespace {

// The controls of one open dialog window.
class Win32DialogControls final : public DialogControls {
  public:
    explicit Win32DialogControls(const std::string& title) : title_(title) {}

    void Attach(HWND dialog) { dialog_ = dialog; }

    void SetText(int id, std::string_view text) override {
        SetDlgItemTextA(dialog_, id, std::string(text).c_str());
    }
    std::string Text(int id) const override {
        const HWND edit = GetDlgItem(dialog_, id);
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextA(edit, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    void FocusEdit(int id) override {
        // The dialog manager's way of moving the focus: the default button
        // follows, and an edit gets its whole text selected.
        const HWND edit = GetDlgItem(dialog_, id);
        SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        SendMessageA(edit, EM_SETSEL, 0, -1);
    }
    void ClearItems(int id) override { SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0); }
    void AddItem(int id, std::string_view label) override {
        const std::string text(label);
        SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Select(int id, int position) override {
        const LRESULT count = SendDlgItemMessageA(dialog_, id, CB_GETCOUNT, 0, 0);
        const bool inList = position >= 0 && position < count;
        SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(inList ? position : -1),
                            0);
    }
    int Selection(int id) const override {
        const LRESULT selected = SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0);
        return selected == CB_ERR ? -1 : static_cast<int>(selected);
    }
    void SetChecked(int id, bool checked) override {
        CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool Checked(int id) const override { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    void ShowMessage(const char* text) override {
        MessageBoxA(dialog_, text, title_.c_str(), MB_ICONEXCLAMATION | MB_OK);
    }

  private:
    const std::string& title_;
    HWND dialog_ = nullptr;
};

struct OpenDialog {
    Win32DialogControls& controls;
    propertiesdlg& model;
};

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* open = reinterpret_cast<OpenDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            open = reinterpret_cast<OpenDialog*>(lParam);
            open->controls.Attach(window);
            // TRUE: the dialog manager focuses the first tab stop, the OK button.
            return open->model.OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            if (open == nullptr) return FALSE;
            // OK comes from the button and from Enter in any edit; IDCANCEL
            // only from Escape (there is no Cancel button and no close box).
            if (LOWORD(wParam) == IDOK) {
                if (open->model.OnOK()) EndDialog(window, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                open->model.OnCancel();
                EndDialog(window, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// The module this code is linked into: the template and bitmaps are its
// resources, whichever process loaded it.
HINSTANCE ThisModule() {
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&DialogProc), &self);
    return self;
}

// The window a dialog created without a parent in the host's own dialog
// framework gets as its owner: the application's main window.
HWND HostTopLevelWindow(void* hostView) {
    const HWND view =
        hostView != nullptr ? ReadField<HWND>(hostView, offsets::kViewWindowHandle) : nullptr;
    if (view != nullptr && IsWindow(view)) return GetAncestor(view, GA_ROOT);
    return GetActiveWindow();
}

}  // namespace

bool Win32SettingsDialog::Run(PendantSettings& settings) {
    Win32DialogControls controls(title_);
    propertiesdlg model(settings, controls);
    OpenDialog open{controls, model};
    // The dialog manager disables the owner for the dialog's life and enables
    // and activates it again at the end: the host cannot change its profile
    // under the dialog, nor ask for a second one through its menus.
    const INT_PTR result = DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(kDialogTemplateId),
                                           HostTopLevelWindow(hostView_), &DialogProc,
                                           reinterpret_cast<LPARAM>(&open));
    return result == IDOK;
}

void Win32SettingsDialog::ShowMessage(const char* text) {
    MessageBoxA(nullptr, text, title_.c_str(), MB_ICONEXCLAMATION | MB_OK);
}

}  // namespace k7
