// The Xapian peer: every corpus file becomes one document whose text is
// indexed with positions, Chinese as CJK n-grams; nothing is stored.
// usage: peer_xapian CORPUS_DIR INDEX_DIR
#include "PeerCorpus.h"

#include <xapian.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR INDEX_DIR\n", argv[0]);
        return 2;
    }
    try {
        Xapian::WritableDatabase db(argv[2], Xapian::DB_CREATE_OR_OVERWRITE);
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
