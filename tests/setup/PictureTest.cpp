// Renders the window at its start state, so that its layout can be checked by eye. With
// PACE_SETUP_PICTURE set, the picture is written to that path; docs/pacecfg.png is made so:
//   PACE_SETUP_PICTURE=$PWD/docs/pacecfg.png QT_QPA_PLATFORM=offscreen
//       build/tests/setup_tests --gtest_filter='PictureTest.*'
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "WindowFixture.h"

namespace pace::testing {
namespace {

using PictureTest = SetupWindowTest;

TEST_F(PictureTest, TheStartStateRendersAtTheDesignSize) {
    ShowActive();
    const QImage picture = Form->grab().toImage();
    ASSERT_EQ(picture.size(), QSize(454, 410) * picture.devicePixelRatio());
    // The background is sky blue and the chart white, with the curve's colour drawn on it.
    EXPECT_EQ(picture.pixelColor(450, 5), QColor(166, 202, 240));
    EXPECT_EQ(picture.pixelColor(16 + 200, 159 + 2), QColor(Qt::white));
    bool curveDrawn = false;
    for (int y = 159; y < 159 + 217 && !curveDrawn; ++y)
        for (int x = 16; x < 16 + 417 && !curveDrawn; ++x)
            curveDrawn = picture.pixelColor(x, y) == QColor(255, 0, 128);
    EXPECT_TRUE(curveDrawn);

    // The markers of the points at the ends of the axes are drawn whole, also outside the plot.
    QChart* chart = Form->Chart1->chart();
    const auto onPicture = [&](QPointF value) {
        const QPointF inScene = chart->mapToScene(chart->mapToPosition(value, Form->CurvePoints));
        return Form->Chart1->mapFromScene(inScene) + Form->Chart1->pos();
    };
    const int reach = static_cast<int>(Form->CurvePoints->markerSize()) - 2;
    const QPoint origin = onPicture({0, 0});
    const QPoint top = onPicture({100, 100});
    EXPECT_EQ(picture.pixelColor(origin + QPoint(-reach, 0)), QColor(255, 0, 128));
    EXPECT_EQ(picture.pixelColor(origin + QPoint(0, reach)), QColor(255, 0, 128));
    EXPECT_EQ(picture.pixelColor(top + QPoint(reach, 0)), QColor(255, 0, 128));
    EXPECT_EQ(picture.pixelColor(top + QPoint(0, -reach)), QColor(255, 0, 128));

    const QByteArray path = qgetenv("PACE_SETUP_PICTURE");
    if (!path.isEmpty()) {
        EXPECT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

}  // namespace
}  // namespace pace::testing
