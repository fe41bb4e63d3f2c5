// kst_bench_payload [rounds]: throughput of extracting the payload packed into this program (every
// slot inflated and written to a file, as an install does) against its floor, the installer's
// inflater (libdeflate) alone on the same records into a fresh buffer per file, measured in the
// same run. Extraction is timed twice: into an emptied folder, as a first install, and over the
// files already there, as a reinstall; the check of every record that an install makes first is
// timed against the same floor. Figures only.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "base/Inflate.h"
#include "bench/ExtractionFolder.h"
#include "install/EmbeddedFiles.h"
#include "install/PayloadFormat.h"

namespace {

using kst::EmbeddedFile;
using kst::kEmbeddedFiles;

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

// The shortest of the timed rounds of work; prepare runs untimed before each.
template <typename Prepare, typename Work>
double BestRound(int rounds, Prepare prepare, Work work) {
  double best = 1e30;
  for (int round = 0; round <= rounds; ++round) {  // round 0 warms the caches up
    prepare();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!work()) return -1;
    QueryPerformanceCounter(&end);
    if (round > 0) best = std::min(best, Seconds(start, end));
  }
  return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 10;
  size_t total = 0;
  for (const EmbeddedFile& file : kEmbeddedFiles) {
    kst::PayloadRecordView record;
    if (!kst::ReadPayloadRecord(file.slot, file.capacity, &record) || record.packedSize == 0) {
      fprintf(stderr, "kst_bench_payload: slot %s holds no record; pack this program first\n",
              file.markerName);
      return 1;
    }
    total += record.inflatedSize;
  }

  ExtractionFolder folder(L"kst-bench-payload");
  auto extractAll = [&] { return folder.ExtractAll(); };
  auto removeAll = [&] { folder.RemoveAll(); };
  auto nothing = [] {};
  double fresh = BestRound(rounds, removeAll, extractAll);
  double replacing = BestRound(rounds, nothing, extractAll);
  double inflate = BestRound(rounds, nothing, [&] {
    for (const EmbeddedFile& file : kEmbeddedFiles) {
      kst::PayloadRecordView record;
      kst::ReadPayloadRecord(file.slot, file.capacity, &record);
      void* buffer = HeapAlloc(GetProcessHeap(), 0, record.inflatedSize + 8);
      size_t length = 0;
      kst::InflateResult result = kst::InflateZlibStream(record.stream, record.packedSize, buffer,
                                                         record.inflatedSize, &length);
      HeapFree(GetProcessHeap(), 0, buffer);
      if (result != kst::InflateResult::kDone) return false;
    }
    return true;
  });
  // The check an install makes before it touches the system: every record inflated and checked.
  double check = BestRound(rounds, nothing, [&] {
    for (const EmbeddedFile& file : kEmbeddedFiles) {
      if (kst::CheckEmbeddedFile(file.slot, file.capacity) != kst::FileResult::kDone) return false;
    }
    return true;
  });
  if (fresh < 0 || replacing < 0 || inflate < 0 || check < 0) {
    fprintf(stderr, "kst_bench_payload: a record did not extract\n");
    return 1;
  }

  double megabytes = total / 1e6;
  printf("payload: %zu bytes in %zu files; best of %d rounds\n", total,
         sizeof(kEmbeddedFiles) / sizeof(kEmbeddedFiles[0]), rounds);
  printf("  libdeflate inflate, fresh buffers:  %7.1f MB/s  (%.1f ms)\n", megabytes / inflate,
         inflate * 1e3);
  printf("  payload check before an install:    %7.1f MB/s  (%.1f ms), %.2fx the inflate time\n",
         megabytes / check, check * 1e3, check / inflate);
  printf("  extraction into an emptied folder:  %7.1f MB/s  (%.1f ms), %.2fx the inflate time\n",
         megabytes / fresh, fresh * 1e3, fresh / inflate);
  printf("  extraction over the existing files: %7.1f MB/s  (%.1f ms), %.2fx the inflate time\n",
         megabytes / replacing, replacing * 1e3, replacing / inflate);
  printf("  (goal: extraction at most 1.5x the inflate time)\n");
  return 0;
}
