#include "ui/Sliders.h"

#include "UiTestSupport.h"
#include "ui/SeekBar.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::sendMouse;

class SliderWidgetTest : public test::QtAppTest {};

TEST_F(SliderWidgetTest, AFillSliderPressSetsTheValueAndStartsAnEditButSettingItIsSilent) {
    FillSlider slider;
    slider.resize(140, 18);
    QSignalSpy values(&slider, &FillSlider::valueEdited);
    QSignalSpy editing(&slider, &FillSlider::editingChanged);
    slider.setValue(0.6);
    EXPECT_DOUBLE_EQ(slider.value(), 0.6);
    EXPECT_EQ(values.count(), 0);

    sendMouse(&slider, QEvent::MouseButtonPress, {35, 9});
    EXPECT_DOUBLE_EQ(slider.value(), 0.25);
    EXPECT_TRUE(slider.isDragging());
    sendMouse(&slider, QEvent::MouseMove, {300, 9});
    sendMouse(&slider, QEvent::MouseButtonRelease, {300, 9});

    EXPECT_DOUBLE_EQ(slider.value(), 1.0);
    EXPECT_FALSE(slider.isDragging());
    ASSERT_EQ(values.count(), 2);
    EXPECT_DOUBLE_EQ(values.at(0).at(0).toDouble(), 0.25);
    EXPECT_DOUBLE_EQ(values.at(1).at(0).toDouble(), 1.0);
    ASSERT_EQ(editing.count(), 2);
    EXPECT_TRUE(editing.at(0).at(0).toBool());
    EXPECT_FALSE(editing.at(1).at(0).toBool());
}

TEST_F(SliderWidgetTest, APanSliderSnapsToTheCentreAndADoubleClickRecentresWithAShortEdit) {
    PanSlider slider;
    slider.resize(100, 18);
    QSignalSpy values(&slider, &PanSlider::valueEdited);
    sendMouse(&slider, QEvent::MouseButtonPress, {20, 9});
    EXPECT_NEAR(slider.value(), -0.6, 1e-12);
    sendMouse(&slider, QEvent::MouseMove, {51.5, 9});
    EXPECT_EQ(slider.value(), 0.0);
    sendMouse(&slider, QEvent::MouseButtonRelease, {51.5, 9});
    EXPECT_EQ(values.last().at(0).toDouble(), 0.0);

    QSignalSpy editing(&slider, &PanSlider::editingChanged);
    // Qt delivers press, release, double click, release.
    sendMouse(&slider, QEvent::MouseButtonPress, {90, 9});
    sendMouse(&slider, QEvent::MouseButtonRelease, {90, 9});
    sendMouse(&slider, QEvent::MouseButtonDblClick, {90, 9});
    sendMouse(&slider, QEvent::MouseButtonRelease, {90, 9});
    EXPECT_EQ(slider.value(), 0.0);
    EXPECT_EQ(values.last().at(0).toDouble(), 0.0);
    ASSERT_EQ(editing.count(), 4);
    EXPECT_TRUE(editing.at(2).at(0).toBool());
    EXPECT_FALSE(editing.at(3).at(0).toBool());
    EXPECT_FALSE(slider.isDragging());
}

TEST_F(SliderWidgetTest, TheSeekBarMapsThePointerOntoTheKnobsTravelAndDisablingEndsADrag) {
    SeekBar bar;
    bar.resize(214, 20); // 200 pixels of travel between the knob insets
    bar.setDuration(100.0);
    EXPECT_DOUBLE_EQ(bar.positionAt(SeekBar::knobRadius), 0.0);
    EXPECT_DOUBLE_EQ(bar.positionAt(SeekBar::knobRadius + 50.0), 25.0);
    EXPECT_DOUBLE_EQ(bar.positionAt(1000.0), 100.0);

    bar.setEnabled(true);
    QSignalSpy editing(&bar, &SeekBar::editingChanged);
    sendMouse(&bar, QEvent::MouseButtonPress, {57, 10});
    EXPECT_TRUE(bar.isDragging());
    bar.setEnabled(false);
    EXPECT_FALSE(bar.isDragging());
    ASSERT_EQ(editing.count(), 2);
    EXPECT_FALSE(editing.at(1).at(0).toBool());

    bar.setDuration(0.0);
    EXPECT_DOUBLE_EQ(bar.positionAt(1000.0), 0.01);
}

} // namespace
} // namespace orvane
