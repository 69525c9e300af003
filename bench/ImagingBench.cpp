// The image pipeline on a 12-megapixel photo: decoding, the preprocessing filters, scaling,
// rotation, encoding, and the whole chain the album run performs for one picture. The photo
// is the first of bench/compare-album's, stored as a JPEG of camera quality in a temporary
// folder.
//
//   build/bin/korvo2-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "bench/Photos.h"
#include "imaging/AlbumPicture.h"
#include "imaging/Histogram.h"
#include "imaging/Jpeg.h"
#include "imaging/MedianFilter.h"
#include "imaging/Process.h"
#include "imaging/RotateBMP.h"
#include "imaging/ScaleBMP.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace korvo;

constexpr int PhotoWidth = 4000;
constexpr int PhotoHeight = 3000;

BitmapPtr MakePhoto()
{
    BitmapPtr photo = bench::MakePhoto(1, PhotoWidth, PhotoHeight);
    if (!photo)
        throw std::runtime_error("no memory for the photo");
    return photo;
}

// The photo as a file and decoded, made on first use and removed at exit.
class TPhoto {
public:
    static TPhoto& Get()
    {
        static TPhoto photo;
        return photo;
    }
    const std::string& Path() const { return m_path; }
    const std::filesystem::path& Folder() const { return m_folder; }
    // A fresh decoded copy, for benchmarks that change the picture.
    BitmapPtr Decoded() const { return m_decoded->Clone(); }
    TBitmap& Shared() { return *m_decoded; }

private:
    TPhoto()
    {
        m_folder = std::filesystem::temp_directory_path() / ("korvo2-bench-" + std::to_string(std::random_device {}()));
        std::filesystem::create_directories(m_folder);
        m_path = (m_folder / "photo.jpg").string();
        BitmapPtr photo = MakePhoto();
        if (!EncodeJpegFile(*photo, m_path, 92, false))
            throw std::runtime_error("cannot write the photo");
        m_decoded = DecodeJpegFile(m_path, DctMethod::Float);
        if (!m_decoded)
            throw std::runtime_error("cannot read the photo");
    }
    ~TPhoto()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::filesystem::path m_folder;
    std::string m_path;
    BitmapPtr m_decoded;
};

void BM_DecodeFloat(benchmark::State& state)
{
    const std::string& path = TPhoto::Get().Path();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeJpegFile(path, DctMethod::Float));
}
BENCHMARK(BM_DecodeFloat)->Unit(benchmark::kMillisecond);

void BM_DecodeFast(benchmark::State& state)
{
    const std::string& path = TPhoto::Get().Path();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeJpegFile(path, DctMethod::Fast));
}
BENCHMARK(BM_DecodeFast)->Unit(benchmark::kMillisecond);

