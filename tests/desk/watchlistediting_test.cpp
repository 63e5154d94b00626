#include "desk/deskrules.h"
#include "desk/form1.h"
#include "desk/frmadd.h"
#include "desk/watchlistview.h"
#include "quote/gbk.h"
#include "shell/linklabel.h"
#include "tests/support/scriptedhttpserver.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

// Waits for condition. Under GoogleTest a QTRY_* that times out only returns
// from the test, which then passes; this fails it.
#define EXPECT_SOON(condition)                                                                     \
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Quillon's window over a watch list in a temporary program directory, with a
// quote service on loopback whose replies the test sets per code.
class WatchListEditing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.listen());
        qputenv("QUILLON_QUOTE_URL", m_server.baseUrl().toUtf8());
        qputenv("QUILLON_SITE_URL", m_server.baseUrl().toUtf8());
    }
    void TearDown() override {
        m_form.reset();
        qunsetenv("QUILLON_QUOTE_URL");
        qunsetenv("QUILLON_SITE_URL");
    }

    void startWith(const QByteArray& codes, const QByteArray& takeProfits,
                   const QByteArray& stopLosses) {
        for (const auto& [name, bytes] : {std::pair{"Setting.ini", codes},
                                          {"Setting2.ini", takeProfits},
                                          {"Setting3.ini", stopLosses}}) {
            QFile file(m_dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        restart();
    }
    void restart() {
        m_form.reset();
        m_form = std::make_unique<Form1>(m_dir.path());
    }

    void reply(const QByteArray& code, const QByteArray& body, int delayMs = 0) {
        m_replies.set("/msq?cn_" + code, body, delayMs);
    }
    // The web views fetch pages of the same server: requests are told apart by path.
    qsizetype requestsFor(const QByteArray& target) const {
        const auto log = m_server.requests();
        return std::count_if(log.begin(), log.end(), [&](auto& r) { return r.target == target; });
    }

    QStringList rows() const {
        QStringList result;
        WatchListView* list = m_form->ListView1;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            result.append(item->text(desk::CodeColumn) + "|" + item->text(desk::TakeProfitColumn) +
                          "|" + item->text(desk::StopLossColumn));
        }
        return result;
    }
    QByteArray files() const {
        return readFile(m_dir.filePath("Setting.ini")) + "#" +
               readFile(m_dir.filePath("Setting2.ini")) + "#" +
               readFile(m_dir.filePath("Setting3.ini"));
    }

    void deleteRow(int row) {
        m_form->ListView1->clearSelection();
        if (row >= 0)
            m_form->ListView1->topLevelItem(row)->setSelected(true);
        m_form->mnu22->trigger();
    }

    FrmAdd* openDialog() {
        m_form->show();
        m_form->mnu21->trigger();
        FrmAdd* dialog = m_form->addDialog();
        EXPECT_TRUE(dialog && QTest::qWaitForWindowExposed(dialog));
        return dialog;
    }
    // Types a code and leaves the field for the take-profit box, as Tab would.
    void typeCodeAndLeave(FrmAdd* dialog, const QString& code) {
        dialog->Text1->setFocus();
        dialog->Text1->setText(code);
        dialog->Text4->setFocus(Qt::TabFocusReason);
    }

    QTemporaryDir m_dir;
    ScriptedHttpServer m_server;
    ResponsesByTarget m_replies{m_server};
    std::unique_ptr<Form1> m_form;
};

} // namespace

