#include "addin/ui.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"

#include "host/api/application.h"

#include "platform/runtimeerror.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <cmath>

using Corvane::Platform::raiseError;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;

namespace Brimble::UI {

namespace {

const QString kSource = QStringLiteral("UI");
const QString kErrorSection = QStringLiteral("BrimbleError");

Corvane::Host::IApplication &requireApplication(const char *operation)
{
    Corvane::Host::IApplication *application = ApplicationManager::GetApplication();
    if (!application)
        raiseError(
            ErrorNumber::ObjectRequired, kSource,
            QStringLiteral("%1 needs a connected host application").arg(QLatin1String(operation)));
    return *application;
}

// The screen's pointer codes as Qt cursors.
Qt::CursorShape cursorShape(std::int16_t pointer)
{
    switch (pointer) {
    case 1:
        return Qt::ArrowCursor;
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

void setScreenPointer(std::int16_t pointer)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return; // no screen to show a pointer on
    if (pointer == 0) {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        return;
    }
    const QCursor cursor(cursorShape(pointer));
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(cursor);
    else
        QGuiApplication::setOverrideCursor(cursor);
}

// The runtime's conversion of a text to a 32-bit number (rounding halves to even).
std::int32_t toLong(const QString &text)
{
    bool ok = false;
    const double number = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("the help context \"%1\" is not a number").arg(text));
    const double rounded = std::nearbyint(number);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        raiseError(ErrorNumber::Overflow, kSource,
                   QStringLiteral("the help context %1 is out of range").arg(text));
    return static_cast<std::int32_t>(rounded);
}

template <typename TextBox> void lockTextBox(TextBox *textBox)
{
    if (!textBox)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("LockTextBox needs a text box"));
    textBox->setReadOnly(true);
    QPalette palette = textBox->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    textBox->setPalette(palette);
}

} // namespace

QString GetMessageTitle()
{
    if (ApplicationManager::IsInitialized())
        return ApplicationManager::GetApplication()->ApplicationTitle();
    return ResourceManager::GetText(QStringLiteral("Title"), {});
}

int ShowMessage(const QString &prompt, int buttons, int icon, int defaultButton)
{
    Corvane::Host::IApplication &application = requireApplication("ShowMessage");
    return application.MessageBox(
        prompt, buttons + icon + defaultButton + Corvane::Host::MessageBoxCode::SetForeground, {},
        {}, {}, {}, {});
}

void SetMousePointer(std::int16_t pointer)
{
    if (ApplicationManager::IsInitialized())
        ApplicationManager::GetApplication()->setMousePointer(pointer);
    else
        setScreenPointer(pointer);
}

void RaiseAddinError(std::int32_t n)
{
    const QString number = QString::number(n);
    const QString source = GetMessageTitle();
    const QString description =
        ResourceManager::GetText(number + QStringLiteral("-description"), kErrorSection);

    const QString helpFileKey = number + QStringLiteral("-helpfile");
    QString helpFile = ResourceManager::GetText(helpFileKey, kErrorSection);
    if (helpFile == helpFileKey)
        helpFile = QStringLiteral("0");

    const QString helpContextKey = number + QStringLiteral("-helpcontext");
    const QString helpContextText = ResourceManager::GetText(helpContextKey, kErrorSection);
    const std::int32_t helpContext =
        helpContextText == helpContextKey ? 0 : toLong(helpContextText);

    throw Corvane::Platform::RuntimeError(Corvane::Platform::componentError(n), source, description,
                                          helpFile, helpContext);
}

void LockTextBox(QLineEdit *textBox)
{
    lockTextBox(textBox);
}

void LockTextBox(QPlainTextEdit *textBox)
{
    lockTextBox(textBox);
}

std::int16_t SetColumnWidth(QTreeWidget *listView, int column, float width, bool inPercent)
{
    if (!listView)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("SetColumnWidth needs a list view"));
    if (inPercent && (width < 0.0f || width > 100.0f))
        return 1;
    const float listWidth = Corvane::Platform::Twips::fromPixels(listView->width(), listView);
    if (!inPercent && (width < 0.0f || width > listWidth))
        return 1;
    if (column > listView->columnCount())
        return 2;
    if (column < 1)
        raiseError(
            ErrorNumber::SubscriptOutOfRange, kSource,
            QStringLiteral("the list view has no column %1; columns count from 1").arg(column));
    const float columnWidth = inPercent ? std::floor(listWidth * width / 100.0f) : width;
    const int pixels = Corvane::Platform::Twips::toPixels(columnWidth, listView);
    // Any width the list accepts may be set, down to 0 (a hidden column).
    QHeaderView *header = listView->header();
    if (pixels < header->minimumSectionSize())
        header->setMinimumSectionSize(pixels);
    listView->setColumnWidth(column - 1, pixels);
    return 0;
}

} // namespace Brimble::UI
