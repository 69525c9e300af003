// korvo2-bench-photos: writes the benchmark's photos, photo01.jpg … photoNN.jpg, into a folder:
// 12 megapixels (every fourth one upright), camera quality 92, with an Exif segment.
//
//   korvo2-bench-photos FOLDER COUNT [WIDTH HEIGHT]

#include "bench/Photos.h"
#include "imaging/Jpeg.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    using namespace korvo;
    if (argc != 3 && argc != 5) {
        std::fputs("Aufruf: korvo2-bench-photos ORDNER ANZAHL [BREITE HÖHE]\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    const int width = argc == 5 ? std::atoi(argv[3]) : 4000;
    const int height = argc == 5 ? std::atoi(argv[4]) : 3000;
    for (int number = 1; number <= count; ++number) {
        const bool upright = number % 4 == 0;
        BitmapPtr photo = bench::MakePhoto(number, upright ? height : width, upright ? width : height);
        std::vector<std::uint8_t> jpeg;
        if (!photo || !EncodeJpegMemory(*photo, 92, false, jpeg)) {
            std::fprintf(stderr, "korvo2-bench-photos: Bild %d nicht erzeugt\n", number);
            return 1;
        }
        bench::InsertSegment(jpeg, bench::MakeCameraExif(number));
        char name[32];
        std::snprintf(name, sizeof name, "/photo%02d.jpg", number);
        std::FILE* file = std::fopen((folder + name).c_str(), "wb");
        const bool written = file && std::fwrite(jpeg.data(), 1, jpeg.size(), file) == jpeg.size();
        if (!file || std::fclose(file) != 0 || !written) {
            std::fprintf(stderr, "korvo2-bench-photos: %s nicht geschrieben\n", (folder + name).c_str());
            return 1;
        }
    }
    return 0;
}
