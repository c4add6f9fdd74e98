// Times `qmx -i` on a large format-22 asset file whose unpacked folder replaces one MonoBehaviour
// with a .bin of each replacement size, against three copies of the same bytes: the kernel's (`cp`,
// started as a child process like qmx; coreutils copies with copy_file_range), the kernel's to the
// place in a page where qmx appends them (repack_bench --copy-at, started the same way), and a plain
// one (read whole, written to a new file, closed, no fsync). It takes qmx's peak resident memory in
// each case, beside the size of the file's header and metadata, which qmx has to hold. qmx leaves
// the objects it does not replace where they are, so its time should follow the replacement and
// stay the same whatever the size of the file around it.
//
//   repack_bench [--repetitions N] [--replacements MIB,...] [--qmx PATH] [--baseline PATH]
//                [--work FOLDER] [ASSET_MIB...]
//
// ASSET_MIB is the size of the filler objects in MiB (100 and 1024 unless given), MIB each size of
// the replacement (16 and 256 unless given); each figure is the median of N runs (15 unless given).
// A baseline, another build of qmx, is timed the same way on the same files, in rows of its own.
// Every program is forked from a small process of its own (repack_bench --spawn), since a child's
// peak memory counts the memory of the process it was forked from. A run of qmx that finds no file
// gives the cost of starting qmx, which the repack's time includes and the read-and-write copy's
// does not. The output is a Markdown table per asset file. The files go to FOLDER (bench-work beside
// the build's bin folder) and are deleted afterwards.
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
#include <optional>
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
// A table entry holds 32 bits of size.
constexpr std::size_t kLargestReplacementMiB = 4095;
constexpr std::int32_t kFormatVersion = 22;
const std::string kEngineVersion = "2021.3.16f1";
// qmx appends objects on multiples of 16 from the data offset in this format; the fillers lie so too.
constexpr std::uint32_t kObjectAlignment = 16;
constexpr std::int32_t kGameObjectClass = 1;
constexpr std::int32_t kMonoBehaviourClass = 114;
constexpr std::int32_t kGameObjectTypeIndex = 0;  // places in the type list below
constexpr std::int32_t kMonoBehaviourTypeIndex = 1;
constexpr std::int64_t kMonoBehaviourPathId = 1;
// What qmx prints last when it has rebuilt the file ("完成！" in UTF-8, its output on Linux).
const std::string kDoneLine = "\xe5\xae\x8c\xe6\x88\x90\xef\xbc\x81\n";

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what);
}

void check(bool condition, const std::string& what) {
  if (!condition) fail(what);
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

testsupport::Hash scriptHash() {
  testsupport::Hash hash;
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>(0xA0 + i);
  return hash;
}

// From format 17 qmx finds a MonoBehaviour's .bin by its type's script hash and its path ID.
fs::path replacementPath(const fs::path& asset) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hash;
  for (const std::uint8_t byte : scriptHash()) hash += {kDigits[byte >> 4], kDigits[byte & 0xF]};
  fs::path folder = asset;
  folder.replace_extension();
  folder += "_unpak";
  return folder / "MonoBehaviour" / hash / (std::to_string(kMonoBehaviourPathId) + ".bin");
}

void writeAll(int fd, const std::uint8_t* data, std::size_t length, const fs::path& path) {
  while (length > 0) {
    const ssize_t put = ::write(fd, data, length);
    check(put > 0, "cannot write " + path.string());
    data += put;
    length -= static_cast<std::size_t>(put);
  }
}

int createFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  check(fd >= 0, "cannot create " + path.string());
  return fd;
}

// On disk before any timing, so that write-back of the set-up does not land in a measurement.
void syncAndClose(int fd, const fs::path& path) {
  check(::fsync(fd) == 0 && ::close(fd) == 0, "cannot write " + path.string());
}

// count MiB of noise, made and written one MiB at a time, each MiB told apart by its number.
void writeNoiseMiBs(int fd, std::size_t count, std::uint64_t seed, const fs::path& path) {
  Bytes chunk = noise(kMiB, seed);
  for (std::size_t i = 0; i < count; ++i) {
    std::memcpy(chunk.data(), &i, sizeof i);
    writeAll(fd, chunk.data(), chunk.size(), path);
  }
}

