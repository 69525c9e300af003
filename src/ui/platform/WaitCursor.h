#pragma once

// The busy pointer for work that holds the window for a moment (sorting a long list, preparing
// a preview), shown for the life of the object.

#include <QGuiApplication>

namespace korvo {

class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace korvo
