#include "index/terms/TermReaderImpl.h"

#include <algorithm>
#include <cctype>

#include "index/fields/FieldInfo.h"
#include "index/postings/DiskPostingDoc.h"
#include "index/postings/DiskPostingWord.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/Term.h"

namespace cs::index {

CTermReaderImpl::~CTermReaderImpl() = default;

void CTermReaderImpl::open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
                           utility::CDocDeleted* pDocDeleted)
{
    CS_ASSERT_ARG(pDir);
    CS_ASSERT_ARG(barrelname);
    CS_ASSERT_ARG(pFieldInfo);
    CS_LOG_DEBUG("%s index term reader is opening barrel %s index files", kind(), barrelname);
    close();
    m_pDocDeleted = pDocDeleted;
    m_pFieldInfo = pFieldInfo;
    loadDictionary(pDir, barrelname);
    CS_LOG_DEBUG("%s index term reader has compelete opening barrel %s index files and loading posting index "
                 "dictionary",
                 kind(), barrelname);
}

void CTermReaderImpl::loadDictionary(store::CDirectory* pDir, const std::string& barrelname)
{
    std::string barrelPath = pDir->getFullPath(barrelname);
    auto damaged = [&barrelPath](const char* extension, const char* what, int64_t offset) {
        CS_THROW("index file %s%s is damaged: %s at offset %lld", barrelPath.c_str(), extension, what,
                 static_cast<long long>(offset));
    };

    std::vector<CTermInfo> entries;
    int64_t trailer = m_pFieldInfo->getTermDictTrailer();
    if (trailer != -1) {   // -1: the barrel wrote no dictionary for the field
        std::unique_ptr<store::CIndexInput> pTid(pDir->openInput(barrelname + ".tid"));
        if (trailer < 0 || trailer >= pTid->length())
            damaged(".tid", "dictionary trailer beyond the end of the file", trailer);
        pTid->seek(trailer);
        int64_t dictBytes = pTid->readVLong();
        int32_t count = pTid->readVInt();
        // Every entry takes at least three bytes.
        if (dictBytes < 0 || dictBytes > trailer || count < 0 || count > dictBytes / 3)
            damaged(".tid", "dictionary trailer out of range", trailer);
        pTid->seek(trailer - dictBytes);
        entries.resize(static_cast<size_t>(count));
        uint32_t term = 0;
        uint64_t offset = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            CTermInfo& entry = entries[i];
            term += static_cast<uint32_t>(pTid->readVInt());
            entry.m_term = static_cast<int32_t>(term);
            entry.m_docFreq = pTid->readVInt();
            offset += static_cast<uint64_t>(pTid->readVLong());
            entry.m_docPointer = static_cast<int64_t>(offset);
            // Bisection needs rising terms; a posting needs a place in .did.
            if ((i > 0 && entries[i - 1].m_term >= entry.m_term) || entry.m_docFreq <= 0 ||
                entry.m_docPointer <= 0 || pTid->position() > trailer)
                damaged(".tid", "dictionary entry out of order or out of range", pTid->position());
        }
        if (pTid->position() != trailer)
            damaged(".tid", "dictionary length disagrees with its entries", trailer);
    }
    m_termCount = static_cast<int32_t>(entries.size());

    std::unique_ptr<store::CIndexInput> pDid(pDir->openInput(barrelname + ".did"));
    // A field without position data may sit in a barrel without .pid.
    std::unique_ptr<store::CIndexInput> pPid(
        positional() && m_pFieldInfo->getPosPostingBytes() > 0 ? pDir->openInput(barrelname + ".pid") : nullptr);
    for (const CTermInfo& entry : entries) {
        if (entry.m_docPointer >= pDid->length())
            damaged(".did", "posting trailer beyond the end of the file", entry.m_docPointer);
    }
    m_pInputDesc = std::make_unique<CInputDescriptor>(pDid.get(), pPid.get(), true, barrelPath);
    pDid.release();
    pPid.release();
    keepDictionary(std::move(entries));
}

void CTermReaderImpl::keepDictionary(std::vector<CTermInfo>&& entries) { m_dictionary = std::move(entries); }

const CTermInfo* CTermReaderImpl::findValue(int32_t value) const
{
    auto found = std::lower_bound(m_dictionary.begin(), m_dictionary.end(), value,
                                  [](const CTermInfo& entry, int32_t term) { return entry.m_term < term; });
    return found != m_dictionary.end() && found->m_term == value ? &*found : nullptr;
}

const CTermInfo* CTermReaderImpl::find(const utility::CTerm* pTerm)
{
    const auto* pValue = dynamic_cast<const utility::CTermT<int32_t>*>(pTerm);
    CS_ASSERT_ARG_TEXT(pValue != nullptr, "dynamic_cast<const CTermT<int> *>(term) != NULL");
    if (!m_pFieldInfo || pTerm->getField() != m_pFieldInfo->getName())
        return nullptr;
    return findValue(pValue->get());
}

bool CTermReaderImpl::sameField(const char* field) const
{
    return !field || (m_pFieldInfo && m_pFieldInfo->getName() == field);
}

CDiskPosting* CTermReaderImpl::newPosting(CInputDescriptor* pInputDesc,
                                         std::unique_ptr<CInputDescriptor> pOwnedDesc) const
{
    if (positional())
        return new CDiskPostingWord(pInputDesc, m_pDocDeleted, std::move(pOwnedDesc));
    return new CDiskPostingDoc(pInputDesc, m_pDocDeleted, std::move(pOwnedDesc));
}

void CTermReaderImpl::refuseQuery(const char* operation) const
{
    // Queries go through the wrapper, which keeps the current term.
    std::string reader = kind();
    reader[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reader[0])));
    std::string text = "FALSE && \"call C" + reader + "IndexTermReader::" + operation + "() \"";
    utility::ThrowError(CS_ERROR_SITE(utility::ErrorSite::LOGIC), "INVALID OPERATION: %s", text.c_str());
}

bool CTermReaderImpl::seek(const utility::CTerm* /*pTerm*/) { refuseQuery("seek"); }

CDocPosting* CTermReaderImpl::termDocs() { refuseQuery("termDocs"); }

CDocPosPosting* CTermReaderImpl::termPositions() { refuseQuery("termPositions"); }

void CTermReaderImpl::close()
{
    m_pInputDesc.reset();
    keepDictionary({});
    m_termCount = 0;
}

} // namespace cs::index
