// A directory holding a copy of the indexer under a name of its own, with its
// own pathconfig.xml, configuration and test dictionary, in which the program
// runs as a process. The directory is the program's home and holds its index,
// so parallel tests (and a running sample) never share a writer's lock.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace cs::test {

class CSandbox {
public:
    CSandbox();

    const std::string& dir() const { return m_dir; }
    const std::string& program() const { return m_program; }
    const std::string& name() const { return m_name; }
    std::string conf() const { return m_dir + "/conf"; }
    std::string indexRoot() const { return m_dir + "/index"; }
    // The source directory of the usual configuration, made empty.
    std::string docs() const { return m_dir + "/docs"; }
    std::string logDir() const { return m_dir + "/log/" + m_name + "/"; }

    // conf/global.xml with <config>body</config>.
    void writeGlobal(const std::string& body);
    // The usual body: indexing on, index, log and source directory (unless
    // `index` names one) below the sandbox, every key the loader warns about
    // present. `index` and `log` add elements.
    std::string global(const std::string& index = "<system_status>1</system_status>",
                       const std::string& log = "<level>debug</level>") const;
    void writeDbInfo(const std::string& text);
    void writePathConfig(const std::string& content);

    // Runs the program in the sandbox directory; SIGKILL after `killAfterMs`
    // unless -1.
    ProcessResult run(const std::vector<std::string>& args, int killAfterMs = -1) const;

    // Every day file of the log directory, oldest first.
    std::string logText() const;
    // Whether a line at `level` ("ERROR", ...) from byte `from` of logText()
    // on holds `piece`.
    bool logged(const std::string& level, const std::string& piece, size_t from = 0) const;

private:
    std::string m_dir;
    std::string m_name;
    std::string m_program;
};

} // namespace cs::test
