#include "index/stored/StoreFieldsWriter.h"

#include <cstring>

#include <libdeflate.h>

#include "content/Content.h"
#include "content/ModeItem.h"
#include "index/format/BarrelFiles.h"
#include "store/Directory.h"
#include "utility/Error.h"
#include "utility/Logger.h"

namespace cs::index {

using content::CField;
using content::CModeItem;

namespace {
// A compressed field is a zlib stream (what zlib's uncompress reads). It is
// made with libdeflate at its fastest level: several times the speed of
// zlib's compress, for output a percent or two larger (docs/performance.md).
constexpr int kCompressionLevel = 1;
} // namespace

CStoreFieldsWriter::~CStoreFieldsWriter() = default;

void CStoreFieldsWriter::open(store::CDirectory* pDirectory, const std::string& barrelName,
                              CFieldInfoList* fieldsInfo)
{
    close();
    CS_ASSERT_ARG_TEXT(pDirectory != nullptr, "pDirectory != NULL");
    CS_ASSERT_ARG_TEXT(fieldsInfo != nullptr, "fieldsInfo != NULL");
    CS_LOG_DEBUG("store field writer is opening store files");
    m_pIndexOutput.reset(pDirectory->createOutput(format::TmpName(barrelName + format::SFI)));
    m_pDataOutput.reset(pDirectory->createOutput(format::TmpName(barrelName + format::SFD)));
}

void CStoreFieldsWriter::addDocument(int32_t docid, const content::CContent* pContent)
{
    if (!pContent) {
        CS_LOG_WARN("content is NULL while adding content record to storefielsWriter");
        return;
    }
    CS_ASSERT_OP(m_pDataOutput && m_pIndexOutput);
    CS_ASSERT_ARG(docid >= 0);
    // Documents come in order, so the entry is almost always where the
    // table already ends; seeking would write out the buffer every time.
    int64_t entry = static_cast<int64_t>(docid) * 8;
    if (m_pIndexOutput->position() != entry)
        m_pIndexOutput->seek(entry);
    m_pIndexOutput->writeLong(m_pDataOutput->position());

    int32_t stored = 0;
    for (size_t i = 0; i < pContent->fieldCount(); ++i) {
        if (pContent->field(i).getStoreMode() != CModeItem::STORE_NO)
            ++stored;
    }
    m_pDataOutput->writeVInt(stored);
    for (size_t i = 0; i < pContent->fieldCount(); ++i) {
        const CField& field = pContent->field(i);
        if (field.getStoreMode() != CModeItem::STORE_NO)
            writeField(field);
    }
}

void CStoreFieldsWriter::writeField(const CField& field)
{
    m_pDataOutput->writeVInt(static_cast<int32_t>(field.getFieldID()));
    switch (field.getType()) {
    case CField::TEXT:
        writeText(field.getText(), field.getTextLength(), field.getStoreMode());
        break;
    case CField::EMPTY:
        m_pDataOutput->writeVInt(0);
        break;
    case CField::NUMBER: {
        // Kept as its decimal text: a record must say how long each value is.
        std::string text = std::to_string(field.getNumber());
        writeText(text.data(), text.size(), field.getStoreMode());
        break;
    }
    default:
        m_pDataOutput->writeVInt(0);
        CS_LOG_ERROR("find field not TEXT or NUMBER while write store field data");
        break;
    }
}

void CStoreFieldsWriter::writeText(const char* text, size_t length, int32_t storeKind)
{
    // The text is stored with a terminating zero byte.
    size_t total = length + 1;
    m_text.resize(total);
    if (length > 0)
        std::memcpy(m_text.data(), text, length);
    m_text[length] = 0;
    m_pDataOutput->writeVInt(static_cast<int32_t>(total));
    if (storeKind == CModeItem::STORE_COMPRESS) {
        if (!m_pCompressor) {
            m_pCompressor = {libdeflate_alloc_compressor(kCompressionLevel), libdeflate_free_compressor};
            if (!m_pCompressor)
                CS_THROW("failed to allocate the stored-field compressor");
        }
        // Compression that does not save anything is given up: the output may
        // take at most as many bytes as the text.
        m_packed.resize(total + 10);
        size_t packed = libdeflate_zlib_compress(m_pCompressor.get(), m_text.data(), total, m_packed.data(), total);
        if (packed != 0) {
            m_pDataOutput->writeVInt(static_cast<int32_t>(packed));
            m_pDataOutput->writeBytes(m_packed.data(), static_cast<int64_t>(packed));
            return;
        }
        m_pDataOutput->writeVInt(0);
    }
    m_pDataOutput->writeBytes(m_text.data(), static_cast<int64_t>(total));
}

void CStoreFieldsWriter::close()
{
    if (m_pIndexOutput) {
        m_pIndexOutput->close();
        m_pIndexOutput.reset();
    }
    if (m_pDataOutput) {
        m_pDataOutput->close();
        m_pDataOutput.reset();
    }
}

} // namespace cs::index
