// The one order of names in the program: Chinese by pinyin (ICU's Chinese
// collation through Qt), Latin letters without regard to case, a tie broken
// by the code points so the order is total. The database sorts its text
// columns by it and the file lists of the windows use it.
#pragma once

#include <QString>
#include <QStringView>

namespace Pinyin {

// Negative, zero or positive as `a` sorts before, with or after `b`; zero
// only for the same text.
int compare(QStringView a, QStringView b);

// For std::sort and the like.
bool less(const QString &a, const QString &b);

} // namespace Pinyin
