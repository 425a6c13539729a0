// A document host for the window tests: its own colour data, gradient and render state, and
// counters for what the window reports to the main window.
#pragma once

#include "app/fractal/document_host.h"
#include "engine/gradient/gradient_model.h"

#include <QStringList>
#include <vector>

namespace qm::test {

class TestHost : public app::DocumentHost {
public:
    TestHost() : gradient_(colours_) { gradient_.initialise(); }

    SharedColourData& colourData() override { return colours_; }
    gradient::GradientModel& gradientModel() override { return gradient_; }
    app::SharedRenderState& renderState() override { return state_; }
    void updateLoupe(app::TPGImage&, int x, int y, const fractal::ShownView&) override {
        loupe.push_back({x, y});
    }
    bool speedometerShown() const override { return speedometer; }
    void speedometerSample(double millis) override { samples.push_back(millis); }
    void addRecentFile(const QString& path) override { recent << path; }
    void showHint(const QString& hint) override { hints << hint; }

    bool speedometer = false;
    std::vector<double> samples;
    std::vector<std::pair<int, int>> loupe;
    QStringList recent;
    QStringList hints;

private:
    SharedColourData colours_;
    gradient::GradientModel gradient_;
    app::SharedRenderState state_;
};

} // namespace qm::test
