#include "runkit/resultwindow.h"

#include "platform/clock.h"
#include "platform/messageservice.h"
#include "runkit/resultstats.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteractions.h"
#include "shooters/shooterselectdialog.h"
#include "store/seriessaver.h"
#include "store/storeworker.h"
#include "store/tdata.h"

#include <QFontMetrics>
#include <memory>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

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

    m_rowList = new QTreeWidget(group);
    m_rowList->setObjectName(QStringLiteral("Erg_ListView"));
    m_rowList->setRootIsDecorated(false);
    m_rowList->setSortingEnabled(false);
    m_rowList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rowList->setColumnCount(5);
    m_rowList->setHeaderLabels({QStringLiteral("Serie"), QStringLiteral("Scheibe"), QStringLiteral("Zeit in ms"),
                                   QStringLiteral("Status"), QStringLiteral("Fehler")});
    m_rowList->header()->setSectionsClickable(false);
    m_rowList->header()->setStretchLastSection(false);
    m_rowList->setColumnWidth(0, 50);
    m_rowList->setColumnWidth(1, 60);
    if (messTyp == 2) {
        m_rowList->setColumnWidth(2, 70);
        m_rowList->setColumnWidth(3, 80);
        m_rowList->setColumnWidth(4, 80);
    } else {
        m_rowList->setColumnWidth(2, 100);
        m_rowList->setColumnWidth(3, 100);
        m_rowList->setColumnHidden(4, true); // the error text has no column in test 1
    }
    m_rowList->setMinimumWidth(messTyp == 2 ? 365 : 335);

    m_seriesList = new QTreeWidget(group);
    m_seriesList->setObjectName(QStringLiteral("MW_Listview"));
    m_seriesList->setRootIsDecorated(false);
    m_seriesList->setSortingEnabled(false);
    m_seriesList->setColumnCount(3);
    m_seriesList->setHeaderLabels({QStringLiteral("Serie"), QStringLiteral("Mittelwert in ms"), QStringLiteral("StdAbw. in ms")});
    m_seriesList->header()->setSectionsClickable(false);
    m_seriesList->header()->setStretchLastSection(false);
    m_seriesList->setColumnWidth(0, 50);
    m_seriesList->setColumnWidth(1, 100);
    m_seriesList->setColumnWidth(2, 80);
    // Every title readable in the font the list is shown with.
    const QFontMetrics titleFont(m_seriesList->header()->font());
    int titles = 0;
    for (int column = 0; column < m_seriesList->columnCount(); ++column) {
        const int needed = titleFont.horizontalAdvance(m_seriesList->headerItem()->text(column))
                           + 2 * m_seriesList->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, m_seriesList) + 4;
        m_seriesList->setColumnWidth(column, qMax(m_seriesList->columnWidth(column), needed));
        titles += m_seriesList->columnWidth(column);
    }
    m_seriesList->setMinimumWidth(qMax(240, titles + 2 * m_seriesList->frameWidth()
                                               + m_seriesList->style()->pixelMetric(QStyle::PM_ScrollBarExtent)));

    auto label = [this, group](const QString &objectName, const QString &text, bool right) {
        auto *l = new QLabel(text, group);
        if (!objectName.isEmpty())
            l->setObjectName(objectName);
        if (right)
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    m_countLabel = label(QStringLiteral("AnzMess_Label"), QStringLiteral("0"), true);
    m_validityLabel = label(QStringLiteral("GLabel"), QStringLiteral("(0 / 0)"), false);
    m_meanLabel = label(QStringLiteral("MW_Label"), QStringLiteral("0 ms"), true);
    m_deviationLabel = label(QStringLiteral("Diff_Label"), QStringLiteral("0 ms"), true);

    auto *summary = new QGridLayout;
    summary->addWidget(label(QString(), QStringLiteral("Messungen"), false), 0, 0);
    summary->addWidget(m_countLabel, 0, 1);
    summary->addWidget(m_validityLabel, 0, 2);
    summary->addWidget(label(QString(), QStringLiteral("Mittelwert gesamt"), false), 1, 0);
    summary->addWidget(m_meanLabel, 1, 1);
    summary->addWidget(label(QString(), QStringLiteral("Standardabweichung gesamt"), false), 2, 0);
    summary->addWidget(m_deviationLabel, 2, 1);
    summary->setColumnStretch(3, 1);

    auto *lists = new QHBoxLayout;
    lists->addWidget(m_rowList, 3);
    lists->addWidget(m_seriesList, 2);
    m_figuresLayout = new QVBoxLayout(group);
    m_figuresLayout->addLayout(lists);
    m_figuresLayout->addLayout(summary);

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    SetHint(m_okButton, QStringLiteral("|Auswertung schließen"));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    m_cancelButton = new QPushButton(QStringLiteral("&Abbruch"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    SetHint(m_cancelButton, QStringLiteral("|Auswertung abbrechen"));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    m_saveButton = new QPushButton(QStringLiteral("&Speichern"), this);
    m_saveButton->setObjectName(QStringLiteral("Save_Button"));
    connect(m_saveButton, &QPushButton::clicked, this, [this] { saveClicked(); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_saveButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("StatusLine_Label"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_statusLabel);
    layout->addLayout(buttons);
    resize(680, 420);

    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + code);
}

void ReactionResultWindow::addToFigures(QLayout *row) { m_figuresLayout->addLayout(row); }

void ReactionResultWindow::clearLists()
{
    m_rowList->clear();
    m_seriesList->clear();
    m_unsaved = false;
    setLateTargets(0);
}

void ReactionResultWindow::setLateTargets(int count)
{
    m_lateTargets = qMax(0, count);
    m_statusLabel->setText(m_lateTargets > 0 ? lateTargetsText(m_lateTargets) : QString());
    m_statusLabel->setVisible(m_lateTargets > 0);
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
    auto *item = new QTreeWidgetItem(m_rowList);
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
    for (int i = 0; i < m_rowList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_rowList->topLevelItem(i);
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

void ReactionResultWindow::showFigures()
{
    const ResultStatistics stats(rows(), m_messTyp);
    m_countLabel->setText(stats.anzMessText());
    m_validityLabel->setText(stats.gLabelText());
    m_meanLabel->setText(stats.mwText());
    m_deviationLabel->setText(stats.diffText());
    for (const ResultStatistics::SeriesLine &line : stats.seriesLines()) {
        auto *item = new QTreeWidgetItem(m_seriesList);
        item->setText(0, line.caption);
        for (int i = 0; i < line.subItems.size(); ++i)
            item->setText(i + 1, line.subItems.at(i));
    }
}

bool ReactionResultWindow::saveClicked()
{
    // A second click (or Enter) while the rows are stored must not save again.
    if (m_saving || !m_saveButton->isEnabled())
        return false;
    m_saving = true;
    showSaving(true);
    return saveRows();
}

void ReactionResultWindow::showSaving(bool saving)
{
    for (QPushButton *b : {m_saveButton, m_okButton, m_cancelButton})
        b->setEnabled(!saving);
    if (saving) {
        setCursor(Qt::BusyCursor);
        m_statusLabel->setText(QStringLiteral("Die Ergebnisse werden gespeichert ..."));
        m_statusLabel->show();
    } else {
        unsetCursor();
        setLateTargets(m_lateTargets);
    }
}

bool ReactionResultWindow::saveRows()
{
    // The results belong to the active shooter, whichever row the overview
    // shows; its names as its record holds them now.
    ActiveShooter &shooter = ActiveShooter::instance();
    TData *data = TData::instance();
    SeriesRun run;
    if (LocateActiveShooter()) {   // otherwise saveSeries refuses: no shooter
        run.name = shooter.Name;
        run.vorname = shooter.Vorname;
        run.nummer = shooter.Nummer;   // the record as found now; the worker's tables do not know it
    }
    run.messTyp = m_messTyp;
    run.stamp = Clock::instance().now();
    for (const ResultRow &row : rows()) {
        run.rows << SeriesRow{row.series, row.target, row.time.trimmed().toInt(), row.status, row.error};
        WriteLogLine(QStringLiteral("Ausführen : [Start] Datensatz speichern (ReakTable)"));
    }
    if (!data || !data->tablesOpen() || run.name.isEmpty()) {
        saveDone(saveSeries(nullptr, run));   // refused: no shooter
        return false;
    }
    // All rows and the raised training count, or nothing: the rows stay in
    // the list for another try.
    if (!m_worker)
        m_worker = new StoreWorker(this);
    auto result = std::make_shared<SeriesSaveResult>();
    m_worker->start(
        data->target(),
        [run, result, server = data->isServer()](TData *own, const QString &openError) {
            *result = own ? saveSeries(own, run) : seriesNotOpened(server, openError);
        },
        [this, result] { saveDone(*result); });
    return true;
}

void ReactionResultWindow::saveDone(const SeriesSaveResult &result)
{
    m_saving = false;
    showSaving(false);
    if (!result.saved) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Datensatz speichern (ReakTable)"));
        if (result.shooterMissing && isVisible()) {
            // The shooter is gone (deleted elsewhere): to the namesake made
            // again, or to another one of the user's choice.
            emit saveFinished(false);
            const qint64 before = ActiveShooter::instance().Nummer;
            RefreshShooterTable();
            if (LocateActiveShooter() && ActiveShooter::instance().Nummer != before) {
                saveClicked();
                return;
            }
            if (AskConfirmation(result.message + QStringLiteral("\r\n\r\nDie Ergebnisse jetzt einem anderen Schützen zuordnen?"),
                                MessageService::Yes | MessageService::No)
                != MessageService::Yes)
                return;
            auto *select = new ShooterSelectDialog(this);
            select->setAttribute(Qt::WA_DeleteOnClose);
            connect(select, &QDialog::accepted, this, &ReactionResultWindow::saveClicked);
            select->open();
            return;
        }
        ShowError(result.message);
        emit saveFinished(false);   // the rows stay for another try
        return;
    }
    // Read again what the save changed, as the tables would after their own write.
    if (TData *data = TData::instance(); data && data->tablesOpen()) {
        data->persTable()->refresh();
        DataTable *reak = data->reakTable();
        if (reak->state() == DataTable::State::Browse)
            reak->refresh();
    }
    ActiveShooter::instance().Trainingsrunden = result.trainingRounds;
    m_unsaved = false;
    m_saveButton->setEnabled(false);   // stored once: again only after the window is shown anew
    accept();
    emit saveFinished(true);
}

void ReactionResultWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        m_saveButton->setEnabled(true);
        showFigures();
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
            saveClicked();   // closes the window when the rows are stored
            return;
        }
        if (answer != MessageService::No)
            return;
        m_unsaved = false;   // dropped
    }
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
