#include "FormEncoding.h"

#include "Cp932.h"

namespace {

bool keptAsIs(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '-':
    case '.':
    case '@':
    case '_':
        return true;
    default:
        return false;
    }
}

} // namespace

QString EncodeFormValue(const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = Cp932::fromUnicode(text);
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            out.append(QLatin1Char(static_cast<char>(c)));
        } else if (c == ' ') {
            out.append(QLatin1Char('+'));
        } else {
            out.append(QLatin1Char('%'));
            out.append(QLatin1Char(hex[c >> 4]));
            out.append(QLatin1Char(hex[c & 0x0F]));
        }
    }
    return out;
}
