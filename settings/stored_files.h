#pragma once

#include <optional>
#include <string>
#include <string_view>

// The files around the settings text: the settings file itself, the side files of binary values
// and the per-key files that stand in for the registry. Paths are local text.
namespace tidewell::settings::detail {

// The whole file when it is a regular file that can be read; std::nullopt otherwise.
std::optional<std::string> readSettingsFile(const std::string& localPath);

// Removes temporary files that interrupted writes left beside the settings file and in its
// side-file folder. Only the holder of the settings file's lock may call it.
void removeStaleTemporaries(const std::string& settingsPath);

// The part after the last "/", cut before its last "." (kept whole when it has none).
std::string baseName(std::string_view path);

// True when the text can be part of a file name on every system the settings may travel to:
// none of \ / : * ? " < > | and no control character (walked character by character, so the
// second byte of a two-byte character never counts).
bool isFileNamePart(std::string_view text);

// "<folder of the bound path>/inibin/<section>-<key>.ibn" ("inibin/..." when the bound path
// has no folder); std::nullopt when the section or key cannot be part of a file name.
std::optional<std::string> sideFilePath(std::string_view boundPath, std::string_view section,
                                        std::string_view key);

// Registry mode: the values of the registry path "A\B\C\" live in the file
// "$XDG_CONFIG_HOME/A/B/C.ini" (default ~/.config), as entries of the section named by the
// whole registry path. std::nullopt when there is no such place.
std::optional<std::string> registryFilePath(std::string_view registryPath);
std::optional<std::string> readRegistryValue(const std::string& registryPath,
                                             const std::string& name);
bool writeRegistryValue(const std::string& registryPath, const std::string& name,
                        const std::string& value);

}  // namespace tidewell::settings::detail
