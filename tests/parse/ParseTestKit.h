// What the parser tests share: a content mode with the fields the parsers
// fill, documents on it, strict character-set conversion for expected texts,
// and error texts of raised assertions.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "content/Content.h"
#include "content/ContentMode.h"

namespace cs::test {

// Fields: 0 "text", 1 "abstract", 2 "user", 3 "mail_send", 4 "mail_recv".
const content::CContentMode& ParseTestMode();

// A fresh document of ParseTestMode().
std::unique_ptr<content::CContent> NewDocument(int32_t fileType, uint16_t recordKind = 'W');

// The text of a field by name; "<none>" when the field holds no text.
std::string FieldText(const content::CContent& content, const char* name);

// Strict conversion of `text` between iconv sets; throws when it fails.
std::string Recode(const std::string& text, const char* to, const char* from);
inline std::string Gbk(const std::string& utf8) { return Recode(utf8, "GBK", "UTF-8"); }
inline std::string Big5(const std::string& utf8) { return Recode(utf8, "CP950", "UTF-8"); }

// The text of the logic error `action` raises; empty when it raises none.
std::string LogicErrorText(const std::function<void()>& action);

// The words (white-space separated) of a text.
std::vector<std::string> Words(const std::string& text);

// Every word of an office document's source text (tests/data/office/
// `sourceFile`) that GBK can hold is in `utf8Text`; the others (Korean in the
// samples) are not, and did not take their neighbours along.
void ExpectSourceWords(const std::string& sourceFile, const std::string& utf8Text);

} // namespace cs::test