// The asset file on disk, and what is needed to put it back as it was after each repack.
struct LargeAsset {
  fs::path path;
  Bytes head;  // header and metadata, up to the data offset
  std::uint64_t length = 0;
};

// One small MonoBehaviour, the object replaced, then the fillers: GameObjects whose data the
// builder only lays out, written after its bytes so that no more than 1 MiB of them is in memory.
testsupport::AssetDescription largeAssetDescription(std::size_t fillerCount) {
  testsupport::AssetDescription d;
  d.formatVersion = kFormatVersion;
  d.engineVersion = kEngineVersion;
  d.objectAlignment = kObjectAlignment;
  d.types.resize(2);
  d.types[kGameObjectTypeIndex].classId = kGameObjectClass;
  d.types[kMonoBehaviourTypeIndex].classId = kMonoBehaviourClass;
  d.types[kMonoBehaviourTypeIndex].scriptId = scriptHash();
  d.objects.resize(1 + fillerCount);
  d.objects[0].pathId = kMonoBehaviourPathId;
  d.objects[0].typeId = kMonoBehaviourTypeIndex;
  d.objects[0].data = noise(64, 1);
  for (std::size_t i = 1; i <= fillerCount; ++i) {
    d.objects[i].pathId = static_cast<std::int64_t>(1 + i);
    d.objects[i].typeId = kGameObjectTypeIndex;
    d.objects[i].unbuiltSize = static_cast<std::uint32_t>(kFillerObjectBytes);
  }
  return d;
}

// The file must be what it claims: qmx's own reader accepts it and sees every filler where it is.
void checkLargeAsset(const fs::path& path, const testsupport::BuiltAsset& built, std::size_t fillerCount) {
  check(fs::file_size(path) == built.fileLength, "the built asset file is not as long as its header says");
  SerializedFile file;
  check(file.loadReadOnly(path.wstring()) == LoadStatus::Loaded, "the built asset file does not load");
  check(file.objects().entries().size() == fillerCount + 1, "the built object table lost objects");
  const ObjectInfo& last = file.objects().entries().rbegin()->second;
  check(
      last.byteStart == built.byteStarts.back() && (fillerCount == 0 || last.byteSize == kFillerObjectBytes),
      "the built object table is not where the fillers are");
  file.close();
}

LargeAsset writeLargeAsset(const fs::path& path, std::size_t fillerCount) {
  testsupport::BuiltAsset built = testsupport::buildAsset(largeAssetDescription(fillerCount));
  // The fillers follow each other from the first one's start.
  if (fillerCount > 0) built.bytes.resize(built.dataOffset + built.byteStarts[1], 0);
  const int fd = createFile(path);
  writeAll(fd, built.bytes.data(), built.bytes.size(), path);
  writeNoiseMiBs(fd, fillerCount, 2, path);
  syncAndClose(fd, path);
  checkLargeAsset(path, built, fillerCount);
  return {path, Bytes(built.bytes.begin(), built.bytes.begin() + built.dataOffset), built.fileLength};
}

