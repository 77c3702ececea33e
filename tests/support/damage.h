// Damaged database files made in the test: a file cut off in the middle of
// a page, pages overwritten with noise, and an old Access database's head.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

namespace Damage {

inline constexpr int kPage = 4096; // SQLite's page size of the program's files

inline qint64 pagesOf(const QString &file)
{
    return QFile(file).size() / kPage;
}

// Cuts the file off in the middle of a page near its middle.
inline bool truncateMidPage(const QString &file)
{
    QFile f(file);
    const qint64 pages = f.size() / kPage;
    return pages > 2 && f.resize((pages / 2) * kPage + kPage / 3);
}

// Overwrites `count` pages from page `first` (1 = the file's head) with
// noise, the same noise on every run.
inline bool overwriteWithNoise(const QString &file, qint64 first, qint64 count)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite) || !f.seek((first - 1) * kPage))
        return false;
    QRandomGenerator noise(4711);
    QByteArray bytes(int(count * kPage), Qt::Uninitialized);
    for (char &c : bytes)
        c = char(noise.generate() & 0xff);
    return f.write(bytes) == bytes.size();
}

// A file that begins as an old Access database does.
inline bool writeAccessHead(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    bytes += QByteArray(4096 - bytes.size(), '\x5a');
    return f.write(bytes) == bytes.size();
}

} // namespace Damage
