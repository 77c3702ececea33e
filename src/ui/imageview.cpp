#include "ui/imageview.h"

#include <QPainter>

TImage::TImage(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImage::setPicture(const QImage &picture)
{
    picture_ = picture;
    scaled_ = QPixmap();
    update();
}

void TImage::clear()
{
    setPicture(QImage());
}

void TImage::paintEvent(QPaintEvent *)
{
    if (picture_.isNull())
        return;
    if (scaled_.size() != size())
        scaled_ = QPixmap::fromImage(picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QPainter painter(this);
    painter.drawPixmap(0, 0, scaled_);
}
