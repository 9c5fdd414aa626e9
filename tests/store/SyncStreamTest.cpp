// The file streams on real files: encodings on disk, 64-bit offsets, caller
// buffers, and every failure of the file system they report.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "store/SyncIStream.h"
#include "store/SyncOStream.h"
#include "support/TestSupport.h"

using cs::store::CIndexInput;
using cs::store::CSyncIStream;
using cs::store::CSyncOStream;
using cs::test::RaisedMessage;
using cs::test::ReadFile;
using cs::test::WriteFile;

namespace {

std::string Pattern(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 13 + i / 509);
    return data;
}

} // namespace

TEST(SyncStreams, EncodingsOnDisk)
{
    std::string path = cs::test::MakeTempDir("sync") + "/enc.bin";
    {
        CSyncOStream out(path);
        out.writeVInt(16384);
        out.writeInt(0x01020304);
        out.writeString("ab");
        out.writeVLong(int64_t(1) << 35);
        out.close();
    }
    EXPECT_EQ(ReadFile(path), std::string("\x80\x80\x01\x01\x02\x03\x04\x02"
                                          "ab\x80\x80\x80\x80\x80\x01",
                                          16));
}

TEST(SyncStreams, OutputNeverWrittenGivesAnEmptyFile)
{
    std::string path = cs::test::MakeTempDir("sync") + "/empty.bin";
    WriteFile(path, "old contents");
    {
        CSyncOStream out(path);
        out.close();
        out.close();   // a second close does nothing
        // Nor does a write after the close reach the file or freed memory.
        EXPECT_EQ(RaisedMessage<std::exception>([&] { out.writeInt(7); }),
                  "INVALID OPERATION: m_buffer != NULL");
    }
    EXPECT_TRUE(cs::test::FileExists(path));
    EXPECT_EQ(ReadFile(path), "");
    CSyncIStream in(path);
    EXPECT_EQ(in.length(), 0);
    EXPECT_TRUE(in.isEof());
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readByte(); }), "The file is ended!");
}

TEST(SyncStreams, FileIsReadCreatedOnlyForTheOwner)
{
    std::string path = cs::test::MakeTempDir("sync") + "/mode.bin";
    CSyncOStream out(path);
    out.close();
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SyncStreams, CallerBufferOfAnySizeReadsTheSameValues)
{
    std::string path = cs::test::MakeTempDir("sync") + "/values.bin";
    {
        CSyncOStream out(path);
        for (int i = 0; i < 3000; ++i) {
            out.writeVInt(i * 31);
            out.writeLong(int64_t(i) << 40);
        }
        out.close();
    }
    char small[7];
    CSyncIStream in(path, small, sizeof(small));
    std::unique_ptr<CIndexInput> pClone(in.clone());
    char lent[64];
    std::unique_ptr<CIndexInput> pLent(in.clone(lent, sizeof(lent)));
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(in.readVInt(), i * 31);
        ASSERT_EQ(in.readLong(), int64_t(i) << 40);
    }
    EXPECT_TRUE(in.isEof());
    cs::test::CLogCapture log;
    in.close();
    // Clones are independent, start at the beginning, and share the one
    // descriptor, which the last of them closes.
    EXPECT_EQ(pClone->readVInt(), 0);
    EXPECT_EQ(pClone->readLong(), 0);
    EXPECT_EQ(pClone->readVInt(), 31);
    pLent->seek(pClone->position());
    EXPECT_EQ(pLent->readLong(), int64_t(1) << 40);
    EXPECT_EQ(static_cast<CSyncIStream*>(pClone.get())->descriptor(),
              static_cast<CSyncIStream*>(pLent.get())->descriptor());
    EXPECT_FALSE(log.logged("DEBUG", "open file: descriptor:"));
    pClone->close();
    pLent->close();
    EXPECT_TRUE(log.logged("DEBUG", "open file: descriptor:"));
}

TEST(SyncStreams, ConstructorChecks)
{
    std::string path = cs::test::MakeTempDir("sync") + "/c.bin";
    WriteFile(path, "x");
    char buffer[8];
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { CSyncIStream(path, 0); }),
              "INVALID ARGUMENT: filename != NULL && bufsize > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { CSyncIStream(path, nullptr, 8); }),
              "INVALID ARGUMENT: filename != NULL && bufsize != NULL && bufsize > 0");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { CSyncIStream(path, buffer, 0); }),
              "INVALID ARGUMENT: filename != NULL && bufsize != NULL && bufsize > 0");
    CSyncIStream in(path);
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { delete in.clone(nullptr, 8); }),
              "INVALID ARGUMENT: buffer != NULL && bufsize > 0");
    CSyncOStream out(cs::test::MakeTempDir("sync") + "/o.bin");
    EXPECT_EQ(RaisedMessage<std::logic_error>([&] { out.seek(-5); }), "INVALID ARGUMENT: position >= 0");
}

