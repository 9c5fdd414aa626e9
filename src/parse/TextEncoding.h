// Guessing the encoding of a text and converting it to GBK, the internal
// encoding. The tests walk a window of the text; bytes from the text's length
// on count as zero bytes (the terminator that follows every buffer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cs::parse {

// Bytes of a text the encoding detection looks at.
inline constexpr size_t ENCODING_WINDOW = 200;

// Bytes below 128 pass; a byte with the high bit set must start a three-byte
// sequence (1110xxxx and two bytes 80 to BF). A zero byte ends the walk with
// success, and so does a sequence cut off by the window's end. Two- and
// four-byte sequences fail.
bool IsUtf8Text(const char* text, size_t length, size_t window = ENCODING_WINDOW);

// A lead byte 81 to FE needs a second byte 40 to FE; 80 and FF fail. The test
// passes only when the walk reaches the window's end: a zero byte fails it.
bool IsGbkText(const char* text, size_t length, size_t window = ENCODING_WINDOW);

// As the GBK test, with second bytes 40 to 7E or A1 to FE.
bool IsBig5Text(const char* text, size_t length, size_t window = ENCODING_WINDOW);

// The first test that passes: UTF-8, GBK, Big5; else content::encoding::UNKNOWN.
int32_t DetectEncoding(const char* text, size_t length, size_t window = ENCODING_WINDOW);

// A declared character-set name (ASCII case ignored) to its encoding number;
// names not known give content::encoding::UNKNOWN.
int32_t EncodingOfCharset(const std::string& name);

// Converts `length` bytes of `text` from `encoding` to GBK into `out`. GBK is
// copied; UTF-8 and UCS-2 sequences GBK cannot hold are dropped, Big5
// characters GBK cannot hold become "?". False, with `out` empty, for an
// encoding that cannot be converted (unknown).
bool ConvertToGbk(int32_t encoding, const char* text, size_t length, std::string& out);

// Appends the GBK form of a Unicode character; nothing when GBK lacks it.
void AppendCodePointInGbk(uint32_t codePoint, std::string& out);

// Converts a UTF-8 string to GBK in place.
void Utf8ToGbkInPlace(std::string& text);

// Strict UTF-8 validity (one- to four-byte sequences, no overlong forms or
// surrogates): for names the file system hands over, not for document text.
bool IsValidUtf8(const char* text, size_t length);

} // namespace cs::parse
