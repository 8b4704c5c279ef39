#include "runkit/setupcontrols.h"

#include "platform/digitreader.h"
#include "platform/messageservice.h"
#include "runkit/sightrender.h"
#include "ui/hints.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace {
template<typename W>
W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A spin box set by its arrows only: its text field takes no typing.
class ArrowsOnlySpinBox : public QSpinBox
{
public:
    explicit ArrowsOnlySpinBox(QWidget *parent)
        : QSpinBox(parent)
    {
        lineEdit()->setReadOnly(true);
    }
};
} // namespace

QLabel *MakeSetupInfoLabel(QWidget *dialog)
{
    auto *info = named(new QLabel(QStringLiteral("Wählen Sie die gewünschte Messung aus und klicken Sie auf \"OK\". "
                                                 "Hinweise zur Durchführung der Messung erhalten Sie durch Klicken "
                                                 "auf \"Information\"."),
                                  dialog),
                       "Info_Label1");
    info->setAlignment(Qt::AlignCenter);
    info->setWordWrap(true);
    return info;
}

SeriesControls MakeSeriesGroup(QWidget *dialog)
{
    SeriesControls s;
    s.group = named(new QGroupBox(QStringLiteral("&Serien"), dialog), "Serien_GroupBox");
    s.anz5 = named(new QRadioButton(QStringLiteral("5"), s.group), "Anz5_RadioButton");
    s.anz10 = named(new QRadioButton(QStringLiteral("10"), s.group), "Anz10_RadioButton");
    s.anz15 = named(new QRadioButton(QStringLiteral("15"), s.group), "Anz15_RadioButton");
    s.frei = named(new QRadioButton(QStringLiteral("frei"), s.group), "frei_RadioButton");
    s.edit = named(new QLineEdit(s.group), "Anz_Edit");
    s.edit->setMaximumWidth(70);
    s.anz5->setChecked(true);
    s.edit->setEnabled(false);
    auto *row = new QHBoxLayout(s.group);
    for (QWidget *w : {static_cast<QWidget *>(s.anz5), static_cast<QWidget *>(s.anz10),
                       static_cast<QWidget *>(s.anz15), static_cast<QWidget *>(s.frei), static_cast<QWidget *>(s.edit)})
        row->addWidget(w);
    row->addStretch();
    return s;
}

void FocusSeriesCount(const SeriesControls &series)
{
    QLineEdit *edit = series.edit;
    QRadioButton *frei = series.frei;
    edit->setFocus();
    QTimer::singleShot(0, edit, [edit, frei] {
        if (frei->isChecked() && edit->isEnabled())
            edit->setFocus();
    });
}

int ChosenSeriesCount(const SeriesControls &series)
{
    if (series.frei->isChecked()) {
        const int n = DigitsToInt(series.edit->text());
        return n < 1 ? 0 : n;
    }
    return series.anz15->isChecked() ? 15 : series.anz10->isChecked() ? 10 : 5;
}

TimesControls MakeTimesGroup(QWidget *dialog)
{
    TimesControls t;
    t.group = named(new QGroupBox(QStringLiteral("&Zeiten"), dialog), "Zeiten_GroupBox");
    t.label = named(new QLabel(QStringLiteral("Scheibenabstand in Sekunden"), t.group), "Zeit_Label");
    t.spin = named(new ArrowsOnlySpinBox(t.group), "Zeit_SpinEdit");
    t.spin->setRange(1, 10);
    t.spin->setValue(1);
    auto *row = new QHBoxLayout(t.group);
    row->addWidget(t.label);
    row->addWidget(t.spin);
    row->addStretch();
    return t;
}

SightControls MakeSightGroup(QWidget *dialog)
{
    SightControls v;
    v.group = named(new QGroupBox(QStringLiteral("&Visier"), dialog), "Visier_GroupBox");
    v.list = named(new QComboBox(v.group), "cb_Visier");
    v.list->setEditable(false);
    v.list->setMinimumWidth(160);
    v.database = named(new QRadioButton(QStringLiteral("aus &Datenbank"), v.group), "rb_PersVisier");
    v.file = named(new QRadioButton(QStringLiteral("aus Da&tei"), v.group), "rb_PresVisier");
    v.database->setChecked(true);
    auto *grid = new QGridLayout(v.group);
    grid->addWidget(v.list, 0, 0, 1, 2);
    grid->addWidget(v.database, 1, 0);
    grid->addWidget(v.file, 1, 1);
    return v;
}

QString ChosenSightFile(const SightControls &sight)
{
    if (!sight.file->isChecked())
        return QString();
    if (!sight.list->currentText().isEmpty())
        return sight.list->currentText();
    ShowInformation(QStringLiteral("Keine Visierdaten vorhanden ! \r\nVerwende Profil aus Schützendatenbank."));
    sight.database->setChecked(true);
    return QString();
}

bool PreselectSightSource(const SightControls &sight, bool standIn)
{
    switch (ActiveShooterSightProfile()) {
    case SightProfileState::Missing:
        if (sight.database->isChecked() && sight.list->count() > 0) {
            sight.file->setChecked(true);
            sight.list->setCurrentIndex(0);
            return true;
        }
        return standIn && sight.file->isChecked();
    case SightProfileState::Present:
        if (standIn && sight.file->isChecked())
            sight.database->setChecked(true);
        return false;
    case SightProfileState::Unknown:
        break;
    }
    return standIn;
}

bool SightSourceReady(const SightControls &sight, const std::function<void()> &setUpProfile)
{
    if (!sight.database->isChecked() || ActiveShooterSightProfile() != SightProfileState::Missing)
        return true;
    if (AskConfirmation(QStringLiteral("Für diesen Schützen ist noch kein Visier eingerichtet. Jetzt einrichten?"))
        != MessageService::Yes)
        return false;
    if (setUpProfile)
        setUpProfile();
    return ActiveShooterSightProfile() == SightProfileState::Present;
}

SetupButtons MakeSetupButtons(QWidget *dialog)
{
    SetupButtons b;
    b.ok = named(new QPushButton(QStringLiteral("&OK"), dialog), "OK_Button");
    b.ok->setDefault(true);
    SetHint(b.ok, QStringLiteral("|Datensatz speichern"));
    b.cancel = named(new QPushButton(QStringLiteral("&Abbruch"), dialog), "Cancel_Button");
    SetHint(b.cancel, QStringLiteral("|Datensatz verwerfen"));
    b.info = named(new QPushButton(QStringLiteral("&Information"), dialog), "Info_Button");
    b.row = new QHBoxLayout;
    b.row->addWidget(b.ok);
    b.row->addWidget(b.cancel);
    b.row->addWidget(b.info);
    return b;
}
