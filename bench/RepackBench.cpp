// Times `qmx -i` on a large format-15 asset file whose unpacked folder replaces 16 MiB of it, against
// a plain copy of the same 16 MiB (read whole, written to a new file, closed, no fsync: what qmx does
// with a replacement), and takes the repack's peak resident memory. qmx leaves the objects it does
// not replace where they are, so both figures should follow the replacements and stay the same
// whatever the size of the file around them.
//
//   repack_bench [--repetitions N] [--qmx PATH] [--work FOLDER] [ASSET_MIB...]
//
// ASSET_MIB is the size of the filler objects in MiB (100 and 1024 unless given); each figure is the
// median of N runs (15 unless given). A run of qmx that finds no file gives the cost of starting
// qmx, which the repack's time includes and the copy's does not. The files go to FOLDER (bench-work
// beside the build's bin folder) and are deleted afterwards.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "serialized/SerializedFile.h"
#include "support/Files.h"
#include "support/SerializedFileBuilder.h"

namespace fs = std::filesystem;
using testsupport::Bytes;

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kFillerObjectBytes = kMiB;
constexpr std::size_t kReplacementBytes = 16 * kMiB;
constexpr std::int32_t kFormatVersion = 15;
// A format-15 table entry: 64-bit path ID, byteStart, byteSize, type ID, class ID and script index
// (16 bits each), and the closing word.
constexpr std::size_t kEntryLength = 8 + 4 + 4 + 4 + 2 + 2 + 4;
constexpr std::int16_t kGameObjectClass = 1;
constexpr std::int16_t kMonoBehaviourClass = 114;
constexpr std::int32_t kMonoBehaviourTypeIndex = 1;  // its place in the type list below
constexpr std::int64_t kMonoBehaviourPathId = 1;
// What qmx prints last when it has rebuilt the file ("完成！" in UTF-8, its output on Linux).
const std::string kDoneLine = "\xe5\xae\x8c\xe6\x88\x90\xef\xbc\x81\n";

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what);
}

