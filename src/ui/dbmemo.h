// A read-only memo box bound to one column of a data source: it shows that
// column of the dataset's current record.
#pragma once

#include "data/dataset.h"

#include <QPlainTextEdit>
#include <QPointer>


class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TDBMemo(QWidget *parent = nullptr);
    void setDataSource(DataSource *source, const QString &field);
    void loadMemo(); // shows the current record's value now

private:
    QPointer<DataSource> source_;
    QString field_;
};
