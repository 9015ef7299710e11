#include "app/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <limits>

#include "app/banner_widgets.h"
#include "app/edit_text.h"
#include "app/local_text.h"
#include "app/pictures.h"
#include "app/shell.h"
#include "app/text_dialog.h"
#include "app/window_font.h"
#include "collect/output_files.h"
#include "platform/encoding.h"
#include "tidewell_config.h"

namespace tidewell::app {
namespace {

QString name(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The banner across the top of the window.
class BannerPanel : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter p(this);
        QLinearGradient shade(0, 0, 0, height());
        shade.setColorAt(0, QColor(0xf4, 0xfb, 0xfc));
        shade.setColorAt(1, QColor(0xcf, 0xe8, 0xec));
        p.fillRect(rect(), shade);
    }
};

QLabel* makeLabel(QWidget* parent, const char* objectName, const QString& text, QRect place) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(objectName));
    label->setGeometry(place);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* objectName, const QString& text, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromUtf8(objectName));
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* makeLineBox(QWidget* parent, const char* objectName, const QString& text, QRect place) {
    auto* edit = new QLineEdit(parent);
    // No box cuts what it is given (QLineEdit would stop at 32767 characters).
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setText(text);
    edit->setObjectName(QString::fromUtf8(objectName));
    edit->setGeometry(place);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

QPlainTextEdit* makeTextBox(QWidget* parent, const char* objectName, const QString& text,
                            QRect place, bool scrollBars) {
    auto* edit = new QPlainTextEdit(text, parent);
    edit->setObjectName(QString::fromUtf8(objectName));
    edit->setGeometry(place);
    if (scrollBars) {
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    return edit;
}

PictureButton* makePicture(QWidget* parent, const char* objectName, Picture picture, QRect place,
                           qreal ratio) {
    auto* button = new PictureButton(parent);
    button->setObjectName(QString::fromUtf8(objectName));
    button->setGeometry(place);
    const QSize inner = picture == Picture::Logo ? place.size() : place.size() - QSize(8, 8);
    button->setPicture(PaintPicture(picture, inner, ratio));
    return button;
}

LinkLabel* makeLink(QWidget* parent, const char* objectName, const QString& text, QRect place,
                    const QString& address = {}) {
    auto* link = new LinkLabel(text, parent);
    link->setObjectName(QString::fromUtf8(objectName));
    link->setGeometry(place);
    link->setAddress(address);
    if (!address.isEmpty()) {
        link->setToolTip(address);
    }
    return link;
}

}  // namespace

std::string SaveFolderToOpen(std::string_view saveDirectoryText,
                             std::string_view programDirectory) {
    std::string folder = collect::SaveDirectory(saveDirectoryText, programDirectory);
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

QString MainWindow::SampleAddressList() {
    const QString host = QStringLiteral(TIDEWELL_NEWS_HOST);
    const QStringList addresses = {
        QStringLiteral("http://%1/gn/2024-05-12/1-1-29894458.html"),
        QStringLiteral("http://%1/gj/2024-05-13/1-1-29895102.html"),
        QStringLiteral("http://%1/sh/2024-05-13/1-1-29895377.html"),
        QStringLiteral("http://%1/cj/2024-05-14/31-1-7820315.html"),
        QStringLiteral("http://%1/ty/2024-05-14/2-1-8845127.html"),
        QStringLiteral("http://%1/comment/skin/default.html?channel=gn&newsid=1-1-29894458"),
        QStringLiteral("http://%1/comment/skin/default.html?channel=yl&newsid=28-1-6612094"),
    };
    QStringList lines;
    for (const QString& address : addresses) {
        lines << address.arg(host);
    }
    return lines.join(u'\n');
}

QString MainWindow::ExplanationText() {
    const QString host = QStringLiteral(TIDEWELL_NEWS_HOST);
    const QStringList paragraphs = {
        QStringLiteral("Brenvik·Tidewell 是 Brenvik 软件出品的新闻评论采集工具，可采集新闻门户"
                       "网站国内、国际、社会、财经、体育、娱乐、科技等各频道新闻的网友评论。"),
        QStringLiteral("可以提供新闻地址或评论地址列表，软件将自动抓取评论保存到文本文件。"),
        QStringLiteral(
            "新闻地址：http://%1/gn/2024-05-12/1-1-29894458.html\n"
            "评论地址：http://%1/comment/skin/default.html?channel=gn&newsid=1-1-29894458")
            .arg(host),
        QStringLiteral("保存模板：可以引用评论内容、评论的用户名等信息，自由组合。"),
        QStringLiteral("页延时秒：如果大量高速采集会被限制，可根据情况设定每采集一页等待的秒数。"
                       "通常情况可设置为0，就是不等待。"),
        QStringLiteral("采集页数：设置为0自动采集全部页评论，否则仅采集指定页数的评论。"),
        QStringLiteral("每文件几个评论：就是每几个评论保存为一个文件。设置为0则每个新闻的所有评论"
                       "保存为一个文件。"),
        QStringLiteral("保存目录：右击“..”按钮可以在“我的电脑”里打开该目录。"),
        QStringLiteral(
            "开始采集：右击“开始采集”按钮可预览一页评论，左击则是正式采集并保存到文件。"),
    };
    return paragraphs.join(QStringLiteral("\n\n"));
}

MainWindow::MainWindow(Shell& shell, TextDialogs& dialogs, std::string programDirectory,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      shell_(shell),
      dialogs_(dialogs),
      programDirectory_(std::move(programDirectory)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Brenvik·Tidewell v1.0.1.0"));
    setFont(WindowFont(font()));
    setFixedSize(kClientSize);
    move(kPlace);

    buildBanner();

    auto* paste =
        makeButton(this, "按钮粘贴", QStringLiteral("粘贴新闻地址列表"), {16, 104, 192, 24});
    list_ = makeTextBox(this, "编辑框列表", SampleAddressList(), {16, 130, 192, 190}, true);
    connect(paste, &QPushButton::clicked, this,
            [this] { replaceEditText(*list_, shell_.clipboardText()); });

    makeLabel(this, "标签2", QStringLiteral("保存模板："), {240, 104, 80, 24});
    struct Tag {
        const char* name;
        const char* text;
        QRect place;
    };
    const Tag tags[] = {
        {"按钮1", "#评论#", {321, 104, 60, 24}}, {"按钮2", "#时间#", {382, 104, 60, 24}},
        {"按钮3", "#昵称#", {443, 104, 60, 24}}, {"按钮5", "#ID#", {504, 104, 50, 24}},
        {"按钮4", "#地方#", {555, 104, 60, 24}}, {"按钮6", "#IP#", {616, 104, 50, 24}},
    };
    for (const Tag& tag : tags) {
        QPushButton* button = makeButton(this, tag.name, QString::fromUtf8(tag.text), tag.place);
        connect(button, &QPushButton::clicked, this, [this, button] { insertTag(*button); });
    }
    template_ = makeTextBox(this, "编辑框保存模板",
                            QStringLiteral("#地方#(#IP#)的网友#昵称#(#ID#)在 #时间# 说：#评论#"),
                            {240, 130, 488, 48}, false);
    QPalette green = template_->palette();
    green.setColor(QPalette::Text, QColor(0, 128, 0));
    template_->setPalette(green);

    makeLabel(this, "标签6", QStringLiteral("评论最少字数："), {240, 189, 108, 24});
    makeLineBox(this, "编辑框评论最少字数", QStringLiteral("0"), {349, 189, 40, 24});
    makeLabel(this, "标签3", QStringLiteral("页延时秒："), {421, 189, 72, 24});
    QLineEdit* delay = makeLineBox(this, "编辑框页延时秒", QStringLiteral("0"), {500, 189, 40, 24});
    delay->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), delay));
    makeLabel(this, "标签7", QStringLiteral("评论最多字数："), {240, 221, 108, 24});
    makeLineBox(this, "编辑框评论最多字数", QStringLiteral("200"), {349, 221, 40, 24});
    makeLabel(this, "标签1", QStringLiteral("采集页数："), {421, 221, 80, 24});
    makeLineBox(this, "编辑框采集页数", QStringLiteral("全部"), {500, 221, 40, 24});
    makeLabel(this, "标签4", QStringLiteral("每文件几个评论："), {566, 221, 121, 24});
    makeLineBox(this, "编辑框几条保存", QStringLiteral("全部"), {688, 221, 40, 24});

    makeLabel(this, "标签5", QStringLiteral("保存目录："), {240, 256, 80, 24});
    QLineEdit* saveDirectory = makeLineBox(
        this, "编辑框保存目录", QStringLiteral("不填则当前程序目录"), {320, 256, 408, 24});
    saveDirectory->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The folder button sits inside the box's right end; the text stops short of it.
    saveDirectory->setTextMargins(0, 0, 34, 0);
    folderButton_ = makeButton(this, "按钮选择保存目录", QStringLiteral("··"), {694, 258, 32, 20});
    folderButton_->setToolTip(QStringLiteral("左击选择保存目录，右击打开保存目录"));
    connect(folderButton_, &QPushButton::clicked, this, &MainWindow::chooseSaveDirectory);
    folderButton_->installEventFilter(this);

    startButton_ =
        makeButton(this, "按钮开始采集", QStringLiteral("开始采集"), {240, 288, 488, 32});
    connect(startButton_, &QPushButton::clicked, this, &MainWindow::startClicked);
    startButton_->installEventFilter(this);

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("进度条"));
    progressBar_->setGeometry(16, 328, 712, 24);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressLabel_ = makeLabel(this, "透明标签", QString(), {32, 328, 680, 24});
    progressLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    progressLabel_->raise();

    display_ = makeTextBox(this, "编辑框显示",
                           QStringLiteral("每采集一页的评论内容都在这里显示\n\n"
                                          "这里仅用于显示，方便了解采集情况\n\n"
                                          "软件已实时自动保存到设定的保存目录中"),
                           {16, 361, 712, 265}, true);
    display_->setReadOnly(true);

    setTabOrder(list_, template_);
}

