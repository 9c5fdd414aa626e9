#include "parse/DocParser.h"

#include "content/FileType.h"

namespace cs::parse {

namespace {
const CConverterKind kKind = {
    content::filetype::DOC, "~docex", "OUT_DOC_EXE_PATH", nullptr, "doc", false,
    "filetype is not doc while pasing", // wrongType
    "can't get original file %s length or length is 0 while doc paser parsing", // noLength
    "doc file length more than 10M while parsing", // tooLong
    "suspicious doc, %s", // suspicious
    "doc file copy failed, errno: %d", // copyFailed
    "xls file copy delete failed, error: %s", // copyDeleteFailed
    "doc parsing failed.", // failed
    "can't get doc file %s length before external doc process executed", // inputNoLength
    " read doc file error! ", // readFailed
    " write temp doc file error! ", // writeFailed
    "doc parser executing external process failed", // startFailed
    "extern doc process time out", // timedOut
    "some error occured while external doc process executing.Info:%s", // converterSaid
    "can't get temporary file %s length after external doc process executed", // outputEmpty
    " read doc parsed file error! ", // outputReadFailed
};
} // namespace

CDocParser::CDocParser(const utility::CConfigPath& paths) : CConverterParser(kKind, paths) {}

} // namespace cs::parse
