// The names of barrels and of their files, and the ".tmp" rule. Barrel B has
// the files B followed by a suffix; docs/format.md gives the bytes of each.
#pragma once

#include <cstdint>
#include <string>

namespace cs::index::format {

// "_<number>": a barrel of the list.
std::string BarrelName(int number);
// The number of a barrel name "_<digits>" (at most nine digits), or -1 when
// `name` is none.
int BarrelNumber(const std::string& name);
// The barrel "_<digits>" whose file `name` ("_<digits>.<suffix>") is, or an
// empty text when it is no barrel's file.
std::string BarrelOfFile(const std::string& name);
// "_mid_<level>_<counter>_": the barrel a merge writes, until the list names it.
std::string MergingBarrelName(int level, int counter);
inline constexpr char MERGING_PREFIX[] = "_mid_";
// Put before a barrel's name while the list is renumbered, so that no final
// name meets a barrel that still has it.
inline constexpr char RENUMBERING_PREFIX[] = "tmp.";

inline constexpr char TID[] = ".tid";   // term dictionaries, one section per indexed field
inline constexpr char DID[] = ".did";   // document lists, each followed by its posting trailer
inline constexpr char PID[] = ".pid";   // position lists, each followed by its length
inline constexpr char FDI[] = ".fdi";   // field information
inline constexpr char SFI[] = ".sfi";   // stored-fields offsets, one per document
inline constexpr char SFD[] = ".sfd";   // stored-fields records
inline constexpr char DEL[] = ".del";   // deleted documents, only when there are any
inline constexpr char LEN[] = ".len";   // document lengths of the word fields

// The files a flush writes under ".tmp" names, in the order it renames them.
// (.del is written under its final name, and only with a deletion.)
inline constexpr const char* FLUSHED_FILES[] = {TID, DID, PID, FDI, SFI, SFD, LEN};
// Every file a barrel may have (an index written before lengths were kept
// has no .len).
inline constexpr const char* BARREL_FILES[] = {TID, DID, PID, FDI, SFI, SFD, DEL, LEN};
// Every file a barrel must have: a merge writes no .pid when no field keeps
// positions.
inline constexpr const char* REQUIRED_FILES[] = {FDI, TID, DID, SFI, SFD};
// Bytes of a document's entry in .sfi.
inline constexpr int64_t SFI_ENTRY_BYTES = 8;

// The collections' state: files of the index directory that take their final
// names together with the barrels they describe. An index directory holds
// these, the barrel list and the barrels' files.
inline constexpr char COLLECT_DATE_FILE[] = "collect_date.xml";
inline constexpr char INDEXED_TABLES_FILE[] = "indexed_tables.xml";
inline constexpr char COLLECTED_FILES_FILE[] = "collected_files.txt";   // the directory collection's
inline constexpr const char* COLLECTION_STATE_FILES[] = {COLLECT_DATE_FILE, INDEXED_TABLES_FILE, COLLECTED_FILES_FILE};

// Put before the name of a file that a repair or a rebuild set aside: kept for
// inspection, no longer a file of the index.
inline constexpr char SET_ASIDE_PREFIX[] = "damaged.";

// A file of a multi-file update is written as its final name followed by
// ".tmp" and renamed into place once every file of the update is whole.
inline constexpr char TMP[] = ".tmp";
// "*.tmp": the pattern of every such file of a directory.
std::string TmpPattern();

std::string TmpName(const std::string& name);
// Whether `name` ends in ".tmp"; ".tmp" alone does too, as "*.tmp" matches it.
bool IsTmpName(const std::string& name);
// `tmpName` without its ".tmp" (empty for ".tmp" alone).
std::string FinalName(const std::string& tmpName);

} // namespace cs::index::format
