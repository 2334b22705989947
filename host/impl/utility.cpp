#include "utility.h"

#include "platform/paths.h"
#include "platform/runtimeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Corvane::Host {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == Platform::Paths::separator();
}

// The path without trailing separators, but never shorter than its root.
QString withoutTrailingSeparators(const QString &path)
{
    const int root = Platform::Paths::rootLength(path);
    qsizetype end = path.size();
    while (end > root && isSeparator(path.at(end - 1)))
        --end;
    return path.left(end);
}

} // namespace

Utility::~Utility() = default;

bool Utility::FileExists(const QString &path) const
{
    return Platform::Paths::fileExists(path);
}

QString Utility::ParentFolder(const QString &path) const
{
    const QString trimmed = withoutTrailingSeparators(path);
    const int root = Platform::Paths::rootLength(trimmed);
    qsizetype position = trimmed.size() - 1;
    while (position >= root && !isSeparator(trimmed.at(position)))
        --position;
    if (position < root)
        return trimmed.left(root);
    return withoutTrailingSeparators(trimmed.left(position));
}

QString Utility::CombinePath(const QString &folder, const QString &name) const
{
    const QString base = withoutTrailingSeparators(folder);
    qsizetype start = 0;
    while (start < name.size() && isSeparator(name.at(start)))
        ++start;
    const QString rest = name.mid(start);
    if (base.isEmpty())
        return name;
    if (rest.isEmpty())
        return base;
    if (isSeparator(base.back()))
        return base + rest; // the root itself
    return base + Platform::Paths::separator() + rest;
}

QString Utility::moduleResourceName(const QString &modulePath)
{
    static const QRegularExpression librarySuffix(
        QStringLiteral("(\\.so(\\.[0-9]+)*|\\.dll|\\.dylib|\\.exe)$"),
        QRegularExpression::CaseInsensitiveOption);
    QString name = QFileInfo(modulePath).fileName();
    const QRegularExpressionMatch suffix = librarySuffix.match(name);
    if (suffix.hasMatch()) {
        const bool isLibrary =
            suffix.captured(1).compare(QLatin1String(".exe"), Qt::CaseInsensitive) != 0;
        name.chop(suffix.capturedLength(1));
        if (isLibrary && name.startsWith(QLatin1String("lib")))
            name.remove(0, 3);
    }
    return name;
}

QIcon Utility::LoadIconResource(const QString &module, const QString &name, int width,
                                int height) const
{
    const QString base =
        QStringLiteral(":/modules/%1/icons/%2.").arg(moduleResourceName(module), name);
    for (const char *extension : {"png", "svg", "xpm"}) {
        const QString path = base + QLatin1String(extension);
        if (QFile::exists(path)) {
            QIcon icon;
            icon.addFile(path, width > 0 && height > 0 ? QSize(width, height) : QSize());
            return icon;
        }
    }
    Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, QStringLiteral("Utility"),
                         QStringLiteral("the module %1 has no icon resource \"%2\" (looked for "
                                        "%3png, .svg and .xpm); is the module loaded and the "
                                        "icon in its resources?")
                             .arg(module, name, base));
}

} // namespace Corvane::Host
