// The link between a control that shows a dataset (a grid, a memo box) and
// that dataset: while the control is visible, a reopen of the dataset runs
// at once; a reopen noted while it was hidden runs when it is shown.
#pragma once

#include "data/dataset.h"

#include <QPointer>

class QWidget;

class ViewerLink final : public DatasetViewer {
public:
    explicit ViewerLink(const QWidget *control) : control_(control) {}
    ~ViewerLink();
    ViewerLink(const ViewerLink &) = delete;
    ViewerLink &operator=(const ViewerLink &) = delete;

    // Leaves the dataset shown so far and shows `dataset` (none for null).
    void follow(Dataset *dataset);
    // For the control's show event: runs a noted reopen, whose reset then
    // fills the control; an error is shown in the standard error box.
    void controlShown() const;

    bool showsDataset() const override;

private:
    const QWidget *control_;
    QPointer<Dataset> dataset_;
};
