#include "VersionInfo.h"

#include "AppError.h"

QString versionKeyName(TVersionKey key)
{
    static const char *const names[] = {
        "Comments",        "CompanyName",      "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
        "LegalTrademarks", "OriginalFilename", "PrivateBuild",    "ProductName", "ProductVersion", "SpecialBuild",
    };
    return QString::fromLatin1(names[static_cast<int>(key)]);
}

QString GetVersionValue(TVersionKey key, const VersionResource &resource)
{
    if (!resource.present)
        return {};
    if (resource.translations.isEmpty())
        throw AppError(QStringLiteral("情報の取得に失敗しました"));
    const VersionTranslation &first = resource.translations.first();
    const QString block = QStringLiteral("%1%2")
                              .arg(first.language, 4, 16, QLatin1Char('0'))
                              .arg(first.codePage, 4, 16, QLatin1Char('0'))
                              .toUpper();
    return resource.blocks.value(block).value(versionKeyName(key));
}
