#include "SourceRefusal.h"

#include "platform/Env.h"
#include "utility/Format.h"
#include "utility/OsUtility.h"

namespace cs::driver {

namespace {

const char* const kWayOut = "; nothing was indexed and the index is unchanged: set /config/index/source to the "
                            "directory of the documents";

// Whether `inner` is `outer` or lies below it (both resolved).
bool Within(const std::string& inner, const std::string& outer)
{
    if (outer == "/")
        return true;
    return inner.compare(0, outer.size(), outer) == 0 && (inner.size() == outer.size() || inner[outer.size()] == '/');
}

} // namespace

std::string SourceRefusal(const std::string& source, const std::string& indexRoot)
{
    using utility::Format;
    if (source.empty())
        return std::string("no source directory is configured") + kWayOut;
    platform::CEnv& env = platform::Env();
    if (!env.pathAccessible(source))
        return Format("the source directory %s does not exist (is its disk mounted?)%s", source.c_str(), kWayOut);
    if (!env.isDirectory(source))
        return Format("the source directory %s is not a directory%s", source.c_str(), kWayOut);
    if (!env.listDirectory(source))
        return Format("the source directory %s cannot be read (%s)%s", source.c_str(),
                      utility::GetLastErrorText().c_str(), kWayOut);
    std::string resolvedSource, resolvedRoot;
    if (!env.resolvePath(source, resolvedSource))
        return Format("the source directory %s cannot be resolved (%s)%s", source.c_str(),
                      utility::GetLastErrorText().c_str(), kWayOut);
    // An index root that could not be made is the run's own failure (it
    // cannot make its lock there), and holds nothing the source could be.
    if (!env.resolvePath(indexRoot, resolvedRoot))
        return std::string();
    const char* relation = resolvedSource == resolvedRoot       ? "is"
                           : Within(resolvedRoot, resolvedSource) ? "contains"
                           : Within(resolvedSource, resolvedRoot) ? "lies inside"
                                                                  : nullptr;
    if (relation)
        return Format("the source directory %s %s the index root %s%s outside the index root", source.c_str(),
                      relation, indexRoot.c_str(), kWayOut);
    return std::string();
}

} // namespace cs::driver
