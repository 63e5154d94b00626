#include "widgets/windowplacer.h"

#include <gtest/gtest.h>

// The add dialog below a main window at the desktop's right edge ends on
// its last column, not a pixel short or beyond, and likewise at the bottom.
TEST(KeptInside, AWindowPastTheRightAndBottomEdgesEndsExactlyOnThem) {
    EXPECT_EQ(form::keptInside(QRect(2297, 900, 264, 192), QRect(1280, 0, 1280, 1024)),
              QPoint(2296, 832));
}
