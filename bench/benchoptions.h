#pragma once
#include <QStringList>

// "--name N" from the command line; def when missing, not a number or below min.
inline int BenchOption(const QStringList &args, const char *name, int def, int min)
{
    const int i = args.indexOf(QLatin1String(name));
    if (i < 0 || i + 1 >= args.size())
        return def;
    bool ok = false;
    const int value = args.at(i + 1).toInt(&ok);
    return ok && value >= min ? value : def;
}
