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
    Pers_List = new ShooterList(this);
    Pers_List->setObjectName(QStringLiteral("Pers_List"));
    Pers_List->installEventFilter(this);
    Schuetzen_Label = makeLabel(this, QStringLiteral("Schuetzen_Label"), QStringLiteral("&Schützen"));
    Schuetzen_Label->setBuddy(Pers_List);

    // Right: the details of the current record.
    Data_Panel = new QFrame(this);
    Data_Panel->setObjectName(QStringLiteral("Data_Panel"));
    Data_Panel->setFrameShape(QFrame::StyledPanel);
    SetHint(Data_Panel, QStringLiteral("|Schützendaten"));
    Daten_Label = makeLabel(Data_Panel, QStringLiteral("Daten_Label"), QStringLiteral("Daten"));
    QFont heading = Daten_Label->font();
    heading.setBold(true);
    Daten_Label->setFont(heading);
    Sportverein_Label = makeLabel(Data_Panel, QStringLiteral("Sportverein_Label"), QStringLiteral("Sportverein"));
    Geburtsdatum_Label = makeLabel(Data_Panel, QStringLiteral("Geburtsdatum_Label"), QStringLiteral("Geburtsdatum"));
    Anzeigewert_Label = makeLabel(Data_Panel, QStringLiteral("Anzeigewert_Label"), QStringLiteral("Anzeigewert"));
    ObereSchranke_Label =
        makeLabel(Data_Panel, QStringLiteral("ObereSchranke_Label"), QStringLiteral("obere Schranke in %"));
    UntereSchranke_Label =
        makeLabel(Data_Panel, QStringLiteral("UntereSchranke_Label"), QStringLiteral("untere Schranke in %"));
    Trainingsrunden_Label =
        makeLabel(Data_Panel, QStringLiteral("Trainingsrunden_Label"), QStringLiteral("Trainingsrunden"));
    Sportverein_Text = makeValue(Data_Panel, QStringLiteral("Sportverein_Text"));
    Geburtsdatum_Text = makeValue(Data_Panel, QStringLiteral("Geburtsdatum_Text"));
    Anzeigewert_Text = makeValue(Data_Panel, QStringLiteral("Anzeigewert_Text"));
    ObereSchranke_Text = makeValue(Data_Panel, QStringLiteral("ObereSchranke_Text"));
    UntereSchranke_Text = makeValue(Data_Panel, QStringLiteral("UntereSchranke_Text"));
    Trainingsrunden_Text = makeValue(Data_Panel, QStringLiteral("Trainingsrunden_Text"));

    auto *details = new QGridLayout(Data_Panel);
    details->setHorizontalSpacing(16);
    details->addWidget(Daten_Label, 0, 0, 1, 2);
    const QList<QPair<QLabel *, QLabel *>> rows = {
        {Sportverein_Label, Sportverein_Text},       {Geburtsdatum_Label, Geburtsdatum_Text},
        {Anzeigewert_Label, Anzeigewert_Text},       {ObereSchranke_Label, ObereSchranke_Text},
        {UntereSchranke_Label, UntereSchranke_Text}, {Trainingsrunden_Label, Trainingsrunden_Text},
    };
    for (int i = 0; i < rows.size(); ++i) {
        details->addWidget(rows.at(i).first, i + 1, 0);
        details->addWidget(rows.at(i).second, i + 1, 1);
    }
    details->setRowStretch(int(rows.size()) + 1, 1);
    details->setColumnStretch(1, 1);

    // Bottom: the drop-down button with its menu, and OK.
    Daten_Menu = new QMenu(this);
    Daten_Menu->setObjectName(QStringLiteral("Daten_Menu"));
    Daten_Menu->installEventFilter(this);
    auto item = [this](const QString &name, const QString &caption, int help, const QString &hint) {
        auto *action = Daten_Menu->addAction(caption);
        action->setObjectName(name);
        action->setStatusTip(hint);
        if (help > 0)
            action->setProperty(HelpProperty, help);
        return action;
    };
    Neu_Item = item(QStringLiteral("Neu_Item"), QStringLiteral("&Neu..."), 1220,
                    QStringLiteral("legt einen neuen Schützen an"));
    Bearbeiten_Item = item(QStringLiteral("Bearbeiten_Item"), QStringLiteral("&Bearbeiten"), 1230,
                           QStringLiteral("bearbeitet den aktuellen Schützen"));
    Loeschen_Item = item(QStringLiteral("Loeschen_Item"), QStringLiteral("&Löschen"), 1240,
                         QStringLiteral("löscht den markierten Schützen aus der namensliste"));
    Daten_Menu->addSeparator();
    Auswaehlen_Item = item(QStringLiteral("Auswaehlen_Item"), QStringLiteral("&Auswählen"), 1250, QString());
    Daten_Menu->addSeparator();
    Drucken_Item = item(QStringLiteral("Drucken_Item"), QStringLiteral("&Drucken"), 0,
                        QStringLiteral("druckt eine Liste aller registrierten Schützen"));
    // A printed list of the shooters does not exist.
    Drucken_Item->setEnabled(false);
    connect(Neu_Item, &QAction::triggered, this, &ShooterOverview::Neu_ItemClick);
    connect(Bearbeiten_Item, &QAction::triggered, this, &ShooterOverview::Bearbeiten_ItemClick);
    connect(Loeschen_Item, &QAction::triggered, this, &ShooterOverview::Loeschen_ItemClick);
    connect(Auswaehlen_Item, &QAction::triggered, this, &ShooterOverview::Auswaehlen_ItemClick);

    Daten_Button = new QPushButton(QStringLiteral("&Datenverwaltung  "), this);
    Daten_Button->setObjectName(QStringLiteral("Daten_Button"));
    Daten_Button->setMenu(Daten_Menu);
    Daten_Button->setAutoDefault(false);
    SetHint(Daten_Button, QStringLiteral("|Daten hinzufügen, bearbeiten und löschen"));

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setAutoDefault(false);
    SetHint(OK_Button, QStringLiteral("|Schützenverwaltung beenden"));
    connect(OK_Button, &QPushButton::clicked, this, &QDialog::accept);

    auto *help = new QAction(this);
    help->setObjectName(QStringLiteral("Help_Action"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, &ShooterOverview::ShowFocusedHelp);

    auto *left = new QVBoxLayout;
    left->addWidget(Schuetzen_Label);
    left->addWidget(Pers_List, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(Data_Panel, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Daten_Button);
    buttons->addStretch();
    buttons->addWidget(OK_Button);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    bindTable();
    UpdateDataMenu();

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PF"));
}

ShooterOverview::~ShooterOverview() = default;

void ShooterOverview::bindTable()
{
    DataTable *table = ShooterTable();
    if (table == m_table && Pers_List->table() == table)
        return;
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    Pers_List->bindTable(table);
    if (table) {
        connect(table, &DataTable::rowsReset, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::stateChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::currentRowChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::rowChanged, this, &ShooterOverview::showDetails);
        connect(table, &DataTable::fieldChanged, this, &ShooterOverview::showDetails);
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
    show(Sportverein_Text, "Sportverein");
    show(Geburtsdatum_Text, "Geburtsdatum");
    show(Anzeigewert_Text, "Anzeigewert");
    show(ObereSchranke_Text, "Obere Schranke");
    show(UntereSchranke_Text, "Untere Schranke");
    show(Trainingsrunden_Text, "Trainingsrunden");
}

void ShooterOverview::FormActivate()
{
    bindTable();
    showDetails();
    UpdateDataMenu();
    Pers_List->setFocus();
}

void ShooterOverview::UpdateDataMenu()
{
    const bool haveShooters = !ShooterTableEmpty();
    Neu_Item->setEnabled(bool(newShooter));
    Bearbeiten_Item->setEnabled(haveShooters && bool(editShooter));
    Loeschen_Item->setEnabled(haveShooters);
    Auswaehlen_Item->setEnabled(haveShooters);
}

void ShooterOverview::Neu_ItemClick()
{
    if (!newShooter)
        return;
    newShooter();
    showDetails();
    UpdateDataMenu();
}

void ShooterOverview::Bearbeiten_ItemClick()
{
    if (!editShooter || ShooterTableEmpty())
        return;
    editShooter();
    RefreshActiveShooter();   // the active shooter may have been renamed
    showDetails();
    UpdateDataMenu();
}

void ShooterOverview::Loeschen_ItemClick()
{
    if (!Pers_List->hasSelectedEntry()) {
        ShowError(QStringLiteral("\r\nBitte erst einen Schützen auswählen !"));
        return;
    }
    if (ShooterTableEmpty())
        return;
    ConfirmAndDeleteCurrentShooter();
    showDetails();
    UpdateDataMenu();
}

void ShooterOverview::Auswaehlen_ItemClick()
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

void ShooterOverview::ShowFocusedHelp()
{
    if (Daten_Menu->isVisible()) {
        const QAction *highlighted = Daten_Menu->activeAction();
        Daten_Menu->close();
        ShowHelpTopic(helpNumberFor(highlighted));
        return;
    }
    ShowHelpTopic(helpNumberFor(focusWidget()));
}

bool ShooterOverview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == Pers_List && key == Qt::Key_Delete) {
            Loeschen_ItemClick();
            return true;
        }
        // The open menu holds the keyboard, so the window's F1 does not reach it.
        if (watched == Daten_Menu && key == Qt::Key_F1) {
            ShowFocusedHelp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShooterOverview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void ShooterOverview::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}