TEST(SyncStreams, LargeBlocksAndCopiesBetweenFiles)
{
    std::string dir = cs::test::MakeTempDir("sync");
    std::string data = Pattern(50000);
    WriteFile(dir + "/src.bin", data);
    CSyncIStream in(dir + "/src.bin");
    {
        CSyncOStream out(dir + "/dst.bin");
        out.writeBytes("<<", 2);
        in.seek(1000);
        out.copyFrom(&in, 30000);
        EXPECT_EQ(in.position(), 31000);
        EXPECT_EQ(out.position(), 30002);
        out.writeBytes(data.data(), 10000);
        out.close();
    }
    EXPECT_EQ(ReadFile(dir + "/dst.bin"), "<<" + data.substr(1000, 30000) + data.substr(0, 10000));
    std::string block(12000, '\0');
    in.readBytes(block.data(), 12000);
    EXPECT_EQ(block, data.substr(31000, 12000));
}

TEST(SyncStreams, CopiesOfLongRangesMatchWhereverTheFilesAre)
{
    std::string data = Pattern(400000);
    // The same file system, and (where there is one) a memory file system
    // the kernel may refuse to copy from.
    std::vector<std::string> sources = {cs::test::MakeTempDir("sync") + "/src.bin"};
    if (::access("/dev/shm", W_OK) == 0)
        sources.push_back("/dev/shm/cs-sync-copy-" + std::to_string(::getpid()));
    for (const std::string& source : sources) {
        WriteFile(source, data);
        std::string target = cs::test::MakeTempDir("sync") + "/dst.bin";
        {
            CSyncIStream in(source);
            CSyncOStream out(target);
            out.setBufferSize(CSyncOStream::STREAMING_BUFFER_SIZE);
            out.writeBytes("<<", 2);
            in.seek(123);
            in.readByte();
            out.copyFrom(&in, 300000);
            out.writeByte('|');
            out.copyFrom(&in, 5000);
            EXPECT_EQ(in.readByte(), static_cast<uint8_t>(data[305124]));
            out.close();
        }
        EXPECT_TRUE(ReadFile(target) == "<<" + data.substr(124, 300000) + "|" + data.substr(300124, 5000)) << source;
        std::remove(source.c_str());
    }
}

// Written in place and written behind (full buffers on a thread of their
// own): buffered pieces, a block straight from the caller, a copy between
// files and patches after seeks back all land where they belong.
TEST(SyncStreams, FilesOfSeveralWritebackRunsAreWholeAfterSeeksBack)
{
    std::string dir = cs::test::MakeTempDir("sync");
    std::string data = Pattern(static_cast<size_t>(2 * CSyncOStream::WRITEBACK_RUN + 12345));
    WriteFile(dir + "/src.bin", data);
    const int64_t pieces = CSyncOStream::WRITEBACK_RUN / 2;
    for (bool behind : {false, true}) {
        {
            CSyncIStream in(dir + "/src.bin");
            CSyncOStream out(dir + "/dst.bin");
            out.setBufferSize(CSyncOStream::STREAMING_BUFFER_SIZE);
            if (behind)
                out.writeBehind();
            for (int64_t at = 0; at < pieces; at += 1000)
                out.writeBytes(data.data() + at, std::min<int64_t>(1000, pieces - at));
            out.writeBytes(data.data() + pieces, CSyncOStream::WRITEBACK_RUN - 10 - pieces);
            in.seek(CSyncOStream::WRITEBACK_RUN - 10);
            out.copyFrom(&in, static_cast<int64_t>(data.size()) - (CSyncOStream::WRITEBACK_RUN - 10));
            out.seek(5);
            out.writeBytes("patch", 5);
            out.seek(70000);
            out.writeBytes("second", 6);
            out.seek(static_cast<int64_t>(data.size()));
            out.writeBytes("end", 3);
            out.close();
        }
        std::string expected = data + "end";
        expected.replace(5, 5, "patch");
        expected.replace(70000, 6, "second");
        EXPECT_TRUE(ReadFile(dir + "/dst.bin") == expected) << "written behind: " << behind;
    }
}