void BM_MedianFilter(benchmark::State& state)
{
    BitmapPtr picture = TPhoto::Get().Decoded();
    for (auto _ : state) {
        ApplyMedianFilter(*picture);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MedianFilter)->Unit(benchmark::kMillisecond);

void BM_Scale(benchmark::State& state)
{
    TBitmap& photo = TPhoto::Get().Shared();
    BitmapPtr dest = TBitmap::Create(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        ScaleBitmap(&photo, dest.get());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Scale)->Args({ 640, 480 })->Args({ 128, 96 })->Unit(benchmark::kMillisecond);

void BM_Equalize(benchmark::State& state)
{
    BitmapPtr picture = TPhoto::Get().Decoded();
    for (auto _ : state) {
        EqualizeBitmap(*picture, state.range(0) != 0, 0.02);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Equalize)->Arg(1)->Arg(0)->ArgNames({ "rgb" })->Unit(benchmark::kMillisecond);

template <BitmapPtr (*Turn)(TBitmap&)> void BM_Rotate(benchmark::State& state)
{
    TBitmap& photo = TPhoto::Get().Shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(Turn(photo));
}
BENCHMARK(BM_Rotate<RotateClockwise>)->Name("BM_RotateClockwise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate<RotateHalfTurn>)->Name("BM_RotateHalfTurn")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate<RotateCounterClockwise>)->Name("BM_RotateCounterClockwise")->Unit(benchmark::kMillisecond);

void BM_EncodeSized(benchmark::State& state)
{
    const Configuration config;
    const auto kind = state.range(0) ? OutputImageKind::ThumbnailImage : OutputImageKind::PreviewImage;
    TImageRecord image;
    BitmapPtr sized = MakeSizedImage(image, &TPhoto::Get().Shared(), kind, config);
    const std::string path = (TPhoto::Get().Folder() / "sized.jpg").string();
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteJpegFile(sized.get(), path, kind, config));
}
BENCHMARK(BM_EncodeSized)->Arg(0)->Arg(1)->ArgNames({ "thumbnail" })->Unit(benchmark::kMillisecond);

// Everything the album run does to a picture after decoding it, with the default settings:
// median filter, preview and thumbnail (with its edge), both files.
void BM_AfterDecode(benchmark::State& state)
{
    const Configuration config;
    TImageRecord image;
    BitmapPtr picture = TPhoto::Get().Decoded();
    const std::string preview = (TPhoto::Get().Folder() / "image001.jpg").string();
    const std::string thumb = (TPhoto::Get().Folder() / "thumb001.jpg").string();
    for (auto _ : state) {
        ApplyMedianFilter(*picture);
        BitmapPtr large = MakeSizedImage(image, picture.get(), OutputImageKind::PreviewImage, config);
        BitmapPtr small = MakeSizedImage(image, picture.get(), OutputImageKind::ThumbnailImage, config);
        if (!WriteJpegFile(large.get(), preview, OutputImageKind::PreviewImage, config)
            || !WriteJpegFile(small.get(), thumb, OutputImageKind::ThumbnailImage, config))
            state.SkipWithError("writing failed");
    }
}
BENCHMARK(BM_AfterDecode)->Unit(benchmark::kMillisecond);

// The whole chain for one picture: LoadImage, two MakeSizedImage, two WriteJpegFile.
void BM_WholeChain(benchmark::State& state)
{
    const Configuration config;
    TImageRecord image;
    image.Source = TPhoto::Get().Path();
    const std::string preview = (TPhoto::Get().Folder() / "image001.jpg").string();
    const std::string thumb = (TPhoto::Get().Folder() / "thumb001.jpg").string();
    for (auto _ : state) {
        BitmapPtr picture = LoadImage(image, config);
        BitmapPtr large = MakeSizedImage(image, picture.get(), OutputImageKind::PreviewImage, config);
        BitmapPtr small = MakeSizedImage(image, picture.get(), OutputImageKind::ThumbnailImage, config);
        picture.reset();
        if (!WriteJpegFile(large.get(), preview, OutputImageKind::PreviewImage, config)
            || !WriteJpegFile(small.get(), thumb, OutputImageKind::ThumbnailImage, config))
            state.SkipWithError("writing failed");
    }
}
BENCHMARK(BM_WholeChain)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// All pixel work of one album picture as the album run does it on a worker (streamed when it
// can be, buffers reused): arg 0 default settings, 1 with the tonal correction, 2 turned by a
// quarter, 3 by a half turn.
void BM_AlbumPicture(benchmark::State& state)
{
    Configuration config;
    config.Preprocessing.Equalize = state.range(0) == 1;
    const int rotate = state.range(0) == 2 ? 1 : state.range(0) == 3 ? 2 : 0;
    TPictureWorkspace workspace;
    const TAlbumPictureJob job { TPhoto::Get().Path(), rotate, true };
    for (auto _ : state) {
        const TAlbumPictureResult result = ProcessAlbumPicture(job, config, workspace);
        if (!result.Thumbnail.Encoded)
            state.SkipWithError("picture failed");
    }
}
BENCHMARK(BM_AlbumPicture)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace
