#include "stream/AssetStream.h"

#include "stream/ByteRegion.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <future>

#include "support/Files.h"

using testsupport::Bytes;

namespace {

AssetStream over(const Bytes& bytes) {
  return AssetStream(bytes);
}

TEST(AssetStream, ReadsIntegersInTheStreamsByteOrder) {
  AssetStream little = over({0x0F, 0, 0, 0, 0x34, 0x12});
  EXPECT_EQ(little.readInt32(), 15);
  EXPECT_EQ(little.readUInt16(), 0x1234);

  AssetStream big = over({0, 0, 0, 0x0F, 0x12, 0x34, 0x3F, 0x80, 0, 0});
  big.setBigEndian(true);
  EXPECT_EQ(big.readInt32(), 15);
  EXPECT_EQ(big.readUInt16(), 0x1234);
  EXPECT_EQ(big.readFloat(), 1.0f);
  EXPECT_FALSE(big.failed());
}

TEST(AssetStream, NeverReversesInt64HashesOrByteRuns) {
  for (bool bigEndian : {false, true}) {
    Bytes bytes = {1, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
    bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});
    AssetStream stream = over(bytes);
    stream.setBigEndian(bigEndian);
    EXPECT_EQ(stream.readInt64(), 1);
    const AssetStream::Hash128 hash = stream.readHash128();
    EXPECT_EQ(hash[0], 0);
    EXPECT_EQ(hash[15], 15);
    EXPECT_EQ(stream.readBytes(3), (Bytes{0xAA, 0xBB, 0xCC}));
  }
}

TEST(AssetStream, CStringStopsAtItsLimitWithoutConsumingTheNextByte) {
  Bytes bytes(300, 'x');
  bytes.push_back(0);
  AssetStream stream = over(bytes);
  EXPECT_EQ(stream.readCString(255), std::string(255, 'x'));
  EXPECT_EQ(stream.position(), 255);

  AssetStream exact = over({'a', 'b', 0, 'c'});
  EXPECT_EQ(exact.readCString(2), "ab");
  EXPECT_EQ(exact.position(), 2);  // the terminator is left for the next read

  AssetStream shorter = over({'a', 'b', 0, 'c'});
  EXPECT_EQ(shorter.readCString(255), "ab");
  EXPECT_EQ(shorter.position(), 3);
}

TEST(AssetStream, CStringAtOrRunningOffTheEndFails) {
  AssetStream empty = over({'a'});
  empty.seek(1);
  EXPECT_EQ(empty.readCString(255), "");
  EXPECT_TRUE(empty.failed());

  AssetStream unterminated = over({'a', 'b'});
  EXPECT_EQ(unterminated.readCString(255), "ab");
  EXPECT_TRUE(unterminated.failed());
}

TEST(AssetStream, AlignReadMovesToTheNextMultipleOfFour) {
  AssetStream stream = over(Bytes(64, 0));
  for (auto [from, to] : {std::pair{20, 20}, {21, 24}, {22, 24}, {23, 24}}) {
    stream.seek(from);
    stream.alignRead();
    EXPECT_EQ(stream.position(), to) << "from " << from;
  }
}

TEST(AssetStream, ReadPastTheEndFailsForGoodAndReturnsZeros) {
  AssetStream stream = over({1, 2, 3});
  EXPECT_EQ(stream.readInt32(), 0);
  EXPECT_TRUE(stream.failed());
  EXPECT_EQ(stream.position(), 0);
  EXPECT_EQ(stream.readByte(), 0);  // sticky, although a byte is there
}

TEST(AssetStream, HugeLengthsAreRefusedBeforeAllocating) {
  AssetStream stream = over({1, 2, 3, 4});
  EXPECT_TRUE(stream.readBytes(0xFFFFFFFFFFull).empty());
  EXPECT_TRUE(stream.failed());

  AssetStream counts = over(Bytes(100, 0));
  counts.seek(40);
  EXPECT_TRUE(counts.canRead(10, 6));
  EXPECT_FALSE(counts.canRead(11, 6));
  EXPECT_FALSE(counts.canRead(0xFFFFFFFFFFFFFFFFull, 0xFFFF));
}

