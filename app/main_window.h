#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tidewell::app {

class PictureButton;
class Shell;
class TextDialogs;

// The program's one window. Every control carries its Chinese name as its object name; the
// collection run and the window settings reach the controls through those names.
//
// The window keeps and lays out its controls and answers the events of its own controls. The
// start button, the settings and the close belong to others; the window reports them through
// its signals and start-up binds them.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    // The client area; the window cannot be resized.
    static constexpr QSize kClientSize{744, 642};
    static constexpr QPoint kPlace{50, 50};

    // programDirectory (local text) is where the save directory lies when none is set.
    MainWindow(Shell& shell, TextDialogs& dialogs, std::string programDirectory,
               QWidget* parent = nullptr);

    // The text of the edit box with this object name as local text (line breaks as CR LF);
    // empty for an unknown name.
    std::string EditText(std::string_view name) const;
    void SetEditText(std::string_view name, std::string_view local);

    QPushButton* startButton() const { return startButton_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QLabel* progressLabel() const { return progressLabel_; }
    QPlainTextEdit* displayBox() const { return display_; }
    bool logoMovingRight() const { return logoMovingRight_; }
    // True once the window has been closed.
    bool closed() const { return closed_; }

    // One tick of 时钟官网: the logo moves a pixel along the banner and turns 20 pixels short of
    // the window's right edge and 20 pixels right of 图片软件主页.
    void MoveLogo();

    // Design texts that are made from the build's hosts.
    static QString SampleAddressList();
    static QString ExplanationText();

  signals:
    // 按钮开始采集 clicked with the left button, and pressed with the right one.
    void startClicked();
    void startRightPressed();
    // 图片保存配置 clicked or 链接保存配置 pressed.
    void saveRequested();
    // The window is about to close; closing is never refused.
    void closing();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildBanner();
    void insertTag(const QPushButton& tagButton);
    void chooseSaveDirectory();
    void openSaveDirectory();
    void showExplanation();

    Shell& shell_;
    TextDialogs& dialogs_;
    const std::string programDirectory_;
    bool logoMovingRight_ = true;
    bool closed_ = false;

    QPlainTextEdit* list_ = nullptr;
    QPlainTextEdit* template_ = nullptr;
    QPlainTextEdit* display_ = nullptr;
    QPushButton* folderButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    PictureButton* productPicture_ = nullptr;
    PictureButton* logo_ = nullptr;
    QTimer* logoTimer_ = nullptr;
};

// The folder that the right button of 按钮选择保存目录 opens: the save directory a run would
// write into (an absolute path as typed, a leading "~/" for the home folder, anything else the
// folder 保存目录 in the program directory), without its final "/". Local text in and out.
std::string SaveFolderToOpen(std::string_view saveDirectoryText, std::string_view programDirectory);

}  // namespace tidewell::app
