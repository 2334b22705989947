#pragma once

#include "hostapi_global.h"

#include "platform/eventstatus.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Corvane::Host {

class IDatabase;

// The configuration dialog's pages. Add takes ownership of the page (a QWidget
// that implements IPropertyPage).
class CORVANE_HOSTAPI_EXPORT IPages
{
public:
    virtual ~IPages();
    virtual void Add(QObject *page) = 0;
    virtual int Count() const = 0;
};

class CORVANE_HOSTAPI_EXPORT IConfigurationContext
{
public:
    virtual ~IConfigurationContext();
    virtual bool AllowsConfiguration() const = 0;
};

// Message box codes of the platform.
namespace MessageBoxCode {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int SetForeground = 0x10000;
constexpr int ButtonMask = 0x0F;
constexpr int IconMask = 0xF0;
constexpr int DefaultButtonMask = 0xF00; // 0 first button, 256 second, 512 third
constexpr int AnswerOk = 1;
constexpr int AnswerCancel = 2;
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;
} // namespace MessageBoxCode

// Mouse pointer codes of the platform.
namespace MousePointerCode {
constexpr int Default = 0;
constexpr int Hourglass = 11;
} // namespace MousePointerCode

// The host application, given to an add-in at connection. Add-ins reach the
// host only through this object model.
class CORVANE_HOSTAPI_EXPORT IApplication : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString ApplicationTitle READ ApplicationTitle)
    Q_PROPERTY(QString Language READ Language)
    Q_PROPERTY(QString WebFolder READ WebFolder)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
public:
    using QObject::QObject;
    ~IApplication() override;

    // Shows a line in the splash screen while the host starts; add-ins call it by name.
    Q_INVOKABLE virtual void SplashMessage(const QString &message) = 0;

    virtual QString ApplicationTitle() const = 0;
    virtual QString Language() const = 0;
    // The open database, or null when none is open. Owned by the application.
    virtual IDatabase *ActiveDatabase() = 0;
    virtual IConfigurationContext *ConfigurationContext() = 0;
    virtual int MousePointer() const = 0;
    virtual void setMousePointer(int pointer) = 0;
    // A new component of the class (error 429 when it cannot be created).
    virtual std::shared_ptr<QObject> CreateObject(const QString &classId) = 0;
    // The action pad folder, ending with the platform's separator.
    virtual QString WebFolder() const = 0;
    // A message box: prompt, style (buttons + icon + default button + flags) and
    // five texts that are passed empty; returns the answer code. In unattended
    // mode the default button's answer comes back at once.
    virtual int MessageBox(const QString &prompt, int style, const QString &title = {},
                           const QString &helpFile = {}, const QString &helpContext = {},
                           const QString &reserved1 = {}, const QString &reserved2 = {}) = 0;

signals:
    // The configuration dialog opens. Handlers run their body through
    // Platform::runHandler(status, ...) so that a failure reaches the host.
    void BeforeConfigure(Corvane::Host::IPages *Pages, bool *Cancel,
                         Corvane::Platform::EventStatus *status);
};

} // namespace Corvane::Host
