// The configuration checks a run makes before it touches an index, and
// `csindexer --check-config`, which makes them all and reports each problem.
#pragma once

#include <string>
#include <vector>

namespace cs::utility {
class CConfigurator;
}

namespace cs::driver {

// What is wrong with the components the content-mode file names: an unknown
// collection, parser, analyser or indexer identifier, a content mode without
// items, a dictionary that cannot be read. Each text names the value, the
// item and the file.
std::vector<std::string> ComponentProblems(const utility::CConfigurator& configurator);

// Raises the first of ComponentProblems.
void RequireSoundComponents(const utility::CConfigurator& configurator);

// Loads everything a run loads (global configuration, string resources,
// database information, content mode and the components it names) without
// touching an index, and prints each problem found, WARN lines of the loaders
// included, on standard output. 0 when there is none, else 1.
int CheckConfiguration();

} // namespace cs::driver
