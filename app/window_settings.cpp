#include "app/window_settings.h"

#include <array>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "collect/run_window.h"
#include "platform/encoding.h"
#include "settings/settings_store.h"

namespace tidewell::app {
namespace {

struct KeptText {
    std::string_view key;
    std::string_view control;
};

// The order of reading and writing; the settings file lists the newest key first.
constexpr std::array<KeptText, 7> kKeptTexts = {{
    {"保存模板", collect::control::kTemplate},
    {"页延时秒", collect::control::kPageDelay},
    {"采集页数", collect::control::kPageLimit},
    {"几条保存", collect::control::kPerFile},
    {"保存目录", collect::control::kSaveDirectory},
    {"评论最少", collect::control::kMinLength},
    {"评论最多", collect::control::kMaxLength},
}};

constexpr std::string_view kSection = "主界面";
constexpr std::string_view kListKey = "列表";

std::string textUpToZero(std::string bytes) {
    if (const std::size_t zero = bytes.find('\0'); zero != std::string::npos) {
        bytes.resize(zero);
    }
    return bytes;
}

}  // namespace

void LoadWindowSettings(MainWindow& window, settings::SettingsStore& store) {
    store.SetSection(platform::local(kSection));
    for (const KeptText& kept : kKeptTexts) {
        window.SetEditText(
            kept.control, store.ReadText(platform::local(kept.key), window.EditText(kept.control)));
    }
    const std::string list = window.EditText(collect::control::kList);
    window.SetEditText(collect::control::kList,
                       textUpToZero(store.ReadBytes(platform::local(kListKey), list)));
}

void SaveWindowSettings(MainWindow& window, settings::SettingsStore& store) {
    store.SetSection(platform::local(kSection));
    for (const KeptText& kept : kKeptTexts) {
        store.WriteText(platform::local(kept.key), window.EditText(kept.control));
    }
    store.WriteBytes(platform::local(kListKey), window.EditText(collect::control::kList));
}

}  // namespace tidewell::app
