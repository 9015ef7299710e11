#include "app/startup.h"

#include <QApplication>
#include <QPushButton>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/qt_run_window.h"
#include "app/window_settings.h"
#include "platform/encoding.h"
#include "platform/program_dir.h"

namespace tidewell::app {

std::string Program::SettingsPath(const std::string& programDirectory) {
    return programDirectory + "/" + platform::local(platform::kProductNameUtf8) + ".ini";
}

Program::Program(std::string programDirectory)
    : eventPump_([] { QCoreApplication::processEvents(); }) {
    store_.SetMessageHook([this](const std::string& text, int flags, const std::string& title) {
        return shell_.messageBox(fromLocalLines(text), flags, fromLocal(title));
    });
    // A file that cannot be opened is no reason to stop: every missing setting has its default.
    store_.Bind(SettingsPath(programDirectory), settings::StoreMode::File);

    window_ = std::make_unique<MainWindow>(shell_, dialogs_, programDirectory);
    runWindow_ = std::make_unique<QtRunWindow>(*window_, shell_, dialogs_);
    LoadWindowSettings(*window_, store_);

    MainWindow* window = window_.get();
    QObject::connect(window, &MainWindow::startClicked, window,
                     [this] { collect::CollectionRun(*runWindow_, runContext_, false); });
    QObject::connect(window, &MainWindow::startRightPressed, window,
                     [this] { collect::CollectionRun(*runWindow_, runContext_, true); });
    QObject::connect(window, &MainWindow::saveRequested, window, [this] {
        SaveWindowSettings(*window_, store_);
        shell_.messageBox(QStringLiteral("保存完毕！"));
    });
    QObject::connect(window, &MainWindow::closing, window, [this] {
        SaveWindowSettings(*window_, store_);
        // A run still going is asked to stop, as a press of its button would; it keeps what it
        // collected so far and returns on its own.
        if (window_->startButton()->text() != QStringLiteral("开始采集")) {
            collect::CollectionRun(*runWindow_, runContext_, false);
        }
    });
}

Program::~Program() = default;

collect::RunWindow& Program::runWindow() {
    return *runWindow_;
}

int RunProgram(QApplication& application, std::string programDirectory) {
    Program program(std::move(programDirectory));
    program.window().show();
    application.exec();
    return 0;
}

}  // namespace tidewell::app