TEST_F(WatchListEditing, DeletingSavesTheRestByteForByteAndAFailedSaveShowsUntilRepaired) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // so the window shows what failed
    // Row C's lines are no GBK: a pair that is none, a NUL byte, a lead byte
    // without its trail. Rewrites after deleting other rows keep them unchanged.
    const QByteArray c = QByteArray::fromHex("438120ff"), three = QByteArray::fromHex("330078"),
                     lone = QByteArray::fromHex("6381");
    startWith("A\r\nB\r\n" + c + "\r\nD\r\n", "1\r\n2\r\n" + three + "\r\n4\r\n",
              "a\r\nb\r\n" + lone + "\r\nd\r\n");
    m_form->show();
    auto* notice = m_form->findChild<QLabel*>("saveNotice");
    ASSERT_TRUE(notice);
    const auto blockFiles = [this](bool block) { // directories cannot be replaced, by root neither
        for (const char* name : {"Setting2.ini", "Setting3.ini"})
            ASSERT_TRUE(block
                            ? QFile::remove(m_dir.filePath(name)) && QDir(m_dir.path()).mkdir(name)
                            : QDir(m_dir.path()).rmdir(name));
    };
    deleteRow(-1); // nothing selected: nothing changes, no file is touched
    EXPECT_EQ(rows().size(), 4);
    blockFiles(true);
    deleteRow(1);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "自选股未能保存：Setting2.ini、Setting3.ini");
    EXPECT_TRUE(m_form->ListView1->geometry().contains(notice->geometry()));
    // The refresh timer retries until the files are back in step with the list.
    blockFiles(false);
    m_form->Timer1->start(20);
    EXPECT_SOON(!notice->isVisible());
    EXPECT_EQ(files(),
              "A\r\n" + c + "\r\nD\r\n#1\r\n" + three + "\r\n4\r\n#a\r\n" + lone + "\r\nd\r\n");

    blockFiles(true);
    deleteRow(0);
    EXPECT_TRUE(notice->isVisible());
    QTest::mouseClick(notice, Qt::LeftButton); // a click takes it down
    EXPECT_FALSE(notice->isVisible());
    blockFiles(false);
    deleteRow(1);
    const QStringList kept = rows();
    EXPECT_EQ(kept.size(), 1);
    EXPECT_EQ(files(), c + "\r\n#" + three + "\r\n#" + lone + "\r\n");
    restart();
    EXPECT_EQ(rows(), kept);

    deleteRow(0); // the only row: three empty files, an empty list
    EXPECT_EQ(files(), "##");
    restart();
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(WatchListEditing, TheDialogLooksUpTheNameAndProposesPricesWithoutBlocking) {
    startWith("", "", "");
    reply("600000", "'sh','600000','" + gbk::encode(u"浦发银行") + "','12.34','1%'", 300);
    FrmAdd* dialog = openDialog();
    EXPECT_EQ(dialog->windowTitle(), "添加黑马");
    EXPECT_EQ(dialog->pos(), m_form->frameGeometry().bottomLeft() + QPoint(0, 1));
    EXPECT_EQ(dialog->Text4->text(), "现价的5%");
    EXPECT_EQ(dialog->Text5->text(), "现价的-5%");

    dialog->Text1->setText("60000");
    EXPECT_FALSE(dialog->Command1->isEnabled());
    typeCodeAndLeave(dialog, "600000");
    // The lookup runs while the window stays responsive.
    EXPECT_EQ(dialog->Text2->text(), FrmAdd::kLookingUp);
    EXPECT_FALSE(dialog->Text2->isEnabled());
    EXPECT_FALSE(dialog->Command1->isEnabled());
    EXPECT_SOON(dialog->Text2->text() == "浦发银行");
    EXPECT_TRUE(dialog->Text2->isEnabled());
    EXPECT_TRUE(dialog->Command1->isEnabled());
    EXPECT_EQ(dialog->Text4->text(), "12.96");
    EXPECT_EQ(dialog->Text5->text(), "11.72");

    // Opening it again only brings it up: one dialog, where it was.
    dialog->move(dialog->pos() + QPoint(30, 30));
    const QPoint moved = dialog->pos();
    m_form->mn17->trigger();
    EXPECT_EQ(m_form->addDialog(), dialog);
    EXPECT_EQ(dialog->pos(), moved);
}

