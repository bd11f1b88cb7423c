// Creation of Qt objects owned by Qt's object tree.
#pragma once

#include <QObject>
#include <QWidget>

#include <memory>
#include <type_traits>
#include <utility>

namespace netpanel::qt {

// Creates a T and hands it to `parent`, which deletes it with itself (the object tree is the
// owner). Returns the object for wiring.
template <class T, class... Args>
T& ownedBy(QObject& parent, Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    if constexpr (std::is_base_of_v<QWidget, T>) {
        object->setParent(&dynamic_cast<QWidget&>(parent));
    } else {
        object->setParent(&parent);
    }
    return *object.release();
}

}  // namespace netpanel::qt
