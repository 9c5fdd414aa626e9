// Small indexes with chosen field values, written through the index and the
// barrel writer as a run writes them, for the suites of the search and check
// programs.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace cs::content {
class CContentMode;
}

namespace cs::test {

// Field name -> value in UTF-8 (texts are stored and analysed in GBK, as the
// parsers leave them), over the built-in content mode (text, user, group,
// date, path, abstract, mail_send, mail_recv, type) or one with its fields.
typedef std::map<std::string, std::string> SampleDocument;

// Writes `documents` into a new index in `dir`: barrels of `barrelSizes`
// documents each (in order; the sizes add up to the document count), with
// the global document numbers in `deleted` marked deleted. Installs the test
// dictionary first. Without `pMode`, the built-in mode.
void WriteSampleIndex(const std::string& dir, const std::vector<SampleDocument>& documents,
                      const std::vector<int>& barrelSizes, const std::set<int>& deleted = {},
                      const content::CContentMode* pMode = nullptr);

// The built-in mode with the date stored too, as the directory collection keeps it.
const content::CContentMode& DatedMode();

} // namespace cs::test
