// PDF documents (file type 6), through the converter named by OUT_PDF_EXE_PATH.
// The converter also gets its parameter file and the text encoding: converter,
// "-cfg", PDF_PARAM_FILE_PATH, "-enc", "GBK", input, output. Any file name is
// taken as it is.
#pragma once

#include "parse/ConverterParser.h"
#include "utility/ConfigPath.h"

namespace cs::parse {

class CPdfParser : public CConverterParser {
public:
    explicit CPdfParser(const utility::CConfigPath& paths = utility::CConfigPath::instance());
};

} // namespace cs::parse
