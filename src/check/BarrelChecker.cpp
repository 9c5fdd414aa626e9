#include "check/BarrelChecker.h"

#include <stdexcept>
#include <vector>

#include "check/CheckReport.h"
#include "content/ContentMode.h"
#include "index/BarrelInfo.h"
#include "index/fields/FieldFactory.h"
#include "index/fields/FieldFactoryRegistry.h"
#include "index/format/BarrelFiles.h"
#include "index/format/DocLengths.h"
#include "index/format/PostingTrailer.h"
#include "index/format/TermDictionary.h"
#include "index/postings/DiskPosting.h"
#include "index/stored/StoreFieldsReader.h"
#include "index/terms/IndexTermIterator.h"
#include "index/terms/IndexTermReader.h"
#include "store/Directory.h"
#include "store/IndexInput.h"
#include "utility/Error.h"
#include "utility/Term.h"

namespace cs::check {

namespace {

using content::CModeItem;

std::string Describe(const std::exception& e) { return utility::WithoutErrorSite(e.what()); }

} // namespace

CBarrelChecker::CBarrelChecker(store::CDirectory* pDir, const index::CBarrelInfo& barrel,
                               const content::CContentMode& mode, CCheckReport& report)
    : m_pDir(pDir), m_barrel(barrel), m_mode(mode), m_report(report)
{
}

CBarrelChecker::~CBarrelChecker() = default;

std::string CBarrelChecker::file(const char* extension) const
{
    return m_pDir->getFullPath(m_barrel.getName() + extension);
}

void CBarrelChecker::problem(const std::string& extension, const std::string& field, const CEntry* pEntry,
                             int64_t offset, const std::string& reason)
{
    CProblem problem;
    problem.file = file(extension.c_str());
    problem.field = field;
    problem.hasTerm = pEntry != nullptr;
    problem.term = pEntry ? pEntry->term : 0;
    problem.offset = offset;
    problem.reason = reason;
    m_report.add(problem);
}

void CBarrelChecker::check()
{
    if (!requireFiles() || !checkFieldInfos())
        return;
    checkDeleted();
    CSections at;
    for (int32_t fid = 0; fid < m_fields.getFieldCount(); ++fid) {
        const index::CFieldInfo& info = *m_fields.getField(fid);
        if (!info.isIndexed())
            continue;
        checkField(info, at);
        at.tid += info.getTermDictBytes();
        at.did += info.getDocPostingBytes();
        at.pid += info.getPosPostingBytes();
    }
    const char* names[] = {index::format::TID, index::format::DID, index::format::PID};
    int64_t ends[] = {at.tid, at.did, at.pid};
    store::CIndexInput* inputs[] = {m_pTid.get(), m_pDid.get(), m_pPid.get()};
    for (int i = 0; i < 3; ++i) {
        int64_t length = inputs[i] ? inputs[i]->length() : 0;
        if (length != ends[i])
            problem(names[i], "", nullptr, -1,
                    "the file holds " + std::to_string(length) + " bytes, the field information accounts for " +
                        std::to_string(ends[i]));
    }
    checkStoredFields();
    checkLengths();
}

bool CBarrelChecker::requireFiles()
{
    bool complete = true;
    for (const char* extension : index::format::REQUIRED_FILES) {
        if (!m_pDir->fileExists(m_barrel.getName() + extension)) {
            problem(extension, "", nullptr, -1, "missing: the barrel list names barrel " + m_barrel.getName());
            complete = false;
        }
    }
    if (!complete)
        return false;
    m_pTid.reset(m_pDir->openInput(m_barrel.getName() + index::format::TID));
    m_pDid.reset(m_pDir->openInput(m_barrel.getName() + index::format::DID));
    if (m_pDir->fileExists(m_barrel.getName() + index::format::PID))
        m_pPid.reset(m_pDir->openInput(m_barrel.getName() + index::format::PID));
    return true;
}

bool CBarrelChecker::checkFieldInfos()
{
    std::unique_ptr<store::CIndexInput> pInput(m_pDir->openInput(m_barrel.getName() + index::format::FDI));
    try {
        m_fields.read(*pInput);
    } catch (const std::exception& e) {
        problem(index::format::FDI, "", nullptr, pInput->position(), "does not decode: " + Describe(e));
        return false;
    }
    if (pInput->position() != pInput->length())
        problem(index::format::FDI, "", nullptr, pInput->position(), "bytes left after the last field");
    bool sound = static_cast<size_t>(m_fields.getFieldCount()) == m_mode.size();
    if (!sound)
        problem(index::format::FDI, "", nullptr, -1,
                "lists " + std::to_string(m_fields.getFieldCount()) + " fields, the content mode " +
                    std::to_string(m_mode.size()));
    for (int32_t fid = 0; sound && fid < m_fields.getFieldCount(); ++fid) {
        const index::CFieldInfo& info = *m_fields.getField(fid);
        const CModeItem& item = m_mode.item(static_cast<size_t>(fid));
        if (info.getName() != item.getName()) {
            problem(index::format::FDI, info.getName(), nullptr, -1, "field " + std::to_string(fid) + " is " + item.getName() +
                                                             " in the content mode");
            sound = false;
        } else if (info.isIndexed() != (item.getIndexKind() != CModeItem::INDEX_NO)) {
            problem(index::format::FDI, info.getName(), nullptr, -1, "indexed here but not in the content mode, or the reverse");
            sound = false;
        }
    }
    return sound;
}

void CBarrelChecker::checkField(const index::CFieldInfo& info, const CSections& at)
{
    if (info.getTermDictTrailer() < 0) {
        if (info.getTermDictBytes() != 0 || info.getDocPostingBytes() != 0 || info.getPosPostingBytes() != 0)
            problem(index::format::FDI, info.getName(), nullptr, -1, "no dictionary, yet bytes in the posting files");
        return;
    }
    std::vector<CEntry> entries;
    try {
        if (readDictionary(info, at, entries))
            checkPostings(info, at, entries);
    } catch (const std::exception& e) {
        problem(index::format::TID, info.getName(), nullptr, -1, Describe(e));
    }
}

bool CBarrelChecker::readDictionary(const index::CFieldInfo& info, const CSections& at, std::vector<CEntry>& entries)
{
    const std::string& name = info.getName();
    int64_t trailer = info.getTermDictTrailer();
    int64_t sectionEnd = at.tid + info.getTermDictBytes();
    if (trailer < at.tid || trailer >= sectionEnd || sectionEnd > m_pTid->length()) {
        problem(index::format::TID, name, nullptr, trailer, "dictionary trailer outside the field's section");
        return false;
    }
    m_pTid->seek(trailer);
    index::format::CFieldTrailer field = index::format::CFieldTrailer::read(*m_pTid);
    int64_t bytes = field.entryBytes;
    int32_t count = field.termCount;
    if (m_pTid->position() != sectionEnd) {
        problem(index::format::TID, name, nullptr, trailer, "the field's section does not end with its trailer");
        return false;
    }
    if (trailer - bytes != at.tid) {
        problem(index::format::TID, name, nullptr, trailer, "the dictionary does not begin where the field's section does");
        return false;
    }
    if (count != info.getDistinctTerms())
        problem(index::format::FDI, name, nullptr, -1,
                std::to_string(info.getDistinctTerms()) + " distinct terms, the dictionary holds " +
                    std::to_string(count));
    int64_t didEnd = at.did + info.getDocPostingBytes();
    m_pTid->seek(at.tid);
    index::format::CTermDictionaryReader dictionary;
    for (int32_t i = 0; i < count; ++i) {
        CEntry entry{};
        entry.offset = m_pTid->position();
        index::CTermInfo read = dictionary.next(*m_pTid);
        entry.term = read.m_term;
        entry.docFreq = read.m_docFreq;
        entry.trailer = read.m_docPointer;
        if (m_pTid->position() > trailer) {
            problem(index::format::TID, name, &entry, entry.offset, "entries run into the dictionary trailer");
            return false;
        }
        if (i > 0 && entry.term <= entries.back().term) {
            problem(index::format::TID, name, &entry, entry.offset,
                    "terms not ascending: follows term " + std::to_string(entries.back().term));
            return false;
        }
        if (entry.docFreq <= 0 || entry.docFreq > m_barrel.getDocCount()) {
            problem(index::format::TID, name, &entry, entry.offset,
                    "document frequency " + std::to_string(entry.docFreq) + " outside 1.." +
                        std::to_string(m_barrel.getDocCount()));
            return false;
        }
        if (entry.trailer <= at.did || entry.trailer >= didEnd || (i > 0 && entry.trailer <= entries.back().trailer)) {
            problem(index::format::TID, name, &entry, entry.offset,
                    "posting offset " + std::to_string(entry.trailer) + " outside the field's postings or not after the previous one");
            return false;
        }
        entries.push_back(entry);
    }
    if (m_pTid->position() != trailer) {
        problem(index::format::TID, name, nullptr, m_pTid->position(), "bytes between the last entry and the trailer");
        return false;
    }
    return true;
}

bool CBarrelChecker::checkPostings(const index::CFieldInfo& info, const CSections& at,
                                   const std::vector<CEntry>& entries)
{
    const CModeItem& item = m_mode.item(static_cast<size_t>(info.getID()));
    const std::string* pKind = item.getComponent("indexer");
    index::CFieldFactory* pFactory = index::CFieldFactoryRegistry::instance().find(pKind ? *pKind : "text");
    if (!pFactory) {
        problem(index::format::FDI, info.getName(), nullptr, -1, "no field kind " + (pKind ? *pKind : std::string("text")));
        return false;
    }
    // Checked against the content mode's index way, not the barrel's own.
    bool positional = pFactory->keepsPositions(item.getIndexWay());
    std::unique_ptr<index::CIndexTermReader> pReader(pFactory->createTermReader());
    // No deleted documents: every document of a posting is checked.
    pReader->open(m_pDir, m_barrel.getName().c_str(), &info, nullptr);
    std::unique_ptr<index::CIndexTermIterator> pTerms(pReader->termIterator(nullptr));
    CSections next = at;
    for (const CEntry& entry : entries) {
        const auto* pTerm = pTerms->next() ? dynamic_cast<const utility::CTermT<int32_t>*>(pTerms->term()) : nullptr;
        if (!pTerm || pTerm->get() != entry.term || pTerms->docFreq() != entry.docFreq) {
            problem(index::format::TID, info.getName(), &entry, entry.offset, "the term reader does not see this entry");
            return false;
        }
        try {
            if (!checkPosting(info, positional, entry, *pTerms->posting(), next))
                return false;
        } catch (const std::exception& e) {
            problem(index::format::DID, info.getName(), &entry, entry.trailer, Describe(e));
            return false;
        }
    }
    if (next.did != at.did + info.getDocPostingBytes())
        problem(index::format::DID, info.getName(), nullptr, next.did,
                "the field's postings end here, the field information says at " +
                    std::to_string(at.did + info.getDocPostingBytes()));
    if (positional && next.pid != at.pid + info.getPosPostingBytes())
        problem(index::format::PID, info.getName(), nullptr, next.pid,
                "the field's positions end here, the field information says at " +
                    std::to_string(at.pid + info.getPosPostingBytes()));
    return true;
}

bool CBarrelChecker::checkPosting(const index::CFieldInfo& info, bool positional, const CEntry& entry,
                                  index::CDiskPosting& posting, CSections& next)
{
    const std::string& name = info.getName();
    // The posting opened at the trailer: it read and checked it.
    const index::format::CPostingTrailer& trailer = posting.getTrailer();
    int64_t listStart = entry.trailer - trailer.docListBytes;
    if (listStart != next.did) {
        problem(index::format::DID, name, &entry, listStart,
                "the document list does not begin where the previous posting ended (" + std::to_string(next.did) + ")");
        return false;
    }
    if (trailer.docFreq != entry.docFreq) {
        problem(index::format::DID, name, &entry, entry.trailer,
                "the trailer counts " + std::to_string(trailer.docFreq) + " documents, the dictionary " +
                    std::to_string(entry.docFreq));
        return false;
    }
    if (trailer.skipCount != 1 || trailer.skipBytes != trailer.docListBytes) {
        problem(index::format::DID, name, &entry, entry.trailer, "skip entry inconsistent with the document list");
        return false;
    }
    bool withPositions = posting.hasPositions();
    bool noPositionData = !trailer.hasPositions();
    if (positional == noPositionData) {
        problem(index::format::DID, name, &entry, entry.trailer,
                noPositionData ? "a posting of a positional field without positions"
                               : "a posting of a document-only field with positions");
        return false;
    }
    store::CIndexInput* pPid = posting.getInputDescriptor()->getPdInput();
    if (withPositions) {
        int64_t positionsStart = trailer.positionsOffset - posting.getPositionBytes();
        if (positionsStart != next.pid) {
            problem(index::format::PID, name, &entry, positionsStart,
                    "the positions do not begin where the previous term's ended (" + std::to_string(next.pid) + ")");
            return false;
        }
    }
    int32_t doc = 0, freq = 0, documents = 0;
    uint64_t occurrences = 0;
    std::vector<int32_t> positions;
    while (posting.nextDoc(doc, freq)) {
        ++documents;
        occurrences += static_cast<uint64_t>(freq);
        if (doc >= m_barrel.getDocCount()) {
            problem(index::format::DID, name, &entry, entry.trailer,
                    "document " + std::to_string(doc) + " not below the barrel's " +
                        std::to_string(m_barrel.getDocCount()) + " documents");
            return false;
        }
        if (!withPositions)
            continue;
        posting.resetPositions();
        positions.resize(static_cast<size_t>(freq));
        posting.nextPositions(positions.data(), freq);
        for (size_t i = 0; i < positions.size(); ++i) {
            if (positions[i] < 0 || (i > 0 && positions[i] <= positions[i - 1])) {
                problem(index::format::PID, name, &entry, pPid->position(),
                        "positions of document " + std::to_string(doc) + " not ascending");
                return false;
            }
        }
    }
    if (documents != entry.docFreq || posting.getInputDescriptor()->getDdInput()->position() != entry.trailer) {
        problem(index::format::DID, name, &entry, entry.trailer, "the document list does not end at its trailer");
        return false;
    }
    if (doc != trailer.lastDoc) {
        problem(index::format::DID, name, &entry, entry.trailer,
                "the last document is " + std::to_string(doc) + ", the trailer says " + std::to_string(trailer.lastDoc));
        return false;
    }
    if (withPositions && occurrences != static_cast<uint64_t>(trailer.totalTermFreq)) {
        problem(index::format::DID, name, &entry, entry.trailer,
                "the trailer counts " + std::to_string(static_cast<uint64_t>(trailer.totalTermFreq)) +
                    " occurrences, the list " + std::to_string(occurrences));
        return false;
    }
    next.did = posting.getTrailerEnd();
    if (withPositions) {
        if (pPid->position() != trailer.positionsOffset) {
            problem(index::format::PID, name, &entry, pPid->position(), "the positions do not end at their trailer");
            return false;
        }
        pPid->readVLong();
        next.pid = pPid->position();
    }
    return true;
}

void CBarrelChecker::checkStoredFields()
{
    int32_t count = m_barrel.getDocCount();
    int64_t sfiLength = m_pDir->fileLength(m_barrel.getName() + index::format::SFI);
    if (sfiLength != static_cast<int64_t>(count) * 8) {
        problem(index::format::SFI, "", nullptr, -1,
                "holds " + std::to_string(sfiLength) + " bytes for " + std::to_string(count) + " documents of 8 bytes");
        return;
    }
    index::CStoreFieldsReader reader(m_pDir, m_barrel.getName(), &m_fields);
    std::vector<index::CStoreFieldsReader::CStoredField> fields;
    int64_t expected = 0;
    for (int32_t doc = 0; doc < count; ++doc) {
        try {
            int64_t offset = reader.recordOffset(doc);
            if (offset < 0) {
                if (!m_deleted.isDeleted(doc))
                    problem(index::format::SFI, "", nullptr, static_cast<int64_t>(doc) * 8,
                            "document " + std::to_string(doc) + " has no stored record but is not deleted");
                continue;
            }
            if (offset != expected) {
                problem(index::format::SFI, "", nullptr, static_cast<int64_t>(doc) * 8,
                        "the record of document " + std::to_string(doc) + " starts at " + std::to_string(offset) +
                            ", the previous one ended at " + std::to_string(expected));
                return;
            }
            reader.document(doc, fields);
            for (size_t i = 1; i < fields.size(); ++i) {
                if (fields[i].fieldId <= fields[i - 1].fieldId) {
                    problem(index::format::SFD, "", nullptr, offset,
                            "the fields of document " + std::to_string(doc) + " are not in field order");
                    return;
                }
            }
            expected = reader.recordEnd();
        } catch (const std::exception& e) {
            problem(index::format::SFD, "", nullptr, -1, "document " + std::to_string(doc) + ": " + Describe(e));
            return;
        }
    }
    int64_t sfdLength = m_pDir->fileLength(m_barrel.getName() + index::format::SFD);
    if (expected != sfdLength)
        problem(index::format::SFD, "", nullptr, expected,
                std::to_string(sfdLength - expected) + " bytes after the last record");
}

void CBarrelChecker::checkDeleted()
{
    std::string name = m_barrel.getName() + index::format::DEL;
    if (!m_pDir->fileExists(name)) {
        if (m_barrel.getDeletedCount() != 0)
            problem(index::format::DEL, "", nullptr, -1,
                    "missing, yet index_status.xml counts " + std::to_string(m_barrel.getDeletedCount()) +
                        " deleted documents");
        return;
    }
    int64_t length = m_pDir->fileLength(name);
    try {
        m_deleted.decode(m_pDir->readFile(name), m_pDir->getFullPath(name));
    } catch (const std::exception& e) {
        problem(index::format::DEL, "", nullptr, -1, Describe(e));
        m_deleted.clear();
        return;
    }
    uint32_t docNum = m_deleted.docNum();
    if (length != 8 + static_cast<int64_t>(docNum / 8) + 1)
        problem(index::format::DEL, "", nullptr, -1,
                std::to_string(length) + " bytes, a bitmap of " + std::to_string(docNum) + " documents takes " +
                    std::to_string(8 + docNum / 8 + 1));
    if (docNum != static_cast<uint32_t>(m_barrel.getDocCount()))
        problem(index::format::DEL, "", nullptr, 0,
                "covers " + std::to_string(docNum) + " documents, the barrel holds " +
                    std::to_string(m_barrel.getDocCount()));
    // The loader trusts the marks over the stored count and drops marks past
    // the documents: both are read here as the file holds them.
    std::unique_ptr<store::CIndexInput> pInput(m_pDir->openInput(name));
    uint8_t header[8];
    pInput->readBytes(header, 8);
    uint32_t stored = static_cast<uint32_t>(header[4]) | static_cast<uint32_t>(header[5]) << 8 |
                      static_cast<uint32_t>(header[6]) << 16 | static_cast<uint32_t>(header[7]) << 24;
    if (stored != m_deleted.docDelNum())
        problem(index::format::DEL, "", nullptr, 4,
                "counts " + std::to_string(stored) + " deleted documents, its bitmap marks " +
                    std::to_string(m_deleted.docDelNum()));
    if (length == 8 + static_cast<int64_t>(docNum / 8) + 1) {
        pInput->seek(8 + docNum / 8);
        if (pInput->readByte() & (0xFF << (docNum % 8)) & 0xFF)
            problem(index::format::DEL, "", nullptr, 8 + docNum / 8, "marks documents past the barrel's last");
    }
    if (stored != static_cast<uint32_t>(m_barrel.getDeletedCount()))
        problem(index::format::DEL, "", nullptr, 4,
                "counts " + std::to_string(stored) +
                    " deleted documents, index_status.xml counts " + std::to_string(m_barrel.getDeletedCount()));
}

void CBarrelChecker::checkLengths()
{
    // A barrel written before lengths were kept has none; it ranks without them.
    std::string name = m_barrel.getName() + index::format::LEN;
    if (!m_pDir->fileExists(name))
        return;
    index::format::CDocLengths lengths;
    try {
        std::unique_ptr<store::CIndexInput> pInput(m_pDir->openInput(name));
        lengths.read(*pInput, m_pDir->getFullPath(name));
    } catch (const std::exception& e) {
        problem(index::format::LEN, "", nullptr, -1, Describe(e));
        return;
    }
    if (lengths.documentCount() != m_barrel.getDocCount())
        problem(index::format::LEN, "", nullptr, 0,
                "covers " + std::to_string(lengths.documentCount()) + " documents, the barrel holds " +
                    std::to_string(m_barrel.getDocCount()));
    std::vector<int32_t> wordFields;
    for (size_t fid = 0; fid < m_mode.size(); ++fid) {
        const CModeItem& item = m_mode.item(fid);
        const std::string* pKind = item.getComponent("indexer");
        if (item.getIndexKind() != CModeItem::INDEX_NO && (!pKind || *pKind == "text"))
            wordFields.push_back(static_cast<int32_t>(fid));
    }
    if (lengths.fieldIds != wordFields)
        problem(index::format::LEN, "", nullptr, 8, "does not cover exactly the fields of the text kind");
    int64_t offset = 8 + 4 * static_cast<int64_t>(lengths.fieldIds.size());
    for (size_t k = 0; k < lengths.fieldIds.size(); ++k) {
        int32_t fid = lengths.fieldIds[k];
        const index::CFieldInfo* pInfo = fid < m_fields.getFieldCount() ? m_fields.getField(fid) : nullptr;
        std::string field = pInfo ? pInfo->getName() : std::to_string(fid);
        int64_t known = 0;
        for (size_t doc = 0; doc < lengths.lengths[k].size(); ++doc, offset += 4) {
            int32_t length = lengths.lengths[k][doc];
            if (length < index::format::CDocLengths::UNKNOWN)
                problem(index::format::LEN, field, nullptr, offset,
                        "document " + std::to_string(doc) + " has length " + std::to_string(length));
            known += length > 0 ? length : 0;
        }
        // Merges add up the totals of all documents, dropped ones included.
        if (pInfo && known > pInfo->getTotalTerms())
            problem(index::format::LEN, field, nullptr, -1,
                    "the lengths add up to " + std::to_string(known) + " terms, .fdi counts " +
                        std::to_string(pInfo->getTotalTerms()));
    }
}

} // namespace cs::check
