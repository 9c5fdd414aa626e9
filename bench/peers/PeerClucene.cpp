// The CLucene peer: every corpus file becomes one document whose text is
// indexed (tokenized, with positions, not stored); Chinese is indexed as
// overlapping bigrams by the contributed CJK tokenizer, other text as
// lower-cased words.
// usage: peer_clucene CORPUS_DIR INDEX_DIR [RAM_BUFFER_MB]
#include "PeerCorpus.h"

#include <CLucene.h>
#include <CLucene/analysis/cjk/CJKAnalyzer.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwctype>

using namespace lucene::analysis;

namespace {

class CBigramAnalyzer : public Analyzer {
public:
    TokenStream* tokenStream(const TCHAR*, lucene::util::Reader* reader) override
    {
        return _CLNEW LowerCaseFilter(_CLNEW cjk::CJKTokenizer(reader), true);
    }
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
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR INDEX_DIR [RAM_BUFFER_MB]\n", argv[0]);
        return 2;
    }
    try {
        CBigramAnalyzer analyzer;
        lucene::index::IndexWriter writer(argv[2], &analyzer, true);
        writer.setMaxFieldLength(INT_MAX);   // the default cuts documents at 10,000 tokens
        writer.setUseCompoundFile(false);
        if (argc == 4)
            writer.setRAMBufferSizeMB(std::atof(argv[3]));
        peers::CDocumentReader reader;
        std::string text;
        std::wstring wide;
        unsigned long documents = 0;
        lucene::document::Document document;
        peers::WalkFiles(argv[1], [&](const std::string& path) {
            if (!reader.read(path, text))
                return;
            peers::Utf8ToWide(text, wide);
            CutLongWords(wide);
            document.clear();
            document.add(*_CLNEW lucene::document::Field(_T("contents"), wide.c_str(),
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
