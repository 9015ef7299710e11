#include "collect/headless_window.h"

#include "collect/collection_run.h"
#include "platform/encoding.h"

namespace tidewell::collect {

const std::string& DefaultTemplate() {
    static const std::string text =
        platform::local("#地方#(#IP#)的网友#昵称#(#ID#)在 #时间# 说：#评论#");
    return text;
}

HeadlessWindow::HeadlessWindow() : caption_(IdleCaption()) {
    SetEditText(control::kList, std::string());
    SetEditText(control::kTemplate, DefaultTemplate());
    SetEditText(control::kPageDelay, "0");
    SetEditText(control::kPageLimit, platform::local("全部"));
    SetEditText(control::kPerFile, platform::local("全部"));
    SetEditText(control::kSaveDirectory, platform::local("不填则当前程序目录"));
    SetEditText(control::kMinLength, "0");
    SetEditText(control::kMaxLength, "200");
}

void HeadlessWindow::SetEditText(std::string_view name, std::string text) {
    edits_.insert_or_assign(std::string(name), std::move(text));
}

std::string HeadlessWindow::EditText(std::string_view name) const {
    auto it = edits_.find(name);
    return it == edits_.end() ? std::string() : it->second;
}

void HeadlessWindow::PlaceLabelOverProgress(int /*left*/, int /*top*/) {
    labelOverProgress_ = true;
}

void HeadlessWindow::SetLabelText(const std::string& text) {
    label_ = text;
    if (onLabel) {
        onLabel(text);
    }
}

void HeadlessWindow::PumpEvents() {
    if (onPump) {
        onPump();
    }
}

void HeadlessWindow::ShowTextDialog(const std::string& content, const std::string& prompt,
                                    const std::string& title) {
    if (onTextDialog) {
        onTextDialog(content, prompt, title);
    }
}

int HeadlessWindow::ShowMessage(const std::string& text, int /*flags*/, const std::string& title) {
    if (onMessage) {
        onMessage(text, title);
    }
    return 1;
}

}  // namespace tidewell::collect
