// Where the raw bytes of a document come from: a content file meant for one
// field, and/or a buffer (buffer slot 0) copied from the record itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cs::content {

class CContentInput {
public:
    struct CFileRef {
        int32_t fieldId = 0;   // the field the file's text is meant for
        std::string path;
    };

    // A copy of the bytes followed by one terminating zero byte.
    struct CBuffer {
        int32_t fieldId = 0;
        std::string bytes;

        const char* data() const { return bytes.c_str(); }
        size_t length() const { return bytes.size(); }
        size_t allocated() const { return bytes.size() + 1; }   // the bytes and the zero
    };

    virtual ~CContentInput() = default;

    // The file reference, or null when none was given.
    const CFileRef* getFileRef() const { return m_pFile.get(); }
    void setFile(const std::string& path, int32_t fieldId);
    void clearFilePath();

    // Only slot 0 is used: setting a buffer replaces it.
    size_t bufferCount() const { return m_buffers.size(); }
    const CBuffer& getBuffer(size_t slot) const { return m_buffers[slot]; }
    void setBuffer(int32_t fieldId, const char* bytes, size_t length);

    // Bytes the file path and the buffer hold, used or kept for reuse.
    size_t heldBytes() const;

private:
    std::unique_ptr<CFileRef> m_pFile;
    std::vector<CBuffer> m_buffers;
};

} // namespace cs::content
