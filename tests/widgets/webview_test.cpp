#include "widgets/webview.h"

#include "tests/support/qtry.h"

#include <gtest/gtest.h>

TEST(WebView, SilentModeAnswersScriptDialogsAtOnceAsDismissed) {
    WebView view(nullptr, WebView::Mode::Silent);
    view.setHtml(
        "<script>alert(1); document.title = [confirm('c'), prompt('p', 'x')].join()</script>");
    EXPECT_SOON(view.title() == "false,");
}
