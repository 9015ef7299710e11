// The window's settings when the program dies in the middle of saving them: a child process
// (this test program started again with --save-in-a-loop) saves the main window's settings over
// and over and is killed with SIGKILL at random moments. After every kill the settings file
// binds, no temporary file is left once it is bound, and what a start would load is a state the
// child had reached: the seven values come from one save or, part way through a save, the
// first ones from it and the rest from the save before; the list is whole, from the last save
// whose seven values were written or the one before.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/shell.h"
#include "app/startup.h"
#include "app/text_dialog.h"
#include "app/window_settings.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "settings/settings_store.h"

using namespace tidewell::app;
using tidewell::platform::local;
using tidewell::settings::SettingsStore;
using tidewell::settings::StoreMode;

namespace {

constexpr const char* kSaverArgument = "--save-in-a-loop";

// The seven kept boxes in the order the settings are saved.
constexpr std::array<const char*, 7> kBoxes = {
    "编辑框保存模板", "编辑框页延时秒",     "编辑框采集页数",     "编辑框几条保存",
    "编辑框保存目录", "编辑框评论最少字数", "编辑框评论最多字数",
};
constexpr const char* kListBox = "编辑框列表";

// The text of box i in state j (local text). Every text names its state.
std::string boxText(size_t i, int j) {
    const std::string n = std::to_string(j);
    switch (i) {
        case 0:
            return local("模板") + n + "\r\n" + local("第二行#评论#");
        case 4:
            return local("/保存/") + n;
        default:
            return n;
    }
}

// Different in size from state to state, and small enough that filling the list box does not
// take most of the child's time, so the kills land in the middle of saves too.
std::string listText(int j) {
    std::string list;
    const int lines = 100 + (j * 7919) % 200;
    for (int line = 0; line < lines; ++line) {
        list += "http://news.example/gn/" + std::to_string(j) + "-" + std::to_string(line) +
                ".html\r\n";
    }
    return list;
}

void showState(MainWindow& window, int j) {
    for (size_t i = 0; i < kBoxes.size(); ++i) {
        window.SetEditText(kBoxes[i], boxText(i, j));
    }
    window.SetEditText(kListBox, listText(j));
}

// The state a box's text names, or std::nullopt when it is no text of any state.
std::optional<int> stateOf(size_t i, const std::string& text) {
    const std::string prefix = i == 0 ? local("模板") : i == 4 ? local("/保存/") : "";
    if (!text.starts_with(prefix)) {
        return std::nullopt;
    }
    const std::string rest = text.substr(prefix.size());
    const int j = std::atoi(rest.c_str());
    if (boxText(i, j) != text) {
        return std::nullopt;
    }
    return j;
}

std::optional<int> listState(const std::string& text) {
    const std::string prefix = "http://news.example/gn/";
    if (!text.starts_with(prefix)) {
        return std::nullopt;
    }
    const int j = std::atoi(text.c_str() + prefix.size());
    if (listText(j) != text) {
        return std::nullopt;
    }
    return j;
}

// The child: binds the settings of the program directory and saves the window's settings, one
// state after another from the first, until it is killed. Writes '1' (bound) or '0' first.
int saveInALoop(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string directory = tidewell::platform::localFromUtf8(argv[2]);
    int j = std::atoi(argv[3]);
    Shell shell;
    TextDialogs dialogs(shell);
    MainWindow window(shell, dialogs, directory);
    SettingsStore store;
    const char bound = store.Bind(Program::SettingsPath(directory), StoreMode::File) ? '1' : '0';
    (void)!::write(STDOUT_FILENO, &bound, 1);
    for (;; ++j) {
        showState(window, j);
        SaveWindowSettings(window, store);
    }
}

// A folder in memory when there is one: the child must get through many saves between two
// kills, and a disk's flush would make every write wait.
std::filesystem::path fastFolder() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

struct Saver {
    pid_t pid = -1;
    int output = -1;
};

Saver startSaver(const std::filesystem::path& directory, int first) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return {};
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string dir = directory.string();
    const std::string start = std::to_string(first);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        const char* args[] = {self.c_str(), kSaverArgument, dir.c_str(), start.c_str(), nullptr};
        ::execv(self.c_str(), const_cast<char* const*>(args));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

bool holdsTemporaries(const std::filesystem::path& folder) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().filename().string().find(".tmp") != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

class SettingsCrashTest : public QObject {
    Q_OBJECT

