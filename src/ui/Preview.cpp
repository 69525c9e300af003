#include "ui/Preview.h"

namespace korvo {

TPreviewForm::TPreviewForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Vorschau"));
    // Closing the main window ends the program, whether or not a preview is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(723, 107);
}

} // namespace korvo
