// Zips one folder (with subfolders, paths kept, the archiver's options) with
// the zip component and prints the time it took, for comparison with
// `zip -r -q`. Usage: bench_zip FOLDER ARCHIVE
#include "zip/zipcomponent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>

using Corvane::Zip::ZipComponent;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: bench_zip FOLDER ARCHIVE\n");
        return 2;
    }
    QFile(arguments[2]).open(QIODevice::WriteOnly); // as the archiver hands it over: empty
    ZipComponent zip;
    zip.setFilesToProcess(QLatin1Char('|') + arguments[1] + QStringLiteral("/*"));
    zip.setIncludeSubfolders(true);
    zip.setPreservePaths(true);
    zip.setMetadataOptions(Corvane::Zip::MetadataOption::All);
    zip.setArchivePath(arguments[2]);
    const int cut = arguments[1].size() + 1;
    qint64 files = 0;
    QObject::connect(&zip, &ZipComponent::ZipPreprocessingFile, &zip,
                     [&](QString *sFilename, const QString &, const QString &sSourceFilename) {
                         *sFilename = sSourceFilename.mid(cut);
                         ++files;
                     });
    int result = -1;
    QElapsedTimer timer;
    QObject::connect(
        &zip, &ZipComponent::ProcessCompleted, &app,
        [&](qint32, qint32, qint32, qint64, qint64, qint64, qint64 output, qint16, qint32 xResult) {
            result = xResult;
            std::printf("%lld files, %lld bytes out, %.3f s, result %d\n",
                        static_cast<long long>(files), static_cast<long long>(output),
                        double(timer.nsecsElapsed()) / 1e9, xResult);
            if (xResult != 0)
                std::fprintf(stderr, "%s\n", qPrintable(zip.lastError()));
            app.quit();
        });
    timer.start();
    zip.Zip();
    app.exec();
    return result == 0 ? 0 : 1;
}
