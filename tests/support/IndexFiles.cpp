#include "support/IndexFiles.h"

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <utility>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zlib.h>

#include "support/IndexCheck.h"
#include "support/TestSupport.h"

namespace cs::test {

namespace {

std::runtime_error Broken(const std::string& what) { return std::runtime_error(what); }

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Broken("cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& dir, const std::string& name)
{
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

} // namespace

// ---- CByteReader ---------------------------------------------------------

uint8_t CByteReader::byte()
{
    if (m_pos >= m_data.size())
        throw Broken("read past the end at offset " + std::to_string(m_pos));
    return static_cast<uint8_t>(m_data[m_pos++]);
}

uint32_t CByteReader::vint()
{
    uint32_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        uint8_t b = byte();
        value |= static_cast<uint32_t>(b & 0x7F) << (shift % 32);
        if (!(b & 0x80))
            return value;
    }
}

uint64_t CByteReader::vlong()
{
    uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        uint8_t b = byte();
        if (shift < 64)
            value |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80))
            return value;
    }
}

int32_t CByteReader::int32()
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | byte();
    return static_cast<int32_t>(value);
}

int64_t CByteReader::int64()
{
    uint64_t high = static_cast<uint32_t>(int32());
    uint64_t low = static_cast<uint32_t>(int32());
    return static_cast<int64_t>(high << 32 | low);
}

std::string CByteReader::string()
{
    uint32_t length = vint();
    return bytes(length);
}

std::string CByteReader::bytes(uint64_t count)
{
    if (count > m_data.size() - std::min<uint64_t>(m_pos, m_data.size()))
        throw Broken("byte run past the end at offset " + std::to_string(m_pos));
    std::string result = m_data.substr(m_pos, count);
    m_pos += count;
    return result;
}

// ---- field information -----------------------------------------------------

std::vector<FieldInfoRecord> ReadFieldInfos(const std::string& path)
{
    std::string data = Slurp(path);
    CByteReader in(data);
    std::vector<FieldInfoRecord> fields;
    int32_t count = in.int32();
    for (int32_t i = 0; i < count; ++i) {
        FieldInfoRecord field;
        field.name = in.string();
        field.flags = in.int32();
        if (field.indexed()) {
            field.totalTerms = in.int64();
            field.distinctTerms = in.int64();
            field.trailer = in.int64();
            field.tidBytes = in.int64();
            field.didBytes = in.int64();
            field.pidBytes = in.int64();
            field.indexWay = in.int32();
            field.boost = in.string();
        }
        fields.push_back(field);
    }
    if (!in.atEnd())
        throw Broken(path + ": trailing bytes after the last field");
    return fields;
}

// ---- postings ------------------------------------------------------------

std::vector<TermPostings> ReadFieldPostings(const std::string& dir, const std::string& barrel,
                                            const FieldInfoRecord& field)
{
    std::vector<TermPostings> terms;
    if (!field.indexed() || field.trailer < 0)
        return terms;
    std::string tid = Slurp(Join(dir, barrel + ".tid"));
    std::string did = Slurp(Join(dir, barrel + ".did"));
    std::string pidPath = Join(dir, barrel + ".pid");
    std::string pid = Exists(pidPath) ? Slurp(pidPath) : std::string();

    CByteReader trailer(tid, static_cast<uint64_t>(field.trailer));
    uint64_t entryBytes = trailer.vlong();
    uint32_t count = trailer.vint();
    if (entryBytes > static_cast<uint64_t>(field.trailer))
        throw Broken(barrel + ".tid: field " + field.name + " trailer points before the file");
    CByteReader entries(tid, static_cast<uint64_t>(field.trailer) - entryBytes);
    uint32_t term = 0;
    uint64_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        TermPostings posting;
        term += entries.vint();
        posting.term = static_cast<int32_t>(term);
        posting.docFreq = entries.vint();
        offset += entries.vlong();
        if (offset == 0 || offset > did.size())
            throw Broken(barrel + ".did: field " + field.name + " term " + std::to_string(posting.term) +
                         " points outside the file");

        CByteReader head(did, offset);
        uint64_t docBytes = head.vlong();
        posting.trailerDocFreq = head.vint();
        posting.totalFreq = head.vlong();
        uint64_t pidOffset = head.vlong();
        uint32_t skips = head.vint();
        uint64_t skipEnd = head.vlong();
        posting.lastDoc = head.vint();
        if (skips != 1 || skipEnd != docBytes || docBytes > offset)
            throw Broken(barrel + ".did: bad trailer of term " + std::to_string(posting.term) + " at offset " +
                         std::to_string(offset));
        posting.withPositions = pidOffset != 0 && pidOffset != UINT64_MAX;

        CByteReader docs(did, offset - docBytes);
        CByteReader positions(pid);
        if (posting.withPositions) {
            if (pidOffset >= pid.size())
                throw Broken(barrel + ".pid: term " + std::to_string(posting.term) + " points outside the file");
            CByteReader pidTrailer(pid, pidOffset);
            uint64_t positionBytes = pidTrailer.vlong();
            if (positionBytes > pidOffset)
                throw Broken(barrel + ".pid: bad position length of term " + std::to_string(posting.term));
            positions.seek(pidOffset - positionBytes);
        }
        uint32_t doc = 0;
        while (docs.position() < offset) {
            doc += docs.vint();
            uint32_t freq = posting.withPositions ? docs.vint() : 1;
            posting.docs.push_back(doc);
            posting.freqs.push_back(freq);
            if (posting.withPositions) {
                std::vector<uint32_t> places;
                uint32_t place = 0;
                for (uint32_t k = 0; k < freq; ++k) {
                    uint32_t value = positions.vint();
                    place = k == 0 ? value : place + value;
                    places.push_back(place);
                }
                posting.positions.push_back(std::move(places));
            }
        }
        if (docs.position() != offset)
            throw Broken(barrel + ".did: document list of term " + std::to_string(posting.term) + " overruns");
        terms.push_back(std::move(posting));
    }
    return terms;
}

