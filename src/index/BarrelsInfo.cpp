#include "index/BarrelsInfo.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "content/ContentMode.h"
#include "index/format/BarrelFiles.h"
#include "index/writer/IndexBarrelWriter.h"
#include "platform/Env.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Blanks.h"
#include "utility/Failure.h"
#include "utility/Format.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"
#include "utility/XmlDocument.h"

namespace cs::index {

using utility::CXmlDocument;
using utility::CXmlNode;

namespace {


// A count or a document number: decimal digits with optional blanks around,
// never negative, within 32 bits.
bool ParseCount(const CXmlNode& node, int32_t& value)
{
    if (!node)
        return false;
    std::string text = node.content();
    const char* begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    if (!std::isdigit(static_cast<unsigned char>(*begin)))
        return false;
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(begin, &end, 10);
    while (std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end != '\0' || errno == ERANGE || parsed > INT32_MAX)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

// What index_status.xml lists, without its content mode.
struct CListedBarrels {
    std::string version;
    int32_t counter = 0;
    int32_t count = 0;
    std::vector<CBarrelInfo> barrels;
};

// Reads the list of a parsed index_status.xml; the message of the first
// number that does not convert, or an empty text.
std::string ReadListed(CXmlDocument& document, CListedBarrels& listed)
{
    listed.version = document.select("/database/version").content();
    if (!ParseCount(document.select("/database/barrel_counter"), listed.counter))
        return " reading barrel_counter failed ";
    CXmlNode countNode = document.select("/database/barrel_count");
    if (!ParseCount(countNode, listed.count))
        return "reading barrel_count failed ";
    // The barrels are the children of the element after barrel_count, read
    // by position and never more than barrel_count of them.
    CXmlNode barrel = countNode.nextSibling().firstChild();
    for (int32_t i = 0; i < listed.count && barrel; ++i, barrel = barrel.nextSibling()) {
        CXmlNode nameNode = barrel.firstChild();
        CXmlNode startNode = nameNode.nextSibling();
        CXmlNode countOfDocs = startNode.nextSibling();
        CXmlNode deletedNode = countOfDocs.nextSibling();
        CBarrelInfo info(nameNode.content(), 0);
        int32_t value = 0;
        if (!ParseCount(startNode, value))
            return "reading barrel index minDoc failed";
        info.setDocStart(value);
        if (!ParseCount(countOfDocs, value))
            return "reading barrel index doc count failed";
        info.setDocCount(value);
        if (!ParseCount(deletedNode, value))
            return "reading barrel index deleted doc count  failed";
        info.setDeletedCount(value);
        listed.barrels.push_back(info);
    }
    return std::string();
}

} // namespace

CBarrelsInfo::CBarrelsInfo() = default;

CBarrelsInfo::~CBarrelsInfo() = default;

void CBarrelsInfo::setContentMode(content::CContentMode* pMode)
{
    m_pContentMode = pMode;
    if (m_pOwnedMode.get() != pMode)
        m_pOwnedMode.reset();
}

bool CBarrelsInfo::read(store::CDirectory& directory)
{
    std::string path = directory.getFullPath(STATUS_FILE);
    std::string text;
    // One read of the whole file: the list and its content mode are of one
    // version, and a list that cannot be read is never taken for no list.
    return utility::ReadFileIfExists(path, text) && parse(text, path);
}

bool CBarrelsInfo::parse(const std::string& text, const std::string& path)
{
    CS_LOG_INFO("reading index barrels information");
    m_barrels.clear();
    m_loaded = 0;
    CXmlDocument document;
    if (!document.parseText(text)) {
        CS_LOG_ERROR("reading index_status file failed: %s (%s)", path.c_str(), document.parseFailure().c_str());
        return false;
    }
    CListedBarrels listed;
    std::string failure = ReadListed(document, listed);
    if (!failure.empty())
        CS_THROW("%s", failure.c_str());
    m_version = listed.version;
    m_barrelCounter = listed.counter;
    m_barrelCount = listed.count;
    for (const CBarrelInfo& info : listed.barrels)
        m_barrels.push_back(std::make_unique<CBarrelInfo>(info));

    if (const CBarrelInfo* pLast = last()) {
        if (static_cast<int64_t>(pLast->getDocStart()) + pLast->getDocCount() >= DOCUMENT_LIMIT) {
            CS_LOG_INFO("indexed records is up to the top limits");
            utility::ExitWithFailure(1, utility::Format("indexed records is up to the top limits: %s holds documents "
                                                        "up to number %lld, the most an index takes",
                                                        path.c_str(), static_cast<long long>(DOCUMENT_LIMIT)));
        }
    }
    auto pMode = std::make_unique<content::CContentMode>();
    pMode->read(document, "/database", path);
    m_pOwnedMode = std::move(pMode);
    m_pContentMode = m_pOwnedMode.get();
    m_loaded = 1;
    CS_LOG_INFO("finished reading index barrels information");
    return true;
}

void CBarrelsInfo::write(store::CDirectory& directory)
{
    m_barrelCount = static_cast<int32_t>(m_barrels.size());
    m_barrelCounter = m_barrelCount;
    CS_LOG_INFO("writing index barrels information");
    CXmlDocument document;
    CXmlNode root = document.createRoot("database");
    root.createChild("version", m_version);
    root.createChild("barrel_counter", std::to_string(m_barrelCounter));
    root.createChild("barrel_count", std::to_string(m_barrelCount));
    CXmlNode barrels = root.createChild("barrels");
    for (const auto& pBarrel : m_barrels) {
        std::string name = pBarrel->getName();
        size_t prefix = sizeof(format::RENUMBERING_PREFIX) - 1;
        if (name.compare(0, prefix, format::RENUMBERING_PREFIX) == 0)
            name.erase(0, prefix);
        CXmlNode barrel = barrels.createChild("barrel");
        barrel.createChild("name", name);
        barrel.createChild("doc_start", std::to_string(pBarrel->getDocStart()));
        barrel.createChild("doc_count", std::to_string(pBarrel->getDocCount()));
        barrel.createChild("deleted_count", std::to_string(pBarrel->getDeletedCount()));
    }
    if (m_pContentMode)
        m_pContentMode->write(root);
    std::string path = directory.getFullPath(format::TmpName(STATUS_FILE));
    if (!document.save(path))
        CS_THROW("failed to write %s", path.c_str());
    CS_LOG_INFO("finished writing index barrels information");
}

std::string CBarrelsInfo::newBarrelName()
{
    // A rebuilt or repaired index keeps barrel names above the counter (the
    // number of barrels): a new barrel comes after the highest of them, so
    // that names rise in the order of the list.
    for (const auto& pBarrel : m_barrels)
        m_barrelCounter = std::max(m_barrelCounter, format::BarrelNumber(pBarrel->getName()) + 1);
    return format::BarrelName(m_barrelCounter++);
}

CBarrelInfo* CBarrelsInfo::addBarrel(const std::string& name, int32_t docStart)
{
    CS_ASSERT_ARG_TEXT(!name.empty(), "name");
    m_barrels.push_back(std::make_unique<CBarrelInfo>(name, docStart));
    return m_barrels.back().get();
}

void CBarrelsInfo::renameBarrel(CBarrelInfo* pBarrel, const std::string& newName, store::CDirectory& directory)
{
    if (pBarrel->getName() == newName)
        return;
    if (CIndexBarrelWriter* pWriter = pBarrel->getWriter())
        pWriter->closeFiles();
    directory.renameFiles(pBarrel->getName() + ".*", newName + ".*");
    pBarrel->setName(newName);
}

std::unique_ptr<CBarrelInfo> CBarrelsInfo::takeBarrel(const CBarrelInfo* pBarrel)
{
    auto it = std::find_if(m_barrels.begin(), m_barrels.end(),
                           [&](const std::unique_ptr<CBarrelInfo>& pOwned) { return pOwned.get() == pBarrel; });
    if (it == m_barrels.end())
        return nullptr;
    std::unique_ptr<CBarrelInfo> pTaken = std::move(*it);
    m_barrels.erase(it);
    return pTaken;
}

void CBarrelsInfo::appendBarrel(std::unique_ptr<CBarrelInfo> pBarrel)
{
    CS_ASSERT_ARG(pBarrel);
    m_barrels.push_back(std::move(pBarrel));
}

void CBarrelsInfo::deleteBarrel(const std::string& name, store::CDirectory& directory)
{
    CS_LOG_DEBUG("deleting the index barrel:%s of the directory:%s", name.c_str(), directory.getPath().c_str());
    auto it = std::find_if(m_barrels.begin(), m_barrels.end(),
                           [&](const std::unique_ptr<CBarrelInfo>& pBarrel) { return pBarrel->getName() == name; });
    if (it == m_barrels.end())
        return;
    directory.removeFiles(name + ".*");
    m_barrels.erase(it);
}

void CBarrelsInfo::deleteAll(store::CDirectory& directory)
{
    CS_LOG_INFO("deleting all index files of the directory %s", directory.getPath().c_str());
    for (const auto& pBarrel : m_barrels)
        directory.removeFiles(pBarrel->getName() + ".*");
    m_barrels.clear();
    if (directory.fileExists(STATUS_FILE))
        directory.removeFile(STATUS_FILE);
}

void CBarrelsInfo::renumber(store::CDirectory& directory)
{
    if (m_barrels.size() >= 2) {
        std::stable_sort(m_barrels.begin(), m_barrels.end(),
                         [](const std::unique_ptr<CBarrelInfo>& a, const std::unique_ptr<CBarrelInfo>& b) {
                             return a->getDocCount() > b->getDocCount();
                         });
        // No final name can then meet a barrel that still has it.
        for (auto& pBarrel : m_barrels)
            renameBarrel(pBarrel.get(), format::RENUMBERING_PREFIX + pBarrel->getName(), directory);
    }
    int32_t docStart = 0;
    int counter = 0;
    for (auto& pBarrel : m_barrels) {
        pBarrel->setDocStart(docStart);
        docStart += pBarrel->getDocCount();
        renameBarrel(pBarrel.get(), format::BarrelName(counter++), directory);
    }
    write(directory);
    directory.renameFile(format::TmpName(STATUS_FILE), STATUS_FILE);
}

std::string CBarrelsInfo::readBarrels(const std::string& path, std::string& version,
                                      std::vector<CBarrelInfo>& barrels)
{
    barrels.clear();
    std::string text;
    if (!platform::Env().readWholeFile(path, text))
        return "does not parse";
    return parseBarrels(text, version, barrels);
}

std::string CBarrelsInfo::parseBarrels(const std::string& text, std::string& version,
                                       std::vector<CBarrelInfo>& barrels)
{
    barrels.clear();
    CXmlDocument document;
    if (!document.parseText(text))
        return "does not parse";
    CListedBarrels listed;
    std::string failure = ReadListed(document, listed);
    if (!failure.empty())
        return std::string(utility::TrimBlanks(failure));
    version = listed.version;
    barrels = listed.barrels;
    return std::string();
}

bool CBarrelsInfo::countDocuments(const std::string& path, uint64_t& documents, uint64_t& deleted)
{
    std::string version;
    std::vector<CBarrelInfo> barrels;
    if (!readBarrels(path, version, barrels).empty())
        return false;
    documents = 0;
    deleted = 0;
    for (const CBarrelInfo& info : barrels) {
        documents += static_cast<uint64_t>(info.getDocCount());
        deleted += static_cast<uint64_t>(info.getDeletedCount());
    }
    return true;
}

} // namespace cs::index
