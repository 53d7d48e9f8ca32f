#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The twelve standard keys of a program's version table, in their customary order.
enum class TVersionKey
{
    Comments,
    CompanyName,
    FileDescription,
    FileVersion,
    InternalName,
    LegalCopyright,
    LegalTrademarks,
    OriginalFilename,
    PrivateBuild,
    ProductName,
    ProductVersion,
    SpecialBuild,
};

QString versionKeyName(TVersionKey key);

struct VersionTranslation
{
    quint16 language;
    quint16 codePage;
};

// A program's version table: translations and, per block ("041103A4"), the string values.
struct VersionResource
{
    bool present = false;
    QList<VersionTranslation> translations;
    QMap<QString, QMap<QString, QString>> blocks;
};

// The running program's own table and its lookup, generated into each program by the
// build from the one list of versions.
const VersionResource &programVersionResource();

// One value of a version table, looked up in the block of its first translation.
// Empty without a table or without the value; an AppError "情報の取得に失敗しました"
// when the table has no translation.
QString GetVersionValue(TVersionKey key, const VersionResource &resource);
QString GetVersionValue(TVersionKey key); // the running program's own table
