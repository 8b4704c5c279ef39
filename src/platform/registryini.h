#pragma once
#include <QString>
#include <QStringList>

class QSettings;

// Key/section/value layer of the per-user settings store.
// A key path such as "Software\Nrv\Vantrel Reaktion" is opened for one batch of
// reads or writes and closed again when the object goes away. On Windows it is
// the registry key under HKEY_CURRENT_USER; elsewhere one INI file per key path
// under $XDG_CONFIG_HOME (see fileForKey). Sections and value names are matched
// without regard to case, like the registry does.
class RegistryIni
{
public:
    explicit RegistryIni(const QString &keyPath);
    ~RegistryIni();
    RegistryIni(const RegistryIni &) = delete;
    RegistryIni &operator=(const RegistryIni &) = delete;

    QString readString(const QString &section, const QString &name, const QString &def) const;
    // Decimal text; "0x"/"0X" followed by hex digits is hexadecimal; anything else gives def.
    int readInteger(const QString &section, const QString &name, int def) const;
    // Read through the integer rule with default 0 or 1; any non-zero value is true.
    bool readBool(const QString &section, const QString &name, bool def) const;
    bool valueExists(const QString &section, const QString &name) const;
    // Names of the values of a section, as stored.
    QStringList readSection(const QString &section) const;

    void writeString(const QString &section, const QString &name, const QString &value);
    void writeInteger(const QString &section, const QString &name, int value);
    void writeBool(const QString &section, const QString &name, bool value);
    void deleteValue(const QString &section, const QString &name);
    void eraseSection(const QString &section);

    // The INI file that holds a key path outside Windows:
    // $XDG_CONFIG_HOME + path without "Software\", "\" as "/", lower case, + ".conf".
    static QString fileForKey(const QString &keyPath);
    // The integer rule on its own (exposed for the settings record and tests).
    static int textToInt(const QString &text, int def);

private:
    QString storedGroup(const QString &section) const;
    QString storedName(const QString &group, const QString &name) const;

    QSettings *m_settings;
};
