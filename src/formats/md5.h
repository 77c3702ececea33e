// The MD5 digest of a text and its 32-digit lowercase hexadecimal form, as
// the password column of the user table holds it. A text is digested as its
// bytes in the Chinese Windows code page (936, "GBK"): 中 is D6 D0, € is 80.
// A character that code page cannot hold (an emoji, a rare ideograph) is
// digested as its GB18030 bytes, four bytes for nearly all of them, rather
// than as "?", so such texts do not all share one digest. Half of a
// surrogate pair standing alone is no character and is digested as "?".
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace md5 {

using Digest = std::array<quint8, 16>;

// The bytes a text is digested as (see above); the empty text is no bytes.
QByteArray TextBytes(const QString &text);

// The MD5 digest (RFC 1321) of bytes, and of a text's bytes.
Digest BytesDigest(const QByteArray &bytes);
Digest TextDigest(const QString &text);

// The 32 lowercase hexadecimal digits of a digest, high half of each byte
// first, no separators.
QString DigestHex(const Digest &digest);

// True when all 16 bytes are equal.
bool SameDigest(const Digest &a, const Digest &b);

} // namespace md5
