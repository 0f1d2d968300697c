// Every picture the window definitions name decodes with the toolkit that shows it.
#include <QImage>
#include <QString>
#include <string>

#include "forms/catalogue.h"
#include "tests/support/named_pictures.h"
#include "view_test_support.h"

namespace lumora::viewtest {
namespace {

TEST(CataloguePictures, EveryPictureNamedDecodes) {
  int checked = 0;
  for (int i = 0; i < kWindowCount; ++i) {
    const WindowDef& def = WindowDefinition(static_cast<WindowId>(i));
    for (std::string_view picture : lumora::testing::NamedPictures(def)) {
      const QString path = QStringLiteral(LUMORA_SOURCE_DATA_DIR "/") +
                           QString::fromUtf8(picture.data(), static_cast<int>(picture.size()));
      const QImage image(path);
      EXPECT_FALSE(image.isNull()) << WindowName(def.id) << " " << picture;
      EXPECT_GT(image.width() * image.height(), 0) << picture;
      ++checked;
    }
  }
  EXPECT_GT(checked, 10);
}

}  // namespace
}  // namespace lumora::viewtest
