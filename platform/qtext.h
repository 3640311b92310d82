#pragma once
// The program's text (UTF-8 std::string) handed to Qt, at the boundary where
// a widget or a Qt call wants a QString.
#include <QString>

#include <string>

namespace platform {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace platform
