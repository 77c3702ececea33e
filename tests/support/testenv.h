// Test fixtures: a fresh database in a temporary folder with the data module
// pointing at it, and a message service that records every box and answers
// from a script.
#pragma once

#include "ui/messages.h"

#include "data/sqlite.h"

#include <QDir>
#include <QList>
#include <QQueue>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <QVariantMap>

class RecordingResponder : public Messages::Responder {
public:
    QList<Messages::Shown> shown;
    QQueue<bool> answers;        // for questions; OK when the queue is empty
    QQueue<QString> fileNames;   // for the save dialog; cancelled when empty

    bool answer(const Messages::Shown &s) override;
    QString fileName(const Messages::Shown &s) override;

    QStringList texts() const;
    QStringList texts(Messages::Kind kind) const;
    QStringList details(Messages::Kind kind) const; // the boxes' detailed texts
    int count(Messages::Kind kind) const;
    void clear() { shown.clear(); }
};

// A fresh jsbdbf.mdb in its own folder, AppPath set to that folder, a new
// data module `DM` and the recording message service. Everything is undone
// when the fixture goes.
class TestDb {
public:
    TestDb();
    ~TestDb();

    QString folder() const { return dir.path(); }
    QString file() const { return dir.filePath(QStringLiteral("jsbdbf.mdb")); }

    // A second connection of its own, straight to the file, for checking
    // what is stored and for playing a second running copy of the program.
    SqliteDb &direct();
    QVariant scalar(const QString &sql);        // first column of the first row
    int count(const QString &table, const QString &where = QString());
    void exec(const QString &sql);
    // Runs a statement with its "?" parameters bound in order; returns the
    // new row's key.
    qint64 insert(const QString &sql, const QVariantList &values);
    // Every row of a select, each as column name -> value.
    QList<QVariantMap> query(const QString &sql);
    // Every stored row of `table` (optionally narrowed), in zdbh order.
    QList<QVariantMap> rows(const QString &table, const QString &where = QString());

    QTemporaryDir dir;
    RecordingResponder messages;

private:
    SqliteDb direct_;
};

// Every row of a select on any database file (a backup, a copy), or an
// empty list when it cannot be read.
QList<QVariantMap> queryFile(const QString &file, const QString &sql);

// The folder of test files written by other programs, or empty (with a
// message) when it is absent.
QString testDataDir(const QString &sub = QString());
