#include "app/banner_widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace tidewell::app {

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

QSize PictureButton::sizeHint() const {
    return picture_.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hovered_ || isDown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, isDown() ? 110 : 70));
        p.drawRoundedRect(rect().adjusted(1, 1, -1, -1), 6, 6);
    }
    const QSizeF pictureSize = picture_.deviceIndependentSize();
    const QPointF origin((width() - pictureSize.width()) / 2,
                         (height() - pictureSize.height()) / 2 + (isDown() ? 1 : 0));
    p.drawPixmap(origin, picture_);
}

void PictureButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignCenter);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0xcc));
    setPalette(palette);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressedInside_ = true;
        emit pressed();
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressedInside_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressedInside_ = false;
    if (click && !address_.isEmpty()) {
        emit openRequested(address_);
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace tidewell::app
