#include "toolarguments.h"
#include "trainercommandline.h"
#include "virtualtrainer.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <poll.h>
#include <unistd.h>
#include <cstdio>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }
} // namespace

int main(int argc, char **argv)
{
    ToolArguments arguments(argc, argv);
    QCoreApplication app(arguments.qtArgc(), arguments.qtArgv());
    QTextStream out(stdout);
    QTextStream err(stderr);

    TrainerOptions options;
    QString error;
    if (!ParseTrainerArguments(arguments.list().mid(1), &options, &error)) {
        err << error << "\n" << "Hilfe: vantrel-trainer-sim --help\n";
        return 2;
    }
    if (options.help) {
        out << TrainerHelpText();
        return 0;
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    VirtualTrainer trainer(options.config);
    if (!trainer.open(options.link)) {
        err << trainer.errorString() << "\n";
        return 1;
    }

    out << "Virtueller Trainer Bauart" << options.config.model << " an " << trainer.devicePath();
    if (!trainer.linkPath().isEmpty())
        out << " (Verknüpfung " << trainer.linkPath() << ")";
    out << "\nBeenden mit Strg+C.\n";
    out.flush();

    // Lines on the standard input change the load: "load 500".
    QByteArray input;
    bool inputOpen = true;
    while (!g_stop) {
        trainer.poll(50);
        struct pollfd in = {0, POLLIN, 0};
        if (inputOpen && ::poll(&in, 1, 0) > 0) {
            char chunk[256];
            const ssize_t n = ::read(0, chunk, sizeof chunk);
            if (n <= 0)
                inputOpen = false;
            else
                input.append(chunk, int(n));
            int end;
            while ((end = input.indexOf('\n')) >= 0) {
                const QStringList words = QString::fromLocal8Bit(input.left(end)).simplified().split(u' ');
                input.remove(0, end + 1);
                bool ok = false;
                const double grams = words.value(1).toDouble(&ok);
                if (words.size() == 2 && words.at(0) == QLatin1String("load") && ok && grams >= 0) {
                    trainer.setLoad(grams);
                    out << "Last: " << grams << " g\n";
                } else if (!words.value(0).isEmpty()) {
                    out << "Unbekannte Eingabe (erwartet: load GRAMM)\n";
                }
                out.flush();
            }
        }
        const QByteArray bytes = trainer.takeReceived();
        if (!options.verbose)
            continue;
        for (char byte : bytes)
            out << "empfangen: 0x" << QString::number(quint8(byte), 16).toUpper().rightJustified(2, u'0') << "\n";
        out.flush();
    }
    trainer.close();
    out << "Beendet.\n";
    return 0;
}
