// The encodings and the buffer rules of the index input and output, checked
// against streams that record every file access.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "MemoryStreams.h"
#include "support/TestSupport.h"

using cs::test::CMemoryInput;
using cs::test::CMemoryOutput;
using cs::test::RaisedMessage;
using Flush = CMemoryOutput::Flush;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

template <class Write>
std::string Encoded(Write write)
{
    CMemoryOutput out;
    write(out);
    out.close();
    return out.data;
}

std::string Pattern(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    return data;
}

} // namespace

TEST(Encoding, VIntBytes)
{
    EXPECT_EQ(Encoded([](auto& o) { o.writeVInt(0); }), Bytes({0x00}));
    EXPECT_EQ(Encoded([](auto& o) { o.writeVInt(127); }), Bytes({0x7F}));
    EXPECT_EQ(Encoded([](auto& o) { o.writeVInt(128); }), Bytes({0x80, 0x01}));
    EXPECT_EQ(Encoded([](auto& o) { o.writeVInt(16384); }), Bytes({0x80, 0x80, 0x01}));
    EXPECT_EQ(Encoded([](auto& o) { o.writeVInt(static_cast<int32_t>(0xFFFFFFFF)); }),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}));
}

TEST(Encoding, FixedWidthIntegersAreBigEndian)
{
    EXPECT_EQ(Encoded([](auto& o) { o.writeInt(0x01020304); }), Bytes({1, 2, 3, 4}));
    EXPECT_EQ(Encoded([](auto& o) { o.writeInt(-2); }), Bytes({0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(Encoded([](auto& o) { o.writeLong(0x0102030405060708LL); }), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(Encoding, VLongBytes)
{
    EXPECT_EQ(Encoded([](auto& o) { o.writeVLong(int64_t(1) << 35); }), Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0x01}));
    // All ones: the "no position data" marker of merged postings.
    EXPECT_EQ(Encoded([](auto& o) { o.writeVLong(-1); }),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}));
}

TEST(Encoding, RoundTripOfEveryPrimitive)
{
    const int64_t longs[] = {0, 1, 127, 128, int64_t(1) << 32, 0x7FFFFFFFFFFFFFFFLL, -1, INT64_MIN};
    const int32_t ints[] = {0, 1, 127, 128, 16383, 16384, INT32_MAX, -1, INT32_MIN};
    std::string data = Encoded([&](CMemoryOutput& o) {
        for (int32_t v : ints) {
            o.writeInt(v);
            o.writeVInt(v);
        }
        for (int64_t v : longs) {
            o.writeLong(v);
            o.writeVLong(v);
        }
        o.writeString("barrel _12");
        o.writeString(std::string(300, 'x'));
    });
    CMemoryInput in(data);
    for (int32_t v : ints) {
        EXPECT_EQ(in.readInt(), v);
        EXPECT_EQ(in.readVInt(), v);
    }
    for (int64_t v : longs) {
        EXPECT_EQ(in.readLong(), v);
        EXPECT_EQ(in.readVLong(), v);
    }
    EXPECT_EQ(in.readString(), "barrel _12");
    EXPECT_EQ(in.readString(), std::string(300, 'x'));
    EXPECT_TRUE(in.isEof());
}

TEST(Encoding, ReaderTakesContinuationBytesWithoutLimit)
{
    // Groups at shifts 0, 7, ... 42: the last one lands at 42 mod 32 = 10.
    CMemoryInput in(Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01, 0x85, 0x00}));
    EXPECT_EQ(in.readVInt(), 1 << 10);
    EXPECT_EQ(in.readVLong(), 5);
}

TEST(Encoding, EmptyStringIsRefusedBothWays)
{
    CMemoryOutput out;
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.writeString(""); }), "INVALID ARGUMENT: len > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.writeString(std::string()); }), "INVALID ARGUMENT: len > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.writeString(static_cast<const char*>(nullptr)); }),
              "INVALID ARGUMENT: str != NULL");
    EXPECT_EQ(out.position(), 0);

    CMemoryInput in(Bytes({0x00, 'a'}));
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.readString(); }), "INVALID ARGUMENT: len > 0");
}

