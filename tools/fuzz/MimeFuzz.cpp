// libFuzzer harness: loads arbitrary bytes as a mail and uses everything the
// mail parser takes from the result. libFuzzer hands over a buffer of exactly
// the input's size, so any read past the end is caught by the sanitizer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "parse/mime/MailWords.h"
#include "parse/mime/MimeMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cs::parse::CMimeMessage message;
    if (message.Load(reinterpret_cast<const char*>(data), size) <= 0)
        return 0;
    std::string recipients;
    volatile size_t sink = cs::parse::FindMailSender(message.GetFieldValue("From")).size();
    cs::parse::AppendMailRecipients(message.GetFieldValue("To"), recipients);
    cs::parse::AppendMailRecipients(message.GetFieldValue("CC"), recipients);
    sink = sink + recipients.size() + message.GetFieldValue("Subject").size();
    std::vector<const cs::parse::CMimeBody*> parts;
    message.GetBodyPartList(parts);
    std::string charset;
    for (const cs::parse::CMimeBody* part : parts) {
        sink = sink + static_cast<size_t>(part->GetMediaType());
        if (part->GetParameter("Content-Type", "charset", charset))
            sink = sink + charset.size();
        const std::string& content = part->GetContent();
        for (size_t i = 0; i <= content.size(); ++i)   // the terminating zero too
            sink = sink + static_cast<unsigned char>(content.c_str()[i]);
    }
    return 0;
}
