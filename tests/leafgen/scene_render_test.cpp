// Rendered scenes against their truth: the leaf found in the picture has the truth's area,
// centroid and tips on each ground, resolution and JPEG; graph paper's lines stay off the leaf;
// the command line writes a picture and its truth.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "leafgen/scene_painting.h"
#include "leafgen/scene_presets.h"
#include "leafgen/scene_render.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin::leafgen {
namespace {

cv::Point2d polygonCentroid(const Polygon& p) {
  cv::Point2d sum(0, 0);
  double twiceArea = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const cv::Point2d a = p[i], b = p[(i + 1) % p.size()];
    const double c = a.cross(b);
    twiceArea += c;
    sum += c * (a + b);
  }
  return sum * (1.0 / (3.0 * twiceArea));
}

cv::Point2d maskCentroid(const cv::Mat& mask) {
  const cv::Moments m = cv::moments(mask, false);
  return {m.m10 / m.m00, m.m01 / m.m00};
}

// A small page with one toothed leaf, a label and dust.
Scene smallScene(const Ground& ground, double dpi, int jpeg, double noise) {
  Scene scene;
  scene.page = {50.0, 75.0};
  scene.dpi = dpi;
  scene.ground = ground;
  scene.jpegQuality = jpeg;
  scene.noise = noise;
  SceneLeaf leaf;
  leaf.shape.bladeLength = 36.0;
  leaf.shape.bladeWidth = 18.0;
  leaf.shape.teethPerSide = 10;
  leaf.shape.toothHeight = 1.2;
  leaf.shape.petioleLength = 9.0;
  leaf.shape.petioleWidth = 1.2;
  leaf.centre = {25.0, 33.0};
  leaf.turnDegrees = 20.0;
  scene.leaves = {leaf};
  scene.objects = {{Label{{40.0, 10.0}, {"No. 12"}}, {25.0, 66.0}, 0.0}};
  scene.specks = 15;
  scene.hairs = 1;
  return scene;
}

