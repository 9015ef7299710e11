#pragma once

#include <string>
#include <string_view>

#include "collect/run_window.h"

namespace tidewell::app {

class MainWindow;
class Shell;
class TextDialogs;

// The collection run's view of the main window. Pending events run through
// QCoreApplication::processEvents(), so a run keeps the window responsive and a second press of
// the start button reaches CollectionRun as a nested call.
class QtRunWindow : public collect::RunWindow {
  public:
    QtRunWindow(MainWindow& window, Shell& shell, TextDialogs& dialogs);

    std::string EditText(std::string_view name) const override;
    std::string StartCaption() const override;
    void SetStartCaption(const std::string& caption) override;
    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;
    void PlaceLabelOverProgress(int left, int top) override;
    void SetLabelText(const std::string& text) override;
    void SetDisplayText(const std::string& text) override;
    void PumpEvents() override;
    void ShowTextDialog(const std::string& content, const std::string& prompt,
                        const std::string& title) override;
    // A run that outlives its window (closed during the run) ends without a message box.
    int ShowMessage(const std::string& text, int flags, const std::string& title) override;

  private:
    MainWindow& window_;
    Shell& shell_;
    TextDialogs& dialogs_;
};

}  // namespace tidewell::app
