// Child look-ups of the dictionary trie for every character code: a character
// with hundreds of next characters, and ones with a few, one or none; the
// same from the image file that a later start maps; images that are not the
// list's.
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "analyze/Dictionary.h"
#include "support/TestSupport.h"

using cs::analyze::CDictionary;

namespace {

std::string Character(uint32_t code)
{
    return code < 0x100 ? std::string(1, static_cast<char>(code))
                        : std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// Every code of a look-up: ASCII bytes and all double-byte codes.
template <class Visit>
void ForEachCode(Visit visit)
{
    for (uint32_t code = 1; code < 0x80; ++code)
        visit(code);
    for (uint32_t code = 0x8140; code <= 0xFEFE; ++code)
        visit(code);
}

} // namespace

TEST(Dictionary, EveryChildIsFoundAndNothingElse)
{
    const uint32_t wide = 0xD6D0, few = 0xB9FA, one = 0xC8CB, leaf = 0xC3F1;
    std::map<uint32_t, std::map<uint32_t, int32_t>> children;   // first code -> second code -> id
    std::string text;
    int32_t line = 0;
    auto add = [&](uint32_t first, uint32_t second) {
        text += Character(first) + Character(second) + "\n";
        children[first][second] = line++;
    };
    // Hundreds of children, with gaps, at both ends of the code range.
    for (uint32_t lead = 0x81; lead <= 0xFE; lead += 3)
        for (uint32_t trail = 0x40; trail <= 0xFE; trail += 29)
            add(wide, lead << 8 | trail);
    add(few, 0xD6D0);
    add(few, 0x8140);
    add(few, 0xFEFE);
    add(one, 'a');
    const int32_t leafId = line++;
    text += Character(leaf) + "\n";
    add('a', 'b');
    add('a', 'z');
    ASSERT_GT(children[wide].size(), 250u);

    std::string path = cs::test::MakeTempDir("dictionary") + "/words.txt";
    cs::test::WriteFile(path, text);
    for (bool mapped : {false, true}) {   // built from the list, then from its image
        CDictionary dictionary;
        ASSERT_TRUE(dictionary.load(path));
        EXPECT_EQ(dictionary.mapped(), mapped);
        EXPECT_EQ(dictionary.lineCount(), line);

        for (uint32_t first : {wide, few, one, leaf, uint32_t('a'), uint32_t('b')}) {
            const auto& expected = children[first];
            int32_t node = CDictionary::root(first);
            ForEachCode([&](uint32_t code) {
                int32_t child = dictionary.child(node, code);
                auto it = expected.find(code);
                if (it == expected.end()) {
                    EXPECT_EQ(child, CDictionary::NO_NODE) << std::hex << first << " " << code;
                } else {
                    ASSERT_NE(child, CDictionary::NO_NODE) << std::hex << first << " " << code;
                    EXPECT_EQ(dictionary.id(child), it->second);
                    EXPECT_EQ(dictionary.child(child, 'a'), CDictionary::NO_NODE);
                }
            });
        }
        EXPECT_EQ(dictionary.id(CDictionary::root(leaf)), leafId);
        EXPECT_EQ(dictionary.id(CDictionary::root(wide)), -1);
    }
}

TEST(Dictionary, LetterRunsAreLookedUpWholeInAnyCase)
{
    // Letter words among others, with prefixes of each other, in mixed case,
    // one listed twice, and enough of them that look-ups must probe past
    // taken slots.
    std::string text = "Linux\nab\nabc\n" + Character(0xD6D0) + "abc\nc++\nabcdefgh\nLINUX\n\nzz\n";
    std::map<std::string, int32_t> expected = {{"ab", 1}, {"abc", 2}, {"abcdefgh", 5}, {"linux", 6}, {"zz", 8}};
    int32_t line = 9;
    for (int i = 0; i < 5000; ++i, ++line) {
        std::string word = "w";
        for (int n = i; n > 0; n /= 26)
            word += static_cast<char>((i % 2 ? 'A' : 'a') + n % 26);
        text += word + "\n";
        for (char& c : word)
            c = static_cast<char>(c | 0x20);
        expected[word] = line;
    }
    std::string path = cs::test::MakeTempDir("dictionary") + "/words.txt";
    cs::test::WriteFile(path, text);
    for (bool mapped : {false, true}) {   // built from the list, then from its image
        CDictionary dictionary;
        ASSERT_TRUE(dictionary.load(path));
        EXPECT_EQ(dictionary.mapped(), mapped);

        auto lookUp = [&](const std::string& run) {
            const auto* begin = reinterpret_cast<const unsigned char*>(run.data());
            return dictionary.letterWord(begin, begin + run.size());
        };
        for (const auto& [word, id] : expected) {
            std::string upper = word;
            for (char& c : upper)
                c = static_cast<char>(c & ~0x20);
            EXPECT_EQ(lookUp(word), id) << word;
            EXPECT_EQ(lookUp(upper), id) << upper;
            EXPECT_EQ(lookUp(word + "s"), expected.count(word + "s") ? expected[word + "s"] : -1) << word;
            EXPECT_EQ(lookUp(word.substr(0, word.size() - 1)),
                      expected.count(word.substr(0, word.size() - 1)) ? expected[word.substr(0, word.size() - 1)] : -1)
                << word;
        }
        // "c++" and the GBK word are no letter words, and their letters are none either.
        EXPECT_EQ(lookUp("c"), -1);
        EXPECT_EQ(lookUp("abcd"), -1);
        EXPECT_EQ(lookUp("a"), -1);
    }

    // An empty dictionary has no letter words.
    cs::test::WriteFile(path, "\n");
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.load(path));
    const auto* linux = reinterpret_cast<const unsigned char*>("linux");
    EXPECT_EQ(dictionary.letterWord(linux, linux + 5), -1);
}

