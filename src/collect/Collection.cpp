#include "collect/Collection.h"

#include "index/Index.h"
#include "index/writer/IndexWriter.h"
#include "utility/Error.h"

namespace cs::collection {

CCollection::~CCollection()
{
    if (m_ownsWriter)
        delete m_pIndexWriter;
}

void CCollection::setIndexWriter(index::CIndexWriter* pIndexWriter, bool owned)
{
    if (m_ownsWriter && m_pIndexWriter != pIndexWriter)
        delete m_pIndexWriter;
    m_pIndexWriter = pIndexWriter;
    m_ownsWriter = owned;
}

void CCollection::requestStop()
{
    if (m_state != STATE_CLOSED)
        m_state = STATE_STOPPING;
}

void CCollection::run()
{
    CS_ASSERT(m_pIndexWriter);
    setContentMode(m_pIndexWriter->getIndex()->getContentMode());
    m_state = STATE_RUNNING;
    collect();
    close();
}

void CCollection::close()
{
    if (m_pIndexWriter)
        m_pIndexWriter->close();
    m_state = STATE_CLOSED;
}

} // namespace cs::collection