// ---- stored fields -------------------------------------------------------

std::vector<StoredDocument> ReadStoredFields(const std::string& dir, const std::string& barrel,
                                             const std::vector<FieldInfoRecord>& fields)
{
    std::string sfi = Slurp(Join(dir, barrel + ".sfi"));
    std::string sfd = Slurp(Join(dir, barrel + ".sfd"));
    if (sfi.size() % 8 != 0)
        throw Broken(barrel + ".sfi: size is not a multiple of 8");
    std::vector<StoredDocument> documents;
    CByteReader table(sfi);
    while (!table.atEnd()) {
        StoredDocument document;
        int64_t offset = table.int64();
        if (offset == -1) {
            document.deleted = true;
            documents.push_back(document);
            continue;
        }
        if (offset < 0 || static_cast<uint64_t>(offset) >= sfd.size())
            throw Broken(barrel + ".sfi: entry " + std::to_string(documents.size()) + " points outside .sfd");
        CByteReader record(sfd, static_cast<uint64_t>(offset));
        uint32_t count = record.vint();
        for (uint32_t i = 0; i < count; ++i) {
            StoredField field;
            field.fieldId = record.vint();
            if (field.fieldId >= fields.size())
                throw Broken(barrel + ".sfd: unknown field id " + std::to_string(field.fieldId));
            uint32_t length = record.vint();
            if (length == 0) {
                field.empty = true;
            } else if (fields[field.fieldId].storeKind() == 32) {
                uint32_t packed = record.vint();
                if (packed == 0) {
                    field.text = record.bytes(length);
                } else {
                    field.compressed = true;
                    std::string source = record.bytes(packed);
                    field.text.resize(length);
                    uLongf size = length;
                    if (uncompress(reinterpret_cast<Bytef*>(&field.text[0]), &size,
                                   reinterpret_cast<const Bytef*>(source.data()), packed) != Z_OK ||
                        size != length)
                        throw Broken(barrel + ".sfd: bad compressed field at offset " + std::to_string(offset));
                }
            } else {
                field.text = record.bytes(length);
            }
            if (!field.empty) {
                if (field.text.back() != '\0')
                    throw Broken(barrel + ".sfd: stored text without its terminating zero byte");
                field.text.pop_back();
            }
            document.fields.push_back(field);
        }
        documents.push_back(document);
    }
    return documents;
}

// ---- deleted documents ---------------------------------------------------

