#include "parse/FileIdentifier.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/TextSearch.h"
#include "platform/Env.h"
#include "utility/Error.h"

namespace cs::parse {

namespace {

// Bytes a tag may reach back across a block boundary: len("<html") - 1.
constexpr size_t kHtmlOverlap = 4;

bool HasAt(const char* buffer, size_t len, size_t offset, const char* signature, size_t size)
{
    return len >= offset + size && std::memcmp(buffer + offset, signature, size) == 0;
}

bool IsCompoundDocument(const char* buffer, size_t len)
{
    return HasAt(buffer, len, 0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

void CheckSample(const char* buffer, size_t len)
{
    CS_ASSERT_TEXT(buffer, "buffer");
    CS_ASSERT_TEXT(len > 0, "len");
}

// Opens a file for one of the tests that read it by name; scrambled files are
// unscrambled as they are read, like the sample.
class CFileScan {
public:
    explicit CFileScan(const char* path)
        : m_fd(platform::Env().openRegularFileForRead(path)), m_scrambled(IsScrambledName(path))
    {
    }
    ~CFileScan()
    {
        if (m_fd >= 0)
            platform::Env().closeFile(m_fd);
    }
    CFileScan(const CFileScan&) = delete;
    CFileScan& operator=(const CFileScan&) = delete;

    // Up to `size` bytes; 0 at the end of the file or on failure.
    size_t read(char* buffer, size_t size)
    {
        if (m_fd < 0)
            return 0;
        int64_t got = platform::Env().readFileData(m_fd, buffer, static_cast<int64_t>(size));
        if (got <= 0)
            return 0;
        if (m_scrambled)
            Unscramble(buffer, static_cast<size_t>(got));
        return static_cast<size_t>(got);
    }

private:
    int m_fd;
    bool m_scrambled;
};

// The line begins right after a carriage return and line feed.
bool StartsCrlfLine(const char* head, size_t len, const char* word)
{
    size_t size = std::strlen(word);
    for (const char* p = head + 2; (p = FindBytes(p, head + len, word, size)) != head + len; ++p) {
        if (p[-2] == '\r' && p[-1] == '\n')
            return true;
    }
    return false;
}

} // namespace

std::string GetFileExtension(const std::string& fileName)
{
    size_t dot = fileName.rfind('.');
    size_t start = dot == std::string::npos ? 0 : dot + 1;
    return fileName.substr(start, MAX_EXTENSION);
}

const char* CategoryOfExtension(const std::string& extension)
{
    static const std::map<std::string, const char*> kExtensions = [] {
        static const struct {
            const char* category;
            const char* extensions[17];
        } kTable[] = {
            {"TXT", {"txt", "c", "cpp", "cc", "cxx", "hxx", "java", "cs", "pas", "inc", "sh", "bash", "lua", "pl", "py", "sinfortxt"}},
            {"HTML", {"html", "htm", "mht", "asp", "php", "jsp", "phtm", "aspx", "xml", "stm", "shtm", "shtml"}},
            {"EML", {"eml"}},
            {"DOC", {"doc", "rtf", "dot"}},
            {"PPT", {"ppt", "pot"}},
            {"XLS", {"xls", "xlt"}},
            {"PDF", {"pdf"}},
            {"COMP", {"zip", "rar", "gz", "tar", "z", "tar.gz"}},
        };
        std::map<std::string, const char*> table;
        for (const auto& row : kTable) {
            for (const char* extension : row.extensions) {
                if (extension)
                    table.emplace(extension, row.category);
            }
        }
        return table;
    }();
    auto it = kExtensions.find(extension);
    return it == kExtensions.end() ? nullptr : it->second;
}

int32_t FileTypeOfCategory(const char* category)
{
    static const struct {
        const char* name;
        int32_t fileType;
    } kCategories[] = {
        {"TXT", content::filetype::TXT}, {"HTML", content::filetype::HTML}, {"EML", content::filetype::EML}, {"DOC", content::filetype::DOC},
        {"PPT", content::filetype::PPT}, {"XLS", content::filetype::XLS},   {"PDF", content::filetype::PDF}, {"COMP", content::filetype::COMP},
    };
    for (const auto& entry : kCategories) {
        if (category && std::strcmp(category, entry.name) == 0)
            return entry.fileType;
    }
    return content::filetype::UNKNOWN;
}

int32_t FileTypeOfExtension(const std::string& extension)
{
    return FileTypeOfCategory(CategoryOfExtension(extension));
}

bool IsDocFile(const char* buffer, size_t len)
{
    CheckSample(buffer, len);
    return IsCompoundDocument(buffer, len) || HasAt(buffer, len, 0, "{\\rtf", 5);
}

bool IsPptFile(const char* buffer, size_t len)
{
    CheckSample(buffer, len);
    return IsCompoundDocument(buffer, len);
}

bool IsXlsFile(const char* buffer, size_t len)
{
    CheckSample(buffer, len);
    return IsCompoundDocument(buffer, len);
}

bool IsPdfFile(const char* buffer, size_t len)
{
    CheckSample(buffer, len);
    return HasAt(buffer, len, 0, "%PDF-", 5) && HasAt(buffer, len, 6, ".", 1);
}

bool IsCompressedFile(const char* buffer, size_t len)
{
    CheckSample(buffer, len);
    return HasAt(buffer, len, 4, "1AY&SY", 6)                  // bzip2
           || HasAt(buffer, len, 0, "Rar!\x1A", 5)             // rar
           || HasAt(buffer, len, 0, "PK\x03\x04", 4)           // zip
           || HasAt(buffer, len, 0, "\x1F\x8B\x08", 3)         // gzip
           || HasAt(buffer, len, 0, "\x1F\x9D\x90\x00", 4);    // compress
}

bool IsTxtFile(const char* buffer, size_t len)
{
    CheckSample(buffer, len);
    for (size_t i = 0; i < len; ++i) {
        if (static_cast<unsigned char>(buffer[i]) < 9)
            return false;
    }
    return true;
}

bool IsHtmlFile(const char* path)
{
    CS_ASSERT_TEXT(path, "path");
    CFileScan file(path);
    // Each block keeps the last bytes of the one before, so a tag split by
    // the block boundary is still found.
    char block[kHtmlOverlap + SAMPLE_SIZE];
    size_t kept = 0;
    for (size_t got; (got = file.read(block + kept, SAMPLE_SIZE)) > 0;) {
        const char* end = block + kept + got;
        if (FindNoCase(block, end, "<html", 5) != end || FindNoCase(block, end, "<?xml", 5) != end)
            return true;
        kept = std::min(kHtmlOverlap, kept + got);
        std::memmove(block, end - kept, kept);
    }
    return false;
}

bool IsEmlFile(const char* path)
{
    CS_ASSERT_TEXT(path, "path");
    char head[EML_HEAD_SIZE];
    size_t len = 0;
    CFileScan file(path);
    for (size_t got; len < sizeof(head) && (got = file.read(head + len, sizeof(head) - len)) > 0;)
        len += got;
    const char* end = head + len;
    return FindBytes(head, end, "From:", 5) != end && StartsCrlfLine(head, len, "To:") &&
           StartsCrlfLine(head, len, "Date:") && StartsCrlfLine(head, len, "Subject:");
}

int32_t IdentifyFileType(const char* FullFileName)
{
    CS_ASSERT(FullFileName);
    int32_t byName = FileTypeOfExtension(GetFileExtension(FullFileName));

    char sample[SAMPLE_SIZE];
    size_t len = sizeof(sample);
    if (!ReadFileHead(FullFileName, sample, &len) || len == 0)
        return content::filetype::UNKNOWN;
    if (IsScrambledName(FullFileName))
        Unscramble(sample, len);

    bool confirmed = false;
    switch (byName) {
    case content::filetype::TXT: confirmed = IsTxtFile(sample, len); break;
    case content::filetype::HTML: confirmed = IsHtmlFile(FullFileName); break;
    case content::filetype::EML: confirmed = IsEmlFile(FullFileName); break;
    case content::filetype::DOC: confirmed = IsDocFile(sample, len); break;
    case content::filetype::PPT: confirmed = IsPptFile(sample, len); break;
    case content::filetype::XLS: confirmed = IsXlsFile(sample, len); break;
    case content::filetype::PDF: confirmed = IsPdfFile(sample, len); break;
    case content::filetype::COMP: confirmed = IsCompressedFile(sample, len); break;
    default: break;
    }
    if (confirmed)
        return byName;

    // Sniffing: a compound document is taken for a Word file first.
    if (IsDocFile(sample, len))
        return content::filetype::DOC;
    if (IsPptFile(sample, len))
        return content::filetype::PPT;
    if (IsXlsFile(sample, len))
        return content::filetype::XLS;
    if (IsPdfFile(sample, len))
        return content::filetype::PDF;
    if (IsCompressedFile(sample, len))
        return content::filetype::COMP;
    if (IsEmlFile(FullFileName))
        return content::filetype::EML;
    if (IsHtmlFile(FullFileName))
        return content::filetype::HTML;
    if (IsTxtFile(sample, len))
        return content::filetype::TXT;
    return content::filetype::UNKNOWN;
}

} // namespace cs::parse
