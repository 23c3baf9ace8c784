// Images handed to the main window from outside: several paths on the command
// line, a drop from a file manager, and File > Open Recent.
#include "MainFormFixture.h"

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace dyskel::test {
namespace {

class OpenFromOutsideTest : public MainFormTest {
  protected:
    TempDir elsewhere;
    void SetUp() override {
        images.Write("alpha.D64", StandardImage("ALPHA"));
        images.Write("beta.D64", StandardImage("BETA"));
        elsewhere.Write("far.D64", StandardImage("FAR"));
        elsewhere.Write("near.d64", StandardImage("NEAR"));
    }
    void Drop(const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
        mime.setUrls(urls);
        const QPointF at(300, 200);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form.get(), &drop);
        QCoreApplication::processEvents();
    }
};

TEST_F(OpenFromOutsideTest, SeveralPathsOpenTheFirstAndListTheOthers) {
    Start({"/DEBUG", QString::fromStdString(elsewhere.File("near.d64")),
           QString::fromStdString(images.File("alpha.D64")),
           QString::fromStdString(images.File("beta.D64"))});
    Show();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, elsewhere.File("near.d64"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].parent, form.get());
    EXPECT_TRUE(dialogs.shown[0].text.endsWith(QStringLiteral("not opened:\n") +
                                               QString::fromStdString(images.File("alpha.D64")) + "\n" +
                                               QString::fromStdString(images.File("beta.D64"))));
}

TEST_F(OpenFromOutsideTest, ADroppedImageOpensWithItsFolderListed) {
    Start();
    Show();
    Drop({elsewhere.File("far.D64")});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, elsewhere.File("far.D64"));
    EXPECT_EQ(Find<TDirListBox>("DirListBox")->Directory(), elsewhere.Path());
    EXPECT_EQ(Current(), "far.D64");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(OpenFromOutsideTest, RecentImagesAreKeptNewestFirstInTheirOwnSection) {
    Start();
    Show();
    for (int i = 0; i < 6; ++i) {
        dialogs.fileNames.push_back(QString::fromStdString(images.File(i % 2 ? "alpha.D64" : "beta.D64")));
        Item("MnuOpenFile")->trigger();
    }
    Drop({elsewhere.File("far.D64")});
    EXPECT_EQ(form->RecentImages(),
              (std::vector<std::string>{elsewhere.File("far.D64"), images.File("alpha.D64"),
                                        images.File("beta.D64")}));
    EXPECT_NE(IniText().find("[Recent]\nFile1=" + elsewhere.File("far.D64") +
                             "\nFile2=" + images.File("alpha.D64") + "\nFile3=" + images.File("beta.D64")),
              std::string::npos)
        << IniText();
    // A new start reads them back; choosing one opens it.
    opened.clear();
    Start();
    Show();
    QMenu* recent = Find<QMenu>("MnuRecent");
    ASSERT_EQ(recent->actions().size(), 3);
    EXPECT_TRUE(recent->actions()[2]->text().endsWith(QString::fromStdString(images.File("beta.D64"))));
    recent->actions()[2]->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, images.File("beta.D64"));
    EXPECT_EQ(form->RecentImages().front(), images.File("beta.D64"));
}

TEST_F(OpenFromOutsideTest, AtMostTenRecentImages) {
    for (int i = 0; i < 12; ++i) elsewhere.Write("d" + std::to_string(i) + ".D64", StandardImage());
    Start();
    Show();
    for (int i = 0; i < 12; ++i) form->OpenPaths({elsewhere.File("d" + std::to_string(i) + ".D64")});
    ASSERT_EQ(form->RecentImages().size(), 10u);
    EXPECT_EQ(form->RecentImages().front(), elsewhere.File("d11.D64"));
    EXPECT_EQ(form->RecentImages().back(), elsewhere.File("d2.D64"));
    EXPECT_EQ(Find<QMenu>("MnuRecent")->actions().size(), 10);
}

} // namespace
} // namespace dyskel::test
