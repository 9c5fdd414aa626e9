#include "utility/DocDeleted.h"

#include <algorithm>
#include <bitset>

#include "platform/Env.h"
#include "utility/Error.h"
#include "utility/Logger.h"
#include "utility/OsUtility.h"

namespace cs::utility {

namespace {

uint32_t BitmapBytes(uint32_t docNum) { return docNum / CDocDeleted::BYTE_LENGTH + 1; }

// Closes the descriptor however the save ends.
class CFileCloser {
public:
    explicit CFileCloser(int fd) : m_fd(fd) {}
    ~CFileCloser() { platform::Env().closeFile(m_fd); }
    CFileCloser(const CFileCloser&) = delete;
    CFileCloser& operator=(const CFileCloser&) = delete;

private:
    int m_fd;
};

uint32_t ReadUInt32(const std::string& bytes, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])); };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

bool WriteUInt32(int fd, uint32_t value)
{
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return platform::Env().writeAll(fd, bytes, sizeof(bytes));
}

uint32_t CountBits(const std::vector<uint8_t>& bitmap)
{
    uint32_t count = 0;
    for (uint8_t byte : bitmap)
        count += static_cast<uint32_t>(std::bitset<8>(byte).count());
    return count;
}

// Clears the bits at docNum and beyond.
void MaskTail(std::vector<uint8_t>& bitmap, uint32_t docNum)
{
    size_t last = docNum / CDocDeleted::BYTE_LENGTH;
    bitmap[last] &= static_cast<uint8_t>((1u << (docNum % CDocDeleted::BYTE_LENGTH)) - 1);
    std::fill(bitmap.begin() + static_cast<std::ptrdiff_t>(last) + 1, bitmap.end(), 0);
}

} // namespace

void CDocDeleted::DocState::resize(uint32_t count)
{
    docNum = count;
    bitmap.resize(BitmapBytes(count), 0);
}

bool CDocDeleted::load(const std::string& path)
{
    std::string bytes;
    bool opened = false;
    if (!platform::Env().readWholeFile(path, bytes, &opened)) {
        if (!opened) {
            CS_LOG_ERROR("CDocDeleted can't open file %s", path.c_str());
            return false;
        }
        CS_THROW("failed to read file: %s (%s)", path.c_str(), GetLastErrorText().c_str());
    }
    decode(bytes, path);
    return true;
}

void CDocDeleted::decode(const std::string& bytes, const std::string& path)
{
    // A damaged file is input, not a fault of the program: it is refused with
    // what is wrong with it.
    const int64_t fileLength = static_cast<int64_t>(bytes.size());
    if (fileLength < 8)
        CS_THROW("the deleted-documents file %s is damaged: %lld bytes, shorter than its 8-byte header", path.c_str(),
                 static_cast<long long>(fileLength));
    uint32_t docNum = ReadUInt32(bytes, 0);
    auto pState = std::make_unique<DocState>(0);
    pState->docDelNum = ReadUInt32(bytes, 4);
    // A damaged count must not make a huge allocation before the short file shows.
    int64_t needed = 8 + static_cast<int64_t>(BitmapBytes(docNum));
    if (fileLength < needed)
        CS_THROW("the deleted-documents file %s is damaged: %lld bytes, but its %u documents need %lld", path.c_str(),
                 static_cast<long long>(fileLength), docNum, static_cast<long long>(needed));
    pState->resize(docNum);
    std::copy(bytes.begin() + 8, bytes.begin() + needed, pState->bitmap.begin());
    MaskTail(pState->bitmap, docNum);
    uint32_t counted = CountBits(pState->bitmap);
    if (counted != pState->docDelNum) {
        CS_LOG_WARN("CDocDeleted: %s counts %u deleted documents but marks %u, the marks are taken", path.c_str(),
                    pState->docDelNum, counted);
        pState->docDelNum = counted;
    }
    m_pdocState = std::move(pState);
}

bool CDocDeleted::save(const std::string& path) const
{
    if (!m_pdocState || m_pdocState->bitmap.empty())
        return false;
    int fd = platform::Env().createTruncated(path);
    if (fd == -1) {
        CS_LOG_ERROR("CDocDeleted can't open file %s", path.c_str());
        return false;
    }
    CFileCloser closer(fd);
    // The checks below only name the step; the reason (a full disk, say) goes to the log.
    auto check = [&path](bool done) {
        if (!done)
            CS_LOG_ERROR("CDocDeleted can't write file %s (%s)", path.c_str(), GetLastErrorText().c_str());
        return done;
    };
    CS_ASSERT_ARG_TEXT(check(WriteUInt32(fd, m_pdocState->docNum)), "ret == sizeof(m_pdocState->docNum)");
    CS_ASSERT_ARG_TEXT(check(WriteUInt32(fd, m_pdocState->docDelNum)), "ret == sizeof(m_pdocState->docDelNum)");
    const std::vector<uint8_t>& bitmap = m_pdocState->bitmap;
    CS_ASSERT_ARG_TEXT(check(platform::Env().writeAll(fd, bitmap.data(), bitmap.size())),
                       "ret == m_pdocState->docNum/BYTE_LENGTH+1");
    CS_ASSERT_ARG_TEXT(check(platform::Env().commitFile(fd)), "ret != -1");
    return true;
}