void MainWindow::buildBanner() {
    const qreal ratio = devicePixelRatioF();
    auto* banner = new BannerPanel(this);
    banner->setObjectName(QStringLiteral("图片框1"));
    banner->setGeometry(0, 0, 1000, 90);
    auto* rule = makeLabel(banner, "标签10", QString(), {-1, 88, 1200, 2});
    rule->setAutoFillBackground(true);
    QPalette dark = rule->palette();
    dark.setColor(QPalette::Window, QColor(0x0a, 0x3d, 0x5c));
    rule->setPalette(dark);

    auto* savePicture =
        makePicture(banner, "图片保存配置", Picture::SaveSettings, {15, 0, 64, 64}, ratio);
    auto* saveLink = makeLink(banner, "链接保存配置", QStringLiteral("保存配置"), {15, 64, 64, 24});
    connect(savePicture, &PictureButton::clicked, this, &MainWindow::saveRequested);
    connect(saveLink, &LinkLabel::pressed, this, &MainWindow::saveRequested);

    auto* helpPicture =
        makePicture(banner, "图片疑点说明", Picture::Explanation, {90, 0, 64, 64}, ratio);
    auto* helpLink = makeLink(banner, "链接疑点说明", QStringLiteral("疑点说明"), {90, 64, 64, 24});
    connect(helpPicture, &PictureButton::clicked, this, &MainWindow::showExplanation);
    connect(helpLink, &LinkLabel::pressed, this, &MainWindow::showExplanation);

    auto* contactPicture =
        makePicture(banner, "图片联系", Picture::Contact, {168, 0, 64, 64}, ratio);
    auto* contactLink = makeLink(banner, "链接联系", QStringLiteral("联系我们"), {168, 64, 64, 24},
                                 QStringLiteral(TIDEWELL_MAKER_CONTACT));
    connect(contactPicture, &PictureButton::clicked, this,
            [this, contactLink] { shell_.openWithShell(contactLink->address()); });

    productPicture_ =
        makePicture(banner, "图片软件主页", Picture::ProductPage, {245, 0, 64, 64}, ratio);
    auto* productLink = makeLink(banner, "链接软件主页", QStringLiteral("软件主页"),
                                 {245, 64, 64, 24}, QStringLiteral(TIDEWELL_PRODUCT_PAGE));
    connect(productPicture_, &PictureButton::clicked, this,
            [this, productLink] { shell_.openWithShell(productLink->address()); });

    for (LinkLabel* link : {contactLink, productLink}) {
        connect(link, &LinkLabel::openRequested, this,
                [this](const QString& address) { shell_.openWithShell(address); });
    }

    logo_ = makePicture(banner, "图片Brenvik软件", Picture::Logo, {360, 12, 195, 64}, ratio);
    logo_->setToolTip(QStringLiteral(TIDEWELL_MAKER_HOME));
    connect(logo_, &PictureButton::clicked, this,
            [this] { shell_.openWithShell(QStringLiteral(TIDEWELL_MAKER_HOME)); });

    logoTimer_ = new QTimer(this);
    logoTimer_->setObjectName(QStringLiteral("时钟官网"));
    logoTimer_->setInterval(20);
    connect(logoTimer_, &QTimer::timeout, this, &MainWindow::MoveLogo);
    logoTimer_->start();
}

