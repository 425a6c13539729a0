// The plasma editor: preview of the buffer, field defaults at every opening, "Render".
#include "app/editors/plasma_editor.h"
#include "editor_test_support.h"
#include "engine/plasma/plasma_generator.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

using qm::app::Tplasmaform;

TEST(Tplasmaform, ShowsTheCurrentPlasmaAsGreys) {
    qm::test::qtApp();
    qm::SharedColourData data;
    qm::plasma::fillplasma(data, 1234);
    Tplasmaform form(data);
    EXPECT_EQ(form.windowTitle(), QString("Plasma Editor"));
    EXPECT_EQ(form.size(), QSize(329, 290));
    ASSERT_EQ(form.picture().size(), QSize(320, 240));
    const auto plasma = data.plasmaBuffer();
    for (auto [x, y] : {std::pair{0, 0}, {319, 239}, {160, 120}, {17, 200}}) {
        const int v = plasma->at(x, y);
        EXPECT_EQ(form.picture().pixel(x, y), qRgb(v, v, v)) << x << "," << y;
    }
}

TEST(Tplasmaform, FieldsStartAtDefaultsWhileTheGeneratorKeepsItsValues) {
    qm::test::qtApp();
    qm::SharedColourData data;
    {
        Tplasmaform form(data);
        auto* noise = form.findChild<QDoubleSpinBox*>("RxSpinEdit1");
        auto* brightness = form.findChild<QSpinBox*>("RxSpinEdit2");
        EXPECT_EQ(noise->singleStep(), 0.5);
        EXPECT_EQ(brightness->singleStep(), 5);
        EXPECT_EQ(brightness->minimum(), 0);
        EXPECT_EQ(brightness->maximum(), 100);
        noise->setValue(-3.5); // negative noise is accepted
        brightness->setValue(100);
        EXPECT_EQ(data.plasmaNoise, -3.5);
        EXPECT_EQ(data.plasmaBias, 0.0);
    }
    Tplasmaform again(data);
    EXPECT_EQ(again.findChild<QDoubleSpinBox*>("RxSpinEdit1")->value(), 2.0);
    EXPECT_EQ(again.findChild<QSpinBox*>("RxSpinEdit2")->value(), 50);
    EXPECT_EQ(data.plasmaNoise, -3.5);
    EXPECT_EQ(data.plasmaBias, 0.0);
}

TEST(Tplasmaform, RenderRegeneratesTheBufferAndThePicture) {
    qm::test::qtApp();
    qm::SharedColourData data;
    Tplasmaform form(data);
    EXPECT_EQ(form.picture().pixel(100, 100), qRgb(0, 0, 0)); // nothing generated yet
    form.findChild<QPushButton*>("RxSpeedButton1")->click();
    const auto plasma = data.plasmaBuffer();
    int nonZero = 0;
    for (int x = 0; x <= 320; ++x)
        for (int y = 0; y <= 240; ++y) {
            ASSERT_LE(plasma->at(x, y), 192);
            nonZero += plasma->at(x, y) != 0;
        }
    EXPECT_GT(nonZero, 321 * 241 / 2);
    for (int y = 0; y < 242; ++y)
        ASSERT_EQ(plasma->at(321, y), 0);
    const int v = plasma->at(100, 100);
    EXPECT_EQ(form.picture().pixel(100, 100), qRgb(v, v, v));
}

} // namespace
