#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "collect/run_window.h"

namespace tidewell::collect {

// A window without a toolkit: edit boxes are texts in a map, the rest is recorded, and the
// events that a real window would show are handed to callbacks. The headless collector and
// the tests run the collection through it.
class HeadlessWindow : public RunWindow {
public:
    // The design texts of the main window's edit boxes that a run reads.
    HeadlessWindow();

    void SetEditText(std::string_view name, std::string text);

    std::string EditText(std::string_view name) const override;
    std::string StartCaption() const override { return caption_; }
    void SetStartCaption(const std::string& caption) override { caption_ = caption; }
    void SetProgressMaximum(int maximum) override { progressMaximum_ = maximum; }
    void SetProgressPosition(int position) override { progressPosition_ = position; }
    void PlaceLabelOverProgress(int left, int top) override;
    void SetLabelText(const std::string& text) override;
    void SetDisplayText(const std::string& text) override { display_ = text; }
    void PumpEvents() override;
    void ShowTextDialog(const std::string& content, const std::string& prompt,
                        const std::string& title) override;
    int ShowMessage(const std::string& text, int flags, const std::string& title) override;

    int ProgressMaximum() const { return progressMaximum_; }
    int ProgressPosition() const { return progressPosition_; }
    const std::string& LabelText() const { return label_; }
    const std::string& DisplayText() const { return display_; }
    bool LabelOverProgress() const { return labelOverProgress_; }

    // Called on every event pump, label change, text dialog and message box.
    std::function<void()> onPump;
    std::function<void(const std::string& text)> onLabel;
    std::function<void(const std::string& content, const std::string& prompt,
                       const std::string& title)>
        onTextDialog;
    std::function<void(const std::string& text, const std::string& title)> onMessage;

private:
    std::map<std::string, std::string, std::less<>> edits_;
    std::string caption_;
    int progressMaximum_ = 0;
    int progressPosition_ = 0;
    std::string label_;
    std::string display_;
    bool labelOverProgress_ = false;
};

// The design text of the template box: "#地方#(#IP#)的网友#昵称#(#ID#)在 #时间# 说：#评论#".
const std::string& DefaultTemplate();

}  // namespace tidewell::collect
