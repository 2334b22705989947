#include "zipnaming.h"

#include "platform/paths.h"

#include <QSet>

namespace Corvane::Zip::Naming {

namespace {

// Whether the name is its own safe form already: relative, '/' between
// non-empty parts, none of them "." or "..", no backslash and no drive.
// Most names are, and they are passed on as they are, without a copy.
bool isSafe(QStringView name)
{
    if (name.isEmpty() || (name.size() >= 2 && name.at(1) == u':' && name.at(0).isLetter()))
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size()) {
            const QChar c = name.at(i);
            if (c == u'\\')
                return false;
            if (c != u'/')
                continue;
        }
        const QStringView part = name.sliced(start, i - start);
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
        start = i + 1;
    }
    return true;
}

} // namespace

QStringList splitFileList(const QString &list)
{
    return list.split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QString defaultName(const QString &sourcePath, bool preservePaths)
{
    if (preservePaths)
        return sourcePath.mid(Platform::Paths::rootLength(sourcePath));
    const qsizetype cut = std::max(sourcePath.lastIndexOf(QLatin1Char('/')),
                                   sourcePath.lastIndexOf(Platform::Paths::separator()));
    return sourcePath.mid(cut + 1);
}

QString sanitise(const QString &name)
{
    if (isSafe(name))
        return name;
    QString text = name;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (text.size() >= 2 && text.at(1) == QLatin1Char(':') && text.at(0).isLetter())
        text.remove(0, 2);
    QStringList kept;
    const QStringList parts = text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part != QLatin1String(".") && part != QLatin1String(".."))
            kept.append(part);
    }
    return kept.join(QLatin1Char('/'));
}

bool isAlreadyCompressed(const QString &fileName)
{
    static const QSet<QString> compressed = {
        // images
        QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("gif"),
        QStringLiteral("webp"), QStringLiteral("avif"), QStringLiteral("heic"),
        QStringLiteral("jp2"),
        // web fonts
        QStringLiteral("woff"), QStringLiteral("woff2"),
        // archives and compressed streams
        QStringLiteral("zip"), QStringLiteral("gz"), QStringLiteral("tgz"), QStringLiteral("bz2"),
        QStringLiteral("xz"), QStringLiteral("7z"), QStringLiteral("rar"), QStringLiteral("zst"),
        QStringLiteral("br"), QStringLiteral("lz"), QStringLiteral("lzma"), QStringLiteral("cab"),
        QStringLiteral("jar"), QStringLiteral("apk"), QStringLiteral("epub"),
        // office documents (zip containers)
        QStringLiteral("docx"), QStringLiteral("xlsx"), QStringLiteral("pptx"),
        QStringLiteral("odt"), QStringLiteral("ods"), QStringLiteral("odp"),
        // audio and video
        QStringLiteral("mp3"), QStringLiteral("mp4"), QStringLiteral("m4a"), QStringLiteral("m4v"),
        QStringLiteral("aac"), QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("ogv"),
        QStringLiteral("opus"), QStringLiteral("flac"), QStringLiteral("webm"),
        QStringLiteral("mkv"), QStringLiteral("mov"), QStringLiteral("avi"),
        // documents with compressed streams
        QStringLiteral("pdf")};
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash =
        std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    if (dot < 0 || dot < slash)
        return false;
    return compressed.contains(fileName.mid(dot + 1).toLower());
}

} // namespace Corvane::Zip::Naming
