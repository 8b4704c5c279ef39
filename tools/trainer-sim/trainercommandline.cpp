#include "trainercommandline.h"

#include <QByteArray>

#include <cmath>

namespace {
bool allHexDigits(const QString &text)
{
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}
} // namespace

bool ParseHexBytes(const QString &text, QByteArray *bytes)
{
    QString digits = text;
    digits.remove(u' ');
    if (digits.size() % 2 != 0 || !allHexDigits(digits))
        return false;
    QByteArray out;
    for (int i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const uint value = digits.mid(i, 2).toUInt(&ok, 16);
        if (!ok)
            return false;
        out.append(char(value));
    }
    *bytes = out;
    return true;
}

bool ParseReplyText(const QString &text, QByteArray *bytes)
{
    if (text.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive))
        return ParseHexBytes(text.mid(4), bytes);
    *bytes = text.toLatin1();
    return true;
}

namespace {

bool parseSamples(const QString &text, QList<quint16> *samples)
{
    QList<quint16> out;
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString digits = part.trimmed();
        bool ok = false;
        const uint value = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 4 || !allHexDigits(digits))
            return false;
        out.append(quint16(value));
    }
    if (out.isEmpty())
        return false;
    *samples = out;
    return true;
}

bool parseFault(const QString &text, TrainerFault *fault)
{
    const QString t = text.toLower();
    if (t == QLatin1String("none")) *fault = TrainerFault::None;
    else if (t == QLatin1String("silent")) *fault = TrainerFault::Silent;
    else if (t == QLatin1String("garbage")) *fault = TrainerFault::Garbage;
    else if (t == QLatin1String("short")) *fault = TrainerFault::Short;
    else if (t == QLatin1String("no-terminator")) *fault = TrainerFault::NoTerminator;
    else return false;
    return true;
}

} // namespace

