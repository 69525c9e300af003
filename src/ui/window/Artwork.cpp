#include "ui/window/Artwork.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>
#include <cmath>
#include <numbers>

namespace korvo {

namespace {

    // The ground of the small images. Pure magenta never occurs in the drawings themselves.
    constexpr QRgb KeyColour = qRgb(255, 0, 255);

    constexpr int StripWidth = 39;

    // The strip's blue at column x: a horizontal gradient, the same in every row, so that the
    // three strip images join without a seam wherever they meet.
    QColor StripBlue(int x)
    {
        const double t = x / double(StripWidth - 1);
        return QColor::fromRgbF(float(0.16 - 0.10 * t), float(0.36 - 0.16 * t), float(0.78 - 0.30 * t));
    }

    void FillStrip(QImage& image)
    {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = StripBlue(x).rgb();
            for (int y = 0; y < image.height(); ++y)
                image.setPixel(x, y, rgb);
        }
    }

    QImage NewImage(int width, int height, QRgb ground)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(ground);
        return image;
    }

    // One little photograph of the collage: a scene inside a white border with a soft shadow.
    void PaintPhoto(QPainter& painter, QPointF centre, double angle, int scene)
    {
        constexpr double W = 29;
        constexpr double H = 23;
        painter.save();
        painter.translate(centre);
        painter.rotate(angle);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 30, 90));
        painter.drawRect(QRectF(-W / 2 + 1.5, -H / 2 + 1.5, W, H));
        painter.setBrush(QColor(250, 250, 244));
        painter.drawRect(QRectF(-W / 2, -H / 2, W, H));

        const QRectF pic(-W / 2 + 2, -H / 2 + 2, W - 4, H - 4);
        painter.setClipRect(pic);
        QLinearGradient sky(pic.topLeft(), pic.bottomLeft());
        switch (scene % 6) {
        case 0: { // meadow under a summer sky
            sky.setColorAt(0, QColor(90, 160, 235));
            sky.setColorAt(1, QColor(190, 225, 250));
            painter.fillRect(pic, sky);
            painter.setBrush(QColor(255, 220, 60));
            painter.drawEllipse(QPointF(pic.right() - 6, pic.top() + 5), 3, 3);
            painter.setBrush(QColor(70, 150, 60));
            painter.drawEllipse(QRectF(pic.left() - 8, pic.bottom() - 8, 30, 16));
            painter.setBrush(QColor(50, 125, 45));
            painter.drawEllipse(QRectF(pic.left() + 8, pic.bottom() - 6, 30, 14));
            break;
        }
        case 1: { // sea with a sail
            sky.setColorAt(0, QColor(120, 180, 240));
            sky.setColorAt(1, QColor(210, 235, 250));
            painter.fillRect(pic, sky);
            painter.fillRect(QRectF(pic.left(), pic.center().y() + 1, pic.width(), pic.height()), QColor(30, 90, 170));
            painter.setBrush(Qt::white);
            painter.drawPolygon(
                QPolygonF({ QPointF(2, pic.center().y()), QPointF(2, pic.top() + 3), QPointF(8, pic.center().y()) }));
            break;
        }
        case 2: { // mountains with snow
            sky.setColorAt(0, QColor(150, 195, 240));
            sky.setColorAt(1, QColor(235, 240, 250));
            painter.fillRect(pic, sky);
            painter.setBrush(QColor(110, 115, 135));
            painter.drawPolygon(QPolygonF({ QPointF(pic.left() - 2, pic.bottom()), QPointF(-3, pic.top() + 4),
                QPointF(pic.right() - 4, pic.bottom()) }));
            painter.setBrush(QColor(135, 140, 160));
            painter.drawPolygon(QPolygonF(
                { QPointF(0, pic.bottom()), QPointF(7, pic.top() + 8), QPointF(pic.right() + 4, pic.bottom()) }));
            painter.setBrush(Qt::white);
            painter.drawPolygon(QPolygonF(
                { QPointF(-5.2, pic.top() + 7.5), QPointF(-3, pic.top() + 4), QPointF(-0.8, pic.top() + 7.5) }));
            break;
        }
        case 3: { // sunset over the water
            sky.setColorAt(0, QColor(120, 60, 150));
            sky.setColorAt(0.6, QColor(250, 140, 60));
            sky.setColorAt(1, QColor(255, 210, 110));
            painter.fillRect(pic, sky);
            painter.setBrush(QColor(255, 235, 140));
            painter.drawEllipse(QPointF(0, pic.center().y() + 3), 4, 4);
            painter.fillRect(QRectF(pic.left(), pic.center().y() + 4, pic.width(), pic.height()), QColor(60, 30, 70));
            break;
        }
        case 4: { // a red flower
            painter.fillRect(pic, QColor(80, 150, 70));
            painter.setBrush(QColor(40, 110, 40));
            painter.drawEllipse(QRectF(pic.left() + 2, pic.bottom() - 7, 10, 6));
            painter.setBrush(QColor(215, 40, 50));
            for (int petal = 0; petal < 5; ++petal) {
                const double a = petal * 2 * std::numbers::pi / 5;
                painter.drawEllipse(QPointF(2 + 3.5 * std::cos(a), -1 + 3.5 * std::sin(a)), 3, 3);
            }
            painter.setBrush(QColor(255, 210, 40));
            painter.drawEllipse(QPointF(2, -1), 2, 2);
            break;
        }
        default: { // a town at dusk
            sky.setColorAt(0, QColor(30, 40, 100));
            sky.setColorAt(1, QColor(90, 90, 160));
            painter.fillRect(pic, sky);
            const std::array<std::array<double, 3>, 5> houses { { { -12, 6, 11 }, { -6, 5, 15 }, { -1, 6, 8 },
                { 5, 4, 13 }, { 9, 5, 9 } } };
            for (const auto& house : houses) {
                const QRectF block(house[0], pic.bottom() - house[2], house[1], house[2]);
                painter.fillRect(block, QColor(25, 25, 45));
                for (double wy = block.top() + 2; wy < block.bottom() - 1; wy += 3)
                    painter.fillRect(QRectF(block.left() + 1, wy, 1, 1), QColor(255, 220, 110));
            }
            break;
        }
        }
        painter.restore();
    }

    void DrawPixels(QImage& image, int left, int top, const std::array<const char*, 7>& rows, QRgb colour)
    {
        for (int y = 0; y < int(rows.size()); ++y)
            for (int x = 0; rows[y][x] != 0; ++x)
                if (rows[y][x] == 'X')
                    image.setPixel(left + x, top + y, colour);
    }

    // White lettering with a red "2" over a soft dark shadow, as on the logo strip; `scale` is the
    // painter's scale, so the shadow stays 1.2 pixels off at every size.
    void PaintLettering(QPainter& painter, const QPainterPath& name, const QPainterPath& two, double scale)
    {
        painter.save();
        painter.translate(1.2 / scale, 1.2 / scale);
        painter.setBrush(QColor(0, 10, 50, 140));
        painter.drawPath(name);
        painter.drawPath(two);
        painter.restore();
        painter.setBrush(Qt::white);
        painter.drawPath(name);
        painter.setBrush(QColor(230, 20, 30));
        painter.drawPath(two);
    }

} // namespace

