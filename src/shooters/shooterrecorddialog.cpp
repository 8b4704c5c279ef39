#include "shooters/shooterrecorddialog.h"

#include "platform/clock.h"
#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "shooters/birthdateedit.h"
#include "shooters/clublist.h"
#include "shooters/sightprofiledialog.h"
#include "store/datatable.h"
#include "store/datatablemodel.h"
#include "store/tdata.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

bool ShooterPairTaken(const QString &name, const QString &vorname, qint64 ownNummer)
{
    for (const Shooter &s : ShooterStore().list())
        if (s.nummer != ownNummer && s.name == name && s.vorname == vorname)
            return true;
    return false;
}

namespace {

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

QSpinBox *makeNumber(QWidget *parent, const QString &name)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(INT_MIN, INT_MAX);
    spin->hide();
    return spin;
}

int textWidth(const QString &field, int fallback)
{
    const DataTable *pers = TData::instance() ? TData::instance()->persTable() : nullptr;
    const int width = pers ? pers->maxLength(field) : 0;
    return width > 0 ? width : fallback;
}

} // namespace

ShooterRecordDialog::ShooterRecordDialog(const QString &code, QWidget *parent)
    : QDialog(parent)
    , m_code(code)
{
    setModal(true);

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("Name_Edit"));
    m_nameEdit->setMaxLength(textWidth(QStringLiteral("Name"), 15));
    m_firstNameEdit = new QLineEdit(this);
    m_firstNameEdit->setObjectName(QStringLiteral("Vorname_Edit"));
    m_firstNameEdit->setMaxLength(textWidth(QStringLiteral("Vorname"), 15));
    m_birthDatePicker = new BirthDateEdit(this);
    m_birthDatePicker->setObjectName(QStringLiteral("Geburtsdatum_Picker"));
    m_clubBox = new QComboBox(this);
    m_clubBox->setObjectName(QStringLiteral("Sportverein_ComboBox"));
    m_clubBox->setEditable(true);
    m_clubBox->setInsertPolicy(QComboBox::NoInsert);
    m_clubBox->lineEdit()->setMaxLength(textWidth(QStringLiteral("Sportverein"), 35));
    m_clubBox->setMinimumWidth(240);
    m_upperBoundEdit = makeNumber(this, QStringLiteral("ObereSchranke_Edit"));
    m_lowerBoundEdit = makeNumber(this, QStringLiteral("UntereSchranke_Edit"));
    m_displayValueEdit = new QLineEdit(this);
    m_displayValueEdit->setObjectName(QStringLiteral("Anzeige_Edit"));
    m_displayValueEdit->hide();

    QLabel *nameLabel = makeLabel(this, QStringLiteral("Name_Label"), QStringLiteral("&Name"), m_nameEdit);
    QLabel *firstNameLabel = makeLabel(this, QStringLiteral("Vorname_Label"), QStringLiteral("&Vorname"), m_firstNameEdit);
    QLabel *birthDateLabel =
        makeLabel(this, QStringLiteral("Geburtsdatum_Label"), QStringLiteral("&Geburtsdatum"), m_birthDatePicker);
    QLabel *clubLabel =
        makeLabel(this, QStringLiteral("Sportverein_Label"), QStringLiteral("&Sportverein"), m_clubBox);
    QLabel *upperBoundLabel = makeLabel(this, QStringLiteral("ObereSchranke_Label"), QStringLiteral("&obere Schranke in %"),
                                    m_upperBoundEdit);
    QLabel *lowerBoundLabel = makeLabel(this, QStringLiteral("UntereSchranke_Label"),
                                     QStringLiteral("&untere Schranke in %"), m_lowerBoundEdit);
    QLabel *displayValueLabel =
        makeLabel(this, QStringLiteral("Anzeige_Label"), QStringLiteral("&Anzeige (Maximalwert)"), m_displayValueEdit);
    upperBoundLabel->hide();
    lowerBoundLabel->hide();
    displayValueLabel->hide();

    bind(m_nameEdit, QStringLiteral("Name"));
    bind(m_firstNameEdit, QStringLiteral("Vorname"));
    bind(m_displayValueEdit, QStringLiteral("Anzeigewert"));

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    SetHint(m_okButton, QStringLiteral("|Datensatz speichern"));
    m_cancelButton = new QPushButton(QStringLiteral("&Abbruch"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    m_cancelButton->setAutoDefault(false);
    SetHint(m_cancelButton, QStringLiteral("|Datensatz verwerfen"));
    m_sightButton = new QPushButton(QStringLiteral("Visier konfigurieren"), this);
    m_sightButton->setObjectName(QStringLiteral("Visier_Button"));
    m_sightButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &ShooterRecordDialog::okClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &ShooterRecordDialog::reject);
    connect(m_sightButton, &QPushButton::clicked, this, &ShooterRecordDialog::sightClicked);

    auto *grid = new QGridLayout;
    const QList<QPair<QLabel *, QWidget *>> rows = {{nameLabel, m_nameEdit},
                                                     {firstNameLabel, m_firstNameEdit},
                                                     {birthDateLabel, m_birthDatePicker},
                                                     {clubLabel, m_clubBox},
                                                     {upperBoundLabel, m_upperBoundEdit},
                                                     {lowerBoundLabel, m_lowerBoundEdit},
                                                     {displayValueLabel, m_displayValueEdit}};
    for (int i = 0; i < rows.size(); ++i) {
        grid->addWidget(rows.at(i).first, i, 0);
        grid->addWidget(rows.at(i).second, i, 1);
    }
    grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_sightButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

DataTable *ShooterRecordDialog::table()
{
    TData *data = TData::instance();
    return data ? data->persTable() : nullptr;
}

void ShooterRecordDialog::bind(QLineEdit *edit, const QString &field)
{
    connect(edit, &QLineEdit::textEdited, this, [field](const QString &text) {
        if (DataTable *pers = table(); pers && pers->state() == DataTable::State::Insert)
            pers->setFieldValue(field, text);
    });
}

void ShooterRecordDialog::showBoundFields()
{
    const DataTable *pers = table();
    const auto value = [pers](const char *field) {
        return pers ? DataTableModel::displayText(pers->fieldValue(QString::fromLatin1(field))) : QString();
    };
    m_nameEdit->setText(value("Name"));
    m_firstNameEdit->setText(value("Vorname"));
    m_displayValueEdit->setText(value("Anzeigewert"));
}

void ShooterRecordDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

bool ShooterRecordDialog::checkNames(bool requireClub)
{
    const QString name = m_nameEdit->text().trimmed();
    const QString vorname = m_firstNameEdit->text().trimmed();
    if (name.isEmpty() || vorname.isEmpty() || (requireClub && m_clubBox->currentText().trimmed().isEmpty())) {
        ShowError(requireClub ? QStringLiteral("\r\nBitte alle Felder ausfüllen.")
                              : QStringLiteral("\r\nBitte zuerst Name und Vorname des Schützen eingeben."));
        return false;
    }
    if (ShooterPairTaken(name, vorname, ownNummer())) {
        ShowError(QStringLiteral("\r\nEs gibt bereits einen Schützen ") + vorname + u' ' + name
                  + QStringLiteral(".\r\nBitte geben Sie einen anderen Namen oder Vornamen ein."));
        return false;
    }
    return true;
}

void ShooterRecordDialog::okClicked()
{
    const QString club = m_clubBox->currentText().trimmed();
    AddClub(club);
    if (!checkNames(true))
        return;
    const QString dateProblem =
        BirthDateEdit::problem(m_birthDatePicker->text(), Clock::instance().now().date());
    if (!dateProblem.isEmpty()) {
        ShowError(dateProblem);
        m_birthDatePicker->setFocus();
        m_birthDatePicker->selectAll();
        return;
    }

    WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz speichern"));
    if (!storeRecord(entered())) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz speichern"));
        // Why, in German (a duplicate shooter, a damaged or write-protected file).
        const TData *data = TData::instance();
        const QString why = data ? data->errorText() : QString();
        ShowError(QStringLiteral("\r\nFehler beim Schreiben der Daten !")
                  + (why.isEmpty() ? QString() : QStringLiteral("\r\n") + why));
        if (DataTable *pers = table()) {
            pers->cancel();
            pers->refresh();   // shows what is stored now, e.g. another stand's change
        }
        dropRecord();
    }
    done(QDialog::Accepted);
}

Shooter ShooterRecordDialog::entered() const
{
    Shooter s;
    s.name = m_nameEdit->text().trimmed();
    s.vorname = m_firstNameEdit->text().trimmed();
    s.geburtsdatum = m_birthDatePicker->date();
    s.sportverein = m_clubBox->currentText().trimmed();
    s.obereSchranke = double(m_upperBoundEdit->value());
    s.untereSchranke = double(m_lowerBoundEdit->value());
    return s;
}

void ShooterRecordDialog::reject()
{
    if (DataTable *pers = table())
        pers->cancel();
    dropRecord();
    QDialog::reject();
}

void ShooterRecordDialog::sightClicked()
{
    if (!m_sightDialog || !checkNames(false))
        return;
    AppState::instance().setActivityTitle(QStringLiteral("Visier konfigurieren"));
    runSightDialog(m_sightDialog);
}

void ShooterRecordDialog::done(int r)
{
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
