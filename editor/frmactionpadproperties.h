#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Brimble {

// Edits the action pad name of one assignment: a file name (absolute, or
// relative to the resolving folder) or a web address. The caller sets the
// properties, calls DoModal and reads actionPad back when it returned 1. A
// name is accepted only when it can be found, or cannot be checked because
// the folder it is resolved against is a web address.
class frmActionPadProperties final : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString actionPad READ actionPad WRITE setActionPad)
    Q_PROPERTY(QString ExternalLocation READ ExternalLocation WRITE setExternalLocation)
public:
    // Dialog results of DoModal.
    static constexpr qint16 ClosedOtherwise = 0;
    static constexpr qint16 ResultOK = 1;
    static constexpr qint16 ResultCancel = 2;

    explicit frmActionPadProperties(QWidget *parent = nullptr);
    ~frmActionPadProperties() override;
    Q_DISABLE_COPY_MOVE(frmActionPadProperties)

    QString actionPad() const { return m_actionPad; }
    void setActionPad(const QString &name) { m_actionPad = name; }
    // The folder or web address a relative name is resolved against; empty
    // means the action pad folder. Kept with a trailing separator.
    QString ExternalLocation() const { return m_ExternalLocation; }
    void setExternalLocation(const QString &location);
    // The name the file-open dialog proposes for a new file (followed by ".htm").
    void setSource(const QString &source) { m_Source = source; }

    // Shows the dialog modally: 1 after OK, 2 after Cancel, 0 when it was closed otherwise.
    Q_INVOKABLE qint16 DoModal();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void cmdBrowseForInspector_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    void Form_Load();
    void LocalizeControls();
    // Makes the description text box tall enough for its whole text.
    void FitDescription();
    bool ValidateActionPad(const QString &name) const;
    QString ResolvingFolder() const;

    QLabel *lblTableActionPad = nullptr;
    QLabel *lblTable = nullptr;
    QLineEdit *tbActionPad = nullptr;
    QLabel *lblRelativeTo = nullptr;
    QLineEdit *tbRelativeTo = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdBrowseForInspector = nullptr;
    QGroupBox *frmHelp = nullptr;
    QPlainTextEdit *tbDescription = nullptr;

    QString m_actionPad;
    QString m_ExternalLocation;
    QString m_Source;
    qint16 ResultCode = ClosedOtherwise;
};

} // namespace Brimble
