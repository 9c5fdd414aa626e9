// A document being indexed: one field per content-mode item, in content-mode
// order, with where its raw bytes come from. Documents live in the writer's
// pool and are reused record after record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analyze/AnalyzerMap.h"
#include "content/ContentInput.h"
#include "content/DropReason.h"
#include "content/Field.h"
#include "content/FileType.h"

namespace cs::content {

class CContentMode;

class CContent {
public:
    // Processing states.
    static constexpr int32_t STATE_NEW = 0;
    static constexpr int32_t STATE_PARSED = 1;
    static constexpr int32_t STATE_ANALYZED = 2;

    explicit CContent(const CContentMode& mode);
    virtual ~CContent() = default;
    CContent(const CContent&) = delete;
    CContent& operator=(const CContent&) = delete;

    uint16_t getRecordKind() const { return m_recordKind; }
    void setRecordKind(uint16_t kind) { m_recordKind = kind; }
    int32_t getFileType() const { return m_fileType; }
    void setFileType(int32_t fileType) { m_fileType = fileType; }
    int32_t getEncoding() const { return m_encoding; }
    void setEncoding(int32_t encoding) { m_encoding = encoding; }
    int32_t getState() const { return m_state; }
    void setState(int32_t state) { m_state = state; }
    // Why the parser dropped the document; NONE until one did.
    DropReason getDropReason() const { return m_dropReason; }
    void setDropReason(DropReason reason) { m_dropReason = reason; }

    // Null until a file or a buffer was given.
    const CContentInput* getInput() const { return m_pInput.get(); }

    size_t fieldCount() const { return m_fieldList.size(); }
    CField& field(size_t index) { return *m_fieldList[index]; }
    const CField& field(size_t index) const { return *m_fieldList[index]; }
    // The field of that id, or null.
    const CField* findField(uint32_t id) const;

    // The field of that id must exist.
    void setFieldText(uint32_t id, const char* bytes, size_t length);
    void setFieldText(uint32_t id, const char* text);
    void setFieldNumber(uint32_t id, int64_t value);

    void setFileInput(const std::string& path, int32_t fieldId);
    void setBufferInput(int32_t fieldId, const char* bytes, size_t length);

    // Attaches a token list to every analysed field (empty unless it has text),
    // filled by the field's analyzer.
    void analyze(const analyze::AnalyzerMap& analyzers);

    // Forgets texts, token lists, the file path and the drop reason; buffer
    // slot 0 stays.
    void clear();

    // Bytes the texts, token lists and input hold, used or kept for reuse.
    size_t heldBytes() const;

private:
    CField& fieldOf(uint32_t id);
    CContentInput& input();

    uint16_t m_recordKind = 0;
    int32_t m_fileType = filetype::UNKNOWN;
    int32_t m_encoding = encoding::UNKNOWN;
    int32_t m_state = STATE_NEW;
    DropReason m_dropReason = DropReason::NONE;
    std::unique_ptr<CContentInput> m_pInput;
    std::vector<std::unique_ptr<CField>> m_fieldList;
};

} // namespace cs::content
