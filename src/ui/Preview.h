#pragma once

// The preview window: a separate tool window that shows one picture exactly as the album will
// hold it. Created hidden at start-up and kept for the whole run; for now it only exists, and
// showing pictures in it comes with the image list.

#include <QWidget>

namespace korvo {

class TPreviewForm : public QWidget {
public:
    explicit TPreviewForm(QWidget* parent = nullptr);
};

} // namespace korvo
