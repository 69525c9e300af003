#pragma once

// A number edit with its spinner, for one ranged setting. The spin box as a whole is the spinner
// (named C…), its text field the number edit (named E…), so both names of a pair lead to it.
//
// Stepping moves by the setting's step and stops at the ends of the range. Typed text is taken
// only when it is a whole number inside the range, and only when the user confirms it (Enter,
// leaving the field); anything else snaps back to the last valid value, so that typing 5000
// into a field of 16 … 2048 never leaves 500 or 2048 behind.

#include "model/TextRules.h"

#include <QSpinBox>

namespace korvo {

class TNumberSpinner : public QSpinBox {
public:
    TNumberSpinner(const QString& spinnerName, const QString& editName, NumberRange range, QWidget* parent);

    const NumberRange& Range() const { return m_range; }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
    void fixup(QString& input) const override;
    void wheelEvent(QWheelEvent* event) override;

private:
    NumberRange m_range;
};

} // namespace korvo
