#include "platform/registryini.h"

#include <QDir>
#include <QSettings>

namespace {

// QSettings treats "/" and "\" in value names as group separators; keep them literal.
// The empty name (the registry's default value) is stored as "@", like .reg files do.
QString encodeName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("@");
    if (name == QLatin1String("@"))
        return QStringLiteral("%40");
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == u'%') out += QStringLiteral("%25");
        else if (c == u'/') out += QStringLiteral("%2F");
        else if (c == u'\\') out += QStringLiteral("%5C");
        else out += c;
    }
    return out;
}

QString decodeName(const QString &name)
{
    if (name == QLatin1String("@"))
        return QString();
    if (name == QLatin1String("%40"))
        return QStringLiteral("@");
    QString out = name;
    out.replace(QStringLiteral("%2F"), QStringLiteral("/"));
    out.replace(QStringLiteral("%5C"), QStringLiteral("\\"));
    out.replace(QStringLiteral("%25"), QStringLiteral("%"));
    return out;
}

QString findCaseless(const QStringList &candidates, const QString &wanted)
{
    for (const QString &c : candidates)
        if (c.compare(wanted, Qt::CaseInsensitive) == 0)
            return c;
    return QString();
}

} // namespace

QString RegistryIni::fileForKey(const QString &keyPath)
{
    QString rel = keyPath;
    rel.replace(u'\\', u'/');
    while (rel.startsWith(u'/'))
        rel.remove(0, 1);
    if (rel.startsWith(QLatin1String("software/"), Qt::CaseInsensitive))
        rel.remove(0, 9);
    else if (rel.compare(QLatin1String("software"), Qt::CaseInsensitive) == 0)
        rel.clear();
    rel = rel.toLower();
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + u'/' + rel) + QStringLiteral(".conf");
}

RegistryIni::RegistryIni(const QString &keyPath)
{
#ifdef Q_OS_WIN
    m_settings = new QSettings(QStringLiteral("HKEY_CURRENT_USER\\") + keyPath, QSettings::NativeFormat);
#else
    m_settings = new QSettings(fileForKey(keyPath), QSettings::IniFormat);
#endif
}

RegistryIni::~RegistryIni()
{
    m_settings->sync();
    delete m_settings;
}

QString RegistryIni::storedGroup(const QString &section) const
{
    const QString found = findCaseless(m_settings->childGroups(), encodeName(section));
    return found.isEmpty() ? encodeName(section) : found;
}

QString RegistryIni::storedName(const QString &group, const QString &name) const
{
    m_settings->beginGroup(group);
    const QString found = findCaseless(m_settings->childKeys(), encodeName(name));
    m_settings->endGroup();
    return found.isEmpty() ? encodeName(name) : found;
}

bool RegistryIni::valueExists(const QString &section, const QString &name) const
{
    const QString group = storedGroup(section);
    return m_settings->contains(group + u'/' + storedName(group, name));
}

QString RegistryIni::readString(const QString &section, const QString &name, const QString &def) const
{
    const QString group = storedGroup(section);
    const QString key = group + u'/' + storedName(group, name);
    if (!m_settings->contains(key))
        return def;
    const QVariant v = m_settings->value(key);
    // An unquoted "6,500" in a hand-edited file comes back as a list.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

int RegistryIni::textToInt(const QString &text, int def)
{
    QString t = text;
    bool ok = false;
    qint64 value = 0;
    if (t.size() > 2 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X")))) {
        const QString digits = t.mid(2);
        for (QChar c : digits)
            if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
                return def;
        const quint64 u = digits.toULongLong(&ok, 16);
        if (!ok || u > 0xFFFFFFFFull)
            return def;
        return static_cast<int>(static_cast<quint32>(u));
    }
    // Leading blanks are accepted, nothing after the digits.
    int i = 0;
    while (i < t.size() && t.at(i) == u' ')
        ++i;
    t = t.mid(i);
    if (t.isEmpty())
        return def;
    int start = (t.at(0) == u'-' || t.at(0) == u'+') ? 1 : 0;
    if (start >= t.size())
        return def;
    for (int k = start; k < t.size(); ++k)
        if (t.at(k) < u'0' || t.at(k) > u'9')
            return def;
    value = t.toLongLong(&ok, 10);
    if (!ok || value < INT_MIN || value > INT_MAX)
        return def;
    return static_cast<int>(value);
}

int RegistryIni::readInteger(const QString &section, const QString &name, int def) const
{
    if (!valueExists(section, name))
        return def;
    return textToInt(readString(section, name, QString()), def);
}

bool RegistryIni::readBool(const QString &section, const QString &name, bool def) const
{
    return readInteger(section, name, def ? 1 : 0) != 0;
}

QStringList RegistryIni::readSection(const QString &section) const
{
    m_settings->beginGroup(storedGroup(section));
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    QStringList out;
    for (const QString &k : keys)
        out << decodeName(k);
    return out;
}

void RegistryIni::writeString(const QString &section, const QString &name, const QString &value)
{
    const QString group = storedGroup(section);
    m_settings->setValue(group + u'/' + storedName(group, name), value);
}

void RegistryIni::writeInteger(const QString &section, const QString &name, int value)
{
    writeString(section, name, QString::number(value));
}

void RegistryIni::writeBool(const QString &section, const QString &name, bool value)
{
    writeString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void RegistryIni::deleteValue(const QString &section, const QString &name)
{
    const QString group = storedGroup(section);
    m_settings->remove(group + u'/' + storedName(group, name));
}

void RegistryIni::eraseSection(const QString &section)
{
    m_settings->remove(storedGroup(section));
}
