// Helpers of the collection suites: the global configuration file that the
// collection state reads, and reading its state files back.
#pragma once

#include <string>

namespace cs::test {

// Replaces the test root's global configuration file (GLOBAL_CONFIG_PATH)
// with <config>`body`<log>...</log></config> for the scope; the index path
// must be in `body` when a test needs one.
class CGlobalFileScope {
public:
    explicit CGlobalFileScope(const std::string& body);
    ~CGlobalFileScope();
    CGlobalFileScope(const CGlobalFileScope&) = delete;
    CGlobalFileScope& operator=(const CGlobalFileScope&) = delete;

private:
    std::string m_saved;
};

// The text of an element of a state file, by XPath; "<missing>" when absent.
std::string StateValue(const std::string& file, const std::string& xpath);

} // namespace cs::test
