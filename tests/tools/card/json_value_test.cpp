// The reports that check reads: JSON as a dry run writes it.
#include "tools/card/json_value.h"

#include <gtest/gtest.h>

namespace initap::card {
namespace {

TEST(JsonValueTest, ReadsTheMembersAReportHolds) {
  const std::optional<JsonValue> report = ParseJson(
      "{\n  \"reached\": true, \"count\": 12, \"path\": \"\\\\FlashHd\\\\caf\\u00e9 \\ud83d\\ude00\",\n"
      "  \"findings\": [{\"id\": \"deletes-volume\", \"line\": null}, {\"id\": \"unknown-step\"}]\n}\n");
  ASSERT_TRUE(report);
  EXPECT_TRUE((*report)["reached"].Flag());
  EXPECT_EQ((*report)["count"].Number(), 12);
  EXPECT_EQ((*report)["path"].Text(), "\\FlashHd\\caf\xc3\xa9 \xf0\x9f\x98\x80");
  ASSERT_EQ((*report)["findings"].Items().size(), 2u);
  EXPECT_EQ((*report)["findings"].Items()[1]["id"].Text(), "unknown-step");
  EXPECT_EQ((*report)["findings"].Items()[0]["line"].Number(-1), -1);
  EXPECT_EQ((*report)["missing"]["deeper"].Text("none"), "none");
}

TEST(JsonValueTest, RefusesWhatIsNoJson) {
  for (const char* text : {"", "{", "[1,]", "{\"a\" 1}", "\"open", "{} extra", "tru"}) {
    EXPECT_FALSE(ParseJson(text)) << text;
  }
}

}  // namespace
}  // namespace initap::card