bool ParseTrainerArguments(const QStringList &arguments, TrainerOptions *options, QString *error)
{
    // The model decides the defaults; the other options then change them.
    int model = 2;
    for (int i = 0; i + 1 < arguments.size(); ++i)
        if (arguments.at(i) == QLatin1String("--model"))
            model = arguments.at(i + 1) == QLatin1String("1") ? 1 : 2;
    TrainerOptions result;
    result.config = TrainerConfig::defaults(model);

    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        const QString option = arguments.at(i);
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            result.help = true;
            continue;
        }
        if (option == QLatin1String("--verbose") || option == QLatin1String("-v")) {
            result.verbose = true;
            continue;
        }
        static const QStringList withValue = {
            QStringLiteral("--model"), QStringLiteral("--link"), QStringLiteral("--serial"),
            QStringLiteral("--battery"), QStringLiteral("--sample"), QStringLiteral("--sample-interval"),
            QStringLiteral("--hw-revision"), QStringLiteral("--sw-revision"),
            QStringLiteral("--controller-type"), QStringLiteral("--controller-revision"),
            QStringLiteral("--device-type"), QStringLiteral("--manufacturer"), QStringLiteral("--fault"),
            QStringLiteral("--cut"), QStringLiteral("--zero"), QStringLiteral("--scale"), QStringLiteral("--load"),
            QStringLiteral("--noise"), QStringLiteral("--seed"), QStringLiteral("--raw-sample"),
            QStringLiteral("--pulse-every"), QStringLiteral("--stop-after"), QStringLiteral("--stall-after"),
            QStringLiteral("--stall-ms")};
        if (!withValue.contains(option))
            return fail(QStringLiteral("Unbekannte Option: %1").arg(option));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(option));
        const QString value = arguments.at(++i);
        TrainerConfig &c = result.config;
        bool ok = true;
        if (option == QLatin1String("--model")) {
            ok = value == QLatin1String("1") || value == QLatin1String("2");
        } else if (option == QLatin1String("--link")) {
            result.link = value;
        } else if (option == QLatin1String("--serial")) {
            ok = ParseHexBytes(value, &c.serial) && c.serial.size() <= 3;
        } else if (option == QLatin1String("--battery")) {
            ok = ParseHexBytes(value, &c.battery) && c.battery.size() <= 2;
        } else if (option == QLatin1String("--sample")) {
            ok = parseSamples(value, &c.samples);
        } else if (option == QLatin1String("--sample-interval")) {
            c.sampleIntervalMs = value.toInt(&ok);
            ok = ok && c.sampleIntervalMs >= 1 && c.sampleIntervalMs <= 10000;
        } else if (option == QLatin1String("--hw-revision")) {
            ok = ParseReplyText(value, &c.hardwareRevision);
        } else if (option == QLatin1String("--sw-revision")) {
            ok = ParseReplyText(value, &c.softwareRevision);
        } else if (option == QLatin1String("--controller-type")) {
            ok = ParseReplyText(value, &c.controllerType);
        } else if (option == QLatin1String("--controller-revision")) {
            ok = ParseReplyText(value, &c.controllerRevision);
        } else if (option == QLatin1String("--device-type")) {
            ok = ParseReplyText(value, &c.deviceType);
        } else if (option == QLatin1String("--manufacturer")) {
            ok = ParseReplyText(value, &c.manufacturer);
        } else if (option == QLatin1String("--fault")) {
            ok = parseFault(value, &c.fault);
        } else if (option == QLatin1String("--cut")) {
            c.cutAfter = value.toInt(&ok);
            ok = ok && c.cutAfter >= 0;
        } else if (option == QLatin1String("--zero")) {
            c.zero = value.toInt(&ok);
            ok = ok && c.zero >= 0 && c.zero <= 4095;
            c.forceModel = true;
        } else if (option == QLatin1String("--scale")) {
            c.scale = value.toDouble(&ok);
            ok = ok && std::isfinite(c.scale) && c.scale >= 0 && c.scale <= 100;
            c.forceModel = true;
        } else if (option == QLatin1String("--load")) {
            c.loadGrams = value.toDouble(&ok);
            ok = ok && std::isfinite(c.loadGrams) && c.loadGrams >= 0 && c.loadGrams <= 100000;
            c.forceModel = true;
        } else if (option == QLatin1String("--noise")) {
            c.noise = value.toInt(&ok);
            ok = ok && c.noise >= 0 && c.noise <= 4095;
        } else if (option == QLatin1String("--seed")) {
            c.noiseSeed = value.toUInt(&ok);
        } else if (option == QLatin1String("--raw-sample")) {
            ok = parseSamples(value, &c.rawSamples);
        } else if (option == QLatin1String("--pulse-every")) {
            c.pulseEvery = value.toInt(&ok);
            ok = ok && c.pulseEvery >= 0;
        } else if (option == QLatin1String("--stop-after")) {
            c.stopAfter = value.toInt(&ok);
            ok = ok && c.stopAfter >= 0;
        } else if (option == QLatin1String("--stall-after")) {
            c.stallAfter = value.toInt(&ok);
            ok = ok && c.stallAfter >= 0;
        } else if (option == QLatin1String("--stall-ms")) {
            c.stallMs = value.toInt(&ok);
            ok = ok && c.stallMs >= 0 && c.stallMs <= 600000;
        }
        if (!ok)
            return fail(QStringLiteral("Ungültiger Wert für %1: %2").arg(option, value));
    }
    *options = result;
    return true;
}

