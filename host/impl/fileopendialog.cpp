#include "fileopendialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace Corvane::Host {

FileOpenDialog::~FileOpenDialog() = default;

QStringList FileOpenDialog::nameFilters(const QString &filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            filters.append(trimmed);
    }
    return filters;
}

int FileOpenDialog::Show()
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("FileOpenDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog, so that the host (and its unattended mode) sees it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QStringList filters = nameFilters(m_filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!m_fileName.isEmpty()) {
        const QFileInfo proposed(m_fileName);
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return 0;
    m_fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    return 1;
}

} // namespace Corvane::Host
