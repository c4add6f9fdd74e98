// piece_bench: how long a copy through the C run-time's files takes by the length of the pieces it
// reads and writes, as qmx copies a replacement on Windows, where the system has no file-to-file
// copy of open files (not a test; see the README's Benchmark section). Each figure is the median of
// the repetitions, a fresh target file each time, closed without a flush to the disk.
//   piece_bench WORK_FOLDER [MIB] [REPETITIONS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kKiB = 1024;

bool writeSource(const fs::path& path, std::size_t mib) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  std::vector<unsigned char> piece(1024 * kKiB);
  bool written = true;
  for (std::size_t i = 0; i < mib && written; ++i) {
    for (std::size_t j = 0; j < piece.size(); ++j) piece[j] = static_cast<unsigned char>(i * 31 + j * 7);
    written = std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
  }
  return std::fclose(file) == 0 && written;
}

// One copy in pieces of that length; negative when it fails.
double timeCopy(const fs::path& from, const fs::path& to, std::size_t pieceLength) {
  const auto start = Clock::now();
  FILE* in = _wfopen(from.c_str(), L"rb");
  FILE* out = _wfopen(to.c_str(), L"wb");
  if (in == nullptr || out == nullptr) return -1;
  std::vector<unsigned char> piece(pieceLength);
  bool copied = true;
  for (std::size_t got = 0; copied && (got = std::fread(piece.data(), 1, piece.size(), in)) > 0;)
    copied = std::fwrite(piece.data(), 1, got, out) == got;
  std::fclose(in);
  copied = std::fclose(out) == 0 && copied;
  return copied ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: piece_bench WORK_FOLDER [MIB] [REPETITIONS]\n");
    return 2;
  }
  const fs::path work = argv[1];
  const std::size_t mib = argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 256;
  const int repetitions = argc > 3 ? static_cast<int>(std::wcstol(argv[3], nullptr, 10)) : 5;
  fs::create_directories(work);
  const fs::path source = work / L"source.bin";
  const fs::path target = work / L"target.bin";
  if (mib == 0 || repetitions < 1 || !writeSource(source, mib)) {
    std::fprintf(stderr, "piece_bench: cannot write %zu MiB into the work folder\n", mib);
    return 1;
  }
  std::printf("%zu MiB copied, median of %d runs\n\n| piece | time | MiB/s |\n| --- | --- | --- |\n", mib,
              repetitions);
  for (std::size_t kib : {48, 96, 192, 384, 768, 1536, 3072, 6144}) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
      fs::remove(target);
      times.push_back(timeCopy(source, target, kib * kKiB));
    }
    const double seconds = median(times);
    if (seconds < 0) {
      std::fprintf(stderr, "piece_bench: the copy failed\n");
      return 1;
    }
    std::printf("| %zu KiB | %.1f ms | %.0f |\n", kib, seconds * 1000, static_cast<double>(mib) / seconds);
  }
  fs::remove_all(work);
  return 0;
}
