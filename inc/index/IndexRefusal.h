// Whether an index directory may be used as it is: one decision for every
// program that opens an index (csindexer appending or merging, cssearch,
// cscheck). A barrel list that does not agree with the barrel files beside it
// would have the next flush overwrite barrels it does not know, so such an
// index is refused before anything is written; so is a replacement plan that
// cannot be read, whose interrupted replacement cannot be completed. Each
// refusal is one line for the operator: the file, what is wrong, and the way
// out. A rebuild (-r) is the deliberate way past both.
#pragma once

#include <string>

namespace cs::index {

class CIndexRefusal {
public:
    // Who asks. A writer would overwrite barrel files the list does not name.
    // A reader reads only what the list names, and meets such files, and
    // barrel files without a list, whenever a flush has renamed its barrel
    // into place but not yet its list: for it they are no damage.
    enum class Use { WRITE, READ };

    // What is wrong with the barrel list of `dir` ("empty", "does not parse",
    // "names barrel _1, whose file _1.tid is missing", ...), or an empty text
    // when it agrees with the barrel files (or there is neither: a new index).
    // Looked at: the list's presence, size and syntax, and for each barrel it
    // names, its name, document range, deletions, files and the length of its
    // .sfi; for a writer, barrel files of barrels it does not name. A list of
    // another version is left to the version check of the caller.
    static std::string listDamage(const std::string& dir, Use use = Use::WRITE);
    // What the operator can do about a damaged list.
    static std::string listWayOut(const std::string& dir);
    // The refusal: "<list>: <damage>; nothing was changed. <way out>", or an
    // empty text.
    static std::string ofList(const std::string& dir, Use use = Use::WRITE);

    // The same for a replacement plan of `dir` that cannot be carried out
    // (none, or a readable one, is no damage).
    static std::string planDamage(const std::string& dir);
    static std::string planWayOut();
    static std::string ofPlan(const std::string& dir);
};

} // namespace cs::index
