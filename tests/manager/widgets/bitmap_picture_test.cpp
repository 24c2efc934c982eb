// CBitmapPicture: the one-pixel-short stretch, failed loads keeping the picture, the face colour
// without a bitmap, reloading on a system colour change and the centred owner-drawn text.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "manager/widgets/bitmap_picture.h"
#include "tests/manager/widgets/widget_test_resources.h"
#include "tests/manager/widgets/widget_test_support.h"

namespace {

using widget_tests::CaptureClient;
using widget_tests::Pixels;
using widgets::CBitmapPicture;

class BitmapPictureTest : public ::testing::Test {
 protected:
  void Make(int width, int height) {
    ASSERT_TRUE(host.ok());
    ASSERT_TRUE(picture.Attach(host.Place(IDC_HOST_PICTURE, 10, 10, width, height)));
  }
  Pixels Shown() {
    ::InvalidateRect(picture.hwnd(), nullptr, TRUE);
    ::UpdateWindow(picture.hwnd());
    return CaptureClient(picture.hwnd());
  }

  widget_tests::WidgetHost host;
  CBitmapPicture picture;
};

TEST_F(BitmapPictureTest, AttachingMakesTheStaticOwnerDrawn) {
  Make(50, 50);
  EXPECT_EQ(picture.Style() & SS_TYPEMASK, SS_OWNERDRAW);
}

TEST_F(BitmapPictureTest, WithoutBitmapShowsTheFaceColour) {
  Make(50, 40);
  const Pixels shown = Shown();
  EXPECT_EQ(shown.At(0, 0), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(shown.At(49, 39), ::GetSysColor(COLOR_BTNFACE));
}

// The fixture's pixel (x, y) has red x and green y: the last source column and row (199, 99)
// must never reach the screen, and the stretch covers the whole control.
TEST_F(BitmapPictureTest, StretchesFromOnePixelLessThanTheBitmap) {
  Make(200, 100);
  ASSERT_TRUE(picture.LoadPicture(IDB_TEST_COORDINATES));
  EXPECT_EQ(picture.BitmapInfo().bmWidth, 200);
  EXPECT_EQ(picture.BitmapInfo().bmHeight, 100);
  const Pixels shown = Shown();
  int maxRed = 0, maxGreen = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      maxRed = std::max(maxRed, static_cast<int>(GetRValue(shown.At(x, y))));
      maxGreen = std::max(maxGreen, static_cast<int>(GetGValue(shown.At(x, y))));
    }
  }
  EXPECT_EQ(shown.At(0, 0), RGB(0, 0, 50));
  EXPECT_EQ(maxRed, 198);
  EXPECT_EQ(maxGreen, 98);
  EXPECT_EQ(GetBValue(shown.At(199, 99)), 50) << "the corner is covered";
}

TEST_F(BitmapPictureTest, FailedLoadKeepsThePreviousPicture) {
  Make(200, 100);
  ASSERT_TRUE(picture.LoadPicture(IDB_TEST_SOLID));
  const HBITMAP loaded = picture.Bitmap();
  EXPECT_FALSE(picture.LoadPicture(4711));
  EXPECT_EQ(picture.ResourceId(), 4711);
  EXPECT_FALSE(picture.LoadPicture(L"NO_SUCH_BITMAP"));
  EXPECT_EQ(picture.ResourceId(), -1);
  EXPECT_EQ(picture.ResourceName(), L"NO_SUCH_BITMAP");
  EXPECT_EQ(picture.Bitmap(), loaded);
  EXPECT_EQ(picture.BitmapInfo().bmWidth, 20);
  EXPECT_EQ(Shown().At(100, 50), RGB(10, 20, 200));
}

TEST_F(BitmapPictureTest, SystemColourChangeReloadsTheBitmap) {
  Make(200, 100);
  ASSERT_TRUE(picture.LoadPicture(IDB_TEST_SOLID));
  const HBITMAP first = picture.Bitmap();
  picture.Send(WM_SYSCOLORCHANGE);
  EXPECT_NE(picture.Bitmap(), nullptr);
  EXPECT_NE(picture.Bitmap(), first);
  EXPECT_EQ(::GetObjectType(first), 0u) << "the replaced bitmap is deleted";
  EXPECT_EQ(Shown().At(5, 5), RGB(10, 20, 200));
}

TEST_F(BitmapPictureTest, WindowTextIsDrawnCentredOverThePicture) {
  Make(200, 100);
  ASSERT_TRUE(picture.LoadPicture(IDB_TEST_SOLID));
  picture.SetText(L"WWWW");
  const Pixels shown = Shown();
  int minX = 1000, maxX = -1;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (GetBValue(shown.At(x, y)) < 100) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
      }
    }
  }
  ASSERT_GE(maxX, 0) << "the text was drawn";
  EXPECT_NEAR(minX + maxX, 199, 4);
}

}  // namespace