QString TrainerHelpText()
{
    return QStringLiteral(
        "vantrel-trainer-sim - virtueller Vantrel-Trainer an einem Pseudo-Terminal\n"
        "\n"
        "Aufruf: vantrel-trainer-sim [Optionen]\n"
        "Beispiel: vantrel-trainer-sim --model 2 --link /tmp/vantrel-com2 --serial E21005 --battery 0DC3 --sample 0100\n"
        "\n"
        "Das Programm legt ein Pseudo-Terminal an, gibt seinen Namen aus und antwortet dort wie\n"
        "ein Controller Bauart1 oder Bauart2, bis es mit Strg+C (SIGINT) oder SIGTERM beendet wird.\n"
        "Vantrel Reaktion öffnet es als seriellen Port, wenn im Einstellungsspeicher\n"
        "(~/.config/nrv/vantrel reaktion.conf, Abschnitt [Ports]) COM1= oder COM2= darauf zeigt.\n"
        "\n"
        "Optionen:\n"
        "  --model 1|2               Controller Bauart1 oder Bauart2 (Vorgabe 2). Bauart1 kennt nur\n"
        "                            0x01 (Hardware-Revision), 0x02 (Messwerte an), 0x04 (Messwerte aus).\n"
        "  --link PFAD               symbolische Verknüpfung PFAD auf das Pseudo-Terminal anlegen; eine\n"
        "                            alte Verknüpfung auf ein Pseudo-Terminal (oder ins Leere) wird ersetzt,\n"
        "                            eine andere Datei nie. Beim Beenden wird sie wieder entfernt.\n"
        "  --serial HEX              Antwort auf \"C\" (Seriennummer), bis 3 Bytes, Vorgabe E21005.\n"
        "                            Leer (\"\") = keine Antwort.\n"
        "  --battery HEX             Antwort auf \"G\" (Akku-Rohwert), bis 2 Bytes, Vorgabe 0DC3 (8,75 V).\n"
        "  --sample HEX[,HEX...]     Messwerte (je 1-4 Hex-Ziffern, 0000-0FFF) nach \"a\"/\"Z\" (Bauart1: 0x02);\n"
        "                            ein Wert = konstant, mehrere = der Reihe nach wiederholt. Vorgabe 0100.\n"
        "  --sample-interval MS      ein Messwert (2 Bytes, High-Byte zuerst) alle MS Millisekunden, Vorgabe 10.\n"
        "  --hw-revision TEXT        Antwort auf \"A\" (Bauart1: 0x01), 12-Byte-Fenster, Vorgabe \"2.1\"\n"
        "                            (Bauart1: hex:010203).\n"
        "  --sw-revision TEXT        Antwort auf \"B\", 12-Byte-Fenster, Vorgabe \"1.05\".\n"
        "  --controller-type TEXT    Antwort auf \"D\", 5-Byte-Fenster, Vorgabe \"PIC16\".\n"
        "  --controller-revision TEXT  Antwort auf \"E\", 3-Byte-Fenster, Vorgabe \"B2\".\n"
        "  --device-type TEXT        Antwort auf \"F\", 15-Byte-Fenster, Vorgabe \"Reaktion\".\n"
        "  --manufacturer TEXT       Antwort auf \"H\", gefolgt vom Endezeichen 0x01, Vorgabe \"Vantrel Sim\".\n"
        "                            TEXT-Antworten werden mit Leerzeichen auf ihr Fenster aufgefüllt und\n"
        "                            darauf gekürzt; \"hex:4142\" gibt Bytes statt Text an.\n"
        "  --fault ART               Fehlerbild: none (Vorgabe), silent (antwortet nicht, keine Messwerte),\n"
        "                            garbage (Antworten aus Zufallsbytes), short (Antworten nach --cut Bytes\n"
        "                            abgeschnitten), no-terminator (Hersteller ohne Endezeichen 0x01).\n"
        "  --cut N                   Bytes je Antwort bei --fault short, Vorgabe 1.\n"
        "  --zero N                  Kraftsensor: Rohwert ohne Last (0-4095), Vorgabe 256. --zero, --scale\n"
        "                            oder --load schalten das Kraftmodell ein: Messwert = Nullpunkt +\n"
        "                            gerundet(Last x Skalierung), begrenzt auf 0-4095 (statt --sample).\n"
        "  --scale F                 Zählwerte je Gramm, Vorgabe 2.\n"
        "  --load G                  Last in Gramm, Vorgabe 0; im Betrieb änderbar mit der Eingabezeile\n"
        "                            \"load 500\" auf der Standardeingabe.\n"
        "  --noise N                 Rauschen von +-N Zählwerten (Kraftmodell), Vorgabe 0.\n"
        "  --seed S                  Startwert des Rauschens, Vorgabe 1 (gleicher Wert, gleiches Rauschen).\n"
        "  --raw-sample HEX[,HEX...] Werte des Rohdatenstroms \"Z\", Vorgabe 0200.\n"
        "  --pulse-every N           jeder N-te Wert des Rohdatenstroms ist ein Schußsensor-Impuls (0FFF);\n"
        "                            0 = keine Impulse, Vorgabe 50.\n"
        "  --stop-after N            nach N Messwerten verstummt der Strom (0 = nie).\n"
        "  --stall-after N           nach N Messwerten eine Pause von --stall-ms Millisekunden.\n"
        "  --stall-ms M              Länge der Pause, Vorgabe 0.\n"
        "                            Beide Ströme (\"a\" und \"Z\") laufen, bis \"b\" kommt.\n"
        "  -v, --verbose             jedes empfangene Byte ausgeben.\n"
        "  -h, --help                diese Hilfe.\n");
}
