#include "ui/windowhost.h"

namespace Windows {

static WindowHost *g_host = nullptr;

WindowHost *host()
{
    return g_host;
}

void setHost(WindowHost *host)
{
    g_host = host;
}

void addAndCreate(TMdiForm *form)
{
    if (g_host)
        g_host->addChild(form);
    // At the top before the creation handler runs, so an error box raised
    // there never shows the window anywhere else.
    form->setFrameTop(0);
    runGuarded([form] { form->FormCreate(); });
    form->setFrameTop(0);
}

void bringForward(TMdiForm *form)
{
    if (g_host) {
        g_host->restoreChild(form);
        return;
    }
    form->showNormal();
    form->raise();
}

void place(TMdiForm *form, Height height)
{
    form->setFrameTop(0);
    if (height == Height::SearchWindow && g_host)
        form->setFrameHeight(g_host->searchWindowHeight());
}

} // namespace Windows
