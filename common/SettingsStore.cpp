#include "SettingsStore.h"

#include "DecimalText.h"
#include "platform/Platform.h"

#include <QSettings>

SettingsStore::SettingsStore(const QString &section)
    : m_settings(Platform::openSettingsKey())
{
    m_settings->beginGroup(section);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::readString(const char *name, const QString &defaultValue) const
{
    const QVariant value = m_settings->value(QString::fromLatin1(name));
    if (value.typeId() != QMetaType::QString)
        return defaultValue;
    return value.toString();
}

int SettingsStore::readInteger(const char *name, int defaultValue) const
{
    const QVariant value = m_settings->value(QString::fromLatin1(name));
    int parsed = 0;
    if (value.typeId() != QMetaType::QString || !parseDecimalInt32(value.toString(), &parsed))
        return defaultValue;
    return parsed;
}

bool SettingsStore::readBool(const char *name, bool defaultValue) const
{
    return readInteger(name, defaultValue ? 1 : 0) != 0;
}

void SettingsStore::writeString(const char *name, const QString &value)
{
    m_settings->setValue(QString::fromLatin1(name), value);
}

void SettingsStore::writeInteger(const char *name, int value)
{
    writeString(name, QString::number(value));
}

void SettingsStore::writeBool(const char *name, bool value)
{
    writeString(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SettingsStore::commit()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString SettingsStore::location() const
{
    return m_settings->fileName();
}
