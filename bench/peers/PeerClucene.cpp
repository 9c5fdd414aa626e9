// The CLucene peer: every corpus file becomes a new document with one field
// whose text is indexed (tokenized, with positions, not stored) by the
// contributed CJK tokenizer: Chinese as overlapping bigrams, other text as
// lower-cased words.
// usage: peer_clucene CORPUS_DIR INDEX_DIR [ram=MB] [docs=N] [merge=N] [lower=1] [compound=1]
//   ram, docs  flush the buffered documents at this much RAM or this many
//              documents (CLucene's default: 16 MB, no document count)
//   merge      the merge factor (CLucene's default: 10)
//   lower      a lower-case filter after the tokenizer (which lower-cases
//              ASCII itself)
//   compound   compound segment files
#include "PeerCorpus.h"
#include "PeerOptions.h"

#include <CLucene.h>
#include <CLucene/analysis/cjk/CJKAnalyzer.h>

#include <climits>
#include <cstdio>
#include <cwctype>

using namespace lucene::analysis;

namespace {

class CBigramAnalyzer : public Analyzer {
public:
    explicit CBigramAnalyzer(bool lower) : m_lower(lower) {}

    TokenStream* tokenStream(const TCHAR*, lucene::util::Reader* reader) override
    {
        TokenStream* tokens = _CLNEW cjk::CJKTokenizer(reader);
        return m_lower ? _CLNEW LowerCaseFilter(tokens, true) : tokens;
    }

private:
    bool m_lower;
};

// The CJK tokenizer copies an ASCII word into a buffer of LUCENE_MAX_WORD_LEN
// characters without checking its length (a longer word crashes it), so
// words are cut at that length here.
void CutLongWords(std::wstring& text)
{
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        bool word = c < 0x80 && (std::iswalnum(c) || c == L'_' || c == L'+' || c == L'#');
        run = word ? run + 1 : 0;
        if (run == LUCENE_MAX_WORD_LEN - 1) {
            text.insert(i + 1, 1, L' ');
            run = 0;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR INDEX_DIR [ram=MB] [docs=N] [merge=N] [lower=1] [compound=1]\n", argv[0]);
        return 2;
    }
    peers::COptions options(argc, argv, 3, "ram docs merge lower compound");
    try {
        CBigramAnalyzer analyzer(options.number("lower", 0) != 0);
        lucene::index::IndexWriter writer(argv[2], &analyzer, true);
        writer.setMaxFieldLength(INT_MAX);   // the default cuts documents at 10,000 tokens
        writer.setUseCompoundFile(options.number("compound", 0) != 0);
        if (options.given("ram"))
            writer.setRAMBufferSizeMB(static_cast<float_t>(options.number("ram", 16)));
        if (options.given("docs"))
            writer.setMaxBufferedDocs(static_cast<int32_t>(options.number("docs", 0)));
        if (options.given("merge"))
            writer.setMergeFactor(static_cast<int32_t>(options.number("merge", 10)));
        peers::CDocumentReader reader;
        std::string text;
        std::wstring wide;
        unsigned long documents = 0;
        peers::WalkFiles(argv[1], [&](const std::string& path) {
            if (!reader.read(path, text))
                return;
            peers::Utf8ToWide(text, wide);
            CutLongWords(wide);
            lucene::document::Document document;
            // The field reads the text in place: it lives until addDocument returns.
            document.add(*_CLNEW lucene::document::Field(_T("contents"),
                _CLNEW lucene::util::StringReader(wide.c_str(), static_cast<int32_t>(wide.size()), false),
                lucene::document::Field::STORE_NO | lucene::document::Field::INDEX_TOKENIZED));
            writer.addDocument(&document);
            ++documents;
        });
        writer.close();
        std::printf("documents %lu bytes %llu\n", documents, static_cast<unsigned long long>(reader.bytesRead()));
    } catch (CLuceneError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