TEST(Encoding, DamagedStringLengthEndsTheFileWithoutAllocating)
{
    // A length of 2^31 - 1 in a 7-byte file.
    CMemoryInput in(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x07, 'a', 'b'}));
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readString(); }), "The file is ended!");
}

TEST(OutputBuffer, FullBufferIsWrittenAtTheNextByte)
{
    CMemoryOutput out;
    for (int i = 0; i < 4096; ++i)
        out.writeByte(static_cast<uint8_t>(i));
    EXPECT_TRUE(out.flushes.empty());
    EXPECT_EQ(out.position(), 4096);
    out.writeByte(1);
    EXPECT_EQ(out.flushes, (std::vector<Flush>{{0, 4096}}));
    EXPECT_EQ(out.position(), 4097);
}

TEST(OutputBuffer, ALargerBufferWritesThePendingBytesThenBuffersMore)
{
    CMemoryOutput out;
    out.writeBytes("abc", 3);
    out.setBufferSize(10000);
    EXPECT_EQ(out.flushes, (std::vector<Flush>{{0, 3}}));
    for (int i = 0; i < 10000; ++i)
        out.writeByte(static_cast<uint8_t>(i));
    EXPECT_EQ(out.flushes.size(), 1u);
    out.writeByte(1);
    EXPECT_EQ(out.flushes, (std::vector<Flush>{{0, 3}, {3, 10000}}));
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.setBufferSize(0); }), "INVALID ARGUMENT: size > 0");
    out.close();
    ASSERT_EQ(out.data.size(), 10004u);
    EXPECT_EQ(out.data.substr(0, 4), std::string("abc\0", 4));
    EXPECT_EQ(static_cast<uint8_t>(out.data[10002]), static_cast<uint8_t>(9999 & 0xFF));
}

TEST(OutputBuffer, VIntsAcrossTheBufferEnd)
{
    std::string data = Encoded([](CMemoryOutput& o) {
        for (int i = 0; i < 5000; ++i)
            o.writeVInt(i * 977);
    });
    CMemoryInput in(data, 13);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(in.readVInt(), i * 977) << i;
}

TEST(OutputBuffer, LargeBlockGoesStraightAfterThePendingBytes)
{
    CMemoryOutput out;
    out.writeBytes("0123456789", 10);
    std::string block = Pattern(5000);
    out.writeBytes(block.data(), static_cast<int64_t>(block.size()));
    EXPECT_EQ(out.flushes, (std::vector<Flush>{{0, 10}, {10, 5000}}));
    EXPECT_EQ(out.position(), 5010);
    out.writeByte('!');
    out.close();
    EXPECT_EQ(out.data, "0123456789" + block + "!");
}

TEST(OutputBuffer, BlockThatFitsAfterAFlushIsBuffered)
{
    CMemoryOutput out;
    std::string first = Pattern(4000);
    out.writeBytes(first.data(), 4000);
    out.writeBytes(first.data(), 200);
    EXPECT_EQ(out.flushes, (std::vector<Flush>{{0, 4000}}));
    out.writeBytes(first.data(), 4096 - 200);   // exactly fills the buffer
    EXPECT_EQ(out.flushes.size(), 1u);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.writeBytes(nullptr, 3); }),
              "INVALID ARGUMENT: data != NULL && length > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.writeBytes("x", 0); }),
              "INVALID ARGUMENT: data != NULL && length > 0");
}

TEST(OutputBuffer, SeekWritesThePendingBytesAndMovesOn)
{
    CMemoryOutput out;
    out.writeInt(0);
    out.writeInt(0x0A0B0C0D);
    out.seek(0);
    EXPECT_EQ(out.flushes, (std::vector<Flush>{{0, 8}}));
    out.writeInt(8);
    EXPECT_EQ(out.position(), 4);
    out.seek(8);
    out.writeByte(0xEE);
    out.close();
    EXPECT_EQ(out.data, Bytes({0, 0, 0, 8, 0x0A, 0x0B, 0x0C, 0x0D, 0xEE}));
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.seek(-1); }), "INVALID ARGUMENT: pos >= 0");
}

