#pragma once
// An entry of the program's text tables in the user's language as a QString, for the QtCore
// code below the windows (the care of the calibrations and ql50-cli).
#include <QString>
#include <array>
#include <cstddef>

#include "tables/Cp1252.h"
#include "tables/Texte.h"

namespace ql50 {

template <std::size_t W>
QString QTx(const std::array<std::array<char, W>, 2>& field, int language) {
    return QString::fromStdString(Cp1252ToUtf8(Tx(field, language)));
}

}  // namespace ql50
