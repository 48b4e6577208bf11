// The fast paths against the literal procedures the tests keep as their oracles, timed side by
// side in one run: margin analysis of a long margin, and the symmetry of the teeth of a large
// scan. Both must give the same results; the ratios are printed.
#pragma once

namespace leafmargin::bench {

// allTeeth: run the full-size symmetry procedure on all 30 teeth instead of the first 3
// (seconds per tooth), and time the OpenCV full-size work alone as well.
int benchLiteralRatios(bool allTeeth);

}  // namespace leafmargin::bench
