#pragma once
// Windows-1252 texts of the tables and files, shown in Qt controls.
#include <QString>
#include <string_view>

#include "tables/Cp1252.h"

namespace ql50 {

inline QString Qs(std::string_view cp1252) {
    return QString::fromStdString(Cp1252ToUtf8(cp1252));
}

}  // namespace ql50
