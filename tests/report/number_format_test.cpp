// Number texts of the results table and of the tidy tables: rounding half away from zero on the
// double product, six significant digits, scientific notation and NaN texts with the decimal
// comma (a dot and "NA" in the tidy tables), independence from the global locale; and the tidy
// tables' quoting, only where a reader needs it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>

#include "report/csv_writer.h"
#include "report/number_format.h"

namespace leafmargin {
namespace {

TEST(FormatNumber, TwoDecimalsInTheResultsCellAndTheTidyField) {
  volatile double zero = 0.0;  // computed at run time, as an empty symmetry is
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct { double value; const char *cell, *field; } cases[] = {
      {12.5, "12,50", "12.50"}, {3, "3,00", "3.00"}, {0.75, "0,75", "0.75"}, {0.05, "0,05", "0.05"},
      {0.125, "0,13", "0.13"},              // 12.5 rounds away from zero
      {2.675, "2,68", "2.68"},              // the product is exactly 267.5
      {1.005, "1,00", "1.00"},              // the product falls just below 100.5
      {99.995, "100,00", "100.00"},         // an integral result shows no '.'
      {0.1 + 0.2, "0,30", "0.30"}, {0.0001, "0,00", "0.00"}, {-2.675, "-2,68", "-2.68"},
      {-0.004, "-0,00", "-0.00"},           // rounds to a negative zero, which keeps its sign
      {12345.678, "12345,70", "12345.70"},  // six significant digits leave one decimal
      {123456.78, "123457,00", "123457.00"},
      {999999.996, "1e+06,00", "1e+06"},
      {1234567.891, "1,23457e+06", "1.23457e+06"},  // the long fractional piece is written whole
      {nan, "nan,00", "NA"}, {inf, "inf,00", "NA"}, {-inf, "-inf,00", "NA"},
      {zero / zero, "-nan,00", "NA"},  // the sign bit of 0 / 0 shows
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatNumber(c.value, 2), c.cell) << c.value;
    EXPECT_EQ(csvNumber(c.value), c.field) << c.value;
    EXPECT_EQ(csvNumberFromCell(c.cell), c.field) << c.value;
  }
  for (const std::string cell : {"", "-nan(ind),00", "x,00"}) EXPECT_EQ(csvNumberFromCell(cell), "NA") << cell;
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
  const std::string field = csvNumber(12345.678);
  std::locale::global(previous);
  EXPECT_EQ(formatted, "12345,70");
  EXPECT_EQ(row, "-1234567");
  EXPECT_EQ(field, "12345.70");
}

TEST(SplitString, PiecesIncludingEmptyOnesAndDotsToCommas) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(splitString("a..b.", "."), (Pieces{"a", "", "b", ""}));
  EXPECT_EQ(splitString("", "."), (Pieces{""}));
  EXPECT_EQ(splitString("a::b:c", "::"), (Pieces{"a", "b:c"}));
  EXPECT_EQ(splitString("abc", ""), (Pieces{"abc"}));  // must not loop forever
  EXPECT_EQ(dotsToCommas("1.5;.;x..\xC3\xA9."), "1,5;,;x,,\xC3\xA9,");
}

TEST(CsvWriter, QuotesOnlyFieldsThatNeedIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"leaf 1.jpg", "leaf 1.jpg"}, {"feuille é.jpg", "feuille é.jpg"}, {"<b>&'.jpg", "<b>&'.jpg"},
      {"a,b.jpg", "\"a,b.jpg\""},   {"say \"hi\".jpg", "\"say \"\"hi\"\".jpg\""},
      {"two\nlines", "\"two\nlines\""}, {"cr\r", "\"cr\r\""}, {"", ""},
  };
  for (const auto& [text, field] : cases) EXPECT_EQ(csvField(text), field) << text;
  EXPECT_EQ(csvRecord({"a", csvField("b,c"), "NA", ""}), "a,\"b,c\",NA,\n");
  // results.csv's dialect quotes on ';' and leaves ',' alone.
  for (const auto& [text, field] : std::vector<std::pair<std::string, std::string>>{
           {"a,b;c", "\"a,b;c\""}, {"1,5", "1,5"}, {"q\"", "\"q\"\"\""}, {"lf\n", "\"lf\n\""}})
    EXPECT_EQ(csvField(text, ';'), field) << text;
}

}  // namespace
}  // namespace leafmargin
