#include "curves/kdftools.h"

#include "platform/clock.h"
#include "platform/digitreader.h"
#include "platform/iniprofile.h"

#include <QDir>
#include <QFileInfo>
#include <limits>

CurveDefinition ReadCurveDefinition(const QString &filePath, const QString &section)
{
    const IniProfile ini(filePath);
    CurveDefinition c;
    c.Rec = ini.readBool(section, QStringLiteral("Rec"), false);
    c.Points = ini.readInteger(section, QStringLiteral("Points"), 0);
    c.Description = ini.readString(section, QStringLiteral("Description"), QString());
    c.Speed = ini.readInteger(section, QStringLiteral("Speed"), 3);
    // A curve beyond the point limit is never presented: its keys are not read.
    if (c.Rec && c.Points > 0 && c.Points <= MaxCurvePoints) {
        c.PointTexts.reserve(c.Points);
        for (int k = 0; k < c.Points; ++k)
            c.PointTexts << ini.readString(section, QString::number(k), QStringLiteral("0"));
    }
    return c;
}

bool PointTextFits(const QString &text)
{
    qint64 value[3] = {0, 0, 0};
    int part = 0;
    for (const QChar ch : text) {
        if (ch == u':') {
            part = 1;
        } else if (ch == u'|') {
            part = 2;
        } else if (ch >= u'0' && ch <= u'9') {
            value[part] = value[part] * 10 + (ch.unicode() - u'0');
            if (value[part] > std::numeric_limits<int>::max())
                return false;
        }
    }
    return true;
}

bool DecodeCurvePoints(const CurveDefinition &curve, QVector<CurvePoint> *points)
{
    points->clear();
    if (!curve.Rec || curve.Points <= 0)
        return true;
    if (curve.Points > MaxCurvePoints || curve.PointTexts.size() != curve.Points)
        return false;
    QVector<CurvePoint> out;
    out.reserve(curve.PointTexts.size());
    for (const QString &text : curve.PointTexts) {
        if (!PointTextFits(text))
            return false;
        const PointParts p = DecodePointText(text);
        if (p.third > MaxHoldMs)
            return false;
        out.append({p.first, p.second, p.third});
    }
    *points = out;
    return true;
}

QStringList CheckCurveFile(const QString &filePath)
{
    const QString name = QFileInfo(filePath).fileName();
    const QString head = QStringLiteral("Kurvendatei \u201E%1\u201C: ").arg(name);
    const IniProfile ini(filePath);
    if (!ini.isLoaded())
        return {head + QStringLiteral("Die Datei kann nicht gelesen werden.")};

    QStringList problems;
    QStringList missingSections;
    for (int t = 1; t <= 5; ++t) {
        const QString section = QString::number(t);
        if (!ini.sectionExists(section)) {
            missingSections << section;
            continue;
        }
        const QString where = head + QStringLiteral("Abschnitt [%1]: ").arg(section);
        const QString pointsText = ini.readString(section, QStringLiteral("Points"), QString());
        const bool rec = ini.readBool(section, QStringLiteral("Rec"), false);
        const int points = ini.readInteger(section, QStringLiteral("Points"), 0);
        if (!rec)
            continue;
        if (!pointsText.isEmpty() && points == 0 && pointsText.trimmed() != QLatin1String("0"))
            problems << where + QStringLiteral("Die Punktzahl \u201E%1\u201C ist keine gültige Zahl.").arg(pointsText.left(40));
        if (points > MaxCurvePoints) {
            problems << where + QStringLiteral("%1 Punkte sind zu viele (höchstens %2); die Kurve wird nicht gezeigt.")
                                    .arg(points)
                                    .arg(MaxCurvePoints);
            continue;
        }
        int missing = 0;
        int firstMissing = -1;
        int firstHuge = -1;
        int firstLong = -1;
        for (int k = 0; k < points; ++k) {
            const QString key = QString::number(k);
            if (!ini.valueExists(section, key)) {
                if (missing++ == 0)
                    firstMissing = k;
                continue;
            }
            const QString text = ini.readString(section, key, QStringLiteral("0"));
            if (!PointTextFits(text)) {
                if (firstHuge < 0)
                    firstHuge = k;
            } else if (firstLong < 0 && DecodePointText(text).third > MaxHoldMs) {
                firstLong = k;
            }
        }
        if (missing > 0)
            problems << where + QStringLiteral("%1 von %2 Punkten fehlen (erster fehlender: Punkt %3); sie gelten als 0:0|0.")
                                    .arg(missing)
                                    .arg(points)
                                    .arg(firstMissing);
        if (firstHuge >= 0)
            problems << where + QStringLiteral("Punkt %1 enthält eine zu große Zahl; die Kurve wird nicht gezeigt.").arg(firstHuge);
        if (firstLong >= 0)
            problems << where + QStringLiteral("Punkt %1 hält länger als %2 ms; die Kurve wird nicht gezeigt.")
                                    .arg(firstLong)
                                    .arg(MaxHoldMs);
    }
    if (!missingSections.isEmpty())
        problems.prepend(head + QStringLiteral("Es fehlen die Abschnitte [%1]; diese Scheiben zeigen keine Kurve.")
                                    .arg(missingSections.join(QStringLiteral("], ["))));
    return problems;
}