DeletedDocs ReadDeletedDocs(const std::string& path)
{
    std::string data = Slurp(path);
    if (data.size() < 8)
        throw Broken(path + ": shorter than its header");
    auto le32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(data[at])) |
               static_cast<uint32_t>(static_cast<uint8_t>(data[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(data[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24;
    };
    DeletedDocs docs;
    docs.docNum = le32(0);
    docs.delNum = le32(4);
    if (data.size() != 8 + docs.docNum / 8 + 1)
        throw Broken(path + ": size does not match its document count");
    for (uint32_t d = 0; d < docs.docNum; ++d)
        docs.deleted.push_back((static_cast<uint8_t>(data[8 + d / 8]) >> (d % 8)) & 1);
    return docs;
}

std::map<int32_t, std::vector<int32_t>> ReadDocLengths(const std::string& path)
{
    std::string data = Slurp(path);
    CByteReader in(data);
    int32_t docs = in.int32();
    int32_t fields = in.int32();
    if (docs < 0 || fields < 0 || fields > 4096)
        throw Broken(path + ": impossible counts");
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < fields; ++i)
        ids.push_back(in.int32());
    std::map<int32_t, std::vector<int32_t>> lengths;
    for (int32_t id : ids) {
        std::vector<int32_t>& column = lengths[id];
        for (int32_t d = 0; d < docs; ++d)
            column.push_back(in.int32());
    }
    if (!in.atEnd())
        throw Broken(path + ": bytes after the last length");
    return lengths;
}

// ---- barrel list ---------------------------------------------------------

namespace {

std::vector<xmlNodePtr> Elements(xmlNodePtr parent)
{
    std::vector<xmlNodePtr> list;
    for (xmlNodePtr node = parent ? parent->children : nullptr; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE)
            list.push_back(node);
    }
    return list;
}

std::string Text(xmlNodePtr node)
{
    xmlChar* text = xmlNodeGetContent(node);
    std::string result = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return result;
}

xmlNodePtr Child(xmlNodePtr parent, const char* name)
{
    for (xmlNodePtr node : Elements(parent)) {
        if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0)
            return node;
    }
    return nullptr;
}

int64_t Number(xmlNodePtr node, const std::string& what)
{
    if (!node)
        throw Broken("index_status.xml: missing " + what);
    std::string text = Text(node);
    size_t used = 0;
    int64_t value = std::stoll(text, &used);
    if (used != text.size())
        throw Broken("index_status.xml: bad number for " + what + ": " + text);
    return value;
}

} // namespace

IndexStatus ReadIndexStatus(const std::string& path)
{
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
        throw Broken(path + ": does not parse");
    IndexStatus status;
    try {
        xmlNodePtr root = xmlDocGetRootElement(doc);
        if (!root || xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("database")) != 0)
            throw Broken(path + ": root is not <database>");
        status.version = Text(Child(root, "version"));
        status.barrelCounter = Number(Child(root, "barrel_counter"), "barrel_counter");
        status.barrelCount = Number(Child(root, "barrel_count"), "barrel_count");
        for (xmlNodePtr barrel : Elements(Child(root, "barrels"))) {
            BarrelRecord record;
            record.name = Text(Child(barrel, "name"));
            record.docStart = Number(Child(barrel, "doc_start"), "doc_start");
            record.docCount = Number(Child(barrel, "doc_count"), "doc_count");
            record.deletedCount = Number(Child(barrel, "deleted_count"), "deleted_count");
            status.barrels.push_back(record);
        }
        for (xmlNodePtr item : Elements(Child(root, "content_mode"))) {
            std::vector<xmlNodePtr> parts = Elements(item);
            status.fieldNames.push_back(parts.empty() ? std::string() : Text(parts.front()));
        }
    } catch (...) {
        xmlFreeDoc(doc);
        throw;
    }
    xmlFreeDoc(doc);
    return status;
}

// ---- whole-index check ---------------------------------------------------

