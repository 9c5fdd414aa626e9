#include "parse/ParserRegistry.h"

#include "content/FileType.h"
#include "parse/CompParser.h"
#include "parse/DocParser.h"
#include "parse/EmlParser.h"
#include "parse/HtmlParser.h"
#include "parse/PdfParser.h"
#include "parse/PptParser.h"
#include "parse/SearchParser.h"
#include "parse/TxtParser.h"
#include "parse/UnkownParser.h"
#include "parse/XlsParser.h"
#include "utility/Error.h"

namespace cs::parse {

CParserRegistry& CParserRegistry::instance()
{
    static CParserRegistry registry;
    return registry;
}

CParserRegistry::CParserRegistry()
{
    static CParserCreator<CTxtParser> txt("txt", content::filetype::TXT);
    static CParserCreator<CHtmlParser> html("html", content::filetype::HTML);
    static CParserCreator<CEmlParser> eml("eml", content::filetype::EML);
    static CParserCreator<CDocParser> doc("doc", content::filetype::DOC);
    static CParserCreator<CPptParser> ppt("ppt", content::filetype::PPT);
    static CParserCreator<CXlsParser> xls("xls", content::filetype::XLS);
    static CParserCreator<CPdfParser> pdf("pdf", content::filetype::PDF);
    static CParserCreator<CCompParser> compress("compress", content::filetype::COMP);
    static CParserCreator<CSearchParser> search("search", content::filetype::SEARCH);
    static CParserCreator<CUnkownParser> unknown("unkown", content::filetype::UNKNOWN);
    CParser::CCreator* creators[] = {&txt, &html, &eml, &doc, &ppt, &xls, &pdf, &compress, &search, &unknown};
    for (CParser::CCreator* pCreator : creators)
        registerCreator(pCreator);
}

void CParserRegistry::registerCreator(CParser::CCreator* pCreator)
{
    CS_ASSERT_ARG(pCreator);
    m_creators[pCreator->identifier()] = {pCreator->fileType(), pCreator};
}

CParser::CCreator* CParserRegistry::find(const std::string& identifier) const
{
    auto it = m_creators.find(identifier);
    return it == m_creators.end() ? nullptr : it->second.second;
}

int32_t CParserRegistry::fileTypeOf(const std::string& identifier) const
{
    auto it = m_creators.find(identifier);
    return it == m_creators.end() ? content::filetype::UNKNOWN : it->second.first;
}

CParser::CCreator* CParserRegistry::findByFileType(int32_t fileType) const
{
    for (const auto& entry : m_creators) {
        if (entry.second.first == fileType)
            return entry.second.second;
    }
    return nullptr;
}

} // namespace cs::parse
