#pragma once

namespace Corvane::Dravo {

class Engine;

// Implemented by the host's database object, so that the data engine's
// components (Dravo.File) reach the engine of the database they are given.
class EngineProvider
{
public:
    virtual ~EngineProvider() = default;
    virtual Engine &engine() = 0;
};

} // namespace Corvane::Dravo
