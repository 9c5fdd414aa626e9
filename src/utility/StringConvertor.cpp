#include "utility/StringConvertor.h"

#include <cerrno>
#include <iconv.h>

#include "platform/Platform.h"
#include "utility/Failure.h"

namespace cs::utility {

namespace {
iconv_t Descriptor(void* cd) { return static_cast<iconv_t>(cd); }
const void* const kClosed = reinterpret_cast<void*>(-1);
} // namespace

void CStringConvertor::open(const std::string& target, const std::string& source)
{
    close();
    // "//IGNORE" makes glibc discard sequences that are invalid or that the
    // target cannot hold.
    iconv_t cd = iconv_open((target + "//IGNORE").c_str(), source.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw CBadEncoding("can't convert from " + source + " to " + target);
    m_cd = cd;
}

void CStringConvertor::close()
{
    if (m_cd != kClosed) {
        iconv_close(Descriptor(m_cd));
        m_cd = reinterpret_cast<void*>(-1);
    }
}

std::string CStringConvertor::convert(const char* input, size_t length)
{
    std::string result;
    if (m_cd == kClosed)
        return result;
    char buffer[4096];
    char* in = const_cast<char*>(input);
    size_t inLeft = input ? length : 0;
    char* out = buffer;
    size_t outLeft = sizeof(buffer);
    iconv(Descriptor(m_cd), nullptr, nullptr, nullptr, nullptr);
    char* stalledAt = nullptr;
    while (iconv(Descriptor(m_cd), &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        if (errno == E2BIG) {
            result.append(buffer, sizeof(buffer) - outLeft);
            out = buffer;
            outLeft = sizeof(buffer);
        } else if (errno == EINVAL) {
            inLeft = 0;   // an incomplete sequence at the end is dropped
        } else if (errno == EILSEQ) {
            // With //IGNORE glibc reports skipped sequences once it is done,
            // but may also stop part way; go on, and step over a byte only
            // when a retry makes no progress.
            if (inLeft == 0)
                break;
            if (in == stalledAt) {
                ++in;
                --inLeft;
            }
            stalledAt = in;
        } else {
            ExitWithFailure(1, FailureText("character conversion failed", "", platform::SystemErrorText(errno)));
        }
    }
    result.append(buffer, sizeof(buffer) - outLeft);
    return result;
}

std::string utf8ToGbk(const std::string& text)
{
    return toGbk(text, "utf-8");
}

std::string toGbk(const std::string& text, const std::string& sourceSet)
{
    CStringConvertor convertor("gbk", sourceSet);
    return convertor.convert(text);
}

std::string LowerAsciiLetters(const std::string& gbk)
{
    std::string lower(gbk);
    for (size_t i = 0; i < lower.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(lower[i]);
        if (c >= 0x80)
            ++i;   // a lead byte: its second byte is no letter of its own
        else if (c >= 'A' && c <= 'Z')
            lower[i] = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

} // namespace cs::utility
