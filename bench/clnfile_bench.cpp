// Saving and opening a whole document, and the catalogue's name look-ups.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "sheet/CellCatalogue.h"

namespace {

struct Document {
    cmcEeprom image;
    cmcClnFile file;
    std::string dir, path;

    Document() {
        char tmpl[] = "/tmp/kelda-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/bench.cln";
        image.SetSize(cmcEeprom::kImageSize);
        for (int a = 0; a < image.Size(); ++a) image.SetByte(a, static_cast<uint8_t>(a * 7 + 3));
        file.Attach(&image);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetMapRevision(cmcClnFile::kMapRevision);
        file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
        file.SetComment(cmcClnFile::CommentFromImage(image));
    }
    ~Document() { std::system(("rm -rf " + dir).c_str()); }
};

// Save: the text, the temporary file, its flush to disk and the rename.
void BM_CloneFileWrite(benchmark::State& state) {
    Document doc;
    for (auto _ : state) {
        if (doc.file.Write(doc.path, kDocumentRanges) != FileError::kNone)
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_CloneFileWrite)->Unit(benchmark::kMicrosecond);

// The text alone, without the disk.
void BM_CloneFileFormat(benchmark::State& state) {
    Document doc;
    for (auto _ : state) benchmark::DoNotOptimize(doc.file.FormatText(kDocumentRanges));
}
BENCHMARK(BM_CloneFileFormat)->Unit(benchmark::kMicrosecond);

// Open: reading the file, checking every line, storing the bytes and the coverage check.
void BM_CloneFileRead(benchmark::State& state) {
    Document doc;
    if (doc.file.Write(doc.path, kDocumentRanges) != FileError::kNone)
        state.SkipWithError("write failed");
    for (auto _ : state) {
        if (doc.file.Read(doc.path, kDocumentRanges) != FileError::kNone)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_CloneFileRead)->Unit(benchmark::kMicrosecond);

// 10,000 label look-ups spread over the whole catalogue.
void BM_LabelByName10000(benchmark::State& state) {
    std::string names[kCellLabelCount];
    for (int i = 0; i < kCellLabelCount; ++i) names[i] = LabelName(i);
    for (auto _ : state) {
        int sum = 0;
        for (int i = 0; i < 10000; ++i) sum += LabelByName(names[i % kCellLabelCount]);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LabelByName10000)->Unit(benchmark::kMicrosecond);

}  // namespace