std::string MainWindow::EditText(std::string_view objectName) const {
    const QString key = name(objectName);
    if (const auto* box = findChild<QPlainTextEdit*>(key)) {
        return toLocalLines(editText(*box));
    }
    if (const auto* line = findChild<QLineEdit*>(key)) {
        return toLocal(line->text());
    }
    return {};
}

void MainWindow::SetEditText(std::string_view objectName, std::string_view local) {
    const QString key = name(objectName);
    if (auto* box = findChild<QPlainTextEdit*>(key)) {
        box->setPlainText(fromLocalLines(local));
    } else if (auto* line = findChild<QLineEdit*>(key)) {
        line->setText(fromLocal(local));
    }
}

void MainWindow::insertTag(const QPushButton& tagButton) {
    // The box keeps its selection while the button has the focus, so the tag goes over it.
    template_->insertPlainText(tagButton.text());
}

void MainWindow::chooseSaveDirectory() {
    auto* box = findChild<QLineEdit*>(QStringLiteral("编辑框保存目录"));
    const QString chosen = shell_.chooseFolder(box->text());
    if (!chosen.isEmpty()) {
        box->setText(chosen);
    }
}

void MainWindow::openSaveDirectory() {
    const std::string folder = SaveFolderToOpen(EditText("编辑框保存目录"), programDirectory_);
    shell_.openInFileManager(fromLocal(folder), true, true);
}

void MainWindow::MoveLogo() {
    int left = logo_->x();
    if (logoMovingRight_) {
        ++left;
        if (left + logo_->width() > width() - 20) {
            logoMovingRight_ = false;
        }
    } else {
        --left;
        if (left < productPicture_->x() + productPicture_->width() + 20) {
            logoMovingRight_ = true;
        }
    }
    logo_->move(left, logo_->y());
}

void MainWindow::showExplanation() {
    TextDialogOptions options;
    options.title = QStringLiteral("疑点说明");
    options.owner = this;
    dialogs_.TextDialog(ExplanationText(), options);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    closed_ = true;
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (watched == startButton_) {
            emit startRightPressed();
            return true;
        }
        if (watched == folderButton_) {
            openSaveDirectory();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tidewell::app