QStringList MirrorDefinitions::messages() const
{
    QStringList out;
    for (int n : faulty)
        out << QStringLiteral("Defintionsdaten Spiegel %1 der Schussanlage fehlerhaft.").arg(n);
    return out;
}

QString MirrorDefinitions::report(const QString &defPath) const
{
    QString text = QStringLiteral("Die Definitionsdatei \u201E%1\u201C der Schussanlage ist fehlerhaft:")
                       .arg(QDir::toNativeSeparators(defPath));
    if (!fileRead)
        text += QFileInfo::exists(defPath) ? QStringLiteral("\r\nDie Datei kann nicht gelesen werden.")
                                           : QStringLiteral("\r\nDie Datei ist nicht vorhanden.");
    text += QStringLiteral("\r\n");
    const QStringList lines = messages();
    for (int i = 0; i < lines.size(); ++i) {
        text += QStringLiteral("\r\n") + lines.at(i);
        if (fileRead && i < reasons.size())
            text += QLatin1Char(' ') + reasons.at(i);
    }
    return text;
}

MirrorDefinitions ReadMirrorDefinitions(const QString &defPath, int pictureWidth)
{
    const IniProfile ini(defPath);
    const QString section = QStringLiteral("Spiegel");
    MirrorDefinitions result;
    result.fileRead = ini.isLoaded();
    result.mirrors.resize(5);
    for (int n = 1; n <= 5; ++n) {
        const QString key = QString::number(n);
        const QString text = ini.readString(section, key, QStringLiteral("leer"));
        const QString value = text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
        QString reason;
        MirrorDef m;
        if (!ini.valueExists(section, key)) {
            reason = QStringLiteral("Im Abschnitt [Spiegel] fehlt der Schlüssel \u201E%1\u201C.").arg(key);
        } else if (text.compare(QLatin1String("leer"), Qt::CaseInsensitive) == 0) {
            reason = QStringLiteral("Wert \u201E%1\u201C: kein Spiegel angegeben.").arg(value);
        } else if (!PointTextFits(text)) {
            reason = QStringLiteral("Wert \u201E%1\u201C: eine Zahl ist zu groß.").arg(value);
        } else {
            const PointParts p = DecodePointText(text);
            m = {p.first, p.second, p.third};
            if (pictureWidth >= 0 && m.X >= pictureWidth)
                reason = QStringLiteral("Wert \u201E%1\u201C: X = %2 liegt außerhalb des Bildes (%3 Pixel breit).")
                             .arg(value)
                             .arg(m.X)
                             .arg(pictureWidth);
        }
        if (reason.isEmpty()) {
            result.texts << text;
            result.mirrors[n - 1] = m;
        } else {
            result.faulty << n;
            result.reasons << reason;
        }
    }
    return result;
}

QString DefinitionFileFor(const QString &picturePath)
{
    const QFileInfo info(picturePath);
    const QString name = info.fileName();
    const int dot = name.indexOf(u'.');
    const QString base = dot < 0 ? name : name.left(dot);
    const QDir dir = info.dir();
    const QString wanted = base + QStringLiteral(".def");
    if (!QFileInfo(dir.filePath(wanted)).exists()) {
        // The extension matches without regard to case, as the picture's does.
        for (const QString &entry : dir.entryList({wanted}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
            if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(entry);
        }
    }
    return dir.filePath(wanted);
}

namespace {
QStringList listFiles(const QString &dir, const QString &pattern)
{
    return QDir(dir).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}
} // namespace

QStringList ListCurveSets(const QString &kdataDir)
{
    // Hidden entries (".gitkeep", ".git") are no sets.
    return QDir(kdataDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                    QDir::Name | QDir::IgnoreCase);
}

QStringList ListCurveFiles(const QString &setDir)
{
    QStringList out;
    const QDir dir(setDir);
    for (const QString &name : listFiles(setDir, QStringLiteral("*.kdf")))
        out << dir.filePath(name);
    return out;
}

QStringList ListShootingSystems(const QString &sdataDir)
{
    QStringList out;
    const QDir dir(sdataDir);
    for (const QString &name : listFiles(sdataDir, QStringLiteral("*.bmp"))) {
        if (QFileInfo(DefinitionFileFor(dir.filePath(name))).isFile())
            out << name;
    }
    return out;
}

QStringList ListSightPictures(const QString &vdataDir) { return listFiles(vdataDir, QStringLiteral("*.bmp")); }

void ShuffleCurveFiles(QStringList &files, std::mt19937 &rng)
{
    int n = int(files.size());
    while (n > 1) {
        std::uniform_int_distribution<int> pick(0, n - 1);
        const int j = pick(rng);
        --n;
        files.swapItemsAt(n, j);
    }
}

std::mt19937 ClockSeededGenerator()
{
    const Clock &clock = Clock::instance();
    const quint64 seed = quint64(clock.monotonicNs()) ^ quint64(clock.now().toMSecsSinceEpoch());
    std::seed_seq seq{quint32(seed), quint32(seed >> 32)};
    return std::mt19937(seq);
}
