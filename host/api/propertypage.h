#pragma once

#include "hostapi_global.h"

#include <QIcon>
#include <QObject>
#include <QString>

namespace Corvane::Host {

// The contract between the configuration dialog and one of its pages. A page
// is a QWidget that also implements this interface; the dialog finds it with
// qobject_cast<IPropertyPage *>.
class CORVANE_HOSTAPI_EXPORT IPropertyPage
{
public:
    virtual ~IPropertyPage();
    virtual void Apply() = 0;
    virtual void Cancel() = 0;
    virtual void Activate() = 0;
    virtual void Deactivate() = 0;
    virtual bool Dirty() const = 0;
    virtual QString Caption() const = 0;
    virtual QString Description() const = 0;
    virtual QIcon Icon() const = 0;
};

} // namespace Corvane::Host

#define CorvaneHost_IPropertyPage_iid "org.corvane.Host.IPropertyPage/1.0"
Q_DECLARE_INTERFACE(Corvane::Host::IPropertyPage, CorvaneHost_IPropertyPage_iid)
