#pragma once

#include <map>

#include <QPainterPath>
#include <QString>

namespace orvane::Icons {

// The outlines behind Icons: symbol name -> filled path in a 24 x 24 box, holes cut out
// (odd-even fill).
// Built once, on first use.
const std::map<QString, QPainterPath>& symbolTable();

} // namespace orvane::Icons
