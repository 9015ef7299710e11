// A settings store bound to an arbitrary starting file (in file or memory mode) and driven by a
// sequence of changes, reads, typed values, side files and listings, some of them requested
// from inside the store's own pauses as a window event would. After every step the written
// value reads back, results are among the documented codes, and in file mode the file on disk
// holds exactly the text in memory.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "settings/settings_store.h"
#include "settings/stored_files.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

namespace fs = std::filesystem;
using tidewell::settings::DateTime;
using tidewell::settings::SettingsStore;
using tidewell::settings::StoreMode;
namespace codes = tidewell::settings;

// One folder for the whole run, emptied before every input; on tmpfs when there is one, so
// that the store's flushes cost nothing.
const fs::path& workFolder() {
    static const fs::path folder = [] {
        std::error_code ec;
        fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path dir = base / ("tidewell-fuzz-settings-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(workFolder(), ignored);
        });
        return dir;
    }();
    return folder;
}

void emptyWorkFolder() {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(workFolder(), ec)) {
        fs::remove_all(entry.path(), ec);
    }
}

bool hasCrLf(std::string_view text) {
    return text.find("\r\n") != std::string_view::npos;
}

bool isValidDate(const DateTime& t) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12) {
        return false;
    }
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = t.month == 2 && leap ? 29 : kDays[t.month - 1];
    return t.day >= 1 && t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

// A change requested from inside a pause of the store, as a window event handler would.
struct NestedWrite {
    std::string section, key, value;
    bool pending = false;
    std::optional<int> result;
};

class Session {
  public:
    explicit Session(FuzzedDataProvider& input) : in_(input) {}

    void run() {
        const bool fileMode = in_.ConsumeBool();
        const std::string start = in_.ConsumeRandomLengthString(1024);
        path_ = tidewell::platform::localPath(workFolder() / "settings.ini");
        FUZZ_CHECK(tidewell::platform::writeFileAtomic(path_, start));

        tidewell::platform::ScopedEventPump pump([this] { onPump(); });
        FUZZ_CHECK(store_.Bind(path_, fileMode ? StoreMode::File : StoreMode::Memory));
        FUZZ_CHECK(store_.GetText() == start);
        fileMode_ = fileMode;
        std::vector<std::string> found;
        store_.ListSections(found);
        names_.insert(names_.end(), found.begin(), found.end());
        store_.ListKeys(found);
        names_.insert(names_.end(), found.begin(), found.end());

        for (int step = 0; step < 24 && in_.remaining_bytes() > 0; ++step) {
            this->step();
            checkDisk();
        }
    }

  private:
    std::string name() {
        if (!names_.empty() && in_.ConsumeBool()) {
            return names_[in_.ConsumeIntegralInRange<size_t>(0, names_.size() - 1)];
        }
        std::string fresh = in_.ConsumeRandomLengthString(12);
        names_.push_back(fresh);
        return fresh;
    }

    std::string value() { return in_.ConsumeRandomLengthString(24); }

    void onPump() {
        if (!armed_ || !nested_.pending) {
            return;
        }
        nested_.pending = false;
        nested_.result = store_.WriteValue(nested_.section, nested_.key, nested_.value);
    }

    // Runs one operation of the store with the nested write allowed to fire in its pauses.
    template <typename Call>
    auto guarded(Call call) {
        armed_ = true;
        auto result = call();
        armed_ = false;
        return result;
    }

    // After a change that went through the queue: a nested write that came in meanwhile was
    // deferred and then carried out, so nothing is left waiting.
    bool settleNested(bool wasChange) {
        if (!nested_.result) {
            return false;
        }
        const int result = *nested_.result;
        nested_.result.reset();
        if (wasChange) {
            FUZZ_CHECK(result == codes::kDeferred);
        } else {
            FUZZ_CHECK(result ==
                       (hasCrLf(nested_.section) || hasCrLf(nested_.key) || hasCrLf(nested_.value)
                            ? codes::kFailed
                            : codes::kDone));
        }
        FUZZ_CHECK(store_.ProcessQueue() == codes::kFailed);
        return true;
    }

    void checkRead(const std::string& section, const std::string& key,
                   const std::string& expected) {
        FUZZ_CHECK(store_.ReadValue(section, key, "\x01missing") == expected);
    }

