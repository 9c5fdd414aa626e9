#include "collect/DirCollection.h"

#include "content/Content.h"
#include "content/ContentMode.h"
#include "index/writer/IndexWriter.h"
#include "parse/FileIdentifier.h"
#include "platform/Env.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::collection {

std::unique_ptr<CCollection> CDirCollection::CDirCreator::create(const std::string& source, int /*recreate*/) const
{
    return std::make_unique<CDirCollection>(source);
}

void CDirCollection::setContentMode(const content::CContentMode* pMode)
{
    CS_ASSERT_ARG(pMode);
    const content::CModeItem* pItem = pMode->find("text");
    m_textFieldId = pItem ? pItem->getFieldID() : -1;
}

void CDirCollection::collect()
{
    utility::CConsoleProgress::instance().setUnit("files");
    walk(m_sourceDir);
}

void CDirCollection::walk(const std::string& dir)
{
    std::unique_ptr<platform::CDirListing> pListing;
    if (dir.empty() || !(pListing = platform::Env().listDirectory(dir)))
        return;
    std::string prefix = dir;
    if (prefix.back() != '/' && prefix.back() != '\\')
        prefix += '/';
    platform::DirEntry entry;
    bool statFailed = false;
    while (pListing->next(entry, statFailed)) {
        std::string path = prefix + entry.name;
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
        } else {
            addFile(path);
        }
    }
}

void CDirCollection::addFile(const std::string& path)
{
    content::CContent* pContent = m_pIndexWriter->nextDocument();
    pContent->setFileInput(path, m_textFieldId);
    pContent->setFileType(parse::IdentifyFileType(path.c_str()));
    utility::CConsoleProgress::instance().itemHandled();
}

} // namespace cs::collection