TEST(SyncStreams, SourceCutShortWhileCopiedEndsTheCopy)
{
    std::string dir = cs::test::MakeTempDir("sync");
    WriteFile(dir + "/src.bin", Pattern(200000));
    CSyncIStream in(dir + "/src.bin");
    ASSERT_EQ(::truncate((dir + "/src.bin").c_str(), 100000), 0);
    CSyncOStream out(dir + "/dst.bin");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { out.copyFrom(&in, 150000); }), "The file is ended!");
}

TEST(SyncStreams, OffsetsBeyondFourGiB)
{
    // A sparse file: only the written blocks take space.
    std::string path = cs::test::MakeTempDir("sync") + "/big.bin";
    const int64_t far = (int64_t(1) << 32) + 10;
    {
        CSyncOStream out(path);
        out.writeInt(7);
        out.seek(far);
        EXPECT_EQ(out.position(), far);
        out.writeInt(0x11223344);
        out.writeString("beyond");
        EXPECT_EQ(out.position(), far + 11);
        out.writeVLong(far);
        out.close();
    }
    CSyncIStream in(path);
    EXPECT_EQ(in.length(), far + 11 + 5);
    EXPECT_EQ(in.readInt(), 7);
    in.seek(far);
    EXPECT_EQ(in.readInt(), 0x11223344);
    EXPECT_EQ(in.readString(), "beyond");
    EXPECT_EQ(in.readVLong(), far);
    EXPECT_TRUE(in.isEof());
    in.seek(far - 2);
    EXPECT_EQ(in.readInt(), 0x1122);   // two zero bytes of the hole, then the value's high half
    std::unique_ptr<CIndexInput> pClone(in.clone());
    pClone->seek(far + 4);
    EXPECT_EQ(pClone->readString(), "beyond");
    in.close();
    pClone->close();
    std::filesystem::remove(path);
}

TEST(SyncStreams, FileCutShortAfterOpeningEndsTheReading)
{
    std::string path = cs::test::MakeTempDir("sync") + "/cut.bin";
    WriteFile(path, Pattern(10000));
    CSyncIStream in(path);
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    in.seek(50);
    std::string read;
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] {
                  for (;;)
                      read += static_cast<char>(in.readByte());
              }),
              "The file is ended!");
    EXPECT_EQ(read, Pattern(100).substr(50));
    in.seek(5000);
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readByte(); }), "The file is ended!");
}

TEST(SyncStreamFailures, MissingFiles)
{
    std::string dir = cs::test::MakeTempDir("sync");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CSyncIStream in(dir + "/none.tid"); }),
              "failed to open file: " + dir + "/none.tid (No such file or directory)");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CSyncOStream out(dir + "/no/such/dir/x.tid"); }),
              "failed to open file: " + dir + "/no/such/dir/x.tid (No such file or directory)");
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { CSyncOStream out(dir); }),
              "failed to open file: " + dir + " (Is a directory)");
}

TEST(SyncStreamFailures, ReadingADirectory)
{
    std::string dir = cs::test::MakeTempDir("sync");
    CSyncIStream in(dir);
    if (in.length() == 0)
        GTEST_SKIP() << "this file system gives directories no size";
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { in.readByte(); }),
              "failed to read file: " + dir + " (Is a directory)");
}

TEST(SyncStreamFailures, UnreadableFile)
{
    // Permission bits bind root only once it has given root up.
    cs::test::CPublicDir dir;
    std::string path = dir.path() + "/locked.tid";
    WriteFile(path, "secret");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    cs::test::ProcessResult result = cs::test::RunForked(
        [&] {
            std::printf("%s\n", RaisedMessage<std::runtime_error>([&] { CSyncIStream in(path); }).c_str());
            std::printf("%s\n", RaisedMessage<std::runtime_error>([&] { CSyncOStream out(path); }).c_str());
        },
        true);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "failed to open file: " + path + " (Permission denied)\n" +
                              "failed to open file: " + path + " (Permission denied)\n");
}

TEST(SyncStreams, ReopenStartsANewFile)
{
    std::string dir = cs::test::MakeTempDir("sync");
    CSyncOStream out(dir + "/a.bin");
    out.writeInt(1);
    EXPECT_GE(out.open(dir + "/b.bin"), 0);
    EXPECT_EQ(out.position(), 0);
    out.writeInt(2);
    EXPECT_EQ(out.open(dir + "/missing/c.bin"), -1);
    EXPECT_EQ(ReadFile(dir + "/a.bin"), std::string("\0\0\0\1", 4));
    EXPECT_EQ(ReadFile(dir + "/b.bin"), std::string("\0\0\0\2", 4));
}
