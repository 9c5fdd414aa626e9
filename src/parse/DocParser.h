// Word documents (file type 3), through the converter named by OUT_DOC_EXE_PATH.
// The converter is run as: converter, input, output. A document whose name does
// not end in ".doc" is converted from a copy that does
// (when it has at most 1 MiB).
#pragma once

#include "parse/ConverterParser.h"
#include "utility/ConfigPath.h"

namespace cs::parse {

class CDocParser : public CConverterParser {
public:
    explicit CDocParser(const utility::CConfigPath& paths = utility::CConfigPath::instance());
};

} // namespace cs::parse
