#include "app/aboutdialog.h"
#include "core/windowplacement.h"

#include "platform/buildinfo.h"
#include "core/actionlog.h"
#include "ui/pictures.h"
#include "ui/weblinks.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVBoxLayout>

QString SqliteVersionText()
{
    const QString name = QStringLiteral("VantrelVersionProbe");
    QString version;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT sqlite_version()")) && q.next())
                version = q.value(0).toString();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return version;
}

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("About_Form"));
    setWindowTitle(QStringLiteral("Über..."));
    auto *top = new QHBoxLayout;
    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Logo_Image"));
    logo->setPixmap(Pictures::pixmap(Pictures::logo()));
    auto *names = new QVBoxLayout;
    auto *line1 = new QLabel(QStringLiteral("Vantrel"), this);
    auto *line2 = new QLabel(QStringLiteral("Reaktion"), this);
    QFont big = line1->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    line1->setFont(big);
    line2->setFont(big);
    names->addWidget(line1);
    names->addWidget(line2);
    top->addWidget(logo);
    top->addLayout(names, 1);

    auto *form = new QFormLayout;
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("Version_Label"));
    m_infoDll = new QLabel(this);
    m_infoDll->setObjectName(QStringLiteral("InfoDll_Label"));
    m_dbDll = new QLabel(this);
    m_dbDll->setObjectName(QStringLiteral("DBDll_Label"));
    form->addRow(QStringLiteral("Version"), m_version);
    form->addRow(QStringLiteral("Info DLL"), m_infoDll);
    form->addRow(QStringLiteral("DB DLL"), m_dbDll);

    auto *maker = new QLabel(WebLinks::MakerName, this);
    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OK_Button"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(maker);
    layout->addWidget(ok, 0, Qt::AlignRight);
    WindowPlacement::fitToContent(this);
}

void AboutDialog::fillVersions()
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden AF"));
    m_version->setText(QStringLiteral(VR_VERSION_TEXT));
    m_infoDll->setText(QStringLiteral("Qt ") + QString::fromLatin1(qVersion()));
    const QString sqlite = SqliteVersionText();
    m_dbDll->setText(sqlite.isEmpty() ? QStringLiteral("SQLite") : QStringLiteral("SQLite ") + sqlite);
    WindowPlacement::fitToContent(this);   // room for the version texts
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden AF"));
}

void AboutDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        fillVersions();
}
