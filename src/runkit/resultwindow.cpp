#include "runkit/resultwindow.h"

#include "platform/clock.h"
#include "platform/messageservice.h"
#include "runkit/resultstats.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "store/tableschema.h"
#include "store/tdata.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlError>
#include <QStyle>
#include <QSqlQuery>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

ReactionResultWindow::ReactionResultWindow(int messTyp, const QString &code, const QString &name, QWidget *parent)
    : QDialog(parent)
    , m_messTyp(messTyp)
    , m_code(code)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ") + code);
    setObjectName(name);
    setWindowTitle(QStringLiteral("Auswertung Einfachreaktion"));
    setModal(true);

    auto *group = new QGroupBox(QStringLiteral("Auswertung"), this);
    group->setObjectName(QStringLiteral("Auswertung_GroupBox"));

    Erg_ListView = new QTreeWidget(group);
    Erg_ListView->setObjectName(QStringLiteral("Erg_ListView"));
    Erg_ListView->setRootIsDecorated(false);
    Erg_ListView->setSortingEnabled(false);
    Erg_ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    Erg_ListView->setColumnCount(5);
    Erg_ListView->setHeaderLabels({QStringLiteral("Serie"), QStringLiteral("Scheibe"), QStringLiteral("Zeit in ms"),
                                   QStringLiteral("Status"), QStringLiteral("Fehler")});
    Erg_ListView->header()->setSectionsClickable(false);
    Erg_ListView->header()->setStretchLastSection(false);
    Erg_ListView->setColumnWidth(0, 50);
    Erg_ListView->setColumnWidth(1, 60);
    if (messTyp == 2) {
        Erg_ListView->setColumnWidth(2, 70);
        Erg_ListView->setColumnWidth(3, 80);
        Erg_ListView->setColumnWidth(4, 80);
    } else {
        Erg_ListView->setColumnWidth(2, 100);
        Erg_ListView->setColumnWidth(3, 100);
        Erg_ListView->setColumnHidden(4, true); // the error text has no column in test 1
    }
    Erg_ListView->setMinimumWidth(messTyp == 2 ? 365 : 335);

    MW_Listview = new QTreeWidget(group);
    MW_Listview->setObjectName(QStringLiteral("MW_Listview"));
    MW_Listview->setRootIsDecorated(false);
    MW_Listview->setSortingEnabled(false);
    MW_Listview->setColumnCount(3);
    MW_Listview->setHeaderLabels({QStringLiteral("Serie"), QStringLiteral("Mittelwert in ms"), QStringLiteral("StdAbw. in ms")});
    MW_Listview->header()->setSectionsClickable(false);
    MW_Listview->header()->setStretchLastSection(false);
    MW_Listview->setColumnWidth(0, 50);
    MW_Listview->setColumnWidth(1, 100);
    MW_Listview->setColumnWidth(2, 80);
    // Every title readable in the font the list is shown with.
    const QFontMetrics titleFont(MW_Listview->header()->font());
    int titles = 0;
    for (int column = 0; column < MW_Listview->columnCount(); ++column) {
        const int needed = titleFont.horizontalAdvance(MW_Listview->headerItem()->text(column))
                           + 2 * MW_Listview->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, MW_Listview) + 4;
        MW_Listview->setColumnWidth(column, qMax(MW_Listview->columnWidth(column), needed));
        titles += MW_Listview->columnWidth(column);
    }
    MW_Listview->setMinimumWidth(qMax(240, titles + 2 * MW_Listview->frameWidth()
                                               + MW_Listview->style()->pixelMetric(QStyle::PM_ScrollBarExtent)));

    auto label = [this, group](const QString &objectName, const QString &text, bool right) {
        auto *l = new QLabel(text, group);
        if (!objectName.isEmpty())
            l->setObjectName(objectName);
        if (right)
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    AnzMess_Label = label(QStringLiteral("AnzMess_Label"), QStringLiteral("0"), true);
    GLabel = label(QStringLiteral("GLabel"), QStringLiteral("(0 / 0)"), false);
    MW_Label = label(QStringLiteral("MW_Label"), QStringLiteral("0 ms"), true);
    Diff_Label = label(QStringLiteral("Diff_Label"), QStringLiteral("0 ms"), true);

    auto *summary = new QGridLayout;
    summary->addWidget(label(QString(), QStringLiteral("Messungen"), false), 0, 0);
    summary->addWidget(AnzMess_Label, 0, 1);
    summary->addWidget(GLabel, 0, 2);
    summary->addWidget(label(QString(), QStringLiteral("Mittelwert gesamt"), false), 1, 0);
    summary->addWidget(MW_Label, 1, 1);
    summary->addWidget(label(QString(), QStringLiteral("Standardabweichung gesamt"), false), 2, 0);
    summary->addWidget(Diff_Label, 2, 1);
    summary->setColumnStretch(3, 1);

    auto *lists = new QHBoxLayout;
    lists->addWidget(Erg_ListView, 3);
    lists->addWidget(MW_Listview, 2);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(lists);
    groupLayout->addLayout(summary);

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Auswertung schließen"));
    connect(OK_Button, &QPushButton::clicked, this, &QDialog::accept);
    Cancel_Button = new QPushButton(QStringLiteral("&Abbruch"), this);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    SetHint(Cancel_Button, QStringLiteral("|Auswertung abbrechen"));
    connect(Cancel_Button, &QPushButton::clicked, this, &QDialog::reject);
    Save_Button = new QPushButton(QStringLiteral("&Speichern"), this);
    Save_Button->setObjectName(QStringLiteral("Save_Button"));
    connect(Save_Button, &QPushButton::clicked, this, [this] { Save_ButtonClick(); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Save_Button);
    buttons->addStretch();
    buttons->addWidget(OK_Button);
    buttons->addWidget(Cancel_Button);

    StatusLine_Label = new QLabel(this);
    StatusLine_Label->setObjectName(QStringLiteral("StatusLine_Label"));
    StatusLine_Label->setWordWrap(true);
    StatusLine_Label->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(StatusLine_Label);
    layout->addLayout(buttons);
    resize(680, 420);

    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + code);
}

