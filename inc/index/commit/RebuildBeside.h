// A rebuild that never leaves a moment without a whole index: the new index
// is written in a directory of its own inside the index directory (on the
// same file system), while readers go on with the old one, and takes its place
// in one committed replacement plan once it is complete (see
// docs/crash-safety.md). A rebuild cut off before that plan leaves the old
// index in force; the next start removes the partial one.
#pragma once

#include <string>

namespace cs::index {

class CRebuildBeside {
public:
    // The directory inside the index directory where the new index is written.
    static constexpr const char* STAGING_DIR = "index.rebuild";

    static std::string stagingDir(const std::string& indexDir);

    // Ends the run with the lack-of-disk-space report unless the file system of
    // `indexDir` has room for a new index as large as the old one beside it,
    // and for the first barrel.
    static void checkRoom(const std::string& indexDir);

    // Puts the index built in the staging directory in the place of the index
    // of `indexDir`: its barrels move in under names above every barrel name of
    // the old index, its collection state beside them, then its barrel list
    // replaces the old one (the moment readers see the new index); then the old
    // barrels and the old state go, and the staging directory. Files of the
    // index directory that are not the index's are left alone.
    static void swapIn(const std::string& indexDir);

    // Removes what a rebuild cut off before its swap left (the staging
    // directory); true when there was something.
    static bool removeLeftover(const std::string& indexDir);
};

} // namespace cs::index
