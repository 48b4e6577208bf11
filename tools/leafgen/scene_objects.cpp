// What lies beside the leaves: rulers, labels, colour charts, printed numbers and logos. Each is
// drawn upright on a layer of its own (colour and opacity), then turned onto the picture.
#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leafgen/scene_painting.h"

namespace leafmargin::leafgen {

namespace {

constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;

struct Layer {
  cv::Mat colour;  // 8-bit BGR
  cv::Mat alpha;   // 8-bit opacity
};

// Lays ink over the layer through the shapes draw(mask) puts on a mask (255 where fully inked),
// at the given opacity.
template <typename Draw>
void inkLayer(Layer& layer, const cv::Scalar& ink, double opacity, Draw draw) {
  cv::Mat mask = cv::Mat::zeros(layer.alpha.size(), CV_8U);
  draw(mask);
  for (int y = 0; y < mask.rows; ++y) {
    const uchar* m = mask.ptr<uchar>(y);
    uchar* a = layer.alpha.ptr<uchar>(y);
    auto* c = layer.colour.ptr<cv::Vec3b>(y);
    for (int x = 0; x < mask.cols; ++x) {
      if (m[x] == 0) continue;
      const double over = opacity * m[x] / 255.0, under = a[x] / 255.0 * (1.0 - over), total = over + under;
      for (int ch = 0; ch < 3; ++ch) c[x][ch] = cv::saturate_cast<uchar>((ink[ch] * over + c[x][ch] * under) / total);
      a[x] = cv::saturate_cast<uchar>(255.0 * total);
    }
  }
}

int thickness(double mm, double k) { return std::max(1, static_cast<int>(std::lround(mm * k))); }

// Text of the given letter height (pixels) centred on a point, or starting there when left is set.
void drawText(cv::Mat& mask, const std::string& text, cv::Point2d at, double height, bool left = false) {
  const int weight = std::max(1, static_cast<int>(std::lround(height / 9.0)));
  int baseline = 0;
  const cv::Size unit = cv::getTextSize(text, kFont, 1.0, weight, &baseline);
  const double scale = height / unit.height;
  const cv::Point2d origin = left ? cv::Point2d(at.x, at.y + 0.5 * height)
                                  : cv::Point2d(at.x - 0.5 * unit.width * scale, at.y + 0.5 * height);
  cv::putText(mask, text, cv::Point(static_cast<int>(std::lround(origin.x)), static_cast<int>(std::lround(origin.y))),
              kFont, scale, 255, weight, cv::LINE_AA);
}

void drawRuler(Layer& layer, const Ruler& ruler, double k) {
  const cv::Rect whole(0, 0, layer.alpha.cols, layer.alpha.rows);
  const bool clear = ruler.material == RulerMaterial::Transparent;
  const cv::Scalar body = ruler.material == RulerMaterial::Yellow ? cv::Scalar(70, 205, 240)
                          : clear ? cv::Scalar(225, 228, 226) : cv::Scalar(248, 248, 247);
  inkLayer(layer, body, clear ? 0.12 : 1.0, [&](cv::Mat& m) { m.setTo(255); });
  // The straight edges: the bevel of a plastic ruler, the shadow of an opaque one.
  inkLayer(layer, cv::Scalar(80, 80, 80), clear ? 0.6 : 0.35,
           [&](cv::Mat& m) { cv::rectangle(m, whole, 255, thickness(0.2, k)); });
  inkLayer(layer, cv::Scalar(25, 25, 25), 0.92, [&](cv::Mat& m) {
    const double zero = 5.0;
    for (int i = 0; zero + i <= ruler.length - 5.0; ++i) {
      const double reach = ruler.width * (i % 10 == 0 ? 0.27 : i % 5 == 0 ? 0.2 : 0.13);
      const cv::Point2d top((zero + i) * k, 0.0), bottom((zero + i) * k, reach * k);
      cv::line(m, fixedPoint(top), fixedPoint(bottom), 255, thickness(0.12, k), cv::LINE_AA, kDrawShift);
      if (i % 10 == 0)
        drawText(m, std::to_string(i / 10), {(zero + i) * k, (reach + 0.12 * ruler.width) * k}, 0.13 * ruler.width * k);
    }
  });
}

void drawLabel(Layer& layer, const Label& label, double k) {
  inkLayer(layer, cv::Scalar(246, 248, 247), 1.0, [&](cv::Mat& m) { m.setTo(255); });
  inkLayer(layer, cv::Scalar(140, 140, 140), 0.5, [&](cv::Mat& m) {
    cv::rectangle(m, cv::Rect(0, 0, m.cols, m.rows), 255, thickness(0.15, k));
  });
  if (label.lines.empty()) return;
  const double pitch = label.size.height / (label.lines.size() + 0.5);
  double height = 0.42 * pitch;
  for (const std::string& line : label.lines) {
    int baseline = 0;
    const cv::Size unit = cv::getTextSize(line, kFont, 1.0, 1, &baseline);
    height = std::min(height, 0.88 * label.size.width * unit.height / unit.width);
  }
  inkLayer(layer, cv::Scalar(30, 30, 35), 0.95, [&](cv::Mat& m) {
    for (std::size_t i = 0; i < label.lines.size(); ++i)
      drawText(m, label.lines[i], {0.05 * label.size.width * k, (i + 0.75) * pitch * k}, height * k, true);
  });
}

void drawChart(Layer& layer, const ColourChart& chart, double k) {
  // Approximately the colours of a photographer's chart, BGR.
  static const cv::Scalar kPatches[] = {
      {68, 82, 115},  {130, 150, 194}, {157, 122, 98}, {67, 108, 87},  {177, 128, 133}, {170, 189, 103},
      {44, 126, 214}, {166, 91, 80},   {99, 90, 193},  {108, 60, 94},  {64, 188, 157},  {46, 163, 224},
      {150, 61, 56},  {73, 148, 70},   {60, 54, 175},  {31, 199, 231}, {149, 86, 187},  {161, 133, 8},
      {242, 243, 243}, {200, 200, 200}, {160, 160, 160}, {122, 122, 121}, {85, 85, 85},  {52, 52, 52}};
  inkLayer(layer, cv::Scalar(38, 38, 38), 1.0, [&](cv::Mat& m) { m.setTo(255); });
  for (int i = 0; i < chart.patches; ++i) {
    const cv::Rect2d patch((1.0 + i * (chart.patch + 1.0)) * k, k, chart.patch * k, chart.patch * k);
    inkLayer(layer, kPatches[i % std::size(kPatches)], 1.0, [&](cv::Mat& m) {
      cv::rectangle(m, fixedPoint(patch.tl() - cv::Point2d(0.5, 0.5)), fixedPoint(patch.br() - cv::Point2d(0.5, 0.5)),
                    255, cv::FILLED, cv::LINE_AA, kDrawShift);
    });
  }
}

void drawPrint(Layer& layer, const Print& print, double k) {
  const cv::Point2d centre(0.5 * layer.alpha.cols, 0.5 * layer.alpha.rows);
  inkLayer(layer, print.colour, 0.95, [&](cv::Mat& m) {
    if (print.logo)
      cv::circle(m, fixedPoint(centre), static_cast<int>(0.45 * m.cols * (1 << kDrawShift)), 255,
                 thickness(0.1 * print.height, k), cv::LINE_AA, kDrawShift);
    drawText(m, print.text, centre, print.height * k);
  });
}

// Turns the layer about its centre onto the picture, centred on centre (picture pixels).
void composite(cv::Mat& picture, const Layer& layer, cv::Point2d centre, double turnDegrees) {
  const cv::Point2d middle(0.5 * (layer.colour.cols - 1), 0.5 * (layer.colour.rows - 1));
  cv::Mat toPicture = cv::getRotationMatrix2D(middle, turnDegrees, 1.0);
  toPicture.at<double>(0, 2) += centre.x - middle.x;
  toPicture.at<double>(1, 2) += centre.y - middle.y;
  std::vector<cv::Point2d> corners{{0, 0}, {double(layer.colour.cols), 0}, {0, double(layer.colour.rows)},
                                   {double(layer.colour.cols), double(layer.colour.rows)}};
  cv::transform(corners, corners, toPicture);
  cv::Rect box = cv::boundingRect(std::vector<cv::Point2f>(corners.begin(), corners.end()));
  box = (box + cv::Size(2, 2) - cv::Point(1, 1)) & cv::Rect(0, 0, picture.cols, picture.rows);
  if (box.empty()) return;
  toPicture.at<double>(0, 2) -= box.x;
  toPicture.at<double>(1, 2) -= box.y;
  cv::Mat colour, alpha;
  cv::warpAffine(layer.colour, colour, toPicture, box.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
  cv::warpAffine(layer.alpha, alpha, toPicture, box.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
  cv::Mat region = picture(box);
  for (int y = 0; y < box.height; ++y) {
    const uchar* a = alpha.ptr<uchar>(y);
    const auto* c = colour.ptr<cv::Vec3b>(y);
    auto* p = region.ptr<cv::Vec3b>(y);
    for (int x = 0; x < box.width; ++x)
      if (a[x] != 0)
        for (int ch = 0; ch < 3; ++ch) p[x][ch] = static_cast<uchar>((c[x][ch] * a[x] + p[x][ch] * (255 - a[x]) + 127) / 255);
  }
}

}  // namespace

void paintObject(cv::Mat& picture, const Scene& scene, const SceneObject& object) {
  const double k = pixelsPerMm(scene);
  const cv::Size2d size = objectSize(object);
  const cv::Size pixels(std::max(1, static_cast<int>(std::ceil(size.width * k))),
                        std::max(1, static_cast<int>(std::ceil(size.height * k))));
  Layer layer{cv::Mat(pixels, CV_8UC3, cv::Scalar::all(0)), cv::Mat::zeros(pixels, CV_8U)};
  if (const auto* ruler = std::get_if<Ruler>(&object.item)) drawRuler(layer, *ruler, k);
  else if (const auto* label = std::get_if<Label>(&object.item)) drawLabel(layer, *label, k);
  else if (const auto* chart = std::get_if<ColourChart>(&object.item)) drawChart(layer, *chart, k);
  else drawPrint(layer, std::get<Print>(object.item), k);
  composite(picture, layer, toPicture(scene, object.centre), object.turnDegrees);
}

}  // namespace leafmargin::leafgen
