// tidewell-collect: the collection run without a window.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "collect/collection_run.h"
#include "collect/headless_window.h"
#include "platform/encoding.h"
#include "platform/event_pump.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl-C asks the run to stop after the page it is on; a second one ends the
// program at once (a fetch can wait long for a silent server).
extern "C" void onInterrupt(int signal) {
    if (interrupted) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    interrupted = 1;
}

// Progress lines show titles as the network sent them: a control character (C0, DEL or C1)
// is shown as U+FFFD, so that no reply can move the cursor or send the terminal commands.
std::string printable(const std::string& utf8) {
    static const std::string kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x20 || byte == 0x7F) {
            out += kReplacement;
        } else if (byte == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            out += kReplacement;
            ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

void printLine(const std::string& localText) {
    std::string line = printable(tidewell::platform::utf8FromLocal(localText));
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tidewell;
    std::vector<std::string> args(argv + 1, argv + argc);
    cli::ParseResult parsed = cli::ParseOptions(args);
    if (parsed.exitNow) {
        std::fputs(parsed.message.c_str(), parsed.exitCode == 0 ? stdout : stderr);
        return parsed.exitCode;
    }
    const cli::Options& options = parsed.options;

    collect::HeadlessWindow window;
    for (const auto& [name, text] : options.editTexts) {
        window.SetEditText(name, text);
    }
    collect::RunContext context;
    context.commentHost = options.commentHost;
    context.utf8Output = options.utf8Output;

    // Ctrl-C is a stop press: it arrives through the event pump, as a click would.
    bool stopPressed = false;
    auto pump = [&] {
        if (interrupted && !stopPressed) {
            stopPressed = true;
            if (!options.quiet) {
                printLine(platform::local("正在停止.."));
            }
            collect::CollectionRun(window, context, false);
        }
    };
    window.onPump = pump;
    platform::ScopedEventPump scopedPump(pump);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::string lastLabel;
    window.onLabel = [&](const std::string& text) {
        if (!options.quiet && !text.empty() && text != lastLabel) {
            printLine(text);
        }
        lastLabel = text;
    };
    bool previewShown = false;
    window.onTextDialog = [&](const std::string& content, const std::string& prompt,
                              const std::string& /*title*/) {
        previewShown = true;
        std::string out =
            platform::utf8FromLocal(prompt) + "\n" + platform::utf8FromLocal(content) + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
    };
    window.onMessage = [&](const std::string& text, const std::string& /*title*/) {
        const std::string utf8 = platform::utf8FromLocal(text);
        std::string out;
        out.reserve(utf8.size() + 1);
        for (size_t i = 0; i < utf8.size(); ++i) {
            if (utf8[i] != '\r' || i + 1 == utf8.size() || utf8[i + 1] != '\n') {
                out += utf8[i];
            }
        }
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), stderr);
    };

    collect::CollectionRun(window, context, options.preview);
    std::fflush(stdout);
    return context.failures.empty() ? 0 : 1;
}
