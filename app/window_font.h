#pragma once

#include <QFont>

namespace tidewell::app {

// The font of the program's windows: 12 pixels, as the control places are designed for, and a
// family whose own metrics cover Chinese, so that mixed lines sit centred in their boxes.
QFont WindowFont(const QFont& base);

}  // namespace tidewell::app
