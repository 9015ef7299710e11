// Two processes and a killed one: the single-writer lock and the crash safety of the settings
// file and its side files.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/encoding.h"
#include "settings/settings_store.h"
#include "settings/tests/temp_folder.h"

namespace tidewell::settings {
namespace {

using platform::local;
using testing::fileBytes;
using testing::TempFolder;

const std::string& section() {
    static const std::string s = local("主界面");
    return s;
}

// Step j of the writer: one change of the settings text (then, in the writer, one side file).
// Every step changes the text, so each state names the step that made it: a key is deleted only
// at steps j = 0 (mod 13), and the same key was written seven steps before.
void settingsChange(SettingsStore& store, int j) {
    static const std::string keyBase = local("键");
    const std::string key = keyBase + std::to_string(j % 7);
    if (j % 13 == 0) {
        store.DeleteEntry(section(), key);
        return;
    }
    std::string value = local("值") + std::to_string(j) + std::string((j * 37) % 400, 'x');
    if (j % 3 == 0) {
        value += local("\r\n第二行");
    }
    store.WriteText(key, value);
}

std::string sideBytes(int j) {
    // Large enough that a kill often lands in the middle of writing it.
    return std::to_string(j) +
           std::string(40000 + (j * 7919) % 60000, static_cast<char>('a' + j % 26));
}

// A folder in memory when there is one: the writer must get through many changes between two
// kills, and a disk's flush would make it wait several milliseconds for each.
std::filesystem::path fastFolder() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

TEST(SettingsProcesses, KilledWriterLeavesWholeStates) {
    TempFolder dir(fastFolder());
    const std::string path = dir.file("Brenvik·Tidewell.ini");
    const std::string side = dir.file("inibin/主界面-列表.ibn");
    const std::string listKey = local("列表");
    std::mt19937 rng(20140526);
    std::uniform_int_distribution<int> delayUs(0, 4000);

    int next = 1;  // the step the next writer starts with
    int roundsWithProgress = 0;
    for (int round = 0; round < 200; ++round) {
        const std::string before = platform::readWholeFile(path).value_or("");
        const std::string sideBefore = platform::readWholeFile(side).value_or("");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(ready[0]);
            SettingsStore store;
            const char bound = store.Bind(path, StoreMode::File) ? '1' : '0';
            store.SetSection(section());
            (void)!::write(ready[1], &bound, 1);
            for (int j = next; j < next + 100000; ++j) {
                settingsChange(store, j);
                store.WriteBytes(listKey, sideBytes(j));
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        char bound = '?';
        (void)!::read(ready[0], &bound, 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(delayUs(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_EQ(bound, '1') << "round " << round;
        ASSERT_TRUE(WIFSIGNALED(status));

        // The file loads (the killed writer's lock is gone) and is one of the states reached.
        SettingsStore check;
        ASSERT_TRUE(check.Bind(path, StoreMode::File)) << "round " << round;
        const std::string now = check.GetText();
        SettingsStore replay;
        replay.SetText(before);
        replay.SetSection(section());
        int reached = next - 1;  // the last step whose settings change is in the file
        while (replay.GetText() != now && reached < next + 100000) {
            settingsChange(replay, ++reached);
        }
        ASSERT_EQ(replay.GetText(), now) << "round " << round << ": not a state the writer reached";

        // The side file holds the bytes of the last step or of the one before: never a mix.
        const std::string sideNow = platform::readWholeFile(side).value_or("");
        const std::string older = reached >= next + 1 ? sideBytes(reached - 1) : sideBefore;
        const bool whole = sideNow == older || (reached >= next && sideNow == sideBytes(reached));
        ASSERT_TRUE(whole) << "round " << round << ": side file of " << sideNow.size() << " bytes";
        if (reached >= next) {
            ++roundsWithProgress;
        }
        next = reached + 1;
    }
    // The kills fell at different moments, most of them after some writes.
    EXPECT_GT(roundsWithProgress, 100);
}

TEST(SettingsProcesses, SecondCopyReadsButNeverWrites) {
    TempFolder dir;
    const std::string path = dir.file("Brenvik·Tidewell.ini");
    SettingsStore first;
    ASSERT_TRUE(first.Bind(path, StoreMode::File));
    first.SetSection("S");
    ASSERT_TRUE(first.WriteText("a", "1"));
    ASSERT_TRUE(first.WriteBytes("list", "first"));
    const std::string before = fileBytes(path);

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int failures = 0;
        SettingsStore second;
        failures |= second.Bind(path, StoreMode::File) ? 1 : 0;
        second.SetSection("S");
        failures |= second.ReadText("a", "") == "1" ? 0 : 2;
        second.WriteText("a", "2");
        second.WriteText("b", "3");
        failures |= second.ReadText("b", "") == "3" ? 0 : 4;  // its own changes, in memory
        failures |= second.WriteBytes("list", "second") ? 8 : 0;
        failures |= second.SaveAs() ? 16 : 0;
        second.RenameSection("S", "T");
        second.DeleteEntry("T", "");
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(first.ReadBytes("list", ""), "first");
    EXPECT_TRUE(first.WriteText("a", "4"));
    EXPECT_EQ(fileBytes(path), "[S]\r\na=4");
}

}  // namespace
}  // namespace tidewell::settings
