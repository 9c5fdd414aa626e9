#include "search/DocumentReader.h"

#include "content/Content.h"
#include "content/ContentMode.h"
#include "parse/FileIdentifier.h"
#include "parse/Parser.h"
#include "parse/ParserRegistry.h"
#include "platform/Env.h"

namespace cs::search {

CDocumentReader::CDocumentReader(const content::CContentMode& mode) : m_mode(mode) {}

CDocumentReader::~CDocumentReader() = default;

std::string CDocumentReader::text(const std::string& path, int32_t fieldId)
{
    // A path without "/" is no file a collection handed over.
    if (fieldId < 0 || path.find('/') == std::string::npos || !platform::Env().pathAccessible(path))
        return {};
    int32_t fileType = parse::IdentifyFileType(path.c_str());
    std::unique_ptr<parse::CParser>& pParser = m_parsers[fileType];
    if (!pParser) {
        parse::CParser::CCreator* pCreator = parse::CParserRegistry::instance().findByFileType(fileType);
        if (!pCreator || !(pParser = pCreator->create()))
            return {};
        pParser->setContentMode(&m_mode);
    }
    content::CContent content(m_mode);
    content.setFileType(fileType);
    content.setFileInput(path, fieldId);
    if (pParser->parse(&content) == 0)
        return {};
    const content::CField* pField = content.findField(static_cast<uint32_t>(fieldId));
    return pField && pField->getText() ? std::string(pField->getText(), pField->getTextLength()) : std::string();
}

} // namespace cs::search
