#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "AppFixture.h"

namespace {

using FormsTest = AppFixture;

// The forms are laid out in pixels for a narrow font; whatever font this
// machine has, no text may run past the form's edge.
TEST_F(FormsTest, EveryLabelFitsInsideItsForm) {
  for (TForm* Form : std::initializer_list<TForm*>{About.get(), Notice1.get(), Notice2.get()}) {
    for (QLabel* Label : Form->findChildren<QLabel*>()) {
      EXPECT_LE(Label->x() + Label->width(), Form->width())
          << Form->objectName().toStdString() << ": " << Label->text().toStdString();
      EXPECT_GT(Label->width(), 0);
    }
  }
}

TEST_F(FormsTest, DialogsAreCentredOnTheScreenEachTimeTheyAreShown) {
  const QRect Screen = QGuiApplication::primaryScreen()->geometry();
  for (TForm* Form : std::initializer_list<TForm*>{About.get(), Notice1.get(), Notice2.get()}) {
    Form->move(3, 4);
    Form->show();
    EXPECT_EQ(Form->pos(), QPoint(Screen.x() + (Screen.width() - Form->width()) / 2,
                                  Screen.y() + (Screen.height() - Form->height()) / 2))
        << Form->objectName().toStdString();
    Form->hide();
  }
  EXPECT_EQ(About->size(), QSize(230, 65));
  EXPECT_TRUE(About->windowFlags() & Qt::Tool);
}

TEST_F(FormsTest, TheWarningIconShowsTheDialogThroughItsBackground) {
  const QImage Icon = Notice1->Image1->pixmap().toImage();
  ASSERT_EQ(Icon.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(Icon.pixel(0, 31)), 0);
  EXPECT_EQ(qAlpha(Icon.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(Icon.pixel(16, 20)), 255) << "the triangle itself stays";
}

}  // namespace
