// Settings files that were damaged, written by hand or by something else: the program starts
// on them, shows the design text of every value it cannot read, and saves into them what the
// next start shows.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "app/local_text.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/tests/find_child.h"
#include "platform/encoding.h"
#include "platform/files.h"

using namespace tidewell::app;
using tidewell::app::testing::child;
using tidewell::platform::local;

namespace {

// Key of the settings file -> object name of its control.
const std::map<std::string, const char*>& keptTexts() {
    static const std::map<std::string, const char*> keys = {
        {"保存模板", "编辑框保存模板"},     {"页延时秒", "编辑框页延时秒"},
        {"采集页数", "编辑框采集页数"},     {"几条保存", "编辑框几条保存"},
        {"保存目录", "编辑框保存目录"},     {"评论最少", "编辑框评论最少字数"},
        {"评论最多", "编辑框评论最多字数"}, {"列表", "编辑框列表"},
    };
    return keys;
}

QString shown(MainWindow& window, const char* control) {
    if (auto* box = window.findChild<QPlainTextEdit*>(QString::fromUtf8(control))) {
        return box->toPlainText();
    }
    return child<QLineEdit>(window, control)->text();
}

// What every control shows, by key.
std::map<std::string, QString> shownTexts(MainWindow& window) {
    std::map<std::string, QString> texts;
    for (const auto& [key, control] : keptTexts()) {
        texts[key] = shown(window, control);
    }
    return texts;
}

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(rng() & 0xFF);
    }
    return bytes;
}

std::string repeat(const std::string& text, size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (size_t i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

using Texts = std::map<std::string, QString>;

}  // namespace

Q_DECLARE_METATYPE(Texts)

class HostileSettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void damagedFilesLoadWithTheirDefaults_data();
    void damagedFilesLoadWithTheirDefaults();

  private:
    std::string directory() const { return toLocal(dir_->path()); }
    std::unique_ptr<Program> start() {
        auto program = std::make_unique<Program>(directory());
        program->shell().setMessageHook([this](const MessageRequest& request) {
            messages_.push_back(request.text);
            return message::kIdOk;
        });
        return program;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QStringList messages_;
};

void HostileSettingsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    messages_.clear();
}

void HostileSettingsTest::damagedFilesLoadWithTheirDefaults_data() {
    QTest::addColumn<QByteArray>("settings");  // the settings file, local text
    QTest::addColumn<QByteArray>("list");      // the list's side file; null: none
    // The values read; a null text is not compared. Every other control shows its default.
    QTest::addColumn<Texts>("read");

    auto bytes = [](const std::string& text) { return QByteArray::fromStdString(text); };
    const std::string header = local("[主界面]");
    auto line = [](const char* utf8) { return "\r\n" + local(utf8); };

    QTest::newRow("garbage") << bytes(randomBytes(1 << 16, 1)) << bytes(randomBytes(4096, 2))
                             << Texts{{"列表", QString()}};
    // Readable values among damaged lines: a stray zero byte, bytes that are no GBK, a lone CR.
    QTest::newRow("garbage around values")
        << bytes(randomBytes(300, 3) + "\r\n" + header + line("页延时秒=2") + "\r\n" +
                 randomBytes(300, 4) + line("采集页数=") + std::string("\x81\0x\r", 4) +
                 line("几条保存=5") + "\r\n")
        << QByteArray()
        << Texts{{"页延时秒", "2"},
                 {"采集页数", fromLocal(std::string("\x81\0x\r", 4))},
                 {"几条保存", "5"}};
    // Lines ended by LF alone are one line: the header is found, none of its keys.
    QTest::newRow("LF-only lines")
        << bytes(header + "\n" + local("页延时秒=2\n采集页数=3\n保存目录=/tmp\n")) << QByteArray()
        << Texts{};
    // A value of 50 MB is read past; a megabyte reaches its box whole. (A box laid out with
    // 50 MB of text takes seconds and gigabytes in Qt, too much for every test run.)
    std::string megabyte = "/";
    megabyte += repeat(local("长"), 1 << 19);
    QTest::newRow("50 MB value") << bytes(header + line("其他=") + repeat(local("长"), 25 << 20) +
                                          line("保存目录=") + megabyte + line("几条保存=7"))
                                 << QByteArray()
                                 << Texts{{"保存目录", fromLocal(megabyte)}, {"几条保存", "7"}};
    QTest::newRow("other sections only")
        << bytes(
               local("[主界面2]\r\n页延时秒=2\r\n[ 主界面]\r\n页延时秒=3\r\n[其他]\r\n页延时秒=4"))
        << QByteArray() << Texts{};
    QTest::newRow("empty file, zero bytes in the list")
        << QByteArray() << QByteArray("a\r\nb\0c", 6) << Texts{{"列表", "a\nb"}};
}

void HostileSettingsTest::damagedFilesLoadWithTheirDefaults() {
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, list);
    QFETCH(Texts, read);
    Texts defaults;
    {
        QTemporaryDir fresh;
        Program program(toLocal(fresh.path()));
        defaults = shownTexts(program.window());
    }
    Texts want = defaults;
    for (const auto& [key, text] : read) {
        want[key] = text;
    }

    QVERIFY(tidewell::platform::writeFileAtomic(Program::SettingsPath(directory()),
                                                settings.toStdString()));
    if (!list.isNull()) {
        QVERIFY(tidewell::platform::createDirectories(directory() + "/inibin"));
        QVERIFY(tidewell::platform::writeFileAtomic(directory() + local("/inibin/主界面-列表.ibn"),
                                                    list.toStdString()));
    }
    Texts first;
    {
        auto program = start();
        first = shownTexts(program->window());
        for (const auto& [key, text] : want) {
            QVERIFY2(text.isNull() || first.at(key) == text,
                     qPrintable(QString::fromStdString(key) + ": " + first.at(key).left(40)));
        }
        // A change made now is saved into the damaged file and read back at the next start.
        child<QLineEdit>(program->window(), "编辑框评论最少字数")->setText(QStringLiteral("3"));
        first["评论最少"] = QStringLiteral("3");
        QVERIFY(program->window().close());
    }
    auto program = start();
    QVERIFY(shownTexts(program->window()) == first);
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
}

QTEST_MAIN(HostileSettingsTest)
#include "hostile_settings_test.moc"
