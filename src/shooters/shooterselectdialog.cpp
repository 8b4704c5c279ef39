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

    m_list = new ShooterList(this);
    m_list->setObjectName(QStringLiteral("Pers_List"));
    connect(m_list, &QAbstractItemView::doubleClicked, this, &ShooterSelectDialog::listDoubleClicked);

    auto *listLabel = new QLabel(QStringLiteral("&Schützen"), this);
    listLabel->setObjectName(QStringLiteral("Schuetzen_Label"));
    listLabel->setBuddy(m_list);

    m_userImage = new QLabel(this);
    m_userImage->setObjectName(QStringLiteral("User_Image"));
    m_userImage->setPixmap(Pictures::pixmap(Pictures::userPicture()));
    m_userImage->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto info = [this](const QString &name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMinimumWidth(220);
        return label;
    };
    m_info[0] = info(QStringLiteral("Info1_Label"),
                       QStringLiteral("Wählen Sie den gewünschten Schützen aus der Liste der vorhandenen Schützen "
                                      "aus. Dieser bleibt solange aktiv, bis Sie einen anderen auswählen oder das "
                                      "Programm beenden."));
    m_info[1] = info(QStringLiteral("Info2_Label"),
                       QStringLiteral("Jede durchgeführte Messung wird auf das Konto des gewählten Schützen "
                                      "gebucht. Alternativ dazu können Sie den Schützen auch aus der "
                                      "Schützenübersicht wählen."));

    m_okButton = new QPushButton(QStringLiteral("Üb&ernehmen"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    SetHint(m_okButton, QStringLiteral("|Schütze auswählen"));
    connect(m_okButton, &QPushButton::clicked, this, &ShooterSelectDialog::okClicked);

    m_cancelButton = new QPushButton(QStringLiteral("&Abbruch"), this);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    SetHint(m_cancelButton, QStringLiteral("|Auswahl abbrechen"));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(m_list, 1);
    auto *right = new QGridLayout;
    right->addWidget(m_userImage, 0, 0);
    right->addWidget(m_info[0], 0, 1);
    right->addWidget(m_info[1], 1, 1);
    right->setRowStretch(2, 1);
    right->setColumnStretch(1, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    m_list->bindTable(ShooterTable());
    m_okButton->setEnabled(!ShooterTableEmpty());

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden PSF"));
}

ShooterSelectDialog::~ShooterSelectDialog() = default;

void ShooterSelectDialog::activate()
{
    RefreshShooterTable();
    m_list->bindTable(ShooterTable());
    m_okButton->setEnabled(!ShooterTableEmpty());
    m_list->setFocus();
}

void ShooterSelectDialog::okClicked()
{
    const DataTable *table = ShooterTable();
    if (ShooterTableEmpty() || !table->hasActiveRecord())
        return;
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
    accept();
}

void ShooterSelectDialog::listDoubleClicked(const QModelIndex &index)
{
    if (index.isValid())
        okClicked();
}

void ShooterSelectDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void ShooterSelectDialog::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}
