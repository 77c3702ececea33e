// The MD5 digest of a text's code-page bytes.
#include "formats/md5.h"

#include <QCryptographicHash>
#include <QStringEncoder>
#include <algorithm>

namespace md5 {

namespace {

// Encoders are stateless here: every call encodes a complete piece of text.
constexpr auto kStateless = QStringConverter::Flag::Stateless;

QByteArray encode(const char *codePage, QStringView piece, bool *failed)
{
    QStringEncoder encoder(codePage, kStateless);
    const QByteArray bytes = encoder.encode(piece);
    *failed = !encoder.isValid() || encoder.hasError();
    return bytes;
}

} // namespace

QByteArray TextBytes(const QString &text)
{
    bool failed = false;
    // Almost every text: code page 936 holds all its characters.
    QByteArray bytes = encode("windows-936", text, &failed);
    if (!failed)
        return bytes;
    // Character by character: code page 936 where it can, GB18030 where it
    // cannot (GB18030's four-byte sequences never occur in code page 936
    // text, so they cannot be mistaken for other characters).
    bytes.clear();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        qsizetype length = 1;
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate())
            length = 2;
        else if (c.isSurrogate()) {
            bytes.append('?');
            ++i;
            continue;
        }
        const QStringView piece = QStringView(text).mid(i, length);
        QByteArray encoded = encode("windows-936", piece, &failed);
        if (failed)
            encoded = encode("GB18030", piece, &failed);
        bytes.append(failed ? QByteArray("?") : encoded);
        i += length;
    }
    return bytes;
}

Digest BytesDigest(const QByteArray &bytes)
{
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
    Digest digest {};
    std::copy_n(reinterpret_cast<const quint8 *>(hash.constData()), digest.size(), digest.begin());
    return digest;
}

Digest TextDigest(const QString &text)
{
    return BytesDigest(TextBytes(text));
}

QString DigestHex(const Digest &digest)
{
    static const char digits[] = "0123456789abcdef";
    QString hex;
    hex.reserve(32);
    for (const quint8 byte : digest) {
        hex.append(QLatin1Char(digits[byte >> 4]));
        hex.append(QLatin1Char(digits[byte & 0x0F]));
    }
    return hex;
}

bool SameDigest(const Digest &a, const Digest &b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace md5
