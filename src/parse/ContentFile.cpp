#include "parse/ContentFile.h"

#include "content/Content.h"
#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/ConsoleProgress.h"
#include "utility/Error.h"

namespace cs::parse {

namespace {
constexpr unsigned char kScrambleMask = 0xC6;
const std::string kNoPath;

bool StartsScrambled(const std::string& path, size_t nameStart) { return path.compare(nameStart, 2, "e_") == 0; }
} // namespace

const std::string& ContentFilePath(const content::CContent& content)
{
    const content::CContentInput* pInput = content.getInput();
    if (!pInput || !pInput->getFileRef())
        return kNoPath;
    return pInput->getFileRef()->path;
}

bool ContentFileLength(const std::string& path, int64_t& length)
{
    return !path.empty() && platform::Env().fileLength(path, length);
}

bool IsScrambledName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return StartsScrambled(path, slash == std::string::npos ? 0 : slash + 1);
}

void Unscramble(char* data, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ kScrambleMask);
}

void UnscrambleContent(const std::string& path, char* data, size_t length)
{
    size_t slash = path.rfind('/');
    CS_ASSERT_TEXT(slash != std::string::npos, "begin");
    if (StartsScrambled(path, slash + 1))
        Unscramble(data, length);
}

CReadResult ReadContentFile(const std::string& path, size_t length, CParseBuffer& buffer, bool source)
{
    CReadResult result;
    char* data = buffer.reserve(length + 1);
    buffer.setLength(0);
    int fd = platform::Env().openRegularFileForRead(path);
    if (fd < 0) {
        result.status = CReadResult::OPEN_FAILED;
        result.error = platform::LastErrorCode();
        return result;
    }
    result.bytesRead = platform::Env().readFileData(fd, data, static_cast<int64_t>(length));
    int error = platform::LastErrorCode();
    platform::Env().closeFile(fd);
    if (source)
        utility::CConsoleProgress::instance().bytesRead(result.bytesRead);
    if (result.bytesRead != static_cast<int64_t>(length)) {
        result.status = CReadResult::SHORT_READ;
        result.error = result.bytesRead < 0 ? error : 0;
        return result;
    }
    data[length] = '\0';
    UnscrambleContent(path, data, length);
    buffer.setLength(length);
    return result;
}

bool ReadFileHead(const char* path, char* buffer, size_t* len)
{
    CS_ASSERT_TEXT(path, "path");
    CS_ASSERT_TEXT(buffer, "buffer");
    CS_ASSERT_TEXT(len && *len > 0, "*len");
    int fd = platform::Env().openRegularFileForRead(path);
    if (fd < 0)
        return false;
    int64_t got = platform::Env().readFileData(fd, buffer, static_cast<int64_t>(*len));
    platform::Env().closeFile(fd);
    if (got < 0)
        return false;
    *len = static_cast<size_t>(got);
    return true;
}

} // namespace cs::parse
