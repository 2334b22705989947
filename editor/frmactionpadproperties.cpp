#include "editor/frmactionpadproperties.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "editor/formsupport.h"
#include "host/api/application.h"
#include "platform/paths.h"
#include "platform/twips.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtMath>

#include <algorithm>

namespace Brimble {

namespace {

using ApplicationManager::GetActionPadFolder;
using ApplicationManager::IsUrl;
using Corvane::Platform::Paths::fileExists;
using ResourceManager::GetText;

const QString kSection = QStringLiteral("frmActionPadProperties");

template <typename Control>
Control *makeControl(QWidget *parent, const char *name, float width, float height)
{
    auto *control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    FormSupport::setDesignMinimum(control, width, height);
    return control;
}

QLabel *makeLabel(QWidget *parent, const char *name, float width, float height)
{
    QLabel *label = makeControl<QLabel>(parent, name, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label->setText(QLatin1String(name));
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name)
{
    QPushButton *button = makeControl<QPushButton>(parent, name, 1095, 345);
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

    // Created in tab order. The design sizes (twips) are the minimum; a
    // control grows when its text needs more, and the dialog with it.
    lblTableActionPad = makeLabel(this, "lblTableActionPad", 4335, 195);
    // At the same place as lblTableActionPad, which names what the text box
    // holds: only that one is shown.
    lblTable = makeLabel(this, "lblTable", 6555, 195);
    lblTable->hide();
    tbActionPad = makeControl<QLineEdit>(this, "tbActionPad", 6555, 315);
    lblRelativeTo = makeLabel(this, "lblRelativeTo", 6555, 195);
    tbRelativeTo = makeControl<QLineEdit>(this, "tbRelativeTo", 6555, 285);
    cmdOK = makeButton(this, "cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = makeButton(this, "cmdCancel");
    cmdBrowseForInspector = makeButton(this, "cmdBrowseForInspector");
    frmHelp = new QGroupBox(this);
    frmHelp->setObjectName(QStringLiteral("frmHelp"));
    frmHelp->setTitle(QStringLiteral("frmHelp"));
    tbDescription = makeControl<QPlainTextEdit>(frmHelp, "tbDescription", 7575, 1575);
    tbDescription->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    // The texts left, the buttons right, the help below; the text boxes and
    // the help take what the dialog grows by.
    auto *grid = new QGridLayout(this);
    FormSupport::setDesignMargins(grid, this, 120, 120, 90, 120, 45);
    grid->setHorizontalSpacing(Corvane::Platform::Twips::toPixels(165, this));
    grid->addWidget(lblTableActionPad, 0, 0);
    grid->addWidget(lblTable, 0, 0);
    grid->addWidget(tbActionPad, 1, 0);
    grid->addWidget(lblRelativeTo, 2, 0);
    grid->addWidget(tbRelativeTo, 3, 0);
    grid->addWidget(cmdOK, 0, 1, Qt::AlignTop);
    grid->addWidget(cmdCancel, 1, 1, 2, 1, Qt::AlignTop);
    grid->addWidget(cmdBrowseForInspector, 3, 1, Qt::AlignVCenter);
    grid->addWidget(frmHelp, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(4, 1);
    auto *helpLayout = new QVBoxLayout(frmHelp);
    FormSupport::setDesignMargins(helpLayout, this, 120, 0, 120, 120, 0);
    helpLayout->addWidget(tbDescription);

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
    FitDescription();
}

void frmActionPadProperties::FitDescription()
{
    // The whole description shows without scrolling at the design width; a
    // wider dialog only leaves room below it.
    const int margins =
        2 * (tbDescription->frameWidth() + qCeil(tbDescription->document()->documentMargin()));
    const int width = Corvane::Platform::Twips::toPixels(7575, this) - margins;
    const QRect text = tbDescription->fontMetrics().boundingRect(
        QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::TextWrapAnywhere,
        tbDescription->toPlainText());
    tbDescription->setMinimumHeight(
        std::max(Corvane::Platform::Twips::toPixels(1575, this),
                 text.height() + margins + tbDescription->fontMetrics().lineSpacing()));
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
    for (QPushButton *button : {cmdOK, cmdCancel, cmdBrowseForInspector})
        FormSupport::setDesignMinimum(button, 1095, 345);
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
