// A read-only memo box bound to one column of a data source: it shows that
// column of the dataset's current record.
#pragma once

#include "data/dataset.h"
#include "ui/viewerlink.h"

#include <QPlainTextEdit>
#include <QPointer>

class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget *parent = nullptr);
    void setDataSource(DataSource *source, const QString &field);
    // Shows the current record's value now, read from the database when the
    // column is read on demand; an error that stops the reading is shown in
    // the standard error box and leaves the box empty.
    void loadMemo();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<DataSource> source_;
    QString field_;
    ViewerLink viewer_{this};
};
