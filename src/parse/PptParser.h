// PowerPoint presentations (file type 4), through the converter named by OUT_PPT_EXE_PATH.
// The converter is run as: converter, input, output. A document whose name does
// not end in ".ppt" is converted from a copy that does
// (when it has at most 1 MiB).
#pragma once

#include "parse/ConverterParser.h"
#include "utility/ConfigPath.h"

namespace cs::parse {

class CPptParser : public CConverterParser {
public:
    explicit CPptParser(const utility::CConfigPath& paths = utility::CConfigPath::instance());
};

} // namespace cs::parse
