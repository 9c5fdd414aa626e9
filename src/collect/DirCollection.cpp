#include "collect/DirCollection.h"

#include <ctime>

#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/BarrelsInfo.h"
#include "index/Index.h"
#include "index/writer/IndexWriter.h"
#include "parse/FileIdentifier.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"
#include "utility/Format.h"
#include "utility/Logger.h"

namespace cs::collection {

namespace {

int32_t FieldIdOf(const content::CContentMode& mode, const char* name)
{
    const content::CModeItem* pItem = mode.find(name);
    return pItem ? pItem->getFieldID() : -1;
}

void SetText(content::CContent& content, int32_t fieldId, const std::string& text)
{
    if (fieldId >= 0)
        content.setFieldText(static_cast<uint32_t>(fieldId), text.data(), text.size());
}

// "YYYY-MM-DD hh:mm:ss" in local time, the form the date analyser reads.
std::string LocalDate(int64_t nanoseconds)
{
    std::time_t seconds = static_cast<std::time_t>(nanoseconds / 1000000000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return utility::Format("%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                           local.tm_hour, local.tm_min, local.tm_sec);
}

bool SameVersion(const platform::FileStatus& a, const platform::FileStatus& b)
{
    return a.size == b.size && a.modifiedNs == b.modifiedNs && a.inode == b.inode;
}

} // namespace

std::unique_ptr<CCollection> CDirCollection::CDirCreator::create(const std::string& source, int /*recreate*/) const
{
    // A rebuild starts in an empty index directory, where no state is left.
    return std::make_unique<CDirCollection>(source);
}

void CDirCollection::setContentMode(const content::CContentMode* pMode)
{
    CS_ASSERT_ARG(pMode);
    m_textFieldId = FieldIdOf(*pMode, "text");
    m_pathFieldId = FieldIdOf(*pMode, "path");
    m_dateFieldId = FieldIdOf(*pMode, "date");
}

int64_t CDirCollection::indexDocuments() const
{
    const index::CBarrelsInfo& barrels = *m_pIndexWriter->getIndex()->getBarrelsInfo();
    int64_t documents = 0;
    for (size_t i = 0; i < barrels.size(); ++i)
        documents += barrels.getBarrel(i)->getDocCount();
    return documents;
}

void CDirCollection::loadState()
{
    CS_ASSERT(m_pIndexWriter);
    if (m_loaded)
        return;
    m_state.load(*m_pIndexWriter->getIndex()->getDirectory(), indexDocuments());
    m_loaded = true;
    CS_LOG_INFO("%zu files known from the last run", m_state.size());
}

void CDirCollection::collect()
{
    utility::CConsoleProgress::instance().setUnit("files");
    loadState();
    walk(m_sourceDir);
    removeUnseen();
    for (const CCurrentFile& file : m_toTake)
        takeFile(file);
    m_toTake.clear();
    // What became of every file is known once the writer has indexed them.
    m_pIndexWriter->drainDocuments();
    // The last changes (or a run that only deleted) may follow the last flush.
    if (m_changed)
        m_pIndexWriter->commit();
    std::string summary = m_summary.text();
    CS_LOG_INFO("directory %s: %s", m_sourceDir.c_str(), summary.c_str());
    utility::CConsoleProgress::instance().setSummary(summary);
}

void CDirCollection::walk(const std::string& dir)
{
    std::string prefix = dir;
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\')
        prefix += '/';
    std::unique_ptr<platform::CDirListing> pListing;
    if (dir.empty() || !(pListing = platform::Env().listDirectory(dir))) {
        // An unmounted disk or a folder that lost its permissions is not a
        // folder emptied: what was taken from it stays.
        size_t kept = dir.empty() ? 0 : m_state.keepBelow(prefix);
        m_summary.kept += kept;
        if (kept > 0)
            CS_LOG_WARN("directory %s cannot be listed; the %zu files taken from it stay as they were", dir.c_str(),
                        kept);
        return;
    }
    platform::DirEntry entry;
    bool statFailed = false;
    while (pListing->next(entry, statFailed)) {
        std::string path = prefix + entry.name;
        platform::FileStatus status = entry.status;
        if (statFailed) {
            CS_LOG_DEBUG("%s vanished or cannot be examined, passed over", path.c_str());
            continue;
        }
        if (entry.isDirectory) {
            walk(path);
        } else if (entry.isSymlink && !platform::Env().pathAccessible(path)) {
            CS_LOG_DEBUG("%s is a link to nothing, passed over", path.c_str());
        } else if (entry.isSymlink && platform::Env().isDirectory(path)) {
            // Links to directories are not followed: they can lead in circles.
            CS_LOG_DEBUG("%s is a link to a directory, not followed", path.c_str());
        } else if (entry.isSymlink && !platform::Env().fileStatus(path, status)) {
            CS_LOG_DEBUG("%s vanished or cannot be examined, passed over", path.c_str());
        } else {
            meetFile(path, status);
        }
    }
}

void CDirCollection::meetFile(const std::string& path, const platform::FileStatus& status)
{
    ++m_summary.seen;
    utility::CConsoleProgress::instance().itemHandled();
    CDirState::CFile* pKnown = m_state.find(path);
    if (pKnown)
        pKnown->seen = true;
    if (pKnown && SameVersion(pKnown->status, status))
        ++m_summary.unchanged;
    else
        m_toTake.push_back(CCurrentFile{path, status, pKnown != nullptr});
}

void CDirCollection::takeFile(const CCurrentFile& file)
{
    // Where the writer comes to the file's document: the flush listener's
    // calls that follow are about this file.
    m_pIndexWriter->runInOrder([this, file] { beginFile(file); });
    content::CContent* pContent = m_pIndexWriter->nextDocument();
    pContent->setFileInput(file.path, m_textFieldId);
    pContent->setFileType(parse::IdentifyFileType(file.path.c_str()));
    SetText(*pContent, m_pathFieldId, file.path);
    SetText(*pContent, m_dateFieldId, LocalDate(file.status.modifiedNs));
    m_pIndexWriter->indexDocuments();
}

void CDirCollection::beginFile(const CCurrentFile& file)
{
    // The old version's document goes in the same commit as the new one, by
    // its number as the merges so far left it.
    const CDirState::CFile* pKnown = m_state.find(file.path);
    if (pKnown && pKnown->doc >= 0)
        m_pIndexWriter->deleteDocument(pKnown->doc);
    m_current = file;
}

void CDirCollection::documentAdded(const content::CContent& /*content*/, int32_t docNumber)
{
    m_state.put(m_current.path, m_current.status, docNumber);
    m_changed = true;
    ++(m_current.known ? m_summary.updated : m_summary.indexed);
}

void CDirCollection::documentDropped(const content::CContent& content)
{
    // Kept with no document: an unchanged file is not read again to be dropped again.
    m_state.put(m_current.path, m_current.status, -1);
    m_changed = true;
    m_summary.drop(content.getDropReason());
    CS_LOG_INFO("file %s dropped: %s", m_current.path.c_str(), content::DropReasonText(content.getDropReason()));
}

void CDirCollection::removeUnseen()
{
    size_t removed = 0;
    for (int32_t doc : m_state.forgetUnseen(removed))
        m_pIndexWriter->deleteDocument(doc);
    m_summary.removed += removed;
    m_changed = m_changed || removed > 0;
}

void CDirCollection::saveStatus()
{
    loadState();
    m_state.save(*m_pIndexWriter->getIndex()->getDirectory(), indexDocuments());
    m_changed = false;
}

void CDirCollection::documentsRenumbered(const index::CDocumentMap& documents)
{
    loadState();
    m_state.renumber(documents);
    saveStatus();
}

} // namespace cs::collection
