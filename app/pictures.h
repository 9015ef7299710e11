#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>

// The banner's pictures and the program's icon, drawn with QPainter so the program carries no
// image files and needs no image plug-ins.
namespace tidewell::app {

enum class Picture {
    SaveSettings,  // a disk
    Explanation,   // a question mark in a ring
    Contact,       // an envelope
    ProductPage,   // a house
    Logo,          // the maker's word mark over a wave
};

QPixmap PaintPicture(Picture picture, QSize size, qreal devicePixelRatio = 1.0);

// The program's icon: a speech bubble over a tide line. The same drawing as icons/tidewell.svg;
// no text in it, so it can be drawn without fonts (the build renders PNG sizes from it).
QImage PaintAppIcon(int size);

}  // namespace tidewell::app
