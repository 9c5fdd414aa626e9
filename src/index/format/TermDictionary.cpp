#include "index/format/TermDictionary.h"

#include "store/IndexInput.h"
#include "store/IndexOutput.h"

namespace cs::index::format {

void CFieldTrailer::write(store::CIndexOutput& tid) const
{
    tid.writeVLong(entryBytes);
    tid.writeVInt(termCount);
}

CFieldTrailer CFieldTrailer::read(store::CIndexInput& tid)
{
    CFieldTrailer trailer;
    trailer.entryBytes = tid.readVLong();
    trailer.termCount = tid.readVInt();
    return trailer;
}

CTermDictionaryWriter::CTermDictionaryWriter(store::CIndexOutput& tid) : m_tid(tid), m_start(tid.position()) {}

void CTermDictionaryWriter::add(int32_t term, int32_t docFreq, int64_t docPointer)
{
    m_tid.writeVInt(static_cast<int32_t>(static_cast<uint32_t>(term) - m_prevTerm));
    m_tid.writeVInt(docFreq);
    m_tid.writeVLong(docPointer - m_prevPointer);
    m_prevTerm = static_cast<uint32_t>(term);
    m_prevPointer = docPointer;
    ++m_termCount;
}

int64_t CTermDictionaryWriter::finish()
{
    int64_t offset = m_tid.position();
    CFieldTrailer{offset - m_start, m_termCount}.write(m_tid);
    return offset;
}

CTermInfo CTermDictionaryReader::next(store::CIndexInput& tid)
{
    CTermInfo entry;
    m_term += static_cast<uint32_t>(tid.readVInt());
    entry.m_term = static_cast<int32_t>(m_term);
    entry.m_docFreq = tid.readVInt();
    m_pointer += static_cast<uint64_t>(tid.readVLong());
    entry.m_docPointer = static_cast<int64_t>(m_pointer);
    return entry;
}

} // namespace cs::index::format
