#include "store/shooterstore.h"

#include "store/resultquery.h"
#include "store/tdata.h"

namespace {

const QString kNummer = QStringLiteral("Nummer");
const QString kName = QStringLiteral("Name");
const QString kVorname = QStringLiteral("Vorname");

Shooter shooterAt(const DataTable *pers, int row)
{
    const auto v = [&](const QString &field) { return pers->valueAt(row, field); };
    Shooter s;
    s.nummer = v(kNummer).toLongLong();
    s.name = v(kName).toString();
    s.vorname = v(kVorname).toString();
    s.geburtsdatum = v(QStringLiteral("Geburtsdatum")).toDate();
    s.sportverein = v(QStringLiteral("Sportverein")).toString();
    s.anzeigewert = v(QStringLiteral("Anzeigewert"));
    s.obereSchranke = v(QStringLiteral("Obere Schranke"));
    s.untereSchranke = v(QStringLiteral("Untere Schranke"));
    s.trainingsrunden = ShooterStore::storedRounds(v(QStringLiteral("Trainingsrunden")));
    return s;
}

// The fields an edit may write ("Trainingsrunden" is not one of them).
QVariantMap editable(const Shooter &s)
{
    return {{kName, s.name},
            {kVorname, s.vorname},
            {QStringLiteral("Geburtsdatum"), s.geburtsdatum.isValid() ? QVariant(s.geburtsdatum) : QVariant()},
            {QStringLiteral("Sportverein"), s.sportverein},
            {QStringLiteral("Anzeigewert"), s.anzeigewert},
            {QStringLiteral("Obere Schranke"), s.obereSchranke},
            {QStringLiteral("Untere Schranke"), s.untereSchranke}};
}

} // namespace

ShooterStore::ShooterStore(TData *data)
    : m_data(data ? data : TData::instance())
{
}

int ShooterStore::storedRounds(const QVariant &stored)
{
    int rounds = -1;
    return ResultQuery::wholeNumber(stored, &rounds) && rounds >= 0 ? rounds : -1;
}

QVector<Shooter> ShooterStore::list() const
{
    QVector<Shooter> out;
    const DataTable *pers = m_data ? m_data->persTable() : nullptr;
    if (!pers || !pers->isOpen())
        return out;
    out.reserve(pers->recordCount());
    for (int row = 0; row < pers->recordCount(); ++row)
        out << shooterAt(pers, row);
    return out;
}

std::optional<Shooter> ShooterStore::find(qint64 nummer) const
{
    const DataTable *pers = m_data ? m_data->persTable() : nullptr;
    for (int row = 0; nummer > 0 && pers && pers->isOpen() && row < pers->recordCount(); ++row)
        if (pers->valueAt(row, kNummer).toLongLong() == nummer)
            return shooterAt(pers, row);
    return std::nullopt;
}

std::optional<Shooter> ShooterStore::findByNames(const QString &name, const QString &vorname) const
{
    const DataTable *pers = m_data ? m_data->persTable() : nullptr;
    for (int row = 0; pers && pers->isOpen() && row < pers->recordCount(); ++row)
        if (pers->valueAt(row, kName).toString() == name && pers->valueAt(row, kVorname).toString() == vorname)
            return shooterAt(pers, row);
    return std::nullopt;
}

bool ShooterStore::update(const Shooter &read, const Shooter &changed)
{
    return m_data && m_data->updateShooter(read.nummer, editable(read), editable(changed));
}

bool ShooterStore::remove(const Shooter &read)
{
    return m_data && m_data->removeShooter(read.nummer, read.name, read.vorname);
}

ShooterStore::ProfileState ShooterStore::shownProfile(QVariantMap *values) const
{
    const DataTable *visier = m_data ? m_data->visierTable() : nullptr;
    if (!visier || !visier->isOpen() || !visier->master() || !visier->master()->hasActiveRecord())
        return ProfileState::Unknown;
    if (!visier->hasActiveRecord())
        return ProfileState::Missing;
    if (values) {
        values->clear();
        for (const FieldDef &f : TableSchema::vData().fields)
            values->insert(f.name, visier->fieldValue(f.name));
    }
    return ProfileState::Present;
}

QString ShooterStore::errorText() const { return m_data ? m_data->errorText() : QString(); }
