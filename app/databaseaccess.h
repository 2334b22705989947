#pragma once

#include <QString>

#include <memory>

namespace Corvane::Dravo {
class Engine;
}

namespace Corvane::Admin {

// Opens an existing database for a command. A SQLite file that does not exist
// is refused with a message that says how to create it; nothing is created.
std::unique_ptr<Dravo::Engine> openExistingDatabase(const QString &location);

} // namespace Corvane::Admin
