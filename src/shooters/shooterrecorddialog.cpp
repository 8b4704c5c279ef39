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

#include <QScopedValueRollback>
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

bool ShooterPairTaken(const DataTable *pers, const QString &name, const QString &vorname)
{
    if (!pers || !pers->isOpen())
        return false;
    const int own = pers->state() == DataTable::State::Edit ? pers->currentRow() : -1;
    for (int row = 0; row < pers->recordCount(); ++row) {
        if (row == own)
            continue;
        if (pers->valueAt(row, QStringLiteral("Name")).toString() == name
            && pers->valueAt(row, QStringLiteral("Vorname")).toString() == vorname)
            return true;
    }
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

    Name_Edit = new QLineEdit(this);
    Name_Edit->setObjectName(QStringLiteral("Name_Edit"));
    Name_Edit->setMaxLength(textWidth(QStringLiteral("Name"), 15));
    Vorname_Edit = new QLineEdit(this);
    Vorname_Edit->setObjectName(QStringLiteral("Vorname_Edit"));
    Vorname_Edit->setMaxLength(textWidth(QStringLiteral("Vorname"), 15));
    Geburtsdatum_Picker = new BirthDateEdit(this);
    Geburtsdatum_Picker->setObjectName(QStringLiteral("Geburtsdatum_Picker"));
    Sportverein_ComboBox = new QComboBox(this);
    Sportverein_ComboBox->setObjectName(QStringLiteral("Sportverein_ComboBox"));
    Sportverein_ComboBox->setEditable(true);
    Sportverein_ComboBox->setInsertPolicy(QComboBox::NoInsert);
    Sportverein_ComboBox->lineEdit()->setMaxLength(textWidth(QStringLiteral("Sportverein"), 35));
    Sportverein_ComboBox->setMinimumWidth(240);
    ObereSchranke_Edit = makeNumber(this, QStringLiteral("ObereSchranke_Edit"));
    UntereSchranke_Edit = makeNumber(this, QStringLiteral("UntereSchranke_Edit"));
    Anzeige_Edit = new QLineEdit(this);
    Anzeige_Edit->setObjectName(QStringLiteral("Anzeige_Edit"));
    Anzeige_Edit->hide();

    Name_Label = makeLabel(this, QStringLiteral("Name_Label"), QStringLiteral("&Name"), Name_Edit);
    Vorname_Label = makeLabel(this, QStringLiteral("Vorname_Label"), QStringLiteral("&Vorname"), Vorname_Edit);
    Geburtsdatum_Label =
        makeLabel(this, QStringLiteral("Geburtsdatum_Label"), QStringLiteral("&Geburtsdatum"), Geburtsdatum_Picker);
    Sportverein_Label =
        makeLabel(this, QStringLiteral("Sportverein_Label"), QStringLiteral("&Sportverein"), Sportverein_ComboBox);
    ObereSchranke_Label = makeLabel(this, QStringLiteral("ObereSchranke_Label"), QStringLiteral("&obere Schranke in %"),
                                    ObereSchranke_Edit);
    UntereSchranke_Label = makeLabel(this, QStringLiteral("UntereSchranke_Label"),
                                     QStringLiteral("&untere Schranke in %"), UntereSchranke_Edit);
    Anzeige_Label =
        makeLabel(this, QStringLiteral("Anzeige_Label"), QStringLiteral("&Anzeige (Maximalwert)"), Anzeige_Edit);
    ObereSchranke_Label->hide();
    UntereSchranke_Label->hide();
    Anzeige_Label->hide();

    bind(Name_Edit, QStringLiteral("Name"));
    bind(Vorname_Edit, QStringLiteral("Vorname"));
    bind(Anzeige_Edit, QStringLiteral("Anzeigewert"));

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Datensatz speichern"));
    Cancel_Button = new QPushButton(QStringLiteral("&Abbruch"), this);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    Cancel_Button->setAutoDefault(false);
    SetHint(Cancel_Button, QStringLiteral("|Datensatz verwerfen"));
    Visier_Button = new QPushButton(QStringLiteral("Visier konfigurieren"), this);
    Visier_Button->setObjectName(QStringLiteral("Visier_Button"));
    Visier_Button->setAutoDefault(false);
    connect(OK_Button, &QPushButton::clicked, this, &ShooterRecordDialog::OK_ButtonClick);
    connect(Cancel_Button, &QPushButton::clicked, this, &ShooterRecordDialog::reject);
    connect(Visier_Button, &QPushButton::clicked, this, &ShooterRecordDialog::Visier_ButtonClick);

    auto *grid = new QGridLayout;
    const QList<QPair<QLabel *, QWidget *>> rows = {{Name_Label, Name_Edit},
                                                     {Vorname_Label, Vorname_Edit},
                                                     {Geburtsdatum_Label, Geburtsdatum_Picker},
                                                     {Sportverein_Label, Sportverein_ComboBox},
                                                     {ObereSchranke_Label, ObereSchranke_Edit},
                                                     {UntereSchranke_Label, UntereSchranke_Edit},
                                                     {Anzeige_Label, Anzeige_Edit}};
    for (int i = 0; i < rows.size(); ++i) {
        grid->addWidget(rows.at(i).first, i, 0);
        grid->addWidget(rows.at(i).second, i, 1);
    }
    grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Visier_Button);
    buttons->addStretch();
    buttons->addWidget(OK_Button);
    buttons->addWidget(Cancel_Button);
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
        if (DataTable *pers = table())
            pers->setFieldValue(field, text);
    });
}

