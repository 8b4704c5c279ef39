#include "shooters/clublist.h"

#include "platform/registryini.h"
#include "core/settings.h"

#include <QComboBox>

namespace {
const QString ClubSection = QStringLiteral("Vereine");
}

QStringList ClubList()
{
    RegistryIni reg(RegistryKeys::Main);
    return reg.readSection(ClubSection);
}

void AddClub(const QString &club)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeString(ClubSection, club, QString());
}

void FillClubBox(QComboBox *box)
{
    box->clear();
    for (const QString &club : ClubList())
        if (!club.isEmpty())
            box->addItem(club);
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}
