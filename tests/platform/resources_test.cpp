#include "platform/resources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Resources, StringTableEntriesComeFromTheModuleScript) {
  char buffer[256];
  EXPECT_EQ(platform::LoadStringResource(6, buffer, sizeof buffer), 12);
  EXPECT_STREQ(buffer, "Memory error");
  ASSERT_GT(platform::LoadStringResource(4000, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "Quoted \"text\" with a tab\tand more");
}

TEST(Resources, StringsAreCutToTheBufferAndMissingOnesAreEmpty) {
  char small[7];
  EXPECT_EQ(platform::LoadStringResource(6, small, sizeof small), 6);
  EXPECT_STREQ(small, "Memory");
  char buffer[32] = "left over";
  EXPECT_EQ(platform::LoadStringResource(3999, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(Resources, RawDataIsFoundByNameInAnyCase) {
  platform::ResourceBytes data;
  ASSERT_TRUE(platform::FindRawData("PALETTE216", &data));
  EXPECT_EQ(data.size, 853u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data), 8), "VARNRSRC");
  EXPECT_TRUE(platform::FindRawData("palette256g", &data));
  EXPECT_FALSE(platform::FindRawData("NOSUCHTHING", &data));
}

}  // namespace