void ShooterRecordDialog::showBoundFields()
{
    const DataTable *pers = table();
    const auto value = [pers](const char *field) {
        return pers ? DataTableModel::displayText(pers->fieldValue(QString::fromLatin1(field))) : QString();
    };
    Name_Edit->setText(value("Name"));
    Vorname_Edit->setText(value("Vorname"));
    Anzeige_Edit->setText(value("Anzeigewert"));
}

void ShooterRecordDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

bool ShooterRecordDialog::checkNames(bool requireClub)
{
    const QString name = Name_Edit->text().trimmed();
    const QString vorname = Vorname_Edit->text().trimmed();
    if (name.isEmpty() || vorname.isEmpty() || (requireClub && Sportverein_ComboBox->currentText().trimmed().isEmpty())) {
        ShowError(requireClub ? QStringLiteral("\r\nBitte alle Felder ausfüllen.")
                              : QStringLiteral("\r\nBitte zuerst Name und Vorname des Schützen eingeben."));
        return false;
    }
    if (ShooterPairTaken(table(), name, vorname)) {
        ShowError(QStringLiteral("\r\nEs gibt bereits einen Schützen ") + vorname + u' ' + name
                  + QStringLiteral(".\r\nBitte geben Sie einen anderen Namen oder Vornamen ein."));
        return false;
    }
    return true;
}

void ShooterRecordDialog::OK_ButtonClick()
{
    // Log writes let pending clicks run: a second click must not store again.
    if (m_inOk)
        return;
    const QScopedValueRollback<bool> busy(m_inOk, true);
    const QString club = Sportverein_ComboBox->currentText().trimmed();
    AddClub(club);
    if (!checkNames(true))
        return;
    const QString dateProblem =
        BirthDateEdit::problem(Geburtsdatum_Picker->text(), Clock::instance().now().date());
    if (!dateProblem.isEmpty()) {
        ShowError(dateProblem);
        Geburtsdatum_Picker->setFocus();
        Geburtsdatum_Picker->selectAll();
        return;
    }

    DataTable *pers = table();
    bool assigned = pers != nullptr;
    const auto set = [&](const char *field, const QVariant &value) {
        assigned = assigned && pers->setFieldValue(QString::fromLatin1(field), value);
    };
    set("Name", Name_Edit->text().trimmed());
    set("Vorname", Vorname_Edit->text().trimmed());
    set("Geburtsdatum", Geburtsdatum_Picker->date());
    set("Sportverein", club);
    set("Obere Schranke", double(ObereSchranke_Edit->value()));
    set("Untere Schranke", double(UntereSchranke_Edit->value()));
    if (resetsRounds())
        set("Trainingsrunden", 0.0);
    if (!assigned) {
        ShowError(QStringLiteral("\r\nFehler beim Zuweisen der Daten !"));
        if (pers)
            pers->cancel();
        dropRecord();
    } else {
        WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz speichern"));
        if (!storeRecord()) {
            WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz speichern"));
            // Why, in German (a duplicate shooter, a damaged or write-protected file).
            const TData *data = TData::instance();
            const QString why = data ? data->errorText() : QString();
            ShowError(QStringLiteral("\r\nFehler beim Schreiben der Daten !")
                      + (why.isEmpty() ? QString() : QStringLiteral("\r\n") + why));
            pers->cancel();
            dropRecord();
        }
    }
    done(QDialog::Accepted);
}

void ShooterRecordDialog::reject()
{
    if (DataTable *pers = table())
        pers->cancel();
    dropRecord();
    QDialog::reject();
}

void ShooterRecordDialog::Visier_ButtonClick()
{
    if (!PersVis || !checkNames(false))
        return;
    AppState::instance().ActivityTitle = QStringLiteral("Visier konfigurieren");
    runSightDialog(PersVis);
}

void ShooterRecordDialog::done(int r)
{
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
