// leafgen: writes a synthetic picture and what was drawn in it.
// A margin: leafgen OUT.(png|jpg) [--width N] [--height N] [--teeth N] [--tooth-width N]
//        [--tooth-height N] [--margin-y N] [--shape symmetric|saw|rounded] [--noise SIGMA]
//        [--jpeg QUALITY] [--turn] [--seed N] [--leaf B,G,R] [--background B,G,R]
//        [--palette green-on-dark|yellow-on-dark|green-on-white|dark-on-white]
//   prints the picture size and the drawn tips and sinuses.
// A scan: leafgen OUT.(jpg|png) --scene NAME [--dpi N] [--jpeg QUALITY] [--seed N] [--teeth N]
//        [--ground NAME] [--noise SIGMA] [--blur SIGMA]
//   writes the picture and its truth (OUT with .json for its extension), prints a summary.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <string>

#include "leafgen/leaf_generator.h"
#include "leafgen/scene_presets.h"
#include "leafgen/scene_render.h"
#include "leafgen/truth_json.h"

namespace leafgen = leafmargin::leafgen;

namespace {

cv::Scalar parseColour(const std::string& text) {
  int b = 0, g = 0, r = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d", &b, &g, &r) != 3)
    throw std::invalid_argument("colour must be B,G,R: " + text);
  return cv::Scalar(b, g, r);
}

int usage() {
  std::cerr << "usage: leafgen OUT.(png|jpg) [--width N] [--height N] [--teeth N] "
               "[--tooth-width N] [--tooth-height N] [--margin-y N] "
               "[--shape symmetric|saw|rounded] [--noise SIGMA] [--jpeg QUALITY] [--turn] "
               "[--seed N] [--leaf B,G,R] [--background B,G,R] "
               "[--palette green-on-dark|yellow-on-dark|green-on-white|dark-on-white]\n"
               "       leafgen OUT.(jpg|png) --scene NAME [--dpi N] [--jpeg QUALITY] [--seed N] "
               "[--teeth N] [--ground NAME] [--noise SIGMA] [--blur SIGMA]\n"
               "scenes:";
  for (const std::string& name : leafgen::sceneNames()) std::cerr << " " << name;
  std::cerr << "\ngrounds: dark white grey tinted graph-pink graph-green graph-blue graph-grey graph-orange\n";
  return 2;
}

leafgen::Ground namedGround(const std::string& name) {
  if (name == "dark") return leafgen::darkGround();
  if (name.rfind("graph-", 0) == 0) return leafgen::graphPaper(name.substr(6));
  return leafgen::plainPaper(name);
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool writeBytes(const std::filesystem::path& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(data, static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int runScene(const std::string& outPath, const std::map<std::string, std::string>& options) {
  leafgen::Scene scene = leafgen::namedScene(options.at("--scene"));
  for (const auto& [flag, value] : options) {
    if (flag == "--scene") continue;
    else if (flag == "--dpi") scene.dpi = std::stod(value);
    else if (flag == "--jpeg") scene.jpegQuality = std::stoi(value);
    else if (flag == "--seed") scene.seed = static_cast<unsigned>(std::stoul(value));
    else if (flag == "--ground") scene.ground = namedGround(value);
    else if (flag == "--noise") scene.noise = std::stod(value);
    else if (flag == "--blur") scene.blur = std::stod(value);
    else if (flag == "--teeth")
      for (leafgen::SceneLeaf& leaf : scene.leaves) leaf.shape.teethPerSide = std::stoi(value);
    else return usage();
  }
  const bool png = endsWith(outPath, ".png");
  if (!png && !endsWith(outPath, ".jpg") && !endsWith(outPath, ".jpeg")) return usage();
  if (png && options.count("--jpeg")) throw std::invalid_argument("--jpeg needs a .jpg picture");
  if (png) scene.jpegQuality = 0;
  else if (scene.jpegQuality < 1 || scene.jpegQuality > 100) throw std::invalid_argument("--jpeg takes 1 to 100");

  const leafgen::GeneratedScene generated = leafgen::generateScene(scene);
  const std::filesystem::path picturePath(outPath);
  const std::filesystem::path truthPath = std::filesystem::path(outPath).replace_extension(".json");
  const std::string json = leafgen::truthJson(scene, generated.truth, picturePath.filename().string());
  if (!writeBytes(picturePath, reinterpret_cast<const char*>(generated.file.data()), generated.file.size()) ||
      !writeBytes(truthPath, json.data(), json.size())) {
    std::cerr << "leafgen: cannot write " << outPath << " or its truth\n";
    return 1;
  }
  std::cout << "picture " << outPath << " " << generated.truth.picture.width << "x" << generated.truth.picture.height
            << " at " << scene.dpi << " dpi\ntruth " << truthPath.string() << "\n";
  for (std::size_t i = 0; i < generated.truth.leaves.size(); ++i) {
    const leafgen::LeafTruth& leaf = generated.truth.leaves[i];
    std::cout << "leaf " << i + 1 << ": " << leaf.teeth.size() << " teeth (" << leaf.teethInside()
              << " inside), blade " << leaf.bladeArea << " mm2, visible " << leaf.visibleBladeArea << " mm2\n";
  }
  return 0;
}

int runMargin(const std::string& outPath, int argc, char** argv) {
  leafgen::LeafSpec design;
  for (int i = 2; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--turn") {
      design.turn180 = true;
      continue;
    }
    if (i + 1 >= argc) return usage();
    const std::string value = argv[++i];
    if (flag == "--width") design.width = std::stoi(value);
    else if (flag == "--height") design.height = std::stoi(value);
    else if (flag == "--teeth") design.teeth = std::stoi(value);
    else if (flag == "--tooth-width") design.toothWidth = std::stoi(value);
    else if (flag == "--tooth-height") design.toothHeight = std::stoi(value);
    else if (flag == "--margin-y") design.marginY = std::stoi(value);
    else if (flag == "--shape") design.shape = leafgen::parseToothShape(value);
    else if (flag == "--noise") design.noiseSigma = std::stod(value);
    else if (flag == "--jpeg") design.jpegQuality = std::stoi(value);
    else if (flag == "--seed") design.seed = static_cast<unsigned>(std::stoul(value));
    else if (flag == "--leaf") design.leafColour = parseColour(value);
    else if (flag == "--background") design.backgroundColour = parseColour(value);
    else if (flag == "--palette") {
      const auto palette = leafgen::namedPalette(value);
      design.leafColour = palette.leaf;
      design.backgroundColour = palette.ground;
    }
    else return usage();
  }
  const auto leaf = leafgen::generateLeaf(design);
  if (!cv::imwrite(outPath, leaf.image)) {
    std::cerr << "leafgen: cannot write " << outPath << "\n";
    return 1;
  }
  std::cout << "size " << design.width << "x" << design.height << "\n";
  for (const auto& p : leaf.tips) std::cout << "tip " << p.x << " " << p.y << "\n";
  for (const auto& p : leaf.sinuses) std::cout << "sinus " << p.x << " " << p.y << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string outPath = argv[1];
  try {
    bool scene = false;
    for (int i = 2; i < argc; ++i) scene = scene || std::string(argv[i]) == "--scene";
    if (!scene) return runMargin(outPath, argc, argv);
    std::map<std::string, std::string> options;
    for (int i = 2; i < argc; i += 2) {
      if (i + 1 >= argc || !options.emplace(argv[i], argv[i + 1]).second) return usage();
    }
    return runScene(outPath, options);
  } catch (const std::exception& e) {
    std::cerr << "leafgen: " << e.what() << "\n";
    return 2;
  }
}
