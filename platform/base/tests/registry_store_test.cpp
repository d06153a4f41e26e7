#include "platform/base/registry_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/cp1252.h"
#include "platform/base/safe_file.h"

namespace {

using rt::RegistryRoot;
namespace status = rt::registry_status;

std::string w(const char* utf8) { return rt::utf8ToCp1252(utf8); }

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove(rt::registryFilePath()); }
};

TEST_F(RegistryStore, WritesAndReadsValuesIgnoringCase) {
  const char* key = "Software\\Tolvane\\Varneta";
  EXPECT_FALSE(rt::registryKeyExists(RegistryRoot::CurrentUser, key));
  EXPECT_FALSE(rt::registryValues(RegistryRoot::CurrentUser, key).has_value());
  EXPECT_FALSE(rt::registryRead(RegistryRoot::CurrentUser, key, "BackColor").has_value());

  ASSERT_EQ(rt::registryWriteString(RegistryRoot::CurrentUser, key, "BackColor", "16443110"),
            status::Ok);
  ASSERT_EQ(rt::registryWriteNumber(RegistryRoot::CurrentUser, key, "Ventanas", -3), status::Ok);
  ASSERT_EQ(rt::registryWriteString(RegistryRoot::CurrentUser, key, "", w("Valor por omisión")),
            status::Ok);

  const auto color =
      rt::registryRead(RegistryRoot::CurrentUser, "SOFTWARE\\tolvane\\VARNETA\\", "backcolor");
  ASSERT_TRUE(color.has_value());
  EXPECT_EQ(color->type, rt::RegistryValue::Type::String);
  EXPECT_EQ(color->text, "16443110");
  EXPECT_EQ(color->number, 16443110);
  const auto windows = rt::registryRead(RegistryRoot::CurrentUser, key, "VENTANAS");
  ASSERT_TRUE(windows.has_value());
  EXPECT_EQ(windows->type, rt::RegistryValue::Type::Number);
  EXPECT_EQ(windows->number, -3);
  EXPECT_EQ(windows->text, "-3");

  // The same path under the other root is another key.
  EXPECT_FALSE(rt::registryRead(RegistryRoot::LocalMachine, key, "BackColor").has_value());

  // A write replaces the value; the list keeps the order of first writes.
  ASSERT_EQ(rt::registryWriteString(RegistryRoot::CurrentUser, key, "BACKCOLOR", "1"), status::Ok);
  const auto values = rt::registryValues(RegistryRoot::CurrentUser, key);
  ASSERT_TRUE(values.has_value());
  ASSERT_EQ(values->size(), 3u);
  EXPECT_EQ((*values)[0].name, "BackColor");
  EXPECT_EQ((*values)[0].text, "1");
  EXPECT_EQ((*values)[1].name, "Ventanas");
  EXPECT_EQ((*values)[2].name, "");
  EXPECT_EQ((*values)[2].text, w("Valor por omisión"));
}

TEST_F(RegistryStore, NamesAndTextsTheFileFormatWouldMisreadSurvive) {
  const char* key = "SOFTWARE\\Raro [1];x";
  const std::string name = "=@;[a=b] ";
  const std::string text = "  uno\r\ndos %41 \t";
  ASSERT_EQ(rt::registryWriteString(RegistryRoot::LocalMachine, key, name, text), status::Ok);
  ASSERT_EQ(rt::registryWriteString(RegistryRoot::LocalMachine, key, "@", "arroba"), status::Ok);
  const auto value = rt::registryRead(RegistryRoot::LocalMachine, key, name);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->name, name);
  EXPECT_EQ(value->text, text);
  EXPECT_EQ(rt::registryRead(RegistryRoot::LocalMachine, key, "@")->text, "arroba");
  EXPECT_FALSE(rt::registryRead(RegistryRoot::LocalMachine, key, "").has_value());
  EXPECT_EQ(rt::registrySubkeys(RegistryRoot::LocalMachine, "software"),
            std::vector<std::string>{"Raro [1];x"});
}

TEST_F(RegistryStore, SubkeysDeletesAndImpliedParents) {
  rt::registryWriteString(RegistryRoot::LocalMachine, "SOFTWARE\\TeamViewer", "ClientID", "123");
  rt::registryWriteString(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows", "A", "1");
  rt::registryWriteString(RegistryRoot::LocalMachine, "software\\teamviewer\\Sub", "B", "2");
  EXPECT_TRUE(rt::registryKeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft"));
  EXPECT_TRUE(rt::registryKeyExists(RegistryRoot::LocalMachine, ""));
  EXPECT_FALSE(rt::registryKeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\Micro"));
  EXPECT_EQ(rt::registrySubkeys(RegistryRoot::LocalMachine, "SOFTWARE"),
            (std::vector<std::string>{"TeamViewer", "Microsoft"}));
  EXPECT_EQ(rt::registrySubkeys(RegistryRoot::CurrentUser, "SOFTWARE"), std::vector<std::string>{});

  EXPECT_EQ(rt::registryDeleteValue(RegistryRoot::LocalMachine, "Software\\TEAMVIEWER", "clientid"),
            status::Ok);
  EXPECT_EQ(rt::registryDeleteValue(RegistryRoot::LocalMachine, "Software\\TEAMVIEWER", "clientid"),
            status::NotFound);
  EXPECT_FALSE(
      rt::registryRead(RegistryRoot::LocalMachine, "SOFTWARE\\TeamViewer", "ClientID").has_value());
  EXPECT_EQ(rt::registryRead(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows", "a")->text,
            "1");
}

}  // namespace
