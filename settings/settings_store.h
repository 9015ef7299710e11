#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/control_access.h"
#include "settings/date_time.h"
#include "settings/file_lock.h"

// The program's settings: named sections of key=value lines in an INI-style file, kept as the
// file's bytes in memory and searched by exact byte comparison every time. In file mode the
// file on disk is rewritten as a whole after every change (temporary file, flush, rename), so it
// always holds one complete state. All texts are local text (GB18030 bytes).
namespace tidewell::settings {

enum class StoreMode { File = 0, Memory = 1, Registry = 2 };

// Result codes of the changing operations.
inline constexpr int kDone = 0;
inline constexpr int kSectionNotFound = 1;
inline constexpr int kKeyNotFound = 2;
inline constexpr int kDeferred = 3;  // queued while the store was busy; carried out later
inline constexpr int kFailed = -1;   // failed, or (ProcessQueue) nothing queued

class SettingsStore {
  public:
    // The store's message box; returns the pressed button.
    using MessageHook =
        std::function<int(const std::string& text, int flags, const std::string& title)>;

    SettingsStore() = default;
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // --- file level -----------------------------------------------------------------------

    // Releases the file (and its lock) and empties the text.
    void CloseFile();
    // Loads the file into the text and opens it: in file mode by taking the single-writer lock
    // (the companion "<file>.lock", see file_lock.h) and creating the file when it is missing;
    // in memory mode by keeping a memory copy. True when a file is open afterwards. A file that
    // another store holds is still read, but stays closed for this one.
    bool OpenFile(const std::string& fileName, bool memory);
    // Replaces the text by the current bytes of the loaded file (unchanged when unreadable).
    void Reload();
    // Carries out the queued changes, oldest first; the result of the first one, kFailed when
    // the queue is empty, kDeferred when called while the queue is already being worked off.
    int ProcessQueue();

    // --- raw values -----------------------------------------------------------------------

    // Sets a key's value; a new key goes directly under its section's header, a new section
    // at the end of the text. A section, key or value holding CR LF is refused with kFailed.
    int WriteValue(const std::string& section, const std::string& key, const std::string& value,
                   bool immediate = false);
    std::string ReadValue(const std::string& section, const std::string& key,
                          const std::string& defaultValue = std::string(),
                          bool emptyIsMissing = false);
    // Position of the "[" of the first header line whose preceding CR LF starts in [from, to),
    // or -1.
    std::ptrdiff_t FindHeaderBetween(std::ptrdiff_t from, std::ptrdiff_t to) const;
    // Deletes a key, or with an empty key the whole section.
    int DeleteEntry(const std::string& section, const std::string& key, bool immediate = false);
    int RenameSection(const std::string& oldName, const std::string& newName,
                      bool immediate = false);
    int RenameKey(const std::string& section, const std::string& oldKey, const std::string& newKey,
                  bool immediate = false);

    // Writes the whole text to path (the loaded file when empty) through a temporary file.
    // Refused when another store holds that file's lock.
    bool SaveAs(const std::string& path = std::string());
    const std::string& GetText() const { return text_; }
    // Replaces (or with append extends) the text, outside the change queue; written through.
    void SetText(const std::string& text, bool append = false);

    // --- listings -------------------------------------------------------------------------

    int SectionsWithKey(const std::string& key, std::vector<std::string>& out);
    int KeysWithValue(const std::string& valueStart, std::vector<std::string>& out,
                      const std::string& section = std::string());
    int ListSections(std::vector<std::string>& out, const std::string& mustContain = std::string(),
                     const std::string& mustNotContain = std::string());
    int ListKeys(std::vector<std::string>& out, const std::string& keyMustContain = std::string(),
                 const std::string& keyMustNotContain = std::string(),
                 const std::string& sectionSwitch = std::string(),
                 const std::string& headerMustContain = std::string(),
                 const std::string& headerMustNotContain = std::string());

    // --- binding and current section ------------------------------------------------------

    bool Bind(const std::string& path, StoreMode mode);
    // Sets the section of the typed and control operations; returns the registry path
    // "Brenvik软件\<base name of the bound path>\<section>\".
    std::string SetSection(const std::string& section);
    const std::string& GetPath() const { return boundPath_; }
    const std::string& CurrentSection() const { return section_; }
    StoreMode Mode() const { return mode_; }

