// The tidy tables' field rules: quoting only where a reader needs it, and numbers that read back
// as the value results.csv shows, "NA" where none exists.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/csv_writer.h"
#include "report/number_format.h"

namespace leafmargin {
namespace {

TEST(CsvWriter, QuotesOnlyFieldsThatNeedIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"leaf 1.jpg", "leaf 1.jpg"},
      {"feuille é.jpg", "feuille é.jpg"},
      {"<b>&'.jpg", "<b>&'.jpg"},
      {"a,b.jpg", "\"a,b.jpg\""},
      {"say \"hi\".jpg", "\"say \"\"hi\"\".jpg\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\r", "\"cr\r\""},
      {"", ""},
  };
  for (const auto& [text, field] : cases) EXPECT_EQ(csvField(text), field) << text;
  EXPECT_EQ(csvRecord({"a", csvField("b,c"), "NA", ""}), "a,\"b,c\",NA,\n");
}

TEST(CsvWriter, NumbersAreTheResultsCellsWithADot) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, std::string> cases[] = {
      {12.5, "12.50"},        {3, "3.00"},          {0.125, "0.13"},
      {1.005, "1.00"},        {-0.004, "-0.00"},    {12345.678, "12345.70"},
      {999999.996, "1e+06"},  {1234567.891, "1.23457e+06"},
      {nan, "NA"},            {-nan, "NA"},         {inf, "NA"},
  };
  for (const auto& [value, field] : cases) {
    EXPECT_EQ(csvNumber(value), field) << value;
    EXPECT_EQ(csvNumberFromCell(formatNumber(value, 2)), field) << value;
  }
  for (const std::string cell : {"", "nan,00", "-nan,00", "-nan(ind),00", "inf,00", "x,00"}) {
    EXPECT_EQ(csvNumberFromCell(cell), "NA") << cell;
  }
}

}  // namespace
}  // namespace leafmargin
