#pragma once

#include <string>
#include <string_view>

// What a collection run needs of its window, and nothing more. The desktop program implements
// it with Qt widgets; the headless collector and the tests implement it without a toolkit.
// Control names are the widgets' object names (UTF-8); every text is local text.
namespace tidewell::collect {

namespace control {
inline constexpr std::string_view kList = "编辑框列表";
inline constexpr std::string_view kTemplate = "编辑框保存模板";
inline constexpr std::string_view kPageDelay = "编辑框页延时秒";
inline constexpr std::string_view kPageLimit = "编辑框采集页数";
inline constexpr std::string_view kPerFile = "编辑框几条保存";
inline constexpr std::string_view kSaveDirectory = "编辑框保存目录";
inline constexpr std::string_view kMinLength = "编辑框评论最少字数";
inline constexpr std::string_view kMaxLength = "编辑框评论最多字数";
}  // namespace control

class RunWindow {
public:
    virtual ~RunWindow() = default;

    // The current text of the edit box with this object name.
    virtual std::string EditText(std::string_view name) const = 0;

    // Caption of the start button 按钮开始采集.
    virtual std::string StartCaption() const = 0;
    virtual void SetStartCaption(const std::string& caption) = 0;

    // The progress bar 进度条.
    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;

    // The label 透明标签: made a child of the progress bar at (left, top) inside it, and its text.
    virtual void PlaceLabelOverProgress(int left, int top) = 0;
    virtual void SetLabelText(const std::string& text) = 0;

    // The read-only display box 编辑框显示.
    virtual void SetDisplayText(const std::string& text) = 0;

    // Lets pending window events run; a stop press arrives from in here.
    virtual void PumpEvents() = 0;

    // The text dialog in view mode, modal, for the preview.
    virtual void ShowTextDialog(const std::string& content, const std::string& prompt,
                                const std::string& title) = 0;

    // The message box helper: flags as the message-box style bits, empty title for the default.
    virtual int ShowMessage(const std::string& text, int flags, const std::string& title) = 0;
};

}  // namespace tidewell::collect
