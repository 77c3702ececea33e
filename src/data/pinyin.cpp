// The pinyin order of names, through Qt's Chinese collation.
#include "data/pinyin.h"

#include <QCollator>
#include <QLocale>

namespace Pinyin {

int compare(QStringView a, QStringView b)
{
    // Made once; everything runs on the one thread.
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Chinese, QLocale::China));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int c = collator.compare(a, b);
    if (c != 0)
        return c;
    return a.compare(b);
}

bool less(const QString &a, const QString &b)
{
    return compare(a, b) < 0;
}

} // namespace Pinyin