QImage PaintCheckBox(bool checked)
{
    QImage image = NewImage(13, 13, KeyColour);
    // The box fills the image but for a one-pixel border of ground on every side.
    for (int y = 1; y <= 11; ++y)
        for (int x = 1; x <= 11; ++x) {
            const bool frame = x == 1 || x == 11 || y == 1 || y == 11;
            image.setPixel(x, y, frame ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    if (checked)
        DrawPixels(image, 3, 3, { "......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X...." },
            qRgb(0, 0, 0));
    return image;
}

QImage PaintArrow(QColor colour)
{
    QImage image = NewImage(5, 3, KeyColour);
    for (int y = 0; y < 3; ++y)
        for (int x = y; x < 5 - y; ++x)
            image.setPixel(x, y, colour.rgb());
    return image;
}

QImage PaintBarPictures()
{
    QImage image = NewImage(StripWidth, 234, 0);
    FillStrip(image);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // From the top down; the bottom rows stay plain blue so that the lettering below meets a
    // calm ground whatever the window's height.
    constexpr std::array<std::array<double, 3>, 7> photos { { { 20, 16, -7 }, { 18.5, 46, 6 }, { 20.5, 77, -4 },
        { 18.5, 108, 8 }, { 20, 139, -6 }, { 19, 170, 4 }, { 20, 200, -8 } } };
    int scene = 0;
    for (const auto& photo : photos)
        PaintPhoto(painter, QPointF(photo[0], photo[1]), photo[2], scene++);
    return image;
}

QImage PaintBarGradient()
{
    QImage image = NewImage(StripWidth, 64, 0);
    FillStrip(image);
    // A faint band of light, periodic in 64 rows and zero in the first row: tiles repeat without
    // a seam and start exactly like the rows above them.
    for (int y = 0; y < 64; ++y) {
        const double s = std::sin(std::numbers::pi * y / 64.0);
        const int lift = int(std::lround(5 * s * s));
        for (int x = 0; x < StripWidth; ++x) {
            const QColor c = StripBlue(x);
            image.setPixel(x, y,
                qRgb(std::min(255, c.red() + lift), std::min(255, c.green() + lift), std::min(255, c.blue() + lift)));
        }
    }
    return image;
}

QImage PaintBarKorvo()
{
    QImage image = NewImage(StripWidth, 215, 0);
    FillStrip(image);

    QFont font = QGuiApplication::font();
    font.setPixelSize(40);
    font.setBold(true);
    QPainterPath name;
    name.addText(0, 0, font, QStringLiteral("Korvo"));
    QPainterPath two;
    two.addText(name.boundingRect().right() + 2, 0, font, QStringLiteral("2"));
    const QRectF bounds = name.boundingRect().united(two.boundingRect());

    // Read from bottom to top: the text's baseline runs upwards, its letters lean to the left.
    constexpr double Margin = 10;
    const double scale = std::min((215 - 2 * Margin) / bounds.width(), 29.0 / bounds.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(StripWidth / 2.0, 215 - Margin);
    painter.rotate(-90);
    painter.scale(scale, scale);
    painter.translate(-bounds.left(), -bounds.center().y());
    painter.setPen(Qt::NoPen);
    PaintLettering(painter, name, two, scale);
    return image;
}

QImage PaintProgramIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64-unit square.
    painter.scale(size / 64.0, size / 64.0);
    QLinearGradient blue(QPointF(2, 0), QPointF(62, 0));
    blue.setColorAt(0, StripBlue(0));
    blue.setColorAt(1, StripBlue(StripWidth - 1));
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 9, 9);
    PaintPhoto(painter, QPointF(23, 19), -8, 0);
    PaintPhoto(painter, QPointF(42, 23), 7, 2);

    QFont font = QGuiApplication::font();
    font.setPixelSize(40);
    font.setBold(true);
    QPainterPath letter;
    letter.addText(0, 0, font, QStringLiteral("K"));
    QPainterPath two;
    two.addText(letter.boundingRect().right() + 2, 0, font, QStringLiteral("2"));
    const QRectF bounds = letter.boundingRect().united(two.boundingRect());
    const double scale = std::min(40.0 / bounds.width(), 22.0 / bounds.height());
    painter.translate(32, 48);
    painter.scale(scale, scale);
    painter.translate(-bounds.center());
    PaintLettering(painter, letter, two, scale);
    return image;
}

QIcon ProgramIcon()
{
    QIcon drawn;
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 })
        drawn.addPixmap(QPixmap::fromImage(PaintProgramIcon(size)));
    return QIcon::fromTheme(QStringLiteral("korvo2"), drawn);
}