void ReactionResultWindow::clearLists()
{
    Erg_ListView->clear();
    MW_Listview->clear();
    m_unsaved = false;
    setLateTargets(0);
}

void ReactionResultWindow::setLateTargets(int count)
{
    m_lateTargets = qMax(0, count);
    StatusLine_Label->setText(m_lateTargets > 0 ? lateTargetsText(m_lateTargets) : QString());
    StatusLine_Label->setVisible(m_lateTargets > 0);
}

QString ReactionResultWindow::lateTargetsText(int count) const
{
    if (count == 1)
        return QStringLiteral("1 Ziel erschien verspätet auf dem Bildschirm (mehr als 10 ms nach seinem Zeitpunkt).");
    return QStringLiteral("%1 Ziele erschienen verspätet auf dem Bildschirm (mehr als 10 ms nach ihrem Zeitpunkt).")
        .arg(count);
}

void ReactionResultWindow::appendRow(const ResultRow &row)
{
    auto *item = new QTreeWidgetItem(Erg_ListView);
    item->setText(0, QString::number(row.series));
    item->setText(1, QString::number(row.target));
    item->setText(2, row.time);
    item->setText(3, row.status);
    item->setText(4, row.error);
    m_unsaved = true;
}

ResultRows ReactionResultWindow::rows() const
{
    ResultRows out;
    for (int i = 0; i < Erg_ListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = Erg_ListView->topLevelItem(i);
        ResultRow row;
        row.series = item->text(0).toInt();
        row.target = item->text(1).toInt();
        row.time = item->text(2);
        row.status = item->text(3);
        row.error = item->text(4);
        out << row;
    }
    return out;
}

void ReactionResultWindow::FormShow()
{
    const ResultStatistics stats(rows(), m_messTyp);
    AnzMess_Label->setText(stats.anzMessText());
    GLabel->setText(stats.gLabelText());
    MW_Label->setText(stats.mwText());
    Diff_Label->setText(stats.diffText());
    for (const ResultStatistics::SeriesLine &line : stats.seriesLines()) {
        auto *item = new QTreeWidgetItem(MW_Listview);
        item->setText(0, line.caption);
        for (int i = 0; i < line.subItems.size(); ++i)
            item->setText(i + 1, line.subItems.at(i));
    }
}

bool ReactionResultWindow::Save_ButtonClick()
{
    // Log writes let pending clicks run: a second click must not save again.
    if (m_saving || !Save_Button->isEnabled())
        return false;
    m_saving = true;
    Save_Button->setEnabled(false);
    const bool saved = saveRows();
    m_saving = false;
    if (!saved)
        Save_Button->setEnabled(true);   // the rows stay for another try
    return saved;
}

