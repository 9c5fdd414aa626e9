#include "index/terms/TermReaderImpl.h"

#include <algorithm>
#include <cctype>

#include "index/fields/FieldInfo.h"
#include "index/format/BarrelFiles.h"
#include "index/format/TermDictionary.h"
#include "index/postings/DiskPostingDoc.h"
#include "index/postings/DiskPostingWord.h"
#include "index/terms/IndexTermIterator.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/Term.h"

namespace cs::index {

CTermReaderImpl::CTermReaderImpl(const char* kind, PositionRule positions) : m_kind(kind), m_positions(positions) {}

CTermReaderImpl::~CTermReaderImpl() = default;

void CTermReaderImpl::open(store::CDirectory* pDir, const char* barrelname, const CFieldInfo* pFieldInfo,
                           utility::CDocDeleted* pDocDeleted)
{
    CS_ASSERT_ARG(pDir);
    CS_ASSERT_ARG(barrelname);
    CS_ASSERT_ARG(pFieldInfo);
    CS_LOG_DEBUG("%s index term reader is opening barrel %s index files", m_kind, barrelname);
    close();
    m_pDocDeleted = pDocDeleted;
    m_pFieldInfo = pFieldInfo;
    loadDictionary(pDir, barrelname);
    CS_LOG_DEBUG("%s index term reader has compelete opening barrel %s index files and loading posting index "
                 "dictionary",
                 m_kind, barrelname);
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
        std::unique_ptr<store::CIndexInput> pTid(pDir->openInput(barrelname + format::TID));
        if (trailer < 0 || trailer >= pTid->length())
            damaged(format::TID, "dictionary trailer beyond the end of the file", trailer);
        pTid->seek(trailer);
        format::CFieldTrailer field = format::CFieldTrailer::read(*pTid);
        // Every entry takes at least three bytes.
        if (field.entryBytes < 0 || field.entryBytes > trailer || field.termCount < 0 ||
            field.termCount > field.entryBytes / 3)
            damaged(format::TID, "dictionary trailer out of range", trailer);
        pTid->seek(trailer - field.entryBytes);
        entries.resize(static_cast<size_t>(field.termCount));
        format::CTermDictionaryReader dictionary;
        for (size_t i = 0; i < entries.size(); ++i) {
            CTermInfo& entry = entries[i];
            entry = dictionary.next(*pTid);
            // Bisection needs rising terms; a posting needs a place in .did.
            if ((i > 0 && entries[i - 1].m_term >= entry.m_term) || entry.m_docFreq <= 0 ||
                entry.m_docPointer <= 0 || pTid->position() > trailer)
                damaged(format::TID, "dictionary entry out of order or out of range", pTid->position());
        }
        if (pTid->position() != trailer)
            damaged(format::TID, "dictionary length disagrees with its entries", trailer);
    }
    m_termCount = static_cast<int32_t>(entries.size());

    std::unique_ptr<store::CIndexInput> pDid(pDir->openInput(barrelname + format::DID));
    // A field without position data may sit in a barrel without .pid.
    std::unique_ptr<store::CIndexInput> pPid(
        positional() && m_pFieldInfo->getPosPostingBytes() > 0 ? pDir->openInput(barrelname + format::PID) : nullptr);
    for (const CTermInfo& entry : entries) {
        if (entry.m_docPointer >= pDid->length())
            damaged(format::DID, "posting trailer beyond the end of the file", entry.m_docPointer);
    }
    m_pInputDesc = std::make_unique<CInputDescriptor>(pDid.get(), pPid.get(), true, barrelPath);
    pDid.release();
    pPid.release();
    m_dictionary = std::move(entries);
}

bool CTermReaderImpl::positional() const
{
    return m_positions == PositionRule::ALWAYS ||
           (m_pFieldInfo && KeepsPositions(m_positions, m_pFieldInfo->getIndexWay()));
}

CIndexTermIterator* CTermReaderImpl::termIterator(const char* field)
{
    if (field && (!m_pFieldInfo || m_pFieldInfo->getName() != field))
        return nullptr;
    return new CIndexTermIterator(this, m_dictionary.data(), m_dictionary.data() + m_dictionary.size());
}

const CTermInfo* CTermReaderImpl::find(const utility::CTerm* pTerm)
{
    const auto* pValue = dynamic_cast<const utility::CTermT<int32_t>*>(pTerm);
    CS_ASSERT_ARG_TEXT(pValue != nullptr, "dynamic_cast<const CTermT<int> *>(term) != NULL");
    if (!m_pFieldInfo || pTerm->getField() != m_pFieldInfo->getName())
        return nullptr;
    auto found = std::lower_bound(m_dictionary.begin(), m_dictionary.end(), pValue->get(),
                                  [](const CTermInfo& entry, int32_t term) { return entry.m_term < term; });
    return found != m_dictionary.end() && found->m_term == pValue->get() ? &*found : nullptr;
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
    std::string reader = m_kind;
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
    m_dictionary.clear();
    m_termCount = 0;
}

} // namespace cs::index
