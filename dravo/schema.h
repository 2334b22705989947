#pragma once

#include <QString>

namespace Corvane::Dravo {

class Engine;

namespace Internal {

// The database schema as a list of steps: step N brings a database of
// version N to version N + 1 (step 0 creates everything from nothing).
// The engine runs the steps a database lacks in one transaction.
namespace Schema {

// The version this build writes.
int latestVersion();
// The product name recorded beside the version: a database without it is not ours.
QString product();
// The table that holds the product and the version.
QString versionTable();
void applyStep(Engine &engine, int fromVersion);

} // namespace Schema
} // namespace Internal
} // namespace Corvane::Dravo
