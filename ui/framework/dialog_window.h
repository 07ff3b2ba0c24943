// Dialog-template windows as objects: one shared dialog procedure finds the object of a
// window through a hidden marker child and turns each message of interest into a hook.
#pragma once

#include "ui/framework/window_object.h"

#include <cstdint>

namespace tarvenne {

class DialogWindow : public WindowObject {
public:
    // owns_self: delete the object when its window is destroyed. Every window of the
    // program is created with it clear; the owner deletes the object.
    explicit DialogWindow(bool owns_self = false);
    ~DialogWindow() override = default;

    // Hooks, in slot order. Each gets the message's two parameters and returns what the
    // dialog procedure returns for the message.
    virtual INT_PTR OnInitDialog(WPARAM p1, LPARAM p2) { return 1; }
    virtual INT_PTR OnCommand(WPARAM p1, LPARAM p2) { return 0; }
    virtual INT_PTR OnSize(WPARAM p1, LPARAM p2) { return 0; }
    virtual INT_PTR OnEraseBackground(WPARAM p1, LPARAM p2) { return 0; }
    virtual INT_PTR OnDestroy(WPARAM p1, LPARAM p2) { return 0; }
    virtual INT_PTR OnNotify(WPARAM p1, LPARAM p2) { return 0; }
    virtual INT_PTR OnDrawItem(WPARAM p1, LPARAM p2) { return 0; }
    virtual INT_PTR OnCtlColorEdit(WPARAM p1, LPARAM p2) { return 0; }

    // Runs the template modally with this object; the platform's DialogBoxParamA result.
    INT_PTR RunModal(HWND owner, HINSTANCE instance, int template_id);
    // Creates the template as a modeless window (a child when the template says so) and
    // moves it to rect when one is given. 0 on success, -1 when no window was created.
    int CreateModeless(HWND parent, HINSTANCE instance, int template_id, const RECT* rect);
    void Show(bool show);

    bool OwnsSelf() const { return owns_self_ != 0; }

    // The procedure every template of the program runs with.
    static INT_PTR CALLBACK SharedDialogProc(HWND window, UINT message, WPARAM p1, LPARAM p2);

    // The object marker: the object's address as decimal text in hidden child 9999.
    // Write fails (false) for a non-window, a null object or when the child cannot be made.
    static bool WriteObjectMarker(HWND window, DialogWindow* object);
    // Null when the window has no marker or its text is empty.
    static DialogWindow* FromWindow(HWND window);

private:
    std::int32_t owns_self_;
};

}  // namespace tarvenne
