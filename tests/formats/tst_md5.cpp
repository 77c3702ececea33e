// The MD5 digest routines: the shared vectors (the RFC 1321 suite, block
// boundaries, one million "a", Chinese text in several encodings, a 35 KB
// file) as one table, the bytes a text is digested as, the digest text and
// the comparison.
#include "testenv.h"

#include "formats/md5.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

// What a description in vectors.tsv names: its bytes and, when the row is a
// text the tool digests as such, that text.
struct Input {
    QByteArray bytes;
    QString text;          // null when the row is bytes only
    bool otherEncoding = false; // the text in UTF-8 or UTF-16: not its digest
    bool understood = false;
};

QByteArray hexBytes(const QString &spaced)
{
    return QByteArray::fromHex(spaced.toLatin1());
}

Input inputFor(const QString &description, const QString &folder)
{
    Input in;
    static const QRegularExpression literal(QStringLiteral("^\"([^\"]*)\"( \\(empty\\))?$"));
    static const QRegularExpression times(QStringLiteral("^\"([^\"]*)\" x (\\d+) = "));
    static const QRegularExpression repeated(QStringLiteral("^\"([^\"]*)\" repeated ([\\d,]+) times"));
    static const QRegularExpression encoded(
        QStringLiteral("^\"([^\"]*)\" as (UTF-8|GBK/CP936|UTF-16LE)(?: bytes ([0-9a-f ]+))?$"));
    static const QRegularExpression file(QStringLiteral("^file (\\S+) in this folder"));
    if (const auto m = literal.match(description); m.hasMatch()) {
        in.text = m.captured(1);
        in.bytes = in.text.toLatin1();
    } else if (const auto m = times.match(description); m.hasMatch()) {
        in.text = m.captured(1).repeated(m.captured(2).toInt());
        in.bytes = in.text.toLatin1();
    } else if (const auto m = repeated.match(description); m.hasMatch()) {
        in.text = m.captured(1).repeated(m.captured(2).remove(QLatin1Char(',')).toInt());
        in.bytes = in.text.toLatin1();
    } else if (description.startsWith(QLatin1String("bytes 0x00..0xFF"))) {
        for (int i = 0; i < 256; ++i)
            in.bytes.append(char(i));
    } else if (const auto m = encoded.match(description); m.hasMatch()) {
        const QString text = m.captured(1);
        const QString encoding = m.captured(2);
        in.text = text;
        if (encoding == QLatin1String("UTF-8")) {
            in.bytes = text.toUtf8();
            in.otherEncoding = true;
        } else if (encoding == QLatin1String("UTF-16LE")) {
            for (const QChar c : text)
                in.bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
            in.otherEncoding = true;
        } else {
            // The listed GBK bytes, or (where none are listed) whatever the
            // routines make of the text: then only the digest checks them.
            in.bytes = m.captured(3).isEmpty() ? md5::TextBytes(text) : hexBytes(m.captured(3));
        }
        if (!m.captured(3).isEmpty() && hexBytes(m.captured(3)) != in.bytes)
            return in; // the description disagrees with itself
    } else if (const auto m = file.match(description); m.hasMatch()) {
        QFile f(folder + QLatin1Char('/') + m.captured(1));
        if (!f.open(QIODevice::ReadOnly))
            return in;
        in.bytes = f.readAll();
        // The RFC is plain ASCII (with form feeds): digested as a text too.
        bool ascii = true;
        for (const char c : in.bytes)
            ascii = ascii && uchar(c) < 0x80;
        if (ascii)
            in.text = QString::fromLatin1(in.bytes);
    } else {
        return in;
    }
    in.understood = true;
    return in;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

class TestMd5 : public QObject {
    Q_OBJECT

private slots:
    void sharedVectors_data();
    void sharedVectors();
    void textBytes_data();
    void textBytes();
    void textsGbkCannotHoldKeepDistinctDigests();
    void digestTextAndComparison();
};

void TestMd5::sharedVectors_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("otherEncoding");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QString>("expected");
    const QString folder = testDataDir(QStringLiteral("md5"));
    if (folder.isEmpty())
        return;
    QFile tsv(folder + QStringLiteral("/vectors.tsv"));
    QVERIFY(tsv.open(QIODevice::ReadOnly));
    int row = 0;
    for (const QString &line : QString::fromUtf8(tsv.readAll()).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 4);
        const Input in = inputFor(cells.at(1), folder);
        QVERIFY2(in.understood, qPrintable(QStringLiteral("row not understood: ") + cells.at(1)));
        ++row;
        QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(row).arg(cells.at(1).left(60))))
            << in.bytes << in.text << in.otherEncoding << cells.at(2).toLongLong() << cells.at(3);
    }
    QCOMPARE(row, 26);
}