  private slots:
    void killedSaveLeavesAStateItReached();
};

void SettingsCrashTest::killedSaveLeavesAStateItReached() {
    const std::filesystem::path folder =
        fastFolder() / ("tw-settings-crash-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    struct Cleanup {
        std::filesystem::path path;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } cleanup{folder};
    const std::string directory = tidewell::platform::localPath(folder);
    const std::string settingsPath = Program::SettingsPath(directory);

    Shell shell;
    TextDialogs dialogs(shell);
    MainWindow window(shell, dialogs, directory);
    {
        SettingsStore store;
        QVERIFY(store.Bind(settingsPath, StoreMode::File));
        showState(window, 0);
        SaveWindowSettings(window, store);
    }

    std::mt19937 rng(20140526);
    std::uniform_int_distribution<int> delayUs(0, 6000);
    const auto started = std::chrono::steady_clock::now();
    int next = 1;  // the state the next child saves first
    int rounds = 0;
    int roundsWithProgress = 0;
    int partOfASave = 0;  // kills that left values of two saves
    while (rounds < 8 || std::chrono::steady_clock::now() - started < std::chrono::seconds(2)) {
        ++rounds;
        const Saver saver = startSaver(folder, next);
        QVERIFY(saver.pid > 0);
        pollfd ready{saver.output, POLLIN, 0};
        char bound = '?';
        if (::poll(&ready, 1, 20000) == 1) {
            (void)!::read(saver.output, &bound, 1);
        }
        ::close(saver.output);
        ::usleep(static_cast<useconds_t>(delayUs(rng)));
        ::kill(saver.pid, SIGKILL);
        int status = 0;
        ::waitpid(saver.pid, &status, 0);
        QCOMPARE(bound, '1');
        QVERIFY(WIFSIGNALED(status));

        // What the next start loads. Boxes hold a text of no state first, so that a value that
        // could not be read would show.
        SettingsStore check;
        QVERIFY2(check.Bind(settingsPath, StoreMode::File),
                 (QByteArray("round ") + QByteArray::number(rounds)).constData());
        QVERIFY(!holdsTemporaries(folder));
        QVERIFY(!holdsTemporaries(folder / "inibin"));
        for (const char* box : kBoxes) {
            window.SetEditText(box, "?");
        }
        window.SetEditText(kListBox, "?");
        LoadWindowSettings(window, check);

        std::array<int, kBoxes.size()> states{};
        for (size_t i = 0; i < kBoxes.size(); ++i) {
            const std::optional<int> state = stateOf(i, window.EditText(kBoxes[i]));
            QVERIFY2(state.has_value(), kBoxes[i]);
            states[i] = *state;
        }
        // The first values from one save, the rest from the save before.
        const int newest = states[0];
        size_t written = 0;
        while (written < states.size() && states[written] == newest) {
            ++written;
        }
        for (size_t i = written; i < states.size(); ++i) {
            QVERIFY2(states[i] == newest - 1, kBoxes[i]);
        }
        const std::optional<int> list = listState(window.EditText(kListBox));
        QVERIFY2(list.has_value(), "the list is no list of any state");
        if (written == states.size()) {
            QVERIFY(*list == newest || *list == newest - 1);
        } else {
            QCOMPARE(*list, newest - 1);
            ++partOfASave;
        }
        QVERIFY(newest >= next - 1);

        if (newest >= next) {
            ++roundsWithProgress;
        }
        next = written == states.size() && *list == newest ? newest + 1 : newest;
    }
    // The kills fell at different moments: most after some saves, some in the middle of one.
    QVERIFY2(
        roundsWithProgress * 2 > rounds,
        (QByteArray::number(roundsWithProgress) + " of " + QByteArray::number(rounds)).constData());
    qInfo("%d rounds, %d with progress, %d in the middle of a save", rounds, roundsWithProgress,
          partOfASave);
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string_view(argv[1]) == kSaverArgument) {
        return saveInALoop(argc, argv);
    }
    QApplication application(argc, argv);
    SettingsCrashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_crash_test.moc"
