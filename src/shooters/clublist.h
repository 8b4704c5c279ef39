#pragma once
#include <QString>
#include <QStringList>

class QComboBox;

// The sports clubs the program remembers: the value names of the section
// "Vereine" of the program's settings key. The list only ever grows.
QStringList ClubList();
// Remembers a club (an empty value of that name; an empty name is stored too).
void AddClub(const QString &club);
// Clears the box and fills it with the remembered clubs (without the empty name).
void FillClubBox(QComboBox *box);
