#include "physiognomy/dilp_row.h"

#include <limits>

#include "physiognomy/calipers.h"
#include "physiognomy/leaf_polygons.h"
#include "physiognomy/traced_length.h"
#include "report/csv_writer.h"

namespace leafmargin {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kDecimals = 4;  // 1 µm in cm, 0.01 mm² in cm²

std::string textField(const std::optional<std::string>& text) {
  return text ? csvField(*text) : std::string(kNotAvailable);
}

std::string countField(const std::optional<int>& count) {
  return count ? std::to_string(*count) : std::string(kNotAvailable);
}

}  // namespace

DilpRow dilpRow(const LeafShape& shape, const std::string& morphotype) {
  DilpRow row;
  row.morphotype = morphotype;
  const double cmPerPixel = 0.1 / shape.pixelsPerMm;
  const double cm2PerPixel = cmPerPixel * cmPerPixel;

  const double tolerance = tracingTolerance(shape.pixelsPerMm);
  const LeafPolygon blade = bladePolygon(shape);
  const TracedLength bladeLength = tracedLength(blade, shape.outline, shape.onBorder, tolerance);
  const Calipers calipers = calipersOf(polygonPoints(blade, shape.outline));
  row.feret = calipers.feret * cmPerPixel;
  row.minimumFeret = calipers.minimumFeret * cmPerPixel;
  row.bladeArea = polygonArea(blade, shape.outline) * cm2PerPixel;
  row.bladePerimeter = bladeLength.perimeter * cmPerPixel;
  row.lengthOfCutPerimeter = bladeLength.onBorder * cmPerPixel;

  row.margin = shape.teeth.empty() ? 1 : 0;
  if (row.margin == 0) {
    const LeafPolygon internal = internalBladePolygon(shape);
    row.rawBladeArea = row.bladeArea;
    row.rawBladePerimeter = row.bladePerimeter;
    row.internalRawBladeArea = polygonArea(internal, shape.outline) * cm2PerPixel;
    row.internalRawBladePerimeter = tracedLength(internal, shape.outline, shape.onBorder, tolerance).perimeter * cmPerPixel;
    row.primaryTeeth = static_cast<int>(shape.teeth.size());
  } else {
    row.rawBladeArea = row.rawBladePerimeter = kNaN;
    row.internalRawBladeArea = row.internalRawBladePerimeter = kNaN;
  }

  if (hasPetiole(shape)) {
    row.petioleWidth = cv::norm(shape.outline[*shape.petioleFrom] - shape.outline[*shape.petioleTo]) * cmPerPixel;
    row.petioleArea = polygonArea(petiolePolygon(shape), shape.outline) * cm2PerPixel;
  } else {
    row.petioleWidth = row.petioleArea = kNaN;
  }
  return row;
}

std::string defaultMorphotype(const std::string& pictureStem, int leaf) {
  return pictureStem + "_" + std::to_string(leaf);
}

std::vector<std::string> dilpHeaderFields() {
  return {"site",
          "specimen_number",
          "morphotype",
          "margin",
          "feret",
          "minimum_feret",
          "blade_area",
          "blade_perimeter",
          "raw_blade_area",
          "raw_blade_perimeter",
          "internal_raw_blade_area",
          "internal_raw_blade_perimeter",
          "length_of_cut_perimeter",
          "no_of_primary_teeth",
          "no_of_subsidiary_teeth",
          "petiole_width",
          "petiole_area"};
}

std::vector<std::string> dilpFields(const DilpRow& row) {
  const auto number = [](double value) { return csvNumber(value, kDecimals); };
  return {textField(row.site),
          textField(row.specimenNumber),
          csvField(row.morphotype),
          std::to_string(row.margin),
          number(row.feret),
          number(row.minimumFeret),
          number(row.bladeArea),
          number(row.bladePerimeter),
          number(row.rawBladeArea),
          number(row.rawBladePerimeter),
          number(row.internalRawBladeArea),
          number(row.internalRawBladePerimeter),
          number(row.lengthOfCutPerimeter),
          countField(row.primaryTeeth),
          countField(row.subsidiaryTeeth),
          number(row.petioleWidth),
          number(row.petioleArea)};
}

}  // namespace leafmargin
