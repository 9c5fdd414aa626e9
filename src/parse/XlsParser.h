// Excel workbooks (file type 5), through the converter named by OUT_XLS_EXE_PATH.
// The converter is run as: converter, input, output. A document whose name does
// not end in ".xls" is converted from a copy that does
// (when it has at most 1 MiB).
#pragma once

#include "parse/ConverterParser.h"
#include "utility/ConfigPath.h"

namespace cs::parse {

class CXlsParser : public CConverterParser {
public:
    explicit CXlsParser(const utility::CConfigPath& paths = utility::CConfigPath::instance());
};

} // namespace cs::parse
