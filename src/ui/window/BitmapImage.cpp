#include "ui/window/BitmapImage.h"

namespace korvo {

QImage ToQImage(const TBitmap& bitmap)
{
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto& palette = bitmap.Palette();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = bitmap.Row(y);
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (bitmap.Format()) {
        case PixelFormat::Bgr24:
            for (int x = 0; x < width; ++x, source += 3)
                target[x] = qRgb(source[2], source[1], source[0]);
            break;
        case PixelFormat::Bgra32:
            // The fourth byte is no alpha for the pixel operations, so it is not one here either.
            for (int x = 0; x < width; ++x, source += 4)
                target[x] = qRgb(source[2], source[1], source[0]);
            break;
        case PixelFormat::Indexed8:
            for (int x = 0; x < width; ++x) {
                const PaletteEntry& entry = palette[source[x]];
                target[x] = qRgb(entry.Red, entry.Green, entry.Blue);
            }
            break;
        }
    }
    return image;
}

} // namespace korvo
