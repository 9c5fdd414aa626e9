// Reading a document's content file: the one routine every parser that reads
// files goes through. Files whose base name begins with "e_" are stored
// scrambled (every byte XOR C6) and are unscrambled as they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "parse/ParseBuffer.h"

namespace cs::content {
class CContent;
}

namespace cs::parse {

// The path of the document's content file; empty when it has none.
const std::string& ContentFilePath(const content::CContent& content);

// The length of a file by name; false when it cannot be had.
bool ContentFileLength(const std::string& path, int64_t& length);

// True when the base name (after the last '/') begins with "e_".
bool IsScrambledName(const std::string& path);

// XORs every byte with the scrambling mask (its own inverse).
void Unscramble(char* data, size_t length);

// Unscrambles `data` when the path names a scrambled file. A path without any
// '/' is a programming error ("begin").
void UnscrambleContent(const std::string& path, char* data, size_t length);

struct CReadResult {
    enum Status { OK, OPEN_FAILED, SHORT_READ };
    Status status = OK;
    int64_t bytesRead = 0;
    int error = 0;   // the system's error code on failure
};

// Reads the first `length` bytes of the file into `buffer` (grown to length +
// 1, at least CParseBuffer::FIRST_SIZE), with a zero byte after them, and
// unscrambles them. On success the buffer's length is `length`. The bytes
// count as read on the console progress unless the file is one the system
// made itself (`source` false: a converter's output).
CReadResult ReadContentFile(const std::string& path, size_t length, CParseBuffer& buffer, bool source = true);

// Reads up to `*len` bytes from the start of a file (no unscrambling) and
// stores the count in `*len`; false when the file cannot be opened or read.
bool ReadFileHead(const char* path, char* buffer, size_t* len);

} // namespace cs::parse
