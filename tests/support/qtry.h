#pragma once

#include <QTest>

#include <gtest/gtest.h>

// Waits for condition. Under GoogleTest a QTRY_* that times out only returns
// from the test, which then passes; this fails it.
#define EXPECT_SOON(condition)                                                                     \
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 15000)) << #condition