QImage WithBottomLeftTransparent(const QImage& image)
{
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    if (result.isNull())
        return result;
    const QRgb key = result.pixel(0, result.height() - 1) & RGB_MASK;
    for (int y = 0; y < result.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            if ((row[x] & RGB_MASK) == key)
                row[x] = 0;
    }
    return result;
}

TArtwork TArtwork::Load()
{
    auto transparent = [](const QImage& image) { return QPixmap::fromImage(WithBottomLeftTransparent(image)); };
    TArtwork art;
    art.LcbChecked = transparent(PaintCheckBox(true));
    art.LcbUnchecked = transparent(PaintCheckBox(false));
    art.ArrowBlack = transparent(PaintArrow(Qt::black));
    art.ArrowWhite = transparent(PaintArrow(Qt::white));
    art.BarKorvo = QPixmap::fromImage(PaintBarKorvo());
    art.BarGradient = QPixmap::fromImage(PaintBarGradient());
    art.BarPictures = QPixmap::fromImage(PaintBarPictures());
    return art;
}

QPixmap PaintButtonIcon(ButtonIcon icon)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    switch (icon) {
    case ButtonIcon::Open:
        painter.setBrush(QColor(190, 140, 30));
        painter.drawRoundedRect(QRectF(1, 3, 12, 10), 1, 1);
        painter.drawRect(QRectF(1.5, 2, 5, 2));
        painter.setBrush(QColor(250, 205, 80));
        painter.drawPolygon(QPolygonF({ QPointF(3.5, 6.5), QPointF(15, 6.5), QPointF(12.5, 13), QPointF(1, 13) }));
        break;
    case ButtonIcon::Save:
        painter.setBrush(QColor(40, 80, 160));
        painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        painter.setBrush(QColor(235, 240, 250));
        painter.drawRect(QRectF(4, 1.5, 8, 5));
        painter.setBrush(QColor(40, 80, 160));
        painter.drawRect(QRectF(9.5, 2.5, 1.5, 3));
        painter.setBrush(QColor(210, 220, 235));
        painter.drawRect(QRectF(3.5, 9, 9, 5.5));
        break;
    case ButtonIcon::Go:
        painter.setBrush(QColor(40, 150, 60));
        painter.drawEllipse(QRectF(1, 1, 14, 14));
        painter.setBrush(Qt::white);
        painter.drawPolygon(QPolygonF({ QPointF(6, 4.5), QPointF(11.5, 8), QPointF(6, 11.5) }));
        break;
    case ButtonIcon::Abort: {
        painter.setBrush(QColor(200, 30, 30));
        painter.drawEllipse(QRectF(1, 1, 14, 14));
        QPen cross(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(cross);
        painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        break;
    }
    case ButtonIcon::Help: {
        painter.setBrush(QColor(40, 100, 200));
        painter.drawEllipse(QRectF(1, 1, 14, 14));
        QFont font = QGuiApplication::font();
        font.setPixelSize(12);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ButtonIcon::Menu:
        // Three lines of a list with a bullet each.
        for (int line = 0; line < 3; ++line) {
            painter.setBrush(QColor(40, 80, 160));
            painter.drawEllipse(QRectF(1.5, 2.5 + line * 4.5, 3, 3));
            painter.setBrush(QColor(90, 90, 100));
            painter.drawRect(QRectF(6, 3 + line * 4.5, 9, 2));
        }
        break;
    case ButtonIcon::Edit: {
        // A pencil across a sheet.
        painter.setBrush(QColor(245, 245, 240));
        painter.setPen(QPen(QColor(120, 120, 130), 1));
        painter.drawRect(QRectF(1.5, 1.5, 10, 13));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(230, 160, 30));
        painter.drawPolygon(QPolygonF({ QPointF(13, 2), QPointF(15.5, 4.5), QPointF(7, 13), QPointF(4.5, 10.5) }));
        painter.setBrush(QColor(60, 60, 60));
        painter.drawPolygon(QPolygonF({ QPointF(4.5, 10.5), QPointF(7, 13), QPointF(3.5, 14.5) }));
        break;
    }
    case ButtonIcon::Up:
    case ButtonIcon::Down: {
        // A solid triangle that fills the icon, so it stays clear when drawn small.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(QColor(30, 30, 30));
        const bool up = icon == ButtonIcon::Up;
        for (int row = 0; row < 8; ++row) {
            const int y = up ? 4 + row : 11 - row;
            painter.drawRect(QRect(7 - row, y, 2 * row + 2, 1));
        }
        break;
    }
    case ButtonIcon::Close: {
        QPen cross(QColor(70, 70, 80), 2.2, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(cross);
        painter.drawLine(QPointF(4, 4), QPointF(12, 12));
        painter.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    case ButtonIcon::Rename: {
        // A text cursor beside the letters "ab".
        QFont font = QGuiApplication::font();
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(40, 80, 160));
        painter.drawText(QRectF(0, 1, 11, 14), Qt::AlignCenter, QStringLiteral("ab"));
        painter.setPen(QPen(QColor(30, 30, 30), 1.2));
        painter.drawLine(QPointF(13, 2.5), QPointF(13, 13.5));
        painter.drawLine(QPointF(11.5, 2.5), QPointF(14.5, 2.5));
        painter.drawLine(QPointF(11.5, 13.5), QPointF(14.5, 13.5));
        break;
    }
    case ButtonIcon::Remove:
        painter.setBrush(QColor(200, 40, 40));
        painter.drawRoundedRect(QRectF(2, 6.5, 12, 3), 1, 1);
        break;
    case ButtonIcon::Add:
        painter.setBrush(QColor(40, 150, 60));
        painter.drawRoundedRect(QRectF(2, 6.5, 12, 3), 1, 1);
        painter.drawRoundedRect(QRectF(6.5, 2, 3, 12), 1, 1);
        break;
    case ButtonIcon::Browse: {
        // A globe: a blue disc with a meridian, an equator and two parallels.
        painter.setBrush(QColor(40, 110, 200));
        painter.drawEllipse(QRectF(1, 1, 14, 14));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(225, 238, 255), 1.1));
        painter.drawEllipse(QRectF(5, 1.5, 6, 13));
        painter.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        painter.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
        painter.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
        break;
    }
    }
    painter.end();
    return QPixmap::fromImage(image);
}

