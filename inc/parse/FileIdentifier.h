// Identifying the type of a content file from its name and its first bytes.
// The extension proposes a type, the content confirms it, and when it does
// not (or the extension says nothing) the content alone decides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cs::parse {

// Bytes of a file the signature tests look at.
inline constexpr size_t SAMPLE_SIZE = 100;
// Bytes of a file the mail test looks at.
inline constexpr size_t EML_HEAD_SIZE = 1024;
// Characters of an extension that count.
inline constexpr size_t MAX_EXTENSION = 20;

// The characters after the last '.' (the whole name when there is none), at
// most MAX_EXTENSION of them.
std::string GetFileExtension(const std::string& fileName);

// "TXT", "HTML", ... for a known extension (case-sensitive), else null.
const char* CategoryOfExtension(const std::string& extension);
// The file type of a category name; content::filetype::UNKNOWN for any other name.
int32_t FileTypeOfCategory(const char* category);
int32_t FileTypeOfExtension(const std::string& extension);

// Tests on the first bytes of a file (`len` > 0 bytes at `buffer`).
bool IsDocFile(const char* buffer, size_t len);
bool IsPptFile(const char* buffer, size_t len);
bool IsXlsFile(const char* buffer, size_t len);
bool IsPdfFile(const char* buffer, size_t len);
bool IsCompressedFile(const char* buffer, size_t len);
bool IsTxtFile(const char* buffer, size_t len);

// Tests that read the file again by name.
bool IsHtmlFile(const char* path);
bool IsEmlFile(const char* path);

// The file type of a content file; content::filetype::UNKNOWN when it cannot be read,
// is empty, or nothing matches.
int32_t IdentifyFileType(const char* FullFileName);

} // namespace cs::parse
