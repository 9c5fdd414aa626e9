// Words of address fields, for a mail's sender and recipients.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cs::parse {

// Splits [startPoint, end) at space, ";", ",", tab, line feed, "<" and ">"
// and appends the non-empty words. A range that is not a valid span raises
// an invalid-argument error.
void SplitMailWords(const char* startPoint, const char* end, std::vector<std::string_view>& words);

// The first word of a "From" value that contains "@" (empty when none).
std::string FindMailSender(const std::string& from);

// Appends each word of an address-field value that contains "@", followed
// by ";".
void AppendMailRecipients(const std::string& value, std::string& recipients);

} // namespace cs::parse