bool ReactionResultWindow::saveRows()
{
    TData *data = TData::instance();
    ActiveShooter &shooter = ActiveShooter::instance();
    // The results belong to the active shooter, whichever row the overview shows.
    if (!data || !data->tablesOpen() || !LocateActiveShooter()) {
        ShowError(QStringLiteral("\r\nDer aktive Schütze ist nicht in der Schützendatenbank vorhanden.\r\n"
                                 "Die Ergebnisse wurden nicht gespeichert."));
        return false;
    }
    DataTable *reak = data->reakTable();
    DataTable *pers = data->persTable();
    const QDateTime stamp = Clock::instance().now();
    const QDate date = stamp.date();
    const QTime time = stamp.time();

    const ResultRows all = rows();
    for (int i = 0; i < all.size(); ++i) {
        const ResultRow &row = all.at(i);
        const bool assigned = reak->append() && reak->setFieldValue(QStringLiteral("Nummer"), i + 1)
                              && reak->setFieldValue(QStringLiteral("Datum"), date)
                              && reak->setFieldValue(QStringLiteral("Zeit"), time)
                              && reak->setFieldValue(QStringLiteral("MessTyp"), m_messTyp)
                              && reak->setFieldValue(QStringLiteral("Serie"), row.series)
                              && reak->setFieldValue(QStringLiteral("Scheibe"), row.target)
                              && reak->setFieldValue(QStringLiteral("ReakZeit"), row.time.trimmed().toInt())
                              && reak->setFieldValue(QStringLiteral("Status"), row.status)
                              && reak->setFieldValue(QStringLiteral("Fehler"), row.error);
        if (!assigned)
            ShowError(QStringLiteral("\r\nFehler beim Zuweisen der Daten !"));
        WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz speichern (ReakTable)"));
        if (!reak->post()) {
            reak->cancel();
            WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz speichern (ReakTable)"));
            ShowError(QStringLiteral("\r\nFehler beim Schreiben der Daten !"));
        }
    }

    // The raised training count goes into the shooter's record in the same
    // transaction as the rows, so either both are stored or neither.
    const QString name = shooter.Name;
    const QString vorname = shooter.Vorname;
    const DataTable::ExtraWrite raiseCount = [name, vorname](QSqlDatabase &db, QString *error) {
        const QString table = TableSchema::persData().qualifiedTable();
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE ") + table
                      + QStringLiteral(" SET \"Trainingsrunden\" = COALESCE(\"Trainingsrunden\", 0) + 1"
                                       " WHERE \"Name\" = ? AND \"Vorname\" = ?"));
        query.addBindValue(name);
        query.addBindValue(vorname);
        if (!query.exec()) {
            *error = StoreErrorText(query.lastError());
            return false;
        }
        if (query.numRowsAffected() != 1) {
            *error = QStringLiteral("Der Datensatz des Schützen wurde nicht gefunden.");
            return false;
        }
        return true;
    };
    if (!reak->applyUpdates(raiseCount)) {
        const QString why = reak->errorText();
        // Nothing was written; the rows stay in the list for another try.
        reak->cancelUpdates();
        if (IsBusyError(why))
            ShowError(QStringLiteral("\r\nDie Datenbank ist gesperrt: sie wird gerade von einem anderen Programm benutzt.\r\n"
                                     "Die Ergebnisse wurden nicht gespeichert; bitte speichern Sie gleich noch einmal."));
        else
            ShowError(QStringLiteral("\r\nFehler beim Schreiben der Daten !\r\n") + why);
        return false;
    }

    ++shooter.Trainingsrunden;
    pers->refresh();
    if (LocateActiveShooter()) {
        const QVariant stored = pers->fieldValue(QStringLiteral("Trainingsrunden"));
        if (stored.isValid())
            shooter.Trainingsrunden = int(std::nearbyint(stored.toDouble()));
    }
    m_unsaved = false;
    accept();
    return true;
}

void ReactionResultWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        Save_Button->setEnabled(true);
        FormShow();
    }
}

void ReactionResultWindow::done(int r)
{
    if (m_asking || (m_saving && m_unsaved))
        return;   // the question is open, or the rows are being stored
    if (m_unsaved && isVisible()) {
        m_asking = true;
        const int answer = AskConfirmation(QStringLiteral("Die Ergebnisse sind noch nicht gespeichert. Jetzt speichern?"),
                                           MessageService::Yes | MessageService::No | MessageService::Cancel);
        m_asking = false;
        if (answer == MessageService::Yes) {
            Save_ButtonClick();   // closes the window when the rows are stored
            return;
        }
        if (answer != MessageService::No)
            return;
        m_unsaved = false;   // dropped
    }
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
