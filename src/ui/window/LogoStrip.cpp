#include "ui/window/LogoStrip.h"

#include <QPainter>

namespace korvo {

namespace {

    constexpr int PicturesHeight = 234;
    constexpr int GradientHeight = 64;
    constexpr int KorvoHeight = 215;

} // namespace

std::vector<LogoPiece> LogoLayout(int height)
{
    std::vector<LogoPiece> pieces;
    const int y0 = height - KorvoHeight;
    if (y0 < PicturesHeight) {
        pieces.push_back({ LogoPiece::Kind::Pictures, y0 - PicturesHeight });
    } else {
        pieces.push_back({ LogoPiece::Kind::Pictures, 0 });
        for (int y = PicturesHeight; y < y0; y += GradientHeight)
            pieces.push_back({ LogoPiece::Kind::Gradient, y });
    }
    pieces.push_back({ LogoPiece::Kind::Korvo, y0 });
    return pieces;
}

TLogoStrip::TLogoStrip(const TArtwork& artwork, QWidget* parent)
    : QWidget(parent)
    , m_artwork(artwork)
{
    setObjectName(QStringLiteral("Logo"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLogoStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (const LogoPiece& piece : LogoLayout(height())) {
        switch (piece.What) {
        case LogoPiece::Kind::Pictures:
            painter.drawPixmap(0, piece.Top, m_artwork.BarPictures);
            break;
        case LogoPiece::Kind::Gradient:
            painter.drawPixmap(0, piece.Top, m_artwork.BarGradient);
            break;
        case LogoPiece::Kind::Korvo:
            painter.drawPixmap(0, piece.Top, m_artwork.BarKorvo);
            break;
        }
    }
}

} // namespace korvo
