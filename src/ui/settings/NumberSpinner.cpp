#include "ui/settings/NumberSpinner.h"

#include <QLineEdit>
#include <QWheelEvent>

namespace korvo {

TNumberSpinner::TNumberSpinner(const QString& spinnerName, const QString& editName, NumberRange range, QWidget* parent)
    : QSpinBox(parent)
    , m_range(range)
{
    setObjectName(spinnerName);
    lineEdit()->setObjectName(editName);
    setRange(range.Min, range.Max);
    setSingleStep(range.Step);
    setWrapping(false);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
    setFocusPolicy(Qt::StrongFocus);
}

QValidator::State TNumberSpinner::validate(QString& input, int&) const
{
    const std::string text = input.toStdString();
    if (ParseTypedNumber(text, m_range))
        return QValidator::Acceptable;
    // A number on its way (or out of range, to be refused when confirmed) may stand in the field;
    // letters and other characters are not typed at all.
    if (ParseWholeNumber(text))
        return QValidator::Intermediate;
    const QString trimmed = input.trimmed();
    if (trimmed.isEmpty() || trimmed == u"-" || trimmed == u"+")
        return QValidator::Intermediate;
    return QValidator::Invalid;
}

int TNumberSpinner::valueFromText(const QString& text) const
{
    return ParseTypedNumber(text.toStdString(), m_range).value_or(value());
}

QString TNumberSpinner::textFromValue(int value) const { return QString::fromStdString(IntToText(value)); }

void TNumberSpinner::fixup(QString&) const
{
    // Nothing to repair: an unacceptable text is refused as a whole and the last value returns.
}

} // namespace korvo

namespace korvo {

void TNumberSpinner::wheelEvent(QWheelEvent* event)
{
    // The wheel scrolls the settings page; it changes a number only in the field being edited.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QSpinBox::wheelEvent(event);
}

} // namespace korvo
