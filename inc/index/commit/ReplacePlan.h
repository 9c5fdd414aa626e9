// A replacement of index files that survives a crash: the renames and
// removals are written to a plan file in the index directory and committed
// before the first of them runs, so that whoever opens the index next rolls
// an interrupted replacement forward instead of finding a barrel list that
// names files which are gone.
//
// The steps are grouped in phases that run in order; within one phase no name
// is both a source and a target, which makes every step safe to repeat: a
// rename whose source is gone has already happened. The plan file records the
// first phase not yet finished.
#pragma once

#include <string>
#include <vector>

namespace cs::store {
class CDirectory;
}

namespace cs::index {

class CReplacePlan {
public:
    static const char* const FILE_NAME;   // "index.plan", in the index directory

    explicit CReplacePlan(store::CDirectory* pDir);

    void addRename(int phase, const std::string& from, const std::string& to);
    void addRemove(int phase, const std::string& name);
    // Every file of the barrel ("name.*") as the directory will hold it when
    // the phase begins: as it is now, changed by the steps of earlier phases.
    void addBarrelRename(int phase, const std::string& from, const std::string& to);
    void addBarrelRemove(int phase, const std::string& name);
    // Every ".tmp" file of the directory to its name without ".tmp", but for
    // the files of `exceptBarrel` ("name.*"), which the caller renames itself.
    // ".tmp" alone has no name to take.
    void addTmpRenames(int phase, const std::string& exceptBarrel = std::string());

    bool empty() const { return m_steps.empty(); }
    // The removals of a phase run `removers` at a time (1, the default: one
    // after another on the calling thread). A removal of a large file waits
    // on the disk (a file system that discards freed blocks waits for the
    // device), not on the processor.
    void setRemovers(int removers);

    // Writes the plan file and makes it durable; from here on the replacement
    // is rolled forward by recover() should this process not finish it.
    void commit();
    // Runs the phases not yet finished and removes the plan file.
    void execute();

    // Rolls forward a plan left by an interrupted replacement; true when there was one.
    static bool recover(store::CDirectory* pDir);
    // Why the directory's plan cannot be carried out ("unknown header", ...),
    // or an empty text when it has none or a readable one.
    static std::string damage(store::CDirectory* pDir);
    // The same for `content`, the text of the directory's plan file.
    static std::string damageOf(store::CDirectory* pDir, const std::string& content);
    // Renames a damaged plan out of the way (SET_ASIDE_PREFIX + "index.plan",
    // kept for inspection) and commits the directory; returns the new name.
    static std::string setAside(store::CDirectory* pDir);

private:
    struct Step {
        int phase;
        bool rename;
        std::string from;
        std::string to;   // empty for a removal
    };

    void addStep(const Step& step);
    std::vector<std::string> barrelFiles(int phase, const std::string& barrel) const;
    void checkPhases() const;
    void writePlanFile() const;
    void readPlanFile();
    // Takes the steps of a plan file's text; an empty text, or what is damaged.
    std::string parse(const std::string& content);
    static void syncDirectoryOf(store::CDirectory* pDir);
    void runStep(const Step& step);
    void runPhase(int phase);
    void syncDirectory() const;

    store::CDirectory* m_pDir;
    std::vector<Step> m_steps;
    int m_nextPhase = 0;   // the first phase not yet finished
    int m_removers = 1;
};

} // namespace cs::index
