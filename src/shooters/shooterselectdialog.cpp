#include "shooters/shooterselectdialog.h"

#include "core/actionlog.h"
#include "ui/hints.h"
#include "ui/pictures.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteractions.h"
#include "shooters/shooterlist.h"
#include "store/datatable.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString PlacementCode = QStringLiteral("PSF");
}

ShooterSelectDialog::ShooterSelectDialog(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden PSF"));

    setObjectName(QStringLiteral("PersSel_Form"));
    setWindowTitle(QStringLiteral("Schütze auswählen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowContextHelpButtonHint);
    setModal(true);

    Pers_List = new ShooterList(this);
    Pers_List->setObjectName(QStringLiteral("Pers_List"));
    connect(Pers_List, &QAbstractItemView::doubleClicked, this, &ShooterSelectDialog::Pers_ListDblClick);

    Schuetzen_Label = new QLabel(QStringLiteral("&Schützen"), this);
    Schuetzen_Label->setObjectName(QStringLiteral("Schuetzen_Label"));
    Schuetzen_Label->setBuddy(Pers_List);

    User_Image = new QLabel(this);
    User_Image->setObjectName(QStringLiteral("User_Image"));
    User_Image->setPixmap(Pictures::pixmap(Pictures::userPicture()));
    User_Image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto info = [this](const QString &name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMinimumWidth(220);
        return label;
    };
    Info1_Label = info(QStringLiteral("Info1_Label"),
                       QStringLiteral("Wählen Sie den gewünschten Schützen aus der Liste der vorhandenen Schützen "
                                      "aus. Dieser bleibt solange aktiv, bis Sie einen anderen auswählen oder das "
                                      "Programm beenden."));
    Info2_Label = info(QStringLiteral("Info2_Label"),
                       QStringLiteral("Jede durchgeführte Messung wird auf das Konto des gewählten Schützen "
                                      "gebucht. Alternativ dazu können Sie den Schützen auch aus der "
                                      "Schützenübersicht wählen."));

    OK_Button = new QPushButton(QStringLiteral("Üb&ernehmen"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Schütze auswählen"));
    connect(OK_Button, &QPushButton::clicked, this, &ShooterSelectDialog::OK_ButtonClick);

    Cancel_Button = new QPushButton(QStringLiteral("&Abbruch"), this);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    SetHint(Cancel_Button, QStringLiteral("|Auswahl abbrechen"));
    connect(Cancel_Button, &QPushButton::clicked, this, &QDialog::reject);

    auto *left = new QVBoxLayout;
    left->addWidget(Schuetzen_Label);
    left->addWidget(Pers_List, 1);
    auto *right = new QGridLayout;
    right->addWidget(User_Image, 0, 0);
    right->addWidget(Info1_Label, 0, 1);
    right->addWidget(Info2_Label, 1, 1);
    right->setRowStretch(2, 1);
    right->setColumnStretch(1, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK_Button);
    buttons->addWidget(Cancel_Button);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    Pers_List->bindTable(ShooterTable());
    OK_Button->setEnabled(!ShooterTableEmpty());

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PSF"));
}

ShooterSelectDialog::~ShooterSelectDialog() = default;

void ShooterSelectDialog::FormActivate()
{
    Pers_List->bindTable(ShooterTable());
    OK_Button->setEnabled(!ShooterTableEmpty());
    Pers_List->setFocus();
}

void ShooterSelectDialog::OK_ButtonClick()
{
    const DataTable *table = ShooterTable();
    if (ShooterTableEmpty() || !table->hasActiveRecord())
        return;
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
    accept();
}

void ShooterSelectDialog::Pers_ListDblClick(const QModelIndex &index)
{
    if (index.isValid())
        OK_ButtonClick();
}

void ShooterSelectDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void ShooterSelectDialog::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}
