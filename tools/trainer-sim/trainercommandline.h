#pragma once
#include "virtualtrainer.h"

#include <QString>
#include <QStringList>

// The options of vantrel-trainer-sim.
struct TrainerOptions
{
    TrainerConfig config = TrainerConfig::defaults(2);
    QString link;          // where the link to the pty goes; empty: none
    bool verbose = false;  // print every received byte
    bool help = false;
};

// Reads the arguments (without the program name). False with a German
// message in *error when an option or value is wrong.
bool ParseTrainerArguments(const QStringList &arguments, TrainerOptions *options, QString *error);
QString TrainerHelpText();

// "E21005", "0D C3" -> bytes; false for an odd count of digits or a non-hex character.
bool ParseHexBytes(const QString &text, QByteArray *bytes);
// Reply texts: plain text, or "hex:" followed by hex bytes.
bool ParseReplyText(const QString &text, QByteArray *bytes);
