#include "PeerCorpus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace peers {

void WalkFiles(const std::string& root, const std::function<void(const std::string&)>& visit)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            visit(entry.path().string());
}

bool ReadWholeFile(const std::string& path, std::string& data)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
        data.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = ::read(fd, &data[done], data.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        data.resize(done);
    }
    ::close(fd);
    return ok;
}

bool IsHtmlName(const std::string& path)
{
    auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = path.substr(dot + 1);
    return ext == "html" || ext == "htm";
}

namespace {

bool StartsWithNoCase(const std::string& text, size_t at, const char* word)
{
    size_t n = std::strlen(word);
    return at + n <= text.size() && ::strncasecmp(text.data() + at, word, n) == 0;
}

size_t FindNoCase(const std::string& text, size_t from, const char* word)
{
    for (size_t at = text.find('<', from); at != std::string::npos; at = text.find('<', at + 1))
        if (StartsWithNoCase(text, at, word))
            return at;
    return std::string::npos;
}

void AppendDecoded(const std::string& page, size_t from, size_t to, std::string& text)
{
    for (size_t i = from; i < to; ++i) {
        char c = page[i];
        if (c == '&') {
            static const struct { const char* name; char value; } entities[] = {
                {"&nbsp;", ' '}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
            bool done = false;
            for (const auto& e : entities)
                if (page.compare(i, std::strlen(e.name), e.name) == 0) {
                    text += e.value;
                    i += std::strlen(e.name) - 1;
                    done = true;
                    break;
                }
            if (done)
                continue;
        }
        text += c;
    }
}

} // namespace

void HtmlVisibleText(const std::string& page, std::string& text)
{
    text.clear();
    size_t at = 0;
    while (at < page.size()) {
        size_t open = page.find('<', at);
        AppendDecoded(page, at, open == std::string::npos ? page.size() : open, text);
        if (open == std::string::npos)
            break;
        text += ' ';
        size_t close;
        if (page.compare(open, 4, "<!--") == 0) {
            close = page.find("-->", open + 4);
            at = close == std::string::npos ? page.size() : close + 3;
            continue;
        }
        close = page.find('>', open + 1);
        if (close == std::string::npos)
            break;
        at = close + 1;
        const char* endTag = StartsWithNoCase(page, open + 1, "script") ? "</script"
                           : StartsWithNoCase(page, open + 1, "style")  ? "</style"
                                                                        : nullptr;
        if (endTag) {
            size_t end = FindNoCase(page, at, endTag);
            size_t gt = end == std::string::npos ? end : page.find('>', end);
            at = gt == std::string::npos ? page.size() : gt + 1;
        }
    }
}

bool IsUtf8(const std::string& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
        if (more < 0 || c >= 0xF5 || end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

void Utf8ToWide(const std::string& text, std::wstring& wide)
{
    wide.clear();
    wide.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        unsigned char c = *p;
        if (c < 0x80) {
            wide += static_cast<wchar_t>(c);
            ++p;
            continue;
        }
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (more == 0 || end - p <= more) {
            ++p;
            continue;
        }
        uint32_t code = c & (0x3F >> more);
        for (int i = 1; i <= more; ++i)
            code = (code << 6) | (p[i] & 0x3F);
        wide += static_cast<wchar_t>(code);
        p += more + 1;
    }
}

CDocumentReader::CDocumentReader()
    : m_gbk(::iconv_open("UTF-8//IGNORE", "GBK"))
{
    if (m_gbk == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv_open GBK to UTF-8 failed");
}

CDocumentReader::~CDocumentReader()
{
    ::iconv_close(m_gbk);
}

bool CDocumentReader::read(const std::string& path, std::string& utf8)
{
    if (!ReadWholeFile(path, m_raw))
        return false;
    m_bytes += m_raw.size();
    const std::string* text = &m_raw;
    if (IsHtmlName(path)) {
        HtmlVisibleText(m_raw, m_text);
        text = &m_text;
    }
    if (IsUtf8(*text))
        utf8 = *text;
    else
        gbkToUtf8(*text, utf8);
    return true;
}

void CDocumentReader::gbkToUtf8(const std::string& gbk, std::string& utf8)
{
    utf8.resize(gbk.size() * 2 + 16);   // GBK's two bytes become at most three
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char* out = &utf8[0];
    size_t outLeft = utf8.size();
    ::iconv(m_gbk, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (::iconv(m_gbk, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {   // skip a byte that starts no character
            ++in;
            --inLeft;
        } else {
            break;
        }
    }
    utf8.resize(utf8.size() - outLeft);
}

} // namespace peers
