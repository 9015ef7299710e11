#pragma once

#include <memory>
#include <string>

#include "app/shell.h"
#include "app/text_dialog.h"
#include "collect/collection_run.h"
#include "platform/event_pump.h"
#include "settings/settings_store.h"

class QApplication;

namespace tidewell::app {

class MainWindow;
class QtRunWindow;

// The program as a whole. Creating it binds the settings store to the settings file in the
// given program directory, creates the main window with its settings loaded and binds the
// window's events (start button, save controls, close); destroying it releases everything in
// reverse order. Tests create it on a temporary folder.
class Program {
  public:
    explicit Program(std::string programDirectory);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // "<program directory>/Brenvik·Tidewell.ini", local text.
    static std::string SettingsPath(const std::string& programDirectory);

    MainWindow& window() { return *window_; }
    Shell& shell() { return shell_; }
    TextDialogs& dialogs() { return dialogs_; }
    settings::SettingsStore& store() { return store_; }
    collect::RunContext& runContext() { return runContext_; }
    collect::RunWindow& runWindow();

  private:
    settings::SettingsStore store_;
    Shell shell_;
    TextDialogs dialogs_{shell_};
    collect::RunContext runContext_;
    platform::ScopedEventPump eventPump_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QtRunWindow> runWindow_;
};

// Start-up, the message loop and shut-down; returns 0 when the main window has closed.
int RunProgram(QApplication& application, std::string programDirectory);

}  // namespace tidewell::app
