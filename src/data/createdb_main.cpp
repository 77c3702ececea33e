// quorvane-createdb FOLDER: writes a fresh jsbdbf.mdb into FOLDER.
#include "data/database.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-createdb FOLDER\n");
        return 2;
    }
    const QString file = QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("jsbdbf.mdb"));
    try {
        Schema::createDatabase(file);
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", QDir::toNativeSeparators(file).toLocal8Bit().constData());
    return 0;
}
