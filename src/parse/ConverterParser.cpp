#include "parse/ConverterParser.h"

#include <chrono>
#include <thread>

#include "content/Content.h"
#include "content/FileType.h"
#include "parse/ContentFile.h"
#include "parse/FileIdentifier.h"
#include "parse/PipeExec.h"
#include "platform/Env.h"
#include "platform/Platform.h"
#include "utility/ConfigPath.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::parse {

namespace {

// The extension of the file's own name, dot included; empty when the name has
// none. A dot in a directory name does not count: it would send the input
// file into a directory that does not exist.
std::string ExtensionWithDot(const std::string& path)
{
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    return dot == std::string::npos || dot < nameStart ? std::string() : path.substr(dot);
}

// What a converter printed, for the log: its final line end goes, the log
// line brings its own.
std::string PrintedText(const char* piece)
{
    std::string text = piece;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

CConverterParser::CConverterParser(const CConverterKind& kind, const utility::CConfigPath& paths)
    : m_kind(kind), m_converter(paths.getPath(kind.converterKey))
{
    if (kind.parameterKey)
        m_parameterFile = paths.getPath(kind.parameterKey);
}

void CConverterParser::setContentMode(const content::CContentMode* pMode)
{
    m_fields.lookUp(pMode);
}

int CConverterParser::parse(content::CContent* content)
{
    CS_ASSERT(content);
    m_pContent = content;
    if (content->getFileType() != m_kind.fileType)
        CS_LOG_WARN("%s", m_kind.wrongType);

    const std::string& path = ContentFilePath(*content);
    int64_t length = 0;
    bool known = ContentFileLength(path, length);
    if (known && length == 0) {
        CS_LOG_DEBUG(m_kind.noLength, path.c_str());
        return drop(content::DropReason::NO_TEXT);
    }
    if (!known && m_kind.unreadableLengthIsDebug) {
        CS_LOG_DEBUG(m_kind.noLength, path.c_str());
        return drop(content::DropReason::UNREADABLE);
    }
    if (!known || length >= MAX_DOCUMENT_LENGTH) {
        CS_LOG_WARN("%s", m_kind.tooLong);
        return drop(known ? content::DropReason::TOO_LARGE : content::DropReason::UNREADABLE);
    }

    // A document recognised by its content rather than its name is converted
    // from a copy with the expected extension, for converters that go by it.
    std::string source = path;
    std::string copy;
    if (m_kind.expectedExtension && GetFileExtension(path) != m_kind.expectedExtension) {
        CS_LOG_WARN(m_kind.suspicious, path.c_str());
        if (length <= MAX_COPY_LENGTH) {
            std::string target = path + "." + m_kind.expectedExtension;
            if (platform::Env().copyFileNoReplace(path, target)) {
                source = copy = target;
            } else {
                CS_LOG_WARN(m_kind.copyFailed, platform::LastErrorCode());
            }
        }
    }

    bool converted = false;
    try {
        converted = convert(source);
    } catch (...) {
        removeWorkFiles();
        throw;
    }
    removeWorkFiles();

    if (!converted) {
        CS_LOG_WARN("%s", m_kind.failed);
        return drop(content::DropReason::NOT_CONVERTED);
    }
    // The copy stays after a failure, for a look at what could not be converted.
    if (!copy.empty() && !platform::Env().removeFile(copy))
        CS_LOG_WARN(m_kind.copyDeleteFailed, utility::GetLastErrorText().c_str());
    content->setEncoding(content::encoding::GBK);
    m_fields.set(*content, m_buffer.data(), m_buffer.length());
    content->setState(content::CContent::STATE_PARSED);
    return 1;
}

bool CConverterParser::convert(const std::string& path)
{
    m_workInput.clear();
    m_workOutput.clear();
    std::string tempDir;
    platform::CEnv& env = platform::Env();
    if (!env.tempDirectory(tempDir) || !env.createTempFile(tempDir, m_kind.tempPrefix, m_workInput)) {
        CS_LOG_WARN("can't create a temporary file in %s: %s", tempDir.c_str(), utility::GetLastErrorText().c_str());
        return false;
    }
    // The converter sees the document's own extension.
    std::string inputName = m_workInput.substr(0, m_workInput.size() - 4) + ExtensionWithDot(path);
    if (!env.moveFileNoReplace(m_workInput, inputName)) {
        CS_LOG_WARN("rename file %s to %s failed", m_workInput.c_str(), inputName.c_str());
        return false;
    }
    m_workInput = inputName;
    if (!makeInputFile(path))
        return false;

    // The output file exists, empty, before the converter starts.
    if (!env.createTempFile(tempDir, OUTPUT_PREFIX, m_workOutput)) {
        CS_LOG_WARN("can't create a temporary file in %s: %s", tempDir.c_str(), utility::GetLastErrorText().c_str());
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return runConverter() && readOutputFile();
}

bool CConverterParser::makeInputFile(const std::string& path)
{
    int64_t length = 0;
    if (!ContentFileLength(path, length) || length == 0) {
        CS_LOG_WARN(m_kind.inputNoLength, path.c_str());
        return false;
    }
    // Files named "e_*" are unscrambled on the way.
    if (ReadContentFile(path, static_cast<size_t>(length), m_buffer).status != CReadResult::OK) {
        CS_LOG_WARN("%s", m_kind.readFailed);
        return false;
    }
    int fd = platform::Env().createTruncated(m_workInput);
    bool written = fd >= 0 && platform::Env().writeAll(fd, m_buffer.data(), m_buffer.length());
    if (fd >= 0 && !platform::Env().closeFile(fd))
        written = false;
    if (!written)
        CS_LOG_WARN("%s", m_kind.writeFailed);
    return written;
}

bool CConverterParser::runConverter()
{
    CPipeExec pipe;   // ends the converter, whatever happens here
    pipe.setTimeout(CONVERTER_TIMEOUT);
    if (!pipe.exec_cmd(commandLine())) {
        CS_LOG_WARN("%s", m_kind.startFailed);
        return false;
    }
    // A converter prints nothing when it succeeds: anything it prints is its
    // failure report. Pieces overwrite each other; the last one is logged.
    char piece[CPipeExec::READ_CHUNK + 1] = {};
    bool printed = false;
    int count;
    while ((count = pipe.read(piece, CPipeExec::READ_CHUNK)) > 0) {
        piece[count] = '\0';
        printed = true;
    }
    if (count == -2) {
        CS_LOG_WARN("%s", m_kind.timedOut);
        return false;
    }
    if (count < 0)
        return false;
    if (printed) {
        CS_LOG_WARN(m_kind.converterSaid, PrintedText(piece).c_str());
        return false;
    }
    return true;
}

bool CConverterParser::readOutputFile()
{
    int64_t length = 0;
    if (!ContentFileLength(m_workOutput, length) || length == 0) {
        CS_LOG_WARN(m_kind.outputEmpty, m_workOutput.c_str());
        return false;
    }
    if (ReadContentFile(m_workOutput, static_cast<size_t>(length), m_buffer, false).status != CReadResult::OK) {
        CS_LOG_WARN("%s", m_kind.outputReadFailed);
        return false;
    }
    return true;
}

std::vector<std::string> CConverterParser::commandLine() const
{
    if (m_kind.parameterKey)
        return {m_converter, "-cfg", m_parameterFile, "-enc", "GBK", m_workInput, m_workOutput};
    return {m_converter, m_workInput, m_workOutput};
}

void CConverterParser::removeWorkFiles()
{
    for (std::string* pName : {&m_workInput, &m_workOutput}) {
        if (!pName->empty() && !platform::Env().removeFile(*pName))
            CS_LOG_WARN("can't delete temporary file %s: %s", pName->c_str(), utility::GetLastErrorText().c_str());
        pName->clear();
    }
}

} // namespace cs::parse
