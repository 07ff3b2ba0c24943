// The shared dialog procedure and the object marker that links a window to its object.
#include "ui/framework/dialog_window.h"

#include "resources/resource_ids.h"
#include "ui/framework/program_instance.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tarvenne {

DialogWindow::DialogWindow(bool owns_self) : owns_self_(owns_self ? 1 : 0) {}

INT_PTR DialogWindow::RunModal(HWND owner, HINSTANCE instance, int template_id) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(static_cast<WORD>(template_id)), owner,
                           &DialogWindow::SharedDialogProc, reinterpret_cast<LPARAM>(this));
}

int DialogWindow::CreateModeless(HWND parent, HINSTANCE instance, int template_id,
                                 const RECT* rect) {
    HWND created = CreateDialogParamA(instance, MAKEINTRESOURCEA(static_cast<WORD>(template_id)),
                                      parent, &DialogWindow::SharedDialogProc,
                                      reinterpret_cast<LPARAM>(this));
    window_ = created;
    if (!IsWindow(created)) return -1;
    if (rect) {
        MoveWindow(created, rect->left, rect->top, rect->right - rect->left,
                   rect->bottom - rect->top, TRUE);
    }
    return 0;
}

void DialogWindow::Show(bool show) { ShowWindow(window_, show ? SW_SHOW : SW_HIDE); }

bool DialogWindow::WriteObjectMarker(HWND window, DialogWindow* object) {
    if (!IsWindow(window) || !object) return false;
    HWND marker = GetDlgItem(window, IDC_OBJECT_MARKER);
    if (!marker) {
        marker = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 0, 0, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OBJECT_MARKER)),
                                 ProgramInstance(), nullptr);
        if (!marker) return false;
    }
    // The whole address, whatever the pointer width: a 64-bit address does not fit "%d".
    char text[32];
    std::snprintf(text, sizeof text, "%llu",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(object)));
    return SetWindowTextA(marker, text) != FALSE;
}

DialogWindow* DialogWindow::FromWindow(HWND window) {
    HWND marker = GetDlgItem(window, IDC_OBJECT_MARKER);
    if (!marker) return nullptr;
    char text[32] = {};
    if (GetWindowTextA(marker, text, sizeof text) <= 0 || text[0] == '\0') return nullptr;
    if (text[0] < '0' || text[0] > '9') return nullptr;  // strtoull would take a sign
    char* end = nullptr;
    errno = 0;
    const unsigned long long address = std::strtoull(text, &end, 10);
    if (errno == ERANGE || *end != '\0' || address == 0) return nullptr;
    if (address > static_cast<unsigned long long>(UINTPTR_MAX)) return nullptr;
    return reinterpret_cast<DialogWindow*>(static_cast<std::uintptr_t>(address));
}

INT_PTR CALLBACK DialogWindow::SharedDialogProc(HWND window, UINT message, WPARAM p1,
                                                LPARAM p2) {
    if (message == WM_INITDIALOG) {
        auto* object = reinterpret_cast<DialogWindow*>(p2);
        if (!object) return 0;
        // A window whose marker cannot be written gets default handling from now on; its
        // object still learns its window, as the creator expects.
        WriteObjectMarker(window, object);
        object->window_ = window;
        return object->OnInitDialog(p1, p2);
    }

    DialogWindow* object = FromWindow(window);
    if (!object) return 0;
    switch (message) {
    case WM_COMMAND: return object->OnCommand(p1, p2);
    case WM_SIZE: return object->OnSize(p1, p2);
    case WM_ERASEBKGND: return object->OnEraseBackground(p1, p2);
    case WM_DESTROY: {
        const INT_PTR result = object->OnDestroy(p1, p2);
        if (object->OwnsSelf()) {
            // The marker outlives this message (children go after their parent): empty it
            // so that no later message can reach the deleted object.
            SetDlgItemTextA(window, IDC_OBJECT_MARKER, "");
            delete object;
        }
        return result;
    }
    case WM_NOTIFY: return object->OnNotify(p1, p2);
    case WM_DRAWITEM: return object->OnDrawItem(p1, p2);
    case WM_CTLCOLOREDIT: return object->OnCtlColorEdit(p1, p2);
    default: return 0;
    }
}

}  // namespace tarvenne
