#pragma once
// The command line of a tool, read by the tool alone: its application object
// is given the program name only, so Qt takes nothing from the command line
// ("-platform", "-style", "-reverse" stay values or unknown options of the
// tool instead of being swallowed or aborting the start).
#include <QString>
#include <QStringList>
#include <QUrl>

class ToolArguments
{
public:
    ToolArguments(int argc, char **argv)
    {
        static char fallbackName[] = "vantrel";
        m_qtArgv[0] = argc > 0 && argv[0] ? argv[0] : fallbackName;
        for (int i = 0; i < argc; ++i)
            m_list << QString::fromLocal8Bit(argv[i]);
    }
    ToolArguments(const ToolArguments &) = delete;
    ToolArguments &operator=(const ToolArguments &) = delete;

    // For the application object; must live as long as it does.
    int &qtArgc() { return m_qtArgc; }
    char **qtArgv() { return m_qtArgv; }
    // All arguments, the program name first.
    const QStringList &list() const { return m_list; }

private:
    int m_qtArgc = 1;
    char *m_qtArgv[2] = {nullptr, nullptr};
    QStringList m_list;
};

// Notes a value option as given; false with a German message when its value
// is empty or the option came before (a second value would silently win).
inline bool TakeOnce(const QString &option, const QString &value, QStringList *given, QString *error)
{
    if (value.isEmpty()) {
        *error = QStringLiteral("Der Wert der Option %1 ist leer.").arg(option);
        return false;
    }
    if (given->contains(option)) {
        *error = QStringLiteral("Die Option %1 ist mehrfach angegeben; sie gilt nur einmal.").arg(option);
        return false;
    }
    given->append(option);
    return true;
}

// The database a tool works on: a local data folder (--data DIR) or a database
// on a PostgreSQL server (--server HOST --port N --dbname D --user U, or a URI
// postgresql://user@host:port/dbname). Never a password: libpq reads it from
// ~/.pgpass or $PGPASSFILE.
struct TargetArguments
{
    QString data;
    QString host;
    int port = 5432;
    QString dbname;
    QString user;
    bool portGiven = false;

    bool isServer() const { return !host.isEmpty() || !dbname.isEmpty() || !user.isEmpty() || portGiven; }
    bool given() const { return !data.isEmpty() || isServer(); }

    // Takes args[*i] (and its value) when it names the target: 1 taken, 0 not
    // a target option, -1 wrong (German message in *error).
    int take(const QStringList &args, int *i, QString *error)
    {
        const QString a = args.at(*i);
        if (isUri(a))
            return takeUri(a, error) ? 1 : -1;
        static const QStringList names{QStringLiteral("--data"), QStringLiteral("--server"), QStringLiteral("--port"),
                                       QStringLiteral("--dbname"), QStringLiteral("--user")};
        if (!names.contains(a))
            return 0;
        if (*i + 1 >= args.size() || args.at(*i + 1).startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("Zur Option %1 fehlt der Wert.").arg(a);
            return -1;
        }
        const QString v = args.at(++*i);
        if (a == QLatin1String("--server") && isUri(v))
            return takeUri(v, error) ? 1 : -1;
        if (!TakeOnce(a, v, &m_given, error))
            return -1;
        if (a == QLatin1String("--data")) {
            data = v;
        } else if (a == QLatin1String("--server")) {
            host = v;
        } else if (a == QLatin1String("--port")) {
            bool ok = false;
            port = v.toInt(&ok);
            if (!ok || port < 1 || port > 65535) {
                *error = QStringLiteral("--port erwartet eine Zahl von 1 bis 65535, nicht „%1“.").arg(v);
                return -1;
            }
            portGiven = true;
        } else if (a == QLatin1String("--dbname")) {
            dbname = v;
        } else {
            user = v;
        }
        return 1;
    }

    // After all arguments: false with a German message when the target is
    // incomplete or names both kinds.
    bool check(QString *error) const
    {
        if (!data.isEmpty() && isServer()) {
            *error = QStringLiteral("Entweder --data oder --server, nicht beides.");
            return false;
        }
        if (isServer() && (host.isEmpty() || dbname.isEmpty() || user.isEmpty())) {
            *error = QStringLiteral("Für den Server fehlen Angaben: --server, --dbname und --user gehören zusammen "
                                    "(oder postgresql://benutzer@server:port/datenbank).");
            return false;
        }
        return true;
    }

    static QString helpLines()
    {
        return QStringLiteral(
            "  --data VERZEICHNIS  Datenverzeichnis mit den Tabellendateien\n"
            "  --server SERVER     Vereinsserver (PostgreSQL), dazu --dbname und --user\n"
            "  --port N            Port des Servers (Vorgabe 5432)\n"
            "  --dbname DATENBANK  Datenbank auf dem Server\n"
            "  --user BENUTZER     Benutzer auf dem Server; das Passwort kommt aus ~/.pgpass\n"
            "                      (oder der Datei in $PGPASSFILE), nie von der Befehlszeile\n"
            "  postgresql://BENUTZER@SERVER:PORT/DATENBANK\n"
            "                      der Server in einer Angabe\n");
    }

private:
    QStringList m_given; // options taken so far (an address counts as --server, --dbname, --user, --port)

    static bool isUri(const QString &a)
    {
        return a.startsWith(QLatin1String("postgresql://")) || a.startsWith(QLatin1String("postgres://"));
    }

    bool takeUri(const QString &text, QString *error)
    {
        const QUrl url(text, QUrl::StrictMode);
        const QString db = url.path().mid(1);
        if (!url.isValid() || url.host().isEmpty() || url.userName().isEmpty() || db.isEmpty() || db.contains(u'/')
            || url.hasQuery() || url.hasFragment()) {
            *error = QStringLiteral("„%1“ ist keine gültige Serverangabe; erwartet: "
                                    "postgresql://benutzer@server:port/datenbank.")
                         .arg(text);
            return false;
        }
        if (!url.password().isEmpty()) {
            *error = QStringLiteral("Das Passwort gehört nicht auf die Befehlszeile; es wird aus ~/.pgpass gelesen.");
            return false;
        }
        if (!TakeOnce(QStringLiteral("--server"), url.host(), &m_given, error)
            || !TakeOnce(QStringLiteral("--dbname"), db, &m_given, error)
            || !TakeOnce(QStringLiteral("--user"), url.userName(), &m_given, error)
            || (url.port() != -1 && !TakeOnce(QStringLiteral("--port"), QString::number(url.port()), &m_given, error)))
            return false;
        host = url.host();
        user = url.userName();
        dbname = db;
        if (url.port() != -1) {
            port = url.port();
            portGiven = true;
        }
        return true;
    }
};
