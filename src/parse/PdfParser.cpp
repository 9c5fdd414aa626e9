#include "parse/PdfParser.h"

#include "content/FileType.h"

namespace cs::parse {

namespace {
const CConverterKind kKind = {
    content::filetype::PDF, "~pdfex", "OUT_PDF_EXE_PATH", "PDF_PARAM_FILE_PATH", nullptr, true,
    "filetype is not pdf while pasing", // wrongType
    "can't get original file %s length or length is 0 while pdf paser parsing", // noLength
    "doc file length more than 10M while parsing", // tooLong
    nullptr, // suspicious
    nullptr, // copyFailed
    nullptr, // copyDeleteFailed
    "doc parsing failed", // failed
    "can't getppdf file %s length before external doc process executed", // inputNoLength
    " read pdf file error! ", // readFailed
    " write temp pdf file error! ", // writeFailed
    "pdf parser executing external process failed", // startFailed
    "extern doc process time out", // timedOut
    "some error occured while external pdf process executing.Info:%s", // converterSaid
    "can't get temporary file %s length after external pdf process executed", // outputEmpty
    " read pdf parsed file error! ", // outputReadFailed
};
} // namespace

CPdfParser::CPdfParser(const utility::CConfigPath& paths) : CConverterParser(kKind, paths) {}

} // namespace cs::parse
