// The Lucene++ peer: every corpus file becomes a new document with one field
// whose text is indexed (tokenized, with positions, not stored) by the
// contributed CJK analyzer: Chinese as overlapping bigrams, other text as
// lower-cased words without English stop words.
// usage: peer_lucenepp CORPUS_DIR INDEX_DIR [ram=MB] [merge=N] [serial=1] [compound=1]
//   ram       flush the buffered documents at this much RAM (default 16 MB)
//   merge     the merge factor (default 10)
//   serial    merge in the indexing thread (the default merges in a
//             thread of its own, on the second core)
//   compound  compound segment files
#include "PeerCorpus.h"
#include "PeerOptions.h"

#include <lucene++/LuceneHeaders.h>
#include <lucene++/CJKAnalyzer.h>
#include <lucene++/SerialMergeScheduler.h>

#include <cstdio>

using namespace Lucene;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR INDEX_DIR [ram=MB] [merge=N] [serial=1] [compound=1]\n", argv[0]);
        return 2;
    }
    peers::COptions options(argc, argv, 3, "ram merge serial compound");
    try {
        IndexWriterPtr writer = newLucene<IndexWriter>(FSDirectory::open(StringUtils::toUnicode(argv[2])),
            newLucene<CJKAnalyzer>(LuceneVersion::LUCENE_CURRENT), true, IndexWriter::MaxFieldLengthUNLIMITED);
        writer->setUseCompoundFile(options.number("compound", 0) != 0);
        writer->setRAMBufferSizeMB(options.number("ram", IndexWriter::DEFAULT_RAM_BUFFER_SIZE_MB));
        writer->setMergeFactor(static_cast<int32_t>(options.number("merge", LogMergePolicy::DEFAULT_MERGE_FACTOR)));
        if (options.number("serial", 0) != 0)
            writer->setMergeScheduler(newLucene<SerialMergeScheduler>());
        peers::CDocumentReader reader;
        std::string text;
        std::wstring wide;
        unsigned long documents = 0;
        peers::WalkFiles(argv[1], [&](const std::string& path) {
            if (!reader.read(path, text))
                return;
            peers::Utf8ToWide(text, wide);
            DocumentPtr document = newLucene<Document>();
            document->add(newLucene<Field>(L"contents", wide, Field::STORE_NO, Field::INDEX_ANALYZED));
            writer->addDocument(document);
            ++documents;
        });
        writer->close();
        std::printf("documents %lu bytes %llu\n", documents, static_cast<unsigned long long>(reader.bytesRead()));
    } catch (LuceneException& e) {
        std::fprintf(stderr, "%ls\n", e.getError().c_str());
        return 1;
    }
    return 0;
}
