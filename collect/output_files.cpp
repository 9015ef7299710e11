#include "collect/output_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "collect/text/duplicate_lines.h"
#include "collect/text/file_name.h"
#include "collect/text/split.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "platform/program_dir.h"

namespace tidewell::collect {
namespace {

// Longest base name in UTF-8 bytes: leaves room for "(n)", "_index" and ".txt" under the
// 255-byte limit of the usual file systems.
constexpr size_t kMaxBaseBytes = 200;

// The base exactly as the file system will name it, shortened at a character boundary when it
// is too long. Bytes that are no character become replacement characters on their way to
// UTF-8, so titles that differ only there share one name on disk; they must share it here too,
// or a later thread would take an earlier thread's file instead of a name of its own.
std::string asNamedOnDisk(const std::string& base) {
    std::string utf8 = platform::utf8FromLocal(base);
    if (utf8.size() > kMaxBaseBytes) {
        size_t cut = kMaxBaseBytes;
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        utf8.resize(cut);
    }
    return platform::localFromUtf8(utf8);
}

// Bytes that no file name should hold: NUL and the other control characters.
std::string withoutControls(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string SaveDirectory(const RunWindow& window) {
    return SaveDirectory(window.EditText(control::kSaveDirectory), platform::programDirectory());
}

std::string SaveDirectory(std::string_view typed, std::string_view programDirectory) {
    std::string dir;
    if (typed.starts_with("~/")) {
        const char* home = std::getenv("HOME");
        if (home != nullptr && home[0] == '/') {
            dir = platform::localFromUtf8(home);
            dir += typed.substr(1);
        }
    } else if (typed.starts_with("/")) {
        dir = typed;
    }
    if (dir.empty()) {
        dir = std::string(programDirectory) + "/" + platform::local("保存目录") + "/";
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir;
}

bool CreateFolderChain(std::string_view directory) {
    for (size_t slash = directory.find('/'); slash != std::string_view::npos;
         slash = directory.find('/', slash + 1)) {
        const std::string_view part = directory.substr(0, slash);
        if (part.empty() || platform::isDirectory(part)) {
            continue;
        }
        std::error_code ec;
        std::filesystem::create_directory(platform::fsPath(part), ec);
        if (ec && !platform::isDirectory(part)) {
            return false;
        }
    }
    return true;
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
    return platform::writeFileAtomic(path, bytes);
}

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Open(std::string_view path) {
    Close();
    path_ = path;
    writer_.emplace(path);
    failed_ = !writer_->IsOpen();
    if (failed_) {
        writer_.reset();
    }
    return !failed_;
}

void OutputFile::Write(std::string_view bytes) {
    if (writer_ && !failed_) {
        failed_ = !writer_->Write(bytes);
    }
}

bool OutputFile::Close() {
    bool ok = !failed_;
    if (writer_) {
        ok = ok && writer_->Commit();
        writer_.reset();
    }
    failed_ = false;
    return ok;
}

bool OutputFile::IsOpen() const {
    return writer_.has_value();
}

ThreadWriter::ThreadWriter(std::string saveDirectory, bool utf8Output)
    : directory_(std::move(saveDirectory)), utf8Output_(utf8Output) {}

std::string ThreadWriter::BaseName(const std::string& title, const ThreadKey& key) {
    std::string base = withoutControls(text::CleanFileName(title));
    if (base.empty()) {
        std::string named = key.channel;
        if (!key.newsid.empty()) {
            if (!named.empty()) {
                named += '_';
            }
            named += key.newsid;
        }
        base = withoutControls(text::CleanFileName(named));
    }
    if (base.empty()) {
        base = platform::local("无标题");
    }
    return asNamedOnDisk(base);
}

std::vector<std::string> ThreadWriter::fileNames(const std::string& base, size_t files) const {
    std::vector<std::string> names;
    names.reserve(files);
    for (size_t index = 0; index < files; ++index) {
        std::string name = directory_ + base;
        if (index > 0) {
            name += '_';
            name += std::to_string(index);
        }
        name += ".txt";
        names.push_back(std::move(name));
    }
    return names;
}

std::string ThreadWriter::freeBase(const std::string& base, size_t files) const {
    for (int suffix = 1;; ++suffix) {
        std::string candidate = suffix == 1 ? base : base + "(" + std::to_string(suffix) + ")";
        bool clash = false;
        for (const std::string& name : fileNames(candidate, files)) {
            if (written_.count(name) != 0) {
                clash = true;
                break;
            }
        }
        if (!clash) {
            return candidate;
        }
    }
}

void ThreadWriter::finish(OutputFile& file) {
    const std::string path = file.Path();
    if (!file.Close()) {
        failures_.push_back(path);
    }
}

void ThreadWriter::WriteThreadFiles(const std::string& title, const std::string& articleText,
                                    const ThreadKey& key, int perFile) {
    static const std::string kLineBreak = "\r\n";
    const std::string article = text::RemoveDuplicateLines(articleText, kLineBreak);
    const std::string base = BaseName(title, key);
    // Local text goes out as it stands; only UTF-8 output needs a converted copy.
    std::string converted;
    auto encode = [&](std::string_view bytes) -> std::string_view {
        if (!utf8Output_) {
            return bytes;
        }
        converted = platform::utf8FromLocal(bytes);
        return converted;
    };

    if (perFile < 1) {
        const std::string path = fileNames(freeBase(base, 1), 1).front();
        written_.insert(path);
        if (!WriteWholeFile(path, encode(article))) {
            failures_.push_back(path);
        }
        return;
    }

    const auto lines = text::SplitText(article, kLineBreak);
    if (lines.empty()) {
        return;
    }
    const size_t files = (lines.size() + static_cast<size_t>(perFile) - 1) / perFile;
    const std::vector<std::string> names = fileNames(freeBase(base, files), files);
    OutputFile file;
    size_t index = 0;
    int count = perFile;
    for (std::string_view line : lines) {
        platform::pumpEvents();
        if (count == perFile) {
            if (file.IsOpen()) {
                finish(file);
            }
            written_.insert(names[index]);
            if (!file.Open(names[index])) {
                failures_.push_back(names[index]);
            }
            ++index;
            count = 0;
        }
        file.Write(encode(line));
        file.Write(kLineBreak);
        ++count;
    }
    if (file.IsOpen()) {
        finish(file);
    }
}

}  // namespace tidewell::collect
