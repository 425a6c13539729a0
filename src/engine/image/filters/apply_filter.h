// The picture's filter operation: a filter applied to a source picture, written into a
// destination picture, with progress and abort.
#pragma once

namespace qm::image {

class TPGFilter;
class TPixelGraphic;

// Applies `filter` to `source` and writes the result into `destination` (which may be the
// source itself for point filters only; EPGFilterSourceIsTarget otherwise). The destination
// takes the source's size and keeps its own pixel format. Rows are computed on up to `threads`
// threads (0: one per core) and written, and reported through the destination's progress
// handlers, strictly in order on the calling thread, so the result and the point where an
// abort stops are the same for any number of threads.
void applyFilter(TPixelGraphic& destination, TPGFilter& filter, const TPixelGraphic& source,
                 int threads = 0);

} // namespace qm::image
