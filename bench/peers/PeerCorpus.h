// Shared by the benchmark's peer indexers: walking the corpus, reading a file,
// the visible text of an HTML page, and conversion of GBK text to UTF-8.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <functional>
#include <string>

namespace peers {

// Calls visit(path) for every regular file below root, depth first.
void WalkFiles(const std::string& root, const std::function<void(const std::string&)>& visit);

// Reads the whole file into data (reusing its storage); false when it cannot.
bool ReadWholeFile(const std::string& path, std::string& data);

bool IsHtmlName(const std::string& path);

// The text between tags, without script and style elements and comments;
// a few entities are decoded. Works on GBK bytes too: no GBK trail byte is
// '<' or '>'.
void HtmlVisibleText(const std::string& page, std::string& text);

bool IsUtf8(const std::string& text);

// Decodes UTF-8 (invalid bytes are skipped) into wide characters.
void Utf8ToWide(const std::string& text, std::wstring& wide);

// A file's text in UTF-8: HTML pages lose their markup, text that is not
// UTF-8 is taken for GBK and converted; invalid sequences are dropped.
class CDocumentReader {
public:
    CDocumentReader();
    ~CDocumentReader();
    CDocumentReader(const CDocumentReader&) = delete;
    CDocumentReader& operator=(const CDocumentReader&) = delete;

    // false when the file cannot be read.
    bool read(const std::string& path, std::string& utf8);
    uint64_t bytesRead() const { return m_bytes; }

private:
    void gbkToUtf8(const std::string& gbk, std::string& utf8);

    iconv_t m_gbk;
    std::string m_raw;
    std::string m_text;
    uint64_t m_bytes = 0;
};

} // namespace peers
