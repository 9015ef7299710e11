// The typed operations of SettingsStore: texts with line breaks, numbers, booleans and
// date-times as values of the current section, and binary values in side files.

#include <filesystem>
#include <system_error>

#include "platform/event_pump.h"
#include "platform/files.h"
#include "settings/ini_text.h"
#include "settings/settings_store.h"
#include "settings/stored_files.h"
#include "settings/value_forms.h"

namespace tidewell::settings {

std::optional<std::string> SettingsStore::readStored(const std::string& key) {
    if (mode_ == StoreMode::Registry) {
        return detail::readRegistryValue(registryPath_, key);
    }
    static const detail::Yield yield = [] { platform::pumpEvents(); };
    return detail::lookupValue(text_, section_, key, yield);
}

bool SettingsStore::writeStored(const std::string& key, const std::string& stored) {
    if (mode_ == StoreMode::Registry) {
        return detail::writeRegistryValue(registryPath_, key, stored);
    }
    return WriteValue(section_, key, stored) == kDone;
}

std::optional<std::string> SettingsStore::sideFilePath(const std::string& key) const {
    return detail::sideFilePath(boundPath_, section_, key);
}

bool SettingsStore::mayWriteFiles() const {
    // In file mode only the holder of the settings file's lock writes beside it; a second copy
    // of the program would otherwise overwrite the first one's side files.
    return mode_ != StoreMode::File || handle_ == Handle::Disk;
}

std::string SettingsStore::ReadBytes(const std::string& key, const std::string& defaultBytes) {
    std::optional<std::string> path = sideFilePath(key);
    if (!path) {
        return defaultBytes;
    }
    std::optional<std::string> bytes = detail::readSettingsFile(*path);
    if (!bytes || bytes->empty()) {
        return defaultBytes;
    }
    return std::move(*bytes);
}

bool SettingsStore::WriteBytes(const std::string& key, const std::string& bytes) {
    std::optional<std::string> path = sideFilePath(key);
    if (!path || !mayWriteFiles()) {
        return false;
    }
    // Only the inibin folder itself is created; its parent is the settings file's folder.
    const std::filesystem::path folder = platform::fsPath(*path).parent_path();
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        return false;
    }
    return platform::writeFileAtomic(*path, bytes);
}

bool SettingsStore::WriteText(const std::string& key, const std::string& value) {
    return writeStored(key, escapeLineBreaks(value));
}

std::string SettingsStore::ReadText(const std::string& key, const std::string& defaultValue) {
    std::optional<std::string> stored = readStored(key);
    return stored ? unescapeLineBreaks(*stored) : defaultValue;
}

bool SettingsStore::WriteNumber(const std::string& key, double value) {
    return writeStored(key, formatNumber(value));
}

double SettingsStore::ReadNumber(const std::string& key, double defaultValue) {
    std::optional<std::string> stored = readStored(key);
    return stored ? parseLeadingNumber(*stored) : defaultValue;
}

bool SettingsStore::WriteBool(const std::string& key, bool value) {
    return writeStored(key, value ? trueText() : falseText());
}

bool SettingsStore::ReadBool(const std::string& key, bool defaultValue) {
    std::optional<std::string> stored = readStored(key);
    return stored ? *stored == trueText() : defaultValue;
}

bool SettingsStore::ReadBoolUnlessFalse(const std::string& key, bool defaultValue) {
    std::optional<std::string> stored = readStored(key);
    return stored ? *stored != falseText() : defaultValue;
}

bool SettingsStore::WriteTime(const std::string& key, const DateTime& value) {
    return writeStored(key, formatDateTime(value));
}

DateTime SettingsStore::ReadTime(const std::string& key, const DateTime& defaultValue) {
    std::optional<std::string> stored = readStored(key);
    return stored ? parseDateTime(*stored).value_or(DateTime{}) : defaultValue;
}

}  // namespace tidewell::settings