QPixmap PaintSmallArrow(bool up)
{
    QImage image(7, 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int row = 0; row < 4; ++row) {
        const int y = up ? row : 3 - row;
        for (int x = 3 - row; x <= 3 + row; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    }
    return QPixmap::fromImage(image);
}

QIcon MakeButtonIcon(ButtonIcon icon)
{
    const char* themeName = "";
    switch (icon) {
    case ButtonIcon::Open:
        themeName = "document-open";
        break;
    case ButtonIcon::Save:
        themeName = "document-save";
        break;
    case ButtonIcon::Go:
        themeName = "media-playback-start";
        break;
    case ButtonIcon::Abort:
        themeName = "process-stop";
        break;
    case ButtonIcon::Help:
        themeName = "help-contents";
        break;
    case ButtonIcon::Menu:
        themeName = "view-list-details";
        break;
    case ButtonIcon::Edit:
        themeName = "document-edit";
        break;
    case ButtonIcon::Up:
        themeName = "go-up";
        break;
    case ButtonIcon::Down:
        themeName = "go-down";
        break;
    case ButtonIcon::Close:
        themeName = "window-close";
        break;
    case ButtonIcon::Rename:
        themeName = "edit-rename";
        break;
    case ButtonIcon::Remove:
        themeName = "list-remove";
        break;
    case ButtonIcon::Add:
        themeName = "list-add";
        break;
    case ButtonIcon::Browse:
        themeName = "internet-web-browser";
        break;
    }
    return QIcon::fromTheme(QString::fromLatin1(themeName), QIcon(PaintButtonIcon(icon)));
}

} // namespace korvo
