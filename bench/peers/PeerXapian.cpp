// The Xapian peer: every corpus file becomes one document whose text is
// indexed with positions, Chinese as CJK n-grams (unigrams and bigrams);
// nothing is stored.
// usage: peer_xapian CORPUS_DIR INDEX_DIR [flush=N] [nosync=1] [dangerous=1]
//   flush      documents buffered between flushes (XAPIAN_FLUSH_THRESHOLD,
//              default 10000)
//   nosync     no fsync of the database files (Xapian::DB_NO_SYNC)
//   dangerous  update the database in place (Xapian::DB_DANGEROUS)
#include "PeerCorpus.h"
#include "PeerOptions.h"

#include <xapian.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR INDEX_DIR [flush=N] [nosync=1] [dangerous=1]\n", argv[0]);
        return 2;
    }
    peers::COptions options(argc, argv, 3, "flush nosync dangerous");
    if (options.given("flush"))   // Xapian reads it when the database opens
        ::setenv("XAPIAN_FLUSH_THRESHOLD", std::to_string(static_cast<long>(options.number("flush", 0))).c_str(), 1);
    int flags = Xapian::DB_CREATE_OR_OVERWRITE;
    if (options.number("nosync", 0) != 0)
        flags |= Xapian::DB_NO_SYNC;
    if (options.number("dangerous", 0) != 0)
        flags |= Xapian::DB_DANGEROUS;
    try {
        Xapian::WritableDatabase db(argv[2], flags);
        Xapian::TermGenerator generator;
        generator.set_flags(Xapian::TermGenerator::FLAG_CJK_NGRAM);
        peers::CDocumentReader reader;
        std::string text;
        unsigned long documents = 0;
        peers::WalkFiles(argv[1], [&](const std::string& path) {
            if (!reader.read(path, text))
                return;
            Xapian::Document document;
            generator.set_document(document);
            generator.index_text(text);
            db.add_document(document);
            ++documents;
        });
        db.commit();
        std::printf("documents %lu bytes %llu\n", documents, static_cast<unsigned long long>(reader.bytesRead()));
    } catch (const Xapian::Error& e) {
        std::fprintf(stderr, "%s\n", e.get_description().c_str());
        return 1;
    }
    return 0;
}
