#include "widgets/formgeometry.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include <gtest/gtest.h>

#include <utility>

TEST(Fonts, TextGrowsWithTheDevicePixelRatioAndBoldSongCarriesMoreInk) {
    // The dark pixels of a line drawn at a device pixel ratio, and how many
    // rows of device pixels they span.
    const auto ink = [](const QFont& font, qreal ratio = 1) {
        QImage image(QSize(200, 40) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.drawText(4, 30, QStringLiteral("涨停领涨")); // in the default black pen
        painter.end();
        int dark = 0, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ++dark, top = qMin(top, y), bottom = y;
        return std::pair(dark, bottom - top + 1);
    };
    // The marked lines of the hot-sector list must stand out, also where the
    // regular text is drawn from a bitmap face without a bold strike.
    const QFont regular = form::songTi(12);
    EXPECT_GT(ink(form::bold(regular)).first, ink(regular).first * 5 / 4);

    // At 125 % to 200 % the faces chosen draw glyphs that many times as tall
    // as at 100 %. Qt draws a bitmap strike unscaled, so none may serve there,
    // not even one of the scaled size: 9 pt at 125 % is 15 device pixels.
    const std::pair<int, qreal> cases[] = {{12, 1.25}, {12, 1.5}, {12, 2.0}, {9, 1.25}};
    for (const auto& [points, ratio] : cases) {
        QFont scaled = form::songTi(points);
        scaled.setFamilies(form::fontFamilies("宋体", points * 4 / 3, ratio, {12, 13, 14, 15, 16}));
        EXPECT_NEAR(double(ink(scaled, ratio).second) / ink(form::songTi(points)).second, ratio,
                    ratio * 0.15)
            << points << " pt at " << ratio;
    }
    // Text is drawn at its size on every screen of the desktop, also where a
    // 100 % screen is beside a 200 % one (test_widgets_two_screens).
    for (const QScreen* screen : QGuiApplication::screens())
        EXPECT_NEAR(double(ink(regular, screen->devicePixelRatio()).second) / ink(regular).second,
                    screen->devicePixelRatio(), 0.3);
}
