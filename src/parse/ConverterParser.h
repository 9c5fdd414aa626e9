// Word, PowerPoint, Excel and PDF documents: the indexer does not read them
// itself. The document is copied into a private temporary file, an outside
// converter program writes its text (in GBK) into a second temporary file, and
// that text becomes the document's "text" and "abstract". The four parsers
// share this one algorithm and differ only in their CConverterKind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "parse/ParseBuffer.h"
#include "parse/Parser.h"
#include "parse/TextFields.h"

namespace cs::utility {
class CConfigPath;
}

namespace cs::parse {

// What sets one converter parser apart from the others. The messages are
// printf formats; the comment says what each one is given.
struct CConverterKind {
    int32_t fileType;
    const char* tempPrefix;          // of the temporary input file
    const char* converterKey;        // path-configuration entry of the program
    const char* parameterKey;        // entry of the parameter file, or null
    const char* expectedExtension;   // null: any name is taken as it is
    bool unreadableLengthIsDebug;    // an unreadable length logs noLength at DEBUG, not tooLong

    const char* wrongType;          // no argument
    const char* noLength;           // the document's path
    const char* tooLong;            // no argument
    const char* suspicious;         // the document's path
    const char* copyFailed;         // the system's error number
    const char* copyDeleteFailed;   // the system's error text
    const char* failed;             // no argument
    const char* inputNoLength;      // the path being converted
    const char* readFailed;         // no argument
    const char* writeFailed;        // no argument
    const char* startFailed;        // no argument
    const char* timedOut;           // no argument
    const char* converterSaid;      // what the converter printed
    const char* outputEmpty;        // the output file's path
    const char* outputReadFailed;   // no argument
};

class CConverterParser : public CParser {
public:
    // Documents of this many bytes or more are not converted.
    static constexpr int64_t MAX_DOCUMENT_LENGTH = 10485760;
    // A document with a foreign extension is converted from a copy with the
    // expected one when it has at most this many bytes.
    static constexpr int64_t MAX_COPY_LENGTH = 1048576;
    // Seconds a converter may run.
    static constexpr int CONVERTER_TIMEOUT = 10;
    // Prefix of the temporary output file.
    static constexpr const char* OUTPUT_PREFIX = "~ex";

    int parse(content::CContent* content) override;
    void setContentMode(const content::CContentMode* pMode) override;

    // The program that converts, as the path configuration names it.
    const std::string& converterPath() const { return m_converter; }

protected:
    // Looks up the converter (and its parameter file) in `paths`; an entry
    // that is missing raises "no such config file: %s".
    CConverterParser(const CConverterKind& kind, const utility::CConfigPath& paths);

private:
    // Converts the file at `path` into m_buffer; false (logged) on failure.
    bool convert(const std::string& path);
    bool makeInputFile(const std::string& path);
    bool runConverter();
    bool readOutputFile();
    std::vector<std::string> commandLine() const;
    // Removes the temporary input and output files of the last conversion.
    void removeWorkFiles();

    const CConverterKind& m_kind;
    std::string m_converter;
    std::string m_parameterFile;
    CTextFields m_fields;
    CParseBuffer m_buffer;   // the document's bytes, then the converted text
};

} // namespace cs::parse
