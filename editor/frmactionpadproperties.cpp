#include "editor/frmactionpadproperties.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "editor/formsupport.h"
#include "host/api/application.h"
#include "platform/paths.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace Brimble {

namespace {

using ApplicationManager::GetActionPadFolder;
using ApplicationManager::IsUrl;
using Corvane::Platform::Paths::fileExists;
using ResourceManager::GetText;

const QString kSection = QStringLiteral("frmActionPadProperties");

template <typename Control>
Control *makeControl(QWidget *parent, const char *name, float left, float top, float width,
                     float height)
{
    auto *control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    FormSupport::place(control, left, top, width, height);
    return control;
}

QLabel *makeLabel(QWidget *parent, const char *name, float left, float top, float width,
                  float height)
{
    QLabel *label = makeControl<QLabel>(parent, name, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setText(QLatin1String(name));
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, float left, float top)
{
    QPushButton *button = makeControl<QPushButton>(parent, name, left, top, 1095, 345);
    button->setText(QLatin1String(name));
    return button;
}

} // namespace

frmActionPadProperties::frmActionPadProperties(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmActionPadProperties"));
    setFont(FormSupport::designFont());
    FormSupport::resizeClient(this, 8025, 3495);

    // Created in tab order.
    lblTableActionPad = makeLabel(this, "lblTableActionPad", 120, 120, 4335, 195);
    lblTable = makeLabel(this, "lblTable", 120, 120, 6555, 195);
    tbActionPad = makeControl<QLineEdit>(this, "tbActionPad", 120, 360, 6555, 315);
    lblRelativeTo = makeLabel(this, "lblRelativeTo", 120, 720, 6555, 195);
    tbRelativeTo = makeControl<QLineEdit>(this, "tbRelativeTo", 120, 960, 6555, 285);
    cmdOK = makeButton(this, "cmdOK", 6840, 120);
    cmdOK->setDefault(true);
    cmdCancel = makeButton(this, "cmdCancel", 6840, 540);
    cmdBrowseForInspector = makeButton(this, "cmdBrowseForInspector", 6840, 1020);
    frmHelp = makeControl<QGroupBox>(this, "frmHelp", 120, 1440, 7815, 1935);
    frmHelp->setTitle(QStringLiteral("frmHelp"));
    tbDescription = makeControl<QPlainTextEdit>(frmHelp, "tbDescription", 120, 240, 7575, 1575);

    connect(cmdOK, &QPushButton::clicked, this, &frmActionPadProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmActionPadProperties::cmdCancel_Click);
    connect(cmdBrowseForInspector, &QPushButton::clicked, this,
            &frmActionPadProperties::cmdBrowseForInspector_Click);
}

frmActionPadProperties::~frmActionPadProperties() = default;

void frmActionPadProperties::setExternalLocation(const QString &location)
{
    m_ExternalLocation = ApplicationManager::AddTrailingSeparator(location);
}

qint16 frmActionPadProperties::DoModal()
{
    ResultCode = ClosedOtherwise;
    Form_Load();
    setWindowModality(Qt::ApplicationModal);
    exec();
    return ResultCode;
}

void frmActionPadProperties::keyPressEvent(QKeyEvent *event)
{
    // Escape is the Cancel button's key; only the close box leaves the result at 0.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmActionPadProperties::Form_Load()
{
    LocalizeControls();

    tbActionPad->setText(m_actionPad);
    tbActionPad->setSelection(0, static_cast<int>(m_actionPad.size()));

    tbRelativeTo->setText(ResolvingFolder());
    UI::LockTextBox(tbRelativeTo);

    const QString description = GetText(QStringLiteral("lblDescription"), kSection)
                                    .replace(QStringLiteral("%1"), ResolvingFolder())
                                    .replace(QStringLiteral("{vbNewLine}"), QStringLiteral("\r\n"));
    tbDescription->setPlainText(description);
    UI::LockTextBox(tbDescription);
}

void frmActionPadProperties::LocalizeControls()
{
    setWindowTitle(GetText(QStringLiteral("Caption"), kSection));
    cmdBrowseForInspector->setText(GetText(QStringLiteral("cmdBrowseForInspector"), kSection));
    lblTable->setText(GetText(QStringLiteral("lblTable"), kSection));
    lblTableActionPad->setText(GetText(QStringLiteral("lblTableActionPad"), kSection));
    lblRelativeTo->setText(GetText(QStringLiteral("lblRelativeTo"), kSection));
    frmHelp->setTitle(GetText(QStringLiteral("frmHelp"), kSection));
    cmdOK->setText(GetText(QStringLiteral("OK"), QString()));
    cmdCancel->setText(GetText(QStringLiteral("Cancel"), QString()));
}

QString frmActionPadProperties::ResolvingFolder() const
{
    return m_ExternalLocation.isEmpty() ? GetActionPadFolder() : m_ExternalLocation;
}

void frmActionPadProperties::cmdBrowseForInspector_Click()
{
    try {
        QString chosenFile;
        const QString answer = ApplicationManager::BrowseForActionPad(
            tbActionPad->text(), m_ExternalLocation, m_Source, chosenFile);
        bool numeric = false;
        if (answer.trimmed().toDouble(&numeric) == 1.0 && numeric) {
            tbActionPad->setText(chosenFile);
            tbActionPad->setSelection(0, static_cast<int>(chosenFile.size()));
        }
    } catch (const std::exception &error) {
        FormSupport::reportError(FormSupport::errorDescription(error));
    }
}

void frmActionPadProperties::cmdOK_Click()
{
    try {
        const QString name = tbActionPad->text();
        if (ValidateActionPad(name)) {
            m_actionPad = name;
            ResultCode = ResultOK;
            accept();
            return;
        }
        using namespace Corvane::Host::MessageBoxCode;
        UI::ShowMessage(GetText(QStringLiteral("Error_InvalidActionPad"), kSection)
                            .replace(QStringLiteral("%1"), name),
                        OkOnly, Exclamation, 0);
    } catch (const std::exception &error) {
        FormSupport::reportError(FormSupport::errorDescription(error));
    }
}

void frmActionPadProperties::cmdCancel_Click()
{
    ResultCode = ResultCancel;
    reject();
}

// A name is accepted when it is empty, a web address, or a file found as
// given, in the action pad folder or under the external location - or when it
// cannot be checked because one of those folders is a web address. Every rule
// is evaluated; names are joined to the folders without a separator.
bool frmActionPadProperties::ValidateActionPad(const QString &name) const
{
    const QString actionPadFolder = GetActionPadFolder();
    const bool externalIsUrl = IsUrl(m_ExternalLocation);

    const bool isEmpty = name.isEmpty();
    const bool isWebAddress = IsUrl(name);
    const bool existsAsGiven = fileExists(name);
    const bool existsInActionPadFolder = fileExists(actionPadFolder + name);
    const bool existsUnderExternal = !externalIsUrl && fileExists(m_ExternalLocation + name);
    const bool cannotBeChecked = !isEmpty && (externalIsUrl || IsUrl(actionPadFolder));

    return isEmpty || isWebAddress || existsAsGiven || existsInActionPadFolder ||
           existsUnderExternal || cannotBeChecked;
}

} // namespace Brimble
