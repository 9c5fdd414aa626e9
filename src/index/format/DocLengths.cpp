#include "index/format/DocLengths.h"

#include <algorithm>
#include <cstring>

#include "store/IndexInput.h"
#include "store/IndexOutput.h"
#include "utility/Error.h"

namespace cs::index::format {

std::vector<int32_t> CDocLengths::coveredFields(const FieldFactoryMap& factories)
{
    std::vector<int32_t> ids;
    for (const auto& [fid, pFactory] : factories) {
        if (pFactory && std::strcmp(pFactory->getName(), "text") == 0)
            ids.push_back(fid);
    }
    return ids;   // the map is ordered by id
}

void CDocLengths::reset(const std::vector<int32_t>& ids)
{
    fieldIds = ids;
    lengths.assign(ids.size(), {});
}

const std::vector<int32_t>* CDocLengths::field(int32_t fieldId) const
{
    auto found = std::lower_bound(fieldIds.begin(), fieldIds.end(), fieldId);
    if (found == fieldIds.end() || *found != fieldId)
        return nullptr;
    return &lengths[static_cast<size_t>(found - fieldIds.begin())];
}

void CDocLengths::write(store::CIndexOutput& output) const
{
    output.writeInt(documentCount());
    output.writeInt(static_cast<int32_t>(fieldIds.size()));
    for (int32_t id : fieldIds)
        output.writeInt(id);
    for (const std::vector<int32_t>& column : lengths) {
        for (int32_t length : column)
            output.writeInt(length);
    }
}

void CDocLengths::read(store::CIndexInput& input, const std::string& path)
{
    auto damaged = [&](const char* what, int64_t offset) {
        CS_THROW("index file %s is damaged: %s at offset %lld", path.c_str(), what, static_cast<long long>(offset));
    };
    if (input.length() < 8)
        damaged("no header", 0);
    int32_t documents = input.readInt();
    int32_t fields = input.readInt();
    if (documents < 0 || fields < 0 || fields > MAX_FIELDS)
        damaged("impossible counts", 0);
    int64_t expected = 8 + 4 * static_cast<int64_t>(fields) * (1 + static_cast<int64_t>(documents));
    if (input.length() != expected)
        damaged("a length other than the counts give", input.length());
    std::vector<int32_t> ids(static_cast<size_t>(fields));
    for (int32_t& id : ids) {
        id = input.readInt();
        if (id < 0 || (&id != ids.data() && id <= (&id)[-1]))
            damaged("field ids that do not rise", input.position() - 4);
    }
    reset(ids);
    for (std::vector<int32_t>& column : lengths) {
        column.resize(static_cast<size_t>(documents));
        for (int32_t& length : column)
            length = input.readInt();
    }
}

} // namespace cs::index::format