    // --- typed values (current section) ---------------------------------------------------

    // Binary values live in the side file "<folder of the bound path>/inibin/<section>-<key>.ibn".
    std::string ReadBytes(const std::string& key, const std::string& defaultBytes);
    bool WriteBytes(const std::string& key, const std::string& bytes);
    bool WriteText(const std::string& key, const std::string& value);
    std::string ReadText(const std::string& key, const std::string& defaultValue);
    bool WriteNumber(const std::string& key, double value);
    double ReadNumber(const std::string& key, double defaultValue);
    bool WriteBool(const std::string& key, bool value);
    bool ReadBool(const std::string& key, bool defaultValue);
    bool ReadBoolUnlessFalse(const std::string& key, bool defaultValue);
    bool WriteTime(const std::string& key, const DateTime& value);
    DateTime ReadTime(const std::string& key, const DateTime& defaultValue);

    // --- controls and windows (current section) -------------------------------------------

    bool SaveMenuItem(Control& item);
    bool LoadMenuItem(Control& item);
    bool SaveCheckBox(Control& box);
    bool LoadCheckBox(Control& box);
    bool SaveEditBox(Control& box, bool bytesMode = false);
    void LoadEditBox(Control& box, bool bytesMode = false);
    void SaveCheckList(Control& list, bool withSelection = true);
    void LoadCheckList(Control& list, bool withSelection = true);
    bool SaveComboItems(Control& combo);
    void LoadComboItems(Control& combo);
    void SaveListBox(Control& list, bool withSelection = true);
    void LoadListBox(Control& list, bool withSelection = true);
    bool SaveComboSelection(Control& combo);
    void LoadComboSelection(Control& combo);
    bool SaveComboContent(Control& combo);
    void LoadComboContent(Control& combo);
    bool SaveButtonTag(Control& button, bool bytesMode = false);
    void LoadButtonTag(Control& button, bool bytesMode = false);
    bool SaveColourPicker(Control& picker);
    void LoadColourPicker(Control& picker);
    bool SaveRadioButton(Control& button);
    bool LoadRadioButton(Control& button);
    // Saves (restore false) or loads every control of the window whose name tells its kind.
    void PersistControls(Window& window, bool restore, const std::string& section = std::string(),
                         const std::vector<std::string>& excludedNames = {},
                         bool comboItems = false, bool comboContent = false);
    // The window's placement state, place and size in the section "<name or 主界面>.尺寸".
    void SaveWindowGeometry(Window& window, const std::string& name = std::string());
    void LoadWindowGeometry(Window& window, const std::string& name = std::string());

    // --- messages -------------------------------------------------------------------------

    void SetMessageHook(MessageHook hook) { messageHook_ = std::move(hook); }
    // Shows a message through the hook: the title "Brenvik：" when none is given, the
    // system-modal flag added, and the information icon when the flags name no icon.
    int StoreMessage(const std::string& text, int flags, const std::string& title);

  private:
    enum class ChangeKind { Write = 0, Delete = 1, RenameSection = 2, RenameKey = 3 };
    struct ChangeRequest {
        ChangeKind kind;
        std::string first;
        std::string second;
        std::string third;
    };
    // What the text is held against: nothing, the locked file on disk, or a memory copy.
    enum class Handle { None, Disk, Memory };

    int enqueue(ChangeRequest request);
    int carryOut(const ChangeRequest& request);
    // Puts the text on disk after a change; when that fails, the text goes back to the last
    // state the disk holds and the change counts as failed.
    bool commit();

    std::optional<std::string> readStored(const std::string& key);
    bool writeStored(const std::string& key, const std::string& stored);
    std::optional<std::string> sideFilePath(const std::string& key) const;
    bool mayWriteFiles() const;

    std::string text_;
    std::string committed_;  // what the file on disk holds (file mode)
    Handle handle_ = Handle::None;
    std::optional<FileLock> lock_;
    std::string fileName_;
    bool busy_ = false;
    std::deque<ChangeRequest> queue_;
    std::string boundPath_;
    std::string section_;
    StoreMode mode_ = StoreMode::File;
    std::string registryPath_;
    MessageHook messageHook_;
};

}  // namespace tidewell::settings
