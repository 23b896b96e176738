#pragma once

#include <QPointer>

// A window of its own that the tool window opens on demand: at most one at a time, made on
// first use and made afresh after it has closed (each such window deletes itself on close).
// It is no Qt child of the tool window, since some of them outlive it; whatever is still
// there when the tool window goes is deleted with it.
template <class Window>
class OwnedWindow {
public:
    OwnedWindow() = default;
    ~OwnedWindow() { delete window_.data(); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    // The window, or null while it is not there.
    Window* get() const { return window_.data(); }
    Window* operator->() const { return window_.data(); }
    explicit operator bool() const { return !window_.isNull(); }

    // The window, made by `make` first if it is not there.
    template <class Make>
    Window& open(Make make)
    {
        if (!window_)
            window_ = make();
        return *window_;
    }

private:
    QPointer<Window> window_;
};
