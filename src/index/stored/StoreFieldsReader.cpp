#include "index/stored/StoreFieldsReader.h"

#include <zlib.h>

#include "content/ModeItem.h"
#include "index/fields/FieldInfoList.h"
#include "index/format/BarrelFiles.h"
#include "store/Directory.h"
#include "store/IndexInput.h"
#include "utility/Error.h"

namespace cs::index {

using content::CModeItem;

namespace {
const int32_t kEntryBytes = 8;
const int32_t kStoreKindMask = CModeItem::STORE_NO | CModeItem::STORE_COMPRESS | CModeItem::STORE_UNCOMPRESS;
} // namespace

CStoreFieldsReader::CStoreFieldsReader(store::CDirectory* pDirectory, const std::string& barrelName,
                                       const CFieldInfoList* pFieldsInfo)
    : m_barrelPath(pDirectory->getFullPath(barrelName)), m_pFieldsInfo(pFieldsInfo)
{
    CS_ASSERT_ARG(pFieldsInfo != nullptr);
    m_pIndexInput.reset(pDirectory->openInput(barrelName + format::SFI));
    m_pDataInput.reset(pDirectory->openInput(barrelName + format::SFD));
}

CStoreFieldsReader::~CStoreFieldsReader() = default;

std::string CStoreFieldsReader::dataFileName() const { return m_barrelPath + format::SFD; }
std::string CStoreFieldsReader::indexFileName() const { return m_barrelPath + format::SFI; }

void CStoreFieldsReader::damaged(const std::string& file, const char* what, int64_t offset) const
{
    CS_THROW("index file %s is damaged: %s at offset %lld", file.c_str(), what, static_cast<long long>(offset));
}

int32_t CStoreFieldsReader::documentCount() const
{
    return static_cast<int32_t>(m_pIndexInput->length() / kEntryBytes);
}

int64_t CStoreFieldsReader::recordOffset(int32_t docid)
{
    CS_ASSERT_ARG(docid >= 0 && docid < documentCount());
    int64_t entry = static_cast<int64_t>(docid) * kEntryBytes;
    m_pIndexInput->seek(entry);
    int64_t offset = m_pIndexInput->readLong();
    if (offset == -1)
        return -1;
    if (offset < 0 || offset >= m_pDataInput->length())
        damaged(indexFileName(), "record offset outside the data file", entry);
    return offset;
}

bool CStoreFieldsReader::document(int32_t docid, std::vector<CStoredField>& fields)
{
    fields.clear();
    int64_t offset = recordOffset(docid);
    if (offset < 0)
        return false;
    m_pDataInput->seek(offset);
    try {
        int32_t count = m_pDataInput->readVInt();
        if (count < 0 || count > m_pFieldsInfo->getFieldCount())
            damaged(dataFileName(), "field count out of range", offset);
        fields.resize(static_cast<size_t>(count));
        for (CStoredField& field : fields)
            readField(field);
    } catch (const std::runtime_error& e) {
        // "The file is ended!" says nothing about where.
        if (std::string(e.what()).find("The file is ended!") == std::string::npos)
            throw;
        damaged(dataFileName(), "record runs past the end of the file", offset);
    }
    return true;
}

void CStoreFieldsReader::readField(CStoredField& field)
{
    int64_t start = m_pDataInput->position();
    field.fieldId = m_pDataInput->readVInt();
    if (field.fieldId < 0 || field.fieldId >= m_pFieldsInfo->getFieldCount())
        damaged(dataFileName(), "field id out of range", start);
    int32_t storeKind = m_pFieldsInfo->getField(field.fieldId)->getFlags() & kStoreKindMask;
    if (storeKind == CModeItem::STORE_NO)
        damaged(dataFileName(), "record holds a field that is not stored", start);
    int64_t length = static_cast<uint32_t>(m_pDataInput->readVInt());
    field.empty = length == 0;
    field.compressed = false;
    field.text.clear();
    if (field.empty)
        return;
    int64_t packed = 0;
    if (storeKind == CModeItem::STORE_COMPRESS)
        packed = static_cast<uint32_t>(m_pDataInput->readVInt());
    // zlib cannot inflate to more than about 1032 times its input.
    if (packed > 0 && length / 1032 > packed + 1)
        damaged(dataFileName(), "compressed field text claims an impossible length", start);
    int64_t onDisk = packed > 0 ? packed : length;
    if (onDisk > m_pDataInput->length() - m_pDataInput->position())
        damaged(dataFileName(), "field text runs past the end of the file", start);
    std::string text(static_cast<size_t>(length), '\0');
    if (packed > 0) {
        m_packed.resize(static_cast<size_t>(packed));
        m_pDataInput->readBytes(m_packed.data(), packed);
        uLongf unpacked = static_cast<uLongf>(length);
        if (uncompress(reinterpret_cast<Bytef*>(text.data()), &unpacked, m_packed.data(),
                       static_cast<uLong>(packed)) != Z_OK ||
            unpacked != static_cast<uLongf>(length))
            damaged(dataFileName(), "compressed field text does not inflate to its length", start);
        field.compressed = true;
    } else {
        m_pDataInput->readBytes(text.data(), length);
    }
    if (text.back() != '\0')
        damaged(dataFileName(), "field text without its terminating zero byte", start);
    text.pop_back();
    field.text = std::move(text);
}

int64_t CStoreFieldsReader::recordEnd() const { return m_pDataInput->position(); }

} // namespace cs::index
