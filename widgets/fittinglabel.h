#pragma once

#include <QLabel>

// A one-line label whose text is never cut off at its right edge: drawn in the
// label's own font where that fits, else in the largest smaller size that
// does. Figures that outgrow their place (a five-digit index on a day of a
// ten per cent fall) stay whole, a little smaller, rather than losing their
// last digits or their sign.
class FittingLabel : public QLabel {
    Q_OBJECT
public:
    explicit FittingLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

namespace form {

// The largest pixel size, at most font's own, at which text is no wider than
// width device-independent pixels (one pixel where none is).
int fittingPixelSize(const QFont& font, const QString& text, int width);

} // namespace form
