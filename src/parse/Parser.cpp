#include "parse/Parser.h"

#include "content/Content.h"
#include "utility/Error.h"

namespace cs::parse {

int CParser::drop(content::DropReason reason)
{
    CS_ASSERT(m_pContent);
    m_pContent->setDropReason(reason);
    return 0;
}

} // namespace cs::parse
