#pragma once

namespace tidewell::settings {
class SettingsStore;
}

namespace tidewell::app {

class MainWindow;

// The main window's eight kept texts, in the section 主界面: seven text keys in the settings
// file and the address list as bytes in its side file. A missing value leaves the control's
// current (design) text in place; nothing is checked or converted on the way.
void LoadWindowSettings(MainWindow& window, settings::SettingsStore& store);
void SaveWindowSettings(MainWindow& window, settings::SettingsStore& store);

}  // namespace tidewell::app
