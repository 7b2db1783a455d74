#pragma once

#include <cstddef>
#include <vector>

#include <QPainter>
#include <QPointF>
#include <QSizeF>

namespace orvane {

// The oscilloscope: the engine's waveform as one green trace across the black frame,
// scaled up so that quiet passages still show. Drawing is a pure function of `samples`.
struct ScopeView {
    std::vector<float> samples; // the engine's waveform, nominally -1...1

    // The trace's gain: loud enough that the largest sample reaches 85 % of the half
    // height, but at most 4 (also for buffers whose peak is below 0.05, i.e. silence).
    static double gain(const std::vector<float>& samples);
    // Where sample `index` of `count` (at least 2) with value `sample` lies in a canvas
    // of `size` at gain `g`; positive samples go up.
    static QPointF point(std::size_t index, std::size_t count, double sample, double g,
                         QSizeF size);

    // Draws the frame and the trace into `painter`, a canvas of `size`.
    void paint(QPainter& painter, QSizeF size) const;
};

} // namespace orvane
