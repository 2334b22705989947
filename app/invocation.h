#pragma once

#include "platform/runtimeerror.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace Corvane::Admin {

// A command line that does not follow corvane-admin's contract.
class UsageError final : public Platform::RuntimeError
{
public:
    explicit UsageError(const QString &message)
        : Platform::RuntimeError(Platform::ErrorNumber::InvalidProcedureCall,
                                 QStringLiteral("corvane-admin"), message)
    {
    }
};

// One run of corvane-admin: the command, its arguments and its options,
// checked against the contract (which options each command takes, how many
// arguments, which values are numbers) before anything is opened.
struct Invocation
{
    enum class Command
    {
        Help,
        Gui,
        Init,
        TableAdd,
        SettingsSet,
        SettingsGet,
        Publish,
        ActionPadsShow,
        ActionPadsExtract,
        ActionPadsVerify
    };

    Command command = Command::Gui;
    QStringList arguments; // the command's own arguments (NAME, PATH, OUT.zip ...)
    QString database;
    QHash<QString, QString> values; // option name -> value, for the options given
    QSet<QString> flags;            // options without a value that were given

    bool has(const QString &option) const
    {
        return values.contains(option) || flags.contains(option);
    }
    QString value(const QString &option, const QString &fallback = {}) const
    {
        return values.value(option, fallback);
    }

    // Parses the program's arguments (the first is the program itself). Error
    // UsageError for anything the contract does not allow.
    static Invocation parse(const QStringList &arguments);
    static QString usage();
};

} // namespace Corvane::Admin
