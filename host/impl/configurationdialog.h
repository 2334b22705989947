#pragma once

#include "host_global.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QTabWidget;

namespace Corvane::Host {

class Application;
class IPropertyPage;

// The administration tool's configuration dialog. Its pages come from the
// application's BeforeConfigure event; each is a QWidget that implements
// IPropertyPage and is shown as a tab with its caption and icon. The dialog
// owns its pages. OK applies every page and closes, Cancel cancels every
// page, Apply applies every page and stays open.
class CORVANE_HOST_EXPORT ConfigurationDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit ConfigurationDialog(Application &application, QWidget *parent = nullptr);
    ~ConfigurationDialog() override;
    Q_DISABLE_COPY_MOVE(ConfigurationDialog)

    // Raises BeforeConfigure and takes the pages its handlers add. A handler's
    // failure is shown to the user with its description; the dialog keeps the
    // pages it got. Returns false when a handler cancelled the dialog.
    bool loadPages();

    QList<QWidget *> pages() const;
    // The page whose objectName or class name (with or without namespace) is `name`.
    QWidget *findPage(const QString &name) const;
    // Makes the page the current one: the page left is deactivated, the new one activated.
    void setCurrentPage(QWidget *page);

    void applyAll();
    void cancelAll();

    void accept() override;
    void reject() override;

    // Takes a page object: a QWidget implementing IPropertyPage (error 13 for
    // anything else; the caller keeps what is refused).
    void addPage(QObject *page);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Runs a page call; a failure is shown and gives false.
    bool guarded(const QString &what, const std::function<void()> &call);
    void currentChanged(int index);

    Application &m_application;
    QTabWidget *m_tabs;
    QLabel *m_noPages;
    QDialogButtonBox *m_buttons;
    QPointer<QWidget> m_current;
};

} // namespace Corvane::Host
