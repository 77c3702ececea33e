#include "ui/mdiform.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

TMdiForm::TMdiForm(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

QMdiSubWindow *TMdiForm::subWindow() const
{
    return qobject_cast<QMdiSubWindow *>(parentWidget());
}

void TMdiForm::closeForm()
{
    if (QMdiSubWindow *sub = subWindow())
        sub->close();
    else
        close();
}

void TMdiForm::setFrameTop(int top)
{
    QWidget *w = subWindow() ? static_cast<QWidget *>(subWindow()) : this;
    w->move(w->x(), top);
}

void TMdiForm::setFrameHeight(int height)
{
    QWidget *w = subWindow() ? static_cast<QWidget *>(subWindow()) : this;
    // A frame of fixed size takes the new height as its fixed height.
    if (w->minimumHeight() == w->maximumHeight())
        w->setFixedHeight(height);
    else
        w->resize(w->width(), height);
}

int TMdiForm::frameHeight() const
{
    const QWidget *w = subWindow() ? static_cast<const QWidget *>(subWindow()) : this;
    return w->height();
}

int TMdiForm::frameTop() const
{
    const QWidget *w = subWindow() ? static_cast<const QWidget *>(subWindow()) : this;
    return w->y();
}

QSize TMdiForm::sizeHint() const
{
    if (!layout() && testAttribute(Qt::WA_Resized))
        return size();
    return QWidget::sizeHint();
}

void TMdiForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}
