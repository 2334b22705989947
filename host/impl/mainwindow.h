#pragma once

#include "host_global.h"

#include <QMainWindow>

class QLabel;
class QTreeWidget;

namespace Corvane::Host {

class Application;

// The administration window: the database's tables, the web bar of the
// selected table, and Tools > Configure..., which opens the configuration
// dialog with the pages that the add-ins contribute.
class CORVANE_HOST_EXPORT MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Application &application, QWidget *parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Reads the table list anew from the database.
    void reloadTables();

public slots:
    // Opens the configuration dialog (modal).
    void configure();

private:
    void selectionChanged();

    Application &m_application;
    QTreeWidget *m_tables;
    // The web bar: for now the place where the selected table's action pad
    // will be shown, with its location as text.
    QWidget *m_webBar;
    QLabel *m_webBarLocation;
};

} // namespace Corvane::Host