void check(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

std::size_t alignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void putLittle32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putBig32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

Bytes noise(std::size_t length, std::uint64_t seed) {
  Bytes bytes(length);
  std::uint64_t state = seed * 0x9E3779B97F4A7C15u + 1;
  for (std::size_t i = 0; i < length; i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    for (std::size_t k = 0; k < 8 && i + k < length; ++k) {
      bytes[i + k] = static_cast<std::uint8_t>(state >> (8 * k));
    }
  }
  return bytes;
}

void writeAll(int fd, const std::uint8_t* data, std::size_t length, const fs::path& path) {
  while (length > 0) {
    const ssize_t put = ::write(fd, data, length);
    check(put > 0, "cannot write " + path.string());
    data += put;
    length -= static_cast<std::size_t>(put);
  }
}

// The asset file on disk, and what is needed to put it back as it was after each repack.
struct LargeAsset {
  fs::path path;
  Bytes head;  // header and metadata, up to the data offset
  std::uint64_t length = 0;
};

// The builder lays out the header, the metadata and the one small object that gets replaced; the
// filler objects go into its table with no data and are then pointed at 1 MiB runs that are
// streamed after the builder's bytes, so that no more than 1 MiB of them is ever in memory.
LargeAsset writeLargeAsset(const fs::path& path, std::size_t fillerCount) {
  testsupport::AssetDescription d;
  d.formatVersion = kFormatVersion;
  d.types.push_back({kGameObjectClass, {}, {}, {}, {}});
  d.types.push_back({kMonoBehaviourClass, {}, {}, {}, {}});
  d.objects.push_back(
      {kMonoBehaviourPathId, kMonoBehaviourTypeIndex, kMonoBehaviourClass, 0, 0, noise(64, 1)});
  for (std::size_t i = 0; i < fillerCount; ++i) {
    d.objects.push_back({static_cast<std::int64_t>(2 + i), 0, kGameObjectClass, 0xFFFF, 0, {}});
  }
  testsupport::BuiltAsset built = testsupport::buildAsset(d);

  const std::size_t fillerBase = alignUp(built.bytes.size() - built.dataOffset, 8);
  const std::size_t entries = alignUp(built.objectTableStart + 4, 4);
  for (std::size_t i = 0; i < fillerCount; ++i) {
    const std::size_t entry = entries + (1 + i) * kEntryLength;
    putLittle32(built.bytes, entry + 8, static_cast<std::uint32_t>(fillerBase + i * kFillerObjectBytes));
    putLittle32(built.bytes, entry + 12, static_cast<std::uint32_t>(kFillerObjectBytes));
  }
  const std::uint64_t length = built.dataOffset + fillerBase + fillerCount * kFillerObjectBytes;
  check(length < (std::uint64_t{1} << 31), "the asset file would pass its 32-bit offsets");
  putBig32(built.bytes, 4, static_cast<std::uint32_t>(length));
  built.bytes.resize(built.dataOffset + fillerBase, 0);

  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  check(fd >= 0, "cannot create " + path.string());
  writeAll(fd, built.bytes.data(), built.bytes.size(), path);
  Bytes filler = noise(kFillerObjectBytes, 2);
  for (std::size_t i = 0; i < fillerCount; ++i) {
    std::memcpy(filler.data(), &i, sizeof i);
    writeAll(fd, filler.data(), filler.size(), path);
  }
  // On disk before any timing, so that write-back of the set-up does not land in a measurement.
  check(::fsync(fd) == 0 && ::close(fd) == 0, "cannot write " + path.string());

  // The file must be what it claims: qmx's own reader accepts it and sees every filler.
  SerializedFile file;
  check(file.load(path.wstring()) == LoadStatus::Loaded, "the built asset file does not load");
  check(file.objects().entries().size() == fillerCount + 1, "the built object table lost objects");
  if (fillerCount > 0) {
    const ObjectInfo& last = file.objects().entries().rbegin()->second;
    check(last.byteStart == fillerBase + (fillerCount - 1) * kFillerObjectBytes &&
              last.byteSize == kFillerObjectBytes,
          "the built object table is not where the fillers are");
  }
  file.close();

  return {path, Bytes(built.bytes.begin(), built.bytes.begin() + built.dataOffset), length};
}

void writeReplacement(const fs::path& path) {
  fs::create_directories(path.parent_path());
  const Bytes bytes = noise(kReplacementBytes, 3);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  check(fd >= 0, "cannot create " + path.string());
  writeAll(fd, bytes.data(), bytes.size(), path);
  check(::fsync(fd) == 0 && ::close(fd) == 0, "cannot write " + path.string());
}

// Cuts off what the last repack appended and puts the old header and table back.
void restore(const LargeAsset& asset) {
  check(::truncate(asset.path.c_str(), static_cast<off_t>(asset.length)) == 0, "cannot truncate the asset");
  const int fd = ::open(asset.path.c_str(), O_WRONLY);
  check(fd >= 0, "cannot reopen the asset");
  check(::pwrite(fd, asset.head.data(), asset.head.size(), 0) == static_cast<ssize_t>(asset.head.size()),
        "cannot restore the asset's head");
  ::close(fd);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct QmxRun {
  double seconds = 0;
  long peakRssKiB = 0;
  std::string output;
};

// Runs `qmx -i FILE` as a child and waits for it: the time from fork to its end, what it printed,
// and its own peak resident memory from wait4.
QmxRun runQmx(const fs::path& qmx, const fs::path& file) {
  int out[2];
  check(::pipe(out) == 0, "pipe");
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  check(pid >= 0, "fork");
  if (pid == 0) {
    const int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    std::string program = qmx.string();
    std::string option = "-i";
    std::string path = file.string();
    char* argv[] = {program.data(), option.data(), path.data(), nullptr};
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  ::close(out[1]);
  QmxRun run;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(out[0], buffer, sizeof buffer)) > 0) {
    run.output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  int status = 0;
  struct rusage usage {};
  check(::wait4(pid, &status, 0, &usage) == pid, "wait4");
  run.seconds = secondsSince(start);
  run.peakRssKiB = usage.ru_maxrss;
  check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "qmx did not run (" + qmx.string() + ")");
  return run;
}

QmxRun repack(const fs::path& qmx, const LargeAsset& asset) {
  QmxRun run = runQmx(qmx, asset.path);
  check(run.output.ends_with(kDoneLine), "qmx did not rebuild the file; it printed:\n" + run.output);
  check(fs::file_size(asset.path) == asset.length + kReplacementBytes, "qmx did not append the replacement");
  return run;
}

// Read whole and written to a new file through stdio, as qmx reads a replacement and appends it.
double timeCopy(const fs::path& from, const fs::path& to) {
  const auto start = std::chrono::steady_clock::now();
  FILE* in = std::fopen(from.c_str(), "rb");
  check(in != nullptr && std::fseek(in, 0, SEEK_END) == 0, "cannot open " + from.string());
  Bytes bytes(static_cast<std::size_t>(std::ftell(in)));
  std::rewind(in);
  check(std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size(), "cannot read " + from.string());
  std::fclose(in);
  FILE* out = std::fopen(to.c_str(), "wb");
  check(out != nullptr, "cannot create " + to.string());
  check(std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size(), "cannot write " + to.string());
  check(std::fclose(out) == 0, "cannot write " + to.string());
  return secondsSince(start);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Result {
  std::size_t assetMiB = 0;
  std::uint64_t fileBytes = 0;
  double repackSeconds = 0;
  double copySeconds = 0;
  double startSeconds = 0;
  long peakRssKiB = 0;
};

Result measure(std::size_t assetMiB, const fs::path& qmx, const fs::path& work, int repetitions) {
  fs::remove_all(work);
  fs::create_directories(work);
  const LargeAsset asset = writeLargeAsset(work / "level.assets", assetMiB * kMiB / kFillerObjectBytes);
  const fs::path replacement = work / "level_unpak" / "MonoBehaviour" /
                               std::to_string(kMonoBehaviourTypeIndex) /
                               (std::to_string(kMonoBehaviourPathId) + ".bin");
  writeReplacement(replacement);
  const fs::path copy = work / "copy.bin";

  // One untimed round first, so that qmx and the replacement are in the page cache for every
  // timed one.
  repack(qmx, asset);
  timeCopy(replacement, copy);

  std::vector<double> repacks;
  std::vector<double> copies;
  std::vector<double> starts;
  Result result{assetMiB, asset.length, 0, 0, 0, 0};
  for (int i = 0; i < repetitions; ++i) {
    // Each timed step starts with nothing left to write back from the step before it.
    restore(asset);
    fs::remove(copy);
    ::sync();
    const QmxRun run = repack(qmx, asset);
    repacks.push_back(run.seconds);
    result.peakRssKiB = std::max(result.peakRssKiB, run.peakRssKiB);
    ::sync();
    copies.push_back(timeCopy(replacement, copy));
    // What starting qmx costs on its own: a run that finds no file.
    starts.push_back(runQmx(qmx, work / "missing.assets").seconds);
  }
  result.repackSeconds = median(repacks);
  result.copySeconds = median(copies);
  result.startSeconds = median(starts);
  fs::remove_all(work);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
  fs::path qmx = bin / "qmx";
  fs::path work = bin.parent_path() / "bench-work";
  int repetitions = 15;
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--repetitions" && i + 1 < argc) {
      repetitions = std::max(1, std::atoi(argv[++i]));
    } else if (argument == "--qmx" && i + 1 < argc) {
      qmx = argv[++i];
    } else if (argument == "--work" && i + 1 < argc) {
      work = argv[++i];
    } else if (!argument.empty() && std::strspn(argument.c_str(), "0123456789") == argument.size()) {
      sizes.push_back(std::stoul(argument));
    } else {
      std::fprintf(stderr, "usage: %s [--repetitions N] [--qmx PATH] [--work FOLDER] [ASSET_MIB...]\n",
                   argv[0]);
      return 2;
    }
  }
  if (sizes.empty()) sizes = {100, 1024};

  std::printf("replacements: %zu MiB; median of %d runs; copy = read whole + write new file, no fsync\n",
              kReplacementBytes / kMiB, repetitions);
  std::printf("%10s %14s %11s %9s %13s %16s %14s\n", "asset MiB", "file bytes", "repack ms", "copy ms",
              "repack/copy", "qmx peak RSS MiB", "qmx start ms");
  try {
    for (std::size_t size : sizes) {
      const Result r = measure(size, qmx, work, repetitions);
      std::printf("%10zu %14llu %11.1f %9.1f %13.2f %16.1f %14.1f\n", r.assetMiB,
                  static_cast<unsigned long long>(r.fileBytes), r.repackSeconds * 1e3, r.copySeconds * 1e3,
                  r.repackSeconds / r.copySeconds, static_cast<double>(r.peakRssKiB) / 1024.0,
                  r.startSeconds * 1e3);
      std::fflush(stdout);
    }
  } catch (const std::exception& error) {
    std::error_code ignored;
    fs::remove_all(work, ignored);
    std::fprintf(stderr, "repack_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
