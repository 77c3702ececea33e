// The automatic backup of a 1 GB notebook, mostly pictures (2,700 pictures
// of 400 KB and 20,000 notes), as closing the program runs it (the check
// that keeps a damaged file from replacing a good backup, then the copy)
// against `cp` of the same file, in turns in the same run; reported by
// medians with each side's peak memory. The check alone and SQLite's own
// integrity check of the same file are timed as well, to show what the
// check costs.
//
//   bench_backup [pictures] [notes]     default 2700 20000
#include "benchdata.h"
#include "benchsupport.h"

#include "app/backup.h"
#include "data/pagecheck.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "data/unitdm.h"
#include "data/unitpath.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace BenchData;
using namespace BenchSupport;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int pictures = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2700;
    const int notes = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("jsbdbf.mdb"));
    Schema::createDatabase(file);
    QElapsedTimer build;
    build.start();
    fillNotes(file, notes);
    fillPictures(file, pictures, 400 * 1000);
    const qint64 size = QFileInfo(file).size();
    std::printf("built %d pictures and %d notes in %.1f s (%.1f MB)\n", pictures, notes,
                double(build.elapsed()) / 1000, double(size) / 1e6);

    setAppPath(QDir::toNativeSeparators(dir.path()));
    DM = new TDM();
    const QString automatic = Backup::automaticTarget(QDate::currentDate());
    const QString copied = dir.filePath(QStringLiteral("cp.bak"));
    QDir(dir.path()).mkdir(QStringLiteral("databak"));

    // Each side writes a new file: the one before is gone before it starts.
    const auto cp = [&] {
        QFile::remove(copied);
        return runChild(QStringLiteral("cp"), {file, copied});
    };
    const auto backup = [&] {
        QFile::remove(automatic);
        DM->ADOQxmidb->open(); // a session's open connection, as at closing
        QElapsedTimer t;
        t.start();
        Backup::runAutomatic(DM->ADOConnection);
        return msSince(t);
    };
    Runs cpRuns, backupRuns;
    // cp's own peak, from the kernel's account of the child.
    double cpPeak = 0;
    cp();
    backup();
    for (int i = 0; i < 7; ++i) {
        const ChildRun run = cp();
        cpRuns.ms.push_back(run.ms);
        cpPeak = std::max(cpPeak, run.peakMb);
        measure(backupRuns, backup);
    }
    cpRuns.peakMb = cpPeak;
    const bool same = QFile(automatic).size() == size;

    // What the check costs, alone: the quick look and SQLite's own.
    Runs quick, integrity;
    for (int i = 0; i < 3; ++i) {
        measure(quick, [&] {
            SqliteDb db;
            db.open(file, SqliteDb::Mode::ReadOnly);
            const QList<quint32> roots = PageCheck::rootPages(db);
            QElapsedTimer t;
            t.start();
            const bool passed = PageCheck::check(file, roots).passed();
            const double ms = msSince(t);
            if (!passed)
                std::printf("  the quick check did not pass the file!\n");
            return ms;
        });
        measure(integrity, [&] {
            SqliteDb db;
            db.open(file, SqliteDb::Mode::ReadOnly);
            QElapsedTimer t;
            t.start();
            db.integrityProblems();
            return msSince(t);
        });
    }

    std::printf("automatic backup of a %.1f MB notebook against cp\n", double(size) / 1e6);
    printRuns("cp of the database file:", cpRuns);
    printRuns("backup on closing (check, copy):", backupRuns);
    const bool within = printRatio("backup against cp:", backupRuns, cpRuns, 1.2);
    printRuns("the quick check alone:", quick);
    printRuns("SQLite's integrity check alone:", integrity);
    if (!same)
        std::printf("  the backup is not the size of the database!\n");
    delete DM;
    DM = nullptr;
    return within && same ? 0 : 1;
}