TEST(Dictionary, AnImageThatIsNotTheListsIsBuiltAgain)
{
    namespace fs = std::filesystem;
    const std::string dir = cs::test::MakeTempDir("dictionary");
    const std::string path = dir + "/words.txt", image = path + ".image";
    auto flipByte = [&](double where) {
        std::string bytes = cs::test::ReadFile(image);
        bytes[static_cast<size_t>(where * static_cast<double>(bytes.size() - 1))] ^= 0x20;
        cs::test::WriteFile(image, bytes);
    };
    struct Case {
        const char* change;
        std::function<void()> apply;
        const char* word;   // the letter word of line 1 afterwards
    } cases[] = {
        {"none", [] {}, "alpha"},
        {"a word of the list, its size and time kept",
         [&] {
             const auto time = fs::last_write_time(path);
             cs::test::WriteFile(path, "zero\nomega\n");
             fs::last_write_time(path, time);
         },
         "omega"},
        {"the image cut short", [&] { fs::resize_file(image, fs::file_size(image) / 2); }, "omega"},
        {"a byte of the header", [&] { flipByte(0.0); }, "omega"},
        {"a byte of the tables", [&] { flipByte(0.7); }, "omega"},
        {"the image a directory",
         [&] {
             fs::remove(image);
             fs::create_directory(image);
         },
         "omega"},
    };
    cs::test::WriteFile(path, "zero\nalpha\n");
    CDictionary().load(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        c.apply();
        cs::test::CLogCapture log;
        CDictionary dictionary;
        ASSERT_TRUE(dictionary.load(path));
        EXPECT_EQ(dictionary.mapped(), std::string(c.change) == "none");
        const auto* word = reinterpret_cast<const unsigned char*>(c.word);
        EXPECT_EQ(dictionary.letterWord(word, word + 5), 1);
        // The image is written again for the next start, or the log says why not.
        EXPECT_EQ(fs::is_directory(image), log.logged("INFO", "dictionary image " + image + " not written"));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 2);   // no temporary file
    }
}
