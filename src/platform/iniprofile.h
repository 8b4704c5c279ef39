#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// Reader of profile (ini) files such as config.ini, *.kdf and *.def, with the
// rules of the Windows profile functions:
//   - "[name]" starts a section; section and key names are matched without
//     regard to case;
//   - "key=value": the key is the text before the first "=", the value the
//     text after it up to the line end, both with surrounding blanks and tabs
//     removed; the value is taken literally ("0,1" stays "0,1", a ";" inside
//     it is kept), except that one pair of matching double or single quotes
//     around the whole value is removed;
//   - lines starting with ";" (after optional blanks) are comments; lines
//     without "=", lines before the first section and an unclosed "[" line
//     are skipped;
//   - a repeated section or key: the first occurrence counts, later ones are
//     ignored (a second "[A]" block is not merged into the first);
//   - CR LF, LF and CR line ends; a UTF-8 or UTF-16 byte order mark selects
//     that encoding; otherwise the text is UTF-8 when it is valid UTF-8 and
//     Windows-1252 when it is not.
// A missing or unreadable file (a directory, a device, more than 16 MiB) reads
// like an empty one: every lookup gives its default.
// The file is read once, when the object is made.
class IniProfile
{
public:
    explicit IniProfile(const QString &filePath);
    static IniProfile fromData(const QByteArray &data);

    // True when the file could be read (it may still be empty).
    bool isLoaded() const { return m_loaded; }
    QString filePath() const { return m_path; }

    QString readString(const QString &section, const QString &key, const QString &def) const;
    // Integer rule of the settings store (RegistryIni::textToInt): decimal
    // with optional sign, or "0x" + hex; anything else, or an empty value,
    // gives def.
    int readInteger(const QString &section, const QString &key, int def) const;
    // The integer rule with default 0 or 1; any non-zero value is true.
    bool readBool(const QString &section, const QString &key, bool def) const;

    bool sectionExists(const QString &section) const;
    bool valueExists(const QString &section, const QString &key) const;
    // Key names of a section as written, in file order.
    QStringList readSection(const QString &section) const;
    // Section names as written, in file order.
    QStringList sections() const;

    static QString decodeText(const QByteArray &data);

private:
    IniProfile() = default;
    void parse(const QString &text);
    const QString *rawValue(const QString &section, const QString &key) const;

    struct Section
    {
        QString name;
        QStringList keys;
        QStringList values;
        QHash<QString, int> index; // case-folded key -> position
    };
    QString m_path;
    bool m_loaded = false;
    QVector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // case-folded name -> position
};
