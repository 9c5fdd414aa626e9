// Whether an index directory may be used as it is: one decision for every
// program that opens an index (csindexer appending or merging, cssearch,
// cscheck). A barrel list that does not agree with the barrel files beside it
// would have the next flush overwrite barrels it does not know, so such an
// index is refused before anything is written; so is a replacement plan that
// cannot be read, whose interrupted replacement cannot be completed. Each
// refusal is one line for the operator: the file, what is wrong, and the way
// out. A rebuild (-r) is the deliberate way past both.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace cs::index {

class CIndexRefusal {
public:
    // Who asks. A writer would overwrite barrel files the list does not name.
    // A reader reads only what the list names, and meets such files, and
    // barrel files without a list, whenever a flush has renamed its barrel
    // into place but not yet its list: for it they are no damage.
    enum class Use { WRITE, READ };

    // The barrel files of a directory: by barrel name, each file's name and length.
    using BarrelFiles = std::map<std::string, std::map<std::string, int64_t>>;
    static BarrelFiles barrelFilesOf(const std::vector<platform::DirEntry>& entries);

    // What is wrong with the barrel list of `dir` ("empty", "does not parse",
    // "names barrel _1, whose file _1.tid is missing", ...), or an empty text
    // when it agrees with the barrel files (or there is neither: a new index).
    // Looked at: the list's presence, size and syntax, and for each barrel it
    // names, its name, document range, deletions, files and the length of its
    // .sfi; for a writer, barrel files of barrels it does not name. A list of
    // another version is left to the version check of the caller.
    static std::string listDamage(const std::string& dir, Use use = Use::WRITE);
    // The same for a list read already: `pList` its bytes (null: there is
    // none), `files` the barrel files beside it.
    static std::string listDamage(const std::string* pList, const BarrelFiles& files, Use use);
    // What the operator can do about a damaged list.
    static std::string listWayOut(const std::string& dir);
    // The refusal: "<list>: <damage>; nothing was changed. <way out>", or an
    // empty text.
    static std::string ofList(const std::string& dir, Use use = Use::WRITE);
    static std::string listRefusal(const std::string& dir, const std::string& damage);

    // The same for a replacement plan of `dir` that cannot be carried out
    // (none, or a readable one, is no damage).
    static std::string planDamage(const std::string& dir);
    static std::string planWayOut();
    static std::string ofPlan(const std::string& dir);
};

} // namespace cs::index
