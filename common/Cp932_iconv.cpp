#include "Cp932.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

// One conversion through iconv; an input sequence it cannot convert is replaced by
// `replacement` and skipped by `skip` units, so the caller always gets a full text.
QByteArray convert(const char *to, const char *from, const QByteArray &input, const QByteArray &replacement,
                   size_t skip)
{
    QByteArray out;
    if (input.isEmpty())
        return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    QByteArray buffer(input.size() * 4 + 16, Qt::Uninitialized);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        size_t outLeft = static_cast<size_t>(buffer.size());
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.constData(), buffer.size() - static_cast<qsizetype>(outLeft));
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: a sequence the target cannot hold, or a cut-off one.
        out.append(replacement);
        const size_t step = std::min(skip, inLeft);
        in += step;
        inLeft -= step;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv_close(cd);
    return out;
}

} // namespace

namespace Cp932 {

QByteArray fromUnicode(const QString &text)
{
    // UTF-32 input lets an unconvertible character be skipped as one unit.
    const QList<uint> ucs4 = text.toUcs4();
    const QByteArray input(reinterpret_cast<const char *>(ucs4.constData()), ucs4.size() * 4);
    return convert("CP932", "UTF-32LE", input, QByteArrayLiteral("?"), 4);
}

QString toUnicode(const QByteArray &bytes)
{
    const QByteArray utf8 = convert("UTF-8", "CP932", bytes, QByteArrayLiteral("?"), 1);
    return QString::fromUtf8(utf8);
}

} // namespace Cp932
