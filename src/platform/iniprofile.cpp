#include "platform/iniprofile.h"

#include "platform/cp1252.h"
#include "platform/registryini.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s.at(begin)))
        ++begin;
    while (end > begin && isBlank(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin).toString();
}

QString keyOf(const QString &name) { return name.toCaseFolded(); }

} // namespace

IniProfile::IniProfile(const QString &filePath)
    : m_path(filePath)
{
    const QFileInfo info(filePath);
    if (!info.isFile() || info.size() > kMaxFileSize)
        return;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.read(kMaxFileSize + 1);
    if (data.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
        return;
    m_loaded = true;
    parse(decodeText(data));
}

IniProfile IniProfile::fromData(const QByteArray &data)
{
    IniProfile p;
    p.m_loaded = true;
    p.parse(decodeText(data));
    return p;
}

QString IniProfile::decodeText(const QByteArray &data)
{
    if (data.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringConverter::Utf8);
        return utf8(data.mid(3));
    }
    if (data.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringConverter::Utf16LE);
        return utf16(data.mid(2));
    }
    if (data.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringConverter::Utf16BE);
        return utf16(data.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    return Cp1252::decode(data);
}

void IniProfile::parse(const QString &text)
{
    int current = -1; // section the lines belong to; -1: none or a repeated one
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        const QString line = trimBlanks(QStringView(text).mid(pos, end - pos));
        pos = end + 1;
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue;
            const QString name = trimBlanks(QStringView(line).mid(1, close - 1));
            const QString folded = keyOf(name);
            if (m_sectionIndex.contains(folded)) {
                current = -1;
            } else {
                Section s;
                s.name = name;
                m_sections.append(s);
                current = int(m_sections.size() - 1);
                m_sectionIndex.insert(folded, current);
            }
            continue;
        }
        if (current < 0)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = trimBlanks(QStringView(line).left(eq));
        if (key.isEmpty())
            continue;
        Section &s = m_sections[current];
        const QString folded = keyOf(key);
        if (s.index.contains(folded))
            continue;
        s.index.insert(folded, int(s.keys.size()));
        s.keys.append(key);
        s.values.append(trimBlanks(QStringView(line).mid(eq + 1)));
    }
}

const QString *IniProfile::rawValue(const QString &section, const QString &key) const
{
    const auto sit = m_sectionIndex.constFind(keyOf(trimBlanks(section)));
    if (sit == m_sectionIndex.constEnd())
        return nullptr;
    const Section &s = m_sections.at(sit.value());
    const auto kit = s.index.constFind(keyOf(trimBlanks(key)));
    if (kit == s.index.constEnd())
        return nullptr;
    return &s.values.at(kit.value());
}

QString IniProfile::readString(const QString &section, const QString &key, const QString &def) const
{
    const QString *raw = rawValue(section, key);
    if (!raw)
        return def;
    const QString &v = *raw;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

int IniProfile::readInteger(const QString &section, const QString &key, int def) const
{
    if (!rawValue(section, key))
        return def;
    return RegistryIni::textToInt(readString(section, key, QString()), def);
}

bool IniProfile::readBool(const QString &section, const QString &key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniProfile::sectionExists(const QString &section) const
{
    return m_sectionIndex.contains(keyOf(trimBlanks(section)));
}

bool IniProfile::valueExists(const QString &section, const QString &key) const
{
    return rawValue(section, key) != nullptr;
}

QStringList IniProfile::readSection(const QString &section) const
{
    const auto sit = m_sectionIndex.constFind(keyOf(trimBlanks(section)));
    return sit == m_sectionIndex.constEnd() ? QStringList() : m_sections.at(sit.value()).keys;
}

QStringList IniProfile::sections() const
{
    QStringList out;
    for (const Section &s : m_sections)
        out << s.name;
    return out;
}