TEST(InputBuffer, SeekInsideTheBufferDoesNotTouchTheFile)
{
    std::string data = Pattern(10000);
    CMemoryInput in(data);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[0]));
    EXPECT_EQ(in.reads, 1);
    in.seek(100);
    in.seek(4095);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[4095]));
    in.seek(1);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[1]));
    EXPECT_EQ(in.reads, 1);
    EXPECT_EQ(in.seeks, 0);

    // The buffer's own start drops the buffer: the same bytes are read again.
    in.seek(0);
    EXPECT_EQ(in.seeks, 1);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[0]));
    EXPECT_EQ(in.reads, 2);

    // Just past the loaded bytes is outside the buffer.
    in.seek(4096);
    EXPECT_EQ(in.seeks, 2);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[4096]));
}

// A record read ahead of the bytes that lead up to it (a posting's trailer)
// leaves the cursor and the buffer, whether it was in the buffer or not.
TEST(InputBuffer, ReadAtKeepsTheCursorAndTheBuffer)
{
    std::string data = Pattern(10000);
    CMemoryInput in(data);
    in.seek(10);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[10]));
    char record[8];
    for (int64_t at : {int64_t{3000}, int64_t{9000}, int64_t{4100}, int64_t{9992}}) {
        in.readAt(at, record, sizeof(record));
        EXPECT_EQ(std::string(record, sizeof(record)), data.substr(static_cast<size_t>(at), sizeof(record))) << at;
    }
    EXPECT_EQ(in.reads, 4);   // the buffer (10 .. 4105), and one for each record not wholly in it
    EXPECT_EQ(in.position(), 11);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[11]));
    EXPECT_EQ(in.reads, 4);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readAt(9993, record, sizeof(record)); }), "The file is ended!");
}

TEST(InputBuffer, SeekBounds)
{
    CMemoryInput in(Pattern(50));
    in.seek(50);
    EXPECT_TRUE(in.isEof());
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readByte(); }), "The file is ended!");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.seek(51); }),
              "INVALID ARGUMENT: pos >= 0 && pos <= m_length");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.seek(-1); }),
              "INVALID ARGUMENT: pos >= 0 && pos <= m_length");
    in.seek(49);
    EXPECT_FALSE(in.isEof());
}

TEST(InputBuffer, ReadingExactlyToTheEnd)
{
    std::string data = Pattern(8192);   // two whole buffers
    CMemoryInput in(data);
    std::string read(8192, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        read[i] = static_cast<char>(in.readByte());
    EXPECT_EQ(read, data);
    EXPECT_TRUE(in.isEof());
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readByte(); }), "The file is ended!");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readVInt(); }), "The file is ended!");
}

TEST(InputBuffer, ReadBytesAcrossAndBeyondTheBuffer)
{
    std::string data = Pattern(20000);
    CMemoryInput in(data);
    in.seek(10);
    std::string part(100, '\0');
    in.readBytes(part.data(), 100);
    EXPECT_EQ(part, data.substr(10, 100));
    std::string big(9000, '\0');   // rest of the buffer, then straight from the file
    in.readBytes(big.data(), 9000);
    EXPECT_EQ(big, data.substr(110, 9000));
    EXPECT_EQ(in.position(), 9110);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[9110]));

    in.seek(19990);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readBytes(big.data(), 11); }), "The file is ended!");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.readBytes(nullptr, 1); }), "INVALID ARGUMENT: buffer != NULL");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.readBytes(big.data(), 0); }),
              "ASSERT FAILED: length > 0 && len <= m_length");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.readBytes(big.data(), 20001); }),
              "ASSERT FAILED: length > 0 && len <= m_length");
}

TEST(InputBuffer, SetBufferContinuesAtTheLogicalPosition)
{
    std::string data = Pattern(9000);
    CMemoryInput in(data);
    in.seek(5);
    in.readInt();
    std::vector<char> lent(4096);
    in.setBuffer(lent.data());
    EXPECT_EQ(in.position(), 9);
    for (size_t i = 9; i < 9000; ++i)
        ASSERT_EQ(in.readByte(), static_cast<uint8_t>(data[i])) << i;
    // The lent block holds what was read last.
    EXPECT_EQ(std::string(lent.data(), 799), data.substr(8201));
}

