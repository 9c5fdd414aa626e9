#include "parse/XlsParser.h"

#include "content/FileType.h"

namespace cs::parse {

namespace {
const CConverterKind kKind = {
    content::filetype::XLS, "~xlsex", "OUT_XLS_EXE_PATH", nullptr, "xls", false,
    "filetype is not excel while pasing", // wrongType
    "can't get original file %s length or length is 0 while excel paser parsing", // noLength
    "excel file length more than 10M while parsing", // tooLong
    "suspicious xls, %s", // suspicious
    "xls file copy failed, errno: %d", // copyFailed
    "xls file copy delete failed, error: %s", // copyDeleteFailed
    "excel parsing failed", // failed
    "can't get xls file %s length before external doc process executed", // inputNoLength
    " read xls file error! ", // readFailed
    " write temp xls file error! ", // writeFailed
    "excel parser executing external process failed", // startFailed
    "extern excel process time out", // timedOut
    "some error occured while external xls process executing.Info:%s", // converterSaid
    "can't get temporary file %s length after external excel process executed", // outputEmpty
    " read excel parsed file error! ", // outputReadFailed
};
} // namespace

CXlsParser::CXlsParser(const utility::CConfigPath& paths) : CConverterParser(kKind, paths) {}

} // namespace cs::parse
