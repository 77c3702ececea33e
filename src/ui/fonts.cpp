#include "ui/fonts.h"

#include <QStringList>

namespace {

// The wanted faces in order of preference; Qt takes the first installed one
// when the text is first drawn, so nothing enumerates the fonts at start-up.
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
    static const QStringList wanted = {QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                                       QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                                       QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC"),
                                       QStringLiteral("WenQuanYi Zen Hei")};
    return make(wanted, pixelSize, QFont::Serif);
}

QFont fangsong(int pixelSize, bool underline)
{
    static const QStringList wanted = {QStringLiteral("FangSong_GB2312"), QStringLiteral("仿宋_GB2312"),
                                       QStringLiteral("FangSong"), QStringLiteral("仿宋"),
                                       QStringLiteral("KaiTi"), QStringLiteral("楷体"),
                                       QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL KaitiM GB"),
                                       QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")};
    QFont f = make(wanted, pixelSize, QFont::Serif);
    f.setUnderline(underline);
    return f;
}

QColor skyBlue()
{
    return QColor(166, 202, 240);
}

} // namespace Fonts
