#include "app/qt_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/local_text.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "settings/settings_store.h"

using namespace tidewell::app;
using tidewell::platform::local;
using tidewell::settings::SettingsStore;

namespace {

// A window with one control of every kind the store keeps, and a few it must pass over.
struct TestWindow {
    TestWindow() {
        window.resize(400, 300);
        auto named = [this](QWidget* widget, const char* name) {
            widget->setParent(&window);
            widget->setObjectName(QString::fromUtf8(name));
            return widget;
        };
        line = static_cast<QLineEdit*>(named(new QLineEdit, "编辑框1"));
        lines = static_cast<QPlainTextEdit*>(named(new QPlainTextEdit, "编辑框多行"));
        bytesLine = static_cast<QLineEdit*>(named(new QLineEdit, "编辑框字节"));
        bytesLine->setProperty("tag", QStringLiteral("字节集方式"));
        neverSaved = static_cast<QLineEdit*>(named(new QLineEdit, "编辑框不存"));
        neverSaved->setProperty("tag", QStringLiteral("禁止保存"));
        check = static_cast<QCheckBox*>(named(new QCheckBox, "选择框1"));
        radio = static_cast<QRadioButton*>(named(new QRadioButton, "单选框1"));
        combo = static_cast<QComboBox*>(named(new QComboBox, "组合框1"));
        combo->setEditable(true);
        list = static_cast<QListWidget*>(named(new QListWidget, "列表框1"));
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        checkList = static_cast<QListWidget*>(named(new QListWidget, "选择列表框1"));
        button = static_cast<QPushButton*>(named(new QPushButton, "按钮1"));
        colour = named(new QWidget, "颜色选择器1");
        colour->setProperty("colour", 0);
        other = static_cast<QLineEdit*>(named(new QLineEdit, "文本1"));
        misnamed = static_cast<QLineEdit*>(named(new QLineEdit, "按钮假"));
        // The container's children are reached too.
        auto* group = named(new QWidget, "容器");
        nested = new QLineEdit(group);
        nested->setObjectName(QStringLiteral("编辑框内层"));
    }

    QWidget window;
    QLineEdit* line;
    QPlainTextEdit* lines;
    QLineEdit* bytesLine;
    QLineEdit* neverSaved;
    QCheckBox* check;
    QRadioButton* radio;
    QComboBox* combo;
    QListWidget* list;
    QListWidget* checkList;
    QPushButton* button;
    QWidget* colour;
    QLineEdit* other;
    QLineEdit* misnamed;
    QLineEdit* nested;
};

void setItems(QListWidget* list, const QStringList& items, bool checkable) {
    list->clear();
    list->addItems(items);
    for (int i = 0; checkable && i < list->count(); ++i) {
        list->item(i)->setFlags(list->item(i)->flags() | Qt::ItemIsUserCheckable);
        list->item(i)->setCheckState(Qt::Unchecked);
    }
}

QStringList itemsOf(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

}  // namespace

class QtControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void saveAndRestoreEveryKind();
    void checkListAndListBoxIndexLists();
    void tagsSteerWhereValuesGo();
    void menuItemsAreKeptUnderTheirCaption();
    void windowGeometry();

  private:
    std::string path(const char* utf8) const { return toLocal(dir_->path()) + local(utf8); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> store_;
};

void QtControlsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    store_ = std::make_unique<SettingsStore>();
    QVERIFY(store_->Bind(path("/测试.ini"), tidewell::settings::StoreMode::File));
}

void QtControlsTest::cleanup() {
    store_.reset();
    dir_.reset();
}