// Every vector: the bytes give the listed digest text; a row that is a text
// gives it through the text as well, except the rows of the same Chinese
// text in UTF-8 and UTF-16, whose digest the text must not give.
void TestMd5::sharedVectors()
{
    if (testDataDir(QStringLiteral("md5")).isEmpty())
        QSKIP("testdata/md5 is absent (../shared/testdata beside the clone); MD5 vectors not checked");
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    QFETCH(bool, otherEncoding);
    QFETCH(qint64, length);
    QFETCH(QString, expected);
    QCOMPARE(qint64(input.size()), length);
    QCOMPARE(md5::DigestHex(md5::BytesDigest(input)), expected);
    if (text.isNull())
        return;
    const QString digest = md5::DigestHex(md5::TextDigest(text));
    if (otherEncoding) {
        QVERIFY(digest != expected);
    } else {
        QCOMPARE(md5::TextBytes(text), input);
        QCOMPARE(digest, expected);
    }
}

void TestMd5::textBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII") << QStringLiteral("abc 123") << QByteArray("abc 123");
    QTest::newRow("中") << QStringLiteral("中") << bytes({0xD6, 0xD0});
    QTest::newRow("中文 and Latin") << QStringLiteral("中文ab") << bytes({0xD6, 0xD0, 0xCE, 0xC4, 'a', 'b'});
    QTest::newRow("full-width and middle dot") << QStringLiteral("，·") << bytes({0xA3, 0xAC, 0xA1, 0xA4});
    // The euro sign is one byte in the Windows code page (GB18030 would
    // give A2 E3, which no earlier digest used).
    QTest::newRow("euro sign") << QStringLiteral("€5") << bytes({0x80, '5'});
    // Characters the code page lacks: their GB18030 bytes, not "?".
    QTest::newRow("emoji") << QStringLiteral("a😀b") << bytes({'a', 0x94, 0x39, 0xFC, 0x36, 'b'});
    QTest::newRow("ideograph beyond the BMP") << QStringLiteral("𠀀") << bytes({0x95, 0x32, 0x82, 0x36});
    QTest::newRow("code page text around one") << QStringLiteral("中😀文")
                                                << bytes({0xD6, 0xD0, 0x94, 0x39, 0xFC, 0x36, 0xCE, 0xC4});
    // Half a surrogate pair is no character: "?".
    QTest::newRow("lone high surrogate") << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"))
                                         << QByteArray("a?b");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDC00)) << QByteArray("?");
    QTest::newRow("high surrogate at the end") << (QStringLiteral("中") + QChar(0xD83D))
                                               << bytes({0xD6, 0xD0, '?'});
}

void TestMd5::textBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(md5::TextBytes(text).toHex(' '), expected.toHex(' '));
    QCOMPARE(md5::TextDigest(text), md5::BytesDigest(expected));
}

// Replacing what GBK lacks by "?" would give every such text one digest;
// they stay apart, and apart from "?" itself.
void TestMd5::textsGbkCannotHoldKeepDistinctDigests()
{
    const QStringList texts = {QStringLiteral("?"), QStringLiteral("😀"), QStringLiteral("😁"), QStringLiteral("𠀀"),
                               QStringLiteral("𠀁"), QStringLiteral("密码😀"), QStringLiteral("密码😁")};
    QSet<QString> digests;
    for (const QString &t : texts)
        digests.insert(md5::DigestHex(md5::TextDigest(t)));
    QCOMPARE(digests.size(), texts.size());
}

void TestMd5::digestTextAndComparison()
{
    md5::Digest d {};
    for (size_t i = 0; i < d.size(); ++i)
        d[i] = quint8(i * 17 + 0x0A);
    // High half first, lowercase, no separators.
    QCOMPARE(md5::DigestHex(d), QStringLiteral("0a1b2c3d4e5f708192a3b4c5d6e7f809"));
    QCOMPARE(md5::DigestHex(md5::Digest {}), QString(32, QLatin1Char('0')));

    md5::Digest same = d;
    QVERIFY(md5::SameDigest(d, same));
    md5::Digest first = d;
    first[0] ^= 0x80;
    QVERIFY(!md5::SameDigest(d, first));
    md5::Digest last = d;
    last[15] ^= 0x01;
    QVERIFY(!md5::SameDigest(d, last));
    QVERIFY(!md5::SameDigest(md5::TextDigest(QStringLiteral("abc")), md5::TextDigest(QStringLiteral("abd"))));
}

QTEST_GUILESS_MAIN(TestMd5)
#include "tst_md5.moc"