// The leaf as a mask: pixels past the threshold (brighter than it on a dark ground, else darker),
// the region around the truth's centroid with its holes filled.
cv::Mat leafMask(const cv::Mat& picture, double threshold, bool brightLeaf, cv::Point2d inside) {
  cv::Mat gray, binary;
  cv::cvtColor(picture, gray, cv::COLOR_BGR2GRAY);
  cv::threshold(gray, binary, threshold, 255, brightLeaf ? cv::THRESH_BINARY : cv::THRESH_BINARY_INV);
  std::vector<std::vector<cv::Point>> contours;
  cv::findContours(binary, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  cv::Mat mask = cv::Mat::zeros(picture.size(), CV_8U);
  for (std::size_t i = 0; i < contours.size(); ++i)
    if (cv::pointPolygonTest(contours[i], cv::Point2f(inside), false) > 0)
      cv::drawContours(mask, contours, static_cast<int>(i), 255, cv::FILLED);
  return mask;
}

struct ScanCase {
  const char* name;
  Ground ground;
  double dpi;
  int jpeg;
  double noise;
  double threshold;
  double areaTolerance;  // relative
};
// A failure shows its case by name rather than by the bytes of the struct.
void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class RenderedLeaf : public ::testing::TestWithParam<ScanCase> {};

TEST_P(RenderedLeaf, HasTheTruthsAreaCentroidAndTips) {
  const ScanCase& c = GetParam();
  const GeneratedScene scan = generateScene(smallScene(c.ground, c.dpi, c.jpeg, c.noise));
  ASSERT_EQ(scan.picture.size(), scan.truth.picture);
  const LeafTruth& truth = scan.truth.leavesInPixels[0];
  const cv::Point2d centre = polygonCentroid(truth.outline);
  const cv::Mat mask = leafMask(scan.picture, c.threshold, c.ground.kind == GroundKind::Dark, centre);
  const double area = polygonArea(truth.outline);
  EXPECT_NEAR(cv::countNonZero(mask) / area, 1.0, c.areaTolerance);
  EXPECT_NEAR(truth.visibleBladeArea + *truth.visiblePetioleArea, area, 1e-6 * area);
  // The threshold moves the edge of a leaf and its brighter or darker petiole a little apart.
  EXPECT_LT(cv::norm(maskCentroid(mask) - centre), 0.15);
  // Three pixels beyond each drawn tip lies the ground, three pixels back the leaf.
  int onTheMargin = 0;
  for (const ToothTruth& tooth : truth.teeth) {
    const DrawnTooth& t = tooth.drawn;
    cv::Point2d outward = t.tip - 0.5 * (t.sinusBefore + t.sinusAfter);
    outward *= 3.0 / cv::norm(outward);
    const cv::Point out(cvRound((t.tip + outward).x), cvRound((t.tip + outward).y));
    const cv::Point in(cvRound((t.tip - outward).x), cvRound((t.tip - outward).y));
    onTheMargin += mask.at<uchar>(out) == 0 && mask.at<uchar>(in) == 255;
  }
  EXPECT_EQ(onTheMargin, static_cast<int>(truth.teeth.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Grounds, RenderedLeaf,
    ::testing::Values(ScanCase{"DarkAt1200Exact", darkGround(), 1200.0, 0, 0.0, 85.0, 0.0005},
                      ScanCase{"GreyPaperAt600Jpeg", plainPaper("grey"), 600.0, 90, 2.0, 150.0, 0.001},
                      ScanCase{"WhitePaperAt300Jpeg", plainPaper("white"), 300.0, 90, 2.0, 175.0, 0.002}),
    [](const auto& info) { return info.param.name; });

TEST(RenderedGraphPaper, PrintsItsLinesAroundTheLeafAndNeverOnIt) {
  const GeneratedScene scan = generateScene(smallScene(graphPaper("pink"), 300.0, 90, 2.0));
  const LeafTruth& truth = scan.truth.leavesInPixels[0];
  cv::Mat leaf = cv::Mat::zeros(scan.picture.size(), CV_8U);
  cv::fillPoly(leaf, std::vector<std::vector<cv::Point>>{std::vector<cv::Point>(truth.outline.begin(), truth.outline.end())}, 255);
  cv::Mat inner, around;
  cv::erode(leaf, inner, cv::Mat(), {-1, -1}, 3);
  cv::dilate(leaf, around, cv::Mat(), {-1, -1}, 3);
  cv::Mat channels[3];
  cv::split(scan.picture, channels);
  const cv::Mat pink = (channels[2] - channels[1]) > 15;  // red above green
  const cv::Mat green = (channels[1] - channels[2]) > 15;
  EXPECT_EQ(cv::countNonZero(pink & inner), 0);
  EXPECT_GT(cv::countNonZero(green & inner), 0.95 * cv::countNonZero(inner));
  // Fine lines 0.1 mm every mm and bold ones every cm tint about a sixth of the page.
  const double share = cv::countNonZero(pink & ~around) / double(cv::countNonZero(~around));
  EXPECT_GT(share, 0.1);
  EXPECT_LT(share, 0.3);
}

TEST(LeafgenCommand, WritesThePictureAndItsTruth) {
  testing::ScratchDir dir("leafgen");
  const testing::ProgramRun run =
      testing::runCommand({LEAFGEN_BINARY, "scan.jpg", "--scene", "petiole-off-border", "--dpi", "60", "--teeth", "9"},
                          dir.path());
  ASSERT_EQ(run.status, 0) << run.stderrText;
  EXPECT_NE(run.stdoutText.find("leaf 1: 18 teeth (18 inside)"), std::string::npos) << run.stdoutText;
  const auto truth = nlohmann::json::parse(testing::readFile(dir.path() / "scan.json"));
  const cv::Mat picture = cv::imread((dir.path() / "scan.jpg").string());
  EXPECT_EQ(truth["picture"]["file"], "scan.jpg");
  EXPECT_EQ(truth["picture"]["width"], picture.cols);
  EXPECT_EQ(truth["picture"]["height"], picture.rows);
  Scene scene = namedScene("petiole-off-border");
  scene.dpi = 60.0;
  for (SceneLeaf& leaf : scene.leaves) leaf.shape.teethPerSide = 9;
  const SceneTruth expected = sceneTruth(scene);
  const auto& leaf = truth["leaves"][0];
  EXPECT_EQ(leaf["teeth"], 18);
  EXPECT_EQ(leaf["mm"]["teeth"].size(), 18u);
  EXPECT_DOUBLE_EQ(leaf["mm"]["blade_area"].get<double>(), expected.leaves[0].bladeArea);
  EXPECT_DOUBLE_EQ(leaf["px"]["internal_perimeter"].get<double>(), expected.leavesInPixels[0].internalPerimeter);
  EXPECT_DOUBLE_EQ(leaf["px"]["teeth"][3]["tip"][1].get<double>(), expected.leavesInPixels[0].teeth[3].drawn.tip.y);
  EXPECT_LT(leaf["mm"]["visible_petiole_area"].get<double>(), leaf["mm"]["petiole_area"].get<double>());
  EXPECT_EQ(truth["objects"][0]["kind"], "ruler");

  // Refused: an unknown scene or option, JPEG quality for a PNG or out of range.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"a.jpg", "--scene", "nothing"}, {"a.jpg", "--scene", "dark", "--bogus", "1"},
        {"a.png", "--scene", "dark", "--jpeg", "80"}, {"a.jpg", "--scene", "dark", "--jpeg", "0"},
        {"a.jpg", "--scene", "dark", "--dpi"}}) {
    std::vector<std::string> argv{LEAFGEN_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(testing::runCommand(argv, dir.path()).status, 2) << args[2];
  }
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"scan.jpg", "scan.json"}));
}

}  // namespace
}  // namespace leafmargin::leafgen
