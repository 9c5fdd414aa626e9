// The floor of the benchmark: reads every corpus file and splits it into
// tokens by character class (double-byte characters, ASCII letter runs,
// digit runs) without a dictionary, conversion or index. Nothing indexes
// faster than this.
// usage: floor_tokenize CORPUS_DIR
#include "PeerCorpus.h"

#include <cstdio>

namespace {

enum Class { OTHER, DOUBLE, LETTER, DIGIT };

uint64_t CountTokens(const std::string& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    uint64_t tokens = 0;
    Class previous = OTHER;
    while (p < end) {
        unsigned char c = *p;
        Class cls;
        if (c & 0x80) {
            cls = DOUBLE;
            ++tokens;          // each double-byte character counts
            p += end - p >= 2 ? 2 : 1;
        } else {
            cls = (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? LETTER : c >= '0' && c <= '9' ? DIGIT : OTHER;
            if (cls != previous && cls != OTHER)
                ++tokens;
            ++p;
        }
        previous = cls;
    }
    return tokens;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    std::string data;
    uint64_t documents = 0, bytes = 0, tokens = 0;
    peers::WalkFiles(argv[1], [&](const std::string& path) {
        if (!peers::ReadWholeFile(path, data))
            return;
        ++documents;
        bytes += data.size();
        tokens += CountTokens(data);
    });
    std::printf("documents %llu bytes %llu tokens %llu\n", static_cast<unsigned long long>(documents),
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(tokens));
    return 0;
}
