// Pictures handed to the Scene while the client runs: kept as copies, sized like any other
// picture, painted at the element's size, and painted anew when their pixels change.
#include <gtest/gtest.h>

#include <vector>

#include "picture_library.h"
#include "qt_app.h"
#include "scene_renderer.h"
#include "view/scene.h"

namespace korvel {
namespace {

TEST(RuntimePicture, OnlyItsOwnNumbersAndSaneSizesAreKept) {
  Scene scene;
  const std::vector<uint32_t> pixels(4 * 3, 0xFF00FF00u);
  EXPECT_FALSE(scene.SetRuntimePicture(450, 4, 3, pixels.data()));
  EXPECT_FALSE(
      scene.SetRuntimePicture(kFirstRuntimePicture + kRuntimePictures, 4, 3, pixels.data()));
  EXPECT_FALSE(scene.SetRuntimePicture(kFirstRuntimePicture, 0, 3, pixels.data()));
  EXPECT_FALSE(
      scene.SetRuntimePicture(kFirstRuntimePicture, kLargestRuntimeSide + 1, 1, pixels.data()));
  EXPECT_FALSE(scene.SetRuntimePicture(kFirstRuntimePicture, 4, 3, nullptr));
  EXPECT_EQ(scene.FindRuntimePicture(kFirstRuntimePicture), nullptr);

  Form& f = scene.form(scene.AddForm("f", 100, 100));
  const ElementId e = f.Add("img", 0, ElementKind::Image, {0, 0, 10, 10});
  f.SetStretch(e, false);
  EXPECT_FALSE(f.LoadSprite(e, kFirstRuntimePicture)) << "nothing kept under the number yet";
  ASSERT_TRUE(scene.SetRuntimePicture(kFirstRuntimePicture, 4, 3, pixels.data()));
  EXPECT_TRUE(f.LoadSprite(e, kFirstRuntimePicture));
  EXPECT_EQ(f.GetWidth(e), 4);
  EXPECT_EQ(f.GetHeight(e), 3);
  scene.ClearRuntimePicture(kFirstRuntimePicture);
  EXPECT_FALSE(scene.PictureSizeOf(kFirstRuntimePicture).has_value());
}

TEST(RuntimePicture, IsPaintedAtTheElementsSizeAndRepaintedWhenItChanges) {
  TestApp();
  PictureLibrary pictures;
  Scene scene;
  Form& f = scene.form(scene.AddForm("f", 40, 40));
  const ElementId e = f.Add("img", 0, ElementKind::Image, {10, 10, 20, 20});
  std::vector<uint32_t> pixels(2 * 2, 0xFFFF0000u);
  ASSERT_TRUE(scene.SetRuntimePicture(kFirstRuntimePicture, 2, 2, pixels.data()));
  ASSERT_TRUE(f.LoadSprite(e, kFirstRuntimePicture));
  SceneRenderer renderer(pictures);
  QImage image = renderer.Render(f);
  EXPECT_EQ(image.pixel(20, 20), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 0)) << "outside the element";
  pixels.assign(4, 0xFF0000FFu);
  ASSERT_TRUE(scene.SetRuntimePicture(kFirstRuntimePicture, 2, 2, pixels.data()));
  image = renderer.Render(f);
  EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 255));
}

TEST(RuntimePicture, ACaptionWithLineBreaksIsDrawnOnSeveralLines) {
  TestApp();
  PictureLibrary pictures;
  Scene scene;
  Form& f = scene.form(scene.AddForm("f", 200, 80));
  const ElementId label = f.Add("lb", 0, ElementKind::Label, {0, 0, 200, 80});
  f.SetColor(label, 0xFFFFFF);
  f.SetFontSize(label, 14);
  SceneRenderer renderer(pictures);
  const auto inkBelow = [&](int top) {
    const QImage image = renderer.Render(f);
    for (int y = top; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) > 128) return true;
      }
    }
    return false;
  };
  f.SetCaption(label, "5");
  EXPECT_FALSE(inkBelow(30));
  f.SetCaption(label, "5\r\n请选择");
  EXPECT_TRUE(inkBelow(30));
}

}  // namespace
}  // namespace korvel
