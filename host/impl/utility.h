#pragma once

#include "host_global.h"

#include "host/api/utility.h"

namespace Corvane::Host {

// The host's shared utility object, class "Corvane.Utility".
class CORVANE_HOST_EXPORT Utility final : public IUtility
{
    Q_OBJECT
public:
    using IUtility::IUtility;
    ~Utility() override;

    bool FileExists(const QString &path) const override;
    // "/x/pads/index.htm" -> "/x/pads"; "/index.htm" -> "/"; "index.htm" -> "".
    QString ParentFolder(const QString &path) const override;
    // ("/x/pads/", "/img/a.gif") -> "/x/pads/img/a.gif"; an empty part gives the other.
    QString CombinePath(const QString &folder, const QString &name) const override;
    // The Qt resource ":/modules/<base>/icons/<name>.png" (or .svg, .xpm) of
    // the loaded module, where <base> is the module's file name without the
    // "lib" prefix and the library suffix (libcorvane-brimble.so ->
    // corvane-brimble). Error 5 when the module has no such icon.
    QIcon LoadIconResource(const QString &module, const QString &name, int width,
                           int height) const override;

    // The <base> part of a module's resource paths.
    static QString moduleResourceName(const QString &modulePath);
};

} // namespace Corvane::Host
