#include "index/commit/ReplacePlan.h"

#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include "index/format/BarrelFiles.h"
#include "index/testing/HookPoints.h"
#include "platform/Env.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/SideTask.h"

namespace cs::index {

const char* const CReplacePlan::FILE_NAME = "index.plan";

namespace {

const char* const kHeader = "cs.plan 1";
// Not "*.tmp": a barrel flush renames every "*.tmp" of the directory into place.
const char* const kNewSuffix = ".new";


} // namespace

CReplacePlan::CReplacePlan(store::CDirectory* pDir) : m_pDir(pDir) { CS_ASSERT_ARG(pDir); }

void CReplacePlan::addStep(const Step& step)
{
    auto plain = [](const std::string& name) {
        return !name.empty() && name.find_first_of("\t\n") == std::string::npos;
    };
    CS_ASSERT_ARG_TEXT(step.phase >= 0 && plain(step.from) && (!step.rename || plain(step.to)),
                       "phase >= 0 && plain names");
    m_steps.push_back(step);
}

void CReplacePlan::addRename(int phase, const std::string& from, const std::string& to)
{
    addStep(Step{phase, true, from, to});
}

void CReplacePlan::addRemove(int phase, const std::string& name) { addStep(Step{phase, false, name, std::string()}); }

std::vector<std::string> CReplacePlan::barrelFiles(int phase, const std::string& barrel) const
{
    // The directory as the earlier phases of this plan will have left it.
    std::vector<std::string> paths;
    m_pDir->listFiles(paths);
    std::set<std::string> names;
    for (const std::string& path : paths)
        names.insert(path.substr(path.find_last_of('/') + 1));
    for (const Step& step : m_steps) {
        if (step.phase >= phase)
            continue;
        names.erase(step.from);
        if (step.rename)
            names.insert(step.to);
    }
    std::vector<std::string> files;
    std::string prefix = barrel + ".";
    for (const std::string& name : names) {
        if (name.compare(0, prefix.size(), prefix) == 0)
            files.push_back(name);
    }
    return files;
}

void CReplacePlan::addBarrelRename(int phase, const std::string& from, const std::string& to)
{
    for (const std::string& name : barrelFiles(phase, from))
        addRename(phase, name, to + name.substr(from.size()));
}

void CReplacePlan::addBarrelRemove(int phase, const std::string& name)
{
    for (const std::string& file : barrelFiles(phase, name))
        addRemove(phase, file);
}

void CReplacePlan::addTmpRenames(int phase, const std::string& exceptBarrel)
{
    std::vector<std::string> paths;
    m_pDir->listFiles(paths);
    std::string barrelPrefix = exceptBarrel + ".";
    for (const std::string& path : paths) {
        std::string name = path.substr(path.find_last_of('/') + 1);
        bool barrelFile = !exceptBarrel.empty() && name.compare(0, barrelPrefix.size(), barrelPrefix) == 0;
        if (format::IsTmpName(name) && name != format::TMP && !barrelFile)
            addRename(phase, name, format::FinalName(name));
    }
}

void CReplacePlan::checkPhases() const
{
    // A name that one step of a phase takes away and another brings would make
    // repeating the phase after a crash undo part of it.
    std::set<std::pair<int, std::string>> sources, targets;
    for (const Step& step : m_steps) {
        CS_ASSERT_TEXT(sources.insert({step.phase, step.from}).second, "each name is a source once per phase");
        if (step.rename)
            CS_ASSERT_TEXT(targets.insert({step.phase, step.to}).second, "each name is a target once per phase");
    }
    for (const auto& target : targets)
        CS_ASSERT_TEXT(sources.count(target) == 0, "no name is both a source and a target in one phase");
}

void CReplacePlan::writePlanFile() const
{
    std::ostringstream text;
    text << kHeader << "\nphase\t" << m_nextPhase << "\n";
    for (const Step& step : m_steps) {
        if (step.rename)
            text << "rename\t" << step.phase << "\t" << step.from << "\t" << step.to << "\n";
        else
            text << "remove\t" << step.phase << "\t" << step.from << "\n";
    }
    text << "end\n";
    std::string content = text.str();

    std::string path = m_pDir->getFullPath(FILE_NAME);
    std::string fresh = path + kNewSuffix;
    hooks::ReachPlanStep();
    int fd = platform::Env().createTruncated(fresh);
    if (fd < 0)
        CS_THROW("failed to create file: %s (%s)", fresh.c_str(), utility::GetLastErrorText().c_str());
    bool written = platform::Env().writeAll(fd, content.data(), content.size()) && platform::Env().commitFile(fd);
    std::string reason = written ? std::string() : utility::GetLastErrorText();
    if (!platform::Env().closeFile(fd) && written) {
        written = false;
        reason = utility::GetLastErrorText();
    }
    if (!written)
        CS_THROW("failed to write file: %s (%s)", fresh.c_str(), reason.c_str());
    if (!platform::Env().moveFileReplace(fresh, path))
        CS_THROW("failed to rename %s to %s (%s)", fresh.c_str(), path.c_str(), utility::GetLastErrorText().c_str());
    syncDirectory();
}

void CReplacePlan::readPlanFile()
{
    std::string path = m_pDir->getFullPath(FILE_NAME);
    std::string content;
    if (!platform::Env().readWholeFile(path, content))
        CS_THROW("failed to read file: %s (%s)", path.c_str(), utility::GetLastErrorText().c_str());
    std::string damage = parse(content);
    if (!damage.empty())
        CS_THROW("replacement plan %s is damaged: %s", path.c_str(), damage.c_str());
}

std::string CReplacePlan::parse(const std::string& content)
{
    std::istringstream lines(content);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        return "unknown header";
    m_steps.clear();
    bool ended = false;
    while (std::getline(lines, line)) {
        if (ended)
            return "text after its end";
        std::vector<std::string> fields;
        std::istringstream words(line);
        for (std::string word; std::getline(words, word, '\t');)
            fields.push_back(word);
        const std::string kind = fields.empty() ? std::string() : fields[0];
        size_t expected = kind == "phase" ? 2 : kind == "rename" ? 4 : kind == "remove" ? 3 : 0;
        if (fields.size() == 1 && kind == "end") {
            ended = true;
            continue;
        }
        if (expected == 0 || fields.size() != expected ||
            std::any_of(fields.begin() + 1, fields.end(), [](const std::string& field) { return field.empty(); }))
            return "unknown line: " + line;
        const std::string& digits = fields[1];
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
            return "bad number in line: " + line;
        int number = std::stoi(digits);
        if (kind == "phase")
            m_nextPhase = number;
        else if (kind == "rename")
            addRename(number, fields[2], fields[3]);
        else
            addRemove(number, fields[2]);
    }
    return ended ? std::string() : "no end line";
}

void CReplacePlan::syncDirectoryOf(store::CDirectory* pDir)
{
    if (!platform::Env().syncDirectory(pDir->getPath()))
        CS_THROW("failed to commit directory: %s (%s)", pDir->getPath().c_str(), utility::GetLastErrorText().c_str());
}

void CReplacePlan::syncDirectory() const { syncDirectoryOf(m_pDir); }

void CReplacePlan::commit()
{
    checkPhases();
    m_nextPhase = 0;
    writePlanFile();
}

void CReplacePlan::setRemovers(int removers)
{
    CS_ASSERT_ARG(removers >= 1);
    m_removers = removers;
}

void CReplacePlan::runStep(const Step& step)
{
    if (!step.rename) {
        if (m_pDir->fileExists(step.from))
            m_pDir->removeFile(step.from);
        return;
    }
    if (m_pDir->fileExists(step.from))
        m_pDir->renameFile(step.from, step.to);
    else if (!m_pDir->fileExists(step.to))
        CS_LOG_WARN("replacement plan: neither %s nor %s exists", step.from.c_str(), step.to.c_str());
}

void CReplacePlan::runPhase(int phase)
{
    // No name of a phase is both a source and a target: its steps may run in
    // any order, and its removals at the same time.
    std::vector<const Step*> removals;
    for (const Step& step : m_steps) {
        if (step.phase != phase)
            continue;
        hooks::ReachPlanStep();
        if (!step.rename && m_removers > 1)
            removals.push_back(&step);
        else
            runStep(step);
    }
    utility::RunSpread(removals.size(), m_removers - 1, [&](size_t i) { runStep(*removals[i]); });
}

void CReplacePlan::execute()
{
    std::set<int> phases;
    for (const Step& step : m_steps)
        phases.insert(step.phase);
    for (auto it = phases.lower_bound(m_nextPhase); it != phases.end(); ++it) {
        runPhase(*it);
        syncDirectory();
        m_nextPhase = *it + 1;
        if (std::next(it) != phases.end())
            writePlanFile();
    }
    hooks::ReachPlanStep();
    m_pDir->removeFile(FILE_NAME);
    syncDirectory();
}

std::string CReplacePlan::damage(store::CDirectory* pDir)
{
    CS_ASSERT_ARG(pDir);
    if (!pDir->fileExists(FILE_NAME))
        return std::string();
    std::string content;
    if (!platform::Env().readWholeFile(pDir->getFullPath(FILE_NAME), content))
        return "cannot be read (" + utility::GetLastErrorText() + ")";
    return damageOf(pDir, content);
}

std::string CReplacePlan::damageOf(store::CDirectory* pDir, const std::string& content)
{
    CReplacePlan plan(pDir);
    return plan.parse(content);
}

std::string CReplacePlan::setAside(store::CDirectory* pDir)
{
    CS_ASSERT_ARG(pDir);
    std::string kept = std::string(format::SET_ASIDE_PREFIX) + FILE_NAME;
    pDir->renameFile(FILE_NAME, kept);
    syncDirectoryOf(pDir);
    CS_LOG_WARN("the damaged replacement plan %s is set aside as %s", pDir->getFullPath(FILE_NAME).c_str(),
                kept.c_str());
    return kept;
}

bool CReplacePlan::recover(store::CDirectory* pDir)
{
    CS_ASSERT_ARG(pDir);
    // A plan file never committed: nothing of its replacement has happened.
    std::string fresh = std::string(FILE_NAME) + kNewSuffix;
    if (pDir->fileExists(fresh))
        pDir->removeFile(fresh);
    if (!pDir->fileExists(FILE_NAME))
        return false;
    CS_LOG_INFO("completing the interrupted replacement of index files in %s", pDir->getPath().c_str());
    CReplacePlan plan(pDir);
    plan.readPlanFile();
    plan.execute();
    CS_LOG_INFO("the interrupted replacement of index files is completed");
    return true;
}

} // namespace cs::index
