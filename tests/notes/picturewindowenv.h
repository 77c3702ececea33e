// The picture window as the note editor opens it, shared by the picture
// tests: a fresh database for each test, a folder of files for the chooser,
// the window over the note's stored pictures, the files handed to the
// desktop's viewer, and the clicks a user makes on the file list and the
// grid.
#pragma once

#include "picturechecks.h"
#include "testenv.h"

#include "data/unitdm.h"
#include "notes/unittupzj.h"
#include "ui/xmdbgrid.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The note whose pictures the window shows.
inline const QString kNote = QStringLiteral("JS-7");

using PictureChecks::readAll;

// The base of a picture test class: its init() calls startTest() and its
// cleanup() calls endTest().
class PictureWindowTest : public QObject {
protected:
    std::unique_ptr<TestDb> db;
    std::unique_ptr<QTemporaryDir> pictures; // the folder the chooser shows
    QPointer<TFormtupzj> form;
    QStringList opened; // files handed to the viewer

    void startTest()
    {
        db = std::make_unique<TestDb>();
        opened.clear();
        TFormtupzj::shellOpenHook = [this](const QString &file) { opened << file; };
        PictureFile.clear();
    }

    void endTest()
    {
        delete form.data();
        QVERIFY(!Formtupzj);
        pictures.reset();
        db.reset();
        TFormtupzj::shellOpenHook = nullptr;
    }

    // The note editor's part: select the note's pictures, create the window,
    // fill its Edit2 and show it.
    void openWindow(const QString &note = kNote)
    {
        Dataset *q = DM->ADOQjstpb;
        q->setSql({QStringLiteral("select  *  from  jstpb"), QStringLiteral("where  js_id= :jsid")});
        q->bind(QStringLiteral("jsid"), note);
        q->open();
        form = new TFormtupzj();
        Formtupzj = form;
        form->Edit2->setText(note);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        if (pictures)
            form->setDirectory(pictures->path());
    }

    // A folder of pictures (name in the folder -> content) with empty
    // sub-folders; an open window lists it.
    void makeFolder(const QList<QPair<QString, QByteArray>> &files, const QStringList &subfolders = {})
    {
        pictures = std::make_unique<QTemporaryDir>();
        QVERIFY(pictures->isValid());
        for (const auto &[name, bytes] : files) {
            QFile f(pictures->filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(bytes), bytes.size());
        }
        for (const QString &sub : subfolders)
            QVERIFY(QDir(pictures->path()).mkdir(sub));
        if (form)
            form->setDirectory(pictures->path());
    }

    QListWidgetItem *fileItem(const QString &name)
    {
        const QList<QListWidgetItem *> found = form->FileListBox1->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    void clickFile(const QString &name, bool twice = false)
    {
        QListWidgetItem *item = fileItem(name);
        QVERIFY2(item, qPrintable(name));
        form->FileListBox1->scrollToItem(item);
        const QPoint at = form->FileListBox1->visualItemRect(item).center();
        if (twice) {
            QTest::mouseClick(form->FileListBox1->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(form->FileListBox1->viewport(), Qt::LeftButton, {}, at);
        } else {
            // The preview waits out the double-click interval.
            QTest::mouseClick(form->FileListBox1->viewport(), Qt::LeftButton, {}, at);
            QVERIFY(form->previewPending());
            QTRY_VERIFY(!form->previewPending());
        }
    }

    void clickGridRow(int row, bool twice = false)
    {
        TXMDBGrid *grid = form->XMDBGrid1;
        const QModelIndex index = grid->model()->index(row, 0);
        QVERIFY(index.isValid());
        grid->scrollTo(index);
        const QPoint at = grid->visualRect(index).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
};
