#include "widgets/fittinglabel.h"
#include "widgets/formgeometry.h"

#include <QImage>

#include <gtest/gtest.h>

// How many runs of dark columns a label's drawing has.
static int inkRuns(QWidget& label) {
    const QImage image = label.grab().toImage();
    int runs = 0;
    bool previous = false;
    for (int x = 0; x < image.width(); ++x) {
        bool dark = false;
        for (int y = 0; y < image.height() && !dark; ++y)
            dark = qGray(image.pixel(x, y)) < 128;
        runs += dark && !previous;
        previous = dark;
    }
    return runs;
}

TEST(FittingLabel, ALineWiderThanTheLabelIsDrawnWholeInASmallerSize) {
    // Each "1" is one run of dark columns at any size; a cut-off line has fewer.
    const QString line = QStringLiteral("1 1 1 1 1 1 1 1 1 1 1 1");
    FittingLabel label(line);
    label.setFont(form::songTi(10.5));
    const int needed = label.fontMetrics().horizontalAdvance(line);

    label.resize(needed, 20);
    EXPECT_EQ(inkRuns(label), 12);
    // A fifth narrower, every glyph is still drawn: none is cut off.
    label.resize(needed * 4 / 5, 20);
    EXPECT_EQ(inkRuns(label), 12);
}
