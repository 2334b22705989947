// The subject of tst_killsave: saves two archives into a database's action pad file in turn,
// forever, until it is killed. Each save stores the archive and, in the same transaction, the
// attributes "archive" (A or B) and "sha256" (of its bytes), starting with the archive that is
// not stored. Prints "ready" once the database is open.
//
//   dravo-killchild LOCATION ARCHIVE_A ARCHIVE_B

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: dravo-killchild LOCATION ARCHIVE_A ARCHIVE_B\n", stderr);
        return 2;
    }
    QHash<QString, QString> attributes[2];
    for (int i = 0; i < 2; ++i) {
        QFile file(args.at(2 + i));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
            return 2;
        attributes[i] = {{QStringLiteral("archive"), QString(QLatin1Char('A' + i))},
                         {QStringLiteral("sha256"), QString::fromLatin1(hash.result().toHex())}};
    }
    try {
        auto engine = Corvane::Dravo::Engine::open(args.at(1));
        Corvane::Dravo::ActionPadStore store(*engine);
        std::puts("ready");
        std::fflush(stdout);
        int next = store.attributes().value(QStringLiteral("archive")) == QLatin1String("A");
        for (;; next = 1 - next)
            store.save(args.at(2 + next), attributes[next]);
    } catch (const Corvane::Platform::RuntimeError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