void writeReplacement(const fs::path& path, std::size_t mib) {
  fs::create_directories(path.parent_path());
  const int fd = createFile(path);
  writeNoiseMiBs(fd, mib, 3, path);
  syncAndClose(fd, path);
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

struct ChildRun {
  double seconds = 0;
  long peakRssKiB = 0;
  std::string output;
};

// The option by which the bench runs itself as the parent of a program it times.
constexpr const char* kSpawnOption = "--spawn";
// The option by which the bench runs itself as a kernel copy to a given offset.
constexpr const char* kCopyAtOption = "--copy-at";
// Where the spawner reports the program's time, peak memory and exit status.
constexpr int kReportFd = 3;

// Run as `repack_bench --spawn PROGRAM ARGS...`: runs the program as a child and reports, on the
// report descriptor, the time from fork to its end, its own peak resident memory from wait4 and
// its exit status. A child's peak counts the memory of the process it was forked from, so programs
// are forked from this small, fresh process, never from the bench, which holds large buffers.
int spawnAndReport(char** arguments) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return 1;
  if (pid == 0) {
    ::close(kReportFd);
    ::execvp(arguments[0], arguments);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return 1;
  const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  const std::string report = std::to_string(secondsSince(start)) + " " + std::to_string(usage.ru_maxrss) +
                             " " + std::to_string(exitCode) + "\n";
  return ::write(kReportFd, report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 1;
}

// Run as `repack_bench --copy-at FROM TO OFFSET`: has the kernel copy the whole file FROM into a new
// file TO at OFFSET, as cp copies a file but to the place in a page where qmx's append falls. A copy
// whose bytes start elsewhere in a page than they stood costs the kernel more than one that keeps
// their place (each page it writes takes parts of two), however it is made.
int copyAt(char** arguments) {
  const int from = ::open(arguments[0], O_RDONLY);
  const int to = ::open(arguments[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (from < 0 || to < 0) return 1;
  loff_t in = 0;
  auto out = static_cast<loff_t>(std::strtoull(arguments[2], nullptr, 10));
  ssize_t copied = 0;
  while ((copied = ::copy_file_range(from, &in, to, &out, std::size_t{1} << 30, 0)) > 0) {
  }
  return copied == 0 && ::close(to) == 0 ? 0 : 1;
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(got));
  ::close(fd);
  return text;
}

// Runs the program through a spawner (see spawnAndReport) and waits for it: its time, what it
// printed, and its own peak resident memory. It must exit with 0.
ChildRun runChild(std::vector<std::string> arguments) {
  std::vector<char*> argv{const_cast<char*>("/proc/self/exe"), const_cast<char*>(kSpawnOption)};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int out[2];
  int report[2];
  check(::pipe(out) == 0 && ::pipe(report) == 0, "pipe");
  const pid_t pid = ::fork();
  check(pid >= 0, "fork");
  if (pid == 0) {
    // The read ends go first: one of them may be the report descriptor's number.
    ::close(out[0]);
    ::close(report[0]);
    const int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(report[1], kReportFd);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(report[1]);
  ChildRun run;
  run.output = readAll(out[0]);
  const std::string reported = readAll(report[0]);
  int status = 0;
  check(::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0,
        "the spawner of " + arguments[0] + " failed");
  int exitCode = -1;
  check(std::sscanf(reported.c_str(), "%lf %ld %d", &run.seconds, &run.peakRssKiB, &exitCode) == 3,
        "the spawner of " + arguments[0] + " reported nothing");
  check(exitCode == 0, arguments[0] + " did not run or failed");
  return run;
}

// qmx said it was done, and the table now gives the object the replacement's size, at the end of
// the file, past the data it had.
void checkReplaced(const LargeAsset& asset, std::uint64_t replacementBytes) {
  SerializedFile file;
  check(file.loadReadOnly(asset.path.wstring()) == LoadStatus::Loaded,
        "the rebuilt asset file does not load");
  const ObjectInfo& object = file.objects().entries().at(ObjectTable::keyOf(kMonoBehaviourPathId));
  const std::uint64_t start = asset.head.size() + object.byteStart;
  check(object.byteSize == replacementBytes && start >= asset.length &&
            fs::file_size(asset.path) == start + replacementBytes,
        "qmx did not append the replacement and point the object at it");
  file.close();
}

ChildRun repack(const fs::path& qmx, const LargeAsset& asset, std::uint64_t replacementBytes) {
  ChildRun run = runChild({qmx.string(), "-i", asset.path.string()});
  check(run.output.ends_with(kDoneLine), "qmx did not rebuild the file; it printed:\n" + run.output);
  checkReplaced(asset, replacementBytes);
  return run;
}

// Where qmx appends the replacement: the end of the file, rounded up to a multiple of 16 from the
// data offset.
std::uint64_t appendOffset(const LargeAsset& asset) {
  const std::uint64_t dataOffset = asset.head.size();
  return dataOffset + (asset.length - dataOffset + 15) / 16 * 16;
}

double timeKernelCopyAt(const fs::path& from, const fs::path& to, std::uint64_t offset) {
  const ChildRun run =
      runChild({"/proc/self/exe", kCopyAtOption, from.string(), to.string(), std::to_string(offset)});
  check(fs::file_size(to) == offset + fs::file_size(from),
        "the copy at qmx's offset did not copy " + from.string());
  return run.seconds;
}

double timeKernelCopy(const fs::path& from, const fs::path& to) {
  const ChildRun run = runChild({"cp", from.string(), to.string()});
  check(fs::file_size(to) == fs::file_size(from), "cp did not copy " + from.string());
  return run.seconds;
}

// Read whole and written to a new file through stdio: a copy that holds all of it in memory at once.
double timeReadAndWrite(const fs::path& from, const fs::path& to) {
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

struct Settings {
  fs::path qmx;
  fs::path work;
  std::optional<fs::path> baseline;  // another build of qmx, timed the same way in the same run
  int repetitions = 15;
  std::vector<std::size_t> assetMiBs{100, 1024};
  std::vector<std::size_t> replacementMiBs{16, 256};
};

struct CaseResult {
  double repackSeconds = 0;
  double kernelCopySeconds = 0;
  double kernelCopyAtSeconds = 0;
  double readAndWriteSeconds = 0;
  long peakRssKiB = 0;
};

CaseResult measureReplacement(const LargeAsset& asset, std::size_t replacementMiB, const fs::path& qmx,
                              const Settings& settings) {
  const fs::path replacement = replacementPath(asset.path);
  const std::uint64_t replacementBytes = replacementMiB * kMiB;
  const fs::path kernelCopy = settings.work / "cp-copy.bin";
  const fs::path kernelCopyAt = settings.work / "copy-at-offset.bin";
  const fs::path readAndWriteCopy = settings.work / "read-write-copy.bin";

  // One untimed round first, so that qmx, cp and the replacement are in the page cache for every
  // timed one.
  restore(asset);
  repack(qmx, asset, replacementBytes);
  timeKernelCopy(replacement, kernelCopy);
  timeKernelCopyAt(replacement, kernelCopyAt, appendOffset(asset));
  timeReadAndWrite(replacement, readAndWriteCopy);

  std::vector<double> repacks;
  std::vector<double> kernelCopies;
  std::vector<double> kernelCopiesAt;
  std::vector<double> readAndWrites;
  CaseResult result;
  for (int i = 0; i < settings.repetitions; ++i) {
    // Each timed step starts with nothing left to write back from the step before it.
    restore(asset);
    fs::remove(kernelCopy);
    fs::remove(kernelCopyAt);
    fs::remove(readAndWriteCopy);
    ::sync();
    const ChildRun run = repack(qmx, asset, replacementBytes);
    repacks.push_back(run.seconds);
    result.peakRssKiB = std::max(result.peakRssKiB, run.peakRssKiB);
    ::sync();
    kernelCopies.push_back(timeKernelCopy(replacement, kernelCopy));
    ::sync();
    kernelCopiesAt.push_back(timeKernelCopyAt(replacement, kernelCopyAt, appendOffset(asset)));
    ::sync();
    readAndWrites.push_back(timeReadAndWrite(replacement, readAndWriteCopy));
  }
  result.repackSeconds = median(repacks);
  result.kernelCopySeconds = median(kernelCopies);
  result.kernelCopyAtSeconds = median(kernelCopiesAt);
  result.readAndWriteSeconds = median(readAndWrites);
  return result;
}

// What starting qmx costs on its own: a run that finds no file.
double measureStart(const Settings& settings) {
  std::vector<double> starts;
  for (int i = 0; i < settings.repetitions; ++i) {
    starts.push_back(
        runChild({settings.qmx.string(), "-i", (settings.work / "missing.assets").string()}).seconds);
  }
  return median(starts);
}

void printAssetHeading(std::size_t assetMiB, const LargeAsset& asset, double startSeconds) {
  std::printf(
      "\nasset file %zu MiB of fillers: %llu bytes, format %d (%s), header + metadata %zu bytes; "
      "the replacement is appended %llu bytes into a page; qmx start (no file) %.1f ms\n\n",
      assetMiB, static_cast<unsigned long long>(asset.length), kFormatVersion, kEngineVersion.c_str(),
      asset.head.size(), static_cast<unsigned long long>(appendOffset(asset) % 4096), startSeconds * 1e3);
  std::printf(
      "| replacement | qmx -i | cp | kernel copy to qmx's offset | read + write | qmx / cp | qmx / copy to "
      "offset "
      "| qmx / read + write | qmx peak RSS |\n");
  std::printf("| --- | --- | --- | --- | --- | --- | --- | --- | --- |\n");
}

void printCase(std::size_t replacementMiB, const char* build, const CaseResult& r) {
  std::printf("| %zu MiB .bin%s | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.2f | %.2f | %.2f | %.1f MiB |\n",
              replacementMiB, build, r.repackSeconds * 1e3, r.kernelCopySeconds * 1e3,
              r.kernelCopyAtSeconds * 1e3, r.readAndWriteSeconds * 1e3, r.repackSeconds / r.kernelCopySeconds,
              r.repackSeconds / r.kernelCopyAtSeconds, r.repackSeconds / r.readAndWriteSeconds,
              static_cast<double>(r.peakRssKiB) / 1024.0);
}

void measureAsset(std::size_t assetMiB, const Settings& settings) {
  fs::remove_all(settings.work);
  fs::create_directories(settings.work);
  const LargeAsset asset =
      writeLargeAsset(settings.work / "level.assets", assetMiB * kMiB / kFillerObjectBytes);
  printAssetHeading(assetMiB, asset, measureStart(settings));
  for (std::size_t replacementMiB : settings.replacementMiBs) {
    writeReplacement(replacementPath(asset.path), replacementMiB);
    printCase(replacementMiB, "", measureReplacement(asset, replacementMiB, settings.qmx, settings));
    if (settings.baseline) {
      printCase(replacementMiB, ", baseline",
                measureReplacement(asset, replacementMiB, *settings.baseline, settings));
    }
    std::fflush(stdout);
  }
  fs::remove_all(settings.work);
}

std::optional<std::size_t> wholeNumber(const std::string& text) {
  if (text.empty() || text.size() > 9 || std::strspn(text.c_str(), "0123456789") != text.size()) return {};
  return std::stoul(text);
}

// "16,256": sizes from 1 MiB to the largest an object can have.
std::optional<std::vector<std::size_t>> replacementMiBs(const std::string& text) {
  std::vector<std::size_t> sizes;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    const std::size_t end = std::min(text.find(',', begin), text.size());
    const std::optional<std::size_t> size = wholeNumber(text.substr(begin, end - begin));
    if (!size || *size == 0 || *size > kLargestReplacementMiB) return {};
    sizes.push_back(*size);
    begin = end + 1;
  }
  return sizes;
}

std::optional<Settings> parseArguments(int argc, char** argv) {
  const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
  Settings settings;
  settings.qmx = bin / "qmx";
  settings.work = bin.parent_path() / "bench-work";
  std::vector<std::size_t> assetMiBs;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--repetitions" && hasValue) {
      settings.repetitions = std::max(1, std::atoi(argv[++i]));
    } else if (argument == "--replacements" && hasValue) {
      const std::optional<std::vector<std::size_t>> sizes = replacementMiBs(argv[++i]);
      if (!sizes) return {};
      settings.replacementMiBs = *sizes;
    } else if (argument == "--qmx" && hasValue) {
      settings.qmx = argv[++i];
    } else if (argument == "--baseline" && hasValue) {
      settings.baseline = argv[++i];
    } else if (argument == "--work" && hasValue) {
      settings.work = argv[++i];
    } else if (const std::optional<std::size_t> size = wholeNumber(argument)) {
      assetMiBs.push_back(*size);
    } else {
      return {};
    }
  }
  if (!assetMiBs.empty()) settings.assetMiBs = assetMiBs;
  return settings;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], kSpawnOption) == 0) return spawnAndReport(argv + 2);
  if (argc == 5 && std::strcmp(argv[1], kCopyAtOption) == 0) return copyAt(argv + 2);
  const std::optional<Settings> settings = parseArguments(argc, argv);
  if (!settings) {
    std::fprintf(
        stderr,
        "usage: %s [--repetitions N] [--replacements MIB,...] [--qmx PATH] [--baseline PATH] [--work FOLDER] "
        "[ASSET_MIB...]\n",
        argv[0]);
    return 2;
  }
  std::printf(
      "median of %d runs; cp: coreutils cp, started as a child process like qmx; "
      "read + write: read whole, written to a new file, no fsync\n",
      settings->repetitions);
  try {
    for (std::size_t assetMiB : settings->assetMiBs) measureAsset(assetMiB, *settings);
  } catch (const std::exception& error) {
    std::error_code ignored;
    fs::remove_all(settings->work, ignored);
    std::fprintf(stderr, "repack_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