TEST(AssetStream, ByteStreamsAreReadOnly) {
  AssetStream stream = over({1, 2, 3, 4});
  stream.writeInt32(5);
  EXPECT_TRUE(stream.failed());
}

// A counting stream runs a writer without storing anything; its alignment is that of the position
// it starts from, as the real append's would be.
TEST(AssetStream, CountingStreamsMoveOnAsAWriteWouldFromWhereTheyStart) {
  for (std::int64_t start : {0, 5, 6, 7, 2147483646}) {
    AssetStream counter(AssetStream::CountingFrom{start});
    counter.writeBytes(Bytes(3, 1));
    counter.alignWrite();
    counter.writeInt32(7);
    counter.writeByte(1);
    const std::int64_t aligned = (start + 3 + 3) / 4 * 4;
    EXPECT_EQ(counter.position(), aligned + 5) << start;
    EXPECT_EQ(counter.size(), aligned + 5) << start;
    EXPECT_FALSE(counter.failed());
    counter.seek(start);
    EXPECT_EQ(counter.readInt32(), 0);
    EXPECT_TRUE(counter.failed()) << "nothing was kept to read";
  }
}

class AssetStreamFile : public ::testing::Test {
 protected:
  std::wstring makeFile(const Bytes& bytes) {
    const auto path = dir_ / "data.bin";
    testsupport::writeFile(path, bytes);
    return path.wstring();
  }
  Bytes fileBytes() { return testsupport::readFile(dir_ / "data.bin"); }

  testsupport::TempDirectory dir_;
};