    void checkDisk() {
        if (!fileMode_) {
            return;
        }
        const std::optional<std::string> disk = tidewell::platform::readWholeFile(path_);
        FUZZ_CHECK(disk && *disk == store_.GetText());
    }

    void step() {
        switch (in_.ConsumeIntegralInRange<int>(0, 14)) {
            case 0: {
                const std::string s = name(), k = name(), v = value();
                const int r = guarded([&] { return store_.WriteValue(s, k, v); });
                const bool refused = hasCrLf(s) || hasCrLf(k) || hasCrLf(v);
                FUZZ_CHECK(r == (refused ? codes::kFailed : codes::kDone));
                if (!settleNested(true) && !refused) {
                    checkRead(s, k, v);
                }
                break;
            }
            case 1: {
                const std::string s = name(), k = name(), fallback = value();
                const bool emptyIsMissing = in_.ConsumeBool();
                const std::string read =
                    guarded([&] { return store_.ReadValue(s, k, fallback, emptyIsMissing); });
                settleNested(false);
                if (read != fallback) {
                    FUZZ_CHECK(!hasCrLf(read));
                    FUZZ_CHECK(store_.GetText().find(read) != std::string::npos);
                }
                break;
            }
            case 2: {
                const std::string s = name(), k = in_.ConsumeBool() ? std::string() : name();
                const int r = guarded([&] { return store_.DeleteEntry(s, k); });
                settleNested(true);
                FUZZ_CHECK(r == codes::kDone || r == codes::kSectionNotFound ||
                           (r == codes::kKeyNotFound && !k.empty()));
                break;
            }
            case 3: {
                const std::string from = name(), to = name();
                const int r = guarded([&] { return store_.RenameSection(from, to); });
                settleNested(true);
                FUZZ_CHECK(hasCrLf(to) ? r == codes::kFailed
                                       : (r == codes::kDone || r == codes::kSectionNotFound));
                break;
            }
            case 4: {
                const std::string s = name(), from = name(), to = name();
                const int r = guarded([&] { return store_.RenameKey(s, from, to); });
                settleNested(true);
                FUZZ_CHECK(hasCrLf(to) ? r == codes::kFailed
                                       : (r == codes::kDone || r == codes::kSectionNotFound ||
                                          r == codes::kKeyNotFound));
                break;
            }
            case 5: {
                if (in_.ConsumeBool()) {
                    const std::string s = name();
                    const std::string registry = store_.SetSection(s);
                    FUZZ_CHECK(
                        registry.starts_with(tidewell::platform::local("Brenvik软件") + "\\"));
                    FUZZ_CHECK(registry.ends_with(s + "\\"));
                }
                const std::string k = name(), v = value();
                const bool ok = guarded([&] { return store_.WriteText(k, v); });
                const bool nested = settleNested(true);
                FUZZ_CHECK(ok == !(hasCrLf(store_.CurrentSection()) || hasCrLf(k)));
                // A text holding the line-break marker itself, or broken characters next to a
                // line break, is not expected to come back unchanged.
                static const std::string marker = tidewell::platform::local("┊");
                if (ok && !nested && v.find(marker) == std::string::npos &&
                    tidewell::platform::utf8FromLocalStrict(v)) {
                    FUZZ_CHECK(store_.ReadText(k, "\x01missing") == v);
                }
                break;
            }
            case 6: {
                const std::string k = name();
                const double number = in_.ConsumeFloatingPoint<double>();
                guarded([&] { return store_.WriteNumber(k, number); });
                settleNested(true);
                const double back = store_.ReadNumber(k, 0.5);
                FUZZ_CHECK(!std::isnan(back) || std::isnan(number));
                store_.ReadBool(k, in_.ConsumeBool());
                store_.ReadBoolUnlessFalse(k, in_.ConsumeBool());
                const bool flag = in_.ConsumeBool();
                const bool ok = guarded([&] { return store_.WriteBool(k, flag); });
                if (!settleNested(true) && ok) {
                    FUZZ_CHECK(store_.ReadBool(k, !flag) == flag);
                }
                break;
            }
            case 7: {
                const std::string k = name();
                DateTime t;
                t.year = in_.ConsumeIntegralInRange<int>(-2, 10001);
                t.month = in_.ConsumeIntegralInRange<int>(-1, 14);
                t.day = in_.ConsumeIntegralInRange<int>(-1, 32);
                t.hour = in_.ConsumeIntegral<int>();
                t.minute = in_.ConsumeIntegralInRange<int>(-1, 61);
                t.second = in_.ConsumeIntegralInRange<int>(-1, 61);
                const bool ok = guarded([&] { return store_.WriteTime(k, t); });
                if (!settleNested(true) && ok) {
                    DateTime other;
                    other.year = 2000;
                    FUZZ_CHECK(store_.ReadTime(k, other) == (isValidDate(t) ? t : DateTime{}));
                }
                break;
            }
            case 8: {
                const std::string k = name();
                const std::string bytes = value();
                const std::optional<std::string> side =
                    tidewell::settings::detail::sideFilePath(path_, store_.CurrentSection(), k);
                if (side) {
                    // Whatever the section and key hold, the side file lies in the inibin folder.
                    const fs::path p = tidewell::platform::fsPath(*side);
                    FUZZ_CHECK(p.parent_path() == workFolder() / "inibin");
                    FUZZ_CHECK(p.filename() != "." && p.filename() != "..");
                }
                const bool ok = store_.WriteBytes(k, bytes);
                FUZZ_CHECK(!ok || side);
                if (ok && !bytes.empty()) {
                    FUZZ_CHECK(store_.ReadBytes(k, "\x01missing") == bytes);
                }
                break;
            }
            case 9: {
                std::vector<std::string> out;
                const std::string a = name(), b = name(), c = name();
                switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
                    case 0:
                        FUZZ_CHECK(guarded([&] { return store_.ListSections(out, a, b); }) ==
                                   static_cast<int>(out.size()));
                        break;
                    case 1:
                        FUZZ_CHECK(guarded([&] {
                                       return store_.ListKeys(out, a, b, c, name(), name());
                                   }) == static_cast<int>(out.size()));
                        break;
                    case 2:
                        FUZZ_CHECK(guarded([&] { return store_.SectionsWithKey(a, out); }) ==
                                   static_cast<int>(out.size()));
                        break;
                    default:
                        FUZZ_CHECK(guarded([&] { return store_.KeysWithValue(a, out, b); }) ==
                                   static_cast<int>(out.size()));
                        break;
                }
                settleNested(false);
                names_.insert(names_.end(), out.begin(), out.end());
                break;
            }
            case 10: {
                const auto size = static_cast<std::ptrdiff_t>(store_.GetText().size());
                const std::ptrdiff_t from =
                    in_.ConsumeIntegralInRange<std::ptrdiff_t>(-2, size + 2);
                const std::ptrdiff_t to = in_.ConsumeIntegralInRange<std::ptrdiff_t>(-2, size + 2);
                const std::ptrdiff_t at = store_.FindHeaderBetween(from, to);
                if (at != -1) {
                    const std::string& text = store_.GetText();
                    FUZZ_CHECK(at >= 2 && at < size && text[static_cast<size_t>(at)] == '[');
                    FUZZ_CHECK(text.compare(static_cast<size_t>(at) - 2, 2, "\r\n") == 0);
                }
                break;
            }
            case 11: {
                const bool append = in_.ConsumeBool();
                const std::string more = in_.ConsumeRandomLengthString(64);
                const std::string expected = (append ? store_.GetText() : std::string()) + more;
                store_.SetText(more, append);
                FUZZ_CHECK(store_.GetText() == expected);
                break;
            }
            case 12: {
                const std::string before = store_.GetText();
                FUZZ_CHECK(store_.SaveAs());
                store_.Reload();
                FUZZ_CHECK(store_.GetText() == before);
                break;
            }
            case 13: {
                nested_.section = name();
                nested_.key = name();
                nested_.value = value();
                nested_.pending = true;
                nested_.result.reset();
                break;
            }
            default:
                FUZZ_CHECK(store_.ProcessQueue() == codes::kFailed);
                break;
        }
    }

    FuzzedDataProvider& in_;
    SettingsStore store_;
    std::string path_;
    bool fileMode_ = false;
    bool armed_ = false;
    NestedWrite nested_;
    std::vector<std::string> names_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    emptyWorkFolder();
    FuzzedDataProvider input(data, size);
    Session(input).run();
    return 0;
}
