// The work directory of a benchmark program: a fresh directory in /tmp, made
// the current directory, holding the private path configuration that the
// process logger wants (errors only, so logging stays out of the measures).
// It is removed when the program ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace cs::bench {

inline const std::string& WorkDir()
{
    struct CWorkDir {
        std::string path;
        ~CWorkDir()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
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

} // namespace cs::bench
