#include "CredentialPages.h"

#include "Cp932.h"

#include <QUrl>

QString EncodeCredential(const QString &value)
{
    QString out;
    for (const char ch : Cp932::fromUnicode(value)) {
        const int piece = static_cast<unsigned char>(ch) - 48;
        out += piece < 0 ? QStringLiteral("-%1").arg(-piece, 3, 10, QLatin1Char('0'))
                         : QStringLiteral("%1").arg(piece, 3, 10, QLatin1Char('0'));
    }
    return out;
}

bool isCredentialPage(const QUrl &address, const QString &siteOrigin)
{
    static const QString paths[] = {
        QStringLiteral("/quenvel/yosou.php"),
        QStringLiteral("/quenvel/shutsuba.php"),
        QStringLiteral("/quenvel/syukei.php"),
    };
    const QUrl site(siteOrigin);
    if (!address.isValid() || !site.isValid() || address.isRelative())
        return false;
    if (!address.userInfo().isEmpty())
        return false;
    if (address.scheme().compare(site.scheme(), Qt::CaseInsensitive) != 0
        || address.host().compare(site.host(), Qt::CaseInsensitive) != 0)
        return false;
    const int defaultPort = site.scheme() == QLatin1String("https") ? 443 : 80;
    if (address.port(defaultPort) != site.port(defaultPort))
        return false;
    // The path in its normal form: escaped unreserved characters read as themselves, an
    // escaped "/" does not.
    const QString path = address.path(QUrl::FullyEncoded);
    for (const QString &page : paths) {
        if (path == page)
            return true;
    }
    return false;
}
