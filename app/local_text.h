#pragma once

#include <QString>
#include <string>
#include <string_view>

// The windows hold QString; everything behind them (the run, the settings store, the files)
// holds local text. These are the only crossings between the two.
namespace tidewell::app {

// Local text to a QString, as it stands.
QString fromLocal(std::string_view local);
// A QString to local text, as it stands.
std::string toLocal(const QString& text);

// Edit boxes keep line breaks as "\n"; the program keeps them as CR LF.
QString fromLocalLines(std::string_view local);
std::string toLocalLines(const QString& text);

}  // namespace tidewell::app
