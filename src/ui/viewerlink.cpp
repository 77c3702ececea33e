// Registering a control with the dataset it shows, and running a noted
// reopen when the control is shown.
#include "ui/viewerlink.h"

#include "ui/guard.h"

#include <QWidget>

ViewerLink::~ViewerLink()
{
    follow(nullptr);
}

void ViewerLink::follow(Dataset *dataset)
{
    if (dataset_ == dataset)
        return;
    if (dataset_)
        dataset_->removeViewer(this);
    dataset_ = dataset;
    if (dataset_)
        dataset_->addViewer(this);
}

void ViewerLink::controlShown() const
{
    Dataset *d = dataset_;
    if (d && d->pending())
        runGuarded([d] { d->realize(); });
}

bool ViewerLink::showsDataset() const
{
    return control_->isVisible();
}
