#pragma once

#include "model/actionpad.h"

#include <QVariantMap>

#include <memory>

namespace Brimble {

// The dry run of a publish: the archiver's own analysis (an AnalysisOnly
// archiver, so the same collection, naming, clash detection and duplicates
// default as a publish), described instead of zipped. Nothing is written:
// no temporary file, no setting, nothing in the database.
namespace PublishPlan {

// Archives above this size (10 MB) are published only after the user agreed.
constexpr qint64 kArchiveSizeLimit = 10485760;

// Analyses a publish of `pads` (which get their published names, as in a
// publish) and describes what it would store:
//   "entries"    [{name, source, size, crc32 (8 hex digits)}], in archive order
//   "clashes"    [{name, kept (source), left [sources]}]
//   "skippedLinks" [each "link -> target"]: the links a publish leaves out
//   "attributes" {name: value}: the attributes of the action pad file it
//                writes, a null value for one it removes
//   "totalSize"  bytes of the files, "overLimit" whether that passes 10 MB.
// Fails (RuntimeError) with the error a publish would meet first: invalid pad
// files, a file that cannot be read.
QVariantMap Analyze(const std::shared_ptr<ActionPadCollection> &pads);

} // namespace PublishPlan
} // namespace Brimble
