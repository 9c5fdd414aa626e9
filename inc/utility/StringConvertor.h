// Character-set conversion of byte strings through iconv. Invalid input
// sequences are discarded; an incomplete sequence at the end is dropped.
#pragma once

#include <stdexcept>
#include <string>

namespace cs::utility {

class CStringConvertor {
public:
    class CBadEncoding : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    CStringConvertor() = default;
    CStringConvertor(const std::string& target, const std::string& source) { open(target, source); }
    ~CStringConvertor() { close(); }
    CStringConvertor(const CStringConvertor&) = delete;
    CStringConvertor& operator=(const CStringConvertor&) = delete;

    // Throws CBadEncoding when the pair cannot be converted.
    void open(const std::string& target, const std::string& source);
    std::string convert(const char* input, size_t length);
    std::string convert(const std::string& input) { return convert(input.data(), input.size()); }
    void close();

private:
    void* m_cd = reinterpret_cast<void*>(-1);
};

std::string utf8ToGbk(const std::string& text);
std::string toGbk(const std::string& text, const std::string& sourceSet);

// Single-byte ASCII letters lower-cased; both bytes of a GBK double-byte
// character are kept as they are, even when the second one is a letter.
std::string LowerAsciiLetters(const std::string& gbk);

} // namespace cs::utility
