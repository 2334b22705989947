#pragma once

#include "host_global.h"

#include "host/api/utility.h"

#include <QStringList>

namespace Corvane::Host {

// The host's file-open dialog, class "Corvane.FileOpenDialog" (a QFileDialog).
//
// Filter syntax: name filters in Qt's form, "Description (pattern pattern)",
// separated by '|'; the first is selected when the dialog opens. Example:
//   "HTML files (*.htm *.html)|All files (*)"
// An empty filter shows every file.
class CORVANE_HOST_EXPORT FileOpenDialog final : public IFileOpenDialog
{
    Q_OBJECT
public:
    using IFileOpenDialog::IFileOpenDialog;
    ~FileOpenDialog() override;

    QString Filter() const override { return m_filter; }
    void setFilter(const QString &filter) override { m_filter = filter; }
    QString FileName() const override { return m_fileName; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }
    // Opens the dialog in the folder of FileName with its name proposed.
    int Show() override;

    // The Qt name filters of a filter text.
    static QStringList nameFilters(const QString &filter);

private:
    QString m_filter;
    QString m_fileName;
};

} // namespace Corvane::Host