TEST(InputBuffer, LentBlockOfAnySizeIsReadWhole)
{
    std::string data = Pattern(20000);
    CMemoryInput in(data);
    std::vector<char> lent(12288);
    in.setBuffer(lent.data(), 12288);
    for (size_t i = 0; i < 20000; ++i)
        ASSERT_EQ(in.readByte(), static_cast<uint8_t>(data[i])) << i;
    EXPECT_EQ(in.reads, 2);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { in.setBuffer(lent.data(), 0); }),
              "INVALID ARGUMENT: bufsize > 0");
}

TEST(CopyFrom, BypassesTheInputBufferAndLeavesItAfterTheBytes)
{
    std::string data = Pattern(30000);
    CMemoryInput in(data);
    in.seek(123);
    in.readByte();   // the input buffer now holds bytes 123 to 4218
    CMemoryOutput out;
    out.writeBytes("head", 4);
    int readsBefore = in.reads;
    out.copyFrom(&in, 9000);
    // Three chunks, each read into the output's buffer, none through the input's.
    EXPECT_EQ(in.reads - readsBefore, 3);
    EXPECT_EQ(out.position(), 9004);
    EXPECT_EQ(in.position(), 124 + 9000);
    EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[124 + 9000]));
    out.close();
    EXPECT_EQ(out.data, "head" + data.substr(124, 9000));
}

TEST(CopyFrom, MoreThanABufferIsCopiedAsFileDataWhereTheOutputCan)
{
    std::string data = Pattern(40000);
    for (int64_t limit : {int64_t(-1), int64_t(5000), int64_t(100000)}) {
        CMemoryInput in(data);
        in.seek(1000);
        in.readByte();
        CMemoryOutput out;
        out.copyLimit = limit;
        out.writeBytes("head", 4);
        int readsBefore = in.reads;
        out.copyFrom(&in, 30000);
        if (limit == 5000) {
            // One copy of what it can, the rest through the output's buffer.
            ASSERT_EQ(out.copies.size(), 1u);
            EXPECT_EQ(out.copies[0], (CMemoryOutput::Flush{1001, 5000}));
            EXPECT_EQ(in.reads - readsBefore, 7);
        } else if (limit == 100000) {
            ASSERT_EQ(out.copies.size(), 1u);
            EXPECT_EQ(out.copies[0], (CMemoryOutput::Flush{1001, 30000}));
            EXPECT_EQ(in.reads - readsBefore, 0);
        }
        EXPECT_EQ(out.position(), 30004) << limit;
        EXPECT_EQ(in.position(), 31001) << limit;
        EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[31001])) << limit;
        out.writeByte('!');
        out.close();
        EXPECT_EQ(out.data, "head" + data.substr(1001, 30000) + "!") << limit;
    }
    // A buffer's worth or less is never copied as file data.
    CMemoryInput in(data);
    CMemoryOutput out;
    out.copyLimit = 100000;
    out.copyFrom(&in, 4096);
    EXPECT_TRUE(out.copies.empty());
    out.close();
    EXPECT_EQ(out.data, data.substr(0, 4096));
}

TEST(CopyFrom, SmallCopyStaysInTheOutputBuffer)
{
    std::string data = Pattern(100);
    CMemoryInput in(data);
    CMemoryOutput out;
    out.writeByte('>');
    out.copyFrom(&in, 60);
    out.copyFrom(&in, 40);
    EXPECT_TRUE(out.flushes.empty());
    EXPECT_TRUE(in.isEof());
    out.close();
    EXPECT_EQ(out.data, ">" + data);
}

TEST(CopyFrom, RefusesMoreThanTheInputHolds)
{
    CMemoryInput in(Pattern(100));
    CMemoryOutput out;
    in.seek(50);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { out.copyFrom(&in, 51); }), "The file is ended!");
    EXPECT_EQ(out.position(), 0);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.copyFrom(nullptr, 1); }),
              "INVALID ARGUMENT: pInput != NULL && length > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.copyFrom(&in, 0); }),
              "INVALID ARGUMENT: pInput != NULL && length > 0");
}