TEST_F(WatchListEditing, LookupsThatFailComeShortOrComeLateFollowTheDialogsRules) {
    startWith("", "", "");
    m_replies["/msq?cn_NOREPL"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    reply("NOPRIC", "'sh','x','" + gbk::encode(u"无价") + "'");
    reply("BADPRI", "'sh','x','" + gbk::encode(u"坏价") + "','停牌'");
    reply("000001", "'sz','000001','x','10.00'", 500);
    QPointer<FrmAdd> dialog = openDialog();

    typeCodeAndLeave(dialog, "BADPRI"); // a price that is no number leaves the proposals
    EXPECT_SOON(dialog->Text2->text() == "坏价");
    EXPECT_EQ(dialog->Text4->text(), "现价的5%");
    EXPECT_TRUE(dialog->Command1->isEnabled());

    typeCodeAndLeave(dialog, "NOPRIC"); // a name but no price: prices read 0
    EXPECT_SOON(dialog->Text2->text() == "无价");
    EXPECT_EQ(dialog->Text4->text(), "0");
    EXPECT_EQ(dialog->Text5->text(), "0");
    EXPECT_TRUE(dialog->Command1->isEnabled());

    typeCodeAndLeave(dialog, "NOREPL"); // no reply: no name, zeros, no adding
    EXPECT_SOON(dialog->Text2->isEnabled());
    EXPECT_EQ(dialog->Text2->text(), "");
    EXPECT_EQ(dialog->Text4->text(), "0");
    EXPECT_FALSE(dialog->Command1->isEnabled());

    // An empty code is looked up too, as "cn_" alone.
    typeCodeAndLeave(dialog, "");
    EXPECT_SOON(dialog->Text2->isEnabled());
    EXPECT_EQ(requestsFor("/msq?cn_"), 1);

    // Closing the dialog while a lookup is on its way drops the late reply.
    typeCodeAndLeave(dialog, "000001");
    EXPECT_SOON(requestsFor("/msq?cn_000001") == 1);
    dialog->close();
    EXPECT_SOON(dialog.isNull());
    QTest::qWait(800); // past the reply's arrival
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(files(), "##");
}

TEST_F(WatchListEditing, AddingAppendsARowAndALineToEachFileAndClosesTheDialog) {
    startWith("600000\r\n", "11\r\n", "9\r\n");
    reply("000858", "'sz','000858','" + gbk::encode(u"五粮液") + "','150.00'");
    FrmAdd* dialog = openDialog();
    typeCodeAndLeave(dialog, "000858");
    EXPECT_SOON(dialog->Text4->text() == "157.5");
    dialog->Text5->setText("现价的-5%"); // stored as typed, not checked
    QPointer<FrmAdd> guard(dialog);
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    EXPECT_SOON(guard.isNull());

    EXPECT_EQ(rows(), (QStringList{"600000|11|9", "000858|157.5|现价的-5%"}));
    const QTreeWidgetItem* added = m_form->ListView1->topLevelItem(1);
    EXPECT_EQ(added->text(desk::PriceColumn), "待命");
    EXPECT_EQ(added->text(desk::NameColumn), "");
    EXPECT_EQ(files(),
              "600000\r\n000858\r\n#11\r\n157.5\r\n#9\r\n" + gbk::encode(u"现价的-5%") + "\r\n");

    // The same code again is a second row.
    dialog = openDialog();
    EXPECT_EQ(dialog->Text1->text(), ""); // a fresh dialog
    typeCodeAndLeave(dialog, "000858");
    EXPECT_SOON(dialog->Command1->isEnabled());
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
    EXPECT_EQ(rows().size(), 3);
}

TEST_F(WatchListEditing, TheDialogsControlsKeyboardOrderAndLinks) {
    startWith("", "", "");
    FrmAdd* dialog = openDialog();
    EXPECT_EQ(dialog->size(), QSize(264, 192));
    const std::tuple<QWidget*, QRect, const char*> controls[] = {
        {dialog->Label1, {8, 8, 97, 17}, "股票编号："},
        {dialog->Text1, {88, 8, 113, 25}, ""},
        {dialog->Label3, {8, 72, 73, 17}, "止盈价："},
        {dialog->Text5, {88, 104, 113, 25}, "现价的-5%"},
        {dialog->Command1, {32, 136, 177, 25}, "添加股票"},
        {dialog->Label8, {8, 168, 249, 25}, "默认止盈价是现价的5%，止损位是-5%，可修改"},
        {dialog->Label6, {208, 40, 49, 73}, "私募内线涨停荐股热点题材        解套战法"},
    };
    for (const auto& [widget, geometry, text] : controls) {
        EXPECT_EQ(widget->geometry(), geometry) << text;
        EXPECT_EQ(widget->property("text").toString(), QString(text));
    }
    EXPECT_DOUBLE_EQ(dialog->Text1->font().pointSizeF(), 14.25);
    EXPECT_EQ(dialog->Command1->palette().color(QPalette::Button), QColor(255, 128, 128));

    QStringList order;
    QWidget* widget = dialog->Text1;
    for (int i = 0; i < 5; ++i, widget = widget->nextInFocusChain()) {
        while (!(widget->focusPolicy() & Qt::TabFocus))
            widget = widget->nextInFocusChain();
        order.append(widget->objectName());
    }
    EXPECT_EQ(order, (QStringList{"Text1", "Text2", "Command1", "Text4", "Text5"}));

    // The three links open the maker's home page and leave the dialog open.
    QTemporaryDir bin;
    QFile script(bin.filePath("xdg-open"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$1\" >>\"$0.log\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    for (QWidget* link : {dialog->Label5, dialog->Label6, dialog->Label7})
        QTest::mouseClick(link, Qt::LeftButton);
    qputenv("PATH", path);
    const QByteArray home = m_server.baseUrl().toUtf8() + "/\n";
    EXPECT_SOON(readFile(bin.filePath("xdg-open.log")) == home + home + home);
    EXPECT_TRUE(dialog->isVisible());
}
