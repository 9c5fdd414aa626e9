#include "parse/PptParser.h"

#include "content/FileType.h"

namespace cs::parse {

namespace {
const CConverterKind kKind = {
    content::filetype::PPT, "~pptex", "OUT_PPT_EXE_PATH", nullptr, "ppt", false,
    "filetype is not ppt while pasing", // wrongType
    "can't get original file %s length or length is 0 while ppt paser parsing", // noLength
    "ppt file length more than 10M while parsing", // tooLong
    "suspicious ppt, %s", // suspicious
    "ppt file copy failed, errno: %d", // copyFailed
    "ppt file copy delete failed, error: %s", // copyDeleteFailed
    "ppt parsing failed", // failed
    "can't get ppt file %s length before external doc process executed", // inputNoLength
    " read ppt file error! ", // readFailed
    " write temp ppt file error! ", // writeFailed
    "ppt parser executing external process failed", // startFailed
    "extern ppt process time out", // timedOut
    "some error occured while external ppt process executing.Info:%s", // converterSaid
    "can't get temporary file %s length after external ppt process executed", // outputEmpty
    " read ppt parsed file error! ", // outputReadFailed
};
} // namespace

CPptParser::CPptParser(const utility::CConfigPath& paths) : CConverterParser(kKind, paths) {}

} // namespace cs::parse
