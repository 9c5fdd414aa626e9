#include "parse/PlaceholderParser.h"

#include "content/Content.h"
#include "parse/ContentFile.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::parse {

int CPlaceholderParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    CS_LOG_DEBUG("no parser for file type:%d in this build, file %s skipped", content->getFileType(),
                 ContentFilePath(*content).c_str());
    return 0;
}

void CPlaceholderParser::setContentMode(const content::CContentMode* pMode)
{
    CS_ASSERT_ARG(pMode);
}

} // namespace cs::parse