void QtControlsTest::saveAndRestoreEveryKind() {
    TestWindow w;
    w.line->setText(QStringLiteral("单行"));
    w.lines->setPlainText(QStringLiteral("第一行\n第二行"));
    w.bytesLine->setText(QStringLiteral("字节内容"));
    w.neverSaved->setText(QStringLiteral("不存"));
    w.check->setChecked(true);
    w.radio->setChecked(true);
    w.combo->addItems({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")});
    w.combo->setCurrentIndex(2);
    w.combo->setCurrentText(QStringLiteral("自填"));
    setItems(w.list, {QStringLiteral("一"), QString(), QStringLiteral("三")}, false);
    w.list->item(0)->setSelected(true);
    w.list->item(2)->setSelected(true);
    setItems(w.checkList, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, true);
    w.checkList->item(1)->setCheckState(Qt::Checked);
    w.checkList->setCurrentRow(2);
    w.button->setProperty("tag", QStringLiteral("按钮标记"));
    w.colour->setProperty("colour", 0x00336699);
    w.other->setText(QStringLiteral("不管"));
    w.misnamed->setText(QStringLiteral("不管"));
    w.nested->setText(QStringLiteral("内层"));

    QtWindow window(w.window);
    store_->PersistControls(window, false, local("窗口"), {}, true, true);

    // Everything changes, then comes back.
    w.line->clear();
    w.lines->clear();
    w.bytesLine->clear();
    w.neverSaved->setText(QStringLiteral("改了"));
    w.check->setChecked(false);
    w.radio->setChecked(false);
    w.combo->clear();
    w.combo->setCurrentText(QString());
    w.list->clear();
    w.checkList->clear();
    w.button->setProperty("tag", QString());
    w.colour->setProperty("colour", 0);
    w.other->setText(QStringLiteral("改了"));
    w.misnamed->setText(QStringLiteral("改了"));
    w.nested->clear();

    store_->PersistControls(window, true, local("窗口"), {}, true, true);
    QCOMPARE(w.line->text(), QStringLiteral("单行"));
    QCOMPARE(w.lines->toPlainText(), QStringLiteral("第一行\n第二行"));
    QCOMPARE(w.bytesLine->text(), QStringLiteral("字节内容"));
    QCOMPARE(w.neverSaved->text(), QStringLiteral("改了"));
    QVERIFY(w.check->isChecked());
    QVERIFY(w.radio->isChecked());
    QCOMPARE(w.combo->count(), 3);
    QCOMPARE(w.combo->itemText(1), QStringLiteral("乙"));
    QCOMPARE(w.combo->currentText(), QStringLiteral("自填"));
    QCOMPARE(itemsOf(w.list), (QStringList{QStringLiteral("一"), QString(), QStringLiteral("三")}));
    QVERIFY(w.list->item(0)->isSelected());
    QVERIFY(!w.list->item(1)->isSelected());
    QVERIFY(w.list->item(2)->isSelected());
    QCOMPARE(itemsOf(w.checkList),
             (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    QCOMPARE(w.checkList->item(1)->checkState(), Qt::Checked);
    QCOMPARE(w.checkList->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(w.checkList->currentRow(), 2);
    QCOMPARE(w.button->property("tag").toString(), QStringLiteral("按钮标记"));
    QCOMPARE(w.colour->property("colour").toInt(), 0x00336699);
    QCOMPARE(w.other->text(), QStringLiteral("改了"));
    QCOMPARE(w.misnamed->text(), QStringLiteral("改了"));
    QCOMPARE(w.nested->text(), QStringLiteral("内层"));

    // The combo box's selection is stored as its index.
    store_->SetSection(local("窗口"));
    QCOMPARE(store_->ReadNumber(local("组合框1"), -5), 2.0);
    QCOMPARE(store_->ReadText(local("组合框1.内容"), ""), local("自填"));
}

void QtControlsTest::checkListAndListBoxIndexLists() {
    TestWindow w;
    setItems(w.checkList, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, true);
    w.checkList->item(0)->setCheckState(Qt::Checked);
    w.checkList->item(2)->setCheckState(Qt::Checked);
    w.checkList->setCurrentRow(1);
    setItems(w.list, {QStringLiteral("x"), QStringLiteral("y")}, false);
    w.list->clearSelection();

    QtWindow window(w.window);
    store_->PersistControls(window, false, local("窗口"));
    store_->SetSection(local("窗口"));
    QCOMPARE(store_->ReadText(local("选择列表框1.打勾"), "?"), std::string("0,2"));
    QCOMPARE(store_->ReadNumber(local("选择列表框1.选中"), -5), 1.0);
    QCOMPARE(store_->ReadText(local("列表框1.选中"), "?"), std::string());

    // Loading an empty selection selects nothing and leaves the present one.
    w.list->item(1)->setSelected(true);
    store_->PersistControls(window, true, local("窗口"));
    QVERIFY(!w.list->item(0)->isSelected());
    QVERIFY(w.list->item(1)->isSelected());
}

void QtControlsTest::tagsSteerWhereValuesGo() {
    TestWindow w;
    w.bytesLine->setText(QStringLiteral("旁文件"));
    w.neverSaved->setText(QStringLiteral("不存"));
    QtWindow window(w.window);
    store_->PersistControls(window, false, local("窗口"));
    const std::string text = store_->GetText();
    QVERIFY(text.find(local("编辑框字节")) == std::string::npos);
    QVERIFY(text.find(local("编辑框不存")) == std::string::npos);
    QVERIFY(text.find(local("编辑框1=")) != std::string::npos);
    QCOMPARE(tidewell::platform::readWholeFile(path("/inibin/窗口-编辑框字节.ibn")).value_or("?"),
             local("旁文件"));
}

void QtControlsTest::menuItemsAreKeptUnderTheirCaption() {
    QWidget window;
    auto* action = new QAction(QStringLiteral("自动换行"), &window);
    action->setObjectName(QStringLiteral("菜单换行"));
    action->setCheckable(true);
    action->setChecked(true);
    std::unique_ptr<tidewell::settings::Control> item = MakeControl(*action);
    QCOMPARE(item->kind(), tidewell::settings::ControlKind::MenuItem);
    store_->SetSection(local("菜单"));
    QVERIFY(store_->SaveMenuItem(*item));
    action->setChecked(false);
    QVERIFY(store_->LoadMenuItem(*item));
    QVERIFY(action->isChecked());
    QVERIFY(store_->GetText().find(local("自动换行=")) != std::string::npos);

    // A control whose widget has gone is empty and takes nothing.
    delete action;
    QCOMPARE(item->name(), std::string());
    QCOMPARE(item->kind(), tidewell::settings::ControlKind::Other);
    item->setChecked(true);
}

void QtControlsTest::windowGeometry() {
    QWidget widget;
    widget.setGeometry(120, 80, 320, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QtWindow window(widget);
    const QPoint place = widget.pos();
    store_->SaveWindowGeometry(window, local("设置窗口"));
    widget.move(10, 10);
    widget.resize(200, 150);
    store_->LoadWindowGeometry(window, local("设置窗口"));
    QCOMPARE(widget.pos(), place);
    QCOMPARE(widget.size(), QSize(320, 200));

    widget.showMaximized();
    QTRY_VERIFY(widget.isMaximized());
    QCOMPARE(window.placementState(), tidewell::settings::kPlacementMaximised);
    store_->SaveWindowGeometry(window, std::string());
    store_->SetSection(local("主界面.尺寸"));
    QCOMPARE(store_->ReadNumber(local("位置"), -1), 3.0);
    QCOMPARE(store_->ReadNumber(local("左边"), -1), -1.0);

    widget.showNormal();
    QTRY_VERIFY(!widget.isMaximized());
    store_->LoadWindowGeometry(window, std::string());
    QVERIFY(widget.isMaximized());
}

QTEST_MAIN(QtControlsTest)
#include "qt_controls_test.moc"
