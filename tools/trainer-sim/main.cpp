#include "trainercommandline.h"
#include "virtualtrainer.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    TrainerOptions options;
    QString error;
    if (!ParseTrainerArguments(app.arguments().mid(1), &options, &error)) {
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

    while (!g_stop) {
        trainer.poll(50);
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