namespace {

std::string CheckBarrel(const std::string& dir, const BarrelRecord& barrel)
{
    const std::string& name = barrel.name;
    for (const char* extension : {".tid", ".did", ".fdi", ".sfi", ".sfd"}) {
        if (!Exists(Join(dir, name + extension)))
            return "barrel " + name + ": missing " + name + extension;
    }
    std::vector<FieldInfoRecord> fields = ReadFieldInfos(Join(dir, name + ".fdi"));
    int64_t tidBytes = 0, didBytes = 0, pidBytes = 0;
    for (const FieldInfoRecord& field : fields) {
        if (!field.indexed())
            continue;
        tidBytes += field.tidBytes;
        didBytes += field.didBytes;
        pidBytes += field.pidBytes;
        std::vector<TermPostings> terms = ReadFieldPostings(dir, name, field);
        if (static_cast<int64_t>(terms.size()) != field.distinctTerms)
            return "barrel " + name + ": field " + field.name + " lists " + std::to_string(field.distinctTerms) +
                   " terms, the dictionary holds " + std::to_string(terms.size());
        for (size_t t = 0; t < terms.size(); ++t) {
            const TermPostings& posting = terms[t];
            std::string where = "barrel " + name + ": field " + field.name + " term " + std::to_string(posting.term);
            if (t > 0 && terms[t - 1].term >= posting.term)
                return where + ": terms not ascending";
            if (posting.docs.empty() || posting.docs.size() != posting.docFreq ||
                posting.trailerDocFreq != posting.docFreq)
                return where + ": document frequency disagrees with its list";
            if (posting.docs.back() != posting.lastDoc)
                return where + ": last document disagrees with its list";
            for (size_t d = 0; d < posting.docs.size(); ++d) {
                if ((d > 0 && posting.docs[d] <= posting.docs[d - 1]) ||
                    static_cast<int64_t>(posting.docs[d]) >= barrel.docCount)
                    return where + ": document numbers not ascending or beyond the barrel";
                if (posting.withPositions) {
                    const std::vector<uint32_t>& places = posting.positions[d];
                    for (size_t k = 1; k < places.size(); ++k) {
                        if (places[k] <= places[k - 1])
                            return where + ": positions not ascending";
                    }
                }
            }
        }
    }
    auto size = [&](const std::string& extension) -> int64_t {
        struct stat st {};
        return ::stat(Join(dir, name + extension).c_str(), &st) == 0 ? st.st_size : 0;
    };
    if (size(".tid") != tidBytes || size(".did") != didBytes || size(".pid") != pidBytes)
        return "barrel " + name + ": .fdi byte counts disagree with the posting files";
    std::vector<StoredDocument> stored = ReadStoredFields(dir, name, fields);
    if (static_cast<int64_t>(stored.size()) != barrel.docCount)
        return "barrel " + name + ": .sfi holds " + std::to_string(stored.size()) + " entries for " +
               std::to_string(barrel.docCount) + " documents";
    std::string delPath = Join(dir, name + ".del");
    if (Exists(delPath)) {
        DeletedDocs deleted = ReadDeletedDocs(delPath);
        if (deleted.delNum != barrel.deletedCount)
            return "barrel " + name + ": .del counts " + std::to_string(deleted.delNum) +
                   " deletions, index_status.xml " + std::to_string(barrel.deletedCount);
    } else if (barrel.deletedCount != 0) {
        return "barrel " + name + ": deletions listed but no .del file";
    }
    if (Exists(Join(dir, name + ".len"))) {
        for (const auto& [fieldId, column] : ReadDocLengths(Join(dir, name + ".len"))) {
            if (static_cast<int64_t>(column.size()) != barrel.docCount)
                return "barrel " + name + ": .len covers " + std::to_string(column.size()) + " documents";
        }
    }
    return std::string();
}

// What identifies the barrel's files as they are now, with its record.
std::string BarrelIdentity(const std::string& dir, const BarrelRecord& barrel)
{
    std::string identity = std::to_string(barrel.docCount) + " " + std::to_string(barrel.deletedCount);
    for (const char* extension : {".tid", ".did", ".pid", ".fdi", ".sfi", ".sfd", ".del"}) {
        struct stat st {};
        if (::stat(Join(dir, barrel.name + extension).c_str(), &st) != 0)
            identity += " -";
        else
            identity += " " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
                        std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec);
    }
    return identity;
}

} // namespace

int64_t ListedDocuments(const std::string& dir)
{
    int64_t total = 0;
    if (!Exists(Join(dir, "index_status.xml")))
        return total;
    for (const BarrelRecord& barrel : ReadIndexStatus(Join(dir, "index_status.xml")).barrels)
        total += barrel.docCount;
    return total;
}

std::string CheckIndex(const std::string& dir, std::set<std::string>* pSound)
{
    std::string statusPath = Join(dir, "index_status.xml");
    if (!Exists(statusPath))
        return std::string();
    bool hasMode = false;
    try {
        IndexStatus status = ReadIndexStatus(statusPath);
        hasMode = !status.fieldNames.empty();
        if (status.version != "cs.1.0.0")
            return "index_status.xml: version " + status.version;
        if (status.barrelCount != static_cast<int64_t>(status.barrels.size()))
            return "index_status.xml: barrel_count disagrees with the barrels listed";
        int64_t start = 0;
        for (const BarrelRecord& barrel : status.barrels) {
            if (barrel.docStart != start)
                return "barrel " + barrel.name + ": document start " + std::to_string(barrel.docStart) +
                       ", expected " + std::to_string(start);
            start += barrel.docCount;
            std::string identity = pSound ? BarrelIdentity(dir, barrel) : std::string();
            if (pSound && pSound->count(identity) > 0)
                continue;
            std::string problem = CheckBarrel(dir, barrel);
            if (!problem.empty())
                return problem;
            if (pSound)
                pSound->insert(identity);
        }
    } catch (const std::exception& e) {
        return e.what();
    }
    // cscheck decodes by the content mode; the barrel lists that tests of the
    // barrel writer write by hand hold none (the indexer always writes one).
    if (!hasMode)
        return std::string();
    ProcessResult check = RunIndexCheck(dir);
    if (check.exitCode != 0 || !check.out.empty())
        return "cscheck exit code " + std::to_string(check.exitCode) + ": " + check.out + check.err;
    return std::string();
}

} // namespace cs::test
