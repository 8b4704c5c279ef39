#pragma once
// Shooters as values: what windows, runs and tools read and write instead of
// a table's current record.
//
//   ShooterStore store;                               // the program's data module
//   const std::optional<Shooter> read = store.find(nummer);
//   Shooter changed = *read;
//   changed.sportverein = club;
//   if (!store.update(*read, changed)) ShowError(store.errorText());
#include <QDate>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QVector>
#include <optional>

class TData;

struct Shooter
{
    qint64 nummer = 0;   // the record's key; 0: not stored
    QString name;
    QString vorname;
    QDate geburtsdatum;
    QString sportverein;
    // Stored numbers as read; an invalid QVariant when empty.
    QVariant anzeigewert;
    QVariant obereSchranke;
    QVariant untereSchranke;
    // -1: none, or no whole number in range (damage). Changes only by
    // saving runs (+ n in the database), never through update().
    int trainingsrunden = -1;
};

class ShooterStore
{
public:
    explicit ShooterStore(TData *data = nullptr);   // nullptr: TData::instance()

    // The shooters as the program read them last, in list order.
    QVector<Shooter> list() const;
    std::optional<Shooter> find(qint64 nummer) const;
    std::optional<Shooter> findByNames(const QString &name, const QString &vorname) const;
    // Writes the fields in which changed differs from read, guarded by the
    // read values, in one transaction; a rename carries the shooter's sight
    // profiles and results along. A field changed elsewhere since read refuses
    // with a German errorText(); fields changed elsewhere that this edit
    // leaves alone are kept.
    bool update(const Shooter &read, const Shooter &changed);
    // Deletes the shooter as read, with his sight profiles and results, in one
    // transaction; refused when he was renamed or deleted elsewhere meanwhile.
    bool remove(const Shooter &read);
    QString errorText() const;

    // The sight profile stored for the shooter the lists show (the VData row
    // read with him): Present with its values by field name, Missing when he
    // has none, Unknown when the tables are closed or another shooter is shown.
    enum class ProfileState { Unknown, Missing, Present };
    ProfileState shownProfile(QVariantMap *values = nullptr) const;

    // A stored count: a whole number in range, otherwise -1.
    static int storedRounds(const QVariant &stored);

private:
    TData *m_data;
};
