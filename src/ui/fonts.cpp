#include "ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// The wanted faces from the first one installed here on, looked up once:
// Qt would otherwise try every missing name again for every new size. The
// font database is read for the first text drawn anyway.
QStringList installedFrom(const QStringList &wanted)
{
    // The installed families as they are named, without asking fontconfig
    // what each missing name stands for.
    const QStringList installed = QFontDatabase::families();
    for (qsizetype i = 0; i < wanted.size(); ++i)
        if (installed.contains(wanted.at(i), Qt::CaseInsensitive))
            return wanted.mid(i);
    return wanted;
}

// The wanted faces in order of preference.
QFont make(const QStringList &wanted, int pixelSize, QFont::StyleHint hint)
{
    QFont f;
    f.setFamilies(wanted);
    f.setStyleHint(hint);
    f.setPixelSize(pixelSize);
    return f;
}

} // namespace

namespace Fonts {

QFont song(int pixelSize)
{
    static const QStringList wanted = installedFrom(
        {QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"), QStringLiteral("Noto Serif CJK SC"),
         QStringLiteral("Source Han Serif SC"), QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC"),
         QStringLiteral("WenQuanYi Zen Hei")});
    return make(wanted, pixelSize, QFont::Serif);
}

QFont fangsong(int pixelSize, bool underline)
{
    static const QStringList wanted = installedFrom(
        {QStringLiteral("FangSong_GB2312"), QStringLiteral("仿宋_GB2312"), QStringLiteral("FangSong"),
         QStringLiteral("仿宋"), QStringLiteral("KaiTi"), QStringLiteral("楷体"), QStringLiteral("AR PL UKai CN"),
         QStringLiteral("AR PL KaitiM GB"), QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    QFont f = make(wanted, pixelSize, QFont::Serif);
    f.setUnderline(underline);
    return f;
}

QColor skyBlue()
{
    return QColor(166, 202, 240);
}

} // namespace Fonts
