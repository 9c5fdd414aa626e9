#include "support/BarrelBuilder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include <zlib.h>

namespace cs::test {

namespace {

void Save(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

struct TermDocs {
    std::vector<uint32_t> docs;
    std::vector<std::vector<uint32_t>> positions;   // per document
};

// term -> its documents, in the order a field indexer sees them.
std::map<int32_t, TermDocs> Invert(int fieldId, const FixtureField& field, const std::vector<FixtureDoc>& docs)
{
    std::map<int32_t, TermDocs> terms;
    for (uint32_t d = 0; d < docs.size(); ++d) {
        auto found = docs[d].tokens.find(fieldId);
        if (found == docs[d].tokens.end())
            continue;
        uint32_t kept = 0;
        for (int32_t value : found->second) {
            if (value == -1)
                continue;
            TermDocs& term = terms[value];
            if (term.docs.empty() || term.docs.back() != d) {
                term.docs.push_back(d);
                term.positions.emplace_back();
            }
            if (field.positions())
                term.positions.back().push_back(kept);
            ++kept;
        }
    }
    return terms;
}

std::string StoredRecord(const std::vector<FixtureField>& fields, const FixtureDoc& doc)
{
    CByteWriter record;
    uint32_t count = 0;
    for (const auto& [id, text] : doc.stored)
        count += fields[id].storeKind != 16;
    record.vint(count);
    for (const auto& [id, text] : doc.stored) {
        if (fields[id].storeKind == 16)
            continue;
        record.vint(id);
        std::string raw = text + '\0';
        record.vint(raw.size());
        if (fields[id].storeKind == 32) {
            std::string packed(raw.size() + 10, '\0');
            uLongf packedSize = raw.size();
            if (compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                         raw.size()) == Z_OK) {
                record.vint(packedSize);
                record.bytes(packed.substr(0, packedSize));
                continue;
            }
            record.vint(0);
        }
        record.bytes(raw);
    }
    return record.data();
}

std::string ModeItemXml(const FixtureField& field)
{
    auto store = [](int kind) { return kind == 16 ? "no" : kind == 32 ? "compress" : "uncompress"; };
    auto index = [](int kind) { return kind == 2 ? "analyze" : kind == 4 ? "unanalyze" : "no"; };
    std::string xml = "<mode_item><name>" + field.name + "</name><store>" + store(field.storeKind) +
                      "</store><index>" + index(field.indexKind) + "</index>";
    if (field.indexed()) {
        xml += "<components><component name=\"analyzer\">general.analyzer</component>"
               "<component name=\"analyzer_parameter\"></component><component name=\"indexer\">" +
               field.indexer + "</component></components><index_way>" + std::to_string(field.indexWay) +
               "</index_way><boost>1.00</boost>";
    }
    return xml + "</mode_item>";
}

} // namespace

void CByteWriter::vlong(uint64_t value)
{
    while (value > 0x7F) {
        m_data += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    m_data += static_cast<char>(value);
}

void CByteWriter::int32(uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        m_data += static_cast<char>((value >> shift) & 0xFF);
}

void CByteWriter::int64(uint64_t value)
{
    int32(static_cast<uint32_t>(value >> 32));
    int32(static_cast<uint32_t>(value));
}

void CByteWriter::string(const std::string& text)
{
    vint(text.size());
    m_data += text;
}

void WriteBarrel(const std::string& dir, const std::string& name, const std::vector<FixtureField>& fields,
                 const std::vector<FixtureDoc>& docs)
{
    CByteWriter tid, did, pid, fdi;
    fdi.int32(fields.size());
    for (size_t id = 0; id < fields.size(); ++id) {
        const FixtureField& field = fields[id];
        fdi.string(field.name);
        fdi.int32(static_cast<uint32_t>(field.storeKind | field.indexKind));
        if (!field.indexed())
            continue;
        uint64_t tidStart = tid.size(), didStart = did.size(), pidStart = pid.size();
        uint64_t totalTerms = 0;
        for (const FixtureDoc& doc : docs) {
            auto found = doc.tokens.find(static_cast<int>(id));
            if (found != doc.tokens.end())
                totalTerms += found->second.size();
        }
        std::map<int32_t, TermDocs> terms = Invert(static_cast<int>(id), field, docs);
        uint32_t previousTerm = 0;
        uint64_t previousOffset = 0;
        for (const auto& [term, postings] : terms) {
            CByteWriter list, places;
            uint32_t previousDoc = 0;
            uint64_t totalFreq = 0;
            for (size_t k = 0; k < postings.docs.size(); ++k) {
                list.vint(postings.docs[k] - previousDoc);
                previousDoc = postings.docs[k];
                if (!field.positions())
                    continue;
                const std::vector<uint32_t>& at = postings.positions[k];
                list.vint(at.size());
                totalFreq += at.size();
                for (size_t p = 0; p < at.size(); ++p)
                    places.vint(p == 0 ? at[p] : at[p] - at[p - 1]);
            }
            uint64_t positionsOffset = 0;
            if (field.positions()) {
                pid.bytes(places.data());
                positionsOffset = pid.size();
                pid.vlong(places.size());
            } else {
                totalFreq = postings.docs.size();
            }
            did.bytes(list.data());
            uint64_t trailer = did.size();
            did.vlong(list.size());
            did.vint(postings.docs.size());
            did.vlong(totalFreq);
            did.vlong(positionsOffset);
            did.vint(1);
            did.vlong(list.size());
            did.vint(postings.docs.back());

            tid.vint(static_cast<uint32_t>(term) - previousTerm);
            tid.vint(postings.docs.size());
            tid.vlong(trailer - previousOffset);
            previousTerm = static_cast<uint32_t>(term);
            previousOffset = trailer;
        }
        uint64_t tidTrailer = tid.size();
        tid.vlong(tidTrailer - tidStart);
        tid.vint(terms.size());

        fdi.int64(totalTerms);
        fdi.int64(terms.size());
        fdi.int64(tidTrailer);
        fdi.int64(tid.size() - tidStart);
        fdi.int64(did.size() - didStart);
        fdi.int64(pid.size() - pidStart);
        fdi.int32(field.indexWay);
        fdi.string("1.00");
    }

    CByteWriter sfi, sfd;
    std::vector<bool> deleted;
    for (const FixtureDoc& doc : docs) {
        sfi.int64(sfd.size());
        sfd.bytes(StoredRecord(fields, doc));
        deleted.push_back(doc.deleted);
    }

    std::string base = dir + "/" + name;
    Save(base + ".tid", tid.data());
    Save(base + ".did", did.data());
    Save(base + ".pid", pid.data());
    Save(base + ".fdi", fdi.data());
    Save(base + ".sfi", sfi.data());
    Save(base + ".sfd", sfd.data());
    if (std::find(deleted.begin(), deleted.end(), true) != deleted.end())
        Save(base + ".del", DeletedFile(deleted));
}

std::string DeletedFile(const std::vector<bool>& deleted)
{
    uint32_t count = static_cast<uint32_t>(deleted.size());
    uint32_t marked = static_cast<uint32_t>(std::count(deleted.begin(), deleted.end(), true));
    std::string data;
    for (uint32_t value : {count, marked}) {
        for (int shift = 0; shift < 32; shift += 8)
            data += static_cast<char>((value >> shift) & 0xFF);
    }
    std::string bitmap(count / 8 + 1, '\0');
    for (uint32_t d = 0; d < count; ++d) {
        if (deleted[d])
            bitmap[d / 8] = static_cast<char>(bitmap[d / 8] | (1 << (d % 8)));
    }
    return data + bitmap;
}

void WriteIndexStatus(const std::string& dir, const std::vector<BarrelListEntry>& barrels,
                      const std::vector<FixtureField>& fields)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<database><version>cs.1.0.0</version><barrel_counter>" +
                      std::to_string(barrels.size()) + "</barrel_counter><barrel_count>" +
                      std::to_string(barrels.size()) + "</barrel_count><barrels>";
    int64_t start = 0;
    for (const BarrelListEntry& barrel : barrels) {
        xml += "<barrel><name>" + barrel.name + "</name><doc_start>" + std::to_string(start) +
               "</doc_start><doc_count>" + std::to_string(barrel.docCount) + "</doc_count><deleted_count>" +
               std::to_string(barrel.deletedCount) + "</deleted_count></barrel>";
        start += barrel.docCount;
    }
    xml += "</barrels><content_mode>";
    for (const FixtureField& field : fields)
        xml += ModeItemXml(field);
    xml += "</content_mode></database>\n";
    Save(dir + "/index_status.xml", xml);
}

} // namespace cs::test
