#include "index/IndexRefusal.h"

#include <map>
#include <set>
#include <vector>

#include "index/BarrelsInfo.h"
#include "index/commit/ReplacePlan.h"
#include "index/format/BarrelFiles.h"
#include "platform/Env.h"
#include "store/ContentDirectory.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/OsUtility.h"

namespace cs::index {

using utility::Format;

namespace {

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

using BarrelFiles = CIndexRefusal::BarrelFiles;

// "_0.tid" or "_0.tid and 6 more files".
std::string Sample(const std::set<std::string>& names)
{
    std::string text = *names.begin();
    if (names.size() > 1)
        text += Format(" and %zu more files", names.size() - 1);
    return text;
}

std::string Sample(const BarrelFiles& files)
{
    std::set<std::string> names;
    for (const auto& [barrel, ofBarrel] : files) {
        for (const auto& [name, length] : ofBarrel)
            names.insert(name);
    }
    return Sample(names);
}

// What is wrong with one barrel the list names, given the files there are.
std::string BarrelDamage(const CBarrelInfo& barrel, const std::map<std::string, int64_t>& files)
{
    const std::string& name = barrel.getName();
    if (barrel.getDeletedCount() > barrel.getDocCount())
        return Format("barrel %s holds %d documents, %d of them deleted", name.c_str(), barrel.getDocCount(),
                      barrel.getDeletedCount());
    for (const char* extension : format::REQUIRED_FILES) {
        if (files.count(name + extension) == 0)
            return Format("names barrel %s, whose file %s%s is missing", name.c_str(), name.c_str(), extension);
    }
    int64_t length = files.at(name + format::SFI);
    int64_t expected = static_cast<int64_t>(barrel.getDocCount()) * format::SFI_ENTRY_BYTES;
    if (length != expected)
        return Format("says barrel %s holds %d documents, but %s%s has room for %lld", name.c_str(),
                      barrel.getDocCount(), name.c_str(), format::SFI,
                      static_cast<long long>(length / format::SFI_ENTRY_BYTES));
    return std::string();
}

std::string ListedDamage(const std::vector<CBarrelInfo>& barrels, BarrelFiles files, CIndexRefusal::Use use)
{
    const bool writing = use == CIndexRefusal::Use::WRITE;
    if (writing && barrels.empty() && !files.empty())
        return "names no barrel, but the directory holds barrel files (" + Sample(files) + ")";
    int64_t next = 0;
    std::set<std::string> named;
    for (const CBarrelInfo& barrel : barrels) {
        const std::string& name = barrel.getName();
        if (format::BarrelNumber(name) < 0)
            return "names barrel \"" + name + "\", which is not a barrel name";
        if (!named.insert(name).second)
            return "names barrel " + name + " twice";
        if (barrel.getDocStart() != next)
            return Format("says barrel %s starts at document %d, but the barrels before it end at %lld", name.c_str(),
                          barrel.getDocStart(), static_cast<long long>(next));
        std::string damage = BarrelDamage(barrel, files[name]);
        if (!damage.empty())
            return damage;
        next += barrel.getDocCount();
        files.erase(name);
    }
    if (writing && !files.empty())
        return "does not name barrel " + files.begin()->first + ", whose files are in the directory (" +
               Sample(BarrelFiles{*files.begin()}) + ")";
    return std::string();
}

} // namespace

CIndexRefusal::BarrelFiles CIndexRefusal::barrelFilesOf(const std::vector<platform::DirEntry>& entries)
{
    BarrelFiles files;
    for (const platform::DirEntry& entry : entries) {
        // A ".tmp" file is no barrel's yet: a flush writes its barrel so.
        std::string barrel = format::BarrelOfFile(entry.name);
        if (!entry.isDirectory && !barrel.empty() && !format::IsTmpName(entry.name))
            files[barrel][entry.name] = entry.status.size;
    }
    return files;
}

std::string CIndexRefusal::listDamage(const std::string& directory, Use use)
{
    std::string dir = WithSlash(directory);
    std::vector<platform::DirEntry> entries;
    platform::Env().listEntries(dir, entries);
    std::string list;
    try {
        if (!utility::ReadFileIfExists(dir + CBarrelsInfo::STATUS_FILE, list))
            return listDamage(nullptr, barrelFilesOf(entries), use);
    } catch (const std::exception& e) {
        return utility::WithoutErrorSite(e.what());
    }
    return listDamage(&list, barrelFilesOf(entries), use);
}

std::string CIndexRefusal::listDamage(const std::string* pList, const BarrelFiles& files, Use use)
{
    if (!pList)
        return files.empty() || use == Use::READ ? std::string() : "missing, but the directory holds barrel files (" + Sample(files) + ")";
    if (pList->empty())
        return "empty";
    std::string version;
    std::vector<CBarrelInfo> barrels;
    std::string failure = CBarrelsInfo::parseBarrels(*pList, version, barrels);
    if (failure.empty() && version == CBarrelsInfo::VERSION)
        failure = ListedDamage(barrels, files, use);
    return failure;
}

std::string CIndexRefusal::listWayOut(const std::string& directory)
{
    std::string dir = WithSlash(directory);
    return "\"cscheck --repair " + dir.substr(0, dir.size() - 1) +
           "\" keeps the barrels that decode whole, \"csindexer -d <database> -r\" rebuilds the index";
}

std::string CIndexRefusal::ofList(const std::string& directory, Use use)
{
    return listRefusal(directory, listDamage(directory, use));
}

std::string CIndexRefusal::listRefusal(const std::string& directory, const std::string& damage)
{
    if (damage.empty())
        return damage;
    return WithSlash(directory) + CBarrelsInfo::STATUS_FILE + ": " + damage + "; nothing was changed. " +
           listWayOut(directory);
}

std::string CIndexRefusal::planDamage(const std::string& directory)
{
    if (!platform::Env().isDirectory(directory))
        return std::string();
    store::CContentDirectory dir(directory, store::CContentDirectory::MODE_OPEN);
    std::string damage = CReplacePlan::damage(&dir);
    if (damage.empty())
        return damage;
    return "the plan of an interrupted replacement of index files is damaged (" + damage +
           "), so the replacement cannot be completed";
}

std::string CIndexRefusal::planWayOut() { return "\"csindexer -d <database> -r\" sets the plan aside and rebuilds the index"; }

std::string CIndexRefusal::ofPlan(const std::string& directory)
{
    std::string damage = planDamage(directory);
    if (damage.empty())
        return damage;
    return WithSlash(directory) + CReplacePlan::FILE_NAME + ": " + damage + "; nothing was changed. " + planWayOut();
}

} // namespace cs::index
