// Out-of-line destructors: they anchor each interface's vtable (and, for the
// QObject interfaces, their meta-objects) in this one shared library, so that
// qobject_cast and dynamic_cast agree between the host and its add-ins.
#include "addinconnection.h"
#include "application.h"
#include "database.h"
#include "datafile.h"
#include "propertypage.h"
#include "settingsnode.h"
#include "table.h"
#include "utility.h"

namespace Corvane::Host {

ISettingsNode::~ISettingsNode() = default;
IAttribute::~IAttribute() = default;
IAttributes::~IAttributes() = default;
ITable::~ITable() = default;
ITables::~ITables() = default;
IDatabase::~IDatabase() = default;
IUtility::~IUtility() = default;
IFileOpenDialog::~IFileOpenDialog() = default;
ITranslator::~ITranslator() = default;
IPages::~IPages() = default;
IConfigurationContext::~IConfigurationContext() = default;
IApplication::~IApplication() = default;
IPropertyPage::~IPropertyPage() = default;
IDTExtensibility2::~IDTExtensibility2() = default;
IDravoFile::~IDravoFile() = default;

} // namespace Corvane::Host
