// Helpers of the batch tests: the lines of a program's output, the occurrences of a text, and the
// results.csv texts the tests write by hand.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/read_file.h"
#include "support/run_program.h"
#include "support/small_leaf.h"

namespace leafmargin::batchtest {

inline std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) out.push_back(line);
  return out;
}

// What the progress lines "[i/n] description" of a batch describe; they must count 1..n.
inline std::set<std::string> progressDescriptions(const std::vector<std::string>& shown, std::size_t n) {
  std::set<std::string> described;
  for (std::size_t i = 0; i < n && i < shown.size(); ++i) {
    const std::string counter = "[" + std::to_string(i + 1) + "/" + std::to_string(n) + "] ";
    EXPECT_EQ(shown[i].rfind(counter, 0), 0u) << shown[i];
    described.insert(shown[i].substr(counter.size()));
  }
  return described;
}

// The header line of results.csv, with its line end.
inline const std::string& resultsHeader() {
  static const std::string header =
      "Dent;\"largeur dents (mm)\";\"hauteur dents (mm)\";\"largeur sinus (mm)\";"
      "\"hauteur sinus (mm)\";\"rapport hauteur/largeur dents (%)\";\"angles dents (°)\";"
      "\"angles sinus (°)\";\"angles apicaux (°)\";"
      "\"symétries des dents par rapport au centre de la base (%)\";"
      "\"symétries des dents par rapport à la perpendiculaire à la base (%)\";\r\n";
  return header;
}

// A results.csv of two teeth with an undetermined apical angle, an empty-halves symmetry and a
// last row without sinus cells.
inline std::string twoToothResults() {
  return resultsHeader() +
         "1;5,00;2,50;5,29;0,85;50,00;68,75;120,32;45,84;92,50;88,25;\r\n"
         "2;6,57;3,39;;;51,63;54,43;;nan,00;-nan,00;90,00;\r\n"
         "\r\n"
         "Minimum;5,00;2,50;5,29;0,85;50,00;54,43;120,32;45,84;92,50;88,25;\r\n"
         "Maximum;6,57;3,39;5,29;0,85;51,63;68,75;120,32;45,84;92,50;90,00;\r\n"
         "Moyenne;5,79;2,95;5,29;0,85;50,82;61,59;120,32;45,84;92,50;89,13;\r\n"
         "Ecart max à la moyenne;0,79;0,45;0,00;0,00;0,82;7,16;0,00;0,00;0,00;0,88;\r\n"
         "Ecart-type;0,79;0,45;0,00;0,00;0,82;7,16;0,00;0,00;0,00;0,88;\r\n"
         "Profondeur max :;1,52\r\n";
}

// A results.csv without any tooth: the statistics cells are empty.
inline std::string noToothResults() {
  return resultsHeader() +
         "\r\n"
         "Minimum;;;;;;;;;;;\r\n"
         "Maximum;;;;;;;;;;;\r\n"
         "Moyenne;;;;;;;;;;;\r\n"
         "Ecart max à la moyenne;;;;;;;;;;;\r\n"
         "Ecart-type;;;;;;;;;;;\r\n"
         "Profondeur max :;0,00\r\n";
}

}  // namespace leafmargin::batchtest
