#include "SettingsStore.h"

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
    if (value.typeId() != QMetaType::QString || !parseStoredInteger(value.toString(), &parsed))
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

bool parseStoredInteger(const QString &text, int *value)
{
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    if (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+'))
        i = 1;
    if (i == text.size())
        return false;
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text.at(j) < QLatin1Char('0') || text.at(j) > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (ok)
        *value = parsed;
    return ok;
}
