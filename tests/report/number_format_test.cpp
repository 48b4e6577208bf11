// Number texts of the results table: rounding half away from zero on the double product, six
// significant digits, scientific notation and NaN texts with the decimal comma, and
// independence from the global locale.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>

#include "report/number_format.h"

namespace leafmargin {
namespace {

TEST(FormatNumber, TwoDecimalsTable) {
  volatile double zero = 0.0;  // computed at run time, as an empty symmetry is
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {12.5, "12,50"},
      {3, "3,00"},
      {0.75, "0,75"},
      {0.125, "0,13"},          // 12.5 rounds away from zero
      {2.675, "2,68"},          // the product is exactly 267.5
      {1.005, "1,00"},          // the product falls just below 100.5
      {99.995, "100,00"},       // an integral result shows no '.'
      {0.1 + 0.2, "0,30"},
      {-0.004, "-0,00"},        // rounds to a negative zero, which keeps its sign
      {-2.675, "-2,68"},
      {12345.678, "12345,70"},  // six significant digits leave one decimal
      {123456.78, "123457,00"},
      {999999.996, "1e+06,00"},
      {1234567.891, "1,23457e+06"},  // the long fractional piece is written whole
      {0.0001, "0,00"},
      {0.05, "0,05"},
      {std::numeric_limits<double>::quiet_NaN(), "nan,00"},
      {std::numeric_limits<double>::infinity(), "inf,00"},
      {-std::numeric_limits<double>::infinity(), "-inf,00"},
      {zero / zero, "-nan,00"},  // the sign bit of 0 / 0 shows
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatNumber(c.value, 2), c.expected) << "value " << c.value;
  }
}

// A program that sets a global locale with a decimal comma and digit grouping must still get
// the classic texts.
struct CommaGrouping : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '\''; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(FormatNumber, IgnoresTheGlobalLocale) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaGrouping));
  const std::string formatted = formatNumber(12345.678, 2);
  const std::string row = intToString(-1234567);
  std::locale::global(previous);
  EXPECT_EQ(formatted, "12345,70");
  EXPECT_EQ(row, "-1234567");
}

TEST(SplitString, PiecesIncludingEmptyOnes) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(splitString("12.5", "."), (Pieces{"12", "5"}));
  EXPECT_EQ(splitString("3", "."), (Pieces{"3"}));
  EXPECT_EQ(splitString("a..b", "."), (Pieces{"a", "", "b"}));
  EXPECT_EQ(splitString("5.", "."), (Pieces{"5", ""}));
  EXPECT_EQ(splitString(".5", "."), (Pieces{"", "5"}));
  EXPECT_EQ(splitString("", "."), (Pieces{""}));
  EXPECT_EQ(splitString("a::b:c", "::"), (Pieces{"a", "b:c"}));
  EXPECT_EQ(splitString("abc", ""), (Pieces{"abc"}));  // must not loop forever
}

TEST(DotsToCommas, EveryDotBecomesAComma) {
  EXPECT_EQ(dotsToCommas("1.5;.;x..\xC3\xA9."), "1,5;,;x,,\xC3\xA9,");
}

}  // namespace
}  // namespace leafmargin
