#pragma once

#include <QObject>

#include <stdexcept>
#include <string>

// A controller of the main window, found among the window's children as the program made it
// (one of each kind). Throws when the window has none, so the test fails there.
template <class T> T& part(const QObject& window)
{
    T* found = window.findChild<T*>();
    if (found == nullptr)
        throw std::logic_error(std::string("the window has no ") + T::staticMetaObject.className());
    return *found;
}