bool CDocDeleted::isDeleted(int32_t docid) const
{
    CS_ASSERT(docid >= 0);
    if (!m_pdocState || static_cast<uint32_t>(docid) >= m_pdocState->docNum)
        return false;
    return (m_pdocState->bitmap[static_cast<uint32_t>(docid) / BYTE_LENGTH] >> (docid % BYTE_LENGTH)) & 1;
}

void CDocDeleted::setDeleted(int32_t docid, bool deleted)
{
    CS_ASSERT(docid >= 0);
    uint32_t doc = static_cast<uint32_t>(docid);
    if (!m_pdocState)
        m_pdocState = std::make_unique<DocState>(doc + 1);
    else if (doc >= m_pdocState->docNum)
        grow(doc - m_pdocState->docNum + 1);
    uint8_t& byte = m_pdocState->bitmap[doc / BYTE_LENGTH];
    uint8_t bit = static_cast<uint8_t>(1u << (doc % BYTE_LENGTH));
    if (deleted && !(byte & bit)) {
        byte |= bit;
        ++m_pdocState->docDelNum;
    } else if (!deleted && (byte & bit)) {
        byte &= static_cast<uint8_t>(~bit);
        --m_pdocState->docDelNum;
    }
}

void CDocDeleted::grow(uint32_t count)
{
    if (!m_pdocState) {
        m_pdocState = std::make_unique<DocState>(count);
        return;
    }
    CS_ASSERT_ARG(count <= UINT32_MAX - m_pdocState->docNum);
    m_pdocState->resize(m_pdocState->docNum + count);
}

void CDocDeleted::append(const CDocDeleted& other)
{
    if (!other.m_pdocState || other.m_pdocState->docNum == 0)
        return;
    if (!m_pdocState) {
        m_pdocState = std::make_unique<DocState>(*other.m_pdocState);
        return;
    }
    DocState source = *other.m_pdocState;   // `other` may be this very object
    uint32_t offset = m_pdocState->docNum;
    grow(source.docNum);
    std::vector<uint8_t>& target = m_pdocState->bitmap;
    size_t byteOffset = offset / BYTE_LENGTH;
    unsigned bitOffset = offset % BYTE_LENGTH;
    // Bits of the source beyond its docNum are 0, so whole bytes can be ORed in.
    for (size_t i = 0; i < source.bitmap.size(); ++i) {
        unsigned bits = static_cast<unsigned>(source.bitmap[i]) << bitOffset;
        target[byteOffset + i] |= static_cast<uint8_t>(bits);
        if ((bits >> 8) != 0)
            target[byteOffset + i + 1] |= static_cast<uint8_t>(bits >> 8);
    }
    m_pdocState->docDelNum += source.docDelNum;
}

void CDocDeleted::trimLeadingDeleted()
{
    if (!m_pdocState)
        return;
    DocState& state = *m_pdocState;
    uint32_t run = 0;
    while (run + BYTE_LENGTH <= state.docNum && state.bitmap[run / BYTE_LENGTH] == 0xFF)
        run += BYTE_LENGTH;
    while (run < state.docNum && (state.bitmap[run / BYTE_LENGTH] >> (run % BYTE_LENGTH) & 1))
        ++run;
    if (run == 0)
        return;
    uint32_t kept = state.docNum - run;
    std::vector<uint8_t> moved(BitmapBytes(kept), 0);
    size_t byteShift = run / BYTE_LENGTH;
    unsigned bitShift = run % BYTE_LENGTH;
    for (size_t i = 0; i < moved.size() && i + byteShift < state.bitmap.size(); ++i) {
        unsigned bits = state.bitmap[i + byteShift] >> bitShift;
        if (bitShift != 0 && i + byteShift + 1 < state.bitmap.size())
            bits |= static_cast<unsigned>(state.bitmap[i + byteShift + 1]) << (BYTE_LENGTH - bitShift);
        moved[i] = static_cast<uint8_t>(bits);
    }
    MaskTail(moved, kept);
    state.bitmap.swap(moved);
    state.docNum = kept;
    state.docDelNum -= run;
}

void CDocDeleted::clear()
{
    if (!m_pdocState)
        return;
    std::fill(m_pdocState->bitmap.begin(), m_pdocState->bitmap.end(), 0);
    m_pdocState->docDelNum = 0;
}

} // namespace cs::utility
