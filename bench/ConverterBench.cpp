// Wall time of one conversion per office document: the shipped converter run
// through CPipeExec on the committed test document, as a parser runs it.
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "parse/PipeExec.h"
#include "platform/Env.h"
#include "support/BenchWorkDir.h"

namespace {

const std::string kSource = CS_SOURCE_DIR;

using cs::bench::WorkDir;

void Convert(benchmark::State& state, const std::string& type)
{
    std::string converter = kSource + "/converters/" + type + "2txt";
    std::string input = kSource + "/tests/data/office/sample." + type;
    std::string parameters = kSource + "/converters/pdf2txt.cfg";
    for (auto _ : state) {
        std::string output;
        if (!cs::platform::Env().createTempFile(WorkDir(), "~ex", output)) {
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
