#pragma once

#include <QString>
#include <QWidget>

namespace tidewell::app::testing {

// The window's widget with this object name; a test without it cannot go on.
template <typename T>
T* child(QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(QString::fromUtf8(name));
    if (widget == nullptr) {
        qFatal("no control %s", name);
    }
    return widget;
}

}  // namespace tidewell::app::testing
