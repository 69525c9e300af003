#pragma once

// The logo strip at the left of the main window: the collage at the top, the lettering at the
// bottom, and as many gradient tiles between them as the height asks for.

#include "ui/window/Artwork.h"

#include <QWidget>

#include <vector>

namespace korvo {

struct LogoPiece {
    enum class Kind { Pictures, Gradient, Korvo };
    Kind What;
    int Top;

    bool operator==(const LogoPiece&) const = default;
};

// The pieces for a paint area of the given height, in drawing order. The lettering keeps the
// bottom; the collage keeps the top while there is room and is cut at its top otherwise.
std::vector<LogoPiece> LogoLayout(int height);

// `Logo`: paints its whole area itself, so nothing is cleared before it paints.
class TLogoStrip : public QWidget {
public:
    TLogoStrip(const TArtwork& artwork, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TArtwork& m_artwork;
};

} // namespace korvo
