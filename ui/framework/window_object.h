// The root of the program's window objects: an object that may own a window handle.
#pragma once

#include <windows.h>

namespace tarvenne {

class WindowObject {
public:
    WindowObject() = default;
    virtual ~WindowObject() = default;
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // Kept for the slot layout of the class tree; nothing calls it.
    virtual bool Reserved() { return true; }

    HWND Window() const { return window_; }
    void SetWindow(HWND window) { window_ = window; }

protected:
    // Not owned: the platform destroys the window (with its dialog or its parent); after
    // that the object keeps the stale handle until it goes.
    HWND window_ = nullptr;
};

}  // namespace tarvenne
