// Apical angle: the flank-line search against a literal search that recomputes every window
// mean from scratch, and the window sizes, messages and angles on known flanks.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <random>
#include <sstream>
#include <tuple>

#include "geometry/angles.h"
#include "geometry/line.h"
#include "geometry/numeric.h"
#include "measure/apical_angle.h"
#include "outline_fixture.h"
#include "support/literal_geometry.h"

namespace leafmargin {
namespace {

cv::Mat noDrawing;  // drawn on by nothing: an empty picture

using testing::densify;

// The search exactly as the measurement is defined, one window at a time.
ApicalAngleResult literalApicalAngle(cv::Point tip, cv::Point sinusBefore, cv::Point sinusAfter,
                                     const std::vector<cv::Point>& outline, cv::Mat drawing,
                                     std::ostream& trace) {
  ApicalAngleResult r;
  int iL = -1, iT = -1, iR = -1;
  for (int i = 0; i < static_cast<int>(outline.size()); ++i) {
    if (outline[i] == sinusBefore) iL = i;
    if (outline[i] == tip) iT = i;
    if (outline[i] == sinusAfter) iR = i;
  }
  std::vector<cv::Point> g, d;
  for (int i = iL; i >= 0 && i <= iT; ++i) g.push_back(outline[i]);
  for (int i = iT; i >= 0 && i <= iR; ++i) d.push_back(outline[i]);
  const int nG = static_cast<int>(g.size()), nD = static_cast<int>(d.size());
  auto table = [](int n) { return n >= 200 ? 40 : n >= 100 ? 20 : n >= 50 ? 10 : n >= 25 ? 5 : 3; };
  const int dG = table(nG), dD = table(nD);
  const double deltaPointe = (dG + dD) / 2;
  trace << "deltaG" << dG << "deltaD" << dD << "deltaPointe" << deltaPointe << std::endl;
  if (nG < 5 * dG || nD < 5 * dD) {
    trace << "impossible de déterminer l'angle apical 1 !" << std::endl;
    return r;
  }
  trace << "contourGauche.size()" << nG << "contourDroite.size()" << nD << std::endl;
  if (dG >= nG - 2 * dG) {
    trace << "impossible de déterminer l'angle apical 2 !" << std::endl;
    return r;
  }
  double best = 0.0;
  bool found = false;
  cv::Point bestDr1, bestDr2, bestQg, bestQd, apex;
  Line bestLg, bestLd;
  for (int a = 0; a + dG < nG - 2 * dG; ++a) {
    const cv::Point gl1 = testing::literalMean(g, a, a + dG), gl2 = testing::literalMean(g, a + dG, a + 2 * dG);
    const Line lg(Segment(gl1, gl2));
    for (int k = 2 * dD; k < nD - dD; ++k) {
      const cv::Point dr1 = testing::literalMean(d, k - dD, k), dr2 = testing::literalMean(d, k, k + dD);
      if (dr2.x == 0 || dr1.x == 0) {
        ApicalAngleResult stop;  // the run ends here: nothing of the search is kept
        stop.aborted = true;
        return stop;
      }
      const Line ld(Segment(dr1, dr2));
      const cv::Point x = lineIntersection(lg, ld);
      const cv::Point qg(lineXAtY(lg, -5000), -5000), qd(lineXAtY(ld, -5000), -5000);
      const double ang = std::fabs(angle3Points(x, qg, qd, trace));
      if (ang > best && std::fabs(radToDeg(lineAngle(lg))) > 0 &&
          std::fabs(radToDeg(lineAngle(ld))) > 0 && deltaPointe > pointDistance(x, tip)) {
        found = true;
        best = ang;
        bestDr1 = dr1, bestDr2 = dr2, bestLg = lg, bestLd = ld, apex = x, bestQg = qg, bestQd = qd;
        r.axis = Segment(cv::Point(static_cast<int>((static_cast<long long>(qg.x) + qd.x) / 2), -5000), x);
      }
    }
  }
  if (!found) {
    r.axis = Segment();
    trace << "impossible de déterminer l'angle apical 2 !" << std::endl;
    return r;
  }
  trace << "Dg" << bestDr1 << "DD" << bestDr2 << std::endl;
  printLine(bestLd, trace);
  trace << "G" << bestQg << "D" << bestQd << std::endl;
  auto rayEnd = [&](cv::Point sinus, const Line& l) {
    const double t = lineAngle(l);
    const int sx = sinus.x - tip.x > 0 ? 1 : -1, sy = sinus.y - tip.y > 0 ? 1 : -1;
    return cv::Point(truncToInt(tip.x + sx * std::fabs(std::cos(t)) * 70),
                     truncToInt(tip.y + sy * std::fabs(std::sin(t)) * 70));
  };
  r.found = true;
  r.angle = best;
  r.apex = apex;
  r.leftRayEnd = rayEnd(sinusBefore, bestLg);
  r.rightRayEnd = rayEnd(sinusAfter, bestLd);
  if (radToDeg(angle3Points(apex, r.leftRayEnd, r.rightRayEnd, trace)) < 10.0) {
    r.leftRayEnd = sinusBefore;
    r.rightRayEnd = sinusAfter;
  }
  cv::line(drawing, r.leftRayEnd, apex, cv::Scalar(255, 255, 255), 2, cv::LINE_8, 0);
  cv::line(drawing, r.rightRayEnd, apex, cv::Scalar(255, 255, 255), 2, cv::LINE_8, 0);
  return r;
}

struct ApicalRun { ApicalAngleResult result; std::string trace; cv::Mat drawing; };

ApicalRun run(bool literal, cv::Point tip, cv::Point before, cv::Point after,
              const std::vector<cv::Point>& o) {
  ApicalRun r{{}, {}, cv::Mat::zeros(400, 400, CV_8UC3)};
  std::ostringstream trace;
  r.result = literal ? literalApicalAngle(tip, before, after, o, r.drawing, trace)
                     : apicalAngle(tip, before, after, o, r.drawing, trace);
  r.trace = trace.str();
  return r;
}

bool sameDouble(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void expectSameRun(const ApicalRun& fast, const ApicalRun& literal) {
  const ApicalAngleResult &f = fast.result, &l = literal.result;
  EXPECT_EQ(fast.trace, literal.trace);
  EXPECT_EQ(std::tie(f.found, f.aborted, f.apex, f.leftRayEnd, f.rightRayEnd, f.axis),
            std::tie(l.found, l.aborted, l.apex, l.leftRayEnd, l.rightRayEnd, l.axis));
  EXPECT_TRUE(sameDouble(f.angle, l.angle)) << f.angle << " vs " << l.angle;
  EXPECT_EQ(cv::norm(fast.drawing, literal.drawing, cv::NORM_INF), 0.0);
}

// A tooth from sinusBefore through a few bends to the tip and on to sinusAfter.
struct RandomTooth { cv::Point before, tip, after; std::vector<cv::Point> outline; };

cv::Point jitter(std::mt19937& rng, cv::Point p, int spread) {
  std::uniform_int_distribution<int> d(-spread, spread);
  return {p.x + d(rng), p.y + d(rng)};
}

RandomTooth randomTooth(std::mt19937& rng, bool nearColumnZero, bool tipOnColumnZero) {
  std::uniform_int_distribution<int> len(4, 190);
  RandomTooth t;
  if (tipOnColumnZero) {
    // The right flank runs up column 0 from the tip, then leaves it to the right: the right
    // windows near the tip lie on column 0 before those farther on do.
    t.tip = {0, 300};
    t.before = {len(rng), 300 - len(rng)};
    const int run = std::uniform_int_distribution<int>(0, 60)(rng), rise = len(rng);
    t.after = {rise, 300 - run - rise};
    t.outline = densify({t.before, t.tip, {0, 300 - run}, t.after}).points;
    return t;
  }
  t.tip = {std::uniform_int_distribution<int>(150, 250)(rng), std::uniform_int_distribution<int>(60, 340)(rng)};
  auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int up = below(2) ? 1 : -1;  // teeth pointing down or up, sometimes sideways
  t.before = {t.tip.x - len(rng), t.tip.y - up * len(rng) / (1 + below(3))};
  t.after = {t.tip.x + len(rng), t.tip.y - up * len(rng) / (1 + below(3))};
  std::vector<cv::Point> vertices{t.before};
  const int bendsLeft = below(3), bendsRight = nearColumnZero ? 0 : below(3);
  for (int b = 1; b <= bendsLeft; ++b)
    vertices.push_back(jitter(rng, t.before + (t.tip - t.before) * b / (bendsLeft + 1), 12));
  vertices.push_back(t.tip);
  for (int b = 1; b <= bendsRight; ++b)
    vertices.push_back(jitter(rng, t.tip + (t.after - t.tip) * b / (bendsRight + 1), 12));
  if (nearColumnZero) {
    // The right flank runs along column 0 for a while.
    vertices.emplace_back(0, t.tip.y);
    t.after = {0, t.tip.y - up * len(rng)};
  }
  vertices.push_back(t.after);
  for (cv::Point& v : vertices) v.x = std::max(v.x, 0);
  t.outline = densify(vertices).points;
  // Sometimes the outline goes on past the sinuses.
  if (below(4) == 0) t.outline.insert(t.outline.begin(), cv::Point(t.before.x - 1, t.before.y));
  return t;
}

TEST(ApicalAngle, FastSearchMatchesTheLiteralSearchOnRandomFlanks) {
  std::mt19937 rng(20240611);
  int found = 0, aborted = 0, failed = 0;
  for (int trial = 0; trial <= 600; ++trial) {
    RandomTooth t = randomTooth(rng, trial % 10 == 0, trial % 10 == 5);
    if (trial == 600) {
      // A vertical left flank and a diagonal right flank meeting at the far height itself:
      // every crossing is the left line's far point, where the angle is undefined.
      t.outline.clear();
      for (int y = -4900; y >= -5000; --y) t.outline.emplace_back(100, y);
      for (int i = 1; i <= 100; ++i) t.outline.emplace_back(100 + i, -5000 + i);
      t = {t.outline.front(), {100, -5000}, t.outline.back(), t.outline};
    }
    const ApicalRun fast = run(false, t.tip, t.before, t.after, t.outline);
    const ApicalRun literal = run(true, t.tip, t.before, t.after, t.outline);
    SCOPED_TRACE(::testing::Message() << "trial " << trial << " tip " << t.tip << " before "
                                      << t.before << " after " << t.after);
    expectSameRun(fast, literal);
    if (::testing::Test::HasFailure()) return;
    found += fast.result.found;
    aborted += fast.result.aborted;
    failed += !fast.result.found && !fast.result.aborted;
  }
  // The random teeth reach every outcome.
  EXPECT_GT(found, 100);
  EXPECT_GT(aborted, 5);
  EXPECT_GT(failed, 20);
}

// A tooth with straight flanks of nG and nD points meeting at tip, both running down from it.
std::vector<cv::Point> straightTooth(cv::Point tip, int nG, int nD) {
  std::vector<cv::Point> outline;
  for (int i = nG - 1; i >= 1; --i) outline.emplace_back(tip.x - i, tip.y + i);
  outline.push_back(tip);
  for (int i = 1; i < nD; ++i) outline.emplace_back(tip.x + i, tip.y + i);
  return outline;
}

TEST(ApicalAngle, WindowHalfSizeFollowsTheFlankLengthAndShortFlanksGiveMessageOne) {
  // The trace names both sizes and their integer mean, then the flank sizes or message 1 when a
  // flank is shorter than five windows.
  const cv::Point tip(200, 100);
  struct Case { int nG, nD; const char* trace; };
  const Case cases[] = {
      {14, 21, "deltaG3deltaD3deltaPointe3\nimpossible de déterminer l'angle apical 1 !\n"},
      {15, 15, "deltaG3deltaD3deltaPointe3\ncontourGauche.size()15contourDroite.size()15\n"},
      {24, 25, "deltaG3deltaD5deltaPointe4\ncontourGauche.size()24contourDroite.size()25\n"},
      {49, 50, "deltaG5deltaD10deltaPointe7\ncontourGauche.size()49contourDroite.size()50\n"},
      {100, 99, "deltaG20deltaD10deltaPointe15\ncontourGauche.size()100contourDroite.size()99\n"},
      {200, 199, "deltaG40deltaD20deltaPointe30\ncontourGauche.size()200contourDroite.size()199\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream trace;
    apicalAngle(tip, tip + cv::Point(-(c.nG - 1), c.nG - 1), tip + cv::Point(c.nD - 1, c.nD - 1),
                straightTooth(tip, c.nG, c.nD), noDrawing, trace);
    EXPECT_EQ(trace.str().substr(0, std::string(c.trace).size()), c.trace);
  }
}

TEST(ApicalAngle, StraightFlanksMeetAtTheTipWithTheirOpening) {
  // Diagonal flanks: the window means lie exactly on them, the angle is exactly a right angle.
  const cv::Point tip(200, 100);
  cv::Mat drawing = cv::Mat::zeros(300, 400, CV_8UC3);
  std::ostringstream trace;
  const ApicalAngleResult r = apicalAngle(tip, {99, 201}, {301, 201},
                                          straightTooth(tip, 102, 102), drawing, trace);
  ASSERT_TRUE(r.found) << trace.str();
  EXPECT_EQ(r.apex, tip);
  EXPECT_DOUBLE_EQ(r.angle, std::acos(0.0));
  // The rays run 70 pixels down each flank, on the side of its sinus.
  // 70 cos(pi/4) = 49.497, truncated toward zero after adding to the tip.
  EXPECT_EQ(r.leftRayEnd, cv::Point(150, 149));
  EXPECT_EQ(r.rightRayEnd, cv::Point(249, 149));
  EXPECT_EQ(drawing.at<cv::Vec3b>(125, 175), cv::Vec3b(255, 255, 255));
  EXPECT_NE(trace.str().find("\nDg["), std::string::npos);
}

}  // namespace
}  // namespace leafmargin
