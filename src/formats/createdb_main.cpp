// quorvane-createdb FOLDER: writes a fresh jsbdbf.mdb into FOLDER.
// quorvane-createdb FOLDER --from OLD.mdb: writes it with the notebook of the
// older version's Access file OLD.mdb instead, printing each table as it goes
// and a summary at the end. An existing database is never overwritten; when
// OLD is FOLDER/jsbdbf.mdb itself, it is converted in place and stays beside
// the new database as jsbdbf-access.mdb (-2, -3, ... when that name is taken).
#include "data/database.h"
#include "data/schema.h"
#include "formats/accessconvert.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

void print(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

int convert(const QString &folder, const QString &file, const QString &old)
{
    const AccessConvert::Progress progress = [](const QString &table, qint64 done, qint64 total) {
        if (done == 0)
            print(QStringLiteral("正在转换表 %1(%2 条记录)").arg(table).arg(total));
        return true;
    };
    const QFileInfo source(old);
    const bool inPlace = source.exists() && source.canonicalFilePath() == QFileInfo(file).canonicalFilePath();
    AccessConvert::Summary summary;
    QString oldNow;
    if (inPlace) {
        AccessConvert::InPlaceResult result = AccessConvert::convertInPlace(folder, progress);
        summary = result.summary;
        oldNow = result.oldFile;
    } else {
        summary = AccessConvert::convert(old, file, progress);
    }
    for (const QString &line : summary.lines())
        print(line);
    if (inPlace)
        print(QStringLiteral("旧文件已改名为 %1").arg(QDir::toNativeSeparators(oldNow)));
    print(QDir::toNativeSeparators(file));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool from = args.size() == 3 && args.at(1) == QLatin1String("--from");
    if (args.size() != 1 && !from) {
        std::fprintf(stderr, "usage: quorvane-createdb FOLDER [--from OLD.mdb]\n");
        return 2;
    }
    const QString folder = args.at(0);
    const QString file = QDir(folder).filePath(QStringLiteral("jsbdbf.mdb"));
    try {
        if (from)
            return convert(folder, file, args.at(2));
        Schema::createDatabase(file);
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", QDir::toNativeSeparators(file).toLocal8Bit().constData());
    return 0;
}
