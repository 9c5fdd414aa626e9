// Uses a loaded message the way the mail parser does, touching every byte the
// library hands out, and checks the bounds every load keeps. Shared by the
// corpus test and the fuzzer (tools/fuzz), so both hold the library to the
// same rules.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "parse/mime/MailWords.h"
#include "parse/mime/MimeMessage.h"

namespace cs::test {

namespace detail {

// Receives a sum of every byte read, so the reads cannot be optimised away.
inline volatile unsigned long g_mimeSink = 0;

struct CMimeTally {
    size_t nodes = 0;
    int depth = 0;
    size_t fields = 0;        // most fields in one header
    size_t bytes = 0;         // decoded content and field values, all entities
    unsigned long sum = 0;
};

inline void TallyMime(const cs::parse::CMimeBody& body, int depth, CMimeTally& tally)
{
    ++tally.nodes;
    tally.depth = std::max(tally.depth, depth);
    tally.fields = std::max(tally.fields, body.GetFields().size());
    for (const auto& field : body.GetFields())
        tally.bytes += field.m_value.size();
    const std::string& content = body.GetContent();
    tally.bytes += content.size();
    for (size_t i = 0; i <= content.size(); ++i)   // the terminating zero too
        tally.sum += static_cast<unsigned char>(content.c_str()[i]);
    for (const cs::parse::CMimeBody& child : body.GetChildren())
        TallyMime(child, depth + 1, tally);
}

} // namespace detail

// Returns the first broken rule for a message loaded from `inputSize` bytes,
// empty when there is none.
inline std::string ExerciseMime(const cs::parse::CMimeMessage& message, size_t inputSize)
{
    using cs::parse::CMimeBody;
    detail::CMimeTally tally;
    tally.sum += cs::parse::FindMailSender(message.GetFieldValue("From")).size();
    std::string recipients;
    cs::parse::AppendMailRecipients(message.GetFieldValue("To"), recipients);
    cs::parse::AppendMailRecipients(message.GetFieldValue("CC"), recipients);
    tally.sum += recipients.size() + message.GetFieldValue("Subject").size();
    std::vector<const CMimeBody*> parts;
    message.GetBodyPartList(parts);
    std::string charset;
    for (const CMimeBody* part : parts) {
        tally.sum += static_cast<unsigned long>(part->GetMediaType());
        if (part->GetParameter("Content-Type", "charset", charset))
            tally.sum += charset.size();
    }
    detail::TallyMime(message, 0, tally);
    detail::g_mimeSink = detail::g_mimeSink + tally.sum;
    // No decoding makes text longer, and entities never share bytes.
    if (tally.bytes > inputSize)
        return "decoded more bytes than the input holds";
    if (tally.nodes > static_cast<size_t>(CMimeBody::kMaxParts) + 1)
        return "more parts than the limit";
    if (tally.depth > CMimeBody::kMaxDepth)
        return "nested deeper than the limit";
    if (tally.fields > cs::parse::CMimeHeader::kMaxFields)
        return "more fields than the limit";
    if (parts.size() >= tally.nodes + 1)
        return "more leaf parts than entities";
    return std::string();
}

} // namespace cs::test
