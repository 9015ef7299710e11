#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>
#include <QString>

// The banner's two kinds of control: a button that is only a picture, and a hyperlink.
namespace tidewell::app {

class PictureButton : public QAbstractButton {
    Q_OBJECT

  public:
    explicit PictureButton(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QPixmap picture_;
    bool hovered_ = false;
};

// A hyperlink. One with an address asks for that address to be opened when clicked; one without
// only reports the press of the left mouse button.
class LinkLabel : public QLabel {
    Q_OBJECT

  public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

    const QString& address() const { return address_; }
    void setAddress(const QString& address) { address_ = address; }

  signals:
    void pressed();
    void openRequested(const QString& address);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QString address_;
    bool pressedInside_ = false;
};

}  // namespace tidewell::app
