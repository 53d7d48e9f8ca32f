#pragma once

#include <QString>

#include <memory>

class QSettings;

// One pass over one section of the per-user settings store: open, read or write
// values, commit. Every value is kept as text: integers in decimal ("-8"), booleans
// as "1" and "0". A missing value, or one that is not text, reads as the default.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &section);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString readString(const char *name, const QString &defaultValue = {}) const;
    int readInteger(const char *name, int defaultValue) const;
    bool readBool(const char *name, bool defaultValue) const;

    void writeString(const char *name, const QString &value);
    void writeInteger(const char *name, int value);
    void writeBool(const char *name, bool value);

    // Writes what this pass changed to the store, keeping what other programs wrote
    // to their own sections meanwhile. False when the store could not be written.
    [[nodiscard]] bool commit();

    // Where the store lives, for messages ("the settings file ... could not be written").
    QString location() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