TEST_F(AssetStreamFile, WritesInPlaceInTheStreamsByteOrder) {
  AssetStream stream;
  ASSERT_TRUE(stream.open(makeFile(Bytes(12, 0xEE)), true));
  EXPECT_EQ(stream.size(), 12);
  stream.seek(2);
  stream.writeInt32(15);
  stream.setBigEndian(false);
  stream.writeUInt16(0x1234);
  stream.writeInt64(1);
  ASSERT_TRUE(stream.close());
  EXPECT_EQ(fileBytes(), (Bytes{0xEE, 0xEE, 0, 0, 0, 15, 0x34, 0x12, 1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(AssetStreamFile, AlignWriteSkipsWithoutWritingAndGapsFillWithZeros) {
  AssetStream stream;
  ASSERT_TRUE(stream.open(makeFile(Bytes(30, 0xEE)), false));
  stream.seek(27);
  stream.alignWrite();
  EXPECT_EQ(stream.position(), 28);
  stream.writeByte(1);
  stream.seekEnd();
  stream.writeByte(2);
  stream.alignWrite();
  EXPECT_EQ(stream.size(), 31);  // skipping past the end does not lengthen the file
  stream.writeByte(3);
  ASSERT_TRUE(stream.close());

  Bytes expected(30, 0xEE);
  expected[28] = 1;
  for (std::uint8_t b : {2, 0, 3}) expected.push_back(b);
  EXPECT_EQ(fileBytes(), expected);
}

TEST_F(AssetStreamFile, ReadsAfterWritesSeeTheWrittenBytes) {
  AssetStream stream;
  ASSERT_TRUE(stream.open(makeFile({1, 2, 3, 4, 5, 6, 7, 8}), false));
  EXPECT_EQ(stream.readInt32(), 0x04030201);
  stream.writeInt32(0x0A0A0A0A);
  stream.seek(2);
  EXPECT_EQ(stream.readInt32(), 0x0A0A0403);
  EXPECT_EQ(stream.readUInt16(), 0x0A0A);
  EXPECT_TRUE(stream.close());
}

TEST_F(AssetStreamFile, FoldersAreNotFiles) {
  std::filesystem::create_directories(dir_ / "folder.bin");
  AssetStream stream;
  EXPECT_FALSE(stream.openReadOnly((dir_ / "folder.bin").wstring()));
  EXPECT_FALSE(stream.open((dir_ / "folder.bin").wstring(), false));
  EXPECT_FALSE(readWholeFile((dir_ / "folder.bin").wstring()).has_value());
}

// Bytes written but still in the C runtime's buffer must not reach the file after it is cut.
TEST_F(AssetStreamFile, TruncationCutsTheFileAndDropsWhatIsBuffered) {
  AssetStream stream;
  ASSERT_TRUE(stream.open(makeFile({1, 2, 3, 4, 5, 6}), false));
  stream.seekEnd();
  stream.writeBytes(Bytes(100, 0xAB));
  ASSERT_TRUE(stream.truncate(6));
  EXPECT_EQ(stream.size(), 6);
  stream.seek(4);
  EXPECT_EQ(stream.readUInt16(), 0x0605);
  EXPECT_TRUE(stream.close());
  EXPECT_EQ(fileBytes(), (Bytes{1, 2, 3, 4, 5, 6}));

  AssetStream overBytes(Bytes{1, 2});
  EXPECT_FALSE(overBytes.truncate(0));
}

#ifndef _WIN32
// Opening a FIFO for reading waits for a writer; it must be turned away without being waited on.
TEST_F(AssetStreamFile, FifosAndDevicesAreNotFilesAndAreNotWaitedOn) {
  const auto fifo = dir_ / "fifo.bin";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto opened = std::async(std::launch::async, [&fifo] {
    AssetStream reading;
    AssetStream writing;
    return reading.openReadOnly(fifo.wstring()) || writing.open(fifo.wstring(), false);
  });
  if (opened.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
    ::close(::open(fifo.c_str(), O_WRONLY));  // releases the waiting open
    FAIL() << "opening the FIFO waited for a writer";
  }
  EXPECT_FALSE(opened.get());
  AssetStream device;
  EXPECT_FALSE(device.openReadOnly(L"/dev/zero"));
  EXPECT_FALSE(readWholeFile(L"/dev/null").has_value());
}
#endif

TEST_F(AssetStreamFile, OpeningAMissingFileFailsAndCreatesNothing) {
  AssetStream stream;
  EXPECT_FALSE(stream.open((dir_ / "missing.bin").wstring(), false));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.bin"));
}

}  // namespace

namespace {

void swapOuterOfThree(std::span<std::uint8_t> bytes) {
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3) std::swap(bytes[i], bytes[i + 2]);
}

}  // namespace

TEST_F(AssetStreamFile, ComparingStreamsTellWhetherTheFileHoldsTheBytesAlready) {
  AssetStream file;
  ASSERT_TRUE(file.open(makeFile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), false));
  file.seek(3);
  const auto compare = [&file](std::int64_t from, const Bytes& bytes) {
    AssetStream comparer(AssetStream::ComparingWith{file, from});
    comparer.writeBytes(bytes);
    EXPECT_EQ(comparer.position(), from + static_cast<std::int64_t>(bytes.size()));
    return comparer.differs();
  };
  EXPECT_FALSE(compare(2, {3, 4, 5}));
  EXPECT_TRUE(compare(2, {3, 4, 6}));
  EXPECT_TRUE(compare(8, {9, 10, 11})) << "past the end";
  EXPECT_FALSE(compare(0, {}));
  EXPECT_EQ(file.position(), 3) << "the file's own position is kept";
  EXPECT_FALSE(file.failed());
  EXPECT_EQ(file.readByte(), 4);
}

// Copies are compared piece by piece; past the first difference nothing more is read.
TEST_F(AssetStreamFile, ComparingStreamsCompareCopiesOfAnyLength) {
  const Bytes stored = testsupport::patternBytes(0, 2 * AssetStream::kPieceLength + 5);
  AssetStream file;
  ASSERT_TRUE(file.open(makeFile(stored), false));
  Bytes other = stored;
  other[AssetStream::kPieceLength + 1] ^= 1;
  const auto compare = [&file](const Bytes& bytes) {
    AssetStream comparer(AssetStream::ComparingWith{file, 0});
    EXPECT_TRUE(comparer.copy(RegionSlice{std::make_shared<const ByteRegion>(bytes), 0, bytes.size()}));
    EXPECT_EQ(comparer.position(), static_cast<std::int64_t>(bytes.size()));
    return comparer.differs();
  };
  EXPECT_FALSE(compare(stored));
  EXPECT_TRUE(compare(other));
}

// Copies go in pieces of a bounded length; a change to 3-byte elements falls on whole elements in
// every piece, from bytes in memory and from a file alike.
TEST_F(AssetStreamFile, CopiesChangeEveryElementAcrossPieces) {
  const Bytes source = testsupport::patternBytes(0, 2 * AssetStream::kPieceLength + 7);
  Bytes changed = source;
  swapOuterOfThree(changed);
  testsupport::writeFile(dir_ / "source.bin", source);
  const std::shared_ptr<const ByteRegion> inMemory = std::make_shared<const ByteRegion>(source);
  const std::shared_ptr<const ByteRegion> inFile = ByteRegion::openFile((dir_ / "source.bin").wstring());
  ASSERT_NE(inFile, nullptr);
  for (const auto& region : {inMemory, inFile}) {
    AssetStream target;
    ASSERT_TRUE(target.create((dir_ / "target.bin").wstring()));
    target.writeByte(0xAA);
    EXPECT_TRUE(target.copy(RegionSlice{region, 0, source.size(), swapOuterOfThree}));
    EXPECT_TRUE(target.copy(RegionSlice{region, 5, 100000}));
    target.writeByte(0xBB);
    ASSERT_TRUE(target.close());
    Bytes expected = {0xAA};
    expected.insert(expected.end(), changed.begin(), changed.end());
    expected.insert(expected.end(), source.begin() + 5, source.begin() + 100005);
    expected.push_back(0xBB);
    EXPECT_TRUE(testsupport::readFile(dir_ / "target.bin") == expected);
  }
}

// An object's unchanged fields are copied from where it lies to the end of the same file: what was
// written before the copy and is still buffered comes first, reads see the copied bytes, and what is
// written after lands after them.
TEST_F(AssetStreamFile, CopiesWithinOneFileKeepTheOrderOfWhatIsWritten) {
  const Bytes original = testsupport::patternBytes(0, 300000);
  AssetStream file;
  ASSERT_TRUE(file.open(makeFile(original), false));
  const auto whole = std::make_shared<const ByteRegion>(file, 0, original.size());
  file.seekEnd();
  file.writeBytes(Bytes{0xAA, 0xAB});
  EXPECT_TRUE(file.copy(RegionSlice{whole, 1000, 200000}));
  file.writeByte(0xBB);
  EXPECT_EQ(file.position(), 300000 + 2 + 200000 + 1);
  file.seek(300002);
  EXPECT_EQ(file.readBytes(4), Bytes(original.begin() + 1000, original.begin() + 1004));
  ASSERT_TRUE(file.close());

  Bytes expected = original;
  expected.insert(expected.end(), {0xAA, 0xAB});
  expected.insert(expected.end(), original.begin() + 1000, original.begin() + 201000);
  expected.push_back(0xBB);
  EXPECT_TRUE(fileBytes() == expected);
}

// A replacement that shrinks after it was opened fails the copy, not the stream written to; a
// counting stream reads nothing and still counts.
TEST_F(AssetStreamFile, ACopyFromAFileThatShrankFailsButNotTheTarget) {
  testsupport::writeFile(dir_ / "source.bin", testsupport::patternBytes(0, 300000));
  const std::shared_ptr<const ByteRegion> source = ByteRegion::openFile((dir_ / "source.bin").wstring());
  ASSERT_NE(source, nullptr);
  std::filesystem::resize_file(dir_ / "source.bin", 100000);

  AssetStream counter(AssetStream::CountingFrom{4});
  EXPECT_TRUE(counter.copy(RegionSlice{source, 0, 300000}));
  EXPECT_EQ(counter.position(), 300004);

  AssetStream target;
  ASSERT_TRUE(target.create((dir_ / "target.bin").wstring()));
  EXPECT_FALSE(target.copy(RegionSlice{source, 0, 300000}));
  EXPECT_FALSE(target.failed());
  EXPECT_TRUE(source->failed());
  EXPECT_FALSE(target.copy(RegionSlice{source, 299999, 2})) << "past the region's end";
  EXPECT_TRUE(target.close());
}
