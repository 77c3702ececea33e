#include "ui/icons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <functional>

namespace {

// An icon drawn at the size it is shown at, when it is first shown there:
// nothing is drawn for sizes (or disabled looks) that no control asks for.
// The drawing is on a 16 x 16 grid, scaled to the size asked for.
class DrawnIconEngine : public QIconEngine {
public:
    explicit DrawnIconEngine(std::function<void(QPainter &)> draw) : draw_(std::move(draw)) {}

    QIconEngine *clone() const override { return new DrawnIconEngine(draw_); }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = scaledPixmap(rect.size(), mode, state, dpr);
        painter->drawPixmap(rect, pm);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const int side = qMax(1, qRound(qMin(size.width(), size.height()) * scale));
        const quint64 key = (quint64(side) << 8) | quint64(mode);
        if (const auto it = cache_.constFind(key); it != cache_.constEnd())
            return *it;
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(side / 16.0, side / 16.0);
            draw_(p);
        }
        if (mode != QIcon::Normal && mode != QIcon::Active) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pm = QApplication::style()->generatedIconPixmap(mode, pm, &option);
        }
        pm.setDevicePixelRatio(scale);
        cache_.insert(key, pm);
        return pm;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(16, 16), QSize(32, 32)}; }

private:
    std::function<void(QPainter &)> draw_;
    QHash<quint64, QPixmap> cache_;
};

template <typename Draw>
QIcon drawn(Draw draw)
{
    return QIcon(new DrawnIconEngine(draw));
}

} // namespace

namespace Icons {

QIcon newRecord()
{
    return drawn([](QPainter &p) {
        QPainterPath sheet;
        sheet.moveTo(2.5, 1.5);
        sheet.lineTo(9.5, 1.5);
        sheet.lineTo(12.5, 4.5);
        sheet.lineTo(12.5, 14.5);
        sheet.lineTo(2.5, 14.5);
        sheet.closeSubpath();
        p.setPen(QPen(QColor(70, 80, 100), 1));
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
        p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
        p.setPen(QPen(QColor(160, 170, 185), 1));
        for (double y : {6.5, 8.5, 10.5})
            p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 150, 60));
        p.drawEllipse(QPointF(11.5, 11.5), 4.2, 4.2);
        p.setPen(QPen(Qt::white, 1.6));
        p.drawLine(QPointF(11.5, 9.2), QPointF(11.5, 13.8));
        p.drawLine(QPointF(9.2, 11.5), QPointF(13.8, 11.5));
    });
}

QIcon search()
{
    return drawn([](QPainter &p) {
        p.setPen(QPen(QColor(60, 70, 90), 1.8));
        p.setBrush(QColor(200, 225, 250));
        p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        p.setPen(QPen(QColor(120, 70, 30), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10.2, 10.2), QPointF(14.2, 14.2));
    });
}

QIcon exit()
{
    return drawn([](QPainter &p) {
        p.setPen(QPen(QColor(90, 60, 40), 1));
        p.setBrush(QColor(190, 140, 90));
        p.drawRect(QRectF(2.5, 1.5, 7, 13));
        p.setBrush(QColor(120, 80, 50));
        p.drawEllipse(QPointF(8, 8.5), 0.8, 0.8);
        p.setPen(QPen(QColor(200, 40, 40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(8.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(12, 5.5), QPointF(14.5, 8));
        p.drawLine(QPointF(12, 10.5), QPointF(14.5, 8));
    });
}

// The notebook, drawn on a 16 x 16 grid.
static void paintProgram(QPainter &p)
{
    p.setPen(QPen(QColor(40, 60, 110), 1));
    p.setBrush(QColor(70, 120, 200));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 3.5, 7, 9));
    p.setPen(QPen(QColor(150, 160, 180), 0.8));
    for (double y : {5.5, 7.5, 9.5})
        p.drawLine(QPointF(6, y), QPointF(11, y));
    p.setPen(QPen(QColor(220, 200, 120), 1.2));
    for (double y : {4, 7, 10, 13})
        p.drawLine(QPointF(1.5, y), QPointF(4, y));
}

QIcon program()
{
    return drawn(paintProgram);
}

QImage programImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paintProgram(p);
    return image;
}

} // namespace Icons
