// A picture drawn stretched to fill the whole widget, its aspect ratio not
// kept; the preview of the picture window.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    void clear();
    const QImage &picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage picture_;
    QPixmap scaled_; // the picture at the widget's size, made when painted
};
