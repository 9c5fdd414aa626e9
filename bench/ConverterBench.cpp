// Wall time of one conversion per office document: the shipped converter run
// through CPipeExec on the committed test document, as a parser runs it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "parse/PipeExec.h"
#include "platform/Platform.h"

namespace {

const std::string kSource = CS_SOURCE_DIR;

// Removes the work directory when the program ends.
struct CWorkDir {
    std::string path;
    ~CWorkDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// The runner logs through the process logger, which wants a path
// configuration: a private one in a fresh directory, logging errors only.
const std::string& WorkDir()
{
    static const CWorkDir dir{[] {
        char pattern[] = "/tmp/csbench.XXXXXX";
        if (!::mkdtemp(pattern) || ::chdir(pattern) != 0)
            throw std::runtime_error("cannot set up a work directory");
        std::string root = pattern;
        std::ofstream(root + "/pathconfig.xml")
            << "<pathconfig><root>" << root << "</root><GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH></pathconfig>\n";
        std::ofstream(root + "/global.xml")
            << "<config><log><level>error</level><path>" << root << "/log</path></log></config>\n";
        return root;
    }()};
    return dir.path;
}

void Convert(benchmark::State& state, const std::string& type)
{
    std::string converter = kSource + "/converters/" + type + "2txt";
    std::string input = kSource + "/tests/data/office/sample." + type;
    std::string parameters = kSource + "/converters/pdf2txt.cfg";
    for (auto _ : state) {
        std::string output;
        if (!cs::platform::CreateTempFile(WorkDir(), "~ex", output)) {
            state.SkipWithError("cannot create the output file");
            break;
        }
        cs::parse::CPipeExec pipe;
        pipe.setTimeout(10);
        bool started = type == "pdf" ? pipe.exec(converter.c_str(), "-cfg", parameters.c_str(), "-enc", "GBK",
                                                 input.c_str(), output.c_str(), nullptr)
                                     : pipe.exec(converter.c_str(), input.c_str(), output.c_str(), nullptr);
        char buffer[101] = {};
        int last = started ? pipe.read(buffer, 100) : -1;
        std::remove(output.c_str());
        if (last != 0) {
            state.SkipWithError(("conversion failed: " + std::string(buffer)).c_str());
            break;
        }
    }
}

BENCHMARK_CAPTURE(Convert, doc, std::string("doc"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Convert, xls, std::string("xls"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Convert, ppt, std::string("ppt"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Convert, pdf, std::string("pdf"))->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
