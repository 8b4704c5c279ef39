#include "shooters/shooteroverview.h"

#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "ui/elidinglabel.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteractions.h"
#include "shooters/shooterlist.h"
#include "store/datatable.h"
#include "store/datatablemodel.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QString PlacementCode = QStringLiteral("PF");
const char *const HelpProperty = "helpNumber";

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// A field value exactly as stored: never read as markup.
QLabel *makeValue(QWidget *parent, const QString &name)
{
    // A club name from a hand-edited table is cut, never widening the window.
    auto *label = new ElidingLabel(parent);
    label->setObjectName(name);
    label->setMinimumWidth(150);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

ShooterOverview::ShooterOverview(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden PF"));

    setObjectName(QStringLiteral("Pers_Form"));
    setWindowTitle(QStringLiteral("Schützenverwaltung"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setProperty(HelpProperty, HelpNumber);

    // Left: the shooter list.
    m_list = new ShooterList(this);
    m_list->setObjectName(QStringLiteral("Pers_List"));
    m_list->installEventFilter(this);
    QLabel *listLabel = makeLabel(this, QStringLiteral("Schuetzen_Label"), QStringLiteral("&Schützen"));
    listLabel->setBuddy(m_list);

    // Right: the details of the current record.
    m_detailsPanel = new QFrame(this);
    m_detailsPanel->setObjectName(QStringLiteral("Data_Panel"));
    m_detailsPanel->setFrameShape(QFrame::StyledPanel);
    SetHint(m_detailsPanel, QStringLiteral("|Schützendaten"));
    QLabel *titleLabel = makeLabel(m_detailsPanel, QStringLiteral("Daten_Label"), QStringLiteral("Daten"));
    QFont heading = titleLabel->font();
    heading.setBold(true);
    titleLabel->setFont(heading);
    QLabel *clubLabel = makeLabel(m_detailsPanel, QStringLiteral("Sportverein_Label"), QStringLiteral("Sportverein"));
    QLabel *birthDateLabel = makeLabel(m_detailsPanel, QStringLiteral("Geburtsdatum_Label"), QStringLiteral("Geburtsdatum"));
    QLabel *displayValueLabel = makeLabel(m_detailsPanel, QStringLiteral("Anzeigewert_Label"), QStringLiteral("Anzeigewert"));
    QLabel *upperBoundLabel =
        makeLabel(m_detailsPanel, QStringLiteral("ObereSchranke_Label"), QStringLiteral("obere Schranke in %"));
    QLabel *lowerBoundLabel =
        makeLabel(m_detailsPanel, QStringLiteral("UntereSchranke_Label"), QStringLiteral("untere Schranke in %"));
    QLabel *roundsLabel =
        makeLabel(m_detailsPanel, QStringLiteral("Trainingsrunden_Label"), QStringLiteral("Trainingsrunden"));
    m_clubText = makeValue(m_detailsPanel, QStringLiteral("Sportverein_Text"));
    m_birthDateText = makeValue(m_detailsPanel, QStringLiteral("Geburtsdatum_Text"));
    m_displayValueText = makeValue(m_detailsPanel, QStringLiteral("Anzeigewert_Text"));
    m_upperBoundText = makeValue(m_detailsPanel, QStringLiteral("ObereSchranke_Text"));
    m_lowerBoundText = makeValue(m_detailsPanel, QStringLiteral("UntereSchranke_Text"));
    m_roundsText = makeValue(m_detailsPanel, QStringLiteral("Trainingsrunden_Text"));

    auto *details = new QGridLayout(m_detailsPanel);
    details->setHorizontalSpacing(16);
    details->addWidget(titleLabel, 0, 0, 1, 2);
    const QList<QPair<QLabel *, QLabel *>> rows = {
        {clubLabel, m_clubText},       {birthDateLabel, m_birthDateText},
        {displayValueLabel, m_displayValueText},       {upperBoundLabel, m_upperBoundText},
        {lowerBoundLabel, m_lowerBoundText}, {roundsLabel, m_roundsText},
    };
    for (int i = 0; i < rows.size(); ++i) {
        details->addWidget(rows.at(i).first, i + 1, 0);
        details->addWidget(rows.at(i).second, i + 1, 1);
    }
    details->setRowStretch(int(rows.size()) + 1, 1);
    details->setColumnStretch(1, 1);

    // Bottom: the drop-down button with its menu, and OK.
    m_dataMenu = new QMenu(this);
    m_dataMenu->setObjectName(QStringLiteral("Daten_Menu"));
    m_dataMenu->installEventFilter(this);
    auto item = [this](const QString &name, const QString &caption, int help, const QString &hint) {
        auto *action = m_dataMenu->addAction(caption);
        action->setObjectName(name);
        action->setStatusTip(hint);
        if (help > 0)
            action->setProperty(HelpProperty, help);
        return action;
    };
    m_newAction = item(QStringLiteral("Neu_Item"), QStringLiteral("&Neu..."), 1220,
                    QStringLiteral("legt einen neuen Schützen an"));
    m_editAction = item(QStringLiteral("Bearbeiten_Item"), QStringLiteral("&Bearbeiten"), 1230,
                           QStringLiteral("bearbeitet den aktuellen Schützen"));
    m_deleteAction = item(QStringLiteral("Loeschen_Item"), QStringLiteral("&Löschen"), 1240,
                         QStringLiteral("löscht den markierten Schützen aus der namensliste"));
    m_dataMenu->addSeparator();
    m_selectAction = item(QStringLiteral("Auswaehlen_Item"), QStringLiteral("&Auswählen"), 1250, QString());
    m_dataMenu->addSeparator();
    m_printAction = item(QStringLiteral("Drucken_Item"), QStringLiteral("&Drucken"), 0,
                        QStringLiteral("druckt eine Liste aller registrierten Schützen"));
    // A printed list of the shooters does not exist.
    m_printAction->setEnabled(false);
    connect(m_newAction, &QAction::triggered, this, &ShooterOverview::newClicked);
    connect(m_editAction, &QAction::triggered, this, &ShooterOverview::editClicked);
    connect(m_deleteAction, &QAction::triggered, this, &ShooterOverview::deleteClicked);
    connect(m_selectAction, &QAction::triggered, this, &ShooterOverview::selectClicked);

    m_dataButton = new QPushButton(QStringLiteral("&Datenverwaltung  "), this);
    m_dataButton->setObjectName(QStringLiteral("Daten_Button"));
    m_dataButton->setMenu(m_dataMenu);
    m_dataButton->setAutoDefault(false);
    SetHint(m_dataButton, QStringLiteral("|Daten hinzufügen, bearbeiten und löschen"));

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setAutoDefault(false);
    SetHint(m_okButton, QStringLiteral("|Schützenverwaltung beenden"));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *help = new QAction(this);
    help->setObjectName(QStringLiteral("Help_Action"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, &ShooterOverview::showFocusedHelp);

    auto *left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(m_list, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(m_detailsPanel, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_dataButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    bindTable();
    updateDataMenu();

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PF"));
}

ShooterOverview::~ShooterOverview() = default;

void ShooterOverview::bindTable()
{
    DataTable *table = ShooterTable();
    if (table == m_table && m_list->table() == table)
        return;
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    m_list->bindTable(table);
    if (table) {
        connect(table, &DataTable::rowsReset, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::stateChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::currentRowChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::rowChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::fieldChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::rowsReset, this, &ShooterOverview::updateDataMenu);
        connect(table, &DataTable::stateChanged, this, &ShooterOverview::updateDataMenu);
    }
    showDetails();
}

void ShooterOverview::showDetails()
{
    const DataTable *table = m_table;
    const bool haveRecord = table && table->isOpen() && table->hasActiveRecord();
    auto show = [&](QLabel *label, const char *field) {
        label->setText(haveRecord ? DataTableModel::displayText(table->fieldValue(QString::fromLatin1(field)))
                                  : QString());
    };
    show(m_clubText, "Sportverein");
    show(m_birthDateText, "Geburtsdatum");
    show(m_displayValueText, "Anzeigewert");
    show(m_upperBoundText, "Obere Schranke");
    show(m_lowerBoundText, "Untere Schranke");
    show(m_roundsText, "Trainingsrunden");
}

void ShooterOverview::activate()
{
    RefreshShooterTable();
    bindTable();
    showDetails();
    updateDataMenu();
    m_list->setFocus();
}

void ShooterOverview::updateDataMenu()
{
    const bool haveShooters = !ShooterTableEmpty();
    m_newAction->setEnabled(bool(newShooter));
    m_editAction->setEnabled(haveShooters && bool(editShooter));
    m_deleteAction->setEnabled(haveShooters);
    m_selectAction->setEnabled(haveShooters);
}

void ShooterOverview::newClicked()
{
    if (!newShooter)
        return;
    newShooter();
    showDetails();
    updateDataMenu();
}

void ShooterOverview::editClicked()
{
    if (!editShooter || ShooterTableEmpty())
        return;
    editShooter();
    RefreshActiveShooter();   // the active shooter may have been renamed
    showDetails();
    updateDataMenu();
}

void ShooterOverview::deleteClicked()
{
    if (!m_list->hasSelectedEntry()) {
        ShowError(QStringLiteral("\r\nBitte erst einen Schützen auswählen !"));
        return;
    }
    if (ShooterTableEmpty())
        return;
    ConfirmAndDeleteCurrentShooter();
    showDetails();
    updateDataMenu();
}

void ShooterOverview::selectClicked()
{
    const DataTable *table = ShooterTable();
    if (ShooterTableEmpty() || !table->hasActiveRecord())
        return;
    WriteLogLine(QStringLiteral("Ausführen : Aktiven Schützen festlegen"));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
}

int ShooterOverview::helpNumberFor(const QObject *item) const
{
    for (const QObject *o = item; o; o = o->parent()) {
        const int number = o->property(HelpProperty).toInt();
        if (number > 0)
            return number;
        if (o == this)
            break;
    }
    return HelpNumber;
}

void ShooterOverview::showFocusedHelp()
{
    if (m_dataMenu->isVisible()) {
        const QAction *highlighted = m_dataMenu->activeAction();
        m_dataMenu->close();
        ShowHelpTopic(helpNumberFor(highlighted));
        return;
    }
    ShowHelpTopic(helpNumberFor(focusWidget()));
}

bool ShooterOverview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == m_list && key == Qt::Key_Delete) {
            deleteClicked();
            return true;
        }
        // The open menu holds the keyboard, so the window's F1 does not reach it.
        if (watched == m_dataMenu && key == Qt::Key_F1) {
            showFocusedHelp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShooterOverview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void ShooterOverview::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}
