// The marker "index.rename" in the program's directory. It exists while index
// files are being moved to their final names, so that programs reading the
// index can tell that it is changing under them.
#pragma once

#include <string>

namespace cs::index {

class CRenameMarker {
public:
    static constexpr const char* NAME = "index.rename";

    static std::string path();
    // Creates the marker empty; failure raises "failed to create tmp file
    // while renaming index files".
    static void create();
    // Removes the marker; true when it was there and is gone.
    static bool remove();
};

} // namespace cs::index
